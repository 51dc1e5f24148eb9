// The movie: played and positioned by the platform's "avivideo" device, which
// draws it into a window of its own inside the frame's client window.
#include "app/sdidecframe.h"

namespace {

const DWORD OpenFlags = MCI_NOTIFY | MCI_OPEN_ELEMENT | MCI_OPEN_TYPE | MCI_DGV_OPEN_WS | MCI_DGV_OPEN_PARENT;

}  // namespace

void SDIDecFrame::OpenMovie(const char* path)
{
  ::mciSendCommandA(OpenParms.wDeviceID, MCI_CLOSE, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&CloseParms));
  ++MovieGeneration;
  MovieOpen = 0;
  MovieWindow = nullptr;

  // The device takes its own copy of the name while it opens the file.
  OpenParms.lpstrElementName = const_cast<char*>(path);
  if (::mciSendCommandA(0, MCI_OPEN, OpenFlags, reinterpret_cast<DWORD_PTR>(&OpenParms))) {
    FileData->FileName[0] = '\0';
    ::MessageBoxExA(nullptr, "ﾄﾞﾗｲﾊﾞまたはﾌｧｲﾙが不正です", "エラー", MB_OK, 0);
    return;
  }
  MovieOpen = 1;
  // The device's window (inside the client window) is known before the first
  // frame is shown, so that showing it also paints it.
  MovieWindow = ::GetWindow(::GetWindow(Handle, GW_CHILD), GW_CHILD);

  SetParms.dwTimeFormat = MCI_FORMAT_FRAMES;
  ::mciSendCommandA(OpenParms.wDeviceID, MCI_SET, MCI_NOTIFY | MCI_SET_TIME_FORMAT,
                    reinterpret_cast<DWORD_PTR>(&SetParms));
  StatusParms.dwItem = MCI_STATUS_LENGTH;
  ::mciSendCommandA(OpenParms.wDeviceID, MCI_STATUS, MCI_NOTIFY | MCI_STATUS_ITEM,
                    reinterpret_cast<DWORD_PTR>(&StatusParms));
  Length = static_cast<unsigned>(StatusParms.dwReturn);
  Position = 0;

  ShowFrame();
  ResetMarks();
}

void SDIDecFrame::ShowFrame()
{
  // Frames run from 0 to Length - 1; the position Length (where the last-frame
  // command and the end of a range go) shows the last frame. The device itself
  // draws nothing there, and some builds of it fail outright.
  const unsigned shown = Length && Position >= Length ? Length - 1 : Position;
  PlayParms.dwFrom = shown;
  PlayParms.dwTo = shown;
  ::mciSendCommandA(OpenParms.wDeviceID, MCI_PLAY, MCI_WAIT | MCI_FROM | MCI_TO,
                    reinterpret_cast<DWORD_PTR>(&PlayParms));
  // The device may leave the new frame to its next repaint; the frame is to be
  // on screen (and so in a capture) when this returns.
  if (MovieWindow)
    ::RedrawWindow(MovieWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void SDIDecFrame::ReadPosition()
{
  StatusParms.dwItem = MCI_STATUS_POSITION;
  ::mciSendCommandA(OpenParms.wDeviceID, MCI_STATUS, MCI_NOTIFY | MCI_STATUS_ITEM,
                    reinterpret_cast<DWORD_PTR>(&StatusParms));
  Position = static_cast<unsigned>(StatusParms.dwReturn);
}

void SDIDecFrame::StepForward()
{
  ReadPosition();
  if (Position < Length) {
    ++Position;
    ShowFrame();
  }
}

void SDIDecFrame::StepBack()
{
  ReadPosition();
  if (Position > 0) {
    --Position;
    ShowFrame();
  }
}

void SDIDecFrame::ResetMarks()
{
  MarkFromSet = 0;
  MarkToSet = 0;
  MarkFrom = 0;
  MarkTo = Length;
}
