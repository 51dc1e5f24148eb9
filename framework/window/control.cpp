#include "framework/window/control.h"

TControl::TControl(TWindow* parent, int id, const char* title, int x, int y, int w, int h, TModule* module)
  : TWindow(parent, title, module)
{
  Attributes.Id = id;
  Attributes.X = x;
  Attributes.Y = y;
  Attributes.W = w;
  Attributes.H = h;
  Attributes.Style = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP;
}

TControl::TControl(TWindow* parent, int resourceId, TModule* module) : TWindow(parent, nullptr, module)
{
  SetFlag(wfFromResource);
  Attributes = TWindowAttributes{};
  Attributes.Id = resourceId;
  SetFlag(wfTransfer);
}

int TControl::CompareItem(COMPAREITEMSTRUCT&)
{
  return 0;
}
void TControl::DeleteItem(DELETEITEMSTRUCT&) {}
void TControl::MeasureItem(MEASUREITEMSTRUCT&) {}
void TControl::DrawEntire(DRAWITEMSTRUCT&) {}
void TControl::DrawFocus(DRAWITEMSTRUCT&) {}
void TControl::DrawSelect(DRAWITEMSTRUCT&) {}

void TControl::DrawItem(DRAWITEMSTRUCT& drawInfo)
{
  switch (drawInfo.itemAction) {
  case ODA_DRAWENTIRE:
    DrawEntire(drawInfo);
    break;
  case ODA_SELECT:
    DrawSelect(drawInfo);
    break;
  case ODA_FOCUS:
    DrawFocus(drawInfo);
    break;
  }
}

void TControl::EvPaint()
{
  if (IsFlagSet(wfPredefinedClass))
    DefaultProcessing();  // a platform control paints itself
  else
    TWindow::EvPaint();
}

LRESULT TControl::EvCompareItem(WPARAM, LPARAM item)
{
  return CompareItem(*reinterpret_cast<COMPAREITEMSTRUCT*>(item));
}

LRESULT TControl::EvDeleteItem(WPARAM, LPARAM item)
{
  DeleteItem(*reinterpret_cast<DELETEITEMSTRUCT*>(item));
  return 0;
}

LRESULT TControl::EvDrawItem(WPARAM, LPARAM item)
{
  DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(item));
  return 0;
}

LRESULT TControl::EvMeasureItem(WPARAM, LPARAM item)
{
  MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(item));
  return 0;
}

// clang-format off
DEFINE_RESPONSE_TABLE1(TControl, TWindow)
  EV_WM_PAINT,
  EV_WM_COMPAREITEM,
  EV_WM_DELETEITEM,
  EV_WM_DRAWITEM,
  EV_WM_MEASUREITEM,
END_RESPONSE_TABLE;
// clang-format on
