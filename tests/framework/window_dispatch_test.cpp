#include "framework/window/window.h"
#include "framework/window/control.h"
#include "tests/support/testapp.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class TWindowTest : public testing::Test {
protected:
  TTestApp App;
};

// A top-level test window that records what its handlers saw.
class TRecorder : public TWindow {
public:
  explicit TRecorder(TWindow* parent = nullptr) : TWindow(parent, "recorder")
  {
    if (!parent)
      Attributes.Style = WS_OVERLAPPEDWINDOW;
    Attributes.W = 200;
    Attributes.H = 150;
  }
  std::vector<std::string> Seen;

protected:
  LRESULT EvNcCreate(WPARAM w, LPARAM l)
  {
    Seen.push_back(Handle ? "nccreate-bound" : "nccreate-unbound");
    return DefWindowProc(WM_NCCREATE, w, l);
  }
  LRESULT EvUser(WPARAM w, LPARAM)
  {
    Seen.push_back("user " + std::to_string(w));
    return 7;
  }
  void CmAlpha() { Seen.push_back("alpha"); }

  DECLARE_RESPONSE_TABLE(TRecorder);
};

// clang-format off
DEFINE_RESPONSE_TABLE1(TRecorder, TWindow)
  EV_MESSAGE(WM_NCCREATE, EvNcCreate),
  EV_MESSAGE(WM_USER, EvUser),
  EV_COMMAND(100, CmAlpha),
END_RESPONSE_TABLE;
// clang-format on

TEST_F(TWindowTest, FirstMessageOfANewWindowReachesItsHandlersBound)
{
  auto window = std::make_unique<TRecorder>();
  window->Create();
  ASSERT_FALSE(window->Seen.empty());
  // WM_GETMINMAXINFO precedes WM_NCCREATE for overlapped windows; either way the
  // object was bound before CreateWindowExA returned.
  EXPECT_EQ(window->Seen.front(), "nccreate-bound");
  EXPECT_EQ(GetWindowPtr(window->GetHandle(), &App), window.get());
  EXPECT_TRUE(window->IsFlagSet(wfFullyCreated));
  EXPECT_EQ(window->SendMessage(WM_USER, 3, 0), 7);
}

TEST_F(TWindowTest, GetWindowPtrIgnoresWindowsOfAnotherApplication)
{
  auto window = std::make_unique<TRecorder>();
  window->Create();
  TApplication* other = reinterpret_cast<TApplication*>(&window);  // any other application pointer
  EXPECT_EQ(GetWindowPtr(window->GetHandle(), other), nullptr);
  EXPECT_EQ(GetWindowPtr(window->GetHandle()), window.get());
  EXPECT_EQ(GetWindowPtr(::GetDesktopWindow()), nullptr);
}

// Lookup order: own table first, then bases in declaration order.
class TBaseA : virtual public TWindow {
protected:
  LRESULT Hit(WPARAM, LPARAM) { return 'A'; }
  LRESULT OnlyA(WPARAM, LPARAM) { return 'a'; }
  DECLARE_RESPONSE_TABLE(TBaseA);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TBaseA, TWindow)
  EV_MESSAGE(WM_USER + 1, Hit),
  EV_MESSAGE(WM_USER + 2, OnlyA),
END_RESPONSE_TABLE;
// clang-format on

class TBaseB : virtual public TWindow {
protected:
  LRESULT Hit(WPARAM, LPARAM) { return 'B'; }
  LRESULT OnlyB(WPARAM, LPARAM) { return 'b'; }
  DECLARE_RESPONSE_TABLE(TBaseB);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TBaseB, TWindow)
  EV_MESSAGE(WM_USER + 1, Hit),
  EV_MESSAGE(WM_USER + 3, OnlyB),
END_RESPONSE_TABLE;
// clang-format on

