#include "tests/support/program.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#ifndef VELMO32_EXE
#define VELMO32_EXE ""
#endif
#ifndef VELMO32_SCREENCUT_EXE
#define VELMO32_SCREENCUT_EXE ""
#endif

std::string WindowsPath(std::string unixPath)
{
  for (char& c : unixPath)
    if (c == '/')
      c = '\\';
  return "Z:" + unixPath;
}

std::string SettingsFilePath()
{
  char dir[MAX_PATH];
  ::GetWindowsDirectoryA(dir, sizeof dir);
  return std::string(dir) + "\\velmo32.ini";
}

std::string ReadWholeFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

bool WaitUntilHandled(HWND window, int queued, int timeoutMs)
{
  // A sent message jumps the queue, but it is answered only when the thread
  // asks for a message again: the next one sent after that answer is answered
  // once the thread has taken a queued message and handled it, and so on.
  for (int round = 0; round <= queued; ++round) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(Scaled(timeoutMs)), &result))
      return false;
  }
  return true;
}

namespace {

BOOL CALLBACK FindCaptioned(HWND window, LPARAM result)
{
  if ((::GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) {
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND ShownMovieWindow(HWND main)
{
  HWND movie = nullptr;
  if (main)
    ::EnumChildWindows(main, FindCaptioned, reinterpret_cast<LPARAM>(&movie));
  return movie && ::IsWindowVisible(movie) ? movie : nullptr;
}

TProgramRun::TProgramRun(const std::string& arguments, TProgramBuild build)
{
  const char* program = build == TProgramBuild::Shipped ? VELMO32_EXE : VELMO32_SCREENCUT_EXE;
  std::string command = "\"" + WindowsPath(program) + "\"";
  if (!arguments.empty())
    command += " " + arguments;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    ::CloseHandle(pi.hThread);
    Process = pi.hProcess;
    Pid = pi.dwProcessId;
  }
}

TProgramRun::~TProgramRun()
{
  if (!Process)
    return;
  if (::WaitForSingleObject(Process, 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(Process, 99);
    ::WaitForSingleObject(Process, 5000);
  }
  ::CloseHandle(Process);
}

HWND TProgramRun::FindWindow(const char* caption, const char* className, bool shownOnly) const
{
  HWND found = nullptr;
  while ((found = ::FindWindowExA(nullptr, found, className, caption))) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(found, &owner);
    if (owner == Pid && (!shownOnly || ::IsWindowVisible(found)))
      return found;
  }
  return nullptr;
}

HWND TProgramRun::WaitForWindow(const char* caption, int timeoutMs, const char* className, bool shownOnly) const
{
  HWND window = nullptr;
  WaitFor([&] { return (window = FindWindow(caption, className, shownOnly)) != nullptr; }, timeoutMs);
  return window;
}

DWORD TProgramRun::WaitForExit(int timeoutMs)
{
  DWORD code = STILL_ACTIVE;
  if (Process && ::WaitForSingleObject(Process, static_cast<DWORD>(Scaled(timeoutMs))) == WAIT_OBJECT_0)
    ::GetExitCodeProcess(Process, &code);
  return code;
}

void TProgramRun::Command(HWND main, unsigned id) const
{
  ::PostMessageA(main, WM_COMMAND, id, 0);
}

void TProgramRun::Key(HWND main, UINT virtualKey, bool shift, bool control) const
{
  // Accelerators are translated from the queued key message; the modifier
  // state is what the program's thread reads with GetKeyState.
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  if (shift)
    ::keybd_event(VK_SHIFT, 0, 0, 0);
  if (control)
    ::keybd_event(VK_CONTROL, 0, 0, 0);
  ::PostMessageA(main, WM_KEYDOWN, virtualKey, 1);
  ::PostMessageA(main, WM_KEYUP, virtualKey, 0xC0000001);
  WaitUntilHandled(main, 2);
  if (control)
    ::keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  if (shift)
    ::keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
}

TThreadHold::TThreadHold(HWND window)
{
  const DWORD id = ::GetWindowThreadProcessId(window, nullptr);
  if (!id)
    return;
  Thread = ::OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, id);
  if (!Thread)
    return;
  // A suspension takes effect later; reading the thread's context waits for it.
  CONTEXT context{};
  context.ContextFlags = CONTEXT_CONTROL;
  if (::SuspendThread(Thread) == static_cast<DWORD>(-1)) {
    ::CloseHandle(Thread);
    Thread = nullptr;
  } else if (!::GetThreadContext(Thread, &context)) {
    ::ResumeThread(Thread);
    ::CloseHandle(Thread);
    Thread = nullptr;
  }
}

TThreadHold::~TThreadHold()
{
  if (!Thread)
    return;
  ::ResumeThread(Thread);
  ::CloseHandle(Thread);
}

std::string DialogItemText(HWND dialog, int id)
{
  char text[512] = "";
  ::SendMessageA(::GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}
