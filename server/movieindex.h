// Where every frame of a movie's first video stream is, found by reading the
// movie's packets once without decoding them: per frame in presentation order
// its time stamp, and the key frames to seek to. Frame n is the n-th picture
// ffmpeg's decoder gives (`ffmpeg -i MOVIE -vf select=eq(n\,N)`), so frames
// the decoder never gives at the start (a transport stream cut in the middle
// of a group of pictures) are not counted. Host code (Linux, ffmpeg).
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class TMovieIndex {
public:
  // Says, in words a user can read, why a movie cannot be indexed or a stored
  // index cannot be read back.
  struct TXIndex : std::runtime_error {
    using std::runtime_error::runtime_error;
  };

  // A packet the decoder can start at after a seek, in decoding order.
  struct TKeyFrame {
    std::int64_t Pts = 0;       // in the stream's time base
    std::int64_t Dts = 0;       // in the stream's time base; Pts when the packet has none
    std::int64_t Position = 0;  // byte offset of the packet in the file, -1 when unknown
  };

  // Reads the movie's packets once (decoding only the first pictures, to
  // leave out those the decoder drops); throws TXIndex.
  static TMovieIndex Build(const std::string& moviePath);

  std::uint32_t FrameCount() const { return static_cast<std::uint32_t>(Pts.size()); }
  // The picture's size as shown (rotation applied).
  std::uint32_t Width() const { return ShownWidth; }
  std::uint32_t Height() const { return ShownHeight; }
  // The average frame rate.
  std::uint32_t RateNumerator() const { return RateNum; }
  std::uint32_t RateDenominator() const { return RateDen; }
  // The frame's time in microseconds from the movie's start, as -ss counts.
  std::int64_t FrameTimeUs(std::uint32_t frame) const;
  // The first frame shown at or after the time (seconds from the movie's
  // start, as -ss counts); none past the last frame.
  std::optional<std::uint32_t> FirstFrameAtOrAfter(double seconds) const;

  // Stored inside the index AVI; Deserialize throws TXIndex on anything but
  // an intact index of this version.
  std::vector<std::uint8_t> Serialize() const;
  static TMovieIndex Deserialize(const std::vector<std::uint8_t>& bytes);

  // For decoding: the stream's time base, each frame's time stamp in it, the
  // frame a decoded picture's time stamp belongs to, and the key frames.
  std::int32_t TimeBaseNumerator() const { return TimeBaseNum; }
  std::int32_t TimeBaseDenominator() const { return TimeBaseDen; }
  std::int64_t FramePts(std::uint32_t frame) const { return Pts.at(frame); }
  std::optional<std::uint32_t> FrameOfPts(std::int64_t pts) const;
  const std::vector<TKeyFrame>& KeyFrames() const { return Keys; }
  // The last key frame in decoding order whose time stamp is not after the
  // frame's: where decoding towards the frame starts. Its position in
  // KeyFrames(); none when the frame comes before every key frame.
  std::optional<std::size_t> KeyFrameBefore(std::uint32_t frame) const;
  // Whether the packets carry no presentation times: frames are then found
  // by counting the pictures decoded from a key frame (the first after a
  // seek is the key frame's), and times are frame numbers over the rate.
  bool FramesCounted() const { return Counted; }
  // The first frame a decoder started at the key frame can be trusted to give
  // (the key frame's own picture).
  std::uint32_t FirstFrameOfKey(std::size_t key) const;

private:
  std::vector<std::int64_t> Pts;  // per frame in presentation order, rising
  std::vector<TKeyFrame> Keys;    // in decoding order
  std::uint32_t ShownWidth = 0, ShownHeight = 0;
  std::uint32_t RateNum = 0, RateDen = 1;
  std::int32_t TimeBaseNum = 1, TimeBaseDen = 1;
  std::int64_t StartUs = 0;  // the movie's start time (the format's), microseconds
  bool Counted = false;

  friend class TMovieIndexBuilder;
};
