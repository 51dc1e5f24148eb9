// A decorated frame with two top bars, a bottom bar and a client, laid out at
// several sizes. Prints where each window ends up at each size and then stays
// on screen (for a look or a screenshot) for the given number of seconds.
//   decorated_frame_demo [seconds]
#include "framework/frame/decframe.h"
#include "framework/app/application.h"
#include "graphics/dc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A labelled, coloured pane.
class TPane : public TWindow {
public:
  TPane(TWindow* parent, const char* label, COLORREF color, int id = 0, int height = 0, DWORD extraStyle = 0)
    : TWindow(parent, label)
  {
    Attributes.Id = id;
    Attributes.H = height;
    Attributes.Style |= extraStyle;
    SetBkgndColor(color);
  }

  void Paint(TDC& dc, bool, TRect&) override
  {
    ::SetBkMode(dc, TRANSPARENT);
    ::TextOutA(dc, 4, 2, GetCaption(), static_cast<int>(std::strlen(GetCaption())));
  }
};

void Report(const char* name, TWindow& window)
{
  TRect r = window.GetWindowRect();
  ::MapWindowPoints(nullptr, ::GetParent(window.GetHandle()), reinterpret_cast<POINT*>(&r), 2);
  std::printf("  %-7s (%4ld,%4ld)-(%4ld,%4ld)\n", name, r.left, r.top, r.right, r.bottom);
}

class TDemoApp : public TApplication {
public:
  explicit TDemoApp(int seconds) : TApplication("DecoratedFrameDemo"), Seconds(seconds) {}

  void InitMainWindow() override
  {
    Client = new TPane(nullptr, "client", RGB(255, 255, 255), 0, 0, WS_BORDER);
    Frame = new TDecoratedFrame(nullptr, "Decorated frame", Client);
    Frame->Attributes.X = 20;
    Frame->Attributes.Y = 20;
    Frame->Attributes.W = 480;
    Frame->Attributes.H = 360;
    Top1 = new TPane(Frame, "top bar 1", RGB(255, 160, 160), 801, 28, WS_BORDER);
    Top2 = new TPane(Frame, "top bar 2", RGB(160, 255, 160), 802, 24, WS_BORDER);
    Bottom = new TPane(Frame, "bottom bar", RGB(160, 160, 255), 803, 20, WS_BORDER);
    Frame->Insert(*Top1, TDecorationLocation::Top);
    Frame->Insert(*Top2, TDecorationLocation::Top);
    Frame->Insert(*Bottom, TDecorationLocation::Bottom);
    SetMainWindow(Frame);
  }

  void InitInstance() override
  {
    TApplication::InitInstance();
    const SIZE sizes[] = {{300, 220}, {640, 300}, {420, 520}, {560, 420}};
    for (const SIZE& size : sizes) {
      ::SetWindowPos(*Frame, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
      const TRect area = Frame->GetClientRect();
      std::printf("frame %ldx%ld, client area %ldx%ld\n", size.cx, size.cy, area.right, area.bottom);
      Report("top1", *Top1);
      Report("top2", *Top2);
      Report("client", *Client);
      Report("bottom", *Bottom);
    }
    std::fflush(stdout);
    ::SetTimer(*Frame, 1, Seconds * 1000, CloseFrame);
  }

private:
  static void CALLBACK CloseFrame(HWND hwnd, UINT, UINT_PTR, DWORD) { ::PostMessageA(hwnd, WM_CLOSE, 0, 0); }

  int Seconds;
  TDecoratedFrame* Frame = nullptr;
  TWindow *Client = nullptr, *Top1 = nullptr, *Top2 = nullptr, *Bottom = nullptr;
};

}  // namespace

int AppMain(int argc, char* argv[])
{
  TDemoApp app(argc > 1 ? std::atoi(argv[1]) : 3);
  return app.Run();
}
