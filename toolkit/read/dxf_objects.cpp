// The OBJECTS section of DXF files: the kind of the next object, and the readers of
// dictionaries, groups, multiline styles, XRECORDs and every other object, whose groups are kept
// as typed group items for the writers to give back. Each read ends with the file at the next
// object's group 0.
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/defaults.h"
#include "toolkit/core/group_desc.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/bits_reader.h"
#include "toolkit/read/dxf_readers.h"
#include "toolkit/write/bits_writer.h"

namespace {

constexpr int16_t kProxyObject = 100;
constexpr int16_t kLinetypeByLayer = 32767;
constexpr int16_t kLinetypeByBlock = 32766;

struct ClassObject {
  const char* name;
  TkClassSlot slot;
};

const ClassObject kClassObjects[] = {
    {"XRECORD", TK_CLASS_XRECORD},
    {"IMAGEDEF_REACTOR", TK_CLASS_IMAGEDEF_REACTOR},
    {"IMAGEDEF", TK_CLASS_IMAGEDEF},
    {"LAYER_INDEX", TK_CLASS_LAYER_INDEX},
    {"OBJECT_PTR", TK_CLASS_OBJECT_PTR},
    {"RASTERVARIABLES", TK_CLASS_RASTERVARIABLES},
    {"SPATIAL_FILTER", TK_CLASS_SPATIAL_FILTER},
    {"SPATIAL_INDEX", TK_CLASS_SPATIAL_INDEX},
    {"DICTIONARYVAR", TK_CLASS_DICTIONARYVAR},
    {"IDBUFFER", TK_CLASS_IDBUFFER},
    {"SORTENTSTABLE", TK_CLASS_SORTENTSTABLE},
    {"ACDBDICTIONARYWDFLT", TK_CLASS_DICTIONARYWDFLT},
    {"ACDBPLACEHOLDER", TK_CLASS_PLACEHOLDER},
    {"LAYOUT", TK_CLASS_LAYOUT},
    {"VBA_PROJECT", TK_CLASS_VBA_PROJECT},
    {"WIPEOUTVARIABLES", TK_CLASS_WIPEOUTVARIABLES},
};

// The object's type name, its handle, its reactors and extension dictionary and its owner; the
// file is left at the first group after them, which is the current group.
int16_t read_prefix(DxfState* s, TkObjectHeader* h, char* name, size_t name_size,
                    uint32_t* position) {
  dxf_xdata_reset(s);
  uint32_t at = 0;
  if (!dxf_read_group_xdata(s, nullptr, &at)) return 0;
  dxf_copy_text(name, name_size, s->text);
  if (!dxf_read_group_xdata(s, nullptr, &at)) return 0;
  if (s->group.code == 5 || s->group.code == 105) {
    h->handle = s->group.handle;
    *position = dxf_tell(s);
    if (!dxf_read_group(s)) return 0;
  } else {
    *position = at;
  }
  while (s->group.code == 102) {
    if (dxf_text_is(s, "{ACAD_REACTORS")) {
      if (!dxf_read_object_reactors(s->drawing, h)) return 0;
    } else if (dxf_text_is(s, "{ACAD_XDICTIONARY")) {
      if (!dxf_read_group(s)) return 0;
      h->xdictionary = s->group.handle;
      if (!dxf_read_group(s)) return 0;
    }
    *position = dxf_tell(s);
    if (!dxf_read_group(s)) return 0;
  }
  if (s->group.code == 330) {
    h->owner = s->group.handle;
    *position = dxf_tell(s);
    if (!dxf_read_group(s)) return 0;
  }
  return 1;
}

// Moves to the next group; false at group 0 (the file is then put back before it) or the end.
bool next_group(DxfState* s, uint32_t* position, bool* failed) {
  *position = dxf_tell(s);
  if (!dxf_read_group(s)) {
    *failed = !dxf_at_end(s);
    return false;
  }
  if (s->group.code == 0) {
    dxf_seek(s, *position);
    return false;
  }
  return !dxf_at_end(s);
}

bool at_object_end(DxfState* s, uint32_t position) {
  if (s->group.code == 0) {
    dxf_seek(s, position);
    return true;
  }
  return dxf_at_end(s);
}

// The current group as a typed item; false for a code without an item form.
bool group_item(DxfState* s, TkGroupItem* item, bool* failed) {
  std::memset(item, 0, sizeof *item);
  uint16_t c = s->group.code;
  item->code = c;
  const TkDxfGroup& g = s->group;
  if (c <= 9 || c == 100 || c == 102 || (c >= 300 && c <= 309) || (c >= 1000 && c <= 1003) ||
      (c >= 1006 && c <= 1008)) {
    dxf_copy_text(reinterpret_cast<char*>(item->value), sizeof item->value, s->text);
  } else if ((c >= 10 && c <= 19) || (c >= 1010 && c <= 1019)) {
    double p[3];
    if (!dxf_read_point(s, p)) {
      *failed = true;
      return false;
    }
    std::memcpy(item->value, p, sizeof p);
  } else if ((c >= 60 && c <= 79) || (c >= 170 && c <= 175) || (c >= 1060 && c <= 1070)) {
    std::memcpy(item->value, &g.i16, 2);
  } else if ((c >= 90 && c <= 99) || c == 1071) {
    std::memcpy(item->value, &g.i32, 4);
  } else if ((c >= 40 && c <= 59) || (c >= 140 && c <= 147) || (c >= 1040 && c <= 1059)) {
    std::memcpy(item->value, &g.real, 8);
  } else if ((c >= 310 && c <= 319) || c == 1004) {
    item->length = static_cast<uint16_t>(dxf_hex_to_bytes(s->text, item->value, 255));
  } else if ((c >= 320 && c <= 369) || c == 1005) {
    std::memcpy(item->value, g.handle.bytes, 8);
  } else {
    return false;
  }
  return true;
}

// Typed items of the groups up to the next object; handles also into their own list.
int16_t read_items(DxfState* s, uint32_t position, TkBlob** items, uint32_t* item_count,
                   TkBlob** handles, int16_t* cloning) {
  TkBlob* blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  TkBlob* hblob = handles ? blob_alloc(TK_BLOB_CHUNK_SIZE) : nullptr;
  TkBlob* hw = hblob ? blob_create(hblob) : nullptr;
  bool ok = w != nullptr && (!handles || hw != nullptr);
  bool failed = false;
  uint32_t count = 0;
  if (ok && !at_object_end(s, position)) {
    do {
      if (cloning && s->group.code == 280) {
        *cloning = s->group.i16;
        continue;
      }
      // An XRECORD's subclass marker is no data of its own.
      if (cloning && s->group.code == 100) continue;
      TkGroupItem item;
      if (!group_item(s, &item, &failed)) {
        if (failed) break;
        continue;
      }
      if (!xd_append_group(w, &item)) {
        ok = false;
        break;
      }
      ++count;
      if (hw && item.code >= 320 && item.code <= 369 && !blob_write(hw, item.value, 8)) {
        ok = false;
        break;
      }
    } while (next_group(s, &position, &failed));
  }
  if (failed) ok = false;
  if (w && !blob_close_write(w)) ok = false;
  if (hw && !blob_close_write(hw)) ok = false;
  if (!ok) {
    blob_free(blob);
    blob_free(hblob);
    return 0;
  }
  *items = blob;
  if (item_count) *item_count = count;
  if (handles) *handles = hblob;
  return 1;
}

int16_t linetype_index(TkDrawing* d, const char* name) {
  if (tk_name_compare(name, "BYLAYER") == 0) return kLinetypeByLayer;
  if (tk_name_compare(name, "BYBLOCK") == 0) return kLinetypeByBlock;
  int16_t i = 0;
  for (const TkLink* l = list_first(&d->linetypes); l && i < 32766; l = l->next, ++i) {
    const auto* r = static_cast<const TkLinetypeRecord*>(tk_link_data(l));
    if (tk_name_compare(r->name, name) == 0) return i;
  }
  // A linetype the drawing does not have draws as its layer's.
  return kLinetypeByLayer;
}

// A blob written item by item, made at its first item; what was written is kept only when
// every write succeeded.
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
  // Makes the blob without an item, for lists that exist even when empty.
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
  // Hands the blob (null when nothing was opened) to `out`; false when a write failed.
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

// The groups of one object after its prefix: the current group is the object's, until the
// next group 0 (before which the file is then put back) or the end of the file.
struct Groups {
  DxfState* s;
  uint32_t position;
  bool failed = false;
  bool have;
  Groups(DxfState* state, uint32_t at) : s(state), position(at) {
    have = !at_object_end(s, position);
  }
  bool next() {
    have = next_group(s, &position, &failed);
    return have;
  }
  uint16_t code() const { return s->group.code; }
  const TkDxfGroup& g() const { return s->group; }
  // Passes over the rest of the object.
  void finish() {
    while (have) next();
  }
  int16_t result() const { return failed ? 0 : 1; }
};

void put_handle(BlobOut* out, const TkHandle& h) { out->write(h.bytes, 8); }

// Plot-settings groups from the current one up to a group 0 or 100, which is read again.
void plot_settings_group(const DxfState* s, TkPlotSettings* p) {
  const TkDxfGroup& g = s->group;
  uint16_t c = g.code;
  switch (c) {
    case 1: dxf_copy_text(p->page_setup, sizeof p->page_setup, s->text); return;
    case 2: dxf_copy_text(p->printer, sizeof p->printer, s->text); return;
    case 4: dxf_copy_text(p->paper_size, sizeof p->paper_size, s->text); return;
    case 6: dxf_copy_text(p->plot_view, sizeof p->plot_view, s->text); return;
    case 7: dxf_copy_text(p->style_sheet, sizeof p->style_sheet, s->text); return;
    case 44: p->paper_width = g.real; return;
    case 45: p->paper_height = g.real; return;
    case 46: p->origin[0] = g.real; return;
    case 47: p->origin[1] = g.real; return;
    case 48: p->window_min[0] = g.real; return;
    case 49: p->window_min[1] = g.real; return;
    case 140: p->window_max[0] = g.real; return;
    case 141: p->window_max[1] = g.real; return;
    case 142: p->real_world_units = g.real; return;
    case 143: p->drawing_units = g.real; return;
    case 70: p->layout_flags = g.i16; return;
    case 72: p->paper_units = g.i16; return;
    case 73: p->rotation = g.i16; return;
    case 74: p->plot_type = g.i16; return;
    case 75: p->scale_type = g.i16; return;
    case 147: p->scale_factor = g.real; return;
    case 148: p->image_origin[0] = g.real; return;
    case 149: p->image_origin[1] = g.real; return;
    default: break;
  }
  if (c >= 40 && c <= 43) p->margins[c - 40] = g.real;
}

// The time stamp of an index from its group 40.
TkIndexStamp index_stamp(double value) {
  TkDate date = dxf_date(value);
  return TkIndexStamp{date.day, date.msec};
}

int16_t read_layout(DxfState* s, uint32_t position, TkLayoutData* l) {
  Groups w(s, position);
  if (w.have && w.code() == 100 && tk_name_compare(s->text, "AcDbPlotSettings") == 0) {
    if (!dxf_read_plotsettings_fields(s->drawing, &l->plot, nullptr)) return 0;
    w.next();
  }
  for (; w.have; w.next()) {
    const TkDxfGroup& g = w.g();
    uint16_t c = g.code;
    int axis = c / 10 - 1;
    switch (c) {
      case 1: dxf_copy_text(l->name, sizeof l->name, s->text); break;
      case 70: l->flags = g.i16; break;
      case 71: l->tab_order = g.i16; break;
      case 76: l->ortho_type = g.i16; break;
      case 146: l->elevation = g.real; break;
      case 10: case 20: l->limits_min[axis] = g.real; break;
      case 11: case 21: l->limits_max[axis] = g.real; break;
      case 12: case 22: case 32: l->insertion_base[axis] = g.real; break;
      case 14: case 24: case 34: l->extents_min[axis] = g.real; break;
      case 15: case 25: case 35: l->extents_max[axis] = g.real; break;
      case 13: case 23: case 33: l->ucs_origin[axis] = g.real; break;
      case 16: case 26: case 36: l->ucs_x_axis[axis] = g.real; break;
      case 17: case 27: case 37: l->ucs_y_axis[axis] = g.real; break;
      case 330: l->block_record = g.handle; break;
      case 331: l->last_viewport = g.handle; break;
      case 345: l->named_ucs = g.handle; break;
      case 346: l->base_ucs = g.handle; break;
      default: break;
    }
  }
  return w.result();
}

int16_t read_imagedef(DxfState* s, uint32_t position, TkImageDefData* r) {
  Groups w(s, position);
  for (; w.have; w.next()) {
    const TkDxfGroup& g = w.g();
    switch (g.code) {
      case 90: r->class_version = g.i32; break;
      case 1: dxf_copy_text(r->path, sizeof r->path, s->text); break;
      case 10: r->image_size[0] = g.real; break;
      case 20: r->image_size[1] = g.real; break;
      case 11: r->pixel_size[0] = g.real; break;
      case 21: r->pixel_size[1] = g.real; break;
      case 280: r->loaded = g.i16; break;
      case 281: r->resolution_units = g.i16; break;
      default: break;
    }
  }
  return w.result();
}

// The clip boundary, its plane and clip distances, then the two transforms: each comes as 3
// rows of 4 values and is kept as 4 rows of 3.
int16_t read_spatial_filter(DxfState* s, uint32_t position, TkSpatialFilterData* f) {
  Groups w(s, position);
  BlobOut points;
  while (w.have) {
    const TkDxfGroup& g = w.g();
    bool advance = true;
    switch (g.code) {
      case 70: f->point_count = g.i16; break;
      case 71: f->display_boundary = g.i16; break;
      case 72:
      case 73: {
        bool front = g.code == 72;
        (front ? f->front_clip : f->back_clip) = g.i16;
        if (!w.next()) break;
        if (w.code() == (front ? 40 : 41)) {
          (front ? f->front_distance : f->back_distance) = w.g().real;
        } else {
          advance = false;  // that group is read again
        }
        break;
      }
      case 210: f->extrusion[0] = g.real; break;
      case 220: f->extrusion[1] = g.real; break;
      case 230: f->extrusion[2] = g.real; break;
      case 11: f->origin[0] = g.real; break;
      case 21: f->origin[1] = g.real; break;
      case 31: f->origin[2] = g.real; break;
      case 10:
        points.write(&g.real, sizeof g.real);
        while (w.next() && (w.code() == 10 || w.code() == 20))
          points.write(&w.g().real, sizeof(double));
        advance = false;
        break;
      case 40:
        for (int k = 0; k < 24; ++k) {
          if (k > 0 && !w.next()) break;
          int v = k % 12;
          double* t = k < 12 ? f->inverse_block_transform : f->clip_transform;
          t[(v % 4) * 3 + v / 4] = w.g().real;
        }
        break;
      default: break;
    }
    if (advance && w.have) w.next();
  }
  if (!points.close(&f->points)) return 0;
  return w.result();
}

// Each entry: its group 8 gives the name, 360 the handle of its id buffer and 90 its count.
int16_t read_layer_index(DxfState* s, uint32_t position, TkLayerIndexData* x) {
  Groups w(s, position);
  BlobOut entries, handles;
  bool open = false;
  char name[DXF_NAME_SIZE] = {};
  TkHandle index{};
  int32_t value = 0;
  auto flush = [&]() {
    if (!open) return;
    auto length = static_cast<uint16_t>(std::strlen(name));
    entries.write(&value, 4);
    entries.write(&length, 2);
    if (length) entries.write(name, length);
    put_handle(&handles, index);
    ++x->entry_count;
    open = false;
  };
  for (; w.have; w.next()) {
    const TkDxfGroup& g = w.g();
    switch (g.code) {
      case 40: x->stamp = index_stamp(g.real); break;
      case 8:
        flush();
        dxf_copy_text(name, sizeof name, s->text);
        index = TkHandle{};
        value = 0;
        open = true;
        break;
      case 360: index = g.handle; break;
      case 90: value = g.i32; break;
      default: break;
    }
  }
  flush();
  if (!entries.close(&x->entries) || !handles.close(&x->handles)) return 0;
  return w.result();
}

int16_t read_sortents(DxfState* s, uint32_t position, TkSortEntsTableData* t) {
  Groups w(s, position);
  BlobOut sorts, entities;
  while (w.have) {
    const TkDxfGroup& g = w.g();
    bool advance = true;
    if (g.code == 330) t->block_record = g.handle;
    if (g.code == 331) {
      put_handle(&entities, g.handle);
      ++t->count;
      // Its sort handle follows; an entry without one sorts by its own handle.
      TkHandle sort = g.handle;
      if (w.next()) {
        if (w.code() == 5)
          sort = w.g().handle;
        else
          advance = false;
      }
      put_handle(&sorts, sort);
    }
    if (advance && w.have) w.next();
  }
  if (!sorts.close(&t->sort_handles) || !entities.close(&t->entity_handles)) return 0;
  return w.result();
}

int16_t read_dictionary_wdflt(DxfState* s, uint32_t position, TkDictionaryWdfltData* x) {
  Groups w(s, position);
  BlobOut entries;
  entries.open();
  while (w.have) {
    const TkDxfGroup& g = w.g();
    bool advance = true;
    switch (g.code) {
      case 281: x->cloning = g.i16; break;
      case 340: x->default_entry = g.handle; break;
      case 3: {
        TkDictEntry entry{};
        dxf_copy_text(entry.name, sizeof entry.name, s->text);
        if (w.next()) {
          if (w.code() >= 320 && w.code() <= 369)
            entry.object = w.g().handle;
          else
            advance = false;
        }
        entries.write(&entry, TK_DICT_ENTRY_SIZE);
        ++x->entry_count;
        break;
      }
      default: break;
    }
    if (advance && w.have) w.next();
  }
  if (!entries.close(&x->entries)) return 0;
  return w.result();
}

int16_t read_vba_project(DxfState* s, uint32_t position, TkVbaProjectData* v) {
  Groups w(s, position);
  BlobOut data;
  uint32_t bytes = 0;
  for (; w.have; w.next()) {
    if (w.code() == 90) v->size = static_cast<uint32_t>(w.g().i32);
    if (w.code() != 310) continue;
    uint8_t chunk[1100];
    size_t n = dxf_hex_to_bytes(s->text, chunk, sizeof chunk);
    data.write(chunk, n);
    bytes += static_cast<uint32_t>(n);
  }
  if (!data.close(&v->data)) return 0;
  // The data the file holds, whatever size it claims.
  if (v->data || v->size > bytes) v->size = bytes;
  return w.result();
}

// Handle-reference kinds of the DXF handle codes, as the DWG reader gives them.
uint8_t reference_kind(uint16_t code) {
  switch ((code - 320) / 10) {
    case 1: return TK_REF_SOFT_POINTER;
    case 2: return TK_REF_HARD_POINTER;
    case 3: return TK_REF_SOFT_OWNER;
    case 4: return TK_REF_HARD_OWNER;
    default: return TK_REF_KIND_3;
  }
}

// A proxy object, a zombie, or an object of a class the toolkit does not read: its class data
// as an R13-style bit stream and its handle references. The stream of a proxy or zombie is the
// data the file carries (groups 93 and 310); any other object's groups are written into one,
// each as its code and its value, after the class's proxy flags and number.
int16_t read_proxy_object(DxfState* s, uint32_t position, bool proxy, TkObjectHeader* h,
                          TkRawObjectData* raw) {
  TkBitWriter* bw = s->proxy_writer;
  if (!bw) {
    bw = static_cast<TkBitWriter*>(mem_alloc(sizeof(TkBitWriter)));
    if (!bw) return tk_fail_alloc(TK_ERR_ALLOC_STRUCTURE);
    std::memset(bw, 0, sizeof(TkBitWriter));
    s->proxy_writer = bw;
  }
  if (!bits_blob_begin(bw)) return tk_fail_alloc(TK_ERR_ALLOC_STRUCTURE);
  bool ok = true;
  if (!proxy) {
    int32_t flags = 0;
    for (const TkLink* l = list_first(&s->drawing->classes); l; l = l->next) {
      const auto* c = static_cast<const TkClassRecord*>(tk_link_data(l));
      if (c->number == h->type) flags = c->proxy_flags;
    }
    ok = bits_blob_put_bl(bw, flags) == 1 && bits_blob_put_bl(bw, h->type) == 1;
  }
  Groups w(s, position);
  BlobOut refs;
  TkBlob* data = nullptr;
  uint32_t data_bits = 0;
  while (ok && w.have) {
    const TkDxfGroup& g = w.g();
    uint16_t c = g.code;
    auto code = [&]() { return bits_blob_put_bs(bw, static_cast<int16_t>(c)) == 1; };
    if (c >= 330 && c <= 369) {
      uint8_t ref[9];
      std::memcpy(ref, g.handle.bytes, 8);
      ref[8] = reference_kind(c);
      refs.write(ref, sizeof ref);
      if (!proxy) ok = code();
    } else if (proxy) {
      // The class the data stands for, when it is one whose objects keep raw data.
      if (c == 91 && g.i32 > 0 && g.i32 < 65536 &&
          tk_object_data_kind(s->drawing, static_cast<uint16_t>(g.i32)) == TK_OBJDATA_GENERIC)
        h->type = static_cast<uint16_t>(g.i32);
      if (c == 93) data_bits = static_cast<uint32_t>(g.i32);
      if (c == 310) {
        // The run of 310 groups from this one on.
        dxf_seek(s, w.position);
        blob_free(data);
        uint32_t bytes = 0;
        if (!dxf_read_preview(s, &data, &bytes)) {
          ok = false;
          break;
        }
        if (data_bits == 0 || data_bits > bytes * 8u) data_bits = bytes * 8u;
      }
    } else if (c == 100) {
      // Subclass markers are the class's own knowledge, not data.
    } else if ((c >= 10 && c <= 18) || c == 210) {
      double p[3];
      if (!dxf_read_point(s, p)) {
        w.failed = true;
        break;
      }
      ok = code() && bits_blob_put_3bd(bw, p) == 1;
    } else if ((c >= 40 && c <= 48) || (c >= 140 && c <= 149)) {
      ok = code() && bits_blob_put_bd(bw, g.real) == 1;
    } else if (c >= 50 && c <= 58) {
      ok = code() && bits_blob_put_bd(bw, g.real * 0.017453292519943295) == 1;
    } else if ((c >= 60 && c <= 79) || (c >= 170 && c <= 179) || (c >= 270 && c <= 289)) {
      ok = code() && bits_blob_put_bs(bw, g.i16) == 1;
    } else if (c >= 90 && c <= 99) {
      ok = code() && bits_blob_put_bl(bw, g.i32) == 1;
    } else if ((c >= 1 && c <= 9) || (c >= 300 && c <= 309)) {
      ok = code() && bits_blob_put_text(bw, s->text) == 1;
    } else if (c >= 320 && c <= 329) {
      ok = code() && bits_blob_put_handle(bw, &g.handle) == 1;
    }
    w.next();
  }
  uint32_t bits = 0;
  TkBlob* stream = bits_blob_end(bw, &bits);
  if (!ok || !stream) w.failed = true;
  if (proxy) {
    blob_free(stream);
    stream = data;
    bits = data ? data_bits : 0;
  } else {
    blob_free(data);
  }
  if (w.failed || !refs.close(&raw->handles)) {
    blob_free(stream);
    return 0;
  }
  blob_free(raw->data);
  raw->data = stream;
  raw->bit_length = bits;
  return 1;
}

// The record of a class object's kind with its defaults.
void init_data(TkDrawing* d, uint16_t type, TkObjectData* data) {
  TkObjectHeader scratch{};
  scratch.type = type;
  tk_init_object(d, &scratch, data);
}

// The class number of an object kind the toolkit reads, made from the default classes when the
// file uses the kind without defining its class.
uint16_t class_of(TkDrawing* d, const char* name, TkClassSlot slot) {
  uint16_t n = d->class_numbers[slot];
  return n ? n : tk_ensure_default_class(d, name);
}

}  // namespace

