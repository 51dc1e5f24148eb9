// The time since a point, by the performance counter, for the benchmarks.
#pragma once

#include "framework/base/platform.h"

class TStopwatch {
public:
  TStopwatch()
  {
    ::QueryPerformanceFrequency(&Frequency);
    ::QueryPerformanceCounter(&Start);
  }
  double Seconds() const
  {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return double(now.QuadPart - Start.QuadPart) / double(Frequency.QuadPart);
  }
  double Ms() const { return 1000.0 * Seconds(); }

private:
  LARGE_INTEGER Frequency, Start;
};
