// The installable video codec of served movies (fourcc 'VLMS'): the video
// compression manager opens it as driver "vidc.VLMS", through which the movie
// device shows the index AVIs the frame server makes. A frame's data names
// the movie and the frame; the picture comes from the run's frame server,
// one connection per open instance, and is written as 24- or 32-bit
// bottom-up rows. Anything that fails leaves the picture as it was.
#include "channel/frameclient.h"
#include "channel/framelayout.h"
#include "channel/servedframe.h"
#include "codec/videodriver.h"

#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <vector>

namespace {

// Pictures whose rows of 32 bits fit in one answer of the server's.
bool SizeSupported(std::uint32_t width, std::uint32_t height)
{
  constexpr std::uint64_t MaxPictureBytes = std::numeric_limits<std::int32_t>::max();
  return width <= MaxPictureBytes / 4 / height;
}

class TServedDecompressor : public TVideoDecompressor {
public:
  LRESULT Decompress(const BITMAPINFOHEADER& in, const std::uint8_t* data, std::uint32_t size,
                     const BITMAPINFOHEADER& out, std::uint8_t* rows) override
  {
    const std::optional<ServedFrame::TChunk> chunk = ServedFrame::Decode(data, size);
    if (!chunk)
      return ICERR_ERROR;
    // The server decodes ahead of a movie that moves forward: playing, or
    // stepping on.
    const bool forward = Last && Last->Movie == chunk->Movie && Last->Frame + 1 == chunk->Frame;
    // The rows arrive one by one: they are gathered aside, so that a
    // connection lost halfway leaves the picture on show whole.
    const auto width = static_cast<std::uint32_t>(in.biWidth);
    const auto height = static_cast<std::uint32_t>(in.biHeight);
    const std::size_t bytes = FrameLayout::DibRowBytes(width, out.biBitCount) * height;
    try {
      Picture.resize(bytes);
    } catch (const std::bad_alloc&) {
      return ICERR_MEMORY;
    }
    if (Client.Frame(chunk->Movie, chunk->Frame, forward, width, height, out.biBitCount, Picture.data()) !=
        TFrameClient::TStatus::Ok)
      return ICERR_ERROR;
    std::memcpy(rows, Picture.data(), bytes);
    Last = chunk;
    return ICERR_OK;
  }

private:
  TFrameClient Client;
  std::optional<ServedFrame::TChunk> Last;
  std::vector<std::uint8_t> Picture;
};

const TVideoDriverKind Served = {
  ServedFrame::FourCC,
  L"VLMS",
  L"Velmo served frames",
  24,
  SizeSupported,
  []() -> std::unique_ptr<TVideoDecompressor> {
    return std::unique_ptr<TServedDecompressor>(new (std::nothrow) TServedDecompressor);
  },
};

}  // namespace

extern "C" __declspec(dllexport) LRESULT WINAPI
  DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM param1, LPARAM param2)
{
  return AnswerDriverMessage(Served, id, driver, message, param1, param2);
}
