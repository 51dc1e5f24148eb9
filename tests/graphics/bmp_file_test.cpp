#include "graphics/bitmap.h"
#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/file.h"
#include "tests/graphics/gdi_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The pixels of bitmap, top row first, as the platform reads them back.
std::vector<COLORREF> PixelsOf(const TBitmap& bitmap)
{
  TMemoryDC dc;
  dc.SelectObject(bitmap);
  EXPECT_EQ(::GetCurrentObject(dc, OBJ_BITMAP), bitmap.GetHandle());
  std::vector<COLORREF> pixels;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      pixels.push_back(::GetPixel(dc, x, y));
  return pixels;
}

// Fills bitmap with a pattern that tells rows, columns and channels apart.
void PaintPattern(const TBitmap& bitmap)
{
  TMemoryDC dc;
  dc.SelectObject(bitmap);
  EXPECT_EQ(::GetCurrentObject(dc, OBJ_BITMAP), bitmap.GetHandle());
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      ::SetPixel(dc, x, y, RGB(x * 7 % 256, y * 40 % 256, (x + y) * 3 % 256));
}

// The pixels of a DIB with a colour table, top row first.
std::vector<COLORREF> TablePixelsOf(const TDib& dib)
{
  const int depth = dib.BitsPixel();
  const int stride = TDib::ScanBytes(dib.Width(), depth);
  std::vector<COLORREF> pixels;
  for (int y = dib.Height() - 1; y >= 0; --y) {
    const BYTE* row = static_cast<const BYTE*>(dib.GetBits()) + y * stride;
    for (int x = 0; x < dib.Width(); ++x) {
      const int bit = x * depth;
      const int index = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1);
      pixels.push_back(dib.GetColor(index));
    }
  }
  return pixels;
}

// Checks the file against the BMP layout and the DIB's own block, and leaves
// it with its expected pixels for the independent reader.
void ExpectBmpFile(const std::string& path, const TDib& dib, DWORD bitCount, DWORD clrUsed, DWORD offBits,
                   const std::vector<COLORREF>& pixels)
{
  const std::vector<BYTE> file = ReadFileBytes(path);
  ASSERT_EQ(file.size(), 14 + dib.SizeDib());
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(LittleEndianAt(file, 2, 4), file.size());
  EXPECT_EQ(LittleEndianAt(file, 6, 4), 0u);
  EXPECT_EQ(LittleEndianAt(file, 10, 4), offBits);
  EXPECT_EQ(LittleEndianAt(file, 14, 4), 40u);
  EXPECT_EQ(static_cast<LONG>(LittleEndianAt(file, 18, 4)), dib.Width());
  EXPECT_EQ(static_cast<LONG>(LittleEndianAt(file, 22, 4)), dib.Height()) << "bottom-up";
  EXPECT_EQ(LittleEndianAt(file, 26, 2), 1u);
  EXPECT_EQ(LittleEndianAt(file, 28, 2), bitCount);
  EXPECT_EQ(LittleEndianAt(file, 30, 4), 0u) << "BI_RGB";
  EXPECT_EQ(LittleEndianAt(file, 34, 4), TDib::ScanBytes(dib.Width(), bitCount) * dib.Height());
  EXPECT_EQ(LittleEndianAt(file, 46, 4), clrUsed);
  EXPECT_EQ(offBits + LittleEndianAt(file, 34, 4), file.size());
  EXPECT_EQ(0, std::memcmp(file.data() + 14, dib.GetInfo(), dib.SizeDib()));
  WriteExpectedPixels(path.substr(0, path.size() - 4) + ".rgb", pixels);
}

class BmpFileTest : public testing::Test {
protected:
  std::string Folder = ReaderCheckFolder("display32");
  TScreenDC Screen;
};

TEST_F(BmpFileTest, CaptureOfThe32BitDisplay)
{
  TBitmap bitmap(Screen, 37, 23);
  PaintPattern(bitmap);
  TDib dib(bitmap);
  const std::string path = Folder + "/CAPT0001.BMP";
  ASSERT_TRUE(dib.WriteFile(path.c_str()));
  ExpectBmpFile(path, dib, 32, 0, 54, PixelsOf(bitmap));
}

TEST_F(BmpFileTest, TwentyFourBitSourceWithOddWidth)
{
  TBitmap bitmap(CreateDibSection(321, 5, 24), AutoDelete);
  PaintPattern(bitmap);
  TDib dib(bitmap);
  ASSERT_EQ(dib.GetNumColors(), 0);
  EXPECT_EQ(dib.GetInfoHeader().biSizeImage, 964u * 5);
  // The pad byte of every row is not part of any pixel.
  const std::string path = Folder + "/W321.BMP";
  ASSERT_TRUE(dib.WriteFile(path.c_str()));
  ExpectBmpFile(path, dib, 24, 0, 54, PixelsOf(bitmap));
}

