// Frame windows: creation from one resource id, layout of bars and client, command routing to
// the active view and document, menu command UI and status prompts, the bar state in the
// profile, and the shell's DDE conversation on the main frame.
#include "FrameWnd.h"

#include <dde.h>
#include <shellapi.h>

#include <algorithm>

#include "ControlBar.h"
#include "DocTemplate.h"
#include "Document.h"
#include "Gdi.h"
#include "Menu.h"
#include "View.h"
#include "WinApp.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)
IMPLEMENT_DYNCREATE(CMDIFrameWnd, CFrameWnd)
IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)

const RECT CFrameWnd::rectDefault = {static_cast<LONG>(CW_USEDEFAULT), static_cast<LONG>(CW_USEDEFAULT), 0, 0};

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
  ON_WM_CREATE()
  ON_WM_CLOSE()
  ON_WM_DESTROY()
  ON_WM_SIZE()
  ON_WM_SETFOCUS()
  ON_WM_INITMENUPOPUP()
  ON_WM_DROPFILES()
  ON_MESSAGE(WM_MENUSELECT, OnMenuSelect)
  ON_MESSAGE(WM_SETMESSAGESTRING, OnSetMessageString)
  ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
  ON_MESSAGE(WM_DDE_INITIATE, OnDDEInitiate)
  ON_MESSAGE(WM_DDE_EXECUTE, OnDDEExecute)
  ON_MESSAGE(WM_DDE_TERMINATE, OnDDETerminate)
  ON_COMMAND_EX_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnBarCheck)
  ON_UPDATE_COMMAND_UI_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnUpdateControlBarMenu)
  ON_UPDATE_COMMAND_UI_RANGE(ID_INDICATOR_CAPS, ID_INDICATOR_SCRL, OnUpdateKeyIndicator)
  ON_COMMAND(ID_HELP_FINDER, OnHelpFinder)
END_MESSAGE_MAP()

CFrameWnd::~CFrameWnd() {
  if (m_hMenuDefault) ::DestroyMenu(m_hMenuDefault);
}

// --- creation ---------------------------------------------------------------------------------------

BOOL CFrameWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, LPCSTR lpszMenuName, DWORD dwExStyle, CCreateContext* pContext) {
  HMENU hMenu = nullptr;
  if (lpszMenuName) {
    hMenu = ::LoadMenuA(AfxFindResourceHandle(lpszMenuName, reinterpret_cast<LPCSTR>(RT_MENU)), lpszMenuName);
    if (!hMenu) return FALSE;
  }
  m_strTitle = lpszWindowName;
  if (!CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle & ~(FWS_ADDTOTITLE | FWS_PREFIXTITLE | FWS_SNAPTOBARS),
                rect.left, rect.top, AfxCreateExtent(rect.left, rect.right), AfxCreateExtent(rect.top, rect.bottom),
                AfxSafeHwnd(pParentWnd), hMenu,
                pContext)) {
    if (hMenu) ::DestroyMenu(hMenu);
    return FALSE;
  }
  return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
  m_nIDHelp = nIDResource;
  CString docString;
  docString.LoadString(nIDResource);
  AfxExtractSubString(m_strTitle, docString, 0);

  HINSTANCE hInst = AfxGetResourceHandle();
  LPCSTR name = MAKEINTRESOURCEA(nIDResource);
  HICON hIcon = ::LoadIconA(hInst, name);
  LPCSTR cls = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW),
                                   reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), hIcon);
  m_dwFrameStyle = dwDefaultStyle;
  if (!Create(cls, m_strTitle, dwDefaultStyle, rectDefault, pParentWnd,
              ::FindResourceA(hInst, name, reinterpret_cast<LPCSTR>(RT_MENU)) ? name : nullptr, 0, pContext)) {
    return FALSE;
  }
  m_hMenuDefault = ::GetMenu(m_hWnd);
  m_hAccelTable = ::LoadAcceleratorsA(hInst, name);
  if (!pContext) SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE);
  return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpcs) {
  // An MDI child gets its creation data wrapped in the MDI creation record.
  void* params = lpcs->lpCreateParams;
  if ((lpcs->dwExStyle & WS_EX_MDICHILD) && params) {
    params = reinterpret_cast<void*>(static_cast<MDICREATESTRUCTA*>(params)->lParam);
  }
  return OnCreateHelper(lpcs, static_cast<CCreateContext*>(params));
}

int CFrameWnd::OnCreateHelper(LPCREATESTRUCT lpcs, CCreateContext* pContext) {
  if (CWnd::OnCreate(lpcs) == -1) return -1;
  if (!OnCreateClient(lpcs, pContext)) return -1;
  RecalcLayout();
  return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
  if (pContext && pContext->m_pNewViewClass) return CreateView(pContext, AFX_IDW_PANE_FIRST) != nullptr;
  return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID) {
  CObject* obj = pContext->m_pNewViewClass->CreateObject();
  if (!obj) return nullptr;
  CWnd* pView = static_cast<CWnd*>(obj);
  // The view deletes itself when its window goes, including when creation fails.
  if (!pView->Create(nullptr, nullptr, AFX_WS_DEFAULT_VIEW, CRect(0, 0, 0, 0), this, nID, pContext)) return nullptr;
  return pView;
}

