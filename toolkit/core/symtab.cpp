// Symbol-table records: the shared list operations, linetype placement in front of the
// BYBLOCK/BYLAYER run, layer state, and the record defaults. Lookups by handle check that the
// record found belongs to the table asked for, so a handle of another table never reads one
// record type as another.
#include "toolkit/core/symtab.h"

#include <cstddef>
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/mem.h"

namespace {

int16_t table_next(TkList* list, void* record, size_t size) { return record_read(list, record, size); }

// The stored record of a handle in the given table, or null with error 303 or 304.
TkLink* table_link(TkDrawing* drawing, TkList* list, const TkHandle* handle) {
  TkLink* link = static_cast<TkLink*>(hidx_lookup(&drawing->index, handle));
  if (!link) {
    tk_fail(TK_ERR_HANDLE_NOT_IN_BTREE);
    return nullptr;
  }
  if (link->owner != list) {
    tk_fail(TK_ERR_SET_CURRENT_NODE);
    return nullptr;
  }
  return link;
}

// Copies the record of a handle out and leaves the list behind it.
int16_t table_get(TkDrawing* drawing, TkList* list, const TkHandle* handle, void* record,
                  size_t size) {
  TkLink* link = table_link(drawing, list, handle);
  if (!link) return 0;
  if (list_next(list, link) != 0) return tk_fail(TK_ERR_SET_CURRENT_NODE);
  if (!record_read(list, record, size)) return tk_fail(TK_ERR_GET_ITEM);
  return 1;
}

int16_t table_put(TkDrawing* drawing, TkList* list, const TkHandle* handle, const void* record,
                  size_t size) {
  TkLink* link = table_link(drawing, list, handle);
  if (!link) return 0;
  if (link->size < size) return tk_fail(TK_ERR_GET_ITEM);
  memcpy(tk_link_data(link), record, size);
  return 1;
}

// Scans from the first record without moving the list's position.
TkLink* table_find_link(TkList* list, size_t name_offset, const char* name) {
  for (TkLink* l = list_first(list); l; l = l->next) {
    const char* stored = static_cast<const char*>(tk_link_data(l)) + name_offset;
    if (tk_name_compare(stored, name) == 0) return l;
  }
  return nullptr;
}

int16_t table_find(TkList* list, size_t name_offset, size_t handle_offset, const char* name,
                   TkHandle* handle) {
  TkLink* l = table_find_link(list, name_offset, name);
  if (!l) {
    memset(handle, 0, sizeof *handle);
    return 0;
  }
  memcpy(handle, static_cast<const uint8_t*>(tk_link_data(l)) + handle_offset, sizeof *handle);
  return 1;
}

int16_t table_add(TkDrawing* drawing, TkList* list, const TkHandle* handle, const void* record,
                  size_t size) {
  return record_store_indexed(handle, &drawing->index, record, size, list, TK_POS_END, nullptr)
             ? 1
             : 0;
}

bool is_by_linetype(const TkLink* link) {
  const auto* r = static_cast<const TkLinetypeRecord*>(tk_link_data(link));
  return tk_name_compare(r->name, "BYBLOCK") == 0 || tk_name_compare(r->name, "BYLAYER") == 0;
}

}  // namespace

#define TABLE_FIND(Record, list)                                                              \
  table_find(&drawing->list, offsetof(Record, name), offsetof(Record, handle), name, handle)

// Layers.
int16_t tk_layer_list_rewind(TkDrawing* drawing) {
  list_rewind(&drawing->layers);
  return 1;
}
int16_t tk_layer_list_next(TkDrawing* drawing, TkLayerRecord* record) {
  return table_next(&drawing->layers, record, sizeof *record);
}
int32_t tk_layer_list_count(const TkDrawing* drawing) { return list_count(&drawing->layers); }
int16_t tk_layer_get(TkDrawing* drawing, const TkHandle* handle, TkLayerRecord* record) {
  return table_get(drawing, &drawing->layers, handle, record, sizeof *record);
}
int16_t tk_layer_put(TkDrawing* drawing, const TkLayerRecord* record) {
  return table_put(drawing, &drawing->layers, &record->handle, record, sizeof *record);
}
int16_t tk_layer_find(TkDrawing* drawing, const char* name, TkHandle* handle) {
  return TABLE_FIND(TkLayerRecord, layers);
}
int16_t tk_layer_add(TkDrawing* drawing, const TkLayerRecord* record) {
  return table_add(drawing, &drawing->layers, &record->handle, record, sizeof *record);
}

