#include "graphics/bitmap.h"
#include "graphics/brush.h"
#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/palette.h"
#include "tests/graphics/gdi_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// Colours no stock brush has, so that TBrush creates and registers a brush.
COLORREF OwnColor(int i)
{
  return RGB(10 + i, 20, 30);
}

HGDIOBJ CurrentBrush(HDC dc)
{
  return ::GetCurrentObject(dc, OBJ_BRUSH);
}

TEST(ReferenceTable, CountsHoldersAndDeletesOnTheLastRelease)
{
  HBRUSH handle = ::CreateSolidBrush(OwnColor(0));
  EXPECT_EQ(TGdiObject::RefCount(handle), -1);

  TGdiObject::Register(handle, TGdiObject::Brush);
  TGdiObject::Register(handle, TGdiObject::Brush);  // a second registration changes nothing
  EXPECT_EQ(TGdiObject::RefCount(handle), 1);
  TGdiObject::AddRef(handle);
  EXPECT_EQ(TGdiObject::RefCount(handle), 2);
  TGdiObject::Release(handle);
  EXPECT_TRUE(IsLiveObject(handle));
  TGdiObject::Release(handle);
  EXPECT_FALSE(IsLiveObject(handle));
  EXPECT_EQ(TGdiObject::RefCount(handle), -1);
  EXPECT_EQ(TGdiObject::TableCapacity(), 0) << "the empty table is destroyed";

  // Unknown handles are ignored; Unregister forgets without deleting.
  HBRUSH kept = ::CreateSolidBrush(OwnColor(1));
  TGdiObject::AddRef(kept);
  TGdiObject::Release(kept);
  TGdiObject::Register(kept, TGdiObject::Brush);
  TGdiObject::Unregister(kept);
  EXPECT_EQ(TGdiObject::RefCount(kept), -1);
  EXPECT_TRUE(IsLiveObject(kept));
  ::DeleteObject(kept);
}

TEST(ReferenceTable, StartsWith29EntriesAndGrowsByOne)
{
  ASSERT_EQ(TGdiObject::TableSize(), 0);
  std::vector<std::unique_ptr<TBrush>> brushes;
  for (int i = 0; i < 29; ++i)
    brushes.push_back(std::make_unique<TBrush>(OwnColor(i)));
  EXPECT_EQ(TGdiObject::TableCapacity(), 29);
  brushes.push_back(std::make_unique<TBrush>(OwnColor(29)));
  EXPECT_EQ(TGdiObject::TableSize(), 30);
  EXPECT_EQ(TGdiObject::TableCapacity(), 30);

  // Removal keeps the order of the rest: the later entries are still found.
  HANDLE last = brushes.back()->GetHandle();
  brushes.erase(brushes.begin() + 3);
  EXPECT_EQ(TGdiObject::RefCount(last), 1);

  brushes.clear();
  EXPECT_EQ(TGdiObject::TableCapacity(), 0);
  TBrush again(OwnColor(0));
  EXPECT_EQ(TGdiObject::TableCapacity(), 29);
}

TEST(ReferenceTable, FailedDeleteIsReportedWithTheHandle)
{
  HBRUSH handle = ::CreateSolidBrush(OwnColor(2));
  TGdiObject::Register(handle, TGdiObject::Brush);
  ::DeleteObject(handle);  // deleted behind the table's back
  EXPECT_EQ(GdiFailureId([&] { TGdiObject::Release(handle); }), IDS_GDIDESTROYFAIL);
  EXPECT_EQ(TGdiObject::RefCount(handle), -1) << "the entry is gone all the same";

  // A wrapper cannot report it from its destructor, and must not end the program.
  auto brush = std::make_unique<TBrush>(OwnColor(3));
  ::DeleteObject(brush->GetHandle());
  EXPECT_NO_THROW(brush.reset());
}

