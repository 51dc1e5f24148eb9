// Writes the frames of a continuous cut as BMP files on a thread of its own, so
// that the file of one frame is written while the next is shown and copied.
#pragma once

#include "app/device/framegrabber.h"
#include "graphics/filecreatepaths.h"

#include <string>
#include <thread>

// One write at a time, in the order handed over, each file into one folder.
// Pictures are released on the thread that owns the writer, where their GDI
// objects were made.
class TFrameWriter {
public:
  // folder: the Windows path of the folder the files go into, ending in a
  // backslash.
  explicit TFrameWriter(const std::string& folder);
  // Completes the write in flight, so no file is left half-written.
  ~TFrameWriter();
  TFrameWriter(const TFrameWriter&) = delete;
  TFrameWriter& operator=(const TFrameWriter&) = delete;

  // Hands over the next file; the caller has seen the previous one finish.
  void Start(TFramePicture picture, std::string path);
  // Waits for the write in flight. False once for each failed write, whose
  // path FailedPath then gives.
  bool Finish();
  const std::string& FailedPath() const { return Path; }

private:
  enum class TState { Idle, Queued, Writing, Stopping };

  void Run();
  // With Lock held: waits until no write is queued or running.
  void WaitUntilIdle();
  void WaitWhile(bool (*busy)(TState));

  // The platform's slim lock and condition: one hand-over per frame costs
  // next to nothing, where a general mutex and condition cost a kernel round
  // trip each on some platforms.
  SRWLOCK Lock = SRWLOCK_INIT;
  CONDITION_VARIABLE Changed = CONDITION_VARIABLE_INIT;
  // New files are made quickest by these paths; Path names the file to the user.
  const TFileCreatePaths CreatePaths;
  TState State = TState::Idle;
  TFramePicture Picture;
  std::string Path;
  bool Failed = false;
  std::thread Thread;  // last: started once everything it uses exists
};
