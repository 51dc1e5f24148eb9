#include "framework/dialogs/dialog.h"
#include "framework/dialogs/static.h"
#include "tests/dialogs/dialog_driver.h"
#include "tests/dialogs/dialog_tests.rh"
#include "tests/support/testapp.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class TDialogTest : public testing::Test {
protected:
  TTestApp App;
};

// A dialog on the sample template that records what it went through.
class TSampleDialog : public TDialog {
public:
  explicit TSampleDialog(TResId templateId = IDD_SAMPLE) : TDialog(nullptr, templateId)
  {
    Text = new TStatic(this, IDC_SAMPLETEXT, 5);
  }

  TStatic* Text;
  bool BoundAtFirstFont = false;
  bool FontBeforeSetup = false;
  bool SetupRan = false;
  bool AllowClose = true;
  bool FailInSetup = false;
  LRESULT InitDataAnswer = 0;

protected:
  void SetupWindow() override
  {
    TDialog::SetupWindow();
    SetupRan = true;
    if (FailInSetup)
      throw xmsg("setup failed on purpose");
  }
  bool CanClose() override { return AllowClose && TDialog::CanClose(); }

  void EvSetFont(WPARAM, LPARAM)
  {
    if (SeenFont)
      return;
    SeenFont = true;
    BoundAtFirstFont = GetWindowPtr(Handle) == this;
    FontBeforeSetup = !SetupRan;
  }
  LRESULT EvInitData(WPARAM, LPARAM) { return InitDataAnswer; }
  LRESULT EvFail(WPARAM, LPARAM) { throw TXOutOfMemory(); }
  void CmOther() { CloseWindow(IDC_OTHER); }

private:
  bool SeenFont = false;

  DECLARE_RESPONSE_TABLE(TSampleDialog);
};

// clang-format off
DEFINE_RESPONSE_TABLE1(TSampleDialog, TDialog)
  EV_WM_SETFONT,
  EV_MESSAGE(WM_DIALOG_INIT_DATA, EvInitData),
  EV_MESSAGE(WM_APP, EvFail),
  EV_COMMAND(IDC_OTHER, CmOther),
END_RESPONSE_TABLE;
// clang-format on

std::string ComboText(HWND combo, int index)
{
  char text[64] = "";
  ::SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
  return text;
}

TEST_F(TDialogTest, ModalRunBindsTheObjectAtTheFirstMessageAndReturnsTheEndingId)
{
  TSampleDialog dialog;
  TWindow* boxObject = nullptr;
  TWindow* textObject = nullptr;
  std::string caption;
  char transferred[16] = "";
  TDialogDriver driver;
  driver.Then([&](HWND box) {
    boxObject = GetWindowPtr(box, &App);
    textObject = GetWindowPtr(::GetDlgItem(box, IDC_SAMPLETEXT));
    caption = Drive::WindowText(box);
    dialog.Text->Transfer(transferred, tdGetData);
    Drive::PressButton(box, IDC_OTHER);
    return true;
  });

  EXPECT_EQ(dialog.Execute(), IDC_OTHER);
  EXPECT_TRUE(driver.Finished());
  EXPECT_FALSE(driver.TimedOut());
  // The font arrives before WM_INITDIALOG, already bound to the object.
  EXPECT_TRUE(dialog.BoundAtFirstFont);
  EXPECT_TRUE(dialog.FontBeforeSetup);
  EXPECT_EQ(boxObject, &dialog);
  EXPECT_EQ(textObject, dialog.Text);
  EXPECT_EQ(caption, "Template caption");
  EXPECT_STREQ(transferred, "Samp");  // at most the text limit, NUL included
  EXPECT_EQ(dialog.GetHandle(), nullptr);
  EXPECT_EQ(dialog.Text->GetHandle(), nullptr);
}

TEST_F(TDialogTest, CaptionSetBeforeTheRunReplacesTheTemplatesAndEscapeCancels)
{
  TSampleDialog dialog;
  dialog.SetCaption("\x83\x7C Own caption");
  std::string caption;
  TDialogDriver driver;
  driver.Then([&](HWND box) {
    caption = Drive::WindowText(box);
    Drive::PostKey(::GetDlgItem(box, IDC_OTHER), VK_ESCAPE);
    return true;
  });

  EXPECT_EQ(dialog.Execute(), IDCANCEL);
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(caption, "\x83\x7C Own caption");
}

TEST_F(TDialogTest, TemplateInitialisationDataFillsControlsUnlessTheDialogAnswersItself)
{
  TSampleDialog dialog;
  LRESULT count = -1;
  std::string first, second;
  TDialogDriver driver;
  driver.Then([&](HWND box) {
    HWND combo = ::GetDlgItem(box, IDC_CHOICES);
    count = ::SendMessageA(combo, CB_GETCOUNT, 0, 0);
    first = ComboText(combo, 0);
    second = ComboText(combo, 1);
    Drive::PressButton(box, IDOK);
    return true;
  });
  EXPECT_EQ(dialog.Execute(), IDOK);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(first, "alpha");
  EXPECT_EQ(second, "beta");

  // The same object runs again; this time its own answer replaces the data.
  dialog.InitDataAnswer = 1;
  driver.Then([&](HWND box) {
    count = ::SendMessageA(::GetDlgItem(box, IDC_CHOICES), CB_GETCOUNT, 0, 0);
    Drive::PressButton(box, IDOK);
    return true;
  });
  EXPECT_EQ(dialog.Execute(), IDOK);
  EXPECT_EQ(count, 0);
  EXPECT_FALSE(driver.TimedOut());
}

