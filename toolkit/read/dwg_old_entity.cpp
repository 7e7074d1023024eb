// Entity records of DWG files of AC1002 to AC1009: a short record header, common fields chosen
// by flag bits, then the fields of the kind, chosen by option bits. Each record is read whole
// (its length checked against the section being walked) and parsed within itself, so a damaged
// record can neither read past its end nor put the walk out of step. Erased records are passed
// over; the table references are left as indexes for the load to resolve.
#include "toolkit/read/dwg_old_entity.h"

#include <cmath>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/load.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dwg_old_file.h"
#include "toolkit/read/dwg_old_xdata.h"

namespace {

constexpr uint8_t erased_bit = 0x80;
constexpr uint8_t paper_space = 1;  // entity header flag
constexpr uint8_t kind_closed_polyline = 18;
constexpr uint16_t min_record = 8;  // kind, flags, length and four more bytes

using namespace dwg_old_place;

// Longest texts the records hold. A text within its limit but longer than its field is read
// whole and cut to the field, so that the rest of the record and the section still load.
constexpr int16_t text_limit = 2048;
constexpr int16_t attribute_limit = 513;
constexpr int16_t attribute_value_limit = 2049;
constexpr int16_t dimension_limit = 1024;
constexpr int16_t block_text_limit = 512;
constexpr size_t block_text_room = 511;  // the BLOCK record's fields are 512 bytes

struct Record {
  TkDrawing* d;
  DwgOldCursor c;
  int16_t version;
  uint8_t flags;
  uint16_t options;
  double elevation;
  TkEntityHeader* h;
  TkEntityData* data;
  uint32_t position;  // of the record in the file
};

bool has(const Record& r, uint16_t bit) { return (r.options & bit) != 0; }
bool r10(const Record& r) { return r.version >= TK_VERSION_AC1006; }
bool r11(const Record& r) { return r.version >= TK_VERSION_AC1009; }

void put_double(Record& r, size_t place) { tk_data_put(r.data, place, r.c.rd()); }
void put_point2(Record& r, size_t place) {
  put_double(r, place);
  put_double(r, place + 8);
}
// x, y and z: the elevation, except that AC1006 and later carry a z of their own unless flags
// bit 4 is set.
void put_point(Record& r, size_t place) {
  put_point2(r, place);
  double z = r.elevation;
  if (r10(r) && !(r.flags & 4)) z = r.c.rd();
  tk_data_put(r.data, place + 16, z);
}
void put_point_elevation(Record& r, size_t place) {
  put_point2(r, place);
  tk_data_put(r.data, place + 16, r.elevation);
}
void put_point3(Record& r, size_t place) {
  for (int i = 0; i < 3; ++i) put_double(r, place + 8 * static_cast<size_t>(i));
}

void extrusion(Record& r) {
  double e[3];
  r.c.point(e, 3);
  if (e[0] == 0.0 && e[1] == 0.0 && e[2] == 1.0) return;
  std::memcpy(r.h->extrusion, e, sizeof e);
  r.h->flags |= TK_ENTITY_EXTRUDED;
}

// A signed length and that many characters, of which the field keeps the first `room`; a length
// outside 0..limit is a damaged record.
bool text(Record& r, size_t place, int16_t limit, size_t room) {
  int16_t n = r.c.i16();
  if (r.c.bad) return false;
  if (n < 0 || n > limit) {
    if (tk_state->error_callback) tk_state->error_callback(5);
    r.c.bad = true;
    return false;
  }
  size_t kept = static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room;
  char* out = tk_data_text(r.data, place);
  r.c.bytes(out, kept);
  out[kept] = 0;
  r.c.skip(static_cast<size_t>(n) - kept);
  return !r.c.bad;
}
bool text(Record& r, size_t place, int16_t limit) {
  return text(r, place, limit, static_cast<size_t>(limit));
}
bool attribute_text(Record& r, size_t place, int16_t limit) {
  return text(r, place, limit, TK_ATTR_STRING_MAX);
}

void text_options(Record& r, size_t attrs, uint16_t b) {
  if (has(r, b)) put_double(r, attrs + attrs_rotation);
  if (has(r, b * 2)) put_double(r, attrs + attrs_width);
  if (has(r, b * 4)) put_double(r, attrs + attrs_oblique);
  if (has(r, b * 8)) tk_state->pending.style_index = r.c.u8();
  if (has(r, b * 16)) tk_data_put(r.data, attrs + attrs_generation, r.c.u8());
  if (has(r, b * 32)) tk_data_put(r.data, attrs + attrs_horizontal, r.c.u8());
  if (has(r, b * 64)) put_point2(r, attrs + attrs_align);
  if (r10(r) && has(r, b * 128)) extrusion(r);
  if (r11(r) && has(r, b * 256)) tk_data_put(r.data, attrs + attrs_vertical, r.c.u8());
}

bool read_kind(Record& r, DwgOldState* s) {
  DwgOldCursor& c = r.c;
  switch (r.h->kind) {
    case TK_LINE:
      put_point(r, 0);
      put_point(r, 24);
      if (r10(r) && has(r, 1)) extrusion(r);
      break;
    case TK_POINT:
      put_point(r, 0);
      if (r10(r) && has(r, 1)) extrusion(r);
      if (r10(r) && has(r, 2)) put_double(r, 24);
      break;
    case TK_CIRCLE:
    case TK_ARC: {
      put_point_elevation(r, 0);
      double radius = c.rd();
      tk_data_put(r.data, 24, radius < 0 ? 0.0 : radius);
      if (r.h->kind == TK_ARC) {
        put_double(r, 32);
        put_double(r, 40);
      }
      if (r10(r) && has(r, 1)) extrusion(r);
      break;
    }
    case TK_TRACE:
    case TK_SOLID:
      for (size_t i = 0; i < 4; ++i) put_point_elevation(r, 24 * i);
      if (r10(r) && has(r, 1)) extrusion(r);
      break;
    case TK_SHAPE:
      put_point_elevation(r, 0);
      put_double(r, shape_size);
      tk_data_put(r.data, shape_number, static_cast<uint32_t>(c.u8()));
      if (has(r, 1)) put_double(r, shape_rotation);
      tk_state->pending.style_index = c.u8();
      if (has(r, 4)) put_double(r, shape_width);
      if (has(r, 8)) put_double(r, shape_oblique);
      if (r10(r) && has(r, 16)) extrusion(r);
      break;
    case TK_TEXT:
      put_point_elevation(r, 0);
      put_double(r, text_attrs + attrs_height);
      if (!text(r, TK_TEXT_STRING, text_limit)) return false;
      text_options(r, text_attrs, 1);
      break;
    case TK_ATTDEF:
    case TK_ATTRIB: {
      bool def = r.h->kind == TK_ATTDEF;
      put_point_elevation(r, 0);
      put_double(r, attdef_attrs + attrs_height);
      if (def) {
        if (!attribute_text(r, TK_ATTDEF_STRINGS, attribute_limit) ||  // prompt
            !attribute_text(r, TK_ATTDEF_SECOND, attribute_limit) ||   // tag
            !attribute_text(r, TK_ATTDEF_THIRD, attribute_limit))      // default value
          return false;
      } else if (!attribute_text(r, TK_ATTDEF_SECOND, attribute_value_limit) ||  // value
                 !attribute_text(r, TK_ATTDEF_STRINGS, attribute_limit)) {       // tag
        return false;
      }
      tk_data_put(r.data, att_flags, c.u8());
      if (has(r, 1)) tk_data_put(r.data, att_field_length, static_cast<int16_t>(static_cast<int8_t>(c.u8())));
      text_options(r, attdef_attrs, 2);
      break;
    }
    case TK_BLOCK: {
      put_point_elevation(r, 0);
      if (r10(r) && has(r, 1)) c.skip(8);
      if (r11(r) && has(r, 2) && !text(r, block_path, block_text_limit, block_text_room))
        return false;
      bool named = r11(r) && has(r, 4);
      if (named && !text(r, block_name, block_text_limit, block_text_room)) return false;
      // Older releases leave the name to the block's table record.
      if (!named && r.d->reading_block) {
        char* out = tk_data_text(r.data, block_name);
        size_t n = strnlen(r.d->reading_block->name, block_text_room);
        std::memcpy(out, r.d->reading_block->name, n);
        out[n] = 0;
      }
      break;
    }
    case TK_INSERT: {
      tk_state->pending.block_index = static_cast<int16_t>(c.u16());
      put_point_elevation(r, insert_point);
      double scale[3] = {1.0, 1.0, 1.0};
      if (has(r, 1)) scale[0] = c.rd();
      if (has(r, 2)) scale[1] = c.rd();
      if (has(r, 4)) put_double(r, insert_rotation);
      if (has(r, 8)) scale[2] = c.rd();
      if (has(r, 16)) tk_data_put(r.data, insert_columns, c.u16());
      if (has(r, 32)) tk_data_put(r.data, insert_rows, c.u16());
      if (has(r, 64)) put_double(r, insert_column_spacing);
      if (has(r, 128)) put_double(r, insert_row_spacing);
      for (double& v : scale)
        if (std::fabs(v) < 1e-12) v = 1.0;
      std::memcpy(r.data->bytes + insert_scale, scale, sizeof scale);
      if (r10(r) && has(r, 256)) extrusion(r);
      bool attributes = (r.flags & 128) != 0;
      tk_data_put(r.data, insert_attribs, static_cast<int16_t>(attributes ? 1 : 0));
      if (attributes) s->attributes_follow = 1;
      break;
    }
    case TK_SEQEND:
      if (s->attributes_follow) c.skip(4);
      s->attributes_follow = 0;
      break;
    case TK_ENDBLK: break;
    case TK_POLYLINE: {
      tk_data_put(r.data, polyline_elevation, r.elevation);
      uint8_t flags = has(r, 1) ? c.u8() : 0;
      tk_data_put(r.data, polyline_flags, static_cast<int16_t>(flags));
      if (has(r, 2)) put_double(r, polyline_start_width);
      if (has(r, 4)) put_double(r, polyline_end_width);
      if (flags & 8) {
        tk_data_put(r.data, polyline_start_width, 0.0);
        tk_data_put(r.data, polyline_end_width, 0.0);
      }
      if (r10(r)) {
        if (has(r, 8)) extrusion(r);
        const size_t counts[] = {polyline_m_count, polyline_n_count, polyline_m_density,
                                 polyline_n_density, polyline_curve};
        for (int i = 0; i < 5; ++i)
          if (has(r, static_cast<uint16_t>(16 << i))) tk_data_put(r.data, counts[i], c.i16());
      }
      break;
    }
    case TK_VERTEX: {
      bool face = r11(r) && has(r, 0x4000);
      if (!face) put_point_elevation(r, 0);
      if (has(r, 1)) {
        put_double(r, vertex_start_width);
        tk_data_put(r.data, vertex_start_given, uint16_t{1});
      }
      if (has(r, 2)) {
        put_double(r, vertex_end_width);
        tk_data_put(r.data, vertex_end_given, uint16_t{1});
      }
      if (has(r, 4)) put_double(r, vertex_bulge);
      if (has(r, 8)) tk_data_put(r.data, TK_VERTEX_FLAGS, static_cast<int16_t>(c.u8()));
      if (has(r, 16)) put_double(r, vertex_tangent);
      if (face) {
        for (int i = 0; i < 4; ++i)
          if (has(r, static_cast<uint16_t>(32 << i)))
            tk_data_put(r.data, vertex_face + 8 * static_cast<size_t>(i), c.i16());
      } else if (r10(r) && has(r, 32)) {
        extrusion(r);
      }
      break;
    }
    case TK_3DLINE:
      r.h->kind = TK_LINE;
      if (r.version == TK_VERSION_AC1002) break;
      if (r10(r)) {
        put_point(r, 0);
        put_point(r, 24);
        if (has(r, 1)) extrusion(r);
      } else {
        put_point_elevation(r, 0);
        if (has(r, 1)) put_double(r, 16);
        put_point_elevation(r, 24);
        if (has(r, 2)) put_double(r, 40);
      }
      break;
    case TK_3DFACE:
      for (size_t i = 0; i < 4; ++i) {
        put_point2(r, 24 * i);
        tk_data_put(r.data, 24 * i + 16, 0.0);
        bool z = r10(r) ? !(r.flags & 4) : has(r, static_cast<uint16_t>(1 << i));
        if (z) put_double(r, 24 * i + 16);
      }
      if (r10(r) && has(r, 1)) tk_data_put(r.data, face_flags, c.i16());
      break;
    case TK_VIEWPORT:
      put_point3(r, viewport_centre);
      put_double(r, viewport_width);
      put_double(r, viewport_height);
      tk_data_put(r.data, TK_VIEWPORT_NUMBER, c.i16());
      // The viewport-entity headers name their VIEWPORT by this position.
      tk_data_put(r.data, TK_VIEWPORT_LIST_VALUE, uint64_t{r.position});
      break;
    case TK_DIMENSION: {
      std::memset(r.data->bytes, 0, sizeof r.data->bytes);
      tk_state->pending.block_index = static_cast<int16_t>(c.u16());
      put_point(r, dim_definition);
      double z = tk_data_get<double>(r.data, dim_definition + 16);
      if (!r10(r)) tk_data_put(r.data, dim_definition + 16, r.elevation);
      put_point_elevation(r, dim_middle);
      if (has(r, 1)) put_point_elevation(r, dim_clone);
      if (has(r, 2)) tk_data_put(r.data, dim_type, c.u8());
      if (has(r, 4) && !text(r, TK_DIMENSION_STRING, dimension_limit)) return false;
      const size_t points[] = {dim_second, dim_third, dim_fourth};
      for (int i = 0; i < 3; ++i)
        if (has(r, static_cast<uint16_t>(8 << i))) put_point(r, points[i]);
      if (has(r, 64)) {
        put_point2(r, dim_arc);
        tk_data_put(r.data, dim_arc + 16, r10(r) ? z : r.elevation);
      }
      if (has(r, 128)) put_double(r, dim_leader);
      if (has(r, 256)) put_double(r, dim_angle);
      if (r.version == TK_VERSION_AC1006) {
        if (has(r, 0x2000)) put_double(r, dim_text_rotation);
        if (has(r, 0x4000)) extrusion(r);
      } else if (r11(r)) {
        if (has(r, 0x200)) put_double(r, dim_oblique);
        if (has(r, 0x400)) put_double(r, dim_text_rotation);
        if (has(r, 0x800)) c.skip(8);
        if (has(r, 0x1000)) put_double(r, dim_horizontal);
        if (has(r, 0x2000)) put_double(r, dim_extra);
        if (has(r, 0x4000)) extrusion(r);
        if (has(r, 0x8000)) tk_state->pending.dimstyle_index = static_cast<int16_t>(c.u16());
      }
      break;
    }
    default: return false;
  }
  return !c.bad;
}

bool accepted(uint8_t kind, int16_t version) {
  switch (kind) {
    case 1: case 2: case 3: case 4: case 7: case 8: case 9: case 11: case 12: case 13:
    case 14: case 15: case 16: case 17: case 19: case 20: case 21:
      return true;
    case 22: case 23: return version >= TK_VERSION_AC1003;
    case 24: return version >= TK_VERSION_AC1009;
    default: return false;
  }
}

}  // namespace

