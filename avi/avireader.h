// Checks an AVI movie before the movie device is given it: walks the RIFF
// structure with every size checked against the file, finds the video stream's
// format and indexes the video frames whose data is completely in the file.
// While the movie is open, checks each compressed frame before the device's
// decoder gets it. Portable code with no platform state; the bytes come
// through TByteSource.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Random access to the bytes of a movie.
class TByteSource {
public:
  virtual ~TByteSource() = default;
  // The size now: a file may be cut short while it is open.
  virtual std::uint64_t Size() const = 0;
  // Fills bytes[0, count) from offset; false when that range is not wholly
  // inside the source or cannot be read.
  virtual bool ReadAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count) = 0;
};

// A file opened by its (ANSI) path; read piece by piece, never loaded whole.
class TFileByteSource final : public TByteSource {
public:
  explicit TFileByteSource(const std::string& path);
  bool IsOpen() const { return File.is_open(); }
  std::uint64_t Size() const override;
  bool ReadAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count) override;

private:
  // Asking for the size moves the stream's position, which is no part of
  // the source's state: every read sets it first.
  mutable std::ifstream File;
};

// Bytes held by the caller, which keeps them alive while the source is used.
class TMemoryByteSource final : public TByteSource {
public:
  TMemoryByteSource(const std::uint8_t* data, std::size_t size) : Data(data), Bytes(size) {}
  std::uint64_t Size() const override { return Bytes; }
  bool ReadAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count) override;

private:
  const std::uint8_t* Data;
  std::size_t Bytes;
};

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
  // The largest frame count any header claims.
  std::uint32_t ClaimedFrames() const;
  bool Truncated() const { return CompleteFrames < ClaimedFrames(); }
};

TAviVideo ReadAviVideo(TByteSource& source);
// Opens the file by its ANSI path; CannotOpen when that fails.
TAviVideo ReadAviVideo(const std::string& path);

// What one frame's compressed data says about handing it to the decoder.
struct TFrameDataCheck {
  // Every size, count and index in it agrees with its data and the stream's
  // format: the decoder reads nothing outside it and writes nothing outside
  // the picture.
  bool Sound = true;
  // Its picture needs nothing of the frames before it.
  bool SelfContained = true;
};

// Whether the movie's frames are in our own lossless format (24-bit, stored
// bottom-up), which the device shows through our codec.
bool UsesOurCodec(const TAviVideo& video);

// Whether the device decodes frames of this format with a decoder whose input
// CheckFrameData knows: Cinepak ('cvid'), Microsoft Video 1 ('MSVC', 'CRAM',
// 'WHAM') of 8 or 16 bits per pixel, and our own lossless format ('VLM1').
bool HasCheckedFrameData(const TAviVideo& video);
// Checks the data of one frame of the movie's video stream. Empty (dropped)
// frames and formats not checked pass.
TFrameDataCheck CheckFrameData(const TAviVideo& video, const std::uint8_t* data, std::size_t size);

enum class TFrameState {
  Showable,
  Damaged,  // its data, or that of a frame its picture builds on, is damaged
  Missing,  // its data is no longer wholly in the file
};

// The movie the device has open, read from its own file to check each frame
// before the device is asked to show it. A frame's verdict is kept once its
// data has been read, so that stepping costs the read of one frame.
class TAviMovie {
public:
  // Reads the movie's structure; the source stays in use for the checks. A
  // null source gives a movie refused as CannotOpen.
  explicit TAviMovie(std::unique_ptr<TByteSource> source);

  const TAviVideo& Video() const { return Movie; }
  std::uint32_t FrameCount() const { return static_cast<std::uint32_t>(Movie.Frames.size()); }

  // The frame whose data gives frame's picture: the frame itself, or, for a
  // dropped frame, the last frame before it that has data (the frame itself
  // when none has).
  std::uint32_t PictureFrame(std::uint32_t frame) const;
  // Whether the device may be asked to show frame's picture: the data of its
  // picture frame is wholly in the file as it is now, and that frame and every
  // frame its picture builds on, back to one that needs no earlier frame, are
  // sound. Frames past the movie are Missing.
  TFrameState Check(std::uint32_t frame);
  // The first frame from 'from' on whose picture may not be shown (FrameCount()
  // when there is none): how far the device may play. Frames of our own
  // format, whose codec refuses damaged data itself, count only when their
  // data is no longer in the file.
  std::uint32_t FirstUnshowable(std::uint32_t from);
  // The first frame the device's decoder is to be shown so that frame's
  // picture comes out whole: the decoder paints each frame's data over the
  // picture it made last. That is the last frame at or before frame's picture
  // frame that needs no earlier one (frame 0 at the latest), or, when the
  // decoder last decoded a frame of that run before the picture frame, the
  // frame after it. For a picture frame decoded last, the picture frame.
  // Frame must have been found Showable.
  std::uint32_t FirstToDecode(std::uint32_t frame, std::optional<std::uint32_t> lastDecoded) const;

private:
  // Standalone: sound, and its picture needs no earlier frame.
  enum class TVerdict : std::uint8_t { Unknown, Sound, Standalone, Damaged };

  TFrameState Check(std::uint32_t frame, std::uint64_t fileSize);
  // Decides pictureFrame's verdict, walking back over the frames it builds on.
  TFrameState CheckDecoding(std::uint32_t pictureFrame);
  // False when the data is no longer in the file.
  bool CheckData(std::uint32_t frame, TFrameDataCheck& check);

  std::unique_ptr<TByteSource> Source;
  TAviVideo Movie;
  bool DataChecked = false;  // the format's frames are checked before they are shown
  std::vector<TVerdict> Verdicts;
  std::vector<std::uint8_t> Data;
};

// Opens the movie file by its ANSI path; CannotOpen when that fails.
std::unique_ptr<TAviMovie> OpenAviMovie(const std::string& path);
