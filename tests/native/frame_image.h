// Builds the data of compressed frames for the reader's tests: Cinepak frames
// (big-endian words) and Microsoft Video 1 codes (little-endian words).
#pragma once

#include "avi/avivideo.h"
#include "tests/native/avi_image.h"

#include <cstdint>
#include <vector>

inline TBytes Concat(const std::vector<TBytes>& parts)
{
  TBytes bytes;
  for (const TBytes& part : parts)
    bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

inline TBytes Be16s(std::initializer_list<std::uint32_t> values)
{
  TBytes bytes;
  for (std::uint32_t v : values) {
    bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    bytes.push_back(static_cast<std::uint8_t>(v));
  }
  return bytes;
}

// The stream format a frame's data is checked against.
inline TAviVideo VideoFormat(std::uint32_t compression, std::int32_t width, std::int32_t height,
                             std::uint16_t bitCount = 24)
{
  TAviVideo video;
  video.Refusal = TAviRefusal::None;
  video.Compression = compression;
  video.Width = width;
  video.Height = height;
  video.BitCount = bitCount;
  return video;
}

namespace cvid {

constexpr std::uint32_t Fourcc = 0x64697663;  // 'cvid'

// A chunk of a strip: id, size including its header, data.
inline TBytes Chunk(std::uint16_t id, const TBytes& data)
{
  return Concat({Be16s({id, static_cast<std::uint32_t>(data.size() + 4)}), data});
}

// A codebook of entries of 6 bytes (4 with short entries), each byte its index.
inline TBytes Codebook(std::uint16_t id, unsigned entries)
{
  const unsigned entryBytes = id & 0x400 ? 4 : 6;
  TBytes data;
  for (unsigned i = 0; i < entries; ++i)
    data.insert(data.end(), entryBytes, static_cast<std::uint8_t>(i));
  return Chunk(id, data);
}

// Codes for four blocks, flag bits 1010: V4 (entries 0 1 0 1), V1 (entry 1), V4, V1.
inline TBytes IntraCodes()
{
  return Chunk(0x3000, {0xA0, 0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0});
}

inline TBytes Strip(std::uint16_t id, std::uint16_t y0, std::uint16_t y1, std::uint16_t width,
                    const std::vector<TBytes>& chunks)
{
  const TBytes body = Concat(chunks);
  return Concat({Be16s({id, static_cast<std::uint32_t>(body.size() + 12), y0, 0, y1, width}), body});
}

// A frame whose length field is the data's size plus lengthExtra.
inline TBytes Frame(std::uint8_t flags, std::uint16_t width, std::uint16_t height, const std::vector<TBytes>& strips,
                    int lengthExtra = 0)
{
  const TBytes body = Concat(strips);
  const auto length = static_cast<std::uint32_t>(static_cast<int>(body.size() + 10) + lengthExtra);
  return Concat({{flags, static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 8),
                  static_cast<std::uint8_t>(length)},
                 Be16s({width, height, static_cast<std::uint32_t>(strips.size())}),
                 body});
}

// A self-contained 8 x 4 frame (two blocks; V4 then V1 codes); unique per seed.
inline TBytes KeyFrame(std::uint8_t seed = 0)
{
  return Frame(0, 8, 4,
               {Strip(0x1000, 0, 4, 8,
                      {Codebook(0x2000, 2), Codebook(0x2200, 2),
                       Chunk(0x3000, {0x80, 0, 0, 0, 0, 1, 0, 1, static_cast<std::uint8_t>(seed % 2)})})});
}

// An 8 x 4 frame that keeps the first block of the frame before and codes
// the second with a V1 entry of an earlier codebook.
inline TBytes InterFrame()
{
  return Frame(1, 8, 4, {Strip(0x1100, 0, 4, 8, {Chunk(0x3100, {0x40, 0, 0, 0, 1})})});
}

}  // namespace cvid

namespace msv1 {

constexpr std::uint32_t Fourcc = 0x4356534D;  // 'MSVC'

inline TBytes Code(std::uint16_t word)
{
  return {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8)};
}
inline TBytes Skip(unsigned blocks)
{
  return Code(static_cast<std::uint16_t>(0x8400 + blocks));
}
const TBytes End = Code(0);

}  // namespace msv1
