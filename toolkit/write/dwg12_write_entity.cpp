// Entity records of the byte-record DWG layout: the short record head, the common part chosen
// by flag bits (extended data, colour, linetype, elevation, thickness, handle, paper space),
// the fields of the kind chosen by option bits, the record length and, for AC1009, the record
// CRC. The z values follow the reader of these releases: a record flag says "no z", and then
// the elevation stands for them. Also the LWPOLYLINE written as POLYLINE, VERTEX and SEQEND,
// and the kinds a release cannot hold, counted and reported instead of written.
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dwg_old_entity.h"
#include "toolkit/write/crc16.h"
#include "toolkit/write/dwg12_write_body.h"
#include "toolkit/write/dwg_write.h"
#include "toolkit/write/save.h"

namespace {

using namespace dwg_old_place;

constexpr uint16_t kEntityCrcSeed = 0xC0C1;
constexpr size_t kTextLimit = 2048;
constexpr size_t kAttributeLimit = 512;
constexpr size_t kDimensionLimit = 1024;
constexpr size_t kBlockTextLimit = 511;
constexpr size_t kStyleInTextAttrs = 56;  // the style handle within a text-attribute block

double get_d(const TkEntityData* d, size_t at) { return tk_data_get<double>(d, at); }

bool r10(const Dwg12Out& o) { return o.version >= TK_VERSION_AC1006; }
bool r11(const Dwg12Out& o) { return o.version >= TK_VERSION_AC1009; }

void point2(Dwg12Out& o, const TkEntityData* d, size_t at) { rec_put_2rd(o, reinterpret_cast<const double*>(d->bytes + at)); }

// x, y and, from AC1006 on, z unless the record says its points have none.
void point2z(Dwg12Out& o, const TkEntityData* d, size_t at, bool no_z) {
  point2(o, d, at);
  if (r10(o) && !no_z) rec_put_rd(o, get_d(d, at + 16));
}

void opt_rd(Dwg12Out& o, double v, uint16_t bit) {
  if (v == 0.0) return;
  rec_put_rd(o, v);
  o.options |= bit;
}
void opt_rs(Dwg12Out& o, int16_t v, uint16_t bit) {
  if (v == 0) return;
  rec_put_rs(o, uint16_t(v));
  o.options |= bit;
}
void opt_byte(Dwg12Out& o, uint8_t v, uint16_t bit) {
  if (v == 0) return;
  rec_put_byte(o, v);
  o.options |= bit;
}

// The extrusion, from AC1006 on and only when it is not the default.
void extrusion(Dwg12Out& o, const TkEntityHeader* h, uint16_t bit) {
  if (!r10(o) || !(h->flags & TK_ENTITY_EXTRUDED)) return;
  rec_put_3rd(o, h->extrusion);
  o.options |= bit;
}

uint8_t style_index(Dwg12Out& o, const TkEntityData* d, size_t place) {
  return uint8_t(dwg12_index(o.styles, tk_data_get<TkHandle>(d, place), 0));
}

size_t text_length(const TkEntityData* d, size_t at, size_t limit) {
  size_t room = TK_ENTITY_DATA_SIZE - at - 1;
  return strnlen(tk_data_text(d, at), limit < room ? limit : room);
}

void text(Dwg12Out& o, const TkEntityData* d, size_t at, size_t limit) {
  rec_put_text(o, tk_data_text(d, at), text_length(d, at, limit));
}

// The optional fields that TEXT, ATTDEF and ATTRIB share; b is the kind's first option bit.
void text_tail(Dwg12Out& o, const TkEntityHeader* h, const TkEntityData* d, size_t attrs,
               uint16_t b) {
  opt_rd(o, get_d(d, attrs + attrs_rotation), b);
  double width = get_d(d, attrs + attrs_width);
  if (width != 1.0) {
    rec_put_rd(o, width);
    o.options |= uint16_t(b * 2);
  }
  opt_rd(o, get_d(d, attrs + attrs_oblique), uint16_t(b * 4));
  opt_byte(o, style_index(o, d, attrs + kStyleInTextAttrs), uint16_t(b * 8));
  opt_byte(o, d->bytes[attrs + attrs_generation], uint16_t(b * 16));
  uint8_t horizontal = d->bytes[attrs + attrs_horizontal];
  uint8_t vertical = d->bytes[attrs + attrs_vertical];
  opt_byte(o, horizontal, uint16_t(b * 32));
  double ax = get_d(d, attrs + attrs_align), ay = get_d(d, attrs + attrs_align + 8);
  if (ax != 0.0 || ay != 0.0 || horizontal != 0 || (r11(o) && vertical != 0)) {
    point2(o, d, attrs + attrs_align);
    o.options |= uint16_t(b * 64);
  }
  extrusion(o, h, uint16_t(b * 128));
  if (r11(o)) opt_byte(o, vertical, uint16_t(b * 256));
}

// The z the record's common part carries as elevation; 0 for kinds that carry none.
double elevation_of(const Dwg12Out& o, const TkEntityHeader* h, const TkEntityData* d) {
  switch (h->kind) {
    case TK_LINE:
    case TK_POINT:
      return r10(o) ? 0.0 : get_d(d, 16);
    case TK_CIRCLE: case TK_SHAPE: case TK_TEXT: case TK_ARC: case TK_TRACE: case TK_SOLID:
    case TK_BLOCK: case TK_ATTDEF: case TK_ATTRIB: case TK_VERTEX:
      return get_d(d, 16);
    case TK_INSERT: return get_d(d, insert_point + 16);
    case TK_POLYLINE: return get_d(d, polyline_elevation);
    case TK_DIMENSION: return get_d(d, dim_middle + 16);
    default: return 0.0;
  }
}

bool no_z_line(const TkEntityData* d) { return get_d(d, 16) == 0.0 && get_d(d, 40) == 0.0; }

bool no_z_face(const TkEntityData* d) {
  for (size_t i = 0; i < 4; ++i)
    if (get_d(d, 24 * i + 16) != 0.0) return false;
  return true;
}

void dimension_body(Dwg12Out& o, const TkEntityHeader* h, const TkEntityData* d, bool no_z) {
  TkHandle block = tk_data_get<TkHandle>(d, TK_DIMENSION_BLOCK);
  rec_put_rs(o, uint16_t(dwg12_index(o.blocks, block, -1)));
  point2z(o, d, dim_definition, no_z);
  point2(o, d, dim_middle);
  if (get_d(d, dim_clone) != 0.0 || get_d(d, dim_clone + 8) != 0.0) {
    point2(o, d, dim_clone);
    o.options |= 0x01;
  }
  uint8_t type = d->bytes[dim_type];
  opt_byte(o, type, 0x02);
  if (text_length(d, TK_DIMENSION_STRING, kDimensionLimit)) {
    text(o, d, TK_DIMENSION_STRING, kDimensionLimit);
    o.options |= 0x04;
  }
  switch (type & 7) {
    case 6:
      if (!r11(o)) break;
      [[fallthrough]];
    case 0:
    case 1:
      point2z(o, d, dim_second, no_z);
      point2z(o, d, dim_third, no_z);
      o.options |= 0x08 | 0x10;
      break;
    case 5:
      if (!r11(o)) break;
      [[fallthrough]];
    case 2:
      point2z(o, d, dim_second, no_z);
      point2z(o, d, dim_third, no_z);
      point2z(o, d, dim_fourth, no_z);
      point2(o, d, dim_arc);
      o.options |= 0x08 | 0x10 | 0x20 | 0x40;
      break;
    case 3:
    case 4:
      point2z(o, d, dim_fourth, no_z);
      o.options |= 0x20;
      break;
    default:
      break;
  }
  opt_rd(o, get_d(d, dim_leader), 0x80);
  opt_rd(o, get_d(d, dim_angle), 0x100);
  if (o.version == TK_VERSION_AC1006) {
    opt_rd(o, get_d(d, dim_text_rotation), 0x2000);
    extrusion(o, h, 0x4000);
  } else if (r11(o)) {
    opt_rd(o, get_d(d, dim_oblique), 0x200);
    opt_rd(o, get_d(d, dim_text_rotation), 0x400);
    opt_rd(o, get_d(d, dim_horizontal), 0x1000);
    opt_rd(o, get_d(d, dim_extra), 0x2000);
    extrusion(o, h, 0x4000);
    int16_t style = dwg12_index(o.dimstyles, tk_data_get<TkHandle>(d, TK_DIMENSION_STYLE), -1);
    // The reader takes a record without one as naming the first style.
    if (style > 0) {
      rec_put_rs(o, uint16_t(style));
      o.options |= 0x8000;
    }
  }
}

void open_sequence(Dwg12Out& o, uint32_t record_at) {
  o.sequence_pending = true;
  o.sequence_at = o.in_blocks ? record_at - o.blocks_start : record_at;
}

void body(Dwg12Out& o, TkEntityHeader* h, const TkEntityData* d, int32_t block_number,
          const char* block_name, uint32_t record_at) {
  switch (h->kind) {
    case TK_LINE: {
      bool no_z = r10(o) && no_z_line(d);
      if (no_z) o.record_flags |= 0x04;
      point2z(o, d, 0, no_z);
      point2z(o, d, 24, no_z);
      extrusion(o, h, 0x01);
      break;
    }
    case TK_POINT: {
      bool no_z = r10(o) && get_d(d, 16) == 0.0;
      if (no_z) o.record_flags |= 0x04;
      point2z(o, d, 0, no_z);
      if (r10(o)) {
        extrusion(o, h, 0x01);
        opt_rd(o, get_d(d, 24), 0x02);
      }
      break;
    }
    case TK_CIRCLE:
    case TK_ARC:
      point2(o, d, 0);
      rec_put_rd(o, get_d(d, 24));
      if (h->kind == TK_ARC) {
        rec_put_rd(o, get_d(d, 32));
        rec_put_rd(o, get_d(d, 40));
      }
      extrusion(o, h, 0x01);
      break;
    case TK_SHAPE: {
      point2(o, d, 0);
      rec_put_rd(o, get_d(d, shape_size));
      rec_put_byte(o, uint8_t(tk_data_get<uint32_t>(d, TK_SHAPE_NUMBER)));
      opt_rd(o, get_d(d, shape_rotation), 0x01);
      rec_put_byte(o, style_index(o, d, TK_SHAPE_STYLE));
      o.options |= 0x02;
      double width = get_d(d, shape_width);
      if (width != 1.0) {
        rec_put_rd(o, width);
        o.options |= 0x04;
      }
      opt_rd(o, get_d(d, shape_oblique), 0x08);
      extrusion(o, h, 0x10);
      break;
    }
    case TK_TEXT:
      point2(o, d, 0);
      rec_put_rd(o, get_d(d, text_attrs + attrs_height));
      text(o, d, TK_TEXT_STRING, kTextLimit);
      text_tail(o, h, d, text_attrs, 0x01);
      break;
    case TK_TRACE:
    case TK_SOLID:
      for (size_t i = 0; i < 4; ++i) point2(o, d, 24 * i);
      extrusion(o, h, 0x01);
      break;
    case TK_BLOCK: {
      point2(o, d, 0);
      if (!r11(o)) break;
      size_t path = text_length(d, block_path, kBlockTextLimit);
      if (path) {
        rec_put_text(o, tk_data_text(d, block_path), path);
        o.options |= 0x02;
      }
      if (block_name && block_name[0]) {
        char shortened[TK_NAME_SIZE];
        name_shorten(o.d, block_name, block_number, path ? 5 : o.max_name, shortened);
        rec_put_text(o, shortened, kBlockTextLimit);
        o.options |= 0x04;
      }
      break;
    }
    case TK_ENDBLK:
      break;
    case TK_INSERT: {
      TkHandle block = tk_data_get<TkHandle>(d, TK_INSERT_BLOCK);
      rec_put_rs(o, uint16_t(dwg12_index(o.blocks, block, -1)));
      point2(o, d, insert_point);
      if (tk_data_get<int16_t>(d, insert_attribs) != 0) {
        o.record_flags |= 0x80;
        open_sequence(o, record_at);
      }
      double sx = get_d(d, insert_scale), sy = get_d(d, insert_scale + 8);
      double sz = get_d(d, insert_scale + 16);
      if (sx != 1.0) rec_put_rd(o, sx), o.options |= 0x01;
      if (sy != 1.0) rec_put_rd(o, sy), o.options |= 0x02;
      opt_rd(o, get_d(d, insert_rotation), 0x04);
      if (sz != 1.0) rec_put_rd(o, sz), o.options |= 0x08;
      uint16_t columns = tk_data_get<uint16_t>(d, insert_columns);
      uint16_t rows = tk_data_get<uint16_t>(d, insert_rows);
      if (columns > 1) rec_put_rs(o, columns), o.options |= 0x10;
      if (rows > 1) rec_put_rs(o, rows), o.options |= 0x20;
      opt_rd(o, get_d(d, insert_column_spacing), 0x40);
      opt_rd(o, get_d(d, insert_row_spacing), 0x80);
      extrusion(o, h, 0x100);
      break;
    }
    case TK_ATTDEF:
    case TK_ATTRIB: {
      point2(o, d, 0);
      rec_put_rd(o, get_d(d, attdef_attrs + attrs_height));
      if (h->kind == TK_ATTDEF) {
        text(o, d, TK_ATTDEF_STRINGS, kAttributeLimit);  // prompt
        text(o, d, TK_ATTDEF_SECOND, kAttributeLimit);   // tag
        text(o, d, TK_ATTDEF_THIRD, kAttributeLimit);    // default value
        rec_put_byte(o, d->bytes[att_flags]);
      } else {
        text(o, d, TK_ATTDEF_SECOND, kAttributeLimit);   // value
        text(o, d, TK_ATTDEF_STRINGS, kAttributeLimit);  // tag
        rec_put_byte(o, d->bytes[att_flags]);
        opt_byte(o, uint8_t(tk_data_get<int16_t>(d, att_field_length)), 0x01);
      }
      text_tail(o, h, d, attdef_attrs, 0x02);
      break;
    }
    case TK_SEQEND:
      if (o.sequence_pending) rec_put_rl(o, o.sequence_at);
      o.sequence_pending = false;
      break;
    case TK_POLYLINE:
      opt_byte(o, uint8_t(tk_data_get<int16_t>(d, polyline_flags)), 0x01);
      open_sequence(o, record_at);
      opt_rd(o, get_d(d, polyline_start_width), 0x02);
      opt_rd(o, get_d(d, polyline_end_width), 0x04);
      if (r10(o)) {
        extrusion(o, h, 0x08);
        opt_rs(o, tk_data_get<int16_t>(d, polyline_m_count), 0x10);
        opt_rs(o, tk_data_get<int16_t>(d, polyline_n_count), 0x20);
        opt_rs(o, tk_data_get<int16_t>(d, polyline_m_density), 0x40);
        opt_rs(o, tk_data_get<int16_t>(d, polyline_n_density), 0x80);
        opt_rs(o, tk_data_get<int16_t>(d, polyline_curve), 0x100);
      }
      break;
    case TK_VERTEX: {
      int16_t flags = tk_data_get<int16_t>(d, TK_VERTEX_FLAGS);
      int16_t faces[4];
      bool any_face = false;
      for (size_t i = 0; i < 4; ++i) {
        faces[i] = tk_data_get<int16_t>(d, vertex_face + 8 * i);
        any_face = any_face || faces[i] != 0;
      }
      bool face = r11(o) && (flags & 128) && !(flags & 64) && any_face;
      if (!face) point2(o, d, 0);
      if (tk_data_get<uint16_t>(d, vertex_start_given))
        rec_put_rd(o, get_d(d, vertex_start_width)), o.options |= 0x01;
      if (tk_data_get<uint16_t>(d, vertex_end_given))
        rec_put_rd(o, get_d(d, vertex_end_width)), o.options |= 0x02;
      opt_rd(o, get_d(d, vertex_bulge), 0x04);
      opt_byte(o, uint8_t(flags), 0x08);
      opt_rd(o, get_d(d, vertex_tangent), 0x10);
      if (!face) {
        extrusion(o, h, 0x20);
      } else {
        o.options |= 0x4000;
        for (int i = 0; i < 4; ++i) opt_rs(o, faces[i], uint16_t(0x20 << i));
      }
      break;
    }
    case TK_3DLINE:
      if (r10(o)) {
        bool no_z = no_z_line(d);
        if (no_z) o.record_flags |= 0x04;
        point2z(o, d, 0, no_z);
        point2z(o, d, 24, no_z);
        extrusion(o, h, 0x01);
      } else {
        point2(o, d, 0);
        opt_rd(o, get_d(d, 16), 0x01);
        point2(o, d, 24);
        opt_rd(o, get_d(d, 40), 0x02);
      }
      break;
    case TK_3DFACE:
      if (r10(o)) {
        bool no_z = no_z_face(d);
        if (no_z) o.record_flags |= 0x04;
        for (size_t i = 0; i < 4; ++i) point2z(o, d, 24 * i, no_z);
        opt_rs(o, tk_data_get<int16_t>(d, face_flags), 0x01);
      } else {
        for (size_t i = 0; i < 4; ++i) {
          point2(o, d, 24 * i);
          opt_rd(o, get_d(d, 24 * i + 16), uint16_t(1 << i));
        }
      }
      break;
    case TK_DIMENSION:
      // From AC1006 on, an elevation in the common part stands for every z of the record.
      dimension_body(o, h, d, r10(o) && get_d(d, dim_middle + 16) != 0.0);
      break;
    case TK_VIEWPORT:
      rec_put_3rd(o, reinterpret_cast<const double*>(d->bytes + viewport_centre));
      rec_put_rd(o, get_d(d, viewport_width));
      rec_put_rd(o, get_d(d, viewport_height));
      rec_put_rs(o, uint16_t(o.viewport_number));
      o.viewports.push_back({h->handle, record_at, o.viewport_number});
      ++o.viewport_number;
      break;
    default:
      break;
  }
}

bool is_mview_xdata(TkBlob* xdata) {
  TkBlob* r = xdata ? blob_open_read(xdata) : nullptr;
  if (!r) return false;
  static TkXdataItem item;
  bool first = xdata_read_item(r, &item) && item.code == 1001;
  bool second = first && xdata_read_item(r, &item) && item.code == 1000 &&
                std::strcmp(reinterpret_cast<const char*>(item.value), "MVIEW") == 0;
  blob_close(r);
  return second;
}

// The entity's extended data in the byte form, with its applications and layers as table
// positions; items of an application the drawing has no record of cannot be named and are
// left out with it.
bool serialize_xdata(Dwg12Out& o, TkBlob* xdata) {
  xdata_buffer_reset(&o.xdata);
  TkBlob* r = blob_open_read(xdata);
  if (!r) return true;
  static TkXdataItem item;
  TkXdataTarget target{o.version, 0, 0, 0, nullptr, nullptr};
  bool skipping = false, ok = true;
  while (ok && xdata_read_item(r, &item)) {
    TkHandle ref{};
    std::memcpy(ref.bytes, item.value, 8);
    if (item.code == 1001) {
      auto found = o.appids.find(dwg12_key(ref));
      skipping = found == o.appids.end();
      if (skipping) continue;
      target.app_number = uint16_t(found->second);
    } else if (skipping) {
      continue;
    } else if (item.code == 1003) {
      target.layer_number = uint16_t(dwg12_index(o.layers, ref, 0));
    }
    ok = xdata_serialize(&o.xdata, &target, &item) == 1;
  }
  blob_close(r);
  return ok;
}

}  // namespace

