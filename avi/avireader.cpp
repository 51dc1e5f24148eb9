#include "avi/avireader.h"

#include "codec/framecodec.h"

#include <algorithm>
#include <limits>

namespace {

using TFourCC = std::uint32_t;

constexpr TFourCC FourCC(const char (&code)[5])
{
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[0])) |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[3])) << 24;
}

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
  ForEachChunk(0, Source.Size(), [&](const TChunk& part) {
    const bool firstPart = part.DataBegin == sizeof start;
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
  });

  if (!HaveMainHeader)
    Video.Refusal = TAviRefusal::UnreadableHeader;
  else if (!HaveVideoStream)
    Video.Refusal = TAviRefusal::NoVideoStream;
  else if (!HaveFormat)
    Video.Refusal = TAviRefusal::UnreadableHeader;
  else if (!PictureSizeOk)
    Video.Refusal = TAviRefusal::BadPictureSize;
  else if (FrameSizeMismatch)
    Video.Refusal = TAviRefusal::FrameSizeMismatch;
  else if (Video.Frames.size() == Video.LeadingEmptyFrames)
    Video.Refusal = TAviRefusal::NoFrames;
  else
    Video.Refusal = TAviRefusal::None;
  Video.CompleteFrames = static_cast<std::uint32_t>(Video.Frames.size());
  return std::move(Video);
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
  const std::uint64_t bitsPerRow = std::uint64_t{static_cast<std::uint32_t>(Video.Width)} *
                                   std::max<std::uint16_t>(Video.BitCount, 1);
  const std::uint64_t stride = (bitsPerRow + 31) / 32 * 4;  // < 2^46
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

// ------------------------------------------------------- compressed frames

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

