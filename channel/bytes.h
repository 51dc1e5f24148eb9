// Little-endian u32 words in byte buffers, as the channel's messages and the
// served frame chunk hold them. Portable code with no platform state.
#pragma once

#include <cstdint>

inline void PutU32(std::uint8_t* bytes, std::uint32_t value)
{
  bytes[0] = static_cast<std::uint8_t>(value);
  bytes[1] = static_cast<std::uint8_t>(value >> 8);
  bytes[2] = static_cast<std::uint8_t>(value >> 16);
  bytes[3] = static_cast<std::uint8_t>(value >> 24);
}

inline std::uint32_t GetU32(const std::uint8_t* bytes)
{
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}
