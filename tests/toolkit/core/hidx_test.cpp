// Handle index: the B-tree against a std::map model under random insertion and removal (far
// more nodes than the 16 cache slots, so slots are reused and written back), its shape after a
// root split, duplicates, and allocation failures that must leave the index as it was.
#include "toolkit/core/hidx.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "records_support.h"

namespace {

TkHandle H(uint64_t v) {
  TkHandle h;
  for (int i = 7; i >= 0; --i, v >>= 8) h.bytes[i] = uint8_t(v);
  return h;
}

uint64_t V(const TkHandle& h) {
  uint64_t v = 0;
  for (uint8_t b : h.bytes) v = v << 8 | b;
  return v;
}

void* value_for(uint64_t key) { return reinterpret_cast<void*>(uintptr_t(key * 16 + 8)); }

// Walks the tree through the cache, checking order, node fill and equal leaf depth; returns the
// keys in order.
void walk(TkHandleIndex* index, HidxNode* node, int depth, bool is_root, int* leaf_depth,
          std::vector<std::pair<uint64_t, void*>>* out) {
  HidxNode n;
  hidx_read_node(index, node, &n);
  ASSERT_LE(n.count, HIDX_MAX_ENTRIES);
  if (!is_root) {
    ASSERT_GE(n.count, HIDX_MIN_ENTRIES);
  }
  if (!n.children[0]) {
    if (*leaf_depth < 0) *leaf_depth = depth;
    ASSERT_EQ(*leaf_depth, depth) << "leaves at different depths";
  }
  for (int16_t i = 0; i <= n.count; ++i) {
    if (n.children[i]) walk(index, n.children[i], depth + 1, false, leaf_depth, out);
    if (i < n.count) {
      if (!out->empty()) {
        ASSERT_LT(out->back().first, V(n.entries[i].key)) << "out of order";
      }
      out->push_back({V(n.entries[i].key), n.entries[i].value});
    }
  }
}

std::vector<std::pair<uint64_t, void*>> contents(TkHandleIndex* index) {
  std::vector<std::pair<uint64_t, void*>> out;
  int leaf_depth = -1;
  if (index->root) walk(index, index->root, 0, true, &leaf_depth, &out);
  return out;
}

class HidxTest : public records_test::StartedToolkit {
 protected:
  void SetUp() override {
    StartedToolkit::SetUp();
    hidx_reset(&index_);
  }
  void TearDown() override {
    hidx_free_all(&index_);
    EXPECT_EQ(index_.root, nullptr);
    StartedToolkit::TearDown();
  }
  TkHandleIndex index_;
};

TEST_F(HidxTest, EmptyIndex) {
  TkHandle h = H(5);
  EXPECT_EQ(hidx_lookup(&index_, &h), nullptr);
  EXPECT_EQ(hidx_remove(&index_, &h), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_HANDLE_NOT_IN_BTREE);
}

TEST_F(HidxTest, TwentyThreeAscendingHandlesSplitTheRootOnce) {
  for (uint64_t k = 1; k <= 23; ++k) {
    TkHandle h = H(k);
    ASSERT_EQ(hidx_insert(&index_, &h, value_for(k)), 1);
  }
  HidxNode root, left, right;
  hidx_read_node(&index_, index_.root, &root);
  ASSERT_EQ(root.count, 1);
  EXPECT_EQ(V(root.entries[0].key), 12u);
  hidx_read_node(&index_, root.children[0], &left);
  hidx_read_node(&index_, root.children[1], &right);
  EXPECT_EQ(left.count, 11);
  EXPECT_EQ(right.count, 11);
  EXPECT_EQ(V(left.entries[10].key), 11u);
  EXPECT_EQ(V(right.entries[0].key), 13u);
}

TEST_F(HidxTest, DuplicateHandleIsRefusedAndNamed) {
  for (uint64_t k = 10; k < 60; k += 2) {
    TkHandle h = H(k);
    ASSERT_EQ(hidx_insert(&index_, &h, value_for(k)), 1);
  }
  auto before = contents(&index_);
  TkHandle dup = H(24);
  EXPECT_EQ(hidx_insert(&index_, &dup, value_for(999)), 2);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_DUPLICATE_HANDLE);
  EXPECT_EQ(V(*reinterpret_cast<const TkHandle*>(tk_state->failing_handle)), 24u);
  EXPECT_EQ(contents(&index_), before);
  EXPECT_EQ(hidx_lookup(&index_, &dup), value_for(24));
}

