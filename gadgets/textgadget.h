// A text pane of a given width in average characters.
#pragma once

#include "gadgets/gadget.h"

#include <optional>
#include <string>

enum TTextAlign { AlignLeft = 0, AlignCenter = 1, AlignRight = 2 };

class TTextGadget : public TGadget {
public:
  // text may be null.
  TTextGadget(int id = 0, TGadgetBorderStyle style = SunkenBorder, TTextAlign align = AlignLeft, int numChars = 10,
              const char* text = nullptr);

  // Repaints only when the text changes; the pane keeps its size and cuts a longer text.
  void SetText(const char* text);
  // The text, or null when there is none.
  const char* GetText() const { return Text ? Text->c_str() : nullptr; }

  TSize PreferredSize() override;
  void Paint(TDC& dc) override;

private:
  std::optional<std::string> Text;
  TTextAlign Alignment;
  int WidthInChars;
};
