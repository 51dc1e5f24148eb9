#include "tests/app/cut_session.h"
#include "app/device/moviewindow.h"
#include "graphics/bitmap.h"
#include "graphics/dc.h"
#include "resources/resource.h"

#include <cstdio>
#include <cstdlib>

namespace {

std::string NewWorkDir()
{
  char temp[MAX_PATH];
  ::GetTempPathA(sizeof temp, temp);
  static int counter = 0;
  char name[MAX_PATH];
  std::snprintf(name, sizeof name, "%svelmo-cut-%lu-%d\\", temp, ::GetCurrentProcessId(), ++counter);
  ::CreateDirectoryA(name, nullptr);
  return name;
}

void RemoveTree(const std::string& dir)
{
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((dir + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..")
        continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(dir + name + "\\");
      else
        ::DeleteFileA((dir + name).c_str());
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryA(dir.c_str());
}

}  // namespace

TPicture PictureOf(const TBmpFile& bmp)
{
  TPicture picture;
  picture.Width = bmp.Width;
  picture.Height = bmp.Height;
  picture.Pixels.reserve(static_cast<std::size_t>(bmp.Width) * static_cast<std::size_t>(bmp.Height));
  for (int y = 0; y < bmp.Height; ++y)
    for (int x = 0; x < bmp.Width; ++x)
      picture.Pixels.push_back(bmp.Pixel(x, y));
  return picture;
}

std::string CaptureName(std::uint32_t position)
{
  char name[16];
  std::snprintf(name, sizeof name, "%04X.BMP", position);
  return name;
}

TCutSession::TCutSession(const TOptions& options) : Options(options), WorkDir(NewWorkDir())
{
  MoviePathName = WorkDir + Options.MovieName;
  OutputDirName = WorkDir + "out\\";
  ::CreateDirectoryA(OutputDirName.c_str(), nullptr);
  if (Options.EncodedMovie.empty())
    WriteTestMovie(MoviePathName, Options.Movie);
  else
    ::CopyFileA(Options.EncodedMovie.c_str(), MoviePathName.c_str(), FALSE);
  if (Options.DroppedTailBytes) {
    const std::string bytes = ReadWholeFile(MoviePathName);
    WriteWholeFile(MoviePathName, bytes.substr(0, bytes.size() - Options.DroppedTailBytes));
  }
  if (Options.Rework)
    Options.Rework(MoviePathName);
  Settings.Write("[Screen]\r\nDir=" + OutputDirName + Options.FileNameStart +
                 "\r\nLastDir=" + WorkDir.substr(0, WorkDir.size() - 1) + "\r\n");
  // The first word after the program's name is the one the program skips.
  Run = std::make_unique<TProgramRun>(Options.OnCommandLine ? "movie " + MoviePathName + Options.AfterMovie : "",
                                      Options.FromScreen ? TProgramBuild::CutsOnScreenOnly : TProgramBuild::Shipped);
  MainWindow = Run->MainWindow(20000, !Options.BeforeShown);
}

TCutSession::~TCutSession()
{
  if (MainWindow && ::IsWindow(MainWindow)) {
    ::PostMessageA(MainWindow, WM_CLOSE, 0, 0);
    Run->WaitForExit(20000);
  }
  Run.reset();
  RemoveTree(WorkDir);
}

HWND TCutSession::MovieWindow() const
{
  return ShownMovieWindow(MainWindow);
}

bool TCutSession::WaitForMovie()
{
  if (!WaitFor([&] { return MovieWindow() != nullptr; }))
    return false;
  // What the opening left queued (the device's notifications) is handled too,
  // so that a test's commands are the next messages the program takes.
  Settle();
  return true;
}

void TCutSession::Settle() const
{
  // The most commands a test queues at once, each with a notification the
  // movie device may post.
  WaitUntilHandled(MainWindow, 16);
}

void TCutSession::OpenWithDialog() const
{
  Command(CM_FILEOPEN);
  HWND dialog = nullptr;
  WaitFor([&] {
    HWND found = nullptr;
    while ((found = ::FindWindowExA(nullptr, found, "#32770", nullptr))) {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(found, &pid);
      if (pid == Run->ProcessId() && ::IsWindowVisible(found))
        return (dialog = found) != nullptr;
    }
    return false;
  });
  HWND name = ::GetDlgItem(dialog, 0x480);  // the file-name edit
  if (!name)
    name = ::GetDlgItem(dialog, 0x47C);
  ::SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(MoviePathName.c_str()));
  ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

std::vector<std::string> TCutSession::OutputFiles() const
{
  std::vector<std::string> files;
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((OutputDirName + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return files;
  do {
    // A file being written is a hidden part file until it is whole.
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != '.')
      files.push_back(found.cFileName);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return files;
}

std::function<bool()> TCutSession::FileComplete(const std::string& name, long long staleSize) const
{
  // Only the file's attributes are polled: opening it while the program
  // creates it (the program shares it with nobody) would make its write fail.
  return [path = OutputDirName + name, staleSize, lastSize = -1LL]() mutable {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info))
      return false;
    const long long size = (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    const bool settled = size == lastSize && size >= 54 && size != staleSize;
    lastSize = size;
    return settled && ReadBmp(path).Valid;
  };
}

bool TCutSession::WaitForFile(const std::string& name, int timeoutMs, long long staleSize) const
{
  return WaitFor(FileComplete(name, staleSize), timeoutMs);
}

bool TCutSession::WaitForCutFile(const std::string& name) const
{
  return WaitWhileProgressing(FileComplete(name, -1), [this] { return static_cast<long long>(OutputFiles().size()); });
}

int TPatternLook::PixelsDifferingFromFrame(const TPicture& picture, std::uint32_t frame) const
{
  const auto within = [&](std::uint32_t have, std::uint8_t want, int shift) {
    return std::abs(static_cast<int>((have >> shift) & 0xFF) - want) <= Tolerance;
  };
  int differing = 0;
  for (int y = 0; y < picture.Height; ++y)
    for (int x = 0; x < picture.Width; ++x) {
      const TRgb want = ExpectedPixel(frame, static_cast<std::uint32_t>(x) / Scale,
                                      static_cast<std::uint32_t>(y) / Scale);
      const std::uint32_t have = picture.At(x, y);
      differing += !(within(have, want.R, 16) && within(have, want.G, 8) && within(have, want.B, 0));
    }
  return differing;
}

int TPatternLook::FrameIn(const TPicture& picture) const
{
  if (picture.Width != static_cast<int>(Movie.Width * Scale) ||
      picture.Height != static_cast<int>(Movie.Height * Scale))
    return -1;
  // The first row tells most frames apart; the whole picture decides.
  TPicture firstRow = picture;
  firstRow.Height = 1;
  for (std::uint32_t frame = 0; frame < Movie.Frames; ++frame)
    if (PixelsDifferingFromFrame(firstRow, frame) == 0 && PixelsDifferingFromFrame(picture, frame) == 0)
      return static_cast<int>(frame);
  return -1;
}

TPicture ScreenPictureOf(HWND movieWindow)
{
  // Read from the screen: another process's window surface is out of reach.
  TPicture picture;
  RECT rect;
  if (!movieWindow || !::GetWindowRect(movieWindow, &rect))
    return picture;
  const TMovieWindowBorder border = TMovieWindowBorder::Current();
  const TSize size = border.InnerSize(TRect(rect).Size());
  if (size.cx <= 0 || size.cy <= 0)
    return picture;
  TScreenDC screen;
  TMemoryDC memory;
  TBitmap bitmap(screen, size.cx, size.cy);
  memory.SelectObject(bitmap);
  const TPoint inner = border.InnerOrigin();
  ::BitBlt(memory, 0, 0, size.cx, size.cy, screen, rect.left + inner.x, rect.top + inner.y, SRCCOPY);
  memory.RestoreBitmap();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  picture.Pixels.resize(static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy));
  if (!::GetDIBits(screen, bitmap, 0, static_cast<UINT>(size.cy), picture.Pixels.data(), &info, DIB_RGB_COLORS))
    return TPicture();
  for (std::uint32_t& pixel : picture.Pixels)
    pixel &= 0xFFFFFF;
  picture.Width = size.cx;
  picture.Height = size.cy;
  return picture;
}

// Dismisses the program's error box; returns its text ("" when none came).
std::string TakeErrorBox(TProgramRun& run, int timeoutMs)
{
  HWND box = run.WaitForWindow("エラー", timeoutMs, "#32770", false);
  if (!box)
    return "";
  const std::string text = DialogItemText(box, 0xFFFF);
  ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  WaitFor([&] { return !::IsWindow(box); });
  return text;
}

// A path as the host names it.
std::string HostPath(const std::string& windowsPath)
{
  using TToHost = char*(CDECL*)(LPCWSTR);
  const auto toHost = reinterpret_cast<TToHost>(
    ::GetProcAddress(::GetModuleHandleA("kernel32"), "wine_get_unix_file_name"));
  wchar_t wide[MAX_PATH];
  ::MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH);
  char* host = toHost ? toHost(wide) : nullptr;
  const std::string path = host ? host : "";
  ::HeapFree(::GetProcessHeap(), 0, host);
  return path;
}

// Runs a shell command on the host, in the folder of the file named, and
// returns whether it succeeded. Wine starts host programs but cannot wait for
// them: the command leaves its exit status in a file when it ends.
bool RunOnHost(const std::string& command, const std::string& nearFile)
{
  const std::string status = nearFile + ".status";
  ::DeleteFileA(status.c_str());
  const std::string hostStatus = HostPath(status);
  std::string line = "/bin/sh -c \"" + command + "; echo $? >'" + hostStatus + ".new' && mv '" + hostStatus +
                     ".new' '" + hostStatus + "'\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  if (!WaitFor([&] { return ::GetFileAttributesA(status.c_str()) != INVALID_FILE_ATTRIBUTES; }, 120000))
    return false;
  return ReadWholeFile(status).rfind("0\n", 0) == 0;
}

std::size_t TCutSession::QuietFileCount() const
{
  std::size_t count = OutputFiles().size();
  DWORD since = ::GetTickCount();
  WaitFor(
    [&] {
      const std::size_t now = OutputFiles().size();
      if (now != count) {
        count = now;
        since = ::GetTickCount();
      }
      return ::GetTickCount() - since >= static_cast<DWORD>(Scaled(1000));
    },
    60000);
  return count;
}
