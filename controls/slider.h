// The slider: a control with a bitmap thumb that moves along a slot to show
// and set a position within a range. It changes its position only through its
// parent: every mouse or key action is reported to the parent as a scroll
// notification, and the parent passes it back to the slider's scroll-code
// handling, which moves the thumb. Derived classes give the geometry and draw
// the slot and the ruler.
#pragma once

#include "controls/scrollbar.h"
#include "framework/base/resid.h"

#include <memory>

class TDC;
class TRegion;

class TSlider : public TScrollBar {
public:
  // Where a point of the slider lies (ClassifyPoint); the page sides are the
  // scroll codes they report.
  enum THitArea { HitNothing = -1, HitPageUp = SB_PAGEUP, HitPageDown = SB_PAGEDOWN, HitRuler = 4, HitThumb = 5 };
  // Reported to the parent when the thumb is grabbed: no standard scroll
  // code, so the slider's own scroll handling ignores it.
  enum : int { ThumbGrabbed = 9 };

  TSlider(TWindow* parent, int id, int x, int y, int w, int h, TResId thumbBitmapId, TModule* module = nullptr);
  ~TSlider() override;

  void GetRange(int& min, int& max) override;
  int GetPosition() override;
  // Keeps the position and the thumb where they are until the next move.
  void SetRange(int min, int max) override;
  void SetPosition(int position) override;
  // The position in a notification is 16 bits: these take the whole one
  // this slider reported.
  void ScrollThumbPosition(int position) override;
  void ScrollThumbTrack(int position) override;
  const char* GetClassName() override;
  void SetupWindow() override;

  // Geometry, in client pixels; points stand for the thumb's top-left corner.
  virtual int PositionAt(const TPoint& point) = 0;
  virtual TPoint ThumbPointFor(int position) = 0;
  virtual int ClassifyPoint(const TPoint& point) = 0;  // a THitArea
  int SnapPosition(int position) const;
  const TRect& GetThumbRect() const { return ThumbRect; }
  bool IsDragging() const { return Dragging; }

  // Tick and snapping step, in position units; snapping rounds positions to
  // steps from Min. SetRange leaves both as they are.
  int TickStep;
  bool Snap = true;

protected:
  virtual void ReportScroll(int code, int position) = 0;
  virtual void MakeThumbRegion();
  // Copies the thumb's pixels to the place of position and repaints only the
  // part of the slot it uncovers, so that dragging does not flicker.
  virtual void MoveThumb(TDC& dc, int position);
  virtual void DrawRuler(TDC& dc) = 0;
  virtual void DrawSlot(TDC& dc) = 0;
  virtual void DrawThumb(TDC& dc);

  void CleanupWindow() override;
  // Asks the parent for this control's colours in dc and keeps its background.
  void TakeBackColor(TDC& dc);

  bool EvEraseBkgnd(HDC dc);
  void EvPaint();
  unsigned EvGetDlgCode(MSG* msg);
  void EvLButtonDown(unsigned modKeys, const TPoint& point);
  void EvMouseMove(unsigned modKeys, const TPoint& point);
  void EvLButtonUp(unsigned modKeys, const TPoint& point);
  void EvLButtonDblClk(unsigned modKeys, const TPoint& point);
  void EvKeyDown(unsigned key, unsigned flags);
  void EvSetFocus(HWND hWndLostFocus);
  void EvKillFocus(HWND hWndGetFocus);
  void EvEnable(WPARAM enabled, LPARAM);

  int Min = 0;
  int Max = 100;
  int Range = 100;
  int Pos = 0;
  const char* ThumbBitmapId;  // numeric id or owned name
  TRect ThumbRect{0, 0, 9, 20};
  std::unique_ptr<TRegion> ThumbRegion;  // from SetupWindow on
  TRect CaretRect{3, 3, 6, 16};          // relative to the thumb's top-left
  int SlotDepth = 17;
  bool Dragging = false;
  COLORREF BackColor = 0;
  // The position of the last notification, in full (ReportScroll keeps it).
  int ReportedPos = 0;

private:
  class TDrag;
  void BeginDrag(const TPoint& point);
  // The position for the mouse at point while the thumb is held.
  int DragPositionAt(const TPoint& point);
  // Ends a drag without reporting it, for a slider that goes away mid-drag.
  void AbandonDrag() noexcept;

  // The one drag of the process (the mouse capture allows no second): it
  // holds the capture and a client DC of the dragged slider.
  static std::unique_ptr<TDrag> Drag;
  // Where the thumb was grabbed, relative to its top-left corner.
  static TPoint GrabOffset;

  DECLARE_RESPONSE_TABLE(TSlider);
};
