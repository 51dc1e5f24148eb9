// Movies the program must refuse or open only in part, damaged or changed
// under it, and the user's keys during a long continuous cut.
#include "avi/avivideo.h"
#include "avi/bytesource.h"
#include "resources/resource.h"
#include "tests/app/cut_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>

namespace {

const char OpenFailure[] = "ﾄﾞﾗｲﾊﾞまたはﾌｧｲﾙが不正です";

void ExpectClosedNormally(TCutSession& session)
{
  ::PostMessageA(session.Main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(session.Program().WaitForExit(), 0u);
}

TAviVideo ReadVideo(const std::string& bytes)
{
  TMemoryByteSource source(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return ReadAviVideo(source);
}

// The frame of the test pattern that a movie with dropped frames shows.
std::uint32_t PictureFrame(const TTestMovie& movie, std::uint32_t frame)
{
  while (frame > 0 && std::count(movie.Dropped.begin(), movie.Dropped.end(), frame))
    --frame;
  return frame;
}

void ExpectRefusedAndClosedNormally(TCutSession& session)
{
  EXPECT_EQ(TakeErrorBox(session.Program()), OpenFailure);
  HWND main = session.Program().MainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(session.MovieWindow(), nullptr);
  ::PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(session.Program().WaitForExit(), 0u);
}

TCutSession::TOptions MovieWithoutFrames(bool headersOnly, bool onCommandLine)
{
  TCutSession::TOptions options;
  options.Movie.Frames = 0;
  options.DroppedTailBytes = headersOnly ? 8 : 0;  // the empty index: the file ends after the headers
  options.OnCommandLine = onCommandLine;
  options.BeforeShown = true;
  return options;
}

TEST(BadMovieTest, MoviesWithoutFramesAreRefusedFromTheCommandLine)
{
  for (bool headersOnly : {false, true}) {
    SCOPED_TRACE(headersOnly ? "headers only" : "no frames");
    TCutSession session(MovieWithoutFrames(headersOnly, true));
    ExpectRefusedAndClosedNormally(session);
  }
}

TEST(BadMovieTest, AMovieWithoutFramesIsRefusedFromTheFileDialog)
{
  TCutSession session(MovieWithoutFrames(true, false));
  ASSERT_NE(session.Program().MainWindow(), nullptr);
  session.OpenWithDialog();
  ExpectRefusedAndClosedNormally(session);
}

TEST(BadMovieTest, APathTooLongToOpenIsRefused)
{
  TCutSession::TOptions options;
  options.OnCommandLine = false;
  TCutSession session(options);
  TProgramRun run("movie C:\\" + std::string(300, 'm') + ".avi");
  EXPECT_EQ(TakeErrorBox(run), OpenFailure);
  HWND main = run.MainWindow();
  ASSERT_NE(main, nullptr);
  ::PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(run.WaitForExit(), 0u);
}

// Appends an OpenDML 'RIFF AVIX' part of six more frames of the movie's size.
void AppendSecondPart(const std::string& path, const TTestMovie& movie)
{
  const std::uint32_t frameBytes = movie.Width * movie.Height * movie.BitCount / 8;
  const auto u32 = [](std::uint32_t value) { return std::string(reinterpret_cast<const char*>(&value), 4); };
  std::string frames;
  for (int frame = 0; frame < 6; ++frame)
    frames += "00db" + u32(frameBytes) + std::string(frameBytes, '\x40');
  const std::string movi = "LIST" + u32(static_cast<std::uint32_t>(4 + frames.size())) + "movi" + frames;
  std::ofstream(path, std::ios::binary | std::ios::app)
    << "RIFF" + u32(static_cast<std::uint32_t>(4 + movi.size())) + "AVIX" + movi;
}

TEST(BadMovieTest, FramesTheDeviceDoesNotReadAreToldWhenTheMovieOpens)
{
  TCutSession::TOptions options;
  options.Movie.Frames = 6;
  options.BeforeShown = true;
  options.Rework = [&options](const std::string& path) { AppendSecondPart(path, options.Movie); };
  TCutSession session(options);
  const std::string told = TakeErrorBox(session.Program());
  EXPECT_NE(told.find("12 こまありますが"), std::string::npos) << told;
  EXPECT_NE(told.find("最初の部分の 6 こまだけ"), std::string::npos) << told;
  ASSERT_TRUE(session.WaitForMovie());
  ExpectClosedNormally(session);
}

// The device reads no further than 2 GB into a file and does not come back
// from a first part that runs past it: such a movie is refused at once.
TEST(BadMovieTest, AMovieWhoseFirstPartPassesTwoGigabytesIsRefusedAtOnce)
{
  TCutSession::TOptions options;
  options.BeforeShown = true;
  options.Rework = [](const std::string& path) {
    const std::uint32_t fileBytes = 0x8D000000;  // 2.2 GB, a hole after the movie's bytes
    const std::uint32_t riffBytes = fileBytes - 8;
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(4);
    file.write(reinterpret_cast<const char*>(&riffBytes), 4);
    file.close();
    const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = fileBytes;
    ::SetFilePointerEx(handle, end, nullptr, FILE_BEGIN);
    ::SetEndOfFile(handle);
    ::CloseHandle(handle);
  };
  TCutSession session(options);
  EXPECT_NE(TakeErrorBox(session.Program()).find("2 GB"), std::string::npos);
  EXPECT_EQ(session.MovieWindow(), nullptr);
  ExpectClosedNormally(session);
  ::DeleteFileA(session.MoviePath().c_str());
}

TEST(BadMovieTest, ACutOffMovieOpensWithItsCompleteFramesOnly)
{
  // 20 frames written; the file ends 100 bytes into the eleventh frame.
  TCutSession::TOptions options;
  options.Movie.Frames = 20;
  const std::uint32_t chunk = 8 + options.Movie.Width * options.Movie.Height * 4;
  const std::uint32_t index = 8 + 16 * 20;
  options.DroppedTailBytes = index + 10 * chunk - 8 - 100;
  options.BeforeShown = true;
  TCutSession session(options);
  const std::string told = TakeErrorBox(session.Program());
  EXPECT_NE(told.find("20"), std::string::npos) << told;
  EXPECT_NE(told.find("10"), std::string::npos) << told;
  ASSERT_TRUE(session.WaitForMovie());

  session.Command(CM_MARKFROM);
  session.Command(CM_CUT);
  // Positions 0 .. 9, the complete frames.
  ASSERT_TRUE(session.WaitForFile(CaptureName(9)));
  session.Settle();
  EXPECT_EQ(session.OutputFiles().size(), 10u);
  for (std::uint32_t position = 0; position <= 9; ++position) {
    ASSERT_TRUE(session.WaitForFile(CaptureName(position)));
    EXPECT_EQ(session.PixelsDifferingFromFrame(session.Output(CaptureName(position)), position), 0)
      << CaptureName(position);
  }
}

// A continuous cut of a whole movie, and what it leaves behind.
class LongCutTest : public testing::Test {
protected:
  explicit LongCutTest(const TCutSession::TOptions& options) : Session(options) {}

  static TCutSession::TOptions Movie(std::uint32_t width, std::uint32_t height, std::uint32_t frames)
  {
    TCutSession::TOptions options;
    options.Movie.Width = width;
    options.Movie.Height = height;
    options.Movie.Frames = frames;
    return options;
  }

  void SetUp() override
  {
    ASSERT_NE(Session.Main(), nullptr);
    ASSERT_TRUE(Session.WaitForMovie());
    ASSERT_TRUE(BringToFront(Session.Main()));
  }

  // Typed keys go to the foreground window.
  static bool BringToFront(HWND window)
  {
    return WaitFor([&] {
      ::SetForegroundWindow(window);
      return ::GetForegroundWindow() == window;
    });
  }

  // Starts a cut of the whole movie and waits until it has written some files.
  void StartLongCut(std::uint32_t filesFirst = 20)
  {
    Session.Command(CM_MARKFROM);
    Session.Command(CM_CUT);
    ASSERT_TRUE(Session.WaitForCutFile(CaptureName(filesFirst)));
  }

  // Starts a cut of the whole movie with a message queued behind it that the
  // cut takes at frame atFrame, whatever the load: the cut takes one queued
  // message a frame (fillers of no meaning come first), and the program's
  // thread is held while they are queued, so nothing it posts comes between.
  void StartLongCutThen(UINT message, WPARAM wParam, std::uint32_t atFrame)
  {
    const TThreadHold together(Session.Main());
    ASSERT_TRUE(together.Held());
    Session.Command(CM_MARKFROM);
    Session.Command(CM_CUT);
    for (std::uint32_t frame = 0; frame < atFrame; ++frame)
      ::PostMessageA(Session.Main(), WM_NULL, 0, 0);
    ::PostMessageA(Session.Main(), message, wParam, 0);
  }

  // The files are positions 0 .. count - 1, every one a complete BMP; with
  // sameFrames, each the picture of its own frame.
  void ExpectCompleteRun(std::size_t count, bool sameFrames = false) const
  {
    std::vector<std::string> files = Session.OutputFiles();
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files.size(), count);
    for (std::uint32_t position = 0; position < count; ++position) {
      EXPECT_EQ(files[position], CaptureName(position));
      const TBmpFile bmp = Session.Output(CaptureName(position));
      EXPECT_TRUE(bmp.Valid && bmp.FileSize == bmp.Bytes.size()) << CaptureName(position);
      if (sameFrames) {
        EXPECT_EQ(Session.PixelsDifferingFromFrame(bmp, position), 0) << CaptureName(position);
      }
    }
  }

  TCutSession Session;
};

// Keys typed by the user: input of the desktop, not messages posted to a window.
class CutInputTest : public LongCutTest {
protected:
  CutInputTest() : LongCutTest(Movie(64, 48, 2000)) {}

  static void Type(UINT key, UINT modifier = 0)
  {
    if (modifier)
      ::keybd_event(static_cast<BYTE>(modifier), 0, 0, 0);
    ::keybd_event(static_cast<BYTE>(key), 0, 0, 0);
    ::keybd_event(static_cast<BYTE>(key), 0, KEYEVENTF_KEYUP, 0);
    if (modifier)
      ::keybd_event(static_cast<BYTE>(modifier), 0, KEYEVENTF_KEYUP, 0);
  }

  static DWORD MillisecondsToCloseByAltF4(const TCutSession& session)
  {
    const DWORD start = ::GetTickCount();
    Type(VK_F4, VK_MENU);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(session.Main()); }));
    return ::GetTickCount() - start;
  }
};

