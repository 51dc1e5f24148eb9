#include "graphics/dib.h"

#include "graphics/bitmap.h"
#include "graphics/dc.h"
#include "graphics/file.h"
#include "graphics/palette.h"

#include <cstring>
#include <ostream>

namespace {

constexpr DWORD InfoHeaderSize = sizeof(BITMAPINFOHEADER);  // 40
constexpr DWORD CoreHeaderSize = sizeof(BITMAPCOREHEADER);  // 12

COLORREF ToColor(BYTE red, BYTE green, BYTE blue)
{
  return red | green << 8 | blue << 16;
}

}  // namespace

BITMAPINFOHEADER TDib::MakeInfoHeader(int width, int height, int depth, int numColors)
{
  BITMAPINFOHEADER header{};
  header.biSize = InfoHeaderSize;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(depth);
  header.biCompression = BI_RGB;
  header.biSizeImage = TDib::ScanBytes(width, depth) * height;
  header.biClrUsed = numColors;
  return header;
}

// --- Construction ------------------------------------------------------------

TDib::TDib() : IsCore(false), IsResource(false) {}

TDib::TDib(const TBitmap& bitmap, const TPalette* palette) : TDib()
{
  BITMAP record{};
  bitmap.GetObject(record);
  const int depth = palette ? DepthForColors(palette->GetNumEntries()) : record.bmPlanes * record.bmBitsPixel;
  // 16 and 32 bits per pixel have no colour count and no table.
  NumColors = ColorsForDepth(depth) < 0 ? 0 : ColorsForDepth(depth);
  const BITMAPINFOHEADER header = MakeInfoHeader(record.bmWidth, record.bmHeight, depth, NumColors);

  Allocate(InfoHeaderSize + 4 * NumColors + header.biSizeImage);
  try {
    std::memcpy(Info, &header, sizeof header);
    W = record.bmWidth;
    H = record.bmHeight;
    Bits = reinterpret_cast<BYTE*>(Info) + InfoHeaderSize + 4 * NumColors;
    Mode = DIB_RGB_COLORS;

    TScreenDC screen;
    if (palette)
      screen.SelectObject(*palette, false);
    // For depths up to 8 the colour table comes from the palette in the DC.
    ::GetDIBits(screen, bitmap, 0, H, Bits, Info, DIB_RGB_COLORS);
    // The platform may rewrite header fields (biClrUsed among them); the
    // block keeps the header that describes it.
    std::memcpy(Info, &header, sizeof header);
    if (!palette && depth == 8 && (screen.GetDeviceCaps(RASTERCAPS) & RC_PALETTE))
      IndexSystemPalette(screen);
  } catch (...) {
    Free();
    throw;
  }
}

TDib::TDib(HINSTANCE instance, TResId resId) : TDib()
{
  HRSRC found = ::FindResourceA(instance, resId, RT_BITMAP);
  HGLOBAL resource = found ? ::LoadResource(instance, found) : nullptr;
  if (!resource)
    throw TXGdi(IDS_GDIRESLOADFAIL);
  IsResource = true;
  Handle = resource;
  OwnsHandle = false;
  ReadHeader();

  // Keep a private copy so that colour mapping never touches the resource.
  const void* source = Info;
  const DWORD size = ::SizeofResource(instance, found);
  Info = nullptr;
  IsResource = false;
  Handle = nullptr;
  Allocate(size);
  std::memcpy(Info, source, size);
  ReadHeader();
}

TDib::TDib(int width, int height, int numColors, WORD mode) : TDib()
{
  const BITMAPINFOHEADER header = MakeInfoHeader(width, height, DepthForColors(numColors), numColors);
  Allocate(InfoHeaderSize + 4 * numColors + header.biSizeImage);
  std::memcpy(Info, &header, sizeof header);
  ReadHeader();
  Mode = mode;

  BYTE* table = ColorTable();
  if (mode == DIB_PAL_COLORS) {
    for (int i = 0; i < NumColors; ++i)
      Indices()[i] = static_cast<WORD>(i);
    return;
  }
  // Entries the system palette does not supply (no palette device) stay black.
  std::memset(table, 0, 4 * NumColors);
  try {
    TScreenDC screen;
    ::GetSystemPaletteEntries(screen, 0, NumColors, reinterpret_cast<PALETTEENTRY*>(table));
  } catch (...) {
    Free();
    throw;
  }
  // Palette entries are red, green, blue, flags; RGBQUADs are blue, green, red, 0.
  for (int i = 0; i < NumColors; ++i) {
    BYTE* entry = table + 4 * i;
    std::swap(entry[0], entry[2]);
    entry[3] = 0;
  }
}

