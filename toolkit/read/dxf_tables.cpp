// DXF symbol-table records (LTYPE, LAYER, STYLE, VIEW, VPORT, APPID, DIMSTYLE, UCS), the block
// headers of the BLOCKS section, BLOCK_RECORD records and class definitions. Each read starts
// where the rewind or the previous read left the file and ends at the next record's group 0.
#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/drawing_life.h"
#include "toolkit/core/load_complete.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"
#include "toolkit/read/dxf_readers.h"

namespace {

const TkGroupTable* table_of(TkGroupKind kind) { return &tk_group_tables[kind]; }

DxfState* begin_record(TkDrawing* d, uint8_t* has_xdata) {
  DxfState* s = dxf_state(d);
  if (!s) return nullptr;
  dxf_xdata_reset(s);
  if (has_xdata) *has_xdata = 0;
  return s;
}

// The record's extended data goes with it when the record has a place for it.
void keep_xdata(DxfState* s, TkBlob** place, const uint8_t* has_xdata) {
  if (!has_xdata || !*has_xdata || !place) return;
  blob_free(*place);
  *place = dxf_xdata_blob(s);
}

// Remembers a block header's name and position, so that its entities can be found again when
// the loader asks for them by the stored block record.
void remember_block(DxfState* s, const char* name) {
  size_t n = std::strlen(name) + 1;
  if (s->block_names_used + n > s->block_names_capacity) {
    size_t grown = s->block_names_capacity ? s->block_names_capacity * 2 : 4096;
    while (grown < s->block_names_used + n) grown *= 2;
    auto* pool = static_cast<char*>(mem_alloc(grown));
    if (!pool) return;  // the block's entities are then not found: an empty block
    if (s->block_names_used) std::memcpy(pool, s->block_names, s->block_names_used);
    mem_free(s->block_names);
    s->block_names = pool;
    s->block_names_capacity = grown;
  }
  if (!s->block_name_at) {
    s->block_name_at = static_cast<uint32_t*>(mem_alloc(sizeof(uint32_t) * (s->blocks.count + 1)));
    if (!s->block_name_at) return;
  }
  uint32_t index = s->blocks.next - 1;
  if (index >= s->blocks.count) return;
  std::memcpy(s->block_names + s->block_names_used, name, n);
  s->block_name_at[index] = static_cast<uint32_t>(s->block_names_used);
  s->block_names_used += n;
  if (s->block_headers_read < s->blocks.next) s->block_headers_read = s->blocks.next;
}

}  // namespace

int16_t dxf_read_ltype(TkDrawing* d, TkLinetypeRecord* r, uint8_t* has_xdata) {
  DxfState* s = begin_record(d, has_xdata);
  if (!s) return 0;
  tk_init_ltype_record(r);
  for (auto& e : r->elements) e.scale = 1.0;
  if (!dxf_read_group(s) || s->group.code != 0 || !dxf_text_is(s, "LTYPE")) return 0;
  // Dash texts stand one behind the other in the text area; AC1012 files begin one byte in.
  size_t text_at = d->version == TK_VERSION_AC1012 ? 1 : 0;
  int dash = -1;
  for (;;) {
    uint32_t position = dxf_tell(s);
    if (!dxf_read_group(s)) return 0;
    uint16_t code = s->group.code;
    if (code == 0 || dxf_at_end(s)) {
      if (code == 0) dxf_seek(s, position);
      break;
    }
    // Dashes beyond the record's fifteen are ignored with everything they carry.
    TkDashElement* e = dash >= 0 && dash < TK_DASH_ELEMENTS ? &r->elements[dash] : nullptr;
    switch (code) {
      case 102:
        if (dxf_text_is(s, "{ACAD_REACTORS") &&
            !dxf_read_reactors(s, &r->reactor_count, &r->reactors))
          return 0;
        break;
      case 49:
        ++dash;
        if (dash < TK_DASH_ELEMENTS) {
          r->elements[dash].length = s->group.real;
          r->elements[dash].shape_flags = 0;
        }
        break;
      case 74:
        if (e) e->shape_flags = static_cast<uint16_t>(s->group.i16);
        break;
      case 75:
        if (e) e->shape = static_cast<uint16_t>(s->group.i16);
        break;
      case 46:
        if (e) e->scale = s->group.real;
        break;
      case 50:
        if (e) e->rotation = s->group.real * 0.017453292519943295;
        break;
      case 44:
        if (e) e->x_offset = s->group.real;
        break;
      case 45:
        if (e) e->y_offset = s->group.real;
        break;
      case 340:
        if (e) e->text_style = s->group.handle;
        break;
      case 9: {
        // A text that does not fit in what is left of the area is dropped, never cut into it.
        size_t n = std::strlen(s->text) + 1;
        if (e && text_at + n <= sizeof r->dash_texts) {
          std::memcpy(r->dash_texts + text_at, s->text, n);
          e->text_index = static_cast<uint16_t>(text_at);
          text_at += n;
        }
        break;
      }
      default:
        if (code >= 1000) {
          dxf_read_xdata_group(s);
          if (has_xdata) *has_xdata = 1;
        } else {
          dxf_record_group(s, table_of(TK_GROUPS_LTYPE), r);
        }
    }
  }
  if (r->element_count > TK_DASH_ELEMENTS) r->element_count = TK_DASH_ELEMENTS;
  if (r->element_count < 0) r->element_count = 0;
  keep_xdata(s, &r->xdata, has_xdata);
  return 1;
}