int16_t dxf_object_kind(TkDrawing* d) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  uint32_t position = dxf_tell(s);
  int16_t ok = dxf_read_group(s);
  bool end = dxf_at_end(s);
  dxf_seek(s, position);
  if (!ok || end) return 0;
  if (dxf_text_is(s, "DICTIONARY")) return TK_OBJECT_KIND_DICTIONARY;
  if (dxf_text_is(s, "MLINESTYLE")) return TK_OBJECT_KIND_MLINESTYLE;
  if (dxf_text_is(s, "CLASS")) return 34;
  if (dxf_text_is(s, "GROUP")) return TK_OBJECT_KIND_GROUP;
  if (dxf_text_is(s, "ACAD_ZOMBIE_OBJECT") || dxf_text_is(s, "ACAD_PROXY_OBJECT"))
    return kProxyObject;
  if (dxf_text_is(s, "PLOTSETTINGS")) return TK_OBJECT_KIND_PLOTSETTINGS;
  for (const ClassObject& c : kClassObjects) {
    if (dxf_text_is(s, c.name)) {
      // A file that uses a class without defining it still has its objects read.
      uint16_t n = d->class_numbers[c.slot];
      return n ? static_cast<int16_t>(n) : kProxyObject;
    }
  }
  if (dxf_text_is(s, "ENDSEC") || dxf_text_is(s, "EOF")) return 0;
  return kProxyObject;
}

