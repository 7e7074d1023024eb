// The grid window and its device-context surface.
#include "GXGridWnd.h"

#include "GXGridState.h"

#include <cstring>

// --- surface ----------------------------------------------------------------------------------------

CGXGdiSurface::CGXGdiSurface(HDC hDC, std::map<std::string, HFONT>* pFonts) : m_hDC(hDC), m_pFonts(pFonts) {
  m_nOldBkMode = ::SetBkMode(m_hDC, TRANSPARENT);
}

CGXGdiSurface::~CGXGdiSurface() {
  if (m_hOldFont != nullptr)
    ::SelectObject(m_hDC, m_hOldFont);
  ::SetBkMode(m_hDC, m_nOldBkMode);
}

CSize CGXGdiSurface::GetTextExtent(LPCTSTR psz, int nLength) {
  SIZE size{0, 0};
  if (nLength > 0)
    ::GetTextExtentPoint32A(m_hDC, psz, nLength, &size);
  else
    size.cy = GetTextMetrics().nHeight;
  return CSize(size.cx, size.cy);
}

GXTEXTMETRICS CGXGdiSurface::GetTextMetrics() {
  if (!m_bMetricsValid) {
    TEXTMETRICA tm{};
    ::GetTextMetricsA(m_hDC, &tm);
    m_metrics.nHeight = tm.tmHeight;
    m_metrics.nExternalLeading = tm.tmExternalLeading;
    m_metrics.nAscent = tm.tmAscent;
    m_metrics.nAveCharWidth = tm.tmAveCharWidth;
    m_metrics.nMaxCharWidth = tm.tmMaxCharWidth;
    // The pitch bit set means a variable-pitch font.
    m_metrics.bVariablePitch = (tm.tmPitchAndFamily & TMPF_FIXED_PITCH) != 0;
    m_bMetricsValid = TRUE;
  }
  return m_metrics;
}

BOOL CGXGdiSurface::IsRtlReading() { return (::GetTextAlign(m_hDC) & TA_RTLREADING) != 0; }

void CGXGdiSurface::FillRect(const CRect& rect, DWORD rgb) {
  if (rect.IsRectEmpty())
    return;
  const COLORREF old = ::SetBkColor(m_hDC, rgb & 0xFFFFFF);
  ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, &rect, "", 0, nullptr);
  ::SetBkColor(m_hDC, old);
}

void CGXGdiSurface::InvertRect(const CRect& rect) {
  if (!rect.IsRectEmpty())
    ::InvertRect(m_hDC, &rect);
}

void CGXGdiSurface::DrawTextLine(int x, int y, LPCTSTR psz, int nLength, DWORD rgb, const CRect& clip) {
  if (nLength <= 0)
    return;
  const COLORREF old = ::SetTextColor(m_hDC, rgb & 0xFFFFFF);
  ::ExtTextOutA(m_hDC, x, y, ETO_CLIPPED, &clip, psz, (UINT)nLength, nullptr);
  ::SetTextColor(m_hDC, old);
}

void CGXGdiSurface::SelectFont(const CGXFont& font, int nZoom) {
  const GXLOGFONT lf = font.GetLogFontZoomed(nZoom);
  const std::string key(reinterpret_cast<const char*>(&lf), sizeof lf);
  HFONT& hFont = (*m_pFonts)[key];
  if (hFont == nullptr) {
    LOGFONTA l;
    static_assert(sizeof l == sizeof lf, "the grid's LOGFONT is the platform's");
    std::memcpy(&l, &lf, sizeof l);
    hFont = ::CreateFontIndirectA(&l);
    if (hFont == nullptr)
      return;
  }
  HGDIOBJ hOld = ::SelectObject(m_hDC, hFont);
  if (m_hOldFont == nullptr)
    m_hOldFont = hOld;
  m_bMetricsValid = FALSE;
}

// --- window -----------------------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CGXGridWnd, CWnd)

CGXGridWnd::CGXGridWnd() : CGXGridCore(nullptr, nullptr, FALSE) { m_pGridWnd = this; }

CGXGridWnd::~CGXGridWnd() {
  delete m_pMeasureSurface;
  if (m_hMeasureDC != nullptr)
    ::DeleteDC(m_hMeasureDC);
  FreeFonts();
}