int16_t tk_layer_get_state(TkDrawing* drawing, const TkHandle* handle, int16_t* on,
                           int16_t* frozen, int16_t* vp_frozen, int16_t* locked) {
  TkLink* link = table_link(drawing, &drawing->layers, handle);
  if (!link) return 0;
  const auto* r = static_cast<const TkLayerRecord*>(tk_link_data(link));
  *on = r->color >= 0;
  *frozen = (r->flags & TK_LAYER_FROZEN) != 0;
  *vp_frozen = (r->flags & TK_LAYER_FROZEN_NEW_VIEWPORTS) != 0;
  *locked = (r->flags & TK_LAYER_LOCKED) != 0;
  return 1;
}

int16_t tk_layer_set_state(TkDrawing* drawing, const TkHandle* handle, int16_t on, int16_t frozen,
                           int16_t vp_frozen, int16_t locked) {
  TkLink* link = table_link(drawing, &drawing->layers, handle);
  if (!link) return 0;
  auto* r = static_cast<TkLayerRecord*>(tk_link_data(link));
  int16_t magnitude = int16_t(r->color < 0 ? -r->color : r->color);
  r->color = on != 0 ? magnitude : int16_t(-magnitude);
  auto apply = [r](int16_t value, uint8_t bit) {
    if (value == 0 || value == -1)
      r->flags = uint8_t(r->flags & ~bit);
    else
      r->flags = uint8_t(r->flags | bit);
  };
  apply(frozen, TK_LAYER_FROZEN);
  apply(vp_frozen, TK_LAYER_FROZEN_NEW_VIEWPORTS);
  apply(locked, TK_LAYER_LOCKED);
  return 1;
}

// Text styles.
int16_t tk_style_list_rewind(TkDrawing* drawing) {
  list_rewind(&drawing->styles);
  return 1;
}
int16_t tk_style_list_next(TkDrawing* drawing, TkTextStyleRecord* record) {
  return table_next(&drawing->styles, record, sizeof *record);
}
int32_t tk_style_list_count(const TkDrawing* drawing) { return list_count(&drawing->styles); }
int16_t tk_style_get(TkDrawing* drawing, const TkHandle* handle, TkTextStyleRecord* record) {
  return table_get(drawing, &drawing->styles, handle, record, sizeof *record);
}
int16_t tk_style_find(TkDrawing* drawing, const char* name, TkHandle* handle) {
  return TABLE_FIND(TkTextStyleRecord, styles);
}
int16_t tk_style_add(TkDrawing* drawing, const TkTextStyleRecord* record) {
  return table_add(drawing, &drawing->styles, &record->handle, record, sizeof *record);
}

// Linetypes.
int16_t tk_ltype_rewind(TkDrawing* drawing) {
  list_rewind(&drawing->linetypes);
  return 1;
}
int16_t tk_ltype_next(TkDrawing* drawing, TkLinetypeRecord* record) {
  return table_next(&drawing->linetypes, record, sizeof *record);
}
int32_t tk_ltype_count(const TkDrawing* drawing) { return list_count(&drawing->linetypes); }
int16_t tk_ltype_get(TkDrawing* drawing, const TkHandle* handle, TkLinetypeRecord* record) {
  return table_get(drawing, &drawing->linetypes, handle, record, sizeof *record);
}
int16_t tk_ltype_find(TkDrawing* drawing, const char* name, TkHandle* handle) {
  return TABLE_FIND(TkLinetypeRecord, linetypes);
}

int16_t tk_ltype_add(TkDrawing* drawing, const TkLinetypeRecord* record) {
  TkList* list = &drawing->linetypes;
  uint16_t position = TK_POS_END;
  TkLink* before = nullptr;
  if (tk_name_compare(record->name, "BYBLOCK") != 0 && tk_name_compare(record->name, "BYLAYER") != 0) {
    // Other linetypes go in front of the BYBLOCK/BYLAYER run that ends the list (at most three
    // records back), so the run stays last.
    int walked = 0;
    for (TkLink* l = list_last(list); l && walked < 3 && is_by_linetype(l); l = l->prev, ++walked)
      before = l;
    if (before) position = TK_POS_BEFORE;
  }
  if (record_store_indexed(&record->handle, &drawing->index, record, sizeof *record, list,
                           position, before))
    return 1;
  if (tk_get_last_error() == TK_ERR_ALLOC_STRUCTURE) tk_fail(TK_ERR_ALLOC_VM_LINETYPE);
  return 0;
}

