// Process entry of a framework program: WinMain hands the command line,
// without the program name, to ProcessEntry, which runs the program's AppMain.
#include "framework/app/application.h"

#include <cstdlib>

int ProcessEntry(HINSTANCE instance, HINSTANCE prevInstance, const char* cmdLine, int cmdShow)
{
  if (!GlobalModule) {
    static TModule startupModule(nullptr, instance);
    GlobalModule = &startupModule;
  }
  SetStartupValues({instance, prevInstance, cmdLine ? cmdLine : "", cmdShow});
  try {
    return AppMain(__argc, __argv);
  } catch (xmsg& x) {
    return HandleGlobalException(x, nullptr, nullptr);
  } catch (std::exception& x) {
    xmsg m(x.what());
    return HandleGlobalException(m, nullptr, nullptr);
  }
}

namespace {

const char* SkipProgramName(const char* line)
{
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (blank(*line))
    ++line;
  if (*line == '"') {
    ++line;
    while (*line && *line != '"')
      ++line;
    if (*line == '"')
      ++line;
  } else {
    while (*line && !blank(*line))
      ++line;
  }
  while (blank(*line))
    ++line;
  return line;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
  return ProcessEntry(::GetModuleHandleA(nullptr), nullptr, SkipProgramName(::GetCommandLineA()), SW_SHOWDEFAULT);
}
