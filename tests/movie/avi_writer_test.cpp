// Reads back the movies the AVI writer makes: the RIFF layout a movie player
// needs, and frame pixels that decode to the test pattern.
#include "avi/avivideo.h"
#include "codec/framecodec.h"
#include "tools/avi/avi_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path)
{
  return std::ifstream(path).good();
}

// Little-endian reads with bounds checks, over one file image.
class TReader {
public:
  explicit TReader(const std::vector<std::uint8_t>& data) : Data(data) {}
  std::uint32_t U32(std::size_t at) const
  {
    Check(at, 4);
    return Data[at] | Data[at + 1] << 8 | Data[at + 2] << 16 | std::uint32_t(Data[at + 3]) << 24;
  }
  std::uint16_t U16(std::size_t at) const
  {
    Check(at, 2);
    return static_cast<std::uint16_t>(Data[at] | Data[at + 1] << 8);
  }
  std::string FourCC(std::size_t at) const
  {
    Check(at, 4);
    return std::string(reinterpret_cast<const char*>(&Data[at]), 4);
  }
  std::uint8_t U8(std::size_t at) const
  {
    Check(at, 1);
    return Data[at];
  }

private:
  void Check(std::size_t at, std::size_t size) const
  {
    if (at + size > Data.size())
      throw std::out_of_range("read past the end of the movie");
  }
  const std::vector<std::uint8_t>& Data;
};

// What a player finds walking the chunks of one movie.
struct TParsedMovie {
  std::uint32_t MicroSecPerFrame = 0, AvihFlags = 0, TotalFrames = 0, Streams = 0, Width = 0, Height = 0;
  std::string StreamType, Handler;
  std::uint32_t Scale = 0, Rate = 0, Length = 0;
  std::int32_t DibHeight = 0;
  std::uint16_t BitCount = 0;
  std::uint32_t Compression = 0, SizeImage = 0, ClrUsed = 0;
  std::vector<TRgb> Palette;
  std::vector<std::size_t> FrameData;  // file offsets of each 00db chunk's bits, in index order
  std::uint32_t FrameBytes = 0;
};

TParsedMovie Parse(const std::vector<std::uint8_t>& file)
{
  const TReader r(file);
  TParsedMovie m;
  EXPECT_EQ(r.FourCC(0), "RIFF");
  EXPECT_EQ(r.U32(4), file.size() - 8);
  EXPECT_EQ(r.FourCC(8), "AVI ");
  EXPECT_EQ(r.FourCC(12), "LIST");
  const std::size_t hdrlEnd = 20 + r.U32(16);
  EXPECT_EQ(r.FourCC(20), "hdrl");
  EXPECT_EQ(r.FourCC(24), "avih");
  EXPECT_EQ(r.U32(28), 56u);
  m.MicroSecPerFrame = r.U32(32);
  m.AvihFlags = r.U32(44);
  m.TotalFrames = r.U32(48);
  m.Streams = r.U32(56);
  m.Width = r.U32(64);
  m.Height = r.U32(68);
  EXPECT_EQ(r.FourCC(88), "LIST");
  EXPECT_EQ(r.FourCC(96), "strl");
  EXPECT_EQ(96 + r.U32(92), hdrlEnd);
  EXPECT_EQ(r.FourCC(100), "strh");
  EXPECT_EQ(r.U32(104), 56u);
  m.StreamType = r.FourCC(108);
  m.Handler = r.FourCC(112);
  m.Scale = r.U32(128);
  m.Rate = r.U32(132);
  m.Length = r.U32(140);
  EXPECT_EQ(r.FourCC(164), "strf");
  const std::uint32_t strfBytes = r.U32(168);
  EXPECT_EQ(172 + strfBytes, hdrlEnd);
  EXPECT_EQ(r.U32(172), 40u);
  EXPECT_EQ(r.U32(176), m.Width);
  m.DibHeight = static_cast<std::int32_t>(r.U32(180));
  m.BitCount = r.U16(186);
  m.Compression = r.U32(188);
  m.SizeImage = r.U32(192);
  m.ClrUsed = r.U32(204);
  EXPECT_EQ(strfBytes, 40 + 4 * m.ClrUsed);
  for (std::uint32_t i = 0; i < m.ClrUsed; ++i) {
    const std::size_t at = 212 + 4 * i;
    TRgb c;
    c.B = r.U8(at);
    c.G = r.U8(at + 1);
    c.R = r.U8(at + 2);
    m.Palette.push_back(c);
  }

  EXPECT_EQ(r.FourCC(hdrlEnd), "LIST");
  const std::size_t movi = hdrlEnd + 8;
  const std::size_t moviEnd = movi + r.U32(hdrlEnd + 4);
  EXPECT_EQ(r.FourCC(movi), "movi");
  EXPECT_EQ(r.FourCC(moviEnd), "idx1");
  const std::uint32_t entries = r.U32(moviEnd + 4) / 16;
  EXPECT_EQ(moviEnd + 8 + entries * 16, file.size());
  std::size_t expectedChunk = movi + 4;
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::size_t entry = moviEnd + 8 + 16 * i;
    EXPECT_EQ(r.FourCC(entry), "00db");
    EXPECT_EQ(r.U32(entry + 4), 0x10u) << "every frame is a key frame";
    const std::size_t chunk = movi + r.U32(entry + 8);
    EXPECT_EQ(chunk, expectedChunk) << "index entries point at the chunks in order";
    EXPECT_EQ(r.FourCC(chunk), "00db");
    EXPECT_EQ(r.U32(chunk + 4), r.U32(entry + 12));
    m.FrameBytes = r.U32(chunk + 4);
    m.FrameData.push_back(chunk + 8);
    expectedChunk = chunk + 8 + m.FrameBytes;
  }
  EXPECT_EQ(expectedChunk, moviEnd) << "the movi list holds the frames and nothing else";
  return m;
}

