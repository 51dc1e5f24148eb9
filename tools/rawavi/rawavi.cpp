// Writes an AVI 1.0 movie (one RIFF part, 24- or 32-bit rows stored
// bottom-up, or 24-bit frames coded losslessly by our codec), the kind the
// platform's avivideo device plays to its last frame: from raw frames read
// from standard input, or from a movie it decodes itself with ffmpeg's
// libraries, which is how scripts/run.sh converts movies. run.sh also asks it
// what an AVI file really holds.
//   rawavi OUT.avi --size WxH --fps RATE[/SCALE] [--bits 24|32] [--coded] [--empty N]
//       frames of W*H*bits/8 bytes (unpadded rows), bottom row first, after N
//       empty frames: a copy of a stretch keeps the source's frame numbers.
//   rawavi OUT.avi --movie IN --size WxH --fps RATE[/SCALE] --bits 24 --coded [--from SECONDS] [--empty N]
//       the frames of the movie IN (its first video stream) from the first at
//       or after SECONDS, each exactly what `ffmpeg -ss SECONDS -i IN -pix_fmt
//       bgr24` gives, coded on as many threads as the machine has cores; each
//       frame's time in the movie is kept after the index, for the program's
//       time readout.
//   Coded frames are written until the file is full: the input may go on
//   past them. Prints frames=COUNT (all frames of the file) and full=1 when
//   it stopped for want of room, 0 when the input ended.
//   rawavi --capacity --size WxH [--bits 24|32] [--coded] [--empty N]
//       prints how many such frames one file holds after N empty frames (at
//       least, coded)
//   rawavi --describe IN.avi
//       prints the video format as the program's own reader finds it
//   rawavi --times IN.avi
//       prints the source time a copy keeps for each frame, as lines of the
//       frame number and the time in seconds
// Input that ends inside a frame or holds no frame, a full file and an
// interrupting signal all end it with no file left behind.
#include "avi/avivideo.h"
#include "codec/framecodec.h"
#include "tools/avi/avi_writer.h"
#include "tools/avi/number_text.h"
#include "server/moviedecoder.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

const char Usage[] =
  "usage: rawavi OUT.avi --size WxH --fps RATE[/SCALE] [--bits 24|32] [--coded] [--empty N]\n"
  "                       (frames on standard input, bottom row first, after N empty frames;\n"
  "                       coded: 24-bit frames coded losslessly, as many as the file holds)\n"
  "       rawavi OUT.avi --movie IN --size WxH --fps RATE[/SCALE] --bits 24 --coded [--from SECONDS]\n"
  "                       [--empty N]   (the frames of the movie IN from SECONDS on, decoded here)\n"
  "       rawavi --capacity --size WxH [--bits 24|32] [--coded] [--empty N]\n"
  "                       (the most frames one movie file holds; coded: the fewest)\n"
  "       rawavi --describe IN.avi   (the video format, as key=value lines)\n"
  "       rawavi --times IN.avi      (the source time a copy keeps for each frame)\n";

