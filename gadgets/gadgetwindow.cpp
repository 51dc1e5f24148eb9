#include "gadgets/gadgetwindow.h"

#include "graphics/brush.h"
#include "graphics/dc.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

int FontHeightFor(int pointSize)
{
  TScreenDC screen;
  return -::MulDiv(pointSize, screen.GetDeviceCaps(LOGPIXELSY), 72);
}

// Restores a device context's saved state when the scope ends.
class TSavedDCState {
public:
  explicit TSavedDCState(TDC& dc) : Dc(dc), Index(dc.SaveDC()) {}
  ~TSavedDCState() { Dc.RestoreDC(Index); }
  TSavedDCState(const TSavedDCState&) = delete;
  TSavedDCState& operator=(const TSavedDCState&) = delete;

private:
  TDC& Dc;
  int Index;
};

// Puts a device context's viewport origin back when the scope ends.
class TViewportOriginKeeper {
public:
  explicit TViewportOriginKeeper(TDC& dc) : Dc(dc) { ::GetViewportOrgEx(dc, &Origin); }
  ~TViewportOriginKeeper() { Dc.SetViewportOrg(Origin); }
  TViewportOriginKeeper(const TViewportOriginKeeper&) = delete;
  TViewportOriginKeeper& operator=(const TViewportOriginKeeper&) = delete;
  TPoint Origin;

private:
  TDC& Dc;
};

bool Overlaps(const TRect& a, const TRect& b)
{
  return a.left < b.right && a.right > b.left && a.top < b.bottom && a.bottom > b.top;
}

}  // namespace

TGadgetWindowFont::TGadgetWindowFont(int pointSize, bool bold, bool italic)
  : TFont(FontHeightFor(pointSize), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic, FALSE, FALSE, DEFAULT_CHARSET,
          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 0, "System")
{
}

TGadgetWindow::TGadgetWindow(TWindow* parent, TLayoutDirection direction, TFont* font, TModule* module)
  : TWindow(parent, nullptr, module), Direction(direction), Font(font ? font : new TGadgetWindowFont)
{
  Attributes.Style |= WS_BORDER;
  SetFit(direction == Vertical, direction == Horizontal);

  TScreenDC screen;
  screen.SelectObject(*Font);
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(screen, &metrics);
  FontHeight = metrics.tmHeight + metrics.tmExternalLeading;
  Attributes.H = FontHeight + 2 * SystemBorderSize().cy;

  BkgndColor = ::GetSysColor(COLOR_BTNFACE);
  FaceBrush = std::make_unique<TBrush>(BkgndColor);
}

TGadgetWindow::~TGadgetWindow()
{
  while (Gadgets)
    delete Gadgets;  // each gadget removes itself
}

// --------------------------------------------------------------- the list

void TGadgetWindow::Insert(TGadget& gadget, TPlacement placement, TGadget* sibling)
{
  if (gadget.Window)
    gadget.Window->Remove(gadget);
  TGadget** link = &Gadgets;
  if (sibling || placement == After) {
    while (*link && *link != sibling)
      link = &(*link)->Next;
    if (placement == After && *link)
      link = &(*link)->Next;
  }
  gadget.Next = *link;
  *link = &gadget;
  gadget.Window = this;
  ++GadgetCount;
  gadget.OnInserted();
  if (gadget.FillSpare)
    ++FillSpareCount;
}

TGadget* TGadgetWindow::Remove(TGadget& gadget)
{
  if (gadget.Window != this)
    return nullptr;
  TGadget** link = &Gadgets;
  while (*link && *link != &gadget)
    link = &(*link)->Next;
  if (!*link)
    return nullptr;
  *link = gadget.Next;
  --GadgetCount;
  if (gadget.FillSpare)
    --FillSpareCount;
  if (Hovered == &gadget)
    Hovered = nullptr;
  ReleaseForGadget(&gadget);
  gadget.OnRemoved();
  gadget.Window = nullptr;
  gadget.Next = nullptr;
  gadget.Bounds.Offset(-gadget.Bounds.left, -gadget.Bounds.top);
  return &gadget;
}

