// Handle index: the per-drawing B-tree from a handle to the stored record that carries it, with
// the small write-back node cache that keeps the upper levels hot while a drawing loads. It maps
// handles to addresses and nothing else; what a record holds is the lists' business.
#pragma once

#include <cstdint>

#include "toolkit/core/error.h"
#include "toolkit/core/handle.h"

enum : TkError {
  TK_ERR_ALLOC_BTNODE = 214,
};

enum : int16_t {
  HIDX_MAX_ENTRIES = 22,
  HIDX_MIN_ENTRIES = 11,  // of a node other than the root, once a removal has been rebalanced
  HIDX_CACHE_SLOTS = 16,
};

struct HidxEntry {
  TkHandle key;
  void* value;  // the stored record (borrowed: the index never frees it)
};

// Child i holds the keys between entry i-1 and entry i; all children are null in a leaf.
struct HidxNode {
  int16_t count;
  HidxEntry entries[HIDX_MAX_ENTRIES];
  HidxNode* children[HIDX_MAX_ENTRIES + 1];
};

// A cached node: writes stay in the copy until the slot is taken for another node.
struct HidxCacheSlot {
  int32_t uses;  // -1 for an empty slot
  HidxNode* node;
  HidxNode copy;
};

// One per drawing. Start it with hidx_reset.
struct TkHandleIndex {
  HidxNode* root;  // null for an empty index
  HidxCacheSlot cache[HIDX_CACHE_SLOTS];
};

void hidx_reset(TkHandleIndex* index);
// The record stored for the handle; null when absent.
void* hidx_lookup(TkHandleIndex* index, const TkHandle* handle);
// 1 inserted; 2 the handle is already there (error 292, the handle kept as the failing handle);
// 0 when memory for a node runs out (error 214). Failures leave the index unchanged.
int16_t hidx_insert(TkHandleIndex* index, const TkHandle* handle, void* value);
// 1 removed; 0 when the handle is absent (error 303).
int16_t hidx_remove(TkHandleIndex* index, const TkHandle* handle);
// Frees every node and leaves the index empty.
void hidx_free_all(TkHandleIndex* index);

// The number of entries whose key is smaller than the key.
int16_t hidx_node_search(const TkHandle* key, const HidxEntry* entries, int16_t count);

// Node access through the cache; every read and write of a node goes through these.
void hidx_read_node(TkHandleIndex* index, HidxNode* node, HidxNode* copy);
void hidx_write_node(TkHandleIndex* index, HidxNode* node, const HidxNode* copy);
void hidx_free_node(TkHandleIndex* index, HidxNode* node);
