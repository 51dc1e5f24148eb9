// Bytes from the system's cryptographic random source (the channel's nonces).
// Throws std::runtime_error when the system cannot give them.
#pragma once

#include <cstddef>
#include <cstdint>

void FillRandom(std::uint8_t* bytes, std::size_t size);
