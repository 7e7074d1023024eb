// The main frame: bars, the status-bar progress, placement and toolbar state.
#include "MainFrm.h"

#include "SplashWnd.h"

#include "resource.h"

IMPLEMENT_DYNCREATE(CMainFrame, COXMainFrame)

namespace {

const UINT kIndicators[] = {ID_SEPARATOR, ID_SEPARATOR, ID_SEPARATOR};
const int kVisiblePaneWidth = 195;
const char kPlacementSection[] = "WindowPlacement";
const char* const kPlacementKeys[] = {"Flags", "ShowCmd", "Left", "Top", "Right", "Bottom"};

}  // namespace

BEGIN_MESSAGE_MAP(CMainFrame, COXMainFrame)
  ON_WM_CREATE()
  ON_WM_SHOWWINDOW()
  ON_WM_CLOSE()
  ON_WM_INITMENUPOPUP()
  ON_COMMAND(ID_VIEW_MAINTOOLBAR, OnViewMainToolbar)
  ON_UPDATE_COMMAND_UI(ID_VIEW_MAINTOOLBAR, OnUpdateViewMainToolbar)
  ON_COMMAND(ID_VIEW_ANNOTATIONTOOLBAR, OnViewAnnotationToolbar)
  ON_UPDATE_COMMAND_UI(ID_VIEW_ANNOTATIONTOOLBAR, OnUpdateViewAnnotationToolbar)
END_MESSAGE_MAP()

int CMainFrame::OnCreate(LPCREATESTRUCT lpcs) {
  if (COXMainFrame::OnCreate(lpcs) == -1) return -1;

  const DWORD barStyle = 0x50402834;  // child, visible, gripper, top, tooltips, fly-by, dynamic
  const DWORD ctrlStyle = TBSTYLE_FLAT | TBSTYLE_WRAPABLE;
  if (!m_wndToolBar.CreateEx(this, ctrlStyle, barStyle) || !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) return -1;
  if (!m_wndAnnotationBar.CreateEx(this, ctrlStyle, barStyle, RECT{0, 0, 0, 0}, AFX_IDW_TOOLBAR + 1) ||
      !m_wndAnnotationBar.LoadToolBar(IDR_ANNOTATIONBAR))
    return -1;

  if (!m_wndStatusBar.Create(this, 0x50008200, AFX_IDW_STATUS_BAR) ||
      !m_wndStatusBar.SetIndicators(kIndicators, 3))
    return -1;
  m_wndStatusBar.SetPaneInfo(1, ID_INDICATOR_PROGRESS, SBPS_NOBORDERS, 0);
  m_wndStatusBar.SetPaneInfo(2, ID_INDICATOR_TEXT, 0, 200);

  // Without the progress control or the text pane the frame still works; the rest of the
  // dressing is skipped.
  if (!m_wndProgress.Create(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, RECT{0, 0, 0, 0}, &m_wndStatusBar,
                            ID_INDICATOR_PROGRESS))
    return 0;
  if (!m_wndStatusText.Create("", 0x54000001, RECT{0, 0, 0, 0}, &m_wndStatusBar, ID_INDICATOR_TEXT)) return 0;
  m_wndProgress.ShowWindow(SW_HIDE);

  CString caption;
  caption.LoadString(IDS_TOOLBAR_MAIN);
  m_wndToolBar.SetWindowText(caption);
  caption.LoadString(IDS_TOOLBAR_ANNOTATIONS);
  m_wndAnnotationBar.SetWindowText(caption);
  m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
  m_wndAnnotationBar.EnableDocking(CBRS_ALIGN_ANY);
  EnableDocking(CBRS_ALIGN_ANY);
  DockControlBar(&m_wndToolBar, AFX_IDW_DOCKBAR_TOP);
  // The annotation bar goes to the right of the main bar, on the side the main bar names.
  RecalcLayout();
  CRect rect;
  m_wndToolBar.GetWindowRect(&rect);
  rect.OffsetRect(1, 0);
  DWORD style = m_wndToolBar.GetBarStyle();
  UINT side = AFX_IDW_DOCKBAR_TOP;
  if (style & CBRS_ALIGN_TOP) {
    side = AFX_IDW_DOCKBAR_TOP;
  } else if (style & CBRS_ALIGN_BOTTOM) {
    side = AFX_IDW_DOCKBAR_BOTTOM;
  } else if (style & CBRS_ALIGN_LEFT) {
    side = AFX_IDW_DOCKBAR_LEFT;
  } else if (style & CBRS_ALIGN_RIGHT) {
    side = AFX_IDW_DOCKBAR_RIGHT;
  }
  DockControlBar(&m_wndAnnotationBar, side, &rect);

  m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);
  m_wndAnnotationBar.SetBarStyle(m_wndAnnotationBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);

  m_wndProgress.SendMessage(PBM_SETRANGE, 0, 0x640000);
  m_wndProgress.SendMessage(PBM_SETPOS, 0, 0);

  LoadBarState("Toolbars");
  RecalcLayout();

  HBITMAP background = static_cast<HBITMAP>(
      ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, 0));
  SetBackground(RGB(128, 128, 128), COXMDIClient::ModeCentre, background);
  if (background) ::DeleteObject(background);

  CString commandLine(AfxGetApp()->m_lpCmdLine);
  commandLine.MakeUpper();
  if (commandLine.Find("/T") < 0) CSplashWnd::ShowSplashScreen(this);
  return 0;
}

