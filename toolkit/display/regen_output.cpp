// Segment output: one finished 3D piece in entity coordinates taken through the entity's
// coordinate system, thickness and the viewport's transform to device points, clipped to the
// viewport rectangle and the pushed clip boundaries, and sent as move-to and line-to calls.
// Linetype patterns and fills come before this and are not its business.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "toolkit/core/matrix.h"
#include "toolkit/display/regen.h"

namespace {

bool ecs_applies(const TkEntityHeader* h) {
  if (!(h->flags & TK_ENTITY_EXTRUDED) || tk_regen.pline_3d) return false;
  switch (h->kind) {
    case TK_LINE: case TK_3DLINE: case TK_POINT: case TK_TEXT: case TK_SHAPE: case TK_ELLIPSE:
    case TK_MTEXT: case TK_TOLERANCE: case TK_MLINE: case TK_LEADER: case TK_REGION:
    case TK_3DSOLID: case TK_BODY:
      return false;
    default:
      return true;
  }
}

void to_device(const double p[3], const double m[16], double out[2]) {
  out[0] = p[0] * m[0] + p[1] * m[4] + p[2] * m[8] + m[12];
  out[1] = p[0] * m[1] + p[1] * m[5] + p[2] * m[9] + m[13];
}

void ecs_point(const double in[3], double out[3]) {
  double p[4] = {in[0], in[1], in[2], 1.0};
  double ecs[16];
  tk_matrix_from_extrusion(tk_display_callbacks->scratch_header->extrusion, ecs);
  tk_matrix_transform_point4(p, ecs, p);
  out[0] = p[0];
  out[1] = p[1];
  out[2] = p[2];
}

bool host_collects() {
  TkDisplayState* host = tk_regen.host;
  return host && host->extents_drawn == 0 && tk_display_callbacks->bounded;
}

struct Piece {
  double x0, y0, x1, y1;
};

std::vector<double> g_cuts;

// The pieces of a-b inside one loop set, with tolerance e.
void clip_to_loops(const TkLoopSet* set, const Piece& seg, double e, std::vector<Piece>& out) {
  double a[2] = {seg.x0, seg.y0}, b[2] = {seg.x1, seg.y1};
  std::vector<double>& cuts = g_cuts;
  cuts.clear();
  double dx = b[0] - a[0], dy = b[1] - a[1];
  bool along_y = std::fabs(dy) >= std::fabs(dx);
  for (int32_t l = 0; l < set->count; ++l) {
    int32_t n = set->contours[l].count;
    const TkClipVertex* p = set->contours[l].vertices;
    for (int32_t i = 0, j = n - 1; i < n; j = i++) {
      double c[2] = {p[j].x, p[j].y}, d[2] = {p[i].x, p[i].y};
      double hit[4];
      int32_t k = clip_segment_intersect(a, b, c, d, hit);
      for (int32_t h = 0; h < k; ++h) {
        double t = along_y ? (dy != 0 ? (hit[2 * h + 1] - a[1]) / dy : 0.0)
                           : (dx != 0 ? (hit[2 * h] - a[0]) / dx : 0.0);
        cuts.push_back(std::clamp(t, 0.0, 1.0));
      }
    }
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.push_back(1.0);
  double t0 = 0.0;
  for (double t1 : cuts) {
    double len = std::max(std::fabs(dx), std::fabs(dy)) * (t1 - t0);
    if (len <= e) continue;
    double tm = (t0 + t1) / 2;
    if (loop_set_contains_point(a[0] + dx * tm, a[1] + dy * tm, set, e)) {
      Piece piece{a[0] + dx * t0, a[1] + dy * t0, a[0] + dx * t1, a[1] + dy * t1};
      if (!out.empty() && out.back().x1 == piece.x0 && out.back().y1 == piece.y0) {
        out.back().x1 = piece.x1;
        out.back().y1 = piece.y1;
      } else {
        out.push_back(piece);
      }
    }
    t0 = t1;
  }
}

std::vector<Piece> g_pieces;

}  // namespace

void regen_widen_extents(double x, double y) {
  TkDisplayState* host = tk_regen.host;
  if (!host) return;
  // Comparisons rather than fmin and fmax: as with them, a NaN leaves the box as it is.
  if (x < host->drawn[0]) host->drawn[0] = x;
  if (y < host->drawn[1]) host->drawn[1] = y;
  if (x > host->drawn[2]) host->drawn[2] = x;
  if (y > host->drawn[3]) host->drawn[3] = y;
}

void regen_draw_segment(TkDrawing* drawing, const double p0[3], const double p1[3],
                        TkConstViewMatrices matrices, int v) {
  const TkEntityHeader* h = tk_display_callbacks->scratch_header;
  const double* m = matrices[v];
  double a[3] = {p0[0], p0[1], p0[2]}, b[3] = {p1[0], p1[1], p1[2]};
  double t = h->thickness;
  bool ecs = ecs_applies(h);
  double a2[3] = {a[0], a[1], a[2]}, b2[3] = {b[0], b[1], b[2]};
  if (ecs) {
    ecs_point(a, a);
    ecs_point(b, b);
  }
  double da[2], db[2];
  to_device(a, m, da);
  to_device(b, m, db);
  regen_output_segment(drawing, da[0], da[1], db[0], db[1], v);
  if (t == 0.0) return;
  double ea[2], eb[2];
  bool extruded = (h->flags & TK_ENTITY_EXTRUDED) != 0;
  if (!extruded || h->kind == TK_TEXT || h->kind == TK_SHAPE || h->kind == TK_MTEXT ||
      h->kind == TK_POINT) {
    ea[0] = da[0] + t * m[8];
    ea[1] = da[1] + t * m[9];
    eb[0] = db[0] + t * m[8];
    eb[1] = db[1] + t * m[9];
  } else if (h->kind == TK_LINE || h->kind == TK_3DLINE) {
    double pa[3], pb[3];
    for (int i = 0; i < 3; ++i) {
      pa[i] = a[i] + t * h->extrusion[i];
      pb[i] = b[i] + t * h->extrusion[i];
    }
    to_device(pa, m, ea);
    to_device(pb, m, eb);
  } else {
    a2[2] += t;
    b2[2] += t;
    if (ecs) {
      ecs_point(a2, a2);
      ecs_point(b2, b2);
    }
    to_device(a2, m, ea);
    to_device(b2, m, eb);
  }
  regen_output_segment(drawing, db[0], db[1], eb[0], eb[1], v);
  regen_output_segment(drawing, eb[0], eb[1], ea[0], ea[1], v);
  regen_output_segment(drawing, ea[0], ea[1], da[0], da[1], v);
}

void regen_poll(TkDrawing* drawing) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (++tk_regen.poll_counter >= cb->poll_interval) {
    tk_regen.poll_counter = 0;
    if (cb->poll) cb->poll(drawing->user_data);
  }
}