class TTempPath {
public:
  explicit TTempPath(const std::string& name) : Path(name) {}
  ~TTempPath() { std::remove(Path.c_str()); }
  TTempPath(const TTempPath&) = delete;
  TTempPath& operator=(const TTempPath&) = delete;
  const std::string& Get() const { return Path; }

private:
  std::string Path;
};

class AviWriterTest : public ::testing::TestWithParam<int> {};

TEST_P(AviWriterTest, MovieHasTheRiffLayoutAndFramesDecodeToThePattern)
{
  TTestMovie spec;
  spec.Width = 7;  // odd: rows need padding at 8 and 24 bits
  spec.Height = 3;
  spec.BitCount = static_cast<std::uint16_t>(GetParam());
  spec.Frames = 5;
  spec.Rate = 30000;
  spec.Scale = 1001;
  TTempPath path("velmo-writer-test.avi");
  WriteTestMovie(path.Get(), spec);
  const std::vector<std::uint8_t> file = ReadFile(path.Get());
  const TParsedMovie m = Parse(file);

  EXPECT_EQ(m.MicroSecPerFrame, 33366u);
  EXPECT_TRUE(m.AvihFlags & 0x10) << "has an index";
  EXPECT_EQ(m.TotalFrames, 5u);
  EXPECT_EQ(m.Streams, 1u);
  EXPECT_EQ(m.Width, 7u);
  EXPECT_EQ(m.Height, 3u);
  EXPECT_EQ(m.StreamType, "vids");
  EXPECT_EQ(m.Scale, 1001u);
  EXPECT_EQ(m.Rate, 30000u);
  EXPECT_EQ(m.Length, 5u);
  EXPECT_EQ(m.DibHeight, 3) << "bottom-up";
  EXPECT_EQ(m.BitCount, spec.BitCount);
  EXPECT_EQ(m.Compression, 0u);
  const std::uint32_t rowBytes = (7 * spec.BitCount + 31) / 32 * 4;
  EXPECT_EQ(m.SizeImage, rowBytes * 3);
  EXPECT_EQ(m.FrameBytes, rowBytes * 3);
  ASSERT_EQ(m.FrameData.size(), 5u);
  if (spec.BitCount == 8) {
    EXPECT_EQ(m.ClrUsed, PatternColourCount);
    EXPECT_EQ(m.Palette, PatternPalette());
  } else {
    EXPECT_EQ(m.ClrUsed, 0u);
  }

  const TReader r(file);
  const std::uint32_t pixelBytes = spec.BitCount / 8u;
  for (std::uint32_t f = 0; f < 5; ++f)
    for (std::uint32_t y = 0; y < 3; ++y)
      for (std::uint32_t x = 0; x < 7; ++x) {
        const std::size_t at = m.FrameData[f] + (2 - y) * rowBytes + x * pixelBytes;
        TRgb c;
        if (spec.BitCount == 8) {
          const std::uint8_t index = r.U8(at);
          ASSERT_LT(index, m.Palette.size());
          c = m.Palette[index];
        } else {
          c.B = r.U8(at);
          c.G = r.U8(at + 1);
          c.R = r.U8(at + 2);
        }
        EXPECT_EQ(c, ExpectedPixel(f, x, y)) << "frame " << f << " at " << x << "," << y;
      }
}

