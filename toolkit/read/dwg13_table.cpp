// Reading the symbol-table records of the bit-stream releases. Every record is an object found
// by handle; a handle that the map does not hold, or an object of another type, fails the read
// (the loader reports it). Fixed-size parts of the records (dash elements) take what fits and read
// the rest past, so that a hostile count never writes beyond a record.
#include "toolkit/read/dwg13_table.h"

#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/load.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/dwg13_file.h"
#include "toolkit/read/dwg13_object.h"
#include "toolkit/read/dwg13_xdata.h"

namespace {

enum : uint16_t {
  type_layer = 51,
  type_style = 53,
  type_ltype = 57,
  type_view = 61,
  type_ucs = 63,
  type_vport = 65,
  type_appid = 67,
  type_vpent_header = 71,
};

TkTableCount count_slot(Dwg13Control table) {
  switch (table) {
    case DWG13_CONTROL_LAYER: return TK_COUNT_LAYER;
    case DWG13_CONTROL_STYLE: return TK_COUNT_STYLE;
    case DWG13_CONTROL_LTYPE: return TK_COUNT_LTYPE;
    case DWG13_CONTROL_VIEW: return TK_COUNT_VIEW;
    case DWG13_CONTROL_UCS: return TK_COUNT_UCS;
    case DWG13_CONTROL_VPORT: return TK_COUNT_VPORT;
    case DWG13_CONTROL_APPID: return TK_COUNT_APPID;
    case DWG13_CONTROL_DIMSTYLE: return TK_COUNT_DIMSTYLE;
    case DWG13_CONTROL_VPENT_HEADER: return TK_COUNT_VPENT_HEADER;
    default: return TK_COUNT_BLOCK;
  }
}

void close_table(Dwg13Objects* o) {
  if (o->table_reader) blob_close(o->table_reader);
  blob_free(o->table_handles);
  o->table_reader = nullptr;
  o->table_handles = nullptr;
}

// The extended data of the record just framed as a blob; null when it has none.
bool record_xdata(TkDrawing* d, uint8_t has_xdata, TkBlob** out) {
  *out = nullptr;
  if (!has_xdata) return true;
  return eed13_to_blob(dwg13_xdata_buffer(), dwg13_xdata_length(d), out) != 0;
}



// Frames a control object and reads its count, the extra byte of the AC1015 DIMSTYLE control and
// its two leading handles, leaving the stream at the first entry handle.
int16_t read_control(TkDrawing* d, const TkHandle* handle, bool extra_byte) {
  if (!dwg13_file(d) || !dwg_objmap_seek(d, handle)) return 0;
  TkHandle own;
  if (dwg_read_object_start(d, &own, nullptr, 0, nullptr) == 0) return 0;
  TkBitReader* r = dwg13_bits(d);
  bits_read_long(r);
  if (extra_byte) bits_read_char(r);
  TkHandle h;
  bits_read_handle(r, &h);
  // Control objects have no reactors of their own worth keeping, but they may list some.
  for (uint32_t i = 0; i < dwg13_objects(d)->reactor_count && dwg13_object_bits_left(r) >= 8; ++i)
    bits_read_handle(r, &h);
  bits_read_handle(r, &h);
  return 1;
}

}  // namespace

int16_t dwg13_table_begin(TkDrawing* d, Dwg13Control table) {
  TkBitReader* r = dwg13_bits(d);
  Dwg13Objects* o = dwg13_objects(d);
  close_table(o);
  int32_t count = d->record_counts[count_slot(table)];
  if (count <= 0) return 1;
  if (!read_control(d, &dwg13_file(d)->controls[table],
                    table == DWG13_CONTROL_DIMSTYLE && d->version >= TK_VERSION_AC1015))
    return 0;
  o->table_handles = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = o->table_handles ? blob_create(o->table_handles) : nullptr;
  bool ok = w != nullptr;
  // Null entries do not count; every handle costs at least a byte of the object.
  for (int32_t taken = 0; ok && taken < count && dwg13_object_bits_left(r) >= 8;) {
    TkHandle h;
    bits_read_handle(r, &h);
    if (tk_handle_is_null(&h)) continue;
    uint8_t compact[9];
    size_t n = tk_handle_to_compact(&h, compact);
    ok = blob_write(w, compact, n) != 0;
    ++taken;
  }
  if (w && !blob_close_write(w)) ok = false;
  if (ok) o->table_reader = blob_open_read(o->table_handles);
  if (!ok || !o->table_reader) {
    close_table(o);
    return 0;
  }
  return 1;
}

