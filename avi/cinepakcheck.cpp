#include "avi/cinepakcheck.h"

#include "avi/framebytes.h"

#include <algorithm>

namespace cinepak {
namespace {

std::uint16_t Be16(const std::uint8_t* p)
{
  return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
std::uint32_t Be32(const std::uint8_t* p)
{
  return static_cast<std::uint32_t>(Be16(p)) << 16 | Be16(p + 2);
}

constexpr std::size_t StripHeaderBytes = 12;
constexpr std::size_t ChunkHeaderBytes = 4;
constexpr unsigned CodebookEntries = 256;

constexpr std::uint16_t KeyStrip = 0x1000;
constexpr std::uint16_t InterStrip = 0x1100;
// Codebook chunks are 0x2000 to 0x2700: these bits choose among them.
constexpr std::uint16_t CodebookChunk = 0x2000;
constexpr std::uint16_t PartialCodebook = 0x0100;  // flag words say which entries follow
constexpr std::uint16_t V1Codebook = 0x0200;       // else the V4 codebook
constexpr std::uint16_t ShortEntries = 0x0400;     // 4-byte (grey) entries, else 6-byte (colour)
constexpr std::uint16_t IntraCodes = 0x3000;       // a flag bit per block: V4 or V1
constexpr std::uint16_t InterCodes = 0x3100;       // flag bits per block: skipped, V1 or V4
constexpr std::uint16_t V1Codes = 0x3200;          // a V1 index per block

// Entries of a codebook that this frame defines; Unknown when the entries in
// use are those an earlier frame left.
constexpr int Unknown = -1;
struct TCodebooks {
  int V4 = Unknown;
  int V1 = Unknown;
};

class TFrameCheck {
public:
  TFrameCheck(const TAviVideo& video, const std::uint8_t* data, std::size_t size)
    : Width(static_cast<std::uint32_t>(video.Width)), Height(video.PictureHeight()), Data(data), Size(size)
  {
  }
  TFrameDataCheck Run();

private:
  bool CheckStrip(TFrameBytes strip, std::uint32_t blocks, TCodebooks& books);
  bool CheckCodebook(std::uint16_t id, TFrameBytes entries, TCodebooks& books);
  bool CheckCodes(std::uint16_t id, TFrameBytes codes, std::uint32_t blocks, const TCodebooks& books);
  bool UseEntry(int entries, std::uint8_t index);

  const std::uint32_t Width;
  const std::uint32_t Height;
  const std::uint8_t* const Data;
  const std::size_t Size;
  bool SelfContained = true;
};

TFrameDataCheck TFrameCheck::Run()
{
  constexpr TFrameDataCheck damaged{false, false};
  if (Size < FrameHeaderBytes)
    return damaged;
  // The frame's length; the chunk may hold one pad byte more.
  const std::uint32_t length = static_cast<std::uint32_t>(Data[1]) << 16 | Be16(Data + 2);
  if (length < FrameHeaderBytes || (length != Size && !(length % 2 && length + 1 == Size)))
    return damaged;
  const unsigned strips = Be16(Data + 8);
  if (Be16(Data + 4) != Width || Be16(Data + 6) != Height || strips == 0 || strips > MaxStrips)
    return damaged;
  // Without this flag each strip starts from the codebooks of the strip
  // before it; with it, from its own of the frame before.
  const bool ownCodebooks = Data[0] & 1;

  TFrameBytes frame(Data + FrameHeaderBytes, length - FrameHeaderBytes);
  const std::uint32_t blocksPerRow = (Width + 3) / 4;
  std::uint32_t top = 0;
  TCodebooks books;
  for (unsigned i = 0; i < strips; ++i) {
    const std::uint8_t* header = frame.Take(StripHeaderBytes);
    if (!header)
      return damaged;
    const std::uint16_t id = Be16(header);
    const std::uint16_t bytes = Be16(header + 2);
    const std::uint16_t y0 = Be16(header + 4);
    const std::uint16_t y1 = Be16(header + 8);
    // Strips lie one under the other across the whole width; their rows are
    // given from the strip before (a top of 0) or from the picture's top.
    const std::uint32_t bottom = y0 == 0 ? top + y1 : y1;
    if ((id != KeyStrip && id != InterStrip) || bytes < StripHeaderBytes || (y0 != 0 && y0 != top) || bottom <= top ||
        bottom > Height || top % 4 != 0 || Be16(header + 6) != 0 || Be16(header + 10) != Width)
      return damaged;
    const std::uint8_t* body = frame.Take(bytes - StripHeaderBytes);
    if (!body)
      return damaged;
    if (i == 0 || ownCodebooks)
      books = TCodebooks();
    const std::uint32_t blocks = (bottom - top + 3) / 4 * blocksPerRow;
    if (!CheckStrip(TFrameBytes(body, bytes - StripHeaderBytes), blocks, books))
      return damaged;
    top = bottom;
  }
  if (!frame.Empty() || top != Height)
    return damaged;
  return {true, SelfContained};
}

// Codebooks first, then the blocks' codes, which end the strip.
bool TFrameCheck::CheckStrip(TFrameBytes strip, std::uint32_t blocks, TCodebooks& books)
{
  while (!strip.Empty()) {
    const std::uint8_t* header = strip.Take(ChunkHeaderBytes);
    if (!header)
      return false;
    const std::uint16_t id = Be16(header);
    const std::uint16_t bytes = Be16(header + 2);
    const std::uint8_t* body = bytes >= ChunkHeaderBytes ? strip.Take(bytes - ChunkHeaderBytes) : nullptr;
    if (!body)
      return false;
    const TFrameBytes chunk(body, bytes - ChunkHeaderBytes);
    if ((id & ~(PartialCodebook | V1Codebook | ShortEntries)) == CodebookChunk) {
      if (!CheckCodebook(id, chunk, books))
        return false;
    } else if (id == IntraCodes || id == InterCodes || id == V1Codes) {
      return CheckCodes(id, chunk, blocks, books) && strip.Empty();
    } else {
      return false;
    }
  }
  return false;  // no codes for the blocks
}

bool TFrameCheck::CheckCodebook(std::uint16_t id, TFrameBytes entries, TCodebooks& books)
{
  const std::size_t entryBytes = id & ShortEntries ? 4 : 6;
  int& defined = id & V1Codebook ? books.V1 : books.V4;
  if (!(id & PartialCodebook)) {
    if (entries.Left() % entryBytes != 0 || entries.Left() / entryBytes > CodebookEntries)
      return false;
    defined = static_cast<int>(entries.Left() / entryBytes);
    return true;
  }
  // A flag word for each 32 entries, each set bit followed by its entry.
  unsigned entry = 0;
  int highest = Unknown;
  while (!entries.Empty()) {
    const std::uint8_t* flags = entry < CodebookEntries ? entries.Take(4) : nullptr;
    if (!flags)
      return false;
    const std::uint32_t bits = Be32(flags);
    for (std::uint32_t mask = 0x80000000; mask != 0; mask >>= 1, ++entry) {
      if (!(bits & mask))
        continue;
      if (!entries.Take(entryBytes))
        return false;
      highest = static_cast<int>(entry);
    }
  }
  if (defined != Unknown)
    defined = std::max(defined, highest + 1);
  return true;
}

// An index into a codebook this frame defines must name one of its entries.
bool TFrameCheck::UseEntry(int entries, std::uint8_t index)
{
  if (entries == Unknown) {
    SelfContained = false;
    return true;
  }
  return index < entries;
}

bool TFrameCheck::CheckCodes(std::uint16_t id, TFrameBytes codes, std::uint32_t blocks, const TCodebooks& books)
{
  const auto v1 = [&] {
    const std::uint8_t* index = codes.Take(1);
    return index && UseEntry(books.V1, index[0]);
  };
  const auto v4 = [&] {
    const std::uint8_t* indices = codes.Take(4);
    return indices && UseEntry(books.V4, indices[0]) && UseEntry(books.V4, indices[1]) &&
           UseEntry(books.V4, indices[2]) && UseEntry(books.V4, indices[3]);
  };
  std::uint32_t bits = 0;
  std::uint32_t mask = 0;
  // The next flag bit; a new flag word when the last one is used up.
  const auto nextBit = [&](bool& set) {
    if (mask == 0) {
      const std::uint8_t* flags = codes.Take(4);
      if (!flags)
        return false;
      bits = Be32(flags);
      mask = 0x80000000;
    }
    set = bits & mask;
    mask >>= 1;
    return true;
  };

  for (std::uint32_t block = 0; block < blocks; ++block) {
    bool coded = true;
    bool isV4 = false;
    if (id == InterCodes) {
      SelfContained = false;  // skipped blocks keep the picture before
      // The decoder stops where the codes end and leaves the remaining
      // blocks as they are, as if skipped.
      if (mask == 0 && codes.Empty())
        break;
      if (!nextBit(coded))
        return false;
    }
    if (!coded)
      continue;
    if (id != V1Codes && !nextBit(isV4))
      return false;
    if (!(isV4 ? v4() : v1()))
      return false;
  }
  return codes.Empty();
}

}  // namespace

TFrameDataCheck CheckFrame(const TAviVideo& video, const std::uint8_t* data, std::size_t size)
{
  return TFrameCheck(video, data, size).Run();
}

}  // namespace cinepak
