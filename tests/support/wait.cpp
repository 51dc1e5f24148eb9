#include "tests/support/wait.h"
#include "framework/base/platform.h"

bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (static_cast<int>(::GetTickCount() - start) > timeoutMs)
      return false;
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
      ::DispatchMessageA(&msg);
    // Wakes for the next message at once, or to look at the state again.
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}
