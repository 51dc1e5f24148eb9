// Menu wrapper: a menu handle with an ownership flag.
#pragma once

#include "framework/base/platform.h"

class TMenu {
public:
  TMenu(HMENU handle, bool shouldDelete = false) : Handle(handle), ShouldDelete(shouldDelete) {}
  virtual ~TMenu() { if (ShouldDelete && Handle) ::DestroyMenu(Handle); }
  TMenu(const TMenu&) = delete;
  TMenu& operator=(const TMenu&) = delete;

  virtual HMENU GetHandle() const { return Handle; }
  operator HMENU() const { return Handle; }

  // The item's command id; an item that opens a submenu is identified by the
  // id of the submenu's first item minus one (recursively).
  unsigned GetMenuItemID(int position) const
  {
    const UINT id = ::GetMenuItemID(Handle, position);
    if (id != static_cast<UINT>(-1))
      return id;
    HMENU sub = ::GetSubMenu(Handle, position);
    return sub ? TMenu(sub).GetMenuItemID(0) - 1 : 0;
  }
  int GetMenuItemCount() const { return ::GetMenuItemCount(Handle); }

protected:
  HMENU Handle;
  bool ShouldDelete;
};
