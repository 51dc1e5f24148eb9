// The cut from the file of a served movie: each thread asks the frame server
// (one in the test's own process) for its frames' rows, and the files are
// those pictures as the screen shows them; a frame the server does not give
// ends the cut as Damaged, with no file of it or of any frame after it.
#include "app/cut/filecut.h"
#include "avi/avivideo.h"
#include "channel/servedframe.h"
#include "tests/support/fakeframeserver.h"
#include "tests/support/wait.h"
#include "tools/avi/avi_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

// Rows of 21 pixels need padding at 24 bits.
constexpr std::uint32_t Width = 21;
constexpr std::uint32_t Height = 5;
constexpr std::uint32_t Frames = 12;

ServedFrame::TMovieId TheMovie()
{
  ServedFrame::TMovieId movie;
  for (std::size_t i = 0; i < movie.Bytes.size(); ++i)
    movie.Bytes[i] = static_cast<std::uint8_t>(0x30 + 3 * i);
  return movie;
}

// A picture of its own for every frame: packed BGR, top row first.
std::vector<std::uint8_t> PictureOf(std::uint32_t frame)
{
  std::vector<std::uint8_t> picture(Width * Height * 3);
  for (std::size_t i = 0; i < picture.size(); ++i)
    picture[i] = static_cast<std::uint8_t>(frame * 29 + i * 11 + i / (Width * 3));
  return picture;
}

// The rows of the BMP file a copy from a screen of this depth gives:
// bottom-up, a 32-bit pixel's fourth byte and each row's padding zero.
std::string ScreenRowsOf(const std::vector<std::uint8_t>& picture, int depth)
{
  const std::size_t pixel = static_cast<std::size_t>(depth) / 8;
  const std::size_t stride = (Width * pixel + 3) / 4 * 4;
  std::string rows(stride * Height, '\0');
  for (std::uint32_t y = 0; y < Height; ++y)
    for (std::uint32_t x = 0; x < Width; ++x)
      for (std::size_t c = 0; c < 3; ++c)
        rows[(Height - 1 - y) * stride + x * pixel + c] = static_cast<char>(picture[(y * Width + x) * 3 + c]);
  return rows;
}

std::string ReadWhole(const std::string& path)
{
  std::ifstream file(path, std::ios::binary);
  return file ? std::string(std::istreambuf_iterator<char>(file), {}) : std::string();
}

bool Exists(const std::string& path)
{
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class ServedCutTest : public testing::Test {
protected:
  ServedCutTest()
  {
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof temp, temp);
    static int counter = 0;
    Folder = std::string(temp) + "velmo-servedcut-" + std::to_string(::GetCurrentProcessId()) + "-" +
             std::to_string(++counter) + "\\";
    ::CreateDirectoryA(Folder.c_str(), nullptr);
    WriteIndexMovie();
  }
  ~ServedCutTest() override
  {
    for (std::uint32_t frame = 0; frame < Frames; ++frame)
      ::DeleteFileA(FilePath(frame).c_str());
    ::DeleteFileA(MoviePath().c_str());
    ::RemoveDirectoryA(Folder.c_str());
  }

  std::string MoviePath() const { return Folder + "served.velmo-index.avi"; }
  std::string FileName(std::uint32_t frame) const
  {
    char name[16];
    std::snprintf(name, sizeof name, "%04X.BMP", frame);
    return name;
  }
  std::string FilePath(std::uint32_t frame) const { return Folder + FileName(frame); }

  // An index AVI as the frame server writes it: one served frame chunk a frame.
  void WriteIndexMovie() const
  {
    TAviWriter::TFormat format;
    format.Width = Width;
    format.Height = Height;
    format.BitCount = 24;
    format.OtherCodec = ServedFrame::FourCC;
    TAviWriter movie(MoviePath(), format);
    for (std::uint32_t frame = 0; frame < Frames; ++frame) {
      const auto chunk = ServedFrame::Encode({TheMovie(), frame});
      movie.TryWriteCodedFrame(chunk.data(), chunk.size());
    }
    movie.Finish();
  }

  // Cuts every frame of the movie from its file on a screen of this depth,
  // each thread asking the fake server, and waits for the cut's end.
  TFileCut::TEnd Cut(int depth)
  {
    const TAviVideo video = ReadAviVideo(MoviePath());
    EXPECT_TRUE(video.Readable());
    EXPECT_TRUE(ScreenShowsStoredRows(video, depth));
    std::vector<TFileCut::TFrame> frames;
    for (std::uint32_t frame = 0; frame < video.Frames.size(); ++frame)
      frames.push_back({frame, video.Frames[frame], FilePath(frame)});
    Connections = 0;
    FileCut = std::make_unique<TFileCut>(MoviePath(), video, depth, Folder, std::move(frames), Frames, [this] {
      ++Connections;
      return std::make_unique<TFrameClient>(Server.Address(), Server.Secret());
    });
    EXPECT_EQ(::WaitForSingleObject(FileCut->EndedEvent(), static_cast<DWORD>(Scaled(60000))), WAIT_OBJECT_0);
    return FileCut->End();
  }

  std::string Folder;
  std::atomic<std::uint32_t> DamagedFrame{UINT_MAX};
  TFakeFrameServer Server{Width, Height, [this](std::uint32_t frame) -> std::optional<std::vector<std::uint8_t>> {
                            if (frame == DamagedFrame)
                              return std::nullopt;
                            return PictureOf(frame);
                          }};
  std::atomic<int> Connections{0};
  std::unique_ptr<TFileCut> FileCut;
};

}  // namespace

