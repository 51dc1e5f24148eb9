// What `velmoserve prepare` and the frame server's Prepare request do: tell
// whether Wine's movie device shows a movie as it is, else make (or use
// again) its index AVI in the cache, and find the frame to open on. Host code
// (Linux).
#pragma once

#include "avi/avivideo.h"
#include "server/moviecache.h"

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>

// What the program is given: the movie to open and the frame to open on.
struct TPrepared {
  std::string Playable;  // absolute unix path
  std::uint32_t First = 0;
};

// Whether Wine's movie device shows the AVI as it is: readable by the
// program's own reader, rows stored bottom-up, of Microsoft Video 1, Cinepak,
// uncompressed 8-, 24- or 32-bit rows, or our lossless 24-bit frames (VLM1).
bool PlaysDirectly(const TAviVideo& video);

class TPreparation {
public:
  // Why a movie is refused, in one clear message.
  struct TXRefusal : std::runtime_error {
    using std::runtime_error::runtime_error;
  };

  // Messages for the user go to log.
  TPreparation(TMovieCache& cache, std::ostream& log);

  // The movie (a unix path) prepared to open on the frame from names (empty:
  // frame 0; else as TFromOption reads it). Throws TXRefusal.
  TPrepared Prepare(const std::string& movie, const std::string& from);

private:
  TMovieCache& Cache;
  std::ostream& Log;
};
