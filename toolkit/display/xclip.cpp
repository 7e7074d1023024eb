// Spatial filters: the filter object laid out as one record (point count, plane, clip settings,
// the inverse block transform and the clip-bound transform as 4 rows of 3, then the boundary's
// x and y values) turned into a boundary in block coordinates, and the clip stack entries that
// cut what an insertion draws to it.
#include "toolkit/display/xclip.h"

#include <cmath>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/display_block.h"
#include "toolkit/core/matrix.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"

namespace {

// Offsets in the stored record.
constexpr size_t kCount = 0;
constexpr size_t kNormal = 2;
constexpr size_t kOrigin = 26;
constexpr size_t kDisplay = 50;
constexpr size_t kFrontClip = 52;
constexpr size_t kBackClip = 54;
constexpr size_t kFrontDistance = 56;
constexpr size_t kBackDistance = 64;
constexpr size_t kTransforms = 72;
constexpr size_t kBoundary = kTransforms + 24 * sizeof(double);
// More boundary points than any drawing program writes; a larger record is not believed.
constexpr size_t kMaxPoints = 1 << 20;

template <typename T>
T at(const uint8_t* record, size_t offset) {
  T value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

// 4 rows of 3 into the first three columns of a 4 x 4 transform.
void from_rows(const uint8_t* record, size_t offset, double out[16]) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 3; ++c) {
      double v = at<double>(record, offset + (r * 3 + c) * sizeof(double));
      out[r * 4 + c] = std::fabs(v) <= 1e-12 ? 0.0 : v;
    }
    out[r * 4 + 3] = r == 3 ? 1.0 : 0.0;
  }
}

struct Filter {
  double normal[3];
  int16_t clipping;
  std::vector<uint8_t> record;
};

bool read_filter(TkDrawing* holder, const TkHandle* handle, Filter* f) {
  TkObjectHeader h;
  TkObjectData data;
  std::memset(&h, 0, sizeof h);
  std::memset(&data, 0, sizeof data);
  if (!holder || !tk_object_get(holder, handle, &h, &data)) return false;
  bool ok = false;
  uint16_t kind = tk_class_spatial_filter(holder);
  const TkSpatialFilterData& sf = data.spatial_filter;
  int32_t size = kind && h.type == kind && sf.points ? blob_stored_size(sf.points) : 0;
  if (size > 0 && size_t(size) <= kMaxPoints * 16) {
    f->record.assign(kBoundary + size_t(size), 0);
    uint8_t* r = f->record.data();
    std::memcpy(r + kCount, &sf.point_count, 2);
    std::memcpy(r + kNormal, sf.extrusion, 24);
    std::memcpy(r + kOrigin, sf.origin, 24);
    std::memcpy(r + kDisplay, &sf.display_boundary, 2);
    std::memcpy(r + kFrontClip, &sf.front_clip, 2);
    std::memcpy(r + kBackClip, &sf.back_clip, 2);
    std::memcpy(r + kFrontDistance, &sf.front_distance, 8);
    std::memcpy(r + kBackDistance, &sf.back_distance, 8);
    std::memcpy(r + kTransforms, sf.inverse_block_transform, 96);
    std::memcpy(r + kTransforms + 96, sf.clip_transform, 96);
    TkBlob* rd = blob_open_read(sf.points);
    ok = rd && blob_read(rd, r + kBoundary, size_t(size));
    if (rd) blob_close(rd);
  }
  // The object's data stays the drawing's: nothing to free here.
  if (!ok) return false;
  for (int i = 0; i < 3; ++i) f->normal[i] = at<double>(f->record.data(), kNormal + 8 * i);
  f->clipping = at<int16_t>(f->record.data(), kDisplay);
  return true;
}

}  // namespace

std::vector<double> vport_build_boundary(const uint8_t* record, size_t size) {
  std::vector<double> out;
  if (!record || size < kBoundary || (size - kBoundary) % 16 != 0) return out;
  size_t stored = (size - kBoundary) / 16;
  int32_t count = uint16_t(at<int16_t>(record, kCount));
  if (count < 2 || size_t(count) > stored) return out;
  double first[16], second[16], m[16];
  from_rows(record, kTransforms, first);
  from_rows(record, kTransforms + 12 * sizeof(double), second);
  tk_matrix_invert(second);
  tk_matrix_multiply(second, first, m);
  auto xy = [&](int32_t i, int axis) { return at<double>(record, kBoundary + (2 * i + axis) * 8); };
  std::vector<double> flat;
  if (count == 2) {
    double x1 = xy(0, 0), y1 = xy(0, 1), x2 = xy(1, 0), y2 = xy(1, 1);
    flat = {x1, y1, x2, y1, x2, y2, x1, y2};
  } else {
    for (int32_t i = 0; i < count; ++i) {
      flat.push_back(xy(i, 0));
      flat.push_back(xy(i, 1));
    }
  }
  for (size_t i = 0; i + 1 < flat.size(); i += 2) {
    double p[4] = {flat[i], flat[i + 1], 0.0, 1.0};
    tk_matrix_transform_point4(p, m, p);
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) return {};
    out.insert(out.end(), {p[0], p[1], p[2]});
  }
  return out;
}

