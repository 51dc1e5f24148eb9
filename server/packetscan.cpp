#include "server/packetscan.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

namespace {

// A byte range of the file, [Begin, End).
struct TRange {
  std::int64_t Begin = 0;
  std::int64_t End = 0;
};

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

std::uint64_t BigEndian(const std::uint8_t* bytes, int count)
{
  std::uint64_t value = 0;
  for (int i = 0; i < count; ++i)
    value = value << 8 | bytes[i];
  return value;
}

// The payloads of the file's top-level 'mdat' boxes, where an ISO media file
// keeps its samples; none when the file is not laid out as top-level boxes
// from its first byte to its last, beginning with one an ISO file begins with.
std::vector<TRange> SampleData(std::FILE* file, std::int64_t size)
{
  static const char* const Openers[] = {"ftyp", "moov", "mdat", "free", "skip", "wide", "styp", "pdin"};
  std::vector<TRange> data;
  std::int64_t place = 0;
  while (place < size) {
    std::uint8_t header[16];
    if (size - place < 8 || fseeko(file, place, SEEK_SET) != 0 || std::fread(header, 1, 8, file) != 8)
      return {};
    std::uint64_t boxSize = BigEndian(header, 4);
    std::int64_t headerSize = 8;
    if (boxSize == 1) {
      if (std::fread(header + 8, 1, 8, file) != 8)
        return {};
      boxSize = BigEndian(header + 8, 8);
      headerSize = 16;
    } else if (boxSize == 0) {
      boxSize = static_cast<std::uint64_t>(size - place);
    }
    if (boxSize < static_cast<std::uint64_t>(headerSize) || boxSize > static_cast<std::uint64_t>(size - place))
      return {};
    if (place == 0) {
      bool opens = false;
      for (const char* type : Openers)
        opens = opens || std::memcmp(header + 4, type, 4) == 0;
      if (!opens)
        return {};
    }
    const std::int64_t end = place + static_cast<std::int64_t>(boxSize);
    if (std::memcmp(header + 4, "mdat", 4) == 0)
      data.push_back({place + headerSize, end});
    place = end;
  }
  return data;
}

// The file as the demuxer reads it, but with the samples' data left unread:
// a read inside it moves on without touching the disk (the bytes it leaves
// are never looked at: the demuxer neither parses nor decodes here).
class TSkippingInput {
public:
  TSkippingInput(TFile file, std::int64_t size, std::vector<TRange> skipped)
    : File(std::move(file)), Size(size), Skipped(std::move(skipped))
  {
  }

  static int Read(void* opaque, std::uint8_t* buffer, int wanted)
  {
    return static_cast<TSkippingInput*>(opaque)->Read(buffer, wanted);
  }
  static std::int64_t Seek(void* opaque, std::int64_t offset, int whence)
  {
    return static_cast<TSkippingInput*>(opaque)->Seek(offset, whence);
  }

private:
  int Read(std::uint8_t* buffer, int wanted)
  {
    if (Place >= Size)
      return AVERROR_EOF;
    std::int64_t count = std::min<std::int64_t>(wanted, Size - Place);
    for (const TRange& range : Skipped) {
      if (Place >= range.Begin && Place < range.End) {
        count = std::min(count, range.End - Place);
        Place += count;
        return static_cast<int>(count);
      }
      if (range.Begin > Place && range.Begin < Place + count)
        count = range.Begin - Place;
    }
    if (fseeko(File.get(), Place, SEEK_SET) != 0)
      return AVERROR(EIO);
    const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(count), File.get());
    if (got == 0)
      return AVERROR_EOF;
    Place += static_cast<std::int64_t>(got);
    return static_cast<int>(got);
  }

  std::int64_t Seek(std::int64_t offset, int whence)
  {
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
      return Size;
    case SEEK_SET:
      Place = offset;
      return Place;
    case SEEK_CUR:
      Place += offset;
      return Place;
    case SEEK_END:
      Place = Size + offset;
      return Place;
    default:
      return AVERROR(EINVAL);
    }
  }

  TFile File;
  const std::int64_t Size;
  const std::vector<TRange> Skipped;
  std::int64_t Place = 0;
};

struct TInputFreer {
  void operator()(AVIOContext* input) const
  {
    if (input)
      av_freep(&input->buffer);
    avio_context_free(&input);
  }
};
struct TFormatCloser {
  void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};
struct TPacketFreer {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

// The packets of an ISO media file from its sample tables alone; nothing when
// the file is not one or its tables cannot be read that way.
std::optional<std::vector<TMovieDecoder::TPacketInfo>> ScanSampleTables(const std::string& path)
{
  TFile file(std::fopen(path.c_str(), "rb"));
  if (!file || fseeko(file.get(), 0, SEEK_END) != 0)
    return std::nullopt;
  const std::int64_t size = ftello(file.get());
  std::vector<TRange> skipped = SampleData(file.get(), size);
  if (skipped.empty())
    return std::nullopt;
  TSkippingInput source(std::move(file), size, std::move(skipped));

  const int bufferSize = 1 << 16;
  auto* buffer = static_cast<std::uint8_t*>(av_malloc(bufferSize));
  if (!buffer)
    return std::nullopt;
  std::unique_ptr<AVIOContext, TInputFreer> input(
    avio_alloc_context(buffer, bufferSize, 0, &source, TSkippingInput::Read, nullptr, TSkippingInput::Seek));
  if (!input) {
    av_free(buffer);
    return std::nullopt;
  }
  AVFormatContext* opened = avformat_alloc_context();
  if (!opened)
    return std::nullopt;
  opened->pb = input.get();
  // What the sample tables hold, as they hold it: no parser looks at the
  // (unread) data and no value is inferred from another.
  opened->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_NOPARSE | AVFMT_FLAG_NOFILLIN;
  if (avformat_open_input(&opened, nullptr, av_find_input_format("mov"), nullptr) < 0)
    return std::nullopt;
  std::unique_ptr<AVFormatContext, TFormatCloser> format(opened);

  // The first video stream, as the decoder takes it.
  int stream = -1;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    if (stream < 0 && format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
      stream = static_cast<int>(i);
    else
      format->streams[i]->discard = AVDISCARD_ALL;
  }
  std::unique_ptr<AVPacket, TPacketFreer> read(av_packet_alloc());
  if (stream < 0 || !read)
    return std::nullopt;
  std::vector<TMovieDecoder::TPacketInfo> packets;
  for (;;) {
    const int result = av_read_frame(format.get(), read.get());
    if (result == AVERROR_EOF)
      break;
    if (result < 0)
      return std::nullopt;
    if (read->stream_index == stream)
      packets.push_back({read->pts, read->dts, read->pos, (read->flags & AV_PKT_FLAG_KEY) != 0,
                         (read->flags & AV_PKT_FLAG_DISCARD) != 0});
    av_packet_unref(read.get());
  }
  return packets;
}

}  // namespace

std::vector<TMovieDecoder::TPacketInfo> ScanPackets(TMovieDecoder& decoder, const std::string& path)
{
  if (auto packets = ScanSampleTables(path))
    return std::move(*packets);
  std::vector<TMovieDecoder::TPacketInfo> packets;
  TMovieDecoder::TPacketInfo packet;
  while (decoder.ReadPacket(packet))
    packets.push_back(packet);
  return packets;
}
