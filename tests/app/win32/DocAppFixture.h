// The application as the program builds it for documents, for Windows tests and benchmarks that
// open drawings in a real main frame: settings in memory, one document template, the main frame
// shown at a given size.
#pragma once

#include "MainFrm.h"
#include "VLRApp.h"
#include "VLRDoc.h"
#include "VLRView.h"
#include "resource.h"
#include "tests/framework/win32/WinTestSupport.h"

// Settings in memory: every key reads its default; nothing reaches a file.
class CMemoryProfile : public CConfigProfile {
 public:
  int GetInt(const char*, const char*, int nDefault) override { return nDefault; }
  CString GetString(const char*, const char*, const char* lpszDefault) override { return lpszDefault; }
  void WriteInt(const char*, const char*, int) override {}
  void WriteString(const char*, const char*, const char*) override {}
};

// One for the process: the settings record writes through it when the application deletes it.
inline CMemoryProfile& MemoryProfile() {
  static CMemoryProfile profile;
  return profile;
}

class CTestDocApp : public CVLRApp {
 public:
  CTestDocApp(int nWidth, int nHeight) : m_nWidth(nWidth), m_nHeight(nHeight) {}

  BOOL InitInstance() override {
    m_pConfig = new CConfig(&MemoryProfile(), "C:\\");
    m_pConfig->m_nUseQuickView = 0;
    AddDocTemplate(new CMultiDocTemplate(IDR_VLRTYPE, RUNTIME_CLASS(CVLRDoc), RUNTIME_CLASS(CMDIChildWnd),
                                         RUNTIME_CLASS(CVLRView)));
    CMainFrame* frame = new CMainFrame;
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW)) return FALSE;
    m_pMainWnd = frame;
    frame->SetWindowPos(nullptr, 0, 0, m_nWidth, m_nHeight, SWP_NOZORDER);
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();
    return TRUE;
  }

 private:
  int m_nWidth, m_nHeight;
};
