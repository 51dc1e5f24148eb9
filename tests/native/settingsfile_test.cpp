// The settings file as run.sh edits it through velmoserve: one key of section
// [Screen] read or set, every other line kept, CRLF line ends.
#include "server/settingsfile.h"

#include <gtest/gtest.h>

namespace {

using SettingsFile::ScreenValue;
using SettingsFile::WithScreenValue;

TEST(SettingsFile, ReadsAKeyOfTheScreenSectionOnly)
{
  const std::string text = "[Other]\r\nDir=other\r\n[ screen ]\r\n[Screen]\r\n  dir \t=  Z:\\out\\\r\nX=1\r\n";
  EXPECT_EQ(ScreenValue(text, "Dir"), "Z:\\out\\");
  EXPECT_EQ(ScreenValue(text, "X"), "1");
  EXPECT_EQ(ScreenValue(text, "LastDir"), std::nullopt);
  EXPECT_EQ(ScreenValue("[Other]\nDir=other\n", "Dir"), std::nullopt);
  EXPECT_EQ(ScreenValue("", "Dir"), std::nullopt);
}

TEST(SettingsFile, SetsAKeyWhereItIsKeepingEverythingElse)
{
  const std::string sjis = "LastDir=C:\\\x93\xae\x89\xe6";
  EXPECT_EQ(
    WithScreenValue("[Other]\r\nDir=keep\r\n[Screen]\r\nX=10\r\nDir=C:\\old\\\r\n" + sjis + "\r\n", "Dir", "Z:\\new\\"),
    "[Other]\r\nDir=keep\r\n[Screen]\r\nX=10\r\nDir=Z:\\new\\\r\n" + sjis + "\r\n");
  EXPECT_EQ(WithScreenValue("[Screen]\nDir=a\nDIR=b\n", "Dir", "c"), "[Screen]\r\nDir=c\r\n") << "one line of it";
}

TEST(SettingsFile, AddsTheKeyAndTheSectionWhenMissing)
{
  EXPECT_EQ(WithScreenValue("", "Dir", "Z:\\a\\"), "[Screen]\r\nDir=Z:\\a\\\r\n");
  EXPECT_EQ(WithScreenValue("[Other]\r\nA=1\r\n", "Dir", "d"), "[Other]\r\nA=1\r\n[Screen]\r\nDir=d\r\n");
  EXPECT_EQ(WithScreenValue("[Screen]\r\nX=1\r\n[Other]\r\nA=1", "Dir", "d"),
            "[Screen]\r\nX=1\r\nDir=d\r\n[Other]\r\nA=1\r\n");
}

}  // namespace
