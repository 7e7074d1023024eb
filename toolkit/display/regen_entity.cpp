// The entity dispatcher: walks one entity list (a space or a block), resolves each entity's
// layer, colour, linetype and lineweight, decides whether it is visible, and hands it to the
// routine of its kind; expands block insertions (arrays included) by calling itself, never
// into a block whose expansion is already in progress. Kinds without a routine in this program
// are counted and skipped.
#include <cmath>
#include <cstring>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/dim_lookup.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/display/mtext.h"
#include "toolkit/display/image_frame.h"
#include "toolkit/display/plot_style.h"
#include "toolkit/display/regen.h"
#include "toolkit/display/regen_kinds.h"
#include "toolkit/display/vec_output.h"
#include "toolkit/display/regen_solid.h"
#include "toolkit/display/shx.h"
#include "toolkit/display/xclip.h"
#include "toolkit/display/xref.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr uint8_t kPaperEntity = 1;

TkEntityHeader& H() { return *tk_display_callbacks->scratch_header; }
TkEntityData& D() { return *tk_display_callbacks->scratch_data; }

template <typename T>
T get(size_t at) {
  return tk_data_get<T>(&D(), at);
}

void point3(size_t at, double out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = get<double>(at + 8 * i);
}

bool same(const TkHandle& a, const TkHandle& b) { return tk_handle_compare(&a, &b) == 0; }

// Reads the next entity. Inside a block, an entity on layer "0" (other than an attribute, which
// follows its own insertion) is drawn on the layer of the insertion that shows the block, so it
// takes that layer's colour, linetype and on, off and frozen state.
int16_t emit_next(TkList* list) {
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (!entity_list_next(list, cb->scratch_header, cb->scratch_data)) return 0;
  const TkDisplayState* s = tk_regen.state;
  TkEntityHeader* h = cb->scratch_header;
  if (s && h->kind != TK_ATTRIB && same(h->layer, s->default_layer)) h->layer = s->inserting_layer;
  if (cb->text_hook) cb->text_hook(cb->scratch_header, cb->scratch_data, tk_regen.drawing->user_data);
  return 1;
}

void count_kind(std::vector<uint32_t>& counts, uint16_t kind) {
  if (counts.size() <= kind) counts.resize(size_t(kind) + 1);
  ++counts[kind];
}

void count_skip(uint16_t kind) {
  tk_regen.skipped[kind < TK_REGEN_SKIP_SLOTS - 1 ? kind : TK_REGEN_SKIP_SLOTS - 1]++;
  count_kind(tk_regen.kind_passed, kind);
}

// Per-level working storage: the per-viewport transforms and the records an entity resolves.
struct Level {
  double (*vpm)[16] = nullptr;
  TkLayerRecord* layer = nullptr;
  TkLinetypeRecord* linetype = nullptr;
  double transform[16];
  bool ok() const { return vpm && layer && linetype; }
  ~Level() {
    mem_free(vpm);
    mem_free(layer);
    mem_free(linetype);
  }
};

void build_matrices(const double transform[16], double (*vpm)[16]) {
  TkRegenContext& r = tk_regen;
  TkDisplayState* s = r.state;
  double z[3] = {transform[8], transform[9], transform[10]};
  double zl = std::sqrt(z[0] * z[0] + z[1] * z[1] + z[2] * z[2]);
  if (zl > 0)
    for (double& c : z) c /= zl;
  double largest = 1e-300;
  r.edge_on_mask = 0;
  for (int v = 0; v < r.viewport_count; ++v) {
    const double* d = s->viewports[v].direction;
    double c[3] = {z[1] * d[2] - z[2] * d[1], z[2] * d[0] - z[0] * d[2], z[0] * d[1] - z[1] * d[0]};
    if (c[0] * c[0] + c[1] * c[1] + c[2] * c[2] < 2e-12) r.edge_on_mask |= uint64_t(1) << v;
    tk_matrix_multiply(transform, s->viewports[v].matrix, vpm[v]);
    r.vp_scale[v] = tk_matrix_scale(vpm[v]);
    if (r.vp_scale[v] > largest) largest = r.vp_scale[v];
  }
  r.thin_width = 3.0 / largest;
  r.arc_resolution_scale = r.curve_factor * vec_unit_size * largest * 0.2;
}

