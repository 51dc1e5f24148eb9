// Movies of the kinds users bring (H.264 with B-frames, 10-bit HEVC, VP9,
// variable frame rates, interlaced MPEG-2, transport streams, a first time
// other than 0), prepared by velmoserve and served to the real program: every
// frame reached by stepping, by the slider and by a range cut is ffmpeg's
// decode of that frame, on the screen and in the file, pixel for pixel.
// Run by run_served_movie_test.sh, which makes the movies, their reference
// decodes and the servers, and names them in the environment:
//   VELMO_FRAME_SERVER, VELMO_FRAME_SECRET   the server every program uses
//   VELMO_SERVED_MOVIES                      the movies' list (see TServedMovie)
//   VELMO_SERVED_SPARE                       "<address> <pid> <secret>": a server the test may kill
#include "controls/sliderscale.h"
#include "framework/dialogs/inputdialog.rh"
#include "resources/resource.h"
#include "tests/app/cut_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace {

std::string Environment(const char* name)
{
  char value[1024];
  const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
  return length && length < sizeof value ? std::string(value, length) : std::string();
}

// A message of the program (code page 932) as the test's output shows it.
std::string Readable(const std::string& text)
{
  std::wstring wide(text.size() + 1, L'\0');
  wide.resize(static_cast<std::size_t>(::MultiByteToWideChar(932, 0, text.c_str(), static_cast<int>(text.size()),
                                                             wide.data(), static_cast<int>(wide.size()))));
  std::string utf8(wide.size() * 3 + 1, '\0');
  utf8.resize(
    static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), utf8.data(),
                                                   static_cast<int>(utf8.size()), nullptr, nullptr)));
  return utf8;
}

// The program's error box dismissed, its text readable ("" when none came).
std::string ErrorBoxText(TCutSession& session, int timeoutMs = 100)
{
  return Readable(TakeErrorBox(session.Program(), timeoutMs));
}

// One line of the movies' list, fields apart by tabs: kind, index AVI (a host
// path), frame count, width, height, and the host path of every frame as
// ffmpeg decodes it (packed BGR, top row first, one frame after another); or
// kind, "refused", and what velmoserve said.
struct TServedMovie {
  std::string Kind;
  std::string IndexAvi;  // a Windows path
  std::uint32_t Frames = 0;
  int Width = 0;
  int Height = 0;
  std::string Decoded;  // the frames' bytes
  std::string Refusal;

  std::uint32_t Last() const { return Frames - 1; }

  // Frame n as ffmpeg decodes it.
  TPicture Picture(std::uint32_t frame) const
  {
    TPicture picture;
    const std::size_t bytes = static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) * 3;
    if (frame >= Frames || Decoded.size() < (frame + 1) * bytes)
      return picture;
    picture.Width = Width;
    picture.Height = Height;
    const auto* bgr = reinterpret_cast<const std::uint8_t*>(Decoded.data()) + frame * bytes;
    for (std::size_t i = 0; i < bytes; i += 3)
      picture.Pixels.push_back(static_cast<std::uint32_t>(bgr[i + 2]) << 16 |
                               static_cast<std::uint32_t>(bgr[i + 1]) << 8 | bgr[i]);
    return picture;
  }

  // How a picture that should be frame n differs from it, for a failure's
  // message: the pixels that differ, and which frame it is instead, if any.
  std::string Difference(const TPicture& picture, std::uint32_t frame) const
  {
    std::ostringstream told;
    const TPicture expected = Picture(frame);
    if (picture.Width != expected.Width || picture.Height != expected.Height) {
      told << "a picture of " << picture.Width << "x" << picture.Height << " for one of " << expected.Width << "x"
           << expected.Height;
      return told.str();
    }
    std::size_t differing = 0;
    int most = 0;
    for (std::size_t i = 0; i < picture.Pixels.size(); ++i) {
      differing += picture.Pixels[i] != expected.Pixels[i];
      for (int shift : {0, 8, 16})
        most = std::max(most, std::abs(static_cast<int>(picture.Pixels[i] >> shift & 0xFF) -
                                       static_cast<int>(expected.Pixels[i] >> shift & 0xFF)));
    }
    told << differing << " pixels differ from frame " << frame << " (by up to " << most << ")";
    for (std::uint32_t other = 0; other < Frames; ++other)
      if (other != frame && Picture(other).Pixels == picture.Pixels)
        told << "; it is frame " << other;
    return told.str();
  }
};

