#include "tests/movie/movie_probe.h"
#include "app/device/moviewindow.h"
#include "graphics/bitmap.h"
#include "graphics/dc.h"

#include <digitalv.h>

#include <stdexcept>

namespace {

const char ProbeClass[] = "VelmoMovieProbe";

void RegisterProbeClass()
{
  WNDCLASSA wc = {};
  if (::GetClassInfoA(::GetModuleHandleA(nullptr), ProbeClass, &wc))
    return;
  wc.lpfnWndProc = ::DefWindowProcA;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  wc.lpszClassName = ProbeClass;
  if (!::RegisterClassA(&wc))
    throw std::runtime_error("RegisterClassA failed");
}

// On a palette screen the captured bitmap holds system palette indices; they
// are read as they stand and resolved through the system palette of the moment.
TCapture ResolveThroughSystemPalette(TCapture capture, HDC dc, HBITMAP bitmap)
{
  struct {
    BITMAPINFOHEADER Header;
    RGBQUAD Colours[256];
  } info = {};
  info.Header.biSize = sizeof(info.Header);
  info.Header.biWidth = capture.Width;
  info.Header.biHeight = -capture.Height;
  info.Header.biPlanes = 1;
  info.Header.biBitCount = 8;
  info.Header.biCompression = BI_RGB;
  const int rowBytes = (capture.Width + 3) / 4 * 4;
  std::vector<std::uint8_t> bits(std::size_t(rowBytes) * capture.Height);
  if (!::GetDIBits(dc, bitmap, 0, capture.Height, bits.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_PAL_COLORS))
    throw std::runtime_error("GetDIBits failed");
  PALETTEENTRY system[256] = {};
  ::GetSystemPaletteEntries(dc, 0, 256, system);
  capture.Pixels.reserve(std::size_t(capture.Width) * capture.Height);
  for (int y = 0; y < capture.Height; ++y)
    for (int x = 0; x < capture.Width; ++x) {
      const PALETTEENTRY& e = system[bits[std::size_t(y) * rowBytes + x]];
      TRgb c;
      c.R = e.peRed;
      c.G = e.peGreen;
      c.B = e.peBlue;
      capture.Pixels.push_back(c);
    }
  return capture;
}

}  // namespace

TProbeFrame::TProbeFrame()
{
  RegisterProbeClass();
  FrameHandle = ::CreateWindowExA(0, ProbeClass, "movie probe", WS_POPUP | WS_BORDER | WS_CLIPCHILDREN, 0, 0, 640, 480,
                                  nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  if (!FrameHandle)
    throw std::runtime_error("cannot create the probe frame: error " + std::to_string(::GetLastError()));
  RECT client;
  ::GetClientRect(FrameHandle, &client);
  ClientHandle = ::CreateWindowExA(WS_EX_CLIENTEDGE, ProbeClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                   client.right, client.bottom, FrameHandle, nullptr, ::GetModuleHandleA(nullptr),
                                   nullptr);
  if (!ClientHandle) {
    ::DestroyWindow(FrameHandle);
    throw std::runtime_error("cannot create the probe client");
  }
  ::ShowWindow(FrameHandle, SW_SHOWNORMAL);
  ::UpdateWindow(FrameHandle);
}

TProbeFrame::~TProbeFrame()
{
  ::DestroyWindow(FrameHandle);
}

TMciMovie::TMciMovie(const std::string& path, HWND parent)
{
  std::string element = path;
  MCI_DGV_OPEN_PARMSA open = {};
  open.lpstrDeviceType = const_cast<char*>("avivideo");
  open.lpstrElementName = &element[0];
  open.dwStyle = WS_CHILD | WS_CAPTION | WS_THICKFRAME;
  open.hWndParent = parent;
  OpenResult = ::mciSendCommandA(0, MCI_OPEN,
                                 MCI_NOTIFY | MCI_OPEN_ELEMENT | MCI_OPEN_TYPE | MCI_DGV_OPEN_WS | MCI_DGV_OPEN_PARENT,
                                 reinterpret_cast<DWORD_PTR>(&open));
  if (OpenResult)
    return;
  KeepMovieDriverLoaded();
  DeviceId = open.wDeviceID;
  MCI_SET_PARMS set = {};
  set.dwTimeFormat = MCI_FORMAT_FRAMES;
  ::mciSendCommandA(DeviceId, MCI_SET, MCI_NOTIFY | MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set));
}

