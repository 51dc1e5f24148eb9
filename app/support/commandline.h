// What the program's command line asks for: "movie PATH [FRAME]" reaches the
// program as the tail "PATH [FRAME]". Portable code with no platform state.
#pragma once

#include <optional>
#include <string>

struct TCommandLineMovie {
  std::string Path;
  // The frame to open on (run.sh's --from, a served movie's first frame).
  std::optional<unsigned> Frame;
};

// The movie named first on the command line, when that word is an .avi file
// (a path with blanks comes as its short name); the frame to open on when a
// whole number follows it.
std::optional<TCommandLineMovie> CommandLineMovie(const char* tail);
