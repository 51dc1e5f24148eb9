// The framework's exception family. Framework failures carry the id of the
// string resource that describes them; the text is loaded when thrown.
#pragma once

#include <cstddef>
#include <string>
#include <stdexcept>

class TModule;

// Standard message exception: holds a text.
class xmsg : public std::exception {
public:
  explicit xmsg(std::string message) : Message(std::move(message)) {}
  const std::string& why() const { return Message; }
  const char* what() const noexcept override { return Message.c_str(); }

private:
  std::string Message;
};

// Out-of-memory report with the size that could not be had.
class xalloc : public xmsg {
public:
  xalloc(const std::string& message, std::size_t size) : xmsg(message), Size(size) {}
  std::size_t requested() const { return Size; }  // part of the framework's interface

private:
  std::size_t Size;
};

// Root of the framework's exceptions.
class TXBase : public xmsg {
public:
  explicit TXBase(const std::string& message) : xmsg(message) {}
  virtual ~TXBase() = default;
};

class TXFramework : public TXBase {
public:
  // Message from the string resource resId (or the numbered fallback text).
  explicit TXFramework(unsigned resId);
  TXFramework(unsigned resId, const std::string& message);

  // Reports the exception through the application's Error; returns 0 to resume.
  virtual int Unhandled(TModule* app, unsigned promptId);

  unsigned ResId;
};

class TXOutOfMemory : public TXFramework {
public:
  TXOutOfMemory();
};

// The framework's texts live in the program's string table and are reported
// through the program's module, both of which belong to the application layer
// above: it registers a text lookup and a report here (a module does so when
// it is made). Without a lookup, or for an id without a string, the text is
// the numbered fallback.
using TFrameworkStringLookup = bool (*)(unsigned id, std::string& text);
using TUnhandledReport = int (*)(TModule* module, xmsg& x, unsigned captionId, unsigned promptId);
void SetFrameworkStringLookup(TFrameworkStringLookup lookup);
void SetUnhandledReport(TUnhandledReport report);

// The text of framework string id; found (when given) tells whether the
// string table had it.
std::string FrameworkString(bool* found, unsigned id);
// "Exception #id (no message available)."
std::string FallbackText(unsigned id);

// Framework string-resource ids: the message of each kind of framework failure
// and the texts of its reports. One id, one meaning; none is in the program's
// string table, so each shows as the numbered fallback text.
enum : unsigned {
  IDS_INVALIDDIBHANDLE = 32732,     // a DIB header of unknown size
  IDS_GDIDESTROYFAIL = 32734,       // DeleteObject refused a handle
  IDS_GDIRESLOADFAIL = 32736,       // a bitmap resource could not be loaded
  IDS_GDIALLOCFAIL = 32739,         // the platform returned no GDI object or DC
  IDS_LAYOUTUNKNOWNWINDOW = 32740,  // a layout constraint relative to a window without metrics
  IDS_LAYOUTNOPLAN = 32741,         // layout constraints that cannot all be solved
  IDS_MENUFAILURE = 32744,          // a menu could not be created or loaded
  IDS_CHILDCREATEFAILED = 32745,    // a child window could not be created
  IDS_MODALFAILED = 32746,          // a modal dialog could not be made
  IDS_CREATEFAILED = 32747,         // a window (or modeless dialog) could not be created
  IDS_CHILDREGISTERFAILED = 32748,  // a dialog's child control class is not registered
  IDS_REGISTERFAILED = 32749,       // a window class could not be registered
  IDS_INVALIDMAINWINDOW = 32759,    // no main window after InitMainWindow
  IDS_INVALIDMODULE = 32760,        // a library could not be loaded
  IDS_OUTOFMEMORY = 32761,          // a memory block could not be allocated
  IDS_ERRORCAPTION = 32764,         // default caption of a reported error
  IDS_OKTORESUME = 32765,           // the message loop's prompt to resume
  IDS_UNHANDLEDXMSG = 32766,        // caption of a reported framework exception
};
