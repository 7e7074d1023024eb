// Entity and block access. Every operation that fails part-way undoes what it did, so a list,
// the handle index, the block references and the paper-space viewport list always agree.
#include "toolkit/core/entity_list.h"

#include <cstring>

#include "toolkit/core/blob.h"
#include "toolkit/core/class_list.h"
#include "toolkit/core/free.h"
#include "toolkit/core/hdr.h"
#include "toolkit/core/hidx.h"
#include "toolkit/core/list.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/object.h"
#include "toolkit/core/state.h"
#include "toolkit/core/symtab.h"

namespace {

// Scratch records for the unpacks done behind the caller's back; the toolkit is not re-entrant.
TkEntityHeader scratch_header;
TkEntityData scratch_data;

TkLink* entity_link(TkDrawing* drawing, TkList* list, const TkHandle* handle) {
  auto* link = static_cast<TkLink*>(hidx_lookup(&drawing->index, handle));
  return link && link->owner == list ? link : nullptr;
}

TkLink* block_link(TkDrawing* drawing, const TkHandle* handle) {
  auto* link = static_cast<TkLink*>(hidx_lookup(&drawing->index, handle));
  return link && link->owner == &drawing->blocks ? link : nullptr;
}

TkBlockRecord* block_of(TkLink* link) { return static_cast<TkBlockRecord*>(tk_link_data(link)); }

bool is_paper_list(const TkDrawing* drawing, const TkList* list) {
  return list == &drawing->paper_entities;
}

struct ClassName {
  TkClassSlot slot;
  const char* name;
};
constexpr ClassName kUsedClasses[] = {
    {TK_CLASS_LWPOLYLINE, "LWPOLYLINE"}, {TK_CLASS_RTEXT, "RTEXT"},
    {TK_CLASS_ARCALIGNEDTEXT, "ARCALIGNEDTEXT"}, {TK_CLASS_WIPEOUT, "WIPEOUT"},
    {TK_CLASS_IMAGE, "IMAGE"}, {TK_CLASS_HATCH, "HATCH"}, {TK_CLASS_OLE2FRAME, "OLE2FRAME"},
};

void mark_class_used(TkDrawing* drawing, uint16_t kind) {
  for (const auto& c : kUsedClasses)
    if (drawing->class_numbers[c.slot] != 0 && drawing->class_numbers[c.slot] == kind)
      class_mark_used(drawing, c.name);
}

// Rewrites the block's references blob without the INSERT's handle (its first occurrence).
bool drop_block_reference(TkLink* block, const TkHandle* insert) {
  TkBlockRecord* b = block_of(block);
  if (!b->references) return true;
  TkBlob* fresh = blob_alloc(128);
  if (!fresh) return false;
  TkBlob* r = blob_open_read(b->references);
  TkBlob* w = r ? blob_create(fresh) : nullptr;
  bool ok = r && w, dropped = false;
  TkHandle h;
  while (ok && blob_read(r, h.bytes, 8)) {
    if (!dropped && tk_handle_compare(&h, insert) == 0) {
      dropped = true;
      continue;
    }
    ok = blob_write(w, h.bytes, 8) == 1;
  }
  if (r) blob_close(r);
  if (w) ok = blob_close_write(w) && ok;
  if (!ok) {
    blob_free(fresh);
    return false;
  }
  blob_free(b->references);
  b->references = fresh;
  return true;
}

// The block an INSERT's data names; null when it does not resolve.
TkLink* insert_block(TkDrawing* drawing, const TkEntityData* data) {
  TkHandle block = tk_data_get<TkHandle>(data, TK_INSERT_BLOCK);
  return block_link(drawing, &block);
}

bool add_viewport_entry(TkDrawing* drawing, TkLink* stored, const TkEntityHeader* header,
                        const TkEntityData* data) {
  TkPspaceViewport entry{};
  entry.handle = header->handle;
  std::memcpy(entry.value, data->bytes + TK_VIEWPORT_LIST_VALUE, sizeof entry.value);
  entry.stored = stored;
  bool first = tk_data_get<uint16_t>(data, TK_VIEWPORT_NUMBER) == 1;
  return record_store_sized(&entry, sizeof entry, &drawing->pspace_viewports,
                            first ? TK_POS_FRONT : TK_POS_END, nullptr) != nullptr;
}

void remove_viewport_entry(TkDrawing* drawing, const TkHandle* handle) {
  for (TkLink* l = list_first(&drawing->pspace_viewports); l; l = l->next) {
    auto* e = static_cast<TkPspaceViewport*>(tk_link_data(l));
    if (tk_handle_compare(&e->handle, handle) == 0) {
      mem_free(list_remove(&drawing->pspace_viewports, l));
      return;
    }
  }
}

void remove_viewport_of(TkDrawing* drawing, const TkLink* stored) {
  for (TkLink* l = list_first(&drawing->pspace_viewports); l; l = l->next)
    if (static_cast<TkPspaceViewport*>(tk_link_data(l))->stored == stored) {
      mem_free(list_remove(&drawing->pspace_viewports, l));
      return;
    }
}

// Takes a freshly packed record out again: its block reference and the record itself.
void unstore(TkDrawing* drawing, TkList* list, TkLink* link, const TkEntityHeader* header,
             const TkEntityData* data) {
  if (header->kind == TK_INSERT)
    if (TkLink* block = insert_block(drawing, data)) drop_block_reference(block, &header->handle);
  tk_release_entity_record(drawing, list_remove(list, link));
}

// Packs at the position, registers the handle and the paper-space viewport entry; on any
// failure nothing of it stays. Returns the stored link.
TkLink* store_entity(TkDrawing* drawing, TkList* list, const TkEntityHeader* header,
                     const TkEntityData* data, uint16_t position, TkLink* before,
                     uint16_t pack_flags, TkError viewport_error) {
  // The index refuses a duplicate handle itself, and the record it was packed into is simply
  // given back. An INSERT is looked for first: packing it may fail for its block, and it notes
  // itself with that block, and a duplicate must fail for the handle and leave the block alone.
  if (header->kind == TK_INSERT && hidx_lookup(&drawing->index, &header->handle)) {
    tk_fail_handle(TK_ERR_ADD_DUPLICATE_HANDLE, header->handle.bytes);
    return nullptr;
  }
  TkLink* link = entity_pack(drawing, list, header, data, position, before, pack_flags);
  if (!link) return nullptr;
  int16_t r = hidx_insert(&drawing->index, &header->handle, link);
  if (r != 1) {
    unstore(drawing, list, link, header, data);
    if (r == 2)
      tk_fail_handle(TK_ERR_ADD_DUPLICATE_HANDLE, header->handle.bytes);
    else
      tk_fail(TK_ERR_BTREE);
    return nullptr;
  }
  if (header->kind == TK_VIEWPORT && is_paper_list(drawing, list) &&
      !add_viewport_entry(drawing, link, header, data)) {
    hidx_remove(&drawing->index, &header->handle);
    unstore(drawing, list, link, header, data);
    tk_fail(viewport_error);
    return nullptr;
  }
  return link;
}

bool is_owned_by_drawing(const TkDrawing* drawing, const TkList* list) {
  return list == &drawing->model_entities || list == &drawing->paper_entities;
}

}  // namespace

