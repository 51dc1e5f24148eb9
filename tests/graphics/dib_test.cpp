#include "graphics/bitmap.h"
#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/palette.h"
#include "tests/graphics/gdi_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int GlyphResource = 101;  // a 20 x 20 glyph at 4 bits per pixel

TEST(DibResource, GlyphIsAPrivate344ByteCopy)
{
  TDib glyph(::GetModuleHandleA(nullptr), GlyphResource);
  EXPECT_EQ(glyph.SizeDib(), 344u);
  EXPECT_EQ(glyph.Width(), 20);
  EXPECT_EQ(glyph.Height(), 20);
  EXPECT_EQ(glyph.GetNumColors(), 16);
  EXPECT_EQ(static_cast<const BYTE*>(glyph.GetBits()) - reinterpret_cast<const BYTE*>(glyph.GetInfo()), 40 + 64);
  EXPECT_EQ(glyph.GetColor(7), RGB(0xC0, 0xC0, 0xC0));

  glyph.SetColor(7, RGB(1, 2, 3));
  TDib fresh(::GetModuleHandleA(nullptr), GlyphResource);
  EXPECT_EQ(fresh.GetColor(7), RGB(0xC0, 0xC0, 0xC0)) << "the resource itself is untouched";
}

TEST(DibResource, MissingBitmapAndUnknownHeadersAreRefused)
{
  EXPECT_EQ(GdiFailureId([] { TDib dib(::GetModuleHandleA(nullptr), 9999); }), IDS_GDIRESLOADFAIL);

  for (DWORD headerSize : {108u, 124u, 0u}) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 200);
    *static_cast<DWORD*>(::GlobalLock(block)) = headerSize;
    ::GlobalUnlock(block);
    EXPECT_EQ(GdiFailureId([&] { TDib dib(block, NoAutoDelete); }), IDS_INVALIDDIBHANDLE) << headerSize;
    EXPECT_EQ(::GlobalFlags(block) & GMEM_LOCKCOUNT, 0u) << "the refused block is unlocked";
    ::GlobalFree(block);
  }
}

TEST(DibResource, WrapsCoreAndInfoBlocks)
{
  // A 3 x 2 core-header DIB at 1 bit per pixel: 12 + 2 x 3 + 2 x 4 bytes.
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 26);
  auto* core = static_cast<BITMAPCOREINFO*>(::GlobalLock(block));
  core->bmciHeader = BITMAPCOREHEADER{12, 3, 2, 1, 1};
  core->bmciColors[1] = RGBTRIPLE{0x30, 0x20, 0x10};
  ::GlobalUnlock(block);
  TDib dib(block, AutoDelete);
  EXPECT_TRUE(dib.IsCoreHeader());
  EXPECT_EQ(dib.Width(), 3);
  EXPECT_EQ(dib.Height(), 2);
  EXPECT_EQ(dib.GetNumColors(), 2);
  EXPECT_EQ(dib.GetColor(1), RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(static_cast<BYTE*>(dib.GetBits()) - reinterpret_cast<BYTE*>(dib.GetInfo()), 18);

  TDib copy(dib);
  EXPECT_TRUE(copy.IsCoreHeader());
  EXPECT_EQ(copy.SizeDib(), 26u);
  EXPECT_EQ(copy.GetColor(1), RGB(0x10, 0x20, 0x30));
  EXPECT_NE(copy.GetHandle(), dib.GetHandle());
}

TEST(DibColors, TableOperations)
{
  TDib glyph(::GetModuleHandleA(nullptr), GlyphResource);
  EXPECT_EQ(glyph.GetColor(-1), TDib::NoColor);
  EXPECT_EQ(glyph.GetColor(16), TDib::NoColor);
  glyph.SetColor(16, RGB(1, 1, 1));  // ignored
  EXPECT_EQ(glyph.FindColor(RGB(0xFF, 0xFF, 0)), 11);
  EXPECT_EQ(glyph.FindColor(RGB(1, 2, 3)), -1);

  glyph.SetColor(3, RGB(9, 9, 9));
  glyph.SetColor(5, RGB(9, 9, 9));
  glyph.SetColor(9, RGB(9, 9, 9));
  EXPECT_EQ(glyph.MapColor(RGB(9, 9, 9), RGB(1, 2, 3)), 1);
  EXPECT_EQ(glyph.GetColor(3), RGB(1, 2, 3));
  EXPECT_EQ(glyph.GetColor(5), RGB(9, 9, 9));
  EXPECT_EQ(glyph.MapColor(RGB(9, 9, 9), RGB(4, 5, 6), true), 2);
  EXPECT_EQ(glyph.GetColor(9), RGB(4, 5, 6));
  EXPECT_EQ(glyph.GetInfo()->bmiColors[9].rgbReserved, 0);
}

