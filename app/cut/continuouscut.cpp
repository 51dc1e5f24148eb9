#include "app/cut/continuouscut.h"
#include "app/cut/filecut.h"
#include "app/cut/framewriter.h"
#include "app/support/pathtext.h"
#include "app/support/waitcursor.h"
#include "framework/app/application.h"
#include "framework/window/window.h"
#include "graphics/dc.h"
#include "resources/resource.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace {

const char AwaitingPictureText[] = "動画が隠れているため、切り取りを待っています";

// The keys of the cancel command in the frame's accelerator table, as a table
// of their own; null when there are none.
HACCEL CopyCancelKeys(HACCEL frameKeys)
{
  const int count = frameKeys ? ::CopyAcceleratorTableA(frameKeys, nullptr, 0) : 0;
  std::vector<ACCEL> keys(static_cast<std::size_t>(count));
  if (count)
    ::CopyAcceleratorTableA(frameKeys, keys.data(), count);
  keys.erase(std::remove_if(keys.begin(), keys.end(), [](const ACCEL& key) { return key.cmd != CM_CANCELCUT; }),
             keys.end());
  return keys.empty() ? nullptr : ::CreateAcceleratorTableA(keys.data(), static_cast<int>(keys.size()));
}

// Keyboard or mouse input waiting in the thread's queue, taken ahead of
// other posted messages (one look at the queue: this runs every frame).
bool TakeWaitingInput(MSG& msg)
{
  return ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT);
}

// The frames a cut from the file lists, with where their pictures lie. A
// mark can lie past the frames the file holds (the device's position in a
// cut-off file): the cut ends with the last of them, as on the screen. A
// range's end can move while it is cut: its frames are listed to the movie's
// end, and the cut takes those up to the end marked now.
std::vector<TFileCut::TFrame> ListFileFrames(const TAviMovie& movie, const TContinuousCut::TRange& range,
                                             const TCutNames& names)
{
  std::vector<TFileCut::TFrame> frames;
  const unsigned listedTo = range.Single ? range.To : UINT_MAX;
  for (unsigned frame = range.From; frame < movie.FrameCount(); ++frame) {
    frames.push_back({frame, movie.Video().Frames[movie.PictureFrame(frame)], names.For(frame)});
    if (frame == listedTo)
      break;  // the counter must not wrap
  }
  return frames;
}

}  // namespace

std::string TCutNames::For(unsigned position) const
{
  return CaptureFileName(Folder.c_str(), Movie.c_str(), position);
}

TContinuousCut::TContinuousCut(TCutHost& host, TWindow& frame, HACCEL frameKeys, HWND movieWindow, TRange range,
                               TCutNames names)
  : Host(host),
    Frame(frame),
    MovieWindow(movieWindow),
    Range(range),
    Names(std::move(names)),
    Generation(host.MovieGeneration()),
    CancelKeys(CopyCancelKeys(frameKeys)),
    Started(::GetTickCount())
{
}

void TContinuousCut::Cancel(TCutEnd how)
{
  CancelRequested = true;
  CancelEnd = how;
}

std::string TContinuousCut::StatusText() const
{
  if (AwaitingPicture)
    return AwaitingPictureText;
  TCutProgress now = Progress;
  now.Total = TotalFrames();
  now.ElapsedMs = ::GetTickCount() - Started;
  return CutProgressText(now);
}

std::string TContinuousCut::EndText() const
{
  // The last file handed on was written unless the cut failed on it.
  return CutEndText(HowEnded(), Progress.Cut - WriteFailures, TotalFrames(), Names.Folder);
}

TCutEnd TContinuousCut::HowEnded() const
{
  if (WriteFailures)
    return TCutEnd::Failed;
  if (Progress.Cut == TotalFrames())
    return TCutEnd::Finished;
  if (CancelRequested)
    return CancelEnd;
  if (!MovieStillThere())
    return TCutEnd::MovieGone;
  return TCutEnd::Failed;  // a frame refused or not shown (the user has been told)
}

