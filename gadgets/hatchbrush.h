// An 8 x 8 two-colour pattern brush.
#pragma once

#include "graphics/brush.h"

#include <array>
#include <cstdint>

class THatch8x8Brush : public TBrush {
public:
  // Eight rows of eight pixels, top row first; set bits take foreground.
  using TPattern = std::array<std::uint8_t, 8>;

  THatch8x8Brush(const TPattern& pattern, COLORREF foreground, COLORREF background);
  // Replaces the brush by one of new colours (objects that still hold the
  // old handle keep it until they let go).
  void Rebuild(const TPattern& pattern, COLORREF foreground, COLORREF background);
};
