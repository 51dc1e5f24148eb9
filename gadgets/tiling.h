// Gadget layout arithmetic: margins in their units and the tiling of a row or
// column of gadgets. Plain arithmetic on the values it is given (font height,
// border size, desired sizes), so it can be checked without any window.
#pragma once

#include "framework/base/geometry.h"

#include <cstdint>
#include <vector>

enum TMarginUnits : int {
  UnitPixels = 0,
  UnitEighths = 1,  // eighths of the font height
  UnitBorders = 2,  // multiples of the system border width (height vertically)
};

enum TLayoutDirection : std::uint8_t { Horizontal = 0, Vertical = 1 };

struct TGadgetMargins {
  TMarginUnits Units = UnitEighths;
  std::int8_t Left = 0, Right = 0, Top = 0, Bottom = 0;
};

// Edge widths in pixels.
struct TEdges {
  int Left = 0, Right = 0, Top = 0, Bottom = 0;
};

// units eighths of fontHeight, rounded to the nearest pixel.
int EighthsToPixels(int units, int fontHeight);
// border: the system border width and height.
TEdges MarginPixels(const TGadgetMargins& margins, int fontHeight, const TSize& border);

// One gadget as the tiling sees it.
struct TTile {
  TSize Desired;
  bool FillSpare = false;  // takes a share of the room the others leave (rows only)
  int Gap = 0;             // offset before the next tile; negative values overlap
};

// The bounds of each tile, one after another from inner's leading edge and
// centred across the direction. Tiles that fill spare room share what the
// others leave equally; when nothing is left they get no width at all.
std::vector<TRect> Tile(TLayoutDirection direction, const TRect& inner, const std::vector<TTile>& tiles);
