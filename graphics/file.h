// A file opened for writing raw bytes: created or truncated, exclusive while
// open, readable and writable afterwards.
#pragma once

#include "framework/base/platform.h"

#include <cstddef>
#include <initializer_list>
#include <string>
#include <unordered_map>

class TFile {
public:
  TFile() = default;
  ~TFile();
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;

  bool Open(const char* path);
  bool Open(const wchar_t* path);
  bool IsOpen() const { return Handle != INVALID_HANDLE_VALUE; }
  // Writes size bytes; returns how many reached the file.
  std::size_t Write(const void* data, std::size_t size);
  // False when the platform reports that the file could not be completed.
  bool Close();

  struct TPiece {
    const void* Data;
    std::size_t Size;
  };
  // Creates the file with the pieces one after another; a file that could not
  // be completed is removed, so that no cut-short file passes for a whole one.
  static bool WriteWhole(const char* path, std::initializer_list<TPiece> pieces);
  static bool WriteWhole(const wchar_t* path, std::initializer_list<TPiece> pieces);

private:
  template <typename TChar> static bool WriteWholeFile(const TChar* path, std::initializer_list<TPiece> pieces);
  static BOOL Delete(const char* path) { return ::DeleteFileA(path); }
  static BOOL Delete(const wchar_t* path) { return ::DeleteFileW(path); }

  HANDLE Handle = INVALID_HANDLE_VALUE;
};

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
