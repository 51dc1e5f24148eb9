// The lock the program's files are written under, ended from another thread
// while a thread that writes a file takes it again within its own scope, in
// a child process that the end leaves.
#include "app/support/filewritelock.h"
#include "framework/base/platform.h"
#include "tests/support/wait.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr int EndedExitCode = 5;
constexpr int Pieces = 40;
constexpr int PieceBytes = 4096;

std::string PiecesPath()
{
  return testing::TempDir() + "filewritelock_test.bin";
}

// Writes the file in pieces at a slow disk's pace, each piece in a scope of
// its own inside the file's (a box taking messages while a file is written
// may write another), while the end waits for the file.
void WriteInNestedScopes()
{
  const TFileWriteScope whole;
  std::thread([] {
    EndFileWrites();
    std::_Exit(EndedExitCode);
  }).detach();
  std::FILE* file = std::fopen(PiecesPath().c_str(), "wb");
  const std::string piece(PieceBytes, 'x');
  for (int i = 0; i < Pieces; ++i) {
    const TFileWriteScope nested;
    std::fwrite(piece.data(), 1, piece.size(), file);
    std::fflush(file);
    ::Sleep(25);
  }
  std::fclose(file);
}

void EndWhileAFileIsWrittenInNestedScopes()
{
  ::DeleteFileA(PiecesPath().c_str());
  std::thread(WriteInNestedScopes).detach();
  // The end leaves the process; returning fails the test: a thread that took
  // the lock again behind the waiting end would hold it and the end for good.
  ::Sleep(static_cast<DWORD>(Scaled(30000)));
}

TEST(FileWriteLockDeathTest, TheEndComesAfterAFileWrittenInNestedScopesIsComplete)
{
  EXPECT_EXIT(EndWhileAFileIsWrittenInNestedScopes(), testing::ExitedWithCode(EndedExitCode), "");
  WIN32_FILE_ATTRIBUTE_DATA info;
  ASSERT_TRUE(::GetFileAttributesExA(PiecesPath().c_str(), GetFileExInfoStandard, &info));
  EXPECT_EQ(info.nFileSizeLow, static_cast<DWORD>(Pieces * PieceBytes));
  ::DeleteFileA(PiecesPath().c_str());
}

}  // namespace