TDib::TDib(HGLOBAL handle, TAutoDelete autoDelete) : TDib()
{
  Handle = handle;
  OwnsHandle = autoDelete == AutoDelete;
  BlockSize = ::GlobalSize(handle);
  ReadHeader();
}

TDib::TDib(TFromClipboard) : TDib()
{
  Handle = ::GetClipboardData(CF_DIB);
  OwnsHandle = false;
  CheckHandle(IDS_GDIALLOCFAIL);
  BlockSize = ::GlobalSize(Handle);
  ReadHeader();
}

TDib::TDib(const TDib& source) : TDib()
{
  Allocate(source.BlockSize);
  std::memcpy(Info, source.Info, source.BlockSize);
  IsCore = source.IsCore;
  NumColors = source.NumColors;
  W = source.W;
  H = source.H;
  Mode = source.Mode;
  Bits = reinterpret_cast<BYTE*>(Info) + (IsCore ? CoreHeaderSize : InfoHeaderSize) + NumColors * EntrySize();
}

TDib::~TDib()
{
  Free();
}

void TDib::Allocate(std::size_t size)
{
  Handle = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (!Handle)
    throw TXOutOfMemory();
  OwnsHandle = true;
  BlockSize = size;
  Info = static_cast<BITMAPINFO*>(::GlobalLock(Handle));
  if (!Info) {
    Free();
    throw TXOutOfMemory();
  }
}

void TDib::Free() noexcept
{
  if (Handle && !IsResource) {
    if (Info)
      ::GlobalUnlock(Handle);
    if (OwnsHandle)
      ::GlobalFree(Handle);
  }
  Handle = nullptr;
  Info = nullptr;
  Bits = nullptr;
}

void TDib::ReadHeader()
{
  if (!Info)
    Info = static_cast<BITMAPINFO*>(IsResource ? ::LockResource(Handle) : ::GlobalLock(Handle));
  if (!Info)
    throw TXGdi(IDS_INVALIDDIBHANDLE, Handle);

  const DWORD headerSize = Info->bmiHeader.biSize;
  if (headerSize == CoreHeaderSize) {
    const BITMAPCOREHEADER& core = reinterpret_cast<const BITMAPCOREINFO*>(Info)->bmciHeader;
    IsCore = true;
    NumColors = ColorsForDepth(core.bcBitCount);
    W = core.bcWidth;
    H = core.bcHeight;
  } else if (headerSize == InfoHeaderSize) {
    IsCore = false;
    NumColors = ColorsForDepth(Info->bmiHeader.biBitCount);
    W = Info->bmiHeader.biWidth;
    H = Info->bmiHeader.biHeight;
  } else {
    if (!IsResource)
      ::GlobalUnlock(Handle);
    Info = nullptr;
    throw TXGdi(IDS_INVALIDDIBHANDLE);
  }
  // Depths without a table (16, 32) have their pixels right behind the header.
  if (NumColors < 0)
    NumColors = 0;
  Bits = reinterpret_cast<BYTE*>(Info) + headerSize + NumColors * EntrySize();
  Mode = DIB_RGB_COLORS;
}

int TDib::BitsPixel() const
{
  return IsCore ? reinterpret_cast<const BITMAPCOREINFO*>(Info)->bmciHeader.bcBitCount : Info->bmiHeader.biBitCount;
}

