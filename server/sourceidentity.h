// What ties an index to the movie it was made from: the movie's absolute
// path, size, modification time and a hash of its first 8 MB. The movie id
// the index AVI's frame chunks carry is taken from it, so a changed movie gets
// another id (and another index). Host code (Linux).
#pragma once

#include "channel/servedframe.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

// A file's size and modification time: what a request checks, with one stat,
// to tell that a movie has not changed since it was indexed.
struct TFileState {
  std::uint64_t Size = 0;
  std::int64_t ModifiedNs = 0;  // nanoseconds since the epoch
  bool operator==(const TFileState& other) const { return Size == other.Size && ModifiedNs == other.ModifiedNs; }
  bool operator!=(const TFileState& other) const { return !(*this == other); }
  // The file's state now; nothing when it is gone or cannot be reached.
  static std::optional<TFileState> Of(const std::string& path);
};

struct TSourceIdentity {
  struct TXIdentity : std::runtime_error {
    using std::runtime_error::runtime_error;
  };

  std::string Path;  // absolute
  TFileState State;
  std::string HeadHash;  // SHA-256 of the first 8 MB, lowercase hex

  // The identity of the movie at that absolute path as it is now; throws
  // TXIdentity (saying why, for the user) when it cannot be read.
  static TSourceIdentity Of(const std::string& absolutePath);

  // Its lines: path, size, modification time (ns), head hash.
  std::string Text() const;
  ServedFrame::TMovieId MovieId() const { return ServedFrame::MovieIdOf(Text()); }
  bool operator==(const TSourceIdentity& other) const
  {
    return Path == other.Path && State == other.State && HeadHash == other.HeadHash;
  }
  bool operator!=(const TSourceIdentity& other) const { return !(*this == other); }
};
