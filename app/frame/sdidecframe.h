// The main window of velmo32: a decorated frame whose client window holds the
// movie device's window, with the settings, the movie operations, the single
// cut and the command handlers of the program; a continuous cut runs as an
// object of its own, which tells the frame how it goes.
#pragma once

#include "framework/frame/decframe.h"
#include "framework/dialogs/opensave.h"
#include "avi/avimovie.h"
#include "app/cut/continuouscut.h"
#include "app/device/framegrabber.h"
#include "app/support/frametimes.h"
#include "app/support/settings.h"
#include "app/device/moviedevice.h"

class THSlider;
class TTextGadget;
class TMessageBar;

#include <memory>
#include <optional>
#include <string>

class SDIDecFrame : public TDecoratedFrame, private TCutHost {
public:
  SDIDecFrame();
  ~SDIDecFrame() override;

  bool CanClose() override;

  // Every cut goes through the screen, also where the movie's file could give
  // its frames: the build that tests compare the cut from the file with.
  void KeepCutsOnScreen() { CutsOnScreenOnly = true; }

  // Movie device control. ShowFrame, StepForward and StepBack are false when
  // the frame to show was refused (the user has been told why), Position then
  // being the frame still shown.
  void OpenMovie(const char* path);
  // Shows the frame at Position (the last frame when it lies beyond) and ends
  // a running playback there.
  bool ShowFrame();
  void ReadPosition();
  bool StepForward() override;
  bool StepBack();

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
  void CmOutputDir();
  void CmPlay();
  void CmStop();
  void CmFirstFrame();
  void CmPrevFrame();
  void CmNextFrame();
  void CmLastFrame();
  void CmCut();
  void CmCancelCut();
  void CmMarkFrom();
  void CmMarkTo();
  void CmNothing();
  void CmGoTo();
  void CeMovieOpen(TCommandEnabler& ce);
  void CeCutRunning(TCommandEnabler& ce);

private:
  // The button bar with the position slider, the status bar and the readout bar.
  void BuildBars();
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
  // The slider's range 0 .. the last frame with the thumb at 0.
  void ResetSlider(unsigned lastFrame);
  void CloseMovie();
  // Tells the user that the movie cannot be opened, and why where it helps.
  void RefuseMovie(TAviRefusal why = TAviRefusal::CannotOpen);
  // Sizes the movie window so that its inner area is the movie's frame (or
  // the smallest the window can be); false when the device has no picture to
  // show.
  bool FitMovieWindow();
  void GrowFrameToShowMovie();
  // A picture larger than the screen can show is shown scaled to fit.
  void ShowWholePicture();
  // Tells the user that only the complete frames of a cut-off file are open.
  void ReportTruncatedMovie(unsigned complete, unsigned claimed);
  // Tells the user that frames of the movie lie where the device does not read.
  void ReportFramesPastReach(unsigned complete, unsigned reached);
  // Tells the user why a frame is not shown; once at a time, however often
  // the frame is asked for while the message is up.
  void ReportUnshowableFrame(TFrameState state, unsigned frame) override;
  void ResetMarks();
  // Position in the frame pane, and its time in the movie in the time pane.
  void ShowFrameReadout();
  // Tells the user that what they typed names no frame of the movie, and
  // what it may name.
  void ReportNoSuchFrame(const std::string& typed);
  // The position of the movie's last frame.
  unsigned LastFrame() const { return Length ? Length - 1 : 0; }
  // Playback drawn by the device on its own; the readouts follow it more
  // often than twice a second while it runs.
  void StartPlayback();
  // Ends a running playback where the device is, showing that frame.
  void StopPlayback();
  bool DeviceIsPlaying();
  // The tracking timer at the pace of a playback, or back at its own.
  void TrackPlayback(bool playing);
  // After a playback the device's picture can trail the position it reports;
  // shows the reported frame so that the picture, Position and a cut's name
  // agree.
  void SettleOnReportedFrame();
  // The monitor's size and the largest picture the movie window can show
  // whole on it.
  struct TScreenRoom {
    TSize Screen;
    TSize LargestPicture;
  };
  TScreenRoom ScreenRoom() const;
  // The screen has room for the whole picture, with the frame around it.
  bool ScreenShowsWholePicture() const;
  // Whether a cut may copy the picture from the screen now: only when the
  // screen shows all of it, so that no cut is ever a cropped or covered
  // picture. Hidden can change (the frame minimised, made smaller or moved
  // partly off the screen, another window over the movie); TooLarge cannot.
  enum class TPictureShown { Whole, Hidden, TooLarge };
  TPictureShown PictureOnScreen() const;
  // The picture's area, where the device draws it, lies wholly in what the
  // screen shows of the movie window.
  bool PictureWhollyVisible() const;
  // Tells the user that the picture does not fit on the screen, and what
  // follows from it (a text id).
  void ReportPictureTooLarge(unsigned consequenceId) const;
  void ReportPictureHidden() const;
  // The marked range in the status bar while a mark is set.
  void ShowMarkedRange();
  // The single cut of the frame on screen, its end told in the status bar.
  void CutShownFrame();
  // Runs a continuous cut of the range to its end, the frame following it.
  void ContinuousCut(TContinuousCut::TRange range, bool fromFile);
  TCutNames CutNames() const;
  // Whether the marked range can be cut from the movie's file: the screen
  // would show the file's rows unchanged, or cannot show the whole picture.
  bool CanCutFromFile() const;
  void ReportReversedMarks();
  // Tells the user that the frames before FirstPictureFrame have no picture.
  void ReportEmptyFrames();

