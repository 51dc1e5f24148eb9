// The frame server over the real channel: a client with the run's secret
// gets each frame exactly as the frame source decodes it, learns when a
// movie changed or went since it was indexed, and has movies prepared.
#include "channel/frameclient.h"
#include "server/frameserver.h"
#include "server/preparation.h"
#include "tests/native/server_fixture.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <sstream>
#include <thread>

namespace {

using TStatus = TFrameClient::TStatus;

class FrameServer : public TScratchFolder {
protected:
  void SetUp() override
  {
    TScratchFolder::SetUp();
    for (std::size_t i = 0; i < Secret.size(); ++i)
      Secret[i] = static_cast<std::uint8_t>(i * 7 + 1);
    Movie = MakeMovie("clip.mp4", "-c:v libx264 -pix_fmt yuv420p -bf 2 -g 8");
    MovieCache = std::make_unique<TMovieCache>(Cache, Log);
    TPreparation preparation(*MovieCache, Log);
    IndexPath = preparation.Prepare(Movie, "").Playable;
    Contents = IndexAvi::Read(IndexPath);
    Server = std::make_unique<TFrameServer>(Secret, *MovieCache, Log);
    Address = "127.0.0.1:" + std::to_string(Server->Port());
  }
  void TearDown() override
  {
    Server.reset();
    TScratchFolder::TearDown();
  }

  ServedFrame::TMovieId MovieId() const { return Contents.Source.MovieId(); }
  std::uint32_t Width() const { return Contents.Index->Width(); }
  std::uint32_t Height() const { return Contents.Index->Height(); }

