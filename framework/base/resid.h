// A resource identifier: a numeric id (high word zero) or a pointer to a name,
// in one pointer-sized value, as the platform's resource functions take it.
#pragma once

#include "framework/base/platform.h"

#include <cstdint>

class TResId {
public:
  TResId() : Id(nullptr) {}
  TResId(unsigned id) : Id(MAKEINTRESOURCEA(id)) {}
  TResId(int id) : Id(MAKEINTRESOURCEA(id)) {}
  TResId(const char* name) : Id(name) {}

  bool IsNull() const { return Id == nullptr; }
  unsigned GetInt() const { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(Id) & 0xFFFF); }
  operator const char*() const { return Id; }

  // True when the value is a pointer to a name rather than a numeric id.
  static bool IsResourceName(const char* p) { return (reinterpret_cast<uintptr_t>(p) >> 16) != 0; }

private:
  const char* Id;
};

// Copies a name onto the heap but passes a numeric id through unchanged; the
// result is released with FreeResId.
char* DupResId(const char* id);
void FreeResId(const char* id);
