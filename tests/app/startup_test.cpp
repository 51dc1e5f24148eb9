// velmo32 starting as itself: the first-run prompt, the settings file, the
// about box and the menu, driven from outside the real process.
#include "framework/base/geometry.h"
#include "tests/support/program.h"
#include "tests/support/settingsfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

namespace {

const char PromptCaption[] = "出力ﾃﾞｨﾚｸﾄﾘの変更";
const char AboutCaption[] = "velmo プログラムについて";
const int PromptEdit = 4090;

std::string Seeded(const std::string& dir, const std::string& extra = "")
{
  return "[Screen]\r\nDir=" + dir + "\r\n" + extra;
}

TRect WindowRect(HWND window)
{
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

// Opens the output-directory prompt from the menu, checks what it shows, types
// the answer and ends it with OK or Escape (IDCANCEL).
void AnswerPrompt(TProgramRun& run, HWND main, const std::string& shown, const char* answer, int button)
{
  run.Command(main, 24340);
  HWND prompt = run.WaitForWindow(PromptCaption);
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(DialogItemText(prompt, PromptEdit), shown);
  ::SetDlgItemTextA(prompt, PromptEdit, answer);
  ::PostMessageA(prompt, WM_COMMAND, button, 0);
  ASSERT_TRUE(WaitFor([&] { return !::IsWindow(prompt); }));
}

void CloseAndWait(TProgramRun& run, HWND main, DWORD expectedExitCode = 0)
{
  ::PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(run.WaitForExit(), expectedExitCode);
}

TEST(StartupTest, FirstRunPromptsBeforeTheMainWindowAndStoresTheDirectory)
{
  TSettingsFile settings;
  TProgramRun run;
  HWND prompt = run.WaitForWindow(PromptCaption);
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(run.FindWindow("Velmo Win32"), nullptr);  // the prompt comes first
  EXPECT_EQ(DialogItemText(prompt, PromptEdit), "A:\\");
  EXPECT_EQ(DialogItemText(prompt, 4091), "Dir:");
  ::SetDlgItemTextA(prompt, PromptEdit, "C:\\cuts");
  ::PostMessageA(prompt, WM_COMMAND, IDOK, 0);

  HWND main = run.MainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(WindowRect(main), TRect(0, 0, 530, 360));
  CloseAndWait(run, main);
  EXPECT_EQ(settings.Read(), "[Screen]\r\nX=0\r\nY=0\r\nW=530\r\nH=360\r\nDir=C:\\cuts\\\r\nLastDir=\r\n");
}

TEST(StartupTest, AfterTheFirstRunPromptTheKeysGoToTheMainWindowWithoutAClick)
{
  TSettingsFile settings;
  TProgramRun run;
  HWND prompt = run.WaitForWindow(PromptCaption);
  ASSERT_NE(prompt, nullptr);
  ::PostMessageA(prompt, WM_COMMAND, IDOK, 0);
  HWND main = run.MainWindow();
  ASSERT_NE(main, nullptr);
  // The frame takes the foreground itself once it shows; typed before that,
  // the keys would go to the window that had it.
  ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == main; }));
  // Typed: the keys go wherever the platform sends the keyboard.
  const std::pair<BYTE, DWORD> altF4[] = {
    {VK_MENU, 0}, {VK_F4, 0}, {VK_F4, KEYEVENTF_KEYUP}, {VK_MENU, KEYEVENTF_KEYUP}};
  for (const auto& [key, flags] : altF4)
    ::keybd_event(key, 0, flags, 0);
  EXPECT_EQ(run.WaitForExit(), 0u);
}

TEST(StartupTest, StoredSettingsPlaceTheFrameAndClosingWritesThemBackInOrder)
{
  TSettingsFile settings;
  settings.Write("[Screen]\r\nX=40\r\nY=30\r\nW=600\r\nH=420\r\nDir=C:\\out\\\r\nLastDir=0ld\r\n");
  TProgramRun run;
  HWND main = run.MainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(WindowRect(main), TRect(40, 30, 640, 450));
  ::MoveWindow(main, 50, 60, 500, 300, TRUE);
  CloseAndWait(run, main);
  // "LastDir" starting with the digit 0 was read as empty.
  EXPECT_EQ(settings.Read(), "[Screen]\r\nX=50\r\nY=60\r\nW=500\r\nH=300\r\nDir=C:\\out\\\r\nLastDir=\r\n");
}

