// Entity records: defaults, the blobs each kind owns, and the compact stored form. Stored
// records are only ever made by entity_pack, yet unpacking checks every size against the record
// so that a damaged record reads as a failure and never past its end.
#include "toolkit/core/entity.h"

#include <algorithm>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/hidx.h"
#include "toolkit/core/list.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/pool.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

struct KindLayout {
  uint16_t fixed;      // data bytes always stored
  uint8_t blob_count;
  uint16_t blobs[4];   // byte places of owned blobs
};

// Kinds 0 to 39.
constexpr KindLayout kFixedKinds[TK_LAST_FIXED_KIND + 1] = {
    {0, 0, {}},        {48, 0, {}},   {32, 0, {}},  {32, 0, {}},  {72, 0, {}},
    {72, 0, {}},       {96, 1, {TK_SPLINE_BLOB}},   {88, 0, {}},  {48, 0, {}},
    {96, 0, {}},       {40, 2, {TK_MODELER_BLOB_1, TK_MODELER_BLOB_2}},
    {96, 0, {}},       {1048, 0, {}}, {0, 0, {}},   {96, 0, {}},  {96, 0, {}},
    {96, 0, {}},       {0, 0, {}},    {0, 0, {}},   {40, 0, {}},  {88, 0, {}},
    {48, 0, {}},       {104, 0, {}},  {272, 0, {}}, {888, 1, {TK_VIEWPORT_BLOB}},
    {40, 2, {TK_MODELER_BLOB_1, TK_MODELER_BLOB_2}},
    {48, 0, {}},       {48, 0, {}},   {120, 1, {TK_MTEXT_BLOB}},
    {128, 1, {TK_LEADER_BLOB}},       {64, 0, {}},  {56, 1, {TK_MLINE_BLOB}},
    {0, 0, {}},        {0, 0, {}},    {0, 0, {}},
    {40, 2, {TK_MODELER_BLOB_1, TK_MODELER_BLOB_2}},
    {0, 0, {}},        {0, 0, {}},    {0, 0, {}},   {0, 0, {}},
};

const char* const kKindNames[TK_LAST_FIXED_KIND + 1] = {
    "",        "LINE",   "POINT",    "CIRCLE",  "SHAPE",  "ELLIPSE",   "SPLINE",   "TEXT",
    "ARC",     "TRACE",  "REGION",   "SOLID",   "BLOCK",  "ENDBLK",    "INSERT",   "ATTDEF",
    "ATTRIB",  "SEQEND", "",         "POLYLINE", "VERTEX", "3DLINE",   "3DFACE",   "DIMENSION",
    "VIEWPORT", "3DSOLID", "RAY",    "XLINE",   "MTEXT",  "LEADER",    "TOLERANCE", "MLINE",
    "",        "",       "",         "BODY",    "",       "",          "",         "",
};

struct ClassLayout {
  TkClassSlot slot;
  KindLayout layout;
};

constexpr ClassLayout kClassKinds[] = {
    {TK_CLASS_LWPOLYLINE, {32, 1, {TK_LWPOLYLINE_VERTICES}}},
    {TK_CLASS_HATCH, {600, 4, {544, 568, 576, 592}}},
    {TK_CLASS_IMAGE, {176, 3, {144, 152, TK_IMAGE_BUFFER}}},
    {TK_CLASS_WIPEOUT, {168, 2, {144, 152}}},
    {TK_CLASS_OLE2FRAME, {72, 1, {64}}},
    {TK_CLASS_RTEXT, {1080, 1, {56}}},
    {TK_CLASS_ARCALIGNEDTEXT, {2192, 1, {2184}}},
};

// Any other class kind: blobs at 16 and 32, and at 24 when the word at 8 says so.
constexpr uint16_t kOtherClassFixed = 40;

bool is_class_kind(uint16_t kind) { return kind > TK_LAST_FIXED_KIND; }

