// One section of a private profile (ini) file.
#pragma once

#include <cstddef>

class TProfile {
public:
  TProfile(const char* section, const char* fileName) : Section(section), FileName(fileName) {}

  int GetInt(const char* key, int defaultValue) const;
  // Copies the value (or defaultValue) into buffer; returns its length.
  unsigned GetString(const char* key, const char* defaultValue, char* buffer, std::size_t size) const;
  // The file can be written (the platform's writes may report success for a
  // file they cannot write, and then lose the values).
  bool CanWrite() const;
  bool WriteString(const char* key, const char* value) const;
  // Written as the unsigned decimal of the 32-bit value, as the platform's
  // integer reading gives the same value back (-8 is written 4294967288).
  bool WriteUnsigned(const char* key, unsigned value) const;

private:
  const char* Section;
  const char* FileName;
};
