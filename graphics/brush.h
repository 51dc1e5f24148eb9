// Brushes. Solid brushes of the stock colours are the stock objects themselves.
#pragma once

#include "graphics/gdibase.h"

class TBitmap;
class TDib;

class TBrush : public TGdiObject {
public:
  TBrush(HBRUSH handle, TAutoDelete autoDelete = NoAutoDelete);
  // A solid brush; a stock brush (never deleted) when one has this colour.
  explicit TBrush(COLORREF color);
  TBrush(COLORREF color, int hatchStyle);
  explicit TBrush(const TBitmap& pattern);
  explicit TBrush(const TDib& pattern);
  explicit TBrush(const LOGBRUSH& logBrush);
  TBrush(const TBrush& source);

  HBRUSH GetHandle() const { return static_cast<HBRUSH>(Handle); }
  operator HBRUSH() const { return GetHandle(); }

  bool GetObject(LOGBRUSH& logBrush) const;

  // The stock brush of exactly this colour, or null. Built once, before any
  // static object that might ask, and never changed.
  static HBRUSH StockBrushFor(COLORREF color);
};
