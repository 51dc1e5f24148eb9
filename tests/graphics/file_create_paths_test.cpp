// New files of a folder created by the quickest path the platform allows: they
// are whole under their Windows names, and a file whose name differs only in
// case is overwritten, as on Windows, not joined by a second one.
#include "graphics/file.h"
#include "graphics/filecreatepaths.h"
#include "tests/graphics/gdi_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

class FileCreatePathsTest : public testing::Test {
protected:
  FileCreatePathsTest()
  {
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof temp, temp);
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "%svelmo-paths-%lu\\", temp, ::GetCurrentProcessId());
    Folder = name;
    ::CreateDirectoryA(Folder.c_str(), nullptr);
  }
  ~FileCreatePathsTest() override
  {
    for (const std::string& name : Names())
      ::DeleteFileA((Folder + name).c_str());
    ::RemoveDirectoryA(Folder.c_str());
  }

  std::vector<std::string> Names() const
  {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((Folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
      return names;
    do
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        names.push_back(found.cFileName);
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
  }

  static bool Write(const std::wstring& path, const std::string& bytes)
  {
    return TFile::WriteWhole(path.c_str(), {{bytes.data(), bytes.size()}});
  }
  std::string Bytes(const std::string& name) const
  {
    const std::vector<BYTE> bytes = ReadFileBytes(Folder + name);
    return std::string(bytes.begin(), bytes.end());
  }

  std::string Folder;
};

bool UnderWine()
{
  return ::GetProcAddress(::GetModuleHandleA("kernel32"), "wine_get_unix_file_name") != nullptr;
}

TEST_F(FileCreatePathsTest, NewFilesAreWholeUnderTheirWindowsNames)
{
  const TFileCreatePaths paths(Folder);
  EXPECT_EQ(paths.ThroughHost(), UnderWine());
  ASSERT_TRUE(Write(paths.For(Folder + "0000.BMP"), "first"));
  ASSERT_TRUE(Write(paths.For(Folder + "001A.BMP"), "second frame"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"0000.BMP", "001A.BMP"}));
  EXPECT_EQ(Bytes("0000.BMP"), "first");
  EXPECT_EQ(Bytes("001A.BMP"), "second frame");
  // A file of another folder keeps its own path.
  const std::string elsewhere = Folder + "sub\\0000.BMP";
  EXPECT_EQ(paths.For(elsewhere), std::wstring(elsewhere.begin(), elsewhere.end()));
}

TEST_F(FileCreatePathsTest, AFolderWithAJapaneseNameGetsItsFilesToo)
{
  // The host's name of the folder is in another encoding than the program's;
  // the second byte of 表 is a backslash's.
  const std::string folder = Folder + "表出力\\";
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  {
    const TFileCreatePaths paths(folder);
    EXPECT_EQ(paths.ThroughHost(), UnderWine());
    ASSERT_TRUE(Write(paths.For(folder + "出0001.BMP"), "frame"));
  }
  const std::vector<BYTE> bytes = ReadFileBytes(folder + "出0001.BMP");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "frame");
  ::DeleteFileA((folder + "出0001.BMP").c_str());
  ::RemoveDirectoryA(folder.c_str());
}

TEST_F(FileCreatePathsTest, AFileNamedInAnotherCaseIsOverwrittenNotDoubled)
{
  ASSERT_TRUE(TFile::WriteWhole((Folder + "001a.bmp").c_str(), {{"old", 3}}));
  const TFileCreatePaths paths(Folder);
  ASSERT_TRUE(Write(paths.For(Folder + "001A.BMP"), "new"));
  ASSERT_EQ(Names().size(), 1u);
  EXPECT_EQ(Bytes("001A.BMP"), "new");
}

// Whatever stops a writer, the name holds the old file or the whole new one,
// never a part: watched while a large file replaces a small one.
TEST_F(FileCreatePathsTest, AFileAppearsUnderItsNameOnlyWhole)
{
  const std::string name = "0001.BMP";
  ASSERT_TRUE(TFile::WriteWhole((Folder + name).c_str(), {{"old", 3}}));
  const std::string large(64 * 1024 * 1024, 'x');
  std::atomic<bool> done{false};
  bool written = false;
  std::thread writer([&] {
    written = Write(TFileCreatePaths(Folder).For(Folder + name), large);
    done = true;
  });
  std::set<ULONGLONG> sizesSeen;
  while (!done) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (::GetFileAttributesExA((Folder + name).c_str(), GetFileExInfoStandard, &data))
      sizesSeen.insert(ULONGLONG{data.nFileSizeHigh} << 32 | data.nFileSizeLow);
    else
      sizesSeen.insert(0xFFFFFFFF);  // no file under the name
  }
  writer.join();
  EXPECT_TRUE(written);
  for (const ULONGLONG size : sizesSeen)
    EXPECT_TRUE(size == 3 || size == large.size()) << "seen with " << size << " bytes";
  EXPECT_EQ(Names(), std::vector<std::string>{name}) << "no part file left";
}

// A writer killed while writing leaves a part file, which the next writer
// into the folder removes; a part file still being written, and the user's
// own files, stay.
TEST_F(FileCreatePathsTest, PartFilesOfKilledWritersGoWhenTheFolderIsWrittenAgain)
{
  // The user's files, a part file still open, and one of a writer that runs
  // (this process) but has closed it for a moment before its rename, stay.
  char running[40];
  std::snprintf(running, sizeof running, ".velmo-%lx-4.part", ::GetCurrentProcessId());
  const std::vector<std::string> kept{".velmo-notes.part", "clip.part", "velmo-1c-20.part", running};
  for (const std::string& name : kept)
    ASSERT_TRUE(TFile::WriteWhole((Folder + name).c_str(), {{"mine", 4}}));
  ASSERT_TRUE(TFile::WriteWhole((Folder + ".velmo-7ffffffc-20.part").c_str(), {{"left", 4}}));
  TFile inFlight;
  ASSERT_TRUE(inFlight.Open((Folder + ".velmo-7ffffff8-28.part").c_str()));
  const TFileCreatePaths paths(Folder);
  std::vector<std::string> expected = kept;
  expected.push_back(".velmo-7ffffff8-28.part");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(), expected);
}

}  // namespace
