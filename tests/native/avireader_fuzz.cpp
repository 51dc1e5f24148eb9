// Feeds the AVI reader random mutations of valid movies and of valid
// compressed frames for a bounded time: avireader_fuzz [seconds [seed]].
// Built with the address and undefined-behaviour sanitizers, which end the run
// at their first report; the input that caused it is saved first (a frame's
// data as it stands). Exits non-zero on any finding.
#include "avi/avimovie.h"
#include "avi/avivideo.h"
#include "avi/bytesource.h"
#include "avi/framecheck.h"
#include "codec/framecodec.h"
#include "tests/native/avi_image.h"
#include "tests/native/frame_image.h"

#include <sanitizer/common_interface_defs.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>

namespace {

const char* const FindingPath = "avireader_fuzz_finding.avi";
TBytes Input;

void SaveInput()
{
  if (std::FILE* file = std::fopen(FindingPath, "wb")) {
    std::fwrite(Input.data(), 1, Input.size(), file);
    std::fclose(file);
    std::fprintf(stderr, "avireader_fuzz: the input is in %s\n", FindingPath);
  }
}

class TMutator {
public:
  explicit TMutator(std::uint32_t seed) : Random(seed) {}

  std::size_t Below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(Random); }

  // A few edits of the kinds that break RIFF files: flipped bits, sizes and
  // counts set to edge values, cuts, and bytes removed or repeated elsewhere.
  void Mutate(TBytes& bytes)
  {
    static const std::uint32_t edgeValues[] = {0, 1, 3, 4, 8, 24, 0x7FFFFFFF, 0x80000000, 0xFFFFFFF8, 0xFFFFFFFF};
    for (std::size_t edits = 1 + Below(6); edits > 0 && !bytes.empty(); --edits) {
      const std::size_t at = Below(bytes.size());
      switch (Below(6)) {
      case 0:
        bytes[at] ^= static_cast<std::uint8_t>(1u << Below(8));
        break;
      case 1:
        bytes[at] = static_cast<std::uint8_t>(Random());
        break;
      case 2: {
        const std::size_t field = at & ~std::size_t{1};  // chunk headers sit at even offsets
        if (field + 4 <= bytes.size())
          bytes = Patched(bytes, field,
                          Below(3) ? edgeValues[Below(std::size(edgeValues))] : static_cast<std::uint32_t>(Random()));
        break;
      }
      case 3:
        bytes.resize(at);
        break;
      case 4:
        bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                    bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), at + 1 + Below(16))));
        break;
      default: {
        const std::size_t from = Below(bytes.size());
        const TBytes copy(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                          bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), from + 1 + Below(64))));
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), copy.begin(), copy.end());
        break;
      }
      }
    }
  }

private:
  std::mt19937 Random;
};

// What any verdict must respect, whatever the input.
const char* BrokenPromise(const TAviVideo& video, std::size_t size)
{
  if (std::uint64_t{video.CompleteFrames} * 8 > size)
    return "more complete frames than the file can hold";
  if (video.Readable() && (video.Width <= 0 || video.PictureHeight() == 0 || video.CompleteFrames == 0))
    return "a readable movie without a picture or frames";
  for (const TAviFrameChunk& frame : video.Frames) {
    if (frame.End() > size)
      return "a frame whose data is not in the file";
  }
  return nullptr;
}

// Checks frames of the movie as the program would; a frame let through has
// sound data.
const char* BrokenPromise(TAviMovie& movie)
{
  const TAviVideo& video = movie.Video();
  if (!video.Readable())
    return nullptr;
  movie.FirstUnshowable(movie.FrameCount() / 2);
  for (std::uint32_t frame = 0; frame < movie.FrameCount(); ++frame) {
    if (movie.Check(frame) != TFrameState::Showable)
      continue;
    const TAviFrameChunk& chunk = video.Frames[movie.PictureFrame(frame)];
    const std::uint8_t* data = Input.data() + chunk.Offset;
    if (!CheckFrameData(video, data, chunk.Size).Sound)
      return "a damaged frame let through";
  }
  return nullptr;
}

// A frame's verdict must agree with what its header says; our own frames
// are decoded too, into rows of exactly the picture's size.
const char* BrokenPromise(const TAviVideo& video, const TBytes& frame)
{
  const TFrameDataCheck check = CheckFrameData(video, frame.data(), frame.size());
  if (video.Compression == FrameCodec::FourCC && !frame.empty()) {  // an empty frame is a dropped one
    const auto width = static_cast<std::uint32_t>(video.Width);
    TBytes rows(FrameCodec::RowBytes(width, 32) * video.PictureHeight());
    const bool decoded = FrameCodec::Decode(frame.data(), frame.size(), width, video.PictureHeight(),
                                            rows.size() % 2 ? 24 : 32, rows.data());
    return decoded == check.Sound ? nullptr : "our decoder and the check disagree";
  }
  if (!check.Sound || frame.empty() || video.Compression != cvid::Fourcc)
    return nullptr;
  const std::size_t length = frame[1] << 16 | frame[2] << 8 | frame[3];
  if (length != frame.size() && length + 1 != frame.size())
    return "a sound Cinepak frame whose length is not its size";
  return nullptr;
}

struct TFrameSeed {
  TAviVideo Video;
  TBytes Data;
};