int16_t dwg13_table_next(TkDrawing* d, TkHandle* handle) {
  Dwg13Objects* o = dwg13_objects(d);
  *handle = TkHandle{};
  if (!o->table_reader) return 0;
  uint8_t n;
  if (!blob_read_byte(o->table_reader, &n) || n > 8) return 0;
  return blob_read(o->table_reader, handle->bytes + 8 - n, n) ? 1 : 0;
}

int16_t dwg13_record_start(TkDrawing* d, const TkHandle* handle, uint16_t type, char* name,
                           uint8_t* flags, int16_t* xref_index, uint8_t* has_xdata) {
  TkBitReader* r = dwg13_bits(d);
  if (!dwg_objmap_seek(d, handle)) return 0;
  TkHandle own;
  if (dwg_read_object_start(d, &own, has_xdata, 0, nullptr) != type) return 0;
  bits_read_text(r, name, TK_NAME_SIZE);
  *flags = 0;
  if (bits_read_bit(r)) *flags |= 64;
  *xref_index = static_cast<int16_t>(bits_read_short(r) - 1);
  if (bits_read_bit(r)) *flags |= 16;
  return 1;
}

int16_t dwg13_begin_layers(TkDrawing* d) { return dwg13_table_begin(d, DWG13_CONTROL_LAYER); }
int16_t dwg13_begin_linetypes(TkDrawing* d) { return dwg13_table_begin(d, DWG13_CONTROL_LTYPE); }
int16_t dwg13_begin_styles(TkDrawing* d) { return dwg13_table_begin(d, DWG13_CONTROL_STYLE); }
int16_t dwg13_begin_appids(TkDrawing* d) { return dwg13_table_begin(d, DWG13_CONTROL_APPID); }
int16_t dwg13_begin_ucss(TkDrawing* d) { return dwg13_table_begin(d, DWG13_CONTROL_UCS); }
int16_t dwg13_begin_views(TkDrawing* d) { return dwg13_table_begin(d, DWG13_CONTROL_VIEW); }
int16_t dwg13_begin_vports(TkDrawing* d) { return dwg13_table_begin(d, DWG13_CONTROL_VPORT); }

int16_t dwg13_read_layer(TkDrawing* d, TkLayerRecord* rec, uint8_t* xd) {
  TkBitReader* r = dwg13_bits(d);
  tk_init_layer_record(d, rec);
  if (!dwg13_table_next(d, &rec->handle)) return 0;
  uint8_t has_xdata = 0;
  if (!dwg13_record_start(d, &rec->handle, type_layer, rec->name, &rec->flags, &rec->xref_index,
                          &has_xdata))
    return 0;
  bool off;
  if (d->version < TK_VERSION_AC1015) {
    if (bits_read_bit(r)) rec->flags |= TK_LAYER_FROZEN;
    off = bits_read_bit(r);
    if (bits_read_bit(r)) rec->flags |= TK_LAYER_FROZEN_NEW_VIEWPORTS;
    if (bits_read_bit(r)) rec->flags |= TK_LAYER_LOCKED;
    rec->lineweight = -3;
    rec->plot = 1;
  } else {
    uint16_t bits = static_cast<uint16_t>(bits_read_short(r));
    if (bits & 1) rec->flags |= TK_LAYER_FROZEN;
    off = (bits & 2) != 0;
    if (bits & 4) rec->flags |= TK_LAYER_FROZEN_NEW_VIEWPORTS;
    if (bits & 8) rec->flags |= TK_LAYER_LOCKED;
    rec->plot = (bits & 16) ? 1 : 0;
    rec->lineweight = lineweight_from_code((bits >> 5) & 31);
  }
  int16_t colour = bits_read_short(r);
  if (off && colour > 0) colour = static_cast<int16_t>(-colour);
  rec->color = colour;
  TkHandle xref;
  if (!dwg_read_record_handles(r, &rec->handle, &rec->owner, dwg13_objects(d)->reactor_count,
                               &rec->reactors, &rec->xdict, &xref))
    return 0;
  if (rec->reactors) rec->reactor_count = dwg13_objects(d)->reactor_count;
  if (d->version >= TK_VERSION_AC1015) bits_read_handle(r, &rec->plot_style);
  bits_read_handle(r, &rec->linetype);
  if (!record_xdata(d, has_xdata, &rec->xdata)) return 0;
  *xd = rec->xdata != nullptr;
  return 1;
}

