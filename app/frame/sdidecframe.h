// The main window of velmo32: a decorated frame whose client window holds the
// movie device's window, with the settings, the commands on the open movie and
// the cuts; the movie itself, its picture on the screen and a running cut are
// objects of their own, which the frame follows in its bars.
#pragma once

#include "framework/app/cmdenable.h"
#include "framework/frame/decframe.h"
#include "framework/dialogs/opensave.h"
#include "app/cut/continuouscut.h"
#include "app/device/moviepicture.h"
#include "app/device/openmovie.h"
#include "app/frame/errorreports.h"
#include "app/frame/framebars.h"
#include "app/support/settings.h"

#include <optional>
#include <string>

// The bars are part of the frame: their slider and panes are its own fields.
class SDIDecFrame : public TDecoratedFrame, private TCutHost, private TFrameBars {
public:
  SDIDecFrame();
  ~SDIDecFrame() override;

  bool CanClose() override;

  // Every cut goes through the screen, also where the movie's file could give
  // its frames: the build that tests compare the cut from the file with.
  void KeepCutsOnScreen() { CutsOnScreenOnly = true; }

  // The movie's commands. ShowFrame, StepForward and StepBack are false when
  // the frame to show was refused (the user has been told why), Position then
  // being the frame still shown.
  // Opens the movie on frame (the last one where it lies beyond), or on its
  // first picture.
  void OpenMovie(const char* path, std::optional<unsigned> frame = std::nullopt);
  // Shows the frame at Position (the last frame when it lies beyond) and ends
  // a running playback there.
  bool ShowFrame() { return FollowMovie(Movie.Show(Position)); }
  void ReadPosition();
  bool StepForward() override { return FollowMovie(Movie.StepForward()); }
  bool StepBack() { return FollowMovie(Movie.StepBack()); }

  // Capture of the frame on screen into a BMP file, the picture being wholly
  // on the screen; false when it could not be written (the user has been told).
  bool CaptureFrame();

  void PromptOutputDir();

  const char* GetOutputDir() const { return OutputDir; }

protected:
  void SetupWindow() override;

  void EvTimer(unsigned timerId);
  bool EvSetCursor(HWND hWndCursor, unsigned hitTest, unsigned mouseMsg);
  void EvSettingChange();
  void CmFileOpen();
  void CmFileClose();
  void CmOutputDir() { PromptOutputDir(); }
  void CmPlay() { FollowMovie(Movie.Play()); }
  void CmStop() { FollowMovie(Movie.Stop()); }
  void CmFirstFrame();
  void CmPrevFrame() { StepBack(); }
  void CmNextFrame() { StepForward(); }
  void CmLastFrame();
  void CmCut();
  void CmCancelCut();
  void CmMarkFrom() { Mark(MarkFrom, MarkFromSet); }
  void CmMarkTo() { Mark(MarkTo, MarkToSet); }
  void CmNothing() {}
  void CmGoTo();
  void CeMovieOpen(TCommandEnabler& ce) { ce.Enable(MovieOpen == 1); }
  void CeCutRunning(TCommandEnabler& ce) { ce.Enable(RunningCut != nullptr); }

private:
  // The frame's copies of the movie's state brought in step with it after
  // each of its operations (the tracking timer at the pace of a playback);
  // false when a frame was refused, which the user is told of.
  bool FollowMovie(TShowResult result = {});
  // The tick's work: the readouts and the thumb follow the movie, and the
  // progress line a running cut.
  void TrackMovie();
  // The tick's work inside a continuous cut, when due: the cut's pump always
  // finds a posted message waiting, so no WM_TIMER comes while it runs.
  void TrackCutWhenDue() override;
  // The tick's work, and the bars' idle work while a hint covers the status
  // bar, painted now.
  void TrackCut() override;
  // The readouts where the cut ended, and how it ended in the status bar
  // until something else is said there.
  void ShowCutEnd(const std::string& text);
  // Opens a movie chosen in the open dialog: with the run's frame server, as
  // the server prepares it (the movie itself, or the index AVI of its
  // frames, on the frame the server says), else as it is.
  void OpenChosenMovie(const char* path);
  void CloseMovie();
  void RefuseMovie(TAviRefusal why);
  // The frame server would not prepare the movie chosen: why, as it says.
  void RefusePreparedMovie(const char* path, TFrameClient::TStatus status, const std::string& reasonUtf8);
  // Told once at a time, however often the frame is asked for while the
  // message is up.
  void ReportUnshowableFrame(TFrameState state, unsigned frame, TServedFault served) override;
  void ResetMarks();
  // Position in the frame pane, and its time in the movie in the time pane.
  void ShowFrameReadout() { ShowPositionReadout(Position, Length, Movie.Times().TimeOf(Position)); }
  TPictureShown PictureOnScreen() const { return Picture.OnScreen(Handle, MovieWindow); }
  void ReportPictureTooLarge(unsigned consequenceId) const;
  // Sets the mark at the frame shown.
  void Mark(unsigned& mark, unsigned& markSet);
  // The marked range in the status bar while a mark is set.
  void ShowMarkedRange() { ShowRange(MovieOpen && (MarkFromSet || MarkToSet), MarkFrom, MarkTo); }
  // The single cut of the frame on screen, its end told in the status bar.
  void CutShownFrame();
  // Runs a continuous cut of the range to its end, the frame following it.
  void ContinuousCut(TContinuousCut::TRange range, bool fromFile);
  TCutNames CutNames() const;
  // Whether the marked range can be cut from the movie's file: the screen
  // would show the file's rows unchanged, or cannot show the whole picture.
  bool CanCutFromFile() const;

