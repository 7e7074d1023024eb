// Filled output: quadrilaterals, polygons and regions of several loops in entity coordinates
// taken to the device, cleaned, clipped to the viewport window or, while boundaries are pushed
// (clipped insertions, viewports with outlines), to the clip stack's loops, truncated to integers
// and sent to the fill-polygon slot (as triangles where loops are long or have holes) or to the
// fill-loops slot; and the growable buffers the vector output works in.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "toolkit/core/hdr.h"
#include "toolkit/core/loop_set.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/display/regen.h"

namespace {

uint32_t round_up(uint32_t size) { return (size + 1023u) / 1024u * 1024u; }

void to_device(const double p[3], const double m[16], double out[2]) {
  out[0] = p[0] * m[0] + p[1] * m[4] + p[2] * m[8] + m[12];
  out[1] = p[0] * m[1] + p[1] * m[5] + p[2] * m[9] + m[13];
}

bool fill_drawn_anyway(const TkDrawing* drawing, uint16_t kind) {
  uint16_t lw = drawing->class_numbers[TK_CLASS_LWPOLYLINE];
  return kind == TK_MLINE || kind == TK_TEXT || (lw && kind == lw);
}

// Sutherland-Hodgman against one edge a x + b y + c >= 0; returns the new count.
size_t clip_edge(const std::vector<double>& in, std::vector<double>& out, double a, double b,
                 double c) {
  out.clear();
  size_t n = in.size() / 2;
  if (!n) return 0;
  auto dist = [&](size_t i) {
    double d = a * in[2 * i] + b * in[2 * i + 1] + c;
    return std::fabs(d) < 1e-10 ? 0.0 : d;
  };
  size_t prev = n - 1;
  double dp = dist(prev);
  for (size_t i = 0; i < n; ++i) {
    double di = dist(i);
    if ((dp > 0 && di < 0) || (dp < 0 && di > 0)) {
      double w = std::fabs(dp) + std::fabs(di);
      out.push_back((std::fabs(di) * in[2 * prev] + std::fabs(dp) * in[2 * i]) / w);
      out.push_back((std::fabs(di) * in[2 * prev + 1] + std::fabs(dp) * in[2 * i + 1]) / w);
    }
    if (di >= 0) {
      out.push_back(in[2 * i]);
      out.push_back(in[2 * i + 1]);
    }
    prev = i;
    dp = di;
  }
  return out.size() / 2;
}

std::vector<double> g_work_a, g_work_b;
std::vector<int32_t> g_ints;

// Device coordinates truncated toward zero; false when one does not fit a 32-bit integer.
bool to_ints(const TkClipVertex* p, int32_t n, std::vector<int32_t>& out) {
  const double lim = 2147483520.0;
  out.resize(2 * size_t(n));
  for (int32_t i = 0; i < n; ++i) {
    if (!(std::fabs(p[i].x) <= lim) || !(std::fabs(p[i].y) <= lim)) return false;
    out[2 * size_t(i)] = static_cast<int32_t>(p[i].x);
    out[2 * size_t(i) + 1] = static_cast<int32_t>(p[i].y);
  }
  return true;
}

// What boundary a fill in viewport v is cut to: the clip stack's loops of v while a boundary is
// pushed or the viewport has its own outline, else null (the viewport's rectangle alone).
const TkLoopSet* pushed_boundary(int v) {
  const TkDisplayState* s = tk_regen.state;
  return tk_clip_has_loops(s, v) ? s->clip->sets[v] : nullptr;
}

// Sends the triangles of strips through the fill-polygon slot.
void emit_strips(TkDrawing* drawing, const TkTriStrip& strips, TkDisplayState* state) {
  std::vector<int32_t> ints;
  for (int32_t k = 0; k < strips.count; ++k) {
    int32_t n = strips_vertex_count(&strips, k);
    const TkClipVertex* p = strips_points(&strips, k);
    for (int32_t i = 0; i + 2 < n; ++i)
      if (to_ints(p + i, 3, ints)) emit_fill_polygon(3, ints.data(), drawing, state);
  }
}

void fill_view(TkDrawing* drawing, const double corners[][3], int32_t count,
               TkConstViewMatrices matrices, int v, const double fill_matrix[16]) {
  TkDisplayState* s = tk_regen.state;
  const TkEntityHeader* h = tk_display_callbacks->scratch_header;
  if (!fill_drawn_anyway(drawing, h->kind) && !fill_faces_viewer(v)) {
    for (int32_t i = 0; i < count; ++i)
      regen_draw_segment(drawing, corners[i], corners[(i + 1) % count], matrices, v);
    return;
  }
  std::vector<double>& pts = g_work_a;
  pts.resize(2 * size_t(count));
  for (int32_t i = 0; i < count; ++i) to_device(corners[i], fill_matrix, &pts[2 * size_t(i)]);
  for (double d : pts)
    if (!std::isfinite(d)) return;
  int32_t n = polygon_drop_duplicates(pts.data(), count);
  if (v == 0 && tk_regen.host && !tk_regen.host->extents_drawn)
    for (int32_t i = 0; i < n; ++i) regen_widen_extents(pts[2 * i], pts[2 * i + 1]);
  if (n < 2) return;
  if (n == 2) {
    regen_output_segment(drawing, pts[0], pts[1], pts[2], pts[3], v);
    return;
  }
  if (const TkLoopSet* boundary = pushed_boundary(v)) {
    TkLoopSet* mine = loop_set_from_points(pts.data(), n);
    TkLoopSet* cut = nullptr;
    if (!mine || loop_set_intersect(mine, boundary, &cut) < 0) {
      loop_set_free(mine);
      tk_fail_alloc(TK_ERR_REGEN_FILL);
      return;
    }
    loop_set_free(mine);
    emit_fill_loops(drawing, cut, v != 0 ? tk_regen.host : nullptr);
    loop_set_free(cut);
    return;
  }
  const double* r = s->viewports[v].rect;
  double window[4] = {std::fmin(r[0], r[2]), std::fmin(r[1], r[3]),
                      std::fmax(r[0], r[2]) - 0.5, std::fmax(r[1], r[3]) - 0.5};
  g_ints.resize(2 * (size_t(n) * 2 + 8));
  int32_t out_count = 0;
  if (!clip_polygon_to_window(n, pts.data(), window, &out_count, g_ints.data())) return;
  emit_fill_polygon(out_count, g_ints.data(), drawing, nullptr);
}

}  // namespace

