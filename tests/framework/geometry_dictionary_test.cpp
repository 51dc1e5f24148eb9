#include "framework/app/appdict.h"
#include "framework/base/dupstring.h"
#include "framework/base/geometry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

TEST(RectTest, UnionIgnoresAllZeroRectanglesOnEitherSide)
{
  TRect zero;
  TRect r(10, 20, 30, 40);
  EXPECT_EQ(TRect(r).Union(zero), r);
  EXPECT_EQ(TRect(zero).Union(r), r);
  EXPECT_EQ(TRect(r).Union(TRect(-5, 25, 12, 60)), TRect(-5, 20, 30, 60));
  // A rectangle touching the origin is not "all zero".
  EXPECT_EQ(TRect(r).Union(TRect(0, 0, 1, 1)), TRect(0, 0, 30, 40));
}

TEST(RectTest, OffsetInflateNormalize)
{
  EXPECT_EQ(TRect(1, 2, 3, 4).Offset(10, 20), TRect(11, 22, 13, 24));
  EXPECT_EQ(TRect(10, 10, 20, 20).Inflate(2, 3), TRect(8, 7, 22, 23));
  EXPECT_EQ(TRect(20, 30, 10, 5).Normalize(), TRect(10, 5, 20, 30));
}

TEST(DupStringTest, CopiesAndHonoursMinimumSize)
{
  std::unique_ptr<char[]> a(DupString("abc"));
  EXPECT_STREQ(a.get(), "abc");
  std::unique_ptr<char[]> b(DupString(nullptr, 8));
  EXPECT_STREQ(b.get(), "");
}

TEST(AppDictionaryTest, EleventhRegistrationGrowsToTwentyKeepingTheFirstTen)
{
  TAppDictPidImp dict;
  auto app = [](int i) { return reinterpret_cast<TApplication*>(static_cast<uintptr_t>(0x1000 + i * 16)); };
  for (int i = 1; i <= 10; ++i)
    dict.Add(static_cast<unsigned>(i), app(i));
  EXPECT_EQ(dict.Capacity(), 10);
  dict.Add(11, app(11));
  EXPECT_EQ(dict.Capacity(), 20);
  for (int i = 1; i <= 11; ++i)
    EXPECT_EQ(dict.GetApplication(static_cast<unsigned>(i)), app(i));
  EXPECT_EQ(dict.Entry(0).Pid, 1u);
  EXPECT_EQ(dict.Entry(12).Pid, 0u);

  // Re-adding a process replaces its application; a removed pair is reused.
  dict.Add(3, app(33));
  EXPECT_EQ(dict.GetApplication(3), app(33));
  dict.Remove(app(5));
  EXPECT_EQ(dict.GetApplication(5), nullptr);
  dict.Add(40, app(40));
  EXPECT_EQ(dict.Entry(4).Pid, 40u);
}
