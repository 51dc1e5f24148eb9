// Times cutting in the real program, driven from outside as a user would: a
// test movie on the command line, commands posted to the main window, and the
// output folder watched (attributes only: the program shares its files with
// nobody while it writes them).
//   cutbench [repeats]   single cuts at 320x240 and 640x480, then a continuous
//                        cut of 100 frames, idle and with the mouse moving
//   cutbench parts       where one frame's time goes, measured in this process
//                        on the same movie device and the same capture calls
//   cutbench movie <path> <frames> [repeats [screen]]
//                        a continuous cut of every frame of an existing movie,
//                        repeated, then the floor of one frame (show and screen
//                        copy); one line per figure, for tools/bench/cut-vs-ffmpeg.sh.
//                        With "screen", the build of the program that cuts
//                        every frame through the screen runs. A last line gives
//                        the program's memory before the first cut and its peak.
#include "app/device/moviewindow.h"
#include "app/support/pathtext.h"
#include "graphics/bitmap.h"
#include "graphics/dc.h"
#include "graphics/dib.h"
#include "resources/resource.h"
#include "tests/support/program.h"
#include "tests/support/settingsfile.h"
#include "tools/bench/stopwatch.h"
#include "tools/avi/avi_writer.h"

#include <mmsystem.h>
#include <digitalv.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct TStats {
  double Median = 0, Min = 0, Max = 0;
};

TStats Summarize(std::vector<double> values)
{
  TStats stats;
  if (values.empty())
    return stats;
  std::sort(values.begin(), values.end());
  stats.Median = values[values.size() / 2];
  stats.Min = values.front();
  stats.Max = values.back();
  return stats;
}

// A new folder in VELMO_BENCH_FOLDER (a Windows path ending in a backslash),
// where the benchmark puts every file it writes, or in the temporary folder.
std::string TempFolder()
{
  char temp[MAX_PATH];
  if (!::GetEnvironmentVariableA("VELMO_BENCH_FOLDER", temp, sizeof temp))
    ::GetTempPathA(sizeof temp, temp);
  char name[MAX_PATH];
  static int counter = 0;
  std::snprintf(name, sizeof name, "%svelmo-bench-%lu-%d\\", temp, ::GetCurrentProcessId(), ++counter);
  ::CreateDirectoryA(name, nullptr);
  return name;
}

