// A continuous cut from the screen against a stand-in for the frame that runs
// it: which frames are written under which names, and how the cut says it
// ended when it is cancelled, loses its movie, fails a write or is refused a
// frame, or waits for a hidden picture.
#include "app/cut/continuouscut.h"
#include "framework/window/window.h"
#include "tests/support/testapp.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const char Folder[] = "C:\\cut\\";

// Shows frames by number only; its pictures write nothing but note their path.
class TStandInFrame : public TCutHost {
public:
  explicit TStandInFrame(TWindow& window) : Window(window) {}

  unsigned Shown = 0;
  unsigned Generation = 0;
  unsigned RefusedFrame = UINT_MAX;
  unsigned MarkedTo = 0;
  std::string FailingPath;      // a write that fails
  mutable int HiddenLooks = 0;  // looks at the picture that find it hidden
  std::function<void(unsigned)> OnStep;
  std::vector<std::string> Written;  // on the writer's thread, read once the cut is over
  std::vector<std::string> Failures;
  std::vector<std::string> StatusShown;
  TContinuousCut* Cut = nullptr;

  bool ShowCutFrame(unsigned frame) override { return Show(frame); }
  bool StepForward() override
  {
    if (OnStep)
      OnStep(Shown);
    // As the device's notifications do, a message for the cut's pump.
    ::PostMessageA(Window.GetHandle(), WM_NULL, 0, 0);
    return Show(Shown + 1);
  }
  unsigned ShownFrame() const override { return Shown; }
  bool PictureShownWhole() const override
  {
    if (HiddenLooks == 0)
      return true;
    --HiddenLooks;
    ::PostMessageA(Window.GetHandle(), WM_NULL, 0, 0);
    return false;
  }
  TFramePicture GrabShownFrame(TFrameGrabber&) override
  {
    return [this](const wchar_t* widePath) {
      char path[MAX_PATH * 2] = "";
      ::WideCharToMultiByte(CP_ACP, 0, widePath, -1, path, sizeof path, nullptr, nullptr);
      Written.push_back(path);
      return path != FailingPath;
    };
  }
  unsigned MovieGeneration() const override { return Generation; }
  unsigned MarkedRangeEnd() const override { return MarkedTo; }
  void TrackCut() override {}
  void TrackCutWhenDue() override {}
  void ShowCutStatus() override { StatusShown.push_back(Cut->StatusText()); }
  void ReportWriteFailure(const std::string& fileName) override { Failures.push_back(fileName); }
  void ReportUnshowableFrame(TFrameState, unsigned, TServedFault) override {}

private:
  bool Show(unsigned frame)
  {
    if (frame >= RefusedFrame)
      return false;
    Shown = frame;
    return true;
  }

  TWindow& Window;
};

class ContinuousCutTest : public testing::Test {
protected:
  ContinuousCutTest()
  {
    for (TWindow* window : {&FrameWindow, &MovieWindow}) {
      window->Attributes.Style = WS_OVERLAPPEDWINDOW;
      window->Create();
    }
  }

  // Cuts the frames from to to from the screen.
  TContinuousCut& Run(unsigned from, unsigned to, const std::function<void(TContinuousCut&)>& before = nullptr)
  {
    Cut.emplace_back(std::make_unique<TContinuousCut>(Frame, FrameWindow, nullptr, MovieWindow.GetHandle(),
                                                      TContinuousCut::TRange{from, to, false}, TCutNames{Folder, ""}));
    TContinuousCut& cut = *Cut.back();
    Frame.Cut = &cut;
    Frame.MarkedTo = to;
    if (before)
      before(cut);
    cut.CutFromScreen(0);
    return cut;
  }

  static std::vector<std::string> Files(std::initializer_list<const char*> names)
  {
    std::vector<std::string> paths;
    for (const char* name : names)
      paths.push_back(std::string(Folder) + name);
    return paths;
  }

  TTestApp App;
  TWindow FrameWindow{nullptr, "frame"};
  TWindow MovieWindow{nullptr, "movie"};
  TStandInFrame Frame{FrameWindow};
  std::vector<std::unique_ptr<TContinuousCut>> Cut;
};

TEST_F(ContinuousCutTest, EveryFrameOfTheRangeIsWrittenUnderItsNumber)
{
  const TContinuousCut& cut = Run(9, 12);
  EXPECT_EQ(Frame.Written, Files({"0009.BMP", "000A.BMP", "000B.BMP", "000C.BMP"}));
  EXPECT_EQ(Frame.Shown, 12u);  // the movie rests on the last frame cut
  EXPECT_EQ(cut.EndText(), CutEndText(TCutEnd::Finished, 4, 4, Folder));
}

