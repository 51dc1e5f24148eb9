// The movie the device has open: checks each compressed frame before the
// device's decoder gets it. Portable code with no platform state; the bytes
// come through TByteSource.
#pragma once

#include "avi/avivideo.h"
#include "avi/bytesource.h"
#include "avi/framecheck.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
  // Of an index AVI of served frames: the chunk of frame's picture frame,
  // which names the movie and the frame to ask the frame server for; nothing
  // for other movies, or when the chunk is not a served frame chunk.
  std::optional<ServedFrame::TChunk> ServedChunk(std::uint32_t frame);

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