void RemoveFolder(const std::string& dir)
{
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((dir + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        ::DeleteFileA((dir + found.cFileName).c_str());
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryA(dir.c_str());
}

void ListFolder(const std::string& dir)
{
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((dir + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do
    std::fprintf(stderr, "  %s%s (%lu bytes)\n", dir.c_str(), found.cFileName, found.nFileSizeLow);
  while (::FindNextFileA(search, &found));
  ::FindClose(search);
}

long long FileSize(const std::string& path)
{
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info))
    return -1;
  return (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

// velmo32 started on a test movie of the pattern, its output going to an empty
// folder, its main window large enough to show a 640x480 movie whole.
class TBenchRun {
public:
  // The pattern movie, written to a folder of its own that goes with the run.
  explicit TBenchRun(const TTestMovie& movie) : TBenchRun(WriteBenchMovie(movie)) { OwnsMovie = true; }

  explicit TBenchRun(const std::string& moviePath, TProgramBuild build = TProgramBuild::Shipped)
    : MoviePath(moviePath), Folder(TempFolder()), OutputFolder(Folder + "out\\")
  {
    ::CreateDirectoryA(OutputFolder.c_str(), nullptr);
    Settings.Write("[Screen]\r\nDir=" + OutputFolder + "\r\nX=0\r\nY=0\r\nW=900\r\nH=700\r\n");
    Run = std::make_unique<TProgramRun>("movie " + moviePath, build);
    Main = Run->MainWindow();
    WaitFor([&] { return MovieWindow() != nullptr; });
    Settle();
  }
  ~TBenchRun()
  {
    if (Main && ::IsWindow(Main)) {
      ::PostMessageA(Main, WM_CLOSE, 0, 0);
      Run->WaitForExit(20000);
    }
    Run.reset();
    RemoveFolder(OutputFolder);
    RemoveFolder(Folder);
    if (OwnsMovie)
      RemoveFolder(MoviePath.substr(0, MoviePath.find_last_of('\\') + 1));
  }
  TBenchRun(const TBenchRun&) = delete;
  TBenchRun& operator=(const TBenchRun&) = delete;

  bool Ready() const { return Main && MovieWindow(); }
  const std::string& Output() const { return OutputFolder; }
  void ClearOutput() const
  {
    RemoveFolder(OutputFolder);
    ::CreateDirectoryA(OutputFolder.c_str(), nullptr);
  }
  HWND MainWindow() const { return Main; }

  // The program's working set now and at its peak, in MB.
  std::pair<double, double> Memory() const
  {
    PROCESS_MEMORY_COUNTERS counters{};
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, Run->ProcessId());
    if (process) {
      ::GetProcessMemoryInfo(process, &counters, sizeof counters);
      ::CloseHandle(process);
    }
    const double mb = 1024.0 * 1024.0;
    return {double(counters.WorkingSetSize) / mb, double(counters.PeakWorkingSetSize) / mb};
  }

  HWND MovieWindow() const { return ShownMovieWindow(Main); }

  void Command(unsigned id) const { ::PostMessageA(Main, WM_COMMAND, id, 0); }

  // Returns once the program has handled everything posted to it so far: at
  // most commands commands, each with a notification the movie device may post.
  void Settle(int commands = 8) const { WaitUntilHandled(Main, 2 * commands, 60000); }

  // The size of a complete 32-bit capture of the movie window's inner area.
  long long CaptureFileSize() const
  {
    RECT window;
    ::GetWindowRect(MovieWindow(), &window);
    const TSize inner = TMovieWindowBorder::Current().InnerSize(TRect(window).Size());
    return 54 + 4LL * inner.cx * inner.cy;
  }

  // The program's name for the capture of a frame of a movie named on its
  // command line (no file name of the open box to take a prefix from).
  std::string CapturePath(unsigned frame) const { return CaptureFileName(OutputFolder.c_str(), "", frame); }

  // Waits (polling the attributes every millisecond) until the capture of the
  // frame has its full size; false on timeout.
  bool WaitForCapture(unsigned frame, int timeoutMs = 60000, DWORD pollMs = 1) const
  {
    const std::string path = CapturePath(frame);
    const long long want = CaptureFileSize();
    TStopwatch waited;
    long long size = -1;
    while ((size = FileSize(path)) != want) {
      if (waited.Ms() > timeoutMs) {
        std::fprintf(stderr, "%s: no complete file (size %lld, expected %lld)\n", path.c_str(), size, want);
        ListFolder(OutputFolder);
        return false;
      }
      ::Sleep(pollMs);
    }
    return true;
  }

private:
  static std::string WriteBenchMovie(const TTestMovie& movie)
  {
    const std::string path = TempFolder() + "bench.avi";
    WriteTestMovie(path, movie);
    return path;
  }

  std::string MoviePath;
  bool OwnsMovie = false;
  TSettingsFile Settings;
  std::string Folder;
  std::string OutputFolder;
  std::unique_ptr<TProgramRun> Run;
  HWND Main = nullptr;
};

void ReportStats(const char* what, const TStats& s)
{
  std::printf("%-44s median %8.1f  min %8.1f  max %8.1f ms\n", what, s.Median, s.Min, s.Max);
}

// One cut per frame, the position stepped on between cuts: command to complete file.
bool SingleCuts(unsigned width, unsigned height, unsigned repeats)
{
  TTestMovie movie;
  movie.Width = width;
  movie.Height = height;
  movie.Frames = repeats + 1;
  TBenchRun run(movie);
  if (!run.Ready()) {
    std::fprintf(stderr, "program or movie did not come up\n");
    return false;
  }
  std::vector<double> times;
  for (unsigned frame = 0; frame < repeats; ++frame) {
    if (frame) {
      run.Command(CM_NEXTFRAME);
      run.Settle();
    }
    TStopwatch cut;
    run.Command(CM_CUT);
    if (!run.WaitForCapture(frame))
      return false;
    times.push_back(cut.Ms());
    run.Settle();
  }
  char what[64];
  std::snprintf(what, sizeof what, "single cut %ux%u (%u cuts)", width, height, repeats);
  ReportStats(what, Summarize(times));
  return true;
}

// Moves the mouse to and fro over a window's client area until stopped.
class TMouseMover {
public:
  explicit TMouseMover(HWND window)
  {
    RECT client;
    ::GetClientRect(window, &client);
    POINT centre = {(client.left + client.right) / 2, (client.top + client.bottom) / 2};
    ::ClientToScreen(window, &centre);
    Thread = std::thread([this, centre] {
      const int screenW = ::GetSystemMetrics(SM_CXSCREEN);
      const int screenH = ::GetSystemMetrics(SM_CYSCREEN);
      for (int i = 0; !Stop; ++i) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = (centre.x + (i % 40) - 20) * 65535 / (screenW - 1);
        input.mi.dy = (centre.y + (i % 30) - 15) * 65535 / (screenH - 1);
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        ::SendInput(1, &input, sizeof input);
        ++Moves;
        ::Sleep(1);
      }
    });
  }
  ~TMouseMover()
  {
    Stop = true;
    Thread.join();
  }
  long Count() const { return Moves; }

private:
  std::atomic<bool> Stop{false};
  std::atomic<long> Moves{0};
  std::thread Thread;
};

// Marks frames 0 to frames-1 and cuts them: command to the last complete file.
bool ContinuousCut(unsigned width, unsigned height, unsigned frames, bool moveMouse)
{
  TTestMovie movie;
  movie.Width = width;
  movie.Height = height;
  movie.Frames = frames;
  TBenchRun run(movie);
  if (!run.Ready()) {
    std::fprintf(stderr, "program or movie did not come up\n");
    return false;
  }
  run.Command(CM_FIRSTFRAME);
  run.Command(CM_MARKFROM);
  for (unsigned i = 1; i < frames; ++i)
    run.Command(CM_NEXTFRAME);
  run.Command(CM_MARKTO);
  run.Settle(static_cast<int>(frames) + 2);

  std::unique_ptr<TMouseMover> mover;
  if (moveMouse) {
    mover = std::make_unique<TMouseMover>(run.MovieWindow());
    WaitFor([&] { return mover->Count() >= 20; });
  }
  std::vector<double> arrivals;
  TStopwatch cut;
  run.Command(CM_CUT);
  for (unsigned frame = 0; frame < frames; ++frame) {
    if (!run.WaitForCapture(frame))
      return false;
    arrivals.push_back(cut.Ms());
  }
  const long moves = mover ? mover->Count() : 0;
  mover.reset();

  std::vector<double> intervals;
  for (std::size_t i = 1; i < arrivals.size(); ++i)
    intervals.push_back(arrivals[i] - arrivals[i - 1]);
  const double total = arrivals.back();
  std::printf("continuous cut %ux%u, %u frames, %s: %.0f ms, %.2f frames/s (first file after %.1f ms)\n", width, height,
              frames, moveMouse ? "mouse moving" : "idle", total, frames * 1000.0 / total, arrivals.front());
  if (moveMouse)
    std::printf("  %ld mouse moves sent (%.0f per second)\n", moves, moves * 1000.0 / total);
  ReportStats("  interval between files", Summarize(intervals));
  return true;
}

// ---- In-process breakdown of one frame --------------------------------------

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  return ::DefWindowProcA(window, message, wParam, lParam);
}

// Handles everything queued; returns how many of those were MCI notifications.
int PumpWaiting()
{
  int notifications = 0;
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    notifications += msg.message == MM_MCINOTIFY;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return notifications;
}

bool Mci(const std::string& command)
{
  char error[256];
  const MCIERROR failed = ::mciSendStringA(command.c_str(), nullptr, 0, nullptr);
  if (failed) {
    ::mciGetErrorStringA(failed, error, sizeof error);
    std::fprintf(stderr, "%s: %s\n", command.c_str(), error);
  }
  return !failed;
}

// The steps of one captured frame, the way the program takes them, each timed
// on its own: show the frame (play from/to with wait, then repaint now), copy
// the movie window's inner area, make the DIB (GetDIBits), write the file, and
// read the position back (asking for a notification, with no window named to
// receive it, as the program does on every step).
// The floor of the design is the first two. Brief: only the line
// "floor <show ms> <copy ms>" (medians).
bool FrameParts(const std::string& moviePath, unsigned frames, bool brief)
{
  const std::string folder = TempFolder();

  WNDCLASSA wc{};
  wc.lpfnWndProc = PlainWindowProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  wc.lpszClassName = "VelmoCutBench";
  ::RegisterClassA(&wc);
  HWND parent = ::CreateWindowExA(0, wc.lpszClassName, "cutbench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  wc.hInstance, nullptr);
  // A captioned, sizable child window, as the program asks the device for.
  char open[MAX_PATH + 128];
  std::snprintf(open, sizeof open, "open \"%s\" type avivideo alias bench style %lu parent %lu", moviePath.c_str(),
                static_cast<unsigned long>(WS_CHILD | WS_CAPTION | WS_THICKFRAME),
                static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(parent)));
  bool ok = parent && Mci(open) && Mci("set bench time format frames") && Mci("window bench state show");
  HWND movieWindow = ok ? ::GetWindow(parent, GW_CHILD) : nullptr;
  PumpWaiting();

  std::vector<double> show, blt, dibs, write, status;
  int notifications = 0;
  if (movieWindow) {
    // The window sized as the program sizes it, so that the whole movie
    // picture is shown and copied.
    MCI_DGV_RECT_PARMS where{};
    ::mciSendCommandA(::mciGetDeviceIDA("bench"), MCI_WHERE, MCI_DGV_WHERE_SOURCE, reinterpret_cast<DWORD_PTR>(&where));
    const TSize outer = TMovieWindowBorder::Current().OuterSize(TSize(where.rc.right, where.rc.bottom));
    ::SetWindowPos(movieWindow, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT window;
    ::GetWindowRect(movieWindow, &window);
    const TSize inner = TMovieWindowBorder::Current().InnerSize(TRect(window).Size());
    const std::string file = folder + "PART.BMP";
    for (unsigned frame = 0; frame < frames && ok; ++frame) {
      TStopwatch showing;
      ok = Mci("play bench from " + std::to_string(frame) + " to " + std::to_string(frame) + " wait");
      ::RedrawWindow(movieWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      show.push_back(showing.Ms());

      TStopwatch copying;
      TBitmap bitmap(TScreenDC(), inner.cx, inner.cy);
      CopyInnerArea(movieWindow, inner, bitmap);
      blt.push_back(copying.Ms());

      TStopwatch converting;
      TDib dib(bitmap);
      dib.GetInfoHeader().biClrUsed = 0;
      dibs.push_back(converting.Ms());

      TStopwatch writing;
      ok = ok && dib.WriteFile(file.c_str());
      write.push_back(writing.Ms());

      TStopwatch asking;
      char position[32];
      ::mciSendStringA("status bench position notify", position, sizeof position, nullptr);
      status.push_back(asking.Ms());
      notifications += PumpWaiting();
    }
    if (brief) {
      std::printf("floor %.3f %.3f\n", Summarize(show).Median, Summarize(blt).Median);
    } else {
      std::printf("frame parts (capture %ldx%ld, %u frames):\n", inner.cx, inner.cy, frames);
      ReportStats("  show frame (MCI play+wait, RedrawWindow)", Summarize(show));
      ReportStats("  BitBlt of the inner area (+DC/bitmap)", Summarize(blt));
      ReportStats("  TDib from bitmap (GetDIBits)", Summarize(dibs));
      ReportStats("  TDib::WriteFile", Summarize(write));
      ReportStats("  MCI status position (notify)", Summarize(status));
      std::printf("  MCI notifications queued to the thread: %.1f per frame\n", double(notifications) / frames);
    }
    ::DeleteFileA(file.c_str());
  } else {
    std::fprintf(stderr, "movie window did not come up\n");
    ok = false;
  }
  ::mciSendStringA("close bench", nullptr, 0, nullptr);
  if (parent)
    ::DestroyWindow(parent);
  PumpWaiting();
  ::RemoveDirectoryA(folder.c_str());
  return ok;
}

bool PartsOfPatternMovie(unsigned width, unsigned height, unsigned frames)
{
  TTestMovie movie;
  movie.Width = width;
  movie.Height = height;
  movie.Frames = frames;
  const std::string folder = TempFolder();
  WriteTestMovie(folder + "bench.avi", movie);
  const bool ok = FrameParts(folder + "bench.avi", frames, false);
  RemoveFolder(folder);
  return ok;
}

// Every frame of the movie (frames long) cut repeats times by one program
// run, each cut from the command to its last complete file and checked for
// the number of files; then the floor measured on the same movie.
bool CutWholeMovie(const std::string& moviePath, unsigned frames, unsigned repeats, TProgramBuild build)
{
  {
    TBenchRun run(moviePath, build);
    if (!run.Ready()) {
      std::fprintf(stderr, "program or movie did not come up\n");
      return false;
    }
    const double idle = run.Memory().first;
    for (unsigned repeat = 0; repeat < repeats; ++repeat) {
      run.ClearOutput();
      run.Command(CM_FIRSTFRAME);
      run.Command(CM_MARKFROM);
      // The last frame's own position: stepping back from the end lands one
      // before it, stepping on again on it.
      run.Command(CM_LASTFRAME);
      run.Command(CM_PREVFRAME);
      run.Command(CM_NEXTFRAME);
      run.Command(CM_MARKTO);
      run.Settle();
      TStopwatch cut;
      run.Command(CM_CUT);
      if (!run.WaitForCapture(frames - 1, 600000, 5))
        return false;
      const double ms = cut.Ms();
      run.Settle();
      WIN32_FIND_DATAA found;
      HANDLE search = ::FindFirstFileA((run.Output() + "*.BMP").c_str(), &found);
      std::size_t count = 0;
      if (search != INVALID_HANDLE_VALUE) {
        do
          ++count;
        while (::FindNextFileA(search, &found));
        ::FindClose(search);
      }
      if (count != frames) {
        std::fprintf(stderr, "%zu files written, %u expected\n", count, frames);
        return false;
      }
      std::printf("cut %.2f\n", frames * 1000.0 / ms);
      std::fflush(stdout);
    }
    std::printf("memory %.1f %.1f\n", idle, run.Memory().second);
  }
  return FrameParts(moviePath, std::min(frames, 60u), true);
}

}  // namespace

int main(int argc, char** argv)
{
  try {
    if (argc > 1 && std::strcmp(argv[1], "parts") == 0) {
      const bool ok = PartsOfPatternMovie(320, 240, 20) && PartsOfPatternMovie(640, 480, 20);
      return ok ? 0 : 1;
    }
    if (argc > 3 && std::strcmp(argv[1], "movie") == 0) {
      const unsigned repeats = argc > 4 ? static_cast<unsigned>(std::atoi(argv[4])) : 3;
      const bool screen = argc > 5 && std::strcmp(argv[5], "screen") == 0;
      const bool ok = CutWholeMovie(argv[2], static_cast<unsigned>(std::atoi(argv[3])), repeats,
                                    screen ? TProgramBuild::CutsOnScreenOnly : TProgramBuild::Shipped);
      std::fflush(stdout);
      return ok ? 0 : 1;
    }
    const unsigned repeats = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 20;
    const bool ok = SingleCuts(320, 240, repeats) && SingleCuts(640, 480, repeats) &&
                    ContinuousCut(320, 240, 100, false) && ContinuousCut(320, 240, 100, true) &&
                    ContinuousCut(640, 480, 100, false) && ContinuousCut(640, 480, 100, true);
    std::fflush(stdout);
    return ok ? 0 : 1;
  } catch (const std::exception& x) {
    std::fprintf(stderr, "failed: %s\n", x.what());
    return 1;
  }
}
