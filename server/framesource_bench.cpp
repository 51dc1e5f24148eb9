// How fast the frame source answers on a given movie: indexing, opening, a
// jump to a random frame, one step back, stepping forward, and decoding in
// order; with the peak memory. Host tool:
//   framesource_bench MOVIE [JUMPS]
#include "server/framesource.h"
#include "server/moviedecoder.h"
#include "server/movieindex.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

class TStopwatch {
public:
  double Ms() const { return std::chrono::duration<double, std::milli>(Clock::now() - Start).count(); }

private:
  using Clock = std::chrono::steady_clock;
  Clock::time_point Start = Clock::now();
};

void Report(const char* what, std::vector<double> ms)
{
  std::sort(ms.begin(), ms.end());
  double sum = 0;
  for (double each : ms)
    sum += each;
  std::printf("%-28s mean %8.1f ms  median %8.1f ms  max %8.1f ms  (%zu)\n", what, sum / ms.size(), ms[ms.size() / 2],
              ms.back(), ms.size());
}

long PeakMegabytes()
{
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc < 2) {
    std::fprintf(stderr, "usage: framesource_bench MOVIE [JUMPS]\n");
    return 2;
  }
  const std::string movie = argv[1];
  const int jumps = argc > 2 ? std::atoi(argv[2]) : 20;
  try {
    TStopwatch indexing;
    auto index = std::make_shared<const TMovieIndex>(TMovieIndex::Build(movie));
    std::printf("index: %u frames %ux%u, %zu key frames, %zu bytes stored, built in %.1f ms\n", index->FrameCount(),
                index->Width(), index->Height(), index->KeyFrames().size(), index->Serialize().size(), indexing.Ms());
    const std::uint32_t count = index->FrameCount();

    TStopwatch opening;
    TFrameSource source(movie, index);
    source.Get(0, false);
    std::printf("open and first frame: %.1f ms\n", opening.Ms());

    std::mt19937 random(37);
    std::uniform_int_distribution<std::uint32_t> anywhere(40, count - 1);
    std::vector<double> jumped, steppedBack;
    for (int i = 0; i < jumps; ++i) {
      const std::uint32_t frame = anywhere(random);
      TStopwatch jump;
      if (!source.Get(frame, false))
        std::printf("frame %u: no picture\n", frame);
      jumped.push_back(jump.Ms());
      for (std::uint32_t back = 1; back <= 3; ++back) {
        TStopwatch step;
        source.Get(frame - back, false);
        steppedBack.push_back(step.Ms());
      }
    }
    Report("jump to a random frame", jumped);
    Report("one step back after it", steppedBack);

    // Thirty steps back in a row from a random frame.
    std::vector<double> longBack;
    const std::uint32_t from = anywhere(random);
    source.Get(from, false);
    for (std::uint32_t back = 1; back <= 30 && back <= from; ++back) {
      TStopwatch step;
      source.Get(from - back, false);
      longBack.push_back(step.Ms());
    }
    Report("30 steps back in a row", longBack);

    const std::uint32_t start = anywhere(random) / 2;
    const std::uint32_t steps = std::min<std::uint32_t>(250, count - start);
    source.Get(start, true);
    TStopwatch forward;
    for (std::uint32_t frame = start + 1; frame < start + steps; ++frame)
      source.Get(frame, true);
    std::printf("stepping forward: %.1f frames/s over %u frames\n", (steps - 1) * 1000.0 / forward.Ms(), steps - 1);

    TMovieDecoder decoder(movie);
    TMovieDecoder::TPicture picture;
    TStopwatch sequential;
    std::uint32_t decoded = 0;
    while (decoded < 500 && decoder.Next(picture, index->Width(), index->Height()))
      ++decoded;
    std::printf("decoding in order (converted): %.1f frames/s over %u frames\n", decoded * 1000.0 / sequential.Ms(),
                decoded);
    std::printf("peak memory: %ld MB\n", PeakMegabytes());
  } catch (const std::exception& x) {
    std::fprintf(stderr, "framesource_bench: %s\n", x.what());
    return 1;
  }
  return 0;
}
