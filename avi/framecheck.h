// Checks each compressed frame of a movie before the device's decoder gets
// it, for the formats whose decoders' input is known. Portable code with no
// platform state.
#pragma once

#include "avi/avivideo.h"

#include <cstddef>
#include <cstdint>

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

// Whether the movie is an index AVI (24-bit, stored bottom-up) whose frames
// the device shows through our codec of served frames ('VLMS'), which asks
// the run's frame server for their pictures.
bool UsesServedFrames(const TAviVideo& video);

// Whether the device decodes frames of this format with a decoder whose input
// CheckFrameData knows: Cinepak ('cvid'), Microsoft Video 1 ('MSVC', 'CRAM',
// 'WHAM') of 8 or 16 bits per pixel, our own lossless format ('VLM1') and
// served frames ('VLMS').
bool HasCheckedFrameData(const TAviVideo& video);
// Checks the data of one frame of the movie's video stream. Empty (dropped)
// frames and formats not checked pass. A served frame is sound when it is a
// well-formed served frame chunk that names the stream's movie.
TFrameDataCheck CheckFrameData(const TAviVideo& video, const std::uint8_t* data, std::size_t size);
// The most bytes a sound frame of a checked format can hold.
std::uint64_t MaxFrameDataBytes(const TAviVideo& video);
