// Where the main frame starts: the stored placement, unless that would leave
// the frame unusable, too small to show a movie or with its caption nowhere on
// the screen, where no key or click reaches it.
#pragma once

#include "framework/base/geometry.h"

// The placement of a first run: 530 x 360 at the screen's origin.
TRect FirstRunPlacement();

// The frame can be used at this placement: it is at least 200 x 150 and some
// of its caption strip (captionHeight pixels below its top) lies in the work area.
bool IsUsablePlacement(const TRect& frame, int captionHeight, const TRect& workArea);
