// Menu wrappers: a menu handle with an ownership flag, item ids with the rule
// for items that open submenus, and deep copies of menu items.
#pragma once

#include "framework/base/platform.h"
#include "framework/base/exceptions.h"
#include "framework/base/resid.h"

class TMenu {
public:
  // A menu could not be created or loaded.
  class TXMenu : public TXFramework {
  public:
    TXMenu() : TXFramework(IDS_MENUFAILURE) {}
  };

  // A new, empty menu bar.
  explicit TMenu(bool shouldDelete = true);
  // A new menu holding a deep copy of other's items.
  TMenu(const TMenu& other, bool shouldDelete = true);
  // Wraps an existing menu (not owned unless asked).
  explicit TMenu(HMENU handle, bool shouldDelete = false);
  // Wraps a window's menu bar.
  explicit TMenu(HWND window, bool shouldDelete = false);
  // Loads an in-memory menu template, or a menu resource; both owned.
  explicit TMenu(const void* menuTemplate);
  TMenu(HINSTANCE instance, TResId id);
  virtual ~TMenu();

  // Replaces every item by a deep copy of other's items.
  TMenu& operator=(const TMenu& other);

  virtual HMENU GetHandle() const { return Handle; }
  operator HMENU() const { return GetHandle(); }

  // The item's command id; an item that opens a submenu is identified by the
  // id of the submenu's first item minus one (recursively); an empty submenu
  // gives -1.
  unsigned GetMenuItemID(int position) const;
  int GetMenuItemCount() const { return ::GetMenuItemCount(Handle); }
  unsigned GetMenuState(int position) const { return ::GetMenuState(Handle, position, MF_BYPOSITION); }

  // Appends copies of count items of source from firstPosition on (count < 0:
  // all of them), submenus copied recursively.
  void DeepCopy(const TMenu& source, int firstPosition = 0, int count = -1);
  // The same, inserting at insertPosition (appending when it is negative).
  void DeepCopy(int insertPosition, const TMenu& source, int firstPosition = 0, int count = -1);

protected:
  // Throws TXMenu for a null handle.
  static HMENU Checked(HMENU handle);

  HMENU Handle;
  bool ShouldDelete;
};

// A new, empty popup menu.
class TPopupMenu : public TMenu {
public:
  explicit TPopupMenu(bool shouldDelete = true);
};

// A window's system menu (never owned).
class TSystemMenu : public TMenu {
public:
  explicit TSystemMenu(HWND window, bool revert = false);
};