void vport_draw_border(TkDrawing* drawing, const std::vector<double>& boundary,
                       TkConstViewMatrices matrices) {
  size_t n = boundary.size() / 3;
  if (n < 2 || !tk_display_callbacks) return;
  regen_set_color(drawing, tk_display_callbacks->colour_map[7]);
  const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (size_t i = 0; i < n; ++i) {
    double a[3], b[3];
    std::memcpy(a, &boundary[3 * i], sizeof a);
    std::memcpy(b, &boundary[3 * ((i + 1) % n)], sizeof b);
    regen_line(drawing, a, b, identity, matrices, nullptr, drawing, nullptr, 0, 0.0);
  }
}

int16_t tk_clip_push_xclip(TkDrawing* drawing, TkDisplayState* state, TkDrawing* holder,
                           const TkHandle* filter, const TkHandle* value, const double matrix[16]) {
  if (!state || !filter) return 0;
  Filter f;
  if (!read_filter(holder, filter, &f) || !f.clipping) return 0;
  auto* node = static_cast<TkFilterNode*>(mem_alloc(sizeof(TkFilterNode)));
  if (!node) return tk_fail_alloc(TK_ERR_DISPLAY_ALLOC);
  std::memset(node, 0, sizeof *node);
  node->drawing = holder;
  node->filter = *filter;
  if (value) node->value = *value;
  std::memcpy(node->matrix, matrix, sizeof node->matrix);
  node->next = state->filters;
  state->filters = node;
  if (!tk_handle_is_null(&node->value)) return 1;

  std::vector<double> boundary = vport_build_boundary(f.record.data(), f.record.size());
  int n = state->viewport_count ? state->viewport_count : 1;
  static double combined[TK_MAX_VIEWPORTS][16];
  for (int v = 0; v < n; ++v) tk_matrix_multiply(matrix, state->viewports[v].matrix, combined[v]);
  TkEntityHeader* scratch = tk_display_callbacks ? tk_display_callbacks->scratch_header : nullptr;
  if (state->xclipframe && scratch && !boundary.empty()) {
    double extrusion[3];
    std::memcpy(extrusion, scratch->extrusion, sizeof extrusion);
    const double up[3] = {0, 0, 1};
    std::memcpy(scratch->extrusion, up, sizeof extrusion);
    vport_draw_border(drawing, boundary, combined);
    std::memcpy(scratch->extrusion, extrusion, sizeof extrusion);
  }

  // The polygon node: the boundary through each viewport, cut with what lies beneath; a
  // viewport that sees the filter's plane edge-on keeps the set beneath unchanged.
  auto* poly = static_cast<TkClipNode*>(mem_alloc(sizeof(TkClipNode)));
  if (!poly) {
    state->filters = node->next;
    mem_free(node);
    return tk_fail_alloc(TK_ERR_DISPLAY_ALLOC);
  }
  std::memset(poly, 0, sizeof *poly);
  poly->next = state->clip;
  bool ok = true;
  size_t count = boundary.size() / 3;
  std::vector<double> device(2 * count);
  for (int v = 0; ok && v < n; ++v) {
    const TkLoopSet* below = poly->next ? poly->next->sets[v] : nullptr;
    double cross[4];
    tk_vec3_cross(state->viewports[v].direction, f.normal, cross);
    bool facing =
        std::sqrt(cross[0] * cross[0] + cross[1] * cross[1] + cross[2] * cross[2]) <= 1e-6;
    if (!facing || count < 2) {
      if (below) ok = (poly->sets[v] = loop_set_copy(below)) != nullptr;
      continue;
    }
    for (size_t i = 0; i < count; ++i) {
      double p[4] = {boundary[3 * i], boundary[3 * i + 1], boundary[3 * i + 2], 1.0};
      tk_matrix_transform_point4(p, combined[v], p);
      device[2 * i] = p[0];
      device[2 * i + 1] = p[1];
    }
    TkLoopSet* loop = loop_set_from_points(device.data(), int32_t(count));
    if (loop && below) {
      TkLoopSet* both = nullptr;
      loop_set_intersect(loop, below, &both);
      loop_set_free(loop);
      loop = both;
    }
    poly->sets[v] = loop;
    ok = loop != nullptr;
  }
  if (!ok) {
    for (TkLoopSet*& set : poly->sets) loop_set_free(set);
    mem_free(poly);
    state->filters = node->next;
    mem_free(node);
    return tk_fail_alloc(TK_ERR_DISPLAY_ALLOC);
  }
  state->clip = poly;
  node->pushed_polygon = 1;
  return 1;
}

void tk_clip_pop_xclip(TkDisplayState* state) {
  if (!state || !state->filters) return;
  TkFilterNode* node = state->filters;
  state->filters = node->next;
  if (node->pushed_polygon) tk_clip_pop_polygon(state);
  mem_free(node);
}
