#include "app/frame/framebars.h"
#include "controls/hslider.h"
#include "framework/frame/decframe.h"
#include "gadgets/buttongadget.h"
#include "gadgets/controlbar.h"
#include "gadgets/separatorgadget.h"
#include "gadgets/statusbar.h"
#include "gadgets/textgadget.h"
#include "resources/resource.h"

TFrameBars BuildFrameBars(TDecoratedFrame& frame)
{
  // The buttons in bar order, each showing the glyph of its command; 0 stands
  // for a separator.
  static const int Buttons[] = {
    CM_FILEOPEN,  CM_FILECLOSE, 0, CM_CUT,      0,         CM_PLAY, CM_STOP,     CM_FIRSTFRAME, CM_PREVFRAME,
    CM_NEXTFRAME, CM_LASTFRAME, 0, CM_MARKFROM, CM_MARKTO, 0,       CM_CANCELCUT};
  TFrameBars bars;
  auto* buttonBar = new TControlBar(&frame, Horizontal, new TGadgetWindowFont(10));
  for (int id : Buttons) {
    if (id)
      buttonBar->Insert(*new TButtonGadget(id, id, TButtonGadget::PushButton, false, TButtonGadget::StateUp));
    else
      buttonBar->Insert(*new TSeparatorGadget(6));
  }
  buttonBar->SetHintTrigger(HintOnEnter);
  frame.Insert(*buttonBar, TDecorationLocation::Top);

  bars.StatusBar = new TStatusBar(&frame, SunkenBorder, 0, new TGadgetWindowFont(10));
  frame.Insert(*bars.StatusBar, TDecorationLocation::Bottom);

  bars.Slider = new THSlider(buttonBar, 100, 330, 4, 150, 20, IDB_SLIDERTHUMB);

  auto* readoutBar = new TControlBar(&frame, Horizontal, new TGadgetWindowFont(10));
  bars.FramePane = new TTextGadget(0, SunkenBorder, AlignLeft, 17);
  bars.SizePane = new TTextGadget(1, SunkenBorder, AlignLeft, 17);
  bars.TimePane = new TTextGadget(2, SunkenBorder, AlignLeft, 17);
  bars.ScalePane = new TTextGadget(3, SunkenBorder, AlignLeft, 9);
  readoutBar->Insert(*bars.SizePane);
  readoutBar->Insert(*bars.FramePane);
  readoutBar->Insert(*bars.TimePane);
  readoutBar->Insert(*bars.ScalePane);
  frame.Insert(*readoutBar, TDecorationLocation::Top);
  return bars;
}

void ResetSlider(THSlider& slider, unsigned lastFrame)
{
  // Every frame number is a thumb position.
  slider.SetRange(0, static_cast<int>(lastFrame));
  slider.TickStep = 1;
  slider.Snap = true;
  slider.SetPosition(0);
}
