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
  friend class TExclusiveUnlock;
  SRWLOCK& Lock;
};

// Lets go of a lock that a TExclusiveLock holds for its own scope and takes
// it again at its end, for work that must not block the lock's other users.
class TExclusiveUnlock {
public:
  explicit TExclusiveUnlock(TExclusiveLock& held) : Lock(held.Lock) { ::ReleaseSRWLockExclusive(&Lock); }
  ~TExclusiveUnlock() { ::AcquireSRWLockExclusive(&Lock); }
  TExclusiveUnlock(const TExclusiveUnlock&) = delete;
  TExclusiveUnlock& operator=(const TExclusiveUnlock&) = delete;

private:
  SRWLOCK& Lock;
};
