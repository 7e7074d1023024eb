// The reader set of DWG releases AC1002 to AC1009 (byte records): every operation but the
// separate block-record pass (slot 5), which these files do not have, and the objects, classes
// and groups, which they do not hold (those slots read nothing and end their walk at once).
#include "toolkit/core/reader_ops.h"
#include "toolkit/read/dwg_old_entity.h"
#include "toolkit/read/dwg_old_file.h"
#include "toolkit/read/dwg_old_tables.h"
#include "toolkit/read/readers.h"

namespace {

template <int table>
int16_t begin(TkDrawing* d) {
  return dwg_old_begin_table(d, table);
}

int16_t nothing(TkDrawing*) { return 0; }
int16_t none_left(TkDrawing*) { return 1; }
int16_t no_object(TkDrawing*, TkObjectHeader*, TkObjectData*, uint8_t* x) {
  *x = 0;
  return 0;
}
int16_t no_class(TkDrawing*, TkClassRecord*) { return 0; }

TkReaderOps make_set() {
  TkReaderOps s{};
  s.next_object_kind = nothing;
  s.read_dictionary = no_object;
  s.read_object = no_object;
  s.read_block_header = dwg_old_read_block_header;
  s.read_class = no_class;
  s.read_dimstyle = dwg_old_read_dimstyle;
  s.read_entity = dwg_old_read_entity;
  s.read_group = no_object;
  s.open = dwg_old_open;
  s.read_layer = dwg_old_read_layer;
  s.read_linetype = dwg_old_read_linetype;
  s.read_mlinestyle = no_object;
  s.read_plotsettings = [](TkDrawing*, TkObjectHeader*, TkObjectData*, uint8_t* x) -> int16_t {
    *x = 0;
    return 1;
  };
  s.read_appid = dwg_old_read_appid;
  s.read_style = dwg_old_read_style;
  s.read_ucs = dwg_old_read_ucs;
  s.read_view = dwg_old_read_view;
  s.read_vport = dwg_old_read_vport;
  s.read_vpent_header = dwg_old_read_vpent_header;
  s.begin_block_entities = dwg_old_begin_block_entities;
  s.begin_block_headers = begin<DWG_OLD_BLOCK>;
  s.begin_classes = none_left;
  s.begin_dimstyles = begin<DWG_OLD_DIMSTYLE>;
  s.begin_entities = dwg_old_begin_entities;
  s.begin_layers = begin<DWG_OLD_LAYER>;
  s.begin_linetypes = begin<DWG_OLD_LTYPE>;
  s.begin_objects = none_left;
  s.begin_appids = begin<DWG_OLD_APPID>;
  s.begin_styles = begin<DWG_OLD_STYLE>;
  s.begin_ucss = begin<DWG_OLD_UCS>;
  s.begin_views = begin<DWG_OLD_VIEW>;
  s.begin_vpent_headers = dwg_old_begin_vpent_headers;
  s.begin_vports = begin<DWG_OLD_VPORT>;
  return s;
}

}  // namespace

const TkReaderOps* dwg_old_reader_ops() {
  static const TkReaderOps set = make_set();
  return &set;
}
