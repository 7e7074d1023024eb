// Printing through a real print system under Wine: the view prints a raster
// fitted with its paper head, a raster at true scale over two sheets, a vector
// drawing, and the shell's "#PRINT#"; each job lands as a PDF from the cups-pdf
// printer, and its pages, rendered by pdftoppm, hold ink where the document has
// it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/app/win32/DocViewFixture.h"
#include "tests/framework/win32/PdfPrinter.h"
#include "vector/ToolkitSession.h"

namespace {

// A 24-bit BMP at dpi whose pixels are black inside the given rectangles
// (fractions of its size, from the top left) and white elsewhere.
struct Block {
  double x0, y0, x1, y1;
};
std::string WriteBlocksBmp(const char* name, int w, int h, int dpi, const std::vector<Block>& blocks) {
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
  for (int y = h - 1; y >= 0; --y) {  // bottom-up rows
    for (int x = 0; x < w; ++x) {
      bool black = false;
      for (const Block& b : blocks) black = black || (x >= b.x0 * w && x < b.x1 * w && y >= b.y0 * h && y < b.y1 * h);
      for (int c = 0; c < 3; ++c) f.push_back(black ? 0 : 0xFF);
    }
    for (int pad = w * 3; pad < row; ++pad) f.push_back(0);
  }
  const std::string path = vvtest::TempDir() + name + std::to_string(GetCurrentProcessId()) + ".bmp";
  FILE* out = fopen(path.c_str(), "wb");
  fwrite(f.data(), 1, f.size(), out);
  fclose(out);
  return path;
}

// The default printer's printable size in millimetres.
bool PrinterSizeMm(int* w, int* h) {
  char name[256] = "";
  DWORD size = sizeof name;
  if (!GetDefaultPrinterA(name, &size)) return false;
  HDC ic = CreateICA(nullptr, name, nullptr, nullptr);
  if (!ic) return false;
  *w = GetDeviceCaps(ic, HORZSIZE);
  *h = GetDeviceCaps(ic, VERTSIZE);
  DeleteDC(ic);
  return *w > 0 && *h > 0;
}

class PrintTest : public DocViewFixture {
 protected:
  void SetUp() override {
    const std::string reason = vvtest::PdfPrinterSkipReason();
    if (!reason.empty()) GTEST_SKIP() << reason;
  }
  void HeadOff() {
    m_view->LoadPrintSettingsOnce();
    m_view->m_print.nUse = 0;
  }
  // Prints with the view's settings and renders the job's pages.
  std::vector<vvtest::GreyPage> PrintAndRender(const std::function<void()>& print) {
    const std::set<std::string> before = vvtest::ListPdfs();
    print();
    const std::string pdf = vvtest::WaitForNewPdf(before);
    EXPECT_FALSE(pdf.empty()) << "no PDF appeared in " << vvtest::PdfDirUnix();
    if (pdf.empty()) return {};
    std::vector<vvtest::GreyPage> pages = vvtest::RenderPdf(pdf, 40);
    EXPECT_FALSE(pages.empty()) << "pdftoppm gave no page of " << pdf;
    DeleteFileA(vvtest::UnixToWine(vvtest::PdfDirUnix() + "/" + pdf).c_str());
    return pages;
  }
};

TEST_F(PrintTest, RasterFittedWithPaperHead) {
  // Landscape, black in its lower right quarter.
  OpenDrawing(new CTestDocApp(900, 700), WriteBlocksBmp("vvprfit", 400, 300, 100, {{0.5, 0.5, 1.0, 1.0}}));
  m_view->LoadPrintSettingsOnce();
  CViewPrintSettings& p = m_view->m_print;
  p.nFit = 1;
  p.nAll = 1;
  p.nUse = 1;
  p.nFileName = 1;
  p.nScale = p.nTime = p.nText = 0;
  const CRect shown = m_view->GetZoomRect();
  const auto pages = PrintAndRender([&] { m_view->DirectPrint(FALSE); });
  ASSERT_EQ(1u, pages.size());
  EXPECT_EQ(1, m_view->GetPrintTiling().PageCount());
  const vvtest::GreyPage& page = pages[0];
  // Fitted across the portrait page and centred down it: the quarter lies right
  // of the middle, just below the centre line; the upper left quarter is white.
  const double hw = 0.75 * page.width / page.height / 2;  // half the image's height, in page heights
  EXPECT_GT(page.InkShare(0.6, 0.5 + 0.2 * hw, 0.9, 0.5 + 0.8 * hw), 0.9);
  EXPECT_LT(page.InkShare(0.1, 0.5 - 0.8 * hw, 0.4, 0.5 - 0.2 * hw), 0.02);
  // The paper head: framed text at the top left, nothing like it at the top
  // right.
  EXPECT_GT(page.InkShare(0.0, 0.0, 0.5, 0.06), 0.01);
  EXPECT_LT(page.InkShare(0.7, 0.0, 1.0, 0.06), 0.001);
  // The view shows what it showed before.
  EXPECT_TRUE(shown == m_view->GetZoomRect());
}

TEST_F(PrintTest, RasterAtTrueScaleOverTwoSheets) {
  int wMm = 0, hMm = 0;
  ASSERT_TRUE(PrinterSizeMm(&wMm, &hMm));
  // One and a half sheets wide, half a sheet high at 50 dpi; black stripes at
  // both ends.
  const int w = (int)(1.5 * wMm / 25.4 * 50), h = (int)(0.5 * hMm / 25.4 * 50);
  OpenDrawing(new CTestDocApp(900, 700),
              WriteBlocksBmp("vvprtrue", w, h, 50, {{0.0, 0.0, 0.1, 1.0}, {0.9, 0.0, 1.0, 1.0}}));
  HeadOff();
  CViewPrintSettings& p = m_view->m_print;
  p.nFit = 0;
  p.nAll = 1;
  p.dScale1 = p.dScale2 = 1.0;
  const auto pages = PrintAndRender([&] { m_view->DirectPrint(FALSE); });
  EXPECT_EQ(2, m_view->GetPrintTiling().nColumns);
  EXPECT_EQ(1, m_view->GetPrintTiling().nRows);
  ASSERT_EQ(2u, pages.size());
  // Sheet 1 holds the image's first two thirds: the left stripe at 0 .. 0.15 of
  // its width.
  EXPECT_GT(pages[0].InkShare(0.02, 0.1, 0.12, 0.4), 0.9);
  EXPECT_LT(pages[0].InkShare(0.2, 0.1, 0.9, 0.4), 0.02);
  // Sheet 2 the last third: the right stripe at 0.35 .. 0.5 of its width, white
  // after it.
  EXPECT_GT(pages[1].InkShare(0.37, 0.1, 0.48, 0.4), 0.9);
  EXPECT_LT(pages[1].InkShare(0.55, 0.1, 0.95, 0.9), 0.02);
  // Nothing below the image's half sheet.
  EXPECT_LT(pages[0].InkShare(0.02, 0.55, 0.95, 0.95), 0.02);
}

TEST_F(PrintTest, ShellPrintCommandPrintsWithTheHeadItAsks) {
  const std::string path = WriteBlocksBmp("vvprdde", 300, 400, 100, {{0.4, 0.4, 0.6, 0.6}});
  OpenDrawing(new CTestDocApp(900, 700), path);
  // Mode 1 with the file name only.
  const std::string command = "#PRINT#|" + path + ";1;0;1;0;0";
  const auto pages = PrintAndRender([&] {
    std::vector<char> text(command.begin(), command.end());
    text.push_back('\0');
    EXPECT_TRUE(m_app->OnDDECommand(text.data()));
  });
  ASSERT_EQ(1u, pages.size());
  EXPECT_EQ(1, m_view->m_print.nUse);
  EXPECT_EQ(1, m_view->m_print.nFileName);
  EXPECT_EQ(0, m_view->m_print.nTime);
  EXPECT_GT(pages[0].InkShare(0.45, 0.45, 0.55, 0.55), 0.9);
  EXPECT_GT(pages[0].InkShare(0.0, 0.0, 0.5, 0.05), 0.01);
  // A path of no open document prints nothing and is still taken.
  const std::set<std::string> before = vvtest::ListPdfs();
  char other[] = "#PRINT#|C:\\no\\such.tif;1;1;1;1;0";
  EXPECT_TRUE(m_app->OnDDECommand(other));
  vvtest::Pump(3000);
  EXPECT_EQ(before, vvtest::ListPdfs());
}

// The print options dialog as File/Print opens it: the head's parts follow "Use
// paper head", and a head with none of its parts checked is stored as no head;
// OK prints.
HWND g_options = nullptr;
int g_step = 0;
bool g_partsFollowed = false;

void CALLBACK OptionsTimer(HWND, UINT, UINT_PTR, DWORD) {
  HWND active = GetActiveWindow();
  char caption[64] = "";
  if (active) GetWindowTextA(active, caption, sizeof caption);
  if (!active || std::string(caption) != "Print" || !GetDlgItem(active, IDC_DOPRINT_USEHEAD)) return;
  g_options = active;
  auto item = [active](int id) { return GetDlgItem(active, id); };
  switch (g_step++) {
    case 0:
      SendMessageA(item(IDC_DOPRINT_USEHEAD), BM_CLICK, 0, 0);
      break;
    case 1:
      g_partsFollowed = !IsWindowEnabled(item(IDC_DOPRINT_FILENAME)) && !IsWindowEnabled(item(IDC_DOPRINT_TEXT));
      SendMessageA(item(IDC_DOPRINT_USEHEAD), BM_CLICK, 0, 0);
      break;
    case 2:
      g_partsFollowed = g_partsFollowed && IsWindowEnabled(item(IDC_DOPRINT_FILENAME));
      for (int id : {IDC_DOPRINT_FILENAME, IDC_DOPRINT_SCALEINFO, IDC_DOPRINT_TIME, IDC_DOPRINT_OPTTEXT})
        SendMessageA(item(id), BM_SETCHECK, BST_UNCHECKED, 0);
      PostMessageA(active, WM_COMMAND, IDOK, 0);
      break;
    default:
      break;
  }
}

TEST_F(PrintTest, OptionsDialogStoresAHeadWithoutPartsAsNoHeadAndPrints) {
  OpenDrawing(new CTestDocApp(900, 700), WriteBlocksBmp("vvpropt", 300, 400, 100, {{0.4, 0.4, 0.6, 0.6}}));
  m_view->LoadPrintSettingsOnce();
  m_view->m_print.nUse = 1;
  g_step = 0;
  g_partsFollowed = false;
  const auto pages = PrintAndRender([&] {
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, &OptionsTimer);
    m_view->SendMessage(WM_COMMAND, ID_FILE_PRINT, 0);
    KillTimer(nullptr, timer);
  });
  EXPECT_GE(g_step, 3) << "the print options dialog was not reached";
  EXPECT_TRUE(g_partsFollowed);
  EXPECT_EQ(0, m_view->m_print.nUse);
  EXPECT_EQ(0, GetVLRApp()->m_pConfig->m_nHeadUse);
  ASSERT_EQ(1u, pages.size());
  EXPECT_GT(pages[0].InkShare(0.45, 0.45, 0.55, 0.55), 0.9);
  EXPECT_LT(pages[0].InkShare(0.0, 0.0, 1.0, 0.05), 0.001);
}

