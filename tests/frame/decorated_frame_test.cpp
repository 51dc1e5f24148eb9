#include "framework/frame/decframe.h"
#include "framework/frame/hintreceiver.h"
#include "framework/app/cmdenable.h"
#include "framework/base/menu.h"
#include "tests/frame/frame_test_util.h"
#include "tests/frame/frame_tests.rh"
#include "tests/support/testapp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

enum { ID_TOP1 = 801, ID_TOP2 = 802, ID_BOTTOM = 803, ID_LEFT = 804, ID_RIGHT = 805 };

class TTestDecoratedFrame : public TDecoratedFrame {
public:
  explicit TTestDecoratedFrame(TWindow* client, bool track = false)
    : TDecoratedFrame(nullptr, "Decorated", client, track)
  {
    Attributes.X = 40;
    Attributes.Y = 40;
    Attributes.W = 420;
    Attributes.H = 320;
    Attributes.Style &= ~WS_VISIBLE;  // hidden frames need no round trips to the display
  }
};

bool IsShown(HWND hwnd)
{
  return ::GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE;
}

// Records the hints it is given; "(null)" for a cleared message bar.
class THintSink : public TWindow, public THintReceiver {
public:
  explicit THintSink(TWindow* parent) : TWindow(parent)
  {
    Attributes.Id = TDecoratedFrame::MessageBarId;
    Attributes.H = 18;
  }
  void SetHint(const char* text) override { Hints.push_back(text ? text : "(null)"); }
  std::vector<std::string> Hints;
};

// Reports what the frame says about a command.
class TProbe : public TCommandEnabler {
public:
  TProbe(unsigned id, HWND receiver) : TCommandEnabler(id, receiver) {}
  void Enable(bool enable) override
  {
    TCommandEnabler::Enable(enable);
    Enabled = enable;
  }
  void SetText(const char*) override {}
  void SetCheck(int state) override { Check = state; }
  bool Enabled = false;
  int Check = -1;
};

int Height(const TRect& r)
{
  return r.Height();
}

TEST(DecoratedFrameTest, TopBarsStackAndHidingTheFirstMovesTheSecondUp)
{
  TTestApp app;
  auto* client = new TPlainChild(nullptr);
  TTestDecoratedFrame frame(client);
  auto* top1 = new TPlainChild(&frame, ID_TOP1, 0, 20);
  auto* top2 = new TPlainChild(&frame, ID_TOP2, 0, 30);
  auto* bottom = new TPlainChild(&frame, ID_BOTTOM, 0, 16);
  frame.Insert(*top1, TDecorationLocation::Top);
  frame.Insert(*top2, TDecorationLocation::Top);
  frame.Insert(*bottom, TDecorationLocation::Bottom);
  frame.Create();

  const auto check = [&](int clientTop) {
    const TRect area = frame.GetClientRect();
    EXPECT_EQ(PlacementOf(*client), TRect(0, clientTop, area.right, area.bottom - 15));
    EXPECT_EQ(PlacementOf(*bottom), TRect(-1, area.bottom - 15, area.right + 1, area.bottom + 1));
  };
  EXPECT_EQ(PlacementOf(*top1).top, -1);  // its top line lies outside the client area
  EXPECT_EQ(Height(PlacementOf(*top1)), 20);
  EXPECT_EQ(PlacementOf(*top2).top, 18);  // sharing top1's bottom line
  EXPECT_EQ(Height(PlacementOf(*top2)), 30);
  check(48);

  frame.SendMessage(WM_COMMAND, ID_TOP1);
  EXPECT_FALSE(IsShown(*top1));
  EXPECT_EQ(PlacementOf(*top2).top, -1);
  check(29);
  TProbe probe(ID_TOP1, frame);
  frame.EvCommandEnable(probe);
  EXPECT_TRUE(probe.Enabled);
  EXPECT_EQ(probe.Check, TCommandEnabler::Unchecked);

  // Shown again, it takes back its place above the second.
  frame.SendMessage(WM_COMMAND, ID_TOP1);
  EXPECT_TRUE(IsShown(*top1));
  EXPECT_EQ(PlacementOf(*top1).top, -1);
  EXPECT_EQ(PlacementOf(*top2).top, 18);
  check(48);
  TProbe shown(ID_TOP1, frame);
  frame.EvCommandEnable(shown);
  EXPECT_EQ(shown.Check, TCommandEnabler::Checked);

  // Other sizes follow.
  ::SetWindowPos(frame, nullptr, 0, 0, 260, 400, SWP_NOMOVE | SWP_NOZORDER);
  check(48);
  frame.SendMessage(WM_COMMAND, ID_BOTTOM);
  const TRect area = frame.GetClientRect();
  EXPECT_EQ(PlacementOf(*client), TRect(0, 48, area.right, area.bottom));

  // Inserted into the live frame, a third bar appears under the second at once.
  auto* top3 = new TPlainChild(&frame, 806, 0, 10);
  frame.Insert(*top3, TDecorationLocation::Top);
  ASSERT_TRUE(top3->GetHandle());
  EXPECT_EQ(PlacementOf(*top3), TRect(-1, 47, area.right + 1, 57));
  EXPECT_EQ(PlacementOf(*client).top, 57);
}