int16_t dwg_old_begin_entities(TkDrawing* d) {
  DwgOldState* s = dwg_old_state(d);
  if (!s) return 0;
  s->entity_next = s->entities_start;
  s->walk_end = s->entities_end;
  s->in_block = 0;
  s->attributes_follow = 0;
  return 1;
}

int16_t dwg_old_begin_block_entities(TkDrawing* d) {
  DwgOldState* s = dwg_old_state(d);
  const TkBlockRecord* b = d->reading_block;
  if (!s || !b) return 0;
  uint64_t end = static_cast<uint64_t>(s->blocks_start) + s->blocks_size;
  if (end > s->file_length) end = s->file_length;
  uint64_t start = static_cast<uint64_t>(s->blocks_start) + b->flag_word;
  if (start >= end) return tk_fail(TK_ERR_BAD_DWG_INFO);
  s->entity_next = static_cast<uint32_t>(start);
  s->walk_end = static_cast<uint32_t>(end);
  s->in_block = 1;
  ++s->block_walks;
  s->block_started = 0;
  s->attributes_follow = 0;
  return 1;
}

int16_t dwg_old_read_entity(TkDrawing* d, TkEntityHeader* h, TkEntityData* data,
                            uint8_t* has_xdata) {
  *has_xdata = 0;
  DwgOldState* s = dwg_old_state(d);
  if (!s) return 0;
  // Each pass takes one record; erased ones are passed over. Every record is at least 8 bytes
  // long, so the walk ends at the section's end.
  for (;;) {
    uint32_t at = s->entity_next;
    if (at >= s->walk_end || s->walk_end - at < 4) return 0;
    if (!dwg_old_read_at(d, at, 4)) return 0;
    if (s->in_block && ++s->block_records_read > s->blocks_size / min_record + s->block_walks)
      return tk_fail(TK_ERR_BAD_DWG_INFO);
    const uint8_t* b = tk_state->read_buffer;
    uint8_t kind = b[0] & 0x7F;
    // Kind 18 opens a vertex sequence as a POLYLINE does (its SEQEND points back at it) and
    // the releases' own DXF shows a closed polyline there; ending the walk at it, as if it
    // were a jump, would lose every entity behind it.
    bool closed_polyline = kind == kind_closed_polyline;
    if (closed_polyline) kind = TK_POLYLINE;
    bool erased = (b[0] & erased_bit) != 0;
    uint16_t length = static_cast<uint16_t>(b[2] | b[3] << 8);
    if (!accepted(kind, d->version)) return 0;
    if (length < min_record || length > s->walk_end - at) return tk_fail(TK_ERR_UNEXPECTED_EOF);
    if (!dwg_old_read_at(d, at, length)) return tk_fail(TK_ERR_UNEXPECTED_EOF);
    s->entity_next = at + length;
    if (erased) continue;
    // A block that lacks its ENDBLK ends where the next block begins, rather than taking that
    // block's entities as its own.
    if (s->in_block && kind == TK_BLOCK && s->block_started) return 0;
    if (s->in_block && kind == TK_BLOCK) s->block_started = 1;

    Record r{d, dwg_old_cursor(tk_state->read_buffer, length), d->version, 0, 0, 0.0, h, data, at};
    DwgOldCursor& c = r.c;
    c.pos = 1;
    r.flags = c.u8();
    c.u16();
    int16_t layer = static_cast<int16_t>(c.u16());
    r.options = c.u16();
    uint8_t extra = (r.flags & 64) ? c.u8() : 0;
    size_t xdata_size = 0;
    if (extra & 2) {
      xdata_size = c.u16();
      if (xdata_size > TK_XDATA_READ_BUFFER_SIZE || !c.take(xdata_size))
        return tk_fail(TK_ERR_UNEXPECTED_EOF);
      std::memcpy(tk_state->xdata_read_buffer, c.data + c.pos, xdata_size);
      c.pos += xdata_size;
    }

    std::memset(h, 0, sizeof *h);
    h->kind = kind;
    tk_init_entity(d, h, data);
    h->transient[0] = h->transient[1] = 0;
    TkPendingRefs& p = tk_state->pending;
    p.layer_index = kind == TK_BLOCK && layer < 0 ? int16_t{0} : layer;
    p.linetype_index = 32767;
    p.dimstyle_index = 0;

    if (r.flags & 1) h->colour = c.u8();
    if (r.flags & 2) {
      if (d->version >= TK_VERSION_AC1009) {
        p.linetype_index = static_cast<int16_t>(c.u16());
      } else {
        uint8_t n = c.u8();
        p.linetype_index = n == 255 ? int16_t{32766} : int16_t{n};
      }
    }
    bool own_z = d->version >= TK_VERSION_AC1006 &&
                 (kind == TK_LINE || kind == TK_POINT || kind == TK_3DLINE || kind == TK_3DFACE);
    if ((r.flags & 4) && !own_z) r.elevation = c.rd();
    if (r.flags & 8) h->thickness = c.rd();
    if ((r.flags & 32) && d->version >= TK_VERSION_AC1006) {
      uint8_t n = c.u8();
      if (n > 8) return tk_fail(TK_ERR_UNEXPECTED_EOF);
      c.bytes(h->handle.bytes + (8 - n), n);
    }
    if (d->version >= TK_VERSION_AC1009 && (extra & 4) && (c.u16() & 1)) h->flags |= paper_space;
    if (closed_polyline && !c.bad) {
      r.options = 0;  // its options word carries no fields
      tk_data_put(data, polyline_elevation, r.elevation);
      tk_data_put(data, polyline_flags, int16_t{1});
    } else if (c.bad || !read_kind(r, s)) {
      tk_free_entity_blobs(d, h, data);
      return tk_fail(TK_ERR_UNEXPECTED_EOF);
    }
    if (xdata_size) {
      bool failed = false;
      h->xdata = dwg_old_eed_to_blob(tk_state->xdata_read_buffer, xdata_size, &failed);
      if (failed) {
        tk_free_entity_blobs(d, h, data);
        return tk_fail_alloc(TK_ERR_XDATA_READ_ALLOC);
      }
      *has_xdata = 1;
    }
    return 1;
  }
}
