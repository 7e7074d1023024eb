// Completing a loaded drawing. Everything here walks data that came from a file, so every walk
// is bounded by the blob or list it walks, and a reference that leads nowhere becomes the null
// handle rather than a failed load.
#include "toolkit/core/load_complete.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/defaults.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/entity_layout.h"
#include "toolkit/core/entity_list.h"
#include "toolkit/core/group_desc.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/list.h"
#include "toolkit/core/load.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/reader_ops.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"

namespace {

constexpr uint16_t kIndexNone = 65535;
constexpr uint16_t kLinetypeByLayer = 32767;
constexpr uint16_t kLinetypeByBlock = 32766;

struct Table {
  const TkList* list;
  size_t name;
  size_t handle;
};

template <typename Record>
Table table_of(const TkList* list) {
  return Table{list, offsetof(Record, name), offsetof(Record, handle)};
}

const char* name_at(const TkLink* l, const Table& t) {
  return static_cast<const char*>(tk_link_data(l)) + t.name;
}

TkHandle handle_at(const TkLink* l, const Table& t) {
  TkHandle h;
  std::memcpy(&h, static_cast<const char*>(tk_link_data(l)) + t.handle, sizeof h);
  return h;
}

bool by_name(const Table& t, const char* name, TkHandle* out) {
  for (const TkLink* l = list_first(t.list); l; l = l->next)
    if (tk_name_compare(name_at(l, t), name) == 0) {
      *out = handle_at(l, t);
      return true;
    }
  return false;
}

bool is_by_linetype(const char* name) {
  return tk_name_compare(name, "BYLAYER") == 0 || tk_name_compare(name, "BYBLOCK") == 0;
}

// Older files count table positions without the by-linetypes, which they do not store.
bool by_index(const Table& t, uint16_t index, TkHandle* out) {
  uint16_t n = 0;
  for (const TkLink* l = list_first(t.list); l; l = l->next) {
    if (is_by_linetype(name_at(l, t))) continue;
    if (n++ == index) {
      *out = handle_at(l, t);
      return true;
    }
  }
  return false;
}

bool has_handle(const Table& t, const TkHandle& h) {
  for (const TkLink* l = list_first(t.list); l; l = l->next) {
    TkHandle at = handle_at(l, t);
    if (tk_handle_compare(&at, &h) == 0) return true;
  }
  return false;
}

bool is_pre_r13(const TkDrawing* d) { return d->version < TK_VERSION_AC1012; }

// ---- Extended-data fix-ups ----

bool read_value(TkBlob* blob, uint32_t position, uint8_t value[8]) {
  TkBlob* r = blob_open_read(blob);
  if (!r) return false;
  bool ok = blob_seek(r, static_cast<int32_t>(position)) && blob_read(r, value, 8);
  blob_close(r);
  return ok;
}

TkHandle resolve_fixup(TkDrawing* d, const TkXdataFixup& f, const uint8_t value[8]) {
  Table t = f.kind == TK_FIXUP_APPID ? table_of<TkAppIdRecord>(&d->appids)
                                     : table_of<TkLayerRecord>(&d->layers);
  TkHandle out{};
  if (!d->is_dxf && is_pre_r13(d)) {
    uint16_t index;
    std::memcpy(&index, value, sizeof index);
    if (!by_index(t, index, &out)) out = TkHandle{};
    return out;
  }
  std::memcpy(out.bytes, value, 8);
  return has_handle(t, out) ? out : TkHandle{};
}

// ---- Header references ----

void header_by_index(TkDrawing* d, TkHeader* header) {
  const TkHeaderIndexes& x = tk_state->header_indexes;
  TkHandle* refs = header->name_handles;
  auto pick = [](const Table& t, uint16_t index, TkHandle* out) {
    if (index == kIndexNone || !by_index(t, index, out)) *out = TkHandle{};
  };
  pick(table_of<TkLayerRecord>(&d->layers), x.clayer, &refs[TK_HNV_CLAYER]);
  if (x.celtype == kLinetypeByLayer) {
    refs[TK_HNV_CELTYPE] = d->bylayer_linetype;
  } else if (x.celtype == kLinetypeByBlock) {
    refs[TK_HNV_CELTYPE] = d->byblock_linetype;
  } else {
    pick(table_of<TkLinetypeRecord>(&d->linetypes), x.celtype, &refs[TK_HNV_CELTYPE]);
  }
  pick(table_of<TkDimStyleRecord>(&d->dimstyles), x.dimstyle, &refs[TK_HNV_DIMSTYLE]);
  pick(table_of<TkUcsRecord>(&d->ucss), x.ucsname, &refs[TK_HNV_UCSNAME]);
  pick(table_of<TkUcsRecord>(&d->ucss), x.pucsname, &refs[TK_HNV_PUCSNAME]);
  pick(table_of<TkTextStyleRecord>(&d->styles), x.textstyle, &refs[TK_HNV_TEXTSTYLE]);
  refs[TK_HNV_DIMTXSTY] = refs[TK_HNV_TEXTSTYLE];
}

// The current layer must exist: one the header names without a record is made.
int16_t current_layer(TkDrawing* d, const char* name, TkHandle* out) {
  if (by_name(table_of<TkLayerRecord>(&d->layers), name, out)) return 1;
  TkLayerRecord record;
  tk_init_layer_record(d, &record);
  std::snprintf(record.name, sizeof record.name, "%s", name);
  if (!tk_next_handle(d, nullptr, 0, &record.handle)) return 0;
  if (!record_store_indexed(&record.handle, &d->index, &record, sizeof record, &d->layers,
                            TK_POS_END, nullptr))
    return 0;
  *out = record.handle;
  return 1;
}

int16_t header_by_name(TkDrawing* d, TkHeader* header) {
  char (*names)[TK_HEADER_NAME_VAR_CAPACITY] = tk_state->header_names;
  for (size_t i = 0; i < TK_HEADER_NAME_VAR_COUNT; ++i)
    names[i][TK_HEADER_NAME_VAR_CAPACITY - 1] = 0;
  TkHandle* refs = header->name_handles;
  auto find = [](const Table& t, const char* name, TkHandle* out) {
    if (!name[0] || !by_name(t, name, out)) *out = TkHandle{};
  };

  const char* layer = names[TK_HNV_CLAYER][0] ? names[TK_HNV_CLAYER] : "0";
  if (!current_layer(d, layer, &refs[TK_HNV_CLAYER])) return 0;

  const char* linetype = names[TK_HNV_CELTYPE];
  if (tk_name_compare(linetype, "BYLAYER") == 0) {
    refs[TK_HNV_CELTYPE] = d->bylayer_linetype;
  } else if (!linetype[0] ||
             !by_name(table_of<TkLinetypeRecord>(&d->linetypes), linetype,
                      &refs[TK_HNV_CELTYPE])) {
    refs[TK_HNV_CELTYPE] = d->byblock_linetype;
  }

  const char* dimstyle = names[TK_HNV_DIMSTYLE];
  if (tk_name_compare(dimstyle, "*UNNAMED") == 0) {
    refs[TK_HNV_DIMSTYLE] = TkHandle{};
  } else {
    find(table_of<TkDimStyleRecord>(&d->dimstyles), dimstyle, &refs[TK_HNV_DIMSTYLE]);
  }
  find(table_of<TkUcsRecord>(&d->ucss), names[TK_HNV_UCSNAME], &refs[TK_HNV_UCSNAME]);
  find(table_of<TkUcsRecord>(&d->ucss), names[TK_HNV_PUCSNAME], &refs[TK_HNV_PUCSNAME]);
  const char* dimtxsty = names[TK_HNV_DIMTXSTY][0] ? names[TK_HNV_DIMTXSTY] : "Standard";
  find(table_of<TkTextStyleRecord>(&d->styles), dimtxsty, &refs[TK_HNV_DIMTXSTY]);
  find(table_of<TkTextStyleRecord>(&d->styles), names[TK_HNV_TEXTSTYLE],
       &refs[TK_HNV_TEXTSTYLE]);
  return 1;
}

void resolve_arrow(TkDrawing* d, const char* name, size_t capacity, TkHandle* out) {
  *out = TkHandle{};
  char field[64];
  std::snprintf(field, sizeof field, "%.*s", static_cast<int>(capacity), name);
  if (!field[0]) return;
  char underscored[sizeof field + 1];
  std::snprintf(underscored, sizeof underscored, "_%s", field);
  Table blocks = table_of<TkBlockRecord>(&d->blocks);
  if (by_name(blocks, underscored, out) || by_name(blocks, field, out)) return;
  if (tk_state->create_arrows && tk_state->arrow_block_create &&
      tk_state->arrow_block_create(d, field, out))
    return;
  *out = TkHandle{};
}

// ---- VIEWPORT settings kept in extended data ----

// The entity's VIEWPORT fields by group code.
void put_double(TkEntityData* data, int16_t code, double value, int element = 0) {
  const TkGroupDesc* g = tk_entity_group_find(TK_VIEWPORT, code);
  if (g) tk_data_put(data, g->offset + 8 * element, value);
}
void put_point(TkEntityData* data, int16_t code, const double* p, int n) {
  for (int i = 0; i < n; ++i) put_double(data, code, p[i], i);
}

struct XdataWalk {
  TkBlob* reader;
  TkXdataItem item;
  bool next() { return xdata_read_item(reader, &item) != 0; }
  double real() const {
    double v;
    std::memcpy(&v, item.value, sizeof v);
    return v;
  }
  int16_t word() const {
    int16_t v;
    std::memcpy(&v, item.value, sizeof v);
    return v;
  }
};

bool append(TkBlob* w, TkXdataItem* item) { return xdata_append_item(w, item) != 0; }

enum class Moved { done, failed, ended_early };

// Builds the new extended data and fills the VIEWPORT fields from the "ACAD" items.
Moved move_viewport_settings(const TkHandle& acad, TkEntityHeader* h, TkEntityData* data,
                             TkBlob* out) {
  TkBlob* r = blob_open_read(h->xdata);
  if (!r) return Moved::failed;
  TkBlob* w = blob_create(out);
  if (!w) {
    blob_close(r);
    return Moved::failed;
  }
  XdataWalk x{r, {}};
  Moved result = Moved::ended_early;
  bool ok = true;
  for (;;) {
    if (!x.next()) goto finish;
    if (x.item.code == 1001 && std::memcmp(x.item.value, acad.bytes, 8) == 0) break;
    if (!append(w, &x.item)) {
      ok = false;
      goto finish;
    }
  }
  do {
    if (!x.next()) goto finish;
  } while (x.item.code != 1010);
  {
    double target[3];
    std::memcpy(target, x.item.value, sizeof target);
    put_point(data, 17, target, 3);
    if (!x.next()) goto finish;
    double direction[3];
    std::memcpy(direction, x.item.value, sizeof direction);
    for (double& c : direction)
      if (std::fabs(c) < 1e-13) c = 0.0;
    put_point(data, 16, direction, 3);
    double values[7];
    for (double& v : values) {
      if (!x.next()) goto finish;
      v = x.real();
    }
    put_double(data, 51, values[0]);
    put_double(data, 45, values[1]);
    double centre[2] = {values[2], values[3]};
    put_point(data, 12, centre, 2);
    put_double(data, 42, values[4]);
    put_double(data, 43, values[5]);
    put_double(data, 44, values[6]);
    if (!x.next()) goto finish;
    int32_t status = x.word();
    if (!x.next()) goto finish;
    const TkGroupDesc* zoom = tk_entity_group_find(TK_VIEWPORT, 72);
    if (zoom) tk_data_put(data, zoom->offset, x.word());
    const int32_t bits[5] = {0x80, 0x20, 0x100, 0x200, 0x400};
    for (int32_t bit : bits) {
      if (!x.next()) goto finish;
      if (x.word() != 0) status |= bit;
    }
    if (!x.next()) goto finish;
    if (x.word() == 1) status |= 0x1000;
    if (x.word() == 2) status |= 0x2000;
    double snap[7];
    for (double& v : snap) {
      if (!x.next()) goto finish;
      v = x.real();
    }
    put_double(data, 50, snap[0]);
    put_point(data, 13, snap + 1, 2);
    put_point(data, 14, snap + 3, 2);
    put_point(data, 15, snap + 5, 2);
    if (!x.next()) goto finish;
    if (x.word() != 0) status |= 0x800;
    const TkGroupDesc* flags = tk_entity_group_find(TK_VIEWPORT, 90);
    if (flags) tk_data_put(data, flags->offset, status);

    // The frozen layers follow one item further on.
    result = Moved::done;
    if (!x.next()) goto finish;
    bool more = x.next();
    TkBlob* layers = nullptr;
    TkBlob* lw = nullptr;
    uint32_t count = 0;
    while (more && x.item.code == 1003) {
      if (!layers) {
        layers = blob_alloc(TK_BLOB_CHUNK_SIZE);
        lw = layers ? blob_create(layers) : nullptr;
        if (!lw) {
          blob_free(layers);
          layers = nullptr;
          ok = false;
          goto finish;
        }
      }
      ok = ok && blob_write(lw, x.item.value, 8);
      ++count;
      more = x.next();
    }
    if (lw && !blob_close_write(lw)) ok = false;
    if (layers) {
      // The replacement frees the list the entity had.
      tk_data_put(data, TK_VIEWPORT_BLOB, layers);
      tk_data_put(data, TK_VIEWPORT_LAYER_COUNT, count);
    }
    if (more) more = x.next();  // the item after the one that ended the run
    while (ok && more && x.next()) ok = append(w, &x.item);
  }
finish:
  blob_close(r);
  if (!blob_close_write(w)) ok = false;
  if (!ok) return Moved::failed;
  return result;
}

// ---- External-reference blocks ----

bool append_handles(TkBlob** blob, const TkHandle* handles, int n) {
  if (!*blob) *blob = blob_alloc(TK_BLOB_CHUNK_SIZE);
  if (!*blob) return false;
  TkBlob* w = blob_open_append(*blob);
  if (!w) return false;
  bool ok = true;
  for (int i = 0; i < n; ++i) ok = ok && blob_write(w, handles[i].bytes, 8);
  return blob_close_append(w) && ok;
}

}  // namespace

