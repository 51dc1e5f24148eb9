// Static-text controls of dialog templates, bound to window objects so that
// the dialog's code can reach them.
#pragma once

#include "framework/window/control.h"

class TStatic : public TControl {
public:
  // textLimit: the size of a transfer buffer for the text, NUL included.
  TStatic(TWindow* parent, int resourceId, unsigned textLimit, TModule* module = nullptr);

  const char* GetClassName() override;
  // Reads (get) or writes (set) the text; static texts take no part in the
  // parent's data transfer unless the Transfer flag is set again.
  unsigned Transfer(void* buffer, TTransferDirection direction) override;

private:
  unsigned TextLimit;
};
