#include "graphics/palette.h"

#include "graphics/dib.h"

#include <vector>

namespace {

PALETTEENTRY ToPaletteEntry(const RGBQUAD& color, BYTE flags)
{
  return PALETTEENTRY{color.rgbRed, color.rgbGreen, color.rgbBlue, flags};
}

PALETTEENTRY ToPaletteEntry(const RGBTRIPLE& color, BYTE flags)
{
  return PALETTEENTRY{color.rgbtRed, color.rgbtGreen, color.rgbtBlue, flags};
}

// Colour-table entries of an info header: biClrUsed, or all the depth allows.
int InfoTableColors(const BITMAPINFOHEADER& header)
{
  return header.biClrUsed ? static_cast<int>(header.biClrUsed) : TDib::ColorsForDepth(header.biBitCount);
}

}  // namespace

TPalette::TPalette(HPALETTE handle, TAutoDelete autoDelete) : TGdiObject(handle, autoDelete)
{
  if (OwnsHandle)
    Register(Handle, Palette);
}

TPalette::TPalette(TFromClipboard) : TGdiObject(::GetClipboardData(CF_PALETTE), NoAutoDelete)
{
  Register(Handle, Palette);
  AddRef(Handle);
}

TPalette::TPalette(const LOGPALETTE& logPalette)
{
  Handle = ::CreatePalette(&logPalette);
  CheckAndRegister(Palette);
}

TPalette::TPalette(const PALETTEENTRY* entries, int count)
{
  Create(entries, count);
}

TPalette::TPalette(const TPalette& source) : TGdiObject()
{
  int count = source.GetNumEntries();
  if (count > 0) {
    std::vector<PALETTEENTRY> entries(count);
    ::GetPaletteEntries(source, 0, count, entries.data());
    Create(entries.data(), count);
  }
  CheckHandle(IDS_GDIALLOCFAIL);
}

TPalette::TPalette(const BITMAPINFO& info, BYTE flags)
{
  CreateFromTable(info.bmiColors, InfoTableColors(info.bmiHeader), flags);
}

TPalette::TPalette(const BITMAPCOREINFO& info, BYTE flags)
{
  CreateFromTable(info.bmciColors, TDib::ColorsForDepth(info.bmciHeader.bcBitCount), flags);
}

TPalette::TPalette(const TDib& dib, BYTE flags)
{
  if (dib.IsCoreHeader())
    CreateFromTable(reinterpret_cast<const BITMAPCOREINFO*>(dib.GetInfo())->bmciColors,
                    TDib::ColorsForDepth(dib.BitsPixel()), flags);
  else
    CreateFromTable(dib.GetInfo()->bmiColors, InfoTableColors(dib.GetInfoHeader()), flags);
}

template <class TTableEntry> void TPalette::CreateFromTable(const TTableEntry* table, int count, BYTE flags)
{
  if (count > 0) {
    std::vector<PALETTEENTRY> entries(count);
    for (int i = 0; i < count; ++i)
      entries[i] = ToPaletteEntry(table[i], flags);
    Create(entries.data(), count);
  }
  CheckHandle(IDS_GDIALLOCFAIL);
}

void TPalette::Create(const PALETTEENTRY* entries, int count)
{
  // LOGPALETTE ends in a one-entry array: room for count entries behind it.
  std::vector<BYTE> buffer(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  LOGPALETTE* logPalette = reinterpret_cast<LOGPALETTE*>(buffer.data());
  logPalette->palVersion = 0x300;
  logPalette->palNumEntries = static_cast<WORD>(count);
  for (int i = 0; i < count; ++i)
    logPalette->palPalEntry[i] = entries[i];
  Handle = ::CreatePalette(logPalette);
  CheckAndRegister(Palette);
}

int TPalette::GetNumEntries() const
{
  WORD count = 0;
  return ::GetObjectA(Handle, sizeof count, &count) ? count : 0;
}

bool TPalette::GetPaletteEntry(int index, PALETTEENTRY& entry) const
{
  return ::GetPaletteEntries(GetHandle(), index, 1, &entry) == 1;
}

void TPalette::PutOnClipboard()
{
  ::SetClipboardData(CF_PALETTE, Handle);
  OwnsHandle = false;
  Unregister(Handle);
}
