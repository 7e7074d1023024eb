// Record pool: the stored records a drawing's load makes, carved out of a few large blocks
// instead of one allocation each. A load stores hundreds of thousands of small entity records
// that all live until the drawing closes, so the per-record allocator cost (and its per-block
// overhead in memory) is the largest single cost of loading. A pooled record that is deleted
// early keeps its space until the drawing closes; records made after the load come from
// mem_alloc as before. Nothing here knows what a record holds.
#pragma once

#include <cstddef>
#include <cstdint>

struct TkPoolBlock {
  uint8_t* start;
  size_t size;
};

// One per drawing; all zero is an empty pool.
struct TkRecordPool {
  TkPoolBlock* blocks;  // owned, ordered by address
  uint32_t count;
  uint32_t capacity;
  uint8_t* next;  // free space of the newest block
  size_t left;
};

// size bytes from the pool, aligned for a pointer; null when memory runs out.
void* pool_alloc(TkRecordPool* pool, size_t size);
// Whether the block came from the pool.
bool pool_owns(const TkRecordPool* pool, const void* block);
// Gives a block back: a pooled one waits for pool_free_all, any other (every one when the pool
// is null) goes to mem_free.
void pool_release(TkRecordPool* pool, void* block);
// Frees every block of the pool and leaves it empty.
void pool_free_all(TkRecordPool* pool);

// Whether the block lies in a block of any live pool. Blobs can be freed where no drawing is at
// hand, and this is how they tell memory that waits for its pool from memory of their own.
bool pool_holds(const void* block);
// The pool that blobs take their descriptors, chunk lists and chunks from (null: mem_alloc), and
// the one before. A drawing lends its pool while it loads: a load makes a few small blob pieces
// for most entities, and these live as long as the drawing.
TkRecordPool* pool_lend_to_blobs(TkRecordPool* pool);
TkRecordPool* pool_for_blobs();
