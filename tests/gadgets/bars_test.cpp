#include "gadgets/statusbar.h"
#include "gadgets/textgadget.h"
#include "tests/gadgets/gadget_test_util.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusBarTest, IndicatorsAreFoundBehindThePanesInBitOrder)
{
  TTestApp app;
  TGadgetTestFrame frame;
  auto* status = new TStatusBar(&frame, SunkenBorder,
                                TStatusBar::IndCaps | TStatusBar::IndScroll | TStatusBar::IndOvertype);
  auto* pane = new TTextGadget(7, RaisedBorder, AlignLeft, 5, "pane");
  status->Insert(*pane);
  EXPECT_EQ(status->GadgetWithIndex(1), pane);  // in front of the indicators
  EXPECT_EQ(pane->GetBorderStyle(), SunkenBorder);

  const TStatusBar::TIndicator caps = status->FindIndicator(TStatusBar::IndCaps);
  EXPECT_EQ(caps.Pane, status->GadgetWithIndex(2));
  EXPECT_STREQ(caps.OnText, "CAPS");
  EXPECT_EQ(status->FindIndicator(TStatusBar::IndScroll).Pane, status->GadgetWithIndex(3));
  EXPECT_EQ(status->FindIndicator(TStatusBar::IndOvertype).Pane, status->GadgetWithIndex(4));
  EXPECT_STREQ(status->FindIndicator(TStatusBar::IndOvertype).OnText, "OVR");
  EXPECT_EQ(status->FindIndicator(TStatusBar::IndNum).Pane, nullptr);

  ASSERT_NE(status->FindIndicator(TStatusBar::IndOvertype).Pane, nullptr);
  status->SetIndicator(TStatusBar::IndOvertype, true);
  EXPECT_STREQ(status->FindIndicator(TStatusBar::IndOvertype).Pane->GetText(), "OVR");
  status->SetIndicator(TStatusBar::IndOvertype, false);
  EXPECT_STREQ(status->FindIndicator(TStatusBar::IndOvertype).Pane->GetText(), "   ");
}

// Flips the thread's Caps Lock toggle for the scope of a test, as if the key
// had been pressed while another program had the keyboard.
class TCapsLockFlip {
public:
  TCapsLockFlip() { Flip(); }
  ~TCapsLockFlip() { Flip(); }

private:
  static void Flip()
  {
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_CAPITAL] ^= 1;
    ::SetKeyboardState(keys);
  }
};

TEST(StatusBarTest, CapsLockIndicatorCatchesUpAtIdleTime)
{
  TTestApp app;
  TGadgetTestFrame frame;
  auto* status = new TStatusBar(&frame, SunkenBorder, TStatusBar::IndCaps);
  frame.Insert(*status, TDecorationLocation::Bottom);
  frame.Create();
  frame.IdleAction(0);
  const bool before = (status->GetIndicatorState() & TStatusBar::IndCaps) != 0;
  EXPECT_EQ(before, (::GetKeyState(VK_CAPITAL) & 1) != 0);
  {
    TCapsLockFlip flip;
    frame.IdleAction(0);
    EXPECT_EQ((status->GetIndicatorState() & TStatusBar::IndCaps) != 0, !before);
    ASSERT_NE(status->FindIndicator(TStatusBar::IndCaps).Pane, nullptr);
    EXPECT_STREQ(status->FindIndicator(TStatusBar::IndCaps).Pane->GetText(), before ? "    " : "CAPS");
  }
  frame.IdleAction(0);
  EXPECT_EQ((status->GetIndicatorState() & TStatusBar::IndCaps) != 0, before);
}

TEST(StatusBarTest, ModeStringsSplitOnlyAtSingleByteBars)
{
  // The second byte of "ポ" is the same byte as '|'.
  const TModeStrings strings("ポ|A||B");
  ASSERT_EQ(strings.Count(), 4);
  EXPECT_STREQ(strings[0], "ポ");
  EXPECT_STREQ(strings[1], "A");
  EXPECT_STREQ(strings[2], "");
  EXPECT_STREQ(strings[3], "B");
}

TEST(MessageBarTest, HintCoversThePanesAndClearingItShowsTheTextAgain)
{
  TTestApp app;
  TGadgetTestFrame frame;
  auto* bar = new TMessageBar(&frame);
  frame.Insert(*bar, TDecorationLocation::Bottom);
  frame.Create();
  bar->SetText("message");
  bar->SetHint("hint");
  EXPECT_STREQ(bar->GetHint(), "hint");
  bar->SetHint(nullptr);
  EXPECT_EQ(bar->GetHint(), nullptr);
  EXPECT_STREQ(static_cast<TTextGadget*>(bar->FirstGadget())->GetText(), "message");
  // The frame finds its message bar by id.
  EXPECT_EQ(frame.ChildWithId(TDecoratedFrame::MessageBarId), bar);
}

}  // namespace
