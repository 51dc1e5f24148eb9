#include "avi/avimovie.h"
#include "avi/avivideo.h"
#include "avi/bytesource.h"
#include "avi/framecheck.h"
#include "channel/servedframe.h"
#include "codec/framecodec.h"
#include "tests/native/avi_image.h"
#include "tests/native/frame_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

namespace {

TAviVideo Read(const TBytes& bytes)
{
  TMemoryByteSource source(bytes.data(), bytes.size());
  return ReadAviVideo(source);
}

struct TCase {
  const char* Name;
  TBytes Image;
  TAviRefusal Refusal;
  std::uint32_t Complete;
  std::uint32_t Claimed;
};

TEST(AviReader, JudgesEachMovieByWhatIsReallyInTheFile)
{
  using R = TAviRefusal;
  const TBytes plain = Build(TMovie{});  // three 4 x 2 frames of 24 bits: 24 bytes each
  const TBytes extended = Build([](TMovie& m) {
    m.Frames = 5;
    m.ExtensionFrames = 2;
  });
  const TCase cases[] = {
    {"plain", plain, R::None, 3, 3},
    {"top-down rows", Build([](TMovie& m) { m.Height = -2; }), R::None, 3, 3},
    {"8-bit rows padded to 4 bytes", Build([](TMovie& m) {
       m.Width = 3;
       m.BitCount = 8;
     }),
     R::None, 3, 3},
    {"1-bit rows", Build([](TMovie& m) {
       m.Width = 33;
       m.BitCount = 1;
     }),
     R::None, 3, 3},
    {"16-bit bitfields", Build([](TMovie& m) {
       m.BitCount = 16;
       m.Compression = 3;
     }),
     R::None, 3, 3},
    {"compressed, odd sizes padded", Build([](TMovie& m) {
       m.Compression = 0x47504A4D;
       m.FrameSizes = {3, 5, 0, 7};
     }),
     R::None, 4, 4},
    {"video as stream 1 after odd audio chunks", Build([](TMovie& m) { m.AudioFirst = true; }), R::None, 3, 3},
    {"frames in rec lists", Build([](TMovie& m) {
       m.Frames = 5;
       m.FramesPerRecord = 2;
       m.AudioFirst = true;
     }),
     R::None, 5, 5},
    {"OpenDML continuation part", extended, R::None, 5, 5},
    {"dropped (empty) frames count", Build([](TMovie& m) {
       m.FrameSizes = {24, 0, 0, 24};
     }),
     R::None, 4, 4},
    {"empty frames only", Build([](TMovie& m) {
       m.FrameSizes = {0, 0, 0};
     }),
     R::NoFrames, 3, 3},
    {"no frames", Build([](TMovie& m) { m.Frames = 0; }), R::NoFrames, 0, 0},
    {"header only", Cut(plain, OffsetOf(plain, "movi") + 4), R::NoFrames, 0, 3},
    {"cut in the second frame's data", Cut(plain, OffsetOf(plain, "00db", 1) + 20), R::None, 1, 3},
    {"cut in the third frame's header", Cut(plain, OffsetOf(plain, "00db", 2) + 6), R::None, 2, 3},
    {"cut in the continuation part", Cut(extended, extended.size() - 30), R::None, 4, 5},
    {"headers claim more", Build([](TMovie& m) { m.ClaimedFrames = 1000; }), R::None, 3, 1000},
    {"headers claim fewer", Build([](TMovie& m) { m.ClaimedFrames = 1; }), R::None, 3, 1},
    {"last frame's size points past the end", Patched(plain, OffsetOf(plain, "00db", 2) + 4, 0x7FFFFFF0), R::None, 2,
     3},
    {"first frame's size points past the end", Patched(plain, OffsetOf(plain, "00db") + 4, 0xFFFFFFFF), R::NoFrames, 0,
     3},
    {"RIFF and movi sizes past the end",
     Patched(Patched(plain, 4, 0xFFFFFFF0), OffsetOf(plain, "movi") - 4, 0xFFFFFFF0), R::None, 3, 3},
    {"movi list shorter than its frames", Patched(plain, OffsetOf(plain, "movi") - 4, 4 + 32), R::None, 1, 3},
    {"uncompressed frame a byte short", Build([](TMovie& m) {
       m.FrameSizes = {24, 23, 24};
     }),
     R::FrameSizeMismatch, 3, 3},
    {"picture larger than its frames", Build([](TMovie& m) {
       m.Width = m.Height = 60000;
       m.BitCount = 8;
       m.FrameSizes = {24};
     }),
     R::FrameSizeMismatch, 1, 1},
    {"frame over 32 bits", Build([](TMovie& m) {
       m.Width = m.Height = 60000;
       m.FrameSizes = {24};
     }),
     R::BadPictureSize, 0, 1},
    {"height -2^31", Build([](TMovie& m) {
       m.Height = INT32_MIN;
       m.FrameSizes = {24};
     }),
     R::BadPictureSize, 0, 1},
    {"width 0", Build([](TMovie& m) {
       m.Width = 0;
       m.FrameSizes = {24};
     }),
     R::BadPictureSize, 0, 1},
    {"negative width", Build([](TMovie& m) {
       m.Width = -4;
       m.FrameSizes = {24};
     }),
     R::BadPictureSize, 0, 1},
    {"height 0", Build([](TMovie& m) {
       m.Height = 0;
       m.FrameSizes = {24};
     }),
     R::BadPictureSize, 0, 1},
    {"7 bits per pixel", Build([](TMovie& m) { m.BitCount = 7; }), R::BadPictureSize, 0, 3},
    {"audio only", Build([](TMovie& m) {
       m.Video = false;
       m.AudioFirst = true;
     }),
     R::NoVideoStream, 0, 3},
    {"format cut short", Patched(plain, OffsetOf(plain, "strf") + 4, 36), R::UnreadableHeader, 0, 3},
    {"cut in the main header", Cut(plain, OffsetOf(plain, "avih") + 20), R::UnreadableHeader, 0, 0},
    {"a WAVE file", Patched(plain, 8, 0x45564157), R::UnreadableHeader, 0, 0},
    {"empty file", {}, R::UnreadableHeader, 0, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TAviVideo video = Read(c.Image);
    EXPECT_EQ(video.Refusal, c.Refusal);
    EXPECT_EQ(video.CompleteFrames, c.Complete);
    EXPECT_EQ(video.ClaimedFrames(), c.Claimed);
  }
}

TEST(AviReader, ReportsTheVideoFormat)
{
  const TAviVideo video = Read(Build([](TMovie& m) {
    m.Width = 3;
    m.Height = -5;
    m.BitCount = 8;
    m.AudioFirst = true;
  }));
  ASSERT_TRUE(video.Readable());
  EXPECT_EQ(video.Width, 3);
  EXPECT_EQ(video.Height, -5);
  EXPECT_TRUE(video.TopDown());
  EXPECT_EQ(video.PictureHeight(), 5u);
  EXPECT_EQ(video.BitCount, 8);
  EXPECT_EQ(video.Compression, TAviVideo::UncompressedRgb);
  EXPECT_EQ(video.FrameBytes, 20u);
  EXPECT_EQ(video.StreamNumber, 1u);
  EXPECT_EQ(video.Rate, 15u);
  EXPECT_EQ(video.Scale, 1u);
  EXPECT_FALSE(video.Truncated());
}

// Wherever a movie is cut, exactly the frames whose data ends before the cut count.
TEST(AviReader, ReadsTheSourceTimesACopyKeepsAfterItsIndex)
{
  const auto timed = [](const TBytes& chunk) { return Read(Build([&](TMovie& m) { m.AfterIndex = chunk; })); };
  // Frame 1 on: 1.5 s, then -16 us (a frame before the source's start).
  const TAviVideo copy = timed(Chunk("vlmt", U32s({1, 1500000, 0, 0xFFFFFFF0, 0xFFFFFFFF})));
  EXPECT_TRUE(copy.Readable());
  EXPECT_EQ(copy.FirstTimedFrame, 1u);
  EXPECT_EQ(copy.SourceTimes, (std::vector<std::int64_t>{1500000, -16}));

  // No chunk, or one that holds no whole times: no times.
  EXPECT_TRUE(timed({}).SourceTimes.empty());
  EXPECT_TRUE(timed(Chunk("vlmt", U32s({1, 1500000}))).SourceTimes.empty());
  EXPECT_TRUE(timed(Chunk("vlmt", {1, 0})).SourceTimes.empty());
}

TEST(AviReader, CountsTheCompleteFramesWhereverTheMovieIsCut)
{
  const TBytes movie = Build([](TMovie& m) {
    m.Frames = 6;
    m.AudioFirst = true;
    m.FramesPerRecord = 2;
    m.ExtensionFrames = 2;
  });
  const std::size_t frameData = OffsetOf(movie, "movi") + 4;
  for (std::size_t size = 0; size <= movie.size(); ++size) {
    SCOPED_TRACE(size);
    std::uint32_t complete = 0;
    for (int i = 0; OffsetOf(movie, "01db", i) + 8 + 24 <= size; ++i)
      ++complete;
    const TAviVideo video = Read(Cut(movie, size));
    EXPECT_EQ(video.CompleteFrames, complete);
    EXPECT_EQ(video.Readable(), complete > 0);
    if (size >= frameData) {
      EXPECT_EQ(video.Refusal, complete > 0 ? TAviRefusal::None : TAviRefusal::NoFrames);
    }
  }
}

// A copy of a stretch stands in for the frames before it with empty frames;
// dropped frames after the first picture are not among them.
TEST(AviReader, CountsTheEmptyFramesBeforeTheFirstPicture)
{
  const auto leading = [](std::vector<std::uint32_t> sizes) {
    return Read(Build([&sizes](TMovie& m) { m.FrameSizes = sizes; })).LeadingEmptyFrames;
  };
  EXPECT_EQ(leading({24, 0, 24}), 0u);
  EXPECT_EQ(leading({0, 0, 0, 24, 0, 24}), 3u);
  const TAviVideo stretch = Read(Build([](TMovie& m) {
    m.FrameSizes = {0, 0, 24, 24};
    m.AudioFirst = true;
    m.FramesPerRecord = 2;
  }));
  EXPECT_TRUE(stretch.Readable());
  EXPECT_EQ(stretch.LeadingEmptyFrames, 2u);
  EXPECT_EQ(stretch.CompleteFrames, 4u);
}

// The bytes of an image, then zeros up to a size the image's headers may
// claim: a file of gigabytes without the memory.
class TSparseSource final : public TByteSource {
public:
  TSparseSource(TBytes image, std::uint64_t size) : Image(std::move(image)), Bytes(size) {}
  std::uint64_t Size() const override { return Bytes; }
  bool ReadAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count) override
  {
    if (offset > Bytes || count > Bytes - offset)
      return false;
    for (std::size_t i = 0; i < count; ++i)
      bytes[i] = offset + i < Image.size() ? Image[offset + i] : 0;
    return true;
  }

private:
  const TBytes Image;
  const std::uint64_t Bytes;
};

// The device reads the first RIFF part alone, and none past 2 GB: frames in
// 'AVIX' parts are counted apart, and a first part past 2 GB is refused at
// once, without a walk through its gigabytes.
TEST(AviReader, TellsWhatTheDeviceCannotReach)
{
  const TAviVideo extended = Read(Build([](TMovie& m) {
    m.Frames = 12;
    m.ExtensionFrames = 6;
  }));
  EXPECT_TRUE(extended.Readable());
  EXPECT_EQ(extended.CompleteFrames, 12u);
  EXPECT_EQ(extended.FirstPartFrames, 6u);
  EXPECT_EQ(Read(Build(TMovie{})).FirstPartFrames, 3u);

  const TBytes movie = Build(TMovie{});
  for (const std::uint64_t size : {DeviceReachBytes, DeviceReachBytes + 2, std::uint64_t{0xFFFFFFFF}}) {
    SCOPED_TRACE(size);
    const TBytes image = Patched(movie, 4, static_cast<std::uint32_t>(size - 8));
    TSparseSource source(image, size);
    const TAviVideo video = ReadAviVideo(source);
    EXPECT_EQ(video.Refusal, size > DeviceReachBytes ? TAviRefusal::PastDeviceReach : TAviRefusal::None);
  }
  // A first part that claims more than the file holds ends where the file does.
  TSparseSource cutShort(Patched(movie, 4, 0xFFFFFFF0), movie.size());
  EXPECT_TRUE(ReadAviVideo(cutShort).Readable());
}

TEST(AviReader, ReadsAFileByItsPath)
{
  const TBytes movie = Build([](TMovie& m) { m.Frames = 4; });
  const std::string path = testing::TempDir() + "avireader_test.avi";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(movie.data(), 1, OffsetOf(movie, "00db", 3) + 10, file);  // the last frame cut short
  std::fclose(file);

  const TAviVideo video = ReadAviVideo(path);
  std::remove(path.c_str());
  EXPECT_TRUE(video.Readable());
  EXPECT_EQ(video.CompleteFrames, 3u);
  EXPECT_EQ(video.ClaimedFrames(), 4u);
  EXPECT_EQ(ReadAviVideo(path).Refusal, TAviRefusal::CannotOpen);
}

// ------------------------------------------------------- compressed frames

struct TFrameCase {
  const char* Name;
  TAviVideo Video;
  TBytes Data;
  bool Sound;
  bool SelfContained;
};

void ExpectVerdicts(const std::vector<TFrameCase>& cases)
{
  for (const TFrameCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TFrameDataCheck check = CheckFrameData(c.Video, c.Data.data(), c.Data.size());
    EXPECT_EQ(check.Sound, c.Sound);
    if (c.Sound) {
      EXPECT_EQ(check.SelfContained, c.SelfContained);
    }
  }
}

TBytes Patched16(TBytes bytes, std::size_t offset, std::uint16_t value)
{
  bytes[offset] = static_cast<std::uint8_t>(value >> 8);
  bytes[offset + 1] = static_cast<std::uint8_t>(value);
  return bytes;
}

TEST(CompressedFrames, CinepakFramesAreSoundOnlyWhenEverySizeCountAndIndexAgrees)
{
  using namespace cvid;
  const TAviVideo picture = VideoFormat(Fourcc, 8, 8);
  const TBytes v4 = Codebook(0x2000, 2);
  const TBytes v1 = Codebook(0x2200, 2);
  // Four blocks, V4 and V1 in turn, with codebooks of two entries each.
  const TBytes key = Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {v4, v1, IntraCodes()})});
  const std::size_t strip = 10;
  const std::size_t chunks = strip + 12;
  const std::size_t codes = chunks + v4.size() + v1.size();
  const TBytes topHalf = Chunk(0x3000, {0x80, 0, 0, 0, 0, 1, 0, 1, 1});
  const auto twoStrips = [&](std::uint8_t flags, std::uint16_t secondTop, std::vector<TBytes> secondChunks) {
    return Frame(
      flags, 8, 8,
      {Strip(0x1000, 0, 4, 8, {v4, v1, topHalf}), Strip(0x1000, secondTop, secondTop ? 8 : 4, 8, secondChunks)});
  };
  const TBytes reusedBooks = Chunk(0x3000, {0x80, 0, 0, 0, 1, 1, 1, 1, 0});
  // A picture 4 wide of one block per strip, the first defining the codebook.
  const auto stripsOfOneBlock = [&](std::uint16_t strips) {
    std::vector<TBytes> all{Strip(0x1000, 0, 4, 4, {v1, Chunk(0x3200, {1})})};
    all.resize(strips, Strip(0x1000, 0, 4, 4, {Chunk(0x3200, {0})}));
    return Frame(0, 4, static_cast<std::uint16_t>(4 * strips), all);
  };
  const TBytes nineFlagWords = Concat({Be16s({0x2100, 4 + 36}), TBytes(36, 0)});

  ExpectVerdicts({
    {"a key frame", picture, key, true, true},
    {"the second strip with the first's codebooks", picture, twoStrips(0, 0, {reusedBooks}), true, true},
    {"strips at absolute rows", picture, twoStrips(0, 4, {reusedBooks}), true, true},
    {"strips keeping their codebooks of the frame before", picture, twoStrips(1, 0, {reusedBooks}), true, false},
    {"skipped, V4 and V1 blocks", picture,
     Frame(1, 8, 8, {Strip(0x1100, 0, 8, 8, {Chunk(0x3100, {0xD0, 0, 0, 0, 7, 7, 7, 7, 9})})}), true, false},
    {"codes ending where only skipped blocks remain", VideoFormat(Fourcc, 256, 4),
     Frame(1, 256, 4, {Strip(0x1100, 0, 4, 256, {Chunk(0x3100, {0, 0, 0, 0})})}), true, false},
    {"V1 codes only", picture, Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {v1, Chunk(0x3200, {0, 1, 1, 0})})}), true, true},
    {"a partial codebook update", picture,
     Frame(0, 8, 8,
           {Strip(0x1000, 0, 8, 8, {Chunk(0x2100, Concat({{0x60, 0, 0, 0}, TBytes(12, 5)})), v1, IntraCodes()})}),
     true, false},
    {"grey codebooks", picture,
     Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {Codebook(0x2400, 2), Codebook(0x2600, 2), IntraCodes()})}), true, true},
    {"padded to an even size", VideoFormat(Fourcc, 8, 4), Concat({KeyFrame(), {0}}), true, true},
    {"32 strips", VideoFormat(Fourcc, 4, 128), stripsOfOneBlock(32), true, true},

    {"length one more than the data", picture, Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {v4, v1, IntraCodes()})}, 1),
     false, false},
    {"length two less than the data", picture, Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {v4, v1, IntraCodes()})}, -2),
     false, false},
    {"cut inside the frame header", picture, Cut(key, 9), false, false},
    {"a padded header whose length is shorter than itself", picture, Patched16(Cut(key, 10), 2, 9), false, false},
    {"width not the movie's", picture, Patched16(key, 4, 12), false, false},
    {"height not the movie's", picture, Patched16(key, 6, 4), false, false},
    {"no strips", picture, Patched16(key, 8, 0), false, false},
    {"more strips than the data holds", picture, Patched16(key, 8, 2), false, false},
    {"33 strips", VideoFormat(Fourcc, 4, 132), stripsOfOneBlock(33), false, false},
    {"unknown strip id", picture, Patched16(key, strip, 0x1001), false, false},
    {"strip larger than the frame", picture, Patched16(key, strip + 2, 0x100), false, false},
    {"strip smaller than its header", picture, Patched16(key, strip + 2, 4), false, false},
    {"strip below the picture", picture, Patched16(key, strip + 8, 12), false, false},
    {"strips leaving rows uncovered", picture, Frame(0, 8, 8, {Strip(0x1000, 0, 4, 8, {v4, v1, topHalf})}), false,
     false},
    {"strip narrower than the picture", picture, Patched16(key, strip + 10, 4), false, false},
    {"strip starting right of the picture's edge", picture, Patched16(key, strip + 6, 4), false, false},
    {"second strip overlapping the first", picture, twoStrips(0, 2, {reusedBooks}), false, false},
    {"strip starting inside a row of blocks", picture,
     Frame(0, 8, 8, {Strip(0x1000, 0, 2, 8, {v4, v1, topHalf}), Strip(0x1000, 0, 6, 8, {IntraCodes()})}), false, false},
    {"chunk of size 0", picture, Patched16(key, chunks + 2, 0), false, false},
    {"chunk larger than the strip", picture, Patched16(key, codes + 2, 0x40), false, false},
    {"unknown chunk", picture, Patched16(key, chunks, 0x2800), false, false},
    {"codebook of a part of an entry", picture,
     Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {Chunk(0x2000, TBytes(13, 0)), v1, IntraCodes()})}), false, false},
    {"codebook of 257 entries", picture,
     Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {Codebook(0x2000, 257), v1, IntraCodes()})}), false, false},
    {"partial codebook cut inside an entry", picture,
     Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {Chunk(0x2100, Concat({{0x60, 0, 0, 0}, TBytes(11, 5)})), IntraCodes()})}),
     false, false},
    {"partial codebook of nine flag words", picture,
     Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {nineFlagWords, v1, IntraCodes()})}), false, false},
    {"codes a byte short", picture,
     Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {v4, v1, Chunk(0x3000, {0xA0, 0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 1})})}),
     false, false},
    {"codes a byte too many", picture,
     Frame(0, 8, 8,
           {Strip(0x1000, 0, 8, 8, {v4, v1, Chunk(0x3000, {0xA0, 0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0, 0})})}),
     false, false},
    {"inter codes ending before a coded block", picture,
     Frame(1, 8, 8, {Strip(0x1100, 0, 8, 8, {Chunk(0x3100, {0xD0, 0, 0, 0, 7, 7, 7, 7})})}), false, false},
    {"inter codes cut inside a block", picture,
     Frame(1, 8, 8, {Strip(0x1100, 0, 8, 8, {Chunk(0x3100, {0xD0, 0, 0, 0, 7, 7, 7})})}), false, false},
    {"V4 index past the codebook", picture,
     Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {v4, v1, Chunk(0x3000, {0xA0, 0, 0, 0, 0, 1, 0, 2, 1, 0, 1, 0, 1, 0})})}),
     false, false},
    {"V1 index past the codebook", picture,
     Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {v4, v1, Chunk(0x3000, {0xA0, 0, 0, 0, 0, 1, 0, 1, 2, 0, 1, 0, 1, 0})})}),
     false, false},
    {"codebook after the codes", picture, Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {v4, IntraCodes(), v1})}), false,
     false},
    {"no codes", picture, Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {v4, v1})}), false, false},
    {"two code chunks", picture, Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {v4, v1, topHalf, topHalf})}), false, false},
    {"bytes after the last strip", picture,
     Patched16(Frame(0, 8, 8, {Strip(0x1000, 0, 8, 8, {v4, v1, IntraCodes()}), {0, 0}}), 8, 1), false, false},
    {"bytes after the frame", picture, Concat({key, {0, 0}}), false, false},
  });
}

