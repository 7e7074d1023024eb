// Classes, block records, dimension styles, dictionaries, groups, XRECORDs and the other class
// objects of the bit-stream releases. Objects that have no record of their own in the database
// keep their data raw (with their handle references), so that nothing the file held is lost.
// Every count read from a stream is held against the bits left in the object before it drives a
// loop or an allocation.
#include "toolkit/read/dwg13_object_read.h"

#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/hidx.h"
#include "toolkit/core/load.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/dwg13_file.h"
#include "toolkit/read/dwg13_object.h"
#include "toolkit/read/dwg13_table.h"

namespace {

enum : uint16_t {
  type_block_header = 49,
  type_dimstyle = 69,
};

bool fits(TkBitReader* r, uint32_t count, uint32_t bits_each) {
  return count <= dwg13_object_bits_left(r) / bits_each;
}

// Notes the range of a block's entities for its walk.
int16_t note_range(Dwg13Objects* o, const Dwg13BlockRange& range) {
  for (size_t i = 0; i < o->range_count; ++i) {
    if (std::memcmp(o->ranges[i].block_record.bytes, range.block_record.bytes, 8) == 0) {
      o->ranges[i] = range;
      return 1;
    }
  }
  if (o->range_count == o->range_capacity) {
    size_t capacity = o->range_capacity ? o->range_capacity * 2 : 64;
    auto* grown = static_cast<Dwg13BlockRange*>(mem_alloc(capacity * sizeof(Dwg13BlockRange)));
    if (!grown) return 0;
    if (o->range_count) std::memcpy(grown, o->ranges, o->range_count * sizeof(Dwg13BlockRange));
    mem_free(o->ranges);
    o->ranges = grown;
    o->range_capacity = capacity;
  }
  o->ranges[o->range_count++] = range;
  return 1;
}

// Seeks and frames the object the objects list gave last; its type, 0 when it cannot.
uint16_t frame_current(TkDrawing* d, TkObjectHeader* h, uint8_t* xd) {
  Dwg13Objects* o = dwg13_objects(d);
  if (!dwg_objmap_seek(d, &o->current_object)) return 0;
  return dwg_read_object_start(d, &h->handle, xd, 0, nullptr);
}

void take_reactors(Dwg13Objects* o, TkObjectHeader* h) {
  if (h->reactors) h->reactor_count = o->reactor_count;
}

// The class record of a class number; null when the drawing has none of that number.
const TkClassRecord* class_of_number(const TkDrawing* d, uint16_t number) {
  for (const TkLink* l = list_first(&d->classes); l; l = l->next) {
    const auto* c = static_cast<const TkClassRecord*>(tk_link_data(l));
    if (c->number == number) return c;
  }
  return nullptr;
}

// Entities never stand in the objects list: neither proxy entities nor entities of classes (by
// the class slots, and by the class's own item kind).
bool is_entity_class(const TkDrawing* d, uint16_t type) {
  if (type == DWG13_TYPE_PROXY_ENTITY) return true;
  const TkClassSlot slots[] = {TK_CLASS_LWPOLYLINE, TK_CLASS_IMAGE,          TK_CLASS_OLE2FRAME,
                               TK_CLASS_HATCH,      TK_CLASS_ARCALIGNEDTEXT, TK_CLASS_WIPEOUT,
                               TK_CLASS_RTEXT};
  for (TkClassSlot s : slots)
    if (d->class_numbers[s] != 0 && d->class_numbers[s] == type) return true;
  const TkClassRecord* c = class_of_number(d, type);
  return c && c->item_class == TK_CLASS_ITEM_ENTITY;
}

// A blob written item by item, made at its first item; kept only when every write succeeded.
struct BlobOut {
  TkBlob* blob = nullptr;
  TkBlob* writer = nullptr;
  bool failed = false;
  BlobOut() = default;
  BlobOut(const BlobOut&) = delete;
  BlobOut& operator=(const BlobOut&) = delete;
  ~BlobOut() {
    if (writer) blob_close_write(writer);
    blob_free(blob);
  }
  bool open() {
    if (writer || failed) return !failed;
    blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
    writer = blob ? blob_create(blob) : nullptr;
    if (!writer) failed = true;
    return !failed;
  }
  bool write(const void* bytes, size_t n) {
    if (!open()) return false;
    if (!blob_write(writer, bytes, n)) failed = true;
    return !failed;
  }
  bool close(TkBlob** out) {
    if (writer && !blob_close_write(writer)) failed = true;
    writer = nullptr;
    if (failed) {
      blob_free(blob);
      blob = nullptr;
      return false;
    }
    blob_free(*out);
    *out = blob;
    blob = nullptr;
    return true;
  }
};

// A class object whose stream lies (a count beyond what is left, a read past its end).
int16_t bad_object() { return tk_fail(TK_ERR_BAD_OBJECT); }

// The handles of `count` references from the stream into a blob of 8-byte handles; each takes
// at least a byte of what is left.
bool read_handles(TkBitReader* r, uint32_t count, TkBlob** out) {
  if (!fits(r, count, 8)) return false;
  BlobOut handles;
  if (count) handles.open();
  for (uint32_t i = 0; i < count; ++i) {
    TkHandle h;
    bits_read_handle(r, &h);
    handles.write(h.bytes, 8);
  }
  return handles.close(out) && !r->past_end;
}

// The object's tail: the rest of its data passed over (the handle stream of the 2000 release
// starts where the frame says the data ends), owner, reactors, extension dictionary.
bool read_tail(TkDrawing* d, TkBitReader* r, TkObjectHeader* h) {
  if (d->version >= TK_VERSION_AC1015) {
    uint32_t rest = dwg13_bits_left(r);
    if (rest) bits_skip(r, rest);
  }
  Dwg13Objects* o = dwg13_objects(d);
  if (!dwg_read_object_handles(r, &h->handle, &h->owner, o->reactor_count, &h->reactors))
    return false;
  take_reactors(o, h);
  return !r->past_end;
}

// The raw class data up to the data's end and the handle references after the tail.
bool read_raw(TkDrawing* d, TkBitReader* r, TkObjectHeader* h, TkRawObjectData* raw) {
  uint32_t bytes = 0;
  uint32_t bits = dwg13_bits_left(r);
  TkBlob* data = nullptr;
  if (!dwg_read_proxy_data(r, &data, &bytes)) return false;
  blob_free(raw->data);
  raw->data = data;
  raw->bit_length = bits;
  if (!read_tail(d, r, h)) return false;
  TkBlob* handles = nullptr;
  if (!dwg_read_proxy_handles(r, &handles)) return false;
  blob_free(raw->handles);
  raw->handles = handles;
  return true;
}

// A SPATIAL_FILTER: the boundary, plane and clip settings; a distance whose clip is off is not in
// the stream; each transform's 3 rows of 4 are kept as 4 rows of 3.
bool read_spatial_filter(TkBitReader* r, TkSpatialFilterData* f) {
  int16_t count = bits_read_short(r);
  // Each point takes two raw doubles.
  if (count < 0 || !fits(r, static_cast<uint32_t>(count), 128)) return false;
  f->point_count = count;
  BlobOut points;
  if (count) points.open();
  for (int16_t i = 0; i < count; ++i) {
    double p[2];
    bits_read_2rd(r, p);
    points.write(p, sizeof p);
  }
  if (!points.close(&f->points)) return false;
  bits_read_3bd(r, f->extrusion);
  bits_read_3bd(r, f->origin);
  f->display_boundary = bits_read_short(r);
  f->front_clip = bits_read_short(r);
  f->front_distance = f->front_clip ? bits_read_double(r) : 0.0;
  f->back_clip = bits_read_short(r);
  f->back_distance = f->back_clip ? bits_read_double(r) : 0.0;
  for (int k = 0; k < 24; ++k) {
    int v = k % 12;
    double* t = k < 12 ? f->inverse_block_transform : f->clip_transform;
    t[(v % 4) * 3 + v / 4] = bits_read_double(r);
  }
  return !r->past_end;
}

// Dictionary entries: the names in the data, their objects' handles after the tail.
bool read_entry_names(TkBitReader* r, uint32_t count, TkBlob** names) {
  // An entry takes at least 10 bits, an empty name's length (2) and a handle (8).
  if (!fits(r, count, 10)) return false;
  BlobOut out;
  if (count) out.open();
  char name[TK_OBJECT_NAME_SIZE];
  for (uint32_t i = 0; i < count; ++i) {
    name[0] = 0;
    bits_read_text(r, name, sizeof name);
    auto n = static_cast<uint16_t>(strnlen(name, sizeof name - 1));
    out.write(&n, 2);
    out.write(name, n);
  }
  return out.close(names) && !r->past_end;
}

bool write_entries(TkBitReader* r, uint32_t count, TkBlob* names, TkBlob** entries) {
  TkBlob* nr = names ? blob_open_read(names) : nullptr;
  if (names && !nr) return false;
  BlobOut out;
  out.open();
  TkDictEntry entry{};
  bool ok = true;
  for (uint32_t i = 0; ok && i < count; ++i) {
    uint16_t n = 0;
    ok = blob_read(nr, &n, 2) && n < sizeof entry.name && (n == 0 || blob_read(nr, entry.name, n));
    if (!ok) break;
    entry.name[n] = 0;
    bits_read_handle(r, &entry.object);
    ok = tk_dict_entry_write(out.writer, &entry) != 0;
  }
  if (nr) blob_close(nr);
  if (!ok) out.failed = true;
  return out.close(entries) && !r->past_end;
}

// The plot settings that open a LAYOUT (and make up a PLOTSETTINGS object).
void read_plot_settings(TkBitReader* r, TkPlotSettings* p) {
  bits_read_text(r, p->page_setup, sizeof p->page_setup);
  bits_read_text(r, p->printer, sizeof p->printer);
  p->layout_flags = bits_read_short(r);
  for (double& m : p->margins) m = bits_read_double(r);
  p->paper_width = bits_read_double(r);
  p->paper_height = bits_read_double(r);
  bits_read_text(r, p->paper_size, sizeof p->paper_size);
  p->origin[0] = bits_read_double(r);
  p->origin[1] = bits_read_double(r);
  p->paper_units = bits_read_short(r);
  p->rotation = bits_read_short(r);
  p->plot_type = bits_read_short(r);
  p->window_min[0] = bits_read_double(r);
  p->window_min[1] = bits_read_double(r);
  p->window_max[0] = bits_read_double(r);
  p->window_max[1] = bits_read_double(r);
  bits_read_text(r, p->plot_view, sizeof p->plot_view);
  p->real_world_units = bits_read_double(r);
  p->drawing_units = bits_read_double(r);
  bits_read_text(r, p->style_sheet, sizeof p->style_sheet);
  p->scale_type = bits_read_short(r);
  p->scale_factor = bits_read_double(r);
  p->image_origin[0] = bits_read_double(r);
  p->image_origin[1] = bits_read_double(r);
}

// Counts the group items of raw XRECORD data, as the database's group-item form reads them.
uint32_t count_group_items(const uint8_t* p, size_t n) {
  uint32_t items = 0;
  size_t at = 0;
  while (at + 2 <= n) {
    uint16_t code = static_cast<uint16_t>(p[at] | p[at + 1] << 8);
    at += 2;
    size_t size;
    if (code <= 9 || code == 100 || code == 102 || (code >= 300 && code <= 309) ||
        (code >= 999 && code <= 1003) || (code >= 1005 && code <= 1008)) {
      if (at + 3 > n) break;
      size = 3u + static_cast<size_t>(p[at] | p[at + 1] << 8);
    } else if (code == 1004 || (code >= 310 && code <= 319)) {
      if (at + 1 > n) break;
      size = 1u + p[at];
    } else if ((code >= 10 && code <= 19) || (code >= 1010 && code <= 1019)) {
      size = 24;
    } else if ((code >= 60 && code <= 79) || (code >= 170 && code <= 175) ||
               (code >= 1060 && code <= 1070)) {
      size = 2;
    } else if ((code >= 90 && code <= 99) || code == 1071) {
      size = 4;
    } else if ((code >= 39 && code <= 59) || (code >= 140 && code <= 147) ||
               (code >= 1039 && code <= 1059)) {
      size = 8;
    } else if (code >= 320 && code <= 369) {
      size = 8;
    } else {
      break;
    }
    if (at + size > n) break;
    at += size;
    ++items;
  }
  return items;
}

}  // namespace

