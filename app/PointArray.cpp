// Point lists: storage, bounds, area, length and archive layout, and the grid count that measures
// combined shapes. The window-system regions are in PointArrayRegion.cpp (Windows build).
#include "PointArray.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <utility>

IMPLEMENT_SERIAL(CPolygon, CObject, 1)
IMPLEMENT_SERIAL(CPolyPolygon, CObject, 1)

CPolygon::CPolygon(const CPolygon& other) : CObject() { Copy(other); }

void CPolygon::Copy(const CPolygon& other) {
  if (&other == this) return;
  m_points.SetSize(other.GetSize());
  for (int i = 0; i < other.GetSize(); ++i) m_points[i] = other.m_points[i];
}

CPoint CPolygon::GetAt(int nIndex) const {
  if (nIndex < 0 || nIndex >= GetSize()) return CPoint(0, 0);
  return m_points[nIndex];
}

void CPolygon::SetAtGrow(int nIndex, int x, int y) {
  if (nIndex < 0) return;
  m_points.SetAtGrow(nIndex, CPoint(x, y));
}

void CPolygon::RemoveAt(int nIndex) {
  if (nIndex < 0 || nIndex >= GetSize()) return;
  m_points.RemoveAt(nIndex);
}

void CPolygon::AddRect(int left, int top, int right, int bottom) {
  Add(left, top);
  Add(right, top);
  Add(right, bottom);
  Add(left, bottom);
}

CRect CPolygon::GetBounds() const {
  CRect r(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
  for (int i = 0; i < GetSize(); ++i) {
    const CPoint& p = m_points.GetData()[i];
    if (p.x < r.left) r.left = p.x;
    if (p.y < r.top) r.top = p.y;
    if (p.x > r.right) r.right = p.x;
    if (p.y > r.bottom) r.bottom = p.y;
  }
  return r;
}

double CPolygon::GetRawArea() const {
  const int n = GetSize();
  if (n == 0) return 0.0;
  // Taken relative to the first point: the products of coordinates far from the origin would
  // lose the small area between them to rounding.
  const CPoint* p = m_points.GetData();
  const double x0 = p[0].x, y0 = p[0].y;
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    const CPoint& a = p[i];
    const CPoint& b = p[(i + 1) % n];
    sum += (a.x - x0) * (b.y - y0) - (a.y - y0) * (b.x - x0);
  }
  return std::fabs(sum / 2.0);
}

