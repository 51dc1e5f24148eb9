// Device contexts. Each wrapper acquires its HDC in the constructor and gives
// it back in the destructor the way it was acquired, after reselecting every
// brush, font, palette and bitmap that was selected through it. Objects stay
// alive while selected through the reference counts of TGdiObject.
#pragma once

#include "graphics/gdibase.h"
#include "framework/base/geometry.h"

#include <array>

class TBitmap;
class TBrush;
class TDib;
class TFont;
class TPalette;

class TDC : public TGdiBase {
public:
  // Wraps a borrowed HDC: restores what was selected through it, never frees it.
  explicit TDC(HDC handle);
  virtual ~TDC();
  TDC(const TDC&) = delete;
  TDC& operator=(const TDC&) = delete;

  HDC GetHDC() const { return static_cast<HDC>(Handle); }
  operator HDC() const { return GetHDC(); }

  virtual int SaveDC() const;
  virtual bool RestoreDC(int savedIndex = -1);
  virtual int GetDeviceCaps(int index) const;
  // Part of the framework's interface, like ScaleWindowExt and GrayString:
  // the program itself does not call them.
  virtual bool ResetDC(const DEVMODEA& devMode);
  virtual void SelectObject(const TFont& font);
  // Selects a stock object; a real object it replaces loses this DC's hold.
  virtual void SelectStockObject(int index);
  virtual void RestoreFont();
  virtual COLORREF SetBkColor(COLORREF color);
  virtual COLORREF SetTextColor(COLORREF color);
  virtual int SetMapMode(int mode);
  virtual bool SetViewportOrg(const TPoint& origin, TPoint* oldOrigin = nullptr);
  virtual bool OffsetViewportOrg(const TPoint& delta, TPoint* oldOrigin = nullptr);
  virtual bool SetViewportExt(const TSize& extent, TSize* oldExtent = nullptr);
  virtual bool ScaleViewportExt(int xNum, int xDenom, int yNum, int yDenom, TSize* oldExtent = nullptr);
  virtual bool SetWindowExt(const TSize& extent, TSize* oldExtent = nullptr);
  virtual bool ScaleWindowExt(int xNum, int xDenom, int yNum, int yDenom, TSize* oldExtent = nullptr);
  // count -1: the whole zero-terminated text.
  virtual bool TextOut(int x, int y, const char* text, int count = -1);
  virtual bool ExtTextOut(int x, int y, WORD options, const TRect* rect, const char* text, int count = -1,
                          const int* spacing = nullptr);
  virtual bool TabbedTextOut(const TPoint& point, const char* text, int count, int numPositions, const int* positions,
                             int tabOrigin, TSize& size);
  virtual int DrawText(const char* text, int count, TRect& rect, WORD format = 0);
  virtual bool GrayString(const TBrush* brush, GRAYSTRINGPROC outputFunc, LPARAM data, int count, const TRect& rect);
  // The DC for queries and state; the output DC itself for every kind here.
  virtual HDC GetAttributeHDC() const;

  void SelectObject(const TBrush& brush);
  void SelectObject(const TPalette& palette, bool forceBackground = false);
  void RestoreBrush();
  void RestorePalette();
  void RestoreAll();
  bool SetWindowOrg(const TPoint& origin, TPoint* oldOrigin = nullptr);
  bool OffsetWindowOrg(const TPoint& delta, TPoint* oldOrigin = nullptr);

  // Fills the border of rect, w wide at the sides and h high at top and
  // bottom, with brush; every border pixel is painted exactly once.
  void PatFrame(const TBrush& brush, const TRect& rect, int w, int h);
  // The four strips PatFrame fills: left, top, bottom, right.
  static std::array<TRect, 4> FrameStrips(const TRect& rect, int w, int h);

protected:
  TDC();
  TDC(HDC handle, TAutoDelete autoDelete);

  // One saved-object slot: counts the new selection and keeps the object it
  // first displaced so that it can be reselected.
  static void TrackSelection(HANDLE selected, HANDLE previous, HANDLE& slot);
  void RestoreSlot(HANDLE& slot);
  // RestoreAll for destructors: a failed delete of a deselected object cannot
  // be reported from there.
  void RestoreAllQuietly() noexcept;

  HANDLE SavedBrush = nullptr;
  HANDLE SavedFont = nullptr;
  HANDLE SavedPalette = nullptr;

private:
  template <class TCall> auto OnBoth(TCall call);
};

// The DC of a whole window, frame included.
class TWindowDC : public TDC {
public:
  explicit TWindowDC(HWND window);
  TWindowDC(HWND window, HDC handle, TAutoDelete autoDelete);
  ~TWindowDC() override;

protected:
  TWindowDC() = default;
  void Acquire(HWND window, HDC handle);

  HWND Window = nullptr;
};

// The whole screen.
class TScreenDC : public TWindowDC {
public:
  TScreenDC();
};

// The desktop window.
class TDesktopDC : public TWindowDC {
public:
  TDesktopDC();
};

// The client area of a window.
class TClientDC : public TWindowDC {
public:
  explicit TClientDC(HWND window);
};

// The DC of a WM_PAINT: BeginPaint to EndPaint.
class TPaintDC : public TDC {
public:
  explicit TPaintDC(HWND window);
  ~TPaintDC() override;

  PAINTSTRUCT Ps{};

private:
  HWND Window;
};

// A DC made by CreateDC, deleted with DeleteDC.
class TCreatedDC : public TDC {
public:
  TCreatedDC(const char* driver, const char* device, const char* output, const DEVMODEA* initData = nullptr);
  TCreatedDC(HDC handle, TAutoDelete autoDelete);
  ~TCreatedDC() override;

protected:
  TCreatedDC() = default;
};

// An information context: queries only, no drawing.
class TInfoContext : public TCreatedDC {
public:
  TInfoContext(const char* driver, const char* device, const char* output, const DEVMODEA* initData = nullptr);
};

// A DC drawing onto a DIB through the platform's "DIB" driver.
class TDibDC : public TCreatedDC {
public:
  explicit TDibDC(const TDib& dib);
};

// A memory DC compatible with the screen (one of two kept ready, or a new
// one when both are taken) or with a given DC.
class TMemoryDC : public TCreatedDC {
public:
  TMemoryDC();
  explicit TMemoryDC(const TDC& dc);
  TMemoryDC(HDC handle, TAutoDelete autoDelete);
  ~TMemoryDC() override;

  using TDC::SelectObject;
  void SelectObject(const TBitmap& bitmap);
  void RestoreBitmap();

  // How many of the ready-made memory DCs are taken now.
  static int CachedDCsInUse();

protected:
  HANDLE SavedBitmap = nullptr;
};
