#include "app/framewriter.h"

TFrameWriter::TFrameWriter() : Thread([this] { Run(); }) {}

TFrameWriter::~TFrameWriter()
{
  {
    std::unique_lock<std::mutex> lock(Lock);
    WaitUntilIdle(lock);
    State = TState::Stopping;
  }
  Changed.notify_all();
  Thread.join();
}

void TFrameWriter::Start(TFramePicture picture, std::string path)
{
  TFramePicture written;  // released here, outside the lock
  {
    std::unique_lock<std::mutex> lock(Lock);
    WaitUntilIdle(lock);
    written = std::move(Picture);
    Picture = std::move(picture);
    Path = std::move(path);
    Failed = false;
    State = TState::Queued;
  }
  Changed.notify_all();
}

bool TFrameWriter::Finish()
{
  TFramePicture written;
  std::unique_lock<std::mutex> lock(Lock);
  WaitUntilIdle(lock);
  written = std::move(Picture);
  const bool failed = Failed;
  Failed = false;
  return !failed;
}

void TFrameWriter::WaitUntilIdle(std::unique_lock<std::mutex>& lock)
{
  Changed.wait(lock, [this] { return State == TState::Idle; });
}

void TFrameWriter::Run()
{
  std::unique_lock<std::mutex> lock(Lock);
  for (;;) {
    Changed.wait(lock, [this] { return State == TState::Queued || State == TState::Stopping; });
    if (State == TState::Stopping)
      return;
    State = TState::Writing;
    // Start and Finish wait while Writing, so the picture and path stay put.
    lock.unlock();
    bool written = false;
    try {
      written = Picture(Path.c_str());
    }
    catch (...) {
      // A write that cannot even be tried counts as failed.
    }
    lock.lock();
    Failed = !written;
    State = TState::Idle;
    Changed.notify_all();
  }
}
