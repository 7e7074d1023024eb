// Loop sets: allocation, copying, the wrappers around the polygon clipper, the
// point-containment test that segment clipping and hit tests use, and the outline of a
// viewport's clipping entity.
#include "toolkit/core/loop_set.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/solid_outline.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"

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

// Entity outlines: the clipping entity of a paper-space viewport as one list of points.
namespace {

constexpr double kOutlineTwoPi = 6.283185307179586;

void put_point(TkBlob* w, double x, double y, double z) {
  const double p[3] = {x, y, z};
  blob_write(w, p, sizeof p);
}

int32_t arc_pieces(double sweep, int32_t resolution) {
  double n = std::round(std::fabs(sweep) * resolution / kOutlineTwoPi);
  if (!(n >= 2)) return 2;
  return n > 100000 ? 100000 : int32_t(n);
}

// n + 1 points from the start angle over the sweep, each rotated from the one before.
void tessellate_arc(TkBlob* w, const double c[3], double start, double sweep, double r,
                    int32_t resolution) {
  int32_t n = arc_pieces(sweep, resolution);
  double x = r * std::cos(start), y = r * std::sin(start);
  double cs = std::cos(sweep / n), sn = std::sin(sweep / n);
  put_point(w, c[0] + x, c[1] + y, c[2]);
  for (int32_t i = 0; i < n; ++i) {
    double nx = x * cs - y * sn;
    y = x * sn + y * cs;
    x = nx;
    put_point(w, c[0] + x, c[1] + y, c[2]);
  }
}

void tessellate_ellipse(TkBlob* w, const TkEntityData* data, int32_t resolution) {
  double c[3], m[2];
  for (int i = 0; i < 3; ++i) c[i] = tk_data_get<double>(data, 8 * size_t(i));
  m[0] = tk_data_get<double>(data, 24);
  m[1] = tk_data_get<double>(data, 32);
  double ratio = tk_data_get<double>(data, 48);
  double start = tk_data_get<double>(data, 56), end = tk_data_get<double>(data, 64);
  double a = std::hypot(m[0], m[1]), b = a * ratio;
  double theta = std::atan2(m[1], m[0]);
  if (end <= start) end += kOutlineTwoPi;
  int32_t n = arc_pieces(end - start, resolution);
  double ct = std::cos(theta), st = std::sin(theta);
  for (int32_t i = 0; i <= n; ++i) {
    double t = start + (end - start) * i / n;
    double x = a * std::cos(t), y = b * std::sin(t);
    put_point(w, c[0] + x * ct - y * st, c[1] + x * st + y * ct, 0.0);
  }
}

struct OutlineVertex {
  double x, y, z, bulge;
};

// The vertices in order; an arc to the next vertex where the bulge is not negligible, and back
// to the first after the last.
void tessellate_polyline(TkBlob* w, const std::vector<OutlineVertex>& v, int32_t resolution) {
  for (size_t i = 0; i < v.size(); ++i) {
    const OutlineVertex& prev = v[i ? i - 1 : 0];
    if (i == 0 || std::fabs(prev.bulge) < 5e-5) {
      put_point(w, v[i].x, v[i].y, v[i].z);
      continue;
    }
    double angle = 4 * std::atan(prev.bulge), cx = 0, cy = 0, r = 0;
    const double p0[2] = {prev.x, prev.y}, p1[2] = {v[i].x, v[i].y};
    tk_arc_from_chord(p0, p1, angle, &cx, &cy, &r);
    const double c[3] = {cx, cy, v[i].z};
    tessellate_arc(w, c, std::atan2(prev.y - cy, prev.x - cx), angle, r, resolution);
  }
  if (v.size() > 1 && std::fabs(v.back().bulge) >= 5e-5) {
    double angle = 4 * std::atan(v.back().bulge), cx = 0, cy = 0, r = 0;
    const double p0[2] = {v.back().x, v.back().y}, p1[2] = {v[0].x, v[0].y};
    tk_arc_from_chord(p0, p1, angle, &cx, &cy, &r);
    const double c[3] = {cx, cy, v[0].z};
    tessellate_arc(w, c, std::atan2(p0[1] - cy, p0[0] - cx), angle, r, resolution);
  }
}

}  // namespace