int16_t tk_fixup_list_create(TkDrawing* drawing) {
  if (drawing->xdata_fixups) return 1;
  // Each fixup is appended alone, which copies the list's last chunk in and out: small chunks
  // keep that cheap for drawings with extended data on many thousands of entities.
  drawing->xdata_fixups = blob_alloc(static_cast<int16_t>(32 * sizeof(TkXdataFixup)));
  drawing->xdata_fixup_count = 0;
  return drawing->xdata_fixups ? 1 : tk_fail_alloc(TK_ERR_RESOLVE_XDATA);
}

int16_t tk_fixup_list_add(TkDrawing* drawing, uint8_t kind, TkBlob* blob, uint32_t position) {
  if (!tk_fixup_list_create(drawing)) return 0;
  TkXdataFixup f{kind, blob, position};
  TkBlob* w = blob_open_append(drawing->xdata_fixups);
  if (!w) return 0;
  bool ok = blob_write(w, &f, sizeof f) != 0;
  if (!blob_close_append(w) || !ok) return 0;
  ++drawing->xdata_fixup_count;
  return 1;
}

int16_t tk_collect_xdata_fixups(TkDrawing* drawing, TkBlob* xdata) {
  if (!xdata) return 1;
  TkBlob* r = blob_open_read(xdata);
  if (!r) return tk_fail(TK_ERR_RESOLVE_XDATA);
  static TkXdataItem item;
  bool ok = true;
  for (;;) {
    int32_t at = blob_read_pos(r);
    if (!xdata_read_item(r, &item)) break;
    if (item.code != 1001 && item.code != 1003) continue;
    uint8_t kind = item.code == 1001 ? TK_FIXUP_APPID : TK_FIXUP_LAYER;
    if (!tk_fixup_list_add(drawing, kind, xdata,
                           static_cast<uint32_t>(at) + TK_XDATA_ITEM_HEAD)) {
      ok = false;
      break;
    }
  }
  blob_close(r);
  return ok ? 1 : tk_fail(TK_ERR_RESOLVE_XDATA);
}

