// An MDI test program: a main frame with a toolbar and status bar, one document template, and
// documents opened through it. Checks command routing (view, document, child frame, main frame,
// application), command UI of menu items and toolbar buttons, the status prompt, UpdateAllViews,
// closing frames and documents, and the toolbar state in the profile.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "Archive.h"
#include "ControlBar.h"
#include "DocTemplate.h"
#include "Document.h"
#include "FrameWnd.h"
#include "Menu.h"
#include "TestResource.h"
#include "View.h"
#include "WinApp.h"
#include "WinTestSupport.h"

namespace {

std::vector<std::string> g_trace;
bool g_disableDocCommand = false;
bool g_useBaseOpen = false;
int g_closedDocuments = 0;

const UINT ID_SECOND_TOOLBAR = 0xE803;
const UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_CAPS};
const UINT kButtons[] = {ID_CMD_ALL, ID_CMD_DOC, ID_SEPARATOR, ID_CMD_CHILD, ID_CMD_APP, ID_CMD_NONE};

}  // namespace

class CTestDoc : public CDocument {
  DECLARE_DYNCREATE(CTestDoc)
 public:
  CString m_text;
  int m_count = 0;
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << m_text << m_count;
    } else {
      ar >> m_text >> m_count;
    }
  }
  BOOL OnOpenDocument(LPCSTR lpszPathName) override {
    if (g_useBaseOpen) return CDocument::OnOpenDocument(lpszPathName);
    return strstr(lpszPathName, "bad") == nullptr;
  }
  void OnCloseDocument() override {
    ++g_closedDocuments;
    CDocument::OnCloseDocument();
  }
  void OnCmdAll() { g_trace.push_back("doc"); }
  void OnCmdDoc() { g_trace.push_back("doc"); }
  BOOL OnPass(UINT) {
    g_trace.push_back("doc");
    return FALSE;
  }
  void OnUpdateDoc(CCmdUI* pCmdUI) { pCmdUI->Enable(!g_disableDocCommand); }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestDoc, CDocument)
BEGIN_MESSAGE_MAP(CTestDoc, CDocument)
  ON_COMMAND(ID_CMD_ALL, OnCmdAll)
  ON_COMMAND(ID_CMD_DOC, OnCmdDoc)
  ON_COMMAND_EX_RANGE(ID_CMD_PASS, ID_CMD_PASS, OnPass)
  ON_UPDATE_COMMAND_UI(ID_CMD_DOC, OnUpdateDoc)
END_MESSAGE_MAP()

class CTestView : public CView {
  DECLARE_DYNCREATE(CTestView)
 public:
  std::vector<LPARAM> hints;
  void OnDraw(CDC*) override {}
  void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override {
    hints.push_back(lHint);
    CView::OnUpdate(pSender, lHint, pHint);
  }
  void OnCmdAll() { g_trace.push_back("view"); }
  BOOL OnPass(UINT) {
    g_trace.push_back("view");
    return FALSE;
  }
  void OnUpdateAll(CCmdUI* pCmdUI) { pCmdUI->SetCheck(1); }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestView, CView)
BEGIN_MESSAGE_MAP(CTestView, CView)
  ON_COMMAND(ID_CMD_ALL, OnCmdAll)
  ON_COMMAND_EX_RANGE(ID_CMD_PASS, ID_CMD_PASS, OnPass)
  ON_UPDATE_COMMAND_UI(ID_CMD_ALL, OnUpdateAll)
END_MESSAGE_MAP()

class CChildFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CChildFrame)
 public:
  void OnCmd() { g_trace.push_back("child"); }
  BOOL OnPass(UINT) {
    g_trace.push_back("child");
    return FALSE;
  }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CChildFrame, CMDIChildWnd)
BEGIN_MESSAGE_MAP(CChildFrame, CMDIChildWnd)
  ON_COMMAND(ID_CMD_ALL, OnCmd)
  ON_COMMAND(ID_CMD_DOC, OnCmd)
  ON_COMMAND(ID_CMD_CHILD, OnCmd)
  ON_COMMAND_EX_RANGE(ID_CMD_PASS, ID_CMD_PASS, OnPass)
END_MESSAGE_MAP()

