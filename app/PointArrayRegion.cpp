// Regions of point lists (Windows build): the window system's polygon regions, combined by union
// and difference, for drawing, clipping and hit tests.
#include <windows.h>

#include <vector>

#include "Gdi.h"
#include "PointArray.h"

namespace {

// An empty region, so that a caller always gets an object to combine, select or delete.
CRgn* NewEmptyRegion() {
  CRgn* rgn = new CRgn;
  rgn->CreateRectRgn(0, 0, 0, 0);
  return rgn;
}

}  // namespace

CRgn* CPolygon::CreateRegion(int nOriginX, int nOriginY, double dStep) const {
  const int n = GetSize();
  if (n < 3 || !(dStep > 0.0)) return NewEmptyRegion();
  std::vector<POINT> scaled((size_t)n);
  for (int i = 0; i < n; ++i) {
    const CPoint& p = GetData()[i];
    scaled[(size_t)i].x = (LONG)(((double)p.x - nOriginX) / dStep);
    scaled[(size_t)i].y = (LONG)(((double)p.y - nOriginY) / dStep);
  }
  CRgn* rgn = new CRgn;
  if (!rgn->CreatePolygonRgn(scaled.data(), n, ALTERNATE)) {
    delete rgn;
    return NewEmptyRegion();
  }
  return rgn;
}

CRgn* CPolyPolygon::CreateRegion(int nOriginX, int nOriginY, double dStep) const {
  if (m_polygons.empty()) return NewEmptyRegion();
  CRgn* result = m_polygons[0]->CreateRegion(nOriginX, nOriginY, dStep);
  for (size_t i = 1; i < m_polygons.size(); ++i) {
    UINT value = GetValue((int)i);
    if (value != combineUnion && value != combineDifference) continue;
    CRgn* member = m_polygons[i]->CreateRegion(nOriginX, nOriginY, dStep);
    result->CombineRgn(result, member, value == combineUnion ? RGN_OR : RGN_DIFF);
    member->DeleteObject();
    delete member;
  }
  return result;
}
