// A bitmap whose pixels GDI draws into memory that the program reads directly
// (a DIB section), so that a screen copy needs no second conversion before it
// can be written as a BMP file. Depths without a colour table only (16, 24, 32).
#pragma once

#include "graphics/bitmap.h"

class TDibSection : public TBitmap {
public:
  // Uninitialised pixels, bottom-up rows in the layout GetDIBits gives for the
  // depth (16 bits: 5-5-5).
  TDibSection(int width, int height, int depth);

  const BITMAPINFOHEADER& GetInfoHeader() const { return Header; }
  // Valid once drawing has been flushed (GdiFlush) by the thread that drew.
  const void* GetBits() const { return Bits; }

  // Writes a complete BMP file, byte for byte what a TDib of the same pixels
  // writes; a file that could not be completed is removed. Reads only memory,
  // so it may run on another thread while nothing draws into the bitmap.
  bool WriteFile(const char* path) const;
  bool WriteFile(const wchar_t* path) const;

private:
  struct TCreated {
    BITMAPINFOHEADER Header;
    HBITMAP Handle;
    void* Bits;
  };
  static TCreated Create(int width, int height, int depth);
  explicit TDibSection(const TCreated& created);

  BITMAPINFOHEADER Header;
  void* Bits;
};
