// Runs velmo32.exe as a separate process and drives it from the outside, as a
// user would: finds its windows, posts commands and keys, waits for results.
#pragma once

#include "framework/base/platform.h"
#include "tests/support/wait.h"

#include <string>

// A Windows path for a path of the build tree (Wine's Z: drive is the root).
std::string WindowsPath(std::string unixPath);

// The program's settings file, where the platform keeps private profiles.
std::string SettingsFilePath();
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// Returns once the window's thread has handled what was posted to it before
// the call, when at most queued messages are waiting there (those posted to it
// and those its own work posts); false when it did not answer in time (or the
// window is gone). The thread may answer several of its messages in one turn
// when another process is quicker than it, so under load it can return early:
// a result a test needs is waited for by its state.
bool WaitUntilHandled(HWND window, int queued, int timeoutMs = 20000);

// The movie device's window among the main window's descendants (the one
// with a whole caption: a bar may have a border, half of that style), or null
// while there is none or it is hidden.
HWND ShownMovieWindow(HWND main);

// Which build of the program runs.
enum class TProgramBuild {
  Shipped,
  CutsOnScreenOnly,  // every cut through the screen, never from the movie's file
};

class TProgramRun {
public:
  // Starts the program with the given text after its name on the command line.
  explicit TProgramRun(const std::string& arguments = "", TProgramBuild build = TProgramBuild::Shipped);
  ~TProgramRun();  // ends the process if it is still running
  TProgramRun(const TProgramRun&) = delete;
  TProgramRun& operator=(const TProgramRun&) = delete;

  bool Started() const { return Process != nullptr; }
  DWORD ProcessId() const { return Pid; }

  // The first visible top-level window of the process with this caption (and
  // class, when given); null when none appears in time. With shownOnly false a
  // window counts as soon as it exists, before the program shows it.
  HWND WaitForWindow(const char* caption, int timeoutMs = 20000, const char* className = nullptr,
                     bool shownOnly = true) const;
  HWND FindWindow(const char* caption, const char* className = nullptr, bool shownOnly = true) const;
  HWND MainWindow(int timeoutMs = 20000, bool shownOnly = true) const
  {
    return WaitForWindow("Velmo Win32", timeoutMs, nullptr, shownOnly);
  }

  // Exit code, or STILL_ACTIVE when the process did not end in time.
  DWORD WaitForExit(int timeoutMs = 20000);

  // Posts a menu command to the main window.
  void Command(HWND main, unsigned id) const;
  // Posts a key press (with Shift/Control as asked) to the main window and
  // returns once the program has handled it.
  void Key(HWND main, UINT virtualKey, bool shift = false, bool control = false) const;

private:
  HANDLE Process = nullptr;
  DWORD Pid = 0;
};

// Holds the thread of a window still for its scope: messages posted meanwhile
// wait in its queue side by side, as after a quick succession of commands,
// however loaded the machine is (the thread takes none between them).
class TThreadHold {
public:
  explicit TThreadHold(HWND window);
  ~TThreadHold();
  TThreadHold(const TThreadHold&) = delete;
  TThreadHold& operator=(const TThreadHold&) = delete;

  bool Held() const { return Thread != nullptr; }

private:
  HANDLE Thread = nullptr;
};

// Text of a dialog's control.
std::string DialogItemText(HWND dialog, int id);