int16_t entity_list_rewind(TkList* list) {
  if (!list) return 0;
  list_rewind(list);
  return 1;
}

int16_t entity_list_next(TkList* list, TkEntityHeader* header, TkEntityData* data) {
  TkLink* link = list_current(list);
  if (!link) return 0;
  TkLink* next = nullptr;
  if (!entity_unpack(link, header, data, nullptr, &next)) return 0;
  list_next(list, next);
  return 1;
}

int16_t tk_get_entity_by_handle(TkDrawing* drawing, TkList* list, const TkHandle* handle,
                                TkEntityHeader* header, TkEntityData* data) {
  TkLink* link = entity_link(drawing, list, handle);
  if (!link) return tk_fail(TK_ERR_HANDLE_NOT_IN_BTREE);
  list_next(list, link);
  return entity_list_next(list, header, data);
}

int16_t tk_add_entity(TkDrawing* drawing, TkList* list, const TkEntityHeader* header,
                      const TkEntityData* data) {
  return tk_add_entity_flags(drawing, list, header, data, 0);
}

int16_t tk_add_entity_flags(TkDrawing* drawing, TkList* list, const TkEntityHeader* header,
                            const TkEntityData* data, uint16_t pack_flags) {
  if (!list) return tk_fail(TK_ERR_DELETE_FROM_NULL_LIST);
  if (header->kind > TK_LAST_FIXED_KIND) mark_class_used(drawing, header->kind);
  return store_entity(drawing, list, header, data, TK_POS_END, nullptr, pack_flags,
                      TK_ERR_ALLOC_STRUCTURE)
             ? 1
             : 0;
}

