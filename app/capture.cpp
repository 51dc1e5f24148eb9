// Cutting: the frame on screen, or every frame of the marked range, is taken
// from the movie window's inner area and written as a BMP file.
#include "app/sdidecframe.h"
#include "app/errorbox.h"
#include "app/directcut.h"
#include "app/framewriter.h"
#include "app/pathtext.h"
#include "controls/hslider.h"
#include "framework/app/application.h"
#include "gadgets/messagebar.h"
#include "graphics/dc.h"
#include "resources/resource.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

HCURSOR WaitCursor()
{
  return ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514) /* IDC_WAIT */);
}

// Shows the wait cursor for its scope.
class TWaitCursor {
public:
  TWaitCursor() : Previous(::SetCursor(WaitCursor())) {}
  ~TWaitCursor() { ::SetCursor(Previous); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
  HCURSOR Previous;
};

// The keys of the cancel command, taken from the frame's accelerator table:
// the only keys translated while a continuous cut runs.
class TCancelKeys {
public:
  explicit TCancelKeys(HACCEL frameKeys)
  {
    const int count = frameKeys ? ::CopyAcceleratorTableA(frameKeys, nullptr, 0) : 0;
    std::vector<ACCEL> keys(static_cast<std::size_t>(count));
    if (count)
      ::CopyAcceleratorTableA(frameKeys, keys.data(), count);
    keys.erase(std::remove_if(keys.begin(), keys.end(), [](const ACCEL& key) { return key.cmd != CM_CANCELCUT; }),
               keys.end());
    if (!keys.empty())
      Table = ::CreateAcceleratorTableA(keys.data(), static_cast<int>(keys.size()));
  }
  ~TCancelKeys()
  {
    if (Table)
      ::DestroyAcceleratorTable(Table);
  }
  TCancelKeys(const TCancelKeys&) = delete;
  TCancelKeys& operator=(const TCancelKeys&) = delete;

  HACCEL Get() const { return Table; }

private:
  HACCEL Table = nullptr;
};

// Keyboard or mouse input waiting in the thread's queue, taken ahead of
// other posted messages (one look at the queue: this runs every frame).
bool TakeWaitingInput(MSG& msg)
{
  return ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT);
}

}  // namespace

std::string SDIDecFrame::TCutNames::For(unsigned position) const
{
  return CaptureFileName(Folder.c_str(), Movie.c_str(), position);
}

SDIDecFrame::TCutNames SDIDecFrame::CutNames() const
{
  return {OutputDir, FileData->FileName};
}

TFramePicture SDIDecFrame::GrabShownFrame(TFrameGrabber& grabber)
{
  // A movie opened before the main window was shown has its first frame still
  // waiting for a repaint, which comes after any queued command: paint it now.
  ::UpdateWindow(MovieWindow);
  // The keys come back to the program after a click elsewhere. Focus already
  // inside the frame would only be handed back to the same child (the frame
  // restores the child that lost it), repainting that child every frame.
  const HWND focus = ::GetFocus();
  if (focus != Handle && !::IsChild(Handle, focus))
    ::SetFocus(Handle);
  // The picture only: where the window is larger, the rest is not the movie's.
  return grabber.Grab(PictureSize, MovieBorder);
}

void SDIDecFrame::ReportReversedMarks()
{
  char text[240];
  std::snprintf(text, sizeof text,
                "範囲の始め (%u こま) が終わり (%u こま) より後ろにあるため、切り取れません。\n"
                "「メモリーここから」と「メモリーここまで」で範囲を付け直してください。",
                MarkFrom, MarkTo);
  ShowErrorBox(text);
}

void SDIDecFrame::ReportEmptyFrames()
{
  char text[200];
  std::snprintf(text, sizeof text,
                "こま %u より前は空のこまで、絵がありません（動画の一部だけを変換したコピーです）。\n"
                "こま %u 以降を切り取ってください。",
                FirstPictureFrame, FirstPictureFrame);
  ShowErrorBox(text);
}

void SDIDecFrame::ReportWriteFailure(const std::string& fileName)
{
  // A frame that cannot be written must not pass for a successful cut.
  const std::string text = "ファイル " + fileName + " を書き込めませんでした。";
  ShowErrorBox(text.c_str());
}

bool SDIDecFrame::CaptureFrame()
{
  TWaitCursor wait;
  TFrameGrabber grabber(MovieWindow, PaletteDevice ? PaletteSize : 0);
  const TFramePicture picture = GrabShownFrame(grabber);
  const std::string fileName = CutNames().For(Position);
  if (picture(fileName.c_str()))
    return true;
  ReportWriteFailure(fileName);
  return false;
}

