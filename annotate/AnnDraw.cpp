// Drawing and invalidating annotation objects in a view: the pen and brush each kind and fill
// style takes, the dotted pen of the selected object, and texts scaled from true millimetres to
// the view.
#include <cstring>

#include "AnnObj.h"
#include "AnnotateWin.h"
#include "Raster.h"
#include "TGraph.h"
#include "Units.h"
#include "VLRDoc.h"
#include "VLRView.h"
#include "Vlr.h"

namespace {

// Holds a GDI object selected into a device context and puts the old one back.
class CSelected {
 public:
  CSelected(HDC hDC, HGDIOBJ hObj) : m_hDC(hDC), m_hOld(hObj ? ::SelectObject(hDC, hObj) : nullptr) {}
  ~CSelected() {
    if (m_hOld) ::SelectObject(m_hDC, m_hOld);
  }
  CSelected(const CSelected&) = delete;
  CSelected& operator=(const CSelected&) = delete;

 private:
  HDC m_hDC;
  HGDIOBJ m_hOld;
};

// Deletes a GDI object this file created (stock objects are never deleted).
struct COwnedGdi {
  HGDIOBJ h = nullptr;
  bool bOwned = false;
  ~COwnedGdi() {
    if (bOwned && h) ::DeleteObject(h);
  }
};

bool HasOutline(CAnnObj::Kind kind) { return kind == CAnnObj::kindLine || kind == CAnnObj::kindFreehand; }

void MakePen(const CAnnObj& obj, BOOL bSelected, COwnedGdi& pen) {
  if (bSelected) {
    pen.h = ::CreatePen(PS_DOT, 0, obj.m_crColour);
  } else if (HasOutline(obj.GetKind()) || obj.m_nFillStyle == CAnnObj::fillFrame) {
    pen.h = ::CreatePen(PS_SOLID, 0, obj.m_crColour);
  } else {
    pen.h = ::GetStockObject(NULL_PEN);
    return;
  }
  pen.bOwned = true;
}

void MakeBrush(const CAnnObj& obj, COwnedGdi& brush) {
  if (obj.m_nFillStyle == CAnnObj::fillSolid) {
    brush.h = ::CreateSolidBrush(obj.m_crColour);
  } else if (obj.m_nFillStyle >= 0 && obj.m_nFillStyle <= CAnnObj::fillLastHatch) {
    brush.h = ::CreateHatchBrush(obj.m_nFillStyle, obj.m_crColour);
  } else {
    brush.h = ::GetStockObject(HOLLOW_BRUSH);
    return;
  }
  brush.bOwned = true;
}

// The client height of a text: its true millimetres, with the cell's 1.15, back into base units
// through the set's scale, then into document units and client pixels.
int TextClientHeight(CAnnText& text, CVlr& set, CVLRView* pView) {
  const CTGraph* graph = pView->GetGraph();
  CVLRDoc* doc = pView->GetDocument();
  if (text.m_nHeight < 0) {
    // The older form in image pixels becomes true millimetres once, and is saved so.
    const int nPixels = RoundHalfUp(-text.m_nHeight / graph->GetImageScale());
    text.m_nHeight =
        RoundHalfUp(AnnBaseToTrueMm(doc, nPixels, set.m_dScaleFirst, set.m_dScaleSecond, set.m_nScaleUnit));
  }
  const int nBase =
      AnnTrueMmToBase(doc, text.m_nHeight * 1.15, set.m_dScaleFirst, set.m_dScaleSecond, set.m_nScaleUnit);
  const int nDoc = RoundHalfUp(nBase * graph->GetImageScale());
  const int nClient = graph->DocToClient(0, nDoc).y - graph->DocToClient(0, 0).y;
  return nClient < 0 ? -nClient : nClient;
}

void DrawText(CAnnText& text, CVlr& set, CVLRView* pView, HDC hDC, BOOL bSelected, BOOL bXor) {
  const int nHeight = TextClientHeight(text, set, pView);
  if (nHeight < 4) return;
  LOGFONTA lf;
  static_assert(sizeof lf == sizeof text.m_logFont, "the stored font is a LOGFONTA");
  std::memcpy(&lf, &text.m_logFont, sizeof lf);
  lf.lfFaceName[sizeof lf.lfFaceName - 1] = '\0';
  lf.lfHeight = nHeight;
  COwnedGdi font;
  font.h = ::CreateFontIndirectA(&lf);
  font.bOwned = true;
  CSelected selFont(hDC, font.h);
  ::SetTextColor(hDC, text.m_crColour);
  const CPoint at = pView->GetGraph()->DocToClient(text.m_ptAnchor.x, text.m_ptAnchor.y);
  RECT rc = {at.x, at.y, at.x, at.y};
  ::DrawTextA(hDC, text.m_strText, text.m_strText.GetLength(), &rc, DT_CALCRECT | DT_NOPREFIX);
  text.m_rcLast = rc;
  if (!bXor) ::DrawTextA(hDC, text.m_strText, text.m_strText.GetLength(), &rc, DT_NOCLIP | DT_NOPREFIX);
  if (bSelected) {
    COwnedGdi pen;
    pen.h = ::CreatePen(PS_DOT, 0, text.m_crColour);
    pen.bOwned = true;
    CSelected selPen(hDC, pen.h);
    CSelected selBrush(hDC, ::GetStockObject(HOLLOW_BRUSH));
    ::Rectangle(hDC, rc.left, rc.top, rc.right, rc.bottom);
  }
}

}  // namespace