class TJoined : public TBaseA, public TBaseB {
public:
  TJoined() : TWindow(nullptr, "joined") { Attributes.Style = WS_OVERLAPPED; }
  int Own = 0;

protected:
  LRESULT Mine(WPARAM, LPARAM)
  {
    ++Own;
    return 'J';
  }
  DECLARE_RESPONSE_TABLE(TJoined);
};
// clang-format off
DEFINE_RESPONSE_TABLE2(TJoined, TBaseA, TBaseB)
  EV_MESSAGE(WM_USER + 2, Mine),
END_RESPONSE_TABLE;
// clang-format on

TEST_F(TWindowTest, ResponseLookupSearchesOwnTableThenBasesInDeclarationOrder)
{
  TJoined window;
  window.Create();
  EXPECT_EQ(window.SendMessage(WM_USER + 2), 'J');  // own table beats TBaseA
  EXPECT_EQ(window.SendMessage(WM_USER + 1), 'A');  // TBaseA before TBaseB
  EXPECT_EQ(window.SendMessage(WM_USER + 3), 'b');  // handler on the TBaseB part
  EXPECT_EQ(window.SendMessage(WM_USER + 2), 'J');  // cached hit, same object part
  EXPECT_EQ(window.Own, 2);
}

TEST_F(TWindowTest, DestroyingAWindowEmptiesItsClassFromTheDispatchCache)
{
  auto first = std::make_unique<TRecorder>();
  auto second = std::make_unique<TRecorder>();
  first->Create();
  second->Create();
  first->SendMessage(WM_USER, 1);
  EXPECT_GT(TWindow::CachedLookups(typeid(TRecorder)), 0);
  first.reset();
  EXPECT_EQ(TWindow::CachedLookups(typeid(TRecorder)), 0);
  EXPECT_EQ(second->SendMessage(WM_USER, 2), 7);
  EXPECT_EQ(second->Seen.back(), "user 2");
}

// Exceptions never cross the window procedure; they come back after it.
class TThrower : public TWindow {
public:
  explicit TThrower(bool throwOnCreate) : TWindow(nullptr, "thrower"), ThrowOnCreate(throwOnCreate)
  {
    Attributes.Style = WS_OVERLAPPED;
  }

protected:
  int EvCreate(CREATESTRUCTA* cs)
  {
    if (ThrowOnCreate)
      throw xmsg("create failed on purpose");
    return TWindow::EvCreate(cs);
  }
  LRESULT EvUser(WPARAM, LPARAM) { throw TXOutOfMemory(); }
  bool ThrowOnCreate;
  DECLARE_RESPONSE_TABLE(TThrower);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TThrower, TWindow)
  EV_WM_CREATE,
  EV_MESSAGE(WM_USER, EvUser),
END_RESPONSE_TABLE;
// clang-format on

TEST_F(TWindowTest, ExceptionInAHandlerIsRethrownAfterSendAndDispatch)
{
  TThrower window(false);
  window.Create();
  try {
    window.SendMessage(WM_USER);
    FAIL() << "no exception";
  } catch (TXOutOfMemory& x) {
    EXPECT_EQ(x.ResId, 32761u);
    EXPECT_EQ(x.why(), "例外 #32761 (メッセージは用意されていません).");
  }
  // Through the message loop: kept during DispatchMessageA, thrown after it.
  ::PostMessageA(window.GetHandle(), WM_USER, 0, 0);
  EXPECT_THROW(PumpMessages(App), TXOutOfMemory);
  EXPECT_NO_THROW(PumpMessages(App));  // thrown once only
}

TEST_F(TWindowTest, CreateRethrowsTheCreateHandlersExceptionNotCreationFailed)
{
  TThrower window(true);
  try {
    window.Create();
    FAIL() << "no exception";
  } catch (TWindow::TXWindow&) {
    FAIL() << "creation-failed exception instead of the handler's";
  } catch (xmsg& x) {
    EXPECT_EQ(x.why(), "create failed on purpose");
  }
  EXPECT_EQ(window.GetHandle(), nullptr);
}

