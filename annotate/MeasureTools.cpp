// The length and area tools.
#include "MeasureTools.h"

#include <cmath>

#include "AnnotateWin.h"
#include "MainFrm.h"
#include "MeasureResultDlg.h"
#include "Raster.h"
#include "ScaleCheckTool.h"
#include "TGraph.h"
#include "Units.h"
#include "VLRApp.h"
#include "VLRDoc.h"
#include "VLRView.h"
#include "Vlr.h"

IMPLEMENT_DYNAMIC(CMeasureTool, CTool)
IMPLEMENT_DYNCREATE(CLengthTool, CMeasureTool)
IMPLEMENT_DYNCREATE(CAreaTool, CMeasureTool)

namespace {

double Distance(CPoint a, CPoint b) { return std::hypot((double)b.x - a.x, (double)b.y - a.y); }

}  // namespace

CTool* AnnCreateMeasureTool(int nId) {
  switch (nId) {
    case CTool::idLength: return new CLengthTool;
    case CTool::idArea: return new CAreaTool;
    case CTool::idScaleCheck: return new CScaleCheckTool;
    default: return nullptr;
  }
}

CMeasureTool::~CMeasureTool() {
  if (m_hPen) ::DeleteObject(m_hPen);
}

HPEN CMeasureTool::Pen() {
  if (!m_hPen) m_hPen = ::CreatePen(PS_DASH, 0, RGB(0, 255, 0));
  return m_hPen;
}

void CMeasureTool::SetCursor() { SetDrawingCursor(); }

void CMeasureTool::CopyStateFrom(const CMeasureTool& other) {
  m_points = other.m_points;
  m_bActive = other.m_bActive;
  m_ptLastFixed = other.m_ptLastFixed;
  m_ptCurrent = other.m_ptCurrent;
  m_ptPrevFixed = other.m_ptPrevFixed;
  m_ptLastDrawn = other.m_ptLastDrawn;
  m_dRunning = other.m_dRunning;
}

BOOL CMeasureTool::Activate(CVLRView* pView) {
  CTool* pSuspended = pView->TakeSuspendedTool();
  if (pSuspended && pSuspended->GetRuntimeClass() == GetRuntimeClass()) {
    CopyStateFrom(*static_cast<CMeasureTool*>(pSuspended));
    if (m_points.GetSize() > 0 && pView->GetGraph()) {
      DrawFixed(pView);
      m_bFirstBand = TRUE;
      if (m_bActive) DrawBand(pView, TRUE);
    }
  }
  delete pSuspended;
  return TRUE;
}

void CMeasureTool::Deactivate(CVLRView* pView, int nNextId) {
  CTool::Deactivate(pView, nNextId);
  if (nNextId != idZoomGlass) return;
  EraseBand(pView);
  pView->SuspendTool(CloneState());
}

// A loaded vector drawing counts in drawing units, a raster in pixels at its resolution; both
// through the set's drawing scale, 1 : 1 in millimetres without a set.
double CMeasureTool::TrueMm(CVLRView* pView, double dDocLength) {
  CVLRDoc* doc = pView->GetDocument();
  const CVlr* set = doc->m_pVlr;
  const double first = set ? set->m_dScaleFirst : 1.0, second = set ? set->m_dScaleSecond : 1.0;
  const int unit = set ? set->m_nScaleUnit : 0;
  const double dBase = dDocLength / pView->GetGraph()->GetImageScale();
  return AnnBaseToTrueMm(doc, dBase, first, second, unit);
}

double CMeasureTool::TrueMm2(CVLRView* pView, double dDocArea) {
  CVLRDoc* doc = pView->GetDocument();
  const CVlr* set = doc->m_pVlr;
  const double first = set ? set->m_dScaleFirst : 1.0, second = set ? set->m_dScaleSecond : 1.0;
  const int unit = set ? set->m_nScaleUnit : 0;
  const double dScale = pView->GetGraph()->GetImageScale();
  const double dBase = dDocArea / dScale / dScale;
  return AnnBaseAreaToTrueMm2(doc, dBase, first, second, unit);
}