uint8_t* grow_buffer(TkGrowBuffer* buffer, uint32_t size) {
  if (buffer->data && buffer->capacity >= size) return buffer->data;
  mem_free(buffer->data);
  uint32_t cap = round_up(size ? size : 1);
  buffer->data = static_cast<uint8_t*>(mem_alloc(cap));
  buffer->capacity = buffer->data ? cap : 0;
  return buffer->data;
}

uint8_t* grow_buffer_keep(TkGrowBuffer* buffer, uint32_t size) {
  if (buffer->data && buffer->capacity >= size) return buffer->data;
  uint32_t cap = round_up(size ? size : 1);
  auto* data = static_cast<uint8_t*>(mem_alloc(cap));
  if (data && buffer->data) std::memcpy(data, buffer->data, buffer->capacity);
  mem_free(buffer->data);
  buffer->data = data;
  buffer->capacity = data ? cap : 0;
  return data;
}

int16_t sign_tolerance(double value) {
  if (value > 1e-10) return 1;
  if (value < -1e-10) return -1;
  return 0;
}

int32_t polygon_drop_duplicates(double* points, int32_t count) {
  int32_t n = 0;
  for (int32_t i = 0; i < count; ++i) {
    double x = points[2 * i], y = points[2 * i + 1];
    if (i + 1 < count && std::fabs(x - points[2 * i + 2]) <= 1e-10 &&
        std::fabs(y - points[2 * i + 3]) <= 1e-10)
      continue;
    points[2 * n] = x;
    points[2 * n + 1] = y;
    ++n;
  }
  if (n > 1 && std::fabs(points[0] - points[2 * n - 2]) <= 1e-10 &&
      std::fabs(points[1] - points[2 * n - 1]) <= 1e-10)
    --n;
  return n;
}

