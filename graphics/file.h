// A file opened for writing raw bytes: created or truncated, exclusive while
// open, readable and writable afterwards.
#pragma once

#include "framework/base/platform.h"

#include <cstddef>
#include <initializer_list>
#include <string>

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
  // Writes the pieces one after another into a part file of the same folder,
  // which then replaces any file of the name: the name never holds a file
  // cut short, whether a write fails or the process is killed. A part file
  // that could not be completed is removed.
  static bool WriteWhole(const char* path, std::initializer_list<TPiece> pieces);
  static bool WriteWhole(const wchar_t* path, std::initializer_list<TPiece> pieces);
  // Removes the part files that writers killed while writing left in folder
  // (a path ending in a separator). A part file whose writer still runs stays,
  // and so does one still open.
  static void RemoveLeftoverParts(const std::wstring& folder);

private:
  // The part file of the writing thread beside path.
  static std::wstring PartPath(const std::wstring& path);

  HANDLE Handle = INVALID_HANDLE_VALUE;
};
