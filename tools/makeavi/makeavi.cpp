// Writes a test movie whose pixels encode the frame number:
//   makeavi out.avi [--bpp 8|24|32] [--size WxH] [--frames N] [--fps RATE[/SCALE]] [--top-down]
//                   [--picture-every N]
#include "tools/avi/avi_writer.h"
#include "tools/avi/number_text.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char Usage[] =
  "usage: makeavi out.avi [--bpp 8|24|32] [--size WxH] [--frames N] [--fps RATE[/SCALE]] [--top-down]\n"
  "                       [--picture-every N]\n"
  "  defaults: --bpp 32 --size 160x120 --frames 20 --fps 15\n"
  "  --picture-every N: only frames 0, N, 2N ... have a picture, the others are dropped frames that\n"
  "  repeat it: a long movie in little room\n";

bool ParseArguments(int argc, char** argv, std::string& path, TTestMovie& movie)
{
  std::uint32_t pictureEvery = 1;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    std::uint32_t bpp = 0;
    if (arg[0] != '-') {
      if (!path.empty())
        return false;
      path = arg;
      continue;
    }
    if (!std::strcmp(arg, "--top-down")) {
      movie.TopDown = true;
      continue;
    }
    if (!value)
      return false;
    ++i;
    if (!std::strcmp(arg, "--bpp")) {
      if (!ParseNumber(value, bpp) || bpp > 32)
        return false;
      movie.BitCount = static_cast<std::uint16_t>(bpp);
    } else if (!std::strcmp(arg, "--size")) {
      if (!ParsePair(value, 'x', movie.Width, movie.Height))
        return false;
    } else if (!std::strcmp(arg, "--frames")) {
      if (!ParseNumber(value, movie.Frames))
        return false;
    } else if (!std::strcmp(arg, "--picture-every")) {
      if (!ParseNumber(value, pictureEvery) || pictureEvery == 0)
        return false;
    } else if (!std::strcmp(arg, "--fps")) {
      movie.Scale = 1;
      if (!ParsePair(value, '/', movie.Rate, movie.Scale) && !ParseNumber(value, movie.Rate))
        return false;
    } else {
      return false;
    }
  }
  for (std::uint32_t frame = 0; frame < movie.Frames; ++frame)
    if (frame % pictureEvery)
      movie.Dropped.push_back(frame);
  return !path.empty();
}

}  // namespace

int main(int argc, char** argv)
{
  std::string path;
  TTestMovie movie;
  if (!ParseArguments(argc, argv, path, movie)) {
    std::fputs(Usage, stderr);
    return 2;
  }
  try {
    WriteTestMovie(path, movie);
  } catch (const TAviWriter::TXAvi& x) {
    std::fprintf(stderr, "makeavi: %s\n", x.what());
    return 1;
  }
  std::printf("%s: %ux%u, %u bpp, %u frames at %u/%u fps\n", path.c_str(), movie.Width, movie.Height, movie.BitCount,
              movie.Frames, movie.Rate, movie.Scale);
  return 0;
}
