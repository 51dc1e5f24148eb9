#include "gadgets/buttongadget.h"

#include "gadgets/gadgetwindow.h"
#include "gadgets/hatchbrush.h"
#include "graphics/bitmap.h"
#include "graphics/brush.h"
#include "graphics/celarray.h"
#include "graphics/dc.h"
#include "graphics/dib.h"

#include <algorithm>

namespace {

// Raster operations of the cel building, with a monochrome mask as source:
// paint the brush where the mask is 0 (PSDPxax), or where it is 1 (DSPDxax).
constexpr DWORD BrushWhereMaskClear = 0xB8074A;
constexpr DWORD BrushWhereMaskSet = 0xE20746;

const THatch8x8Brush::TPattern DitherPattern{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};

// The brush that replaces the face in the latched and indeterminate looks,
// shared by every button.
THatch8x8Brush& DitherBrush()
{
  static THatch8x8Brush brush(DitherPattern, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNHIGHLIGHT));
  return brush;
}

// Scratch mask shared by every button; grown when a glyph is larger.
TBitmap& MaskBitmap(const TSize& atLeast)
{
  static std::unique_ptr<TBitmap> mask;
  const int w = std::max<int>(128, atLeast.cx), h = std::max<int>(128, atLeast.cy);
  if (!mask || mask->Width() < w || mask->Height() < h)
    mask = std::make_unique<TBitmap>(w, h, 1, 1, nullptr);
  return *mask;
}

}  // namespace

TButtonGadget::TButtonGadget(TResId glyphId, int id, TType type, bool enabled, TState state, bool repeat)
  : TGadget(id, FlatBorder), GlyphId(DupResId(glyphId)), State(state), Type(type), AutoRepeat(repeat)
{
  CaptureOnPress = true;
  SetEnabled(enabled);
  SetBevelWidth(DoubleBevel);
}

TButtonGadget::~TButtonGadget()
{
  FreeResId(GlyphId);
}

void TButtonGadget::SetBevelWidth(int width)
{
  BevelWidth = std::max(1, width);  // the bevel needs at least one pass
  const auto dark = static_cast<std::uint8_t>(BevelWidth + 1);
  SetBorders({2, dark, 2, dark});
}

// ------------------------------------------------------------------- state

void TButtonGadget::InvalidateInsideFrame()
{
  const TSize b = SystemBorderSize();
  InvalidateRect(TRect(b.cx, b.cy, Bounds.Width() - b.cx, Bounds.Height() - b.cy), false);
  Update();
}

void TButtonGadget::SetState(TState state)
{
  if (State == state)
    return;
  if (Type == RadioButton && state == StateDown)
    SelectInGroup();
  State = state;
  InvalidateInsideFrame();
}

void TButtonGadget::SelectInGroup()
{
  if (State == StateDown)
    return;
  if (Window) {
    auto radio = [](TGadget* gadget) {
      auto* button = dynamic_cast<TButtonGadget*>(gadget);
      return button && button->Type == RadioButton ? button : nullptr;
    };
    TGadget* first = nullptr;  // start of the run of radio buttons that reaches this one
    for (TGadget* g = Window->FirstGadget(); g && g != this; g = g->NextGadget())
      first = radio(g) ? (first ? first : g) : nullptr;
    for (TGadget* g = first ? first : this; g; g = g->NextGadget()) {
      TButtonGadget* button = radio(g);
      if (!button && g != this)
        break;
      if (button && button->State == StateDown) {
        button->State = StateUp;
        button->InvalidateInsideFrame();
      }
    }
  }
  State = StateDown;
}

void TButtonGadget::QueryEnable()
{
  if (!Window || !Window->GetParent())
    return;
  TButtonGadgetEnabler enabler(Window->GetParentH(), *this);
  Window->GetParent()->HandleMessage(WM_COMMAND_ENABLE, 0, reinterpret_cast<LPARAM>(&enabler));
}

// -------------------------------------------------------------------- cels