TEST(CompressedFrames, MsVideo1FramesAreSoundOnlyWhenTheirCodesCoverThePicture)
{
  using namespace msv1;
  // Four blocks (8 x 8), of 16 bits and of 8.
  const TAviVideo rgb = VideoFormat(Fourcc, 8, 8, 16);
  const TAviVideo paletted = VideoFormat(0x4D415243 /* CRAM */, 8, 9, 8);
  const TBytes one = Code(0x8123);
  const TBytes two = Concat({Code(0x0F0F), Code(0x1234), Code(0x0567)});
  const TBytes eight = Concat({Code(0x00FF), Code(0x8123), Code(0x0001), TBytes(12, 7)});
  const TBytes twoOfPalette = Concat({Code(0x1234), {1, 2}});
  const TBytes eightOfPalette = Concat({Code(0x9012), TBytes(8, 3)});

  ExpectVerdicts({
    {"blocks of one colour", rgb, Concat({one, one, one, one, End}), true, true},
    {"without the end code", rgb, Concat({one, one, one, one}), true, true},
    {"blocks of one, two and eight colours", rgb, Concat({two, eight, one, two, End}), true, true},
    {"skipped blocks", rgb, Concat({Skip(2), one, Skip(1), End}), true, false},
    {"the last blocks skipped", rgb, Concat({one, Skip(3), End}), true, false},
    {"lower case fourcc", VideoFormat(0x6376736D /* msvc */, 8, 8, 16), Concat({one, one, one, one}), true, true},
    {"8 bits: one, two and eight colours", paletted,
     Concat({Code(0x8012), twoOfPalette, eightOfPalette, Code(0x8A01), End}), true, true},
    {"8 bits: skipped blocks", paletted, Concat({Skip(4), End}), true, false},

    {"a skip of no block", rgb, Concat({Skip(0), one, one, one, one}), false, false},
    {"a skip past the last block", rgb, Concat({one, Skip(4)}), false, false},
    {"too few blocks", rgb, Concat({one, one, one, End}), false, false},
    {"two colours cut short", rgb, Concat({one, one, one, Code(0x0F0F), Code(0x1234)}), false, false},
    {"eight colours cut short", rgb, Concat({one, one, one, Cut(eight, eight.size() - 1)}), false, false},
    {"a code cut short", rgb, Concat({one, one, one, {0x23}}), false, false},
    {"an end code that is not zero", rgb, Concat({one, one, one, one, Code(1)}), false, false},
    {"bytes after the end code", rgb, Concat({one, one, one, one, End, End}), false, false},
    {"8 bits: two colours cut short", paletted, Concat({one, one, one, Code(0x1234), {1}}), false, false},
    {"8 bits: eight colours cut short", paletted, Concat({one, one, one, Cut(eightOfPalette, 9)}), false, false},
  });
}

