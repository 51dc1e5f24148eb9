// Movies whose frames build on the ones before them (a key frame every 25
// frames), which the movie device decodes itself: a frame reached by a jump
// is the same picture as the one reached by stepping forward from its key
// frame, on the screen and in the file, and close to ffmpeg's decode.
#include "resources/resource.h"
#include "tests/app/cut_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <ostream>
#include <utility>
#include <vector>

namespace {

struct TGroupedMovie {
  const char* Name;
  const char* File;  // made by tests/app/CMakeLists.txt

  friend void PrintTo(const TGroupedMovie& movie, std::ostream* out) { *out << movie.Name; }
};

BOOL CALLBACK KeepIfSlider(HWND child, LPARAM found)
{
  char name[32];
  if (!::GetClassNameA(child, name, sizeof name) || std::string(name) != "VelmoSlider")
    return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

// The slider of the program's button bar.
HWND SliderOf(HWND main)
{
  HWND slider = nullptr;
  ::EnumChildWindows(main, KeepIfSlider, reinterpret_cast<LPARAM>(&slider));
  return slider;
}

// The mean difference per colour channel.
double MeanDifference(const TPicture& a, const TPicture& b)
{
  if (a.Pixels.size() != b.Pixels.size() || a.Pixels.empty())
    return 255;
  long long sum = 0;
  for (std::size_t i = 0; i < a.Pixels.size(); ++i)
    for (int shift : {0, 8, 16})
      sum += std::abs(static_cast<int>(a.Pixels[i] >> shift & 0xFF) - static_cast<int>(b.Pixels[i] >> shift & 0xFF));
  return static_cast<double>(sum) / (3.0 * static_cast<double>(a.Pixels.size()));
}

class JumpCutTest : public testing::TestWithParam<TGroupedMovie> {
protected:
  static TCutSession::TOptions Options()
  {
    TCutSession::TOptions options;
    options.Movie.Frames = 90;
    options.EncodedMovie = WindowsPath(std::string(VELMO_MOVIE_DIR) + "/" + GetParam().File);
    return options;
  }

  void SetUp() override
  {
    ASSERT_NE(Session.Main(), nullptr);
    ASSERT_TRUE(Session.WaitForMovie());
    Slider = SliderOf(Session.Main());
    ASSERT_NE(Slider, nullptr);
    // Every frame as ffmpeg decodes it, ref00.bmp on, beside the movie.
    const std::string movie = HostPath(Session.MoviePath());
    const std::string folder = movie.substr(0, movie.rfind('/') + 1);
    ASSERT_TRUE(RunOnHost(
      "ffmpeg -nostdin -v error -y -i '" + movie + "' -pix_fmt bgr24 -start_number 0 '" + folder + "ref%02d.bmp'",
      Session.MoviePath()));
  }

  // Moves the thumb to the frame with the slider's keys; the program shows
  // the frame at its next tick, which changes the picture.
  void SlideTo(std::uint32_t frame)
  {
    Session.Settle();
    const TPicture before = Session.ShownPicture();
    ::SendMessageA(Slider, WM_KEYDOWN, VK_HOME, 1);
    if (frame / 10)
      ::SendMessageA(Slider, WM_KEYDOWN, VK_NEXT, frame / 10);
    if (frame % 10)
      ::SendMessageA(Slider, WM_KEYDOWN, VK_RIGHT, frame % 10);
    ASSERT_TRUE(WaitFor([&] { return Session.ShownPicture().Pixels != before.Pixels; }));
    Session.Settle();
  }

  // What the screen shows at each of the frames, reached by stepping forward
  // from the key frame before them.
  void StepFromKeyFrame(std::uint32_t key, std::initializer_list<std::uint32_t> frames)
  {
    SlideTo(key);
    std::uint32_t at = key;
    for (std::uint32_t frame : frames) {
      for (; at < frame; ++at) {
        Session.Command(CM_NEXTFRAME);
        Session.Settle();
      }
      Stepped[frame] = Session.ShownPicture();
    }
  }

  // Takes the frames the cut writes, once their files are complete.
  void Cut(std::initializer_list<std::uint32_t> frames)
  {
    Session.Key(VK_SPACE);
    for (std::uint32_t frame : frames) {
      ASSERT_TRUE(Session.WaitForFile(CaptureName(frame))) << frame;
      Cuts.push_back({frame, PictureOf(Session.Output(CaptureName(frame)))});
      ASSERT_TRUE(::DeleteFileA((Session.OutputDir() + CaptureName(frame)).c_str()));
    }
  }

  void ExpectCutsAsStepped()
  {
    const std::string movie = Session.MoviePath();
    for (const auto& [frame, cut] : Cuts) {
      EXPECT_TRUE(cut.Pixels == Stepped.at(frame).Pixels)
        << "frame " << frame << " differs from the stepped one by " << MeanDifference(cut, Stepped.at(frame));
      char reference[16];
      std::snprintf(reference, sizeof reference, "ref%02u.bmp", static_cast<unsigned>(frame));
      const TPicture decoded = PictureOf(ReadBmp(movie.substr(0, movie.rfind('\\') + 1) + reference));
      EXPECT_LT(MeanDifference(cut, decoded), 1.0) << "frame " << frame;
    }
  }

  TCutSession Session{Options()};
  HWND Slider = nullptr;
  std::vector<std::pair<std::uint32_t, TPicture>> Cuts;
  std::map<std::uint32_t, TPicture> Stepped;
};

TEST_P(JumpCutTest, FramesReachedByJumpsAreThoseReachedByStepping)
{
  Session.Command(CM_LASTFRAME);
  Cut({89});
  SlideTo(50);  // a key frame
  Session.Command(CM_PREVFRAME);
  Cut({49});
  SlideTo(37);
  Cut({37});
  // The cut jumps back to its first mark, inside a group.
  Session.Command(CM_MARKFROM);
  Session.Command(CM_NEXTFRAME);
  Session.Command(CM_NEXTFRAME);
  Session.Command(CM_MARKTO);
  Cut({37, 38, 39});

  StepFromKeyFrame(25, {37, 38, 39, 49});
  StepFromKeyFrame(75, {89});
  ExpectCutsAsStepped();
}

INSTANTIATE_TEST_SUITE_P(DeviceDecoded, JumpCutTest,
                         testing::Values(TGroupedMovie{"Cinepak", "cinepak-groups.avi"},
                                         TGroupedMovie{"MsVideo1", "msvideo1-groups.avi"}),
                         [](const testing::TestParamInfo<TGroupedMovie>& movie) { return movie.param.Name; });

}  // namespace
