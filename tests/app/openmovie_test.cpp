// The open movie's one state, against a stand-in for the platform's device:
// what open, play, show, a cut and close make of it.
#include "app/device/openmovie.h"
#include "tools/avi/avi_writer.h"

#include <gtest/gtest.h>

namespace {

// The stand-in device: a frame shown is where it stands; a playback started
// is counted, and plays until a test stops it.
struct TFakeDevice {
  DWORD_PTR Length = 0;
  DWORD_PTR Position = 0;
  DWORD_PTR Mode = MCI_MODE_STOP;
  unsigned PlaybacksStarted = 0;
};
TFakeDevice Fake;

MCIERROR WINAPI SendToFake(MCIDEVICEID, UINT command, DWORD_PTR flags, DWORD_PTR parameters)
{
  if (command == MCI_OPEN)
    reinterpret_cast<MCI_DGV_OPEN_PARMSA*>(parameters)->wDeviceID = 1;
  if (command == MCI_PLAY && (flags & MCI_WAIT))
    Fake.Position = reinterpret_cast<MCI_PLAY_PARMS*>(parameters)->dwFrom;
  else if (command == MCI_PLAY) {
    ++Fake.PlaybacksStarted;
    Fake.Mode = MCI_MODE_PLAY;
  }
  if (command == MCI_STATUS) {
    auto* status = reinterpret_cast<MCI_STATUS_PARMS*>(parameters);
    status->dwReturn = status->dwItem == MCI_STATUS_LENGTH     ? Fake.Length
                       : status->dwItem == MCI_STATUS_POSITION ? Fake.Position
                                                               : Fake.Mode;
  }
  return 0;
}

class OpenMovieTest : public testing::Test {
protected:
  OpenMovieTest()
  {
    Fake = TFakeDevice();
    Fake.Length = 20;
    TTestMovie movie;
    movie.Frames = 20;
    WriteTestMovie(Path, movie);
  }
  ~OpenMovieTest() override { ::DeleteFileA(Path.c_str()); }

  const std::string Path = testing::TempDir() + "openmovie_test.avi";
  TOpenMovie Movie{SendToFake};
};

TEST_F(OpenMovieTest, PlayingEndsWhereAFrameIsShownOrTheDeviceStops)
{
  EXPECT_EQ(Movie.State(), TMovieState::Closed);
  ASSERT_FALSE(Movie.Open(Path.c_str()));
  EXPECT_EQ(Movie.State(), TMovieState::Stopped);
  EXPECT_EQ(Movie.Length(), 20u);

  EXPECT_TRUE(Movie.Play().Shown());
  EXPECT_EQ(Movie.State(), TMovieState::Playing);
  EXPECT_TRUE(Movie.Show(5).Shown());
  EXPECT_EQ(Movie.State(), TMovieState::Stopped);
  EXPECT_EQ(Movie.Position(), 5u);

  // The device ran past the last frame by itself: the movie rests on that frame.
  EXPECT_TRUE(Movie.Play().Shown());
  Fake.Mode = MCI_MODE_STOP;
  Fake.Position = 20;
  EXPECT_TRUE(Movie.Follow().Shown());
  EXPECT_EQ(Movie.State(), TMovieState::Stopped);
  EXPECT_EQ(Movie.Position(), 19u);

  const unsigned generation = Movie.Generation();
  Movie.Close();
  EXPECT_EQ(Movie.State(), TMovieState::Closed);
  EXPECT_NE(Movie.Generation(), generation);
}

TEST_F(OpenMovieTest, ACutKeepsTheMovieFromPlayingUntilItEnds)
{
  ASSERT_FALSE(Movie.Open(Path.c_str()));
  Movie.BeginCut();
  EXPECT_EQ(Movie.State(), TMovieState::Cutting);
  EXPECT_TRUE(Movie.Play().Shown());
  EXPECT_EQ(Fake.PlaybacksStarted, 0u);
  EXPECT_TRUE(Movie.Show(3).Shown());
  EXPECT_EQ(Movie.State(), TMovieState::Cutting);
  Movie.EndCut();
  EXPECT_EQ(Movie.State(), TMovieState::Stopped);

  // A movie closed during the cut stays closed when the cut ends.
  Movie.BeginCut();
  Movie.Close();
  Movie.EndCut();
  EXPECT_EQ(Movie.State(), TMovieState::Closed);
}

TEST_F(OpenMovieTest, AFileThatCannotBeReadLeavesNothingOpen)
{
  ASSERT_FALSE(Movie.Open(Path.c_str()));
  EXPECT_EQ(Movie.Open((Path + ".missing").c_str()).value_or(TAviRefusal::None), TAviRefusal::CannotOpen);
  EXPECT_EQ(Movie.State(), TMovieState::Closed);
  EXPECT_EQ(Movie.File(), nullptr);
  EXPECT_EQ(Movie.Window(), nullptr);
}

}  // namespace
