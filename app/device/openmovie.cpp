#include "app/device/openmovie.h"
#include "app/device/moviewindow.h"

#include <algorithm>
#include <cstring>

namespace {

// How often the readouts follow a playback: once a frame, at most 25 times a
// second.
unsigned FrameTickMsOf(const TAviVideo& video)
{
  const unsigned fastest = 40;
  const unsigned slowest = 500;
  if (!video.Rate)
    return slowest;
  const unsigned long long frameMs = 1000ull * video.Scale / video.Rate;
  return static_cast<unsigned>(std::clamp<unsigned long long>(frameMs, fastest, slowest));
}

}  // namespace

TOpenMovie::TOpenMovie(TMovieDevice::TSendCommand send) : Device(send), FrameServer(std::make_unique<TFrameClient>()) {}

std::optional<TAviRefusal> TOpenMovie::Open(const char* path)
{
  Close();

  // The file is checked before the device gets it: the device would wait
  // forever to show a frame of a movie that has none, and would play frames
  // that are not in the file as copies of the last one it could decode.
  std::unique_ptr<TAviMovie> file = std::strlen(path) < MAX_PATH ? OpenAviMovie(path) : nullptr;
  if (!file || !file->Video().Readable())
    return file ? file->Video().Refusal : TAviRefusal::CannotOpen;
  const TAviVideo& video = file->Video();
  if (Device.Open(path))
    return TAviRefusal::DeviceCannotShow;
  KeepMovieDriverLoaded();
  // The device's window, inside the window it was given, is known before the
  // first frame is shown, so that showing it also paints it.
  MovieWindow = ::GetWindow(Device.WindowParent(), GW_CHILD);

  // Neither answer is looked at: the file's own count of frames bounds the
  // length.
  (void)Device.CountInFrames();
  Frames = std::min(static_cast<unsigned>(Device.Length().Value), video.CompleteFrames);
  FrameTimes = video.SourceTimes.empty() ? TFrameTimes(Frames, video.Rate, video.Scale)
                                         : TFrameTimes(Frames, video.FirstTimedFrame, video.SourceTimes);
  // The device shows an empty frame as whatever it decoded last: the movie
  // opens on its first picture.
  FirstPicture = video.LeadingEmptyFrames;
  Shown = FirstPicture;
  PlaybackTickMs = FrameTickMsOf(video);
  MovieFile = std::move(file);
  MovieFilePath = path;
  Now = TMovieState::Stopped;
  return std::nullopt;
}

void TOpenMovie::Close()
{
  (void)Device.Close();  // its window goes with it, whatever it answers
  ++Changes;
  Now = TMovieState::Closed;
  MovieWindow = nullptr;
  MovieFile.reset();
  MovieFilePath.clear();
  Frames = 0;
  Shown = 0;
  FirstPicture = 0;
  FrameTimes = TFrameTimes();
  ShownPosition = 0;
  DevicePosition = 0;
}

TMovieNotes TOpenMovie::Notes() const
{
  if (!MovieFile)
    return {};
  const TAviVideo& video = MovieFile->Video();
  TMovieNotes notes;
  notes.Truncated = video.Truncated();
  notes.CompleteFrames = video.CompleteFrames;
  notes.ClaimedFrames = video.ClaimedFrames();
  notes.FramesPastReach = video.FirstPartFrames < video.CompleteFrames && Frames < video.CompleteFrames;
  notes.ReachedFrames = Frames;
  return notes;
}

