// Helpers for tests that drive real windows under Wine.
#pragma once

#include "framework/app/application.h"

#include <functional>

// An application object for the duration of one test.
class TTestApp : public TApplication {
public:
  // Starts from an empty queue: an earlier test's Run may leave a quit request
  // queued for enclosing loops.
  TTestApp() : TApplication("TestApp") { DrainQueue(); }
  static void DrainQueue();
};

// Dispatches everything queued for this thread (rethrowing kept exceptions).
void PumpMessages(TApplication& app);

// Pumps until done() answers true or timeoutMs (scaled) passes; returns done().
bool PumpUntil(TApplication& app, const std::function<bool()>& done, int timeoutMs = 5000);
