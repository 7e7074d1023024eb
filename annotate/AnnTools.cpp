// The annotation tools and their part of the tool factory.
#include "AnnTools.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "AnnDialogs.h"
#include "AnnLayer.h"
#include "AnnObj.h"
#include "AnnotateWin.h"
#include "Raster.h"
#include "TGraph.h"
#include "Units.h"
#include "VLRApp.h"
#include "VLRDoc.h"
#include "VLRView.h"
#include "Vlr.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CAnnDragTool, CTool)
IMPLEMENT_DYNCREATE(CAnnLineTool, CAnnDragTool)
IMPLEMENT_DYNCREATE(CAnnRectTool, CAnnDragTool)
IMPLEMENT_DYNCREATE(CAnnCircTool, CAnnDragTool)
IMPLEMENT_DYNCREATE(CAnnTextHTool, CAnnDragTool)
IMPLEMENT_DYNCREATE(CAnnPenTool, CTool)
IMPLEMENT_DYNCREATE(CAnnPolygonTool, CTool)
IMPLEMENT_DYNCREATE(CAnnTextTool, CTool)
IMPLEMENT_DYNCREATE(CAnnSelectTool, CTool)

namespace {

const COLORREF kBandColour = RGB(255, 255, 255);

CVlr* SetOf(CVLRView* pView) {
  CVLRDoc* doc = pView->GetDocument();
  return doc ? doc->m_pVlr : nullptr;
}

void Capture(CVLRView* pView, HWND& hCaptureWnd) {
  pView->SetCapture();
  hCaptureWnd = pView->m_hWnd;
}

void Release(HWND& hCaptureWnd) {
  if (hCaptureWnd && ::GetCapture() == hCaptureWnd) ::ReleaseCapture();
  hCaptureWnd = nullptr;
}

// A new object goes onto the set and is drawn on every view of the document.
void AddObject(CVLRView* pView, CAnnObj* pObj) {
  CVlr* set = SetOf(pView);
  if (!set || !pObj) {
    delete pObj;
    return;
  }
  set->Add(pObj);
  AnnRedrawAllViews(pView->GetDocument());
}

CRect DocRect(CVLRView* pView, CPoint a, CPoint b) {
  const CTGraph* graph = pView->GetGraph();
  return CRect(graph->ClientToDoc(a.x, a.y), graph->ClientToDoc(b.x, b.y));
}

// The box dragged between two client points, top-left first, in document points.
CRect DocBox(CVLRView* pView, CPoint a, CPoint b) {
  CRect rc(a, b);
  rc.NormalizeRect();
  return DocRect(pView, rc.TopLeft(), rc.BottomRight());
}

// Clicked client points as document points.
void ToDocument(const CTGraph& graph, const std::vector<CPoint>& clicked, CPolygon* points) {
  for (const CPoint& p : clicked) {
    const CPoint doc = graph.ClientToDoc(p.x, p.y);
    points->Add(doc.x, doc.y);
  }
}

}  // namespace

CTool* AnnCreateTool(int nId) {
  switch (nId) {
    case CTool::idAnnSelect: return new CAnnSelectTool;
    case CTool::idAnnPen: return new CAnnPenTool;
    case CTool::idAnnLine: return new CAnnLineTool;
    case CTool::idAnnCircle: return new CAnnCircTool;
    case CTool::idAnnRect: return new CAnnRectTool;
    case CTool::idAnnPolygon: return new CAnnPolygonTool;
    case CTool::idAnnText: return new CAnnTextTool;
    case CTool::idAnnTextHeight: return new CAnnTextHTool;
    default: return AnnCreateMeasureTool(nId);
  }
}

// --- line, rectangle, circle ---------------------------------------------------------------------

CAnnDragTool::~CAnnDragTool() {
  Release(m_hCaptureWnd);
  if (m_hPen) ::DeleteObject(m_hPen);
}

void CAnnDragTool::SetCursor() { SetDrawingCursor(); }

CPoint CAnnDragTool::ConstrainToSquare(CPoint start, CPoint end) {
  const long long dx = (long long)end.x - start.x;
  const long long dy = (long long)end.y - start.y;
  const long long d = std::llabs(dx) < std::llabs(dy) ? std::llabs(dx) : std::llabs(dy);
  return CPoint((int)(start.x + (dx < 0 ? -d : d)), (int)(start.y + (dy < 0 ? -d : d)));
}