// A chain of windows, each handler sending on to the next one; the last throws.
// Every handler on the way out sees the exception come back from its own send.
class TRelay : public TWindow {
public:
  TRelay(const char* name, TRelay* next, std::vector<std::string>& seen)
    : TWindow(nullptr, name), Next(next), Seen(seen)
  {
    Attributes.Style = WS_OVERLAPPED;
  }

protected:
  LRESULT EvUser(WPARAM, LPARAM)
  {
    if (!Next)
      throw xmsg("innermost handler failed");
    try {
      Next->SendMessage(WM_USER);
    } catch (xmsg&) {
      Seen.push_back(std::string(GetCaption()) + " caught");
      throw;
    }
    Seen.push_back(std::string(GetCaption()) + " returned");
    return 0;
  }
  TRelay* Next;
  std::vector<std::string>& Seen;
  DECLARE_RESPONSE_TABLE(TRelay);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TRelay, TWindow)
  EV_MESSAGE(WM_USER, EvUser),
END_RESPONSE_TABLE;
// clang-format on

TEST_F(TWindowTest, ExceptionFromANestedHandlerSurfacesAtEachEnclosingSendOnce)
{
  std::vector<std::string> seen;
  TRelay inner("inner", nullptr, seen), middle("middle", &inner, seen), outer("outer", &middle, seen);
  for (TRelay* window : {&inner, &middle, &outer})
    window->Create();

  EXPECT_THROW(outer.SendMessage(WM_USER), xmsg);
  EXPECT_EQ(seen, (std::vector<std::string>{"middle caught", "outer caught"}));
  EXPECT_NO_THROW(App.ResumeException());  // nothing left behind

  // From the loop: kept in each procedure on the way out, thrown once after DispatchMessageA.
  seen.clear();
  ::PostMessageA(outer.GetHandle(), WM_USER, 0, 0);
  EXPECT_THROW(PumpMessages(App), xmsg);
  EXPECT_EQ(seen, (std::vector<std::string>{"middle caught", "outer caught"}));
  EXPECT_NO_THROW(PumpMessages(App));
}

// Control notifications: an entry with Msg UINT_MAX takes every code of its id.
class TNotified : public TRecorder {
public:
  std::vector<unsigned> Codes;

protected:
  void EvAnyCode(unsigned code) { Codes.push_back(code); }
  DECLARE_RESPONSE_TABLE(TNotified);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TNotified, TRecorder)
  EV_CHILD_NOTIFY_ALL_CODES(501, EvAnyCode),
END_RESPONSE_TABLE;
// clang-format on

