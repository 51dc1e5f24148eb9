// The codec of served movies (velmoserved.dll), opened through the video
// compression manager as the movie device opens it, against a frame server
// in the test's own process: the rows it writes are the server's picture as
// the screen shows it, and anything that fails leaves the picture as it was.
#include "channel/servedframe.h"
#include "framework/base/platform.h"
#include "tests/support/fakeframeserver.h"

#include <vfw.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <climits>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Rows of 33 pixels need padding at 24 bits.
constexpr std::uint32_t Width = 33;
constexpr std::uint32_t Height = 7;

ServedFrame::TMovieId TheMovie()
{
  ServedFrame::TMovieId movie;
  for (std::size_t i = 0; i < movie.Bytes.size(); ++i)
    movie.Bytes[i] = static_cast<std::uint8_t>(0xC0 + i);
  return movie;
}

std::vector<std::uint8_t> Chunk(std::uint32_t frame)
{
  const auto bytes = ServedFrame::Encode({TheMovie(), frame});
  return {bytes.begin(), bytes.end()};
}

// A picture of its own for every frame: packed BGR, top row first.
std::vector<std::uint8_t> PictureOf(std::uint32_t frame)
{
  std::vector<std::uint8_t> picture(Width * Height * 3);
  for (std::size_t i = 0; i < picture.size(); ++i)
    picture[i] = static_cast<std::uint8_t>(frame * 41 + i * 7 + i / (Width * 3));
  return picture;
}

std::size_t ScreenBytes(int bitCount)
{
  return (Width * static_cast<std::uint32_t>(bitCount / 8) + 3) / 4 * 4 * Height;
}

// The picture as the screen's DIB holds it: bottom-up, a 32-bit pixel's
// fourth byte and each row's padding zero.
std::vector<std::uint8_t> ScreenRowsOf(const std::vector<std::uint8_t>& picture, int bitCount)
{
  const std::size_t pixel = static_cast<std::size_t>(bitCount) / 8;
  const std::size_t stride = (Width * pixel + 3) / 4 * 4;
  std::vector<std::uint8_t> rows(stride * Height, 0);
  for (std::uint32_t y = 0; y < Height; ++y)
    for (std::uint32_t x = 0; x < Width; ++x)
      for (std::size_t c = 0; c < 3; ++c)
        rows[(Height - 1 - y) * stride + x * pixel + c] = picture[(y * Width + x) * 3 + c];
  return rows;
}

// The codec DLL, loaded and opened for decompression by the video
// compression manager.
class TServedCodec {
public:
  TServedCodec() : Dll(::LoadLibraryA("Z:" VELMO_SERVED_CODEC))
  {
    const FARPROC driverProc = Dll ? ::GetProcAddress(Dll, "DriverProc") : nullptr;
    if (driverProc)
      Codec = ::ICOpenFunction(ICTYPE_VIDEO, ServedFrame::FourCC, ICMODE_DECOMPRESS, driverProc);
  }
  ~TServedCodec()
  {
    if (Codec)
      ::ICClose(Codec);
    if (Dll)
      ::FreeLibrary(Dll);
  }
  TServedCodec(const TServedCodec&) = delete;
  TServedCodec& operator=(const TServedCodec&) = delete;

  bool Open() const { return Codec != nullptr; }

  // Decompresses a frame's data into rows of the given depth.
  DWORD Decompress(std::vector<std::uint8_t> data, int bitCount, std::vector<std::uint8_t>& rows, DWORD flags = 0)
  {
    BITMAPINFOHEADER in = {};
    in.biSize = sizeof in;
    in.biWidth = Width;
    in.biHeight = Height;
    in.biPlanes = 1;
    in.biBitCount = 24;
    in.biCompression = ServedFrame::FourCC;
    in.biSizeImage = static_cast<DWORD>(data.size());
    BITMAPINFOHEADER out = in;
    out.biBitCount = static_cast<WORD>(bitCount);
    out.biCompression = BI_RGB;
    out.biSizeImage = static_cast<DWORD>(ScreenBytes(bitCount));
    rows.resize(out.biSizeImage);
    if (::ICDecompressQuery(Codec, &in, &out) != ICERR_OK)
      return ICERR_BADFORMAT;
    return ::ICDecompress(Codec, flags, &in, data.empty() ? nullptr : data.data(), &out, rows.data());
  }

private:
  HMODULE Dll;
  HIC Codec = nullptr;
};

class ServedCodecTest : public ::testing::Test {
protected:
  ServedCodecTest() { Server->BecomeTheRunsServer(); }

  std::atomic<std::uint32_t> DamagedFrame{UINT32_MAX};
  std::unique_ptr<TFakeFrameServer> Server = std::make_unique<TFakeFrameServer>(
    Width, Height, [this](std::uint32_t frame) -> std::optional<std::vector<std::uint8_t>> {
      if (frame == DamagedFrame)
        return std::nullopt;
      return PictureOf(frame);
    });
};

