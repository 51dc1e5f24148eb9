#include "tests/dialogs/dialog_driver.h"
#include "tests/support/wait.h"

#include <string>

namespace {

TDialogDriver* Active = nullptr;

struct TSearch {
  HWND Owner;
  HWND Found;
};

BOOL CALLBACK MatchDialog(HWND hwnd, LPARAM arg)
{
  auto* search = reinterpret_cast<TSearch*>(arg);
  char className[16] = "";
  ::GetClassNameA(hwnd, className, sizeof className);
  if (std::string(className) == "#32770" && ::GetWindow(hwnd, GW_OWNER) == search->Owner) {
    search->Found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

TDialogDriver::TDialogDriver(HWND owner, int timeoutMs)
  : Owner(owner),
    Deadline(::GetTickCount() + static_cast<DWORD>(Scaled(timeoutMs))),
    Timer(::SetTimer(nullptr, 0, 20, &TDialogDriver::Tick))
{
  Active = this;
}

TDialogDriver::~TDialogDriver()
{
  ::KillTimer(nullptr, Timer);
  Active = nullptr;
}

TDialogDriver& TDialogDriver::Then(TStep step)
{
  Steps.push_back(std::move(step));
  return *this;
}

void CALLBACK TDialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD)
{
  if (Active)
    Active->Poll();
}

HWND TDialogDriver::FindDialog() const
{
  TSearch search{Owner, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

void TDialogDriver::Poll()
{
  HWND dialog = FindDialog();
  if (!dialog)
    return;
  if (static_cast<int>(::GetTickCount() - Deadline) > 0) {
    // First as the user would cancel, then, if that is ignored, outright.
    if (!Expired)
      ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    else
      ::EndDialog(dialog, IDCANCEL);
    Expired = true;
    return;
  }
  if (!Steps.empty() && Steps.front()(dialog))
    Steps.pop_front();
}

namespace Drive {

void PostKey(HWND window, UINT vk)
{
  const UINT scan = ::MapVirtualKeyA(vk, 0 /* MAPVK_VK_TO_VSC */);
  ::PostMessageA(window, WM_KEYDOWN, vk, 1 | (scan << 16));
  ::PostMessageA(window, WM_KEYUP, vk, 1 | (scan << 16) | 0xC0000000u);
}

void PostChars(HWND window, const char* text)
{
  for (const char* p = text; *p; ++p)
    ::PostMessageA(window, WM_CHAR, static_cast<unsigned char>(*p), 1);
}

void PressButton(HWND dialog, int id)
{
  ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

std::string WindowText(HWND window)
{
  char text[512] = "";
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

}  // namespace Drive