int16_t dxf_read_dictionary(TkDrawing* d, TkObjectHeader* h, TkObjectData* data,
                            uint8_t* has_xdata) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  *has_xdata = 0;
  h->type = TK_OBJ_DICTIONARY;
  char name[64];
  uint32_t position = 0;
  if (!read_prefix(s, h, name, sizeof name, &position)) return 0;
  TkDictionaryData& dict = data->dictionary;
  dict.entries = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = dict.entries ? blob_create(dict.entries) : nullptr;
  bool ok = w != nullptr;
  bool failed = false;
  dict.entry_count = 0;
  if (ok && !at_object_end(s, position)) {
    do {
      switch (s->group.code) {
        case 3: {
          TkDictEntry entry{};
          dxf_copy_text(entry.name, sizeof entry.name, s->text);
          if (!next_group(s, &position, &failed)) break;
          entry.object = s->group.handle;
          ok = tk_dict_entry_write(w, &entry) != 0;
          ++dict.entry_count;
          break;
        }
        case 280: dict.hard_owner = static_cast<uint8_t>(s->group.i16); break;
        case 281: dict.cloning = s->group.i16; break;
        default: break;
      }
    } while (ok && s->group.code != 0 && next_group(s, &position, &failed));
  }
  if (w && !blob_close_write(w)) ok = false;
  return ok && !failed ? 1 : 0;
}

