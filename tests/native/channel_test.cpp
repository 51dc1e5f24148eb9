// The frame channel's pure parts: hashes, served frame chunks, the protocol's
// messages and the one layout of served rows in a DIB.
#include "channel/framelayout.h"
#include "channel/hex.h"
#include "channel/protocol.h"
#include "channel/servedframe.h"
#include "channel/sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Hex(const TSha256Digest& digest)
{
  return HexText(digest.data(), digest.size());
}

std::vector<std::uint8_t> Bytes(const std::string& text)
{
  return {text.begin(), text.end()};
}

TEST(ChannelHashes, MatchPublishedVectors)
{
  // FIPS 180-2, appendix B.1
  EXPECT_EQ(Hex(Sha256("abc", 3)), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // The same bytes in pieces across a block boundary give the same digest.
  const std::string long_text(150, 'x');
  TSha256 pieces;
  pieces.Add(long_text.substr(0, 63));
  pieces.Add(long_text.substr(63, 2));
  pieces.Add(long_text.substr(65));
  EXPECT_EQ(Hex(pieces.Finish()), Hex(Sha256(long_text.data(), long_text.size())));
  // RFC 4231, test case 2
  const std::string message = "what do ya want for nothing?";
  EXPECT_EQ(Hex(HmacSha256("Jefe", 4, message.data(), message.size())),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
}

TEST(ServedFrameChunk, RoundTripsAndRefusesAnythingElse)
{
  const ServedFrame::TMovieId movie = ServedFrame::MovieIdOf("/movies/a.mp4\n1234\n5678\nabcd\n");
  EXPECT_NE(movie, ServedFrame::MovieIdOf("/movies/b.mp4\n1234\n5678\nabcd\n"));
  const auto bytes = ServedFrame::Encode({movie, 0x01020304});
  ASSERT_EQ(bytes.size(), ServedFrame::ChunkBytes);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "VSF1");
  EXPECT_EQ(bytes[20], 0x04);  // the frame number little-endian
  const auto decoded = ServedFrame::Decode(bytes.data(), bytes.size());
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->Movie, movie);
  EXPECT_EQ(decoded->Frame, 0x01020304u);

  EXPECT_FALSE(ServedFrame::Decode(bytes.data(), bytes.size() - 1));
  std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
  longer.push_back(0);
  EXPECT_FALSE(ServedFrame::Decode(longer.data(), longer.size()));
  auto otherMagic = bytes;
  otherMagic[3] = '2';
  EXPECT_FALSE(ServedFrame::Decode(otherMagic.data(), otherMagic.size()));

  const std::string hex = ServedFrame::ToHex(movie);
  EXPECT_EQ(hex.size(), 32u);
  EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(ServedFrame::FromHex(hex), movie);
  EXPECT_FALSE(ServedFrame::FromHex(hex.substr(1)));
  EXPECT_FALSE(ServedFrame::FromHex(hex.substr(1) + "g"));
}

TEST(ChannelProtocol, MessagesRoundTripAndMalformedOnesAreRefused)
{
  const std::string secretText(64, 'a');
  EXPECT_TRUE(Protocol::SecretFromHex(secretText));
  EXPECT_FALSE(Protocol::SecretFromHex(std::string(64, 'A')));  // the environment's form is lowercase
  EXPECT_FALSE(Protocol::SecretFromHex(std::string(62, 'a')));
  EXPECT_FALSE(Protocol::SecretFromHex(std::string(63, 'a') + "z"));

  const Protocol::TFrameRequest frame{ServedFrame::MovieIdOf("x"), 77, true, false};
  const auto decodedFrame = Protocol::DecodeFrameRequest(Protocol::EncodeFrameRequest(frame));
  ASSERT_TRUE(decodedFrame);
  EXPECT_EQ(decodedFrame->Movie, frame.Movie);
  EXPECT_EQ(decodedFrame->Frame, 77u);
  EXPECT_TRUE(decodedFrame->RowsWanted);
  EXPECT_FALSE(decodedFrame->Forward);
  const auto check = Protocol::DecodeFrameRequest(Protocol::EncodeFrameRequest({frame.Movie, 78, false, true}));
  ASSERT_TRUE(check);
  EXPECT_FALSE(check->RowsWanted);
  EXPECT_TRUE(check->Forward);
  EXPECT_FALSE(Protocol::DecodeFrameRequest(Bytes("short")));
  EXPECT_EQ(Protocol::FramePayloadBytes(3, 2, true), 8u + 18u);
  EXPECT_EQ(Protocol::FramePayloadBytes(3, 2, false), 8u);
  EXPECT_FALSE(Protocol::FramePayloadBytes(65536, 65536, true));  // more than a u32 counts

  const auto prepare = Protocol::DecodePrepareRequest(
    Protocol::EncodePrepareRequest({"/home/u/\xe5\x8b\x95\xe7\x94\xbb.mts", "12.5"}));
  ASSERT_TRUE(prepare);
  EXPECT_EQ(prepare->MoviePath, "/home/u/\xe5\x8b\x95\xe7\x94\xbb.mts");
  EXPECT_EQ(prepare->From, "12.5");
  const auto fromStart = Protocol::DecodePrepareRequest(Protocol::EncodePrepareRequest({"/m.ts", ""}));
  ASSERT_TRUE(fromStart);
  EXPECT_EQ(fromStart->From, "");
  EXPECT_FALSE(Protocol::DecodePrepareRequest(Bytes("")));
  EXPECT_FALSE(Protocol::DecodePrepareRequest(Bytes("/m.ts\nstart=3")));
  EXPECT_FALSE(Protocol::DecodePrepareRequest(Bytes("/m.ts\nfrom=3\nmore")));

  const auto answer = Protocol::DecodePrepareAnswer(Protocol::EncodePrepareAnswer({"/cache/m.velmo-index.avi", 42}));
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->PlayablePath, "/cache/m.velmo-index.avi");
  EXPECT_EQ(answer->FirstFrame, 42u);
  EXPECT_FALSE(Protocol::DecodePrepareAnswer(Bytes("playable=/a.avi\n")));
  EXPECT_FALSE(Protocol::DecodePrepareAnswer(Bytes("playable=/a.avi\nfirst=x\n")));
  EXPECT_FALSE(Protocol::DecodePrepareAnswer(Bytes("first=1\n")));
}

