// The annotation objects' fields, archive forms and hit tests.
#include "AnnObj.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "AnnLayer.h"
#include "Archive.h"
#include "TGraph.h"
#include "Vlr.h"

IMPLEMENT_SERIAL(CAnnObj, CObject, 1)
IMPLEMENT_DYNAMIC(CAnnSpan, CAnnObj)
IMPLEMENT_SERIAL(CAnnLine, CAnnSpan, 1)
IMPLEMENT_SERIAL(CAnnRect, CAnnSpan, 1)
IMPLEMENT_SERIAL(CAnnCircle, CAnnSpan, 1)
IMPLEMENT_DYNAMIC(CAnnPointList, CAnnObj)
IMPLEMENT_SERIAL(CAnnFreehand, CAnnPointList, 1)
IMPLEMENT_SERIAL(CAnnPolygon, CAnnPointList, 1)
IMPLEMENT_SERIAL(CAnnText, CAnnObj, 1)

namespace {

// Stored coordinates add as the 32-bit integers they are: a hostile file may hold any of them.
LONG AddWrap(LONG a, LONG b) { return (LONG)(int32_t)((uint32_t)a + (uint32_t)b); }

CPoint AddWrap(CPoint a, LONG dx, LONG dy) { return CPoint(AddWrap(a.x, dx), AddWrap(a.y, dy)); }

// The rectangle between two client points, grown by d on each side (d < 0 shrinks), in 64 bits.
struct Box {
  int64_t left, top, right, bottom;
};

Box Grown(CPoint a, CPoint b, int d) {
  return {std::min<int64_t>(a.x, b.x) - d, std::min<int64_t>(a.y, b.y) - d, std::max<int64_t>(a.x, b.x) + d,
          std::max<int64_t>(a.y, b.y) + d};
}

// The window system's rule: left and top inside, right and bottom outside.
bool BoxContains(const Box& box, int x, int y) {
  return x >= box.left && x < box.right && y >= box.top && y < box.bottom;
}

bool EllipseContains(const Box& box, int x, int y) {
  if (box.right <= box.left || box.bottom <= box.top) return false;
  const double a = (double)(box.right - box.left) / 2.0;
  const double b = (double)(box.bottom - box.top) / 2.0;
  const double u = ((double)x - ((double)box.left + a)) / a;
  const double v = ((double)y - ((double)box.top + b)) / b;
  return u * u + v * v <= 1.0;
}

CRect BoundsOf(const std::vector<CPoint>& points) {
  CRect rc(0, 0, 0, 0);
  if (points.empty()) return rc;
  rc.SetRect(points[0].x, points[0].y, points[0].x, points[0].y);
  for (const CPoint& p : points) {
    rc.left = std::min(rc.left, p.x);
    rc.top = std::min(rc.top, p.y);
    rc.right = std::max(rc.right, p.x);
    rc.bottom = std::max(rc.bottom, p.y);
  }
  return rc;
}

}  // namespace

BOOL HitSegment(CPoint a, CPoint b, int x, int y) {
  const int64_t ex = (int64_t)b.x - a.x;
  const int64_t ey = (int64_t)b.y - a.y;
  const int64_t nLimit = std::max(std::llabs(ex), std::llabs(ey));
  const int64_t nLength2 = ex * ex + ey * ey;
  const int T = CAnnObj::kHitTolerance;
  for (int64_t py = (int64_t)y - T; py <= (int64_t)y + T; ++py) {
    for (int64_t px = (int64_t)x - T; px <= (int64_t)x + T; ++px) {
      const int64_t vx = px - a.x;
      const int64_t vy = py - a.y;
      const int64_t nCross = vx * ey - vy * ex;
      const int64_t nDot = vx * ex + vy * ey;
      if (std::llabs(nCross) < nLimit && nDot >= 0 && nDot <= nLength2) return TRUE;
    }
  }
  return FALSE;
}

// --- CAnnObj ------------------------------------------------------------------------------------

void CAnnObj::InitFromLayer(const CAnnLayer* pLayer, WORD nLayerId) {
  m_crColour = pLayer != nullptr ? pLayer->m_crColour : 0;
  m_nLayerId = nLayerId;
  m_nFillStyle = fillFrame;
}

