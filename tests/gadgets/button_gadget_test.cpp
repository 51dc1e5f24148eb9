#include "gadgets/buttongadget.h"
#include "gadgets/controlbar.h"
#include "gadgets/separatorgadget.h"
#include "graphics/celarray.h"
#include "resources/resource.h"
#include "tests/gadgets/gadget_test_util.h"

#include <gtest/gtest.h>

namespace {

// A control bar with the play and stop buttons, enabled by the frame.
class ButtonGadgetTest : public testing::Test {
protected:
  void SetUp() override
  {
    Frame.Enabled = {{CM_PLAY, true}, {CM_STOP, true}};
    Bar = new TControlBar(&Frame);
    Play = new TButtonGadget(CM_PLAY, CM_PLAY);
    Stop = new TButtonGadget(CM_STOP, CM_STOP);
    Bar->Insert(*Play);
    Bar->Insert(*Stop);
    Frame.Insert(*Bar);
    Frame.Create();
    Frame.IdleAction(0);
    PumpMessages(App);
  }

  TPoint Outside() const { return TPoint(Stop->GetBounds().right + 30, 2); }

  // Pixel (x, y) of a cel of the play button.
  COLORREF CelPixel(TButtonGadget::TCel cel, int x, int y) const
  {
    TMemoryDC dc;
    dc.SelectObject(*Play->GetCels()->GetBitmap());
    const TPoint origin = Play->GetCels()->CelOrigin(cel);
    return ::GetPixel(dc, origin.x + x, origin.y + y);
  }

