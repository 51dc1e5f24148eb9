#include "app/frame/framebars.h"
#include "app/support/frametimes.h"
#include "controls/hslider.h"
#include "framework/frame/decframe.h"
#include "gadgets/buttongadget.h"
#include "gadgets/controlbar.h"
#include "gadgets/separatorgadget.h"
#include "gadgets/statusbar.h"
#include "gadgets/textgadget.h"
#include "resources/resource.h"

#include <cstdio>
#include <string>

void TFrameBars::BuildBars(TDecoratedFrame& frame)
{
  // The buttons in bar order, each showing the glyph of its command; 0 stands
  // for a separator.
  static const int Buttons[] = {
    CM_FILEOPEN,  CM_FILECLOSE, 0, CM_CUT,      0,         CM_PLAY, CM_STOP,     CM_FIRSTFRAME, CM_PREVFRAME,
    CM_NEXTFRAME, CM_LASTFRAME, 0, CM_MARKFROM, CM_MARKTO, 0,       CM_CANCELCUT};
  auto* buttonBar = new TControlBar(&frame, Horizontal, new TGadgetWindowFont(10));
  for (int id : Buttons) {
    if (id)
      buttonBar->Insert(*new TButtonGadget(id, id, TButtonGadget::PushButton, false, TButtonGadget::StateUp));
    else
      buttonBar->Insert(*new TSeparatorGadget(6));
  }
  buttonBar->SetHintTrigger(HintOnEnter);
  frame.Insert(*buttonBar, TDecorationLocation::Top);

  StatusBar = new TStatusBar(&frame, SunkenBorder, 0, new TGadgetWindowFont(10));
  frame.Insert(*StatusBar, TDecorationLocation::Bottom);

  Slider = new THSlider(buttonBar, 100, 330, 4, 150, 20, IDB_SLIDERTHUMB);

  auto* readoutBar = new TControlBar(&frame, Horizontal, new TGadgetWindowFont(10));
  FramePane = new TTextGadget(0, SunkenBorder, AlignLeft, 17);
  SizePane = new TTextGadget(1, SunkenBorder, AlignLeft, 17);
  TimePane = new TTextGadget(2, SunkenBorder, AlignLeft, 17);
  ScalePane = new TTextGadget(3, SunkenBorder, AlignLeft, 9);
  readoutBar->Insert(*SizePane);
  readoutBar->Insert(*FramePane);
  readoutBar->Insert(*TimePane);
  readoutBar->Insert(*ScalePane);
  frame.Insert(*readoutBar, TDecorationLocation::Top);
}

void TFrameBars::ResetSlider(unsigned lastFrame)
{
  // Every frame number is a thumb position.
  Slider->SetRange(0, static_cast<int>(lastFrame));
  Slider->TickStep = 1;
  Slider->Snap = true;
  Slider->SetPosition(0);
}

void TFrameBars::ShowPositionReadout(unsigned position, unsigned length, std::optional<std::int64_t> time)
{
  char text[40];
  std::snprintf(text, sizeof text, "frame:%4lu/%4lu", static_cast<unsigned long>(position),
                static_cast<unsigned long>(length));
  FramePane->SetText(text);
  // A frame with no known time (before a copy's stretch) shows none.
  TimePane->SetText(("time:" + (time ? TimeText(*time) : std::string("  -"))).c_str());
}

void TFrameBars::ShowPictureReadout(TSize picture, unsigned shownPercent)
{
  char text[40];
  std::snprintf(text, sizeof text, "size:%4li*%4li", picture.cx, picture.cy);
  SizePane->SetText(text);
  std::snprintf(text, sizeof text, "表示 %u%%", shownPercent);
  ScalePane->SetText(shownPercent < 100 ? text : "");
}

void TFrameBars::ShowRange(bool shown, unsigned from, unsigned to)
{
  if (!shown) {
    StatusBar->SetText(nullptr);
    return;
  }
  char text[120];
  std::snprintf(text, sizeof text, "範囲: %u ～ %u こま%s", from, to, from > to ? " (始めが終わりより後ろです)" : "");
  StatusBar->SetText(text);
}
