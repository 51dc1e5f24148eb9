#include "gadgets/tiling.h"

#include <algorithm>

int EighthsToPixels(int units, int fontHeight)
{
  // Rounds half away from zero so that negative margins mirror positive ones.
  const int scaled = units * fontHeight;
  return scaled >= 0 ? (scaled + 4) / 8 : -((-scaled + 4) / 8);
}

TEdges MarginPixels(const TGadgetMargins& margins, int fontHeight, const TSize& border)
{
  switch (margins.Units) {
  case UnitEighths:
    return {EighthsToPixels(margins.Left, fontHeight), EighthsToPixels(margins.Right, fontHeight),
            EighthsToPixels(margins.Top, fontHeight), EighthsToPixels(margins.Bottom, fontHeight)};
  case UnitBorders:
    return {margins.Left * border.cx, margins.Right * border.cx, margins.Top * border.cy, margins.Bottom * border.cy};
  case UnitPixels:
  default:
    return {margins.Left, margins.Right, margins.Top, margins.Bottom};
  }
}

std::vector<TRect> Tile(TLayoutDirection direction, const TRect& inner, const std::vector<TTile>& tiles)
{
  std::vector<TRect> bounds;
  bounds.reserve(tiles.size());
  if (direction == Vertical) {
    int y = inner.top;
    for (const TTile& tile : tiles) {
      const int left = inner.left + (inner.Width() - tile.Desired.cx) / 2;
      bounds.emplace_back(left, y, left + tile.Desired.cx, y + tile.Desired.cy);
      y = bounds.back().bottom + tile.Gap;
    }
    return bounds;
  }

  int reserved = 0;
  int fillCount = 0;
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    if (tiles[i].FillSpare)
      ++fillCount;
    else
      reserved += tiles[i].Desired.cx;
    if (i + 1 < tiles.size())
      reserved += tiles[i].Gap;
  }
  // Fixed tiles wider than the row leave nothing: the filling tiles shrink to
  // nothing rather than turn inside out.
  const int share = fillCount ? std::max(0, (inner.Width() - reserved) / fillCount) : 0;

  int x = inner.left;
  for (const TTile& tile : tiles) {
    const int top = inner.top + (inner.Height() - tile.Desired.cy) / 2;
    const int width = tile.FillSpare ? share : tile.Desired.cx;
    bounds.emplace_back(x, top, x + width, top + tile.Desired.cy);
    x = bounds.back().right + tile.Gap;
  }
  return bounds;
}
