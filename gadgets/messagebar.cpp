#include "gadgets/messagebar.h"

#include "framework/frame/decframe.h"
#include "gadgets/textgadget.h"
#include "graphics/dc.h"

#include <algorithm>
#include <utility>

TMessageBar::TMessageBar(TWindow* parent, TFont* font, TModule* module)
  : TGadgetWindow(parent, Horizontal, font, module)
{
  Attributes.Id = TDecoratedFrame::MessageBarId;  // how the frame finds its hint receiver
  auto* pane = new TTextGadget(0, SunkenBorder, AlignLeft, 10, nullptr);
  pane->SetFillSpare(true);
  Insert(*pane);
}

void TMessageBar::SetText(const char* text)
{
  if (auto* pane = dynamic_cast<TTextGadget*>(FirstGadget()))
    pane->SetText(text);
}

void TMessageBar::SetHint(const char* text)
{
  std::optional<std::string> hint;
  if (text)
    hint = text;
  if (hint == Hint)
    return;  // the same hint again would only flicker
  Hint = std::move(hint);
  if (Handle)
    ::InvalidateRect(Handle, nullptr, TRUE);
}

void TMessageBar::DrawGadgets(TDC& dc, bool erase, const TRect& paintRect)
{
  const int by = SystemBorderSize().cy;
  if (TopLine && paintRect.top == 0)
    FillSolid(dc, TRect(0, 0, paintRect.right, by), ::GetSysColor(COLOR_BTNHIGHLIGHT));
  if (!Hint) {
    TGadgetWindow::DrawGadgets(dc, erase, paintRect);
    return;
  }
  TRect area = GetClientRect();
  if (TopLine)
    area.top += by;
  dc.SelectObject(GetFont());
  dc.SetBkColor(::GetSysColor(COLOR_BTNFACE));
  dc.SetTextColor(::GetSysColor(COLOR_BTNTEXT));
  const int y = std::max(0, (GetClientRect().Height() - GetFontHeight()) / 2);
  dc.ExtTextOut(5, y, ETO_OPAQUE, &area, Hint->c_str(), static_cast<int>(Hint->size()));
}

TSize TMessageBar::PreferredSize()
{
  TSize size = TGadgetWindow::PreferredSize();
  if (TopLine)
    size.cy += 1;
  return size;
}

TRect TMessageBar::ContentRect()
{
  TRect inner = TGadgetWindow::ContentRect();
  if (TopLine)
    inner.top += SystemBorderSize().cy;
  return inner;
}
