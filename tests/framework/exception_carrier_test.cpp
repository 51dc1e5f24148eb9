// What a handler throws is kept by the window procedure it ran in and comes
// back, as itself, after the platform call that reached the handler.
#include "framework/frame/framewin.h"
#include "tests/dialogs/dialog_driver.h"
#include "tests/support/testapp.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>

namespace {

// A handler that sends on to Inner when it has one and throws Failure otherwise.
class TNestedSender : public TWindow {
public:
  explicit TNestedSender(TNestedSender* inner = nullptr) : TWindow(nullptr, "nested"), Inner(inner)
  {
    Attributes.Style = WS_OVERLAPPED;
  }
  std::function<void()> Failure;
  bool OuterWentOn = false;

protected:
  LRESULT EvUser(WPARAM, LPARAM)
  {
    if (!Inner) {
      Failure();
      return 0;
    }
    Inner->SendMessage(WM_USER);
    OuterWentOn = true;
    return 0;
  }
  TNestedSender* Inner;
  DECLARE_RESPONSE_TABLE(TNestedSender);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TNestedSender, TWindow)
  EV_MESSAGE(WM_USER, EvUser),
END_RESPONSE_TABLE;
// clang-format on

class TExceptionCarrierTest : public testing::Test {
protected:
  TExceptionCarrierTest() : Outer(&Inner)
  {
    Inner.Create();
    Outer.Create();
  }
  TTestApp App;
  TNestedSender Inner;
  TNestedSender Outer;
};

TEST_F(TExceptionCarrierTest, InnerHandlersExceptionSurfacesAsItselfAtTheOuterSendOnce)
{
  Inner.Failure = [this] { throw TWindow::TXWindow(&Inner, IDS_CREATEFAILED); };
  try {
    Outer.SendMessage(WM_USER);
    FAIL() << "no exception";
  } catch (TWindow::TXWindow& x) {
    EXPECT_EQ(x.Window, &Inner);  // its own type and data, through two window procedures
    EXPECT_EQ(x.ResId, 32747u);
  }
  EXPECT_FALSE(Outer.OuterWentOn);
  EXPECT_NO_THROW(App.ResumeException());
  Inner.Failure = [] {};
  EXPECT_NO_THROW(Outer.SendMessage(WM_USER));
  EXPECT_TRUE(Outer.OuterWentOn);

  // The standard kinds the loop reports keep their type and data as well.
  Inner.Failure = [] { throw xalloc("no room", 4096); };
  try {
    Outer.SendMessage(WM_USER);
    FAIL() << "no exception";
  } catch (xalloc& x) {
    EXPECT_EQ(x.why(), "no room");
    EXPECT_EQ(x.requested(), 4096u);
  }
  Inner.Failure = [] { throw std::bad_cast(); };
  EXPECT_THROW(Outer.SendMessage(WM_USER), std::bad_cast);
  EXPECT_NO_THROW(App.ResumeException());
}

TEST_F(TExceptionCarrierTest, UnknownExceptionComesBackAsAMessageWithoutText)
{
  Inner.Failure = [] { throw 42; };
  try {
    Outer.SendMessage(WM_USER);
    FAIL() << "no exception";
  } catch (xmsg& x) {
    EXPECT_EQ(x.why(), "");  // reported as an exception of unknown type
  }
  EXPECT_NO_THROW(App.ResumeException());
}

// A main window that fails, with an exception of no known kind, on the first
// message the loop dispatches to it.
class TFailingFrame : public TFrameWindow {
public:
  TFailingFrame() : TFrameWindow(nullptr, "failing") { Attributes.Style = WS_OVERLAPPED; }

protected:
  LRESULT EvUser(WPARAM, LPARAM) { throw 42; }
  DECLARE_RESPONSE_TABLE(TFailingFrame);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TFailingFrame, TFrameWindow)
  EV_MESSAGE(WM_USER, EvUser),
END_RESPONSE_TABLE;
// clang-format on

class TFailingApp : public TTestApp {
public:
  void InitMainWindow() override { SetMainWindow(new TFailingFrame); }
  bool IdleAction(long idleCount) override
  {
    if (!Posted)
      Posted = ::PostMessageA(GetMainWindowHandle(), WM_USER, 0, 0);
    return TTestApp::IdleAction(idleCount);
  }
  bool Posted = false;
};

TEST(ExceptionCarrierLoopTest, UnknownExceptionIsReportedAsUnknownAndNoEndsTheProgram)
{
  TFailingApp app;
  std::string caption, text;
  TDialogDriver driver(nullptr, 10000);
  driver.Then([&](HWND box) {
    caption = Drive::WindowText(box);
    text = Drive::WindowText(::GetDlgItem(box, 0xFFFF));  // the message box's text
    Drive::PressButton(box, IDNO);
    return true;
  });
  EXPECT_EQ(app.Run(), -1);
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(caption, "未処理の例外");
  EXPECT_EQ(text, "未知の例外\nOK to Resume?");
}

}  // namespace
