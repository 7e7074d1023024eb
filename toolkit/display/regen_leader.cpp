// Leaders: the vertex path of a LEADER (straight, or a spline through its vertices when there
// are enough of them), its arrowhead at the first vertex (a built-in shape or the user's arrow
// block inserted at the tip), the hook line before the last vertex and the extension under the
// annotation. Sizes come from the leader's dimension style with the entity's overrides.
#include <cmath>
#include <cstring>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/dim_lookup.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/symtab.h"
#include "toolkit/display/regen.h"

namespace {

// Vertices a leader may have; its blob bounds them as well.
constexpr uint32_t kMaxVertices = 100000;

struct V3 {
  double x, y, z;
};

V3 sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double len(V3 a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }
V3 add_scaled(V3 p, V3 d, double k) { return {p.x + d.x * k, p.y + d.y * k, p.z + d.z * k}; }
V3 unit(V3 a) {
  double l = len(a);
  return l > 0 ? V3{a.x / l, a.y / l, a.z / l} : V3{0, 0, 0};
}

struct LeaderOut {
  TkDrawing* drawing;
  TkConstViewMatrices m;
  const TkLinetypeRecord* linetype;
};

void line(const LeaderOut& o, V3 a, V3 b, const TkLinetypeRecord* lt) {
  double p0[3] = {a.x, a.y, a.z}, p1[3] = {b.x, b.y, b.z};
  regen_line(o.drawing, p0, p1, nullptr, o.m, lt, o.drawing, nullptr, ++tk_regen.run_counter, 0.0);
}

}  // namespace

void regen_move_toward(double p[3], const double q[3], double d) {
  V3 u = unit(V3{q[0] - p[0], q[1] - p[1], q[2] - p[2]});
  p[0] += d * u.x;
  p[1] += d * u.y;
  p[2] += d * u.z;
}

void regen_arrow_builtin(TkDrawing* drawing, double p0[3], const double p1[3],
                         TkConstViewMatrices matrices, uint16_t kind, double h, uint8_t shorten) {
  const TkEntityHeader& eh = *tk_display_callbacks->scratch_header;
  const double A = 2 * h;
  V3 tip{p0[0], p0[1], p0[2]}, next{p1[0], p1[1], p1[2]};
  if (kind == TK_ARROW_NONE || !(len(sub(next, tip)) >= 2 * A) || !(A > 0)) return;
  V3 u = unit(sub(next, tip));
  V3 N = (eh.flags & TK_ENTITY_EXTRUDED) ? V3{eh.extrusion[0], eh.extrusion[1], eh.extrusion[2]} : V3{0, 0, 1};
  V3 n = unit(V3{u.y * N.z - u.z * N.y, u.z * N.x - u.x * N.z, u.x * N.y - u.y * N.x});
  LeaderOut o{drawing, matrices, nullptr};
  const TkLinetypeRecord* solid = &tk_regen.continuous;
  V3 base = tip;
  switch (kind) {
    case TK_ARROW_DOT:
    case TK_ARROW_ORIGIN: {
      V3 c = add_scaled(tip, u, A / 2);
      int32_t res = tk_display_callbacks->curve_resolution;
      int32_t chords = res > 0 ? 4 * res : 30;
      V3 prev{c.x + A / 2, c.y, c.z};
      for (int32_t i = 1; i <= chords; ++i) {
        double a = 6.283185307179586 * i / chords;
        V3 q{c.x + A / 2 * std::cos(a), c.y + A / 2 * std::sin(a), c.z};
        line(o, prev, q, solid);
        if (kind == TK_ARROW_DOT) {
          const double tri[3][3] = {{prev.x, prev.y, prev.z}, {q.x, q.y, q.z}, {c.x, c.y, c.z}};
          regen_fill_polygon(drawing, tri, 3, matrices);
        }
        prev = q;
      }
      base = c;
      break;
    }
    case TK_ARROW_OPEN90: {
      base = add_scaled(tip, u, 0.9259256666666666 * A);
      V3 w1 = add_scaled(base, n, 0.4629628333333333 * A), w2 = add_scaled(base, n, -0.4629628333333333 * A);
      line(o, tip, w1, solid);
      line(o, w2, tip, solid);
      break;
    }
    case TK_ARROW_OBLIQUE: {
      V3 d{(n.x + u.x) * A / 2, (n.y + u.y) * A / 2, (n.z + u.z) * A / 2};
      V3 w1 = add_scaled(tip, d, 1), w2 = add_scaled(tip, d, -1);
      line(o, tip, w1, solid);
      line(o, w1, w2, solid);
      line(o, w2, tip, solid);
      base = add_scaled(tip, u, A);
      break;
    }
    default: {  // closed filled, closed, open
      base = add_scaled(tip, u, A);
      V3 w1 = add_scaled(base, n, A / 6), w2 = add_scaled(base, n, -A / 6);
      line(o, tip, w1, solid);
      if (kind != TK_ARROW_OPEN) line(o, w1, w2, solid);
      line(o, w2, tip, solid);
      if (kind == TK_ARROW_DEFAULT) {
        const double tri[3][3] = {{tip.x, tip.y, tip.z}, {w1.x, w1.y, w1.z}, {w2.x, w2.y, w2.z}};
        regen_fill_polygon(drawing, tri, 3, matrices);
      }
      break;
    }
  }
  // Open, open-90 and oblique arrows leave the line starting at the tip unless asked.
  bool keeps_tip = kind == TK_ARROW_OPEN || kind == TK_ARROW_OPEN90 || kind == TK_ARROW_OBLIQUE;
  if (shorten || !keeps_tip) {
    p0[0] = base.x;
    p0[1] = base.y;
    p0[2] = base.z;
  }
}

