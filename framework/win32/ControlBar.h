// Control bars along the frame's edges: the toolbar (over the common toolbar control, buttons
// from a toolbar resource and one bitmap strip) and the status bar (over the common status
// control, panes from an indicator table). Docking here means a side of the frame and a place
// in the row order on that side; the frame lays the bars out in RecalcLayout. Bars are members
// of their frame and are updated at idle time through command UI.
#pragma once

#include <vector>

#include "Win32Platform.h"
#include <commctrl.h>

#include "WinApp.h"
#include "Wnd.h"

class CFrameWnd;

// Bar styles (the high bits of the bar's style word, kept apart from the window style).
const DWORD CBRS_ALIGN_LEFT = 0x1000L;
const DWORD CBRS_ALIGN_TOP = 0x2000L;
const DWORD CBRS_ALIGN_RIGHT = 0x4000L;
const DWORD CBRS_ALIGN_BOTTOM = 0x8000L;
const DWORD CBRS_ALIGN_ANY = 0xF000L;
const DWORD CBRS_BORDER_LEFT = 0x0100L;
const DWORD CBRS_BORDER_TOP = 0x0200L;
const DWORD CBRS_BORDER_RIGHT = 0x0400L;
const DWORD CBRS_BORDER_BOTTOM = 0x0800L;
const DWORD CBRS_BORDER_ANY = 0x0F00L;
const DWORD CBRS_TOOLTIPS = 0x0010L;
const DWORD CBRS_FLYBY = 0x0020L;
const DWORD CBRS_FLOAT_MULTI = 0x0040L;
const DWORD CBRS_SIZE_DYNAMIC = 0x0004L;
const DWORD CBRS_SIZE_FIXED = 0x0002L;
const DWORD CBRS_FLOATING = 0x0001L;
const DWORD CBRS_GRIPPER = 0x00400000L;
const DWORD CBRS_ALL = 0x0040FFFFL;
const DWORD CBRS_NOALIGN = 0x00000000L;
const DWORD CBRS_LEFT = CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT;
const DWORD CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
const DWORD CBRS_RIGHT = CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT;
const DWORD CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;

// Status bar pane styles.
const UINT SBPS_NORMAL = 0x0000;
const UINT SBPS_NOBORDERS = 0x0100;
const UINT SBPS_POPOUT = 0x0200;
const UINT SBPS_OWNERDRAW = 0x1000;
const UINT SBPS_DISABLED = 0x04000000;
const UINT SBPS_STRETCH = 0x08000000;

class CControlBar : public CWnd {
  DECLARE_DYNAMIC(CControlBar)
 public:
  ~CControlBar() override;

  DWORD GetBarStyle() const { return m_dwStyle; }
  void SetBarStyle(DWORD dwStyle);
  void EnableDocking(DWORD dwDockStyle);
  BOOL IsVisible() const { return (GetStyle() & WS_VISIBLE) != 0; }
  CFrameWnd* GetDockingFrame() const { return m_pDockSite; }
  // The size the bar wants along its side.
  virtual CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) = 0;
  // Idle-time command UI of the bar's buttons or panes, asked of the frame.
  virtual void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) = 0;

  LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM lParam);

  // Where the bar is docked: the dock side id (AFX_IDW_DOCKBAR_...), its row on that side and its
  // place in the row; 0 for a bar that is not docked.
  UINT m_nDockBarID = 0;
  int m_nRow = 0;
  int m_nPos = 0;
  DWORD m_dwDockStyle = 0;

  DECLARE_MESSAGE_MAP()

 protected:
  // Splits a bar style word into the bar's own part and the window part and hooks the bar into
  // its frame.
  DWORD PrepareCreate(CWnd* pParentWnd, DWORD dwStyle);
  DWORD m_dwStyle = 0;
  CFrameWnd* m_pDockSite = nullptr;  // borrowed: the frame the bar belongs to
};

class CToolBar : public CControlBar {
  DECLARE_DYNAMIC(CToolBar)
 public:
  BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT nID = AFX_IDW_TOOLBAR);
  BOOL CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle = TBSTYLE_FLAT,
                DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, const RECT& rcBorders = RECT{0, 0, 0, 0},
                UINT nID = AFX_IDW_TOOLBAR);
  // Button ids and image size from the toolbar resource; the images from the bitmap of that id.
  BOOL LoadToolBar(UINT nIDResource);
  BOOL LoadBitmap(UINT nIDResource);
  BOOL SetButtons(const UINT* lpIDArray, int nIDCount);
  void SetSizes(SIZE sizeButton, SIZE sizeImage);
  int CommandToIndex(UINT nIDFind) const;
  UINT GetItemID(int nIndex) const;
  int GetCount() const;
  void GetItemRect(int nIndex, LPRECT lpRect) const;
  UINT GetButtonStyle(int nIndex) const;
  void SetButtonStyle(int nIndex, UINT nStyle);

  CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
  void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;

 private:
  SIZE m_sizeImage = {16, 15};
  SIZE m_sizeButton = {23, 22};
  HBITMAP m_hbmImageWell = nullptr;  // owned
};

class CStatusBar : public CControlBar {
  DECLARE_DYNAMIC(CStatusBar)
 public:
  BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT nID = AFX_IDW_STATUS_BAR);
  // One pane per id: ID_SEPARATOR (0) makes an empty pane; other ids take their string as the
  // pane's text and width. The first pane stretches.
  BOOL SetIndicators(const UINT* lpIDArray, int nIDCount);
  void SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth);
  void GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const;
  BOOL SetPaneText(int nIndex, LPCSTR lpszNewText, BOOL bUpdate = TRUE);
  CString GetPaneText(int nIndex) const;
  void GetItemRect(int nIndex, LPRECT lpRect) const;
  int CommandToIndex(UINT nIDFind) const;
  UINT GetItemID(int nIndex) const;
  int GetCount() const { return static_cast<int>(m_panes.size()); }

  CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
  void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;
  void OnSize(UINT nType, int cx, int cy);

  DECLARE_MESSAGE_MAP()

 private:
  struct Pane {
    UINT nID;
    UINT nStyle;
    int cxText;
    CString strText;
  };
  void UpdateParts();
  std::vector<Pane> m_panes;
};
