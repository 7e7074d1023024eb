// The linetype walk: every straight piece of geometry passes through regen_line, which lays the
// entity's linetype pattern along it (dashes drawn, gaps skipped, dots as zero-length pieces),
// centred on the run and continued from segment to segment of one run, and turns wide pieces
// into filled quadrilaterals. Device output is regen_output.cpp's; fills are regen_fill.cpp's.
#include <cmath>
#include <cstring>

#include "toolkit/core/hdr.h"
#include "toolkit/display/ltype_shape.h"
#include "toolkit/display/regen.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// Pieces of one segment's pattern beyond which the rest is drawn solid.
constexpr long kMaxPieces = 1000000;

bool is_continuous(const TkLinetypeRecord* lt) {
  return !lt || tk_handle_compare(&lt->handle, &tk_regen.continuous_handle) == 0;
}

bool kind_takes_pattern(const TkDrawing* drawing, uint16_t kind) {
  switch (kind) {
    case TK_LINE: case TK_CIRCLE: case TK_ARC: case TK_RAY: case TK_XLINE: case TK_ELLIPSE:
    case TK_MLINE: case TK_TOLERANCE: case TK_LEADER: case TK_SPLINE:
      return true;
    default:
      break;
  }
  uint16_t lw = drawing->class_numbers[TK_CLASS_LWPOLYLINE];
  if (lw && kind == lw) return true;
  if (kind >= 498) return true;
  return tk_regen.pline_active && !tk_regen.pline_3d;
}

double view_length(const double p0[3], const double p1[3], const double m[16]) {
  double d[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
  double x = d[0] * m[0] + d[1] * m[4] + d[2] * m[8];
  double y = d[0] * m[1] + d[1] * m[5] + d[2] * m[9];
  double z = d[0] * m[2] + d[1] * m[6] + d[2] * m[10];
  return std::sqrt(x * x + y * y + z * z);
}

void along(const double start[3], double length, double out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = start[i] + tk_regen.step[i] * length;
}

double reduce_angle(double a) {
  a = std::fmod(a, 2 * kPi);
  return a < 0 ? a + 2 * kPi : a;
}

// A wide dash: its start pair and end pair (left, right).
struct WideDash {
  double ls[3], rs[3], le[3], re[3];
};

// The dash held back in each viewport until the next one decides how its end is joined. It is
// pending while its flag is set and the walk's entry (which the dispatcher clears at every
// entity) says so too.
WideDash g_pending[TK_MAX_VIEWPORTS];
uint8_t g_has_pending[TK_MAX_VIEWPORTS];

bool segments_cross(const double p0[3], const double p1[3], const double q0[3],
                    const double q1[3]) {
  double d[2] = {p1[0] - p0[0], p1[1] - p0[1]}, e[2] = {q1[0] - q0[0], q1[1] - q0[1]};
  double cross = d[1] * e[0] - d[0] * e[1];
  if (cross == 0) return false;
  double t = ((q0[1] - p0[1]) * e[0] - (q0[0] - p0[0]) * e[1]) / cross;
  double u = ((q0[1] - p0[1]) * d[0] - (q0[0] - p0[0]) * d[1]) / cross;
  const double lo = -1e-12, hi = 1.000000000001;
  return t >= lo && t <= hi && u >= lo && u <= hi;
}

// Where the lines through p0-p1 and q0-q1 meet; false when they are parallel and share no end.
bool lines_meet(const double p0[3], const double p1[3], const double q0[3], const double q1[3],
                double out[3]) {
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
  out[2] = p0[2] + t * (p1[2] - p0[2]);
  return std::isfinite(out[0]) && std::isfinite(out[1]);
}

void fill_dash(TkDrawing* drawing, WideDash& w, TkConstViewMatrices matrices) {
  // A dash whose long edges cross has its start corners the wrong way round.
  if (segments_cross(w.ls, w.le, w.rs, w.re)) {
    double t[3];
    std::memcpy(t, w.ls, sizeof t);
    std::memcpy(w.ls, w.rs, sizeof t);
    std::memcpy(w.rs, t, sizeof t);
  }
  double c[4][3];
  std::memcpy(c[0], w.ls, sizeof c[0]);
  std::memcpy(c[1], w.rs, sizeof c[1]);
  std::memcpy(c[2], w.re, sizeof c[2]);
  std::memcpy(c[3], w.le, sizeof c[3]);
  regen_fill_quad(drawing, c, matrices);
}

// The angle at b between the directions to a and to c (0 to pi; pi straight on).
double angle_at(const double a[3], const double b[3], const double c[3]) {
  double u[2] = {a[0] - b[0], a[1] - b[1]}, w[2] = {c[0] - b[0], c[1] - b[1]};
  double lu = std::hypot(u[0], u[1]), lw = std::hypot(w[0], w[1]);
  if (lu == 0 || lw == 0) return kPi;
  double cs = (u[0] * w[0] + u[1] * w[1]) / (lu * lw);
  return std::acos(std::fmax(-1.0, std::fmin(1.0, cs)));
}

}  // namespace

