// The file-name picker, its button and its open dialog.
#include "GetFilenameControl.h"

#include "resource.h"

IMPLEMENT_DYNAMIC(CGetFileNameDialog, CFileDialogEx)
IMPLEMENT_DYNAMIC(CModifyButtonForFilename, CModifyButton)
IMPLEMENT_DYNAMIC(CGetFilenameControl, CEdit)

BOOL CGetFileNameDialog::OnInitDialog() {
  CString ok;
  ok.LoadString(IDS_OK);
  ::SetDlgItemTextA(m_hWnd, IDOK, ok);
  return CFileDialogEx::OnInitDialog();
}

BOOL CGetFileNameDialog::OnFileNameOK() {
  if (!(m_ofn.Flags & OFN_OVERWRITEPROMPT)) return FALSE;
  // An open dialog does not ask by itself.
  CString path = GetPathName();
  if (::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return FALSE;
  CString prompt;
  AfxFormatString1(prompt, IDS_FILE_EXISTS, path);
  return AfxMessageBox(prompt, MB_YESNO | MB_ICONEXCLAMATION) != IDYES;
}

void CModifyButtonForFilename::OnPressed() { static_cast<CGetFilenameControl*>(m_pOwner)->ChooseIntoEdit(); }

BOOL CGetFilenameControl::SubclassEdit(UINT nID, CWnd* pParent, DWORD dwFlags, LPCSTR lpszDefExt,
                                       LPCSTR lpszFilter) {
  if (!AttachPickerEdit(this, nID, pParent)) return FALSE;
  m_dwFlags = dwFlags;
  m_strDefExt = lpszDefExt;
  m_strFilter = lpszFilter;
  return m_button.Create(this);
}

void CGetFilenameControl::ChooseIntoEdit() {
  CString current;
  GetWindowText(current);
  if (::GetFileAttributesA(current) == INVALID_FILE_ATTRIBUTES) current.Empty();
  DWORD flags = OFN_HIDEREADONLY;
  if (m_dwFlags & kFilenameMustExist) flags |= OFN_FILEMUSTEXIST;
  if (m_dwFlags & kFilenameOverwritePrompt) flags |= OFN_OVERWRITEPROMPT;
  CGetFileNameDialog dlg(m_strDefExt.IsEmpty() ? nullptr : static_cast<LPCSTR>(m_strDefExt), current, flags,
                         m_strFilter.IsEmpty() ? nullptr : static_cast<LPCSTR>(m_strFilter), GetParent());
  if (m_dwFlags & kFilenameOldStyle) dlg.m_ofn.Flags &= ~OFN_EXPLORER;
  if (dlg.DoModal() == IDOK) SetWindowText(dlg.GetPathName());
}
