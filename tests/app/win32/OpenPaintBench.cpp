// Benchmark under Wine: the time from the open command to the end of the view's first complete
// paint, for the largest shared test drawing and for the large generated drawing written as DXF.
// Each drawing opens three times; the program prints every time and the median in milliseconds.
//   open_paint_bench [FILE...]   (no FILE: both drawings above; shared drawings via VV_TESTDATA)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "LargeDxf.h"
#include "MainFrm.h"
#include "TestData.h"
#include "VLRApp.h"
#include "tests/app/win32/DocAppFixture.h"
#include "VLRDoc.h"
#include "VLRView.h"
#include "resource.h"
#include "vector/ToolkitSession.h"

namespace {

using vvtest::Pump;

// The application as the program builds it for documents, with the toolkit started beforehand
// as the program does at its start, so its cost stays out of the open.
class CBenchApp : public CTestDocApp {
 public:
  CBenchApp() : CTestDocApp(1024, 768) {}
  BOOL InitInstance() override {
    if (!InitDwgToolkitOnce(::GetModuleHandleA(nullptr))) return FALSE;
    if (!CTestDocApp::InitInstance()) return FALSE;
    return TRUE;
  }
};

// A message box during the open would wait for a person: it is printed and answered instead.
int PrintMessageBox(LPCSTR text, UINT, UINT) {
  std::printf("  message: %s\n", text ? text : "");
  return IDOK;
}

double Now() {
  LARGE_INTEGER t, f;
  QueryPerformanceCounter(&t);
  QueryPerformanceFrequency(&f);
  return 1000.0 * double(t.QuadPart) / double(f.QuadPart);
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return -1;
  return ((long long)a.nFileSizeHigh << 32) | a.nFileSizeLow;
}

// The largest file of the shared drawing folders, or "" when they are absent.
std::string LargestTestDrawing() {
  std::string best;
  long long bestSize = -1;
  for (const char* folder : {"dxf", "dxf-binary", "dwg"})
    for (const std::string& name : vvtest::TestDataFiles(folder)) {
      std::string path = vvtest::TestDataPath(std::string(folder) + "/" + name);
      long long size = FileSize(path);
      if (size > bestSize) bestSize = size, best = path;
    }
  return best;
}

// Opens the drawing and paints its view; the milliseconds from the open command to the end of
// the first complete paint, or a negative value when the drawing did not open.
double OpenAndPaint(CVLRApp* app, const std::string& path) {
  double start = Now();
  CDocument* doc = app->OpenDocumentFile(path.c_str());
  if (!doc) return -1;
  POSITION pos = doc->GetFirstViewPosition();
  CView* view = pos ? doc->GetNextView(pos) : nullptr;
  if (!view) return -1;
  view->UpdateWindow();
  double elapsed = Now() - start;
  if (::GetUpdateRect(view->m_hWnd, nullptr, FALSE)) std::printf("  the view still waits for paint\n");
  app->CloseAllDocuments(FALSE);
  Pump(50);
  return elapsed;
}

void Measure(CVLRApp* app, const std::string& path) {
  std::printf("%s (%lld bytes)\n", path.c_str(), FileSize(path));
  std::vector<double> times;
  for (int i = 0; i < 3; ++i) {
    double ms = OpenAndPaint(app, path);
    if (ms < 0) {
      std::printf("  did not open\n");
      return;
    }
    std::printf("  run %d: %.0f ms\n", i + 1, ms);
    std::fflush(stdout);
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  std::printf("  median: %.0f ms\n", times[1]);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  AfxSetMessageBoxHook(&PrintMessageBox);
  CBenchApp* app = new CBenchApp;
  char cmdLine[1] = {0};
  if (!AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine, SW_SHOWNORMAL) || !app->InitInstance()) {
    std::printf("the application did not start\n");
    return 1;
  }
  Pump(50);
  if (argc > 1) {
    for (int i = 1; i < argc; ++i) Measure(app, argv[i]);
  } else {
    std::string largest = LargestTestDrawing();
    if (largest.empty())
      std::printf("shared test drawings absent (VV_TESTDATA): skipped\n");
    else
      Measure(app, largest);
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    const std::string generated = std::string(dir) + "vv_large_generated.dxf";
    if (!WriteLargeDxf(generated)) {
      std::printf("could not write %s\n", generated.c_str());
    } else {
      Measure(app, generated);
      DeleteFileA(generated.c_str());
    }
  }
  app->CloseAllDocuments(FALSE);
  if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
  Pump(20);
  return 0;
}
