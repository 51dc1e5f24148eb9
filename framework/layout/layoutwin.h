// A window that positions its children by edge constraints whenever its
// client size changes.
#pragma once

#include "framework/window/window.h"
#include "framework/layout/layoutmetrics.h"
#include "framework/layout/layoutsolver.h"

class TLayoutWindow : virtual public TWindow {
public:
  TLayoutWindow(TWindow* parent, const char* title = nullptr, TModule* module = nullptr);

  void SetChildLayoutMetrics(TWindow& child, const TLayoutMetrics& metrics);
  bool GetChildLayoutMetrics(TWindow& child, TLayoutMetrics& metrics) const;
  bool RemoveChildLayoutMetrics(TWindow& child);

  // Solves the constraints and moves the children (or, before they have
  // windows, sets their creation position and size).
  virtual void Layout();

  void RemoveChild(TWindow* child) override;

protected:
  // For classes that derive virtually: the window part is set up by Init.
  TLayoutWindow() = default;

  void EvSize(unsigned sizeType, const TSize& size);

  // The height of the font the window reports for WM_GETFONT, else of the
  // screen's default font.
  int MeasureFontHeight();

  TSize ClientSize;
  TLayoutSolver Solver;
  int FontHeight = 0;

  DECLARE_RESPONSE_TABLE(TLayoutWindow);
};