CAnnLayer* CAnnObj::GetVisibleLayer(const CVlr& set) const {
  CAnnLayer* pLayer = set.GetLayer(m_nLayerId);
  return pLayer != nullptr && pLayer->m_nVisible != 0 ? pLayer : nullptr;
}

BOOL CAnnObj::HitTest(const CVlr& set, const CTGraph& graph, int x, int y) const {
  return GetVisibleLayer(set) != nullptr && HitShape(graph, x, y);
}

BOOL CAnnObj::HitShape(const CTGraph&, int, int) const { return FALSE; }

CRect CAnnObj::GetClientBounds(const CTGraph&) const { return CRect(0, 0, 0, 0); }

void CAnnObj::MoveByClientDelta(const CTGraph& graph, int dx, int dy) {
  CPoint pt = AddWrap(graph.DocToClient(m_ptAnchor.x, m_ptAnchor.y), dx, dy);
  m_ptAnchor = graph.ClientToDoc(pt.x, pt.y);
}

void CAnnObj::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << (unsigned)m_crColour << (int)m_ptAnchor.x << (int)m_ptAnchor.y << m_nLayerId << m_nFillStyle;
  } else {
    unsigned crColour = 0;
    int x = 0, y = 0;
    ar >> crColour >> x >> y >> m_nLayerId >> m_nFillStyle;
    m_crColour = crColour;
    m_ptAnchor = CPoint(x, y);
  }
}

// --- line, rectangle, circle -------------------------------------------------------------------

CAnnSpan::CAnnSpan(const RECT& rcDoc, const CAnnLayer* pLayer, WORD nLayerId) {
  InitFromLayer(pLayer, nLayerId);
  m_ptAnchor = CPoint(rcDoc.left, rcDoc.top);
  m_nDx = (int)(int32_t)((uint32_t)rcDoc.right - (uint32_t)rcDoc.left);
  m_nDy = (int)(int32_t)((uint32_t)rcDoc.bottom - (uint32_t)rcDoc.top);
}

CPoint CAnnSpan::GetEnd() const { return AddWrap(m_ptAnchor, m_nDx, m_nDy); }

void CAnnSpan::GetClientCorners(const CTGraph& graph, CPoint& ptStart, CPoint& ptEnd) const {
  const CPoint end = GetEnd();
  ptStart = graph.DocToClient(m_ptAnchor.x, m_ptAnchor.y);
  ptEnd = graph.DocToClient(end.x, end.y);
}

CRect CAnnSpan::GetClientBounds(const CTGraph& graph) const {
  CPoint a, b;
  GetClientCorners(graph, a, b);
  return BoundsOf({a, b});
}

void CAnnSpan::Serialize(CArchive& ar) {
  CAnnObj::Serialize(ar);
  if (ar.IsStoring())
    ar << m_nDx << m_nDy;
  else
    ar >> m_nDx >> m_nDy;
}

BOOL CAnnLine::HitShape(const CTGraph& graph, int x, int y) const {
  CPoint a, b;
  GetClientCorners(graph, a, b);
  return HitSegment(a, b, x, y);
}

BOOL CAnnRect::HitShape(const CTGraph& graph, int x, int y) const {
  CPoint a, b;
  GetClientCorners(graph, a, b);
  // Only the outline band is hit, filled or not.
  return BoxContains(Grown(a, b, kHitTolerance), x, y) && !BoxContains(Grown(a, b, -kHitTolerance), x, y);
}

BOOL CAnnCircle::HitShape(const CTGraph& graph, int x, int y) const {
  CPoint a, b;
  GetClientCorners(graph, a, b);
  return EllipseContains(Grown(a, b, kHitTolerance), x, y) &&
         !EllipseContains(Grown(a, b, -kHitTolerance), x, y);
}

// --- freehand, polygon -------------------------------------------------------------------------

CAnnPointList::CAnnPointList(const CPolygon& points, const CAnnLayer* pLayer, WORD nLayerId) {
  InitFromLayer(pLayer, nLayerId);
  if (points.GetSize() == 0) return;
  m_ptAnchor = points.GetAt(0);
  for (int i = 1; i < points.GetSize(); ++i) {
    const CPoint p = points.GetAt(i);
    m_points.Add((int)(int32_t)((uint32_t)p.x - (uint32_t)m_ptAnchor.x),
                 (int)(int32_t)((uint32_t)p.y - (uint32_t)m_ptAnchor.y));
  }
}

