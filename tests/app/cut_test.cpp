// Cutting frames with the real program: commands and keys from outside, BMP
// files checked against the frames of the test movie.
#include "resources/resource.h"
#include "tests/app/cut_session.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Files = std::vector<std::string>;

Files Sorted(Files files)
{
  std::sort(files.begin(), files.end());
  return files;
}

class CutTest : public testing::Test {
protected:
  void SetUp() override
  {
    ASSERT_NE(Session.Main(), nullptr);
    ASSERT_TRUE(Session.WaitForMovie());
  }

  // The capture is exactly the frame of the test pattern, the whole picture.
  void ExpectFrame(const std::string& file, std::uint32_t frame)
  {
    ASSERT_TRUE(Session.WaitForFile(file)) << file;
    const TBmpFile bmp = Session.Output(file);
    EXPECT_EQ(bmp.Width, 160);
    EXPECT_EQ(bmp.Height, 120);
    EXPECT_EQ(Session.PixelsDifferingFromFrame(bmp, frame), 0) << file << " is not frame " << frame;
  }

  TCutSession Session;
};

TEST_F(CutTest, SingleCutAtFrameZeroOfACommandLineMovie)
{
  Session.Command(CM_CUT);
  ExpectFrame("0000.BMP", 0);
  const TBmpFile bmp = Session.Output("0000.BMP");
  EXPECT_EQ(bmp.BitCount, 32);  // a 32-bit display
  EXPECT_EQ(bmp.OffBits, 54u);
  EXPECT_EQ(bmp.ClrUsed, 0u);
  EXPECT_EQ(Session.OutputFiles(), Files{"0000.BMP"});
}

TEST_F(CutTest, StepsByKeyThenCutsWithTheSpaceKey)
{
  for (int i = 0; i < 3; ++i)
    Session.Key(VK_RIGHT);
  Session.Key(VK_SPACE);
  ExpectFrame("0003.BMP", 3);
  Session.Key(VK_LEFT);
  Session.Key(VK_SPACE);
  ExpectFrame("0002.BMP", 2);
}

TEST_F(CutTest, MarkedRangeIsCutFrameByFrameAndTheMarksAreReset)
{
  for (int i = 0; i < 5; ++i)
    Session.Command(CM_NEXTFRAME);
  Session.Command(CM_MARKFROM);
  for (int i = 0; i < 4; ++i)
    Session.Command(CM_NEXTFRAME);
  Session.Command(CM_MARKTO);
  Session.Command(CM_CUT);
  for (std::uint32_t frame = 5; frame <= 9; ++frame) {
    char name[16];
    std::snprintf(name, sizeof name, "%04X.BMP", frame);
    ExpectFrame(name, frame);
  }
  Session.Settle();
  // With the marks reset the next cut is a single one, at the last frame of the range.
  ASSERT_TRUE(::DeleteFileA((Session.OutputDir() + "0009.BMP").c_str()));
  Session.Command(CM_CUT);
  ExpectFrame("0009.BMP", 9);
  Session.Settle();
  EXPECT_EQ(Sorted(Session.OutputFiles()), (Files{"0005.BMP", "0006.BMP", "0007.BMP", "0008.BMP", "0009.BMP"}));
}

TEST_F(CutTest, OnlyTheStartMarkedRunsToTheLastFrame)
{
  for (int i = 0; i < 9; ++i)
    Session.Command(CM_NEXTFRAME);
  Session.Command(CM_MARKFROM);
  Session.Command(CM_CUT);
  // The default movie has 20 frames: the range is 9 .. 19 (0x13).
  ASSERT_TRUE(Session.WaitForFile("0013.BMP"));
  Session.Settle();
  EXPECT_EQ(Session.OutputFiles().size(), 11u);
  ExpectFrame("0009.BMP", 9);
  ExpectFrame("0013.BMP", 19);
}

TEST_F(CutTest, MarksInTheWrongOrderAreRefusedWithAMessageAndKept)
{
  Session.Command(CM_NEXTFRAME);
  Session.Command(CM_MARKTO);
  for (int i = 0; i < 3; ++i)
    Session.Command(CM_NEXTFRAME);
  Session.Command(CM_MARKFROM);
  Session.Command(CM_CUT);
  HWND box = Session.Program().WaitForWindow("エラー", 20000, "#32770");
  ASSERT_NE(box, nullptr);
  const std::string text = DialogItemText(box, 0xFFFF);
  EXPECT_NE(text.find("(4 こま)"), std::string::npos) << text;
  EXPECT_NE(text.find("(1 こま)"), std::string::npos) << text;
  ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  Session.Settle();
  EXPECT_TRUE(Session.OutputFiles().empty());
  // The end mark is still there: the start set again makes a range.
  Session.Command(CM_FIRSTFRAME);
  Session.Command(CM_MARKFROM);
  Session.Command(CM_CUT);
  ExpectFrame("0000.BMP", 0);
  ExpectFrame("0001.BMP", 1);
  Session.Settle();
  EXPECT_EQ(Sorted(Session.OutputFiles()), (Files{"0000.BMP", "0001.BMP"}));
}

