// Base of the platform's common dialog boxes: the box runs its own buttons;
// the framework object is attached to it while it runs.
#pragma once

#include "framework/dialogs/dialog.h"

class TCommonDialog : public TDialog {
public:
  // title: the caller's text for the box's caption (null: the platform's).
  TCommonDialog(TWindow* parent, const char* title = nullptr, TModule* module = nullptr);

  // Common dialogs are modal only: no window to create.
  HWND DoCreate() override;
  int DoExecute() override;

protected:
  void SetupWindow() override;

  // The box answers these itself.
  void EvClose();
  void CmOk();
  void CmCancel();

  const char* CommonTitle;

  DECLARE_RESPONSE_TABLE(TCommonDialog);
};
