// The frame a movie opens on, as `--from` gives it: a time as ffmpeg reads
// one ([[h:]m:]s[.fraction], or a number with the unit s, ms or us), meaning
// the first frame at or after it, or a frame number with f (100000f).
// Portable code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct TFromOption {
  std::optional<std::uint32_t> Frame;  // FRAMEf
  double Seconds = 0;                  // otherwise

  // Nothing when the text is neither form.
  static std::optional<TFromOption> Parse(const std::string& text);
  // Says what the option takes, for a refusal.
  static std::string Forms();
};