std::unique_ptr<TDib> TButtonGadget::LoadGlyphDib()
{
  HINSTANCE instance = Window ? static_cast<HINSTANCE>(*Window->GetModule()) : ::GetModuleHandleA(nullptr);
  auto dib = std::make_unique<TDib>(instance, TResId(GlyphId));
  dib->MapSystemColors(TDib::MapFace | TDib::MapText | TDib::MapShadow | TDib::MapHighlight);
  return dib;
}

void TButtonGadget::BuildCels()
{
  std::unique_ptr<TDib> dib = LoadGlyphDib();
  const int w = dib->Width(), h = dib->Height();
  if (!Cels || Cels->CelSize() != TSize(w, h)) {
    TScreenDC screen;
    auto strip = std::make_unique<TBitmap>(screen, 4 * w, h);
    Cels = std::make_unique<TCelArray>(strip.get(), 4, TSize(w, h));
    strip.release();  // the cel array owns it now
  }

  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
  TMemoryDC maskDC;
  maskDC.SelectObject(MaskBitmap(TSize(w, h)));
  TMemoryDC celDC;
  celDC.SelectObject(*Cels->GetBitmap());
  const TPoint normal = Cels->CelOrigin(CelNormal);

  ::StretchDIBits(celDC, normal.x, normal.y, w, h, 0, 0, w, h, dib->GetBits(), dib->GetInfo(), DIB_RGB_COLORS, SRCCOPY);
  dib.reset();

  // Mask bits: 1 where the cel shows the face colour.
  auto maskFaceOf = [&](TCel cel) {
    const TPoint origin = Cels->CelOrigin(cel);
    ::PatBlt(maskDC, 0, 0, w, h, WHITENESS);
    celDC.SetBkColor(face);
    ::BitBlt(maskDC, 0, 0, w, h, celDC, origin.x, origin.y, SRCCOPY);
  };
  // Paints brush onto cel through the mask with rop (mask bits become black/white).
  auto blitMask = [&](TCel cel, const TBrush& brush, DWORD rop, int shift) {
    const TPoint origin = Cels->CelOrigin(cel);
    celDC.SetTextColor(RGB(0, 0, 0));
    celDC.SetBkColor(RGB(255, 255, 255));
    celDC.SelectObject(brush);
    ::BitBlt(celDC, origin.x + shift, origin.y + shift, w - shift, h - shift, maskDC, 0, 0, rop);
    celDC.RestoreBrush();
  };

  // Disabled: the glyph's dark pixels engraved in shadow over highlight, on the face.
  maskFaceOf(CelNormal);
  FillSolid(celDC, Cels->CelBounds(CelDisabled), face);
  celDC.SetBkColor(highlight);
  ::BitBlt(maskDC, 0, 0, w, h, celDC, normal.x, normal.y, SRCPAINT);
  const TBrush highlightBrush(highlight);
  const TBrush shadowBrush(shadow);
  blitMask(CelDisabled, highlightBrush, BrushWhereMaskClear, 1);
  blitMask(CelDisabled, shadowBrush, BrushWhereMaskClear, 0);

  // Indeterminate: the dark pixels in shadow on the dither.
  blitMask(CelMixed, shadowBrush, BrushWhereMaskClear, 0);
  blitMask(CelMixed, DitherBrush(), BrushWhereMaskSet, 0);

  // Latched: the glyph with its face replaced by the dither.
  const TPoint latched = Cels->CelOrigin(CelLatched);
  ::BitBlt(celDC, latched.x, latched.y, w, h, celDC, normal.x, normal.y, SRCCOPY);
  maskFaceOf(CelLatched);
  blitMask(CelLatched, DitherBrush(), BrushWhereMaskSet, 0);
}

void TButtonGadget::SysColorChange()
{
  const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
  DitherBrush().Rebuild(DitherPattern, highlight, highlight);
  BuildCels();
  Invalidate(true);
}

TSize TButtonGadget::PreferredSize()
{
  if (!Cels)
    BuildCels();
  TSize size = TGadget::PreferredSize();
  size.cx += Cels->CelSize().cx;
  size.cy += Cels->CelSize().cy;
  return size;
}