// --- layout -------------------------------------------------------------------------------------------

void CFrameWnd::RecalcLayout(BOOL) {
  if (!m_hWnd) return;
  CRect rc;
  ::GetClientRect(m_hWnd, &rc);
  // Bars claim their sides: top and bottom bars first along the full width, in row order, then
  // left and right ones between them. Bars of one row share the row's height.
  static const UINT kSides[] = {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM, AFX_IDW_DOCKBAR_LEFT,
                                AFX_IDW_DOCKBAR_RIGHT};
  for (UINT side : kSides) {
    std::vector<CControlBar*> bars;
    for (CControlBar* b : m_listControlBars) {
      if (b->m_hWnd && b->IsVisible() && b->m_nDockBarID == side) bars.push_back(b);
    }
    std::stable_sort(bars.begin(), bars.end(), [](CControlBar* a, CControlBar* b) {
      return a->m_nRow != b->m_nRow ? a->m_nRow < b->m_nRow : a->m_nPos < b->m_nPos;
    });
    bool horz = side == AFX_IDW_DOCKBAR_TOP || side == AFX_IDW_DOCKBAR_BOTTOM;
    for (size_t i = 0; i < bars.size();) {
      size_t j = i;
      int thick = 0;
      while (j < bars.size() && bars[j]->m_nRow == bars[i]->m_nRow) {
        CSize s = bars[j]->CalcFixedLayout(FALSE, horz);
        thick = std::max(thick, static_cast<int>(horz ? s.cy : s.cx));
        ++j;
      }
      int along = horz ? rc.left : rc.top;
      for (size_t k = i; k < j; ++k) {
        CControlBar* b = bars[k];
        // A status bar (stretching) takes the whole length; other bars their own length.
        CSize s = b->CalcFixedLayout(TRUE, horz);
        int len = horz ? s.cx : s.cy;
        if (len <= 0 || len > (horz ? rc.right : rc.bottom) - along) len = (horz ? rc.right : rc.bottom) - along;
        if (b->m_nPos > along && k > i) along = std::min(b->m_nPos, static_cast<int>(horz ? rc.right : rc.bottom) - len);
        CRect r;
        if (side == AFX_IDW_DOCKBAR_TOP) r.SetRect(along, rc.top, along + len, rc.top + thick);
        if (side == AFX_IDW_DOCKBAR_BOTTOM) r.SetRect(along, rc.bottom - thick, along + len, rc.bottom);
        if (side == AFX_IDW_DOCKBAR_LEFT) r.SetRect(rc.left, along, rc.left + thick, along + len);
        if (side == AFX_IDW_DOCKBAR_RIGHT) r.SetRect(rc.right - thick, along, rc.right, along + len);
        ::SetWindowPos(b->m_hWnd, nullptr, r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        along += len;
      }
      if (side == AFX_IDW_DOCKBAR_TOP) rc.top += thick;
      if (side == AFX_IDW_DOCKBAR_BOTTOM) rc.bottom -= thick;
      if (side == AFX_IDW_DOCKBAR_LEFT) rc.left += thick;
      if (side == AFX_IDW_DOCKBAR_RIGHT) rc.right -= thick;
      i = j;
    }
  }
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  RepositionClient(rc);
}

void CFrameWnd::RepositionClient(const RECT& rc) {
  HWND pane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST);
  if (pane) ::SetWindowPos(pane, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CFrameWnd::OnSize(UINT nType, int, int) {
  Default();
  if (nType != SIZE_MINIMIZED) RecalcLayout();
}

// --- activation and documents -------------------------------------------------------------------------

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify) {
  CView* pViewOld = m_pViewActive;
  if (pViewNew == pViewOld) return;
  m_pViewActive = nullptr;
  if (pViewOld && bNotify) pViewOld->OnActivateView(FALSE, pViewNew, pViewOld);
  m_pViewActive = pViewNew;
  if (pViewNew && bNotify) pViewNew->OnActivateView(TRUE, pViewNew, pViewOld);
}

CDocument* CFrameWnd::GetActiveDocument() {
  CView* v = GetActiveView();
  return v ? v->GetDocument() : nullptr;
}

void CFrameWnd::ActivateFrame(int nCmdShow) {
  if (nCmdShow == -1) {
    nCmdShow = ::IsWindowVisible(m_hWnd) ? (::IsIconic(m_hWnd) ? SW_RESTORE : SW_SHOW) : SW_SHOWNORMAL;
  }
  ::ShowWindow(m_hWnd, nCmdShow);
  ::BringWindowToTop(m_hWnd);
}

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible) {
  if (!GetActiveView()) {
    CWnd* pane = GetDlgItem(AFX_IDW_PANE_FIRST);
    if (pane && pane->IsKindOf(RUNTIME_CLASS(CView))) SetActiveView(static_cast<CView*>(pane), FALSE);
  }
  SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE);
  if (bMakeVisible) {
    ActivateFrame();
    if (CView* v = GetActiveView()) v->OnActivateView(TRUE, v, v);
  }
  (void)pDoc;
  OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
  if (!(m_dwFrameStyle & FWS_ADDTOTITLE)) return;
  CDocument* pDoc = GetActiveDocument();
  CString title = m_strTitle;
  if (bAddToTitle && pDoc) title = m_strTitle + " - " + pDoc->GetTitle();
  char current[512];
  ::GetWindowTextA(m_hWnd, current, sizeof current);
  if (title != current) ::SetWindowTextA(m_hWnd, title);
}

