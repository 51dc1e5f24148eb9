// The movie device's bookkeeping, against a stand-in for the platform's
// device: what is closed when, which id commands go to, and what the caller
// gets back from commands that fail.
#include "app/device/moviedevice.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

struct TSent {
  MCIDEVICEID Device;
  UINT Command;
  DWORD_PTR From = 0;  // of a play
};

// The stand-in device: opens with ids 1, 2, ..., answers status reads with
// the frame 40 + the number of reads so far, fails what a test asks it to.
struct TFakeDevice {
  std::vector<TSent> Sent;
  MCIDEVICEID NextId = 1;
  UINT Failing = 0;  // a command that fails with MCIERR_DEVICE_NOT_READY
  DWORD_PTR StatusReads = 0;
};
TFakeDevice Fake;

MCIERROR WINAPI SendToFake(MCIDEVICEID device, UINT command, DWORD_PTR, DWORD_PTR parameters)
{
  Fake.Sent.push_back({device, command});
  if (command == MCI_PLAY)
    Fake.Sent.back().From = reinterpret_cast<MCI_PLAY_PARMS*>(parameters)->dwFrom;
  if (command == Fake.Failing)
    return MCIERR_DEVICE_NOT_READY;
  if (command == MCI_OPEN)
    reinterpret_cast<MCI_DGV_OPEN_PARMSA*>(parameters)->wDeviceID = Fake.NextId++;
  if (command == MCI_STATUS)
    reinterpret_cast<MCI_STATUS_PARMS*>(parameters)->dwReturn = 40 + ++Fake.StatusReads;
  return 0;
}

class MovieDeviceTest : public testing::Test {
protected:
  MovieDeviceTest() { Fake = TFakeDevice(); }

  static std::vector<MCIDEVICEID> ClosedIds()
  {
    std::vector<MCIDEVICEID> closed;
    for (const TSent& sent : Fake.Sent)
      if (sent.Command == MCI_CLOSE)
        closed.push_back(sent.Device);
    return closed;
  }
};

TEST_F(MovieDeviceTest, NothingIsClosedThatIsNotOpen)
{
  {
    TMovieDevice never(SendToFake);
    EXPECT_EQ(never.Close(), 0u);
    EXPECT_FALSE(never.IsOpen());
  }
  EXPECT_TRUE(Fake.Sent.empty());

  Fake.Failing = MCI_OPEN;
  {
    TMovieDevice refused(SendToFake);
    EXPECT_EQ(refused.Open("C:\\movie.avi"), static_cast<MCIERROR>(MCIERR_DEVICE_NOT_READY));
    EXPECT_FALSE(refused.IsOpen());
    EXPECT_EQ(refused.DeviceId(), 0u);
    EXPECT_EQ(refused.Close(), 0u);
  }
  EXPECT_TRUE(ClosedIds().empty());
}

TEST_F(MovieDeviceTest, AMovieIsClosedOnceAndItsIdForgotten)
{
  TMovieDevice device(SendToFake);
  ASSERT_EQ(device.Open("C:\\movie.avi"), 0u);
  ASSERT_TRUE(device.IsOpen());
  EXPECT_EQ(device.DeviceId(), 1u);
  EXPECT_EQ(device.Close(), 0u);
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(device.DeviceId(), 0u);
  EXPECT_EQ(device.Close(), 0u);
  EXPECT_EQ(ClosedIds(), std::vector<MCIDEVICEID>{1});

  // A device that refuses to close is forgotten all the same, and its error told.
  ASSERT_EQ(device.Open("C:\\movie.avi"), 0u);
  Fake.Failing = MCI_CLOSE;
  EXPECT_EQ(device.Close(), static_cast<MCIERROR>(MCIERR_DEVICE_NOT_READY));
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(device.Close(), 0u);
  EXPECT_EQ(ClosedIds(), (std::vector<MCIDEVICEID>{1, 2}));
}

TEST_F(MovieDeviceTest, TheOpenMovieIsClosedBeforeTheNextOpenAndWhenTheDeviceGoes)
{
  {
    TMovieDevice device(SendToFake);
    ASSERT_EQ(device.Open("C:\\first.avi"), 0u);
    ASSERT_EQ(device.Open("C:\\second.avi"), 0u);
    ASSERT_EQ(Fake.Sent.size(), 3u);
    EXPECT_EQ(Fake.Sent[1].Command, static_cast<UINT>(MCI_CLOSE));
    EXPECT_EQ(Fake.Sent[1].Device, 1u);
    EXPECT_EQ(device.DeviceId(), 2u);
  }
  EXPECT_EQ(ClosedIds(), (std::vector<MCIDEVICEID>{1, 2}));
}

