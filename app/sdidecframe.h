// The main window of velmo32: a decorated frame whose client window holds the
// movie device's window, with the settings, the movie operations, the capture
// and the command handlers of the program.
#pragma once

#include "framework/frame/decframe.h"
#include "framework/dialogs/opensave.h"
#include "app/avireader.h"
#include "app/cutprogress.h"
#include "app/devicewatchdog.h"
#include "app/framegrabber.h"

class THSlider;
class TTextGadget;
class TMessageBar;
class TFrameWriter;

#include <mmsystem.h>
#include <digitalv.h>

#include <memory>
#include <string>

class SDIDecFrame : public TDecoratedFrame {
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
  bool StepForward();
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
  void TrackCutWhenDue();
  // The tick's work, and the bars' idle work while a hint covers the status
  // bar, painted now.
  void TrackCut();
  // The readouts where the cut ended, and how it ended in the status bar
  // until something else is said there.
  void ShowCutEnd(TCutEnd end);
  // A continuous cut begins: nothing cut yet of the marked range, and the
  // commands enabled for it.
  void StartCutProgress();
  // What ended the cut, told from what it left behind.
  TCutEnd HowCutEnded() const;
  // The slider's range 0 .. the last frame with the thumb at 0.
  void ResetSlider(unsigned lastFrame);
  // The stored frame placement, or the first run's where that is unusable.
  TRect StoredPlacement() const;
  // The stored output directory; false when there is none that can be used.
  bool ReadOutputDir();
  // Writes the placement and the directories; false when they were not saved.
  bool SaveSettings() const;
  void CloseMovie();
  // Tells the user that the movie cannot be opened.
  void RefuseMovie();
  // Sizes the movie window so that its inner area is the movie's frame (or
  // the smallest the window can be); false when the device has no picture to
  // show.
  bool FitMovieWindow();
  void GrowFrameToShowMovie();
  // Tells the user that only the complete frames of a cut-off file are open.
  void ReportTruncatedMovie(unsigned complete, unsigned claimed);
  // Tells the user why a frame is not shown; once at a time, however often
  // the frame is asked for while the message is up.
  void ReportUnshowableFrame(TFrameState state, unsigned frame);
  void ResetMarks();
  // Position in the frame pane.
  void ShowFrameReadout();
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
  void ReportPictureTooLarge(const char* consequence) const;
  void ReportPictureHidden() const;
  // The marked range in the status bar while a mark is set.
  void ShowMarkedRange();
  void ContinuousCut();
  // The names of a cut's files, fixed when the cut starts: a folder or movie
  // name changed during a continuous cut is for the next cut.
  struct TCutNames {
    std::string Folder;
    std::string Movie;
    std::string For(unsigned position) const;
  };
  TCutNames CutNames() const;
  // A continuous cut may take its next frame: not cancelled, and the window,
  // the movie and its window still those it started with.
  bool CutGoesOn(unsigned generation) const;
  // Until the picture is wholly on the screen again, says so in the status
  // bar and handles messages; false when the cut must end meanwhile.
  bool WaitUntilPictureShown(HACCEL cancelKeys, unsigned generation);
  // Whether the marked range can be cut from the movie's file: the screen
  // would show the file's rows unchanged, or cannot show the whole picture.
  bool CutsFromFile() const;
  // The continuous cut from the file, with the movie, the frame pane and the
  // slider following it at the screen's pace.
  void CutFromFile();
  // Shows the frame a cut from the file has reached; false when it could not.
  bool ShowCutProgress(unsigned frame);
  // Takes every message waiting now, as PumpOneMessage does; false when the
  // cut must end.
  bool PumpWaitingMessages(HACCEL cancelKeys);
  // The picture as the screen shows it now, painted first.
  TFramePicture GrabShownFrame(TFrameGrabber& grabber);
  void ReportReversedMarks();
  // Tells the user that the frames before FirstPictureFrame have no picture.
  void ReportEmptyFrames();
  void ReportWriteFailure(const std::string& fileName);
  // Waits for the file in flight; false when it failed (the user has been told).
  bool FinishWrite(TFrameWriter& writer);
  // Copies the frame on screen and hands it to the writer once the previous
  // file is done; false when the cut must end (the user has been told why).
  bool CutFrame(TFrameGrabber& grabber, TFrameWriter& writer, const TCutNames& names);
  // Takes and dispatches one queued message inside a continuous cut, waiting
  // input first and with only the cancel keys translated; false when the cut
  // must end (quit requested).
  bool PumpOneMessage(HACCEL cancelKeys);

  THSlider* Slider = nullptr;
  TMessageBar* StatusBar = nullptr;
  TTextGadget* FramePane = nullptr;
  TTextGadget* SizePane = nullptr;
  MCI_DGV_OPEN_PARMSA OpenParms{};
  MCI_GENERIC_PARMS CloseParms{};
  MCI_STATUS_PARMS StatusParms{};
  MCI_SET_PARMS SetParms{};
  MCI_PLAY_PARMS PlayParms{};
  // The movie's own picture, as the device draws it from the window's inner
  // top left corner, also where the window is wider or taller (it cannot be
  // narrower than its caption needs).
  TSize PictureSize;
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
  unsigned MovieOpen = 0;
  bool Playing = false;
  // The last frame the running playback may reach.
  unsigned PlaybackLast = 0;
  // The tracking timer's period while the movie plays: a frame's time.
  unsigned PlaybackTickMs = 500;
  unsigned MarkToSet = 0;
  unsigned MarkFromSet = 0;
  unsigned CancelRequested = 0;
  unsigned MarkTo = 0;
  unsigned MarkFrom = 0;
  int CutStep = 1;
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
  // Ends the program when a device call does not return.
  TDeviceWatchdog DeviceWatch;

  // A continuous cut runs (its message pump may dispatch another cut command),
  // and a count of the movies opened and closed, so that a cut can tell that
  // the movie it was cutting is gone.
  bool Cutting = false;
  bool CutsOnScreenOnly = false;
  unsigned MovieGeneration = 0;
  // The running cut's progress since when, the movie it cuts, its files that
  // failed, and how the last cancel was given.
  TCutProgress CutProgress;
  DWORD CutStarted = 0;
  unsigned CutGeneration = 0;
  unsigned CutWriteFailures = 0;
  std::string CutFolder;  // where the running cut writes
  // A continuous cut waits for its picture to show whole again.
  bool AwaitingPicture = false;
  static constexpr const char* AwaitingPictureText = "動画が隠れているため、切り取りを待っています";
  TCutEnd CancelEnd = TCutEnd::CancelCommand;
  // When the tick's work last ran.
  DWORD LastTracked = 0;

  DECLARE_RESPONSE_TABLE(SDIDecFrame);
};