TEST(StartupTest, NegativeCoordinatesAreWrittenUnsignedAndReadBackAsTheSameValue)
{
  TSettingsFile settings;
  settings.Write(Seeded("C:\\out\\"));
  {
    TProgramRun run;
    HWND main = run.MainWindow();
    ASSERT_NE(main, nullptr);
    ::MoveWindow(main, -8, -8, 400, 300, TRUE);
    CloseAndWait(run, main);
  }
  EXPECT_NE(settings.Read().find("X=4294967288\r\nY=4294967288\r\n"), std::string::npos);
  TProgramRun run;
  HWND main = run.MainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(WindowRect(main).TopLeft(), TPoint(-8, -8));
  CloseAndWait(run, main);
}

TEST(StartupTest, MinimisedCloseWritesTheMinimisedRectangle)
{
  TSettingsFile settings;
  settings.Write(Seeded("C:\\out\\"));
  TProgramRun run;
  HWND main = run.MainWindow();
  ASSERT_NE(main, nullptr);
  ::ShowWindow(main, SW_MINIMIZE);
  ASSERT_TRUE(WaitFor([&] { return ::IsIconic(main) != 0; }));
  const TRect minimised = WindowRect(main);
  CloseAndWait(run, main);
  char expected[128];
  std::snprintf(expected, sizeof expected, "X=%u\r\nY=%u\r\nW=%u\r\nH=%u\r\n", unsigned(minimised.left),
                unsigned(minimised.top), unsigned(minimised.Width()), unsigned(minimised.Height()));
  EXPECT_NE(settings.Read().find(expected), std::string::npos) << settings.Read();
}

TEST(StartupTest, LongestDirectoryThePromptCanStoreRoundTripsWhole)
{
  TSettingsFile settings;
  const std::string dir = "C:\\" + std::string(251, 'd') + "\\";  // 254 typed bytes + the backslash
  ASSERT_EQ(dir.size(), 255u);
  settings.Write(Seeded(dir, "LastDir=C:\\movies\r\n"));
  TProgramRun run;
  HWND main = run.MainWindow();
  ASSERT_NE(main, nullptr);
  CloseAndWait(run, main);
  EXPECT_NE(settings.Read().find("Dir=" + dir + "\r\nLastDir=C:\\movies\r\n"), std::string::npos);
}

TEST(StartupTest, PromptFromTheMenuAppendsTheBackslashByCharacter)
{
  TSettingsFile settings;
  settings.Write(Seeded("C:\\out\\"));
  TProgramRun run;
  HWND main = run.MainWindow();
  ASSERT_NE(main, nullptr);
  AnswerPrompt(run, main, "C:\\out\\", "C:\\\x95\x5C", IDOK);  // ends in 表, second byte 0x5C
  CloseAndWait(run, main);
  EXPECT_NE(settings.Read().find("Dir=C:\\\x95\x5C\\\r\n"), std::string::npos);
}

TEST(StartupTest, EscapeKeepsTheDirectoryAndAnEmptyAnswerBecomesTheRoot)
{
  TSettingsFile settings;
  settings.Write(Seeded("C:\\keep\\"));
  TProgramRun run;
  HWND main = run.MainWindow();
  ASSERT_NE(main, nullptr);
  AnswerPrompt(run, main, "C:\\keep\\", "C:\\ignored", IDCANCEL);
  AnswerPrompt(run, main, "C:\\keep\\", "", IDOK);
  CloseAndWait(run, main);
  EXPECT_NE(settings.Read().find("Dir=\\\r\n"), std::string::npos);
}

TEST(StartupTest, UnusableStoredPlacementsGiveTheFirstRunPlacement)
{
  for (const char* placement : {"X=10\r\nY=10\r\nW=600\r\nH=0\r\n", "X=-30000\r\nY=20\r\nW=600\r\nH=400\r\n"}) {
    SCOPED_TRACE(placement);
    TSettingsFile settings;
    settings.Write(Seeded("C:\\out\\", placement));
    TProgramRun run;
    HWND main = run.MainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(WindowRect(main), TRect(0, 0, 530, 360));
    CloseAndWait(run, main);
    EXPECT_NE(settings.Read().find("X=0\r\nY=0\r\nW=530\r\nH=360\r\n"), std::string::npos);
  }
}

