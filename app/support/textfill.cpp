#include "app/support/textfill.h"

std::string FillPlaceholders(const std::string& pattern, const std::vector<std::string>& values)
{
  std::string text;
  text.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    const std::size_t number = next >= '1' && next <= '9' ? static_cast<std::size_t>(next - '0') : 0;
    if (pattern[i] == '%' && number && number <= values.size()) {
      text += values[number - 1];
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}