int16_t tk_resolve_xdata_fixups(TkDrawing* drawing) {
  if (drawing->xdata_fixups) {
    TkBlob* r = blob_open_read(drawing->xdata_fixups);
    TkXdataFixup f;
    for (int32_t i = 0; r && i < drawing->xdata_fixup_count && blob_read(r, &f, sizeof f); ++i) {
      uint8_t value[8];
      if (!read_value(f.blob, f.position, value)) continue;
      TkHandle h = resolve_fixup(drawing, f, value);
      blob_overwrite(f.blob, static_cast<int32_t>(f.position), h.bytes, 8);
    }
    if (r) blob_close(r);
  }
  blob_free(drawing->xdata_fixups);
  drawing->xdata_fixups = nullptr;
  drawing->xdata_fixup_count = 0;
  return 1;
}

int16_t tk_resolve_header_references(TkDrawing* drawing, TkHeader* header) {
  if (drawing->is_dxf) {
    if (!header_by_name(drawing, header)) return 0;
  } else if (is_pre_r13(drawing)) {
    header_by_index(drawing, header);
  }
  if (drawing->is_dxf || drawing->version < TK_VERSION_AC1015) {
    resolve_arrow(drawing, header->dimblk, sizeof header->dimblk,
                  &header->arrow_blocks[TK_ARROW_DIMBLK]);
    resolve_arrow(drawing, header->dimblk1, sizeof header->dimblk1,
                  &header->arrow_blocks[TK_ARROW_DIMBLK1]);
    resolve_arrow(drawing, header->dimblk2, sizeof header->dimblk2,
                  &header->arrow_blocks[TK_ARROW_DIMBLK2]);
    resolve_arrow(drawing, header->dimldrblk, sizeof header->dimldrblk,
                  &header->arrow_blocks[TK_ARROW_DIMLDRBLK]);
  }
  return 1;
}

