// Times the capture-to-file path: a 640 x 480 screen-compatible bitmap made
// into a TDib (GetDIBits) and written as a BMP file, frame after frame, next to
// a plain memcpy + fwrite of the same number of bytes on the same machine.
//   dibwrite_bench [frames] [output folder]
#include "graphics/bitmap.h"
#include "graphics/dc.h"
#include "graphics/dib.h"
#include "tools/bench/stopwatch.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int Width = 640;
constexpr int Height = 480;

void Report(const char* what, int frames, std::size_t frameBytes, double seconds)
{
  std::printf("%-34s %8.1f frames/s %8.1f MB/s  (%.3f s)\n", what, frames / seconds,
              frames * double(frameBytes) / seconds / 1e6, seconds);
}

}  // namespace

int main(int argc, char** argv)
{
  const int frames = argc > 1 ? std::atoi(argv[1]) : 200;
  const std::string folder = argc > 2 ? argv[2] : ".";
  const std::string dibPath = folder + "/BENCH.BMP";
  const std::string plainPath = folder + "/PLAIN.BMP";

  try {
    TScreenDC screen;
    TBitmap bitmap(screen, Width, Height);
    {
      TMemoryDC dc;
      dc.SelectObject(bitmap);
      for (int y = 0; y < Height; y += 8)
        for (int x = 0; x < Width; x += 8) {
          HBRUSH brush = ::CreateSolidBrush(RGB(x % 256, y % 256, (x + y) % 256));
          RECT cell = {x, y, x + 8, y + 8};
          ::FillRect(dc, &cell, brush);
          ::DeleteObject(brush);
        }
    }
    std::printf("display %d bits per pixel, %d x %d, %d frames\n", screen.GetDeviceCaps(BITSPIXEL), Width, Height,
                frames);

    // TDib from the bitmap, then WriteFile: the capture path.
    double grab = 0;
    double write = 0;
    std::size_t fileBytes = 0;
    for (int i = 0; i < frames; ++i) {
      TStopwatch grabbing;
      TDib dib(bitmap);
      grab += grabbing.Seconds();
      TStopwatch writing;
      if (!dib.WriteFile(dibPath.c_str())) {
        std::fprintf(stderr, "cannot write %s\n", dibPath.c_str());
        return 1;
      }
      write += writing.Seconds();
      fileBytes = TDib::FileHeaderSize + dib.SizeDib();
    }

    // The same bytes with memcpy into a fresh buffer and fwrite.
    std::vector<char> source(fileBytes, 0x5A);
    double plain = 0;
    for (int i = 0; i < frames; ++i) {
      TStopwatch copying;
      std::vector<char> frame(fileBytes);
      std::memcpy(frame.data(), source.data(), fileBytes);
      std::FILE* out = std::fopen(plainPath.c_str(), "wb");
      if (!out || std::fwrite(frame.data(), 1, fileBytes, out) != fileBytes || std::fclose(out)) {
        std::fprintf(stderr, "cannot write %s\n", plainPath.c_str());
        return 1;
      }
      plain += copying.Seconds();
    }

    std::printf("file size %zu bytes\n", fileBytes);
    Report("TDib from bitmap (GetDIBits)", frames, fileBytes, grab);
    Report("TDib::WriteFile", frames, fileBytes, write);
    Report("TDib + WriteFile", frames, fileBytes, grab + write);
    Report("memcpy + fwrite", frames, fileBytes, plain);
    std::printf("ratio (TDib + WriteFile) / (memcpy + fwrite): %.2f\n", (grab + write) / plain);
    ::DeleteFileA(dibPath.c_str());
    ::DeleteFileA(plainPath.c_str());
  } catch (const std::exception& x) {
    std::fprintf(stderr, "failed: %s\n", x.what());
    return 1;
  }
  return 0;
}