TEST_F(CutInputTest, TheCutKeyIsUsedUpAndTheCancelKeyStopsTheCut)
{
  StartLongCut();
  for (int i = 0; i < 10; ++i)
    Type(VK_SPACE);
  // Each turn of the cut takes one message: the presses (key down, character,
  // key up) are used up within some 30 frames.
  const std::size_t atSpaces = Session.OutputFiles().size();
  ASSERT_TRUE(Session.WaitForCutFile(CaptureName(static_cast<std::uint32_t>(atSpaces + 40))));

  // Counted once the cancel key waits in the program's queue, so that the
  // bound below is the program's, whatever delays this process.
  Type(VK_SPACE, VK_SHIFT);
  const std::size_t atCancel = Session.OutputFiles().size();
  const std::size_t written = Session.QuietFileCount();
  EXPECT_LT(written, atCancel + 8) << "the cut went on after the cancel key";
  // None of the Space presses became a single cut after the cut ended.
  ExpectCompleteRun(written);
}

TEST_F(CutInputTest, AltF4ClosesTheProgramAtOnceWithEveryFileComplete)
{
  // Closing takes its own time on a slow platform: measured on an idle run.
  TCutSession idle;
  ASSERT_TRUE(idle.WaitForMovie());
  ASSERT_TRUE(BringToFront(idle.Main()));
  const DWORD idleClose = MillisecondsToCloseByAltF4(idle);
  ASSERT_TRUE(BringToFront(Session.Main()));

  StartLongCut();
  const DWORD cutClose = MillisecondsToCloseByAltF4(Session);
  std::printf("[ timing ] Alt+F4 closes the window in %lu ms idle, %lu ms during a cut\n",
              static_cast<unsigned long>(idleClose), static_cast<unsigned long>(cutClose));
  EXPECT_LT(cutClose, idleClose + static_cast<DWORD>(Scaled(1000)));
  ASSERT_EQ(Session.Program().WaitForExit(20000), 0u);
  ExpectCompleteRun(Session.OutputFiles().size());
}

