// The movie's picture on the screen: its own size, the size the movie window
// shows it at where the screen has no room for it whole, and whether the
// screen shows all of it, so that a cut may copy it from there.
#pragma once

#include "app/device/framegrabber.h"
#include "app/device/moviedevice.h"
#include "app/device/moviewindow.h"

// The monitor's size and the largest picture the movie window can show whole
// on it.
struct TScreenRoom {
  TSize Screen;
  TSize LargestPicture;
};

// Whether a cut may copy the picture from the screen now: only when the
// screen shows all of it, so that no cut is ever a cropped or covered
// picture. Hidden can change (the frame minimised, made smaller or moved
// partly off the screen, another window over the movie); TooLarge cannot.
enum class TPictureShown { Whole, Hidden, TooLarge };

class TMoviePicture {
public:
  // The movie's own picture, as the device draws it from the window's inner
  // top left corner, also where the window is wider or taller.
  TSize Size() const { return PictureSize; }
  // The scale of a picture shown smaller than its own size, in percent.
  unsigned ShownPercent() const { return Percent; }
  const TMovieWindowBorder& Border() const { return MovieBorder; }
  // The border as the system's metrics say now, after they changed.
  void FollowSystemMetrics() { MovieBorder = TMovieWindowBorder::Current(); }

  // Sizes the movie window so that its inner area is the movie's picture,
  // scaled down to fit the screen where needed (or the smallest the window
  // can be); false when the device has no picture to show.
  bool Fit(TMovieDevice& device, HWND frame, HWND movieWindow);
  // Grows the frame, unless maximised or minimised, so that it shows the
  // movie window and the readouts, which miss readoutsMissing pixels of width.
  void GrowFrameToShow(HWND frame, HWND movieWindow, LONG readoutsMissing) const;

  // The room on the monitor of the frame, whose movie window lies in client.
  TScreenRoom Room(HWND frame, HWND client) const;
  // The screen has room for the whole picture, with the frame around it.
  bool ScreenShowsWhole(HWND frame, HWND client) const;
  TPictureShown OnScreen(HWND frame, HWND movieWindow) const;
  // The window's inner area is the stored picture, at the picture's size.
  bool WindowShowsStored(HWND movieWindow, TSize stored) const;
  // The picture as the screen shows it now, painted first, the keys of the
  // frame given back to it.
  TFramePicture Grab(TFrameGrabber& grabber, HWND frame, HWND movieWindow) const;

private:
  // The picture's area, where the device draws it, lies wholly in what the
  // screen shows of the movie window.
  bool WhollyVisible(HWND movieWindow) const;

  TSize PictureSize;
  // The picture as the window shows it: its own size, or scaled down to
  // Percent of it where the screen cannot show it whole.
  TSize ShownSize;
  unsigned Percent = 100;
  // Kept from the system's metrics as they change: every captured frame
  // needs it twice.
  TMovieWindowBorder MovieBorder = TMovieWindowBorder::Current();
};
