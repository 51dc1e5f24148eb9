// The frame's side of the movie: opening it into the client window, fitting
// the frame around its picture, and the marks over its frames.
#include "app/frame/sdidecframe.h"
#include "app/frame/errorreports.h"
#include "app/support/errorbox.h"
#include "app/support/waitcursor.h"
#include "app/support/winepaths.h"
#include "gadgets/gadgetwindow.h"
#include "gadgets/textgadget.h"
#include "resources/resource.h"

namespace {

// Room left after the last readout pane, as between the panes.
const LONG ReadoutsEndGap = 4;

}  // namespace

void SDIDecFrame::OpenMovie(const char* path, std::optional<unsigned> frame)
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
  Position = frame.value_or(Position);
  ShowFrame();
  ResetMarks();
  ReportMovieNotes(notes);
  // A picture the screen cannot show whole can still be cut from the file.
  if (PictureOnScreen() == TPictureShown::TooLarge && !CanCutFromFile())
    ReportPictureTooLarge(IDS_TOOLARGETOCUT);
}

void SDIDecFrame::OpenChosenMovie(const char* path)
{
  const std::optional<std::string> unixPath = TFrameClient::Configured() ? UnixPathOf(path) : std::nullopt;
  if (!unixPath)
    return OpenMovie(path);
  std::string playable;
  std::uint32_t first = 0;
  std::string refusal;
  TFrameClient::TStatus status;
  {
    const TWaitCursor wait;  // a long movie's frames are indexed first
    status = MoviePreparer.Prepare(*unixPath, "", playable, first, refusal);
  }
  if (status != TFrameClient::TStatus::Ok)
    return RefusePreparedMovie(path, status, refusal);
  // A movie the device shows as it is is opened by the name it was chosen by.
  if (playable == *unixPath)
    return OpenMovie(path, first);
  if (const std::optional<std::string> windowsPath = WindowsPathOf(playable))
    return OpenMovie(windowsPath->c_str(), first);
  RefuseMovie(TAviRefusal::CannotOpen);
}

void SDIDecFrame::RefusePreparedMovie(const char* path, TFrameClient::TStatus status, const std::string& reasonUtf8)
{
  // The path may be the dialog's, which the refusal clears.
  const std::string movie = path;
  FileData->FileName[0] = '\0';
  const bool serverGone = status == TFrameClient::TStatus::NoServer || status == TFrameClient::TStatus::Refused ||
                          status == TFrameClient::TStatus::Lost;
  std::string reason = AnsiFromUtf8(reasonUtf8);
  if (reason.empty())
    reason = LoadText(serverGone ? IDS_NOFRAMESERVER : IDS_BADMOVIE);
  ShowErrorBox(FormatText(IDS_PREPAREREFUSED, movie, reason));
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
