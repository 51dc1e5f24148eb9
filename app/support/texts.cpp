#include "app/support/texts.h"
#include "framework/base/platform.h"

std::string LoadText(unsigned id)
{
  // The table keeps its texts in UTF-16; asked for no copy, the platform hands
  // out the text in place with its length, so no buffer limits it. The ANSI
  // code page gives the bytes LoadStringA would.
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(::GetModuleHandleA(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text)
    return {};
  const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, length, result.data(), bytes, nullptr, nullptr);
  return result;
}
