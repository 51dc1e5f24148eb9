#include "tools/avi/number_text.h"

#include <cstdlib>
#include <cstring>
#include <string>

bool ParseNumber(const char* text, std::uint32_t& value)
{
  if (!*text || *text < '0' || *text > '9')
    return false;
  char* end = nullptr;
  const unsigned long long parsed = std::strtoull(text, &end, 10);
  if (*end || parsed > 0xFFFFFFFFull)
    return false;
  value = static_cast<std::uint32_t>(parsed);
  return true;
}

bool ParsePair(const char* text, char separator, std::uint32_t& a, std::uint32_t& b)
{
  const char* split = std::strchr(text, separator);
  if (!split)
    return false;
  return ParseNumber(std::string(text, split).c_str(), a) && ParseNumber(split + 1, b);
}