int16_t dwg12_write_entity(Dwg12Out& o, TkEntityHeader* h, TkEntityData* d, int32_t block_number,
                           const char* block_name) {
  // A VIEWPORT keeps its view in "ACAD" "MVIEW" extended data; one read from such a file has it
  // already.
  TkBlob* made = nullptr;
  TkBlob* xdata = h->xdata;
  if (h->kind == TK_VIEWPORT && o.have_acad && !is_mview_xdata(h->xdata)) {
    DwgOut view{};
    view.d = o.d;
    view.acad_appid = o.acad_appid;
    made = dwg_viewport_to_mview_xdata(view, *h, *d);
    if (!made) return tk_fail_alloc(TK_ERR_SAVE_ALLOC);
    xdata = made;
  }
  bool has_xdata = false;
  if (xdata && r11(o)) {
    bool serialized = serialize_xdata(o, xdata);
    blob_free(made);
    if (!serialized) return 0;
    has_xdata = o.xdata.used > 0;
  } else {
    blob_free(made);
  }

  uint32_t record_at = o.position;
  rec_reset(o);
  o.record_flags = 0;
  o.options = 0;
  o.extra_flags = (r11(o) && (h->flags & 1)) ? 1 : 0;
  uint16_t kind = h->kind;
  rec_put_byte(o, uint8_t(kind));
  rec_put_byte(o, 0);
  rec_put_rs(o, 0);
  rec_put_rs(o, uint16_t(dwg12_index(o.layers, h->layer, 0)));
  rec_put_rs(o, 0);

  if (r11(o) && (has_xdata || o.extra_flags)) {
    o.record_flags |= 0x40;
    rec_put_byte(o, uint8_t((has_xdata ? 2 : 0) | (o.extra_flags ? 4 : 0)));
    if (has_xdata) {
      rec_put_rs(o, uint16_t(o.xdata.used));
      rec_put_bytes(o, o.xdata.data, o.xdata.used);
    }
  }
  if (h->colour != TK_COLOUR_BYLAYER) {
    o.record_flags |= 0x01;
    rec_put_byte(o, uint8_t(h->colour));
  }
  bool by_layer = tk_handle_compare(&h->linetype, &o.bylayer) == 0 || tk_handle_is_null(&h->linetype);
  if (!by_layer) {
    o.record_flags |= 0x02;
    bool by_block = tk_handle_compare(&h->linetype, &o.byblock) == 0;
    int16_t index = by_block ? o.byblock_number : dwg12_index(o.linetypes, h->linetype, -1);
    if (index == -1) {
      o.record_flags &= uint8_t(~0x02);
    } else if (r11(o)) {
      rec_put_rs(o, uint16_t(index));
    } else {
      rec_put_byte(o, uint8_t(index));
    }
  }
  double elevation = elevation_of(o, h, d);
  if (elevation != 0.0) {
    o.record_flags |= 0x04;
    rec_put_rd(o, elevation);
  }
  if (h->thickness != 0.0) {
    o.record_flags |= 0x08;
    rec_put_rd(o, h->thickness);
  }
  if (r10(o) && o.handles) {
    o.record_flags |= 0x20;
    int16_t n = tk_handle_length(&h->handle);
    rec_put_byte(o, uint8_t(n));
    rec_put_bytes(o, h->handle.bytes + (8 - n), size_t(n));
  }
  if (o.extra_flags) rec_put_rs(o, o.extra_flags);

  body(o, h, d, block_number, block_name, record_at);

  if (o.overflow) return tk_fail(TK_ERR_WRITE_BUFFER);
  size_t length = o.at + (r11(o) ? 2 : 0);
  if (length > DWG12_RECORD_CAPACITY) return tk_fail(TK_ERR_WRITE_BUFFER);
  uint8_t* rec = o.rec.data();
  rec[1] = o.record_flags;
  rec[2] = uint8_t(length);
  rec[3] = uint8_t(length >> 8);
  rec[6] = uint8_t(o.options);
  rec[7] = uint8_t(o.options >> 8);
  if (r11(o)) {
    uint16_t crc = crc16(kEntityCrcSeed, rec, o.at);
    rec_put_rs(o, crc);
  }
  return dwg12_put(o, rec, o.at) ? 1 : 0;
}

