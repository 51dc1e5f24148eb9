#include "framework/app/cmdenable.h"

void TCommandEnabler::Enable(bool)
{
  Flags |= Handled;
}

void TMenuItemEnabler::Enable(bool enable)
{
  TCommandEnabler::Enable(enable);
  ::EnableMenuItem(MenuHandle, Position, MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED));
}

void TMenuItemEnabler::SetText(const char* text)
{
  ::ModifyMenuA(MenuHandle, Position, MF_BYPOSITION | MF_STRING, Id, text);
}

void TMenuItemEnabler::SetCheck(int state)
{
  ::CheckMenuItem(MenuHandle, Position, MF_BYPOSITION | (state == Checked ? MF_CHECKED : MF_UNCHECKED));
}