int16_t dxf_read_group_object(TkDrawing* d, TkObjectHeader* h, TkObjectData* data,
                              uint8_t* has_xdata) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  *has_xdata = 0;
  h->type = TK_OBJ_GROUP;
  char name[64];
  uint32_t position = 0;
  if (!read_prefix(s, h, name, sizeof name, &position)) return 0;
  TkGroupData& group = data->group;
  group.entities = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = group.entities ? blob_create(group.entities) : nullptr;
  bool ok = w != nullptr;
  bool failed = false;
  if (ok && !at_object_end(s, position)) {
    do {
      switch (s->group.code) {
        case 300: dxf_copy_text(group.description, sizeof group.description, s->text); break;
        case 70: group.unnamed = s->group.i16; break;
        case 71: group.selectable = s->group.i16; break;
        case 340:
          ok = blob_write(w, s->group.handle.bytes, 8) != 0;
          ++group.entity_count;
          break;
        default: break;
      }
    } while (ok && next_group(s, &position, &failed));
  }
  if (w && !blob_close_write(w)) ok = false;
  return ok && !failed ? 1 : 0;
}

int16_t dxf_read_mline_style(TkDrawing* d, TkObjectHeader* h, TkObjectData* data,
                             uint8_t* has_xdata) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  *has_xdata = 0;
  h->type = TK_OBJ_MLINESTYLE;
  char name[64];
  uint32_t position = 0;
  if (!read_prefix(s, h, name, sizeof name, &position)) return 0;
  TkMlineStyleData& style = data->mlinestyle;
  const TkGroupTable* table = &tk_group_tables[TK_GROUPS_MLINESTYLE];
  BlobOut elements;
  elements.open();
  uint16_t count = 0;
  bool element = false;
  TkMlineElement e{};
  auto flush = [&]() {
    if (!element) return;
    uint8_t bytes[16] = {};
    std::memcpy(bytes, &e.colour, 2);
    std::memcpy(bytes + 2, &e.linetype, 2);
    std::memcpy(bytes + 8, &e.offset, 8);
    elements.write(bytes, sizeof bytes);
    ++count;
    element = false;
  };
  // The style's own groups go through its descriptor rows; from the first 49 on, each 49 opens
  // an element that the 62 and 6 after it complete.
  Groups w(s, position);
  for (; w.have; w.next()) {
    const TkDxfGroup& g = w.g();
    switch (g.code) {
      case 49:
        flush();
        e = TkMlineElement{};
        e.offset = g.real;
        e.colour = 256;
        e.linetype = kLinetypeByLayer;
        element = true;
        break;
      case 62:
        if (element)
          e.colour = g.i16;
        else
          dxf_record_group(s, table, &style);
        break;
      case 6:
        if (element) e.linetype = linetype_index(d, s->text);
        break;
      default:
        if (!element) dxf_record_group(s, table, &style);
        break;
    }
  }
  flush();
  // The count is that of the elements kept, whatever group 71 claimed.
  style.element_count = count;
  if (!elements.close(&style.elements)) return 0;
  return w.result();
}