TkBlob* tk_entity_outline(TkDrawing* drawing, TkList* list, const TkHandle* clip) {
  if (!drawing || !list || !clip || tk_handle_is_null(clip)) return nullptr;
  auto* h = static_cast<TkEntityHeader*>(mem_alloc(sizeof(TkEntityHeader)));
  auto* d = static_cast<TkEntityData*>(mem_alloc(sizeof(TkEntityData)));
  TkBlob* blob = nullptr;
  TkBlob* w = nullptr;
  std::vector<OutlineVertex> vertices;
  int32_t resolution = tk_get_curve_resolution();
  if (resolution < 4) resolution = 72;
  uint16_t lw = drawing->class_numbers[TK_CLASS_LWPOLYLINE];
  if (!h || !d || !tk_get_entity_by_handle(drawing, list, clip, h, d)) goto done;
  if (h->kind == TK_SPLINE && !(tk_state && tk_state->spline_outline)) goto done;
  if (h->kind != TK_CIRCLE && h->kind != TK_ELLIPSE && h->kind != TK_POLYLINE &&
      h->kind != TK_SPLINE &&
      h->kind != TK_REGION && h->kind != TK_3DSOLID && h->kind != TK_BODY &&
      !(lw && h->kind == lw))
    goto done;
  blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
  w = blob ? blob_create(blob) : nullptr;
  if (!w) goto done;
  if (h->kind == TK_CIRCLE) {
    double c[3];
    for (int i = 0; i < 3; ++i) c[i] = tk_data_get<double>(d, 8 * size_t(i));
    tessellate_arc(w, c, 0.0, kOutlineTwoPi, tk_data_get<double>(d, 24), resolution);
  } else if (h->kind == TK_ELLIPSE) {
    tessellate_ellipse(w, d, resolution);
  } else if (h->kind == TK_SPLINE) {
    if (!tk_state->spline_outline(drawing, d, w, resolution)) {
      blob_close(w);
      blob_free(blob);
      blob = nullptr;
      goto done;
    }
  } else if (h->kind == TK_REGION || h->kind == TK_3DSOLID || h->kind == TK_BODY) {
    tk_solid_outline(d, w, resolution);
  } else if (h->kind == TK_POLYLINE) {
    while (entity_list_next(list, h, d) && h->kind == TK_VERTEX) {
      OutlineVertex v{tk_data_get<double>(d, 0), tk_data_get<double>(d, 8),
                      tk_data_get<double>(d, 16), tk_data_get<double>(d, 56)};
      if (tk_data_get<uint16_t>(d, TK_VERTEX_FLAGS) & 16) continue;
      if (!vertices.empty() && vertices.back().x == v.x && vertices.back().y == v.y &&
          vertices.back().z == v.z)
        continue;
      vertices.push_back(v);
    }
    tessellate_polyline(w, vertices, resolution);
  } else {
    uint16_t flags = tk_data_get<uint16_t>(d, TK_LWPOLYLINE_FLAGS);
    uint32_t n = tk_data_get<uint32_t>(d, TK_LWPOLYLINE_COUNT);
    double z = (flags & TK_LWPL_ELEVATION) ? tk_data_get<double>(d, TK_LWPOLYLINE_ELEVATION) : 0;
    TkBlob* stored = tk_data_blob(d, TK_LWPOLYLINE_VERTICES);
    TkBlob* r = stored ? blob_open_read(stored) : nullptr;
    for (uint32_t i = 0; r && i < n; ++i) {
      double xy[2], bulge = 0, widths[2];
      if (!blob_read(r, xy, sizeof xy)) break;
      if ((flags & TK_LWPL_BULGES) && !blob_read(r, &bulge, sizeof bulge)) break;
      if ((flags & TK_LWPL_WIDTHS) && !blob_read(r, widths, sizeof widths)) break;
      OutlineVertex v{xy[0], xy[1], z, bulge};
      if (!vertices.empty() && vertices.back().x == v.x && vertices.back().y == v.y) continue;
      vertices.push_back(v);
    }
    if (r) blob_close(r);
    tessellate_polyline(w, vertices, resolution);
  }
  if (!blob_close_write(w)) {
    blob_free(blob);
    blob = nullptr;
  }
done:
  mem_free(h);
  mem_free(d);
  return blob;
}
