// The movie: played and positioned by the platform's "avivideo" device, which
// draws it into a window of its own inside the frame's client window.
#include "app/frame/sdidecframe.h"
#include "app/support/errorbox.h"
#include "avi/avimovie.h"
#include "app/device/moviewindow.h"
#include "controls/hslider.h"
#include "gadgets/gadgetwindow.h"
#include "gadgets/textgadget.h"
#include "gadgets/messagebar.h"
#include "graphics/dc.h"
#include "graphics/region.h"
#include "resources/resource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Room left after the last readout pane, as between the panes.
const LONG ReadoutsEndGap = 4;

// How often the readouts follow a playback: once a frame, at most 25 times a
// second.
unsigned FrameTickMs(const TAviVideo& video)
{
  const unsigned fastest = 40;
  const unsigned slowest = 500;
  if (!video.Rate)
    return slowest;
  const unsigned long long frameMs = 1000ull * video.Scale / video.Rate;
  return static_cast<unsigned>(std::clamp<unsigned long long>(frameMs, fastest, slowest));
}

}  // namespace

void SDIDecFrame::OpenMovie(const char* path)
{
  CloseMovie();

  // The file is checked before the device gets it: the device would wait
  // forever to show a frame of a movie that has none, and would play frames
  // that are not in the file as copies of the last one it could decode.
  std::unique_ptr<TAviMovie> file = std::strlen(path) < MAX_PATH ? OpenAviMovie(path) : nullptr;
  if (!file || !file->Video().Readable()) {
    RefuseMovie(file ? file->Video().Refusal : TAviRefusal::CannotOpen);
    return;
  }
  const TAviVideo& video = file->Video();

  if (MovieDevice.Open(path)) {
    RefuseMovie();
    return;
  }
  KeepMovieDriverLoaded();
  // The device's window (inside the client window) is known before the first
  // frame is shown, so that showing it also paints it.
  MovieWindow = ::GetWindow(::GetWindow(Handle, GW_CHILD), GW_CHILD);
  if (!FitMovieWindow()) {
    CloseMovie();
    RefuseMovie();
    return;
  }
  MovieOpen = 1;
  LastSliderPos = 0;
  PlaybackTickMs = FrameTickMs(video);
  GrowFrameToShowMovie();

  // Neither answer is looked at: the file's own count of frames bounds the
  // length.
  (void)MovieDevice.CountInFrames();
  Length = std::min(static_cast<unsigned>(MovieDevice.Length().Value), video.CompleteFrames);
  FrameTimes = video.SourceTimes.empty() ? TFrameTimes(Length, video.Rate, video.Scale)
                                         : TFrameTimes(Length, video.FirstTimedFrame, video.SourceTimes);
  // The device shows an empty frame as whatever it decoded last: the movie
  // opens on its first picture.
  FirstPictureFrame = video.LeadingEmptyFrames;
  Position = FirstPictureFrame;
  ResetSlider(LastFrame());

  // Kept before the first frame is shown: while a refused frame is told, the
  // user may close the movie.
  const bool truncated = video.Truncated();
  const unsigned complete = video.CompleteFrames;
  const unsigned claimed = video.ClaimedFrames();
  const unsigned firstPartFrames = video.FirstPartFrames;
  MovieFile = std::move(file);
  MovieFilePath = path;
  ShowFrame();
  ResetMarks();
  if (truncated)
    ReportTruncatedMovie(complete, claimed);
  // Frames in OpenDML 'AVIX' parts: the file holds them, the device does not read them.
  if (firstPartFrames < complete && Length < complete)
    ReportFramesPastReach(complete, Length);
  // A picture the screen cannot show whole can still be cut from the file.
  if (PictureOnScreen() == TPictureShown::TooLarge && !CanCutFromFile())
    ReportPictureTooLarge(IDS_TOOLARGETOCUT);
}