class CMainFrame : public CMDIFrameWnd {
  DECLARE_DYNCREATE(CMainFrame)
 public:
  CToolBar m_wndToolBar;
  CToolBar m_wndSecondBar;
  CStatusBar m_wndStatusBar;

  int OnCreate(LPCREATESTRUCT lpcs) {
    if (CMDIFrameWnd::OnCreate(lpcs) == -1) return -1;
    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT | TBSTYLE_WRAPABLE,
                               WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY) ||
        !m_wndToolBar.SetButtons(kButtons, sizeof kButtons / sizeof kButtons[0])) {
      return -1;
    }
    const UINT second[] = {ID_CMD_MAIN};
    if (!m_wndSecondBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP, RECT{0, 0, 0, 0},
                                 ID_SECOND_TOOLBAR) ||
        !m_wndSecondBar.SetButtons(second, 1)) {
      return -1;
    }
    if (!m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(kIndicators, 2)) return -1;
    EnableDocking(CBRS_ALIGN_ANY);
    m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
    m_wndSecondBar.EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_wndToolBar);
    DockControlBar(&m_wndSecondBar);
    return 0;
  }
  void OnCmd() { g_trace.push_back("main"); }
  BOOL OnPass(UINT) {
    g_trace.push_back("main");
    return FALSE;
  }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CMainFrame, CMDIFrameWnd)
BEGIN_MESSAGE_MAP(CMainFrame, CMDIFrameWnd)
  ON_WM_CREATE()
  ON_COMMAND(ID_CMD_ALL, OnCmd)
  ON_COMMAND(ID_CMD_DOC, OnCmd)
  ON_COMMAND(ID_CMD_CHILD, OnCmd)
  ON_COMMAND(ID_CMD_MAIN, OnCmd)
  ON_COMMAND_EX_RANGE(ID_CMD_PASS, ID_CMD_PASS, OnPass)
END_MESSAGE_MAP()

class CTestApp : public CWinApp {
 public:
  CMultiDocTemplate* m_pTemplate = nullptr;
  std::function<void(LONG)> m_onIdle;  // what a test does at idle time in the message loop
  BOOL OnIdle(LONG lCount) override {
    BOOL more = CWinApp::OnIdle(lCount);
    if (m_onIdle) m_onIdle(lCount);
    return more;
  }
  BOOL InitInstance() override {
    LoadStdProfileSettings(4);
    m_pTemplate = new CMultiDocTemplate(IDR_TESTTYPE, RUNTIME_CLASS(CTestDoc), RUNTIME_CLASS(CChildFrame),
                                        RUNTIME_CLASS(CTestView));
    AddDocTemplate(m_pTemplate);
    CMainFrame* frame = new CMainFrame;
    if (!frame->LoadFrame(IDR_MAINFRAME)) return FALSE;
    m_pMainWnd = frame;
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();
    return TRUE;
  }
  void OnCmd() { g_trace.push_back("app"); }
  BOOL OnPass(UINT) {
    g_trace.push_back("app");
    return FALSE;
  }
  void OnUpdateApp(CCmdUI* pCmdUI) { pCmdUI->SetRadio(TRUE); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
  ON_COMMAND(ID_CMD_ALL, OnCmd)
  ON_COMMAND(ID_CMD_DOC, OnCmd)
  ON_COMMAND(ID_CMD_CHILD, OnCmd)
  ON_COMMAND(ID_CMD_MAIN, OnCmd)
  ON_COMMAND(ID_CMD_APP, OnCmd)
  ON_COMMAND_EX_RANGE(ID_CMD_PASS, ID_CMD_PASS, OnPass)
  ON_UPDATE_COMMAND_UI(ID_CMD_APP, OnUpdateApp)
END_MESSAGE_MAP()

namespace {

std::string TempPath(const char* name) {
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  return std::string(dir) + name;
}

class DocViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_trace.clear();
    g_disableDocCommand = false;
    g_useBaseOpen = false;
    g_closedDocuments = 0;
    vvtest::MessageBoxes::Install();
    app_ = new CTestApp;
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr), nullptr, cmdLine_, SW_SHOWNORMAL));
    profile_ = std::string(app_->m_pszExeName) + ".INI";
    ASSERT_TRUE(app_->InitInstance());
    frame_ = static_cast<CMainFrame*>(app_->m_pMainWnd);
  }
  void TearDown() override {
    if (app_->m_pMainWnd) app_->m_pMainWnd->SendMessage(WM_CLOSE);
    vvtest::Pump(20);
    EXPECT_EQ(app_->m_pMainWnd, nullptr);
    delete app_;
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    DeleteFileA((std::string(dir) + "\\" + profile_).c_str());
  }

  CDocument* Open(const char* name) {
    CDocument* doc = app_->OpenDocumentFile(TempPath(name).c_str());
    vvtest::Pump(10);
    return doc;
  }

  int ChildCount() const {
    int n = 0;
    for (HWND h = GetWindow(frame_->m_hWndMDIClient, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
      if (GetWindow(h, GW_OWNER) == nullptr) ++n;  // icon titles are owned windows
    }
    return n;
  }

  CTestView* ViewOf(CDocument* doc) {
    POSITION pos = doc->GetFirstViewPosition();
    return pos ? static_cast<CTestView*>(doc->GetNextView(pos)) : nullptr;
  }

  char cmdLine_[1] = "";
  CTestApp* app_ = nullptr;
  CMainFrame* frame_ = nullptr;
  std::string profile_;
};

