#include "app/frame/velmoapp.h"
#include "app/frame/aboutdlg.h"
#include "app/frame/sdidecframe.h"
#include "resources/resource.h"

velmoApp::velmoApp() : TApplication("Velmo") {}

void velmoApp::InitMainWindow()
{
  auto* frame = new SDIDecFrame;
#ifdef VELMO_CUTS_ON_SCREEN_ONLY
  frame->KeepCutsOnScreen();
#endif
  if (CmdShow != SW_SHOWMINIMIZED)
    CmdShow = SW_SHOWNORMAL;
  frame->SetIcon(this, IDI_VELMO);
  SetMainWindow(frame);
}

void velmoApp::InitInstance()
{
  TApplication::InitInstance();
  // What was active before the frame showed (the first run's prompt, a message
  // box about the movie) is gone without handing the keyboard on: the frame
  // takes it, so that the keys work without a click first.
  const HWND frame = GetMainWindowHandle();
  if (frame && ::IsWindowVisible(frame) && !::IsIconic(frame)) {
    ::SetForegroundWindow(frame);
    ::SetFocus(frame);
  }
}

void velmoApp::CmAbout()
{
  velmoAboutDlg(GetMainWindow(), IDD_ABOUT).Execute();
}

// clang-format off
DEFINE_RESPONSE_TABLE1(velmoApp, TApplication)
  EV_COMMAND(CM_ABOUT, CmAbout),
END_RESPONSE_TABLE;
// clang-format on

int AppMain(int, char*[])
{
  velmoApp app;
  return app.Run();
}
