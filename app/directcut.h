// Cuts the frames of an uncompressed movie, or of one in our own lossless
// format, straight from its file: where the screen would show the movie's own
// rows unchanged, the BMP files are laid out from the file's bytes (decoded,
// for our format) exactly as a copy from the screen would give them, without
// showing and reading back every frame.
#pragma once

#include "app/avireader.h"
#include "framework/base/platform.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <thread>
#include <vector>

// Whether the screen shows the movie's frames as their stored rows, so that a
// file laid out from them is the screen's copy: bottom-up BI_RGB rows of 24
// or 32 bits, or bottom-up 24-bit rows coded in our lossless format, on a
// display of 24 or 32 bits per pixel.
bool ScreenShowsStoredRows(const TAviVideo& video, int screenDepth);

// Converts one frame's stored bottom-up rows to the rows a screen of
// screenDepth bits per pixel gives (each row padded to 4 bytes; the unused
// fourth byte of a 32-bit pixel and the padding are zero, as in a screen copy).
void LayOutScreenRows(const TAviVideo& video, const std::uint8_t* stored, int screenDepth, std::uint8_t* screenRows);

class TDirectCut {
public:
  struct TFrame {
    std::uint32_t Number = 0;  // the frame the file is named after
    TAviFrameChunk Chunk;      // where its picture lies (a dropped frame's is the one before it)
    std::string Path;
  };
  enum class TEnd {
    Running,
    Done,
    Stopped,
    Missing,      // Frames[Written()] is no longer wholly in the file
    Damaged,      // Frames[Written()]'s coded data is damaged
    WriteFailed,  // Frames[Written()] could not be written (no part of it is left)
  };

  // Starts writing the frames, in order, on a thread of its own; the movie
  // file is opened again there, so the device and the checks keep theirs.
  TDirectCut(const std::string& moviePath, const TAviVideo& video, int screenDepth, std::vector<TFrame> frames);
  // Stops after the file in flight, which is completed or removed.
  ~TDirectCut();
  TDirectCut(const TDirectCut&) = delete;
  TDirectCut& operator=(const TDirectCut&) = delete;

  const std::vector<TFrame>& Frames() const { return Cut; }
  // Signalled when the thread has ended, for waits that also take messages.
  HANDLE EndedEvent() const { return Ended.get(); }
  // Files complete so far.
  std::size_t Written() const { return WrittenFiles.load(); }
  TEnd End() const { return Outcome.load(); }
  // Asks the thread to stop after the file in flight and waits for it.
  void Stop();

private:
  struct TCloseHandle {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
  };

  void Run();
  TEnd WriteAll();

  const std::string MoviePath;
  const TAviVideo Video;  // the format and size only; the frames are in Cut
  const int ScreenDepth;
  const std::vector<TFrame> Cut;
  std::atomic<std::size_t> WrittenFiles{0};
  std::atomic<TEnd> Outcome{TEnd::Running};
  std::atomic<bool> StopRequested{false};
  const std::unique_ptr<std::remove_pointer_t<HANDLE>, TCloseHandle> Ended;
  std::thread Thread;  // last: started once everything it uses exists
};