TMciMovie::~TMciMovie()
{
  if (DeviceId) {
    MCI_GENERIC_PARMS close = {};
    ::mciSendCommandA(DeviceId, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
  }
}

std::uint32_t TMciMovie::Status(DWORD item) const
{
  MCI_STATUS_PARMS status = {};
  status.dwItem = item;
  ::mciSendCommandA(DeviceId, MCI_STATUS, MCI_NOTIFY | MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status));
  return static_cast<std::uint32_t>(status.dwReturn);
}

HWND TMciMovie::StatusWindow() const
{
  return reinterpret_cast<HWND>(static_cast<DWORD_PTR>(Status(MCI_DGV_STATUS_HWND)));
}

RECT TMciMovie::WhereDestination() const
{
  MCI_DGV_RECT_PARMS where = {};
  ::mciSendCommandA(DeviceId, MCI_WHERE, MCI_DGV_WHERE_DESTINATION, reinterpret_cast<DWORD_PTR>(&where));
  return where.rc;
}

MCIERROR TMciMovie::Show(std::uint32_t frame) const
{
  MCI_PLAY_PARMS play = {};
  play.dwFrom = frame;
  play.dwTo = frame;
  return ::mciSendCommandA(DeviceId, MCI_PLAY, MCI_WAIT | MCI_FROM | MCI_TO, reinterpret_cast<DWORD_PTR>(&play));
}

MCIERROR TMciMovie::Play(std::uint32_t from) const
{
  MCI_PLAY_PARMS play = {};
  play.dwFrom = from;
  return ::mciSendCommandA(DeviceId, MCI_PLAY, MCI_NOTIFY | MCI_FROM, reinterpret_cast<DWORD_PTR>(&play));
}

MCIERROR TMciMovie::Pause() const
{
  MCI_PLAY_PARMS play = {};
  return ::mciSendCommandA(DeviceId, MCI_PAUSE, MCI_NOTIFY | MCI_FROM, reinterpret_cast<DWORD_PTR>(&play));
}

void TMciMovie::Stop() const
{
  MCI_GENERIC_PARMS stop = {};
  ::mciSendCommandA(DeviceId, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&stop));
}

MCIERROR TMciMovie::Step(bool backward) const
{
  MCI_DGV_STEP_PARMS step = {};
  step.dwFrames = 1;
  return ::mciSendCommandA(DeviceId, MCI_STEP, MCI_WAIT | MCI_DGV_STEP_FRAMES | (backward ? MCI_DGV_STEP_REVERSE : 0),
                           reinterpret_cast<DWORD_PTR>(&step));
}

HWND FindMovieWindow(HWND parent)
{
  return ::GetWindow(parent, GW_CHILD);
}

void RepaintMovieWindow(HWND window)
{
  ::InvalidateRect(window, nullptr, FALSE);
  ::UpdateWindow(window);
}

TCapture CaptureInnerArea(HWND window)
{
  RECT rect;
  ::GetWindowRect(window, &rect);
  const TSize size = TMovieWindowBorder::Current().InnerSize(TRect(rect).Size());
  TCapture capture;
  capture.Width = size.cx;
  capture.Height = size.cy;
  if (capture.Width <= 0 || capture.Height <= 0)
    return capture;

  TScreenDC screen;
  TBitmap bitmap(screen, size.cx, size.cy);
  CopyInnerArea(window, size, bitmap);

  if (screen.GetDeviceCaps(RASTERCAPS) & RC_PALETTE)
    return ResolveThroughSystemPalette(capture, screen, bitmap);

  // Read back as top-down 32-bit RGB.
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = capture.Width;
  info.bmiHeader.biHeight = -capture.Height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> bits(std::size_t(capture.Width) * capture.Height);
  if (!::GetDIBits(screen, bitmap, 0, capture.Height, bits.data(), &info, DIB_RGB_COLORS))
    throw std::runtime_error("GetDIBits failed");
  capture.Pixels.reserve(bits.size());
  for (std::uint32_t v : bits) {
    TRgb c;
    c.R = static_cast<std::uint8_t>(v >> 16);
    c.G = static_cast<std::uint8_t>(v >> 8);
    c.B = static_cast<std::uint8_t>(v);
    capture.Pixels.push_back(c);
  }
  return capture;
}

int CountMismatches(const TCapture& capture, std::uint32_t frame, int dx, int dy)
{
  int mismatches = 0;
  for (int y = 0; y < capture.Height; ++y)
    for (int x = 0; x < capture.Width; ++x)
      if (x + dx < 0 || y + dy < 0 || capture.At(x, y) != ExpectedPixel(frame, x + dx, y + dy))
        ++mismatches;
  return mismatches;
}

void PumpThreadMessages()
{
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}
