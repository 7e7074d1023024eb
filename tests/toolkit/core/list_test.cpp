// Stored lists: linking and unlinking against a std::list model, record copies, and failures
// (no memory, duplicate handles, links of another list) that must leave a list as it was.
#include "toolkit/core/list.h"

#include <gtest/gtest.h>

#include <list>
#include <random>
#include <vector>

#include "records_support.h"
#include "toolkit/core/handle.h"
#include "toolkit/core/hidx.h"

namespace {


int value_of(const TkLink* link) { return *static_cast<const int*>(tk_link_data(link)); }

// The list's values front to back, after checking that both directions, owners and the count
// agree.
std::vector<int> values(const TkList* list) {
  std::vector<int> out;
  const TkLink* prev = nullptr;
  for (const TkLink* l = list->first; l; l = l->next) {
    EXPECT_EQ(l->prev, prev);
    EXPECT_EQ(l->owner, list);
    out.push_back(value_of(l));
    prev = l;
  }
  EXPECT_EQ(list->last, prev);
  EXPECT_EQ(list->count, int32_t(out.size()));
  return out;
}

TkLink* nth(TkList* list, size_t n) {
  TkLink* l = list->first;
  while (n--) l = l->next;
  return l;
}

class ListTest : public records_test::StartedToolkit {};

TEST_F(ListTest, NullListAndForeignLinksChangeNothing) {
  EXPECT_EQ(list_count(nullptr), 0);
  EXPECT_EQ(list_first(nullptr), nullptr);
  EXPECT_EQ(list_last(nullptr), nullptr);
  EXPECT_EQ(list_append(nullptr, nullptr), -1);

  TkList* a = list_new();
  TkList* b = list_new();
  int one = 1, two = 2;
  TkLink* in_a = record_store(&one, sizeof one, a);
  TkLink* in_b = record_store(&two, sizeof two, b);
  list_rewind(a);
  EXPECT_EQ(list_next(a, in_b), 0xFFFF);
  EXPECT_EQ(list_current(a), in_a);
  EXPECT_EQ(list_insert_chain(a, in_b, nullptr), -2);
  EXPECT_EQ(list_remove(a, in_b), nullptr);
  EXPECT_EQ(list_remove_range(a, in_a, in_b), nullptr);
  EXPECT_EQ(values(a), std::vector<int>{1});
  EXPECT_EQ(values(b), std::vector<int>{2});
  EXPECT_EQ(list_append(a, nullptr), 0);
  list_free(a);
  list_free(b);
}

TEST_F(ListTest, RemovingTheOnlyLinkEmptiesTheList) {
  TkList* list = list_new();
  int v = 7;
  TkLink* only = record_store(&v, sizeof v, list);
  EXPECT_EQ(list_remove(list, only), only);
  EXPECT_EQ(list->first, nullptr);
  EXPECT_EQ(list->current, nullptr);
  EXPECT_EQ(list->last, nullptr);
  EXPECT_EQ(list->count, 0);
  EXPECT_EQ(list_remove_last(list), nullptr);
  core_test::counting_free(only);
  list_free(list);
}

TEST_F(ListTest, ChainAfterTheLastLinkBecomesTheTail) {
  TkList* list = list_new();
  TkList* scratch = list_new();
  for (int v : {1, 2}) record_store(&v, sizeof v, list);
  for (int v : {3, 4, 5}) record_store(&v, sizeof v, scratch);
  TkLink* chain = list_remove_range(scratch, scratch->first, scratch->last);
  ASSERT_NE(chain, nullptr);
  EXPECT_EQ(list_insert_chain(list, list->last, chain), 3);
  EXPECT_EQ(values(list), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(value_of(list->last), 5);
  EXPECT_EQ(list->count, 5);

  // After the current link; refused while there is none.
  int six = 6;
  TkLink* one = record_store(&six, sizeof six, scratch);
  list_remove(scratch, one);
  list_next(list, nullptr);
  EXPECT_EQ(list_insert_after_current(list, one), -1);
  list_next(list, list->first);
  EXPECT_EQ(list_insert_after_current(list, one), 1);
  EXPECT_EQ(values(list), (std::vector<int>{1, 6, 2, 3, 4, 5}));
  list_free(list);
  list_free(scratch);
}

TEST_F(ListTest, RemovingTheRunThatHoldsTheCurrentLinkMovesCurrentPastIt) {
  // Freeing the run must not leave the list pointing into freed memory.
  TkList* list = list_new();
  for (int v : {1, 2, 3, 4}) record_store(&v, sizeof v, list);
  list_next(list, nth(list, 2));
  TkLink* run = list_remove_range(list, nth(list, 1), nth(list, 2));
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(value_of(list_current(list)), 4);
  EXPECT_EQ(values(list), (std::vector<int>{1, 4}));
  core_test::counting_free(run->next);
  core_test::counting_free(run);

  // A "to" link that stands before "from" is refused.
  EXPECT_EQ(list_remove_range(list, list->last, list->first), nullptr);
  EXPECT_EQ(values(list), (std::vector<int>{1, 4}));
  list_free(list);
}

TEST_F(ListTest, RecordReadCopiesAndAdvancesWithoutReadingPastTheRecord) {
  TkList* list = list_new();
  int16_t small = 0x1234;
  int v = 99;
  record_store(&small, sizeof small, list);
  record_store(&v, sizeof v, list);
  list_rewind(list);
  uint8_t big[16];
  memset(big, 0xAA, sizeof big);
  ASSERT_EQ(record_read(list, big, sizeof big), 1);
  int16_t got;
  memcpy(&got, big, 2);
  EXPECT_EQ(got, 0x1234);
  EXPECT_EQ(big[2], 0);  // beyond the record: cleared, not read
  int out = 0;
  ASSERT_EQ(record_read(list, &out, sizeof out), 1);
  EXPECT_EQ(out, 99);
  EXPECT_EQ(record_read(list, &out, sizeof out), 0);
  list_free(list);
}

TEST_F(ListTest, RandomEditsAgreeWithStdList) {
  std::mt19937 rng(20261210);
  TkList* list = list_new();
  std::list<int> model;
  for (int step = 0; step < 3000; ++step) {
    int v = step;
    size_t n = model.size();
    switch (rng() % 6) {
      case 0:
        ASSERT_NE(record_store(&v, sizeof v, list), nullptr);
        model.push_back(v);
        break;
      case 1:
        ASSERT_NE(record_store_sized(&v, sizeof v, list, TK_POS_FRONT, nullptr), nullptr);
        model.push_front(v);
        break;
      case 2:
        if (n) {
          size_t at = rng() % n;
          ASSERT_NE(record_store_sized(&v, sizeof v, list, TK_POS_BEFORE, nth(list, at)), nullptr);
          model.insert(std::next(model.begin(), long(at)), v);
        }
        break;
      case 3:
      case 4:
        if (n) {
          size_t from = rng() % n, len = 1 + rng() % (n - from < 4 ? n - from : 4);
          TkLink* run = list_remove_range(list, nth(list, from), nth(list, from + len - 1));
          ASSERT_NE(run, nullptr);
          while (run) {
            TkLink* next = run->next;
            core_test::counting_free(run);
            run = next;
          }
          auto first = std::next(model.begin(), long(from));
          model.erase(first, std::next(first, long(len)));
        }
        break;
      case 5:
        if (n) list_next(list, nth(list, rng() % n));
        break;
    }
    ASSERT_EQ(values(list), std::vector<int>(model.begin(), model.end())) << "step " << step;
    if (list->current) {
      ASSERT_EQ(list->current->owner, list);
    }
  }
  list_free(list);
}

TEST_F(ListTest, FailedAllocationsLeaveTheListAsItWas) {
  TkList* list = list_new();
  for (int v : {1, 2, 3}) record_store(&v, sizeof v, list);
  int v = 4;

  struct Case {
    const char* what;
    TkError error;
    bool (*run)(TkList*, int*);
  } const cases[] = {
      {"record_store", TK_ERR_ALLOC_BINDATA,
       [](TkList* l, int* x) { return record_store(x, sizeof *x, l) != nullptr; }},
      {"record_store_sized", TK_ERR_ALLOC_STRUCTURE,
       [](TkList* l, int* x) {
         return record_store_sized(x, sizeof *x, l, TK_POS_BEFORE, l->first->next) != nullptr;
       }},
      {"list_new", TK_ERR_ALLOC_LLIST, [](TkList*, int*) { return list_new() != nullptr; }},
  };
  for (const Case& c : cases) {
    fail_allocation(0);
    EXPECT_FALSE(c.run(list, &v)) << c.what;
    fail_allocation(-1);
    EXPECT_EQ(tk_get_last_error(), c.error) << c.what;
    EXPECT_EQ(values(list), (std::vector<int>{1, 2, 3})) << c.what;
  }
  list_free(list);
}

TEST_F(ListTest, IndexedStoreRefusesDuplicatesAndRollsBackEveryFailure) {
  TkHandleIndex index;
  hidx_reset(&index);
  TkList* list = list_new();
  // Enough records that one more insertion splits index nodes (and so allocates).
  std::vector<TkHandle> handles;
  for (int i = 1; i <= 22; ++i) {
    TkHandle h{{0, 0, 0, 0, 0, 0, 0, uint8_t(i * 2)}};
    handles.push_back(h);
    ASSERT_NE(record_store_indexed(&h, &index, &i, sizeof i, list, TK_POS_END, nullptr), nullptr);
  }
  const std::vector<int> before = values(list);

  int dup = 100;
  EXPECT_EQ(record_store_indexed(&handles[5], &index, &dup, sizeof dup, list, TK_POS_END, nullptr),
            nullptr);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_ADD_DUPLICATE_HANDLE);
  EXPECT_EQ(memcmp(tk_state->failing_handle, handles[5].bytes, 8), 0);
  EXPECT_EQ(values(list), before);
  EXPECT_EQ(value_of(static_cast<TkLink*>(hidx_lookup(&index, &handles[5]))), 6);

  TkHandle null_handle{};
  EXPECT_EQ(record_store_indexed(&null_handle, &index, &dup, sizeof dup, list, TK_POS_END, nullptr),
            nullptr);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_NULL_OBJHANDLE);

