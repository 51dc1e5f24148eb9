#include "gadgets/textgadget.h"

#include "gadgets/gadgetwindow.h"
#include "graphics/dc.h"

#include <cstring>

TTextGadget::TTextGadget(int id, TGadgetBorderStyle style, TTextAlign align, int numChars, const char* text)
  : TGadget(id, style), Alignment(align), WidthInChars(numChars)
{
  Margins.Left = Margins.Right = 2;
  if (text)
    SetText(text);
}

void TTextGadget::SetText(const char* text)
{
  if (text && Text && *Text == text)
    return;
  if (!text && !Text)
    return;
  if (text)
    Text = std::string(text);
  else
    Text.reset();
  InvalidateRect(ContentRect(), false);
}

TSize TTextGadget::PreferredSize()
{
  TSize size = TGadget::PreferredSize();
  if (!Window)
    return size;
  if (FitWidth) {
    TScreenDC screen;
    screen.SelectObject(Window->GetFont());
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(screen, &metrics);
    size.cx += WidthInChars * ((metrics.tmMaxCharWidth + metrics.tmAveCharWidth) / 2);
  }
  if (FitHeight)
    size.cy += Window->GetFontHeight();
  return size;
}

void TTextGadget::Paint(TDC& dc)
{
  DrawBorder(dc);
  const TRect inner = ContentRect();
  const char* text = GetText();
  const int length = text ? static_cast<int>(Text->size()) : 0;
  int x = inner.left;
  if (length && Alignment != AlignLeft) {
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, text, length, &extent);
    if (extent.cx < inner.Width()) {
      const int spare = inner.Width() - extent.cx;
      x += Alignment == AlignRight ? spare : spare / 2;
    }
  }
  dc.SetBkColor(::GetSysColor(COLOR_BTNFACE));
  dc.SetTextColor(::GetSysColor(COLOR_BTNTEXT));
  dc.ExtTextOut(x, inner.top, ETO_OPAQUE | ETO_CLIPPED, &inner, text ? text : "", length);
}
