// Record pool: bump allocation in blocks that grow from 64 KB to 1 MB, so a small drawing keeps
// a small pool and a large one wastes at most the unused end of its last block.
#include "toolkit/core/pool.h"

#include <cstring>

#include "toolkit/core/mem.h"

namespace {

// Records are links (pointers and sizes) followed by bytes read with memcpy: pointer alignment.
constexpr size_t kAlign = alignof(void*);
constexpr size_t kFirstBlock = size_t(64) << 10;
constexpr size_t kLargestBlock = size_t(1) << 20;

// Every live pool's blocks, ordered by address.
TkPoolBlock* all_blocks = nullptr;
uint32_t all_count = 0;
uint32_t all_capacity = 0;
TkRecordPool* blob_pool = nullptr;

size_t rounded(size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }

// The index of the last of the n blocks that starts at or below the address; n when none does.
uint32_t below(const TkPoolBlock* blocks, uint32_t n, uintptr_t p) {
  uint32_t lo = 0, hi = n;
  while (lo < hi) {
    uint32_t mid = (lo + hi) / 2;
    if (reinterpret_cast<uintptr_t>(blocks[mid].start) <= p)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo == 0 ? n : lo - 1;
}

// Makes room for one more block in an ordered array; false when memory runs out.
bool reserve(TkPoolBlock** blocks, uint32_t count, uint32_t* capacity) {
  if (count < *capacity) return true;
  uint32_t grown = *capacity ? *capacity * 2 : 16;
  auto* fresh = static_cast<TkPoolBlock*>(mem_alloc(grown * sizeof(TkPoolBlock)));
  if (!fresh) return false;
  if (count) std::memcpy(fresh, *blocks, count * sizeof(TkPoolBlock));
  mem_free(*blocks);
  *blocks = fresh;
  *capacity = grown;
  return true;
}

void insert_ordered(TkPoolBlock* blocks, uint32_t* count, TkPoolBlock block) {
  uint32_t at = below(blocks, *count, reinterpret_cast<uintptr_t>(block.start));
  at = at == *count ? 0 : at + 1;
  std::memmove(&blocks[at + 1], &blocks[at], (*count - at) * sizeof(TkPoolBlock));
  blocks[at] = block;
  ++*count;
}

// Takes a block out of the live ones; the array goes when no block is left.
void forget_block(const uint8_t* start) {
  uint32_t at = below(all_blocks, all_count, reinterpret_cast<uintptr_t>(start));
  if (at < all_count && all_blocks[at].start == start) {
    std::memmove(&all_blocks[at], &all_blocks[at + 1],
                 (all_count - at - 1) * sizeof(TkPoolBlock));
    --all_count;
  }
  if (all_count == 0) {
    mem_free(all_blocks);
    all_blocks = nullptr;
    all_capacity = 0;
  }
}

bool add_block(TkRecordPool* pool, size_t need) {
  if (!reserve(&pool->blocks, pool->count, &pool->capacity) ||
      !reserve(&all_blocks, all_count, &all_capacity))
    return false;
  size_t size = pool->count < 5 ? kFirstBlock << pool->count : kLargestBlock;
  if (size < need) size = need;
  auto* start = static_cast<uint8_t*>(mem_alloc(size));
  if (!start) {
    forget_block(nullptr);  // an array made for the first block goes again
    return false;
  }
  insert_ordered(pool->blocks, &pool->count, TkPoolBlock{start, size});
  insert_ordered(all_blocks, &all_count, TkPoolBlock{start, size});
  pool->next = start;
  pool->left = size;
  return true;
}

bool owned(const TkPoolBlock* blocks, uint32_t n, const void* block) {
  auto p = reinterpret_cast<uintptr_t>(block);
  uint32_t i = below(blocks, n, p);
  return i < n && p - reinterpret_cast<uintptr_t>(blocks[i].start) < blocks[i].size;
}

}  // namespace

void* pool_alloc(TkRecordPool* pool, size_t size) {
  size_t n = rounded(size ? size : 1);
  if (n > pool->left && !add_block(pool, n)) return nullptr;
  void* block = pool->next;
  pool->next += n;
  pool->left -= n;
  return block;
}

bool pool_owns(const TkRecordPool* pool, const void* block) {
  return owned(pool->blocks, pool->count, block);
}

void pool_release(TkRecordPool* pool, void* block) {
  if (block && !(pool && pool_owns(pool, block))) mem_free(block);
}

void pool_free_all(TkRecordPool* pool) {
  for (uint32_t i = 0; i < pool->count; ++i) {
    forget_block(pool->blocks[i].start);
    mem_free(pool->blocks[i].start);
  }
  mem_free(pool->blocks);
  *pool = TkRecordPool{};
}

bool pool_holds(const void* block) { return owned(all_blocks, all_count, block); }

TkRecordPool* pool_lend_to_blobs(TkRecordPool* pool) {
  TkRecordPool* before = blob_pool;
  blob_pool = pool;
  return before;
}

TkRecordPool* pool_for_blobs() { return blob_pool; }
