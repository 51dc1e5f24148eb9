// The DIB and BMP format arithmetic on its own: built for the program and for
// the host under the sanitizers.
#include "graphics/dibformat.h"

#include <gtest/gtest.h>

namespace {

using namespace DibFormat;

TEST(DibFormat, DepthAndColourCountRules)
{
  EXPECT_EQ(ColorsForDepth(1), 2);
  EXPECT_EQ(ColorsForDepth(4), 16);
  EXPECT_EQ(ColorsForDepth(8), 256);
  EXPECT_EQ(ColorsForDepth(24), 0);
  EXPECT_EQ(ColorsForDepth(16), -1);
  EXPECT_EQ(ColorsForDepth(32), -1);

  EXPECT_EQ(DepthForColors(0), 1);
  EXPECT_EQ(DepthForColors(2), 1);
  EXPECT_EQ(DepthForColors(3), 4);
  EXPECT_EQ(DepthForColors(16), 4);
  EXPECT_EQ(DepthForColors(17), 8);
  EXPECT_EQ(DepthForColors(256), 8);
  EXPECT_EQ(DepthForColors(257), 24);

  EXPECT_EQ(ScanBytes(321, 24), 964);
  EXPECT_EQ(ScanBytes(20, 4), 12);
  EXPECT_EQ(ScanBytes(33, 1), 8);
  EXPECT_EQ(ScanBytes(320, 8), 320);
}

// Widths and depths come from movie files: the widest rows must come out
// exact, not wrapped, so that the reader can refuse them.
TEST(DibFormat, RowLengthOfTheWidestRowsDoesNotWrap)
{
  constexpr std::uint32_t widest = 0xFFFFFFFF;
  EXPECT_EQ(DibRowBytes(widest, 32), std::uint64_t{widest} * 4);
  EXPECT_EQ(DibRowBytes(widest, 1), std::uint64_t{1} << 29);
  EXPECT_EQ(DibRowBytes(0x7FFFFFFF, 24), std::uint64_t{0x7FFFFFFF} * 3 + 3);
}

TEST(DibFormat, FileHeaderGivesTheFileSizeAndWhereThePixelsStartLittleEndian)
{
  // A 640x480 32-bit capture: a 40-byte header, no table, then the pixels.
  const auto header = FileHeader(40 + 640 * 480 * 4, 40);
  const std::array<std::uint8_t, FileHeaderSize> expected = {'B', 'M', 0x36, 0xC0, 0x12, 0x00, 0, 0, 0, 0, 54, 0, 0, 0};
  EXPECT_EQ(header, expected);
  // An 8-bit DIB with its 256-entry table: the pixels start after 14 + 40 + 1024 bytes.
  const auto paletted = FileHeader(40 + 1024 + 4, 40 + 1024);
  EXPECT_EQ(paletted[2] | paletted[3] << 8, 14 + 40 + 1024 + 4);
  EXPECT_EQ(paletted[10] | paletted[11] << 8, 14 + 40 + 1024);
}

}  // namespace
