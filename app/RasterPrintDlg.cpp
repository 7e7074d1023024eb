// The raster print dialog: the copies' spin range, the application's paper formats after the
// built-in ones, and the four values in and out.
#include "RasterPrintDlg.h"

#include "VLRApp.h"
#include "model/RasterPrintModel.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CRasterPrintDlg, CDialog)

CRasterPrintDlg::CRasterPrintDlg(CWnd* pParentWnd) : CDialog(IDD_RASTERPRINT, pParentWnd) {}

BOOL CRasterPrintDlg::OnInitDialog() {
  // The template lists the built-in formats; the table's further entries are the application's.
  CStringArray names;
  CWordArray sizes;
  CVLRApp* app = GetVLRApp();
  if (app) BuildRasterPaperTable(app->m_paperNames, app->m_paperSizes, names, sizes);
  if (CWnd* list = GetDlgItem(IDC_RASTERPRINT_SIZE)) {
    const int builtIn = (int)list->SendMessage(CB_GETCOUNT, 0, 0);
    for (int i = builtIn; i < (int)names.GetSize(); ++i)
      list->SendMessage(CB_ADDSTRING, 0, (LPARAM)(LPCSTR)names[i]);
    // The caller's choice is kept when the list has it.
    const int count = (int)list->SendMessage(CB_GETCOUNT, 0, 0);
    if (m_nSize < 0 || m_nSize >= count) m_nSize = 0;
  }
  if (m_nCopies < kMinCopies || m_nCopies > kMaxCopies) m_nCopies = kMinCopies;
  CDialog::OnInitDialog();
  if (HWND spin = ::GetDlgItem(m_hWnd, IDC_RASTERPRINT_SPIN)) {
    ::SendMessageA(spin, UDM_SETRANGE, 0, MAKELPARAM(kMaxCopies, kMinCopies));
    ::SendMessageA(spin, UDM_SETPOS, 0, MAKELPARAM(m_nCopies, 0));
  }
  return TRUE;
}

void CRasterPrintDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_RASTERPRINT_COPIES, m_nCopies);
  DDV_MinMaxInt(pDX, m_nCopies, kMinCopies, kMaxCopies);
  DDX_CBIndex(pDX, IDC_RASTERPRINT_SIZE, m_nSize);
  DDX_Radio(pDX, IDC_RASTERPRINT_ENTIRE, m_nArea);
  DDX_CBIndex(pDX, IDC_RASTERPRINT_PORT, m_nPort);
}
