// Checks Microsoft Video 1 frames as the device's decoder reads them: 4 x 4
// blocks from the bottom row of blocks up, each a 16-bit little-endian code,
// perhaps followed by colours; a code may skip blocks, which keep the picture
// before. An end code may follow the last block.
#pragma once

#include "avi/avivideo.h"
#include "avi/framecheck.h"

#include <cstddef>
#include <cstdint>

// Checks one non-empty frame of a Microsoft Video 1 movie of 8 or 16 bits.
TFrameDataCheck CheckMsVideo1(const TAviVideo& video, const std::uint8_t* data, std::size_t size);
// The most bytes a sound frame can hold.
std::uint64_t MsVideo1MaxFrameBytes(const TAviVideo& video);
