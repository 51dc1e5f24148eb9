#include "app/frame/sdidecframe.h"
#include "app/support/errorbox.h"
#include "app/support/pathtext.h"
#include "controls/hslider.h"
#include "framework/app/application.h"
#include "framework/app/cmdenable.h"
#include "framework/dialogs/inputdialog.h"
#include "gadgets/buttongadget.h"
#include "gadgets/controlbar.h"
#include "gadgets/separatorgadget.h"
#include "gadgets/statusbar.h"
#include "gadgets/textgadget.h"
#include "graphics/dc.h"
#include "resources/resource.h"

#include <cstdio>
#include <cstring>

namespace {

const UINT TrackingTimer = 1;
const UINT TrackingTickMs = 500;

}  // namespace

SDIDecFrame::SDIDecFrame()
  : TWindow(nullptr, "Velmo Win32"), TDecoratedFrame(nullptr, "Velmo Win32", new TWindow(nullptr, ""), true)
{
  Settings.ReadLastDir(LastDir, sizeof LastDir);

  FileData = new TOpenSaveDialog::TData(0, nullptr, nullptr, LastDir, nullptr, 0);
  FileData->Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
  FileData->SetFilter("AVIﾌｧｲﾙ (*.AVI)|*.AVI|");

  AssignMenu(IDM_MAINMENU);
  Attributes.AccelTable = MAKEINTRESOURCEA(IDA_MAINACCEL);

  BuildBars();

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

void SDIDecFrame::BuildBars()
{
  // The buttons in bar order, each showing the glyph of its command; 0 stands
  // for a separator.
  static const int Buttons[] = {
    CM_FILEOPEN,  CM_FILECLOSE, 0, CM_CUT,      0,         CM_PLAY, CM_STOP,     CM_FIRSTFRAME, CM_PREVFRAME,
    CM_NEXTFRAME, CM_LASTFRAME, 0, CM_MARKFROM, CM_MARKTO, 0,       CM_CANCELCUT};
  auto* buttonBar = new TControlBar(this, Horizontal, new TGadgetWindowFont(10));
  for (int id : Buttons) {
    if (id)
      buttonBar->Insert(*new TButtonGadget(id, id, TButtonGadget::PushButton, false, TButtonGadget::StateUp));
    else
      buttonBar->Insert(*new TSeparatorGadget(6));
  }
  buttonBar->SetHintTrigger(HintOnEnter);
  Insert(*buttonBar, TDecorationLocation::Top);

  StatusBar = new TStatusBar(this, SunkenBorder, 0, new TGadgetWindowFont(10));
  Insert(*StatusBar, TDecorationLocation::Bottom);

  Slider = new THSlider(buttonBar, 100, 330, 4, 150, 20, IDB_SLIDERTHUMB);

  auto* readoutBar = new TControlBar(this, Horizontal, new TGadgetWindowFont(10));
  FramePane = new TTextGadget(0, SunkenBorder, AlignLeft, 17);
  SizePane = new TTextGadget(1, SunkenBorder, AlignLeft, 17);
  TimePane = new TTextGadget(2, SunkenBorder, AlignLeft, 17);
  ScalePane = new TTextGadget(3, SunkenBorder, AlignLeft, 9);
  readoutBar->Insert(*SizePane);
  readoutBar->Insert(*FramePane);
  readoutBar->Insert(*TimePane);
  readoutBar->Insert(*ScalePane);
  Insert(*readoutBar, TDecorationLocation::Top);
}

void SDIDecFrame::ResetSlider(unsigned lastFrame)
{
  // Every frame number is a thumb position.
  Slider->SetRange(0, static_cast<int>(lastFrame));
  Slider->TickStep = 1;
  Slider->Snap = true;
  Slider->SetPosition(0);
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

  MovieDevice.SetWindowParent(::GetWindow(Handle, GW_CHILD));
  FileData->FileName[0] = '\0';

  TScreenDC screen;
  const int bitsPerPixel = screen.GetDeviceCaps(BITSPIXEL);
  PaletteDevice = (screen.GetDeviceCaps(RASTERCAPS) & RC_PALETTE) ? 1 : 0;
  if (PaletteDevice)
    PaletteSize = bitsPerPixel == 1 ? 2 : bitsPerPixel == 4 ? 16 : bitsPerPixel == 8 ? 256 : 0;

  // A movie named on the command line: its first word, when it is an .avi file.
  if (const char* tail = GetModule()->GetCmdTail(); tail && *tail) {
    std::string path(tail, std::strcspn(tail, " "));
    if (HasAviExtension(path))
      OpenMovie(path.c_str());
  }

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

// ----------------------------------------------------------------- commands

void SDIDecFrame::TrackPlayback(bool playing)
{
  if (playing == Playing)
    return;
  Playing = playing;
  // A failure keeps the timer at the period it had.
  ::SetTimer(Handle, TrackingTimer, playing ? PlaybackTickMs : TrackingTickMs, nullptr);
}

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
  // A playback the device ended by itself, at the end of the movie.
  if (Playing && !DeviceIsPlaying())
    SettleOnReportedFrame();
  else
    ReadPosition();
  ShowFrameReadout();
  char text[40];
  // The movie's own size, which a cut writes, whatever part of it the window shows.
  std::snprintf(text, sizeof text, "size:%4li*%4li", PictureSize.cx, PictureSize.cy);
  SizePane->SetText(text);
  std::snprintf(text, sizeof text, "表示 %u%%", ShownPercent);
  ScalePane->SetText(ShownPercent < 100 ? text : "");
  // A thumb the user moved since the last tick: show the frame it points at;
  // during a cut the cut decides the frame, and the thumb goes back to it.
  if (Slider->GetPosition() != LastSliderPos && !RunningCut) {
    Position = static_cast<unsigned>(Slider->GetPosition());
    ShowFrame();
  }
  Slider->SetPosition(static_cast<int>(Position));
  LastSliderPos = Slider->GetPosition();
  if (RunningCut)
    StatusBar->SetText(RunningCut->StatusText().c_str());
}

void SDIDecFrame::ShowFrameReadout()
{
  char text[40];
  std::snprintf(text, sizeof text, "frame:%4lu/%4lu", static_cast<unsigned long>(Position),
                static_cast<unsigned long>(Length));
  FramePane->SetText(text);
  // A frame with no known time (before a copy's stretch) shows none.
  const std::optional<std::int64_t> time = FrameTimes.TimeOf(Position);
  TimePane->SetText(("time:" + (time ? TimeText(*time) : std::string("  -"))).c_str());
}

void SDIDecFrame::EvSettingChange()
{
  DefaultProcessing();
  MovieBorder = TMovieWindowBorder::Current();
}

void SDIDecFrame::CmFileOpen()
{
  FileData->FileName[0] = '\0';
  if (TFileOpenDialog(this, *FileData).Execute() != IDOK)
    return;
  OpenMovie(FileData->FileName);
  const TPathParts parts = SplitPath(FileData->FileName);
  std::string dir = parts.Drive + parts.Dir;
  if (!dir.empty())
    dir.pop_back();  // the directory's trailing backslash
  lstrcpynA(LastDir, dir.c_str(), sizeof LastDir);
}

void SDIDecFrame::CmFileClose()
{
  CloseMovie();
  FileData->FileName[0] = '\0';
}

void SDIDecFrame::CmOutputDir()
{
  PromptOutputDir();
}

void SDIDecFrame::CmPlay()
{
  StartPlayback();
}

void SDIDecFrame::CmStop()
{
  StopPlayback();
}

void SDIDecFrame::CmFirstFrame()
{
  Position = 0;
  ShowFrame();
}

void SDIDecFrame::CmPrevFrame()
{
  StepBack();
}

void SDIDecFrame::CmNextFrame()
{
  StepForward();
}

void SDIDecFrame::CmLastFrame()
{
  Position = LastFrame();
  ShowFrame();
}

void SDIDecFrame::CmMarkFrom()
{
  MarkFromSet = 1;
  ReadPosition();
  MarkFrom = Position;
  ShowMarkedRange();
}

void SDIDecFrame::CmMarkTo()
{
  MarkToSet = 1;
  ReadPosition();
  MarkTo = Position;
  ShowMarkedRange();
}

void SDIDecFrame::CmNothing() {}

void SDIDecFrame::CmGoTo()
{
  char typed[64];
  std::snprintf(typed, sizeof typed, "%u", Position);
  const std::string title = LoadText(IDS_GOTOTITLE);
  const std::string prompt = LoadText(IDS_GOTOPROMPT);
  if (TInputDialog(this, title.c_str(), prompt.c_str(), typed, sizeof typed).Execute() != IDOK)
    return;
  const std::optional<TFrameOrTime> wanted = ParseFrameOrTime(typed);
  const std::optional<std::uint32_t> frame = wanted ? FrameTimes.FrameOf(*wanted) : std::nullopt;
  // The movie may have been closed while the dialog was up.
  if (!MovieOpen)
    return;
  if (!frame) {
    ReportNoSuchFrame(typed);
    return;
  }
  Position = *frame;
  ShowFrame();
  ShowFrameReadout();
}

void SDIDecFrame::ReportNoSuchFrame(const std::string& typed)
{
  const std::string none = "-";
  const std::optional<std::int64_t> first = FrameTimes.FirstTime();
  const std::optional<std::int64_t> last = FrameTimes.LastTime();
  ShowErrorBox(
    FormatText(IDS_NOSUCHFRAME, typed, LastFrame(), first ? TimeText(*first) : none, last ? TimeText(*last) : none));
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

void SDIDecFrame::CeMovieOpen(TCommandEnabler& ce)
{
  ce.Enable(MovieOpen == 1);
}

void SDIDecFrame::CeCutRunning(TCommandEnabler& ce)
{
  ce.Enable(RunningCut != nullptr);
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
