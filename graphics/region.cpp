#include "graphics/region.h"

TRegion::TRegion()
{
  Handle = ::CreateRectRgn(0, 0, 0, 0);
  CheckHandle(IDS_GDIALLOCFAIL);
}

TRegion::TRegion(HRGN handle, TAutoDelete autoDelete) : TGdiObject(handle, autoDelete) {}

TRegion::TRegion(const TRegion& source) : TGdiObject()
{
  Handle = ::CreateRectRgn(0, 0, 0, 0);
  CheckHandle(IDS_GDIALLOCFAIL);
  ::CombineRgn(GetHandle(), source, nullptr, RGN_COPY);
}

TRegion::TRegion(const TRect& rect)
{
  Handle = ::CreateRectRgnIndirect(&rect);
  CheckHandle(IDS_GDIALLOCFAIL);
}

TRegion::TRegion(const TRect& rect, TEllipse)
{
  Handle = ::CreateEllipticRgnIndirect(&rect);
  CheckHandle(IDS_GDIALLOCFAIL);
}

TRegion::TRegion(const TRect& rect, const TSize& corner)
{
  Handle = ::CreateRoundRectRgn(rect.left, rect.top, rect.right, rect.bottom, corner.cx, corner.cy);
  CheckHandle(IDS_GDIALLOCFAIL);
}

TRegion::TRegion(const POINT* points, int count, int fillMode)
{
  Handle = ::CreatePolygonRgn(points, count, fillMode);
  CheckHandle(IDS_GDIALLOCFAIL);
}

TRegion::TRegion(const POINT* points, const int* polyCounts, int polyCount, int fillMode)
{
  Handle = ::CreatePolyPolygonRgn(points, polyCounts, polyCount, fillMode);
  CheckHandle(IDS_GDIALLOCFAIL);
}

// A refusal of DeleteObject cannot be reported from a destructor; the region
// is gone from this program's view either way.
TRegion::~TRegion()
{
  if (OwnsHandle && Handle)
    ::DeleteObject(Handle);
  Handle = nullptr;
}

TRegion& TRegion::operator&=(const TRect& rect)
{
  Combine(rect, RGN_AND);
  return *this;
}

TRegion& TRegion::operator|=(const TRect& rect)
{
  Combine(rect, RGN_OR);
  return *this;
}

TRegion& TRegion::operator^=(const TRect& rect)
{
  Combine(rect, RGN_XOR);
  return *this;
}

void TRegion::Combine(const TRect& rect, int mode)
{
  TRegion other(rect);
  ::CombineRgn(GetHandle(), GetHandle(), other, mode);
}
