// The in-cell buttons.
#include "GXButton.h"

#include "GXGridState.h"

#include <algorithm>
#include <chrono>

namespace {

const UINT kVkSpace = 0x20;
const int kColorBtnFace = 15, kColorBtnShadow = 16, kColorBtnHighlight = 20, kColorBtnText = 18;

DWORD SysColor(int n) { return GXGetSysColorState()->GetColor(n) & 0xFFFFFF; }

DWORD SteadyTicks() {
  using namespace std::chrono;
  return (DWORD)duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

GX_TICKCOUNT_PROC g_pfnTicks = &SteadyTicks;

}  // namespace

void GXSetTickCountProc(GX_TICKCOUNT_PROC pfn) { g_pfnTicks = pfn != nullptr ? pfn : &SteadyTicks; }
DWORD GXGetTickCount() { return g_pfnTicks(); }

CRect CGXButton::DrawFace(CGXGridSurface& surface, BOOL bActive) {
  const CRect& r = m_rect;
  surface.FillRect(r, SysColor(kColorBtnFace));
  const BOOL bDown = ShownPressed(bActive);
  const DWORD light = bDown ? SysColor(kColorBtnShadow) : SysColor(kColorBtnHighlight);
  const DWORD dark = bDown ? SysColor(kColorBtnHighlight) : 0;
  surface.FillRect(CRect(r.left, r.top, r.right, r.top + 1), light);
  surface.FillRect(CRect(r.left, r.top, r.left + 1, r.bottom), light);
  surface.FillRect(CRect(r.left, r.bottom - 1, r.right, r.bottom), dark);
  surface.FillRect(CRect(r.right - 1, r.top, r.right, r.bottom), dark);
  CRect inner = r;
  inner.DeflateRect(1, 1);
  return inner;
}

void CGXButton::Draw(CGXGridSurface& surface, BOOL bActive) {
  if (m_rect.IsRectEmpty())
    return;
  CRect inner = DrawFace(surface, bActive);
  if (m_sText.IsEmpty())
    return;
  const CSize ext = surface.GetTextExtent(m_sText, m_sText.GetLength());
  const int nShift = ShownPressed(bActive) ? 1 : 0;
  const int x = inner.left + std::max(0, (inner.Width() - (int)ext.cx) / 2) + nShift;
  const int y = inner.top + std::max(0, (inner.Height() - (int)ext.cy) / 2) + nShift;
  surface.DrawTextLine(x, y, m_sText, m_sText.GetLength(), SysColor(kColorBtnText), inner);
}

BOOL CGXButton::LButtonDown(UINT nFlags, CPoint point) {
  (void)nFlags, (void)point;
  m_bPressed = TRUE;
  m_bMouseDown = TRUE;
  if (m_bCanPress)
    Refresh();
  return TRUE;
}

BOOL CGXButton::MouseMove(UINT nFlags, CPoint point) {
  (void)nFlags;
  if (m_bMouseDown) {
    const BOOL bIn = Intersects(point);
    if (bIn != m_bPressed) {
      m_bPressed = bIn;
      Refresh();
    }
  }
  return TRUE;
}

BOOL CGXButton::LButtonUp(UINT nFlags, CPoint point) {
  (void)nFlags;
  const BOOL bClick = m_bPressed && Intersects(point);
  m_bPressed = FALSE;
  m_bMouseDown = FALSE;
  Refresh();
  if (bClick)
    m_pParent->OnClickedButton(this);
  return TRUE;
}

BOOL CGXButton::KeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
  (void)nRepCnt, (void)nFlags;
  if (nChar != kVkSpace)
    return FALSE;
  m_bPressed = TRUE;
  Refresh();
  return TRUE;
}

BOOL CGXButton::KeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) {
  (void)nRepCnt, (void)nFlags;
  if (nChar != kVkSpace || !m_bPressed)
    return FALSE;
  m_bPressed = FALSE;
  Refresh();
  m_pParent->OnClickedButton(this);
  return TRUE;
}

void CGXButton::CancelMode() {
  if (m_bPressed || m_bMouseDown) {
    m_bPressed = FALSE;
    m_bMouseDown = FALSE;
    Refresh();
  }
}

BOOL CGXArrowButton::LButtonDown(UINT nFlags, CPoint point) {
  CGXButton::LButtonDown(nFlags, point);
  m_dwLastTick = GXGetTickCount();
  m_nRepeatDelay = 500;
  m_pParent->OnClickedButton(this);
  return TRUE;
}

