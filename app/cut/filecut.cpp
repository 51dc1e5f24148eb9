#include "app/cut/filecut.h"

#include "app/support/exclusivelock.h"
#include "app/support/filewritelock.h"
#include "avi/framecheck.h"
#include "codec/framecodec.h"
#include "graphics/dib.h"
#include "graphics/dibformat.h"
#include "graphics/file.h"

#include <cstring>
#include <stdexcept>

namespace {

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
  return video.Readable() && (uncompressed || UsesOurCodec(video) || UsesServedFrames(video)) && !video.TopDown() &&
         (screenDepth == 24 || screenDepth == 32);
}

TAviVideo VideoFormatOf(const TAviVideo& video)
{
  TAviVideo format = video;
  format.Frames.clear();
  format.Frames.shrink_to_fit();
  return format;
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

TFrameClient::TStatus TScreenFile::Fetch(TFrameClient& server, const ServedFrame::TChunk& chunk)
{
  // The cut moves forward: the server decodes ahead.
  return server.Frame(chunk.Movie, chunk.Frame, true, static_cast<std::uint32_t>(Width),
                      static_cast<std::uint32_t>(Height), static_cast<std::uint16_t>(ScreenPixel * 8), Rows());
}

TFileCut::TFileCut(const std::string& moviePath, const TAviVideo& video, int screenDepth, const std::string& folder,
                   std::vector<TFrame> frames, std::size_t cutFrames, TFrameServers servers)
  : MoviePath(moviePath),
    CreatePaths(folder),
    Video(VideoFormatOf(video)),
    ScreenDepth(screenDepth),
    Cut(std::move(frames)),
    Servers(std::move(servers)),
    Ledger(Cut.size(), cutFrames),
    Ended(NewEndedEvent()),
    Thread([this] { Run(); })
{
}

TFileCut::~TFileCut()
{
  Stop();
}

void TFileCut::Stop()
{
  {
    TExclusiveLock lock(Lock);
    Ledger.Stop();
  }
  if (Thread.joinable())
    Thread.join();
}

void TFileCut::CutFirst(std::size_t frames)
{
  TExclusiveLock lock(Lock);
  Ledger.EndAt(frames);
}

std::size_t TFileCut::Written() const
{
  TExclusiveLock lock(Lock);
  return Ledger.Written();
}

TFileCut::TEnd TFileCut::End() const
{
  TExclusiveLock lock(Lock);
  return Outcome;
}

TServedFault TFileCut::ServedFault() const
{
  TExclusiveLock lock(Lock);
  return Outcome == TEnd::Damaged ? Failure.Served : TServedFault::None;
}

void TFileCut::Run()
{
  std::vector<std::thread> others;
  try {
    for (std::size_t worker = 1; worker < Workers; ++worker)
      others.emplace_back([this] { Work(); });
  } catch (...) {
    // Fewer threads than asked for: the cut goes on with those it has.
  }
  Work();
  for (std::thread& other : others)
    other.join();
  Conclude();
  ::SetEvent(Ended.get());
}

void TFileCut::Work()
{
  std::size_t frame = Cut.size();
  try {
    TFileByteSource movie(MoviePath);
    TScreenFile file(Video, ScreenDepth);
    std::vector<std::uint8_t> aside;
    const std::unique_ptr<TFrameClient> server = UsesServedFrames(Video) ? Servers() : nullptr;
    while ((frame = TakeFrame()) < Cut.size())
      Finish(frame, movie.IsOpen() ? CutFrame(Cut[frame], movie, file, aside, server.get()) : TFrameEnd{TEnd::Missing});
  } catch (...) {
    // No memory for a frame: counted as a failed write of the frame in hand,
    // or of the next one.
    if (frame == Cut.size())
      frame = TakeFrame();
    if (frame < Cut.size())
      Finish(frame, {TEnd::WriteFailed});
  }
}

std::size_t TFileCut::TakeFrame()
{
  TExclusiveLock lock(Lock);
  return Ledger.Take();
}

void TFileCut::Finish(std::size_t frame, TFrameEnd result)
{
  TExclusiveLock lock(Lock);
  if (result.End == TEnd::Done)
    Ledger.Complete(frame);
  else if (Ledger.Fail(frame))
    Failure = result;
}

void TFileCut::Conclude()
{
  // The files to remove are those of the frames the other threads had in
  // flight when one failed: a few, quickly gone.
  TExclusiveLock lock(Lock);
  if (Ledger.FirstFailed() == Cut.size()) {
    Outcome = Ledger.Finished() ? TEnd::Done : TEnd::Stopped;
    return;
  }
  for (const std::size_t frame : Ledger.CompleteAfterFailure())
    ::DeleteFileW(CreatePaths.For(Cut[frame].Path).c_str());
  Outcome = Failure.End;
}

TFileCut::TFrameEnd TFileCut::FetchServedFrame(const TAviFrameChunk& chunk, TFileByteSource& movie, TScreenFile& file,
                                               TFrameClient& server) const
{
  std::uint8_t bytes[ServedFrame::ChunkBytes];
  if (chunk.Size != sizeof bytes)
    return {TEnd::Damaged};
  if (!movie.ReadAt(chunk.Offset, bytes, sizeof bytes))
    return {TEnd::Missing};
  if (!CheckFrameData(Video, bytes, sizeof bytes).Sound)
    return {TEnd::Damaged};
  const TServedFault fault = ServedFaultOf(file.Fetch(server, *ServedFrame::Decode(bytes, sizeof bytes)));
  return {fault == TServedFault::None ? TEnd::Done : TEnd::Damaged, fault};
}

TFileCut::TFrameEnd TFileCut::CutFrame(const TFrame& frame, TFileByteSource& movie, TScreenFile& file,
                                       std::vector<std::uint8_t>& aside, TFrameClient* server) const
{
  const TAviFrameChunk& chunk = frame.Chunk;
  // A frame cut short, or gone since the movie was opened, is never written
  // in part; nor is a damaged one, nor a served one that the frame server
  // does not give. A coded frame, or rows of another depth than the
  // screen's, are read aside.
  if (server) {
    if (const TFrameEnd served = FetchServedFrame(chunk, movie, file, *server); served.End != TEnd::Done)
      return served;
  } else if (UsesOurCodec(Video)) {
    if (chunk.Size == 0 || chunk.Size > FrameCodec::MaxFrameBytes(static_cast<std::uint32_t>(Video.Width),
                                                                  static_cast<std::uint32_t>(Video.PictureHeight())))
      return {TEnd::Damaged};
    aside.resize(chunk.Size);
    if (!movie.ReadAt(chunk.Offset, aside.data(), aside.size()))
      return {TEnd::Missing};
    if (!file.Decode(aside.data(), aside.size()))
      return {TEnd::Damaged};
  } else {
    std::uint8_t* stored = file.RowsToReadInto();
    if (!stored) {
      aside.resize(file.StoredBytes());
      stored = aside.data();
    }
    if (chunk.Size != file.StoredBytes() || !movie.ReadAt(chunk.Offset, stored, file.StoredBytes()))
      return {TEnd::Missing};
    file.LayOut(stored);
  }
  const TFileWriteScope whole;
  return {TFile::WriteWhole(CreatePaths.For(frame.Path).c_str(), {{file.Data(), file.Size()}}) ? TEnd::Done
                                                                                               : TEnd::WriteFailed};
}