void CMeasureTool::DrawFixed(CVLRView* pView) {
  const CTGraph* graph = pView->GetGraph();
  CClientDC dc(pView);
  const int nOldRop = ::SetROP2(dc.m_hDC, R2_COPYPEN);
  HGDIOBJ hOld = ::SelectObject(dc.m_hDC, Pen());
  m_dRunning = 0.0;
  for (int i = 0; i < m_points.GetSize(); ++i) {
    const CPoint p = m_points.GetAt(i);
    const CPoint c = graph->DocToClient(p.x, p.y);
    if (i == 0) {
      ::MoveToEx(dc.m_hDC, c.x, c.y, nullptr);
    } else {
      ::LineTo(dc.m_hDC, c.x, c.y);
      m_dRunning += Distance(m_points.GetAt(i - 1), p);
    }
  }
  ::SelectObject(dc.m_hDC, hOld);
  ::SetROP2(dc.m_hDC, nOldRop);
}

void CMeasureTool::DrawBand(CVLRView* pView, BOOL bDraw) {
  if (XorBandSegment(pView, Pen(), m_ptLastFixed, m_ptCurrent, m_ptLastDrawn, m_bFirstBand, bDraw)) {
    CString text;
    text.Format("Total length: %s, Current length: %s", (LPCSTR)FormatLength(TrueMm(pView, m_dRunning), TRUE, -1),
                (LPCSTR)FormatLength(TrueMm(pView, RoundHalfUp(Distance(m_ptLastFixed, m_ptCurrent))), TRUE, -1));
    CMainFrame::ShowFirstPaneText(text);
  }
}

BOOL XorBandSegment(CVLRView* pView, HPEN hPen, CPoint from, CPoint to, CPoint& lastDrawn, BOOL& bNoneOnScreen,
                    BOOL bDraw) {
  const CTGraph* graph = pView->GetGraph();
  CPoint drawn = graph->DocToClient(lastDrawn.x, lastDrawn.y);
  CTool::XorBand(pView, hPen, graph->DocToClient(from.x, from.y), graph->DocToClient(to.x, to.y), drawn,
                 bNoneOnScreen, bDraw);
  if (bDraw) lastDrawn = to;
  return bDraw;
}

void CMeasureTool::EraseBand(CVLRView* pView) {
  if (pView->GetGraph()) DrawBand(pView, FALSE);
}

void CMeasureTool::EndBand(CVLRView* pView) {
  EraseBand(pView);
  m_bActive = FALSE;
}

BOOL CMeasureTool::OnLButtonDown(CVLRView* pView, int x, int y, UINT) {
  if (!pView->GetGraph()) return TRUE;
  // A new measurement replaces the raster selection on the screen.
  CVLRDoc* doc = pView->GetDocument();
  if (m_points.GetSize() == 0 && doc->GetRasterSelection()) {
    doc->DeleteRasterSelection();
    doc->UpdateAllViews(nullptr, 0, nullptr);
  }
  const CPoint pt = pView->ClientToDocSnapped(x, y);
  m_ptPrevFixed = m_ptLastFixed;
  m_ptLastFixed = pt;
  m_points.Add(pt.x, pt.y);
  DrawFixed(pView);
  m_bActive = TRUE;
  m_bFirstBand = TRUE;
  if (m_dRunning != 0.0) {
    m_ptCurrent = pt;
    DrawBand(pView, TRUE);
  }
  return TRUE;
}

BOOL CMeasureTool::OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags) {
  if (!m_bActive || !pView->GetGraph()) return TRUE;
  CPoint pt = pView->ClientToDocSnapped(x, y);
  if (nFlags & MK_SHIFT) pt = ConstrainToAxis(m_ptLastFixed, pt);
  m_ptCurrent = pt;
  DrawBand(pView, TRUE);
  return TRUE;
}

