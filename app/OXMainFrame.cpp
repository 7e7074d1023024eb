// The MDI frame base with its painted MDI client.
#include "OXMainFrame.h"

IMPLEMENT_DYNAMIC(COXMDIClient, CWnd)
IMPLEMENT_DYNAMIC(COXMainFrame, CMDIFrameWnd)

// --- the MDI client ------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(COXMDIClient, CWnd)
  ON_WM_ERASEBKGND()
  ON_WM_SIZE()
  ON_MESSAGE(WM_VV_CLIENT_REALIZEPAL, OnRealizePalette)
END_MESSAGE_MAP()

COXMDIClient::COXMDIClient() : m_clrBackground(::GetSysColor(COLOR_APPWORKSPACE)) {}

COXMDIClient::~COXMDIClient() {
  DropCache();
  DropBitmap();
  if (m_hdcSource) {
    if (m_hOldSource) ::SelectObject(m_hdcSource, m_hOldSource);
    ::DeleteDC(m_hdcSource);
  }
  if (m_hdcCache) {
    if (m_hOldCache) ::SelectObject(m_hdcCache, m_hOldCache);
    ::DeleteDC(m_hdcCache);
  }
}

void COXMDIClient::DropCache() {
  if (!m_hCache) return;
  if (m_hdcCache && m_hOldCache) ::SelectObject(m_hdcCache, m_hOldCache);
  ::DeleteObject(m_hCache);
  m_hCache = nullptr;
}

void COXMDIClient::DropBitmap() {
  if (m_hBitmap) {
    if (m_hdcSource && m_hOldSource) ::SelectObject(m_hdcSource, m_hOldSource);
    ::DeleteObject(m_hBitmap);
    m_hBitmap = nullptr;
  }
  // The palette is the picture's own and goes with it.
  m_hPalette = nullptr;
  m_dib.Empty();
  m_nBitmapWidth = m_nBitmapHeight = 0;
}

BOOL COXMDIClient::SetBackground(COLORREF colour, int mode, HBITMAP bitmap) {
  m_clrBackground = colour;
  m_nMode = mode;
  BOOL ok = TRUE;
  DropCache();
  DropBitmap();
  // The picture is kept device-independent with the palette of its colour table, so that it
  // paints in its own colours on a palette display; the device bitmap made of it is what the
  // source context paints from.
  if (bitmap && !m_bDCsMissing && m_dib.CreateFromBitmap(CBitmap::FromHandle(bitmap)) && !m_dib.IsEmpty()) {
    CSize size;
    if (CBitmap* previous = m_dib.MakeBitmap(CDC::FromHandle(m_hdcSource), size)) {
      if (!m_hOldSource) m_hOldSource = previous->GetSafeHandle();
      m_hBitmap = static_cast<HBITMAP>(::GetCurrentObject(m_hdcSource, OBJ_BITMAP));
      m_hPalette = m_dib.GetPalette() ? static_cast<HPALETTE>(m_dib.GetPalette()->GetSafeHandle()) : nullptr;
      m_nBitmapWidth = size.cx;
      m_nBitmapHeight = size.cy;
      if (!BuildCache(m_nClientWidth, m_nClientHeight)) {
        DropBitmap();
        ok = FALSE;
      }
    } else {
      DropBitmap();
    }
  } else {
    DropBitmap();
  }
  OnRealizePalette(0, 0);
  if (m_hWnd) RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  return ok;
}

BOOL COXMDIClient::BuildCache(int width, int height) {
  if (!m_hBitmap || m_nBitmapWidth < 1 || m_nBitmapHeight < 1) return TRUE;
  if (m_nMode != ModeTile && m_nMode != ModeStretch) return TRUE;
  if (width < 1 || height < 1) return TRUE;
  CWaitCursor wait;
  DropCache();
  HDC screen = ::GetDC(m_hWnd);
  m_hCache = ::CreateCompatibleBitmap(screen, width, height);
  ::ReleaseDC(m_hWnd, screen);
  if (!m_hCache) return FALSE;
  HGDIOBJ old = ::SelectObject(m_hdcCache, m_hCache);
  if (!m_hOldCache) m_hOldCache = old;
  HPALETTE oldPal = m_hPalette ? ::SelectPalette(m_hdcCache, m_hPalette, FALSE) : nullptr;
  if (m_nMode == ModeTile) {
    for (int y = 0; y < height; y += m_nBitmapHeight)
      for (int x = 0; x < width; x += m_nBitmapWidth)
        ::BitBlt(m_hdcCache, x, y, m_nBitmapWidth, m_nBitmapHeight, m_hdcSource, 0, 0, SRCCOPY);
  } else {
    ::SetStretchBltMode(m_hdcCache, COLORONCOLOR);
    ::StretchBlt(m_hdcCache, 0, 0, width, height, m_hdcSource, 0, 0, m_nBitmapWidth, m_nBitmapHeight, SRCCOPY);
  }
  if (oldPal) ::SelectPalette(m_hdcCache, oldPal, FALSE);
  return TRUE;
}

