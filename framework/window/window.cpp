#include "framework/window/window.h"
#include "framework/app/application.h"
#include "framework/app/cmdenable.h"
#include "framework/base/menu.h"
#include "graphics/dc.h"

#include <cstdio>
#include <string>
#include <typeinfo>

namespace {

// The window property that binds a platform window to its object.
const char ObjectProperty[] = "VelmoWindowObject";

// The object whose CreateWindowExA is in progress.
TWindow* CreatingWindow = nullptr;

// Message lookups per (most-derived class, message), including misses.
struct TCacheEntry {
  uintptr_t ClassKey;
  unsigned Msg;
  const TResponseEntry* Entry;
  ptrdiff_t Delta;  // from the window part to the class part that owns the entry
};
TCacheEntry DispatchCache[31];

std::string WindowErrorText(TWindow* window, unsigned resId)
{
  bool found = false;
  std::string format = ResourceIdToString(&found, resId);
  if (!found)
    return format;
  const char* title = window ? window->GetCaption() : nullptr;
  if (!title)
    title = "";
  char text[256];
  std::snprintf(text, sizeof text, format.c_str(), title);
  return text;
}

}  // namespace

// ---------------------------------------------------------------- exceptions

TWindow::TXWindow::TXWindow(TWindow* window, unsigned resId)
  : TXFramework(resId, WindowErrorText(window, resId)), Window(window)
{
}

int TWindow::TXWindow::Unhandled(TModule* app, unsigned promptId)
{
  if (Window) {
    TWindow* window = Window;
    Window = nullptr;
    window->Destroy(0);
    delete window;
  }
  return TXFramework::Unhandled(app, promptId);
}

// ------------------------------------------------------------ construction

TWindow::TWindow() = default;

TWindow::TWindow(TWindow* parent, const char* title, TModule* module)
{
  Init(parent, title, module);
}

TWindow::TWindow(HWND handle, TModule* module)
{
  InitAlias(handle, module);
}

void TWindow::Init(TWindow* parent, const char* title, TModule* module)
{
  if (Initialized)
    return;
  Initialized = true;
  Flags = wfDeleteOnClose;
  Parent = parent;
  if (parent) {
    parent->AddChild(this);
    Application = parent->Application;
    Module = module ? module : parent->Module;
  } else {
    Module = module;
    Application = dynamic_cast<TApplication*>(module);
    if (!Application)
      Application = GetApplicationObject();
    if (!Module)
      Module = Application;
  }
  if (title)
    Title = title;
  Flags |= wfAutoCreate;
  Attributes.Style = WS_CHILD | WS_VISIBLE;
}

void TWindow::InitAlias(HWND handle, TModule* module)
{
  TWindow* parent = GetWindowPtr(::GetParent(handle));
  Init(parent, nullptr, module);
  Handle = handle;
  ClearFlag(wfAutoCreate);
  SubclassWindowFunction();
  GetWindowTextTitle();
  GetHWndState();
  SetFlag(wfAlias | wfFullyCreated);
}

TWindow::~TWindow()
{
  ClearDispatchCache();
  while (TWindow* child = GetFirstChild()) {
    child->Destroy(0);
    delete child;  // its destructor unlinks it from this ring
  }
  if (Handle) {
    if (IsFlagSet(wfAlias)) {
      ::SetWindowLongPtrA(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PreviousProc));
      ::RemovePropA(Handle, ObjectProperty);
    } else {
      Destroy(0);
    }
  }
  if (Parent)
    Parent->RemoveChild(this);
  if (Application) {
    if (IsFlagSet(wfMainWindow))
      Application->ForgetMainWindow();
    Application->CancelDeferredDelete(this);
  }
  FreeResId(Attributes.Menu);
  FreeResId(Attributes.AccelTable);
  SetCursor(nullptr, TResId());
  // Messages of the destruction above were looked up while only the TWindow
  // part was left; none of those lookups may serve a live window of the class.
  ClearDispatchCache();
}

void TWindow::ClearDispatchCache()
{
  if (!ClassKey)
    return;
  for (TCacheEntry& entry : DispatchCache)
    if (entry.ClassKey == ClassKey)
      entry = TCacheEntry{};
}

int TWindow::CachedLookups(const std::type_info& windowClass)
{
  int count = 0;
  for (const TCacheEntry& entry : DispatchCache)
    count += entry.ClassKey == reinterpret_cast<uintptr_t>(&windowClass);
  return count;
}

// ------------------------------------------------------------------ binding

