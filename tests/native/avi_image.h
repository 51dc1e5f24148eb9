// Builds AVI byte images for the reader's tests: a movie described by a few
// numbers, and ways to cut it or patch it afterwards.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using TBytes = std::vector<std::uint8_t>;

inline TBytes U32s(std::initializer_list<std::uint32_t> values)
{
  TBytes bytes;
  for (std::uint32_t v : values)
    for (int shift = 0; shift < 32; shift += 8)
      bytes.push_back(static_cast<std::uint8_t>(v >> shift));
  return bytes;
}

// A chunk with its header and, when odd-sized, its pad byte.
inline TBytes Chunk(const std::string& id, const TBytes& data)
{
  TBytes bytes(id.begin(), id.end());
  const TBytes size = U32s({static_cast<std::uint32_t>(data.size())});
  bytes.insert(bytes.end(), size.begin(), size.end());
  bytes.insert(bytes.end(), data.begin(), data.end());
  if (data.size() % 2)
    bytes.push_back(0);
  return bytes;
}

// kind is "RIFF" or "LIST".
inline TBytes List(const std::string& kind, const std::string& type, const std::vector<TBytes>& parts)
{
  TBytes data(type.begin(), type.end());
  for (const TBytes& part : parts)
    data.insert(data.end(), part.begin(), part.end());
  return Chunk(kind, data);
}

struct TMovie {
  std::int32_t Width = 4;
  std::int32_t Height = 2;
  std::uint16_t BitCount = 24;
  std::uint32_t Compression = 0;  // BI_RGB
  std::uint32_t Frames = 3;
  std::vector<std::uint32_t> FrameSizes;  // bytes of each frame chunk; empty: Frames full frames
  std::vector<TBytes> FrameData;          // each frame chunk's data; empty: frames filled as below
  std::int64_t ClaimedFrames = -1;        // in 'avih' and 'strh'; -1: the frames written
  bool Video = true;
  bool AudioFirst = false;            // an audio stream 0 whose odd-sized chunks follow every frame
  std::uint32_t FramesPerRecord = 0;  // frames grouped in 'rec ' lists
  std::uint32_t ExtensionFrames = 0;  // the last frames in an OpenDML 'RIFF AVIX' part
  TBytes AfterIndex;                  // chunks after 'idx1' in the first part

  std::uint32_t FrameBytes() const
  {
    const auto height = static_cast<std::uint32_t>(Height);
    return (static_cast<std::uint32_t>(Width) * BitCount + 31) / 32 * 4 * (Height < 0 ? 0u - height : height);
  }
  std::string FrameId() const { return AudioFirst ? (Compression ? "01dc" : "01db") : (Compression ? "00dc" : "00db"); }
};

inline TBytes Build(const TMovie& m)
{
  std::vector<std::uint32_t> sizes = m.FrameSizes;
  for (const TBytes& data : m.FrameData)
    sizes.push_back(static_cast<std::uint32_t>(data.size()));
  if (sizes.empty())
    sizes.assign(m.Frames, m.FrameBytes());
  const auto claimed = static_cast<std::uint32_t>(m.ClaimedFrames < 0 ? sizes.size() : m.ClaimedFrames);
  const std::uint32_t streams = m.Video + m.AudioFirst;

  std::vector<TBytes> headers{
    Chunk("avih", U32s({66666, 0, 0, 0x10, claimed, 0, streams, 0, static_cast<std::uint32_t>(m.Width),
                        static_cast<std::uint32_t>(m.Height), 0, 0, 0, 0}))};
  const auto streamHeader = [&](const char* typeAndHandler, std::uint32_t scale, std::uint32_t rate) {
    TBytes fields = U32s({0, 0, 0, 0, 0, scale, rate, 0, claimed, m.FrameBytes(), 0xFFFFFFFF, 0, 0, 0});
    std::memcpy(fields.data(), typeAndHandler, 8);
    return Chunk("strh", fields);
  };
  if (m.AudioFirst)
    headers.push_back(
      List("LIST", "strl",
           {streamHeader("auds\0\0\0\0", 1, 8000), Chunk("strf", U32s({0x00010001, 8000, 8000, 0x00080001}))}));
  if (m.Video) {
    headers.push_back(
      List("LIST", "strl",
           {streamHeader("vidsDIB ", 1, 15),
            Chunk("strf", U32s({40, static_cast<std::uint32_t>(m.Width), static_cast<std::uint32_t>(m.Height),
                                1u | std::uint32_t{m.BitCount} << 16, m.Compression, m.FrameBytes(), 0, 0, 0, 0}))}));
  }

  // Frame i is filled with the byte i, which no fourcc the reader looks for contains.
  std::vector<TBytes> main, record, extension;
  for (std::uint32_t i = 0; i < sizes.size(); ++i) {
    std::vector<TBytes>& to = i + m.ExtensionFrames >= sizes.size() ? extension : m.FramesPerRecord ? record : main;
    to.push_back(
      Chunk(m.FrameId(), m.FrameData.empty() ? TBytes(sizes[i], static_cast<std::uint8_t>(i)) : m.FrameData[i]));
    if (m.AudioFirst)
      to.push_back(Chunk("00wb", {1, 2, 3}));
    if (!record.empty() && (record.size() == m.FramesPerRecord * (1u + m.AudioFirst) || i + 1 == sizes.size())) {
      main.push_back(List("LIST", "rec ", record));
      record.clear();
    }
  }
  TBytes movie = List("RIFF", "AVI ",
                      {List("LIST", "hdrl", headers), List("LIST", "movi", main),
                       Chunk("idx1", TBytes(16 * sizes.size())), m.AfterIndex});
  if (m.ExtensionFrames)
    for (std::uint8_t b : List("RIFF", "AVIX", {List("LIST", "movi", extension)}))
      movie.push_back(b);
  return movie;
}

inline TBytes Build(const std::function<void(TMovie&)>& describe)
{
  TMovie movie;
  describe(movie);
  return Build(movie);
}

// Offset of the nth (from 0) occurrence of a fourcc; the image's size when there is none.
inline std::size_t OffsetOf(const TBytes& bytes, const std::string& fourcc, int nth = 0)
{
  for (std::size_t at = 0; at + 4 <= bytes.size(); ++at)
    if (std::memcmp(&bytes[at], fourcc.data(), 4) == 0 && nth-- == 0)
      return at;
  return bytes.size();
}

inline TBytes Cut(TBytes bytes, std::size_t size)
{
  bytes.resize(size);
  return bytes;
}

inline TBytes Patched(TBytes bytes, std::size_t offset, std::uint32_t value)
{
  const TBytes le = U32s({value});
  std::memcpy(&bytes[offset], le.data(), 4);
  return bytes;
}
