// The plain tool and the tool factory.
#include "Tool.h"

#include <cstdlib>

#include "AnnotateWin.h"
#include "RasAreaTools.h"
#include "ZoomGlasTool.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CTool, CObject)

CTool* CTool::Create(int nId) {
  switch (nId) {
    case idRasterRect:
      return new CRasArrowTool;
    case idRasterPolygon:
      return new CRasPolygonTool;
    case idZoomGlass:
      return new CZoomGlasTool;
    default:
      // The annotation tools; a number nobody makes gives the plain tool.
      if (CTool* pTool = AnnCreateTool(nId)) return pTool;
      return new CTool;
  }
}

BOOL CTool::Activate(CVLRView*) { return TRUE; }

void CTool::Deactivate(CVLRView*, int) { ::SetCursor(::LoadCursor(nullptr, IDC_ARROW)); }

void CTool::SetCursor() { ::SetCursor(::LoadCursor(nullptr, IDC_ARROW)); }

void CTool::SetOwnCursor(UINT nId, LPCSTR lpszStandIn) {
  HINSTANCE hInst = AfxGetResourceHandle();
  HCURSOR hCursor = hInst ? ::LoadCursorA(hInst, MAKEINTRESOURCEA(nId)) : nullptr;
  ::SetCursor(hCursor ? hCursor : ::LoadCursorA(nullptr, lpszStandIn));
}

void CTool::SetDrawingCursor() { SetOwnCursor(IDC_CUR_DRAW, IDC_CROSS); }

BOOL CTool::OnLButtonDown(CVLRView*, int, int, UINT) { return TRUE; }

BOOL CTool::OnReserved(CVLRView*, int, int, UINT) { return TRUE; }

BOOL CTool::OnLButtonUp(CVLRView*, int, int, UINT) { return TRUE; }

BOOL CTool::OnRButtonUp(CVLRView*, int, int, UINT, BOOL* pbHandled) {
  if (pbHandled) *pbHandled = FALSE;
  return TRUE;
}

BOOL CTool::OnMouseMove(CVLRView*, int, int, UINT) { return TRUE; }

BOOL CTool::OnLButtonDblClk(CVLRView*, int, int, UINT) { return TRUE; }

CPoint CTool::ConstrainToAxis(CPoint start, CPoint end) {
  const long long dx = std::llabs((long long)end.x - start.x);
  const long long dy = std::llabs((long long)end.y - start.y);
  if (dx <= dy) return CPoint(start.x, end.y);
  return CPoint(end.x, start.y);
}

void CTool::XorBand(CWnd* pWnd, HPEN hPen, CPoint from, CPoint to, CPoint& lastDrawn, BOOL& bNoneOnScreen,
                    BOOL bDraw) {
  CClientDC dc(pWnd);
  const int nOldRop = ::SetROP2(dc.m_hDC, R2_XORPEN);
  HGDIOBJ hOld = ::SelectObject(dc.m_hDC, hPen);
  if (!bNoneOnScreen) {
    ::MoveToEx(dc.m_hDC, from.x, from.y, nullptr);
    ::LineTo(dc.m_hDC, lastDrawn.x, lastDrawn.y);
    bNoneOnScreen = TRUE;
  }
  if (bDraw) {
    ::MoveToEx(dc.m_hDC, from.x, from.y, nullptr);
    ::LineTo(dc.m_hDC, to.x, to.y);
    lastDrawn = to;
    bNoneOnScreen = FALSE;
  }
  ::SelectObject(dc.m_hDC, hOld);
  ::SetROP2(dc.m_hDC, nOldRop);
}

void CTool::DrawFixedLines(CWnd* pWnd, HPEN hPen, const POINT* pPoints, int nCount) {
  CClientDC dc(pWnd);
  const int nOldRop = ::SetROP2(dc.m_hDC, R2_NOTCOPYPEN);
  HGDIOBJ hOld = ::SelectObject(dc.m_hDC, hPen);
  ::Polyline(dc.m_hDC, pPoints, nCount);
  ::SelectObject(dc.m_hDC, hOld);
  ::SetROP2(dc.m_hDC, nOldRop);
}
