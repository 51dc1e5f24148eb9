#include "framework/base/menu.h"

HMENU TMenu::Checked(HMENU handle)
{
  if (!handle)
    throw TXMenu();
  return handle;
}

TMenu::TMenu(bool shouldDelete) : Handle(Checked(::CreateMenu())), ShouldDelete(shouldDelete) {}

TMenu::TMenu(const TMenu& other, bool shouldDelete) : Handle(Checked(::CreateMenu())), ShouldDelete(shouldDelete)
{
  try {
    DeepCopy(other);
  } catch (...) {
    ::DestroyMenu(Handle);  // the destructor does not run for a failed constructor
    throw;
  }
}

TMenu::TMenu(HMENU handle, bool shouldDelete) : Handle(handle), ShouldDelete(shouldDelete) {}

TMenu::TMenu(HWND window, bool shouldDelete) : Handle(Checked(::GetMenu(window))), ShouldDelete(shouldDelete) {}

TMenu::TMenu(const void* menuTemplate) : Handle(Checked(::LoadMenuIndirectA(menuTemplate))), ShouldDelete(true) {}

TMenu::TMenu(HINSTANCE instance, TResId id) : Handle(Checked(::LoadMenuA(instance, id))), ShouldDelete(true) {}

TMenu::~TMenu()
{
  if (ShouldDelete && Handle)
    ::DestroyMenu(Handle);
}

TMenu& TMenu::operator=(const TMenu& other)
{
  if (&other == this)
    return *this;
  while (GetMenuItemCount() > 0)
    ::DeleteMenu(Handle, 0, MF_BYPOSITION);
  DeepCopy(other);
  return *this;
}

unsigned TMenu::GetMenuItemID(int position) const
{
  const UINT id = ::GetMenuItemID(Handle, position);
  if (id != static_cast<UINT>(-1))
    return id;
  HMENU sub = ::GetSubMenu(Handle, position);
  return sub ? TMenu(sub).GetMenuItemID(0) - 1 : 0;
}

void TMenu::DeepCopy(const TMenu& source, int firstPosition, int count)
{
  DeepCopy(-1, source, firstPosition, count);
}

void TMenu::DeepCopy(int insertPosition, const TMenu& source, int firstPosition, int count)
{
  if (count < 0)
    count = source.GetMenuItemCount() - firstPosition;
  for (int i = 0; i < count; ++i) {
    const int position = firstPosition + i;
    const UINT state = source.GetMenuState(position);
    if (state == 0xFFFFFFFFu)
      return;
    char text[256] = "";
    ::GetMenuStringA(source, position, text, sizeof text, MF_BYPOSITION);

    UINT flags;
    UINT_PTR idOrMenu;
    HMENU submenu = nullptr;
    if (state & MF_POPUP) {
      // For popups the high byte of the state is the item count; only the kind is copied.
      TPopupMenu copy(true);  // owned until the new item holds it
      copy.DeepCopy(TMenu(::GetSubMenu(source, position)));
      copy.ShouldDelete = false;
      submenu = copy.Handle;
      flags = MF_POPUP;
      idOrMenu = reinterpret_cast<UINT_PTR>(submenu);
    } else {
      flags = state;
      idOrMenu = source.GetMenuItemID(position);
    }
    const bool added = insertPosition >= 0
                         ? ::InsertMenuA(Handle, insertPosition + i, flags | MF_BYPOSITION, idOrMenu, text)
                         : ::AppendMenuA(Handle, flags, idOrMenu, text);
    if (!added && submenu)
      ::DestroyMenu(submenu);
  }
}

TPopupMenu::TPopupMenu(bool shouldDelete) : TMenu(Checked(::CreatePopupMenu()), shouldDelete) {}

TSystemMenu::TSystemMenu(HWND window, bool revert) : TMenu(::GetSystemMenu(window, revert), false) {}
