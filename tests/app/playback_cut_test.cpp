// Cuts after playback and after seeks: the picture on screen, the position the
// program holds and the name of the file a cut writes all refer to one frame.
// Movies larger than the screen are never cut cropped.
#include "resources/resource.h"
#include "tests/app/cut_session.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>

namespace {

struct TMovieKind {
  const char* Name;
  TCutSession::TOptions Options;

  friend void PrintTo(const TMovieKind& kind, std::ostream* out) { *out << kind.Name; }
};

TMovieKind Uncompressed()
{
  TMovieKind kind{"Uncompressed", {}};
  kind.Options.Movie.Frames = 60;
  return kind;
}

// The pattern in 8 x 8 squares, encoded by ffmpeg (see CMakeLists.txt): the
// codec keeps colours of 15 bits only.
TMovieKind MsVideo1()
{
  TMovieKind kind{"MsVideo1", {}};
  kind.Options.Movie.Width = 20;
  kind.Options.Movie.Height = 15;
  kind.Options.Movie.Frames = 90;
  kind.Options.EncodedMovie = WindowsPath(VELMO_MSVC_MOVIE);
  kind.Options.PatternScale = 8;
  kind.Options.Tolerance = 12;
  return kind;
}

class PlaybackCutTest : public testing::TestWithParam<TMovieKind> {
protected:
  PlaybackCutTest() : Session(GetParam().Options) {}

  void SetUp() override
  {
    ASSERT_NE(Session.Main(), nullptr);
    ASSERT_TRUE(Session.WaitForMovie());
    // The first frame is painted once the program gets to it.
    ASSERT_TRUE(WaitFor([&] { return Shown() == 0; }));
  }

  int Shown() const { return Session.FrameIn(Session.ShownPicture()); }

  // Cuts the frame on screen and answers the frame its file's name gives,
  // checking that the file holds that very frame and that the screen still
  // shows it.
  void ExpectCutOfTheShownFrame(std::uint32_t& named)
  {
    // The only file in the folder is then the one the cut writes.
    for (const std::string& file : Session.OutputFiles())
      ASSERT_TRUE(::DeleteFileA((Session.OutputDir() + file).c_str()));
    Session.Key(VK_SPACE);
    std::string name;
    ASSERT_TRUE(WaitFor([&] {
      const std::vector<std::string> files = Session.OutputFiles();
      return files.size() == 1 && Session.WaitForFile(name = files.front());
    }));
    named = static_cast<std::uint32_t>(std::strtoul(name.c_str(), nullptr, 16));
    const int inFile = Session.FrameIn(PictureOf(Session.Output(name)));
    EXPECT_EQ(inFile, static_cast<int>(named)) << name << " holds frame " << inFile;
    const int shown = Shown();
    EXPECT_EQ(shown, static_cast<int>(named)) << "the screen shows frame " << shown << ", not that of " << name;
  }

  TCutSession Session;
};

TEST_P(PlaybackCutTest, PlayStopAndCutWritesTheFrameItsNameSaysAndStepsOnFromIt)
{
  Session.Key(VK_UP);
  ASSERT_TRUE(WaitFor([&] { return Shown() >= 10; })) << "the movie plays";
  Session.Key(VK_DOWN);
  std::uint32_t stopped = 0;
  ExpectCutOfTheShownFrame(stopped);
  EXPECT_GE(stopped, 10u);

  // One frame on from the one cut, and one back.
  Session.Key(VK_RIGHT);
  std::uint32_t next = 0;
  ExpectCutOfTheShownFrame(next);
  EXPECT_EQ(next, stopped + 1);
  Session.Key(VK_LEFT);
  std::uint32_t back = 0;
  ExpectCutOfTheShownFrame(back);
  EXPECT_EQ(back, stopped);
}

TEST_P(PlaybackCutTest, PlayedToTheEndTheMovieRestsOnTheLastFrameAndACutWritesIt)
{
  const std::uint32_t last = Session.Movie().Frames - 1;
  Session.Command(CM_LASTFRAME);
  for (int i = 0; i < 4; ++i)
    Session.Key(VK_LEFT);
  ASSERT_TRUE(WaitFor([&] { return Shown() == static_cast<int>(last - 4); })) << "shown: " << Shown();
  Session.Key(VK_UP);
  // The device stops by itself with the frame before the last on screen; the
  // program then shows the frame the device rests on.
  EXPECT_TRUE(WaitFor([&] { return Shown() == static_cast<int>(last); }));
  std::uint32_t named = 0;
  ExpectCutOfTheShownFrame(named);
  EXPECT_EQ(named, last);
  // Nothing lies beyond it.
  Session.Key(VK_RIGHT);
  ExpectCutOfTheShownFrame(named);
  EXPECT_EQ(named, last);
}

INSTANTIATE_TEST_SUITE_P(Movies, PlaybackCutTest, testing::Values(Uncompressed(), MsVideo1()),
                         [](const testing::TestParamInfo<TMovieKind>& kind) { return kind.param.Name; });

class TooLargeMovieTest : public testing::TestWithParam<std::pair<std::uint32_t, std::uint32_t>> {
protected:
  static TCutSession::TOptions Options()
  {
    TCutSession::TOptions options;
    options.Movie.Width = GetParam().first;
    options.Movie.Height = GetParam().second;
    options.Movie.Frames = 4;
    options.BeforeShown = true;  // the program speaks before its window shows
    return options;
  }

  // Waits for the error box, checks that it gives the movie's size and the
  // screen's, and closes it.
  void ExpectSizesSaid()
  {
    HWND box = Session.Program().WaitForWindow("エラー", 20000, "#32770");
    ASSERT_NE(box, nullptr);
    const std::string text = DialogItemText(box, 0xFFFF);
    char movie[40];
    char screen[40];
    std::snprintf(movie, sizeof movie, "%u × %u", GetParam().first, GetParam().second);
    std::snprintf(screen, sizeof screen, "%d × %d", ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    EXPECT_NE(text.find(movie), std::string::npos) << text;
    EXPECT_NE(text.find(screen), std::string::npos) << text;
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
  }

  TCutSession Session{Options()};
};

TEST_P(TooLargeMovieTest, IsSaidOnOpeningAndEveryCutIsRefusedWithNothingWritten)
{
  ExpectSizesSaid();
  ASSERT_TRUE(Session.WaitForMovie());
  // It can still be looked at and stepped through.
  Session.Key(VK_RIGHT);

  Session.Key(VK_SPACE);
  ExpectSizesSaid();
  Session.Command(CM_MARKFROM);
  Session.Command(CM_CUT);
  ExpectSizesSaid();
  Session.Settle();
  EXPECT_TRUE(Session.OutputFiles().empty());
}

// The test displays are 1280 x 1024: one movie too wide, one too tall.
INSTANTIATE_TEST_SUITE_P(Sizes, TooLargeMovieTest,
                         testing::Values(std::make_pair(1400u, 120u), std::make_pair(200u, 1100u)));

}  // namespace
