#include "controls/slider.h"
#include "controls/sliderscale.h"
#include "graphics/dc.h"
#include "graphics/dib.h"
#include "graphics/region.h"

namespace {

// Keeps the window's caret hidden for a scope (if the window has one).
class TCaretHidden {
public:
  explicit TCaretHidden(HWND window) : Window(window) { ::HideCaret(Window); }
  ~TCaretHidden() { ::ShowCaret(Window); }
  TCaretHidden(const TCaretHidden&) = delete;
  TCaretHidden& operator=(const TCaretHidden&) = delete;

private:
  HWND Window;
};

// The mouse capture for a window, released at the end if it still has it.
class TMouseCapture {
public:
  explicit TMouseCapture(HWND window) : Window(window) { ::SetCapture(Window); }
  ~TMouseCapture()
  {
    if (::GetCapture() == Window)
      ::ReleaseCapture();
  }
  TMouseCapture(const TMouseCapture&) = delete;
  TMouseCapture& operator=(const TMouseCapture&) = delete;

private:
  HWND Window;
};

}  // namespace

// From the button-down on the thumb to the button-up: the dragged slider
// holds the mouse, keeps its caret hidden and draws through one client DC.
class TSlider::TDrag {
public:
  explicit TDrag(const TSlider& slider)
    : Owner(&slider), DC(slider.GetHandle()), Capture(slider.GetHandle()), CaretHidden(slider.GetHandle())
  {
  }

  const TSlider* const Owner;
  TClientDC DC;
  // The position the thumb had when grabbed, and the one its pixel stands for.
  int GrabbedPos = 0;
  int GrabbedAt = 0;

private:
  TMouseCapture Capture;
  TCaretHidden CaretHidden;
};

std::unique_ptr<TSlider::TDrag> TSlider::Drag;
TPoint TSlider::GrabOffset;

TSlider::TSlider(TWindow* parent, int id, int x, int y, int w, int h, TResId thumbBitmapId, TModule* module)
  : TScrollBar(parent, id, x, y, w, h, true, module), ThumbBitmapId(DupResId(thumbBitmapId))
{
  SetRange(0, 100);
  TickStep = Range / 10;
  // The scroll bar's default thickness is for platform bars; the slider keeps its size.
  Attributes.W = w;
  Attributes.H = h;
}

TSlider::~TSlider()
{
  AbandonDrag();
  FreeResId(ThumbBitmapId);
}

const char* TSlider::GetClassName()
{
  // Its own class: the platform scroll bar's procedure would paint a scroll
  // bar over the slider (it does so when the window is enabled or disabled).
  return "VelmoSlider";
}

void TSlider::GetRange(int& min, int& max)
{
  min = Min;
  max = Max;
}

int TSlider::GetPosition()
{
  return Pos;
}

void TSlider::SetRange(int min, int max)
{
  Min = min;
  Max = max;
  Range = SliderScale::RangeBetween(min, max);
}

void TSlider::ScrollThumbPosition(int position)
{
  SetPosition(SliderScale::WithLowBits(static_cast<unsigned>(position), ReportedPos));
}

void TSlider::ScrollThumbTrack(int position)
{
  ScrollThumbPosition(position);
}

int TSlider::SnapPosition(int position) const
{
  return SliderScale::Snap(position, Min, Max, TickStep, Snap);
}

void TSlider::SetPosition(int position)
{
  const int snapped = SnapPosition(position);
  if (snapped == Pos)
    return;
  if (Handle) {
    if (Dragging) {
      MoveThumb(Drag->DC, snapped);
    } else {
      TClientDC dc(Handle);
      MoveThumb(dc, snapped);
    }
  }
  Pos = snapped;
}

void TSlider::SetupWindow()
{
  TScrollBar::SetupWindow();
  // A position set before the window existed shows from the first paint on.
  const TPoint place = ThumbPointFor(Pos);
  ThumbRect.Offset(place.x - ThumbRect.left, place.y - ThumbRect.top);
  MakeThumbRegion();
}

void TSlider::MakeThumbRegion()
{
  if (!ThumbRegion)
    ThumbRegion = std::make_unique<TRegion>(ThumbRect);
}

void TSlider::CleanupWindow()
{
  AbandonDrag();
  TScrollBar::CleanupWindow();
}

