// The DWG dispatcher set and the installation of both sets. Knows no file format.
#include "toolkit/read/readers.h"

#include "toolkit/core/drawing.h"
#include "toolkit/core/error.h"
#include "toolkit/core/load.h"

namespace {

const TkReaderOps* family(const TkDrawing* d) {
  return d->version >= TK_VERSION_AC1012 ? dwg13_reader_ops() : dwg_old_reader_ops();
}

// One forwarding function per slot; a slot the family leaves empty is a failed read.
#define VV_SLOT_STEP(slot) \
  +[](TkDrawing* d) -> int16_t { auto* o = family(d); return o && o->slot ? o->slot(d) : 0; }

TkReaderOps make_dwg_set() {
  TkReaderOps s{};
  s.next_object_kind = VV_SLOT_STEP(next_object_kind);
  s.read_dictionary = +[](TkDrawing* d, TkObjectHeader* h, TkObjectData* v, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_dictionary ? o->read_dictionary(d, h, v, x) : 0; };
  s.read_object = +[](TkDrawing* d, TkObjectHeader* h, TkObjectData* v, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_object ? o->read_object(d, h, v, x) : 0; };
  s.read_block_header = +[](TkDrawing* d, TkBlockRecord* r, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_block_header ? o->read_block_header(d, r, x) : 0; };
  s.read_class = +[](TkDrawing* d, TkClassRecord* r) -> int16_t {
    auto* o = family(d); return o && o->read_class ? o->read_class(d, r) : 0; };
  s.read_dimstyle = +[](TkDrawing* d, TkDimStyleRecord* r, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_dimstyle ? o->read_dimstyle(d, r, x) : 0; };
  s.read_entity = +[](TkDrawing* d, TkEntityHeader* h, TkEntityData* v, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_entity ? o->read_entity(d, h, v, x) : 0; };
  s.read_group = +[](TkDrawing* d, TkObjectHeader* h, TkObjectData* v, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_group ? o->read_group(d, h, v, x) : 0; };
  // A release neither family knows is refused here, whatever the older family would answer.
  s.open = +[](TkDrawing* d) -> int16_t {
    if (d->version < 0 || d->version >= TK_VERSION_COUNT) return tk_fail(TK_ERR_FILE_VERSION);
    auto* o = family(d); return o && o->open ? o->open(d) : 0; };
  s.read_layer = +[](TkDrawing* d, TkLayerRecord* r, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_layer ? o->read_layer(d, r, x) : 0; };
  s.read_linetype = +[](TkDrawing* d, TkLinetypeRecord* r, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_linetype ? o->read_linetype(d, r, x) : 0; };
  s.read_mlinestyle = +[](TkDrawing* d, TkObjectHeader* h, TkObjectData* v, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_mlinestyle ? o->read_mlinestyle(d, h, v, x) : 0; };
  s.read_plotsettings = +[](TkDrawing* d, TkObjectHeader* h, TkObjectData* v, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_plotsettings ? o->read_plotsettings(d, h, v, x) : 0; };
  s.read_appid = +[](TkDrawing* d, TkAppIdRecord* r, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_appid ? o->read_appid(d, r, x) : 0; };
  s.read_style = +[](TkDrawing* d, TkTextStyleRecord* r, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_style ? o->read_style(d, r, x) : 0; };
  s.read_ucs = +[](TkDrawing* d, TkUcsRecord* r, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_ucs ? o->read_ucs(d, r, x) : 0; };
  s.read_view = +[](TkDrawing* d, TkViewRecord* r, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_view ? o->read_view(d, r, x) : 0; };
  s.read_vport = +[](TkDrawing* d, TkVportRecord* r, uint8_t* x) -> int16_t {
    auto* o = family(d); return o && o->read_vport ? o->read_vport(d, r, x) : 0; };
  s.read_vpent_header = +[](TkDrawing* d, TkViewportEntityHeader* r) -> int16_t {
    auto* o = family(d); return o && o->read_vpent_header ? o->read_vpent_header(d, r) : 0; };
  s.begin_block_entities = VV_SLOT_STEP(begin_block_entities);
  s.begin_block_headers = VV_SLOT_STEP(begin_block_headers);
  s.begin_classes = VV_SLOT_STEP(begin_classes);
  s.begin_dimstyles = VV_SLOT_STEP(begin_dimstyles);
  s.begin_entities = VV_SLOT_STEP(begin_entities);
  s.begin_layers = VV_SLOT_STEP(begin_layers);
  s.begin_linetypes = VV_SLOT_STEP(begin_linetypes);
  s.begin_objects = VV_SLOT_STEP(begin_objects);
  s.begin_appids = VV_SLOT_STEP(begin_appids);
  s.begin_styles = VV_SLOT_STEP(begin_styles);
  s.begin_ucss = VV_SLOT_STEP(begin_ucss);
  s.begin_views = VV_SLOT_STEP(begin_views);
  s.begin_vpent_headers = VV_SLOT_STEP(begin_vpent_headers);
  s.begin_vports = VV_SLOT_STEP(begin_vports);
  return s;
}

}  // namespace

const TkReaderOps* tk_dwg_reader_ops() {
  static const TkReaderOps set = make_dwg_set();
  return &set;
}

int16_t tk_install_file_readers() {
  if (!tk_install_readers_full(tk_dwg_reader_ops())) return 0;
  return tk_install_readers(tk_dxf_reader_ops());
}
