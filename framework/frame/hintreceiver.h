// The receiving end of menu and button hints: the decorated frame hands the
// hint text to its child with the message-bar id when that child takes hints.
#pragma once

class THintReceiver {
public:
  // text null clears the hint; an empty text is a blank hint.
  virtual void SetHint(const char* text) = 0;

protected:
  ~THintReceiver() = default;
};