// TEXT, ATTDEF and ATTRIB: the attribute block, the alignment and the string by kind.
void draw_text(TkDrawing* drawing, uint16_t kind, const double* transform) {
  size_t attrs = kind == TK_TEXT ? TK_TEXT_ATTRS : TK_ATTDEF_ATTRS;
  size_t align_at = kind == TK_TEXT ? 64 : 72;
  const char* text = kind == TK_TEXT ? tk_data_text(&D(), TK_TEXT_STRING)
                                     : tk_data_text(&D(), TK_ATTDEF_SECOND);
  // The record's strings end within it; a damaged one is cut at the record's end.
  size_t room = TK_ENTITY_DATA_SIZE - size_t(text - tk_data_text(&D(), 0));
  if (strnlen(text, room) == room) return;
  TkTextParams p{};
  p.height = get<double>(attrs);
  p.rotation = get<double>(attrs + 8);
  p.width_factor = get<double>(attrs + 16);
  p.oblique = get<double>(attrs + 24);
  p.generation = get<uint8_t>(attrs + 32);
  p.halign = get<uint8_t>(attrs + 33);
  p.valign = get<uint8_t>(attrs + 34);
  TkHandle style_handle = get<TkHandle>(attrs + 56);
  TkTextStyleRecord* style = static_cast<TkTextStyleRecord*>(mem_alloc(sizeof(TkTextStyleRecord)));
  if (!style) {
    tk_fail_alloc(TK_ERR_REGEN_STYLE);
    return;
  }
  bool have = tk_style_get(drawing, &style_handle, style) != 0;
  if (!have) {
    TkHandle standard{};
    have = tk_style_find(drawing, "Standard", &standard) && tk_style_get(drawing, &standard, style);
  }
  if (!have) tk_init_style_record(style);
  double ins[3], align[3];
  point3(0, ins);
  align[0] = get<double>(align_at);
  align[1] = get<double>(align_at + 8);
  align[2] = ins[2];
  if (p.halign || p.valign) {
    double box[4], descent = 0;
    TkTextParams unit = p;
    unit.height = 1.0;
    unit.rotation = 0;
    if (regen_text_extents(drawing, text, &unit, style, box, &descent) && box[2] >= box[0]) {
      double h = p.height, w = (box[2] - box[0]) * h;
      double dx = 0, dy = 0;
      // Mirrored text keeps each end of the text at its own alignment point: a backwards
      // text runs from its insertion point towards -x, an upside-down one hangs below it.
      bool backwards = p.generation & 2, upside = p.generation & 4;
      if (p.halign == 3 || p.halign == 5) {
        double len = std::hypot(align[0] - ins[0], align[1] - ins[1]);
        p.rotation = std::atan2(align[1] - ins[1], align[0] - ins[0]);
        if (w > 0 && p.halign == 5) p.width_factor *= len / w;
        if (w > 0 && p.halign == 3) {
          p.height *= len / w;
        }
        if (backwards) std::memcpy(ins, align, sizeof ins);
      } else {
        if (p.halign == 1 || p.halign == 4) dx = -w / 2;
        if (p.halign == 2) dx = -w;
        if (p.halign == 4) dy = -h / 2;
        if (p.valign == 1) dy = -descent * h;
        if (p.valign == 2) dy = -h / 2;
        if (p.valign == 3) dy = -h;
        if (backwards) dx = -dx;
        if (upside) dy = -dy;
        double c = std::cos(p.rotation), s = std::sin(p.rotation);
        ins[0] = align[0] + dx * c - dy * s;
        ins[1] = align[1] + dx * s + dy * c;
      }
    }
  }
  double min_height = tk_regen.thin_width / 3;
  regen_text_entity(drawing, ins, text, style, &p, transform, min_height);
  mem_free(style);
}

// The one-entry caches of the last layer and linetype read, per drawing walked.
struct Cache {
  TkDrawing* drawing = nullptr;
  bool has_layer = false;
  TkHandle layer_handle{};
  bool has_ltype = false;
  TkHandle ltype_handle{};
};
Cache g_cache;
TkLayerRecord g_cached_layer;
TkLinetypeRecord g_cached_ltype;

bool read_layer(TkDrawing* drawing, const TkHandle& handle, TkLayerRecord* out) {
  if (g_cache.drawing != drawing) g_cache = Cache{drawing};
  if (!g_cache.has_layer || !same(g_cache.layer_handle, handle)) {
    if (!tk_layer_get(drawing, &handle, &g_cached_layer)) return false;
    g_cache.has_layer = true;
    g_cache.layer_handle = handle;
  }
  std::memcpy(out, &g_cached_layer, sizeof *out);
  return true;
}

bool read_ltype(TkDrawing* drawing, const TkHandle& handle, TkLinetypeRecord* out) {
  if (g_cache.drawing != drawing) g_cache = Cache{drawing};
  if (!g_cache.has_ltype || !same(g_cache.ltype_handle, handle)) {
    if (!tk_ltype_get(drawing, &handle, &g_cached_ltype)) return false;
    g_cache.has_ltype = true;
    g_cache.ltype_handle = handle;
  }
  std::memcpy(out, &g_cached_ltype, sizeof *out);
  return true;
}

void draw_points(TkDrawing* drawing, const double (*pts)[3], int n, bool closed,
                 const double* base, TkConstViewMatrices m, const TkLinetypeRecord* lt,
                 bool one_run) {
  int32_t run = ++tk_regen.run_counter;
  for (int i = 0; i + 1 < n + (closed ? 1 : 0); ++i) {
    double a[3], b[3];
    std::memcpy(a, pts[i], sizeof a);
    std::memcpy(b, pts[(i + 1) % n], sizeof b);
    if (!one_run) run = ++tk_regen.run_counter;
    regen_line(drawing, a, b, base, m, lt, drawing, nullptr, run, 0.0);
  }
}

