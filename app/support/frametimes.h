// The time of each frame of a movie, and the texts of times and frames the
// user reads and types: what the time readout shows and the go-to command
// takes. Portable code with no platform state. Times are in microseconds
// from the movie's start, as ffmpeg counts them for -ss.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the user typed to go to: a frame number or a time.
struct TFrameOrTime {
  bool IsTime = false;
  std::uint32_t Frame = 0;
  std::int64_t Microseconds = 0;
};

// Reads a frame number or a time. A plain whole number is a frame number
// (1290; also 1290f); a time has a decimal point, a colon or the unit s
// (43.5, 43s, 0:43, 0:00:43, 1:02:03.25). Blanks around it are allowed;
// anything else gives nothing.
std::optional<TFrameOrTime> ParseFrameOrTime(const std::string& text);

// h:mm:ss.mmm, to the nearest millisecond (0:00:43.033).
std::string TimeText(std::int64_t microseconds);

class TFrameTimes {
public:
  // No movie: no frame has a time.
  TFrameTimes() = default;
  // count frames at a steady rate: frame x scale / rate seconds.
  TFrameTimes(std::uint32_t count, std::uint32_t rate, std::uint32_t scale);
  // count frames of which those from firstTimed on have the source's own
  // times, in frame order; the frames before have none.
  TFrameTimes(std::uint32_t count, std::uint32_t firstTimed, std::vector<std::int64_t> sourceTimes);

  std::uint32_t Count() const { return Frames; }
  std::optional<std::int64_t> TimeOf(std::uint32_t frame) const;
  // The frame shown at the time: the last whose time is at or before it, a
  // time shown to the millisecond counting as its frame's. Nothing for a time
  // after the last frame's or before the first frame's.
  std::optional<std::uint32_t> FrameAt(std::int64_t microseconds) const;
  // The frame to go to for what the user typed: nothing for a frame number
  // past the last frame, or a time FrameAt finds no frame for.
  std::optional<std::uint32_t> FrameOf(const TFrameOrTime& wanted) const;
  // The times of the first and the last frame that have one.
  std::optional<std::int64_t> FirstTime() const;
  std::optional<std::int64_t> LastTime() const;

private:
  std::optional<std::uint32_t> FirstTimedFrame() const;

  std::uint32_t Frames = 0;
  std::uint32_t Rate = 0;
  std::uint32_t Scale = 0;
  std::uint32_t FirstTimed = 0;
  std::vector<std::int64_t> SourceTimes;  // empty: the steady rate applies
};