// ---- classes ----

int16_t dwg_seek_classes(TkDrawing* d) {
  Dwg13File* f = dwg13_file(d);
  if (!f || f->classes_seeker == 0) return 0;
  // Sentinel (16 bytes), RL size, the records, the CRC.
  uint32_t start = f->classes_seeker + 16;
  if (start > f->file_length || f->file_length - start < 4) return 0;
  uint8_t word[4];
  if (file_seek(d->file, start, 0) != 0 || file_read(word, 1, 4, d->file) != 4) return 0;
  uint32_t size = static_cast<uint32_t>(word[0] | word[1] << 8 | word[2] << 16) |
                  static_cast<uint32_t>(word[3]) << 24;
  uint32_t data_start = start + 4;
  if (size > f->file_length - data_start) size = f->file_length - data_start;
  if (size + 2u > TK_BITS_WINDOW_SIZE) size = TK_BITS_WINDOW_SIZE - 2;
  uint32_t end = data_start + size + 2 <= f->file_length ? data_start + size + 2 : data_start + size;
  TkBitReader* r = f->bits;
  bits_open_file(r, d->file, start, data_start, end - data_start, 1, end);
  r->data_size = size;
  return 1;
}

int16_t dwg_read_class(TkDrawing* d, TkClassRecord* c) {
  TkBitReader* r = dwg13_bits(d);
  // The section ends by position: fewer than 2 bytes left is its end.
  if (bits_remaining(r) < 16 || r->past_end) return 0;
  std::memset(c, 0, sizeof *c);
  c->number = static_cast<uint16_t>(bits_read_short(r));
  c->proxy_flags = bits_read_short(r);
  bits_read_text(r, c->application, sizeof c->application);
  bits_read_text(r, c->class_name, sizeof c->class_name);
  bits_read_text(r, c->dxf_name, sizeof c->dxf_name);
  c->was_proxy = bits_read_bit(r);
  c->item_class = bits_read_short(r);
  return r->past_end ? 0 : 1;
}