int16_t dxf_read_layer(TkDrawing* d, TkLayerRecord* r, uint8_t* has_xdata) {
  DxfState* s = begin_record(d, has_xdata);
  if (!s) return 0;
  tk_init_layer_record(d, r);
  s->pending_layer_linetype[0] = 0;
  if (!dxf_read_table_record(s, table_of(TK_GROUPS_LAYER), r, has_xdata, &r->reactor_count,
                             &r->reactors, nullptr))
    return 0;
  // Linetypes are loaded first, so the name the layer gives is found at once.
  if (s->pending_layer_linetype[0]) tk_ltype_find(d, s->pending_layer_linetype, &r->linetype);
  keep_xdata(s, &r->xdata, has_xdata);
  return 1;
}

int16_t dxf_read_style(TkDrawing* d, TkTextStyleRecord* r, uint8_t* has_xdata) {
  DxfState* s = begin_record(d, has_xdata);
  if (!s) return 0;
  tk_init_style_record(r);
  r->xdata = nullptr;
  if (!dxf_read_table_record(s, table_of(TK_GROUPS_STYLE), r, has_xdata, &r->reactor_count,
                             &r->reactors, nullptr))
    return 0;
  keep_xdata(s, &r->xdata, has_xdata);
  return 1;
}

int16_t dxf_read_view(TkDrawing* d, TkViewRecord* r, uint8_t* has_xdata) {
  DxfState* s = begin_record(d, has_xdata);
  if (!s) return 0;
  tk_copy_view_defaults(r);
  return dxf_read_table_record(s, table_of(TK_GROUPS_VIEW), r, has_xdata, &r->reactor_count,
                               &r->reactors, nullptr);
}

int16_t dxf_read_vport(TkDrawing* d, TkVportRecord* r, uint8_t* has_xdata) {
  DxfState* s = begin_record(d, has_xdata);
  if (!s) return 0;
  tk_copy_vport_defaults(r);
  r->xdata = nullptr;
  if (!dxf_read_table_record(s, table_of(TK_GROUPS_VPORT), r, has_xdata, &r->reactor_count,
                             &r->reactors, nullptr))
    return 0;
  keep_xdata(s, &r->xdata, has_xdata);
  return 1;
}

int16_t dxf_read_ucs(TkDrawing* d, TkUcsRecord* r, uint8_t* has_xdata) {
  DxfState* s = begin_record(d, has_xdata);
  if (!s) return 0;
  tk_init_ucs_record(r);
  return dxf_read_table_record(s, table_of(TK_GROUPS_UCS), r, has_xdata, &r->reactor_count,
                               &r->reactors, nullptr);
}

int16_t dxf_read_appid(TkDrawing* d, TkAppIdRecord* r, uint8_t* has_xdata) {
  DxfState* s = begin_record(d, has_xdata);
  if (!s) return 0;
  tk_init_appid_record(r);
  if (!dxf_read_table_record(s, table_of(TK_GROUPS_APPID), r, has_xdata, &r->reactor_count,
                             &r->reactors, nullptr))
    return 0;
  keep_xdata(s, &r->xdata, has_xdata);
  return 1;
}

int16_t dxf_read_dimstyle(TkDrawing* d, TkDimStyleRecord* r, uint8_t* has_xdata) {
  DxfState* s = begin_record(d, has_xdata);
  if (!s) return 0;
  tk_init_dimstyle_record(d, r);
  std::memset(s->pending_arrows, 0, sizeof s->pending_arrows);
  if (!dxf_read_table_record(s, table_of(TK_GROUPS_DIMSTYLE), r, has_xdata, &r->reactor_count,
                             &r->reactors, nullptr))
    return 0;
  // Arrow names without a block wait for the end of the load, when the blocks of the file are
  // known and the standard arrowheads can be built.
  for (uint32_t code = 5; code <= 7; ++code)
    if (!name_ref_queue(d, &r->handle, s->pending_arrows[code - 5], code)) return 0;
  return 1;
}

