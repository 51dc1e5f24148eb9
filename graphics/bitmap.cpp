#include "graphics/bitmap.h"

#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/palette.h"

#include <memory>

TBitmap::TBitmap(HBITMAP handle, TAutoDelete autoDelete) : TGdiObject(handle, autoDelete)
{
  if (OwnsHandle)
    Register(Handle, Bitmap);
}

TBitmap::TBitmap(TFromClipboard) : TGdiObject(::GetClipboardData(CF_BITMAP), NoAutoDelete)
{
  Register(Handle, Bitmap);
  AddRef(Handle);
}

TBitmap::TBitmap(int width, int height, BYTE planes, BYTE bitsPerPixel, const void* bits)
{
  Handle = ::CreateBitmap(width, height, planes, bitsPerPixel, bits);
  CheckAndRegister(Bitmap);
}

TBitmap::TBitmap(const BITMAP& bitmap)
{
  Handle = ::CreateBitmapIndirect(&bitmap);
  CheckAndRegister(Bitmap);
}

TBitmap::TBitmap(const TDC& dc, int width, int height, bool discardable)
{
  Handle = discardable ? ::CreateDiscardableBitmap(dc, width, height) : ::CreateCompatibleBitmap(dc, width, height);
  CheckAndRegister(Bitmap);
}

TBitmap::TBitmap(const TDC& dc, const TDib& dib, DWORD usage)
{
  Handle = ::CreateDIBitmap(dc, &dib.GetInfoHeader(), usage, dib.GetBits(), dib.GetInfo(), dib.GetMode());
  CheckAndRegister(Bitmap);
}

TBitmap::TBitmap(HINSTANCE instance, TResId resId)
{
  Handle = ::LoadBitmapA(instance, resId);
  CheckAndRegister(Bitmap);
}

TBitmap::TBitmap(const TBitmap& source) : TGdiObject()
{
  BITMAP record{};
  source.GetObject(record);
  if (record.bmPlanes == 1 && record.bmBitsPixel == 1) {
    Handle = ::CreateBitmap(record.bmWidth, record.bmHeight, 1, 1, nullptr);
  } else {
    TScreenDC screen;
    Handle = ::CreateCompatibleBitmap(screen, record.bmWidth, record.bmHeight);
  }
  CheckAndRegister(Bitmap);

  TMemoryDC from;
  TMemoryDC to;
  from.SelectObject(source);
  to.SelectObject(*this);
  ::BitBlt(to, 0, 0, record.bmWidth, record.bmHeight, from, 0, 0, SRCCOPY);
}

TBitmap::TBitmap(const TDib& dib, const TPalette* palette)
{
  std::unique_ptr<TPalette> ownPalette;
  if (!palette) {
    ownPalette = std::make_unique<TPalette>(dib);
    palette = ownPalette.get();
  }
  TScreenDC screen;
  screen.SelectObject(*palette, false);
  ::RealizePalette(screen);
  Handle = ::CreateDIBitmap(screen, &dib.GetInfoHeader(), CBM_INIT, dib.GetBits(), dib.GetInfo(), dib.GetMode());
  CheckAndRegister(Bitmap);
}

bool TBitmap::GetObject(BITMAP& bitmap) const
{
  return ::GetObjectA(Handle, sizeof bitmap, &bitmap) == sizeof bitmap;
}

int TBitmap::Width() const
{
  BITMAP record{};
  GetObject(record);
  return record.bmWidth;
}

int TBitmap::Height() const
{
  BITMAP record{};
  GetObject(record);
  return record.bmHeight;
}

int TBitmap::BitsPixel() const
{
  BITMAP record{};
  GetObject(record);
  return record.bmBitsPixel;
}

void TBitmap::PutOnClipboard()
{
  ::SetClipboardData(CF_BITMAP, Handle);
  OwnsHandle = false;
  Unregister(Handle);
}
