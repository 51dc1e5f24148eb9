#include "channel/hex.h"

namespace {

int DigitValue(char digit)
{
  if (digit >= '0' && digit <= '9')
    return digit - '0';
  if (digit >= 'a' && digit <= 'f')
    return digit - 'a' + 10;
  if (digit >= 'A' && digit <= 'F')
    return digit - 'A' + 10;
  return -1;
}

}  // namespace

std::string HexText(const std::uint8_t* bytes, std::size_t size)
{
  static const char Digits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * size);
  for (std::size_t i = 0; i < size; ++i) {
    text += Digits[bytes[i] >> 4];
    text += Digits[bytes[i] & 0xF];
  }
  return text;
}

bool ParseHex(std::string_view text, std::uint8_t* bytes, std::size_t size)
{
  if (text.size() != 2 * size)
    return false;
  for (std::size_t i = 0; i < size; ++i) {
    const int high = DigitValue(text[2 * i]);
    const int low = DigitValue(text[2 * i + 1]);
    if (high < 0 || low < 0)
      return false;
    bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return true;
}