// The options dialog's preview button: the preview window opens over the
// program with the page the print would give, the view's zoom waits for it to
// close, and nothing reaches the printer.
void CALLBACK PreviewButtonTimer(HWND, UINT, UINT_PTR, DWORD) {
  HWND active = GetActiveWindow();
  char caption[64] = "";
  if (active) GetWindowTextA(active, caption, sizeof caption);
  if (!active || std::string(caption) != "Print" || !GetDlgItem(active, IDC_DOPRINT_PREVIEW)) return;
  ++g_step;
  SendMessageA(GetDlgItem(active, IDC_DOPRINT_PREVIEW), BM_CLICK, 0, 0);
}

// A page record played into a page 200 pixels wide, as grey levels.
vvtest::GreyPage RecordToGreyPage(HENHMETAFILE record) {
  vvtest::GreyPage page;
  ENHMETAHEADER header;
  if (!record || !GetEnhMetaFileHeader(record, sizeof header, &header)) return page;
  page.width = 200;
  page.height = (int)((long long)page.width * (header.rclFrame.bottom - header.rclFrame.top) /
                      (header.rclFrame.right - header.rclFrame.left));
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, page.width, page.height);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(mem, bitmap);
  RECT all = {0, 0, page.width, page.height};
  FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  PlayEnhMetaFile(mem, record, &all);
  page.pixels.resize((size_t)page.width * page.height);
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < page.width; ++x) {
      const COLORREF c = GetPixel(mem, x, y);
      page.pixels[(size_t)y * page.width + x] = (unsigned char)((GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3);
    }
  SelectObject(mem, old);
  DeleteObject(bitmap);
  DeleteDC(mem);
  return page;
}

