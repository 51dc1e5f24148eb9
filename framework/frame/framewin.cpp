#include "framework/frame/framewin.h"
#include "framework/app/application.h"
#include "framework/base/dupstring.h"
#include "graphics/dc.h"

#include <cstring>
#include <optional>
#include <string>

namespace {

// The styles of a client window made with a frame of its own.
constexpr DWORD ClientFrameStyles = WS_POPUP | WS_DLGFRAME | WS_THICKFRAME;

// Visible, enabled child windows take the focus.
bool IsFocusCandidate(HWND hwnd)
{
  const DWORD style = static_cast<DWORD>(::GetWindowLongA(hwnd, GWL_STYLE));
  return (style & (WS_CHILD | WS_VISIBLE | WS_DISABLED)) == (WS_CHILD | WS_VISIBLE);
}

TWindow* FirstTabStop(TWindow* parent)
{
  for (TWindow* child : parent->Children()) {
    if (!child->GetHandle() || !IsFocusCandidate(child->GetHandle()))
      continue;
    if (::GetWindowLongA(child->GetHandle(), GWL_STYLE) & WS_TABSTOP)
      return child;
    if (TWindow* inner = FirstTabStop(child))
      return inner;
  }
  return nullptr;
}

// One bit per menu-bar item that is neither greyed nor disabled.
unsigned EnabledMask(HMENU menu)
{
  unsigned mask = 0;
  const int count = ::GetMenuItemCount(menu);
  for (int i = 0; i < count && i < 32; ++i) {
    const UINT state = ::GetMenuState(menu, i, MF_BYPOSITION);
    if (state != 0xFFFFFFFFu && !(state & (MF_GRAYED | MF_DISABLED)))
      mask |= 1u << i;
  }
  return mask;
}

HICON DefaultIcon()
{
  static const HICON icon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512) /* IDI_APPLICATION */);
  return icon;
}

// Clears the client's in-progress mark however ResizeClientWindow ends.
class TResizeInProgress {
public:
  explicit TResizeInProgress(TWindow* client) : Client(client) { Client->SetFlag(wfClientResizing); }
  ~TResizeInProgress() { Client->ClearFlag(wfClientResizing); }
  TResizeInProgress(const TResizeInProgress&) = delete;
  TResizeInProgress& operator=(const TResizeInProgress&) = delete;

private:
  TWindow* Client;
};

}  // namespace

// ------------------------------------------------------------ construction

TFrameWindow::TFrameWindow(TWindow* parent, const char* title, TWindow* clientWnd, bool shrinkToClient, TModule* module)
{
  TWindow::Init(parent, title, module);
  Init(clientWnd, shrinkToClient);
}

void TFrameWindow::Init(TWindow* clientWnd, bool shrinkToClient)
{
  if (FrameInitialized)
    return;
  FrameInitialized = true;
  Attributes.Style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  Attributes.X = Attributes.W = CW_USEDEFAULT;
  if (shrinkToClient)
    SetFlag(wfShrinkToClient);
  IconModule = GlobalModule;
  IconId = TResId(32000);
  AdoptClient(clientWnd);
}

void TFrameWindow::AdoptClient(TWindow* clientWnd)
{
  ClientWnd = clientWnd;
  if (!clientWnd)
    return;
  Attributes.Style |= WS_CLIPCHILDREN;
  clientWnd->SetParent(this);
  clientWnd->SetFlag(wfAutoCreate);
  BkgndColor = Transparent;  // never erase what the client covers
}

// -------------------------------------------------------------------- menus

bool TFrameWindow::AssignMenu(TResId menuResId)
{
  const char* id = menuResId;
  const bool same = id == Attributes.Menu || (TResId::IsResourceName(id) && TResId::IsResourceName(Attributes.Menu) &&
                                              std::strcmp(id, Attributes.Menu) == 0);
  if (!same) {
    FreeResId(Attributes.Menu);
    Attributes.Menu = DupResId(id);
  }
  if (!Handle)
    return true;
  HMENU old = ::GetMenu(Handle);
  HMENU menu = ::LoadMenuA(*Module, Attributes.Menu);
  if (!menu)
    return false;
  if (!SetMenu(menu)) {
    ::DestroyMenu(menu);
    return false;
  }
  if (old)
    ::DestroyMenu(old);
  return true;
}

bool TFrameWindow::SetMenu(HMENU newMenu)
{
  if (IsFlagSet(wfMainWindow) && Application)
    Application->PreProcessMenu(newMenu);
  return ::SetMenu(Handle, newMenu) != FALSE;
}

