// Device-independent bitmaps held as one packed-DIB memory block (header,
// colour table, bottom-up pixel rows), so the same object can be drawn with
// the platform's DIB calls, put on the clipboard and written as a BMP file.
#pragma once

#include "graphics/dibformat.h"
#include "graphics/gdibase.h"
#include "framework/base/resid.h"

#include <array>
#include <cstddef>
#include <iosfwd>
#include <optional>

class TBitmap;
class TFile;
class TPalette;

class TDib : public TGdiBase {
public:
  // The standard glyph colours that MapSystemColors replaces.
  enum TSysColorMap : unsigned {
    MapFace = 0x01,       // light grey -> COLOR_BTNFACE
    MapText = 0x02,       // black -> COLOR_BTNTEXT
    MapShadow = 0x04,     // grey -> COLOR_BTNSHADOW
    MapHighlight = 0x08,  // white -> COLOR_BTNHIGHLIGHT
    MapFrame = 0x10,      // light magenta -> COLOR_WINDOWFRAME
  };
  // GetColor's answer for an entry that does not exist.
  static constexpr COLORREF NoColor = 0x01000000;
  static constexpr std::size_t FileHeaderSize = DibFormat::FileHeaderSize;

  // The bitmap's pixels at its own depth, or at the depth of palette's size
  // with the colour table taken through palette.
  explicit TDib(const TBitmap& bitmap, const TPalette* palette = nullptr);
  // A writable copy of an RT_BITMAP resource.
  TDib(HINSTANCE instance, TResId resId);
  // Uninitialised pixels; numColors must be 2, 16 or 256. RGB mode takes the
  // colour table from the system palette; palette-index mode numbers it 0..n-1.
  TDib(int width, int height, int numColors, WORD mode = DIB_RGB_COLORS);
  // Wraps a packed-DIB block, freeing it at the end only with AutoDelete (a
  // block refused for its header stays with the caller).
  TDib(HGLOBAL handle, TAutoDelete autoDelete);
  // The clipboard's CF_DIB block (the clipboard must be open), not owned.
  explicit TDib(TFromClipboard);
  TDib(const TDib& source);
  ~TDib();
  TDib& operator=(const TDib&) = delete;

  HGLOBAL GetHandle() const { return static_cast<HGLOBAL>(Handle); }
  int Width() const { return W; }
  int Height() const { return H; }
  int BitsPixel() const;
  int GetNumColors() const { return NumColors; }
  WORD GetMode() const { return Mode; }
  bool IsCoreHeader() const { return IsCore; }
  const BITMAPINFO* GetInfo() const { return Info; }
  BITMAPINFO* GetInfo() { return Info; }
  const BITMAPINFOHEADER& GetInfoHeader() const { return Info->bmiHeader; }
  BITMAPINFOHEADER& GetInfoHeader() { return Info->bmiHeader; }
  const void* GetBits() const { return Bits; }
  void* GetBits() { return Bits; }
  // Bytes in the block: header, colour table and pixel rows.
  std::size_t SizeDib() const { return BlockSize; }

  // The format's arithmetic (graphics/dibformat.h).
  static int ColorsForDepth(int depth) { return DibFormat::ColorsForDepth(depth); }
  static int DepthForColors(int colors) { return DibFormat::DepthForColors(colors); }
  static int ScanBytes(int width, int depth) { return DibFormat::ScanBytes(width, depth); }
  // The header of bottom-up BI_RGB pixels with numColors table entries.
  static BITMAPINFOHEADER MakeInfoHeader(int width, int height, int depth, int numColors);

  // Colour table in RGB mode.
  void SetColor(int entry, COLORREF color);
  COLORREF GetColor(int entry) const;
  int FindColor(COLORREF color) const;
  int MapColor(COLORREF from, COLORREF to, bool all = false);
  // Replaces the first entry of each flagged standard colour by the current
  // system colour, and yellow by background when one is given.
  void MapSystemColors(unsigned flags, std::optional<COLORREF> background = std::nullopt);

  // Colour table in palette-index mode.
  void SetIndex(int entry, WORD index);
  WORD GetIndex(int entry) const;
  int FindIndex(WORD index) const;
  int MapIndex(WORD from, WORD to, bool all = false);

  bool ToPaletteIndices(const TPalette& palette);
  bool ToRgbColors(const TPalette& palette);

  // The BMP file header that precedes the block in a file.
  std::array<BYTE, FileHeaderSize> FileHeader() const;
  // Writes a complete BMP file. A file that could not be completed is removed;
  // failure is reported by the result only.
  bool WriteFile(const char* path) const;
  bool WriteFile(const wchar_t* path) const;
  bool Write(TFile& file, bool withFileHeader = true) const;
  bool WriteToStream(std::ostream& stream, bool withFileHeader = true) const;

  // Gives the block to the (opened) clipboard as CF_DIB; the object is empty after.
  void PutOnClipboard();

private:
  TDib();
  void ReadHeader();
  void IndexSystemPalette(HDC screen);
  void Allocate(std::size_t size);
  void Free() noexcept;
  BYTE* ColorTable() const;
  int EntrySize() const { return IsCore ? 3 : 4; }
  COLORREF EntryColor(int entry) const;
  void SetEntryColor(int entry, COLORREF color);
  WORD* Indices() const { return reinterpret_cast<WORD*>(ColorTable()); }

  BITMAPINFO* Info = nullptr;
  void* Bits = nullptr;
  int NumColors = 0;
  int W = 0;
  int H = 0;
  WORD Mode = DIB_RGB_COLORS;
  bool IsCore : 1;
  bool IsResource : 1;
  std::size_t BlockSize = 0;
};
