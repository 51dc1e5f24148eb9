// Text of a multibyte code page as UTF-16, for the wide file functions.
#pragma once

#include "framework/base/platform.h"

#include <string>

// The text in UTF-16; the system's ANSI code page unless another is named.
std::wstring Widened(const std::string& text, UINT codePage = CP_ACP);