void CFrameWnd::OnSetFocus(CWnd*) {
  if (m_pViewActive && m_pViewActive->m_hWnd) {
    ::SetFocus(m_pViewActive->m_hWnd);
  } else {
    Default();
  }
}

// --- command routing ----------------------------------------------------------------------------------

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  // The active view first (it passes on to its document), then the frame, then the application.
  // An MDI child leaves the application to its MDI frame, which asks it first.
  if (CView* v = GetActiveView()) {
    if (v->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  }
  if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  if (GetExStyle() & WS_EX_MDICHILD) return FALSE;
  CWinApp* app = AfxGetApp();
  return app && app->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hAccelTable) {
    return ::TranslateAcceleratorA(m_hWnd, m_hAccelTable, pMsg);
  }
  return FALSE;
}

void CFrameWnd::OnInitMenuPopup(CMenu* pMenu, UINT, BOOL bSysMenu) {
  Default();
  if (bSysMenu) return;
  CCmdUI state;
  state.m_pMenu = pMenu;
  state.m_nIndexMax = pMenu->GetMenuItemCount();
  for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex) {
    state.m_nID = pMenu->GetMenuItemID(static_cast<int>(state.m_nIndex));
    if (state.m_nID == 0) continue;  // separator
    if (state.m_nID == static_cast<UINT>(-1)) {
      // A popup: it has no command; leave it as the resource made it.
      continue;
    }
    state.m_pSubMenu = nullptr;
    state.DoUpdate(this, m_bAutoMenuEnable && state.m_nID < 0xF000);
  }
}

void CFrameWnd::GetMessageString(UINT nID, CString& rMessage) const {
  CString full;
  rMessage.Empty();
  if (full.LoadString(nID)) AfxExtractSubString(rMessage, full, 0);
}

CWnd* CFrameWnd::GetMessageBar() { return GetDlgItem(AFX_IDW_STATUS_BAR); }

void CFrameWnd::SetMessageText(LPCSTR lpszText) {
  CWnd* bar = GetMessageBar();
  if (!bar) return;
  if (CStatusBar* sb = dynamic_cast<CStatusBar*>(CWnd::FromHandlePermanent(bar->m_hWnd))) {
    sb->SetPaneText(0, lpszText);
  } else {
    bar->SetWindowText(lpszText);
  }
}

void CFrameWnd::SetMessageText(UINT nID) {
  CString text;
  GetMessageString(nID, text);
  SetMessageText(text);
}

LRESULT CFrameWnd::OnSetMessageString(WPARAM wParam, LPARAM lParam) {
  if (lParam) {
    SetMessageText(reinterpret_cast<LPCSTR>(lParam));
  } else {
    SetMessageText(static_cast<UINT>(wParam));
  }
  return 0;
}

LRESULT CFrameWnd::OnMenuSelect(WPARAM wParam, LPARAM lParam) {
  UINT nItem = LOWORD(wParam), nFlags = HIWORD(wParam);
  if (nFlags == 0xFFFF && lParam == 0) {
    // The menu closed: back to the idle prompt.
    SetMessageText(AFX_IDS_IDLEMESSAGE);
  } else if (!(nFlags & (MF_POPUP | MF_SEPARATOR)) && nItem != 0) {
    SetMessageText(nItem);
  }
  return 0;
}

LRESULT CFrameWnd::OnIdleUpdateCmdUI(WPARAM, LPARAM) {
  OnUpdateFrameTitle(TRUE);
  return 0;
}

BOOL CFrameWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  NMHDR* nm = reinterpret_cast<NMHDR*>(lParam);
  if (nm->code == TTN_GETDISPINFOA) {
    // Toolbar tooltips: the part of the command's string after "\n"; the part before it shows
    // in the status bar while the tip shows (fly-by help).
    NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(nm);
    UINT nID = static_cast<UINT>(nm->idFrom);
    if (info->uFlags & TTF_IDISHWND) nID = static_cast<UINT>(::GetDlgCtrlID(reinterpret_cast<HWND>(nm->idFrom)));
    CString full, tip, prompt;
    if (nID && full.LoadString(nID)) {
      AfxExtractSubString(tip, full, 1);
      AfxExtractSubString(prompt, full, 0);
    }
    // The bar whose tooltip window asks.
    CControlBar* bar = nullptr;
    for (CControlBar* b : m_listControlBars) {
      if (b->m_hWnd && dynamic_cast<CToolBar*>(b) && reinterpret_cast<HWND>(::SendMessageA(b->m_hWnd, TB_GETTOOLTIPS, 0, 0)) == nm->hwndFrom) bar = b;
    }
    if (bar && !(bar->GetBarStyle() & CBRS_TOOLTIPS)) tip.Empty();  // an empty text shows no tip
    lstrcpynA(info->szText, tip, sizeof info->szText);
    info->lpszText = info->szText;
    if (!bar || (bar->GetBarStyle() & CBRS_FLYBY)) SetMessageText(prompt);
    *pResult = 0;
    return TRUE;
  }
  if (nm->code == TTN_POP) SetMessageText(AFX_IDS_IDLEMESSAGE);
  return CWnd::OnNotify(wParam, lParam, pResult);
}

