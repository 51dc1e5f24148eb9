// Byte-wise walking of ANSI text in code page 932 (Shift-JIS): a separator,
// colon or dot is only ever a single-byte character, never the second byte of
// a double-byte one.
#pragma once

#include <cstddef>

namespace Sjis {

inline bool IsLeadByte(unsigned char c)
{
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Length in bytes of the character starting at text (1 or 2; 1 for a lead byte
// cut off by the end of the text).
inline std::size_t CharLength(const char* text)
{
  return IsLeadByte(static_cast<unsigned char>(text[0])) && text[1] ? 2 : 1;
}

// Offset of the start of the last character of text[0, length); length when empty.
inline std::size_t LastCharStart(const char* text, std::size_t length)
{
  std::size_t last = length;
  for (std::size_t i = 0; i < length; i += CharLength(text + i))
    last = i;
  return last;
}

// The longest prefix of text[0, length) of at most limit bytes that does not
// end inside a double-byte character.
inline std::size_t FitPrefix(const char* text, std::size_t length, std::size_t limit)
{
  std::size_t end = 0;
  while (end < length) {
    const std::size_t next = end + CharLength(text + end);
    if (next > limit || next > length)
      break;
    end = next;
  }
  return end;
}

}  // namespace Sjis
