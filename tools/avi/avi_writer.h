// Writes AVI movies (RIFF 'AVI ' with one video stream and an idx1 index) of
// uncompressed BI_RGB frames, the kind the platform's avivideo device plays
// without any codec, or of 24-bit frames coded losslessly (codec/framecodec.h),
// which it shows through our codec. Frames are stored bottom-up unless the
// format asks for top-down rows (a negative height, as some encoders write raw
// video). Portable code, no platform headers.
#pragma once

#include "tools/avi/movie_pattern.h"

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

class TAviWriter {
public:
  struct TFormat {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint16_t BitCount = 32;  // 8 (palette), 24 or 32
    std::uint32_t Rate = 15;      // frames per second = Rate / Scale
    std::uint32_t Scale = 1;
    std::vector<TRgb> Palette;  // 8-bit movies: 1 to 256 colours
    bool TopDown = false;       // rows stored top row first
    bool Coded = false;         // 24-bit frames coded by FrameCodec, stored bottom-up
    // Or frames coded by another codec (its fourcc), given coded already to
    // TryWriteCodedFrame: the file's format says what they decode to.
    std::uint32_t OtherCodec = 0;
    // Each written frame's time in its source follows the index
    // (SourceTimesChunkId, avi/avivideo.h); room for it is kept.
    bool KeepsSourceTimes = false;
  };

  struct TXAvi : std::runtime_error {
    using std::runtime_error::runtime_error;
  };

  // Creates the file and writes the headers; throws TXAvi when the format is
  // unusable or the file cannot be created.
  TAviWriter(const std::string& path, const TFormat& format);
  // A movie never finished is removed: no half-written file stays behind.
  ~TAviWriter();
  TAviWriter(const TAviWriter&) = delete;
  TAviWriter& operator=(const TAviWriter&) = delete;

  // Bytes of one row (padded to 4 bytes) and of one frame of DIB bits (as
  // given to WriteFrame: decoded, for a coded movie).
  std::uint32_t RowBytes() const { return RowBytes(Format); }
  std::uint32_t FrameBytes() const { return RowBytes() * Format.Height; }
  // The most frames of this format one AVI 1.0 file holds after the given
  // number of empty frames: the file, index included, stays below 2 GB, the
  // limit of readers' signed 32-bit offsets (coded frames counted at their
  // largest: at least this many fit). Throws TXAvi when the format is unusable.
  static std::uint32_t FrameCapacity(const TFormat& format, std::uint32_t emptyFrames = 0);

  // Appends a frame: FrameBytes() bytes of DIB bits, in the format's row
  // order. Throws TXAvi when the file would pass 2 GB.
  void WriteFrame(const std::uint8_t* bits);
  // The same, but false (writing nothing) when the frame would take the file
  // past 2 GB: a coded movie holds as many frames as their sizes allow.
  bool TryWriteFrame(const std::uint8_t* bits);
  // The same for a frame coded already (FrameCodec::Encode), which lets the
  // caller code several frames at once.
  bool TryWriteCodedFrame(const std::uint8_t* coded, std::size_t bytes);
  // Appends an empty (zero-length) frame, which the format allows for a
  // dropped frame: it costs only its chunk header and index entry.
  void WriteEmptyFrame();
  // A chunk of our own written after the index (and the source times), which
  // players skip: data the movie's maker reads back. The id must not be one
  // a reader looks for ('idx1', SourceTimesChunkId).
  void KeepAfterIndex(const char (&id)[5], std::vector<std::uint8_t> bytes);
  // The source's time of the frame written last, in microseconds; the times
  // run from the first frame given one on, each frame after it needing one.
  void NoteSourceTime(std::int64_t microseconds);
  // Writes the index, completes the headers and closes the file.
  void Finish();

  std::uint32_t FrameCount() const { return static_cast<std::uint32_t>(Frames.size()); }
  // Bytes written so far.
  std::uint64_t FileBytes() { return static_cast<std::uint64_t>(File.tellp()); }

private:
  static void CheckFormat(const TFormat& format);
  static std::uint32_t RowBytes(const TFormat& format);
  static std::uint32_t StreamListBytes(const TFormat& format);
  static std::uint32_t HeaderListBytes(const TFormat& format);
  void WriteHeaders();
  void Check(const char* what);
  bool AppendChunk(const std::uint8_t* bits, std::uint32_t bytes);
  bool Compressed() const { return Format.Coded || Format.OtherCodec; }
  std::uint32_t Compression() const;  // the fourcc of compressed frames
  const char* ChunkId() const { return Compressed() ? "00dc" : "00db"; }

  std::string Path;
  TFormat Format;
  std::ofstream File;
  std::uint32_t MoviStart = 0;  // file offset of the 'movi' list type
  struct TIndexEntry {
    std::uint32_t Offset;  // of the chunk, relative to MoviStart
    std::uint32_t Bytes;
  };
  std::vector<TIndexEntry> Frames;
  std::uint32_t FirstTimedFrame = 0;
  std::vector<std::int64_t> SourceTimes;
  struct TTrailingChunk {
    std::string Id;
    std::vector<std::uint8_t> Bytes;
  };
  std::vector<TTrailingChunk> AfterIndex;
  std::uint32_t LargestChunk = 0;
  std::vector<std::uint8_t> CodedFrame;  // a coded movie's frame before it is written
  bool Finished = false;
};

// A movie of the test pattern (ExpectedPixel) with the given size, depth and
// length; 8-bit movies carry PatternPalette(). Throws TAviWriter::TXAvi.
struct TTestMovie {
  std::uint32_t Width = 160;
  std::uint32_t Height = 120;
  std::uint16_t BitCount = 32;
  std::uint32_t Frames = 20;
  std::uint32_t Rate = 15;
  std::uint32_t Scale = 1;
  bool TopDown = false;
  bool Coded = false;                  // 24-bit frames coded by FrameCodec
  std::vector<std::uint32_t> Dropped;  // frames written as empty chunks
  // Times in a source kept for the frames from FirstTimedFrame on, as a
  // converted copy keeps them.
  std::uint32_t FirstTimedFrame = 0;
  std::vector<std::int64_t> SourceTimes;
};
void WriteTestMovie(const std::string& path, const TTestMovie& movie);

// The DIB bits of one frame of the test pattern, bottom row first unless the
// movie is top-down.
std::vector<std::uint8_t> TestFrameBits(const TTestMovie& movie, std::uint32_t frame);
