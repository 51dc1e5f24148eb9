// Cuts the frames of an uncompressed movie, of one in our own lossless
// format, or of a served movie, straight from its file: where the screen
// would show the movie's own rows unchanged, the BMP files are laid out from
// the file's bytes (decoded, for our format; for a served movie, from the rows
// the frame server gives, as our codec lays them out for the screen) exactly
// as a copy from the screen would give them, without showing and reading back
// every frame.
#pragma once

#include "avi/avivideo.h"
#include "avi/bytesource.h"
#include "app/cut/cutledger.h"
#include "app/support/servedfault.h"
#include "channel/frameclient.h"
#include "framework/base/platform.h"
#include "graphics/filecreatepaths.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <thread>
#include <vector>

// Whether the screen shows the movie's frames as their stored rows, so that a
// file laid out from them is the screen's copy: bottom-up BI_RGB rows of 24
// or 32 bits, bottom-up 24-bit rows coded in our lossless format, or served
// frames, on a display of 24 or 32 bits per pixel.
bool ScreenShowsStoredRows(const TAviVideo& video, int screenDepth);

// The movie's format without its frame index, which a cut from the file
// carries frame by frame.
TAviVideo VideoFormatOf(const TAviVideo& video);

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
  // The served frame's rows from the frame server, straight into the file's.
  TFrameClient::TStatus Fetch(TFrameClient& server, const ServedFrame::TChunk& chunk);

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

class TFileCut {
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
    Damaged,      // Frames[Written()]'s coded data is damaged, or the frame server did not give it
    WriteFailed,  // Frames[Written()] could not be written (no part of it is left)
  };
  // A connection to the frame server for each thread that cuts a served movie.
  using TFrameServers = std::function<std::unique_ptr<TFrameClient>()>;

  // Starts writing the first cutFrames of the frames on threads of their
  // own; the movie file is opened again there, so the device and the checks
  // keep theirs, and each thread that cuts a served movie asks a frame server
  // of its own (the run's, unless servers says otherwise). Every file goes
  // into folder (a Windows path ending in a backslash).
  TFileCut(const std::string& moviePath, const TAviVideo& video, int screenDepth, const std::string& folder,
           std::vector<TFrame> frames, std::size_t cutFrames, TFrameServers servers = RunFrameServer);
  // Stops after the files in flight, which are completed or removed.
  ~TFileCut();
  TFileCut(const TFileCut&) = delete;
  TFileCut& operator=(const TFileCut&) = delete;

  const std::vector<TFrame>& Frames() const { return Cut; }
  // Signalled when the threads have ended, for waits that also take messages.
  HANDLE EndedEvent() const { return Ended.get(); }
  // Files complete so far, all of them the first frames of the cut: the files
  // of the frames after them may still be in flight.
  std::size_t Written() const;
  TEnd End() const;
  // A served frame that ended the cut as Damaged: why the frame server did
  // not give it.
  TServedFault ServedFault() const;
  // Asks the threads to stop after the files in flight and waits for them.
  void Stop();
  // Cuts the first frames of the list only, or more of them while the
  // threads still run; frames already taken are completed.
  void CutFirst(std::size_t frames);

private:
  struct TCloseHandle {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
  };
  // Threads that each read, lay out and write whole frames, taking the next
  // frame in turn. Most of a file's time is spent in the system (Wine's server
  // creating and closing it, the kernel copying it into the disk's cache),
  // which takes several files at once: one thread leaves a core idle.
  static constexpr std::size_t Workers = 3;

  // The first thread: starts the others, cuts beside them, sums up the end.
  void Run();
  // A worker's thread: cuts frames until none is left or the cut ends.
  void Work();
  struct TFrameEnd {
    TEnd End = TEnd::Done;
    TServedFault Served = TServedFault::None;
  };
  static std::unique_ptr<TFrameClient> RunFrameServer() { return std::make_unique<TFrameClient>(); }
  // Reads, lays out and writes one frame into file; Done or why it failed.
  // server: the thread's frame server, for a served movie.
  TFrameEnd CutFrame(const TFrame& frame, TFileByteSource& movie, TScreenFile& file, std::vector<std::uint8_t>& aside,
                     TFrameClient* server) const;
  // The served frame's rows into file.
  TFrameEnd FetchServedFrame(const TAviFrameChunk& chunk, TFileByteSource& movie, TScreenFile& file,
                             TFrameClient& server) const;
  // The next frame to cut, or none (the cut's size) once it ends.
  std::size_t TakeFrame();
  // Counts a frame's file complete, or the frame as where the cut fails.
  void Finish(std::size_t frame, TFrameEnd result);
  // Once every worker has ended: sets the outcome, with no file left of the
  // frames after one that failed.
  void Conclude();

  const std::string MoviePath;
  const TFileCreatePaths CreatePaths;
  const TAviVideo Video;  // the format and size only; the frames are in Cut
  const int ScreenDepth;
  const std::vector<TFrame> Cut;
  const TFrameServers Servers;

  // Shared by the workers and the GUI thread, read and written under Lock
  // only.
  mutable SRWLOCK Lock = SRWLOCK_INIT;
  TCutLedger Ledger;
  TFrameEnd Failure;  // why the ledger's first failed frame failed
  TEnd Outcome = TEnd::Running;

  const std::unique_ptr<std::remove_pointer_t<HANDLE>, TCloseHandle> Ended;
  std::thread Thread;  // last: started once everything it uses exists
};
