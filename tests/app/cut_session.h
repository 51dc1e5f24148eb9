// One run of velmo32 on a test movie, driven from outside: the movie is written
// with the test pattern, the settings name an empty output directory, and the
// program is started with the movie on its command line (or without one).
#pragma once

#include "tests/support/bmpfile.h"
#include "tests/support/program.h"
#include "tests/support/settingsfile.h"
#include "tools/avi/avi_writer.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The file a cut writes for a position of a movie opened from the command line.
std::string CaptureName(std::uint32_t position);

// A picture's pixels as 0x00RRGGBB, top row first.
struct TPicture {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;

  std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
};
TPicture PictureOf(const TBmpFile& bmp);
// What the screen shows now in a movie window's inner area (empty when there
// is no such window).
TPicture ScreenPictureOf(HWND movieWindow);

// How the frames of the test pattern look in a movie: each pattern pixel a
// square of Scale pixels, every colour channel within Tolerance.
struct TPatternLook {
  TTestMovie Movie;
  std::uint32_t Scale = 1;
  int Tolerance = 0;

  int PixelsDifferingFromFrame(const TPicture& picture, std::uint32_t frame) const;
  // The frame the picture shows whole, or -1 for none.
  int FrameIn(const TPicture& picture) const;
};

// Dismisses the program's error box; returns its text ("" when none came).
std::string TakeErrorBox(TProgramRun& run, int timeoutMs = 20000);
// A path as the host names it.
std::string HostPath(const std::string& windowsPath);
// Runs a shell command on the host, in the folder of the file named, and
// returns whether it succeeded.
bool RunOnHost(const std::string& command, const std::string& nearFile);

class TCutSession {
public:
  struct TOptions {
    // The test pattern the movie shows.
    TTestMovie Movie;
    // A movie file used in place of one written from Movie: the same pattern
    // in another encoding, each pattern pixel shown as a square of PatternScale
    // pixels, every colour channel within Tolerance of the pattern's.
    std::string EncodedMovie;
    std::uint32_t PatternScale = 1;
    int Tolerance = 0;
    // The movie file loses this many bytes at its end, as a file cut off would.
    std::uint32_t DroppedTailBytes = 0;
    // Replaces the movie written at the path before the program starts.
    std::function<void(const std::string& path)> Rework;
    std::string MovieName = "movie.avi";
    bool OnCommandLine = true;
    // What follows the movie's path on the command line (" 5": the frame to
    // open on).
    std::string AfterMovie;
    // Stored after the output folder's backslash: the start of every file name.
    std::string FileNameStart;
    // The session starts driving the program as soon as its main window
    // exists, before the program has shown it.
    bool BeforeShown = false;
    // Uncompressed movies are cut from their file where the screen would show
    // its rows unchanged; the tests of the cut through the screen run the
    // program's build that keeps every cut on the screen, and those of the
    // cut from the file clear this.
    bool FromScreen = true;
  };

  explicit TCutSession(const TOptions& options);
  TCutSession() : TCutSession(TOptions()) {}
  ~TCutSession();

  HWND Main() const { return MainWindow; }
  const TTestMovie& Movie() const { return Options.Movie; }
  TProgramRun& Program() { return *Run; }
  const std::string& MoviePath() const { return MoviePathName; }
  const std::string& OutputDir() const { return OutputDirName; }

  // The movie device's window inside the frame's client window (null when none).
  HWND MovieWindow() const;
  // Waits for the movie window and for the program to be done opening it.
  bool WaitForMovie();

  void Command(unsigned id) const { Run->Command(MainWindow, id); }
  // Opens the movie file through the program's file-open dialog.
  void OpenWithDialog() const;
  void Key(UINT virtualKey) const { Run->Key(MainWindow, virtualKey); }
  // Returns once the program has handled everything posted to it so far (up
  // to eight commands).
  void Settle() const;

  std::vector<std::string> OutputFiles() const;
  // Waits until no new file has appeared in the output folder for a second;
  // returns the count then.
  std::size_t QuietFileCount() const;
  // Waits for a complete BMP under the name; a file of staleSize bytes there
  // (one the program is to overwrite) does not count and is not opened.
  bool WaitForFile(const std::string& name, int timeoutMs = 20000, long long staleSize = -1) const;
  // Waits for a complete BMP under the name for as long as a running cut
  // keeps adding files, however long that takes on this machine.
  bool WaitForCutFile(const std::string& name) const;
  TBmpFile Output(const std::string& name) const { return ReadBmp(OutputDirName + name); }
  // The settings file as it is now.
  std::string StoredSettings() const { return Settings.Read(); }

  // How many pixels of the capture differ from the frame of the test pattern.
  int PixelsDifferingFromFrame(const TBmpFile& bmp, std::uint32_t frame) const
  {
    return Look().PixelsDifferingFromFrame(PictureOf(bmp), frame);
  }
  int FrameIn(const TPicture& picture) const { return Look().FrameIn(picture); }
  TPicture ShownPicture() const { return ScreenPictureOf(MovieWindow()); }

private:
  std::function<bool()> FileComplete(const std::string& name, long long staleSize) const;
  TPatternLook Look() const { return {Options.Movie, Options.PatternScale, Options.Tolerance}; }

  TOptions Options;
  TSettingsFile Settings;
  std::string WorkDir;
  std::string MoviePathName;
  std::string OutputDirName;
  std::unique_ptr<TProgramRun> Run;
  HWND MainWindow = nullptr;
};
