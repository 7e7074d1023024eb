// Snapping over the gathered points and chains.
#include "vector/model/DwgSnap.h"

#include "app/model/PlainHelpers.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr int64_t kReach = 10000000;

struct Segment {
  CPoint a, b;
};

bool NearSearch(CPoint a, CPoint b, const CRect& search) {
  CRect box(a, b);
  box.NormalizeRect();
  box.InflateRect(1, 1);
  CRect both;
  return both.IntersectRect(box, search) != 0;
}

}  // namespace

bool SnapToNearestPoint(const DwgSnapGeometry& geometry, int x, int y, CPoint* out) {
  int64_t best = 100000000000000LL;
  bool found = false;
  *out = CPoint(x, y);
  auto consider = [&](const CPoint& p) {
    const int64_t dx = int64_t(x) - p.x, dy = int64_t(y) - p.y;
    // A point farther than 1e7 along an axis is beyond the starting distance (1e14) anyway;
    // skipping it keeps the squares inside 64 bits for any pair of 32-bit points.
    if (dx > kReach || dx < -kReach || dy > kReach || dy < -kReach) return;
    const int64_t d = dx * dx + dy * dy;
    if (d < best) {
      best = d;
      *out = p;
      found = true;
    }
  };
  for (const CPoint& p : geometry.points) consider(p);
  for (const auto& chain : geometry.polygons)
    for (const CPoint& p : chain) consider(p);
  return found;
}

CPoint SnapToNearestSegment(const DwgSnapGeometry& geometry, int x, int y, const RECT& search) {
  const CRect area(search);
  std::vector<Segment> candidates;
  for (size_t i = 0; i + 1 < geometry.points.size(); i += 2)
    if (NearSearch(geometry.points[i], geometry.points[i + 1], area))
      candidates.push_back({geometry.points[i], geometry.points[i + 1]});
  for (const auto& chain : geometry.polygons)
    for (size_t i = 0; i + 1 < chain.size(); ++i)
      if (NearSearch(chain[i], chain[i + 1], area)) candidates.push_back({chain[i], chain[i + 1]});
  for (size_t i = 0; i < candidates.size(); ++i)
    for (size_t j = i + 1; j < candidates.size(); ++j) {
      CPoint p = IntersectLines(candidates[i].a, candidates[i].b, candidates[j].a, candidates[j].b);
      if (area.PtInRect(p)) return p;
    }
  return CPoint(x, y);
}