void TFrameWindow::EvInitMenuPopup(HMENU hPopupMenu, unsigned index, bool sysMenu)
{
  if (sysMenu || !hPopupMenu)
    return;
  // The platform does not redraw the menu bar by itself; only a change of
  // enabled state makes it worth the flicker.
  const bool menuBar = ::GetMenu(Handle) == hPopupMenu;
  const unsigned before = menuBar ? EnabledMask(hPopupMenu) : 0;
  TWindow::EvInitMenuPopup(hPopupMenu, index, sysMenu);
  if (menuBar && EnabledMask(hPopupMenu) != before)
    ::DrawMenuBar(Handle);
}

bool TFrameWindow::IdleAction(long idleCount)
{
  if (idleCount == 0) {
    HMENU menu = Handle ? ::GetMenu(Handle) : nullptr;
    if (::GetFocus() && !(::GetWindowLongA(Handle, GWL_STYLE) & WS_CHILD) && ::IsMenu(menu))
      HandleMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    ForEach([](TWindow* child, void*) { child->IdleAction(0); });
  }
  return false;
}

// ------------------------------------------------------------------ commands

HWND TFrameWindow::GetCommandTarget()
{
  HWND focus = ::GetFocus();
  if (focus && ::IsChild(Handle, focus))
    return focus;
  if (RestoreFocus)
    return RestoreFocus;
  if (ClientWnd)
    return ClientWnd->GetHandle();
  return Handle;
}

LRESULT TFrameWindow::EvCommand(unsigned id, HWND hWndCtl, unsigned notifyCode)
{
  if (!hWndCtl) {
    // The nearest object on the way up from the command target takes it; it
    // passes the command on up to the frame and the application.
    for (HWND hwnd = GetCommandTarget(); hwnd && hwnd != Handle; hwnd = ::GetParent(hwnd))
      if (TWindow* target = GetWindowPtr(hwnd, Application))
        return target->EvCommand(id, nullptr, notifyCode);
  }
  return TWindow::EvCommand(id, hWndCtl, notifyCode);
}

void TFrameWindow::EvCommandEnable(TCommandEnabler& commandEnabler)
{
  RouteCommandEnable(GetCommandTarget(), commandEnabler);
}

bool TFrameWindow::PreProcessMsg(MSG& msg)
{
  if (TWindow::PreProcessMsg(msg))
    return true;
  if (!KeyboardHandling || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST)
    return false;
  HWND dialog = ::GetParent(msg.hwnd);
  char className[16] = "";
  if (dialog && ::GetClassNameA(dialog, className, sizeof className) && ::lstrcmpiA(className, "COMBOBOX") == 0)
    dialog = ::GetParent(dialog);  // the edit of a combo box belongs to the combo's parent
  // A key the dialog manager does not take goes on to the window.
  return dialog && ::IsDialogMessageA(dialog, &msg);
}

// --------------------------------------------------------------------- focus

bool TFrameWindow::HoldFocus(HWND losingFocus, HWND gainingFocus)
{
  if (::IsChild(Handle, losingFocus)) {
    if (!::IsChild(Handle, gainingFocus))
      RestoreFocus = losingFocus;
    return true;
  }
  return losingFocus == Handle;
}

void TFrameWindow::EvSetFocus(HWND hWndLostFocus)
{
  DefaultProcessing();
  if (!RestoreFocus) {
    TWindow* target = FocusTarget();
    if (target && target->GetHandle() != hWndLostFocus)
      ::SetFocus(target->GetHandle());
  } else {
    HWND restore = RestoreFocus;
    RestoreFocus = nullptr;
    if (::IsWindow(restore))
      ::SetFocus(restore);
  }
}

TWindow* TFrameWindow::FocusTarget()
{
  if (TWindow* tabStop = FirstTabStop(this))
    return tabStop;
  return FirstThat([](TWindow* child, void*) { return child->GetHandle() && IsFocusCandidate(child->GetHandle()); });
}

// -------------------------------------------------------------- the client

TWindow* TFrameWindow::SetClientWindow(TWindow* clientWnd)
{
  TWindow* old = ClientWnd;
  if (old)
    RemoveChild(old);
  ClientWnd = clientWnd;
  if (!clientWnd) {
    BkgndColor = NoErase;
  } else {
    clientWnd->SetParent(this);
    if (Handle && !clientWnd->GetHandle())
      clientWnd->Create();
    else if (!clientWnd->GetHandle())
      clientWnd->SetFlag(wfAutoCreate);  // created with the frame
    clientWnd->Show(SW_SHOWNORMAL);
    BkgndColor = Transparent;
    ResizeClientWindow(true);
  }
  if (Handle)
    ::SetFocus(clientWnd && clientWnd->GetHandle() ? clientWnd->GetHandle() : Handle);
  return old;
}

