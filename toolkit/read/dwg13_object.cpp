// The frame of every object of the bit-stream releases and the handle tails and raw data that
// the record, entity and object readers share. A frame is read from the file position the object
// map gave; everything after that is decoding of the window the bit reader holds.
#include "toolkit/read/dwg13_object.h"

#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/load.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/dwg13_file.h"

namespace {

// The three bytes in front of each stored application block (size and handle code byte) and
// the list's terminator.
constexpr size_t xdata_block_head = 3;
constexpr size_t xdata_terminator = 2;

void put_u16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

// Copies the object's extended data into the state's buffer. Data that would not fit in the
// buffer is read past and dropped as a whole: a partial list would give the applications half
// their items.
void read_xdata(TkBitReader* r, Dwg13Objects* o) {
  uint8_t* buffer = tk_state->xdata_read_buffer;
  size_t used = 0;
  bool dropped = false;
  o->has_xdata = 0;
  for (uint16_t n = static_cast<uint16_t>(bits_read_short(r)); n != 0;
       n = static_cast<uint16_t>(bits_read_short(r))) {
    uint8_t code = bits_read_char(r);
    size_t counter = code & 0x0F;
    size_t item = xdata_block_head + counter + n;
    if (dropped || !buffer || used + item + xdata_terminator > TK_XDATA_READ_BUFFER_SIZE) {
      dropped = true;
      bits_skip(r, static_cast<int32_t>((counter + n) * 8));
      continue;
    }
    put_u16(buffer + used, n);
    buffer[used + 2] = code;
    bits_read_bytes(r, buffer + used + xdata_block_head, counter + n);
    used += item;
  }
  if (dropped) {
    if (tk_state->error_callback) tk_state->error_callback(5);
    used = 0;
  }
  if (buffer) put_u16(buffer + used, 0);
  o->xdata_length = static_cast<uint16_t>(used + (buffer ? xdata_terminator : 0));
  o->has_xdata = used > 0;
}

// Copies n bytes of the stream into a new blob in pieces of at most 512 bytes.
TkBlob* read_bytes_to_blob(TkBitReader* r, uint32_t n) {
  TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  bool ok = w != nullptr;
  uint8_t piece[512];
  while (ok && n > 0) {
    uint32_t step = n < sizeof piece ? n : sizeof piece;
    bits_read_bytes(r, piece, step);
    ok = blob_write(w, piece, step) != 0;
    n -= step;
  }
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(blob);
    return nullptr;
  }
  return blob;
}

}  // namespace

uint32_t dwg13_bits_left(TkBitReader* r) {
  uint32_t used = bits_consumed(r);
  uint32_t total = r->size_in_bits > 0 ? static_cast<uint32_t>(r->size_in_bits) : 0;
  if (total > 8 * r->data_size) total = 8 * r->data_size;
  return total > used ? total - used : 0;
}

uint32_t dwg13_object_bits_left(TkBitReader* r) { return bits_remaining(r); }

const uint8_t* dwg13_xdata_buffer() { return tk_state->xdata_read_buffer; }

uint16_t dwg13_xdata_length(TkDrawing* d) { return dwg13_objects(d)->xdata_length; }

namespace {

void free_objects(Dwg13Objects* o) {
  dwg13_objects_free(o);
  mem_free(o);
}

// Stands in for the state of a drawing that is not open as AC1012 to AC1015 (tests of other
// readers never get here; a damaged call must not write through a null pointer).
Dwg13Objects detached{};

}  // namespace

Dwg13Objects* dwg13_objects(TkDrawing* d) {
  Dwg13File* f = dwg13_file(d);
  if (!f) return &detached;
  if (!f->objects) {
    auto* o = static_cast<Dwg13Objects*>(mem_alloc(sizeof(Dwg13Objects)));
    if (!o) return &detached;
    std::memset(o, 0, sizeof *o);
    f->objects = o;
    f->objects_free = free_objects;
  }
  return f->objects;
}

int16_t dwg13_ensure_fixed_classes(TkDrawing* d) {
  if (d->version < TK_VERSION_AC1014) return 1;
  struct Fixed {
    const char* dxf_name;
    const char* class_name;
    int16_t item;
    int16_t first_version;
  };
  static const Fixed fixed[] = {
      {"OLE2FRAME", "AcDbOle2Frame", TK_CLASS_ITEM_ENTITY, TK_VERSION_AC1014},
      {"LWPOLYLINE", "AcDbPolyline", TK_CLASS_ITEM_ENTITY, TK_VERSION_AC1014},
      {"HATCH", "AcDbHatch", TK_CLASS_ITEM_ENTITY, TK_VERSION_AC1014},
      {"XRECORD", "AcDbXrecord", TK_CLASS_ITEM_OBJECT, TK_VERSION_AC1015},
  };
  for (const Fixed& f : fixed) {
    if (d->version < f.first_version) continue;
    if (!class_ensure(d, f.dxf_name, f.class_name, "AutoCAD 2000", 0, f.item, 0))
      return tk_fail_alloc(TK_ERR_ALLOC_STRUCTURE);
  }
  return 1;
}

void dwg13_objects_free(Dwg13Objects* o) {
  if (!o) return;
  if (o->table_reader) blob_close(o->table_reader);
  blob_free(o->table_handles);
  if (o->pending_reader) blob_close(o->pending_reader);
  blob_free(o->pending_objects);
  blob_free(o->entity.graphics);
  blob_free(o->arrow_names);
  o->arrow_names = nullptr;
  mem_free(o->ranges);
  o->table_reader = o->pending_reader = nullptr;
  o->table_handles = o->pending_objects = o->entity.graphics = nullptr;
  o->ranges = nullptr;
  o->range_count = o->range_capacity = 0;
}

