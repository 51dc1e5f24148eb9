#include "app/cut/cutledger.h"

TCutLedger::TCutLedger(std::size_t frames, std::size_t end) : Done(frames), End(end), FailedAt(frames) {}

std::size_t TCutLedger::Take()
{
  if (Stopped || Next >= FailedAt || Next >= End)
    return Frames();
  return Next++;
}

void TCutLedger::Complete(std::size_t frame)
{
  Done[frame] = true;
  while (FirstIncomplete < Frames() && Done[FirstIncomplete])
    ++FirstIncomplete;
}

bool TCutLedger::Fail(std::size_t frame)
{
  if (frame >= FailedAt)
    return false;
  FailedAt = frame;
  return true;
}

std::vector<std::size_t> TCutLedger::CompleteAfterFailure() const
{
  std::vector<std::size_t> frames;
  for (std::size_t frame = FailedAt + 1; frame < Frames(); ++frame)
    if (Done[frame])
      frames.push_back(frame);
  return frames;
}
