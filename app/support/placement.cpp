#include "app/support/placement.h"

#include <algorithm>

namespace {

const int MinUsableWidth = 200;
const int MinUsableHeight = 150;

}  // namespace

TRect FirstRunPlacement()
{
  return TRect(0, 0, 530, 360);
}

bool IsUsablePlacement(const TRect& frame, int captionHeight, const TRect& workArea)
{
  if (frame.Width() < MinUsableWidth || frame.Height() < MinUsableHeight)
    return false;
  const TRect caption(std::max(frame.left, workArea.left), std::max(frame.top, workArea.top),
                      std::min(frame.right, workArea.right), std::min(frame.top + captionHeight, workArea.bottom));
  return !caption.IsEmpty();
}
