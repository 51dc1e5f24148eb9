#include "codec/videodriver.h"

#include "framework/base/dibstride.h"

#include <cwchar>
#include <new>

namespace {

// The format a frame is decoded from, and whether it is the kind's.
bool AcceptsInput(const TVideoDriverKind& kind, const BITMAPINFOHEADER* in)
{
  return in && in->biSize >= sizeof(BITMAPINFOHEADER) && in->biCompression == kind.FourCC &&
         in->biBitCount == kind.BitCount && in->biWidth > 0 && in->biHeight > 0 &&
         kind.SizeSupported(static_cast<std::uint32_t>(in->biWidth), static_cast<std::uint32_t>(in->biHeight));
}

// Rows of the picture's size, bottom-up, of 24 or 32 bits.
bool AcceptsOutput(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out)
{
  return out->biSize >= sizeof(BITMAPINFOHEADER) && out->biCompression == BI_RGB &&
         (out->biBitCount == 24 || out->biBitCount == 32) && out->biWidth == in->biWidth &&
         out->biHeight == in->biHeight;
}

LRESULT Query(const TVideoDriverKind& kind, const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out)
{
  if (!AcceptsInput(kind, in) || (out && !AcceptsOutput(in, out)))
    return ICERR_BADFORMAT;
  return ICERR_OK;
}

// Without a format to fill, the size of the one it would give.
LRESULT GetFormat(const TVideoDriverKind& kind, const BITMAPINFOHEADER* in, BITMAPINFOHEADER* out)
{
  if (!out)
    return sizeof(BITMAPINFOHEADER);
  if (!AcceptsInput(kind, in))
    return ICERR_BADFORMAT;
  *out = BITMAPINFOHEADER();
  out->biSize = sizeof(BITMAPINFOHEADER);
  out->biWidth = in->biWidth;
  out->biHeight = in->biHeight;
  out->biPlanes = 1;
  out->biBitCount = 24;
  out->biCompression = BI_RGB;
  out->biSizeImage = static_cast<DWORD>(DibRowBytes(static_cast<std::uint32_t>(in->biWidth), 24) *
                                        static_cast<DWORD>(in->biHeight));
  return ICERR_OK;
}

LRESULT Decompress(const TVideoDriverKind& kind, TVideoDecompressor* instance, const ICDECOMPRESS* frame, LPARAM bytes)
{
  if (!instance || !frame || static_cast<std::size_t>(bytes) < sizeof(ICDECOMPRESS) || !frame->lpOutput)
    return ICERR_BADPARAM;
  const BITMAPINFOHEADER* in = frame->lpbiInput;
  const BITMAPINFOHEADER* out = frame->lpbiOutput;
  if (Query(kind, in, out) != ICERR_OK)
    return ICERR_BADFORMAT;
  // A dropped frame has no data, and a frame hurried past is not drawn: the
  // picture before stays.
  if (in->biSizeImage == 0 || (frame->dwFlags & ICDECOMPRESS_HURRYUP))
    return ICERR_OK;
  if (!frame->lpInput)
    return ICERR_BADPARAM;
  return instance->Decompress(*in, static_cast<const std::uint8_t*>(frame->lpInput), in->biSizeImage, *out,
                              static_cast<std::uint8_t*>(frame->lpOutput));
}

LRESULT GetInfo(const TVideoDriverKind& kind, ICINFO* info, LPARAM bytes)
{
  if (!info)
    return sizeof(ICINFO);
  if (static_cast<std::size_t>(bytes) < sizeof(ICINFO))
    return 0;
  *info = ICINFO();
  info->dwSize = sizeof(ICINFO);
  info->fccType = ICTYPE_VIDEO;
  info->fccHandler = kind.FourCC;
  info->dwVersion = 1;
  info->dwVersionICM = ICVERSION;
  std::wcsncpy(info->szName, kind.Name, sizeof info->szName / sizeof info->szName[0] - 1);
  std::wcsncpy(info->szDescription, kind.Description, sizeof info->szDescription / sizeof info->szDescription[0] - 1);
  return sizeof(ICINFO);
}

LRESULT Open(const TVideoDriverKind& kind, ICOPEN* open)
{
  // Opened without parameters (to be configured), or as a video codec.
  if (open && open->fccType != ICTYPE_VIDEO)
    return 0;
  std::unique_ptr<TVideoDecompressor> instance;
  try {
    instance = kind.NewInstance();
  } catch (...) {
    instance.reset();
  }
  if (open)
    open->dwError = instance ? ICERR_OK : ICERR_MEMORY;
  return reinterpret_cast<LRESULT>(instance.release());
}

}  // namespace

LRESULT AnswerDriverMessage(const TVideoDriverKind& kind, DWORD_PTR id, HDRVR driver, UINT message, LPARAM param1,
                            LPARAM param2)
{
  auto* const instance = reinterpret_cast<TVideoDecompressor*>(id);
  const auto* in = reinterpret_cast<const BITMAPINFOHEADER*>(param1);
  switch (message) {
  case DRV_LOAD:
  case DRV_FREE:
  case DRV_ENABLE:
  case DRV_DISABLE:
    return TRUE;
  case DRV_OPEN:
    return Open(kind, reinterpret_cast<ICOPEN*>(param2));
  case DRV_CLOSE:
    delete instance;
    return TRUE;
  case DRV_QUERYCONFIGURE:
    return 0;  // nothing to configure
  case DRV_INSTALL:
  case DRV_REMOVE:
    return DRVCNF_OK;
  case ICM_GETINFO:
    return GetInfo(kind, reinterpret_cast<ICINFO*>(param1), param2);
  case ICM_GETSTATE:
  case ICM_SETSTATE:
    return 0;
  case ICM_DECOMPRESS_QUERY:
  case ICM_DECOMPRESS_BEGIN:
    return Query(kind, in, reinterpret_cast<const BITMAPINFOHEADER*>(param2));
  case ICM_DECOMPRESS_GET_FORMAT:
    return GetFormat(kind, in, reinterpret_cast<BITMAPINFOHEADER*>(param2));
  case ICM_DECOMPRESS:
    return Decompress(kind, instance, reinterpret_cast<const ICDECOMPRESS*>(param1), param2);
  case ICM_DECOMPRESS_END:
    return ICERR_OK;
  default:
    if (message >= ICM_USER)
      return ICERR_UNSUPPORTED;
    return DefDriverProc(id, driver, message, param1, param2);
  }
}
