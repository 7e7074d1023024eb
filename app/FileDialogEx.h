// CFileDialogEx: the program's file dialog. The system's file-name structure of this build is
// already the larger layout of newer systems, so the framework's dialog runs it unchanged;
// the class is kept so the callers name one file dialog of the program.
// COldFileDirDialog is not here: folders are chosen through the shell's folder browser.
#pragma once

#include "FrameworkWin.h"

class CFileDialogEx : public CFileDialog {
  DECLARE_DYNAMIC(CFileDialogEx)
 public:
  explicit CFileDialogEx(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr)
      : CFileDialog(bOpenFileDialog, lpszDefExt, lpszFileName, dwFlags, lpszFilter, pParentWnd) {}
};
