#include "app/support/frametimes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// What the text is read as: "frame N", "time MICROSECONDS" or "none".
std::string ReadAs(const std::string& text)
{
  const std::optional<TFrameOrTime> typed = ParseFrameOrTime(text);
  if (!typed)
    return "none";
  return typed->IsTime ? "time " + std::to_string(typed->Microseconds) : "frame " + std::to_string(typed->Frame);
}

TEST(FrameOrTimeTest, AWholeNumberIsAFrameAndAPointColonOrUnitMakesATime)
{
  EXPECT_EQ(ReadAs(" 1290 "), "frame 1290");
  EXPECT_EQ(ReadAs("100000f"), "frame 100000");
  EXPECT_EQ(ReadAs("4294967295"), "frame 4294967295");
  EXPECT_EQ(ReadAs("43.5"), "time 43500000");
  EXPECT_EQ(ReadAs(".25"), "time 250000");
  EXPECT_EQ(ReadAs("43s"), "time 43000000");
  EXPECT_EQ(ReadAs("0:00:43"), "time 43000000");
  EXPECT_EQ(ReadAs("1:02:03.25"), "time 3723250000");
  EXPECT_EQ(ReadAs("0:43.0333339"), "time 43033333");  // microseconds, the rest dropped

  for (const char* text : {"", "abc", "-5", "12a", "f", ".", "4294967296", "1:2:3:4", "0:60", "0:61:00", "1::3",
                           "1:02s", "1.5f", "43 s", "１２", "1,5"})
    EXPECT_EQ(ReadAs(text), "none") << text;
}

TEST(FrameTimesTest, ASteadyRateGivesFrameTimesScaleOverRate)
{
  EXPECT_EQ(TimeText(0), "0:00:00.000");
  EXPECT_EQ(TimeText(3723250000), "1:02:03.250");
  EXPECT_EQ(TimeText(59999999), "0:01:00.000");

  const TFrameTimes ntsc(3600, 30000, 1001);
  EXPECT_EQ(ntsc.TimeOf(1290), 43043000);
  EXPECT_EQ(ntsc.LastTime(), 120086633);
  EXPECT_FALSE(ntsc.TimeOf(3600));

  // The frame shown at a time is the last one at or before it, and a time
  // typed as the readout shows it goes to that frame.
  const TFrameTimes thirty(1800, 30, 1);
  EXPECT_EQ(thirty.FrameAt(43500000), 1305u);
  EXPECT_EQ(thirty.FrameAt(43030000), 1290u);
  for (std::uint32_t frame : {1u, 1291u, 1799u})
    EXPECT_EQ(thirty.FrameOf(*ParseFrameOrTime(TimeText(*thirty.TimeOf(frame)))), frame) << frame;
  EXPECT_FALSE(thirty.FrameAt(*thirty.LastTime() + 1000));
  EXPECT_FALSE(thirty.FrameOf(*ParseFrameOrTime("1800")));
  EXPECT_FALSE(TFrameTimes(10, 0, 1).FrameAt(0));  // no rate, no times
}

TEST(FrameTimesTest, SourceTimesGoWithTheirFramesAndFramesBeforeThemHaveNone)
{
  // A copy of a variable-rate movie's stretch from frame 3 on.
  const TFrameTimes copy(8, 3, {1500000, 1540000, 1700000, 2000000, 2010000});
  EXPECT_FALSE(copy.TimeOf(2));
  EXPECT_EQ(copy.TimeOf(7), 2010000);
  EXPECT_EQ(copy.FirstTime(), 1500000);
  EXPECT_EQ(copy.FrameAt(1699000), 4u);
  EXPECT_EQ(copy.FrameAt(1999999), 6u);
  EXPECT_FALSE(copy.FrameAt(1000000));
  EXPECT_FALSE(copy.FrameAt(2020000));
  // More times than frames: the rest belong to no frame.
  EXPECT_EQ(TFrameTimes(2, 0, {0, 10, 20}).LastTime(), 10);
}

}  // namespace