TEST(StartupTest, AStoredDirectoryWithoutItsBackslashIsWrittenBackAsStored)
{
  char temp[MAX_PATH];
  ::GetTempPathA(sizeof temp, temp);
  std::string folder = temp;
  folder.pop_back();  // an existing folder, named without its backslash
  for (const std::string& dir : {folder, std::string("C:\\no such folder")}) {
    TSettingsFile settings;
    settings.Write(Seeded(dir));
    TProgramRun run;
    HWND main = run.MainWindow();
    ASSERT_NE(main, nullptr);
    CloseAndWait(run, main);
    EXPECT_NE(settings.Read().find("Dir=" + dir + "\r\n"), std::string::npos) << settings.Read();
  }
}

TEST(StartupTest, ADirectoryTooLongToHoldIsAskedForAgainAndNeverWrittenBackCut)
{
  TSettingsFile settings;
  settings.Write(Seeded("C:\\" + std::string(300, 'd') + "\\"));
  TProgramRun run;
  HWND prompt = run.WaitForWindow(PromptCaption);
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(DialogItemText(prompt, PromptEdit), "A:\\");
  ::SetDlgItemTextA(prompt, PromptEdit, "C:\\new");
  ::PostMessageA(prompt, WM_COMMAND, IDOK, 0);
  HWND main = run.MainWindow();
  ASSERT_NE(main, nullptr);
  CloseAndWait(run, main);
  EXPECT_NE(settings.Read().find("Dir=C:\\new\\\r\n"), std::string::npos) << settings.Read();
}

TEST(StartupTest, SettingsThatCannotBeSavedAreReportedAndTheProgramStillCloses)
{
  TSettingsFile settings;
  const std::string stored = Seeded("C:\\out\\");
  settings.Write(stored);
  TProgramRun run;
  HWND main = run.MainWindow();
  ASSERT_NE(main, nullptr);
  // Held by another program from now on, shared with nobody.
  const HANDLE lock = ::CreateFileA(SettingsFilePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  ::MoveWindow(main, 50, 60, 500, 300, TRUE);
  ::PostMessageA(main, WM_CLOSE, 0, 0);
  HWND box = run.WaitForWindow("エラー", 20000, "#32770");
  const std::string text = box ? DialogItemText(box, 0xFFFF) : "";
  if (box)
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  const DWORD exitCode = run.WaitForExit();
  ::CloseHandle(lock);
  EXPECT_NE(text.find("velmo32.ini"), std::string::npos) << text;
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(settings.Read(), stored);
}

TEST(StartupTest, AboutBoxShowsProductVersionAndLegalNotice)
{
  TSettingsFile settings;
  settings.Write(Seeded("C:\\out\\"));
  TProgramRun run;
  HWND main = run.MainWindow();
  ASSERT_NE(main, nullptr);
  run.Command(main, 2009);
  HWND about = run.WaitForWindow(AboutCaption);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(DialogItemText(about, 22001), "velmo32 Version 1.50");
  EXPECT_NE(DialogItemText(about, 22002).find("The Velmo developers"), std::string::npos);
  EXPECT_EQ(DialogItemText(about, 22003), "");
  // Centred on the full-screen area.
  const TRect box = WindowRect(about);
  EXPECT_EQ(box.left, ::GetSystemMetrics(SM_CXFULLSCREEN) / 2 - box.Width() / 2);
  EXPECT_EQ(box.top, ::GetSystemMetrics(SM_CYFULLSCREEN) / 2 - box.Height() / 2);
  ::PostMessageA(about, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return !::IsWindow(about); }));
  CloseAndWait(run, main);
}

TEST(StartupTest, MenuBarCarriesTheJapanesePopups)
{
  TSettingsFile settings;
  settings.Write(Seeded("C:\\out\\"));
  TProgramRun run;
  HWND main = run.MainWindow();
  ASSERT_NE(main, nullptr);
  char caption[64] = "";
  ::GetWindowTextA(main, caption, sizeof caption);
  EXPECT_STREQ(caption, "Velmo Win32");
  // Menus belong to their process; their texts are checked byte for byte by the
  // resource tests, here only that the bar is there and takes room.
  EXPECT_NE(::GetMenu(main), nullptr);
  RECT client{};
  ::GetClientRect(main, &client);
  const TRect frame = WindowRect(main);
  EXPECT_GE(frame.Height() - client.bottom, ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYMENU));
  CloseAndWait(run, main);
}

}  // namespace
