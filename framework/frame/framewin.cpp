#include "framework/frame/framewin.h"

TFrameWindow::TFrameWindow(TWindow* parent, const char* title, TWindow* clientWnd, bool shrinkToClient,
                           TModule* module)
{
  Init(parent, title, module);
  Attributes.Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  Attributes.X = Attributes.Y = Attributes.W = Attributes.H = CW_USEDEFAULT;
  ClientWnd = clientWnd;
  if (shrinkToClient)
    SetFlag(wfShrinkToClient);
}
