// Reading a frame's compressed data without stepping outside it.
#pragma once

#include <cstddef>
#include <cstdint>

// The bytes of a frame's data still to be read, taken only whole.
class TFrameBytes {
public:
  TFrameBytes(const std::uint8_t* data, std::size_t size) : Next(data), Remaining(size) {}
  std::size_t Left() const { return Remaining; }
  bool Empty() const { return Remaining == 0; }
  // The next count bytes, or null (taking nothing) when fewer are left.
  const std::uint8_t* Take(std::size_t count)
  {
    if (count > Remaining)
      return nullptr;
    const std::uint8_t* taken = Next;
    Next += count;
    Remaining -= count;
    return taken;
  }

private:
  const std::uint8_t* Next;
  std::size_t Remaining;
};
