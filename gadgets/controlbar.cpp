#include "gadgets/controlbar.h"

TControlBar::TControlBar(TWindow* parent, TLayoutDirection direction, TFont* font, TModule* module)
  : TGadgetWindow(parent, direction, font, module)
{
  TGadgetMargins margins;
  margins.Units = UnitBorders;
  const std::int8_t across = 2, along = 6;
  margins.Left = margins.Right = direction == Horizontal ? along : across;
  margins.Top = margins.Bottom = direction == Horizontal ? across : along;
  Margins = margins;
}

bool TControlBar::PreProcessMsg(MSG&)
{
  return false;
}

void TControlBar::AdjustNextPosition(TGadget* previous, TGadget* next, TPoint& p)
{
  if (previous->GetBorderStyle() != FlatBorder || next->GetBorderStyle() != FlatBorder)
    return;
  const TSize border = SystemBorderSize();
  if (Direction == Horizontal)
    p.x -= border.cx;
  else
    p.y -= border.cy;
}
