#include "app/profile.h"
#include "framework/base/platform.h"

#include <cstdio>

int TProfile::GetInt(const char* key, int defaultValue) const
{
  return static_cast<int>(::GetPrivateProfileIntA(Section, key, defaultValue, FileName));
}

unsigned TProfile::GetString(const char* key, const char* defaultValue, char* buffer, std::size_t size) const
{
  return ::GetPrivateProfileStringA(Section, key, defaultValue, buffer, static_cast<DWORD>(size), FileName);
}

bool TProfile::WriteString(const char* key, const char* value) const
{
  return ::WritePrivateProfileStringA(Section, key, value, FileName) != 0;
}

bool TProfile::WriteUnsigned(const char* key, unsigned value) const
{
  char text[16];
  std::snprintf(text, sizeof text, "%u", value);
  return WriteString(key, text);
}