bool TContinuousCut::MovieStillThere() const
{
  // A command dispatched by the cut's pump may have closed or replaced the
  // movie, or destroyed the window: then there is nothing left to capture.
  return Frame.GetHandle() && Host.MovieGeneration() == Generation && ::IsWindow(MovieWindow);
}

bool TContinuousCut::GoesOn() const
{
  return !CancelRequested && MovieStillThere();
}

unsigned TContinuousCut::LastFrame() const
{
  return Range.Single ? Range.To : Host.MarkedRangeEnd();
}

unsigned TContinuousCut::TotalFrames() const
{
  const unsigned last = LastFrame();
  // An end moved before frames already cut leaves the cut with those.
  return std::max(last >= Range.From ? last - Range.From + 1 : 0u, Progress.Cut);
}

void TContinuousCut::CutFromScreen(int paletteSize)
{
  if (!Host.ShowCutFrame(Range.From))
    return;
  const TWaitCursor wait;
  TFrameGrabber grabber(MovieWindow, paletteSize);
  // Declared after the grabber: the write in flight ends before its pixels go.
  TFrameWriter writer(Names.Folder);
  for (unsigned frame = Range.From; frame <= LastFrame(); ++frame) {
    if (!GoesOn() || !WaitUntilPictureShown())
      break;
    if (!CutFrame(grabber, writer))
      return;
    // The movie stays on the last frame cut (and the counter must not wrap).
    if (frame >= LastFrame())
      break;
    if (!Host.StepForward())
      break;  // the next frame is refused (the user has been told why)
    Host.TrackCutWhenDue();
    if (!PumpOneMessage())
      break;
  }
  FinishWrite(writer);
}

bool TContinuousCut::WaitUntilPictureShown()
{
  if (Host.PictureShownWhole())
    return true;
  // The ticks during the wait say so instead of the progress line.
  AwaitingPicture = true;
  Host.ShowCutStatus();
  // Whatever brings the picture back (restoring, sizing or moving a window,
  // one that covered it going away) comes as a message, the timer's ticks
  // besides; the wait sleeps until then.
  bool goesOn = true;
  while (goesOn && !Host.PictureShownWhole())
    goesOn = PumpOneMessage() && GoesOn();
  AwaitingPicture = false;
  Host.TrackCut();  // the progress line the wait covered
  // What the device drew while its window was hidden may not have reached
  // the screen: the frame is drawn again.
  if (goesOn)
    ::RedrawWindow(MovieWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  return goesOn;
}

bool TContinuousCut::CutFrame(TFrameGrabber& grabber, TFrameWriter& writer)
{
  TFramePicture picture = Host.GrabShownFrame(grabber);
  // The previous frame's file is complete, or its failure told, before
  // anything else is said or written.
  if (!FinishWrite(writer))
    return false;
  writer.Start(std::move(picture), Names.For(Host.ShownFrame()));
  ++Progress.Cut;
  return true;
}

bool TContinuousCut::FinishWrite(TFrameWriter& writer)
{
  if (writer.Finish())
    return true;
  ++WriteFailures;
  Host.ReportWriteFailure(writer.FailedPath());
  return false;
}

bool TContinuousCut::PumpOneMessage()
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
  if (CancelKeys && ::TranslateAcceleratorA(Frame.GetHandle(), CancelKeys.get(), &msg))
    return true;
  ::TranslateMessage(&msg);
  Frame.GetApplication()->CallAndResume([&] { ::DispatchMessageA(&msg); });
  return true;
}

bool TContinuousCut::PumpWaitingMessages()
{
  // Bounded: the device posts a notification for each status read, so the
  // queue may never be empty for long.
  MSG msg;
  for (int taken = 0; taken < 64 && ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); ++taken) {
    if (!PumpOneMessage())
      return false;
    if (!Frame.GetHandle() || CancelRequested)
      break;
  }
  return true;
}

