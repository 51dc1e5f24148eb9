// Device-dependent bitmaps.
#pragma once

#include "graphics/gdibase.h"
#include "framework/base/resid.h"

class TDC;
class TDib;
class TPalette;

class TBitmap : public TGdiObject {
public:
  TBitmap(HBITMAP handle, TAutoDelete autoDelete = NoAutoDelete);
  // The clipboard's bitmap; counted but never deleted by this program.
  explicit TBitmap(TFromClipboard);
  TBitmap(int width, int height, BYTE planes, BYTE bitsPerPixel, const void* bits);
  explicit TBitmap(const BITMAP& bitmap);
  // A bitmap compatible with dc (discardable on request).
  TBitmap(const TDC& dc, int width, int height, bool discardable = false);
  TBitmap(const TDC& dc, const TDib& dib, DWORD usage);
  TBitmap(HINSTANCE instance, TResId resId);
  TBitmap(const TBitmap& source);
  // The DIB's pixels on the screen's format, mapped through palette (or a
  // palette built from the DIB's own colour table).
  explicit TBitmap(const TDib& dib, const TPalette* palette = nullptr);

  HBITMAP GetHandle() const { return static_cast<HBITMAP>(Handle); }
  operator HBITMAP() const { return GetHandle(); }

  bool GetObject(BITMAP& bitmap) const;
  int Width() const;
  int Height() const;
  int BitsPixel() const;

  // Hands the bitmap to the (opened) clipboard, which owns it from now on.
  void PutOnClipboard();
};
