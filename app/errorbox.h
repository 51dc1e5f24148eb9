// The program's own failures are told in a message box without owner, titled
// "エラー", in the system's default language.
#pragma once

#include "framework/base/platform.h"

inline void ShowErrorBox(const char* text, UINT type = MB_OK | MB_ICONEXCLAMATION)
{
  ::MessageBoxExA(nullptr, text, "エラー", type, 0);
}
