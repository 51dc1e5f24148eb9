#include "avi/avivideo.h"

#include "avi/fourcc.h"
#include "framework/base/dibstride.h"

#include <algorithm>
#include <limits>

namespace {

constexpr TFourCC RiffId = FourCC("RIFF");
constexpr TFourCC ListId = FourCC("LIST");

// Fields read from the headers; a header shorter than what is read is unreadable.
constexpr std::size_t MainHeaderBytes = 20;    // 'avih' up to dwTotalFrames
constexpr std::size_t StreamHeaderBytes = 36;  // 'strh' up to dwLength
constexpr std::size_t BitmapHeaderBytes = 40;  // the whole BITMAPINFOHEADER

// 'rec ' lists hold frames one level down; a hostile file could nest them
// without end, so deeper ones are not looked into.
constexpr int MaxRecordNesting = 4;
// Frame chunk ids carry the stream number in two hex digits.
constexpr std::uint32_t MaxStreams = 256;
// The frames indexed (16 bytes each): far beyond any real movie's, yet a
// hostile file of nothing but empty chunks cannot exhaust the memory.
constexpr std::size_t MaxFrames = std::size_t{1} << 22;

std::uint16_t Le16(const std::uint8_t* p)
{
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Le32(const std::uint8_t* p)
{
  return Le16(p) | static_cast<std::uint32_t>(Le16(p + 2)) << 16;
}

int HexDigit(std::uint32_t c)
{
  if (c >= '0' && c <= '9')
    return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f')
    return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F')
    return static_cast<int>(c - 'A' + 10);
  return -1;
}

struct TChunk {
  TFourCC Id = 0;
  TFourCC ListType = 0;         // 'RIFF' and 'LIST' only
  std::uint32_t Size = 0;       // as declared
  std::uint64_t DataBegin = 0;  // after the header and any list type
  std::uint64_t DataEnd = 0;    // the declared end, or the enclosing end when that comes first
  bool Complete = false;        // the declared data lies wholly inside the enclosing range
};

class TAviScan {
public:
  explicit TAviScan(TByteSource& source) : Source(source) {}
  TAviVideo Run();

private:
  template <class TVisit> void ForEachChunk(std::uint64_t begin, std::uint64_t end, TVisit visit);
  bool ReadChunkStart(const TChunk& chunk, std::uint8_t* bytes, std::size_t count);
  void ReadHeaderList(const TChunk& hdrl);
  void ReadStreamList(const TChunk& strl, std::uint32_t streamNumber);
  bool CheckPictureSize();
  bool IsVideoFrame(TFourCC id) const;
  void CountFrames(const TChunk& list, int depth);
  void ReadSourceTimes(const TChunk& chunk);
  void ReadServedMovie();
  void ReadPart(const TChunk& part, bool firstPart);
  TAviRefusal Refusal() const;

  TByteSource& Source;
  TAviVideo Video;
  bool HeaderListSeen = false;
  bool HaveMainHeader = false;
  bool HaveVideoStream = false;
  bool HaveFormat = false;
  bool PictureSizeOk = false;
  bool FrameSizeMismatch = false;
};

// Visits the chunks of [begin, end) in order. Stops at the first chunk that is
// not complete (nothing after it can be found), that cannot be read, or where
// zeros begin.
template <class TVisit> void TAviScan::ForEachChunk(std::uint64_t begin, std::uint64_t end, TVisit visit)
{
  std::uint64_t at = begin;
  std::uint8_t header[12];
  while (at <= end && end - at >= 8 && Source.ReadAt(at, header, 8)) {
    TChunk chunk;
    chunk.Id = Le32(header);
    chunk.Size = Le32(header + 4);
    // Zeros where a chunk should start are padding to the end: walked as
    // empty chunks, gigabytes of them would take minutes.
    if (chunk.Id == 0 && chunk.Size == 0)
      return;
    const std::uint64_t declaredEnd = at + 8 + chunk.Size;
    chunk.DataBegin = at + 8;
    chunk.DataEnd = std::min(declaredEnd, end);
    chunk.Complete = declaredEnd <= end;
    if (chunk.Id == RiffId || chunk.Id == ListId) {
      if (chunk.DataEnd - chunk.DataBegin < 4 || !Source.ReadAt(chunk.DataBegin, header + 8, 4))
        return;
      chunk.ListType = Le32(header + 8);
      chunk.DataBegin += 4;
    }
    visit(chunk);
    if (!chunk.Complete)
      return;
    at = declaredEnd + (chunk.Size & 1);  // odd-sized chunks are padded to even
  }
}

bool TAviScan::ReadChunkStart(const TChunk& chunk, std::uint8_t* bytes, std::size_t count)
{
  return chunk.Complete && chunk.Size >= count && Source.ReadAt(chunk.DataBegin, bytes, count);
}

TAviVideo TAviScan::Run()
{
  std::uint8_t start[12];
  if (!Source.ReadAt(0, start, sizeof start) || Le32(start) != RiffId || Le32(start + 8) != FourCC("AVI "))
    return std::move(Video);
  // Refused before any of it is walked: the device would not come back from
  // such a file.
  if (std::min<std::uint64_t>(8 + std::uint64_t{Le32(start + 4)}, Source.Size()) > DeviceReachBytes) {
    Video.Refusal = TAviRefusal::PastDeviceReach;
    return std::move(Video);
  }

  // The movie is the 'RIFF AVI ' part, which holds the headers, then any
  // number of OpenDML 'RIFF AVIX' parts with more frames.
  ForEachChunk(0, Source.Size(), [&](const TChunk& part) { ReadPart(part, part.DataBegin == sizeof start); });

  Video.Refusal = Refusal();
  if (Video.Readable() && Video.Compression == ServedFrame::FourCC)
    ReadServedMovie();
  Video.CompleteFrames = static_cast<std::uint32_t>(Video.Frames.size());
  return std::move(Video);
}

// The first part holds the headers, and perhaps the source times, before its
// frames; the parts after it hold frames only.
void TAviScan::ReadPart(const TChunk& part, bool firstPart)
{
  if (part.Id != RiffId || part.ListType != (firstPart ? FourCC("AVI ") : FourCC("AVIX")))
    return;
  ForEachChunk(part.DataBegin, part.DataEnd, [&](const TChunk& chunk) {
    if (firstPart && chunk.Id == FourCC(SourceTimesChunkId))
      ReadSourceTimes(chunk);
    if (chunk.Id != ListId)
      return;
    if (firstPart && chunk.ListType == FourCC("hdrl") && !HeaderListSeen)
      ReadHeaderList(chunk);
    else if (chunk.ListType == FourCC("movi") && PictureSizeOk)
      CountFrames(chunk, 0);
  });
  if (firstPart)
    Video.FirstPartFrames = static_cast<std::uint32_t>(Video.Frames.size());
}

// Why the movie walked cannot be shown, the first failing check first.
TAviRefusal TAviScan::Refusal() const
{
  if (!HaveMainHeader)
    return TAviRefusal::UnreadableHeader;
  if (!HaveVideoStream)
    return TAviRefusal::NoVideoStream;
  if (!HaveFormat)
    return TAviRefusal::UnreadableHeader;
  if (!PictureSizeOk)
    return TAviRefusal::BadPictureSize;
  if (FrameSizeMismatch)
    return TAviRefusal::FrameSizeMismatch;
  if (Video.Frames.size() == Video.LeadingEmptyFrames)
    return TAviRefusal::NoFrames;
  return TAviRefusal::None;
}

void TAviScan::ReadHeaderList(const TChunk& hdrl)
{
  HeaderListSeen = true;
  std::uint32_t streamNumber = 0;
  ForEachChunk(hdrl.DataBegin, hdrl.DataEnd, [&](const TChunk& chunk) {
    std::uint8_t fields[MainHeaderBytes];
    if (chunk.Id == FourCC("avih") && !HaveMainHeader && ReadChunkStart(chunk, fields, MainHeaderBytes)) {
      HaveMainHeader = true;
      Video.MainHeaderFrames = Le32(fields + 16);
    } else if (chunk.Id == ListId && chunk.ListType == FourCC("strl")) {
      if (!HaveVideoStream && streamNumber < MaxStreams)
        ReadStreamList(chunk, streamNumber++);
    } else if (chunk.Id == ListId && chunk.ListType == FourCC("odml")) {
      ForEachChunk(chunk.DataBegin, chunk.DataEnd, [&](const TChunk& dmlh) {
        if (dmlh.Id == FourCC("dmlh") && ReadChunkStart(dmlh, fields, 4))
          Video.ExtendedHeaderFrames = Le32(fields);
      });
    }
  });
  PictureSizeOk = HaveFormat && CheckPictureSize();
}

// The first 'vids' stream is the movie's video.
void TAviScan::ReadStreamList(const TChunk& strl, std::uint32_t streamNumber)
{
  std::uint8_t streamHeader[StreamHeaderBytes];
  std::uint8_t format[BitmapHeaderBytes];
  bool haveStreamHeader = false;
  bool haveFormat = false;
  ForEachChunk(strl.DataBegin, strl.DataEnd, [&](const TChunk& chunk) {
    if (chunk.Id == FourCC("strh") && !haveStreamHeader)
      haveStreamHeader = ReadChunkStart(chunk, streamHeader, sizeof streamHeader);
    else if (chunk.Id == FourCC("strf") && !haveFormat)
      haveFormat = ReadChunkStart(chunk, format, sizeof format);
  });
  if (!haveStreamHeader || Le32(streamHeader) != FourCC("vids"))
    return;

  HaveVideoStream = true;
  Video.StreamNumber = streamNumber;
  Video.Scale = Le32(streamHeader + 20);
  Video.Rate = Le32(streamHeader + 24);
  Video.StreamLength = Le32(streamHeader + 32);
  if (!haveFormat)
    return;
  HaveFormat = true;
  Video.Width = static_cast<std::int32_t>(Le32(format + 4));
  Video.Height = static_cast<std::int32_t>(Le32(format + 8));
  Video.BitCount = Le16(format + 14);
  Video.Compression = Le32(format + 16);
}

// Refuses pictures no frame can hold, and fixes the size every uncompressed
// frame must have.
bool TAviScan::CheckPictureSize()
{
  if (Video.Width <= 0 || Video.Height == 0)
    return false;
  constexpr std::uint64_t MaxFrameBytes = std::numeric_limits<std::uint32_t>::max();
  const std::uint64_t stride = DibRowBytes(static_cast<std::uint32_t>(Video.Width),
                                           std::max<std::uint16_t>(Video.BitCount, 1));  // < 2^46
  if (stride > MaxFrameBytes / Video.PictureHeight())
    return false;
  const std::uint64_t pictureBytes = stride * Video.PictureHeight();

  const std::uint16_t bits = Video.BitCount;
  if (Video.Compression == TAviVideo::UncompressedRgb) {
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
      return false;
  } else if (Video.Compression == TAviVideo::UncompressedBitfields) {
    if (bits != 16 && bits != 32)
      return false;
  } else {
    return true;  // compressed frames vary in size
  }
  Video.FrameBytes = static_cast<std::uint32_t>(pictureBytes);
  return true;
}

// 'nndb' (uncompressed) and 'nndc' (compressed) chunks of the video stream nn.
bool TAviScan::IsVideoFrame(TFourCC id) const
{
  const int high = HexDigit(id & 0xFF);
  const int low = HexDigit(id >> 8 & 0xFF);
  const std::uint32_t kind = id >> 16;
  return high >= 0 && low >= 0 && static_cast<std::uint32_t>(high * 16 + low) == Video.StreamNumber &&
         (kind == (FourCC("00db") >> 16) || kind == (FourCC("00dc") >> 16));
}

void TAviScan::CountFrames(const TChunk& list, int depth)
{
  ForEachChunk(list.DataBegin, list.DataEnd, [&](const TChunk& chunk) {
    if (chunk.Id == ListId && chunk.ListType == FourCC("rec ")) {
      if (depth < MaxRecordNesting)
        CountFrames(chunk, depth + 1);
    } else if (chunk.Complete && IsVideoFrame(chunk.Id) && Video.Frames.size() < MaxFrames) {
      // An empty chunk is a dropped frame: the previous picture stays.
      if (Video.FrameBytes != 0 && chunk.Size != 0 && chunk.Size != Video.FrameBytes)
        FrameSizeMismatch = true;
      if (chunk.Size == 0 && Video.Frames.size() == Video.LeadingEmptyFrames)
        ++Video.LeadingEmptyFrames;
      Video.Frames.push_back({chunk.DataBegin, chunk.Size});
    }
  });
}

void TAviScan::ReadSourceTimes(const TChunk& chunk)
{
  // A chunk that does not hold whole times, or holds more than any movie's
  // frames, is not ours: the frames then have no source times.
  std::uint8_t first[4];
  if (!ReadChunkStart(chunk, first, sizeof first) || (chunk.Size - 4) % 8 != 0 || (chunk.Size - 4) / 8 > MaxFrames)
    return;
  std::vector<std::uint8_t> bytes(chunk.Size - 4);
  if (!Source.ReadAt(chunk.DataBegin + 4, bytes.data(), bytes.size()))
    return;
  Video.FirstTimedFrame = Le32(first);
  Video.SourceTimes.resize(bytes.size() / 8);
  for (std::size_t i = 0; i < Video.SourceTimes.size(); ++i) {
    const std::uint8_t* p = bytes.data() + 8 * i;
    Video.SourceTimes[i] = static_cast<std::int64_t>(std::uint64_t{Le32(p)} | std::uint64_t{Le32(p + 4)} << 32);
  }
}

void TAviScan::ReadServedMovie()
{
  const auto first = std::find_if(Video.Frames.begin(), Video.Frames.end(),
                                  [](const TAviFrameChunk& frame) { return frame.Size != 0; });
  std::uint8_t bytes[ServedFrame::ChunkBytes];
  if (first == Video.Frames.end() || first->Size != sizeof bytes || !Source.ReadAt(first->Offset, bytes, sizeof bytes))
    return;
  if (const std::optional<ServedFrame::TChunk> chunk = ServedFrame::Decode(bytes, sizeof bytes))
    Video.ServedMovie = chunk->Movie;
}

}  // namespace

std::uint32_t TAviVideo::ClaimedFrames() const
{
  return std::max({MainHeaderFrames, StreamLength, ExtendedHeaderFrames});
}

TAviVideo ReadAviVideo(TByteSource& source)
{
  return TAviScan(source).Run();
}

TAviVideo ReadAviVideo(const std::string& path)
{
  TFileByteSource source(path);
  if (!source.IsOpen()) {
    TAviVideo refused;
    refused.Refusal = TAviRefusal::CannotOpen;
    return refused;
  }
  return ReadAviVideo(source);
}