uint16_t dwg_read_object_start(TkDrawing* d, TkHandle* handle, uint8_t* has_xdata,
                               uint8_t is_entity, TkBlob** graphics) {
  TkBitReader* r = dwg13_bits(d);
  Dwg13Objects* o = dwg13_objects(d);
  if (has_xdata) *has_xdata = 0;
  if (graphics) *graphics = nullptr;
  std::memset(handle, 0, sizeof *handle);
  o->has_xdata = 0;
  o->xdata_length = 0;
  uint16_t type = 0;
  // Objects of type 0 are passed over; each costs its bytes, so the object area bounds the loop.
  for (;;) {
    if (!dwg13_open_object_window(d)) return 0;
    type = static_cast<uint16_t>(bits_read_short(r));
    if (d->version >= TK_VERSION_AC1015) r->size_in_bits = bits_read_raw_long(r);
    bits_read_handle(r, handle);
    if (type != 0) break;
    if (!dwg13_skip_object(d)) return 0;
  }

  read_xdata(r, o);
  if (has_xdata) *has_xdata = o->has_xdata;

  r->graphics_present = 0;
  if (is_entity) {
    r->graphics_present = bits_read_bit(r);
    if (r->graphics_present) {
      uint32_t size = static_cast<uint32_t>(bits_read_raw_long(r));
      // A graphics size beyond the object cannot be right: taken as it stands it would have the
      // blob read the following objects.
      if (size > dwg13_object_bits_left(r) / 8) return 0;
      TkBlob* blob = read_bytes_to_blob(r, size);
      if (!blob) return 0;
      if (graphics) {
        *graphics = blob;
      } else {
        blob_free(blob);
      }
    }
  }
  if (d->version < TK_VERSION_AC1015) r->size_in_bits = bits_read_raw_long(r);
  r->reactor_count = 0;
  if (!is_entity) r->reactor_count = bits_read_long(r);
  o->reactor_count = static_cast<uint32_t>(r->reactor_count);
  return type;
}

int16_t dwg_read_reactors(TkBitReader* r, uint32_t count, TkBlob** reactors) {
  *reactors = nullptr;
  if (count == 0) return 1;
  // Each reactor costs at least one byte of the object.
  if (count > dwg13_object_bits_left(r) / 8) return 0;
  TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  bool ok = w != nullptr;
  for (uint32_t i = 0; ok && i < count; ++i) {
    TkHandle h;
    bits_read_handle(r, &h);
    ok = blob_write(w, h.bytes, 8) != 0;
  }
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(blob);
    return 0;
  }
  *reactors = blob;
  return 1;
}

int16_t dwg_read_record_handles(TkBitReader* r, const TkHandle* own, TkHandle* owner, uint32_t reactor_count,
                                TkBlob** reactors, TkHandle* xdictionary, TkHandle* xref_block) {
  bits_read_handle_rel(r, own, owner);
  if (!dwg_read_reactors(r, reactor_count, reactors)) return 0;
  bits_read_handle(r, xdictionary);
  if (xref_block) bits_read_handle(r, xref_block);
  return 1;
}

int16_t dwg_read_object_handles(TkBitReader* r, const TkHandle* own, TkHandle* owner,
                                uint32_t reactor_count, TkBlob** reactors) {
  // Files give the owner relative to the object's own handle as often as not.
  bits_read_handle_rel(r, own, owner);
  if (!dwg_read_reactors(r, reactor_count, reactors)) return 0;
  TkHandle xdictionary;
  bits_read_handle(r, &xdictionary);
  return 1;
}

int16_t dwg_read_proxy_data(TkBitReader* r, TkBlob** out, uint32_t* bytes) {
  *out = nullptr;
  *bytes = 0;
  uint32_t bits = dwg13_bits_left(r);
  TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  bool ok = w != nullptr;
  uint8_t piece[256];
  uint32_t whole = bits / 8;
  while (ok && whole > 0) {
    uint32_t step = whole < sizeof piece ? whole : sizeof piece;
    bits_read_bytes(r, piece, step);
    ok = blob_write(w, piece, step) != 0;
    whole -= step;
  }
  uint32_t rest = bits % 8;
  if (ok && rest) {
    uint8_t last = 0;
    for (uint32_t i = 0; i < rest; ++i) last = static_cast<uint8_t>(last | bits_read_bit(r) << (7 - i));
    ok = blob_write(w, &last, 1) != 0;
  }
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(blob);
    return 0;
  }
  *out = blob;
  *bytes = (bits + 7) / 8;
  return 1;
}

int16_t dwg_read_proxy_handles(TkBitReader* r, TkBlob** out) {
  *out = nullptr;
  TkBlob* blob = nullptr;
  TkBlob* w = nullptr;
  bool ok = true;
  // Every reference takes at least one byte, so the object's end ends the loop.
  while (ok && dwg13_object_bits_left(r) >= 8) {
    if (!w) {
      blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
      w = blob ? blob_create(blob) : nullptr;
      if (!w) {
        ok = false;
        break;
      }
    }
    uint8_t record[9] = {};
    TkHandle h;
    bits_read_handle_ref(r, &h, &record[8]);
    std::memcpy(record, h.bytes, 8);
    ok = blob_write(w, record, sizeof record) != 0;
  }
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(blob);
    return 0;
  }
  *out = blob;
  return 1;
}