void TFrameWindow::RemoveChild(TWindow* child)
{
  TWindow::RemoveChild(child);
  if (!child)
    return;
  if (child == ClientWnd)
    ClientWnd = nullptr;
  if (child->GetHandle() && child->GetHandle() == RestoreFocus)
    RestoreFocus = nullptr;
}

bool TFrameWindow::ResizeClientWindow(bool redraw)
{
  if (!ClientWnd)
    return false;
  if (ClientWnd->IsFlagSet(wfClientResizing))
    return true;  // already under way further up the stack
  if (!Handle || !ClientWnd->GetHandle())
    return false;
  TResizeInProgress inProgress(ClientWnd);

  const TSize frameSize = GetClientRect().Size();
  TSize clientSize = ClientWnd->GetWindowRect().Size();
  std::optional<TSize> measured;
  const TWindowAttributes& attributes = ClientWnd->Attributes;
  if ((attributes.Style & ClientFrameStyles) || (attributes.ExStyle & WS_EX_DLGMODALFRAME))
    measured = AdoptFramedClient();
  const bool bordered = attributes.Style & WS_BORDER;
  if (measured)
    clientSize = *measured;
  else if (bordered)
    clientSize = ClientWnd->GetClientRect().Size();

  bool resized = false;
  if (clientSize != frameSize) {
    if (IsFlagSet(wfShrinkToClient))
      FitFrameAround(clientSize, frameSize, redraw);
    else
      resized = true;
  }
  if (::GetWindowLongA(Handle, GWL_STYLE) & WS_THICKFRAME)
    ClearFlag(wfShrinkToClient);  // fitted once; from now on the user sizes the frame

  // A bordered client's border lies just outside the visible area.
  const TSize area = GetClientRect().Size();
  const int bx = bordered ? ::GetSystemMetrics(SM_CXBORDER) : 0;
  const int by = bordered ? ::GetSystemMetrics(SM_CYBORDER) : 0;
  ::MoveWindow(ClientWnd->GetHandle(), -bx, -by, area.cx + 2 * bx, area.cy + 2 * by, redraw);
  return resized;
}

// A client made with a frame of its own becomes a plain bordered child of the
// frame. When the frame shrinks to the client, returns the client's area
// without scroll bars, which come back when the client still needs them.
std::optional<TSize> TFrameWindow::AdoptFramedClient()
{
  HWND client = ClientWnd->GetHandle();
  std::optional<TSize> measured;
  if (IsFlagSet(wfShrinkToClient)) {
    const TSize withBars = ClientWnd->GetClientRect().Size();
    ::ShowScrollBar(client, SB_BOTH, FALSE);
    measured = ClientWnd->GetClientRect().Size();
    const bool wider = measured->cx != withBars.cx;
    const bool taller = measured->cy != withBars.cy;
    if (wider || taller)
      ::ShowScrollBar(client, wider && taller ? SB_BOTH : wider ? SB_VERT : SB_HORZ, TRUE);
  }
  TWindowAttributes& attributes = ClientWnd->Attributes;
  const bool wasPopup = attributes.Style & WS_POPUP;
  attributes.Style = (attributes.Style & ~ClientFrameStyles) | WS_CHILD | WS_VISIBLE | WS_BORDER;
  ::SetWindowLongA(client, GWL_STYLE, static_cast<LONG>(attributes.Style));
  if (wasPopup)
    ::SetParent(client, Handle);
  attributes.ExStyle &= ~WS_EX_DLGMODALFRAME;
  ::SetWindowLongA(client, GWL_EXSTYLE, static_cast<LONG>(attributes.ExStyle));
  return measured;
}

// Sizes the frame so that its client area is clientSize, where it is
// frameSize now; its top left corner stays.
void TFrameWindow::FitFrameAround(const TSize& clientSize, const TSize& frameSize, bool redraw)
{
  TRect outer = GetWindowRect();
  POINT origin{outer.left, outer.top};
  if ((::GetWindowLongA(Handle, GWL_STYLE) & WS_CHILD) && ::GetParent(Handle))
    ::ScreenToClient(::GetParent(Handle), &origin);
  ::MoveWindow(Handle, origin.x, origin.y, outer.Width() + clientSize.cx - frameSize.cx,
               outer.Height() + clientSize.cy - frameSize.cy, redraw);
}

