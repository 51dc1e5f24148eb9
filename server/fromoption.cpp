#include "server/fromoption.h"

#include <algorithm>

namespace {

bool IsDigits(const std::string& text)
{
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// digits[.digits], the fraction perhaps empty.
bool IsDecimal(const std::string& text)
{
  const std::size_t dot = text.find('.');
  return IsDigits(text.substr(0, dot)) &&
         (dot == std::string::npos || text.find_first_not_of("0123456789", dot + 1) == std::string::npos);
}

bool EndsWith(const std::string& text, const std::string& ending)
{
  return text.size() > ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

}  // namespace

std::optional<TFromOption> TFromOption::Parse(const std::string& text)
{
  TFromOption from;
  const std::size_t colons = static_cast<std::size_t>(std::count(text.begin(), text.end(), ':'));
  if (EndsWith(text, "f") && text.size() <= 11 && IsDigits(text.substr(0, text.size() - 1))) {
    const unsigned long long frame = std::stoull(text.substr(0, text.size() - 1));
    if (frame > 0xFFFFFFFFull)
      return std::nullopt;
    from.Frame = static_cast<std::uint32_t>(frame);
  } else if (colons <= 2 && IsDecimal(text.substr(text.find_last_of(':') + 1))) {
    // [[h:]m:]s: each part before a colon counts sixty of the next.
    std::size_t start = 0;
    for (std::size_t colon; (colon = text.find(':', start)) != std::string::npos; start = colon + 1) {
      const std::string part = text.substr(start, colon - start);
      if (!IsDigits(part))
        return std::nullopt;
      from.Seconds = (from.Seconds + std::stod(part)) * 60;
    }
    from.Seconds += std::stod(text.substr(start));
  } else {
    // A number with its unit: s, ms or us.
    const bool milli = EndsWith(text, "ms");
    const bool micro = EndsWith(text, "us");
    const std::size_t unit = milli || micro ? 2 : 1;
    const std::string number = text.substr(0, text.size() - std::min(unit, text.size()));
    if (!(milli || micro || EndsWith(text, "s")) || !IsDecimal(number))
      return std::nullopt;
    from.Seconds = std::stod(number) / (milli ? 1e3 : micro ? 1e6 : 1);
  }
  return from;
}
std::string TFromOption::Forms()
{
  return "a time as ffmpeg reads it, seconds (12.5) or h:mm:ss.fraction (1:02:03.5), or a frame number with f "
         "(100000f)";
}
