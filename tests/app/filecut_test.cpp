// Cuts of uncompressed movies, and of movies in our own lossless format, taken
// from the movie's file: the same files as the cut through the screen,
// pictures too large for the screen, and the end of such a cut by a file cut
// short or damaged, the cancel key or closing the program.
#include "avi/avivideo.h"
#include "codec/framecodec.h"
#include "resources/resource.h"
#include "tests/app/cut_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

// A movie cut from its file. It must be at least as wide as the device's
// window can be narrow: a window wider than the movie is cut from the screen.
TCutSession::TOptions FileCut(std::uint32_t width, std::uint32_t height, std::uint32_t frames)
{
  TCutSession::TOptions options;
  options.Movie.Width = width;
  options.Movie.Height = height;
  options.Movie.Frames = frames;
  options.FromScreen = false;
  return options;
}

// The files of a cut of frames first..last, by name.
std::map<std::string, std::string> CutRange(const TCutSession::TOptions& options, std::uint32_t first,
                                            std::uint32_t last)
{
  TCutSession session(options);
  if (!session.WaitForMovie())
    return {};
  for (std::uint32_t frame = 0; frame < first; ++frame)
    session.Command(CM_NEXTFRAME);
  session.Command(CM_MARKFROM);
  for (std::uint32_t frame = first; frame < last; ++frame)
    session.Command(CM_NEXTFRAME);
  session.Command(CM_MARKTO);
  session.Command(CM_CUT);
  if (!session.WaitForFile(CaptureName(last)))
    return {};
  session.Settle();
  std::map<std::string, std::string> files;
  for (const std::string& name : session.OutputFiles())
    files[name] = ReadWholeFile(session.OutputDir() + name);
  // Each file is its frame's picture, a dropped frame's that of the frame before.
  const std::vector<std::uint32_t>& dropped = options.Movie.Dropped;
  for (std::uint32_t frame = first; frame <= last; ++frame) {
    std::uint32_t picture = frame;
    while (picture > 0 && std::find(dropped.begin(), dropped.end(), picture) != dropped.end())
      --picture;
    EXPECT_EQ(session.PixelsDifferingFromFrame(session.Output(CaptureName(frame)), picture), 0) << CaptureName(frame);
  }
  return files;
}

// Every file of the output is a whole BMP of its frame, named in order from
// frame 0; returns how many there are.
std::size_t ExpectWholeFilesInOrder(const TCutSession& session)
{
  std::vector<std::string> files = session.OutputFiles();
  std::sort(files.begin(), files.end());
  for (std::size_t frame = 0; frame < files.size(); ++frame) {
    EXPECT_EQ(files[frame], CaptureName(static_cast<std::uint32_t>(frame)));
    const TBmpFile bmp = session.Output(files[frame]);
    EXPECT_TRUE(bmp.Valid && bmp.FileSize == bmp.Bytes.size()) << files[frame];
  }
  if (!files.empty()) {
    const auto last = static_cast<std::uint32_t>(files.size() - 1);
    EXPECT_EQ(session.PixelsDifferingFromFrame(session.Output(files.back()), last), 0) << files.back();
  }
  return files.size();
}

// Uncompressed frames of a depth, or 24-bit frames in our lossless format,
// which the screen shows through our codec.
struct TMovieKind {
  std::uint16_t BitCount;
  bool Coded;
};

class FileCutBytesTest : public testing::TestWithParam<TMovieKind> {};

TEST_P(FileCutBytesTest, AreThoseOfTheCutThroughTheScreenForTheSameFrames)
{
  // An odd width pads the rows of 24-bit files; a dropped frame is cut as
  // the frame before it.
  TCutSession::TOptions options = FileCut(161, 97, 12);
  options.Movie.BitCount = GetParam().BitCount;
  options.Movie.Coded = GetParam().Coded;
  options.Movie.Dropped = {6};
  const std::map<std::string, std::string> fromFile = CutRange(options, 3, 9);
  options.FromScreen = true;
  const std::map<std::string, std::string> fromScreen = CutRange(options, 3, 9);
  ASSERT_EQ(fromScreen.size(), 7u);
  ASSERT_EQ(fromFile.size(), 7u);
  for (const auto& [name, bytes] : fromScreen) {
    ASSERT_EQ(fromFile.count(name), 1u) << name;
    EXPECT_TRUE(fromFile.at(name) == bytes) << name << " differs";
  }
}

INSTANTIATE_TEST_SUITE_P(MovieKinds, FileCutBytesTest,
                         testing::Values(TMovieKind{32, false}, TMovieKind{24, false}, TMovieKind{24, true}),
                         [](const testing::TestParamInfo<TMovieKind>& kind) {
                           return (kind.param.Coded ? "Coded" : "Bits") + std::to_string(kind.param.BitCount);
                         });

class LargePictureTest : public testing::TestWithParam<bool> {};

