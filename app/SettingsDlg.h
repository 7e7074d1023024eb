// CSettingsDlg: the "Settings" property sheet with its four pages (general, raster printer, large
// format scanner, DWG/DXF and launch application). The pages edit copies of the settings record's
// fields; Store writes them back, which the application does only on OK.
// Not for: reading or writing the profile (the settings record does that).
#pragma once

#include "FrameworkWin.h"
#include "GetFolderControl.h"

class CConfig;

class CSettingsPage1 : public CPropertyPage {
  DECLARE_DYNAMIC(CSettingsPage1)
 public:
  CSettingsPage1();
  void DoDataExchange(CDataExchange* pDX) override;

  int m_nRotateCals = 0;
  int m_nShowRedline = 0;
  int m_nDecimals = 0;
  int m_nAlias = 0;
  int m_nViewDwg = 0;
  int m_nLeft = 0;
  int m_nTop = 0;
  int m_nUnit = 0;
  int m_nUseRedlineDir = 0;
  CString m_strRedlineDir;
  int m_nUseQuickView = 0;

  CGetFolderControl m_redlineDirPicker;
};

class CSettingsPage2 : public CPropertyPage {
  DECLARE_DYNAMIC(CSettingsPage2)
 public:
  CSettingsPage2();
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  // Each check enables the numbers it governs.
  void OnCheckClicked();

  int m_nAllowDpi = 0;
  int m_nDpi = 0;
  int m_nForceDpi = 0;
  int m_nFormat = 0;
  int m_nPort = 0;
  int m_nUsePrim = 0;
  int m_nUseSnd = 0;
  int m_nDpi2 = 0;
  int m_nPrim = 0;
  int m_nSnd = 0;
  int m_nSWCopies = 0;

  DECLARE_MESSAGE_MAP()

 private:
  void EnableNumbers();
};

class CSettingsPage3 : public CPropertyPage {
  DECLARE_DYNAMIC(CSettingsPage3)
 public:
  CSettingsPage3();
  void DoDataExchange(CDataExchange* pDX) override;

  int m_nScanner = 0;
};

// The "..." button beside the typed command line: the chosen program takes the place of the
// line's program, quoted when its path holds a blank, and the line's arguments stay.
class CLaunchAppButton : public CModifyButton {
  DECLARE_DYNAMIC(CLaunchAppButton)
 protected:
  void OnPressed() override;
};

class CSettingsPage4 : public CPropertyPage {
  DECLARE_DYNAMIC(CSettingsPage4)
 public:
  CSettingsPage4();
  void DoDataExchange(CDataExchange* pDX) override;

  CString m_strSHXDir;
  int m_nUseShx = 0;
  int m_nXrefMissingWarning = 0;
  int m_nXrefShowText = 0;
  CString m_strLaunchApp;

  CGetFolderControl m_shxDirPicker;
  CEdit m_launchAppEdit;
  CLaunchAppButton m_launchAppButton;
};

class CSettingsDlg : public CPropertySheet {
  DECLARE_DYNAMIC(CSettingsDlg)
 public:
  explicit CSettingsDlg(CWnd* pParentWnd = nullptr);

  // Copies the record's fields into the pages.
  void Load(const CConfig& config);
  // Copies the pages' values into the record; the two folders by the folder rule.
  void Store(CConfig& config) const;

  CSettingsPage1 m_page1;
  CSettingsPage2 m_page2;
  CSettingsPage3 m_page3;
  CSettingsPage4 m_page4;
};
