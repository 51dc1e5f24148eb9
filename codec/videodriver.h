// The message plumbing every installable video decompressor of ours shares:
// the driver messages, the format queries and the instance's life, answered
// for a decompressor of one fourcc that gives bottom-up rows of 24 or 32 bits
// at the picture's own size. A DLL's DriverProc hands each message on to
// AnswerDriverMessage with the description of its format.
#pragma once

#include "framework/base/platform.h"

#include <vfw.h>

#include <cstdint>
#include <memory>

// One open instance of a decompressor: what it keeps from frame to frame.
class TVideoDecompressor {
public:
  virtual ~TVideoDecompressor() = default;
  // Writes the picture of one frame with data into out's rows (24 or 32 bits,
  // bottom-up, of the input's size); the formats have been checked, and
  // empty or hurried frames never come here. ICERR_OK, or ICERR_ERROR with
  // every row as it was.
  virtual LRESULT Decompress(const BITMAPINFOHEADER& in, const std::uint8_t* data, std::uint32_t size,
                             const BITMAPINFOHEADER& out, std::uint8_t* rows) = 0;
};

// A decompressor's format and how its instances are made.
struct TVideoDriverKind {
  DWORD FourCC = 0;
  const wchar_t* Name = L"";         // at most 15 characters
  const wchar_t* Description = L"";  // at most 127 characters
  std::uint16_t BitCount = 24;       // of the frames as the movie's format gives them
  // Whether pictures of this size can be decoded (width and height positive).
  bool (*SizeSupported)(std::uint32_t width, std::uint32_t height) = nullptr;
  // A new instance; null when there is no memory for one.
  std::unique_ptr<TVideoDecompressor> (*NewInstance)() = nullptr;
};

// The driver procedure's answer to one message, for the decompressor kind.
LRESULT AnswerDriverMessage(const TVideoDriverKind& kind, DWORD_PTR id, HDRVR driver, UINT message, LPARAM param1,
                            LPARAM param2);
