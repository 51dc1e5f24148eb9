// Checks an AVI movie before the movie device is given it: walks the RIFF
// structure with every size checked against the file, finds the video stream's
// format and counts the video frames whose data is completely in the file.
// Portable code with no platform state; the bytes come through TByteSource.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

// Random access to the bytes of a movie.
class TByteSource {
public:
  virtual ~TByteSource() = default;
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
  std::uint64_t Size() const override { return Bytes; }
  bool ReadAt(std::uint64_t offset, std::uint8_t* bytes, std::size_t count) override;

private:
  std::ifstream File;
  std::uint64_t Bytes = 0;
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

// Why a movie cannot be shown.
enum class TAviRefusal {
  None,
  CannotOpen,        // the file itself could not be opened
  UnreadableHeader,  // not RIFF 'AVI ', or the main, stream or format header is missing or cut short
  NoVideoStream,
  BadPictureSize,     // zero or negative width, zero height, or a frame too big for 32 bits
  FrameSizeMismatch,  // an uncompressed frame whose size is not stride x |height|
  NoFrames,           // no video frame with a picture is complete in the file
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
  // included), counted in the file, whatever the headers say.
  std::uint32_t CompleteFrames = 0;
  // Empty frames before the first frame with a picture. A copy of a stretch of
  // a longer movie stands in for the frames before the stretch with them, so
  // that its frames keep the source's numbers; they have no picture to show.
  std::uint32_t LeadingEmptyFrames = 0;
  // The largest frame count any header claims.
  std::uint32_t ClaimedFrames() const;
  bool Truncated() const { return CompleteFrames < ClaimedFrames(); }
};

TAviVideo ReadAviVideo(TByteSource& source);
// Opens the file by its ANSI path; CannotOpen when that fails.
TAviVideo ReadAviVideo(const std::string& path);
