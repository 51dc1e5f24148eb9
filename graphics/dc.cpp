#include "graphics/dc.h"

#include "graphics/bitmap.h"
#include "graphics/brush.h"
#include "graphics/dib.h"
#include "graphics/font.h"
#include "graphics/palette.h"

#include <cstdlib>
#include <cstring>

namespace {

// Handles 0 and 1 are what the platform returns for "none" and for some
// selections that have no object to give back.
bool IsRealHandle(HANDLE handle)
{
  return reinterpret_cast<UINT_PTR>(handle) > 1;
}

// The two screen-compatible memory DCs kept ready for TMemoryDC. Plain
// zero-initialised data, so any static constructor or destructor may use it:
// it is built during static initialisation (before the application object),
// freed at exit, and once freed it stays empty and memory DCs make their own.
struct TMemDCCache {
  struct TEntry {
    HDC Dc;
    bool InUse;
  };
  static constexpr int Size = 2;
  TEntry Entries[Size];
  bool Built;
  bool Closed;
};
TMemDCCache MemDCCache;

void CloseMemDCCache()
{
  for (TMemDCCache::TEntry& entry : MemDCCache.Entries) {
    if (entry.Dc)
      ::DeleteDC(entry.Dc);
    entry = TMemDCCache::TEntry{};
  }
  MemDCCache.Closed = true;
}

void BuildMemDCCache()
{
  if (MemDCCache.Built || MemDCCache.Closed)
    return;
  MemDCCache.Built = true;
  for (TMemDCCache::TEntry& entry : MemDCCache.Entries)
    entry = TMemDCCache::TEntry{::CreateCompatibleDC(nullptr), false};
  std::atexit(CloseMemDCCache);
}

const bool MemDCCacheBuilt = (BuildMemDCCache(), true);

HDC TakeCachedDC()
{
  BuildMemDCCache();
  for (TMemDCCache::TEntry& entry : MemDCCache.Entries)
    if (entry.Dc && !entry.InUse) {
      entry.InUse = true;
      return entry.Dc;
    }
  return nullptr;
}

void ReturnCachedDC(HDC dc)
{
  for (TMemDCCache::TEntry& entry : MemDCCache.Entries)
    if (entry.Dc == dc) {
      entry.InUse = false;
      return;
    }
}

}  // namespace

// --- TDC ---------------------------------------------------------------------

TDC::TDC() = default;

TDC::TDC(HDC handle) : TGdiBase(handle, NoAutoDelete) {}

TDC::TDC(HDC handle, TAutoDelete autoDelete) : TGdiBase(handle, autoDelete) {}

TDC::~TDC()
{
  RestoreAllQuietly();
}

void TDC::TrackSelection(HANDLE selected, HANDLE previous, HANDLE& slot)
{
  if (!previous)
    return;
  TGdiObject::AddRef(selected);
  if (!IsRealHandle(previous))
    return;
  // A second selection through this wrapper displaces our own earlier one.
  if (slot)
    TGdiObject::Release(previous);
  else
    slot = previous;
}

void TDC::RestoreSlot(HANDLE& slot)
{
  if (!slot)
    return;
  HANDLE saved = slot;
  slot = nullptr;
  TGdiObject::Release(::SelectObject(GetHDC(), saved));
}

void TDC::RestoreAllQuietly() noexcept
{
  try {
    RestoreAll();
  } catch (const TXGdi&) {
  }
}

void TDC::SelectObject(const TBrush& brush)
{
  TrackSelection(brush.GetHandle(), ::SelectObject(GetHDC(), brush), SavedBrush);
}

void TDC::SelectObject(const TFont& font)
{
  TrackSelection(font.GetHandle(), ::SelectObject(GetHDC(), font), SavedFont);
}

void TDC::SelectObject(const TPalette& palette, bool forceBackground)
{
  TrackSelection(palette.GetHandle(), ::SelectPalette(GetHDC(), palette, forceBackground), SavedPalette);
}

void TDC::SelectStockObject(int index)
{
  HANDLE previous = ::SelectObject(GetHDC(), ::GetStockObject(index));
  if (IsRealHandle(previous))
    TGdiObject::Release(previous);
}

void TDC::RestoreBrush()
{
  RestoreSlot(SavedBrush);
}
void TDC::RestoreFont()
{
  RestoreSlot(SavedFont);
}
void TDC::RestorePalette()
{
  if (!SavedPalette)
    return;
  HPALETTE saved = static_cast<HPALETTE>(SavedPalette);
  SavedPalette = nullptr;
  TGdiObject::Release(::SelectPalette(GetHDC(), saved, FALSE));
}

void TDC::RestoreAll()
{
  if (!Handle)
    return;
  RestoreBrush();
  RestoreFont();
  RestorePalette();
}

int TDC::SaveDC() const
{
  return ::SaveDC(GetHDC());
}