CPoint CAnnDragTool::Constrain(CPoint end, UINT nFlags) const {
  if (!(nFlags & MK_SHIFT)) return end;
  return GetBand() == bandLine ? ConstrainToAxis(m_ptStart, end) : ConstrainToSquare(m_ptStart, end);
}

void CAnnDragTool::XorBand(CVLRView* pView, CPoint end) {
  if (!m_hPen) m_hPen = ::CreatePen(PS_SOLID, 0, kBandColour);
  CClientDC dc(pView);
  const HDC hDC = dc.m_hDC;
  const int nOldRop = ::SetROP2(hDC, R2_XORPEN);
  HGDIOBJ hOldPen = ::SelectObject(hDC, m_hPen);
  HGDIOBJ hOldBrush = ::SelectObject(hDC, ::GetStockObject(HOLLOW_BRUSH));
  switch (GetBand()) {
    case bandLine:
      ::MoveToEx(hDC, m_ptStart.x, m_ptStart.y, nullptr);
      ::LineTo(hDC, end.x, end.y);
      break;
    case bandRect:
      ::Rectangle(hDC, m_ptStart.x, m_ptStart.y, end.x, end.y);
      break;
    case bandEllipse:
      ::Ellipse(hDC, m_ptStart.x, m_ptStart.y, end.x, end.y);
      break;
  }
  ::SelectObject(hDC, hOldBrush);
  ::SelectObject(hDC, hOldPen);
  ::SetROP2(hDC, nOldRop);
}

BOOL CAnnDragTool::OnLButtonDown(CVLRView* pView, int x, int y, UINT) {
  Capture(pView, m_hCaptureWnd);
  m_ptStart = m_ptCurrent = CPoint(x, y);
  m_bDragging = TRUE;
  m_bFirstBand = TRUE;
  return TRUE;
}

BOOL CAnnDragTool::OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags) {
  if (!m_bDragging) return TRUE;
  m_ptCurrent = Constrain(CPoint(x, y), nFlags);
  if (!m_bFirstBand) XorBand(pView, m_ptLastDrawn);
  XorBand(pView, m_ptCurrent);
  m_ptLastDrawn = m_ptCurrent;
  m_bFirstBand = FALSE;
  return TRUE;
}

BOOL CAnnDragTool::OnLButtonUp(CVLRView* pView, int x, int y, UINT nFlags) {
  if (!m_bDragging) return TRUE;
  m_ptCurrent = Constrain(CPoint(x, y), nFlags);
  if (!m_bFirstBand) XorBand(pView, m_ptLastDrawn);
  m_bFirstBand = TRUE;
  m_bDragging = FALSE;
  Release(m_hCaptureWnd);
  if (pView->GetGraph()) AddObject(pView, MakeObject(pView, m_ptStart, m_ptCurrent));
  return TRUE;
}

CAnnObj* CAnnLineTool::MakeObject(CVLRView* pView, CPoint start, CPoint end) {
  CVlr* set = SetOf(pView);
  if (!set) return nullptr;
  return new CAnnLine(DocRect(pView, start, end), set->GetLayer(set->m_nCurrentLayer), set->m_nCurrentLayer);
}

CAnnObj* CAnnRectTool::MakeObject(CVLRView* pView, CPoint start, CPoint end) {
  CVlr* set = SetOf(pView);
  if (!set) return nullptr;
  return new CAnnRect(DocBox(pView, start, end), set->GetLayer(set->m_nCurrentLayer), set->m_nCurrentLayer);
}

CAnnObj* CAnnCircTool::MakeObject(CVLRView* pView, CPoint start, CPoint end) {
  CVlr* set = SetOf(pView);
  if (!set) return nullptr;
  return new CAnnCircle(DocBox(pView, start, end), set->GetLayer(set->m_nCurrentLayer), set->m_nCurrentLayer);
}