void TContinuousCut::StopAndCount(TFileCut& cut)
{
  cut.Stop();
  Progress.Cut = static_cast<unsigned>(cut.Written());
}

void TContinuousCut::CutFromFile(const TAviMovie& movie, const std::string& moviePath)
{
  // Showing a frame takes messages, and one of them may close the movie:
  // the cut keeps its own copies of what it needs of it.
  const std::string path = moviePath;
  const TAviVideo format = VideoFormatOf(movie.Video());
  std::vector<TFileCut::TFrame> frames = ListFileFrames(movie, Range, Names);
  const std::size_t listed = frames.size();
  if (FramesToCut(listed) == 0 || !Host.ShowCutFrame(Range.From))
    return;

  const TWaitCursor wait;
  TFileCut cut(path, format, TScreenDC().GetDeviceCaps(BITSPIXEL), Names.Folder, std::move(frames),
               FramesToCut(listed));
  if (!FollowFileCut(cut))
    return;
  StopAndCount(cut);
  if (MovieStillThere())
    ShowFileCutEnd(cut);
}

std::size_t TContinuousCut::FramesToCut(std::size_t listed) const
{
  const unsigned last = LastFrame();
  return last < Range.From ? 0 : std::min<std::size_t>(last - Range.From + 1u, listed);
}

bool TContinuousCut::FollowFileCut(TFileCut& cut)
{
  // The movie follows the cut as often as the screen can show it.
  const DWORD showEveryMs = 40;
  std::size_t shown = 0;
  ULONGLONG shownAt = ::GetTickCount64();
  bool ended = false;
  while (!ended) {
    const HANDLE endedEvent = cut.EndedEvent();
    ended = ::MsgWaitForMultipleObjects(1, &endedEvent, FALSE, showEveryMs, QS_ALLINPUT) == WAIT_OBJECT_0;
    if (!PumpWaitingMessages() || CancelRequested)
      break;
    // A command taken above may have closed or replaced the movie, or
    // destroyed the window: the files written stay, nothing more is shown.
    if (!MovieStillThere()) {
      StopAndCount(cut);
      return false;
    }
    cut.CutFirst(FramesToCut(cut.Frames().size()));
    const std::size_t written = cut.Written();
    Progress.Cut = static_cast<unsigned>(written);
    if (!ended && written > shown && ::GetTickCount64() - shownAt >= showEveryMs) {
      shown = written;
      shownAt = ::GetTickCount64();
      if (!Host.ShowCutFrame(cut.Frames()[written - 1].Number)) {
        StopAndCount(cut);  // the frame is gone from the file (the user has been told)
        return false;
      }
    }
  }
  return true;
}

void TContinuousCut::ShowFileCutEnd(const TFileCut& cut)
{
  const std::size_t written = cut.Written();
  const TFileCut::TEnd end = cut.End();
  if (end == TFileCut::TEnd::Missing || end == TFileCut::TEnd::Damaged || end == TFileCut::TEnd::WriteFailed) {
    // The movie rests on the last frame written, as a cut on the screen does.
    // A frame refused there (a served movie's frame server gone) has been
    // told already: the same fault ended the cut.
    const TFileCut::TFrame& failed = cut.Frames()[written];
    const bool shown = Host.ShowCutFrame(written ? cut.Frames()[written - 1].Number : Range.From);
    if (end == TFileCut::TEnd::WriteFailed)
      Host.ReportWriteFailure(failed.Path);
    else if (shown)
      Host.ReportUnshowableFrame(end == TFileCut::TEnd::Missing ? TFrameState::Missing : TFrameState::Damaged,
                                 failed.Number, cut.ServedFault());
    return;
  }
  if (Range.Single || !written)
    return;
  // As on the screen, the movie ends on the last frame cut.
  Host.ShowCutFrame(cut.Frames()[written - 1].Number);
}
