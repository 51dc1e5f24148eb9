#include "tests/graphics/gdi_test_support.h"

#include <fstream>
#include <iterator>
#include <set>

HBITMAP CreateDibSection(int width, int height, int depth)
{
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(depth);
  void* bits = nullptr;
  return ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

std::vector<BYTE> ReadFileBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path)
{
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD LittleEndianAt(const std::vector<BYTE>& bytes, std::size_t offset, int size)
{
  DWORD value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = value << 8 | bytes.at(offset + i);
  return value;
}

std::string ReaderCheckFolder(const char* name)
{
  std::string folder = std::string(VELMO_READER_CHECK_DIR) + "/" + name;
  static std::set<std::string> emptied;
  if (!emptied.insert(folder).second)
    return folder;
  ::CreateDirectoryA(VELMO_READER_CHECK_DIR, nullptr);
  ::CreateDirectoryA(folder.c_str(), nullptr);
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((folder + "/*.*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        ::DeleteFileA((folder + "/" + found.cFileName).c_str());
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  return folder;
}

void WriteExpectedPixels(const std::string& path, const std::vector<COLORREF>& topDownPixels)
{
  std::ofstream out(path, std::ios::binary);
  for (COLORREF color : topDownPixels) {
    const char rgb[3] = {static_cast<char>(GetRValue(color)), static_cast<char>(GetGValue(color)),
                         static_cast<char>(GetBValue(color))};
    out.write(rgb, 3);
  }
}
