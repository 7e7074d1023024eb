// Polylines: bulges expanded into sub-arcs, wide segments as quadrilaterals joined by mitres (or
// left open with a notch where a mitre would spike), thin segments through the linetype walk,
// and the two mesh forms (M x N polygon mesh, polyface mesh). The dispatcher collects the
// vertices; this file only turns them into pieces.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "toolkit/core/hdr.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/display/regen.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2 * kPi;
constexpr double kMitreMin = 0.50536052;
constexpr double kStraightOn = 3.014240230182893;

double reduce(double a) {
  a = std::fmod(a, kTwoPi);
  return a < 0 ? a + kTwoPi : a;
}

// One straight piece of the polyline after bulges were expanded.
struct Seg {
  double a[3], b[3];
  double w0, w1;
  double d0, d1;  // perpendicular directions at either end, TK_NO_DIRECTION when chordal
  bool arc;
  double length;  // 0 for straight segments, else the on-screen arc length
  double radius;  // of the arc a sub-arc belongs to
  double ls[3], rs[3], le[3], re[3];  // corner points
};

void corners(Seg& s) {
  double chord = std::atan2(s.b[1] - s.a[1], s.b[0] - s.a[0]) + kPi / 2;
  chord = reduce(chord);
  double d0 = s.d0 == TK_NO_DIRECTION ? chord : reduce(s.d0);
  double d1 = s.d1 == TK_NO_DIRECTION ? chord : reduce(s.d1);
  auto left = [&](double d) {
    double diff = std::fabs(d - chord);
    if (diff >= kPi / 2 && diff <= 3 * kPi / 2) d = reduce(d + kPi);
    return d;
  };
  d0 = left(d0);
  d1 = left(d1);
  double h0 = s.w0 / 2, h1 = s.w1 / 2;
  for (int i = 0; i < 3; ++i) s.ls[i] = s.rs[i] = s.a[i];
  for (int i = 0; i < 3; ++i) s.le[i] = s.re[i] = s.b[i];
  s.ls[0] += std::cos(d0) * h0;
  s.ls[1] += std::sin(d0) * h0;
  s.rs[0] -= std::cos(d0) * h0;
  s.rs[1] -= std::sin(d0) * h0;
  s.le[0] += std::cos(d1) * h1;
  s.le[1] += std::sin(d1) * h1;
  s.re[0] -= std::cos(d1) * h1;
  s.re[1] -= std::sin(d1) * h1;
}

bool line_intersect(const double p0[3], const double p1[3], const double q0[3],
                    const double q1[3], double out[3]) {
  double d[2] = {p1[0] - p0[0], p1[1] - p0[1]}, e[2] = {q1[0] - q0[0], q1[1] - q0[1]};
  double cross = d[1] * e[0] - d[0] * e[1];
  double t;
  if (std::fabs(cross) > 1e-6 * std::fabs(d[1] * e[1] + d[0] * e[0])) {
    t = ((q0[1] - p0[1]) * e[0] - (q0[0] - p0[0]) * e[1]) / cross;
  } else {
    auto same = [](const double* a, const double* b) {
      for (int i = 0; i < 2; ++i)
        if (std::fabs(a[i] - b[i]) > (std::fabs(a[i]) + std::fabs(b[i])) * 1e-7 + 1e-8)
          return false;
      return true;
    };
    if (same(p0, q0) || same(p0, q1))
      t = 0;
    else if (same(p1, q0) || same(p1, q1))
      t = 1;
    else
      return false;
  }
  out[0] = p0[0] + t * d[0];
  out[1] = p0[1] + t * d[1];
  out[2] = p1[2];
  return std::isfinite(out[0]) && std::isfinite(out[1]);
}

double angle_at(const double p0[3], const double p1[3], const double p2[3]) {
  double a[2] = {p0[0] - p1[0], p0[1] - p1[1]}, b[2] = {p2[0] - p1[0], p2[1] - p1[1]};
  double la = std::hypot(a[0], a[1]), lb = std::hypot(b[0], b[1]);
  if (la == 0 || lb == 0) return kPi;
  double c = (a[0] * b[0] + a[1] * b[1]) / (la * lb);
  return std::acos(std::fmax(-1.0, std::fmin(1.0, c)));
}

