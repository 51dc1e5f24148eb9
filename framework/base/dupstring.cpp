#include "framework/base/dupstring.h"
#include "framework/base/resid.h"

#include <algorithm>
#include <cstring>

char* DupString(const char* text, std::size_t minSize)
{
  if (!text)
    text = "";
  const std::size_t length = std::strlen(text);
  char* copy = new char[std::max(length + 1, minSize)]();
  std::memcpy(copy, text, length + 1);
  return copy;
}

char* DupResId(const char* id)
{
  return TResId::IsResourceName(id) ? DupString(id) : const_cast<char*>(id);
}

void FreeResId(const char* id)
{
  if (TResId::IsResourceName(id))
    delete[] id;
}
