// Stored lists: the doubly linked list of variable-size records behind every collection of the
// drawing database (symbol tables, entity lists, the object list, the chunks of a blob).
// Records are byte copies held right behind their link; this file knows nothing of what they hold.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/core/error.h"

struct TkList;
struct TkHandle;
struct TkHandleIndex;
struct TkRecordPool;

// Link header in front of each record's bytes; the record's data starts right after it. The size
// lets a read never run past a record whatever size its caller asks for.
struct TkLink {
  TkLink* next;
  TkLink* prev;
  TkList* owner;
  size_t size;
};

struct TkList {
  uint32_t reserved[3];
  int32_t count;
  TkLink* first;
  TkLink* current;
  TkLink* last;
};

enum : TkError {
  TK_ERR_ALLOC_LLIST = 218,
  TK_ERR_ALLOC_BINDATA = 222,
  TK_ERR_ALLOC_STRUCTURE = 223,
  TK_ERR_NULL_OBJHANDLE = 231,
};

// Position codes for storing a record.
enum : uint16_t {
  TK_POS_FRONT = 0xFFFF,
  TK_POS_END = 0xFFFE,
  TK_POS_BEFORE = 0xFFFD,
};

inline void* tk_link_data(TkLink* link) { return link + 1; }
inline const void* tk_link_data(const TkLink* link) { return link + 1; }

TkList* list_new();
int32_t list_count(const TkList* list);
TkLink* list_first(const TkList* list);
TkLink* list_last(const TkList* list);
void list_rewind(TkList* list);
TkLink* list_current(const TkList* list);
uint16_t list_next(TkList* list, TkLink* link);

int32_t list_insert_chain(TkList* list, TkLink* after, TkLink* chain);
int32_t list_insert_front(TkList* list, TkLink* chain);
int32_t list_insert_end(TkList* list, TkLink* chain);
int32_t list_insert_after_current(TkList* list, TkLink* chain);
int32_t list_insert_before(TkList* list, TkLink* before, TkLink* chain);
int32_t list_append(TkList* list, TkLink* link);

TkLink* list_remove_range(TkList* list, TkLink* from, TkLink* to);
TkLink* list_remove(TkList* list, TkLink* link);
TkLink* list_remove_last(TkList* list);

void list_free_links(TkList* list);
void list_free(TkList* list);

// A new record holding a copy of size bytes of data, appended to the list; null on no memory.
// Its memory comes from the pool when one is given.
TkLink* record_store(const void* data, size_t size, TkList* list, TkRecordPool* pool = nullptr);
// Copies size bytes of the current record out and moves on; 0 when there is no current record.
int16_t record_read(TkList* list, void* buffer, size_t size);
// A new record linked by a position code (TK_POS_*; any other value leaves it unlinked).
TkLink* record_store_sized(const void* data, size_t size, TkList* list, uint16_t position,
                           TkLink* before);
// As record_store_sized, with the record's memory from the pool when one is given.
TkLink* record_store_pooled(TkRecordPool* pool, const void* data, size_t size, TkList* list,
                            uint16_t position, TkLink* before);
// As record_store_sized, with the record registered under its handle in the index first.
TkLink* record_store_indexed(const TkHandle* handle, TkHandleIndex* index, const void* data,
                             size_t size, TkList* list, uint16_t position, TkLink* before);
