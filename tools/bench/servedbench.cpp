// Times a velmo32 that scripts/run.sh started on a served movie, driven from
// outside as a user would; for tools/bench/served-bench.sh, one figure a line.
//   servedbench window
//       prints "ready", then "window <unix time in s>" once the program shows
//       a movie (so that the caller times run.sh up to it)
//   servedbench session <frames> <output directory> [seconds held]
//       the Right key held (as fast as the program takes its repeats), a step
//       back and jumps to frames through the go-to dialog (until the screen
//       shows another picture), and a cut of 300 frames from the middle
#include "framework/dialogs/inputdialog.rh"
#include "resources/resource.h"
#include "tests/support/program.h"
#include "tools/bench/stopwatch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

HWND MovieWindowOf(HWND main)
{
  struct TFind {
    static BOOL CALLBACK Captioned(HWND window, LPARAM result)
    {
      if ((::GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION && ::IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
      }
      return TRUE;
    }
  };
  HWND movie = nullptr;
  ::EnumChildWindows(main, TFind::Captioned, reinterpret_cast<LPARAM>(&movie));
  return movie;
}

// The movie window's client area as the screen shows it now (a third of its
// rows, across the middle, is enough to tell pictures apart and quick to read).
std::vector<std::uint32_t> ShownRows(HWND movie)
{
  RECT client{};
  if (!movie || !::GetClientRect(movie, &client) || client.right <= 0 || client.bottom <= 0)
    return {};
  POINT origin{0, client.bottom / 3};
  ::ClientToScreen(movie, &origin);
  const int width = client.right;
  const int height = std::max(1L, client.bottom / 3);
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  ::SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return pixels;
}

double UnixSeconds()
{
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<double>(ticks - 116444736000000000ULL) / 1e7;
}

int Window()
{
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) {
    HWND main = ::FindWindowA(nullptr, "Velmo Win32");
    if (main && MovieWindowOf(main)) {
      std::printf("window %.3f\n", UnixSeconds());
      return 0;
    }
    ::Sleep(5);
  }
}

class TSession {
public:
  TSession(HWND main, std::uint32_t frames, std::string outputDir)
    : Main(main), Frames(frames), OutputDir(std::move(outputDir))
  {
    if (!OutputDir.empty() && OutputDir.back() != '\\')
      OutputDir += '\\';
  }

  // The frame shown: the go-to dialog is filled in with it.
  std::uint32_t Position() const
  {
    HWND dialog = OpenGoTo();
    const std::uint32_t position = std::strtoul(DialogItemText(dialog, IDC_INPUTEDIT).c_str(), nullptr, 10);
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    Settle();
    return position;
  }

