// Cutting: the frame on screen, or every frame of the marked range, is taken
// from the movie window's inner area and written as a BMP file.
#include "app/sdidecframe.h"
#include "app/framewriter.h"
#include "app/pathtext.h"
#include "framework/app/application.h"
#include "gadgets/messagebar.h"
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

std::string SDIDecFrame::OutputFileName() const
{
  return CaptureFileName(OutputDir, FileData->FileName, Position);
}

bool SDIDecFrame::MovieWindowShowsPicture()
{
  // A movie opened before the main window was shown has its first frame still
  // waiting for a repaint, which comes after any queued command: paint it now.
  ::UpdateWindow(MovieWindow);
  // A window shrunk to its border shows nothing: no empty file is written.
  return MeasureMovieWindow() && CaptureWidth > 0 && CaptureHeight > 0;
}

TFramePicture SDIDecFrame::GrabShownFrame(TFrameGrabber& grabber)
{
  // The keys come back to the program after a click elsewhere. Focus already
  // inside the frame would only be handed back to the same child (the frame
  // restores the child that lost it), repainting that child every frame.
  const HWND focus = ::GetFocus();
  if (focus != Handle && !::IsChild(Handle, focus))
    ::SetFocus(Handle);
  return grabber.Grab(TSize(CaptureWidth, CaptureHeight), MovieBorder);
}

void SDIDecFrame::ReportNothingShown()
{
  ::MessageBoxExA(nullptr, "動画ウィンドウに表示されている画像がありません。", "エラー", MB_OK | MB_ICONEXCLAMATION, 0);
}

void SDIDecFrame::ReportReversedMarks()
{
  char text[240];
  std::snprintf(text, sizeof text,
                "範囲の始め (%u こま) が終わり (%u こま) より後ろにあるため、切り取れません。\n"
                "「メモリーここから」と「メモリーここまで」で範囲を付け直してください。",
                MarkFrom, MarkTo);
  ::MessageBoxExA(nullptr, text, "エラー", MB_OK | MB_ICONEXCLAMATION, 0);
}

void SDIDecFrame::ReportEmptyFrames()
{
  char text[200];
  std::snprintf(text, sizeof text,
                "こま %u より前は空のこまで、絵がありません（動画の一部だけを変換したコピーです）。\n"
                "こま %u 以降を切り取ってください。",
                FirstPictureFrame, FirstPictureFrame);
  ::MessageBoxExA(nullptr, text, "エラー", MB_OK | MB_ICONEXCLAMATION, 0);
}

void SDIDecFrame::ReportWriteFailure(const std::string& fileName)
{
  // A frame that cannot be written must not pass for a successful cut.
  const std::string text = "ファイル " + fileName + " を書き込めませんでした。";
  ::MessageBoxExA(nullptr, text.c_str(), "エラー", MB_OK | MB_ICONEXCLAMATION, 0);
}

bool SDIDecFrame::CaptureFrame()
{
  TWaitCursor wait;
  if (!MovieWindowShowsPicture()) {
    ReportNothingShown();
    return false;
  }
  TFrameGrabber grabber(MovieWindow, PaletteDevice ? PaletteSize : 0);
  const TFramePicture picture = GrabShownFrame(grabber);
  const std::string fileName = OutputFileName();
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

bool SDIDecFrame::CutFrame(TFrameGrabber& grabber, TFrameWriter& writer)
{
  const bool shown = MovieWindowShowsPicture();
  TFramePicture picture = shown ? GrabShownFrame(grabber) : nullptr;
  // The previous frame's file is complete, or its failure told, before
  // anything else is said or written.
  if (!FinishWrite(writer))
    return false;
  if (!shown) {
    ReportNothingShown();
    return false;
  }
  writer.Start(std::move(picture), OutputFileName());
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
  // The screen is where every cut takes its picture from.
  if (!ScreenShowsWholePicture()) {
    ReportPictureTooLarge("一部が欠けた画像になるため、切り取りません。");
    return;
  }
  // The marks stay, so that one of them can be set again.
  if (ranged && MarkFrom > MarkTo) {
    ReportReversedMarks();
    return;
  }
  if (!MarkFromSet && !MarkToSet) {
    CaptureFrame();
    return;
  }
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

  const TCancelKeys cancelKeys(AccelHandle);
  const unsigned generation = MovieGeneration;
  StartCutProgress();
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
    if (CancelRequested)
      break;
    // A command dispatched by the pump below may have closed or replaced the
    // movie, or destroyed the window: then there is nothing left to capture.
    if (!Handle || MovieGeneration != generation || !::IsWindow(MovieWindow))
      break;
    if (!CutFrame(grabber, writer))
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

void SDIDecFrame::StartCutProgress()
{
  const unsigned step = static_cast<unsigned>(CutStep);
  CutProgress = TCutProgress{MarkFrom <= MarkTo ? (MarkTo - MarkFrom) / step + 1 : 0, 0, 0};
  CutStarted = ::GetTickCount();
  CutGeneration = MovieGeneration;
  CutWriteFailures = 0;
  IdleAction(0);  // the enablers see the cut: the cancel button comes alive
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
  StatusBar->SetText(CutEndText(end, written, CutProgress.Total, OutputDir).c_str());
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