// --- closing ------------------------------------------------------------------------------------------

void CFrameWnd::OnClose() {
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) {
    // Closing the main window closes every document first; a cancelled save stops it all.
    if (!app->SaveAllModified()) return;
    app->CloseAllDocuments(FALSE);
    if (!m_hWnd) return;
    DestroyWindow();
    return;
  }
  CDocument* pDoc = GetActiveDocument();
  if (pDoc && !pDoc->CanCloseFrame(this)) return;
  if (pDoc) {
    // The document's last frame: closing the frame closes the document, which destroys the frame.
    bool other = false;
    for (POSITION pos = pDoc->GetFirstViewPosition(); pos;) {
      CView* v = pDoc->GetNextView(pos);
      if (v->GetParentFrame() != this) other = true;
    }
    if (!other) {
      pDoc->OnCloseDocument();
      return;
    }
    pDoc->PreCloseFrame(this);
  }
  DestroyWindow();
}

void CFrameWnd::OnDestroy() {
  // Bars are members of the derived frame and go with it; forget them now.
  m_listControlBars.clear();
  m_pViewActive = nullptr;
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) {
    app->m_pMainWnd = nullptr;
    ::PostQuitMessage(0);
  }
  Default();
}

void CFrameWnd::OnDropFiles(HDROP hDropInfo) {
  ::SetActiveWindow(m_hWnd);
  UINT n = ::DragQueryFileA(hDropInfo, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < n; ++i) {
    char path[MAX_PATH];
    ::DragQueryFileA(hDropInfo, i, path, sizeof path);
    AfxGetApp()->OpenDocumentFile(path);
  }
  ::DragFinish(hDropInfo);
}

void CFrameWnd::OnHelpFinder() { AfxGetApp()->WinHelp(0, HELP_FINDER); }

// --- bars ---------------------------------------------------------------------------------------------

void CFrameWnd::AddControlBar(CControlBar* pBar) {
  if (std::find(m_listControlBars.begin(), m_listControlBars.end(), pBar) == m_listControlBars.end()) {
    m_listControlBars.push_back(pBar);
  }
}

void CFrameWnd::RemoveControlBar(CControlBar* pBar) {
  m_listControlBars.erase(std::remove(m_listControlBars.begin(), m_listControlBars.end(), pBar),
                          m_listControlBars.end());
}

void CFrameWnd::EnableDocking(DWORD dwDockStyle) { m_dwDockStyle = dwDockStyle & CBRS_ALIGN_ANY; }

namespace {
UINT DockSideFromStyle(DWORD style) {
  if (style & CBRS_ALIGN_TOP) return AFX_IDW_DOCKBAR_TOP;
  if (style & CBRS_ALIGN_BOTTOM) return AFX_IDW_DOCKBAR_BOTTOM;
  if (style & CBRS_ALIGN_LEFT) return AFX_IDW_DOCKBAR_LEFT;
  if (style & CBRS_ALIGN_RIGHT) return AFX_IDW_DOCKBAR_RIGHT;
  return AFX_IDW_DOCKBAR_TOP;
}

DWORD AlignFromDockSide(UINT side) {
  switch (side) {
    case AFX_IDW_DOCKBAR_BOTTOM: return CBRS_ALIGN_BOTTOM;
    case AFX_IDW_DOCKBAR_LEFT: return CBRS_ALIGN_LEFT;
    case AFX_IDW_DOCKBAR_RIGHT: return CBRS_ALIGN_RIGHT;
    default: return CBRS_ALIGN_TOP;
  }
}
}  // namespace

void CFrameWnd::DockControlBar(CControlBar* pBar, UINT nDockBarID, const RECT* lpRect) {
  if (nDockBarID == 0) {
    // The first side that both the bar and the frame allow.
    DWORD allowed = pBar->m_dwDockStyle & m_dwDockStyle;
    nDockBarID = DockSideFromStyle(allowed ? allowed : pBar->GetBarStyle());
  }
  bool horz = nDockBarID == AFX_IDW_DOCKBAR_TOP || nDockBarID == AFX_IDW_DOCKBAR_BOTTOM;
  pBar->m_nDockBarID = nDockBarID;
  pBar->SetBarStyle((pBar->GetBarStyle() & ~CBRS_ALIGN_ANY) | AlignFromDockSide(nDockBarID));
  int lastRow = -1;
  for (CControlBar* b : m_listControlBars) {
    if (b != pBar && b->m_nDockBarID == nDockBarID) lastRow = std::max(lastRow, b->m_nRow);
  }
  pBar->m_nRow = lastRow + 1;
  pBar->m_nPos = 0;
  if (lpRect) {
    // A rectangle (in screen coordinates) puts the bar into the row it overlaps, at its place
    // along the row; otherwise the bar starts a new row.
    CRect r(*lpRect);
    ScreenToClient(&r);
    for (CControlBar* b : m_listControlBars) {
      if (b == pBar || b->m_nDockBarID != nDockBarID || !b->m_hWnd) continue;
      CRect br;
      b->GetWindowRect(&br);
      ScreenToClient(&br);
      bool overlaps = horz ? (r.top < br.bottom && r.bottom > br.top) || r.top == br.top
                           : (r.left < br.right && r.right > br.left) || r.left == br.left;
      if (overlaps) {
        pBar->m_nRow = b->m_nRow;
        break;
      }
    }
    pBar->m_nPos = horz ? r.left : r.top;
  }
  AddControlBar(pBar);
  RecalcLayout();
}

