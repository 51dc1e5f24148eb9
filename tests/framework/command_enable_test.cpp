#include "framework/app/cmdenable.h"
#include "framework/window/window.h"
#include "tests/support/testapp.h"

#include <gtest/gtest.h>

namespace {

// Routes enablers from itself the way a frame does.
class TEnabled : public TWindow {
public:
  TEnabled() : TWindow(nullptr, "enabled") { Attributes.Style = WS_OVERLAPPEDWINDOW; }
  void EvCommandEnable(TCommandEnabler& ce) override { RouteCommandEnable(Handle, ce); }

protected:
  void CmHandled() {}
  void CeCheckOnly(TCommandEnabler& ce) { ce.SetCheck(TCommandEnabler::Checked); }
  void CeDecides(TCommandEnabler& ce) { ce.Enable(false); }
  void CmDecided() {}
  DECLARE_RESPONSE_TABLE(TEnabled);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TEnabled, TWindow)
  EV_COMMAND(100, CmHandled),
  EV_COMMAND_ENABLE(104, CeCheckOnly),
  EV_COMMAND_ENABLE(105, CeDecides),
  EV_COMMAND(105, CmDecided),
END_RESPONSE_TABLE;
// clang-format on

bool Grey(HMENU menu, int pos)
{
  return ::GetMenuState(menu, pos, MF_BYPOSITION) & MF_GRAYED;
}

TEST(CommandEnableTest, PassGreysUnhandledEnablesHandledAndStopsAtWindowListIds)
{
  TTestApp app;
  TEnabled window;
  window.Create();

  HMENU sub = ::CreatePopupMenu();
  ::AppendMenuA(sub, MF_STRING, 102, "sub");
  HMENU popup = ::CreatePopupMenu();
  ::AppendMenuA(popup, MF_STRING | MF_GRAYED, 100, "handled");                           // 0
  ::AppendMenuA(popup, MF_STRING, 101, "unhandled");                                     // 1
  ::AppendMenuA(popup, MF_POPUP | MF_GRAYED, reinterpret_cast<UINT_PTR>(sub), "popup");  // 2
  ::AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);                                        // 3
  ::AppendMenuA(popup, MF_STRING, 104, "check only");                                    // 4
  ::AppendMenuA(popup, MF_STRING, 105, "enabler decides");                               // 5
  ::AppendMenuA(popup, MF_STRING, 32001, "window list");                                 // 6
  ::AppendMenuA(popup, MF_STRING, 106, "after the stop");                                // 7

  window.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);

  EXPECT_FALSE(Grey(popup, 0));  // handled: enabled
  EXPECT_TRUE(Grey(popup, 1));   // unhandled: greyed
  EXPECT_TRUE(Grey(popup, 2));   // submenu item left as it was
  EXPECT_TRUE(Grey(popup, 4));   // SetCheck alone does not decide; default rule greys
  EXPECT_TRUE(::GetMenuState(popup, 4, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_TRUE(Grey(popup, 5));   // the enabler's word is final
  EXPECT_FALSE(Grey(popup, 6));  // the pass stopped at 32001
  EXPECT_FALSE(Grey(popup, 7));

  // Ids above 0xF000 stop it too; a system-menu flag skips the pass.
  HMENU system = ::CreatePopupMenu();
  ::AppendMenuA(system, MF_STRING, 0xF001, "system");
  ::AppendMenuA(system, MF_STRING, 101, "after");
  window.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(system), 0);
  EXPECT_FALSE(Grey(system, 1));
  HMENU skipped = ::CreatePopupMenu();
  ::AppendMenuA(skipped, MF_STRING, 101, "sysmenu");
  window.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(skipped), MAKELPARAM(0, 1));
  EXPECT_FALSE(Grey(skipped, 0));

  ::DestroyMenu(popup);
  ::DestroyMenu(system);
  ::DestroyMenu(skipped);
}

// The default rule falls back to the application's table.
class TAppWithCommand : public TTestApp {
protected:
  void CmApp() {}
  DECLARE_RESPONSE_TABLE(TAppWithCommand);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TAppWithCommand, TApplication)
  EV_COMMAND(110, CmApp),
END_RESPONSE_TABLE;
// clang-format on

TEST(CommandEnableTest, ApplicationHandlerMakesTheCommandAvailable)
{
  TAppWithCommand app;
  TEnabled window;
  window.Create();
  HMENU popup = ::CreatePopupMenu();
  ::AppendMenuA(popup, MF_STRING | MF_GRAYED, 110, "app");
  window.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
  EXPECT_FALSE(Grey(popup, 0));
  ::DestroyMenu(popup);
}

}  // namespace
