// What the cut command makes of the marks, the frame shown and the picture on
// the screen: which cut runs, or why none may.
#pragma once

#include "app/device/moviepicture.h"

struct TCutRequest {
  // A mark is set: the range is cut, else the frame shown.
  bool Ranged = false;
  unsigned MarkFrom = 0;
  unsigned MarkTo = 0;
  unsigned Position = 0;
  unsigned FirstPictureFrame = 0;
  TPictureShown Shown = TPictureShown::Whole;
  // The movie's file can give the frames as the screen would show them.
  bool FromFile = false;
};

enum class TCutPlan {
  // Refused, the user to be told why: a frame before the first picture (an
  // empty frame would be written as whatever the device shows), a single
  // picture the screen does not show whole now, a picture the screen never
  // shows whole and the file cannot give, or the range's start after its end.
  EmptyFrames,
  PictureHidden,
  PictureTooLarge,
  ReversedMarks,
  // The frame on screen copied at once.
  ShownFrame,
  // The frame shown, cut from the file.
  ShownFrameFromFile,
  // A continuous cut of the range, from the file when it can give it; from
  // the screen it waits while the picture is hidden.
  Range,
};

TCutPlan PlanCut(const TCutRequest& request);