TWindow* GetWindowPtr(HWND hwnd, const TApplication* app)
{
  if (!hwnd)
    return nullptr;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid != ::GetCurrentProcessId())
    return nullptr;
  WNDPROC proc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
  return reinterpret_cast<TWindow*>(
    ::CallWindowProcA(proc, hwnd, GetWindowPtrMessage(), 0, reinterpret_cast<LPARAM>(app)));
}

LRESULT CALLBACK InitWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  TWindow* window = CreatingWindow;
  if (!window)
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  CreatingWindow = nullptr;
  window->Handle = hwnd;
  window->PreviousProc = ::DefWindowProcA;
  ::SetPropA(hwnd, ObjectProperty, window);
  ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWindow::ObjectWndProc));
  return TWindow::ObjectWndProc(hwnd, msg, wParam, lParam);
}

void TWindow::SubclassWindowFunction()
{
  DWORD pid = 0;
  ::GetWindowThreadProcessId(Handle, &pid);
  if (pid != ::GetCurrentProcessId())
    return;
  ::SetPropA(Handle, ObjectProperty, this);
  PreviousProc = reinterpret_cast<WNDPROC>(
    ::SetWindowLongPtrA(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWindow::ObjectWndProc)));
}

LRESULT CALLBACK TWindow::ObjectWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  TWindow* self = static_cast<TWindow*>(::GetPropA(hwnd, ObjectProperty));
  if (!self)
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == GetWindowPtrMessage()) {
    const bool mine = !lParam || reinterpret_cast<TApplication*>(lParam) == self->Application;
    return mine ? reinterpret_cast<LRESULT>(self) : 0;
  }
  TApplication* app = self->Application;
  try {
    return self->HandleMessage(msg, wParam, lParam);
  } catch (...) {
    app->SuspendCurrentException();
  }
  return msg == WM_CREATE ? -1 : 0;
}

// ----------------------------------------------------------------- creation

bool TWindow::Register()
{
  WNDCLASSA info;
  if ((::GetVersion() & 0x80000000u) && ::GetClassInfoA(nullptr, GetClassName(), &info))
    return true;
  if (::GetClassInfoA(*Module, GetClassName(), &info))
    return true;
  WNDCLASSA wndClass{};
  GetWindowClass(wndClass);
  return ::RegisterClassA(&wndClass) != 0;
}

void TWindow::GetWindowClass(WNDCLASSA& wndClass)
{
  wndClass.style = CS_DBLCLKS;
  wndClass.lpfnWndProc = InitWndProc;
  wndClass.cbClsExtra = 0;
  wndClass.cbWndExtra = 0;
  wndClass.hInstance = *Module;
  wndClass.hIcon = nullptr;
  wndClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
  wndClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wndClass.lpszMenuName = nullptr;
  wndClass.lpszClassName = GetClassName();
}

const char* TWindow::GetClassName()
{
  return "FrameworkWindow";
}

HWND TWindow::PerformCreate(HMENU menuOrId)
{
  return ::CreateWindowExA(Attributes.ExStyle, GetClassName(), GetCaption(), Attributes.Style, Attributes.X,
                           Attributes.Y, Attributes.W, Attributes.H, GetParentH(), menuOrId, *Module, Attributes.Param);
}

bool TWindow::Create()
{
  if (Handle)
    return true;
  ClearFlag(wfAutoCreate);
  HMENU menu = nullptr;
  if (!IsFlagSet(wfFromResource)) {
    if (!Register())
      throw TXWindow(this, IDS_REGISTERFAILED);
    CreatingWindow = this;
    if (Attributes.AccelTable && !AccelHandle)
      AccelHandle = ::LoadAcceleratorsA(*Module, Attributes.AccelTable);
    if (Attributes.Menu)
      menu = ::LoadMenuA(*Module, Attributes.Menu);
    HMENU menuOrId = menu ? menu : reinterpret_cast<HMENU>(static_cast<intptr_t>(Attributes.Id));
    Application->CallAndResume([&] {
      HWND created = PerformCreate(menuOrId);
      if (CreatingWindow == this)
        CreatingWindow = nullptr;
      if (created && !Handle)
        Handle = created;
    });
  } else {
    Handle = Parent ? ::GetDlgItem(Parent->Handle, Attributes.Id) : nullptr;
  }
  if (!Handle) {
    if (menu)
      ::DestroyMenu(menu);
    throw TXWindow(this, IDS_CREATEFAILED);
  }
  if (!GetWindowPtr(Handle)) {
    // A window of a predefined class: InitWndProc never saw it.
    GetWindowTextTitle();
    GetHWndState();
    SubclassWindowFunction();
    CreatingWindow = nullptr;
    SetFlag(wfPredefinedClass | wfFullyCreated);
    SetupWindow();
  }
  return true;
}

