#include "codec/crc32.h"

#include <array>

namespace {

constexpr std::uint32_t Polynomial = 0xEDB88320;  // reflected 0x04C11DB7

// Table k gives the CRC of a byte followed by k zero bytes, so that eight
// bytes are folded in with eight look-ups and no dependency between them.
using TTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr TTables MakeTables()
{
  TTables tables{};
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    std::uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit)
      crc = crc & 1 ? crc >> 1 ^ Polynomial : crc >> 1;
    tables[0][byte] = crc;
  }
  for (std::size_t k = 1; k < tables.size(); ++k)
    for (std::uint32_t byte = 0; byte < 256; ++byte)
      tables[k][byte] = tables[k - 1][byte] >> 8 ^ tables[0][tables[k - 1][byte] & 0xFF];
  return tables;
}

constexpr TTables Tables = MakeTables();

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size)
{
  std::uint32_t crc = 0xFFFFFFFF;
  for (; size >= 8; data += 8, size -= 8) {
    const std::uint32_t low = crc ^
                              (data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24);
    crc = Tables[7][low & 0xFF] ^ Tables[6][low >> 8 & 0xFF] ^ Tables[5][low >> 16 & 0xFF] ^ Tables[4][low >> 24] ^
          Tables[3][data[4]] ^ Tables[2][data[5]] ^ Tables[1][data[6]] ^ Tables[0][data[7]];
  }
  for (; size > 0; ++data, --size)
    crc = crc >> 8 ^ Tables[0][(crc ^ *data) & 0xFF];
  return crc ^ 0xFFFFFFFF;
}
