// Helpers shared by the gadget tests: a frame that records commands and
// answers the enabling pass, mouse messages, and pixels of painted bars.
#pragma once

#include "framework/app/cmdenable.h"
#include "framework/frame/decframe.h"
#include "gadgets/gadgetwindow.h"
#include "graphics/bitmap.h"
#include "graphics/dc.h"
#include "tests/support/testapp.h"

#include <map>
#include <vector>

class TGadgetTestFrame : public TDecoratedFrame {
public:
  TGadgetTestFrame() : TDecoratedFrame(nullptr, "Gadgets", nullptr, true)
  {
    Attributes.X = 20;
    Attributes.Y = 20;
    Attributes.W = 480;
    Attributes.H = 240;
    Attributes.Style |= WS_VISIBLE;
  }

  LRESULT EvCommand(unsigned id, HWND control, unsigned code) override
  {
    if (control)
      return TDecoratedFrame::EvCommand(id, control, code);
    Commands.push_back(id);
    return 0;
  }

  void EvCommandEnable(TCommandEnabler& enabler) override
  {
    if (auto enabled = Enabled.find(enabler.Id); enabled != Enabled.end())
      enabler.Enable(enabled->second);
    if (auto check = Checks.find(enabler.Id); check != Checks.end())
      enabler.SetCheck(check->second);
  }

  std::vector<unsigned> Commands;
  std::map<unsigned, bool> Enabled;
  std::map<unsigned, int> Checks;
};

inline TPoint CentreOf(const TGadget& gadget)
{
  const TRect& r = gadget.GetBounds();
  return TPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

inline void SendMouse(const TWindow& window, UINT msg, const TPoint& p, WPARAM keys = 0)
{
  ::SendMessageA(window.GetHandle(), msg, keys, MAKELPARAM(p.x, p.y));
}

// What the bar paints, drawn off screen: no other window can cover it.
class TBarPicture {
public:
  explicit TBarPicture(TGadgetWindow& bar)
    : Client(bar.GetClientRect()), Bitmap(TScreenDC(), Client.Width(), Client.Height())
  {
    Dc.SelectObject(Bitmap);
    Dc.SelectObject(bar.GetFont());
    ::FillRect(Dc, &Client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    bar.DrawGadgets(Dc, true, Client);
  }
  COLORREF At(int x, int y) const { return ::GetPixel(Dc, x, y); }

private:
  TRect Client;
  TBitmap Bitmap;
  TMemoryDC Dc;
};