int16_t tk_free_entity_record(TkDrawing* drawing, TkList* list, TkLink* location,
                              TkEntityHeader* header, TkEntityData* data, int16_t free_blobs) {
  if (!list || !location || location->owner != list) return tk_fail(TK_ERR_FREE_ENTITY_RECORD);
  if (free_blobs && entity_unpack(location, header, data, nullptr, nullptr))
    tk_free_entity_blobs(drawing, header, data);
  tk_release_entity_record(drawing, list_remove(list, location));
  return 1;
}

int16_t tk_delete_entity(TkDrawing* drawing, TkList* list, const TkHandle* handle,
                         int16_t free_blobs) {
  if (!list) return tk_fail(TK_ERR_DELETE_FROM_NULL_LIST);
  TkLink* link = entity_link(drawing, list, handle);
  TkEntityHeader& h = scratch_header;
  TkEntityData& d = scratch_data;
  if (!link || !entity_unpack(link, &h, &d, nullptr, nullptr))
    return tk_fail(TK_ERR_ENTITY_NOT_IN_LIST);
  const TkHandle own = h.handle;
  if (h.kind == TK_INSERT)
    if (TkLink* block = insert_block(drawing, &d)) drop_block_reference(block, &own);
  if (h.kind == TK_VIEWPORT && is_paper_list(drawing, list)) remove_viewport_entry(drawing, &own);
  if (free_blobs) tk_free_entity_blobs(drawing, &h, &d);
  tk_release_entity_record(drawing, list_remove(list, link));
  hidx_remove(&drawing->index, handle);
  return 1;
}

int16_t tk_replace_entity(TkDrawing* drawing, TkList* list, const TkHandle* handle,
                          const TkEntityHeader* header, const TkEntityData* data) {
  if (!list) return tk_fail(TK_ERR_DELETE_FROM_NULL_LIST);
  auto* old = static_cast<TkLink*>(hidx_lookup(&drawing->index, handle));
  if (!old) return tk_fail(TK_ERR_REPLACE_NOT_FOUND);
  if (old->owner != list) return tk_fail(TK_ERR_REPLACE_SET_CURRENT);
  static TkEntityHeader oh;
  static TkEntityData od;
  if (!entity_unpack(old, &oh, &od, nullptr, nullptr)) return tk_fail(TK_ERR_ENTITY_NOT_IN_LIST);
  const bool same_handle = tk_handle_compare(&header->handle, handle) == 0;
  if (!same_handle && hidx_lookup(&drawing->index, &header->handle))
    return tk_fail_handle(TK_ERR_ADD_DUPLICATE_HANDLE, header->handle.bytes);

  // The new record goes in right in front of the old one before anything of the old one is
  // given up, so a failure part-way leaves the old entity as it was.
  TkLink* fresh = entity_pack(drawing, list, header, data, TK_POS_BEFORE, old, 0);
  if (!fresh) {
    if (tk_get_last_error() != TK_ERR_INSERT_BLOCK_UNKNOWN) tk_fail(TK_ERR_REPLACE_STORE);
    return 0;
  }
  if (header->kind == TK_VIEWPORT && is_paper_list(drawing, list) &&
      !add_viewport_entry(drawing, fresh, header, data)) {
    unstore(drawing, list, fresh, header, data);
    return tk_fail(TK_ERR_REPLACE_VIEWPORT);
  }
  // The index learns the new record (under the old handle: instead of the old record).
  if (same_handle) hidx_remove(&drawing->index, handle);
  if (hidx_insert(&drawing->index, &header->handle, fresh) != 1) {
    if (same_handle) hidx_insert(&drawing->index, handle, old);
    remove_viewport_of(drawing, fresh);
    unstore(drawing, list, fresh, header, data);
    return tk_fail(TK_ERR_BTREE);
  }

  // Now the old record goes, with its bookkeeping.
  if (oh.kind == TK_INSERT)
    if (TkLink* block = insert_block(drawing, &od)) drop_block_reference(block, handle);
  if (oh.kind == TK_VIEWPORT && is_paper_list(drawing, list)) {
    // The new entry of the same handle stands in the list too; drop the old one's.
    remove_viewport_of(drawing, old);
  }
  if (oh.kind == header->kind) {
    // The new entity may share blobs with the old one; free only those it dropped.
    if (oh.xdata && oh.xdata != header->xdata) blob_free(oh.xdata);
    if (oh.reactors && oh.reactors != header->reactors) blob_free(oh.reactors);
    size_t old_places[4], new_places[4];
    int n_old = tk_entity_blob_places(drawing, &oh, &od, old_places);
    int n_new = tk_entity_blob_places(drawing, header, data, new_places);
    for (int i = 0; i < n_old; ++i) {
      TkBlob* b = tk_data_blob(&od, old_places[i]);
      bool kept = false;
      for (int j = 0; j < n_new; ++j) kept = kept || tk_data_blob(data, new_places[j]) == b;
      if (b && !kept) blob_free(b);
    }
  } else {
    tk_free_entity_blobs(drawing, &oh, &od);
  }
  if (list->current == old) list->current = fresh;
  tk_release_entity_record(drawing, list_remove(list, old));
  if (!same_handle) hidx_remove(&drawing->index, handle);
  return 1;
}