void CAnnPointList::GetClientPoints(const CTGraph& graph, std::vector<CPoint>& points) const {
  points.clear();
  points.reserve((size_t)m_points.GetSize() + 1);
  points.push_back(graph.DocToClient(m_ptAnchor.x, m_ptAnchor.y));
  for (int i = 0; i < m_points.GetSize(); ++i) {
    const CPoint p = m_points.GetAt(i);
    const CPoint doc = AddWrap(m_ptAnchor, p.x, p.y);
    points.push_back(graph.DocToClient(doc.x, doc.y));
  }
}

CRect CAnnPointList::GetClientBounds(const CTGraph& graph) const {
  std::vector<CPoint> points;
  GetClientPoints(graph, points);
  return BoundsOf(points);
}

BOOL CAnnPointList::HitSegments(const CTGraph& graph, int x, int y, BOOL bClosed) const {
  std::vector<CPoint> points;
  GetClientPoints(graph, points);
  for (size_t i = 1; i < points.size(); ++i) {
    if (HitSegment(points[i - 1], points[i], x, y)) return TRUE;
  }
  return bClosed && points.size() > 1 && HitSegment(points.back(), points.front(), x, y);
}

void CAnnPointList::Serialize(CArchive& ar) {
  CAnnObj::Serialize(ar);
  m_points.Serialize(ar);
}

// --- text ----------------------------------------------------------------------------------------

CAnnText::CAnnText() : m_rcLast(0, 0, 0, 0) { std::memset(&m_logFont, 0, sizeof m_logFont); }

CAnnText::CAnnText(CPoint ptDoc, LPCSTR lpszText, const AnnLogFont& font, int nHeight, DWORD crColour,
                   WORD nLayerId)
    : m_strText(lpszText), m_logFont(font), m_nHeight(nHeight), m_rcLast(0, 0, 0, 0) {
  m_crColour = crColour;
  m_ptAnchor = ptDoc;
  m_nLayerId = nLayerId;
}

CRect CAnnText::GetClientBounds(const CTGraph&) const { return m_rcLast; }

BOOL CAnnText::HitShape(const CTGraph&, int x, int y) const { return m_rcLast.PtInRect(CPoint(x, y)); }

CString CAnnText::GetFaceName() const {
  const char* face = m_logFont.lfFaceName;
  return CString(face, (int)strnlen(face, sizeof m_logFont.lfFaceName));
}

void CAnnText::SetProperties(LPCSTR lpszText, const AnnLogFont& font, int nHeight, DWORD crColour) {
  const bool bTaller = nHeight > m_nHeight;
  const bool bReshaped = m_strText != lpszText || std::memcmp(&m_logFont, &font, sizeof font) != 0;
  if (bTaller || bReshaped) m_bGrown = TRUE;
  m_strText = lpszText;
  m_logFont = font;
  m_nHeight = nHeight;
  m_crColour = crColour;
}

void CAnnText::Serialize(CArchive& ar) {
  CAnnObj::Serialize(ar);
  AnnLogFont& f = m_logFont;
  if (ar.IsStoring()) {
    ar << m_strText;
    ar << (int)f.lfHeight << (int)f.lfWidth << (int)f.lfEscapement << (int)f.lfOrientation << (int)f.lfWeight;
    ar << f.lfItalic << f.lfUnderline << f.lfStrikeOut << f.lfCharSet << f.lfOutPrecision << f.lfClipPrecision
       << f.lfQuality << f.lfPitchAndFamily;
    ar.Write(f.lfFaceName, sizeof f.lfFaceName);
    ar << m_nHeight;
  } else {
    int v[5] = {};
    ar >> m_strText >> v[0] >> v[1] >> v[2] >> v[3] >> v[4];
    f.lfHeight = v[0];
    f.lfWidth = v[1];
    f.lfEscapement = v[2];
    f.lfOrientation = v[3];
    f.lfWeight = v[4];
    ar >> f.lfItalic >> f.lfUnderline >> f.lfStrikeOut >> f.lfCharSet >> f.lfOutPrecision >> f.lfClipPrecision >>
        f.lfQuality >> f.lfPitchAndFamily;
    if (ar.Read(f.lfFaceName, sizeof f.lfFaceName) != sizeof f.lfFaceName)
      AfxThrowArchiveException(CArchiveException::endOfFile, ar.m_strFileName);
    ar >> m_nHeight;
  }
}
