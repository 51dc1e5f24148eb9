#include "tests/support/wait.h"
#include "framework/base/platform.h"

#include <climits>
#include <cstdlib>
#include <utility>

int TimeScale()
{
  static const int scale = [] {
    const char* set = std::getenv("VELMO_TEST_TIME_SCALE");
    const int value = set ? std::atoi(set) : 1;
    return value > 1 ? value : 1;
  }();
  return scale;
}

int Scaled(int ms)
{
  return ms > INT_MAX / TimeScale() ? INT_MAX : ms * TimeScale();
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
  const DWORD start = ::GetTickCount();
  const int budget = Scaled(timeoutMs);
  while (!done()) {
    if (static_cast<int>(::GetTickCount() - start) > budget)
      return false;
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
      ::DispatchMessageA(&msg);
    // Wakes for the next message at once, or to look at the state again.
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

TStallWatch::TStallWatch(std::function<long long()> progress, int stallMs)
  : Progress(std::move(progress)),
    StallMs(static_cast<unsigned long>(Scaled(stallMs))),
    Last(Progress()),
    LastMoved(::GetTickCount()),
    LastLooked(LastMoved)
{
}

bool TStallWatch::Stalled()
{
  const unsigned long now = ::GetTickCount();
  // Looked at a few times a second: progress may cost a look at a folder.
  if (now - LastLooked < 250)
    return false;
  LastLooked = now;
  const long long progress = Progress();
  if (progress != Last) {
    Last = progress;
    LastMoved = now;
  }
  return now - LastMoved >= StallMs;
}

bool WaitWhileProgressing(const std::function<bool()>& done, const std::function<long long()>& progress, int stallMs)
{
  TStallWatch watch(progress, stallMs);
  bool finished = false;  // done() is asked once a look: it may take what it waits for
  WaitFor([&] { return (finished = done()) || watch.Stalled(); }, INT_MAX);
  return finished;
}