int16_t tk_find_current_mlstyle(TkDrawing* drawing, TkHandle* field) {
  char* name = tk_state->header_names[TK_HNV_CMLSTYLE];
  name[TK_HEADER_NAME_VAR_CAPACITY - 1] = 0;
  const char* wanted = name[0] ? name : "Standard";
  for (const TkLink* l = list_first(&drawing->objects); l; l = l->next) {
    const auto* h = static_cast<const TkObjectHeader*>(tk_link_data(l));
    if (h->type != TK_OBJ_MLINESTYLE) continue;
    const auto* style = reinterpret_cast<const TkMlineStyleData*>(h + 1);
    if (tk_name_compare(style->name, wanted) == 0) {
      *field = h->handle;
      return 1;
    }
  }
  TkObjectHeader h{};
  TkObjectData data;
  h.type = TK_OBJ_MLINESTYLE;
  tk_init_object(drawing, &h, &data);
  std::snprintf(data.mlinestyle.name, sizeof data.mlinestyle.name, "%s", wanted);
  h.owner = drawing->mlinestyle_dictionary;
  if (!tk_next_handle(drawing, nullptr, 0, &h.handle) || !tk_object_add(drawing, &h, &data))
    return 0;
  *field = h.handle;
  return 1;
}

int16_t tk_note_mline_style(TkDrawing* drawing, TkList* list, const TkHandle* entity,
                            const char* name) {
  if (!drawing->mline_styles) drawing->mline_styles = blob_alloc(TK_BLOB_CHUNK_SIZE);
  if (!drawing->mline_styles) return tk_fail_alloc(TK_ERR_CURRENT_MLSTYLE);
  TkBlob* w = blob_open_append(drawing->mline_styles);
  if (!w) return 0;
  bool ok = blob_write(w, &list, sizeof list) && blob_write(w, entity->bytes, 8) &&
            blob_write_string(w, name);
  if (!blob_close_append(w) || !ok) return 0;
  ++drawing->mline_style_count;
  return 1;
}

