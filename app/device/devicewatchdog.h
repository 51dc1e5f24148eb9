// Ends the program, after telling the user, when a call into the movie device
// does not come back: a movie that the checks let through may still send the
// device's decoder into a loop that would hold the program for good. A file
// being written is completed first, and none is started after.
#pragma once

#include "framework/base/platform.h"

#include <functional>
#include <thread>

class TDeviceWatchdog {
public:
  // How long one device call may take: showing a frame takes milliseconds.
  static constexpr DWORD DefaultLimitMs = 6000;
  // The process's exit code when the watchdog ended it.
  static constexpr UINT StuckExitCode = 3;

  // onStuck runs once, on the watchdog's thread, when a call has gone on for
  // limitMs; by default it is EndStuckProgram.
  explicit TDeviceWatchdog(DWORD limitMs = DefaultLimitMs, std::function<void()> onStuck = EndStuckProgram);
  ~TDeviceWatchdog();
  TDeviceWatchdog(const TDeviceWatchdog&) = delete;
  TDeviceWatchdog& operator=(const TDeviceWatchdog&) = delete;

  // Watches a device call for its scope. Calls may nest (the device may
  // dispatch messages to the program while it works): the outermost counts.
  class TCall {
  public:
    explicit TCall(TDeviceWatchdog& watchdog);
    ~TCall();
    TCall(const TCall&) = delete;
    TCall& operator=(const TCall&) = delete;

  private:
    TDeviceWatchdog& Watchdog;
  };

  // Waits for the file being written, keeps any other from starting, tells
  // the user and ends the process.
  static void EndStuckProgram();

private:
  void Run();

  const DWORD LimitMs;
  const std::function<void()> OnStuck;
  SRWLOCK Lock = SRWLOCK_INIT;
  CONDITION_VARIABLE Changed = CONDITION_VARIABLE_INIT;
  unsigned Depth = 0;   // device calls under way
  ULONGLONG Since = 0;  // when the outermost began
  bool Stopping = false;
  std::thread Thread;  // last: started once everything it uses exists
};