int16_t regen_leader(TkDrawing* drawing, const TkEntityData* data, const double base[16],
                     TkConstViewMatrices matrices, const TkLinetypeRecord* linetype,
                     const TkRegenCall& call) {
  const TkEntityHeader& eh = *tk_display_callbacks->scratch_header;
  const TkHeader* hdr = drawing->header;
  TkDimSettings set{};
  TkHandle style = tk_data_get<TkHandle>(data, TK_LEADER_DIMSTYLE);
  if (!tk_read_dimstyle_overrides(drawing, &eh, &set, &style)) {
    set.scale = hdr ? hdr->dimscale : 1.0;
    set.arrow_size = hdr ? hdr->dimasz : 0.18;
    set.gap = hdr ? hdr->dimgap : 0.09;
    set.text_position = hdr ? hdr->dimtad : 0;
  }
  double s = set.scale > 0 && std::isfinite(set.scale) ? set.scale : 1.0;
  double h = set.arrow_size * s * 0.5;
  if (!std::isfinite(h) || h < 0) h = 0;
  const double A = 2 * h;

  const uint8_t spline = tk_data_get<uint8_t>(data, 2);
  const uint8_t arrow = tk_data_get<uint8_t>(data, 3);
  const uint8_t hook_dir = tk_data_get<uint8_t>(data, 4);
  const uint8_t hook = tk_data_get<uint8_t>(data, 5);
  const double width = tk_data_get<double>(data, 24);
  V3 horizontal{tk_data_get<double>(data, 56), tk_data_get<double>(data, 64), tk_data_get<double>(data, 72)};
  if (!(len(horizontal) > 0) || !std::isfinite(len(horizontal))) horizontal = {1, 0, 0};
  horizontal = unit(horizontal);
  double extension = set.text_position && width != 0 && std::isfinite(width) ? s * set.gap + width : 0.0;

  std::vector<V3> v;
  uint32_t count = tk_data_get<uint16_t>(data, 0);
  if (TkBlob* stored = tk_data_blob(data, TK_LEADER_BLOB)) {
    TkBlob* r = blob_open_read(stored);
    double p[3];
    for (uint32_t i = 0; r && i < count && i < kMaxVertices && blob_read(r, p, sizeof p); ++i)
      if (std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2])) v.push_back({p[0], p[1], p[2]});
    if (r) blob_close(r);
  }
  if (v.size() < 2) return 1;
  LeaderOut o{drawing, matrices, linetype};
  auto draw_arrow = [&](V3& tip, V3 next) {
    double p0[3] = {tip.x, tip.y, tip.z}, p1[3] = {next.x, next.y, next.z};
    regen_leader_arrow(drawing, data, p0, p1, base, matrices, set, h, call, 0);
    tip = {p0[0], p0[1], p0[2]};
  };
  const size_t n = v.size();
  if (!(spline == 1 && n >= 4)) {
    for (size_t i = 0; i + 1 < n; ++i) {
      V3 a = v[i], b = v[i + 1];
      if (i == 0 && arrow) draw_arrow(a, b);
      if (i + 2 == n && hook) {
        V3 H = add_scaled(b, horizontal, (hook_dir ? 1.0 : -1.0) * A);
        line(o, a, H, linetype);
        line(o, H, b, linetype);
      } else {
        line(o, a, b, linetype);
      }
    }
  } else {
    std::vector<double> fit;
    for (size_t i = 0; i < n; ++i) {
      V3 p = v[i];
      if (i == 1 && arrow) {
        V3 tip = v[0];
        draw_arrow(tip, v[1]);
        fit[0] = tip.x;
        fit[1] = tip.y;
        fit[2] = tip.z;
      }
      if (i + 1 == n) {
        V3 prev = v[n - 2];
        double dx = p.x - prev.x, dy = p.y - prev.y;
        if (dx != 0 && std::fabs(dy / dx) > 0.75) {
          double sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
          fit.insert(fit.end(), {p.x - sx * A, p.y - sy * h, p.z});
        }
      }
      fit.insert(fit.end(), {p.x, p.y, p.z});
    }
    std::vector<double> out;
    regen_fit_points(fit, regen_curve_resolution(&eh), out);
    int32_t run = ++tk_regen.run_counter;
    for (size_t i = 3; i + 2 < out.size() && regen_continue; i += 3) {
      double a[3] = {out[i - 3], out[i - 2], out[i - 1]}, b[3] = {out[i], out[i + 1], out[i + 2]};
      regen_line(drawing, a, b, nullptr, matrices, linetype, drawing, nullptr, run, 0.0);
    }
  }
  if (extension != 0 && hook) {
    V3 last = v[n - 1];
    line(o, last, add_scaled(last, horizontal, (hook_dir ? -1.0 : 1.0) * extension), linetype);
  }
  return 1;
}

