#include "app/support/commandline.h"

#include "app/support/pathtext.h"

#include <cstring>
#include <limits>

namespace {

// The word of decimal digits as a frame number; nothing for any other word or
// a number past the frames a movie can have.
std::optional<unsigned> FrameNumber(const std::string& word)
{
  if (word.empty())
    return std::nullopt;
  unsigned long long number = 0;
  for (const char c : word) {
    if (c < '0' || c > '9')
      return std::nullopt;
    number = number * 10 + static_cast<unsigned>(c - '0');
    if (number > std::numeric_limits<unsigned>::max())
      return std::nullopt;
  }
  return static_cast<unsigned>(number);
}

}  // namespace

std::optional<TCommandLineMovie> CommandLineMovie(const char* tail)
{
  if (!tail)
    return std::nullopt;
  const char* const blanks = " \t";
  tail += std::strspn(tail, blanks);
  TCommandLineMovie movie;
  movie.Path.assign(tail, std::strcspn(tail, blanks));
  if (!HasAviExtension(movie.Path))
    return std::nullopt;
  tail += movie.Path.size();
  tail += std::strspn(tail, blanks);
  movie.Frame = FrameNumber(std::string(tail, std::strcspn(tail, blanks)));
  return movie;
}
