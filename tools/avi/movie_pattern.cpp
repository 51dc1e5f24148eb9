#include "tools/avi/movie_pattern.h"

namespace {

std::uint8_t Level(std::uint32_t value)
{
  return static_cast<std::uint8_t>(value % PatternLevels);
}

}  // namespace

// Red counts frames and columns together, so neighbouring frames differ in red
// at every pixel and a picture shifted by a column shows up as a wrong frame;
// green and blue carry the higher digits of the frame number (base 6) mixed with
// the rows, so 216 consecutive frames stay distinct and row shifts show too.
std::uint8_t PatternIndex(std::uint32_t frame, std::uint32_t x, std::uint32_t y)
{
  const std::uint8_t red = Level(frame + x);
  const std::uint8_t green = Level(frame / PatternLevels + y);
  const std::uint8_t blue = Level(frame / (PatternLevels * PatternLevels) + x / 8 + y / 8);
  return static_cast<std::uint8_t>(red + PatternLevels * (green + PatternLevels * blue));
}

TRgb PatternColour(std::uint8_t index)
{
  constexpr std::uint8_t step = 255 / (PatternLevels - 1);
  TRgb colour;
  colour.R = static_cast<std::uint8_t>(index % PatternLevels * step);
  colour.G = static_cast<std::uint8_t>(index / PatternLevels % PatternLevels * step);
  colour.B = static_cast<std::uint8_t>(index / (PatternLevels * PatternLevels) % PatternLevels * step);
  return colour;
}

std::vector<TRgb> PatternPalette()
{
  std::vector<TRgb> palette;
  palette.reserve(PatternColourCount);
  for (unsigned i = 0; i < PatternColourCount; ++i)
    palette.push_back(PatternColour(static_cast<std::uint8_t>(i)));
  return palette;
}