struct RouteCase {
  UINT id;
  std::vector<std::string> trace;
};

TEST_F(DocViewTest, CommandsReachViewThenDocumentThenFramesThenApplication) {
  ASSERT_NE(Open("route.tst"), nullptr);
  const RouteCase cases[] = {
      {ID_CMD_ALL, {"view"}},
      {ID_CMD_DOC, {"doc"}},
      {ID_CMD_CHILD, {"child"}},
      {ID_CMD_MAIN, {"main"}},
      {ID_CMD_APP, {"app"}},
      {ID_CMD_NONE, {}},
      // Handlers that pass the command on show the whole road.
      {ID_CMD_PASS, {"view", "doc", "child", "main", "app"}},
  };
  for (const RouteCase& c : cases) {
    SCOPED_TRACE(c.id);
    g_trace.clear();
    frame_->SendMessage(WM_COMMAND, MAKEWPARAM(c.id, 0), 0);
    EXPECT_EQ(g_trace, c.trace);
  }
}

TEST_F(DocViewTest, WithoutDocumentsCommandsGoToTheMainFrameAndApplication) {
  const RouteCase cases[] = {
      {ID_CMD_ALL, {"main"}},
      {ID_CMD_APP, {"app"}},
      {ID_CMD_PASS, {"main", "app"}},
  };
  for (const RouteCase& c : cases) {
    g_trace.clear();
    frame_->SendMessage(WM_COMMAND, MAKEWPARAM(c.id, 0), 0);
    EXPECT_EQ(g_trace, c.trace) << c.id;
  }
}

TEST_F(DocViewTest, ACommandItsUpdateHandlerDisablesIsNotCarriedOut) {
  ASSERT_NE(Open("disabled.tst"), nullptr);
  g_disableDocCommand = true;
  // As an accelerator would send it (command code 1).
  frame_->SendMessage(WM_COMMAND, MAKEWPARAM(ID_CMD_DOC, 1), 0);
  EXPECT_TRUE(g_trace.empty());
  g_disableDocCommand = false;
  frame_->SendMessage(WM_COMMAND, MAKEWPARAM(ID_CMD_DOC, 1), 0);
  EXPECT_EQ(g_trace, std::vector<std::string>{"doc"});
}

TEST_F(DocViewTest, UpdateHandlersSetMenuItemState) {
  ASSERT_NE(Open("menu.tst"), nullptr);
  g_disableDocCommand = true;
  // The active child's menu is on the frame now; its Edit popup is the second one.
  CMenu* bar = frame_->GetMenu();
  ASSERT_NE(bar, nullptr);
  CMenu* edit = nullptr;
  for (UINT i = 0; i < bar->GetMenuItemCount(); ++i) {
    CString text;
    bar->GetMenuString(i, text, MF_BYPOSITION);
    if (text == "&Edit") edit = bar->GetSubMenu(static_cast<int>(i));
  }
  ASSERT_NE(edit, nullptr);
  frame_->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit->m_hMenu), MAKELPARAM(1, FALSE));

  struct ItemCase {
    UINT id;
    bool enabled;
    bool checked;
    bool radio;
  };
  const ItemCase items[] = {
      {ID_CMD_ALL, true, true, false},    // the view checks it
      {ID_CMD_DOC, false, false, false},  // the document disables it
      {ID_CMD_CHILD, true, false, false}, // a handler and no update handler: enabled
      {ID_CMD_MAIN, true, false, false},
      {ID_CMD_APP, true, true, true},     // the application shows it as a radio item
      {ID_CMD_NONE, false, false, false}, // no handler at all: disabled
  };
  for (const ItemCase& c : items) {
    SCOPED_TRACE(c.id);
    UINT state = edit->GetMenuState(c.id, MF_BYCOMMAND);
    EXPECT_EQ((state & MF_GRAYED) == 0, c.enabled);
    EXPECT_EQ((state & MF_CHECKED) != 0, c.checked);
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(edit->m_hMenu, c.id, FALSE, &mii);
    EXPECT_EQ((mii.fType & MFT_RADIOCHECK) != 0, c.radio);
  }
}