  // The frame as a 24-bit DIB, bottom row first, rows padded to 4 bytes.
  static std::vector<std::uint8_t> BottomUpRows(const TDecodedFrame& picture)
  {
    const std::size_t rowBytes = picture.Width * 3;
    const std::size_t stride = (rowBytes + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> rows(stride * picture.Height, 0);
    for (std::uint32_t y = 0; y < picture.Height; ++y)
      std::copy_n(&picture.Bgr[y * rowBytes], rowBytes, &rows[(picture.Height - 1 - y) * stride]);
    return rows;
  }

  Protocol::TSecret Secret{};
  std::string Movie;
  std::ostringstream Log;
  std::unique_ptr<TMovieCache> MovieCache;
  std::string IndexPath;
  IndexAvi::TContents Contents;
  std::unique_ptr<TFrameServer> Server;
  std::string Address;
};

TEST_F(FrameServer, FramesOverTheChannelAreTheFrameSourcesPictures)
{
  TFrameClient client(Address, Secret);
  TFrameSource source(Movie, Contents.Index);
  const std::size_t stride = (Width() * 3 + 3) & ~3u;
  // Forward, then a jump back across a key frame, then the last frame.
  for (std::uint32_t frame : {0u, 1u, 2u, 13u, 5u, 29u}) {
    std::vector<std::uint8_t> rows(stride * Height(), 0xEE);
    ASSERT_EQ(client.Frame(MovieId(), frame, true, Width(), Height(), 24, rows.data()), TStatus::Ok) << frame;
    const std::shared_ptr<const TDecodedFrame> expected = source.Get(frame, false);
    ASSERT_TRUE(expected) << frame;
    EXPECT_TRUE(rows == BottomUpRows(*expected)) << "frame " << frame;
  }
  EXPECT_EQ(client.Check(MovieId(), 7), TStatus::Ok);
}

TEST_F(FrameServer, ConnectionsAtOnceGetTheSamePictures)
{
  const std::size_t stride = (Width() * 3 + 3) & ~3u;
  // Each connection on a thread of its own walks the movie forward.
  auto walk = [&](std::vector<std::vector<std::uint8_t>>& pictures, std::vector<TStatus>& statuses) {
    TFrameClient client(Address, Secret);
    for (std::uint32_t frame = 0; frame < 30; ++frame) {
      pictures.emplace_back(stride * Height());
      statuses.push_back(client.Frame(MovieId(), frame, true, Width(), Height(), 24, pictures.back().data()));
    }
  };
  std::vector<std::vector<std::uint8_t>> one, other;
  std::vector<TStatus> oneStatuses, otherStatuses;
  std::thread first([&] { walk(one, oneStatuses); });
  walk(other, otherStatuses);
  first.join();
  EXPECT_EQ(oneStatuses, std::vector<TStatus>(30, TStatus::Ok));
  EXPECT_EQ(otherStatuses, std::vector<TStatus>(30, TStatus::Ok));
  EXPECT_TRUE(one == other);
  EXPECT_FALSE(one[10] == one[11]);
}

TEST_F(FrameServer, RequestsTheServerCannotAnswer)
{
  TFrameClient client(Address, Secret);
  ServedFrame::TMovieId unknown = MovieId();
  unknown.Bytes[0] ^= 1;
  EXPECT_EQ(client.Check(unknown, 0), TStatus::UnknownMovie);
  EXPECT_EQ(client.Check(MovieId(), Contents.Index->FrameCount()), TStatus::Damaged) << "a frame past the end";
  EXPECT_EQ(client.Check(MovieId(), 3), TStatus::Ok) << "the connection serves on after refusals";

  Protocol::TSecret wrong = Secret;
  wrong[5] ^= 0x40;
  TFrameClient stranger(Address, wrong);
  EXPECT_EQ(stranger.Check(MovieId(), 0), TStatus::Refused);
}

TEST_F(FrameServer, AMovieChangedOnDiskSinceItWasIndexedIsSaidToHaveChanged)
{
  TFrameClient client(Address, Secret);
  ASSERT_EQ(client.Check(MovieId(), 4), TStatus::Ok);
  // Another modification time: the movie is not the one indexed.
  struct timespec times[2] = {{0, UTIME_OMIT}, {946684800, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, Movie.c_str(), times, 0), 0);
  EXPECT_EQ(client.Check(MovieId(), 4), TStatus::MovieChanged);

  // A server of a later run finds the movie in the cache and checks it too.
  Server = std::make_unique<TFrameServer>(Secret, *MovieCache, Log);
  TFrameClient later("127.0.0.1:" + std::to_string(Server->Port()), Secret);
  EXPECT_EQ(later.Check(MovieId(), 4), TStatus::MovieChanged);
}

TEST_F(FrameServer, AMovieRemovedFromDiskIsSaidToHaveChanged)
{
  TFrameClient client(Address, Secret);
  ASSERT_EQ(client.Check(MovieId(), 4), TStatus::Ok);
  ASSERT_EQ(std::remove(Movie.c_str()), 0);
  EXPECT_EQ(client.Check(MovieId(), 5), TStatus::MovieChanged);
}

TEST_F(FrameServer, PreparesMoviesOverTheChannel)
{
  TFrameClient client(Address, Secret);
  std::string playable, refusal;
  std::uint32_t first = 99;
  ASSERT_EQ(client.Prepare(Movie, "", playable, first, refusal), TStatus::Ok) << refusal;
  EXPECT_EQ(playable, IndexPath) << "the index made before";
  EXPECT_EQ(first, 0u);
  ASSERT_EQ(client.Prepare(Movie, "0.5", playable, first, refusal), TStatus::Ok) << refusal;
  EXPECT_EQ(first, 13u) << "frame 13 is at 0.52 s";

  const std::string direct = MakeMovie("direct.avi", "-c:v msvideo1");
  ASSERT_EQ(client.Prepare(direct, "12f", playable, first, refusal), TStatus::Ok) << refusal;
  EXPECT_EQ(playable, direct);
  EXPECT_EQ(first, 12u);

  WriteFile(Folder + "/notes.txt", "not a movie at all\n");
  EXPECT_EQ(client.Prepare(Folder + "/notes.txt", "", playable, first, refusal), TStatus::NotPlayable);
  EXPECT_NE(refusal.find("notes.txt"), std::string::npos) << refusal;
  EXPECT_EQ(client.Prepare(Movie, "99", playable, first, refusal), TStatus::NotPlayable);
  EXPECT_NE(refusal.find("after the last frame"), std::string::npos) << refusal;
}

}  // namespace
