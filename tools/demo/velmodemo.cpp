// Drives a short demonstration of a running velmo32 from outside, the way a
// user would with the menu: steps to frame 2, marks 2 .. 6 and cuts the range.
//   velmodemo cut <output directory>   waits for the five BMP files
//   velmodemo close                    closes the program's window
#include "framework/base/platform.h"
#include "resources/resource.h"

#include <cstdio>
#include <cstring>
#include <string>

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

bool Exists(const std::string& path)
{
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int Cut(HWND main, std::string dir)
{
  if (!dir.empty() && dir.back() != '\\')
    dir += '\\';
  ::Sleep(1500);  // let the movie window appear
  const unsigned script[] = {CM_NEXTFRAME, CM_NEXTFRAME, CM_MARKFROM, CM_NEXTFRAME, CM_NEXTFRAME,
                             CM_NEXTFRAME, CM_NEXTFRAME, CM_MARKTO,   CM_CUT};
  for (unsigned command : script)
    ::PostMessageA(main, WM_COMMAND, command, 0);
  for (int waited = 0; waited < 60000; waited += 200) {
    if (Exists(dir + "0006.BMP")) {
      ::Sleep(500);
      std::printf("cut frames 2 to 6 into %s\n", dir.c_str());
      return 0;
    }
    ::Sleep(200);
  }
  std::fprintf(stderr, "velmodemo: no files appeared in %s\n", dir.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv)
{
  HWND main = WaitForMainWindow();
  if (!main) {
    std::fprintf(stderr, "velmodemo: velmo32 did not show its window\n");
    return 1;
  }
  if (argc == 3 && !std::strcmp(argv[1], "cut"))
    return Cut(main, argv[2]);
  if (argc == 2 && !std::strcmp(argv[1], "close")) {
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    return 0;
  }
  std::fprintf(stderr, "usage: velmodemo cut <output directory> | velmodemo close\n");
  return 2;
}