void TSlider::TakeBackColor(TDC& dc)
{
  if (Parent)
    Parent->HandleMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.GetHDC()), reinterpret_cast<LPARAM>(Handle));
  BackColor = ::GetBkColor(dc);
}

void TSlider::DrawThumb(TDC& dc)
{
  TDib thumb(*Module, TResId(ThumbBitmapId));
  // Yellow takes the background colour, so the thumb looks shaped.
  thumb.MapSystemColors(TDib::MapFace | TDib::MapText | TDib::MapShadow | TDib::MapHighlight, BackColor);
  // The right half is the thumb held down or disabled.
  const bool held = Dragging || !::IsWindowEnabled(Handle);
  const int sourceX = held ? thumb.Width() / 2 : 0;
  ::SetDIBitsToDevice(dc, ThumbRect.left, ThumbRect.top, ThumbRect.Width(), ThumbRect.Height(), sourceX, 0, 0,
                      thumb.Height(), thumb.GetBits(), thumb.GetInfo(), DIB_RGB_COLORS);
}

void TSlider::MoveThumb(TDC& dc, int position)
{
  const TPoint to = ThumbPointFor(position);
  TCaretHidden caretHidden(Handle);
  TakeBackColor(dc);
  TRect moved = ThumbRect;
  moved.Offset(to.x - ThumbRect.left, to.y - ThumbRect.top);
  if (ThumbRegion) {
    TRegion uncovered(ThumbRect);
    ::OffsetRgn(*ThumbRegion, moved.left - ThumbRect.left, moved.top - ThumbRect.top);
    ::SelectClipRgn(dc, *ThumbRegion);
    ::BitBlt(dc, moved.left, moved.top, moved.Width(), moved.Height(), dc, ThumbRect.left, ThumbRect.top, SRCCOPY);
    ThumbRect = moved;
    ::CombineRgn(uncovered, uncovered, *ThumbRegion, RGN_DIFF);
    ::SelectClipRgn(dc, uncovered);
    DrawSlot(dc);
    ::SelectClipRgn(dc, nullptr);
  } else {
    ThumbRect = moved;
    DrawSlot(dc);
    DrawThumb(dc);
  }
  // The caret belongs to the focus window, which need not be this one.
  if (::GetFocus() == Handle)
    ::SetCaretPos(ThumbRect.left + CaretRect.left, ThumbRect.top + CaretRect.top);
}

bool TSlider::EvEraseBkgnd(HDC)
{
  return true;  // slot, ruler and thumb cover the client area
}

void TSlider::EvPaint()
{
  TCaretHidden caretHidden(Handle);
  if (!ThumbRegion) {
    TPaintDC dc(Handle);
    TakeBackColor(dc);
    DrawSlot(dc);
    DrawRuler(dc);
    DrawThumb(dc);
    return;
  }
  // The thumb is drawn once, clipped to its shape; the rest around it.
  TRegion update;
  ::GetUpdateRgn(Handle, update, TRUE);
  TPaintDC dc(Handle);
  TakeBackColor(dc);
  TRegion thumbPart;
  ::CombineRgn(thumbPart, *ThumbRegion, update, RGN_AND);
  ::SelectClipRgn(dc, thumbPart);
  DrawThumb(dc);
  ::CombineRgn(update, update, thumbPart, RGN_DIFF);
  ::SelectClipRgn(dc, update);
  ::ValidateRgn(Handle, *ThumbRegion);
  DrawSlot(dc);
  DrawRuler(dc);
}

unsigned TSlider::EvGetDlgCode(MSG*)
{
  return DLGC_WANTARROWS;
}

void TSlider::EvLButtonDown(unsigned, const TPoint& point)
{
  if (::GetFocus() != Handle)
    ::SetFocus(Handle);
  switch (const int area = ClassifyPoint(point)) {
  case HitPageUp:
  case HitPageDown:
    ReportScroll(area, 0);
    break;
  case HitRuler:
    ReportScroll(SB_THUMBPOSITION, SnapPosition(PositionAt(point)));
    break;
  case HitThumb:
    BeginDrag(point);
    break;
  default:
    break;
  }
}

void TSlider::BeginDrag(const TPoint& point)
{
  if (Drag)
    return;
  Drag = std::make_unique<TDrag>(*this);
  Dragging = true;
  TakeBackColor(Drag->DC);
  DrawThumb(Drag->DC);
  GrabOffset = TPoint(point.x - ThumbRect.left, point.y - ThumbRect.top);
  Drag->GrabbedPos = Pos;
  Drag->GrabbedAt = SnapPosition(PositionAt(ThumbRect.TopLeft()));
  const int position = DragPositionAt(point);
  ReportScroll(ThumbGrabbed, position);
  ReportScroll(SB_THUMBTRACK, position);
}

