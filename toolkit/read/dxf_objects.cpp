// The OBJECTS section of DXF files: the kind of the next object, and the readers of
// dictionaries, groups, multiline styles, XRECORDs and every other object, whose groups are kept
// as typed group items for the writers to give back. Each read ends with the file at the next
// object's group 0.
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dxf_readers.h"

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
      if (!dxf_read_reactors(s, &h->reactor_count, &h->reactors)) return 0;
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

// Doubles collected one at a time.
struct Reals_t {
  double* items = nullptr;
  size_t count = 0;
  size_t capacity = 0;
  bool failed = false;
  Reals_t() = default;
  Reals_t(const Reals_t&) = delete;
  Reals_t& operator=(const Reals_t&) = delete;
  ~Reals_t() { mem_free(items); }
  void push(double v) {
    if (count == capacity) {
      size_t grown = capacity ? capacity * 2 : 32;
      auto* p = static_cast<double*>(mem_alloc(grown * sizeof(double)));
      if (!p) {
        failed = true;
        return;
      }
      if (count) std::memcpy(p, items, count * sizeof(double));
      mem_free(items);
      items = p;
      capacity = grown;
    }
    items[count++] = v;
  }
};

// A class object's record as the bytes of its fields in order, kept in the object's data blob.
// Texts are cut to their fields.
struct RecordOut {
  uint8_t bytes[4096];
  size_t size = 0;
  template <typename T>
  size_t field(const T& value) {
    size_t at = size;
    std::memcpy(bytes + at, &value, sizeof value);
    size += sizeof value;
    return at;
  }
  size_t text(size_t capacity) {
    size_t at = size;
    std::memset(bytes + at, 0, capacity);
    size += capacity;
    return at;
  }
  template <typename T>
  void put(size_t at, const T& value) {
    std::memcpy(bytes + at, &value, sizeof value);
  }
  void put_text(size_t at, size_t capacity, const char* text) {
    dxf_copy_text(reinterpret_cast<char*>(bytes + at), capacity, text);
  }
};

int16_t keep_record(const RecordOut& r, const double* tail, size_t tail_count, TkObjectData* data) {
  size_t total = r.size + tail_count * sizeof(double);
  TkBlob* blob = dxf_blob_for(total);
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  bool ok = w && blob_write(w, r.bytes, r.size) &&
            (tail_count == 0 || blob_write(w, tail, tail_count * sizeof(double)));
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(blob);
    return 0;
  }
  data->generic.data = blob;
  data->generic.bit_length = static_cast<uint32_t>(total * 8);
  return 1;
}

// Plot settings: four names, margins and paper, the plot window and custom scale, the layout
// flags, the style sheet and the standard scale, in that order.
struct PlotSettingsPlaces {
  size_t names[4];  // groups 1, 2, 4, 6
  size_t reals40;   // 40-49
  size_t reals140;  // 140-143
  size_t shorts70;  // 70, 72, 73, 74
  size_t style_sheet;
  size_t scale_type;  // 75
  size_t reals147;    // 147-149
};

PlotSettingsPlaces plot_settings_layout(RecordOut* r) {
  PlotSettingsPlaces p{};
  for (size_t& n : p.names) n = r->text(DXF_NAME_SIZE);
  p.reals40 = r->size;
  for (int i = 0; i < 10; ++i) r->field(0.0);
  p.reals140 = r->size;
  for (int i = 0; i < 4; ++i) r->field(0.0);
  p.shorts70 = r->size;
  for (int i = 0; i < 4; ++i) r->field(int16_t{0});
  p.style_sheet = r->text(DXF_NAME_SIZE);
  p.scale_type = r->field(int16_t{0});
  p.reals147 = r->size;
  for (int i = 0; i < 3; ++i) r->field(0.0);
  return p;
}

// Plot-settings groups up to the next group 0 or 100; the file is put back before that group.
bool read_plot_settings(DxfState* s, RecordOut* r, const PlotSettingsPlaces& p, uint32_t* position,
                        bool* failed) {
  do {
    const TkDxfGroup& g = s->group;
    uint16_t c = g.code;
    if (c == 100) {
      dxf_seek(s, *position);
      return true;
    }
    if (c == 1) r->put_text(p.names[0], DXF_NAME_SIZE, s->text);
    if (c == 2) r->put_text(p.names[1], DXF_NAME_SIZE, s->text);
    if (c == 4) r->put_text(p.names[2], DXF_NAME_SIZE, s->text);
    if (c == 6) r->put_text(p.names[3], DXF_NAME_SIZE, s->text);
    if (c == 7) r->put_text(p.style_sheet, DXF_NAME_SIZE, s->text);
    if (c >= 40 && c <= 49) r->put(p.reals40 + 8 * (c - 40), g.real);
    if (c >= 140 && c <= 143) r->put(p.reals140 + 8 * (c - 140), g.real);
    if (c >= 147 && c <= 149) r->put(p.reals147 + 8 * (c - 147), g.real);
    if (c == 70) r->put(p.shorts70, g.i16);
    if (c >= 72 && c <= 74) r->put(p.shorts70 + 2 * (c - 71), g.i16);
    if (c == 75) r->put(p.scale_type, g.i16);
  } while (next_group(s, position, failed));
  return !*failed;
}

