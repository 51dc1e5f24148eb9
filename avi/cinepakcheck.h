// Checks Cinepak frames as the device's decoder reads them: a frame header,
// then strips of 4 x 4 blocks, each a header and chunks (codebooks, then the
// blocks' codes), every size and id a 16-bit big-endian word.
#pragma once

#include "avi/avivideo.h"
#include "avi/framecheck.h"

#include <cstddef>
#include <cstdint>

namespace cinepak {

constexpr std::size_t FrameHeaderBytes = 10;
// Decoders keep codebooks for this many strips.
constexpr unsigned MaxStrips = 32;
// The most bytes a frame can hold: each strip's size is a 16-bit word.
constexpr std::uint64_t MaxFrameBytes = FrameHeaderBytes + std::uint64_t{MaxStrips} * 0xFFFF;

// Checks one non-empty frame of a Cinepak movie.
TFrameDataCheck CheckFrame(const TAviVideo& video, const std::uint8_t* data, std::size_t size);

}  // namespace cinepak
