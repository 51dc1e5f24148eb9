#include "app/frame/sdidecframe.h"
#include "app/frame/errorreports.h"
#include "app/support/errorbox.h"
#include "app/support/commandline.h"
#include "app/support/filewritelock.h"
#include "app/support/pathtext.h"
#include "controls/hslider.h"
#include "framework/app/application.h"
#include "framework/app/cmdenable.h"
#include "framework/dialogs/inputdialog.h"
#include "gadgets/messagebar.h"
#include "graphics/dc.h"
#include "resources/resource.h"

#include <cstdio>
#include <cstring>

namespace {

const UINT TrackingTimer = 1;
const UINT TrackingTickMs = 500;

}  // namespace

SDIDecFrame::SDIDecFrame()
  : TWindow(nullptr, "Velmo Win32"),
    TDecoratedFrame(nullptr, "Velmo Win32", new TWindow(nullptr, ""), true),
    TrackingPeriod(TrackingTickMs)
{
  Settings.ReadLastDir(LastDir, sizeof LastDir);

  FileData = new TOpenSaveDialog::TData(0, nullptr, nullptr, LastDir, nullptr, 0);
  FileData->Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
  // With the run's frame server, any movie it reads can be opened.
  if (TFrameClient::Configured())
    FileData->SetFilter(
      "動画ﾌｧｲﾙ (*.AVI;*.MP4;*.MKV;*.MOV;*.TS;*.M2TS;*.MTS;*.WEBM;*.M4V;*.MPG;*.MPEG;*.WMV;*.FLV)|"
      "*.AVI;*.MP4;*.MKV;*.MOV;*.TS;*.M2TS;*.MTS;*.WEBM;*.M4V;*.MPG;*.MPEG;*.WMV;*.FLV|"
      "すべてのﾌｧｲﾙ (*.*)|*.*|");
  else
    FileData->SetFilter("AVIﾌｧｲﾙ (*.AVI)|*.AVI|");

  AssignMenu(IDM_MAINMENU);
  Attributes.AccelTable = MAKEINTRESOURCEA(IDA_MAINACCEL);

  BuildBars(*this);

  const TRect placement = Settings.Placement();
  Attributes.X = placement.left;
  Attributes.Y = placement.top;
  Attributes.W = placement.Width();
  Attributes.H = placement.Height();

  if (!Settings.ReadOutputDir(OutputDir, sizeof OutputDir)) {
    std::strcpy(OutputDir, "A:\\");
    PromptOutputDir();
  }
}

SDIDecFrame::~SDIDecFrame()
{
  delete FileData;
  CloseMovie();
}

void SDIDecFrame::SetupWindow()
{
  TDecoratedFrame::SetupWindow();

  ResetSlider(0);

  Movie.SetWindowParent(::GetWindow(Handle, GW_CHILD));
  FileData->FileName[0] = '\0';

  TScreenDC screen;
  const int bitsPerPixel = screen.GetDeviceCaps(BITSPIXEL);
  PaletteDevice = (screen.GetDeviceCaps(RASTERCAPS) & RC_PALETTE) ? 1 : 0;
  if (PaletteDevice)
    PaletteSize = bitsPerPixel == 1 ? 2 : bitsPerPixel == 4 ? 16 : bitsPerPixel == 8 ? 256 : 0;

  // A movie named on the command line, opened on the frame that follows it.
  if (const std::optional<TCommandLineMovie> movie = CommandLineMovie(GetModule()->GetCmdTail()))
    OpenMovie(movie->Path.c_str(), movie->Frame);

  if (bitsPerPixel == 16) {
    ShowErrorBox(LoadText(IDS_16BITDISPLAY), MB_OK);
    ::PostQuitMessage(-1);
  }

  if (!::SetTimer(Handle, TrackingTimer, TrackingTickMs, nullptr)) {
    ::MessageBeep(0);
    ShowErrorBox(LoadText(IDS_NOTIMER), MB_ICONEXCLAMATION);
    ::PostQuitMessage(-1);
  }
}

bool SDIDecFrame::CanClose()
{
  ::KillTimer(Handle, TrackingTimer);
  const TFileWriteScope whole;
  if (!Settings.Save(GetWindowRect(), OutputDir, LastDir))
    ShowErrorBox(LoadText(IDS_SETTINGSNOTSAVED));
  return TDecoratedFrame::CanClose();
}

void SDIDecFrame::PromptOutputDir()
{
  TInputDialog(nullptr, "出力ﾃﾞｨﾚｸﾄﾘの変更", "Dir:", OutputDir, 255).Execute();
  EnsureTrailingBackslash(OutputDir, sizeof OutputDir);
}

bool SDIDecFrame::FollowMovie(TShowResult result)
{
  MovieOpen = Movie.IsOpen() ? 1 : 0;
  MovieWindow = Movie.Window();
  if (MovieOpen) {
    Length = Movie.Length();
    Position = Movie.Position();
  }
  // A failure keeps the timer at the period it had.
  const unsigned period = Movie.State() == TMovieState::Playing ? Movie.FrameTickMs() : TrackingTickMs;
  if (period != TrackingPeriod && ::SetTimer(Handle, TrackingTimer, period, nullptr))
    TrackingPeriod = period;
  if (!result.Shown())
    ReportUnshowableFrame(result.State, result.Frame, result.Served);
  return result.Shown();
}

void SDIDecFrame::ReadPosition()
{
  Movie.ReadPosition();
  FollowMovie();
}

// ----------------------------------------------------------------- tracking

void SDIDecFrame::EvTimer(unsigned)
{
  DefaultProcessing();
  TrackMovie();
}

