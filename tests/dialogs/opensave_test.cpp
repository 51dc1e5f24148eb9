#include "framework/dialogs/opensave.h"
#include "tests/dialogs/dialog_driver.h"
#include "tests/dialogs/dialog_tests.rh"
#include "tests/support/testapp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using TData = TOpenSaveDialog::TData;
using TTexts = std::vector<std::string>;

// The texts of a platform filter list, up to the empty text that ends it.
TTexts FilterTexts(const char* list)
{
  TTexts texts;
  for (; *list; list += std::strlen(list) + 1)
    texts.push_back(list);
  return texts;
}

TEST(TOpenSaveDataTest, BarFilterBecomesAListAndAListWithoutBarsIsKeptAsItIs)
{
  TData data(0, "AVIﾌｧｲﾙ (*.AVI)|*.AVI|");
  EXPECT_EQ(FilterTexts(data.Filter), (TTexts{"AVIﾌｧｲﾙ (*.AVI)", "*.AVI"}));

  // Without a final bar the list ends after the last text all the same.
  data.SetFilter("A|*.a");
  EXPECT_EQ(0, std::memcmp(data.Filter, "A\0*.a\0", 7));
  // An empty text ends the list, wherever the bars put it.
  data.SetFilter("A|*.a||B|*.b|");
  EXPECT_EQ(FilterTexts(data.Filter), (TTexts{"A", "*.a"}));

  static const char list[] = "Movies\0*.avi\0All\0*.*\0";  // ends in two NULs
  data.SetFilter(list);
  EXPECT_EQ(0, std::memcmp(data.Filter, list, sizeof list));

  // Null converts what is stored; no filter stays none.
  data.SetFilter(nullptr);
  EXPECT_EQ(0, std::memcmp(data.Filter, list, sizeof list));
  TData none;
  none.SetFilter(nullptr);
  EXPECT_EQ(none.Filter, nullptr);
}

TEST(TOpenSaveDataTest, DoubleByteCharacterWithABarAsSecondByteIsNoSeparator)
{
  ASSERT_EQ(::GetACP(), 932u);
  // "ポ" is 0x83 0x7C in code page 932.
  TData data(0, "\x83\x7C\x83\x7C (*.avi)|*.avi|");
  EXPECT_EQ(FilterTexts(data.Filter), (TTexts{"\x83\x7C\x83\x7C (*.avi)", "*.avi"}));

  // A list without bars is recognised as one even with such a character.
  static const char list[] = "\x83\x7C\0*.avi\0Other\0*.*\0";
  data.SetFilter(list);
  EXPECT_EQ(0, std::memcmp(data.Filter, list, sizeof list));
}

TEST(TOpenSaveDataTest, CopiesOwnTheirBuffersAndStartWithoutAnError)
{
  TData data(OFN_HIDEREADONLY, "A|*.a|", nullptr, "C:\\movies", "avi", 64);
  std::strcpy(data.FileName, "first.avi");
  data.Error = 5;

  TData copy(data);
  EXPECT_NE(copy.FileName, data.FileName);
  EXPECT_NE(copy.Filter, data.Filter);
  EXPECT_STREQ(copy.FileName, "first.avi");
  EXPECT_EQ(FilterTexts(copy.Filter), (TTexts{"A", "*.a"}));
  EXPECT_EQ(copy.MaxPath, 64);
  EXPECT_EQ(copy.Flags, static_cast<DWORD>(OFN_HIDEREADONLY));
  EXPECT_EQ(copy.Error, 0u);
  EXPECT_EQ(copy.InitialDir, data.InitialDir);  // the caller's text, not copied

  TData assigned;
  EXPECT_EQ(assigned.MaxPath, 260);
  assigned = data;
  std::strcpy(data.FileName, "changed.avi");
  data.SetFilter("B|*.b|");
  EXPECT_STREQ(assigned.FileName, "first.avi");
  EXPECT_EQ(FilterTexts(assigned.Filter), (TTexts{"A", "*.a"}));
  EXPECT_EQ(assigned.MaxPath, 64);
  EXPECT_EQ(assigned.Error, 0u);

  const TData& same = assigned;
  assigned = same;
  EXPECT_STREQ(assigned.FileName, "first.avi");
}

// Runs open and save boxes owned by a top-level window.
class TOpenSaveTest : public testing::Test {
protected:
  void SetUp() override
  {
    Owner = std::make_unique<TWindow>(nullptr, "owner");
    Owner->Attributes.Style = WS_OVERLAPPEDWINDOW;
    Owner->Create();
  }