// Frames large enough that the file of one frame is still being written while
// the cut handles the next message.
class WriteInFlightTest : public LongCutTest {
protected:
  WriteInFlightTest() : LongCutTest(Movie(320, 240, 100)) {}
};

TEST_F(WriteInFlightTest, CancelEndsTheCutWithEveryFileCompleteAndInOrder)
{
  StartLongCutThen(WM_COMMAND, CM_CANCELCUT, 3);
  const std::size_t written = Session.QuietFileCount();
  EXPECT_LT(written, 100u) << "the cut went on after the cancel";
  ExpectCompleteRun(written, true);
}

TEST_F(WriteInFlightTest, ClosingEndsTheProgramWithEveryFileCompleteAndInOrder)
{
  StartLongCutThen(WM_CLOSE, 0, 3);
  ASSERT_EQ(Session.Program().WaitForExit(20000), 0u);
  const std::size_t written = Session.OutputFiles().size();
  EXPECT_LT(written, 100u) << "the cut went on after the close";
  ExpectCompleteRun(written, true);
}

// Only a picture the screen shows whole is cut.
class HiddenPictureTest : public LongCutTest {
protected:
  HiddenPictureTest() : LongCutTest(Movie(64, 48, 300)) {}
};

TEST_F(HiddenPictureTest, AContinuousCutWaitsWhileTheFrameIsMinimisedAndFinishesAfter)
{
  StartLongCut();
  ::ShowWindow(Session.Main(), SW_MINIMIZE);
  ASSERT_TRUE(WaitFor([&] { return ::IsIconic(Session.Main()) != 0; }));
  EXPECT_LT(Session.QuietFileCount(), 300u) << "the cut went on while minimised";
  ::ShowWindow(Session.Main(), SW_RESTORE);
  ASSERT_TRUE(Session.WaitForCutFile(CaptureName(299)));
  ExpectCompleteRun(300, true);
}

