// The folder picker of the settings pages: a read-only edit control that gets a "..." button at
// its right; the button lets the user choose a folder and writes it into the edit.
// CModifyButton is that button, shared with the file-name picker (GetFilenameControl.h).
#pragma once

#include "FrameworkWin.h"

class CModifyButton : public CButton {
  DECLARE_DYNAMIC(CModifyButton)
 public:
  // Makes the button right of the edit control: as high as the edit, a quarter of its width,
  // caption string 6, with the font of the edit's parent.
  BOOL Create(CEdit* pOwner);

  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  // The button was pressed: a folder for the folder picker.
  virtual void OnPressed();

  CEdit* m_pOwner = nullptr;  // borrowed: the picker's edit control, which owns this button
  CToolTipCtrl m_tip;         // shows the edit's whole text, which the edit may cut off
  BOOL m_bTipNotCreated = TRUE;
};

class CGetFolderControl : public CEdit {
  DECLARE_DYNAMIC(CGetFolderControl)
 public:
  // Attaches the edit control nID of pParent (it must be read-only) and makes its button.
  BOOL SubclassEdit(UINT nID, CWnd* pParent, DWORD dwFlags, LPCSTR lpszTitle);
  // Lets the user choose a folder starting at the edit's text; the choice goes into the edit.
  void ChooseIntoEdit();

  DWORD m_dwFlags = 0;  // ChooseFolder's flags
  CString m_strTitle;   // the folder browser's title
  CModifyButton m_button;
};

// On the first exchange, makes the edit control nIDC of the dialog a folder picker; a control
// that cannot be one throws the framework's not-supported exception.
void DDX_FolderControl(CDataExchange* pDX, int nIDC, CGetFolderControl& rControl, DWORD dwFlags, LPCSTR lpszTitle);

// Attaches the read-only edit control nID of pParent to pEdit; FALSE for a missing or writable
// control. Shared by the two pickers.
BOOL AttachPickerEdit(CEdit* pEdit, UINT nID, CWnd* pParent);