double join_min_angle(const Seg& s, const Seg& t) {
  double w = (std::fabs(s.w0 - s.w1) + std::fabs(t.w0 - t.w1)) / 2;
  double l1 = std::hypot(s.b[0] - s.a[0], s.b[1] - s.a[1]);
  double l2 = std::hypot(t.b[0] - t.a[0], t.b[1] - t.a[1]);
  if (w == 0 || l1 < 1e-13 || l2 < 1e-13) return kMitreMin;
  double lo = std::fmin(l1, l2), hi = std::fmax(l1, l2);
  return kMitreMin + std::sqrt(hi / lo) * w / hi;
}

// Whether the corner between s and t is mitred.
bool mitred(const Seg& s, const Seg& t) {
  double angle = angle_at(s.a, s.b, t.b);
  if (angle < join_min_angle(s, t)) return false;
  if (s.w1 != 0 && t.w0 == 0) return false;
  if (s.arc != t.arc) return false;
  if (angle > kStraightOn && s.w1 != t.w0) return false;
  return true;
}

// The arc from `from` to `to` by from's bulge: its centre, radius and included angle, and the
// number of pieces it is drawn in (0 when it is no arc: a straight segment, or ends too close
// or too far apart for a circle).
int32_t arc_of(const TkPlineVertex& from, const TkPlineVertex& to, double* cx, double* cy,
               double* r, double* theta) {
  double b = from.bulge;
  if (b == 0 || !std::isfinite(b)) return 0;
  if (std::fabs(from.point[0] - to.point[0]) < 1e-6 &&
      std::fabs(from.point[1] - to.point[1]) < 1e-6)
    return 0;
  *theta = 4 * std::atan(b);
  double p0[2] = {from.point[0], from.point[1]}, p1[2] = {to.point[0], to.point[1]};
  tk_arc_from_chord(p0, p1, *theta, cx, cy, r);
  if (!std::isfinite(*cx) || !std::isfinite(*cy) || !std::isfinite(*r)) return 0;
  return regen_arc_segments(*theta, *r,
                            regen_curve_resolution(tk_display_callbacks->scratch_header));
}

// The pieces of the segment from `from` to `to` (bulges expanded into sub-arcs).
int32_t piece_count(const TkPlineVertex& from, const TkPlineVertex& to) {
  double cx, cy, r, theta;
  if (from.bulge == 0 || !std::isfinite(from.bulge)) return 1;
  return arc_of(from, to, &cx, &cy, &r, &theta);
}

// Appends the pieces of the segment at out[*n]; the caller made room for piece_count of them.
void expand(const TkPlineVertex& from, const TkPlineVertex& to, Seg* out, size_t* n_out) {
  double b = from.bulge;
  if (b == 0 || !std::isfinite(b)) {
    Seg s{};
    std::memcpy(s.a, from.point, sizeof s.a);
    std::memcpy(s.b, to.point, sizeof s.b);
    s.w0 = from.start_width;
    s.w1 = from.end_width;
    s.d0 = s.d1 = TK_NO_DIRECTION;
    out[(*n_out)++] = s;
    return;
  }
  double cx, cy, r, theta;
  int32_t n = arc_of(from, to, &cx, &cy, &r, &theta);
  if (n <= 0) return;
  double a0 = std::atan2(from.point[1] - cy, from.point[0] - cx);
  double step = theta / n;
  double wstep = (from.end_width - from.start_width) / n;
  double w = from.start_width;
  double prev[3] = {from.point[0], from.point[1], from.point[2]};
  for (int32_t i = 0; i < n; ++i) {
    Seg s{};
    double a = a0 + step * (i + 1);
    std::memcpy(s.a, prev, sizeof prev);
    if (i + 1 == n) {
      std::memcpy(s.b, to.point, sizeof s.b);
      s.b[2] = from.point[2];
    } else {
      s.b[0] = cx + r * std::cos(a);
      s.b[1] = cy + r * std::sin(a);
      s.b[2] = from.point[2];
    }
    s.w0 = std::fmin(w, 2 * r);
    s.w1 = std::fmin(w + wstep, 2 * r);
    w += wstep;
    s.d0 = a0 + step * i;
    s.d1 = a;
    s.arc = true;
    s.length = std::fabs(theta) * r;
    s.radius = r;
    out[(*n_out)++] = s;
    std::memcpy(prev, s.b, sizeof prev);
  }
}

