// Frame windows: overlapped windows with a menu, an icon and a client window.
#pragma once

#include "framework/window/window.h"

class TFrameWindow : virtual public TWindow {
public:
  TFrameWindow(TWindow* parent, const char* title = nullptr, TWindow* clientWnd = nullptr,
               bool shrinkToClient = false, TModule* module = nullptr);

  TWindow* GetClientWindow() const { return ClientWnd; }

protected:
  TFrameWindow() = default;

  TWindow* ClientWnd = nullptr;
};
