#include "app/device/moviepicture.h"
#include "graphics/dc.h"
#include "graphics/region.h"

#include <algorithm>

bool TMoviePicture::Fit(TMovieDevice& device, HWND frame, HWND movieWindow)
{
  // The device does not always make its window so that the inner area is the
  // movie's size; the picture is drawn from the inner area's top left corner,
  // and a cut takes it from there, so the area must hold all of it.
  // A failed query leaves the size empty.
  const TSize source = device.SourceSize().Size;
  if (!movieWindow || source.cx <= 0 || source.cy <= 0)
    return false;  // a picture the device cannot show
  PictureSize = source;

  // Scaled down by a whole percentage, so that the readout says the scale
  // exactly. Cuts still come whole from the file, or are refused.
  const TSize largest = Room(frame, device.WindowParent()).LargestPicture;
  Percent = 100;
  if (PictureSize.cx > largest.cx || PictureSize.cy > largest.cy)
    Percent = static_cast<unsigned>(
      std::max<LONG>(1, std::min(largest.cx * 100 / PictureSize.cx, largest.cy * 100 / PictureSize.cy)));
  ShownSize = TSize(std::max<LONG>(1, PictureSize.cx * static_cast<LONG>(Percent) / 100),
                    std::max<LONG>(1, PictureSize.cy * static_cast<LONG>(Percent) / 100));
  // A device that cannot scale shows the top left corner at the movie's size.
  if (Percent < 100 && device.ShowPictureAt(ShownSize)) {
    Percent = 100;
    ShownSize = PictureSize;
  }

  const TSize outer = MovieBorder.OuterSize(ShownSize);
  RECT window;
  ::GetWindowRect(movieWindow, &window);
  if (TRect(window).Size() != outer)
    ::SetWindowPos(movieWindow, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void TMoviePicture::GrowFrameToShow(HWND frame, HWND movieWindow, LONG readoutsMissing) const
{
  // Parts of the movie window that the frame hides would be captured as the
  // screen shows them; a maximised or minimised frame keeps its size.
  if (::IsIconic(frame) || ::IsZoomed(frame))
    return;
  const HWND client = ::GetParent(movieWindow);
  RECT movie;
  RECT area;
  ::GetWindowRect(movieWindow, &movie);
  ::MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&movie), 2);
  ::GetClientRect(client, &area);
  const TSize missing(std::max(movie.right - area.right, readoutsMissing), movie.bottom - area.bottom);
  if (missing.cx <= 0 && missing.cy <= 0)
    return;

  RECT workArea;
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
  RECT frameRect;
  ::GetWindowRect(frame, &frameRect);
  const TRect grown = FrameGrownBy(frameRect, missing, workArea);
  if (grown != TRect(frameRect))
    ::SetWindowPos(frame, nullptr, grown.left, grown.top, grown.Width(), grown.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

TScreenRoom TMoviePicture::Room(HWND frame, HWND client) const
{
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoA(::MonitorFromWindow(frame, MONITOR_DEFAULTTONEAREST), &monitor);
  // The movie window lies in the client window; around that the frame has its
  // borders, caption, menu and bars, and the movie window its own border.
  RECT frameRect;
  RECT clientRect;
  ::GetWindowRect(frame, &frameRect);
  ::GetClientRect(client, &clientRect);
  const TSize frameParts(TRect(frameRect).Width() - clientRect.right, TRect(frameRect).Height() - clientRect.bottom);
  const TSize workArea = TRect(monitor.rcWork).Size();
  const TSize inner = MovieBorder.InnerSize(TSize(workArea.cx - frameParts.cx, workArea.cy - frameParts.cy));
  return {TRect(monitor.rcMonitor).Size(), TSize(std::max<LONG>(0, inner.cx), std::max<LONG>(0, inner.cy))};
}

bool TMoviePicture::ScreenShowsWhole(HWND frame, HWND client) const
{
  const TSize largest = Room(frame, client).LargestPicture;
  return PictureSize.cx <= largest.cx && PictureSize.cy <= largest.cy;
}

TPictureShown TMoviePicture::OnScreen(HWND frame, HWND movieWindow) const
{
  // Minimised, the frame's size says nothing of the room on the screen.
  if (!movieWindow || ::IsIconic(frame))
    return TPictureShown::Hidden;
  if (WhollyVisible(movieWindow))
    return TPictureShown::Whole;
  return ScreenShowsWhole(frame, ::GetParent(movieWindow)) ? TPictureShown::Hidden : TPictureShown::TooLarge;
}

bool TMoviePicture::WindowShowsStored(HWND movieWindow, TSize stored) const
{
  // A window resized by the user shows another area than the movie's frame,
  // which is what a cut gives.
  RECT window;
  if (!::GetWindowRect(movieWindow, &window))
    return false;
  return MovieBorder.InnerSize(TRect(window).Size()) == stored && PictureSize == stored;
}

TFramePicture TMoviePicture::Grab(TFrameGrabber& grabber, HWND frame, HWND movieWindow) const
{
  // A movie opened before the main window was shown has its first frame still
  // waiting for a repaint, which comes after any queued command: paint it now.
  ::UpdateWindow(movieWindow);
  // The keys come back to the program after a click elsewhere. Focus already
  // inside the frame would only be handed back to the same child (the frame
  // restores the child that lost it), repainting that child every frame.
  const HWND focus = ::GetFocus();
  if (focus != frame && !::IsChild(frame, focus))
    ::SetFocus(frame);
  // The picture only: where the window is larger, the rest is not the movie's.
  return grabber.Grab(PictureSize, MovieBorder);
}

bool TMoviePicture::WhollyVisible(HWND movieWindow) const
{
  RECT window;
  if (!::GetWindowRect(movieWindow, &window))
    return false;
  const TPoint inner = MovieBorder.InnerOrigin();
  const TRect picture(TPoint(window.left + inner.x, window.top + inner.y), PictureSize);
  // What the screen shows of the window's inner area, in screen coordinates:
  // without what its parents clip, other windows cover or lies off the screen.
  const TClientDC dc(movieWindow);
  TRegion shown;
  if (::GetRandomRgn(dc, shown, SYSRGN) != 1)
    return false;
  shown &= picture;
  return ::EqualRgn(shown, TRegion(picture));
}
