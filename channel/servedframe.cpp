#include "channel/servedframe.h"

#include <algorithm>
#include <cstring>

#include "channel/bytes.h"
#include "channel/hex.h"
#include "channel/sha256.h"

namespace ServedFrame {

namespace {

constexpr char Magic[4] = {'V', 'S', 'F', '1'};

}  // namespace

bool operator==(const TMovieId& a, const TMovieId& b)
{
  return a.Bytes == b.Bytes;
}

bool operator!=(const TMovieId& a, const TMovieId& b)
{
  return a.Bytes != b.Bytes;
}

bool operator<(const TMovieId& a, const TMovieId& b)
{
  return a.Bytes < b.Bytes;
}

std::string ToHex(const TMovieId& movie)
{
  return HexText(movie.Bytes.data(), movie.Bytes.size());
}

std::optional<TMovieId> FromHex(std::string_view text)
{
  TMovieId movie;
  if (!ParseHex(text, movie.Bytes.data(), movie.Bytes.size()))
    return std::nullopt;
  return movie;
}

TMovieId MovieIdOf(std::string_view identityText)
{
  const TSha256Digest digest = Sha256(identityText.data(), identityText.size());
  TMovieId movie;
  std::copy_n(digest.begin(), movie.Bytes.size(), movie.Bytes.begin());
  return movie;
}

std::array<std::uint8_t, ChunkBytes> Encode(const TChunk& chunk)
{
  std::array<std::uint8_t, ChunkBytes> bytes;
  std::memcpy(bytes.data(), Magic, sizeof Magic);
  std::copy(chunk.Movie.Bytes.begin(), chunk.Movie.Bytes.end(), bytes.begin() + 4);
  PutU32(bytes.data() + 20, chunk.Frame);
  return bytes;
}

std::optional<TChunk> Decode(const std::uint8_t* bytes, std::size_t size)
{
  if (size != ChunkBytes || std::memcmp(bytes, Magic, sizeof Magic) != 0)
    return std::nullopt;
  TChunk chunk;
  std::copy_n(bytes + 4, chunk.Movie.Bytes.size(), chunk.Movie.Bytes.begin());
  chunk.Frame = GetU32(bytes + 20);
  return chunk;
}

}  // namespace ServedFrame