CAnnObj* CAnnTextHTool::MakeObject(CVLRView* pView, CPoint start, CPoint end) {
  const CTGraph* graph = pView->GetGraph();
  const CPoint a = graph->ClientToDoc(start.x, start.y), b = graph->ClientToDoc(end.x, end.y);
  const double dBase =
      RoundHalfUp(std::hypot((double)b.x - a.x, (double)b.y - a.y) / graph->GetImageScale());
  CVLRDoc* doc = pView->GetDocument();
  const CVlr* set = doc->m_pVlr;
  const int nHeight = RoundHalfUp(set ? AnnBaseToTrueMm(doc, dBase, set->m_dScaleFirst, set->m_dScaleSecond, set->m_nScaleUnit)
                                      : AnnBaseToTrueMm(doc, dBase, 1.0, 1.0, 0));
  if (CVLRApp* app = GetVLRApp()) {
    if (app->m_pConfig) app->m_pConfig->m_nTextHeight = nHeight;
  }
  CString text;
  text.Format("The text height is now set to %s.", (LPCSTR)FormatLength(nHeight, TRUE, -1));
  AfxMessageBox(text, MB_OK | MB_ICONINFORMATION);
  return nullptr;
}

// --- freehand --------------------------------------------------------------------------------------

CAnnPenTool::~CAnnPenTool() { Release(m_hCaptureWnd); }

void CAnnPenTool::SetCursor() { SetOwnCursor(IDC_CUR_PEN, IDC_CROSS); }

void CAnnPenTool::DrawStroke(CVLRView* pView) {
  if (m_points.size() < 2) return;
  CClientDC dc(pView);
  HGDIOBJ hOld = ::SelectObject(dc.m_hDC, ::GetStockObject(BLACK_PEN));
  ::Polyline(dc.m_hDC, m_points.data(), (int)m_points.size());
  ::SelectObject(dc.m_hDC, hOld);
}

BOOL CAnnPenTool::OnLButtonDown(CVLRView* pView, int x, int y, UINT) {
  Capture(pView, m_hCaptureWnd);
  m_points.push_back(CPoint(x, y));
  m_bDrawing = TRUE;
  DrawStroke(pView);
  return TRUE;
}

BOOL CAnnPenTool::OnMouseMove(CVLRView* pView, int x, int y, UINT) {
  if (!m_bDrawing) return TRUE;
  m_points.push_back(CPoint(x, y));
  DrawStroke(pView);
  return TRUE;
}

BOOL CAnnPenTool::OnLButtonUp(CVLRView* pView, int, int, UINT) {
  if (!m_bDrawing) return TRUE;
  DrawStroke(pView);
  m_bDrawing = FALSE;
  Release(m_hCaptureWnd);
  // A click without a stroke ends the tool.
  if (m_points.size() < 2) return FALSE;
  CVlr* set = SetOf(pView);
  const CTGraph* graph = pView->GetGraph();
  if (set && graph) {
    CPolygon points;
    ToDocument(*graph, m_points, &points);
    AddObject(pView, new CAnnFreehand(points, set->GetLayer(set->m_nCurrentLayer), set->m_nCurrentLayer));
  }
  m_points.clear();
  return TRUE;
}

// --- polygon ---------------------------------------------------------------------------------------

CAnnPolygonTool::~CAnnPolygonTool() {
  if (m_hPen) ::DeleteObject(m_hPen);
}

void CAnnPolygonTool::SetCursor() { SetDrawingCursor(); }

HPEN CAnnPolygonTool::Pen() {
  if (!m_hPen) m_hPen = ::CreatePen(PS_SOLID, 0, kBandColour);
  return m_hPen;
}

void CAnnPolygonTool::XorBand(CVLRView* pView, CPoint end) {
  CClientDC dc(pView);
  const int nOldRop = ::SetROP2(dc.m_hDC, R2_XORPEN);
  HGDIOBJ hOld = ::SelectObject(dc.m_hDC, Pen());
  ::MoveToEx(dc.m_hDC, m_ptLastFixed.x, m_ptLastFixed.y, nullptr);
  ::LineTo(dc.m_hDC, end.x, end.y);
  ::SelectObject(dc.m_hDC, hOld);
  ::SetROP2(dc.m_hDC, nOldRop);
}

BOOL CAnnPolygonTool::OnLButtonDown(CVLRView* pView, int x, int y, UINT) {
  m_points.push_back(CPoint(x, y));
  m_ptLastFixed = CPoint(x, y);
  DrawFixedLines(pView, Pen(), m_points.data(), (int)m_points.size());
  m_bActive = TRUE;
  m_bFirstBand = TRUE;
  return TRUE;
}

