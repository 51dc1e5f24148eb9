#include "app/frame/aboutdlg.h"
#include "app/support/rcversion.h"
#include "resources/resource.h"

#include <cstdio>

namespace {

const int TextLimit = 255;

}  // namespace

velmoAboutDlg::velmoAboutDlg(TWindow* parent, TResId resId, TModule* module)
  : TWindow(parent, nullptr, module), TDialog(parent, resId, module)
{
  Version = new TStatic(this, IDC_VERSION, TextLimit);
  LegalNotice = new TStatic(this, IDC_LEGALNOTICE, TextLimit);
  SpecialBuild = new TStatic(this, IDC_SPECIALBUILD, TextLimit);
}

void velmoAboutDlg::SetupWindow()
{
  TDialog::SetupWindow();
  ProjectRCVersion version(*GetModule());

  const char* productName = nullptr;
  const char* productVersion = nullptr;
  if (version.GetProductName(productName) && version.GetProductVersion(productVersion)) {
    char label[128];
    ::GetWindowTextA(*Version, label, sizeof label);
    char line[512];
    std::snprintf(line, sizeof line, "%s %s %s", productName, label, productVersion);
    ::SetWindowTextA(*Version, line);
  }
  const char* text = nullptr;
  if (version.GetLegalNotice(text))
    ::SetWindowTextA(*LegalNotice, text);
  if (version.GetSpecialBuild(text))
    ::SetWindowTextA(*SpecialBuild, text);

  const TRect box = GetWindowRect();
  ::MoveWindow(Handle, ::GetSystemMetrics(SM_CXFULLSCREEN) / 2 - box.Width() / 2,
               ::GetSystemMetrics(SM_CYFULLSCREEN) / 2 - box.Height() / 2, box.Width(), box.Height(), TRUE);
}
