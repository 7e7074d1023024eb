// The "Original scale" dialog: the two numbers with their range check and the unit list.
#include "ScaleDlg.h"

#include "ScaleCheck.h"
#include "Units.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CScale, CDialog)

CScale::CScale(CWnd* pParentWnd) : CDialog(IDD_SCALE, pParentWnd) {}

BOOL CScale::OnInitDialog() {
  HWND hUnit = ::GetDlgItem(m_hWnd, IDC_SCALE_UNIT);
  if (m_nUnit >= 0) {
    const CString names = GetUnitNames();
    int nStart = 0;
    for (int nEnd = names.Find('|'); nEnd >= 0; nStart = nEnd + 1, nEnd = names.Find('|', nStart))
      ::SendMessageA(hUnit, CB_ADDSTRING, 0, (LPARAM)(LPCSTR)names.Mid(nStart, nEnd - nStart));
  } else if (hUnit) {
    // No unit to choose: the list goes and the dialog loses its height.
    RECT unit, dialog;
    ::GetWindowRect(hUnit, &unit);
    ::ShowWindow(hUnit, SW_HIDE);
    ::GetWindowRect(m_hWnd, &dialog);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, dialog.right - dialog.left,
                   (dialog.bottom - dialog.top) - (unit.bottom - unit.top), SWP_NOMOVE | SWP_NOZORDER);
  }
  return CDialog::OnInitDialog();
}

void CScale::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_SCALE_FIRST, m_dFirst);
  DDV_MinMaxDouble(pDX, m_dFirst, kMinNumber, kMaxNumber);
  DDX_Text(pDX, IDC_SCALE_SECOND, m_dSecond);
  DDV_MinMaxDouble(pDX, m_dSecond, kMinNumber, kMaxNumber);
  if (m_nUnit < 0) return;
  // A unit the list doesn't hold (a damaged side file's) shows no choice and stays as it was.
  int nUnit = m_nUnit;
  DDX_CBIndex(pDX, IDC_SCALE_UNIT, nUnit);
  if (nUnit >= 0) m_nUnit = nUnit;
}

CString CScale::GetScaleText() const { return ::GetScaleText(m_dFirst, m_dSecond, m_nUnit); }
