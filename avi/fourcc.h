// The four-character codes that name RIFF chunks, list types and
// compression formats, as the file stores them: the first character in the
// lowest byte of a little-endian word.
#pragma once

#include <cstdint>

using TFourCC = std::uint32_t;

constexpr TFourCC FourCC(const char (&code)[5])
{
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[0])) |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[3])) << 24;
}
