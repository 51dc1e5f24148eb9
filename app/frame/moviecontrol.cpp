// The frame's side of the movie: opening it into the client window, fitting
// the frame around its picture, and the marks over its frames.
#include "app/frame/sdidecframe.h"
#include "app/frame/errorreports.h"
#include "gadgets/gadgetwindow.h"
#include "gadgets/textgadget.h"
#include "resources/resource.h"

namespace {

// Room left after the last readout pane, as between the panes.
const LONG ReadoutsEndGap = 4;

}  // namespace

void SDIDecFrame::OpenMovie(const char* path)
{
  // A picture the device cannot show refuses the movie as a file it cannot open.
  const std::optional<TAviRefusal> refusal = Movie.Open(path);
  if (refusal || !Picture.Fit(Movie.MovieDevice(), Handle, Movie.Window())) {
    CloseMovie();
    RefuseMovie(refusal.value_or(TAviRefusal::DeviceCannotShow));
    return;
  }
  FollowMovie();
  LastSliderPos = 0;
  // The readouts up to the time are to be seen, also beside a small movie
  // (the scale is said only beside a large one).
  RECT readouts;
  ::GetClientRect(TimePane->GetGadgetWindow()->GetHandle(), &readouts);
  Picture.GrowFrameToShow(Handle, MovieWindow, TimePane->GetBounds().right + ReadoutsEndGap - readouts.right);
  ResetSlider(Movie.LastFrame());

  // Kept before the first frame is shown: while a refused frame is told, the
  // user may close the movie.
  const TMovieNotes notes = Movie.Notes();
  ShowFrame();
  ResetMarks();
  ReportMovieNotes(notes);
  // A picture the screen cannot show whole can still be cut from the file.
  if (PictureOnScreen() == TPictureShown::TooLarge && !CanCutFromFile())
    ReportPictureTooLarge(IDS_TOOLARGETOCUT);
}

void SDIDecFrame::CloseMovie()
{
  Movie.Close();
  FollowMovie();
  ShowMarkedRange();
}

void SDIDecFrame::RefuseMovie(TAviRefusal why)
{
  FileData->FileName[0] = '\0';
  ReportRefusedMovie(why);
}

void SDIDecFrame::ReportUnshowableFrame(TFrameState state, unsigned frame, TServedFault served)
{
  if (ReportingUnshowable)
    return;
  ReportingUnshowable = true;
  ::ReportUnshowableFrame(state, frame, served);
  ReportingUnshowable = false;
}

void SDIDecFrame::ReportPictureTooLarge(unsigned consequenceId) const
{
  ::ReportPictureTooLarge(Picture.Size(), Picture.Room(Handle, Movie.WindowParent()), consequenceId);
}

void SDIDecFrame::ResetMarks()
{
  MarkFromSet = 0;
  MarkToSet = 0;
  // A range marked only at its end starts at the first frame with a picture.
  MarkFrom = Movie.FirstPictureFrame();
  MarkTo = Movie.LastFrame();
  ShowMarkedRange();
}
