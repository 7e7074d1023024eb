// DXF entities of the ENTITIES section and of the blocks of the BLOCKS section: the entity
// header's common groups, the kind's fields through the entity group-code layout, the names the
// loader resolves, and the kinds whose data are lists (polylines, splines, leaders, hatches,
// modeler text). Storing the entity and resolving its names is the loader's.
#include <cstring>
#include <initializer_list>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/entity_layout.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dwg13_entity_class.h"
#include "toolkit/read/dxf_readers.h"
#include "toolkit/write/bits_writer.h"

namespace {

constexpr uint8_t kPaperSpace = 1;   // header flag: the entity is in paper space
constexpr uint8_t kInvisible = 16;   // header flag: group 60 not 0
constexpr uint16_t kProxyKind = 498;
constexpr double kDegree = 0.017453292519943295;
constexpr size_t kRtextContents = 1016;  // the text's field, its zero included

// Data places of an entity of a class the toolkit does not read (the other-class layout).
enum : size_t {
  kProxyClass = 0,      // u32 class number
  kProxyBits = 4,       // u32 length of the data in bits
  kProxyHasGraphics = 8,
  kProxyHandleCount = 12,
  kProxyData = 16,      // blob: the groups as a bit stream
  kProxyGraphics = 24,  // blob: the proxy graphics (when the word at 8 is not 0)
  kProxyHandles = 32,   // blob: 8-byte handles the data refers to
};

constexpr const char* kKindNames[] = {
    "",        "LINE",   "POINT",  "CIRCLE",   "SHAPE",     "ELLIPSE", "SPLINE",  "TEXT",
    "ARC",     "TRACE",  "REGION", "SOLID",    "BLOCK",     "ENDBLK",  "INSERT",  "ATTDEF",
    "ATTRIB",  "SEQEND", "",       "POLYLINE", "VERTEX",    "3DLINE",  "3DFACE",  "DIMENSION",
    "VIEWPORT", "3DSOLID", "RAY",  "XLINE",    "MTEXT",     "LEADER",  "TOLERANCE", "MLINE",
    "",        "",       "",       "BODY"};
constexpr uint16_t kKindCount = sizeof kKindNames / sizeof kKindNames[0];

// The fixed kinds by the first byte of their names, each list ended by 0.
struct KindsByLetter {
  static constexpr int kMost = 7;
  uint8_t kinds[256][kMost + 1] = {};
  constexpr KindsByLetter() {
    int used[256] = {};
    for (uint16_t k = 1; k < kKindCount; ++k) {
      auto first = static_cast<unsigned char>(kKindNames[k][0]);
      if (first && used[first] < kMost) kinds[first][used[first]++] = static_cast<uint8_t>(k);
    }
  }
};
constexpr KindsByLetter kKindsByLetter;

// The row of each group code of each fixed kind, found once: every group of every entity
// looks here.
struct LayoutIndex {
  static constexpr int kCodes = 1072;
  const TkGroupDesc* row[TK_MLINE + 2][kCodes] = {};
  LayoutIndex() {
    for (uint16_t kind = 1; kind <= TK_MLINE + 1; ++kind) {
      const TkEntityLayout* l = tk_entity_layout(kind);
      if (!l) continue;
      for (size_t i = l->count; i-- > 0;) {
        int code = l->rows[i].code;
        if (code >= 0 && code < kCodes) row[kind][code] = &l->rows[i];
      }
    }
  }
};

// The rows of a fixed kind by group code (LayoutIndex::kCodes of them); null for other kinds.
const TkGroupDesc* const* layout_rows(uint16_t kind) {
  static const LayoutIndex* index = new LayoutIndex();
  return kind <= TK_MLINE ? index->row[kind] : nullptr;
}

const TkGroupDesc* layout_row(uint16_t kind, uint16_t code) {
  const TkGroupDesc* const* rows = layout_rows(kind);
  return rows && code < LayoutIndex::kCodes ? rows[code] : nullptr;
}

void clear_pending(TkPendingRefs* p) {
  tk_clear_pending_refs(p);
  p->linetype_index = 32767;
}

// A growable array of doubles, for the lists an entity's groups give one value at a time. The
// first values stay in the array itself, so the usual short lists cost no allocation.
struct Reals {
  static constexpr size_t kLocal = 64;
  double local[kLocal];
  double* items = local;
  size_t count = 0;
  size_t capacity = kLocal;
  bool failed = false;
  Reals() = default;
  Reals(const Reals&) = delete;
  Reals& operator=(const Reals&) = delete;
  ~Reals() { release(); }
  bool add(double v) {
    if (count == capacity) {
      size_t grown = capacity * 2;
      auto* p = static_cast<double*>(mem_alloc(grown * sizeof(double)));
      if (!p) {
        failed = true;
        return false;
      }
      std::memcpy(p, items, count * sizeof(double));
      release();
      items = p;
      capacity = grown;
    }
    items[count++] = v;
    return true;
  }
  void release() {
    if (items != local) mem_free(items);
    items = local;
    capacity = kLocal;
  }
};

// Appends values to a blob opened for writing, remembering a failure.
struct BlobOut {
  TkBlob* stored = nullptr;
  TkBlob* w = nullptr;
  bool ok = true;
  bool open() {
    if (w) return true;
    stored = dxf_blob_for(256);
    w = stored ? blob_create(stored) : nullptr;
    ok = w != nullptr;
    return ok;
  }
  template <typename T>
  void put(const T& v) {
    if (open()) ok = ok && blob_write(w, &v, sizeof v);
  }
  // The stored blob, or null (and freed) when something failed.
  TkBlob* close() {
    if (w && !blob_close_write(w)) ok = false;
    w = nullptr;
    if (!ok) {
      blob_free(stored);
      stored = nullptr;
    }
    TkBlob* out = stored;
    stored = nullptr;
    return out;
  }
  ~BlobOut() {
    if (w) blob_close(w);
    blob_free(stored);
  }
};

// What one entity read collects besides its records.
struct EntityRead {
  DxfState* s = nullptr;
  TkEntityHeader* h = nullptr;
  TkEntityData* data = nullptr;
  uint16_t kind = 0;
  const TkGroupDesc* const* rows = nullptr;  // the kind's layout rows, looked up once
  bool native_class = false;
  double elevation = 0;
  Reals a, b, c;         // per kind: vertices, knots, fit points ...
  TkBlob* text = nullptr;
  uint32_t text_size = 0;
  bool text_chunks = false;
  TkBitWriter* proxy = nullptr;  // the state's writer while a proxy's data is written
  bool proxy_failed = false;
  bool proxy_after_entity = false;
  bool proxy_in_subclass = false;  // a class's own subclass marker after AcDbEntity was read
  TkBlob* proxy_graphics = nullptr;
  TkBlob* proxy_handles = nullptr;
  TkBlob* proxy_handles_writer = nullptr;
  uint32_t proxy_handle_count = 0;
  // A zombie entity stands for an entity of a class whose program was missing: its data are
  // the bytes of its 310 groups, not its groups.
  bool zombie = false;
  TkBlob* zombie_data = nullptr;
  uint32_t zombie_bytes = 0;
  BlobOut hatch_paths, hatch_lines, hatch_sources, hatch_seeds;
  BlobOut clip;  // an image's clip boundary
  bool hatch_failed = false;
  int lw_vertex = -1;
  uint16_t lw_flags = 0;
  double lw_width = 0;
  // MLINE: where the current vertex and the current parameter list stand in `a`.
  long mline_vertex = -1;
  long mline_list = -1;
  uint16_t mline_list_code = 0;
};

bool is_native_class(const char* name) {
  static const char* const names[] = {"LWPOLYLINE", "OLE2FRAME", "HATCH",  "IMAGE",
                                      "ARCALIGNEDTEXT", "RTEXT", "WIPEOUT"};
  for (const char* n : names)
    if (n[0] == name[0] && std::strcmp(name, n) == 0) return true;
  return false;
}

uint16_t kind_of(DxfState* s, bool* native, bool* skip) {
  *native = false;
  *skip = false;
  const char* name = s->text;
  // Every entity looks here first: a name is compared only with the kinds of its first letter.
  for (const uint8_t* k = kKindsByLetter.kinds[static_cast<unsigned char>(name[0])]; *k; ++k)
    if (std::strcmp(name, kKindNames[*k]) == 0) return *k;
  TkClassRecord record;
  bool found = class_find(s->drawing, name, &record) != 0;
  if (is_native_class(name)) {
    // A file may use a class it never defined; the drawing gets the definition it needs.
    if (!found) {
      uint16_t n = class_ensure(s->drawing, name, name, "", 0, TK_CLASS_ITEM_ENTITY, 0);
      found = n > 1 && class_find(s->drawing, name, &record);
    }
    if (found) {
      *native = true;
      return record.number;
    }
  }
  // A class entity the file does not define is kept under a class made for its name, so that
  // it is not lost; drawings before classes existed have no place for it and pass it over. So
  // do a record without a name, which is no class's, and the records of a damaged file past a
  // few hundred made classes: each costs a class record and lengthens every later search of
  // the class list, which made such a file's load quadratic.
  if (!found && s->drawing->version >= TK_VERSION_AC1012 && name[0] != 0 &&
      s->classes_made < DXF_MADE_CLASSES_MAX) {
    uint16_t n = class_ensure(s->drawing, name, name, "", 0, TK_CLASS_ITEM_ENTITY, 1);
    found = n > 1 && class_find(s->drawing, name, &record);
    if (found) ++s->classes_made;
  }
  if (!found) {
    *skip = true;
    return 0;
  }
  return record.number;
}

void put_double(TkEntityData* d, size_t at, double v) { tk_data_put(d, at, v); }

// Places of the z coordinates that the elevation (38) gives, by kind.
void apply_elevation(EntityRead* e) {
  uint16_t kind = e->kind;
  if (kind == TK_POLYLINE) {
    put_double(e->data, 0, e->elevation);
    return;
  }
  if (e->native_class && kind == tk_class_lwpolyline(e->s->drawing)) {
    put_double(e->data, TK_LWPOLYLINE_ELEVATION, e->elevation);
    return;
  }
  if (kind > TK_MLINE) return;
  int last = 30;
  if (kind == TK_LINE || kind == TK_3DLINE) last = 31;
  if (kind == TK_TRACE || kind == TK_SOLID || kind == TK_3DFACE) last = 33;
  for (int code = 30; code <= last; ++code) {
    const TkGroupDesc* row = layout_row(kind, static_cast<uint16_t>(code));
    if (row && row->store == TK_GROUP_DOUBLE) put_double(e->data, row->offset + 8u * row->element, e->elevation);
  }
}

void store_layout_group(EntityRead* e) {
  const TkDxfGroup& g = e->s->group;
  if (!e->rows || g.code >= LayoutIndex::kCodes) return;
  const TkGroupDesc* row = e->rows[g.code];
  if (!row) return;
  uint8_t* field = e->data->bytes + row->offset;
  if (row->offset >= TK_ENTITY_DATA_SIZE) return;
  size_t room = TK_ENTITY_DATA_SIZE - row->offset;
  switch (row->store) {
    case TK_GROUP_BYTE: field[0] = static_cast<uint8_t>(g.i16); break;
    case TK_GROUP_INT16: {
      int16_t v = g.code >= 90 && g.code <= 99 ? static_cast<int16_t>(g.i32) : g.i16;
      std::memcpy(field, &v, 2);
      break;
    }
    case TK_GROUP_DOUBLE:
      if (8u * row->element + 8 <= room) std::memcpy(field + 8 * row->element, &g.real, 8);
      break;
    case TK_GROUP_ANGLE: {
      double v = g.real * kDegree;
      std::memcpy(field, &v, 8);
      break;
    }
    case TK_GROUP_TEXT:
    case TK_GROUP_TAIL_TEXT: {
      size_t size = row->size < room ? row->size : room;
      dxf_copy_text(reinterpret_cast<char*>(field), size, e->s->text);
      break;
    }
    case TK_GROUP_HANDLE: std::memcpy(field, g.handle.bytes, 8); break;
    case TK_GROUP_INT32: std::memcpy(field, &g.i32, 4); break;
    default: break;
  }
}

// 1 when the group was one of the header's.
int16_t common_group(EntityRead* e, uint8_t* has_xdata, bool* failed) {
  DxfState* s = e->s;
  TkEntityHeader* h = e->h;
  const TkDxfGroup& g = s->group;
  TkPendingRefs& p = tk_state->pending;
  switch (g.code) {
    case 5: h->handle = g.handle; return 1;
    case 6: dxf_copy_text(p.linetype, sizeof p.linetype, s->text); return 1;
    case 8: dxf_copy_text(p.layer, sizeof p.layer, s->text); return 1;
    case 38:
      e->elevation = g.real;
      apply_elevation(e);
      return 1;
    case 39: h->thickness = g.real; return 1;
    case 48: h->linetype_scale = g.real; return 1;
    case 60:
      if (g.i16) {
        h->flags |= kInvisible;
      } else {
        h->flags &= static_cast<uint8_t>(~kInvisible);
      }
      return 1;
    // The whole 16-bit colour: 256 stays BYLAYER, a negative (layer off) stays negative.
    case 62: h->colour = static_cast<uint16_t>(g.i16); return 1;
    case 67:
      if (g.i16) {
        h->flags |= kPaperSpace;
      } else {
        h->flags &= static_cast<uint8_t>(~kPaperSpace);
      }
      return 1;
    case 102:
      if (dxf_text_is(s, "{ACAD_REACTORS")) {
        if (!dxf_read_reactors(s, &h->reactor_count, &h->reactors)) *failed = true;
      } else if (dxf_text_is(s, "{ACAD_XDICTIONARY")) {
        if (!dxf_read_group(s)) {
          *failed = true;
          return 1;
        }
        h->xdictionary = s->group.handle;
        if (!dxf_read_group(s)) *failed = true;
      }
      return 1;
    case 370: h->lineweight = g.i16; return 1;
    case 210: h->extrusion[0] = g.real; h->flags |= TK_ENTITY_EXTRUDED; return 1;
    case 220: h->extrusion[1] = g.real; h->flags |= TK_ENTITY_EXTRUDED; return 1;
    case 230: h->extrusion[2] = g.real; h->flags |= TK_ENTITY_EXTRUDED; return 1;
    default: break;
  }
  if (g.code >= 1000) {
    dxf_read_xdata_group(s);
    *has_xdata = 1;
    return 1;
  }
  return 0;
}

// SAT text of the modeler kinds: each byte above the blank but 127 stands for 159 minus it.
void append_sat_line(EntityRead* e, bool line_end) {
  DxfState* s = e->s;
  if (!e->text) {
    e->text = blob_alloc(TK_BLOB_CHUNK_SIZE);
    if (!e->text) return;
  }
  // DXF writes a caret as "^ " (a caret before another character is a control character), and
  // the caret is what the letter "A" becomes: undo that first.
  size_t n = 0;
  for (size_t i = 0; i < s->group.length; ++i) {
    char c = s->text[i];
    if (c == '^' && i + 1 < s->group.length && s->text[i + 1] == ' ') ++i;
    s->text[n++] = c;
  }
  for (size_t i = 0; i < n; ++i) {
    auto c = static_cast<uint8_t>(s->text[i]);
    if (c > 32 && c != 127) s->text[i] = static_cast<char>(static_cast<uint8_t>(159 - c));
  }
  TkBlob* w = blob_open_append(e->text);
  if (!w) return;
  blob_write(w, s->text, n);
  if (line_end) blob_write_byte(w, '\n');
  blob_close_append(w);
  e->text_size += static_cast<uint32_t>(n + (line_end ? 1 : 0));
}

void append_text_chunk(EntityRead* e) {
  if (!e->text) {
    e->text = blob_alloc(TK_BLOB_CHUNK_SIZE);
    if (!e->text) return;
  }
  TkBlob* w = blob_open_append(e->text);
  if (!w) return;
  blob_write(w, e->s->text, e->s->group.length);
  blob_close_append(w);
  e->text_size += static_cast<uint32_t>(e->s->group.length);
}

// A group of a proxy entity into its bit stream: the code, then the value in the form its code
// gives. Group 92's proxy graphics go to a blob of their own, handles after the entity's own
// groups to the handle list.
void proxy_group(EntityRead* e) {
  DxfState* s = e->s;
  TkBitWriter* w = e->proxy;
  const TkDxfGroup& g = s->group;
  uint16_t c = g.code;
  if (c == 100 && dxf_text_is(s, "AcDbEntity")) {
    e->proxy_after_entity = true;
    return;
  }
  if (c == 100 && e->proxy_after_entity && !dxf_text_is(s, "AcDbProxyEntity") &&
      !dxf_text_is(s, "AcDbZombieEntity"))
    e->proxy_in_subclass = true;
  // The graphics' byte count stands with the entity's common groups (or a proxy's own); a 92
  // of the class's own groups further on is data like any other.
  if (c == 92 && !e->proxy_in_subclass) {
    blob_free(e->proxy_graphics);
    e->proxy_graphics = nullptr;
    if (!dxf_read_preview(s, &e->proxy_graphics, nullptr)) e->proxy_failed = true;
    return;
  }
  bool ok = true;
  auto code = [&]() { return bits_blob_put_bs(w, static_cast<int16_t>(c)) == 1; };
  if ((c >= 10 && c <= 18) || c == 210) {
    double p[3];
    if (!dxf_read_point(s, p)) {
      e->proxy_failed = true;
      return;
    }
    ok = code() && bits_blob_put_3bd(w, p) == 1;
  } else if (c >= 40 && c <= 48) {
    ok = code() && bits_blob_put_bd(w, g.real) == 1;
  } else if (c >= 50 && c <= 58) {
    ok = code() && bits_blob_put_bd(w, g.real * kDegree) == 1;
  } else if ((c >= 70 && c <= 78) || (c >= 170 && c <= 179) || (c >= 270 && c <= 289)) {
    ok = code() && bits_blob_put_bs(w, g.i16) == 1;
  } else if (c >= 90 && c <= 99) {
    ok = code() && bits_blob_put_bl(w, g.i32) == 1;
  } else if ((c >= 1 && c <= 4) || c == 100 || (c >= 300 && c <= 309)) {
    ok = code() && bits_blob_put_text(w, s->text) == 1;
  } else if (c >= 320 && c <= 329) {
    ok = code() && bits_blob_put_handle(w, &g.handle) == 1;
  } else if (c >= 330 && c <= 369 && e->proxy_after_entity) {
    ok = code();
    if (ok && !e->proxy_handles) {
      e->proxy_handles = dxf_blob_for(64);
      e->proxy_handles_writer = e->proxy_handles ? blob_create(e->proxy_handles) : nullptr;
      ok = e->proxy_handles_writer != nullptr;
    }
    ok = ok && blob_write(e->proxy_handles_writer, g.handle.bytes, 8);
    ++e->proxy_handle_count;
  }
  if (!ok) e->proxy_failed = true;
}

// A zombie's own groups: 91 names the class it stands for, when the drawing has that class;
// the 310 groups after 93 are its data. False for the groups a proxy keeps like any other.
bool zombie_group(EntityRead* e) {
  DxfState* s = e->s;
  const TkDxfGroup& g = s->group;
  if (g.code == 91) {
    for (const TkLink* l = list_first(&s->drawing->classes); l; l = l->next) {
      const auto* c = static_cast<const TkClassRecord*>(tk_link_data(l));
      if (c->number == g.i32) tk_data_put<uint32_t>(e->data, kProxyClass, c->number);
    }
    return true;
  }
  if (g.code == 93) {
    blob_free(e->zombie_data);
    e->zombie_data = nullptr;
    if (!dxf_read_preview(s, &e->zombie_data, &e->zombie_bytes)) e->proxy_failed = true;
    return true;
  }
  return false;
}

bool begin_proxy(EntityRead* e, uint16_t class_number) {
  DxfState* s = e->s;
  if (!s->proxy_writer) {
    s->proxy_writer = static_cast<TkBitWriter*>(mem_alloc(sizeof(TkBitWriter)));
    if (!s->proxy_writer) return false;
    std::memset(s->proxy_writer, 0, sizeof(TkBitWriter));
  }
  TkClassRecord record;
  int32_t flags = class_find(s->drawing, s->text, &record) ? record.proxy_flags : 0;
  if (!bits_blob_begin(s->proxy_writer)) return false;
  e->proxy = s->proxy_writer;
  tk_data_put<uint32_t>(e->data, kProxyClass, class_number);
  return bits_blob_put_bl(e->proxy, flags) == 1 && bits_blob_put_bl(e->proxy, class_number) == 1;
}

// Closes the proxy's stream and lists into its data; false when one of them could not be kept.
bool finish_proxy(EntityRead* e) {
  bool ok = !e->proxy_failed;
  if (e->proxy_handles_writer && !blob_close_write(e->proxy_handles_writer)) ok = false;
  e->proxy_handles_writer = nullptr;
  uint32_t bits = 0;
  TkBlob* stream = e->proxy ? bits_blob_end(e->proxy, &bits) : nullptr;
  e->proxy = nullptr;
  if (!stream) ok = false;
  if (!ok) {
    blob_free(stream);
    return false;
  }
  if (e->zombie_data) {
    blob_free(stream);
    stream = e->zombie_data;
    bits = e->zombie_bytes * 8;
    e->zombie_data = nullptr;
  }
  tk_data_put(e->data, kProxyBits, bits);
  tk_data_put(e->data, kProxyData, stream);
  if (e->proxy_graphics) {
    tk_data_put<uint32_t>(e->data, kProxyHasGraphics, 1);
    tk_data_put(e->data, kProxyGraphics, e->proxy_graphics);
    e->proxy_graphics = nullptr;
  }
  tk_data_put(e->data, kProxyHandleCount, e->proxy_handle_count);
  tk_data_put(e->data, kProxyHandles, e->proxy_handles);
  e->proxy_handles = nullptr;
  return true;
}

// Frees what a proxy read that failed left behind.
void drop_proxy(EntityRead* e) {
  if (e->proxy_handles_writer) blob_close(e->proxy_handles_writer);
  blob_free(e->proxy_handles);
  blob_free(e->proxy_graphics);
  blob_free(e->zombie_data);
  e->zombie_data = nullptr;
  if (e->proxy) bits_discard(e->proxy);
  e->proxy_handles_writer = nullptr;
  e->proxy_handles = e->proxy_graphics = nullptr;
  e->proxy = nullptr;
}

// The next group, whatever its code; false at the end, a failed read or the next entity's
// group 0, which is put back so that a count larger than the list never eats the next entity.
bool next_value(DxfState* s) {
  uint32_t at = dxf_tell(s);
  if (!dxf_read_group(s) || dxf_at_end(s)) return false;
  if (s->group.code == 0) {
    dxf_seek(s, at);
    return false;
  }
  return true;
}

// The group after the current one is of that code: it is read. Otherwise the file stays.
bool next_is(DxfState* s, uint16_t code) {
  uint32_t at = dxf_tell(s);
  if (!dxf_read_group(s)) return false;
  if (s->group.code == code && !dxf_at_end(s)) return true;
  dxf_seek(s, at);
  return false;
}

// A spline edge: degree (94), rational and periodic flags (73, 74), knot and control-point
// counts (95, 96), the knots, and the control points, each with its weight (42) when the
// spline is rational. Newer files may add fit data: a count (97), fit points (11/21) and the
// two tangents (12/22, 13/23). Its 97 is told from the path's source-object count by the group
// that follows; the fit data has no place in the stored edge and is passed over.
bool read_hatch_spline(DxfState* s, BlobOut* paths) {
  int32_t head[5];
  for (int32_t& v : head) {
    if (!next_value(s)) return false;
    v = s->group.code >= 90 && s->group.code <= 99 ? s->group.i32 : s->group.i16;
  }
  const bool rational = head[1] != 0;
  paths->put(head[0]);
  paths->put(static_cast<int16_t>(head[1]));
  paths->put(static_cast<int16_t>(head[2]));
  paths->put(head[3]);
  paths->put(head[4]);
  for (int32_t i = 0; i < head[3]; ++i) {
    if (!next_value(s)) return false;
    paths->put(s->group.real);
  }
  for (int32_t i = 0; i < head[4]; ++i) {
    double p[2];
    for (double& v : p) {
      if (!next_value(s)) return false;
      v = s->group.real;
    }
    double weight = next_is(s, 42) ? s->group.real : 1.0;
    paths->put(p);
    if (rational) paths->put(weight);
  }
  uint32_t at = dxf_tell(s);
  if (!next_is(s, 97)) return true;
  const int32_t fit = s->group.i32;
  uint32_t after = dxf_tell(s);
  if (!dxf_read_group(s)) return false;
  uint16_t c = s->group.code;
  dxf_seek(s, after);
  if (c != 11 && c != 12 && c != 13 && c != 97) {
    dxf_seek(s, at);  // the path's own count
    return true;
  }
  for (int32_t i = 0; i < fit; ++i)
    if (!next_value(s) || !next_value(s)) return false;
  for (uint16_t tangent = 12; tangent <= 13; ++tangent)
    if (next_is(s, tangent) && !next_value(s)) return false;
  return true;
}

// The boundary paths that follow group 91, each read group by group in the order the format
// gives them; counts from the file only bound loops that read a group each time round.
bool read_hatch_paths(EntityRead* e, BlobOut* paths, BlobOut* sources) {
  DxfState* s = e->s;
  const int32_t count = s->group.i32;
  tk_data_put<uint32_t>(e->data, TK_HATCH_PATH_COUNT, count > 0 ? uint32_t(count) : 0u);
  for (int32_t p = 0; p < count; ++p) {
    if (!next_value(s)) return false;
    int32_t flags = s->group.i32;  // 92
    paths->put(flags);
    if (flags & 4) e->data->bytes[TK_HATCH_DERIVED] = 1;
    if (flags & 2) {
      if (!next_value(s)) return false;
      int16_t bulges = s->group.i16;  // 72
      if (!next_value(s)) return false;
      int16_t closed = s->group.i16;  // 73
      if (!next_value(s)) return false;
      int32_t n = s->group.i32;  // 93
      paths->put(bulges);
      paths->put(closed);
      paths->put(n);
      for (int32_t v = 0; v < n; ++v)
        for (int k = 0; k < (bulges ? 3 : 2); ++k) {
          if (!next_value(s)) return false;
          paths->put(s->group.real);
        }
    } else {
      if (!next_value(s)) return false;
      int32_t edges = s->group.i32;  // 93
      paths->put(edges);
      for (int32_t k = 0; k < edges; ++k) {
        if (!next_value(s)) return false;
        int16_t type = s->group.i16;  // 72
        paths->put(type);
        auto reals = [&](int n) {
          for (int i = 0; i < n; ++i) {
            if (!next_value(s)) return false;
            paths->put(s->group.real);
          }
          return true;
        };
        auto angles = [&](double* a) {
          for (int i = 0; i < 2; ++i) {
            if (!next_value(s)) return false;
            a[i] = s->group.real * kDegree;
          }
          return true;
        };
        if (type == 1) {
          if (!reals(4)) return false;
        } else if (type == 2 || type == 3) {
          if (!reals(type == 2 ? 3 : 5)) return false;  // centre, radius; or centre, axis, ratio
          double a[2];
          if (!angles(a)) return false;
          if (!next_value(s)) return false;
          int16_t ccw = s->group.i16;
          paths->put(a[0]);
          paths->put(a[1]);
          paths->put(ccw);
        } else if (type == 4) {
          if (!read_hatch_spline(s, paths)) return false;
        } else {
          return false;  // an edge type the format does not have: the rest cannot be placed
        }
      }
    }
    if (!next_value(s)) return false;
    int32_t n = s->group.i32;  // 97
    paths->put(n);
    for (int32_t i = 0; i < n; ++i) {
      if (!next_value(s)) return false;
      sources->put(s->group.handle);
      tk_data_put<uint32_t>(e->data, TK_HATCH_SOURCE_COUNT,
                            tk_data_get<uint32_t>(e->data, TK_HATCH_SOURCE_COUNT) + 1);
    }
  }
  return true;
}

bool read_hatch_lines(EntityRead* e, BlobOut* lines) {
  DxfState* s = e->s;
  int16_t count = s->group.i16;
  tk_data_put(e->data, TK_HATCH_LINE_COUNT, count);
  for (int16_t l = 0; l < count; ++l) {
    double v[5];
    for (int i = 0; i < 5; ++i) {
      if (!next_value(s)) return false;
      v[i] = i == 0 ? s->group.real * kDegree : s->group.real;
    }
    for (double x : v) lines->put(x);
    if (!next_value(s)) return false;
    int16_t dashes = s->group.i16;
    lines->put(dashes);
    for (int16_t d = 0; d < dashes; ++d) {
      if (!next_value(s)) return false;
      lines->put(s->group.real);
    }
  }
  return true;
}

bool read_hatch_seeds(EntityRead* e, BlobOut* seeds) {
  DxfState* s = e->s;
  int32_t count = s->group.i32;
  uint32_t kept = 0;
  for (int32_t i = 0; i < count; ++i) {
    double p[2];
    for (double& v : p) {
      if (!next_value(s)) return false;
      v = s->group.real;
    }
    seeds->put(p);
    ++kept;
  }
  tk_data_put(e->data, TK_HATCH_SEED_COUNT, kept);
  return true;
}

// IMAGE, WIPEOUT and OLE2FRAME go into the records the DWG reader fills, so that both kinds of
// file give one form to the display and to both writers.

int16_t image_group(EntityRead* e) {
  DxfState* s = e->s;
  const TkDxfGroup& g = s->group;
  uint16_t c = g.code;
  if ((c >= 10 && c <= 12) || (c >= 20 && c <= 22) || (c >= 30 && c <= 32)) {
    put_double(e->data, DWG13_IMAGE_INSERTION + 24 * (c % 10) + 8 * (c / 10 - 1), g.real);
  } else if (c == 13 || c == 23) {
    put_double(e->data, DWG13_IMAGE_SIZE + (c == 23 ? 8 : 0), g.real);
  } else if (c == 90) {
    tk_data_put(e->data, DWG13_IMAGE_VERSION, static_cast<uint32_t>(g.i32));
  } else if (c == 70) {
    tk_data_put(e->data, DWG13_IMAGE_DISPLAY, g.i16);
  } else if (c == 71) {
    tk_data_put(e->data, DWG13_IMAGE_CLIP_TYPE, g.i16);
  } else if (c >= 280 && c <= 283) {
    // Clipping, brightness, contrast and fade: one byte each.
    tk_data_put(e->data, DWG13_IMAGE_CLIPPING + (c - 280), static_cast<uint8_t>(g.i16));
  } else if (c == 340) {
    tk_data_put(e->data, DWG13_IMAGE_DEFINITION, g.handle);
  } else if (c == 360) {
    tk_data_put(e->data, DWG13_IMAGE_REACTOR, g.handle);
  } else if (c == 91) {
    // A rectangle gives its two corners; a polygon that many points.
    int16_t type = tk_data_get<int16_t>(e->data, DWG13_IMAGE_CLIP_TYPE);
    int32_t n = type == 1 ? 2 : g.i32;
    uint32_t kept = 0;
    for (int32_t i = 0; i < n; ++i) {
      double p[2];
      bool ok = true;
      for (double& v : p) {
        ok = ok && next_value(s);
        if (ok) v = s->group.real;
      }
      if (!ok) break;
      e->clip.put(p);
      ++kept;
    }
    tk_data_put(e->data, DWG13_IMAGE_CLIP_COUNT, kept);
  } else if (c == 92) {
    TkBlob* graphics = nullptr;
    if (dxf_read_preview(s, &graphics, nullptr)) {
      blob_free(tk_data_blob(e->data, DWG13_IMAGE_GRAPHICS));
      tk_data_put(e->data, DWG13_IMAGE_GRAPHICS, graphics);
    }
  }
  return 1;
}

int16_t ole_group(EntityRead* e) {
  DxfState* s = e->s;
  const TkDxfGroup& g = s->group;
  uint16_t c = g.code;
  if (c == 70) {
    tk_data_put(e->data, DWG13_OLE_FLAGS, g.i16);
  } else if (c == 73) {
    tk_data_put(e->data, DWG13_OLE_MODE, g.i16);
  } else if (c == 90) {
    // The data is the run of 310 groups that follows; its length is what they hold.
    TkBlob* blob = nullptr;
    uint32_t bytes = 0;
    if (dxf_read_preview(s, &blob, &bytes)) {
      blob_free(tk_data_blob(e->data, DWG13_OLE_DATA));
      tk_data_put(e->data, DWG13_OLE_DATA, blob);
      tk_data_put(e->data, DWG13_OLE_LENGTH, bytes);
    }
  } else if ((c >= 10 && c <= 11) || (c >= 20 && c <= 21) || (c >= 30 && c <= 31)) {
    put_double(e->data, DWG13_OLE_CORNER1 + 24 * (c % 10) + 8 * (c / 10 - 1), g.real);
  }
  return 1;
}

// MLINE vertices as they come, in `a`: each vertex is the mark 11 and its three points
// (position, segment direction, miter direction); each parameter list the mark of its count
// group (74 or 75), the number of values and the values. Groups outside a vertex or a list
// have no place and are passed over.
constexpr double kMlineVertexMark = 11;
constexpr size_t kMlineVertexReals = 9;

int16_t mline_group(EntityRead* e) {
  const TkDxfGroup& g = e->s->group;
  uint16_t code = g.code;
  Reals& a = e->a;
  bool point = code >= 11 && code <= 33 && code % 10 >= 1 && code % 10 <= 3;
  bool list = code == 74 || code == 75 || code == 41 || code == 42;
  if (!point && !list) return 0;
  if (a.failed) return 1;  // the entity is given up at its end
  if (code == 11) {
    e->mline_vertex = static_cast<long>(a.count) + 1;
    e->mline_list = -1;
    for (size_t i = 0; i <= kMlineVertexReals; ++i) a.add(i == 0 ? kMlineVertexMark : 0.0);
  }
  if (point) {
    if (e->mline_vertex >= 0 && !a.failed)
      a.items[e->mline_vertex + 3 * (code % 10 - 1) + (code / 10 - 1)] = g.real;
  } else if (code == 74 || code == 75) {
    if (e->mline_vertex >= 0 && a.add(code) && a.add(0)) {
      e->mline_list = static_cast<long>(a.count) - 1;
      e->mline_list_code = code;
    }
  } else if (e->mline_list >= 0 && e->mline_list_code == code + 33 &&
             a.items[e->mline_list] < 32767 && a.add(g.real)) {
    a.items[e->mline_list] += 1;
  }
  return 1;
}

// The vertex blob of the stored form: per vertex its three points, then per line of the
// entity a count and the parameters and a count and the fill parameters. Each vertex gets the
// entity's number of lines, so that the blob can be walked; lines the file left out have no
// parameters, lists beyond the number are dropped.
void finish_mline(EntityRead* e) {
  constexpr int kMaxLines = 255;  // the most a stored MLINE has
  const double* v = e->a.items;
  const size_t n = e->a.count;
  auto next = [&](size_t i) {
    if (v[i] == kMlineVertexMark) return i + 1 + kMlineVertexReals;
    return i + 2 + static_cast<size_t>(v[i + 1]);
  };
  // The number of lines is the file's, but no more than a vertex lists: a count alone gives
  // no parameters to keep, and a damaged count then costs no memory.
  int most = 0, in_vertex[2] = {0, 0};
  uint16_t vertices = 0;
  for (size_t i = 0; i < n; i = next(i)) {
    if (v[i] == kMlineVertexMark) {
      if (vertices < 32767) ++vertices;
      in_vertex[0] = in_vertex[1] = 0;
    } else {
      int k = ++in_vertex[v[i] == 75];
      if (k > most) most = k;
    }
  }
  int16_t given = tk_data_get<int16_t>(e->data, 12);
  int lines = given < 0 ? 0 : given > kMaxLines ? kMaxLines : given;
  if (lines > most) lines = most;
  tk_data_put<int16_t>(e->data, 12, static_cast<int16_t>(lines));
  tk_data_put<int16_t>(e->data, 14, static_cast<int16_t>(vertices));
  if (vertices == 0) return;
  BlobOut out;
  size_t list_at[2][kMaxLines];
  size_t i = 0;
  for (uint16_t vertex = 0; vertex < vertices; ++vertex) {
    size_t at = i + 1;
    int lists[2] = {0, 0};
    for (i = next(i); i < n && v[i] != kMlineVertexMark; i = next(i)) {
      int which = v[i] == 75;
      if (lists[which] < kMaxLines) list_at[which][lists[which]++] = i;
    }
    for (size_t k = 0; k < kMlineVertexReals; ++k) out.put(v[at + k]);
    for (int line = 0; line < lines; ++line)
      for (int which = 0; which < 2; ++which) {
        bool listed = line < lists[which];
        auto count = listed ? static_cast<int16_t>(v[list_at[which][line] + 1]) : int16_t{0};
        out.put(count);
        for (int16_t k = 0; k < count; ++k) out.put(v[list_at[which][line] + 2 + k]);
      }
  }
  tk_data_put(e->data, TK_MLINE_BLOB, out.close());
}

// RTEXT into the record the DWG reader fills, so that both kinds of file give one form.
int16_t rtext_group(EntityRead* e) {
  DxfState* s = e->s;
  const TkDxfGroup& g = s->group;
  switch (g.code) {
    case 1:
      dxf_copy_text(tk_data_text(e->data, DWG13_RTEXT_CONTENTS), kRtextContents, s->text);
      break;
    case 7: {
      TkPendingRefs& p = tk_state->pending;
      dxf_copy_text(p.text_style, sizeof p.text_style, s->text);
      break;
    }
    case 10: case 20: case 30:
      put_double(e->data, DWG13_RTEXT_INSERTION + 8 * (g.code / 10 - 1), g.real);
      break;
    case 40: put_double(e->data, DWG13_RTEXT_HEIGHT, g.real); break;
    case 50: put_double(e->data, DWG13_RTEXT_ROTATION, g.real * kDegree); break;
    case 70: tk_data_put(e->data, DWG13_RTEXT_FLAGS, g.i16); break;
    case 92: {
      TkBlob* graphics = nullptr;
      if (dxf_read_preview(s, &graphics, nullptr)) {
        blob_free(tk_data_blob(e->data, DWG13_RTEXT_GRAPHICS));
        tk_data_put(e->data, DWG13_RTEXT_GRAPHICS, graphics);
      }
      break;
    }
    default: break;
  }
  return 1;
}

// 1 when the kind took the group as part of one of its lists.
int16_t kind_group(EntityRead* e) {
  DxfState* s = e->s;
  const TkDxfGroup& g = s->group;
  TkPendingRefs& p = tk_state->pending;
  TkDrawing* d = s->drawing;
  uint16_t kind = e->kind;
  uint16_t code = g.code;
  if (e->native_class && kind == tk_class_lwpolyline(d)) {
    switch (code) {
      case 10:
        // x, y, start width, end width, bulge per vertex.
        for (int i = 0; i < 5; ++i) e->a.add(i == 0 ? g.real : 0.0);
        ++e->lw_vertex;
        return 1;
      case 20:
        if (e->lw_vertex >= 0) e->a.items[5 * e->lw_vertex + 1] = g.real;
        return 1;
      case 40:
      case 41:
      case 42:
        if (e->lw_vertex >= 0 && e->a.count >= 5 * size_t(e->lw_vertex) + 5)
          e->a.items[5 * e->lw_vertex + (code == 42 ? 4 : code - 38)] = g.real;
        return 1;
      case 43: e->lw_width = g.real; return 1;
      case 70:
        if (g.i16 & 1) e->lw_flags |= TK_LWPL_CLOSED;
        if (g.i16 & 128) e->lw_flags |= TK_LWPL_PLINEGEN;
        return 1;
      case 90: return 1;
      default: return 1;
    }
  }
  if (e->native_class && (kind == tk_class_image(d) || kind == tk_class_wipeout(d)))
    return image_group(e);
  if (e->native_class && kind == tk_class_ole2frame(d)) return ole_group(e);
  if (e->native_class && kind == tk_class_hatch(d)) {
    switch (code) {
      case 10: case 20: case 30:
        put_double(e->data, TK_HATCH_ELEVATION + 8 * (code / 10 - 1), g.real);
        return 1;
      case 2: dxf_copy_text(tk_data_text(e->data, TK_HATCH_PATTERN), 256, s->text); return 1;
      case 70: tk_data_put(e->data, TK_HATCH_SOLID, g.i16); return 1;
      case 71: tk_data_put(e->data, TK_HATCH_ASSOCIATIVE, g.i16); return 1;
      case 75: tk_data_put(e->data, TK_HATCH_STYLE, g.i16); return 1;
      case 76: tk_data_put(e->data, TK_HATCH_PATTERN_TYPE, g.i16); return 1;
      case 77: tk_data_put(e->data, TK_HATCH_DOUBLE, g.i16); return 1;
      case 52: put_double(e->data, TK_HATCH_ANGLE, g.real * kDegree); return 1;
      case 41: put_double(e->data, TK_HATCH_SCALE, g.real); return 1;
      case 47: put_double(e->data, TK_HATCH_PIXEL_SIZE, g.real); return 1;
      case 91:
        // After a list that broke off, the groups cannot be placed any more.
        if (!e->hatch_failed && !read_hatch_paths(e, &e->hatch_paths, &e->hatch_sources)) e->hatch_failed = true;
        return 1;
      case 78:
        // After a list that broke off, the groups cannot be placed any more.
        if (!e->hatch_failed && !read_hatch_lines(e, &e->hatch_lines)) e->hatch_failed = true;
        return 1;
      case 98:
        // After a list that broke off, the groups cannot be placed any more.
        if (!e->hatch_failed && !read_hatch_seeds(e, &e->hatch_seeds)) e->hatch_failed = true;
        return 1;
      default: return 1;
    }
  }
  if (e->native_class && kind == tk_class_rtext(d)) return rtext_group(e);
  if (e->native_class && kind == tk_class_arcalignedtext(d)) {
    switch (code) {
      case 1: dxf_copy_text(tk_data_text(e->data, 0), 1024, s->text); return 1;
      case 2: dxf_copy_text(tk_data_text(e->data, 1024), 512, s->text); return 1;
      case 3: dxf_copy_text(tk_data_text(e->data, 1536), 512, s->text); return 1;
      case 7: dxf_copy_text(p.text_style, sizeof p.text_style, s->text); return 1;
      case 10: case 20: case 30: put_double(e->data, 2048 + 8 * (code / 10 - 1), g.real); return 1;
      case 40: put_double(e->data, 2072, g.real); return 1;
      case 50: put_double(e->data, 2128, g.real); return 1;  // kept in degrees, as written
      case 51: put_double(e->data, 2136, g.real); return 1;
      case 90: tk_data_put(e->data, 2164, g.i32); return 1;
      case 280: tk_data_put(e->data, 2168, g.i16); return 1;
      case 330: tk_data_put(e->data, 2172, g.handle); return 1;
      default: break;
    }
    if (code >= 41 && code <= 46) put_double(e->data, 2080 + 8 * (code - 41), g.real);
    if (code >= 70 && code <= 79) tk_data_put(e->data, 2144 + 2 * (code - 70), g.i16);
    return 1;
  }
  if (kind > TK_LAST_FIXED_KIND) return 1;  // other classes: their groups are passed over
  switch (kind) {
    case TK_TEXT:
    case TK_ATTDEF:
    case TK_ATTRIB:
    case TK_MTEXT:
      if (code == 7) {
        dxf_copy_text(p.text_style, sizeof p.text_style, s->text);
        return 1;
      }
      if (kind == TK_MTEXT && (code == 3 || (code == 1 && e->text_chunks))) {
        e->text_chunks = true;
        append_text_chunk(e);
        return 1;
      }
      return 0;
    case TK_INSERT:
      if (code == 2) {
        dxf_copy_text(p.block, sizeof p.block, s->text);
        return 1;
      }
      return 0;
    case TK_DIMENSION:
      if (code == 2) {
        dxf_copy_text(p.block, sizeof p.block, s->text);
        return 1;
      }
      if (code == 3) {
        dxf_copy_text(p.dimstyle, sizeof p.dimstyle, s->text);
        return 1;
      }
      return 0;
    case TK_LEADER:
    case TK_TOLERANCE:
      if (code == 3) {
        dxf_copy_text(p.dimstyle, sizeof p.dimstyle, s->text);
        return 1;
      }
      if (kind == TK_LEADER && code == 10) return e->a.add(g.real), e->a.add(0), e->a.add(0), 1;
      if (kind == TK_LEADER && (code == 20 || code == 30)) {
        if (e->a.count >= 3) e->a.items[e->a.count - (code == 20 ? 2 : 1)] = g.real;
        return 1;
      }
      return 0;
    case TK_SPLINE:
      // Control points (with a weight when rational), fit points, knots.
      if (code == 10) return e->a.add(g.real), e->a.add(0), e->a.add(0), e->a.add(1.0), 1;
      if ((code == 20 || code == 30) && e->a.count >= 4) {
        e->a.items[e->a.count - (code == 20 ? 3 : 2)] = g.real;
        return 1;
      }
      if (code == 41 && e->a.count >= 4) {
        e->a.items[e->a.count - 1] = g.real;
        tk_data_put<int16_t>(e->data, 2, tk_data_get<int16_t>(e->data, 2) | 4);
        return 1;
      }
      if (code == 11) return e->c.add(g.real), e->c.add(0), e->c.add(0), 1;
      if ((code == 21 || code == 31) && e->c.count >= 3) {
        e->c.items[e->c.count - (code == 21 ? 2 : 1)] = g.real;
        return 1;
      }
      if (code == 40) return e->b.add(g.real), 1;
      return 0;
    // Names the core turns into a shape number and a multiline style once it can look them up.
    case TK_SHAPE:
      if (code == 2) {
        dxf_copy_text(p.shape, sizeof p.shape, s->text);
        return 1;
      }
      return 0;
    case TK_MLINE:
      if (code == 2) {
        dxf_copy_text(p.mlinestyle, sizeof p.mlinestyle, s->text);
        return 1;
      }
      return mline_group(e);
    case TK_REGION:
    case TK_3DSOLID:
    case TK_BODY:
      if (code == 1 || code == 3) {
        append_sat_line(e, code == 1);
        return 1;
      }
      return 0;
    default: return 0;
  }
}

TkBlob* reals_blob(const double* values, size_t count) {
  TkBlob* blob = dxf_blob_for(count * sizeof(double));
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  bool ok = w && blob_write(w, values, count * sizeof(double));
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(blob);
    return nullptr;
  }
  return blob;
}