BOOL CAnnPolygonTool::OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags) {
  if (!m_bActive) return TRUE;
  CPoint end(x, y);
  if (nFlags & MK_SHIFT) end = ConstrainToAxis(m_ptLastFixed, end);
  if (!m_bFirstBand) XorBand(pView, m_ptLastDrawn);
  XorBand(pView, end);
  m_ptLastDrawn = end;
  m_bFirstBand = FALSE;
  return TRUE;
}

BOOL CAnnPolygonTool::OnLButtonDblClk(CVLRView* pView, int, int, UINT) {
  m_bActive = FALSE;
  if (m_points.size() < 2) return FALSE;
  CVlr* set = SetOf(pView);
  const CTGraph* graph = pView->GetGraph();
  if (set && graph) {
    CPolygon points;
    ToDocument(*graph, m_points, &points);
    AddObject(pView, new CAnnPolygon(points, set->GetLayer(set->m_nCurrentLayer), set->m_nCurrentLayer));
  }
  m_points.clear();
  m_bFirstBand = TRUE;
  return TRUE;
}

// --- select and move -------------------------------------------------------------------------------

CAnnSelectTool::~CAnnSelectTool() { Release(m_hCaptureWnd); }

BOOL CAnnSelectTool::Activate(CVLRView*) {
  m_bMoveCursor = FALSE;
  m_bMoving = FALSE;
  return TRUE;
}

void CAnnSelectTool::SetCursor() {
  if (m_bMoveCursor)
    SetOwnCursor(IDC_CUR_MOVE, IDC_SIZEALL);
  else
    ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
}

void CAnnSelectTool::Select(CVLRView* pView, CVlr& set, CAnnObj* pObj) {
  CAnnObj* pOld = set.m_pSelected;
  set.m_pSelected = pObj;
  if (pOld && pOld != pObj) AnnInvalidateObject(*pOld, set, pView);
  // The selected object repaints with the dotted pen.
  if (pObj) AnnInvalidateObject(*pObj, set, pView);
}

void CAnnSelectTool::XorDraw(CVLRView* pView, CAnnObj& obj) {
  CVlr* set = SetOf(pView);
  if (!set) return;
  CClientDC dc(pView);
  const int nOldRop = ::SetROP2(dc.m_hDC, R2_XORPEN);
  AnnDrawObject(obj, *set, pView, &dc);
  ::SetROP2(dc.m_hDC, nOldRop);
}

BOOL CAnnSelectTool::OnLButtonDown(CVLRView* pView, int x, int y, UINT) {
  Capture(pView, m_hCaptureWnd);
  CVlr* set = SetOf(pView);
  const CTGraph* graph = pView->GetGraph();
  if (!set || !graph) return TRUE;
  CAnnObj* pHit = set->HitTest(*graph, x, y);
  Select(pView, *set, pHit);
  if (pHit) m_ptLast = CPoint(x, y);
  return TRUE;
}

BOOL CAnnSelectTool::OnMouseMove(CVLRView* pView, int x, int y, UINT nFlags) {
  CVlr* set = SetOf(pView);
  const CTGraph* graph = pView->GetGraph();
  if (!set || !graph) return TRUE;
  CAnnObj* pSelected = set->m_pSelected;
  if (!m_bMoving) {
    m_bMoveCursor = pSelected && set->HitTest(*graph, x, y) == pSelected;
    SetCursor();
    if (!(nFlags & MK_LBUTTON) || !m_bMoveCursor) return TRUE;
  }
  if (!pSelected) return TRUE;
  if (!m_bMoving) {
    // The dragged object shows as its dotted outline: colour 0 in XOR leaves the dots' gaps.
    m_crSaved = pSelected->m_crColour;
    pSelected->m_crColour = 0;
  } else {
    XorDraw(pView, *pSelected);
  }
  pSelected->MoveByClientDelta(*graph, x - m_ptLast.x, y - m_ptLast.y);
  XorDraw(pView, *pSelected);
  m_ptLast = CPoint(x, y);
  m_bMoving = TRUE;
  return TRUE;
}

