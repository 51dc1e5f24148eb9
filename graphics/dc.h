// Device contexts. (Placeholder for the window framework: wraps a borrowed HDC.)
#pragma once

#include "framework/base/platform.h"

class TDC {
public:
  explicit TDC(HDC handle) : Handle(handle) {}
  virtual ~TDC() = default;
  TDC(const TDC&) = delete;
  TDC& operator=(const TDC&) = delete;

  HDC GetHDC() const { return Handle; }
  operator HDC() const { return Handle; }

protected:
  HDC Handle;
};
