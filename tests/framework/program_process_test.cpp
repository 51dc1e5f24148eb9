// The real program in its own process: it starts, shows its main window and
// ends cleanly when the window is closed.
#include "framework/base/platform.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string WindowsPath(std::string unixPath)
{
  for (char& c : unixPath)
    if (c == '/')
      c = '\\';
  return "Z:" + unixPath;
}

HWND WaitForWindow(const char* caption, DWORD pid, int timeoutMs)
{
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    HWND found = nullptr;
    while ((found = ::FindWindowExA(nullptr, found, nullptr, caption))) {
      DWORD owner = 0;
      ::GetWindowThreadProcessId(found, &owner);
      if (owner == pid)
        return found;
    }
    ::Sleep(50);
  }
  return nullptr;
}

TEST(ProgramProcessTest, StartsShowsItsWindowAndExitsWithZeroWhenClosed)
{
  std::string command = "\"" + WindowsPath(VELMO32_EXE) + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  HWND main = WaitForWindow("Velmo Win32", pi.dwProcessId, 20000);
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(::IsWindowVisible(main));
  ::PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
  DWORD code = 1234;
  ::GetExitCodeProcess(pi.hProcess, &code);
  EXPECT_EQ(code, 0u);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
}

}  // namespace