  // What a running cut asks of the frame and tells it.
  bool ShowCutFrame(unsigned frame) override;
  unsigned ShownFrame() const override;
  bool PictureShownWhole() const override;
  TFramePicture GrabShownFrame(TFrameGrabber& grabber) override;
  unsigned MovieGeneration() const override;
  unsigned MarkedRangeEnd() const override;
  void ShowCutStatus() override;
  void ReportWriteFailure(const std::string& fileName) override;

  THSlider* Slider = nullptr;
  TMessageBar* StatusBar = nullptr;
  TTextGadget* FramePane = nullptr;
  TTextGadget* SizePane = nullptr;
  TTextGadget* TimePane = nullptr;
  // The scale of a picture shown smaller than its own size.
  TTextGadget* ScalePane = nullptr;
  TMovieDevice MovieDevice;
  // The movie's own picture, as the device draws it from the window's inner
  // top left corner, also where the window is wider or taller (it cannot be
  // narrower than its caption needs).
  TSize PictureSize;
  // The picture as the window shows it: its own size, or scaled down to
  // ShownPercent of it where the screen cannot show it whole.
  TSize ShownSize;
  unsigned ShownPercent = 100;
  // The movie window's border, kept from the system's metrics as they change:
  // every captured frame needs it twice.
  TMovieWindowBorder MovieBorder = TMovieWindowBorder::Current();
  HWND MovieWindow = nullptr;
  unsigned PaletteDevice = 0;
  int PaletteSize = 0;
  unsigned Length = 0;
  unsigned Position = 0;
  // The first frame with a picture: a copy of a stretch of a longer movie has
  // empty frames before it, so that its frames keep the source's numbers.
  unsigned FirstPictureFrame = 0;
  // The open movie's frame times, the source's own where a copy keeps them.
  TFrameTimes FrameTimes;
  unsigned MovieOpen = 0;
  bool Playing = false;
  // The last frame the running playback may reach.
  unsigned PlaybackLast = 0;
  // The tracking timer's period while the movie plays: a frame's time.
  unsigned PlaybackTickMs = 500;
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

  // The open movie's own file, read to check each frame before the device
  // shows it; the frame number last shown and the frame the device was asked
  // for to show it (the picture of a dropped frame is an earlier frame's).
  std::unique_ptr<TAviMovie> MovieFile;
  std::string MovieFilePath;
  unsigned ShownPosition = 0;
  unsigned DevicePosition = 0;
  bool ReportingUnshowable = false;

  // The continuous cut running (its message pump may dispatch another cut
  // command), and a count of the movies opened and closed, so that a cut can
  // tell that the movie it was cutting is gone.
  TContinuousCut* RunningCut = nullptr;
  unsigned MovieChanges = 0;
  // Every cut goes through the screen (a build of the program for tests).
  bool CutsOnScreenOnly = false;
  // When the tick's work last ran.
  DWORD LastTracked = 0;

  DECLARE_RESPONSE_TABLE(SDIDecFrame);
};
