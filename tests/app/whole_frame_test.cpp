// Every capture is the movie's whole picture, pixel for pixel, whatever size
// the device made its window and whatever size the frame had.
#include "resources/resource.h"
#include "tests/app/cut_session.h"

#include <gtest/gtest.h>

namespace {

TCutSession::TOptions MovieOfSize(std::uint32_t width, std::uint32_t height)
{
  TCutSession::TOptions options;
  options.Movie.Width = width;
  options.Movie.Height = height;
  options.Movie.Frames = 6;
  return options;
}

void ExpectWholeFrame(const TCutSession& session, std::uint32_t frame)
{
  const std::string file = CaptureName(frame);
  ASSERT_TRUE(session.WaitForFile(file)) << file;
  const TBmpFile bmp = session.Output(file);
  const TTestMovie& movie = session.Movie();
  EXPECT_EQ(bmp.Width, static_cast<std::int32_t>(movie.Width)) << file;
  EXPECT_EQ(bmp.Height, static_cast<std::int32_t>(movie.Height)) << file;
  EXPECT_EQ(session.PixelsDifferingFromFrame(bmp, frame), 0) << file << " is not frame " << frame;
}

class WholeFrameTest : public testing::TestWithParam<std::pair<std::uint32_t, std::uint32_t>> {};

TEST_P(WholeFrameTest, SingleAndContinuousCutsAreTheWholePicture)
{
  TCutSession session(MovieOfSize(GetParam().first, GetParam().second));
  ASSERT_NE(session.Main(), nullptr);
  ASSERT_TRUE(session.WaitForMovie());
  session.Command(CM_CUT);
  ExpectWholeFrame(session, 0);

  session.Command(CM_NEXTFRAME);
  session.Command(CM_MARKFROM);
  session.Command(CM_NEXTFRAME);
  session.Command(CM_NEXTFRAME);
  session.Command(CM_MARKTO);
  session.Command(CM_CUT);
  for (std::uint32_t frame = 1; frame <= 3; ++frame)
    ExpectWholeFrame(session, frame);
}

INSTANTIATE_TEST_SUITE_P(MovieSizes, WholeFrameTest,
                         testing::Values(std::make_pair(200u, 150u), std::make_pair(161u, 97u),
                                         std::make_pair(320u, 240u),
                                         // narrower than the device's window can be
                                         std::make_pair(50u, 40u), std::make_pair(1u, 1u)));

TEST(WholeFrameOpenTest, AMovieLargerThanTheFrameGrowsTheFrameAndIsCutWhole)
{
  // No stored placement: the frame starts at its first-run size of 530 x 360.
  TCutSession session(MovieOfSize(640, 480));
  ASSERT_NE(session.Main(), nullptr);
  ASSERT_TRUE(session.WaitForMovie());
  RECT movie;
  RECT client;
  ::GetWindowRect(session.MovieWindow(), &movie);
  ::GetClientRect(::GetParent(session.MovieWindow()), &client);
  ::MapWindowPoints(::GetParent(session.MovieWindow()), nullptr, reinterpret_cast<POINT*>(&client), 2);
  EXPECT_LE(movie.right, client.right);
  EXPECT_LE(movie.bottom, client.bottom);

  session.Command(CM_CUT);
  ExpectWholeFrame(session, 0);
}

TEST(WholeFrameOpenTest, AMovieWhosePictureTheDeviceCannotShowIsRefused)
{
  // Stored top-down (a negative height): the device opens it but draws nothing.
  TCutSession::TOptions options = MovieOfSize(200, 150);
  options.Movie.TopDown = true;
  options.BeforeShown = true;  // the message comes before the window is shown
  TCutSession session(options);
  HWND box = session.Program().WaitForWindow("エラー", 20000, "#32770");
  if (!box) {
    // A device that shows such movies: then they are cut like any other.
    ASSERT_TRUE(session.WaitForMovie());
    session.Command(CM_CUT);
    ExpectWholeFrame(session, 0);
    return;
  }
  // Started without a frame server, the program says that run.sh may show it.
  EXPECT_EQ(DialogItemText(box, 0xFFFF),
            "ﾄﾞﾗｲﾊﾞまたはﾌｧｲﾙが不正です\n動画の再生装置では表示できない動画かもしれません。"
            "scripts/run.sh で開くと、ffmpeg が読める動画はどれも表示できます。");
  ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_NE(session.Main(), nullptr);
  session.Key(VK_SPACE);
  session.Settle();
  EXPECT_EQ(session.MovieWindow(), nullptr);
  EXPECT_TRUE(session.OutputFiles().empty());
}

}  // namespace