// A frame of our own format: flat, smooth and noisy stretches, so that every
// kind of code appears.
TBytes CodedFrame(std::uint32_t width, std::uint32_t height)
{
  const std::size_t stride = FrameCodec::RowBytes(width, 24);
  TBytes rows(stride * height);
  std::mt19937 random(7);
  for (std::size_t i = 0; i < rows.size(); ++i)
    rows[i] = static_cast<std::uint8_t>(i % stride < stride / 3       ? 9
                                        : i % stride < stride * 2 / 3 ? i / 3 % 5
                                                                      : random());
  TBytes data(FrameCodec::MaxFrameBytes(width, height));
  data.resize(FrameCodec::Encode(rows.data(), stride, width, height, data.data()));
  return data;
}

}  // namespace

int main(int argc, char** argv)
{
  const double seconds = argc > 1 ? std::atof(argv[1]) : 20;
  const auto seed = static_cast<std::uint32_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : std::random_device{}());
  std::printf("avireader_fuzz: %g s, seed %u\n", seconds, seed);
  __sanitizer_set_death_callback(SaveInput);

  const TBytes seeds[] = {
    Build(TMovie{}),
    Build([](TMovie& m) {
      m.Width = 3;
      m.Height = -5;
      m.BitCount = 8;
      m.AudioFirst = true;
      m.FramesPerRecord = 2;
    }),
    Build([](TMovie& m) {
      m.Frames = 5;
      m.ExtensionFrames = 2;
      m.BitCount = 16;
      m.Compression = 3;
    }),
    Build([](TMovie& m) {
      m.Compression = 0x47504A4D;
      m.FrameSizes = {3, 0, 5, 7};
      m.AudioFirst = true;
      m.ExtensionFrames = 1;
    }),
  };
  const auto cinepak = [](std::vector<TBytes> frames) {
    return Build([&](TMovie& m) {
      m.Width = 8;
      m.Height = 4;
      m.Compression = cvid::Fourcc;
      m.FrameData = frames;
    });
  };
  const TBytes compressedSeeds[] = {
    cinepak({cvid::KeyFrame(0), cvid::InterFrame(), {}, cvid::InterFrame(), cvid::KeyFrame(1), cvid::InterFrame()}),
    Build([](TMovie& m) {
      m.Width = 8;
      m.Height = 4;
      m.BitCount = 16;
      m.Compression = msv1::Fourcc;
      m.FrameData = {Concat({msv1::Code(0x8001), msv1::Code(0x8002), msv1::End}),
                     Concat({msv1::Skip(1), msv1::Code(0x0F0F), msv1::Code(0x8123), msv1::Code(1), TBytes(12, 4)})};
    }),
    Build([](TMovie& m) {
      m.Width = 30;
      m.Height = 3;
      m.Compression = FrameCodec::FourCC;
      m.FrameData = {CodedFrame(30, 3), {}, CodedFrame(30, 3)};
    }),
  };
  using namespace cvid;
  const TFrameSeed frameSeeds[] = {
    {VideoFormat(Fourcc, 8, 4, 24), KeyFrame()},
    {VideoFormat(Fourcc, 8, 4, 24), InterFrame()},
    {VideoFormat(Fourcc, 8, 8, 24),
     Frame(0, 8, 8,
           {Strip(0x1000, 0, 4, 8,
                  {Codebook(0x2000, 3), Chunk(0x2300, Concat({{0xC0, 0, 0, 0}, TBytes(12, 1)})),
                   Chunk(0x3000, {0x80, 0, 0, 0, 0, 1, 2, 1, 1})}),
            Strip(0x1100, 4, 8, 8, {Codebook(0x2600, 2), Chunk(0x3100, {0xD0, 0, 0, 0, 1, 1, 1, 1, 0})})})},
    {VideoFormat(msv1::Fourcc, 8, 8, 16), Concat({msv1::Code(0x0F0F), msv1::Code(0x8123), msv1::Code(1), TBytes(12, 4),
                                                  msv1::Skip(2), msv1::Code(0x8001), msv1::End})},
    {VideoFormat(msv1::Fourcc, 12, 4, 8),
     Concat({msv1::Code(0x1234), {1, 2}, msv1::Code(0x9012), TBytes(8, 3), msv1::Code(0x8A01)})},
    {VideoFormat(FrameCodec::FourCC, 61, 4), CodedFrame(61, 4)},
    {VideoFormat(FrameCodec::FourCC, 3, 2), CodedFrame(3, 2)},
  };

  TMutator mutator(seed);
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  std::uint64_t runs = 0;
  for (; std::chrono::steady_clock::now() < end; ++runs) {
    const char* broken = nullptr;
    switch (runs % 3) {
    case 0: {
      Input = seeds[mutator.Below(std::size(seeds))];
      mutator.Mutate(Input);
      TMemoryByteSource source(Input.data(), Input.size());
      broken = BrokenPromise(ReadAviVideo(source), Input.size());
      break;
    }
    case 1: {
      Input = compressedSeeds[mutator.Below(std::size(compressedSeeds))];
      mutator.Mutate(Input);
      TAviMovie movie(std::make_unique<TMemoryByteSource>(Input.data(), Input.size()));
      broken = BrokenPromise(movie);
      break;
    }
    default: {
      const TFrameSeed& frame = frameSeeds[mutator.Below(std::size(frameSeeds))];
      Input = frame.Data;
      mutator.Mutate(Input);
      broken = BrokenPromise(frame.Video, Input);
      break;
    }
    }
    if (broken) {
      std::printf("avireader_fuzz: run %llu: %s\n", static_cast<unsigned long long>(runs), broken);
      SaveInput();
      return 1;
    }
  }
  std::printf("avireader_fuzz: %llu runs, no finding\n", static_cast<unsigned long long>(runs));
  return 0;
}
