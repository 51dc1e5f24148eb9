// The main frame's bars: the button bar with the position slider at its
// right, the readout bar below it and the status bar at the bottom, and what
// their panes say of the movie.
#pragma once

#include "framework/base/geometry.h"

#include <cstdint>
#include <optional>

class TDecoratedFrame;
class THSlider;
class TMessageBar;
class TTextGadget;

// The frame's own parts, which the frame derives from; the bars own the
// gadgets and the slider these point at.
class TFrameBars {
public:
  // Builds the bars and inserts them into the frame, which owns them from then on.
  void BuildBars(TDecoratedFrame& frame);
  // The slider's range 0 .. the last frame with the thumb at 0.
  void ResetSlider(unsigned lastFrame);
  // The frame and its time in the movie, when it has one.
  void ShowPositionReadout(unsigned position, unsigned length, std::optional<std::int64_t> time);
  // The movie's own size, which a cut writes, whatever part of it the window
  // shows, and the scale it is shown at where that is smaller.
  void ShowPictureReadout(TSize picture, unsigned shownPercent);
  // The range from .. to in the status bar, or nothing there.
  void ShowRange(bool shown, unsigned from, unsigned to);

  THSlider* Slider = nullptr;
  TMessageBar* StatusBar = nullptr;
  TTextGadget* FramePane = nullptr;
  TTextGadget* SizePane = nullptr;
  TTextGadget* TimePane = nullptr;
  // The scale of a picture shown smaller than its own size.
  TTextGadget* ScalePane = nullptr;

protected:
  ~TFrameBars() = default;
};