bool TDC::RestoreDC(int savedIndex)
{
  return ::RestoreDC(GetHDC(), savedIndex) != 0;
}

int TDC::GetDeviceCaps(int index) const
{
  return ::GetDeviceCaps(GetAttributeHDC(), index);
}

bool TDC::ResetDC(const DEVMODEA& devMode)
{
  return ::ResetDCA(GetHDC(), &devMode) != nullptr;
}

HDC TDC::GetAttributeHDC() const
{
  return GetHDC();
}

// State changes go to the output DC too when queries use a different one.
template <class TCall> auto TDC::OnBoth(TCall call)
{
  if (GetAttributeHDC() != GetHDC())
    call(GetHDC());
  return call(GetAttributeHDC());
}

COLORREF TDC::SetBkColor(COLORREF color)
{
  return OnBoth([&](HDC dc) { return ::SetBkColor(dc, color); });
}

COLORREF TDC::SetTextColor(COLORREF color)
{
  return OnBoth([&](HDC dc) { return ::SetTextColor(dc, color); });
}

int TDC::SetMapMode(int mode)
{
  return OnBoth([&](HDC dc) { return ::SetMapMode(dc, mode); });
}

bool TDC::SetViewportOrg(const TPoint& origin, TPoint* oldOrigin)
{
  return OnBoth([&](HDC dc) { return ::SetViewportOrgEx(dc, origin.x, origin.y, oldOrigin) != 0; });
}

bool TDC::OffsetViewportOrg(const TPoint& delta, TPoint* oldOrigin)
{
  return OnBoth([&](HDC dc) { return ::OffsetViewportOrgEx(dc, delta.x, delta.y, oldOrigin) != 0; });
}

bool TDC::SetViewportExt(const TSize& extent, TSize* oldExtent)
{
  return OnBoth([&](HDC dc) { return ::SetViewportExtEx(dc, extent.cx, extent.cy, oldExtent) != 0; });
}

bool TDC::ScaleViewportExt(int xNum, int xDenom, int yNum, int yDenom, TSize* oldExtent)
{
  return OnBoth([&](HDC dc) { return ::ScaleViewportExtEx(dc, xNum, xDenom, yNum, yDenom, oldExtent) != 0; });
}

bool TDC::SetWindowExt(const TSize& extent, TSize* oldExtent)
{
  return OnBoth([&](HDC dc) { return ::SetWindowExtEx(dc, extent.cx, extent.cy, oldExtent) != 0; });
}

bool TDC::ScaleWindowExt(int xNum, int xDenom, int yNum, int yDenom, TSize* oldExtent)
{
  return OnBoth([&](HDC dc) { return ::ScaleWindowExtEx(dc, xNum, xDenom, yNum, yDenom, oldExtent) != 0; });
}

bool TDC::SetWindowOrg(const TPoint& origin, TPoint* oldOrigin)
{
  return OnBoth([&](HDC dc) { return ::SetWindowOrgEx(dc, origin.x, origin.y, oldOrigin) != 0; });
}

bool TDC::OffsetWindowOrg(const TPoint& delta, TPoint* oldOrigin)
{
  return OnBoth([&](HDC dc) { return ::OffsetWindowOrgEx(dc, delta.x, delta.y, oldOrigin) != 0; });
}

bool TDC::TextOut(int x, int y, const char* text, int count)
{
  if (count < 0)
    count = static_cast<int>(std::strlen(text));
  return ::TextOutA(GetHDC(), x, y, text, count) != 0;
}

bool TDC::ExtTextOut(int x, int y, WORD options, const TRect* rect, const char* text, int count, const int* spacing)
{
  if (count < 0)
    count = static_cast<int>(std::strlen(text));
  return ::ExtTextOutA(GetHDC(), x, y, options, rect, text, count, spacing) != 0;
}

bool TDC::TabbedTextOut(const TPoint& point, const char* text, int count, int numPositions, const int* positions,
                        int tabOrigin, TSize& size)
{
  if (count < 0)
    count = static_cast<int>(std::strlen(text));
  LONG extent = ::TabbedTextOutA(GetHDC(), point.x, point.y, text, count, numPositions, positions, tabOrigin);
  size = TSize(LOWORD(extent), HIWORD(extent));
  return true;
}

int TDC::DrawText(const char* text, int count, TRect& rect, WORD format)
{
  return ::DrawTextA(GetHDC(), text, count, &rect, format);
}

bool TDC::GrayString(const TBrush* brush, GRAYSTRINGPROC outputFunc, LPARAM data, int count, const TRect& rect)
{
  return ::GrayStringA(GetHDC(), brush ? brush->GetHandle() : nullptr, outputFunc, data, count < 0 ? 0 : count,
                       rect.left, rect.top, rect.Width(), rect.Height()) != 0;
}

