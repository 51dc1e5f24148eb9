#include "server/indexavi.h"

#include "avi/fourcc.h"
#include "tools/avi/avi_writer.h"

#include <fstream>
#include <limits>

namespace IndexAvi {
namespace {

// The chunk of our own after the index: its version, the source's identity,
// then the serialized index, all little-endian with sizes before the strings.
constexpr char ContentsChunkId[] = "vlmi";
constexpr std::uint32_t ContentsVersion = 1;
// A file never holds more of it than this, however long the movie.
constexpr std::uint32_t MaxContentsBytes = 1u << 30;

class TWriter {
public:
  void U32(std::uint32_t v)
  {
    for (int shift = 0; shift < 32; shift += 8)
      Bytes.push_back(static_cast<std::uint8_t>(v >> shift));
  }
  void U64(std::uint64_t v)
  {
    U32(static_cast<std::uint32_t>(v));
    U32(static_cast<std::uint32_t>(v >> 32));
  }
  void Block(const void* data, std::size_t size)
  {
    U32(static_cast<std::uint32_t>(size));
    const auto* p = static_cast<const std::uint8_t*>(data);
    Bytes.insert(Bytes.end(), p, p + size);
  }
  std::vector<std::uint8_t> Bytes;
};

class TReader {
public:
  explicit TReader(const std::vector<std::uint8_t>& bytes) : Bytes(bytes) {}
  std::uint32_t U32()
  {
    Need(4);
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v |= std::uint32_t{Bytes[At++]} << (8 * i);
    return v;
  }
  std::uint64_t U64()
  {
    const std::uint64_t low = U32();
    return low | std::uint64_t{U32()} << 32;
  }
  std::vector<std::uint8_t> Block()
  {
    const std::uint32_t size = U32();
    Need(size);
    std::vector<std::uint8_t> block(Bytes.begin() + At, Bytes.begin() + At + size);
    At += size;
    return block;
  }
  std::string Text()
  {
    const std::vector<std::uint8_t> block = Block();
    return std::string(block.begin(), block.end());
  }

private:
  void Need(std::size_t count) const
  {
    if (Bytes.size() - At < count)
      throw TXIndexAvi("its contents are cut short");
  }
  const std::vector<std::uint8_t>& Bytes;
  std::size_t At = 0;
};

std::vector<std::uint8_t> ContentsBytes(const TSourceIdentity& source, const TMovieIndex& index)
{
  TWriter w;
  w.U32(ContentsVersion);
  w.Block(source.Path.data(), source.Path.size());
  w.U64(source.State.Size);
  w.U64(static_cast<std::uint64_t>(source.State.ModifiedNs));
  w.Block(source.HeadHash.data(), source.HeadHash.size());
  const std::vector<std::uint8_t> serialized = index.Serialize();
  w.Block(serialized.data(), serialized.size());
  return std::move(w.Bytes);
}

std::uint32_t Le32(const char* p)
{
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v |= std::uint32_t{static_cast<std::uint8_t>(p[i])} << (8 * i);
  return v;
}

// The contents chunk's bytes: the RIFF part's top-level chunks are walked to
// the one of our own after the index.
std::vector<std::uint8_t> ContentsChunk(const std::string& path)
{
  std::ifstream file(path, std::ios::binary);
  if (!file)
    throw TXIndexAvi("cannot open " + path);
  char header[12];
  if (!file.read(header, sizeof header) || Le32(header) != FourCC("RIFF") || Le32(header + 8) != FourCC("AVI "))
    throw TXIndexAvi(path + " is not an AVI file");
  const std::uint64_t end = 8 + std::uint64_t{Le32(header + 4)};
  std::uint64_t at = sizeof header;
  while (at + 8 <= end && file.seekg(static_cast<std::streamoff>(at)) && file.read(header, 8)) {
    const std::uint32_t size = Le32(header + 4);
    if (Le32(header) == FourCC(ContentsChunkId)) {
      if (size > MaxContentsBytes || at + 8 + size > end)
        break;
      std::vector<std::uint8_t> bytes(size);
      if (!file.read(reinterpret_cast<char*>(bytes.data()), size))
        break;
      return bytes;
    }
    at += 8 + std::uint64_t{size} + (size & 1);
  }
  throw TXIndexAvi(path + " holds no movie index of ours");
}

// The identity at the contents' start; the reader is left at the index.
TSourceIdentity ReadIdentity(TReader& reader)
{
  if (reader.U32() != ContentsVersion)
    throw TXIndexAvi("its contents are of another version");
  TSourceIdentity source;
  source.Path = reader.Text();
  source.State.Size = reader.U64();
  source.State.ModifiedNs = static_cast<std::int64_t>(reader.U64());
  source.HeadHash = reader.Text();
  return source;
}

}  // namespace

void Write(const std::string& path, const TSourceIdentity& source, const TMovieIndex& index)
{
  try {
    TAviWriter::TFormat format;
    format.Width = index.Width();
    format.Height = index.Height();
    format.BitCount = 24;
    format.OtherCodec = ServedFrame::FourCC;
    format.Rate = index.RateNumerator();
    format.Scale = index.RateDenominator();
    format.KeepsSourceTimes = true;
    TAviWriter writer(path, format);
    writer.KeepAfterIndex(ContentsChunkId, ContentsBytes(source, index));
    ServedFrame::TChunk chunk;
    chunk.Movie = source.MovieId();
    for (std::uint32_t frame = 0; frame < index.FrameCount(); ++frame) {
      chunk.Frame = frame;
      const auto bytes = ServedFrame::Encode(chunk);
      if (!writer.TryWriteCodedFrame(bytes.data(), bytes.size()))
        throw TXIndexAvi("the movie has more frames than an AVI file holds");
      writer.NoteSourceTime(index.FrameTimeUs(frame));
    }
    writer.Finish();
  } catch (const TAviWriter::TXAvi& x) {
    throw TXIndexAvi(std::string("cannot write the index: ") + x.what());
  }
}

TContents Read(const std::string& path)
{
  const std::vector<std::uint8_t> bytes = ContentsChunk(path);
  TReader reader(bytes);
  TContents contents;
  contents.Source = ReadIdentity(reader);
  try {
    contents.Index = std::make_shared<const TMovieIndex>(TMovieIndex::Deserialize(reader.Block()));
  } catch (const TMovieIndex::TXIndex& x) {
    throw TXIndexAvi(path + ": " + x.what());
  }
  return contents;
}

TSourceIdentity ReadSource(const std::string& path)
{
  const std::vector<std::uint8_t> bytes = ContentsChunk(path);
  TReader reader(bytes);
  return ReadIdentity(reader);
}

}  // namespace IndexAvi