namespace {

double SegmentLength(const CPoint& a, const CPoint& b) {
  double dx = ((double)a.x - (double)b.x) + 1.0;
  double dy = ((double)a.y - (double)b.y) + 1.0;
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

double CPolygon::GetRawLength() const {
  const int n = GetSize();
  if (n == 0) return 0.0;
  const CPoint* p = m_points.GetData();
  double length = SegmentLength(p[0], p[n - 1]);
  for (int i = n - 1; i > 0; --i) length += SegmentLength(p[i], p[i - 1]);
  return length;
}

void CPolygon::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  m_points.Serialize(ar);
}

CPolyPolygon::~CPolyPolygon() = default;

UINT CPolyPolygon::GetValue(int nIndex) const {
  if (nIndex < 0 || nIndex >= m_values.GetSize()) return 0;
  return m_values[nIndex];
}

void CPolyPolygon::Add(const CPolygon& polygon, UINT nValue) {
  m_polygons.push_back(std::make_unique<CPolygon>(polygon));
  m_values.SetAtGrow(m_values.GetSize(), nValue);
}

void CPolyPolygon::RemoveAll() {
  m_polygons.clear();
  m_values.RemoveAll();
}

CRect CPolyPolygon::GetBounds() const {
  CRect r(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
  for (const auto& polygon : m_polygons) {
    CRect b = polygon->GetBounds();
    if (b.left < r.left) r.left = b.left;
    if (b.top < r.top) r.top = b.top;
    if (b.right > r.right) r.right = b.right;
    if (b.bottom > r.bottom) r.bottom = b.bottom;
  }
  return r;
}

namespace {

// Half-open runs [first, second) of grid cells in one row, sorted and disjoint.
using Spans = std::vector<std::pair<int64_t, int64_t>>;

// The cells of one row whose centres lie inside the polygon by the alternate (even-odd) rule,
// which is how the window system fills a polygon region.
Spans RowSpans(const std::vector<std::pair<int64_t, int64_t>>& pts, int64_t row) {
  std::vector<double> xs;
  const double y = (double)row + 0.5;
  for (size_t i = 0; i < pts.size(); ++i) {
    const auto& a = pts[i];
    const auto& b = pts[(i + 1) % pts.size()];
    if (a.second == b.second) continue;
    const double ylo = (double)std::min(a.second, b.second);
    const double yhi = (double)std::max(a.second, b.second);
    if (y < ylo || y >= yhi) continue;
    xs.push_back((double)a.first + (y - (double)a.second) * (double)(b.first - a.first) /
                                       (double)(b.second - a.second));
  }
  std::sort(xs.begin(), xs.end());
  Spans spans;
  for (size_t i = 0; i + 1 < xs.size(); i += 2) {
    int64_t from = (int64_t)std::ceil(xs[i] - 0.5);
    int64_t to = (int64_t)std::ceil(xs[i + 1] - 0.5);
    if (from < to) spans.emplace_back(from, to);
  }
  return spans;
}

Spans Union(const Spans& a, const Spans& b) {
  Spans all(a);
  all.insert(all.end(), b.begin(), b.end());
  std::sort(all.begin(), all.end());
  Spans out;
  for (const auto& s : all) {
    if (!out.empty() && s.first <= out.back().second)
      out.back().second = std::max(out.back().second, s.second);
    else
      out.push_back(s);
  }
  return out;
}

Spans Difference(const Spans& a, const Spans& b) {
  Spans out;
  size_t j = 0;
  for (auto s : a) {
    while (j < b.size() && b[j].second <= s.first) ++j;
    for (size_t k = j; k < b.size() && b[k].first < s.second; ++k) {
      if (b[k].first > s.first) out.emplace_back(s.first, b[k].first);
      s.first = std::max(s.first, b[k].second);
      if (s.first >= s.second) break;
    }
    if (s.first < s.second) out.push_back(s);
  }
  return out;
}

}  // namespace

double CPolyPolygon::GetRawArea() const {
  if (m_polygons.empty()) return 0.0;
  if (m_polygons.size() == 1) return m_polygons[0]->GetRawArea();
  // Measured on a grid of about 10000 cells along the longer side of the bounds: each member
  // becomes a polygon of whole cells, filled and combined row by row.
  const CRect bounds = GetBounds();
  const double w = (double)bounds.right - bounds.left;
  const double h = (double)bounds.bottom - bounds.top;
  const double step = (w > h ? w : h) * 0.0001;
  if (!(step > 0.0)) return 0.0;
  std::vector<std::vector<std::pair<int64_t, int64_t>>> members(m_polygons.size());
  int64_t rows = 0;
  for (size_t m = 0; m < m_polygons.size(); ++m) {
    const CPolygon& p = *m_polygons[m];
    for (int i = 0; i < p.GetSize(); ++i) {
      const CPoint& pt = p.GetData()[i];
      int64_t x = (int64_t)(((double)pt.x - bounds.left) / step);
      int64_t y = (int64_t)(((double)pt.y - bounds.top) / step);
      members[m].emplace_back(x, y);
      rows = std::max(rows, y + 1);
    }
  }
  double cells = 0.0;
  for (int64_t row = 0; row < rows; ++row) {
    Spans shape = members[0].size() >= 3 ? RowSpans(members[0], row) : Spans();
    for (size_t m = 1; m < members.size(); ++m) {
      const UINT value = GetValue((int)m);
      if ((value != combineUnion && value != combineDifference) || members[m].size() < 3) continue;
      Spans member = RowSpans(members[m], row);
      shape = value == combineUnion ? Union(shape, member) : Difference(shape, member);
    }
    for (const auto& s : shape) cells += (double)(s.second - s.first);
  }
  return cells * step * step;
}

double CPolyPolygon::GetRawLength() const {
  double length = 0.0;
  for (const auto& polygon : m_polygons) length += polygon->GetRawLength();
  return length;
}

void CPolyPolygon::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteCount((DWORD)m_polygons.size());
    for (const auto& polygon : m_polygons) polygon->Serialize(ar);
  } else {
    RemoveAll();
    // Members are made as they arrive: a damaged count runs out of bytes, not of memory.
    DWORD nCount = ar.ReadCount();
    for (DWORD i = 0; i < nCount; ++i) {
      auto polygon = std::make_unique<CPolygon>();
      polygon->Serialize(ar);
      m_polygons.push_back(std::move(polygon));
    }
  }
  m_values.Serialize(ar);
}
