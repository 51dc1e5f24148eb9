#include "app/directcut.h"

#include "app/devicewatchdog.h"
#include "app/exclusivelock.h"
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

TScreenFile::TScreenFile(const TAviVideo& video, int screenDepth)
  : Width(static_cast<std::size_t>(video.Width)),
    Height(video.PictureHeight()),
    StoredPixel(video.BitCount / 8u),
    StoredStride(static_cast<std::size_t>(DibFormat::ScanBytes(video.Width, video.BitCount))),
    ScreenPixel(static_cast<std::size_t>(screenDepth) / 8u),
    ScreenStride(static_cast<std::size_t>(DibFormat::ScanBytes(video.Width, screenDepth))),
    InPlace(video.BitCount == screenDepth)
{
  const BITMAPINFOHEADER header = TDib::MakeInfoHeader(video.Width, static_cast<int>(video.PictureHeight()),
                                                       screenDepth, 0);
  const auto fileHeader = DibFormat::FileHeader(sizeof header + header.biSizeImage, sizeof header);
  Bytes.resize(fileHeader.size() + sizeof header + header.biSizeImage);
  std::memcpy(Bytes.data(), fileHeader.data(), fileHeader.size());
  std::memcpy(Bytes.data() + fileHeader.size(), &header, sizeof header);
}

std::uint8_t* TScreenFile::Rows()
{
  return Bytes.data() + DibFormat::FileHeaderSize + sizeof(BITMAPINFOHEADER);
}

void TScreenFile::LayOut(const std::uint8_t* stored)
{
  std::uint8_t* const rows = Rows();
  const std::size_t pictureBytes = Width * ScreenPixel;
  for (std::size_t row = 0; row < Height; ++row) {
    std::uint8_t* const to = rows + ScreenStride * row;
    if (InPlace) {
      if (ScreenPixel == 4)
        for (std::size_t x = 0; x < Width; ++x)
          to[4 * x + 3] = 0;
    } else {
      const std::uint8_t* from = stored + StoredStride * row;
      std::uint8_t* pixel = to;
      for (std::size_t x = 0; x < Width; ++x, from += StoredPixel, pixel += ScreenPixel) {
        pixel[0] = from[0];
        pixel[1] = from[1];
        pixel[2] = from[2];
        if (ScreenPixel == 4)
          pixel[3] = 0;
      }
    }
    std::memset(to + pictureBytes, 0, ScreenStride - pictureBytes);
  }
}

bool TScreenFile::Decode(const std::uint8_t* coded, std::size_t size)
{
  return FrameCodec::Decode(coded, size, static_cast<std::uint32_t>(Width), static_cast<std::uint32_t>(Height),
                            static_cast<std::uint16_t>(ScreenPixel * 8), Rows());
}

TDirectCut::TDirectCut(const std::string& moviePath, const TAviVideo& video, int screenDepth, const std::string& folder,
                       std::vector<TFrame> frames)
  : MoviePath(moviePath),
    CreatePaths(folder),
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
  {
    TExclusiveLock lock(Lock);
    StopRequested = true;
  }
  ::WakeAllConditionVariable(&Changed);
  if (Thread.joinable())
    Thread.join();
}

void TDirectCut::Wait()
{
  ::SleepConditionVariableSRW(&Changed, &Lock, INFINITE, 0);
}

void TDirectCut::Run()
{
  TEnd end = TEnd::WriteFailed;
  std::thread reader;
  try {
    Files.reserve(Slots);
    for (std::size_t slot = 0; slot < Slots; ++slot)
      Files.emplace_back(Video, ScreenDepth);
    reader = std::thread([this] { ReadAll(); });
    end = WriteAll();
  } catch (...) {
    // No memory for the frames: counted as a failed write of the next file.
  }
  {
    TExclusiveLock lock(Lock);
    StopRequested = true;  // a reader ahead of a failed write stops too
  }
  ::WakeAllConditionVariable(&Changed);
  if (reader.joinable())
    reader.join();
  Outcome = end;
  ::SetEvent(Ended.get());
}

TDirectCut::TEnd TDirectCut::WriteAll()
{
  if (Cut.empty())
    return TEnd::Done;
  for (std::size_t frame = 0; frame < Cut.size(); ++frame) {
    {
      TExclusiveLock lock(Lock);
      while (LaidOut == frame && !ReaderEnded && !StopRequested)
        Wait();
      if (StopRequested)
        return TEnd::Stopped;
      if (LaidOut == frame)
        return ReaderEnd;
    }
    const TScreenFile& file = Files[frame % Slots];
    {
      const TFileWriteScope whole;
      if (!TFile::WriteWhole(CreatePaths.For(Cut[frame].Path).c_str(), {{file.Data(), file.Size()}}))
        return TEnd::WriteFailed;
    }
    {
      TExclusiveLock lock(Lock);
      ++WrittenFiles;
    }
    ::WakeAllConditionVariable(&Changed);
  }
  return TEnd::Done;
}

void TDirectCut::ReadAll()
{
  TEnd end = TEnd::WriteFailed;
  try {
    end = ReadEach();
  } catch (...) {
    // No memory to read with: counted as a failed write of the next file.
  }
  {
    TExclusiveLock lock(Lock);
    ReaderEnded = true;
    ReaderEnd = end;
  }
  ::WakeAllConditionVariable(&Changed);
}

TDirectCut::TEnd TDirectCut::ReadEach()
{
  TFileByteSource movie(MoviePath);
  if (!movie.IsOpen())
    return TEnd::Missing;
  // A coded frame, or rows of another depth than the screen's, are read
  // aside, one frame at a time.
  const bool coded = UsesOurCodec(Video);
  const std::size_t codedBytes = coded ? FrameCodec::MaxFrameBytes(static_cast<std::uint32_t>(Video.Width),
                                                                   static_cast<std::uint32_t>(Video.PictureHeight()))
                                       : 0;
  std::vector<std::uint8_t> aside(coded || Files.front().RowsToReadInto() ? 0 : Files.front().StoredBytes());
  for (std::size_t frame = 0; frame < Cut.size(); ++frame) {
    {
      // The slot is free once the frame Slots before this one is written.
      TExclusiveLock lock(Lock);
      while (frame >= WrittenFiles + Slots && !StopRequested)
        Wait();
      if (StopRequested)
        return TEnd::Stopped;
    }
    TScreenFile& file = Files[frame % Slots];
    const TAviFrameChunk& chunk = Cut[frame].Chunk;
    // A frame cut short, or gone since the movie was opened, is never written
    // in part; nor is a damaged one.
    if (coded) {
      if (chunk.Size == 0 || chunk.Size > codedBytes)
        return TEnd::Damaged;
      aside.resize(chunk.Size);
      if (!movie.ReadAt(chunk.Offset, aside.data(), aside.size()))
        return TEnd::Missing;
      if (!file.Decode(aside.data(), aside.size()))
        return TEnd::Damaged;
    } else {
      std::uint8_t* const stored = file.RowsToReadInto() ? file.RowsToReadInto() : aside.data();
      if (chunk.Size != file.StoredBytes() || !movie.ReadAt(chunk.Offset, stored, file.StoredBytes()))
        return TEnd::Missing;
      file.LayOut(stored);
    }
    {
      TExclusiveLock lock(Lock);
      ++LaidOut;
    }
    ::WakeAllConditionVariable(&Changed);
  }
  return TEnd::Done;
}