struct TOptions {
  std::string Path;
  std::string Movie;  // decoded here rather than read from standard input
  double From = 0;
  bool Capacity = false;
  bool Describe = false;
  bool Times = false;
  std::uint32_t EmptyFrames = 0;
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
    } else if (!std::strcmp(arg, "--describe")) {
      options.Describe = true;
    } else if (!std::strcmp(arg, "--times")) {
      options.Describe = true;
      options.Times = true;
    } else if (!std::strcmp(arg, "--coded")) {
      options.Format.Coded = true;
    } else if (!std::strcmp(arg, "--bits") && value) {
      std::uint32_t bits = 0;
      if (!ParseNumber(value, bits) || (bits != 24 && bits != 32))
        return false;
      options.Format.BitCount = static_cast<std::uint16_t>(bits);
      ++i;
    } else if (!std::strcmp(arg, "--movie") && value) {
      options.Movie = value;
      ++i;
    } else if (!std::strcmp(arg, "--from") && value) {
      char* end = nullptr;
      options.From = std::strtod(value, &end);
      if (end == value || *end || !(options.From >= 0))
        return false;
      ++i;
    } else if (!std::strcmp(arg, "--empty") && value) {
      if (!ParseNumber(value, options.EmptyFrames))
        return false;
      ++i;
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
  if (options.Format.Coded && (options.Format.BitCount != 24 || options.Describe))
    return false;
  if (!options.Movie.empty() ? !options.Format.Coded || options.Capacity || options.Describe : options.From > 0)
    return false;
  // Copies of a movie keep each frame's time in it; the capacity of a coded
  // file is told for them.
  options.Format.KeepsSourceTimes = options.Format.Coded && (!options.Movie.empty() || options.Capacity);
  if (options.Describe)
    return !options.Capacity && !sized && !timed && !options.Path.empty();
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

// Reads one frame of unpadded rows from standard input into the frame's rows,
// which are padded to 4 bytes: true with a whole frame, false at the end of
// the input.
bool ReadFrame(std::vector<std::uint8_t>& frame, std::uint32_t rowBytes, std::uint32_t stride)
{
  std::size_t read = 0;
  const std::size_t rows = frame.size() / stride;
  const std::size_t wanted = std::size_t{rowBytes} * rows;
  if (rowBytes == stride)  // no padding: one read, far fewer system calls
    read = std::fread(frame.data(), 1, wanted, stdin);
  for (std::size_t row = 0; rowBytes != stride && row < rows && read == row * rowBytes; ++row)
    read += std::fread(frame.data() + row * stride, 1, rowBytes, stdin);
  if (Interruption)
    throw TXInput("interrupted");
  if (read == wanted)
    return true;
  if (std::ferror(stdin))
    throw TXInput("cannot read the input");
  if (read == 0)
    return false;
  throw TXInput("the input ends inside a frame (" + std::to_string(read) + " of " + std::to_string(wanted) + " bytes)");
}

// Reads the frames on a thread of its own, a few ahead, so that the frame
// before is coded and written while ffmpeg goes on decoding instead of waiting
// for the pipe to be read.
class TFrameReader {
public:
  TFrameReader(std::size_t frameBytes, std::uint32_t rowBytes, std::uint32_t stride)
    : Frames(3, std::vector<std::uint8_t>(frameBytes)), RowBytes(rowBytes), Stride(stride)
  {
    for (std::vector<std::uint8_t>& frame : Frames)
      Free.push_back(&frame);
    Thread = std::thread([this] { Run(); });
  }
  ~TFrameReader()
  {
    {
      const std::lock_guard<std::mutex> hold(Lock);
      Stopping = true;
    }
    Changed.notify_all();
    Thread.join();
  }
  TFrameReader(const TFrameReader&) = delete;
  TFrameReader& operator=(const TFrameReader&) = delete;

  // The next whole frame, to be given back by Done; null at the end of the
  // input. Throws what reading threw, and TXInput when interrupted.
  std::vector<std::uint8_t>* Next()
  {
    std::unique_lock<std::mutex> hold(Lock);
    while (Filled.empty() && !Ended) {
      Changed.wait_for(hold, std::chrono::milliseconds(100));
      if (Interruption)
        throw TXInput("interrupted");
    }
    if (!Filled.empty()) {
      std::vector<std::uint8_t>* frame = Filled.front();
      Filled.pop_front();
      return frame;
    }
    if (Failure)
      std::rethrow_exception(Failure);
    return nullptr;
  }
  void Done(std::vector<std::uint8_t>* frame)
  {
    {
      const std::lock_guard<std::mutex> hold(Lock);
      Free.push_back(frame);
    }
    Changed.notify_all();
  }

private:
  void Run()
  {
    for (;;) {
      std::vector<std::uint8_t>* frame = nullptr;
      {
        std::unique_lock<std::mutex> hold(Lock);
        Changed.wait(hold, [this] { return Stopping || !Free.empty(); });
        if (Stopping)
          return;
        frame = Free.front();
        Free.pop_front();
      }
      bool whole = false;
      std::exception_ptr failure;
      try {
        whole = ReadFrame(*frame, RowBytes, Stride);
      } catch (...) {
        failure = std::current_exception();
      }
      {
        const std::lock_guard<std::mutex> hold(Lock);
        if (whole) {
          Filled.push_back(frame);
        } else {
          Ended = true;
          Failure = failure;
        }
      }
      Changed.notify_all();
      if (!whole)
        return;
    }
  }

  std::vector<std::vector<std::uint8_t>> Frames;
  const std::uint32_t RowBytes;
  const std::uint32_t Stride;
  std::mutex Lock;
  std::condition_variable Changed;
  std::deque<std::vector<std::uint8_t>*> Free;
  std::deque<std::vector<std::uint8_t>*> Filled;
  bool Ended = false;
  bool Stopping = false;
  std::exception_ptr Failure;
  std::thread Thread;  // last: started once everything it uses exists
};

// How far the conversion is, twice a second on a terminal.
class TProgress {
public:
  TProgress() : Shown(isatty(STDERR_FILENO)), Next(std::chrono::steady_clock::now()) {}
  void Show(std::uint32_t frames, std::uint64_t bytes)
  {
    const auto now = std::chrono::steady_clock::now();
    if (!Shown || now < Next)
      return;
    Next = now + std::chrono::milliseconds(500);
    std::fprintf(stderr, "\rrawavi: %u frames, %llu MB ", frames, static_cast<unsigned long long>(bytes >> 20));
    Any = true;
  }
  void Done()
  {
    if (Any)
      std::fputc('\n', stderr);
  }

private:
  const bool Shown;
  bool Any = false;
  std::chrono::steady_clock::time_point Next;
};

struct TWritten {
  std::uint32_t Frames = 0;
  bool Full = false;  // stopped for want of room, not at the input's end
};

// Finishes the file once the input ended or the file is full. A file that
// got no frame of the input is refused: inputEnded says why when it was not full.
TWritten Complete(TAviWriter& writer, TWritten written, std::uint32_t emptyFrames, const char* inputEnded)
{
  if (writer.FrameCount() == emptyFrames)
    throw TXInput(written.Full ? "not one frame fits in the file" : inputEnded);
  writer.Finish();
  written.Frames = writer.FrameCount();
  return written;
}

TWritten WriteMovie(const TOptions& options)
{
  TAviWriter writer(options.Path, options.Format);
  for (std::uint32_t i = 0; i < options.EmptyFrames; ++i)
    writer.WriteEmptyFrame();
  const std::uint32_t rowBytes = options.Format.Width * (options.Format.BitCount / 8u);
  TFrameReader reader(writer.FrameBytes(), rowBytes, writer.RowBytes());
  TWritten written;
  TProgress progress;
  while (std::vector<std::uint8_t>* frame = reader.Next()) {
    if (!options.Format.Coded) {
      writer.WriteFrame(frame->data());
    } else if (!writer.TryWriteFrame(frame->data())) {
      written.Full = true;
      break;
    }
    reader.Done(frame);
    progress.Show(writer.FrameCount() - options.EmptyFrames, writer.FileBytes());
  }
  progress.Done();
  return Complete(writer, written, options.EmptyFrames, "the input holds no frame");
}

// Codes pictures on threads of their own, as many as the machine has cores,
// while the caller decodes the next ones; the coded frames are taken back in
// the order the pictures were given.
class TCodingPool {
public:
  TCodingPool(std::uint32_t width, std::uint32_t height) : Width(width), Height(height), Depth(Threads() + 2)
  {
    for (unsigned i = 0; i < Threads(); ++i)
      Workers.emplace_back([this] { Run(); });
  }
  ~TCodingPool()
  {
    {
      const std::lock_guard<std::mutex> hold(Lock);
      Stopping = true;
    }
    Changed.notify_all();
    for (std::thread& worker : Workers)
      worker.join();
  }
  TCodingPool(const TCodingPool&) = delete;
  TCodingPool& operator=(const TCodingPool&) = delete;

  // Whether another picture may be given before the oldest is taken back:
  // a few wait, so that no thread waits for the decoder.
  bool Room() const { return Jobs.size() < Depth; }
  bool Empty() const { return Jobs.empty(); }

  void Give(TMovieDecoder::TPicture&& picture)
  {
    std::unique_ptr<TJob> job;
    if (!Spare.empty()) {
      job = std::move(Spare.back());
      Spare.pop_back();
    } else {
      job = std::make_unique<TJob>();
      job->Coded.resize(FrameCodec::MaxEncodedBytes(Width, Height));
    }
    job->Picture = std::move(picture);
    {
      const std::lock_guard<std::mutex> hold(Lock);
      job->State = TJob::Waiting;
      Jobs.push_back(std::move(job));
    }
    Changed.notify_all();
  }

  // Waits for the oldest picture given to be coded and hands its frame to
  // write, which is kept until the next call.
  template <class TWrite> bool TakeOldest(TWrite write)
  {
    std::unique_ptr<TJob> job;
    {
      std::unique_lock<std::mutex> hold(Lock);
      Changed.wait(hold, [this] { return Jobs.front()->State == TJob::Done; });
      job = std::move(Jobs.front());
      Jobs.pop_front();
    }
    const bool written = write(job->Coded.data(), job->Bytes);
    Spare.push_back(std::move(job));
    return written;
  }

private:
  struct TJob {
    enum { Waiting, Coding, Done } State = Waiting;
    TMovieDecoder::TPicture Picture;
    std::vector<std::uint8_t> Coded;
    std::size_t Bytes = 0;
  };

  static unsigned Threads() { return std::max(1u, std::thread::hardware_concurrency()); }

  void Run()
  {
    std::unique_lock<std::mutex> hold(Lock);
    for (;;) {
      TJob* job = nullptr;
      Changed.wait(hold, [&] {
        for (const std::unique_ptr<TJob>& given : Jobs) {
          if (given->State == TJob::Waiting) {
            job = given.get();  // the oldest waiting
            break;
          }
        }
        return Stopping || job;
      });
      if (Stopping)
        return;
      job->State = TJob::Coding;
      hold.unlock();
      // The movie's rows top first; the file's bottom first.
      job->Bytes = FrameCodec::Encode(job->Picture.Row(Height - 1), -job->Picture.Stride(), Width, Height,
                                      job->Coded.data());
      job->Picture = TMovieDecoder::TPicture();
      hold.lock();
      job->State = TJob::Done;
      Changed.notify_all();
    }
  }

  const std::uint32_t Width;
  const std::uint32_t Height;
  const std::size_t Depth;
  std::mutex Lock;
  std::condition_variable Changed;
  std::deque<std::unique_ptr<TJob>> Jobs;    // given, oldest first
  std::vector<std::unique_ptr<TJob>> Spare;  // taken back, their buffers kept
  bool Stopping = false;
  std::vector<std::thread> Workers;  // last: started once everything they use exists
};

// Decodes the movie here and codes its frames on all cores, written in order
// until the file is full or the movie ends.
TWritten WriteDecodedMovie(const TOptions& options)
{
  const TAviWriter::TFormat& format = options.Format;
  TAviWriter writer(options.Path, format);
  for (std::uint32_t i = 0; i < options.EmptyFrames; ++i)
    writer.WriteEmptyFrame();
  TMovieDecoder decoder(options.Movie, options.From);
  TCodingPool pool(format.Width, format.Height);
  // The source times of the pictures in the pool, in the same order.
  std::deque<std::int64_t> times;
  TWritten written;
  TProgress progress;
  bool ended = false;
  while (!written.Full && !(ended && pool.Empty())) {
    if (Interruption)
      throw TXInput("interrupted");
    if (!ended && pool.Room()) {
      TMovieDecoder::TPicture picture;
      if (decoder.Next(picture, format.Width, format.Height)) {
        times.push_back(picture.Time());
        pool.Give(std::move(picture));
      } else {
        ended = true;
      }
      continue;
    }
    written.Full = !pool.TakeOldest([&](const std::uint8_t* coded, std::size_t bytes) {
      const bool fits = writer.TryWriteCodedFrame(coded, bytes);
      if (fits)
        writer.NoteSourceTime(times.front());
      times.pop_front();
      return fits;
    });
    progress.Show(writer.FrameCount() - options.EmptyFrames, writer.FileBytes());
  }
  progress.Done();
  return Complete(writer, written, options.EmptyFrames, "the movie holds no frame from that time on");
}

// The fourcc of a compressed format as text, the uncompressed ones by name.
std::string CompressionName(std::uint32_t compression)
{
  if (compression == TAviVideo::UncompressedRgb)
    return "rgb";
  if (compression == TAviVideo::UncompressedBitfields)
    return "bitfields";
  std::string name;
  for (int shift = 0; shift < 32; shift += 8) {
    const char c = static_cast<char>(compression >> shift & 0xFF);
    name += c > ' ' && c <= '~' ? c : '_';
  }
  return name;
}

// The source times a copy keeps, one frame a line.
int PrintTimes(const std::string& path)
{
  const TAviVideo video = ReadAviVideo(path);
  for (std::size_t i = 0; i < video.SourceTimes.size(); ++i) {
    const std::int64_t time = video.SourceTimes[i];
    const std::uint64_t magnitude = time < 0 ? 0u - static_cast<std::uint64_t>(time) : static_cast<std::uint64_t>(time);
    std::printf("%llu %s%llu.%06llu\n", static_cast<unsigned long long>(video.FirstTimedFrame + i), time < 0 ? "-" : "",
                static_cast<unsigned long long>(magnitude / 1000000),
                static_cast<unsigned long long>(magnitude % 1000000));
  }
  return 0;
}

// What the movie really holds, for run.sh to judge whether the device shows it.
int Describe(const std::string& path)
{
  const TAviVideo video = ReadAviVideo(path);
  std::printf("readable=%d\n", video.Readable() ? 1 : 0);
  if (video.Readable())
    std::printf("width=%d\nheight=%d\nbits=%u\ncompression=%s\nframes=%u\n", video.Width, video.Height, video.BitCount,
                CompressionName(video.Compression).c_str(), video.CompleteFrames);
  return 0;
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
    if (options.Times)
      return PrintTimes(options.Path);
    if (options.Describe)
      return Describe(options.Path);
    if (options.Capacity) {
      std::printf("%u\n", TAviWriter::FrameCapacity(format, options.EmptyFrames));
      return 0;
    }
    const TInterruptionGuard guard;
    const TWritten written = options.Movie.empty() ? WriteMovie(options) : WriteDecodedMovie(options);
    std::printf("frames=%u\nfull=%d\n", written.Frames, written.Full ? 1 : 0);
    return 0;
  } catch (const std::runtime_error& x) {  // TXInput, TAviWriter::TXAvi, TMovieDecoder::TXDecode
    if (Interruption) {
      // Ends as the signal would have ended it, for the shell that waits.
      std::signal(Interruption, SIG_DFL);
      std::raise(Interruption);
    }
    std::fprintf(stderr, "rawavi: %s\n", x.what());
    return 1;
  }
}
