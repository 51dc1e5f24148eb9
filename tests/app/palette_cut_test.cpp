// Cutting on a palette display: the BMP carries the system palette as its
// colour table.
#include "resources/resource.h"
#include "tests/app/cut_session.h"

#include <gtest/gtest.h>

namespace {

TEST(PaletteCutTest, BmpOfAnEightBitDisplayCarriesTheSystemPalette)
{
  TCutSession::TOptions options;
  options.Movie.BitCount = 8;
  options.Movie.Width = 161;  // an odd size: rows are padded in the file
  options.Movie.Height = 97;
  TCutSession session(options);
  ASSERT_NE(session.Main(), nullptr);
  ASSERT_TRUE(session.WaitForMovie());
  session.Command(CM_CUT);
  ASSERT_TRUE(session.WaitForFile("0000.BMP"));
  const TBmpFile bmp = session.Output("0000.BMP");
  EXPECT_EQ(bmp.Width, 161);
  EXPECT_EQ(bmp.Height, 97);
  EXPECT_EQ(bmp.BitCount, 8);
  EXPECT_EQ(bmp.OffBits, 1078u);
  EXPECT_EQ(bmp.ClrUsed, 256u);
  ASSERT_EQ(bmp.ColorTable.size(), 256u);

  PALETTEENTRY system[256];
  HDC screen = ::GetDC(nullptr);
  ASSERT_EQ(::GetSystemPaletteEntries(screen, 0, 256, system), 256u);
  ::ReleaseDC(nullptr, screen);
  int differing = 0;
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t rgb = (std::uint32_t(system[i].peRed) << 16) | (std::uint32_t(system[i].peGreen) << 8) |
                              system[i].peBlue;
    differing += bmp.ColorTable[static_cast<std::size_t>(i)] != rgb;
  }
  EXPECT_EQ(differing, 0);
  // The pixels are what the screen shows; on a palette display the device maps
  // the movie's colours to the system palette itself, so they are not compared
  // with the movie's own colours here.
}

}  // namespace