TEST(DecoratedFrameTest, SideBarsSpanTheClientAndABorderedClientHidesItsBorder)
{
  TTestApp app;
  auto* client = new TPlainChild(nullptr);
  TTestDecoratedFrame frame(client);
  auto* top = new TPlainChild(&frame, ID_TOP1, 0, 20);
  auto* left = new TPlainChild(&frame, ID_LEFT, 25, 0);
  auto* right = new TPlainChild(&frame, ID_RIGHT, 35, 0);
  frame.Insert(*top, TDecorationLocation::Top);
  frame.Insert(*left, TDecorationLocation::Left);
  frame.Insert(*right, TDecorationLocation::Right);
  frame.Create();
  const TRect area = frame.GetClientRect();
  EXPECT_EQ(PlacementOf(*left), TRect(-1, 18, 24, area.bottom + 1));
  EXPECT_EQ(PlacementOf(*right), TRect(area.right + 1 - 35, 18, area.right + 1, area.bottom + 1));
  EXPECT_EQ(PlacementOf(*client), TRect(24, 19, area.right + 1 - 35, area.bottom));

  // A bordered client shares the frame's edges: its border lies one border width outside.
  auto* bordered = new TPlainChild(nullptr, 0, 0, 0, WS_BORDER);
  TTestDecoratedFrame plain(bordered);
  plain.Create();
  TRect expected = plain.GetClientRect();
  expected.Inflate(::GetSystemMetrics(SM_CXBORDER), ::GetSystemMetrics(SM_CYBORDER));
  EXPECT_EQ(PlacementOf(*bordered), expected);
}

TEST(DecoratedFrameTest, PlaceholderClientGivesWayToARealOne)
{
  TTestApp app;
  TTestDecoratedFrame frame(nullptr);
  TWindow* placeholder = frame.GetClientWindow();
  ASSERT_TRUE(placeholder);
  EXPECT_STREQ(placeholder->GetCaption(), "\a");
  auto* top = new TPlainChild(&frame, ID_TOP1, 0, 20);
  frame.Insert(*top, TDecorationLocation::Top);
  frame.Create();

  auto* real = new TPlainChild(nullptr);
  EXPECT_EQ(frame.SetClientWindow(real), nullptr);  // the placeholder is deleted, not returned
  const TRect area = frame.GetClientRect();
  EXPECT_EQ(PlacementOf(*real), TRect(0, 19, area.right, area.bottom));

  auto* next = new TPlainChild(nullptr);
  TWindow* old = frame.SetClientWindow(next);
  EXPECT_EQ(old, real);
  EXPECT_EQ(PlacementOf(*next), TRect(0, 19, area.right, area.bottom));
  old->Destroy();
  delete old;

  // Deleting the client leaves a placeholder in its place.
  ::SetWindowLongA(*next, GWL_EXSTYLE, WS_EX_NOPARENTNOTIFY);  // the frame would close otherwise
  delete next;
  ASSERT_TRUE(frame.GetClientWindow());
  EXPECT_STREQ(frame.GetClientWindow()->GetCaption(), "\a");
}

