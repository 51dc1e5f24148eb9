#include "controls/sliderscale.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace SliderScale {

int RangeBetween(int min, int max)
{
  if (max > min)
    return max - min;
  if (max < min)
    return min - max;
  return 1;
}

int Snap(int pos, int min, int max, int tickStep, bool snap)
{
  if (pos > max)
    pos = max;
  else if (pos < min)
    pos = min;
  if (!snap || tickStep <= 0)
    return pos;
  const std::int64_t fromMin = static_cast<std::int64_t>(pos) - min;
  return static_cast<int>(min + tickStep * ((fromMin + tickStep / 2) / tickStep));
}

int OffsetFor(int pos, int min, int range, int track)
{
  if (track <= 0)
    return 0;
  const std::int64_t offset = (static_cast<std::int64_t>(pos) - min) * track / range;
  return static_cast<int>(offset < 0 ? 0 : offset > track ? track : offset);
}

int PositionAt(int offset, int min, int range, int track)
{
  if (track <= 0)
    return min;
  // Rounding up makes this the inverse of OffsetFor's rounding down, whether
  // a pixel holds several positions or a position spans several pixels.
  const std::int64_t scaled = static_cast<std::int64_t>(offset) * range;
  const std::int64_t steps = scaled >= 0 ? (scaled + track - 1) / track : scaled / track;
  return static_cast<int>(min + steps);
}

int WithLowBits(unsigned low16, int near)
{
  const std::int64_t span = 0x10000;
  const std::int64_t around = near;
  // The candidate in near's own block of 65,536, then the one on the nearer side.
  std::int64_t best = around - (around & (span - 1)) + (low16 & (span - 1));
  if (best - around > span / 2)
    best -= span;
  else if (around - best > span / 2)
    best += span;
  return static_cast<int>(std::clamp<std::int64_t>(best, INT_MIN, INT_MAX));
}

}  // namespace SliderScale