namespace {

// Sends one clipped piece as a move-to (when the pen is elsewhere) and a line-to.
void send_piece(TkDisplayCallbacks* cb, TkUserData user, const Piece& p) {
  // Clipping far-away coordinates can overflow; such a piece is not drawn.
  const double lim = 2147483520.0;
  if (!(std::fabs(p.x0) <= lim && std::fabs(p.y0) <= lim && std::fabs(p.x1) <= lim &&
        std::fabs(p.y1) <= lim))
    return;
  int32_t sx = static_cast<int32_t>(p.x0), sy = static_cast<int32_t>(p.y0);
  if (sx != cb->pen_x || sy != cb->pen_y) {
    if (cb->moveto) cb->moveto(sx, sy, user);
  }
  int32_t ex = static_cast<int32_t>(p.x1), ey = static_cast<int32_t>(p.y1);
  cb->pen_x = ex;
  cb->pen_y = ey;
  if (cb->lineto) cb->lineto(ex, ey, user);
}

}  // namespace

void regen_output_segment(TkDrawing* drawing, double x0, double y0, double x1, double y1, int v) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  TkDisplayState* s = tk_regen.state;
  if (!s || !std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
    return;
  TkUserData user = drawing->user_data;
  regen_poll(drawing);
  bool collect = host_collects();
  bool clipped_extents = v != 0 || (cb->scratch_header->flags & 8);
  if (collect && !clipped_extents) {
    regen_widen_extents(x0, y0);
    regen_widen_extents(x1, y1);
  }
  // The rectangle's values are finite: min and max need no care for NaN here.
  const double* r = s->viewports[v].rect;
  double rect[4] = {std::min(r[0], r[2]), std::min(r[1], r[3]), std::max(r[0], r[2]),
                    std::max(r[1], r[3])};
  double a[2] = {x0, y0}, b[2] = {x1, y1};
  if (!clip_segment_to_rect(a, b, rect)) return;
  const Piece piece{a[0], a[1], b[0], b[1]};
  // The top node of the clip stack holds what every boundary pushed so far leaves of the
  // viewport; the base node alone is the rectangle just clipped to, and the piece goes out as
  // it is.
  if (!tk_clip_has_loops(s, v)) {
    if (collect && clipped_extents) {
      regen_widen_extents(piece.x0, piece.y0);
      regen_widen_extents(piece.x1, piece.y1);
    }
    send_piece(cb, user, piece);
    return;
  }
  double e = (rect[2] - rect[0]) * 1e-6;
  g_pieces.clear();
  clip_to_loops(s->clip->sets[v], piece, e, g_pieces);
  if (g_pieces.empty()) return;
  if (collect && clipped_extents) {
    regen_widen_extents(g_pieces.front().x0, g_pieces.front().y0);
    regen_widen_extents(g_pieces.back().x1, g_pieces.back().y1);
  }
  for (const Piece& p : g_pieces) send_piece(cb, user, p);
}