const ClassLayout* class_layout(const TkDrawing* drawing, uint16_t kind) {
  for (const auto& c : kClassKinds)
    if (drawing->class_numbers[c.slot] != 0 && drawing->class_numbers[c.slot] == kind) return &c;
  return nullptr;
}

KindLayout layout_of(const TkDrawing* drawing, uint16_t kind, const TkEntityData* data) {
  if (!is_class_kind(kind)) return kFixedKinds[kind];
  if (const ClassLayout* c = class_layout(drawing, kind)) return c->layout;
  KindLayout l{kOtherClassFixed, 0, {}};
  l.blobs[l.blob_count++] = 16;
  if (data && tk_data_get<uint32_t>(data, TK_CLASS_DATA_FLAG) != 0) l.blobs[l.blob_count++] = 24;
  l.blobs[l.blob_count++] = 32;
  return l;
}

// The length of the string at the offset, cut so that it and its zero fit before `end`.
size_t bounded_length(const TkEntityData* data, size_t offset, size_t end) {
  const char* s = tk_data_text(data, offset);
  return strnlen(s, end - offset - 1);
}

size_t text_offset(uint16_t kind) {
  switch (kind) {
    case TK_TEXT: return TK_TEXT_STRING;
    case TK_DIMENSION: return TK_DIMENSION_STRING;
    case TK_MTEXT: return TK_MTEXT_STRING;
    case TK_TOLERANCE: return TK_TOLERANCE_STRING;
    default: return 0;
  }
}

size_t vertex_size(const TkEntityData* data) {
  bool plain = tk_data_get<uint16_t>(data, 48) == 0 && tk_data_get<uint16_t>(data, 50) == 0 &&
               tk_data_get<double>(data, 56) == 0.0 && tk_data_get<double>(data, 64) == 0.0 &&
               (tk_data_get<uint16_t>(data, TK_VERTEX_FLAGS) & (64 | 128)) == 0;
  // The third and fourth vertex indexes of a polyface face stand at 90 and 98, behind the usual
  // 88 bytes: a face that uses them keeps 100.
  if (!plain)
    return tk_data_get<uint16_t>(data, 90) || tk_data_get<uint16_t>(data, 98) ? 100 : 88;
  bool flat = tk_data_get<uint16_t>(data, TK_VERTEX_FLAGS) == 0 &&
              tk_data_get<double>(data, TK_VERTEX_Z) == 0.0;
  return flat ? 16 : 32;
}

// Attribute strings: where each stands in the data record.
constexpr size_t kAttrPlaces[3] = {TK_ATTDEF_STRINGS, TK_ATTDEF_SECOND, TK_ATTDEF_THIRD};

int attr_string_count(uint16_t kind) {
  return kind == TK_ATTDEF ? 3 : kind == TK_ATTRIB ? 2 : 0;
}

// Builds the data bytes of the stored form into out (TK_ENTITY_DATA_SIZE bytes); their count.
size_t stored_data(TkDrawing* drawing, const TkEntityHeader* header, const TkEntityData* data,
                   uint8_t* out) {
  uint16_t kind = header->kind;
  if (int n = attr_string_count(kind)) {
    size_t at = TK_ATTDEF_STRINGS;
    std::memcpy(out, data->bytes, at);
    for (int i = 0; i < n; ++i) {
      size_t len = strnlen(tk_data_text(data, kAttrPlaces[i]), TK_ATTR_STRING_MAX);
      std::memcpy(out + at, data->bytes + kAttrPlaces[i], len);
      out[at + len] = 0;
      at += len + 1;
    }
    return at;
  }
  if (size_t t = text_offset(kind)) {
    size_t len = bounded_length(data, t, TK_ENTITY_DATA_SIZE);
    std::memcpy(out, data->bytes, t + len);
    out[t + len] = 0;
    return t + len + 1;
  }
  size_t d = kind == TK_VERTEX ? vertex_size(data) : layout_of(drawing, kind, data).fixed;
  std::memcpy(out, data->bytes, d);
  return d;
}

void put_bytes(uint8_t*& p, const void* value, size_t n) {
  std::memcpy(p, value, n);
  p += n;
}