TEST_F(TWindowTest, NotificationEntryWithAnyCodeReceivesEveryCodeOfItsId)
{
  TNotified parent;
  parent.Create();
  HWND button = ::CreateWindowExA(0, "BUTTON", "b", WS_CHILD, 0, 0, 10, 10, parent.GetHandle(),
                                  reinterpret_cast<HMENU>(501), nullptr, nullptr);
  for (unsigned code : {unsigned(BN_CLICKED), unsigned(BN_DOUBLECLICKED), 77u})
    parent.SendMessage(WM_COMMAND, MAKEWPARAM(501, code), reinterpret_cast<LPARAM>(button));
  parent.SendMessage(WM_COMMAND, MAKEWPARAM(502, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  EXPECT_EQ(parent.Codes, (std::vector<unsigned>{BN_CLICKED, BN_DOUBLECLICKED, 77u}));
}

// A window that hands menu commands to a descendant, as a frame does.
class THandOff : public TRecorder {
public:
  TWindow* Target = nullptr;
  LRESULT EvCommand(unsigned id, HWND ctl, unsigned code) override
  {
    if (Target && !ctl)
      return Target->EvCommand(id, ctl, code);
    return TRecorder::EvCommand(id, ctl, code);
  }
};

class TCommandApp : public TTestApp {
public:
  int Beta = 0;

protected:
  void CmBeta() { ++Beta; }
  DECLARE_RESPONSE_TABLE(TCommandApp);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TCommandApp, TApplication)
  EV_COMMAND(200, CmBeta),
END_RESPONSE_TABLE;
// clang-format on

TEST(CommandRoutingTest, MenuCommandClimbsFromTargetThroughParentsToTheApplication)
{
  TCommandApp app;
  THandOff top;
  auto* middle = new TRecorder(&top);        // handles command 100 too
  auto* leaf = new TWindow(middle, "leaf");  // handles nothing
  auto* plain = new TWindow(&top, "plain");
  top.Create();

  // From the leaf the command climbs to the first handler: the middle window.
  top.Target = leaf;
  top.SendMessage(WM_COMMAND, 100, 0);
  EXPECT_EQ(middle->Seen.back(), "alpha");
  EXPECT_NE(top.Seen.back(), "alpha");
  // From a plain child it climbs to the top window's own table.
  top.Target = plain;
  top.SendMessage(WM_COMMAND, 100, 0);
  EXPECT_EQ(top.Seen.back(), "alpha");
  // Handled nowhere on the window chain: the application takes it.
  top.SendMessage(WM_COMMAND, 200, 0);
  EXPECT_EQ(app.Beta, 1);
  // Handled by nobody: the platform's default, nothing recorded anywhere.
  const size_t before = top.Seen.size() + middle->Seen.size();
  top.Target = leaf;
  top.SendMessage(WM_COMMAND, 300, 0);
  EXPECT_EQ(top.Seen.size() + middle->Seen.size(), before);
  EXPECT_EQ(app.Beta, 1);
}

// Closing a child marked delete-on-close deletes it only after the message.
class TTracked : public TWindow {
public:
  TTracked(TWindow* parent, bool* deleted) : TWindow(parent, "tracked"), Deleted(deleted) {}
  ~TTracked() override { *Deleted = true; }
  bool* Deleted;
};

class TCloser : public TRecorder {
public:
  TWindow* Child = nullptr;
  bool* ChildDeleted = nullptr;
  bool AliveAfterClose = false;

protected:
  LRESULT EvCloseChild(WPARAM, LPARAM)
  {
    Child->SendMessage(WM_CLOSE);
    AliveAfterClose = !*ChildDeleted;
    return 0;
  }
  DECLARE_RESPONSE_TABLE(TCloser);
};
// clang-format off
DEFINE_RESPONSE_TABLE1(TCloser, TRecorder)
  EV_MESSAGE(WM_USER + 10, EvCloseChild),
END_RESPONSE_TABLE;
// clang-format on

TEST_F(TWindowTest, DeferredDeletionHappensOnlyAfterTheCurrentMessage)
{
  bool deleted = false;
  TCloser parent;
  parent.Create();
  parent.Child = new TTracked(&parent, &deleted);
  parent.Child->Create();
  parent.ChildDeleted = &deleted;
  ::PostMessageA(parent.GetHandle(), WM_USER + 10, 0, 0);
  PumpMessages(App);
  EXPECT_TRUE(parent.AliveAfterClose);
  EXPECT_TRUE(deleted);
  EXPECT_EQ(parent.NumChildren(), 0u);
}

TEST_F(TWindowTest, ChildrenRingKeepsCreationOrderAndUnlinks)
{
  TRecorder parent;
  auto* a = new TRecorder(&parent);
  auto* b = new TRecorder(&parent);
  auto* c = new TRecorder(&parent);
  a->Attributes.Id = 1;
  b->Attributes.Id = 2;
  c->Attributes.Id = 3;
  EXPECT_EQ(parent.NumChildren(), 3u);
  EXPECT_EQ(parent.GetFirstChild(), a);
  EXPECT_EQ(parent.ChildWithId(3), c);
  delete b;
  EXPECT_EQ(parent.NumChildren(), 2u);
  EXPECT_EQ(a->Next(), c);
  EXPECT_EQ(c->Next(), a);
  parent.Create();
  EXPECT_TRUE(a->GetHandle() && c->GetHandle());
  EXPECT_EQ(::GetParent(c->GetHandle()), parent.GetHandle());
}

}  // namespace