int16_t dwg13_read_linetype(TkDrawing* d, TkLinetypeRecord* rec, uint8_t* xd) {
  TkBitReader* r = dwg13_bits(d);
  tk_init_ltype_record(rec);
  if (!dwg13_table_next(d, &rec->handle)) return 0;
  uint8_t has_xdata = 0;
  if (!dwg13_record_start(d, &rec->handle, type_ltype, rec->name, &rec->flags, &rec->xref_index,
                          &has_xdata))
    return 0;
  bits_read_text(r, rec->description, sizeof rec->description);
  rec->pattern_length = bits_read_double(r);
  rec->alignment = bits_read_char(r);
  uint8_t count = bits_read_char(r);
  // The record holds 15 elements; further ones are read past.
  for (uint8_t i = 0; i < count; ++i) {
    TkDashElement e{};
    e.length = bits_read_double(r);
    e.shape = static_cast<uint16_t>(bits_read_short(r));
    e.x_offset = bits_read_raw_double(r);
    e.y_offset = bits_read_raw_double(r);
    e.scale = bits_read_double(r);
    e.rotation = bits_read_double(r);
    e.shape_flags = static_cast<uint16_t>(bits_read_short(r));
    if (e.shape_flags & 2) {
      e.text_index = e.shape;
      e.shape = 0;
    }
    if (i < TK_DASH_ELEMENTS) rec->elements[i] = e;
  }
  rec->element_count = count < TK_DASH_ELEMENTS ? count : TK_DASH_ELEMENTS;
  bits_read_bytes(r, reinterpret_cast<uint8_t*>(rec->dash_texts), sizeof rec->dash_texts);
  rec->dash_texts[sizeof rec->dash_texts - 1] = 0;
  TkHandle xref;
  uint32_t reactors = dwg13_objects(d)->reactor_count;
  if (!dwg_read_record_handles(r, &rec->handle, &rec->owner, reactors, &rec->reactors, &rec->xdict, &xref))
    return 0;
  if (rec->reactors) rec->reactor_count = reactors;
  for (uint8_t i = 0; i < count; ++i) {
    TkHandle style;
    bits_read_handle(r, &style);
    if (i < TK_DASH_ELEMENTS) rec->elements[i].text_style = style;
  }
  if (!record_xdata(d, has_xdata, &rec->xdata)) return 0;
  *xd = rec->xdata != nullptr;
  return 1;
}

