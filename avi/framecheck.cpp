#include "avi/framecheck.h"

#include "avi/cinepakcheck.h"
#include "avi/fourcc.h"
#include "avi/msvideo1check.h"
#include "codec/framecodec.h"

namespace {

// Compression fourccs compared without regard to case, as decoders are found.
std::uint32_t UpperCase(std::uint32_t fourcc)
{
  std::uint32_t upper = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    std::uint32_t c = fourcc >> shift & 0xFF;
    if (c >= 'a' && c <= 'z')
      c -= 'a' - 'A';
    upper |= c << shift;
  }
  return upper;
}

bool IsCinepak(const TAviVideo& video)
{
  return UpperCase(video.Compression) == FourCC("CVID");
}

bool IsMsVideo1(const TAviVideo& video)
{
  const std::uint32_t compression = UpperCase(video.Compression);
  return (compression == FourCC("MSVC") || compression == FourCC("CRAM") || compression == FourCC("WHAM")) &&
         (video.BitCount == 8 || video.BitCount == 16);
}

}  // namespace

bool UsesOurCodec(const TAviVideo& video)
{
  return video.Compression == FrameCodec::FourCC && video.BitCount == FrameCodec::BitCount && !video.TopDown();
}

bool UsesServedFrames(const TAviVideo& video)
{
  return video.Compression == ServedFrame::FourCC && video.BitCount == 24 && !video.TopDown();
}

bool HasCheckedFrameData(const TAviVideo& video)
{
  return IsCinepak(video) || IsMsVideo1(video) || UsesOurCodec(video) || UsesServedFrames(video);
}

TFrameDataCheck CheckFrameData(const TAviVideo& video, const std::uint8_t* data, std::size_t size)
{
  if (size == 0)
    return {};
  if (IsCinepak(video))
    return cinepak::CheckFrame(video, data, size);
  if (IsMsVideo1(video))
    return CheckMsVideo1(video, data, size);
  if (UsesOurCodec(video)) {
    const bool sound = FrameCodec::Check(data, size, static_cast<std::uint32_t>(video.Width), video.PictureHeight());
    return {sound, sound};  // every frame stands alone
  }
  if (UsesServedFrames(video)) {
    const std::optional<ServedFrame::TChunk> chunk = ServedFrame::Decode(data, size);
    const bool sound = chunk && video.ServedMovie && chunk->Movie == *video.ServedMovie;
    return {sound, sound};
  }
  return {};
}

std::uint64_t MaxFrameDataBytes(const TAviVideo& video)
{
  if (IsCinepak(video))
    return cinepak::MaxFrameBytes;
  if (UsesOurCodec(video))
    return FrameCodec::MaxFrameBytes(static_cast<std::uint32_t>(video.Width), video.PictureHeight());
  if (UsesServedFrames(video))
    return ServedFrame::ChunkBytes;
  return MsVideo1MaxFrameBytes(video);
}
