// On a display of 16 bits per pixel the program refuses to run.
#include "tests/support/program.h"
#include "tests/support/settingsfile.h"

#include <gtest/gtest.h>

namespace {

TEST(Display16Test, ShowsTheRefusalExitsWithMinusOneAndWritesNoSettings)
{
  TSettingsFile settings;
  const std::string seeded = "[Screen]\r\nDir=C:\\out\\\r\n";
  settings.Write(seeded);
  TProgramRun run;
  HWND box = run.WaitForWindow("エラー", 30000, "#32770");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(DialogItemText(box, 0xFFFF), "64K色はサポートしていません");
  ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(run.WaitForExit(), static_cast<DWORD>(-1));
  EXPECT_EQ(settings.Read(), seeded);
}

}  // namespace
