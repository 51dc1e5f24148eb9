#include "graphics/gdibase.h"

#include <cstdlib>
#include <cstring>

TGdiBase::TXGdi::TXGdi(unsigned resId, HANDLE handle) : TXFramework(resId, Msg(resId, handle)) {}

std::string TGdiBase::TXGdi::Msg(unsigned resId, HANDLE handle)
{
  bool found = false;
  std::string text = FrameworkString(&found, resId);
  if (!found)
    return text;
  char buffer[1024];
  ::wsprintfA(buffer, text.c_str(), handle);
  return buffer;
}

void TGdiBase::CheckHandle(unsigned resId) const
{
  if (!Handle)
    throw TXGdi(resId);
}

namespace {

struct TObjInfo {
  HANDLE Handle;
  TGdiObject::TType Type;
  int Count;
};

// The table lives in plain zero-initialised storage, so it is usable from any
// static constructor or destructor; it exists only while it holds an entry.
struct TObjTable {
  TObjInfo* Entries;
  int Size;
  int Capacity;
};
TObjTable Table;

constexpr int InitialTableCapacity = 29;

int IndexOf(HANDLE handle)
{
  for (int i = 0; i < Table.Size; ++i)
    if (Table.Entries[i].Handle == handle)
      return i;
  return -1;
}

void RemoveAt(int index)
{
  std::memmove(&Table.Entries[index], &Table.Entries[index + 1], (Table.Size - index - 1) * sizeof(TObjInfo));
  if (--Table.Size == 0) {
    std::free(Table.Entries);
    Table = TObjTable{};
  }
}

}  // namespace

void TGdiObject::Register(HANDLE handle, TType type)
{
  if (!handle || IndexOf(handle) >= 0)
    return;
  if (Table.Size == Table.Capacity) {
    // Grows by exactly one entry: the table stays as small as the live objects.
    int capacity = Table.Entries ? Table.Capacity + 1 : InitialTableCapacity;
    void* entries = std::realloc(Table.Entries, capacity * sizeof(TObjInfo));
    if (!entries)
      throw TXOutOfMemory();
    Table.Entries = static_cast<TObjInfo*>(entries);
    Table.Capacity = capacity;
  }
  Table.Entries[Table.Size++] = TObjInfo{handle, type, 1};
}

void TGdiObject::Unregister(HANDLE handle)
{
  int index = IndexOf(handle);
  if (index >= 0)
    RemoveAt(index);
}

void TGdiObject::AddRef(HANDLE handle)
{
  int index = IndexOf(handle);
  if (index >= 0)
    ++Table.Entries[index].Count;
}

void TGdiObject::Release(HANDLE handle)
{
  int index = IndexOf(handle);
  if (index < 0 || --Table.Entries[index].Count > 0)
    return;
  RemoveAt(index);
  if (!::DeleteObject(handle))
    throw TXGdi(IDS_GDIDESTROYFAIL, handle);
}

int TGdiObject::RefCount(HANDLE handle)
{
  int index = IndexOf(handle);
  return index < 0 ? -1 : Table.Entries[index].Count;
}

int TGdiObject::TableSize()
{
  return Table.Size;
}
int TGdiObject::TableCapacity()
{
  return Table.Capacity;
}

TGdiObject::~TGdiObject()
{
  if (!OwnsHandle || !Handle)
    return;
  try {
    Release(Handle);
  } catch (const TXGdi&) {
  }
}

void TGdiObject::CheckAndRegister(TType type)
{
  CheckHandle(IDS_GDIALLOCFAIL);
  try {
    Register(Handle, type);
  } catch (...) {
    ::DeleteObject(Handle);
    Handle = nullptr;
    throw;
  }
}
