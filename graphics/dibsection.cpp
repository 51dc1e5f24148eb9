#include "graphics/dibsection.h"

#include "graphics/dib.h"
#include "graphics/dibformat.h"
#include "graphics/file.h"

TDibSection::TCreated TDibSection::Create(int width, int height, int depth)
{
  TCreated created{TDib::MakeInfoHeader(width, height, depth, 0), nullptr, nullptr};
  created.Handle = ::CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&created.Header), DIB_RGB_COLORS,
                                      &created.Bits, nullptr, 0);
  if (!created.Handle)
    throw TXGdi(IDS_GDIALLOCFAIL);
  return created;
}

TDibSection::TDibSection(int width, int height, int depth) : TDibSection(Create(width, height, depth)) {}

TDibSection::TDibSection(const TCreated& created)
  : TBitmap(created.Handle, AutoDelete), Header(created.Header), Bits(created.Bits)
{
}

bool TDibSection::WriteFile(const char* path) const
{
  const auto fileHeader = DibFormat::FileHeader(sizeof Header + Header.biSizeImage, sizeof Header);
  return TFile::WriteWhole(
    path, {{fileHeader.data(), fileHeader.size()}, {&Header, sizeof Header}, {Bits, Header.biSizeImage}});
}

bool TDibSection::WriteFile(const wchar_t* path) const
{
  const auto fileHeader = DibFormat::FileHeader(sizeof Header + Header.biSizeImage, sizeof Header);
  return TFile::WriteWhole(
    path, {{fileHeader.data(), fileHeader.size()}, {&Header, sizeof Header}, {Bits, Header.biSizeImage}});
}
