#include "framework/base/exceptions.h"
#include "framework/app/module.h"
#include "framework/app/application.h"

TXFramework::TXFramework(unsigned resId)
  : TXClonable(ResourceIdToString(nullptr, resId)), ResId(resId) {}

TXFramework::TXFramework(unsigned resId, const std::string& message)
  : TXClonable(message), ResId(resId) {}

int TXFramework::Unhandled(TModule* app, unsigned promptId)
{
  return app->Error(*this, IDS_UNHANDLEDXMSG, promptId);
}

TXOutOfMemory::TXOutOfMemory() : TXClonable(IDS_OUTOFMEMORY) {}