  // A file name in the temporary directory, removed again by the test.
  std::string TempPath(const char* name)
  {
    char dir[MAX_PATH] = "";
    ::GetTempPathA(sizeof dir, dir);
    std::string path = std::string(dir) + name;
    ::DeleteFileA(path.c_str());
    Created.push_back(path);
    return path;
  }
  void TearDown() override
  {
    for (const std::string& path : Created)
      ::DeleteFileA(path.c_str());
  }

  TTestApp App;
  std::unique_ptr<TWindow> Owner;
  std::vector<std::string> Created;
};

// Types a path into the box's file-name field and confirms it.
TDialogDriver::TStep TypePathAndConfirm(const std::string& path)
{
  return [path](HWND box) {
    ::SetDlgItemTextA(box, 0x480 /* edt1 */, path.c_str());
    Drive::PressButton(box, IDOK);
    return true;
  };
}

TEST_F(TOpenSaveTest, DataWithMaximumPathZeroHandsTheBoxA260ByteBuffer)
{
  TData data;
  EXPECT_EQ(data.MaxPath, 260);
  EXPECT_STREQ(data.FileName, "");
  TFileOpenDialog dialog(Owner.get(), data);
  EXPECT_EQ(dialog.GetOfn().lpstrFile, data.FileName);
  EXPECT_EQ(dialog.GetOfn().nMaxFile, 260u);
  EXPECT_EQ(dialog.GetOfn().lStructSize, static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400A));
}

TEST_F(TOpenSaveTest, CancelledOpenBoxReturnsCancelWithoutErrorAndKeepsTheName)
{
  TData data(OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, "AVIﾌｧｲﾙ (*.AVI)|*.AVI|");
  std::strcpy(data.FileName, "keep.avi");
  data.Error = 7;
  TFileOpenDialog dialog(Owner.get(), data, 0, "Pick a movie");
  TWindow* attached = nullptr;
  std::string caption;
  TDialogDriver driver(Owner->GetHandle());
  driver.Then([&](HWND box) {
    attached = GetWindowPtr(box, &App);
    caption = Drive::WindowText(box);
    Drive::PressButton(box, IDCANCEL);
    return true;
  });

  EXPECT_EQ(dialog.Execute(), IDCANCEL);
  EXPECT_TRUE(driver.Finished());
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(data.Error, 0u);
  EXPECT_STREQ(data.FileName, "keep.avi");
  EXPECT_EQ(attached, &dialog);  // the hook bound the platform box to its object
  EXPECT_EQ(caption, "Pick a movie");
}

TEST_F(TOpenSaveTest, ConfirmedOpenBoxFillsTheFileNameAndReturnsTheBoxFlags)
{
  const std::string path = TempPath("velmo-open-test.avi");
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ::CloseHandle(file);

  TData data(OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, "AVIﾌｧｲﾙ (*.AVI)|*.AVI|");
  TFileOpenDialog dialog(Owner.get(), data);
  TDialogDriver driver(Owner->GetHandle());
  driver.Then(TypePathAndConfirm(path));

  EXPECT_EQ(dialog.Execute(), IDOK);
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(data.Error, 0u);
  EXPECT_STRCASEEQ(data.FileName, path.c_str());
  EXPECT_TRUE(data.Flags & OFN_ENABLEHOOK);
  EXPECT_TRUE(data.Flags & OFN_FILEMUSTEXIST);
}

TEST_F(TOpenSaveTest, ConfirmedSaveBoxFillsTheFileName)
{
  const std::string path = TempPath("velmo-save-test.bmp");
  TData data(OFN_HIDEREADONLY, "BMP|*.bmp|");
  TFileSaveDialog dialog(Owner.get(), data);
  TDialogDriver driver(Owner->GetHandle());
  driver.Then(TypePathAndConfirm(path));

  EXPECT_EQ(dialog.Execute(), IDOK);
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_STRCASEEQ(data.FileName, path.c_str());
}

TEST_F(TOpenSaveTest, BoxThatCannotBeMadeReportsItsErrorWithoutThrowing)
{
  TData data;
  TFileOpenDialog dialog(Owner.get(), data, IDD_MISSING);
  EXPECT_TRUE(dialog.GetOfn().Flags & OFN_ENABLETEMPLATE);
  TDialogDriver driver(Owner->GetHandle(), 2000);  // cancels a box that should not be there
  EXPECT_EQ(dialog.Execute(), IDCANCEL);
  EXPECT_EQ(data.Error, static_cast<DWORD>(CDERR_FINDRESFAILURE));
  EXPECT_FALSE(driver.TimedOut());
}

}  // namespace
