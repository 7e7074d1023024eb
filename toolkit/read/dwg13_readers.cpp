// The reader set of DWG releases AC1012 to AC1015 (bit streams): the open of the file layout and
// the readers of tables, classes, block records, entities and objects, each in its own file.
#include "toolkit/read/dwg13_entity.h"
#include "toolkit/read/dwg13_file.h"
#include "toolkit/read/dwg13_object_read.h"
#include "toolkit/read/dwg13_table.h"
#include "toolkit/read/readers.h"

namespace {

TkReaderOps make_set() {
  TkReaderOps s{};
  s.open = dwg_open_check;
  s.next_object_kind = dwg13_next_object_kind;
  s.read_dictionary = dwg_read_dictionary;
  s.read_object = dwg_read_class_object;
  s.read_block_header = dwg_read_block_record;
  s.read_class = dwg_read_class;
  s.read_dimstyle = dwg_read_dimstyle;
  s.read_entity = dwg_read_entity;
  s.read_group = dwg_read_group;
  s.read_layer = dwg13_read_layer;
  s.read_linetype = dwg13_read_linetype;
  s.read_mlinestyle = dwg_read_mlinestyle_object;
  s.read_plotsettings = dwg_read_plotsettings;
  s.read_appid = dwg13_read_appid;
  s.read_style = dwg13_read_style;
  s.read_ucs = dwg13_read_ucs;
  s.read_view = dwg13_read_view;
  s.read_vport = dwg13_read_vport;
  s.begin_block_entities = dwg_begin_block_entities;
  s.begin_block_headers = dwg_seek_block_records;
  s.begin_classes = dwg_seek_classes;
  s.begin_dimstyles = dwg_begin_dimstyles;
  s.begin_entities = dwg_rewind;
  s.begin_layers = dwg13_begin_layers;
  s.begin_linetypes = dwg13_begin_linetypes;
  s.begin_objects = dwg13_begin_objects;
  s.begin_appids = dwg13_begin_appids;
  s.begin_styles = dwg13_begin_styles;
  s.begin_ucss = dwg13_begin_ucss;
  s.begin_views = dwg13_begin_views;
  s.begin_vports = dwg13_begin_vports;
  s.read_vpent_header = dwg13_read_vpent_header;
  s.begin_vpent_headers = dwg13_begin_vpent_headers;
  return s;
}

}  // namespace

const TkReaderOps* dwg13_reader_ops() {
  static const TkReaderOps set = make_set();
  return &set;
}
