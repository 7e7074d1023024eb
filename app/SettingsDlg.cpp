// The settings sheet: four pages over copies of the settings, their checks, and the copies in and
// out of the settings record.
#include "SettingsDlg.h"

#include "GetFilenameControl.h"

#include "model/Config.h"
#include "resource.h"

namespace {

// The ranges the pages accept.
const int kPaperHeadMin = 0, kPaperHeadMax = 9999;
const int kDpiMin = 10, kDpiMax = 1200;
const int kPaperWidthMin = 1, kPaperWidthMax = 3000;
const int kLaunchAppMaxChars = 300;

void SpinRange(CWnd* page, int nSpin, int nMin, int nMax, int nPos) {
  HWND spin = ::GetDlgItem(page->m_hWnd, nSpin);
  if (!spin) return;
  ::SendMessageA(spin, UDM_SETRANGE, 0, MAKELPARAM(nMax, nMin));
  ::SendMessageA(spin, UDM_SETPOS, 0, MAKELPARAM(nPos, 0));
}

void EnableControls(CWnd* page, BOOL bEnable, int nFirst, int nSecond) {
  for (int id : {nFirst, nSecond}) {
    if (CWnd* w = page->GetDlgItem(id)) w->EnableWindow(bEnable);
  }
}

// The command line with its program (the first word, or the first quoted part) replaced by
// the program at sProgram.
CString ReplaceProgram(const CString& sCommandLine, const CString& sProgram) {
  CString line = sCommandLine;
  line.TrimLeft();
  int end = line.IsEmpty() ? -1 : line[0] == '"' ? line.Find('"', 1) : line.Find(' ');
  CString arguments = end < 0 ? CString() : line.Mid(line[0] == '"' ? end + 1 : end);
  CString program = sProgram.Find(' ') >= 0 ? "\"" + sProgram + "\"" : sProgram;
  return program + arguments;
}

}  // namespace

// --- page 1: general --------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CSettingsPage1, CPropertyPage)

CSettingsPage1::CSettingsPage1() : CPropertyPage(IDD_SETTINGS_GENERAL) {}

void CSettingsPage1::DoDataExchange(CDataExchange* pDX) {
  DDX_Check(pDX, IDC_SET1_ROTATECALS, m_nRotateCals);
  DDX_Check(pDX, IDC_SET1_SHOWREDLINE, m_nShowRedline);
  DDX_Check(pDX, IDC_SET1_DECIMALS, m_nDecimals);
  DDX_CBIndex(pDX, IDC_SET1_ALIAS, m_nAlias);
  DDX_CBIndex(pDX, IDC_SET1_VIEWDWG, m_nViewDwg);
  DDX_Text(pDX, IDC_SET1_LEFT, m_nLeft);
  DDV_MinMaxInt(pDX, m_nLeft, kPaperHeadMin, kPaperHeadMax);
  DDX_Text(pDX, IDC_SET1_TOP, m_nTop);
  DDV_MinMaxInt(pDX, m_nTop, kPaperHeadMin, kPaperHeadMax);
  DDX_CBIndex(pDX, IDC_SET1_UNIT, m_nUnit);
  DDX_Check(pDX, IDC_SET1_USEREDLINEDIR, m_nUseRedlineDir);
  CString title;
  title.LoadString(IDS_SELECT_FOLDER);
  DDX_FolderControl(pDX, IDC_SET1_REDLINEDIR, m_redlineDirPicker, 0, title);
  DDX_Text(pDX, IDC_SET1_REDLINEDIR, m_strRedlineDir);
  DDX_Check(pDX, IDC_SET1_USEQUICKVIEW, m_nUseQuickView);
}

// --- page 2: raster printer -------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CSettingsPage2, CPropertyPage)

BEGIN_MESSAGE_MAP(CSettingsPage2, CPropertyPage)
  ON_BN_CLICKED(IDC_SET2_ALLOWDPI, OnCheckClicked)
  ON_BN_CLICKED(IDC_SET2_FORCEDPI, OnCheckClicked)
  ON_BN_CLICKED(IDC_SET2_USEPRIM, OnCheckClicked)
  ON_BN_CLICKED(IDC_SET2_USESND, OnCheckClicked)
END_MESSAGE_MAP()

CSettingsPage2::CSettingsPage2() : CPropertyPage(IDD_SETTINGS_PRINTER) {}

BOOL CSettingsPage2::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  SpinRange(this, IDC_SET2_DPI_SPIN, kDpiMin, kDpiMax, m_nDpi);
  SpinRange(this, IDC_SET2_DPI2_SPIN, kDpiMin, kDpiMax, m_nDpi2);
  SpinRange(this, IDC_SET2_PRIM_SPIN, kPaperWidthMin, kPaperWidthMax, m_nPrim);
  SpinRange(this, IDC_SET2_SND_SPIN, kPaperWidthMin, kPaperWidthMax, m_nSnd);
  EnableNumbers();
  return TRUE;
}

