// Proxy graphics: the stored drawing primitives that stand in for an entity of
// a class the toolkit does not know (and for a few it keeps only as data),
// drawn with the ordinary machinery: lines through the linetype walk, circles
// and arcs through the arc routine, construction lines, text, mesh faces
// through the fill. Sub-entity primitives change colour, layer, linetype and
// fill mode for what follows; a clip boundary lasts until the primitive that
// ends it or the end of the entity. Reading the primitives is the core's
// business (proxy.h).
#include <cmath>
#include <cstring>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/proxy.h"
#include "toolkit/display/regen_kinds.h"
#include "toolkit/display/shx.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr uint32_t kFillOn = 20;
constexpr uint32_t kColour = 14;
constexpr uint32_t kLayer = 16;
constexpr uint32_t kPushClip = 27;
constexpr uint32_t kPopClip = 28;
// The place of the graphics blob in an entity of a class without a reader of
// its own: the DWG reader keeps it behind the data and the handles, the DXF
// reader in the middle slot.
constexpr size_t kOtherClassHandles = 24;
constexpr size_t kOtherClassGraphics = 32;
constexpr size_t kImageGraphics = 152;
constexpr size_t kRtextGraphics = 56;
constexpr size_t kArcTextGraphics = 2184;

struct Proxy {
  TkDrawing* drawing;
  const double* base;
  TkConstViewMatrices matrices;
  TkLinetypeRecord* linetype;  // the working copy
  TkDrawing* style_drawing;
  int16_t byblock;
  int16_t bylayer;
  uint16_t colour = TK_COLOUR_BYLAYER;
  bool clip_pushed = false;
  bool failed = false;
};

void set_colour(const Proxy& p, int16_t colour) {
  if (colour < 0) return;
  regen_set_color(p.drawing, tk_display_callbacks->colour_map[colour & 0xFF]);
}

void line(const Proxy& p, const double a[3], const double b[3], const TkLinetypeRecord* lt) {
  double p0[3] = {a[0], a[1], a[2]}, p1[3] = {b[0], b[1], b[2]};
  regen_line(p.drawing, p0, p1, p.base, p.matrices, lt, p.style_drawing, nullptr,
             ++tk_regen.run_counter, 0.0);
}

bool finite3(const double v[3]) {
  return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// The arbitrary-axis frame of a normal, moved to the centre; false for a normal
// of no length.
bool frame_of(const double normal[3], const double centre[3], double frame[16]) {
  double n[4] = {normal[0], normal[1], normal[2], 1};
  double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(l > 0) || !std::isfinite(l) || !finite3(centre)) return false;
  for (int i = 0; i < 3; ++i) n[i] /= l;
  tk_matrix_from_extrusion(n, frame);
  frame[12] = centre[0];
  frame[13] = centre[1];
  frame[14] = centre[2];
  return true;
}

// The angle of a world point about the frame's origin, in the frame's plane.
double angle_in(const double frame[16], const double q[3]) {
  double d[3] = {q[0] - frame[12], q[1] - frame[13], q[2] - frame[14]};
  double x = d[0] * frame[0] + d[1] * frame[1] + d[2] * frame[2];
  double y = d[0] * frame[4] + d[1] * frame[5] + d[2] * frame[6];
  return std::atan2(y, x);
}

// An arc about the frame's origin through every viewport of the display state.
bool arc_in_frame(Proxy& p, const double frame[16], double radius, double start, double end) {
  TkRegenContext& r = tk_regen;
  int count = r.viewport_count ? r.viewport_count : 1;
  auto* block = static_cast<double(*)[16]>(mem_alloc(sizeof(double) * 16 * size_t(count)));
  if (!block) {
    tk_fail_alloc(TK_ERR_PROXY_MATRICES);
    return false;
  }
  double placed[16];
  std::memcpy(placed, frame, sizeof placed);
  const TkEntityHeader* h = tk_display_callbacks->scratch_header;
  if (h->flags & TK_ENTITY_EXTRUDED) tk_matrix_multiply(placed, r.ecs, placed);
  for (int v = 0; v < count; ++v) tk_matrix_multiply(placed, p.matrices[v], block[v]);
  const double origin[3] = {0, 0, 0};
  regen_arc(p.drawing, origin, start, end, radius, p.base, block, 1, p.linetype, p.style_drawing,
            nullptr, nullptr);
  mem_free(block);
  return true;
}