void CFrameWnd::ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL) {
  pBar->ShowWindow(bShow ? SW_SHOWNOACTIVATE : SW_HIDE);
  RecalcLayout();
}

CControlBar* CFrameWnd::GetControlBar(UINT nID) {
  for (CControlBar* b : m_listControlBars) {
    if (b->m_hWnd && static_cast<UINT>(b->GetDlgCtrlID()) == nID) return b;
  }
  return nullptr;
}

BOOL CFrameWnd::OnBarCheck(UINT nID) {
  CControlBar* bar = GetControlBar(nID);
  if (!bar) return FALSE;
  ShowControlBar(bar, !bar->IsVisible(), FALSE);
  return TRUE;
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* pCmdUI) {
  CControlBar* bar = GetControlBar(pCmdUI->m_nID);
  if (!bar) {
    pCmdUI->ContinueRouting();
    return;
  }
  pCmdUI->SetCheck(bar->IsVisible());
}

void CFrameWnd::OnUpdateKeyIndicator(CCmdUI* pCmdUI) {
  int key = pCmdUI->m_nID == ID_INDICATOR_CAPS ? VK_CAPITAL : pCmdUI->m_nID == ID_INDICATOR_NUM ? VK_NUMLOCK : VK_SCROLL;
  pCmdUI->Enable(::GetKeyState(key) & 1);
}

void CFrameWnd::SaveBarState(LPCSTR lpszProfileName) const {
  // One section per bar ("<name>-Bar<n>") and a summary with the count.
  CWinApp* app = AfxGetApp();
  int n = 0;
  for (CControlBar* b : m_listControlBars) {
    if (!b->m_hWnd) continue;
    CString section;
    section.Format("%s-Bar%d", lpszProfileName, n++);
    app->WriteProfileString(section, nullptr, nullptr);
    app->WriteProfileInt(section, "BarID", b->GetDlgCtrlID());
    app->WriteProfileInt(section, "Visible", b->IsVisible() ? 1 : 0);
    app->WriteProfileInt(section, "DockSide", static_cast<int>(b->m_nDockBarID));
    app->WriteProfileInt(section, "Row", b->m_nRow);
    app->WriteProfileInt(section, "Pos", b->m_nPos);
  }
  CString summary;
  summary.Format("%s-Summary", lpszProfileName);
  int old = static_cast<int>(app->GetProfileInt(summary, "Bars", 0));
  for (int i = n; i < old; ++i) {
    CString section;
    section.Format("%s-Bar%d", lpszProfileName, i);
    app->WriteProfileString(section, nullptr, nullptr);
  }
  app->WriteProfileInt(summary, "Bars", n);
}

void CFrameWnd::LoadBarState(LPCSTR lpszProfileName) {
  CWinApp* app = AfxGetApp();
  CString summary;
  summary.Format("%s-Summary", lpszProfileName);
  int n = static_cast<int>(app->GetProfileInt(summary, "Bars", 0));
  for (int i = 0; i < n && i < 256; ++i) {
    CString section;
    section.Format("%s-Bar%d", lpszProfileName, i);
    CControlBar* b = GetControlBar(app->GetProfileInt(section, "BarID", 0));
    if (!b) continue;  // a bar this version no longer has
    UINT side = app->GetProfileInt(section, "DockSide", static_cast<int>(b->m_nDockBarID));
    if (side >= AFX_IDW_DOCKBAR_TOP && side <= AFX_IDW_DOCKBAR_BOTTOM) {
      b->m_nDockBarID = side;
      b->SetBarStyle((b->GetBarStyle() & ~CBRS_ALIGN_ANY) | AlignFromDockSide(side));
    }
    b->m_nRow = static_cast<int>(app->GetProfileInt(section, "Row", b->m_nRow));
    b->m_nPos = static_cast<int>(app->GetProfileInt(section, "Pos", b->m_nPos));
    b->ShowWindow(app->GetProfileInt(section, "Visible", 1) ? SW_SHOWNOACTIVATE : SW_HIDE);
  }
  RecalcLayout();
}

// --- the shell's DDE conversation ----------------------------------------------------------------------

LRESULT CFrameWnd::OnDDEInitiate(WPARAM wParam, LPARAM lParam) {
  CWinApp* app = AfxGetApp();
  ATOM aApp = LOWORD(lParam), aTopic = HIWORD(lParam);
  if (!app || !app->m_atomApp || app->m_pMainWnd != this) return 0;
  // Atoms compare without regard to case: "System" finds "system". A zero atom is a wildcard.
  if ((aApp == 0 || aApp == app->m_atomApp) && (aTopic == 0 || aTopic == app->m_atomSystemTopic)) {
    // The client deletes the atoms of the answer: add a reference for it.
    char name[256];
    ::GlobalGetAtomNameA(app->m_atomApp, name, sizeof name);
    ATOM a1 = ::GlobalAddAtomA(name);
    ::GlobalGetAtomNameA(app->m_atomSystemTopic, name, sizeof name);
    ATOM a2 = ::GlobalAddAtomA(name);
    ::SendMessageA(reinterpret_cast<HWND>(wParam), WM_DDE_ACK, reinterpret_cast<WPARAM>(m_hWnd), MAKELPARAM(a1, a2));
  }
  return 0;
}

