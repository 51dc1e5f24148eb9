// The tool bar: a row (or column) of buttons and separators in which adjacent
// plain-framed buttons share their frame line.
#pragma once

#include "gadgets/gadgetwindow.h"

class TControlBar : public TGadgetWindow {
public:
  TControlBar(TWindow* parent = nullptr, TLayoutDirection direction = Horizontal, TFont* font = nullptr,
              TModule* module = nullptr);

  // Keys go on to the frame's accelerators untouched.
  bool PreProcessMsg(MSG& msg) override;
  void AdjustNextPosition(TGadget* previous, TGadget* next, TPoint& p) override;
};
