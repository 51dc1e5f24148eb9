#include "graphics/file.h"

#include <algorithm>

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
