// The arithmetic of the DIB and BMP formats, free of any handle: colour-table
// sizes, padded pixel rows and the file header in front of a packed DIB.
#pragma once

#include "framework/base/dibstride.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace DibFormat {

constexpr std::size_t FileHeaderSize = 14;

// Colour-table entries: 2^depth for 1, 4 and 8 bits, none for 24, -1 for a
// depth without a colour count.
int ColorsForDepth(int depth);
// The smallest depth with room for colors entries (24 above 256).
int DepthForColors(int colors);
// Bytes per pixel row, padded to a multiple of 4.
constexpr int ScanBytes(int width, int depth)
{
  return static_cast<int>(DibRowBytes(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(depth)));
}

// The BMP file header for a packed DIB of blockSize bytes whose pixels start
// bitsOffset bytes into it: "BM", the file size, two zero words, the offset of
// the pixels in the file; little-endian.
std::array<std::uint8_t, FileHeaderSize> FileHeader(std::size_t blockSize, std::size_t bitsOffset);

}  // namespace DibFormat