TkList* tk_block_entity_list(TkDrawing* drawing, const TkHandle* handle) {
  if (tk_state) tk_state->last_error = TK_ERR_NO_ENTITY_LIST;
  TkLink* link = block_link(drawing, handle);
  if (!link || !block_of(link)->entities) return nullptr;
  if (tk_state) tk_state->last_error = TK_ERR_NONE;
  return block_of(link)->entities;
}

int32_t tk_block_entity_count(TkDrawing* drawing, const TkHandle* handle) {
  TkLink* link = block_link(drawing, handle);
  return link ? list_count(block_of(link)->entities) : 0;
}

int16_t tk_add_block(TkDrawing* drawing, const TkBlockRecord* record) {
  if (list_count(&drawing->blocks) == 0) return tk_fail(TK_ERR_NO_BLOCKS);
  if (hidx_lookup(&drawing->index, &record->handle))
    return tk_fail_handle(TK_ERR_ADD_DUPLICATE_HANDLE, record->handle.bytes);
  TkLink* link = record_store_sized(record, sizeof *record, &drawing->blocks, 0, nullptr);
  TkList* entities = link ? list_new() : nullptr;
  if (!entities) {
    mem_free(link);
    return tk_fail_alloc(TK_ERR_ALLOC_BLOCK);
  }
  TkBlockRecord* b = block_of(link);
  b->entities = entities;
  b->references = nullptr;
  int16_t r = hidx_insert(&drawing->index, &record->handle, link);
  if (r != 1) {
    list_free(entities);
    mem_free(link);
    return r == 2 ? tk_fail_handle(TK_ERR_ADD_DUPLICATE_HANDLE, record->handle.bytes)
                  : tk_fail(TK_ERR_BTREE);
  }
  // Newer blocks go in front of the space blocks, which readers expect at the end.
  TkLink* at = list_last(&drawing->blocks);
  for (int visited = 1; visited < 3 && at->prev; ++visited) {
    if (tk_name_compare(block_of(at)->name, "*MODEL_SPACE") == 0) break;
    at = at->prev;
  }
  list_insert_before(&drawing->blocks, at, link);
  return 1;
}

int16_t tk_delete_block(TkDrawing* drawing, const TkHandle* handle) {
  if (tk_state) tk_state->last_error = TK_ERR_NONE;
  if (list_count(&drawing->blocks) == 0) return tk_fail(TK_ERR_NO_BLOCKS);
  TkLink* link = list_first(&drawing->blocks);
  while (link && tk_handle_compare(&block_of(link)->handle, handle) != 0) link = link->next;
  if (!link) return tk_fail(TK_ERR_BLOCK_NOT_FOUND);
  TkBlockRecord* b = block_of(link);
  blob_free(b->first_blob);
  blob_free(b->second_blob);
  blob_free(b->references);
  b->first_blob = b->second_blob = b->references = nullptr;
  // The entities go with their block; the space blocks' lists belong to the drawing.
  if (!is_owned_by_drawing(drawing, b->entities)) {
    // Through the delete, so the index and other blocks' references forget them too.
    while (TkLink* first = list_first(b->entities)) {
      TkHandle h;
      std::memcpy(h.bytes, static_cast<uint8_t*>(tk_link_data(first)) + TK_STORED_HANDLE, 8);
      if (entity_link(drawing, b->entities, &h) != first ||
          !tk_delete_entity(drawing, b->entities, &h, 1))
        tk_free_entity_record(drawing, b->entities, first, &scratch_header, &scratch_data, 1);
    }
    list_free(b->entities);
  }
  if (!list_remove(&drawing->blocks, link)) return tk_fail(TK_ERR_UNLINK_BLOCK);
  mem_free(link);
  hidx_remove(&drawing->index, handle);
  return 1;
}

