// The physical floor of cutting frames to files: copies the movie file's bytes,
// frame after frame, into as many files of the given size as a cut writes,
// with the host's plain file calls. Built natively by cut-vs-ffmpeg.sh.
//   copyfloor <movie> <files> <file-bytes> <out-dir>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
  if (argc != 5) {
    std::fprintf(stderr, "usage: copyfloor <movie> <files> <file-bytes> <out-dir>\n");
    return 2;
  }
  const long files = std::atol(argv[2]);
  const std::size_t bytes = std::strtoul(argv[3], nullptr, 10);
  std::FILE* movie = std::fopen(argv[1], "rb");
  if (!movie)
    return 1;
  std::vector<char> frame(bytes);
  for (long n = 0; n < files; ++n) {
    // From the start again when the movie holds fewer bytes than the files.
    if (std::fread(frame.data(), 1, bytes, movie) != bytes) {
      std::rewind(movie);
      if (std::fread(frame.data(), 1, bytes, movie) != bytes)
        return 1;
    }
    char name[32];
    std::snprintf(name, sizeof name, "/%04lX.BMP", n);
    std::FILE* out = std::fopen((std::string(argv[4]) + name).c_str(), "wb");
    if (!out || std::fwrite(frame.data(), 1, bytes, out) != bytes || std::fclose(out) != 0)
      return 1;
  }
  std::fclose(movie);
  return 0;
}