// The arc from a1 to a3 counter-clockwise that passes a2 (angles in the frame).
void arc_through(double a1, double a2, double a3, double* start, double* end) {
  while (a1 < 0 || a2 < 0 || a3 < 0) {
    a1 += kTwoPi;
    a2 += kTwoPi;
    a3 += kTwoPi;
  }
  if (a1 > a3) {
    if (a1 > a2 && a2 > a3) {
      *start = a3;
      *end = a1;
    } else {
      *start = a1;
      *end = a3 + kTwoPi;
    }
  } else if (a1 < a3) {
    if (a1 < a2 && a2 < a3) {
      *start = a1;
      *end = a3;
    } else {
      *start = a3;
      *end = a1 + kTwoPi;
    }
  } else {
    *start = *end = a1;
  }
}

bool three_points(Proxy& p, const ProxyPrimitive& pr, bool circle) {
  const double(*q)[3] = pr.points;
  double normal[4], centre[3], frame[16];
  tk_circle_centre_3pt(q[0], q[1], q[2], normal, centre);
  if (!frame_of(normal, centre, frame)) {
    // Three points on one line: the arc is the straight path through them.
    line(p, q[0], q[1], p.linetype);
    line(p, q[1], q[2], p.linetype);
    return true;
  }
  double radius = tk_vec3_distance(centre, q[0]);
  if (circle) return arc_in_frame(p, frame, radius, 0, kTwoPi);
  double start, end;
  arc_through(angle_in(frame, q[0]), angle_in(frame, q[1]), angle_in(frame, q[2]), &start, &end);
  return arc_in_frame(p, frame, radius, start, end);
}

// The vertices of a polyline or polygon primitive, each segment a run of its
// own.
void polyline(Proxy& p, TkBlob* blob, const ProxyPrimitive& pr, bool closed) {
  double first[3] = {0, 0, 0}, prev[3] = {0, 0, 0}, next[3] = {0, 0, 0};
  for (uint32_t i = 0; i < pr.count && regen_continue; ++i) {
    if (!blob_read_point_checked(blob, pr.end, next)) return;
    if (i == 0)
      std::memcpy(first, next, sizeof first);
    else
      line(p, prev, next, p.linetype);
    std::memcpy(prev, next, sizeof prev);
  }
  if (closed && pr.count > 1) line(p, prev, first, p.linetype);
}

// An edge's own layer, linetype and colour, when the primitive gives them.
void edge_attributes(Proxy& p, const ProxyEdgeFaceData& x, uint64_t edge) {
  if (x.edge_layers) {
    int16_t colour = 0;
    proxy_layer_by_index(p.drawing, x.edge_layers[edge], &colour, p.linetype);
    if (p.colour == TK_COLOUR_BYLAYER) set_colour(p, colour);
  }
  if (x.edge_linetypes) proxy_ltype_by_index(p.drawing, x.edge_linetypes[edge], p.linetype);
  if (x.edge_colours) set_colour(p, int16_t(x.edge_colours[edge]));
}

void face_attributes(Proxy& p, const ProxyEdgeFaceData& x, uint64_t face) {
  if (x.face_layers) {
    int16_t colour = 0;
    proxy_layer_by_index(p.drawing, x.face_layers[face], &colour, p.linetype);
    if (p.colour == TK_COLOUR_BYLAYER) set_colour(p, colour);
  }
  if (x.face_colours) set_colour(p, int16_t(x.face_colours[face]));
}

