#include "app/frame/cutplan.h"

#include <algorithm>

TCutPlan PlanCut(const TCutRequest& request)
{
  const unsigned first = request.Ranged ? std::min(request.MarkFrom, request.MarkTo) : request.Position;
  if (first < request.FirstPictureFrame)
    return TCutPlan::EmptyFrames;
  if (!request.FromFile) {
    if (request.Shown == TPictureShown::TooLarge)
      return TCutPlan::PictureTooLarge;
    if (request.Shown == TPictureShown::Hidden && !request.Ranged)
      return TCutPlan::PictureHidden;
  }
  // The marks stay, so that one of them can be set again.
  if (request.Ranged && request.MarkFrom > request.MarkTo)
    return TCutPlan::ReversedMarks;
  if (!request.Ranged)
    return request.Shown == TPictureShown::Whole ? TCutPlan::ShownFrame : TCutPlan::ShownFrameFromFile;
  return TCutPlan::Range;
}
