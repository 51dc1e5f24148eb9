// The program's settings in velmo32.ini, section [Screen]: where the main
// frame stands, the output directory and the open dialog's folder. Read when
// the frame is made, each checked so that no stored value leaves the program
// unusable, and written back when it closes.
#pragma once

#include "app/profile.h"
#include "framework/base/geometry.h"

#include <cstddef>

class TSettings {
public:
  // The stored frame placement, or the first run's where that is unusable.
  TRect Placement() const;
  // Fills dir with the stored output directory, ending in its backslash;
  // false when none is stored that dir can hold whole, backslash included.
  bool ReadOutputDir(char* dir, std::size_t size) const;
  // Fills dir with the open dialog's folder; empty when none is stored.
  void ReadLastDir(char* dir, std::size_t size) const;
  // Writes the frame's placement and the directories; false when they were
  // not saved.
  bool Save(const TRect& frame, const char* outputDir, const char* lastDir) const;

private:
  TProfile Profile{"Screen", "velmo32.ini"};
};
