// The program's settings in velmo32.ini, section [Screen]: where the main
// frame stands, the output directory and the open dialog's folder. Read when
// the frame is made, each checked so that no stored value leaves the program
// unusable, and written back when it closes.
#pragma once

#include "app/support/profile.h"
#include "framework/base/geometry.h"

#include <cstddef>
#include <string>

class TSettings {
public:
  // The stored frame placement, or the first run's where that is unusable.
  TRect Placement() const;
  // Fills dir with the stored output directory as it is stored: a folder
  // ending in its backslash, or a folder and the start of every file name. A
  // stored folder that exists, named without its backslash, gets one here but
  // not in the file. False when none is stored that dir can hold whole.
  bool ReadOutputDir(char* dir, std::size_t size);
  // Fills dir with the open dialog's folder; empty when none is stored.
  void ReadLastDir(char* dir, std::size_t size) const;
  // Writes the frame's placement and the directories, the output directory
  // as it was stored while it is the one read; false when they were not saved.
  bool Save(const TRect& frame, const char* outputDir, const char* lastDir) const;

private:
  TProfile Profile{"Screen", "velmo32.ini"};
  std::string StoredOutputDir;  // "Dir" as the file holds it
  std::string OutputDirAsRead;  // and as ReadOutputDir gave it
};
