// What a handler throws is kept by the window procedure it ran in and comes
// back, as itself, after the platform call that reached the handler.
#include "framework/window/window.h"
#include "tests/dialogs/dialog_driver.h"
#include "tests/support/testapp.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
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
}

// What the user sees of an exception of no known kind: the loop's report.
TEST_F(TExceptionCarrierTest, UnknownExceptionIsReportedAsUnknownAndNoEndsTheLoop)
{
  Inner.Failure = [] { throw 42; };
  std::string caption, text;
  TDialogDriver driver(nullptr, 10000);
  driver.Then([&](HWND box) {
    caption = Drive::WindowText(box);
    text = Drive::WindowText(::GetDlgItem(box, 0xFFFF));  // the message box's text
    Drive::PressButton(box, IDNO);
    return true;
  });
  ::PostMessageA(Outer.GetHandle(), WM_USER, 0, 0);
  EXPECT_EQ(App.MessageLoop(), -1);
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(caption, "未処理の例外");
  EXPECT_EQ(text, "未知の例外\nOK to Resume?");
  EXPECT_NO_THROW(App.ResumeException());
}

// A standard exception that is no message exception, such as the library's
// or a worker thread's, reaches the user with its text.
TEST_F(TExceptionCarrierTest, StandardExceptionIsReportedWithItsText)
{
  Inner.Failure = [] { throw std::runtime_error("the disk is full"); };
  std::string text;
  TDialogDriver driver(nullptr, 10000);
  driver.Then([&](HWND box) {
    text = Drive::WindowText(::GetDlgItem(box, 0xFFFF));
    Drive::PressButton(box, IDNO);
    return true;
  });
  ::PostMessageA(Outer.GetHandle(), WM_USER, 0, 0);
  EXPECT_EQ(App.MessageLoop(), -1);
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(text, "the disk is full\nOK to Resume?");
}

// Two window procedures failing within one platform call, each with its own
// kind of exception: the message exception is reported first, and the bad
// cast, kept beside it, comes back at the next dispatch of the resumed loop.
TEST_F(TExceptionCarrierTest, ExceptionsOfTwoKindsFromOneCallAreBothReported)
{
  Inner.Failure = [] { throw std::bad_cast(); };
  TNestedSender caller;
  caller.Create();
  caller.Failure = [this] {
    ::SendMessageA(Inner.GetHandle(), WM_USER, 0, 0);  // not resumed in between
    throw xmsg("the caller's");
  };
  std::string text;
  TDialogDriver driver(nullptr, 10000);
  driver.Then([&](HWND box) {
    text = Drive::WindowText(::GetDlgItem(box, 0xFFFF));
    Drive::PressButton(box, IDYES);
    // Messages for the resumed loop to dispatch, whichever loop takes the first.
    ::SetTimer(caller.GetHandle(), 1, 10, nullptr);
    return true;
  });
  ::PostMessageA(caller.GetHandle(), WM_USER, 0, 0);
  EXPECT_THROW(App.MessageLoop(), std::bad_cast);
  ::KillTimer(caller.GetHandle(), 1);
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(text, "the caller's\nOK to Resume?");
  EXPECT_NO_THROW(App.ResumeException());
}

}  // namespace