// ---- block records ----

int16_t dwg_read_block_header(TkDrawing* d, TkBlockRecord* b, Dwg13BlockRange* range) {
  Dwg13Objects* o = dwg13_objects(d);
  TkBitReader* r = dwg13_bits(d);
  TkHandle handle;
  if (dwg_read_object_start(d, &handle, nullptr, 0, nullptr) != type_block_header) return 0;
  bool r15 = d->version >= TK_VERSION_AC1015;
  b->handle = handle;
  bits_read_text(r, b->name, sizeof b->name);
  if (bits_read_bit(r)) b->flags |= 64;
  b->index = static_cast<int16_t>(bits_read_short(r) - 1);
  if (bits_read_bit(r)) b->flags |= 16;
  if (bits_read_bit(r)) b->flags |= 1;
  if (bits_read_bit(r)) b->flags |= 2;
  bool xref = bits_read_bit(r);
  if (xref) b->flags |= 4;
  bool overlaid = bits_read_bit(r);
  if (overlaid) b->flags |= 8;
  if (r15) {
    bool loaded = bits_read_bit(r);
    if (!loaded && xref && static_cast<uint16_t>(b->index) >= 65535) b->index = 0;
  }
  double base[3];
  bits_read_3bd(r, base);
  char path[256];
  bits_read_text(r, path, sizeof path);
  uint32_t inserts = 0;
  if (r15) {
    // A run of bytes ending with 0, one per insert handle; bounded by the object.
    while (dwg13_object_bits_left(r) >= 8 && bits_read_char(r) != 0) ++inserts;
    char description[512];
    bits_read_text(r, description, sizeof description);
    uint32_t preview = static_cast<uint32_t>(bits_read_long(r));
    if (preview > 0 && fits(r, preview, 8)) {
      TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
      TkBlob* w = blob ? blob_create(blob) : nullptr;
      bool ok = w != nullptr;
      uint8_t piece[512];
      for (uint32_t left = preview; ok && left > 0;) {
        uint32_t step = left < sizeof piece ? left : sizeof piece;
        bits_read_bytes(r, piece, step);
        ok = blob_write(w, piece, step) != 0;
        left -= step;
      }
      if (w && !blob_close_write(w)) ok = false;
      if (!ok) {
        blob_free(blob);
        return 0;
      }
      b->first_blob = blob;
    }
  }
  TkHandle xdictionary, xref_block;
  TkBlob* reactors = nullptr;
  if (!dwg_read_record_handles(r, &b->handle, &b->owner, o->reactor_count, &reactors,
                               &xdictionary, &xref_block)) {
    blob_free(b->first_blob);
    b->first_blob = nullptr;
    return 0;
  }
  blob_free(reactors);  // the block record keeps none
  Dwg13BlockRange range_read{};
  range_read.block_record = b->handle;
  bits_read_handle(r, &range_read.block);
  if (!xref && !overlaid) {
    bits_read_handle(r, &range_read.first);
    bits_read_handle(r, &range_read.last);
  }
  bits_read_handle(r, &range_read.endblk);
  if (r15) {
    for (uint32_t i = 0; i < inserts && dwg13_object_bits_left(r) >= 8; ++i) {
      TkHandle insert;
      bits_read_handle(r, &insert);
    }
    bits_read_handle(r, &b->layout);
  }
  if (range) *range = range_read;
  return 1;
}