TEST(CompressedFrames, OtherFormatsAndEmptyFramesAreNotChecked)
{
  const TBytes junk{1, 2, 3};
  EXPECT_TRUE(HasCheckedFrameData(VideoFormat(cvid::Fourcc, 8, 8)));
  EXPECT_TRUE(HasCheckedFrameData(VideoFormat(0x4D414857 /* WHAM */, 8, 8, 8)));
  EXPECT_FALSE(HasCheckedFrameData(VideoFormat(msv1::Fourcc, 8, 8, 24)));
  EXPECT_FALSE(HasCheckedFrameData(VideoFormat(TAviVideo::UncompressedRgb, 8, 8)));
  EXPECT_FALSE(HasCheckedFrameData(VideoFormat(0x47504A4D /* MJPG */, 8, 8)));
  EXPECT_TRUE(CheckFrameData(VideoFormat(0x47504A4D, 8, 8), junk.data(), junk.size()).Sound);
  EXPECT_TRUE(CheckFrameData(VideoFormat(cvid::Fourcc, 8, 8), junk.data(), 0).Sound);
}

// ------------------------------------------------------- the open movie

// Bytes that a test may cut short while the movie is open; counts the reads.
class TShrinkingSource final : public TByteSource {
public:
  explicit TShrinkingSource(TBytes bytes) : Bytes(std::move(bytes)) {}
  std::uint64_t Size() const override { return Bytes.size(); }
  bool ReadAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count) override
  {
    ++Reads;
    return TMemoryByteSource(Bytes.data(), Bytes.size()).ReadAt(offset, bytes, count);
  }
  void CutTo(std::size_t size) { Bytes.resize(size); }
  int Reads = 0;