void SDIDecFrame::TrackMovie()
{
  LastTracked = ::GetTickCount();
  if (!MovieOpen)
    return;
  FollowMovie(Movie.Follow());
  ShowFrameReadout();
  ShowPictureReadout(Picture.Size(), Picture.ShownPercent());
  // A thumb the user moved since the last tick: show the frame it points at;
  // during a cut the cut decides the frame, and the thumb goes back to it.
  if (Slider->GetPosition() != LastSliderPos && !RunningCut) {
    Position = static_cast<unsigned>(Slider->GetPosition());
    ShowFrame();
  }
  Slider->SetPosition(static_cast<int>(Position));
  LastSliderPos = Slider->GetPosition();
  ShowCutStatus();
}

// ----------------------------------------------------------------- commands

void SDIDecFrame::EvSettingChange()
{
  DefaultProcessing();
  Picture.FollowSystemMetrics();
}

void SDIDecFrame::CmFileClose()
{
  CloseMovie();
  FileData->FileName[0] = '\0';
}

void SDIDecFrame::CmFirstFrame()
{
  Position = 0;
  ShowFrame();
}

void SDIDecFrame::CmLastFrame()
{
  Position = Movie.LastFrame();
  ShowFrame();
}

void SDIDecFrame::CmFileOpen()
{
  FileData->FileName[0] = '\0';
  if (TFileOpenDialog(this, *FileData).Execute() != IDOK)
    return;
  OpenChosenMovie(FileData->FileName);
  const TPathParts parts = SplitPath(FileData->FileName);
  std::string dir = parts.Drive + parts.Dir;
  if (!dir.empty())
    dir.pop_back();  // the directory's trailing backslash
  lstrcpynA(LastDir, dir.c_str(), sizeof LastDir);
}

void SDIDecFrame::Mark(unsigned& mark, unsigned& markSet)
{
  markSet = 1;
  ReadPosition();
  mark = Position;
  ShowMarkedRange();
}

void SDIDecFrame::CmGoTo()
{
  char typed[64];
  std::snprintf(typed, sizeof typed, "%u", Position);
  const std::string title = LoadText(IDS_GOTOTITLE);
  const std::string prompt = LoadText(IDS_GOTOPROMPT);
  if (TInputDialog(this, title.c_str(), prompt.c_str(), typed, sizeof typed).Execute() != IDOK)
    return;
  // The movie may have been closed while the dialog was up.
  if (!MovieOpen)
    return;
  const std::optional<TFrameOrTime> wanted = ParseFrameOrTime(typed);
  const std::optional<std::uint32_t> frame = wanted ? Movie.Times().FrameOf(*wanted) : std::nullopt;
  if (!frame) {
    ReportNoSuchFrame(typed, Movie.LastFrame(), Movie.Times());
    return;
  }
  Position = *frame;
  ShowFrame();
  ShowFrameReadout();
}

void SDIDecFrame::CmCancelCut()
{
  // Kept to say how the cut ended: the key's command comes from the
  // accelerator table, the button's and the menu's do not.
  const WPARAM command = GetApplication()->CurrentEvent.Param1;
  const TCutEnd how = HIWORD(command) == 1 ? TCutEnd::CancelKey : TCutEnd::CancelCommand;
  if (RunningCut)
    RunningCut->Cancel(how);
  else
    CancelRequested = how;
}

// clang-format off
DEFINE_RESPONSE_TABLE1(SDIDecFrame, TDecoratedFrame)
  EV_COMMAND(CM_FILECLOSE, CmFileClose),
  EV_COMMAND(CM_FILEOPEN, CmFileOpen),
  EV_COMMAND(CM_PLAY, CmPlay),
  EV_COMMAND(CM_STOP, CmStop),
  EV_COMMAND(CM_FIRSTFRAME, CmFirstFrame),
  EV_COMMAND(CM_PREVFRAME, CmPrevFrame),
  EV_COMMAND(CM_NEXTFRAME, CmNextFrame),
  EV_COMMAND(CM_LASTFRAME, CmLastFrame),
  EV_COMMAND(CM_CUT, CmCut),
  EV_COMMAND(CM_MARKFROM, CmMarkFrom),
  EV_COMMAND(CM_MARKTO, CmMarkTo),
  EV_COMMAND_ENABLE(CM_MARKFROM, CeMovieOpen),
  EV_COMMAND_ENABLE(CM_MARKTO, CeMovieOpen),
  EV_COMMAND_ENABLE(CM_FILECLOSE, CeMovieOpen),
  EV_COMMAND_ENABLE(CM_PLAY, CeMovieOpen),
  EV_COMMAND_ENABLE(CM_STOP, CeMovieOpen),
  EV_COMMAND_ENABLE(CM_FIRSTFRAME, CeMovieOpen),
  EV_COMMAND_ENABLE(CM_PREVFRAME, CeMovieOpen),
  EV_COMMAND_ENABLE(CM_NEXTFRAME, CeMovieOpen),
  EV_COMMAND_ENABLE(CM_LASTFRAME, CeMovieOpen),
  EV_COMMAND_ENABLE(CM_CUT, CeMovieOpen),
  EV_COMMAND(CM_OUTPUTDIR, CmOutputDir),
  EV_WM_TIMER,
  EV_WM_SETCURSOR,
  EV_WM_SETTINGCHANGE,
  EV_COMMAND(CM_NOTHING, CmNothing),
  EV_COMMAND(CM_GOTO, CmGoTo),
  EV_COMMAND_ENABLE(CM_GOTO, CeMovieOpen),
  EV_COMMAND(CM_CANCELCUT, CmCancelCut),
  EV_COMMAND_ENABLE(CM_CANCELCUT, CeCutRunning),
END_RESPONSE_TABLE;
// clang-format on
