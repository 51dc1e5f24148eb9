// A one-line text prompt on the framework's own template: the caller's buffer
// is shown on entry, edited in place on OK and left unchanged on cancel.
#pragma once

#include "framework/dialogs/dialog.h"
#include "framework/dialogs/inputdialog.rh"

#include <string>

class TInputDialog : public TDialog {
public:
  // bufferSize counts the terminating NUL; at most bufferSize - 1 bytes can be typed.
  TInputDialog(TWindow* parent, const char* title, const char* prompt, char* buffer, int bufferSize,
               TModule* module = nullptr);

  void TransferData(TTransferDirection direction) override;

protected:
  void SetupWindow() override;

private:
  std::string Prompt;
  char* Buffer;  // the caller's
  int BufferSize;
};
