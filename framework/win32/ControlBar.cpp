// Control bars: creation inside a frame, idle-time command UI, and the toolbar and status bar
// over the common controls.
#include "ControlBar.h"

#include <algorithm>

#include "FrameWnd.h"
#include "Gdi.h"
#include "WinApp.h"

IMPLEMENT_DYNAMIC(CControlBar, CWnd)
IMPLEMENT_DYNAMIC(CToolBar, CControlBar)
IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
  ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
END_MESSAGE_MAP()

CControlBar::~CControlBar() {
  if (m_pDockSite) m_pDockSite->RemoveControlBar(this);
}

DWORD CControlBar::PrepareCreate(CWnd* pParentWnd, DWORD dwStyle) {
  m_dwStyle = dwStyle & CBRS_ALL;
  m_pDockSite = dynamic_cast<CFrameWnd*>(pParentWnd);
  if (m_pDockSite) {
    DWORD align = m_dwStyle & CBRS_ALIGN_ANY;
    m_nDockBarID = 0;
    if (align & CBRS_ALIGN_RIGHT) m_nDockBarID = AFX_IDW_DOCKBAR_RIGHT;
    if (align & CBRS_ALIGN_LEFT) m_nDockBarID = AFX_IDW_DOCKBAR_LEFT;
    if (align & CBRS_ALIGN_BOTTOM) m_nDockBarID = AFX_IDW_DOCKBAR_BOTTOM;
    if (align & CBRS_ALIGN_TOP) m_nDockBarID = AFX_IDW_DOCKBAR_TOP;
    // Later bars on a side go outside the earlier ones.
    m_nRow = 1000;
  }
  return dwStyle & ~CBRS_ALL;
}

void CControlBar::SetBarStyle(DWORD dwStyle) { m_dwStyle = dwStyle & CBRS_ALL; }

void CControlBar::EnableDocking(DWORD dwDockStyle) { m_dwDockStyle = dwDockStyle & CBRS_ALIGN_ANY; }

LRESULT CControlBar::OnIdleUpdateCmdUI(WPARAM wParam, LPARAM) {
  if (!IsVisible()) return 0;
  // Commands of a bar go to its owner, or to the frame it sits in.
  CWnd* owner = m_hWndOwner ? CWnd::FromHandle(m_hWndOwner) : nullptr;
  CFrameWnd* target = dynamic_cast<CFrameWnd*>(owner);
  if (!target) target = m_pDockSite ? m_pDockSite : GetParentFrame();
  if (target) OnUpdateCmdUI(target, static_cast<BOOL>(wParam));
  return 0;
}

// --- toolbar --------------------------------------------------------------------------------------

namespace {
// The toolbar resource: version 1, image width and height, then the button ids (0 for a gap).
const LPCSTR RT_TOOLBAR_TYPE = MAKEINTRESOURCEA(241);
struct ToolBarResourceHeader {
  WORD wVersion;
  WORD wWidth;
  WORD wHeight;
  WORD wItemCount;
};

class CToolCmdUI : public CCmdUI {
 public:
  void Enable(BOOL bOn) override {
    m_bEnableChanged = TRUE;
    ::SendMessageA(m_pOther->m_hWnd, TB_ENABLEBUTTON, m_nID, MAKELPARAM(bOn ? TRUE : FALSE, 0));
  }
  void SetCheck(int nCheck) override {
    ::SendMessageA(m_pOther->m_hWnd, TB_CHECKBUTTON, m_nID, MAKELPARAM(nCheck == 1, 0));
    ::SendMessageA(m_pOther->m_hWnd, TB_INDETERMINATE, m_nID, MAKELPARAM(nCheck == 2, 0));
  }
  void SetRadio(BOOL bOn) override { SetCheck(bOn ? 1 : 0); }
  void SetText(LPCSTR) override {}
};
}  // namespace

BOOL CToolBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
  return CreateEx(pParentWnd, 0, dwStyle, RECT{0, 0, 0, 0}, nID);
}

