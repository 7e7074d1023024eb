// The rectangle and polygon tools of the raster selection.
#include "RasAreaTools.h"

#include "RasterArea.h"
#include "TGraph.h"
#include "VLRDoc.h"
#include "VLRView.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CRasAreaTool, CTool)
IMPLEMENT_DYNCREATE(CRasArrowTool, CRasAreaTool)
IMPLEMENT_DYNCREATE(CRasPolygonTool, CRasAreaTool)

// --- shared ------------------------------------------------------------------------------------

CRasAreaTool::~CRasAreaTool() {
  ReleaseCapture();
  if (m_hPen) ::DeleteObject(m_hPen);
}

HPEN CRasAreaTool::Pen() {
  if (!m_hPen) m_hPen = ::CreatePen(PS_DASH, 0, RGB(255, 255, 255));
  return m_hPen;
}

void CRasAreaTool::SetCursor() { SetDrawingCursor(); }

void CRasAreaTool::Capture(CVLRView* pView) {
  pView->SetCapture();
  m_hCaptureWnd = pView->m_hWnd;
}

void CRasAreaTool::ReleaseCapture() {
  if (m_hCaptureWnd && ::GetCapture() == m_hCaptureWnd) ::ReleaseCapture();
  m_hCaptureWnd = nullptr;
}

void CRasAreaTool::DeleteSelection(CVLRView* pView) {
  CVLRDoc* doc = pView->GetDocument();
  if (!doc->GetRasterSelection()) return;
  doc->DeleteRasterSelection();
  doc->UpdateAllViews(nullptr, 0, nullptr);
}

void CRasAreaTool::AddShape(CVLRView* pView, const CPolygon& shape, BOOL bCtrl) {
  CVLRDoc* doc = pView->GetDocument();
  doc->SetRasterSelection(RasAreaAddShape(doc->GetRasterSelection(), shape, bCtrl));
}

// --- rectangle ---------------------------------------------------------------------------------

void CRasArrowTool::DrawBand(CVLRView* pView, BOOL bDraw) {
  CClientDC dc(pView);
  const int nOldRop = ::SetROP2(dc.m_hDC, R2_XORPEN);
  HGDIOBJ hOldPen = ::SelectObject(dc.m_hDC, Pen());
  HGDIOBJ hOldBrush = ::SelectObject(dc.m_hDC, ::GetStockObject(HOLLOW_BRUSH));
  if (!m_bFirstBand) {
    ::Rectangle(dc.m_hDC, m_ptStart.x, m_ptStart.y, m_ptLastDrawn.x, m_ptLastDrawn.y);
    m_bFirstBand = TRUE;
  }
  if (bDraw) {
    ::Rectangle(dc.m_hDC, m_ptStart.x, m_ptStart.y, m_ptCurrent.x, m_ptCurrent.y);
    m_ptLastDrawn = m_ptCurrent;
    m_bFirstBand = FALSE;
  }
  ::SelectObject(dc.m_hDC, hOldBrush);
  ::SelectObject(dc.m_hDC, hOldPen);
  ::SetROP2(dc.m_hDC, nOldRop);
}

BOOL CRasArrowTool::OnLButtonDown(CVLRView* pView, int x, int y, UINT nFlags) {
  Pen();
  Capture(pView);
  m_ptStart = m_ptCurrent = CPoint(x, y);
  m_bDragging = TRUE;
  m_bFirstBand = TRUE;
  if (!RasAreaKeepsSelection(nFlags & MK_SHIFT, nFlags & MK_CONTROL)) DeleteSelection(pView);
  return TRUE;
}

BOOL CRasArrowTool::OnMouseMove(CVLRView* pView, int x, int y, UINT) {
  if (!m_bDragging) return TRUE;
  m_ptCurrent = CPoint(x, y);
  DrawBand(pView, TRUE);
  return TRUE;
}