private:
  TBytes Bytes;
};

struct TOpenMovie {
  explicit TOpenMovie(const TMovie& movie)
  {
    auto source = std::make_unique<TShrinkingSource>(Build(movie));
    Source = source.get();
    Movie = std::make_unique<TAviMovie>(std::move(source));
  }
  std::unique_ptr<TAviMovie> Movie;
  TShrinkingSource* Source;
};

TMovie Cinepak(std::vector<TBytes> frames)
{
  TMovie movie;
  movie.Width = 8;
  movie.Height = 4;
  movie.Compression = cvid::Fourcc;
  movie.FrameData = std::move(frames);
  return movie;
}

TEST(OpenMovie, ADroppedFrameShowsThePictureOfTheLastFrameWithData)
{
  TMovie movie;
  movie.FrameSizes = {0, 24, 24, 0, 0, 0, 24, 24, 24, 24, 0, 24};
  const TOpenMovie open(movie);
  const std::uint32_t pictures[] = {0, 1, 2, 2, 2, 2, 6, 7, 8, 9, 9, 11};
  for (std::uint32_t frame = 0; frame < std::size(pictures); ++frame)
    EXPECT_EQ(open.Movie->PictureFrame(frame), pictures[frame]) << frame;
  EXPECT_EQ(open.Movie->Check(4), TFrameState::Showable);
}

