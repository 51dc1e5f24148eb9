#include "gadgets/hatchbrush.h"

#include "graphics/dib.h"

#include <cstring>

namespace {

TDib PatternDib(const THatch8x8Brush::TPattern& pattern, COLORREF foreground, COLORREF background)
{
  TDib dib(8, 8, 2, DIB_RGB_COLORS);
  auto* rows = static_cast<std::uint8_t*>(dib.GetBits());
  std::memset(rows, 0, 8 * 4);
  for (int i = 0; i < 8; ++i)
    rows[(7 - i) * 4] = pattern[i];  // rows are stored bottom-up
  dib.SetColor(0, background);
  dib.SetColor(1, foreground);
  return dib;
}

}  // namespace

THatch8x8Brush::THatch8x8Brush(const TPattern& pattern, COLORREF foreground, COLORREF background)
  : TBrush(PatternDib(pattern, foreground, background))
{
}

void THatch8x8Brush::Rebuild(const TPattern& pattern, COLORREF foreground, COLORREF background)
{
  const TDib dib = PatternDib(pattern, foreground, background);
  HBRUSH fresh = ::CreateDIBPatternBrush(dib.GetHandle(), DIB_RGB_COLORS);
  if (!fresh)
    throw TXGdi(IDS_GDIALLOCFAIL);
  HANDLE old = OwnsHandle ? Handle : nullptr;
  Handle = fresh;
  OwnsHandle = true;
  Register(fresh, Brush);
  if (old)
    Release(old);
}
