// The cache folder of index AVIs: VELMO_CACHE_DIR, else $XDG_CACHE_HOME/velmo,
// else ~/.cache/velmo. An index is named <base>-<movie id hex>.velmo-index.avi,
// used again while its movie is as it was, and replaced when the movie
// changed. The folder may hold the user's own files: only files recognised as
// ours are ever removed (index files, temporary index files no running
// preparation holds, and the converted copies earlier versions made).
// Host code (Linux).
#pragma once

#include "server/indexavi.h"

#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

class TMovieCache {
public:
  // A refusal a user can act on (the folder cannot be made or written).
  struct TXCache : std::runtime_error {
    using std::runtime_error::runtime_error;
  };

  // The index of a movie, with the file it is kept in.
  struct TEntry {
    std::string Path;
    IndexAvi::TContents Contents;
  };

  // Messages for the user go to log.
  TMovieCache(std::string folder, std::ostream& log);
  // The folder the environment names.
  static std::string DefaultFolder();
  const std::string& Folder() const { return Directory; }

  // The file that holds (or would hold) the index of the movie.
  std::string IndexPath(const TSourceIdentity& source) const;
  // The index file whose name holds the movie id; nothing when there is none.
  std::optional<std::string> FindIndex(const ServedFrame::TMovieId& id) const;

  // The movie's index as it is now: the one made before when its identity is
  // the movie's, else made by build (which throws what it throws) and written
  // under a temporary name, locked while it is written, then renamed; the
  // index files of the same movie before it changed are removed.
  TEntry IndexFor(const TSourceIdentity& source, const std::function<TMovieIndex()>& build);

  // Removes what is ours and of no more use: temporary index files of
  // preparations that died, and the converted copies earlier versions made
  // (said once, with the room they took).
  void Tidy();

private:
  std::string Directory;
  std::ostream& Log;
};
