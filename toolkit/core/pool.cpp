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

size_t rounded(size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }

// The index of the last block that starts at or below the address; count when none does.
uint32_t block_below(const TkRecordPool* pool, uintptr_t p) {
  uint32_t lo = 0, hi = pool->count;
  while (lo < hi) {
    uint32_t mid = (lo + hi) / 2;
    if (reinterpret_cast<uintptr_t>(pool->blocks[mid].start) <= p)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo == 0 ? pool->count : lo - 1;
}

bool add_block(TkRecordPool* pool, size_t need) {
  if (pool->count == pool->capacity) {
    uint32_t grown = pool->capacity ? pool->capacity * 2 : 16;
    auto* blocks = static_cast<TkPoolBlock*>(mem_alloc(grown * sizeof(TkPoolBlock)));
    if (!blocks) return false;
    if (pool->count) std::memcpy(blocks, pool->blocks, pool->count * sizeof(TkPoolBlock));
    mem_free(pool->blocks);
    pool->blocks = blocks;
    pool->capacity = grown;
  }
  size_t size = pool->count < 5 ? kFirstBlock << pool->count : kLargestBlock;
  if (size < need) size = need;
  auto* start = static_cast<uint8_t*>(mem_alloc(size));
  if (!start) return false;
  uint32_t at = block_below(pool, reinterpret_cast<uintptr_t>(start));
  at = at == pool->count ? 0 : at + 1;
  std::memmove(&pool->blocks[at + 1], &pool->blocks[at],
               (pool->count - at) * sizeof(TkPoolBlock));
  pool->blocks[at] = TkPoolBlock{start, size};
  ++pool->count;
  pool->next = start;
  pool->left = size;
  return true;
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
  auto p = reinterpret_cast<uintptr_t>(block);
  uint32_t i = block_below(pool, p);
  return i < pool->count &&
         p - reinterpret_cast<uintptr_t>(pool->blocks[i].start) < pool->blocks[i].size;
}

void pool_release(TkRecordPool* pool, void* block) {
  if (block && !pool_owns(pool, block)) mem_free(block);
}

void pool_free_all(TkRecordPool* pool) {
  for (uint32_t i = 0; i < pool->count; ++i) mem_free(pool->blocks[i].start);
  mem_free(pool->blocks);
  *pool = TkRecordPool{};
}