std::array<TRect, 4> TDC::FrameStrips(const TRect& rect, int w, int h)
{
  const int width = rect.Width();
  const int height = rect.Height();
  auto strip = [](int x, int y, int cx, int cy) { return TRect(x, y, x + cx, y + cy); };
  return {
    strip(rect.left, rect.top, w, height - h),
    strip(rect.left + w, rect.top, width - w, h),
    strip(rect.left, rect.top + height - h, width - w, h),
    strip(rect.left + width - w, rect.top + h, w, height - h),
  };
}

void TDC::PatFrame(const TBrush& brush, const TRect& rect, int w, int h)
{
  SelectObject(brush);
  for (const TRect& strip : FrameStrips(rect, w, h))
    ::PatBlt(GetHDC(), strip.left, strip.top, strip.Width(), strip.Height(), PATCOPY);
  RestoreBrush();
}

// --- Window DCs ----------------------------------------------------------------

TWindowDC::TWindowDC(HWND window)
{
  Acquire(window, ::GetWindowDC(window));
}

TWindowDC::TWindowDC(HWND window, HDC handle, TAutoDelete autoDelete) : TDC(handle, autoDelete), Window(window) {}

void TWindowDC::Acquire(HWND window, HDC handle)
{
  Window = window;
  Handle = handle;
  OwnsHandle = true;
  CheckHandle(IDS_GDIALLOCFAIL);
}

TWindowDC::~TWindowDC()
{
  RestoreAllQuietly();
  if (OwnsHandle && Handle) {
    ::ReleaseDC(Window, GetHDC());
    Handle = nullptr;
  }
}

TScreenDC::TScreenDC()
{
  Acquire(nullptr, ::GetWindowDC(nullptr));
}

TDesktopDC::TDesktopDC()
{
  HWND desktop = ::GetDesktopWindow();
  Acquire(desktop, ::GetWindowDC(desktop));
}

TClientDC::TClientDC(HWND window)
{
  Acquire(window, ::GetDC(window));
}

// --- Paint DC -----------------------------------------------------------------

TPaintDC::TPaintDC(HWND window) : Window(window)
{
  Handle = ::BeginPaint(window, &Ps);
  OwnsHandle = true;
  CheckHandle(IDS_GDIALLOCFAIL);
}

TPaintDC::~TPaintDC()
{
  RestoreAllQuietly();
  if (OwnsHandle)
    ::EndPaint(Window, &Ps);
}

// --- Created DCs ----------------------------------------------------------------

TCreatedDC::TCreatedDC(const char* driver, const char* device, const char* output, const DEVMODEA* initData)
{
  Handle = ::CreateDCA(driver, device, output, initData);
  CheckHandle(IDS_GDIALLOCFAIL);
}

TCreatedDC::TCreatedDC(HDC handle, TAutoDelete autoDelete) : TDC(handle, autoDelete) {}

TCreatedDC::~TCreatedDC()
{
  RestoreAllQuietly();
  if (OwnsHandle && Handle)
    ::DeleteDC(GetHDC());
}

TInfoContext::TInfoContext(const char* driver, const char* device, const char* output, const DEVMODEA* initData)
{
  Handle = ::CreateICA(driver, device, output, initData);
  CheckHandle(IDS_GDIALLOCFAIL);
}

TDibDC::TDibDC(const TDib& dib)
{
  Handle = ::CreateDCA("DIB", nullptr, nullptr, reinterpret_cast<const DEVMODEA*>(dib.GetInfo()));
  CheckHandle(IDS_GDIALLOCFAIL);
}

// --- Memory DC ------------------------------------------------------------------

TMemoryDC::TMemoryDC()
{
  if (HDC cached = TakeCachedDC()) {
    Handle = cached;
    OwnsHandle = false;
    return;
  }
  Handle = ::CreateCompatibleDC(nullptr);
  CheckHandle(IDS_GDIALLOCFAIL);
}

TMemoryDC::TMemoryDC(const TDC& dc)
{
  Handle = ::CreateCompatibleDC(dc);
  CheckHandle(IDS_GDIALLOCFAIL);
}

TMemoryDC::TMemoryDC(HDC handle, TAutoDelete autoDelete) : TCreatedDC(handle, autoDelete) {}

TMemoryDC::~TMemoryDC()
{
  try {
    RestoreBitmap();
  } catch (const TXGdi&) {
  }
  RestoreAllQuietly();
  // A cached DC goes back only now, with the objects it had when taken.
  ReturnCachedDC(GetHDC());
}

void TMemoryDC::SelectObject(const TBitmap& bitmap)
{
  TrackSelection(bitmap.GetHandle(), ::SelectObject(GetHDC(), bitmap), SavedBitmap);
}

void TMemoryDC::RestoreBitmap()
{
  RestoreSlot(SavedBitmap);
}

int TMemoryDC::CachedDCsInUse()
{
  int inUse = 0;
  for (const TMemDCCache::TEntry& entry : MemDCCache.Entries)
    inUse += entry.InUse ? 1 : 0;
  return inUse;
}