TEST_F(HiddenPictureTest, ASingleCutOfAPictureTheFrameCutsOffIsRefused)
{
  RECT frame;
  RECT movie;
  ::GetWindowRect(Session.Main(), &frame);
  ::GetWindowRect(Session.MovieWindow(), &movie);
  const auto moveBottomTo = [&](LONG bottom) {
    ::SetWindowPos(Session.Main(), nullptr, 0, 0, frame.right - frame.left, bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER);
  };
  moveBottomTo((movie.top + movie.bottom) / 2);
  Session.Command(CM_CUT);
  EXPECT_NE(TakeErrorBox(Session.Program()).find("隠れている"), std::string::npos);
  EXPECT_TRUE(Session.OutputFiles().empty());
  moveBottomTo(frame.bottom);
  Session.Command(CM_CUT);
  EXPECT_TRUE(Session.WaitForFile(CaptureName(0)));
}

TEST(OutputFolderTest, AStoredFolderAndFileNameStartNameTheFilesAndStayStored)
{
  TCutSession::TOptions options;
  options.FileNameStart = "shot_";
  TCutSession session(options);
  ASSERT_TRUE(session.WaitForMovie());
  session.Command(CM_CUT);
  EXPECT_TRUE(session.WaitForFile("shot_" + CaptureName(0)));
  ExpectClosedNormally(session);
  const std::string settings = session.StoredSettings();
  EXPECT_NE(settings.find("\r\nDir=" + session.OutputDir() + "shot_\r\n"), std::string::npos) << settings;
}

// ------------------------------------------------------- damaged and changed movies

// The first frames of the Cinepak movie are sound; from this one on, two in a
// hundred of each frame's bytes are changed, as damage on a disk or in a copy.
constexpr std::uint32_t FirstDamagedFrame = 5;