int16_t name_ref_queue(TkDrawing* drawing, const TkHandle* record, const char* name,
                       uint32_t code) {
  if (!name || !name[0]) return 1;
  if (!drawing->arrow_names) drawing->arrow_names = blob_alloc(TK_BLOB_CHUNK_SIZE);
  if (!drawing->arrow_names) return tk_fail_alloc(TK_ERR_ALLOC_BLOB_BUFFER);
  uint8_t entry[524] = {};
  std::memcpy(entry, record->bytes, 8);
  std::memcpy(entry + 8, &code, 4);
  std::memcpy(entry + 12, name, strnlen(name, 511));
  TkBlob* w = blob_open_append(drawing->arrow_names);
  if (!w) return 0;
  bool ok = blob_write(w, entry, sizeof entry) != 0;
  if (!blob_close_append(w) || !ok) return 0;
  ++drawing->arrow_name_count;
  return 1;
}

int16_t tk_name_refs_rekey(TkDrawing* drawing, const TkHandle* from, const TkHandle* to) {
  if (!drawing->arrow_names || std::memcmp(from->bytes, to->bytes, 8) == 0) return 1;
  TkBlob* moved = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = moved ? blob_create(moved) : nullptr;
  TkBlob* r = w ? blob_open_read(drawing->arrow_names) : nullptr;
  bool ok = r != nullptr;
  for (int32_t i = 0; ok && i < drawing->arrow_name_count; ++i) {
    uint8_t entry[524];
    ok = blob_read(r, entry, sizeof entry) != 0;
    if (ok && std::memcmp(entry, from->bytes, 8) == 0) std::memcpy(entry, to->bytes, 8);
    ok = ok && blob_write(w, entry, sizeof entry) != 0;
  }
  if (r) blob_close(r);
  if (w && !blob_close_write(w)) ok = false;
  if (!ok) {
    blob_free(moved);
    return tk_fail_alloc(TK_ERR_ALLOC_BLOB_BUFFER);
  }
  blob_free(drawing->arrow_names);
  drawing->arrow_names = moved;
  return 1;
}