TEST_F(ServedCutTest, EachFileIsTheServersPictureAsTheScreenShowsIt)
{
  for (const int depth : {24, 32}) {
    ASSERT_EQ(Cut(depth), TFileCut::TEnd::Done) << depth;
    EXPECT_EQ(FileCut->Written(), Frames);
    EXPECT_GE(Connections, 1);
    for (std::uint32_t frame = 0; frame < Frames; ++frame) {
      const std::string file = ReadWhole(FilePath(frame));
      const std::string rows = ScreenRowsOf(PictureOf(frame), depth);
      ASSERT_GT(file.size(), rows.size()) << frame;
      // The headers say the screen's depth; the rows follow them.
      EXPECT_EQ(static_cast<std::uint8_t>(file[28]), depth) << frame;
      EXPECT_EQ(file.substr(file.size() - rows.size()), rows) << frame << " at " << depth;
    }
  }
  // The cut asks for every frame's rows, moving forward.
  for (const Protocol::TFrameRequest& request : Server.Requests()) {
    EXPECT_TRUE(request.RowsWanted);
    EXPECT_TRUE(request.Forward);
    EXPECT_EQ(request.Movie, TheMovie());
  }
}

TEST_F(ServedCutTest, ADamagedFrameEndsTheCutThereWithNoFileOfItOrAfterIt)
{
  DamagedFrame = 7;
  ASSERT_EQ(Cut(32), TFileCut::TEnd::Damaged);
  EXPECT_EQ(FileCut->ServedFault(), TServedFault::FrameDamaged);
  EXPECT_EQ(FileCut->Written(), 7u);
  for (std::uint32_t frame = 0; frame < Frames; ++frame)
    EXPECT_EQ(Exists(FilePath(frame)), frame < 7) << frame;
}

TEST_F(ServedCutTest, AServerThatGoesEndsTheCutAsDamagedWithEveryFileBeforeItWhole)
{
  Server.GoAfter(5);
  ASSERT_EQ(Cut(24), TFileCut::TEnd::Damaged);
  EXPECT_EQ(FileCut->ServedFault(), TServedFault::ServerGone);
  const std::size_t written = FileCut->Written();
  EXPECT_LE(written, 5u);
  for (std::uint32_t frame = 0; frame < Frames; ++frame) {
    EXPECT_EQ(Exists(FilePath(frame)), frame < written) << frame;
    if (frame < written) {
      EXPECT_EQ(ReadWhole(FilePath(frame)).substr(54), ScreenRowsOf(PictureOf(frame), 24)) << frame;
    }
  }
}
