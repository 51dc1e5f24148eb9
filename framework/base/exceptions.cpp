#include "framework/base/exceptions.h"

#include <cstdio>

namespace {

TFrameworkStringLookup StringLookup = nullptr;
TUnhandledReport UnhandledReport = nullptr;

}  // namespace

void SetFrameworkStringLookup(TFrameworkStringLookup lookup)
{
  StringLookup = lookup;
}

void SetUnhandledReport(TUnhandledReport report)
{
  UnhandledReport = report;
}

std::string FallbackText(unsigned id)
{
  char text[128];
  std::snprintf(text, sizeof text, "例外 #%u (メッセージは用意されていません).", id);
  return text;
}

std::string FrameworkString(bool* found, unsigned id)
{
  std::string text;
  const bool have = StringLookup && StringLookup(id, text);
  if (found)
    *found = have;
  return have ? text : FallbackText(id);
}

TXFramework::TXFramework(unsigned resId) : TXBase(FrameworkString(nullptr, resId)), ResId(resId) {}

TXFramework::TXFramework(unsigned resId, const std::string& message) : TXBase(message), ResId(resId) {}

int TXFramework::Unhandled(TModule* app, unsigned promptId)
{
  // Making the module passed here registered the report; without one, end.
  return app && UnhandledReport ? UnhandledReport(app, *this, IDS_UNHANDLEDXMSG, promptId) : -1;
}

TXOutOfMemory::TXOutOfMemory() : TXFramework(IDS_OUTOFMEMORY) {}
