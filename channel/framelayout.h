// Packed BGR pictures (3 bytes a pixel, top row first, as the frame server
// sends them) laid out as the rows of a bottom-up DIB of 24 or 32 bits: the
// 32-bit pad byte 0, each row padded to 4 bytes with zeros. The one layout
// the VLMS codec and the program's cut both use, so that a served frame is
// the same picture wherever it is shown. Portable code with no platform state.
#pragma once

#include <cstddef>
#include <cstdint>

namespace FrameLayout {

// Whether rows can be laid out in this depth (24 or 32 bits).
bool DepthSupported(std::uint16_t bitCount);

// Bytes of one DIB row of this width and depth, padded to 4 bytes; 0 for a
// depth that is not supported.
std::size_t DibRowBytes(std::uint32_t width, std::uint16_t bitCount);

// One packed row (width*3 bytes) into one DIB row of DibRowBytes bytes,
// padding included.
void LayoutRow(const std::uint8_t* bgrRow, std::uint32_t width, std::uint16_t bitCount, std::uint8_t* dibRow);

// A whole picture: packed row y lands in DIB row height-1-y. dibRows holds
// height*DibRowBytes bytes. False (nothing written) for a depth not supported.
bool LayoutFrame(const std::uint8_t* bgrTopDown, std::uint32_t width, std::uint32_t height, std::uint16_t bitCount,
                 std::uint8_t* dibRows);

}  // namespace FrameLayout
