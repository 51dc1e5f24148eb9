// Window objects: one object per platform window, bound to it from the very
// first message, with table-driven dispatch of messages to member handlers.
#pragma once

#include "framework/base/platform.h"
#include "framework/base/geometry.h"
#include "framework/base/exceptions.h"
#include "framework/base/resid.h"
#include "framework/base/dispatch.h"
#include "framework/app/module.h"

#include <cstdint>
#include <optional>
#include <string>
#include <typeinfo>

class TApplication;
class TCommandEnabler;
class TDC;

enum TWindowFlag : unsigned {
  wfAlias = 0x1,
  wfAutoCreate = 0x2,
  wfFromResource = 0x4,
  wfShrinkToClient = 0x8,  // a frame that fits itself around its client
  wfMainWindow = 0x10,
  wfFullyCreated = 0x20,
  wfPredefinedClass = 0x80,
  wfTransfer = 0x100,
  wfDeleteOnClose = 0x800,
  wfClientResizing = 0x1000,  // a client whose frame is fitting it (guards against re-entry)
  wfKeepOwnCaption = 0x2000,  // the window's caption is not read into Title (a dialog's template caption)
  wfPlaceholder = 0x4000,     // a stand-in client made by a decorated frame
};

enum TTransferDirection { tdGetData = 0, tdSetData = 1, tdSizeData = 2 };

// Exit command: closes the main window.
enum : unsigned { CM_EXIT = 24310 };

struct TWindowAttributes {
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, W = 0, H = 0;
  const char* Menu = nullptr;  // numeric id or owned name
  int Id = 0;
  void* Param = nullptr;
  const char* AccelTable = nullptr;  // numeric id or owned name
};

// Background sentinels of BkgndColor.
enum : COLORREF { NoErase = 0xFF000000u, NoColor = NoErase, Transparent = 0xFE000000u };

class TWindow : virtual public TEventHandler, virtual public TStreamableBase {
public:
  class TXWindow : public TXFramework {
  public:
    TXWindow(TWindow* window, unsigned resId);
    int Unhandled(TModule* app, unsigned promptId) override;
    TWindow* Window;
  };

  TWindow(TWindow* parent, const char* title = nullptr, TModule* module = nullptr);
  // Attaches an object to an existing window.
  TWindow(HWND handle, TModule* module = nullptr);
  ~TWindow() override;
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  virtual bool Register();
  virtual bool Create();
  virtual HWND PerformCreate(HMENU menuOrId);
  virtual void Destroy(int retVal = 0);
  virtual void CloseWindow(int retVal = 0);
  LRESULT Dispatch(TEventLookup& lookup, WPARAM wParam, LPARAM lParam) override;
  virtual bool PreProcessMsg(MSG& msg);
  virtual bool IdleAction(long idleCount);
  virtual bool HoldFocus(HWND losingFocus, HWND gainingFocus);
  virtual void SetParent(TWindow* newParent);
  virtual bool SetDocTitle(const char* docName, int index);
  virtual bool CanClose();
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT EvCommand(unsigned id, HWND hWndCtl, unsigned notifyCode);
  virtual void EvCommandEnable(TCommandEnabler& commandEnabler);
  virtual void Paint(TDC& dc, bool erase, TRect& rect);
  virtual unsigned Transfer(void* buffer, TTransferDirection direction);
  virtual void TransferData(TTransferDirection direction);
  virtual void EnableWindow(bool enable);
  virtual void ShowWindow(int cmdShow);
  virtual void GetWindowClass(WNDCLASSA& wndClass);
  virtual const char* GetClassName();
  virtual void SetupWindow();
  virtual void CleanupWindow();
  virtual void RemoveChild(TWindow* child);

  // The walk over the children in creation order; the loop body may remove or
  // delete the child it is on.
  class TChildIterator {
  public:
    TChildIterator(const TWindow* parent, TWindow* child) : Parent(parent) { Arrive(child); }
    TWindow* operator*() const { return Child; }
    TChildIterator& operator++()
    {
      Arrive(IsLast || !Parent->LastChild ? nullptr : Following);
      return *this;
    }
    bool operator!=(const TChildIterator& other) const { return Child != other.Child; }

  private:
    void Arrive(TWindow* child)
    {
      Child = child;
      Following = child ? child->NextSibling : nullptr;
      IsLast = child == Parent->LastChild;
    }
    const TWindow* Parent;
    TWindow* Child = nullptr;
    TWindow* Following = nullptr;
    bool IsLast = true;
  };
  struct TChildRange {
    const TWindow* Parent;
    TChildIterator begin() const { return {Parent, Parent->GetFirstChild()}; }
    TChildIterator end() const { return {Parent, nullptr}; }
  };
  TChildRange Children() const { return {this}; }

  // Children: a ring in creation order.
  void AddChild(TWindow* child);
  void ForEach(void (*action)(TWindow* child, void* arg), void* arg = nullptr);
  TWindow* FirstThat(bool (*test)(TWindow* child, void* arg), void* arg = nullptr);
  TWindow* ChildWithId(int id) const;
  unsigned NumChildren() const;
  TWindow* GetFirstChild() const { return LastChild ? LastChild->NextSibling : nullptr; }
  TWindow* Next() const { return NextSibling; }
  bool CreateChildren();

