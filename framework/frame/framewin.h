// Frame windows: top-level windows with a client window that fills their
// client area, a menu, an icon for the minimised frame, and the focus
// bookkeeping that sends menu commands to the window the user works in.
#pragma once

#include "framework/window/window.h"

#include <optional>

class TFrameWindow : virtual public TWindow {
public:
  TFrameWindow(TWindow* parent, const char* title = nullptr, TWindow* clientWnd = nullptr, bool shrinkToClient = false,
               TModule* module = nullptr);

  // Loads menu resource id as the frame's menu (once the window exists);
  // false when the platform refuses it, the old menu then stays.
  virtual bool AssignMenu(TResId menuResId);
  virtual bool SetMenu(HMENU newMenu);
  virtual TWindow* GetClientWindow() { return ClientWnd; }
  // Installs a new client (or none) and returns the old one, not deleted.
  virtual TWindow* SetClientWindow(TWindow* clientWnd);
  // Where menu commands start: the focus window inside the frame, else the
  // descendant that last had the focus, else the client, else the frame.
  virtual HWND GetCommandTarget();

  // The icon drawn while the frame is minimised; id 0 lets the client paint.
  bool SetIcon(TModule* iconModule, TResId iconId);

  void RemoveChild(TWindow* child) override;
  bool PreProcessMsg(MSG& msg) override;
  bool IdleAction(long idleCount) override;
  bool HoldFocus(HWND losingFocus, HWND gainingFocus) override;
  bool SetDocTitle(const char* docName, int index) override;
  LRESULT EvCommand(unsigned id, HWND hWndCtl, unsigned notifyCode) override;
  void EvCommandEnable(TCommandEnabler& commandEnabler) override;
  void SetupWindow() override;

protected:
  // For classes that derive virtually: TWindow::Init, then the frame's Init.
  TFrameWindow() = default;
  using TWindow::Init;
  void Init(TWindow* clientWnd, bool shrinkToClient);
  // Makes clientWnd the client child, created with the frame.
  void AdoptClient(TWindow* clientWnd);

  // Fits the client to the client area (or a shrink-to-client frame to its
  // client); true when the client was resized and so told of its new size.
  bool ResizeClientWindow(bool redraw = true);
  // The first visible, enabled tab stop, depth first; else the first visible,
  // enabled child.
  TWindow* FocusTarget();

  void EvPaint();
  bool EvEraseBkgnd(HDC dc);
  HICON EvQueryDragIcon();
  void EvInitMenuPopup(HMENU hPopupMenu, unsigned index, bool sysMenu);
  void EvSetFocus(HWND hWndLostFocus);
  void EvSize(unsigned sizeType, const TSize& size);
  void EvParentNotify(WPARAM event, LPARAM child);
  void EvEnterIdle(WPARAM source, LPARAM window);

  bool KeyboardHandling = false;
  HWND RestoreFocus = nullptr;  // the descendant that had the focus when the frame lost it
  TWindow* ClientWnd = nullptr;
  TModule* HintModule = nullptr;
  TModule* IconModule = nullptr;
  TResId IconId;
  TPoint MinimizedPos{-1, -1};

private:
  HICON MinimizedIcon() const;
  std::optional<TSize> AdoptFramedClient();
  void FitFrameAround(const TSize& clientSize, const TSize& frameSize, bool redraw);
  bool FrameInitialized = false;

  DECLARE_RESPONSE_TABLE(TFrameWindow);
};