int16_t dwg13_read_space_ranges(TkDrawing* d) {
  Dwg13Objects* o = dwg13_objects(d);
  if (o->spaces_read) return 1;
  o->spaces_read = 1;
  const struct {
    int fixed;
    Dwg13BlockRange* range;
  } spaces[] = {{DWG13_HELD_MODEL_BLOCK_RECORD, &o->model},
                {DWG13_HELD_PAPER_BLOCK_RECORD, &o->paper}};
  Dwg13File* f = dwg13_file(d);
  if (!f) return 0;
  for (const auto& s : spaces) {
    *s.range = Dwg13BlockRange{};
    const TkHandle* held = &f->held[s.fixed];
    if (tk_handle_is_null(held) || !dwg_objmap_seek(d, held)) continue;
    TkBlockRecord record;
    tk_init_block_record(&record);
    if (!dwg_read_block_header(d, &record, s.range)) {
      *s.range = Dwg13BlockRange{};
      continue;
    }
    blob_free(record.first_blob);
    if (!note_range(o, *s.range)) return 0;
    // The space blocks' BLOCK and ENDBLK entities are no list's; the drawing keeps their handles
    // so that a drawing written back names the same ones.
    TkHandle* keep = d->further + (s.range == &o->model ? 0 : 2);
    if (!tk_handle_is_null(&s.range->block)) keep[0] = s.range->block;
    if (!tk_handle_is_null(&s.range->endblk)) keep[1] = s.range->endblk;
  }
  return 1;
}

int16_t dwg_seek_block_records(TkDrawing* d) {
  Dwg13Objects* o = dwg13_objects(d);
  o->block_index = 0;
  return dwg13_table_begin(d, DWG13_CONTROL_BLOCK);
}

int16_t dwg_read_block_record(TkDrawing* d, TkBlockRecord* b, uint8_t* xd) {
  Dwg13Objects* o = dwg13_objects(d);
  *xd = 0;
  // A handle the map does not hold, or an object of another type, is passed over for the next.
  TkHandle handle;
  while (dwg13_table_next(d, &handle)) {
    if (!dwg_objmap_seek(d, &handle)) continue;
    tk_init_block_record(b);
    Dwg13BlockRange range{};
    if (!dwg_read_block_header(d, b, &range)) continue;
    if (!note_range(o, range)) {
      blob_free(b->first_blob);
      b->first_blob = nullptr;
      return tk_fail_alloc(TK_ERR_ALLOC_STRUCTURE);
    }
    ++o->block_index;
    return 1;
  }
  return 0;
}

// ---- dimension styles ----

int16_t dwg_begin_dimstyles(TkDrawing* d) { return dwg13_table_begin(d, DWG13_CONTROL_DIMSTYLE); }

namespace {

// Queues an arrow name for the display to build its block.
int16_t queue_arrow(Dwg13Objects* o, const TkHandle& style, int16_t group, const char* name) {
  if (!o->arrow_names) {
    o->arrow_names = blob_alloc(TK_BLOB_CHUNK_SIZE);
    if (!o->arrow_names) return 0;
  }
  Dwg13ArrowName entry{};
  entry.dimstyle = style;
  entry.group = group;
  size_t n = strnlen(name, sizeof entry.name - 1);
  std::memcpy(entry.name, name, n);
  entry.name[n] = 0;
  TkBlob* w = blob_open_append(o->arrow_names);
  if (!w) return 0;
  int16_t ok = blob_write(w, &entry, sizeof entry);
  return blob_close_append(w) && ok;
}

}  // namespace

