// Record pool: blocks handed out over many pool blocks stay aligned, apart and owned; foreign
// blocks are neither owned nor kept; a failed allocation leaves the pool as it was; everything
// goes back at pool_free_all (the fixture's allocator counts the live blocks).
#include "toolkit/core/pool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "records_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/list.h"
#include "toolkit/core/mem.h"

namespace {

class PoolTest : public records_test::StartedToolkit {
 protected:
  void TearDown() override {
    pool_free_all(&pool);
    records_test::StartedToolkit::TearDown();
  }
  TkRecordPool pool{};
};

struct Taken {
  uint8_t* p;
  size_t n;
};

TEST_F(PoolTest, BlocksStayAlignedApartAndOwnedAcrossManyPoolBlocks) {
  // Small records, a few the size of a whole first block, and one larger than any block.
  const size_t sizes[] = {1, 7, 8, 40, 153, 2200, 64 << 10, 100, (1 << 20) + 5, 3, 900};
  std::vector<Taken> taken;
  for (int round = 0; round < 40; ++round) {
    for (size_t n : sizes) {
      auto* p = static_cast<uint8_t*>(pool_alloc(&pool, n));
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % alignof(void*), 0u);
      std::memset(p, int(taken.size() & 0xFF), n);
      taken.push_back({p, n});
    }
  }
  EXPECT_GT(pool.count, 6u);
  for (size_t i = 0; i < taken.size(); ++i) {
    const Taken& t = taken[i];
    ASSERT_TRUE(pool_owns(&pool, t.p)) << i;
    ASSERT_TRUE(pool_owns(&pool, t.p + t.n - 1)) << i;
    for (size_t k = 0; k < t.n; ++k) ASSERT_EQ(t.p[k], uint8_t(i & 0xFF)) << i;  // not overwritten
  }
  void* foreign = mem_alloc(16);
  int local = 0;
  EXPECT_FALSE(pool_owns(&pool, foreign));
  EXPECT_FALSE(pool_owns(&pool, &local));
  EXPECT_FALSE(pool_owns(&pool, nullptr));
  pool_release(&pool, taken[3].p);  // stays until the pool goes
  pool_release(&pool, foreign);     // freed now: the fixture would see it leak otherwise
  pool_release(&pool, nullptr);
  pool_free_all(&pool);
  EXPECT_EQ(pool.count, 0u);
  EXPECT_FALSE(pool_owns(&pool, taken[0].p));
}

TEST_F(PoolTest, AFailedAllocationLeavesThePoolAsItWas) {
  // The first block needs the pool's block table, the table of every pool's blocks and the
  // block; any of them failing gives null.
  for (long failing : {0L, 1L, 2L}) {
    SCOPED_TRACE(failing);
    TkRecordPool fresh{};
    fail_allocation(failing);
    EXPECT_EQ(pool_alloc(&fresh, 32), nullptr);
    fail_allocation(-1);
    EXPECT_EQ(fresh.left, 0u);
    pool_free_all(&fresh);  // its block table, when it got one
  }
  auto* p = static_cast<uint8_t*>(pool_alloc(&pool, 32));
  ASSERT_NE(p, nullptr);
  fail_allocation(0);
  EXPECT_EQ(pool_alloc(&pool, 1 << 21), nullptr);  // needs a block of its own
  fail_allocation(-1);
  EXPECT_EQ(pool_alloc(&pool, 16), p + 32);  // the current block goes on where it was
  EXPECT_TRUE(pool_owns(&pool, p));
}

TEST_F(PoolTest, APooledRecordThatCannotBeMadeFailsAsAnAllocatedOne) {
  TkList list{};
  const char data[] = "record";
  TkLink* link = record_store_pooled(&pool, data, sizeof data, &list, TK_POS_END, nullptr);
  ASSERT_NE(link, nullptr);
  EXPECT_TRUE(pool_owns(&pool, link));
  EXPECT_STREQ(static_cast<const char*>(tk_link_data(link)), "record");
  fail_allocation(0);
  EXPECT_EQ(record_store_pooled(&pool, data, 2 << 20, &list, TK_POS_END, nullptr), nullptr);
  fail_allocation(-1);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_ALLOC_STRUCTURE);
  EXPECT_EQ(list_count(&list), 1);
}

std::vector<uint8_t> blob_bytes(TkBlob* stored) {
  std::vector<uint8_t> out(size_t(blob_stored_size(stored)));
  TkBlob* r = blob_open_read(stored);
  EXPECT_NE(r, nullptr);
  if (r) {
    EXPECT_EQ(blob_read(r, out.data(), out.size()), 1);
    blob_close(r);
  }
  return out;
}

std::vector<uint8_t> counting(uint8_t from, size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(from + i);
  return v;
}

void write_all(TkBlob* stored, const std::vector<uint8_t>& bytes, bool append) {
  TkBlob* w = append ? blob_open_append(stored) : blob_create(stored);
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(blob_write(w, bytes.data(), bytes.size()), 1);
  ASSERT_EQ(blob_close_write(w), 1);
}

// Blobs made while a drawing lends its pool (a load) are grown, rewritten, copied and freed
// afterwards like any other; their pooled pieces wait for the pool, their later pieces are freed
// (the fixture's allocator sees any that leak), and an append during the lending does not leave
// a pooled copy of the last chunk behind each time.
TEST_F(PoolTest, BlobsMadeWhileThePoolIsLentKeepWhatBlobsPromise) {
  ASSERT_EQ(pool_lend_to_blobs(&pool), nullptr);
  TkBlob* first = blob_alloc(16);
  TkBlob* second = blob_alloc(16);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  write_all(first, counting(0, 40), false);  // two full chunks and a part
  write_all(second, counting(100, 3), false);
  EXPECT_TRUE(pool_holds(first));
  EXPECT_TRUE(pool_holds(first->chunks));
  EXPECT_TRUE(pool_holds(list_first(first->chunks)));
  size_t left = pool.left;
  for (uint8_t k = 0; k < 30; ++k) write_all(second, {uint8_t(103 + k)}, true);
  EXPECT_FALSE(pool_holds(list_last(second->chunks)));
  EXPECT_EQ(pool.left, left);  // appends take nothing from the pool
  EXPECT_EQ(pool_lend_to_blobs(nullptr), &pool);

  EXPECT_EQ(blob_bytes(first), counting(0, 40));
  EXPECT_EQ(blob_bytes(second), counting(100, 33));
  write_all(first, counting(40, 10), true);
  EXPECT_EQ(blob_bytes(first), counting(0, 50));
  EXPECT_FALSE(pool_holds(list_last(first->chunks)));
  write_all(second, counting(7, 5), false);
  EXPECT_EQ(blob_bytes(second), counting(7, 5));
  ASSERT_EQ(blob_copy(second, first), 1);
  EXPECT_EQ(blob_bytes(second), counting(0, 50));
  EXPECT_EQ(blob_free(first), 1);
  EXPECT_EQ(blob_free(second), 1);

  TkBlob* later = blob_alloc(16);  // no pool lent: from the allocator
  ASSERT_NE(later, nullptr);
  EXPECT_FALSE(pool_holds(later));
  blob_free(later);
  void* pooled = pool_alloc(&pool, 8);
  pool_free_all(&pool);
  EXPECT_FALSE(pool_holds(pooled));
}

}  // namespace