int16_t tk_resolve_mline_styles(TkDrawing* drawing) {
  TkBlob* r = drawing->mline_styles ? blob_open_read(drawing->mline_styles) : nullptr;
  bool ok = true;
  static char name[TK_NAME_SIZE];
  static TkEntityData data;
  for (int32_t i = 0; r && ok && i < drawing->mline_style_count; ++i) {
    TkList* list = nullptr;
    TkHandle entity{};
    if (!blob_read(r, &list, sizeof list) || !blob_read(r, entity.bytes, 8) ||
        !blob_read_string(r, name, sizeof name))
      break;
    TkEntityHeader h{};
    if (!tk_get_entity_by_handle(drawing, list, &entity, &h, &data) || h.kind != TK_MLINE) continue;
    TkHandle given = tk_data_get<TkHandle>(&data, TK_MLINE_STYLE);
    TkObjectHeader object{};
    static TkObjectData object_data;
    if (!tk_handle_is_null(&given) && tk_object_get(drawing, &given, &object, &object_data) &&
        object.type == TK_OBJ_MLINESTYLE)
      continue;
    TkHandle style{};
    const char* wanted = name[0] ? name : "Standard";
    for (const TkLink* l = list_first(&drawing->objects); l; l = l->next) {
      const auto* o = static_cast<const TkObjectHeader*>(tk_link_data(l));
      if (o->type != TK_OBJ_MLINESTYLE) continue;
      const auto* m = reinterpret_cast<const TkMlineStyleData*>(o + 1);
      if (tk_name_compare(m->name, wanted) == 0) {
        style = o->handle;
        break;
      }
    }
    if (tk_handle_is_null(&style) && tk_state->error_callback) tk_state->error_callback(6);
    tk_data_put(&data, TK_MLINE_STYLE, style);
    ok = tk_replace_entity(drawing, list, &entity, &h, &data) != 0;
  }
  if (r) blob_close(r);
  blob_free(drawing->mline_styles);
  drawing->mline_styles = nullptr;
  blob_free(drawing->arrow_names);
  drawing->arrow_names = nullptr;
  drawing->arrow_name_count = 0;
  drawing->mline_style_count = 0;
  return ok ? 1 : 0;
}

namespace {

// Status 0 is a viewport that is off; any other value one that is on.
void put_viewport_state(TkDrawing* drawing, TkList* list, TkLink* stored, int16_t number,
                        bool on, bool* ok) {
  TkEntityHeader h{};
  static TkEntityData data;
  if (!entity_unpack(stored, &h, &data, nullptr, nullptr)) {
    *ok = false;
    return;
  }
  tk_data_put(&data, TK_VIEWPORT_NUMBER, number);
  tk_data_put<int16_t>(&data, TK_VIEWPORT_STATUS, on ? number : int16_t{0});
  const TkHandle handle = h.handle;
  if (!tk_replace_entity(drawing, list, &handle, &h, &data)) *ok = false;
}

// DWG files from AC1012 on number their viewports as their program does when it loads them: the
// VIEWPORTs of the current paper space in their order, the first (the sheet itself) number 1 and
// always on. Whether another is on its header says up to AC1014 and its status flags from
// AC1015 on. A header that cannot be read leaves the viewport on: an empty sheet is worse.
int16_t resolve_r13_viewports(TkDrawing* drawing) {
  constexpr int kMaxHeaders = 1024;
  struct Header {
    TkHandle viewport;
    bool on;
  };
  static Header headers[kMaxHeaders];
  int kept = 0;
  int32_t count = drawing->record_counts[TK_COUNT_VPENT_HEADER];
  if (count > 0 && reader_call_begin_vpent_headers(drawing)) {
    static TkViewportEntityHeader header;
    for (int32_t i = 0; i < count && kept < kMaxHeaders; ++i) {
      if (!reader_call_read_vpent_header(drawing, &header)) {
        if (tk_state->error_callback) tk_state->error_callback(6);
        break;
      }
      if (header.end == 1) continue;  // deleted, or none left
      headers[kept++] = Header{header.viewport, (header.flags & 1) != 0};
    }
  }
  bool ok = true;
  int16_t number = 0;
  TkList* list = &drawing->paper_entities;
  for (TkLink* l = list_first(list); l && ok;) {
    TkEntityHeader h{};
    static TkEntityData data;
    TkLink* next = nullptr;
    if (!entity_unpack(l, &h, &data, nullptr, &next)) return tk_fail(TK_ERR_VIEWPORT_HEADER);
    if (h.kind == TK_VIEWPORT) {
      ++number;
      bool on = true;
      if (drawing->version >= TK_VERSION_AC1015) {
        on = !(tk_data_get<uint32_t>(&data, TK_VIEWPORT_FLAGS) & TK_VIEWPORT_FLAG_OFF);
      } else {
        for (int i = 0; i < kept; ++i)
          if (tk_handle_compare(&headers[i].viewport, &h.handle) == 0) on = headers[i].on;
      }
      put_viewport_state(drawing, list, l, number, on || number == 1, &ok);
    }
    l = next;
  }
  return ok ? 1 : tk_fail(TK_ERR_VIEWPORT_HEADER);
}

}  // namespace

