#include "gadgets/separatorgadget.h"

TSeparatorGadget::TSeparatorGadget(int size) : TGadget(0, NoBorder)
{
  SetFit(false, false);
  SetEnabled(false);
  const TSize border = SystemBorderSize();
  Bounds = TRect(0, 0, size * border.cx, size * border.cy);
}

void TSeparatorGadget::OnInserted()
{
  // A status bar forces its pane style on every gadget; a gap stays plain
  // (the borders it was given still count towards its size).
  BorderStyle = NoBorder;
}
