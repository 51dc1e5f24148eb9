#include "app/avireader.h"
#include "tests/native/avi_image.h"

#include <gtest/gtest.h>

#include <cstdio>

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

}  // namespace