  TTestApp App;
  TGadgetTestFrame Frame;
  TControlBar* Bar = nullptr;
  TButtonGadget* Play = nullptr;
  TButtonGadget* Stop = nullptr;
};

TEST_F(ButtonGadgetTest, OnlyAReleaseInsideTheButtonSendsItsCommand)
{
  const TPoint in = CentreOf(*Play);
  // Press, drag out, release: nothing, and the button is up again.
  SendMouse(*Bar, WM_LBUTTONDOWN, in, MK_LBUTTON);
  EXPECT_TRUE(Play->IsPressed());
  SendMouse(*Bar, WM_MOUSEMOVE, Outside(), MK_LBUTTON);
  EXPECT_FALSE(Play->IsPressed());
  SendMouse(*Bar, WM_LBUTTONUP, Outside());
  PumpMessages(App);
  EXPECT_TRUE(Frame.Commands.empty());
  EXPECT_EQ(Bar->GetCapture(), nullptr);

  // Press, drag out and back in, release: one command.
  SendMouse(*Bar, WM_LBUTTONDOWN, in, MK_LBUTTON);
  SendMouse(*Bar, WM_MOUSEMOVE, Outside(), MK_LBUTTON);
  SendMouse(*Bar, WM_MOUSEMOVE, in, MK_LBUTTON);
  SendMouse(*Bar, WM_LBUTTONUP, in);
  PumpMessages(App);
  EXPECT_EQ(Frame.Commands, std::vector<unsigned>{CM_PLAY});

  // A double click is two presses.
  Frame.Commands.clear();
  SendMouse(*Bar, WM_LBUTTONDOWN, in, MK_LBUTTON);
  SendMouse(*Bar, WM_LBUTTONUP, in);
  SendMouse(*Bar, WM_LBUTTONDBLCLK, in, MK_LBUTTON);
  SendMouse(*Bar, WM_LBUTTONUP, in);
  PumpMessages(App);
  EXPECT_EQ(Frame.Commands, (std::vector<unsigned>{CM_PLAY, CM_PLAY}));
}

TEST_F(ButtonGadgetTest, ButtonDisabledByTheEnablingPassDuringAPressSendsNothing)
{
  SendMouse(*Bar, WM_LBUTTONDOWN, CentreOf(*Stop), MK_LBUTTON);
  Frame.Enabled[CM_STOP] = false;
  Frame.IdleAction(0);
  EXPECT_FALSE(Stop->IsEnabled());
  SendMouse(*Bar, WM_LBUTTONUP, CentreOf(*Stop));
  PumpMessages(App);
  EXPECT_TRUE(Frame.Commands.empty());
  // And a disabled button takes no press at all.
  SendMouse(*Bar, WM_LBUTTONDOWN, CentreOf(*Stop), MK_LBUTTON);
  EXPECT_FALSE(Stop->IsPressed());
  EXPECT_EQ(Bar->GetCapture(), nullptr);
}

TEST_F(ButtonGadgetTest, PressEndsWhenAnotherWindowTakesTheMouse)
{
  SendMouse(*Bar, WM_LBUTTONDOWN, CentreOf(*Play), MK_LBUTTON);
  ::SetCapture(Frame.GetHandle());
  EXPECT_FALSE(Play->IsPressed());
  EXPECT_EQ(Bar->GetCapture(), nullptr);
  ::ReleaseCapture();
  SendMouse(*Bar, WM_LBUTTONUP, CentreOf(*Play));
  PumpMessages(App);
  EXPECT_TRUE(Frame.Commands.empty());
}

TEST(RadioButtonTest, OneButtonIsDownInEachRunOfRadioButtons)
{
  TTestApp app;
  TGadgetTestFrame frame;
  auto* bar = new TControlBar(&frame);
  TButtonGadget* buttons[4];
  const int glyphs[4] = {CM_FIRSTFRAME, CM_PREVFRAME, CM_NEXTFRAME, CM_LASTFRAME};
  for (int i = 0; i < 4; ++i) {
    buttons[i] = new TButtonGadget(glyphs[i], glyphs[i],
                                   i < 3 ? TButtonGadget::RadioButton : TButtonGadget::ToggleButton, true);
    if (i == 2)
      bar->Insert(*new TSeparatorGadget(6));  // ends the first run
    bar->Insert(*buttons[i]);
  }
  frame.Insert(*bar);
  frame.Create();
  auto click = [&](TButtonGadget* button) {
    SendMouse(*bar, WM_LBUTTONDOWN, CentreOf(*button), MK_LBUTTON);
    SendMouse(*bar, WM_LBUTTONUP, CentreOf(*button));
  };
  click(buttons[0]);
  buttons[2]->SetState(TButtonGadget::StateDown);
  click(buttons[1]);
  EXPECT_EQ(buttons[0]->GetState(), TButtonGadget::StateUp);
  EXPECT_EQ(buttons[1]->GetState(), TButtonGadget::StateDown);
  EXPECT_EQ(buttons[2]->GetState(), TButtonGadget::StateDown);
  // A toggle in the indeterminate state comes up when clicked.
  buttons[3]->SetState(TButtonGadget::StateMixed);
  click(buttons[3]);
  EXPECT_EQ(buttons[3]->GetState(), TButtonGadget::StateUp);
  PumpMessages(app);
  EXPECT_EQ(frame.Commands, (std::vector<unsigned>{CM_FIRSTFRAME, CM_PREVFRAME, CM_LASTFRAME}));
}

// Pixels named from resources/bitmaps/play.txt: (0, 0) is face, (6, 14) is the
// black outline, (7, 15) is face just below and right of the outline, (8, 8)
// is the green fill.
TEST_F(ButtonGadgetTest, CelsShowTheGlyphNormalDisabledIndeterminateAndLatched)
{
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE), shadow = ::GetSysColor(COLOR_BTNSHADOW);
  const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT), text = ::GetSysColor(COLOR_BTNTEXT);
  const COLORREF green = RGB(0, 255, 0);
  EXPECT_EQ(CelPixel(TButtonGadget::CelNormal, 0, 0), face);
  EXPECT_EQ(CelPixel(TButtonGadget::CelNormal, 6, 14), text);
  EXPECT_EQ(CelPixel(TButtonGadget::CelNormal, 8, 8), green);
  // Disabled: dark pixels engraved in shadow with a highlight copy down-right.
  EXPECT_EQ(CelPixel(TButtonGadget::CelDisabled, 0, 0), face);
  EXPECT_EQ(CelPixel(TButtonGadget::CelDisabled, 6, 14), shadow);
  EXPECT_EQ(CelPixel(TButtonGadget::CelDisabled, 8, 8), shadow);
  EXPECT_EQ(CelPixel(TButtonGadget::CelDisabled, 7, 15), light);
  // Indeterminate: dark pixels in shadow on the dither.
  EXPECT_EQ(CelPixel(TButtonGadget::CelMixed, 0, 0), light);
  EXPECT_EQ(CelPixel(TButtonGadget::CelMixed, 6, 14), shadow);
  // Latched: the glyph on the dither instead of the face.
  EXPECT_EQ(CelPixel(TButtonGadget::CelLatched, 0, 0), light);
  EXPECT_EQ(CelPixel(TButtonGadget::CelLatched, 6, 14), text);
  EXPECT_EQ(CelPixel(TButtonGadget::CelLatched, 8, 8), green);
}