void TWindow::GetWindowTextTitle()
{
  if (IsFlagSet(wfKeepOwnCaption))
    return;
  const int length = ::GetWindowTextLengthA(Handle);
  std::string text(length > 0 ? length : 0, '\0');
  if (length > 0)
    text.resize(::GetWindowTextA(Handle, text.data(), length + 1));
  Title = std::move(text);
}

void TWindow::GetHWndState()
{
  RECT rect;
  ::GetWindowRect(Handle, &rect);
  const LONG style = ::GetWindowLongA(Handle, GWL_STYLE);
  if ((style & WS_CHILD) && ::GetParent(Handle))
    ::MapWindowPoints(nullptr, ::GetParent(Handle), reinterpret_cast<POINT*>(&rect), 2);
  Attributes.X = rect.left;
  Attributes.Y = rect.top;
  Attributes.W = rect.right - rect.left;
  Attributes.H = rect.bottom - rect.top;
  Attributes.Id = ::GetWindowLongA(Handle, GWL_ID);
  if (IsFlagSet(wfFromResource)) {
    Attributes.Style = style;
    Attributes.ExStyle = ::GetWindowLongA(Handle, GWL_EXSTYLE);
  }
}

void TWindow::SetupWindow()
{
  if (!CreateChildren())
    throw TXWindow(nullptr, IDS_CHILDCREATEFAILED);
  TransferData(tdSetData);
}

void TWindow::CleanupWindow() {}

bool TWindow::CreateChildren()
{
  for (TWindow* child : Children()) {
    if (!child->Handle && child->IsFlagSet(wfAutoCreate)) {
      if (!child->Create())
        return false;
      if (::IsIconic(child->Handle))
        child->SetCaption(child->GetCaption());
    }
  }
  HWND previous = HWND_TOP;
  for (unsigned rank = NumChildren(); rank >= 1; --rank) {
    for (TWindow* child : Children()) {
      if (child->ZOrder == rank && child->Handle) {
        ::SetWindowPos(child->Handle, previous, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
        previous = child->Handle;
        break;
      }
    }
  }
  return true;
}

// ----------------------------------------------------------------- children

void TWindow::AddChild(TWindow* child)
{
  if (!child)
    return;
  if (LastChild) {
    child->NextSibling = LastChild->NextSibling;
    LastChild->NextSibling = child;
  } else {
    child->NextSibling = child;
  }
  LastChild = child;
}

void TWindow::RemoveChild(TWindow* child)
{
  if (!LastChild || !child)
    return;
  TWindow* previous = LastChild;
  do {
    if (previous->NextSibling == child) {
      if (child == previous) {
        LastChild = nullptr;  // it was the only child
      } else {
        previous->NextSibling = child->NextSibling;
        if (LastChild == child)
          LastChild = previous;
      }
      child->NextSibling = nullptr;
      return;
    }
    previous = previous->NextSibling;
  } while (previous != LastChild);
}

void TWindow::SetParent(TWindow* newParent)
{
  if (Parent != newParent) {
    if (Parent)
      Parent->RemoveChild(this);
    NextSibling = nullptr;
    Parent = newParent;
    if (newParent)
      newParent->AddChild(this);
  }
  if (Handle && (!newParent || newParent->Handle)) {
    HWND target = newParent ? newParent->Handle : nullptr;
    if (::GetParent(Handle) != target)
      ::SetParent(Handle, target);
  }
}

void TWindow::ForEach(void (*action)(TWindow*, void*), void* arg)
{
  for (TWindow* child : Children())
    action(child, arg);
}

TWindow* TWindow::FirstThat(bool (*test)(TWindow*, void*), void* arg)
{
  for (TWindow* child : Children())
    if (test(child, arg))
      return child;
  return nullptr;
}

TWindow* TWindow::ChildWithId(int id) const
{
  for (TWindow* child : Children())
    if (child->Attributes.Id == id)
      return child;
  return nullptr;
}

unsigned TWindow::NumChildren() const
{
  unsigned count = 0;
  for ([[maybe_unused]] TWindow* child : Children())
    ++count;
  return count;
}

// ----------------------------------------------------------------- dispatch

LRESULT TWindow::Dispatch(TEventLookup& lookup, WPARAM wParam, LPARAM lParam)
{
  TApplication::TAppLock lock(Application);
  return TEventHandler::Dispatch(lookup, wParam, lParam);
}

LRESULT TWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
  TApplication::TCurrentEventScope scope(Application, {this, msg, wParam, lParam});
  return WindowProc(msg, wParam, lParam);
}

