#include "server/settingsfile.h"

#include <vector>

namespace SettingsFile {
namespace {

std::vector<std::string> Lines(const std::string& text)
{
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string Lower(std::string text)
{
  for (char& c : text)
    c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text;
}

std::size_t SkipBlanks(const std::string& line, std::size_t at)
{
  while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
    ++at;
  return at;
}

bool IsSectionLine(const std::string& line)
{
  const std::size_t at = SkipBlanks(line, 0);
  return at < line.size() && line[at] == '[';
}

bool IsScreenSection(const std::string& line)
{
  return Lower(line).compare(SkipBlanks(line, 0), 8, "[screen]") == 0;
}

// Where the value starts when the line sets the key; npos otherwise.
std::size_t ValueOf(const std::string& line, const std::string& key)
{
  std::size_t at = SkipBlanks(line, 0);
  if (Lower(line.substr(at, key.size())) != Lower(key))
    return std::string::npos;
  at = SkipBlanks(line, at + key.size());
  if (at >= line.size() || line[at] != '=')
    return std::string::npos;
  return SkipBlanks(line, at + 1);
}

}  // namespace

std::optional<std::string> ScreenValue(const std::string& text, const std::string& key)
{
  bool inside = false;
  for (const std::string& line : Lines(text)) {
    if (IsSectionLine(line)) {
      inside = IsScreenSection(line);
      continue;
    }
    const std::size_t value = inside ? ValueOf(line, key) : std::string::npos;
    if (value != std::string::npos)
      return line.substr(value);
  }
  return std::nullopt;
}

std::string WithScreenValue(const std::string& text, const std::string& key, const std::string& value)
{
  const std::string setting = key + "=" + value + "\r\n";
  std::string result;
  bool inside = false;
  bool done = false;
  for (const std::string& line : Lines(text)) {
    if (IsSectionLine(line)) {
      if (inside && !done) {
        result += setting;
        done = true;
      }
      inside = IsScreenSection(line);
    } else if (inside && ValueOf(line, key) != std::string::npos) {
      if (!done)
        result += setting;
      done = true;
      continue;
    }
    result += line + "\r\n";
  }
  if (!done)
    result += (inside ? "" : "[Screen]\r\n") + setting;
  return result;
}

}  // namespace SettingsFile
