// An empty gap between gadgets.
#pragma once

#include "gadgets/gadget.h"

class TSeparatorGadget : public TGadget {
public:
  // size in border units, in both directions.
  explicit TSeparatorGadget(int size = 6);

  void OnInserted() override;
  void Paint(TDC&) override {}
};
