// The program's own failures are told in a message box without owner, titled
// "エラー", in the system's default language.
#pragma once

#include "app/support/texts.h"
#include "framework/base/platform.h"
#include "resources/resource.h"

#include <string>

inline void ShowErrorBox(const std::string& text, UINT type = MB_OK | MB_ICONEXCLAMATION)
{
  ::MessageBoxExA(nullptr, text.c_str(), LoadText(IDS_ERRORTITLE).c_str(), type, 0);
}
