// SHA-256 (FIPS 180-4) and HMAC-SHA256 (RFC 2104): the movie id is a hash of
// the movie's identity, and the frame channel's two ends prove to each other
// that they hold the run's secret with HMACs. Small and clear rather than
// fast: the channel hashes a few dozen bytes per connection. Portable code
// with no platform state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

using TSha256Digest = std::array<std::uint8_t, 32>;

// A hash over bytes given in any number of pieces.
class TSha256 {
public:
  TSha256();
  void Add(const void* data, std::size_t size);
  void Add(std::string_view text) { Add(text.data(), text.size()); }
  // The digest of everything added; the hasher then starts over.
  TSha256Digest Finish();

private:
  void Compress(const std::uint8_t* block);

  std::array<std::uint32_t, 8> State;
  std::array<std::uint8_t, 64> Block;
  std::size_t BlockUsed;
  std::uint64_t TotalBytes;
};

TSha256Digest Sha256(const void* data, std::size_t size);
TSha256Digest HmacSha256(const void* key, std::size_t keySize, const void* message, std::size_t messageSize);