int16_t tk_ltype_delete(TkDrawing* drawing, const TkHandle* handle) {
  tk_fail(TK_ERR_NONE);
  TkList* list = &drawing->linetypes;
  if (list_count(list) == 0) return tk_fail(TK_ERR_NO_LINETYPES);
  auto* link = static_cast<TkLink*>(hidx_lookup(&drawing->index, handle));
  if (!link || link->owner != list) return tk_fail(TK_ERR_LINETYPE_NOT_FOUND);
  if (!list_remove(list, link)) return tk_fail(TK_ERR_DELETE_LINETYPE);
  hidx_remove(&drawing->index, handle);
  auto* r = static_cast<TkLinetypeRecord*>(tk_link_data(link));
  blob_free(r->xdata);
  blob_free(r->reactors);
  mem_free(link);
  return 1;
}

// Dimension styles.
int16_t tk_dimstyle_rewind(TkDrawing* drawing) {
  list_rewind(&drawing->dimstyles);
  return 1;
}
int16_t tk_dimstyle_next(TkDrawing* drawing, TkDimStyleRecord* record) {
  return table_next(&drawing->dimstyles, record, sizeof *record);
}
int32_t tk_dimstyle_count(const TkDrawing* drawing) { return list_count(&drawing->dimstyles); }
int16_t tk_dimstyle_get(TkDrawing* drawing, const TkHandle* handle, TkDimStyleRecord* record) {
  return table_get(drawing, &drawing->dimstyles, handle, record, sizeof *record);
}
int16_t tk_dimstyle_put(TkDrawing* drawing, const TkDimStyleRecord* record) {
  return table_put(drawing, &drawing->dimstyles, &record->handle, record, sizeof *record);
}

// Application ids, viewports, views and UCSs.
int16_t tk_appid_rewind(TkDrawing* drawing) {
  list_rewind(&drawing->appids);
  return 1;
}
int16_t tk_appid_next(TkDrawing* drawing, TkAppIdRecord* record) {
  return table_next(&drawing->appids, record, sizeof *record);
}
int32_t tk_appid_count(const TkDrawing* drawing) { return list_count(&drawing->appids); }
int16_t tk_appid_find(TkDrawing* drawing, const char* name, TkHandle* handle) {
  return TABLE_FIND(TkAppIdRecord, appids);
}
int16_t tk_vport_rewind(TkDrawing* drawing) {
  list_rewind(&drawing->vports);
  return 1;
}
int16_t tk_vport_next(TkDrawing* drawing, TkVportRecord* record) {
  return table_next(&drawing->vports, record, sizeof *record);
}
int32_t tk_vport_count(const TkDrawing* drawing) { return list_count(&drawing->vports); }
int16_t tk_view_rewind(TkDrawing* drawing) {
  list_rewind(&drawing->views);
  return 1;
}
int16_t tk_view_next(TkDrawing* drawing, TkViewRecord* record) {
  return table_next(&drawing->views, record, sizeof *record);
}
int32_t tk_view_count(const TkDrawing* drawing) { return list_count(&drawing->views); }
int16_t tk_ucs_rewind(TkDrawing* drawing) {
  list_rewind(&drawing->ucss);
  return 1;
}
int16_t tk_ucs_next(TkDrawing* drawing, TkUcsRecord* record) {
  return table_next(&drawing->ucss, record, sizeof *record);
}
int32_t tk_ucs_count(const TkDrawing* drawing) { return list_count(&drawing->ucss); }

// Block records.
int16_t block_list_rewind(TkDrawing* drawing) {
  list_rewind(&drawing->blocks);
  return 1;
}
int16_t block_list_next(TkDrawing* drawing, TkBlockRecord* record) {
  return table_next(&drawing->blocks, record, sizeof *record);
}
int32_t block_list_count(const TkDrawing* drawing) { return list_count(&drawing->blocks); }
int16_t tk_find_record_by_name(TkDrawing* drawing, const char* name, TkHandle* handle) {
  return TABLE_FIND(TkBlockRecord, blocks);
}
int16_t tk_block_get(TkDrawing* drawing, const TkHandle* handle, TkBlockRecord* record) {
  return table_get(drawing, &drawing->blocks, handle, record, sizeof *record);
}
int16_t tk_block_put(TkDrawing* drawing, const TkBlockRecord* record) {
  return table_put(drawing, &drawing->blocks, &record->handle, record, sizeof *record);
}

