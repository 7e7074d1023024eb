// Stored lists and records: linking, unlinking and copying records in and out of a TkList.
// Every operation that can fail checks before it changes anything, so a failure leaves the list
// exactly as it was; handle registration lives in hidx.cpp, only its roll-back is done here.
#include "toolkit/core/list.h"

#include <cstring>

#include "toolkit/core/handle.h"
#include "toolkit/core/hidx.h"
#include "toolkit/core/mem.h"
#include "toolkit/core/pool.h"

TkList* list_new() {
  TkList* list = static_cast<TkList*>(mem_alloc(sizeof(TkList)));
  if (!list) {
    tk_fail_alloc(TK_ERR_ALLOC_LLIST);
    return nullptr;
  }
  memset(list, 0, sizeof(TkList));
  return list;
}

int32_t list_count(const TkList* list) { return list ? list->count : 0; }
TkLink* list_first(const TkList* list) { return list ? list->first : nullptr; }
TkLink* list_last(const TkList* list) { return list ? list->last : nullptr; }
TkLink* list_current(const TkList* list) { return list ? list->current : nullptr; }

void list_rewind(TkList* list) {
  if (list) list->current = list->first;
}

uint16_t list_next(TkList* list, TkLink* link) {
  if (!list) return 0xFFFF;
  if (link && link->owner != list) return 0xFFFF;
  list->current = link;
  return 0;
}

int32_t list_insert_chain(TkList* list, TkLink* after, TkLink* chain) {
  if (!list) return -1;
  if (after && after->owner != list) return -2;
  if (!chain) return 0;

  int32_t n = 0;
  TkLink* tail = chain;
  for (TkLink* l = chain; l; l = l->next) {
    l->owner = list;
    tail = l;
    ++n;
  }
  if (!list->first) {
    chain->prev = nullptr;
    list->first = list->current = chain;
    list->last = tail;
  } else if (after) {
    chain->prev = after;
    tail->next = after->next;
    if (after->next)
      after->next->prev = tail;
    else
      list->last = tail;
    after->next = chain;
  } else {
    chain->prev = nullptr;
    tail->next = list->first;
    list->first->prev = tail;
    list->first = chain;
  }
  list->count += n;
  return n;
}

int32_t list_insert_front(TkList* list, TkLink* chain) { return list_insert_chain(list, nullptr, chain); }

int32_t list_insert_end(TkList* list, TkLink* chain) {
  return list_insert_chain(list, list ? list->last : nullptr, chain);
}

int32_t list_insert_after_current(TkList* list, TkLink* chain) {
  if (!list) return -1;
  if (!list->current) return -1;
  return list_insert_chain(list, list->current, chain);
}

int32_t list_insert_before(TkList* list, TkLink* before, TkLink* chain) {
  if (!list) return -1;
  if (!before || before->owner != list) return -2;
  return list_insert_chain(list, before->prev, chain);
}

int32_t list_append(TkList* list, TkLink* link) {
  if (!list) return -1;
  if (!link) return 0;
  link->next = nullptr;
  return list_insert_end(list, link) > 0 ? 1 : 0;
}

TkLink* list_remove_range(TkList* list, TkLink* from, TkLink* to) {
  if (!list || list->count == 0 || !from || !to) return nullptr;
  if (from->owner != list || to->owner != list) return nullptr;

  // Count the run first: a "to" that does not follow "from" must leave the list untouched.
  int32_t n = 1;
  bool holds_current = from == list->current;
  TkLink* l = from;
  while (l != to) {
    l = l->next;
    if (!l) return nullptr;
    if (l == list->current) holds_current = true;
    ++n;
  }

  TkLink* before = from->prev;
  TkLink* after = to->next;
  if (before)
    before->next = after;
  else
    list->first = after;
  if (after)
    after->prev = before;
  else
    list->last = before;
  // A current link inside the run would dangle once the run is freed: move it past the run.
  if (holds_current) list->current = after;
  from->prev = nullptr;
  to->next = nullptr;
  for (TkLink* r = from; r; r = r->next) r->owner = nullptr;
  list->count -= n;
  if (list->count == 0) list->first = list->current = list->last = nullptr;
  return from;
}

