#include "server/fromoption.h"

#include <regex>

namespace {

const std::regex FrameForm("([0-9]{1,10})f");
const std::regex ClockForm("([0-9]+:){0,2}[0-9]+(\\.[0-9]*)?");
const std::regex UnitForm("([0-9]+(?:\\.[0-9]*)?)(s|ms|us)");

}  // namespace

std::optional<TFromOption> TFromOption::Parse(const std::string& text)
{
  TFromOption from;
  std::smatch match;
  if (std::regex_match(text, match, FrameForm)) {
    const unsigned long long frame = std::stoull(match[1].str());
    if (frame > 0xFFFFFFFFull)
      return std::nullopt;
    from.Frame = static_cast<std::uint32_t>(frame);
  } else if (std::regex_match(text, ClockForm)) {
    // [[h:]m:]s: each part before a colon counts sixty of the next.
    std::size_t start = 0;
    for (std::size_t colon; (colon = text.find(':', start)) != std::string::npos; start = colon + 1)
      from.Seconds = (from.Seconds + std::stod(text.substr(start, colon - start))) * 60;
    from.Seconds += std::stod(text.substr(start));
  } else if (std::regex_match(text, match, UnitForm)) {
    const double divisor = match[2] == "ms" ? 1e3 : match[2] == "us" ? 1e6 : 1;
    from.Seconds = std::stod(match[1].str()) / divisor;
  } else {
    return std::nullopt;
  }
  return from;
}

std::string TFromOption::Forms()
{
  return "a time as ffmpeg reads it, seconds (12.5) or h:mm:ss.fraction (1:02:03.5), or a frame number with f "
         "(100000f)";
}