bool SDIDecFrame::FinishWrite(TFrameWriter& writer)
{
  if (writer.Finish())
    return true;
  ++CutWriteFailures;
  ReportWriteFailure(writer.FailedPath());
  return false;
}

bool SDIDecFrame::CutFrame(TFrameGrabber& grabber, TFrameWriter& writer, const TCutNames& names)
{
  TFramePicture picture = GrabShownFrame(grabber);
  // The previous frame's file is complete, or its failure told, before
  // anything else is said or written.
  if (!FinishWrite(writer))
    return false;
  writer.Start(std::move(picture), names.For(Position));
  ++CutProgress.Cut;
  return true;
}

bool SDIDecFrame::EvSetCursor(HWND hWndCursor, unsigned hitTest, unsigned mouseMsg)
{
  // The mouse moving over the program during a continuous cut would bring
  // back the arrow, though the cut goes on.
  if (Cutting && hitTest == HTCLIENT) {
    ::SetCursor(WaitCursor());
    return true;
  }
  return TDecoratedFrame::EvSetCursor(hWndCursor, hitTest, mouseMsg);
}

void SDIDecFrame::CmCut()
{
  if (Cutting)
    return;  // the cut command reached us from inside a running cut's pump
  // A cut during playback takes the frame the movie stops on.
  if (Playing)
    StopPlayback();
  // An empty frame would be written as whatever picture the device shows.
  const bool ranged = MarkFromSet || MarkToSet;
  if ((ranged ? std::min(MarkFrom, MarkTo) : Position) < FirstPictureFrame) {
    ReportEmptyFrames();
    return;
  }
  // A picture the screen cannot give whole may still be in the file.
  const TPictureShown shown = PictureOnScreen();
  const bool fromFile = shown != TPictureShown::Whole && CutsFromFile();
  switch (fromFile ? TPictureShown::Whole : shown) {
  case TPictureShown::Whole:
    break;
  case TPictureShown::Hidden:
    if (!ranged) {
      ReportPictureHidden();
      return;
    }
    break;  // a continuous cut waits until the picture is shown again
  case TPictureShown::TooLarge:
    ReportPictureTooLarge("一部が欠けた画像になるため、切り取りません。");
    return;
  }
  // The marks stay, so that one of them can be set again.
  if (ranged && MarkFrom > MarkTo) {
    ReportReversedMarks();
    return;
  }
  if (!ranged && !fromFile) {
    CaptureFrame();
    return;
  }
  if (!ranged)
    MarkFrom = MarkTo = Position;  // a range of the one frame, cut from the file
  ContinuousCut();
}

void SDIDecFrame::ContinuousCut()
{
  struct TCutScope {
    SDIDecFrame& Frame;
    explicit TCutScope(SDIDecFrame& frame) : Frame(frame) { Frame.Cutting = true; }
    ~TCutScope()
    {
      Frame.Cutting = false;
      const TCutEnd end = Frame.HowCutEnded();
      Frame.ResetMarks();
      Frame.CutStep = 1;
      Frame.CancelRequested = 0;
      Frame.ShowCutEnd(end);
    }
  } scope(*this);
  StartCutProgress();
  if (CutsFromFile()) {
    CutFromFile();
    return;
  }

  const TCancelKeys cancelKeys(AccelHandle);
  const unsigned generation = MovieGeneration;
  const TCutNames names = CutNames();
  Position = MarkFrom;
  if (!ShowFrame())
    return;
  TrackCut();
  const TWaitCursor wait;
  TFrameGrabber grabber(MovieWindow, PaletteDevice ? PaletteSize : 0);
  // Declared after the grabber: the write in flight ends before its pixels go.
  TFrameWriter writer;
  const unsigned step = static_cast<unsigned>(CutStep);
  for (unsigned frame = MarkFrom; frame <= MarkTo; frame += step) {
    if (!CutGoesOn(generation) || !WaitUntilPictureShown(cancelKeys.Get(), generation))
      break;
    if (!CutFrame(grabber, writer, names))
      return;
    bool stepped = true;
    for (int turn = 0; turn < CutStep && stepped; ++turn)
      stepped = StepForward();
    if (!stepped)
      break;  // the next frame is refused (the user has been told why)
    TrackCutWhenDue();
    if (!PumpOneMessage(cancelKeys.Get()))
      break;
    if (MarkTo - frame < step)
      break;  // the next frame lies past the range (and the counter must not wrap)
  }
  FinishWrite(writer);
}

