// Command enablers: the question "is this command available?", asked of the
// same objects that would handle the command, by menus and tool-bar buttons.
#pragma once

#include "framework/base/platform.h"

class TCommandEnabler {
public:
  enum { Handled = 1, NonSender = 2 };
  enum { Unchecked = 0, Checked = 1, Indeterminate = 2 };

  TCommandEnabler(unsigned id, HWND receiver = nullptr) : Id(id), Receiver(receiver), Flags(0) {}
  virtual ~TCommandEnabler() = default;

  virtual void Enable(bool enable = true);
  virtual void SetText(const char* text) = 0;
  virtual void SetCheck(int state) = 0;

  bool GetHandled() const { return Flags & Handled; }
  bool IsReceiver(HWND hwnd) const { return hwnd == Receiver; }

  unsigned Id;
  HWND Receiver;
  unsigned Flags;
};

// Enables, checks and renames one item of a menu, by position.
class TMenuItemEnabler : public TCommandEnabler {
public:
  TMenuItemEnabler(HMENU menu, unsigned id, HWND receiver, int position)
    : TCommandEnabler(id, receiver), MenuHandle(menu), Position(position)
  {
    if (::GetMenuItemID(menu, position) == static_cast<UINT>(-1))
      Flags |= NonSender;
  }

  void Enable(bool enable = true) override;
  void SetText(const char* text) override;
  void SetCheck(int state) override;

  HMENU MenuHandle;
  int Position;
};
