// The preparation of movies and the cache of index AVIs: what plays directly,
// what the index AVI holds, when an index is used again or made anew, and
// which files of the cache folder are ever removed.
#include "avi/avivideo.h"
#include "server/fromoption.h"
#include "server/preparation.h"
#include "server/temporaryfile.h"
#include "tests/native/server_fixture.h"
#include "tools/avi/avi_writer.h"

#include <sys/file.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class Preparation : public TScratchFolder {
protected:
  TPrepared Prepare(const std::string& movie, const std::string& from = "")
  {
    TMovieCache cache(Cache, Log);
    TPreparation preparation(cache, Log);
    return preparation.Prepare(movie, from);
  }
  // The refusal's message; empty when the movie was not refused.
  std::string Refusal(const std::string& movie, const std::string& from = "")
  {
    try {
      Prepare(movie, from);
    } catch (const TPreparation::TXRefusal& x) {
      return x.what();
    }
    return "";
  }
  std::vector<std::string> CacheNames() const
  {
    std::vector<std::string> names;
    if (fs::exists(Cache))
      for (const fs::directory_entry& entry : fs::directory_iterator(Cache))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static ino_t Inode(const std::string& path)
  {
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_ino;
  }

  std::ostringstream Log;
};

TEST_F(Preparation, AnIndexAviIsSmallAndServesEveryFrameOfTheMovie)
{
  const std::string movie = MakeMovie("my clip.mp4", "-c:v libx264 -pix_fmt yuv420p -bf 2", 50);
  const TPrepared prepared = Prepare(movie);
  EXPECT_EQ(fs::path(prepared.Playable).parent_path(), fs::path(Cache));
  EXPECT_EQ(prepared.First, 0u);
  EXPECT_LT(fs::file_size(prepared.Playable), 50u * 1024) << "no pictures in it";

  const TAviVideo video = ReadAviVideo(prepared.Playable);
  ASSERT_TRUE(video.Readable());
  EXPECT_EQ(video.Compression, ServedFrame::FourCC);
  EXPECT_EQ(video.BitCount, 24);
  EXPECT_EQ(video.Width, 160);
  EXPECT_EQ(video.Height, 120) << "bottom-up";
  EXPECT_EQ(video.Rate * 1.0 / video.Scale, 25.0);
  ASSERT_EQ(video.CompleteFrames, 50u);

  const IndexAvi::TContents contents = IndexAvi::Read(prepared.Playable);
  EXPECT_EQ(contents.Source, TSourceIdentity::Of(fs::canonical(movie).string()));
  EXPECT_EQ(contents.Index->FrameCount(), 50u);
  TFileByteSource bytes(prepared.Playable);
  ASSERT_EQ(video.SourceTimes.size(), 50u);
  for (std::uint32_t frame = 0; frame < 50; ++frame) {
    std::uint8_t chunk[ServedFrame::ChunkBytes] = {};
    ASSERT_EQ(video.Frames[frame].Size, ServedFrame::ChunkBytes);
    ASSERT_TRUE(bytes.ReadAt(video.Frames[frame].Offset, chunk, sizeof chunk));
    const std::optional<ServedFrame::TChunk> served = ServedFrame::Decode(chunk, sizeof chunk);
    ASSERT_TRUE(served) << frame;
    EXPECT_EQ(served->Movie, contents.Source.MovieId());
    EXPECT_EQ(served->Frame, frame);
    EXPECT_EQ(video.SourceTimes[frame], contents.Index->FrameTimeUs(frame)) << frame;
  }
}

TEST_F(Preparation, AnIndexIsUsedAgainUntilItsMovieChanges)
{
  const std::string movie = MakeMovie("clip.mkv", "-c:v mjpeg");
  const std::string index = Prepare(movie).Playable;
  const ino_t made = Inode(index);
  EXPECT_EQ(Prepare(movie).Playable, index);
  EXPECT_EQ(Inode(index), made) << "not written again";
  EXPECT_NE(Log.str().find("using the index made before"), std::string::npos);

  // The same path holding another movie: indexed anew, the old index goes.
  MakeMovie("clip.mkv", "-vf hflip -c:v mjpeg", 20);
  const std::string changed = Prepare(movie).Playable;
  EXPECT_NE(changed, index);
  EXPECT_FALSE(fs::exists(index));
  EXPECT_EQ(IndexAvi::Read(changed).Index->FrameCount(), 20u);

  // An index damaged in place is made again.
  fs::resize_file(changed, fs::file_size(changed) - 7);
  EXPECT_EQ(Prepare(movie).Playable, changed);
  EXPECT_EQ(IndexAvi::Read(changed).Index->FrameCount(), 20u);
}

