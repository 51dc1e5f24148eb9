// Bytes as lowercase hexadecimal text and back: movie ids in cache file
// names, the run's secret in the environment, hashes in identity text.
// Portable code with no platform state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

std::string HexText(const std::uint8_t* bytes, std::size_t size);
// Fills bytes[0..size) from exactly 2*size hex digits (either case); false,
// leaving bytes unspecified, for text of another length or a non-digit.
bool ParseHex(std::string_view text, std::uint8_t* bytes, std::size_t size);
