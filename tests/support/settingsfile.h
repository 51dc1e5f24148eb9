// The program's settings file, removed for a test and put back after it.
#pragma once

#include "tests/support/program.h"

class TSettingsFile {
public:
  TSettingsFile() : Path(SettingsFilePath()), Saved(ReadWholeFile(Path)) { ::DeleteFileA(Path.c_str()); }
  ~TSettingsFile()
  {
    ::DeleteFileA(Path.c_str());
    if (!Saved.empty())
      WriteWholeFile(Path, Saved);
  }
  void Write(const std::string& text) const { WriteWholeFile(Path, text); }
  std::string Read() const { return ReadWholeFile(Path); }
  bool Exists() const { return ::GetFileAttributesA(Path.c_str()) != INVALID_FILE_ATTRIBUTES; }

private:
  std::string Path;
  std::string Saved;
};