BOOL CToolBar::CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle, DWORD dwStyle, const RECT&, UINT nID) {
  DWORD wndStyle = PrepareCreate(pParentWnd, dwStyle);
  // The frame places the bar; the control must not place itself.
  wndStyle |= dwCtrlStyle | CCS_NOPARENTALIGN | CCS_NOMOVEY | CCS_NORESIZE | CCS_NODIVIDER;
  // The control always gets its tooltip window: the bar style may ask for tips later
  // (SetBarStyle), and the frame answers only bars that want them.
  wndStyle |= TBSTYLE_TOOLTIPS;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&icc);
  if (!CWnd::CreateEx(0, TOOLBARCLASSNAMEA, nullptr, wndStyle | WS_CHILD, RECT{0, 0, 100, 30}, pParentWnd, nID)) {
    return FALSE;
  }
  SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
  if (m_pDockSite) m_pDockSite->AddControlBar(this);
  return TRUE;
}

void CToolBar::SetSizes(SIZE sizeButton, SIZE sizeImage) {
  m_sizeButton = sizeButton;
  m_sizeImage = sizeImage;
  SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(sizeImage.cx, sizeImage.cy));
  SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(sizeButton.cx, sizeButton.cy));
}

BOOL CToolBar::LoadToolBar(UINT nIDResource) {
  HINSTANCE h = AfxGetResourceHandle();
  LPCSTR name = MAKEINTRESOURCEA(nIDResource);
  HRSRC res = ::FindResourceA(h, name, RT_TOOLBAR_TYPE);
  if (!res) return FALSE;
  DWORD size = ::SizeofResource(h, res);
  const BYTE* data = static_cast<const BYTE*>(::LockResource(::LoadResource(h, res)));
  if (!data || size < sizeof(ToolBarResourceHeader)) return FALSE;
  ToolBarResourceHeader hdr;
  memcpy(&hdr, data, sizeof hdr);
  // A resource that claims more buttons than it holds is refused, not read past its end.
  if (hdr.wVersion != 1 || size < sizeof hdr + static_cast<DWORD>(hdr.wItemCount) * sizeof(WORD)) return FALSE;
  std::vector<UINT> ids(hdr.wItemCount);
  for (WORD i = 0; i < hdr.wItemCount; ++i) {
    WORD id;
    memcpy(&id, data + sizeof hdr + i * sizeof(WORD), sizeof id);
    ids[i] = id;
  }
  SetSizes(SIZE{hdr.wWidth + 7, hdr.wHeight + 7}, SIZE{hdr.wWidth, hdr.wHeight});
  if (!LoadBitmap(nIDResource)) return FALSE;
  return SetButtons(ids.data(), static_cast<int>(ids.size()));
}

namespace {

// The toolbar takes the button face colour as the transparent colour of its pictures: a picture
// whose background is another grey has no transparent part, and its greyed form is a solid
// square. The system maps the light grey of pictures with a colour table itself; true-colour
// pictures get the same here.
void MapLightGreyToButtonFace(HBITMAP hbm) {
  DIBSECTION ds;
  if (::GetObjectA(hbm, sizeof ds, &ds) != sizeof ds || !ds.dsBm.bmBits) return;
  const int bytes = ds.dsBm.bmBitsPixel / 8;
  if (bytes != 3 && bytes != 4) return;
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  if (face == RGB(192, 192, 192)) return;
  BYTE* bits = static_cast<BYTE*>(ds.dsBm.bmBits);
  for (LONG y = 0; y < ds.dsBm.bmHeight; ++y) {
    BYTE* p = bits + static_cast<size_t>(y) * ds.dsBm.bmWidthBytes;
    for (LONG x = 0; x < ds.dsBm.bmWidth; ++x, p += bytes) {
      if (p[0] == 192 && p[1] == 192 && p[2] == 192) {
        p[0] = GetBValue(face);
        p[1] = GetGValue(face);
        p[2] = GetRValue(face);
      }
    }
  }
}

}  // namespace

