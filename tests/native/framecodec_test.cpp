// The lossless frame format: every picture comes back exactly, at both output
// depths, and data that is not a whole frame of the size is refused without a
// read or write outside the buffers (the sanitizers watch).
#include "codec/framecodec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

enum class TContent { Flat, Gradient, SmallNoise, Noise, Stripes };

// 24-bit rows of the size, padded as DIB rows, of one kind of content.
TBytes Picture(std::uint32_t width, std::uint32_t height, TContent content, std::uint32_t seed = 1)
{
  const std::size_t stride = FrameCodec::RowBytes(width, 24);
  TBytes rows(stride * height, 0xEE);  // padding that the codec must not carry
  std::mt19937 random(seed);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width * 3; ++x) {
      std::uint8_t value = 0;
      switch (content) {
      case TContent::Flat:
        value = static_cast<std::uint8_t>(40 + x % 3);
        break;
      case TContent::Gradient:
        value = static_cast<std::uint8_t>(x / 3 + 2 * y + x % 3 * 50);
        break;
      case TContent::SmallNoise:
        value = static_cast<std::uint8_t>(128 + random() % 9 - 4);
        break;
      case TContent::Noise:
        value = static_cast<std::uint8_t>(random());
        break;
      case TContent::Stripes:
        value = (x / 3 / 7 + y / 5) % 2 ? 250 : 3;
        break;
      }
      rows[stride * y + x] = value;
    }
  }
  return rows;
}

TBytes Encoded(const TBytes& rows, std::uint32_t width, std::uint32_t height)
{
  TBytes out(FrameCodec::MaxFrameBytes(width, height));
  out.resize(FrameCodec::Encode(rows.data(), FrameCodec::RowBytes(width, 24), width, height, out.data()));
  return out;
}

// The picture's pixels as the given depth lays them out, padding zero.
TBytes Expected(const TBytes& rows, std::uint32_t width, std::uint32_t height, std::uint16_t bitCount)
{
  const std::size_t from = FrameCodec::RowBytes(width, 24);
  const std::size_t to = FrameCodec::RowBytes(width, bitCount);
  TBytes out(to * height, 0);
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x)
      std::memcpy(&out[to * y + x * (bitCount / 8u)], &rows[from * y + x * 3], 3);
  return out;
}

// Decodes into a buffer of exactly the picture's size, filled with a value the
// decoder must overwrite everywhere.
bool Decodes(const TBytes& data, std::uint32_t width, std::uint32_t height, std::uint16_t bitCount, TBytes& rows)
{
  rows.assign(FrameCodec::RowBytes(width, bitCount) * height, 0x5A);
  return FrameCodec::Decode(data.data(), data.size(), width, height, bitCount, rows.data());
}

TEST(FrameCodec, GivesEveryPictureBackExactlyAtBothDepths)
{
  const struct {
    std::uint32_t Width, Height;
  } sizes[] = {{1, 1}, {2, 3}, {3, 1}, {5, 4}, {161, 97}, {1920, 2}, {40, 300}};
  for (const auto& size : sizes) {
    for (TContent content :
         {TContent::Flat, TContent::Gradient, TContent::SmallNoise, TContent::Noise, TContent::Stripes}) {
      const TBytes picture = Picture(size.Width, size.Height, content);
      const TBytes data = Encoded(picture, size.Width, size.Height);
      EXPECT_LE(data.size(), FrameCodec::MaxFrameBytes(size.Width, size.Height));
      EXPECT_TRUE(FrameCodec::Check(data.data(), data.size(), size.Width, size.Height));
      for (std::uint16_t bits : {std::uint16_t{24}, std::uint16_t{32}}) {
        TBytes rows;
        ASSERT_TRUE(Decodes(data, size.Width, size.Height, bits, rows))
          << size.Width << "x" << size.Height << " content " << static_cast<int>(content) << " to " << bits;
        EXPECT_TRUE(rows == Expected(picture, size.Width, size.Height, bits))
          << size.Width << "x" << size.Height << " content " << static_cast<int>(content) << " to " << bits;
      }
    }
  }
}

