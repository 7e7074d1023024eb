// The print options dialog: its controls, their enabling, the printer line and
// the page count.
#include "DoPrint.h"

#include "DPensize.h"
#include "VLRView.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CDoPrint, CDialog)

BEGIN_MESSAGE_MAP(CDoPrint, CDialog)
ON_COMMAND_RANGE(IDC_DOPRINT_USEHEAD, IDC_DOPRINT_OPTTEXT, OnClickedOptionRange)
ON_COMMAND_RANGE(IDC_DOPRINT_ENTIRE, IDC_DOPRINT_SELECTED, OnClickedOptionRange)
ON_COMMAND_RANGE(IDC_DOPRINT_FIT, IDC_DOPRINT_RELATION, OnClickedOptionRange)
ON_COMMAND(IDC_DOPRINT_BW, OnClickedOption)
ON_COMMAND(IDC_DOPRINT_COLOR, OnClickedOption)
ON_COMMAND(IDC_DOPRINT_PENWIDTHS, OnClickedOption)
ON_COMMAND(IDC_DOPRINT_PROPERTIES, OnProperties)
ON_COMMAND(IDC_DOPRINT_PREVIEW, OnPreview)
ON_COMMAND(IDC_DOPRINT_PENBUTTON, OnPenWidths)
END_MESSAGE_MAP()

CDoPrint::CDoPrint(BOOL bPreview, CVLRView* pView, CWnd* pParentWnd)
    : CDialog(IDD_DOPRINT, pParentWnd), m_bShowPreview(bPreview), m_pView(pView) {}

void CDoPrint::DoDataExchange(CDataExchange* pDX) {
  DDX_Radio(pDX, IDC_DOPRINT_FIT, m_nFit);
  DDX_Check(pDX, IDC_DOPRINT_USEHEAD, m_bUseHead);
  DDX_Check(pDX, IDC_DOPRINT_FILENAME, m_bFileName);
  DDX_Check(pDX, IDC_DOPRINT_SCALEINFO, m_bScaleInfo);
  DDX_Text(pDX, IDC_DOPRINT_TEXT, m_strText);
  DDV_MaxChars(pDX, m_strText, 100);
  DDX_Check(pDX, IDC_DOPRINT_TIME, m_bTime);
  DDX_Check(pDX, IDC_DOPRINT_OPTTEXT, m_bText);
  DDX_Radio(pDX, IDC_DOPRINT_ENTIRE, m_nArea);
  DDX_Text(pDX, IDC_DOPRINT_PRINTER, m_strPrinter);
  DDX_Text(pDX, IDC_DOPRINT_FIRST, m_dFirst);
  DDX_Text(pDX, IDC_DOPRINT_SECOND, m_dSecond);
  DDX_Radio(pDX, IDC_DOPRINT_BW, m_nColor);
  DDX_Check(pDX, IDC_DOPRINT_PENWIDTHS, m_bPenWidths);
  DDX_Text(pDX, IDC_DOPRINT_PAGES, m_strPages);
}

BOOL CDoPrint::OnInitDialog() {
  CDialog::OnInitDialog();
  UpdatePrinter();
  if (!m_bShowPreview) {
    for (int id : {IDC_DOPRINT_PAGES, IDC_DOPRINT_PAGES_LABEL, IDC_DOPRINT_PREVIEW})
      if (CWnd* w = GetDlgItem(id)) w->ShowWindow(SW_HIDE);
  }
  EnableControls();
  if (m_bShowPreview) UpdatePageCount();
  return TRUE;
}

void CDoPrint::UpdatePrinter() {
  CWinApp* app = AfxGetApp();
  PRINTDLGA pd = {};
  pd.lStructSize = sizeof pd;
  short orientation = DMORIENT_PORTRAIT;
  m_strPrinter.Empty();
  if (app && app->GetPrinterDeviceDefaults(&pd)) {
    CPrintDialog names(FALSE);
    names.m_pd.hDevNames = pd.hDevNames;
    names.m_pd.hDevMode = pd.hDevMode;
    AfxFormatString2(m_strPrinter, IDS_PRINTER_ON_PORT, names.GetDeviceName(), names.GetPortName());
    if (const DEVMODEA* dm = names.GetDevMode()) {
      orientation = dm->dmOrientation;
      ::GlobalUnlock(pd.hDevMode);
    }
    // The handles stay the application's.
    names.m_pd.hDevNames = names.m_pd.hDevMode = nullptr;
  }
  SetDlgItemText(IDC_DOPRINT_PRINTER, m_strPrinter);
  if (CWnd* w = GetDlgItem(IDC_DOPRINT_PORTRAIT)) w->ShowWindow(orientation == DMORIENT_PORTRAIT ? SW_SHOW : SW_HIDE);
  if (CWnd* w = GetDlgItem(IDC_DOPRINT_LANDSCAPE)) w->ShowWindow(orientation == DMORIENT_PORTRAIT ? SW_HIDE : SW_SHOW);
}

void CDoPrint::EnableControls() {
  UpdateData(TRUE);
  auto enable = [this](int id, BOOL on) {
    if (CWnd* w = GetDlgItem(id)) w->EnableWindow(on);
  };
  for (int id : {IDC_DOPRINT_BW, IDC_DOPRINT_COLOR, IDC_DOPRINT_PENWIDTHS}) enable(id, m_bVector);
  for (int id : {IDC_DOPRINT_SCALEINFO, IDC_DOPRINT_FILENAME, IDC_DOPRINT_TIME, IDC_DOPRINT_OPTTEXT})
    enable(id, m_bUseHead);
  enable(IDC_DOPRINT_TEXT, m_bUseHead && m_bText);
  enable(IDC_DOPRINT_FIRST, m_nFit == 1);
  enable(IDC_DOPRINT_SECOND, m_nFit == 1);
  UpdateData(FALSE);
}

void CDoPrint::UpdatePageCount() {
  int pages = 1;
  if (m_nFit == 1 && m_pView) pages = m_pView->CountPrintPages(m_nArea == 0, m_dFirst, m_dSecond);
  m_strPages.Format("%d", pages);
  SetDlgItemText(IDC_DOPRINT_PAGES, m_strPages);
}

void CDoPrint::OnClickedOptionRange(UINT) { OnClickedOption(); }

void CDoPrint::OnClickedOption() {
  EnableControls();
  if (m_bShowPreview) UpdatePageCount();
}

void CDoPrint::OnProperties() {
  CWinApp* app = AfxGetApp();
  CPrintDialog dlg(TRUE, PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE | PD_NOSELECTION);
  if (app) app->GetPrinterDeviceDefaults(&dlg.m_pd);
  if (dlg.DoModal() != IDOK) return;
  if (app) app->SelectPrinter(dlg.m_pd.hDevNames, dlg.m_pd.hDevMode, FALSE);
  UpdatePrinter();
  if (m_bShowPreview) UpdatePageCount();
}

void CDoPrint::OnPreview() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDC_DOPRINT_PREVIEW);
}

void CDoPrint::OnPenWidths() {
  CDPensize dlg(this);
  dlg.DoModal();
}
