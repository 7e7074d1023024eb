// The application object's work: run the dialog, then end (no message loop of its own, no
// profile, no command line: anything given on it is ignored).
#include "VLReg.h"

#include "VLRegDlg.h"

BEGIN_MESSAGE_MAP(CVLRegApp, CWinApp)
  ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

BOOL CVLRegApp::InitInstance() {
  Enable3dControls();
  CVLRegDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  // The program ends as soon as the dialog closes, whatever it returned.
  return FALSE;
}
