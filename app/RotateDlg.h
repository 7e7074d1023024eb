// CRotate: the "Rotate raster" dialog. It takes an angle in hundredths of a degree, offers the
// quarter turns and a free angle in degrees, and gives back the angle chosen.
// Not for: turning the raster (the document does that with the angle this dialog returns).
#pragma once

#include "FrameworkWin.h"

class CRotate : public CDialog {
  DECLARE_DYNAMIC(CRotate)
 public:
  explicit CRotate(CWnd* pParentWnd = nullptr);

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnChoiceClicked();

  int m_nAngle = 0;  // hundredths of a degree, in and out

  DECLARE_MESSAGE_MAP()

 private:
  // The free angle's edit is usable only while "Free" is chosen.
  void EnableFreeAngle();
  int m_nChoice = 0;
};
