// Entity and block access: walking a block's entity list, reading an entity by handle, adding,
// deleting and replacing entities with the bookkeeping that goes with them (the handle index,
// the INSERT references each block keeps, the paper-space viewport list with viewport 1 first),
// and adding and deleting block records. The stored form itself is entity.h's business.
#pragma once

#include <cstdint>

#include "toolkit/core/drawing.h"
#include "toolkit/core/entity.h"
#include "toolkit/core/error.h"
#include "toolkit/core/handle.h"

struct TkBlockRecord;
struct TkHeader;

enum : TkError {
  TK_ERR_NO_ENTITY_LIST = 73,
  TK_ERR_NO_BLOCKS = 92,
  TK_ERR_BLOCK_NOT_FOUND = 93,
  TK_ERR_FREE_ENTITY_RECORD = 99,
  TK_ERR_DELETE_BLOCK_BLOBS = 124,
  TK_ERR_UNLINK_BLOCK = 126,
  TK_ERR_FREE_BLOCK = 127,
  TK_ERR_ALLOC_BLOCK = 221,
  TK_ERR_REPLACE_NOT_FOUND = 226,
  TK_ERR_REPLACE_SET_CURRENT = 227,
  TK_ERR_REPLACE_STORE = 228,
  TK_ERR_REPLACE_VIEWPORT = 229,
};

// Block flag of an external-reference block.
constexpr uint8_t TK_BLOCK_XREF = 4;

// An entry of the drawing's paper-space viewport list.
struct TkPspaceViewport {
  TkHandle handle;
  uint8_t value[8];  // the VIEWPORT's 8-byte value at data byte TK_VIEWPORT_LIST_VALUE
  TkLink* stored;    // borrowed: the VIEWPORT's stored record
};

// 0 for a null list.
int16_t entity_list_rewind(TkList* list);
// Unpacks the current entity and moves on; 0 at the end or on failure, the outputs untouched.
int16_t entity_list_next(TkList* list, TkEntityHeader* header, TkEntityData* data);
// Reads the entity of that handle from the list; the list stands behind it afterwards.
int16_t tk_get_entity_by_handle(TkDrawing* drawing, TkList* list, const TkHandle* handle,
                                TkEntityHeader* header, TkEntityData* data);

// The stored entity takes over the blobs of header and data.
int16_t tk_add_entity(TkDrawing* drawing, TkList* list, const TkEntityHeader* header,
                      const TkEntityData* data);
// As tk_add_entity with entity_pack flags (TK_PACK_KEEP_UNRESOLVED for loaders).
int16_t tk_add_entity_flags(TkDrawing* drawing, TkList* list, const TkEntityHeader* header,
                            const TkEntityData* data, uint16_t pack_flags);
int16_t tk_delete_entity(TkDrawing* drawing, TkList* list, const TkHandle* handle,
                         int16_t free_blobs);
// Replaces the entity of that handle in its place in the list.
int16_t tk_replace_entity(TkDrawing* drawing, TkList* list, const TkHandle* handle,
                          const TkEntityHeader* header, const TkEntityData* data);
// Unlinks and frees one stored record (unpacked into header and data first); with free_blobs
// the entity's blobs go too.
int16_t tk_free_entity_record(TkDrawing* drawing, TkList* list, TkLink* location,
                              TkEntityHeader* header, TkEntityData* data, int16_t free_blobs);

// Blocks.
TkList* tk_block_entity_list(TkDrawing* drawing, const TkHandle* handle);
int32_t tk_block_entity_count(TkDrawing* drawing, const TkHandle* handle);
// Stores a copy of the record with a new empty entity list, in front of "*MODEL_SPACE" when
// that stands among the last records.
int16_t tk_add_block(TkDrawing* drawing, const TkBlockRecord* record);
// Frees the block with its entities and blobs.
int16_t tk_delete_block(TkDrawing* drawing, const TkHandle* handle);

// External-reference bookkeeping: the dictionary of the given handle with one entry
// "ACAD_BLKREFS" leading to an XRECORD (record handle) that collects the handles of the INSERTs
// of an external-reference block. Nothing of it stays when the XRECORD cannot be added.
int16_t tk_add_block_refs_dictionary(TkDrawing* drawing, const TkHandle* dictionary,
                                     const TkHandle* record);
// Appends the INSERT's handle to that XRECORD of the block; 1 at once for a block that is not
// an external reference.
int16_t tk_note_xref_insert(TkDrawing* drawing, const TkHandle* insert, const TkHandle* block);

// Handle seed.
int16_t tk_set_handle_seed(TkDrawing* drawing, const TkHandle* handle);
int16_t tk_init_handle_seed(TkDrawing* drawing, TkHeader* header);
