#include "codec/framecodec.h"

#include <algorithm>
#include <cstring>
#include <vector>

// A frame is a format byte, then the rows in their order, each a run of
// codes that gives exactly its width x 3 differences (no code spans two rows):
//   00-3F  c + 1 zero differences
//   40-7F  a longer run of zeros: ((c & 3F) << 16 | next two bytes, high first) + 65
//   80-BF  (c & 3F) + 1 bytes follow, each two differences of -8 to 7 (low half first)
//   C0-FF  (c & 3F) + 1 differences follow, a byte each
namespace FrameCodec {
namespace {

constexpr std::uint8_t FormatVersion = 1;
constexpr std::uint8_t ZeroRun = 0x00;
constexpr std::uint8_t LongZeroRun = 0x40;
constexpr std::uint8_t SmallPairs = 0x80;
constexpr std::uint8_t Literals = 0xC0;
constexpr std::uint8_t KindMask = 0xC0;
constexpr std::uint32_t MaxShortCount = 64;
constexpr std::uint32_t MaxLongZeroRun = (std::uint32_t{0x3F} << 16 | 0xFFFF) + MaxShortCount + 1;
constexpr std::uint32_t MaxDimension = 0x7FFF;

bool Small(std::uint8_t difference)
{
  return static_cast<std::uint8_t>(difference + 8) < 16;
}

// The differences of eight bytes as one number, the first in the lowest byte.
std::uint64_t Load8(const std::uint8_t* p)
{
  // Written out so that compilers make it one load.
  return std::uint64_t{p[0]} | std::uint64_t{p[1]} << 8 | std::uint64_t{p[2]} << 16 | std::uint64_t{p[3]} << 24 |
         std::uint64_t{p[4]} << 32 | std::uint64_t{p[5]} << 40 | std::uint64_t{p[6]} << 48 | std::uint64_t{p[7]} << 56;
}

constexpr std::uint64_t EveryByte(std::uint8_t value)
{
  return 0x0101010101010101ull * value;
}

// Whether each of the eight differences lies in -8 to 7: eight added to each
// byte (without carries between them) leaves its high half clear.
bool AllSmall(std::uint64_t word)
{
  const std::uint64_t shifted = ((word & EveryByte(0x7F)) + EveryByte(8)) ^ (word & EveryByte(0x80));
  return (shifted & EveryByte(0xF0)) == 0;
}

// Codes one row's differences, deciding for each eight of them at once:
// zeros join a run of zeros, eight small ones a run of pairs, and otherwise
// each four go as pairs or as they are. The rest of the row (fewer than
// eight) goes as it is.
class TRowEncoder {
public:
  explicit TRowEncoder(std::uint8_t* out) : Out(out) {}
  std::uint8_t* End() const { return Out; }

  void Row(const std::uint8_t* diff, std::uint32_t n)
  {
    std::uint32_t i = 0;
    while (n - i >= 8) {
      const std::uint64_t word = Load8(diff + i);
      if (word == 0) {
        const std::uint32_t zeros = i;
        for (i += 8; n - i >= 8 && Load8(diff + i) == 0;)
          i += 8;
        Zeros(i - zeros);
        continue;
      }
      if (AllSmall(word)) {
        Pairs(diff + i, 4);
      } else {
        Quarter(diff + i);
        Quarter(diff + i + 4);
      }
      i += 8;
    }
    if (i < n)
      Append(Literals, diff + i, n - i);
    Close();
  }

private:
  void Quarter(const std::uint8_t* diff)
  {
    if (Small(diff[0]) && Small(diff[1]) && Small(diff[2]) && Small(diff[3]))
      Pairs(diff, 2);
    else
      Append(Literals, diff, 4);
  }

  void Zeros(std::uint32_t count)
  {
    if (Code)
      CloseCode();
    PendingZeros += count;
  }

  void Pairs(const std::uint8_t* diff, std::uint32_t bytes)
  {
    std::uint8_t packed[4];
    for (std::uint32_t k = 0; k < bytes; ++k)
      packed[k] = static_cast<std::uint8_t>((diff[2 * k] & 0x0F) | (diff[2 * k + 1] & 0x0F) << 4);
    Append(SmallPairs, packed, bytes);
  }

