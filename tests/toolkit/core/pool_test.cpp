// Record pool: blocks handed out over many pool blocks stay aligned, apart and owned; foreign
// blocks are neither owned nor kept; a failed allocation leaves the pool as it was; everything
// goes back at pool_free_all (the fixture's allocator counts the live blocks).
#include "toolkit/core/pool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "records_support.h"
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
  // The first block needs the block table and the block; either failing gives null.
  for (long failing : {0L, 1L}) {
    SCOPED_TRACE(failing);
    fail_allocation(failing);
    EXPECT_EQ(pool_alloc(&pool, 32), nullptr);
    fail_allocation(-1);
    EXPECT_EQ(pool.left, 0u);
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

}  // namespace
