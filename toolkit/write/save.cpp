// The save road: version check, output context, header copy, writer choice, and the counts of
// what was written and left out. Failures leave the old file as it was (the context writes a
// temporary file beside it).
#include "toolkit/write/save.h"

#include <cstring>

#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/write/dwg12_write.h"
#include "toolkit/write/dwg_write.h"
#include "toolkit/write/dxf_write.h"

namespace {

TkSaveReport g_report{};

}  // namespace

const TkSaveReport* tk_last_save_report() { return &g_report; }

void tk_report_progress(TkDrawing* drawing, int16_t percent) {
  if (!tk_state || !tk_state->progress) return;
  if (percent > 100) percent = 100;
  tk_state->progress(percent, drawing ? drawing->user_data : 0);
}

void tk_handle_add_int(TkHandle* handle, uint32_t value) {
  TkHandle add{};
  for (int i = 0; i < 4; ++i) add.bytes[7 - i] = uint8_t(value >> (8 * i));
  handle_add(handle, &add, handle);
}

int16_t tk_entity_kind_writable(const TkEntityHeader* h, const TkEntityData* data,
                                TkDrawing* drawing, TkVersion version) {
  if (h->kind == TK_SHAPE && tk_data_get<uint32_t>(data, TK_SHAPE_NUMBER) == 255) return 0;
  if (version >= TK_VERSION_AC1012) return 1;
  switch (h->kind) {
    case TK_ELLIPSE: case TK_SPLINE: case TK_REGION: case TK_3DSOLID: case TK_BODY: case TK_RAY:
    case TK_XLINE: case TK_MTEXT: case TK_LEADER: case TK_TOLERANCE: case TK_MLINE:
      return 0;
    default: break;
  }
  if (h->kind > TK_LAST_FIXED_KIND) return h->kind == tk_class_lwpolyline(drawing) ? 1 : 0;
  if (version < TK_VERSION_AC1009 && h->kind == TK_VIEWPORT) return 0;
  if (version == TK_VERSION_AC1002 &&
      (h->kind == TK_3DLINE || h->kind == TK_3DFACE || h->kind == TK_DIMENSION))
    return 0;
  return 1;
}

int16_t tk_save_drawing(TkDrawing* d, const char* path, uint8_t kind, TkVersion version,
                        int16_t negative_zero, int16_t decimals, int16_t z_values,
                        int16_t r12_extension) {
  g_report = TkSaveReport{};
  if (!d || !d->header || !path) return tk_fail(TK_ERR_OPEN_FILE);
  bool from_file = d->output_version == 0xFFFF;
  if (from_file && d->version >= 0 && d->version < TK_VERSION_AC1015 &&
      version >= TK_VERSION_AC1015)
    return tk_fail(TK_ERR_INCOMPATIBLE_SAVE);
  bool dxf = kind == TK_FILE_TEXT_DXF || kind == TK_FILE_BINARY_DXF;
  if (dxf ? (version < TK_VERSION_AC1002 || version > TK_VERSION_AC1015)
          : (kind != TK_FILE_DWG || version < TK_VERSION_AC1002 || version > TK_VERSION_AC1015))
    return tk_fail(TK_ERR_GENERAL);
  tk_report_progress(d, 0);
  TkWriter* w = writer_open(path, version, kind);
  if (!w) return 0;
  std::memcpy(w->header, d->header, sizeof *w->header);
  writer_set_version(w, version, w->header);
  w->header->handseed = d->header->handling ? d->seed : TkHandle{};
  if (!d->header->handling) w->header->handseed.bytes[7] = 1;
  // The drawing keeps its own release: saving it as an older one must not bar a later save
  // in its own.
  int16_t ok;
  if (!dxf && version < TK_VERSION_AC1012)
    ok = dwg12_write_file(d, w);
  else if (!dxf)
    ok = dwg_write_file(d, w);
  else if (version < TK_VERSION_AC1012)
    ok = dxf_write_drawing_r12(d, w, uint8_t(r12_extension), negative_zero, decimals, z_values);
  else
    ok = dxf_write_drawing(d, w, negative_zero, decimals, z_values);
  g_report.entities_written = w->written_entities;
  g_report.entities_dropped = w->dropped_entities;
  g_report.objects_written = w->written_objects;
  g_report.objects_dropped = w->dropped_objects;
  g_report.viewports_unlinked = w->unlinked_viewports;
  if (!ok) {
    TkError error = TkError(tk_get_last_error());
    writer_abandon(w);
    return tk_fail(error ? error : TK_ERR_GENERAL);
  }
  if (!writer_commit(w)) return 0;
  tk_report_progress(d, 100);
  return 1;
}
