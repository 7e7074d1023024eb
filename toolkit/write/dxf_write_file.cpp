// The two DXF drivers: the sections in the order of the layout (HEADER, TABLES,
// BLOCKS, ENTITIES and, from AC1012, CLASSES and OBJECTS), the BLOCKS section
// with its renamed anonymous blocks, the entity loop with the report of what a
// release cannot hold, and the handle-to-name tables every record writer looks
// its names up in.
#include <cstdio>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/hidx.h"
#include "toolkit/core/load_entities.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/write/dxf_write.h"
#include "toolkit/write/save.h"

namespace {

bool same(const TkHandle& a, const TkHandle& b) { return std::memcmp(a.bytes, b.bytes, 8) == 0; }
bool is_null(const TkHandle& h) { return tk_handle_is_null(&h); }

// The largest handle the file names, for the seed that follows it.
void note(DxfOut& o, const TkHandle& handle) {
  if (tk_handle_compare(&handle, &o.largest) > 0) o.largest = handle;
}

void add(DxfOut& o, std::unordered_map<uint64_t, DxfName>& table, const TkHandle& handle,
         const char* name, int32_t index) {
  if (is_null(handle)) return;
  note(o, handle);
  table.emplace(dxf_handle_key(handle), DxfName{name, index});
}

void build_names(DxfOut& o) {
  TkDrawing* d = o.d;
  int32_t i = 0;
  TkLayerRecord layer;
  tk_layer_list_rewind(d);
  for (i = 0; tk_layer_list_next(d, &layer); ++i) add(o, o.layers, layer.handle, layer.name, i);
  TkLinetypeRecord lt;
  tk_ltype_rewind(d);
  for (i = 0; tk_ltype_next(d, &lt); ++i) add(o, o.linetypes, lt.handle, lt.name, i + 2);
  TkTextStyleRecord st;
  tk_style_list_rewind(d);
  for (i = 0; tk_style_list_next(d, &st); ++i) add(o, o.styles, st.handle, st.name, i);
  TkDimStyleRecord ds;
  tk_dimstyle_rewind(d);
  for (i = 0; tk_dimstyle_next(d, &ds); ++i) add(o, o.dimstyles, ds.handle, ds.name, i);
  TkUcsRecord ucs;
  tk_ucs_rewind(d);
  for (i = 0; tk_ucs_next(d, &ucs); ++i) add(o, o.ucss, ucs.handle, ucs.name, i);
  TkAppIdRecord app;
  tk_appid_rewind(d);
  for (i = 0; tk_appid_next(d, &app); ++i) {
    add(o, o.appids, app.handle, app.name, i);
    if (tk_handle_is_null(&o.acad_appid) && tk_name_compare(app.name, "ACAD") == 0)
      o.acad_appid = app.handle;
  }
  TkBlockRecord b;
  block_list_rewind(d);
  for (i = 0; block_list_next(d, &b); ++i) add(o, o.blocks, b.handle, b.name, i);
  TkObjectHeader h;
  auto* data = static_cast<TkObjectData*>(::operator new(sizeof(TkObjectData)));
  tk_object_rewind(d);
  for (i = 0; tk_object_next(d, &h, data);) {
    note(o, h.handle);
    if (h.type == TK_OBJ_MLINESTYLE) add(o, o.mlinestyles, h.handle, data->mlinestyle.name, i++);
  }
  TkVportRecord vport;
  tk_vport_rewind(d);
  while (tk_vport_next(d, &vport)) note(o, vport.handle);
  TkViewRecord view;
  tk_view_rewind(d);
  while (tk_view_next(d, &view)) note(o, view.handle);
  for (int k = 0; k < 9; ++k) note(o, d->fixed[k]);
  note(o, d->fixed[TK_FIXED_MODEL_SPACE]);
  note(o, d->fixed[TK_FIXED_PAPER_SPACE]);
  ::operator delete(data);
}

// The handles the file needs that the drawing may not have yet: table controls
// and the space blocks' BLOCK and ENDBLK entities. They are kept with the
// drawing, so a second save gives the same file.
bool prepare_handles(DxfOut& o) {
  TkDrawing* d = o.d;
  o.model_record = d->fixed[TK_FIXED_MODEL_SPACE];
  o.paper_record = d->fixed[TK_FIXED_PAPER_SPACE];
  o.bylayer = d->bylayer_linetype;
  o.byblock = d->byblock_linetype;
  if (!tk_ltype_find(d, "CONTINUOUS", &o.continuous)) o.continuous = TkHandle{};
  // The older layout names none of them: a drawing saved in it keeps its seed.
  if (o.version < 5) return true;
  for (int i = 0; i < 9; ++i)
    if (is_null(d->fixed[i]) && !tk_next_handle(d, nullptr, 0, &d->fixed[i])) return false;
  return true;
}

// The records the LWPOLYLINEs of a list become before AC1014, and the largest
// entity handle.
uint32_t lwpolyline_records(DxfOut& o, TkList* list, TkHandle* largest) {
  uint32_t n = 0;
  uint16_t lw = tk_class_lwpolyline(o.d);
  for (TkLink* l = list ? list->first : nullptr; l; l = l->next) {
    if (!entity_unpack(l, o.scratch_header, o.scratch_data, nullptr, nullptr)) continue;
    if (tk_handle_compare(&o.scratch_header->handle, largest) > 0)
      *largest = o.scratch_header->handle;
    if (lw && o.scratch_header->kind == lw)
      n += tk_data_get<uint32_t>(o.scratch_data, TK_LWPOLYLINE_COUNT) + 1;
  }
  return n;
}

// Handles for the records an LWPOLYLINE becomes before AC1014, after the
// largest handle the file names. The seed written follows them: a file saved
// again from its reopened drawing then keeps it, where the drawing's own seed
// grows by the handles every load hands out (the older layout names no table
// record's handle, so its reader makes them up).
void reserve_expansion(DxfOut& o, TkHandle* seed) {
  TkHandle largest = o.version >= 5 ? o.largest : TkHandle{};
  // Without HANDLING the older layout names no handle at all.
  TkHandle unnamed{};
  TkHandle* entities = o.version >= 5 || o.handling ? &largest : &unnamed;
  uint32_t n = lwpolyline_records(o, &o.d->model_entities, entities) +
               lwpolyline_records(o, &o.d->paper_entities, entities);
  TkBlockRecord b;
  block_list_rewind(o.d);
  // The space block records' own lists hold at most the BLOCK and ENDBLK a
  // reader kept, which the file does not name.
  // AC1006 names no handle in the BLOCKS section.
  while (block_list_next(o.d, &b))
    if (!same(b.handle, o.model_record) && !same(b.handle, o.paper_record))
      n += lwpolyline_records(o, b.entities, o.version == 3 ? &unnamed : entities);
  *seed = largest;
  tk_handle_increment(seed);
  // The space blocks' BLOCK and ENDBLK entities are no list's: they take the
  // four handles after the largest, which a reopened drawing gives again.
  if (o.version >= 5)
    for (TkHandle& h : o.space_bounds) {
      h = *seed;
      tk_handle_increment(seed);
    }
  o.next_expansion = *seed;
  if (o.version < 6) tk_handle_add_int(seed, n);
}

bool write_one(DxfOut& o, TkEntityHeader* h, TkEntityData* data) {
  if (!dxf_entity_writable(o, *h, *data)) {
    ++o.dropped_entities;
    tk_warn(h->kind == TK_SHAPE ? TK_ERR_DROPPED_SHAPE : 0, &h->handle);
    return true;
  }
  if (!dxf_write_entity_expanded(o, h, data)) return false;
  ++o.written_entities;
  return true;
}

// Every entity of a list but its BLOCK and ENDBLK.
bool write_entity_list(DxfOut& o, TkList* list) {
  TkEntityHeader h;
  auto* data = static_cast<TkEntityData*>(::operator new(sizeof(TkEntityData)));
  bool ok = true;
  for (TkLink* l = list ? list->first : nullptr; ok && l; l = l->next) {
    if (!entity_unpack(l, &h, data, nullptr, nullptr)) continue;
    if (h.kind == TK_BLOCK || h.kind == TK_ENDBLK) continue;
    ok = write_one(o, &h, data);
  }
  ::operator delete(data);
  return ok && o.ok;
}

// A BLOCK or ENDBLK made up from the block record.
bool write_bound(DxfOut& o, uint16_t kind, const TkHandle& handle, bool paper) {
  TkEntityHeader* h = o.scratch_header;
  TkEntityData* d = o.scratch_data;
  std::memset(h, 0, sizeof *h);
  h->kind = kind;
  tk_init_entity(o.d, h, d);
  h->handle = handle;
  if (is_null(h->layer)) {
    TkHandle zero{};
    if (tk_layer_find(o.d, "0", &zero)) h->layer = zero;
  }
  if (is_null(h->linetype)) h->linetype = o.bylayer;
  if (paper) h->flags |= 1;
  if (kind == TK_BLOCK) std::snprintf(tk_data_text(d, 24), 512, "%s", o.block_name.c_str());
  return dxf_write_entity(o, h, d) == 1;
}

bool is_kind(TkLink* l, uint16_t kind, TkEntityHeader* h, TkEntityData* d) {
  return l && entity_unpack(l, h, d, nullptr, nullptr) && h->kind == kind;
}

void begin_block(DxfOut& o, const TkBlockRecord& b, const std::string& name, int32_t index) {
  o.block_name = name;
  o.block_index = index;
  o.block_flags = b.flags;
  o.block_xref = o.version >= 5 && (b.flags & 4) && b.index == -1;
}

// One block definition: BLOCK, its entities, ENDBLK.
bool write_block(DxfOut& o, const TkBlockRecord& b, const std::string& name, int32_t index,
                 TkList* list, const TkHandle& block, const TkHandle& endblk, bool paper) {
  begin_block(o, b, name, index);
  TkEntityHeader h;
  auto* d = static_cast<TkEntityData*>(::operator new(sizeof(TkEntityData)));
  bool ok;
  if (list && is_kind(list->first, TK_BLOCK, &h, d)) {
    ok = dxf_write_entity(o, &h, d) == 1;
  } else {
    TkHandle handle = block;
    ok = !is_null(handle) || tk_next_handle(o.d, nullptr, 0, &handle) == 1;
    ok = ok && write_bound(o, TK_BLOCK, handle, paper);
  }
  ok = ok && write_entity_list(o, list);
  if (ok && list && is_kind(list->last, TK_ENDBLK, &h, d)) {
    ok = dxf_write_entity(o, &h, d) == 1;
  } else if (ok) {
    TkHandle handle = endblk;
    if (is_null(handle)) ok = tk_next_handle(o.d, nullptr, 0, &handle) == 1;
    ok = ok && write_bound(o, TK_ENDBLK, handle, paper);
  }
  ::operator delete(d);
  return ok && o.ok;
}

bool write_blocks_section(DxfOut& o) {
  TkDrawing* d = o.d;
  dxf_write_string_group(o, 0, "SECTION");
  dxf_write_string_group(o, 2, "BLOCKS");
  o.in_blocks = true;
  TkBlockRecord b;
  bool ok = true;
  if (o.version >= 5) {
    if (tk_block_get(d, &o.model_record, &b))
      ok = write_block(o, b, b.name, 0, nullptr, o.space_bounds[0], o.space_bounds[1], false);
    if (ok && tk_block_get(d, &o.paper_record, &b))
      ok = write_block(o, b, b.name, 0, nullptr, o.space_bounds[2], o.space_bounds[3], true);
  }
  std::vector<TkHandle> handles;
  block_list_rewind(d);
  while (block_list_next(d, &b)) handles.push_back(b.handle);
  int32_t n = int32_t(handles.size());
  for (int32_t i = 0; ok && i < n; ++i) {
    tk_report_progress(d, int16_t((o.version >= 5 ? 50 : 40) + 25 * i / (n ? n : 1)));
    const TkHandle& handle = handles[size_t(i)];
    if (same(handle, o.model_record) || same(handle, o.paper_record)) continue;
    if (!tk_block_get(d, &handle, &b)) continue;
    if (o.version < 7 && tk_name_compare_n(b.name, "*PAPER_SPACE", 12) == 0) continue;
    ok = write_block(o, b, dxf_block_written_name(o, b.name, i), i, b.entities, TkHandle{},
                     TkHandle{}, false);
  }
  o.in_blocks = false;
  return ok && dxf_write_string_group(o, 0, "ENDSEC");
}

bool write_entities_section(DxfOut& o) {
  dxf_write_string_group(o, 0, "SECTION");
  dxf_write_string_group(o, 2, "ENTITIES");
  bool ok =
      write_entity_list(o, &o.d->paper_entities) && write_entity_list(o, &o.d->model_entities);
  tk_report_progress(o.d, o.version >= 5 ? 98 : 95);
  return ok && dxf_write_string_group(o, 0, "ENDSEC");
}

// The whole file into o, from the output header (its HANDSEED set here).
int16_t write_file(DxfOut& o, TkHeader* header, bool r12_extension) {
  o.scratch_header = static_cast<TkEntityHeader*>(::operator new(sizeof(TkEntityHeader)));
  o.scratch_data = static_cast<TkEntityData*>(::operator new(sizeof(TkEntityData)));
  struct Free {
    DxfOut& o;
    ~Free() {
      ::operator delete(o.scratch_header);
      ::operator delete(o.scratch_data);
    }
  } release{o};
  o.ok = true;
  o.buffer.reserve(1 << 17);
  if (!prepare_handles(o)) return 0;
  o.largest = TkHandle{};
  build_names(o);
  TkHandle seed{};
  o.handling = header->handling;
  reserve_expansion(o, &seed);
  header->handseed = seed;
  if (!dxf_write_header_section(o, header, o.version >= 5 || r12_extension)) goto failed;
  if (o.version >= 5 && !dxf_write_classes_section(o)) goto failed;
  if (!dxf_write_tables_section(o)) goto failed;
  if (!write_blocks_section(o)) goto failed;
  if (!write_entities_section(o)) goto failed;
  if (o.version >= 5 && !dxf_write_objects_section(o)) goto failed;
  dxf_write_string_group(o, 0, "EOF");
  if (!dxf_flush(o)) goto failed;
  (void)tk_fail(TK_ERR_NONE);
  return 1;
failed:
  if (!tk_get_last_error()) (void)tk_fail(TK_ERR_DISK_FULL);
  return 0;
}

int16_t drive(TkDrawing* src, TkWriter* out, bool r12_extension, int16_t negative_zero,
              int16_t decimals, int16_t z_flag) {
  DxfOut o{};
  o.d = src;
  o.w = out;
  o.version = out->output_version;
  o.binary = out->file_kind == TK_FILE_BINARY_DXF;
  dxf_set_number_format(o, negative_zero, decimals, z_flag);
  int16_t ok = write_file(o, out->header, r12_extension);
  out->written_entities = o.written_entities;
  out->dropped_entities = o.dropped_entities;
  out->written_objects = o.written_objects;
  out->dropped_objects = o.dropped_objects;
  return ok;
}

}  // namespace

