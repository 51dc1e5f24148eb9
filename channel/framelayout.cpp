#include "channel/framelayout.h"

#include <cstring>

namespace FrameLayout {

bool DepthSupported(std::uint16_t bitCount)
{
  return bitCount == 24 || bitCount == 32;
}

std::size_t DibRowBytes(std::uint32_t width, std::uint16_t bitCount)
{
  if (!DepthSupported(bitCount))
    return 0;
  return (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
}

void LayoutRow(const std::uint8_t* bgrRow, std::uint32_t width, std::uint16_t bitCount, std::uint8_t* dibRow)
{
  if (bitCount == 24) {
    const std::size_t used = static_cast<std::size_t>(width) * 3;
    std::memcpy(dibRow, bgrRow, used);
    std::memset(dibRow + used, 0, DibRowBytes(width, bitCount) - used);
    return;
  }
  // 32 bits: each pixel's fourth byte 0; such rows need no padding.
  for (std::uint32_t x = 0; x < width; ++x, bgrRow += 3, dibRow += 4) {
    dibRow[0] = bgrRow[0];
    dibRow[1] = bgrRow[1];
    dibRow[2] = bgrRow[2];
    dibRow[3] = 0;
  }
}

bool LayoutFrame(const std::uint8_t* bgrTopDown, std::uint32_t width, std::uint32_t height, std::uint16_t bitCount,
                 std::uint8_t* dibRows)
{
  if (!DepthSupported(bitCount))
    return false;
  const std::size_t rowBytes = DibRowBytes(width, bitCount);
  const std::size_t packedBytes = static_cast<std::size_t>(width) * 3;
  for (std::uint32_t y = 0; y < height; ++y)
    LayoutRow(bgrTopDown + y * packedBytes, width, bitCount, dibRows + (height - 1 - y) * rowBytes);
  return true;
}

}  // namespace FrameLayout
