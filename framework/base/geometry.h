// Geometry values laid out exactly like the platform's POINT, SIZE and RECT,
// so they can be passed to the platform unchanged.
#pragma once

#include "framework/base/wingeometry.h"

class TPoint : public tagPOINT {
public:
  TPoint() { x = y = 0; }
  TPoint(int px, int py)
  {
    x = px;
    y = py;
  }
  TPoint(const POINT& p)
  {
    x = p.x;
    y = p.y;
  }

  TPoint& Offset(int dx, int dy)
  {
    x += dx;
    y += dy;
    return *this;
  }
  bool operator==(const TPoint& o) const { return x == o.x && y == o.y; }
  bool operator!=(const TPoint& o) const { return !(*this == o); }
};

class TSize : public tagSIZE {
public:
  TSize() { cx = cy = 0; }
  TSize(int w, int h)
  {
    cx = w;
    cy = h;
  }
  TSize(const SIZE& s)
  {
    cx = s.cx;
    cy = s.cy;
  }

  bool operator==(const TSize& o) const { return cx == o.cx && cy == o.cy; }
  bool operator!=(const TSize& o) const { return !(*this == o); }
};

class TRect : public tagRECT {
public:
  TRect() { left = top = right = bottom = 0; }
  TRect(int l, int t, int r, int b)
  {
    left = l;
    top = t;
    right = r;
    bottom = b;
  }
  TRect(const RECT& r)
  {
    left = r.left;
    top = r.top;
    right = r.right;
    bottom = r.bottom;
  }
  TRect(const TPoint& origin, const TSize& extent)
    : TRect(origin.x, origin.y, origin.x + extent.cx, origin.y + extent.cy)
  {
  }

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  TSize Size() const { return TSize(Width(), Height()); }
  TPoint TopLeft() const { return TPoint(left, top); }
  // True for the all-zero rectangle, the "nothing yet" value of Union.
  bool IsNull() const { return !left && !top && !right && !bottom; }
  bool IsEmpty() const { return left >= right || top >= bottom; }
  bool Contains(const TPoint& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }

  TRect& Offset(int dx, int dy);
  TRect& Inflate(int dx, int dy);
  TRect& Union(const TRect& other);
  TRect& Normalize();

  bool operator==(const TRect& o) const
  {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const TRect& o) const { return !(*this == o); }
};
