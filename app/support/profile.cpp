#include "app/support/profile.h"
#include "framework/base/platform.h"

#include <cstdio>
#include <string>

int TProfile::GetInt(const char* key, int defaultValue) const
{
  return static_cast<int>(::GetPrivateProfileIntA(Section, key, defaultValue, FileName));
}

unsigned TProfile::GetString(const char* key, const char* defaultValue, char* buffer, std::size_t size) const
{
  return ::GetPrivateProfileStringA(Section, key, defaultValue, buffer, static_cast<DWORD>(size), FileName);
}

bool TProfile::CanWrite() const
{
  // A name without a folder lives in the Windows folder, as the platform keeps
  // private profiles.
  std::string path = FileName;
  if (path.find_first_of("\\/:") == std::string::npos) {
    char windows[MAX_PATH] = "";
    ::GetWindowsDirectoryA(windows, sizeof windows);
    path = std::string(windows) + "\\" + path;
  }
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  ::CloseHandle(file);
  return true;
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