void TButtonGadget::SetBounds(const TRect& bounds)
{
  TGadget::SetBounds(bounds);
  const TSize cel = Cels ? Cels->CelSize() : TSize();
  const TRect inner = ContentRect();
  GlyphOrigin = TPoint(inner.left + (inner.Width() - cel.cx) / 2, inner.top + (inner.Height() - cel.cy) / 2);
}

// ---------------------------------------------------------------- painting

TButtonGadget::TCel TButtonGadget::CelToShow() const
{
  if (!Enabled)
    return CelDisabled;
  if (State == StateMixed)
    return CelMixed;
  return State == StateDown && !Pressed ? CelLatched : CelNormal;
}

void TButtonGadget::Paint(TDC& dc)
{
  if (!Cels)
    BuildCels();
  DrawBorder(dc);

  // Pressed radio and toggle buttons sink deeper than push buttons.
  const int depth = Pressed && Type != PushButton ? 2 : 1;
  const bool down = Pressed || State == StateDown;
  const TRect face = PaintBevel(dc, depth, down);
  PaintCorners(dc, depth);

  TPoint origin = GlyphOrigin;
  if (down) {
    const TSize b = SystemBorderSize();
    origin.Offset(depth * b.cx, depth * b.cy);
  }
  const TSize cel = Cels->CelSize();
  const TRect glyph(origin, cel);
  const TCel look = CelToShow();
  if (look == CelNormal || look == CelLatched)
    PaintFaceAround(dc, face, glyph);

  TMemoryDC celDC;
  celDC.SelectObject(*Cels->GetBitmap());
  const TPoint source = Cels->CelOrigin(look);
  ::BitBlt(dc, glyph.left, glyph.top, cel.cx, cel.cy, celDC, source.x, source.y, SRCCOPY);
}

// The bevel inside the border: a button up has light top and left edges and
// a shadow of BevelWidth at the bottom and right; a button down a shadow at
// the top and left, depth borders wide. Returns the face inside it.
TRect TButtonGadget::PaintBevel(TDC& dc, int depth, bool down) const
{
  const TSize b = SystemBorderSize();
  const int bx = b.cx, by = b.cy;
  const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
  TRect inner(bx, by, Bounds.Width() - bx, Bounds.Height() - by);
  FillStrips(dc, down ? shadow : ::GetSysColor(COLOR_BTNHIGHLIGHT),
             {{inner.left, inner.top, inner.Width(), depth * by}, {inner.left, inner.top, depth * bx, inner.Height()}});
  if (down) {
    inner.left += depth * bx;
    inner.top += depth * by;
    return inner;
  }
  inner.bottom -= by;
  inner.right -= bx;
  TBrush shadowBrush(shadow);
  dc.SelectObject(shadowBrush);
  for (int pass = 0; pass < BevelWidth; ++pass) {
    if (pass)
      inner.Inflate(-bx, -by);
    ::PatBlt(dc, inner.left, inner.bottom, inner.right + bx - inner.left, by, PATCOPY);
    ::PatBlt(dc, inner.right, inner.top, bx, inner.bottom - inner.top, PATCOPY);
  }
  dc.RestoreBrush();
  return inner;
}

// Soft outer corners, and for a button up the inner corners of its frame
// and bevel, in the face colour.
void TButtonGadget::PaintCorners(TDC& dc, int depth) const
{
  const bool trim = TrimInnerCorners && State == StateUp && !Pressed;
  if (!SoftCorners && !trim)
    return;
  const TSize b = SystemBorderSize();
  const int bx = b.cx, by = b.cy;
  const int w = Bounds.Width(), h = Bounds.Height();
  TBrush faceBrush(::GetSysColor(COLOR_BTNFACE));
  dc.SelectObject(faceBrush);
  if (SoftCorners)
    for (const TPoint& corner : {TPoint(0, 0), TPoint(w - bx, 0), TPoint(0, h - by), TPoint(w - bx, h - by)})
      ::PatBlt(dc, corner.x, corner.y, bx, by, PATCOPY);
  if (trim) {
    TRect r(0, 0, w, h);
    for (int pass = 0; pass <= depth; ++pass) {
      r.Inflate(-bx, -by);
      ::PatBlt(dc, r.right - bx, r.top, bx, by, PATCOPY);
      ::PatBlt(dc, r.left, r.bottom - by, bx, by, PATCOPY);
    }
  }
  dc.RestoreBrush();
}

