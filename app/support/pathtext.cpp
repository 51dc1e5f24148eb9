#include "app/support/pathtext.h"
#include "framework/base/sjis.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

const std::size_t MaxPath = 260;
const std::size_t MaxPart = 255;

std::string Part(const char* text, std::size_t length)
{
  return std::string(text, Sjis::FitPrefix(text, length, MaxPart));
}

bool IsSeparator(char c)
{
  return c == '\\' || c == '/';
}

// The text's last character when it is a single byte; 0 when the text is
// empty or ends in a double-byte character.
char LastSingleByte(const char* text)
{
  const std::size_t length = std::strlen(text);
  const std::size_t last = Sjis::LastCharStart(text, length);
  return last < length && last == length - 1 ? text[last] : '\0';
}

}  // namespace

TPathParts SplitPath(const char* path)
{
  TPathParts parts;
  if (!path)
    return parts;
  const std::size_t length = Sjis::FitPrefix(path, std::strlen(path), MaxPath);

  std::size_t start = 0;
  if (length >= 2 && !Sjis::IsLeadByte(static_cast<unsigned char>(path[0])) && path[1] == ':') {
    parts.Drive = std::string(path, 2);
    start = 2;
  }

  // One forward walk finds the last separator and the last dot as characters.
  std::size_t componentStart = start;
  std::size_t lastDot = std::string::npos;
  for (std::size_t i = start; i < length; i += Sjis::CharLength(path + i)) {
    if (IsSeparator(path[i])) {
      componentStart = i + 1;
      lastDot = std::string::npos;
    } else if (path[i] == '.') {
      lastDot = i;
    }
  }

  const char* component = path + componentStart;
  const std::size_t componentLength = length - componentStart;
  const bool dotsOnly = (componentLength == 1 && component[0] == '.') ||
                        (componentLength == 2 && component[0] == '.' && component[1] == '.');
  if (dotsOnly) {
    parts.Dir = Part(path + start, length - start);
    return parts;
  }
  parts.Dir = Part(path + start, componentStart - start);
  if (lastDot == std::string::npos) {
    parts.Name = Part(component, componentLength);
  } else {
    parts.Name = Part(component, lastDot - componentStart);
    parts.Ext = Part(path + lastDot, length - lastDot);
  }
  return parts;
}

bool HasAviExtension(const std::string& path)
{
  // '.' is never part of a double-byte character, so four bytes ".avi" at the
  // end are the final component's extension, however long the path.
  static const char Extension[] = ".avi";
  if (path.size() < 4)
    return false;
  for (std::size_t i = 0; i < 4; ++i)
    if (std::tolower(static_cast<unsigned char>(path[path.size() - 4 + i])) != Extension[i])
      return false;
  return true;
}

bool EndsInSeparator(const char* dir)
{
  return IsSeparator(LastSingleByte(dir));
}

bool EnsureTrailingBackslash(char* dir, std::size_t bufferSize)
{
  if (LastSingleByte(dir) == '\\')
    return true;
  const std::size_t length = std::strlen(dir);
  if (length + 2 > bufferSize)
    return false;
  dir[length] = '\\';
  dir[length + 1] = '\0';
  return true;
}

std::string CaptureFileName(const char* outputDir, const char* movieFile, unsigned position)
{
  const std::string name = SplitPath(movieFile).Name;
  char number[16];
  std::snprintf(number, sizeof number, "%04X", position);
  return std::string(outputDir) + name.substr(0, Sjis::FitPrefix(name.c_str(), name.size(), 4)) + number + ".BMP";
}
