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

class TCutSession {
public:
  struct TOptions {
    TTestMovie Movie;
    // The movie file loses this many bytes at its end, as a file cut off would.
    std::uint32_t DroppedTailBytes = 0;
    // Replaces the movie written at the path before the program starts.
    std::function<void(const std::string& path)> Rework;
    std::string MovieName = "movie.avi";
    bool OnCommandLine = true;
    // The session starts driving the program as soon as its main window
    // exists, before the program has shown it.
    bool BeforeShown = false;
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
  // Waits for a complete BMP under the name; a file of staleSize bytes there
  // (one the program is to overwrite) does not count and is not opened.
  bool WaitForFile(const std::string& name, int timeoutMs = 20000, long long staleSize = -1) const;
  TBmpFile Output(const std::string& name) const { return ReadBmp(OutputDirName + name); }

  // How many pixels of the capture differ from the frame of the test pattern.
  int PixelsDifferingFromFrame(const TBmpFile& bmp, std::uint32_t frame) const;

private:
  TOptions Options;
  TSettingsFile Settings;
  std::string WorkDir;
  std::string MoviePathName;
  std::string OutputDirName;
  std::unique_ptr<TProgramRun> Run;
  HWND MainWindow = nullptr;
};
