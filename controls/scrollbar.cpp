#include "controls/scrollbar.h"

TScrollBar::TScrollBar(TWindow* parent, int id, int x, int y, int w, int h, bool horizontal, TModule* module)
  : TControl(parent, id, nullptr, x, y, w, h, module)
{
  if (horizontal) {
    if (h == 0)
      Attributes.H = ::GetSystemMetrics(SM_CYHSCROLL);
  } else {
    Attributes.Style |= SBS_VERT;
    if (w == 0)
      Attributes.W = ::GetSystemMetrics(SM_CXVSCROLL);
  }
}

const char* TScrollBar::GetClassName()
{
  return "SCROLLBAR";
}

void TScrollBar::SetupWindow()
{
  SetRange(0, 100);
  TControl::SetupWindow();
}

void TScrollBar::GetRange(int& min, int& max)
{
  min = max = 0;
  ::GetScrollRange(Handle, SB_CTL, &min, &max);
}

int TScrollBar::GetPosition()
{
  return ::GetScrollPos(Handle, SB_CTL);
}

void TScrollBar::SetRange(int min, int max)
{
  ::SetScrollRange(Handle, SB_CTL, min, max, FALSE);
}

void TScrollBar::SetPosition(int position)
{
  int min, max;
  GetRange(min, max);
  if (position > max)
    position = max;
  if (position < min)
    position = min;
  if (position != GetPosition())
    ::SetScrollPos(Handle, SB_CTL, position, TRUE);
}

int TScrollBar::MoveBy(int delta)
{
  if (delta != 0)
    SetPosition(GetPosition() + delta);
  return GetPosition();
}

void TScrollBar::ScrollLineUp()
{
  MoveBy(-LineStep);
}
void TScrollBar::ScrollLineDown()
{
  MoveBy(LineStep);
}
void TScrollBar::ScrollPageUp()
{
  MoveBy(-PageStep);
}
void TScrollBar::ScrollPageDown()
{
  MoveBy(PageStep);
}
void TScrollBar::ScrollThumbPosition(int position)
{
  SetPosition(position);
}
void TScrollBar::ScrollThumbTrack(int position)
{
  SetPosition(position);
}
void TScrollBar::ScrollEnd() {}

void TScrollBar::ScrollTop()
{
  int min, max;
  GetRange(min, max);
  SetPosition(min);
}

void TScrollBar::ScrollBottom()
{
  int min, max;
  GetRange(min, max);
  SetPosition(max);
}

unsigned TScrollBar::Transfer(void* buffer, TTransferDirection direction)
{
  auto* record = static_cast<TTransferRecord*>(buffer);
  if (direction == tdGetData) {
    GetRange(record->LowValue, record->HighValue);
    record->Position = GetPosition();
  } else if (direction == tdSetData) {
    SetRange(record->LowValue, record->HighValue);
    SetPosition(record->Position);
  }
  return sizeof(TTransferRecord);
}

void TScrollBar::EvHScroll(unsigned scrollCode, unsigned thumbPos, HWND)
{
  RunScrollCode(scrollCode, static_cast<int>(thumbPos));
}

void TScrollBar::EvVScroll(unsigned scrollCode, unsigned thumbPos, HWND)
{
  RunScrollCode(scrollCode, static_cast<int>(thumbPos));
}

// Codes outside the standard nine (the slider's own grab notice among them)
// are left to the parent.
void TScrollBar::RunScrollCode(unsigned scrollCode, int thumbPos)
{
  switch (scrollCode) {
  case SB_LINEUP:
    ScrollLineUp();
    break;
  case SB_LINEDOWN:
    ScrollLineDown();
    break;
  case SB_PAGEUP:
    ScrollPageUp();
    break;
  case SB_PAGEDOWN:
    ScrollPageDown();
    break;
  case SB_THUMBPOSITION:
    ScrollThumbPosition(thumbPos);
    break;
  case SB_THUMBTRACK:
    ScrollThumbTrack(thumbPos);
    break;
  case SB_TOP:
    ScrollTop();
    break;
  case SB_BOTTOM:
    ScrollBottom();
    break;
  case SB_ENDSCROLL:
    ScrollEnd();
    break;
  default:
    break;
  }
}

// clang-format off
DEFINE_RESPONSE_TABLE1(TScrollBar, TControl)
  EV_WM_HSCROLL,
  EV_WM_VSCROLL,
END_RESPONSE_TABLE;
// clang-format on