std::map<std::string, TServedMovie> ReadServedMovies()
{
  std::map<std::string, TServedMovie> movies;
  std::istringstream lines(ReadWholeFile(WindowsPath(Environment("VELMO_SERVED_MOVIES"))));
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, '\t');)
      fields.push_back(field);
    TServedMovie movie;
    movie.Kind = fields.at(0);
    if (fields.size() == 3 && fields[1] == "refused") {
      movie.Refusal = fields[2];
    } else if (fields.size() == 6) {
      movie.IndexAvi = WindowsPath(fields[1]);
      movie.Frames = static_cast<std::uint32_t>(std::stoul(fields[2]));
      movie.Width = std::stoi(fields[3]);
      movie.Height = std::stoi(fields[4]);
      movie.Decoded = ReadWholeFile(WindowsPath(fields[5]));
    }
    movies[movie.Kind] = movie;
  }
  return movies;
}

const TServedMovie& ServedMovie(const std::string& kind)
{
  static const std::map<std::string, TServedMovie> movies = ReadServedMovies();
  static const TServedMovie missing;
  const auto found = movies.find(kind);
  return found == movies.end() ? missing : found->second;
}

// Points the programs started in its scope at another server.
class TServerOverride {
public:
  TServerOverride(const std::string& address, const std::string& secret)
    : Address(Environment("VELMO_FRAME_SERVER")), Secret(Environment("VELMO_FRAME_SECRET"))
  {
    ::SetEnvironmentVariableA("VELMO_FRAME_SERVER", address.c_str());
    ::SetEnvironmentVariableA("VELMO_FRAME_SECRET", secret.c_str());
  }
  ~TServerOverride()
  {
    ::SetEnvironmentVariableA("VELMO_FRAME_SERVER", Address.c_str());
    ::SetEnvironmentVariableA("VELMO_FRAME_SECRET", Secret.c_str());
  }
  TServerOverride(const TServerOverride&) = delete;
  TServerOverride& operator=(const TServerOverride&) = delete;

private:
  std::string Address;
  std::string Secret;
};

// The slider of the program's button bar.
HWND SliderOf(HWND main)
{
  for (HWND bar = ::GetWindow(main, GW_CHILD); bar; bar = ::GetWindow(bar, GW_HWNDNEXT))
    if (HWND slider = ::FindWindowExA(bar, nullptr, "VelmoSlider", nullptr))
      return slider;
  return nullptr;
}

// The program on one served movie, opened from its command line, with what
// the test checks of its frames.
class TServedRun {
public:
  explicit TServedRun(const TServedMovie& movie) : Movie(movie), Session(Options(movie)) {}

  TCutSession& Program() { return Session; }

  // Shows the movie; false (with a failure) when it does not come.
  bool Open()
  {
    // A refusal comes as a message instead of the movie.
    WaitFor([&] { return Session.MovieWindow() || Session.Program().FindWindow("エラー", "#32770", false); });
    if (!Session.Main() || !Session.WaitForMovie()) {
      ADD_FAILURE() << Movie.Kind << ": the movie is not shown; " << ErrorBoxText(Session);
      return false;
    }
    return true;
  }

  // Waits until the screen shows frame n.
  void ExpectShown(std::uint32_t frame, const char* how)
  {
    if (!WaitFor([&] { return Session.ShownPicture().Pixels == Movie.Picture(frame).Pixels; }))
      ADD_FAILURE() << Movie.Kind << ", " << how << ": the screen does not show frame " << frame << ": "
                    << Movie.Difference(Session.ShownPicture(), frame) << "; " << ErrorBoxText(Session);
  }

  // Cuts the frame on screen and checks its file.
  void ExpectCut(std::uint32_t frame, const char* how)
  {
    Session.Command(CM_CUT);
    ExpectFile(frame, how);
  }

  // The file of frame n, once complete, is frame n; it is removed after.
  void ExpectFile(std::uint32_t frame, const char* how)
  {
    const std::string name = CaptureName(frame);
    if (!Session.WaitForCutFile(name)) {
      ADD_FAILURE() << Movie.Kind << ", " << how << ": no file of frame " << frame << "; " << ErrorBoxText(Session);
      return;
    }
    const TPicture cut = PictureOf(Session.Output(name));
    EXPECT_TRUE(cut.Pixels == Movie.Picture(frame).Pixels && cut.Width == Movie.Width)
      << Movie.Kind << ", " << how << ": the file of frame " << frame << ": " << Movie.Difference(cut, frame);
    ::DeleteFileA((Session.OutputDir() + name).c_str());
  }

