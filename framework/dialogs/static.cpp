#include "framework/dialogs/static.h"

TStatic::TStatic(TWindow* parent, int resourceId, unsigned textLimit, TModule* module)
  : TControl(parent, resourceId, module), TextLimit(textLimit)
{
  ClearFlag(wfTransfer);
}

const char* TStatic::GetClassName()
{
  return "STATIC";
}

unsigned TStatic::Transfer(void* buffer, TTransferDirection direction)
{
  if (buffer && Handle) {
    if (direction == tdGetData)
      ::GetWindowTextA(Handle, static_cast<char*>(buffer), static_cast<int>(TextLimit));
    else if (direction == tdSetData)
      ::SetWindowTextA(Handle, static_cast<const char*>(buffer));
  }
  return TextLimit;
}