void draw_point(TkDrawing* drawing, const TkLayerRecord& layer, const double* transform,
                TkConstViewMatrices m) {
  const TkHeader* hdr = drawing->header;
  int16_t mode = hdr ? hdr->pdmode : 0;
  if (mode == 1) return;
  double p[3];
  point3(0, p);
  // An extruded point's figure lies in the plane of its extrusion: drawn about the origin of a
  // system moved to the point.
  const TkEntityHeader& eh = H();
  std::vector<double> moved;
  if (eh.flags & TK_ENTITY_EXTRUDED) {
    TkRegenContext& r = tk_regen;
    int count = r.viewport_count ? r.viewport_count : 1;
    double n[3] = {eh.extrusion[0], eh.extrusion[1], eh.extrusion[2]};
    double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (l > 0 && std::isfinite(l)) {
      for (double& c : n) c /= l;
      double place[16];
      tk_matrix_from_extrusion(n, place);
      place[12] = p[0];
      place[13] = p[1];
      place[14] = p[2];
      tk_matrix_multiply(place, transform, place);
      moved.resize(size_t(16) * size_t(count));
      for (int v = 0; v < count; ++v)
        tk_matrix_multiply(place, r.state->viewports[v].matrix, &moved[size_t(16) * size_t(v)]);
      m = reinterpret_cast<TkConstViewMatrices>(moved.data());
      p[0] = p[1] = p[2] = 0;
    }
  }
  // The figure turns with the point's angle (the X axis of the system it was made in).
  const double angle = kTwoPi - get<double>(24);
  const double ca = std::isfinite(angle) ? std::cos(angle) : 1.0;
  const double sa = std::isfinite(angle) ? std::sin(angle) : 0.0;
  bool defpoints = tk_name_compare(layer.name, "DEFPOINTS") == 0;
  if (!(mode & 1) || defpoints) {
    double a[3] = {p[0], p[1], p[2]}, b[3] = {p[0], p[1], p[2]};
    regen_line(drawing, a, b, transform, m, nullptr, drawing, nullptr, ++tk_regen.run_counter, 0);
  }
  if (defpoints) return;
  double size = hdr ? hdr->pdsize : 0.0;
  if (size < 0) {
    TkDisplayState* s = tk_regen.state;
    if (!s->paper_space)
      size = -size * 0.005 * s->view.height;
    else if (s->viewport_count == 2)
      size = -size * 0.005 * s->viewports[1].view_height;
    else
      size = 0;
  }
  if (size == 0) return;
  double h = size / 2, x = p[0], y = p[1], z = p[2];
  auto stroke = [&](double x0, double y0, double x1, double y1) {
    double a[3] = {x + ca * (x0 - x) - sa * (y0 - y), y + ca * (y0 - y) + sa * (x0 - x), z};
    double b[3] = {x + ca * (x1 - x) - sa * (y1 - y), y + ca * (y1 - y) + sa * (x1 - x), z};
    regen_line(drawing, a, b, transform, m, nullptr, drawing, nullptr, ++tk_regen.run_counter, 0);
  };
  switch (mode & 7) {
    case 2:
      stroke(x, y - size, x, y + size);
      stroke(x - size, y, x + size, y);
      break;
    case 3: {
      double d = size * 0.7071067811865476;
      stroke(x - d, y - d, x + d, y + d);
      stroke(x - d, y + d, x + d, y - d);
      break;
    }
    case 4:
      stroke(x, y, x, y + h);
      break;
    default:
      break;
  }
  if (mode & 32) {
    double c[3] = {x, y, z};
    regen_arc(drawing, c, 0, kTwoPi, h, transform, m, 1, nullptr, drawing, nullptr, nullptr);
  }
  if (mode & 64) {
    stroke(x - h, y + h, x + h, y + h);
    stroke(x + h, y - h, x + h, y + h);
    stroke(x + h, y - h, x - h, y - h);
    stroke(x - h, y - h, x - h, y + h);
  }
}

// Reads the vertices that follow a POLYLINE up to its SEQEND.
// Each face's colour goes to face_colours when given: BYLAYER as its layer's, BYBLOCK as the
// block's (block_colour), -1 where the layer is not found.
bool read_vertices(TkList* list, std::vector<TkPlineVertex>& out, std::vector<int16_t>& faces,
                   double default_start, double default_end, bool frame_pass,
                   std::vector<int16_t>* face_colours = nullptr, int16_t block_colour = -1) {
  while (emit_next(list)) {
    uint16_t kind = H().kind;
    if (kind == TK_SEQEND) return true;
    if (kind != TK_VERTEX) continue;
    TkPlineVertex v{};
    point3(0, v.point);
    v.flags = get<uint16_t>(TK_VERTEX_FLAGS);
    double sw = get<double>(32), ew = get<double>(40);
    v.start_width = sw != 0 ? sw : default_start;
    v.end_width = ew != 0 ? ew : default_end;
    v.bulge = get<double>(56);
    if (std::fabs(v.bulge) < 5e-05 || !std::isfinite(v.bulge)) v.bulge = 0;
    if ((v.flags & 128) && !(v.flags & 64)) {
      for (size_t at : {size_t(74), size_t(82), size_t(90), size_t(98)})
        faces.push_back(get<int16_t>(at));
      if (face_colours) {
        int16_t c = H().colour;
        if (c == 0) c = block_colour;
        if (c == 256) {
          TkLayerRecord layer;
          c = tk_layer_get(tk_regen.drawing, &H().layer, &layer) ? layer.color : -1;
          if (c < 0) c = -1;  // a layer that is off shows its face in the entity's colour
        }
        face_colours->push_back(c);
      }
      continue;
    }
    if (!frame_pass && (v.flags & 16)) continue;
    out.push_back(v);
  }
  return false;
}

}  // namespace

void regen_forget_cached_records() { g_cache = Cache{}; }

void regen_viewport_range(int* first, int* end) {
  TkRegenContext& r = tk_regen;
  bool paper_entity = (H().flags & kPaperEntity) || r.inside_paper;
  if (r.state && r.state->paper_space && !paper_entity && r.viewport_count > 1) {
    *first = 1;
    *end = r.viewport_count;
  } else {
    *first = 0;
    *end = 1;
  }
}

bool regen_viewport_served(int v) {
  if (v < 0 || v >= TK_MAX_VIEWPORTS) return false;
  uint64_t bit = uint64_t(1) << v;
  return !(tk_regen.freeze_mask & bit) && (tk_regen.visible_mask & bit);
}

