// Geometry of the movie device's window: a sizing border on every side and a
// caption on top around the area where the movie is drawn, which is the area a
// capture takes; the copy of that area; and how far the main frame grows to
// show the whole window.
#pragma once

#include "framework/base/geometry.h"

class TBitmap;

struct TMovieWindowBorder {
  int FrameX = 0;   // sizing border, left and right
  int FrameY = 0;   // sizing border, top and bottom
  int Caption = 0;  // caption height, above the inner area

  // The border of a captioned, sizable window as the system draws it now.
  static TMovieWindowBorder Current();

  TPoint InnerOrigin() const { return TPoint(FrameX, FrameY + Caption); }
  TSize InnerSize(const TSize& outer) const { return TSize(outer.cx - 2 * FrameX, outer.cy - 2 * FrameY - Caption); }
  TSize OuterSize(const TSize& inner) const { return TSize(inner.cx + 2 * FrameX, inner.cy + 2 * FrameY + Caption); }
};

// Copies what the screen shows of the movie window's inner area, size pixels
// of it from its top left, into a bitmap at least that large: the step of
// every capture that reads the screen. A caller copying many frames passes the
// border it holds; asking the system for it costs more than a small copy.
void CopyInnerArea(HWND movieWindow, const TSize& size, const TBitmap& into,
                   const TMovieWindowBorder& border = TMovieWindowBorder::Current());

// Keeps the movie device's driver loaded for the rest of the process; called
// once a movie is open. Wine unloads the driver when the last movie closes,
// while the driver's thread that played it may still be running its code.
void KeepMovieDriverLoaded();

// The frame rectangle grown (never shrunk) by the missing width and height,
// kept within the work area: its size is capped at the work area's, and it is
// moved back inside where growing pushed it over the right or bottom edge.
TRect FrameGrownBy(const TRect& frame, const TSize& missing, const TRect& workArea);