void finish_lwpolyline(EntityRead* e) {
  size_t n = e->a.count / 5;
  uint16_t flags = e->lw_flags;
  bool bulges = false, widths = false;
  for (size_t i = 0; i < n; ++i) {
    const double* v = e->a.items + 5 * i;
    if (v[2] != 0 || v[3] != 0) widths = true;
    if (v[4] != 0) bulges = true;
  }
  if (bulges) flags |= TK_LWPL_BULGES;
  if (widths) flags |= TK_LWPL_WIDTHS;
  if (e->lw_width != 0) flags |= TK_LWPL_CONSTANT_WIDTH;
  if (e->elevation != 0 || tk_data_get<double>(e->data, TK_LWPOLYLINE_ELEVATION) != 0)
    flags |= TK_LWPL_ELEVATION;
  if (e->h->thickness != 0) flags |= TK_LWPL_THICKNESS;
  if (e->h->flags & TK_ENTITY_EXTRUDED) flags |= TK_LWPL_EXTRUDED;
  TkBlob* blob = dxf_blob_for(n * (16 + (bulges ? 8 : 0) + (widths ? 16 : 0)));
  TkBlob* w = blob ? blob_create(blob) : nullptr;
  bool ok = w != nullptr;
  for (size_t i = 0; ok && i < n; ++i) {
    const double* v = e->a.items + 5 * i;
    ok = blob_write(w, v, 16) && (!bulges || blob_write(w, &v[4], 8)) &&
         (!widths || blob_write(w, &v[2], 16));
  }
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(blob);
    blob = nullptr;
    n = 0;
  }
  tk_data_put(e->data, TK_LWPOLYLINE_FLAGS, flags);
  tk_data_put(e->data, TK_LWPOLYLINE_COUNT, static_cast<uint32_t>(n));
  tk_data_put(e->data, TK_LWPOLYLINE_WIDTH, e->lw_width);
  tk_data_put(e->data, TK_LWPOLYLINE_VERTICES, blob);
}

