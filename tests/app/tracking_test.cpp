// The main frame's bars following the movie: the real frame in this process,
// driven with commands, mouse messages and its own timer ticks.
#include "app/frame/sdidecframe.h"
#include "controls/hslider.h"
#include "gadgets/buttongadget.h"
#include "gadgets/controlbar.h"
#include "gadgets/statusbar.h"
#include "gadgets/textgadget.h"
#include "resources/resource.h"
#include "framework/dialogs/inputdialog.rh"
#include "tests/app/cut_session.h"
#include "tests/dialogs/dialog_driver.h"
#include "tests/support/bmpfile.h"
#include "tests/support/program.h"
#include "tests/support/settingsfile.h"
#include "tests/support/testapp.h"
#include "tools/avi/avi_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>
#include <vector>

namespace {

// Sees every message this thread takes from its queue, so also those taken
// inside a continuous cut, whose own pump then is the only loop running.
class TMessageWatcher {
public:
  explicit TMessageWatcher(std::function<void(const MSG&)> see)
  {
    See = std::move(see);
    Hook = ::SetWindowsHookExA(WH_GETMESSAGE, Watch, nullptr, ::GetCurrentThreadId());
  }
  ~TMessageWatcher()
  {
    ::UnhookWindowsHookEx(Hook);
    See = nullptr;
  }
  TMessageWatcher(const TMessageWatcher&) = delete;
  TMessageWatcher& operator=(const TMessageWatcher&) = delete;

private:
  static LRESULT CALLBACK Watch(int code, WPARAM removed, LPARAM message)
  {
    if (code == HC_ACTION && removed == PM_REMOVE && See)
      See(*reinterpret_cast<const MSG*>(message));
    return ::CallNextHookEx(nullptr, code, removed, message);
  }

  static std::function<void(const MSG&)> See;
  HHOOK Hook;
};
std::function<void(const MSG&)> TMessageWatcher::See;

// The number that follows a prefix (and blanks) in a text, or -1.
int NumberAfter(const std::string& text, const std::string& prefix)
{
  const bool found = text.compare(0, prefix.size(), prefix) == 0;
  return found ? static_cast<int>(std::strtol(text.c_str() + prefix.size(), nullptr, 10)) : -1;
}

template <class T> std::vector<T*> ChildrenOf(TWindow& parent)
{
  std::vector<T*> found;
  for (TWindow* child : parent.Children())
    if (auto* match = dynamic_cast<T*>(child))
      found.push_back(match);
  return found;
}

template <class T> std::vector<T*> GadgetsOf(TGadgetWindow& window)
{
  std::vector<T*> found;
  for (TGadget* gadget = window.FirstGadget(); gadget; gadget = gadget->NextGadget())
    if (auto* match = dynamic_cast<T*>(gadget))
      found.push_back(match);
  return found;
}

LPARAM At(const TPoint& p)
{
  return MAKELPARAM(p.x, p.y);
}

// Closes the error boxes this thread shows while it lives (the frame runs in
// the test's own thread, so its message boxes run their loop here), keeping
// their texts.
class TErrorBoxCloser {
public:
  TErrorBoxCloser() : Timer(::SetTimer(nullptr, 0, 50, Close)) { Told.clear(); }
  ~TErrorBoxCloser() { ::KillTimer(nullptr, Timer); }
  TErrorBoxCloser(const TErrorBoxCloser&) = delete;
  TErrorBoxCloser& operator=(const TErrorBoxCloser&) = delete;

  static std::vector<std::string> Told;

private:
  static void CALLBACK Close(HWND, UINT, UINT_PTR, DWORD)
  {
    HWND box = nullptr;
    while ((box = ::FindWindowExA(nullptr, box, "#32770", "エラー")))
      if (::GetWindowThreadProcessId(box, nullptr) == ::GetCurrentThreadId() && ::IsWindowVisible(box)) {
        Told.push_back(DialogItemText(box, 0xFFFF));
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
      }
  }

  UINT_PTR Timer;
};
std::vector<std::string> TErrorBoxCloser::Told;

class TrackingTest : public testing::Test {
protected:
  TrackingTest()
  {
    Movie.Frames = 250;
    Movie.Rate = 30;
  }