TGadget* TGadgetWindow::GadgetWithIndex(int index) const
{
  TGadget* gadget = index >= 0 ? Gadgets : nullptr;
  for (; gadget && index > 0; --index)
    gadget = gadget->Next;
  return gadget;
}

TGadget* TGadgetWindow::FindGadget(int id) const
{
  for (TGadget* gadget = Gadgets; gadget; gadget = gadget->Next)
    if (gadget->Id == id)
      return gadget;
  return nullptr;
}

TGadget* TGadgetWindow::GadgetAt(const TPoint& point) const
{
  for (TGadget* gadget = Gadgets; gadget; gadget = gadget->Next)
    if (gadget->Contains(LocalPoint(*gadget, point)))
      return gadget;
  return nullptr;
}

TPoint TGadgetWindow::LocalPoint(const TGadget& gadget, const TPoint& point)
{
  return TPoint(point.x - gadget.Bounds.left, point.y - gadget.Bounds.top);
}

// ------------------------------------------------------------------ layout

int TGadgetWindow::EighthsToPixels(int units) const
{
  return ::EighthsToPixels(units, FontHeight);
}

TEdges TGadgetWindow::MarginPixels(const TGadgetMargins& margins) const
{
  return ::MarginPixels(margins, FontHeight, SystemBorderSize());
}

void TGadgetWindow::SetMargins(const TGadgetMargins& margins)
{
  Margins = margins;
  Relayout();
}

void TGadgetWindow::SetFit(bool width, bool height)
{
  FitWidth = width;
  FitHeight = height;
}

TRect TGadgetWindow::ContentRect()
{
  const TEdges margins = MarginPixels(Margins);
  TRect inner(margins.Left, margins.Top, Attributes.W - margins.Right, Attributes.H - margins.Bottom);
  if (Attributes.Style & WS_BORDER) {
    const TSize border = SystemBorderSize();
    inner.right -= 2 * border.cx;
    inner.bottom -= 2 * border.cy;
  }
  return inner;
}

TSize TGadgetWindow::PreferredSize()
{
  const TEdges margins = MarginPixels(Margins);
  const TSize border = SystemBorderSize();
  const bool framed = (Attributes.Style & WS_BORDER) != 0;
  int maxW = 0, maxH = 0;
  TGadget* last = nullptr;
  if (FitWidth || FitHeight) {
    for (TGadget* gadget = Gadgets; gadget; gadget = gadget->Next) {
      const TSize size = gadget->PreferredSize();
      maxW = std::max<int>(maxW, size.cx);
      maxH = std::max<int>(maxH, size.cy);
    }
    if ((Direction == Horizontal && FitWidth) || (Direction == Vertical && FitHeight)) {
      ArrangeGadgets();
      for (last = Gadgets; last && last->Next; last = last->Next) {
      }
    }
  }

  TSize size(Attributes.W, Attributes.H);
  if (FitWidth) {
    if (Direction == Vertical)
      size.cx = margins.Left + margins.Right + maxW + (framed ? 2 * border.cx : 0);
    else
      size.cx = margins.Right + (last ? last->Bounds.right : 0);
  }
  if (FitHeight) {
    if (Direction == Vertical)
      size.cy = margins.Bottom + (last ? last->Bounds.bottom : 0);
    else
      size.cy = margins.Top + margins.Bottom + maxH + (framed ? 2 * border.cy : 0);
  }
  return size;
}

void TGadgetWindow::AdjustNextPosition(TGadget*, TGadget*, TPoint&) {}

TRect TGadgetWindow::ArrangeGadgets()
{
  std::vector<TTile> tiles;
  tiles.reserve(GadgetCount);
  for (TGadget* gadget = Gadgets; gadget; gadget = gadget->Next) {
    TTile tile{gadget->PreferredSize(), gadget->FillSpare && Direction == Horizontal, 0};
    if (gadget->Next) {
      TPoint gap;
      AdjustNextPosition(gadget, gadget->Next, gap);
      tile.Gap = Direction == Horizontal ? gap.x : gap.y;
    }
    tiles.push_back(tile);
  }
  const std::vector<TRect> bounds = Tile(Direction, ContentRect(), tiles);

  TRect invalid;
  std::size_t i = 0;
  for (TGadget* gadget = Gadgets; gadget; gadget = gadget->Next, ++i) {
    const TRect old = gadget->Bounds;
    if (bounds[i] == old)
      continue;
    gadget->SetBounds(bounds[i]);
    invalid.Union(bounds[i]);
    if (old.left || old.top)  // a gadget at (0, 0) has never been placed
      invalid.Union(old);
  }
  return invalid;
}