BOOL CGXArrowButton::MouseMove(UINT nFlags, CPoint point) {
  CGXButton::MouseMove(nFlags, point);
  const DWORD now = GXGetTickCount();
  if (m_bPressed && Intersects(point) && now - m_dwLastTick >= (DWORD)m_nRepeatDelay) {
    if (m_nRepeatDelay > 150)
      m_nRepeatDelay = 150;
    else if (m_nRepeatDelay > 50)
      m_nRepeatDelay -= 5;
    m_dwLastTick = now;
    m_pParent->OnClickedButton(this);
  }
  return TRUE;
}

BOOL CGXArrowButton::LButtonUp(UINT nFlags, CPoint point) {
  (void)nFlags, (void)point;
  m_bPressed = FALSE;
  m_bMouseDown = FALSE;
  Refresh();
  return TRUE;
}

int GXSpinArrowRows(const CRect& r, BOOL bUp, BOOL bPressed, GXARROWROW rows[4]) {
  const int h = r.Height(), w = r.Width();
  if (h < 5)
    return 0;
  const BOOL bBig = h >= 8;
  const int x0 = r.left + std::max(0, (w - (bBig ? 7 : 5)) / 2) + (bPressed ? 1 : 0);
  const int y0 = r.top + std::max(0, (h - (bUp ? (bBig ? 5 : 3) : (bBig ? 4 : 2))) / 2) + (bPressed ? 1 : 0);
  static const int kUpWidths[4] = {1, 3, 5, 7}, kDownWidths[4] = {7, 5, 3, 1};
  int n = 0;
  for (int i = 0; i < 4; ++i) {
    const int y = y0 + i;
    if ((i == 3 && !bBig) || y >= r.bottom)
      continue;
    const int nWidth = bUp ? kUpWidths[i] : kDownWidths[i];
    rows[n++] = {x0 + (7 - nWidth) / 2, y, nWidth};
  }
  return n;
}

namespace {

void DrawArrow(CGXButton& button, CGXGridSurface& surface, BOOL bActive, BOOL bUp, BOOL bShownPressed) {
  GXARROWROW rows[4];
  const int n = GXSpinArrowRows(button.m_rect, bUp, bShownPressed, rows);
  for (int i = 0; i < n; ++i)
    surface.FillRect(CRect(rows[i].x, rows[i].y, rows[i].x + rows[i].nWidth, rows[i].y + 1), 0);
  (void)bActive;
}

}  // namespace

void CGXUpArrowButton::Draw(CGXGridSurface& surface, BOOL bActive) {
  DrawFace(surface, bActive);
  DrawArrow(*this, surface, bActive, TRUE, ShownPressed(bActive));
}

void CGXDownArrowButton::Draw(CGXGridSurface& surface, BOOL bActive) {
  DrawFace(surface, bActive);
  DrawArrow(*this, surface, bActive, FALSE, ShownPressed(bActive));
}

void CGXHotSpotButton::Draw(CGXGridSurface& surface, BOOL bActive) {
  DrawFace(surface, bActive);
  if (m_rect.Height() < 12)
    return;
  const int d = ShownPressed(bActive) ? 1 : 0;
  const int x = m_rect.left + d, y = m_rect.top + d;
  static const int kGlyph[6][4] = {{3, 3, 6, 2}, {6, 4, 3, 3}, {4, 7, 7, 1}, {5, 8, 5, 1}, {6, 9, 3, 1}, {7, 10, 1, 1}};
  for (const auto& g : kGlyph)
    surface.FillRect(CRect(x + g[0], y + g[1], x + g[0] + g[2], y + g[1] + g[3]), 0);
}

void CGXComboBoxButton::Draw(CGXGridSurface& surface, BOOL bActive) {
  if (!bActive && !m_bShowAlways)
    return;
  DrawFace(surface, bActive);
  // The drop-down arrow: a small downward triangle in the middle of the face.
  CRect r = m_rect;
  r.DeflateRect(0, 2);
  const int d = ShownPressed(bActive) ? 1 : 0;
  const int cx = r.left + r.Width() / 2 + d, cy = r.top + r.Height() / 2 - 2 + d;
  for (int i = 0; i < 4; ++i)
    surface.FillRect(CRect(cx - 3 + i, cy + i, cx + 4 - i, cy + i + 1), 0);
}