// The test movie, made Cinepak by ffmpeg and damaged with a fixed seed.
void MakeDamagedCinepak(const std::string& path)
{
  const std::string cinepak = path + ".cvid.avi";
  const std::string host = HostPath(path);
  ASSERT_TRUE(
    RunOnHost("ffmpeg -nostdin -v error -y -i '" + host + "' -c:v cinepak '" + HostPath(cinepak) + "'", path));
  std::string bytes = ReadWholeFile(cinepak);
  const TAviVideo video = ReadVideo(bytes);
  ASSERT_TRUE(video.Readable());
  std::mt19937 random(28);
  for (std::uint32_t frame = FirstDamagedFrame; frame < video.Frames.size(); ++frame) {
    const TAviFrameChunk& chunk = video.Frames[frame];
    for (std::uint32_t changed = 0; changed < std::max(1u, chunk.Size / 50); ++changed)
      bytes[chunk.Offset + random() % chunk.Size] = static_cast<char>(random());
  }
  ASSERT_TRUE(WriteWholeFile(path, bytes));
  ::DeleteFileA(cinepak.c_str());
}

class DamagedMovieTest : public testing::Test {
protected:
  static TCutSession::TOptions Options()
  {
    TCutSession::TOptions options;
    options.Movie.Frames = 30;
    options.Rework = MakeDamagedCinepak;
    return options;
  }

  void SetUp() override
  {
    ASSERT_NE(Session.Main(), nullptr);
    ASSERT_TRUE(Session.WaitForMovie());
  }

  void ExpectDamagedFrameTold(std::uint32_t frame)
  {
    const std::string told = TakeErrorBox(Session.Program());
    EXPECT_NE(told.find("こま " + std::to_string(frame) + " が壊れて"), std::string::npos) << told;
  }

  TCutSession Session{Options()};
};

TEST_F(DamagedMovieTest, SteppingOntoADamagedCinepakFrameIsRefusedAndTheProgramGoesOn)
{
  for (std::uint32_t frame = 1; frame <= FirstDamagedFrame; ++frame)
    Session.Command(CM_NEXTFRAME);
  ExpectDamagedFrameTold(FirstDamagedFrame);
  // The frame before stays shown, under its own number, and the program answers.
  Session.Command(CM_CUT);
  EXPECT_TRUE(Session.WaitForFile(CaptureName(FirstDamagedFrame - 1)));
  Session.Command(CM_NEXTFRAME);
  ExpectDamagedFrameTold(FirstDamagedFrame);
  Session.Command(CM_LASTFRAME);
  ExpectDamagedFrameTold(29);
  ExpectClosedNormally(Session);
}

TEST_F(DamagedMovieTest, PlayingStopsBeforeTheFirstDamagedFrame)
{
  // The last sound frame as the screen shows it, stepped to.
  const std::string lastSound = CaptureName(FirstDamagedFrame - 1);
  for (std::uint32_t frame = 1; frame < FirstDamagedFrame; ++frame)
    Session.Command(CM_NEXTFRAME);
  Session.Command(CM_CUT);
  ASSERT_TRUE(Session.WaitForFile(lastSound));
  const std::vector<std::uint32_t> restingPicture = PictureOf(Session.Output(lastSound)).Pixels;
  ::DeleteFileA((Session.OutputDir() + lastSound).c_str());
  // Another process's painting reaches the screen when Wine flushes it, a
  // moment after the command is handled.
  Session.Command(CM_FIRSTFRAME);
  ASSERT_TRUE(WaitFor([&] { return Session.ShownPicture().Pixels != restingPicture; }));

  // Played from the start, the movie comes to rest there, however long the
  // device takes to get there; played again, it stays.
  Session.Command(CM_PLAY);
  ASSERT_TRUE(WaitFor([&] { return Session.ShownPicture().Pixels == restingPicture; }));
  for (bool again : {false, true}) {
    if (again)
      Session.Command(CM_PLAY);
    Session.Command(CM_CUT);
    ASSERT_TRUE(Session.WaitForFile(lastSound));
    Session.Settle();
    EXPECT_EQ(Session.OutputFiles(), std::vector<std::string>{lastSound});
    ::DeleteFileA((Session.OutputDir() + lastSound).c_str());
  }
  ExpectClosedNormally(Session);
}

