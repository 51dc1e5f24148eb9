#include "app/frametimes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::optional<std::int64_t> TypedTime(const std::string& text)
{
  const std::optional<TFrameOrTime> typed = ParseFrameOrTime(text);
  if (!typed || !typed->IsTime)
    return std::nullopt;
  return typed->Microseconds;
}

std::optional<std::uint32_t> TypedFrame(const std::string& text)
{
  const std::optional<TFrameOrTime> typed = ParseFrameOrTime(text);
  if (!typed || typed->IsTime)
    return std::nullopt;
  return typed->Frame;
}

TEST(FrameOrTimeTest, AWholeNumberIsAFrameAndAPointColonOrUnitMakesATime)
{
  EXPECT_EQ(TypedFrame("1290"), 1290u);
  EXPECT_EQ(TypedFrame(" 0 "), 0u);
  EXPECT_EQ(TypedFrame("100000f"), 100000u);
  EXPECT_EQ(TypedFrame("4294967295"), 4294967295u);

  EXPECT_EQ(TypedTime("43.5"), 43500000);
  EXPECT_EQ(TypedTime(".25"), 250000);
  EXPECT_EQ(TypedTime("43."), 43000000);
  EXPECT_EQ(TypedTime("43s"), 43000000);
  EXPECT_EQ(TypedTime("2.5s"), 2500000);
  EXPECT_EQ(TypedTime("0:43"), 43000000);
  EXPECT_EQ(TypedTime("0:00:43"), 43000000);
  EXPECT_EQ(TypedTime("1:02:03.25"), 3723250000);
  EXPECT_EQ(TypedTime("0:00:43.0333339"), 43033333);  // microseconds, the rest dropped
}

TEST(FrameOrTimeTest, AnythingElseIsRefused)
{
  for (const char* text : {"", "  ", "abc", "-5", "12a", "f", "s", ".", "4294967296", "1:2:3:4", "0:60", "0:61:00",
                           "1::3", "1:02s", "1.5f", "43 s", "１２", "1,5", "+3"})
    EXPECT_FALSE(ParseFrameOrTime(text)) << text;
}

TEST(TimeTextTest, HoursMinutesSecondsToTheNearestMillisecond)
{
  EXPECT_EQ(TimeText(0), "0:00:00.000");
  EXPECT_EQ(TimeText(43033333), "0:00:43.033");
  EXPECT_EQ(TimeText(43033500), "0:00:43.034");
  EXPECT_EQ(TimeText(3723250000), "1:02:03.250");
  EXPECT_EQ(TimeText(59999999), "0:01:00.000");
  EXPECT_EQ(TimeText(-40000), "-0:00:00.040");
}

TEST(FrameTimesTest, ASteadyRateGivesFrameTimesScaleOverRate)
{
  const TFrameTimes ntsc(3600, 30000, 1001);
  EXPECT_EQ(ntsc.TimeOf(0), 0);
  EXPECT_EQ(ntsc.TimeOf(1290), 43043000);
  EXPECT_EQ(ntsc.TimeOf(3599), 120086633);
  EXPECT_FALSE(ntsc.TimeOf(3600));
  EXPECT_EQ(ntsc.LastTime(), 120086633);

  const TFrameTimes thirty(1800, 30, 1);
  // The frame shown at a time: the last one at or before it.
  EXPECT_EQ(thirty.FrameAt(43000000), 1290u);
  EXPECT_EQ(thirty.FrameAt(43500000), 1305u);
  EXPECT_EQ(thirty.FrameAt(43030000), 1290u);
  // A time typed as the readout shows it goes to that frame.
  for (std::uint32_t frame : {1u, 1291u, 1799u})
    EXPECT_EQ(thirty.FrameAt(*TypedTime(TimeText(*thirty.TimeOf(frame)))), frame) << frame;
  EXPECT_EQ(thirty.FrameAt(*thirty.LastTime()), 1799u);
  EXPECT_FALSE(thirty.FrameAt(*thirty.LastTime() + 1000));

  // A movie without a rate has no times.
  EXPECT_FALSE(TFrameTimes(10, 0, 1).FrameAt(0));
  EXPECT_FALSE(TFrameTimes().TimeOf(0));
}

TEST(FrameTimesTest, SourceTimesGoWithTheirFramesAndFramesBeforeThemHaveNone)
{
  // A copy of a variable-rate movie's stretch from frame 3 on.
  const TFrameTimes copy(8, 3, {1500000, 1540000, 1700000, 2000000, 2010000});
  EXPECT_FALSE(copy.TimeOf(2));
  EXPECT_EQ(copy.TimeOf(3), 1500000);
  EXPECT_EQ(copy.TimeOf(7), 2010000);
  EXPECT_EQ(copy.FirstTime(), 1500000);
  EXPECT_EQ(copy.LastTime(), 2010000);

  EXPECT_EQ(copy.FrameAt(1500000), 3u);
  EXPECT_EQ(copy.FrameAt(1699000), 4u);
  EXPECT_EQ(copy.FrameAt(1999999), 6u);
  EXPECT_EQ(copy.FrameAt(2010000), 7u);
  EXPECT_FALSE(copy.FrameAt(1000000));
  EXPECT_FALSE(copy.FrameAt(2020000));

  EXPECT_EQ(copy.FrameOf({false, 7, 0}), 7u);
  EXPECT_FALSE(copy.FrameOf({false, 8, 0}));
  EXPECT_EQ(copy.FrameOf({true, 0, 1540000}), 4u);

  // More times than frames: the rest belong to no frame.
  EXPECT_EQ(TFrameTimes(2, 0, {0, 10, 20}).LastTime(), 10);
}

}  // namespace
