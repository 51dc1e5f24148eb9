// Decodes the first video stream of any movie ffmpeg's libraries read into
// packed 24-bit BGR pictures, top row first, each pixel exactly what the
// ffmpeg command line gives for `-ss TIME -i MOVIE -pix_fmt bgr24`: the same
// decoder, the same turning of rotated movies and the same conversion (a
// filter graph built as the command line builds it), without passing six
// megabytes a frame through a pipe. In order from a time (rawavi), or from
// any key frame (the frame source), where decoding is split from converting
// so that pictures passed on the way are not converted. Host code (Linux).
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
    std::uint32_t Width() const;
    std::uint32_t Height() const;
    // Its time in microseconds from the movie's start, as -ss counts.
    std::int64_t Time() const { return Microseconds; }

  private:
    friend class TMovieDecoder;
    AVFrame* Frame;
    std::int64_t Microseconds = 0;
  };

  // What the movie's video stream says of itself.
  struct TStreamInfo {
    int TimeBaseNumerator = 1, TimeBaseDenominator = 1;
    std::int64_t StartUs = 0;                                  // the format's start time: where -ss counts from
    int AverageRateNumerator = 0, AverageRateDenominator = 0;  // 0/0 when unknown
    int RealRateNumerator = 0, RealRateDenominator = 0;        // ffmpeg's guess of the base rate
    std::int64_t DurationUs = 0;                               // 0 when unknown
    bool Reorders = false;                                     // pictures come out in another order than packets
  };

  // A packet of the video stream as the demuxer gives it, not decoded.
  struct TPacketInfo {
    std::int64_t Pts = 0, Dts = 0;  // in the stream's time base, or NoTime
    std::int64_t Position = -1;     // byte offset in the file, -1 when unknown
    bool Key = false;               // a picture decoding can start at
    bool Discard = false;           // decoded only as a reference, never shown
  };
  static const std::int64_t NoTime;  // AV_NOPTS_VALUE

  // Opens the movie at its first frame; throws TXDecode.
  explicit TMovieDecoder(const std::string& path);
  // Opens the movie and starts at its first frame at or after seekSeconds
  // (counted from the movie's start, as -ss counts); throws TXDecode.
  TMovieDecoder(const std::string& path, double seekSeconds);
  ~TMovieDecoder();
  TMovieDecoder(const TMovieDecoder&) = delete;
  TMovieDecoder& operator=(const TMovieDecoder&) = delete;

  TStreamInfo Info() const;

  // The next picture in order; false once the movie has no more. Throws
  // TXDecode on a failure, or when a picture comes at another size than
  // width x height (the size the movie is shown at, rotation included).
  bool Next(TPicture& picture, std::uint32_t width, std::uint32_t height);

  // The next packet of the video stream, read without decoding (to index the
  // movie); false at its end.
  bool ReadPacket(TPacketInfo& packet);

  // Starts again at the key frame packet given by its times and position:
  // the decoder is emptied, packets before the first key frame read are
  // skipped, and pictures before that key frame's time are dropped (they
  // lean on pictures not decoded). Throws TXDecode.
  void SeekToKey(std::int64_t pts, std::int64_t dts, std::int64_t position);
  // Whether decoding since the last SeekToKey started at the key frame
  // packet of this decoding time (NoTime: not known) or place (-1: not known).
  bool StartedAt(std::int64_t dts, std::int64_t position) const;
  // Starts again at the file's start, as a fresh open does.
  void Rewind();

  // Decodes the next picture without converting it; its best-effort time
  // stamp (stream time base, NoTime when it has none) in pts. False once the
  // movie has no more. Damaged packets are passed over as the command line
  // does.
  bool Decode(std::int64_t& pts);
  // Whether the picture Decode gave is a key frame.
  bool DecodedIsKey() const;
  // Converts the picture Decode gave (once).
  void Convert(TPicture& picture);

private:
  struct TState;
  std::unique_ptr<TState> State;
};
