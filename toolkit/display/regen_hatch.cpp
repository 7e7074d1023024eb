// Hatch fill: a HATCH entity's boundary paths (polylines with bulges, or edges that are lines,
// circular and elliptic arcs and splines) turned into closed loops of chords, then either filled
// as one region (solid hatch) or crossed by the lines of the hatch pattern, whose inside spans
// are drawn solid or dashed. Loops are chosen by the hatch style: 0 alternates inside and
// outside from loop to loop, 1 hatches the outermost area only, 2 ignores the islands. Every
// count from the record is checked against what its blobs hold; what does not fit ends the loop
// or the hatch, never the drawing.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/matrix.h"
#include "toolkit/display/regen.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;
// Lines one pattern family may lay across a hatch: a spacing tiny against the boundary (a
// damaged scale) would otherwise take unbounded time.
constexpr int64_t kMaxFamilyLines = 200000;
// Points one boundary may have; the blob data bound them too, this bounds their cost.
constexpr size_t kMaxLoopPoints = 4000000;

struct Pt {
  double x, y;
};

// One closed boundary loop as its chain of points (the last joins back to the first).
struct Loop {
  std::vector<Pt> pts;
  double box[4] = {1e300, 1e300, -1e300, -1e300};
};

// A bounded reader over one blob.
struct BlobIn {
  TkBlob* r = nullptr;
  bool ok = false;
  explicit BlobIn(TkBlob* stored) {
    r = stored ? blob_open_read(stored) : nullptr;
    ok = r != nullptr;
  }
  ~BlobIn() {
    if (r) blob_close(r);
  }
  template <typename T>
  T get() {
    T v{};
    if (ok && !blob_read(r, &v, sizeof v)) ok = false;
    return v;
  }
  double real() {
    double v = get<double>();
    if (!std::isfinite(v)) ok = false;
    return ok ? v : 0.0;
  }
};

void add_point(Loop& l, double x, double y) {
  if (!l.pts.empty() && l.pts.back().x == x && l.pts.back().y == y) return;
  if (l.pts.size() >= kMaxLoopPoints) return;
  l.pts.push_back({x, y});
}

// Points of a circular arc after its start point: sweep from the start angle.
void arc_points(Loop& l, double cx, double cy, double r, double start, double sweep, int32_t res) {
  if (!(r > 0) || !std::isfinite(sweep)) return;
  int32_t n = regen_arc_segments(sweep, r, res);
  for (int32_t i = 1; i <= n; ++i) {
    double a = start + sweep * i / n;
    add_point(l, cx + r * std::cos(a), cy + r * std::sin(a));
  }
}

// The segment from a to b with a bulge: the arc through both whose included angle is
// 4 atan(bulge), as chords.
void bulge_points(Loop& l, Pt a, Pt b, double bulge, int32_t res) {
  if (bulge == 0) {
    add_point(l, b.x, b.y);
    return;
  }
  double dx = b.x - a.x, dy = b.y - a.y, chord = std::hypot(dx, dy);
  if (!(chord > 0)) return;
  double included = 4 * std::atan(bulge);
  double r = chord / (2 * std::sin(included / 2));
  // The centre lies on the chord's perpendicular bisector, at the signed distance that gives
  // the included angle.
  double h = r * std::cos(included / 2);
  double mx = (a.x + b.x) / 2, my = (a.y + b.y) / 2;
  double cx = mx - dy / chord * h, cy = my + dx / chord * h;
  double start = std::atan2(a.y - cy, a.x - cx);
  arc_points(l, cx, cy, std::fabs(r), start, included, res);
  add_point(l, b.x, b.y);
}

// Circular and elliptic arc edges keep their angles for the counter-clockwise sense; a
// clockwise edge's angles are those of its mirror image.
void edge_sweep(bool ccw, double& start, double& end) {
  if (!ccw) {
    start = kTwoPi * 2 - start;
    end = kTwoPi * 2 - end;
    while (end > start) end -= kTwoPi;
  } else {
    while (end < start) end += kTwoPi;
  }
  if (end - start > kTwoPi) end = start + kTwoPi;
  if (start - end > kTwoPi) end = start - kTwoPi;
}

struct Reading {
  int32_t resolution;
  uint32_t gaps_joined = 0;
};

