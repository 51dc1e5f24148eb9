// The length of a DIB's pixel row, which is padded to whole 32-bit words.
// Free of platform headers: the codec, the AVI reader and the host tools
// share it.
#pragma once

#include <cstdint>

// Bytes of one row of width pixels of bitCount bits each. Computed in 64
// bits, where no 32-bit width and depth overflow, so that sizes read from a
// file can be checked against a limit before they are narrowed.
constexpr std::uint64_t DibRowBytes(std::uint32_t width, std::uint32_t bitCount)
{
  return (std::uint64_t{width} * bitCount + 31) / 32 * 4;
}