TEST(OpenMovie, AFrameIsRefusedWhenItOrAFrameItsPictureBuildsOnIsDamaged)
{
  using namespace cvid;
  const TBytes damaged = Patched16(InterFrame(), 10 + 12 + 2, 0);  // a chunk of size 0
  // Key frames at 0 and 5; frame 2 damaged, 6 dropped.
  const TOpenMovie open(
    Cinepak({KeyFrame(0), InterFrame(), damaged, InterFrame(), InterFrame(), KeyFrame(1), {}, InterFrame()}));
  ASSERT_TRUE(open.Movie->Video().Readable());
  // Whatever the order they are asked for in.
  for (std::uint32_t frame : {3u, 7u, 1u, 4u, 6u, 0u, 2u, 5u}) {
    const bool damagedBefore = frame >= 2 && frame <= 4;
    EXPECT_EQ(open.Movie->Check(frame), damagedBefore ? TFrameState::Damaged : TFrameState::Showable) << frame;
  }
  EXPECT_EQ(open.Movie->FirstUnshowable(0), 2u);
  EXPECT_EQ(open.Movie->FirstUnshowable(5), 8u);
  EXPECT_EQ(open.Movie->Check(8), TFrameState::Missing);
}

TEST(OpenMovie, TheDecoderIsShownTheFramesAPictureBuildsOnFromTheLastOneItDecoded)
{
  using namespace cvid;
  // Key frames at 0 and 4; frame 6 dropped.
  const TOpenMovie open(
    Cinepak({KeyFrame(0), InterFrame(), InterFrame(), InterFrame(), KeyFrame(1), InterFrame(), {}, InterFrame()}));
  for (std::uint32_t frame = 0; frame < 8; ++frame)
    ASSERT_EQ(open.Movie->Check(frame), TFrameState::Showable) << frame;
  struct TJump {
    std::uint32_t Frame;
    std::optional<std::uint32_t> LastDecoded;
    std::uint32_t First;
  } jumps[] = {
    {3, std::nullopt, 0},  // nothing known: from the key frame
    {3, 7, 0},             // back across a key frame
    {3, 1, 2},             // forward within the run: only what is new
    {3, 2, 3},             // the step forward
    {3, 3, 3},             // shown again
    {4, 3, 4},             // a key frame needs nothing before it
    {7, 3, 4},             // forward across a key frame
    {6, 2, 4},             // a dropped frame's picture is frame 5's
    {6, 5, 5},
    {7, 5, 6},  // the dropped frame lies on the way
  };
  for (const TJump& jump : jumps)
    EXPECT_EQ(open.Movie->FirstToDecode(jump.Frame, jump.LastDecoded), jump.First)
      << jump.Frame << " after " << jump.LastDecoded.value_or(99);

  // Uncompressed frames stand alone.
  TMovie plain;
  plain.Frames = 4;
  const TOpenMovie uncompressed(plain);
  EXPECT_EQ(uncompressed.Movie->FirstToDecode(3, std::nullopt), 3u);
}

