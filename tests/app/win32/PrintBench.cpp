// Benchmark under Wine: printing to the cups-pdf printer "PDF" (scripts/env.sh's vv_start_print
// starts CUPS and sets VV_PDF_DIR). Two jobs: an A0 sheet scanned at 400 dpi, stored as TIFF G4,
// with annotations over it, printed fitted; and the large generated drawing of 300,000 entities.
// For each: the milliseconds from the print command to the end of the job in the program, and
// to the PDF standing complete in the printer's folder, and the most memory the process held
// while printing (sampled), beside the size of the packed 1-bit raster.
//   print_bench
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "AnnObj.h"
#include "LargeDxf.h"
#include "Vlr.h"
#include "tests/app/win32/DocAppFixture.h"
#include "tests/framework/win32/PdfPrinter.h"
#include "vector/ToolkitSession.h"
#include "zeri8v98.h"

namespace {

using vvtest::Pump;

class CBenchApp : public CTestDocApp {
 public:
  CBenchApp() : CTestDocApp(1024, 768) {}
  BOOL InitInstance() override {
    if (!InitDwgToolkitOnce(::GetModuleHandleA(nullptr))) return FALSE;
    return CTestDocApp::InitInstance();
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

size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS pmc = {};
  pmc.cb = sizeof pmc;
  return GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc) ? pmc.PagefileUsage : 0;
}

// The most private memory seen while it lives, sampled every few milliseconds.
class CMemorySampler {
 public:
  CMemorySampler() : m_peak(PrivateBytes()), m_thread([this] {
    while (!m_stop) {
      const size_t now = PrivateBytes();
      if (now > m_peak) m_peak = now;
      Sleep(5);
    }
  }) {}
  size_t Stop() {
    m_stop = true;
    m_thread.join();
    return m_peak;
  }

 private:
  std::atomic<bool> m_stop{false};
  std::atomic<size_t> m_peak;
  std::thread m_thread;
};

// A 1-bit BMP of an A0 sheet at 400 dpi: a frame, a grid of thin lines every 5 mm and a filled
// title block, as a scanned drawing holds. The number of bytes of its packed pixels in *pnPacked.
bool WriteA0Bmp(const std::string& path, int* pnWidth, int* pnHeight, size_t* pnPacked) {
  const int w = 841 * 400 * 10 / 254, h = 1189 * 400 * 10 / 254;
  const int row = (w + 31) / 32 * 4;
  *pnWidth = w;
  *pnHeight = h;
  *pnPacked = (size_t)row * h;
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  std::string head;
  auto le = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) head.push_back((char)(v >> (8 * i)));
  };
  head += "BM";
  const uint32_t ppm = 400 * 10000 / 254;
  for (uint32_t v : {62u + (uint32_t)(row * h), 0u, 62u, 40u, (uint32_t)w, (uint32_t)h}) le(v, 4);
  le(1, 2);
  le(1, 2);
  for (uint32_t v : {0u, (uint32_t)(row * h), ppm, ppm, 2u, 0u, 0x000000u, 0xFFFFFFu}) le(v, 4);
  fwrite(head.data(), 1, head.size(), f);
  std::string line((size_t)row, '\0');
  const int step = 5 * 400 * 10 / 254;
  for (int y = 0; y < h; ++y) {  // bottom-up; 1 bits white
    const bool across = y % step == 0 || y < 40 || y >= h - 40;
    const bool title = y < h / 10;
    for (int b = 0; b < row; ++b) {
      uint8_t bits = 0;
      for (int i = 0; i < 8; ++i) {
        const int x = b * 8 + i;
        const bool black = x < w && (across || x % step == 0 || x < 40 || x >= w - 40 ||
                                     (title && x > w * 2 / 3 && (x + y) % 7 == 0));
        if (x < w && !black) bits |= (uint8_t)(0x80 >> i);
      }
      line[b] = (char)bits;
    }
    if (fwrite(line.data(), 1, line.size(), f) != line.size()) {
      fclose(f);
      return false;
    }
  }
  return fclose(f) == 0;
}

