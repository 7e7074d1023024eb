// Loop sets: allocation, copying, the wrappers around the polygon clipper and the
// point-containment test that segment clipping and hit tests use.
#include "toolkit/core/loop_set.h"

#include <cmath>
#include <cstring>

#include "toolkit/core/mem.h"

namespace {

TkLoopSet* new_empty_set() {
  auto* set = static_cast<TkLoopSet*>(mem_alloc(sizeof(TkLoopSet)));
  if (set) *set = TkLoopSet{0, nullptr, nullptr};
  return set;
}

// Distance test of a point to a segment, as display generation measures it.
bool near_segment(double px, double py, const TkClipVertex& a, const TkClipVertex& b, double tol) {
  double dx = b.x - a.x, dy = b.y - a.y;
  double l2 = dx * dx + dy * dy;
  double fx = a.x, fy = a.y;
  if (l2 >= tol * tol && l2 > 0) {
    double t = ((px - a.x) * dx + (py - a.y) * dy) / l2;
    if (t >= 1) {
      fx = b.x;
      fy = b.y;
    } else if (t > 0) {
      fx = a.x + t * dx;
      fy = a.y + t * dy;
    }
  }
  double ex = px - fx, ey = py - fy;
  return std::sqrt(ex * ex + ey * ey) <= tol;
}

}  // namespace

TkLoopSet* loop_set_alloc(int32_t loop_count, const int32_t* counts) {
  if (loop_count < 0 || (loop_count > 0 && !counts)) return nullptr;
  TkLoopSet* set = new_empty_set();
  if (!set || loop_count == 0) return set;
  set->holes = static_cast<int32_t*>(mem_alloc(sizeof(int32_t) * size_t(loop_count)));
  set->contours = static_cast<TkClipContour*>(mem_alloc(sizeof(TkClipContour) * size_t(loop_count)));
  if (!set->holes || !set->contours) {
    loop_set_free(set);
    return nullptr;
  }
  std::memset(set->holes, 0, sizeof(int32_t) * size_t(loop_count));
  std::memset(set->contours, 0, sizeof(TkClipContour) * size_t(loop_count));
  set->count = loop_count;
  for (int32_t i = 0; i < loop_count; ++i) {
    int32_t n = counts[i] > 0 ? counts[i] : 0;
    set->contours[i].vertices =
        static_cast<TkClipVertex*>(mem_alloc(sizeof(TkClipVertex) * size_t(n ? n : 1)));
    if (!set->contours[i].vertices) {
      loop_set_free(set);
      return nullptr;
    }
    set->contours[i].count = n;
  }
  return set;
}

TkLoopSet* loop_set_from_points(const double* points, int32_t count) {
  if (count < 0 || (count > 0 && !points)) return nullptr;
  TkLoopSet* set = loop_set_alloc(1, &count);
  if (!set) return nullptr;
  for (int32_t i = 0; i < count; ++i)
    set->contours[0].vertices[i] = TkClipVertex{points[2 * i], points[2 * i + 1]};
  return set;
}

TkLoopSet* loop_set_copy(const TkLoopSet* set) {
  if (!set) return nullptr;
  TkLoopSet* copy = new_empty_set();
  if (!copy || set->count <= 0) return copy;
  copy->holes = static_cast<int32_t*>(mem_alloc(sizeof(int32_t) * size_t(set->count)));
  copy->contours =
      static_cast<TkClipContour*>(mem_alloc(sizeof(TkClipContour) * size_t(set->count)));
  if (!copy->holes || !copy->contours) {
    loop_set_free(copy);
    return nullptr;
  }
  std::memset(copy->contours, 0, sizeof(TkClipContour) * size_t(set->count));
  copy->count = set->count;
  for (int32_t i = 0; i < set->count; ++i) {
    copy->holes[i] = set->holes ? set->holes[i] : 0;
    int32_t n = set->contours[i].count > 0 ? set->contours[i].count : 0;
    copy->contours[i].vertices =
        static_cast<TkClipVertex*>(mem_alloc(sizeof(TkClipVertex) * size_t(n ? n : 1)));
    if (!copy->contours[i].vertices) {
      loop_set_free(copy);
      return nullptr;
    }
    copy->contours[i].count = n;
    if (n) std::memcpy(copy->contours[i].vertices, set->contours[i].vertices, sizeof(TkClipVertex) * size_t(n));
  }
  return copy;
}

void loop_set_free(TkLoopSet* set) {
  if (!set) return;
  clip_free_polygon(set);
  mem_free(set);
}

int32_t loop_set_count(const TkLoopSet* set) { return set ? set->count : 0; }

int32_t loop_set_vertex_count(const TkLoopSet* set, int32_t loop) {
  if (!set || loop < 0 || loop >= set->count) return 0;
  return set->contours[loop].count;
}

const TkClipVertex* loop_set_points(const TkLoopSet* set, int32_t loop) {
  if (!set || loop < 0 || loop >= set->count) return nullptr;
  return set->contours[loop].vertices;
}

int32_t loop_set_intersect(const TkLoopSet* a, const TkLoopSet* b, TkLoopSet** out) {
  *out = new_empty_set();
  if (!*out) return -1;
  if (!polygon_clip(CLIP_INTERSECTION, a, b, *out)) {
    loop_set_free(*out);
    *out = nullptr;
    return -1;
  }
  return (*out)->count;
}

int32_t loop_set_clip_to_strips(const TkLoopSet* a, const TkLoopSet* b, TkTriStrip* out) {
  *out = TkTriStrip{0, nullptr};
  return tristrip_clip(CLIP_INTERSECTION, a, b, out) ? out->count : -1;
}

int32_t loop_set_to_strips(const TkLoopSet* set, TkTriStrip* out) {
  *out = TkTriStrip{0, nullptr};
  return clip_polygon_to_tristrip(set, out) ? out->count : -1;
}

void strips_free(TkTriStrip* strips) { clip_free_tristrip(strips); }

int32_t strips_vertex_count(const TkTriStrip* strips, int32_t strip) {
  if (!strips || strip < 0 || strip >= strips->count) return 0;
  return strips->strips[strip].count;
}

const TkClipVertex* strips_points(const TkTriStrip* strips, int32_t strip) {
  if (!strips || strip < 0 || strip >= strips->count) return nullptr;
  return strips->strips[strip].vertices;
}

int16_t polygon_contains_point(const double point[2], int32_t count, const TkClipVertex* points,
                               double tolerance) {
  if (count < 1 || !points) return 0;
  double x = point[0], y = point[1];
  bool inside = false;
  for (int32_t i = 0, j = count - 1; i < count; j = i++) {
    const TkClipVertex& cur = points[i];
    const TkClipVertex& prev = points[j];
    if (near_segment(x, y, prev, cur, tolerance)) return 1;
    // Half-open in y: a vertex at the point's height belongs to the edge above it only.
    if ((cur.y > y) != (prev.y > y)) {
      double cross = cur.x + (y - cur.y) * (prev.x - cur.x) / (prev.y - cur.y);
      if (std::fabs(x - cross) < tolerance) return 1;
      if (cross > x) inside = !inside;
    }
  }
  return inside ? 1 : 0;
}

int16_t loop_set_contains_point(double x, double y, const TkLoopSet* set, double tolerance) {
  if (!set) return 0;
  double p[2] = {x, y};
  int32_t sum = 0;
  for (int32_t i = 0; i < set->count; ++i) {
    if (polygon_contains_point(p, set->contours[i].count, set->contours[i].vertices, tolerance))
      sum += set->holes && set->holes[i] ? -1 : 1;
  }
  return sum > 0 ? 1 : 0;
}
