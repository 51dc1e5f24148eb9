#include "graphics/brush.h"

#include "graphics/bitmap.h"
#include "graphics/dib.h"

namespace {

struct TStockBrush {
  HBRUSH Handle;
  COLORREF Color;
};

// The five grey-scale stock brushes with the colours the platform reports for
// them. Stock objects need no freeing, so the cache is plain data.
struct TStockBrushCache {
  TStockBrush Entries[5];

  TStockBrushCache()
  {
    for (int i = 0; i < 5; ++i) {
      HBRUSH brush = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH - i));
      LOGBRUSH logBrush{};
      ::GetObjectA(brush, sizeof logBrush, &logBrush);
      Entries[i] = TStockBrush{brush, logBrush.lbColor};
    }
  }
};

const TStockBrushCache& StockBrushes()
{
  static const TStockBrushCache cache;
  return cache;
}

// Filled during static initialisation, before the application object exists.
const bool StockBrushesBuilt = (StockBrushes(), true);

}  // namespace

HBRUSH TBrush::StockBrushFor(COLORREF color)
{
  for (const TStockBrush& entry : StockBrushes().Entries)
    if (entry.Color == color)
      return entry.Handle;
  return nullptr;
}

TBrush::TBrush(HBRUSH handle, TAutoDelete autoDelete) : TGdiObject(handle, autoDelete)
{
  if (OwnsHandle)
    Register(Handle, Brush);
}

TBrush::TBrush(COLORREF color)
{
  if (HBRUSH stock = StockBrushFor(color)) {
    Handle = stock;
    OwnsHandle = false;
    return;
  }
  Handle = ::CreateSolidBrush(color);
  CheckAndRegister(Brush);
}

TBrush::TBrush(COLORREF color, int hatchStyle)
{
  Handle = ::CreateHatchBrush(hatchStyle, color);
  CheckAndRegister(Brush);
}

TBrush::TBrush(const TBitmap& pattern)
{
  Handle = ::CreatePatternBrush(pattern);
  CheckAndRegister(Brush);
}

TBrush::TBrush(const TDib& pattern)
{
  Handle = ::CreateDIBPatternBrush(pattern.GetHandle(), pattern.GetMode());
  CheckAndRegister(Brush);
}

TBrush::TBrush(const LOGBRUSH& logBrush)
{
  Handle = ::CreateBrushIndirect(&logBrush);
  CheckAndRegister(Brush);
}

TBrush::TBrush(const TBrush& source) : TGdiObject()
{
  LOGBRUSH logBrush{};
  source.GetObject(logBrush);
  Handle = ::CreateBrushIndirect(&logBrush);
  CheckAndRegister(Brush);
}

bool TBrush::GetObject(LOGBRUSH& logBrush) const
{
  return ::GetObjectA(Handle, sizeof logBrush, &logBrush) != 0;
}
