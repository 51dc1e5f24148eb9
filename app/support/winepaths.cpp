#include "app/support/winepaths.h"

#include "framework/base/platform.h"

#include <memory>

namespace {

// Wine's conversions hand back memory of the process heap.
struct THeapFree {
  void operator()(void* memory) const { ::HeapFree(::GetProcessHeap(), 0, memory); }
};

using TUnixPathOf = char*(CDECL*)(LPCWSTR);
using TDosPathOf = WCHAR*(CDECL*)(LPCSTR);

template <class TFunction> TFunction WineExport(const char* name)
{
  const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  return kernel ? reinterpret_cast<TFunction>(reinterpret_cast<void*>(::GetProcAddress(kernel, name))) : nullptr;
}

std::wstring Wide(const std::string& text, UINT codePage)
{
  const int length = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (length > 0)
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// The text in the code page; false when a character has no place in it.
bool Narrow(const std::wstring& wide, UINT codePage, std::string& text)
{
  BOOL lost = FALSE;
  BOOL* const lostFlag = codePage == CP_UTF8 ? nullptr : &lost;
  const int length = ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                           lostFlag);
  text.assign(static_cast<std::size_t>(length), '\0');
  if (length > 0)
    ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr,
                          lostFlag);
  return !lost;
}

}  // namespace

std::optional<std::string> UnixPathOf(const std::string& windowsPath)
{
  const auto unixPathOf = WineExport<TUnixPathOf>("wine_get_unix_file_name");
  if (!unixPathOf)
    return std::nullopt;
  const std::unique_ptr<char, THeapFree> unixPath(unixPathOf(Wide(windowsPath, CP_ACP).c_str()));
  if (!unixPath)
    return std::nullopt;
  return std::string(unixPath.get());
}

std::optional<std::string> WindowsPathOf(const std::string& unixPathUtf8)
{
  const auto dosPathOf = WineExport<TDosPathOf>("wine_get_dos_file_name");
  if (!dosPathOf)
    return std::nullopt;
  const std::unique_ptr<WCHAR, THeapFree> dosPath(dosPathOf(unixPathUtf8.c_str()));
  if (!dosPath)
    return std::nullopt;
  std::string path;
  if (Narrow(dosPath.get(), CP_ACP, path))
    return path;
  // A character the code page lacks: the short name has none.
  const DWORD length = ::GetShortPathNameW(dosPath.get(), nullptr, 0);
  if (length == 0)
    return std::nullopt;
  std::wstring shortPath(length, L'\0');
  const DWORD written = ::GetShortPathNameW(dosPath.get(), shortPath.data(), length);
  if (written == 0 || written >= length)
    return std::nullopt;
  shortPath.resize(written);
  if (!Narrow(shortPath, CP_ACP, path))
    return std::nullopt;
  return path;
}

std::string AnsiFromUtf8(const std::string& text)
{
  std::string ansi;
  Narrow(Wide(text, CP_UTF8), CP_ACP, ansi);
  return ansi;
}
