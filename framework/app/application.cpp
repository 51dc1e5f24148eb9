#include "framework/app/application.h"
#include "framework/frame/framewin.h"

#include <typeinfo>
#include <utility>

namespace {

TStartupValues& MutableStartupValues()
{
  static TStartupValues values;
  return values;
}

}  // namespace

const TStartupValues& StartupValues()
{
  return MutableStartupValues();
}

void SetStartupValues(const TStartupValues& values)
{
  MutableStartupValues() = values;
}

bool MutexEnabled()
{
  // Old non-NT systems (high bit set, major version below 4) have no usable mutex.
  static const bool enabled = [] {
    const DWORD version = ::GetVersion();
    return !((version & 0x80000000u) && LOBYTE(LOWORD(version)) < 4);
  }();
  return enabled;
}

TApplication::TAppLock::TAppLock(TApplication* app) : Mutex(app && MutexEnabled() ? app->AppMutex : nullptr)
{
  if (Mutex)
    ::WaitForSingleObject(Mutex, INFINITE);
}

TApplication::TAppLock::~TAppLock()
{
  if (Mutex)
    ::ReleaseMutex(Mutex);
}

TApplication::TApplication(const char* name, TModule*& globalModule, TAppDictionary* dict)
  : TModule(name, StartupValues().Instance ? StartupValues().Instance : ::GetModuleHandleA(nullptr),
            StartupValues().CmdLine.c_str()),
    PrevInstance(StartupValues().PrevInstance),
    CmdShow(StartupValues().CmdShow),
    CmdLine(StartupValues().CmdLine),
    Dictionary(dict ? dict : &DefaultDictionary)
{
  if (MutexEnabled())
    AppMutex = ::CreateMutexA(nullptr, FALSE, nullptr);
  Dictionary->Add(this);
  globalModule = this;
}

TApplication::~TApplication()
{
  DeleteDeferred();
  if (TFrameWindow* main = SetMainWindow(nullptr)) {
    main->Destroy(0);
    delete main;
  }
  Dictionary->Remove(this);
  if (AppMutex)
    ::CloseHandle(AppMutex);
  if (GlobalModule == this)
    GlobalModule = nullptr;
}

LRESULT TApplication::Dispatch(TEventLookup& lookup, WPARAM wParam, LPARAM lParam)
{
  TAppLock lock(this);
  return TModule::Dispatch(lookup, wParam, lParam);
}

bool TApplication::CanClose()
{
  return MainWindow ? MainWindow->CanClose() : true;
}

// Runs body with the reporting every entry point of the application uses: a
// framework exception reports itself, any other exception goes to Error with
// its text.
template <class TBody> int TApplication::Guarded(TBody&& body)
{
  try {
    return body();
  } catch (TXFramework& x) {
    return x.Unhandled(this, 0);
  } catch (xmsg& x) {
    return Error(x, 0, 0);
  } catch (std::exception& x) {
    xmsg m(x.what());
    return Error(m, 0, 0);
  }
}

int TApplication::Start()
{
  return Guarded([this] {
    if (!MainWindow) {
      if (!PrevInstance)
        InitApplication();
      InitInstance();
    }
    return 0;
  });
}

int TApplication::Run()
{
  int status = Guarded([this] {
    if (!MainWindow) {
      if (!PrevInstance)
        InitApplication();
      InitInstance();
    }
    Running = true;
    return MessageLoop();
  });
  // Take what is left in the queue, up to and including a WM_PAINT; a quit
  // request found there is kept for the loops that enclose this one.
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD) && msg.message != WM_PAINT) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
  }
  Running = false;
  return TermInstance(status);
}

int TApplication::RunLoop(long& idleCount)
{
  while (!QuitRequested) {
    if (!IdleAction(idleCount))
      ::WaitMessage();
    if (PumpWaitingMessages())
      idleCount = 0;
    else
      ++idleCount;
  }
  QuitRequested = false;
  return QuitStatus;
}

// After an exception in the loop: resume it (the user said yes) or end with status.
int TApplication::LoopFailed(int status, long& idleCount)
{
  QuitStatus = status;
  if (status == 0)
    return RunLoop(idleCount);
  ::PostQuitMessage(status);
  QuitRequested = false;
  return status;
}