TEST(DibColors, SystemColoursReplaceOnlyTheFirstOccurrence)
{
  TDib glyph(::GetModuleHandleA(nullptr), GlyphResource);  // light grey at 7 and 12
  glyph.MapSystemColors(0x1F, RGB(0x12, 0x34, 0x56));
  EXPECT_EQ(glyph.GetColor(7), ::GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(glyph.GetColor(12), RGB(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(glyph.GetColor(0), ::GetSysColor(COLOR_BTNTEXT));
  EXPECT_EQ(glyph.GetColor(8), ::GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(glyph.GetColor(15), ::GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(glyph.GetColor(13), ::GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(glyph.GetColor(11), RGB(0x12, 0x34, 0x56));

  TDib untouched(::GetModuleHandleA(nullptr), GlyphResource);
  untouched.MapSystemColors(0);
  EXPECT_EQ(untouched.GetColor(11), RGB(0xFF, 0xFF, 0));
}

TEST(DibColors, PaletteIndexModeRoundTrip)
{
  TDib glyph(::GetModuleHandleA(nullptr), GlyphResource);
  PALETTEENTRY entries[4] = {{0xFF, 0xFF, 0xFF, 0}, {0, 0, 0, 0}, {0xFF, 0, 0, 0}, {0xC0, 0xC0, 0xC0, 0}};
  TPalette palette(entries, 4);

  ASSERT_TRUE(glyph.ToPaletteIndices(palette));
  EXPECT_EQ(glyph.GetMode(), DIB_PAL_COLORS);
  EXPECT_FALSE(glyph.ToPaletteIndices(palette));
  EXPECT_EQ(glyph.GetIndex(0), 1);   // black
  EXPECT_EQ(glyph.GetIndex(9), 2);   // red
  EXPECT_EQ(glyph.GetIndex(15), 0);  // white
  EXPECT_EQ(glyph.GetIndex(7), 3);   // light grey
  EXPECT_EQ(glyph.GetIndex(12), 3);
  EXPECT_EQ(glyph.GetIndex(5), 5) << "no exact match keeps the entry's own position";
  EXPECT_EQ(glyph.GetColor(0), TDib::NoColor);
  EXPECT_EQ(glyph.FindIndex(0), 15);
  EXPECT_EQ(glyph.FindIndex(99), -1);
  EXPECT_EQ(glyph.MapIndex(3, 2), 1) << "entry 3, olive, kept its own position 3";
  EXPECT_EQ(glyph.MapIndex(3, 2, true), 2) << "entries 7 and 12, light grey";
  EXPECT_EQ(glyph.GetIndex(12), 2);
  glyph.SetIndex(16, 1);  // ignored
  EXPECT_EQ(glyph.GetIndex(16), 0);

  ASSERT_TRUE(glyph.ToRgbColors(palette));
  EXPECT_EQ(glyph.GetMode(), DIB_RGB_COLORS);
  EXPECT_FALSE(glyph.ToRgbColors(palette));
  EXPECT_EQ(glyph.GetColor(0), RGB(0, 0, 0));
  EXPECT_EQ(glyph.GetColor(7), RGB(0xFF, 0, 0));
  EXPECT_EQ(glyph.GetColor(3), RGB(0xFF, 0, 0));
  EXPECT_EQ(glyph.GetColor(15), RGB(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(glyph.GetColor(5), RGB(0xFF, 0xFF, 0xFF)) << "index 5 is beyond the palette: entry 0";
}

TEST(DibBlank, TablesForBothModes)
{
  TDib indexed(8, 8, 16, DIB_PAL_COLORS);
  EXPECT_EQ(indexed.BitsPixel(), 4);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(indexed.GetIndex(i), i);

  TDib hatch(8, 8, 2);
  EXPECT_EQ(hatch.BitsPixel(), 1);
  EXPECT_EQ(hatch.SizeDib(), 40u + 8 + 32);
  EXPECT_EQ(hatch.GetInfoHeader().biClrUsed, 2u);
  EXPECT_EQ(hatch.GetInfo()->bmiColors[1].rgbReserved, 0);
}

TEST(DibCapture, ScreenBitmapAt32Bits)
{
  TScreenDC screen;
  TBitmap bitmap(screen, 7, 3);
  {
    TMemoryDC dc;
    dc.SelectObject(bitmap);
    ::PatBlt(dc, 0, 0, 7, 3, BLACKNESS);
    ::SetPixel(dc, 0, 0, RGB(0x11, 0x22, 0x33));
  }
  TDib dib(bitmap);
  const BITMAPINFOHEADER& header = dib.GetInfoHeader();
  EXPECT_EQ(header.biBitCount, 32);
  EXPECT_EQ(header.biClrUsed, 0u);
  EXPECT_EQ(header.biSizeImage, 7u * 4 * 3);
  EXPECT_EQ(dib.SizeDib(), 40u + 84);
  EXPECT_EQ(dib.GetBits(), reinterpret_cast<BYTE*>(dib.GetInfo()) + 40);
  // Bottom-up: the top-left pixel opens the last row.
  const BYTE* topLeft = static_cast<const BYTE*>(dib.GetBits()) + 2 * 28;
  EXPECT_EQ(topLeft[0], 0x33);
  EXPECT_EQ(topLeft[1], 0x22);
  EXPECT_EQ(topLeft[2], 0x11);
}

}  // namespace
