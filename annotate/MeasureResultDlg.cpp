// The length and area result dialogs.
#include "MeasureResultDlg.h"

#include "AnnResource.h"
#include "Units.h"

BEGIN_MESSAGE_MAP(CMeasureResultDlg, CDialog)
  ON_CBN_SELCHANGE(IDC_ANN_UNIT, OnUnitChange)
END_MESSAGE_MAP()

CMeasureResultDlg::CMeasureResultDlg(double dLengthMm, CWnd* pParent)
    : CDialog(IDD_ANN_LENGTH, pParent), m_bArea(FALSE), m_dArea(0.0), m_dLength(dLengthMm),
      m_nUnit(GetUnitSettings().GetUnit()) {}

CMeasureResultDlg::CMeasureResultDlg(double dAreaMm2, double dPerimeterMm, CWnd* pParent)
    : CDialog(IDD_ANN_AREA, pParent), m_bArea(TRUE), m_dArea(dAreaMm2), m_dLength(dPerimeterMm),
      m_nUnit(GetUnitSettings().GetUnit()) {}

BOOL CMeasureResultDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const CString names = GetUnitNames();
  int nStart = 0;
  for (int nEnd = names.Find('|'); nEnd >= 0; nStart = nEnd + 1, nEnd = names.Find('|', nStart))
    ::SendDlgItemMessageA(m_hWnd, IDC_ANN_UNIT, CB_ADDSTRING, 0, (LPARAM)(LPCSTR)names.Mid(nStart, nEnd - nStart));
  ::SendDlgItemMessageA(m_hWnd, IDC_ANN_UNIT, CB_SETCURSEL, (WPARAM)m_nUnit, 0);
  ShowValues();
  return TRUE;
}

void CMeasureResultDlg::OnUnitChange() {
  const int nUnit = (int)::SendDlgItemMessageA(m_hWnd, IDC_ANN_UNIT, CB_GETCURSEL, 0, 0);
  if (nUnit < 0) return;
  m_nUnit = nUnit;
  ShowValues();
}

void CMeasureResultDlg::ShowValues() {
  if (m_bArea) {
    ::SetDlgItemTextA(m_hWnd, IDC_ANN_AREA_TEXT, FormatArea(m_dArea, m_nUnit));
    ::SetDlgItemTextA(m_hWnd, IDC_ANN_PERIMETER_TEXT, FormatLength(m_dLength, TRUE, m_nUnit));
  } else {
    ::SetDlgItemTextA(m_hWnd, IDC_ANN_LENGTH_TEXT, FormatLength(m_dLength, TRUE, m_nUnit));
  }
}
