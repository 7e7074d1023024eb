// Snapping over the gathered points and chains.
#include "vector/model/DwgSnap.h"

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

CPoint IntersectLines(CPoint a1, CPoint a2, CPoint b1, CPoint b2) {
  const double ax = double(a2.x) - a1.x, ay = double(a2.y) - a1.y;
  const double bx = double(b2.x) - b1.x, by = double(b2.y) - b1.y;
  const double la = std::hypot(ax, ay), lb = std::hypot(bx, by);
  const double cross = ax * by - ay * bx;
  if (la == 0 || lb == 0 || std::fabs(cross) / (la * lb) < std::sin(0.0001)) return a2;
  const double t = ((double(b1.x) - a1.x) * by - (double(b1.y) - a1.y) * bx) / cross;
  const double px = std::floor(a1.x + t * ax + 0.5), py = std::floor(a1.y + t * ay + 0.5);
  // A crossing far outside the device space is no point a search rectangle can hold.
  if (std::fabs(px) > 2e9 || std::fabs(py) > 2e9) return a2;
  return CPoint(int(px), int(py));
}