int16_t dwg_read_dimstyle(TkDrawing* d, TkDimStyleRecord* s, uint8_t* xd) {
  Dwg13Objects* o = dwg13_objects(d);
  TkBitReader* r = dwg13_bits(d);
  tk_init_dimstyle_record(d, s);
  *xd = 0;
  if (!dwg13_table_next(d, &s->handle)) return 0;
  int16_t xref_index;
  if (!dwg13_record_start(d, &s->handle, type_dimstyle, s->name, &s->flags, &xref_index, xd))
    return 0;
  bool r15 = d->version >= TK_VERSION_AC1015;
  // Arrow names of the older releases: longer than a name field, cut after reading.
  char blocks[3][1024] = {};
  if (r15) {
    bits_read_text(r, s->dimpost, sizeof s->dimpost);
    bits_read_text(r, s->dimapost, sizeof s->dimapost);
    s->dimscale = bits_read_double(r);
    s->dimasz = bits_read_double(r);
    s->dimexo = bits_read_double(r);
    s->dimdli = bits_read_double(r);
    s->dimexe = bits_read_double(r);
    s->dimrnd = bits_read_double(r);
    s->dimdle = bits_read_double(r);
    s->dimtp = bits_read_double(r);
    s->dimtm = bits_read_double(r);
    s->dimtol = static_cast<uint8_t>(bits_read_bit(r));
    s->dimlim = static_cast<uint8_t>(bits_read_bit(r));
    s->dimtih = static_cast<uint8_t>(bits_read_bit(r));
    s->dimtoh = static_cast<uint8_t>(bits_read_bit(r));
    s->dimse1 = static_cast<uint8_t>(bits_read_bit(r));
    s->dimse2 = static_cast<uint8_t>(bits_read_bit(r));
    s->dimtad = static_cast<uint8_t>(bits_read_short(r));
    s->dimzin = static_cast<uint8_t>(bits_read_short(r));
    s->dimazin = bits_read_short(r);
    s->dimtxt = bits_read_double(r);
    s->dimcen = bits_read_double(r);
    s->dimtsz = bits_read_double(r);
    s->dimaltf = bits_read_double(r);
    s->dimlfac = bits_read_double(r);
    s->dimtvp = bits_read_double(r);
    s->dimtfac = bits_read_double(r);
    s->dimgap = bits_read_double(r);
    s->dimaltrnd = bits_read_double(r);
    s->dimalt = static_cast<uint8_t>(bits_read_bit(r));
    s->dimaltd = static_cast<uint8_t>(bits_read_short(r));
    s->dimtofl = static_cast<uint8_t>(bits_read_bit(r));
    s->dimsah = static_cast<uint8_t>(bits_read_bit(r));
    s->dimtix = static_cast<uint8_t>(bits_read_bit(r));
    s->dimsoxd = static_cast<uint8_t>(bits_read_bit(r));
    s->dimclrd = bits_read_short(r);
    s->dimclre = bits_read_short(r);
    s->dimclrt = bits_read_short(r);
    s->dimadec = bits_read_short(r);
    s->dimdec = bits_read_short(r);
    s->dimtdec = bits_read_short(r);
    s->dimaltu = bits_read_short(r);
    s->dimalttd = bits_read_short(r);
    s->dimaunit = bits_read_short(r);
    s->dimfrac = bits_read_short(r);
    s->dimlunit = bits_read_short(r);
    s->dimdsep = bits_read_short(r);
    s->dimtmove = bits_read_short(r);
    s->dimjust = static_cast<uint8_t>(bits_read_short(r));
    s->dimsd1 = static_cast<uint8_t>(bits_read_bit(r));
    s->dimsd2 = static_cast<uint8_t>(bits_read_bit(r));
    s->dimtolj = static_cast<uint8_t>(bits_read_short(r));
    s->dimtzin = static_cast<uint8_t>(bits_read_short(r));
    s->dimaltz = static_cast<uint8_t>(bits_read_short(r));
    s->dimalttz = static_cast<uint8_t>(bits_read_short(r));
    s->dimupt = static_cast<uint8_t>(bits_read_bit(r));
    s->dimfit = static_cast<uint8_t>(bits_read_short(r));
    s->dimlwd = bits_read_short(r);
    s->dimlwe = bits_read_short(r);
  } else {
    uint8_t flags = bits_read_char(r);
    s->dimtol = (flags >> 7) & 1;
    s->dimlim = (flags >> 6) & 1;
    s->dimtih = (flags >> 5) & 1;
    s->dimtoh = (flags >> 4) & 1;
    s->dimse1 = (flags >> 3) & 1;
    s->dimse2 = (flags >> 2) & 1;
    s->dimalt = (flags >> 1) & 1;
    s->dimtofl = flags & 1;
    s->dimsah = static_cast<uint8_t>(bits_read_bit(r));
    s->dimtix = static_cast<uint8_t>(bits_read_bit(r));
    s->dimsoxd = static_cast<uint8_t>(bits_read_bit(r));
    s->dimaltd = bits_read_char(r);
    s->dimzin = bits_read_char(r);
    s->dimsd1 = static_cast<uint8_t>(bits_read_bit(r));
    s->dimsd2 = static_cast<uint8_t>(bits_read_bit(r));
    s->dimtolj = bits_read_char(r);
    s->dimjust = bits_read_char(r);
    s->dimfit = bits_read_char(r);
    s->dimupt = static_cast<uint8_t>(bits_read_bit(r));
    s->dimtzin = bits_read_char(r);
    s->dimaltz = bits_read_char(r);
    s->dimalttz = bits_read_char(r);
    s->dimtad = bits_read_char(r);
    s->dimlunit = bits_read_short(r);
    s->dimaunit = bits_read_short(r);
    s->dimdec = bits_read_short(r);
    s->dimtdec = bits_read_short(r);
    s->dimaltu = bits_read_short(r);
    s->dimalttd = bits_read_short(r);
    s->dimscale = bits_read_double(r);
    s->dimasz = bits_read_double(r);
    s->dimexo = bits_read_double(r);
    s->dimdli = bits_read_double(r);
    s->dimexe = bits_read_double(r);
    s->dimrnd = bits_read_double(r);
    s->dimdle = bits_read_double(r);
    s->dimtp = bits_read_double(r);
    s->dimtm = bits_read_double(r);
    s->dimtxt = bits_read_double(r);
    s->dimcen = bits_read_double(r);
    s->dimtsz = bits_read_double(r);
    s->dimaltf = bits_read_double(r);
    s->dimlfac = bits_read_double(r);
    s->dimtvp = bits_read_double(r);
    s->dimtfac = bits_read_double(r);
    s->dimgap = bits_read_double(r);
    bits_read_text(r, s->dimpost, sizeof s->dimpost);
    bits_read_text(r, s->dimapost, sizeof s->dimapost);
    for (auto& name : blocks) bits_read_text(r, name, sizeof name);
    s->dimclrd = bits_read_short(r);
    s->dimclre = bits_read_short(r);
    s->dimclrt = bits_read_short(r);
    s->dimazin = 0;
    s->dimadec = 0;
    s->dimaltrnd = 0.0;
    s->dimfrac = 0;
    s->dimdsep = '.';
    s->dimtmove = 0;
    bits_skip(r, 1);
  }
  // The 2000 release's handles begin where the frame says the data ends (after a bit the
  // fields above leave).
  if (r15) {
    uint32_t rest = dwg13_bits_left(r);
    if (rest) bits_skip(r, rest);
  }
  TkHandle xref;
  if (!dwg_read_record_handles(r, &s->handle, &s->owner, o->reactor_count, &s->reactors,
                               &s->xdict, &xref))
    return 0;
  if (s->reactors) s->reactor_count = o->reactor_count;
  bits_read_handle(r, &s->dimtxsty);
  if (r15) {
    bits_read_handle(r, &s->dimldrblk);
    bits_read_handle(r, &s->dimblk);
    bits_read_handle(r, &s->dimblk1);
    bits_read_handle(r, &s->dimblk2);
    return 1;
  }
  TkHandle* arrows[3] = {&s->dimblk, &s->dimblk1, &s->dimblk2};
  for (int i = 0; i < 3; ++i) {
    if (!blocks[i][0]) continue;
    if (tk_find_record_by_name(d, blocks[i], arrows[i])) continue;
    *arrows[i] = TkHandle{};
    if (!queue_arrow(o, s->handle, static_cast<int16_t>(5 + i), blocks[i]))
      return tk_fail_alloc(TK_ERR_ALLOC_STRUCTURE);
  }
  return 1;
}

