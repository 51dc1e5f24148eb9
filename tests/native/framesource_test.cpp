// The movie index and the frame source against ffmpeg's command line: frame
// counts, pictures at any frame in any order, movies cut short or mid-stream.
#include "server/framesource.h"
#include "server/moviedecoder.h"
#include "server/movieindex.h"
#include "server/packetscan.h"
#include "tests/native/movie_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

namespace {

using TPicture = std::vector<std::uint8_t>;

const std::string Source = "-f lavfi -i testsrc2=size=160x120:rate=25";

// Every picture of the movie in order, as one decoder going through it gives them.
std::vector<TPicture> SequentialDecode(const std::string& movie, std::uint32_t width, std::uint32_t height)
{
  TMovieDecoder decoder(movie);
  std::vector<TPicture> pictures;
  TMovieDecoder::TPicture picture;
  while (decoder.Next(picture, width, height)) {
    TPicture& rows = pictures.emplace_back();
    for (std::uint32_t y = 0; y < height; ++y)
      rows.insert(rows.end(), picture.Row(y), picture.Row(y) + width * 3);
  }
  return pictures;
}

std::shared_ptr<const TMovieIndex> Indexed(const std::string& movie)
{
  return std::make_shared<const TMovieIndex>(TMovieIndex::Build(movie));
}

TPicture Rows(const std::shared_ptr<const TDecodedFrame>& frame)
{
  return frame ? frame->Bgr : TPicture();
}

class FrameSourceOfH264 : public ::testing::Test {
protected:
  static void SetUpTestSuite()
  {
    Files = new TMovieFiles;
    // B-frames, key frames apart, an open group of pictures now and then.
    Movie = Files->Make("bframes.mp4", Source +
                                         " -t 4 -c:v libx264 -bf 3 -g 15 -keyint_min 5 -sc_threshold 0"
                                         " -movflags +faststart");
    Index = Indexed(Movie);
    Pictures = SequentialDecode(Movie, Index->Width(), Index->Height());
  }
  static void TearDownTestSuite() { delete Files; }

