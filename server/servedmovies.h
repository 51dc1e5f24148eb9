// The movies the frame server serves, found by the id their index AVI's
// chunks carry: those open already, else the index file in the cache whose
// name holds the id. Each is decoded by one frame source, shared by every
// connection, and checked on each request (a stat of its size and time)
// against the movie as it was indexed. Host code (Linux).
#pragma once

#include "channel/protocol.h"
#include "server/framesource.h"
#include "server/moviecache.h"

#include <map>
#include <memory>
#include <mutex>

class TServedMovies {
public:
  explicit TServedMovies(const TMovieCache& cache);

  struct TFound {
    Protocol::TStatus Status = Protocol::TStatus::UnknownMovie;  // Ok: Source is set
    std::shared_ptr<TFrameSource> Source;
  };
  // The frame source of the movie, when the movie has that frame: Ok;
  // UnknownMovie without an index of that id; MovieChanged when the movie
  // changed or went since it was indexed; Damaged for a frame past its end or
  // a movie that no longer opens.
  TFound Find(const ServedFrame::TMovieId& movie, std::uint32_t frame);

private:
  struct TMovie {
    std::string SourcePath;
    TFileState State;
    std::shared_ptr<const TMovieIndex> Index;
    std::shared_ptr<TFrameSource> Source;  // opened on the first request
  };

  const TMovieCache& Cache;
  std::mutex Lock;
  std::map<ServedFrame::TMovieId, TMovie> Movies;
};