void CSettingsPage2::DoDataExchange(CDataExchange* pDX) {
  DDX_Check(pDX, IDC_SET2_ALLOWDPI, m_nAllowDpi);
  DDX_Text(pDX, IDC_SET2_DPI, m_nDpi);
  DDV_MinMaxInt(pDX, m_nDpi, kDpiMin, kDpiMax);
  DDX_Check(pDX, IDC_SET2_FORCEDPI, m_nForceDpi);
  DDX_CBIndex(pDX, IDC_SET2_FORMAT, m_nFormat);
  DDX_CBIndex(pDX, IDC_SET2_PORT, m_nPort);
  DDX_Check(pDX, IDC_SET2_USEPRIM, m_nUsePrim);
  DDX_Check(pDX, IDC_SET2_USESND, m_nUseSnd);
  DDX_Text(pDX, IDC_SET2_DPI2, m_nDpi2);
  DDV_MinMaxInt(pDX, m_nDpi2, kDpiMin, kDpiMax);
  DDX_Text(pDX, IDC_SET2_PRIM, m_nPrim);
  DDV_MinMaxInt(pDX, m_nPrim, kPaperWidthMin, kPaperWidthMax);
  DDX_Text(pDX, IDC_SET2_SND, m_nSnd);
  DDV_MinMaxInt(pDX, m_nSnd, kPaperWidthMin, kPaperWidthMax);
  DDX_Check(pDX, IDC_SET2_SWCOPIES, m_nSWCopies);
}

void CSettingsPage2::OnCheckClicked() { EnableNumbers(); }

void CSettingsPage2::EnableNumbers() {
  auto checked = [this](int id) { return IsDlgButtonChecked(id) == BST_CHECKED; };
  EnableControls(this, checked(IDC_SET2_FORCEDPI), IDC_SET2_DPI, IDC_SET2_DPI_SPIN);
  EnableControls(this, checked(IDC_SET2_ALLOWDPI), IDC_SET2_DPI2, IDC_SET2_DPI2_SPIN);
  EnableControls(this, checked(IDC_SET2_USEPRIM), IDC_SET2_PRIM, IDC_SET2_PRIM_SPIN);
  EnableControls(this, checked(IDC_SET2_USESND), IDC_SET2_SND, IDC_SET2_SND_SPIN);
}

// --- page 3: large format scanner ------------------------------------------------------------

IMPLEMENT_DYNAMIC(CSettingsPage3, CPropertyPage)

CSettingsPage3::CSettingsPage3() : CPropertyPage(IDD_SETTINGS_SCANNER) {}

void CSettingsPage3::DoDataExchange(CDataExchange* pDX) { DDX_CBIndex(pDX, IDC_SET3_SCANNER, m_nScanner); }

// --- page 4: DWG/DXF and the launched application ----------------------------------------------

IMPLEMENT_DYNAMIC(CSettingsPage4, CPropertyPage)

CSettingsPage4::CSettingsPage4() : CPropertyPage(IDD_SETTINGS_DWG) {}

void CSettingsPage4::DoDataExchange(CDataExchange* pDX) {
  CString title;
  title.LoadString(IDS_SELECT_FOLDER);
  DDX_FolderControl(pDX, IDC_SET4_SHXDIR, m_shxDirPicker, 0, title);
  DDX_Text(pDX, IDC_SET4_SHXDIR, m_strSHXDir);
  DDX_Check(pDX, IDC_SET4_USESHX, m_nUseShx);
  DDX_Check(pDX, IDC_SET4_XREFWARNING, m_nXrefMissingWarning);
  DDX_Check(pDX, IDC_SET4_XREFTEXT, m_nXrefShowText);
  DDX_Text(pDX, IDC_SET4_LAUNCHAPP, m_strLaunchApp);
  DDV_MaxChars(pDX, m_strLaunchApp, kLaunchAppMaxChars);
  if (!m_launchAppEdit.m_hWnd) {
    DDX_Control(pDX, IDC_SET4_LAUNCHAPP, m_launchAppEdit);
    if (!m_launchAppButton.Create(&m_launchAppEdit)) AfxThrowNotSupportedException();
  }
}

IMPLEMENT_DYNAMIC(CLaunchAppButton, CModifyButton)