TEST(OpenMovie, OurOwnFramesAreCheckedWhenShownButNotReadAheadForPlaying)
{
  const std::uint32_t width = 5, height = 2;
  TBytes rows(FrameCodec::RowBytes(width, 24) * height, 7);
  TBytes sound(FrameCodec::MaxFrameBytes(width, height));
  sound.resize(FrameCodec::Encode(rows.data(), FrameCodec::RowBytes(width, 24), width, height, sound.data()));
  TBytes damaged = sound;
  damaged.pop_back();
  TMovie movie;
  movie.Width = width;
  movie.Height = height;
  movie.Compression = FrameCodec::FourCC;
  movie.FrameData = {sound, damaged, sound, sound};
  const TOpenMovie open(movie);
  ASSERT_TRUE(open.Movie->Video().Readable());
  const int opening = open.Source->Reads;
  EXPECT_EQ(open.Movie->FirstUnshowable(0), 4u);
  EXPECT_EQ(open.Source->Reads, opening) << "playing reads no frame ahead";
  EXPECT_EQ(open.Movie->Check(0), TFrameState::Showable);
  EXPECT_EQ(open.Movie->Check(1), TFrameState::Damaged);
  EXPECT_EQ(open.Movie->Check(2), TFrameState::Showable) << "each frame stands alone";
  open.Source->CutTo(OffsetOf(Build(movie), "00dc", 3) + 9);
  EXPECT_EQ(open.Movie->FirstUnshowable(0), 3u) << "but a frame gone from the file stops it";
}

