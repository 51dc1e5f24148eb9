#include "codec/framecodec.h"
#include "codec/crc32.h"
#include "framework/base/dibstride.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__) && !defined(VELMO_FRAMECODEC_PORTABLE)
#include <emmintrin.h>
#endif

// A frame is a format byte, then the rows in their order.
//
// Format 1: each byte's difference from the same colour of the pixel to its
// left (a row's first pixel: from the pixel above it). Each row is a run of
// codes that gives exactly its width x 3 differences (no code spans two rows):
//   00-3F  c + 1 zero differences
//   40-7F  a longer run of zeros: ((c & 3F) << 16 | next two bytes, high first) + 65
//   80-BF  (c & 3F) + 1 bytes follow, each two differences of -8 to 7 (low half first)
//   C0-FF  (c & 3F) + 1 differences follow, a byte each
//
// Format 2: each byte's difference from the median of left, above and
// left + above - above-left (modulo 256), the same colour of those pixels
// (outside the picture: 0), which follows slopes and edges both ways and
// keeps noise small. Each row is one byte, 0 when all its differences are
// zero (nothing follows), 1 when a coded row follows: two bits for each
// whole block of 16 differences (four blocks to a byte, the first in the
// lowest bits), then each block's data in order, then the differences of the
// row's last part block as bytes. A block is
//   0  sixteen zeros (no data)
//   1  eight bytes, each two differences of -8 to 7 (low half first)
//   2  sixteen bytes, the differences as they are
// Fixed-size blocks let the encoder decide and pack sixteen bytes at a time.
//
// Format 3, which Encode writes: the CRC-32 of the rest of the frame (four
// bytes, low first), then rows as in format 2. A damaged byte anywhere is
// found, also where the rows would still fit together.
namespace FrameCodec {
namespace {

constexpr std::uint8_t RunFormat = 1;
constexpr std::uint8_t BlockFormat = 2;
constexpr std::uint8_t CheckedBlockFormat = 3;
constexpr std::size_t CheckValueBytes = 4;
constexpr std::uint8_t ZeroRun = 0x00;
constexpr std::uint8_t LongZeroRun = 0x40;
constexpr std::uint8_t SmallPairs = 0x80;
constexpr std::uint8_t Literals = 0xC0;
constexpr std::uint8_t KindMask = 0xC0;
constexpr std::uint32_t MaxShortCount = 64;
constexpr std::uint32_t MaxDimension = 0x7FFF;

// Walks the codes of a frame of the run format, one row at a time, each code
// checked against the data left and the row's differences left before it is
// used. The sink receives the row's differences: Zeros(count), Pairs(bytes,
// count) and Literals(bytes, count), and RowDone() at the end of each row.
template <class TSink>
bool WalkRunFrame(const std::uint8_t* data, std::size_t size, std::uint32_t width, std::uint32_t height, TSink& sink)
{
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

constexpr std::uint32_t BlockBytes = 16;
constexpr std::uint8_t ZeroBlock = 0;
constexpr std::uint8_t SmallBlock = 1;
constexpr std::uint8_t LiteralBlock = 2;
constexpr std::uint8_t ZeroRow = 0;
constexpr std::uint8_t CodedRow = 1;

std::uint32_t KindBytes(std::uint32_t rowDifferences)
{
  return (rowDifferences / BlockBytes + 3) / 4;
}

// Walks the rows of a frame of the block format, from rows up to end, each
// checked against the data left before it is used; the sink receives what
// the run format's walker gives it.
template <class TSink> bool WalkBlockRows(const std::uint8_t* rows, const std::uint8_t* end, std::uint32_t width,
                                          std::uint32_t height, TSink& sink)
{
  const std::uint8_t* at = rows;
  const std::uint32_t rowDifferences = width * 3;
  const std::uint32_t blocks = rowDifferences / BlockBytes;
  const std::uint32_t tail = rowDifferences % BlockBytes;
  const std::uint32_t kindBytes = KindBytes(rowDifferences);
  for (std::uint32_t row = 0; row < height; ++row) {
    if (at == end)
      return false;
    const std::uint8_t rowKind = *at++;
    if (rowKind == ZeroRow) {
      sink.Zeros(rowDifferences);
    } else {
      if (rowKind != CodedRow || static_cast<std::size_t>(end - at) < kindBytes)
        return false;
      const std::uint8_t* const kinds = at;
      at += kindBytes;
      for (std::uint32_t block = 0; block < blocks; ++block) {
        switch (kinds[block / 4] >> (block % 4 * 2) & 3) {
        case ZeroBlock:
          sink.Zeros(BlockBytes);
          break;
        case SmallBlock:
          if (static_cast<std::size_t>(end - at) < BlockBytes / 2)
            return false;
          sink.Pairs(at, BlockBytes / 2);
          at += BlockBytes / 2;
          break;
        case LiteralBlock:
          if (static_cast<std::size_t>(end - at) < BlockBytes)
            return false;
          sink.Literals(at, BlockBytes);
          at += BlockBytes;
          break;
        default:
          return false;
        }
      }
      // Unused kinds of the last byte are zero, so that a frame has one form.
      if (blocks % 4 && kinds[kindBytes - 1] >> (blocks % 4 * 2))
        return false;
      if (static_cast<std::size_t>(end - at) < tail)
        return false;
      sink.Literals(at, tail);
      at += tail;
    }
    sink.RowDone();
  }
  return at == end;
}

// Whether a frame's check value is worked out: not again for a frame that
// was checked a moment before.
enum class TCheckValue { Verify, AlreadyVerified };

// Walks a frame of any format, its check value first.
template <class TSink> bool WalkFrame(const std::uint8_t* data, std::size_t size, std::uint32_t width,
                                      std::uint32_t height, TSink& sink, TCheckValue checkValue = TCheckValue::Verify)
{
  if (!SizeSupported(width, height) || size < 1)
    return false;
  if (data[0] == RunFormat)
    return WalkRunFrame(data, size, width, height, sink);
  if (data[0] == BlockFormat)
    return WalkBlockRows(data + 1, data + size, width, height, sink);
  if (data[0] == CheckedBlockFormat) {
    const std::uint8_t* const rows = data + 1 + CheckValueBytes;
    if (size < 1 + CheckValueBytes)
      return false;
    if (checkValue == TCheckValue::Verify && Crc32(rows, size - 1 - CheckValueBytes) !=
                                               (data[1] | data[2] << 8 | data[3] << 16 | std::uint32_t{data[4]} << 24))
      return false;
    return WalkBlockRows(rows, data + size, width, height, sink);
  }
  return false;
}

// The guess a byte of the block format is told from: the median of the
// byte to its left, the one above it and left + above - above-left.
std::uint8_t Median(std::uint8_t left, std::uint8_t above, std::uint8_t aboveLeft)
{
  const std::uint8_t slope = static_cast<std::uint8_t>(left + above - aboveLeft);
  const std::uint8_t low = std::min(left, above);
  const std::uint8_t high = std::max(left, above);
  return std::max(low, std::min(high, slope));
}

// Codes the rows in the block format. Each block's differences are worked
// out, judged and packed sixteen at a time with the host's vector
// instructions where it has them; the portable way gives the same bytes.
class TBlockEncoder {
public:
  TBlockEncoder(std::uint32_t width, std::uint8_t* out)
    : RowDifferences(width * 3),
      Blocks(RowDifferences / BlockBytes),
      KindBytes(FrameCodec::KindBytes(RowDifferences)),
      Out(out)
  {
  }
  std::uint8_t* End() const { return Out; }

  // Codes a row, given the row above it (null for the first row).
  void Row(const std::uint8_t* row, const std::uint8_t* above)
  {
    std::uint8_t* const rowKind = Out++;
    std::uint8_t* const kinds = Out;
    std::memset(kinds, 0, KindBytes);
    Out += KindBytes;
    bool anyData = false;
    for (std::uint32_t block = 0; block < Blocks; ++block) {
      const std::uint32_t at = block * BlockBytes;
      std::uint8_t kind;
      // The first block reaches left of the row: worked out byte by byte.
      if (block == 0 || !Vector(row + at, above ? above + at : nullptr, kind)) {
        std::uint8_t diff[BlockBytes];
        Differences(row, above, at, BlockBytes, diff);
        kind = Pack(diff);
      }
      kinds[block / 4] = static_cast<std::uint8_t>(kinds[block / 4] | kind << (block % 4 * 2));
      anyData |= kind != ZeroBlock;
    }
    const std::uint32_t tail = RowDifferences % BlockBytes;
    Differences(row, above, Blocks * BlockBytes, tail, Out);
    for (std::uint32_t i = 0; i < tail; ++i)
      anyData |= Out[i] != 0;
    Out += tail;
    if (anyData) {
      *rowKind = CodedRow;
    } else {
      *rowKind = ZeroRow;
      Out = kinds;
    }
  }

private:
  // The differences of count bytes from the at'th of the row.
  static void Differences(const std::uint8_t* row, const std::uint8_t* above, std::uint32_t at, std::uint32_t count,
                          std::uint8_t* diff)
  {
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::uint32_t i = at + k;
      const std::uint8_t left = i >= 3 ? row[i - 3] : 0;
      const std::uint8_t guess = above ? Median(left, above[i], i >= 3 ? above[i - 3] : 0) : left;
      diff[k] = static_cast<std::uint8_t>(row[i] - guess);
    }
  }

  // Stores a block of differences; gives its kind.
  std::uint8_t Pack(const std::uint8_t* diff)
  {
    bool zero = true;
    bool small = true;
    for (std::uint32_t k = 0; k < BlockBytes; ++k) {
      zero &= diff[k] == 0;
      small &= static_cast<std::uint8_t>(diff[k] + 8) < 16;
    }
    if (zero)
      return ZeroBlock;
    if (small) {
      for (std::uint32_t k = 0; k < BlockBytes / 2; ++k)
        Out[k] = static_cast<std::uint8_t>((diff[2 * k] & 0x0F) | (diff[2 * k + 1] & 0x0F) << 4);
      Out += BlockBytes / 2;
      return SmallBlock;
    }
    std::memcpy(Out, diff, BlockBytes);
    Out += BlockBytes;
    return LiteralBlock;
  }

#if defined(__SSE2__) && !defined(VELMO_FRAMECODEC_PORTABLE)
  // A block wholly inside the row, sixteen bytes at a time.
  bool Vector(const std::uint8_t* p, const std::uint8_t* above, std::uint8_t& kind)
  {
    const auto load = [](const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
    __m128i guess = load(p - 3);
    if (above) {
      const __m128i left = guess;
      const __m128i up = load(above);
      const __m128i slope = _mm_sub_epi8(_mm_add_epi8(left, up), load(above - 3));
      guess = _mm_max_epu8(_mm_min_epu8(left, up), _mm_min_epu8(_mm_max_epu8(left, up), slope));
    }
    const __m128i diff = _mm_sub_epi8(load(p), guess);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(diff, _mm_setzero_si128())) == 0xFFFF) {
      kind = ZeroBlock;
      return true;
    }
    // Small: the difference plus 8 lies in 0 to 15.
    const __m128i shifted = _mm_add_epi8(diff, _mm_set1_epi8(8));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(shifted, _mm_set1_epi8(15)), shifted)) == 0xFFFF) {
      const __m128i low = _mm_and_si128(diff, _mm_set1_epi16(0x000F));
      const __m128i high = _mm_and_si128(_mm_srli_epi16(diff, 4), _mm_set1_epi16(0x00F0));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(Out), _mm_packus_epi16(_mm_or_si128(low, high), _mm_setzero_si128()));
      Out += BlockBytes / 2;
      kind = SmallBlock;
      return true;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Out), diff);
    Out += BlockBytes;
    kind = LiteralBlock;
    return true;
  }
