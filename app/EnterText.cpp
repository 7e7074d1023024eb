// The text entry dialog.
#include "EnterText.h"

#include "resource.h"

IMPLEMENT_DYNAMIC(CEnterText, CDialog)

CEnterText::CEnterText(CWnd* pParentWnd) : CDialog(IDD_ENTERTEXT, pParentWnd) {}

BOOL CEnterText::OnInitDialog() {
  CDialog::OnInitDialog();
  // EM_LIMITTEXT with 0 lifts the limit, as a length of 0 means.
  SendDlgItemMessage(IDC_ENTER_TEXT, EM_LIMITTEXT, m_nMaxLength, 0);
  return TRUE;
}

void CEnterText::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_ENTER_CAPTION, m_strCaption);
  DDX_Text(pDX, IDC_ENTER_TEXT, m_strText);
}

void CEnterText::OnOK() {
  if (!UpdateData(TRUE)) return;
  m_strText.TrimLeft();
  m_strText.TrimRight();
  if (m_strText.IsEmpty()) {
    GetDlgItem(IDC_ENTER_TEXT)->SetFocus();
    return;
  }
  EndDialog(IDOK);
}