TEST_F(ButtonGadgetTest, CheckFromTheEnablingPassShowsTheLatchedCelSunk)
{
  Frame.Checks[CM_PLAY] = TCommandEnabler::Checked;
  Frame.IdleAction(0);
  EXPECT_EQ(Play->GetState(), TButtonGadget::StateDown);
  EXPECT_FALSE(Play->IsPressed());
  TBarPicture picture(*Bar);
  // A 25 x 25 button shows its glyph at (2, 2), one pixel further when down.
  const TPoint glyph(Play->GetBounds().left + 3, Play->GetBounds().top + 3);
  for (const TPoint& p : {TPoint(0, 0), TPoint(6, 14), TPoint(8, 8), TPoint(19, 19)})
    EXPECT_EQ(picture.At(glyph.x + p.x, glyph.y + p.y), CelPixel(TButtonGadget::CelLatched, p.x, p.y))
      << p.x << "," << p.y;
  // The sunken bevel: shadow along the top inside the frame.
  EXPECT_EQ(picture.At(Play->GetBounds().left + 5, Play->GetBounds().top + 1), ::GetSysColor(COLOR_BTNSHADOW));
}

// Changes one system colour for the scope of a test.
class TSysColorOverride {
public:
  TSysColorOverride(int element, COLORREF color) : Element(element), Saved(::GetSysColor(element))
  {
    ::SetSysColors(1, &Element, &color);
  }
  ~TSysColorOverride() { ::SetSysColors(1, &Element, &Saved); }

private:
  int Element;
  COLORREF Saved;
};

TEST_F(ButtonGadgetTest, SystemColourChangeRebuildsTheCelsInTheNewColours)
{
  const COLORREF newFace = RGB(0xD0, 0xE0, 0xB0), newShadow = RGB(0x40, 0x50, 0x60);
  TSysColorOverride face(COLOR_BTNFACE, newFace);
  TSysColorOverride shadow(COLOR_BTNSHADOW, newShadow);
  Bar->HandleMessage(WM_SYSCOLORCHANGE);
  EXPECT_EQ(CelPixel(TButtonGadget::CelNormal, 0, 0), newFace);
  EXPECT_EQ(CelPixel(TButtonGadget::CelDisabled, 0, 0), newFace);
  EXPECT_EQ(CelPixel(TButtonGadget::CelDisabled, 6, 14), newShadow);
  EXPECT_EQ(CelPixel(TButtonGadget::CelMixed, 6, 14), newShadow);
  TBarPicture picture(*Bar);
  EXPECT_EQ(picture.At(Play->GetBounds().left + 12, Play->GetBounds().top + 3), newFace);
}

}  // namespace