int16_t read_layout(DxfState* s, uint32_t position, TkObjectData* data) {
  RecordOut r;
  size_t name = r.text(DXF_NAME_SIZE);
  size_t flags = r.field(int16_t{0});
  size_t tab = r.field(int16_t{0});
  PlotSettingsPlaces plot = plot_settings_layout(&r);
  size_t reals = r.size;  // limits 10/20, 11/21; base 12/22/32; extents 14.., 15..; elevation
  for (int i = 0; i < 14; ++i) r.field(0.0);
  size_t elevation = r.field(0.0);
  size_t ucs = r.size;  // origin 13, x axis 16, y axis 17
  for (int i = 0; i < 9; ++i) r.field(0.0);
  size_t ortho = r.field(int16_t{0});
  size_t handles = r.size;  // 330, 331, 345, 346
  for (int i = 0; i < 4; ++i) r.field(TkHandle{});
  bool failed = false;
  if (!at_object_end(s, position)) {
    if (s->group.code == 100 && tk_name_compare(s->text, "AcDbPlotSettings") == 0) {
      if (!next_group(s, &position, &failed) && failed) return 0;
      if (!read_plot_settings(s, &r, plot, &position, &failed)) return 0;
      if (!next_group(s, &position, &failed) && failed) return 0;
    }
    // Where each point group of the layout goes: first coordinate place by code.
    auto point_place = [&](uint16_t c, int* axis) -> long {
      int base = c % 10;
      *axis = c / 10 - 1;
      switch (base) {
        case 0: return *axis < 2 ? long(reals) : -1;
        case 1: return *axis < 2 ? long(reals + 16) : -1;
        case 2: return long(reals + 32);
        case 4: return long(reals + 56);
        case 5: return long(reals + 80);
        case 3: return long(ucs);
        case 6: return long(ucs + 24);
        case 7: return long(ucs + 48);
        default: return -1;
      }
    };
    do {
      const TkDxfGroup& g = s->group;
      uint16_t c = g.code;
      if (c == 1) r.put_text(name, DXF_NAME_SIZE, s->text);
      if (c == 70) r.put(flags, g.i16);
      if (c == 71) r.put(tab, g.i16);
      if (c == 76) r.put(ortho, g.i16);
      if (c == 146) r.put(elevation, g.real);
      if (c >= 10 && c <= 37) {
        int axis = 0;
        long at = point_place(c, &axis);
        if (at >= 0) r.put(static_cast<size_t>(at) + 8 * axis, g.real);
      }
      if (c == 330) r.put(handles, g.handle);
      if (c == 331) r.put(handles + 8, g.handle);
      if (c == 345) r.put(handles + 16, g.handle);
      if (c == 346) r.put(handles + 24, g.handle);
    } while (next_group(s, &position, &failed));
  }
  return failed ? 0 : keep_record(r, nullptr, 0, data);
}

int16_t read_imagedef(DxfState* s, uint32_t position, TkObjectData* data) {
  RecordOut r;
  size_t version = r.field(int32_t{0});
  size_t path = r.text(DXF_NAME_SIZE);
  size_t size = r.field(0.0);
  r.field(0.0);
  size_t pixel = r.field(0.0);
  r.field(0.0);
  size_t loaded = r.field(int16_t{0});
  size_t units = r.field(int16_t{0});
  bool failed = false;
  if (!at_object_end(s, position)) {
    do {
      const TkDxfGroup& g = s->group;
      switch (g.code) {
        case 90: r.put(version, g.i32); break;
        case 1: r.put_text(path, DXF_NAME_SIZE, s->text); break;
        case 10: r.put(size, g.real); break;
        case 20: r.put(size + 8, g.real); break;
        case 11: r.put(pixel, g.real); break;
        case 21: r.put(pixel + 8, g.real); break;
        case 280: r.put(loaded, g.i16); break;
        case 281: r.put(units, g.i16); break;
        default: break;
      }
    } while (next_group(s, &position, &failed));
  }
  return failed ? 0 : keep_record(r, nullptr, 0, data);
}