TEST_F(DocViewTest, IdleTimeUpdatesToolbarButtons) {
  ASSERT_NE(Open("toolbar.tst"), nullptr);
  g_disableDocCommand = true;
  app_->OnIdle(0);
  HWND bar = frame_->m_wndToolBar.m_hWnd;
  struct ButtonCase {
    UINT id;
    bool enabled;
    bool checked;
  };
  const ButtonCase buttons[] = {
      {ID_CMD_ALL, true, true}, {ID_CMD_DOC, false, false}, {ID_CMD_CHILD, true, false},
      {ID_CMD_APP, true, true}, {ID_CMD_NONE, false, false},
  };
  for (const ButtonCase& c : buttons) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(SendMessageA(bar, TB_ISBUTTONENABLED, c.id, 0) != 0, c.enabled);
    EXPECT_EQ(SendMessageA(bar, TB_ISBUTTONCHECKED, c.id, 0) != 0, c.checked);
  }
  // The next idle time follows a changed state.
  g_disableDocCommand = false;
  app_->OnIdle(0);
  EXPECT_NE(SendMessageA(bar, TB_ISBUTTONENABLED, ID_CMD_DOC, 0), 0);
}

TEST_F(DocViewTest, StatusBarShowsTheCommandPromptWhileTheMenuIsOpen) {
  CMenu* bar = frame_->GetMenu();
  frame_->SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_CMD_ALL, MF_STRING), reinterpret_cast<LPARAM>(bar->m_hMenu));
  EXPECT_EQ(frame_->m_wndStatusBar.GetPaneText(0), "Does all");
  frame_->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  EXPECT_EQ(frame_->m_wndStatusBar.GetPaneText(0), "Ready");
}

TEST_F(DocViewTest, TwoDocumentsThroughTheTemplateAndTheirHints) {
  CDocument* a = Open("a.tst");
  CDocument* b = Open("b.tst");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->GetTitle(), "a.tst");
  EXPECT_EQ(a->GetPathName(), TempPath("a.tst").c_str());
  EXPECT_EQ(a->GetDocTemplate(), app_->m_pTemplate);
  EXPECT_EQ(app_->GetOpenDocumentCount(), 2);
  EXPECT_EQ(ChildCount(), 2);

  CTestView* va = ViewOf(a);
  CTestView* vb = ViewOf(b);
  ASSERT_NE(va, nullptr);
  ASSERT_NE(vb, nullptr);
  EXPECT_EQ(va->GetDocument(), a);
  // The initial update reached each view once, with hint 0.
  EXPECT_EQ(va->hints, std::vector<LPARAM>{0});
  a->UpdateAllViews(nullptr, -2, nullptr);
  b->UpdateAllViews(vb, 5, nullptr);  // the sender is left out
  EXPECT_EQ(va->hints, (std::vector<LPARAM>{0, -2}));
  EXPECT_EQ(vb->hints, std::vector<LPARAM>{0});

  // The active child is the last one opened; the frame's active document follows it.
  EXPECT_EQ(frame_->GetActiveDocument(), b);
  frame_->MDINext();
  EXPECT_EQ(frame_->GetActiveDocument(), a);

  // A file already open is brought forward, not opened twice.
  EXPECT_EQ(Open("B.TST"), b);
  EXPECT_EQ(app_->GetOpenDocumentCount(), 2);
  EXPECT_EQ(frame_->GetActiveDocument(), b);
}