void finish_entity(EntityRead* e) {
  TkEntityData* data = e->data;
  TkDrawing* d = e->s->drawing;
  switch (e->kind) {
    case TK_DIMENSION:
      // The clone insertion point lies in the plane of the text midpoint.
      put_double(data, 8 + 16, tk_data_get<double>(data, 168 + 16));
      break;
    case TK_INSERT:
      if (tk_data_get<uint16_t>(data, 80) == 0) tk_data_put<uint16_t>(data, 80, 1);
      if (tk_data_get<uint16_t>(data, 82) == 0) tk_data_put<uint16_t>(data, 82, 1);
      break;
    case TK_SPLINE: {
      bool rational = (tk_data_get<int16_t>(data, 2) & 4) != 0;
      Reals all;
      for (size_t i = 0; i < e->b.count; ++i) all.add(e->b.items[i]);
      for (size_t i = 0; i < e->a.count; ++i)
        if (rational || i % 4 != 3) all.add(e->a.items[i]);
      for (size_t i = 0; i < e->c.count; ++i) all.add(e->c.items[i]);
      // Counts the file gave without their lists describe nothing.
      tk_data_put<int16_t>(data, 4, static_cast<int16_t>(e->b.count));
      tk_data_put<int16_t>(data, 6, static_cast<int16_t>(e->a.count / 4));
      tk_data_put<int16_t>(data, 8, static_cast<int16_t>(e->c.count / 3));
      if (all.count && !all.failed) tk_data_put(data, TK_SPLINE_BLOB, reals_blob(all.items, all.count));
      break;
    }
    case TK_LEADER: {
      size_t n = e->a.count / 3;
      // With a hook line the file repeats a vertex that is not part of the leader's path.
      if (data->bytes[5] != 0 && n >= 2) {
        std::memmove(e->a.items + 3 * (n - 2), e->a.items + 3 * (n - 1), 3 * sizeof(double));
        --n;
      }
      if (n) tk_data_put(data, TK_LEADER_BLOB, reals_blob(e->a.items, 3 * n));
      // The vertex count has its own place (group 76); the word at 6 is the annotation type.
      tk_data_put<uint16_t>(data, 0, static_cast<uint16_t>(n));
      break;
    }
    case TK_MLINE: finish_mline(e); break;
    case TK_REGION:
    case TK_3DSOLID:
    case TK_BODY:
      tk_data_put(data, TK_MODELER_BLOB_1, e->text);
      e->text = nullptr;
      break;
    case TK_MTEXT:
      if (e->text) {
        tk_data_put(data, TK_MTEXT_BLOB, e->text);
        e->text = nullptr;
      }
      break;
    default:
      if (e->native_class && e->kind == tk_class_lwpolyline(d)) finish_lwpolyline(e);
      if (e->native_class && (e->kind == tk_class_image(d) || e->kind == tk_class_wipeout(d)))
        tk_data_put(data, DWG13_IMAGE_CLIP, e->clip.close());
      if (e->native_class && e->kind == tk_class_hatch(d)) {
        // A hatch whose lists broke off keeps what it read before them.
        tk_data_put(data, TK_HATCH_PATHS, e->hatch_paths.close());
        tk_data_put(data, TK_HATCH_LINES, e->hatch_lines.close());
        tk_data_put(data, TK_HATCH_SOURCES, e->hatch_sources.close());
        tk_data_put(data, TK_HATCH_SEEDS, e->hatch_seeds.close());
      }
      break;
  }
  TkEntityHeader* h = e->h;
  if ((h->flags & TK_ENTITY_EXTRUDED) && h->extrusion[0] == 0 && h->extrusion[1] == 0 &&
      h->extrusion[2] == 1)
    h->flags &= static_cast<uint8_t>(~TK_ENTITY_EXTRUDED);
}

}  // namespace

