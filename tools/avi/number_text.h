// Numbers in command-line arguments of the movie tools. Portable code.
#pragma once

#include <cstdint>

// Parses a whole decimal number; false on anything else.
bool ParseNumber(const char* text, std::uint32_t& value);

// Parses "A<separator>B" into two numbers, e.g. a size "640x480".
bool ParsePair(const char* text, char separator, std::uint32_t& a, std::uint32_t& b);
