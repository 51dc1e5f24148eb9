#include "framework/dialogs/inputdialog.h"

TInputDialog::TInputDialog(TWindow* parent, const char* title, const char* prompt, char* buffer, int bufferSize,
                           TModule* module)
  : TDialog(parent, IDD_INPUTDIALOG, module), Prompt(prompt ? prompt : ""), Buffer(buffer), BufferSize(bufferSize)
{
  SetCaption(title);  // shown by SetupWindow; the template has no caption
}

void TInputDialog::SetupWindow()
{
  TDialog::SetupWindow();
  ::SendDlgItemMessageA(Handle, IDC_INPUTEDIT, EM_LIMITTEXT, BufferSize > 1 ? BufferSize - 1 : 0, 0);
}

void TInputDialog::TransferData(TTransferDirection direction)
{
  switch (direction) {
  case tdSetData:
    ::SetDlgItemTextA(Handle, IDC_INPUTPROMPT, Prompt.c_str());
    ::SetDlgItemTextA(Handle, IDC_INPUTEDIT, Buffer ? Buffer : "");
    break;
  case tdGetData:
    if (Buffer && BufferSize > 0)
      ::GetDlgItemTextA(Handle, IDC_INPUTEDIT, Buffer, BufferSize);
    break;
  case tdSizeData:
    break;
  }
}