#undef TABLE_FIND

// Record defaults.
void tk_init_layer_record(TkDrawing* drawing, TkLayerRecord* record) {
  memset(record, 0, sizeof *record);
  record->xref_index = -1;
  record->color = 7;
  TkLink* first = list_first(&drawing->linetypes);
  if (first) record->linetype = static_cast<const TkLinetypeRecord*>(tk_link_data(first))->handle;
  record->plot = 1;
  record->lineweight = -3;
  record->plot_style = drawing->default_plot_style;
}

void tk_init_ltype_record(TkLinetypeRecord* record) {
  memset(record, 0, sizeof *record);
  record->xref_index = -1;
  record->alignment = 'A';
  record->flags = 64;
}

void tk_init_style_record(TkTextStyleRecord* record) {
  memset(record, 0, sizeof *record);
  record->xref_index = -1;
  record->width_factor = 1.0;
}

void tk_init_appid_record(TkAppIdRecord* record) {
  memset(record, 0, sizeof *record);
  record->xref_index = -1;
}

void tk_init_ucs_record(TkUcsRecord* record) {
  memset(record, 0, sizeof *record);
  record->xref_index = -1;
  record->x_axis[0] = 1.0;
  record->y_axis[1] = 1.0;
}

namespace {

enum DimKind : uint8_t { kByte, kShort, kDouble, kText };

struct DimVar {
  const char* name;  // the header variable of the same name
  uint16_t offset;
  DimKind kind;
};

#define DV(field, NAME, kind) {NAME, uint16_t(offsetof(TkDimStyleRecord, field)), kind}
// The dimension variables that have a header variable; the block names (DIMBLK, DIMBLK1,
// DIMBLK2, DIMLDRBLK) are handles here and names there, so they start null.
const DimVar kDimVars[] = {
    DV(dimadec, "DIMADEC", kShort),    DV(dimalt, "DIMALT", kByte),
    DV(dimaltd, "DIMALTD", kByte),     DV(dimaltf, "DIMALTF", kDouble),
    DV(dimaltrnd, "DIMALTRND", kDouble), DV(dimapost, "DIMAPOST", kText),
    DV(dimasz, "DIMASZ", kDouble),     DV(dimazin, "DIMAZIN", kShort),
    DV(dimcen, "DIMCEN", kDouble),     DV(dimclrd, "DIMCLRD", kShort),
    DV(dimclre, "DIMCLRE", kShort),    DV(dimclrt, "DIMCLRT", kShort),
    DV(dimdle, "DIMDLE", kDouble),     DV(dimdli, "DIMDLI", kDouble),
    DV(dimexe, "DIMEXE", kDouble),     DV(dimexo, "DIMEXO", kDouble),
    DV(dimgap, "DIMGAP", kDouble),     DV(dimlfac, "DIMLFAC", kDouble),
    DV(dimlim, "DIMLIM", kByte),       DV(dimpost, "DIMPOST", kText),
    DV(dimrnd, "DIMRND", kDouble),     DV(dimsah, "DIMSAH", kByte),
    DV(dimscale, "DIMSCALE", kDouble), DV(dimse1, "DIMSE1", kByte),
    DV(dimse2, "DIMSE2", kByte),       DV(dimtfac, "DIMTFAC", kDouble),
    DV(dimtih, "DIMTIH", kByte),       DV(dimtm, "DIMTM", kDouble),
    DV(dimtoh, "DIMTOH", kByte),       DV(dimtofl, "DIMTOFL", kByte),
    DV(dimtol, "DIMTOL", kByte),       DV(dimtp, "DIMTP", kDouble),
    DV(dimtsz, "DIMTSZ", kDouble),     DV(dimtxt, "DIMTXT", kDouble),
    DV(dimtvp, "DIMTVP", kDouble),     DV(dimsoxd, "DIMSOXD", kByte),
    DV(dimtad, "DIMTAD", kByte),       DV(dimtix, "DIMTIX", kByte),
    DV(dimzin, "DIMZIN", kByte),       DV(dimalttd, "DIMALTTD", kShort),
    DV(dimalttz, "DIMALTTZ", kByte),   DV(dimaltu, "DIMALTU", kShort),
    DV(dimaltz, "DIMALTZ", kByte),     DV(dimaunit, "DIMAUNIT", kShort),
    DV(dimdec, "DIMDEC", kShort),      DV(dimfit, "DIMFIT", kByte),
    DV(dimjust, "DIMJUST", kByte),     DV(dimsd1, "DIMSD1", kByte),
    DV(dimsd2, "DIMSD2", kByte),       DV(dimtdec, "DIMTDEC", kShort),
    DV(dimtolj, "DIMTOLJ", kByte),     DV(dimtzin, "DIMTZIN", kByte),
    DV(dimlunit, "DIMLUNIT", kShort),  DV(dimupt, "DIMUPT", kByte),
    DV(dimfrac, "DIMFRAC", kShort),    DV(dimdsep, "DIMDSEP", kShort),
    DV(dimtmove, "DIMTMOVE", kShort),  DV(dimlwd, "DIMLWD", kShort),
    DV(dimlwe, "DIMLWE", kShort),
};
#undef DV

}  // namespace

