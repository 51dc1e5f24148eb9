// The wait cursor, shown while the program is busy with a cut.
#pragma once

#include "framework/base/platform.h"

inline HCURSOR WaitCursor()
{
  return ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514) /* IDC_WAIT */);
}

// Shows the wait cursor for its scope.
class TWaitCursor {
public:
  TWaitCursor() : Previous(::SetCursor(WaitCursor())) {}
  ~TWaitCursor() { ::SetCursor(Previous); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
  HCURSOR Previous;
};
