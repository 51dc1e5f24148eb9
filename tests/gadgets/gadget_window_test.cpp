#include "gadgets/buttongadget.h"
#include "gadgets/controlbar.h"
#include "gadgets/messagebar.h"
#include "gadgets/separatorgadget.h"
#include "gadgets/statusbar.h"
#include "gadgets/textgadget.h"
#include "resources/resource.h"
#include "tests/gadgets/gadget_test_util.h"

#include <gtest/gtest.h>

namespace {

// A fixed-size gadget that counts what the window asks of it.
class TCountingGadget : public TGadget {
public:
  explicit TCountingGadget(int width) : TGadget(0, FlatBorder)
  {
    SetFit(false, false);
    SetSize(TSize(width, 12));
  }
  void SetBounds(const TRect& bounds) override
  {
    ++BoundsSet;
    TGadget::SetBounds(bounds);
  }
  int BoundsSet = 0;
};

bool HasUpdateRegion(const TWindow& window)
{
  return ::GetUpdateRect(window.GetHandle(), nullptr, FALSE) != FALSE;
}

TEST(GadgetWindowTest, FillSpareTakesExactlyTheLeftoverWidthOnEveryResize)
{
  TTestApp app;
  TGadgetTestFrame frame;
  auto* bar = new TMessageBar(&frame);
  auto* fixed = new TCountingGadget(60);
  bar->Insert(*fixed);
  frame.Insert(*bar, TDecorationLocation::Bottom);
  frame.Create();
  TGadget* pane = bar->FirstGadget();
  for (int width : {480, 300, 200, 40}) {
    ::MoveWindow(frame.GetHandle(), 20, 20, width, 240, TRUE);
    PumpMessages(app);
    const TRect inner = bar->ContentRect();
    EXPECT_EQ(inner.Width(), bar->GetClientRect().Width()) << width;
    EXPECT_EQ(pane->GetBounds().Width(), std::max(0, inner.Width() - 60)) << width;
    EXPECT_EQ(fixed->GetBounds().left, pane->GetBounds().right) << width;
  }
}

TEST(GadgetWindowTest, UnchangedBoundsAreNeitherSetNorRepainted)
{
  TTestApp app;
  TGadgetTestFrame frame;
  auto* bar = new TControlBar(&frame);
  auto* first = new TCountingGadget(30);
  auto* second = new TCountingGadget(40);
  bar->Insert(*first);
  bar->Insert(*second);
  frame.Insert(*bar);
  frame.Create();
  PumpMessages(app);
  ::UpdateWindow(bar->GetHandle());
  first->BoundsSet = second->BoundsSet = 0;

  bar->Relayout();
  EXPECT_EQ(first->BoundsSet + second->BoundsSet, 0);
  EXPECT_FALSE(HasUpdateRegion(*bar));

  first->SetSize(TSize(50, 12));  // moves the second gadget, and both repaint
  EXPECT_EQ(first->BoundsSet, 0);
  EXPECT_EQ(second->BoundsSet, 1);
  RECT invalid{};
  ::GetUpdateRect(bar->GetHandle(), &invalid, FALSE);
  EXPECT_EQ(invalid.left, first->GetBounds().left);
  EXPECT_EQ(invalid.right, second->GetBounds().right);
}

TEST(GadgetWindowTest, AdjacentFlatButtonsShareAFrameLineButSeparatorsDoNot)
{
  TTestApp app;
  TGadgetTestFrame frame;
  auto* bar = new TControlBar(&frame);
  auto* a = new TCountingGadget(25);
  auto* b = new TCountingGadget(25);
  auto* gap = new TSeparatorGadget(6);
  auto* c = new TCountingGadget(25);
  for (TGadget* g : std::initializer_list<TGadget*>{a, b, gap, c})
    bar->Insert(*g);
  frame.Insert(*bar);
  frame.Create();
  const int bx = ::GetSystemMetrics(SM_CXBORDER);
  EXPECT_EQ(b->GetBounds().left, a->GetBounds().right - bx);
  EXPECT_EQ(gap->GetBounds().left, b->GetBounds().right);
  EXPECT_EQ(gap->GetBounds().Width(), 6 * bx);
  EXPECT_EQ(c->GetBounds().left, gap->GetBounds().right);
  // Insertion order rules: Before without a sibling goes first, After a
  // stranger appends.
  auto* front = new TCountingGadget(5);
  bar->Insert(*front, Before);
  TCountingGadget stranger(5);
  auto* back = new TCountingGadget(5);
  bar->Insert(*back, After, &stranger);
  EXPECT_EQ(bar->FirstGadget(), front);
  EXPECT_EQ(bar->GadgetWithIndex(bar->NumGadgets() - 1), back);
  EXPECT_EQ(bar->Remove(stranger), nullptr);
}

TEST(GadgetWindowTest, SunkenStatusBarWithoutIndicatorsWantsFontHeightPlusSixBordersAndTheTopLine)
{
  TTestApp app;
  TGadgetTestFrame frame;
  auto* status = new TStatusBar(&frame, SunkenBorder, 0);
  frame.Insert(*status, TDecorationLocation::Bottom);
  frame.Create();
  const int by = ::GetSystemMetrics(SM_CYBORDER);
  EXPECT_EQ(status->PreferredSize().cy, status->GetFontHeight() + 6 * by + 1);
  EXPECT_EQ(status->GetWindowRect().Height(), status->GetFontHeight() + 6 * by + 1);
  // The message pane spans the bar between margins of half the font height.
  const TRect pane = status->FirstGadget()->GetBounds();
  EXPECT_EQ(pane.left, status->EighthsToPixels(4));
  EXPECT_EQ(pane.right, status->GetClientRect().right - status->EighthsToPixels(4));
}

TEST(GadgetWindowTest, HintFollowsTheMouseIntoAndOutOfButtonsAndOffTheWindow)
{
  TTestApp app;
  TGadgetTestFrame frame;
  auto* bar = new TControlBar(&frame);
  bar->SetHintTrigger(HintOnEnter);
  auto* play = new TButtonGadget(CM_PLAY, CM_PLAY, TButtonGadget::PushButton, true);
  bar->Insert(*play);
  auto* status = new TStatusBar(&frame, SunkenBorder, 0);
  frame.Insert(*bar);
  frame.Insert(*status, TDecorationLocation::Bottom);
  frame.Create();
  PumpMessages(app);

  SendMouse(*bar, WM_MOUSEMOVE, CentreOf(*play));
  ASSERT_NE(status->GetHint(), nullptr);
  EXPECT_STREQ(status->GetHint(), "再生");
  SendMouse(*bar, WM_MOUSEMOVE, TPoint(play->GetBounds().right + 20, 3));
  EXPECT_EQ(status->GetHint(), nullptr);

  // No message tells the bar that the pointer went to another window: the
  // idle pass finds out.
  SendMouse(*bar, WM_MOUSEMOVE, CentreOf(*play));
  ASSERT_NE(status->GetHint(), nullptr);
  TRect client = frame.GetClientWindow()->GetWindowRect();
  ::SetCursorPos((client.left + client.right) / 2, (client.top + client.bottom) / 2);
  EXPECT_TRUE(PumpUntil(app, [&] {
    frame.IdleAction(0);
    return status->GetHint() == nullptr;
  }));
  EXPECT_EQ(bar->GetHovered(), nullptr);
}

}  // namespace