// What the picture held before the codec was asked, to see it unchanged.
std::vector<std::uint8_t> Untouched(std::size_t bytes)
{
  return std::vector<std::uint8_t>(bytes, 0xEE);
}

}  // namespace

TEST_F(ServedCodecTest, AServedFrameIsTheServersPictureLaidOutBottomUpAt24And32Bits)
{
  TServedCodec codec;
  ASSERT_TRUE(codec.Open());
  for (const int bitCount : {24, 32}) {
    std::vector<std::uint8_t> rows;
    ASSERT_EQ(codec.Decompress(Chunk(5), bitCount, rows), static_cast<DWORD>(ICERR_OK)) << bitCount;
    EXPECT_EQ(rows, ScreenRowsOf(PictureOf(5), bitCount)) << bitCount;
  }
}

TEST_F(ServedCodecTest, TheServerDecodesAheadOnlyWhileTheFramesFollowEachOther)
{
  TServedCodec codec;
  ASSERT_TRUE(codec.Open());
  std::vector<std::uint8_t> rows;
  for (const std::uint32_t frame : {5u, 6u, 7u, 3u, 4u}) {
    ASSERT_EQ(codec.Decompress(Chunk(frame), 24, rows), static_cast<DWORD>(ICERR_OK)) << frame;
    EXPECT_EQ(rows, ScreenRowsOf(PictureOf(frame), 24)) << frame;
  }
  const std::vector<Protocol::TFrameRequest> requests = Server->Requests();
  ASSERT_EQ(requests.size(), 5u);
  const bool forward[] = {false, true, true, false, true};
  for (std::size_t i = 0; i < requests.size(); ++i) {
    EXPECT_EQ(requests[i].Forward, forward[i]) << requests[i].Frame;
    EXPECT_TRUE(requests[i].RowsWanted);
    EXPECT_EQ(requests[i].Movie, TheMovie());
  }
}

TEST_F(ServedCodecTest, EmptyHurriedAndMalformedFramesAskTheServerNothing)
{
  TServedCodec codec;
  ASSERT_TRUE(codec.Open());
  // A dropped frame and one hurried past keep the picture before.
  const std::vector<std::uint8_t> shown = Untouched(ScreenBytes(24));
  std::vector<std::uint8_t> rows = shown;
  EXPECT_EQ(codec.Decompress({}, 24, rows), static_cast<DWORD>(ICERR_OK));
  EXPECT_EQ(rows, shown);
  EXPECT_EQ(codec.Decompress(Chunk(2), 24, rows, ICDECOMPRESS_HURRYUP), static_cast<DWORD>(ICERR_OK));
  EXPECT_EQ(rows, shown);
  // Data that is not a served frame chunk is refused.
  std::vector<std::uint8_t> cutShort = Chunk(2);
  cutShort.pop_back();
  std::vector<std::uint8_t> otherKind = Chunk(2);
  otherKind[3] = '2';
  for (const std::vector<std::uint8_t>& data : {cutShort, otherKind}) {
    EXPECT_EQ(codec.Decompress(data, 24, rows), static_cast<DWORD>(ICERR_ERROR));
    EXPECT_EQ(rows, shown);
  }
  EXPECT_TRUE(Server->Requests().empty());
}

TEST_F(ServedCodecTest, AFrameTheServerCannotGiveLeavesThePictureAsItWas)
{
  TServedCodec codec;
  ASSERT_TRUE(codec.Open());
  const std::vector<std::uint8_t> shown = Untouched(ScreenBytes(32));
  std::vector<std::uint8_t> rows = shown;

  DamagedFrame = 9;
  EXPECT_EQ(codec.Decompress(Chunk(9), 32, rows), static_cast<DWORD>(ICERR_ERROR));
  EXPECT_EQ(rows, shown);

  // The server goes halfway through sending a picture.
  Server->GoHalfwayThroughThePicture();
  EXPECT_EQ(codec.Decompress(Chunk(10), 32, rows), static_cast<DWORD>(ICERR_ERROR));
  EXPECT_EQ(rows, shown);
  // And is gone for the frames after.
  EXPECT_EQ(codec.Decompress(Chunk(11), 32, rows), static_cast<DWORD>(ICERR_ERROR));
  EXPECT_EQ(rows, shown);
}

TEST(ServedCodecWithoutServerTest, EveryFrameIsRefusedAndThePictureStaysAsItWas)
{
  // The run's server named, but nothing listening there any more.
  std::make_unique<TFakeFrameServer>(Width, Height, PictureOf)->BecomeTheRunsServer();
  TServedCodec codec;
  ASSERT_TRUE(codec.Open());
  const std::vector<std::uint8_t> shown = Untouched(ScreenBytes(24));
  std::vector<std::uint8_t> rows = shown;
  EXPECT_EQ(codec.Decompress(Chunk(0), 24, rows), static_cast<DWORD>(ICERR_ERROR));
  EXPECT_EQ(rows, shown);
  EXPECT_EQ(codec.Decompress(Chunk(1), 24, rows), static_cast<DWORD>(ICERR_ERROR));
  EXPECT_EQ(rows, shown);
}
