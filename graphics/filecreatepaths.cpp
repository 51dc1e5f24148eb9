#include "graphics/filecreatepaths.h"
#include "graphics/file.h"
#include "graphics/widetext.h"

#include <utility>

namespace {

std::wstring UpperCase(std::wstring name)
{
  if (!name.empty())
    ::CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
}

// Wine's name of the folder on the host, in its own namespace of host paths;
// empty elsewhere.
std::wstring HostPathOf(const std::wstring& folder)
{
  using TToHost = char*(CDECL*)(LPCWSTR);
  const auto toHost = reinterpret_cast<TToHost>(
    ::GetProcAddress(::GetModuleHandleA("kernel32"), "wine_get_unix_file_name"));
  char* host = toHost ? toHost(folder.c_str()) : nullptr;
  if (!host)
    return {};
  const std::string hostPath = host;
  ::HeapFree(::GetProcessHeap(), 0, host);
  std::wstring path = L"\\\\?\\unix\\" + Widened(hostPath, CP_UTF8);
  if (path.back() != L'/')
    path += L'/';
  return path;
}

// The volume and file number of a folder (0 and 0 when it cannot be opened).
std::pair<DWORD, ULONGLONG> FolderIdentity(const std::wstring& folder)
{
  const HANDLE handle = ::CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return {0, 0};
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(handle, &info);
  ::CloseHandle(handle);
  if (!known)
    return {0, 0};
  return {info.dwVolumeSerialNumber, (ULONGLONG{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

}  // namespace

TFileCreatePaths::TFileCreatePaths(const std::string& folder) : Folder(folder)
{
  const std::wstring windowsFolder = Widened(folder);
  // Files are about to be written here: what an earlier writer killed while
  // writing left goes first, and is not listed below.
  TFile::RemoveLeftoverParts(windowsFolder);
  std::wstring host = HostPathOf(windowsFolder);
  // The host path names the folder only where the host's names are UTF-8, as
  // Wine reads them in the usual locales: the same folder, or none.
  const auto identity = FolderIdentity(windowsFolder);
  if (host.empty() || identity.second == 0 || FolderIdentity(host) != identity)
    return;
  // Named by the host path, a file is found only by its exact name: the
  // folder's names must all be known, or every path stays the Windows path.
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW((windowsFolder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do {
    const std::wstring name = found.cFileName;
    const auto [known, added] = SpellingByUpperCase.emplace(UpperCase(name), name);
    if (!added && known->second != name)
      known->second.clear();
  } while (::FindNextFileW(search, &found));
  const bool listedWhole = ::GetLastError() == ERROR_NO_MORE_FILES;
  ::FindClose(search);
  if (!listedWhole) {
    SpellingByUpperCase.clear();
    return;
  }
  HostFolder = std::move(host);
}

std::wstring TFileCreatePaths::For(const std::string& path) const
{
  if (HostFolder.empty() || path.compare(0, Folder.size(), Folder) != 0 ||
      path.find('\\', Folder.size()) != std::string::npos)
    return Widened(path);
  const std::wstring name = Widened(path.substr(Folder.size()));
  const auto known = SpellingByUpperCase.find(UpperCase(name));
  if (known != SpellingByUpperCase.end() && known->second != name)
    return Widened(path);
  return HostFolder + name;
}