TEST_F(MovieDeviceTest, CommandsGoToTheOpenMovieAndAFailedReadKeepsTheLastValue)
{
  TMovieDevice device(SendToFake);
  ASSERT_EQ(device.Open("C:\\movie.avi"), 0u);
  const TMovieDevice::TStatus first = device.Position();
  EXPECT_EQ(first.Error, 0u);
  EXPECT_EQ(first.Value, 41u);
  EXPECT_EQ(device.Mode().Value, 42u);  // another item, read between

  Fake.Failing = MCI_STATUS;
  const TMovieDevice::TStatus failed = device.Position();
  EXPECT_EQ(failed.Error, static_cast<MCIERROR>(MCIERR_DEVICE_NOT_READY));
  EXPECT_EQ(failed.Value, 41u);
  EXPECT_EQ(device.Show(7), 0u);
  EXPECT_EQ(device.Pause(), 0u);
  for (const TSent& sent : Fake.Sent)
    EXPECT_EQ(sent.Device, sent.Command == MCI_OPEN ? 0u : 1u) << sent.Command;
}

TEST_F(MovieDeviceTest, APlaybackIsStoppedBeforeTheNextFrameShownOrPlaybackStarted)
{
  TMovieDevice device(SendToFake);
  ASSERT_EQ(device.Open("C:\\movie.avi"), 0u);
  const auto commandsAfter = [](std::size_t from) {
    std::vector<UINT> commands;
    for (std::size_t i = from; i < Fake.Sent.size(); ++i)
      commands.push_back(Fake.Sent[i].Command);
    return commands;
  };
  std::size_t from = Fake.Sent.size();
  ASSERT_EQ(device.Show(3), 0u);
  ASSERT_EQ(device.Play(3, std::nullopt), 0u);
  EXPECT_EQ(commandsAfter(from), (std::vector<UINT>{MCI_PLAY, MCI_PLAY})) << "nothing to stop before";

  from = Fake.Sent.size();
  ASSERT_EQ(device.Pause(), 0u);
  ASSERT_EQ(device.Show(5), 0u);
  ASSERT_EQ(device.Show(6), 0u);
  EXPECT_EQ(commandsAfter(from), (std::vector<UINT>{MCI_PAUSE, MCI_STOP, MCI_PLAY, MCI_PLAY}));

  from = Fake.Sent.size();
  ASSERT_EQ(device.Play(6, 9u), 0u);
  ASSERT_EQ(device.Play(0, std::nullopt), 0u);
  EXPECT_EQ(commandsAfter(from), (std::vector<UINT>{MCI_PLAY, MCI_STOP, MCI_PLAY}));

  // A playback that did not start, or a movie closed since, leaves nothing to stop.
  Fake.Failing = MCI_PLAY;
  (void)device.Play(0, std::nullopt);
  Fake.Failing = 0;
  from = Fake.Sent.size();
  ASSERT_EQ(device.Show(1), 0u);
  ASSERT_EQ(device.Play(1, std::nullopt), 0u);
  ASSERT_EQ(device.Open("C:\\movie.avi"), 0u);
  ASSERT_EQ(device.Show(2), 0u);
  EXPECT_EQ(commandsAfter(from), (std::vector<UINT>{MCI_PLAY, MCI_PLAY, MCI_CLOSE, MCI_OPEN, MCI_PLAY}));
}

TEST_F(MovieDeviceTest, AFrameIsBuiltFromTheFramesBeforeItAndTheLastOneDecodedIsKnownUntilAPlayback)
{
  TMovieDevice device(SendToFake);
  ASSERT_EQ(device.Open("C:\\movie.avi"), 0u);
  const std::size_t from = Fake.Sent.size();
  ASSERT_EQ(device.Show(6, 4), 0u);
  // Each frame played, and those on the way painted off the screen.
  std::vector<std::pair<UINT, DWORD_PTR>> steps;
  for (std::size_t i = from; i < Fake.Sent.size(); ++i)
    steps.push_back({Fake.Sent[i].Command, Fake.Sent[i].From});
  EXPECT_EQ(steps, (decltype(steps){{MCI_PLAY, 4}, {MCI_UPDATE, 0}, {MCI_PLAY, 5}, {MCI_UPDATE, 0}, {MCI_PLAY, 6}}));
  EXPECT_EQ(device.LastDecoded(), 6u);
  Fake.Failing = MCI_UPDATE;  // a frame on the way fails: what the decoder holds is not known
  EXPECT_NE(device.Show(9, 7), 0u);
  EXPECT_EQ(device.LastDecoded(), std::nullopt);
  Fake.Failing = 0;
  ASSERT_EQ(device.Show(3), 0u);
  ASSERT_EQ(device.Play(3, std::nullopt), 0u);
  EXPECT_EQ(device.LastDecoded(), std::nullopt);
}

}  // namespace