void put_compact(uint8_t*& p, const TkHandle* h) {
  uint8_t buf[9];
  size_t n = tk_handle_to_compact(h, buf);
  put_bytes(p, buf, n);
}

// Cursor over the variable part that refuses to run past it.
struct Reader {
  const uint8_t* p;
  const uint8_t* end;
  bool ok = true;
  void get(void* out, size_t n) {
    if (!ok || size_t(end - p) < n) {
      ok = false;
      return;
    }
    std::memcpy(out, p, n);
    p += n;
  }
  void significant(TkHandle* h, size_t n) {
    std::memset(h->bytes, 0, 8);
    if (n > 8) {
      ok = false;
      return;
    }
    get(h->bytes + 8 - n, n);
  }
  void compact(TkHandle* h) {
    uint8_t n = 0;
    get(&n, 1);
    if (ok) significant(h, n);
  }
};

const TkHandle* first_record_handle(const TkList* list, size_t handle_offset) {
  const TkLink* l = list_first(list);
  if (!l || l->size < handle_offset + sizeof(TkHandle)) return nullptr;
  return reinterpret_cast<const TkHandle*>(static_cast<const uint8_t*>(tk_link_data(l)) +
                                           handle_offset);
}

void put_first_handle(TkEntityData* data, size_t offset, const TkList* list,
                      size_t handle_offset) {
  const TkHandle* h = first_record_handle(list, handle_offset);
  tk_data_put(data, offset, h ? *h : TkHandle{});
}

void put_point(TkEntityData* data, size_t offset, double x, double y, double z) {
  tk_data_put(data, offset, x);
  tk_data_put(data, offset + 8, y);
  tk_data_put(data, offset + 16, z);
}

// Appends the INSERT's handle to the references blob of its stored block record.
bool note_block_reference(TkLink* block_link, const TkHandle* insert) {
  auto* block = static_cast<TkBlockRecord*>(tk_link_data(block_link));
  bool fresh = block->references == nullptr;
  if (fresh) {
    block->references = blob_alloc(128);
    if (!block->references) return false;
  }
  TkBlob* w = blob_open_append(block->references);
  bool ok = w && blob_write(w, insert->bytes, 8);
  if (w) ok = blob_close_append(w) && ok;
  if (!ok && fresh) {
    blob_free(block->references);
    block->references = nullptr;
  }
  return ok;
}

bool free_blob(TkBlob*& blob) {
  if (!blob) return true;
  bool ok = blob_free(blob) == 1;
  blob = nullptr;
  return ok;
}

}  // namespace

const char* tk_entity_kind_name(uint16_t kind) {
  return kind <= TK_LAST_FIXED_KIND ? kKindNames[kind] : "";
}

size_t tk_entity_data_size(TkDrawing* drawing, const TkEntityHeader* header,
                           const TkEntityData* data) {
  static uint8_t scratch[TK_ENTITY_DATA_SIZE];
  return stored_data(drawing, header, data, scratch);
}