TEST_F(DocViewTest, ClosingTheFrameClosesTheDocument) {
  CDocument* a = Open("a.tst");
  CDocument* b = Open("b.tst");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  CFrameWnd* frameA = ViewOf(a)->GetParentFrame();
  HWND hFrameA = frameA->m_hWnd;
  frameA->SendMessage(WM_CLOSE);
  vvtest::Pump(10);
  EXPECT_EQ(g_closedDocuments, 1);
  EXPECT_FALSE(IsWindow(hFrameA));
  EXPECT_EQ(app_->GetOpenDocumentCount(), 1);
  POSITION pos = app_->m_pTemplate->GetFirstDocPosition();
  EXPECT_EQ(app_->m_pTemplate->GetNextDoc(pos), b);
  EXPECT_EQ(ChildCount(), 1);
}

TEST_F(DocViewTest, AModifiedDocumentAsksBeforeItCloses) {
  CDocument* a = Open("changed.tst");
  ASSERT_NE(a, nullptr);
  a->SetModifiedFlag(TRUE);
  CFrameWnd* frameA = ViewOf(a)->GetParentFrame();
  vvtest::MessageBoxes& boxes = vvtest::MessageBoxes::Get();

  boxes.answers.push_back(IDCANCEL);
  frameA->SendMessage(WM_CLOSE);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Save changes to " + TempPath("changed.tst") + "?");
  EXPECT_EQ(app_->GetOpenDocumentCount(), 1);  // cancelled: nothing closed
  EXPECT_TRUE(IsWindow(frameA->m_hWnd));

  boxes.answers.push_back(IDNO);
  frameA->SendMessage(WM_CLOSE);
  vvtest::Pump(10);
  EXPECT_EQ(app_->GetOpenDocumentCount(), 0);
  EXPECT_EQ(g_closedDocuments, 1);
}

TEST_F(DocViewTest, AFileNoDocumentAcceptsLeavesNothingBehind) {
  EXPECT_EQ(Open("bad.tst"), nullptr);
  EXPECT_EQ(app_->GetOpenDocumentCount(), 0);
  EXPECT_EQ(ChildCount(), 0);

  // The framework's own reading of a missing file tells the user and leaves nothing either.
  g_useBaseOpen = true;
  EXPECT_EQ(Open("missing-file.tst"), nullptr);
  EXPECT_EQ(app_->GetOpenDocumentCount(), 0);
  EXPECT_EQ(ChildCount(), 0);
  EXPECT_EQ(vvtest::MessageBoxes::Get().texts.size(), 1u);
}

TEST_F(DocViewTest, ClosingTheMainFrameClosesEveryDocument) {
  ASSERT_NE(Open("a.tst"), nullptr);
  ASSERT_NE(Open("b.tst"), nullptr);
  frame_->SendMessage(WM_CLOSE);
  vvtest::Pump(10);
  EXPECT_EQ(g_closedDocuments, 2);
  EXPECT_EQ(app_->GetOpenDocumentCount(), 0);
  EXPECT_EQ(app_->m_pMainWnd, nullptr);
}

TEST_F(DocViewTest, ToolbarStateComesBackFromTheProfile) {
  CToolBar& second = frame_->m_wndSecondBar;
  // Hide the second bar and dock it at the bottom, then remember that.
  frame_->DockControlBar(&second, AFX_IDW_DOCKBAR_BOTTOM);
  frame_->ShowControlBar(&second, FALSE, FALSE);
  frame_->SaveBarState("Toolbars");
  EXPECT_EQ(app_->GetProfileInt("Toolbars-Summary", "Bars", 0), 3u);

  // Change it all back, then load the saved state.
  frame_->DockControlBar(&second, AFX_IDW_DOCKBAR_TOP);
  frame_->ShowControlBar(&second, TRUE, FALSE);
  frame_->ShowControlBar(&frame_->m_wndToolBar, FALSE, FALSE);
  frame_->LoadBarState("Toolbars");

  EXPECT_FALSE(second.IsVisible());
  EXPECT_EQ(second.m_nDockBarID, static_cast<UINT>(AFX_IDW_DOCKBAR_BOTTOM));
  EXPECT_TRUE(second.GetBarStyle() & CBRS_ALIGN_BOTTOM);
  EXPECT_TRUE(frame_->m_wndToolBar.IsVisible());
  EXPECT_EQ(frame_->m_wndToolBar.m_nDockBarID, static_cast<UINT>(AFX_IDW_DOCKBAR_TOP));

  // Shown again at the bottom, it sits above the status bar and below the client.
  frame_->ShowControlBar(&second, TRUE, FALSE);
  CRect barRect, statusRect, clientRect;
  second.GetWindowRect(&barRect);
  frame_->m_wndStatusBar.GetWindowRect(&statusRect);
  GetWindowRect(frame_->m_hWndMDIClient, &clientRect);
  EXPECT_LE(barRect.bottom, statusRect.top);
  EXPECT_GE(barRect.top, clientRect.bottom);
}

