// The scale check tool and its distance dialog.
#include "ScaleCheckTool.h"

#include <cmath>

#include "AnnResource.h"
#include "AnnotateWin.h"
#include "MainFrm.h"
#include "MeasureTools.h"
#include "Raster.h"
#include "ScaleCheck.h"
#include "TGraph.h"
#include "Units.h"
#include "VLRApp.h"
#include "VLRDoc.h"
#include "VLRView.h"
#include "Vlr.h"

IMPLEMENT_DYNCREATE(CScaleCheckTool, CTool)

CGetDistDlg::CGetDistDlg(CWnd* pParent)
    : CDialog(IDD_ANN_GETDIST, pParent), m_nUnit(GetUnitSettings().GetUnit()) {}

BOOL CGetDistDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ::SetDlgItemTextA(m_hWnd, IDC_ANN_DISTANCE, FormatValue(0.0, m_nUnit != 0, m_nUnit));
  const CString names = GetUnitNames();
  int nStart = 0;
  for (int nEnd = names.Find('|'); nEnd >= 0; nStart = nEnd + 1, nEnd = names.Find('|', nStart))
    ::SendDlgItemMessageA(m_hWnd, IDC_ANN_UNIT, CB_ADDSTRING, 0, (LPARAM)(LPCSTR)names.Mid(nStart, nEnd - nStart));
  ::SendDlgItemMessageA(m_hWnd, IDC_ANN_UNIT, CB_SETCURSEL, (WPARAM)m_nUnit, 0);
  return TRUE;
}

void CGetDistDlg::OnOK() {
  char text[128] = {};
  ::GetDlgItemTextA(m_hWnd, IDC_ANN_DISTANCE, text, sizeof text);
  const int nUnit = (int)::SendDlgItemMessageA(m_hWnd, IDC_ANN_UNIT, CB_GETCURSEL, 0, 0);
  const double dDistance = ParseDistance(text, nUnit);
  if (!IsTrueDistanceAccepted(dDistance)) {
    ::MessageBeep(0);
    return;
  }
  m_dDistance = dDistance;
  m_nUnit = nUnit;
  EndDialog(IDOK);
}

namespace {

double Distance(CPoint a, CPoint b) { return std::hypot((double)b.x - a.x, (double)b.y - a.y); }

}  // namespace

CScaleCheckTool::~CScaleCheckTool() {
  if (m_hPen) ::DeleteObject(m_hPen);
}

BOOL CScaleCheckTool::Activate(CVLRView* pView) {
  CTool* pSuspended = pView->TakeSuspendedTool();
  if (pSuspended && pSuspended->GetRuntimeClass() == GetRuntimeClass()) {
    const CScaleCheckTool* kept = static_cast<CScaleCheckTool*>(pSuspended);
    m_bActive = kept->m_bActive;
    m_ptFirst = kept->m_ptFirst;
    m_ptCurrent = kept->m_ptCurrent;
    m_ptLastDrawn = kept->m_ptLastDrawn;
    m_bFirstBand = TRUE;
    if (m_bActive && pView->GetGraph()) DrawBand(pView, TRUE);
  }
  delete pSuspended;
  return TRUE;
}

void CScaleCheckTool::Deactivate(CVLRView* pView, int nNextId) {
  CTool::Deactivate(pView, nNextId);
  EraseBand(pView);
  if (nNextId != idZoomGlass || !m_bActive) return;
  CScaleCheckTool* kept = new CScaleCheckTool;
  kept->m_bActive = m_bActive;
  kept->m_ptFirst = m_ptFirst;
  kept->m_ptCurrent = m_ptCurrent;
  kept->m_ptLastDrawn = m_ptLastDrawn;
  pView->SuspendTool(kept);
}

void CScaleCheckTool::EraseBand(CVLRView* pView) {
  if (m_bActive && !m_bFirstBand && pView->GetGraph()) DrawBand(pView, FALSE);
  m_bFirstBand = TRUE;
}

void CScaleCheckTool::SetCursor() { SetDrawingCursor(); }

void CScaleCheckTool::DrawBand(CVLRView* pView, BOOL bDraw) {
  if (!m_hPen) m_hPen = ::CreatePen(PS_DASH, 0, RGB(255, 255, 255));
  if (XorBandSegment(pView, m_hPen, m_ptFirst, m_ptCurrent, m_ptLastDrawn, m_bFirstBand, bDraw)) {
    const double dMm = CMeasureTool::TrueMm(pView, RoundHalfUp(Distance(m_ptFirst, m_ptCurrent)));
    CMainFrame::ShowFirstPaneText("Length: " + FormatLength(dMm, TRUE, -1));
  }
}

BOOL CScaleCheckTool::OnLButtonDown(CVLRView* pView, int x, int y, UINT nFlags) {
  if (!pView->GetGraph()) return TRUE;
  CPoint pt = pView->ClientToDocSnapped(x, y);
  if (!m_bActive) {
    m_ptFirst = m_ptCurrent = pt;
    m_bActive = TRUE;
    m_bFirstBand = TRUE;
    return TRUE;
  }
  if (nFlags & MK_SHIFT) pt = ConstrainToAxis(m_ptFirst, pt);
  DrawBand(pView, FALSE);
  m_ptCurrent = pt;
  m_bActive = FALSE;
  return Conclude(pView);
}

BOOL CScaleCheckTool::OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags) {
  if (!m_bActive || !pView->GetGraph()) return TRUE;
  CPoint pt = pView->ClientToDocSnapped(x, y);
  if (nFlags & MK_SHIFT) pt = ConstrainToAxis(m_ptFirst, pt);
  m_ptCurrent = pt;
  DrawBand(pView, TRUE);
  return TRUE;
}

BOOL CScaleCheckTool::Conclude(CVLRView* pView) {
  CVLRDoc* doc = pView->GetDocument();
  CVlr* set = doc->m_pVlr;
  CGetDistDlg dlg(pView);
  if (dlg.DoModal() != IDOK || !set) {
    doc->UpdateAllViews(nullptr, 0, nullptr);
    return FALSE;
  }
  // A vector drawing is measured in its own units, which are the unit chosen in the dialog; a
  // raster in pixels on the sheet at its resolution, with no unit.
  const BOOL bDrawing = doc->IsVector();
  const int nUnit = bDrawing ? dlg.m_nUnit : 0;
  const double dMeasured = RoundHalfUp(Distance(m_ptFirst, m_ptCurrent)) / pView->GetGraph()->GetImageScale();
  const double dSheetMm = AnnBaseToTrueMm(doc, dMeasured, 1.0, 1.0, nUnit);
  CScaleOffer offer;
  if (ComputeScaleOffer(dSheetMm, dlg.m_dDistance, offer)) {
    CString question;
    question.Format("The scale was calculated to %s, it is currently %s.\nDo you want to change the scale to the "
                    "calculated value?",
                    (LPCSTR)FormatScaleOffer(offer.dRatio, bDrawing, nUnit),
                    (LPCSTR)FormatScalePair(set->m_dScaleFirst, set->m_dScaleSecond, bDrawing, nUnit));
    if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) == IDYES) {
      set->m_dScaleFirst = offer.dFirst;
      set->m_dScaleSecond = offer.dSecond;
      set->m_nScaleUnit = (short)nUnit;
      set->SetModified();
      // The user sees the stored scale once more and may correct it.
      doc->OnToolsScale();
    }
  }
  doc->UpdateAllViews(nullptr, 0, nullptr);
  return FALSE;
}