TShowResult TOpenMovie::Show(unsigned frame)
{
  // Frames run from 0 to Length - 1. The device accepts the position Length
  // but draws nothing there (some builds of it fail outright): a position
  // beyond the last frame becomes the last frame, so that what is shown and
  // the position that names it agree.
  frame = std::min(frame, LastFrame());
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
      return {state, frame};
    }
    if (const TServedFault fault = CheckServedFrame(frame); fault != TServedFault::None) {
      ReadPosition();
      return {TFrameState::Damaged, frame, fault};
    }
    shown = MovieFile->PictureFrame(frame);
    // The device paints a frame's changes over whatever it decoded last.
    decodeFrom = MovieFile->FirstToDecode(frame, Device.LastDecoded());
  }
  // A frame the device failed to show leaves the picture as it was; the
  // position read next tells where the device is.
  (void)Device.Show(shown, decodeFrom);
  if (Now == TMovieState::Playing)
    Now = TMovieState::Stopped;  // the seek ended the playback
  Shown = frame;
  ShownPosition = frame;
  DevicePosition = shown;
  // The device may leave the new frame to its next repaint; the frame is to be
  // on screen (and so in a capture) when this returns.
  if (MovieWindow)
    ::RedrawWindow(MovieWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  return {TFrameState::Showable, frame};
}

TServedFault TOpenMovie::CheckServedFrame(unsigned frame)
{
  if (!UsesServedFrames(MovieFile->Video()))
    return TServedFault::None;
  const std::optional<ServedFrame::TChunk> chunk = MovieFile->ServedChunk(frame);
  if (!chunk)
    return TServedFault::FrameDamaged;
  return ServedFaultOf(FrameServer->Check(chunk->Movie, chunk->Frame));
}

void TOpenMovie::ReadPosition()
{
  // A failed read gives the position last read.
  const auto device = static_cast<unsigned>(Device.Position().Value);
  // Still at the frame shown for a dropped frame: the position is the dropped frame's.
  Shown = device == DevicePosition ? ShownPosition : device;
}

TShowResult TOpenMovie::StepForward()
{
  ReadPosition();
  if (Shown >= LastFrame())
    return {TFrameState::Showable, Shown};
  return Show(Shown + 1);
}

TShowResult TOpenMovie::StepBack()
{
  ReadPosition();
  if (Shown == 0)
    return {TFrameState::Showable, Shown};
  return Show(Shown - 1);
}

TShowResult TOpenMovie::Play()
{
  if (Now == TMovieState::Cutting)
    return {TFrameState::Showable, Shown};
  // The device plays up to the first frame that could not be shown.
  const unsigned end = MovieFile ? MovieFile->FirstUnshowable(Shown) : Frames;
  if (end == Shown && end < Frames)
    return {MovieFile->Check(end), end};
  PlaybackLast = std::min(end - 1, LastFrame());
  // A playback that did not start is seen at the next tick, which finds the
  // device stopped.
  (void)Device.Play(Shown, end < Frames ? std::optional<unsigned>(end - 1) : std::nullopt);
  Now = TMovieState::Playing;
  return {TFrameState::Showable, Shown};
}

TShowResult TOpenMovie::Stop()
{
  // Where the device stands, paused or not, is read back next.
  (void)Device.Pause();
  return SettleOnReportedFrame();
}

TShowResult TOpenMovie::Follow()
{
  // A playback the device ended by itself, at the end of the movie; a failed
  // read gives the mode last read.
  if (Now == TMovieState::Playing && Device.Mode().Value != MCI_MODE_PLAY)
    return SettleOnReportedFrame();
  ReadPosition();
  return {TFrameState::Showable, Shown};
}

TShowResult TOpenMovie::SettleOnReportedFrame()
{
  // While it plays, and where it stops, the device reports the frame it is
  // about to draw; the picture on screen is still the one before.
  ReadPosition();
  // Where a playback ended by itself that is the frame after the last one it
  // was to play, which may be one that must not be shown.
  if (Now == TMovieState::Playing)
    Shown = std::min(Shown, PlaybackLast);
  return Show(Shown);
}

void TOpenMovie::BeginCut()
{
  if (IsOpen())
    Now = TMovieState::Cutting;
}

void TOpenMovie::EndCut()
{
  if (Now == TMovieState::Cutting)
    Now = TMovieState::Stopped;
}
