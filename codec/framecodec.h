// The lossless picture format of the movies scripts/run.sh converts: 24-bit
// pictures, each byte stored as its difference from a guess made from the
// pixels before it, the differences packed so that runs of zeros and small
// differences take little room. Each frame stands alone and says how it is
// coded: the first way (each byte told from the same colour of the pixel to
// its left, packed in runs of any length) is still read; the second tells
// each byte from the pixels to its left, above and above-left and packs
// blocks of 16 differences, at the speed of the host's vector instructions.
// Encode writes the second way with a check value (a CRC-32) over the frame,
// so that a damaged byte is found wherever it lies; frames of the second way
// without one are still read. One source shared by the converter that
// writes such movies, the installable codec through which the movie device
// shows them, and the program, which cuts them from the file. Portable code
// with no platform state.
#pragma once

#include <cstddef>
#include <cstdint>

namespace FrameCodec {

// The format's compression code (fourcc 'VLM1') in the movie's headers, and
// the depth of its pictures.
constexpr std::uint32_t FourCC = 0x314D4C56;
constexpr std::uint16_t BitCount = 24;

// Whether a picture of this size can be coded: 1 to 32767 pixels each way.
bool SizeSupported(std::uint32_t width, std::uint32_t height);

// Bytes of a DIB row of this width and depth (24 or 32), padded to 4 bytes.
std::size_t RowBytes(std::uint32_t width, std::uint16_t bitCount);

// The most bytes one coded frame of this size can take, in either way; 0 for
// a size that cannot be coded.
std::size_t MaxFrameBytes(std::uint32_t width, std::uint32_t height);

// The most bytes Encode writes for a picture of this size; 0 for a size that
// cannot be coded.
std::size_t MaxEncodedBytes(std::uint32_t width, std::uint32_t height);

// Codes one picture of 24-bit rows (stride bytes apart, padding ignored; a
// negative stride walks up from the first row given) into out, which holds
// MaxEncodedBytes; returns the bytes written. The rows are taken in the order
// given, so that decoding gives them back in that order.
std::size_t Encode(const std::uint8_t* rows, std::ptrdiff_t stride, std::uint32_t width, std::uint32_t height,
                   std::uint8_t* out);

// Whether data is one whole, sound frame of this size: its check value (if it
// carries one) agrees, and decoding it reads nothing outside it and gives
// every pixel of the picture exactly once.
bool Check(const std::uint8_t* data, std::size_t size, std::uint32_t width, std::uint32_t height);

// Decodes one frame into DIB rows of 24 or 32 bits (RowBytes apart, the
// fourth byte of a 32-bit pixel and the padding zero). False, with the rows
// in an unspecified state, when the data is not a sound frame of this size.
bool Decode(const std::uint8_t* data, std::size_t size, std::uint32_t width, std::uint32_t height,
            std::uint16_t outBitCount, std::uint8_t* rows);
// Decode for a frame that Check has just found sound, as a decoder that must
// not write a row of a damaged frame checks first: the same, but the check
// value is not worked out a second time. The walk still keeps every read
// inside the data.
bool DecodeAfterCheck(const std::uint8_t* data, std::size_t size, std::uint32_t width, std::uint32_t height,
                      std::uint16_t outBitCount, std::uint8_t* rows);

}  // namespace FrameCodec
