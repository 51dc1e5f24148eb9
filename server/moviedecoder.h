// Decodes the first video stream of any movie ffmpeg's libraries read into
// packed 24-bit BGR pictures, top row first, each pixel exactly what the
// ffmpeg command line gives for `-ss TIME -i MOVIE -pix_fmt bgr24`: the same
// decoder, the same turning of rotated movies and the same conversion (a
// filter graph built as the command line builds it), without passing six
// megabytes a frame through a pipe. Host tool code (Linux).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

struct AVFrame;

class TMovieDecoder {
public:
  struct TXDecode : std::runtime_error {
    using std::runtime_error::runtime_error;
  };

  // One converted picture, shared by reference count with the libraries.
  class TPicture {
  public:
    TPicture();
    ~TPicture();
    // Swaps: neither side is ever left without a frame.
    TPicture& operator=(TPicture&& other) noexcept;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    const std::uint8_t* Row(std::uint32_t y) const;
    std::ptrdiff_t Stride() const;
    // Its time in microseconds from the movie's start, as -ss counts.
    std::int64_t Time() const { return Microseconds; }

  private:
    friend class TMovieDecoder;
    AVFrame* Frame;
    std::int64_t Microseconds = 0;
  };

  // Opens the movie and starts at its first frame at or after seekSeconds
  // (counted from the movie's start, as -ss counts); throws TXDecode.
  TMovieDecoder(const std::string& path, double seekSeconds);
  ~TMovieDecoder();
  TMovieDecoder(const TMovieDecoder&) = delete;
  TMovieDecoder& operator=(const TMovieDecoder&) = delete;

  // The next picture in order; false once the movie has no more. Throws
  // TXDecode on a failure, or when a picture comes at another size than
  // width x height (the size the movie is shown at, rotation included).
  bool Next(TPicture& picture, std::uint32_t width, std::uint32_t height);

private:
  struct TState;
  std::unique_ptr<TState> State;
};
