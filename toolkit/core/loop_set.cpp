// Loop sets: allocation, copying and the point-containment test that segment clipping uses.
#include "toolkit/core/loop_set.h"

#include <cmath>
#include <cstring>

#include "toolkit/core/mem.h"

TkLoopSet* loop_set_alloc(int32_t loop_count, int32_t point_count) {
  if (loop_count < 0 || point_count < 0) return nullptr;
  auto* set = static_cast<TkLoopSet*>(mem_alloc(sizeof(TkLoopSet)));
  if (!set) return nullptr;
  set->loop_count = loop_count;
  set->counts = static_cast<int32_t*>(mem_alloc(sizeof(int32_t) * (loop_count ? loop_count : 1)));
  set->points =
      static_cast<double*>(mem_alloc(sizeof(double) * 2 * (point_count ? point_count : 1)));
  if (!set->counts || !set->points) {
    loop_set_free(set);
    return nullptr;
  }
  std::memset(set->counts, 0, sizeof(int32_t) * (loop_count ? loop_count : 1));
  std::memset(set->points, 0, sizeof(double) * 2 * (point_count ? point_count : 1));
  return set;
}

TkLoopSet* loop_set_from_points(const double* points, int32_t count) {
  TkLoopSet* set = loop_set_alloc(1, count);
  if (!set) return nullptr;
  set->counts[0] = count;
  if (count) std::memcpy(set->points, points, sizeof(double) * 2 * count);
  return set;
}

TkLoopSet* loop_set_copy(const TkLoopSet* set) {
  if (!set) return nullptr;
  int32_t total = loop_set_vertex_count(set);
  TkLoopSet* copy = loop_set_alloc(set->loop_count, total);
  if (!copy) return nullptr;
  if (set->loop_count) std::memcpy(copy->counts, set->counts, sizeof(int32_t) * set->loop_count);
  if (total) std::memcpy(copy->points, set->points, sizeof(double) * 2 * total);
  return copy;
}

void loop_set_free(TkLoopSet* set) {
  if (!set) return;
  mem_free(set->counts);
  mem_free(set->points);
  mem_free(set);
}

int32_t loop_set_count(const TkLoopSet* set) { return set ? set->loop_count : 0; }

int32_t loop_set_vertex_count(const TkLoopSet* set) {
  if (!set) return 0;
  int32_t total = 0;
  for (int32_t i = 0; i < set->loop_count; ++i) total += set->counts[i];
  return total;
}

namespace {

double distance_to_segment(double px, double py, double ax, double ay, double bx, double by) {
  double dx = bx - ax, dy = by - ay;
  double l2 = dx * dx + dy * dy;
  double t = l2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / l2 : 0.0;
  if (t < 0) t = 0;
  if (t > 1) t = 1;
  double fx = ax + t * dx - px, fy = ay + t * dy - py;
  return std::sqrt(fx * fx + fy * fy);
}

}  // namespace

int16_t loop_set_contains_point(const TkLoopSet* set, double x, double y, double tolerance) {
  if (!set) return 0;
  bool inside = false;
  const double* p = set->points;
  for (int32_t l = 0; l < set->loop_count; ++l) {
    int32_t n = set->counts[l];
    for (int32_t i = 0, j = n - 1; i < n; j = i++) {
      double xi = p[2 * i], yi = p[2 * i + 1], xj = p[2 * j], yj = p[2 * j + 1];
      if (distance_to_segment(x, y, xj, yj, xi, yi) <= tolerance) return 1;
      if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    p += 2 * n;
  }
  return inside ? 1 : 0;
}
