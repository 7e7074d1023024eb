// The folder picker and its button.
#include "GetFolderControl.h"

#include "FileDialogEx.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CModifyButton, CButton)
IMPLEMENT_DYNAMIC(CGetFolderControl, CEdit)

BOOL CModifyButton::Create(CEdit* pOwner) {
  m_pOwner = pOwner;
  CWnd* parent = pOwner->GetParent();
  CRect edit;
  pOwner->GetWindowRect(&edit);
  parent->ScreenToClient(&edit);
  CRect rect(edit.right, edit.top, edit.right + edit.Width() / 4, edit.bottom);
  CString caption;
  caption.LoadString(IDS_BROWSE);
  if (!CButton::Create(caption, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, rect, parent, 0xFFFF)) return FALSE;
  SetFont(parent->GetFont());
  return TRUE;
}

BOOL CModifyButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM, LRESULT*) {
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  OnPressed();
  return TRUE;
}

LRESULT CModifyButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // The tip needs the button's window, so it is made with the first message the button gets.
  if (m_bTipNotCreated && m_hWnd && message != WM_NCDESTROY) {
    m_bTipNotCreated = FALSE;
    if (m_tip.Create(this)) m_tip.AddTool(this, "");
  }
  if (m_tip.m_hWnd && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
    CString text;
    if (m_pOwner) m_pOwner->GetWindowText(text);
    m_tip.UpdateTipText(text, this);
    MSG msg = {m_hWnd, message, wParam, lParam, 0, {0, 0}};
    m_tip.RelayEvent(&msg);
  }
  return CButton::WindowProc(message, wParam, lParam);
}

void CModifyButton::OnPressed() { static_cast<CGetFolderControl*>(m_pOwner)->ChooseIntoEdit(); }

BOOL AttachPickerEdit(CEdit* pEdit, UINT nID, CWnd* pParent) {
  HWND h = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
  if (!h || !(::GetWindowLongA(h, GWL_STYLE) & ES_READONLY)) return FALSE;
  return pEdit->SubclassWindow(h);
}

BOOL CGetFolderControl::SubclassEdit(UINT nID, CWnd* pParent, DWORD dwFlags, LPCSTR lpszTitle) {
  if (!AttachPickerEdit(this, nID, pParent)) return FALSE;
  m_dwFlags = dwFlags;
  m_strTitle = lpszTitle;
  return m_button.Create(this);
}

void CGetFolderControl::ChooseIntoEdit() {
  CString path;
  GetWindowText(path);
  if (ChooseFolder(path, GetParent(), m_dwFlags, m_strTitle)) SetWindowText(path);
}

void DDX_FolderControl(CDataExchange* pDX, int nIDC, CGetFolderControl& rControl, DWORD dwFlags, LPCSTR lpszTitle) {
  if (rControl.m_hWnd) return;
  pDX->PrepareEditCtrl(nIDC);
  if (!rControl.SubclassEdit(static_cast<UINT>(nIDC), pDX->m_pDlgWnd, dwFlags, lpszTitle))
    AfxThrowNotSupportedException();
}
