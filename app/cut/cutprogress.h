// The words the status bar says about a continuous cut: how far it is while it
// runs, and how it ended.
#pragma once

#include <string>

struct TCutProgress {
  unsigned Total = 0;      // frames of the range
  unsigned Cut = 0;        // frames copied and handed on to be written
  unsigned ElapsedMs = 0;  // since the cut began
};

// "切り取り中  312 / 1495 こま (20%)  残り 約 6 秒  Shift+Space で中止"; the time
// left is estimated from the pace so far, once there is one.
std::string CutProgressText(const TCutProgress& progress);

enum class TCutEnd {
  Finished,
  CancelKey,      // the cancel command from its key
  CancelCommand,  // the cancel command from the button or the menu
  MovieGone,      // the movie was closed or replaced
  Failed,         // a frame refused or a file not written (the user has been told)
};

// How the cut ended and the files written (of total), the folder last: a long
// path is what a narrow status bar cuts off.
std::string CutEndText(TCutEnd end, unsigned written, unsigned total, const std::string& folder);
