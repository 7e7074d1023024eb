// The Windows half of the cell controls: the double-byte lead-byte test of the current code page and
// the pop-up window that shows an open combo list. The pop-up never takes the focus: keys stay with the
// grid, which hands them to the combo; a click on a line picks it.
#include "GXControls.h"

#include <windows.h>

#include "Wnd.h"

#include <algorithm>
#include <cstring>

namespace {

const char kPopupClass[] = "GXCOMBOLIST";

BOOL IsLeadByte(BYTE c) { return ::IsDBCSLeadByte(c); }

class CGXComboPopup : public CGXComboDropDownWnd {
 public:
  CGXComboPopup(CGXComboBox* pCombo, HWND hGrid, const CRect& rectCell, int nHeight);
  ~CGXComboPopup() override;
  void UpdateList() override;
  static LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  int LineHeight() const { return std::max(m_pCombo->m_nTextHeight, 8); }
  int VisibleLines() const;
  void Paint(HDC hDC);
  void ScrollToSelection();

  CGXComboBox* m_pCombo;  // the owner; not owned
  HWND m_hWnd = nullptr;
  int m_nTop = 0;
};

void RegisterPopupClass() {
  static bool s_bRegistered = false;
  if (s_bRegistered)
    return;
  WNDCLASSA wc{};
  wc.lpfnWndProc = &CGXComboPopup::WndProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kPopupClass;
  s_bRegistered = ::RegisterClassA(&wc) != 0;
}

CGXComboPopup::CGXComboPopup(CGXComboBox* pCombo, HWND hGrid, const CRect& rectCell, int nHeight)
    : m_pCombo(pCombo) {
  RegisterPopupClass();
  POINT pt = {rectCell.left, rectCell.bottom};
  ::ClientToScreen(hGrid, &pt);
  RECT desk;
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &desk, 0);
  const int w = rectCell.Width(), h = std::max(nHeight, 2) + 2;
  CRect r(pt.x, pt.y, pt.x + w, pt.y + h);
  if (r.bottom > desk.bottom)
    r.OffsetRect(0, -(rectCell.Height() + h));
  if (r.right > desk.right)
    r.OffsetRect(desk.right - r.right, 0);
  r.IntersectRect(r, CRect(desk.left, desk.top, desk.right, desk.bottom));
  m_hWnd = ::CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPopupClass, "",
                             WS_POPUP | WS_BORDER, r.left, r.top, r.Width(), r.Height(), hGrid, nullptr,
                             ::GetModuleHandleA(nullptr), this);
  if (m_hWnd != nullptr) {
    ScrollToSelection();
    ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    ::UpdateWindow(m_hWnd);
  }
}

CGXComboPopup::~CGXComboPopup() {
  if (m_hWnd != nullptr) {
    ::SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    ::DestroyWindow(m_hWnd);
  }
}

int CGXComboPopup::VisibleLines() const {
  RECT rc;
  ::GetClientRect(m_hWnd, &rc);
  return std::max(1, (int)(rc.bottom - rc.top) / LineHeight());
}

void CGXComboPopup::ScrollToSelection() {
  const int nSel = m_pCombo->GetListSel();
  if (nSel < 0)
    return;
  if (nSel < m_nTop)
    m_nTop = nSel;
  else if (nSel >= m_nTop + VisibleLines())
    m_nTop = nSel - VisibleLines() + 1;
}

void CGXComboPopup::UpdateList() {
  if (m_hWnd == nullptr)
    return;
  ScrollToSelection();
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  ::UpdateWindow(m_hWnd);
}

