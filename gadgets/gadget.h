// Gadgets: light-weight items without windows of their own (buttons, text
// panes, separators) that a gadget window lays out, paints and feeds with
// mouse input. A gadget's drawing and mouse points are local to its bounds.
#pragma once

#include "gadgets/tiling.h"

#include <cstdint>
#include <initializer_list>

class TDC;
class TGadgetWindow;

enum TGadgetBorderStyle : int {
  NoBorder = 0,
  FlatBorder = 1,
  RaisedBorder = 2,
  SunkenBorder = 3,
  RidgeBorder = 4,
};

// Widths in border units (the system border width for Left/Right, height for Top/Bottom).
struct TGadgetBorders {
  std::uint8_t Left = 0, Right = 0, Top = 0, Bottom = 0;
};

// The system border width and height, read when needed (they can change).
TSize SystemBorderSize();

// A strip to fill: origin and extent, as PatBlt takes them.
struct TStrip {
  int X, Y, W, H;
};
// Fills each strip with a solid brush of color.
void FillStrips(TDC& dc, COLORREF color, std::initializer_list<TStrip> strips);
// Fills rect with color (the background colour of dc changes).
void FillSolid(TDC& dc, const TRect& rect, COLORREF color);

class TGadget {
public:
  TGadget(int id = 0, TGadgetBorderStyle style = NoBorder);
  // A gadget still in a window leaves it first.
  virtual ~TGadget();
  TGadget(const TGadget&) = delete;
  TGadget& operator=(const TGadget&) = delete;

  virtual void SetEnabled(bool enabled);
  // The size the gadget wants: borders and margins, and its content where it fits.
  virtual TSize PreferredSize();
  // Stores the bounds only; the window repaints what the layout changed.
  virtual void SetBounds(const TRect& bounds);
  // Asks the frame whether the gadget's command is available (idle time).
  virtual void QueryEnable() {}
  virtual void SysColorChange() {}
  virtual void OnInserted() {}
  virtual void OnRemoved() {}
  virtual bool Contains(const TPoint& point) const;
  virtual void Paint(TDC& dc);
  virtual void DrawBorder(TDC& dc);
  virtual void MouseMove(unsigned modKeys, const TPoint& point);
  virtual void MouseEnter(unsigned modKeys, const TPoint& point);
  virtual void MouseLeave(unsigned modKeys, const TPoint& point);
  virtual void LButtonDown(unsigned modKeys, const TPoint& point);
  virtual void LButtonUp(unsigned modKeys, const TPoint& point);
  // The window's capture was taken away while this gadget held it.
  virtual void CaptureLost() {}

  void SetBorderStyle(TGadgetBorderStyle style);
  void SetBorders(const TGadgetBorders& borders);
  void SetMargins(const TGadgetMargins& margins);
  void SetFit(bool width, bool height);
  void SetSize(const TSize& size);
  // Keeps the window's count of filling gadgets right while inserted.
  void SetFillSpare(bool fillSpare);

  // Margins plus borders in pixels; none while not inserted.
  TEdges EdgeSizes() const;
  // The area inside borders and margins, gadget-local.
  TRect ContentRect() const;
  void Invalidate(bool erase = true);
  void InvalidateRect(const TRect& localRect, bool erase = true);
  void Update();

  int GetId() const { return Id; }
  const TRect& GetBounds() const { return Bounds; }
  bool IsEnabled() const { return Enabled; }
  TGadgetBorderStyle GetBorderStyle() const { return BorderStyle; }
  TGadgetWindow* GetGadgetWindow() const { return Window; }
  TGadget* NextGadget() const { return Next; }

  bool ClipToBounds = false;

protected:
  TGadgetWindow* Window = nullptr;
  TRect Bounds;
  TGadgetBorderStyle BorderStyle = NoBorder;
  TGadgetBorders Borders;
  TGadgetMargins Margins;
  bool FitWidth = true;
  bool FitHeight = true;
  bool CaptureOnPress = false;
  int Id;
  bool Enabled = true;

private:
  friend class TGadgetWindow;
  bool FillSpare = false;
  TGadget* Next = nullptr;
};