TEST_F(DocViewTest, DockingBesideABarSharesItsRow) {
  CToolBar& first = frame_->m_wndToolBar;
  CToolBar& second = frame_->m_wndSecondBar;
  frame_->RecalcLayout();
  CRect r;
  first.GetWindowRect(&r);
  r.OffsetRect(r.Width() + 1, 0);  // just right of the first bar
  frame_->DockControlBar(&second, AFX_IDW_DOCKBAR_TOP, &r);
  CRect a, b;
  first.GetWindowRect(&a);
  second.GetWindowRect(&b);
  EXPECT_EQ(second.m_nRow, first.m_nRow);
  EXPECT_EQ(a.top, b.top);
  EXPECT_GE(b.left, a.right);
}

TEST_F(DocViewTest, ToolbarTipsAndFlyByPromptsComeFromTheCommandStrings) {
  struct TipCase {
    CToolBar* bar;
    UINT id;
    const char* tip;
    const char* prompt;  // the status pane after the tip was asked for
  };
  // The first bar asks for tips and fly-by prompts; the second for neither.
  const TipCase cases[] = {
      {&frame_->m_wndToolBar, ID_CMD_ALL, "All", "Does all"},
      {&frame_->m_wndToolBar, ID_CMD_DOC, "Document", "Does the document's part"},
      {&frame_->m_wndToolBar, ID_CMD_NONE, "", ""},
      {&frame_->m_wndSecondBar, ID_CMD_ALL, "", "Ready"},
  };
  for (const TipCase& c : cases) {
    SCOPED_TRACE(c.id);
    frame_->SetMessageText(AFX_IDS_IDLEMESSAGE);
    NMTTDISPINFOA info = {};
    info.hdr.hwndFrom = reinterpret_cast<HWND>(c.bar->SendMessage(TB_GETTOOLTIPS));
    ASSERT_NE(info.hdr.hwndFrom, nullptr);
    info.hdr.idFrom = c.id;
    info.hdr.code = TTN_GETDISPINFOA;
    frame_->SendMessage(WM_NOTIFY, c.id, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(info.lpszText, c.tip);
    EXPECT_EQ(frame_->m_wndStatusBar.GetPaneText(0), c.prompt);
  }
}

TEST_F(DocViewTest, ShellFileTypesNameTheProgramAndItsDdeOpen) {
  app_->EnableShellOpen();
  app_->RegisterShellFileTypes(TRUE);
  auto value = [](const char* key) {
    char buf[MAX_PATH * 2] = "";
    LONG size = sizeof buf;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key, buf, &size) != ERROR_SUCCESS) return std::string("<missing>");
    return std::string(buf);
  };
  EXPECT_EQ(value(".tst"), "VellTest.Document");
  EXPECT_EQ(value("VellTest.Document"), "VellTest Document");
  std::string command = value("VellTest.Document\\shell\\open\\command");
  EXPECT_NE(command.find("framework_win_docview_test.exe\" \"%1\""), std::string::npos) << command;
  EXPECT_EQ(value("VellTest.Document\\shell\\open\\ddeexec"), "[open(\"%1\")]");
  EXPECT_EQ(value("VellTest.Document\\shell\\open\\ddeexec\\topic"), "system");
  RegDeleteTreeA(HKEY_CLASSES_ROOT, "VellTest.Document");
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ".tst");
}

