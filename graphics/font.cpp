#include "graphics/font.h"

TFont::TFont(HFONT handle, TAutoDelete autoDelete) : TGdiObject(handle, autoDelete)
{
  if (OwnsHandle)
    Register(Handle, Font);
}

TFont::TFont(const char* faceName, int height, int width, int escapement, int orientation, int weight,
             BYTE pitchAndFamily, BYTE italic, BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outputPrecision,
             BYTE clipPrecision, BYTE quality)
  : TFont(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet, outputPrecision,
          clipPrecision, quality, pitchAndFamily, faceName)
{
}

TFont::TFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
             BYTE strikeOut, BYTE charSet, BYTE outputPrecision, BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily,
             const char* faceName)
{
  Handle = ::CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                         outputPrecision, clipPrecision, quality, pitchAndFamily, faceName);
  CheckAndRegister(Font);
}

TFont::TFont(const LOGFONTA& logFont)
{
  Handle = ::CreateFontIndirectA(&logFont);
  CheckAndRegister(Font);
}

TFont::TFont(const TFont& source) : TGdiObject()
{
  LOGFONTA logFont{};
  source.GetObject(logFont);
  Handle = ::CreateFontIndirectA(&logFont);
  CheckAndRegister(Font);
}

bool TFont::GetObject(LOGFONTA& logFont) const
{
  return ::GetObjectA(Handle, sizeof logFont, &logFont) != 0;
}
