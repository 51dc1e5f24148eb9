// The index AVI: the movie the program opens for a movie Wine's device cannot
// show. One VLMS video stream of the movie's shown size and average frame
// rate, one served frame chunk (movie id, frame number) per frame of the
// movie, every one a key frame, each frame's time in the movie after the index
// (as avi/avivideo.h reads it), and, in a chunk of our own that players skip,
// the movie's identity and its serialized TMovieIndex, which the frame server
// reads back. Host code (Linux).
#pragma once

#include "server/movieindex.h"
#include "server/sourceidentity.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace IndexAvi {

struct TXIndexAvi : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// What an index AVI holds besides its frame chunks.
struct TContents {
  TSourceIdentity Source;
  std::shared_ptr<const TMovieIndex> Index;
};

// Writes the index AVI of the movie at path (a temporary name: the caller
// renames it once complete). Throws TXIndexAvi; a file not complete is removed.
void Write(const std::string& path, const TSourceIdentity& source, const TMovieIndex& index);

// Reads back what Write stored; throws TXIndexAvi when the file is not an
// index AVI or is damaged.
TContents Read(const std::string& path);
// Only the identity, without deserializing the index: enough to tell whether
// the file belongs to a movie.
TSourceIdentity ReadSource(const std::string& path);

}  // namespace IndexAvi