TEST(OpenMovie, ServedFramesAreSoundWhenTheyNameTheMoviesOwnIdAndAreNotReadAheadForPlaying)
{
  ServedFrame::TMovieId own;
  own.Bytes.fill(0x11);
  ServedFrame::TMovieId other = own;
  other.Bytes[15] = 0x12;
  const auto chunk = [](const ServedFrame::TMovieId& id, std::uint32_t frame) {
    const auto bytes = ServedFrame::Encode({id, frame});
    return TBytes(bytes.begin(), bytes.end());
  };
  TBytes cutShort = chunk(own, 3);
  cutShort.pop_back();
  TMovie movie;
  movie.Width = 7;
  movie.Height = 3;
  movie.Compression = ServedFrame::FourCC;
  // Frame 0 is dropped: the movie's id is the one its first frame with data names.
  movie.FrameData = {{}, chunk(own, 1), chunk(other, 2), cutShort, chunk(own, 4)};
  const TOpenMovie open(movie);
  const TAviVideo& video = open.Movie->Video();
  ASSERT_TRUE(video.Readable());
  ASSERT_TRUE(UsesServedFrames(video));
  ASSERT_TRUE(video.ServedMovie);
  EXPECT_EQ(*video.ServedMovie, own);

  const int opening = open.Source->Reads;
  EXPECT_EQ(open.Movie->FirstUnshowable(1), 5u);
  EXPECT_EQ(open.Source->Reads, opening) << "playing reads no frame ahead: the codec refuses what it cannot show";
  const TFrameState states[] = {TFrameState::Showable, TFrameState::Showable, TFrameState::Damaged,
                                TFrameState::Damaged, TFrameState::Showable};
  for (std::uint32_t frame = 0; frame < std::size(states); ++frame)
    EXPECT_EQ(open.Movie->Check(frame), states[frame]) << frame;
  // The server is asked for the frame the chunk of the picture names.
  EXPECT_EQ(open.Movie->ServedChunk(4)->Frame, 4u);
  EXPECT_EQ(open.Movie->ServedChunk(4)->Movie, own);
  EXPECT_FALSE(open.Movie->ServedChunk(3));

  // Only 24-bit bottom-up index AVIs are served movies.
  movie.Height = -3;
  EXPECT_FALSE(UsesServedFrames(TOpenMovie(movie).Movie->Video()));
}