// One edge path; false when the blob ends early (what was read stays).
bool read_edges(BlobIn& in, Loop& l, Reading& rd) {
  uint32_t edges = in.get<uint32_t>();
  bool have_line_end = false;
  Pt line_end{0, 0};
  for (uint32_t k = 0; in.ok && k < edges; ++k) {
    int16_t type = in.get<int16_t>();
    if (!in.ok) return false;
    switch (type) {
      case 1: {
        Pt a{in.real(), in.real()};
        Pt b{in.real(), in.real()};
        if (!in.ok) return false;
        // A line edge that does not start where the previous line edge ended is joined to it
        // by a chord: the loop stays closed and whole.
        if (have_line_end && (a.x != line_end.x || a.y != line_end.y)) ++rd.gaps_joined;
        add_point(l, a.x, a.y);
        add_point(l, b.x, b.y);
        line_end = b;
        have_line_end = true;
        break;
      }
      case 2: {
        double cx = in.real(), cy = in.real(), r = in.real(), start = in.real(), end = in.real();
        bool ccw = in.get<int16_t>() != 0;
        if (!in.ok) return false;
        edge_sweep(ccw, start, end);
        add_point(l, cx + r * std::cos(start), cy + r * std::sin(start));
        arc_points(l, cx, cy, r, start, end - start, rd.resolution);
        break;
      }
      case 3: {
        double cx = in.real(), cy = in.real(), ax = in.real(), ay = in.real();
        double ratio = in.real(), start = in.real(), end = in.real();
        bool ccw = in.get<int16_t>() != 0;
        if (!in.ok) return false;
        edge_sweep(ccw, start, end);
        double a = std::hypot(ax, ay), b = a * ratio, axis = std::atan2(ay, ax);
        double sweep = end - start;
        int32_t n = regen_arc_segments(sweep, a, rd.resolution);
        double ca = std::cos(axis), sa = std::sin(axis);
        for (int32_t i = 0; i <= n; ++i) {
          double t = start + sweep * i / n;
          double px = a * std::cos(t), py = b * std::sin(t);
          add_point(l, cx + px * ca - py * sa, cy + px * sa + py * ca);
        }
        break;
      }
      case 4: {
        int32_t degree = in.get<int32_t>();
        bool rational = in.get<int16_t>() != 0;
        in.get<int16_t>();  // periodic: the knots say it all
        uint32_t knots = in.get<uint32_t>(), controls = in.get<uint32_t>();
        if (!in.ok || knots > 1000000 || controls > 1000000) return false;
        std::vector<double> U(knots), P;
        for (double& u : U) u = in.get<double>();
        P.reserve(size_t(controls) * 4);
        for (uint32_t j = 0; in.ok && j < controls; ++j) {
          double x = in.get<double>(), y = in.get<double>();
          double w = rational ? in.get<double>() : 1.0;
          P.insert(P.end(), {x, y, 0.0, w});
        }
        if (!in.ok) return false;
        std::vector<double> out;
        regen_spline_points(degree, rational, U, P, rd.resolution, out);
        for (size_t j = 0; j + 2 < out.size(); j += 3)
          if (std::isfinite(out[j]) && std::isfinite(out[j + 1])) add_point(l, out[j], out[j + 1]);
        break;
      }
      default:
        return false;  // an edge of no known size: nothing after it can be placed
    }
  }
  return in.ok;
}

bool read_polyline(BlobIn& in, Loop& l, Reading& rd) {
  bool bulges = in.get<int16_t>() != 0;
  bool closed = in.get<int16_t>() != 0;
  uint32_t n = in.get<uint32_t>();
  std::vector<Pt> v;
  std::vector<double> b;
  for (uint32_t i = 0; in.ok && i < n && v.size() < kMaxLoopPoints; ++i) {
    Pt p{in.real(), in.real()};
    double bulge = bulges ? in.real() : 0.0;
    if (!in.ok) break;
    v.push_back(p);
    b.push_back(std::fabs(bulge) < 1e-12 ? 0.0 : bulge);
  }
  if (v.empty()) return in.ok;
  add_point(l, v[0].x, v[0].y);
  for (size_t i = 0; i + 1 < v.size(); ++i) bulge_points(l, v[i], v[i + 1], b[i], rd.resolution);
  // Whether or not the path says it is closed, a boundary closes on its first point.
  if (closed && v.size() > 1) bulge_points(l, v.back(), v[0], b.back(), rd.resolution);
  return in.ok;
}