int16_t tk_add_block_refs_dictionary(TkDrawing* drawing, const TkHandle* dictionary,
                                     const TkHandle* record) {
  if (tk_state) tk_state->last_error = TK_ERR_NONE;
  uint16_t xrecord_type = drawing->class_numbers[TK_CLASS_XRECORD];
  if (xrecord_type == 0) return tk_fail(TK_ERR_OBJECT_UNKNOWN);

  TkObjectHeader h{};
  TkObjectData data;
  h.type = TK_OBJ_DICTIONARY;
  tk_init_object(drawing, &h, &data);
  h.handle = *dictionary;
  TkDictEntry entry{};
  std::strcpy(entry.name, "ACAD_BLKREFS");
  entry.object = *record;
  data.dictionary.entries = blob_alloc(TK_BLOB_CHUNK_SIZE);
  TkBlob* w = data.dictionary.entries ? blob_create(data.dictionary.entries) : nullptr;
  bool ok = w && tk_dict_entry_write(w, &entry);
  if (w) ok = blob_close_write(w) && ok;
  data.dictionary.entry_count = 1;
  if (!ok || !tk_object_add(drawing, &h, &data)) {
    blob_free(data.dictionary.entries);
    return 0;
  }

  TkObjectHeader xh{};
  TkObjectData xd;
  xh.type = xrecord_type;
  tk_init_object(drawing, &xh, &xd);
  xh.handle = *record;
  xh.reactors = blob_alloc(128);
  w = xh.reactors ? blob_create(xh.reactors) : nullptr;
  ok = w && blob_write(w, dictionary->bytes, 8);
  if (w) ok = blob_close_write(w) && ok;
  xh.reactor_count = 1;
  xd.xrecord.items = blob_alloc(TK_BLOB_CHUNK_SIZE);
  if (!ok || !xd.xrecord.items || !tk_object_add(drawing, &xh, &xd)) {
    TkError error = tk_get_last_error();
    blob_free(xh.reactors);
    blob_free(xd.xrecord.items);
    tk_object_delete(drawing, dictionary);
    return tk_fail(error ? error : TK_ERR_ALLOC_STRUCTURE);
  }
  return 1;
}

int16_t tk_note_xref_insert(TkDrawing* drawing, const TkHandle* insert, const TkHandle* block) {
  TkLink* link = block_link(drawing, block);
  if (!link) return tk_fail(TK_ERR_BLOCK_NOT_FOUND);
  if (!(block_of(link)->flags & TK_BLOCK_XREF)) return 1;
  TkHandle record;
  if (!tk_dict_lookup(drawing, &block_of(link)->blkrefs_dictionary, "ACAD_BLKREFS", &record))
    return tk_fail(TK_ERR_OBJECT_UNKNOWN);
  TkObjectHeader h;
  TkObjectData data;
  if (!tk_object_get(drawing, &record, &h, &data)) return 0;
  if (h.type != drawing->class_numbers[TK_CLASS_XRECORD] || !data.xrecord.items)
    return tk_fail(TK_ERR_OBJECT_UNKNOWN);
  TkBlob* w = blob_open_append(data.xrecord.items);
  if (!w) return 0;
  bool ok = blob_write(w, insert->bytes, 8) == 1;
  ok = blob_close_append(w) && ok;
  if (!ok) return 0;
  ++data.xrecord.item_count;
  return tk_object_replace(drawing, &h, &data);
}

int16_t tk_set_handle_seed(TkDrawing* drawing, const TkHandle* handle) {
  drawing->seed = *handle;
  if (drawing->header) drawing->header->handseed = *handle;
  return 1;
}

int16_t tk_init_handle_seed(TkDrawing* drawing, TkHeader* header) {
  if (tk_state) std::memcpy(drawing->seed.bytes, tk_state->default_handle_seed, 8);
  header->handseed = drawing->seed;
  header->handling = 1;
  return 1;
}