TEST_F(DamagedMovieTest, ACutStopsAtTheDamagedFrameWithEveryFileComplete)
{
  Session.Command(CM_MARKFROM);
  Session.Command(CM_CUT);
  ExpectDamagedFrameTold(FirstDamagedFrame);
  Session.Settle();
  std::vector<std::string> files = Session.OutputFiles();
  std::sort(files.begin(), files.end());
  ASSERT_EQ(files.size(), FirstDamagedFrame);
  for (std::uint32_t frame = 0; frame < FirstDamagedFrame; ++frame) {
    EXPECT_EQ(files[frame], CaptureName(frame));
    const TBmpFile bmp = Session.Output(CaptureName(frame));
    EXPECT_TRUE(bmp.Valid && bmp.FileSize == bmp.Bytes.size()) << CaptureName(frame);
  }
  ExpectClosedNormally(Session);
}

TEST(DroppedFramesTest, ADroppedFrameIsCutAsTheFrameBeforeItHoweverItIsReached)
{
  TCutSession::TOptions options;
  options.Movie.Frames = 30;
  options.Movie.Dropped = {3, 4, 5, 10};
  TCutSession session(options);
  ASSERT_TRUE(session.WaitForMovie());

  session.Command(CM_MARKFROM);
  session.Command(CM_CUT);
  ASSERT_TRUE(session.WaitForFile(CaptureName(29)));
  session.Settle();
  for (std::uint32_t frame = 0; frame < 30; ++frame) {
    ASSERT_TRUE(session.WaitForFile(CaptureName(frame)));
    EXPECT_EQ(session.PixelsDifferingFromFrame(session.Output(CaptureName(frame)), PictureFrame(options.Movie, frame)),
              0)
      << CaptureName(frame);
  }

  // Frame 5 reached from frame 6, which the device had just decoded.
  const std::string five = session.OutputDir() + CaptureName(5);
  ::DeleteFileA(five.c_str());
  session.Command(CM_FIRSTFRAME);
  for (int i = 0; i < 6; ++i)
    session.Command(CM_NEXTFRAME);
  session.Command(CM_PREVFRAME);
  session.Command(CM_CUT);
  ASSERT_TRUE(session.WaitForFile(CaptureName(5)));
  EXPECT_EQ(session.PixelsDifferingFromFrame(session.Output(CaptureName(5)), 2), 0);
  // And stepping on from there goes to frame 6, not back to the frame shown.
  ::DeleteFileA((session.OutputDir() + CaptureName(6)).c_str());
  session.Command(CM_NEXTFRAME);
  session.Command(CM_CUT);
  ASSERT_TRUE(session.WaitForFile(CaptureName(6)));
  EXPECT_EQ(session.PixelsDifferingFromFrame(session.Output(CaptureName(6)), 6), 0);
}

class TruncatedDuringCutTest : public LongCutTest {
protected:
  // As wide as the device's window can be narrow, so that each file's
  // picture is the movie's frame.
  TruncatedDuringCutTest() : LongCutTest(Movie(120, 32, 2000)) {}
};

TEST_F(TruncatedDuringCutTest, TheCutStopsAtTheFirstFrameNoLongerInTheFile)
{
  // The file is cut inside frame 1000's data while the cut runs.
  const TAviVideo video = ReadAviVideo(Session.MoviePath());
  ASSERT_TRUE(video.Readable());
  const std::uint64_t keep = video.Frames[1000].Offset + 100;
  StartLongCut();
  {
    // However slow the host program is to start, the cut has not got there.
    const TThreadHold held(Session.Main());
    ASSERT_TRUE(held.Held());
    ASSERT_TRUE(RunOnHost("truncate -s " + std::to_string(keep) + " '" + HostPath(Session.MoviePath()) + "'",
                          Session.MoviePath()));
  }
  std::string told;
  WaitWhileProgressing([&] { return !(told = TakeErrorBox(Session.Program(), 0)).empty(); },
                       [&] { return static_cast<long long>(Session.OutputFiles().size()); });
  EXPECT_NE(told.find("途中で切れて"), std::string::npos) << told;
  const std::size_t written = Session.QuietFileCount();
  EXPECT_GE(written, 1000u);
  EXPECT_NE(told.find("こま " + std::to_string(written) + " "), std::string::npos) << told;
  ExpectCompleteRun(written, true);
  ExpectClosedNormally(Session);
}

}  // namespace
