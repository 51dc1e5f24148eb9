#include "app/cut/cutprogress.h"

#include <cstdio>

namespace {

// The time left at the pace so far, in whole seconds rounded up; empty before
// the first frame, when there is no pace yet.
std::string TimeLeftText(const TCutProgress& progress)
{
  if (progress.Cut == 0 || progress.Cut >= progress.Total)
    return "";
  const unsigned long long leftMs = static_cast<unsigned long long>(progress.ElapsedMs) *
                                    (progress.Total - progress.Cut) / progress.Cut;
  const unsigned long long seconds = (leftMs + 999) / 1000;
  char text[64];
  if (seconds < 60)
    std::snprintf(text, sizeof text, "  残り 約 %llu 秒", seconds);
  else
    std::snprintf(text, sizeof text, "  残り 約 %llu 分 %llu 秒", seconds / 60, seconds % 60);
  return text;
}

}  // namespace

std::string CutProgressText(const TCutProgress& progress)
{
  const unsigned percent = progress.Total ? static_cast<unsigned>(100ull * progress.Cut / progress.Total) : 0;
  char text[160];
  std::snprintf(text, sizeof text, "切り取り中  %u / %u こま (%u%%)%s  Shift+Space で中止", progress.Cut,
                progress.Total, percent, TimeLeftText(progress).c_str());
  return text;
}

std::string CutEndText(TCutEnd end, unsigned written, unsigned total, const std::string& folder)
{
  const char* how = nullptr;
  switch (end) {
  case TCutEnd::Finished: {
    char text[96];
    std::snprintf(text, sizeof text, "切り取り終了  %u こまを書き込みました: ", written);
    return text + folder;
  }
  case TCutEnd::CancelKey:
    how = "Shift+Space で中止しました";
    break;
  case TCutEnd::CancelCommand:
    how = "キャンセルで中止しました";
    break;
  case TCutEnd::MovieGone:
    how = "動画が閉じられたため中止しました";
    break;
  case TCutEnd::Failed:
    how = "エラーのため中止しました";
    break;
  }
  char text[160];
  std::snprintf(text, sizeof text, "%s  %u / %u こまを書き込み済み: ", how, written, total);
  return text + folder;
}