TEST_F(CutTest, LastFrameIsNamedAfterItself)
{
  Session.Command(CM_LASTFRAME);
  Session.Command(CM_CUT);
  ExpectFrame("0013.BMP", 19);
}

TEST_F(CutTest, AnExistingFileIsOverwritten)
{
  const std::string path = Session.OutputDir() + "0000.BMP";
  ASSERT_TRUE(WriteWholeFile(path, std::string(3000000, 'x')));
  Session.Command(CM_CUT);
  ASSERT_TRUE(Session.WaitForFile("0000.BMP", 20000, 3000000));
  ExpectFrame("0000.BMP", 0);
  EXPECT_EQ(Session.Output("0000.BMP").FileSize, Session.Output("0000.BMP").Bytes.size());
}

TEST_F(CutTest, CancelGivenBeforeAContinuousCutMakesItWriteNothing)
{
  Session.Command(CM_CANCELCUT);
  Session.Command(CM_MARKFROM);
  Session.Command(CM_CUT);
  Session.Settle();
  EXPECT_TRUE(Session.OutputFiles().empty());
  // The pending cancel is used up: the next continuous cut runs.
  Session.Command(CM_LASTFRAME);
  Session.Command(CM_MARKFROM);
  Session.Command(CM_CUT);
  EXPECT_TRUE(Session.WaitForFile("0013.BMP"));
}

TEST_F(CutTest, AWriteFailureIsShownAndStopsTheCut)
{
  // The output directory disappears: the first frame cannot be written.
  ASSERT_TRUE(::RemoveDirectoryA(Session.OutputDir().c_str()));
  Session.Command(CM_MARKFROM);
  Session.Command(CM_CUT);
  HWND box = Session.Program().WaitForWindow("エラー", 20000, "#32770");
  ASSERT_NE(box, nullptr);
  EXPECT_NE(DialogItemText(box, 0xFFFF).find("0000.BMP"), std::string::npos);
  ::CreateDirectoryA(Session.OutputDir().c_str(), nullptr);
  ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  // The box's own loop takes the OK after any message sent meanwhile.
  ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
  Session.Settle();
  // The cut stopped at the failed frame and the marks were reset.
  EXPECT_TRUE(Session.OutputFiles().empty());
  const HWND left = Session.Program().FindWindow("エラー", "#32770");
  EXPECT_EQ(left, nullptr) << (left == box ? "the message stayed" : "another message followed") << ": "
                           << DialogItemText(left, 0xFFFF);
}

TEST_F(CutTest, AWriteFailureInTheMiddleOfACutIsShownAndEndsTheCutThere)
{
  // A folder where the sixth frame's file would go: that one file cannot be written.
  ASSERT_TRUE(::CreateDirectoryA((Session.OutputDir() + "0005.BMP").c_str(), nullptr));
  Session.Command(CM_MARKFROM);
  Session.Command(CM_CUT);
  HWND box = Session.Program().WaitForWindow("エラー", 20000, "#32770");
  ASSERT_NE(box, nullptr);
  EXPECT_NE(DialogItemText(box, 0xFFFF).find("0005.BMP"), std::string::npos);
  // The files before it are complete while the box is up, and none after it is begun.
  EXPECT_EQ(Sorted(Session.OutputFiles()), (Files{"0000.BMP", "0001.BMP", "0002.BMP", "0003.BMP", "0004.BMP"}));
  ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  Session.Settle();
  EXPECT_EQ(Session.OutputFiles().size(), 5u);
  for (std::uint32_t frame = 0; frame < 5; ++frame)
    ExpectFrame("000" + std::to_string(frame) + ".BMP", frame);
  EXPECT_EQ(Session.Program().FindWindow("エラー", "#32770"), nullptr);
}

// A continuous cut takes one queued message per frame: a message posted right
// after the cut command is handled during the cut's first frame.
TEST_F(CutTest, ClosingTheWindowDuringAContinuousCutEndsTheProgramCleanly)
{
  {
    const TThreadHold together(Session.Main());
    ASSERT_TRUE(together.Held());
    Session.Command(CM_MARKFROM);
    Session.Command(CM_CUT);
    ::PostMessageA(Session.Main(), WM_CLOSE, 0, 0);
  }
  EXPECT_EQ(Session.Program().WaitForExit(), 0u);
  EXPECT_EQ(Session.OutputFiles(), Files{"0000.BMP"});
}