std::uint16_t Be16(const std::uint8_t* p)
{
  return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
std::uint32_t Be32(const std::uint8_t* p)
{
  return static_cast<std::uint32_t>(Be16(p)) << 16 | Be16(p + 2);
}

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

// The bytes of a frame's data still to be read, taken only whole.
class TFrameBytes {
public:
  TFrameBytes(const std::uint8_t* data, std::size_t size) : Next(data), Remaining(size) {}
  std::size_t Left() const { return Remaining; }
  bool Empty() const { return Remaining == 0; }
  // The next count bytes, or null (taking nothing) when fewer are left.
  const std::uint8_t* Take(std::size_t count)
  {
    if (count > Remaining)
      return nullptr;
    const std::uint8_t* taken = Next;
    Next += count;
    Remaining -= count;
    return taken;
  }

private:
  const std::uint8_t* Next;
  std::size_t Remaining;
};

// Cinepak, as the device's decoder reads it: a frame header, then strips of
// 4 x 4 blocks, each a header and chunks (codebooks, then the blocks' codes),
// every size and id a 16-bit big-endian word.
namespace cinepak {

constexpr std::size_t FrameHeaderBytes = 10;
constexpr std::size_t StripHeaderBytes = 12;
constexpr std::size_t ChunkHeaderBytes = 4;
// Decoders keep codebooks for this many strips.
constexpr unsigned MaxStrips = 32;
constexpr unsigned CodebookEntries = 256;
constexpr std::uint64_t MaxFrameBytes = FrameHeaderBytes + std::uint64_t{MaxStrips} * 0xFFFF;

constexpr std::uint16_t KeyStrip = 0x1000;
constexpr std::uint16_t InterStrip = 0x1100;
// Codebook chunks are 0x2000 to 0x2700: these bits choose among them.
constexpr std::uint16_t CodebookChunk = 0x2000;
constexpr std::uint16_t PartialCodebook = 0x0100;  // flag words say which entries follow
constexpr std::uint16_t V1Codebook = 0x0200;       // else the V4 codebook
constexpr std::uint16_t ShortEntries = 0x0400;     // 4-byte (grey) entries, else 6-byte (colour)
constexpr std::uint16_t IntraCodes = 0x3000;       // a flag bit per block: V4 or V1
constexpr std::uint16_t InterCodes = 0x3100;       // flag bits per block: skipped, V1 or V4
constexpr std::uint16_t V1Codes = 0x3200;          // a V1 index per block

// Entries of a codebook that this frame defines; Unknown when the entries in
// use are those an earlier frame left.
constexpr int Unknown = -1;
struct TCodebooks {
  int V4 = Unknown;
  int V1 = Unknown;
};

class TFrameCheck {
public:
  TFrameCheck(const TAviVideo& video, const std::uint8_t* data, std::size_t size)
    : Width(static_cast<std::uint32_t>(video.Width)), Height(video.PictureHeight()), Data(data), Size(size)
  {
  }
  TFrameDataCheck Run();

private:
  bool CheckStrip(TFrameBytes strip, std::uint32_t blocks, TCodebooks& books);
  bool CheckCodebook(std::uint16_t id, TFrameBytes entries, TCodebooks& books);
  bool CheckCodes(std::uint16_t id, TFrameBytes codes, std::uint32_t blocks, const TCodebooks& books);
  bool UseEntry(int entries, std::uint8_t index);

  const std::uint32_t Width;
  const std::uint32_t Height;
  const std::uint8_t* const Data;
  const std::size_t Size;
  bool SelfContained = true;
};

TFrameDataCheck TFrameCheck::Run()
{
  constexpr TFrameDataCheck damaged{false, false};
  if (Size < FrameHeaderBytes)
    return damaged;
  // The frame's length; the chunk may hold one pad byte more.
  const std::uint32_t length = static_cast<std::uint32_t>(Data[1]) << 16 | Be16(Data + 2);
  if (length < FrameHeaderBytes || (length != Size && !(length % 2 && length + 1 == Size)))
    return damaged;
  const unsigned strips = Be16(Data + 8);
  if (Be16(Data + 4) != Width || Be16(Data + 6) != Height || strips == 0 || strips > MaxStrips)
    return damaged;
  // Without this flag each strip starts from the codebooks of the strip
  // before it; with it, from its own of the frame before.
  const bool ownCodebooks = Data[0] & 1;

  TFrameBytes frame(Data + FrameHeaderBytes, length - FrameHeaderBytes);
  const std::uint32_t blocksPerRow = (Width + 3) / 4;
  std::uint32_t top = 0;
  TCodebooks books;
  for (unsigned i = 0; i < strips; ++i) {
    const std::uint8_t* header = frame.Take(StripHeaderBytes);
    if (!header)
      return damaged;
    const std::uint16_t id = Be16(header);
    const std::uint16_t bytes = Be16(header + 2);
    const std::uint16_t y0 = Be16(header + 4);
    const std::uint16_t y1 = Be16(header + 8);
    // Strips lie one under the other across the whole width; their rows are
    // given from the strip before (a top of 0) or from the picture's top.
    const std::uint32_t bottom = y0 == 0 ? top + y1 : y1;
    if ((id != KeyStrip && id != InterStrip) || bytes < StripHeaderBytes || (y0 != 0 && y0 != top) || bottom <= top ||
        bottom > Height || top % 4 != 0 || Be16(header + 6) != 0 || Be16(header + 10) != Width)
      return damaged;
    const std::uint8_t* body = frame.Take(bytes - StripHeaderBytes);
    if (!body)
      return damaged;
    if (i == 0 || ownCodebooks)
      books = TCodebooks();
    const std::uint32_t blocks = (bottom - top + 3) / 4 * blocksPerRow;
    if (!CheckStrip(TFrameBytes(body, bytes - StripHeaderBytes), blocks, books))
      return damaged;
    top = bottom;
  }
  if (!frame.Empty() || top != Height)
    return damaged;
  return {true, SelfContained};
}

// Codebooks first, then the blocks' codes, which end the strip.
bool TFrameCheck::CheckStrip(TFrameBytes strip, std::uint32_t blocks, TCodebooks& books)
{
  while (!strip.Empty()) {
    const std::uint8_t* header = strip.Take(ChunkHeaderBytes);
    if (!header)
      return false;
    const std::uint16_t id = Be16(header);
    const std::uint16_t bytes = Be16(header + 2);
    const std::uint8_t* body = bytes >= ChunkHeaderBytes ? strip.Take(bytes - ChunkHeaderBytes) : nullptr;
    if (!body)
      return false;
    const TFrameBytes chunk(body, bytes - ChunkHeaderBytes);
    if ((id & ~(PartialCodebook | V1Codebook | ShortEntries)) == CodebookChunk) {
      if (!CheckCodebook(id, chunk, books))
        return false;
    } else if (id == IntraCodes || id == InterCodes || id == V1Codes) {
      return CheckCodes(id, chunk, blocks, books) && strip.Empty();
    } else {
      return false;
    }
  }
  return false;  // no codes for the blocks
}

bool TFrameCheck::CheckCodebook(std::uint16_t id, TFrameBytes entries, TCodebooks& books)
{
  const std::size_t entryBytes = id & ShortEntries ? 4 : 6;
  int& defined = id & V1Codebook ? books.V1 : books.V4;
  if (!(id & PartialCodebook)) {
    if (entries.Left() % entryBytes != 0 || entries.Left() / entryBytes > CodebookEntries)
      return false;
    defined = static_cast<int>(entries.Left() / entryBytes);
    return true;
  }
  // A flag word for each 32 entries, each set bit followed by its entry.
  unsigned entry = 0;
  int highest = Unknown;
  while (!entries.Empty()) {
    const std::uint8_t* flags = entry < CodebookEntries ? entries.Take(4) : nullptr;
    if (!flags)
      return false;
    const std::uint32_t bits = Be32(flags);
    for (std::uint32_t mask = 0x80000000; mask != 0; mask >>= 1, ++entry) {
      if (!(bits & mask))
        continue;
      if (!entries.Take(entryBytes))
        return false;
      highest = static_cast<int>(entry);
    }
  }
  if (defined != Unknown)
    defined = std::max(defined, highest + 1);
  return true;
}

// An index into a codebook this frame defines must name one of its entries.
bool TFrameCheck::UseEntry(int entries, std::uint8_t index)
{
  if (entries == Unknown) {
    SelfContained = false;
    return true;
  }
  return index < entries;
}

bool TFrameCheck::CheckCodes(std::uint16_t id, TFrameBytes codes, std::uint32_t blocks, const TCodebooks& books)
{
  const auto v1 = [&] {
    const std::uint8_t* index = codes.Take(1);
    return index && UseEntry(books.V1, index[0]);
  };
  const auto v4 = [&] {
    const std::uint8_t* indices = codes.Take(4);
    return indices && UseEntry(books.V4, indices[0]) && UseEntry(books.V4, indices[1]) &&
           UseEntry(books.V4, indices[2]) && UseEntry(books.V4, indices[3]);
  };
  std::uint32_t bits = 0;
  std::uint32_t mask = 0;
  // The next flag bit; a new flag word when the last one is used up.
  const auto nextBit = [&](bool& set) {
    if (mask == 0) {
      const std::uint8_t* flags = codes.Take(4);
      if (!flags)
        return false;
      bits = Be32(flags);
      mask = 0x80000000;
    }
    set = bits & mask;
    mask >>= 1;
    return true;
  };

  for (std::uint32_t block = 0; block < blocks; ++block) {
    bool coded = true;
    bool isV4 = false;
    if (id == InterCodes) {
      SelfContained = false;  // skipped blocks keep the picture before
      // The decoder stops where the codes end and leaves the remaining
      // blocks as they are, as if skipped.
      if (mask == 0 && codes.Empty())
        break;
      if (!nextBit(coded))
        return false;
    }
    if (!coded)
      continue;
    if (id != V1Codes && !nextBit(isV4))
      return false;
    if (!(isV4 ? v4() : v1()))
      return false;
  }
  return codes.Empty();
}

}  // namespace cinepak

// Microsoft Video 1: 4 x 4 blocks from the bottom row of blocks up, each a
// 16-bit little-endian code, perhaps followed by colours; a code may skip
// blocks, which keep the picture before. An end code may follow the last block.
TFrameDataCheck CheckMsVideo1(const TAviVideo& video, const std::uint8_t* data, std::size_t size)
{
  constexpr TFrameDataCheck damaged{false, false};
  const bool paletted = video.BitCount == 8;
  TFrameBytes codes(data, size);
  bool selfContained = true;
  std::uint64_t blocks = std::uint64_t{static_cast<std::uint32_t>(video.Width) / 4} * (video.PictureHeight() / 4);
  while (blocks > 0) {
    const std::uint8_t* code = codes.Take(2);
    if (!code)
      return damaged;
    const std::uint8_t low = code[0];
    const std::uint8_t high = code[1];
    if ((high & 0xFC) == 0x84) {
      const std::uint32_t skipped = static_cast<std::uint32_t>(high - 0x84) << 8 | low;
      if (skipped == 0 || skipped > blocks)
        return damaged;
      blocks -= skipped;
      selfContained = false;
      continue;
    }
    std::size_t colourBytes = 0;  // a block of one colour: the code is the colour
    if (paletted) {
      if (high < 0x80)
        colourBytes = 2;  // two colours, the code's bits choosing
      else if (high >= 0x90)
        colourBytes = 8;  // two colours for each quarter
    } else if (high < 0x80) {
      const std::uint8_t* colours = codes.Take(4);
      if (!colours)
        return damaged;
      colourBytes = colours[1] & 0x80 ? 12 : 0;  // the first colour's top bit: eight colours
    }
    if (!codes.Take(colourBytes))
      return damaged;
    --blocks;
  }
  const std::uint8_t* end = codes.Take(2);
  if (!codes.Empty() || (end && (end[0] != 0 || end[1] != 0)))
    return damaged;
  return {true, selfContained};
}

// The most bytes a sound frame of the format can hold.
std::uint64_t MaxFrameBytes(const TAviVideo& video)
{
  if (IsCinepak(video))
    return cinepak::MaxFrameBytes;
  if (UsesOurCodec(video))
    return FrameCodec::MaxFrameBytes(static_cast<std::uint32_t>(video.Width), video.PictureHeight());
  // Eight colours of 16 bits for every block, and the end code.
  const std::uint64_t blocks = std::uint64_t{static_cast<std::uint32_t>(video.Width) / 4} * (video.PictureHeight() / 4);
  return blocks * 18 + 2;
}

}  // namespace