int16_t dxf_read_object_reactors(TkDrawing* d, TkObjectHeader* h) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  return dxf_read_reactors(s, &h->reactor_count, &h->reactors);
}

int16_t dxf_read_plotsettings_fields(TkDrawing* d, TkPlotSettings* plot, uint8_t* has_xdata) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  if (has_xdata) *has_xdata = 0;
  for (;;) {
    uint32_t position = dxf_tell(s);
    if (!dxf_read_group(s)) return dxf_at_end(s) ? 1 : 0;
    if (s->group.code == 0 || s->group.code == 100 || dxf_at_end(s)) {
      dxf_seek(s, position);
      return 1;
    }
    plot_settings_group(s, plot);
  }
}

int16_t dxf_read_plotsettings(TkDrawing* d, TkObjectHeader* h, TkObjectData* data,
                              uint8_t* has_xdata) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  *has_xdata = 0;
  h->type = TK_OBJ_PLOTSETTINGS;
  char name[64];
  uint32_t position = 0;
  if (!read_prefix(s, h, name, sizeof name, &position)) return 0;
  TkPlotSettings* plot = &data->plotsettings;
  if (at_object_end(s, position)) return 1;
  // A first group that is no subclass marker is a plot-settings group: it is read again.
  if (s->group.code != 100) dxf_seek(s, position);
  // The plot settings' own groups, then whatever subclass follows, are all read.
  for (;;) {
    if (!dxf_read_plotsettings_fields(d, plot, nullptr)) return 0;
    bool failed = false;
    if (!next_group(s, &position, &failed)) return failed ? 0 : 1;
  }
}

