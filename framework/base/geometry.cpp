#include "framework/base/geometry.h"

#include <algorithm>
#include <utility>

TRect& TRect::Offset(int dx, int dy)
{
  left += dx;
  right += dx;
  top += dy;
  bottom += dy;
  return *this;
}

TRect& TRect::Inflate(int dx, int dy)
{
  left -= dx;
  right += dx;
  top -= dy;
  bottom += dy;
  return *this;
}

// An all-zero rectangle stands for "nothing" on either side, so it never pulls
// the union towards the origin.
TRect& TRect::Union(const TRect& other)
{
  if (other.IsNull())
    return *this;
  if (IsNull()) {
    *this = other;
    return *this;
  }
  left = std::min(left, other.left);
  top = std::min(top, other.top);
  right = std::max(right, other.right);
  bottom = std::max(bottom, other.bottom);
  return *this;
}

TRect& TRect::Normalize()
{
  if (right < left)
    std::swap(left, right);
  if (bottom < top)
    std::swap(top, bottom);
  return *this;
}