void regen_infinite_line(TkDrawing* drawing, uint16_t kind, const double base[3],
                         const double dir[3], const double transform[16], TkConstViewMatrices m,
                         const TkLinetypeRecord* lt) {
  TkRegenContext& r = tk_regen;
  double far0[3], far1[3];
  for (int i = 0; i < 3; ++i) {
    far1[i] = base[i] + 1e10 * dir[i];
    far0[i] = kind == TK_XLINE ? base[i] - 1e10 * dir[i] : base[i];
  }
  int first, end;
  regen_viewport_range(&first, &end);
  if (first == 0 && r.host && !r.host->extents_drawn) {
    // The base point and a unit along the line, kept as a pair or not at all.
    double b4[4] = {base[0], base[1], base[2], 1};
    double u4[4] = {base[0] + dir[0], base[1] + dir[1], base[2] + dir[2], 1};
    tk_matrix_transform_point4(b4, m[0], b4);
    tk_matrix_transform_point4(u4, m[0], u4);
    if (std::isfinite(b4[0]) && std::isfinite(b4[1]) && std::isfinite(u4[0]) && std::isfinite(u4[1]) &&
        r.infinite_points.size() < 2000)
      r.infinite_points.insert(r.infinite_points.end(), {b4[0], b4[1], u4[0], u4[1]});
  }
  uint64_t saved = r.visible_mask;
  for (int v = first; v < end; ++v) {
    if (!regen_viewport_served(v)) continue;
    double a4[4] = {far0[0], far0[1], far0[2], 1}, b4[4] = {far1[0], far1[1], far1[2], 1};
    tk_matrix_transform_point4(a4, m[v], a4);
    tk_matrix_transform_point4(b4, m[v], b4);
    double a[2] = {a4[0], a4[1]}, b[2] = {b4[0], b4[1]};
    const double* rc = r.state->viewports[v].rect;
    double rect[4] = {std::fmin(rc[0], rc[2]), std::fmin(rc[1], rc[3]), std::fmax(rc[0], rc[2]),
                      std::fmax(rc[1], rc[3])};
    if (!clip_segment_to_rect(a, b, rect)) continue;
    double ia[2], ib[2];
    tk_inverse_transform_point_pair(m[v], a, b, ia, ib);
    double p0[3] = {ia[0], ia[1], 0}, p1[3] = {ib[0], ib[1], 0};
    r.visible_mask = uint64_t(1) << v;
    regen_line(drawing, p0, p1, transform, m, lt, drawing, nullptr, ++r.run_counter, 0);
    r.visible_mask = saved;
  }
}