int16_t dxf_read_object(TkDrawing* d, TkObjectHeader* h, TkObjectData* data, uint8_t* has_xdata) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  *has_xdata = 0;
  char name[DXF_NAME_SIZE];
  uint32_t position = 0;
  if (!read_prefix(s, h, name, sizeof name, &position)) return 0;
  struct Branch {
    const char* name;
    TkClassSlot slot;
  };
  static const Branch branches[] = {
      {"XRECORD", TK_CLASS_XRECORD},
      {"IDBUFFER", TK_CLASS_IDBUFFER},
      {"DICTIONARYVAR", TK_CLASS_DICTIONARYVAR},
      {"IMAGEDEF_REACTOR", TK_CLASS_IMAGEDEF_REACTOR},
      {"IMAGEDEF", TK_CLASS_IMAGEDEF},
      {"LAYER_INDEX", TK_CLASS_LAYER_INDEX},
      {"OBJECT_PTR", TK_CLASS_OBJECT_PTR},
      {"RASTERVARIABLES", TK_CLASS_RASTERVARIABLES},
      {"SORTENTSTABLE", TK_CLASS_SORTENTSTABLE},
      {"SPATIAL_FILTER", TK_CLASS_SPATIAL_FILTER},
      {"SPATIAL_INDEX", TK_CLASS_SPATIAL_INDEX},
      {"ACDBDICTIONARYWDFLT", TK_CLASS_DICTIONARYWDFLT},
      {"ACDBPLACEHOLDER", TK_CLASS_PLACEHOLDER},
      {"LAYOUT", TK_CLASS_LAYOUT},
      {"VBA_PROJECT", TK_CLASS_VBA_PROJECT},
      {"WIPEOUTVARIABLES", TK_CLASS_WIPEOUTVARIABLES},
  };
  const Branch* branch = nullptr;
  for (const Branch& b : branches)
    if (tk_name_compare(name, b.name) == 0) branch = &b;
  bool proxy = tk_name_compare(name, "ACAD_PROXY_OBJECT") == 0 ||
               tk_name_compare(name, "ACAD_ZOMBIE_OBJECT") == 0;
  uint16_t type = 0;
  if (branch) {
    type = class_of(d, branch->name, branch->slot);
    if (type == 0) return tk_fail(TK_ERR_DXF_OBJECT);
  } else {
    // An object of a class the file defines keeps that class's number; a proxy takes the
    // number its data names, and an object of no known class is a proxy object.
    TkClassRecord record;
    type = !proxy && class_find(d, name, &record) ? record.number
                                                   : static_cast<uint16_t>(TK_CLASS_ITEM_OBJECT);
    // A class that shares its number with a kind read above cannot keep raw data under it.
    if (tk_object_data_kind(d, type) != TK_OBJDATA_GENERIC) type = TK_CLASS_ITEM_OBJECT;
  }
  h->type = type;
  init_data(d, type, data);
  switch (branch ? tk_object_data_kind(d, type) : TK_OBJDATA_GENERIC) {
    case TK_OBJDATA_XRECORD:
      return read_items(s, position, &data->xrecord.items, &data->xrecord.item_count, nullptr,
                        &data->xrecord.cloning);
    case TK_OBJDATA_IDBUFFER: {
      Groups w(s, position);
      BlobOut handles;
      for (; w.have; w.next()) {
        if (w.code() != 330) continue;
        put_handle(&handles, w.g().handle);
        ++data->idbuffer.count;
      }
      if (!handles.close(&data->idbuffer.handles)) return 0;
      return w.result();
    }
    case TK_OBJDATA_DICTIONARYVAR: {
      Groups w(s, position);
      for (; w.have; w.next()) {
        if (w.code() == 280) data->dictionaryvar.schema = w.g().i16;
        if (w.code() == 1)
          dxf_copy_text(data->dictionaryvar.value, sizeof data->dictionaryvar.value, s->text);
      }
      return w.result();
    }
    case TK_OBJDATA_IMAGEDEF_REACTOR: {
      Groups w(s, position);
      BlobOut image;
      for (; w.have; w.next()) {
        if (w.code() == 90) data->imagedef_reactor.class_version = w.g().i32;
        if (w.code() == 330 && !image.blob) put_handle(&image, w.g().handle);
      }
      if (!image.close(&data->imagedef_reactor.image)) return 0;
      return w.result();
    }
    case TK_OBJDATA_IMAGEDEF: return read_imagedef(s, position, &data->imagedef);
    case TK_OBJDATA_LAYER_INDEX: return read_layer_index(s, position, &data->layer_index);
    case TK_OBJDATA_RASTERVARIABLES: {
      Groups w(s, position);
      TkRasterVariablesData& r = data->rastervariables;
      for (; w.have; w.next()) {
        const TkDxfGroup& g = w.g();
        if (g.code == 90) r.class_version = g.i32;
        if (g.code == 70) r.display_frame = g.i16;
        if (g.code == 71) r.display_quality = g.i16;
        if (g.code == 72) r.units = g.i16;
      }
      return w.result();
    }
    case TK_OBJDATA_SORTENTSTABLE: return read_sortents(s, position, &data->sortentstable);
    case TK_OBJDATA_SPATIAL_FILTER: return read_spatial_filter(s, position, &data->spatial_filter);
    case TK_OBJDATA_SPATIAL_INDEX: {
      Groups w(s, position);
      for (; w.have; w.next())
        if (w.code() == 40) data->spatial_index.stamp = index_stamp(w.g().real);
      return w.result();
    }
    case TK_OBJDATA_DICTIONARYWDFLT:
      return read_dictionary_wdflt(s, position, &data->dictionary_wdflt);
    case TK_OBJDATA_LAYOUT: return read_layout(s, position, &data->layout);
    case TK_OBJDATA_VBA_PROJECT: return read_vba_project(s, position, &data->vba_project);
    case TK_OBJDATA_WIPEOUTVARIABLES: {
      Groups w(s, position);
      for (; w.have; w.next())
        if (w.code() == 70) data->wipeout_variables.display_frame = w.g().i16;
      return w.result();
    }
    case TK_OBJDATA_OBJECT_PTR:
    case TK_OBJDATA_PLACEHOLDER: {
      // Nothing of theirs is kept: their groups are passed over.
      Groups w(s, position);
      w.finish();
      return w.result();
    }
    default: break;
  }
  return read_proxy_object(s, position, proxy, h, &data->generic);
}