#else
  bool Vector(const std::uint8_t*, const std::uint8_t*, std::uint8_t&)
  {
    return false;
  }
#endif

  const std::uint32_t RowDifferences;
  const std::uint32_t Blocks;
  const std::uint32_t KindBytes;
  std::uint8_t* Out;
};

// Takes in the differences and drops them: a frame's codes checked alone.
struct TIgnoringSink {
  void Zeros(std::uint32_t) {}
  void Pairs(const std::uint8_t*, std::uint32_t) {}
  void Literals(const std::uint8_t*, std::uint32_t) {}
  void RowDone() {}
};

// Rebuilds each row's bytes from its differences into DIB rows: the run
// format's as they come, each from the pixel before; the block format's once
// the row's differences are all there, each from its median guess.
class TRowDecoder {
public:
  TRowDecoder(std::uint32_t width, std::uint16_t outBitCount, std::uint8_t* rows, bool medianGuesses)
    : Width(width),
      OutBitCount(outBitCount),
      Stride(RowBytes(width, outBitCount)),
      Rows(rows),
      Scratch(width * 3 + 3),
      MedianGuesses(medianGuesses),
      Above(medianGuesses ? width * 3 : 0)
  {
    Start();
  }

  void Zeros(std::uint32_t count)
  {
    std::uint8_t* p = Next;
    if (MedianGuesses)
      std::memset(p, 0, count);
    else  // each byte repeats the same colour of the pixel before
      for (const std::uint8_t* const stop = p + count; p != stop; ++p)
        *p = p[-3];
    Next += count;
  }
  void Pairs(const std::uint8_t* bytes, std::uint32_t count)
  {
    std::uint8_t* p = Next;
    const int before = MedianGuesses ? 0 : 1;
    for (std::uint32_t k = 0; k < count; ++k, p += 2) {
      // Each half is a difference of -8 to 7: its sign bit extended.
      p[0] = static_cast<std::uint8_t>(before * p[-3] + ((bytes[k] & 0x0F) ^ 8) - 8);
      p[1] = static_cast<std::uint8_t>(before * p[-2] + ((bytes[k] >> 4) ^ 8) - 8);
    }
    Next = p;
  }
  void Literals(const std::uint8_t* bytes, std::uint32_t count)
  {
    std::uint8_t* p = Next;
    if (MedianGuesses)
      std::memcpy(p, bytes, count);
    else
      for (std::uint32_t k = 0; k < count; ++k, ++p)
        *p = static_cast<std::uint8_t>(p[-3] + bytes[k]);
    Next += count;
  }
  void RowDone()
  {
    std::uint8_t* const row = Rows + Stride * Row;
    const std::uint8_t* decoded = Scratch.data() + 3;
    if (MedianGuesses) {
      // Above holds the row before (zeros before the first); it becomes
      // this row. Bytes left of the picture are zeros.
      std::uint8_t* const up = Above.data();
      std::uint8_t left[3] = {0, 0, 0};
      std::uint8_t aboveLeft[3] = {0, 0, 0};
      for (std::uint32_t i = 0, c = 0; i < Width * 3; ++i, c = c == 2 ? 0 : c + 1) {
        const std::uint8_t above = up[i];
        const std::uint8_t value = static_cast<std::uint8_t>(decoded[i] + Median(left[c], above, aboveLeft[c]));
        aboveLeft[c] = above;
        left[c] = value;
        up[i] = value;
      }
      decoded = up;
    }
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
  // The run format tells a row's first pixel from the first pixel of the row
  // before, still in the scratch row (the first row's from black).
  void Start()
  {
    for (std::size_t c = 0; c < 3; ++c)
      Scratch[c] = Row && !MedianGuesses ? Scratch[3 + c] : 0;
    Next = Scratch.data() + 3;
  }

  const std::uint32_t Width;
  const std::uint16_t OutBitCount;
  const std::size_t Stride;
  std::uint8_t* const Rows;
  std::vector<std::uint8_t> Scratch;  // three bytes of the pixel told from, then the row
  const bool MedianGuesses;
  std::vector<std::uint8_t> Above;  // the block format: the row before, decoded
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
  return static_cast<std::size_t>(DibRowBytes(width, bitCount));
}

std::size_t MaxFrameBytes(std::uint32_t width, std::uint32_t height)
{
  if (!SizeSupported(width, height))
    return 0;
  // In the run format no difference takes more than a byte, and each code
  // but a row's last covers at least four of them.
  const std::size_t rowDifferences = std::size_t{width} * 3;
  return std::max(1 + height * (rowDifferences + (rowDifferences + 3) / 4 + 1), MaxEncodedBytes(width, height));
}

std::size_t MaxEncodedBytes(std::uint32_t width, std::uint32_t height)
{
  if (!SizeSupported(width, height))
    return 0;
  // Every block as it is, after the row's byte and its blocks' kinds.
  const std::uint32_t rowDifferences = width * 3;
  return 1 + CheckValueBytes + std::size_t{height} * (1 + KindBytes(rowDifferences) + rowDifferences);
}

std::size_t Encode(const std::uint8_t* rows, std::ptrdiff_t stride, std::uint32_t width, std::uint32_t height,
                   std::uint8_t* out)
{
  out[0] = CheckedBlockFormat;
  std::uint8_t* const body = out + 1 + CheckValueBytes;
  TBlockEncoder encoder(width, body);
  const std::uint8_t* above = nullptr;
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = rows + stride * static_cast<std::ptrdiff_t>(y);
    encoder.Row(row, above);
    above = row;
  }
  const std::uint32_t check = Crc32(body, static_cast<std::size_t>(encoder.End() - body));
  for (std::size_t i = 0; i < CheckValueBytes; ++i)
    out[1 + i] = static_cast<std::uint8_t>(check >> 8 * i);
  return static_cast<std::size_t>(encoder.End() - out);
}