TFileByteSource::TFileByteSource(const std::string& path) : File(path, std::ios::binary)
{
  if (!File.seekg(0, std::ios::end) || File.tellg() < 0)
    File.close();
}

std::uint64_t TFileByteSource::Size() const
{
  File.clear();
  const std::streamoff end = File.seekg(0, std::ios::end) ? static_cast<std::streamoff>(File.tellg()) : -1;
  return end < 0 ? 0 : static_cast<std::uint64_t>(end);
}

bool TFileByteSource::ReadAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count)
{
  constexpr auto MaxOffset = static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max());
  if (offset > MaxOffset || count > MaxOffset - offset)
    return false;
  File.clear();
  if (!File.seekg(static_cast<std::streamoff>(offset)))
    return false;
  File.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(count));
  return File && static_cast<std::size_t>(File.gcount()) == count;
}

bool TMemoryByteSource::ReadAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count)
{
  if (offset > Bytes || count > Bytes - offset)
    return false;
  std::copy_n(Data + offset, count, bytes);
  return true;
}

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

bool UsesOurCodec(const TAviVideo& video)
{
  return video.Compression == FrameCodec::FourCC && video.BitCount == FrameCodec::BitCount && !video.TopDown();
}

bool HasCheckedFrameData(const TAviVideo& video)
{
  return IsCinepak(video) || IsMsVideo1(video) || UsesOurCodec(video);
}