int16_t dxf_read_block_header(TkDrawing* d, TkBlockRecord* r, uint8_t* has_xdata) {
  DxfState* s = begin_record(d, has_xdata);
  if (!s) return 0;
  tk_init_block_record(r);
  if (s->blocks.next >= s->blocks.count) return 0;
  uint32_t position = s->blocks.items[s->blocks.next++];
  dxf_seek(s, position);
  s->block_offset = position - s->blocks_start;
  // The block header's fields come from the BLOCK entity's groups; its reactors are its own.
  uint32_t reactor_count = 0;
  TkBlob* reactors = nullptr;
  TkHandle owner{};
  int16_t ok = dxf_read_table_record(s, table_of(TK_GROUPS_BLOCK), r, has_xdata, &reactor_count,
                                     &reactors, &owner);
  blob_free(reactors);
  if (!ok) return 0;
  // The BLOCK entity's own handle (group 5) belongs to that entity, which the block's entities
  // bring along; the block record is the BLOCK_RECORD that owns it. Taking group 5 for both
  // would give two records one handle.
  if (d->version >= TK_VERSION_AC1012) {
    // A file that does not name the block record gets one numbered from the seed.
    if (tk_handle_is_null(&owner) && !tk_next_handle(d, nullptr, 0, &owner)) return 0;
    r->handle = owner;
    r->owner = s->table_handles[DXF_BLOCK_RECORD];
  }
  if (d->version > TK_VERSION_AC1012 && (r->flags & 8)) r->flag_word = 1;
  auto overlay_bit = static_cast<uint8_t>(r->index);
  r->index = ((r->flags & 4) && !(overlay_bit & 1)) ? 0 : -1;
  remember_block(s, r->name);
  return 1;
}

int16_t dxf_begin_block_entities(TkDrawing* d) {
  DxfState* s = dxf_state(d);
  if (!s || !d->reading_block || !s->block_name_at) return 0;
  s->in_block = 1;
  s->block_begun = 0;
  // Blocks are asked for in the order their headers were read, so the search usually ends at
  // the cursor.
  uint32_t n = s->block_headers_read;
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t k = (s->block_cursor + i) % n;
    if (tk_name_compare(s->block_names + s->block_name_at[k], d->reading_block->name) == 0) {
      s->block_cursor = k + 1;
      dxf_seek(s, s->blocks.items[k]);
      return 1;
    }
  }
  return 0;
}

int16_t dxf_read_block_record(TkDrawing* d, TkBlockRecord* r) {
  DxfState* s = begin_record(d, nullptr);
  if (!s) return 0;
  r->name[0] = 0;
  r->layout = TkHandle{};
  uint32_t position = 0;
  if (!dxf_read_group_xdata(s, nullptr, &position)) return 0;  // "BLOCK_RECORD"
  if (!dxf_read_group_xdata(s, nullptr, &position)) return 0;  // its handle
  r->handle = s->group.handle;
  dxf_xdata_reset(s);
  position = dxf_tell(s);
  if (!dxf_read_group(s)) return 0;
  if (s->group.code == 330) {
    r->owner = s->group.handle;
    position = dxf_tell(s);
    if (!dxf_read_group(s)) return 0;
  }
  for (;;) {
    uint16_t code = s->group.code;
    if (code == 0 || dxf_at_end(s)) break;
    if (code == 2) dxf_copy_text(r->name, sizeof r->name, s->text);
    if (code == 340) r->layout = s->group.handle;
    if (code == 310) {
      dxf_seek(s, position);
      blob_free(r->first_blob);
      r->first_blob = nullptr;
      if (!dxf_read_preview(s, &r->first_blob, nullptr)) return 0;
    }
    position = dxf_tell(s);
    if (!dxf_read_group(s)) return 0;
  }
  if (s->group.code == 0) dxf_seek(s, position);
  return 1;
}

int16_t dxf_read_class(TkDrawing* d, TkClassRecord* r) {
  DxfState* s = begin_record(d, nullptr);
  if (!s) return 0;
  std::memset(r, 0, sizeof *r);
  uint32_t reactor_count = 0;
  TkBlob* reactors = nullptr;
  int16_t ok = dxf_read_table_record(s, table_of(TK_GROUPS_CLASS), r, nullptr, &reactor_count,
                                     &reactors, nullptr);
  blob_free(reactors);
  r->item_class = r->item_class > 0 ? TK_CLASS_ITEM_ENTITY : TK_CLASS_ITEM_OBJECT;
  // Classes are numbered in the order of the CLASSES section.
  r->number = class_next_number(d);
  return ok;
}