  static TMovieFiles* Files;
  static std::string Movie;
  static std::shared_ptr<const TMovieIndex> Index;
  static std::vector<TPicture> Pictures;
};
TMovieFiles* FrameSourceOfH264::Files;
std::string FrameSourceOfH264::Movie;
std::shared_ptr<const TMovieIndex> FrameSourceOfH264::Index;
std::vector<TPicture> FrameSourceOfH264::Pictures;

TEST_F(FrameSourceOfH264, EveryFrameInAShuffledOrderIsTheSequentialDecodesPicture)
{
  ASSERT_EQ(Index->FrameCount(), 100u);
  ASSERT_EQ(Pictures.size(), 100u);
  std::vector<std::uint32_t> order(Index->FrameCount());
  for (std::uint32_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(37));
  TFrameSource source(Movie, Index);
  for (std::uint32_t frame : order)
    ASSERT_EQ(Rows(source.Get(frame, false)), Pictures[frame]) << "frame " << frame;
}

TEST_F(FrameSourceOfH264, SteppingForwardAndBackGivesEachFramesPicture)
{
  TFrameSource source(Movie, Index);
  for (std::uint32_t frame = 20; frame < Index->FrameCount(); ++frame)
    ASSERT_EQ(Rows(source.Get(frame, true)), Pictures[frame]) << "forward to frame " << frame;
  for (std::uint32_t frame = Index->FrameCount(); frame-- > 0;)
    ASSERT_EQ(Rows(source.Get(frame, false)), Pictures[frame]) << "back to frame " << frame;
}

TEST_F(FrameSourceOfH264, CallersAskingAtOnceEachGetTheirFrame)
{
  TFrameSource source(Movie, Index);
  std::vector<std::thread> callers;
  std::vector<int> wrong(4, 0);
  for (std::uint32_t caller = 0; caller < 4; ++caller) {
    callers.emplace_back([&, caller] {
      // Each walks its own stretch, forward or back.
      for (std::uint32_t step = 0; step < 25; ++step) {
        const std::uint32_t frame = caller % 2 ? caller * 25 + step : caller * 25 + 24 - step;
        wrong[caller] += Rows(source.Get(frame, caller % 2 == 1)) != Pictures[frame];
      }
    });
  }
  for (std::thread& caller : callers)
    caller.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

TEST_F(FrameSourceOfH264, FramesPastTheMovieOrPastWhereItWasCutShortHaveNoPicture)
{
  const std::string cut = Files->CopyFrom(Movie, "cut-short.mp4", 0);
  TFrameSource source(cut, Index);
  EXPECT_EQ(source.Get(Index->FrameCount(), false), nullptr);
  EXPECT_EQ(Rows(source.Get(3, false)), Pictures[3]);
  // The index still lists frames whose packets are gone now.
  TMovieFiles::Truncate(cut, TMovieFiles::Size(cut) / 2);
  TFrameSource shortened(cut, Index);
  EXPECT_EQ(shortened.Get(Index->FrameCount() - 1, false), nullptr);
  EXPECT_EQ(Rows(shortened.Get(3, false)), Pictures[3]);
  EXPECT_EQ(Rows(source.Get(4, true)), Pictures[4]);
}

TEST_F(FrameSourceOfH264, TheIndexKeepsWhatItSaysThroughStorage)
{
  const std::vector<std::uint8_t> stored = Index->Serialize();
  const TMovieIndex back = TMovieIndex::Deserialize(stored);
  ASSERT_EQ(back.FrameCount(), Index->FrameCount());
  EXPECT_EQ(back.Width(), 160u);
  EXPECT_EQ(back.Height(), 120u);
  EXPECT_EQ(back.RateNumerator(), 25u);
  EXPECT_EQ(back.RateDenominator(), 1u);
  for (std::uint32_t frame = 0; frame < back.FrameCount(); ++frame)
    ASSERT_EQ(back.FrameTimeUs(frame), frame * 40000) << "frame " << frame;
  EXPECT_EQ(back.FirstFrameAtOrAfter(1.0), 25u);
  EXPECT_EQ(back.FirstFrameAtOrAfter(1.01), 26u);
  EXPECT_EQ(back.FirstFrameAtOrAfter(4.0), std::nullopt);
  // Pictures come from a stored index as from the one built.
  TFrameSource source(Movie, std::make_shared<const TMovieIndex>(back));
  EXPECT_EQ(Rows(source.Get(57, false)), Pictures[57]);

  for (std::size_t place : {std::size_t{0}, std::size_t{5}, stored.size() / 2, stored.size() - 1}) {
    std::vector<std::uint8_t> damaged = stored;
    damaged[place] ^= 0x20;
    EXPECT_THROW(TMovieIndex::Deserialize(damaged), TMovieIndex::TXIndex) << "byte " << place;
  }
  EXPECT_THROW(TMovieIndex::Deserialize(std::vector<std::uint8_t>(stored.begin(), stored.end() - 9)),
               TMovieIndex::TXIndex);
  EXPECT_THROW(TMovieIndex::Deserialize({}), TMovieIndex::TXIndex);
}

// A kind of movie, made by the command line's arguments.
struct TKind {
  const char* Name;
  const char* File;
  const char* Arguments;
};

class FrameSourceOfKind : public ::testing::TestWithParam<TKind> {};

TEST_P(FrameSourceOfKind, CountsAndDecodesTheFramesAsTheCommandLine)
{
  TMovieFiles files;
  const std::string movie = files.Make(GetParam().File, Source + " " + GetParam().Arguments);
  const std::shared_ptr<const TMovieIndex> index = Indexed(movie);
  const std::uint32_t count = index->FrameCount();
  ASSERT_EQ(count, files.CliFrameCount(movie));
  EXPECT_EQ(index->FrameTimeUs(0), 0);
  TFrameSource source(movie, index);
  // Last first, so that each one is sought.
  for (std::uint32_t frame : {count - 1, count / 2 + 1, 0u, count / 2})
    EXPECT_EQ(Rows(source.Get(frame, false)), files.CliFrame(movie, frame)) << "frame " << frame;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Kinds, FrameSourceOfKind, ::testing::Values(
  TKind{"H264BFramesMp4", "h264.mp4", "-t 3 -c:v libx264 -bf 3 -g 12"},
  TKind{"H264BFramesTransportStream", "h264.ts", "-t 3 -c:v libx264 -bf 3 -g 12 -f mpegts"},
  TKind{"Hevc10Bit", "hevc10.mkv", "-t 2 -c:v libx265 -pix_fmt yuv420p10le -x265-params log-level=error:keyint=12"},
  TKind{"Vp9", "vp9.webm", "-t 2 -c:v libvpx-vp9 -g 12 -deadline realtime"},
  TKind{"VariableFrameRateMp4", "vfr.mp4",
        "-t 3 -vf setpts='if(lt(N\\,20)\\,N/25\\,N/10)/TB' -fps_mode vfr -c:v libx264 -bf 2 -g 10"},
  TKind{"InterlacedMpeg2", "mpeg2.ts", "-t 2 -c:v mpeg2video -flags +ilme+ildct -top 1 -bf 2 -g 12 -f mpegts"},
  // Its last key frame's picture comes after the last packet, untimed after a seek.
  TKind{"InterlacedMpeg2ProgramStream", "mpeg2.mpg", "-t 2.4 -c:v mpeg2video -flags +ilme+ildct -top 1 -bf 2 -g 12 -q:v 4"},
  TKind{"FirstTimeNotZeroTransportStream", "offset.ts",
        "-t 3 -c:v libx264 -bf 3 -g 12 -output_ts_offset 10 -f mpegts"},
  TKind{"FirstTimeNotZeroMp4", "offset.mp4", "-t 3 -c:v libx264 -bf 2 -g 12 -output_ts_offset 3"},
  // Packets without presentation times: frames counted from key frames.
  TKind{"Mpeg4OpenGopBFramesAvi", "mpeg4.avi", "-t 2 -c:v mpeg4 -bf 2 -g 12"},
  TKind{"H264BFramesAvi", "h264.avi", "-t 2 -c:v libx264 -bf 2 -g 12"},
  TKind{"H264ElementaryStream", "raw.h264", "-t 2 -c:v libx264 -bf 2 -g 12"}),
  [](const ::testing::TestParamInfo<TKind>& kind) { return std::string(kind.param.Name); });
// clang-format on

TEST(MovieIndex, ATransportStreamCutMidGroupCountsOnlyThePicturesTheDecoderGives)
{
  TMovieFiles files;
  const std::string whole = files.Make("whole.ts", Source + " -t 4 -c:v libx264 -bf 3 -g 25 -f mpegts");
  // Cut at transport packets in the middle of groups of pictures.
  for (std::size_t packets : {std::size_t{61}, std::size_t{157}}) {
    const std::string movie = files.CopyFrom(whole, "cut.ts", packets * 188);
    const std::shared_ptr<const TMovieIndex> index = Indexed(movie);
    const std::uint32_t count = index->FrameCount();
    ASSERT_EQ(count, files.CliFrameCount(movie)) << packets << " packets cut";
    TFrameSource source(movie, index);
    for (std::uint32_t frame : {count - 1, 0u, 1u})
      EXPECT_EQ(Rows(source.Get(frame, false)), files.CliFrame(movie, frame)) << "frame " << frame;
  }
}

TEST(MovieIndex, FrameTimesAndTheFrameAtATimeAreTheCommandLines)
{
  TMovieFiles files;
  const std::string variable = files.Make(
    "variable.mp4", Source + " -t 3 -vf setpts='if(lt(N\\,20)\\,N/25\\,N/10)/TB' -fps_mode vfr -c:v libx264 -bf 2");
  const std::string late = files.Make("late.mp4", Source + " -t 3 -c:v libx264 -bf 3 -output_ts_offset 7");
  const std::string lateStream = files.Make("late.ts",
                                            Source + " -t 3 -c:v libx264 -bf 3 -output_ts_offset 7 -f mpegts");
  for (const std::string& movie : {variable, late, lateStream}) {
    const std::shared_ptr<const TMovieIndex> index = Indexed(movie);
    const std::vector<std::int64_t> times = files.CliFrameTimesUs(movie);
    ASSERT_EQ(index->FrameCount(), times.size()) << movie;
    for (std::uint32_t frame = 0; frame < times.size(); ++frame)
      ASSERT_NEAR(index->FrameTimeUs(frame), times[frame], 1) << movie << " frame " << frame;
    EXPECT_EQ(index->FirstFrameAtOrAfter(3.5), std::nullopt);
  }
  // What run.sh --from TIME opens on. (The command line's -ss finds nothing
  // in a transport stream of one group of pictures, so it is not asked.)
  for (const std::string& movie : {variable, late}) {
    const std::shared_ptr<const TMovieIndex> index = Indexed(movie);
    TFrameSource source(movie, index);
    for (double seconds : {0.5, 1.3, 2.05}) {
      const std::optional<std::uint32_t> frame = index->FirstFrameAtOrAfter(seconds);
      ASSERT_TRUE(frame) << movie << " at " << seconds;
      EXPECT_EQ(Rows(source.Get(*frame, false)), files.CliFrameAt(movie, seconds)) << movie << " at " << seconds;
    }
  }
}

TEST(MovieIndex, RefusesFilesWithoutPicturesInWordsAUserReads)
{
  TMovieFiles files;
  const std::string sound = files.Make("sound.wav", "-f lavfi -i sine=duration=1");
  const std::string text = files.Write("notes.mp4", "not a movie, whatever its name says\n");
  for (const std::string& path : {sound, text, sound + ".missing"}) {
    try {
      TMovieIndex::Build(path);
      ADD_FAILURE() << path << " indexed";
    } catch (const TMovieIndex::TXIndex& x) {
      EXPECT_NE(std::string(x.what()).find(path), std::string::npos) << x.what();
    }
  }
}

// ISO media files are listed from their sample tables without reading the
// samples: the list must be the one the demuxer gives reading them whole,
// also with an edit list, in fragments, and with sound between the pictures.
TEST(MovieIndex, IsoFilesAreListedFromTheirSampleTablesAsTheDemuxerReadsThem)
{
  TMovieFiles files;
  const std::string h264 = Source + " -t 3 -c:v libx264 -bf 3 -g 12";
  const std::string movies[] = {
    files.Make("edited.mp4", h264),
    files.Make("fragments.mp4", h264 + " -movflags frag_keyframe+empty_moov"),
    files.Make("sound.mov", Source + " -f lavfi -i sine -t 3 -c:v libx264 -bf 2 -g 25 -c:a aac"),
  };
  for (const std::string& movie : movies) {
    TMovieDecoder decoder(movie);
    const std::vector<TMovieDecoder::TPacketInfo> listed = ScanPackets(decoder, movie);
    TMovieDecoder reader(movie);
    std::vector<TMovieDecoder::TPacketInfo> read;
    for (TMovieDecoder::TPacketInfo packet; reader.ReadPacket(packet);)
      read.push_back(packet);
    ASSERT_EQ(listed.size(), read.size()) << movie;
    for (std::size_t i = 0; i < read.size(); ++i) {
      EXPECT_TRUE(listed[i].Pts == read[i].Pts && listed[i].Dts == read[i].Dts &&
                  listed[i].Position == read[i].Position && listed[i].Key == read[i].Key &&
                  listed[i].Discard == read[i].Discard)
        << movie << " packet " << i;
    }
  }
}

}  // namespace