void CGXComboPopup::Paint(HDC hDC) {
  RECT rc;
  ::GetClientRect(m_hWnd, &rc);
  ::FillRect(hDC, &rc, ::GetSysColorBrush(COLOR_WINDOW));
  HGDIOBJ hOld = ::SelectObject(hDC, ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(hDC, TRANSPARENT);
  const std::vector<CString>& lines = m_pCombo->GetListLines();
  const int h = LineHeight();
  for (int i = m_nTop; i < (int)lines.size(); ++i) {
    RECT line = {rc.left, rc.top + (i - m_nTop) * h, rc.right, rc.top + (i - m_nTop + 1) * h};
    if (line.top >= rc.bottom)
      break;
    const BOOL bSel = i == m_pCombo->GetListSel();
    if (bSel)
      ::FillRect(hDC, &line, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    ::SetTextColor(hDC, ::GetSysColor(bSel ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    // Tab-separated fields stand in columns.
    RECT text = line;
    text.left += 2;
    ::DrawTextA(hDC, lines[i], lines[i].GetLength(), &text,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_EXPANDTABS);
  }
  ::SelectObject(hDC, hOld);
}

LRESULT CALLBACK CGXComboPopup::WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* pCreate = reinterpret_cast<CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pCreate->lpCreateParams));
  }
  auto* pThis = reinterpret_cast<CGXComboPopup*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
  if (pThis == nullptr)
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC hDC = ::BeginPaint(hWnd, &ps);
      pThis->m_hWnd = hWnd;
      pThis->Paint(hDC);
      ::EndPaint(hWnd, &ps);
      return 0;
    }
    case WM_LBUTTONUP: {
      const int nIndex = pThis->m_nTop + (int)(short)HIWORD(lParam) / pThis->LineHeight();
      // Picking closes the list, which destroys this window and its object: nothing of them after.
      pThis->m_pCombo->OnListClick(nIndex);
      return 0;
    }
    case WM_MOUSEWHEEL: {
      const int nLines = (int)pThis->m_pCombo->GetListLines().size();
      const int nDelta = (short)HIWORD(wParam) > 0 ? -1 : 1;
      pThis->m_nTop = std::clamp(pThis->m_nTop + nDelta, 0, std::max(0, nLines - pThis->VisibleLines()));
      ::InvalidateRect(hWnd, nullptr, TRUE);
      return 0;
    }
    default:
      return ::DefWindowProcA(hWnd, message, wParam, lParam);
  }
}

HWND GridWindow(CGXGridCore* pGrid) {
  auto* pWnd = dynamic_cast<CWnd*>(pGrid);
  return pWnd != nullptr ? pWnd->m_hWnd : nullptr;
}

BOOL SetClipboardText(CGXGridCore* pGrid, const CString& s) {
  if (!::OpenClipboard(GridWindow(pGrid)))
    return FALSE;
  ::EmptyClipboard();
  BOOL bSet = FALSE;
  if (HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, (SIZE_T)s.GetLength() + 1)) {
    if (void* p = ::GlobalLock(h)) {
      std::memcpy(p, (LPCTSTR)s, (size_t)s.GetLength() + 1);
      ::GlobalUnlock(h);
      bSet = ::SetClipboardData(CF_TEXT, h) != nullptr;
    }
    if (!bSet)
      ::GlobalFree(h);
  }
  ::CloseClipboard();
  return bSet;
}

BOOL GetClipboardText(CGXGridCore* pGrid, CString& s) {
  s.Empty();
  const BOOL bOpened = ::GetOpenClipboardWindow() == nullptr && ::OpenClipboard(GridWindow(pGrid));
  BOOL bFound = FALSE;
  for (UINT nFormat : {(UINT)CF_TEXT, (UINT)CF_OEMTEXT}) {
    HANDLE h = ::GetClipboardData(nFormat);
    if (h == nullptr)
      continue;
    if (const char* p = static_cast<const char*>(::GlobalLock(h))) {
      // Never past the block, whatever another program put there.
      const size_t nMax = ::GlobalSize(h);
      size_t n = 0;
      while (n < nMax && p[n] != 0)
        ++n;
      s = CString(p, (int)n);
      ::GlobalUnlock(h);
      bFound = TRUE;
    }
    break;
  }
  if (bOpened)
    ::CloseClipboard();
  return bFound;
}

CGXComboDropDownWnd* CreateComboPopup(CGXComboBox* pCombo, const CRect& rectCell, int nHeight) {
  auto* pWnd = dynamic_cast<CWnd*>(pCombo->Grid());
  if (pWnd == nullptr || pWnd->m_hWnd == nullptr)
    return nullptr;
  return new CGXComboPopup(pCombo, pWnd->m_hWnd, rectCell, nHeight);
}

}  // namespace

// The window class of the pop-up list, for tests that look for an open list.
const char* GXComboListClassName() { return kPopupClass; }

void GXInstallCellControlWindows() {
  GXSetIsLeadByteProc(&IsLeadByte);
  GXSetCreateDropDownProc(&CreateComboPopup);
  GXSetClipboardProcs(&SetClipboardText, &GetClipboardText);
}
