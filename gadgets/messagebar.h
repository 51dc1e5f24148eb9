// A bar with one wide message pane that a hint text can cover; it is the
// frame's message bar (it takes the frame's menu and button hints).
#pragma once

#include "framework/frame/hintreceiver.h"
#include "gadgets/gadgetwindow.h"

#include <optional>
#include <string>

class TMessageBar : public TGadgetWindow, public THintReceiver {
public:
  TMessageBar(TWindow* parent = nullptr, TFont* font = nullptr, TModule* module = nullptr);

  // The text of the message pane.
  void SetText(const char* text);
  // Covers the panes with text, an empty one too (a command without a hint
  // string blanks the bar like any other); null uncovers them.
  void SetHint(const char* text) override;
  // Null while no hint covers the panes.
  const char* GetHint() const { return Hint ? Hint->c_str() : nullptr; }

  void DrawGadgets(TDC& dc, bool erase, const TRect& paintRect) override;
  TSize PreferredSize() override;
  TRect ContentRect() override;

protected:
  bool TopLine = true;  // a highlight line along the top edge

private:
  std::optional<std::string> Hint;
};