TkLink* entity_pack(TkDrawing* drawing, TkList* list, const TkEntityHeader* header,
                    const TkEntityData* data, uint16_t position, TkLink* before, uint16_t flags) {
  TkLink* block_link = nullptr;
  if (header->kind == TK_INSERT) {
    TkHandle block = tk_data_get<TkHandle>(data, TK_INSERT_BLOCK);
    auto* found = static_cast<TkLink*>(hidx_lookup(&drawing->index, &block));
    if (found && found->owner == &drawing->blocks) block_link = found;
    if (!block_link && !(flags & TK_PACK_KEEP_UNRESOLVED)) {
      tk_fail(TK_ERR_INSERT_BLOCK_UNKNOWN);
      return nullptr;
    }
  }

  // Head, variable part (at most 8+2+24+8+8+4+12+9+9+2+17+2 bytes) and data.
  // Built aside, then stored in one record of its final size; the toolkit is not re-entrant.
  constexpr size_t kVarMax = 128;
  static uint8_t record[TK_STORED_HEAD_SIZE + kVarMax + TK_ENTITY_DATA_SIZE];
  uint8_t present = 0, present2 = 0;
  uint8_t* p = record + TK_STORED_HEAD_SIZE;
  if (header->thickness != 0.0) {
    present |= TK_HAS_THICKNESS;
    put_bytes(p, &header->thickness, 8);
  }
  if (header->colour != TK_COLOUR_BYLAYER) {
    present |= TK_HAS_COLOUR;
    put_bytes(p, &header->colour, 2);
  }
  if (header->flags & TK_ENTITY_EXTRUDED) {
    present |= TK_HAS_EXTRUSION;
    put_bytes(p, header->extrusion, 24);
  }
  if (header->xdata) {
    present |= TK_HAS_XDATA;
    put_bytes(p, &header->xdata, sizeof header->xdata);
  }
  if (header->linetype_scale != 1.0) {
    present |= TK_HAS_LTSCALE;
    put_bytes(p, &header->linetype_scale, 8);
  }
  if (header->word_a != 0) {
    present |= TK_HAS_WORD_A;
    put_bytes(p, &header->word_a, 4);
  }
  if (header->reactors) {
    present |= TK_HAS_REACTORS;
    put_bytes(p, &header->reactor_count, 4);
    put_bytes(p, &header->reactors, sizeof header->reactors);
  }
  if (!tk_handle_is_null(&header->xdictionary)) {
    present |= TK_HAS_XDICTIONARY;
    put_compact(p, &header->xdictionary);
  }
  if (!tk_handle_is_null(&header->plot_style)) {
    present2 |= TK_HAS_PLOT_STYLE;
    put_compact(p, &header->plot_style);
  }
  put_bytes(p, &header->lineweight, 2);
  int16_t layer_len = tk_handle_length(&header->layer);
  int16_t ltype_len = tk_handle_length(&header->linetype);
  *p++ = uint8_t(layer_len << 4 | ltype_len);
  put_bytes(p, header->layer.bytes + 8 - layer_len, size_t(layer_len));
  put_bytes(p, header->linetype.bytes + 8 - ltype_len, size_t(ltype_len));
  uint8_t* size_place = p;
  p += 2;
  auto var_size = uint16_t(p - (record + TK_STORED_HEAD_SIZE));
  auto d = uint16_t(stored_data(drawing, header, data, p));
  std::memcpy(size_place, &d, 2);

  std::memcpy(record + TK_STORED_KIND, &header->kind, 2);
  std::memcpy(record + TK_STORED_HANDLE, header->handle.bytes, 8);
  record[TK_STORED_FLAGS] = header->flags;
  record[TK_STORED_PRESENT] = present;
  record[TK_STORED_PRESENT2] = present2;
  std::memcpy(record + TK_STORED_VAR_SIZE, &var_size, 2);

  // The records of a load live as long as the drawing: they come from its pool.
  TkRecordPool* pool = drawing->loading ? &drawing->entity_pool : nullptr;
  TkLink* link = record_store_pooled(pool, record, TK_STORED_HEAD_SIZE + var_size + d, list,
                                     position, before);
  if (!link) return nullptr;
  if (block_link && !note_block_reference(block_link, &header->handle)) {
    tk_release_entity_record(drawing, list_remove(list, link));
    tk_fail_alloc(TK_ERR_ALLOC_BINDATA);
    return nullptr;
  }
  return link;
}

