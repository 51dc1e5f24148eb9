#include "avi/msvideo1check.h"

#include "avi/framebytes.h"

namespace {

// Blocks of the picture: partial blocks at the right and top edges are not coded.
std::uint64_t BlockCount(const TAviVideo& video)
{
  return std::uint64_t{static_cast<std::uint32_t>(video.Width) / 4} * (video.PictureHeight() / 4);
}

}  // namespace

TFrameDataCheck CheckMsVideo1(const TAviVideo& video, const std::uint8_t* data, std::size_t size)
{
  constexpr TFrameDataCheck damaged{false, false};
  const bool paletted = video.BitCount == 8;
  TFrameBytes codes(data, size);
  bool selfContained = true;
  std::uint64_t blocks = BlockCount(video);
  while (blocks > 0) {
    const std::uint8_t* code = codes.Take(2);
    if (!code)
      return damaged;
    const std::uint8_t low = code[0];
    const std::uint8_t high = code[1];
    if ((high & 0xFC) == 0x84) {
      const std::uint32_t skipped = static_cast<std::uint32_t>(high - 0x84) << 8 | low;
      if (skipped == 0 || skipped > blocks)
        return damaged;
      blocks -= skipped;
      selfContained = false;
      continue;
    }
    std::size_t colourBytes = 0;  // a block of one colour: the code is the colour
    if (paletted) {
      if (high < 0x80)
        colourBytes = 2;  // two colours, the code's bits choosing
      else if (high >= 0x90)
        colourBytes = 8;  // two colours for each quarter
    } else if (high < 0x80) {
      const std::uint8_t* colours = codes.Take(4);
      if (!colours)
        return damaged;
      colourBytes = colours[1] & 0x80 ? 12 : 0;  // the first colour's top bit: eight colours
    }
    if (!codes.Take(colourBytes))
      return damaged;
    --blocks;
  }
  const std::uint8_t* end = codes.Take(2);
  if (!codes.Empty() || (end && (end[0] != 0 || end[1] != 0)))
    return damaged;
  return {true, selfContained};
}

std::uint64_t MsVideo1MaxFrameBytes(const TAviVideo& video)
{
  // Eight colours of 16 bits for every block, and the end code.
  return BlockCount(video) * 18 + 2;
}