TkLink* list_remove(TkList* list, TkLink* link) { return list_remove_range(list, link, link); }

TkLink* list_remove_last(TkList* list) {
  TkLink* last = list_last(list);
  return list_remove_range(list, last, last);
}

void list_free_links(TkList* list) {
  if (!list) return;
  TkLink* l = list->first;
  while (l) {
    TkLink* next = l->next;
    mem_free(l);
    l = next;
  }
  list->count = 0;
  list->first = list->current = list->last = nullptr;
}

void list_free(TkList* list) {
  if (!list) return;
  list_free_links(list);
  mem_free(list);
}

static TkLink* new_record(const void* data, size_t size, TkRecordPool* pool = nullptr) {
  size_t bytes = sizeof(TkLink) + size;
  TkLink* link = static_cast<TkLink*>(pool ? pool_alloc(pool, bytes) : mem_alloc(bytes));
  if (!link) return nullptr;
  link->next = link->prev = nullptr;
  link->owner = nullptr;
  link->size = size;
  if (size) {
    if (data)
      memcpy(tk_link_data(link), data, size);
    else
      memset(tk_link_data(link), 0, size);
  }
  return link;
}

TkLink* record_store(const void* data, size_t size, TkList* list, TkRecordPool* pool) {
  if (!list) return nullptr;
  TkLink* link = new_record(data, size, pool);
  if (!link) {
    tk_fail_alloc(TK_ERR_ALLOC_BINDATA);
    return nullptr;
  }
  list_append(list, link);
  return link;
}

int16_t record_read(TkList* list, void* buffer, size_t size) {
  if (!list || !list->current) return 0;
  TkLink* link = list->current;
  size_t n = size < link->size ? size : link->size;
  memcpy(buffer, tk_link_data(link), n);
  if (n < size) memset(static_cast<uint8_t*>(buffer) + n, 0, size - n);
  list->current = link->next;
  return 1;
}

// Links a fresh record by its position code; false when the code names a link of another list.
static bool link_by_position(TkList* list, TkLink* link, uint16_t position, TkLink* before) {
  switch (position) {
    case TK_POS_FRONT: return list_insert_front(list, link) > 0;
    case TK_POS_END: return list_insert_end(list, link) > 0;
    case TK_POS_BEFORE: return list_insert_before(list, before, link) > 0;
    default: return true;
  }
}

TkLink* record_store_sized(const void* data, size_t size, TkList* list, uint16_t position,
                           TkLink* before) {
  return record_store_pooled(nullptr, data, size, list, position, before);
}

TkLink* record_store_pooled(TkRecordPool* pool, const void* data, size_t size, TkList* list,
                            uint16_t position, TkLink* before) {
  TkLink* link = new_record(data, size, pool);
  if (!link) {
    tk_fail_alloc(TK_ERR_ALLOC_STRUCTURE);
    return nullptr;
  }
  if (!link_by_position(list, link, position, before)) {
    pool_release(pool, link);
    tk_fail(TK_ERR_SET_CURRENT_NODE);
    return nullptr;
  }
  return link;
}

TkLink* record_store_indexed(const TkHandle* handle, TkHandleIndex* index, const void* data,
                             size_t size, TkList* list, uint16_t position, TkLink* before) {
  if (tk_handle_is_null(handle)) {
    tk_fail(TK_ERR_NULL_OBJHANDLE);
    return nullptr;
  }
  TkLink* link = new_record(data, size);
  if (!link) {
    tk_fail_alloc(TK_ERR_ALLOC_STRUCTURE);
    return nullptr;
  }
  int16_t r = hidx_insert(index, handle, link);
  if (r != 1) {
    mem_free(link);
    if (r == 2) {
      tk_fail_handle(TK_ERR_ADD_DUPLICATE_HANDLE, handle->bytes);
    } else {
      tk_fail(TK_ERR_BTREE);
    }
    return nullptr;
  }
  if (!link_by_position(list, link, position, before)) {
    hidx_remove(index, handle);
    mem_free(link);
    tk_fail(TK_ERR_SET_CURRENT_NODE);
    return nullptr;
  }
  return link;
}
