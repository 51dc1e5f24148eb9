// The platform's "avivideo" movie device, which plays an open movie into a
// window of its own: the one place that sends it commands. Each command is
// sent with the flags the device has always been given, and its result goes
// back to the caller, which decides whether the user needs to know.
#pragma once

#include "app/device/devicewatchdog.h"
#include "framework/base/geometry.h"
#include "framework/base/platform.h"

#include <mmsystem.h>
#include <digitalv.h>

#include <optional>

class TMovieDevice {
public:
  // How commands reach the device: the platform's own call, or a test's.
  using TSendCommand = MCIERROR(WINAPI*)(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR parameters);

  // A status item as the device reported it. A read that fails leaves Value
  // at what the last read that succeeded gave.
  struct [[nodiscard]] TStatus {
    MCIERROR Error = 0;
    DWORD_PTR Value = 0;
  };
  // The movie's own picture size, as width and height.
  struct [[nodiscard]] TSource {
    MCIERROR Error = 0;
    TSize Size;
  };

  explicit TMovieDevice(TSendCommand send = ::mciSendCommandA);
  // Closes the movie still open.
  ~TMovieDevice();
  TMovieDevice(const TMovieDevice&) = delete;
  TMovieDevice& operator=(const TMovieDevice&) = delete;

  // The window the device makes its own window in, as a captioned, sizable
  // child; set before the first open.
  void SetWindowParent(HWND parent);
  HWND WindowParent() const { return OpenParms.hWndParent; }

  bool IsOpen() const { return Id != 0; }
  // The open movie's device id; 0 when none is open.
  MCIDEVICEID DeviceId() const { return Id; }

  // Opens the movie file, closing the one open before; the device takes its
  // own copy of the path.
  [[nodiscard]] MCIERROR Open(const char* path);
  // Closes the open movie, and its window with it; sends nothing when no
  // movie is open. The id is forgotten whatever the device answers.
  [[nodiscard]] MCIERROR Close();

  [[nodiscard]] TSource SourceSize();
  // Draws the picture at this size from the window's inner top left corner,
  // scaled from its own.
  [[nodiscard]] MCIERROR ShowPictureAt(TSize size);
  // Positions and lengths in frames from now on.
  [[nodiscard]] MCIERROR CountInFrames();
  [[nodiscard]] TStatus Length();
  // The frame the device shows, or is about to draw while it plays.
  [[nodiscard]] TStatus Position();
  // MCI_MODE_PLAY while it plays.
  [[nodiscard]] TStatus Mode();

  // Shows one frame, returning once it is drawn (or the device gave up). The
  // device decodes only the data of the frame it is asked for, over the
  // picture it decoded last: for a frame that builds on earlier ones, the
  // frames from decodeFrom on are decoded first, off the screen.
  [[nodiscard]] MCIERROR Show(unsigned frame, unsigned decodeFrom);
  [[nodiscard]] MCIERROR Show(unsigned frame) { return Show(frame, frame); }
  // The frame the device decoded last when it showed it on request; none
  // once it has played, failed to show a frame or opened another movie.
  std::optional<unsigned> LastDecoded() const { return Decoded; }
  // Plays on its own from a frame up to another, or to the end of the movie.
  [[nodiscard]] MCIERROR Play(unsigned from, std::optional<unsigned> to);
  [[nodiscard]] MCIERROR Pause();

private:
  // Calls that can wait on the device's decoder (showing a frame, a status
  // read while it plays, closing while its playback thread runs) are watched.
  enum class TWatch { No, Yes };
  MCIERROR Send(UINT command, DWORD_PTR flags, void* parameters, TWatch watch = TWatch::No);
  // lastRead: the item's value from its last read that succeeded, updated.
  TStatus Status(DWORD item, TWatch watch, DWORD_PTR& lastRead);
  // Before a frame is shown or a playback started: waits until the thread of
  // the playback started last has ended, paused or not.
  void EndPlaybackThread();
  // Plays the frame alone, waiting: how the device is moved to a frame.
  MCIERROR ShowOne(unsigned frame);
  // Has the decoder decode a frame, painting it into unseen.
  MCIERROR Decode(unsigned frame, HDC unseen);

  const TSendCommand SendCommand;
  MCIDEVICEID Id = 0;
  MCI_DGV_OPEN_PARMSA OpenParms{};
  MCI_GENERIC_PARMS CloseParms{};
  MCI_STATUS_PARMS StatusParms{};
  MCI_SET_PARMS SetParms{};
  MCI_PLAY_PARMS PlayParms{};
  MCI_GENERIC_PARMS StopParms{};
  // A playback was started and its thread may still run.
  bool PlaybackStarted = false;
  // The frame whose picture the decoder holds, while that is known.
  std::optional<unsigned> Decoded;
  // Each item's last good value: the reads share one parameter block, so a
  // failed read must not give what another item left there.
  DWORD_PTR LastLength = 0;
  DWORD_PTR LastPosition = 0;
  DWORD_PTR LastMode = 0;
  // Ends the program when a watched call does not return.
  TDeviceWatchdog Watch;
};