void CGXGridWnd::FreeFonts() {
  for (auto& entry : m_fonts)
    if (entry.second != nullptr)
      ::DeleteObject(entry.second);
  m_fonts.clear();
}

void CGXGridWnd::SetUpGrid() {
  WNDCLASSA wc;
  if (!::GetClassInfoA(::GetModuleHandleA(nullptr), "GXWND", &wc))
    AfxThrowNotSupportedException();
  const DWORD dwStyle = GetStyle();
  SetScrollBarMode(GX_SBVERT, (dwStyle & WS_VSCROLL) ? 10 : 0, FALSE);
  SetScrollBarMode(GX_SBHORZ, (dwStyle & WS_HSCROLL) ? 10 : 0, FALSE);
  InitialSetUp();
}

void CGXGridWnd::DrawGrid(HDC hDC, const CRect& clip) {
  CGXGdiSurface surface(hDC, &m_fonts);
  OnGridDraw(surface, clip);
}

void CGXGridWnd::PostNcDestroy() {
  if (m_bAutoDelete)
    delete this;
}

LRESULT CGXGridWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_CREATE: {
      const LRESULT r = Default();
      if (m_bAutoDelete && !IsInitialized())
        SetUpGrid();
      return r;
    }
    case WM_PAINT: {
      if (!IsInitialized()) {
        ::ValidateRect(m_hWnd, nullptr);  // painted again only after the set-up
        AfxThrowNotSupportedException();
      }
      PAINTSTRUCT ps;
      HDC hDC = ::BeginPaint(m_hWnd, &ps);
      DrawGrid(hDC, CRect(ps.rcPaint));
      ::EndPaint(m_hWnd, &ps);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
      if (IsInitialized() && DispatchGridKeys(message, (UINT)wParam, LOWORD(lParam), HIWORD(lParam)))
        return 0;
      break;
    case WM_LBUTTONDOWN: {
      HWND hFocus = ::GetFocus();
      if (hFocus != m_hWnd && !::IsChild(m_hWnd, hFocus))
        ::SetFocus(m_hWnd);
      if (IsInitialized() && HandleLeftButtonDown((UINT)wParam, CPoint((short)LOWORD(lParam), (short)HIWORD(lParam))))
        return 0;
      break;
    }
    case WM_MOUSEMOVE:
      if (IsInitialized() && HandleMouseMove((UINT)wParam, CPoint((short)LOWORD(lParam), (short)HIWORD(lParam))))
        return 0;
      break;
    case WM_LBUTTONUP:
      if (IsInitialized() && HandleLeftButtonUp((UINT)wParam, CPoint((short)LOWORD(lParam), (short)HIWORD(lParam))))
        return 0;
      break;
    case WM_LBUTTONDBLCLK:
      if (IsInitialized() && HandleLeftButtonDblClk((UINT)wParam, CPoint((short)LOWORD(lParam), (short)HIWORD(lParam))))
        return 0;
      break;
    case WM_VSCROLL:
    case WM_HSCROLL: {
      if (!IsInitialized())
        break;
      UINT nPos = HIWORD(wParam);
      SCROLLINFO si{};
      si.cbSize = sizeof si;
      si.fMask = SIF_TRACKPOS;
      if (LOWORD(wParam) == SB_THUMBTRACK && ::GetScrollInfo(m_hWnd, message == WM_VSCROLL ? SB_VERT : SB_HORZ, &si))
        nPos = (UINT)si.nTrackPos;
      const BOOL bDone = message == WM_VSCROLL ? HandleVerticalScroll(LOWORD(wParam), nPos)
                                               : HandleHorizontalScroll(LOWORD(wParam), nPos);
      if (bDone)
        return 0;
      break;
    }
    case WM_SIZE: {
      LRESULT r = Default();
      if (IsInitialized())
        HandleSize((UINT)wParam, LOWORD(lParam), HIWORD(lParam));
      return r;
    }
    case WM_GETDLGCODE:
      return HandleGetDlgCode((UINT)Default());
    case WM_SETFOCUS: {
      LRESULT r = Default();
      if (IsInitialized())
        HandleSetFocus();
      return r;
    }
    case WM_KILLFOCUS: {
      LRESULT r = Default();
      HWND hNew = reinterpret_cast<HWND>(wParam);
      if (IsInitialized())
        HandleKillFocus(hNew == m_hWnd || ::IsChild(m_hWnd, hNew));
      return r;
    }
    case WM_TIMER:
      if (IsInitialized() && HandleTimer(wParam))
        return 0;
      break;
    case WM_CANCELMODE:
      HandleCancelMode();
      break;
    case WM_SYSCOLORCHANGE:
      GXGetSysColorState()->Refresh();
      Invalidate();
      break;
    case WM_USER + 912:
      return GetParam() != nullptr ? (LRESULT)GetParam()->m_nOptionWord : 0;
    case WM_USER + 913:
      return 0;
    case WM_USER + 914:
      return CheckCurrentCellValid((BOOL)wParam) ? 0 : 1;
    case WM_USER + 931:
      ::SetFocus(m_hWnd);
      MoveToRecord((int)wParam, (ROWCOL)lParam);
      return 0;
    case WM_USER + 971:
      m_bSizeLock = wParam != 0;
      if (!m_bSizeLock)
        Invalidate();
      return 0;
    case WM_SETCURSOR:
      if (IsInitialized() && LOWORD(lParam) == HTCLIENT) {
        POINT pt;
        ::GetCursorPos(&pt);
        ::ScreenToClient(m_hWnd, &pt);
        UINT nId = 0, nSystem = 0;
        GetHitCursor(CPoint(pt.x, pt.y), nId, nSystem);
        HCURSOR hCursor = nId != 0 ? ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nId)) : nullptr;
        if (hCursor == nullptr && nSystem != 0)
          hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(nSystem));
        if (hCursor != nullptr) {
          ::SetCursor(hCursor);
          return TRUE;
        }
      }
      break;
    default:
      break;
  }
  return CWnd::WindowProc(message, wParam, lParam);
}