TEST(ChannelProtocol, ProofsHangOnTheSecretAndBothNonces)
{
  const Protocol::TSecret secret = *Protocol::SecretFromHex(std::string(64, '1'));
  const Protocol::TSecret other = *Protocol::SecretFromHex(std::string(64, '2'));
  const Protocol::TNonce server{1}, client{2};
  const Protocol::TProof proof = Protocol::ClientProof(secret, server, client);
  EXPECT_TRUE(Protocol::SameProof(proof, Protocol::ClientProof(secret, server, client)));
  EXPECT_FALSE(Protocol::SameProof(proof, Protocol::ClientProof(other, server, client)));
  EXPECT_FALSE(Protocol::SameProof(proof, Protocol::ClientProof(secret, client, server)));
  // The server's proof is not the client's played back.
  EXPECT_FALSE(Protocol::SameProof(proof, Protocol::ServerProof(secret, client, server)));
}

// A packed picture whose every byte tells its place.
std::vector<std::uint8_t> Picture(std::uint32_t width, std::uint32_t height)
{
  std::vector<std::uint8_t> bgr;
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x)
      for (std::uint8_t c = 0; c < 3; ++c)
        bgr.push_back(static_cast<std::uint8_t>(1 + y * 40 + x * 4 + c));
  return bgr;
}

TEST(ServedFrameLayout, RowsGoBottomUpPaddedWithZerosInBothDepths)
{
  for (const std::uint16_t bitCount : {std::uint16_t{24}, std::uint16_t{32}}) {
    for (const std::uint32_t width : {1u, 3u, 5u}) {
      SCOPED_TRACE(std::to_string(bitCount) + " bits, width " + std::to_string(width));
      const std::uint32_t height = 3;
      const std::size_t rowBytes = FrameLayout::DibRowBytes(width, bitCount);
      ASSERT_EQ(rowBytes % 4, 0u);
      ASSERT_GE(rowBytes, width * bitCount / 8u);
      ASSERT_LT(rowBytes, width * bitCount / 8u + 4);
      // One extra row after the DIB: nothing is written beyond it.
      std::vector<std::uint8_t> dib((height + 1) * rowBytes, 0xAA);
      const std::vector<std::uint8_t> bgr = Picture(width, height);
      ASSERT_TRUE(FrameLayout::LayoutFrame(bgr.data(), width, height, bitCount, dib.data()));
      const std::size_t pixelBytes = bitCount / 8u;
      for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = dib.data() + (height - 1 - y) * rowBytes;  // bottom-up
        for (std::uint32_t x = 0; x < width; ++x) {
          for (std::size_t c = 0; c < 3; ++c)
            ASSERT_EQ(row[x * pixelBytes + c], bgr[(y * width + x) * 3 + c]) << "y " << y << " x " << x;
          if (bitCount == 32) {
            ASSERT_EQ(row[x * 4 + 3], 0) << "pad byte of y " << y << " x " << x;
          }
        }
        for (std::size_t pad = width * pixelBytes; pad < rowBytes; ++pad)
          ASSERT_EQ(row[pad], 0) << "row padding of y " << y;
      }
      for (std::size_t i = height * rowBytes; i < dib.size(); ++i)
        ASSERT_EQ(dib[i], 0xAA);
    }
  }
  std::uint8_t untouched = 0xAA;
  const std::uint8_t pixel[3] = {1, 2, 3};
  EXPECT_FALSE(FrameLayout::LayoutFrame(pixel, 1, 1, 16, &untouched));
  EXPECT_EQ(untouched, 0xAA);
}

}  // namespace
