#include "avi/avimovie.h"

#include <algorithm>

TAviMovie::TAviMovie(std::unique_ptr<TByteSource> source) : Source(std::move(source))
{
  if (!Source) {
    Movie.Refusal = TAviRefusal::CannotOpen;
    return;
  }
  Movie = ReadAviVideo(*Source);
  DataChecked = Movie.Readable() && HasCheckedFrameData(Movie);
  if (DataChecked)
    Verdicts.assign(Movie.Frames.size(), TVerdict::Unknown);
}

std::uint32_t TAviMovie::PictureFrame(std::uint32_t frame) const
{
  if (frame >= FrameCount())
    return frame;
  for (std::uint32_t shown = frame;; --shown) {
    if (Movie.Frames[shown].Size != 0)
      return shown;
    if (shown == 0)
      return frame;
  }
}

TFrameState TAviMovie::Check(std::uint32_t frame)
{
  return Check(frame, Source ? Source->Size() : 0);
}

std::uint32_t TAviMovie::FirstUnshowable(std::uint32_t from)
{
  const std::uint64_t fileSize = Source ? Source->Size() : 0;
  // Our own codecs check each frame themselves and draw nothing of a
  // damaged one (or one the frame server cannot give), and their frames
  // stand alone: playing over such a frame is safe, and needs no read of all
  // the frames ahead (gigabytes of them).
  const bool dataOnly = UsesOurCodec(Movie) || UsesServedFrames(Movie);
  for (std::uint32_t frame = from; frame < FrameCount(); ++frame) {
    if (dataOnly ? Movie.Frames[frame].End() > fileSize : Check(frame, fileSize) != TFrameState::Showable)
      return frame;
  }
  return std::max(from, FrameCount());
}

TFrameState TAviMovie::Check(std::uint32_t frame, std::uint64_t fileSize)
{
  if (frame >= FrameCount())
    return TFrameState::Missing;
  // Frames lie in the file in their order: the picture frame's data comes
  // before the frame's own chunk ends.
  if (Movie.Frames[frame].End() > fileSize)
    return TFrameState::Missing;
  return DataChecked ? CheckDecoding(PictureFrame(frame)) : TFrameState::Showable;
}

// A decoder shown a frame reads it, and, where it has to build the picture,
// the frames before it back to one that needs none before it. The verdict of
// the first frame reached that has one holds for every frame walked.
TFrameState TAviMovie::CheckDecoding(std::uint32_t pictureFrame)
{
  std::uint32_t first = pictureFrame;
  TVerdict verdict = TVerdict::Sound;
  // The frame the walk ended on keeps a verdict of its own: one found before,
  // or that it stands alone.
  TVerdict firstVerdict = TVerdict::Sound;
  for (;; --first) {
    if (Verdicts[first] != TVerdict::Unknown) {
      firstVerdict = Verdicts[first];
      verdict = firstVerdict == TVerdict::Damaged ? TVerdict::Damaged : TVerdict::Sound;
      break;
    }
    TFrameDataCheck check;
    if (!CheckData(first, check))
      return TFrameState::Missing;
    if (!check.Sound) {
      verdict = firstVerdict = TVerdict::Damaged;
      break;
    }
    if (check.SelfContained)
      firstVerdict = TVerdict::Standalone;
    if (check.SelfContained || first == 0)
      break;
  }
  std::fill(Verdicts.begin() + first, Verdicts.begin() + pictureFrame + 1, verdict);
  Verdicts[first] = firstVerdict;
  return verdict == TVerdict::Sound ? TFrameState::Showable : TFrameState::Damaged;
}

std::uint32_t TAviMovie::FirstToDecode(std::uint32_t frame, std::optional<std::uint32_t> lastDecoded) const
{
  const std::uint32_t pictureFrame = PictureFrame(frame);
  // Frames not checked, and those of formats whose frames all stand alone,
  // are decoded by themselves.
  if (!DataChecked || pictureFrame >= FrameCount())
    return pictureFrame;
  std::uint32_t start = pictureFrame;
  while (start > 0 && Verdicts[start] != TVerdict::Standalone)
    --start;
  if (lastDecoded && *lastDecoded >= start && *lastDecoded <= pictureFrame)
    return std::min(*lastDecoded + 1, pictureFrame);
  return start;
}

bool TAviMovie::CheckData(std::uint32_t frame, TFrameDataCheck& check)
{
  const TAviFrameChunk& chunk = Movie.Frames[frame];
  if (chunk.Size == 0) {
    check = TFrameDataCheck{true, false};  // a dropped frame shows the picture before
    return true;
  }
  if (chunk.Size > MaxFrameDataBytes(Movie)) {
    check = TFrameDataCheck{false, false};
    return true;
  }
  Data.resize(chunk.Size);
  if (!Source->ReadAt(chunk.Offset, Data.data(), Data.size()))
    return false;
  check = CheckFrameData(Movie, Data.data(), Data.size());
  return true;
}

std::optional<ServedFrame::TChunk> TAviMovie::ServedChunk(std::uint32_t frame)
{
  if (!UsesServedFrames(Movie) || frame >= FrameCount())
    return std::nullopt;
  const TAviFrameChunk& chunk = Movie.Frames[PictureFrame(frame)];
  std::uint8_t bytes[ServedFrame::ChunkBytes];
  if (chunk.Size != sizeof bytes || !Source->ReadAt(chunk.Offset, bytes, sizeof bytes))
    return std::nullopt;
  return ServedFrame::Decode(bytes, sizeof bytes);
}

std::unique_ptr<TAviMovie> OpenAviMovie(const std::string& path)
{
  auto file = std::make_unique<TFileByteSource>(path);
  if (!file->IsOpen())
    file.reset();
  return std::make_unique<TAviMovie>(std::move(file));
}
