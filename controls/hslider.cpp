#include "controls/hslider.h"
#include "controls/sliderscale.h"
#include "graphics/brush.h"
#include "graphics/dc.h"
#include "graphics/region.h"

#include <cstdint>

namespace {

void FillSolid(TDC& dc, const TRect& rect, COLORREF color)
{
  dc.SetBkColor(color);
  dc.ExtTextOut(0, 0, ETO_OPAQUE, &rect, nullptr, 0);
}

void FillWithSysColor(TDC& dc, const TRect& rect, int sysColor)
{
  ::FillRect(dc, &rect, TBrush(::GetSysColor(sysColor)));
}

}  // namespace

THSlider::THSlider(TWindow* parent, int id, int x, int y, int w, int h, TResId thumbBitmapId, TModule* module)
  : TSlider(parent, id, x, y, w, h, thumbBitmapId, module)
{
  if (h == 0)
    Attributes.H = 32;
}

TPoint THSlider::ThumbPointFor(int position)
{
  return TPoint(SliderScale::OffsetFor(position, Min, Range, TrackLength()), ThumbRect.top);
}

int THSlider::PositionAt(const TPoint& point)
{
  return SliderScale::PositionAt(point.x, Min, Range, TrackLength());
}

int THSlider::ClassifyPoint(const TPoint& point)
{
  const bool onThumb = ThumbRegion ? ::PtInRegion(*ThumbRegion, point.x, point.y) : ThumbRect.Contains(point);
  if (onThumb)
    return HitThumb;
  if (point.y > ThumbRect.bottom)
    return HitRuler;
  if (point.x < ThumbRect.left)
    return HitPageUp;
  if (point.x < ThumbRect.right)
    return HitNothing;  // beside the thumb's shape, within its width
  return HitPageDown;
}

void THSlider::ReportScroll(int code, int position)
{
  ReportedPos = position;
  if (Parent)
    Parent->HandleMessage(WM_HSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(Handle));
}

// A dark-outlined groove, half a thumb in from either end, with a shadow line
// inside its top and a highlight line under it.
void THSlider::DrawSlot(TDC& dc)
{
  const int w = Attributes.W;
  const int depth = SlotDepth;
  const int top = (ThumbRect.Height() - depth + 1) / 2 + 1;
  const int inset = ThumbRect.Width() / 2;
  for (const TRect& around : {TRect(0, 0, w, top), TRect(0, top, inset, top + depth),
                              TRect(w - inset, top, w, top + depth), TRect(0, depth, w, depth + top)})
    FillSolid(dc, around, BackColor);
  FillSolid(dc, TRect(inset, top, w - inset, depth - 1), ::GetSysColor(COLOR_BTNTEXT));
  FillWithSysColor(dc, TRect(inset + 1, top + 1, w - inset - 1, top + 2), COLOR_BTNSHADOW);
  FillSolid(dc, TRect(inset + 1, top + 2, w - inset - 1, depth - 2), ::GetSysColor(COLOR_BTNFACE));
  FillWithSysColor(dc, TRect(inset, depth - 1, w - inset, depth), COLOR_BTNHIGHLIGHT);
}

// Dark tick marks with a highlight at their right, one per tick step and one
// at the end, standing on a base line. Windows no taller than the thumb row
// (the button bar's slider) have no room for it.
void THSlider::DrawRuler(TDC& dc)
{
  const int height = GetClientRect().Height();
  const int thumbHeight = ThumbRect.Height();
  if (height <= thumbHeight)
    return;
  const int w = Attributes.W;
  const int inset = ThumbRect.Width() / 2;
  const int y0 = thumbHeight + 1;
  const COLORREF dark = ::GetSysColor(COLOR_BTNTEXT);
  FillSolid(dc, TRect(0, thumbHeight, w, height), BackColor);
  dc.SelectObject(TBrush(::GetSysColor(COLOR_BTNHIGHLIGHT)));

  // Several steps may fall on one pixel; each pixel's tick is drawn once.
  int lastX = -1;
  for (std::int64_t v = Min; v < Max; v += TickStep) {
    const int x = ThumbPointFor(static_cast<int>(v)).x + inset;
    if (x != lastX) {
      FillSolid(dc, TRect(x, y0, x + 1, y0 + 5), dark);
      ::PatBlt(dc, x + 1, y0, 1, 5, PATCOPY);
      lastX = x;
    }
    if (TickStep <= 0)
      break;
  }
  const int endX = w - inset;
  FillSolid(dc, TRect(endX - 1, y0, endX, y0 + 5), dark);
  ::PatBlt(dc, endX, y0, 1, 6, PATCOPY);
  FillSolid(dc, TRect(inset, y0 + 5, w - inset, y0 + 6), dark);
  ::PatBlt(dc, inset, y0 + 6, w - 2 * inset + 1, 1, PATCOPY);
  dc.RestoreBrush();
}
