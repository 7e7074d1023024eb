// The rotate dialog: the four choices, the free angle's edit, and the angle they stand for.
#include "RotateDlg.h"

#include "model/RasterDlgModel.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CRotate, CDialog)

BEGIN_MESSAGE_MAP(CRotate, CDialog)
  ON_BN_CLICKED(IDC_ROTATE_90, OnChoiceClicked)
  ON_BN_CLICKED(IDC_ROTATE_180, OnChoiceClicked)
  ON_BN_CLICKED(IDC_ROTATE_270, OnChoiceClicked)
  ON_BN_CLICKED(IDC_ROTATE_FREE, OnChoiceClicked)
END_MESSAGE_MAP()

CRotate::CRotate(CWnd* pParentWnd) : CDialog(IDD_ROTATE, pParentWnd) {}

BOOL CRotate::OnInitDialog() {
  m_nChoice = RotateChoiceOfAngle(m_nAngle);
  CDialog::OnInitDialog();
  SetDlgItemText(IDC_ROTATE_ANGLE, RotateAngleText(m_nAngle));
  EnableFreeAngle();
  // FALSE: the focus was set here when the edit took it.
  return m_nChoice != kRotateFree;
}

void CRotate::DoDataExchange(CDataExchange* pDX) {
  DDX_Radio(pDX, IDC_ROTATE_90, m_nChoice);
  if (!pDX->m_bSaveAndValidate) return;
  double degrees = 0.0;
  if (m_nChoice == kRotateFree) {
    DDX_Text(pDX, IDC_ROTATE_ANGLE, degrees);
    DDV_MinMaxDouble(pDX, degrees, kRotateFreeMin, kRotateFreeMax);
  }
  m_nAngle = RotateAngleOfChoice(m_nChoice, degrees);
}

void CRotate::OnChoiceClicked() { EnableFreeAngle(); }

void CRotate::EnableFreeAngle() {
  CWnd* edit = GetDlgItem(IDC_ROTATE_ANGLE);
  if (!edit) return;
  const BOOL free = IsDlgButtonChecked(IDC_ROTATE_FREE) == BST_CHECKED;
  edit->EnableWindow(free);
  if (free) GotoDlgCtrl(edit);  // focuses the edit and selects its text
}
