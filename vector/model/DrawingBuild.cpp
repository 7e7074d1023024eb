#include "vector/model/DrawingBuild.h"

#include <algorithm>

#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/load.h"
#include "toolkit/core/symtab.h"
#include "toolkit/write/save.h"

bool DrawingAddLine(TkDrawing* drawing, double x1, double y1, double x2, double y2,
                    int16_t colour) {
  if (!drawing) return false;
  TkHandle block{};
  if (!tk_find_record_by_name(drawing, "*MODEL_SPACE", &block)) return false;
  TkList* list = tk_block_entity_list(drawing, &block);
  if (!list) return false;
  TkEntityHeader header{};
  static TkEntityData data;  // large; drawings are built on one thread only
  header.kind = TK_LINE;
  tk_init_entity(drawing, &header, &data);
  if (colour >= 0) header.colour = uint16_t(colour);
  const double start[2] = {x1, y1}, end[2] = {x2, y2};
  for (int i = 0; i < 2; ++i) {
    tk_data_put<double>(&data, size_t(8 * i), start[i]);
    tk_data_put<double>(&data, size_t(24 + 8 * i), end[i]);
  }
  if (!tk_next_handle(drawing, nullptr, 0, &header.handle)) return false;
  if (!tk_add_entity(drawing, list, &header, &data)) return false;
  if (TkHeader* h = tk_get_header(drawing)) {
    h->extmin[0] = std::min({h->extmin[0], x1, x2});
    h->extmin[1] = std::min({h->extmin[1], y1, y2});
    h->extmax[0] = std::max({h->extmax[0], x1, x2});
    h->extmax[1] = std::max({h->extmax[1], y1, y2});
    h->extmin[2] = h->extmax[2] = 0;
  }
  return true;
}

bool DrawingSaveAs(TkDrawing* drawing, const char* path, int32_t version, int32_t dwg) {
  if (!drawing || !path) return false;
  // Six decimals, Z values and the R12 header extension, as every converted drawing is written.
  return tk_save_drawing(drawing, path, dwg != 0 ? TK_FILE_DWG : TK_FILE_TEXT_DXF,
                         TkVersion(version), 0, 6, 1, 1) == 1;
}

TkDrawing* ConvertCalcompFile(const char* path, CalcompResult* result) {
  TkDrawing* drawing = tk_new_drawing(nullptr, nullptr, 0, 6);
  if (!drawing) {
    if (result) *result = kCalcompOutputFailed;
    return nullptr;
  }
  CalcompDrawingOutput out(drawing);
  CalcompResult r = DecodeCalcompPath(path, out);
  if (result) *result = r;
  if (r != kCalcompConverted) {
    tk_close_drawing(drawing);
    return nullptr;
  }
  return drawing;
}
