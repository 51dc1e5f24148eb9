#include "app/support/rcversion.h"

#include <cstdio>

ProjectRCVersion::ProjectRCVersion(TModule& module)
{
  char fileName[255];
  if (!::GetModuleFileNameA(module.GetInstance(), fileName, sizeof fileName))
    return;
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(fileName, &handle);
  if (!size)
    return;
  FVData = new unsigned char[size];
  void* translation = nullptr;
  UINT length = 0;
  if (!::GetFileVersionInfoA(fileName, handle, size, FVData) ||
      !::VerQueryValueA(FVData, "\\VarFileInfo\\Translation", &translation, &length) || length < sizeof(DWORD)) {
    delete[] FVData;
    FVData = nullptr;
    return;
  }
  TransBlock = static_cast<DWORD*>(translation);
  *TransBlock = (*TransBlock << 16) | (*TransBlock >> 16);
}

ProjectRCVersion::~ProjectRCVersion()
{
  delete[] FVData;
}

bool ProjectRCVersion::Query(const char* key, const char*& text) const
{
  if (!FVData)
    return false;
  char path[64];
  std::snprintf(path, sizeof path, "\\StringFileInfo\\%08lx\\%s", static_cast<unsigned long>(*TransBlock), key);
  void* value = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(FVData, path, &value, &length) || !value)
    return false;
  text = static_cast<const char*>(value);
  return true;
}