// Even-odd containment of a point in a loop.
bool inside(const Loop& l, Pt p) {
  bool in = false;
  const size_t n = l.pts.size();
  for (size_t i = 0, j = n - 1; i < n; j = i++) {
    const Pt& a = l.pts[i];
    const Pt& b = l.pts[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

bool boxes_overlap(const double a[4], const double b[4]) {
  return a[0] <= b[2] && b[0] <= a[2] && a[1] <= b[3] && b[1] <= a[3];
}

// How many other loops hold each loop; with style 1 loops deeper than 1 and with style 2 loops
// deeper than 0 are dropped.
void select_loops(std::vector<Loop>& loops, int16_t style) {
  if (style == 0 || loops.size() < 2) return;
  std::vector<int> depth(loops.size(), 0);
  for (size_t i = 0; i < loops.size(); ++i) {
    if (loops[i].pts.empty()) continue;
    for (size_t j = 0; j < loops.size(); ++j) {
      if (i == j || loops[j].pts.size() < 3 || !boxes_overlap(loops[i].box, loops[j].box)) continue;
      // A loop lies in another when its points do (a few suffice; loops do not cross).
      bool all = true;
      size_t step = std::max<size_t>(1, loops[i].pts.size() / 8);
      for (size_t k = 0; all && k < loops[i].pts.size(); k += step) all = inside(loops[j], loops[i].pts[k]);
      if (all) ++depth[i];
    }
  }
  const int deepest = style == 1 ? 1 : 0;
  for (size_t i = 0; i < loops.size(); ++i)
    if (depth[i] > deepest) loops[i].pts.clear();
}

// The output context of one hatch: the viewports it is drawn in and the z of every point.
struct Out {
  TkDrawing* drawing;
  TkConstViewMatrices m;
  const TkLinetypeRecord* linetype;  // with dashes: segments through the linetype walk
  double z;
  int first, end;
};

void segment(const Out& o, double x0, double y0, double x1, double y1) {
  double a[3] = {x0, y0, o.z}, b[3] = {x1, y1, o.z};
  if (o.linetype) {
    regen_line(o.drawing, a, b, nullptr, o.m, o.linetype, o.drawing, nullptr, ++tk_regen.run_counter, 0.0);
    return;
  }
  for (int v = o.first; v < o.end; ++v)
    if (regen_viewport_served(v)) regen_draw_segment(o.drawing, a, b, o.m, v);
}

struct Family {
  double angle, bx, by, ox, oy;
  std::vector<double> dashes;
};

struct Hit {
  double t;  // along the line's direction from its reference point
  int32_t loop;
};

// Draws the span [t0, t1] of the line through (px, py) along (c, s) with the family's dashes,
// in phase with the line's reference point.
void draw_span(const Out& o, const Family& f, double px, double py, double c, double s, double t0,
               double t1, double pattern) {
  if (f.dashes.empty() || !(pattern > 0)) {
    segment(o, px + c * t0, py + s * t0, px + c * t1, py + s * t1);
    tk_regen.piece_budget--;
    return;
  }
  double phase = std::fmod(t0, pattern);
  if (phase < 0) phase += pattern;
  size_t k = 0;
  double left = 0;
  // The dash in force at the phase and what is left of it.
  double walked = 0;
  for (k = 0; k < f.dashes.size(); ++k) {
    double len = std::fabs(f.dashes[k]);
    if (walked + len > phase) break;
    walked += len;
  }
  if (k == f.dashes.size()) k = 0, walked = phase;
  left = std::fabs(f.dashes[k]) - (phase - walked);
  double t = t0;
  while (t < t1 && tk_regen.piece_budget > 0) {
    double d = f.dashes[k];
    double e = std::min(t + std::max(left, 0.0), t1);
    if (d >= 0) {
      segment(o, px + c * t, py + s * t, px + c * e, py + s * e);
      tk_regen.piece_budget--;
    }
    t = e;
    k = (k + 1) % f.dashes.size();
    left = std::fabs(f.dashes[k]);
    // A pattern of dots only moves on by nothing: one dot per span is enough.
    if (left == 0 && pattern <= 0) break;
  }
}

void pattern_lines(const Out& o, const std::vector<Loop>& loops, const std::vector<Family>& families,
                   int16_t style) {
  double box[4] = {1e300, 1e300, -1e300, -1e300};
  for (const Loop& l : loops)
    if (!l.pts.empty()) {
      box[0] = std::min(box[0], l.box[0]);
      box[1] = std::min(box[1], l.box[1]);
      box[2] = std::max(box[2], l.box[2]);
      box[3] = std::max(box[3], l.box[3]);
    }
  if (box[0] > box[2]) return;
  std::vector<Hit> hits;
  std::vector<uint8_t> in_loop(loops.size());
  // Per loop vertex, its place along the family's direction (c, s) from the origin: a hit's place
  // along its line is then a difference, not products. The side of the line stays measured from
  // the line's own point, so that a vertex on the line is exactly on it.
  std::vector<std::vector<double>> along_of(loops.size());
  for (const Family& f : families) {
    double c = std::cos(f.angle), s = std::sin(f.angle);
    // The family's lines are its base line moved by whole offsets; their distance apart across
    // the lines is the offset's component along the normal (-s, c).
    double h = -s * f.ox + c * f.oy;
    double size = std::max(box[2] - box[0], box[3] - box[1]);
    if (!std::isfinite(h) || std::fabs(h) <= size * 1e-9 || std::fabs(h) < 1e-300) continue;
    double lo = 1e300, hi = -1e300;
    for (int k = 0; k < 4; ++k) {
      double x = box[(k & 1) ? 2 : 0], y = box[(k & 2) ? 3 : 1];
      double d = (-s * (x - f.bx) + c * (y - f.by)) / h;
      lo = std::min(lo, d);
      hi = std::max(hi, d);
    }
    double first = std::ceil(lo), last = std::floor(hi);
    if (!(last - first < double(kMaxFamilyLines))) continue;
    double pattern = 0;
    for (double d : f.dashes) pattern += std::fabs(d);
    for (size_t li = 0; li < loops.size(); ++li) {
      const std::vector<Pt>& p = loops[li].pts;
      std::vector<double>& w = along_of[li];
      w.resize(p.size());
      for (size_t i = 0; i < p.size(); ++i) w[i] = c * p[i].x + s * p[i].y;
    }
    for (int64_t j = int64_t(first); j <= int64_t(last) && regen_continue && tk_regen.piece_budget > 0; ++j) {
      double px = f.bx + f.ox * double(j), py = f.by + f.oy * double(j);
      const double along = c * px + s * py;
      hits.clear();
      for (size_t li = 0; li < loops.size(); ++li) {
        const std::vector<Pt>& p = loops[li].pts;
        const std::vector<double>& w = along_of[li];
        const size_t n = p.size();
        if (n < 2) continue;
        // The box across the line first: a loop the line misses costs four products.
        const double* lb = loops[li].box;
        double c0 = -s * (lb[0] - px), c1 = -s * (lb[2] - px), d0 = c * (lb[1] - py), d1 = c * (lb[3] - py);
        double smin = std::min(c0, c1) + std::min(d0, d1), smax = std::max(c0, c1) + std::max(d0, d1);
        if (smin > 0 || smax < 0) continue;
        double sa = -s * (p[n - 1].x - px) + c * (p[n - 1].y - py), ta = w[n - 1];
        for (size_t i = 0; i < n; ++i) {
          double sb = -s * (p[i].x - px) + c * (p[i].y - py), tb = w[i];
          // Half-open: a line through a vertex counts it once where it crosses, not where it
          // only touches.
          if ((sa > 0) != (sb > 0)) {
            double u = sa / (sa - sb);
            hits.push_back({ta + (tb - ta) * u - along, int32_t(li)});
          }
          sa = sb;
          ta = tb;
        }
      }
      if (hits.size() < 2) continue;
      // Most lines cross a boundary twice: the pair needs no sort.
      if (hits.size() == 2) {
        if (hits[1].t < hits[0].t) std::swap(hits[0], hits[1]);
      } else {
        std::sort(hits.begin(), hits.end(), [](const Hit& x, const Hit& y) { return x.t < y.t; });
      }
      if (style == 0) {
        for (size_t k = 0; k + 1 < hits.size(); k += 2)
          draw_span(o, f, px, py, c, s, hits[k].t, hits[k + 1].t, pattern);
      } else {
        std::fill(in_loop.begin(), in_loop.end(), 0);
        int inside_count = 0;
        for (size_t k = 0; k + 1 < hits.size(); ++k) {
          uint8_t& state = in_loop[size_t(hits[k].loop)];
          state ^= 1;
          inside_count += state ? 1 : -1;
          bool draw = style == 1 ? inside_count == 1 : inside_count >= 1;
          if (draw && hits[k + 1].t > hits[k].t)
            draw_span(o, f, px, py, c, s, hits[k].t, hits[k + 1].t, pattern);
        }
      }
    }
  }
}

void solid_fill(const Out& o, const std::vector<Loop>& loops, const TkEntityHeader& h) {
  std::vector<double> pts;
  std::vector<int32_t> counts;
  for (const Loop& l : loops) {
    if (l.pts.size() < 3) continue;
    for (const Pt& p : l.pts) pts.insert(pts.end(), {p.x, p.y, o.z});
    counts.push_back(int32_t(l.pts.size()));
  }
  if (counts.empty()) return;
  // Without fills (FILLMODE off, or a view that does not face the hatch) the boundary shows.
  bool fill = false;
  for (int v = o.first; v < o.end && !fill; ++v) fill = regen_viewport_served(v) && fill_faces_viewer(v);
  if (!fill) {
    size_t at = 0;
    for (int32_t n : counts) {
      for (int32_t i = 0; i < n; ++i) {
        const double* a = &pts[3 * (at + size_t(i))];
        const double* b = &pts[3 * (at + size_t((i + 1) % n))];
        segment(o, a[0], a[1], b[0], b[1]);
      }
      at += size_t(n);
    }
    return;
  }
  // Hatch points are in the entity's own coordinate system.
  int count = tk_regen.viewport_count ? tk_regen.viewport_count : 1;
  std::vector<double> ms(size_t(count) * 16);
  double ecs[16];
  bool extruded = (h.flags & TK_ENTITY_EXTRUDED) != 0;
  if (extruded) tk_matrix_from_extrusion(h.extrusion, ecs);
  for (int v = 0; v < count; ++v) {
    if (extruded)
      tk_matrix_multiply(ecs, o.m[v], &ms[size_t(v) * 16]);
    else
      std::memcpy(&ms[size_t(v) * 16], o.m[v], 16 * sizeof(double));
  }
  regen_fill_region(o.drawing, reinterpret_cast<const double(*)[3]>(pts.data()), counts.data(),
                    int32_t(counts.size()), reinterpret_cast<TkConstViewMatrices>(ms.data()));
}

}  // namespace

int16_t hatch_fill_display(TkDrawing* drawing, const TkEntityData* data,
                           TkConstViewMatrices matrices, const TkLinetypeRecord* linetype) {
  const TkEntityHeader& h = *tk_display_callbacks->scratch_header;
  Reading rd{regen_curve_resolution(&h)};
  std::vector<Loop> loops;
  const uint32_t paths = tk_data_get<uint32_t>(data, TK_HATCH_PATH_COUNT);
  {
    BlobIn in(tk_data_blob(data, TK_HATCH_PATHS));
    for (uint32_t p = 0; in.ok && p < paths; ++p) {
      uint32_t flags = in.get<uint32_t>();
      if (!in.ok) break;
      Loop l;
      bool whole = (flags & 2) ? read_polyline(in, l, rd) : read_edges(in, l, rd);
      in.get<uint32_t>();  // the path's source-object count
      // A path cut short by the end of the data is not a boundary; nothing after it can be
      // placed.
      if (!whole || !in.ok) break;
      // A path flagged as not used is read past and draws nothing.
      if (!(flags & 8) && l.pts.size() >= 2) {
        if (l.pts.size() > 2 && l.pts.front().x == l.pts.back().x && l.pts.front().y == l.pts.back().y)
          l.pts.pop_back();
        for (const Pt& q : l.pts) {
          l.box[0] = std::min(l.box[0], q.x);
          l.box[1] = std::min(l.box[1], q.y);
          l.box[2] = std::max(l.box[2], q.x);
          l.box[3] = std::max(l.box[3], q.y);
        }
        loops.push_back(std::move(l));
      }
    }
  }
  tk_regen.hatch_gaps_joined += rd.gaps_joined;
  int16_t style = tk_data_get<int16_t>(data, TK_HATCH_STYLE);
  // Styles are 0 to 2; any other value hatches as the normal style.
  if (style < 0 || style > 2) style = 0;
  select_loops(loops, style);

  Out o{drawing, matrices, nullptr, tk_data_get<double>(data, TK_HATCH_ELEVATION + 16), 0, 1};
  if (!std::isfinite(o.z)) o.z = 0;
  if (linetype && linetype->element_count > 0) o.linetype = linetype;
  regen_viewport_range(&o.first, &o.end);
  if (tk_data_get<int16_t>(data, TK_HATCH_SOLID)) {
    solid_fill(o, loops, h);
    return 1;
  }
  std::vector<Family> families;
  const int16_t lines = tk_data_get<int16_t>(data, TK_HATCH_LINE_COUNT);
  {
    BlobIn in(tk_data_blob(data, TK_HATCH_LINES));
    for (int16_t i = 0; in.ok && i < lines; ++i) {
      Family f;
      f.angle = in.real();
      f.bx = in.real();
      f.by = in.real();
      f.ox = in.real();
      f.oy = in.real();
      int16_t n = in.get<int16_t>();
      for (int16_t k = 0; in.ok && k < n; ++k) f.dashes.push_back(in.real());
      if (!in.ok) break;
      families.push_back(std::move(f));
    }
  }
  pattern_lines(o, loops, families, style);
  return 1;
}