// Whether the segments p0-p1 and q0-q1 cross (their ends included).
bool crosses(const double p0[3], const double p1[3], const double q0[3], const double q1[3]) {
  double d[2] = {p1[0] - p0[0], p1[1] - p0[1]}, e[2] = {q1[0] - q0[0], q1[1] - q0[1]};
  double cross = d[1] * e[0] - d[0] * e[1];
  if (cross == 0) return false;
  double t = ((q0[1] - p0[1]) * e[0] - (q0[0] - p0[0]) * e[1]) / cross;
  double u = ((q0[1] - p0[1]) * d[0] - (q0[0] - p0[0]) * d[1]) / cross;
  const double lo = -1e-12, hi = 1.000000000001;
  return t >= lo && t <= hi && u >= lo && u <= hi;
}

// The vertices and pieces of the polyline being drawn, in the toolkit's memory; freed on every
// way out.
struct PlineBuffers {
  TkPlineVertex* vertices = nullptr;
  Seg* pieces = nullptr;
  ~PlineBuffers() {
    mem_free(vertices);
    mem_free(pieces);
  }
};

}  // namespace

int16_t regen_polyline(TkDrawing* drawing, const TkPlineVertex* vertices, int32_t count,
                       bool closed, bool plinegen, bool is_3d, const double base[16],
                       TkConstViewMatrices matrices, const TkLinetypeRecord* linetype) {
  TkRegenContext& r = tk_regen;
  if (count <= 0) return 1;
  PlineBuffers buffers;
  if (size_t(count) + 1 <= SIZE_MAX / sizeof(TkPlineVertex))
    buffers.vertices =
        static_cast<TkPlineVertex*>(mem_alloc(sizeof(TkPlineVertex) * (size_t(count) + 1)));
  if (!buffers.vertices) return tk_fail_alloc(TK_ERR_PLINE_VERTICES);
  TkPlineVertex* v = buffers.vertices;
  size_t kept = 0;
  for (int32_t i = 0; i < count; ++i) {
    // A repeated vertex only hands its widths to the one before it.
    if (kept && std::memcmp(v[kept - 1].point, vertices[i].point, sizeof v[0].point) == 0) {
      v[kept - 1].start_width = vertices[i].start_width;
      v[kept - 1].end_width = vertices[i].end_width;
      continue;
    }
    v[kept++] = vertices[i];
  }
  if (closed && kept > 1) v[kept++] = v[0];
  for (size_t i = 0; i + 1 < kept; ++i)
    if (is_3d) v[i].bulge = 0, v[i].start_width = v[i].end_width = 0;
  size_t pieces = 0;
  for (size_t i = 0; i + 1 < kept; ++i) pieces += size_t(piece_count(v[i], v[i + 1]));
  if (pieces) {
    if (pieces <= SIZE_MAX / sizeof(Seg))
      buffers.pieces = static_cast<Seg*>(mem_alloc(sizeof(Seg) * pieces));
    if (!buffers.pieces) return tk_fail_alloc(TK_ERR_PLINE_ARC_PIECES);
  }
  ltype_drop_wide();
  r.pline_active = 1;
  r.pline_3d = is_3d ? 1 : 0;
  r.restart_at_vertices = plinegen ? 0 : 1;
  size_t n = 0;
  for (size_t i = 0; i + 1 < kept; ++i) expand(v[i], v[i + 1], buffers.pieces, &n);
  Seg* const segs = buffers.pieces;
  bool any_wide = false;
  for (size_t i = 0; i < n; ++i) {
    Seg& s = segs[i];
    if (s.w0 < r.thin_width) s.w0 = 0;
    if (s.w1 < r.thin_width) s.w1 = 0;
    if (s.w0 != 0 || s.w1 != 0) any_wide = true;
  }
  int32_t run = ++r.run_counter;
  if (!any_wide) {
    for (size_t i = 0; i < n; ++i) {
      Seg& s = segs[i];
      if (!plinegen) run = ++r.run_counter;
      double a[3], b[3];
      std::memcpy(a, s.a, sizeof a);
      std::memcpy(b, s.b, sizeof b);
      regen_line(drawing, a, b, base, matrices, linetype, drawing, nullptr, run, 0.0);
    }
    r.pline_active = 0;
    r.pline_3d = 0;
    return 1;
  }
  for (size_t i = 0; i < n; ++i) corners(segs[i]);
  // Joins: each end pair meets the next start pair at the mitre, or stays open.
  auto join = [&](Seg& s, Seg& t) {
    if (std::fabs(s.a[0] - s.b[0]) == 0 && std::fabs(s.a[1] - s.b[1]) == 0) return;
    if (!mitred(s, t)) return;
    double l[3], rr[3];
    if (line_intersect(s.ls, s.le, t.ls, t.le, l) && line_intersect(s.rs, s.re, t.rs, t.re, rr)) {
      std::memcpy(s.le, l, sizeof l);
      std::memcpy(t.ls, l, sizeof l);
      std::memcpy(s.re, rr, sizeof rr);
      std::memcpy(t.rs, rr, sizeof rr);
    }
  };
  for (size_t i = 0; i + 1 < n; ++i) join(segs[i], segs[i + 1]);
  if (closed && n > 1) join(segs[n - 1], segs[0]);
  const TkHeader* hdr = drawing->header;
  bool fill = !hdr || hdr->fillmode != 0;
  bool dashes = linetype && linetype->element_count > 0 &&
                tk_handle_compare(&linetype->handle, &r.continuous_handle) != 0;
  for (size_t i = 0; i < n; ++i) {
    Seg& s = segs[i];
    if (s.w0 == 0 && s.w1 == 0) {
      regen_line(drawing, s.a, s.b, base, matrices, linetype, drawing, nullptr, run, 0.0);
      continue;
    }
    if (s.a[0] == s.b[0] && s.a[1] == s.b[1]) continue;
    // Twist: a mitre that crossed over gives end points on the wrong sides.
    if (crosses(s.le, s.ls, s.re, s.rs)) {
      double t[3];
      std::memcpy(t, s.le, sizeof t);
      std::memcpy(s.le, s.re, sizeof t);
      std::memcpy(s.re, t, sizeof t);
    }
    // A pattern finer than 4 device units across the segment's width is drawn solid. Along a
    // wide arc the pattern is laid shorter, the more so the wider the arc is against its radius,
    // so that its dashes stay apart on the inner side.
    bool fine = false;
    const double saved_ltscale = r.ltscale;
    if (dashes && hdr && hdr->psltscale != 1) {
      double ltscale = r.ltscale != 0 ? r.ltscale : 1.0;
      double ratio = s.w0 != 0 && s.w1 != 0 ? std::fmin(s.w0, s.w1) / ltscale : 0.0;
      if (ratio != 0 && s.arc && s.radius > 0) {
        ltscale *= (s.radius - (ratio / 2 - ratio * ratio / (8 * s.radius))) / s.radius;
        r.ltscale = ltscale;
      }
      double scale = ratio != 0 ? 2 * ltscale * r.vp_scale[0] * ratio : ltscale * r.vp_scale[0];
      fine = scale < 4.0 && !(r.state && r.state->paper_space);
    }
    if (dashes && !fine) {
      TkWidthRecord w{s.w0, s.w1, 0, s.d0, s.d1};
      double a[3], b[3];
      std::memcpy(a, s.a, sizeof a);
      std::memcpy(b, s.b, sizeof b);
      regen_line(drawing, a, b, base, matrices, linetype, drawing, &w, run, s.length);
    } else if (!fill) {
      const double* q[4] = {s.rs, s.ls, s.le, s.re};
      for (int i = 0; i < 4; ++i) {
        double a[3], b[3];
        std::memcpy(a, q[i], sizeof a);
        std::memcpy(b, q[(i + 1) % 4], sizeof b);
        regen_line(drawing, a, b, base, matrices, nullptr, drawing, nullptr, ++r.run_counter, 0);
      }
    } else {
      double c[4][3];
      std::memcpy(c[0], s.ls, sizeof c[0]);
      std::memcpy(c[1], s.rs, sizeof c[1]);
      std::memcpy(c[2], s.re, sizeof c[2]);
      std::memcpy(c[3], s.le, sizeof c[3]);
      regen_fill_quad(drawing, c, matrices);
    }
    r.ltscale = saved_ltscale;
  }
  // The last wide dash was held back for a join that no further piece asks for.
  if (dashes)
    for (int v = 0; v < TK_MAX_VIEWPORTS && v < (r.viewport_count ? r.viewport_count : 1); ++v)
      ltype_flush_wide_viewport(drawing, matrices, v);
  r.pline_active = 0;
  r.pline_3d = 0;
  return 1;
}

