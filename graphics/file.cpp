#include "graphics/file.h"

#include "graphics/widetext.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

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

namespace {

// Part files are hidden, and named so that no file of the user's is taken for one.
constexpr wchar_t PartPrefix[] = L".velmo-";
constexpr wchar_t PartSuffix[] = L".part";

// The process that writes the part file of this name, or 0 when the name is
// not of a part file: the prefix, the writer's process and thread ids in
// hexadecimal, and the suffix.
DWORD PartWriter(const std::wstring& name)
{
  const std::size_t prefix = std::size(PartPrefix) - 1;
  const std::size_t suffix = std::size(PartSuffix) - 1;
  if (name.size() < prefix + 3 + suffix || name.compare(0, prefix, PartPrefix) != 0 ||
      name.compare(name.size() - suffix, suffix, PartSuffix) != 0)
    return 0;
  const std::wstring ids = name.substr(prefix, name.size() - prefix - suffix);
  const std::size_t dash = ids.find(L'-');
  const auto hex = [](const std::wstring& digits) {
    return !digits.empty() && digits.size() <= 8 && digits.find_first_not_of(L"0123456789abcdef") == std::wstring::npos;
  };
  if (dash == std::wstring::npos || !hex(ids.substr(0, dash)) || !hex(ids.substr(dash + 1)))
    return 0;
  return static_cast<DWORD>(std::wcstoul(ids.c_str(), nullptr, 16));
}

// Whether the process still runs: another program cutting into the same folder
// closes its part file for a moment before it renames it.
bool Running(DWORD process)
{
  const HANDLE handle = ::OpenProcess(SYNCHRONIZE, FALSE, process);
  if (!handle)
    return ::GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = ::WaitForSingleObject(handle, 0) == WAIT_TIMEOUT;
  ::CloseHandle(handle);
  return running;
}

}  // namespace

bool TFile::WriteWhole(const char* path, std::initializer_list<TPiece> pieces)
{
  return WriteWhole(Widened(path).c_str(), pieces);
}

bool TFile::WriteWhole(const wchar_t* path, std::initializer_list<TPiece> pieces)
{
  const std::wstring part = PartPath(path);
  TFile file;
  if (!file.Open(part.c_str()))
    return false;
  bool complete = true;
  for (const TPiece& piece : pieces)
    complete = complete && file.Write(piece.Data, piece.Size) == piece.Size;
  complete = file.Close() && complete;
  if (complete && ::MoveFileExW(part.c_str(), path, MOVEFILE_REPLACE_EXISTING))
    return true;
  ::DeleteFileW(part.c_str());
  return false;
}

std::wstring TFile::PartPath(const std::wstring& path)
{
  // Each thread writes one file at a time; the ids keep the writers of
  // one folder apart.
  wchar_t name[48];
  ::wsprintfW(name, L"%ls%lx-%lx%ls", PartPrefix, ::GetCurrentProcessId(), ::GetCurrentThreadId(), PartSuffix);
  const std::size_t folderEnd = path.find_last_of(L"\\/");
  return path.substr(0, folderEnd == std::wstring::npos ? 0 : folderEnd + 1) + name;
}

void TFile::RemoveLeftoverParts(const std::wstring& folder)
{
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW((folder + PartPrefix + L"*" + PartSuffix).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      continue;
    const DWORD writer = PartWriter(found.cFileName);
    if (writer && !Running(writer))
      ::DeleteFileW((folder + found.cFileName).c_str());
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}
