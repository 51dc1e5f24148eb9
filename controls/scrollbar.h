// Window objects for scroll-bar controls: line and page steps, the scroll
// codes a bar reports turned into moves of its position, and data transfer of
// its range and position.
#pragma once

#include "framework/window/control.h"

class TScrollBar : public TControl {
public:
  // What Transfer moves in and out of a transfer buffer.
  struct TTransferRecord {
    int LowValue;
    int HighValue;
    int Position;
  };

  // A bar of zero thickness gets the system's scroll-bar thickness.
  TScrollBar(TWindow* parent, int id, int x, int y, int w, int h, bool horizontal, TModule* module = nullptr);

  virtual void GetRange(int& min, int& max);
  virtual int GetPosition();
  virtual void SetRange(int min, int max);
  virtual void SetPosition(int position);
  // Moves by delta (nothing for 0) and answers the position reached.
  virtual int MoveBy(int delta);
  virtual void ScrollLineUp();
  virtual void ScrollLineDown();
  virtual void ScrollPageUp();
  virtual void ScrollPageDown();
  virtual void ScrollThumbPosition(int position);
  virtual void ScrollThumbTrack(int position);
  virtual void ScrollTop();
  virtual void ScrollBottom();
  virtual void ScrollEnd();

  const char* GetClassName() override;
  void SetupWindow() override;
  unsigned Transfer(void* buffer, TTransferDirection direction) override;

  int LineStep = 1;
  int PageStep = 10;

protected:
  // The parent passes the scroll messages of its controls on to their objects.
  void EvHScroll(unsigned scrollCode, unsigned thumbPos, HWND hWndCtl);
  void EvVScroll(unsigned scrollCode, unsigned thumbPos, HWND hWndCtl);
  void RunScrollCode(unsigned scrollCode, int thumbPos);

  DECLARE_RESPONSE_TABLE(TScrollBar);
};