  // Puts a movie of two frames of the pattern at the given size in place of
  // the test's own.
  void WriteTwoFrameMovie(std::uint32_t width, std::uint32_t height, std::uint16_t bitCount = 32)
  {
    TTestMovie movie;
    movie.Width = width;
    movie.Height = height;
    movie.Frames = 2;
    movie.BitCount = bitCount;
    WriteTestMovie(MoviePath, movie);
  }

  void SetUp() override
  {
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof temp, temp);
    MoviePath = std::string(temp) + "velmo-tracking.avi";
    WriteTestMovie(MoviePath, Movie);
    OutputDir = std::string(temp) + "velmo-tracking-out\\";
    std::filesystem::remove_all(OutputDir);
    std::filesystem::create_directory(OutputDir);
    Settings.Write("[Screen]\r\nDir=" + OutputDir + "\r\n");
    Frame = std::make_unique<SDIDecFrame>();  // reads the settings just written
    Frame->Create();
    ::ShowWindow(Frame->GetHandle(), SW_SHOW);
    // Counts the frame's timer ticks; a test may look at the bars meanwhile.
    Watcher = std::make_unique<TMessageWatcher>([this](const MSG& msg) {
      Ticks += msg.message == WM_TIMER && msg.hwnd == Frame->GetHandle();
      if (Look)
        Look();
    });

    TControlBar* buttons = ChildrenOf<TControlBar>(*Frame).at(0);
    Readouts = ChildrenOf<TControlBar>(*Frame).at(1);
    ButtonBar = buttons;
    Status = ChildrenOf<TStatusBar>(*Frame).at(0);
    Slider = ChildrenOf<THSlider>(*buttons).at(0);
  }

  void TearDown() override
  {
    Watcher.reset();
    Frame->Destroy();
    Frame.reset();
    ::DeleteFileA(MoviePath.c_str());
    std::filesystem::remove_all(OutputDir);
  }

  std::vector<std::string> OutputFiles() const
  {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(OutputDir))
      files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
  }

  void WaitForTicks(int count)
  {
    const int until = Ticks + count;
    ASSERT_TRUE(PumpUntil(
      App, [&] { return Ticks >= until; }, 10000));
  }

  std::string Pane(int id)
  {
    for (TTextGadget* pane : GadgetsOf<TTextGadget>(*Readouts))
      if (pane->GetId() == id)
        return pane->GetText() ? pane->GetText() : "";
    return "(none)";
  }
  std::string FramePane() { return Pane(0); }
  std::string SizePane() { return Pane(1); }
  std::string TimePane() { return Pane(2); }
  std::string ScalePane() { return Pane(3); }
  std::string MessagePane()
  {
    const char* text = GadgetsOf<TTextGadget>(*Status).at(0)->GetText();
    return text ? text : "";
  }

  static std::string FrameText(unsigned position, unsigned length)
  {
    char text[32];
    std::snprintf(text, sizeof text, "frame:%4u/%4u", position, length);
    return text;
  }

  TButtonGadget* Button(int id)
  {
    for (TButtonGadget* button : GadgetsOf<TButtonGadget>(*ButtonBar))
      if (button->GetId() == id)
        return button;
    return nullptr;
  }

  void Command(int id) { ::PostMessageA(Frame->GetHandle(), WM_COMMAND, id, 0); }

  // Opens the go-to dialog and types the text over what it offers, then
  // Enter; the driver lives until the dialog is done.
  std::unique_ptr<TDialogDriver> GoTo(const std::string& typed)
  {
    auto driver = std::make_unique<TDialogDriver>(Frame->GetHandle());
    driver->Then([typed](HWND box) {
      const HWND edit = ::GetDlgItem(box, IDC_INPUTEDIT);
      ::SendMessageA(edit, EM_SETSEL, 0, -1);
      Drive::PostChars(edit, typed.c_str());
      Drive::PostKey(edit, VK_RETURN);
      return true;
    });
    Command(CM_GOTO);
    return driver;
  }

  // Goes to what is typed and waits for the readouts to show frame.
  void ExpectGoTo(const std::string& typed, unsigned frame, const std::string& time)
  {
    const auto driver = GoTo(typed);
    EXPECT_TRUE(PumpUntil(
      App, [&] { return driver->Finished() && FramePane() == FrameText(frame, Movie.Frames); }, 10000))
      << typed << ": " << FramePane();
    EXPECT_EQ(TimePane(), "time:" + time) << typed;
  }

  void DragThumbTo(int position)
  {
    const HWND slider = Slider->GetHandle();
    const TPoint grab = Slider->ThumbPointFor(Slider->GetPosition());
    const TPoint target = Slider->ThumbPointFor(position);
    const TPoint grabPoint(grab.x + 4, 10);
    ::SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, At(grabPoint));
    ::SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, At(TPoint(target.x + 4, 10)));
    ::SendMessageA(slider, WM_LBUTTONUP, 0, At(TPoint(target.x + 4, 10)));
  }

  // One drag that takes the thumb by pixels away and back to where it was
  // grabbed: whichever of the positions its pixel holds the thumb had, it has
  // that one again.
  void DragThumbAwayAndBack(int pixels)
  {
    const HWND slider = Slider->GetHandle();
    const TPoint grab(Slider->ThumbPointFor(Slider->GetPosition()).x + 4, 10);
    ::SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, At(grab));
    ::SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, At(TPoint(grab.x + pixels, grab.y)));
    ::SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, At(grab));
    ::SendMessageA(slider, WM_LBUTTONUP, 0, At(grab));
  }

  TTestMovie Movie;
  std::string OutputDir;
  TSettingsFile Settings;
  TTestApp App;
  std::unique_ptr<SDIDecFrame> Frame;
  std::unique_ptr<TMessageWatcher> Watcher;
  int Ticks = 0;
  std::function<void()> Look;
  TGadgetWindow* ButtonBar = nullptr;
  TGadgetWindow* Readouts = nullptr;
  TStatusBar* Status = nullptr;
  THSlider* Slider = nullptr;
  std::string MoviePath;
};