TEST_F(BmpFileTest, FourAndOneBitBlankDibs)
{
  TDib four(21, 6, 16);
  for (int i = 0; i < 16; ++i)
    four.SetColor(i, RGB(i * 16, 255 - i * 16, i * 5));
  auto* bits = static_cast<BYTE*>(four.GetBits());
  for (DWORD i = 0; i < four.GetInfoHeader().biSizeImage; ++i)
    bits[i] = static_cast<BYTE>(i * 37);
  std::string path = Folder + "/FOUR.BMP";
  ASSERT_TRUE(four.WriteFile(path.c_str()));
  ExpectBmpFile(path, four, 4, 16, 118, TablePixelsOf(four));

  TDib one(13, 4, 2);
  one.SetColor(0, RGB(0, 0, 255));
  one.SetColor(1, RGB(255, 255, 0));
  bits = static_cast<BYTE*>(one.GetBits());
  for (DWORD i = 0; i < one.GetInfoHeader().biSizeImage; ++i)
    bits[i] = static_cast<BYTE>(0xA5 ^ i);
  path = Folder + "/ONE.BMP";
  ASSERT_TRUE(one.WriteFile(path.c_str()));
  ExpectBmpFile(path, one, 1, 2, 62, TablePixelsOf(one));
}

TEST_F(BmpFileTest, StreamAndFileGetTheSameBytes)
{
  TDib dib(5, 3, 16);
  std::memset(dib.GetBits(), 0x12, dib.GetInfoHeader().biSizeImage);
  const std::string path = Folder + "/STREAM.BMP";
  ASSERT_TRUE(dib.WriteFile(path.c_str()));
  std::ostringstream stream;
  ASSERT_TRUE(dib.WriteToStream(stream));
  const std::string streamed = stream.str();
  EXPECT_EQ(std::vector<BYTE>(streamed.begin(), streamed.end()), ReadFileBytes(path));
  ExpectBmpFile(path, dib, 4, 16, 118, TablePixelsOf(dib));

  std::ostringstream blockOnly;
  ASSERT_TRUE(dib.WriteToStream(blockOnly, false));
  EXPECT_EQ(blockOnly.str().size(), dib.SizeDib());

  std::ostringstream failed;
  failed.setstate(std::ios::badbit);
  EXPECT_FALSE(dib.WriteToStream(failed));
}

class BmpWriteFailureTest : public testing::Test {
protected:
  void SetUp() override
  {
    ::CreateDirectoryA(Folder.c_str(), nullptr);
    std::memset(Dib.GetBits(), 0x5A, Dib.GetInfoHeader().biSizeImage);
  }
  void PutFile(const std::string& path, const std::string& content)
  {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
  }
  std::string ContentOf(const std::string& path)
  {
    const std::vector<BYTE> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
  }

  std::string Folder = std::string(VELMO_READER_CHECK_DIR) + "/failures";
  TDib Dib{9, 4, 2};
};

TEST_F(BmpWriteFailureTest, ExistingFileIsReplacedEntirely)
{
  const std::string path = Folder + "/OLD.BMP";
  PutFile(path, std::string(5000, 'x'));
  ASSERT_TRUE(Dib.WriteFile(path.c_str()));
  const std::vector<BYTE> file = ReadFileBytes(path);
  ASSERT_EQ(file.size(), 14 + Dib.SizeDib());
  EXPECT_EQ(0, std::memcmp(file.data() + 14, Dib.GetInfo(), Dib.SizeDib()));
}

TEST_F(BmpWriteFailureTest, MissingDirectoryWritesNothing)
{
  const std::string path = Folder + "/no such folder/A.BMP";
  EXPECT_FALSE(Dib.WriteFile(path.c_str()));
  EXPECT_FALSE(FileExists(path));
}

TEST_F(BmpWriteFailureTest, FileHeldOpenElsewhereIsLeftAlone)
{
  const std::string path = Folder + "/HELD.BMP";
  PutFile(path, "theirs");
  HANDLE other = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(Dib.WriteFile(path.c_str()));
  ::CloseHandle(other);
  EXPECT_EQ(ContentOf(path), "theirs");
}

TEST_F(BmpWriteFailureTest, OpenFileIsExclusiveAndClosedFileTakesNoBytes)
{
  const std::string path = Folder + "/OPEN.BMP";
  TFile file;
  ASSERT_TRUE(file.Open(path.c_str()));
  HANDLE other = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_EQ(other, INVALID_HANDLE_VALUE) << "no sharing while open";
  EXPECT_TRUE(file.Close());
  EXPECT_FALSE(Dib.Write(file, true)) << "nothing can be written to a closed file";
  EXPECT_EQ(ReadFileBytes(path).size(), 0u);
}

}  // namespace
