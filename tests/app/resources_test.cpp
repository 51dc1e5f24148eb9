// The program's resources as the platform hands them to the ANSI calls under
// code page 932: the menu, the hint strings and the accelerator table.
#include "framework/base/platform.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string MenuText(HMENU menu, int position)
{
  char text[256] = "";
  ::GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

TEST(ResourcesTest, MenuTextsArriveAsShiftJisBytes)
{
  HMENU menu = ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_MAINMENU));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(::GetMenuItemCount(menu), 2);
  EXPECT_EQ(MenuText(menu, 0), "\xcc\xa7\xb2\xd9(&F)");  // ﾌｧｲﾙ(&F)
  EXPECT_EQ(MenuText(menu, 1), "\x95\xd2\x8f\x57(&E)");  // 編集(&E)

  HMENU file = ::GetSubMenu(menu, 0);
  EXPECT_EQ(::GetMenuItemCount(file), 6);
  EXPECT_EQ(MenuText(file, 0), "\x8a\x4a\x82\xad(&O)...");  // 開く(&O)...
  EXPECT_EQ(::GetMenuItemID(file, 0), static_cast<UINT>(CM_FILEOPEN));
  EXPECT_EQ(::GetMenuItemID(file, 5), static_cast<UINT>(CM_EXITCOMMAND));

  HMENU edit = ::GetSubMenu(menu, 1);
  const std::vector<UINT> ids{CM_CUT, CM_PLAY, CM_STOP, CM_FIRSTFRAME, CM_PREVFRAME, CM_NEXTFRAME,
                              CM_LASTFRAME, CM_MARKFROM, CM_MARKTO, CM_CANCELCUT};
  ASSERT_EQ(::GetMenuItemCount(edit), static_cast<int>(ids.size()));
  for (size_t i = 0; i < ids.size(); ++i) {
    EXPECT_EQ(::GetMenuItemID(edit, static_cast<int>(i)), ids[i]);
    const bool grey = ::GetMenuState(edit, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED;
    EXPECT_EQ(grey, ids[i] != CM_CANCELCUT) << i;
  }
  // １こま戻す(&R)\tLeftl
  EXPECT_EQ(MenuText(edit, 4), "\x82\x50\x82\xb1\x82\xdc\x96\xdf\x82\xb7(&R)\tLeftl");
  EXPECT_EQ(MenuText(edit, 9), "\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b(&B)\tShift+Space");
  ::DestroyMenu(menu);
}

TEST(ResourcesTest, HintStringsCarryTheCommandIds)
{
  char text[64];
  ASSERT_GT(::LoadStringA(::GetModuleHandleA(nullptr), CM_PLAY, text, sizeof text), 0);
  EXPECT_STREQ(text, "\x8d\xc4\x90\xb6");  // 再生
  ASSERT_GT(::LoadStringA(::GetModuleHandleA(nullptr), CM_CUT, text, sizeof text), 0);
  EXPECT_STREQ(text, "(\x98\x41\x91\xb1)\x90\xd8\x82\xe8\x8e\xe6\x82\xe8");  // (連続)切り取り
  for (UINT id : {101u, 102u, 103u, 104u, 105u, 107u, 108u, 109u, 111u, 2009u, 24322u, 24332u, 24339u, 24340u})
    EXPECT_GT(::LoadStringA(::GetModuleHandleA(nullptr), id, text, sizeof text), 0) << id;
  EXPECT_EQ(::LoadStringA(::GetModuleHandleA(nullptr), 110, text, sizeof text), 0);
}

TEST(ResourcesTest, AcceleratorTableMapsTheKeys)
{
  HACCEL table = ::LoadAcceleratorsA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDA_MAINACCEL));
  ASSERT_NE(table, nullptr);
  ACCEL entries[32];
  const int count = ::CopyAcceleratorTableA(table, entries, 32);
  ASSERT_EQ(count, 11);
  auto command = [&](WORD key, BYTE modifiers) {
    for (int i = 0; i < count; ++i)
      if (entries[i].key == key && (entries[i].fVirt & (FSHIFT | FCONTROL | FALT)) == modifiers)
        return static_cast<int>(entries[i].cmd);
    return -1;
  };
  EXPECT_EQ(command(VK_SPACE, 0), CM_CUT);
  EXPECT_EQ(command(VK_SPACE, FSHIFT), CM_CANCELCUT);
  EXPECT_EQ(command(VK_LEFT, 0), CM_PREVFRAME);
  EXPECT_EQ(command(VK_LEFT, FSHIFT), CM_FIRSTFRAME);
  EXPECT_EQ(command(VK_LEFT, FCONTROL), CM_MARKFROM);
  EXPECT_EQ(command(VK_RIGHT, FCONTROL), CM_MARKTO);
  EXPECT_EQ(command(VK_DOWN, FSHIFT), CM_NOTHING);
  ::DestroyAcceleratorTable(table);
}

}  // namespace
