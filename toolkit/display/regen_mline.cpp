// Multilines: an MLINE's parallel element lines as its MLINESTYLE gives them
// (offsets, colours, linetypes, fill, caps), with the per-vertex element
// parameters of the entity: a fill pass (bands between neighbouring elements,
// round caps filled) and a line pass (element lines with their breaks, miter
// lines, line caps and arc caps).
#include <cmath>
#include <cstring>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/display/regen_kinds.h"

namespace {

constexpr double kPi = 3.141592653589793;
// Elements a multiline may have (the readers keep at most this many) and
// parameters per element and vertex that are walked.
constexpr int kMaxElements = 255;
constexpr int16_t kMaxParameters = 4096;

enum : uint16_t {
  kFill = 1,
  kMiters = 2,
  kStartLine = 16,
  kStartInner = 32,
  kStartRound = 64,
  kEndLine = 256,
  kEndInner = 512,
  kEndRound = 1024,
};

struct V3 {
  double x, y, z;
};
V3 add(V3 a, V3 b, double k = 1) { return {a.x + k * b.x, a.y + k * b.y, a.z + k * b.z}; }
V3 mid(V3 a, V3 b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2}; }

struct Element {
  int16_t colour;  // mapped; -1 none
  TkLinetypeRecord* linetype;
  V3 end;       // where the element's line goes on from
  V3 point;     // its point at the current vertex
  V3 previous;  // and at the vertex before
  bool pen_down;
};

struct Mline {
  TkDrawing* drawing;
  TkConstViewMatrices matrices;
  double normal[3];
  int16_t fill_colour;
};

void set_colour(TkDrawing* drawing, int16_t mapped) {
  if (mapped >= 0) regen_set_color(drawing, mapped);
}

void line(const Mline& m, V3 a, V3 b, const TkLinetypeRecord* lt) {
  double p0[3] = {a.x, a.y, a.z}, p1[3] = {b.x, b.y, b.z};
  regen_line(m.drawing, p0, p1, nullptr, m.matrices, lt, m.drawing, nullptr, ++tk_regen.run_counter,
             0.0);
}

void band(const Mline& m, V3 a0, V3 a1, V3 b1, V3 b0) {
  const double quad[4][3] = {
      {a0.x, a0.y, a0.z}, {a1.x, a1.y, a1.z}, {b1.x, b1.y, b1.z}, {b0.x, b0.y, b0.z}};
  regen_fill_polygon(m.drawing, quad, 4, m.matrices);
}

// The half circle from a to b about their middle, turning by sign x pi in the
// multiline's plane: its points, k + 1 of them.
std::vector<V3> half_circle(const Mline& m, V3 a, V3 b, double sign, int32_t k) {
  V3 c = mid(a, b);
  V3 d{a.x - c.x, a.y - c.y, a.z - c.z};
  const double* n = m.normal;
  // q = d rotated by t about n: d cos t + (n x d) sin t (d lies in the plane).
  V3 nd{n[1] * d.z - n[2] * d.y, n[2] * d.x - n[0] * d.z, n[0] * d.y - n[1] * d.x};
  std::vector<V3> out;
  for (int32_t i = 0; i <= k; ++i) {
    double t = sign * kPi * i / k;
    out.push_back(add(add(c, d, std::cos(t)), nd, std::sin(t)));
  }
  return out;
}

int32_t segments_of(V3 a, V3 b) {
  double r =
      std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y) + (b.z - a.z) * (b.z - a.z)) /
      2;
  int32_t k = regen_circle_segments(r) / 2;
  return k < 2 ? 2 : k;
}

// Two quarter arcs from a to b, in the colours of the two elements.
void arc_cap(const Mline& m, V3 a, V3 b, double sign, int16_t first, int16_t second) {
  std::vector<V3> pts = half_circle(m, a, b, sign, 2 * (segments_of(a, b) / 2 + 1));
  size_t half = pts.size() / 2;
  for (size_t i = 0; i + 1 < pts.size(); ++i) {
    int16_t colour = i < half ? first : second;
    if (colour < 0) continue;
    set_colour(m.drawing, colour);
    line(m, pts[i], pts[i + 1], &tk_regen.continuous);
  }
}

void round_fill(const Mline& m, V3 a, V3 b, double sign) {
  if (m.fill_colour < 0) return;
  set_colour(m.drawing, m.fill_colour);
  std::vector<V3> pts = half_circle(m, a, b, sign, segments_of(a, b));
  V3 c = mid(a, b);
  for (size_t i = 0; i + 1 < pts.size(); ++i) {
    const double tri[3][3] = {{c.x, c.y, c.z},
                              {pts[i].x, pts[i].y, pts[i].z},
                              {pts[i + 1].x, pts[i + 1].y, pts[i + 1].z}};
    regen_fill_polygon(m.drawing, tri, 3, m.matrices);
  }
}

