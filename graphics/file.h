// A file opened for writing raw bytes: created or truncated, exclusive while
// open, readable and writable afterwards.
#pragma once

#include "framework/base/platform.h"

#include <cstddef>
#include <initializer_list>

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