void AnnDrawObject(CAnnObj& obj, CVlr& set, CVLRView* pView, CDC* pDC) {
  const CTGraph* graph = pView->GetGraph();
  if (!graph || obj.GetVisibleLayer(set) == nullptr) return;
  const HDC hDC = pDC->m_hDC;
  const BOOL bSelected = set.m_pSelected == &obj;
  const BOOL bXor = ::GetROP2(hDC) == R2_XORPEN;
  const int nOldMode = ::SetBkMode(hDC, bXor ? OPAQUE : TRANSPARENT);
  COwnedGdi pen, brush;
  MakePen(obj, bSelected, pen);
  MakeBrush(obj, brush);
  {
    CSelected selPen(hDC, pen.h);
    CSelected selBrush(hDC, brush.h);
    switch (obj.GetKind()) {
      case CAnnObj::kindLine:
      case CAnnObj::kindRect:
      case CAnnObj::kindCircle: {
        CPoint a, b;
        static_cast<CAnnSpan&>(obj).GetClientCorners(*graph, a, b);
        if (obj.GetKind() == CAnnObj::kindLine) {
          ::MoveToEx(hDC, a.x, a.y, nullptr);
          ::LineTo(hDC, b.x, b.y);
        } else if (obj.GetKind() == CAnnObj::kindRect) {
          ::Rectangle(hDC, a.x, a.y, b.x, b.y);
        } else {
          ::Ellipse(hDC, a.x, a.y, b.x, b.y);
        }
        break;
      }
      case CAnnObj::kindFreehand:
      case CAnnObj::kindPolygon: {
        std::vector<CPoint> points;
        static_cast<CAnnPointList&>(obj).GetClientPoints(*graph, points);
        if (obj.GetKind() == CAnnObj::kindFreehand)
          ::Polyline(hDC, points.data(), (int)points.size());
        else
          ::Polygon(hDC, points.data(), (int)points.size());
        break;
      }
      case CAnnObj::kindText:
        break;
      case CAnnObj::kindNone:
        break;
    }
  }
  if (obj.GetKind() == CAnnObj::kindText) DrawText(static_cast<CAnnText&>(obj), set, pView, hDC, bSelected, bXor);
  ::SetBkMode(hDC, nOldMode);
}

void AnnInvalidateObject(CAnnObj& obj, CVlr& set, CVLRView* pView) {
  const CTGraph* graph = pView->GetGraph();
  if (!graph || obj.GetVisibleLayer(set) == nullptr) return;
  if (obj.GetKind() == CAnnObj::kindText && static_cast<CAnnText&>(obj).m_bGrown) {
    pView->Invalidate();
    return;
  }
  CRect rc = obj.GetClientBounds(*graph);
  // The pen's pixel at the right and bottom edges.
  rc.InflateRect(1, 1);
  pView->InvalidateRect(&rc);
}

void AnnInvalidateOnAllViews(CAnnObj& obj, CVLRDoc* pDoc) {
  if (!pDoc || !pDoc->m_pVlr) return;
  POSITION pos = pDoc->GetFirstViewPosition();
  while (pos) {
    CView* view = pDoc->GetNextView(pos);
    if (view->IsKindOf(RUNTIME_CLASS(CVLRView))) AnnInvalidateObject(obj, *pDoc->m_pVlr, static_cast<CVLRView*>(view));
  }
}