int16_t clip_polygon_to_window(int32_t count, const double* points, const double window[4],
                               int32_t* out_count, int32_t* out_points) {
  *out_count = 0;
  if (count < 3) return 0;
  bool all_right = true, all_left = true, all_above = true, all_below = true;
  for (int32_t i = 0; i < count; ++i) {
    double x = points[2 * i], y = points[2 * i + 1];
    all_right = all_right && x >= window[2];
    all_left = all_left && x <= window[0];
    all_above = all_above && y >= window[3];
    all_below = all_below && y <= window[1];
  }
  if (all_right || all_left || all_above || all_below) return 0;
  // The work lists are sized from the input: each window edge adds at most one point per
  // crossing, so no outline, however long, can overrun them.
  std::vector<double> a(points, points + 2 * size_t(count)), b;
  double cross = (a[2] - a[0]) * (a[5] - a[3]) - (a[3] - a[1]) * (a[4] - a[2]);
  if (sign_tolerance(cross) < 0) {
    for (int32_t i = 0, j = count - 1; i < j; ++i, --j) {
      std::swap(a[2 * i], a[2 * j]);
      std::swap(a[2 * i + 1], a[2 * j + 1]);
    }
  }
  const double edges[4][3] = {{1, 0, -window[0]},
                              {0, 1, -window[1]},
                              {-1, 0, window[2]},
                              {0, -1, window[3]}};
  for (const auto& e : edges) {
    if (clip_edge(a, b, e[0], e[1], e[2]) < 3) return 0;
    a.swap(b);
  }
  int32_t n = static_cast<int32_t>(a.size() / 2);
  const double lim = 2147483520.0;
  for (double v : a)
    if (!(std::fabs(v) <= lim)) return 0;
  // The caller sized out_points for 2 * count + 8 points; a convex window adds at most one
  // point per edge to each crossing pair, which the bound covers.
  if (n > 2 * count + 8) n = 2 * count + 8;
  for (int32_t i = 0; i < 2 * n; ++i) out_points[i] = static_cast<int32_t>(a[size_t(i)]);
  *out_count = n;
  return 1;
}

void emit_fill_polygon(int32_t count, const int32_t* points, TkDrawing* drawing,
                       TkDisplayState* state) {
  if (state && !state->extents_drawn) {
    for (int32_t i = 0; i < count; ++i) {
      state->drawn[0] = std::fmin(state->drawn[0], points[2 * i]);
      state->drawn[1] = std::fmin(state->drawn[1], points[2 * i + 1]);
      state->drawn[2] = std::fmax(state->drawn[2], points[2 * i]);
      state->drawn[3] = std::fmax(state->drawn[3], points[2 * i + 1]);
    }
  }
  if (count <= 1 || count > 32767) return;
  bool same_x = true, same_y = true;
  for (int32_t i = 1; i < count; ++i) {
    same_x = same_x && points[2 * i] == points[0];
    same_y = same_y && points[2 * i + 1] == points[1];
  }
  if (same_x || same_y) return;
  TkDisplayCallbacks* cb = tk_display_callbacks;
  int16_t range[2] = {0, static_cast<int16_t>(count - 1)};
  if (cb->fill_polygon) cb->fill_polygon(range, points, drawing->user_data);
}

void emit_fill_loops(TkDrawing* drawing, const TkLoopSet* set, TkDisplayState* state) {
  int32_t loops = loop_set_count(set);
  bool strips = false;
  for (int32_t i = 0; i < loops; ++i)
    strips = strips || loop_set_vertex_count(set, i) > 9 || (set->holes && set->holes[i]);
  // Long loops, and loops with holes (sent one by one, a hole would be filled over), go as
  // triangles.
  if (strips) {
    TkTriStrip t{0, nullptr};
    if (loop_set_to_strips(set, &t) < 0) {
      tk_fail_alloc(TK_ERR_REGEN_FILL);
      return;
    }
    emit_strips(drawing, t, state);
    strips_free(&t);
    return;
  }
  std::vector<int32_t> ints;
  for (int32_t i = loops - 1; i >= 0; --i) {
    int32_t n = loop_set_vertex_count(set, i);
    if (to_ints(loop_set_points(set, i), n, ints)) emit_fill_polygon(n, ints.data(), drawing, state);
  }
}