TEST_F(PrintTest, OptionsPreviewButtonShowsThePageAndPrintsNothing) {
  // Portrait, black in its middle.
  OpenDrawing(new CTestDocApp(900, 700), WriteBlocksBmp("vvprprev", 300, 400, 100, {{0.4, 0.4, 0.6, 0.6}}));
  HeadOff();
  m_view->m_print.nFit = 1;
  m_view->m_print.nAll = 1;
  const CRect shown = m_view->GetZoomRect();
  const std::set<std::string> before = vvtest::ListPdfs();
  g_step = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, &PreviewButtonTimer);
  m_view->SendMessage(WM_COMMAND, ID_FILE_PRINT, 0);
  KillTimer(nullptr, timer);
  EXPECT_EQ(1, g_step) << "the print options dialog was not reached";
  HWND window = FindWindowA(nullptr, "Print preview");
  ASSERT_NE(nullptr, window);
  CPreviewView* preview = static_cast<CPreviewView*>(CWnd::FromHandlePermanent(window));
  ASSERT_NE(nullptr, preview);
  EXPECT_EQ(1u, preview->GetPageCount());
  const vvtest::GreyPage page = RecordToGreyPage(preview->GetPageRecord());
  ASSERT_GT(page.height, 0);
  EXPECT_GT(page.InkShare(0.47, 0.47, 0.53, 0.53), 0.9);
  EXPECT_LT(page.InkShare(0.05, 0.05, 0.3, 0.3), 0.02);
  SendMessageA(window, WM_CLOSE, 0, 0);
  vvtest::Pump(50);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(shown == m_view->GetZoomRect());
  vvtest::Pump(2000);
  EXPECT_EQ(before, vvtest::ListPdfs());
}