  void Step(UINT command, std::uint32_t to, const char* how)
  {
    Session.Command(command);
    ExpectShown(to, how);
  }

  // Clicks below the thumb's row where the thumb's left edge stands for the
  // frame (or the first place past it): one message moves the thumb there.
  // Returns the frame the click stands for.
  std::uint32_t SlideTo(std::uint32_t frame)
  {
    Session.Settle();
    HWND slider = SliderOf(Session.Main());
    RECT area{};
    ::GetClientRect(slider, &area);
    const int thumbWidth = 9;
    const int last = static_cast<int>(Movie.Last());
    int x = 0;
    while (SliderScale::PositionAt(x, 0, last, area.right - thumbWidth) < static_cast<int>(frame))
      ++x;
    const auto reached = static_cast<std::uint32_t>(SliderScale::PositionAt(x, 0, last, area.right - thumbWidth));
    ::SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 26));
    ::SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(x, 26));
    ExpectShown(reached, "the slider");
    Session.Settle();
    return reached;
  }

  // Marks frames from..to (reached by stepping from the frame shown, which
  // is from) and cuts them: every file is its frame.
  void ExpectRangeCut(std::uint32_t from, std::uint32_t to)
  {
    Session.Command(CM_MARKFROM);
    for (std::uint32_t at = from; at < to; ++at)
      Session.Command(CM_NEXTFRAME);
    Session.Command(CM_MARKTO);
    Session.Command(CM_CUT);
    for (std::uint32_t frame = from; frame <= to; ++frame)
      ExpectFile(frame, "a range cut");
  }

  // What the program says when asked to go to the frame after the last: the
  // range of frame numbers it has.
  std::string GoToPastTheEnd()
  {
    Session.Settle();
    Session.Command(CM_GOTO);
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = Session.Program().FindWindow(nullptr, "#32770")) != nullptr; });
    if (!dialog)
      return "no dialog to go to a frame";
    const std::string typed = std::to_string(Movie.Frames);
    ::SendMessageA(::GetDlgItem(dialog, IDC_INPUTEDIT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
    ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return ErrorBoxText(Session, 20000);
  }

private:
  static TCutSession::TOptions Options(const TServedMovie& movie)
  {
    TCutSession::TOptions options;
    options.EncodedMovie = movie.IndexAvi;
    options.MovieName = movie.Kind + ".avi";
    options.FromScreen = false;
    return options;
  }

  const TServedMovie& Movie;
  TCutSession Session;
};

class ServedMovieTest : public testing::TestWithParam<const char*> {};

