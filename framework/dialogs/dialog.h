// Dialog windows: window objects whose windows are made from dialog templates
// and driven by the one framework dialog procedure, StdDlgProc.
#pragma once

#include "framework/window/window.h"

// Offered to a dialog before its template's initialisation data is applied:
// wParam = the dialog, lParam = the template id. A non-zero answer replaces
// the resource's data (positive = success).
enum : unsigned { WM_DIALOG_INIT_DATA = 0x7FF8 };

class TDialog : virtual public TWindow {
public:
  TDialog(TWindow* parent, TResId templateId, TModule* module = nullptr);
  ~TDialog() override;

  // What the dialog procedure answers for a message (TRUE: handled; some
  // messages of common dialogs take other values).
  virtual INT_PTR DialogFunction(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual bool EvInitDialog(HWND hWndFocus);
  // Modeless: creates the window and returns true, or throws TXWindow.
  bool Create() override;
  virtual HWND DoCreate();
  // Modal: returns the value given to EndDialog (IDOK, IDCANCEL or another id).
  // An exception raised while the dialog ran is thrown again here.
  virtual int Execute();
  virtual int DoExecute();
  bool PreProcessMsg(MSG& msg) override;
  void CloseWindow(int retVal = 0) override;
  void Destroy(int retVal = 0) override;
  const char* GetClassName() override;
  void GetWindowClass(WNDCLASSA& wndClass) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  LPARAM InitParam = 0;  // the dialog's creation parameter

protected:
  void SetupWindow() override;
  // Applies the template's RT_DLGINIT records; false when a control refused one.
  bool PerformDlgInit();

  void CmOk();
  void CmCancel();
  void EvClose();
  void EvPaint();
  LRESULT EvCtlColor(HDC dc, HWND control, unsigned controlType);
  void EvSetFont(WPARAM font, LPARAM redraw);

  bool IsModal = false;

private:
  char* TemplateId;  // numeric id or owned name

  void AttachHandle(HWND hwnd);
  void DeferDeleteIfClosed();
  void ThrowIfChildClassFails();
  // A modal run is ended as soon as a failure is kept for rethrowing, so the
  // caller gets it instead of a dialog that runs on in an unknown state.
  void EndModalRunAfterFailure();

  friend INT_PTR CALLBACK StdDlgProc(HWND, UINT, WPARAM, LPARAM);

  DECLARE_RESPONSE_TABLE(TDialog);
};

// The dialog procedure of every framework dialog: binds the window to the
// dialog object being created at its first message and answers through the
// object's DialogFunction.
INT_PTR CALLBACK StdDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
