#include "graphics/dibformat.h"

namespace DibFormat {

namespace {

void PutLittleEndian(std::uint8_t* out, std::uint32_t value)
{
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

int ColorsForDepth(int depth)
{
  switch (depth) {
  case 1:
  case 4:
  case 8:
    return 1 << depth;
  case 24:
    return 0;
  default:
    return -1;
  }
}

int DepthForColors(int colors)
{
  if (colors <= 2)
    return 1;
  if (colors <= 16)
    return 4;
  if (colors > 256)
    return 24;
  return 8;
}

std::array<std::uint8_t, FileHeaderSize> FileHeader(std::size_t blockSize, std::size_t bitsOffset)
{
  std::array<std::uint8_t, FileHeaderSize> header{};
  header[0] = 'B';
  header[1] = 'M';
  PutLittleEndian(&header[2], static_cast<std::uint32_t>(blockSize + FileHeaderSize));
  // Bytes 6 to 9 are the two reserved words, zero.
  PutLittleEndian(&header[10], static_cast<std::uint32_t>(bitsOffset + FileHeaderSize));
  return header;
}

}  // namespace DibFormat
