#include "tests/support/testapp.h"
#include "tests/support/wait.h"

void PumpMessages(TApplication& app)
{
  while (app.PumpWaitingMessages()) {
  }
}

bool PumpUntil(TApplication& app, const std::function<bool()>& done, int timeoutMs)
{
  const DWORD start = ::GetTickCount();
  const int budget = Scaled(timeoutMs);
  while (!done()) {
    if (static_cast<int>(::GetTickCount() - start) > budget)
      return false;
    if (!app.PumpWaitingMessages())
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

void TTestApp::DrainQueue()
{
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}