  // Adds bytes after a code of this kind, opening one when needed.
  void Append(std::uint8_t kind, const std::uint8_t* bytes, std::uint32_t count)
  {
    while (count > 0) {
      if (!Code || Kind != kind || Count == MaxShortCount) {
        Close();
        Kind = kind;
        Code = Out++;
      }
      const std::uint32_t taken = std::min(count, MaxShortCount - Count);
      std::memcpy(Out, bytes, taken);
      Out += taken;
      Count += taken;
      bytes += taken;
      count -= taken;
    }
  }

  void Close()
  {
    if (Code)
      CloseCode();
    for (std::uint32_t count = PendingZeros; count > 0;) {
      if (count <= MaxShortCount) {
        *Out++ = static_cast<std::uint8_t>(ZeroRun | (count - 1));
        break;
      }
      const std::uint32_t run = std::min(count, MaxLongZeroRun);
      const std::uint32_t stored = run - MaxShortCount - 1;
      *Out++ = static_cast<std::uint8_t>(LongZeroRun | stored >> 16);
      *Out++ = static_cast<std::uint8_t>(stored >> 8);
      *Out++ = static_cast<std::uint8_t>(stored);
      count -= run;
    }
    PendingZeros = 0;
  }

  void CloseCode()
  {
    *Code = static_cast<std::uint8_t>(Kind | (Count - 1));
    Code = nullptr;
    Count = 0;
  }

  std::uint8_t* Out;
  std::uint8_t* Code = nullptr;  // the open code, whose count is not yet known
  std::uint8_t Kind = 0;
  std::uint32_t Count = 0;  // bytes after the open code
  std::uint32_t PendingZeros = 0;
};

// Walks the codes of a frame, one row at a time, each code checked against
// the data left and the row's differences left before it is used. The sink
// receives the row's differences: Zeros(count), Pairs(bytes, count) and
// Literals(bytes, count), and RowDone() at the end of each row.
template <class TSink>
bool WalkFrame(const std::uint8_t* data, std::size_t size, std::uint32_t width, std::uint32_t height, TSink& sink)
{
  if (!SizeSupported(width, height) || size < 1 || data[0] != FormatVersion)
    return false;
  const std::uint8_t* at = data + 1;
  const std::uint8_t* const end = data + size;
  const std::uint32_t rowDifferences = width * 3;
  for (std::uint32_t row = 0; row < height; ++row) {
    std::uint32_t left = rowDifferences;
    while (left > 0) {
      if (at == end)
        return false;
      const std::uint8_t code = *at++;
      std::uint32_t count = (code & ~KindMask) + 1u;
      switch (code & KindMask) {
      case ZeroRun:
        if (count > left)
          return false;
        sink.Zeros(count);
        break;
      case LongZeroRun:
        if (end - at < 2)
          return false;
        count = ((code & ~KindMask) << 16 | at[0] << 8 | at[1]) + MaxShortCount + 1;
        at += 2;
        if (count > left)
          return false;
        sink.Zeros(count);
        break;
      case SmallPairs:
        if (static_cast<std::size_t>(end - at) < count || 2 * count > left)
          return false;
        sink.Pairs(at, count);
        at += count;
        count *= 2;
        break;
      default:
        if (static_cast<std::size_t>(end - at) < count || count > left)
          return false;
        sink.Literals(at, count);
        at += count;
        break;
      }
      left -= count;
    }
    sink.RowDone();
  }
  return at == end;
}

// Takes in the differences and drops them: a frame's codes checked alone.
struct TIgnoringSink {
  void Zeros(std::uint32_t) {}
  void Pairs(const std::uint8_t*, std::uint32_t) {}
  void Literals(const std::uint8_t*, std::uint32_t) {}
  void RowDone() {}
};

// Rebuilds each row's bytes from its differences into DIB rows.
class TRowDecoder {
public:
  TRowDecoder(std::uint32_t width, std::uint16_t outBitCount, std::uint8_t* rows)
    : Width(width), OutBitCount(outBitCount), Stride(RowBytes(width, outBitCount)), Rows(rows), Scratch(width * 3 + 3)
  {
    Start();
  }