bool Check(const std::uint8_t* data, std::size_t size, std::uint32_t width, std::uint32_t height)
{
  TIgnoringSink sink;
  return WalkFrame(data, size, width, height, sink);
}

namespace {

bool DecodeFrame(const std::uint8_t* data, std::size_t size, std::uint32_t width, std::uint32_t height,
                 std::uint16_t outBitCount, std::uint8_t* rows, TCheckValue checkValue)
{
  if ((outBitCount != 24 && outBitCount != 32) || !SizeSupported(width, height))
    return false;
  TRowDecoder decoder(width, outBitCount, rows, size > 0 && data[0] != RunFormat);
  return WalkFrame(data, size, width, height, decoder, checkValue);
}

}  // namespace

bool Decode(const std::uint8_t* data, std::size_t size, std::uint32_t width, std::uint32_t height,
            std::uint16_t outBitCount, std::uint8_t* rows)
{
  return DecodeFrame(data, size, width, height, outBitCount, rows, TCheckValue::Verify);
}

bool DecodeAfterCheck(const std::uint8_t* data, std::size_t size, std::uint32_t width, std::uint32_t height,
                      std::uint16_t outBitCount, std::uint8_t* rows)
{
  return DecodeFrame(data, size, width, height, outBitCount, rows, TCheckValue::AlreadyVerified);
}

}  // namespace FrameCodec
