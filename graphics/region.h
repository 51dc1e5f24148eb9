// Regions. Regions are never selected through the DC wrappers, so they stay out
// of the reference table: an owning wrapper deletes its region directly.
#pragma once

#include "graphics/gdibase.h"
#include "framework/base/geometry.h"

class TRegion : public TGdiObject {
public:
  enum TEllipse { Ellipse };

  TRegion();  // empty
  TRegion(HRGN handle, TAutoDelete autoDelete = NoAutoDelete);
  TRegion(const TRegion& source);
  explicit TRegion(const TRect& rect);
  TRegion(const TRect& rect, TEllipse);
  TRegion(const TRect& rect, const TSize& corner);
  TRegion(const POINT* points, int count, int fillMode);
  TRegion(const POINT* points, const int* polyCounts, int polyCount, int fillMode);
  ~TRegion();
  TRegion& operator=(const TRegion&) = delete;

  HRGN GetHandle() const { return static_cast<HRGN>(Handle); }
  operator HRGN() const { return GetHandle(); }

  TRegion& operator&=(const TRect& rect);  // intersection
  TRegion& operator|=(const TRect& rect);  // union
  TRegion& operator^=(const TRect& rect);  // exclusive or

private:
  void Combine(const TRect& rect, int mode);
};