TEST(OpenMovie, EachFrameIsReadOnceSoSteppingReadsOneFrame)
{
  using namespace cvid;
  const TOpenMovie open(Cinepak({KeyFrame(), InterFrame(), InterFrame(), InterFrame(), InterFrame()}));
  const int opening = open.Source->Reads;
  EXPECT_EQ(open.Movie->Check(3), TFrameState::Showable);  // frames 3 back to 0
  EXPECT_EQ(open.Source->Reads - opening, 4);
  for (std::uint32_t frame = 0; frame <= 4; ++frame)
    EXPECT_EQ(open.Movie->Check(frame), TFrameState::Showable);
  EXPECT_EQ(open.Source->Reads - opening, 5);
}

TEST(OpenMovie, AFrameNoLongerWhollyInTheFileIsMissing)
{
  TMovie movie;
  movie.FrameSizes = {24, 24, 24, 0, 24};
  TOpenMovie open(movie);
  const int opening = open.Source->Reads;
  const TBytes bytes = Build(movie);
  // Cut inside frame 2's data: frames 2 and after are gone, the dropped
  // frame 3 included, though its picture would be frame 2's.
  open.Source->CutTo(OffsetOf(bytes, "00db", 2) + 8 + 10);
  for (std::uint32_t frame = 0; frame < 5; ++frame)
    EXPECT_EQ(open.Movie->Check(frame), frame < 2 ? TFrameState::Showable : TFrameState::Missing) << frame;
  EXPECT_EQ(open.Movie->FirstUnshowable(0), 2u);
  EXPECT_EQ(open.Source->Reads, opening) << "uncompressed frames are not read to be checked";

  // A compressed frame whose data went is missing, not damaged.
  TOpenMovie cinepak(Cinepak({cvid::KeyFrame(), cvid::InterFrame()}));
  cinepak.Source->CutTo(OffsetOf(Build(Cinepak({cvid::KeyFrame(), cvid::InterFrame()})), "00dc", 1) + 9);
  EXPECT_EQ(cinepak.Movie->Check(1), TFrameState::Missing);
  EXPECT_EQ(cinepak.Movie->Check(0), TFrameState::Showable);
}

TEST(OpenMovie, AMovieThatCannotBeOpenedIsRefused)
{
  EXPECT_EQ(TAviMovie(nullptr).Video().Refusal, TAviRefusal::CannotOpen);
  EXPECT_EQ(OpenAviMovie(testing::TempDir() + "no such movie.avi")->Video().Refusal, TAviRefusal::CannotOpen);
}

}  // namespace