void CMainFrame::RecalcLayout(BOOL bNotify) {
  COXMainFrame::RecalcLayout(bNotify);
  if (!m_wndStatusBar.m_hWnd) return;
  if (m_wndProgress.m_hWnd && m_wndProgress.IsWindowVisible()) {
    CRect r;
    m_wndStatusBar.GetItemRect(1, &r);
    m_wndProgress.MoveWindow(&r);
  } else if (m_wndStatusText.m_hWnd) {
    CRect r;
    m_wndStatusBar.GetItemRect(2, &r);
    r.DeflateRect(1, 1);
    m_wndStatusText.MoveWindow(&r);
    m_wndStatusText.SendMessage(WM_SETFONT, m_wndStatusBar.SendMessage(WM_GETFONT), TRUE);
  }
}

void CMainFrame::SetProgress(int percent) {
  if (!m_bProgressLive || !m_wndProgress.m_hWnd) return;
  if (m_wndProgress.IsWindowVisible()) {
    if (percent == 0) {
      m_wndProgress.ShowWindow(SW_HIDE);
      m_wndStatusText.ShowWindow(SW_SHOW);
      m_wndStatusBar.SetPaneInfo(1, ID_INDICATOR_PROGRESS, SBPS_NOBORDERS, 0);
      m_wndStatusBar.SetPaneInfo(2, ID_INDICATOR_TEXT, 0, kVisiblePaneWidth);
      RecalcLayout();
    }
    m_wndProgress.SendMessage(PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    return;
  }
  if (percent == 0) return;
  m_wndProgress.ShowWindow(SW_SHOW);
  m_wndStatusText.ShowWindow(SW_HIDE);
  m_wndStatusBar.SetPaneInfo(1, ID_INDICATOR_PROGRESS, SBPS_NOBORDERS, kVisiblePaneWidth);
  m_wndStatusBar.SetPaneInfo(2, ID_INDICATOR_TEXT, 0, 0);
  RecalcLayout();
  m_wndProgress.SendMessage(PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void CMainFrame::SetStatusText(LPCSTR text) {
  if (!m_wndStatusText.m_hWnd) return;
  m_wndStatusText.SetWindowText(text);
  m_wndStatusBar.Invalidate(TRUE);
  m_wndStatusBar.UpdateWindow();
}

void CMainFrame::SetFirstPaneText(LPCSTR text) {
  if (m_wndStatusBar.m_hWnd) m_wndStatusBar.SetPaneText(0, text);
}

void CMainFrame::ShowFirstPaneText(LPCSTR text) {
  CWinApp* app = AfxGetApp();
  CWnd* frame = app ? app->m_pMainWnd : nullptr;
  if (frame && frame->IsKindOf(RUNTIME_CLASS(CMainFrame))) static_cast<CMainFrame*>(frame)->SetFirstPaneText(text);
}

void CMainFrame::OnShowWindow(BOOL, UINT) {
  if (!m_bFirstShow) {
    Default();
    return;
  }
  m_bFirstShow = FALSE;
  Default();
  RestorePlacement();
}

void CMainFrame::RestorePlacement() {
  CWinApp* app = AfxGetApp();
  int v[6];
  for (int i = 0; i < 6; ++i) {
    v[i] = static_cast<int>(app->GetProfileInt(kPlacementSection, kPlacementKeys[i], 0));
    if (v[i] == 0) return;
  }
  if (v[2] > ::GetSystemMetrics(SM_CXSCREEN) - ::GetSystemMetrics(SM_CXICON)) return;
  if (v[3] > ::GetSystemMetrics(SM_CYSCREEN) - ::GetSystemMetrics(SM_CXICON)) return;
  WINDOWPLACEMENT wp;
  GetWindowPlacement(&wp);
  wp.flags = static_cast<UINT>(v[0]);
  wp.showCmd = static_cast<UINT>(v[1]);
  wp.rcNormalPosition = RECT{v[2], v[3], v[4], v[5]};
  SetWindowPlacement(&wp);
}

void CMainFrame::SavePlacement() {
  WINDOWPLACEMENT wp;
  if (!GetWindowPlacement(&wp)) return;
  const int v[6] = {static_cast<int>(wp.flags), static_cast<int>(wp.showCmd), wp.rcNormalPosition.left,
                    wp.rcNormalPosition.top, wp.rcNormalPosition.right, wp.rcNormalPosition.bottom};
  CWinApp* app = AfxGetApp();
  for (int i = 0; i < 6; ++i) app->WriteProfileInt(kPlacementSection, kPlacementKeys[i], v[i]);
}

void CMainFrame::OnClose() {
  SaveBarState("Toolbars");
  SavePlacement();
  COXMainFrame::OnClose();
}

void CMainFrame::OnViewMainToolbar() { ShowControlBar(&m_wndToolBar, !m_wndToolBar.IsVisible(), FALSE); }
void CMainFrame::OnUpdateViewMainToolbar(CCmdUI* pCmdUI) { pCmdUI->SetCheck(m_wndToolBar.IsVisible() ? 1 : 0); }
void CMainFrame::OnViewAnnotationToolbar() {
  ShowControlBar(&m_wndAnnotationBar, !m_wndAnnotationBar.IsVisible(), FALSE);
}
void CMainFrame::OnUpdateViewAnnotationToolbar(CCmdUI* pCmdUI) {
  pCmdUI->SetCheck(m_wndAnnotationBar.IsVisible() ? 1 : 0);
}