LRESULT TWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
  if (msg == WM_COMMAND_ENABLE) {
    EvCommandEnable(*reinterpret_cast<TCommandEnabler*>(lParam));
    return 0;
  }
  if (msg == WM_COMMAND)
    return EvCommand(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));

  if (!ClassKey)
    ClassKey = reinterpret_cast<uintptr_t>(&typeid(*this));
  TCacheEntry& cached = DispatchCache[(ClassKey ^ msg) % 31];
  TEventLookup lookup{msg, 0};
  if (cached.ClassKey == ClassKey && cached.Msg == msg) {
    if (cached.Entry) {
      lookup.Entry = cached.Entry;
      lookup.Object = reinterpret_cast<char*>(this) + cached.Delta;
      return Dispatch(lookup, wParam, lParam);
    }
  } else if (Find(lookup)) {
    cached = {ClassKey, msg, lookup.Entry, static_cast<char*>(lookup.Object) - reinterpret_cast<char*>(this)};
    return Dispatch(lookup, wParam, lParam);
  } else {
    cached = {ClassKey, msg, nullptr, 0};
  }

  if (IsFlagSet(wfMainWindow) && Application) {
    TEventLookup appLookup{msg, static_cast<unsigned>(wParam)};
    if (Application->Find(appLookup) || (appLookup.Id = 0, Application->Find(appLookup)))
      return Application->Dispatch(appLookup, wParam, lParam);
  }
  return DefWindowProc(msg, wParam, lParam);
}

LRESULT TWindow::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
  return Application->CallAndResume(
    [&] { return ::CallWindowProcA(PreviousProc ? PreviousProc : ::DefWindowProcA, Handle, msg, wParam, lParam); });
}

bool TWindow::DispatchCommand(TWindow* object, unsigned msg, unsigned id, WPARAM wParam, bool notify)
{
  TEventLookup lookup{msg, id};
  if (!object->Find(lookup, notify ? MatchNotification : nullptr))
    return false;
  object->Dispatch(lookup, wParam, 0);
  return true;
}

LRESULT TWindow::EvCommand(unsigned id, HWND hWndCtl, unsigned notifyCode)
{
  if (!hWndCtl) {
    if (DispatchCommand(this, 0, id, id, false))
      return 0;
    return DefaultProcessing();
  }
  if (TWindow* control = GetWindowPtr(hWndCtl)) {
    if (DispatchCommand(control, notifyCode, UINT_MAX, notifyCode, false))
      return 0;
    return control->DefaultProcessing();
  }
  if (id == 0)
    return DefaultProcessing();
  if (DispatchCommand(this, notifyCode, id, notifyCode, true))
    return 0;
  return DefaultProcessing();
}

LRESULT TWindow::DefaultProcessing()
{
  const TApplication::TCurrentEvent& event = Application->CurrentEvent;
  TWindow* receiver = event.Win;

  if (event.Message == WM_COMMAND_ENABLE) {
    if (receiver != this) {
      TWindow* next = Parent ? Parent : receiver;
      auto& enabler = *reinterpret_cast<TCommandEnabler*>(event.Param2);
      TEventLookup lookup{WM_COMMAND_ENABLE, enabler.Id};
      if (next->Find(lookup))
        return next->Dispatch(lookup, 0, event.Param2);
    }
    return 0;
  }

  if (event.Message != WM_COMMAND)
    return DefWindowProc(event.Message, event.Param1, event.Param2);

  const unsigned id = LOWORD(event.Param1);
  const unsigned notifyCode = HIWORD(event.Param1);
  const bool menuCommand = event.Param2 == 0;

  if (receiver == this) {
    if (menuCommand && Application) {
      TEventLookup lookup{0, id};
      if (Application->Find(lookup)) {
        Application->Dispatch(lookup, id, 0);
        return 0;
      }
    }
    return DefWindowProc(event.Message, event.Param1, event.Param2);
  }

  // Passed up from a descendant.
  TWindow* next;
  if (menuCommand) {
    next = Parent ? Parent : receiver;
    if (DispatchCommand(next, 0, id, id, false))
      return 0;
  } else {
    next = receiver;
    if (receiver->IsFlagSet(wfAlias) || id == 0)
      return receiver->DefWindowProc(event.Message, event.Param1, event.Param2);
    if (DispatchCommand(next, notifyCode, id, notifyCode, true))
      return 0;
  }
  return next->DefaultProcessing();
}

