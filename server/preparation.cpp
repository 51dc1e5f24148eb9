#include "server/preparation.h"

#include "avi/fourcc.h"
#include "codec/framecodec.h"
#include "server/fromoption.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool HasAviName(const std::string& path)
{
  if (path.size() < 4)
    return false;
  std::string ending = path.substr(path.size() - 4);
  for (char& c : ending)
    c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ending == ".avi";
}

// Seconds as the refusals show them: microseconds without trailing zeros.
std::string SecondsText(std::int64_t microseconds)
{
  char text[40];
  std::snprintf(text, sizeof text, "%.6f", static_cast<double>(microseconds) / 1e6);
  std::string shown = text;
  shown.erase(shown.find_last_not_of('0') + 1);
  if (shown.back() == '.')
    shown.pop_back();
  return shown;
}

// Refuses a movie that is missing or that the user may not read, saying so
// rather than blaming its format; gives its absolute path.
std::string ReadableMovie(const std::string& movie)
{
  using TXRefusal = TPreparation::TXRefusal;
  struct stat status;
  if (movie.empty())
    throw TXRefusal("no movie given");
  if (stat(movie.c_str(), &status) != 0)
    throw TXRefusal(errno == ENOENT || errno == ENOTDIR
                      ? "no such movie: " + movie
                      : "cannot read the movie " + movie + ": " + std::strerror(errno));
  if (!S_ISREG(status.st_mode))
    throw TXRefusal(movie + " is not a movie file");
  const int fd = open(movie.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    throw TXRefusal("cannot read the movie " + movie + ": " + std::strerror(errno));
  close(fd);
  char resolved[PATH_MAX];
  if (!realpath(movie.c_str(), resolved))
    throw TXRefusal("cannot read the movie " + movie + ": " + std::strerror(errno));
  return resolved;
}

// The frame to open on in a movie of that many frames, each at the time given.
template <class TTimeOf> std::uint32_t FirstFrame(const std::string& from, const std::string& movie,
                                                  std::uint32_t frames, TTimeOf timeOf,
                                                  const std::optional<std::uint32_t>& atOrAfter)
{
  std::optional<std::uint32_t> first = 0;
  if (!from.empty()) {
    const std::optional<TFromOption> option = TFromOption::Parse(from);
    first = option->Frame ? option->Frame : atOrAfter;
    if (first && *first >= frames)
      first.reset();
  }
  if (!first)
    throw TPreparation::TXRefusal("--from " + from + " lies after the last frame of " + movie + " (frame " +
                                  std::to_string(frames - 1) + " at " + SecondsText(timeOf(frames - 1)) + " s)");
  return *first;
}

}  // namespace

bool PlaysDirectly(const TAviVideo& video)
{
  if (!video.Readable() || video.TopDown())
    return false;
  switch (video.Compression) {
  case FourCC("MSVC"):
  case FourCC("msvc"):
  case FourCC("CRAM"):
  case FourCC("cram"):
  case FourCC("WHAM"):
  case FourCC("wham"):
  case FourCC("cvid"):
    return true;
  case TAviVideo::UncompressedRgb:
    return video.BitCount == 8 || video.BitCount == 24 || video.BitCount == 32;
  case FrameCodec::FourCC:
    return video.BitCount == FrameCodec::BitCount;
  default:
    return false;
  }
}

TPreparation::TPreparation(TMovieCache& cache, std::ostream& log) : Cache(cache), Log(log) {}

TPrepared TPreparation::Prepare(const std::string& movie, const std::string& from)
{
  if (!from.empty() && !TFromOption::Parse(from))
    throw TXRefusal("--from takes " + TFromOption::Forms() + ", not " + from);
  const std::string path = ReadableMovie(movie);
  const std::optional<TFromOption> option = TFromOption::Parse(from);
  const double seconds = option ? option->Seconds : 0;

  TPrepared prepared;
  if (HasAviName(path)) {
    const TAviVideo video = ReadAviVideo(path);
    if (PlaysDirectly(video)) {
      // Frame n is shown at n * Scale / Rate seconds.
      auto timeOf = [&](std::uint32_t frame) {
        return static_cast<std::int64_t>(std::llround(1e6 * frame * video.Scale / video.Rate));
      };
      const double exact = seconds * video.Rate / video.Scale;
      std::optional<std::uint32_t> atOrAfter;
      if (exact < video.CompleteFrames)
        atOrAfter = static_cast<std::uint32_t>(std::ceil(exact - 1e-6));
      prepared.Playable = path;
      prepared.First = FirstFrame(from, movie, video.CompleteFrames, timeOf, atOrAfter);
      Log << "the movie device shows " << movie << " as it is\n";
      return prepared;
    }
  }

  try {
    Cache.Tidy();
    const TSourceIdentity source = TSourceIdentity::Of(path);
    const TMovieCache::TEntry entry = Cache.IndexFor(source, [&] { return TMovieIndex::Build(path); });
    const TMovieIndex& index = *entry.Contents.Index;
    if (index.FrameCount() == 0)
      throw TXRefusal("no video frames in " + movie);
    prepared.Playable = entry.Path;
    prepared.First = FirstFrame(
      from, movie, index.FrameCount(), [&](std::uint32_t frame) { return index.FrameTimeUs(frame); },
      index.FirstFrameAtOrAfter(seconds));
    return prepared;
  } catch (const TMovieIndex::TXIndex& x) {
    // Said of the movie, which most reasons name already.
    const std::string why = x.what();
    throw TXRefusal(why.find(path) != std::string::npos ? why : movie + ": " + why);
  } catch (const TSourceIdentity::TXIdentity& x) {
    throw TXRefusal(x.what());
  } catch (const TMovieCache::TXCache& x) {
    throw TXRefusal(x.what());
  } catch (const IndexAvi::TXIndexAvi& x) {
    throw TXRefusal(x.what());
  }
}
