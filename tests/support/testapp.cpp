#include "tests/support/testapp.h"

void PumpMessages(TApplication& app)
{
  while (app.PumpWaitingMessages()) {
  }
}

bool PumpUntil(TApplication& app, const std::function<bool()>& done, int timeoutMs)
{
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (static_cast<int>(::GetTickCount() - start) > timeoutMs)
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
