// Holds a slim reader/writer lock exclusively for its scope: the writer thread
// and the device watchdog share their state with the GUI thread under one.
#pragma once

#include "framework/base/platform.h"

class TExclusiveLock {
public:
  explicit TExclusiveLock(SRWLOCK& lock) : Lock(lock) { ::AcquireSRWLockExclusive(&Lock); }
  ~TExclusiveLock() { ::ReleaseSRWLockExclusive(&Lock); }
  TExclusiveLock(const TExclusiveLock&) = delete;
  TExclusiveLock& operator=(const TExclusiveLock&) = delete;

private:
  SRWLOCK& Lock;
};
