#include "framework/layout/layoutwin.h"

namespace {

// A screen DC for the measuring scope, with the font it had put back.
class TScreenFontDC {
public:
  explicit TScreenFontDC(HFONT font) : Dc(::GetDC(nullptr))
  {
    if (Dc && font)
      Previous = ::SelectObject(Dc, font);
  }
  ~TScreenFontDC()
  {
    if (!Dc)
      return;
    if (Previous)
      ::SelectObject(Dc, Previous);
    ::ReleaseDC(nullptr, Dc);
  }
  TScreenFontDC(const TScreenFontDC&) = delete;
  TScreenFontDC& operator=(const TScreenFontDC&) = delete;

  HDC Get() const { return Dc; }

private:
  HDC Dc;
  HGDIOBJ Previous = nullptr;
};

}  // namespace

TLayoutWindow::TLayoutWindow(TWindow* parent, const char* title, TModule* module)
{
  Init(parent, title, module);
}

void TLayoutWindow::SetChildLayoutMetrics(TWindow& child, const TLayoutMetrics& metrics)
{
  Solver.SetMetrics(&child, metrics);
}

bool TLayoutWindow::GetChildLayoutMetrics(TWindow& child, TLayoutMetrics& metrics) const
{
  return Solver.GetMetrics(&child, metrics);
}

bool TLayoutWindow::RemoveChildLayoutMetrics(TWindow& child)
{
  return Solver.RemoveMetrics(&child);
}

void TLayoutWindow::RemoveChild(TWindow* child)
{
  TWindow::RemoveChild(child);
  if (child)
    RemoveChildLayoutMetrics(*child);
}

int TLayoutWindow::MeasureFontHeight()
{
  TScreenFontDC dc(reinterpret_cast<HFONT>(HandleMessage(WM_GETFONT)));
  TEXTMETRICA metrics{};
  if (!dc.Get() || !::GetTextMetricsA(dc.Get(), &metrics))
    return 0;
  return metrics.tmHeight;
}

void TLayoutWindow::Layout()
{
  if (Solver.Empty())
    return;
  FontHeight = MeasureFontHeight();

  int left = 0, top = 0;
  int right = ClientSize.cx - 1, bottom = ClientSize.cy - 1;
  const DWORD style = Handle ? static_cast<DWORD>(::GetWindowLongA(Handle, GWL_STYLE)) : Attributes.Style;
  // An overlapped or bordered layout window lays out one border width beyond
  // its client area, so that bordered children can hide their outer border.
  if (!(style & (WS_CHILD | WS_POPUP)) || (style & WS_BORDER)) {
    const int cx = ::GetSystemMetrics(SM_CXBORDER);
    const int cy = ::GetSystemMetrics(SM_CYBORDER);
    left = -cx;
    top = -cy;
    right += cx;
    bottom += cy;
  }

  const auto geometry = [](TWindow* child) {
    const TWindowAttributes& a = child->Attributes;
    return TChildGeometry{a.X, a.Y, a.W, a.H};
  };
  if (TLayoutSolver::TResult failed = Solver.Solve(left, top, right, bottom, FontHeight, geometry))
    throw TXWindow(this, failed == TLayoutSolver::NoPlan ? IDS_LAYOUTNOPLAN : IDS_LAYOUTUNKNOWNWINDOW);

  for (const TChildMetrics& record : Solver.GetRecords()) {
    const TLayoutVariable* v = record.Variables;
    const int x = v[evLeft].Value;
    const int y = v[evTop].Value;
    const int w = v[evRight].Value - x + 1;
    const int h = v[evBottom].Value - y + 1;
    TWindow* child = record.Child;
    if (child->GetHandle()) {
      ::SetWindowPos(child->GetHandle(), nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      child->Attributes.X = x;
      child->Attributes.Y = y;
      child->Attributes.W = w;
      child->Attributes.H = h;
    }
  }
}

void TLayoutWindow::EvSize(unsigned sizeType, const TSize& size)
{
  TWindow::EvSize(sizeType, size);
  if (sizeType != SIZE_MINIMIZED && size != ClientSize) {
    ClientSize = size;
    Layout();
  }
}

// clang-format off
DEFINE_RESPONSE_TABLE1(TLayoutWindow, TWindow)
  EV_WM_SIZE,
END_RESPONSE_TABLE;
// clang-format on
