#include "framework/dialogs/opensave.h"

#include <cstring>
#include <memory>
#include <utility>

namespace {

const int DefaultMaxPath = 260;

// The first bar that is a character of its own, or null.
const char* FindBar(const char* text)
{
  for (const char* p = text; *p; p = ::CharNextA(p))
    if (*p == '|')
      return p;
  return nullptr;
}

// Size of a list of NUL-terminated texts, its final empty text included.
std::size_t ListSize(const char* list)
{
  const char* p = list;
  while (*p)
    p += std::strlen(p) + 1;
  return static_cast<std::size_t>(p - list) + 1;
}

std::unique_ptr<char[]> CopyBytes(const char* from, std::size_t size)
{
  std::unique_ptr<char[]> copy(new char[size]);
  std::memcpy(copy.get(), from, size);
  return copy;
}

std::unique_ptr<char[]> CopyList(const char* list)
{
  return list ? CopyBytes(list, ListSize(list)) : nullptr;
}

// Common dialogs call their hook like a dialog procedure.
UINT_PTR CALLBACK OpenSaveHook(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  return static_cast<UINT_PTR>(StdDlgProc(hwnd, msg, wParam, lParam));
}

}  // namespace

// ------------------------------------------------------------------- TData

TOpenSaveDialog::TData::TData(DWORD flags, const char* filter, char* customFilter, const char* initialDir,
                              const char* defExt, int maxPath)
  : Flags(flags),
    Error(0),
    FileName(nullptr),
    Filter(nullptr),
    CustomFilter(customFilter),
    FilterIndex(0),
    InitialDir(initialDir),
    DefExt(defExt),
    MaxPath(maxPath > 0 ? maxPath : DefaultMaxPath)
{
  std::unique_ptr<char[]> name(new char[MaxPath]());
  SetFilter(filter);
  FileName = name.release();
}

TOpenSaveDialog::TData::TData(const TData& other)
  : Flags(other.Flags),
    Error(0),
    FileName(nullptr),
    Filter(nullptr),
    CustomFilter(other.CustomFilter),
    FilterIndex(other.FilterIndex),
    InitialDir(other.InitialDir),
    DefExt(other.DefExt),
    MaxPath(other.MaxPath)
{
  std::unique_ptr<char[]> name = CopyBytes(other.FileName, MaxPath);
  Filter = CopyList(other.Filter).release();
  FileName = name.release();
}

TOpenSaveDialog::TData& TOpenSaveDialog::TData::operator=(const TData& other)
{
  TData copy(other);
  Swap(copy);
  return *this;
}

TOpenSaveDialog::TData::~TData()
{
  delete[] FileName;
  delete[] Filter;
}

void TOpenSaveDialog::TData::Swap(TData& other)
{
  std::swap(Flags, other.Flags);
  std::swap(Error, other.Error);
  std::swap(FileName, other.FileName);
  std::swap(Filter, other.Filter);
  std::swap(CustomFilter, other.CustomFilter);
  std::swap(FilterIndex, other.FilterIndex);
  std::swap(InitialDir, other.InitialDir);
  std::swap(DefExt, other.DefExt);
  std::swap(MaxPath, other.MaxPath);
}

void TOpenSaveDialog::TData::SetFilter(const char* filter)
{
  if (filter) {
    std::unique_ptr<char[]> copy;
    if (FindBar(filter)) {
      // The text, its NUL, and one more NUL that ends the list.
      const std::size_t length = std::strlen(filter);
      copy.reset(new char[length + 2]);
      std::memcpy(copy.get(), filter, length + 1);
      copy[length + 1] = '\0';
    } else {
      copy = CopyList(filter);
    }
    delete[] Filter;
    Filter = copy.release();
  }
  if (!Filter)
    return;
  for (char* p = Filter; *p;) {
    char* next = ::CharNextA(p);
    if (*p == '|')
      *p = '\0';
    p = next;
  }
}

// --------------------------------------------------------- TOpenSaveDialog

TOpenSaveDialog::TOpenSaveDialog(TWindow* parent, TData& data, TResId templateId, const char* title, TModule* module)
  : TCommonDialog(parent, title, module), Ofn(), Data(data)
{
  ShareViolationMessage();
  Ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  Ofn.hwndOwner = GetParentH();
  Ofn.hInstance = *Module;
  Ofn.Flags = Data.Flags | OFN_ENABLEHOOK;
  if (templateId.IsNull()) {
    Ofn.Flags &= ~OFN_ENABLETEMPLATE;
  } else {
    Ofn.lpTemplateName = templateId;
    Ofn.Flags |= OFN_ENABLETEMPLATE;
  }
  Ofn.lpstrFilter = Data.Filter;
  Ofn.nFilterIndex = Data.FilterIndex;
  Ofn.lpstrFile = Data.FileName;
  Ofn.nMaxFile = static_cast<DWORD>(Data.MaxPath);
  Ofn.lpstrInitialDir = Data.InitialDir;
  Ofn.lpstrDefExt = Data.DefExt;
  Ofn.lpstrTitle = title;
}

UINT TOpenSaveDialog::ShareViolationMessage()
{
  static const UINT message = ::RegisterWindowMessageA(SHAREVISTRINGA);
  return message;
}

INT_PTR TOpenSaveDialog::DialogFunction(UINT msg, WPARAM wParam, LPARAM lParam)
{
  const INT_PTR answer = TDialog::DialogFunction(msg, wParam, lParam);
  return !answer && msg == ShareViolationMessage() ? ShareViolation() : answer;
}

int TOpenSaveDialog::ShareViolation()
{
  return OFN_SHAREWARN;
}

int TOpenSaveDialog::RunBox(BOOL(WINAPI* box)(LPOPENFILENAMEA))
{
  Ofn.lpfnHook = OpenSaveHook;
  // The data block's own buffers may have been replaced (by assignment)
  // since the dialog was made.
  Ofn.lpstrFilter = Data.Filter;
  Ofn.lpstrFile = Data.FileName;
  Ofn.nMaxFile = static_cast<DWORD>(Data.MaxPath);
  if (box(&Ofn)) {
    Data.Flags = Ofn.Flags;
    Data.Error = 0;
    return IDOK;
  }
  Data.Error = ::CommDlgExtendedError();
  return IDCANCEL;
}

// ------------------------------------------------------ open and save boxes

TFileOpenDialog::TFileOpenDialog(TWindow* parent, TData& data, TResId templateId, const char* title, TModule* module)
  : TOpenSaveDialog(parent, data, templateId, title, module)
{
}

int TFileOpenDialog::DoExecute()
{
  return RunBox(::GetOpenFileNameA);
}

TFileSaveDialog::TFileSaveDialog(TWindow* parent, TData& data, TResId templateId, const char* title, TModule* module)
  : TOpenSaveDialog(parent, data, templateId, title, module)
{
}

int TFileSaveDialog::DoExecute()
{
  return RunBox(::GetSaveFileNameA);
}