// Screen pixels of a palette display are shown through the system palette, and
// frame capture makes that palette the colour table. GetDIBits may number its
// colours differently (beyond the static colours), so each pixel is renumbered
// to the system-palette entry of its colour and the table becomes the system
// palette: the file shows what the screen showed.
void TDib::IndexSystemPalette(HDC screen)
{
  PALETTEENTRY system[256];
  if (::GetSystemPaletteEntries(screen, 0, 256, system) != 256)
    return;
  BYTE toSystem[256];
  for (int k = 0; k < 256; ++k) {
    const COLORREF color = EntryColor(k);
    auto distance = [&](const PALETTEENTRY& e) {
      const int r = e.peRed - GetRValue(color), g = e.peGreen - GetGValue(color), b = e.peBlue - GetBValue(color);
      return r * r + g * g + b * b;
    };
    int best = k;  // an entry that already matches keeps its number
    for (int i = 0; i < 256 && distance(system[best]) > 0; ++i)
      if (distance(system[i]) < distance(system[best]))
        best = i;
    toSystem[k] = static_cast<BYTE>(best);
  }
  const int stride = ScanBytes(W, 8);
  for (int y = 0; y < H; ++y) {
    BYTE* row = static_cast<BYTE*>(Bits) + y * stride;
    for (int x = 0; x < W; ++x)
      row[x] = toSystem[row[x]];
  }
  for (int i = 0; i < 256; ++i)
    SetEntryColor(i, ToColor(system[i].peRed, system[i].peGreen, system[i].peBlue));
}

// --- Colour table -------------------------------------------------------------

BYTE* TDib::ColorTable() const
{
  return reinterpret_cast<BYTE*>(Info) + (IsCore ? CoreHeaderSize : InfoHeaderSize);
}

COLORREF TDib::EntryColor(int entry) const
{
  const BYTE* bgr = ColorTable() + entry * EntrySize();
  return ToColor(bgr[2], bgr[1], bgr[0]);
}

void TDib::SetEntryColor(int entry, COLORREF color)
{
  BYTE* bgr = ColorTable() + entry * EntrySize();
  bgr[0] = GetBValue(color);
  bgr[1] = GetGValue(color);
  bgr[2] = GetRValue(color);
  if (!IsCore)
    bgr[3] = 0;
}

void TDib::SetColor(int entry, COLORREF color)
{
  if (entry >= 0 && entry < NumColors && Mode == DIB_RGB_COLORS)
    SetEntryColor(entry, color);
}

COLORREF TDib::GetColor(int entry) const
{
  if (entry < 0 || entry >= NumColors || Mode != DIB_RGB_COLORS)
    return NoColor;
  return EntryColor(entry);
}

int TDib::FindColor(COLORREF color) const
{
  for (int i = 0; i < NumColors; ++i)
    if (EntryColor(i) == (color & 0xFFFFFF))
      return i;
  return -1;
}

int TDib::MapColor(COLORREF from, COLORREF to, bool all)
{
  int mapped = 0;
  for (int i = 0; i < NumColors; ++i) {
    if (EntryColor(i) != (from & 0xFFFFFF))
      continue;
    SetEntryColor(i, to);
    ++mapped;
    if (!all)
      break;
  }
  return mapped;
}

void TDib::MapSystemColors(unsigned flags, std::optional<COLORREF> background)
{
  static const struct {
    unsigned Flag;
    COLORREF Standard;
    int SysColor;
  } map[] = {
    {MapFace, RGB(0xC0, 0xC0, 0xC0), COLOR_BTNFACE},      {MapText, RGB(0, 0, 0), COLOR_BTNTEXT},
    {MapShadow, RGB(0x80, 0x80, 0x80), COLOR_BTNSHADOW},  {MapHighlight, RGB(0xFF, 0xFF, 0xFF), COLOR_BTNHIGHLIGHT},
    {MapFrame, RGB(0xFF, 0x00, 0xFF), COLOR_WINDOWFRAME},
  };
  for (const auto& entry : map)
    if (flags & entry.Flag)
      MapColor(entry.Standard, ::GetSysColor(entry.SysColor));
  if (background)
    MapColor(RGB(0xFF, 0xFF, 0x00), *background);
}

void TDib::SetIndex(int entry, WORD index)
{
  if (entry >= 0 && entry < NumColors && Mode == DIB_PAL_COLORS)
    Indices()[entry] = index;
}