LRESULT CFrameWnd::OnDDEExecute(WPARAM wParam, LPARAM lParam) {
  UINT_PTR unused = 0, hData = 0;
  ::UnpackDDElParam(WM_DDE_EXECUTE, lParam, &unused, &hData);
  HGLOBAL hCommands = reinterpret_cast<HGLOBAL>(hData);
  BOOL handled = FALSE;
  if (const char* text = static_cast<const char*>(::GlobalLock(hCommands))) {
    // A private copy: the handler may change it, and it must end within the block.
    SIZE_T size = ::GlobalSize(hCommands);
    CString command(text, static_cast<int>(strnlen(text, size)));
    ::GlobalUnlock(hCommands);
    handled = AfxGetApp()->OnDDECommand(command.GetBuffer(command.GetLength()));
  }
  const UINT_PTR status = handled ? 0x8000 : 0;  // the fAck bit of DDEACK
  ::PostMessageA(reinterpret_cast<HWND>(wParam), WM_DDE_ACK, reinterpret_cast<WPARAM>(m_hWnd),
                 ::ReuseDDElParam(lParam, WM_DDE_EXECUTE, WM_DDE_ACK, status, hData));
  return 0;
}

LRESULT CFrameWnd::OnDDETerminate(WPARAM wParam, LPARAM lParam) {
  ::PostMessageA(reinterpret_cast<HWND>(wParam), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
  ::FreeDDElParam(WM_DDE_TERMINATE, lParam);
  return 0;
}

// --- MDI frame ----------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CMDIFrameWnd, CFrameWnd)
  ON_WM_SIZE()
  ON_COMMAND_EX_RANGE(ID_WINDOW_ARRANGE, ID_WINDOW_TILE_VERT, OnMDIWindowCmd)
  ON_UPDATE_COMMAND_UI_RANGE(ID_WINDOW_ARRANGE, ID_WINDOW_TILE_VERT, OnUpdateMDIWindowCmd)
  ON_COMMAND(ID_WINDOW_NEW, OnWindowNew)
END_MESSAGE_MAP()

BOOL CMDIFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
  return CFrameWnd::LoadFrame(nIDResource, dwDefaultStyle, pParentWnd, pContext);
}

HMENU CMDIFrameWnd::GetWindowMenuPopup(HMENU hMenuBar) {
  if (!hMenuBar) return nullptr;
  // The Window popup sits before Help, at the end of the bar.
  int n = ::GetMenuItemCount(hMenuBar);
  for (int i = n - 1; i >= 0; --i) {
    HMENU sub = ::GetSubMenu(hMenuBar, i);
    if (!sub) continue;
    int m = ::GetMenuItemCount(sub);
    for (int k = 0; k < m; ++k) {
      UINT id = ::GetMenuItemID(sub, k);
      if (id >= ID_WINDOW_NEW && id <= ID_WINDOW_TILE_VERT) return sub;
    }
  }
  return n >= 2 ? ::GetSubMenu(hMenuBar, n - 2) : nullptr;
}

BOOL CMDIFrameWnd::OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext*) {
  return CreateClient(lpcs, CMenu::FromHandle(GetWindowMenuPopup(lpcs->hMenu)));
}

BOOL CMDIFrameWnd::CreateClient(LPCREATESTRUCT, CMenu* pWindowMenu) {
  CLIENTCREATESTRUCT ccs = {};
  ccs.hWindowMenu = pWindowMenu ? pWindowMenu->m_hMenu : nullptr;
  ccs.idFirstChild = AFX_IDM_FIRST_MDICHILD;
  m_hWndMDIClient = ::CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                      WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_HSCROLL | WS_VSCROLL,
                                      0, 0, 0, 0, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST)),
                                      AfxGetInstanceHandle(), &ccs);
  return m_hWndMDIClient != nullptr;
}

