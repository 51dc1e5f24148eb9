// On a 256-colour palette display the movie device draws through the default
// palette: the picture is reduced to a few colours, so a capture is checked
// against other captures rather than against the movie's own pixels.
#include "tests/movie/movie_probe.h"
#include "tools/avi/avi_writer.h"

#include <gtest/gtest.h>

namespace {

class TTempMovie {
public:
  TTempMovie(const char* name, std::uint16_t bitCount)
  {
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    Path = std::string(dir) + name;
    TTestMovie spec;
    spec.BitCount = bitCount;
    spec.Frames = 6;
    WriteTestMovie(Path, spec);
  }
  ~TTempMovie() { ::DeleteFileA(Path.c_str()); }
  TTempMovie(const TTempMovie&) = delete;
  TTempMovie& operator=(const TTempMovie&) = delete;
  const std::string& Get() const { return Path; }

private:
  std::string Path;
};

// Shows each frame in turn and captures it.
std::vector<TCapture> CaptureFrames(const std::string& path, HWND parent, std::uint32_t frames)
{
  TMciMovie movie(path, parent);
  EXPECT_EQ(movie.OpenError(), 0u);
  std::vector<TCapture> captures;
  if (movie.OpenError())
    return captures;
  const HWND window = FindMovieWindow(parent);
  for (std::uint32_t f = 0; f < frames; ++f) {
    movie.Show(f);
    RepaintMovieWindow(window);
    captures.push_back(CaptureInnerArea(window));
  }
  return captures;
}

TEST(MoviePaletteDisplayTest, CapturesAreStableDistinctAndAlikeForEightAnd32BitMovies)
{
  HDC screen = ::GetDC(nullptr);
  const bool palette = ::GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE;
  const int colours = ::GetDeviceCaps(screen, SIZEPALETTE);
  ::ReleaseDC(nullptr, screen);
  ASSERT_TRUE(palette) << "runs on an 8-bit display";
  EXPECT_EQ(colours, 256);

  TTempMovie movie8("velmo-palette-8.avi", 8);
  TTempMovie movie32("velmo-palette-32.avi", 32);
  TProbeFrame frame;
  const std::vector<TCapture> first = CaptureFrames(movie8.Get(), frame.Client(), 6);
  const std::vector<TCapture> again = CaptureFrames(movie8.Get(), frame.Client(), 6);
  const std::vector<TCapture> deep = CaptureFrames(movie32.Get(), frame.Client(), 6);
  ASSERT_EQ(first.size(), 6u);
  ASSERT_EQ(again.size(), 6u);
  ASSERT_EQ(deep.size(), 6u);

  for (std::size_t f = 0; f < first.size(); ++f) {
    // The device's own window for a 160 x 120 movie, not sized by the program.
    EXPECT_EQ(first[f].Width, 156);
    EXPECT_EQ(first[f].Height, 97);
    EXPECT_TRUE(first[f].Pixels == again[f].Pixels) << "frame " << f << " captures the same each time";
    EXPECT_TRUE(first[f].Pixels == deep[f].Pixels) << "frame " << f << " of the 8- and 32-bit movies";
    EXPECT_GT(CountMismatches(first[f], std::uint32_t(f)), 0) << "the colours are reduced";
    if (f > 0) {
      EXPECT_FALSE(first[f].Pixels == first[f - 1].Pixels) << "frames " << f - 1 << " and " << f << " differ";
    }
  }
}

}  // namespace