int16_t tk_resolve_viewport_entities(TkDrawing* drawing) {
  if (!drawing->is_dxf && !is_pre_r13(drawing)) return resolve_r13_viewports(drawing);
  int32_t count = drawing->record_counts[TK_COUNT_VPENT_HEADER];
  if (drawing->is_dxf || count <= 0) return 1;
  // Every header takes bytes of the file; a count beyond its length is damage.
  if (drawing->file && static_cast<uint32_t>(count) > file_length(drawing->file)) return 0;
  if (!reader_call_begin_vpent_headers(drawing)) return 0;
  static TkViewportEntityHeader header;
  std::memset(&header, 0, sizeof header);
  if (!reader_call_read_vpent_header(drawing, &header)) return 0;  // the first is passed over
  for (int32_t i = 1; i < count; ++i) {
    std::memset(&header, 0, sizeof header);
    if (!reader_call_read_vpent_header(drawing, &header)) return 0;
    if (header.end == 1) continue;
    TkLink* found = nullptr;
    for (TkLink* l = list_first(&drawing->pspace_viewports); l && !found; l = l->next) {
      const auto* v = static_cast<const TkPspaceViewport*>(tk_link_data(l));
      if (is_pre_r13(drawing)) {
        uint32_t position = header.words[0];
        // A position with the top bit set counts from the entity section.
        if (position & 0x80000000u) position = (position & 0x7FFFFFFFu) + drawing->progress_start;
        uint32_t at;
        std::memcpy(&at, v->value, sizeof at);
        if (at == position) found = l;
      } else if (tk_handle_compare(&v->handle, &header.viewport) == 0) {
        found = l;
      }
    }
    // A header naming no VIEWPORT of the drawing leaves the viewports as read: the numbering
    // is worth less than the rest of the drawing, which a failed load would lose.
    if (!found) {
      if (tk_state->error_callback) tk_state->error_callback(6);
      continue;
    }
    const auto* v = static_cast<const TkPspaceViewport*>(tk_link_data(found));
    TkEntityHeader h{};
    static TkEntityData data;
    if (!entity_unpack(v->stored, &h, &data, nullptr, nullptr))
      return tk_fail(TK_ERR_VIEWPORT_HEADER);
    tk_data_put(&data, TK_VIEWPORT_NUMBER, header.viewport_number);
    // The status the entity of a DXF file gives: 0 for a viewport that is off.
    tk_data_put<int16_t>(&data, TK_VIEWPORT_STATUS,
                         (header.flags & 1) ? header.viewport_number : int16_t{0});
    const TkHandle handle = h.handle;
    if (!tk_replace_entity(drawing, &drawing->paper_entities, &handle, &h, &data)) return 0;
  }
  return 1;
}

