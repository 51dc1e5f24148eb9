#include "framework/app/module.h"
#include "framework/base/dupstring.h"

#include <cstdio>
#include <cstring>
#include <vector>

TModule* GlobalModule = nullptr;

namespace {

// Lets the base layer's exceptions find their texts and report themselves
// through the modules of this layer.
void ConnectBaseLayer()
{
  SetFrameworkStringLookup([](unsigned id, std::string& text) {
    bool found = false;
    text = ResourceIdToString(&found, id);
    return found;
  });
  SetUnhandledReport([](TModule* module, xmsg& x, unsigned captionId, unsigned promptId) {
    return module->Error(x, captionId, promptId);
  });
}

}  // namespace

UINT GetWindowPtrMessage()
{
  static const UINT message = [] {
    char name[32];
    std::snprintf(name, sizeof name, "GetWindowPtr(%X)",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(::GetModuleHandleA(nullptr))));
    return ::RegisterWindowMessageA(name);
  }();
  return message;
}

TModule::TModule(const char* name, HINSTANCE instance) : Instance(instance)
{
  ConnectBaseLayer();
  SetName(name);
}

TModule::TModule(const char* name, HINSTANCE instance, const char* cmdLine) : Instance(instance)
{
  ConnectBaseLayer();
  SetName(name);
  const char* tail = "";
  if (cmdLine) {
    if (const char* blank = std::strchr(cmdLine, ' '))
      tail = blank + 1;
  }
  CmdTail = DupString(tail);
  GetWindowPtrMessage();
}

TModule::TModule(const char* name, bool loadLibrary)
{
  ConnectBaseLayer();
  SetName(name);
  if (loadLibrary) {
    Instance = ::LoadLibraryA(name);
    if (reinterpret_cast<uintptr_t>(Instance) < 33) {
      delete[] Name;
      throw TXInvalidModule();
    }
    OwnsLibrary = true;
  } else {
    Instance = ::GetModuleHandleA(name);
  }
}

TModule::~TModule()
{
  delete[] Name;
  delete[] CmdTail;
  if (OwnsLibrary)
    ::FreeLibrary(Instance);
}

void TModule::SetName(const char* name)
{
  Name = name ? DupString(name) : nullptr;
}

int TModule::LoadOwnString(unsigned id, char* buffer, int size) const
{
  HRSRC info = ::FindResourceA(Instance, MAKEINTRESOURCEA(id / 16 + 1), MAKEINTRESOURCEA(6) /* RT_STRING */);
  if (!info)
    return 0;
  HGLOBAL block = ::LoadResource(Instance, info);
  const WCHAR* entry = block ? static_cast<const WCHAR*>(::LockResource(block)) : nullptr;
  if (!entry)
    return 0;
  for (unsigned skip = id % 16; skip; --skip)
    entry += 1 + *entry;
  const int length = *entry;
  if (!length)
    return 0;
  int copied = ::WideCharToMultiByte(CP_ACP, 0, entry + 1, length, buffer, size - 1, nullptr, nullptr);
  buffer[copied] = '\0';
  return copied;
}

int TModule::LoadString(unsigned id, char* buffer, int size) const
{
  if (size <= 0)
    return 0;
  buffer[0] = '\0';
  if (int length = LoadOwnString(id, buffer, size))
    return length;
  if (GlobalModule && GlobalModule != this)
    return GlobalModule->LoadString(id, buffer, size);
  return 0;
}

int TModule::Error(xmsg& x, unsigned captionId, unsigned promptId)
{
  char caption[80];
  char prompt[80];
  if (!captionId)
    captionId = IDS_ERRORCAPTION;
  const bool haveCaption = LoadString(captionId, caption, sizeof caption) > 0;
  const char* promptText = nullptr;
  if (promptId)
    promptText = LoadString(promptId, prompt, sizeof prompt) ? prompt : "OK to Resume?";
  return HandleGlobalException(x, haveCaption ? caption : nullptr, promptText);
}

int TModule::Error(int errorCode)
{
  char text[128];
  // "An error was received: error code = %d / Continue?"
  std::snprintf(text, sizeof text, "エラーを受信しました: エラーコード = %d\n続行しますか?", errorCode);
  const int answer = ::MessageBoxExA(nullptr, text, Name, MB_ICONSTOP | MB_YESNO | MB_TASKMODAL, 0);
  if (answer == IDNO)
    ::PostThreadMessageA(::GetCurrentThreadId(), WM_QUIT, 0, 0);
  return answer == IDYES ? 0 : -1;
}

std::string ResourceIdToString(bool* found, unsigned id, TModule* module)
{
  char text[128];
  const bool have = module && module->LoadString(id, text, sizeof text) > 0;
  if (found)
    *found = have;
  return have ? text : FallbackText(id);
}

namespace {

BOOL CALLBACK CountThreadWindow(HWND, LPARAM count)
{
  ++*reinterpret_cast<int*>(count);
  return FALSE;
}

}  // namespace

int HandleGlobalException(xmsg& x, const char* caption, const char* prompt)
{
  std::string text = x.why().empty() ? "未知の例外" : x.why();  // "exception of unidentified type"
  if (prompt) {
    text += "\n";
    text += prompt;
  }
  UINT modality = MB_TASKMODAL;
  if (::GetVersion() & 0x80000000u) {
    int windows = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), CountThreadWindow, reinterpret_cast<LPARAM>(&windows));
    modality = windows ? MB_TASKMODAL : MB_SYSTEMMODAL;
  }
  const UINT style = MB_ICONSTOP | (prompt ? MB_YESNO : MB_OK) | modality;
  const int answer = ::MessageBoxExA(nullptr, text.c_str(), caption ? caption : "未処理の例外", style, 0);
  return answer == IDYES ? 0 : -1;
}