TEST_F(TDialogTest, OkClosesOnlyWhenCanCloseAgrees)
{
  TSampleDialog dialog;
  dialog.AllowClose = false;
  bool openAfterRefusedOk = false;
  TDialogDriver driver;
  driver
    .Then([&](HWND box) {
      Drive::PressButton(box, IDOK);
      return true;
    })
    .Then([&](HWND box) {
      openAfterRefusedOk = ::IsWindow(box) != FALSE;
      dialog.AllowClose = true;
      Drive::PressButton(box, IDOK);
      return true;
    });

  EXPECT_EQ(dialog.Execute(), IDOK);
  EXPECT_TRUE(openAfterRefusedOk);
  EXPECT_TRUE(driver.Finished());
  EXPECT_FALSE(driver.TimedOut());
}

TEST_F(TDialogTest, ExceptionInsideAModalRunEndsItAndResurfacesFromExecute)
{
  TSampleDialog dialog;
  {
    TDialogDriver driver;
    driver.Then([&](HWND box) {
      ::SendMessageA(box, WM_APP, 0, 0);
      return true;
    });
    EXPECT_THROW(dialog.Execute(), TXOutOfMemory);
    EXPECT_FALSE(driver.TimedOut());  // the run ended without the driver's cancel
  }
  EXPECT_EQ(dialog.GetHandle(), nullptr);

  // A failure while the dialog sets itself up: the box never stays.
  dialog.FailInSetup = true;
  try {
    dialog.Execute();
    FAIL() << "no exception";
  } catch (xmsg& x) {
    EXPECT_EQ(x.why(), "setup failed on purpose");
  }
  EXPECT_EQ(dialog.GetHandle(), nullptr);
  EXPECT_NO_THROW(PumpMessages(App));  // nothing else was kept

  // The object runs normally afterwards.
  dialog.FailInSetup = false;
  TDialogDriver driver;
  driver.Then([&](HWND box) {
    Drive::PressButton(box, IDOK);
    return true;
  });
  EXPECT_EQ(dialog.Execute(), IDOK);
}

TEST_F(TDialogTest, MissingTemplateFailsExecuteAndCreateWithTheirIds)
{
  TSampleDialog modal(IDD_MISSING);
  try {
    modal.Execute();
    FAIL() << "no exception";
  } catch (TWindow::TXWindow& x) {
    EXPECT_EQ(x.ResId, 32746u);
    EXPECT_EQ(x.why(), "例外 #32746 (メッセージは用意されていません).");
    EXPECT_EQ(x.Window, nullptr);  // the caller owns the dialog object
  }

  TSampleDialog modeless(IDD_MISSING);
  try {
    modeless.Create();
    FAIL() << "no exception";
  } catch (TWindow::TXWindow& x) {
    EXPECT_EQ(x.ResId, 32747u);
  }
  EXPECT_EQ(modeless.GetHandle(), nullptr);
}

// A modeless dialog that reports its deletion.
class TModelessDialog : public TSampleDialog {
public:
  explicit TModelessDialog(bool& deleted) : Deleted(deleted) { SetFlag(wfDeleteOnClose); }
  ~TModelessDialog() override { Deleted = true; }

private:
  bool& Deleted;
};

TEST_F(TDialogTest, ModelessDialogTakesKeysFromTheApplicationLoopAndIsDeletedAfterClosing)
{
  bool deleted = false;
  auto* dialog = new TModelessDialog(deleted);
  ASSERT_TRUE(dialog->Create());
  HWND box = dialog->GetHandle();
  EXPECT_EQ(GetWindowPtr(box, &App), dialog);
  EXPECT_TRUE(dialog->IsFlagSet(wfFullyCreated));
  EXPECT_TRUE(dialog->SetupRan);

  // Enter reaches the dialog through PreProcessMsg and IsDialogMessageA.
  ::ShowWindow(box, SW_SHOW);
  Drive::PostKey(::GetDlgItem(box, IDC_CHOICES), VK_RETURN);
  EXPECT_TRUE(PumpUntil(
    App, [&] { return !::IsWindow(box); }, 3000));
  // The object goes with the deferred deletions after the next dispatched message.
  ::PostThreadMessageA(::GetCurrentThreadId(), WM_NULL, 0, 0);
  EXPECT_TRUE(PumpUntil(
    App, [&] { return deleted; }, 3000));
  if (!deleted)
    delete dialog;
}

}  // namespace