BOOL CToolBar::LoadBitmap(UINT nIDResource) {
  HBITMAP hbm = static_cast<HBITMAP>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource), IMAGE_BITMAP, 0,
                                                  0, LR_CREATEDIBSECTION | LR_LOADMAP3DCOLORS));
  if (!hbm) return FALSE;
  MapLightGreyToButtonFace(hbm);
  BITMAP bm;
  ::GetObjectA(hbm, sizeof bm, &bm);
  TBADDBITMAP add = {nullptr, reinterpret_cast<UINT_PTR>(hbm)};
  int images = m_sizeImage.cx > 0 ? bm.bmWidth / m_sizeImage.cx : 0;
  if (SendMessage(TB_ADDBITMAP, images, reinterpret_cast<LPARAM>(&add)) == -1) {
    ::DeleteObject(hbm);
    return FALSE;
  }
  if (m_hbmImageWell) ::DeleteObject(m_hbmImageWell);
  m_hbmImageWell = hbm;
  return TRUE;
}

BOOL CToolBar::SetButtons(const UINT* lpIDArray, int nIDCount) {
  while (SendMessage(TB_BUTTONCOUNT) > 0) SendMessage(TB_DELETEBUTTON, 0);
  std::vector<TBBUTTON> buttons(static_cast<size_t>(nIDCount));
  int image = 0;
  for (int i = 0; i < nIDCount; ++i) {
    TBBUTTON& b = buttons[static_cast<size_t>(i)];
    b = {};
    UINT id = lpIDArray ? lpIDArray[i] : 0;
    b.idCommand = static_cast<int>(id);
    if (id == ID_SEPARATOR) {
      b.fsStyle = TBSTYLE_SEP;
      b.iBitmap = 6;  // the gap's width
    } else {
      b.fsStyle = TBSTYLE_BUTTON;
      b.fsState = TBSTATE_ENABLED;
      b.iBitmap = image++;
    }
  }
  if (nIDCount > 0 && !SendMessage(TB_ADDBUTTONSA, static_cast<WPARAM>(nIDCount), reinterpret_cast<LPARAM>(buttons.data()))) {
    return FALSE;
  }
  if (m_pDockSite) m_pDockSite->RecalcLayout();
  return TRUE;
}

int CToolBar::GetCount() const { return static_cast<int>(::SendMessageA(m_hWnd, TB_BUTTONCOUNT, 0, 0)); }

int CToolBar::CommandToIndex(UINT nIDFind) const {
  return static_cast<int>(::SendMessageA(m_hWnd, TB_COMMANDTOINDEX, nIDFind, 0));
}

UINT CToolBar::GetItemID(int nIndex) const {
  TBBUTTON b = {};
  ::SendMessageA(m_hWnd, TB_GETBUTTON, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&b));
  return static_cast<UINT>(b.idCommand);
}

void CToolBar::GetItemRect(int nIndex, LPRECT lpRect) const {
  ::SendMessageA(m_hWnd, TB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpRect));
}

UINT CToolBar::GetButtonStyle(int nIndex) const {
  TBBUTTON b = {};
  ::SendMessageA(m_hWnd, TB_GETBUTTON, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&b));
  return b.fsStyle;
}

void CToolBar::SetButtonStyle(int nIndex, UINT nStyle) {
  TBBUTTONINFOA info = {};
  info.cbSize = sizeof info;
  info.dwMask = TBIF_STYLE | TBIF_BYINDEX;
  info.fsStyle = static_cast<BYTE>(nStyle);
  ::SendMessageA(m_hWnd, TB_SETBUTTONINFOA, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&info));
}

CSize CToolBar::CalcFixedLayout(BOOL, BOOL bHorz) {
  // The buttons' extent along the bar, one button thick across it. The extent is the sum of the
  // buttons' own sizes, not the span from the first to the last: a wrapping control may have
  // broken its row at the width it had before the frame placed it.
  int n = GetCount();
  int along = 4;
  for (int i = 0; i < n; ++i) {
    RECT r;
    GetItemRect(i, &r);
    along += bHorz ? r.right - r.left : r.bottom - r.top;
  }
  int across = static_cast<int>(m_sizeButton.cy) + 4;
  return bHorz ? CSize(along, across) : CSize(across, along);
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) {
  CToolCmdUI state;
  state.m_pOther = this;
  state.m_nIndexMax = static_cast<UINT>(GetCount());
  for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex) {
    TBBUTTON b = {};
    SendMessage(TB_GETBUTTON, state.m_nIndex, reinterpret_cast<LPARAM>(&b));
    if (b.fsStyle & TBSTYLE_SEP) continue;
    state.m_nID = static_cast<UINT>(b.idCommand);
    state.DoUpdate(pTarget, bDisableIfNoHndler);
  }
}

