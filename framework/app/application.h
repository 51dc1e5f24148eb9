// The application object: start-up, the message loop with idle processing and
// pre-translation, deferred deletion of closed windows, and the exceptions
// carried across the platform's window procedure back to the loop.
#pragma once

#include "framework/app/module.h"
#include "framework/app/appdict.h"

#include <array>
#include <exception>
#include <string>
#include <type_traits>

class TWindow;
class TFrameWindow;

class TApplication : public TModule {
public:
  class TXInvalidMainWindow : public TXFramework {
  public:
    TXInvalidMainWindow() : TXFramework(IDS_INVALIDMAINWINDOW) {}
  };

  // Holds the application mutex (when the platform uses one) for its scope;
  // the mutex is recursive for the owning thread.
  class TAppLock {
  public:
    explicit TAppLock(TApplication* app);
    ~TAppLock();
    TAppLock(const TAppLock&) = delete;
    TAppLock& operator=(const TAppLock&) = delete;

  private:
    HANDLE Mutex;
  };

  // The message being processed by a window object.
  struct TCurrentEvent {
    TWindow* Win = nullptr;
    UINT Message = 0;
    WPARAM Param1 = 0;
    LPARAM Param2 = 0;
  };

  // Makes an event current for its scope and restores the previous one when
  // the handler returns or throws.
  class TCurrentEventScope {
  public:
    TCurrentEventScope(TApplication* app, const TCurrentEvent& event) : App(app), Saved(app->CurrentEvent)
    {
      App->CurrentEvent = event;
    }
    ~TCurrentEventScope() { App->CurrentEvent = Saved; }
    TCurrentEventScope(const TCurrentEventScope&) = delete;
    TCurrentEventScope& operator=(const TCurrentEventScope&) = delete;

  private:
    TApplication* App;
    TCurrentEvent Saved;
  };

  explicit TApplication(const char* name = nullptr, TModule*& globalModule = GlobalModule,
                        TAppDictionary* dict = nullptr);
  ~TApplication() override;

  LRESULT Dispatch(TEventLookup& lookup, WPARAM wParam, LPARAM lParam) override;

  virtual bool CanClose();
  virtual int Run();
  virtual int Start();
  virtual int MessageLoop();
  virtual bool ProcessAppMsg(MSG& msg);
  virtual void PreProcessMenu(HMENU menu);
  virtual void InitApplication();
  virtual void InitInstance();
  virtual void InitMainWindow();
  virtual int TermInstance(int status);
  virtual bool IdleAction(long idleCount);

  TFrameWindow* SetMainWindow(TFrameWindow* window);
  TFrameWindow* GetMainWindow() const { return MainWindow; }
  // Called by the main window's destructor: the object can no longer be touched.
  void ForgetMainWindow() { MainWindow = nullptr; }

  bool PumpWaitingMessages();

  void DeferDelete(TWindow* window);
  void CancelDeferredDelete(TWindow* window);
  void DeleteDeferred();

  // Keeps the exception being handled (call inside a catch block) for
  // ResumeException, one of each kind: framework exceptions, out-of-memory
  // reports, other message exceptions, other exceptions, bad casts and bad
  // typeids. A later one of a kind replaces one still kept; one of another
  // kind waits beside it. The loop reports every exception with its text; one
  // of unknown type is kept as a message exception without text, which
  // reports as an unknown exception.
  void SuspendCurrentException();
  // Rethrows the first kind kept, in the order above, and forgets it; the
  // next call rethrows the next.
  void ResumeException();
  // Runs a platform call that can reach window procedures (dispatching,
  // sending, default processing, creating, destroying) and then rethrows what
  // they kept. The framework makes every such call through here, so that no
  // call site can forget the resume.
  template <class TCall> decltype(auto) CallAndResume(TCall&& call);

  bool IsRunning() const { return Running; }
  HWND GetMainWindowHandle() const;

  HINSTANCE PrevInstance = nullptr;
  int CmdShow = SW_SHOWDEFAULT;
  HACCEL AppAccel = nullptr;
  bool QuitRequested = false;
  int QuitStatus = 0;
  std::string CmdLine;
  TCurrentEvent CurrentEvent;

protected:
  TFrameWindow* MainWindow = nullptr;

private:
  int RunLoop(long& idleCount);
  int LoopFailed(int status, long& idleCount);
  template <class TBody> int Guarded(TBody&& body);
  friend class TAppLock;

  bool Running = false;
  HANDLE AppMutex = nullptr;

  // The kinds of kept exception, in the order they come back.
  enum TKeptKind { KeptFramework, KeptOutOfMemory, KeptMessage, KeptOther, KeptBadCast, KeptBadTypeid, KeptKinds };
  std::array<std::exception_ptr, KeptKinds> SuspendedExceptions;

  TWindow* DeferredDeletes = nullptr;
  TAppDictionary* Dictionary;
};

template <class TCall> decltype(auto) TApplication::CallAndResume(TCall&& call)
{
  if constexpr (std::is_void_v<decltype(call())>) {
    call();
    ResumeException();
  } else {
    auto result = call();
    ResumeException();
    return result;
  }
}

// Start-up values kept by ProcessEntry for the application constructor.
struct TStartupValues {
  HINSTANCE Instance = nullptr;
  HINSTANCE PrevInstance = nullptr;
  std::string CmdLine;
  int CmdShow = SW_SHOWDEFAULT;
};
const TStartupValues& StartupValues();
void SetStartupValues(const TStartupValues& values);

// True when response-table dispatch holds the application mutex.
bool MutexEnabled();

// Entry of the framework: keeps the start-up values and runs AppMain.
int ProcessEntry(HINSTANCE instance, HINSTANCE prevInstance, const char* cmdLine, int cmdShow);

// The program's main function.
int AppMain(int argc, char* argv[]);
