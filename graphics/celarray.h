// A bitmap used as a horizontal strip of equally sized pictures (cels).
#pragma once

#include "graphics/gdibase.h"
#include "framework/base/geometry.h"

class TBitmap;
class TDib;

class TCelArray {
public:
  // A zero cel size (either side) divides the bitmap's width among the cels.
  TCelArray(TBitmap* bitmap, int celCount, TSize celSize = TSize(), TPoint stripOffset = TPoint(),
            TAutoDelete autoDelete = AutoDelete);
  // Its own strip, made from dib on the default palette.
  TCelArray(const TDib& dib, int celCount);
  // An owned strip is copied; a borrowed one is shared.
  TCelArray(const TCelArray& source);
  TCelArray& operator=(const TCelArray& source);
  virtual ~TCelArray();

  TBitmap* GetBitmap() const { return Bitmap; }
  bool GetOwnsBitmap() const { return OwnsBitmap; }
  int NumCels() const { return CelCount; }
  TSize CelSize() const { return CelExtent; }
  TPoint Offset() const { return StripOffset; }

  // No range check: the caller keeps cel within NumCels.
  TPoint CelOrigin(int cel) const;
  TRect CelBounds(int cel) const;

private:
  void CopyFrom(const TCelArray& source);
  void FreeBitmap() noexcept;

  TBitmap* Bitmap = nullptr;
  bool OwnsBitmap = false;
  TPoint StripOffset;
  int CelCount = 1;
  TSize CelExtent;
};
