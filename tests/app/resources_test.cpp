// The program's resources as the platform hands them to the ANSI calls under
// code page 932: the menu, the hint strings, the message texts, the
// accelerator table and the about box.
#include "app/support/texts.h"
#include "framework/base/exceptions.h"
#include "framework/base/platform.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <winver.h>

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
  const std::vector<UINT> ids{
    CM_CUT,    CM_PLAY,      CM_STOP, CM_FIRSTFRAME, CM_PREVFRAME, CM_NEXTFRAME, CM_LASTFRAME, CM_MARKFROM,
    CM_MARKTO, CM_CANCELCUT, 0,       CM_GOTO};  // 0: the separator
  ASSERT_EQ(::GetMenuItemCount(edit), static_cast<int>(ids.size()));
  for (size_t i = 0; i < ids.size(); ++i) {
    EXPECT_EQ(::GetMenuItemID(edit, static_cast<int>(i)), ids[i]);
    const bool grey = ::GetMenuState(edit, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED;
    if (ids[i]) {
      EXPECT_EQ(grey, ids[i] != CM_CANCELCUT) << i;
    }
  }
  // １こま戻す(&R)\tLeft
  EXPECT_EQ(MenuText(edit, 4), "\x82\x50\x82\xb1\x82\xdc\x96\xdf\x82\xb7(&R)\tLeft");
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

// Every message the program shows has its text, and the framework's error ids
// keep the meaning they have without one: the numbered fallback text.
TEST(ResourcesTest, EveryMessageTextIsThereAndNoFrameworkErrorIdIsTaken)
{
  for (unsigned id :
       {IDS_ERRORTITLE,      IDS_BADMOVIE,       IDS_TRUNCATEDMOVIE,     IDS_FRAMEMISSING,  IDS_FRAMEDAMAGED,
        IDS_PICTURETOOLARGE, IDS_TOOLARGETOCUT,  IDS_TOOLARGETOCUTWHOLE, IDS_PICTUREHIDDEN, IDS_REVERSEDMARKS,
        IDS_EMPTYFRAMES,     IDS_WRITEFAILED,    IDS_16BITDISPLAY,       IDS_NOTIMER,       IDS_SETTINGSNOTSAVED,
        IDS_DEVICESTUCK,     IDS_MOVIEPASTREACH, IDS_FRAMESPASTREACH,    IDS_SERVERGONE,    IDS_SOURCEFRAMEDAMAGED,
        IDS_SOURCECHANGED,   IDS_PREPAREREFUSED, IDS_BADMOVIENOSERVER,   IDS_NOFRAMESERVER})
    EXPECT_FALSE(LoadText(id).empty()) << id;
  EXPECT_EQ(LoadText(IDS_ERRORTITLE), "\x83\x47\x83\x89\x81\x5b");  // エラー

  for (unsigned id = IDS_INVALIDDIBHANDLE; id <= IDS_UNHANDLEDXMSG; ++id)
    EXPECT_TRUE(LoadText(id).empty()) << id;
}

// A text of any length arrives whole, its places filled: a file name as long
// as a path can be.
TEST(ResourcesTest, FilledTextsArriveWhole)
{
  const std::string name = "Z:\\" + std::string(300, 'D') + "\\001A.BMP";
  const std::string text = FormatText(IDS_WRITEFAILED, name);
  EXPECT_NE(text.find(" " + name + " "), std::string::npos) << text;
  EXPECT_EQ(text.find('%'), std::string::npos) << text;
}

TEST(ResourcesTest, AcceleratorTableMapsTheKeys)
{
  HACCEL table = ::LoadAcceleratorsA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDA_MAINACCEL));
  ASSERT_NE(table, nullptr);
  ACCEL entries[32];
  const int count = ::CopyAcceleratorTableA(table, entries, 32);
  ASSERT_EQ(count, 12);
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
  EXPECT_EQ(command('G', FCONTROL), CM_GOTO);
  ::DestroyAcceleratorTable(table);
}

std::string LegalNotice()
{
  char exe[MAX_PATH];
  ::GetModuleFileNameA(nullptr, exe, sizeof exe);
  DWORD handle = 0;
  std::vector<char> block(::GetFileVersionInfoSizeA(exe, &handle));
  if (block.empty() || !::GetFileVersionInfoA(exe, 0, static_cast<DWORD>(block.size()), block.data()))
    return "";
  char* text = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(block.data(), "\\StringFileInfo\\040904e4\\LegalCopyright", reinterpret_cast<void**>(&text),
                        &length))
    return "";
  return text;
}

INT_PTR CALLBACK PlainDialog(HWND, UINT, WPARAM, LPARAM)
{
  return FALSE;
}

// Each text of the about box, as the box shows it, fits its control, and the
// controls lie inside the box.
TEST(ResourcesTest, AboutBoxHasRoomForItsWholeText)
{
  HWND box = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), nullptr, PlainDialog, 0);
  ASSERT_NE(box, nullptr);
  const std::string notice = LegalNotice();
  ASSERT_NE(notice.find("Free to use and to share."), std::string::npos) << notice;
  ::SetDlgItemTextA(box, IDC_LEGALNOTICE, notice.c_str());
  ::SetDlgItemTextA(box, IDC_VERSION, "velmo32 Version 1.50");
  RECT inside;
  ::GetClientRect(box, &inside);

  for (int id : {IDC_VERSION, IDC_LEGALNOTICE}) {
    HWND item = ::GetDlgItem(box, id);
    RECT area;
    ::GetClientRect(item, &area);
    char text[256] = "";
    ::GetWindowTextA(item, text, sizeof text);
    HDC dc = ::GetDC(item);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(::SendMessageA(item, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
    RECT needed = area;
    ::DrawTextA(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_CENTER);
    if (old)
      ::SelectObject(dc, old);
    ::ReleaseDC(item, dc);
    EXPECT_LE(needed.bottom - needed.top, area.bottom) << id << ": " << text;
    EXPECT_LE(needed.right - needed.left, area.right) << id << ": " << text;

    RECT placed;
    ::GetWindowRect(item, &placed);
    ::MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_LE(placed.bottom, inside.bottom) << id;
    EXPECT_LE(placed.right, inside.right) << id;
  }
  ::DestroyWindow(box);
}

}  // namespace
