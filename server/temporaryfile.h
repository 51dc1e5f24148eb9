// A file written under a temporary name in its final folder and renamed when
// complete, locked (flock) while it is written so that another run can tell
// one left by a dead process from one being written. Every temporary file is
// known to the process: an interruption removes them before it ends
// (TStopSignals). Host code (Linux).
#pragma once

#include <stdexcept>
#include <string>

class TTemporaryFile {
public:
  struct TXTemporary : std::runtime_error {
    using std::runtime_error::runtime_error;
  };

  // Creates and locks the file (it must not exist); throws TXTemporary.
  explicit TTemporaryFile(std::string path);
  // Removes the file unless it was renamed.
  ~TTemporaryFile();
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  const std::string& Path() const { return Name; }
  // Gives the complete file its final name; throws TXTemporary.
  void Rename(const std::string& finalPath);

  // Whether the file at path is held locked by a living writer (or cannot be
  // opened to tell): false for one whose writer is gone.
  static bool HeldByWriter(const std::string& path);
  // Removes every temporary file of the process; for an interruption.
  static void RemoveAll();

private:
  std::string Name;
  int Lock = -1;
  bool Renamed = false;
};