TEST_P(LargePictureTest, OpensWithoutRefusalAndIsCutWhole)
{
  // The test display is 1280 x 1024; a coded movie is decoded from its file.
  TCutSession::TOptions options = FileCut(1400, 1100, 4);
  options.Movie.BitCount = 24;
  options.Movie.Coded = GetParam();
  TCutSession session(options);
  ASSERT_NE(session.Main(), nullptr);
  ASSERT_TRUE(session.WaitForMovie());
  EXPECT_EQ(session.Program().FindWindow("エラー", "#32770"), nullptr);
  // One range cut: a cut command that comes while a cut from the file still
  // ends after its last file is ignored, so a single cut first would race it.
  session.Command(CM_MARKFROM);
  session.Command(CM_CUT);
  ASSERT_TRUE(session.WaitForCutFile(CaptureName(3)));
  // The cut's threads may complete its files in any order.
  for (std::uint32_t frame = 0; frame < 4; ++frame)
    ASSERT_TRUE(session.WaitForFile(CaptureName(frame)));
  session.Settle();
  EXPECT_EQ(session.OutputFiles().size(), 4u);
  for (std::uint32_t frame = 0; frame < 4; ++frame) {
    const TBmpFile bmp = session.Output(CaptureName(frame));
    EXPECT_EQ(bmp.Width, 1400);
    EXPECT_EQ(bmp.Height, 1100);
    EXPECT_EQ(session.PixelsDifferingFromFrame(bmp, frame), 0) << CaptureName(frame);
  }
}

INSTANTIATE_TEST_SUITE_P(UncompressedAndCoded, LargePictureTest, testing::Bool());

TEST(FileCutTest, ADamagedCodedFrameEndsTheCutWithTheErrorAndNoWrongPicture)
{
  TCutSession::TOptions options = FileCut(120, 32, 30);
  options.Movie.BitCount = 24;
  options.Movie.Coded = true;
  TCutSession session(options);
  ASSERT_TRUE(session.WaitForMovie());
  const TAviVideo video = ReadAviVideo(session.MoviePath());
  ASSERT_TRUE(video.Readable());
  // Frame 10's first code now runs past its row.
  const std::uint64_t code = video.Frames[10].Offset + 1;
  ASSERT_TRUE(RunOnHost("printf '\\377' | dd of='" + HostPath(session.MoviePath()) +
                          "' bs=1 seek=" + std::to_string(code) + " conv=notrunc status=none",
                        session.MoviePath()));
  session.Command(CM_MARKFROM);
  session.Command(CM_CUT);
  const std::string told = TakeErrorBox(session.Program());
  EXPECT_NE(told.find("こま 10 が壊れて"), std::string::npos) << told;
  session.Settle();
  EXPECT_EQ(ExpectWholeFilesInOrder(session), 10u);
}

TEST(FileCutTest, ACompressedMovieIsStillCutFromTheScreen)
{
  TCutSession::TOptions options = FileCut(20, 15, 90);
  options.EncodedMovie = WindowsPath(VELMO_MSVC_MOVIE);
  options.PatternScale = 8;
  options.Tolerance = 12;
  TCutSession session(options);
  ASSERT_TRUE(session.WaitForMovie());
  session.Command(CM_NEXTFRAME);
  session.Command(CM_MARKFROM);
  session.Command(CM_NEXTFRAME);
  session.Command(CM_MARKTO);
  session.Command(CM_CUT);
  ASSERT_TRUE(session.WaitForFile(CaptureName(2)));
  session.Settle();
  EXPECT_EQ(session.OutputFiles().size(), 2u);
  for (std::uint32_t frame : {1u, 2u})
    EXPECT_EQ(session.PixelsDifferingFromFrame(session.Output(CaptureName(frame)), frame), 0) << frame;
}

TEST(FileCutTest, AFileCutShortAfterOpeningEndsTheCutWithTheErrorAndNoPartFile)
{
  TCutSession session(FileCut(120, 32, 30));
  ASSERT_TRUE(session.WaitForMovie());
  const TAviVideo video = ReadAviVideo(session.MoviePath());
  ASSERT_TRUE(video.Readable());
  // Cut inside frame 10's data.
  const std::uint64_t keep = video.Frames[10].Offset + 100;
  ASSERT_TRUE(
    RunOnHost("truncate -s " + std::to_string(keep) + " '" + HostPath(session.MoviePath()) + "'", session.MoviePath()));
  session.Command(CM_MARKFROM);
  session.Command(CM_CUT);
  const std::string told = TakeErrorBox(session.Program());
  EXPECT_NE(told.find("途中で切れて"), std::string::npos) << told;
  EXPECT_NE(told.find("こま 10 "), std::string::npos) << told;
  session.Settle();
  EXPECT_EQ(ExpectWholeFilesInOrder(session), 10u);
}

class FileCutEndTest : public testing::Test {
protected:
  // Long enough that the cut is still running when the test ends it.
  FileCutEndTest() : Session(FileCut(120, 32, 4000)) {}

  void SetUp() override
  {
    ASSERT_NE(Session.Main(), nullptr);
    ASSERT_TRUE(Session.WaitForMovie());
    Session.Command(CM_MARKFROM);
    Session.Command(CM_CUT);
    ASSERT_TRUE(Session.WaitForCutFile(CaptureName(40)));
  }

  TCutSession Session;
};

TEST_F(FileCutEndTest, CancelStopsTheCutWithEveryWrittenFileWhole)
{
  Session.Command(CM_CANCELCUT);
  Session.QuietFileCount();
  const std::size_t written = ExpectWholeFilesInOrder(Session);
  EXPECT_LT(written, 4000u);
  // The program goes on: a single cut is taken where the movie stands.
  Session.Command(CM_CUT);
  Session.Settle();
  EXPECT_EQ(Session.Program().FindWindow("エラー", "#32770"), nullptr);
}

TEST_F(FileCutEndTest, AltF4EndsTheProgramWithEveryWrittenFileWhole)
{
  ::PostMessageA(Session.Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(Session.Program().WaitForExit(), 0u);
  EXPECT_LT(ExpectWholeFilesInOrder(Session), 4000u);
}

}  // namespace
