// The program on a served movie (an index AVI), with a frame server in the
// test's process as the run's: the movie opens on the frame its command line
// names, the screen and a cut show the server's pictures, and a frame the
// server cannot give is refused with the message of its kind, the picture on
// show staying as it was.
#include "channel/servedframe.h"
#include "resources/resource.h"
#include "tests/app/cut_session.h"
#include "tests/support/fakeframeserver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>

namespace {

// Wider than the narrowest movie window.
constexpr std::uint32_t Width = 160;
constexpr std::uint32_t Height = 120;
constexpr std::uint32_t Frames = 12;

ServedFrame::TMovieId TheMovie()
{
  ServedFrame::TMovieId movie;
  for (std::size_t i = 0; i < movie.Bytes.size(); ++i)
    movie.Bytes[i] = static_cast<std::uint8_t>(0x71 + 5 * i);
  return movie;
}

// Every frame one colour of its own, as 0x00RRGGBB.
std::uint32_t ColourOf(std::uint32_t frame)
{
  return (20u * frame + 15) << 16 | (250u - 17 * frame) << 8 | (40u + 9 * frame);
}

std::vector<std::uint8_t> PictureOf(std::uint32_t frame)
{
  std::vector<std::uint8_t> picture(Width * Height * 3);
  const std::uint32_t colour = ColourOf(frame);
  for (std::size_t pixel = 0; pixel < Width * Height; ++pixel) {
    picture[3 * pixel] = static_cast<std::uint8_t>(colour);
    picture[3 * pixel + 1] = static_cast<std::uint8_t>(colour >> 8);
    picture[3 * pixel + 2] = static_cast<std::uint8_t>(colour >> 16);
  }
  return picture;
}

// Whether every pixel of the picture has the frame's colour.
bool ShowsFrame(const TPicture& picture, std::uint32_t frame)
{
  if (picture.Width != static_cast<int>(Width) || picture.Height != static_cast<int>(Height))
    return false;
  for (const std::uint32_t pixel : picture.Pixels)
    if (pixel != ColourOf(frame))
      return false;
  return true;
}

// The index AVI the frame server would write for the movie.
void WriteIndexMovie(const std::string& path)
{
  TAviWriter::TFormat format;
  format.Width = Width;
  format.Height = Height;
  format.BitCount = 24;
  format.OtherCodec = ServedFrame::FourCC;
  TAviWriter movie(path, format);
  for (std::uint32_t frame = 0; frame < Frames; ++frame) {
    const auto chunk = ServedFrame::Encode({TheMovie(), frame});
    movie.TryWriteCodedFrame(chunk.data(), chunk.size());
  }
  movie.Finish();
}

class ServedMovieTest : public testing::Test {
protected:
  ServedMovieTest() { Server.BecomeTheRunsServer(); }

  static TCutSession::TOptions OnFrame(std::uint32_t frame)
  {
    TCutSession::TOptions options;
    options.Movie.Width = Width;
    options.Movie.Height = Height;
    options.MovieName = "served.velmo-index.avi";
    options.Rework = WriteIndexMovie;
    options.AfterMovie = " " + std::to_string(frame);
    options.FromScreen = false;
    return options;
  }

  // Waits until the movie window shows the frame's picture.
  static bool WaitUntilShown(const TCutSession& session, std::uint32_t frame)
  {
    return WaitFor([&] { return ShowsFrame(session.ShownPicture(), frame); });
  }

  // Prepares a movie chosen in the open dialog: the index AVI beside it (the
  // session's folder), opened on frame 4, or the refusal when there is one.
  TFakeFrameServer::TPrepared Prepare(const std::string& moviePath) const
  {
    if (!Refusal.empty())
      return {"", 0, Refusal};
    const std::string folder = moviePath.substr(0, moviePath.rfind('/') + 1);
    return {folder + "served.velmo-index.avi", 4, ""};
  }

  std::atomic<std::uint32_t> DamagedFrame{UINT_MAX};
  std::string Refusal;
  TFakeFrameServer Server{Width, Height,
                          [this](std::uint32_t frame) -> std::optional<std::vector<std::uint8_t>> {
                            if (frame == DamagedFrame)
                              return std::nullopt;
                            return PictureOf(frame);
                          },
                          [this](const std::string& moviePath) { return Prepare(moviePath); }};
};

}  // namespace

