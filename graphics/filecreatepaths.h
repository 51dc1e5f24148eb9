// Where the files of a cut are created from: the Windows path, or under Wine
// the host path that spares Wine a read of the whole folder for each new file.
#pragma once

#include "framework/base/platform.h"

#include <string>
#include <unordered_map>

// The paths by which new files of one folder are created quickest. Under Wine
// a file created by its Windows name costs a read of the whole folder first,
// for a file whose name differs only in case, so that writing many files into
// one folder slows down with every file it holds; named by the folder's host
// path, the file is made at once. A name that a file of the folder already has
// in another case keeps the Windows path, so that this file is overwritten as
// on Windows. Elsewhere every path is the Windows path.
class TFileCreatePaths {
public:
  // The folder's Windows path, ending in a backslash.
  explicit TFileCreatePaths(const std::string& folder);

  // The path to create the file of the folder that path names by.
  std::wstring For(const std::string& path) const;
  bool ThroughHost() const { return !HostFolder.empty(); }

private:
  const std::string Folder;
  std::wstring HostFolder;  // Wine's path of the folder on the host, when it is the same folder
  // The names of the folder's files by their upper case, or an empty name
  // for several spellings.
  std::unordered_map<std::wstring, std::wstring> SpellingByUpperCase;
};
