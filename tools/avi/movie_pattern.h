// The picture of every test movie: each pixel's colour is a function of the
// frame number and the pixel's place, so that a captured frame can be checked
// exactly against the frame it should show. Portable code, no platform headers.
#pragma once

#include <cstdint>
#include <vector>

struct TRgb {
  std::uint8_t R = 0, G = 0, B = 0;

  friend bool operator==(const TRgb& a, const TRgb& b) { return a.R == b.R && a.G == b.G && a.B == b.B; }
  friend bool operator!=(const TRgb& a, const TRgb& b) { return !(a == b); }
};

// The pattern uses the 6x6x6 colour cube (levels 0, 51, ... 255), which fits an
// 8-bit movie's palette and a palette display's free entries as it stands.
constexpr unsigned PatternColourCount = 216;
constexpr unsigned PatternLevels = 6;

// Every pixel's colour repeats only after this many frames, and any two frames
// less than this apart differ at every pixel.
constexpr std::uint32_t PatternPeriod = PatternLevels * PatternLevels * PatternLevels;

// Palette index (0 .. PatternColourCount - 1) of pixel (x, y), counted from the
// top-left corner, in the given frame.
std::uint8_t PatternIndex(std::uint32_t frame, std::uint32_t x, std::uint32_t y);

// The colour of a palette index.
TRgb PatternColour(std::uint8_t index);

// The colour the movie shows at (x, y) of the given frame.
inline TRgb ExpectedPixel(std::uint32_t frame, std::uint32_t x, std::uint32_t y)
{
  return PatternColour(PatternIndex(frame, x, y));
}

// The PatternColourCount colours in index order: the palette of 8-bit movies.
std::vector<TRgb> PatternPalette();