  // Goes to the frame; the milliseconds until the screen shows another picture.
  double GoTo(std::uint32_t frame) const
  {
    HWND dialog = OpenGoTo();
    const std::string typed = std::to_string(frame);
    ::SendMessageA(::GetDlgItem(dialog, IDC_INPUTEDIT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
    return UntilShownChanges([&] { ::PostMessageA(dialog, WM_COMMAND, IDOK, 0); });
  }

  double StepBack() const
  {
    return UntilShownChanges([&] { ::PostMessageA(Main, WM_COMMAND, CM_PREVFRAME, 0); });
  }

  // The Right key held for the time: each repeat posted once the program has
  // taken the one before. Frames a second, as the position tells.
  double HoldRight(double seconds) const
  {
    GoTo(0);
    const TStopwatch watch;
    while (watch.Seconds() < seconds) {
      ::PostMessageA(Main, WM_KEYDOWN, VK_RIGHT, 0x40000001);
      WaitUntilHandled(Main, 1);
    }
    ::PostMessageA(Main, WM_KEYUP, VK_RIGHT, 0xC0000001);
    Settle();
    const double elapsed = watch.Seconds();
    return Position() / elapsed;
  }

  // Plays from the frame for the time: frames a second the position moves,
  // and pictures a second the screen shows (changes seen by looking at it as
  // often as it can be read: at most what was shown).
  std::pair<double, double> Play(std::uint32_t from, double seconds) const
  {
    GoTo(from);
    std::vector<std::uint32_t> shown = ShownRows(MovieWindowOf(Main));
    int changes = 0;
    ::PostMessageA(Main, WM_COMMAND, CM_PLAY, 0);
    const TStopwatch watch;
    while (watch.Seconds() < seconds) {
      std::vector<std::uint32_t> now = ShownRows(MovieWindowOf(Main));
      if (now != shown) {
        ++changes;
        shown = std::move(now);
      }
    }
    ::PostMessageA(Main, WM_COMMAND, CM_STOP, 0);
    const double elapsed = watch.Seconds();
    Settle();
    return {(static_cast<double>(Position()) - from) / elapsed, changes / elapsed};
  }

  // Cuts frames from..from+count-1; seconds until the last file is whole.
  double Cut(std::uint32_t from, std::uint32_t count) const
  {
    GoTo(from);
    ::PostMessageA(Main, WM_COMMAND, CM_MARKFROM, 0);
    GoTo(from + count - 1);
    ::PostMessageA(Main, WM_COMMAND, CM_MARKTO, 0);
    Settle();
    char name[16];
    std::snprintf(name, sizeof name, "%04X.BMP", from + count - 1);
    const std::string last = OutputDir + name;
    ::DeleteFileA(last.c_str());
    const TStopwatch watch;
    ::PostMessageA(Main, WM_COMMAND, CM_CUT, 0);
    long long lastSize = -1;
    for (;;) {
      WIN32_FILE_ATTRIBUTE_DATA info;
      if (::GetFileAttributesExA(last.c_str(), GetFileExInfoStandard, &info)) {
        const long long size = (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        if (size > 54 && size == lastSize)
          return watch.Seconds();
        lastSize = size;
      }
      ::Sleep(10);
    }
  }

  std::uint32_t FrameCount() const { return Frames; }

private:
  void Settle() const { WaitUntilHandled(Main, 16, 600000); }

  HWND OpenGoTo() const
  {
    Settle();
    ::PostMessageA(Main, WM_COMMAND, CM_GOTO, 0);
    DWORD program = 0;
    ::GetWindowThreadProcessId(Main, &program);
    for (;;) {
      for (HWND box = ::FindWindowA("#32770", nullptr); box; box = ::FindWindowExA(nullptr, box, "#32770", nullptr)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(box, &owner);
        if (owner == program && ::IsWindowVisible(box) && ::GetDlgItem(box, IDC_INPUTEDIT))
          return box;
      }
      ::Sleep(5);
    }
  }

  template <typename TAction> double UntilShownChanges(TAction act) const
  {
    Settle();
    const std::vector<std::uint32_t> before = ShownRows(MovieWindowOf(Main));
    const TStopwatch watch;
    act();
    while (ShownRows(MovieWindowOf(Main)) == before)
      if (watch.Seconds() > 60)
        return -1;
    return watch.Seconds() * 1000;
  }

  HWND Main;
  std::uint32_t Frames;
  std::string OutputDir;
};

double Median(std::vector<double> values)
{
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

int Session(std::uint32_t frames, const std::string& outputDir, double held)
{
  HWND main = ::FindWindowA(nullptr, "Velmo Win32");
  if (!main || !MovieWindowOf(main)) {
    std::fprintf(stderr, "servedbench: velmo32 shows no movie\n");
    return 1;
  }
  const TSession session(main, frames, outputDir);
  std::printf("held-right-fps %.1f\n", session.HoldRight(held));
  const auto [played, pictures] = session.Play(frames / 4, 8);
  std::printf("play-fps position %.1f pictures %.1f\n", played, pictures);

  // Steps back from frames late in groups of pictures, where the decoder has
  // the most to do.
  std::vector<double> back;
  session.GoTo(frames / 2 + 200);
  for (int i = 0; i < 10; ++i)
    back.push_back(session.StepBack());
  std::printf("step-back-ms median %.0f max %.0f\n", Median(back), *std::max_element(back.begin(), back.end()));

  std::mt19937 random(37);
  std::vector<double> jumps;
  for (int i = 0; i < 10; ++i)
    jumps.push_back(session.GoTo(std::uniform_int_distribution<std::uint32_t>(0, frames - 1)(random)));
  std::printf("jump-ms median %.0f max %.0f\n", Median(jumps), *std::max_element(jumps.begin(), jumps.end()));

  const std::uint32_t count = std::min<std::uint32_t>(300, frames);
  std::printf("cut-300-s %.2f from %u\n", session.Cut((frames - count) / 2, count), (frames - count) / 2);
  return 0;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc == 2 && !std::strcmp(argv[1], "window"))
    return Window();
  if ((argc == 4 || argc == 5) && !std::strcmp(argv[1], "session"))
    return Session(std::strtoul(argv[2], nullptr, 10), argv[3], argc == 5 ? std::atof(argv[4]) : 5.0);
  std::fprintf(stderr, "usage: servedbench window | session <frames> <output directory> [seconds held]\n");
  return 2;
}
