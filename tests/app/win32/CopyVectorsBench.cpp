// Benchmark under Wine: "Edit/Copy vectors" of a 300,000-entity drawing (240,000 lines, 30,000
// arcs, 30,000 circles, written as DXF): the time to draw the view into the metafile three times,
// with the median, and the metafile's size.
//   copy_vectors_bench
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "VLRApp.h"
#include "VLRDoc.h"
#include "VLRView.h"
#include "tests/app/win32/DocAppFixture.h"
#include "vector/ToolkitSession.h"

namespace {

class CBenchApp : public CTestDocApp {
 public:
  CBenchApp() : CTestDocApp(1024, 768) {}
  BOOL InitInstance() override {
    return InitDwgToolkitOnce(::GetModuleHandleA(nullptr)) && CTestDocApp::InitInstance();
  }
};

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

bool WriteDrawing(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  auto g = [f](int code, const char* v) { std::fprintf(f, "%3d\n%s\n", code, v); };
  auto d = [f](int code, double v) { std::fprintf(f, "%3d\n%.4f\n", code, v); };
  g(0, "SECTION");
  g(2, "HEADER");
  g(9, "$ACADVER");
  g(1, "AC1009");
  g(9, "$EXTMIN");
  d(10, 0);
  d(20, 0);
  d(30, 0);
  g(9, "$EXTMAX");
  d(10, 1000);
  d(20, 1000);
  d(30, 0);
  g(0, "ENDSEC");
  g(0, "SECTION");
  g(2, "ENTITIES");
  for (long i = 0; i < 300000; ++i) {
    const double x = std::fmod(i * 0.618, 1000.0), y = std::fmod(i * 0.377, 1000.0);
    if (i % 10 == 8) {
      g(0, "ARC");
      g(8, "0");
      d(10, x);
      d(20, y);
      d(30, 0);
      d(40, 2.0);
      d(50, 0);
      d(51, 140);
    } else if (i % 10 == 9) {
      g(0, "CIRCLE");
      g(8, "0");
      d(10, x);
      d(20, y);
      d(30, 0);
      d(40, 1.5);
    } else {
      g(0, "LINE");
      g(8, "0");
      d(10, x);
      d(20, y);
      d(30, 0);
      d(11, x + 3);
      d(21, y + 2);
      d(31, 0);
    }
  }
  g(0, "ENDSEC");
  g(0, "EOF");
  return std::fclose(f) == 0;
}

}  // namespace

int main() {
  AfxSetMessageBoxHook(&PrintMessageBox);
  const std::string path = vvtest::TempDir() + "vv_copy_bench_" + std::to_string(GetCurrentProcessId()) + ".dxf";
  if (!WriteDrawing(path)) return 1;
  CBenchApp* app = new CBenchApp;
  char cmdLine[1] = {0};
  if (!AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine, SW_SHOWNORMAL) || !app->InitInstance()) return 1;
  CVLRView* view = vvtest::OpenPainted(app, path);
  if (!view) return 1;
  view->ZoomEntire();
  std::vector<double> times;
  UINT bytes = 0;
  for (int i = 0; i < 3; ++i) {
    const double start = Now();
    CSize size;
    HMETAFILE metafile = view->MakeVectorMetafile(&size);
    times.push_back(Now() - start);
    if (!metafile) return 1;
    bytes = GetMetaFileBitsEx(metafile, 0, nullptr);
    DeleteMetaFile(metafile);
    std::printf("copy vectors: %.0f ms, metafile %u bytes (%ld x %ld)\n", times.back(), bytes, size.cx, size.cy);
  }
  std::sort(times.begin(), times.end());
  std::printf("median: %.0f ms, metafile %.1f MB\n", times[1], bytes / 1048576.0);
  vvtest::DestroyTestDocApp(app);
  DeleteFileA(path.c_str());
  return 0;
}