TEST_F(ContinuousCutTest, AnEndMarkedDuringTheCutMovesItsEndAndItsTotal)
{
  std::string progress;
  Frame.OnStep = [&](unsigned frame) {
    if (frame == 2)
      Frame.MarkedTo = 5;
    if (frame == 3)
      progress = Frame.Cut->StatusText();
  };
  const TContinuousCut& longer = Run(1, 3);
  EXPECT_EQ(Frame.Written, Files({"0001.BMP", "0002.BMP", "0003.BMP", "0004.BMP", "0005.BMP"}));
  EXPECT_NE(progress.find(" 3 / 5 こま"), std::string::npos) << progress;
  EXPECT_EQ(longer.EndText(), CutEndText(TCutEnd::Finished, 5, 5, Folder));

  // Moved before the frame being cut: the cut ends with the frames it has.
  Frame.Written.clear();
  Frame.OnStep = [&](unsigned frame) { Frame.MarkedTo = frame == 3 ? 1 : Frame.MarkedTo; };
  const TContinuousCut& shorter = Run(1, 8);
  EXPECT_EQ(Frame.Written, Files({"0001.BMP", "0002.BMP", "0003.BMP"}));
  EXPECT_EQ(shorter.EndText(), CutEndText(TCutEnd::Finished, 3, 3, Folder));
}

TEST_F(ContinuousCutTest, ACancelEndsTheCutBeforeItsNextFrameAndSaysHow)
{
  Frame.OnStep = [&](unsigned frame) {
    if (frame == 4)
      Frame.Cut->Cancel(TCutEnd::CancelKey);
  };
  const TContinuousCut& byKey = Run(3, 8);
  EXPECT_EQ(Frame.Written, Files({"0003.BMP", "0004.BMP"}));
  EXPECT_EQ(byKey.EndText(), CutEndText(TCutEnd::CancelKey, 2, 6, Folder));

  // Given before the first frame: nothing is written.
  Frame.Written.clear();
  Frame.OnStep = nullptr;
  const TContinuousCut& early = Run(3, 8, [](TContinuousCut& cut) { cut.Cancel(TCutEnd::CancelCommand); });
  EXPECT_TRUE(Frame.Written.empty());
  EXPECT_EQ(early.EndText(), CutEndText(TCutEnd::CancelCommand, 0, 6, Folder));
}

TEST_F(ContinuousCutTest, AMovieClosedOrWithoutItsWindowEndsTheCutAsGone)
{
  Frame.OnStep = [&](unsigned frame) { Frame.Generation += frame == 1; };
  const TContinuousCut& replaced = Run(0, 5);
  EXPECT_EQ(Frame.Written, Files({"0000.BMP", "0001.BMP"}));
  EXPECT_EQ(replaced.EndText(), CutEndText(TCutEnd::MovieGone, 2, 6, Folder));

  Frame.Written.clear();
  Frame.OnStep = [&](unsigned frame) {
    if (frame == 0)
      MovieWindow.Destroy();
  };
  const TContinuousCut& destroyed = Run(0, 5);
  EXPECT_EQ(Frame.Written, Files({"0000.BMP"}));
  EXPECT_EQ(destroyed.EndText(), CutEndText(TCutEnd::MovieGone, 1, 6, Folder));
}

TEST_F(ContinuousCutTest, AFailedWriteOrARefusedFrameEndsTheCutAsFailed)
{
  // The failure is told once, before the next file is started.
  Frame.FailingPath = std::string(Folder) + "0002.BMP";
  const TContinuousCut& unwritten = Run(1, 6);
  EXPECT_EQ(Frame.Written, Files({"0001.BMP", "0002.BMP"}));
  EXPECT_EQ(Frame.Failures, std::vector<std::string>{Frame.FailingPath});
  EXPECT_EQ(unwritten.EndText(), CutEndText(TCutEnd::Failed, 1, 6, Folder));

  Frame.Written.clear();
  Frame.FailingPath.clear();
  Frame.RefusedFrame = 3;
  const TContinuousCut& refused = Run(1, 6);
  EXPECT_EQ(Frame.Written, Files({"0001.BMP", "0002.BMP"}));
  EXPECT_EQ(refused.EndText(), CutEndText(TCutEnd::Failed, 2, 6, Folder));
}

TEST_F(ContinuousCutTest, AHiddenPictureIsWaitedForAndSaidSo)
{
  Frame.HiddenLooks = 3;
  const TContinuousCut& cut = Run(0, 1);
  ASSERT_EQ(Frame.StatusShown.size(), 1u);
  EXPECT_EQ(Frame.StatusShown[0], "動画が隠れているため、切り取りを待っています");
  EXPECT_EQ(Frame.HiddenLooks, 0);
  EXPECT_EQ(Frame.Written, Files({"0000.BMP", "0001.BMP"}));
  EXPECT_EQ(cut.EndText(), CutEndText(TCutEnd::Finished, 2, 2, Folder));
}

}  // namespace