void tk_dimstyle_from_header(TkDimStyleRecord* record, const TkHeader* header) {
  for (const DimVar& v : kDimVars) {
    const TkHeaderVarDesc* d = hdr_find(v.name);
    if (!d) continue;
    const void* from = hdr_value(header, d);
    uint8_t* to = reinterpret_cast<uint8_t*>(record) + v.offset;
    switch (v.kind) {
      case kByte: *to = *static_cast<const uint8_t*>(from); break;
      case kShort: memcpy(to, from, sizeof(int16_t)); break;
      case kDouble: memcpy(to, from, sizeof(double)); break;
      case kText:
        strncpy(reinterpret_cast<char*>(to), static_cast<const char*>(from), TK_NAME_SIZE - 1);
        break;
    }
  }
}

void tk_init_dimstyle_record(TkDrawing* drawing, TkDimStyleRecord* record) {
  memset(record, 0, sizeof *record);
  TkHeader defaults;
  header_set_defaults(&defaults);
  tk_dimstyle_from_header(record, &defaults);
  TkLink* first = list_first(&drawing->styles);
  if (first) record->dimtxsty = static_cast<const TkTextStyleRecord*>(tk_link_data(first))->handle;
}

void tk_copy_vport_defaults(TkVportRecord* record) {
  // The view and drawing aids of a new drawing's header, so the viewport and the header agree.
  TkHeader h;
  header_set_defaults(&h);
  memset(record, 0, sizeof *record);
  record->upper_right[0] = record->upper_right[1] = 1.0;
  memcpy(record->snap_base, h.snapbase, sizeof record->snap_base);
  memcpy(record->snap_spacing, h.snapunit, sizeof record->snap_spacing);
  memcpy(record->grid_spacing, h.gridunit, sizeof record->grid_spacing);
  memcpy(record->center, h.viewctr, sizeof record->center);
  memcpy(record->direction, h.viewdir, sizeof record->direction);
  record->twist = h.viewtwist;
  record->height = h.viewsize;
  record->circle_zoom = 100;
  record->fast_zoom = h.fastzoom;
  record->ucs_icon = 3;
  record->aspect_ratio = 1.0;
  record->grid_on = h.gridmode;
  record->lens_length = 50.0;
  record->snap_isopair = h.snapisopair;
  record->snap_on = h.snapmode;
  record->snap_angle = h.snapang;
  record->snap_style = h.snapstyle;
  record->ucs_x_axis[0] = 1.0;
  record->ucs_y_axis[1] = 1.0;
}

void tk_copy_view_defaults(TkViewRecord* record) {
  memset(record, 0, sizeof *record);
  record->direction[2] = 1.0;
  record->lens_length = 50.0;
  record->ucs_x_axis[0] = 1.0;
  record->ucs_y_axis[1] = 1.0;
}

void tk_init_block_record(TkBlockRecord* record) {
  memset(record, 0, sizeof *record);
  record->index = -1;
  record->set_byte = 1;
}