// A drawing: two diagonals and a frame of 100 x 100 units, fitted.
std::string WriteCrossDxf() {
  const std::string path = vvtest::TempDir() + "vvprdxf" + std::to_string(GetCurrentProcessId()) + ".dxf";
  FILE* f = fopen(path.c_str(), "w");
  auto g = [f](int code, const char* value) { fprintf(f, "%3d\n%s\n", code, value); };
  auto line = [&](const char* x1, const char* y1, const char* x2, const char* y2) {
    g(0, "LINE");
    g(8, "0");
    g(10, x1);
    g(20, y1);
    g(30, "0.0");
    g(11, x2);
    g(21, y2);
    g(31, "0.0");
  };
  g(0, "SECTION");
  g(2, "HEADER");
  g(9, "$ACADVER");
  g(1, "AC1009");
  g(9, "$EXTMIN");
  g(10, "0.0");
  g(20, "0.0");
  g(30, "0.0");
  g(9, "$EXTMAX");
  g(10, "100.0");
  g(20, "100.0");
  g(30, "0.0");
  g(0, "ENDSEC");
  g(0, "SECTION");
  g(2, "ENTITIES");
  line("0.0", "0.0", "100.0", "100.0");
  line("0.0", "100.0", "100.0", "0.0");
  g(0, "ENDSEC");
  g(0, "EOF");
  fclose(f);
  return path;
}

class VectorPrintApp : public CTestDocApp {
 public:
  VectorPrintApp() : CTestDocApp(900, 700) {}
  BOOL InitInstance() override {
    if (!InitDwgToolkitOnce(GetModuleHandleA(nullptr))) return FALSE;
    return CTestDocApp::InitInstance();
  }
};

TEST_F(PrintTest, VectorDrawingFitted) {
  OpenDrawing(new VectorPrintApp, WriteCrossDxf());
  HeadOff();
  m_view->m_print.nFit = 1;
  m_view->m_print.nAll = 1;
  const auto pages = PrintAndRender([&] { m_view->DirectPrint(FALSE); });
  ASSERT_EQ(1u, pages.size());
  const vvtest::GreyPage& page = pages[0];
  // The diagonals cross at the page's centre: ink there, and along the way to
  // the corners of the square the drawing fills across the page; none in the
  // page's top and bottom bands.
  const int kAnyInk = 250;
  const double across = (double)page.width / page.height;
  EXPECT_GT(page.InkShare(0.47, 0.5 - 0.03 * across, 0.53, 0.5 + 0.03 * across, kAnyInk), 0.02);
  EXPECT_GT(page.InkShare(0.2, 0.5 - 0.3 * across, 0.3, 0.5 - 0.2 * across, kAnyInk), 0.005);
  EXPECT_LT(page.InkShare(0.0, 0.0, 1.0, 0.1, kAnyInk), 0.001);
  EXPECT_LT(page.InkShare(0.0, 0.9, 1.0, 1.0, kAnyInk), 0.001);
}

}  // namespace
