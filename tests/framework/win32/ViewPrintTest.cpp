// The framework's page loop under Wine with a real printer (the cups-pdf
// printer the test run starts): a view's printing steps run in order, once per
// page of its range, and the job lands as a PDF of that many pages; the abort
// dialog's Cancel ends a job after the page in progress and leaves the main
// window enabled; without a printer nothing starts.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Gdi.h"
#include "PdfPrinter.h"
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

TEST_F(ViewPrintTest, NoPrinterStartsNothing) {
  if (skip_.empty()) GTEST_SKIP() << "a printer is installed; this case needs a machine without one";
  CRecordingView view(2);
  CPrintInfo info;
  EXPECT_FALSE(view.PrintJob(&info));
  const std::vector<std::string> expected = {"prepare"};
  EXPECT_EQ(expected, view.m_steps);
}

}  // namespace
