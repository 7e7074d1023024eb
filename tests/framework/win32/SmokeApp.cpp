// A whole program over the framework's own WinMain, for the entry-point test: it starts with a
// main frame, closes it at its first idle time and tells through its exit code what it saw.
//   exit 42: the raw command line arrived exactly as "\"a b.tif\";c.dwg"; 1: it did not;
//   exit 7: started with "/fail", start-up failed and the framework ended the program.
#include <string>

#include "FrameworkWin.h"
#include "TestResource.h"

class CSmokeApp : public CWinApp {
 public:
  BOOL m_bFailed = FALSE;
  BOOL InitInstance() override {
    if (std::string(m_lpCmdLine) == "/fail") {
      m_bFailed = TRUE;
      return FALSE;
    }
    CMDIFrameWnd* frame = new CMDIFrameWnd;
    if (!frame->LoadFrame(IDR_MAINFRAME)) return FALSE;
    m_pMainWnd = frame;
    return TRUE;
  }
  BOOL OnIdle(LONG lCount) override {
    if (lCount == 0 && m_pMainWnd) m_pMainWnd->PostMessage(WM_CLOSE);
    return CWinApp::OnIdle(lCount);
  }
  int ExitInstance() override {
    CWinApp::ExitInstance();
    if (m_bFailed) return 7;
    return std::string(m_lpCmdLine) == "\"a b.tif\";c.dwg" ? 42 : 1;
  }
};

CSmokeApp theApp;