void SDIDecFrame::ReportTruncatedMovie(unsigned complete, unsigned claimed)
{
  ShowErrorBox(FormatText(IDS_TRUNCATEDMOVIE, claimed, complete));
}

void SDIDecFrame::ReportFramesPastReach(unsigned complete, unsigned reached)
{
  ShowErrorBox(FormatText(IDS_FRAMESPASTREACH, complete, reached, complete - reached));
}

void SDIDecFrame::ReportUnshowableFrame(TFrameState state, unsigned frame)
{
  if (ReportingUnshowable)
    return;
  ReportingUnshowable = true;
  ShowErrorBox(FormatText(state == TFrameState::Missing ? IDS_FRAMEMISSING : IDS_FRAMEDAMAGED, frame));
  ReportingUnshowable = false;
}

void SDIDecFrame::CloseMovie()
{
  (void)MovieDevice.Close();  // its window goes with it, whatever it answers
  ++MovieChanges;
  MovieOpen = 0;
  MovieWindow = nullptr;
  MovieFile.reset();
  MovieFilePath.clear();
  ShownPosition = 0;
  DevicePosition = 0;
  TrackPlayback(false);
  ShowMarkedRange();
}

void SDIDecFrame::RefuseMovie(TAviRefusal why)
{
  FileData->FileName[0] = '\0';
  ShowErrorBox(LoadText(why == TAviRefusal::PastDeviceReach ? IDS_MOVIEPASTREACH : IDS_BADMOVIE), MB_OK);
}

