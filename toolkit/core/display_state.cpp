// Display states: creation with the viewport table, views and their matrices, the full view,
// and the polygon clip stack.
#include "toolkit/core/display_state.h"

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/dim_lookup.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/symtab.h"

namespace {

constexpr double kBig = 1e300;

double tidy(double v) { return std::fabs(v) < 1e-13 ? 0.0 : v; }

void reset_drawn(TkDisplayState* s) {
  s->drawn[0] = s->drawn[1] = kBig;
  s->drawn[2] = s->drawn[3] = -kBig;
}

void default_view(TkViewDesc* v, int32_t width, int32_t height) {
  std::memset(v, 0, sizeof *v);
  v->direction[2] = 1.0;
  v->target[3] = 1.0;
  v->up[1] = 1.0;
  v->width = width > 0 ? width : 1.0;
  v->height = height > 0 ? height : 1.0;
}

// The window matrix: view coordinates of a width x height box to the device rectangle.
void window_matrix(const double rect[4], double width, double height, double out[16]) {
  tk_matrix_identity(out);
  double mid[3] = {(rect[0] + rect[2] + 1) / 2, (rect[1] + rect[3] + 1) / 2, 0.0};
  tk_matrix_translate_local(mid, out);
  double sx = width != 0 ? (rect[2] - rect[0]) / width : 1.0;
  double sy = height != 0 ? (rect[3] - rect[1]) / height : 1.0;
  tk_matrix_apply_scale(sx, sy, sx, out);
}

void set_boundary(TkDisplayState* s, int v) {
  if (!s->clip) return;
  TkViewportEntry& e = s->viewports[v];
  // A clipping outline (paper units) through the paper's matrix is the viewport's loop.
  if (v != 0 && e.outline) {
    std::vector<double> pts;
    TkBlob* r = blob_open_read(e.outline);
    double p[4] = {0, 0, 0, 1};
    while (r && blob_read(r, p, 3 * sizeof(double))) {
      p[3] = 1;
      double q[4];
      tk_matrix_transform_point4(p, s->viewports[0].matrix, q);
      pts.push_back(q[0]);
      pts.push_back(q[1]);
    }
    if (r) blob_close(r);
    if (pts.size() >= 6) {
      loop_set_free(s->clip->sets[v]);
      s->clip->sets[v] = loop_set_from_points(pts.data(), int32_t(pts.size() / 2));
      return;
    }
  }
  double x0 = std::fmin(e.rect[0], e.rect[2]), x1 = std::fmax(e.rect[0], e.rect[2]);
  double y0 = std::fmin(e.rect[1], e.rect[3]), y1 = std::fmax(e.rect[1], e.rect[3]);
  double pts[8] = {x0, y0, x1, y0, x1, y1, x0, y1};
  loop_set_free(s->clip->sets[v]);
  s->clip->sets[v] = loop_set_from_points(pts, 4);
}

// The base node of the clip stack: each viewport's own rectangle.
int16_t push_base_node(TkDisplayState* s) { return tk_clip_push_polygon(s, nullptr, 0, nullptr); }

void viewport_from_vport(TkViewportEntry* e, const TkVportRecord* r) {
  double d[3] = {tidy(r->direction[0]), tidy(r->direction[1]), tidy(r->direction[2])};
  if (d[0] == 0 && d[1] == 0 && d[2] == 0) d[2] = 1.0;
  std::memcpy(e->direction, d, sizeof d);
  std::memcpy(e->target, r->target, sizeof e->target);
  e->center[0] = r->center[0];
  e->center[1] = r->center[1];
  e->view_height = r->height;
  e->lens_length = r->lens_length;
  e->twist = r->twist;
}

// Each layer named in a VIEWPORT's frozen-layer list (8-byte layer handles) is frozen in the
// viewport's slot of the table.
void mark_frozen_layers(TkDrawing* drawing, const TkEntityData* data, int slot) {
  TkBlob* stored = tk_data_blob(data, TK_VIEWPORT_BLOB);
  uint32_t count = tk_data_get<uint32_t>(data, TK_VIEWPORT_LAYER_COUNT);
  TkBlob* reader = stored && count ? blob_open_read(stored) : nullptr;
  if (!reader) return;
  auto* layer = static_cast<TkLayerRecord*>(mem_alloc(sizeof(TkLayerRecord)));
  TkHandle handle;
  for (uint32_t i = 0; layer && i < count && blob_read(reader, &handle, sizeof handle); ++i) {
    if (!tk_layer_get(drawing, &handle, layer)) continue;
    layer->viewport_frozen |= uint64_t(1) << slot;
    tk_layer_put(drawing, layer);
  }
  mem_free(layer);
  blob_close(reader);
}

// Reads the paper-space VIEWPORT entities (of the layout block's list when one is named):
// number 1 is the paper view, the others follow.
void read_paper_viewports(TkDrawing* drawing, TkDisplayState* s, TkList* layout) {
  int next = 1;
  auto* header = static_cast<TkEntityHeader*>(mem_alloc(sizeof(TkEntityHeader)));
  auto* data = static_cast<TkEntityData*>(mem_alloc(sizeof(TkEntityData)));
  TkLink* l = layout ? nullptr : list_first(&drawing->pspace_viewports);
  std::vector<std::pair<int, TkHandle>> clipped;
  if (layout) entity_list_rewind(layout);
  while (header && data) {
    if (layout) {
      if (!entity_list_next(layout, header, data)) break;
    } else {
      if (!l) break;
      auto* pv = static_cast<TkPspaceViewport*>(tk_link_data(l));
      l = l->next;
      if (!pv->stored || !entity_unpack(pv->stored, header, data, nullptr, nullptr)) continue;
    }
    if (header->kind != TK_VIEWPORT) continue;
    int16_t number = tk_data_get<int16_t>(data, TK_VIEWPORT_NUMBER);
    int slot = number == 1 ? 0 : next;
    if (slot != 0 && next >= TK_MAX_VIEWPORTS) continue;
    TkViewportEntry& e = s->viewports[slot];
    for (int i = 0; i < 3; ++i) {
      e.paper_center[i] = tk_data_get<double>(data, 16 + 8 * i);
      e.direction[i] = tidy(tk_data_get<double>(data, 736 + 8 * i));
      e.target[i] = tk_data_get<double>(data, 712 + 8 * i);
    }
    if (e.direction[0] == 0 && e.direction[1] == 0 && e.direction[2] == 0) e.direction[2] = 1;
    e.paper_width = tk_data_get<double>(data, 40);
    e.paper_height = tk_data_get<double>(data, 48);
    e.center[0] = tk_data_get<double>(data, 776);
    e.center[1] = tk_data_get<double>(data, 784);
    e.view_height = tk_data_get<double>(data, 768);
    e.twist = tk_data_get<double>(data, 760);
    e.lens_length = tk_data_get<double>(data, 792);
    e.status = static_cast<uint8_t>(tk_data_get<int16_t>(data, 10));
    mark_frozen_layers(drawing, data, slot);
    TkHandle clip = tk_data_get<TkHandle>(data, TK_VIEWPORT_CLIP_ENTITY);
    if (slot != 0 && !tk_handle_is_null(&clip)) clipped.emplace_back(slot, clip);
    if (slot != 0) ++next;
  }
  // Outlines last: reading the clipping entity moves the list's position.
  for (const auto& [slot, clip] : clipped)
    s->viewports[slot].outline =
        tk_entity_outline(drawing, layout ? layout : &drawing->paper_entities, &clip);
  mem_free(header);
  mem_free(data);
  s->viewport_count = static_cast<uint16_t>(next);
}

void build_viewport_table(TkDrawing* drawing, TkDisplayState* s, TkList* layout) {
  auto* layer = static_cast<TkLayerRecord*>(mem_alloc(sizeof(TkLayerRecord)));
  for (TkLink* l = layer ? list_first(&drawing->layers) : nullptr; l; l = l->next) {
    std::memcpy(layer, tk_link_data(l), sizeof *layer);
    if (!layer->viewport_frozen) continue;
    layer->viewport_frozen = 0;
    tk_layer_put(drawing, layer);
  }
  mem_free(layer);
  for (int v = 0; v < TK_MAX_VIEWPORTS; ++v) {
    TkViewportEntry& e = s->viewports[v];
    std::memset(&e, 0, sizeof e);
    e.direction[2] = 1.0;
    e.lens_length = 50.0;
  }
  if (!s->paper_space) {
    s->viewport_count = 1;
    // The first "*ACTIVE" record with a clear first flag gives the model-space view. DWG files
    // from AC1012 on mark every record that entities use (64), which a DXF file never writes:
    // both roads give the same view.
    auto* record = static_cast<TkVportRecord*>(mem_alloc(sizeof(TkVportRecord)));
    if (record && tk_vport_rewind(drawing)) {
      while (tk_vport_next(drawing, record)) {
        if (tk_name_compare(record->name, "*ACTIVE") == 0 && (record->flags & ~64) == 0) {
          viewport_from_vport(&s->viewports[0], record);
          break;
        }
      }
      // The walk above leaves the record's blobs with the table; nothing to free here.
    }
    mem_free(record);
  } else {
    read_paper_viewports(drawing, s, layout);
  }
  for (int v = 0; v < s->viewport_count; ++v) {
    TkViewportEntry& e = s->viewports[v];
    tk_view_up_vector(e.direction, e.twist, e.up);
  }
}

int16_t fail_alloc() {
  if (tk_state) {
    tk_state->last_error = TK_ERR_DISPLAY_ALLOC;
    if (tk_state->error_callback) tk_state->error_callback(2);
  }
  return 0;
}

void compute_matrices(TkDisplayState* s, const double rect[4]) {
  TkViewportEntry& paper = s->viewports[0];
  window_matrix(rect, s->view.width, s->view.height, s->window_matrix);
  std::memcpy(paper.window_matrix, s->window_matrix, sizeof s->window_matrix);
  std::memcpy(paper.view_matrix, s->view_matrix, sizeof s->view_matrix);
  tk_matrix_multiply(s->view_matrix, s->window_matrix, paper.matrix);
  std::memcpy(paper.rect, rect, sizeof paper.rect);
  paper.scale = tk_matrix_scale(paper.matrix);
  set_boundary(s, 0);
  if (!s->paper_space) return;
  double xs = s->view.width != 0 ? (rect[2] - rect[0]) / s->view.width : 1.0;
  double ys = s->view.height != 0 ? (rect[3] - rect[1]) / s->view.height : 1.0;
  double lo_x = std::fmin(rect[0], rect[2]), hi_x = std::fmax(rect[0], rect[2]);
  double lo_y = std::fmin(rect[1], rect[3]), hi_y = std::fmax(rect[1], rect[3]);
  for (int v = 1; v < s->viewport_count; ++v) {
    TkViewportEntry& e = s->viewports[v];
    tk_view_matrix(e.direction, e.target, e.up, e.center, e.view_matrix);
    double c0[4] = {e.paper_center[0] - e.paper_width / 2, e.paper_center[1] - e.paper_height / 2,
                    e.paper_center[2], 1.0};
    double c1[4] = {e.paper_center[0] + e.paper_width / 2, e.paper_center[1] + e.paper_height / 2,
                    e.paper_center[2], 1.0};
    tk_matrix_transform_point4(c0, paper.matrix, c0);
    tk_matrix_transform_point4(c1, paper.matrix, c1);
    // Moved in by one unit on each side and kept on the device.
    double r[4] = {std::fmin(c0[0], c1[0]) + 1, std::fmin(c0[1], c1[1]) + 1,
                   std::fmax(c0[0], c1[0]) - 1, std::fmax(c0[1], c1[1]) - 1};
    r[0] = std::fmax(r[0], lo_x);
    r[1] = std::fmax(r[1], lo_y);
    r[2] = std::fmin(r[2], hi_x);
    r[3] = std::fmin(r[3], hi_y);
    // Keep the paper's orientation of the y axis.
    if (rect[1] > rect[3]) std::swap(r[1], r[3]);
    std::memcpy(e.rect, r, sizeof r);
    double h = e.view_height > 0 ? e.view_height : 1.0;
    double rw = std::fabs(r[2] - r[0]), rh = std::fabs(r[3] - r[1]);
    double w = rh > 0 ? rw * h / rh : h;
    if (xs != 0) w *= std::fabs(ys / xs);
    window_matrix(r, w, h, e.window_matrix);
    tk_matrix_multiply(e.view_matrix, e.window_matrix, e.matrix);
    e.scale = tk_matrix_scale(e.matrix);
    set_boundary(s, v);
  }
}

}  // namespace