int16_t entity_unpack(const TkLink* stored, TkEntityHeader* header, TkEntityData* data,
                      const uint8_t** data_location, TkLink** next) {
  const auto* r = static_cast<const uint8_t*>(tk_link_data(stored));
  if (stored->size < TK_STORED_HEAD_SIZE) return tk_fail(TK_ERR_GET_ITEM);
  uint16_t var_size;
  std::memcpy(&var_size, r + TK_STORED_VAR_SIZE, 2);
  if (var_size < 5 || stored->size - TK_STORED_HEAD_SIZE < var_size)
    return tk_fail(TK_ERR_GET_ITEM);

  TkEntityHeader h = *header;  // the transient words stay as the caller had them
  std::memcpy(&h.kind, r + TK_STORED_KIND, 2);
  std::memcpy(h.handle.bytes, r + TK_STORED_HANDLE, 8);
  h.flags = r[TK_STORED_FLAGS];
  uint8_t present = r[TK_STORED_PRESENT], present2 = r[TK_STORED_PRESENT2];
  h.thickness = 0.0;
  h.colour = TK_COLOUR_BYLAYER;
  h.extrusion[0] = h.extrusion[1] = 0.0;
  h.extrusion[2] = 1.0;
  h.xdata = nullptr;
  h.linetype_scale = 1.0;
  h.word_a = 0;
  h.reactor_count = 0;
  h.reactors = nullptr;
  h.xdictionary = TkHandle{};
  h.plot_style = TkHandle{};

  Reader in{r + TK_STORED_HEAD_SIZE, r + TK_STORED_HEAD_SIZE + var_size};
  if (present & TK_HAS_THICKNESS) in.get(&h.thickness, 8);
  if (present & TK_HAS_COLOUR) in.get(&h.colour, 2);
  if (present & TK_HAS_EXTRUSION)
    in.get(h.extrusion, 24);
  else
    h.flags &= uint8_t(~TK_ENTITY_EXTRUDED);
  if (present & TK_HAS_XDATA) in.get(&h.xdata, sizeof h.xdata);
  if (present & TK_HAS_LTSCALE) in.get(&h.linetype_scale, 8);
  if (present & TK_HAS_WORD_A) in.get(&h.word_a, 4);
  if (present & TK_HAS_REACTORS) {
    in.get(&h.reactor_count, 4);
    in.get(&h.reactors, sizeof h.reactors);
  }
  if (present & TK_HAS_XDICTIONARY) in.compact(&h.xdictionary);
  if (present2 & TK_HAS_PLOT_STYLE) in.compact(&h.plot_style);
  in.get(&h.lineweight, 2);
  uint8_t lengths = 0;
  in.get(&lengths, 1);
  in.significant(&h.layer, lengths >> 4);
  in.significant(&h.linetype, lengths & 15);
  uint16_t d = 0;
  in.get(&d, 2);
  if (!in.ok || in.p != in.end) return tk_fail(TK_ERR_GET_ITEM);
  const uint8_t* bytes = in.end;
  if (size_t(stored->size) - TK_STORED_HEAD_SIZE - var_size != d || d > TK_ENTITY_DATA_SIZE)
    return tk_fail(TK_ERR_GET_ITEM);

  // Strings must end inside the record; checked before anything is written to the caller.
  size_t attr_at[3] = {}, attr_len[3] = {};
  const int attrs = attr_string_count(h.kind);
  if (attrs) {
    if (d < TK_ATTDEF_STRINGS) return tk_fail(TK_ERR_GET_ITEM);
    size_t at = TK_ATTDEF_STRINGS;
    for (int i = 0; i < attrs; ++i) {
      if (at >= d) return tk_fail(TK_ERR_GET_ITEM);
      size_t len = strnlen(reinterpret_cast<const char*>(bytes + at),
                           std::min<size_t>(d - at, TK_ATTR_STRING_MAX + 1));
      if (len > TK_ATTR_STRING_MAX || at + len >= d) return tk_fail(TK_ERR_GET_ITEM);
      attr_at[i] = at;
      attr_len[i] = len;
      at += len + 1;
    }
  } else if (size_t t = text_offset(h.kind)) {
    if (d <= t || bytes[d - 1] != 0) return tk_fail(TK_ERR_GET_ITEM);
  }
  *header = h;
  // The rest of the record reads as zero, which is also what the short VERTEX forms and the
  // VIEWPORT's working word need.
  if (attrs) {
    std::memcpy(data->bytes, bytes, TK_ATTDEF_STRINGS);
    std::memset(data->bytes + TK_ATTDEF_STRINGS, 0, sizeof data->bytes - TK_ATTDEF_STRINGS);
    for (int i = 0; i < attrs; ++i)
      std::memcpy(data->bytes + kAttrPlaces[i], bytes + attr_at[i], attr_len[i]);
  } else {
    std::memcpy(data->bytes, bytes, d);
    std::memset(data->bytes + d, 0, sizeof data->bytes - d);
  }
  if (data_location) *data_location = bytes;
  if (next) *next = stored->next;
  return 1;
}

