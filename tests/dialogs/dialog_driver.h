// Drives dialogs that a test runs modally: a thread timer, served by the
// dialog's own message loop, runs the test's steps on the dialog window in
// turn. Past the deadline it cancels the dialog (and then ends it outright),
// so a step that never happens fails the test instead of hanging it.
#pragma once

#include "framework/base/platform.h"

#include <deque>
#include <functional>
#include <string>

class TDialogDriver {
public:
  // A step acts on the dialog and answers true when it is done.
  using TStep = std::function<bool(HWND dialog)>;

  // Drives the dialog box (class "#32770") of this thread whose owner is owner.
  explicit TDialogDriver(HWND owner = nullptr, int timeoutMs = 5000);
  ~TDialogDriver();
  TDialogDriver(const TDialogDriver&) = delete;
  TDialogDriver& operator=(const TDialogDriver&) = delete;

  TDialogDriver& Then(TStep step);

  bool TimedOut() const { return Expired; }
  bool Finished() const { return Steps.empty(); }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Poll();
  HWND FindDialog() const;

  HWND Owner;
  DWORD Deadline;
  UINT_PTR Timer;
  std::deque<TStep> Steps;
  bool Expired = false;
};

// Steps and probes shared by the dialog tests.
namespace Drive {
// Posts a key press (down and up) to window, as the keyboard would queue it.
void PostKey(HWND window, UINT vk);
// Posts the characters of text to window, one WM_CHAR each.
void PostChars(HWND window, const char* text);
// Clicks a button of dialog as the button itself reports it.
void PressButton(HWND dialog, int id);
std::string WindowText(HWND window);
}  // namespace Drive