// The capacity is the most frames whose file, as the writer lays it out, stays
// within the 2 GB that readers with signed 32-bit offsets reach.
TEST_P(AviWriterTest, FrameCapacityIsTheMostFramesWithinTwoGigabytes)
{
  TTestMovie spec;
  spec.Width = 641;
  spec.Height = 480;
  spec.BitCount = static_cast<std::uint16_t>(GetParam());
  auto fileBytes = [&spec](std::uint32_t frames) {
    spec.Frames = frames;
    TTempPath path("velmo-writer-capacity.avi");
    WriteTestMovie(path.Get(), spec);
    return static_cast<std::uint64_t>(ReadFile(path.Get()).size());
  };
  const std::uint64_t oneFrame = fileBytes(1);
  const std::uint64_t perFrame = fileBytes(2) - oneFrame;
  const std::uint64_t fixed = oneFrame - perFrame;

  TAviWriter::TFormat format;
  format.Width = spec.Width;
  format.Height = spec.Height;
  format.BitCount = spec.BitCount;
  if (spec.BitCount == 8)
    format.Palette = PatternPalette();
  const std::uint64_t capacity = TAviWriter::FrameCapacity(format);
  EXPECT_LE(fixed + capacity * perFrame, 0x7FFFFFFFu);
  EXPECT_GT(fixed + (capacity + 1) * perFrame, 0x7FFFFFFFu);
}

INSTANTIATE_TEST_SUITE_P(Depths, AviWriterTest, ::testing::Values(8, 24, 32),
                         [](const ::testing::TestParamInfo<int>& depth) {
                           return "Bits" + std::to_string(depth.param);
                         });

// Coded frames, odd-sized chunks among them, are found by the program's reader
// and decode to the very rows given; empty frames stay empty.
TEST(CodedAviWriterTest, FramesReadBackExactlyThroughTheReaderAndTheCodec)
{
  TTestMovie spec;
  spec.Width = 6;  // rows of an even size after the frame's odd first byte: odd-sized chunks
  spec.Height = 3;
  spec.BitCount = 24;
  spec.Coded = true;
  spec.Frames = 6;
  spec.Dropped = {2};
  TTempPath path("velmo-writer-coded.avi");
  WriteTestMovie(path.Get(), spec);
  const TAviVideo video = ReadAviVideo(path.Get());
  ASSERT_TRUE(video.Readable());
  EXPECT_EQ(video.Compression, FrameCodec::FourCC);
  EXPECT_EQ(video.BitCount, 24);
  EXPECT_EQ(video.Height, 3) << "bottom-up";
  ASSERT_EQ(video.CompleteFrames, 6u);
  EXPECT_FALSE(video.Truncated());
  const std::vector<std::uint8_t> file = ReadFile(path.Get());
  bool oddChunk = false;
  for (std::uint32_t f = 0; f < spec.Frames; ++f) {
    const TAviFrameChunk& chunk = video.Frames[f];
    if (f == 2) {
      EXPECT_EQ(chunk.Size, 0u);
      continue;
    }
    oddChunk = oddChunk || chunk.Size % 2;
    std::vector<std::uint8_t> rows(TestFrameBits(spec, f).size());
    ASSERT_TRUE(FrameCodec::Decode(file.data() + chunk.Offset, chunk.Size, 6, 3, 24, rows.data())) << f;
    EXPECT_EQ(rows, TestFrameBits(spec, f)) << "frame " << f;
  }
  EXPECT_TRUE(oddChunk) << "the layout of an odd-sized chunk was tried";
}