void tk_init_text_attrs(TkDrawing* drawing, TkEntityData* data, size_t offset) {
  std::memset(data->bytes + offset, 0, 64);
  tk_data_put(data, offset, 1.0);
  tk_data_put(data, offset + 16, 1.0);
  put_first_handle(data, offset + 56, &drawing->styles, offsetof(TkTextStyleRecord, handle));
}

void tk_init_viewport_data(TkEntityData* data) {
  std::memset(data->bytes, 0, 888);
  tk_data_put<uint16_t>(data, 8, 1);
  tk_data_put<uint16_t>(data, 600, 1);
  tk_data_put<int16_t>(data, 60, -1);
  tk_data_put<uint32_t>(data, 80, 32800);
  tk_data_put<uint16_t>(data, 816, 100);
  tk_data_put(data, 792, 50.0);
  for (size_t o : {824, 832, 840, 848}) tk_data_put(data, o, 0.5);
  tk_data_put(data, 632, 1.0);
  tk_data_put(data, 664, 1.0);
}

void tk_init_entity(TkDrawing* drawing, TkEntityHeader* header, TkEntityData* data) {
  uint16_t kind = header->kind;
  *header = TkEntityHeader{};
  header->kind = kind;
  header->colour = TK_COLOUR_BYLAYER;
  header->extrusion[2] = 1.0;
  header->linetype_scale = 1.0;
  header->lineweight = TK_LINEWEIGHT_BYLAYER;
  const TkHandle* layer = first_record_handle(&drawing->layers, offsetof(TkLayerRecord, handle));
  if (layer) header->layer = *layer;
  header->linetype = drawing->bylayer_linetype;
  if (tk_state) tk_state->pending.text_height = 0.0;

  std::memset(data->bytes, 0, sizeof data->bytes);
  switch (kind) {
    case TK_CIRCLE: tk_data_put(data, 24, 1.0); break;
    case TK_SHAPE:
      tk_data_put(data, 24, 1.0);
      tk_data_put(data, 48, 1.0);
      break;
    case TK_ELLIPSE:
      tk_data_put(data, 48, 1.0);
      tk_data_put(data, 64, kTwoPi);
      break;
    case TK_SPLINE:
      tk_data_put<int16_t>(data, 0, 3);
      for (size_t o : {16, 24, 32}) tk_data_put(data, o, 1e-6);
      break;
    case TK_TEXT: tk_init_text_attrs(drawing, data, TK_TEXT_ATTRS); break;
    case TK_ARC:
      tk_data_put(data, 24, 1.0);
      tk_data_put(data, 40, kTwoPi);
      break;
    case TK_TRACE:
    case TK_SOLID:
      put_point(data, 24, 0, 1, 0);
      put_point(data, 48, 1, 0, 0);
      put_point(data, 72, 1, 1, 0);
      break;
    case TK_INSERT:
      for (size_t o : {32, 40, 48}) tk_data_put(data, o, 1.0);
      tk_data_put<uint16_t>(data, 80, 1);
      tk_data_put<uint16_t>(data, 82, 1);
      break;
    case TK_ATTDEF:
    case TK_ATTRIB: tk_init_text_attrs(drawing, data, TK_ATTDEF_ATTRS); break;
    case TK_DIMENSION:
      tk_data_put<uint16_t>(data, 224, 5);
      tk_data_put<uint16_t>(data, 226, 1);
      tk_data_put(data, 232, 1.0);
      break;
    case TK_VIEWPORT: tk_init_viewport_data(data); break;
    case TK_RAY:
    case TK_XLINE: tk_data_put(data, 24, 1.0); break;
    case TK_MTEXT:
      tk_data_put(data, 24, 1.0);
      tk_data_put(data, 96, 1.0);
      data->bytes[64] = data->bytes[65] = 1;
      tk_data_put<uint16_t>(data, 88, 1);
      put_first_handle(data, 104, &drawing->styles, offsetof(TkTextStyleRecord, handle));
      break;
    case TK_LEADER:
      data->bytes[3] = data->bytes[4] = data->bytes[9] = 1;
      tk_data_put(data, 56, 1.0);
      put_first_handle(data, 112, &drawing->dimstyles, offsetof(TkDimStyleRecord, handle));
      break;
    case TK_TOLERANCE:
      tk_data_put(data, 24, 1.0);
      put_first_handle(data, 48, &drawing->dimstyles, offsetof(TkDimStyleRecord, handle));
      break;
    case TK_MLINE: {
      tk_data_put(data, 0, 1.0);
      TkHandle style{};
      tk_object_first_of_type(drawing, TK_OBJ_MLINESTYLE, &style);
      tk_data_put(data, 40, style);
      break;
    }
    default: break;
  }
}