// --- status bar -------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CStatusBar, CControlBar)
  ON_WM_SIZE()
END_MESSAGE_MAP()

namespace {
class CStatusCmdUI : public CCmdUI {
 public:
  void Enable(BOOL bOn) override {
    // A disabled indicator shows no text.
    m_bEnableChanged = TRUE;
    CStatusBar* bar = static_cast<CStatusBar*>(m_pOther);
    UINT id, style;
    int width;
    bar->GetPaneInfo(static_cast<int>(m_nIndex), id, style, width);
    style = bOn ? (style & ~SBPS_DISABLED) : (style | SBPS_DISABLED);
    bar->SetPaneInfo(static_cast<int>(m_nIndex), id, style, width);
  }
  void SetCheck(int nCheck) override {
    CStatusBar* bar = static_cast<CStatusBar*>(m_pOther);
    UINT id, style;
    int width;
    bar->GetPaneInfo(static_cast<int>(m_nIndex), id, style, width);
    bar->SetPaneInfo(static_cast<int>(m_nIndex), id, nCheck ? (style | SBPS_POPOUT) : (style & ~SBPS_POPOUT), width);
  }
  void SetRadio(BOOL bOn) override { SetCheck(bOn ? 1 : 0); }
  void SetText(LPCSTR lpszText) override { static_cast<CStatusBar*>(m_pOther)->SetPaneText(static_cast<int>(m_nIndex), lpszText); }
};
}  // namespace

BOOL CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
  DWORD wndStyle = PrepareCreate(pParentWnd, dwStyle) | CCS_NOPARENTALIGN | CCS_NOMOVEY | CCS_NORESIZE | CCS_NODIVIDER;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&icc);
  if (!CWnd::CreateEx(0, STATUSCLASSNAMEA, nullptr, wndStyle | WS_CHILD, RECT{0, 0, 100, 20}, pParentWnd, nID)) {
    return FALSE;
  }
  // Status bars sit below every other bar on their side.
  m_nRow = 1 << 20;
  if (m_pDockSite) m_pDockSite->AddControlBar(this);
  return TRUE;
}

BOOL CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount) {
  m_panes.clear();
  CClientDC dc(nullptr);
  HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  HGDIOBJ old = font ? ::SelectObject(dc.m_hDC, font) : nullptr;
  BOOL ok = TRUE;
  for (int i = 0; i < nIDCount; ++i) {
    Pane p;
    p.nID = lpIDArray ? lpIDArray[i] : 0;
    p.nStyle = SBPS_NORMAL;
    p.cxText = 0;
    if (p.nID != ID_SEPARATOR) {
      if (!p.strText.LoadString(p.nID)) ok = FALSE;  // an indicator needs its string
      p.cxText = dc.GetTextExtent(p.strText).cx;
    }
    m_panes.push_back(p);
  }
  if (old) ::SelectObject(dc.m_hDC, old);
  if (!m_panes.empty()) {
    m_panes[0].nStyle |= SBPS_STRETCH | SBPS_NOBORDERS;
  }
  UpdateParts();
  return ok;
}