void regen_dash_corners(const TkWidthRecord* width, const double a[3], const double b[3],
                        double w0, double w1, double start[2][3], double end[2][3]) {
  double chord = reduce_angle(std::atan2(b[1] - a[1], b[0] - a[0]) + kPi / 2);
  auto left = [&](double d) {
    d = d == TK_NO_DIRECTION ? chord : reduce_angle(d);
    double diff = std::fabs(d - chord);
    return diff >= kPi / 2 && diff <= 3 * kPi / 2 ? reduce_angle(d + kPi) : d;
  };
  double d0 = left(width->start_direction), d1 = left(width->end_direction);
  for (int i = 0; i < 3; ++i) {
    start[0][i] = start[1][i] = a[i];
    end[0][i] = end[1][i] = b[i];
  }
  start[0][0] += std::cos(d0) * w0 / 2;
  start[0][1] += std::sin(d0) * w0 / 2;
  start[1][0] -= std::cos(d0) * w0 / 2;
  start[1][1] -= std::sin(d0) * w0 / 2;
  end[0][0] += std::cos(d1) * w1 / 2;
  end[0][1] += std::sin(d1) * w1 / 2;
  end[1][0] -= std::cos(d1) * w1 / 2;
  end[1][1] -= std::sin(d1) * w1 / 2;
}

void ltype_flush_wide_viewport(TkDrawing* drawing, TkConstViewMatrices matrices, int v) {
  if (v < 0 || v >= TK_MAX_VIEWPORTS) return;
  // The single-view walk keeps its dashes under entry 0 whatever viewports it serves.
  bool pending = tk_regen.pattern[v].wide_pending || tk_regen.pattern[0].wide_pending;
  if (!pending || !g_has_pending[v]) return;
  g_has_pending[v] = 0;
  fill_dash(drawing, g_pending[v], matrices);
}

namespace {

// Fills the dashes held for the viewports [first, end) of entry e.
void flush_range(TkDrawing* drawing, TkConstViewMatrices matrices, int first, int end,
                 TkPatternEntry& e) {
  if (!e.wide_pending) return;
  for (int v = first; v < end && v < TK_MAX_VIEWPORTS; ++v)
    if (g_has_pending[v]) {
      g_has_pending[v] = 0;
      fill_dash(drawing, g_pending[v], matrices);
    }
  e.wide_pending = 0;
}

}  // namespace