void tk_set_image_release_callback(TkImageReleaseFn fn) {
  if (tk_state) tk_state->image_release = fn;
}

int tk_entity_blob_places(TkDrawing* drawing, const TkEntityHeader* header,
                          const TkEntityData* data, size_t places[4]) {
  KindLayout l = layout_of(drawing, header->kind, data);
  for (int i = 0; i < l.blob_count; ++i) places[i] = l.blobs[i];
  return l.blob_count;
}

void tk_release_entity_record(TkDrawing* drawing, TkLink* stored) {
  pool_release(&drawing->entity_pool, stored);
}

bool tk_stored_entity_owns_blobs(TkDrawing* drawing, const TkLink* stored) {
  const auto* r = static_cast<const uint8_t*>(tk_link_data(stored));
  if (stored->size < TK_STORED_HEAD_SIZE) return true;
  if (r[TK_STORED_PRESENT] & (TK_HAS_XDATA | TK_HAS_REACTORS)) return true;
  uint16_t kind;
  std::memcpy(&kind, r + TK_STORED_KIND, 2);
  return layout_of(drawing, kind, nullptr).blob_count != 0;
}

int16_t tk_free_entity_blobs(TkDrawing* drawing, TkEntityHeader* header, TkEntityData* data) {
  free_blob(header->xdata);
  free_blob(header->reactors);
  header->reactor_count = 0;
  size_t places[4];
  int n = tk_entity_blob_places(drawing, header, data, places);
  bool image = is_class_kind(header->kind) &&
               drawing->class_numbers[TK_CLASS_IMAGE] == header->kind;
  int16_t result = 1;
  for (int i = 0; i < n; ++i) {
    if (image && places[i] == TK_IMAGE_BUFFER) {
      // The image buffer is a plain block of the application's pixels, not a blob; the
      // application may hold references into it.
      void* image = tk_data_get<void*>(data, places[i]);
      if (image && tk_state && tk_state->image_release)
        tk_state->image_release(image, drawing->user_data);
      mem_free(image);
      tk_data_put<void*>(data, places[i], nullptr);
      continue;
    }
    TkBlob* blob = tk_data_blob(data, places[i]);
    if (!free_blob(blob) && result) {
      bool other_class = is_class_kind(header->kind) && !class_layout(drawing, header->kind);
      result = tk_fail(!other_class ? TK_ERR_FREE_ENTITY_BLOB
                       : i == 0     ? TK_ERR_FREE_CLASS_BLOB_1
                                    : TK_ERR_FREE_CLASS_BLOB_2);
    }
    tk_data_put<TkBlob*>(data, places[i], nullptr);
  }
  return result;
}
