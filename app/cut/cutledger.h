// The account of a cut whose frames are cut by several threads at once:
// which frame is taken next, which are complete, and where the cut fails, so
// that the files a cut leaves are always its first frames, as when the frames
// are cut one after another.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// Not safe across threads by itself: the cut calls it under its lock.
class TCutLedger {
public:
  // Frames from end on are not taken while the end stays there (EndAt).
  explicit TCutLedger(std::size_t frames, std::size_t end = SIZE_MAX);

  // The next frame to cut, in order, or Frames() once the cut is stopped or
  // a frame before it has failed.
  std::size_t Take();
  void Complete(std::size_t frame);
  // Notes that frame failed; true when it is now the first frame that did,
  // whose reason the cut reports.
  bool Fail(std::size_t frame);
  // No frame is taken any more; those taken are still completed or failed.
  void Stop() { Stopped = true; }
  // Moves the end, either way; frames taken past it are still completed or
  // failed.
  void EndAt(std::size_t end) { End = end; }
  // Every frame up to the end is complete.
  bool Finished() const { return FirstIncomplete >= std::min(End, Frames()); }

  std::size_t Frames() const { return Done.size(); }
  // Complete frames before the first one that is not (yet) complete.
  std::size_t Written() const { return FirstIncomplete; }
  // The first frame that failed, or Frames().
  std::size_t FirstFailed() const { return FailedAt; }
  // Complete frames after the first one that failed: cut meanwhile by other
  // threads, their files are to be removed.
  std::vector<std::size_t> CompleteAfterFailure() const;

private:
  std::vector<bool> Done;
  std::size_t End;
  std::size_t Next = 0;
  std::size_t FirstIncomplete = 0;
  std::size_t FailedAt;
  bool Stopped = false;
};
