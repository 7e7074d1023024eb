// The services display generation offers the core through the global state's hooks: the
// standard arrowhead blocks a load builds, the shape files' search by shape name (a DXF SHAPE
// names its shape), and the spline evaluation that entity outlines (the clipping boundary of a
// viewport) need. The core cannot call display generation itself.
#include "toolkit/core/blob.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/display/font.h"
#include "toolkit/display/regen_kinds.h"

namespace {

int16_t spline_outline(TkDrawing* drawing, const TkEntityData* spline, TkBlob* writer,
                       int32_t resolution) {
  double(*points)[3] = nullptr;
  int32_t count = 0;
  if (!spline_tessellate(drawing, spline, &points, &count, resolution)) return 0;
  bool ok = true;
  for (int32_t i = 0; ok && i < count; ++i) ok = blob_write(writer, points[i], sizeof points[i]);
  mem_free(points);
  return ok ? 1 : 0;
}

}  // namespace

void regen_install_core_hooks() {
  if (!tk_state) return;
  tk_state->arrow_block_create = arrow_block_create;
  tk_state->arrow_blocks_resolve = arrow_blocks_resolve;
  tk_state->spline_outline = spline_outline;
  font_install_hooks();
}
