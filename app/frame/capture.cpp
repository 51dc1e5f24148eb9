// Cutting: the frame on screen is taken from the movie window's inner area and
// written as a BMP file; every frame of the marked range is cut by a
// TContinuousCut, which the frame starts, follows and tells the end of.
#include "app/frame/sdidecframe.h"
#include "app/frame/cutplan.h"
#include "app/frame/errorreports.h"
#include "app/cut/filecut.h"
#include "app/support/waitcursor.h"
#include "framework/app/application.h"
#include "gadgets/messagebar.h"
#include "graphics/dc.h"
#include "graphics/filecreatepaths.h"
#include "resources/resource.h"

TCutNames SDIDecFrame::CutNames() const
{
  return {OutputDir, FileData->FileName};
}

bool SDIDecFrame::CaptureFrame()
{
  TWaitCursor wait;
  TFrameGrabber grabber(MovieWindow, PaletteDevice ? PaletteSize : 0);
  const TFramePicture picture = GrabShownFrame(grabber);
  const TCutNames names = CutNames();
  const std::string fileName = names.For(Position);
  if (picture(TFileCreatePaths(names.Folder).For(fileName).c_str()))
    return true;
  ReportWriteFailure(fileName);
  return false;
}

void SDIDecFrame::CutShownFrame()
{
  // Told as a cut of one frame from the file is.
  const bool written = CaptureFrame();
  ShowCutEnd(CutEndText(written ? TCutEnd::Finished : TCutEnd::Failed, written ? 1 : 0, 1, OutputDir));
}

bool SDIDecFrame::EvSetCursor(HWND hWndCursor, unsigned hitTest, unsigned mouseMsg)
{
  // The mouse moving over the program during a continuous cut would bring
  // back the arrow, though the cut goes on.
  if (RunningCut && hitTest == HTCLIENT) {
    ::SetCursor(WaitCursor());
    return true;
  }
  return TDecoratedFrame::EvSetCursor(hWndCursor, hitTest, mouseMsg);
}

void SDIDecFrame::CmCut()
{
  if (RunningCut)
    return;  // the cut command reached us from inside a running cut's pump
  // A cut during playback takes the frame the movie stops on.
  if (Movie.State() == TMovieState::Playing)
    CmStop();
  const bool fromFile = CanCutFromFile();
  switch (PlanCut(
    {MarkFromSet || MarkToSet, MarkFrom, MarkTo, Position, Movie.FirstPictureFrame(), PictureOnScreen(), fromFile})) {
  case TCutPlan::EmptyFrames:
    return ReportEmptyFrames(Movie.FirstPictureFrame());
  case TCutPlan::PictureHidden:
    return ReportPictureHidden();
  case TCutPlan::PictureTooLarge:
    return ReportPictureTooLarge(IDS_TOOLARGETOCUTWHOLE);
  case TCutPlan::ReversedMarks:
    return ReportReversedMarks(MarkFrom, MarkTo);
  case TCutPlan::ShownFrame:
    return CutShownFrame();
  case TCutPlan::ShownFrameFromFile:
    return ContinuousCut({Position, Position, true}, true);
  case TCutPlan::Range:
    return ContinuousCut({MarkFrom, MarkTo, false}, fromFile);
  }
}

void SDIDecFrame::ContinuousCut(TContinuousCut::TRange range, bool fromFile)
{
  TContinuousCut cut(*this, *this, AccelHandle, MovieWindow, range, CutNames());
  // Whatever ends the cut, the movie is still again, the marks are cleared and
  // the frame tells how it ended.
  struct TRunning {
    SDIDecFrame& Frame;
    const TContinuousCut& Cut;
    TRunning(SDIDecFrame& frame, TContinuousCut& cut) : Frame(frame), Cut(cut)
    {
      Frame.RunningCut = &cut;
      Frame.Movie.BeginCut();
      // A cancel given while no cut ran is for this one.
      if (Frame.CancelRequested)
        cut.Cancel(*Frame.CancelRequested);
      Frame.CancelRequested.reset();
    }
    ~TRunning()
    {
      Frame.Movie.EndCut();
      Frame.RunningCut = nullptr;
      const std::string end = Cut.EndText();
      Frame.ResetMarks();
      Frame.ShowCutEnd(end);
    }
  } running(*this, cut);
  IdleAction(0);  // the enablers see the cut: the cancel button comes alive
  if (fromFile)
    cut.CutFromFile(*Movie.File(), Movie.FilePath());
  else
    cut.CutFromScreen(PaletteDevice ? PaletteSize : 0);
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

void SDIDecFrame::ShowCutEnd(const std::string& text)
{
  // A frame window being destroyed has no bars left to tell.
  if (!Handle)
    return;
  TrackMovie();  // the readouts at the frame the cut ended on, not a tick later
  StatusBar->SetText(text.c_str());
}

bool SDIDecFrame::ShowCutFrame(unsigned frame)
{
  Position = frame;
  if (!ShowFrame())
    return false;
  TrackCut();
  return true;
}

void SDIDecFrame::ShowCutStatus()
{
  if (RunningCut)
    StatusBar->SetText(RunningCut->StatusText().c_str());
}

bool SDIDecFrame::CanCutFromFile() const
{
  const TAviMovie* file = Movie.File();
  if (!file || PaletteDevice || CutsOnScreenOnly)
    return false;
  const TAviVideo& video = file->Video();
  if (!ScreenShowsStoredRows(video, TScreenDC().GetDeviceCaps(BITSPIXEL)))
    return false;
  if (!Picture.ScreenShowsWhole(Handle, Movie.WindowParent()))
    return true;  // the screen could not give the picture at all
  return Picture.WindowShowsStored(MovieWindow, TSize(video.Width, static_cast<LONG>(video.PictureHeight())));
}
