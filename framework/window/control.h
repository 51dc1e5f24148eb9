// Window objects for child controls, including owner-drawn ones that draw
// their own items.
#pragma once

#include "framework/window/window.h"

class TControl : public TWindow {
public:
  TControl(TWindow* parent, int id, const char* title, int x, int y, int w, int h, TModule* module = nullptr);
  // A control of a dialog resource.
  TControl(TWindow* parent, int resourceId, TModule* module = nullptr);

  virtual int CompareItem(COMPAREITEMSTRUCT& compareInfo);
  virtual void DeleteItem(DELETEITEMSTRUCT& deleteInfo);
  virtual void MeasureItem(MEASUREITEMSTRUCT& measureInfo);
  virtual void DrawItem(DRAWITEMSTRUCT& drawInfo);
  virtual void DrawEntire(DRAWITEMSTRUCT& drawInfo);
  virtual void DrawFocus(DRAWITEMSTRUCT& drawInfo);
  virtual void DrawSelect(DRAWITEMSTRUCT& drawInfo);

protected:
  void EvPaint();
  LRESULT EvCompareItem(WPARAM ctrlId, LPARAM item);
  LRESULT EvDeleteItem(WPARAM ctrlId, LPARAM item);
  LRESULT EvDrawItem(WPARAM ctrlId, LPARAM item);
  LRESULT EvMeasureItem(WPARAM ctrlId, LPARAM item);

  DECLARE_RESPONSE_TABLE(TControl);
};
