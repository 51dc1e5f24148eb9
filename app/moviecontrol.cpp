// The movie: played and positioned by the platform's "avivideo" device, which
// draws it into a window of its own inside the frame's client window.
#include "app/sdidecframe.h"
#include "app/avireader.h"
#include "app/moviewindow.h"
#include "controls/hslider.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const DWORD OpenFlags = MCI_NOTIFY | MCI_OPEN_ELEMENT | MCI_OPEN_TYPE | MCI_DGV_OPEN_WS | MCI_DGV_OPEN_PARENT;

}  // namespace

void SDIDecFrame::OpenMovie(const char* path)
{
  CloseMovie();

  // The file is checked before the device gets it: the device would wait
  // forever to show a frame of a movie that has none, and would play frames
  // that are not in the file as copies of the last one it could decode.
  const TAviVideo video = std::strlen(path) < MAX_PATH ? ReadAviVideo(path) : TAviVideo();
  if (!video.Readable()) {
    RefuseMovie();
    return;
  }

  // The device takes its own copy of the name while it opens the file.
  OpenParms.lpstrElementName = const_cast<char*>(path);
  if (::mciSendCommandA(0, MCI_OPEN, OpenFlags, reinterpret_cast<DWORD_PTR>(&OpenParms))) {
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
  GrowFrameToShowMovie();

  SetParms.dwTimeFormat = MCI_FORMAT_FRAMES;
  ::mciSendCommandA(OpenParms.wDeviceID, MCI_SET, MCI_NOTIFY | MCI_SET_TIME_FORMAT,
                    reinterpret_cast<DWORD_PTR>(&SetParms));
  StatusParms.dwItem = MCI_STATUS_LENGTH;
  ::mciSendCommandA(OpenParms.wDeviceID, MCI_STATUS, MCI_NOTIFY | MCI_STATUS_ITEM,
                    reinterpret_cast<DWORD_PTR>(&StatusParms));
  Length = std::min(static_cast<unsigned>(StatusParms.dwReturn), video.CompleteFrames);
  Position = 0;
  ResetSlider(Length);

  ShowFrame();
  ResetMarks();
  if (video.Truncated())
    ReportTruncatedMovie(video.CompleteFrames, video.ClaimedFrames());
}

void SDIDecFrame::ReportTruncatedMovie(unsigned complete, unsigned claimed)
{
  char text[160];
  std::snprintf(text, sizeof text, "動画ファイルが途中で切れています。\n%u こまのうち、ある %u こまだけを開きました。",
                claimed, complete);
  ::MessageBoxExA(nullptr, text, "エラー", MB_OK | MB_ICONEXCLAMATION, 0);
}

void SDIDecFrame::CloseMovie()
{
  ::mciSendCommandA(OpenParms.wDeviceID, MCI_CLOSE, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&CloseParms));
  ++MovieGeneration;
  MovieOpen = 0;
  MovieWindow = nullptr;
}

void SDIDecFrame::RefuseMovie()
{
  FileData->FileName[0] = '\0';
  ::MessageBoxExA(nullptr, "ﾄﾞﾗｲﾊﾞまたはﾌｧｲﾙが不正です", "エラー", MB_OK, 0);
}

bool SDIDecFrame::FitMovieWindow()
{
  // The device does not always make its window so that the inner area is the
  // movie's size; the capture takes that area, so it must be exactly the
  // movie's own frame. The rectangle's right and bottom hold width and height.
  MCI_DGV_RECT_PARMS where{};
  ::mciSendCommandA(OpenParms.wDeviceID, MCI_WHERE, MCI_DGV_WHERE_SOURCE, reinterpret_cast<DWORD_PTR>(&where));
  const TSize source(where.rc.right, where.rc.bottom);
  if (!MovieWindow || source.cx <= 0 || source.cy <= 0)
    return false;  // a picture the device cannot show

  const TSize outer = MovieBorder.OuterSize(source);
  RECT window;
  ::GetWindowRect(MovieWindow, &window);
  if (TRect(window).Size() != outer)
    ::SetWindowPos(MovieWindow, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return MeasureMovieWindow() && CaptureWidth > 0 && CaptureHeight > 0;
}

bool SDIDecFrame::MeasureMovieWindow()
{
  RECT window;
  if (!::GetWindowRect(MovieWindow, &window))
    return false;
  const TSize inner = MovieBorder.InnerSize(TRect(window).Size());
  CaptureWidth = inner.cx;
  CaptureHeight = inner.cy;
  return true;
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
  const TSize missing(movie.right - area.right, movie.bottom - area.bottom);
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

void SDIDecFrame::ShowFrame()
{
  // Frames run from 0 to Length - 1; the position Length (where the last-frame
  // command and the end of a range go) shows the last frame. The device itself
  // draws nothing there, and some builds of it fail outright.
  const unsigned shown = Length && Position >= Length ? Length - 1 : Position;
  PlayParms.dwFrom = shown;
  PlayParms.dwTo = shown;
  ::mciSendCommandA(OpenParms.wDeviceID, MCI_PLAY, MCI_WAIT | MCI_FROM | MCI_TO,
                    reinterpret_cast<DWORD_PTR>(&PlayParms));
  // The device may leave the new frame to its next repaint; the frame is to be
  // on screen (and so in a capture) when this returns.
  if (MovieWindow)
    ::RedrawWindow(MovieWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void SDIDecFrame::ReadPosition()
{
  StatusParms.dwItem = MCI_STATUS_POSITION;
  ::mciSendCommandA(OpenParms.wDeviceID, MCI_STATUS, MCI_NOTIFY | MCI_STATUS_ITEM,
                    reinterpret_cast<DWORD_PTR>(&StatusParms));
  Position = static_cast<unsigned>(StatusParms.dwReturn);
}

void SDIDecFrame::StepForward()
{
  ReadPosition();
  if (Position < Length) {
    ++Position;
    ShowFrame();
  }
}

void SDIDecFrame::StepBack()
{
  ReadPosition();
  if (Position > 0) {
    --Position;
    ShowFrame();
  }
}

void SDIDecFrame::ResetMarks()
{
  MarkFromSet = 0;
  MarkToSet = 0;
  MarkFrom = 0;
  MarkTo = Length;
}