uint64_t dxf_handle_key(const TkHandle& handle) {
  uint64_t k = 0;
  for (int i = 0; i < 8; ++i) k = k << 8 | handle.bytes[i];
  return k;
}

const DxfName* dxf_name_of(const std::unordered_map<uint64_t, DxfName>& table,
                           const TkHandle& handle) {
  auto it = table.find(dxf_handle_key(handle));
  return it == table.end() ? nullptr : &it->second;
}

const char* dxf_ltype_name(DxfOut& o, const TkHandle& handle, int32_t* index) {
  *index = 0;
  if (same(handle, o.bylayer)) return "BYLAYER";
  if (same(handle, o.byblock)) return "BYBLOCK";
  const DxfName* n = dxf_name_of(o.linetypes, handle);
  if (!n) return nullptr;
  *index = n->index;
  return n->name.c_str();
}

std::string dxf_block_written_name(DxfOut& o, const std::string& name, int32_t index) {
  (void)o;
  if (name.empty() || name[0] != '*' || tk_name_compare_n(name.c_str(), "*PAPER_SPACE", 12) == 0 ||
      tk_name_compare_n(name.c_str(), "*MODEL_SPACE", 12) == 0) {
    if (tk_name_compare(name.c_str(), "*PAPER_SPACE") == 0 && o.version >= 7)
      return name + std::to_string(index);
    return name;
  }
  return name.substr(0, 2) + std::to_string(index);
}