int16_t regen_fill_region(TkDrawing* drawing, const double (*points)[3], const int32_t* counts,
                          int32_t loop_count, TkConstViewMatrices matrices) {
  int64_t total = 0;
  for (int32_t i = 0; i < loop_count; ++i) total += counts[i] > 0 ? counts[i] : 0;
  if (total == 0) return 1;
  TkRegenContext& r = tk_regen;
  TkDisplayCallbacks* cb = tk_display_callbacks;
  std::vector<int32_t> sizes(counts, counts + loop_count);
  for (int32_t& n : sizes) n = n > 0 ? n : 0;
  int first, end;
  regen_viewport_range(&first, &end);
  for (int v = first; v < end; ++v) {
    if (!regen_viewport_served(v)) continue;
    TkLoopSet* set = loop_set_alloc(loop_count, sizes.data());
    if (!set) return tk_fail_alloc(TK_ERR_REGEN_FILL);
    bool finite = true;
    const double (*p)[3] = points;
    for (int32_t k = 0; k < loop_count; ++k) {
      TkClipVertex* out = set->contours[k].vertices;
      for (int32_t i = 0; i < sizes[size_t(k)]; ++i, ++p) {
        double dev[2];
        to_device(*p, matrices[v], dev);
        finite = finite && std::isfinite(dev[0]) && std::isfinite(dev[1]);
        out[i] = TkClipVertex{dev[0], dev[1]};
        if (v == 0 && r.host && !r.host->extents_drawn) regen_widen_extents(dev[0], dev[1]);
      }
    }
    // The region is what the clip stack leaves of the viewport, or its rectangle.
    const TkLoopSet* boundary = pushed_boundary(v);
    TkLoopSet* rect = nullptr;
    if (!boundary) {
      const double* rc = r.state->viewports[v].rect;
      double x0 = std::fmin(rc[0], rc[2]), x1 = std::fmax(rc[0], rc[2]) - 0.5;
      double y0 = std::fmin(rc[1], rc[3]), y1 = std::fmax(rc[1], rc[3]) - 0.5;
      const double corners[8] = {x0, y0, x1, y0, x1, y1, x0, y1};
      boundary = rect = loop_set_from_points(corners, 4);
    }
    int16_t ok = finite && boundary ? 1 : 0;
    if (ok && cb->fill_loops) {
      TkLoopSet* cut = nullptr;
      ok = loop_set_intersect(set, boundary, &cut) >= 0;
      std::vector<int32_t> ints, loop_sizes, one;
      for (int32_t k = 0; ok && k < loop_set_count(cut); ++k) {
        int32_t n = loop_set_vertex_count(cut, k);
        if (!to_ints(loop_set_points(cut, k), n, one)) continue;
        ints.insert(ints.end(), one.begin(), one.end());
        loop_sizes.push_back(n);
      }
      if (ok && !loop_sizes.empty())
        cb->fill_loops(ints.data(), loop_sizes.data(), int32_t(loop_sizes.size()),
                       drawing->user_data);
      loop_set_free(cut);
    } else if (ok) {
      // Without the fill-loops slot every loop (holes cut out by their parity) goes as triangles.
      TkTriStrip t{0, nullptr};
      ok = loop_set_clip_to_strips(set, boundary, &t) >= 0;
      if (ok) emit_strips(drawing, t, v != 0 ? r.host : nullptr);
      strips_free(&t);
    }
    loop_set_free(rect);
    loop_set_free(set);
    if (!ok && finite) return tk_fail_alloc(TK_ERR_REGEN_FILL);
  }
  return 1;
}

bool fill_faces_viewer(int v) {
  const TkDrawing* drawing = tk_regen.drawing;
  if (!drawing || !drawing->header || drawing->header->fillmode == 0) return false;
  const TkEntityHeader* h = tk_display_callbacks->scratch_header;
  if (h->kind == TK_LEADER) return true;
  bool extruded = (h->flags & TK_ENTITY_EXTRUDED) != 0;
  bool edge_on = (tk_regen.edge_on_mask >> v) & 1;
  if (!extruded) return edge_on;
  const double* d = tk_regen.state->viewports[v].direction;
  const double* n = h->extrusion;
  double c[3] = {d[1] * n[2] - d[2] * n[1], d[2] * n[0] - d[0] * n[2], d[0] * n[1] - d[1] * n[0]};
  return c[0] * c[0] + c[1] * c[1] + c[2] * c[2] < 2e-12;
}

void regen_fill_polygon(TkDrawing* drawing, const double (*points)[3], int32_t count,
                        TkConstViewMatrices matrices) {
  if (count <= 0) return;
  const TkEntityHeader* h = tk_display_callbacks->scratch_header;
  int first, end;
  regen_viewport_range(&first, &end);
  bool ecs = (h->flags & TK_ENTITY_EXTRUDED) && h->kind != TK_MLINE && h->kind != TK_LEADER;
  double ecs_m[16];
  if (ecs) tk_matrix_from_extrusion(h->extrusion, ecs_m);
  for (int v = first; v < end; ++v) {
    if (!regen_viewport_served(v)) continue;
    double fm[16];
    if (ecs)
      tk_matrix_multiply(ecs_m, matrices[v], fm);
    else
      std::memcpy(fm, matrices[v], sizeof fm);
    fill_view(drawing, points, count, matrices, v, fm);
  }
}

void regen_fill_quad(TkDrawing* drawing, const double corners[4][3], TkConstViewMatrices matrices) {
  regen_fill_polygon(drawing, corners, 4, matrices);
}
