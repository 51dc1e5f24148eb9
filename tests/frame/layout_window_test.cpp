#include "framework/layout/layoutwin.h"
#include "tests/frame/frame_test_util.h"
#include "tests/support/testapp.h"

#include <gtest/gtest.h>

namespace {

class TCountingLayout : public TLayoutWindow {
public:
  TCountingLayout(TWindow* parent, DWORD style) : TLayoutWindow(parent, "layout")
  {
    Attributes.Style = style;
    Attributes.X = 20;
    Attributes.Y = 20;
    Attributes.W = 320;
    Attributes.H = 240;
  }
  void Layout() override
  {
    ++Layouts;
    TLayoutWindow::Layout();
  }
  int Layouts = 0;
};

TLayoutMetrics Filling(TWindow* relWin = nullptr)
{
  TLayoutMetrics m;
  m.X.SameAs(relWin, TEdge::Left);
  m.Y.SameAs(relWin, TEdge::Top);
  m.Width.SameAs(relWin, TEdge::Right);
  m.Height.SameAs(relWin, TEdge::Bottom);
  return m;
}

TEST(LayoutWindowTest, OverlappedLayoutAreaReachesOneBorderBeyondTheClientArea)
{
  TTestApp app;
  auto* top = new TCountingLayout(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  auto* inner = new TCountingLayout(top, WS_CHILD | WS_VISIBLE);
  auto* covering = new TPlainChild(top);
  auto* innerCovering = new TPlainChild(inner);
  top->SetChildLayoutMetrics(*covering, Filling());
  top->SetChildLayoutMetrics(*inner, Filling());
  inner->SetChildLayoutMetrics(*innerCovering, Filling());
  top->Create();

  const TRect area = top->GetClientRect();
  const int bx = ::GetSystemMetrics(SM_CXBORDER), by = ::GetSystemMetrics(SM_CYBORDER);
  EXPECT_EQ(PlacementOf(*covering), TRect(-bx, -by, area.right + bx, area.bottom + by));
  // A borderless child layout window lays out exactly its client area.
  EXPECT_EQ(PlacementOf(*innerCovering), inner->GetClientRect());

  ::SetWindowPos(*top, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
  const TRect larger = top->GetClientRect();
  EXPECT_EQ(PlacementOf(*covering), TRect(-bx, -by, larger.right + bx, larger.bottom + by));
  EXPECT_EQ(PlacementOf(*innerCovering), inner->GetClientRect());
  delete top;
}

TEST(LayoutWindowTest, MinimisedWindowDoesNotLayOutNorRestoredToTheSameSize)
{
  TTestApp app;
  TCountingLayout window(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  auto* child = new TPlainChild(&window);
  window.SetChildLayoutMetrics(*child, Filling());
  window.Create();
  PumpMessages(app);
  const int before = window.Layouts;
  ASSERT_GE(before, 1);

  window.SendMessage(WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_EQ(window.Layouts, before);
  const TRect area = window.GetClientRect();
  window.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(area.right, area.bottom));
  EXPECT_EQ(window.Layouts, before);
  window.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(area.right + 10, area.bottom));
  EXPECT_EQ(window.Layouts, before + 1);
}

TEST(LayoutWindowTest, FailuresThrowAndLeaveTheWindowUsable)
{
  TTestApp app;
  TCountingLayout window(nullptr, WS_OVERLAPPEDWINDOW);
  auto* a = new TPlainChild(&window, 0, 0, 20);
  auto* b = new TPlainChild(&window, 0, 0, 20);
  TLayoutMetrics ma = Filling();
  ma.Y.Set(TEdge::Top, TRelationship::Below, b, TEdge::Bottom);
  ma.Height.AsIs(TEdge::Height);
  TLayoutMetrics mb = ma;
  mb.Y.RelWin = a;
  window.SetChildLayoutMetrics(*a, ma);
  window.SetChildLayoutMetrics(*b, mb);
  window.Create();
  try {
    window.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 100));
    ADD_FAILURE() << "two children hung on each other were laid out";
  } catch (const TWindow::TXWindow& x) {
    EXPECT_EQ(x.ResId, 32741u);  // carried out of the window procedure
  }

  // A relative window without metrics.
  TPlainChild stranger(nullptr);
  mb.Y.RelWin = &stranger;
  window.SetChildLayoutMetrics(*b, mb);
  try {
    window.Layout();
    ADD_FAILURE() << "a stranger was accepted as relative window";
  } catch (const TWindow::TXWindow& x) {
    EXPECT_EQ(x.ResId, 32740u);
  }

  // Re-aimed, the layout works and places the children before they exist.
  mb.Y.Set(TEdge::Top, TRelationship::SameAs, nullptr, TEdge::Top);
  window.SetChildLayoutMetrics(*b, mb);
  window.Layout();
  EXPECT_EQ(a->Attributes.Y, b->Attributes.Y + 20);
  EXPECT_TRUE(window.RemoveChildLayoutMetrics(*b));
  window.Layout();
  TLayoutMetrics left;
  EXPECT_TRUE(window.GetChildLayoutMetrics(*a, left));
  EXPECT_EQ(left.Y.RelWin, nullptr);  // hung where b hung
  // Deleting a child removes its metrics with it.
  delete a;
  EXPECT_FALSE(window.GetChildLayoutMetrics(*a, left));
}

}  // namespace