int TSlider::DragPositionAt(const TPoint& point)
{
  const int position = SnapPosition(PositionAt(TPoint(point.x - GrabOffset.x, point.y - GrabOffset.y)));
  // Where the range is longer than the track a pixel holds several positions
  // and stands for its first: the pixel the thumb was grabbed at stands for
  // the position it had, so that a thumb grabbed and let go, or dragged away
  // and back, leaves the position as it was.
  return Drag && Drag->Owner == this && position == Drag->GrabbedAt ? Drag->GrabbedPos : position;
}

void TSlider::EvMouseMove(unsigned modKeys, const TPoint& point)
{
  if (!Dragging)
    return;
  // A button released where this window did not hear it ends the drag here.
  if (!(modKeys & MK_LBUTTON)) {
    EvLButtonUp(modKeys, point);
    return;
  }
  ReportScroll(SB_THUMBTRACK, DragPositionAt(point));
}

void TSlider::EvLButtonUp(unsigned, const TPoint& point)
{
  const int position = DragPositionAt(point);
  if (Dragging) {
    Dragging = false;
    ReportScroll(SB_THUMBPOSITION, position);
    // The parent may have destroyed the window on hearing that.
    if (Drag && Drag->Owner == this) {
      TakeBackColor(Drag->DC);
      if (ThumbRegion)
        ::SelectClipRgn(Drag->DC, *ThumbRegion);
      DrawThumb(Drag->DC);
      Drag.reset();
    }
  }
  ReportScroll(SB_ENDSCROLL, position);
}

void TSlider::AbandonDrag() noexcept
{
  Dragging = false;
  if (Drag && Drag->Owner == this)
    Drag.reset();
}

void TSlider::EvLButtonDblClk(unsigned, const TPoint&) {}

void TSlider::EvKeyDown(unsigned key, unsigned flags)
{
  int code;
  switch (key) {
  case VK_PRIOR:
    code = SB_PAGEUP;
    break;
  case VK_NEXT:
    code = SB_PAGEDOWN;
    break;
  case VK_END:
    code = SB_BOTTOM;
    break;
  case VK_HOME:
    code = SB_TOP;
    break;
  case VK_LEFT:
  case VK_UP:
    code = SB_LINEUP;
    break;
  case VK_RIGHT:
  case VK_DOWN:
    code = SB_LINEDOWN;
    break;
  default:
    DefaultProcessing();
    return;
  }
  // Each notification comes back through the parent and moves the thumb.
  for (unsigned repeat = LOWORD(flags); repeat > 0; --repeat)
    ReportScroll(code, Pos);
  ReportScroll(SB_ENDSCROLL, Pos);
}

void TSlider::EvSetFocus(HWND)
{
  // A grey caret marks the focus on the thumb.
  ::CreateCaret(Handle, reinterpret_cast<HBITMAP>(1), CaretRect.Width(), CaretRect.Height());
  ::SetCaretPos(ThumbRect.left + CaretRect.left, ThumbRect.top + CaretRect.top);
  ::ShowCaret(Handle);
}

void TSlider::EvKillFocus(HWND hWndGetFocus)
{
  ::HideCaret(Handle);
  ::DestroyCaret();
  TScrollBar::EvKillFocus(hWndGetFocus);
}

// The thumb shows its disabled image at once.
void TSlider::EvEnable(WPARAM, LPARAM)
{
  ::InvalidateRect(Handle, &ThumbRect, FALSE);
}

// clang-format off
DEFINE_RESPONSE_TABLE1(TSlider, TScrollBar)
  EV_WM_GETDLGCODE,
  EV_WM_ERASEBKGND,
  EV_WM_PAINT,
  EV_WM_LBUTTONDOWN,
  EV_WM_MOUSEMOVE,
  EV_WM_LBUTTONUP,
  EV_WM_LBUTTONDBLCLK,
  EV_WM_KEYDOWN,
  EV_WM_SETFOCUS,
  EV_WM_KILLFOCUS,
  EV_MESSAGE(WM_ENABLE, EvEnable),
END_RESPONSE_TABLE;
// clang-format on
