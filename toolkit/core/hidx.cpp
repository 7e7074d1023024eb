// Handle index: B-tree insertion, lookup and removal over nodes reached through the node cache.
// Insertion allocates every node a split will need before it changes anything, and removal
// allocates nothing, so a failed operation always leaves the index as it was.
#include "toolkit/core/hidx.h"

#include <cstring>

#include "toolkit/core/mem.h"

namespace {

// Deep enough for any index that fits in memory: every level multiplies the keys by at least 12.
constexpr int kMaxDepth = 32;

// A handle's bytes run from the most significant: as one number they order as the bytes do.
uint64_t key_value(const TkHandle* h) {
  uint64_t v;
  memcpy(&v, h->bytes, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  return __builtin_bswap64(v);
#else
  v = 0;
  for (uint8_t b : h->bytes) v = v << 8 | b;
  return v;
#endif
}

bool same_key(const TkHandle* a, const TkHandle* b) { return memcmp(a->bytes, b->bytes, 8) == 0; }

// The cache slot that holds the node; null when none does.
HidxCacheSlot* cache_slot_of(TkHandleIndex* index, const HidxNode* node) {
  for (HidxCacheSlot& slot : index->cache)
    if (slot.node == node) return &slot;
  return nullptr;
}

// The current contents of a node without copying them: its cached copy (counted as a read) or
// its memory. Valid until the next write through the cache.
const HidxNode* peek_node(TkHandleIndex* index, HidxNode* node) {
  HidxCacheSlot* slot = cache_slot_of(index, node);
  if (!slot) return node;
  if (slot->uses < INT32_MAX) ++slot->uses;  // a hot root is read billions of times
  return &slot->copy;
}

void insert_at(HidxNode* n, int16_t pos, const HidxEntry& entry, HidxNode* right) {
  memmove(&n->entries[pos + 1], &n->entries[pos], sizeof(HidxEntry) * size_t(n->count - pos));
  memmove(&n->children[pos + 2], &n->children[pos + 1],
          sizeof(HidxNode*) * size_t(n->count - pos));
  n->entries[pos] = entry;
  n->children[pos + 1] = right;
  ++n->count;
}

// Removes entry pos and the child to its right.
void erase_at(HidxNode* n, int16_t pos) {
  memmove(&n->entries[pos], &n->entries[pos + 1], sizeof(HidxEntry) * size_t(n->count - pos - 1));
  memmove(&n->children[pos + 1], &n->children[pos + 2],
          sizeof(HidxNode*) * size_t(n->count - pos - 1));
  n->children[n->count] = nullptr;
  --n->count;
}

void free_tree(TkHandleIndex* index, HidxNode* node, int depth) {
  if (!node || depth > kMaxDepth) return;
  HidxNode n;
  hidx_read_node(index, node, &n);
  for (int16_t i = 0; i <= n.count; ++i) free_tree(index, n.children[i], depth + 1);
  hidx_free_node(index, node);
}

// The largest entry of a subtree.
HidxEntry last_entry(TkHandleIndex* index, HidxNode* node) {
  HidxNode n;
  hidx_read_node(index, node, &n);
  while (n.children[n.count]) hidx_read_node(index, n.children[n.count], &n);
  return n.entries[n.count - 1];
}

// Child i of the parent fell below the minimum: borrow from a sibling with entries to spare, or
// merge with one. The parent's copy is updated and written back.
void rebalance_child(TkHandleIndex* index, HidxNode* parent_node, HidxNode* parent, int16_t i) {
  HidxNode child;
  hidx_read_node(index, parent->children[i], &child);
  if (child.count >= HIDX_MIN_ENTRIES) return;

  HidxNode left, right;
  bool has_left = i > 0, has_right = i < parent->count;
  if (has_left) hidx_read_node(index, parent->children[i - 1], &left);
  if (has_right) hidx_read_node(index, parent->children[i + 1], &right);

  if (has_left && left.count > HIDX_MIN_ENTRIES) {
    insert_at(&child, 0, parent->entries[i - 1], child.children[0]);
    child.children[0] = left.children[left.count];
    parent->entries[i - 1] = left.entries[left.count - 1];
    left.children[left.count] = nullptr;
    --left.count;
    hidx_write_node(index, parent->children[i - 1], &left);
    hidx_write_node(index, parent->children[i], &child);
  } else if (has_right && right.count > HIDX_MIN_ENTRIES) {
    insert_at(&child, child.count, parent->entries[i], right.children[0]);
    parent->entries[i] = right.entries[0];
    right.children[0] = right.children[1];
    erase_at(&right, 0);
    hidx_write_node(index, parent->children[i + 1], &right);
    hidx_write_node(index, parent->children[i], &child);
  } else {
    // Merge the right one of the pair into the left one together with their separator.
    int16_t sep = has_left ? int16_t(i - 1) : i;
    HidxNode* keep_node = parent->children[sep];
    HidxNode* gone_node = parent->children[sep + 1];
    HidxNode keep = has_left ? left : child;
    const HidxNode& gone = has_left ? child : right;
    keep.entries[keep.count] = parent->entries[sep];
    memcpy(&keep.entries[keep.count + 1], gone.entries, sizeof(HidxEntry) * size_t(gone.count));
    memcpy(&keep.children[keep.count + 1], gone.children,
           sizeof(HidxNode*) * size_t(gone.count + 1));
    keep.count = int16_t(keep.count + 1 + gone.count);
    erase_at(parent, sep);
    hidx_write_node(index, keep_node, &keep);
    hidx_free_node(index, gone_node);
  }
  hidx_write_node(index, parent_node, parent);
}

int16_t remove_from(TkHandleIndex* index, HidxNode* node, const TkHandle* key, int depth) {
  if (depth > kMaxDepth) return 0;
  HidxNode n;
  hidx_read_node(index, node, &n);
  int16_t pos = hidx_node_search(key, n.entries, n.count);
  bool found = pos < n.count && same_key(&n.entries[pos].key, key);
  if (!n.children[0]) {
    if (!found) return 0;
    erase_at(&n, pos);
    hidx_write_node(index, node, &n);
    return 1;
  }
  if (found) {
    // An inner entry gives way to its predecessor, which then leaves its leaf.
    HidxEntry pred = last_entry(index, n.children[pos]);
    n.entries[pos] = pred;
    hidx_write_node(index, node, &n);
    remove_from(index, n.children[pos], &pred.key, depth + 1);
  } else if (!remove_from(index, n.children[pos], key, depth + 1)) {
    return 0;
  }
  rebalance_child(index, node, &n, pos);
  return 1;
}

}  // namespace

void hidx_reset(TkHandleIndex* index) {
  index->root = nullptr;
  for (HidxCacheSlot& slot : index->cache) {
    slot.uses = -1;
    slot.node = nullptr;
  }
}

int16_t hidx_node_search(const TkHandle* key, const HidxEntry* entries, int16_t count) {
  uint64_t k = key_value(key);
  if (count == 0 || k > key_value(&entries[count - 1].key)) return count;
  int16_t lo = 0, hi = int16_t(count - 1);
  while (lo < hi) {
    int16_t mid = int16_t((lo + hi) / 2);
    if (key_value(&entries[mid].key) < k)
      lo = int16_t(mid + 1);
    else
      hi = mid;
  }
  return lo;
}

void hidx_read_node(TkHandleIndex* index, HidxNode* node, HidxNode* copy) {
  *copy = *peek_node(index, node);
}

void hidx_write_node(TkHandleIndex* index, HidxNode* node, const HidxNode* copy) {
  HidxCacheSlot* target = cache_slot_of(index, node);
  if (!target) {
    int32_t least = 2000000000;
    for (HidxCacheSlot& slot : index->cache) {
      if (slot.uses < least) {
        least = slot.uses;
        target = &slot;
      }
    }
    if (!target) target = &index->cache[0];
    if (target->node) *target->node = target->copy;
  }
  target->uses = 0;
  target->node = node;
  target->copy = *copy;
}

void hidx_free_node(TkHandleIndex* index, HidxNode* node) {
  for (HidxCacheSlot& slot : index->cache) {
    if (slot.node == node) {
      slot.node = nullptr;
      slot.uses = -1;
    }
  }
  mem_free(node);
}

void* hidx_lookup(TkHandleIndex* index, const TkHandle* handle) {
  HidxNode* node = index->root;
  for (int depth = 0; node && depth <= kMaxDepth; ++depth) {
    const HidxNode* n = peek_node(index, node);
    int16_t pos = hidx_node_search(handle, n->entries, n->count);
    if (pos < n->count && same_key(&n->entries[pos].key, handle)) return n->entries[pos].value;
    node = n->children[pos];
  }
  return nullptr;
}

int16_t hidx_insert(TkHandleIndex* index, const TkHandle* handle, void* value) {
  // Walk down once, remembering the path, to find a duplicate and count the splits ahead.
  HidxNode* path[kMaxDepth];
  int16_t path_pos[kMaxDepth];
  int depth = 0;
  int full_run = 0;  // full nodes at the bottom of the path: each splits
  for (HidxNode* node = index->root; node;) {
    if (depth == kMaxDepth) return tk_fail(TK_ERR_BTREE);
    const HidxNode* n = peek_node(index, node);
    int16_t pos = hidx_node_search(handle, n->entries, n->count);
    if (pos < n->count && same_key(&n->entries[pos].key, handle)) {
      tk_fail_handle(TK_ERR_DUPLICATE_HANDLE, handle->bytes);
      return 2;
    }
    full_run = n->count == HIDX_MAX_ENTRIES ? full_run + 1 : 0;
    path[depth] = node;
    path_pos[depth] = pos;
    ++depth;
    node = n->children[pos];
  }

  int needed = full_run + (full_run == depth ? 1 : 0);  // a new root when every level splits
  HidxNode* spare[kMaxDepth + 1];
  for (int i = 0; i < needed; ++i) {
    spare[i] = static_cast<HidxNode*>(mem_alloc(sizeof(HidxNode)));
    if (!spare[i]) {
      for (int j = 0; j < i; ++j) mem_free(spare[j]);
      return tk_fail_alloc(TK_ERR_ALLOC_BTNODE);
    }
    memset(spare[i], 0, sizeof(HidxNode));
  }
  int used = 0;

  HidxEntry carry{*handle, value};
  HidxNode* carry_right = nullptr;
  for (int level = depth - 1; level >= 0; --level) {
    int16_t pos = path_pos[level];
    // The usual case, a node with room that the cache holds (loads add handles in order, so
    // the same last leaf takes one after the other): the entry goes into the cached copy itself,
    // which is what a read, an insertion and a write back through the cache would leave.
    if (HidxCacheSlot* slot = cache_slot_of(index, path[level])) {
      if (slot->copy.count < HIDX_MAX_ENTRIES) {
        insert_at(&slot->copy, pos, carry, carry_right);
        slot->uses = 0;
        return 1;
      }
    }
    HidxNode n;
    hidx_read_node(index, path[level], &n);
    if (n.count < HIDX_MAX_ENTRIES) {
      insert_at(&n, pos, carry, carry_right);
      hidx_write_node(index, path[level], &n);
      return 1;
    }
    // Split the 23 entries: 0-10 stay, 11 goes up, 12-22 move to a new node.
    HidxEntry entries[HIDX_MAX_ENTRIES + 1];
    HidxNode* children[HIDX_MAX_ENTRIES + 2];
    memcpy(entries, n.entries, sizeof(HidxEntry) * size_t(pos));
    entries[pos] = carry;
    memcpy(&entries[pos + 1], &n.entries[pos], sizeof(HidxEntry) * size_t(HIDX_MAX_ENTRIES - pos));
    memcpy(children, n.children, sizeof(HidxNode*) * size_t(pos + 1));
    children[pos + 1] = carry_right;
    memcpy(&children[pos + 2], &n.children[pos + 1],
           sizeof(HidxNode*) * size_t(HIDX_MAX_ENTRIES - pos));

    HidxNode right{};
    HidxNode* right_node = spare[used++];
    n.count = HIDX_MIN_ENTRIES;
    memcpy(n.entries, entries, sizeof(HidxEntry) * HIDX_MIN_ENTRIES);
    memset(n.children, 0, sizeof n.children);
    memcpy(n.children, children, sizeof(HidxNode*) * (HIDX_MIN_ENTRIES + 1));
    right.count = HIDX_MIN_ENTRIES;
    memcpy(right.entries, &entries[HIDX_MIN_ENTRIES + 1], sizeof(HidxEntry) * HIDX_MIN_ENTRIES);
    memcpy(right.children, &children[HIDX_MIN_ENTRIES + 1],
           sizeof(HidxNode*) * (HIDX_MIN_ENTRIES + 1));
    hidx_write_node(index, path[level], &n);
    hidx_write_node(index, right_node, &right);
    carry = entries[HIDX_MIN_ENTRIES];
    carry_right = right_node;
  }

  // The root split, or the index was empty: a new root over what is below.
  HidxNode* root_node = spare[used];
  HidxNode root{};
  root.count = 1;
  root.entries[0] = carry;
  root.children[0] = index->root;
  root.children[1] = carry_right;
  hidx_write_node(index, root_node, &root);
  index->root = root_node;
  return 1;
}

int16_t hidx_remove(TkHandleIndex* index, const TkHandle* handle) {
  if (!index->root || !remove_from(index, index->root, handle, 0))
    return tk_fail(TK_ERR_HANDLE_NOT_IN_BTREE);
  HidxNode root;
  hidx_read_node(index, index->root, &root);
  if (root.count == 0) {
    HidxNode* old = index->root;
    index->root = root.children[0];
    hidx_free_node(index, old);
  }
  return 1;
}

void hidx_free_all(TkHandleIndex* index) {
  free_tree(index, index->root, 0);
  hidx_reset(index);
}