int16_t dwg13_arrow_name(TkDrawing* d, size_t index, Dwg13ArrowName* out) {
  Dwg13Objects* o = dwg13_objects(d);
  if (!o->arrow_names) return 0;
  TkBlob* rd = blob_open_read(o->arrow_names);
  if (!rd) return 0;
  int16_t ok = blob_seek(rd, static_cast<int32_t>(index * sizeof *out)) &&
               blob_read(rd, out, sizeof *out);
  blob_close(rd);
  return ok;
}

// ---- the objects section ----

int16_t dwg13_begin_objects(TkDrawing* d) {
  Dwg13Objects* o = dwg13_objects(d);
  if (!dwg13_ensure_fixed_classes(d)) return 0;
  if (o->pending_reader) blob_close(o->pending_reader);
  blob_free(o->pending_objects);
  o->pending_reader = nullptr;
  o->pending_objects = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = o->pending_objects ? blob_create(o->pending_objects) : nullptr;
  bool ok = w != nullptr;
  auto add = [&](const TkHandle& h) {
    uint8_t compact[9];
    size_t n = tk_handle_to_compact(&h, compact);
    ok = ok && blob_write(w, compact, n);
  };
  // The root of the object tree first, so that the dictionaries below it find it stored.
  TkHandle root = d->named_objects;
  bool has_root = !tk_handle_is_null(&root) && !hidx_lookup(&d->index, &root);
  if (has_root) add(root);
  // The map's handles, in map order (ascending), through the file layer's one map reader.
  int32_t count = dwg13_object_count(d);
  TkHandle* handles =
      count > 0 ? static_cast<TkHandle*>(mem_alloc(sizeof(TkHandle) * size_t(count))) : nullptr;
  if (count > 0 && !handles) ok = false;
  int32_t listed = handles ? dwg13_map_handles(d, handles, count) : 0;
  for (int32_t i = 0; ok && i < listed; ++i) {
    const TkHandle& h = handles[i];
    if (tk_handle_is_null(&h) || hidx_lookup(&d->index, &h)) continue;
    if (has_root && tk_handle_compare(&h, &root) == 0) continue;
    add(h);
  }
  mem_free(handles);
  if (w && !blob_close_write(w)) ok = false;
  if (ok) o->pending_reader = blob_open_read(o->pending_objects);
  if (!ok || !o->pending_reader) {
    blob_free(o->pending_objects);
    o->pending_objects = nullptr;
    return tk_fail_alloc(TK_ERR_ALLOC_STRUCTURE);
  }
  return 1;
}

int16_t dwg13_next_object_kind(TkDrawing* d) {
  Dwg13Objects* o = dwg13_objects(d);
  if (!o->pending_reader) return TK_OBJECT_KIND_NONE;
  for (;;) {
    uint8_t n;
    TkHandle h{};
    if (!blob_read_byte(o->pending_reader, &n) || n > 8 ||
        !blob_read(o->pending_reader, h.bytes + 8 - n, n))
      return TK_OBJECT_KIND_NONE;
    if (!dwg_objmap_seek(d, &h)) continue;
    TkHandle own;
    uint16_t type = dwg_read_object_start(d, &own, nullptr, 0, nullptr);
    if (type == 0) continue;
    if (d->version >= TK_VERSION_AC1015 && type == DWG13_TYPE_XRECORD) {
      type = tk_class_xrecord(d);
      if (type == 0) continue;
    }
    o->current_object = h;
    if (type == DWG13_TYPE_DICTIONARY) return TK_OBJECT_KIND_DICTIONARY;
    if (type == DWG13_TYPE_MLINESTYLE) return TK_OBJECT_KIND_MLINESTYLE;
    if (type == DWG13_TYPE_GROUP) return TK_OBJECT_KIND_GROUP;
    if (type >= DWG13_TYPE_PROXY_ENTITY && !is_entity_class(d, type)) {
      o->current_type = type;
      // Plot settings have a reader operation of their own.
      const TkClassRecord* c = class_of_number(d, type);
      if (c && tk_name_compare(c->dxf_name, "PLOTSETTINGS") == 0) return TK_OBJECT_KIND_PLOTSETTINGS;
      return static_cast<int16_t>(type);
    }
  }
}

int16_t dwg_read_dictionary(TkDrawing* d, TkObjectHeader* h, TkObjectData* v, uint8_t* xd) {
  Dwg13Objects* o = dwg13_objects(d);
  TkBitReader* r = dwg13_bits(d);
  h->type = TK_OBJ_DICTIONARY;
  if (frame_current(d, h, xd) != DWG13_TYPE_DICTIONARY) return 0;
  TkDictionaryData& dict = v->dictionary;
  uint32_t count = static_cast<uint32_t>(bits_read_long(r));
  if (d->version == TK_VERSION_AC1015) {
    dict.cloning = bits_read_short(r);
    dict.hard_owner = bits_read_char(r);
  } else {
    if (d->version == TK_VERSION_AC1014) bits_read_char(r);
    dict.cloning = 1;
    dict.hard_owner = 0;
  }
  // An entry takes at least 10 bits, an empty name's length (2) and a handle's code and counter
  // (8); the bound keeps a hostile count from driving the loops below.
  if (!fits(r, count, 10)) return 0;
  // The names come before the handles they go with. They wait packed in a scratch blob that
  // grows with what is read, not in a whole entry record each, which the count alone would
  // size at hundreds of bytes per bit of the object.
  TkBlob* names = count ? blob_alloc(TK_BLOB_CHUNK_SIZE) : nullptr;
  TkBlob* nw = names ? blob_create(names) : nullptr;
  if (count && !nw) {
    blob_free(names);
    return tk_fail_alloc(TK_ERR_ALLOC_STRUCTURE);
  }
  TkDictEntry entry{};
  bool ok = true;
  for (uint32_t i = 0; ok && i < count; ++i) {
    entry.name[0] = 0;
    bits_read_text(r, entry.name, sizeof entry.name);
    ok = blob_write_string(nw, entry.name) != 0;
  }
  if (nw && !blob_close_write(nw)) ok = false;
  ok = ok && dwg_read_object_handles(r, &h->handle, &h->owner, o->reactor_count, &h->reactors) != 0;
  take_reactors(o, h);
  TkBlob* nr = ok && names ? blob_open_read(names) : nullptr;
  if (names && !nr) ok = false;
  TkBlob* blob = ok ? blob_alloc(TK_BLOB_CHUNK_SIZE) : nullptr;
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  ok = w != nullptr;
  for (uint32_t i = 0; ok && i < count; ++i) {
    // Read back as written: a length and its characters (an empty name has none to read).
    int16_t n = 0;
    ok = blob_read_short_raw(nr, &n) && n >= 0 && size_t(n) < sizeof entry.name &&
         (n == 0 || blob_read(nr, entry.name, size_t(n)));
    if (ok) entry.name[n] = 0;
    bits_read_handle(r, &entry.object);
    ok = ok && tk_dict_entry_write(w, &entry) != 0;
  }
  if (w && !blob_close_write(w)) ok = false;
  if (nr) blob_close(nr);
  blob_free(names);
  if (!ok) {
    blob_free(blob);
    return 0;
  }
  blob_free(dict.entries);
  dict.entries = blob;
  dict.entry_count = count;
  return 1;
}

