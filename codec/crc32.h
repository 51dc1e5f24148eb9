// The CRC-32 of IEEE 802.3 (as zip and PNG use it), the check value each coded
// frame carries. Computed eight bytes at a time, at memory speed. Portable
// code with no platform state.
#pragma once

#include <cstddef>
#include <cstdint>

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);