void CMDIFrameWnd::RepositionClient(const RECT& rc) {
  if (m_hWndMDIClient) {
    ::SetWindowPos(m_hWndMDIClient, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void CMDIFrameWnd::OnSize(UINT nType, int, int) {
  // Not DefFrameProc's sizing: the bars take their part first.
  if (nType != SIZE_MINIMIZED) RecalcLayout();
}

LRESULT CMDIFrameWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefFrameProcA(m_hWnd, m_hWndMDIClient, message, wParam, lParam);
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive(BOOL* pbMaximized) const {
  if (!m_hWndMDIClient) return nullptr;
  BOOL maximized = FALSE;
  HWND h = reinterpret_cast<HWND>(::SendMessageA(m_hWndMDIClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
  if (pbMaximized) *pbMaximized = maximized;
  return dynamic_cast<CMDIChildWnd*>(CWnd::FromHandlePermanent(h));
}

void CMDIFrameWnd::MDISetMenu(HMENU hMenu, HMENU hWindowMenu) {
  if (!hMenu) hMenu = m_hMenuDefault;
  if (!hWindowMenu) hWindowMenu = GetWindowMenuPopup(hMenu);
  ::SendMessageA(m_hWndMDIClient, WM_MDISETMENU, reinterpret_cast<WPARAM>(hMenu), reinterpret_cast<LPARAM>(hWindowMenu));
  ::DrawMenuBar(m_hWnd);
}

CFrameWnd* CMDIFrameWnd::GetActiveFrame() {
  CMDIChildWnd* child = MDIGetActive();
  return child ? static_cast<CFrameWnd*>(child) : this;
}

CDocument* CMDIFrameWnd::GetActiveDocument() {
  CMDIChildWnd* child = MDIGetActive();
  return child ? child->GetActiveDocument() : nullptr;
}

void CMDIFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
  if (!(m_dwFrameStyle & FWS_ADDTOTITLE)) return;
  CMDIChildWnd* child = MDIGetActive();
  BOOL maximized = FALSE;
  MDIGetActive(&maximized);
  CDocument* pDoc = child ? child->GetActiveDocument() : nullptr;
  CString title = m_strTitle;
  // A maximised child shows its title in the frame's already (the system adds it).
  if (bAddToTitle && pDoc && !maximized) title = m_strTitle + " - " + pDoc->GetTitle();
  char current[512];
  ::GetWindowTextA(m_hWnd, current, sizeof current);
  if (title != current) ::SetWindowTextA(m_hWnd, title);
}

BOOL CMDIFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  // The active child routes to its view and document first.
  if (CMDIChildWnd* child = MDIGetActive()) {
    if (child->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  }
  return CFrameWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CMDIFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  // The Window menu's list of children: the MDI client handles those ids.
  UINT nID = LOWORD(wParam);
  if (lParam == 0 && nID >= AFX_IDM_FIRST_MDICHILD) {
    DefWindowProc(WM_COMMAND, wParam, lParam);
    return TRUE;
  }
  return CFrameWnd::OnCommand(wParam, lParam);
}

BOOL CMDIFrameWnd::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) {
    if (CMDIChildWnd* child = MDIGetActive()) {
      if (child->PreTranslateMessage(pMsg)) return TRUE;
    }
    if (m_hWndMDIClient && ::TranslateMDISysAccel(m_hWndMDIClient, pMsg)) return TRUE;
  }
  return CFrameWnd::PreTranslateMessage(pMsg);
}

BOOL CMDIFrameWnd::OnMDIWindowCmd(UINT nID) {
  switch (nID) {
    case ID_WINDOW_ARRANGE: MDIIconArrange(); break;
    case ID_WINDOW_CASCADE: MDICascade(); break;
    case ID_WINDOW_TILE_HORZ: MDITile(MDITILE_HORIZONTAL); break;
    case ID_WINDOW_TILE_VERT: MDITile(MDITILE_VERTICAL); break;
    default: return FALSE;
  }
  return TRUE;
}

void CMDIFrameWnd::OnUpdateMDIWindowCmd(CCmdUI* pCmdUI) { pCmdUI->Enable(MDIGetActive() != nullptr); }

void CMDIFrameWnd::OnWindowNew() {
  CMDIChildWnd* active = MDIGetActive();
  CDocument* pDoc = active ? active->GetActiveDocument() : nullptr;
  if (!pDoc || !pDoc->GetDocTemplate()) return;
  CFrameWnd* frame = pDoc->GetDocTemplate()->CreateNewFrame(pDoc, active);
  if (frame) pDoc->GetDocTemplate()->InitialUpdateFrame(frame, pDoc);
}

// --- MDI child ----------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CMDIChildWnd, CFrameWnd)
  ON_WM_MDIACTIVATE()
  ON_WM_SIZE()
END_MESSAGE_MAP()

BOOL CMDIChildWnd::PreCreateWindow(CREATESTRUCTA& cs) {
  cs.style |= WS_CHILD;
  return CFrameWnd::PreCreateWindow(cs);
}

BOOL CMDIChildWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                          CMDIFrameWnd* pParentWnd, CCreateContext* pContext) {
  if (!pParentWnd) pParentWnd = dynamic_cast<CMDIFrameWnd*>(AfxGetMainWnd());
  if (!pParentWnd || !pParentWnd->m_hWndMDIClient) return FALSE;
  CREATESTRUCTA cs = {};
  cs.lpszClass = lpszClassName;
  cs.lpszName = lpszWindowName;
  cs.style = static_cast<LONG>(dwStyle & ~(FWS_ADDTOTITLE | FWS_PREFIXTITLE | FWS_SNAPTOBARS));
  cs.x = rect.left;
  cs.y = rect.top;
  cs.cx = AfxCreateExtent(rect.left, rect.right);
  cs.cy = AfxCreateExtent(rect.top, rect.bottom);
  if (!PreCreateWindow(cs)) return FALSE;
  MDICREATESTRUCTA mcs = {};
  mcs.szClass = cs.lpszClass;
  mcs.szTitle = cs.lpszName;
  mcs.hOwner = AfxGetInstanceHandle();
  mcs.x = cs.x;
  mcs.y = cs.y;
  mcs.cx = cs.cx;
  mcs.cy = cs.cy;
  mcs.style = static_cast<DWORD>(cs.style) & ~(WS_MAXIMIZE | WS_VISIBLE);
  mcs.lParam = reinterpret_cast<LPARAM>(pContext);
  AfxHookWindowCreate(this);
  HWND h = reinterpret_cast<HWND>(::SendMessageA(pParentWnd->m_hWndMDIClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
  if (!AfxUnhookWindowCreate()) PostNcDestroy();
  if (!h) return FALSE;
  if (cs.style & WS_VISIBLE) {
    ::ShowWindow(h, (cs.style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  }
  return TRUE;
}

BOOL CMDIChildWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
  m_nIDHelp = nIDResource;
  m_dwFrameStyle = dwDefaultStyle;
  CString docString;
  docString.LoadString(nIDResource);
  AfxExtractSubString(m_strTitle, docString, 0);
  HICON hIcon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
  LPCSTR cls = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW),
                                   reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), hIcon);
  if (pContext && pContext->m_pNewDocTemplate) {
    m_hMenuShared = pContext->m_pNewDocTemplate->m_hMenuShared;
    m_hAccelShared = pContext->m_pNewDocTemplate->m_hAccelTable;
  }
  // Children start invisible: InitialUpdateFrame shows them once the view is ready.
  return Create(cls, m_strTitle, dwDefaultStyle & ~WS_VISIBLE, rectDefault,
                dynamic_cast<CMDIFrameWnd*>(pParentWnd), pContext);
}

LRESULT CMDIChildWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefMDIChildProcA(m_hWnd, message, wParam, lParam);
}