int16_t tk_viewport_settings_from_xdata(TkDrawing* drawing) {
  TkHandle acad{};
  bool have_acad = false;
  for (const TkLink* l = list_first(&drawing->appids); l; l = l->next) {
    const auto* a = static_cast<const TkAppIdRecord*>(tk_link_data(l));
    if (std::strcmp(a->name, "ACAD") == 0) {
      acad = a->handle;
      have_acad = true;
      break;
    }
  }
  for (const TkLink* b = list_first(&drawing->blocks); b; b = b->next) {
    TkList* list = static_cast<const TkBlockRecord*>(tk_link_data(b))->entities;
    TkLink* l = list_first(list);
    while (l) {
      static TkEntityData data;
      TkEntityHeader h{};
      TkLink* next = nullptr;
      if (!entity_unpack(l, &h, &data, nullptr, &next)) return 0;
      if (h.kind != TK_VIEWPORT || !h.xdata) {
        l = next;
        continue;
      }
      if (!have_acad) return 0;
      TkBlob* out = blob_alloc(TK_BLOB_CHUNK_SIZE);
      if (!out) return 0;
      TkBlob* old_layers = tk_data_blob(&data, TK_VIEWPORT_BLOB);
      Moved moved = move_viewport_settings(acad, &h, &data, out);
      if (moved != Moved::done) {
        blob_free(out);
        if (tk_data_blob(&data, TK_VIEWPORT_BLOB) != old_layers)
          blob_free(tk_data_blob(&data, TK_VIEWPORT_BLOB));
        if (moved == Moved::failed) return 0;
        // Extended data without the settings: the viewport keeps what its groups gave, and
        // the viewports after it still get theirs.
        if (tk_state->error_callback) tk_state->error_callback(6);
        l = next;
        continue;
      }
      // The replacement frees the old extended data and layer list.
      h.xdata = blob_stored_size(out) > 0 ? out : nullptr;
      if (!h.xdata) blob_free(out);
      const TkHandle handle = h.handle;
      if (!tk_replace_entity(drawing, list, &handle, &h, &data)) {
        blob_free(h.xdata);
        if (tk_data_blob(&data, TK_VIEWPORT_BLOB) != old_layers)
          blob_free(tk_data_blob(&data, TK_VIEWPORT_BLOB));
        return 0;
      }
      // The list has the new record where the old one stood; walk on from the same place.
      l = next;
    }
  }
  return 1;
}

int16_t tk_note_xref_block(TkDrawing* drawing, const TkHandle* as_read, const TkHandle* stored) {
  TkHandle entry[3] = {*as_read, *stored, {}};
  if (!tk_next_handle(drawing, nullptr, 0, &entry[2])) return 0;
  if (!append_handles(&drawing->xref_blocks, entry, 3)) return 0;
  ++drawing->xref_block_count;
  return 1;
}

int16_t tk_note_xref_block_insert(TkDrawing* drawing, const TkHandle* insert,
                                  const TkHandle* block) {
  if (!drawing->xref_blocks || tk_handle_is_null(block)) return 1;
  TkHandle pair[2] = {*insert, *block};
  if (!append_handles(&drawing->xref_inserts, pair, 2)) return 0;
  ++drawing->xref_insert_count;
  return 1;
}

int16_t tk_resolve_xref_block_pairs(TkDrawing* drawing) {
  if (!drawing->xref_blocks) return 1;
  if (!tk_ensure_default_class(drawing, "XRECORD")) return 0;
  TkBlob* r = blob_open_read(drawing->xref_blocks);
  if (!r) return 0;
  bool ok = true;
  TkHandle entry[3];
  for (int32_t i = 0; ok && i < drawing->xref_block_count && blob_read(r, entry, sizeof entry);
       ++i) {
    TkBlockRecord record;
    if (!tk_block_get(drawing, &entry[1], &record)) continue;
    TkHandle xrecord;
    ok = tk_next_handle(drawing, nullptr, 0, &xrecord) &&
         tk_add_block_refs_dictionary(drawing, &entry[2], &xrecord);
    if (!ok) break;
    record.blkrefs_dictionary = entry[2];
    ok = tk_block_put(drawing, &record) != 0;
    TkBlob* p = ok && drawing->xref_inserts ? blob_open_read(drawing->xref_inserts) : nullptr;
    TkHandle pair[2];
    for (int32_t k = 0; ok && p && k < drawing->xref_insert_count && blob_read(p, pair, sizeof pair);
         ++k)
      if (tk_handle_compare(&pair[1], &entry[1]) == 0)
        ok = tk_note_xref_insert(drawing, &pair[0], &entry[1]) != 0;
    if (p) blob_close(p);
  }
  blob_close(r);
  blob_free(drawing->xref_blocks);
  blob_free(drawing->xref_inserts);
  drawing->xref_blocks = drawing->xref_inserts = nullptr;
  drawing->xref_block_count = drawing->xref_insert_count = 0;
  return ok ? 1 : 0;
}

void tk_free_load_lists(TkDrawing* drawing) {
  blob_free(drawing->xdata_fixups);
  blob_free(drawing->xref_blocks);
  blob_free(drawing->xref_inserts);
  blob_free(drawing->mline_styles);
  drawing->mline_styles = nullptr;
  blob_free(drawing->arrow_names);
  drawing->arrow_names = nullptr;
  drawing->arrow_name_count = 0;
  drawing->mline_style_count = 0;
  drawing->xdata_fixups = drawing->xref_blocks = drawing->xref_inserts = nullptr;
  drawing->xdata_fixup_count = drawing->xref_block_count = drawing->xref_insert_count = 0;
}