int16_t dwg13_read_style(TkDrawing* d, TkTextStyleRecord* rec, uint8_t* xd) {
  TkBitReader* r = dwg13_bits(d);
  tk_init_style_record(rec);
  if (!dwg13_table_next(d, &rec->handle)) return 0;
  uint8_t has_xdata = 0;
  if (!dwg13_record_start(d, &rec->handle, type_style, rec->name, &rec->flags, &rec->xref_index,
                          &has_xdata))
    return 0;
  if (bits_read_bit(r)) rec->flags |= 1;
  if (bits_read_bit(r)) rec->flags |= 4;
  rec->height = bits_read_double(r);
  rec->width_factor = bits_read_double(r);
  rec->oblique_angle = bits_read_double(r);
  rec->generation_flags = bits_read_char(r);
  rec->last_height = bits_read_double(r);
  bits_read_text(r, rec->font_file, sizeof rec->font_file);
  bits_read_text(r, rec->bigfont_file, sizeof rec->bigfont_file);
  TkHandle xref;
  uint32_t reactors = dwg13_objects(d)->reactor_count;
  if (!dwg_read_record_handles(r, &rec->handle, &rec->owner, reactors, &rec->reactors, &rec->xdict, &xref))
    return 0;
  if (rec->reactors) rec->reactor_count = reactors;
  if (!record_xdata(d, has_xdata, &rec->xdata)) return 0;
  *xd = rec->xdata != nullptr;
  return 1;
}

int16_t dwg13_read_appid(TkDrawing* d, TkAppIdRecord* rec, uint8_t* xd) {
  TkBitReader* r = dwg13_bits(d);
  tk_init_appid_record(rec);
  if (!dwg13_table_next(d, &rec->handle)) return 0;
  uint8_t has_xdata = 0;
  if (!dwg13_record_start(d, &rec->handle, type_appid, rec->name, &rec->flags, &rec->xref_index,
                          &has_xdata))
    return 0;
  TkHandle xref;
  uint32_t reactors = dwg13_objects(d)->reactor_count;
  if (!dwg_read_record_handles(r, &rec->handle, &rec->owner, reactors, &rec->reactors, &rec->xdict, &xref))
    return 0;
  if (rec->reactors) rec->reactor_count = reactors;
  if (!record_xdata(d, has_xdata, &rec->xdata)) return 0;
  *xd = rec->xdata != nullptr;
  return 1;
}

int16_t dwg13_begin_vpent_headers(TkDrawing* d) {
  return dwg13_table_begin(d, DWG13_CONTROL_VPENT_HEADER);
}

int16_t dwg13_read_vpent_header(TkDrawing* d, TkViewportEntityHeader* rec) {
  TkBitReader* r = dwg13_bits(d);
  std::memset(rec, 0, sizeof *rec);
  TkHandle own;
  if (!dwg13_table_next(d, &own)) {
    rec->end = 1;
    return 1;
  }
  uint8_t has_xdata = 0;
  if (!dwg13_record_start(d, &own, type_vpent_header, rec->name, &rec->flags, &rec->xref_index,
                          &has_xdata))
    return 0;
  if (bits_read_bit(r)) rec->flags |= 1;  // the viewport is on
  TkHandle owner, xdict, xref;
  TkBlob* reactors = nullptr;
  uint32_t count = dwg13_objects(d)->reactor_count;
  int16_t ok = dwg_read_record_handles(r, &own, &owner, count, &reactors, &xdict, &xref);
  blob_free(reactors);
  if (!ok) return 0;
  bits_read_handle_rel(r, &own, &rec->viewport);
  return r->past_end ? 0 : 1;
}

int16_t dwg13_read_ucs(TkDrawing* d, TkUcsRecord* rec, uint8_t* xd) {
  TkBitReader* r = dwg13_bits(d);
  tk_init_ucs_record(rec);
  if (!dwg13_table_next(d, &rec->handle)) return 0;
  uint8_t has_xdata = 0;
  if (!dwg13_record_start(d, &rec->handle, type_ucs, rec->name, &rec->flags, &rec->xref_index,
                          &has_xdata))
    return 0;
  bits_read_3bd(r, rec->origin);
  bits_read_3bd(r, rec->x_axis);
  bits_read_3bd(r, rec->y_axis);
  bool r15 = d->version >= TK_VERSION_AC1015;
  if (r15) {
    rec->elevation = bits_read_double(r);
    rec->ortho_view = bits_read_short(r);
    rec->ortho_type = bits_read_short(r);
  }
  TkHandle xref;
  uint32_t reactors = dwg13_objects(d)->reactor_count;
  if (!dwg_read_record_handles(r, &rec->handle, &rec->owner, reactors, &rec->reactors, &rec->xdict, &xref))
    return 0;
  if (rec->reactors) rec->reactor_count = reactors;
  if (r15) {
    bits_read_handle(r, &rec->base_ucs);
    bits_read_handle(r, &rec->ortho_ucs);
  }
  *xd = has_xdata;
  return 1;
}