BOOL CAnnSelectTool::OnLButtonUp(CVLRView* pView, int, int, UINT) {
  Release(m_hCaptureWnd);
  if (!m_bMoving) return TRUE;
  CVlr* set = SetOf(pView);
  m_bMoving = FALSE;
  if (set && set->m_pSelected) {
    XorDraw(pView, *set->m_pSelected);
    set->m_pSelected->m_crColour = m_crSaved;
    // A moved object is a change to save like any other.
    set->SetModified();
  }
  pView->GetDocument()->UpdateAllViews(nullptr, 0, nullptr);
  return TRUE;
}

BOOL CAnnSelectTool::OnRButtonUp(CVLRView* pView, int x, int y, UINT, BOOL* pbHandled) {
  if (pbHandled) *pbHandled = TRUE;
  CVlr* set = SetOf(pView);
  const CTGraph* graph = pView->GetGraph();
  if (!set || !graph) return TRUE;
  // A click beside every object keeps the selection, so the menu still serves it.
  if (CAnnObj* pHit = set->HitTest(*graph, x, y)) Select(pView, *set, pHit);
  if (!set->m_pSelected) return TRUE;
  CMenu menu;
  if (!menu.LoadMenu(IDR_ANNOTATION_MENU)) return TRUE;
  CMenu* popup = menu.GetSubMenu(0);
  if (!popup) return TRUE;
  POINT pt = {x, y};
  ::ClientToScreen(pView->m_hWnd, &pt);
  // The frame owns the menu, so its commands reach the view through the frame's routing.
  popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, pView->GetParentOwner());
  return TRUE;
}

// --- text --------------------------------------------------------------------------------------------

HFONT CAnnTextTool::s_hSharedFont = nullptr;

AnnLogFont CAnnTextTool::GetSharedFont() {
  if (!s_hSharedFont) {
    LOGFONTA lf = {};
    lf.lfHeight = 10;
    lf.lfWeight = 400;
    lf.lfPitchAndFamily = 0x20;
    lstrcpynA(lf.lfFaceName, "Arial", sizeof lf.lfFaceName);
    s_hSharedFont = ::CreateFontIndirectA(&lf);
  }
  LOGFONTA lf = {};
  ::GetObjectA(s_hSharedFont, sizeof lf, &lf);
  AnnLogFont font;
  static_assert(sizeof font == sizeof lf, "a text's font is a LOGFONTA");
  std::memcpy(&font, &lf, sizeof font);
  return font;
}

void CAnnTextTool::SetSharedFont(const AnnLogFont& font) {
  LOGFONTA lf;
  std::memcpy(&lf, &font, sizeof lf);
  lf.lfFaceName[sizeof lf.lfFaceName - 1] = '\0';
  HFONT hFont = ::CreateFontIndirectA(&lf);
  if (!hFont) return;
  DeleteSharedFont();
  s_hSharedFont = hFont;
}

void CAnnTextTool::DeleteSharedFont() {
  if (s_hSharedFont) ::DeleteObject(s_hSharedFont);
  s_hSharedFont = nullptr;
}

void CAnnTextTool::SetCursor() { SetDrawingCursor(); }

BOOL CAnnTextTool::OnLButtonDown(CVLRView* pView, int x, int y, UINT) {
  CVlr* set = SetOf(pView);
  const CTGraph* graph = pView->GetGraph();
  if (!set || !graph) return TRUE;
  const CAnnLayer* layer = set->GetLayer(set->m_nCurrentLayer);
  CConfig* config = GetVLRApp() ? GetVLRApp()->m_pConfig : nullptr;
  CAnnTextDlg dlg("", GetSharedFont(), config ? config->m_nTextHeight : 0, layer ? layer->m_crColour : 0, pView);
  if (dlg.DoModal() != IDOK) return FALSE;
  if (config) config->m_nTextHeight = dlg.m_nHeight;
  // The next text starts from the font chosen for this one.
  SetSharedFont(dlg.m_font);
  AddObject(pView, new CAnnText(graph->ClientToDoc(x, y), dlg.m_strText, GetSharedFont(), dlg.m_nHeight,
                                dlg.m_crColour, set->m_nCurrentLayer));
  return TRUE;
}
