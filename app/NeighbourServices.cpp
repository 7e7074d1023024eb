// Stand-in for the CALS header dialog.
#include "NeighbourServices.h"

#include "VLRApp.h"

#include "resource.h"

IMPLEMENT_DYNAMIC(CCalsHeaderDlg, CDialog)

CCalsHeaderDlg::CCalsHeaderDlg(CWnd* pParentWnd) : CDialog(IDD_CALSHEADER, pParentWnd) {}

BOOL CCalsHeaderDlg::Create() { return CDialog::Create(IDD_CALSHEADER, m_pParentWnd); }

// The dialog's own Close goes the way of the menu command, so the application never keeps a
// pointer to a dialog that is gone.
void CCalsHeaderDlg::OnCancel() { ToggleCalsHeaderDialog(m_pDocument); }

void ToggleCalsHeaderDialog(CDocument* pDocument) {
  CVLRApp* app = GetVLRApp();
  if (app->m_pCalsHeaderDlg) {
    CCalsHeaderDlg* dlg = app->m_pCalsHeaderDlg;
    app->m_pCalsHeaderDlg = nullptr;
    dlg->ShowWindow(SW_HIDE);
    dlg->DestroyWindow();
    delete dlg;
    return;
  }
  CCalsHeaderDlg* dlg = new CCalsHeaderDlg(nullptr);
  dlg->m_pDocument = pDocument;
  if (!dlg->Create()) {
    delete dlg;
    return;
  }
  dlg->ShowWindow(SW_SHOW);
  app->m_pCalsHeaderDlg = dlg;
}
