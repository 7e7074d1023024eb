// CFileDialogEx: the program's file dialog. It hands the system the file-name record in the larger
// layout of newer systems where the system takes it, and keeps the framework's record in the
// older layout in step with it. COldFileDirDialog turns the old-style file dialog into a folder
// chooser, and ChooseFolder picks a folder through the shell's folder browser or, where that is
// missing or not wanted, through it.
#pragma once

#include <cstddef>

#include "FrameworkWin.h"

class CFileDialogEx : public CFileDialog {
  DECLARE_DYNAMIC(CFileDialogEx)
 public:
  explicit CFileDialogEx(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr)
      : CFileDialog(bOpenFileDialog, lpszDefExt, lpszFileName, dwFlags, lpszFilter, pParentWnd) {}

  // Runs the system's dialog on the larger record; IDOK when a file was chosen, else IDCANCEL.
  INT_PTR DoModal() override;
  // Brings the record the system fills up to date before the framework's handling.
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

  // The size of the record in the older layout, which m_ofn keeps.
  static constexpr DWORD kOldRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);

 protected:
  OPENFILENAMEA m_ofnEx = {};  // the record the system is given while the dialog runs
};

// A folder chooser made of the old-style open dialog: the file list and the type controls are
// hidden, the name box holds a dummy name, and the chosen folder is the path without it.
class COldFileDirDialog : public CFileDialogEx {
  DECLARE_DYNAMIC(COldFileDirDialog)
 public:
  COldFileDirDialog(LPCSTR lpszInitialDir, CWnd* pParentWnd);
  // After IDOK: the folder the user was in.
  CString GetFolder() const;

  BOOL OnInitDialog() override;
  void OnPaint();
  DECLARE_MESSAGE_MAP()

 private:
  CString m_strInitialDir;
  BOOL m_bFirstPaint = TRUE;  // the focus goes to the folder list once the dialog shows
};

// Flag bit 0 of ChooseFolder: the old-style chooser even where the shell's browser exists.
const DWORD kChooseFolderOldStyle = 1;

// Lets the user choose a folder, starting at rPath; TRUE with the chosen folder in rPath, FALSE
// (rPath unchanged) when the user cancelled.
BOOL ChooseFolder(CString& rPath, CWnd* pParentWnd, DWORD dwFlags, LPCSTR lpszTitle);