int16_t dxf_write_drawing_r12(TkDrawing* src, TkWriter* out, uint8_t r12_header_extension,
                              int16_t negative_zero, int16_t decimals, int16_t z_flag) {
  return drive(src, out, r12_header_extension != 0, negative_zero, decimals, z_flag);
}

int16_t dxf_write_drawing(TkDrawing* src, TkWriter* out, int16_t negative_zero, int16_t decimals,
                          int16_t z_flag) {
  return drive(src, out, true, negative_zero, decimals, z_flag);
}

int16_t dxf_write_to_memory(TkDrawing* src, uint8_t kind, int16_t version,
                            std::vector<uint8_t>* bytes, int16_t decimals) {
  if (!src || !src->header || !bytes || version < 0 || version > 7) return tk_fail(TK_ERR_GENERAL);
  auto* header = static_cast<TkHeader*>(::operator new(sizeof(TkHeader)));
  std::memcpy(header, src->header, sizeof *header);
  static const char* const kVersions[8] = {"AC1002", "AC1003", "AC1004", "AC1006",
                                           "AC1009", "AC1012", "AC1014", "AC1015"};
  std::memcpy(header->acadver, kVersions[version], 7);
  DxfOut o{};
  o.d = src;
  o.memory = bytes;
  o.version = version;
  o.binary = kind == TK_FILE_BINARY_DXF;
  dxf_set_number_format(o, 0, decimals, 0);
  int16_t ok = write_file(o, header, true);
  ::operator delete(header);
  return ok;
}
