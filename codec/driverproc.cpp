// The installable video codec of our lossless format (fourcc 'VLM1'): a
// decompressor that the video compression manager opens as driver
// "vidc.VLM1", through which the movie device shows the movies that
// scripts/run.sh converts. It gives 24- or 32-bit bottom-up rows and
// checks every frame before it writes a row.
#include "codec/framecodec.h"
#include "framework/base/platform.h"

#include <vfw.h>

#include <cwchar>
#include <new>

namespace {

// The format a frame is decoded from, and whether it is ours.
bool AcceptsInput(const BITMAPINFOHEADER* in)
{
  return in && in->biSize >= sizeof(BITMAPINFOHEADER) && in->biCompression == FrameCodec::FourCC &&
         in->biBitCount == FrameCodec::BitCount && in->biWidth > 0 && in->biHeight > 0 &&
         FrameCodec::SizeSupported(static_cast<std::uint32_t>(in->biWidth), static_cast<std::uint32_t>(in->biHeight));
}

// Rows of the picture's size, bottom-up, of 24 or 32 bits.
bool AcceptsOutput(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out)
{
  return out->biSize >= sizeof(BITMAPINFOHEADER) && out->biCompression == BI_RGB &&
         (out->biBitCount == 24 || out->biBitCount == 32) && out->biWidth == in->biWidth &&
         out->biHeight == in->biHeight;
}

LRESULT Query(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out)
{
  if (!AcceptsInput(in) || (out && !AcceptsOutput(in, out)))
    return ICERR_BADFORMAT;
  return ICERR_OK;
}

// Without a format to fill, the size of the one it would give.
LRESULT GetFormat(const BITMAPINFOHEADER* in, BITMAPINFOHEADER* out)
{
  if (!out)
    return sizeof(BITMAPINFOHEADER);
  if (!AcceptsInput(in))
    return ICERR_BADFORMAT;
  *out = BITMAPINFOHEADER();
  out->biSize = sizeof(BITMAPINFOHEADER);
  out->biWidth = in->biWidth;
  out->biHeight = in->biHeight;
  out->biPlanes = 1;
  out->biBitCount = FrameCodec::BitCount;
  out->biCompression = BI_RGB;
  out->biSizeImage = static_cast<DWORD>(FrameCodec::RowBytes(static_cast<std::uint32_t>(in->biWidth), 24) *
                                        static_cast<std::uint32_t>(in->biHeight));
  return ICERR_OK;
}

LRESULT Decompress(const ICDECOMPRESS* frame, LPARAM bytes)
{
  if (!frame || static_cast<std::size_t>(bytes) < sizeof(ICDECOMPRESS) || !frame->lpOutput)
    return ICERR_BADPARAM;
  const BITMAPINFOHEADER* in = frame->lpbiInput;
  const BITMAPINFOHEADER* out = frame->lpbiOutput;
  if (Query(in, out) != ICERR_OK)
    return ICERR_BADFORMAT;
  // A dropped frame has no data: the picture before stays.
  if (in->biSizeImage == 0 || (frame->dwFlags & ICDECOMPRESS_HURRYUP))
    return ICERR_OK;
  if (!frame->lpInput)
    return ICERR_BADPARAM;
  // The decoder writes rows as it goes: a damaged frame is found before it
  // starts, so that the picture on show stays whole.
  const auto* data = static_cast<const std::uint8_t*>(frame->lpInput);
  const auto width = static_cast<std::uint32_t>(in->biWidth);
  const auto height = static_cast<std::uint32_t>(in->biHeight);
  if (!FrameCodec::Check(data, in->biSizeImage, width, height))
    return ICERR_ERROR;
  const bool decoded = FrameCodec::DecodeAfterCheck(data, in->biSizeImage, width, height, out->biBitCount,
                                                    static_cast<std::uint8_t*>(frame->lpOutput));
  return decoded ? ICERR_OK : ICERR_ERROR;
}

LRESULT GetInfo(ICINFO* info, LPARAM bytes)
{
  if (!info)
    return sizeof(ICINFO);
  if (static_cast<std::size_t>(bytes) < sizeof(ICINFO))
    return 0;
  *info = ICINFO();
  info->dwSize = sizeof(ICINFO);
  info->fccType = ICTYPE_VIDEO;
  info->fccHandler = FrameCodec::FourCC;
  info->dwVersion = 1;
  info->dwVersionICM = ICVERSION;
  std::wcscpy(info->szName, L"VLM1");
  std::wcscpy(info->szDescription, L"Velmo lossless RGB");
  return sizeof(ICINFO);
}

// An open instance keeps nothing between frames: each stands alone.
struct TInstance {};

LRESULT Open(ICOPEN* open)
{
  // Opened without parameters (to be configured), or as a video codec.
  if (open && open->fccType != ICTYPE_VIDEO)
    return 0;
  TInstance* instance = new (std::nothrow) TInstance;
  if (open)
    open->dwError = instance ? ICERR_OK : ICERR_MEMORY;
  return reinterpret_cast<LRESULT>(instance);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT WINAPI
  DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM param1, LPARAM param2)
{
  const auto* in = reinterpret_cast<const BITMAPINFOHEADER*>(param1);
  switch (message) {
  case DRV_LOAD:
  case DRV_FREE:
  case DRV_ENABLE:
  case DRV_DISABLE:
    return TRUE;
  case DRV_OPEN:
    return Open(reinterpret_cast<ICOPEN*>(param2));
  case DRV_CLOSE:
    delete reinterpret_cast<TInstance*>(id);
    return TRUE;
  case DRV_QUERYCONFIGURE:
    return 0;  // nothing to configure
  case DRV_INSTALL:
  case DRV_REMOVE:
    return DRVCNF_OK;
  case ICM_GETINFO:
    return GetInfo(reinterpret_cast<ICINFO*>(param1), param2);
  case ICM_GETSTATE:
  case ICM_SETSTATE:
    return 0;
  case ICM_DECOMPRESS_QUERY:
    return Query(in, reinterpret_cast<const BITMAPINFOHEADER*>(param2));
  case ICM_DECOMPRESS_GET_FORMAT:
    return GetFormat(in, reinterpret_cast<BITMAPINFOHEADER*>(param2));
  case ICM_DECOMPRESS_BEGIN:
    return Query(in, reinterpret_cast<const BITMAPINFOHEADER*>(param2));
  case ICM_DECOMPRESS:
    return Decompress(reinterpret_cast<const ICDECOMPRESS*>(param1), param2);
  case ICM_DECOMPRESS_END:
    return ICERR_OK;
  default:
    if (message >= ICM_USER)
      return ICERR_UNSUPPORTED;
    return DefDriverProc(id, driver, message, param1, param2);
  }
}