TFrameDataCheck CheckFrameData(const TAviVideo& video, const std::uint8_t* data, std::size_t size)
{
  if (size == 0)
    return {};
  if (IsCinepak(video))
    return cinepak::TFrameCheck(video, data, size).Run();
  if (IsMsVideo1(video))
    return CheckMsVideo1(video, data, size);
  if (UsesOurCodec(video)) {
    const bool sound = FrameCodec::Check(data, size, static_cast<std::uint32_t>(video.Width), video.PictureHeight());
    return {sound, sound};  // every frame stands alone
  }
  return {};
}

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
  // Our own codec checks each frame itself and draws nothing of a damaged
  // one, and its frames stand alone: playing over such a frame is safe, and
  // needs no read of all the frames ahead (gigabytes of them).
  const bool dataOnly = UsesOurCodec(Movie);
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
  if (chunk.Size > MaxFrameBytes(Movie)) {
    check = TFrameDataCheck{false, false};
    return true;
  }
  Data.resize(chunk.Size);
  if (!Source->ReadAt(chunk.Offset, Data.data(), Data.size()))
    return false;
  check = CheckFrameData(Movie, Data.data(), Data.size());
  return true;
}

std::unique_ptr<TAviMovie> OpenAviMovie(const std::string& path)
{
  auto file = std::make_unique<TFileByteSource>(path);
  if (!file->IsOpen())
    file.reset();
  return std::make_unique<TAviMovie>(std::move(file));
}