int16_t dwg12_write_lwpline_as_polyline(Dwg12Out& o, TkEntityHeader* h, TkEntityData* d,
                                        int32_t block_number, const char* block_name) {
  if (!tk_entity_kind_writable(h, d, o.d, o.version)) {
    ++o.dropped;
    tk_warn(h->kind == TK_SHAPE ? TK_ERR_DROPPED_SHAPE : 0, &h->handle);
    return 1;
  }
  ++o.written;
  if (h->kind <= TK_LAST_FIXED_KIND) return dwg12_write_entity(o, h, d, block_number, block_name);
  // An LWPOLYLINE: POLYLINE, one VERTEX per stored vertex, SEQEND, the added records taking
  // the handles reserved for them.
  TkEntityHeader* sh = o.scratch_header;
  TkEntityData* sd = o.scratch_data;
  TkLwplineWalk walk;
  tk_lwpline_to_polyline(h, d, sh, sd, &walk);
  bool ok = dwg12_write_entity(o, sh, sd, block_number, block_name) == 1;
  tk_lwpline_vertex_init(sh);
  while (ok && tk_lwpline_read_vertex(&walk, sh, sd)) {
    sh->handle = o.next_expansion;
    tk_handle_increment(&o.next_expansion);
    ok = dwg12_write_entity(o, sh, sd, block_number, block_name) == 1;
  }
  tk_lwpline_seqend(&walk, sh, sd);
  if (!ok) return 0;
  sh->handle = o.next_expansion;
  tk_handle_increment(&o.next_expansion);
  return dwg12_write_entity(o, sh, sd, block_number, block_name);
}
