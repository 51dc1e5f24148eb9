// Movies whose frames build on the ones before them (a key frame every 25
// frames), which the movie device decodes itself: a frame reached by a jump
// is the same picture as the one reached by stepping forward from its key
// frame, on the screen and in the file, and close to ffmpeg's decode.
#include "controls/sliderscale.h"
#include "resources/resource.h"
#include "tests/app/cut_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

namespace {

// The slider of the program's button bar.
HWND SliderOf(HWND main)
{
  for (HWND bar = ::GetWindow(main, GW_CHILD); bar; bar = ::GetWindow(bar, GW_HWNDNEXT))
    if (HWND slider = ::FindWindowExA(bar, nullptr, "VelmoSlider", nullptr))
      return slider;
  return nullptr;
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

// The parameter names the codec of the movie tests/app/CMakeLists.txt makes.
class JumpCutTest : public testing::TestWithParam<const char*> {
protected:
  static TCutSession::TOptions Options()
  {
    TCutSession::TOptions options;
    options.Movie.Frames = LastFrame + 1;
    options.EncodedMovie = WindowsPath(std::string(VELMO_MOVIE_DIR) + "/" + GetParam() + "-groups.avi");
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

  // Clicks below the thumb's row where the thumb's left edge stands for the
  // frame: one message moves the thumb there, and the program shows the frame
  // at its next tick.
  void SlideTo(std::uint32_t frame)
  {
    Session.Settle();
    const TPicture before = Session.ShownPicture();
    RECT slider;
    ::GetClientRect(Slider, &slider);
    const int thumbWidth = 9;
    int x = 0;
    while (SliderScale::PositionAt(x, 0, LastFrame, slider.right - thumbWidth) < static_cast<int>(frame))
      ++x;
    ::SendMessageA(Slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 26));
    ::SendMessageA(Slider, WM_LBUTTONUP, 0, MAKELPARAM(x, 26));
    ASSERT_TRUE(WaitFor([&] { return Session.ShownPicture().Pixels != before.Pixels; }));
    Session.Settle();
  }

  // Cuts each of the frames reached by stepping forward from the first
  // frame, which is how the decoder is meant to be fed.
  void StepThrough(std::initializer_list<std::uint32_t> frames)
  {
    Session.Command(CM_FIRSTFRAME);
    std::uint32_t at = 0;
    for (std::uint32_t frame : frames) {
      for (; at < frame; ++at)
        Session.Command(CM_NEXTFRAME);
      Stepped[frame] = Cut(frame);
    }
  }

  // The picture the cut of the frame on screen writes, once its file is complete.
  TPicture Cut(std::uint32_t frame)
  {
    Session.Command(CM_CUT);
    return Taken(frame);
  }
  TPicture Taken(std::uint32_t frame)
  {
    if (!Session.WaitForFile(CaptureName(frame))) {
      const std::vector<std::string> files = Session.OutputFiles();
      ADD_FAILURE() << "no file of frame " << frame << " but " << (files.empty() ? "none" : files.front()) << "; "
                    << TakeErrorBox(Session.Program(), 100);
    }
    TPicture picture = PictureOf(Session.Output(CaptureName(frame)));
    ::DeleteFileA((Session.OutputDir() + CaptureName(frame)).c_str());
    return picture;
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

  static constexpr int LastFrame = 89;
  TCutSession Session{Options()};
  HWND Slider = nullptr;
  std::vector<std::pair<std::uint32_t, TPicture>> Cuts;
  std::map<std::uint32_t, TPicture> Stepped;
};

TEST_P(JumpCutTest, FramesReachedByJumpsAreThoseReachedByStepping)
{
  Session.Command(CM_LASTFRAME);
  Cuts.push_back({89, Cut(89)});
  SlideTo(50);  // a key frame
  Session.Command(CM_PREVFRAME);
  Cuts.push_back({49, Cut(49)});
  SlideTo(37);
  Cuts.push_back({37, Cut(37)});
  // The cut jumps back to its first mark, inside a group.
  Session.Command(CM_MARKFROM);
  Session.Command(CM_NEXTFRAME);
  Session.Command(CM_NEXTFRAME);
  Session.Command(CM_MARKTO);
  Session.Command(CM_CUT);
  for (std::uint32_t frame : {37u, 38u, 39u})
    Cuts.push_back({frame, Taken(frame)});

  StepThrough({37, 38, 39, 49, 89});
  ExpectCutsAsStepped();
}

INSTANTIATE_TEST_SUITE_P(DeviceDecoded, JumpCutTest, testing::Values("cinepak", "msvideo1"));

}  // namespace
