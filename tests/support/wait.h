// Waiting on state for tests and tools that have no application object.
#pragma once

#include <functional>

// How many times longer than on a native, idle host this run's programs take:
// VELMO_TEST_TIME_SCALE, which scripts/test.sh sets where 32-bit programs run
// through an emulator; 1 without it.
int TimeScale();
// A time budget of a native host, scaled to this run.
int Scaled(int ms);

// Waits until done() answers true (pumping this thread's messages); false on
// timeout, which is scaled.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 20000);

// Tells when work whose length depends on the machine's speed has stopped
// moving: its progress, a count, has not changed for stallMs (scaled).
class TStallWatch {
public:
  explicit TStallWatch(std::function<long long()> progress, int stallMs = 20000);
  bool Stalled();

private:
  std::function<long long()> Progress;
  const unsigned long StallMs;
  long long Last;
  unsigned long LastMoved;
  unsigned long LastLooked;
};

// Waits until done() answers true for as long as progress() keeps changing.
bool WaitWhileProgressing(const std::function<bool()>& done, const std::function<long long()>& progress,
                          int stallMs = 20000);