TEST_F(ServedMovieTest, OpensOnTheFrameItsCommandLineNamesAndCutsTheServersPicture)
{
  TCutSession session(OnFrame(5));
  ASSERT_TRUE(session.WaitForMovie());
  ASSERT_TRUE(WaitUntilShown(session, 5));
  // The frame was checked with the server before the device was asked for it.
  const std::vector<Protocol::TFrameRequest> requests = Server.Requests();
  const auto check = std::find_if(requests.begin(), requests.end(), [](const Protocol::TFrameRequest& request) {
    return request.Frame == 5 && !request.RowsWanted;
  });
  ASSERT_NE(check, requests.end());
  EXPECT_EQ(check->Movie, TheMovie());

  session.Key(VK_RIGHT);
  ASSERT_TRUE(WaitUntilShown(session, 6));
  session.Key(VK_SPACE);
  ASSERT_TRUE(session.WaitForFile(CaptureName(6)));
  EXPECT_TRUE(ShowsFrame(PictureOf(session.Output(CaptureName(6))), 6));
}

TEST_F(ServedMovieTest, AFrameTheServerCannotGiveIsRefusedWithTheMessageOfItsKind)
{
  TCutSession session(OnFrame(2));
  ASSERT_TRUE(session.WaitForMovie());
  ASSERT_TRUE(WaitUntilShown(session, 2));

  DamagedFrame = 3;
  session.Key(VK_RIGHT);
  EXPECT_EQ(TakeErrorBox(session.Program()), "元の動画ファイルのこま 3 が壊れているため、表示できません。");
  EXPECT_TRUE(ShowsFrame(session.ShownPicture(), 2));

  // The server goes: the program says so once for the frame asked for.
  Server.GoAfter(0);
  session.Key(VK_LEFT);
  const std::string told = TakeErrorBox(session.Program());
  EXPECT_EQ(told.rfind("こま 1 を表示できません。", 0), 0u) << told;
  EXPECT_NE(told.find("scripts/run.sh"), std::string::npos) << told;
  EXPECT_TRUE(ShowsFrame(session.ShownPicture(), 2));
  // A range cut from the file has nothing to take its rows from: no file,
  // and the same message.
  session.Command(CM_MARKFROM);
  session.Command(CM_CUT);
  EXPECT_EQ(TakeErrorBox(session.Program()).rfind("こま 2 を表示できません。", 0), 0u);
  session.Settle();
  EXPECT_TRUE(session.OutputFiles().empty());
}

TEST_F(ServedMovieTest, AMovieChosenInTheDialogIsOpenedAsTheServerPreparesIt)
{
  TCutSession::TOptions options = OnFrame(0);
  options.OnCommandLine = false;
  options.MovieName = "clip.mp4";
  // The index AVI the server prepares, beside the chosen movie.
  options.Rework = [](const std::string& path) {
    WriteIndexMovie(path.substr(0, path.rfind('\\') + 1) + "served.velmo-index.avi");
  };
  TCutSession session(options);
  session.OpenWithDialog();
  ASSERT_TRUE(session.WaitForMovie());
  ASSERT_TRUE(WaitUntilShown(session, 4));
  // The server was named the movie by its Unix path.
  const std::vector<std::string> prepared = Server.PreparedMovies();
  ASSERT_EQ(prepared.size(), 1u);
  EXPECT_EQ(prepared[0].front(), '/');
  EXPECT_EQ(prepared[0].substr(prepared[0].size() - 9), "/clip.mp4");
  // The cut's files are named after the movie chosen.
  session.Key(VK_SPACE);
  ASSERT_TRUE(session.WaitForFile("clip0004.BMP"));
  EXPECT_TRUE(ShowsFrame(PictureOf(session.Output("clip0004.BMP")), 4));
}

TEST_F(ServedMovieTest, AMovieTheServerWillNotPrepareIsRefusedWithItsReason)
{
  Refusal = u8"動画のストリームがありません (no video stream)";
  TCutSession::TOptions options = OnFrame(0);
  options.OnCommandLine = false;
  options.MovieName = "notes.mkv";
  TCutSession session(options);
  session.OpenWithDialog();
  const std::string told = TakeErrorBox(session.Program());
  EXPECT_NE(told.find("notes.mkv を開けません。"), std::string::npos) << told;
  EXPECT_NE(told.find("動画のストリームがありません (no video stream)"), std::string::npos) << told;
  session.Settle();
  EXPECT_EQ(session.MovieWindow(), nullptr);
}
