#include "graphics/celarray.h"

#include "graphics/bitmap.h"
#include "graphics/dib.h"
#include "graphics/palette.h"

#include <algorithm>
#include <utility>

TCelArray::TCelArray(TBitmap* bitmap, int celCount, TSize celSize, TPoint stripOffset, TAutoDelete autoDelete)
  : Bitmap(bitmap), OwnsBitmap(autoDelete == AutoDelete), StripOffset(stripOffset), CelCount(std::max(celCount, 1))
{
  CelExtent = (celSize.cx && celSize.cy) ? celSize : TSize(bitmap->Width() / CelCount, bitmap->Height());
}

TCelArray::TCelArray(const TDib& dib, int celCount) : OwnsBitmap(true), CelCount(std::max(celCount, 1))
{
  TPalette defaultPalette(static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE)), NoAutoDelete);
  Bitmap = new TBitmap(dib, &defaultPalette);
  CelExtent = TSize(dib.Width() / CelCount, dib.Height());
}

TCelArray::TCelArray(const TCelArray& source)
{
  CopyFrom(source);
}

TCelArray& TCelArray::operator=(const TCelArray& source)
{
  if (this == &source)
    return *this;
  // Copy first: a failed bitmap copy leaves this cel array as it was.
  TCelArray copy(source);
  FreeBitmap();
  std::swap(Bitmap, copy.Bitmap);
  std::swap(OwnsBitmap, copy.OwnsBitmap);
  StripOffset = copy.StripOffset;
  CelCount = copy.CelCount;
  CelExtent = copy.CelExtent;
  return *this;
}

TCelArray::~TCelArray()
{
  FreeBitmap();
}

void TCelArray::CopyFrom(const TCelArray& source)
{
  Bitmap = (source.OwnsBitmap && source.Bitmap) ? new TBitmap(*source.Bitmap) : source.Bitmap;
  OwnsBitmap = source.OwnsBitmap;
  StripOffset = source.StripOffset;
  CelCount = source.CelCount;
  CelExtent = source.CelExtent;
}

void TCelArray::FreeBitmap() noexcept
{
  if (OwnsBitmap)
    delete Bitmap;
  Bitmap = nullptr;
  OwnsBitmap = false;
}

TPoint TCelArray::CelOrigin(int cel) const
{
  return TPoint(StripOffset.x + cel * CelExtent.cx, StripOffset.y);
}

TRect TCelArray::CelBounds(int cel) const
{
  return TRect(CelOrigin(cel), CelExtent);
}
