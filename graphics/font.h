// Fonts.
#pragma once

#include "graphics/gdibase.h"

class TFont : public TGdiObject {
public:
  TFont(HFONT handle, TAutoDelete autoDelete = NoAutoDelete);
  TFont(const char* faceName, int height, int width = 0, int escapement = 0, int orientation = 0,
        int weight = FW_NORMAL, BYTE pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE, BYTE italic = FALSE,
        BYTE underline = FALSE, BYTE strikeOut = FALSE, BYTE charSet = DEFAULT_CHARSET,
        BYTE outputPrecision = OUT_DEFAULT_PRECIS, BYTE clipPrecision = CLIP_DEFAULT_PRECIS,
        BYTE quality = DEFAULT_QUALITY);
  // The platform's own argument order.
  TFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline, BYTE strikeOut,
        BYTE charSet, BYTE outputPrecision, BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily,
        const char* faceName);
  explicit TFont(const LOGFONTA& logFont);
  TFont(const TFont& source);

  HFONT GetHandle() const { return static_cast<HFONT>(Handle); }
  operator HFONT() const { return GetHandle(); }

  bool GetObject(LOGFONTA& logFont) const;
};