TEST_F(TrackingTest, PanesShowFrameAndSizeAndKeepThemAfterTheMovieCloses)
{
  EXPECT_EQ(FramePane(), "");
  Frame->OpenMovie(MoviePath.c_str());
  for (int i = 0; i < 7; ++i)
    Command(CM_NEXTFRAME);
  WaitForTicks(2);
  EXPECT_EQ(FramePane(), "frame:   7/ 250");
  EXPECT_EQ(SizePane(), "size: 160* 120");
  EXPECT_EQ(Slider->GetPosition(), 7);

  // What one tick costs, the movie open and stopped.
  std::vector<double> ms;
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  for (int i = 0; i < 51; ++i) {
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    ::SendMessageA(Frame->GetHandle(), WM_TIMER, 1, 0);
    ::QueryPerformanceCounter(&end);
    ms.push_back(1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
  }
  std::sort(ms.begin(), ms.end());
  std::printf("[ timing ] one tick: median %.2f ms (min %.2f, max %.2f)\n", ms[25], ms.front(), ms.back());

  Command(CM_FILECLOSE);
  WaitForTicks(2);
  EXPECT_EQ(FramePane(), "frame:   7/ 250");
  EXPECT_EQ(SizePane(), "size: 160* 120");
}

TEST_F(TrackingTest, TheThumbSeeksAtTheNextTickAndFollowsPlayback)
{
  Frame->OpenMovie(MoviePath.c_str());
  WaitForTicks(1);
  // A page click right of the thumb: ten frames on.
  const TPoint thumb = Slider->ThumbPointFor(0);
  ::SendMessageA(Slider->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, At(TPoint(thumb.x + 60, 10)));
  ::SendMessageA(Slider->GetHandle(), WM_LBUTTONUP, 0, At(TPoint(thumb.x + 60, 10)));
  WaitForTicks(2);
  EXPECT_EQ(FramePane(), FrameText(10, 250));

  // Playing, the thumb follows the movie. A pixel of the track holds about
  // two frames: the thumb is taken where a drag can bring it back exactly,
  // with frames still to play (a busy machine may first see the movie end:
  // it plays again from its start).
  Command(CM_PLAY);
  bool restarted = false;
  ASSERT_TRUE(PumpUntil(App, [&] {
    const int at = Slider->GetPosition();
    if (at == 249 && !restarted) {
      Command(CM_FIRSTFRAME);
      Command(CM_PLAY);
    }
    restarted = at == 249;
    return at > 10 && at < 200 && Slider->PositionAt(Slider->ThumbPointFor(at)) == at;
  }));
  const int followed = Slider->GetPosition();
  // Away and back before a tick: no seek, the movie plays on.
  DragThumbAwayAndBack(50);
  WaitForTicks(2);
  EXPECT_GT(Slider->GetPosition(), followed);

  // Dragged during playback: the movie stops on the chosen frame.
  DragThumbTo(200);
  const int chosen = Slider->GetPosition();
  EXPECT_NEAR(chosen, 200, 2);
  WaitForTicks(3);
  EXPECT_EQ(FramePane(), FrameText(static_cast<unsigned>(chosen), 250));
  EXPECT_EQ(Slider->GetPosition(), chosen);
}

TEST_F(TrackingTest, ButtonsFollowTheEnablingPassAndCommandTheFrame)
{
  for (TButtonGadget* button : GadgetsOf<TButtonGadget>(*ButtonBar))
    EXPECT_FALSE(button->IsEnabled()) << button->GetId();
  Frame->IdleAction(0);
  EXPECT_TRUE(Button(CM_FILEOPEN)->IsEnabled());
  EXPECT_FALSE(Button(CM_NEXTFRAME)->IsEnabled());

  Frame->OpenMovie(MoviePath.c_str());
  Frame->IdleAction(0);
  ASSERT_TRUE(Button(CM_NEXTFRAME)->IsEnabled());
  const TRect next = Button(CM_NEXTFRAME)->GetBounds();
  const TPoint centre((next.left + next.right) / 2, (next.top + next.bottom) / 2);
  ::SendMessageA(ButtonBar->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, At(centre));
  ::SendMessageA(ButtonBar->GetHandle(), WM_LBUTTONUP, 0, At(centre));
  WaitForTicks(2);
  EXPECT_EQ(FramePane(), FrameText(1, 250));
}

TEST_F(TrackingTest, ButtonAndMenuHintsShowInTheStatusBar)
{
  Frame->IdleAction(0);
  const TRect play = Button(CM_PLAY)->GetBounds();
  ::SendMessageA(ButtonBar->GetHandle(), WM_MOUSEMOVE, 0, At(TPoint(play.left + 5, play.top + 5)));
  ASSERT_NE(Status->GetHint(), nullptr);
  EXPECT_STREQ(Status->GetHint(), "再生");

  ::SendMessageA(Frame->GetHandle(), WM_MENUSELECT, MAKEWPARAM(CM_CUT, MF_HILITE), 0);
  ::SendMessageA(Frame->GetHandle(), WM_ENTERIDLE, MSGF_MENU, 0);
  ASSERT_NE(Status->GetHint(), nullptr);
  EXPECT_STREQ(Status->GetHint(), "(連続)切り取り");

  // A command without a hint string blanks the bar as well.
  ::SendMessageA(Frame->GetHandle(), WM_MENUSELECT, MAKEWPARAM(CM_EXITCOMMAND, MF_HILITE), 0);
  ::SendMessageA(Frame->GetHandle(), WM_ENTERIDLE, MSGF_MENU, 0);
  ASSERT_NE(Status->GetHint(), nullptr);
  EXPECT_STREQ(Status->GetHint(), "");
}

TEST_F(TrackingTest, TheMarkedRangeShowsInTheStatusBarWhileAMarkIsSet)
{
  Frame->OpenMovie(MoviePath.c_str());
  for (int i = 0; i < 7; ++i)
    Command(CM_NEXTFRAME);
  Command(CM_MARKFROM);
  ASSERT_TRUE(PumpUntil(App, [&] { return !MessagePane().empty(); }));
  // Only the start: to the last frame.
  EXPECT_EQ(MessagePane(), "範囲: 7 ～ 249 こま");
  Command(CM_PREVFRAME);
  Command(CM_PREVFRAME);
  Command(CM_MARKTO);
  ASSERT_TRUE(PumpUntil(App, [&] { return MessagePane() != "範囲: 7 ～ 249 こま"; }));
  EXPECT_EQ(MessagePane(), "範囲: 7 ～ 5 こま (始めが終わりより後ろです)");

  // A movie opened anew has no marks; only the end: from frame 0.
  Frame->OpenMovie(MoviePath.c_str());
  EXPECT_EQ(MessagePane(), "");
  Command(CM_NEXTFRAME);
  Command(CM_MARKTO);
  ASSERT_TRUE(PumpUntil(App, [&] { return !MessagePane().empty(); }));
  EXPECT_EQ(MessagePane(), "範囲: 0 ～ 1 こま");

  Command(CM_FILECLOSE);
  ASSERT_TRUE(PumpUntil(App, [&] { return MessagePane().empty(); }));
}

TEST_F(TrackingTest, DuringPlaybackTheReadoutKeepsUpWithThePicture)
{
  Frame->OpenMovie(MoviePath.c_str());
  const HWND movieWindow = ::GetWindow(::GetWindow(Frame->GetHandle(), GW_CHILD), GW_CHILD);
  TPatternLook look;
  look.Movie.Frames = 250;
  Command(CM_PLAY);
  // How far the frame the readout names is from the one on screen, looked at
  // as often as the messages allow while two seconds of the movie play, and
  // at least ten times: a busy machine may look seldom, then the movie plays
  // again from its start.
  std::vector<int> lags;
  int shown = 0;
  while (shown < 60 || lags.size() < 10) {
    PumpMessages(App);
    shown = look.FrameIn(ScreenPictureOf(movieWindow));
    unsigned position = 0;
    if (shown >= 0 && std::sscanf(FramePane().c_str(), "frame:%u", &position) == 1)
      lags.push_back(std::abs(static_cast<int>(position) - shown));
    ASSERT_LT(lags.size(), 100000u) << "the movie does not play on";
    if (shown == static_cast<int>(look.Movie.Frames) - 1) {
      Command(CM_FIRSTFRAME);
      Command(CM_PLAY);
    }
  }
  std::sort(lags.begin(), lags.end());
  std::printf("[ facts  ] readout against picture during playback (%u looks): median %d, most %d frames apart\n",
              static_cast<unsigned>(lags.size()), lags[lags.size() / 2], lags.back());
  EXPECT_LE(lags[lags.size() / 2], 2);
}

TEST_F(TrackingTest, GoToTakesAFrameOrATimeInEachFormAndRefusesWhatNamesNoFrame)
{
  Frame->OpenMovie(MoviePath.c_str());  // 250 frames at 30 a second
  EXPECT_TRUE(PumpUntil(App, [&] { return TimePane() == "time:0:00:00.000"; })) << TimePane();
  ExpectGoTo("100", 100, "0:00:03.333");
  ExpectGoTo("3s", 90, "0:00:03.000");
  ExpectGoTo("0:00:04.999", 149, "0:00:04.967");  // the last frame at or before the time
  ExpectGoTo("0:00:03.333", 100, "0:00:03.333");  // as the readout shows it
  ExpectGoTo("0:00.5", 15, "0:00:00.500");
  Command(CM_MARKFROM);
  ExpectGoTo("20", 20, "0:00:00.667");
  Command(CM_MARKTO);
  EXPECT_TRUE(PumpUntil(App, [&] { return MessagePane().find("15 ～ 20") != std::string::npos; })) << MessagePane();

  TErrorBoxCloser closer;
  for (const char* typed : {"250", "8.4", "abc", "1:75"}) {
    const std::size_t told = TErrorBoxCloser::Told.size();
    const auto driver = GoTo(typed);
    ASSERT_TRUE(PumpUntil(
      App, [&] { return TErrorBoxCloser::Told.size() > told; }, 10000))
      << typed;
    const std::string& message = TErrorBoxCloser::Told.back();
    EXPECT_NE(message.find(std::string("「") + typed + "」"), std::string::npos) << message;
    EXPECT_NE(message.find("0 ～ 249、時刻は 0:00:00.000 ～ 0:00:08.300"), std::string::npos) << message;
    EXPECT_EQ(FramePane(), FrameText(20, Movie.Frames)) << typed;
  }
}

TEST_F(TrackingTest, ACopyShowsAndGoesToItsSourcesOwnTimes)
{
  // A copy of a variable-rate movie's stretch from its frame 2, whose times
  // start at 1.5 s: frames 0 and 1 are empty placeholders without a time.
  Movie.Frames = 6;
  Movie.Dropped = {0, 1};
  Movie.FirstTimedFrame = 2;
  Movie.SourceTimes = {1500000, 1540000, 1700000, 2000000};
  WriteTestMovie(MoviePath, Movie);
  Frame->OpenMovie(MoviePath.c_str());
  EXPECT_TRUE(PumpUntil(App, [&] { return TimePane() == "time:0:00:01.500"; })) << TimePane();
  ExpectGoTo("1.99", 4, "0:00:01.700");
  ExpectGoTo("3", 3, "0:00:01.540");
  Command(CM_LASTFRAME);
  EXPECT_TRUE(PumpUntil(App, [&] { return TimePane() == "time:0:00:02.000"; })) << TimePane();
  Command(CM_FIRSTFRAME);
  EXPECT_TRUE(PumpUntil(App, [&] { return TimePane() == "time:  -"; })) << TimePane();

  TErrorBoxCloser closer;
  const auto driver = GoTo("1.2");
  ASSERT_TRUE(PumpUntil(
    App, [&] { return !TErrorBoxCloser::Told.empty(); }, 10000));
  EXPECT_NE(TErrorBoxCloser::Told[0].find("0 ～ 5、時刻は 0:00:01.500 ～ 0:00:02.000"), std::string::npos)
    << TErrorBoxCloser::Told[0];
}

TEST_F(TrackingTest, AMovieLargerThanTheScreenIsSaidAndShowsItsOwnSize)
{
  // A palette movie is cut through the screen, its rows not being the
  // screen's: the picture the screen cannot show whole is said.
  WriteTwoFrameMovie(200, 1100, 8);
  {
    TErrorBoxCloser closer;
    Frame->OpenMovie(MoviePath.c_str());
  }
  ASSERT_EQ(TErrorBoxCloser::Told.size(), 1u);
  EXPECT_NE(TErrorBoxCloser::Told[0].find("(200 × 1100)"), std::string::npos) << TErrorBoxCloser::Told[0];
  WaitForTicks(2);
  EXPECT_EQ(SizePane(), "size: 200*1100");
}

TEST_F(TrackingTest, AMovieLargerThanTheScreenIsShownScaledAndCutWholeFromItsFile)
{
  WriteTwoFrameMovie(2400, 1800);
  TErrorBoxCloser closer;
  Frame->OpenMovie(MoviePath.c_str());
  WaitForTicks(2);
  EXPECT_TRUE(TErrorBoxCloser::Told.empty());  // its cuts come from the file
  EXPECT_EQ(SizePane(), "size:2400*1800");
  const int percent = NumberAfter(ScalePane(), "表示 ");
  ASSERT_GT(percent, 0) << ScalePane();
  ASSERT_LT(percent, 100);

  // The window shows the whole picture at that scale.
  RECT inner;
  ::GetClientRect(ShownMovieWindow(Frame->GetHandle()), &inner);
  EXPECT_EQ(inner.right, 2400 * percent / 100);
  EXPECT_EQ(inner.bottom, 1800 * percent / 100);

  Command(CM_NEXTFRAME);
  Command(CM_CUT);
  ASSERT_TRUE(PumpUntil(
    App, [&] { return OutputFiles().size() == 1; }, 60000));
  const TBmpFile cut = ReadBmp(OutputDir + OutputFiles()[0]);
  EXPECT_EQ(cut.Width, 2400);
  EXPECT_EQ(cut.Height, 1800);
  // From the file, pixel for pixel (a sample of them).
  for (int y = 0; y < 1800; y += 97)
    for (int x = 0; x < 2400; x += 89) {
      const TRgb want = ExpectedPixel(1, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
      ASSERT_EQ(cut.Pixel(x, y), std::uint32_t{want.R} << 16 | std::uint32_t{want.G} << 8 | want.B) << x << "," << y;
    }
}

TEST_F(TrackingTest, AMovieNarrowerThanItsWindowCanBeShowsItsOwnSize)
{
  WriteTwoFrameMovie(50, 40);
  Frame->OpenMovie(MoviePath.c_str());
  WaitForTicks(2);
  EXPECT_EQ(SizePane(), "size:  50*  40");
  // The frame is wide enough for the readouts up to the time, however small
  // the movie.
  RECT bar;
  ::GetClientRect(Readouts->GetHandle(), &bar);
  EXPECT_LE(GadgetsOf<TTextGadget>(*Readouts).at(2)->GetBounds().right, bar.right);
}

TEST_F(TrackingTest, ASingleCutTellsItsEndAsARangeDoesAndARangeRestsOnItsLastFrame)
{
  Frame->OpenMovie(MoviePath.c_str());
  const auto waitForEnd = [&](const std::string& text) {
    EXPECT_TRUE(PumpUntil(
      App, [&] { return MessagePane() == text; }, 20000))
      << MessagePane();
  };
  Command(CM_NEXTFRAME);
  Command(CM_NEXTFRAME);
  Command(CM_CUT);
  waitForEnd("切り取り終了  1 こまを書き込みました: " + OutputDir);
  EXPECT_EQ(OutputFiles(), std::vector<std::string>{CaptureName(2)});

  Command(CM_MARKFROM);
  Command(CM_NEXTFRAME);
  Command(CM_NEXTFRAME);
  Command(CM_MARKTO);
  Command(CM_CUT);
  waitForEnd("切り取り終了  3 こまを書き込みました: " + OutputDir);
  EXPECT_EQ(FramePane(), FrameText(4, Movie.Frames));
}

// A long cut: a movie of 1500 small frames, marked whole.
class CutTrackingTest : public TrackingTest {
protected:
  CutTrackingTest()
  {
    Movie.Width = 128;
    Movie.Height = 48;
    Movie.Frames = 1500;
  }

  // Cuts the whole movie, looking at the bars whenever a message is taken,
  // until the status bar tells how the cut ended.
  void Cut(const std::function<void()>& look, const char* end)
  {
    Command(CM_FIRSTFRAME);
    Command(CM_MARKFROM);
    Command(CM_LASTFRAME);
    Command(CM_MARKTO);
    Command(CM_CUT);
    Look = look;
    // For as long as the cut goes on, however fast this machine cuts.
    TStallWatch moving([&] { return static_cast<long long>(CutCount()); });
    const auto ended = [&] { return MessagePane().rfind(end, 0) == 0; };
    PumpUntil(
      App, [&] { return ended() || moving.Stalled(); }, INT_MAX);
    EXPECT_TRUE(ended()) << end;
    Look = nullptr;
  }
  int CutCount() { return NumberAfter(MessagePane(), "切り取り中  "); }
};

TEST_F(CutTrackingTest, ReadoutsThumbAndProgressFollowACutWhichTheCancelButtonStops)
{
  Frame->OpenMovie(MoviePath.c_str());
  std::vector<int> frames, thumbs, counts;  // what the bars show during the cut, as it changes
  const auto see = [](std::vector<int>& values, int value) {
    if (values.empty() || values.back() != value)
      values.push_back(value);
  };
  Cut(
    [&] {
      if (CutCount() >= 0) {
        see(frames, NumberAfter(FramePane(), "frame:"));
        see(thumbs, Slider->GetPosition());
        see(counts, CutCount());
      }
    },
    "切り取り終了");
  EXPECT_EQ(MessagePane(), "切り取り終了  1500 こまを書き込みました: " + OutputDir);
  EXPECT_EQ(OutputFiles().size(), 1500u);
  for (const std::vector<int>* values : {&frames, &thumbs, &counts}) {
    EXPECT_GE(values->size(), 3u);
    EXPECT_TRUE(std::is_sorted(values->begin(), values->end()));
  }

  // Again, with a click of the user's mouse on the cancel button mid-cut.
  std::filesystem::remove_all(OutputDir);
  std::filesystem::create_directory(OutputDir);
  Frame->IdleAction(0);
  EXPECT_FALSE(Button(CM_CANCELCUT)->IsEnabled());  // no cut runs
  const TRect button = Button(CM_CANCELCUT)->GetBounds();
  POINT centre = {(button.left + button.right) / 2, (button.top + button.bottom) / 2};
  ::ClientToScreen(ButtonBar->GetHandle(), &centre);
  ::SetCursorPos(centre.x, centre.y);
  std::promise<void> midCut;
  std::thread user([started = midCut.get_future()] {
    if (started.wait_for(std::chrono::minutes(1)) == std::future_status::ready)
      for (DWORD action : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP})
        ::mouse_event(action, 0, 0, 0, 0);
  });
  bool clicked = false;
  Cut(
    [&] {
      if (!clicked && CutCount() >= 100) {
        clicked = true;
        midCut.set_value();
      }
    },
    "キャンセルで中止しました");
  if (!clicked)
    midCut.set_value();
  user.join();
  const std::vector<std::string> files = OutputFiles();
  EXPECT_EQ(static_cast<int>(files.size()), NumberAfter(MessagePane(), "キャンセルで中止しました  "));
  EXPECT_LT(files.size(), 1500u);
  for (std::uint32_t frame = 0; frame < files.size(); ++frame) {
    ASSERT_EQ(files[frame], CaptureName(frame));
    const TPicture picture = PictureOf(ReadBmp(OutputDir + files[frame]));
    EXPECT_EQ(TPatternLook{Movie}.PixelsDifferingFromFrame(picture, frame), 0) << files[frame];
  }
  Frame->IdleAction(0);
  EXPECT_FALSE(Button(CM_CANCELCUT)->IsEnabled());
}

}  // namespace
