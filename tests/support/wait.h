// Waiting on state for tests and tools that have no application object.
#pragma once

#include <functional>

// Waits until done() answers true (pumping this thread's messages); false on timeout.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 20000);