int16_t regen_entity(TkDrawing* drawing, TkList* list, const double transform[16],
                     int16_t colour_in, const TkLinetypeRecord* linetype_in, int16_t lineweight_in,
                     int16_t depth, int16_t xref_depth, uint64_t mask) {
  TkRegenContext& r = tk_regen;
  TkDisplayCallbacks* cb = tk_display_callbacks;
  if (!cb || !r.state || !list) return 0;
  Level lv;
  int count = r.viewport_count ? r.viewport_count : 1;
  lv.vpm = static_cast<double(*)[16]>(mem_alloc(sizeof(double) * 16 * size_t(count)));
  lv.layer = static_cast<TkLayerRecord*>(mem_alloc(sizeof(TkLayerRecord)));
  lv.linetype = static_cast<TkLinetypeRecord*>(mem_alloc(sizeof(TkLinetypeRecord)));
  if (!lv.ok()) return tk_fail_alloc(TK_ERR_REGEN_VIEW_MATRICES);
  std::memcpy(lv.transform, transform, sizeof lv.transform);
  build_matrices(lv.transform, lv.vpm);
  double saved_ltscale = r.ltscale;
  double tscale = tk_matrix_scale(transform);
  r.ltscale = tscale > 0 ? r.ltscale_base / tscale : r.ltscale_base;
  uint64_t saved_mask = r.freeze_mask;
  r.freeze_mask = mask;
  TkUserData user = drawing->user_data;
  const TkHeader* hdr = drawing->header;
  int16_t result = 1;
  // The last insertion of this list, whose attributes follow it: its layer and colour.
  TkHandle insert_layer = r.state->inserting_layer;
  int16_t insert_colour = colour_in;

  entity_list_rewind(list);
  while (regen_continue) {
    for (TkPatternEntry& e : r.pattern) {
      e.carry = 0;
      e.element = 0;
      e.wide_pending = 0;
    }
    r.pline_3d = 0;
    r.piece_budget = TK_REGEN_MAX_PIECES;
    if (depth == 0 && cb->progress) {
      int32_t percent = r.entities_total > 0
                            ? static_cast<int32_t>(int64_t(r.entities_done) * 100 / r.entities_total)
                            : 0;
      int16_t before = r.reported_percent;
      while (r.reported_percent + 5 <= percent && r.reported_percent + 5 <= 100)
        r.reported_percent = int16_t(r.reported_percent + 5);
      if (r.reported_percent != before) cb->progress(r.reported_percent, user);
    }
    if (depth == 0) ++r.entities_done;
    if (!emit_next(list)) break;
    TkEntityHeader& h = H();
    uint16_t kind = h.kind;
    cb->bounded = (kind == TK_RAY || kind == TK_XLINE) ? 0 : 1;
    bool paper_entity = (h.flags & kPaperEntity) != 0;
    if ((!r.state->paper_space && (paper_entity || r.inside_paper)) ||
        (paper_entity && cb->model_only)) {
      if (kind == TK_POLYLINE) {
        std::vector<TkPlineVertex> skip;
        std::vector<int16_t> faces;
        read_vertices(list, skip, faces, 0, 0, true);
      }
      continue;
    }
    bool on_layer_zero = same(h.layer, r.state->default_layer);
    if (kind == TK_ATTRIB && on_layer_zero) h.layer = insert_layer;
    if (!read_layer(drawing, h.layer, lv.layer)) {
      // An entity on a layer the drawing does not hold draws on the defaults of layer "0".
      tk_init_layer_record(drawing, lv.layer);
      lv.layer->color = 7;
    }
    const TkLayerRecord& layer = *lv.layer;
    // The viewports this entity's layer is frozen in join those of the layers it is drawn
    // through; the entity's own bits end with it.
    r.freeze_mask = mask | layer.viewport_frozen;
    bool frozen = (layer.flags & TK_LAYER_FROZEN) != 0;
    if ((kind == TK_INSERT || kind == TK_DIMENSION) && frozen) {
      if (kind == TK_INSERT && get<int16_t>(0)) {
        while (emit_next(list) && H().kind != TK_SEQEND) {
        }
      }
      continue;
    }
    // Linetype: by block, by layer, or the entity's own.
    const TkLinetypeRecord* lt = nullptr;
    if (same(h.linetype, drawing->byblock_linetype)) {
      lt = linetype_in;
    } else {
      bool bylayer = same(h.linetype, drawing->bylayer_linetype);
      const TkHandle& handle = bylayer ? layer.linetype : h.linetype;
      // A reference drawing's layer may name a linetype of the host that lent it.
      TkDrawing* holder = bylayer ? regen_layer_linetype_drawing(drawing, layer.handle) : drawing;
      if (read_ltype(holder, handle, lv.linetype)) lt = lv.linetype;
    }
    if (kind >= 32 && kind < 498 && kind != TK_BODY) {
      count_skip(kind);
      continue;
    }
    if (frozen && kind != TK_BLOCK && kind != TK_ENDBLK && kind != TK_VIEWPORT) {
      if (kind == TK_POLYLINE) {
        std::vector<TkPlineVertex> skip;
        std::vector<int16_t> faces;
        read_vertices(list, skip, faces, 0, 0, true);
      }
      continue;
    }
    int16_t colour = h.colour == 0     ? colour_in
                     : h.colour == 256 ? layer.color
                                       : int16_t(h.colour);
    if (kind == TK_ATTRIB && insert_colour >= 0 &&
        (h.colour == 0 || (h.colour == 256 && on_layer_zero)))
      colour = insert_colour;
    int16_t lineweight = h.lineweight;
    if (kind == TK_VIEWPORT) {
      lineweight = int16_t(cb->settings[1]);
    } else {
      if (lineweight == -2) lineweight = lineweight_in;
      if (lineweight == -1) lineweight = layer.lineweight;
      if (lineweight == -3) lineweight = int16_t(cb->settings[1]);
    }
    // The plot style table of the drawing being drawn (a reference uses its host's).
    if (pstyle_state.table && kind != TK_VIEWPORT)
      lineweight = pstyle_apply(r.state && r.state->owner ? r.state->owner : drawing,
                                &h.plot_style, &layer.plot_style, colour, lineweight);
    h.lineweight = lineweight;
    if (cb->entity_begin) cb->entity_begin(&h, &D(), colour, lt, nullptr, user);
    regen_set_lineweight(drawing, lineweight);
    if (colour >= 0) regen_set_color(drawing, cb->colour_map[colour & 0xFF]);
    bool layer_on = layer.color >= 0;
    if (!layer_on && kind != TK_BLOCK && kind != TK_ENDBLK && kind != TK_INSERT &&
        kind != TK_POLYLINE)
      continue;
    // The entity coordinate system of an extruded entity, for the routines that build their
    // own placement from it.
    double et[16];
    std::memcpy(et, lv.transform, sizeof et);
    if (kind != TK_LINE && kind != TK_3DLINE && (h.flags & TK_ENTITY_EXTRUDED)) {
      tk_matrix_from_extrusion(h.extrusion, r.ecs);
      tk_matrix_multiply(r.ecs, lv.transform, et);
    }
    uint16_t lw_class = drawing->class_numbers[TK_CLASS_LWPOLYLINE];
    bool drawn = true;
    switch (kind) {
      case TK_LINE:
      case TK_3DLINE: {
        double a[3], b[3];
        point3(0, a);
        point3(24, b);
        regen_line(drawing, a, b, lv.transform, lv.vpm, lt, drawing, nullptr,
                   ++r.run_counter, 0.0);
        break;
      }
      case TK_POINT:
        draw_point(drawing, layer, lv.transform, lv.vpm);
        break;
      case TK_CIRCLE:
      case TK_ARC: {
        double c[3];
        point3(0, c);
        double radius = get<double>(24);
        double start = kind == TK_ARC ? get<double>(32) : 0.0;
        double end = kind == TK_ARC ? get<double>(40) : kTwoPi;
        if (end < start) end += kTwoPi;
        regen_arc(drawing, c, start, end, radius, lv.transform, lv.vpm, 1, lt, drawing, nullptr,
                  nullptr);
        break;
      }
      case TK_ELLIPSE:
        if (!regen_ellipse(drawing, &D(), lv.transform, lt, drawing)) result = 0;
        break;
      case TK_TRACE:
      case TK_SOLID: {
        double c[4][3];
        for (int i = 0; i < 4; ++i) point3(24 * size_t(i), c[i]);
        bool fill = hdr && hdr->fillmode;
        if (kind == TK_SOLID && std::memcmp(c[3], c[0], sizeof c[0]) == 0 && !fill) {
          const double pts[3][3] = {{c[1][0], c[1][1], c[1][2]},
                                    {c[0][0], c[0][1], c[0][2]},
                                    {c[2][0], c[2][1], c[2][2]}};
          draw_points(drawing, pts, 3, false, lv.transform, lv.vpm, nullptr, false);
        } else if (!fill) {
          const double pts[4][3] = {{c[0][0], c[0][1], c[0][2]},
                                    {c[1][0], c[1][1], c[1][2]},
                                    {c[3][0], c[3][1], c[3][2]},
                                    {c[2][0], c[2][1], c[2][2]}};
          draw_points(drawing, pts, 4, true, lv.transform, lv.vpm, nullptr, false);
        } else {
          const double quad[4][3] = {{c[0][0], c[0][1], c[0][2]},
                                     {c[1][0], c[1][1], c[1][2]},
                                     {c[3][0], c[3][1], c[3][2]},
                                     {c[2][0], c[2][1], c[2][2]}};
          regen_fill_polygon(drawing, quad, 4, lv.vpm);
        }
        break;
      }
      case TK_3DFACE: {
        double c[4][3];
        for (int i = 0; i < 4; ++i) point3(24 * size_t(i), c[i]);
        uint16_t hidden = get<uint16_t>(96);
        bool all = hdr && hdr->splframe != 0;
        for (int i = 0; i < 4; ++i) {
          if (!all && (hidden & (1 << i))) continue;
          double a[3], b[3];
          std::memcpy(a, c[i], sizeof a);
          std::memcpy(b, c[(i + 1) % 4], sizeof b);
          regen_line(drawing, a, b, lv.transform, lv.vpm, lt, drawing, nullptr,
                     ++r.run_counter, 0.0);
        }
        break;
      }
      case TK_RAY:
      case TK_XLINE: {
        double base[3], dir[3];
        point3(0, base);
        point3(24, dir);
        regen_infinite_line(drawing, kind, base, dir, lv.transform, lv.vpm, lt);
        break;
      }
      case TK_BLOCK: {
        double base[3];
        point3(0, base);
        if (base[0] != 0 || base[1] != 0 || base[2] != 0) {
          double moved[16];
          tk_matrix_identity(moved);
          moved[12] = -base[0];
          moved[13] = -base[1];
          moved[14] = -base[2];
          tk_matrix_multiply(moved, lv.transform, lv.transform);
          build_matrices(lv.transform, lv.vpm);
        }
        break;
      }
      case TK_VIEWPORT: {
        if (depth == 0 && !r.first_viewport_seen) {
          r.first_viewport_seen = 1;
          break;
        }
        if (get<int16_t>(10) == 0) break;
        double c[3];
        point3(16, c);
        double w = get<double>(40) / 2, ht = get<double>(48) / 2;
        const double pts[4][3] = {{c[0] - w, c[1] - ht, c[2]},
                                  {c[0] + w, c[1] - ht, c[2]},
                                  {c[0] + w, c[1] + ht, c[2]},
                                  {c[0] - w, c[1] + ht, c[2]}};
        draw_points(drawing, pts, 4, true, lv.transform, lv.vpm, nullptr, false);
        break;
      }
      case TK_POLYLINE: {
        TkEntityHeader pheader = h;
        uint16_t flags = get<uint16_t>(34);
        double sw = get<double>(8), ew = get<double>(16);
        int16_t m = get<int16_t>(30), n = get<int16_t>(32);
        std::vector<TkPlineVertex> verts, frame;
        std::vector<int16_t> faces, face_colours;
        read_vertices(list, verts, faces, sw, ew, true, &face_colours, colour_in);
        H() = pheader;
        if (!layer_on) break;
        // The spline's frame (its control points) is drawn as well while SPLFRAME is set, thin
        // and in the default linetype.
        size_t kept = 0;
        for (const TkPlineVertex& v : verts) {
          if (v.flags & 16) {
            frame.push_back(v);
            frame.back().start_width = frame.back().end_width = frame.back().bulge = 0;
          } else {
            verts[kept++] = v;
          }
        }
        verts.resize(kept);
        if ((flags & 4) && hdr && hdr->splframe && frame.size() > 1)
          if (!regen_polyline(drawing, frame.data(), int32_t(frame.size()), flags & 1, false,
                              flags & 8, et, lv.vpm, &r.continuous))
            result = 0;
        if (flags & 64) {
          regen_polyface(drawing, verts.data(), int32_t(verts.size()),
                         reinterpret_cast<const int16_t(*)[4]>(faces.data()),
                         int32_t(faces.size() / 4), et, lv.vpm, lt, face_colours.data(), colour);
        } else if (flags & 16) {
          regen_mesh(drawing, verts.data(), int32_t(verts.size()), m, n, flags & 1, flags & 32,
                     et, lv.vpm, lt);
        } else {
          if (!regen_polyline(drawing, verts.data(), int32_t(verts.size()), flags & 1,
                              flags & 128, flags & 8, et, lv.vpm, lt))
            result = 0;
        }
        break;
      }
      case TK_INSERT:
      case TK_DIMENSION: {
        TkHandle block = get<TkHandle>(kind == TK_INSERT ? TK_INSERT_BLOCK : TK_DIMENSION_BLOCK);
        insert_layer = h.layer;
        insert_colour = colour;
        TkList* blist = tk_block_entity_list(drawing, &block);
        if (!blist || blist == list) break;
        // A block whose expansion is already in progress (it inserts itself, directly or
        // through other blocks) is not expanded again; neither is nesting deeper than the bound.
        bool cycle = r.active_count >= TK_REGEN_MAX_DEPTH;
        for (int16_t i = 0; !cycle && i < r.active_count; ++i)
          cycle = same(r.active_blocks[i], block);
        if (cycle) {
          ++r.cycles_refused;
          break;
        }
        TkBlockRecord* brec = static_cast<TkBlockRecord*>(mem_alloc(sizeof(TkBlockRecord)));
        if (!brec) {
          result = tk_fail_alloc(TK_ERR_REGEN_BLOCK);
          break;
        }
        bool readable = tk_block_get(drawing, &block, brec) != 0;
        uint8_t bflags = brec->flags;
        const int16_t xref_state = brec->index;
        char block_name[TK_NAME_SIZE];
        std::memcpy(block_name, brec->name, sizeof block_name);
        block_name[sizeof block_name - 1] = 0;
        mem_free(brec);
        if (!readable) break;
        // An external reference: an overlay is not seen through another reference.
        bool xref = (bflags & TK_BLOCK_XREF) != 0;
        if (xref && xref_depth >= 1 && (bflags & 8)) break;
        // A reference its drawing marks as not loaded (state -1) is not drawn; the readers
        // that record the state are the DXF reader's and the AC1015 one's.
        if (xref && xref_state == -1 && (drawing->file_kind != 0 || drawing->version >= 7)) break;
        char xref_path[TK_PATH_MAX] = {};
        if (xref) {
          auto* bh = static_cast<TkEntityHeader*>(mem_alloc(sizeof(TkEntityHeader)));
          auto* bd = static_cast<TkEntityData*>(mem_alloc(sizeof(TkEntityData)));
          if (bh && bd && entity_list_rewind(blist) && entity_list_next(blist, bh, bd) &&
              bh->kind == TK_BLOCK) {
            const char* path = tk_data_text(bd, 536);
            size_t n = strnlen(path, TK_PATH_MAX - 1);
            std::memcpy(xref_path, path, n);
            xref_path[n] = 0;
          }
          mem_free(bh);
          mem_free(bd);
          if (!xref_path[0]) break;
        }
        double ins[3] = {0, 0, 0}, scale[3] = {1, 1, 1};
        double rotation = 0, col_space = 0, row_space = 0;
        int32_t cols = 1, rows = 1;
        if (kind == TK_INSERT) {
          point3(8, ins);
          scale[0] = get<double>(32);
          scale[1] = get<double>(40);
          scale[2] = get<double>(48);
          if (scale[2] == 0) scale[2] = 1.0;
          rotation = get<double>(56);
          col_space = get<double>(72);
          row_space = get<double>(64);
          cols = get<int16_t>(82);
          rows = get<int16_t>(80);
          if (cols < 1) cols = 1;
          if (rows < 1) rows = 1;
          if (int64_t(rows) * cols > TK_REGEN_MAX_CELLS) rows = int32_t(TK_REGEN_MAX_CELLS / cols);
        }
        uint64_t saved_edge = r.edge_on_mask;
        uint8_t saved_inside = r.inside_paper;
        if (!r.inside_paper && paper_entity) r.inside_paper = 1;
        int16_t saved_pdmode = hdr ? hdr->pdmode : 0;
        if (kind == TK_DIMENSION && hdr) drawing->header->pdmode = 0;
        TkLink* resume = list_current(list);
        r.active_blocks[r.active_count++] = block;
        TkHandle saved_inserting = r.state->inserting_layer;
        r.state->inserting_layer = insert_layer;
        double cr = std::cos(rotation), sr = std::sin(rotation);
        TkLinetypeRecord* inherited = static_cast<TkLinetypeRecord*>(
            lt ? mem_alloc(sizeof(TkLinetypeRecord)) : nullptr);
        if (lt && inherited) std::memcpy(inherited, lt, sizeof *inherited);
        // A clipped insertion: its filter is pushed under the first cell's transform. For a
        // reference block only the filter node goes on, and the referenced drawing builds the
        // boundary in its own pass.
        TkHandle filter{}, insert_handle = h.handle;
        bool filtered = kind == TK_INSERT && tk_get_spatial_filter(drawing, &h, &filter);
        bool pushed = false;
        TkDrawing* saved_outer = r.outer_drawing;
        TkHandle saved_outer_handle = r.outer_handle;
        if (xref && !r.outer_drawing) {
          r.outer_drawing = drawing;
          r.outer_handle = insert_handle;
        }
        for (int32_t row = 0; row < rows && regen_continue && result; ++row) {
          for (int32_t col = 0; col < cols && regen_continue && result; ++col) {
            regen_poll(drawing);
            double ox = col * col_space, oy = row * row_space;
            double at[3] = {ins[0] + ox * cr - oy * sr, ins[1] + ox * sr + oy * cr, ins[2]};
            // Row vectors: scale, then rotate, then move, then the entity's own system.
            double cell[16], step[16];
            tk_matrix_identity(cell);
            cell[0] = scale[0];
            cell[5] = scale[1];
            cell[10] = scale[2];
            tk_matrix_identity(step);
            step[0] = step[5] = cr;
            step[1] = sr;
            step[4] = -sr;
            tk_matrix_multiply(cell, step, cell);
            cell[12] = at[0];
            cell[13] = at[1];
            cell[14] = at[2];
            tk_matrix_multiply(cell, et, cell);
            if (filtered && row == 0 && col == 0) {
              const TkHandle none{};
              pushed = tk_clip_push_xclip(drawing, r.state, drawing, &filter,
                                          xref ? &insert_handle : &none, cell) != 0;
            }
            if (xref) {
              regen_queue_xref(drawing, xref_path, block_name, layer, cell, colour, lineweight,
                               xref_depth, r.freeze_mask, r.chain);
              continue;
            }
            entity_list_rewind(blist);
            if (!regen_entity(drawing, blist, cell, colour, inherited, lineweight,
                              int16_t(depth + 1), xref_depth, r.freeze_mask))
              result = 0;
          }
        }
        if (pushed) tk_clip_pop_xclip(r.state);
        r.state->inserting_layer = saved_inserting;
        r.outer_drawing = saved_outer;
        r.outer_handle = saved_outer_handle;
        mem_free(inherited);
        --r.active_count;
        if (kind == TK_DIMENSION && hdr) drawing->header->pdmode = saved_pdmode;
        r.inside_paper = saved_inside;
        r.edge_on_mask = saved_edge;
        build_matrices(lv.transform, lv.vpm);
        r.freeze_mask = mask;
        list_next(list, resume);
        H().kind = TK_LINE;
        break;
      }
      case TK_TEXT:
        draw_text(drawing, kind, lv.transform);
        break;
      case TK_SHAPE: {
        TkTextParams p{};
        double at[3];
        point3(0, at);
        p.height = get<double>(24);
        p.rotation = get<double>(40);
        p.width_factor = get<double>(48);
        p.oblique = get<double>(56);
        TkHandle style_handle = get<TkHandle>(TK_SHAPE_STYLE);
        auto* style = static_cast<TkTextStyleRecord*>(mem_alloc(sizeof(TkTextStyleRecord)));
        if (!style) {
          result = tk_fail_alloc(TK_ERR_REGEN_SHAPE_MATRICES);
          break;
        }
        if (tk_style_get(drawing, &style_handle, style) &&
            !regen_shape_entity(drawing, at, get<uint16_t>(TK_SHAPE_NUMBER), style, &p,
                                lv.transform))
          result = 0;
        mem_free(style);
        break;
      }
      case TK_MTEXT:
        if (!mtext_entity(drawing, &D(), et, colour, layer.color, colour_in)) result = 0;
        break;
      case TK_SPLINE: {
        double (*pts)[3] = nullptr;
        int32_t n = 0;
        if (!spline_tessellate(drawing, &D(), &pts, &n, regen_curve_resolution(&h))) {
          result = 0;
          break;
        }
        int32_t run = ++r.run_counter;
        for (int32_t i = 0; i + 1 < n && regen_continue; ++i) {
          double a[3], b[3];
          std::memcpy(a, pts[i], sizeof a);
          std::memcpy(b, pts[i + 1], sizeof b);
          regen_line(drawing, a, b, et, lv.vpm, lt, drawing, nullptr, run, 0.0);
        }
        mem_free(pts);
        break;
      }
      case TK_ATTDEF:
        // Inside a block only constant, visible definitions show.
        if (depth == 0 || ((get<uint8_t>(24) & 2) && !(get<uint8_t>(24) & 1) && hdr &&
                           (hdr->attmode == 1 || hdr->attmode == 2)))
          draw_text(drawing, kind, lv.transform);
        break;
      case TK_ATTRIB:
        if (hdr && (hdr->attmode == 2 || (hdr->attmode == 1 && !(get<uint8_t>(24) & 1))))
          draw_text(drawing, kind, lv.transform);
        break;
      case TK_ENDBLK:
        break;
      case TK_REGION:
      case TK_3DSOLID:
      case TK_BODY:
        regen_solid_entity(drawing, &D(), lv.transform, lv.vpm, lt, drawing,
                           regen_curve_resolution(&h));
        break;
      case TK_SEQEND:
      case TK_VERTEX:
        // The end of an insertion's attributes, or a stray vertex: not entities of their own.
        drawn = false;
        break;
      case TK_MLINE: {
        auto* by_layer = static_cast<TkLinetypeRecord*>(mem_alloc(sizeof(TkLinetypeRecord)));
        if (!by_layer) {
          result = tk_fail_alloc(TK_ERR_MLINE_LINETYPE);
          break;
        }
        TkDrawing* holder = regen_layer_linetype_drawing(drawing, layer.handle);
        const bool read = tk_ltype_get(holder, &layer.linetype, by_layer) != 0;
        if (!regen_mline(drawing, &D(), layer.color, colour_in, read ? by_layer : nullptr,
                         linetype_in, lv.transform, lv.vpm))
          result = 0;
        mem_free(by_layer);
        break;
      }
      case TK_TOLERANCE:
        regen_tolerance(drawing, &h, &D(), lv.transform, colour_in, layer.color);
        break;
      case TK_LEADER: {
        const TkRegenCall call{colour, lineweight, depth, xref_depth, r.freeze_mask};
        if (!regen_leader(drawing, &D(), lv.transform, lv.vpm, lt, call)) result = 0;
        build_matrices(lv.transform, lv.vpm);
        break;
      }
      default:
        if (kind == drawing->class_numbers[TK_CLASS_HATCH] && kind != 0) {
          if (!hatch_fill_display(drawing, &D(), lv.vpm, lt)) result = 0;
        } else if (kind == drawing->class_numbers[TK_CLASS_IMAGE] && kind != 0) {
          drawn = image_display(drawing, &D(), lv.vpm) != 0;
        } else if (lw_class && kind == lw_class) {
          uint16_t flags = get<uint16_t>(TK_LWPOLYLINE_FLAGS);
          uint32_t n = get<uint32_t>(TK_LWPOLYLINE_COUNT);
          double width = (flags & TK_LWPL_CONSTANT_WIDTH) ? get<double>(TK_LWPOLYLINE_WIDTH) : 0;
          double elevation = (flags & TK_LWPL_ELEVATION) ? get<double>(TK_LWPOLYLINE_ELEVATION) : 0;
          TkBlob* blob = tk_data_blob(&D(), TK_LWPOLYLINE_VERTICES);
          std::vector<TkPlineVertex> verts;
          TkBlob* reader = blob ? blob_open_read(blob) : nullptr;
          for (uint32_t i = 0; reader && i < n; ++i) {
            double xy[2], bulge = 0, w[2] = {width, width};
            if (!blob_read(reader, xy, sizeof xy)) break;
            if ((flags & TK_LWPL_BULGES) && !blob_read(reader, &bulge, sizeof bulge)) break;
            if ((flags & TK_LWPL_WIDTHS) && !blob_read(reader, w, sizeof w)) break;
            if (flags & TK_LWPL_CONSTANT_WIDTH) w[0] = w[1] = width;
            TkPlineVertex v{};
            v.point[0] = xy[0];
            v.point[1] = xy[1];
            v.point[2] = elevation;
            v.bulge = std::fabs(bulge) < 5e-05 || !std::isfinite(bulge) ? 0 : bulge;
            v.start_width = w[0];
            v.end_width = w[1];
            verts.push_back(v);
          }
          if (reader) blob_close(reader);
          if (!regen_polyline(drawing, verts.data(), int32_t(verts.size()),
                              flags & TK_LWPL_CLOSED, flags & TK_LWPL_PLINEGEN, false, et, lv.vpm,
                              lt))
            result = 0;
        } else if (kind > TK_LAST_FIXED_KIND && kind == drawing->class_numbers[TK_CLASS_OLE2FRAME]) {
          regen_ole_frame(drawing, &D(), lv.vpm);
        } else if (kind > TK_LAST_FIXED_KIND && kind == drawing->class_numbers[TK_CLASS_RTEXT] &&
                   !(get<int16_t>(40) & 1)) {
          if (!regen_rtext(drawing, &D(), et, colour)) result = 0;
        } else if (TkBlob* graphics = regen_proxy_blob(drawing, &h, &D())) {
          if (!regen_proxy_graphics(drawing, graphics, lv.transform, lv.vpm, lt, drawing,
                                    colour_in, layer.color) &&
              tk_state->last_error == TK_ERR_PROXY_MATRICES)
            result = 0;
        } else {
          count_skip(kind);
          drawn = false;
        }
        break;
    }
    if (drawn && kind != TK_BLOCK && kind != TK_ENDBLK) count_kind(r.kind_drawn, kind);
    if (kind == TK_ENDBLK || !result) break;
  }
  r.ltscale = saved_ltscale;
  r.freeze_mask = saved_mask;
  return result;
}
