// The installable video codec of our lossless format (fourcc 'VLM1'): a
// decompressor that the video compression manager opens as driver
// "vidc.VLM1", through which the movie device shows the movies that
// scripts/run.sh converts. It gives 24- or 32-bit bottom-up rows and
// checks every frame before it writes a row.
#include "codec/framecodec.h"
#include "codec/videodriver.h"

#include <new>

namespace {

// An open instance keeps nothing between frames: each stands alone.
class TLosslessDecompressor : public TVideoDecompressor {
public:
  LRESULT Decompress(const BITMAPINFOHEADER& in, const std::uint8_t* data, std::uint32_t size,
                     const BITMAPINFOHEADER& out, std::uint8_t* rows) override
  {
    // The decoder writes rows as it goes: a damaged frame is found before it
    // starts, so that the picture on show stays whole.
    const auto width = static_cast<std::uint32_t>(in.biWidth);
    const auto height = static_cast<std::uint32_t>(in.biHeight);
    if (!FrameCodec::Check(data, size, width, height))
      return ICERR_ERROR;
    return FrameCodec::DecodeAfterCheck(data, size, width, height, out.biBitCount, rows) ? ICERR_OK : ICERR_ERROR;
  }
};

const TVideoDriverKind Lossless = {
  FrameCodec::FourCC,
  L"VLM1",
  L"Velmo lossless RGB",
  FrameCodec::BitCount,
  FrameCodec::SizeSupported,
  []() -> std::unique_ptr<TVideoDecompressor> {
    return std::unique_ptr<TLosslessDecompressor>(new (std::nothrow) TLosslessDecompressor);
  },
};

}  // namespace

extern "C" __declspec(dllexport) LRESULT WINAPI
  DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM param1, LPARAM param2)
{
  return AnswerDriverMessage(Lossless, id, driver, message, param1, param2);
}
