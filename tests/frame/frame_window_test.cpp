#include "framework/frame/framewin.h"
#include "framework/app/cmdenable.h"
#include "tests/frame/frame_test_util.h"
#include "tests/frame/frame_tests.rh"
#include "tests/support/testapp.h"

#include <gtest/gtest.h>

#include <string>

namespace {

enum { CM_BOTH = 700, CM_FRAME_ONLY = 701, CM_UNHANDLED = 702, CM_SWITCHED = 703 };

class TCommandClient : public TWindow {
public:
  explicit TCommandClient(DWORD extraStyle = 0) : TWindow(nullptr, "client") { Attributes.Style |= extraStyle; }
  int Both = 0;

protected:
  void CmBoth() { ++Both; }
  DECLARE_RESPONSE_TABLE(TCommandClient);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TCommandClient, TWindow)
  EV_COMMAND(CM_BOTH, CmBoth),
END_RESPONSE_TABLE;
// clang-format on

class TTestFrame : public TFrameWindow {
public:
  // Focus needs a visible frame; hidden ones need no round trips to the display.
  explicit TTestFrame(TWindow* client = nullptr, bool visible = false, bool shrink = false)
    : TFrameWindow(nullptr, "Frame", client, shrink)
  {
    if (!visible)
      Attributes.Style &= ~WS_VISIBLE;
    Attributes.X = 30;
    Attributes.Y = 30;
    Attributes.W = 400;
    Attributes.H = 300;
  }
  using TFrameWindow::RestoreFocus;
  int Both = 0, FrameOnly = 0, FrameRecalcs = 0;
  bool SwitchedOn = false, CheckOn = false;

protected:
  void CmBoth() { ++Both; }
  void CmFrameOnly() { ++FrameOnly; }
  void CeSwitched(TCommandEnabler& ce) { ce.Enable(SwitchedOn); }
  void CeBoth(TCommandEnabler& ce)
  {
    ce.Enable(true);
    ce.SetCheck(CheckOn ? TCommandEnabler::Checked : TCommandEnabler::Unchecked);
  }
  // The frame's menu bar is redrawn by recalculating the non-client area.
  LRESULT EvNcCalcSize(WPARAM, LPARAM)
  {
    ++FrameRecalcs;
    return DefaultProcessing();
  }
  DECLARE_RESPONSE_TABLE(TTestFrame);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TTestFrame, TFrameWindow)
  EV_COMMAND(CM_BOTH, CmBoth),
  EV_COMMAND(CM_FRAME_ONLY, CmFrameOnly),
  EV_COMMAND_ENABLE(CM_SWITCHED, CeSwitched),
  EV_COMMAND_ENABLE(CM_BOTH, CeBoth),
  EV_MESSAGE(WM_NCCALCSIZE, EvNcCalcSize),
END_RESPONSE_TABLE;
// clang-format on

void Command(TWindow& window, unsigned id)
{
  window.SendMessage(WM_COMMAND, id, 0);
}

TEST(FrameWindowTest, MenuCommandsStartAtTheFocusWindowsObjectChain)
{
  TTestApp app;
  auto* client = new TCommandClient(WS_TABSTOP);
  TTestFrame frame(client, true);
  frame.Create();
  // A window without an object inside the client.
  HWND edit = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, *client, nullptr,
                                ::GetModuleHandleA(nullptr), nullptr);
  ::SetFocus(edit);
  ASSERT_EQ(::GetFocus(), edit);

  Command(frame, CM_BOTH);
  EXPECT_EQ(client->Both, 1);  // the nearest object above the focus window
  EXPECT_EQ(frame.Both, 0);
  Command(frame, CM_FRAME_ONLY);  // climbs from the client to the frame
  EXPECT_EQ(frame.FrameOnly, 1);

