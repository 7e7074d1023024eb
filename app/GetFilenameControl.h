// The file-name picker of the settings pages: a read-only edit control with a "..." button that
// opens the program's open dialog and writes the chosen file's full path into the edit.
#pragma once

#include "FileDialogEx.h"
#include "GetFolderControl.h"

// Flag bits of the file-name picker.
const DWORD kFilenameOverwritePrompt = 1;  // ask before taking a file that exists
const DWORD kFilenameMustExist = 2;        // only existing files
const DWORD kFilenameOldStyle = 4;         // the old-style dialog

// The picker's open dialog: the OK button says "OK" (string 2), and with OFN_OVERWRITEPROMPT
// an existing file is taken only after the user agreed to replace it (string 4), in both styles.
class CGetFileNameDialog : public CFileDialogEx {
  DECLARE_DYNAMIC(CGetFileNameDialog)
 public:
  CGetFileNameDialog(LPCSTR lpszDefExt, LPCSTR lpszFileName, DWORD dwFlags, LPCSTR lpszFilter, CWnd* pParentWnd)
      : CFileDialogEx(TRUE, lpszDefExt, lpszFileName, dwFlags, lpszFilter, pParentWnd) {}

  BOOL OnInitDialog() override;
  BOOL OnFileNameOK() override;
};

class CModifyButtonForFilename : public CModifyButton {
  DECLARE_DYNAMIC(CModifyButtonForFilename)
 protected:
  void OnPressed() override;
};

class CGetFilenameControl : public CEdit {
  DECLARE_DYNAMIC(CGetFilenameControl)
 public:
  // Attaches the edit control nID of pParent (it must be read-only) and makes its button;
  // lpszFilter in the file dialog's "text|pattern|...||" form.
  BOOL SubclassEdit(UINT nID, CWnd* pParent, DWORD dwFlags, LPCSTR lpszDefExt, LPCSTR lpszFilter);
  // Lets the user choose a file, starting at the edit's file when it exists; the full path
  // of the choice goes into the edit.
  void ChooseIntoEdit();

  DWORD m_dwFlags = 0;
  CString m_strDefExt;
  CString m_strFilter;
  CModifyButtonForFilename m_button;
};
