// BMP output on a 256-colour palette display.
#include "graphics/bitmap.h"
#include "graphics/brush.h"
#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/palette.h"
#include "tests/graphics/gdi_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<PALETTEENTRY> SystemPalette(int count)
{
  TScreenDC screen;
  std::vector<PALETTEENTRY> entries(count);
  EXPECT_EQ(::GetSystemPaletteEntries(screen, 0, count, entries.data()), static_cast<UINT>(count));
  return entries;
}

TEST(PaletteDisplay, ScreenHasA256EntryPalette)
{
  TScreenDC screen;
  EXPECT_TRUE(screen.GetDeviceCaps(RASTERCAPS) & RC_PALETTE);
  EXPECT_EQ(screen.GetDeviceCaps(BITSPIXEL), 8);
  EXPECT_EQ(screen.GetDeviceCaps(SIZEPALETTE), 256);
}

TEST(PaletteDisplay, CaptureWithTheSystemPaletteAsColourTable)
{
  const std::string folder = ReaderCheckFolder("palette8");
  TScreenDC screen;
  TBitmap bitmap(screen, 30, 17);
  // Static colours of the system palette; GetDIBits may number grey
  // differently from the system palette.
  const COLORREF colors[] = {RGB(0, 0, 0),   RGB(255, 255, 255), RGB(255, 0, 0),    RGB(0, 0, 255),
                             RGB(0, 128, 0), RGB(192, 192, 192), RGB(128, 128, 128)};
  std::vector<COLORREF> expected;
  {
    TMemoryDC dc;
    dc.SelectObject(bitmap);
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < 30; ++x) {
        TBrush brush(colors[(x / 3 + y) % 7]);
        dc.SelectObject(brush);
        ::PatBlt(dc, x, y, 1, 1, PATCOPY);
      }
    dc.RestoreBrush();
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < 30; ++x)
        expected.push_back(::GetPixel(dc, x, y));
  }

  TDib dib(bitmap);
  ASSERT_EQ(dib.BitsPixel(), 8);
  ASSERT_EQ(dib.GetNumColors(), 256);
  const std::vector<PALETTEENTRY> system = SystemPalette(256);
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(dib.GetColor(i), RGB(system[i].peRed, system[i].peGreen, system[i].peBlue)) << i;
  // Frame capture's completion on palette displays sets the same colours again.
  for (int i = 0; i < 256; ++i)
    dib.SetColor(i, RGB(system[i].peRed, system[i].peGreen, system[i].peBlue));

  const std::string path = folder + "/PAL80000.BMP";
  ASSERT_TRUE(dib.WriteFile(path.c_str()));
  const std::vector<BYTE> file = ReadFileBytes(path);
  ASSERT_EQ(file.size(), 14u + 40 + 1024 + 32 * 17);
  EXPECT_EQ(LittleEndianAt(file, 10, 4), 1078u);
  EXPECT_EQ(LittleEndianAt(file, 28, 2), 8u);
  EXPECT_EQ(LittleEndianAt(file, 46, 4), 256u);
  for (int i = 0; i < 256; ++i) {
    const BYTE* quad = &file[54 + 4 * i];
    EXPECT_EQ(RGB(quad[2], quad[1], quad[0]), RGB(system[i].peRed, system[i].peGreen, system[i].peBlue))
      << "entry " << i;
    EXPECT_EQ(quad[3], 0);
  }
  // Each stored index shows the colour that was on screen.
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 30; ++x) {
      const BYTE index = file[1078 + (16 - y) * 32 + x];
      EXPECT_EQ(RGB(system[index].peRed, system[index].peGreen, system[index].peBlue), expected[y * 30 + x])
        << x << "," << y;
    }
  WriteExpectedPixels(folder + "/PAL80000.rgb", expected);
}

TEST(PaletteDisplay, BlankDibTakesTheSystemPalette)
{
  const std::vector<PALETTEENTRY> system = SystemPalette(256);
  TDib dib(4, 4, 256);
  for (int i = 0; i < 256; i += 15)
    EXPECT_EQ(dib.GetColor(i), RGB(system[i].peRed, system[i].peGreen, system[i].peBlue)) << i;
  EXPECT_EQ(dib.GetInfo()->bmiColors[255].rgbReserved, 0);
}

TEST(PaletteDisplay, SixteenColourPaletteGivesAFourBitDib)
{
  const std::string folder = ReaderCheckFolder("palette8");
  std::vector<PALETTEENTRY> entries = SystemPalette(256);
  // The first eight and last eight static colours.
  std::vector<PALETTEENTRY> statics(entries.begin(), entries.begin() + 8);
  statics.insert(statics.end(), entries.end() - 8, entries.end());
  TPalette palette(statics.data(), 16);

  TScreenDC screen;
  TBitmap bitmap(screen, 9, 5);
  std::vector<COLORREF> expected;
  {
    TMemoryDC dc;
    dc.SelectObject(bitmap);
    ::PatBlt(dc, 0, 0, 9, 5, WHITENESS);
    ::PatBlt(dc, 0, 0, 4, 5, BLACKNESS);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 9; ++x)
        expected.push_back(::GetPixel(dc, x, y));
  }
  TDib dib(bitmap, &palette);
  EXPECT_EQ(dib.BitsPixel(), 4);
  EXPECT_EQ(dib.GetNumColors(), 16);
  const std::string path = folder + "/PAL40000.BMP";
  ASSERT_TRUE(dib.WriteFile(path.c_str()));
  const std::vector<BYTE> file = ReadFileBytes(path);
  EXPECT_EQ(LittleEndianAt(file, 10, 4), 118u);
  EXPECT_EQ(LittleEndianAt(file, 46, 4), 16u);
  WriteExpectedPixels(folder + "/PAL40000.rgb", expected);
}

}  // namespace
