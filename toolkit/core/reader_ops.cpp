// Installing the two reader sets and dispatching each numbered operation through a drawing's
// set. The readers themselves live with their file formats.
#include "toolkit/core/reader_ops.h"

#include <initializer_list>

#include "toolkit/core/drawing.h"
#include "toolkit/core/state.h"

void tk_clear_pending_refs(TkPendingRefs* refs) {
  for (char* name : {refs->layer, refs->linetype, refs->block, refs->dimstyle, refs->text_style,
                     refs->shape, refs->mlinestyle})
    name[0] = 0;
  refs->layer_index = refs->linetype_index = refs->block_index = 0;
  refs->dimstyle_index = refs->style_index = 0;
  refs->text_height = 0.0;
}

int16_t tk_install_readers_full(const TkReaderOps* dwg) {
  if (!tk_state || !dwg) return 0;
  tk_state->dwg_readers = *dwg;
  tk_state->dwg_readers.read_block_record = nullptr;
  return 1;
}

int16_t tk_install_readers(const TkReaderOps* dxf) {
  if (!tk_state || !dxf) return 0;
  tk_state->dxf_readers = *dxf;
  return 1;
}

const TkReaderOps* tk_dwg_readers() { return tk_state ? &tk_state->dwg_readers : nullptr; }
const TkReaderOps* tk_dxf_readers() { return tk_state ? &tk_state->dxf_readers : nullptr; }

int16_t reader_call_next_object_kind(TkDrawing* d) {
  auto fn = d->readers ? d->readers->next_object_kind : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_read_dictionary(TkDrawing* d, TkObjectHeader* object, TkObjectData* data,
                                    uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_dictionary : nullptr;
  return fn ? fn(d, object, data, xd) : 0;
}

int16_t reader_call_read_object(TkDrawing* d, TkObjectHeader* object, TkObjectData* data,
                                uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_object : nullptr;
  return fn ? fn(d, object, data, xd) : 0;
}

int16_t reader_call_read_block_header(TkDrawing* d, TkBlockRecord* record, uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_block_header : nullptr;
  return fn ? fn(d, record, xd) : 0;
}

int16_t reader_call_read_class(TkDrawing* d, TkClassRecord* record) {
  auto fn = d->readers ? d->readers->read_class : nullptr;
  return fn ? fn(d, record) : 0;
}

int16_t reader_call_read_dimstyle(TkDrawing* d, TkDimStyleRecord* record, uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_dimstyle : nullptr;
  return fn ? fn(d, record, xd) : 0;
}

int16_t reader_call_read_entity(TkDrawing* d, TkEntityHeader* header, TkEntityData* data,
                                uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_entity : nullptr;
  return fn ? fn(d, header, data, xd) : 0;
}

int16_t reader_call_read_group(TkDrawing* d, TkObjectHeader* object, TkObjectData* data,
                               uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_group : nullptr;
  return fn ? fn(d, object, data, xd) : 0;
}

int16_t reader_call_open(TkDrawing* d) {
  auto fn = d->readers ? d->readers->open : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_read_layer(TkDrawing* d, TkLayerRecord* record, uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_layer : nullptr;
  return fn ? fn(d, record, xd) : 0;
}

int16_t reader_call_read_linetype(TkDrawing* d, TkLinetypeRecord* record, uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_linetype : nullptr;
  return fn ? fn(d, record, xd) : 0;
}

int16_t reader_call_read_mlinestyle(TkDrawing* d, TkObjectHeader* object, TkObjectData* data,
                                    uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_mlinestyle : nullptr;
  return fn ? fn(d, object, data, xd) : 0;
}

int16_t reader_call_read_plotsettings(TkDrawing* d, TkObjectHeader* object, TkObjectData* data,
                                      uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_plotsettings : nullptr;
  return fn ? fn(d, object, data, xd) : 0;
}

int16_t reader_call_read_appid(TkDrawing* d, TkAppIdRecord* record, uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_appid : nullptr;
  return fn ? fn(d, record, xd) : 0;
}

int16_t reader_call_read_style(TkDrawing* d, TkTextStyleRecord* record, uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_style : nullptr;
  return fn ? fn(d, record, xd) : 0;
}

int16_t reader_call_read_ucs(TkDrawing* d, TkUcsRecord* record, uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_ucs : nullptr;
  return fn ? fn(d, record, xd) : 0;
}

int16_t reader_call_read_view(TkDrawing* d, TkViewRecord* record, uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_view : nullptr;
  return fn ? fn(d, record, xd) : 0;
}

int16_t reader_call_read_vport(TkDrawing* d, TkVportRecord* record, uint8_t* xd) {
  auto fn = d->readers ? d->readers->read_vport : nullptr;
  return fn ? fn(d, record, xd) : 0;
}

int16_t reader_call_read_vpent_header(TkDrawing* d, TkViewportEntityHeader* record) {
  auto fn = d->readers ? d->readers->read_vpent_header : nullptr;
  return fn ? fn(d, record) : 0;
}

int16_t reader_call_begin_block_entities(TkDrawing* d) {
  auto fn = d->readers ? d->readers->begin_block_entities : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_begin_block_headers(TkDrawing* d) {
  auto fn = d->readers ? d->readers->begin_block_headers : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_begin_classes(TkDrawing* d) {
  auto fn = d->readers ? d->readers->begin_classes : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_begin_dimstyles(TkDrawing* d) {
  auto fn = d->readers ? d->readers->begin_dimstyles : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_begin_entities(TkDrawing* d) {
  auto fn = d->readers ? d->readers->begin_entities : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_begin_layers(TkDrawing* d) {
  auto fn = d->readers ? d->readers->begin_layers : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_begin_linetypes(TkDrawing* d) {
  auto fn = d->readers ? d->readers->begin_linetypes : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_begin_objects(TkDrawing* d) {
  auto fn = d->readers ? d->readers->begin_objects : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_begin_appids(TkDrawing* d) {
  auto fn = d->readers ? d->readers->begin_appids : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_begin_styles(TkDrawing* d) {
  auto fn = d->readers ? d->readers->begin_styles : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_begin_ucss(TkDrawing* d) {
  auto fn = d->readers ? d->readers->begin_ucss : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_begin_views(TkDrawing* d) {
  auto fn = d->readers ? d->readers->begin_views : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_begin_vpent_headers(TkDrawing* d) {
  auto fn = d->readers ? d->readers->begin_vpent_headers : nullptr;
  return fn ? fn(d) : 0;
}

int16_t reader_call_begin_vports(TkDrawing* d) {
  auto fn = d->readers ? d->readers->begin_vports : nullptr;
  return fn ? fn(d) : 0;
}
