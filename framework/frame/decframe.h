// The decorated frame: a frame whose decorations (control bars, status bar)
// hang on its top, bottom, left or right edge around the client window, placed
// by edge constraints, and which shows menu hints in its message bar.
#pragma once

#include "framework/frame/framewin.h"
#include "framework/layout/layoutwin.h"

// Kept in the class-specific style bits 8-11 of a decoration.
enum class TDecorationLocation : unsigned { Top = 0x100, Bottom = 0x200, Left = 0x400, Right = 0x800 };

class TDecoratedFrame : virtual public TFrameWindow, public TLayoutWindow {
public:
  // The child that shows hints (a THintReceiver) has this id.
  static constexpr int MessageBarId = 32040;

  // Without a client the frame keeps a placeholder client until one is set.
  TDecoratedFrame(TWindow* parent, const char* title, TWindow* clientWnd, bool trackMenuSelection = false,
                  TModule* module = nullptr);

  // Attaches decoration (a child window object, created or not) at the edge
  // where, next to the client and outside the decorations already there.
  virtual void Insert(TWindow& decoration, TDecorationLocation where = TDecorationLocation::Top);

  TWindow* SetClientWindow(TWindow* clientWnd) override;
  bool PreProcessMsg(MSG& msg) override;
  void SetupWindow() override;
  void RemoveChild(TWindow* child) override;
  LRESULT EvCommand(unsigned id, HWND hWndCtl, unsigned notifyCode) override;
  void EvCommandEnable(TCommandEnabler& commandEnabler) override;

protected:
  void EvMenuSelect(unsigned menuItemId, unsigned flags, HMENU hMenu);
  void EvEnterIdle(WPARAM source, LPARAM window);
  void EvSize(unsigned sizeType, const TSize& size);

  bool TrackMenuSelection;
  unsigned HintId = 0;  // 0: nothing pending; EmptyHint: show an empty hint; else a string id
  bool SettingClient = false;

  enum : unsigned { EmptyHint = 0xFFFFFFFFu };

private:
  TWindow* NewPlaceholderClient();
  static bool IsPlaceholder(const TWindow* window);
  void SetDefaultClientMetrics(TWindow& client);
  // Hangs d outside neighbour (the client or a decoration at the same edge).
  void Place(TWindow& d, TDecorationLocation where, TWindow& neighbour);
  TWindow* DecorationWithId(unsigned id) const;
  void ToggleDecoration(TWindow& decoration);
  void ShowHint(const char* text);

  DECLARE_RESPONSE_TABLE(TDecoratedFrame);
};