void mesh(Proxy& p, TkBlob* blob, const ProxyPrimitive& pr) {
  ProxyMesh m;
  if (!xd_read_proxy_mesh(blob, &pr, &m)) return;
  const uint32_t rows = m.rows, cols = m.columns;
  auto at = [&](uint32_t r, uint32_t c) { return m.vertices + 3 * (size_t(r) * cols + c); };
  const ProxyEdgeFaceData& x = m.extra;
  uint64_t edge = 0;
  auto draw_edge = [&](const double* a, const double* b) {
    uint64_t e = edge++;
    if (x.edge_visibility && x.edge_visibility[e] == 0) return;
    edge_attributes(p, x, e);
    line(p, a, b, p.linetype);
  };
  for (uint32_t r = 0; r < rows && regen_continue; ++r)
    for (uint32_t c = 0; c + 1 < cols; ++c) draw_edge(at(r, c), at(r, c + 1));
  for (uint32_t r = 0; r + 1 < rows && regen_continue; ++r)
    for (uint32_t c = 0; c < cols; ++c) draw_edge(at(r, c), at(r + 1, c));
  const bool fill = p.drawing->header && p.drawing->header->fillmode;
  uint64_t face = 0;
  for (uint32_t r = 0; r + 1 < rows && regen_continue; ++r)
    for (uint32_t c = 0; c + 1 < cols; ++c) {
      uint64_t f = face++;
      if (x.face_visibility && x.face_visibility[f] == 0) continue;
      face_attributes(p, x, f);
      const double* corner[4] = {at(r, c), at(r, c + 1), at(r + 1, c + 1), at(r + 1, c)};
      double quad[4][3];
      for (int k = 0; k < 4; ++k) std::memcpy(quad[k], corner[k], sizeof quad[k]);
      if (fill) {
        regen_fill_polygon(p.drawing, quad, 4, p.matrices);
      } else {
        for (int k = 0; k < 4; ++k) line(p, quad[k], quad[(k + 1) % 4], &tk_regen.continuous);
      }
    }
  xd_free_proxy_mesh(&m);
}

void shell(Proxy& p, TkBlob* blob, const ProxyPrimitive& pr) {
  ProxyShell s;
  if (!xd_read_proxy_shell(blob, &pr, &s)) return;
  const ProxyEdgeFaceData& x = s.extra;
  uint64_t edge = 0;
  for (uint32_t i = 0; i < s.face_list_count && regen_continue;) {
    int32_t n = s.face_list[i];
    uint32_t m = n < 0 ? uint32_t(-int64_t(n)) : uint32_t(n);
    // The reader checked that the face's indexes stand in the list and name
    // vertices.
    if (n > 0) {
      for (uint32_t k = 0; k < m; ++k) {
        uint64_t e = edge + k;
        if (x.edge_visibility && x.edge_visibility[e] == 0) continue;
        edge_attributes(p, x, e);
        const double* a = s.vertices + 3 * size_t(s.face_list[i + 1 + k]);
        const double* b = s.vertices + 3 * size_t(s.face_list[i + 1 + (k + 1) % m]);
        line(p, a, b, p.linetype);
      }
    }
    edge += m;
    i += m + 1;
  }
  xd_free_proxy_shell(&s);
}

void text(Proxy& p, const ProxyPrimitive& pr, bool styled) {
  TkTextStyleRecord style;
  std::memset(&style, 0, sizeof style);
  tk_init_style_record(&style);
  std::strcpy(style.name, "STANDARD");
  const char* font = styled && pr.font[0] ? pr.font : "txt";
  size_t n = strnlen(font, sizeof style.font_file - 1);
  std::memcpy(style.font_file, font, n);
  style.font_file[n] = 0;
  TkTextParams params{};
  params.height = pr.height;
  params.rotation = std::atan2(pr.direction[1], pr.direction[0]);
  params.width_factor = pr.width_factor;
  params.oblique = pr.oblique;
  if (!std::isfinite(params.height) || !std::isfinite(params.rotation) ||
      !std::isfinite(params.width_factor) || !std::isfinite(params.oblique))
    return;
  TkEntityHeader* h = tk_display_callbacks->scratch_header;
  if (finite3(pr.normal) && (pr.normal[0] != 0 || pr.normal[1] != 0 || pr.normal[2] != 1)) {
    std::memcpy(h->extrusion, pr.normal, sizeof h->extrusion);
    h->flags |= TK_ENTITY_EXTRUDED;
  }
  regen_text_entity(p.drawing, pr.points[0], pr.text, &style, &params, p.base,
                    tk_regen.thin_width / 3);
}

// A clip boundary of two corners; any other boundary is not used.
void push_clip(Proxy& p, const ProxyPrimitive& pr) {
  TkBlob* points = pr.image_data;
  double xy[4];
  TkBlob* r =
      points && blob_length(points) == int32_t(sizeof xy) ? blob_open_read(points) : nullptr;
  bool two = r && blob_read(r, xy, sizeof xy);
  if (r) blob_close(r);
  if (!two) return;
  if (p.clip_pushed) tk_clip_pop_polygon(tk_regen.state);
  const double corners[12] = {xy[0], xy[1], 0, xy[2], xy[1], 0, xy[2], xy[3], 0, xy[0], xy[3], 0};
  p.clip_pushed = tk_clip_push_polygon(tk_regen.state, corners, 4, p.matrices) != 0;
}

}  // namespace