TEST(FrameCodec, StoresEvenPicturesInFarLessThanTheirRows)
{
  const std::uint32_t width = 1920, height = 8;
  const std::size_t raw = FrameCodec::RowBytes(width, 24) * height;
  EXPECT_LT(Encoded(Picture(width, height, TContent::Flat), width, height).size(), raw / 100);
  EXPECT_LT(Encoded(Picture(width, height, TContent::Gradient), width, height).size(), raw * 55 / 100);
  // Small differences pack two to a byte, but a block of sixteen packs only
  // when all of them are small.
  EXPECT_LT(Encoded(Picture(width, height, TContent::SmallNoise), width, height).size(), raw * 2 / 3);
}

// Whether the check and the decoder both refuse the data as a frame of the
// size; they must agree.
constexpr std::uint32_t width = 7, height = 5;
bool Refused(const TBytes& data, std::uint32_t w = width, std::uint32_t h = height)
{
  TBytes rows;
  const bool checked = FrameCodec::Check(data.data(), data.size(), w, h);
  const bool decoded = Decodes(data, w, h, 24, rows);
  EXPECT_EQ(checked, decoded) << "the check and the decoder agree";
  return !checked && !decoded;
}

TEST(FrameCodec, RefusesDataThatIsNotAWholeFrameOfTheSize)
{
  const TBytes good = Encoded(Picture(width, height, TContent::Gradient), width, height);
  TBytes rows;
  const auto refused = [](const TBytes& data, std::uint32_t w = width, std::uint32_t h = height) {
    return Refused(data, w, h);
  };
  ASSERT_FALSE(refused(good));

  EXPECT_TRUE(refused({}));
  for (std::size_t cut = 1; cut < good.size(); ++cut)
    EXPECT_TRUE(refused(TBytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)))) << "cut at " << cut;
  TBytes longer = good;
  longer.push_back(0);
  EXPECT_TRUE(refused(longer)) << "a byte after the last row";
  TBytes version = good;
  version[0] = 4;
  EXPECT_TRUE(refused(version)) << "another format";
  EXPECT_TRUE(refused(good, width + 1, height));
  EXPECT_TRUE(refused(good, width, height + 1));
  EXPECT_TRUE(refused(good, width - 1, height));
  EXPECT_TRUE(refused(good, 0, height));
  EXPECT_TRUE(refused(good, 40000, height));

  // Runs longer than what is left of the row: zeros, long zeros, pairs and
  // bytes as they are (a row of 7 pixels has 21 differences).
  EXPECT_TRUE(refused({1, 0x15}, width, 1)) << "22 zeros";
  EXPECT_TRUE(refused({1, 0x40, 0, 0}, width, 1)) << "65 zeros";
  EXPECT_TRUE(refused(TBytes{1, 0x8A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, width, 1)) << "22 small differences";
  TBytes literals{1, 0xD5};
  literals.resize(2 + 22);
  EXPECT_TRUE(refused(literals, width, 1)) << "22 bytes";
  EXPECT_TRUE(refused({1, 0xC3, 0, 0}, width, 1)) << "bytes the data lacks";
  EXPECT_TRUE(refused({1, 0x40, 0}, width, 1)) << "a long run without its count";
  // A row's codes fit it exactly, or the frame is refused.
  EXPECT_FALSE(refused({1, 0x14}, width, 1));
  EXPECT_TRUE(refused({1, 0x13}, width, 1));
  EXPECT_TRUE(refused({1, 0x14, 0x14}, width, 1));
  EXPECT_TRUE(Decodes({1, 0x14}, width, 1, 24, rows));
  EXPECT_TRUE(rows == TBytes(FrameCodec::RowBytes(width, 24), 0)) << "zeros from the first pixel give black";
}

// Frames of the block format that Encode writes, damaged where a walk that
// trusted them would go wrong (a row of 7 pixels: one block and 5 bytes).
TEST(FrameCodec, RefusesBlockFramesThatDoNotFitTheirRows)
{
  TBytes rows;
  const TBytes zeroRow{2, 0};
  EXPECT_TRUE(Decodes(zeroRow, width, 1, 32, rows));
  EXPECT_TRUE(rows == TBytes(FrameCodec::RowBytes(width, 32), 0)) << "a row of zeros is black";
  TBytes literal{2, 1, 2};
  literal.resize(3 + 16 + 5, 1);
  EXPECT_FALSE(Refused(literal, width, 1));
  EXPECT_TRUE(Refused({2, 2}, width, 1)) << "an unknown kind of row";
  EXPECT_TRUE(Refused({2, 1, 3, 0, 0, 0, 0, 0}, width, 1)) << "an unknown kind of block";
  TBytes spare = literal;
  spare[2] |= 1 << 2;
  spare.resize(spare.size() + 8, 0);
  EXPECT_TRUE(Refused(spare, width, 1)) << "a kind given to a block the row has not";
  EXPECT_TRUE(Refused(TBytes(literal.begin(), literal.end() - 1), width, 1)) << "the last part block cut short";
}

