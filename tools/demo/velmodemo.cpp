// Drives a running velmo32 from outside, the way a user would with the menu:
// steps to the first frame, marks the range and cuts it (a single frame is cut
// without marks), then waits for the last frame's BMP file.
//   velmodemo cut <output directory> [first last [shown]]
//       frames 2 to 6 by default, stepping from the frame the program shows
//       (0, or the first of a stretch)
//   velmodemo command <id>                           posts a menu command (2009: the about box)
//   velmodemo message                                waits for the program's message box, prints its
//                                                    text (code page 932) and closes it with OK
//   velmodemo close                                  closes the program's window
// With --desktop NAME first, it looks for the program in that Wine desktop.
#include "framework/base/platform.h"
#include "resources/resource.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

HWND WaitForMainWindow()
{
  for (int waited = 0; waited < 60000; waited += 100) {
    if (HWND main = ::FindWindowA(nullptr, "Velmo Win32"))
      return main;
    ::Sleep(100);
  }
  return nullptr;
}

BOOL CALLBACK FindShownMovieWindow(HWND window, LPARAM result)
{
  // A whole caption: a bar may have a border, half of that style.
  if ((::GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION && ::IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
  }
  return TRUE;
}

// The movie device's captioned window inside the frame's client window.
bool WaitForMovie(HWND main)
{
  for (int waited = 0; waited < 60000; waited += 100) {
    HWND movie = nullptr;
    ::EnumChildWindows(main, FindShownMovieWindow, reinterpret_cast<LPARAM>(&movie));
    if (movie)
      return true;
    ::Sleep(100);
  }
  return false;
}

// The size of a file that has stopped growing, or -1 while it is missing or
// still being written.
long long SettledSize(const std::string& path, long long& lastSize)
{
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info))
    return -1;
  const long long size = (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  const bool settled = size == lastSize && size > 54;
  lastSize = size;
  return settled ? size : -1;
}

int Cut(HWND main, std::string dir, unsigned first, unsigned last, unsigned shown)
{
  if (!dir.empty() && dir.back() != '\\')
    dir += '\\';
  if (!WaitForMovie(main)) {
    std::fprintf(stderr, "velmodemo: velmo32 shows no movie\n");
    return 1;
  }
  std::vector<unsigned> script(first - shown, CM_NEXTFRAME);
  if (last > first) {
    script.push_back(CM_MARKFROM);
    script.insert(script.end(), last - first, CM_NEXTFRAME);
    script.push_back(CM_MARKTO);
  }
  script.push_back(CM_CUT);
  for (unsigned command : script)
    ::PostMessageA(main, WM_COMMAND, command, 0);

  // A movie opened from the command line gives its files no name prefix.
  char name[16];
  std::snprintf(name, sizeof name, "%04X.BMP", last);
  long long lastSize = -1;
  for (int waited = 0; waited < 600000; waited += 200) {
    if (SettledSize(dir + name, lastSize) > 0) {
      std::printf("cut frames %u to %u into %s\n", first, last, dir.c_str());
      return 0;
    }
    ::Sleep(200);
  }
  std::fprintf(stderr, "velmodemo: %s did not appear in %s\n", name, dir.c_str());
  return 1;
}

BOOL CALLBACK FindMessageText(HWND control, LPARAM result)
{
  char name[16];
  char text[1024];
  std::string& longest = *reinterpret_cast<std::string*>(result);
  if (::GetClassNameA(control, name, sizeof name) && !lstrcmpiA(name, "Static") &&
      ::GetWindowTextA(control, text, sizeof text) > static_cast<int>(longest.size()))
    longest = text;
  return TRUE;
}

// A message box of the program's process: its text, then OK.
int AnswerMessage(HWND main)
{
  DWORD program = 0;
  ::GetWindowThreadProcessId(main, &program);
  for (int waited = 0; waited < 60000; waited += 100) {
    for (HWND box = ::FindWindowA("#32770", nullptr); box; box = ::FindWindowExA(nullptr, box, "#32770", nullptr)) {
      DWORD owner = 0;
      ::GetWindowThreadProcessId(box, &owner);
      if (owner != program || !::IsWindowVisible(box))
        continue;
      std::string text;
      ::EnumChildWindows(box, FindMessageText, reinterpret_cast<LPARAM>(&text));
      std::printf("%s\n", text.c_str());
      ::PostMessageA(box, WM_COMMAND, IDOK, 0);
      return 0;
    }
    ::Sleep(100);
  }
  std::fprintf(stderr, "velmodemo: velmo32 shows no message\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv)
{
  // A program in a Wine virtual desktop is found from that desktop only.
  if (argc >= 3 && !std::strcmp(argv[1], "--desktop")) {
    HDESK desktop = ::OpenDesktopA(argv[2], 0, FALSE, GENERIC_ALL);
    if (!desktop || !::SetThreadDesktop(desktop)) {
      std::fprintf(stderr, "velmodemo: there is no desktop %s\n", argv[2]);
      return 1;
    }
    argc -= 2;
    argv += 2;
  }
  HWND main = WaitForMainWindow();
  if (!main) {
    std::fprintf(stderr, "velmodemo: velmo32 did not show its window\n");
    return 1;
  }
  if ((argc == 3 || argc == 5 || argc == 6) && !std::strcmp(argv[1], "cut")) {
    const unsigned first = argc >= 5 ? std::strtoul(argv[3], nullptr, 10) : 2;
    const unsigned last = argc >= 5 ? std::strtoul(argv[4], nullptr, 10) : 6;
    const unsigned shown = argc == 6 ? std::strtoul(argv[5], nullptr, 10) : 0;
    if (last >= first && first >= shown)
      return Cut(main, argv[2], first, last, shown);
  }
  if (argc == 3 && !std::strcmp(argv[1], "command")) {
    ::PostMessageA(main, WM_COMMAND, std::strtoul(argv[2], nullptr, 10), 0);
    return 0;
  }
  if (argc == 2 && !std::strcmp(argv[1], "message"))
    return AnswerMessage(main);
  if (argc == 2 && !std::strcmp(argv[1], "close")) {
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    return 0;
  }
  std::fprintf(
    stderr,
    "usage: velmodemo [--desktop NAME] cut <output directory> [first last [shown]] | command <id> | message | close\n");
  return 2;
}
