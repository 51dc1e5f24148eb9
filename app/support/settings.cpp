#include "app/support/settings.h"
#include "app/support/pathtext.h"
#include "app/support/placement.h"
#include "framework/base/platform.h"

#include <cstring>
#include <string>

namespace {

const char NoOutputDir[] = "_";  // stored "Dir" before the first prompt
const char NoLastDir[] = "0";    // stored "LastDir" before the first movie chosen

}  // namespace

TRect TSettings::Placement() const
{
  const int x = Profile.GetInt("X", 0);
  const int y = Profile.GetInt("Y", 0);
  const TRect stored(x, y, x + Profile.GetInt("W", 530), y + Profile.GetInt("H", 360));
  // The work area of the monitor nearest to the caption.
  const int caption = ::GetSystemMetrics(SM_CYFRAME) + ::GetSystemMetrics(SM_CYCAPTION);
  const RECT captionStrip = {stored.left, stored.top, stored.right, stored.top + caption};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoA(::MonitorFromRect(&captionStrip, MONITOR_DEFAULTTONEAREST), &monitor);
  return IsUsablePlacement(stored, caption, monitor.rcWork) ? stored : FirstRunPlacement();
}

bool TSettings::ReadOutputDir(char* dir, std::size_t size)
{
  // Read with room for one byte more than the directory holds, so that a
  // value too long to hold whole is known and never used cut short.
  std::string stored(size + 1, '\0');
  const unsigned length = Profile.GetString("Dir", NoOutputDir, stored.data(), stored.size());
  if (std::strcmp(stored.c_str(), NoOutputDir) == 0 || length >= size)
    return false;
  std::strcpy(dir, stored.c_str());
  StoredOutputDir = dir;
  // A folder that exists, named without its backslash, is written into;
  // anything else is a folder and the start of the file names.
  const DWORD attributes = ::GetFileAttributesA(dir);
  if (!EndsInSeparator(dir) && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    EnsureTrailingBackslash(dir, size);
  OutputDirAsRead = dir;
  return true;
}

void TSettings::ReadLastDir(char* dir, std::size_t size) const
{
  Profile.GetString("LastDir", NoLastDir, dir, size);
  // Only the first byte tells: any value starting with the digit 0 is none.
  if (dir[0] == NoLastDir[0])
    dir[0] = '\0';
}

bool TSettings::Save(const TRect& frame, const char* outputDir, const char* lastDir) const
{
  if (!Profile.CanWrite())
    return false;
  bool saved = Profile.WriteUnsigned("X", static_cast<unsigned>(frame.left));
  saved &= Profile.WriteUnsigned("Y", static_cast<unsigned>(frame.top));
  saved &= Profile.WriteUnsigned("W", static_cast<unsigned>(frame.Width()));
  saved &= Profile.WriteUnsigned("H", static_cast<unsigned>(frame.Height()));
  saved &= Profile.WriteString("Dir", outputDir == OutputDirAsRead ? StoredOutputDir.c_str() : outputDir);
  saved &= Profile.WriteString("LastDir", lastDir);
  return saved;
}