WORD TDib::GetIndex(int entry) const
{
  if (entry < 0 || entry >= NumColors || Mode != DIB_PAL_COLORS)
    return 0;
  return Indices()[entry];
}

int TDib::FindIndex(WORD index) const
{
  for (int i = 0; i < NumColors; ++i)
    if (Indices()[i] == index)
      return i;
  return -1;
}

int TDib::MapIndex(WORD from, WORD to, bool all)
{
  int mapped = 0;
  for (int i = 0; i < NumColors; ++i) {
    if (Indices()[i] != from)
      continue;
    Indices()[i] = to;
    ++mapped;
    if (!all)
      break;
  }
  return mapped;
}

bool TDib::ToPaletteIndices(const TPalette& palette)
{
  if (Mode == DIB_PAL_COLORS)
    return false;
  const int paletteSize = palette.GetNumEntries();
  // Slot i overlays bytes of entries up to i only, which are read already.
  for (int i = 0; i < NumColors; ++i) {
    const COLORREF color = EntryColor(i);
    WORD index = static_cast<WORD>(i);
    for (int k = 0; k < paletteSize; ++k) {
      PALETTEENTRY entry{};
      if (palette.GetPaletteEntry(k, entry) && ToColor(entry.peRed, entry.peGreen, entry.peBlue) == color) {
        index = static_cast<WORD>(k);
        break;
      }
    }
    Indices()[i] = index;
  }
  Mode = DIB_PAL_COLORS;
  return true;
}

bool TDib::ToRgbColors(const TPalette& palette)
{
  if (Mode != DIB_PAL_COLORS || static_cast<BYTE*>(Bits) - reinterpret_cast<BYTE*>(Info) < 4 * NumColors)
    return false;
  const int paletteSize = palette.GetNumEntries();
  // Entry i overlays index slots i and above only, which are read already.
  for (int i = NumColors - 1; i >= 0; --i) {
    int k = Indices()[i];
    if (k >= paletteSize)
      k = 0;
    PALETTEENTRY entry{};
    palette.GetPaletteEntry(k, entry);
    BYTE* bgr = ColorTable() + 4 * i;
    bgr[0] = entry.peBlue;
    bgr[1] = entry.peGreen;
    bgr[2] = entry.peRed;
  }
  Mode = DIB_RGB_COLORS;
  return true;
}

// --- Output -------------------------------------------------------------------

std::array<BYTE, TDib::FileHeaderSize> TDib::FileHeader() const
{
  return DibFormat::FileHeader(BlockSize, static_cast<const BYTE*>(Bits) - reinterpret_cast<const BYTE*>(Info));
}

bool TDib::Write(TFile& file, bool withFileHeader) const
{
  if (withFileHeader) {
    const auto header = FileHeader();
    if (file.Write(header.data(), header.size()) != header.size())
      return false;
  }
  return file.Write(Info, BlockSize) == BlockSize;
}

bool TDib::WriteFile(const char* path) const
{
  const auto header = FileHeader();
  return TFile::WriteWhole(path, {{header.data(), header.size()}, {Info, BlockSize}});
}

bool TDib::WriteFile(const wchar_t* path) const
{
  const auto header = FileHeader();
  return TFile::WriteWhole(path, {{header.data(), header.size()}, {Info, BlockSize}});
}

bool TDib::WriteToStream(std::ostream& stream, bool withFileHeader) const
{
  if (withFileHeader) {
    const auto header = FileHeader();
    stream.write(reinterpret_cast<const char*>(header.data()), header.size());
    if (!stream)
      return false;
  }
  stream.write(reinterpret_cast<const char*>(Info), static_cast<std::streamsize>(BlockSize));
  return static_cast<bool>(stream);
}

void TDib::PutOnClipboard()
{
  if (!Handle)
    return;
  if (!IsResource)
    ::GlobalUnlock(Handle);
  ::SetClipboardData(CF_DIB, Handle);
  Handle = nullptr;
  OwnsHandle = false;
  Info = nullptr;
  Bits = nullptr;
}
