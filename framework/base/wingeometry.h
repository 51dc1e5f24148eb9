// The platform's POINT, SIZE and RECT. The program takes them from the Win32
// headers; the host-native build of the code without platform state (the
// sanitizer tests) declares the same layout here instead.
#pragma once

#ifdef _WIN32
#include "framework/base/platform.h"
#else
#include <cstdint>

using LONG = std::int32_t;

struct tagPOINT {
  LONG x, y;
};
struct tagSIZE {
  LONG cx, cy;
};
struct tagRECT {
  LONG left, top, right, bottom;
};
using POINT = tagPOINT;
using SIZE = tagSIZE;
using RECT = tagRECT;
#endif
