// The result dialogs of the length and area tools: the measured values in true millimetres,
// shown in a unit the user picks from the list (which starts at the setting "Unit" and changes
// only the display).
#pragma once

#include "FrameworkWin.h"

class CMeasureResultDlg : public CDialog {
 public:
  // The "Length" dialog.
  CMeasureResultDlg(double dLengthMm, CWnd* pParent);
  // The "Area" dialog: the area in square millimetres and the perimeter in millimetres.
  CMeasureResultDlg(double dAreaMm2, double dPerimeterMm, CWnd* pParent);

  BOOL OnInitDialog() override;
  void OnUnitChange();

  DECLARE_MESSAGE_MAP()

 private:
  void ShowValues();

  BOOL m_bArea;
  double m_dArea;
  double m_dLength;
  int m_nUnit;
};
