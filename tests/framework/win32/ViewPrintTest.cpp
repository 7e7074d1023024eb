// The framework's page loop and print preview under Wine with a real printer (the cups-pdf
// printer the test run starts): a view's printing steps run in order, once per
// page of its range, and the job lands as a PDF of that many pages; the abort
// dialog's Cancel ends a job after the page in progress and leaves the main
// window enabled; without a printer nothing starts. The preview shows the pages
// one at a time, goes forward and back through its toolbar and ends the view's
// printing when it closes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Gdi.h"
#include "PdfPrinter.h"
#include "Preview.h"
#include "View.h"
#include "WinApp.h"
#include "WinTestSupport.h"

namespace {

class CTestApp : public CWinApp {
 public:
  BOOL InitInstance() override { return TRUE; }
};

// Records the steps the page loop calls; prints a black box the size of a tenth
// of the page.
class CRecordingView : public CView {
 public:
  explicit CRecordingView(UINT nPages) : m_nPages(nPages) {}
  BOOL OnPreparePrinting(CPrintInfo* pInfo) override {
    m_steps.push_back("prepare");
    pInfo->SetMaxPage(m_nPages);
    pInfo->m_bDirect = TRUE;
    return DoPreparePrinting(pInfo);
  }
  void OnBeginPrinting(CDC* pDC, CPrintInfo*) override {
    m_steps.push_back(pDC->IsPrinting() ? "begin" : "begin without a printer context");
  }
  void OnPrint(CDC* pDC, CPrintInfo* pInfo) override {
    m_steps.push_back("page " + std::to_string(pInfo->m_nCurPage));
    const CRect& r = pInfo->m_rectDraw;
    pDC->FillSolidRect(r.left, r.top, r.Width() / 10, r.Height() / 10, RGB(0, 0, 0));
    if (onPage) onPage(pInfo->m_nCurPage);
  }
  void OnEndPrinting(CDC*, CPrintInfo*) override { m_steps.push_back("end"); }
  void OnDraw(CDC*) override {}
  void PostNcDestroy() override {}

  std::vector<std::string> m_steps;
  std::function<void(UINT)> onPage;

 private:
  UINT m_nPages;
};

class ViewPrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vvtest::MessageBoxes::Install();
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
    skip_ = vvtest::PdfPrinterSkipReason();
  }
  char cmdLine_[1] = "";
  CTestApp app_;
  std::string skip_;
};

TEST_F(ViewPrintTest, EveryPageOfTheRangeInOrderIntoOnePdf) {
  if (!skip_.empty()) GTEST_SKIP() << skip_;
  CRecordingView view(3);
  const std::set<std::string> before = vvtest::ListPdfs();
  CPrintInfo info;
  EXPECT_TRUE(view.PrintJob(&info));
  const std::vector<std::string> expected = {"prepare", "begin", "page 1", "page 2", "page 3", "end"};
  EXPECT_EQ(expected, view.m_steps);
  const std::string pdf = vvtest::WaitForNewPdf(before);
  ASSERT_FALSE(pdf.empty()) << "no PDF appeared in " << vvtest::PdfDirUnix();
  const std::vector<vvtest::GreyPage> pages = vvtest::RenderPdf(pdf, 30);
  ASSERT_EQ(3u, pages.size());
  for (const vvtest::GreyPage& page : pages) {
    EXPECT_GT(page.InkShare(0.01, 0.01, 0.08, 0.08), 0.5);
    EXPECT_LT(page.InkShare(0.3, 0.3, 0.9, 0.9), 0.001);
  }
  DeleteFileA(vvtest::UnixToWine(vvtest::PdfDirUnix() + "/" + pdf).c_str());
}

