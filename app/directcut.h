// Cuts the frames of an uncompressed movie, or of one in our own lossless
// format, straight from its file: where the screen would show the movie's own
// rows unchanged, the BMP files are laid out from the file's bytes (decoded,
// for our format) exactly as a copy from the screen would give them, without
// showing and reading back every frame.
#pragma once

#include "app/avireader.h"
#include "framework/base/platform.h"
#include "graphics/filecreatepaths.h"

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

// One frame of the movie as the BMP file a copy from a screen of screenDepth
// bits per pixel gives, headers and rows in one block, so that it is written
// with one call: rows padded to 4 bytes, the unused fourth byte of a 32-bit
// pixel and the padding zero. Where the movie has the screen's depth the
// stored rows are read straight into the file's and laid out in place;
// otherwise they are read aside and converted.
class TScreenFile {
public:
  TScreenFile(const TAviVideo& video, int screenDepth);

  // The file's rows, where the frame's stored rows are to be read when they
  // have the screen's depth; null when they must be read aside.
  std::uint8_t* RowsToReadInto() { return InPlace ? Rows() : nullptr; }
  std::size_t StoredBytes() const { return StoredStride * Height; }
  // Lays out the stored rows (the file's own, or read aside) as the screen
  // gives them.
  void LayOut(const std::uint8_t* stored);
  // Decodes a frame of our lossless format straight into the file's rows;
  // false when the data is not a sound frame of the movie's size.
  bool Decode(const std::uint8_t* coded, std::size_t size);

  const std::uint8_t* Data() const { return Bytes.data(); }
  std::size_t Size() const { return Bytes.size(); }

private:
  std::uint8_t* Rows();

  const std::size_t Width;
  const std::size_t Height;
  const std::size_t StoredPixel;
  const std::size_t StoredStride;
  const std::size_t ScreenPixel;
  const std::size_t ScreenStride;
  const bool InPlace;
  std::vector<std::uint8_t> Bytes;  // the file: headers, then rows
};

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

  // Starts writing the frames, in order, on threads of their own; the movie
  // file is opened again there, so the device and the checks keep theirs.
  // Every file goes into folder (a Windows path ending in a backslash).
  TDirectCut(const std::string& moviePath, const TAviVideo& video, int screenDepth, const std::string& folder,
             std::vector<TFrame> frames);
  // Stops after the file in flight, which is completed or removed.
  ~TDirectCut();
  TDirectCut(const TDirectCut&) = delete;
  TDirectCut& operator=(const TDirectCut&) = delete;

  const std::vector<TFrame>& Frames() const { return Cut; }
  // Signalled when the threads have ended, for waits that also take messages.
  HANDLE EndedEvent() const { return Ended.get(); }
  // Files complete so far.
  std::size_t Written() const { return WrittenFiles.load(); }
  TEnd End() const { return Outcome.load(); }
  // Asks the threads to stop after the file in flight and waits for them.
  void Stop();

private:
  struct TCloseHandle {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
  };
  // Frames laid out ahead of the one being written: reading and laying out
  // one while another is written keeps both cores busy.
  static constexpr std::size_t Slots = 3;

  // The writer's thread: starts the reader, writes the files in order.
  void Run();
  TEnd WriteAll();
  // The reader's thread: reads and lays out the frames into the slots.
  void ReadAll();
  TEnd ReadEach();
  // With Lock held: sleeps until woken by a change of the shared state.
  void Wait();

  const std::string MoviePath;
  const TFileCreatePaths CreatePaths;
  const TAviVideo Video;  // the format and size only; the frames are in Cut
  const int ScreenDepth;
  const std::vector<TFrame> Cut;
  // The slots, made on the writer's thread; frame n is laid out in slot n % Slots.
  std::vector<TScreenFile> Files;

  // Shared by the two threads under Lock (the counts also read by the GUI).
  SRWLOCK Lock = SRWLOCK_INIT;
  CONDITION_VARIABLE Changed = CONDITION_VARIABLE_INIT;
  std::size_t LaidOut = 0;                   // frames ready in their slots
  bool ReaderEnded = false;                  // LaidOut will grow no more
  TEnd ReaderEnd = TEnd::Done;               // why: a frame missing, no memory (WriteFailed), or stopped
  std::atomic<std::size_t> WrittenFiles{0};  // frames whose files are complete
  bool StopRequested = false;

  std::atomic<TEnd> Outcome{TEnd::Running};
  const std::unique_ptr<std::remove_pointer_t<HANDLE>, TCloseHandle> Ended;
  std::thread Thread;  // last: started once everything it uses exists
};
