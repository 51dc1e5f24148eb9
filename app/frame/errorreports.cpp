#include "app/frame/errorreports.h"
#include "app/support/errorbox.h"

void ReportRefusedMovie(TAviRefusal why)
{
  // Without a frame server, a movie the device cannot show may still be
  // shown through one: run.sh starts the program with it.
  unsigned text = IDS_BADMOVIE;
  if (why == TAviRefusal::PastDeviceReach)
    text = IDS_MOVIEPASTREACH;
  else if (why == TAviRefusal::DeviceCannotShow && !TFrameClient::Configured())
    text = IDS_BADMOVIENOSERVER;
  ShowErrorBox(LoadText(text), MB_OK);
}

void ReportMovieNotes(const TMovieNotes& notes)
{
  if (notes.Truncated)
    ShowErrorBox(FormatText(IDS_TRUNCATEDMOVIE, notes.ClaimedFrames, notes.CompleteFrames));
  if (notes.FramesPastReach)
    ShowErrorBox(FormatText(IDS_FRAMESPASTREACH, notes.CompleteFrames, notes.ReachedFrames,
                            notes.CompleteFrames - notes.ReachedFrames));
}

void ReportUnshowableFrame(TFrameState state, unsigned frame, TServedFault served)
{
  switch (served) {
  case TServedFault::ServerGone:
    return ShowErrorBox(FormatText(IDS_SERVERGONE, frame));
  case TServedFault::FrameDamaged:
    return ShowErrorBox(FormatText(IDS_SOURCEFRAMEDAMAGED, frame));
  case TServedFault::MovieChanged:
    return ShowErrorBox(FormatText(IDS_SOURCECHANGED, frame));
  case TServedFault::None:
    break;
  }
  ShowErrorBox(FormatText(state == TFrameState::Missing ? IDS_FRAMEMISSING : IDS_FRAMEDAMAGED, frame));
}

void ReportNoSuchFrame(const std::string& typed, unsigned lastFrame, const TFrameTimes& times)
{
  const std::string none = "-";
  const std::optional<std::int64_t> first = times.FirstTime();
  const std::optional<std::int64_t> last = times.LastTime();
  ShowErrorBox(
    FormatText(IDS_NOSUCHFRAME, typed, lastFrame, first ? TimeText(*first) : none, last ? TimeText(*last) : none));
}

void ReportPictureTooLarge(TSize picture, const TScreenRoom& room, unsigned consequenceId)
{
  ShowErrorBox(FormatText(IDS_PICTURETOOLARGE, picture.cx, picture.cy, room.Screen.cx, room.Screen.cy,
                          LoadText(consequenceId), room.LargestPicture.cx, room.LargestPicture.cy));
}

void ReportPictureHidden()
{
  ShowErrorBox(LoadText(IDS_PICTUREHIDDEN));
}

void ReportReversedMarks(unsigned markFrom, unsigned markTo)
{
  ShowErrorBox(FormatText(IDS_REVERSEDMARKS, markFrom, markTo));
}

void ReportEmptyFrames(unsigned firstPictureFrame)
{
  ShowErrorBox(FormatText(IDS_EMPTYFRAMES, firstPictureFrame));
}

void ReportWriteFailure(const std::string& fileName)
{
  ShowErrorBox(FormatText(IDS_WRITEFAILED, fileName));
}
