// The served frame chunk: what each frame chunk of an index AVI holds in
// place of a picture. The VLMS codec (and the program's cut) read the movie
// id and the frame number from it and ask the frame server for the picture.
// Layout (24 bytes): "VSF1", the movie id (16 bytes), the frame number (u32
// little-endian). Portable code with no platform state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ServedFrame {

// The index AVI's compression code (fourcc 'VLMS': first character in the
// lowest byte), in fccHandler and biCompression.
constexpr std::uint32_t FourCC = 0x534D4C56;
constexpr std::size_t ChunkBytes = 24;

// Names a source movie: the first 16 bytes of the SHA-256 of its identity.
struct TMovieId {
  std::array<std::uint8_t, 16> Bytes{};
};
bool operator==(const TMovieId& a, const TMovieId& b);
bool operator!=(const TMovieId& a, const TMovieId& b);
bool operator<(const TMovieId& a, const TMovieId& b);

// 32 lowercase hex digits, as cache file names hold the id.
std::string ToHex(const TMovieId& movie);
std::optional<TMovieId> FromHex(std::string_view text);

// The id of the movie whose identity text (absolute path, size, modification
// time in ns, SHA-256 of its first 8 MB, as lines) is given.
TMovieId MovieIdOf(std::string_view identityText);

struct TChunk {
  TMovieId Movie;
  std::uint32_t Frame = 0;
};

std::array<std::uint8_t, ChunkBytes> Encode(const TChunk& chunk);
// The chunk in bytes[0..size); nothing unless it is exactly a served frame chunk.
std::optional<TChunk> Decode(const std::uint8_t* bytes, std::size_t size);

}  // namespace ServedFrame