TEST(DecoratedFrameTest, MenuHintsReachTheMessageBar)
{
  TTestApp app;
  TTestDecoratedFrame frame(nullptr, true);
  auto* bar = new THintSink(&frame);
  frame.Insert(*bar, TDecorationLocation::Bottom);
  frame.Create();

  TPopupMenu menu;
  TPopupMenu hinted(false), unhinted(false);
  ::AppendMenuA(hinted, MF_STRING, CM_POPUP_FIRST, "first");
  ::AppendMenuA(unhinted, MF_STRING, CM_OPEN, "open");
  ::AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(hinted.GetHandle()), "hinted popup");
  ::AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(unhinted.GetHandle()), "unhinted popup");
  const LPARAM m = reinterpret_cast<LPARAM>(menu.GetHandle());
  const auto select = [&](unsigned id, unsigned flags, LPARAM handle) {
    frame.SendMessage(WM_MENUSELECT, MAKEWPARAM(id, flags), handle);
    frame.SendMessage(WM_ENTERIDLE, MSGF_MENU, 0);
  };

  select(CM_HINTED, MF_STRING, m);
  select(555, MF_STRING, m);  // no string: an empty hint, not the last one
  select(CM_HINTED, MF_STRING, m);
  select(0, MF_SEPARATOR, m);
  select(32003, MF_STRING, m);                                 // window-list items have none
  select(0, MF_POPUP, m);                                      // the popup at position 0: first id 601 - 1
  select(1, MF_POPUP, m);                                      // first id 24332 - 1 has no string
  frame.SendMessage(WM_ENTERIDLE, MSGF_MENU, 0);               // nothing pending: nothing shown
  frame.SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);  // closed
  const std::vector<std::string> expected{
    "Hint of the command", "", "Hint of the command", "", "", "Hint of the popup", "", "(null)"};
  EXPECT_EQ(bar->Hints, expected);

  // A frame that does not track the menu shows nothing.
  TTestDecoratedFrame quiet(nullptr, false);
  auto* quietBar = new THintSink(&quiet);
  quiet.Create();
  quiet.SendMessage(WM_MENUSELECT, MAKEWPARAM(CM_HINTED, MF_STRING), m);
  quiet.SendMessage(WM_ENTERIDLE, MSGF_MENU, 0);
  EXPECT_TRUE(quietBar->Hints.empty());
}

class TPreTranslatingBar : public TPlainChild {
public:
  TPreTranslatingBar(TWindow* parent, int id) : TPlainChild(parent, id, 0, 20) {}
  bool PreProcessMsg(MSG&) override
  {
    ++Offered;
    return Take;
  }
  int Offered = 0;
  bool Take = false;
};

TEST(DecoratedFrameTest, VisibleDecorationsPreTranslateFirst)
{
  TTestApp app;
  auto* client = new TPreTranslatingBar(nullptr, 0);
  TTestDecoratedFrame frame(client);
  auto* first = new TPreTranslatingBar(&frame, ID_TOP1);
  auto* second = new TPreTranslatingBar(&frame, ID_TOP2);
  frame.Insert(*first, TDecorationLocation::Top);
  frame.Insert(*second, TDecorationLocation::Top);
  frame.Create();

  MSG msg{frame.GetHandle(), WM_KEYDOWN, 'A', 0, 0, {0, 0}};
  first->Take = true;
  EXPECT_TRUE(frame.PreProcessMsg(msg));
  EXPECT_EQ(first->Offered, 1);
  EXPECT_EQ(second->Offered, 0);
  EXPECT_EQ(client->Offered, 0);  // the client is not a decoration

  frame.SendMessage(WM_COMMAND, ID_TOP1);  // hidden decorations are skipped
  EXPECT_FALSE(frame.PreProcessMsg(msg));
  EXPECT_EQ(first->Offered, 1);
  EXPECT_EQ(second->Offered, 1);
}

}  // namespace
