#include "controls/sliderscale.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using namespace SliderScale;

TEST(SliderScaleTest, PositionsSnapToTheNearestTickStepWithinTheRange)
{
  EXPECT_EQ(Snap(14, 0, 100, 10, true), 10);
  EXPECT_EQ(Snap(15, 0, 100, 10, true), 20);
  EXPECT_EQ(Snap(250, 0, 100, 10, true), 100);
  EXPECT_EQ(Snap(-5, 0, 100, 10, true), 0);
  EXPECT_EQ(Snap(14, 0, 100, 10, false), 14);
  // Steps count from the low end.
  EXPECT_EQ(Snap(14, 5, 105, 10, true), 15);
  EXPECT_EQ(Snap(-26, -40, 40, 10, true), -30);
}

TEST(SliderScaleTest, EqualEndsMakeARangeOfOneAndEveryPositionTheLowEnd)
{
  EXPECT_EQ(RangeBetween(7, 7), 1);
  for (int pos : {-100, 6, 7, 8, 1000})
    EXPECT_EQ(Snap(pos, 7, 7, 1, true), 7) << pos;
  EXPECT_EQ(OffsetFor(7, 7, 1, 141), 0);
}

TEST(SliderScaleTest, UnusableStepsTracksAndRangesDivideByNothing)
{
  // A tick step of 0 turns snapping off.
  EXPECT_EQ(Snap(14, 0, 100, 0, true), 14);
  EXPECT_EQ(Snap(250, 0, 100, 0, true), 100);
  // No room for the thumb to travel: every place is the low end.
  for (int track : {0, -5}) {
    EXPECT_EQ(OffsetFor(50, 0, 100, track), 0);
    EXPECT_EQ(PositionAt(30, 10, 100, track), 10);
  }
  // High end below the low end: the distance stays positive and nothing fails.
  EXPECT_EQ(RangeBetween(100, 0), 100);
  const int snapped = Snap(50, 100, 0, 10, true);
  const int offset = OffsetFor(snapped, 100, 100, 141);
  EXPECT_GE(offset, 0);
  EXPECT_LE(offset, 141);
  PositionAt(offset, 100, 100, 141);
  // Positions far outside the range stay on the track.
  EXPECT_EQ(OffsetFor(INT_MAX, 0, 100, 141), 141);
  EXPECT_EQ(OffsetFor(INT_MIN, 0, 100, 141), 0);
}

// A 150-pixel slider with a 9-pixel thumb has 141 pixels of track.
TEST(SliderScaleTest, ThumbPlaceAndPositionAtThatPlaceAgreeForEveryPosition)
{
  const int track = 141;
  for (int length : {0, 1, 50, 140, 141, 142, 1000, 65535}) {
    const int range = RangeBetween(0, length);
    int previous = 0;
    for (int pos = 0; pos <= length; ++pos) {
      const int offset = OffsetFor(pos, 0, range, track);
      ASSERT_GE(offset, previous) << "length " << length << " pos " << pos;
      const int back = PositionAt(offset, 0, range, track);
      ASSERT_EQ(OffsetFor(back, 0, range, track), offset) << "length " << length << " pos " << pos;
      if (length <= track) {
        ASSERT_EQ(back, pos) << "length " << length;
      }
      previous = offset;
    }
    if (length > 0) {
      EXPECT_EQ(OffsetFor(length, 0, range, track), track) << length;
    }
  }
}

}  // namespace