// --------------------------------------------------------- command enabling

void TWindow::EvCommandEnable(TCommandEnabler& commandEnabler)
{
  TEventLookup lookup{WM_COMMAND_ENABLE, commandEnabler.Id};
  if (Find(lookup))
    Dispatch(lookup, 0, reinterpret_cast<LPARAM>(&commandEnabler));
}

void TWindow::RouteCommandEnable(HWND hInitCmdTarget, TCommandEnabler& ce)
{
  const bool forMe = ce.IsReceiver(Handle);
  if (forMe) {
    for (HWND hwnd = hInitCmdTarget; hwnd && hwnd != Handle; hwnd = ::GetParent(hwnd)) {
      if (TWindow* window = GetWindowPtr(hwnd, Application)) {
        window->EvCommandEnable(ce);
        if (ce.GetHandled())
          return;
      }
    }
  }
  TWindow::EvCommandEnable(ce);

  if (!forMe || (ce.Flags & (TCommandEnabler::Handled | TCommandEnabler::NonSender)))
    return;

  // Default rule: available when some object on the route handles the command.
  bool available = false;
  for (HWND hwnd = hInitCmdTarget; hwnd && !available; hwnd = hwnd == Handle ? nullptr : ::GetParent(hwnd)) {
    if (TWindow* window = GetWindowPtr(hwnd, Application)) {
      TEventLookup lookup{0, ce.Id};
      available = window->Find(lookup);
    }
  }
  if (!available && Application) {
    TEventLookup enableLookup{WM_COMMAND_ENABLE, ce.Id};
    if (Application->Find(enableLookup)) {
      Application->Dispatch(enableLookup, 0, reinterpret_cast<LPARAM>(&ce));
      if (ce.GetHandled())
        return;
    }
    TEventLookup lookup{0, ce.Id};
    available = Application->Find(lookup);
  }
  ce.Enable(available);
}

void TWindow::EvInitMenuPopup(HMENU hPopupMenu, unsigned, bool sysMenu)
{
  if (sysMenu || !hPopupMenu)
    return;
  const bool menuBar = Handle && ::GetMenu(Handle) == hPopupMenu;
  TMenu popup(hPopupMenu);
  const int count = ::GetMenuItemCount(hPopupMenu);
  for (int i = 0; i < count; ++i) {
    const unsigned id = menuBar ? ::GetMenuItemID(hPopupMenu, i) : popup.GetMenuItemID(i);
    if (id == 0 || id == 0xFFFFFFFFu)
      continue;
    if (id == 32001 || id > 0xF000)
      break;
    TMenuItemEnabler enabler(hPopupMenu, id, Handle, i);
    EvCommandEnable(enabler);
  }
}

// ------------------------------------------------------- closing, destroying

bool TWindow::CanClose()
{
  return !FirstThat([](TWindow* child, void*) { return child->Handle && !child->CanClose(); });
}

void TWindow::CloseWindow(int retVal)
{
  const bool mayClose = IsFlagSet(wfMainWindow) && Application ? Application->CanClose() : CanClose();
  if (mayClose)
    Destroy(retVal);
}

void TWindow::Destroy(int)
{
  if (!Handle)
    return;
  ForEach([](TWindow* child, void*) {
    if (child->Handle)
      child->SetFlag(wfAutoCreate);
  });
  Application->CallAndResume([this] {
    if (::DestroyWindow(Handle))
      Handle = nullptr;
  });
}

void TWindow::ShutDownWindow(int retVal)
{
  Destroy(retVal);
  delete this;
}

// ------------------------------------------------------------- other calls

LRESULT TWindow::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
  return Application->CallAndResume([&] { return ::SendMessageA(Handle, msg, wParam, lParam); });
}

LRESULT TWindow::ForwardMessage(HWND target, bool send)
{
  if (!target)
    return 0;
  const TApplication::TCurrentEvent& event = Application->CurrentEvent;
  if (!send) {
    ::PostMessageA(target, event.Message, event.Param1, event.Param2);
    return 0;
  }
  return Application->CallAndResume([&] { return ::SendMessageA(target, event.Message, event.Param1, event.Param2); });
}

