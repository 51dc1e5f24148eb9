// The movie the program has open: its file, checked before the device gets a
// frame, the device that shows and plays it, the frame shown and the times of
// its frames, in one state that says whether it is open, still, playing or
// being cut. It tells nobody anything: what needs telling comes back to the
// caller.
#pragma once

#include "avi/avimovie.h"
#include "app/device/moviedevice.h"
#include "app/support/frametimes.h"
#include "app/support/servedfault.h"
#include "channel/frameclient.h"

#include <memory>
#include <optional>
#include <string>

enum class TMovieState { Closed, Stopped, Playing, Cutting };

// What an open found in the movie's file that the user is to be told.
struct TMovieNotes {
  // Only the complete frames of a cut-off file are open.
  bool Truncated = false;
  unsigned CompleteFrames = 0;
  unsigned ClaimedFrames = 0;
  // Frames lie where the device does not read (OpenDML 'AVIX' parts).
  bool FramesPastReach = false;
  unsigned ReachedFrames = 0;
};

// How showing a frame went: Showable when it is shown, or why the frame was
// refused (the position then read back from the device). A frame of a served
// movie that the frame server cannot give is Damaged, Served saying why.
struct [[nodiscard]] TShowResult {
  TFrameState State = TFrameState::Showable;
  unsigned Frame = 0;
  TServedFault Served = TServedFault::None;
  bool Shown() const { return State == TFrameState::Showable; }
};

class TOpenMovie {
public:
  explicit TOpenMovie(TMovieDevice::TSendCommand send = ::mciSendCommandA);
  TOpenMovie(const TOpenMovie&) = delete;
  TOpenMovie& operator=(const TOpenMovie&) = delete;

  // The window the device makes its own in; set before the first open.
  void SetWindowParent(HWND parent) { Device.SetWindowParent(parent); }
  HWND WindowParent() const { return Device.WindowParent(); }
  TMovieDevice& MovieDevice() { return Device; }
  // The frame server that gives the pictures of served movies (the run's,
  // from the environment, unless another is given).
  void UseFrameServer(std::unique_ptr<TFrameClient> server) { FrameServer = std::move(server); }

  TMovieState State() const { return Now; }
  bool IsOpen() const { return Now != TMovieState::Closed; }

  // Opens the movie, closing the one open before: stopped, its first frame
  // not shown yet. Nothing when it opened, else why it was refused (nothing
  // is open then).
  std::optional<TAviRefusal> Open(const char* path);
  // Closes the movie, whatever it was doing; its window goes with it.
  void Close();

  // The device's window, which shows the picture; none while closed.
  HWND Window() const { return MovieWindow; }
  const TAviMovie* File() const { return MovieFile.get(); }
  const std::string& FilePath() const { return MovieFilePath; }
  TMovieNotes Notes() const;
  unsigned Length() const { return Frames; }
  unsigned LastFrame() const { return Frames ? Frames - 1 : 0; }
  // The frame shown, as last read from the device or shown.
  unsigned Position() const { return Shown; }
  // The first frame with a picture: a copy of a stretch of a longer movie has
  // empty frames before it, so that its frames keep the source's numbers.
  unsigned FirstPictureFrame() const { return FirstPicture; }
  // The frame times, the source's own where a copy keeps them.
  const TFrameTimes& Times() const { return FrameTimes; }
  // Changes whenever a movie is opened or closed.
  unsigned Generation() const { return Changes; }
  // A frame's time, to follow a playback frame by frame.
  unsigned FrameTickMs() const { return PlaybackTickMs; }

  // Shows the frame (the last one where it lies beyond), ending a playback.
  // A frame of a served movie is shown once the frame server has it (the
  // codec's request for its rows that follows is then cheap); a playback
  // asks nothing, the codec refusing what the server cannot give.
  TShowResult Show(unsigned frame);
  // Takes the position the device reports.
  void ReadPosition();
  TShowResult StepForward();
  TShowResult StepBack();
  // Plays from the frame shown up to the first frame that cannot be shown;
  // refused when that is the frame shown. Nothing happens during a cut, which
  // decides the frames shown.
  TShowResult Play();
  // Ends a playback where the device is, showing that frame.
  TShowResult Stop();
  // A tick: the position the device reports, and a playback that the device
  // ended by itself settled on its last frame.
  TShowResult Follow();

  // A cut runs from now until EndCut; the movie stays open and still.
  void BeginCut();
  void EndCut();

private:
  // After a playback the device's picture can trail the position it reports;
  // shows the reported frame so that the picture, the position and a cut's
  // name agree.
  TShowResult SettleOnReportedFrame();
  // Whether the frame server has frame's picture; None for other movies.
  TServedFault CheckServedFrame(unsigned frame);

  TMovieDevice Device;
  std::unique_ptr<TFrameClient> FrameServer;
  TMovieState Now = TMovieState::Closed;
  HWND MovieWindow = nullptr;
  std::unique_ptr<TAviMovie> MovieFile;
  std::string MovieFilePath;
  unsigned Frames = 0;
  unsigned Shown = 0;
  unsigned FirstPicture = 0;
  TFrameTimes FrameTimes;
  unsigned Changes = 0;
  unsigned PlaybackTickMs = 500;
  // The last frame the running playback may reach.
  unsigned PlaybackLast = 0;
  // The frame last shown and the frame the device was asked for to show it
  // (the picture of a dropped frame is an earlier frame's).
  unsigned ShownPosition = 0;
  unsigned DevicePosition = 0;
};
