// Solids, regions and bodies: the bridge from display generation to the SAT reader. The SAT text
// streams out of the entity's blob through a read callback; each polyline the renderer draws is
// collected and drawn as lines (mode 1: separate segments, mode 3: a connected strip).
#include "toolkit/display/regen_solid.h"

#include <vector>

#include "sat/SatEntry.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/entity.h"
#include "toolkit/display/regen.h"

namespace {

struct WireState {
  TkModelerRecord* record;
  TkBlob* reader;   // open for reading over the SAT text
  int32_t left;     // bytes of it not yet handed out
  int32_t mode = 0;
  std::vector<double> points;  // x, y, z of the wire being collected
};

int32_t read_sat(char* buffer, int32_t size, void* ctx) {
  auto* s = static_cast<WireState*>(ctx);
  if (!s->reader || size <= 0 || s->left <= 0) return 0;
  int32_t n = size < s->left ? size : s->left;
  if (!blob_read(s->reader, buffer, static_cast<size_t>(n))) {
    s->left = 0;
    return 0;
  }
  s->left -= n;
  return n;
}

void begin_wire(int32_t mode, void* ctx) {
  auto* s = static_cast<WireState*>(ctx);
  s->mode = mode;
  s->points.clear();
}

void add_point(double x, double y, double z, void* ctx) {
  auto* s = static_cast<WireState*>(ctx);
  s->points.push_back(x);
  s->points.push_back(y);
  s->points.push_back(z);
}

void end_wire(void* ctx) {
  auto* s = static_cast<WireState*>(ctx);
  TkModelerRecord* r = s->record;
  size_t n = s->points.size() / 3;
  if (s->mode != 1 && s->mode != 3) n = 0;
  size_t step = s->mode == 1 ? 2 : 1;
  int32_t run = ++tk_regen.run_counter;
  for (size_t i = 0; i + 1 < n && regen_continue; i += step) {
    double a[3] = {s->points[3 * i], s->points[3 * i + 1], s->points[3 * i + 2]};
    double b[3] = {s->points[3 * i + 3], s->points[3 * i + 4], s->points[3 * i + 5]};
    regen_line(r->drawing, a, b, r->transform, r->viewports, r->linetype, r->linetype_drawing,
               nullptr, s->mode == 1 ? ++tk_regen.run_counter : run, 0.0);
  }
  s->points.clear();
  s->mode = 0;
}

}  // namespace

int16_t regen_solid_wires(TkModelerRecord* record, uint8_t*) {
  if (!record || !record->sat) return 1;
  WireState state{record, blob_open_read(record->sat), blob_stored_size(record->sat), 0, {}};
  if (!state.reader) return 1;
  RenderOutput output{};
  output.read = read_sat;
  output.begin = begin_wire;
  output.end = end_wire;
  output.vertex = add_point;
  output.ctx = &state;
  output.pointsPerSpan = record->points_per_span;
  output.extraSilhouetteCount = 4;
  int16_t result = static_cast<int16_t>(sat_parse_entity(&output));
  blob_close(state.reader);
  (void)result;  // the entry answers 0 whatever became of the text
  return 1;
}

int16_t regen_solid_entity(TkDrawing* drawing, TkEntityData* data, const double transform[16],
                           const double (*viewports)[16], const TkLinetypeRecord* linetype,
                           TkDrawing* linetype_drawing, int32_t points_per_span) {
  TkBlob* sat = tk_data_blob(data, TK_MODELER_BLOB_1);
  if (!sat) return 1;
  TkModelerRecord record{sat,      drawing, transform, viewports, linetype, linetype_drawing,
                         tk_regen.run_counter, points_per_span};
  uint8_t reply = 0;
  TkModelerFn draw = tk_display_callbacks && tk_display_callbacks->modeler
                         ? tk_display_callbacks->modeler
                         : regen_solid_wires;
  return draw(&record, &reply);
}
