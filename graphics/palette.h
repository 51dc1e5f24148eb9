// Logical palettes.
#pragma once

#include "graphics/gdibase.h"

class TDib;

class TPalette : public TGdiObject {
public:
  TPalette(HPALETTE handle, TAutoDelete autoDelete = NoAutoDelete);
  // The clipboard's palette; counted but never deleted by this program.
  explicit TPalette(TFromClipboard);
  explicit TPalette(const LOGPALETTE& logPalette);
  TPalette(const PALETTEENTRY* entries, int count);
  // A copy of source's entries; a palette without entries cannot be copied.
  TPalette(const TPalette& source);
  // A palette of the colour table of a DIB header, each entry flagged with
  // flags. Headers without a colour table give no palette (TXGdi 32739).
  TPalette(const BITMAPINFO& info, BYTE flags = 0);
  TPalette(const BITMAPCOREINFO& info, BYTE flags = 0);
  TPalette(const TDib& dib, BYTE flags = 0);

  HPALETTE GetHandle() const { return static_cast<HPALETTE>(Handle); }
  operator HPALETTE() const { return GetHandle(); }

  int GetNumEntries() const;  // 0 when the platform cannot tell
  bool GetPaletteEntry(int index, PALETTEENTRY& entry) const;

  // Hands the palette to the (opened) clipboard, which owns it from now on.
  void PutOnClipboard();

private:
  void Create(const PALETTEENTRY* entries, int count);
  template <class TTableEntry> void CreateFromTable(const TTableEntry* table, int count, BYTE flags);
};