TEST_F(Preparation, TransportStreamsAreIndexed)
{
  const std::string movie = MakeMovie("broadcast.ts", "-c:v mpeg2video -g 6 -bf 2 -f mpegts", 40);
  const TPrepared prepared = Prepare(movie, "1.0");
  const IndexAvi::TContents contents = IndexAvi::Read(prepared.Playable);
  EXPECT_GT(contents.Index->FrameCount(), 30u);
  EXPECT_GE(contents.Index->FrameTimeUs(prepared.First), 1000000);
  EXPECT_LT(contents.Index->FrameTimeUs(prepared.First - 1), 1000000);
}

TEST_F(Preparation, FromGivesTheFrameToOpenOn)
{
  const std::string movie = MakeMovie("clip.mp4", "-c:v libx264 -pix_fmt yuv420p");
  EXPECT_EQ(Prepare(movie, "0.5").First, 13u) << "the first frame at or after 0.5 s (0.52 s)";
  EXPECT_EQ(Prepare(movie, "0:00:01").First, 25u);
  EXPECT_EQ(Prepare(movie, "480ms").First, 12u);
  EXPECT_EQ(Prepare(movie, "29f").First, 29u);
  EXPECT_NE(Refusal(movie, "30f").find("lies after the last frame"), std::string::npos);
  EXPECT_NE(Refusal(movie, "9").find("lies after the last frame"), std::string::npos);
  EXPECT_NE(Refusal(movie, "1,5").find("--from takes a time as ffmpeg reads it"), std::string::npos);

  // A movie the device shows: the frame at n * Scale / Rate.
  const std::string direct = MakeMovie("direct.avi", "-c:v msvideo1");
  EXPECT_EQ(Prepare(direct, "0.5").First, 13u);
  EXPECT_EQ(Prepare(direct, "7f").First, 7u);
  EXPECT_NE(Refusal(direct, "2").find("lies after the last frame"), std::string::npos);
}

TEST_F(Preparation, TheFromOptionTakesTimesAsFfmpegReadsThem)
{
  struct TCase {
    const char* Text;
    double Seconds;
  };
  for (const TCase& c : {TCase{"12", 12}, TCase{"12.5", 12.5}, TCase{"1:02:03.25", 3723.25}, TCase{"2:03", 123},
                         TCase{"1.5s", 1.5}, TCase{"250ms", 0.25}, TCase{"40us", 0.00004}, TCase{"7.", 7}}) {
    const std::optional<TFromOption> from = TFromOption::Parse(c.Text);
    ASSERT_TRUE(from) << c.Text;
    EXPECT_FALSE(from->Frame) << c.Text;
    EXPECT_DOUBLE_EQ(from->Seconds, c.Seconds) << c.Text;
  }
  EXPECT_EQ(TFromOption::Parse("100000f")->Frame, 100000u);
  EXPECT_EQ(TFromOption::Parse("4294967295f")->Frame, 4294967295u);
  for (const char* wrong : {"", "1,5", "-3", "1:2:3:4", "4294967296f", "f", "12 s", "0x10", "1e3", ".5"})
    EXPECT_FALSE(TFromOption::Parse(wrong)) << wrong;
}

TEST_F(Preparation, WhatTheDeviceShowsItselfIsGivenAsItIs)
{
  TTestMovie bottomUp;
  bottomUp.BitCount = 32;
  WriteTestMovie(Folder + "/bottom-up.avi", bottomUp);
  TTestMovie coded;
  coded.BitCount = 24;
  coded.Coded = true;
  WriteTestMovie(Folder + "/coded.AVI", coded);
  const std::string cinepak = MakeMovie("cinepak.avi", "-c:v cinepak");
  for (const std::string& movie : {Folder + "/bottom-up.avi", Folder + "/coded.AVI", cinepak})
    EXPECT_EQ(Prepare(movie).Playable, movie);

  // Rows stored top-down, other codecs, and an AVI not named .avi: indexed.
  const std::string topDown = MakeMovie("top-down.avi", "-c:v rawvideo -pix_fmt bgra");
  const std::string mjpeg = MakeMovie("mjpeg.avi", "-c:v mjpeg");
  fs::copy_file(cinepak, Folder + "/cinepak.bin");
  for (const std::string& movie : {topDown, mjpeg, Folder + "/cinepak.bin"})
    EXPECT_EQ(fs::path(Prepare(movie).Playable).parent_path(), fs::path(Cache)) << movie;
  EXPECT_TRUE(CacheNames().size() == 3u);
}