int16_t dxf_read_entity(TkDrawing* d, TkEntityHeader* h, TkEntityData* data, uint8_t* has_xdata) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  *has_xdata = 0;
  for (;;) {
    dxf_xdata_reset(s);
    if (!s->in_block && dxf_tell(s) >= s->entities_end) return 0;
    if (!dxf_read_group(s) || dxf_at_end(s) || dxf_text_is(s, "ENDSEC")) return 0;
    bool native = false, skip = false;
    const bool zombie = dxf_text_is(s, "ACAD_ZOMBIE_ENTITY");
    uint16_t kind = kind_of(s, &native, &skip);
    if (kind == TK_3DLINE) kind = TK_LINE;
    // A second BLOCK is the next block's: this one lost its ENDBLK. Reading on would give every
    // block all the entities of the blocks after it, and a damaged file quadratic time.
    if (s->in_block && kind == TK_BLOCK) {
      if (s->block_begun) return 0;
      s->block_begun = 1;
    }
    h->kind = kind;
    tk_init_entity(d, h, data);
    clear_pending(&tk_state->pending);
    EntityRead e;
    e.s = s;
    e.h = h;
    e.data = data;
    e.kind = kind;
    e.rows = kind <= TK_LAST_FIXED_KIND ? layout_rows(kind) : nullptr;
    e.native_class = native;
    e.zombie = zombie;
    if (native && (kind == tk_class_image(d) || kind == tk_class_wipeout(d)))
      tk_data_put<int16_t>(data, DWG13_IMAGE_CLIP_TYPE, 1);  // a rectangular clip
    if (native && kind == tk_class_ole2frame(d)) {
      tk_data_put<int16_t>(data, DWG13_OLE_FLAGS, 2);
      data->bytes[DWG13_OLE_TRAILER] = 1;
    }
    bool failed = false;
    if (!skip && kind > TK_LAST_FIXED_KIND && !native) {
      // Other class entities keep their class and their groups as a proxy's data.
      h->kind = kProxyKind;
      if (!begin_proxy(&e, kind)) failed = true;
    }
    uint32_t position = 0;
    // Later releases end some entities with an object embedded in them (group 101), whose groups
    // repeat codes of the entity (a paragraph text's position, height and contents): none of
    // them is the entity's.
    bool embedded = false;
    while (!failed) {
      position = dxf_tell(s);
      if (!dxf_read_group(s)) {
        failed = !dxf_at_end(s);
        break;
      }
      if (s->group.code == 0) {
        dxf_seek(s, position);
        break;
      }
      if (s->group.code == 101) embedded = true;
      if (skip || embedded) continue;
      if (common_group(&e, has_xdata, &failed)) {
        if (failed) break;
        continue;
      }
      if (e.proxy) {
        if (!e.zombie || !zombie_group(&e)) proxy_group(&e);
        continue;
      }
      if (kind_group(&e)) continue;
      store_layout_group(&e);
      if (dxf_at_end(s)) break;
    }
    if (!failed && e.proxy && !finish_proxy(&e)) failed = true;
    if (failed || e.a.failed || e.b.failed || e.c.failed) {
      drop_proxy(&e);
      blob_free(e.text);
      tk_free_entity_blobs(d, h, data);
      return 0;
    }
    if (skip) continue;
    finish_entity(&e);
    blob_free(e.text);
    if (*has_xdata) h->xdata = dxf_xdata_blob(s);
    return 1;
  }
}

