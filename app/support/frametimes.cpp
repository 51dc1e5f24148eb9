#include "app/support/frametimes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr std::int64_t MicrosecondsPerSecond = 1000000;
// A time typed as the readout shows it, to the millisecond, lies within half
// a millisecond of its frame's time.
constexpr std::int64_t ShownPrecision = 500;

bool IsDigit(char c)
{
  return c >= '0' && c <= '9';
}

// Digits only, at most maxDigits of them.
bool ReadWhole(const std::string& text, std::size_t maxDigits, std::uint64_t& value)
{
  if (text.empty() || text.size() > maxDigits || !std::all_of(text.begin(), text.end(), IsDigit))
    return false;
  value = 0;
  for (char c : text)
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  return true;
}

// Seconds with an optional fraction (43, 43.5, 43., .5), in microseconds; the
// fraction's digits past the sixth are dropped.
bool ReadSeconds(const std::string& text, std::size_t maxWholeDigits, std::uint64_t& microseconds)
{
  const std::size_t point = text.find('.');
  const std::string whole = text.substr(0, point);
  const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  if (whole.empty() && fraction.empty())
    return false;
  std::uint64_t seconds = 0;
  if (!whole.empty() && !ReadWhole(whole, maxWholeDigits, seconds))
    return false;
  if (!std::all_of(fraction.begin(), fraction.end(), IsDigit))
    return false;
  std::uint64_t part = 0;
  for (std::size_t i = 0; i < 6; ++i)
    part = part * 10 + (i < fraction.size() ? static_cast<std::uint64_t>(fraction[i] - '0') : 0);
  microseconds = seconds * MicrosecondsPerSecond + part;
  return true;
}

// [[h:]m:]s[.fraction], the minutes and seconds after a colon below 60.
std::optional<std::int64_t> ReadClockTime(const std::string& text)
{
  std::vector<std::string> parts;
  std::size_t begin = 0;
  for (std::size_t colon; (colon = text.find(':', begin)) != std::string::npos; begin = colon + 1)
    parts.push_back(text.substr(begin, colon - begin));
  parts.push_back(text.substr(begin));
  if (parts.size() > 3)
    return std::nullopt;

  const bool clock = parts.size() > 1;
  std::uint64_t seconds = 0;
  if (!ReadSeconds(parts.back(), clock ? 2 : 9, seconds) || (clock && seconds >= 60 * MicrosecondsPerSecond))
    return std::nullopt;
  std::uint64_t total = 0;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    const bool leading = i == 0;
    std::uint64_t value = 0;
    if (!ReadWhole(parts[i], leading ? 6 : 2, value) || (!leading && value >= 60))
      return std::nullopt;
    total = total * 60 + value;
  }
  return static_cast<std::int64_t>(total * 60 * MicrosecondsPerSecond + seconds);
}

}  // namespace

std::optional<TFrameOrTime> ParseFrameOrTime(const std::string& typed)
{
  const std::size_t first = typed.find_first_not_of(" \t");
  if (first == std::string::npos)
    return std::nullopt;
  std::string text = typed.substr(first, typed.find_last_not_of(" \t") + 1 - first);

  TFrameOrTime result;
  std::uint64_t frame = 0;
  const bool frameUnit = text.back() == 'f';
  if (ReadWhole(frameUnit ? text.substr(0, text.size() - 1) : text, 10, frame)) {
    if (frame > std::numeric_limits<std::uint32_t>::max())
      return std::nullopt;
    result.Frame = static_cast<std::uint32_t>(frame);
    return result;
  }
  if (frameUnit)
    return std::nullopt;

  const bool secondsUnit = text.back() == 's';
  if (secondsUnit)
    text.pop_back();
  std::optional<std::int64_t> time;
  if (secondsUnit) {
    std::uint64_t seconds = 0;
    if (ReadSeconds(text, 9, seconds))
      time = static_cast<std::int64_t>(seconds);
  } else if (text.find_first_of(".:") != std::string::npos) {
    time = ReadClockTime(text);
  }
  if (!time)
    return std::nullopt;
  result.IsTime = true;
  result.Microseconds = *time;
  return result;
}