TEST_F(CutTest, ClosingTheMovieDuringAContinuousCutEndsTheCut)
{
  {
    const TThreadHold together(Session.Main());
    ASSERT_TRUE(together.Held());
    Session.Command(CM_MARKFROM);
    Session.Command(CM_CUT);
    Session.Command(CM_FILECLOSE);
  }
  // Settling counts turns of the program's loop, but the program may answer
  // several of its messages in one turn while the held ones wait: the close
  // is waited for by what it does.
  ASSERT_TRUE(WaitFor([&] { return Session.MovieWindow() == nullptr; }));
  ASSERT_TRUE(Session.WaitForFile("0000.BMP"));
  // The close is taken with the first frame, or a little later where other
  // messages come first (seen on a slow machine): the cut ends there, quietly,
  // its files the range's first frames, each whole.
  const std::size_t count = Session.QuietFileCount();
  const Files written = Sorted(Session.OutputFiles());
  ASSERT_EQ(written.size(), count);
  ASSERT_LT(count, Session.Movie().Frames);
  EXPECT_EQ(Session.Program().FindWindow("エラー", "#32770"), nullptr);
  for (std::uint32_t frame = 0; frame < count; ++frame) {
    char name[16];
    std::snprintf(name, sizeof name, "%04X.BMP", frame);
    EXPECT_EQ(written[frame], name);
    ExpectFrame(name, frame);
  }
}

TEST_F(CutTest, ACutCommandDuringACutIsIgnored)
{
  Session.Command(CM_MARKFROM);
  Session.Command(CM_CUT);
  Session.Command(CM_CUT);
  Session.Command(CM_CUT);
  ASSERT_TRUE(Session.WaitForCutFile("0013.BMP"));
  Session.Settle();
  EXPECT_EQ(Session.OutputFiles().size(), 20u);
  for (std::uint32_t frame : {0u, 1u, 2u, 7u, 19u}) {
    char name[16];
    std::snprintf(name, sizeof name, "%04X.BMP", frame);
    ExpectFrame(name, frame);
  }
}

TEST(CutAtStartTest, ACutQueuedBeforeTheWindowIsShownCapturesTheFirstFrame)
{
  // The command line's movie is opened before the main window is shown; a cut
  // already waiting in the queue runs before the movie window's first repaint.
  TCutSession::TOptions options;
  options.BeforeShown = true;
  TCutSession session(options);
  ASSERT_NE(session.Main(), nullptr);
  session.Command(CM_CUT);
  ASSERT_TRUE(session.WaitForFile("0000.BMP"));
  EXPECT_EQ(session.PixelsDifferingFromFrame(session.Output("0000.BMP"), 0), 0);
}

TEST(CutWithoutMovieTest, MovieCommandsAreGreyUntilAMovieIsOpen)
{
  TCutSession::TOptions options;
  options.OnCommandLine = false;
  TCutSession session(options);
  ASSERT_NE(session.Main(), nullptr);
  // The Space key's menu item is grey: the key does nothing.
  session.Key(VK_SPACE);
  session.Settle();
  EXPECT_TRUE(session.OutputFiles().empty());
}

TEST(CutOpenTest, MovieOpenedWithTheDialogGivesThePrefix)
{
  TCutSession::TOptions options;
  options.OnCommandLine = false;
  options.MovieName = "ab.avi";
  TCutSession session(options);
  ASSERT_NE(session.Main(), nullptr);
  session.OpenWithDialog();
  ASSERT_TRUE(session.WaitForMovie());
  session.Key(VK_SPACE);
  EXPECT_TRUE(session.WaitForFile("ab0000.BMP"));
}

TEST(CutOpenTest, AnInvalidFileShowsTheOpenFailureAndLeavesNoMovieOpen)
{
  TCutSession::TOptions options;
  options.MovieName = "bad.avi";
  options.OnCommandLine = false;
  TCutSession session(options);
  ASSERT_TRUE(WriteWholeFile(session.MoviePath(), "RIFF this is no movie"));
  // Opened through a second program run with the broken file on its command line.
  TProgramRun run("movie " + session.MoviePath());
  HWND box = run.WaitForWindow("エラー", 20000, "#32770");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(DialogItemText(box, 0xFFFF), "ﾄﾞﾗｲﾊﾞまたはﾌｧｲﾙが不正です");
  ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  HWND main = run.MainWindow();
  ASSERT_NE(main, nullptr);
  run.Key(main, VK_SPACE);
  EXPECT_TRUE(session.OutputFiles().empty());
  ::PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(run.WaitForExit(), 0u);
}

}  // namespace
