// The DXF reader set: the reader operations of text and binary DXF files in the slots the
// database core calls them through.
#include "toolkit/read/dxf_readers.h"

#include "toolkit/read/readers.h"

namespace {

TkReaderOps make_dxf_set() {
  TkReaderOps s{};
  s.next_object_kind = dxf_object_kind;
  s.read_dictionary = dxf_read_dictionary;
  s.read_object = dxf_read_object;
  s.read_block_header = dxf_read_block_header;
  s.read_block_record = dxf_read_block_record;
  s.seek_block_records = dxf_seek_block_records;
  s.read_class = dxf_read_class;
  s.read_dimstyle = dxf_read_dimstyle;
  s.read_entity = dxf_read_entity;
  s.read_group = dxf_read_group_object;
  s.open = dxf_read_sections;
  s.read_layer = dxf_read_layer;
  s.read_linetype = dxf_read_ltype;
  s.read_mlinestyle = dxf_read_mline_style;
  s.read_plotsettings = dxf_read_plotsettings;
  s.read_appid = dxf_read_appid;
  s.read_style = dxf_read_style;
  s.read_ucs = dxf_read_ucs;
  s.read_view = dxf_read_view;
  s.read_vport = dxf_read_vport;
  s.read_vpent_header = dxf_read_viewport_entity;
  s.begin_block_entities = dxf_begin_block_entities;
  s.begin_block_headers = dxf_begin_blocks;
  s.begin_classes = dxf_seek_classes;
  s.begin_dimstyles = dxf_rewind_dimstyles;
  s.begin_entities = dxf_rewind_entities;
  s.begin_layers = dxf_rewind_layers;
  s.begin_linetypes = dxf_rewind_ltypes;
  s.begin_objects = dxf_rewind_objects;
  s.begin_appids = dxf_rewind_appids;
  s.begin_styles = dxf_rewind_styles;
  s.begin_ucss = dxf_rewind_ucs;
  s.begin_views = dxf_rewind_views;
  s.begin_vpent_headers = dxf_begin_viewport_entities;
  s.begin_vports = dxf_rewind_vports;
  return s;
}

}  // namespace

const TkReaderOps* tk_dxf_reader_ops() {
  static const TkReaderOps set = make_dxf_set();
  return &set;
}