namespace {

// The four view-mode bits that VIEW and VPORT share.
int16_t read_view_mode(TkBitReader* r) {
  int16_t mode = 0;
  if (bits_read_bit(r)) mode |= 1;
  if (bits_read_bit(r)) mode |= 2;
  if (bits_read_bit(r)) mode |= 4;
  if (!bits_read_bit(r)) mode |= 16;
  return mode;
}

}  // namespace

int16_t dwg13_read_view(TkDrawing* d, TkViewRecord* rec, uint8_t* xd) {
  TkBitReader* r = dwg13_bits(d);
  tk_copy_view_defaults(rec);
  if (!dwg13_table_next(d, &rec->handle)) return 0;
  uint8_t has_xdata = 0;
  int16_t xref_index;
  if (!dwg13_record_start(d, &rec->handle, type_view, rec->name, &rec->flags, &xref_index, &has_xdata))
    return 0;
  bool r15 = d->version >= TK_VERSION_AC1015;
  rec->height = bits_read_double(r);
  rec->width = bits_read_double(r);
  bits_read_2rd(r, rec->center);
  bits_read_3bd(r, rec->target);
  bits_read_3bd(r, rec->direction);
  rec->twist = bits_read_double(r);
  rec->lens_length = bits_read_double(r);
  rec->front_clip = bits_read_double(r);
  rec->back_clip = bits_read_double(r);
  rec->view_mode = read_view_mode(r);
  rec->render_mode = r15 ? bits_read_char(r) : 0;
  if (bits_read_bit(r)) rec->flags |= 1;
  bool associated = false;
  if (r15) {
    associated = bits_read_bit(r);
    rec->ucs_associated = associated;
    if (associated) {
      bits_read_3bd(r, rec->ucs_origin);
      bits_read_3bd(r, rec->ucs_x_axis);
      bits_read_3bd(r, rec->ucs_y_axis);
      rec->elevation = bits_read_double(r);
      rec->ortho_type = bits_read_short(r);
    }
  }
  TkHandle xref;
  uint32_t reactors = dwg13_objects(d)->reactor_count;
  if (!dwg_read_record_handles(r, &rec->handle, &rec->owner, reactors, &rec->reactors, &rec->xdict, &xref))
    return 0;
  if (rec->reactors) rec->reactor_count = reactors;
  if (associated) {
    bits_read_handle(r, &rec->ucs);
    bits_read_handle(r, &rec->base_ucs);
  }
  *xd = has_xdata;
  return 1;
}

