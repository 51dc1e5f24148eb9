#include "graphics/bitmap.h"
#include "graphics/brush.h"
#include "graphics/dc.h"
#include "graphics/font.h"
#include "graphics/palette.h"
#include "tests/graphics/gdi_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

// A static object of the program that draws during static initialisation and
// at exit, on either side of the application's lifetime.
struct TStaticDrawer {
  bool GotCachedDc = false;
  TStaticDrawer()
  {
    TMemoryDC dc;
    GotCachedDc = !dc.GetOwnsHandle();
  }
  ~TStaticDrawer()
  {
    TMemoryDC dc;
    TBrush white(RGB(255, 255, 255));
    dc.SelectObject(white);
  }
} StaticDrawer;

TEST(MemoryDc, CacheIsReadyBeforeMain)
{
  EXPECT_TRUE(StaticDrawer.GotCachedDc);
  EXPECT_NE(TBrush::StockBrushFor(RGB(0x80, 0x80, 0x80)), nullptr);
}

TEST(MemoryDc, TwoComeFromTheCacheAndAThirdIsMadeAndDeleted)
{
  ASSERT_EQ(TMemoryDC::CachedDCsInUse(), 0);
  HDC first, second, third;
  {
    TMemoryDC a, b, c;
    first = a;
    second = b;
    third = c;
    EXPECT_EQ(TMemoryDC::CachedDCsInUse(), 2);
    EXPECT_FALSE(a.GetOwnsHandle());
    EXPECT_FALSE(b.GetOwnsHandle());
    EXPECT_TRUE(c.GetOwnsHandle());
  }
  EXPECT_EQ(TMemoryDC::CachedDCsInUse(), 0);
  EXPECT_TRUE(IsLiveObject(first));
  EXPECT_TRUE(IsLiveObject(second));
  EXPECT_FALSE(IsLiveObject(third));

  TMemoryDC again;
  EXPECT_EQ(again.GetHDC(), first) << "the cache hands out its first free DC";
}

TEST(MemoryDc, GoesBackToTheCacheWithItsOriginalObjects)
{
  HDC cached;
  HGDIOBJ originalBitmap, originalFont;
  {
    TMemoryDC probe;
    cached = probe;
    originalBitmap = ::GetCurrentObject(probe, OBJ_BITMAP);
    originalFont = ::GetCurrentObject(probe, OBJ_FONT);
  }
  HANDLE bitmapHandle;
  {
    TMemoryDC dc;
    ASSERT_EQ(dc.GetHDC(), cached);
    TBitmap bitmap(8, 8, 1, 1, nullptr);
    TFont font("Arial", 12);
    bitmapHandle = bitmap.GetHandle();
    dc.SelectObject(bitmap);
    dc.SelectObject(font);
  }
  EXPECT_EQ(::GetCurrentObject(cached, OBJ_BITMAP), originalBitmap);
  EXPECT_EQ(::GetCurrentObject(cached, OBJ_FONT), originalFont);
  EXPECT_FALSE(IsLiveObject(bitmapHandle));
}

TEST(MemoryDc, CompatibleWithAnotherDcIsAlwaysItsOwn)
{
  TScreenDC screen;
  HDC made;
  {
    TMemoryDC dc(screen);
    made = dc;
    EXPECT_TRUE(dc.GetOwnsHandle());
    EXPECT_EQ(TMemoryDC::CachedDCsInUse(), 0);
  }
  EXPECT_FALSE(IsLiveObject(made));
}

TEST(PatFrame, StripsCoverTheBorderExactlyOnce)
{
  const auto strips = TDC::FrameStrips(TRect(0, 0, 10, 6), 1, 1);
  EXPECT_EQ(strips[0], TRect(0, 0, 1, 5));
  EXPECT_EQ(strips[1], TRect(1, 0, 10, 1));
  EXPECT_EQ(strips[2], TRect(0, 5, 9, 6));
  EXPECT_EQ(strips[3], TRect(9, 1, 10, 6));

  // Thicker sides on an offset rectangle: every border pixel once, no inner pixel.
  const TRect rect(3, 2, 20, 14);
  std::vector<int> painted(24 * 16, 0);
  for (const TRect& strip : TDC::FrameStrips(rect, 3, 2))
    for (int y = strip.top; y < strip.bottom; ++y)
      for (int x = strip.left; x < strip.right; ++x)
        ++painted[y * 24 + x];
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x) {
      const bool inRect = rect.Contains(TPoint(x, y));
      const bool inInner = TRect(6, 4, 17, 12).Contains(TPoint(x, y));
      EXPECT_EQ(painted[y * 24 + x], inRect && !inInner ? 1 : 0) << x << "," << y;
    }
}