BOOL COXMDIClient::OnEraseBkgnd(CDC* pDC) {
  HDC dc = pDC->m_hDC;
  RECT rc;
  GetClientRect(&rc);
  if ((m_clrBackground != ::GetBkColor(dc) && m_nMode == ModeCentre) || !m_hBitmap) {
    HBRUSH brush = ::CreateSolidBrush(m_clrBackground);
    ::UnrealizeObject(brush);
    POINT org = {0, 0};
    ::SetBrushOrgEx(dc, org.x, org.y, nullptr);
    HGDIOBJ old = ::SelectObject(dc, brush);
    ::PatBlt(dc, 0, 0, rc.right, rc.bottom, PATCOPY);
    ::SelectObject(dc, old);
    ::DeleteObject(brush);
    ::SetBkColor(dc, m_clrBackground);
  } else {
    Default();
  }
  if (m_hBitmap && !m_bDCsMissing) {
    HPALETTE oldPal = nullptr;
    if (m_hPalette) {
      oldPal = ::SelectPalette(dc, m_hPalette, FALSE);
      ::RealizePalette(dc);
    }
    if (m_nMode == ModeCentre) {
      ::BitBlt(dc, (rc.right - m_nBitmapWidth) / 2, (rc.bottom - m_nBitmapHeight) / 2, m_nBitmapWidth, m_nBitmapHeight,
               m_hdcSource, 0, 0, SRCCOPY);
    } else if (m_hCache) {
      ::BitBlt(dc, 0, 0, m_nClientWidth, m_nClientHeight, m_hdcCache, 0, 0, SRCCOPY);
    }
    if (oldPal) ::SelectPalette(dc, oldPal, FALSE);
  }
  return TRUE;
}

void COXMDIClient::OnSize(UINT, int cx, int cy) {
  Default();
  if (m_bDCsMissing) {
    HDC screen = ::GetDC(m_hWnd);
    m_hdcSource = ::CreateCompatibleDC(screen);
    m_hdcCache = ::CreateCompatibleDC(screen);
    ::ReleaseDC(m_hWnd, screen);
    if (m_hdcSource && m_hdcCache) m_bDCsMissing = FALSE;
  }
  if (m_nClientWidth == 0 && m_nClientHeight == 0) {
    m_nClientWidth = cx;
    m_nClientHeight = cy;
    return;
  }
  if (cx == m_nClientWidth && cy == m_nClientHeight) return;
  m_nClientWidth = cx;
  m_nClientHeight = cy;
  // Tiling repaints through the normal erase; centring and stretching depend on the whole size.
  if (BuildCache(cx, cy) && (m_nMode == ModeCentre || m_nMode == ModeStretch))
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT COXMDIClient::OnRealizePalette(WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(lParam) == m_hWnd && m_hWnd) return 0;
  if (!m_hBitmap && m_nMode != ModeCentre) return 0;
  if (!m_hPalette || !m_hWnd) return 0;
  CWnd* parent = wParam ? CWnd::FromHandle(reinterpret_cast<HWND>(wParam)) : GetParent();
  HDC dc = ::GetDC(parent->m_hWnd);
  HPALETTE old = ::SelectPalette(dc, m_hPalette, FALSE);
  if (::RealizePalette(dc) != 0) Invalidate();
  ::SelectPalette(dc, old, FALSE);
  ::ReleaseDC(parent->m_hWnd, dc);
  return 0;
}

// --- the frame -----------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(COXMainFrame, CMDIFrameWnd)
  ON_WM_PALETTECHANGED()
  ON_WM_QUERYNEWPALETTE()
  ON_WM_CLOSE()
  ON_WM_ACTIVATE()
END_MESSAGE_MAP()

BOOL COXMainFrame::OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) {
  if (!CMDIFrameWnd::OnCreateClient(lpcs, pContext)) return FALSE;
  return m_wndMDIClient.SubclassWindow(m_hWndMDIClient);
}

void COXMainFrame::OnPaletteChanged(CWnd* pFocusWnd) {
  Default();
  if (CMDIChildWnd* child = MDIGetActive()) {
    CView* view = child->GetActiveView();
    SendMessageToDescendants(WM_VV_REALIZEPAL, reinterpret_cast<WPARAM>(AfxSafeHwnd(view)), 0, TRUE);
  }
  if (m_wndMDIClient.m_hWnd)
    m_wndMDIClient.SendMessage(WM_VV_CLIENT_REALIZEPAL, reinterpret_cast<WPARAM>(m_hWnd),
                               reinterpret_cast<LPARAM>(AfxSafeHwnd(pFocusWnd)));
}

BOOL COXMainFrame::OnQueryNewPalette() {
  CMDIChildWnd* child = MDIGetActive();
  if (!child) return FALSE;
  if (CView* view = child->GetActiveView())
    view->SendMessage(WM_VV_REALIZEPAL, reinterpret_cast<WPARAM>(view->m_hWnd), 0);
  return TRUE;
}

void COXMainFrame::OnClose() {
  if (m_pPlacement) {
    m_pPlacement->length = sizeof(WINDOWPLACEMENT);
    GetWindowPlacement(m_pPlacement);
    m_pPlacement->flags = IsZoomed() ? WPF_RESTORETOMAXIMIZED : 0;
  }
  CMDIFrameWnd::OnClose();
}

void COXMainFrame::OnActivate(UINT, CWnd*, BOOL) {
  Default();
  if (m_wndMDIClient.m_hWnd)
    m_wndMDIClient.SendMessage(WM_VV_CLIENT_REALIZEPAL, reinterpret_cast<WPARAM>(m_hWnd), 0);
}
