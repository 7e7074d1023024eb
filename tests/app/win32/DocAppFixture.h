// The application as the program builds it for documents, for Windows tests and benchmarks that
// open drawings in a real main frame: settings in memory, one document template, the main frame
// shown at a given size.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

namespace vvtest {

// Closes the documents and windows without the frame's close (which would store the bar state
// and window placement in the profile), deletes the application and the profile file it may
// have written.
inline void DestroyTestDocApp(CWinApp* app) {
  app->CloseAllDocuments(FALSE);
  if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
  Pump(20);
  const std::string profile = std::string(app->m_pszExeName) + ".INI";
  delete app;
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, sizeof dir);
  DeleteFileA((std::string(dir) + "\\" + profile).c_str());
}

// Opens the drawing and paints its first view once, so the view has its mapping; null when the
// open fails.
inline CVLRView* OpenPainted(CWinApp* app, const std::string& path) {
  CDocument* doc = app->OpenDocumentFile(path.c_str());
  Pump(60);
  POSITION pos = doc ? doc->GetFirstViewPosition() : nullptr;
  CVLRView* view = pos ? static_cast<CVLRView*>(doc->GetNextView(pos)) : nullptr;
  if (!view) return nullptr;
  view->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  Pump(20);
  return view;
}

// A mouse message to the view at a client point, and a drag from one point to another through
// the middle, as a tool sees them.
inline void SendMouse(CWnd* view, UINT msg, UINT keys, int x, int y) {
  view->SendMessage(msg, keys, MAKELPARAM(x, y));
}

inline void DragMouse(CWnd* view, int x0, int y0, int x1, int y1, UINT keys) {
  SendMouse(view, WM_LBUTTONDOWN, MK_LBUTTON | keys, x0, y0);
  SendMouse(view, WM_MOUSEMOVE, MK_LBUTTON | keys, (x0 + x1) / 2, (y0 + y1) / 2);
  SendMouse(view, WM_MOUSEMOVE, MK_LBUTTON | keys, x1, y1);
  SendMouse(view, WM_LBUTTONUP, keys, x1, y1);
}

// A white 24-bit BMP of w x h pixels at the resolution in dots per inch, in the temporary
// folder; returns its path.
inline std::string WriteWhiteBmp(const char* name, int w, int h, int dpi) {
  const int row = (w * 3 + 3) / 4 * 4;
  const uint32_t ppm = (uint32_t)(dpi * 10000 / 254);
  std::vector<uint8_t> f;
  auto le = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) f.push_back((uint8_t)(v >> (8 * i)));
  };
  f.push_back('B');
  f.push_back('M');
  for (uint32_t v : {54u + row * h, 0u, 54u, 40u, (uint32_t)w, (uint32_t)h}) le(v, 4);
  le(1, 2);
  le(24, 2);
  for (uint32_t v : {0u, (uint32_t)(row * h), ppm, ppm, 0u, 0u}) le(v, 4);
  f.insert(f.end(), (size_t)row * h, 0xFF);
  const std::string path = TempDir() + name;
  FILE* out = fopen(path.c_str(), "wb");
  fwrite(f.data(), 1, f.size(), out);
  fclose(out);
  return path;
}

}  // namespace vvtest
