#include "graphics/file.h"

#include <algorithm>
#include <utility>

TFile::~TFile()
{
  Close();
}

bool TFile::Open(const char* path)
{
  Close();
  Handle = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return IsOpen();
}

bool TFile::Open(const wchar_t* path)
{
  Close();
  Handle = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return IsOpen();
}

std::size_t TFile::Write(const void* data, std::size_t size)
{
  const BYTE* next = static_cast<const BYTE*>(data);
  std::size_t done = 0;
  // One call normally suffices; the loop only takes care of sizes beyond one
  // call's range and of a platform that accepts part of a request.
  while (IsOpen() && done < size) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 0x40000000));
    DWORD written = 0;
    if (!::WriteFile(Handle, next + done, chunk, &written, nullptr) || written == 0)
      break;
    done += written;
  }
  return done;
}

bool TFile::Close()
{
  if (!IsOpen())
    return true;
  bool closed = ::CloseHandle(Handle) != 0;
  Handle = INVALID_HANDLE_VALUE;
  return closed;
}

bool TFile::WriteWhole(const char* path, std::initializer_list<TPiece> pieces)
{
  return WriteWholeFile(path, pieces);
}

bool TFile::WriteWhole(const wchar_t* path, std::initializer_list<TPiece> pieces)
{
  return WriteWholeFile(path, pieces);
}

template <typename TChar> bool TFile::WriteWholeFile(const TChar* path, std::initializer_list<TPiece> pieces)
{
  TFile file;
  if (!file.Open(path))
    return false;
  bool complete = true;
  for (const TPiece& piece : pieces)
    complete = complete && file.Write(piece.Data, piece.Size) == piece.Size;
  complete = file.Close() && complete;
  if (!complete)
    Delete(path);
  return complete;
}

namespace {

std::wstring Widened(const std::string& text, UINT codePage = CP_ACP)
{
  const int length = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (length)
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

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
  std::wstring host = HostPathOf(windowsFolder);
  // The host path names the folder only where the host's names are UTF-8, as
  // Wine reads them in the usual locales: the same folder, or none.
  const auto identity = FolderIdentity(windowsFolder);
  if (host.empty() || identity.second == 0 || FolderIdentity(host) != identity)
    return;
  // Named by the host path, a file is found only by its exact name.
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW((windowsFolder + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      const auto [known, added] = SpellingByUpperCase.emplace(UpperCase(name), name);
      if (!added && known->second != name)
        known->second.clear();
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
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
