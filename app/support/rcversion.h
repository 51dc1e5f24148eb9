// Reads texts of the program's own version resource.
#pragma once

#include "framework/app/module.h"

class ProjectRCVersion {
public:
  explicit ProjectRCVersion(TModule& module);
  virtual ~ProjectRCVersion();
  ProjectRCVersion(const ProjectRCVersion&) = delete;
  ProjectRCVersion& operator=(const ProjectRCVersion&) = delete;

  // Each sets text to a string that lives as long as this object.
  bool GetProductName(const char*& text) const { return Query("ProductName", text); }
  bool GetProductVersion(const char*& text) const { return Query("ProductVersion", text); }
  bool GetLegalNotice(const char*& text) const { return Query("LegalCopyright", text); }
  bool GetSpecialBuild(const char*& text) const { return Query("SpecialBuild", text); }

private:
  bool Query(const char* key, const char*& text) const;

  DWORD* TransBlock = nullptr;  // language in the high half, code page in the low half
  unsigned char* FVData = nullptr;
};
