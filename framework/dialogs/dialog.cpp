#include "framework/dialogs/dialog.h"
#include "framework/app/application.h"

#include <cstring>

namespace {

const char* const DialogClass = MAKEINTRESOURCEA(0x8002);  // the platform's "#32770"
const char* const RtDlgInit = MAKEINTRESOURCEA(240);

// The dialog whose platform dialog is being made; its first message binds it.
TDialog* CreatingDialog = nullptr;

// Points CreatingDialog at a dialog for the platform call that makes its
// window, and never leaves it pointing there afterwards (a box that failed
// before its first message must not bind a later dialog to this object).
class TCreatingDialogScope {
public:
  explicit TCreatingDialogScope(TDialog* dialog) { CreatingDialog = dialog; }
  ~TCreatingDialogScope() { CreatingDialog = nullptr; }
  TCreatingDialogScope(const TCreatingDialogScope&) = delete;
  TCreatingDialogScope& operator=(const TCreatingDialogScope&) = delete;
};

}  // namespace

TDialog::TDialog(TWindow* parent, TResId templateId, TModule* module) : TemplateId(DupResId(templateId))
{
  Init(parent, nullptr, module);
  ClearFlag(wfAutoCreate);  // made by Execute or Create, not with the parent's children
  Title.reset();
  SetFlag(wfKeepOwnCaption);
  SetFlag(wfFromResource);
  ClearFlag(wfDeleteOnClose);
}

TDialog::~TDialog()
{
  FreeResId(TemplateId);
}

// ------------------------------------------------------------ dialog procedure

INT_PTR CALLBACK StdDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  if (msg == GetWindowPtrMessage())
    return FALSE;
  TDialog* dialog = dynamic_cast<TDialog*>(GetWindowPtr(hwnd));
  if (!dialog && CreatingDialog && msg != WM_CANCELMODE && msg != WM_ENABLE) {
    dialog = CreatingDialog;
    CreatingDialog = nullptr;
    dialog->AttachHandle(hwnd);
  }
  if (!dialog)
    return FALSE;

  TApplication* app = dialog->GetApplication();
  try {
    // Messages the platform sends straight to the dialog procedure (the first
    // ones of a new dialog) never passed the window procedure that sets this.
    TApplication::TCurrentEventScope scope(app, {dialog, msg, wParam, lParam});
    return dialog->DialogFunction(msg, wParam, lParam);
  } catch (...) {
    dialog->EndModalRunAfterFailure();
    app->SuspendCurrentException();
  }
  return TRUE;
}

void TDialog::AttachHandle(HWND hwnd)
{
  Handle = hwnd;
  SubclassWindowFunction();
}

INT_PTR TDialog::DialogFunction(UINT msg, WPARAM wParam, LPARAM lParam)
{
  switch (msg) {
  case WM_INITDIALOG:
    return EvInitDialog(reinterpret_cast<HWND>(wParam));
  case WM_SETFONT: {
    // Before the dialog is complete only a table entry of a derived class
    // hears of the font; afterwards the platform's handling stands.
    if (IsFlagSet(wfFullyCreated))
      return TRUE;
    TEventLookup lookup{WM_SETFONT, 0};
    return Find(lookup) ? Dispatch(lookup, wParam, lParam) : TRUE;
  }
  default:
    // Everything else reaches the response tables through the window procedure.
    return FALSE;
  }
}

LRESULT TDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
  try {
    return TWindow::WindowProc(msg, wParam, lParam);
  } catch (...) {
    EndModalRunAfterFailure();
    throw;
  }
}

void TDialog::EndModalRunAfterFailure()
{
  if (IsModal && Handle)
    ::EndDialog(Handle, IDCANCEL);
}

bool TDialog::EvInitDialog(HWND)
{
  GetHWndState();
  PerformDlgInit();
  SetupWindow();
  SetFlag(wfFullyCreated);
  return true;
}

bool TDialog::PerformDlgInit()
{
  const LRESULT answer = HandleMessage(WM_DIALOG_INIT_DATA, reinterpret_cast<WPARAM>(Handle),
                                       reinterpret_cast<LPARAM>(TemplateId));
  if (answer)
    return answer > 0;

  HINSTANCE instance = *Module;
  HRSRC info = ::FindResourceA(instance, TemplateId, RtDlgInit);
  if (!info)
    return true;
  HGLOBAL block = ::LoadResource(instance, info);
  const BYTE* data = block ? static_cast<const BYTE*>(::LockResource(block)) : nullptr;
  if (!data)
    return true;

  // Records of control id (16 bits), message (16 bits), data length (32 bits)
  // and data, up to a zero control id; the walk never leaves the resource.
  const BYTE* const end = data + ::SizeofResource(instance, info);
  return Application->CallAndResume([&] {
    bool success = true;
    for (const BYTE* record = data; end - record >= 8;) {
      WORD id, message;
      DWORD length;
      std::memcpy(&id, record, sizeof id);
      std::memcpy(&message, record + 2, sizeof message);
      std::memcpy(&length, record + 4, sizeof length);
      if (id == 0 || length > static_cast<DWORD>(end - record - 8))
        break;
      const BYTE* payload = record + 8;
      if (::SendDlgItemMessageA(Handle, id, message, 0, reinterpret_cast<LPARAM>(payload)) == -1)
        success = false;
      record = payload + length;
    }
    return success;
  });
}