bool SDIDecFrame::CutGoesOn(unsigned generation) const
{
  // A command dispatched by the cut's pump may have closed or replaced the
  // movie, or destroyed the window: then there is nothing left to capture.
  return !CancelRequested && Handle && MovieGeneration == generation && ::IsWindow(MovieWindow);
}

bool SDIDecFrame::WaitUntilPictureShown(HACCEL cancelKeys, unsigned generation)
{
  if (PictureOnScreen() == TPictureShown::Whole)
    return true;
  // The ticks during the wait say so instead of the progress line.
  AwaitingPicture = true;
  StatusBar->SetText(AwaitingPictureText);
  // Whatever brings the picture back (restoring, sizing or moving a window,
  // one that covered it going away) comes as a message, the timer's ticks
  // besides; the wait sleeps until then.
  bool goesOn = true;
  while (goesOn && PictureOnScreen() != TPictureShown::Whole)
    goesOn = PumpOneMessage(cancelKeys) && CutGoesOn(generation);
  AwaitingPicture = false;
  TrackCut();  // the progress line the wait covered
  // What the device drew while its window was hidden may not have reached
  // the screen: the frame is drawn again.
  if (goesOn)
    ::RedrawWindow(MovieWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  return goesOn;
}

void SDIDecFrame::StartCutProgress()
{
  const unsigned step = static_cast<unsigned>(CutStep);
  CutProgress = TCutProgress{MarkFrom <= MarkTo ? (MarkTo - MarkFrom) / step + 1 : 0, 0, 0};
  CutStarted = ::GetTickCount();
  CutGeneration = MovieGeneration;
  CutWriteFailures = 0;
  CutFolder = OutputDir;  // the folder the cut writes into, whatever is chosen meanwhile
  IdleAction(0);          // the enablers see the cut: the cancel button comes alive
}

TCutEnd SDIDecFrame::HowCutEnded() const
{
  if (CutWriteFailures)
    return TCutEnd::Failed;
  if (CutProgress.Cut == CutProgress.Total)
    return TCutEnd::Finished;
  if (CancelRequested)
    return CancelEnd;
  if (MovieGeneration != CutGeneration || !::IsWindow(MovieWindow))
    return TCutEnd::MovieGone;
  return TCutEnd::Failed;  // a frame refused or not shown (the user has been told)
}

void SDIDecFrame::TrackCutWhenDue()
{
  // Often enough to be followed, seldom enough to cost the cut nothing.
  const DWORD cutTrackingMs = 150;
  if (::GetTickCount() - LastTracked >= cutTrackingMs)
    TrackCut();
}

void SDIDecFrame::TrackCut()
{
  TrackMovie();
  // The idle work, which the cut's pump never leaves time for, only when a
  // hint covers the progress line: it finds the pointer gone from the button.
  if (StatusBar->GetHint())
    IdleAction(0);
  // Painted now: the pump takes a WM_PAINT only when nothing is posted.
  ::RedrawWindow(Handle, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void SDIDecFrame::ShowCutEnd(TCutEnd end)
{
  // A frame window being destroyed has no bars left to tell.
  if (!Handle)
    return;
  TrackMovie();  // the readouts at the frame the cut ended on, not a tick later
  // The last file handed on was written unless the cut failed on it.
  const unsigned written = CutProgress.Cut - CutWriteFailures;
  StatusBar->SetText(CutEndText(end, written, CutProgress.Total, CutFolder).c_str());
}

bool SDIDecFrame::PumpOneMessage(HACCEL cancelKeys)
{
  // The movie device posts a notification for every status read, and posted
  // messages come before input: without taking waiting input first, no key or
  // click would reach the program until the cut ends.
  MSG msg;
  if (!TakeWaitingInput(msg)) {
    const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // Keep the quit request for the application's loop, which ends the program.
      ::PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : -1);
      return false;
    }
  }
  // Only the cancel key acts as an accelerator here; any other key, the cut
  // key among them, is used up without a command.
  if (cancelKeys && ::TranslateAcceleratorA(Handle, cancelKeys, &msg))
    return true;
  ::TranslateMessage(&msg);
  GetApplication()->CallAndResume([&] { ::DispatchMessageA(&msg); });
  return true;
}

bool SDIDecFrame::CutsFromFile() const
{
  if (!MovieFile || PaletteDevice || CutsOnScreenOnly)
    return false;
  const TAviVideo& video = MovieFile->Video();
  if (!ScreenShowsStoredRows(video, TScreenDC().GetDeviceCaps(BITSPIXEL)))
    return false;
  if (!ScreenShowsWholePicture())
    return true;  // the screen could not give the picture at all
  // A window resized by the user shows another area than the movie's frame,
  // which is what a cut gives.
  RECT window;
  if (!::GetWindowRect(MovieWindow, &window))
    return false;
  const TSize stored(video.Width, static_cast<LONG>(video.PictureHeight()));
  return MovieBorder.InnerSize(TRect(window).Size()) == stored && PictureSize == stored;
}

bool SDIDecFrame::ShowCutProgress(unsigned frame)
{
  Position = frame;
  if (!ShowFrame())
    return false;
  TrackCut();
  return true;
}

void SDIDecFrame::CutFromFile()
{
  // A range of one frame, given without marks, leaves the movie on that frame.
  const bool single = !MarkFromSet && !MarkToSet;
  const unsigned step = static_cast<unsigned>(CutStep);
  std::vector<TDirectCut::TFrame> frames;
  const TAviVideo& video = MovieFile->Video();
  const TCutNames names = CutNames();
  for (unsigned frame = MarkFrom;; frame += step) {
    frames.push_back({frame, video.Frames[MovieFile->PictureFrame(frame)], names.For(frame)});
    if (MarkTo - frame < step)
      break;  // the next frame lies past the range (and the counter must not wrap)
  }
  if (!ShowCutProgress(MarkFrom))
    return;

  const TCancelKeys cancelKeys(AccelHandle);
  const unsigned generation = MovieGeneration;
  const TWaitCursor wait;
  TDirectCut cut(MovieFilePath, video, TScreenDC().GetDeviceCaps(BITSPIXEL), std::move(frames));
  // The movie follows the cut as often as the screen can show it.
  const DWORD showEveryMs = 40;
  std::size_t shown = 0;
  ULONGLONG shownAt = ::GetTickCount64();
  bool ended = false;
  while (!ended) {
    const HANDLE endedEvent = cut.EndedEvent();
    ended = ::MsgWaitForMultipleObjects(1, &endedEvent, FALSE, showEveryMs, QS_ALLINPUT) == WAIT_OBJECT_0;
    if (!PumpWaitingMessages(cancelKeys.Get()) || CancelRequested)
      break;
    // A command taken above may have closed or replaced the movie, or
    // destroyed the window: the files written stay, nothing more is shown.
    if (!Handle || MovieGeneration != generation || !::IsWindow(MovieWindow))
      return;
    const std::size_t written = cut.Written();
    CutProgress.Cut = static_cast<unsigned>(written);
    if (!ended && written > shown && ::GetTickCount64() - shownAt >= showEveryMs) {
      shown = written;
      shownAt = ::GetTickCount64();
      if (!ShowCutProgress(cut.Frames()[written - 1].Number))
        return;  // the frame is gone from the file (the user has been told)
    }
  }
  cut.Stop();
  if (!Handle || MovieGeneration != generation || !::IsWindow(MovieWindow))
    return;

  const std::size_t written = cut.Written();
  const TDirectCut::TEnd end = cut.End();
  CutProgress.Cut = static_cast<unsigned>(written);
  if (end == TDirectCut::TEnd::Missing || end == TDirectCut::TEnd::WriteFailed) {
    // The movie rests on the last frame written, as a cut on the screen does.
    const TDirectCut::TFrame& failed = cut.Frames()[written];
    ShowCutProgress(written ? cut.Frames()[written - 1].Number : MarkFrom);
    if (end == TDirectCut::TEnd::Missing)
      ReportUnshowableFrame(TFrameState::Missing, failed.Number);
    else
      ReportWriteFailure(failed.Path);
    return;
  }
  if (single || !written)
    return;
  // As on the screen, the movie ends on the frame after the last one cut.
  const unsigned last = cut.Frames()[written - 1].Number;
  ShowCutProgress(LastFrame() - last < step ? LastFrame() : last + step);
}

bool SDIDecFrame::PumpWaitingMessages(HACCEL cancelKeys)
{
  // Bounded: the device posts a notification for each status read, so the
  // queue may never be empty for long.
  MSG msg;
  for (int taken = 0; taken < 64 && ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); ++taken) {
    if (!PumpOneMessage(cancelKeys))
      return false;
    if (!Handle || CancelRequested)
      break;
  }
  return true;
}