  LRESULT HandleMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT ForwardMessage(HWND target, bool send = true);
  LRESULT ForwardMessage(bool send = true);
  void ChildBroadcastMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT DefaultProcessing();
  void RouteCommandEnable(HWND hInitCmdTarget, TCommandEnabler& commandEnabler);

  void SetCaption(const char* title);
  bool SetCursor(TModule* module, TResId id);
  void Show(int cmdShow);
  int MessageBox(const char* text, const char* caption = nullptr, unsigned type = MB_OK);
  // Part of the framework's interface; the program itself does not call it.
  void ShutDownWindow(int retVal = 0);

  HWND GetHandle() const { return Handle; }
  operator HWND() const { return Handle; }
  TWindow* GetParent() const { return Parent; }
  HWND GetParentH() const { return Parent ? Parent->Handle : nullptr; }
  TApplication* GetApplication() const { return Application; }
  TModule* GetModule() const { return Module; }
  const char* GetCaption() const { return Title ? Title->c_str() : nullptr; }
  int GetId() const { return Attributes.Id; }
  bool IsWindow() const { return Handle && ::IsWindow(Handle); }
  bool IsFlagSet(unsigned flag) const { return (Flags & flag) != 0; }
  void SetFlag(unsigned flag) { Flags |= flag; }
  void ClearFlag(unsigned flag) { Flags &= ~flag; }
  void SetBkgndColor(COLORREF color) { BkgndColor = color; }

  // How many dispatch-cache entries remember lookups for the class.
  static int CachedLookups(const std::type_info& windowClass);

  TRect GetClientRect() const;
  TRect GetWindowRect() const;

  TWindowAttributes Attributes;
  void* TransferBuffer = nullptr;
  uint16_t ZOrder = 0;
  TWindow* NextDeferred = nullptr;  // link of the application's deferred deletions

protected:
  // For classes that derive virtually and initialise the window part through Init.
  TWindow();
  void Init(TWindow* parent, const char* title, TModule* module);
  void InitAlias(HWND handle, TModule* module);

  // Handlers of TWindow's own table.
  int EvCreate(CREATESTRUCTA* createStruct);
  void EvClose();
  void EvDestroy();
  void EvNCDestroy();
  bool EvQueryEndSession();
  void CmExit();
  void EvSize(unsigned sizeType, const TSize& size);
  void EvMove(const TPoint& clientOrigin);
  void EvPaint();
  bool EvEraseBkgnd(HDC dc);
  bool EvSetCursor(HWND hWndCursor, unsigned hitTest, unsigned mouseMsg);
  void EvKillFocus(HWND hWndGetFocus);
  LRESULT EvCtlColorFamily(WPARAM dc, LPARAM control);
  LRESULT EvCompareItem(WPARAM ctrlId, LPARAM item);
  LRESULT EvDeleteItem(WPARAM ctrlId, LPARAM item);
  LRESULT EvDrawItem(WPARAM ctrlId, LPARAM item);
  LRESULT EvMeasureItem(WPARAM ctrlId, LPARAM item);
  void EvHScroll(unsigned scrollCode, unsigned thumbPos, HWND hWndCtl);
  void EvVScroll(unsigned scrollCode, unsigned thumbPos, HWND hWndCtl);
  void EvSysColorChange();
  void EvInitMenuPopup(HMENU hPopupMenu, unsigned index, bool sysMenu);
  void EvChildInvalid(HWND hWnd);

  // Offers a (notification) command to object's tables and dispatches it.
  static bool DispatchCommand(TWindow* object, unsigned msg, unsigned id, WPARAM wParam, bool notify);
  void SubclassWindowFunction();
  void GetWindowTextTitle();
  void GetHWndState();
  void ScrollNotify(unsigned scrollCode, HWND hWndCtl);

  static LRESULT CALLBACK ObjectWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  friend LRESULT CALLBACK InitWndProc(HWND, UINT, WPARAM, LPARAM);

  HWND Handle = nullptr;
  std::optional<std::string> Title;
  TWindow* Parent = nullptr;
  WNDPROC PreviousProc = nullptr;
  HACCEL AccelHandle = nullptr;
  TModule* CursorModule = nullptr;
  TResId CursorId;
  HCURSOR CursorHandle = nullptr;
  COLORREF BkgndColor = NoErase;
  TApplication* Application = nullptr;
  TModule* Module = nullptr;
  unsigned Flags = 0;
  TWindow* LastChild = nullptr;
  TWindow* NextSibling = nullptr;
  uintptr_t ClassKey = 0;

private:
  bool Initialized = false;
  void ClearDispatchCache();

  DECLARE_RESPONSE_TABLE(TWindow);
};

// The object bound to hwnd, when it belongs to this process and (with app
// given) to that application.
TWindow* GetWindowPtr(HWND hwnd, const TApplication* app = nullptr);

// Window procedure of every registered framework class: binds the new window to
// the object being created and hands it the message.
LRESULT CALLBACK InitWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
