// Writes the raw frames read from standard input as an uncompressed AVI 1.0
// movie (one RIFF part, 32-bit rows stored bottom-up), the kind the platform's
// avivideo device plays to its last frame. scripts/run.sh feeds it ffmpeg's
// decode of a movie (-f rawvideo -pix_fmt bgra, flipped with vflip).
//   rawavi OUT.avi --size WxH --fps RATE[/SCALE]   frames of W*H*4 bytes, bottom row first
//   rawavi --capacity --size WxH                    prints how many such frames one file holds
// Input that ends inside a frame or holds no frame, a full file and an
// interrupting signal all end it with no file left behind.
#include "tools/avi/avi_writer.h"
#include "tools/avi/number_text.h"

#include <signal.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char Usage[] =
  "usage: rawavi OUT.avi --size WxH --fps RATE[/SCALE]   (32-bit frames, bottom row first, on standard input)\n"
  "       rawavi --capacity --size WxH                    (the most frames one movie file holds)\n";

struct TOptions {
  std::string Path;
  bool Capacity = false;
  TAviWriter::TFormat Format;
};

bool ParseArguments(int argc, char** argv, TOptions& options)
{
  bool sized = false;
  bool timed = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg[0] != '-') {
      if (!options.Path.empty())
        return false;
      options.Path = arg;
    } else if (!std::strcmp(arg, "--capacity")) {
      options.Capacity = true;
    } else if (!std::strcmp(arg, "--size") && value) {
      sized = ParsePair(value, 'x', options.Format.Width, options.Format.Height);
      ++i;
    } else if (!std::strcmp(arg, "--fps") && value) {
      options.Format.Scale = 1;
      timed = ParsePair(value, '/', options.Format.Rate, options.Format.Scale) ||
              ParseNumber(value, options.Format.Rate);
      ++i;
    } else {
      return false;
    }
  }
  if (options.Capacity)
    return sized && options.Path.empty();
  return sized && timed && !options.Path.empty();
}

struct TXInput : std::runtime_error {
  using std::runtime_error::runtime_error;
};

volatile std::sig_atomic_t Interruption = 0;

extern "C" void NoteInterruption(int signal)
{
  Interruption = signal;
}

// While it lives, the signals that end a console program only take note, and
// interrupt a waiting read: the program then stops as on any other failure,
// and the writer removes its unfinished file.
class TInterruptionGuard {
public:
  TInterruptionGuard()
  {
    struct sigaction action = {};
    action.sa_handler = NoteInterruption;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocked read returns
    for (std::size_t i = 0; i < Count; ++i)
      sigaction(Signals[i], &action, &Previous[i]);
  }
  ~TInterruptionGuard()
  {
    for (std::size_t i = 0; i < Count; ++i)
      sigaction(Signals[i], &Previous[i], nullptr);
  }
  TInterruptionGuard(const TInterruptionGuard&) = delete;
  TInterruptionGuard& operator=(const TInterruptionGuard&) = delete;

private:
  static constexpr std::size_t Count = 3;
  static constexpr int Signals[Count] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction Previous[Count];
};

// Fills the frame from standard input: true with a whole frame, false at the
// end of the input.
bool ReadFrame(std::vector<std::uint8_t>& frame)
{
  const std::size_t read = std::fread(frame.data(), 1, frame.size(), stdin);
  if (Interruption)
    throw TXInput("interrupted");
  if (read == frame.size())
    return true;
  if (std::ferror(stdin))
    throw TXInput("cannot read the input");
  if (read == 0)
    return false;
  throw TXInput("the input ends inside a frame (" + std::to_string(read) + " of " + std::to_string(frame.size()) +
                " bytes)");
}

std::uint32_t WriteMovie(const TOptions& options)
{
  TAviWriter writer(options.Path, options.Format);
  std::vector<std::uint8_t> frame(writer.FrameBytes());
  while (ReadFrame(frame))
    writer.WriteFrame(frame.data());
  if (writer.FrameCount() == 0)
    throw TXInput("the input holds no frame");
  writer.Finish();
  return writer.FrameCount();
}

}  // namespace

int main(int argc, char** argv)
{
  TOptions options;
  if (!ParseArguments(argc, argv, options)) {
    std::fputs(Usage, stderr);
    return 2;
  }
  const TAviWriter::TFormat& format = options.Format;
  try {
    if (options.Capacity) {
      std::printf("%u\n", TAviWriter::FrameCapacity(format));
      return 0;
    }
    const TInterruptionGuard guard;
    const std::uint32_t frames = WriteMovie(options);
    std::printf("%s: %ux%u, %u frames at %u/%u fps\n", options.Path.c_str(), format.Width, format.Height, frames,
                format.Rate, format.Scale);
    return 0;
  } catch (const std::runtime_error& x) {
    if (Interruption) {
      // Ends as the signal would have ended it, for the shell that waits.
      std::signal(Interruption, SIG_DFL);
      std::raise(Interruption);
    }
    std::fprintf(stderr, "rawavi: %s\n", x.what());
    return 1;
  }
}