void CStatusBar::UpdateParts() {
  if (!m_hWnd || m_panes.empty()) return;
  RECT rc;
  ::GetClientRect(m_hWnd, &rc);
  // Right edges from the right: fixed panes keep their width, the stretching one takes the rest.
  const int gap = 6;
  int fixed = 0;
  for (const Pane& p : m_panes) {
    if (!(p.nStyle & SBPS_STRETCH)) fixed += p.cxText + gap;
  }
  int stretch = std::max(0, static_cast<int>(rc.right) - fixed - 20);
  std::vector<int> edges;
  int x = 0;
  for (const Pane& p : m_panes) {
    x += (p.nStyle & SBPS_STRETCH) ? stretch : p.cxText + gap;
    edges.push_back(x);
  }
  SendMessage(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (size_t i = 0; i < m_panes.size(); ++i) {
    const Pane& p = m_panes[i];
    UINT type = (p.nStyle & SBPS_NOBORDERS) ? SBT_NOBORDERS : (p.nStyle & SBPS_POPOUT) ? SBT_POPOUT : 0;
    LPCSTR text = (p.nStyle & SBPS_DISABLED) ? "" : static_cast<LPCSTR>(p.strText);
    SendMessage(SB_SETTEXTA, i | type, reinterpret_cast<LPARAM>(text));
  }
}

void CStatusBar::SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth) {
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_panes.size()) return;
  Pane& p = m_panes[static_cast<size_t>(nIndex)];
  bool changed = p.nID != nID || p.nStyle != nStyle || p.cxText != cxWidth;
  p.nID = nID;
  p.nStyle = nStyle;
  p.cxText = cxWidth;
  if (changed) UpdateParts();
}

void CStatusBar::GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const {
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_panes.size()) {
    nID = nStyle = 0;
    cxWidth = 0;
    return;
  }
  const Pane& p = m_panes[static_cast<size_t>(nIndex)];
  nID = p.nID;
  nStyle = p.nStyle;
  cxWidth = p.cxText;
}

BOOL CStatusBar::SetPaneText(int nIndex, LPCSTR lpszNewText, BOOL bUpdate) {
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_panes.size()) return FALSE;
  Pane& p = m_panes[static_cast<size_t>(nIndex)];
  CString text(lpszNewText);
  if (p.strText == text) return TRUE;
  p.strText = text;
  UINT type = (p.nStyle & SBPS_NOBORDERS) ? SBT_NOBORDERS : (p.nStyle & SBPS_POPOUT) ? SBT_POPOUT : 0;
  SendMessage(SB_SETTEXTA, static_cast<WPARAM>(nIndex) | type,
              reinterpret_cast<LPARAM>((p.nStyle & SBPS_DISABLED) ? "" : static_cast<LPCSTR>(p.strText)));
  if (bUpdate) UpdateWindow();
  return TRUE;
}

CString CStatusBar::GetPaneText(int nIndex) const {
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_panes.size()) return CString();
  return m_panes[static_cast<size_t>(nIndex)].strText;
}

void CStatusBar::GetItemRect(int nIndex, LPRECT lpRect) const {
  ::SendMessageA(m_hWnd, SB_GETRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpRect));
}

int CStatusBar::CommandToIndex(UINT nIDFind) const {
  for (size_t i = 0; i < m_panes.size(); ++i) {
    if (m_panes[i].nID == nIDFind) return static_cast<int>(i);
  }
  return -1;
}

UINT CStatusBar::GetItemID(int nIndex) const {
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_panes.size()) return 0;
  return m_panes[static_cast<size_t>(nIndex)].nID;
}

CSize CStatusBar::CalcFixedLayout(BOOL, BOOL bHorz) {
  // A status bar stretches along its side: length 0 means "all of it".
  TEXTMETRICA tm = {};
  CClientDC dc(this);
  HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  HGDIOBJ old = font ? ::SelectObject(dc.m_hDC, font) : nullptr;
  ::GetTextMetricsA(dc.m_hDC, &tm);
  if (old) ::SelectObject(dc.m_hDC, old);
  int height = tm.tmHeight + 8;
  return bHorz ? CSize(0, height) : CSize(height, 0);
}

void CStatusBar::OnSize(UINT, int, int) {
  Default();
  UpdateParts();
}

void CStatusBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL) {
  CStatusCmdUI state;
  state.m_pOther = this;
  state.m_nIndexMax = static_cast<UINT>(m_panes.size());
  for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex) {
    state.m_nID = m_panes[state.m_nIndex].nID;
    // Indicators with no handler stay as they are (the prompt pane has id 0 and is skipped).
    state.DoUpdate(pTarget, FALSE);
  }
}
