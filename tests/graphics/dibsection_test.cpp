// A screen copy made straight into a DIB section must give the BMP file that
// the copy into a screen bitmap and its conversion give, byte for byte: the
// program's captures take either way depending on the display.
#include "graphics/bitmap.h"
#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/dibsection.h"
#include "tests/graphics/gdi_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A window on screen showing a picture in which neighbouring pixels differ in
// every colour channel, so that a channel lost or moved in either path shows.
class ScreenPicture {
public:
  ScreenPicture(int width, int height) : Width(width), Height(height)
  {
    Window = ::CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                               nullptr, nullptr, nullptr);
    ::UpdateWindow(Window);
    BITMAPINFO info{};
    info.bmiHeader = TDib::MakeInfoHeader(width, height, 32, 0);
    std::vector<DWORD> pixels(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        pixels[static_cast<std::size_t>(y) * width + x] = RGB(x * 7 + y, x * 3 + y * 5, y * 11 + x * 13);
    HDC dc = ::GetDC(Window);
    ::SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ::ReleaseDC(Window, dc);
  }
  ~ScreenPicture() { ::DestroyWindow(Window); }

  void CopyInto(const TBitmap& bitmap) const
  {
    TWindowDC windowDC(Window);
    TMemoryDC memoryDC;
    memoryDC.SelectObject(bitmap);
    ::BitBlt(memoryDC, 0, 0, Width, Height, windowDC, 0, 0, SRCCOPY);
    memoryDC.RestoreBitmap();
  }

  const int Width;
  const int Height;

private:
  HWND Window;
};

TEST(DibSectionCapture, WritesTheBytesOfAConvertedScreenBitmap)
{
  const std::string folder = ReaderCheckFolder("dibsection");
  const int depth = TScreenDC().GetDeviceCaps(BITSPIXEL) * TScreenDC().GetDeviceCaps(PLANES);
  // An odd width: rows of 16-bit pixels carry padding.
  for (const auto& size : {std::pair{161, 97}, std::pair{320, 240}}) {
    SCOPED_TRACE(std::to_string(size.first) + "x" + std::to_string(size.second) + " at depth " + std::to_string(depth));
    ScreenPicture picture(size.first, size.second);

    TBitmap screenBitmap(TScreenDC(), picture.Width, picture.Height);
    picture.CopyInto(screenBitmap);
    TDib converted(screenBitmap);
    converted.GetInfoHeader().biClrUsed = 0;
    const std::string convertedPath = folder + "/CONVERTED.BMP";
    ASSERT_TRUE(converted.WriteFile(convertedPath.c_str()));

    TDibSection section(picture.Width, picture.Height, depth);
    picture.CopyInto(section);
    ::GdiFlush();
    const std::string sectionPath = folder + "/SECTION.BMP";
    ASSERT_TRUE(section.WriteFile(sectionPath.c_str()));

    const std::vector<BYTE> expected = ReadFileBytes(convertedPath);
    const std::vector<BYTE> written = ReadFileBytes(sectionPath);
    ASSERT_EQ(written.size(), expected.size());
    // The picture reached the screen: its first two pixels differ.
    const std::size_t bitsStart = 54, pixelBytes = static_cast<std::size_t>(depth / 8);
    ASSERT_GT(written.size(), bitsStart + 2 * pixelBytes);
    EXPECT_FALSE(std::equal(&written[bitsStart], &written[bitsStart + pixelBytes], &written[bitsStart + pixelBytes]));
    std::size_t firstDifference = 0;
    while (firstDifference < written.size() && written[firstDifference] == expected[firstDifference])
      ++firstDifference;
    EXPECT_EQ(firstDifference, written.size()) << "first differing byte at offset " << firstDifference;
  }
}

}  // namespace