TEST(GdiFailure, MessageIsTheNumberedFallbackText)
{
  TGdiBase::TXGdi x(IDS_GDIALLOCFAIL);
  EXPECT_EQ(x.ResId, 32739u);
  EXPECT_STREQ(x.what(), "例外 #32739 (メッセージは用意されていません).");
}

class SelectionTest : public testing::Test {
protected:
  TMemoryDC Dc;
  HGDIOBJ Original = CurrentBrush(Dc);
};

TEST_F(SelectionTest, ReplacedBrushIsReleasedAndTheFirstIsReselected)
{
  HANDLE a, b;
  {
    TMemoryDC dc;
    HGDIOBJ original = CurrentBrush(dc);
    TBrush brushA(OwnColor(4));
    TBrush brushB(OwnColor(5));
    a = brushA.GetHandle();
    b = brushB.GetHandle();
    dc.SelectObject(brushA);
    EXPECT_EQ(TGdiObject::RefCount(a), 2);
    dc.SelectObject(brushB);
    EXPECT_EQ(TGdiObject::RefCount(a), 1) << "A loses the DC's hold when B replaces it";
    EXPECT_EQ(TGdiObject::RefCount(b), 2);
    dc.SelectObject(brushB);
    EXPECT_EQ(TGdiObject::RefCount(b), 2) << "selecting the same brush again holds it once";
    dc.RestoreBrush();
    EXPECT_EQ(CurrentBrush(dc), original);
    EXPECT_EQ(TGdiObject::RefCount(b), 1);
    dc.SelectObject(brushA);
  }
  // Destroying brush wrappers and the DC released everything.
  EXPECT_FALSE(IsLiveObject(a));
  EXPECT_FALSE(IsLiveObject(b));
}

TEST_F(SelectionTest, BrushDestroyedWhileSelectedLivesUntilTheDcLetsGo)
{
  HANDLE handle;
  {
    TBrush brush(OwnColor(6));
    handle = brush.GetHandle();
    Dc.SelectObject(brush);
  }
  EXPECT_TRUE(IsLiveObject(handle));
  EXPECT_EQ(TGdiObject::RefCount(handle), 1);
  EXPECT_EQ(CurrentBrush(Dc), handle);
  Dc.RestoreAll();
  EXPECT_FALSE(IsLiveObject(handle));
  EXPECT_EQ(CurrentBrush(Dc), Original);
}

TEST_F(SelectionTest, StockBrushesAndBorrowedObjectsAreNeverDeleted)
{
  HGDIOBJ white = ::GetStockObject(WHITE_BRUSH);
  {
    TBrush brush(RGB(255, 255, 255));
    EXPECT_EQ(brush.GetHandle(), white);
    EXPECT_FALSE(brush.GetOwnsHandle());
    EXPECT_EQ(TGdiObject::RefCount(white), -1);
    Dc.SelectObject(brush);
  }
  Dc.RestoreBrush();
  EXPECT_EQ(TBrush(RGB(0, 0, 0)).GetHandle(), ::GetStockObject(BLACK_BRUSH));

  HBITMAP raw = ::CreateBitmap(4, 4, 1, 1, nullptr);
  {
    TBitmap borrowed(raw);
    TMemoryDC dc;
    dc.SelectObject(borrowed);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BITMAP), raw);
  }
  EXPECT_TRUE(IsLiveObject(raw));
  ::DeleteObject(raw);
}

TEST_F(SelectionTest, StockObjectSelectionReleasesTheObjectItReplaces)
{
  HANDLE handle;
  {
    TBrush brush(OwnColor(7));
    handle = brush.GetHandle();
    Dc.SelectObject(brush);
  }
  Dc.SelectStockObject(GRAY_BRUSH);
  EXPECT_FALSE(IsLiveObject(handle));
  EXPECT_EQ(CurrentBrush(Dc), ::GetStockObject(GRAY_BRUSH));
}