// In one run of the program: the first frames by stepping forward, the last
// by the last-frame command and stepping back, frames of the start, middle and
// end by the slider, and ranges of the middle and the end cut from marks.
TEST_P(ServedMovieTest, EveryFrameReachedIsFfmpegsDecodeOfIt)
{
  const TServedMovie& movie = ServedMovie(GetParam());
  ASSERT_TRUE(movie.Refusal.empty()) << movie.Kind << ": velmoserve refused it: " << movie.Refusal;
  ASSERT_GE(movie.Frames, 20u) << movie.Kind << ": no reference decode";
  TServedRun run(movie);
  ASSERT_TRUE(run.Open());

  run.ExpectShown(0, "opened");
  run.ExpectCut(0, "opened");
  run.Step(CM_NEXTFRAME, 1, "a step forward");
  run.ExpectCut(1, "a step forward");
  run.Step(CM_LASTFRAME, movie.Last(), "the last frame");
  run.ExpectCut(movie.Last(), "the last frame");
  run.Step(CM_PREVFRAME, movie.Last() - 1, "a step back");
  run.ExpectCut(movie.Last() - 1, "a step back");

  for (std::uint32_t target : {movie.Frames / 2, movie.Frames / 8, movie.Last() * 7 / 8}) {
    const std::uint32_t reached = run.SlideTo(target);
    run.ExpectCut(reached, "the slider");
  }
  // A step back from the middle crosses back over a key frame.
  const std::uint32_t middle = run.SlideTo(movie.Frames / 2 + 1);
  run.Step(CM_PREVFRAME, middle - 1, "a step back in the middle");
  run.ExpectRangeCut(middle - 1, middle + 2);
  run.ExpectRangeCut(run.SlideTo(movie.Last() - 2), movie.Last());
  run.Step(CM_FIRSTFRAME, 0, "the first frame");
  run.ExpectRangeCut(0, 2);

  // The program's frames are the movie's: the frame after the last is refused
  // with the range of frame numbers.
  const std::string told = run.GoToPastTheEnd();
  EXPECT_NE(told.find(u8"0 ～ " + std::to_string(movie.Last()) + u8"、"), std::string::npos)
    << movie.Kind << ": " << told;
  ::PostMessageA(run.Program().Main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(run.Program().Program().WaitForExit(), 0u) << movie.Kind;
}

INSTANTIATE_TEST_SUITE_P(Kinds, ServedMovieTest,
                         testing::Values("h264-bframes", "hevc-10bit", "vp9", "variable-rate", "interlaced-mpeg2",
                                         "transport-stream", "late-start"),
                         [](const testing::TestParamInfo<const char*>& kind) {
                           std::string name = kind.param;
                           for (char& c : name)
                             if (c == '-')
                               c = '_';
                           return name;
                         });

// The server gone while the program shows one of its movies: the next frame
// is refused with one message at once, and the program still answers and ends
// normally.
TEST(ServedServerTest, AServerThatDiesRefusesTheNextFrameWithOneMessage)
{
  const TServedMovie& movie = ServedMovie("h264-bframes");
  ASSERT_TRUE(movie.Refusal.empty()) << movie.Refusal;
  std::istringstream spare(Environment("VELMO_SERVED_SPARE"));
  std::string address, pid, secret;
  spare >> address >> pid >> secret;
  ASSERT_FALSE(secret.empty()) << "no spare server";

  std::unique_ptr<TServedRun> run;
  {
    const TServerOverride server(address, secret);
    run = std::make_unique<TServedRun>(movie);
  }
  ASSERT_TRUE(run->Open());
  run->Step(CM_NEXTFRAME, 1, "a step forward");
  TCutSession& session = run->Program();
  ASSERT_TRUE(RunOnHost("kill -KILL " + pid + " && while kill -0 " + pid +
                          " 2>/dev/null && ! grep -q '^[0-9]* ([^)]*) Z' /proc/" + pid + "/stat; do sleep 0.1; done",
                        session.MoviePath()));
  session.Command(CM_NEXTFRAME);
  const std::string told = ErrorBoxText(session, 20000);
  EXPECT_NE(told.find(u8"こま 2 を表示できません"), std::string::npos)
    << "the frame after the server is gone is not refused: " << told;
  ASSERT_TRUE(WaitUntilHandled(session.Main(), 16)) << "the program does not answer";
  EXPECT_EQ(session.Program().FindWindow("エラー", "#32770", false), nullptr) << "a second message";
  EXPECT_FALSE(session.ShownPicture().Pixels == movie.Picture(2).Pixels) << "the refused frame is shown";
  ::PostMessageA(session.Main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(session.Program().WaitForExit(), 0u);
}

// Two programs, each on a movie of its own from the same server, side by side:
// each shows and cuts its own movie's frames, both cutting at once.
TEST(ServedServerTest, TwoWindowsShowTwoServedMoviesSideBySide)
{
  const TServedMovie& left = ServedMovie("h264-bframes");
  const TServedMovie& right = ServedMovie("vp9");
  ASSERT_TRUE(left.Refusal.empty() && right.Refusal.empty()) << left.Refusal << right.Refusal;
  TServedRun first(left);
  ASSERT_TRUE(first.Open());
  TServedRun second(right);
  ASSERT_TRUE(second.Open());
  // The second window beside the first, both at the places they opened at.
  RECT place{};
  ::GetWindowRect(first.Program().Main(), &place);
  ::SetWindowPos(second.Program().Main(), nullptr, place.right + 8, place.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  second.Program().Settle();

  for (std::uint32_t frame = 1; frame <= 3; ++frame) {
    first.Step(CM_NEXTFRAME, frame, "side by side");
    second.Step(CM_NEXTFRAME, frame, "side by side");
  }
  first.Program().Command(CM_LASTFRAME);
  first.Program().Command(CM_CUT);
  second.Program().Command(CM_CUT);
  first.ExpectFile(left.Last(), "side by side");
  second.ExpectFile(3, "side by side");
  first.ExpectShown(left.Last(), "side by side");
  second.ExpectShown(3, "side by side");
}

}  // namespace