bool read3(TkBlob* r, V3* v) {
  double p[3];
  if (!blob_read(r, p, sizeof p)) return false;
  *v = {p[0], p[1], p[2]};
  return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

bool read_list(TkBlob* r, std::vector<double>& out) {
  int16_t n = 0;
  if (!blob_read(r, &n, sizeof n) || n < 0 || n > kMaxParameters) return false;
  out.resize(size_t(n));
  return n == 0 || blob_read(r, out.data(), sizeof(double) * size_t(n));
}

}  // namespace

int16_t regen_mline(TkDrawing* drawing, const TkEntityData* data, int16_t bylayer_colour,
                    int16_t byblock_colour, const TkLinetypeRecord* bylayer_linetype,
                    const TkLinetypeRecord* byblock_linetype, const double /*base*/[16],
                    TkConstViewMatrices matrices) {
  const int16_t n = tk_data_get<int16_t>(data, 12);
  const int16_t vertices = tk_data_get<int16_t>(data, 14);
  TkBlob* blob = tk_data_blob(data, TK_MLINE_BLOB);
  if (n < 1 || n > kMaxElements || vertices < 1 || !blob) return 1;
  const bool closed = (tk_data_get<int16_t>(data, 10) & 2) != 0;
  TkObjectHeader oh{};
  TkObjectData* od = static_cast<TkObjectData*>(mem_alloc(sizeof(TkObjectData)));
  if (!od) return tk_fail_alloc(TK_ERR_MLINE_ELEMENTS);
  TkHandle style_handle = tk_data_get<TkHandle>(data, TK_MLINE_STYLE);
  bool have_style = tk_object_get(drawing, &style_handle, &oh, od) && oh.type == TK_OBJ_MLINESTYLE;
  uint16_t flags = have_style ? uint16_t(od->mlinestyle.flags) : 0;
  // A closed multiline has no ends: none of the caps (line, inner arcs, round) is drawn.
  if (closed) flags &= ~(kStartLine | kStartInner | kStartRound | kEndLine | kEndInner | kEndRound);
  const int16_t* map = tk_display_callbacks->colour_map;
  auto resolve = [&](int16_t colour) -> int16_t {
    int16_t c = colour == 0                   ? byblock_colour
                : colour == TK_COLOUR_BYLAYER ? bylayer_colour
                                              : colour;
    return c < 0 ? int16_t(-1) : map[c & 0xFF];
  };

  std::vector<Element> el(static_cast<size_t>(n));
  std::vector<TkLinetypeRecord*> owned;
  bool ok = true;
  TkBlob* er =
      have_style && od->mlinestyle.elements ? blob_open_read(od->mlinestyle.elements) : nullptr;
  for (int16_t e = 0; e < n; ++e) {
    TkMlineElement me{TK_COLOUR_BYLAYER, 32767, 0.0};
    if (er && e < int16_t(od->mlinestyle.element_count)) {
      uint8_t raw[16];
      if (blob_read(er, raw, sizeof raw)) {
        std::memcpy(&me.colour, raw, 2);
        std::memcpy(&me.linetype, raw + 2, 2);
      }
    }
    el[size_t(e)].colour = resolve(me.colour);
    el[size_t(e)].pen_down = true;
    if (me.linetype == 32766) {
      el[size_t(e)].linetype = const_cast<TkLinetypeRecord*>(byblock_linetype);
    } else if (me.linetype == 32767 || me.linetype < 0) {
      el[size_t(e)].linetype = const_cast<TkLinetypeRecord*>(bylayer_linetype);
    } else {
      auto* rec = static_cast<TkLinetypeRecord*>(mem_alloc(sizeof(TkLinetypeRecord)));
      if (!rec) {
        ok = false;
        break;
      }
      owned.push_back(rec);
      bool found = me.linetype < tk_ltype_count(drawing) && tk_ltype_rewind(drawing);
      for (int16_t k = 0; found && k <= me.linetype; ++k) found = tk_ltype_next(drawing, rec) != 0;
      el[size_t(e)].linetype = found ? rec : const_cast<TkLinetypeRecord*>(bylayer_linetype);
    }
  }
  if (er) blob_close(er);
  Mline m{drawing, matrices, {0, 0, 1}, resolve(have_style ? od->mlinestyle.fill_colour : 256)};
  const bool fill = (flags & kFill) != 0;
  mem_free(od);
  if (!ok) {
    for (TkLinetypeRecord* r : owned) mem_free(r);
    return tk_fail_alloc(TK_ERR_MLINE_ELEMENTS);
  }
  const TkEntityHeader* h = tk_display_callbacks->scratch_header;
  if (h->flags & TK_ENTITY_EXTRUDED) {
    double l = std::sqrt(h->extrusion[0] * h->extrusion[0] + h->extrusion[1] * h->extrusion[1] +
                         h->extrusion[2] * h->extrusion[2]);
    if (l > 0 && std::isfinite(l))
      for (int i = 0; i < 3; ++i) m.normal[i] = h->extrusion[i] / l;
  }

  std::vector<double> params, unused;
  std::vector<V3> first_points(static_cast<size_t>(n));
  for (int pass = 0; pass < 2 && regen_continue; ++pass) {
    const bool lines = pass == 1;
    if (!lines && !fill) continue;
    TkBlob* r = blob_open_read(blob);
    if (!r) break;
    for (Element& e : el) e.pen_down = true;
    int16_t j = 0;
    for (; j < vertices && regen_continue; ++j) {
      V3 position, direction, miter;
      if (!read3(r, &position) || !read3(r, &direction) || !read3(r, &miter)) break;
      bool damaged = false;
      for (int16_t k = 0; k < n; ++k) {
        Element& e = el[size_t(k)];
        if (!read_list(r, params) || !read_list(r, unused)) {
          damaged = true;
          break;
        }
        e.previous = e.point;
        V3 p = add(position, miter, params.empty() ? 0.0 : params[0]);
        e.point = p;
        if (j == 0) first_points[size_t(k)] = p;
        if (lines && j > 0 && e.pen_down && e.colour >= 0) {
          set_colour(drawing, e.colour);
          line(m, e.end, p, e.linetype);
        }
        V3 moved = add(p, direction, params.size() > 1 ? params[1] : 0.0);
        V3 last = moved;
        for (size_t b = 2; b < params.size(); ++b) {
          V3 q = add(moved, direction, params[b]);
          if (lines && e.pen_down && e.colour >= 0) {
            set_colour(drawing, e.colour);
            line(m, last, q, e.linetype);
          }
          e.pen_down = !e.pen_down;
          last = q;
        }
        e.end = last;
        if (!lines && j > 0 && k > 0 && m.fill_colour >= 0) {
          set_colour(drawing, m.fill_colour);
          band(m, el[size_t(k - 1)].previous, el[size_t(k - 1)].point, e.point, e.previous);
          set_colour(drawing, e.colour);
        }
      }
      if (damaged) break;
      // Caps and miters at this vertex.
      const bool first = j == 0, final = j == vertices - 1;
      const Element& outer = el[0];
      const Element& inner = el[size_t(n - 1)];
      if (lines && ((first && (flags & kStartLine)) || (final && (flags & kEndLine)) ||
                    (!first && !final && (flags & kMiters)))) {
        V3 c = mid(outer.point, inner.point);
        if (outer.colour >= 0) {
          set_colour(drawing, outer.colour);
          line(m, outer.point, c, &tk_regen.continuous);
        }
        if (inner.colour >= 0) {
          set_colour(drawing, inner.colour);
          line(m, c, inner.point, &tk_regen.continuous);
        }
      }
      const double sign = first ? 1.0 : -1.0;
      if ((first && (flags & kStartRound)) || (final && (flags & kEndRound))) {
        if (lines)
          arc_cap(m, outer.point, inner.point, sign, outer.colour, inner.colour);
        else
          round_fill(m, outer.point, inner.point, sign);
      }
      if (((first && (flags & kStartInner)) || (final && (flags & kEndInner))) && n > 3) {
        if (lines) {
          for (int16_t k = 1; k <= n / 2 - 1; ++k)
            arc_cap(m, el[size_t(k)].point, el[size_t(n - 1 - k)].point, sign, el[size_t(k)].colour,
                    el[size_t(n - 1 - k)].colour);
        } else {
          round_fill(m, el[1].point, el[size_t(n - 2)].point, sign);
        }
      }
    }
    blob_close(r);
    if (closed && j == vertices && vertices > 1) {
      for (int16_t k = 0; k < n; ++k) {
        Element& e = el[size_t(k)];
        if (lines && e.pen_down && e.colour >= 0) {
          set_colour(drawing, e.colour);
          line(m, e.end, first_points[size_t(k)], e.linetype);
        }
        if (!lines && k > 0 && m.fill_colour >= 0) {
          set_colour(drawing, m.fill_colour);
          band(m, el[size_t(k - 1)].point, first_points[size_t(k - 1)], first_points[size_t(k)],
               e.point);
        }
      }
    }
  }
  for (TkLinetypeRecord* rec : owned) mem_free(rec);
  return 1;
}
