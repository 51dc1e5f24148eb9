#include "framework/dialogs/commondialog.h"

TCommonDialog::TCommonDialog(TWindow* parent, const char* title, TModule* module)
  : TDialog(parent, 0, module), CommonTitle(title)
{
}

HWND TCommonDialog::DoCreate()
{
  return nullptr;
}

int TCommonDialog::DoExecute()
{
  return IDCANCEL;
}

void TCommonDialog::SetupWindow()
{
  TDialog::SetupWindow();
  if (CommonTitle)
    SetCaption(CommonTitle);
}

void TCommonDialog::EvClose()
{
  DefaultProcessing();
}

void TCommonDialog::CmOk()
{
  DefaultProcessing();
}

void TCommonDialog::CmCancel()
{
  DefaultProcessing();
}

// clang-format off
DEFINE_RESPONSE_TABLE1(TCommonDialog, TDialog)
  EV_WM_CLOSE,
  EV_COMMAND(IDOK, CmOk),
  EV_COMMAND(IDCANCEL, CmCancel),
END_RESPONSE_TABLE;
// clang-format on