void proxy_ltype_by_index(TkDrawing* drawing, uint32_t index, TkLinetypeRecord* record) {
  if (index == TK_PROXY_LINETYPE_BYLAYER || index == TK_PROXY_LINETYPE_BYBLOCK) {
    TkHandle handle{};
    const char* name = index == TK_PROXY_LINETYPE_BYLAYER ? "BYLAYER" : "BYBLOCK";
    if (tk_ltype_find(drawing, name, &handle)) tk_ltype_get(drawing, &handle, record);
    return;
  }
  if (index < 1 || int64_t(index) > tk_ltype_count(drawing)) return;
  tk_ltype_rewind(drawing);
  for (uint32_t i = 0; i < index; ++i)
    if (!tk_ltype_next(drawing, record)) return;
}

void proxy_layer_by_index(TkDrawing* drawing, uint32_t index, int16_t* colour,
                          TkLinetypeRecord* record) {
  // An index of -1 counts as the first layer.
  if (index == 0xFFFFFFFFu) index = 0;
  if (int64_t(index) >= tk_layer_list_count(drawing)) return;
  TkLayerRecord* layer = static_cast<TkLayerRecord*>(mem_alloc(sizeof(TkLayerRecord)));
  if (!layer) return;
  tk_layer_list_rewind(drawing);
  bool found = true;
  for (uint32_t i = 0; found && i <= index; ++i) found = tk_layer_list_next(drawing, layer) != 0;
  if (found) {
    *colour = layer->color;
    tk_ltype_get(drawing, &layer->linetype, record);
  }
  mem_free(layer);
}

TkBlob* regen_proxy_blob(TkDrawing* drawing, const TkEntityHeader* header,
                         const TkEntityData* data) {
  uint16_t kind = header->kind;
  if (kind <= TK_LAST_FIXED_KIND) return nullptr;
  const uint16_t* c = drawing->class_numbers;
  if (kind == c[TK_CLASS_WIPEOUT] || kind == c[TK_CLASS_IMAGE])
    return tk_data_blob(data, kImageGraphics);
  if (kind == c[TK_CLASS_RTEXT]) return tk_data_blob(data, kRtextGraphics);
  if (kind == c[TK_CLASS_ARCALIGNEDTEXT]) return tk_data_blob(data, kArcTextGraphics);
  if (kind == c[TK_CLASS_HATCH] || kind == c[TK_CLASS_LWPOLYLINE] || kind == c[TK_CLASS_OLE2FRAME])
    return nullptr;
  // Both readers keep the graphics and the data's handles in the two last
  // slots, in either order: the graphics are the blob whose head gives its own
  // length.
  for (size_t at : {kOtherClassGraphics, kOtherClassHandles}) {
    TkBlob* blob = tk_data_blob(data, at);
    if (at == kOtherClassHandles && tk_data_get<uint32_t>(data, TK_CLASS_DATA_FLAG) == 0) continue;
    TkBlob* r = blob ? blob_open_read(blob) : nullptr;
    if (!r) continue;
    uint32_t head[2] = {0, 0};
    bool ok = blob_read(r, head, sizeof head) && head[0] == uint32_t(blob_length(blob));
    blob_close(r);
    if (ok) return blob;
  }
  return nullptr;
}

