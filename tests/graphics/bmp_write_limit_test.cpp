// Runs with a file-size limit of 256 KB on the process, so that writing a
// larger BMP fails part-way as it would on a full disk.
#include "graphics/dib.h"
#include "graphics/dibsection.h"
#include "graphics/file.h"
#include "graphics/filecreatepaths.h"
#include "tests/graphics/gdi_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class BmpWriteLimitTest : public testing::Test {
protected:
  void SetUp() override { ::CreateDirectoryA(Folder.c_str(), nullptr); }
  std::string Folder = std::string(VELMO_READER_CHECK_DIR) + "/limit";
};

TEST_F(BmpWriteLimitTest, FileCutShortIsRemovedAndReported)
{
  TDib large(1024, 1024, 256);  // about 1 MB
  std::memset(large.GetBits(), 7, large.GetInfoHeader().biSizeImage);
  const std::string path = Folder + "/LARGE.BMP";
  ::DeleteFileA(path.c_str());
  EXPECT_FALSE(large.WriteFile(path.c_str()));
  EXPECT_FALSE(FileExists(path)) << "no truncated BMP under the output name";

  // The same file name replaced by a complete, smaller file.
  TDib small(64, 64, 256);
  std::memset(small.GetBits(), 7, small.GetInfoHeader().biSizeImage);
  EXPECT_TRUE(small.WriteFile(path.c_str()));
  EXPECT_EQ(ReadFileBytes(path).size(), 14 + small.SizeDib());
}

TEST_F(BmpWriteLimitTest, DibSectionFileCutShortIsRemovedAndReported)
{
  const std::string path = Folder + "/SECTION.BMP";
  ::DeleteFileA(path.c_str());
  EXPECT_FALSE(TDibSection(512, 512, 32).WriteFile(path.c_str()));  // 1 MB
  EXPECT_FALSE(FileExists(path)) << "no truncated BMP under the output name";
  EXPECT_TRUE(TDibSection(64, 64, 32).WriteFile(path.c_str()));
  EXPECT_EQ(ReadFileBytes(path).size(), 14u + 40u + 64u * 64u * 4u);
}

TEST_F(BmpWriteLimitTest, FileCutShortOnTheQuickestPathIsRemovedAndReported)
{
  // Under Wine the file is made by the folder's host path: removed by it too.
  const std::string folder = Folder + "\\";
  const std::string path = folder + "QUICK.BMP";
  ::DeleteFileA(path.c_str());
  const TFileCreatePaths paths(folder);
  const std::vector<char> large(1024 * 1024, 7);
  EXPECT_FALSE(TFile::WriteWhole(paths.For(path).c_str(), {{large.data(), large.size()}}));
  EXPECT_FALSE(FileExists(path)) << "no truncated BMP under the output name";
  EXPECT_TRUE(TFile::WriteWhole(paths.For(path).c_str(), {{large.data(), 1024}}));
  EXPECT_EQ(ReadFileBytes(path).size(), 1024u);
}

}  // namespace
