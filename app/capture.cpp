// Cutting: the frame on screen, or every frame of the marked range, is taken
// from the movie window's inner area and written as a BMP file.
#include "app/sdidecframe.h"
#include "app/moviewindow.h"
#include "app/pathtext.h"
#include "framework/app/application.h"
#include "graphics/bitmap.h"
#include "graphics/dc.h"
#include "graphics/dib.h"

#include <vector>

namespace {

// Shows the wait cursor for its scope.
class TWaitCursor {
public:
  TWaitCursor() : Previous(::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514) /* IDC_WAIT */))) {}
  ~TWaitCursor() { ::SetCursor(Previous); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
  HCURSOR Previous;
};

}  // namespace

std::string SDIDecFrame::OutputFileName() const
{
  return CaptureFileName(OutputDir, FileData->FileName, Position);
}

bool SDIDecFrame::CaptureFrame()
{
  TWaitCursor wait;
  // A movie opened before the main window was shown has its first frame still
  // waiting for a repaint, which comes after any queued command: paint it now.
  ::UpdateWindow(MovieWindow);
  const TMovieWindowBorder border = TMovieWindowBorder::Current();
  RECT window;
  ::GetWindowRect(MovieWindow, &window);
  const TSize inner = border.InnerSize(TRect(window).Size());
  CaptureWidth = inner.cx;
  CaptureHeight = inner.cy;
  if (CaptureWidth <= 0 || CaptureHeight <= 0) {
    // A window shrunk to its border shows nothing: no empty file is written.
    ::MessageBoxExA(nullptr, "動画ウィンドウに表示されている画像がありません。", "エラー", MB_OK | MB_ICONEXCLAMATION, 0);
    return false;
  }
  ::SetFocus(Handle);

  TWindowDC windowDC(MovieWindow);
  TMemoryDC memoryDC;
  TBitmap bitmap(TScreenDC(), CaptureWidth, CaptureHeight);
  memoryDC.SelectObject(bitmap);
  const TPoint origin = border.InnerOrigin();
  ::BitBlt(memoryDC, 0, 0, CaptureWidth, CaptureHeight, windowDC, origin.x, origin.y, SRCCOPY);
  memoryDC.RestoreBitmap();

  TDib dib(bitmap);
  if (PaletteDevice) {
    std::vector<PALETTEENTRY> entries(static_cast<std::size_t>(PaletteSize));
    ::GetSystemPaletteEntries(memoryDC, 0, static_cast<UINT>(PaletteSize), entries.data());
    for (int i = 0; i < PaletteSize; ++i) {
      const PALETTEENTRY& e = entries[static_cast<std::size_t>(i)];
      dib.SetColor(i, RGB(e.peRed, e.peGreen, e.peBlue));
    }
  } else {
    dib.GetInfoHeader().biClrUsed = 0;
  }

  const std::string fileName = OutputFileName();
  if (dib.WriteFile(fileName.c_str()))
    return true;
  // A frame that cannot be written must not pass for a successful cut.
  const std::string text = "ファイル " + fileName + " を書き込めませんでした。";
  ::MessageBoxExA(nullptr, text.c_str(), "エラー", MB_OK | MB_ICONEXCLAMATION, 0);
  return false;
}

void SDIDecFrame::CmCut()
{
  if (Cutting)
    return;  // the cut command reached us from inside a running cut's pump
  if (!MarkFromSet && !MarkToSet) {
    CaptureFrame();
    return;
  }
  ContinuousCut();
}

void SDIDecFrame::ContinuousCut()
{
  struct TCutScope {
    SDIDecFrame& Frame;
    explicit TCutScope(SDIDecFrame& frame) : Frame(frame) { Frame.Cutting = true; }
    ~TCutScope()
    {
      Frame.Cutting = false;
      Frame.ResetMarks();
      Frame.CutStep = 1;
      Frame.CancelRequested = 0;
    }
  } scope(*this);

  const unsigned generation = MovieGeneration;
  Position = MarkFrom;
  ShowFrame();
  const unsigned step = static_cast<unsigned>(CutStep);
  for (unsigned frame = MarkFrom; frame <= MarkTo; frame += step) {
    if (CancelRequested)
      break;
    // A command dispatched by the pump below may have closed or replaced the
    // movie, or destroyed the window: then there is nothing left to capture.
    if (!Handle || MovieGeneration != generation || !::IsWindow(MovieWindow))
      break;
    if (!CaptureFrame())
      break;
    for (int step = 0; step < CutStep; ++step)
      StepForward();
    if (!PumpOneMessage())
      break;
    if (MarkTo - frame < step)
      break;  // the next frame lies past the range (and the counter must not wrap)
  }
}

bool SDIDecFrame::PumpOneMessage()
{
  MSG msg;
  const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
  if (got <= 0) {
    // Keep the quit request for the application's loop, which ends the program.
    ::PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : -1);
    return false;
  }
  ::TranslateMessage(&msg);
  ::DispatchMessageA(&msg);
  GetApplication()->ResumeException();
  return true;
}
