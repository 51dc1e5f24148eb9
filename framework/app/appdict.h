// Lets code find the application object of its process (windows created
// without one ask here).
#pragma once

class TApplication;

class TAppDictImp {
public:
  virtual ~TAppDictImp() = default;
  virtual void Add(unsigned pid, TApplication* app) = 0;
  virtual void Remove(TApplication* app) = 0;
  virtual void Remove(unsigned pid) = 0;
  virtual TApplication* GetApplication(unsigned pid) = 0;
};

// Growable array of (process id, application) pairs; a free pair has id 0.
class TAppDictPidImp : public TAppDictImp {
public:
  TAppDictPidImp();
  ~TAppDictPidImp() override;
  TAppDictPidImp(const TAppDictPidImp&) = delete;
  TAppDictPidImp& operator=(const TAppDictPidImp&) = delete;

  void Add(unsigned pid, TApplication* app) override;
  void Remove(TApplication* app) override;
  void Remove(unsigned pid) override;
  TApplication* GetApplication(unsigned pid) override;

  int Capacity() const { return NumEntries; }

  struct TEntry {
    unsigned Pid;
    TApplication* App;
  };
  const TEntry& Entry(int index) const { return Table[index]; }

private:
  enum { GrowBy = 10 };
  TEntry* Table;
  int NumEntries;
};

// A single pair, for processes that can only ever hold one application.
class TAppDictInstImp : public TAppDictImp {
public:
  void Add(unsigned pid, TApplication* app) override { Pair = {pid, app}; }
  void Remove(TApplication* app) override
  {
    if (Pair.App == app)
      Pair = {};
  }
  void Remove(unsigned pid) override
  {
    if (Pair.Pid == pid)
      Pair = {};
  }
  TApplication* GetApplication(unsigned pid) override { return Pair.Pid == pid ? Pair.App : nullptr; }

private:
  TAppDictPidImp::TEntry Pair{};
};

class TAppDictionary {
public:
  TAppDictionary();
  ~TAppDictionary();
  TAppDictionary(const TAppDictionary&) = delete;
  TAppDictionary& operator=(const TAppDictionary&) = delete;

  // Process id 0 stands for the current process.
  TApplication* GetApplication(unsigned pid = 0);
  void Add(TApplication* app, unsigned pid = 0);
  void Remove(TApplication* app);
  void Remove(unsigned pid);

private:
  TAppDictImp* Implementation;
};

// The process-wide dictionary, built before the program's main function runs.
extern TAppDictionary DefaultDictionary;

// The application of a process; a process that has none gets an "ALIAS"
// application registered for it.
TApplication* GetApplicationObject(unsigned pid = 0);