void TFrameWindow::EvSize(unsigned sizeType, const TSize& size)
{
  TWindow::EvSize(sizeType, size);
  if (!ClientWnd || !ClientWnd->GetHandle())
    return;
  const bool resized = sizeType != SIZE_MINIMIZED && ResizeClientWindow(true);
  if (!resized) {
    // The client keeps its size but still hears of the change.
    const TSize area = ClientWnd->GetClientRect().Size();
    ClientWnd->HandleMessage(WM_SIZE, sizeType, MAKELPARAM(area.cx, area.cy));
  }
}

void TFrameWindow::EvParentNotify(WPARAM event, LPARAM child)
{
  const HWND childHandle = reinterpret_cast<HWND>(child);
  const bool fromClient = ClientWnd && childHandle && childHandle == ClientWnd->GetHandle();
  switch (LOWORD(event)) {
  case WM_DESTROY:
    if (fromClient)
      ::PostMessageA(Handle, WM_CLOSE, 0, 0);  // a frame whose client dies closes
    if (TWindow* object = GetWindowPtr(childHandle, Application))
      object->ClearFlag(wfFullyCreated);
    break;
  case WM_SIZE:
    if (fromClient && IsFlagSet(wfShrinkToClient) && !::IsIconic(Handle))
      ResizeClientWindow(true);
    break;
  default:
    break;
  }
  DefaultProcessing();
}

void TFrameWindow::EvEnterIdle(WPARAM source, LPARAM)
{
  // Modal dialogs keep the frame's command enabling alive.
  if (source == MSGF_DIALOGBOX && IsFlagSet(wfMainWindow))
    IdleAction(0);
  DefaultProcessing();
}

void TFrameWindow::SetupWindow()
{
  TWindow::SetupWindow();
  ResizeClientWindow(true);
  if (MinimizedPos != TPoint(-1, -1)) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    ::GetWindowPlacement(Handle, &placement);
    placement.flags = WPF_SETMINPOSITION;
    placement.showCmd = SW_SHOWNA;
    placement.ptMinPosition = MinimizedPos;
    ::SetWindowPlacement(Handle, &placement);
  }
  if (!RestoreFocus) {
    TWindow* target = FocusTarget();
    RestoreFocus = target ? target->GetHandle() : Handle;
  }
}

// ---------------------------------------------------------- minimised frame

bool TFrameWindow::SetIcon(TModule* iconModule, TResId iconId)
{
  IconModule = iconModule;
  IconId = iconId;
  return true;
}

HICON TFrameWindow::MinimizedIcon() const
{
  HICON icon = ::LoadIconA(IconModule ? IconModule->GetInstance() : nullptr, IconId);
  return icon ? icon : DefaultIcon();
}

void TFrameWindow::EvPaint()
{
  if (!::IsIconic(Handle) || (IconId.IsNull() && !ClientWnd)) {
    TWindow::EvPaint();
    return;
  }
  TPaintDC dc(Handle);
  if (IconId.IsNull()) {
    TRect rect(dc.Ps.rcPaint);
    ClientWnd->Paint(dc, dc.Ps.fErase != 0, rect);
  } else {
    ::DrawIcon(dc, 0, 0, MinimizedIcon());
  }
}

bool TFrameWindow::EvEraseBkgnd(HDC dc)
{
  if (!::IsIconic(Handle))
    return TWindow::EvEraseBkgnd(dc);
  if (IconId.IsNull() && ClientWnd)
    return ClientWnd->HandleMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc)) != 0;
  HandleMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
  return true;
}

HICON TFrameWindow::EvQueryDragIcon()
{
  if (IconId.IsNull())
    return reinterpret_cast<HICON>(DefaultProcessing());
  return MinimizedIcon();
}

// ------------------------------------------------------------------- caption

bool TFrameWindow::SetDocTitle(const char* docName, int index)
{
  if (index >= 0) {
    std::string text;
    if (Title && !Title->empty())
      text = *Title + " - ";
    text += docName ? docName : "";
    if (index > 0)
      text += ":" + std::to_string(index);
    ::SetWindowTextA(Handle, text.c_str());
  }
  return true;
}

// clang-format off
DEFINE_RESPONSE_TABLE1(TFrameWindow, TWindow)
  EV_WM_PAINT,
  EV_WM_ERASEBKGND,
  EV_WM_QUERYDRAGICON,
  EV_WM_INITMENUPOPUP,
  EV_WM_SETFOCUS,
  EV_WM_SIZE,
  EV_WM_PARENTNOTIFY,
  EV_WM_ENTERIDLE,
END_RESPONSE_TABLE;
// clang-format on
