// The about box: product name, version and legal notice from the program's
// own version resource.
#pragma once

#include "framework/dialogs/dialog.h"
#include "framework/dialogs/static.h"

class velmoAboutDlg : public TDialog {
public:
  velmoAboutDlg(TWindow* parent, TResId resId, TModule* module = nullptr);

protected:
  void SetupWindow() override;

private:
  TStatic* Version;
  TStatic* LegalNotice;
  TStatic* SpecialBuild;
};
