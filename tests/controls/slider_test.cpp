#include "controls/hslider.h"
#include "graphics/dc.h"
#include "resources/resource.h"
#include "tests/support/testapp.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

enum { SliderId = 100 };
const COLORREF BarFace = RGB(0, 128, 128);

// A window that passes its sliders' scroll messages on, as every window does,
// logging each notification as the slider reported it, and that gives its
// controls a background colour of its own.
using TNotices = std::vector<std::pair<unsigned, unsigned>>;  // scroll code, position

class TSliderHost : public TWindow {
public:
  TSliderHost() : TWindow(nullptr, "Slider host")
  {
    Attributes.Style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN;
    Attributes.W = 200;
    Attributes.H = 100;
  }

  TNotices Notices;

protected:
  void EvHScroll(unsigned code, unsigned position, HWND control)
  {
    Notices.push_back({code, position});
    TWindow::EvHScroll(code, position, control);
  }
  HBRUSH EvCtlColor(HDC dc, HWND, unsigned)
  {
    ::SetBkColor(dc, BarFace);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
  }
  DECLARE_RESPONSE_TABLE(TSliderHost);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TSliderHost, TWindow)
  EV_WM_HSCROLL,
  EV_WM_CTLCOLOR,
END_RESPONSE_TABLE;
// clang-format on

class SliderTest : public testing::Test {
protected:
  void SetUp() override
  {
    Host.Create();
    ::UpdateWindow(Host);
  }

  THSlider* MakeSlider(int tickStep, int position)
  {
    auto* slider = new THSlider(&Host, SliderId, 10, 10, 150, 32, IDB_SLIDERTHUMB);
    slider->Create();
    slider->SetRange(0, 100);
    slider->TickStep = tickStep;
    slider->SetPosition(position);
    PumpMessages(App);
    ::UpdateWindow(*slider);
    Host.Notices.clear();
    return slider;
  }

  static void Mouse(THSlider& slider, UINT msg, int x, int y, bool held)
  {
    ::SendMessageA(slider, msg, held ? MK_LBUTTON : 0, MAKELPARAM(x, y));
  }
  static void Press(THSlider& s, int x, int y) { Mouse(s, WM_LBUTTONDOWN, x, y, true); }
  static void Drag(THSlider& s, int x, int y) { Mouse(s, WM_MOUSEMOVE, x, y, true); }
  static void Release(THSlider& s, int x, int y) { Mouse(s, WM_LBUTTONUP, x, y, false); }

  static COLORREF PixelAt(const THSlider& slider, int x, int y)
  {
    TClientDC dc(slider);
    return ::GetPixel(dc, x, y);
  }
  // Column 0 of the thumb is highlight at rest and dark when held or disabled
  // (the caret, when shown, stays clear of it).
  static COLORREF ThumbEdge(const THSlider& slider) { return PixelAt(slider, slider.GetThumbRect().left, 8); }

  TTestApp App;
  TSliderHost Host;
  const COLORREF AtRest = ::GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF Held = ::GetSysColor(COLOR_BTNTEXT);
};

TEST_F(SliderTest, ClicksBesideAndBelowTheThumbMoveByPagesAndToTheClick)
{
  THSlider& slider = *MakeSlider(10, 50);
  ASSERT_EQ(slider.GetThumbRect().left, 70);

  Press(slider, 20, 10);
  EXPECT_EQ(slider.GetPosition(), 40);
  Release(slider, 20, 10);
  Press(slider, 140, 10);
  EXPECT_EQ(slider.GetPosition(), 50);
  ASSERT_EQ(Host.Notices.size(), 3u);
  EXPECT_EQ(Host.Notices[0], TNotices::value_type(SB_PAGEUP, 0));
  EXPECT_EQ(Host.Notices[1].first, SB_ENDSCROLL);
  EXPECT_EQ(Host.Notices[2], TNotices::value_type(SB_PAGEDOWN, 0));
  Release(slider, 140, 10);

  // Below the thumb row the thumb jumps to put its left edge at the click.
  Host.Notices.clear();
  Press(slider, 100, 26);
  EXPECT_EQ(slider.GetPosition(), 70);
  EXPECT_EQ(Host.Notices, (TNotices{{SB_THUMBPOSITION, 70}}));
}

