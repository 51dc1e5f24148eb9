#include "framework/dialogs/inputdialog.h"
#include "tests/dialogs/dialog_driver.h"
#include "tests/support/testapp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class TInputDialogTest : public testing::Test {
protected:
  TTestApp App;
};

HWND Edit(HWND box)
{
  return ::GetDlgItem(box, IDC_INPUTEDIT);
}

TEST_F(TInputDialogTest, EnterCopiesTheEditedTextIntoTheBuffer)
{
  char buffer[64] = "C:\\old\\";
  TInputDialog dialog(nullptr, "出力ﾃﾞｨﾚｸﾄﾘの変更", "Dir:", buffer, sizeof buffer);
  std::string caption, prompt, shown;
  TDialogDriver driver;
  driver.Then([&](HWND box) {
    caption = Drive::WindowText(box);
    prompt = Drive::WindowText(::GetDlgItem(box, IDC_INPUTPROMPT));
    shown = Drive::WindowText(Edit(box));
    ::SendMessageA(Edit(box), EM_SETSEL, 0, -1);
    Drive::PostChars(Edit(box), "D:\\\x83\x7C\\");
    Drive::PostKey(Edit(box), VK_RETURN);
    return true;
  });

  EXPECT_EQ(dialog.Execute(), IDOK);
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(caption, "\x8f\x6f\x97\xcd\xc3\xde\xa8\xda\xb8\xc4\xd8\x82\xcc\x95\xcf\x8d\x58");  // Shift-JIS bytes
  EXPECT_EQ(prompt, "Dir:");
  EXPECT_EQ(shown, "C:\\old\\");
  EXPECT_STREQ(buffer, "D:\\\x83\x7C\\");
}

TEST_F(TInputDialogTest, EscapeLeavesTheBufferUnchanged)
{
  char buffer[64] = "keep me";
  TInputDialog dialog(nullptr, "Title", "Prompt", buffer, sizeof buffer);
  std::string typed;
  TDialogDriver driver;
  driver
    .Then([&](HWND box) {
      ::SendMessageA(Edit(box), EM_SETSEL, 0, -1);
      Drive::PostChars(Edit(box), "changed");
      return true;
    })
    .Then([&](HWND box) {
      typed = Drive::WindowText(Edit(box));
      Drive::PostKey(Edit(box), VK_ESCAPE);
      return true;
    });

  EXPECT_EQ(dialog.Execute(), IDCANCEL);
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(typed, "changed");
  EXPECT_STREQ(buffer, "keep me");
}

TEST_F(TInputDialogTest, BufferOf255BytesTakesAtMost254TypedBytes)
{
  char buffer[255] = "";
  TInputDialog dialog(nullptr, "Title", "Prompt", buffer, sizeof buffer);
  LRESULT limit = 0;
  int length = 0;
  const std::string input(300, 'x');
  TDialogDriver driver;
  driver
    .Then([&](HWND box) {
      Drive::PostChars(Edit(box), input.c_str());
      return true;
    })
    .Then([&](HWND box) {
      limit = ::SendMessageA(Edit(box), EM_GETLIMITTEXT, 0, 0);
      length = ::GetWindowTextLengthA(Edit(box));
      Drive::PostKey(Edit(box), VK_RETURN);
      return true;
    });

  EXPECT_EQ(dialog.Execute(), IDOK);
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(limit, 254);
  EXPECT_EQ(length, 254);
  EXPECT_EQ(std::strlen(buffer), 254u);
  EXPECT_EQ(std::string(buffer), input.substr(0, 254));
}

}  // namespace