int16_t dxf_begin_viewport_entities(TkDrawing* d) {
  DxfState* s = dxf_state(d);
  if (!s) return 0;
  s->viewports.next = 0;
  return 1;
}

int16_t dxf_read_viewport_entity(TkDrawing* d, TkViewportEntityHeader* record) {
  DxfState* s = dxf_state(d);
  // The list is read while the file is open, during the load.
  if (!s || !d->file || s->viewports.next >= s->viewports.count) return 0;
  // No identifier, no name, on (flag bit 1) until the entity says otherwise.
  record->viewport_number = -1;
  record->flags = 1;
  record->name[0] = 0;
  dxf_seek(s, s->viewports.items[s->viewports.next++]);
  if (!dxf_read_group(s) || !dxf_text_is(s, "VIEWPORT")) return 0;
  for (;;) {
    uint32_t position = dxf_tell(s);
    if (!dxf_read_group(s)) return 0;
    if (s->group.code == 0) {
      dxf_seek(s, position);
      return 1;
    }
    if (dxf_at_end(s)) return 1;
    if (s->group.code == 2) dxf_copy_text(record->name, sizeof record->name, s->text);
    if (s->group.code == 5) record->viewport = s->group.handle;
    if (s->group.code == 68) {
      // The status: 0 for a viewport that is off, else its place in the stack.
      record->viewport_number = s->group.i16;
      if (s->group.i16 == 0) record->flags = 0;
    }
  }
}
