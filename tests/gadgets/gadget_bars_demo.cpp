// The three bars of the main frame: a button bar in groups, a readout bar
// with two text panes and a status bar. One button is disabled and one latched
// by the enabling pass, and the pointer rests on the cut button so that its
// hint shows. Prints the median time of a full button-bar repaint, writes a
// picture of the frame when a path is given, and closes after a few seconds.
//   gadget_bars_demo [screenshot.bmp]
#include "framework/app/application.h"
#include "framework/app/cmdenable.h"
#include "framework/frame/decframe.h"
#include "gadgets/buttongadget.h"
#include "gadgets/controlbar.h"
#include "gadgets/separatorgadget.h"
#include "gadgets/statusbar.h"
#include "gadgets/textgadget.h"
#include "graphics/bitmap.h"
#include "graphics/dc.h"
#include "graphics/dib.h"
#include "resources/resource.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

class TDemoFrame : public TDecoratedFrame {
public:
  TDemoFrame() : TDecoratedFrame(nullptr, "Velmo gadgets", nullptr, true) {}

  void EvCommandEnable(TCommandEnabler& enabler) override
  {
    enabler.Enable(enabler.Id != CM_CANCELCUT);
    enabler.SetCheck(enabler.Id == CM_PLAY ? TCommandEnabler::Checked : TCommandEnabler::Unchecked);
  }
};

class TDemoApp : public TApplication {
public:
  explicit TDemoApp(std::string picture) : TApplication("GadgetBarsDemo"), Picture(std::move(picture)) {}

  void InitMainWindow() override
  {
    Frame = new TDemoFrame;
    Frame->Attributes.X = 10;
    Frame->Attributes.Y = 10;
    Frame->Attributes.W = 440;
    Frame->Attributes.H = 220;

    Buttons = new TControlBar(Frame);
    Buttons->SetHintTrigger(HintOnEnter);
    const std::vector<std::vector<int>> groups = {{CM_FILEOPEN, CM_FILECLOSE},
                                                  {CM_CUT, CM_CANCELCUT},
                                                  {CM_FIRSTFRAME, CM_PREVFRAME, CM_PLAY, CM_STOP},
                                                  {CM_NEXTFRAME, CM_LASTFRAME},
                                                  {CM_MARKFROM, CM_MARKTO}};
    for (const auto& group : groups) {
      if (group != groups.front())
        Buttons->Insert(*new TSeparatorGadget(6));
      for (int id : group)
        Buttons->Insert(*new TButtonGadget(id, id));
    }

    auto* readouts = new TControlBar(Frame);
    readouts->Insert(*new TTextGadget(1, SunkenBorder, AlignLeft, 17, "フレーム 0012/0060"));
    readouts->Insert(*new TTextGadget(0, SunkenBorder, AlignLeft, 17, "320 x 240"));

    Status = new TStatusBar(Frame, SunkenBorder, 0);
    Frame->Insert(*Buttons);
    Frame->Insert(*readouts);
    Frame->Insert(*Status, TDecorationLocation::Bottom);
    SetMainWindow(Frame);
  }

  void InitInstance() override
  {
    TApplication::InitInstance();
    Frame->IdleAction(0);  // the enabling pass
    ::UpdateWindow(*Frame);
    std::printf("full button-bar repaint: median %.1f us of %d\n", MedianRepaintMicroseconds(), Repaints);

    // Rest the pointer on the cut button: its hint shows and stays.
    TGadget* cut = Buttons->FindGadget(CM_CUT);
    POINT at{(cut->GetBounds().left + cut->GetBounds().right) / 2,
             (cut->GetBounds().top + cut->GetBounds().bottom) / 2};
    ::ClientToScreen(*Buttons, &at);
    ::SetCursorPos(at.x, at.y);
    ::ScreenToClient(*Buttons, &at);
    Buttons->HandleMessage(WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    std::fflush(stdout);
    ::SetTimer(*Frame, 1, 1500, Finish);
  }

private:
  static constexpr int Repaints = 301;

  double MedianRepaintMicroseconds()
  {
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < Repaints; ++i) {
      ::QueryPerformanceCounter(&start);
      ::RedrawWindow(*Buttons, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      ::QueryPerformanceCounter(&end);
      times.push_back(1e6 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    }
    std::nth_element(times.begin(), times.begin() + Repaints / 2, times.end());
    return times[Repaints / 2];
  }

  static void CALLBACK Finish(HWND hwnd, UINT, UINT_PTR id, DWORD)
  {
    ::KillTimer(hwnd, id);
    auto* app = static_cast<TDemoApp*>(GetApplicationObject());
    const char* hint = app->Status->GetHint();
    std::printf("status bar hint: %s\n", hint ? hint : "(none)");
    if (!app->Picture.empty()) {
      const TRect area = app->Frame->GetWindowRect();
      TScreenDC screen;
      TBitmap bitmap(screen, area.Width(), area.Height());
      {
        TMemoryDC copy;
        copy.SelectObject(bitmap);
        ::BitBlt(copy, 0, 0, area.Width(), area.Height(), screen, area.left, area.top, SRCCOPY);
      }
      std::printf("picture %s: %s\n", app->Picture.c_str(),
                  TDib(bitmap).WriteFile(app->Picture.c_str()) ? "written" : "failed");
    }
    std::fflush(stdout);
    ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
  }

  std::string Picture;
  TDemoFrame* Frame = nullptr;
  TControlBar* Buttons = nullptr;
  TStatusBar* Status = nullptr;
};

}  // namespace

int AppMain(int argc, char* argv[])
{
  TDemoApp app(argc > 1 ? argv[1] : "");
  return app.Run();
}
