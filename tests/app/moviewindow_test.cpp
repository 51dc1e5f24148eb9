// How far the frame grows to show a movie window that it hides in part.
#include "app/device/moviewindow.h"

#include <gtest/gtest.h>

namespace {

const TRect WorkArea(0, 0, 1280, 1024);

TEST(FrameGrowthTest, GrowsByWhatIsMissingAndNeverShrinks)
{
  const TRect frame(10, 20, 540, 380);
  EXPECT_EQ(FrameGrownBy(frame, TSize(114, 143), WorkArea), TRect(10, 20, 654, 523));
  EXPECT_EQ(FrameGrownBy(frame, TSize(-50, 40), WorkArea), TRect(10, 20, 540, 420));
  EXPECT_EQ(FrameGrownBy(frame, TSize(0, 0), WorkArea), frame);
}

TEST(FrameGrowthTest, StaysWithinTheWorkArea)
{
  // Pushed over the right edge: moved back inside.
  EXPECT_EQ(FrameGrownBy(TRect(900, 0, 1200, 300), TSize(200, 0), WorkArea), TRect(780, 0, 1280, 300));
  // Larger than the work area: as large as it, at its edge.
  EXPECT_EQ(FrameGrownBy(TRect(100, 100, 600, 500), TSize(5000, 5000), WorkArea), TRect(0, 0, 1280, 1024));
  // Already larger than the work area: left as it is.
  const TRect huge(-50, -50, 2000, 2000);
  EXPECT_EQ(FrameGrownBy(huge, TSize(10, 10), WorkArea), huge);
}

}  // namespace
