#include "app/device/framegrabber.h"

#include "app/device/moviewindow.h"
#include "app/support/filewritelock.h"
#include "graphics/bitmap.h"
#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/dibsection.h"

#include <vector>

TFrameGrabber::TFrameGrabber(HWND movieWindow, int paletteSize)
  : MovieWindow(movieWindow), ScreenDepth(TScreenDC().GetDeviceCaps(BITSPIXEL)), PaletteSize(paletteSize)
{
}

TFrameGrabber::~TFrameGrabber() = default;

TFramePicture TFrameGrabber::Grab(TSize size, const TMovieWindowBorder& border)
{
  return PaletteSize ? GrabThroughPalette(size, border) : GrabIntoSection(size, border);
}

std::shared_ptr<TDibSection> TFrameGrabber::FreeSection(TSize size)
{
  for (std::shared_ptr<TDibSection>& section : Sections) {
    if (section && section.use_count() == 1 && section->Width() == size.cx && section->Height() == size.cy)
      return section;
  }
  for (std::shared_ptr<TDibSection>& section : Sections) {
    if (!section || section.use_count() == 1)
      return section = std::make_shared<TDibSection>(size.cx, size.cy, ScreenDepth);
  }
  // Both held by pictures not yet written: one more, used once.
  return std::make_shared<TDibSection>(size.cx, size.cy, ScreenDepth);
}

TFramePicture TFrameGrabber::GrabIntoSection(TSize size, const TMovieWindowBorder& border)
{
  std::shared_ptr<TDibSection> section = FreeSection(size);
  CopyInnerArea(MovieWindow, size, *section, border);
  ::GdiFlush();  // the pixels may be read on another thread
  return [section](const wchar_t* path) {
    const TFileWriteScope whole;
    return section->WriteFile(path);
  };
}

TFramePicture TFrameGrabber::GrabThroughPalette(TSize size, const TMovieWindowBorder& border)
{
  TBitmap bitmap(TScreenDC(), size.cx, size.cy);
  CopyInnerArea(MovieWindow, size, bitmap, border);
  auto dib = std::make_shared<TDib>(bitmap);
  std::vector<PALETTEENTRY> entries(static_cast<std::size_t>(PaletteSize));
  ::GetSystemPaletteEntries(TScreenDC(), 0, static_cast<UINT>(PaletteSize), entries.data());
  for (int i = 0; i < PaletteSize; ++i) {
    const PALETTEENTRY& e = entries[static_cast<std::size_t>(i)];
    dib->SetColor(i, RGB(e.peRed, e.peGreen, e.peBlue));
  }
  return [dib](const wchar_t* path) {
    const TFileWriteScope whole;
    return dib->WriteFile(path);
  };
}