void TGadgetWindow::Relayout()
{
  if (!Handle)
    return;
  const TRect invalid = ArrangeGadgets();
  if (!invalid.IsEmpty())
    ::InvalidateRect(Handle, &invalid, TRUE);
}

void TGadgetWindow::GadgetResized(TGadget&)
{
  Relayout();
}

void TGadgetWindow::ApplyFitToAttributes(const TSize& size)
{
  if (FitWidth)
    Attributes.W = size.cx;
  if (FitHeight)
    Attributes.H = size.cy;
}

bool TGadgetWindow::Create()
{
  ApplyFitToAttributes(PreferredSize());
  if (!TWindow::Create())
    return false;
  const TSize size = PreferredSize();
  if ((FitWidth && size.cx != Attributes.W) || (FitHeight && size.cy != Attributes.H)) {
    ApplyFitToAttributes(size);
    Relayout();
  }
  return true;
}

void TGadgetWindow::SetDirection(TLayoutDirection direction)
{
  if (Direction == direction)
    return;
  Direction = direction;
  SetFit(direction == Vertical, direction == Horizontal);
  std::swap(Margins.Left, Margins.Top);
  std::swap(Margins.Right, Margins.Bottom);
  if (Handle) {
    ApplyFitToAttributes(PreferredSize());
    Relayout();
  }
}

void TGadgetWindow::EvSize(unsigned sizeType, const TSize& size)
{
  TWindow::EvSize(sizeType, size);
  if (LayoutPending || FillSpareCount) {
    LayoutPending = false;
    ArrangeGadgets();
    ::InvalidateRect(Handle, nullptr, TRUE);
  }
}

// ---------------------------------------------------------------- painting

void TGadgetWindow::Paint(TDC& dc, bool erase, TRect& rect)
{
  dc.SelectObject(*Font);
  DrawGadgets(dc, erase, rect);
}

void TGadgetWindow::DrawGadgets(TDC& dc, bool, const TRect& paintRect)
{
  TViewportOriginKeeper origin(dc);
  for (TGadget* gadget = Gadgets; gadget; gadget = gadget->Next) {
    const TRect& bounds = gadget->Bounds;
    if (!Overlaps(bounds, paintRect))
      continue;
    dc.SetViewportOrg(TPoint(origin.Origin.x + bounds.left, origin.Origin.y + bounds.top));
    if (gadget->ClipToBounds) {
      TSavedDCState saved(dc);
      ::IntersectClipRect(dc, 0, 0, bounds.Width(), bounds.Height());
      gadget->Paint(dc);
    } else {
      gadget->Paint(dc);
    }
  }
}

void TGadgetWindow::EvSysColorChange()
{
  for (TGadget* gadget = Gadgets; gadget; gadget = gadget->Next)
    gadget->SysColorChange();
  BkgndColor = ::GetSysColor(COLOR_BTNFACE);
  FaceBrush = std::make_unique<TBrush>(BkgndColor);
  TWindow::EvSysColorChange();  // child controls follow too
  if (Handle)
    ::InvalidateRect(Handle, nullptr, TRUE);
}

HBRUSH TGadgetWindow::EvCtlColor(HDC dc, HWND, unsigned)
{
  ::SetBkColor(dc, BkgndColor);
  return *FaceBrush;
}

// ------------------------------------------------------------------- mouse

bool TGadgetWindow::CaptureForGadget(TGadget* gadget)
{
  if (Capture && Capture != gadget)
    return false;
  Capture = gadget;
  if (Handle)
    ::SetCapture(Handle);
  return true;
}