int TApplication::MessageLoop()
{
  long idleCount = 0;
  QuitStatus = 0;
  try {
    return RunLoop(idleCount);
  } catch (TXFramework& x) {
    return LoopFailed(x.Unhandled(this, IDS_OKTORESUME), idleCount);
  } catch (xmsg& x) {
    return LoopFailed(Error(x, 0, IDS_OKTORESUME), idleCount);
  } catch (std::exception& x) {
    xmsg m(x.what());
    return LoopFailed(Error(m, 0, IDS_OKTORESUME), idleCount);
  }
}

bool TApplication::PumpWaitingMessages()
{
  bool removed = false;
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    removed = true;
    if (msg.message == WM_QUIT) {
      QuitRequested = true;
      QuitStatus = static_cast<int>(msg.wParam);
      ::PostQuitMessage(QuitStatus);  // so that enclosing loops end too
      return true;
    }
    if (ProcessAppMsg(msg))
      continue;
    ::TranslateMessage(&msg);
    if (!msg.hwnd) {
      TEventLookup lookup{msg.message, static_cast<unsigned>(msg.wParam)};
      if (Find(lookup) || (lookup.Id = 0, Find(lookup))) {
        Dispatch(lookup, msg.wParam, msg.lParam);
        return true;
      }
    }
    CallAndResume([&] {
      ::DispatchMessageA(&msg);
      DeleteDeferred();
    });
  }
  return removed;
}

bool TApplication::ProcessAppMsg(MSG& msg)
{
  for (HWND hwnd = msg.hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
    if (TWindow* window = GetWindowPtr(hwnd, this))
      if (window->PreProcessMsg(msg))
        return true;
  }
  HWND main = GetMainWindowHandle();
  return AppAccel && main && ::TranslateAcceleratorA(main, AppAccel, &msg);
}

void TApplication::PreProcessMenu(HMENU) {}

void TApplication::InitApplication() {}

void TApplication::InitInstance()
{
  InitMainWindow();
  if (!MainWindow)
    throw TXInvalidMainWindow();
  MainWindow->SetFlag(wfMainWindow);
  MainWindow->Create();
  MainWindow->Show(CmdShow);
}

void TApplication::InitMainWindow()
{
  SetMainWindow(new TFrameWindow(nullptr, GetName()));
}

int TApplication::TermInstance(int status)
{
  return status;
}

bool TApplication::IdleAction(long idleCount)
{
  return MainWindow ? MainWindow->IdleAction(idleCount) : false;
}

TFrameWindow* TApplication::SetMainWindow(TFrameWindow* window)
{
  TFrameWindow* old = MainWindow;
  if (old)
    old->ClearFlag(wfMainWindow);
  MainWindow = window;
  if (window)
    window->SetFlag(wfMainWindow);
  return old;
}

HWND TApplication::GetMainWindowHandle() const
{
  return MainWindow ? MainWindow->GetHandle() : nullptr;
}

void TApplication::DeferDelete(TWindow* window)
{
  window->SetParent(nullptr);
  CancelDeferredDelete(window);
  window->NextDeferred = DeferredDeletes;
  DeferredDeletes = window;
}

void TApplication::CancelDeferredDelete(TWindow* window)
{
  for (TWindow** link = &DeferredDeletes; *link; link = &(*link)->NextDeferred)
    if (*link == window) {
      *link = window->NextDeferred;
      window->NextDeferred = nullptr;
      return;
    }
}

void TApplication::DeleteDeferred()
{
  while (TWindow* window = DeferredDeletes) {
    DeferredDeletes = window->NextDeferred;
    window->NextDeferred = nullptr;
    delete window;
  }
}

void TApplication::SuspendCurrentException()
{
  // Several window procedures can fail within one platform call: each kind
  // keeps its own slot so that none of their reports is lost.
  const auto keep = [this](TKeptKind kind, std::exception_ptr x) { SuspendedExceptions[kind] = std::move(x); };
  try {
    throw;
  } catch (const TXBase&) {
    keep(KeptFramework, std::current_exception());
  } catch (const xalloc&) {
    keep(KeptOutOfMemory, std::current_exception());
  } catch (const xmsg&) {
    keep(KeptMessage, std::current_exception());
  } catch (const std::bad_cast&) {
    keep(KeptBadCast, std::current_exception());
  } catch (const std::bad_typeid&) {
    keep(KeptBadTypeid, std::current_exception());
  } catch (const std::exception&) {
    keep(KeptOther, std::current_exception());
  } catch (...) {
    keep(KeptOther, std::make_exception_ptr(xmsg("")));
  }
}

void TApplication::ResumeException()
{
  for (std::exception_ptr& kept : SuspendedExceptions)
    if (kept)
      std::rethrow_exception(std::exchange(kept, nullptr));
}
