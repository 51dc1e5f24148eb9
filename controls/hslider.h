// The horizontal slider: the thumb travels left to right along a sunken slot,
// with a ruler of tick marks below the thumb row where the window is tall enough.
#pragma once

#include "controls/slider.h"

class THSlider : public TSlider {
public:
  // A height of 0 leaves room for the ruler.
  THSlider(TWindow* parent, int id, int x, int y, int w, int h, TResId thumbBitmapId, TModule* module = nullptr);

  int PositionAt(const TPoint& point) override;
  TPoint ThumbPointFor(int position) override;
  int ClassifyPoint(const TPoint& point) override;

protected:
  // Notifies the parent with WM_HSCROLL (the position in the high word).
  void ReportScroll(int code, int position) override;
  void DrawRuler(TDC& dc) override;
  void DrawSlot(TDC& dc) override;

private:
  // How far the thumb's left edge can travel.
  int TrackLength() const { return Attributes.W - ThumbRect.Width(); }
};