  // Enabling asks the same chain: the frame's enabler is reached from the focus.
  HMENU popup = ::CreatePopupMenu();
  ::AppendMenuA(popup, MF_STRING | MF_GRAYED, CM_BOTH, "both");
  ::AppendMenuA(popup, MF_STRING, CM_UNHANDLED, "unhandled");
  frame.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 1);
  EXPECT_FALSE(::GetMenuState(popup, 0, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_TRUE(::GetMenuState(popup, 1, MF_BYPOSITION) & MF_GRAYED);
  ::DestroyMenu(popup);

  // With the focus outside the frame, the last focused descendant is the target.
  TWindow other(nullptr, "other");
  other.Attributes.Style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  other.Create();
  ::SetFocus(client->GetHandle());
  ::SetActiveWindow(other);
  ::SetFocus(other);
  EXPECT_EQ(frame.GetCommandTarget(), client->GetHandle());
  Command(frame, CM_BOTH);
  EXPECT_EQ(client->Both, 2);
}

TEST(FrameWindowTest, FocusReturnsToTheDescendantThatHadIt)
{
  TTestApp app;
  auto* client = new TCommandClient();
  TTestFrame frame(client, true);
  auto* first = new TPlainChild(client, 11, 40, 20);
  auto* second = new TPlainChild(client, 12, 40, 20, WS_TABSTOP);
  frame.Create();
  ::SetActiveWindow(frame);
  EXPECT_EQ(::GetFocus(), second->GetHandle());  // the first tab stop
  ::SetFocus(*first);

  TWindow other(nullptr, "other");
  other.Attributes.Style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  other.Create();
  ::SetActiveWindow(other);
  ::SetFocus(other);
  EXPECT_EQ(frame.RestoreFocus, first->GetHandle());

  ::SetActiveWindow(frame);
  ::SetFocus(frame);
  EXPECT_EQ(::GetFocus(), first->GetHandle());
  EXPECT_EQ(frame.RestoreFocus, nullptr);
}

TEST(FrameWindowTest, OnlyAnEnabledStateChangeRedrawsTheMenuBar)
{
  TTestApp app;
  TTestFrame frame(nullptr, true);
  frame.Create();
  HMENU bar = ::CreateMenu();
  ::AppendMenuA(bar, MF_STRING, CM_BOTH, "both");
  ::AppendMenuA(bar, MF_STRING, CM_SWITCHED, "switched");
  ASSERT_TRUE(frame.SetMenu(bar));
  ::SetFocus(frame);
  ASSERT_TRUE(::GetFocus());

  int recalcs = frame.FrameRecalcs;
  frame.IdleAction(0);  // greys "switched"
  EXPECT_TRUE(::GetMenuState(bar, 1, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_EQ(frame.FrameRecalcs, recalcs + 1);

  recalcs = frame.FrameRecalcs;
  frame.IdleAction(0);  // nothing changes
  frame.IdleAction(1);  // not the start of an idle period: no pass at all
  frame.CheckOn = true;
  frame.IdleAction(0);  // a check mark alone is not worth a redraw
  EXPECT_TRUE(::GetMenuState(bar, 0, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_EQ(frame.FrameRecalcs, recalcs);

  frame.SwitchedOn = true;
  frame.IdleAction(0);
  EXPECT_FALSE(::GetMenuState(bar, 1, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_EQ(frame.FrameRecalcs, recalcs + 1);
}

TEST(FrameWindowTest, ClientFillsTheClientAreaAndABorderedOneHidesItsBorder)
{
  TTestApp app;
  auto* plain = new TCommandClient();
  TTestFrame frame(plain, true);
  frame.Create();
  EXPECT_EQ(PlacementOf(*plain), frame.GetClientRect());
  ::SetWindowPos(frame, nullptr, 0, 0, 300, 250, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(PlacementOf(*plain), frame.GetClientRect());

  auto* bordered = new TCommandClient(WS_BORDER);
  TWindow* old = frame.SetClientWindow(bordered);
  EXPECT_EQ(old, plain);
  EXPECT_EQ(frame.GetClientWindow(), bordered);
  EXPECT_EQ(::GetFocus(), bordered->GetHandle());
  TRect expected = frame.GetClientRect();
  expected.Inflate(::GetSystemMetrics(SM_CXBORDER), ::GetSystemMetrics(SM_CYBORDER));
  EXPECT_EQ(PlacementOf(*bordered), expected);
  old->Destroy();
  delete old;
}

TEST(FrameWindowTest, ShrinkToClientFitsTheFrameToItsClientOnce)
{
  TTestApp app;
  auto* client = new TPlainChild(nullptr, 0, 180, 120);
  TTestFrame frame(client, false, true);
  frame.Create();
  EXPECT_EQ(frame.GetClientRect().Size(), TSize(180, 120));
  EXPECT_FALSE(frame.IsFlagSet(wfShrinkToClient));  // a sizable frame is fitted only once
  EXPECT_EQ(PlacementOf(*client), frame.GetClientRect());
}

TEST(FrameWindowTest, FrameWhoseClientDiesCloses)
{
  TTestApp app;
  auto* client = new TCommandClient();
  auto* frame = new TTestFrame(client);  // deleted by the application once closed
  frame->Create();
  HWND frameHandle = *frame;
  ::DestroyWindow(*client);
  EXPECT_TRUE(PumpUntil(app, [&] { return !::IsWindow(frameHandle); }));
}

TEST(FrameWindowTest, MenusCaptionsAndTheMinimisedIcon)
{
  TTestApp app;
  TTestFrame frame;
  frame.Create();

  ASSERT_TRUE(frame.AssignMenu(MENU_MAIN));
  HMENU loaded = ::GetMenu(frame);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(::GetMenuItemID(loaded, 1), static_cast<UINT>(CM_HINTED));
  ASSERT_TRUE(frame.AssignMenu(MENU_MAIN));  // the same again: a fresh copy replaces it
  EXPECT_FALSE(::IsMenu(loaded));
  HMENU kept = ::GetMenu(frame);
  EXPECT_FALSE(frame.AssignMenu(9999));  // missing: the menu stays
  EXPECT_EQ(::GetMenu(frame), kept);

  char text[64];
  EXPECT_TRUE(frame.SetDocTitle("movie.avi", 2));
  ::GetWindowTextA(frame, text, sizeof text);
  EXPECT_STREQ(text, "Frame - movie.avi:2");
  frame.SetDocTitle("movie.avi", 0);
  ::GetWindowTextA(frame, text, sizeof text);
  EXPECT_STREQ(text, "Frame - movie.avi");
  frame.SetDocTitle("ignored", -1);
  ::GetWindowTextA(frame, text, sizeof text);
  EXPECT_STREQ(text, "Frame - movie.avi");

  // No icon resource 32000 here: the application icon stands in.
  EXPECT_TRUE(frame.SendMessage(WM_QUERYDRAGICON));
  ::ShowWindow(frame, SW_MINIMIZE);
  ::UpdateWindow(frame);
  PumpMessages(app);
  EXPECT_TRUE(::IsIconic(frame));
}

}  // namespace
