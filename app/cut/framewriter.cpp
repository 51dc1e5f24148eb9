#include "app/cut/framewriter.h"
#include "app/support/exclusivelock.h"

TFrameWriter::TFrameWriter(const std::string& folder) : CreatePaths(folder), Thread([this] { Run(); }) {}

TFrameWriter::~TFrameWriter()
{
  {
    TExclusiveLock lock(Lock);
    WaitUntilIdle();
    State = TState::Stopping;
  }
  ::WakeAllConditionVariable(&Changed);
  Thread.join();
}

void TFrameWriter::Start(TFramePicture picture, std::string path)
{
  TFramePicture written;  // released here, outside the lock
  {
    TExclusiveLock lock(Lock);
    WaitUntilIdle();
    written = std::move(Picture);
    Picture = std::move(picture);
    Path = std::move(path);
    Failed = false;
    State = TState::Queued;
  }
  ::WakeAllConditionVariable(&Changed);
}

bool TFrameWriter::Finish()
{
  TFramePicture written;
  TExclusiveLock lock(Lock);
  WaitUntilIdle();
  written = std::move(Picture);
  const bool failed = Failed;
  Failed = false;
  return !failed;
}

void TFrameWriter::WaitWhile(bool (*busy)(TState))
{
  while (busy(State))
    ::SleepConditionVariableSRW(&Changed, &Lock, INFINITE, 0);
}

void TFrameWriter::WaitUntilIdle()
{
  WaitWhile([](TState state) { return state != TState::Idle; });
}

void TFrameWriter::Run()
{
  TExclusiveLock lock(Lock);
  for (;;) {
    WaitWhile([](TState state) { return state == TState::Idle || state == TState::Writing; });
    if (State == TState::Stopping)
      return;
    State = TState::Writing;
    bool written = false;
    {
      // Start and Finish wait while Writing, so the picture and path stay put.
      const TExclusiveUnlock writing(lock);
      try {
        written = Picture(CreatePaths.For(Path).c_str());
      } catch (...) {
        // A write that cannot even be tried counts as failed.
      }
    }
    Failed = !written;
    State = TState::Idle;
    ::WakeAllConditionVariable(&Changed);
  }
}