LRESULT TWindow::ForwardMessage(bool send)
{
  const TApplication::TCurrentEvent event = Application->CurrentEvent;
  if (send)
    return HandleMessage(event.Message, event.Param1, event.Param2);
  ::PostMessageA(Handle, event.Message, event.Param1, event.Param2);
  return 0;
}

void TWindow::ChildBroadcastMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
  for (HWND child = ::GetWindow(Handle, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    Application->CallAndResume([&] { ::SendMessageA(child, msg, wParam, lParam); });
}

void TWindow::SetCaption(const char* title)
{
  if (title)
    Title = std::string(title);  // a copy first: title may be our own text
  else if (Title)
    Title->clear();
  ClearFlag(wfKeepOwnCaption);
  if (Handle)
    ::SetWindowTextA(Handle, GetCaption());
}

bool TWindow::SetCursor(TModule* module, TResId id)
{
  if (module == CursorModule && static_cast<const char*>(id) == static_cast<const char*>(CursorId))
    return false;
  HCURSOR old = CursorModule ? CursorHandle : nullptr;  // only a module's cursor is ours to destroy
  CursorModule = module;
  CursorId = id;
  if (id.IsNull())
    CursorHandle = nullptr;
  else
    CursorHandle = ::LoadCursorA(module ? module->GetInstance() : nullptr, id);
  if (Handle && CursorHandle) {
    POINT point;
    ::GetCursorPos(&point);
    ::ScreenToClient(Handle, &point);
    if (GetClientRect().Contains(point))
      ::SetCursor(CursorHandle);
  }
  if (old)
    ::DestroyCursor(old);
  return true;
}

void TWindow::Show(int cmdShow)
{
  if (!Handle)
    return;
  if (cmdShow == SW_MINIMIZE)
    HandleMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  else
    ::ShowWindow(Handle, cmdShow);
}

void TWindow::ShowWindow(int cmdShow)
{
  ::ShowWindow(Handle, cmdShow);
}

void TWindow::EnableWindow(bool enable)
{
  ::EnableWindow(Handle, enable);
}

int TWindow::MessageBox(const char* text, const char* caption, unsigned type)
{
  return ::MessageBoxExA(Handle, text, caption, type, 0);
}

TRect TWindow::GetClientRect() const
{
  RECT rect{};
  ::GetClientRect(Handle, &rect);
  return rect;
}

TRect TWindow::GetWindowRect() const
{
  RECT rect{};
  ::GetWindowRect(Handle, &rect);
  return rect;
}

bool TWindow::PreProcessMsg(MSG& msg)
{
  return AccelHandle && ::TranslateAcceleratorA(Handle, AccelHandle, &msg);
}

bool TWindow::IdleAction(long)
{
  return false;
}

bool TWindow::HoldFocus(HWND, HWND)
{
  return false;
}

bool TWindow::SetDocTitle(const char* docName, int index)
{
  return Parent ? Parent->SetDocTitle(docName, index) : false;
}

void TWindow::Paint(TDC&, bool, TRect&) {}

unsigned TWindow::Transfer(void*, TTransferDirection)
{
  return 0;
}

void TWindow::TransferData(TTransferDirection direction)
{
  if (!TransferBuffer)
    return;
  struct TWalk {
    char* Buffer;
    TTransferDirection Direction;
  } walk{static_cast<char*>(TransferBuffer), direction};
  ForEach(
    [](TWindow* child, void* arg) {
      auto* w = static_cast<TWalk*>(arg);
      if (child->IsFlagSet(wfTransfer))
        w->Buffer += child->Transfer(w->Buffer, w->Direction);
    },
    &walk);
}

// ----------------------------------------------------- TWindow's own table

int TWindow::EvCreate(CREATESTRUCTA*)
{
  SetupWindow();
  SetFlag(wfFullyCreated);
  return static_cast<int>(DefaultProcessing());
}

void TWindow::EvClose()
{
  if (IsFlagSet(wfAlias)) {
    DefaultProcessing();
    return;
  }
  CloseWindow(0);
  if (!Handle && IsFlagSet(wfDeleteOnClose))
    Application->DeferDelete(this);
}

void TWindow::EvDestroy()
{
  ClearFlag(wfFullyCreated);
  CleanupWindow();
  if (!IsFlagSet(wfAlias) && IsFlagSet(wfMainWindow) && Application->IsRunning())
    ::PostQuitMessage(static_cast<int>(Application->GetStatus()));
  DefaultProcessing();
}

void TWindow::EvNCDestroy()
{
  // The window is gone afterwards even when default processing rethrows an
  // exception kept from an earlier message (a failed WM_CREATE, for one).
  struct TForget {
    TWindow* Window;
    ~TForget()
    {
      if (!Window->IsFlagSet(wfAlias))
        ::RemovePropA(Window->Handle, ObjectProperty);
      Window->Handle = nullptr;
    }
  } forget{this};
  DefaultProcessing();
}

bool TWindow::EvQueryEndSession()
{
  if (IsFlagSet(wfAlias))
    return DefaultProcessing() != 0;
  if (IsFlagSet(wfMainWindow))
    return Application->CanClose();
  return CanClose();
}

void TWindow::CmExit()
{
  if (IsFlagSet(wfMainWindow))
    CloseWindow(0);
  else
    DefaultProcessing();
}

void TWindow::EvSize(unsigned sizeType, const TSize&)
{
  if (sizeType == SIZE_RESTORED) {
    TRect rect = GetWindowRect();
    Attributes.W = rect.Width();
    Attributes.H = rect.Height();
  }
  if (!(::GetWindowLongA(Handle, GWL_EXSTYLE) & WS_EX_NOPARENTNOTIFY) && GetParentH())
    ::SendMessageA(GetParentH(), WM_PARENTNOTIFY, WM_SIZE, reinterpret_cast<LPARAM>(Handle));
  DefaultProcessing();
}

void TWindow::EvMove(const TPoint&)
{
  if (!::IsIconic(Handle) && !::IsZoomed(Handle)) {
    TRect rect = GetWindowRect();
    if ((::GetWindowLongA(Handle, GWL_STYLE) & WS_CHILD) && ::GetParent(Handle))
      ::MapWindowPoints(nullptr, ::GetParent(Handle), reinterpret_cast<POINT*>(&rect), 2);
    Attributes.X = rect.left;
    Attributes.Y = rect.top;
  }
  DefaultProcessing();
}

void TWindow::EvPaint()
{
  if (IsFlagSet(wfAlias)) {
    DefaultProcessing();
    return;
  }
  TPaintDC dc(Handle);
  TRect rect(dc.Ps.rcPaint);
  Paint(dc, dc.Ps.fErase != 0, rect);
}

bool TWindow::EvEraseBkgnd(HDC dc)
{
  if (BkgndColor == NoErase)
    return DefaultProcessing() != 0;
  if (BkgndColor == Transparent)
    return true;
  TRect client = GetClientRect();
  ::SetBkColor(dc, BkgndColor);
  ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
  return true;
}

bool TWindow::EvSetCursor(HWND hWndCursor, unsigned hitTest, unsigned)
{
  if (hWndCursor == Handle && hitTest == HTCLIENT && CursorHandle) {
    ::SetCursor(CursorHandle);
    return true;
  }
  return DefaultProcessing() != 0;
}

void TWindow::EvKillFocus(HWND hWndGetFocus)
{
  if (IsFlagSet(wfFullyCreated)) {
    for (TWindow* holder = Parent; holder; holder = holder->Parent)
      if (holder->HoldFocus(Handle, hWndGetFocus))
        break;
  }
  DefaultProcessing();
}

// The WM_CTLCOLOR... family reaches a single WM_CTLCOLOR entry, when there is one,
// as (hdc, control, control type).
LRESULT TWindow::EvCtlColorFamily(WPARAM dc, LPARAM control)
{
  const TApplication::TCurrentEvent& event = Application->CurrentEvent;
  TEventLookup lookup{WM_CTLCOLOR, 0};
  if (!Find(lookup))
    return DefWindowProc(event.Message, dc, control);
  Dispatch::TCtlColorArgs args{reinterpret_cast<HWND>(control), event.Message - WM_CTLCOLORMSGBOX};
  return Dispatch(lookup, dc, reinterpret_cast<LPARAM>(&args));
}

namespace {

// The object of the control an owner-drawn item belongs to.
TWindow* ItemOwner(HWND control, HWND self)
{
  return control && control != self ? GetWindowPtr(control) : nullptr;
}

}  // namespace

LRESULT TWindow::EvCompareItem(WPARAM, LPARAM item)
{
  if (TWindow* owner = ItemOwner(reinterpret_cast<COMPAREITEMSTRUCT*>(item)->hwndItem, nullptr))
    return owner->ForwardMessage(true);
  return DefaultProcessing();
}

LRESULT TWindow::EvDeleteItem(WPARAM, LPARAM item)
{
  if (TWindow* owner = ItemOwner(reinterpret_cast<DELETEITEMSTRUCT*>(item)->hwndItem, Handle))
    return owner->ForwardMessage(true);
  return DefaultProcessing();
}

LRESULT TWindow::EvDrawItem(WPARAM, LPARAM item)
{
  auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(item);
  if (draw->CtlType != ODT_MENU)
    if (TWindow* owner = ItemOwner(draw->hwndItem, Handle))
      return owner->ForwardMessage(true);
  return DefaultProcessing();
}

LRESULT TWindow::EvMeasureItem(WPARAM, LPARAM item)
{
  auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(item);
  if (measure->CtlType != ODT_MENU) {
    TWindow* owner = GetWindowPtr(::GetDlgItem(Handle, measure->CtlID));
    if (!owner)
      owner = CreatingWindow;
    if (!owner)
      owner = ChildWithId(measure->CtlID);
    if (owner) {
      const TApplication::TCurrentEvent event = Application->CurrentEvent;
      return owner->HandleMessage(event.Message, event.Param1, event.Param2);
    }
  }
  return DefaultProcessing();
}

void TWindow::ScrollNotify(unsigned scrollCode, HWND hWndCtl)
{
  TApplication::TCurrentEvent& event = Application->CurrentEvent;
  const DWORD ownBar = event.Message == WM_HSCROLL ? WS_HSCROLL : WS_VSCROLL;
  if ((::GetWindowLongA(Handle, GWL_STYLE) & ownBar) || !hWndCtl) {
    DefaultProcessing();
    return;
  }
  if (TWindow* control = GetWindowPtr(hWndCtl))
    control->ForwardMessage(true);
  // The parent sees scroll activity as notifications with the scroll code.
  const int id = ::GetDlgCtrlID(hWndCtl);
  event.Message = WM_COMMAND;
  event.Param1 = MAKEWPARAM(id, scrollCode);
  event.Param2 = reinterpret_cast<LPARAM>(hWndCtl);
  EvCommand(id, hWndCtl, scrollCode);
}

void TWindow::EvHScroll(unsigned scrollCode, unsigned, HWND hWndCtl)
{
  ScrollNotify(scrollCode, hWndCtl);
}

void TWindow::EvVScroll(unsigned scrollCode, unsigned, HWND hWndCtl)
{
  ScrollNotify(scrollCode, hWndCtl);
}

void TWindow::EvSysColorChange()
{
  ChildBroadcastMessage(WM_SYSCOLORCHANGE);
}

void TWindow::EvChildInvalid(HWND hWnd)
{
  ::SendMessageA(hWnd, WM_CHILD_INVALID, 0, 0);
}

// clang-format off
DEFINE_RESPONSE_TABLE(TWindow)
  EV_WM_CREATE,
  EV_WM_CLOSE,
  EV_WM_DESTROY,
  EV_WM_NCDESTROY,
  EV_WM_QUERYENDSESSION,
  EV_COMMAND(CM_EXIT, CmExit),
  EV_WM_SIZE,
  EV_WM_MOVE,
  EV_WM_PAINT,
  EV_WM_ERASEBKGND,
  EV_WM_SETCURSOR,
  EV_WM_KILLFOCUS,
  EV_MESSAGE(WM_CTLCOLORMSGBOX, EvCtlColorFamily),
  EV_MESSAGE(WM_CTLCOLOREDIT, EvCtlColorFamily),
  EV_MESSAGE(WM_CTLCOLORLISTBOX, EvCtlColorFamily),
  EV_MESSAGE(WM_CTLCOLORBTN, EvCtlColorFamily),
  EV_MESSAGE(WM_CTLCOLORDLG, EvCtlColorFamily),
  EV_MESSAGE(WM_CTLCOLORSCROLLBAR, EvCtlColorFamily),
  EV_MESSAGE(WM_CTLCOLORSTATIC, EvCtlColorFamily),
  EV_WM_COMPAREITEM,
  EV_WM_DELETEITEM,
  EV_WM_DRAWITEM,
  EV_WM_MEASUREITEM,
  EV_WM_HSCROLL,
  EV_WM_VSCROLL,
  EV_WM_SYSCOLORCHANGE,
  EV_WM_INITMENUPOPUP,
  EV_WM_CHILD_INVALID,
END_RESPONSE_TABLE;
// clang-format on