int16_t clip_segment_to_rect(double p1[2], double p2[2], const double rect[4]) {
  auto code = [&](const double* p) {
    int c = 0;
    if (p[0] < rect[0]) c |= 1;
    if (p[0] > rect[2]) c |= 2;
    if (p[1] < rect[1]) c |= 4;
    if (p[1] > rect[3]) c |= 8;
    return c;
  };
  for (int guard = 0; guard < 8; ++guard) {
    int c1 = code(p1), c2 = code(p2);
    if (c1 & c2) return 0;
    if (!c1 && !c2) return 1;
    double* p = c1 ? p1 : p2;
    const double* q = c1 ? p2 : p1;
    int c = c1 ? c1 : c2;
    double x = p[0], y = p[1];
    if (c & 8) {
      x = q[0] + (p[0] - q[0]) * (rect[3] - q[1]) / (p[1] - q[1]);
      y = rect[3];
    } else if (c & 4) {
      x = q[0] + (p[0] - q[0]) * (rect[1] - q[1]) / (p[1] - q[1]);
      y = rect[1];
    } else if (c & 2) {
      y = q[1] + (p[1] - q[1]) * (rect[2] - q[0]) / (p[0] - q[0]);
      x = rect[2];
    } else {
      y = q[1] + (p[1] - q[1]) * (rect[0] - q[0]) / (p[0] - q[0]);
      x = rect[0];
    }
    p[0] = x;
    p[1] = y;
  }
  // Rounding can leave a point a hair outside after every edge was cut once.
  return (code(p1) & code(p2)) ? 0 : 1;
}

int16_t regen_point_near_segment(const double p[2], const double a[2], const double b[2],
                                 double tol) {
  double dx = b[0] - a[0], dy = b[1] - a[1];
  double l2 = dx * dx + dy * dy;
  double fx = a[0], fy = a[1];
  if (l2 >= tol * tol) {
    double t = ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / l2;
    if (t >= 0) {
      if (t < 1) {
        fx = a[0] + t * dx;
        fy = a[1] + t * dy;
      } else {
        fx = b[0];
        fy = b[1];
      }
    }
  }
  double ex = p[0] - fx, ey = p[1] - fy;
  return std::sqrt(ex * ex + ey * ey) <= tol ? 1 : 0;
}

int32_t clip_segment_intersect(const double a[2], const double b[2], const double c[2],
                               const double d[2], double out[4]) {
  double u[2] = {b[0] - a[0], b[1] - a[1]}, w[2] = {d[0] - c[0], d[1] - c[1]};
  double cross = u[0] * w[1] - u[1] * w[0];
  double dot = u[0] * w[0] + u[1] * w[1];
  if (std::fabs(cross) > 1e-6 * std::fabs(dot)) {
    double t = ((c[0] - a[0]) * w[1] - (c[1] - a[1]) * w[0]) / cross;
    double s = ((c[0] - a[0]) * u[1] - (c[1] - a[1]) * u[0]) / cross;
    const double lo = -1e-12, hi = 1.000000000001;
    if (t >= lo && t <= hi && s >= lo && s <= hi) {
      out[0] = a[0] + t * u[0];
      out[1] = a[1] + t * u[1];
      return 1;
    }
    return 0;
  }
  int32_t n = 0;
  auto add = [&](const double* p) {
    out[2 * n] = p[0];
    out[2 * n + 1] = p[1];
    ++n;
  };
  auto differs = [](const double* p, const double* q) {
    for (int i = 0; i < 2; ++i)
      if (std::fabs(p[i] - q[i]) >= 1e-7 * (std::fabs(p[i]) + std::fabs(q[i])) + 1e-8) return true;
    return false;
  };
  if (regen_point_near_segment(a, c, d, 1e-6)) add(a);
  if (n < 2 && regen_point_near_segment(b, c, d, 1e-6)) add(b);
  if (n < 2 && differs(c, a) && differs(c, b) && regen_point_near_segment(c, a, b, 1e-6)) add(c);
  if (n < 2 && regen_point_near_segment(d, a, b, 1e-5)) add(d);
  return n;
}

void regen_extents_add_segment(const double p0[3], const double p1[3], double box[6],
                               const double m[16]) {
  for (const double* p : {p0, p1}) {
    double q[4] = {p[0], p[1], p[2], 1.0};
    tk_matrix_transform_point4(q, m, q);
    box[0] = std::fmin(box[0], q[0]);
    box[1] = std::fmin(box[1], q[1]);
    box[3] = std::fmax(box[3], q[0]);
    box[4] = std::fmax(box[4], q[1]);
  }
}