TEST(PatFrame, PaintsTheBorderAndRestoresTheBrush)
{
  TScreenDC screen;
  TBitmap bitmap(screen, 12, 8);
  TMemoryDC dc;
  dc.SelectObject(bitmap);
  ::PatBlt(dc, 0, 0, 12, 8, WHITENESS);
  HGDIOBJ before = ::GetCurrentObject(dc, OBJ_BRUSH);
  TBrush red(RGB(255, 0, 0));
  dc.PatFrame(red, TRect(1, 1, 11, 7), 1, 1);
  EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), before);
  EXPECT_EQ(TGdiObject::RefCount(red.GetHandle()), 1);
  EXPECT_EQ(::GetPixel(dc, 1, 1), RGB(255, 0, 0));
  EXPECT_EQ(::GetPixel(dc, 10, 6), RGB(255, 0, 0));
  EXPECT_EQ(::GetPixel(dc, 5, 1), RGB(255, 0, 0));
  EXPECT_EQ(::GetPixel(dc, 2, 2), RGB(255, 255, 255));
  EXPECT_EQ(::GetPixel(dc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(::GetPixel(dc, 11, 7), RGB(255, 255, 255));
}

// A plain top-level window for the window DC kinds.
class WindowDcTest : public testing::Test {
protected:
  void SetUp() override
  {
    Window = ::CreateWindowExA(0, "STATIC", "dc test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 120, nullptr,
                               nullptr, nullptr, nullptr);
    ASSERT_NE(Window, nullptr);
  }
  void TearDown() override { ::DestroyWindow(Window); }
  HWND Window = nullptr;
};

TEST_F(WindowDcTest, WindowKindsAcquireAndGiveBack)
{
  {
    TClientDC client(Window);
    TWindowDC whole(Window);
    TDesktopDC desktop;
    EXPECT_EQ(::WindowFromDC(client), Window);
    EXPECT_EQ(::WindowFromDC(whole), Window);
    EXPECT_NE(desktop.GetHDC(), nullptr);
    TBrush brush(RGB(1, 99, 7));
    client.SelectObject(brush);
    EXPECT_EQ(TGdiObject::RefCount(brush.GetHandle()), 2);
  }
  EXPECT_EQ(TGdiObject::TableSize(), 0) << "the brush went with the client DC";

  ::InvalidateRect(Window, nullptr, TRUE);
  {
    TPaintDC paint(Window);
    EXPECT_EQ(paint.Ps.hdc, paint.GetHDC());
    EXPECT_EQ(paint.Ps.rcPaint.right, [&] {
      RECT r;
      ::GetClientRect(Window, &r);
      return r.right;
    }());
  }
  EXPECT_FALSE(::GetUpdateRect(Window, nullptr, FALSE)) << "EndPaint validated the window";
}

TEST(RefusedDc, ThrowsAndAcquiresNothing)
{
  EXPECT_EQ(GdiFailureId([] { TCreatedDC dc("no such driver", nullptr, nullptr); }), IDS_GDIALLOCFAIL);
  EXPECT_EQ(GdiFailureId([] { TInfoContext ic("no such driver", nullptr, nullptr); }), IDS_GDIALLOCFAIL);
  EXPECT_EQ(GdiFailureId([] { TClientDC dc(reinterpret_cast<HWND>(0x7FFF0)); }), IDS_GDIALLOCFAIL);
}

TEST(ScreenDc, ReportsTheDisplayFormat)
{
  TScreenDC screen;
  EXPECT_EQ(screen.GetDeviceCaps(BITSPIXEL), 32);
  EXPECT_FALSE(screen.GetDeviceCaps(RASTERCAPS) & RC_PALETTE);

  TInfoContext info("DISPLAY", nullptr, nullptr);
  EXPECT_EQ(info.GetDeviceCaps(BITSPIXEL), 32);
}

TEST(DcState, SettersReturnThePreviousState)
{
  TMemoryDC dc;
  const int saved = dc.SaveDC();
  EXPECT_EQ(dc.SetMapMode(MM_ANISOTROPIC), MM_TEXT);
  EXPECT_EQ(dc.SetTextColor(RGB(1, 2, 3)), RGB(0, 0, 0));
  EXPECT_EQ(dc.SetBkColor(RGB(4, 5, 6)), RGB(255, 255, 255));
  TPoint oldOrigin;
  EXPECT_TRUE(dc.SetViewportOrg(TPoint(5, 6)));
  EXPECT_TRUE(dc.OffsetViewportOrg(TPoint(1, 1), &oldOrigin));
  EXPECT_EQ(oldOrigin, TPoint(5, 6));
  TSize oldExtent;
  EXPECT_TRUE(dc.SetWindowExt(TSize(10, 10)));
  EXPECT_TRUE(dc.SetViewportExt(TSize(20, 30)));
  EXPECT_TRUE(dc.ScaleViewportExt(1, 2, 1, 3, &oldExtent));
  EXPECT_EQ(oldExtent, TSize(20, 30));
  EXPECT_TRUE(dc.SetWindowOrg(TPoint(2, 3)));
  EXPECT_TRUE(dc.OffsetWindowOrg(TPoint(1, 1), &oldOrigin));
  EXPECT_EQ(oldOrigin, TPoint(2, 3));
  EXPECT_TRUE(dc.RestoreDC(saved));
  EXPECT_EQ(::GetMapMode(dc), MM_TEXT);
  EXPECT_EQ(::GetTextColor(dc), RGB(0, 0, 0));
}

TEST(DcText, DrawsIntoABitmap)
{
  TScreenDC screen;
  TBitmap bitmap(screen, 60, 20);
  TMemoryDC dc;
  dc.SelectObject(bitmap);
  ::PatBlt(dc, 0, 0, 60, 20, WHITENESS);
  TFont font("Arial", 16);
  dc.SelectObject(font);
  EXPECT_TRUE(dc.TextOut(0, 0, "Wg"));
  TSize extent;
  EXPECT_TRUE(dc.TabbedTextOut(TPoint(30, 0), "a\tb", -1, 0, nullptr, 30, extent));
  EXPECT_GT(extent.cx, 0);
  EXPECT_GT(extent.cy, 0);
  int dark = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x)
      dark += ::GetPixel(dc, x, y) != RGB(255, 255, 255);
  EXPECT_GT(dark, 0);
}

}  // namespace