void CGXGridWnd::WndGetClientRect(CRect& rect) const {
  if (m_hWnd == nullptr) {
    CGXGridCore::WndGetClientRect(rect);
    return;
  }
  RECT r;
  ::GetClientRect(m_hWnd, &r);
  rect = r;
}

BOOL CGXGridWnd::WndIsVisible() const { return m_hWnd != nullptr && ::IsWindowVisible(m_hWnd); }

void CGXGridWnd::WndInvalidateRect(const CRect* pRect, BOOL bErase) {
  CGXGridCore::WndInvalidateRect(pRect, bErase);
  if (m_hWnd != nullptr)
    ::InvalidateRect(m_hWnd, pRect, bErase);
}

void CGXGridWnd::WndUpdateWindow() {
  if (m_hWnd != nullptr)
    ::UpdateWindow(m_hWnd);
}

void CGXGridWnd::WndScrollWindow(int dx, int dy, const CRect& rect) {
  if (m_hWnd == nullptr)
    return;
  ::ScrollWindowEx(m_hWnd, dx, dy, &rect, &rect, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
}

void CGXGridWnd::WndSetScrollRange(int nBar, int nMin, int nMax, UINT nPage, BOOL bRedraw) {
  CGXGridCore::WndSetScrollRange(nBar, nMin, nMax, nPage, bRedraw);
  if (m_hWnd == nullptr)
    return;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMin = nMin;
  si.nMax = nMax;
  si.nPage = nPage;
  ::SetScrollInfo(m_hWnd, nBar == GX_SBVERT ? SB_VERT : SB_HORZ, &si, bRedraw);
}

void CGXGridWnd::WndSetScrollPos(int nBar, int nPos, BOOL bRedraw) {
  CGXGridCore::WndSetScrollPos(nBar, nPos, bRedraw);
  if (m_hWnd != nullptr)
    ::SetScrollPos(m_hWnd, nBar == GX_SBVERT ? SB_VERT : SB_HORZ, nPos, bRedraw);
}

int CGXGridWnd::WndGetScrollPos(int nBar) const {
  if (m_hWnd == nullptr)
    return CGXGridCore::WndGetScrollPos(nBar);
  return ::GetScrollPos(m_hWnd, nBar == GX_SBVERT ? SB_VERT : SB_HORZ);
}

void CGXGridWnd::WndShowScrollBar(int nBar, BOOL bShow) {
  CGXGridCore::WndShowScrollBar(nBar, bShow);
  if (m_hWnd == nullptr)
    return;
  const DWORD dwStyle = GetStyle();
  const int nWin = nBar == GX_SBBOTH ? SB_BOTH : nBar == GX_SBVERT ? SB_VERT : SB_HORZ;
  const DWORD dwBits = nBar == GX_SBBOTH ? (WS_VSCROLL | WS_HSCROLL) : nBar == GX_SBVERT ? WS_VSCROLL : WS_HSCROLL;
  // Only a change is made, so that showing a bar does not send sizes back and forth.
  if (bShow ? (dwStyle & dwBits) != dwBits : (dwStyle & dwBits) != 0)
    ::ShowScrollBar(m_hWnd, nWin, bShow);
}

void CGXGridWnd::WndSetFocus() {
  if (m_hWnd != nullptr && ::GetFocus() != m_hWnd && !::IsChild(m_hWnd, ::GetFocus()))
    ::SetFocus(m_hWnd);
}

void CGXGridWnd::WndDrainKeyboardMessages() {
  HWND hFocus = ::GetFocus();
  if (hFocus == nullptr || (hFocus != m_hWnd && !::IsChild(m_hWnd, hFocus)))
    return;
  MSG msg;
  while (::PeekMessageA(&msg, hFocus, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
}

int CGXGridWnd::WndMessageBox(LPCTSTR pszText) {
  CGXGridCore::WndMessageBox(pszText);
  if (m_bQuietMessages || m_hWnd == nullptr)
    return IDOK;
  return ::MessageBoxA(m_hWnd, pszText, nullptr, 0);
}

BOOL CGXGridWnd::WndIsKeyDown(UINT nVirtKey) const { return ::GetKeyState((int)nVirtKey) < 0; }

void CGXGridWnd::WndSetCapture(BOOL bCapture) {
  if (m_hWnd == nullptr)
    return;
  if (bCapture)
    ::SetCapture(m_hWnd);
  else if (::GetCapture() == m_hWnd)
    ::ReleaseCapture();
}

BOOL CGXGridWnd::WndSetTimer(UINT nId, UINT nMilliseconds) {
  return m_hWnd != nullptr && ::SetTimer(m_hWnd, nId, nMilliseconds, nullptr) != 0;
}

void CGXGridWnd::WndKillTimer(UINT nId) {
  if (m_hWnd != nullptr)
    ::KillTimer(m_hWnd, nId);
}

BOOL CGXGridWnd::WndPostTimer(UINT nId) { return m_hWnd != nullptr && ::PostMessageA(m_hWnd, WM_TIMER, nId, 0); }

BOOL CGXGridWnd::WndHasCapture() const { return m_hWnd != nullptr && ::GetCapture() == m_hWnd; }

CGXTextMeasurer* CGXGridWnd::WndGetMeasurer(const CGXFont* pFont) {
  if (m_hMeasureDC == nullptr) {
    HDC hScreen = ::GetDC(nullptr);
    m_hMeasureDC = ::CreateCompatibleDC(hScreen);
    ::ReleaseDC(nullptr, hScreen);
    if (m_hMeasureDC == nullptr)
      return nullptr;
  }
  delete m_pMeasureSurface;
  m_pMeasureSurface = new CGXGdiSurface(m_hMeasureDC, &m_fonts);
  if (pFont != nullptr)
    m_pMeasureSurface->SelectFont(*pFont, GetZoom());
  return m_pMeasureSurface;
}

void GXAttachGridWndObject(void* hWnd) {
  HWND h = static_cast<HWND>(hWnd);
  if (CWnd::FromHandlePermanent(h) != nullptr)
    return;
  CGXGridWnd* pGrid = new CGXGridWnd;
  pGrid->m_bAutoDelete = TRUE;
  if (!pGrid->SubclassWindow(h)) {
    delete pGrid;
    return;
  }
  pGrid->TakeOverClassProc();
}

void CGXGridWnd::TakeOverClassProc() {
  // The class procedure only hands the window over; what the grid does not handle goes to the default
  // procedure, not back to it.
  m_pfnSuper = ::DefWindowProcA;
}