// A frame damaged anywhere is refused, also where its rows would still fit
// together; copies made before frames carried a check value are still read.
TEST(FrameCodec, RefusesAFrameWithAnyByteChangedYetReadsFramesWithoutCheckValue)
{
  const TBytes good = Encoded(Picture(width, height, TContent::Noise), width, height);
  ASSERT_FALSE(Refused(good));
  for (std::size_t at = 0; at < good.size(); ++at) {
    TBytes damaged = good;
    damaged[at] ^= 0x10;
    EXPECT_TRUE(Refused(damaged)) << "byte " << at << " changed";
  }
  // The same rows without the check value (format 2, as earlier copies hold).
  TBytes unchecked{2};
  unchecked.insert(unchecked.end(), good.begin() + 5, good.end());
  TBytes rows;
  ASSERT_TRUE(Decodes(unchecked, width, height, 24, rows));
  EXPECT_TRUE(rows == Expected(Picture(width, height, TContent::Noise), width, height, 24));
}

// The codec checks a frame, then decodes it without working out the check
// value again: the rows are the same, and a frame cut short is still refused
// without a read outside it.
TEST(FrameCodec, DecodesACheckedFrameOnceMoreOnlyWithinItsData)
{
  const TBytes picture = Picture(width, height, TContent::Noise);
  const TBytes good = Encoded(picture, width, height);
  TBytes rows(FrameCodec::RowBytes(width, 32) * height, 0x5A);
  ASSERT_TRUE(FrameCodec::DecodeAfterCheck(good.data(), good.size(), width, height, 32, rows.data()));
  EXPECT_TRUE(rows == Expected(picture, width, height, 32));
  for (std::size_t cut = 0; cut < good.size(); ++cut)
    EXPECT_FALSE(FrameCodec::DecodeAfterCheck(good.data(), cut, width, height, 32, rows.data())) << "cut at " << cut;
}

// Copies made in the first format are still shown and cut: zeros, a long
// run, small pairs and bytes as they are, each told from the pixel before.
TEST(FrameCodec, StillReadsTheRunFormat)
{
  // 2 x 2 pixels: a black row, then 10 20 30 | 9 22 30 told from the pixel above.
  const TBytes data{1, 0x05, 0xC2, 10, 20, 30, 0x80, 0x2F, 0xC0, 0};
  TBytes rows;
  ASSERT_TRUE(Decodes(data, 2, 2, 24, rows));
  EXPECT_TRUE(rows == (TBytes{0, 0, 0, 0, 0, 0, 0, 0, 10, 20, 30, 9, 22, 30, 0, 0}));
  // 30 x 3 pixels of one colour: 90 differences a row, long runs of zeros.
  const TBytes runs{1, 0xC2, 7, 8, 9, 0x40, 0, 22, 0x40, 0, 25, 0x40, 0, 25};
  ASSERT_TRUE(Decodes(runs, 30, 3, 32, rows));
  TBytes expected;
  for (int pixel = 0; pixel < 90; ++pixel)
    expected.insert(expected.end(), {7, 8, 9, 0});
  EXPECT_TRUE(rows == expected);
}

TEST(FrameCodec, RefusesOutputDepthsItCannotGive)
{
  const TBytes data = Encoded(Picture(4, 4, TContent::Flat), 4, 4);
  TBytes rows(FrameCodec::RowBytes(4, 32) * 4);
  for (std::uint16_t bits : {std::uint16_t{8}, std::uint16_t{16}, std::uint16_t{0}})
    EXPECT_FALSE(FrameCodec::Decode(data.data(), data.size(), 4, 4, bits, rows.data())) << bits;
}

}  // namespace
