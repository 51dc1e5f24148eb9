#include "app/directcut.h"

#include "app/devicewatchdog.h"
#include "codec/framecodec.h"
#include "graphics/dib.h"
#include "graphics/dibformat.h"
#include "graphics/file.h"

#include <cstring>
#include <stdexcept>

namespace {

// The movie's format without its frame index, which the cut carries frame by
// frame.
TAviVideo FormatOf(const TAviVideo& video)
{
  TAviVideo format = video;
  format.Frames.clear();
  format.Frames.shrink_to_fit();
  return format;
}

// Bytes of one frame's decoded bottom-up rows.
std::size_t StoredFrameBytes(const TAviVideo& video)
{
  if (!UsesOurCodec(video))
    return video.FrameBytes;
  return FrameCodec::RowBytes(static_cast<std::uint32_t>(video.Width), video.BitCount) * video.PictureHeight();
}

HANDLE NewEndedEvent()
{
  const HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!event)
    throw std::runtime_error("no event for the cut's thread");
  return event;
}

}  // namespace

bool ScreenShowsStoredRows(const TAviVideo& video, int screenDepth)
{
  const bool uncompressed = video.Compression == TAviVideo::UncompressedRgb &&
                            (video.BitCount == 24 || video.BitCount == 32) && video.FrameBytes != 0;
  return video.Readable() && (uncompressed || UsesOurCodec(video)) && !video.TopDown() &&
         (screenDepth == 24 || screenDepth == 32);
}

void LayOutScreenRows(const TAviVideo& video, const std::uint8_t* stored, int screenDepth, std::uint8_t* screenRows)
{
  const int width = video.Width;
  const auto height = static_cast<int>(video.PictureHeight());
  const auto storedStride = static_cast<std::size_t>(DibFormat::ScanBytes(width, video.BitCount));
  const auto screenStride = static_cast<std::size_t>(DibFormat::ScanBytes(width, screenDepth));
  const std::size_t storedPixel = video.BitCount / 8u;
  const std::size_t screenPixel = static_cast<std::size_t>(screenDepth) / 8u;
  std::memset(screenRows, 0, screenStride * static_cast<std::size_t>(height));
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* from = stored + storedStride * static_cast<std::size_t>(row);
    std::uint8_t* to = screenRows + screenStride * static_cast<std::size_t>(row);
    for (int x = 0; x < width; ++x, from += storedPixel, to += screenPixel) {
      to[0] = from[0];
      to[1] = from[1];
      to[2] = from[2];
    }
  }
}

TDirectCut::TDirectCut(const std::string& moviePath, const TAviVideo& video, int screenDepth,
                       std::vector<TFrame> frames)
  : MoviePath(moviePath),
    Video(FormatOf(video)),
    ScreenDepth(screenDepth),
    Cut(std::move(frames)),
    Ended(NewEndedEvent()),
    Thread([this] { Run(); })
{
}

TDirectCut::~TDirectCut()
{
  Stop();
}

void TDirectCut::Stop()
{
  StopRequested = true;
  if (Thread.joinable())
    Thread.join();
}

void TDirectCut::Run()
{
  TEnd end = TEnd::WriteFailed;
  try {
    end = WriteAll();
  } catch (...) {
    // No memory for the frame: counted as a failed write of the next file.
  }
  Outcome = end;
  ::SetEvent(Ended.get());
}

TDirectCut::TEnd TDirectCut::WriteAll()
{
  TFileByteSource movie(MoviePath);
  if (!movie.IsOpen())
    return Cut.empty() ? TEnd::Done : TEnd::Missing;
  const int width = Video.Width;
  const auto height = static_cast<int>(Video.PictureHeight());
  const BITMAPINFOHEADER header = TDib::MakeInfoHeader(width, height, ScreenDepth, 0);
  const auto fileHeader = DibFormat::FileHeader(sizeof header + header.biSizeImage, sizeof header);
  const bool coded = UsesOurCodec(Video);
  const std::size_t maxCodedBytes = coded ? FrameCodec::MaxFrameBytes(static_cast<std::uint32_t>(width),
                                                                      static_cast<std::uint32_t>(height))
                                          : 0;
  std::vector<std::uint8_t> stored(StoredFrameBytes(Video));
  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> rows(header.biSizeImage);
  for (const TFrame& frame : Cut) {
    if (StopRequested)
      return TEnd::Stopped;
    // A frame cut short, or gone since the movie was opened, is never written
    // in part; nor is a damaged one.
    if (!coded) {
      if (frame.Chunk.Size != stored.size() || !movie.ReadAt(frame.Chunk.Offset, stored.data(), stored.size()))
        return TEnd::Missing;
    } else {
      if (frame.Chunk.Size == 0 || frame.Chunk.Size > maxCodedBytes)
        return TEnd::Damaged;
      data.resize(frame.Chunk.Size);
      if (!movie.ReadAt(frame.Chunk.Offset, data.data(), data.size()))
        return TEnd::Missing;
      if (!FrameCodec::Decode(data.data(), data.size(), static_cast<std::uint32_t>(width),
                              static_cast<std::uint32_t>(height), Video.BitCount, stored.data()))
        return TEnd::Damaged;
    }
    LayOutScreenRows(Video, stored.data(), ScreenDepth, rows.data());
    const TFileWriteScope whole;
    if (!TFile::WriteWhole(
          frame.Path.c_str(),
          {{fileHeader.data(), fileHeader.size()}, {&header, sizeof header}, {rows.data(), rows.size()}}))
      return TEnd::WriteFailed;
    ++WrittenFiles;
  }
  return TEnd::Done;
}