  // A before-link of another list: the record is not linked and its handle leaves the index.
  TkList* other = list_new();
  TkLink* foreign = record_store(&dup, sizeof dup, other);
  TkHandle fresh{{0, 0, 0, 0, 0, 0, 0, 1}};
  EXPECT_EQ(record_store_indexed(&fresh, &index, &dup, sizeof dup, list, TK_POS_BEFORE, foreign),
            nullptr);
  EXPECT_EQ(hidx_lookup(&index, &fresh), nullptr);
  list_free(other);

  // Fail each allocation in turn until the store gets through.
  for (long n = 0;; ++n) {
    fail_allocation(n);
    TkLink* stored =
        record_store_indexed(&fresh, &index, &dup, sizeof dup, list, TK_POS_FRONT, nullptr);
    fail_allocation(-1);
    if (stored) {
      EXPECT_GE(n, 2) << "a record and at least one index node are allocated";
      break;
    }
    EXPECT_EQ(values(list), before) << "failing allocation " << n;
    EXPECT_EQ(hidx_lookup(&index, &fresh), nullptr);
    for (const TkHandle& h : handles) ASSERT_NE(hidx_lookup(&index, &h), nullptr);
  }
  EXPECT_EQ(values(list).front(), 100);
  hidx_free_all(&index);
  list_free(list);
}

}  // namespace
