// The watchdog that ends the program when a movie device call does not return:
// what counts as stuck, and the end itself, in a child process whose main
// thread hangs while a file is still being written.
#include "app/device/devicewatchdog.h"
#include "app/support/filewritelock.h"
#include "tests/support/wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace {

constexpr DWORD ShortLimitMs = 300;

TEST(DeviceWatchdog, OnlyACallLongerThanTheLimitIsReportedAndOnlyOnce)
{
  // Long enough that no short call of a loaded machine reaches it.
  constexpr DWORD limit = 1000;
  std::atomic<int> reports{0};
  TDeviceWatchdog watchdog(limit, [&] { ++reports; });
  // Calls that return in time, one after the other, never add up.
  const ULONGLONG start = ::GetTickCount64();
  while (::GetTickCount64() - start < limit * 3 / 2) {
    const TDeviceWatchdog::TCall call(watchdog);
  }
  {
    const TDeviceWatchdog::TCall stuck(watchdog);
    const ULONGLONG since = ::GetTickCount64();
    {
      const TDeviceWatchdog::TCall nested(watchdog);  // the device dispatching to the program
    }
    ASSERT_TRUE(WaitFor([&] { return reports > 0; }));
    EXPECT_GE(::GetTickCount64() - since, limit);
  }
  const TDeviceWatchdog::TCall later(watchdog);
  EXPECT_FALSE(WaitFor([&] { return reports > 1; }, limit * 3 / 2));
  EXPECT_EQ(reports, 1);
}

std::string SlowFilePath()
{
  return testing::TempDir() + "devicewatchdog_test.bin";
}

std::string ToldPath()
{
  return testing::TempDir() + "devicewatchdog_told.txt";
}

constexpr int SlowFileChunks = 40;
constexpr DWORD SlowFileChunkBytes = 4096;

// Writes the file in pieces, a slow disk's pace, as the program writes files.
void WriteSlowFile(HANDLE started)
{
  const TFileWriteScope whole;
  std::FILE* file = std::fopen(SlowFilePath().c_str(), "wb");
  const std::string chunk(SlowFileChunkBytes, 'x');
  for (int i = 0; i < SlowFileChunks; ++i) {
    std::fwrite(chunk.data(), 1, chunk.size(), file);
    std::fflush(file);
    if (i == 0)
      ::SetEvent(started);
    ::Sleep(25);
  }
  std::fclose(file);
}

long long FileSize(const std::string& path)
{
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info))
    return -1;
  return static_cast<long long>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
}

// The program's main thread stuck in a device call, with its window in front,
// while the writer thread writes a file: runs in a child process, which the
// watchdog ends.
void HangInADeviceCall()
{
  ::DeleteFileA(SlowFilePath().c_str());
  ::DeleteFileA(ToldPath().c_str());
  HWND main = ::CreateWindowA("STATIC", "Velmo Win32", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                              nullptr, nullptr, nullptr);
  ::SetForegroundWindow(main);
  HANDLE started = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread writer(WriteSlowFile, started);
  ::WaitForSingleObject(started, INFINITE);
  TDeviceWatchdog watchdog(ShortLimitMs);
  const TDeviceWatchdog::TCall call(watchdog);
  ::Sleep(INFINITE);
  writer.join();
}

// The user: answers the message box, noting what it said and how much of the
// file was written by then. The whole test runs again in the child process,
// where the box comes, so what is seen goes through a file.
void AnswerTheBox(const std::atomic<bool>& done)
{
  while (!done) {
    // The box counts once its text is there (it is found while being made).
    HWND box = ::FindWindowA("#32770", "エラー");
    char text[512] = "";
    if (box && ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text) > 0) {
      if (std::FILE* told = std::fopen(ToldPath().c_str(), "w")) {
        std::fprintf(told, "%lld\n%s", FileSize(SlowFilePath()), text);
        std::fclose(told);
      }
      ::PostMessageA(box, WM_COMMAND, IDOK, 0);
      return;
    }
    ::Sleep(20);
  }
}

TEST(DeviceWatchdogDeathTest, AStuckCallEndsTheProgramAfterTheFileInFlightIsCompleteAndTheUserIsTold)
{
  std::atomic<bool> done{false};
  std::thread user(AnswerTheBox, std::cref(done));
  EXPECT_EXIT(HangInADeviceCall(), testing::ExitedWithCode(TDeviceWatchdog::StuckExitCode), "");
  done = true;
  user.join();

  long long writtenWhenTold = -1;
  char text[512] = "";
  if (std::FILE* told = std::fopen(ToldPath().c_str(), "r")) {
    std::fscanf(told, "%lld\n", &writtenWhenTold);
    text[std::fread(text, 1, sizeof text - 1, told)] = '\0';
    std::fclose(told);
  }
  EXPECT_NE(std::string(text).find("応答しなくなりました"), std::string::npos) << text;
  EXPECT_EQ(writtenWhenTold, SlowFileChunks * SlowFileChunkBytes);
  EXPECT_EQ(FileSize(SlowFilePath()), SlowFileChunks * SlowFileChunkBytes);
  ::DeleteFileA(SlowFilePath().c_str());
  ::DeleteFileA(ToldPath().c_str());
}

}  // namespace