namespace {

// A wide piece from a to b in viewport v with the widths and perpendicular directions at its
// ends. It is held back until the next piece shows whether the two meet at a corner: dashes that
// run on round a corner of the run are mitred there; any other dash is filled as it is.
void wide_piece(TkDrawing* drawing, const double a[3], const double b[3], double w0, double w1,
                double d0, double d1, TkConstViewMatrices matrices, int v, TkPatternEntry& e,
                double run_length) {
  TkRegenContext& r = tk_regen;
  TkWidthRecord rec{w0, w1, 0, d0, d1};
  double start[2][3], end[2][3];
  regen_dash_corners(&rec, a, b, w0, w1, start, end);
  WideDash dash;
  std::memcpy(dash.ls, start[0], sizeof dash.ls);
  std::memcpy(dash.rs, start[1], sizeof dash.rs);
  std::memcpy(dash.le, end[0], sizeof dash.le);
  std::memcpy(dash.re, end[1], sizeof dash.re);
  WideDash& p = g_pending[v];
  if (e.wide_pending && g_has_pending[v]) {
    double turn = angle_at(r.last_point, a, b);
    bool join = e.join || run_length != 0 ||
                ((r.last_wide_width[v] == 0 || w0 != 0) && turn >= 0.5 &&
                 (turn <= 3.014240230182893 || w0 == r.last_wide_width[v]));
    double jl[3], jr[3];
    if (join && lines_meet(p.ls, p.le, dash.ls, dash.le, jl) &&
        lines_meet(p.rs, p.re, dash.rs, dash.re, jr)) {
      std::memcpy(p.le, jl, sizeof jl);
      std::memcpy(p.re, jr, sizeof jr);
      fill_dash(drawing, p, matrices);
      std::memcpy(dash.ls, jl, sizeof jl);
      std::memcpy(dash.rs, jr, sizeof jr);
    } else {
      fill_dash(drawing, p, matrices);
    }
  }
  p = dash;
  g_has_pending[v] = 1;
  e.wide_pending = 1;
  e.join = 0;
  r.last_wide_width[v] = w1;
}

// The next piece of the pattern from start; the end goes to end. Signed view length: positive
// dash, negative gap, 0 dot.
double next_piece(TkPatternEntry& e, const TkLinetypeRecord* lt, const double start[3],
                  double end[3]) {
  TkRegenContext& r = tk_regen;
  double s = r.pattern_scale;
  double lrem = r.remaining;
  double min = r.min_element;
  if (e.element >= lt->element_count) {
    --e.repetitions;
    e.element = 0;
    std::memset(e.drawn, 0, sizeof e.drawn);
  }
  double d = lt->elements[e.element].length;
  if (!r.plain_pattern && d != 0 && std::fabs(d) < min) d = std::copysign(min, d);
  double piece;
  bool lead_cut = false, lead_done = false;
  if (e.element == 0 && e.repetitions <= 0) {
    piece = d == 0 ? 0.0 : std::fmax(lrem, 0.0);
    if (piece > 0) {
      along(start, piece, end);
      r.remaining = 0;
      e.carry = 0;
      return piece;
    }
  } else if (e.first_piece && e.lead_in > 0 && (d != 0 || !r.plain_pattern)) {
    if (s * e.lead_in <= lrem) {
      piece = e.lead_in;
      if (d < 0 && r.plain_pattern) piece -= d;
      e.first_piece = 0;
      e.lead_in = -1.0;
      lead_done = true;
    } else {
      piece = lrem / s;
      e.lead_in -= piece;
      lead_cut = true;
    }
    if (d < 0 && r.plain_pattern) piece = -piece;
    piece *= s;
  } else {
    piece = d;
    if (piece != 0 && std::fabs(piece) < min) piece = std::copysign(min, piece);
    piece *= s;
    if (e.carry != 0) piece = piece > 0 ? piece - e.carry : piece + e.carry;
  }
  if (lead_cut || (std::fabs(piece) > lrem && !lead_done)) {
    e.carry += lrem;
    along(start, lrem, end);
    // The rest of this element continues on the next segment of the run.
    return piece >= 0 ? lrem : -lrem;
  }
  e.carry = 0;
  if (!(r.plain_pattern && e.element == 0 && d == 0)) e.first_piece = 0;
  ++e.element;
  along(start, std::fabs(piece), end);
  return piece;
}

void reset_entry(TkPatternEntry& e) {
  e.setup = 1;
  e.first_piece = 1;
  e.join = 1;
  e.element = 0;
  e.carry = 0.0;
  std::memset(e.drawn, 0, sizeof e.drawn);
}

// Where the embedded shapes and texts of a complex linetype go: the placement transform, the
// drawing that holds their styles, the segment direction and the scale their offsets follow.
struct ShapePlacement {
  const double* base;
  TkDrawing* style_drawing;
  double theta;
  double scale;
};

// Draws element `index`'s shape or text at the piece end in each served viewport, once per
// repetition. The embedded strokes start runs of their own, so the run numbers are kept.
void draw_element_shape(TkDrawing* drawing, const TkLinetypeRecord* lt, int index,
                        const double at[3], const ShapePlacement& place, int first, int end,
                        TkPatternEntry& e) {
  if (index < 0 || index >= lt->element_count || index >= TK_DASH_ELEMENTS || e.drawn[index])
    return;
  const TkDashElement& el = lt->elements[index];
  bool has_text = (el.shape_flags & 2) != 0;
  if (!has_text && el.shape == 0) return;
  const char* text = nullptr;
  if (has_text) {
    if (el.text_index >= sizeof lt->dash_texts) return;
    text = lt->dash_texts + el.text_index;
    if (strnlen(text, sizeof lt->dash_texts - el.text_index) ==
        sizeof lt->dash_texts - el.text_index)
      return;
  }
  TkRegenContext& r = tk_regen;
  for (int v = first; v < end; ++v) {
    if (!regen_viewport_served(v)) continue;
    int32_t last_run = r.last_run, counter = r.run_counter;
    double point[3] = {at[0], at[1], at[2]};
    ltype_draw_shape_or_text(drawing, v, point, place.base, place.scale, place.theta, &el, text,
                             place.style_drawing);
    r.last_run = last_run;
    r.run_counter = counter;
  }
  e.drawn[index] = 1;
}

// One pattern walk over the segment for the viewports [first, end) with entry e and lengths
// measured in viewport mv.
void walk(TkDrawing* drawing, double p0[3], double p1[3], TkConstViewMatrices matrices,
          const TkLinetypeRecord* lt, TkWidthRecord* width, double run_length, int first,
          int end, int mv, TkPatternEntry& e, double threshold, bool continuous,
          const ShapePlacement& place) {
  TkRegenContext& r = tk_regen;
  const TkEntityHeader* h = tk_display_callbacks->scratch_header;
  double ltscale = r.ltscale;
  double ent_scale = h->linetype_scale;
  bool apply = r.ltype_switch == 1 && !continuous && kind_takes_pattern(drawing, h->kind) &&
               lt->element_count > 0;
  double seg_len = view_length(p0, p1, matrices[mv]);
  auto solid = [&]() {
    for (int v = first; v < end; ++v) {
      if (!regen_viewport_served(v)) continue;
      if (width) {
        wide_piece(drawing, p0, p1, width->start_width, width->end_width,
                   width->start_direction, width->end_direction, matrices, v, e, run_length);
      } else if (r.no_dash) {
        regen_draw_segment(drawing, p0, p0, matrices, v);
        regen_draw_segment(drawing, p1, p1, matrices, v);
      } else {
        regen_draw_segment(drawing, p0, p1, matrices, v);
      }
    }
  };
  r.no_dash = 0;
  if (!apply) {
    solid();
    return;
  }
  double s = ltscale * ent_scale * r.vp_scale[0];
  r.pattern_scale = s;
  if (r.recompute) {
    r.scaled_length = s * lt->pattern_length;
    // Wide dashes are laid at least the shortest element long: the pattern measures so too.
    if (width) {
      double sum = 0;
      for (int i = 0; i < lt->element_count && i < TK_DASH_ELEMENTS; ++i)
        if (lt->elements[i].length != 0)
          sum += std::fmax(std::fabs(lt->elements[i].length), r.min_element);
      r.scaled_length = s * sum;
    }
    r.recompute = 0;
  }
  double p = r.scaled_length;
  if (e.setup) {
    double rl = run_length != 0 ? run_length * r.vp_scale[mv] : seg_len;
    // A run length that is not a positive number (damaged curves) lays no repetitions.
    double reps = p > 1e-7 ? rl / p + 1e-12 : 0.0;
    e.repetitions = reps > 0 ? static_cast<int32_t>(std::fmin(reps, 2e9)) : 0;
    bool any_dash = false;
    for (int i = 0; i < lt->element_count; ++i)
      if (lt->elements[i].length > 0) any_dash = true;
    if (e.repetitions == 0 && !any_dash) r.no_dash = 1;
    double rem = p > 0 ? std::fmod(rl, p) : 0.0;
    if (rem + 1e-12 > p) rem = 0;
    double e0 = lt->elements[0].length;
    if (e0 == 0.0) {
      e.lead_in = 0.0;
    } else {
      if (e0 <= r.min_element) e0 = r.min_element;
      e.lead_in = s != 0 ? ((e0 * s + rem) * 0.5) / s : 0.0;
    }
    e.setup = 0;
  }
  if ((h->kind == TK_SPLINE || h->kind == TK_LEADER || r.pline_active) &&
      !r.restart_at_vertices)
    e.repetitions = 2000000000;
  double mean = lt->pattern_length / lt->element_count;
  if (mean < 2 * r.min_element) mean = 2 * r.min_element;
  if (!(mean * s >= threshold && e.repetitions != 0)) {
    solid();
    return;
  }
  for (int i = 0; i < 3; ++i) r.step[i] = seg_len > 0 ? (p1[i] - p0[i]) / seg_len : 0.0;
  r.remaining = seg_len;
  double start[3] = {p0[0], p0[1], p0[2]}, stop[3];
  double w0 = width ? width->start_width : 0, w1 = width ? width->end_width : 0;
  double travelled = 0;
  // Bounded: every step consumes a piece of the segment or completes an element; a segment that
  // would need more pieces than any screen shows is finished solid, and the walk stops with
  // the regeneration.
  // Directions along the segment: from the start's to the end's, the shorter way round (two
  // unset directions stay unset).
  double dir0 = width ? width->start_direction : 0, dir1 = width ? width->end_direction : 0;
  double dir0r = dir0 < 0 ? dir0 + 2 * kPi : dir0, dir1r = dir1 < 0 ? dir1 + 2 * kPi : dir1;
  if (std::fabs(dir0r - dir1r) > kPi) (dir0r < dir1r ? dir0r : dir1r) += 2 * kPi;
  auto direction_at = [&](double t) {
    return seg_len > 0 ? dir0 + t * (dir1r - dir0r) / seg_len : dir0;
  };
  for (long guard = 0;; ++guard) {
    if (width && e.first_piece) flush_range(drawing, matrices, first, end, e);
    if (r.remaining <= 1e-10 || !regen_continue) break;
    if (guard >= kMaxPieces || --r.piece_budget < 0) {
      for (int v = first; v < end; ++v)
        if (regen_viewport_served(v)) regen_draw_segment(drawing, start, p1, matrices, v);
      break;
    }
    int noted = e.element < lt->element_count ? e.element : 0;
    double piece = next_piece(e, lt, start, stop);
    r.remaining -= std::fabs(piece);
    if (r.remaining < 0) r.remaining = 0;
    double t0 = travelled, t1 = travelled + std::fabs(piece);
    travelled = t1;
    if (piece < 0 && width) flush_range(drawing, matrices, first, end, e);
    if (piece >= 0) {
      for (int v = first; v < end; ++v) {
        if (!regen_viewport_served(v)) continue;
        if (width && seg_len > 0) {
          double wa = w0 + t0 * (w1 - w0) / seg_len, wb = w0 + t1 * (w1 - w0) / seg_len;
          double da = direction_at(t0), db = direction_at(t1);
          // A dot has no direction of its own: it takes the segment's.
          if (t1 == t0 && da == TK_NO_DIRECTION)
            da = db = reduce_angle(std::atan2(p1[1] - p0[1], p1[0] - p0[0]) - kPi / 2);
          wide_piece(drawing, start, stop, wa, wb, da, db, matrices, v, e, run_length);
        } else {
          regen_draw_segment(drawing, start, stop, matrices, v);
        }
      }
    }
    // An element that ends exactly at the segment's end has its shape left out.
    if (e.element > noted && r.remaining != 0)
      draw_element_shape(drawing, lt, noted, stop, place, first, end, e);
    std::memcpy(start, stop, sizeof start);
    if (piece == 0 && e.repetitions <= 0 && e.element == 0) break;
  }
  std::memcpy(r.last_point, start, sizeof start);
}

}  // namespace