void CLaunchAppButton::OnPressed() {
  CString line;
  m_pOwner->GetWindowText(line);
  CString title, filter;
  title.LoadString(IDS_SELECT_LAUNCHAPP);
  filter.LoadString(IDS_LAUNCHAPP_FILTER);
  CGetFileNameDialog dlg("exe", nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, filter, m_pOwner->GetParent());
  dlg.m_ofn.lpstrTitle = title;
  if (dlg.DoModal() == IDOK) m_pOwner->SetWindowText(ReplaceProgram(line, dlg.GetPathName()));
}

// --- the sheet ----------------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CSettingsDlg, CPropertySheet)

CSettingsDlg::CSettingsDlg(CWnd* pParentWnd) : CPropertySheet(IDS_SETTINGS, pParentWnd) {
  AddPage(&m_page1);
  AddPage(&m_page2);
  AddPage(&m_page3);
  AddPage(&m_page4);
}

void CSettingsDlg::Load(const CConfig& c) {
  m_page1.m_nRotateCals = c.m_nRotateCals;
  m_page1.m_nShowRedline = c.m_nShowRedline;
  m_page1.m_nDecimals = c.m_nDecimals;
  m_page1.m_nAlias = c.m_nAlias;
  m_page1.m_nViewDwg = c.m_nViewDwg;
  m_page1.m_nLeft = c.m_nPaperLeft;
  m_page1.m_nTop = c.m_nPaperTop;
  m_page1.m_nUnit = c.m_nUnit;
  m_page1.m_nUseRedlineDir = c.m_nUseRedlineDir;
  m_page1.m_strRedlineDir = c.m_strRedlineDir;
  m_page1.m_nUseQuickView = c.m_nUseQuickView;

  m_page2.m_nAllowDpi = c.m_nAllowDpi;
  m_page2.m_nDpi = c.m_nDpi;
  m_page2.m_nForceDpi = c.m_nForceDpi;
  m_page2.m_nFormat = c.m_nRasterFormat;
  m_page2.m_nPort = c.m_nRasterPort;
  m_page2.m_nUsePrim = c.m_nUsePrim;
  m_page2.m_nUseSnd = c.m_nUseSnd;
  m_page2.m_nDpi2 = c.m_nDpi2;
  m_page2.m_nPrim = c.m_nPrim;
  m_page2.m_nSnd = c.m_nSnd;
  m_page2.m_nSWCopies = c.m_nSWCopies;

  m_page3.m_nScanner = c.m_nScanner;

  m_page4.m_strSHXDir = c.m_strSHXDir;
  m_page4.m_nUseShx = c.m_nUseShx;
  m_page4.m_nXrefMissingWarning = c.m_nXrefMissingWarning;
  m_page4.m_nXrefShowText = c.m_nXrefShowText;
  m_page4.m_strLaunchApp = c.m_strLaunchApp;
}

void CSettingsDlg::Store(CConfig& c) const {
  c.m_nRotateCals = m_page1.m_nRotateCals;
  c.m_nShowRedline = m_page1.m_nShowRedline;
  c.m_nDecimals = m_page1.m_nDecimals;
  c.m_nAlias = m_page1.m_nAlias;
  c.m_nViewDwg = m_page1.m_nViewDwg;
  c.m_nPaperLeft = m_page1.m_nLeft;
  c.m_nPaperTop = m_page1.m_nTop;
  c.m_nUnit = m_page1.m_nUnit;
  c.m_nUseRedlineDir = m_page1.m_nUseRedlineDir;
  c.m_strRedlineDir = ApplyDirectoryRule(m_page1.m_strRedlineDir);
  c.m_nUseQuickView = m_page1.m_nUseQuickView;

  c.m_nAllowDpi = m_page2.m_nAllowDpi;
  c.m_nDpi = m_page2.m_nDpi;
  c.m_nForceDpi = m_page2.m_nForceDpi;
  c.m_nRasterFormat = m_page2.m_nFormat;
  c.m_nRasterPort = m_page2.m_nPort;
  c.m_nUsePrim = m_page2.m_nUsePrim;
  c.m_nUseSnd = m_page2.m_nUseSnd;
  c.m_nDpi2 = m_page2.m_nDpi2;
  c.m_nPrim = m_page2.m_nPrim;
  c.m_nSnd = m_page2.m_nSnd;
  c.m_nSWCopies = m_page2.m_nSWCopies;

  c.m_nScanner = m_page3.m_nScanner;

  c.m_strSHXDir = ApplyDirectoryRule(m_page4.m_strSHXDir);
  c.m_nUseShx = m_page4.m_nUseShx;
  c.m_nXrefMissingWarning = m_page4.m_nXrefMissingWarning;
  c.m_nXrefShowText = m_page4.m_nXrefShowText;
  c.m_strLaunchApp = m_page4.m_strLaunchApp;
}
