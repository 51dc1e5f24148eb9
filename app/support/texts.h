// The program's own texts, such as its message boxes, live in the string
// table of its resources (ids in resources/resource.h) and reach the platform
// as code page 932 bytes through the ANSI calls.
#pragma once

#include "app/support/textfill.h"

#include <string>
#include <type_traits>

// The text of string id; empty when the resources have none.
std::string LoadText(unsigned id);

namespace texts_detail {

inline std::string TextOf(const std::string& value)
{
  return value;
}

inline std::string TextOf(const char* value)
{
  return value;
}

template <typename Number, std::enable_if_t<std::is_integral_v<Number>, int> = 0> std::string TextOf(Number value)
{
  return std::to_string(value);
}

}  // namespace texts_detail

// The text of string id with its places %1, %2... filled with the values, in
// order: numbers in decimal, texts as they are.
template <typename... Values> std::string FormatText(unsigned id, const Values&... values)
{
  return FillPlaceholders(LoadText(id), {texts_detail::TextOf(values)...});
}