// The face around the glyph; the glyph itself is drawn over the rest.
void TButtonGadget::PaintFaceAround(TDC& dc, const TRect& inner, const TRect& glyph)
{
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  const bool overlap = glyph.left < inner.right && glyph.right > inner.left && glyph.top < inner.bottom &&
                       glyph.bottom > inner.top;
  if (!overlap) {
    FillSolid(dc, inner, face);
    return;
  }
  const int top = std::max<int>(glyph.top, inner.top), bottom = std::min<int>(glyph.bottom, inner.bottom);
  for (const TRect& part :
       {TRect(inner.left, inner.top, inner.right, top), TRect(inner.left, bottom, inner.right, inner.bottom),
        TRect(inner.left, top, glyph.left, bottom), TRect(glyph.right, top, inner.right, bottom)})
    if (!part.IsEmpty())
      FillSolid(dc, part, face);
}

// ------------------------------------------------------------------- mouse

void TButtonGadget::LButtonDown(unsigned modKeys, const TPoint& point)
{
  TGadget::LButtonDown(modKeys, point);
  PressDown(point);
}

void TButtonGadget::MouseMove(unsigned modKeys, const TPoint& point)
{
  TGadget::MouseMove(modKeys, point);
  const bool inside = Contains(point);
  if (Pressed && !inside)
    PressCancel(point);
  else if (!Pressed && inside)
    PressDown(point);
}

void TButtonGadget::LButtonUp(unsigned modKeys, const TPoint& point)
{
  TGadget::LButtonUp(modKeys, point);
  if (Pressed)
    Trigger(point);
}

void TButtonGadget::CaptureLost()
{
  if (Pressed)
    PressCancel(TPoint(-1, -1));
}

void TButtonGadget::MouseEnter(unsigned modKeys, const TPoint& point)
{
  TGadget::MouseEnter(modKeys, point);
  if (Window && Window->GetHintTrigger() == HintOnEnter)
    Window->ShowCommandHint(Id);
}

void TButtonGadget::MouseLeave(unsigned modKeys, const TPoint& point)
{
  TGadget::MouseLeave(modKeys, point);
  if (Window && Window->GetHintTrigger() == HintOnEnter)
    Window->ShowCommandHint(-1);
}

void TButtonGadget::PressDown(const TPoint&)
{
  Pressed = true;
  InvalidateInsideFrame();
  if (Window && Window->GetHintTrigger() == HintOnPress)
    Window->ShowCommandHint(Id);
}

void TButtonGadget::PressCancel(const TPoint&)
{
  Pressed = false;
  InvalidateInsideFrame();
  if (Window && Window->GetHintTrigger() == HintOnPress)
    Window->ShowCommandHint(-1);
}

void TButtonGadget::Trigger(const TPoint& point)
{
  if (Type == RadioButton) {
    if (State != StateDown)
      SelectInGroup();
  } else if (Type == ToggleButton) {
    State = State == StateUp ? StateDown : StateUp;
  }
  PressCancel(point);
  const bool sends = Enabled && (Type != RadioButton || State == StateDown);
  if (sends && Window && Window->GetParentH())
    ::PostMessageA(Window->GetParentH(), WM_COMMAND, Id, 0);
}

// ----------------------------------------------------------------- enabler

void TButtonGadgetEnabler::Enable(bool enable)
{
  TCommandEnabler::Enable(enable);
  Button.SetEnabled(enable);
}

void TButtonGadgetEnabler::SetCheck(int state)
{
  Button.SetState(static_cast<TButtonGadget::TState>(state));
}
