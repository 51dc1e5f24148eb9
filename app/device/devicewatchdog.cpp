#include "app/device/devicewatchdog.h"
#include "app/support/errorbox.h"
#include "app/support/exclusivelock.h"
#include "app/support/filewritelock.h"
#include "resources/resource.h"

TDeviceWatchdog::TDeviceWatchdog(DWORD limitMs, std::function<void()> onStuck)
  : LimitMs(limitMs), OnStuck(std::move(onStuck)), Thread([this] { Run(); })
{
}

TDeviceWatchdog::~TDeviceWatchdog()
{
  {
    TExclusiveLock lock(Lock);
    Stopping = true;
  }
  ::WakeAllConditionVariable(&Changed);
  Thread.join();
}

// A call costs the lock and no wake-up: the watchdog looks again when the
// limit of the call it last saw, or of none, has passed.
TDeviceWatchdog::TCall::TCall(TDeviceWatchdog& watchdog) : Watchdog(watchdog)
{
  TExclusiveLock lock(Watchdog.Lock);
  if (Watchdog.Depth++ == 0)
    Watchdog.Since = ::GetTickCount64();
}

TDeviceWatchdog::TCall::~TCall()
{
  TExclusiveLock lock(Watchdog.Lock);
  --Watchdog.Depth;
}

void TDeviceWatchdog::Run()
{
  TExclusiveLock lock(Lock);
  while (!Stopping) {
    DWORD wait = LimitMs;
    if (Depth > 0) {
      const ULONGLONG elapsed = ::GetTickCount64() - Since;
      if (elapsed >= LimitMs) {
        const TExclusiveUnlock reporting(lock);
        OnStuck();
        return;
      }
      wait = static_cast<DWORD>(LimitMs - elapsed);
    }
    ::SleepConditionVariableSRW(&Changed, &Lock, wait, 0);
  }
}

void TDeviceWatchdog::EndStuckProgram()
{
  EndFileWrites();
  ShowErrorBox(LoadText(IDS_DEVICESTUCK), MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
  // Nothing of the program can be trusted to end normally: the device holds
  // its main thread.
  ::TerminateProcess(::GetCurrentProcess(), StuckExitCode);
}