void regen_reset_patterns() {
  for (TkPatternEntry& e : tk_regen.pattern) {
    e.carry = 0;
    e.element = 0;
    e.wide_pending = 0;
  }
}

void ltype_drop_wide() { std::memset(g_has_pending, 0, sizeof g_has_pending); }

void ltype_flush_wide(TkDrawing* drawing, TkConstViewMatrices matrices) {
  ltype_flush_wide_viewport(drawing, matrices, 0);
}

void regen_line(TkDrawing* drawing, double p0[3], double p1[3], const double* base,
                TkConstViewMatrices matrices, const TkLinetypeRecord* lt,
                TkDrawing* style_drawing, TkWidthRecord* width, int32_t run,
                double run_length) {
  TkRegenContext& r = tk_regen;
  bool continuous = is_continuous(lt);
  if (lt && !continuous && lt->pattern_length <= 1e-12) {
    lt = &r.continuous;
    continuous = true;
  }
  int first, end;
  regen_viewport_range(&first, &end);
  if (!width && (!lt || lt->element_count <= 0)) {
    for (int v = first; v < end; ++v)
      if (regen_viewport_served(v)) regen_draw_segment(drawing, p0, p1, matrices, v);
    r.last_run = run;
    return;
  }
  if (!continuous && run != r.last_run) {
    for (TkPatternEntry& e : r.pattern) reset_entry(e);
    r.recompute = 1;
  }
  r.last_run = run;
  double threshold = 2.0;
  if (lt && lt->element_count == 2 && lt->elements[0].length == 0.0) threshold = 0.0;
  static TkLinetypeRecord empty{};
  const TkLinetypeRecord* pattern = lt ? lt : &empty;
  bool per_viewport = r.psltscale && first == 1;
  double theta = std::atan2(p1[1] - p0[1], p1[0] - p0[0]);
  if (theta < 0) theta += 2 * kPi;
  double shape_scale = r.ltscale * tk_display_callbacks->scratch_header->linetype_scale;
  ShapePlacement place{base, style_drawing ? style_drawing : drawing, theta, shape_scale};
  if (!per_viewport) {
    walk(drawing, p0, p1, matrices, pattern, width, run_length, first, end, 0, r.pattern[0],
         threshold, continuous, place);
    return;
  }
  double a[3], b[3];
  std::memcpy(a, p0, sizeof a);
  std::memcpy(b, p1, sizeof b);
  for (int v = first; v < end; ++v) {
    if (!regen_viewport_served(v)) continue;
    std::memcpy(p0, a, sizeof a);
    std::memcpy(p1, b, sizeof b);
    std::memset(r.pattern[v].drawn, 0, sizeof r.pattern[v].drawn);
    ShapePlacement at_v = place;
    if (r.vp_scale[v] != 0) at_v.scale = r.vp_scale[0] / r.vp_scale[v] * shape_scale;
    walk(drawing, p0, p1, matrices, pattern, width, run_length, v, v + 1, v, r.pattern[v],
         threshold, continuous, at_v);
  }
  std::memcpy(p0, a, sizeof a);
  std::memcpy(p1, b, sizeof b);
}
