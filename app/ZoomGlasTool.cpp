// The zoom glass: a dotted XOR band while dragging, the dragged rectangle as the new zoom.
#include "ZoomGlasTool.h"

#include "VLRView.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CZoomGlasTool, CTool)

BOOL CZoomGlasTool::s_bFirstCursor = TRUE;

CZoomGlasTool::CZoomGlasTool() { s_bFirstCursor = TRUE; }

CZoomGlasTool::~CZoomGlasTool() {
  if (m_hCaptureWnd && ::GetCapture() == m_hCaptureWnd) ::ReleaseCapture();
}

void CZoomGlasTool::SetCursor() {
  HINSTANCE hInst = AfxGetResourceHandle();
  if (s_bFirstCursor) {
    s_bFirstCursor = FALSE;
    ::ShowCursor(TRUE);
    if (!hInst) {
      AfxMessageBox("FAILURE: AfxGetInstanceHandle()", MB_ICONSTOP);
      return;
    }
  }
  HCURSOR cursor = hInst ? ::LoadCursorA(hInst, MAKEINTRESOURCEA(IDC_CUR_ZOOM)) : nullptr;
  if (!cursor) cursor = ::LoadCursor(nullptr, IDC_CROSS);
  ::SetCursor(cursor);
}

void CZoomGlasTool::XorBand(CVLRView* pView) {
  if (m_ptStart.x == m_ptCurrent.x || m_ptStart.y == m_ptCurrent.y) return;
  if (!m_pen.GetSafeHandle()) m_pen.CreatePen(PS_DOT, 0, RGB(255, 255, 255));
  CClientDC dc(pView);
  int oldRop = dc.SetROP2(R2_XORPEN);
  CPen* oldPen = dc.SelectObject(&m_pen);
  dc.MoveTo(m_ptStart.x, m_ptStart.y);
  dc.LineTo(m_ptCurrent.x, m_ptStart.y);
  dc.LineTo(m_ptCurrent.x, m_ptCurrent.y);
  dc.LineTo(m_ptStart.x, m_ptCurrent.y);
  dc.LineTo(m_ptStart.x, m_ptStart.y);
  dc.SelectObject(oldPen);
  dc.SetROP2(oldRop);
}

void CZoomGlasTool::EraseBand(CVLRView* pView) {
  if (m_bBandShown) XorBand(pView);
  m_bBandShown = FALSE;
}

BOOL CZoomGlasTool::OnLButtonDown(CVLRView* pView, int x, int y, UINT) {
  pView->SetCapture();
  m_hCaptureWnd = pView->m_hWnd;
  m_ptStart = m_ptCurrent = CPoint(x, y);
  XorBand(pView);
  m_bBandShown = TRUE;
  m_bDragging = TRUE;
  return TRUE;
}

BOOL CZoomGlasTool::OnMouseMove(CVLRView* pView, int x, int y, UINT) {
  if (!m_bDragging) return TRUE;
  EraseBand(pView);
  m_ptCurrent = CPoint(x, y);
  XorBand(pView);
  m_bBandShown = TRUE;
  return TRUE;
}

BOOL CZoomGlasTool::OnLButtonUp(CVLRView* pView, int x, int y, UINT) {
  if (!m_bDragging) return TRUE;
  EraseBand(pView);
  m_ptCurrent = CPoint(x, y);
  if (::GetCapture() == m_hCaptureWnd) ::ReleaseCapture();
  m_hCaptureWnd = nullptr;
  m_bDragging = FALSE;
  CRect band(m_ptStart, m_ptCurrent);
  band.NormalizeRect();
  if (band.Width() == 0 || band.Height() == 0) return TRUE;
  CTGraph* graph = pView->GetGraph();
  if (!graph) return TRUE;
  CPoint topLeft = graph->ClientToDoc(band.left, band.top);
  CPoint bottomRight = graph->ClientToDoc(band.right, band.bottom);
  pView->ZoomTo(CRect(topLeft, bottomRight));
  return TRUE;
}

BOOL CZoomGlasTool::OnRButtonUp(CVLRView* pView, int, int, UINT, BOOL* pbHandled) {
  if (pbHandled) *pbHandled = TRUE;
  pView->ZoomOut();
  return TRUE;
}
