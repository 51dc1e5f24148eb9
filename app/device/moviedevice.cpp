#include "app/device/moviedevice.h"
#include "graphics/dc.h"

namespace {

const DWORD OpenFlags = MCI_NOTIFY | MCI_OPEN_ELEMENT | MCI_OPEN_TYPE | MCI_DGV_OPEN_WS | MCI_DGV_OPEN_PARENT;

}  // namespace

TMovieDevice::TMovieDevice(TSendCommand send) : SendCommand(send)
{
  OpenParms.lpstrDeviceType = const_cast<char*>("avivideo");
  OpenParms.dwStyle = WS_CHILD | WS_CAPTION | WS_THICKFRAME;
}

TMovieDevice::~TMovieDevice()
{
  (void)Close();  // nobody is left to tell
}

void TMovieDevice::SetWindowParent(HWND parent)
{
  OpenParms.hWndParent = parent;
}

MCIERROR TMovieDevice::Open(const char* path)
{
  (void)Close();  // one movie at a time: the one open before goes first
  OpenParms.lpstrElementName = const_cast<char*>(path);
  const MCIERROR error = SendCommand(0, MCI_OPEN, OpenFlags, reinterpret_cast<DWORD_PTR>(&OpenParms));
  if (!error)
    Id = OpenParms.wDeviceID;
  return error;
}

MCIERROR TMovieDevice::Close()
{
  if (!IsOpen())
    return 0;
  const MCIERROR error = Send(MCI_CLOSE, MCI_NOTIFY, &CloseParms, TWatch::Yes);
  // A device that refuses to close is of no more use than a closed one.
  Id = 0;
  PlaybackStarted = false;
  Decoded.reset();
  LastLength = LastPosition = LastMode = 0;  // nothing of this movie for the next
  return error;
}

TMovieDevice::TSource TMovieDevice::SourceSize()
{
  // The rectangle's right and bottom hold the width and the height.
  MCI_DGV_RECT_PARMS where{};
  const MCIERROR error = Send(MCI_WHERE, MCI_DGV_WHERE_SOURCE, &where);
  return {error, TSize(where.rc.right, where.rc.bottom)};
}

MCIERROR TMovieDevice::ShowPictureAt(TSize size)
{
  // As in MCI_WHERE, the rectangle's right and bottom hold width and height.
  MCI_DGV_PUT_PARMS put{};
  put.rc = {0, 0, size.cx, size.cy};
  return Send(MCI_PUT, MCI_DGV_PUT_DESTINATION | MCI_DGV_RECT, &put);
}

MCIERROR TMovieDevice::CountInFrames()
{
  SetParms.dwTimeFormat = MCI_FORMAT_FRAMES;
  return Send(MCI_SET, MCI_NOTIFY | MCI_SET_TIME_FORMAT, &SetParms);
}

TMovieDevice::TStatus TMovieDevice::Length()
{
  return Status(MCI_STATUS_LENGTH, TWatch::No, LastLength);
}

TMovieDevice::TStatus TMovieDevice::Position()
{
  return Status(MCI_STATUS_POSITION, TWatch::Yes, LastPosition);
}

TMovieDevice::TStatus TMovieDevice::Mode()
{
  return Status(MCI_STATUS_MODE, TWatch::Yes, LastMode);
}

MCIERROR TMovieDevice::Show(unsigned frame, unsigned decodeFrom)
{
  // Until all of them are decoded, what the decoder holds is not known.
  Decoded.reset();
  if (decodeFrom < frame) {
    // Wine's device decodes a frame only when it paints it: the frames on the
    // way are painted where nobody sees them.
    const TMemoryDC unseen;
    for (unsigned built = decodeFrom; built < frame; ++built) {
      if (const MCIERROR error = Decode(built, unseen))
        return error;
    }
  }
  const MCIERROR error = ShowOne(frame);
  if (!error)
    Decoded = frame;
  return error;
}

MCIERROR TMovieDevice::Decode(unsigned frame, HDC unseen)
{
  if (const MCIERROR error = ShowOne(frame))
    return error;
  MCI_DGV_UPDATE_PARMS update{};
  update.hDC = unseen;
  return Send(MCI_UPDATE, MCI_WAIT | MCI_DGV_UPDATE_HDC, &update, TWatch::Yes);
}

MCIERROR TMovieDevice::ShowOne(unsigned frame)
{
  EndPlaybackThread();
  PlayParms.dwFrom = frame;
  PlayParms.dwTo = frame;
  return Send(MCI_PLAY, MCI_WAIT | MCI_FROM | MCI_TO, &PlayParms, TWatch::Yes);
}

MCIERROR TMovieDevice::Play(unsigned from, std::optional<unsigned> to)
{
  EndPlaybackThread();
  PlayParms.dwFrom = from;
  if (to)
    PlayParms.dwTo = *to;
  const MCIERROR error = Send(MCI_PLAY, MCI_NOTIFY | MCI_FROM | (to ? MCI_TO : 0), &PlayParms);
  PlaybackStarted = !error;
  Decoded.reset();  // it decodes frames on its own from now on
  return error;
}

MCIERROR TMovieDevice::Pause()
{
  return Send(MCI_PAUSE, MCI_NOTIFY | MCI_FROM, &PlayParms);
}

void TMovieDevice::EndPlaybackThread()
{
  if (!PlaybackStarted)
    return;
  PlaybackStarted = false;
  // Wine's device plays on a thread of its own, which a pause ends only when
  // it next wakes, up to a frame later. A play or a frame shown before then
  // sets a second thread going on the same device; the one left over can wake
  // after the device is closed and freed, and crash the program. A stop that
  // waits returns once the thread has ended (elsewhere it merely stops); its
  // answer is of no use, Wine tells of the sound output a movie may lack.
  (void)Send(MCI_STOP, MCI_WAIT, &StopParms, TWatch::Yes);
}

MCIERROR TMovieDevice::Send(UINT command, DWORD_PTR flags, void* parameters, TWatch watch)
{
  std::optional<TDeviceWatchdog::TCall> watched;
  if (watch == TWatch::Yes)
    watched.emplace(Watch);
  return SendCommand(Id, command, flags, reinterpret_cast<DWORD_PTR>(parameters));
}

TMovieDevice::TStatus TMovieDevice::Status(DWORD item, TWatch watch, DWORD_PTR& lastRead)
{
  StatusParms.dwItem = item;
  const MCIERROR error = Send(MCI_STATUS, MCI_NOTIFY | MCI_STATUS_ITEM, &StatusParms, watch);
  if (!error)
    lastRead = StatusParms.dwReturn;
  return {error, lastRead};
}
