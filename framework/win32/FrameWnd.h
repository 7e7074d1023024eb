// Frame windows: the SDI/MDI frame that owns a menu, accelerators, control bars and the client
// area (a view or the MDI client), and routes commands to its active view and document first.
// CMDIFrameWnd holds the MDI client and its Window menu; CMDIChildWnd is one document window in
// it. Frames delete themselves when their window is destroyed.
#pragma once

#include <vector>

#include "WinApp.h"
#include "Wnd.h"

class CControlBar;
class CDocument;
class CDocTemplate;
class CView;
class CMDIChildWnd;

// What a new frame needs to build its view: passed through window creation.
struct CCreateContext {
  CRuntimeClass* m_pNewViewClass = nullptr;
  CDocument* m_pCurrentDoc = nullptr;
  CDocTemplate* m_pNewDocTemplate = nullptr;
  CView* m_pLastView = nullptr;
  class CFrameWnd* m_pCurrentFrame = nullptr;
};

// Frame styles beside the window styles.
const DWORD FWS_ADDTOTITLE = 0x00008000L;
const DWORD FWS_PREFIXTITLE = 0x00004000L;
const DWORD FWS_SNAPTOBARS = 0x00002000L;

// The framework-private messages a frame understands.
const UINT WM_SETMESSAGESTRING = 0x0362;  // wParam: string id, or lParam: text

class CFrameWnd : public CWnd {
  DECLARE_DYNCREATE(CFrameWnd)
 public:
  static const RECT rectDefault;
  BOOL m_bAutoMenuEnable = TRUE;  // menu items without a handler are disabled
  CString m_strTitle;

  CFrameWnd() = default;
  ~CFrameWnd() override;

  BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
              const RECT& rect = rectDefault, CWnd* pParentWnd = nullptr, LPCSTR lpszMenuName = nullptr,
              DWORD dwExStyle = 0, CCreateContext* pContext = nullptr);
  // Menu, accelerators, icon and title from the one resource id.
  virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                         CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);
  CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);

  virtual void RecalcLayout(BOOL bNotify = TRUE);
  virtual CFrameWnd* GetActiveFrame() { return this; }
  CView* GetActiveView() const { return m_pViewActive; }
  void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
  virtual CDocument* GetActiveDocument();
  virtual void ActivateFrame(int nCmdShow = -1);
  void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
  virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
  CString GetTitle() const { return m_strTitle; }
  void SetTitle(LPCSTR lpszTitle) { m_strTitle = lpszTitle; }
  void SetMessageText(LPCSTR lpszText);
  void SetMessageText(UINT nID);
  CWnd* GetMessageBar();
  // The status-bar prompt of a command: the part of its string before "\n".
  virtual void GetMessageString(UINT nID, CString& rMessage) const;

  // --- bars -------------------------------------------------------------------------------------
  void EnableDocking(DWORD dwDockStyle);
  void DockControlBar(CControlBar* pBar, UINT nDockBarID = 0, const RECT* lpRect = nullptr);
  void ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL bDelay);
  CControlBar* GetControlBar(UINT nID);
  void SaveBarState(LPCSTR lpszProfileName) const;
  void LoadBarState(LPCSTR lpszProfileName);
  void AddControlBar(CControlBar* pBar);
  void RemoveControlBar(CControlBar* pBar);

  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
  void PostNcDestroy() override { delete this; }
  virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);

  int OnCreate(LPCREATESTRUCT lpcs);
  void OnClose();
  void OnDestroy();
  void OnSize(UINT nType, int cx, int cy);
  void OnSetFocus(CWnd* pOldWnd);
  void OnInitMenuPopup(CMenu* pMenu, UINT nIndex, BOOL bSysMenu);
  void OnDropFiles(HDROP hDropInfo);
  LRESULT OnMenuSelect(WPARAM wParam, LPARAM lParam);
  LRESULT OnSetMessageString(WPARAM wParam, LPARAM lParam);
  LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM lParam);
  LRESULT OnDDEInitiate(WPARAM wParam, LPARAM lParam);
  LRESULT OnDDEExecute(WPARAM wParam, LPARAM lParam);
  LRESULT OnDDETerminate(WPARAM wParam, LPARAM lParam);
  BOOL OnBarCheck(UINT nID);
  void OnUpdateControlBarMenu(CCmdUI* pCmdUI);
  void OnUpdateKeyIndicator(CCmdUI* pCmdUI);
  void OnHelpFinder();

  DECLARE_MESSAGE_MAP()

 protected:
  int OnCreateHelper(LPCREATESTRUCT lpcs, CCreateContext* pContext);
  // Where the client area (view or MDI client) goes after the bars took their part.
  virtual void RepositionClient(const RECT& rc);

  HMENU m_hMenuDefault = nullptr;  // owned: the frame's own menu
  HACCEL m_hAccelTable = nullptr;  // resources need no freeing
  UINT m_nIDHelp = 0;
  CView* m_pViewActive = nullptr;  // borrowed: views belong to their windows
  DWORD m_dwDockStyle = 0;
  std::vector<CControlBar*> m_listControlBars;  // borrowed: bars are members of the derived frame
  DWORD m_dwFrameStyle = 0;  // the style LoadFrame was given: FWS_ADDTOTITLE and the like
};

class CMDIFrameWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMDIFrameWnd)
 public:
  HWND m_hWndMDIClient = nullptr;

  BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                 CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr) override;
  BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;
  BOOL CreateClient(LPCREATESTRUCT lpcs, CMenu* pWindowMenu);
  // The Window popup: the menu's last popup before Help.
  HMENU GetWindowMenuPopup(HMENU hMenuBar);

  CMDIChildWnd* MDIGetActive(BOOL* pbMaximized = nullptr) const;
  void MDIActivate(CWnd* pWndActivate) { ::SendMessageA(m_hWndMDIClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(AfxSafeHwnd(pWndActivate)), 0); }
  void MDINext() { ::SendMessageA(m_hWndMDIClient, WM_MDINEXT, 0, 0); }
  void MDICascade() { ::SendMessageA(m_hWndMDIClient, WM_MDICASCADE, 0, 0); }
  void MDITile(int nType = MDITILE_HORIZONTAL) { ::SendMessageA(m_hWndMDIClient, WM_MDITILE, nType, 0); }
  void MDIIconArrange() { ::SendMessageA(m_hWndMDIClient, WM_MDIICONARRANGE, 0, 0); }
  void MDIMaximize(CWnd* pWnd) { ::SendMessageA(m_hWndMDIClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(AfxSafeHwnd(pWnd)), 0); }
  // Puts the menu (and Window popup) in place; null menus mean the frame's own.
  void MDISetMenu(HMENU hMenu, HMENU hWindowMenu);

  CFrameWnd* GetActiveFrame() override;
  CDocument* GetActiveDocument() override;
  void OnUpdateFrameTitle(BOOL bAddToTitle) override;
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  BOOL OnMDIWindowCmd(UINT nID);
  void OnUpdateMDIWindowCmd(CCmdUI* pCmdUI);
  void OnWindowNew();
  void OnSize(UINT nType, int cx, int cy);

  DECLARE_MESSAGE_MAP()

 protected:
  void RepositionClient(const RECT& rc) override;
};

class CMDIChildWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMDIChildWnd)
 public:
  HMENU m_hMenuShared = nullptr;  // borrowed from the document template

  BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW,
              const RECT& rect = rectDefault, CMDIFrameWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);
  BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                 CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr) override;
  CMDIFrameWnd* GetMDIFrame() const;
  void MDIActivate();
  void MDIMaximize();
  void MDIRestore();
  void MDIDestroy();
  void ActivateFrame(int nCmdShow = -1) override;
  BOOL DestroyWindow() override;
  void OnUpdateFrameTitle(BOOL bAddToTitle) override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL PreCreateWindow(CREATESTRUCTA& cs) override;

  void OnMDIActivate(BOOL bActivate, CWnd* pActivateWnd, CWnd* pDeactivateWnd);
  void OnSize(UINT nType, int cx, int cy);

  DECLARE_MESSAGE_MAP()

 protected:
  HACCEL m_hAccelShared = nullptr;
};