int16_t dwg13_read_vport(TkDrawing* d, TkVportRecord* rec, uint8_t* xd) {
  TkBitReader* r = dwg13_bits(d);
  tk_copy_vport_defaults(rec);
  if (!dwg13_table_next(d, &rec->handle)) return 0;
  uint8_t has_xdata = 0;
  int16_t xref_index;
  if (!dwg13_record_start(d, &rec->handle, type_vport, rec->name, &rec->flags, &xref_index,
                          &has_xdata))
    return 0;
  bool r15 = d->version >= TK_VERSION_AC1015;
  rec->height = bits_read_double(r);
  double width = bits_read_double(r);
  rec->aspect_ratio = rec->height != 0.0 ? width / rec->height : 0.0;
  bits_read_2rd(r, rec->center);
  bits_read_3bd(r, rec->target);
  bits_read_3bd(r, rec->direction);
  rec->twist = bits_read_double(r);
  rec->lens_length = bits_read_double(r);
  rec->front_clip = bits_read_double(r);
  rec->back_clip = bits_read_double(r);
  rec->view_mode = read_view_mode(r);
  rec->render_mode = r15 ? bits_read_char(r) : 0;
  bits_read_2rd(r, rec->lower_left);
  bits_read_2rd(r, rec->upper_right);
  if (bits_read_bit(r)) rec->view_mode |= 8;
  rec->circle_zoom = bits_read_short(r);
  rec->fast_zoom = bits_read_bit(r);
  rec->ucs_icon = static_cast<int16_t>(bits_read_bit(r));
  if (bits_read_bit(r)) rec->ucs_icon |= 2;
  rec->grid_on = bits_read_bit(r);
  bits_read_2rd(r, rec->grid_spacing);
  rec->snap_on = bits_read_bit(r);
  rec->snap_style = bits_read_bit(r);
  rec->snap_isopair = bits_read_short(r);
  rec->snap_angle = bits_read_double(r);
  bits_read_2rd(r, rec->snap_base);
  bits_read_2rd(r, rec->snap_spacing);
  if (r15) {
    bits_read_bit(r);
    rec->ucs_per_viewport = bits_read_bit(r);
    bits_read_3bd(r, rec->ucs_origin);
    bits_read_3bd(r, rec->ucs_x_axis);
    bits_read_3bd(r, rec->ucs_y_axis);
    rec->elevation = bits_read_double(r);
    rec->ortho_type = bits_read_short(r);
  } else {
    rec->ucs_per_viewport = 0;
    rec->ortho_type = 0;
    const double x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    std::memset(rec->ucs_origin, 0, sizeof rec->ucs_origin);
    std::memcpy(rec->ucs_x_axis, x, sizeof x);
    std::memcpy(rec->ucs_y_axis, y, sizeof y);
    rec->elevation = 0.0;
  }
  TkHandle xref;
  uint32_t reactors = dwg13_objects(d)->reactor_count;
  if (!dwg_read_record_handles(r, &rec->handle, &rec->owner, reactors, &rec->reactors, &rec->xdict, &xref))
    return 0;
  if (rec->reactors) rec->reactor_count = reactors;
  if (r15) {
    bits_read_handle(r, &rec->base_ucs);
    bits_read_handle(r, &rec->ucs);
  }
  if (!record_xdata(d, has_xdata, &rec->xdata)) return 0;
  *xd = rec->xdata != nullptr;
  return 1;
}

int16_t dwg13_read_mlinestyle(TkDrawing* d, TkObjectHeader* h, TkObjectData* v, uint8_t* xd) {
  TkBitReader* r = dwg13_bits(d);
  h->type = TK_OBJ_MLINESTYLE;
  TkMlineStyleData& m = v->mlinestyle;
  if (dwg_read_object_start(d, &h->handle, xd, 0, nullptr) != DWG13_TYPE_MLINESTYLE) return 0;
  bits_read_text(r, m.name, sizeof m.name);
  char description[256];
  bits_read_text(r, description, sizeof description);
  std::memcpy(m.description, description, sizeof description);
  m.flags = bits_read_short(r);
  m.fill_colour = bits_read_short(r);
  m.start_angle = bits_read_double(r);
  m.end_angle = bits_read_double(r);
  uint8_t count = bits_read_char(r);
  TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  bool ok = w != nullptr;
  for (uint8_t i = 0; ok && i < count; ++i) {
    TkMlineElement e{};
    e.offset = bits_read_double(r);
    e.colour = bits_read_short(r);
    e.linetype = bits_read_short(r);
    ok = tk_mlstyle_element_write(w, &e) != 0;
  }
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(blob);
    return 0;
  }
  blob_free(m.elements);
  m.elements = blob;
  m.element_count = count;
  uint32_t reactors = dwg13_objects(d)->reactor_count;
  if (!dwg_read_object_handles(r, &h->handle, &h->owner, reactors, &h->reactors)) return 0;
  if (h->reactors) h->reactor_count = reactors;
  return 1;
}
