// Checks an AVI movie before the movie device is given it: walks the RIFF
// structure with every size checked against the file, finds the video stream's
// format and indexes the video frames whose data is completely in the file.
// Portable code with no platform state; the bytes come through TByteSource.
#pragma once

#include "avi/bytesource.h"
#include "channel/servedframe.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A chunk of our own after a converted copy's index, which players skip: a
// 32-bit frame number, then the source's time of that frame and of each frame
// after it, 64-bit microseconds from the source's start (as ffmpeg counts for
// -ss), all little-endian.
inline constexpr char SourceTimesChunkId[] = "vlmt";

// Why a movie cannot be shown.
enum class TAviRefusal {
  None,
  CannotOpen,        // the file itself could not be opened
  UnreadableHeader,  // not RIFF 'AVI ', or the main, stream or format header is missing or cut short
  NoVideoStream,
  BadPictureSize,     // zero or negative width, zero height, or a frame too big for 32 bits
  FrameSizeMismatch,  // an uncompressed frame whose size is not stride x |height|
  NoFrames,           // no video frame with a picture is complete in the file
  PastDeviceReach,    // the first RIFF part runs past 2 GB, where the device's 32-bit offsets end
  // Never from the file's walk: the program's movie device would not open
  // the movie, or cannot show its picture (no decoder for its format).
  DeviceCannotShow,
};

// The movie device reads the first RIFF part alone, through signed 32-bit
// offsets: it never gets beyond this many bytes into the file.
constexpr std::uint64_t DeviceReachBytes = std::uint64_t{1} << 31;

// Where one video frame's data lies in the file.
struct TAviFrameChunk {
  std::uint64_t Offset = 0;  // of the data, after the chunk's header
  std::uint32_t Size = 0;    // 0: a dropped frame, which repeats the picture before it
  std::uint64_t End() const { return Offset + Size; }
};

struct TAviVideo {
  static constexpr std::uint32_t UncompressedRgb = 0;        // BI_RGB
  static constexpr std::uint32_t UncompressedBitfields = 3;  // BI_BITFIELDS

  TAviRefusal Refusal = TAviRefusal::UnreadableHeader;
  bool Readable() const { return Refusal == TAviRefusal::None; }

  // From the video stream's BITMAPINFOHEADER.
  std::int32_t Width = 0;
  std::int32_t Height = 0;  // negative: rows stored top-down
  std::uint16_t BitCount = 0;
  std::uint32_t Compression = 0;  // UncompressedRgb, UncompressedBitfields or a fourcc
  bool TopDown() const { return Height < 0; }
  std::uint32_t PictureHeight() const
  {
    return Height < 0 ? 0u - static_cast<std::uint32_t>(Height) : static_cast<std::uint32_t>(Height);
  }
  // Bytes of one uncompressed frame (stride x |height|); 0 for compressed formats.
  std::uint32_t FrameBytes = 0;

  // From the stream header of the video stream and the movie's headers.
  std::uint32_t StreamNumber = 0;  // the nn of the 'nndb'/'nndc' frame chunks
  std::uint32_t Rate = 0;          // frames per second = Rate / Scale
  std::uint32_t Scale = 0;
  std::uint32_t StreamLength = 0;          // 'strh' length
  std::uint32_t MainHeaderFrames = 0;      // 'avih' total frames (first RIFF part only in OpenDML files)
  std::uint32_t ExtendedHeaderFrames = 0;  // OpenDML 'dmlh' total frames, 0 when absent

  // Video frame chunks whose data is wholly in the file (empty, dropped frames
  // included), found in the file whatever the headers say, in the order the
  // device numbers them; CompleteFrames is their count.
  std::vector<TAviFrameChunk> Frames;
  std::uint32_t CompleteFrames = 0;
  // Of those, the frames of the first RIFF part: the only ones the movie
  // device reads. The others are in OpenDML 'AVIX' parts after it.
  std::uint32_t FirstPartFrames = 0;
  // Empty frames before the first frame with a picture. A copy of a stretch of
  // a longer movie stands in for the frames before the stretch with them, so
  // that its frames keep the source's numbers; they have no picture to show.
  std::uint32_t LeadingEmptyFrames = 0;
  // The source's own time of each frame from FirstTimedFrame on, where the
  // movie is a converted copy that keeps them; empty otherwise.
  std::uint32_t FirstTimedFrame = 0;
  std::vector<std::int64_t> SourceTimes;
  // An index AVI of served frames ('VLMS'): the movie its first frame with
  // data names, which every frame of it must name.
  std::optional<ServedFrame::TMovieId> ServedMovie;
  // The largest frame count any header claims.
  std::uint32_t ClaimedFrames() const;
  bool Truncated() const { return CompleteFrames < ClaimedFrames(); }
};

TAviVideo ReadAviVideo(TByteSource& source);
// Opens the file by its ANSI path; CannotOpen when that fails.
TAviVideo ReadAviVideo(const std::string& path);
