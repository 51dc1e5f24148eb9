#include "gadgets/tiling.h"

#include <gtest/gtest.h>

namespace {

TTile Fixed(int cx, int cy, int gap = 0)
{
  return TTile{TSize(cx, cy), false, gap};
}

TTile Filling(int cy)
{
  return TTile{TSize(0, cy), true, 0};
}

TEST(TilingTest, FillingTilesShareExactlyWhatTheFixedOnesAndGapsLeave)
{
  const TRect inner(4, 2, 204, 22);  // 200 wide
  const auto bounds = Tile(Horizontal, inner, {Fixed(30, 10, -1), Filling(20), Fixed(25, 20, 3), Filling(20)});
  ASSERT_EQ(bounds.size(), 4u);
  EXPECT_EQ(bounds[0], TRect(4, 7, 34, 17));  // centred across the row
  EXPECT_EQ(bounds[1].left, 33);              // pulled back by the gap
  const int share = (200 - 30 - 25 + 1 - 3) / 2;
  EXPECT_EQ(bounds[1].Width(), share);
  EXPECT_EQ(bounds[3].Width(), share);
  EXPECT_EQ(bounds[2].left, bounds[1].right);
  EXPECT_EQ(bounds[3].left, bounds[2].right + 3);
}

TEST(TilingTest, FillingTileShrinksToNothingWhenFixedTilesOverflow)
{
  const auto bounds = Tile(Horizontal, TRect(0, 0, 50, 20), {Fixed(40, 20), Filling(20), Fixed(40, 20)});
  EXPECT_EQ(bounds[1].Width(), 0);
  EXPECT_EQ(bounds[2].left, 40);
}

TEST(TilingTest, ColumnsStackDownwardsCentredAcrossAndIgnoreFilling)
{
  const auto bounds = Tile(Vertical, TRect(0, 5, 30, 500), {Fixed(20, 10, -1), TTile{TSize(10, 8), true, 0}});
  EXPECT_EQ(bounds[0], TRect(5, 5, 25, 15));
  EXPECT_EQ(bounds[1], TRect(10, 14, 20, 22));
}

TEST(TilingTest, MarginsConvertInEachUnit)
{
  const TSize border(1, 2);
  const TEdges eighths = MarginPixels(TGadgetMargins{UnitEighths, 2, 4, 8, 0}, 16, border);
  EXPECT_EQ(eighths.Left, 4);
  EXPECT_EQ(eighths.Right, 8);
  EXPECT_EQ(eighths.Top, 16);
  EXPECT_EQ(EighthsToPixels(1, 12), 2);  // 1.5 rounds up
  const TEdges borders = MarginPixels(TGadgetMargins{UnitBorders, -1, 6, 2, 3}, 16, border);
  EXPECT_EQ(borders.Left, -1);
  EXPECT_EQ(borders.Right, 6);
  EXPECT_EQ(borders.Top, 4);
  EXPECT_EQ(borders.Bottom, 6);
}

}  // namespace