TEST_F(DocViewTest, ToolbarResourcesLoadWholeOrNotAtAll) {
  CToolBar bar;
  ASSERT_TRUE(bar.CreateEx(frame_));
  EXPECT_FALSE(bar.LoadToolBar(IDR_BAD_TOOLBAR));
  EXPECT_FALSE(bar.LoadToolBar(IDR_MISSING_TOOLBAR));
  EXPECT_EQ(bar.GetCount(), 0);
  // A whole one loads its buttons, the gap included, and their images.
  ASSERT_TRUE(bar.LoadToolBar(IDR_GOOD_TOOLBAR));
  EXPECT_EQ(bar.GetCount(), 3);
  EXPECT_EQ(bar.GetItemID(0), static_cast<UINT>(ID_CMD_ALL));
  EXPECT_EQ(bar.GetItemID(1), static_cast<UINT>(ID_SEPARATOR));
  EXPECT_EQ(bar.CommandToIndex(ID_CMD_DOC), 2);
  EXPECT_TRUE(bar.GetButtonStyle(1) & TBSTYLE_SEP);
  bar.DestroyWindow();
}

TEST_F(DocViewTest, RecentFilesReopenAndForgetFilesThatNoLongerOpen) {
  CDocument* a = Open("recent.tst");
  ASSERT_NE(a, nullptr);
  ViewOf(a)->GetParentFrame()->SendMessage(WM_CLOSE);
  vvtest::Pump(10);
  ASSERT_EQ(app_->GetOpenDocumentCount(), 0);
  frame_->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1, 0);
  ASSERT_EQ(app_->GetOpenDocumentCount(), 1);
  EXPECT_EQ(frame_->GetActiveDocument()->GetPathName(), TempPath("recent.tst").c_str());

  // A listed file that no longer opens leaves the list.
  app_->AddToRecentFileList(TempPath("bad.tst").c_str());
  frame_->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1, 0);
  EXPECT_EQ(app_->GetOpenDocumentCount(), 1);
  app_->SaveStdProfileSettings();
  EXPECT_EQ(app_->GetProfileString("Recent File List", "File1"), TempPath("recent.tst").c_str());
  EXPECT_EQ(app_->GetProfileString("Recent File List", "File2", "none"), "none");
}

TEST_F(DocViewTest, DroppedFilesOpenAsDocuments) {
  std::vector<std::string> files = {TempPath("drop1.tst"), TempPath("drop2.tst")};
  size_t size = sizeof(DROPFILES) + 1;
  for (const std::string& f : files) size += f.size() + 1;
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(h));
  drop->pFiles = sizeof(DROPFILES);
  char* p = reinterpret_cast<char*>(drop + 1);
  for (const std::string& f : files) {
    memcpy(p, f.c_str(), f.size() + 1);
    p += f.size() + 1;
  }
  GlobalUnlock(h);
  frame_->SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(h), 0);
  vvtest::Pump(10);
  EXPECT_EQ(app_->GetOpenDocumentCount(), 2);
  EXPECT_EQ(frame_->GetActiveDocument()->GetPathName(), files[1].c_str());
}


TEST_F(DocViewTest, TheMessageLoopUpdatesToolbarsWhenIdleAndEndsWithTheMainFrame) {
  ASSERT_NE(Open("run.tst"), nullptr);
  g_disableDocCommand = true;
  HWND bar = frame_->m_wndToolBar.m_hWnd;
  LRESULT docEnabled = -1, allEnabled = -1;
  app_->m_onIdle = [&](LONG lCount) {
    if (lCount != 0 || docEnabled != -1) return;
    docEnabled = SendMessageA(bar, TB_ISBUTTONENABLED, ID_CMD_DOC, 0);
    allEnabled = SendMessageA(bar, TB_ISBUTTONENABLED, ID_CMD_ALL, 0);
    frame_->PostMessage(WM_CLOSE);
  };
  EXPECT_EQ(app_->Run(), 0);
  EXPECT_EQ(docEnabled, 0);
  EXPECT_NE(allEnabled, 0);
  EXPECT_EQ(app_->m_pMainWnd, nullptr);
  EXPECT_EQ(g_closedDocuments, 1);
  // Leaving saved the recent-file list.
  EXPECT_EQ(app_->GetProfileString("Recent File List", "File1"), TempPath("run.tst").c_str());
}


