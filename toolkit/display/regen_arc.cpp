// Arcs, circles and ellipses as chains of chords: how many chords a curve gets, the chord end
// points, and the linetype fitting that puts a whole number of pattern repetitions on an arc.
// Every chord goes to the linetype walk as one run.
#include <cmath>
#include <cstring>

#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/display/regen.h"

namespace {
constexpr double kTwoPi = 6.283185307179586;
}

int32_t regen_curve_resolution(const TkEntityHeader* header) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (!cb) return 10;
  return (header && (header->flags & 16)) ? cb->curve_resolution_primary : cb->curve_resolution;
}

int32_t regen_circle_segments(double radius) {
  double q = radius * tk_regen.arc_resolution_scale;
  double f = q > 0 && std::isfinite(q) ? std::sqrt(q) * kTwoPi : 0.0;
  int32_t max = tk_display_callbacks && tk_display_callbacks->max_circle_segments
                    ? tk_display_callbacks->max_circle_segments
                    : 64;
  if (!(f < max)) return max;
  int32_t n = static_cast<int32_t>(f) & ~3;
  if (n < 4) n = 4;
  return n > max ? max : n;
}

int32_t regen_arc_segments(double sweep, double radius, int32_t resolution) {
  int32_t n4 = resolution != 0 ? 4 * resolution : regen_circle_segments(radius);
  double f = std::fabs(sweep) * n4 * 0.15915494309189535 + 0.5;
  // A sweep of many turns (a damaged angle) is still drawn with a bounded number of chords.
  if (!(f < 100000)) f = 100000;
  int32_t n = static_cast<int32_t>(f);
  return n < 2 ? 2 : n;
}

void regen_arc(TkDrawing* drawing, const double centre[3], double start, double end, double radius,
               const double base[16], TkConstViewMatrices matrices, uint8_t draw,
               const TkLinetypeRecord* linetype, TkDrawing* style_drawing, double* box,
               const double box_matrix[16]) {
  TkEntityHeader* h = tk_display_callbacks->scratch_header;
  double sweep = end - start;
  if (!std::isfinite(sweep) || !std::isfinite(radius)) return;
  int32_t n = regen_arc_segments(sweep, radius, regen_curve_resolution(h));
  double a = sweep / n;
  double p[3] = {centre[0] + radius * std::cos(start), centre[1] + radius * std::sin(start),
                 centre[2]};
  int32_t run = ++tk_regen.run_counter;
  double run_length = std::fabs(sweep) * radius;
  if (linetype && linetype->element_count > 0) {
    double ltscale = tk_regen.ltscale;
    double pattern = h->linetype_scale * ltscale * linetype->pattern_length;
    if (pattern > 1e-5) {
      double k = std::trunc(run_length / pattern);
      double d = std::fabs(k * pattern - run_length);
      if (k != 0 && d > 1e-4 && (d >= 0.25 * pattern || k == 1)) k += 1;
      if (k != 0 && ltscale * linetype->pattern_length != 0)
        h->linetype_scale = run_length / (k * ltscale * linetype->pattern_length);
    }
  }
  double c = std::cos(a), s = std::sin(a);
  for (int32_t i = 0; i < n && regen_continue; ++i) {
    double q[3] = {centre[0] + (p[0] - centre[0]) * c - (p[1] - centre[1]) * s,
                   centre[1] + (p[0] - centre[0]) * s + (p[1] - centre[1]) * c, centre[2]};
    if (box) regen_extents_add_segment(p, q, box, box_matrix);
    if (draw) {
      double from[3] = {p[0], p[1], p[2]}, to[3] = {q[0], q[1], q[2]};
      regen_line(drawing, from, to, base, matrices, linetype, style_drawing, nullptr, run,
                 run_length);
    }
    std::memcpy(p, q, sizeof p);
  }
}

int16_t regen_ellipse(TkDrawing* drawing, TkEntityData* data, const double base[16],
                      const TkLinetypeRecord* linetype, TkDrawing* style_drawing) {
  TkDisplayState* s = tk_regen.state;
  const TkEntityHeader* h = tk_display_callbacks->scratch_header;
  double centre[3], axis[3];
  for (int i = 0; i < 3; ++i) {
    centre[i] = tk_data_get<double>(data, 8 * i);
    axis[i] = tk_data_get<double>(data, 24 + 8 * i);
  }
  double ratio = tk_data_get<double>(data, 48);
  double t0 = tk_data_get<double>(data, 56), t1 = tk_data_get<double>(data, 64);
  double frame[16];
  tk_matrix_identity(frame);
  double move[3] = {centre[0], centre[1], centre[2]};
  if (h->flags & TK_ENTITY_EXTRUDED) {
    double ecs[16];
    tk_matrix_from_extrusion(h->extrusion, ecs);
    double inv[16];
    std::memcpy(inv, ecs, sizeof inv);
    tk_matrix_invert(inv);
    double c4[4] = {centre[0], centre[1], centre[2], 1.0};
    double a4[4] = {centre[0] + axis[0], centre[1] + axis[1], centre[2] + axis[2], 1.0};
    tk_matrix_transform_point4(c4, inv, c4);
    tk_matrix_transform_point4(a4, inv, a4);
    for (int i = 0; i < 3; ++i) axis[i] = a4[i] - c4[i];
    tk_matrix_translate(c4[0], c4[1], c4[2], frame);
    tk_matrix_multiply(frame, ecs, frame);
  } else {
    tk_matrix_translate(move[0], move[1], move[2], frame);
  }
  tk_matrix_multiply(frame, base, frame);
  int count = s->viewport_count ? s->viewport_count : 1;
  auto* block = static_cast<double(*)[16]>(mem_alloc(sizeof(double) * 16 * count));
  if (!block) return tk_fail_alloc(TK_ERR_REGEN_ELLIPSE);
  for (int v = 0; v < count; ++v) tk_matrix_multiply(frame, s->viewports[v].matrix, block[v]);
  double a = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1]);
  double b = a * ratio;
  double phi;
  if (axis[0] == 0)
    phi = axis[1] >= 0 ? kTwoPi / 4 : -kTwoPi / 4;
  else
    phi = std::atan(axis[1] / axis[0]) + (axis[0] < 0 ? kTwoPi / 2 : 0.0);
  double sweep = std::fabs(t1 - t0);
  if (std::isfinite(sweep) && std::isfinite(a) && std::isfinite(b)) {
    int32_t n = regen_arc_segments(sweep, a, regen_curve_resolution(h));
    double t = (t1 - t0) / n;
    int32_t run = ++tk_regen.run_counter;
    double run_length = a * sweep;
    double cu = std::cos(t0), su = std::sin(t0), ct = std::cos(t), st = std::sin(t);
    double cp = std::cos(phi), sp = std::sin(phi);
    auto point = [&](double cu_, double su_, double out[3]) {
      out[0] = a * cu_ * cp - b * su_ * sp;
      out[1] = a * cu_ * sp + b * su_ * cp;
      out[2] = 0;
    };
    double p[3];
    point(cu, su, p);
    for (int32_t i = 0; i < n && regen_continue; ++i) {
      double nc = cu * ct - su * st, ns = su * ct + cu * st;
      cu = nc;
      su = ns;
      double q[3];
      point(cu, su, q);
      double from[3] = {p[0], p[1], p[2]}, to[3] = {q[0], q[1], q[2]};
      regen_line(drawing, from, to, frame, block, linetype, style_drawing, nullptr, run,
                 run_length);
      std::memcpy(p, q, sizeof p);
    }
  }
  mem_free(block);
  return 1;
}
