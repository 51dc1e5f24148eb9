#include "framework/app/appdict.h"
#include "framework/app/application.h"

#include <algorithm>

namespace {

unsigned ResolvePid(unsigned pid)
{
  return pid ? pid : GetCurrentProcessId();
}

}  // namespace

TAppDictPidImp::TAppDictPidImp() : Table(new TEntry[GrowBy]()), NumEntries(GrowBy) {}

TAppDictPidImp::~TAppDictPidImp()
{
  delete[] Table;
}

void TAppDictPidImp::Add(unsigned pid, TApplication* app)
{
  TEntry* free = nullptr;
  for (int i = 0; i < NumEntries; ++i) {
    if (Table[i].Pid == pid) {
      Table[i].App = app;
      return;
    }
    if (!free && Table[i].Pid == 0)
      free = &Table[i];
  }
  if (!free) {
    TEntry* grown = new TEntry[NumEntries + GrowBy]();
    std::copy(Table, Table + NumEntries, grown);
    delete[] Table;
    Table = grown;
    free = &Table[NumEntries];
    NumEntries += GrowBy;
  }
  *free = {pid, app};
}

void TAppDictPidImp::Remove(TApplication* app)
{
  for (int i = 0; i < NumEntries; ++i)
    if (Table[i].App == app) {
      Table[i] = {};
      return;
    }
}

void TAppDictPidImp::Remove(unsigned pid)
{
  for (int i = 0; i < NumEntries; ++i)
    if (Table[i].Pid == pid) {
      Table[i] = {};
      return;
    }
}

TApplication* TAppDictPidImp::GetApplication(unsigned pid)
{
  for (int i = 0; i < NumEntries; ++i)
    if (Table[i].Pid == pid)
      return Table[i].App;
  return nullptr;
}

TAppDictionary::TAppDictionary() : Implementation(new TAppDictPidImp) {}

TAppDictionary::~TAppDictionary()
{
  delete Implementation;
}

TApplication* TAppDictionary::GetApplication(unsigned pid)
{
  return Implementation->GetApplication(ResolvePid(pid));
}

void TAppDictionary::Add(TApplication* app, unsigned pid)
{
  Implementation->Add(ResolvePid(pid), app);
}

void TAppDictionary::Remove(TApplication* app)
{
  Implementation->Remove(app);
}

void TAppDictionary::Remove(unsigned pid)
{
  Implementation->Remove(ResolvePid(pid));
}

TAppDictionary DefaultDictionary;

TApplication* GetApplicationObject(unsigned pid)
{
  if (TApplication* app = DefaultDictionary.GetApplication(pid))
    return app;
  // The alias application must not become the program's module.
  static TModule* aliasModule = nullptr;
  return new TApplication("ALIAS", aliasModule, &DefaultDictionary);
}