// The clip boundary, its plane and clip distances, then the two transforms; each transform comes
// as 3 rows of 4 values and is kept as 4 rows of 3. The boundary's coordinates follow the record.
int16_t read_spatial_filter(DxfState* s, uint32_t position, TkObjectData* data) {
  RecordOut r;
  size_t count = r.field(int16_t{0});
  size_t extrusion = r.field(0.0);
  r.field(0.0);
  r.field(1.0);
  size_t origin = r.field(0.0);
  r.field(0.0);
  r.field(0.0);
  size_t display = r.field(int16_t{1});
  size_t front_flag = r.field(int16_t{0});
  size_t back_flag = r.field(int16_t{0});
  size_t front = r.field(0.0);
  size_t back = r.field(0.0);
  size_t transforms = r.size;
  for (int i = 0; i < 24; ++i) r.field(0.0);
  Reals_t points;
  bool failed = false;
  bool have = !at_object_end(s, position);
  while (have) {
    const TkDxfGroup& g = s->group;
    bool advance = true;
    switch (g.code) {
      case 70: r.put(count, g.i16); break;
      case 71: r.put(display, g.i16); break;
      case 72:
      case 73: {
        bool is_front = g.code == 72;
        r.put(is_front ? front_flag : back_flag, g.i16);
        if (!next_group(s, &position, &failed)) {
          have = false;
          advance = false;
          break;
        }
        if (s->group.code == (is_front ? 40 : 41)) {
          r.put(is_front ? front : back, s->group.real);
        } else {
          advance = false;  // that group is read again
        }
        break;
      }
      case 210: r.put(extrusion, g.real); break;
      case 220: r.put(extrusion + 8, g.real); break;
      case 230: r.put(extrusion + 16, g.real); break;
      case 11: r.put(origin, g.real); break;
      case 21: r.put(origin + 8, g.real); break;
      case 31: r.put(origin + 16, g.real); break;
      case 10:
        points.push(g.real);
        for (;;) {
          if (!next_group(s, &position, &failed)) {
            have = false;
            break;
          }
          if (s->group.code != 10 && s->group.code != 20) break;
          points.push(s->group.real);
        }
        advance = false;
        break;
      case 40:
        for (int k = 0; k < 24; ++k) {
          if (k > 0 && !next_group(s, &position, &failed)) {
            have = false;
            break;
          }
          int t = k / 12, v = k % 12;
          r.put(transforms + 96 * t + 8 * ((v % 4) * 3 + v / 4), s->group.real);
        }
        break;
      default: break;
    }
    if (!have) break;
    if (advance && !next_group(s, &position, &failed)) break;
  }
  if (failed || points.failed) return 0;
  return keep_record(r, points.items, points.count, data);
}

// A layer index: the entry count and the index's time stamp, then per entry the count of its
// group 90 and the layer name (a 2-byte length and the characters); the index handles (360)
// go to the handle list. Each entry is its group 8 and the two groups after it.
int16_t read_layer_index(DxfState* s, uint32_t position, TkObjectData* data) {
  TkBlob* record = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = record ? blob_create(record) : nullptr;
  TkBlob* handles = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* hw = handles ? blob_create(handles) : nullptr;
  int32_t head[3] = {0, 0, 0};  // entry count, days, milliseconds: written once known
  bool ok = w && hw && blob_write(w, head, sizeof head);
  bool failed = false;
  if (ok && !at_object_end(s, position)) {
    do {
      if (s->group.code == 40) {
        TkDate stamp = dxf_date(s->group.real);
        head[1] = stamp.day;
        head[2] = stamp.msec;
      }
      if (s->group.code != 8) continue;
      char name[DXF_NAME_SIZE];
      dxf_copy_text(name, sizeof name, s->text);
      auto length = static_cast<uint16_t>(std::strlen(name));
      TkHandle index{};
      int32_t value = 0;
      if (next_group(s, &position, &failed)) {
        index = s->group.handle;
        if (next_group(s, &position, &failed)) value = s->group.i32;
      }
      ok = blob_write(w, &value, 4) && blob_write(w, &length, 2) && blob_write(w, name, length) &&
           blob_write(hw, index.bytes, 8);
      ++head[0];
      if (s->group.code == 0) break;  // the entry was cut short by the next object
    } while (ok && next_group(s, &position, &failed));
  }
  if (w && !blob_close_write(w)) ok = false;
  if (hw && !blob_close_write(hw)) ok = false;
  if (!ok || failed || !blob_overwrite(record, 0, head, sizeof head)) {
    blob_free(record);
    blob_free(handles);
    return 0;
  }
  data->generic.data = record;
  data->generic.bit_length = static_cast<uint32_t>(blob_stored_size(record)) * 8;
  data->generic.handles = handles;
  return 1;
}