TEST(AviWriterFailureTest, BadFormatsAndPathsThrowAndLeaveNoFile)
{
  const std::string path = "velmo-writer-failure.avi";
  TAviWriter::TFormat format;
  format.Width = 4;
  format.Height = 4;
  auto attempt = [&](const TAviWriter::TFormat& f, const std::string& where) {
    EXPECT_THROW(TAviWriter(where, f), TAviWriter::TXAvi);
    EXPECT_FALSE(FileExists(where));
  };
  TAviWriter::TFormat bad = format;
  bad.BitCount = 16;
  attempt(bad, path);
  bad = format;
  bad.Width = 0;
  attempt(bad, path);
  bad = format;
  bad.Rate = 0;
  attempt(bad, path);
  bad = format;
  bad.BitCount = 8;  // no palette
  attempt(bad, path);
  bad.Palette.assign(257, TRgb());
  attempt(bad, path);
  bad = format;
  bad.Coded = true;  // coded frames are 24-bit
  attempt(bad, path);
  bad.BitCount = 24;
  bad.TopDown = true;
  attempt(bad, path);
  attempt(format, "no-such-directory/velmo.avi");
}

TEST(AviWriterFailureTest, AMovieNeverFinishedIsRemoved)
{
  const std::string path = "velmo-writer-unfinished.avi";
  TAviWriter::TFormat format;
  format.Width = 2;
  format.Height = 2;
  {
    TAviWriter writer(path, format);
    const std::vector<std::uint8_t> bits(writer.FrameBytes(), 0x55);
    writer.WriteFrame(bits.data());
    EXPECT_TRUE(FileExists(path));
  }
  EXPECT_FALSE(FileExists(path));

  TTempPath finished("velmo-writer-finished.avi");
  TAviWriter writer(finished.Get(), format);
  const std::vector<std::uint8_t> bits(writer.FrameBytes(), 0x55);
  writer.WriteFrame(bits.data());
  writer.Finish();
  EXPECT_THROW(writer.WriteFrame(bits.data()), TAviWriter::TXAvi);
  EXPECT_EQ(Parse(ReadFile(finished.Get())).FrameData.size(), 1u);
}

// The pattern lets a capture tell frames apart and notice a shifted picture.
TEST(MoviePatternTest, FramesWithinAPeriodDifferAtEveryPixelAndShiftsShow)
{
  for (std::uint32_t y = 0; y < 20; y += 7)
    for (std::uint32_t x = 0; x < 20; x += 3)
      for (std::uint32_t f = 0; f < PatternPeriod; ++f) {
        EXPECT_EQ(ExpectedPixel(f, x, y), ExpectedPixel(f + PatternPeriod, x, y));
        for (std::uint32_t g = f + 1; g < PatternPeriod; ++g)
          ASSERT_NE(PatternIndex(f, x, y), PatternIndex(g, x, y)) << "frames " << f << " and " << g;
      }
  // A picture moved by one pixel either way matches no frame.
  for (std::uint32_t f = 0; f < PatternPeriod; f += 5)
    for (std::uint32_t g = 0; g < PatternPeriod; ++g) {
      bool sameX = true, sameY = true;
      for (std::uint32_t y = 0; y < 12 && (sameX || sameY); ++y)
        for (std::uint32_t x = 0; x < 12; ++x) {
          sameX = sameX && ExpectedPixel(f, x + 1, y) == ExpectedPixel(g, x, y);
          sameY = sameY && ExpectedPixel(f, x, y + 1) == ExpectedPixel(g, x, y);
        }
      EXPECT_FALSE(sameX || sameY) << "frame " << f << " shifted looks like frame " << g;
    }
  // Every colour is one of the palette's, and the palette's colours are distinct.
  const std::vector<TRgb> palette = PatternPalette();
  for (std::size_t i = 0; i < palette.size(); ++i)
    for (std::size_t j = i + 1; j < palette.size(); ++j)
      ASSERT_NE(palette[i], palette[j]);
  EXPECT_LT(PatternIndex(123, 456, 789), PatternColourCount);
}

}  // namespace
