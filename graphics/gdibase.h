// Common base of the graphics wrappers, their exception, and the process-wide
// reference table that keeps GDI objects alive while a device context holds them.
#pragma once

#include "framework/base/platform.h"
#include "framework/base/exceptions.h"

#include <string>

// Whether a wrapper given an existing handle destroys it; only AutoDelete does.
enum TAutoDelete { NoAutoDelete = 0, AutoDelete = 1 };

// Selects the constructors that take their object from the clipboard (which the
// caller has opened).
struct TFromClipboard {};
inline constexpr TFromClipboard FromClipboard{};

class TGdiBase {
public:
  // A graphics object, device context or DIB the platform refused.
  class TXGdi : public TXFramework {
  public:
    explicit TXGdi(unsigned resId = IDS_GDIALLOCFAIL, HANDLE handle = nullptr);
    // The message for resId: the string resource formatted with the handle,
    // or the numbered fallback text.
    static std::string Msg(unsigned resId, HANDLE handle);
  };

  HANDLE GetHandle() const { return Handle; }
  bool GetOwnsHandle() const { return OwnsHandle; }

protected:
  TGdiBase() = default;
  TGdiBase(HANDLE handle, TAutoDelete autoDelete) : Handle(handle), OwnsHandle(autoDelete == AutoDelete) {}
  ~TGdiBase() = default;

  // Throws TXGdi(resId) when Handle is null.
  void CheckHandle(unsigned resId) const;

  HANDLE Handle = nullptr;
  bool OwnsHandle = true;
};

// Base of the GDI object wrappers. Each owned handle is counted in the reference
// table: the owning wrapper plus one per device-context selection. The handle is
// deleted when the last holder lets go, so an object still selected into a DC
// outlives its wrapper.
class TGdiObject : public TGdiBase {
public:
  enum TType : unsigned char { Brush = 2, Font = 3, Palette = 4, Bitmap = 5 };

  static void Register(HANDLE handle, TType type);
  static void Unregister(HANDLE handle);
  static void AddRef(HANDLE handle);
  // Drops one holder; the last one deletes the handle (TXGdi 32734 when the
  // platform refuses). Unknown handles are ignored.
  static void Release(HANDLE handle);
  static int RefCount(HANDLE handle);  // -1 for an unknown handle

  // The table's state, for diagnostics: entries in use and room (0 when the
  // table does not exist).
  static int TableSize();
  static int TableCapacity();

  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;

protected:
  TGdiObject() = default;
  TGdiObject(HANDLE handle, TAutoDelete autoDelete) : TGdiBase(handle, autoDelete) {}
  // Releases the owned handle. A platform refusal cannot be reported from a
  // destructor and is dropped.
  ~TGdiObject();

  // Checks a newly created handle and registers it with count 1.
  void CheckAndRegister(TType type);
};
