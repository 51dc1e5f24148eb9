#include "app/support/pathtext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

void ExpectParts(const char* path, const char* drive, const char* dir, const char* name, const char* ext)
{
  const TPathParts parts = SplitPath(path);
  EXPECT_EQ(parts.Drive, drive) << path;
  EXPECT_EQ(parts.Dir, dir) << path;
  EXPECT_EQ(parts.Name, name) << path;
  EXPECT_EQ(parts.Ext, ext) << path;
}

TEST(SplitPathTest, DriveDirectoryNameAndExtension)
{
  ExpectParts("D:\\MOVIES\\SAMPLE.AVI", "D:", "\\MOVIES\\", "SAMPLE", ".AVI");
  ExpectParts("D:\\X.AVI", "D:", "\\", "X", ".AVI");
  ExpectParts("clip.tar.avi", "", "", "clip.tar", ".avi");
  ExpectParts("dir.v2\\noext", "", "dir.v2\\", "noext", "");
  ExpectParts(".hidden", "", "", "", ".hidden");
  ExpectParts("", "", "", "", "");
}

TEST(SplitPathTest, DotComponentsSlashesAndColons)
{
  ExpectParts("C:\\a\\.", "C:", "\\a\\.", "", "");
  ExpectParts("..", "", "..", "", "");
  ExpectParts("a/b/c.avi", "", "a/b/", "c", ".avi");
  ExpectParts("C:/x\\y/z.bmp", "C:", "/x\\y/", "z", ".bmp");
  // A colon anywhere but the second byte is an ordinary character.
  ExpectParts("ab:c.avi", "", "", "ab:c", ".avi");
  ExpectParts("\\\\srv\\share\\m.avi", "", "\\\\srv\\share\\", "m", ".avi");
}

TEST(SplitPathTest, SecondBytesOfDoubleByteCharactersAreNeverSeparatorsOrDots)
{
  // 表 is 0x95 0x5C, ソ is 0x83 0x5C: their second byte is a backslash.
  ExpectParts("C:\\\x95\x5C\\\x83\x5C.avi", "C:", "\\\x95\x5C\\", "\x83\x5C", ".avi");
  ExpectParts("\x95\x5C", "", "", "\x95\x5C", "");
  // 楯 is 0x8F 0x2E: its second byte is a dot.
  ExpectParts(
    "\x8F\x2E"
    "a",
    "", "",
    "\x8F\x2E"
    "a",
    "");
  ExpectParts("x.\x8F\x2E", "", "", "x", ".\x8F\x2E");
  // A lead byte in the first position means there is no drive.
  ExpectParts("\x82\xA0:b.avi", "", "", "\x82\xA0:b", ".avi");
}

TEST(SplitPathTest, PartsAreCutTo255AndTheInputTo260)
{
  const std::string longName(300, 'n');
  const TPathParts parts = SplitPath(("C:\\" + longName + ".avi").c_str());
  EXPECT_EQ(parts.Name.size(), 255u);  // the input was cut before the extension
  EXPECT_EQ(parts.Ext, "");
  const std::string longDir = "C:\\" + std::string(250, 'd') + "\\x.avi";
  EXPECT_EQ(SplitPath(longDir.c_str()).Ext, ".avi");
  // A cut never leaves half a double-byte character.
  std::string kanji;
  for (int i = 0; i < 200; ++i)
    kanji += "\x8A\xBF";
  EXPECT_EQ(SplitPath(kanji.c_str()).Name.size(), 254u);
}

TEST(TrailingBackslashTest, AddsOneByCharacter)
{
  char dir[260];
  std::strcpy(dir, "D:\\OUT");
  EXPECT_TRUE(EnsureTrailingBackslash(dir, sizeof dir));
  EXPECT_STREQ(dir, "D:\\OUT\\");
  EXPECT_TRUE(EnsureTrailingBackslash(dir, sizeof dir));
  EXPECT_STREQ(dir, "D:\\OUT\\");
  dir[0] = '\0';
  EXPECT_TRUE(EnsureTrailingBackslash(dir, sizeof dir));
  EXPECT_STREQ(dir, "\\");
  // A directory ending in 表 (0x95 0x5C) still needs its backslash.
  std::strcpy(dir, "D:\\\x95\x5C");
  EXPECT_TRUE(EnsureTrailingBackslash(dir, sizeof dir));
  EXPECT_STREQ(dir, "D:\\\x95\x5C\\");
  char full[4] = "abc";
  EXPECT_FALSE(EnsureTrailingBackslash(full, sizeof full));
  EXPECT_STREQ(full, "abc");
}

TEST(CaptureFileNameTest, DirectoryPrefixHexNumberAndExtension)
{
  EXPECT_EQ(CaptureFileName("D:\\OUT\\", "D:\\MOVIES\\SAMPLE.AVI", 26), "D:\\OUT\\SAMP001A.BMP");
  EXPECT_EQ(CaptureFileName("D:\\OUT\\", "", 0x1A), "D:\\OUT\\001A.BMP");
  EXPECT_EQ(CaptureFileName("D:\\OUT\\", "A.AVI", 0), "D:\\OUT\\A0000.BMP");
  EXPECT_EQ(CaptureFileName("", "x\\ab.avi", 0x12345), "ab12345.BMP");
  // Two double-byte characters fill the prefix; a half character is dropped.
  EXPECT_EQ(CaptureFileName("", "\x93\xae\x89\xe6\x82\xa0.avi", 1),
            "\x93\xae\x89\xe6"
            "0001.BMP");
  EXPECT_EQ(CaptureFileName("", "abc\x93\xae.avi", 1), "abc0001.BMP");
}

}  // namespace
