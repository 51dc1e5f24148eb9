#include "framework/frame/framewin.h"
#include "tests/support/testapp.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records the idle counts the loop asks about and quits when told to.
class TIdleApp : public TTestApp {
public:
  std::vector<long> IdleCounts;
  int Bursts = 0;

  void InitMainWindow() override
  {
    auto* frame = new TFrameWindow(nullptr, "idle");
    frame->Attributes.Style = WS_OVERLAPPED;
    SetMainWindow(frame);
  }

  bool IdleAction(long idleCount) override
  {
    IdleCounts.push_back(idleCount);
    TApplication::IdleAction(idleCount);
    // After each idle period, queue the next burst of messages; end after three.
    if (idleCount == 0) {
      if (++Bursts <= 3) {
        for (int i = 0; i < 4; ++i)
          ::PostMessageA(GetMainWindowHandle(), WM_NULL, 0, 0);
      } else {
        ::PostQuitMessage(0);
      }
    }
    return false;
  }
};

TEST(MessageLoopTest, IdleActionRunsWithCountZeroOncePerIdlePeriod)
{
  TIdleApp app;
  EXPECT_EQ(app.Run(), 0);
  // Every idle period after a burst asks exactly once, with count 0.
  for (long count : app.IdleCounts)
    EXPECT_EQ(count, 0);
  EXPECT_GE(app.IdleCounts.size(), 4u);
}

// Idle actions that ask for more keep the loop spinning with rising counts.
class TBusyApp : public TIdleApp {
public:
  bool IdleAction(long idleCount) override
  {
    IdleCounts.push_back(idleCount);
    if (idleCount == 5)
      ::PostQuitMessage(0);
    return idleCount < 5;
  }
};

TEST(MessageLoopTest, TrueFromIdleActionRaisesTheCount)
{
  TBusyApp app;
  app.Run();
  // The counts start again at 0 after the window's creation messages.
  ASSERT_GE(app.IdleCounts.size(), 6u);
  const std::vector<long> tail(app.IdleCounts.end() - 6, app.IdleCounts.end());
  EXPECT_EQ(tail, (std::vector<long>{0, 1, 2, 3, 4, 5}));
}

class TQuitApp : public TIdleApp {
public:
  bool IdleAction(long) override { return false; }
};

TEST(MessageLoopTest, QuitStatusIsRunsResultAndASecondQuitStaysQueued)
{
  TQuitApp app;
  ::PostQuitMessage(5);
  EXPECT_EQ(app.Run(), 5);
  MSG msg;
  ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 5u);
}

TEST(MessageLoopTest, NoMainWindowIsReportedAndRunReturnsMinusOne)
{
  class TNoWindowApp : public TTestApp {
  public:
    void InitMainWindow() override {}
    int Error(xmsg& x, unsigned captionId, unsigned) override
    {
      Reported = x.why();
      Caption = captionId;
      return -1;
    }
    std::string Reported;
    unsigned Caption = 0;
  } app;
  EXPECT_EQ(app.Run(), -1);
  EXPECT_EQ(app.Reported, "例外 #32759 (メッセージは用意されていません).");
  EXPECT_EQ(app.Caption, 32766u);
}

// Thread messages go to the application's table.
class TThreadMessageApp : public TQuitApp {
public:
  WPARAM Got = 0;

protected:
  void EvPing(WPARAM w, LPARAM) { Got = w; }
  DECLARE_RESPONSE_TABLE(TThreadMessageApp);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TThreadMessageApp, TApplication)
  EV_MESSAGE(WM_APP + 1, EvPing),
END_RESPONSE_TABLE;
// clang-format on

TEST(MessageLoopTest, ThreadMessagesReachTheApplicationsTable)
{
  TThreadMessageApp app;
  ::PostThreadMessageA(::GetCurrentThreadId(), WM_APP + 1, 42, 0);
  ::PostThreadMessageA(::GetCurrentThreadId(), WM_APP + 2, 43, 0);  // nobody's: falls through
  PumpMessages(app);
  EXPECT_EQ(app.Got, 42u);
}

TEST(ExceptionTextTest, FrameworkIdsShowTheNumberedFallback)
{
  bool found = true;
  EXPECT_EQ(ResourceIdToString(&found, 32744), "例外 #32744 (メッセージは用意されていません).");
  EXPECT_FALSE(found);
  // The text reaches the platform as Shift-JIS bytes: 例 is 0x97 0xE1.
  const std::string text = ResourceIdToString(nullptr, 1);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(text[0]), 0x97);
  EXPECT_EQ(static_cast<unsigned char>(text[1]), 0xE1);
}

}  // namespace
