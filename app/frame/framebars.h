// The main frame's bars: the button bar with the position slider at its
// right, the readout bar below it and the status bar at the bottom.
#pragma once

class TDecoratedFrame;
class THSlider;
class TMessageBar;
class TTextGadget;

// The parts of the bars the frame writes to; the bars own them.
struct TFrameBars {
  THSlider* Slider = nullptr;
  TMessageBar* StatusBar = nullptr;
  TTextGadget* FramePane = nullptr;
  TTextGadget* SizePane = nullptr;
  TTextGadget* TimePane = nullptr;
  // The scale of a picture shown smaller than its own size.
  TTextGadget* ScalePane = nullptr;
};

// Builds the bars and inserts them into the frame, which owns them from then on.
TFrameBars BuildFrameBars(TDecoratedFrame& frame);
// The slider's range 0 .. the last frame with the thumb at 0.
void ResetSlider(THSlider& slider, unsigned lastFrame);