bool SDIDecFrame::FitMovieWindow()
{
  // The device does not always make its window so that the inner area is the
  // movie's size; the picture is drawn from the inner area's top left corner,
  // and a cut takes it from there, so the area must hold all of it. The
  // rectangle's right and bottom hold width and height.
  // A failed query leaves the size empty.
  const TSize source = MovieDevice.SourceSize().Size;
  if (!MovieWindow || source.cx <= 0 || source.cy <= 0)
    return false;  // a picture the device cannot show
  PictureSize = source;
  ShowWholePicture();

  const TSize outer = MovieBorder.OuterSize(ShownSize);
  RECT window;
  ::GetWindowRect(MovieWindow, &window);
  if (TRect(window).Size() != outer)
    ::SetWindowPos(MovieWindow, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void SDIDecFrame::ShowWholePicture()
{
  // Scaled down by a whole percentage, so that the readout says the scale
  // exactly. Cuts still come whole from the file, or are refused.
  const TSize largest = ScreenRoom().LargestPicture;
  ShownPercent = 100;
  if (PictureSize.cx > largest.cx || PictureSize.cy > largest.cy)
    ShownPercent = static_cast<unsigned>(
      std::max<LONG>(1, std::min(largest.cx * 100 / PictureSize.cx, largest.cy * 100 / PictureSize.cy)));
  ShownSize = TSize(std::max<LONG>(1, PictureSize.cx * static_cast<LONG>(ShownPercent) / 100),
                    std::max<LONG>(1, PictureSize.cy * static_cast<LONG>(ShownPercent) / 100));
  // A device that cannot scale shows the top left corner at the movie's size.
  if (ShownPercent < 100 && MovieDevice.ShowPictureAt(ShownSize)) {
    ShownPercent = 100;
    ShownSize = PictureSize;
  }
}

void SDIDecFrame::GrowFrameToShowMovie()
{
  // Parts of the movie window that the frame hides would be captured as the
  // screen shows them; a maximised or minimised frame keeps its size.
  if (::IsIconic(Handle) || ::IsZoomed(Handle))
    return;
  const HWND client = ::GetParent(MovieWindow);
  RECT movie;
  RECT area;
  ::GetWindowRect(MovieWindow, &movie);
  ::MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&movie), 2);
  ::GetClientRect(client, &area);
  // The readouts up to the time are to be seen, also beside a small movie
  // (the scale is said only beside a large one).
  RECT readouts;
  ::GetClientRect(TimePane->GetGadgetWindow()->GetHandle(), &readouts);
  const LONG readoutsMissing = TimePane->GetBounds().right + ReadoutsEndGap - readouts.right;
  const TSize missing(std::max(movie.right - area.right, readoutsMissing), movie.bottom - area.bottom);
  if (missing.cx <= 0 && missing.cy <= 0)
    return;

  RECT workArea;
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
  const TRect frame = GetWindowRect();
  const TRect grown = FrameGrownBy(frame, missing, workArea);
  if (grown != frame)
    ::SetWindowPos(Handle, nullptr, grown.left, grown.top, grown.Width(), grown.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

bool SDIDecFrame::ShowFrame()
{
  // Frames run from 0 to Length - 1. The device accepts the position Length
  // but draws nothing there (some builds of it fail outright): a position
  // beyond the last frame becomes the last frame, so that what is shown and
  // the position that names it agree.
  Position = std::min(Position, LastFrame());
  const unsigned frame = Position;
  // A frame whose data is damaged, or no longer in the file, never reaches the
  // device's decoder, which could crash or hang on it. A dropped frame shows
  // the picture before it: the device is asked for that frame, since it would
  // show whatever it decoded last.
  unsigned shown = frame;
  unsigned decodeFrom = frame;
  if (MovieFile) {
    const TFrameState state = MovieFile->Check(frame);
    if (state != TFrameState::Showable) {
      ReadPosition();
      ReportUnshowableFrame(state, frame);
      return false;
    }
    shown = MovieFile->PictureFrame(frame);
    // The device paints a frame's changes over whatever it decoded last.
    decodeFrom = MovieFile->FirstToDecode(frame, MovieDevice.LastDecoded());
  }
  // A frame the device failed to show leaves the picture as it was; the
  // position read next tells where the device is.
  (void)MovieDevice.Show(shown, decodeFrom);
  TrackPlayback(false);  // the seek ended any playback
  ShownPosition = frame;
  DevicePosition = shown;
  // The device may leave the new frame to its next repaint; the frame is to be
  // on screen (and so in a capture) when this returns.
  if (MovieWindow)
    ::RedrawWindow(MovieWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  return true;
}

void SDIDecFrame::ReadPosition()
{
  // A failed read gives the position last read.
  const auto device = static_cast<unsigned>(MovieDevice.Position().Value);
  // Still at the frame shown for a dropped frame: the position is the dropped frame's.
  Position = device == DevicePosition ? ShownPosition : device;
}

bool SDIDecFrame::DeviceIsPlaying()
{
  // A failed read gives the mode last read.
  return MovieDevice.Mode().Value == MCI_MODE_PLAY;
}

bool SDIDecFrame::StepForward()
{
  ReadPosition();
  if (Position >= LastFrame())
    return true;
  ++Position;
  return ShowFrame();
}

bool SDIDecFrame::StepBack()
{
  ReadPosition();
  if (Position == 0)
    return true;
  --Position;
  return ShowFrame();
}

void SDIDecFrame::StartPlayback()
{
  // The device plays up to the first frame that could not be shown.
  const unsigned end = MovieFile ? MovieFile->FirstUnshowable(Position) : Length;
  if (end == Position && end < Length) {
    ReportUnshowableFrame(MovieFile->Check(end), end);
    return;
  }
  PlaybackLast = std::min(end - 1, LastFrame());
  // A playback that did not start is seen at the next tick, which finds the
  // device stopped.
  (void)MovieDevice.Play(Position, end < Length ? std::optional<unsigned>(end - 1) : std::nullopt);
  TrackPlayback(true);
}

void SDIDecFrame::StopPlayback()
{
  // Where the device stands, paused or not, is read back next.
  (void)MovieDevice.Pause();
  SettleOnReportedFrame();
}

void SDIDecFrame::SettleOnReportedFrame()
{
  // While it plays, and where it stops, the device reports the frame it is
  // about to draw; the picture on screen is still the one before.
  ReadPosition();
  // Where a playback ended by itself that is the frame after the last one it
  // was to play, which may be one that must not be shown.
  if (Playing)
    Position = std::min(Position, PlaybackLast);
  ShowFrame();
}

SDIDecFrame::TScreenRoom SDIDecFrame::ScreenRoom() const
{
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoA(::MonitorFromWindow(Handle, MONITOR_DEFAULTTONEAREST), &monitor);
  // The movie window lies in the client window; around that the frame has its
  // borders, caption, menu and bars, and the movie window its own border.
  RECT frame;
  RECT client;
  ::GetWindowRect(Handle, &frame);
  ::GetClientRect(MovieDevice.WindowParent(), &client);
  const TSize frameParts(TRect(frame).Width() - client.right, TRect(frame).Height() - client.bottom);
  const TSize workArea = TRect(monitor.rcWork).Size();
  const TSize inner = MovieBorder.InnerSize(TSize(workArea.cx - frameParts.cx, workArea.cy - frameParts.cy));
  return {TRect(monitor.rcMonitor).Size(), TSize(std::max<LONG>(0, inner.cx), std::max<LONG>(0, inner.cy))};
}

bool SDIDecFrame::ScreenShowsWholePicture() const
{
  const TSize largest = ScreenRoom().LargestPicture;
  return PictureSize.cx <= largest.cx && PictureSize.cy <= largest.cy;
}

SDIDecFrame::TPictureShown SDIDecFrame::PictureOnScreen() const
{
  // Minimised, the frame's size says nothing of the room on the screen.
  if (!MovieWindow || ::IsIconic(Handle))
    return TPictureShown::Hidden;
  if (PictureWhollyVisible())
    return TPictureShown::Whole;
  return ScreenShowsWholePicture() ? TPictureShown::Hidden : TPictureShown::TooLarge;
}

bool SDIDecFrame::PictureWhollyVisible() const
{
  RECT window;
  if (!::GetWindowRect(MovieWindow, &window))
    return false;
  const TPoint inner = MovieBorder.InnerOrigin();
  const TRect picture(TPoint(window.left + inner.x, window.top + inner.y), PictureSize);
  // What the screen shows of the window's inner area, in screen coordinates:
  // without what its parents clip, other windows cover or lies off the screen.
  const TClientDC dc(MovieWindow);
  TRegion shown;
  if (::GetRandomRgn(dc, shown, SYSRGN) != 1)
    return false;
  shown &= picture;
  return ::EqualRgn(shown, TRegion(picture));
}

void SDIDecFrame::ReportPictureHidden() const
{
  ShowErrorBox(LoadText(IDS_PICTUREHIDDEN));
}

void SDIDecFrame::ReportPictureTooLarge(unsigned consequenceId) const
{
  const TScreenRoom room = ScreenRoom();
  ShowErrorBox(FormatText(IDS_PICTURETOOLARGE, PictureSize.cx, PictureSize.cy, room.Screen.cx, room.Screen.cy,
                          LoadText(consequenceId), room.LargestPicture.cx, room.LargestPicture.cy));
}

void SDIDecFrame::ShowMarkedRange()
{
  if (!MovieOpen || (!MarkFromSet && !MarkToSet)) {
    StatusBar->SetText(nullptr);
    return;
  }
  char text[120];
  std::snprintf(text, sizeof text, "範囲: %u ～ %u こま%s", MarkFrom, MarkTo,
                MarkFrom > MarkTo ? " (始めが終わりより後ろです)" : "");
  StatusBar->SetText(text);
}

void SDIDecFrame::ResetMarks()
{
  MarkFromSet = 0;
  MarkToSet = 0;
  // A range marked only at its end starts at the first frame with a picture.
  MarkFrom = FirstPictureFrame;
  MarkTo = LastFrame();
  ShowMarkedRange();
}
