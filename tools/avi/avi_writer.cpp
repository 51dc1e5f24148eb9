#include "tools/avi/avi_writer.h"

#include "avi/avivideo.h"
#include "codec/framecodec.h"
#include "framework/base/dibstride.h"

#include <algorithm>
#include <cstdio>

namespace {

// Field offsets patched once the length is known.
constexpr std::uint32_t RiffSizeAt = 4;
constexpr std::uint32_t AvihTotalFramesAt = 32 + 16;
constexpr std::uint32_t AvihSuggestedBufferAt = 32 + 28;
constexpr std::uint32_t StrhLengthAt = 108 + 32;
constexpr std::uint32_t StrhSuggestedBufferAt = 108 + 36;
constexpr std::uint32_t MainHeaderBytes = 56;
constexpr std::uint32_t StreamHeaderBytes = 56;
constexpr std::uint32_t BitmapInfoHeaderBytes = 40;
constexpr std::uint32_t AvifHasIndex = 0x10;
constexpr std::uint32_t AviifKeyframe = 0x10;
// A chunk's header and its index entry.
constexpr std::uint64_t ChunkOverheadBytes = 8 + 16;
// The source times' chunk: its header and frame number, then each frame's time.
constexpr std::uint64_t SourceTimesHeaderBytes = 8 + 4;
constexpr std::uint64_t SourceTimeBytes = 8;
// AVI 1.0 readers take RIFF sizes as signed 32-bit numbers.
constexpr std::uint64_t MaxFileBytes = 0x7FFFFFFF;

// Little-endian serialisation whatever the host's byte order.
class TBytes {
public:
  void U8(std::uint8_t v) { Data.push_back(v); }
  void U16(std::uint16_t v)
  {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v)
  {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void FourCC(const char* code)
  {
    for (int i = 0; i < 4; ++i)
      U8(static_cast<std::uint8_t>(code[i]));
  }
  std::uint32_t Size() const { return static_cast<std::uint32_t>(Data.size()); }
  const char* Raw() const { return reinterpret_cast<const char*>(Data.data()); }

private:
  std::vector<std::uint8_t> Data;
};

void WriteU32At(std::ofstream& file, std::uint32_t offset, std::uint32_t value)
{
  TBytes bytes;
  bytes.U32(value);
  file.seekp(offset);
  file.write(bytes.Raw(), bytes.Size());
}

}  // namespace

TAviWriter::TAviWriter(const std::string& path, const TFormat& format) : Path(path), Format(format)
{
  CheckFormat(Format);
  if (Format.BitCount != 8)
    Format.Palette.clear();
  if (Format.Coded)
    CodedFrame.resize(FrameCodec::MaxEncodedBytes(Format.Width, Format.Height));

  File.open(Path, std::ios::binary | std::ios::trunc);
  if (!File)
    throw TXAvi("cannot create " + Path);
  WriteHeaders();
}

TAviWriter::~TAviWriter()
{
  if (!Finished) {
    File.close();
    std::remove(Path.c_str());
  }
}

void TAviWriter::CheckFormat(const TFormat& format)
{
  if (format.Width == 0 || format.Height == 0 || format.Width > 0x7FFF || format.Height > 0x7FFF)
    throw TXAvi("movie size must be 1 to 32767 pixels each way");
  if (format.BitCount != 8 && format.BitCount != 24 && format.BitCount != 32)
    throw TXAvi("bits per pixel must be 8, 24 or 32");
  if (format.Rate == 0 || format.Scale == 0)
    throw TXAvi("frame rate must be positive");
  if (format.BitCount == 8 && (format.Palette.empty() || format.Palette.size() > 256))
    throw TXAvi("an 8-bit movie needs a palette of 1 to 256 colours");
  if (format.Coded && (format.BitCount != FrameCodec::BitCount || format.TopDown))
    throw TXAvi("coded frames are 24-bit and stored bottom-up");
  if (format.OtherCodec && (format.Coded || format.BitCount == 8))
    throw TXAvi("frames of another codec are neither ours nor of a palette");
  if (std::uint64_t{RowBytes(format)} * format.Height > MaxFileBytes / 2)
    throw TXAvi("frame too large");
}

std::uint32_t TAviWriter::RowBytes(const TFormat& format)
{
  return static_cast<std::uint32_t>(DibRowBytes(format.Width, format.BitCount));
}

// List size fields: 'strl' holds the stream's header and format (palette
// included), 'hdrl' the main header and 'strl'.
std::uint32_t TAviWriter::StreamListBytes(const TFormat& format)
{
  const std::uint32_t paletteBytes = format.BitCount == 8 ? static_cast<std::uint32_t>(format.Palette.size()) * 4 : 0;
  return 4 + 8 + StreamHeaderBytes + 8 + BitmapInfoHeaderBytes + paletteBytes;
}

std::uint32_t TAviWriter::HeaderListBytes(const TFormat& format)
{
  return 4 + 8 + MainHeaderBytes + 8 + StreamListBytes(format);
}

std::uint32_t TAviWriter::FrameCapacity(const TFormat& format, std::uint32_t emptyFrames)
{
  CheckFormat(format);
  // RIFF header, 'hdrl' list, 'movi' list header and 'idx1' header; then per
  // frame its chunk and its index entry.
  const std::uint64_t timeBytes = format.KeepsSourceTimes ? SourceTimeBytes : 0;
  const std::uint64_t fixedBytes = 12 + 8 + std::uint64_t{HeaderListBytes(format)} + 12 + 8 +
                                   emptyFrames * (ChunkOverheadBytes + timeBytes) +
                                   (format.KeepsSourceTimes ? SourceTimesHeaderBytes : 0);
  // A coded frame at its largest, with its pad byte.
  const std::uint64_t frameBytes = format.Coded ? FrameCodec::MaxEncodedBytes(format.Width, format.Height) + 1
                                                : std::uint64_t{RowBytes(format)} * format.Height;
  const std::uint64_t bytesPerFrame = ChunkOverheadBytes + frameBytes + timeBytes;
  return fixedBytes > MaxFileBytes ? 0 : static_cast<std::uint32_t>((MaxFileBytes - fixedBytes) / bytesPerFrame);
}

void TAviWriter::Check(const char* what)
{
  if (!File)
    throw TXAvi(std::string("cannot write ") + what + " of " + Path);
}

void TAviWriter::WriteHeaders()
{
  const std::uint32_t frameBytes = FrameBytes();
  const std::uint32_t paletteBytes = static_cast<std::uint32_t>(Format.Palette.size()) * 4;
  const std::uint32_t strfBytes = BitmapInfoHeaderBytes + paletteBytes;
  const std::uint32_t strlBytes = StreamListBytes(Format);
  const std::uint32_t hdrlBytes = HeaderListBytes(Format);

  // The header layout, a field (or a few) per line.
  // clang-format off
  TBytes h;
  h.FourCC("RIFF"); h.U32(0); h.FourCC("AVI ");   // size patched by Finish
  h.FourCC("LIST"); h.U32(hdrlBytes); h.FourCC("hdrl");

  h.FourCC("avih"); h.U32(MainHeaderBytes);
  h.U32(static_cast<std::uint32_t>(1000000ull * Format.Scale / Format.Rate));   // microseconds per frame
  h.U32(static_cast<std::uint32_t>(std::uint64_t{frameBytes} * Format.Rate / Format.Scale));
  h.U32(0);                 // padding granularity
  h.U32(AvifHasIndex);
  h.U32(0);                 // total frames, patched by Finish
  h.U32(0);                 // initial frames
  h.U32(1);                 // streams
  h.U32(frameBytes + 8);    // suggested buffer: one chunk
  h.U32(Format.Width);
  h.U32(Format.Height);
  for (int i = 0; i < 4; ++i) h.U32(0);

  h.FourCC("LIST"); h.U32(strlBytes); h.FourCC("strl");
  h.FourCC("strh"); h.U32(StreamHeaderBytes);
  h.FourCC("vids");
  // Uncompressed device-independent bitmaps, or the codec that decodes them.
  h.U32(Compressed() ? Compression() : 0x20424944);
  h.U32(0);                 // flags
  h.U16(0); h.U16(0);       // priority, language
  h.U32(0);                 // initial frames
  h.U32(Format.Scale);
  h.U32(Format.Rate);
  h.U32(0);                 // start
  h.U32(0);                 // length, patched by Finish
  h.U32(frameBytes);
  h.U32(0xFFFFFFFF);        // quality: default
  h.U32(0);                 // sample size: varies (one frame per chunk)
  h.U16(0); h.U16(0);
  h.U16(static_cast<std::uint16_t>(Format.Width)); h.U16(static_cast<std::uint16_t>(Format.Height));

  h.FourCC("strf"); h.U32(strfBytes);
  h.U32(BitmapInfoHeaderBytes);
  h.U32(Format.Width);
  // A negative height marks rows stored top row first.
  h.U32(Format.TopDown ? 0u - Format.Height : Format.Height);
  h.U16(1);
  h.U16(Format.BitCount);
  h.U32(Compressed() ? Compression() : 0);   // or BI_RGB
  h.U32(frameBytes);        // decoded
  h.U32(0); h.U32(0);       // pixels per metre
  h.U32(static_cast<std::uint32_t>(Format.Palette.size()));
  h.U32(0);
  for (const TRgb& c : Format.Palette) {
    h.U8(c.B); h.U8(c.G); h.U8(c.R); h.U8(0);
  }

  h.FourCC("LIST"); h.U32(0);   // movi size patched by Finish
  MoviStart = h.Size();
  h.FourCC("movi");
  // clang-format on

  File.write(h.Raw(), h.Size());
  Check("the headers");
}

std::uint32_t TAviWriter::Compression() const
{
  return Format.Coded ? FrameCodec::FourCC : Format.OtherCodec;
}

void TAviWriter::WriteFrame(const std::uint8_t* bits)
{
  if (!TryWriteFrame(bits))
    throw TXAvi("movie too long for an AVI 1.0 file");
}

bool TAviWriter::TryWriteFrame(const std::uint8_t* bits)
{
  if (!Format.Coded)
    return AppendChunk(bits, FrameBytes());
  const std::size_t bytes = FrameCodec::Encode(bits, RowBytes(), Format.Width, Format.Height, CodedFrame.data());
  return AppendChunk(CodedFrame.data(), static_cast<std::uint32_t>(bytes));
}

bool TAviWriter::TryWriteCodedFrame(const std::uint8_t* coded, std::size_t bytes)
{
  if (!Compressed())
    throw TXAvi("a coded frame written to a movie of uncompressed frames");
  return AppendChunk(coded, static_cast<std::uint32_t>(bytes));
}

void TAviWriter::WriteEmptyFrame()
{
  if (!AppendChunk(nullptr, 0))
    throw TXAvi("movie too long for an AVI 1.0 file");
}

bool TAviWriter::AppendChunk(const std::uint8_t* bits, std::uint32_t bytes)
{
  if (Finished)
    throw TXAvi("frame written after the movie was finished");
  // Chunks start at even offsets: an odd-sized one is followed by a pad byte.
  const std::uint32_t padding = bytes & 1;
  const std::uint64_t timesBytes = Format.KeepsSourceTimes
                                     ? SourceTimesHeaderBytes + (std::uint64_t{FrameCount()} + 1) * SourceTimeBytes
                                     : 0;
  std::uint64_t trailingBytes = 0;
  for (const TTrailingChunk& chunk : AfterIndex)
    trailingBytes += 8 + chunk.Bytes.size() + (chunk.Bytes.size() & 1);
  const std::uint64_t end = static_cast<std::uint64_t>(File.tellp()) + ChunkOverheadBytes + bytes + padding +
                            std::uint64_t{FrameCount()} * 16 + 8 + timesBytes + trailingBytes;
  if (end > MaxFileBytes)
    return false;

  Frames.push_back({static_cast<std::uint32_t>(File.tellp()) - MoviStart, bytes});
  LargestChunk = std::max(LargestChunk, bytes);
  TBytes chunk;
  chunk.FourCC(ChunkId());
  chunk.U32(bytes);
  File.write(chunk.Raw(), chunk.Size());
  if (bytes)
    File.write(reinterpret_cast<const char*>(bits), bytes);
  if (padding)
    File.put(0);
  Check("a frame");
  return true;
}

void TAviWriter::NoteSourceTime(std::int64_t microseconds)
{
  if (!Format.KeepsSourceTimes || Frames.empty())
    throw TXAvi("a source time without a frame, or for a movie that keeps none");
  if (SourceTimes.empty())
    FirstTimedFrame = FrameCount() - 1;
  if (FirstTimedFrame + SourceTimes.size() != FrameCount() - 1)
    throw TXAvi("a frame written without its source time");
  SourceTimes.push_back(microseconds);
}

void TAviWriter::KeepAfterIndex(const char (&id)[5], std::vector<std::uint8_t> bytes)
{
  if (Finished)
    throw TXAvi("a chunk kept after the index of a movie finished already");
  AfterIndex.push_back({std::string(id, 4), std::move(bytes)});
}

void TAviWriter::Finish()
{
  if (Finished)
    return;
  const std::uint32_t moviEnd = static_cast<std::uint32_t>(File.tellp());

  TBytes index;
  index.FourCC("idx1");
  index.U32(FrameCount() * 16);
  for (const TIndexEntry& frame : Frames) {
    index.FourCC(ChunkId());
    // Every coded frame stands alone; an empty frame repeats the one before.
    index.U32(frame.Bytes ? AviifKeyframe : 0);
    index.U32(frame.Offset);
    index.U32(frame.Bytes);
  }
  File.write(index.Raw(), index.Size());
  if (!SourceTimes.empty()) {
    TBytes times;
    times.FourCC(SourceTimesChunkId);
    times.U32(static_cast<std::uint32_t>(4 + SourceTimes.size() * SourceTimeBytes));
    times.U32(FirstTimedFrame);
    for (std::int64_t time : SourceTimes) {
      times.U32(static_cast<std::uint32_t>(static_cast<std::uint64_t>(time)));
      times.U32(static_cast<std::uint32_t>(static_cast<std::uint64_t>(time) >> 32));
    }
    File.write(times.Raw(), times.Size());
  }
  for (const TTrailingChunk& chunk : AfterIndex) {
    TBytes header;
    header.FourCC(chunk.Id.c_str());
    header.U32(static_cast<std::uint32_t>(chunk.Bytes.size()));
    File.write(header.Raw(), header.Size());
    File.write(reinterpret_cast<const char*>(chunk.Bytes.data()), static_cast<std::streamsize>(chunk.Bytes.size()));
    if (chunk.Bytes.size() & 1)
      File.put(0);
  }
  if (static_cast<std::uint64_t>(File.tellp()) > MaxFileBytes)
    throw TXAvi("movie too long for an AVI 1.0 file");
  const std::uint32_t fileEnd = static_cast<std::uint32_t>(File.tellp());

  WriteU32At(File, RiffSizeAt, fileEnd - 8);
  WriteU32At(File, MoviStart - 4, moviEnd - MoviStart);
  WriteU32At(File, AvihTotalFramesAt, FrameCount());
  WriteU32At(File, StrhLengthAt, FrameCount());
  if (Compressed()) {
    // Readers size their buffer for one frame by these.
    WriteU32At(File, AvihSuggestedBufferAt, LargestChunk + 8);
    WriteU32At(File, StrhSuggestedBufferAt, LargestChunk);
  }
  File.close();
  Check("the index");
  Finished = true;
}

std::vector<std::uint8_t> TestFrameBits(const TTestMovie& movie, std::uint32_t frame)
{
  if (movie.BitCount != 8 && movie.BitCount != 24 && movie.BitCount != 32)
    throw TAviWriter::TXAvi("bits per pixel must be 8, 24 or 32");
  const std::uint32_t bytesPerPixel = movie.BitCount / 8u;
  const auto rowBytes = static_cast<std::uint32_t>(DibRowBytes(movie.Width, movie.BitCount));
  std::vector<std::uint8_t> bits(std::size_t{rowBytes} * movie.Height, 0);
  for (std::uint32_t y = 0; y < movie.Height; ++y) {
    const std::uint32_t storedRow = movie.TopDown ? y : movie.Height - 1 - y;
    std::uint8_t* row = &bits[std::size_t{storedRow} * rowBytes];
    for (std::uint32_t x = 0; x < movie.Width; ++x) {
      std::uint8_t* pixel = row + x * bytesPerPixel;
      if (movie.BitCount == 8) {
        pixel[0] = PatternIndex(frame, x, y);
      } else {
        const TRgb c = ExpectedPixel(frame, x, y);
        pixel[0] = c.B;
        pixel[1] = c.G;
        pixel[2] = c.R;
      }
    }
  }
  return bits;
}

void WriteTestMovie(const std::string& path, const TTestMovie& movie)
{
  TAviWriter::TFormat format;
  format.Width = movie.Width;
  format.Height = movie.Height;
  format.BitCount = movie.BitCount;
  format.Rate = movie.Rate;
  format.Scale = movie.Scale;
  format.TopDown = movie.TopDown;
  format.Coded = movie.Coded;
  format.KeepsSourceTimes = !movie.SourceTimes.empty();
  if (movie.BitCount == 8)
    format.Palette = PatternPalette();
  TAviWriter writer(path, format);
  for (std::uint32_t frame = 0; frame < movie.Frames; ++frame) {
    if (std::find(movie.Dropped.begin(), movie.Dropped.end(), frame) != movie.Dropped.end())
      writer.WriteEmptyFrame();
    else
      writer.WriteFrame(TestFrameBits(movie, frame).data());
    if (frame >= movie.FirstTimedFrame && frame - movie.FirstTimedFrame < movie.SourceTimes.size())
      writer.NoteSourceTime(movie.SourceTimes[frame - movie.FirstTimedFrame]);
  }
  writer.Finish();
}
