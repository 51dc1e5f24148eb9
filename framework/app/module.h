// A module: an executable or library whose resources the framework loads, and
// the error reporting that goes with it.
#pragma once

#include "framework/base/platform.h"
#include "framework/base/exceptions.h"
#include "framework/base/eventhandler.h"

#include <string>

// Empty root of the framework's persistent classes.
class TStreamableBase {
public:
  virtual ~TStreamableBase() = default;
};

class TModule : public TEventHandler, public TStreamableBase {
public:
  class TXInvalidModule : public TXFramework {
  public:
    TXInvalidModule() : TXFramework(IDS_INVALIDMODULE) {}
  };

  TModule(const char* name, HINSTANCE instance);
  // cmdLine is the text after the program name; its first word is dropped.
  TModule(const char* name, HINSTANCE instance, const char* cmdLine);
  // Loads the library itself when loadLibrary is set (and frees it again).
  TModule(const char* name, bool loadLibrary);
  ~TModule() override;
  TModule(const TModule&) = delete;
  TModule& operator=(const TModule&) = delete;

  // Reports x in a message box; returns 0 when the user chose to resume.
  virtual int Error(xmsg& x, unsigned captionId, unsigned promptId);
  virtual int Error(int errorCode);

  // Copies string resource id (ANSI) into buffer; returns the length copied.
  int LoadString(unsigned id, char* buffer, int size) const;

  HINSTANCE GetInstance() const { return Instance; }
  operator HINSTANCE() const { return Instance; }
  const char* GetName() const { return Name; }
  const char* GetCmdTail() const { return CmdTail; }
  unsigned GetStatus() const { return Status; }

protected:
  char* Name = nullptr;
  HINSTANCE Instance = nullptr;
  bool OwnsLibrary = false;
  char* CmdTail = nullptr;
  unsigned Status = 0;  // what the main window's destruction passes to PostQuitMessage

private:
  void SetName(const char* name);
  int LoadOwnString(unsigned id, char* buffer, int size) const;
};

// The program's module: a name-less module for the instance until the
// application object takes its place.
extern TModule* GlobalModule;

// The text of framework string id, or the numbered fallback message.
std::string ResourceIdToString(bool* found, unsigned id, TModule* module = GlobalModule);

// Shows x in a message box (Yes/No when a prompt is given); 0 = resume, -1 = end.
int HandleGlobalException(xmsg& x, const char* caption, const char* prompt);

// The registered message that asks a window for its object.
UINT GetWindowPtrMessage();
