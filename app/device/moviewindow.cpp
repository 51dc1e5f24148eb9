#include "app/device/moviewindow.h"
#include "graphics/bitmap.h"
#include "graphics/dc.h"

#include <algorithm>

TMovieWindowBorder TMovieWindowBorder::Current()
{
  TMovieWindowBorder border;
  border.FrameX = ::GetSystemMetrics(SM_CXFRAME);
  border.FrameY = ::GetSystemMetrics(SM_CYFRAME);
  border.Caption = ::GetSystemMetrics(SM_CYCAPTION);
  return border;
}

void CopyInnerArea(HWND movieWindow, const TSize& size, const TBitmap& into, const TMovieWindowBorder& border)
{
  TWindowDC windowDC(movieWindow);
  TMemoryDC memoryDC;
  memoryDC.SelectObject(into);
  const TPoint origin = border.InnerOrigin();
  ::BitBlt(memoryDC, 0, 0, size.cx, size.cy, windowDC, origin.x, origin.y, SRCCOPY);
  memoryDC.RestoreBitmap();
}

void KeepMovieDriverLoaded()
{
  HMODULE driver = nullptr;
  ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, "mciavi32.dll", &driver);
}

namespace {

// One axis of FrameGrownBy: the new start and end of [start, end).
void GrowWithin(LONG& start, LONG& end, int missing, LONG areaStart, LONG areaEnd)
{
  const LONG extent = end - start;
  const LONG grown = std::max(extent, std::min<LONG>(extent + std::max(missing, 0), areaEnd - areaStart));
  if (grown == extent)
    return;
  if (start + grown > areaEnd)
    start = std::max(areaStart, areaEnd - grown);
  end = start + grown;
}

}  // namespace

TRect FrameGrownBy(const TRect& frame, const TSize& missing, const TRect& workArea)
{
  TRect grown = frame;
  GrowWithin(grown.left, grown.right, missing.cx, workArea.left, workArea.right);
  GrowWithin(grown.top, grown.bottom, missing.cy, workArea.top, workArea.bottom);
  return grown;
}
