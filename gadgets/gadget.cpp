#include "gadgets/gadget.h"

#include "gadgets/gadgetwindow.h"
#include "graphics/brush.h"
#include "graphics/dc.h"

TSize SystemBorderSize()
{
  return TSize(::GetSystemMetrics(SM_CXBORDER), ::GetSystemMetrics(SM_CYBORDER));
}

void FillStrips(TDC& dc, COLORREF color, std::initializer_list<TStrip> strips)
{
  TBrush brush(color);
  dc.SelectObject(brush);
  for (const TStrip& s : strips)
    ::PatBlt(dc, s.X, s.Y, s.W, s.H, PATCOPY);
  dc.RestoreBrush();
}

void FillSolid(TDC& dc, const TRect& rect, COLORREF color)
{
  dc.SetBkColor(color);
  dc.ExtTextOut(0, 0, ETO_OPAQUE, &rect, nullptr, 0);
}

TGadget::TGadget(int id, TGadgetBorderStyle style) : Id(id)
{
  SetBorderStyle(style);
}

TGadget::~TGadget()
{
  if (Window)
    Window->Remove(*this);
}

void TGadget::SetEnabled(bool enabled)
{
  if (Enabled == enabled)
    return;
  Enabled = enabled;
  Invalidate(false);
}

void TGadget::SetBorderStyle(TGadgetBorderStyle style)
{
  BorderStyle = style;
  std::uint8_t width = 0;
  switch (style) {
  case FlatBorder:
  case RaisedBorder:
  case SunkenBorder:
    width = 1;
    break;
  case RidgeBorder:
    width = 3;
    break;
  default:
    break;
  }
  Borders = {width, width, width, width};
  if (Window)
    Window->GadgetResized(*this);
}

void TGadget::SetBorders(const TGadgetBorders& borders)
{
  Borders = borders;
  if (Window)
    Window->GadgetResized(*this);
}

void TGadget::SetMargins(const TGadgetMargins& margins)
{
  Margins = margins;
  if (Window)
    Window->GadgetResized(*this);
}

void TGadget::SetFit(bool width, bool height)
{
  FitWidth = width;
  FitHeight = height;
}

void TGadget::SetSize(const TSize& size)
{
  // The layout sees these bounds as already in place, so the gadget's own
  // old and new areas are repainted here.
  Invalidate(true);
  Bounds.right = Bounds.left + size.cx;
  Bounds.bottom = Bounds.top + size.cy;
  Invalidate(true);
  if (Window)
    Window->GadgetResized(*this);
}

void TGadget::SetFillSpare(bool fillSpare)
{
  if (FillSpare == fillSpare)
    return;
  FillSpare = fillSpare;
  if (Window) {
    Window->FillSpareCount += fillSpare ? 1 : -1;
    Window->GadgetResized(*this);
  }
}

void TGadget::SetBounds(const TRect& bounds)
{
  Bounds = bounds;
}

TEdges TGadget::EdgeSizes() const
{
  if (!Window)
    return {};
  const TSize border = SystemBorderSize();
  TEdges edges = Window->MarginPixels(Margins);
  edges.Left += Borders.Left * border.cx;
  edges.Right += Borders.Right * border.cx;
  edges.Top += Borders.Top * border.cy;
  edges.Bottom += Borders.Bottom * border.cy;
  return edges;
}

TSize TGadget::PreferredSize()
{
  const TEdges edges = EdgeSizes();
  return TSize(FitWidth ? edges.Left + edges.Right : Bounds.Width(),
               FitHeight ? edges.Top + edges.Bottom : Bounds.Height());
}

TRect TGadget::ContentRect() const
{
  const TEdges edges = EdgeSizes();
  return TRect(edges.Left, edges.Top, Bounds.Width() - edges.Right, Bounds.Height() - edges.Bottom);
}

void TGadget::Invalidate(bool erase)
{
  InvalidateRect(TRect(0, 0, Bounds.Width(), Bounds.Height()), erase);
}

void TGadget::InvalidateRect(const TRect& localRect, bool erase)
{
  if (!Window || !Window->GetHandle())
    return;
  TRect rect = localRect;
  rect.Offset(Bounds.left, Bounds.top);
  ::InvalidateRect(Window->GetHandle(), &rect, erase);
}

void TGadget::Update()
{
  if (Window && Window->GetHandle())
    ::UpdateWindow(Window->GetHandle());
}

bool TGadget::Contains(const TPoint& point) const
{
  return point.x >= 0 && point.x < Bounds.Width() && point.y >= 0 && point.y < Bounds.Height();
}

void TGadget::Paint(TDC& dc)
{
  DrawBorder(dc);
}

void TGadget::DrawBorder(TDC& dc)
{
  const TSize b = SystemBorderSize();
  const int bx = b.cx, by = b.cy;
  const int w = Bounds.Width(), h = Bounds.Height();
  const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF dark = ::GetSysColor(COLOR_BTNSHADOW);
  switch (BorderStyle) {
  case FlatBorder: {
    TBrush frame(::GetSysColor(COLOR_WINDOWFRAME));
    dc.PatFrame(frame, TRect(0, 0, w, h), bx, by);
    break;
  }
  case RaisedBorder:
  case SunkenBorder: {
    const bool raised = BorderStyle == RaisedBorder;
    FillStrips(dc, raised ? light : dark, {{0, 0, w - bx, by}, {0, 0, bx, h - by}});
    FillStrips(dc, raised ? dark : light, {{bx, h - by, w - bx, by}, {w - bx, by, bx, h - by}});
    break;
  }
  case RidgeBorder:
    // An outer raised ring around an inner sunken one.
    FillStrips(dc, light,
               {{0, 0, w - bx, by},
                {0, 0, bx, h - by},
                {3 * bx, h - 3 * by, w - 5 * bx, by},
                {w - 3 * bx, 3 * by, bx, h - 5 * by}});
    FillStrips(dc, dark,
               {{2 * bx, 2 * by, w - 5 * bx, by},
                {2 * bx, 2 * by, bx, h - 5 * by},
                {bx, h - by, w - 2 * bx, by},
                {w - bx, by, bx, h - by}});
    break;
  default:
    break;
  }
}

void TGadget::MouseMove(unsigned, const TPoint&) {}
void TGadget::MouseEnter(unsigned, const TPoint&) {}
void TGadget::MouseLeave(unsigned, const TPoint&) {}

void TGadget::LButtonDown(unsigned, const TPoint&)
{
  if (CaptureOnPress && Window)
    Window->CaptureForGadget(this);
}

void TGadget::LButtonUp(unsigned, const TPoint&)
{
  if (CaptureOnPress && Window)
    Window->ReleaseForGadget(this);
}