void regen_polyface(TkDrawing* drawing, const TkPlineVertex* vertices, int32_t vertex_count,
                    const int16_t (*faces)[4], int32_t face_count, const double base[16],
                    TkConstViewMatrices matrices, const TkLinetypeRecord* linetype,
                    const int16_t* face_colours, int16_t colour) {
  const TkHeader* hdr = drawing->header;
  bool all_edges = hdr && hdr->splframe != 0;
  tk_regen.pline_3d = 1;
  const int16_t* map = tk_display_callbacks->colour_map;
  for (int32_t f = 0; f < face_count; ++f) {
    if (face_colours) {
      int16_t c = face_colours[f] >= 0 ? face_colours[f] : colour;
      if (c >= 0) regen_set_color(drawing, map[c & 0xFF]);
    }
    int k = 0;
    int16_t idx[4];
    for (int i = 0; i < 4; ++i)
      if (faces[f][i] != 0) idx[k++] = faces[f][i];
    for (int i = 0; i < k; ++i) {
      int16_t from = idx[i], to = idx[(i + 1) % k];
      if (from < 0 && !all_edges) continue;
      int32_t a = std::abs(int32_t(from)), b = std::abs(int32_t(to));
      // Vertex numbers count from 1; anything outside the polyface's vertices is ignored.
      if (a < 1 || a > vertex_count || b < 1 || b > vertex_count) continue;
      double p[3], q[3];
      std::memcpy(p, vertices[a - 1].point, sizeof p);
      std::memcpy(q, vertices[b - 1].point, sizeof q);
      regen_line(drawing, p, q, base, matrices, linetype, drawing, nullptr,
                 ++tk_regen.run_counter, 0);
    }
  }
  if (face_colours && colour >= 0) regen_set_color(drawing, map[colour & 0xFF]);
  tk_regen.pline_3d = 0;
}

void regen_mesh(TkDrawing* drawing, const TkPlineVertex* vertices, int32_t count, int32_t m,
                int32_t n, bool closed_m, bool closed_n, const double base[16],
                TkConstViewMatrices matrices, const TkLinetypeRecord* linetype) {
  if (m <= 0 || n <= 0 || int64_t(m) * n > count) return;
  tk_regen.pline_3d = 1;
  auto line = [&](int32_t i, int32_t j) {
    double p[3], q[3];
    std::memcpy(p, vertices[i].point, sizeof p);
    std::memcpy(q, vertices[j].point, sizeof q);
    regen_line(drawing, p, q, base, matrices, linetype, drawing, nullptr, ++tk_regen.run_counter,
               0);
  };
  for (int32_t i = 0; i < m; ++i)
    for (int32_t j = 0; j < n; ++j) {
      if (j + 1 < n)
        line(i * n + j, i * n + j + 1);
      else if (closed_n && n > 1)
        line(i * n + j, i * n);
      if (i + 1 < m)
        line(i * n + j, (i + 1) * n + j);
      else if (closed_m && m > 1)
        line(i * n + j, j);
    }
  tk_regen.pline_3d = 0;
}