TEST_F(HidxTest, RandomInsertAndRemoveAgreeWithStdMap) {
  std::mt19937_64 rng(5);
  std::map<uint64_t, void*> model;
  // Keys from a small range so that inserts hit duplicates and removals hit absent keys.
  for (int step = 0; step < 40000; ++step) {
    uint64_t k = 1 + rng() % 6000;
    TkHandle h = H(k);
    bool insert = step < 30000 ? rng() % 3 != 0 : rng() % 4 == 0;  // then mostly removals
    if (insert) {
      int16_t r = hidx_insert(&index_, &h, value_for(k));
      ASSERT_EQ(r, model.count(k) ? 2 : 1) << "insert " << k;
      model.emplace(k, value_for(k));
    } else {
      ASSERT_EQ(hidx_remove(&index_, &h), model.erase(k) ? 1 : 0) << "remove " << k;
    }
    if (step % 2500 == 0) {
      ASSERT_EQ(contents(&index_), (std::vector<std::pair<uint64_t, void*>>(model.begin(), model.end())))
          << "step " << step;
    }
  }
  EXPECT_GT(model.size(), 500u);
  for (const auto& [k, v] : model) {
    TkHandle h = H(k);
    ASSERT_EQ(hidx_lookup(&index_, &h), v);
  }
  // Removing every handle leaves no root.
  for (const auto& entry : model) {
    TkHandle h = H(entry.first);
    ASSERT_EQ(hidx_remove(&index_, &h), 1);
  }
  EXPECT_EQ(index_.root, nullptr);
}

TEST_F(HidxTest, NodesEvictedFromTheCacheAreWrittenBack) {
  // Ascending inserts write well over 16 distinct nodes; each must be found again through its
  // own memory once its slot went to another node.
  for (uint64_t k = 1; k <= 2000; ++k) {
    TkHandle h = H(k * 3);
    ASSERT_EQ(hidx_insert(&index_, &h, value_for(k)), 1);
  }
  int cached = 0;
  for (const HidxCacheSlot& slot : index_.cache) cached += slot.node != nullptr;
  EXPECT_EQ(cached, HIDX_CACHE_SLOTS);
  for (uint64_t k = 1; k <= 2000; ++k) {
    TkHandle h = H(k * 3);
    ASSERT_EQ(hidx_lookup(&index_, &h), value_for(k)) << k;
  }
}

TEST_F(HidxTest, FailedNodeAllocationLeavesTheIndexAsItWas) {
  // 22 x 23 ascending keys fill the tree so that the next key makes two levels split and grows
  // a new root: three node allocations, each of which may fail.
  uint64_t k = 1;
  for (; k <= 253; ++k) {
    TkHandle h = H(k);
    ASSERT_EQ(hidx_insert(&index_, &h, value_for(k)), 1);
  }
  for (;; ++k) {
    auto before = contents(&index_);
    TkHandle h = H(k);
    bool done = false;
    for (long n = 0; !done; ++n) {
      fail_allocation(n);
      int16_t r = hidx_insert(&index_, &h, value_for(k));
      fail_allocation(-1);
      if (r == 1) {
        done = true;
      } else {
        ASSERT_EQ(r, 0);
        EXPECT_EQ(tk_get_last_error(), TK_ERR_ALLOC_BTNODE);
        ASSERT_EQ(contents(&index_), before) << "key " << k << " failing allocation " << n;
      }
    }
    HidxNode root;
    hidx_read_node(&index_, index_.root, &root);
    if (k > 253 && root.children[0]) {
      HidxNode child;
      hidx_read_node(&index_, root.children[0], &child);
      if (child.children[0]) break;  // three levels now: the root itself split
    }
  }
}

}  // namespace
