// The program's settings file, velmo32.ini, as run.sh edits it before the
// program starts: code page 932 text with CRLF line ends, keys of section
// [Screen] (names matched without regard to case). Values are bytes as
// stored. Portable code.
#pragma once

#include <optional>
#include <string>

namespace SettingsFile {

// The value of the key in section [Screen], as stored; nothing when absent.
std::optional<std::string> ScreenValue(const std::string& text, const std::string& key);
// The text with the key of section [Screen] set to the value, where it was
// (a second line of the key goes), else at the section's end, else in a new
// section at the file's end; every other line is kept, each ending in CRLF.
std::string WithScreenValue(const std::string& text, const std::string& key, const std::string& value);

}  // namespace SettingsFile