BOOL CRasArrowTool::OnLButtonUp(CVLRView* pView, int x, int y, UINT nFlags) {
  if (!m_bDragging) return TRUE;
  DrawBand(pView, FALSE);
  ReleaseCapture();
  m_bDragging = FALSE;
  m_ptCurrent = CPoint(x, y);
  CRect band(m_ptStart, m_ptCurrent);
  band.NormalizeRect();
  const CTGraph* graph = pView->GetGraph();
  if (band.Width() == 0 || band.Height() == 0 || !graph) return TRUE;
  const CPoint topLeft = graph->ClientToDoc(band.left, band.top);
  const CPoint bottomRight = graph->ClientToDoc(band.right, band.bottom);
  CPolygon shape;
  shape.AddRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
  AddShape(pView, shape, nFlags & MK_CONTROL);
  pView->GetDocument()->UpdateAllViews(nullptr, 0, nullptr);
  return TRUE;
}

// --- polygon -----------------------------------------------------------------------------------

void CRasPolygonTool::DrawBand(CVLRView* pView, BOOL bDraw) {
  XorBand(pView, Pen(), m_ptLastFixed, m_ptCurrent, m_ptLastDrawn, m_bFirstBand, bDraw);
}

BOOL CRasPolygonTool::OnLButtonDown(CVLRView* pView, int x, int y, UINT nFlags) {
  Pen();
  if (m_points.GetSize() == 0 && !RasAreaKeepsSelection(nFlags & MK_SHIFT, nFlags & MK_CONTROL))
    DeleteSelection(pView);
  Capture(pView);
  // The band to this point goes; the fixed polyline takes its place.
  DrawBand(pView, FALSE);
  m_ptLastFixed = CPoint(x, y);
  m_points.Add(x, y);
  DrawFixedLines(pView, Pen(), m_points.GetData(), m_points.GetSize());
  m_bActive = TRUE;
  return TRUE;
}

BOOL CRasPolygonTool::OnMouseMove(CVLRView* pView, int x, int y, UINT) {
  if (!m_bActive) return TRUE;
  m_ptCurrent = CPoint(x, y);
  DrawBand(pView, TRUE);
  return TRUE;
}

BOOL CRasPolygonTool::OnLButtonDblClk(CVLRView* pView, int, int, UINT) {
  Close(pView);
  return TRUE;
}

void CRasPolygonTool::Close(CVLRView* pView) {
  const CTGraph* graph = pView->GetGraph();
  if (m_points.GetSize() > 2 && graph) {
    CPolygon shape;
    for (int i = 0; i < m_points.GetSize(); ++i) {
      const CPoint p = m_points.GetAt(i);
      const CPoint d = graph->ClientToDoc(p.x, p.y);
      shape.Add(d.x, d.y);
    }
    AddShape(pView, shape, ::GetKeyState(VK_CONTROL) < 0);
  }
  Clear(pView);
}

void CRasPolygonTool::Cancel(CVLRView* pView) { Clear(pView); }

void CRasPolygonTool::Clear(CVLRView* pView) {
  ReleaseCapture();
  DrawBand(pView, FALSE);
  m_bActive = FALSE;
  m_points.RemoveAll();
  pView->GetDocument()->UpdateAllViews(nullptr, 0, nullptr);
}

BOOL CRasPolygonTool::OnRButtonUp(CVLRView* pView, int x, int y, UINT, BOOL* pbHandled) {
  if (m_points.GetSize() == 0) return CTool::OnRButtonUp(pView, x, y, 0, pbHandled);
  if (pbHandled) *pbHandled = TRUE;
  HMENU hMenu = ::CreatePopupMenu();
  ::AppendMenuA(hMenu, MF_STRING, ID_RASTER_CLOSEPOLYGON, "Close the &polygon");
  ::AppendMenuA(hMenu, MF_STRING, ID_RASTER_CANCELPOLYGON, "&Cancel");
  POINT pt = {x, y};
  ::ClientToScreen(pView->m_hWnd, &pt);
  CWnd* owner = pView->GetParentOwner();
  ::TrackPopupMenu(hMenu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, owner ? owner->m_hWnd : pView->m_hWnd,
                   nullptr);
  ::DestroyMenu(hMenu);
  return TRUE;
}