void TGadgetWindow::ReleaseForGadget(TGadget* gadget)
{
  if (!gadget || Capture != gadget)
    return;
  Capture = nullptr;
  ::ReleaseCapture();
}

TGadget* TGadgetWindow::ButtonTarget(const TPoint& point) const
{
  if (Capture)
    return Capture;
  TGadget* gadget = GadgetAt(point);
  return gadget && gadget->Enabled ? gadget : nullptr;
}

void TGadgetWindow::EvLButtonDown(unsigned modKeys, const TPoint& point)
{
  if (TGadget* target = ButtonTarget(point))
    target->LButtonDown(modKeys, LocalPoint(*target, point));
  DefaultProcessing();
}

void TGadgetWindow::EvLButtonUp(unsigned modKeys, const TPoint& point)
{
  if (TGadget* target = ButtonTarget(point))
    target->LButtonUp(modKeys, LocalPoint(*target, point));
  DefaultProcessing();
}

void TGadgetWindow::EvLButtonDblClk(unsigned modKeys, const TPoint& point)
{
  // The second click of a double click is a press of its own.
  if (TGadget* target = ButtonTarget(point))
    target->LButtonUp(modKeys, LocalPoint(*target, point));
  if (TGadget* target = ButtonTarget(point))
    target->LButtonDown(modKeys, LocalPoint(*target, point));
  DefaultProcessing();
}

void TGadgetWindow::EvMouseMove(unsigned modKeys, const TPoint& point)
{
  if (Capture) {
    Capture->MouseMove(modKeys, LocalPoint(*Capture, point));
  } else {
    TGadget* gadget = GadgetAt(point);
    if (gadget != Hovered) {
      if (TGadget* left = Hovered) {
        Hovered = nullptr;
        left->MouseLeave(modKeys, LocalPoint(*left, point));
      }
      Hovered = gadget;
      if (gadget)
        gadget->MouseEnter(modKeys, LocalPoint(*gadget, point));
    }
  }
  DefaultProcessing();
}

void TGadgetWindow::EvCaptureChanged(WPARAM, LPARAM newCapture)
{
  // Another window took the mouse (a message box, a drag elsewhere): the
  // gadget that held it must not stay pressed with nothing left to release it.
  if (Capture && reinterpret_cast<HWND>(newCapture) != Handle) {
    TGadget* lost = Capture;
    Capture = nullptr;
    lost->CaptureLost();
  }
  DefaultProcessing();
}

// -------------------------------------------------------------------- idle

bool TGadgetWindow::IdleAction(long idleCount)
{
  if (idleCount == 0 && Handle) {
    // No message arrives when the pointer leaves the window; look for it here.
    if (Hovered) {
      POINT cursor{};
      ::GetCursorPos(&cursor);
      if (::WindowFromPoint(cursor) != Handle)
        HandleMessage(WM_MOUSEMOVE, 0, MAKELPARAM(0xFFFF, 0xFFFF));
    }
    for (TGadget* gadget = Gadgets; gadget;) {
      TGadget* next = gadget->Next;
      gadget->QueryEnable();
      gadget = next;
    }
  }
  return TWindow::IdleAction(idleCount);
}

void TGadgetWindow::ShowCommandHint(int id)
{
  if (!Parent)
    return;
  Parent->HandleMessage(WM_MENUSELECT, id > 0 ? static_cast<WPARAM>(id) : 0xFFFF0000u, 0);
  Parent->HandleMessage(WM_ENTERIDLE, MSGF_MENU, 0);
}

// clang-format off
DEFINE_RESPONSE_TABLE1(TGadgetWindow, TWindow)
  EV_WM_LBUTTONDOWN,
  EV_WM_LBUTTONUP,
  EV_WM_LBUTTONDBLCLK,
  EV_WM_MOUSEMOVE,
  EV_MESSAGE(WM_CAPTURECHANGED, EvCaptureChanged),
  EV_WM_SIZE,
  EV_WM_SYSCOLORCHANGE,
  EV_WM_CTLCOLOR,
END_RESPONSE_TABLE;
// clang-format on