  void Zeros(std::uint32_t count)
  {
    // Each byte repeats the same colour of the pixel before.
    std::uint8_t* p = Next;
    for (const std::uint8_t* const stop = p + count; p != stop; ++p)
      *p = p[-3];
    Next = p;
  }
  void Pairs(const std::uint8_t* bytes, std::uint32_t count)
  {
    std::uint8_t* p = Next;
    for (std::uint32_t k = 0; k < count; ++k, p += 2) {
      // Each half is a difference of -8 to 7: its sign bit extended.
      p[0] = static_cast<std::uint8_t>(p[-3] + ((bytes[k] & 0x0F) ^ 8) - 8);
      p[1] = static_cast<std::uint8_t>(p[-2] + ((bytes[k] >> 4) ^ 8) - 8);
    }
    Next = p;
  }
  void Literals(const std::uint8_t* bytes, std::uint32_t count)
  {
    std::uint8_t* p = Next;
    for (std::uint32_t k = 0; k < count; ++k, ++p)
      *p = static_cast<std::uint8_t>(p[-3] + bytes[k]);
    Next = p;
  }
  void RowDone()
  {
    std::uint8_t* const row = Rows + Stride * Row;
    const std::uint8_t* const decoded = Scratch.data() + 3;
    if (OutBitCount == 24) {
      std::memcpy(row, decoded, std::size_t{Width} * 3);
      std::memset(row + std::size_t{Width} * 3, 0, Stride - std::size_t{Width} * 3);
    } else {
      for (std::uint32_t x = 0; x < Width; ++x) {
        row[4 * x] = decoded[3 * x];
        row[4 * x + 1] = decoded[3 * x + 1];
        row[4 * x + 2] = decoded[3 * x + 2];
        row[4 * x + 3] = 0;
      }
    }
    ++Row;
    Start();
  }

private:
  // The row's first pixel is told from the first pixel of the row before,
  // still in the scratch row; the first row's from black.
  void Start()
  {
    for (std::size_t c = 0; c < 3; ++c)
      Scratch[c] = Row ? Scratch[3 + c] : 0;
    Next = Scratch.data() + 3;
  }

  const std::uint32_t Width;
  const std::uint16_t OutBitCount;
  const std::size_t Stride;
  std::uint8_t* const Rows;
  std::vector<std::uint8_t> Scratch;  // three bytes of the pixel told from, then the row
  std::uint8_t* Next = nullptr;
  std::uint32_t Row = 0;
};

}  // namespace

bool SizeSupported(std::uint32_t width, std::uint32_t height)
{
  return width >= 1 && height >= 1 && width <= MaxDimension && height <= MaxDimension;
}

std::size_t RowBytes(std::uint32_t width, std::uint16_t bitCount)
{
  return (std::size_t{width} * bitCount + 31) / 32 * 4;
}

std::size_t MaxFrameBytes(std::uint32_t width, std::uint32_t height)
{
  if (!SizeSupported(width, height))
    return 0;
  // No difference takes more than a byte, and each code but a row's last
  // covers at least four of them.
  const std::size_t rowDifferences = std::size_t{width} * 3;
  return 1 + height * (rowDifferences + (rowDifferences + 3) / 4 + 1);
}

std::size_t Encode(const std::uint8_t* rows, std::size_t stride, std::uint32_t width, std::uint32_t height,
                   std::uint8_t* out)
{
  const std::uint32_t n = width * 3;
  std::vector<std::uint8_t> diff(n);
  out[0] = FormatVersion;
  TRowEncoder encoder(out + 1);
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = rows + stride * y;
    const std::uint8_t* above = y ? rows + stride * (y - 1) : nullptr;
    for (std::uint32_t i = 0; i < 3; ++i)
      diff[i] = static_cast<std::uint8_t>(row[i] - (above ? above[i] : 0));
    for (std::uint32_t i = 3; i < n; ++i)
      diff[i] = static_cast<std::uint8_t>(row[i] - row[i - 3]);
    encoder.Row(diff.data(), n);
  }
  return static_cast<std::size_t>(encoder.End() - out);
}

bool Check(const std::uint8_t* data, std::size_t size, std::uint32_t width, std::uint32_t height)
{
  TIgnoringSink sink;
  return WalkFrame(data, size, width, height, sink);
}

bool Decode(const std::uint8_t* data, std::size_t size, std::uint32_t width, std::uint32_t height,
            std::uint16_t outBitCount, std::uint8_t* rows)
{
  if ((outBitCount != 24 && outBitCount != 32) || !SizeSupported(width, height))
    return false;
  TRowDecoder decoder(width, outBitCount, rows);
  return WalkFrame(data, size, width, height, decoder);
}

}  // namespace FrameCodec