TEST_F(DocViewTest, SavedDocumentsOpenAgainAndBrokenFilesAreRefused) {
  CTestDoc* doc = static_cast<CTestDoc*>(Open("saved.tst"));
  ASSERT_NE(doc, nullptr);
  doc->m_text = "Sheet A1";
  doc->m_count = 1200;
  doc->SetModifiedFlag(TRUE);
  const std::string path = TempPath("vv saved document.tst");
  ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
  EXPECT_FALSE(doc->IsModified());

  // A save that cannot happen says so and keeps the document modified: nothing is lost.
  doc->SetModifiedFlag(TRUE);
  EXPECT_FALSE(doc->OnSaveDocument("Z:\\no such folder\\x.tst"));
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(vvtest::MessageBoxes::Get().texts.size(), 1u);
  doc->SetModifiedFlag(FALSE);

  g_useBaseOpen = true;
  CTestDoc* again = static_cast<CTestDoc*>(app_->OpenDocumentFile(path.c_str()));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->m_text, "Sheet A1");
  EXPECT_EQ(again->m_count, 1200);
  EXPECT_FALSE(again->IsModified());

  // The same file cut short: the reader's failure is told, and no document stays.
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  SetFilePointer(f, 5, nullptr, FILE_BEGIN);
  SetEndOfFile(f);
  CloseHandle(f);
  const std::string cut = TempPath("vv cut document.tst");
  ASSERT_TRUE(CopyFileA(path.c_str(), cut.c_str(), FALSE));
  int before = app_->GetOpenDocumentCount();
  EXPECT_EQ(app_->OpenDocumentFile(cut.c_str()), nullptr);
  EXPECT_EQ(app_->GetOpenDocumentCount(), before);
  EXPECT_EQ(vvtest::MessageBoxes::Get().texts.size(), 2u);
  DeleteFileA(path.c_str());
  DeleteFileA(cut.c_str());
}


TEST_F(DocViewTest, FrameTitlesAndTheWindowMenuFollowTheDocuments) {
  char title[256];
  GetWindowTextA(frame_->m_hWnd, title, sizeof title);
  EXPECT_STREQ(title, "Vellview Test");  // the title string of the frame's resource
  CDocument* a = Open("a.tst");
  CDocument* b = Open("b.tst");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  app_->OnIdle(0);
  GetWindowTextA(frame_->m_hWnd, title, sizeof title);
  EXPECT_STREQ(title, "Vellview Test - b.tst");
  GetWindowTextA(ViewOf(a)->GetParentFrame()->m_hWnd, title, sizeof title);
  EXPECT_STREQ(title, "a.tst");

  // The Window popup of the document's menu lists the open children.
  CMenu* bar = frame_->GetMenu();
  CMenu* window = CMenu::FromHandle(frame_->GetWindowMenuPopup(bar->m_hMenu));
  ASSERT_NE(window, nullptr);
  std::vector<std::string> items;
  for (UINT i = 0; i < window->GetMenuItemCount(); ++i) {
    CString text;
    window->GetMenuString(i, text, MF_BYPOSITION);
    items.push_back(std::string(text));
  }
  EXPECT_NE(std::find(items.begin(), items.end(), "&1 a.tst"), items.end());
  EXPECT_NE(std::find(items.begin(), items.end(), "&2 b.tst"), items.end());

  // A maximised child shows as maximised to the frame.
  CMDIChildWnd* child = frame_->MDIGetActive();
  ASSERT_NE(child, nullptr);
  child->MDIMaximize();
  BOOL maximized = FALSE;
  EXPECT_EQ(frame_->MDIGetActive(&maximized), child);
  EXPECT_TRUE(maximized);
}


TEST_F(DocViewTest, NewDocumentsAreNumberedAfterTheDocumentName) {
  frame_->SendMessage(WM_COMMAND, ID_FILE_NEW, 0);
  frame_->SendMessage(WM_COMMAND, ID_FILE_NEW, 0);
  ASSERT_EQ(app_->GetOpenDocumentCount(), 2);
  POSITION pos = app_->m_pTemplate->GetFirstDocPosition();
  CDocument* first = app_->m_pTemplate->GetNextDoc(pos);
  CDocument* second = app_->m_pTemplate->GetNextDoc(pos);
  EXPECT_EQ(first->GetTitle(), "Test1");
  EXPECT_EQ(second->GetTitle(), "Test2");
  EXPECT_TRUE(first->GetPathName().IsEmpty());
  EXPECT_FALSE(first->IsModified());
}

}  // namespace