int16_t regen_proxy_graphics(TkDrawing* drawing, TkBlob* graphics, const double base[16],
                             TkConstViewMatrices matrices, const TkLinetypeRecord* linetype,
                             TkDrawing* style_drawing, int16_t byblock_colour,
                             int16_t bylayer_colour) {
  TkHeader* hdr = drawing->header;
  const int16_t fillmode = hdr ? hdr->fillmode : 0;
  TkBlob* blob = graphics ? blob_open_read(graphics) : nullptr;
  if (!blob) return 0;
  auto* copy = static_cast<TkLinetypeRecord*>(mem_alloc(sizeof(TkLinetypeRecord)));
  if (!copy) {
    blob_close(blob);
    return tk_fail_alloc(TK_ERR_PROXY_MATRICES);
  }
  if (linetype)
    std::memcpy(copy, linetype, sizeof *copy);
  else
    std::memcpy(copy, &tk_regen.continuous, sizeof *copy);
  TkEntityHeader* h = tk_display_callbacks->scratch_header;
  const uint8_t saved_flags = h->flags;
  double saved_extrusion[3];
  std::memcpy(saved_extrusion, h->extrusion, sizeof saved_extrusion);
  Proxy p{drawing, base, matrices, copy, style_drawing, byblock_colour, bylayer_colour};
  ProxyPrimitive pr;
  bool ok = xd_skip_proxy_header(blob) != 0;
  while (ok && !p.failed && regen_continue && xd_read_proxy_primitive(blob, &pr)) {
    regen_poll(drawing);
    switch (pr.type) {
      case TK_PROXY_CIRCLE:
      case TK_PROXY_ARC: {
        double frame[16];
        if (!frame_of(pr.normal, pr.points[0], frame) || !std::isfinite(pr.radius)) break;
        double start = 0, end = kTwoPi;
        if (pr.type == TK_PROXY_ARC) {
          const double along[3] = {frame[12] + pr.direction[0], frame[13] + pr.direction[1],
                                   frame[14] + pr.direction[2]};
          start = angle_in(frame, along);
          end = start + pr.sweep;
        }
        if (!arc_in_frame(p, frame, pr.radius, start, end)) p.failed = true;
        break;
      }
      case TK_PROXY_CIRCLE_3PT:
      case TK_PROXY_ARC_3PT:
        if (!three_points(p, pr, pr.type == TK_PROXY_CIRCLE_3PT)) p.failed = true;
        break;
      case TK_PROXY_POLYLINE:
      case TK_PROXY_POLYGON:
        polyline(p, blob, pr, pr.type == TK_PROXY_POLYGON);
        break;
      case TK_PROXY_MESH:
        mesh(p, blob, pr);
        break;
      case TK_PROXY_SHELL:
        shell(p, blob, pr);
        break;
      case TK_PROXY_TEXT:
      case TK_PROXY_TEXT_STYLED:
        text(p, pr, pr.type == TK_PROXY_TEXT_STYLED);
        break;
      case TK_PROXY_XLINE:
      case TK_PROXY_RAY: {
        const double* b = pr.points[0];
        const double dir[3] = {pr.points[1][0] - b[0], pr.points[1][1] - b[1],
                               pr.points[1][2] - b[2]};
        if (finite3(b) && finite3(dir))
          regen_infinite_line(drawing, pr.type == TK_PROXY_XLINE ? TK_XLINE : TK_RAY, b, dir, base,
                              matrices, p.linetype);
        break;
      }
      case kColour:
        p.colour = uint16_t(pr.count);
        set_colour(p, p.colour == 0                   ? byblock_colour
                      : p.colour == TK_COLOUR_BYLAYER ? bylayer_colour
                                                      : int16_t(pr.count & 0xFF));
        break;
      case kLayer: {
        int16_t colour = -1;
        proxy_layer_by_index(drawing, pr.count, &colour, p.linetype);
        if (p.colour == TK_COLOUR_BYLAYER) set_colour(p, colour);
        break;
      }
      case TK_PROXY_LINETYPE:
        proxy_ltype_by_index(drawing, pr.linetype, p.linetype);
        break;
      case kFillOn:
        if (hdr) hdr->fillmode = int16_t(pr.count & 0xFFFF);
        break;
      case kPushClip:
        push_clip(p, pr);
        break;
      case kPopClip:
        // Ends the boundary this entity pushed; the ones pushed around it stay.
        if (p.clip_pushed) tk_clip_pop_polygon(tk_regen.state);
        p.clip_pushed = false;
        break;
      default:
        break;
    }
    blob_free(pr.image_data);
    // The counted primitives leave the blob inside them; the next one starts at
    // the end.
    if (!blob_seek(blob, pr.end)) break;
  }
  blob_close(blob);
  if (hdr) hdr->fillmode = fillmode;
  if (p.clip_pushed) tk_clip_pop_polygon(tk_regen.state);
  h->flags = saved_flags;
  std::memcpy(h->extrusion, saved_extrusion, sizeof saved_extrusion);
  mem_free(copy);
  return p.failed ? 0 : 1;
}