TEST_F(SelectionTest, BareHdcWrapperRestoresButKeepsTheDc)
{
  HDC raw = ::CreateCompatibleDC(nullptr);
  HGDIOBJ original = CurrentBrush(raw);
  HANDLE handle;
  {
    TDC dc(raw);
    TBrush brush(OwnColor(8));
    handle = brush.GetHandle();
    dc.SelectObject(brush);
  }
  EXPECT_EQ(CurrentBrush(raw), original);
  EXPECT_FALSE(IsLiveObject(handle));
  EXPECT_EQ(::GetObjectType(raw), static_cast<DWORD>(OBJ_MEMDC));
  ::DeleteDC(raw);
}

TEST(GdiObjects, CopiesAreIndependentObjectsWithTheSameContent)
{
  TBrush brush(OwnColor(9));
  TBrush brushCopy(brush);
  LOGBRUSH logBrush{};
  ASSERT_TRUE(brushCopy.GetObject(logBrush));
  EXPECT_EQ(logBrush.lbColor, OwnColor(9));
  EXPECT_NE(brushCopy.GetHandle(), brush.GetHandle());

  TScreenDC screen;
  TBitmap bitmap(screen, 8, 4);
  {
    TMemoryDC dc;
    dc.SelectObject(bitmap);
    ::SetPixel(dc, 5, 2, RGB(255, 0, 0));
  }
  TBitmap bitmapCopy(bitmap);
  EXPECT_EQ(TGdiObject::RefCount(bitmapCopy.GetHandle()), 1);
  TMemoryDC dc;
  dc.SelectObject(bitmapCopy);
  EXPECT_EQ(::GetPixel(dc, 5, 2), RGB(255, 0, 0));

  TBitmap mask(16, 16, 1, 1, nullptr);
  TBitmap maskCopy(mask);
  EXPECT_EQ(maskCopy.BitsPixel(), 1) << "a monochrome bitmap copies as monochrome";

  PALETTEENTRY entries[3] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
  TPalette palette(entries, 3);
  TPalette paletteCopy(palette);
  PALETTEENTRY entry{};
  ASSERT_EQ(paletteCopy.GetNumEntries(), 3);
  ASSERT_TRUE(paletteCopy.GetPaletteEntry(2, entry));
  EXPECT_EQ(entry.peBlue, 9);
}

TEST(GdiObjects, PalettesNeedAColourTable)
{
  TPalette empty(static_cast<HPALETTE>(nullptr));
  EXPECT_EQ(GdiFailureId([&] { TPalette copy(empty); }), IDS_GDIALLOCFAIL);

  BITMAPINFO trueColor{};
  trueColor.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  trueColor.bmiHeader.biBitCount = 24;
  EXPECT_EQ(GdiFailureId([&] { TPalette palette(trueColor); }), IDS_GDIALLOCFAIL);

  TBitmap bitmap(CreateDibSection(4, 4, 24), AutoDelete);
  TDib dib(bitmap);
  ASSERT_EQ(dib.BitsPixel(), 24);
  const int objects = TGdiObject::TableSize();
  EXPECT_EQ(GdiFailureId([&] { TBitmap fromDib(dib); }), IDS_GDIALLOCFAIL);
  EXPECT_EQ(TGdiObject::TableSize(), objects) << "nothing registered by the failure";
}

TEST(GdiObjects, BitmapFromAPaletteDibKeepsItsColours)
{
  TDib dib(4, 2, 16);
  for (int i = 0; i < 16; ++i)
    dib.SetColor(i, RGB(i * 16, 0, 0));
  dib.SetColor(3, RGB(0, 255, 0));
  std::memset(dib.GetBits(), 0x33, dib.GetInfoHeader().biSizeImage);
  TBitmap bitmap(dib);
  TMemoryDC dc;
  dc.SelectObject(bitmap);
  EXPECT_EQ(::GetPixel(dc, 1, 1), RGB(0, 255, 0));
}

}  // namespace