BOOL CMeasureTool::OnLButtonDblClk(CVLRView* pView, int x, int y, UINT) {
  const CTGraph* graph = pView->GetGraph();
  if (!graph) return TRUE;
  // The double click's first click added the point once more.
  if (graph->DocToClient(m_ptLastFixed.x, m_ptLastFixed.y) == CPoint(x, y) && m_points.GetSize() > 1) {
    EraseBand(pView);
    m_points.RemoveAt(m_points.GetSize() - 1);
    m_dRunning -= Distance(m_points.GetAt(m_points.GetSize() - 1), m_ptLastFixed);
    m_ptLastFixed = m_points.GetAt(m_points.GetSize() - 1);
  }
  Finish(pView);
  return TRUE;
}

void CMeasureTool::UndoLastPoint(CVLRView* pView) {
  if (m_points.GetSize() < 2) return;
  m_points.RemoveAt(m_points.GetSize() - 1);
  m_ptLastFixed = m_points.GetAt(m_points.GetSize() - 1);
  pView->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  m_bFirstBand = TRUE;
  DrawFixed(pView);
  DrawBand(pView, TRUE);
}

void CMeasureTool::Clear(CVLRView* pView) {
  m_bActive = FALSE;
  pView->GetDocument()->UpdateAllViews(nullptr, 0, nullptr);
  m_points.RemoveAll();
  m_dRunning = 0.0;
}

void CMeasureTool::Cancel(CVLRView* pView) { Clear(pView); }

void CLengthTool::Finish(CVLRView* pView) {
  EndBand(pView);
  CMeasureResultDlg dlg(TrueMm(pView, GetRunningLength()), pView);
  dlg.DoModal();
  Clear(pView);
}

CMeasureTool* CLengthTool::CloneState() const {
  CLengthTool* pCopy = new CLengthTool;
  pCopy->CopyStateFrom(*this);
  return pCopy;
}

void CAreaTool::Finish(CVLRView* pView) {
  EndBand(pView);
  const CPolygon& points = GetPoints();
  if (points.GetSize() > 2) {
    const double dArea = TrueMm2(pView, points.GetRawArea());
    const double dPerimeter = TrueMm(pView, points.GetRawLength());
    CMeasureResultDlg dlg(dArea, dPerimeter, pView);
    dlg.DoModal();
  }
  Clear(pView);
}

CMeasureTool* CAreaTool::CloneState() const {
  CAreaTool* pCopy = new CAreaTool;
  pCopy->CopyStateFrom(*this);
  return pCopy;
}

void AnnMeasureCommand(CVLRView* pView, int nCommand) {
  CTool* pTool = pView->GetTool();
  if (!pTool || !pTool->IsKindOf(RUNTIME_CLASS(CMeasureTool))) return;
  CMeasureTool* pMeasure = static_cast<CMeasureTool*>(pTool);
  if (nCommand == kMeasureEnd)
    pMeasure->Finish(pView);
  else if (nCommand == kMeasureUndo)
    pMeasure->UndoLastPoint(pView);
  else
    pMeasure->Cancel(pView);
}

BOOL CMeasureTool::OnRButtonUp(CVLRView* pView, int x, int y, UINT, BOOL* pbHandled) {
  if (pbHandled) *pbHandled = TRUE;
  if (m_points.GetSize() == 0) return TRUE;
  const bool bLength = GetToolId() == idLength;
  HMENU hMenu = ::CreatePopupMenu();
  ::AppendMenuA(hMenu, MF_STRING, kMeasureEnd + 1,
                bLength ? "&End the measurement and display the total length"
                        : "&End the measurement and display the result");
  ::AppendMenuA(hMenu, MF_STRING, kMeasureUndo + 1, bLength ? "&Undo the last point" : "&Undo last point");
  ::AppendMenuA(hMenu, MF_STRING, kMeasureCancel + 1, "&Cancel");
  POINT pt = {x, y};
  ::ClientToScreen(pView->m_hWnd, &pt);
  CWnd* main = AfxGetMainWnd();
  const int nChoice = (int)::TrackPopupMenu(hMenu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, pt.x, pt.y, 0,
                                            main ? main->m_hWnd : pView->m_hWnd, nullptr);
  ::DestroyMenu(hMenu);
  if (nChoice > 0) AnnMeasureCommand(pView, nChoice - 1);
  return TRUE;
}