  // What a running cut asks of the frame and tells it.
  bool ShowCutFrame(unsigned frame) override;
  unsigned ShownFrame() const override { return Position; }
  bool PictureShownWhole() const override { return PictureOnScreen() == TPictureShown::Whole; }
  TFramePicture GrabShownFrame(TFrameGrabber& grabber) override { return Picture.Grab(grabber, Handle, MovieWindow); }
  unsigned MovieGeneration() const override { return Movie.Generation(); }
  unsigned MarkedRangeEnd() const override { return MarkTo; }
  void ShowCutStatus() override;
  void ReportWriteFailure(const std::string& fileName) override { ::ReportWriteFailure(fileName); }

  // The open movie, with its one state, and its picture on the screen.
  TOpenMovie Movie;
  TMoviePicture Picture;
  // Prepares the movies chosen in the open dialog.
  TFrameClient MoviePreparer;
  // The frame's named copies of the movie's state, which the commands and
  // readouts use; set from Movie alone (FollowMovie), and left at the last
  // movie's numbers once it is closed, as the readouts are.
  HWND MovieWindow = nullptr;
  unsigned Length = 0;
  unsigned Position = 0;
  unsigned MovieOpen = 0;
  unsigned PaletteDevice = 0;
  int PaletteSize = 0;
  unsigned MarkToSet = 0;
  unsigned MarkFromSet = 0;
  // A cancel given while no cut runs, and how: it stops the next cut before
  // its first frame.
  std::optional<TCutEnd> CancelRequested;
  unsigned MarkTo = 0;
  unsigned MarkFrom = 0;
  // velmo32.ini: read into the placement and the two folders below when the
  // frame is made, written back from them when it closes.
  TSettings Settings;
  char OutputDir[260] = "";
  char LastDir[260] = "";
  int LastSliderPos = 0;
  TOpenSaveDialog::TData* FileData = nullptr;

  // The tracking timer's period now: its own, or a frame's time during a playback.
  unsigned TrackingPeriod;
  bool ReportingUnshowable = false;
  // The continuous cut running: its message pump may dispatch another cut
  // command.
  TContinuousCut* RunningCut = nullptr;
  // Every cut goes through the screen (a build of the program for tests).
  bool CutsOnScreenOnly = false;
  // When the tick's work last ran.
  DWORD LastTracked = 0;

  DECLARE_RESPONSE_TABLE(SDIDecFrame);
};
