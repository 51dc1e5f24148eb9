// Decoded frames of one movie on demand, in any order: each picture exactly
// what ffmpeg's command line decodes for frame n (packed BGR, top row first).
// It seeks to the key frame before a frame and decodes forward, keeps the
// pictures around the ones asked for (bounded by bytes), and decodes ahead on
// a thread of its own while requests move forward. Thread-safe: several
// connections ask at once. Host code (Linux, ffmpeg).
#pragma once

#include "server/movieindex.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TDecodedFrame {
  std::uint32_t Width = 0, Height = 0;
  std::vector<std::uint8_t> Bgr;  // packed, top row first
};

class TFrameSource {
public:
  // Opens the movie indexed by index; throws TMovieIndex::TXIndex when it
  // cannot be opened or decoded.
  TFrameSource(const std::string& moviePath, std::shared_ptr<const TMovieIndex> index);
  ~TFrameSource();
  TFrameSource(const TFrameSource&) = delete;
  TFrameSource& operator=(const TFrameSource&) = delete;

  // The frame's picture, exactly ffmpeg's decode of frame n; nullptr when it
  // cannot be decoded (damaged packet, frame not in the movie).
  // forward: the caller moves forward (play, step, cut): decode ahead after it.
  std::shared_ptr<const TDecodedFrame> Get(std::uint32_t frame, bool forward);

private:
  class TWorker;
  std::unique_ptr<TWorker> Worker;
};