std::string TimeText(std::int64_t microseconds)
{
  const bool negative = microseconds < 0;
  const std::uint64_t magnitude = negative ? 0u - static_cast<std::uint64_t>(microseconds)
                                           : static_cast<std::uint64_t>(microseconds);
  const std::uint64_t ms = (magnitude + 500) / 1000;
  char text[40];
  std::snprintf(text, sizeof text, "%s%llu:%02u:%02u.%03u", negative ? "-" : "",
                static_cast<unsigned long long>(ms / 3600000), static_cast<unsigned>(ms / 60000 % 60),
                static_cast<unsigned>(ms / 1000 % 60), static_cast<unsigned>(ms % 1000));
  return text;
}

TFrameTimes::TFrameTimes(std::uint32_t count, std::uint32_t rate, std::uint32_t scale)
  : Frames(count), Rate(rate), Scale(scale)
{
}

TFrameTimes::TFrameTimes(std::uint32_t count, std::uint32_t firstTimed, std::vector<std::int64_t> sourceTimes)
  : Frames(count), FirstTimed(firstTimed), SourceTimes(std::move(sourceTimes))
{
  // Frames beyond the movie's count have no use for a time.
  if (FirstTimed >= Frames)
    SourceTimes.clear();
  else if (SourceTimes.size() > Frames - FirstTimed)
    SourceTimes.resize(Frames - FirstTimed);
}

std::optional<std::uint32_t> TFrameTimes::FirstTimedFrame() const
{
  if (!SourceTimes.empty())
    return FirstTimed;
  if (Frames && Rate && Scale)
    return 0;
  return std::nullopt;
}

std::optional<std::int64_t> TFrameTimes::TimeOf(std::uint32_t frame) const
{
  if (!SourceTimes.empty()) {
    if (frame < FirstTimed || frame - FirstTimed >= SourceTimes.size())
      return std::nullopt;
    return SourceTimes[frame - FirstTimed];
  }
  if (frame >= Frames || !Rate || !Scale)
    return std::nullopt;
  return std::llround(static_cast<double>(frame) * Scale * MicrosecondsPerSecond / Rate);
}

std::optional<std::int64_t> TFrameTimes::FirstTime() const
{
  const std::optional<std::uint32_t> first = FirstTimedFrame();
  return first ? TimeOf(*first) : std::nullopt;
}

std::optional<std::int64_t> TFrameTimes::LastTime() const
{
  if (!SourceTimes.empty())
    return SourceTimes.back();
  return Frames ? TimeOf(Frames - 1) : std::nullopt;
}

std::optional<std::uint32_t> TFrameTimes::FrameAt(std::int64_t microseconds) const
{
  const std::optional<std::int64_t> first = FirstTime();
  const std::optional<std::int64_t> last = LastTime();
  if (!first || !last || microseconds > *last + ShownPrecision || microseconds < *first - ShownPrecision)
    return std::nullopt;
  const std::int64_t reach = microseconds + ShownPrecision;
  if (!SourceTimes.empty()) {
    const auto after = std::upper_bound(SourceTimes.begin(), SourceTimes.end(), reach);
    const auto index = after == SourceTimes.begin() ? 0 : after - SourceTimes.begin() - 1;
    return FirstTimed + static_cast<std::uint32_t>(index);
  }
  // frame = reach x rate / (scale x 10^6), in whole numbers where they cannot
  // overflow, so that a time right at a frame's is that frame's.
  const auto time = static_cast<std::uint64_t>(std::max<std::int64_t>(0, reach));
  const std::uint64_t divisor = std::uint64_t{Scale} * MicrosecondsPerSecond;
  const std::uint64_t frame = time <= std::numeric_limits<std::uint64_t>::max() / Rate
                                ? time * Rate / divisor
                                : static_cast<std::uint64_t>(static_cast<double>(time) * Rate / divisor);
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(frame, Frames - 1));
}

std::optional<std::uint32_t> TFrameTimes::FrameOf(const TFrameOrTime& wanted) const
{
  if (wanted.IsTime)
    return FrameAt(wanted.Microseconds);
  if (wanted.Frame >= Frames)
    return std::nullopt;
  return wanted.Frame;
}