TEST_F(SliderTest, DraggingTheThumbTracksTheMouseAndReportsWhereItWasLetGo)
{
  THSlider& slider = *MakeSlider(1, 0);
  Press(slider, 4, 10);
  EXPECT_TRUE(slider.IsDragging());
  EXPECT_EQ(::GetCapture(), slider.GetHandle());
  EXPECT_EQ(ThumbEdge(slider), Held);

  Drag(slider, 4 + 70, 10);
  EXPECT_EQ(slider.GetPosition(), 50);
  EXPECT_EQ(slider.GetThumbRect().left, 70);
  EXPECT_EQ(ThumbEdge(slider), Held);
  Drag(slider, 4 + 35, 30);
  EXPECT_EQ(slider.GetPosition(), 25);
  Release(slider, 4 + 200, 10);

  EXPECT_FALSE(slider.IsDragging());
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(slider.GetPosition(), 100);
  EXPECT_EQ(slider.GetThumbRect().left, 141);
  EXPECT_EQ(ThumbEdge(slider), AtRest);
  EXPECT_EQ(Host.Notices, (TNotices{{TSlider::ThumbGrabbed, 0},
                                    {SB_THUMBTRACK, 0},
                                    {SB_THUMBTRACK, 50},
                                    {SB_THUMBTRACK, 25},
                                    {SB_THUMBPOSITION, 100},
                                    {SB_ENDSCROLL, 100}}));
}

TEST_F(SliderTest, WhereAPixelHoldsSeveralPositionsTheThumbLetGoWhereItWasGrabbedKeepsItsOwn)
{
  THSlider& slider = *MakeSlider(1, 0);
  slider.SetRange(0, 1000);
  slider.SetPosition(503);  // on pixel 70, which stands for positions 497 to 503
  ASSERT_EQ(slider.GetThumbRect().left, 70);

  Press(slider, 70 + 4, 10);
  Release(slider, 70 + 4, 10);
  EXPECT_EQ(slider.GetPosition(), 503);

  Press(slider, 70 + 4, 10);
  Drag(slider, 70 + 4 + 30, 10);
  const unsigned away = static_cast<unsigned>(slider.GetPosition());
  EXPECT_GT(away, 503u);
  Drag(slider, 70 + 4, 10);
  Release(slider, 70 + 4, 10);
  EXPECT_EQ(slider.GetPosition(), 503);
  EXPECT_EQ(Host.Notices, (TNotices{{TSlider::ThumbGrabbed, 503},
                                    {SB_THUMBTRACK, 503},
                                    {SB_THUMBPOSITION, 503},
                                    {SB_ENDSCROLL, 503},
                                    {TSlider::ThumbGrabbed, 503},
                                    {SB_THUMBTRACK, 503},
                                    {SB_THUMBTRACK, away},
                                    {SB_THUMBTRACK, 503},
                                    {SB_THUMBPOSITION, 503},
                                    {SB_ENDSCROLL, 503}}));
}

TEST_F(SliderTest, EveryPositionOfARangeBeyondSixteenBitsIsReachedByMouseAndKeys)
{
  // Ten million frames: the notifications carry only 16 bits of a position.
  const int last = 10000000;
  THSlider& slider = *MakeSlider(1, 0);
  slider.SetRange(0, last);
  Press(slider, 4, 10);
  Drag(slider, 4 + 70, 10);
  EXPECT_EQ(slider.GetPosition(), slider.PositionAt(TPoint(70, 0)));
  EXPECT_GT(slider.GetPosition(), 0xFFFF);
  Release(slider, 4 + 200, 10);
  EXPECT_EQ(slider.GetPosition(), last);
  EXPECT_EQ(slider.GetThumbRect().left, 141);

  Press(slider, 100, 26);  // on the ruler
  EXPECT_EQ(slider.GetPosition(), slider.PositionAt(TPoint(100, 0)));
  Release(slider, 100, 26);
  slider.SetPosition(0xFFFF);
  ::SendMessageA(slider, WM_KEYDOWN, VK_RIGHT, 2);
  EXPECT_EQ(slider.GetPosition(), 0x10001);
  ::SendMessageA(slider, WM_KEYDOWN, VK_NEXT, 1);
  EXPECT_EQ(slider.GetPosition(), 0x1000B);
  ::SendMessageA(slider, WM_KEYDOWN, VK_END, 1);
  EXPECT_EQ(slider.GetPosition(), last);
}