// A spatial index keeps only its time stamp and two words the file does not give.
int16_t read_spatial_index(DxfState* s, uint32_t position, TkObjectData* data) {
  RecordOut r;
  TkDate stamp{0, 0};
  bool failed = false;
  if (!at_object_end(s, position)) {
    do {
      if (s->group.code == 40) stamp = dxf_date(s->group.real);
    } while (next_group(s, &position, &failed));
  }
  r.field(stamp.day);
  r.field(stamp.msec);
  r.field(int32_t{0});
  r.field(int32_t{0});
  return failed ? 0 : keep_record(r, nullptr, 0, data);
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
  style.elements = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = style.elements ? blob_create(style.elements) : nullptr;
  bool ok = w != nullptr;
  bool failed = false;
  bool element = false;
  TkMlineElement e{};
  auto flush = [&]() {
    if (!element) return;
    ok = ok && tk_mlstyle_element_write(w, &e);
    ++style.element_count;
    element = false;
  };
  if (ok && !at_object_end(s, position)) {
    do {
      const TkDxfGroup& g = s->group;
      switch (g.code) {
        case 2: dxf_copy_text(style.name, sizeof style.name, s->text); break;
        case 3: dxf_copy_text(style.description, sizeof style.description, s->text); break;
        case 70: style.flags = g.i16; break;
        case 51: style.start_angle = g.real * 0.017453292519943295; break;
        case 52: style.end_angle = g.real * 0.017453292519943295; break;
        case 49:
          flush();
          e = TkMlineElement{};
          e.offset = g.real;
          e.colour = 256;
          e.linetype = kLinetypeByLayer;
          element = true;
          break;
        case 62:
          if (element) {
            e.colour = g.i16;
          } else {
            style.fill_colour = g.i16;
          }
          break;
        case 6:
          if (element) e.linetype = linetype_index(d, s->text);
          break;
        default: break;
      }
    } while (ok && next_group(s, &position, &failed));
  }
  flush();
  if (w && !blob_close_write(w)) ok = false;
  return ok && !failed ? 1 : 0;
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
  RecordOut r;
  PlotSettingsPlaces places = plot_settings_layout(&r);
  bool failed = false;
  if (!at_object_end(s, position)) {
    // The plot settings' own groups, then whatever subclass follows, are all read.
    for (;;) {
      if (!read_plot_settings(s, &r, places, &position, &failed)) return 0;
      if (!next_group(s, &position, &failed)) break;
      if (!next_group(s, &position, &failed)) break;
    }
  }
  return failed ? 0 : keep_record(r, nullptr, 0, data);
}

int16_t dxf_read_object(TkDrawing* d, TkObjectHeader* h, TkObjectData* data, uint8_t* has_xdata) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  *has_xdata = 0;
  char name[DXF_NAME_SIZE];
  uint32_t position = 0;
  if (!read_prefix(s, h, name, sizeof name, &position)) return 0;
  TkClassRecord record;
  h->type = class_find(d, name, &record) ? record.number : static_cast<uint16_t>(kProxyObject);
  std::memset(data, 0, sizeof *data);
  uint16_t xrecord = d->class_numbers[TK_CLASS_XRECORD];
  if (xrecord != 0 && h->type == xrecord) {
    data->xrecord.cloning = 1;
    return read_items(s, position, &data->xrecord.items, &data->xrecord.item_count, nullptr,
                      &data->xrecord.cloning);
  }
  if (tk_name_compare(name, "LAYOUT") == 0) return read_layout(s, position, data);
  if (tk_name_compare(name, "IMAGEDEF") == 0) return read_imagedef(s, position, data);
  if (tk_name_compare(name, "SPATIAL_FILTER") == 0) return read_spatial_filter(s, position, data);
  if (tk_name_compare(name, "LAYER_INDEX") == 0) return read_layer_index(s, position, data);
  if (tk_name_compare(name, "SPATIAL_INDEX") == 0) return read_spatial_index(s, position, data);
  uint32_t count = 0;
  if (!read_items(s, position, &data->generic.data, &count, &data->generic.handles, nullptr))
    return 0;
  data->generic.bit_length = static_cast<uint32_t>(blob_stored_size(data->generic.data)) * 8;
  return 1;
}
