// Framework exceptions that a handler lets out never unwind through the system: the window
// procedure, the dialog procedure, the message loop and data exchange each show the exception's
// text in the framework's message box, drop it, and the program goes on.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FrameworkWin.h"
#include "WinTestSupport.h"

namespace {

const UINT kThrowCommand = 4711;
const UINT WM_THROW = WM_APP + 1;
const UINT WM_ALIVE = WM_APP + 2;

// What the next handler throws.
std::function<void()> g_throw;

class CThrowingWnd : public CWnd {
 public:
  int OnCreate(LPCREATESTRUCT) {
    if (m_bThrowOnCreate) AfxThrowResourceException();
    return 0;
  }
  void OnPaint() {
    ++m_nPaints;
    g_throw();
  }
  LRESULT OnThrow(WPARAM, LPARAM) {
    g_throw();
    return 1;
  }
  LRESULT OnAlive(WPARAM wParam, LPARAM) { return static_cast<LRESULT>(wParam + 1); }
  void OnThrowCommand() { g_throw(); }
  void DoDataExchange(CDataExchange* pDX) override {
    // A control this window does not have: the exchange cannot attach it.
    DDX_Control(pDX, 999, m_control);
  }

  bool m_bThrowOnCreate = false;
  int m_nPaints = 0;
  CWnd m_control;
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CThrowingWnd, CWnd)
  ON_WM_CREATE()
  ON_WM_PAINT()
  ON_MESSAGE(WM_THROW, OnThrow)
  ON_MESSAGE(WM_ALIVE, OnAlive)
  ON_COMMAND(kThrowCommand, OnThrowCommand)
END_MESSAGE_MAP()

class CTestApp : public CWinApp {
 public:
  BOOL InitInstance() override { return TRUE; }
  BOOL PreTranslateMessage(MSG* pMsg) override {
    if (pMsg->message == WM_APP + 3) AfxThrowArchiveException(CArchiveException::badClass, "pretranslated");
    return CWinApp::PreTranslateMessage(pMsg);
  }
};

class ExceptionReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
    vvtest::MessageBoxes::Install();
    g_throw = [] {};
  }
  void TearDown() override { AfxSetMessageBoxHook(nullptr); }
  static std::vector<std::string>& Boxes() { return vvtest::MessageBoxes::Get().texts; }

  char cmdLine_[1] = "";
  CTestApp app_;
};

TEST_F(ExceptionReportTest, AHandlerThatThrowsIsReportedAndTheWindowGoesOn) {
  struct Case {
    const char* what;
    std::function<void()> raise;
    const char* box;  // null: no box
  };
  const Case cases[] = {
      {"damaged clipboard data", [] { AfxThrowArchiveException(CArchiveException::endOfFile, "clipboard data"); },
       "An attempt was made to access clipboard data past its end."},
      {"a file that went away", [] { AfxThrowFileException(CFileException::fileNotFound, 2, "C:\\gone.tif"); },
       "C:\\gone.tif was not found."},
      {"an exception without a text", [] { throw new CException; }, "No error message is available."},
      // The user has been told already.
      {"a user exception", [] { AfxThrowUserException(); }, nullptr},
  };
  CThrowingWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "thrower", WS_POPUP, 0, 0, 50, 40, nullptr, nullptr));
  for (const Case& c : cases) {
    for (bool asCommand : {false, true}) {
      Boxes().clear();
      g_throw = c.raise;
      if (asCommand) {
        EXPECT_EQ(wnd.SendMessage(WM_COMMAND, kThrowCommand, 0), 0) << c.what;
      } else {
        EXPECT_EQ(wnd.SendMessage(WM_THROW), 0) << c.what;
      }
      std::vector<std::string> expected;
      if (c.box) expected.push_back(c.box);
      EXPECT_EQ(Boxes(), expected) << c.what << (asCommand ? " (command)" : " (message)");
      EXPECT_EQ(wnd.SendMessage(WM_ALIVE, 41), 42) << c.what;
    }
  }
  wnd.DestroyWindow();
}

TEST_F(ExceptionReportTest, CreationFailsAndPaintingStopsWhenTheirHandlersThrow) {
  CThrowingWnd failing;
  failing.m_bThrowOnCreate = true;
  EXPECT_FALSE(failing.CreateEx(0, AfxRegisterWndClass(0), "no", WS_POPUP, 0, 0, 50, 40, nullptr, nullptr));
  EXPECT_EQ(failing.m_hWnd, nullptr);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"A required resource was unavailable."});

  // A paint that throws leaves the window validated: it is not asked to paint again and again.
  CThrowingWnd painter;
  ASSERT_TRUE(painter.CreateEx(0, AfxRegisterWndClass(0), "paint", WS_POPUP | WS_VISIBLE, 0, 0, 50, 40, nullptr,
                               nullptr));
  Boxes().clear();
  g_throw = [] { AfxThrowArchiveException(CArchiveException::badSchema, "drawing"); };
  painter.Invalidate();
  painter.UpdateWindow();
  vvtest::Pump(100);
  EXPECT_EQ(painter.m_nPaints, 1);
  EXPECT_FALSE(GetUpdateRect(painter.m_hWnd, nullptr, FALSE));
  EXPECT_EQ(Boxes(), std::vector<std::string>{"drawing contains an incorrect schema."});
  painter.DestroyWindow();
}

TEST_F(ExceptionReportTest, TheMessageLoopRunsOnAfterAnExceptionOutsideEveryWindow) {
  CThrowingWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "loop", WS_POPUP, 0, 0, 50, 40, nullptr, nullptr));
  app_.m_pMainWnd = &wnd;
  g_throw = [] { AfxThrowArchiveException(CArchiveException::endOfFile, "first"); };
  // One from a pre-translation, one from a handler; the quit after them still ends the loop.
  PostMessageA(wnd.m_hWnd, WM_APP + 3, 0, 0);
  PostMessageA(wnd.m_hWnd, WM_THROW, 0, 0);
  PostQuitMessage(7);
  EXPECT_EQ(app_.Run(), 7);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"pretranslated contained an unexpected object.",
                                               "An attempt was made to access first past its end."}));
  app_.m_pMainWnd = nullptr;
  wnd.DestroyWindow();
}

TEST_F(ExceptionReportTest, DataExchangeThatCannotAttachAControlFailsWithAMessage) {
  CThrowingWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "ddx", WS_POPUP, 0, 0, 50, 40, nullptr, nullptr));
  EXPECT_FALSE(wnd.UpdateData(FALSE));
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Unsupported operation was attempted."});
  wnd.DestroyWindow();
}

}  // namespace
