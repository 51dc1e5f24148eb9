#include "app/support/textfill.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FillPlaceholdersTest, EachNumberTakesItsValueWhereverAndHoweverOftenItStands)
{
  EXPECT_EQ(FillPlaceholders("%2 of %1, %2 again", {"10", "3"}), "3 of 10, 3 again");
  EXPECT_EQ(FillPlaceholders("%1%2", {"a", "b"}), "ab");
  // A value is put in as it is, never read for places of its own.
  EXPECT_EQ(FillPlaceholders("file %1 failed", {"Z:\\100%1.BMP"}), "file Z:\\100%1.BMP failed");
}

TEST(FillPlaceholdersTest, PercentSignsWithoutAValueStay)
{
  EXPECT_EQ(FillPlaceholders("50% done, %3 and %0", {"x"}), "50% done, %3 and %0");
  EXPECT_EQ(FillPlaceholders("ends in %", {"x"}), "ends in %");
  EXPECT_EQ(FillPlaceholders("%1", {}), "%1");
}

TEST(FillPlaceholdersTest, DoubleByteTextAroundThePlacesIsKept)
{
  // こま %1 が壊れています
  const std::string pattern = "\x82\xb1\x82\xdc %1 \x82\xaa\x89\xf3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb7";
  EXPECT_EQ(FillPlaceholders(pattern, {"12"}),
            "\x82\xb1\x82\xdc 12 \x82\xaa\x89\xf3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb7");
}

}  // namespace
