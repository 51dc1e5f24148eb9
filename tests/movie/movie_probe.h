// Drives the platform's avivideo movie device and captures what it shows, for
// tests that check playback and screen capture against the test pattern.
#pragma once

#include "framework/base/platform.h"

#include <mmsystem.h>
#include "tools/avi/movie_pattern.h"

#include <cstdint>
#include <string>
#include <vector>

// A visible top-level window with one child filling its client area, the
// parent the movie device draws into. Both are destroyed with the object.
class TProbeFrame {
public:
  TProbeFrame();
  ~TProbeFrame();
  TProbeFrame(const TProbeFrame&) = delete;
  TProbeFrame& operator=(const TProbeFrame&) = delete;

  HWND Frame() const { return FrameHandle; }
  HWND Client() const { return ClientHandle; }

private:
  HWND FrameHandle = nullptr;
  HWND ClientHandle = nullptr;
};

// One movie opened on the avivideo device into a child window of a parent with
// a caption and sizing border; closed with the object.
class TMciMovie {
public:
  // Opens with MCI_OPEN_ELEMENT | MCI_OPEN_TYPE | MCI_DGV_OPEN_WS |
  // MCI_DGV_OPEN_PARENT | MCI_NOTIFY and sets the time format to frames.
  // OpenError() is the open's result; nothing else works when it is non-zero.
  TMciMovie(const std::string& path, HWND parent);
  ~TMciMovie();
  TMciMovie(const TMciMovie&) = delete;
  TMciMovie& operator=(const TMciMovie&) = delete;

  MCIERROR OpenError() const { return OpenResult; }
  MCIDEVICEID Device() const { return DeviceId; }

  std::uint32_t Length() const { return Status(MCI_STATUS_LENGTH); }
  std::uint32_t Position() const { return Status(MCI_STATUS_POSITION); }
  bool Playing() const { return Status(MCI_STATUS_MODE) == MCI_MODE_PLAY; }
  HWND StatusWindow() const;      // MCI_DGV_STATUS_HWND
  RECT WhereDestination() const;  // MCI_WHERE with MCI_DGV_WHERE_DESTINATION

  // Shows one frame and returns when it is drawn (MCI_PLAY, MCI_WAIT from = to).
  MCIERROR Show(std::uint32_t frame) const;
  // Plays from a frame to the end without waiting; Pause stops it.
  MCIERROR Play(std::uint32_t from) const;
  MCIERROR Pause() const;
  // MCI_STOP, waiting: returns once the playing thread, paused or not, has
  // ended. Wine answers a stop from pause with the error of resetting the
  // sound output, which these movies do not have.
  void Stop() const;
  // MCI_STEP by one frame forward or back, waiting.
  MCIERROR Step(bool backward) const;

private:
  std::uint32_t Status(DWORD item) const;

  MCIDEVICEID DeviceId = 0;
  MCIERROR OpenResult = 0;
};

// The movie window the device created: the first child of the parent.
HWND FindMovieWindow(HWND parent);

// Paints the movie window now. Wine's device moves the position on a seek but
// draws the frame only when its window paints.
void RepaintMovieWindow(HWND window);

// The screen pixels of a window's inner area (inside its sizing border, below
// its caption), as RGB values, top row first.
struct TCapture {
  int Width = 0;
  int Height = 0;
  std::vector<TRgb> Pixels;

  const TRgb& At(int x, int y) const { return Pixels[std::size_t(y) * Width + x]; }
};
TCapture CaptureInnerArea(HWND window);

// Pixels of the capture that differ from the given frame of the test pattern
// when the capture's (0, 0) shows the movie's (dx, dy).
int CountMismatches(const TCapture& capture, std::uint32_t frame, int dx = 0, int dy = 0);

// Runs queued messages of this thread.
void PumpThreadMessages();
