#include "tests/support/bmpfile.h"
#include "tests/support/program.h"

#include <cstring>

namespace {

template <class T> T At(const std::string& bytes, std::size_t offset)
{
  T value{};
  if (offset + sizeof value <= bytes.size())
    std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

}  // namespace

TBmpFile ReadBmp(const std::string& path)
{
  TBmpFile bmp;
  bmp.Bytes = ReadWholeFile(path);
  const std::string& b = bmp.Bytes;
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
    return bmp;
  bmp.FileSize = At<std::uint32_t>(b, 2);
  bmp.OffBits = At<std::uint32_t>(b, 10);
  bmp.HeaderSize = At<std::uint32_t>(b, 14);
  bmp.Width = At<std::int32_t>(b, 18);
  bmp.Height = At<std::int32_t>(b, 22);
  bmp.BitCount = At<std::uint16_t>(b, 28);
  bmp.ClrUsed = At<std::uint32_t>(b, 46);
  const std::uint32_t colours = bmp.BitCount <= 8 ? (bmp.ClrUsed ? bmp.ClrUsed : 1u << bmp.BitCount) : bmp.ClrUsed;
  for (std::uint32_t i = 0; i < colours; ++i)
    bmp.ColorTable.push_back(At<std::uint32_t>(b, 14 + bmp.HeaderSize + 4 * i) & 0xFFFFFF);
  bmp.Valid = bmp.FileSize == b.size() && bmp.Width > 0 && bmp.Height > 0;
  return bmp;
}

std::uint32_t TBmpFile::Pixel(int x, int y) const
{
  const std::size_t stride = ((static_cast<std::size_t>(Width) * BitCount + 31) / 32) * 4;
  const std::size_t row = OffBits + stride * static_cast<std::size_t>(Height - 1 - y);  // bottom-up
  switch (BitCount) {
  case 32:
    return At<std::uint32_t>(Bytes, row + 4 * static_cast<std::size_t>(x)) & 0xFFFFFF;
  case 24:
    return At<std::uint32_t>(Bytes, row + 3 * static_cast<std::size_t>(x)) & 0xFFFFFF;
  case 8: {
    const auto index = At<std::uint8_t>(Bytes, row + static_cast<std::size_t>(x));
    return index < ColorTable.size() ? ColorTable[index] : 0xFF000000u;
  }
  default:
    return 0xFF000000u;
  }
}