TEST_F(Preparation, RefusalsSayWhatIsWrongInOneMessage)
{
  EXPECT_EQ(Refusal(Folder + "/nothing.mp4"), "no such movie: " + Folder + "/nothing.mp4");
  WriteFile(Folder + "/notes.txt", "some words, no movie\n");
  EXPECT_NE(Refusal(Folder + "/notes.txt").find("notes.txt"), std::string::npos);
  const std::string sound = Folder + "/sound.wav";
  ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -f lavfi -i sine=duration=1 '" + sound + "'").c_str()), 0);
  EXPECT_NE(Refusal(sound).find("no video stream in " + Folder + "/sound.wav"), std::string::npos);
  EXPECT_TRUE(CacheNames().empty()) << "nothing written for a refused movie";
  if (geteuid() != 0) {
    const std::string locked = MakeMovie("locked.mp4", "-c:v libx264");
    chmod(locked.c_str(), 0);
    EXPECT_NE(Refusal(locked).find("cannot read the movie"), std::string::npos);
  }
}

TEST_F(Preparation, OnlyTheCachesOwnFilesAreEverRemoved)
{
  fs::create_directories(Cache);
  // The user's own files, one named like an index, one like an old copy
  // (without the file that named its source).
  const std::vector<std::string> users = {"holiday.avi", "notes-0123456789abcdef0123456789abcdef.velmo-index.avi",
                                          "trip-0123456789-0123456789-0.velmo-copy.avi", ".hidden"};
  for (const std::string& name : users)
    WriteFile(Cache + "/" + name, "the user's own " + name);
  // What the converter of earlier versions left: copies with their source
  // files, and a part its dead converter held.
  const std::string old = "clip-0123456789-abcdef0123-0.velmo-copy";
  WriteFile(Cache + "/" + old + ".avi", std::string(4096, 'c'));
  WriteFile(Cache + "/" + old + ".source", "source=/home/me/clip.mp4\nsize=1\n");
  WriteFile(Cache + "/.clip-0123456789-abcdef0123-7.velmo-copy.avi.999999.part", "part");
  // A temporary index file of a preparation that died, and one being written.
  const std::string hex(32, 'a');
  const std::string dead = ".dead-" + hex + ".velmo-index.avi.999998.part";
  const std::string live = ".live-" + hex + ".velmo-index.avi.999997.part";
  WriteFile(Cache + "/" + dead, "dead");
  WriteFile(Cache + "/" + live, "live");
  const int writer = open((Cache + "/" + live).c_str(), O_RDONLY);
  ASSERT_EQ(flock(writer, LOCK_EX), 0);

  Prepare(MakeMovie("clip.mp4", "-c:v libx264"));
  close(writer);
  std::vector<std::string> expected = users;
  expected.push_back(live);
  expected.push_back("clip-" + ServedFrame::ToHex(TSourceIdentity::Of(Folder + "/clip.mp4").MovieId()) +
                     ".velmo-index.avi");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(CacheNames(), expected);
  for (const std::string& name : users)
    EXPECT_EQ(FileText(Cache + "/" + name), "the user's own " + name);
  EXPECT_NE(Log.str().find("removed 3 files"), std::string::npos) << Log.str();
}

TEST_F(Preparation, AnInterruptedIndexLeavesNoFile)
{
  fs::create_directories(Cache);
  {
    TTemporaryFile file(Cache + "/.x-" + std::string(32, 'b') + ".velmo-index.avi.1.part");
    WriteFile(file.Path(), "half an index");
    EXPECT_TRUE(TTemporaryFile::HeldByWriter(file.Path()));
  }
  EXPECT_TRUE(CacheNames().empty()) << "removed when its writer gives up";
  TTemporaryFile file(Cache + "/.y-" + std::string(32, 'b') + ".velmo-index.avi.1.part");
  TTemporaryFile::RemoveAll();
  EXPECT_TRUE(CacheNames().empty()) << "removed when the process is interrupted";
}

}  // namespace