TEST_F(SliderTest, AMoveThatFindsTheButtonReleasedEndsTheDrag)
{
  THSlider& slider = *MakeSlider(1, 0);
  Press(slider, 4, 10);
  Mouse(slider, WM_MOUSEMOVE, 4 + 70, 10, false);
  EXPECT_FALSE(slider.IsDragging());
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(slider.GetPosition(), 50);
  Mouse(slider, WM_MOUSEMOVE, 4 + 100, 10, true);
  EXPECT_EQ(slider.GetPosition(), 50);
  EXPECT_EQ(Host.Notices,
            (TNotices{{TSlider::ThumbGrabbed, 0}, {SB_THUMBTRACK, 0}, {SB_THUMBPOSITION, 50}, {SB_ENDSCROLL, 50}}));
}

TEST_F(SliderTest, KeysMoveByTheirRepeatCountAndEndOnceOnlyForTheNavigationKeys)
{
  THSlider& slider = *MakeSlider(1, 10);
  EXPECT_EQ(::SendMessageA(slider, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);

  ::SendMessageA(slider, WM_KEYDOWN, VK_RIGHT, 3);
  EXPECT_EQ(slider.GetPosition(), 13);
  EXPECT_EQ(Host.Notices, (TNotices{{SB_LINEDOWN, 10}, {SB_LINEDOWN, 11}, {SB_LINEDOWN, 12}, {SB_ENDSCROLL, 13}}));

  Host.Notices.clear();
  for (WPARAM key : {WPARAM(VK_SPACE), WPARAM(VK_SELECT), WPARAM('A'), WPARAM(VK_INSERT)})
    ::SendMessageA(slider, WM_KEYDOWN, key, 1);
  EXPECT_TRUE(Host.Notices.empty());
  EXPECT_EQ(slider.GetPosition(), 13);

  const std::pair<WPARAM, int> keys[] = {{VK_NEXT, 23}, {VK_HOME, 0}, {VK_END, 100}, {VK_PRIOR, 90}, {VK_UP, 89}};
  for (const auto& [key, position] : keys) {
    ::SendMessageA(slider, WM_KEYDOWN, key, 1);
    EXPECT_EQ(slider.GetPosition(), position) << key;
  }
}

TEST_F(SliderTest, MovingTheThumbRepaintsOnlyItsOldAndNewPlaces)
{
  THSlider& slider = *MakeSlider(10, 0);
  // The parent's background shows around the slot and through the thumb's
  // yellow corners.
  EXPECT_EQ(PixelAt(slider, 60, 0), BarFace);
  EXPECT_EQ(PixelAt(slider, 0, 19), BarFace);
  EXPECT_EQ(ThumbEdge(slider), AtRest);

  const COLORREF marker = RGB(255, 0, 255);
  {
    TClientDC dc(slider);
    ::SetPixel(dc, 120, 10, marker);
    ::SetPixel(dc, 30, 0, marker);
  }
  slider.SetPosition(50);
  EXPECT_FALSE(::GetUpdateRect(slider, nullptr, FALSE));
  EXPECT_EQ(PixelAt(slider, 120, 10), marker);
  EXPECT_EQ(PixelAt(slider, 30, 0), marker);
  EXPECT_EQ(ThumbEdge(slider), AtRest);
  EXPECT_EQ(PixelAt(slider, 0, 8), BarFace);  // the uncovered end of the slot
}

TEST_F(SliderTest, ADisabledSliderDrawsTheHeldHalfOfTheThumb)
{
  THSlider& slider = *MakeSlider(10, 30);
  ::EnableWindow(slider, FALSE);
  ::UpdateWindow(slider);
  EXPECT_EQ(ThumbEdge(slider), Held);
  ::EnableWindow(slider, TRUE);
  ::UpdateWindow(slider);
  EXPECT_EQ(ThumbEdge(slider), AtRest);
}

TEST_F(SliderTest, ASliderDestroyedWhileDraggedLetsGoOfTheMouseAndTheDrag)
{
  for (bool windowFirst : {true, false}) {
    THSlider* slider = MakeSlider(1, 0);
    Press(*slider, 4, 10);
    ASSERT_EQ(::GetCapture(), slider->GetHandle());
    if (windowFirst)
      ::DestroyWindow(*slider);
    delete slider;
    EXPECT_EQ(::GetCapture(), nullptr) << windowFirst;
  }
  // The next slider can be dragged.
  THSlider& slider = *MakeSlider(1, 0);
  Press(slider, 4, 10);
  EXPECT_TRUE(slider.IsDragging());
  Release(slider, 4, 10);
}

}  // namespace