// Prints the first view of the document fitted with the paper head and reports the times and the
// memory; false when no PDF came.
bool PrintAndMeasure(CVLRView* view, size_t packed) {
  view->LoadPrintSettingsOnce();
  view->m_print.nFit = 1;
  view->m_print.nAll = 1;
  view->m_print.nUse = 1;
  const std::set<std::string> before = vvtest::ListPdfs();
  const size_t baseline = PrivateBytes();
  CMemorySampler sampler;
  const double start = Now();
  view->DirectPrint(FALSE);
  const double jobEnd = Now() - start;
  const size_t peak = sampler.Stop();
  const std::string pdf = vvtest::WaitForNewPdf(before);
  const double done = Now() - start;
  if (pdf.empty()) {
    std::printf("  no PDF appeared in %s\n", vvtest::PdfDirUnix().c_str());
    return false;
  }
  std::printf("  job closed in the program: %.0f ms\n", jobEnd);
  std::printf("  PDF complete:              %.0f ms\n", done);
  std::printf("  private memory: %.1f MB before, %.1f MB at most while printing (+%.1f MB)\n", baseline / 1048576.0,
              peak / 1048576.0, (peak - baseline) / 1048576.0);
  if (packed)
    std::printf("  packed raster %.1f MB; most memory while printing = %.2f x the packed raster\n",
                packed / 1048576.0, (double)peak / packed);
  DeleteFileA(vvtest::UnixToWine(vvtest::PdfDirUnix() + "/" + pdf).c_str());
  std::fflush(stdout);
  return true;
}

CVLRView* FirstView(CDocument* doc) {
  POSITION pos = doc ? doc->GetFirstViewPosition() : nullptr;
  return pos ? static_cast<CVLRView*>(doc->GetNextView(pos)) : nullptr;
}

void RasterJob(CVLRApp* app) {
  const std::string dir = vvtest::TempDir();
  const std::string bmp = dir + "vv_print_bench_a0.bmp", tif = dir + "vv_print_bench_a0.tif";
  int w = 0, h = 0;
  size_t packed = 0;
  if (!WriteA0Bmp(bmp, &w, &h, &packed)) {
    std::printf("could not write %s\n", bmp.c_str());
    return;
  }
  const int32_t image = ImgLoadFile(bmp.c_str());
  const int32_t saved = image >= 0 ? ImgSaveFile(image, tif.c_str(), 10) : image;
  if (image >= 0) ImgFree(image);
  DeleteFileA(bmp.c_str());
  if (saved < 0) {
    std::printf("could not make the G4 sheet: %d\n", saved);
    return;
  }
  std::printf("A0 at 400 dpi, TIFF G4 (%d x %d pixels), 200 annotations, fitted\n", w, h);
  CDocument* doc = app->OpenDocumentFile(tif.c_str());
  CVLRView* view = FirstView(doc);
  if (view) {
    view->UpdateWindow();
    CVlr* set = view->GetDocument()->m_pVlr;
    set->EnsureLayer();
    const CRect extent = view->GetExtent();
    for (int i = 0; i < 200; ++i) {
      const int x = extent.left + (int)((long long)extent.Width() * (i % 20) / 20);
      const int y = extent.top + (int)((long long)extent.Height() * (i / 20) / 10);
      const RECT r = {x, y, x + extent.Width() / 25, y + extent.Height() / 12};
      if (i % 2)
        set->Add(new CAnnRect(r, set->GetLayer(set->m_nCurrentLayer), set->m_nCurrentLayer));
      else
        set->Add(new CAnnLine(r, set->GetLayer(set->m_nCurrentLayer), set->m_nCurrentLayer));
    }
    PrintAndMeasure(view, packed);
    set->m_bModified = FALSE;
  } else {
    std::printf("  did not open\n");
  }
  app->CloseAllDocuments(FALSE);
  Pump(50);
  DeleteFileA(tif.c_str());
}

void DrawingJob(CVLRApp* app) {
  const std::string dxf = vvtest::TempDir() + "vv_print_bench_large.dxf";
  if (!WriteLargeDxf(dxf)) {
    std::printf("could not write %s\n", dxf.c_str());
    return;
  }
  std::printf("the generated drawing of 300,000 entities, fitted\n");
  CDocument* doc = app->OpenDocumentFile(dxf.c_str());
  CVLRView* view = FirstView(doc);
  if (view) {
    view->UpdateWindow();
    PrintAndMeasure(view, 0);
  } else {
    std::printf("  did not open\n");
  }
  app->CloseAllDocuments(FALSE);
  Pump(50);
  DeleteFileA(dxf.c_str());
}

}  // namespace

int main() {
  AfxSetMessageBoxHook(&PrintMessageBox);
  const std::string reason = vvtest::PdfPrinterSkipReason();
  if (!reason.empty()) {
    std::printf("%s\n", reason.c_str());
    return 1;
  }
  CBenchApp* app = new CBenchApp;
  char cmdLine[1] = {0};
  if (!AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine, SW_SHOWNORMAL) || !app->InitInstance()) {
    std::printf("the application did not start\n");
    return 1;
  }
  Pump(50);
  RasterJob(app);
  DrawingJob(app);
  vvtest::DestroyTestDocApp(app);
  return 0;
}
