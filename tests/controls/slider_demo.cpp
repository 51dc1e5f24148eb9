// Sliders to look at: one at rest, one with its thumb held in a drag, one
// disabled, and the button bar's 20-pixel slider without a ruler. Stays on
// screen (for a look or a screenshot) for the given number of seconds.
//   slider_demo [seconds]
// For a screenshot under Xvfb: import -display $DISPLAY -window root sliders.png
#include "controls/hslider.h"
#include "framework/app/application.h"
#include "framework/frame/framewin.h"
#include "graphics/dc.h"
#include "resources/resource.h"

#include <cstdlib>
#include <cstring>

namespace {

// The frame's client: a face-coloured area with the labelled sliders.
class TDemoWindow : public TWindow {
public:
  TDemoWindow() : TWindow(static_cast<TWindow*>(nullptr))
  {
    Attributes.Style |= WS_CLIPCHILDREN;
    SetBkgndColor(::GetSysColor(COLOR_BTNFACE));
    for (int row = 0; row < RowCount; ++row)
      Sliders[row] = new THSlider(this, 100 + row, 120, 12 + 45 * row, 150, row == RowCount - 1 ? 20 : 32,
                                  IDB_SLIDERTHUMB);
  }

  void SetupWindow() override
  {
    TWindow::SetupWindow();
    const int positions[RowCount] = {30, 60, 50, 400};
    for (int row = 0; row < RowCount; ++row) {
      Sliders[row]->SetRange(0, row == RowCount - 1 ? 1000 : 100);
      Sliders[row]->TickStep = row == RowCount - 1 ? 1 : 10;
      Sliders[row]->SetPosition(positions[row]);
    }
    ::EnableWindow(*Sliders[2], FALSE);
  }

  // Grabs the second slider's thumb and drags it two steps on, leaving the
  // button held.
  void HoldSecondThumb()
  {
    THSlider& slider = *Sliders[1];
    const TRect thumb = slider.GetThumbRect();
    ::UpdateWindow(slider);
    ::SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(thumb.left + 4, 10));
    ::SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(thumb.left + 4 + 28, 10));
  }

  void Paint(TDC& dc, bool, TRect&) override
  {
    static const char* const labels[RowCount] = {"at rest", "dragged", "disabled", "button bar"};
    ::SetBkMode(dc, TRANSPARENT);
    for (int row = 0; row < RowCount; ++row)
      ::TextOutA(dc, 12, 14 + 45 * row, labels[row], static_cast<int>(std::strlen(labels[row])));
  }

private:
  static constexpr int RowCount = 4;
  THSlider* Sliders[RowCount] = {};
};

class TDemoApp : public TApplication {
public:
  explicit TDemoApp(int seconds) : TApplication("SliderDemo"), Seconds(seconds) {}

  void InitMainWindow() override
  {
    Window = new TDemoWindow;
    auto* frame = new TFrameWindow(nullptr, "Sliders", Window);
    frame->Attributes.X = 20;
    frame->Attributes.Y = 20;
    frame->Attributes.W = 300;
    frame->Attributes.H = 230;
    SetMainWindow(frame);
  }

  void InitInstance() override
  {
    TApplication::InitInstance();
    ::UpdateWindow(*Window);
    Window->HoldSecondThumb();
    ::SetTimer(*GetMainWindow(), 1, Seconds * 1000, Close);
  }

private:
  static void CALLBACK Close(HWND hwnd, UINT, UINT_PTR, DWORD) { ::PostMessageA(hwnd, WM_CLOSE, 0, 0); }

  int Seconds;
  TDemoWindow* Window = nullptr;
};

}  // namespace

int AppMain(int argc, char* argv[])
{
  TDemoApp app(argc > 1 ? std::atoi(argv[1]) : 3);
  return app.Run();
}
