// Helpers shared by the graphics tests.
#pragma once

#include "graphics/gdibase.h"

#include <string>
#include <vector>

// The resource id of the TGdiBase::TXGdi that call throws, or 0 when it throws none.
template <class TCall> unsigned GdiFailureId(TCall call)
{
  try {
    call();
  } catch (const TGdiBase::TXGdi& x) {
    return x.ResId;
  }
  return 0;
}

// True while handle names a live GDI object.
inline bool IsLiveObject(HGDIOBJ handle)
{
  return ::GetObjectType(handle) != 0;
}

// A DIB section: a bitmap of any depth that selects into any memory DC.
HBITMAP CreateDibSection(int width, int height, int depth);

std::vector<BYTE> ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
DWORD LittleEndianAt(const std::vector<BYTE>& bytes, std::size_t offset, int size);

// A folder for the BMP files that the shell-side reader check opens: every
// name.bmp written there comes with name.rgb, the pixels a reader must find
// (top row first, 3 bytes red, green, blue each). Emptied on first use.
std::string ReaderCheckFolder(const char* name);
void WriteExpectedPixels(const std::string& path, const std::vector<COLORREF>& topDownPixels);