void regen_leader_arrow(TkDrawing* drawing, const TkEntityData* /*data*/, double p0[3],
                        const double p1[3], const double base[16], TkConstViewMatrices matrices,
                        const TkDimSettings& set, double h, const TkRegenCall& call,
                        uint8_t shorten) {
  const TkEntityHeader eh = *tk_display_callbacks->scratch_header;
  const double A = 2 * h;
  char name[TK_NAME_SIZE] = "";
  TkBlockRecord* block = nullptr;
  if (!tk_handle_is_null(&set.arrow_block)) {
    block = static_cast<TkBlockRecord*>(mem_alloc(sizeof(TkBlockRecord)));
    if (block && tk_block_get(drawing, &set.arrow_block, block)) {
      std::memcpy(name, block->name, sizeof name);
      name[sizeof name - 1] = 0;
    }
    mem_free(block);
  }
  uint16_t kind = TK_ARROW_DEFAULT;
  tk_arrow_kind(name, &kind);
  if (kind == TK_ARROW_NONE) return;
  V3 tip{p0[0], p0[1], p0[2]}, next{p1[0], p1[1], p1[2]};
  if (!(len(sub(next, tip)) >= 2 * A)) return;
  TkList* list = name[0] ? tk_block_entity_list(drawing, &set.arrow_block) : nullptr;
  if (kind != TK_ARROW_USER_BLOCK || !list) {
    regen_arrow_builtin(drawing, p0, p1, matrices, kind, h, shorten);
  } else {
    // The user's arrow block, inserted at the tip pointing back along the first segment and
    // scaled by the arrow size, one level deeper in the dispatcher.
    double angle = std::atan2(tip.y - next.y, tip.x - next.x);
    double cell[16], rot[16];
    tk_matrix_identity(cell);
    cell[0] = cell[5] = cell[10] = A;
    tk_matrix_identity(rot);
    rot[0] = rot[5] = std::cos(angle);
    rot[1] = std::sin(angle);
    rot[4] = -std::sin(angle);
    tk_matrix_multiply(cell, rot, cell);
    cell[12] = tip.x;
    cell[13] = tip.y;
    cell[14] = tip.z;
    tk_matrix_multiply(cell, base, cell);
    bool active = tk_regen.active_count >= TK_REGEN_MAX_DEPTH;
    for (int16_t i = 0; !active && i < tk_regen.active_count; ++i)
      active = tk_handle_compare(&tk_regen.active_blocks[i], &set.arrow_block) == 0;
    if (!active) {
      tk_regen.active_blocks[tk_regen.active_count++] = set.arrow_block;
      TkEntityHeader saved = eh;
      regen_entity(drawing, list, cell, call.colour, &tk_regen.continuous, call.lineweight,
                   int16_t(call.depth + 1), call.xref_depth, call.mask);
      *tk_display_callbacks->scratch_header = saved;
      --tk_regen.active_count;
    }
    bool keeps = !std::strcmp(name, "_OBLIQUE") || !std::strcmp(name, "_ARCHTICK") ||
                 !std::strcmp(name, "_DOTSMALL") || !std::strcmp(name, "_INTEGRAL");
    if (shorten || !keeps) regen_move_toward(p0, p1, h);
  }
  if (set.line_colour > 0 && set.line_colour < 256) regen_set_color(drawing, tk_display_callbacks->colour_map[set.line_colour]);
}