double tk_matrix_scale(const double m[16]) {
  const double k = 1.0 / std::sqrt(3.0);
  double p[4] = {k, k, k, 0.0};
  tk_matrix_transform_point4(p, m, p);
  return std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
}

void tk_view_up_vector(const double d[3], double twist, double out[3]) {
  if (d[0] == 0.0 && d[1] == 0.0) {
    out[0] = 0;
    out[1] = 1;
    out[2] = 0;
  } else {
    const double z[3] = {0, 0, 1};
    double zd[4], up[4];
    tk_vec3_cross_unit(z, d, zd);
    tk_vec3_cross_unit(d, zd, up);
    out[0] = up[0];
    out[1] = up[1];
    out[2] = up[2];
  }
  if (twist != 0.0) {
    const double origin[3] = {0, 0, 0};
    tk_rotate_point_about_axis(out, origin, d, -twist);
  }
  for (int i = 0; i < 3; ++i) out[i] = tidy(out[i]);
}

void tk_view_matrix(const double d[3], const double target[3], const double up[3],
                    const double centre[2], double out[16]) {
  tk_matrix_identity(out);
  out[12] = -target[0];
  out[13] = -target[1];
  out[14] = -target[2];
  double r = std::sqrt(d[1] * d[1] + d[2] * d[2]);
  if (r >= 1e-30) {
    double s = d[1] / r, c = d[2] / r;
    const double rx[16] = {1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1};
    tk_matrix_multiply(out, rx, out);
  }
  {
    double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    double s = len > 0 ? -d[0] / len : 0.0, c = len > 0 ? r / len : 1.0;
    const double ry[16] = {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1};
    tk_matrix_multiply(out, ry, out);
  }
  double u[4] = {up[0], up[1], up[2], 0.0};
  tk_matrix_transform_point4(u, out, u);
  double ul = std::sqrt(u[0] * u[0] + u[1] * u[1]);
  if (ul > 0) {
    double s = u[0] / ul, c = u[1] / ul;
    const double rz[16] = {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    tk_matrix_multiply(out, rz, out);
  }
  if (centre) {
    out[12] -= centre[0];
    out[13] -= centre[1];
  }
}

void tk_inverse_transform_point_pair(const double m[16], const double a[2], const double b[2],
                                     double out_a[2], double out_b[2]) {
  double inv[16];
  std::memcpy(inv, m, sizeof inv);
  tk_matrix_invert(inv);
  double pa[4] = {a[0], a[1], 0.0, 1.0}, pb[4] = {b[0], b[1], 0.0, 1.0};
  tk_matrix_transform_point4(pa, inv, pa);
  tk_matrix_transform_point4(pb, inv, pb);
  out_a[0] = pa[0];
  out_a[1] = pa[1];
  out_b[0] = pb[0];
  out_b[1] = pb[1];
}

void tk_transformed_box(const double min[3], const double max[3], const double m[16],
                        double out_min[3], double out_max[3]) {
  for (int i = 0; i < 3; ++i) {
    out_min[i] = kBig;
    out_max[i] = -kBig;
  }
  for (int c = 0; c < 8; ++c) {
    double p[4] = {(c & 1) ? max[0] : min[0], (c & 2) ? max[1] : min[1],
                   (c & 4) ? max[2] : min[2], 1.0};
    tk_matrix_transform_point4(p, m, p);
    for (int i = 0; i < 3; ++i) {
      out_min[i] = std::fmin(out_min[i], p[i]);
      out_max[i] = std::fmax(out_max[i], p[i]);
    }
  }
}

int16_t tk_display_open(TkDrawing* drawing, const TkViewDesc* view, int32_t device_width,
                        int32_t device_height, const TkHandle* block) {
  return tk_display_create(drawing, view, device_width, device_height, drawing, block);
}

int16_t tk_display_create(TkDrawing* drawing, const TkViewDesc* view, int32_t device_width,
                          int32_t device_height, TkDrawing* owner, const TkHandle* block) {
  if (!drawing) return 0;
  if (drawing->display) tk_display_close(drawing);
  auto* s = static_cast<TkDisplayState*>(mem_alloc(sizeof(TkDisplayState)));
  if (!s) return fail_alloc();
  std::memset(s, 0, sizeof *s);
  s->owner = owner ? owner : drawing;
  s->draw_enabled = tk_display_callbacks ? tk_display_callbacks->draw_enabled : 1;
  s->scale_factors[0] = s->scale_factors[1] = 1.0;
  reset_drawn(s);
  const TkHeader* h = drawing->header;
  s->paper_space = (drawing->version >= 4 && h && h->tilemode == 0) ? 1 : 0;
  s->file_kind = drawing->file_kind;
  // Image frames show unless the drawing's raster variables turn them off.
  s->image_frame = 1;
  if (const uint16_t raster = drawing->class_numbers[TK_CLASS_RASTERVARIABLES]) {
    TkHandle handle;
    TkObjectHeader oh;
    TkObjectData od;
    if (tk_object_first_of_type(drawing, raster, &handle) &&
        tk_object_get(drawing, &handle, &oh, &od) && oh.type == raster)
      s->image_frame = od.rastervariables.display_frame ? 1 : 0;
  }
  if (s->owner == drawing) s->xclipframe = tk_get_dictionary_var(drawing, "XCLIPFRAME", 0) ? 1 : 0;
  // A named layout block shows that layout: its VIEWPORT entities give the viewports and its
  // entities are what paper space draws.
  TkList* layout = nullptr;
  if (block && !tk_handle_is_null(block)) {
    layout = tk_block_entity_list(drawing, block);
    if (layout) s->layout = *block;
  }
  build_viewport_table(drawing, s, layout);
  if (!push_base_node(s)) {
    mem_free(s);
    return fail_alloc();
  }
  if (s->paper_space && s->viewport_count < 1) s->viewport_count = 1;

  if (device_width <= 0) device_width = 32000;
  if (device_height <= 0) device_height = 32000;
  s->device_rect[0] = 0;
  s->device_rect[1] = device_height;
  s->device_rect[2] = device_width;
  s->device_rect[3] = 0;
  if (view) {
    s->initial_view = *view;
  } else {
    default_view(&s->initial_view, device_width, device_height);
  }
  // Entry 0 gives the view's orientation; the full view gives its target and size.
  TkViewportEntry& e0 = s->viewports[0];
  std::memcpy(s->initial_view.direction, e0.direction, sizeof e0.direction);
  std::memcpy(s->initial_view.up, e0.up, sizeof e0.up);
  if (s->initial_view.width <= 0 || s->initial_view.height <= 0) {
    s->initial_view.width = device_width;
    s->initial_view.height = device_height;
  }
  s->view = s->initial_view;
  drawing->display = s;
  TkViewDesc full;
  tk_display_full_view(drawing, &full);
  tk_compute_view(drawing, &full, s->device_rect);
  return 1;
}

void tk_display_close(TkDrawing* drawing) {
  if (!drawing || !drawing->display) return;
  TkDisplayState* s = drawing->display;
  if (tk_display_output_hooks.release) tk_display_output_hooks.release(s);
  while (TkFilterNode* f = s->filters) {
    s->filters = f->next;
    mem_free(f);
  }
  while (s->clip) tk_clip_pop_polygon(s);
  if (s->xref_queue) list_free(s->xref_queue);
  for (TkViewportEntry& e : s->viewports) blob_free(e.outline);
  mem_free(s);
  drawing->display = nullptr;
}

int16_t tk_display_set_view(TkDrawing* drawing, const TkViewDesc* view, const int32_t rect[4]) {
  if (!drawing || !drawing->display || !view) return 0;
  TkViewDesc v = *view;
  v.direction[3] = 0.0;
  v.up[3] = 0.0;
  v.target[3] = 1.0;
  if (drawing->display->recording && tk_display_output_hooks.set_view) {
    drawing->display->pending_view = 0;
    const int16_t taken = tk_display_output_hooks.set_view(drawing, &v, rect);
    return drawing->display->draw_enabled ? taken : 0;
  }
  std::memcpy(drawing->display->device_rect, rect, sizeof drawing->display->device_rect);
  tk_compute_view(drawing, &v, rect);
  drawing->display->pending_view = 0;
  return drawing->display->draw_enabled ? 1 : 0;
}

void tk_display_set_recording(TkDrawing* drawing, uint8_t on) {
  if (!drawing || !drawing->display) return;
  TkDisplayState* s = drawing->display;
  s->lists_valid = 0;
  if (tk_display_output_hooks.release) tk_display_output_hooks.release(s);
  s->recording = on && tk_display_output_hooks.set_view ? 1 : 0;
  // The view's matrices are recomputed for the new output: recorded units or the device.
  TkViewDesc v = s->view;
  int32_t rect[4];
  std::memcpy(rect, s->device_rect, sizeof rect);
  if (s->recording)
    tk_display_output_hooks.set_view(drawing, &v, rect);
  else
    tk_compute_view(drawing, &v, rect);
}

void tk_display_invalidate(TkDrawing* drawing) {
  if (drawing && drawing->display) drawing->display->lists_valid = 0;
}

int16_t tk_display_get_view(TkDrawing* drawing, TkViewDesc* out) {
  if (!drawing || !drawing->display) return 0;
  *out = drawing->display->view;
  return 1;
}

int16_t tk_display_get_extents_size(TkDrawing* drawing, double* width, double* height) {
  if (!drawing || !drawing->display) return 0;
  *width = drawing->display->extents_width;
  *height = drawing->display->extents_height;
  return 1;
}

TkDisplayState* tk_display_clear_pending(TkDrawing* drawing) {
  if (!drawing || !drawing->display) return nullptr;
  drawing->display->pending_view = 0;
  return drawing->display;
}

uint8_t tk_display_full_view(TkDrawing* drawing, TkViewDesc* out) {
  TkDisplayState* s = drawing->display;
  if (!s) return 0;
  double wmin[3], wmax[3], vmin[3], vmax[3];
  double vm[16];
  tk_view_matrix(s->initial_view.direction, s->initial_view.target, s->initial_view.up, nullptr,
                 vm);
  const TkHeader* h = drawing->header;
  if (s->extents_drawn) {
    double inv[16];
    std::memcpy(inv, s->viewports[0].matrix, sizeof inv);
    tk_matrix_invert(inv);
    double a[3] = {s->drawn[0], s->drawn[1], 0}, b[3] = {s->drawn[2], s->drawn[3], 0};
    tk_transformed_box(a, b, inv, wmin, wmax);
    std::memcpy(inv, s->window_matrix, sizeof inv);
    tk_matrix_invert(inv);
    tk_transformed_box(a, b, inv, vmin, vmax);
  } else {
    if (!s->paper_space) {
      double mn[3] = {1e20, 1e20, 1e20}, mx[3] = {-1e20, -1e20, -1e20};
      if (h) {
        std::memcpy(mn, h->extmin, sizeof mn);
        std::memcpy(mx, h->extmax, sizeof mx);
      }
      bool min_unset = mn[0] >= 1e20 && mn[1] >= 1e20;
      bool max_unset = mx[0] <= -1e20 && mx[1] <= -1e20;
      if (min_unset && max_unset) {
        for (int i = 0; i < 3; ++i) mn[i] = 0;
        mx[0] = 11.0;
        mx[1] = 8.5;
        mx[2] = 0.0;
      } else if (min_unset) {
        for (int i = 0; i < 3; ++i) mn[i] = mx[i] - std::fabs(mx[i]);
      } else if (max_unset) {
        for (int i = 0; i < 3; ++i) mx[i] = mn[i] + std::fabs(mn[i]);
      }
      std::memcpy(wmin, mn, sizeof wmin);
      std::memcpy(wmax, mx, sizeof wmax);
    } else {
      for (int i = 0; i < 3; ++i) {
        wmin[i] = h ? h->pextmin[i] : 0.0;
        wmax[i] = h ? h->pextmax[i] : 0.0;
      }
      if (!(wmin[0] < wmax[0]) || !(wmin[1] < wmax[1])) {
        wmin[0] = wmin[1] = 0;
        wmax[0] = 12.0;
        wmax[1] = 9.0;
      }
    }
    double target[3] = {(wmin[0] + wmax[0]) / 2, (wmin[1] + wmax[1]) / 2, (wmin[2] + wmax[2]) / 2};
    tk_view_matrix(s->initial_view.direction, target, s->initial_view.up, nullptr, vm);
    tk_transformed_box(wmin, wmax, vm, vmin, vmax);
  }
  TkViewDesc v = s->initial_view;
  v.target[0] = (wmin[0] + wmax[0]) / 2;
  v.target[1] = (wmin[1] + wmax[1]) / 2;
  v.target[2] = (wmin[2] + wmax[2]) / 2;
  v.target[3] = 1.0;
  double w = vmax[0] - vmin[0], ht = vmax[1] - vmin[1];
  s->extents_width = w;
  s->extents_height = ht;
  w *= 1.0000001;
  ht *= 1.0000001;
  if (!(w > 0)) w = 1.0;
  if (!(ht > 0)) ht = 1.0;
  double r = s->initial_view.height > 0 ? s->initial_view.width / s->initial_view.height : 1.0;
  if (ht > 0 && w / ht < r)
    w = r * ht;
  else
    ht = w / r;
  v.width = w;
  v.height = ht;
  *out = v;
  return s->extents_drawn;
}

void tk_compute_view(TkDrawing* drawing, const TkViewDesc* view, const int32_t rect[4]) {
  TkDisplayState* s = drawing->display;
  if (!s) return;
  if (std::memcmp(view, &s->view, sizeof *view) != 0) {
    s->extents_drawn = 0;
    reset_drawn(s);
    s->view = *view;
  }
  TkViewportEntry& e0 = s->viewports[0];
  std::memcpy(e0.direction, view->direction, sizeof e0.direction);
  std::memcpy(e0.target, view->target, sizeof e0.target);
  std::memcpy(e0.up, view->up, sizeof e0.up);
  tk_view_matrix(view->direction, view->target, view->up, nullptr, s->view_matrix);
  double r[4] = {double(rect[0]), double(rect[1]), double(rect[2]), double(rect[3])};
  compute_matrices(s, r);
}

int16_t tk_clip_push_polygon(TkDisplayState* s, const double* points, int32_t count,
                             const double (*matrices)[16]) {
  if (!s) return 0;
  auto* node = static_cast<TkClipNode*>(mem_alloc(sizeof(TkClipNode)));
  if (!node) return fail_alloc();
  std::memset(node, 0, sizeof *node);
  node->next = s->clip;
  bool ok = true;
  double* buffer = nullptr;
  if (points && count > 0) {
    buffer = static_cast<double*>(mem_alloc(sizeof(double) * 2 * size_t(count)));
    ok = buffer != nullptr;
  }
  int n = s->viewport_count ? s->viewport_count : 1;
  for (int v = 0; ok && v < n; ++v) {
    if (!points) {
      const TkViewportEntry& e = s->viewports[v];
      double x0 = std::fmin(e.rect[0], e.rect[2]), x1 = std::fmax(e.rect[0], e.rect[2]);
      double y0 = std::fmin(e.rect[1], e.rect[3]), y1 = std::fmax(e.rect[1], e.rect[3]);
      double pts[8] = {x0, y0, x1, y0, x1, y1, x0, y1};
      node->sets[v] = loop_set_from_points(pts, 4);
    } else if (count > 0) {
      const double* m = matrices ? matrices[v] : s->viewports[v].matrix;
      for (int32_t i = 0; i < count; ++i) {
        double p[4] = {points[3 * i], points[3 * i + 1], points[3 * i + 2], 1.0};
        tk_matrix_transform_point4(p, m, p);
        buffer[2 * i] = p[0];
        buffer[2 * i + 1] = p[1];
      }
      TkLoopSet* loop = loop_set_from_points(buffer, count);
      const TkLoopSet* below = node->next ? node->next->sets[v] : nullptr;
      if (loop && below) {
        // The node keeps what this boundary and every one beneath it leave together.
        TkLoopSet* both = nullptr;
        loop_set_intersect(loop, below, &both);
        loop_set_free(loop);
        loop = both;
      }
      node->sets[v] = loop;
    } else {
      // An empty boundary cuts nothing more away: the node keeps the set beneath it.
      const TkLoopSet* below = node->next ? node->next->sets[v] : nullptr;
      if (!below) continue;
      node->sets[v] = loop_set_copy(below);
    }
    ok = node->sets[v] != nullptr;
  }
  mem_free(buffer);
  if (!ok) {
    for (TkLoopSet*& set : node->sets) loop_set_free(set);
    mem_free(node);
    return fail_alloc();
  }
  s->clip = node;
  return 1;
}

bool tk_clip_has_loops(const TkDisplayState* s, int v) {
  if (!s || !s->clip || v < 0 || v >= TK_MAX_VIEWPORTS || !s->clip->sets[v]) return false;
  return s->clip->next || (v != 0 && s->viewports[v].outline);
}

void tk_clip_pop_polygon(TkDisplayState* s) {
  if (!s || !s->clip) return;
  TkClipNode* node = s->clip;
  s->clip = node->next;
  for (TkLoopSet*& set : node->sets) loop_set_free(set);
  mem_free(node);
}