int16_t dwg_read_group(TkDrawing* d, TkObjectHeader* h, TkObjectData* v, uint8_t* xd) {
  Dwg13Objects* o = dwg13_objects(d);
  TkBitReader* r = dwg13_bits(d);
  h->type = TK_OBJ_GROUP;
  if (frame_current(d, h, xd) != DWG13_TYPE_GROUP) return 0;
  TkGroupData& g = v->group;
  bits_read_text(r, g.description, sizeof g.description);
  g.unnamed = bits_read_short(r);
  g.selectable = bits_read_short(r);
  uint32_t count = static_cast<uint32_t>(bits_read_long(r));
  if (!dwg_read_object_handles(r, &h->handle, &h->owner, o->reactor_count, &h->reactors)) return 0;
  take_reactors(o, h);
  if (!fits(r, count, 8)) count = 0;
  TkBlob* blob = nullptr;
  if (count && !dwg_read_reactors(r, count, &blob)) return 0;
  blob_free(g.entities);
  g.entities = blob;
  g.entity_count = count;
  return 1;
}

int16_t dwg_read_mlinestyle_object(TkDrawing* d, TkObjectHeader* h, TkObjectData* v,
                                   uint8_t* xd) {
  if (!dwg_objmap_seek(d, &dwg13_objects(d)->current_object)) return 0;
  return dwg13_read_mlinestyle(d, h, v, xd);
}

int16_t dwg_read_plotsettings(TkDrawing* d, TkObjectHeader* h, TkObjectData* v, uint8_t* xd) {
  TkBitReader* r = dwg13_bits(d);
  h->type = TK_OBJ_PLOTSETTINGS;
  if (frame_current(d, h, xd) == 0) return 0;
  h->type = TK_OBJ_PLOTSETTINGS;
  read_plot_settings(r, &v->plotsettings);
  if (r->past_end || !read_tail(d, r, h)) return bad_object();
  return 1;
}

