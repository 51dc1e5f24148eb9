// Text operations on paths, by characters of code page 932.
#pragma once

#include <cstddef>
#include <string>

struct TPathParts {
  std::string Drive;  // "C:" when the path starts with a letter and a colon
  std::string Dir;    // up to and including the last separator
  std::string Name;
  std::string Ext;  // from the last dot of the final component on, dot included
};

// Separators are '\' and '/'; a final component "." or ".." belongs to the
// directory. The input is cut to 260 bytes and each part to 255.
TPathParts SplitPath(const char* path);

// The path's extension is ".avi" in any case, as SplitPath would give it for
// a path of any length.
bool HasAviExtension(const std::string& path);

// The text ends in a separator character ('\' or '/').
bool EndsInSeparator(const char* dir);

// Appends a backslash unless the text already ends in one (as a character: the
// second byte of a double-byte character is not a backslash). Returns false,
// leaving the text as it is, when the buffer has no room for it.
bool EnsureTrailingBackslash(char* dir, std::size_t bufferSize);

// The name of a captured frame: the output directory, the first 4 bytes of the
// movie's base name (a double-byte character cut in half is dropped), the
// position as at least four upper-case hexadecimal digits and ".BMP".
std::string CaptureFileName(const char* outputDir, const char* movieFile, unsigned position);
