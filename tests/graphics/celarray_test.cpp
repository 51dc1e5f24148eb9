#include "graphics/bitmap.h"
#include "graphics/celarray.h"
#include "graphics/dc.h"
#include "graphics/dib.h"
#include "tests/graphics/gdi_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(CelArray, GeometryOfTheStrip)
{
  TScreenDC screen;
  TCelArray buttons(new TBitmap(screen, 80, 20), 4);
  EXPECT_EQ(buttons.CelSize(), TSize(20, 20));
  EXPECT_EQ(buttons.CelOrigin(3), TPoint(60, 0));
  EXPECT_EQ(buttons.CelBounds(2), TRect(40, 0, 60, 20));

  TCelArray thirds(new TBitmap(screen, 80, 20), 3);
  EXPECT_EQ(thirds.CelSize(), TSize(26, 20)) << "the remainder columns stay unused";

  TCelArray single(new TBitmap(screen, 80, 20), 0);
  EXPECT_EQ(single.NumCels(), 1);
  EXPECT_EQ(single.CelBounds(0), TRect(0, 0, 80, 20));

  TCelArray zeroWidth(new TBitmap(screen, 80, 20), -2, TSize(0, 7));
  EXPECT_EQ(zeroWidth.NumCels(), 1);
  EXPECT_EQ(zeroWidth.CelSize(), TSize(80, 20)) << "a cel size with a zero side is ignored";

  TCelArray offset(new TBitmap(screen, 80, 20), 2, TSize(10, 8), TPoint(5, 3));
  EXPECT_EQ(offset.CelBounds(1), TRect(15, 3, 25, 11));
  EXPECT_EQ(offset.CelOrigin(-1), TPoint(-5, 3)) << "no range check";
}

TEST(CelArray, CopiesOwnOrShareTheStrip)
{
  TScreenDC screen;
  TBitmap shared(screen, 40, 10);
  {
    TCelArray borrowing(&shared, 2, TSize(), TPoint(), NoAutoDelete);
    {
      TCelArray copy(borrowing);
      EXPECT_EQ(copy.GetBitmap(), &shared);
    }
    EXPECT_EQ(borrowing.GetBitmap(), &shared);
  }
  EXPECT_EQ(TGdiObject::RefCount(shared.GetHandle()), 1) << "neither copy deleted it";

  TCelArray owning(new TBitmap(screen, 40, 10), 4);
  {
    TMemoryDC dc;
    dc.SelectObject(*owning.GetBitmap());
    ::SetPixel(dc, 33, 4, RGB(0, 0, 255));
  }
  TCelArray copy(owning);
  ASSERT_NE(copy.GetBitmap(), owning.GetBitmap());
  EXPECT_EQ(copy.CelSize(), TSize(10, 10));
  {
    TMemoryDC dc;
    dc.SelectObject(*copy.GetBitmap());
    EXPECT_EQ(::GetPixel(dc, 33, 4), RGB(0, 0, 255));
  }

  TCelArray assigned(&shared, 1, TSize(), TPoint(), NoAutoDelete);
  assigned = owning;
  EXPECT_TRUE(assigned.GetOwnsBitmap());
  EXPECT_NE(assigned.GetBitmap(), owning.GetBitmap());
  EXPECT_EQ(assigned.NumCels(), 4);
  assigned = TCelArray(&shared, 2, TSize(), TPoint(), NoAutoDelete);
  EXPECT_EQ(assigned.GetBitmap(), &shared);
  EXPECT_EQ(TGdiObject::TableSize(), 3) << "shared, the owning strip and its copy";
}

TEST(CelArray, FromADib)
{
  TDib glyphs(60, 20, 16);
  std::memset(glyphs.GetBits(), 0, glyphs.GetInfoHeader().biSizeImage);
  TCelArray cels(glyphs, 3);
  EXPECT_TRUE(cels.GetOwnsBitmap());
  EXPECT_EQ(cels.CelSize(), TSize(20, 20));
  EXPECT_EQ(cels.Offset(), TPoint(0, 0));
  EXPECT_EQ(cels.GetBitmap()->Width(), 60);
}

}  // namespace