int16_t dwg_read_class_object(TkDrawing* d, TkObjectHeader* h, TkObjectData* v, uint8_t* xd) {
  TkBitReader* r = dwg13_bits(d);
  uint16_t type = frame_current(d, h, xd);
  if (type == 0) return 0;
  if (d->version >= TK_VERSION_AC1015 && type == DWG13_TYPE_XRECORD) type = tk_class_xrecord(d);
  bool proxy = d->version >= TK_VERSION_AC1015 && type == DWG13_TYPE_PROXY_OBJECT;
  if (proxy) {
    // The class the proxy stands for, when it is one whose objects keep raw data.
    auto id = static_cast<uint32_t>(bits_read_long(r));
    bits_read_long(r);
    bits_read_bit(r);
    if (id > 0 && id < 65536 &&
        tk_object_data_kind(d, static_cast<uint16_t>(id)) == TK_OBJDATA_GENERIC)
      type = static_cast<uint16_t>(id);
  }
  h->type = type;
  {
    TkObjectHeader scratch{};
    scratch.type = type;
    tk_init_object(d, &scratch, v);
  }
  bool ok = true;
  switch (proxy ? TK_OBJDATA_GENERIC : tk_object_data_kind(d, type)) {
    case TK_OBJDATA_XRECORD: {
      TkXrecordData& x = v->xrecord;
      uint32_t size = static_cast<uint32_t>(bits_read_long(r));
      if (!fits(r, size, 8)) return bad_object();
      uint8_t* bytes = size ? static_cast<uint8_t*>(mem_alloc(size)) : nullptr;
      if (size && !bytes) return tk_fail_alloc(TK_ERR_ALLOC_STRUCTURE);
      if (size) bits_read_bytes(r, bytes, size);
      BlobOut items;
      items.open();
      if (size) items.write(bytes, size);
      x.item_count = count_group_items(bytes, size);
      mem_free(bytes);
      if (!items.close(&x.items)) return tk_fail_alloc(TK_ERR_ALLOC_STRUCTURE);
      x.cloning = d->version >= TK_VERSION_AC1015 ? bits_read_short(r) : 0;
      ok = read_tail(d, r, h);
      break;
    }
    case TK_OBJDATA_IDBUFFER: {
      bits_read_char(r);
      auto count = static_cast<uint32_t>(bits_read_long(r));
      ok = read_tail(d, r, h) && read_handles(r, count, &v->idbuffer.handles);
      v->idbuffer.count = ok ? count : 0;
      break;
    }
    case TK_OBJDATA_DICTIONARYVAR:
      v->dictionaryvar.schema = bits_read_char(r);
      bits_read_text(r, v->dictionaryvar.value, 256);
      ok = read_tail(d, r, h);
      break;
    case TK_OBJDATA_IMAGEDEF_REACTOR: {
      v->imagedef_reactor.class_version = bits_read_long(r);
      ok = read_tail(d, r, h);
      // The image the reactor serves is its owner.
      BlobOut image;
      if (ok) image.write(h->owner.bytes, 8);
      ok = ok && image.close(&v->imagedef_reactor.image);
      break;
    }
    case TK_OBJDATA_IMAGEDEF: {
      TkImageDefData& x = v->imagedef;
      x.class_version = bits_read_long(r);
      bits_read_2rd(r, x.image_size);
      bits_read_text(r, x.path, sizeof x.path);
      x.loaded = static_cast<int16_t>(bits_read_bit(r));
      x.resolution_units = bits_read_char(r);
      bits_read_2rd(r, x.pixel_size);
      ok = read_tail(d, r, h);
      break;
    }
    case TK_OBJDATA_LAYER_INDEX: {
      TkLayerIndexData& x = v->layer_index;
      x.stamp.days = bits_read_long(r);
      x.stamp.msec = bits_read_long(r);
      auto count = static_cast<uint32_t>(bits_read_long(r));
      // An entry takes at least a BL (2 bits) and an empty text (2 bits).
      if (!fits(r, count, 4)) return bad_object();
      BlobOut entries;
      if (count) entries.open();
      char name[256];
      for (uint32_t i = 0; i < count; ++i) {
        int32_t index = bits_read_long(r);
        name[0] = 0;
        bits_read_text(r, name, sizeof name);
        auto n = static_cast<uint16_t>(strnlen(name, sizeof name - 1));
        entries.write(&index, 4);
        entries.write(&n, 2);
        if (n) entries.write(name, n);
      }
      if (r->past_end || !entries.close(&x.entries)) return bad_object();
      ok = read_tail(d, r, h) && read_handles(r, count, &x.handles);
      x.entry_count = ok ? count : 0;
      break;
    }
    case TK_OBJDATA_OBJECT_PTR: ok = read_raw(d, r, h, &v->object_ptr); break;
    case TK_OBJDATA_RASTERVARIABLES: {
      TkRasterVariablesData& x = v->rastervariables;
      x.class_version = bits_read_long(r);
      x.display_frame = bits_read_short(r);
      x.display_quality = bits_read_short(r);
      x.units = bits_read_short(r);
      ok = read_tail(d, r, h);
      break;
    }
    case TK_OBJDATA_SORTENTSTABLE: {
      TkSortEntsTableData& x = v->sortentstable;
      auto count = static_cast<uint32_t>(bits_read_long(r));
      ok = read_handles(r, count, &x.sort_handles) && read_tail(d, r, h);
      if (ok) bits_read_handle(r, &x.block_record);
      ok = ok && read_handles(r, count, &x.entity_handles);
      x.count = ok ? count : 0;
      break;
    }
    case TK_OBJDATA_SPATIAL_FILTER:
      ok = read_spatial_filter(r, &v->spatial_filter) && read_tail(d, r, h);
      break;
    case TK_OBJDATA_SPATIAL_INDEX:
      v->spatial_index.stamp.days = bits_read_long(r);
      v->spatial_index.stamp.msec = bits_read_long(r);
      ok = read_raw(d, r, h, &v->spatial_index.raw);
      break;
    case TK_OBJDATA_DICTIONARYWDFLT: {
      TkDictionaryWdfltData& x = v->dictionary_wdflt;
      auto count = static_cast<uint32_t>(bits_read_long(r));
      x.cloning = bits_read_short(r);
      bits_read_char(r);
      TkBlob* names = nullptr;
      ok = read_entry_names(r, count, &names) && read_tail(d, r, h) &&
           write_entries(r, count, names, &x.entries);
      blob_free(names);
      if (ok) bits_read_handle(r, &x.default_entry);
      x.entry_count = ok ? count : 0;
      ok = ok && !r->past_end;
      break;
    }
    case TK_OBJDATA_PLACEHOLDER: ok = read_tail(d, r, h); break;
    case TK_OBJDATA_LAYOUT: {
      TkLayoutData& l = v->layout;
      read_plot_settings(r, &l.plot);
      bits_read_text(r, l.name, sizeof l.name);
      l.tab_order = bits_read_short(r);
      l.flags = bits_read_short(r);
      bits_read_3bd(r, l.ucs_origin);
      bits_read_2rd(r, l.limits_min);
      bits_read_2rd(r, l.limits_max);
      bits_read_3bd(r, l.insertion_base);
      bits_read_3bd(r, l.ucs_x_axis);
      bits_read_3bd(r, l.ucs_y_axis);
      l.elevation = bits_read_double(r);
      l.ortho_type = bits_read_short(r);
      bits_read_3bd(r, l.extents_min);
      bits_read_3bd(r, l.extents_max);
      ok = !r->past_end && read_tail(d, r, h);
      if (ok) {
        bits_read_handle(r, &l.block_record);
        bits_read_handle(r, &l.last_viewport);
        bits_read_handle(r, &l.base_ucs);
        bits_read_handle(r, &l.named_ucs);
        ok = !r->past_end;
      }
      break;
    }
    case TK_OBJDATA_VBA_PROJECT: {
      TkVbaProjectData& x = v->vba_project;
      auto size = static_cast<uint32_t>(bits_read_long(r));
      if (!fits(r, size, 8)) return bad_object();
      BlobOut data;
      uint8_t piece[256];
      for (uint32_t left = size; left > 0;) {
        uint32_t step = left < sizeof piece ? left : sizeof piece;
        bits_read_bytes(r, piece, step);
        data.write(piece, step);
        left -= step;
      }
      if (!data.close(&x.data)) return tk_fail_alloc(TK_ERR_ALLOC_STRUCTURE);
      x.size = size;
      ok = read_tail(d, r, h);
      break;
    }
    case TK_OBJDATA_WIPEOUTVARIABLES:
      v->wipeout_variables.display_frame = bits_read_short(r);
      ok = read_tail(d, r, h);
      break;
    default: ok = read_raw(d, r, h, &v->generic); break;
  }
  if (!ok || r->past_end) return bad_object();
  return 1;
}
