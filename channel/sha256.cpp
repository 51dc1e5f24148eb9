#include "channel/sha256.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::array<std::uint32_t, 64> RoundConstants = {
  0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
  0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
  0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
  0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
  0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
  0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
  0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
  0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::array<std::uint32_t, 8> InitialState = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

constexpr std::size_t BlockBytes = 64;

std::uint32_t RotateRight(std::uint32_t value, int bits)
{
  return value >> bits | value << (32 - bits);
}

}  // namespace

TSha256::TSha256() : State(InitialState), Block{}, BlockUsed(0), TotalBytes(0) {}

void TSha256::Compress(const std::uint8_t* block)
{
  std::array<std::uint32_t, 64> w;
  for (std::size_t i = 0; i < 16; ++i)
    w[i] = static_cast<std::uint32_t>(block[4 * i]) << 24 | static_cast<std::uint32_t>(block[4 * i + 1]) << 16 |
           static_cast<std::uint32_t>(block[4 * i + 2]) << 8 | block[4 * i + 3];
  for (std::size_t i = 16; i < 64; ++i) {
    const std::uint32_t s0 = RotateRight(w[i - 15], 7) ^ RotateRight(w[i - 15], 18) ^ w[i - 15] >> 3;
    const std::uint32_t s1 = RotateRight(w[i - 2], 17) ^ RotateRight(w[i - 2], 19) ^ w[i - 2] >> 10;
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  std::uint32_t a = State[0], b = State[1], c = State[2], d = State[3];
  std::uint32_t e = State[4], f = State[5], g = State[6], h = State[7];
  for (std::size_t i = 0; i < 64; ++i) {
    const std::uint32_t s1 = RotateRight(e, 6) ^ RotateRight(e, 11) ^ RotateRight(e, 25);
    const std::uint32_t choice = (e & f) ^ (~e & g);
    const std::uint32_t t1 = h + s1 + choice + RoundConstants[i] + w[i];
    const std::uint32_t s0 = RotateRight(a, 2) ^ RotateRight(a, 13) ^ RotateRight(a, 22);
    const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
    const std::uint32_t t2 = s0 + majority;
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  State[0] += a;
  State[1] += b;
  State[2] += c;
  State[3] += d;
  State[4] += e;
  State[5] += f;
  State[6] += g;
  State[7] += h;
}

void TSha256::Add(const void* data, std::size_t size)
{
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  TotalBytes += size;
  while (size > 0) {
    const std::size_t take = std::min(size, BlockBytes - BlockUsed);
    std::memcpy(Block.data() + BlockUsed, bytes, take);
    BlockUsed += take;
    bytes += take;
    size -= take;
    if (BlockUsed == BlockBytes) {
      Compress(Block.data());
      BlockUsed = 0;
    }
  }
}

TSha256Digest TSha256::Finish()
{
  // Padding: a 1 bit, zeros up to 8 bytes short of a block, the length in bits.
  const std::uint64_t totalBits = TotalBytes * 8;
  const std::uint8_t one = 0x80;
  Add(&one, 1);
  const std::uint8_t zero = 0;
  while (BlockUsed != BlockBytes - 8)
    Add(&zero, 1);
  std::uint8_t length[8];
  for (int i = 0; i < 8; ++i)
    length[i] = static_cast<std::uint8_t>(totalBits >> (56 - 8 * i));
  Add(length, sizeof length);

  TSha256Digest digest;
  for (std::size_t i = 0; i < State.size(); ++i)
    for (std::size_t k = 0; k < 4; ++k)
      digest[4 * i + k] = static_cast<std::uint8_t>(State[i] >> (24 - 8 * k));
  *this = TSha256();
  return digest;
}

TSha256Digest Sha256(const void* data, std::size_t size)
{
  TSha256 hasher;
  hasher.Add(data, size);
  return hasher.Finish();
}

TSha256Digest HmacSha256(const void* key, std::size_t keySize, const void* message, std::size_t messageSize)
{
  // Keys longer than a block are hashed first; shorter ones padded with zeros.
  std::array<std::uint8_t, BlockBytes> blockKey{};
  if (keySize > BlockBytes) {
    const TSha256Digest hashed = Sha256(key, keySize);
    std::memcpy(blockKey.data(), hashed.data(), hashed.size());
  } else if (keySize > 0) {
    std::memcpy(blockKey.data(), key, keySize);
  }
  std::array<std::uint8_t, BlockBytes> innerPad, outerPad;
  for (std::size_t i = 0; i < BlockBytes; ++i) {
    innerPad[i] = static_cast<std::uint8_t>(blockKey[i] ^ 0x36);
    outerPad[i] = static_cast<std::uint8_t>(blockKey[i] ^ 0x5c);
  }
  TSha256 inner;
  inner.Add(innerPad.data(), innerPad.size());
  inner.Add(message, messageSize);
  const TSha256Digest innerDigest = inner.Finish();
  TSha256 outer;
  outer.Add(outerPad.data(), outerPad.size());
  outer.Add(innerDigest.data(), innerDigest.size());
  return outer.Finish();
}