void TDialog::SetupWindow()
{
  if (Title)
    SetCaption(Title->c_str());  // a caption set before the window existed
  TWindow::SetupWindow();
}

// ------------------------------------------------------------------ running

void TDialog::ThrowIfChildClassFails()
{
  if (FirstThat([](TWindow* child, void*) { return !child->Register(); }))
    throw TXWindow(nullptr, IDS_CHILDREGISTERFAILED);
}

// The exceptions below carry no window: dialog objects usually live on the
// caller's stack, which is unwound before the exception is reported, and a
// reported window exception deletes the window it carries.
int TDialog::Execute()
{
  IsModal = true;
  if (!Register())
    throw TXWindow(nullptr, IDS_REGISTERFAILED);
  ThrowIfChildClassFails();
  const int result = Application->CallAndResume([this] {
    TCreatingDialogScope creating(this);
    return DoExecute();
  });
  if (result == -1)
    throw TXWindow(nullptr, IDS_MODALFAILED);
  return result;
}

bool TDialog::Create()
{
  IsModal = false;
  if (Handle)
    return true;
  if (!Register())
    throw TXWindow(nullptr, IDS_REGISTERFAILED);
  if (Attributes.AccelTable && !AccelHandle)
    AccelHandle = ::LoadAcceleratorsA(*Module, Attributes.AccelTable);
  ThrowIfChildClassFails();
  HWND created = nullptr;
  try {
    Application->CallAndResume([&] {
      TCreatingDialogScope creating(this);
      created = DoCreate();
    });
  } catch (...) {
    // A failure while the dialog set itself up leaves no half-made window.
    if (created)
      ::DestroyWindow(created);
    throw;
  }
  if (!created)
    throw TXWindow(nullptr, IDS_CREATEFAILED);
  Handle = created;
  GetHWndState();
  return true;
}

HWND TDialog::DoCreate()
{
  return ::CreateDialogParamA(*Module, TemplateId, GetParentH(), StdDlgProc, InitParam);
}

int TDialog::DoExecute()
{
  return static_cast<int>(::DialogBoxParamA(*Module, TemplateId, GetParentH(), StdDlgProc, InitParam));
}

bool TDialog::PreProcessMsg(MSG& msg)
{
  if (AccelHandle && ::TranslateAcceleratorA(Handle, AccelHandle, &msg))
    return true;
  // A dialog owned by the active child of a multiple-document frame lets the
  // frame's client translate that child's system keys.
  if (HWND parent = GetParentH()) {
    HWND client = ::GetParent(parent);
    char className[16] = "";
    if (client && ::GetClassNameA(client, className, sizeof className) && !lstrcmpiA(className, "MDIClient") &&
        reinterpret_cast<HWND>(::SendMessageA(client, WM_MDIGETACTIVE, 0, 0)) == parent &&
        ::TranslateMDISysAccel(client, &msg))
      return true;
  }
  return ::IsDialogMessageA(Handle, &msg);
}

// ------------------------------------------------------- closing, destroying

void TDialog::CloseWindow(int retVal)
{
  if (!IsModal) {
    TWindow::CloseWindow(retVal);
    return;
  }
  if (CanClose()) {
    TransferData(tdGetData);
    Destroy(retVal);
  }
}

void TDialog::Destroy(int retVal)
{
  if (!IsModal || !Handle) {
    TWindow::Destroy(retVal);
    return;
  }
  ForEach([](TWindow* child, void*) { child->ClearFlag(wfAutoCreate); });
  ::EndDialog(Handle, retVal);
}

void TDialog::DeferDeleteIfClosed()
{
  if (!IsModal && !Handle && IsFlagSet(wfDeleteOnClose))
    Application->DeferDelete(this);
}

void TDialog::CmOk()
{
  CloseWindow(IDOK);
  DeferDeleteIfClosed();
}

void TDialog::CmCancel()
{
  EvClose();
}

void TDialog::EvClose()
{
  Destroy(IDCANCEL);
  DeferDeleteIfClosed();
}

// ---------------------------------------------------------------- the class

const char* TDialog::GetClassName()
{
  return DialogClass;
}

void TDialog::GetWindowClass(WNDCLASSA& wndClass)
{
  if (!::GetClassInfoA(nullptr, GetClassName(), &wndClass))
    ::GetClassInfoA(*Module, GetClassName(), &wndClass);
  wndClass.lpszClassName = GetClassName();
}

// ------------------------------------------------- messages the platform does

void TDialog::EvPaint()
{
  DefaultProcessing();
}

LRESULT TDialog::EvCtlColor(HDC, HWND, unsigned)
{
  return DefaultProcessing();
}

void TDialog::EvSetFont(WPARAM, LPARAM)
{
  if (IsFlagSet(wfFullyCreated))
    DefaultProcessing();
}

// clang-format off
DEFINE_RESPONSE_TABLE1(TDialog, TWindow)
  EV_WM_CLOSE,
  EV_WM_PAINT,
  EV_WM_CTLCOLOR,
  EV_WM_SETFONT,
  EV_COMMAND(IDOK, CmOk),
  EV_COMMAND(IDCANCEL, CmCancel),
END_RESPONSE_TABLE;
// clang-format on
