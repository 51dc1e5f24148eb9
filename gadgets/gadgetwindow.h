// Gadget windows: a child window that lays out a row or column of gadgets,
// paints them, routes the mouse to them, lets them ask for their enabled state
// at idle time and relays their hints to the frame.
#pragma once

#include "framework/window/window.h"
#include "gadgets/gadget.h"
#include "graphics/font.h"

#include <memory>

class TBrush;

enum TPlacement { Before = 0, After = 1 };
enum THintTrigger : std::uint8_t { HintNone = 0, HintOnPress = 1, HintOnEnter = 2 };

// The font of a gadget window: the "System" face at a point size.
class TGadgetWindowFont : public TFont {
public:
  explicit TGadgetWindowFont(int pointSize = 10, bool bold = false, bool italic = false);
};

class TGadgetWindow : public TWindow {
public:
  // Takes ownership of font (a null font gets the default TGadgetWindowFont).
  TGadgetWindow(TWindow* parent, TLayoutDirection direction, TFont* font, TModule* module = nullptr);
  // Deletes the gadgets still inserted.
  ~TGadgetWindow() override;

  virtual void SetDirection(TLayoutDirection direction);
  // Links gadget in before or after sibling (no sibling: at the front or the
  // end). Does not lay out; creation, a size change or Relayout does.
  virtual void Insert(TGadget& gadget, TPlacement placement = After, TGadget* sibling = nullptr);
  // Unlinks gadget; null when it is not in this window.
  virtual TGadget* Remove(TGadget& gadget);
  virtual void Relayout();
  virtual void DrawGadgets(TDC& dc, bool erase, const TRect& paintRect);
  virtual TSize PreferredSize();
  // The area inside the window's margins, client coordinates.
  virtual TRect ContentRect();
  // Gives every gadget its place; returns the area to repaint.
  virtual TRect ArrangeGadgets();
  // Moves p from the end of previous to where next starts.
  virtual void AdjustNextPosition(TGadget* previous, TGadget* next, TPoint& p);

  bool Create() override;
  bool IdleAction(long idleCount) override;
  void Paint(TDC& dc, bool erase, TRect& rect) override;

  void SetMargins(const TGadgetMargins& margins);
  void SetFit(bool width, bool height);
  void SetHintTrigger(THintTrigger trigger) { HintTrigger = trigger; }
  THintTrigger GetHintTrigger() const { return HintTrigger; }

  TGadget* FirstGadget() const { return Gadgets; }
  int NumGadgets() const { return GadgetCount; }
  TGadget* GadgetWithIndex(int index) const;
  TGadget* FindGadget(int id) const;
  TGadget* GadgetAt(const TPoint& point) const;
  TGadget* GetCapture() const { return Capture; }
  TGadget* GetHovered() const { return Hovered; }

  bool CaptureForGadget(TGadget* gadget);
  void ReleaseForGadget(TGadget* gadget);
  void GadgetResized(TGadget& gadget);

  TFont& GetFont() const { return *Font; }
  int GetFontHeight() const { return FontHeight; }
  int EighthsToPixels(int units) const;
  TEdges MarginPixels(const TGadgetMargins& margins) const;
  // Shows the hint of command id in the frame's message bar; id <= 0 clears it.
  void ShowCommandHint(int id);

protected:
  void EvLButtonDown(unsigned modKeys, const TPoint& point);
  void EvLButtonUp(unsigned modKeys, const TPoint& point);
  void EvLButtonDblClk(unsigned modKeys, const TPoint& point);
  void EvMouseMove(unsigned modKeys, const TPoint& point);
  void EvCaptureChanged(WPARAM, LPARAM newCapture);
  void EvSize(unsigned sizeType, const TSize& size);
  void EvSysColorChange();
  HBRUSH EvCtlColor(HDC dc, HWND control, unsigned controlType);

  TGadgetMargins Margins;
  bool FitWidth = false;
  bool FitHeight = true;
  bool LayoutPending = true;
  TLayoutDirection Direction;
  THintTrigger HintTrigger = HintOnPress;

private:
  friend class TGadget;
  // The gadget a button message goes to: the capture holder, else an enabled
  // gadget under point.
  TGadget* ButtonTarget(const TPoint& point) const;
  static TPoint LocalPoint(const TGadget& gadget, const TPoint& point);
  void ApplyFitToAttributes(const TSize& size);

  TGadget* Gadgets = nullptr;
  std::unique_ptr<TFont> Font;
  std::unique_ptr<TBrush> FaceBrush;
  TGadget* Capture = nullptr;
  TGadget* Hovered = nullptr;
  int GadgetCount = 0;
  int FontHeight = 0;
  int FillSpareCount = 0;

  DECLARE_RESPONSE_TABLE(TGadgetWindow);
};
