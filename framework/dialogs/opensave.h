// The platform's file open and save boxes, run on a data block that the caller
// keeps between runs (flags, file name, filter, initial directory).
#pragma once

#include "framework/dialogs/commondialog.h"

#include <commdlg.h>
#include <cderr.h>

class TOpenSaveDialog : public TCommonDialog {
public:
  class TData {
  public:
    // filter: "text|pattern|..." with bars, or a list of NUL-terminated texts
    // ended by an empty text. initialDir, defExt and customFilter stay the
    // caller's and are read at each run. maxPath 0 means 260.
    TData(DWORD flags = 0, const char* filter = nullptr, char* customFilter = nullptr, const char* initialDir = nullptr,
          const char* defExt = nullptr, int maxPath = 0);
    TData(const TData& other);
    TData& operator=(const TData& other);
    ~TData();

    // Stores a copy of filter as a NUL-separated list (null: converts the
    // filter already stored). A bar is a separator only as a character of its
    // own, never as the second byte of a double-byte character.
    void SetFilter(const char* filter = nullptr);

    DWORD Flags;     // in: OFN_ flags; out: the flags the box returned
    DWORD Error;     // 0 after success or cancel, else the box's extended error
    char* FileName;  // MaxPath bytes; in: initial name, out: chosen path
    char* Filter;
    char* CustomFilter;
    DWORD FilterIndex;
    const char* InitialDir;
    const char* DefExt;
    int MaxPath;

  private:
    void Swap(TData& other);
  };

  // templateId: a template of the module replacing the platform's (0: none).
  TOpenSaveDialog(TWindow* parent, TData& data, TResId templateId = 0, const char* title = nullptr,
                  TModule* module = nullptr);

  INT_PTR DialogFunction(UINT msg, WPARAM wParam, LPARAM lParam) override;

  const OPENFILENAMEA& GetOfn() const { return Ofn; }

  // The box's share-violation message, registered once per process.
  static UINT ShareViolationMessage();

protected:
  // The answer to a share violation: OFN_SHAREWARN (0) lets the box warn.
  virtual int ShareViolation();
  // Runs box (the open or the save box) and reports into Data: IDOK or IDCANCEL.
  int RunBox(BOOL(WINAPI* box)(LPOPENFILENAMEA));

  OPENFILENAMEA Ofn;
  TData& Data;
};

class TFileOpenDialog : public TOpenSaveDialog {
public:
  TFileOpenDialog(TWindow* parent, TData& data, TResId templateId = 0, const char* title = nullptr,
                  TModule* module = nullptr);
  int DoExecute() override;
};

class TFileSaveDialog : public TOpenSaveDialog {
public:
  TFileSaveDialog(TWindow* parent, TData& data, TResId templateId = 0, const char* title = nullptr,
                  TModule* module = nullptr);
  int DoExecute() override;
};