TEST_F(ViewPrintTest, CancelInTheAbortDialogEndsTheJobAfterThePageInProgress) {
  if (!skip_.empty()) GTEST_SKIP() << skip_;
  HWND main = CreateWindowA("STATIC", "main", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  CWnd mainWnd;
  mainWnd.Attach(main);
  app_.m_pMainWnd = &mainWnd;
  CRecordingView view(5);
  view.onPage = [](UINT page) {
    if (page != 2) return;
    HWND abort = FindWindowA(nullptr, "Printing");
    ASSERT_NE(nullptr, abort);
    SendMessageA(abort, WM_COMMAND, IDCANCEL, 0);
  };
  const std::set<std::string> before = vvtest::ListPdfs();
  CPrintInfo info;
  EXPECT_FALSE(view.PrintJob(&info));
  const std::vector<std::string> expected = {"prepare", "begin", "page 1", "page 2", "end"};
  EXPECT_EQ(expected, view.m_steps);
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(nullptr, FindWindowA(nullptr, "Printing"));
  // An aborted job reaches no paper.
  vvtest::Pump(3000);
  EXPECT_EQ(before, vvtest::ListPdfs());
  app_.m_pMainWnd = nullptr;
  mainWnd.Detach();
  DestroyWindow(main);
}

// Page n holds a black box a tenth of the page wide at n - 1 tenths from its left.
class CMovingBoxView : public CRecordingView {
 public:
  using CRecordingView::CRecordingView;
  void OnPrint(CDC* pDC, CPrintInfo* pInfo) override {
    m_steps.push_back("page " + std::to_string(pInfo->m_nCurPage));
    const CRect& r = pInfo->m_rectDraw;
    pDC->FillSolidRect(r.left + r.Width() * (int)(pInfo->m_nCurPage - 1) / 10, r.top, r.Width() / 10,
                       r.Height() / 10, RGB(0, 0, 0));
  }
};

// The tenth of the page's width (from its left, in the top tenth of its height) where a record
// played into a 200-pixel-wide page has ink.
int InkedTenth(HENHMETAFILE record) {
  ENHMETAHEADER header;
  if (!record || !GetEnhMetaFileHeader(record, sizeof header, &header)) return -1;
  const int w = 200;
  const int h = (int)((long long)w * (header.rclFrame.bottom - header.rclFrame.top) /
                      (header.rclFrame.right - header.rclFrame.left));
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(mem, bitmap);
  RECT all = {0, 0, w, h};
  FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  PlayEnhMetaFile(mem, record, &all);
  int found = -1;
  for (int tenth = 0; tenth < 10; ++tenth) {
    const COLORREF c = GetPixel(mem, tenth * w / 10 + w / 20, h / 20);
    if (GetRValue(c) < 64 && GetGValue(c) < 64 && GetBValue(c) < 64) found = found == -1 ? tenth : 99;
  }
  SelectObject(mem, old);
  DeleteObject(bitmap);
  DeleteDC(mem);
  return found;
}

std::string WindowText(HWND h) {
  char text[128] = "";
  GetWindowTextA(h, text, sizeof text);
  return text;
}

TEST_F(ViewPrintTest, PreviewShowsEachPageGoesForwardAndBackAndEndsPrintingOnClose) {
  if (!skip_.empty()) GTEST_SKIP() << skip_;
  HWND main = CreateWindowA("STATIC", "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 600, nullptr, nullptr,
                            nullptr, nullptr);
  CWnd mainWnd;
  mainWnd.Attach(main);
  app_.m_pMainWnd = &mainWnd;
  CMovingBoxView view(3);
  const std::set<std::string> before = vvtest::ListPdfs();

  CPreviewView* preview = view.OnFilePrintPreview();
  ASSERT_NE(nullptr, preview);
  HWND window = FindWindowA(nullptr, "Print preview");
  ASSERT_EQ(preview->m_hWnd, window);
  EXPECT_TRUE(IsWindowVisible(window));
  HWND next = GetDlgItem(window, AFX_ID_PREVIEW_NEXT), prev = GetDlgItem(window, AFX_ID_PREVIEW_PREV);
  HWND pageText = GetDlgItem(window, AFX_ID_PREVIEW_NUMPAGE);
  ASSERT_TRUE(next && prev && pageText && GetDlgItem(window, AFX_ID_PREVIEW_CLOSE));
  vvtest::Pump(100);

  // Each step: the button pressed (0 for none), then the page shown, the box's place on it, the
  // page text and which of Next and Prev can be pressed.
  struct Step {
    HWND button;
    UINT page;
    int tenth;
    const char* text;
    BOOL nextOn, prevOn;
  };
  const Step steps[] = {
      {nullptr, 1, 0, "Page 1 of 3", TRUE, FALSE},
      {next, 2, 1, "Page 2 of 3", TRUE, TRUE},
      {next, 3, 2, "Page 3 of 3", FALSE, TRUE},
      {prev, 2, 1, "Page 2 of 3", TRUE, TRUE},
      {prev, 1, 0, "Page 1 of 3", TRUE, FALSE},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.text);
    if (s.button) SendMessageA(s.button, BM_CLICK, 0, 0);
    vvtest::Pump(50);
    EXPECT_EQ(s.page, preview->GetCurrentPage());
    EXPECT_EQ(s.tenth, InkedTenth(preview->GetPageRecord()));
    EXPECT_EQ(s.text, WindowText(pageText));
    EXPECT_EQ(s.nextOn, IsWindowEnabled(next));
    EXPECT_EQ(s.prevOn, IsWindowEnabled(prev));
  }
  // Past either end by message (a disabled button can't be clicked): nothing more is drawn.
  const size_t drawn = view.m_steps.size();
  SendMessageA(window, WM_COMMAND, AFX_ID_PREVIEW_PREV, 0);
  EXPECT_EQ(1u, preview->GetCurrentPage());
  EXPECT_EQ(drawn, view.m_steps.size());

  SendMessageA(GetDlgItem(window, AFX_ID_PREVIEW_CLOSE), BM_CLICK, 0, 0);
  vvtest::Pump(50);
  EXPECT_FALSE(IsWindow(window));
  const std::vector<std::string> expected = {"prepare", "begin",  "page 1", "page 2", "page 3",
                                             "page 2",  "page 1", "end"};
  EXPECT_EQ(expected, view.m_steps);
  // A preview sends nothing to the printer.
  vvtest::Pump(2000);
  EXPECT_EQ(before, vvtest::ListPdfs());
  app_.m_pMainWnd = nullptr;
  mainWnd.Detach();
  DestroyWindow(main);
}

TEST_F(ViewPrintTest, NoPrinterStartsNothing) {
  if (skip_.empty()) GTEST_SKIP() << "a printer is installed; this case needs a machine without one";
  CRecordingView view(2);
  CPrintInfo info;
  EXPECT_FALSE(view.PrintJob(&info));
  const std::vector<std::string> expected = {"prepare"};
  EXPECT_EQ(expected, view.m_steps);
}

}  // namespace