CMDIFrameWnd* CMDIChildWnd::GetMDIFrame() const {
  HWND client = ::GetParent(m_hWnd);
  return client ? dynamic_cast<CMDIFrameWnd*>(CWnd::FromHandlePermanent(::GetParent(client))) : nullptr;
}

void CMDIChildWnd::MDIActivate() {
  ::SendMessageA(::GetParent(m_hWnd), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CMDIChildWnd::MDIMaximize() { ::SendMessageA(::GetParent(m_hWnd), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(m_hWnd), 0); }
void CMDIChildWnd::MDIRestore() { ::SendMessageA(::GetParent(m_hWnd), WM_MDIRESTORE, reinterpret_cast<WPARAM>(m_hWnd), 0); }
void CMDIChildWnd::MDIDestroy() { ::SendMessageA(::GetParent(m_hWnd), WM_MDIDESTROY, reinterpret_cast<WPARAM>(m_hWnd), 0); }

BOOL CMDIChildWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  MDIDestroy();
  return TRUE;
}

void CMDIChildWnd::ActivateFrame(int nCmdShow) {
  // A new child opens maximised when the active one is.
  BOOL maximized = FALSE;
  CMDIFrameWnd* frame = GetMDIFrame();
  CMDIChildWnd* active = frame ? frame->MDIGetActive(&maximized) : nullptr;
  if (nCmdShow == -1) {
    if (!::IsWindowVisible(m_hWnd)) {
      nCmdShow = (maximized && active != this) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    } else {
      nCmdShow = ::IsIconic(m_hWnd) ? SW_RESTORE : SW_SHOW;
    }
  }
  ::ShowWindow(m_hWnd, nCmdShow);
  MDIActivate();
  if (frame) frame->OnUpdateFrameTitle(TRUE);
}

void CMDIChildWnd::OnMDIActivate(BOOL bActivate, CWnd* pActivateWnd, CWnd*) {
  Default();
  CMDIFrameWnd* frame = GetMDIFrame();
  if (!frame) return;
  if (bActivate) {
    if (CView* v = GetActiveView()) v->OnActivateView(TRUE, v, v);
    frame->MDISetMenu(m_hMenuShared, nullptr);
  } else if (!pActivateWnd) {
    // The last child went: the frame's own menu comes back.
    frame->MDISetMenu(nullptr, nullptr);
  }
  frame->OnUpdateFrameTitle(TRUE);
}

void CMDIChildWnd::OnSize(UINT nType, int, int) {
  Default();  // DefMDIChildProc needs the message for maximise and restore
  if (nType != SIZE_MINIMIZED) RecalcLayout();
}

void CMDIChildWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
  CDocument* pDoc = GetActiveDocument();
  if (bAddToTitle && pDoc) {
    char current[512];
    ::GetWindowTextA(m_hWnd, current, sizeof current);
    if (pDoc->GetTitle() != current) {
      ::SetWindowTextA(m_hWnd, pDoc->GetTitle());
      // The Window menu lists the children by title: let it show the new one.
      HWND client = ::GetParent(m_hWnd);
      ::SendMessageA(client, WM_MDIREFRESHMENU, 0, 0);
      if (CMDIFrameWnd* frame = GetMDIFrame()) ::DrawMenuBar(frame->m_hWnd);
    }
  }
}

BOOL CMDIChildWnd::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hAccelShared) {
    CMDIFrameWnd* frame = GetMDIFrame();
    if (frame && ::TranslateAcceleratorA(frame->m_hWnd, m_hAccelShared, pMsg)) return TRUE;
  }
  return FALSE;
}
