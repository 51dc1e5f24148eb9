// Copies the movie window's inner area, as the screen shows it, into a picture
// that can be written as a BMP file on any thread.
#pragma once

#include "app/device/moviewindow.h"
#include "framework/base/geometry.h"

#include <functional>
#include <memory>

class TDibSection;

// A captured frame: writes itself as a complete BMP file (none is left when
// that fails) under the path TFileCreatePaths gives for the file. Holds its
// own pixels, so the screen may change meanwhile.
using TFramePicture = std::function<bool(const wchar_t* path)>;

class TFrameGrabber {
public:
  // paletteSize: the number of system palette entries on a palette display,
  // 0 otherwise.
  TFrameGrabber(HWND movieWindow, int paletteSize);
  ~TFrameGrabber();
  TFrameGrabber(const TFrameGrabber&) = delete;
  TFrameGrabber& operator=(const TFrameGrabber&) = delete;

  // The top left size.cx x size.cy pixels of the movie window's inner area,
  // inside the given border.
  TFramePicture Grab(TSize size, const TMovieWindowBorder& border);

private:
  // A screen of 16 or more bits per pixel: the pixels are copied straight into
  // a DIB section, whose bytes are those a conversion of a screen bitmap gives.
  TFramePicture GrabIntoSection(TSize size, const TMovieWindowBorder& border);
  // A palette display: the screen bitmap is converted and its pixels numbered
  // by the system palette, which becomes the colour table.
  TFramePicture GrabThroughPalette(TSize size, const TMovieWindowBorder& border);
  // A section of the size that no picture handed out still holds.
  std::shared_ptr<TDibSection> FreeSection(TSize size);

  const HWND MovieWindow;
  const int ScreenDepth;
  const int PaletteSize;
  // Two sections in turn: one may still be written while the next frame is
  // copied into the other.
  std::shared_ptr<TDibSection> Sections[2];
};
