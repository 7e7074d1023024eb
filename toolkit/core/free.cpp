// The list freers of free.h, driven by one table of blob places per record kind so that a new
// owned blob in a record layout needs one line here.
#include "toolkit/core/free.h"

#include <cstddef>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/list.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/symtab.h"

namespace {

#define TK_PLACE(Record, field) uint16_t(offsetof(Record, field))

constexpr uint16_t kLayer[4] = {TK_PLACE(TkLayerRecord, xdata), TK_PLACE(TkLayerRecord, reactors),
                                TK_NO_BLOB, TK_NO_BLOB};
constexpr uint16_t kLtype[4] = {TK_PLACE(TkLinetypeRecord, xdata),
                                TK_PLACE(TkLinetypeRecord, reactors), TK_NO_BLOB, TK_NO_BLOB};
constexpr uint16_t kView[4] = {TK_PLACE(TkViewRecord, reactors), TK_NO_BLOB, TK_NO_BLOB,
                               TK_NO_BLOB};
constexpr uint16_t kVport[4] = {TK_PLACE(TkVportRecord, xdata), TK_PLACE(TkVportRecord, reactors),
                                TK_NO_BLOB, TK_NO_BLOB};
constexpr uint16_t kDimstyle[4] = {TK_PLACE(TkDimStyleRecord, reactors), TK_NO_BLOB, TK_NO_BLOB,
                                   TK_NO_BLOB};
constexpr uint16_t kStyle[4] = {TK_PLACE(TkTextStyleRecord, xdata),
                                TK_PLACE(TkTextStyleRecord, reactors), TK_NO_BLOB, TK_NO_BLOB};
constexpr uint16_t kAppid[4] = {TK_PLACE(TkAppIdRecord, xdata), TK_PLACE(TkAppIdRecord, reactors),
                                TK_NO_BLOB, TK_NO_BLOB};
constexpr uint16_t kUcs[4] = {TK_PLACE(TkUcsRecord, reactors), TK_NO_BLOB, TK_NO_BLOB,
                              TK_NO_BLOB};
constexpr uint16_t kNone[4] = {TK_NO_BLOB, TK_NO_BLOB, TK_NO_BLOB, TK_NO_BLOB};
constexpr uint16_t kBlock[4] = {TK_PLACE(TkBlockRecord, first_blob),
                                TK_PLACE(TkBlockRecord, second_blob),
                                TK_PLACE(TkBlockRecord, references), TK_NO_BLOB};

#undef TK_PLACE

}  // namespace

void tk_free_record_list(TkList* list, const uint16_t places[4]) {
  if (!list) return;
  while (TkLink* link = list_first(list)) {
    auto* bytes = static_cast<uint8_t*>(tk_link_data(link));
    for (int i = 0; i < 4; ++i) {
      if (places[i] == TK_NO_BLOB || places[i] + sizeof(TkBlob*) > link->size) continue;
      TkBlob* blob;
      std::memcpy(&blob, bytes + places[i], sizeof blob);
      blob_free(blob);
    }
    if (!list_remove(list, link)) return;
    mem_free(link);
  }
}

void tk_free_layer_list(TkDrawing* drawing) { tk_free_record_list(&drawing->layers, kLayer); }
void tk_free_ltype_list(TkDrawing* drawing) { tk_free_record_list(&drawing->linetypes, kLtype); }
void tk_free_view_list(TkDrawing* drawing) { tk_free_record_list(&drawing->views, kView); }
void tk_free_vport_list(TkDrawing* drawing) { tk_free_record_list(&drawing->vports, kVport); }
void tk_free_pspace_viewport_list(TkDrawing* drawing) {
  tk_free_record_list(&drawing->pspace_viewports, kNone);
}
void tk_free_dimstyle_list(TkDrawing* drawing) {
  tk_free_record_list(&drawing->dimstyles, kDimstyle);
}
void tk_free_style_list(TkDrawing* drawing) { tk_free_record_list(&drawing->styles, kStyle); }
void tk_free_appid_list(TkDrawing* drawing) { tk_free_record_list(&drawing->appids, kAppid); }
void tk_free_ucs_list(TkDrawing* drawing) { tk_free_record_list(&drawing->ucss, kUcs); }
void tk_free_class_list(TkDrawing* drawing) { tk_free_record_list(&drawing->classes, kNone); }

void tk_free_block_list(TkDrawing* drawing) {
  for (TkLink* l = list_first(&drawing->blocks); l; l = l->next) {
    auto* b = static_cast<TkBlockRecord*>(tk_link_data(l));
    // The space blocks point at the drawing's own entity lists, freed with the drawing.
    if (b->entities == &drawing->model_entities || b->entities == &drawing->paper_entities)
      continue;
    tk_free_entity_list(drawing, b->entities);
    list_free(b->entities);
    b->entities = nullptr;
  }
  tk_free_record_list(&drawing->blocks, kBlock);
}

void tk_free_object_list(TkDrawing* drawing) {
  TkObjectHeader header;
  TkObjectData data;
  tk_object_rewind(drawing);
  while (tk_object_next(drawing, &header, &data)) tk_object_free_data(drawing, &header, &data);
  list_free_links(&drawing->objects);
}

void tk_free_entity_list(TkDrawing* drawing, TkList* list) {
  if (!list) return;
  static TkEntityHeader header;
  static TkEntityData data;
  while (TkLink* link = list_first(list)) {
    // Most records own no blob: they are freed without being unpacked.
    if (tk_stored_entity_owns_blobs(drawing, link) &&
        entity_unpack(link, &header, &data, nullptr, nullptr))
      tk_free_entity_blobs(drawing, &header, &data);
    if (!list_remove(list, link)) return;
    tk_release_entity_record(drawing, link);
  }
}

int16_t tk_free_drawing_buffers(TkDrawing* drawing) {
  for (void*& buffer : drawing->work_buffers) {
    mem_free(buffer);
    buffer = nullptr;
  }
  return 1;
}
