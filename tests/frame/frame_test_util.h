// Helpers shared by the frame tests.
#pragma once

#include "framework/window/window.h"

// The child's outer rectangle in its parent's client coordinates.
inline TRect PlacementOf(const TWindow& child)
{
  TRect rect = child.GetWindowRect();
  ::MapWindowPoints(nullptr, ::GetParent(child.GetHandle()), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// A plain child window of a given creation size and id.
class TPlainChild : public TWindow {
public:
  TPlainChild(TWindow* parent, int id = 0, int w = 0, int h = 0, DWORD extraStyle = 0) : TWindow(parent)
  {
    Attributes.Id = id;
    Attributes.W = w;
    Attributes.H = h;
    Attributes.Style |= extraStyle;
  }
};
