// A frame of an uncompressed movie laid out as the BMP file a copy from the
// screen gives: whatever the stored rows hold in their unused bytes, the file
// has the screen's depth, its pixels, and zeros where the screen has no colour.
#include "app/cut/filecut.h"
#include "graphics/dib.h"
#include "graphics/dibformat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace {

TAviVideo Movie(int width, int height, std::uint16_t bitCount)
{
  TAviVideo video;
  video.Refusal = TAviRefusal::None;
  video.Width = width;
  video.Height = height;
  video.BitCount = bitCount;
  video.Compression = TAviVideo::UncompressedRgb;
  video.FrameBytes = static_cast<std::uint32_t>(DibFormat::ScanBytes(width, bitCount) * height);
  return video;
}

class ScreenFileTest : public testing::TestWithParam<std::tuple<std::uint16_t, int>> {};

TEST_P(ScreenFileTest, HoldsTheStoredPixelsAtTheScreensDepthWithNothingElse)
{
  const auto [movieDepth, screenDepth] = GetParam();
  // An odd width pads 24-bit rows; every stored byte is set, the unused ones
  // too, as a movie file may have them.
  const int width = 7;
  const int height = 3;
  const TAviVideo video = Movie(width, height, movieDepth);
  TScreenFile file(video, screenDepth);
  ASSERT_EQ(file.StoredBytes(), video.FrameBytes);
  std::vector<std::uint8_t> aside(file.StoredBytes());
  std::uint8_t* stored = file.RowsToReadInto() ? file.RowsToReadInto() : aside.data();
  std::vector<std::uint8_t> storedCopy(file.StoredBytes());
  for (std::size_t i = 0; i < storedCopy.size(); ++i)
    storedCopy[i] = static_cast<std::uint8_t>(0x80 | i);
  // Laid out twice, as a reused file is: the second frame's bytes alone count.
  std::memset(stored, 0x55, storedCopy.size());
  file.LayOut(stored);
  std::memcpy(stored, storedCopy.data(), storedCopy.size());
  file.LayOut(stored);

  const BITMAPINFOHEADER header = TDib::MakeInfoHeader(width, height, screenDepth, 0);
  const auto fileHeader = DibFormat::FileHeader(sizeof header + header.biSizeImage, sizeof header);
  ASSERT_EQ(file.Size(), fileHeader.size() + sizeof header + header.biSizeImage);
  EXPECT_EQ(std::memcmp(file.Data(), fileHeader.data(), fileHeader.size()), 0);
  EXPECT_EQ(std::memcmp(file.Data() + fileHeader.size(), &header, sizeof header), 0);

  const std::uint8_t* rows = file.Data() + fileHeader.size() + sizeof header;
  const int storedStride = DibFormat::ScanBytes(width, movieDepth);
  const int screenStride = DibFormat::ScanBytes(width, screenDepth);
  for (int y = 0; y < height; ++y)
    for (int byte = 0; byte < screenStride; ++byte) {
      const int x = byte / (screenDepth / 8);
      const int channel = byte % (screenDepth / 8);
      const std::uint8_t want = x < width && channel < 3 ? storedCopy[y * storedStride + x * (movieDepth / 8) + channel]
                                                         : 0;
      ASSERT_EQ(rows[y * screenStride + byte], want) << "row " << y << ", byte " << byte;
    }
}

INSTANTIATE_TEST_SUITE_P(MovieAndScreenDepths, ScreenFileTest,
                         testing::Combine(testing::Values(std::uint16_t{24}, std::uint16_t{32}),
                                          testing::Values(24, 32)));

}  // namespace
