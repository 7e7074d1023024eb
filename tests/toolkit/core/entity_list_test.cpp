// Entity and block access: random add/replace/delete sequences checked against a model (list
// order, handle index, the INSERT references of each block, the paper-space viewport order; with
// records from the allocator, from the load's pool and from both),
// duplicate handles, walks past the end, blob ownership on replace, and block add and delete.
#include "toolkit/core/entity_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "entity_support.h"
#include "toolkit/core/blob.h"
#include "toolkit/core/hidx.h"
#include "toolkit/core/list.h"
#include "toolkit/core/object.h"
#include "toolkit/core/symtab.h"

using namespace entity_test;

namespace {

std::vector<uint64_t> handles_in(TkList* list) {
  std::vector<uint64_t> out;
  static TkEntityHeader h;
  static TkEntityData data;
  entity_list_rewind(list);
  while (entity_list_next(list, &h, &data)) {
    uint64_t v = 0;
    for (uint8_t b : h.handle.bytes) v = v << 8 | b;
    out.push_back(v);
  }
  return out;
}

uint64_t value(const TkHandle& h) {
  uint64_t v = 0;
  for (uint8_t b : h.bytes) v = v << 8 | b;
  return v;
}

std::vector<uint64_t> references_of(TkDrawing* d, const TkHandle& block) {
  TkBlockRecord r;
  std::vector<uint64_t> out;
  if (!tk_block_get(d, &block, &r) || !r.references) return out;
  TkBlob* reader = blob_open_read(r.references);
  TkHandle h;
  while (blob_read(reader, h.bytes, 8)) out.push_back(value(h));
  blob_close(reader);
  return out;
}

std::vector<uint64_t> viewport_order(TkDrawing* d) {
  std::vector<uint64_t> out;
  for (TkLink* l = list_first(&d->pspace_viewports); l; l = l->next)
    out.push_back(value(static_cast<TkPspaceViewport*>(tk_link_data(l))->handle));
  return out;
}

class EntityListTest : public DrawingTest {
 protected:
  TkHandle add_block(const char* name, uint64_t handle) {
    TkBlockRecord r;
    tk_init_block_record(&r);
    std::strcpy(r.name, name);
    r.handle = H(handle);
    EXPECT_EQ(tk_add_block(d, &r), 1) << tk_get_last_error();
    return r.handle;
  }
};

// Where the records of the sequence get their memory: a load's records come from the drawing's
// pool, others from the allocator, and a drawing holds both once it is edited after loading.
enum class Records { allocated, pooled, mixed };

class EntityListSequenceTest : public EntityListTest,
                               public ::testing::WithParamInterface<Records> {};

INSTANTIATE_TEST_SUITE_P(Records, EntityListSequenceTest,
                         ::testing::Values(Records::allocated, Records::pooled, Records::mixed));

TEST_P(EntityListSequenceTest, RandomSequencesKeepOrderIndexReferencesAndViewports) {
  const TkHandle blocks[2] = {add_block("A", 0x900), add_block("B", 0x901)};
  TkList* paper = &d->paper_entities;
  std::mt19937 rng(6);
  std::vector<uint64_t> order;               // the model of the list
  std::map<uint64_t, int> insert_block;      // INSERT handle -> block index
  std::map<uint64_t, uint16_t> viewport_no;  // VIEWPORT handle -> number
  std::vector<uint64_t> viewports;           // the model of the viewport list
  uint64_t next = 0x1000;
  static TkEntityHeader h;
  static TkEntityData data;

  auto make_random = [&](uint64_t handle) {
    uint16_t kinds[] = {TK_LINE, TK_INSERT, TK_VIEWPORT, TK_TEXT};
    make(kinds[rng() % 4], handle, &h, &data);
    if (h.kind == TK_INSERT) tk_data_put(&data, TK_INSERT_BLOCK, blocks[rng() % 2]);
    if (h.kind == TK_VIEWPORT)
      tk_data_put<uint16_t>(&data, TK_VIEWPORT_NUMBER, uint16_t(rng() % 3));
  };
  auto forget = [&](uint64_t handle) {
    insert_block.erase(handle);
    viewport_no.erase(handle);
    viewports.erase(std::remove(viewports.begin(), viewports.end(), handle), viewports.end());
  };
  auto remember = [&](uint64_t handle) {
    if (h.kind == TK_INSERT) {
      TkHandle block = tk_data_get<TkHandle>(&data, TK_INSERT_BLOCK);
      insert_block[handle] = same(block, blocks[0]) ? 0 : 1;
    }
    if (h.kind == TK_VIEWPORT) {
      uint16_t n = tk_data_get<uint16_t>(&data, TK_VIEWPORT_NUMBER);
      viewport_no[handle] = n;
      if (n == 1)
        viewports.insert(viewports.begin(), handle);
      else
        viewports.push_back(handle);
    }
  };

  for (int step = 0; step < 400; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    d->loading = GetParam() == Records::pooled || (GetParam() == Records::mixed && step % 2);
    int op = order.empty() ? 0 : int(rng() % 3);
    if (op == 0) {
      uint64_t handle = next++;
      make_random(handle);
      ASSERT_EQ(tk_add_entity(d, paper, &h, &data), 1) << tk_get_last_error();
      order.push_back(handle);
      remember(handle);
    } else {
      size_t at = rng() % order.size();
      uint64_t handle = order[at];
      TkHandle th = H(handle);
      if (op == 1) {
        ASSERT_EQ(tk_delete_entity(d, paper, &th, 1), 1);
        order.erase(order.begin() + long(at));
        forget(handle);
        EXPECT_EQ(hidx_lookup(&d->index, &th), nullptr);
      } else {
        make_random(handle);
        ASSERT_EQ(tk_replace_entity(d, paper, &th, &h, &data), 1) << tk_get_last_error();
        forget(handle);
        remember(handle);
        // A replaced VIEWPORT goes back into the viewport list by its number.
      }
    }
    ASSERT_EQ(handles_in(paper), order);
    ASSERT_EQ(list_count(paper), int32_t(order.size()));
    for (uint64_t handle : order) {
      TkHandle th = H(handle);
      auto* link = static_cast<TkLink*>(hidx_lookup(&d->index, &th));
      ASSERT_NE(link, nullptr);
      ASSERT_EQ(link->owner, paper);
    }
    for (int b = 0; b < 2; ++b) {
      std::vector<uint64_t> want;
      for (auto [insert, block] : insert_block)
        if (block == b) want.push_back(insert);
      std::vector<uint64_t> got = references_of(d, blocks[b]);
      std::sort(got.begin(), got.end());
      ASSERT_EQ(got, want) << "references of block " << b;
    }
    // Viewport 1 comes first (the latest of several); the rest keep the order they came in.
    std::vector<uint64_t> got = viewport_order(d);
    ASSERT_EQ(got, viewports);
    bool has_first = false;
    for (auto [handle, number] : viewport_no) has_first = has_first || number == 1;
    if (has_first) {
      ASSERT_EQ(viewport_no[got.front()], 1);
    }
  }
}

TEST_F(EntityListTest, DuplicateHandlesUnknownHandlesAndWalksPastTheEnd) {
  TkList* model = &d->model_entities;
  static TkEntityHeader h, got;
  static TkEntityData data, back;
  make(TK_LINE, 0x500, &h, &data);
  ASSERT_EQ(tk_add_entity(d, model, &h, &data), 1);
  make(TK_CIRCLE, 0x500, &h, &data);
  EXPECT_EQ(tk_add_entity(d, model, &h, &data), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_ADD_DUPLICATE_HANDLE);
  EXPECT_EQ(std::memcmp(tk_state->failing_handle, h.handle.bytes, 8), 0);
  EXPECT_EQ(handles_in(model), std::vector<uint64_t>{0x500});
  // A layer's handle is taken too.
  TkLayerRecord layer;
  tk_layer_list_rewind(d);
  ASSERT_EQ(tk_layer_list_next(d, &layer), 1);
  h.handle = layer.handle;
  EXPECT_EQ(tk_add_entity(d, model, &h, &data), 0);
  EXPECT_EQ(list_count(model), 1);

  got.kind = 77;
  entity_list_rewind(model);
  ASSERT_EQ(entity_list_next(model, &got, &back), 1);
  got.kind = 77;
  EXPECT_EQ(entity_list_next(model, &got, &back), 0);
  EXPECT_EQ(got.kind, 77);
  EXPECT_EQ(entity_list_rewind(nullptr), 0);

  TkHandle unknown = H(0x501);
  EXPECT_EQ(tk_delete_entity(d, model, &unknown, 1), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_ENTITY_NOT_IN_LIST);
  EXPECT_EQ(tk_delete_entity(d, nullptr, &unknown, 1), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_DELETE_FROM_NULL_LIST);
  EXPECT_EQ(tk_replace_entity(d, model, &unknown, &h, &data), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_REPLACE_NOT_FOUND);
  // The entity is in model space, not in paper space.
  TkHandle line = H(0x500);
  EXPECT_EQ(tk_delete_entity(d, &d->paper_entities, &line, 1), 0);
  EXPECT_EQ(tk_replace_entity(d, &d->paper_entities, &line, &h, &data), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_REPLACE_SET_CURRENT);
  ASSERT_EQ(tk_get_entity_by_handle(d, model, &line, &got, &back), 1);
  EXPECT_EQ(got.kind, TK_LINE);
}

TEST_F(EntityListTest, ADuplicateOfAnyKindFailsForItsHandleAndLeavesEverythingAsItWas) {
  const TkHandle block = add_block("DOOR", 0x900);
  TkList* paper = &d->paper_entities;
  static TkEntityHeader h;
  static TkEntityData data;
  make(TK_INSERT, 0x700, &h, &data);
  tk_data_put(&data, TK_INSERT_BLOCK, block);
  ASSERT_EQ(tk_add_entity(d, paper, &h, &data), 1);
  make(TK_VIEWPORT, 0x701, &h, &data);
  ASSERT_EQ(tk_add_entity(d, paper, &h, &data), 1);
  struct Case {
    const char* what;
    uint16_t kind;
    uint64_t handle;
    bool known_block;
  } const cases[] = {
      {"a LINE under an INSERT's handle", TK_LINE, 0x700, false},
      {"an INSERT of the same block under its own handle", TK_INSERT, 0x700, true},
      {"an INSERT of a block that does not exist", TK_INSERT, 0x701, false},
      {"a VIEWPORT under a VIEWPORT's handle", TK_VIEWPORT, 0x701, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool loading : {false, true}) {
      d->loading = loading;
      make(c.kind, c.handle, &h, &data);
      if (c.kind == TK_INSERT) tk_data_put(&data, TK_INSERT_BLOCK, c.known_block ? block : H(0x999));
      EXPECT_EQ(tk_add_entity(d, paper, &h, &data), 0);
      EXPECT_EQ(tk_get_last_error(), TK_ERR_ADD_DUPLICATE_HANDLE);
      EXPECT_EQ(handles_in(paper), (std::vector<uint64_t>{0x700, 0x701}));
      EXPECT_EQ(references_of(d, block), std::vector<uint64_t>{0x700});
      EXPECT_EQ(viewport_order(d), std::vector<uint64_t>{0x701});
    }
  }
  d->loading = 0;
}

TEST_F(EntityListTest, ReplacingFreesOnlyTheBlobsTheNewEntityDropped) {
  TkList* model = &d->model_entities;
  static TkEntityHeader h;
  static TkEntityData data;
  make(TK_SPLINE, 0x600, &h, &data);
  TkBlob* shared = blob_alloc(64);
  tk_data_put(&data, TK_SPLINE_BLOB, shared);
  long before = core_test::counts.live;
  h.xdata = blob_alloc(64);
  const long blob_cost = core_test::counts.live - before;
  ASSERT_EQ(tk_add_entity(d, model, &h, &data), 1);
  long live = core_test::counts.live;

  // Same kind, same spline blob, no extended data any more: only the xdata blob goes.
  TkEntityHeader h2 = h;
  h2.xdata = nullptr;
  TkHandle handle = h.handle;
  ASSERT_EQ(tk_replace_entity(d, model, &handle, &h2, &data), 1);
  EXPECT_EQ(core_test::counts.live, live - blob_cost);
  static TkEntityHeader got;
  static TkEntityData back;
  ASSERT_EQ(tk_get_entity_by_handle(d, model, &handle, &got, &back), 1);
  EXPECT_EQ(tk_data_blob(&back, TK_SPLINE_BLOB), shared);

  // Another kind: the old entity's blobs all go.
  live = core_test::counts.live;
  make(TK_LINE, 0x600, &h, &data);
  ASSERT_EQ(tk_replace_entity(d, model, &handle, &h, &data), 1);
  EXPECT_LT(core_test::counts.live, live);
}

TEST_F(EntityListTest, BlocksGoInFrontOfModelSpaceAndTakeTheirEntitiesWhenDeleted) {
  auto names = [&] {
    std::vector<std::string> out;
    TkBlockRecord r;
    block_list_rewind(d);
    while (block_list_next(d, &r)) out.push_back(r.name);
    return out;
  };
  ASSERT_EQ(names(), (std::vector<std::string>{"*MODEL_SPACE", "*PAPER_SPACE"}));
  TkHandle a = add_block("A", 0x700);
  EXPECT_EQ(names(), (std::vector<std::string>{"A", "*MODEL_SPACE", "*PAPER_SPACE"}));
  add_block("B", 0x701);
  EXPECT_EQ(names(), (std::vector<std::string>{"A", "B", "*MODEL_SPACE", "*PAPER_SPACE"}));
  TkBlockRecord dup;
  tk_init_block_record(&dup);
  dup.handle = a;
  EXPECT_EQ(tk_add_block(d, &dup), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_ADD_DUPLICATE_HANDLE);

  // Block A holds an INSERT of B; deleting A drops that reference from B and A's entities
  // from the index.
  TkList* list = tk_block_entity_list(d, &a);
  ASSERT_NE(list, nullptr);
  static TkEntityHeader h;
  static TkEntityData data;
  make(TK_INSERT, 0x710, &h, &data);
  TkHandle b = H(0x701);
  tk_data_put(&data, TK_INSERT_BLOCK, b);
  h.xdata = blob_alloc(64);
  ASSERT_EQ(tk_add_entity(d, list, &h, &data), 1);
  EXPECT_EQ(tk_block_entity_count(d, &a), 1);
  EXPECT_EQ(references_of(d, b), std::vector<uint64_t>{0x710});
  ASSERT_EQ(tk_delete_block(d, &a), 1);
  EXPECT_EQ(names(), (std::vector<std::string>{"B", "*MODEL_SPACE", "*PAPER_SPACE"}));
  EXPECT_EQ(hidx_lookup(&d->index, &h.handle), nullptr);
  EXPECT_EQ(hidx_lookup(&d->index, &a), nullptr);
  EXPECT_TRUE(references_of(d, b).empty());
  EXPECT_EQ(tk_block_entity_list(d, &a), nullptr);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_NO_ENTITY_LIST);
  EXPECT_EQ(tk_delete_block(d, &a), 0);
  EXPECT_EQ(tk_get_last_error(), TK_ERR_BLOCK_NOT_FOUND);
}

TEST_F(EntityListTest, FailedAllocationsLeaveListIndexAndReferencesAsTheyWere) {
  TkHandle block = add_block("A", 0x800);
  static TkEntityHeader h;
  static TkEntityData data;
  TkList* paper = &d->paper_entities;
  for (long fail = 0; fail < 12; ++fail) {
    SCOPED_TRACE("allocation " + std::to_string(fail));
    uint16_t kind = fail % 2 ? TK_INSERT : TK_VIEWPORT;
    make(kind, uint64_t(0x810 + fail), &h, &data);
    tk_data_put(&data, TK_INSERT_BLOCK, block);
    tk_data_put<uint16_t>(&data, TK_VIEWPORT_NUMBER, 1);
    size_t before = list_count(paper), refs = references_of(d, block).size();
    size_t viewports = viewport_order(d).size();
    fail_allocation(fail / 2);
    int16_t ok = tk_add_entity(d, paper, &h, &data);
    fail_allocation(-1);
    if (ok) continue;
    EXPECT_EQ(size_t(list_count(paper)), before);
    EXPECT_EQ(hidx_lookup(&d->index, &h.handle), nullptr);
    EXPECT_EQ(references_of(d, block).size(), refs);
    EXPECT_EQ(viewport_order(d).size(), viewports);
  }
}

}  // namespace

namespace {

TEST_F(EntityListTest, ExternalReferenceInsertsAreCollectedInTheBlocksRecord) {
  TkBlockRecord xref;
  tk_init_block_record(&xref);
  std::strcpy(xref.name, "XREF");
  xref.handle = H(0xA00);
  xref.flags = TK_BLOCK_XREF;
  xref.blkrefs_dictionary = H(0xA01);
  ASSERT_EQ(tk_add_block(d, &xref), 1);
  TkHandle dictionary = H(0xA01), record = H(0xA02);
  ASSERT_EQ(tk_add_block_refs_dictionary(d, &dictionary, &record), 1);
  for (uint64_t insert : {0xA10, 0xA11}) {
    TkHandle h = H(insert);
    ASSERT_EQ(tk_note_xref_insert(d, &h, &xref.handle), 1) << tk_get_last_error();
  }
  TkObjectHeader oh;
  TkObjectData od;
  ASSERT_EQ(tk_object_get(d, &record, &oh, &od), 1);
  EXPECT_EQ(od.xrecord.item_count, 2u);
  EXPECT_EQ(blob_stored_size(od.xrecord.items), 16);
  EXPECT_EQ(oh.reactor_count, 1u);

  // A block that is no external reference keeps nothing.
  TkHandle plain = add_block("PLAIN", 0xA20), insert = H(0xA21);
  EXPECT_EQ(tk_note_xref_insert(d, &insert, &plain), 1);

  // A handle taken already: nothing of the dictionary stays.
  const int32_t objects = tk_object_count(d);
  TkHandle taken = H(0xA20), other = H(0xA30);
  EXPECT_EQ(tk_add_block_refs_dictionary(d, &other, &taken), 0);
  EXPECT_EQ(tk_object_count(d), objects);
  EXPECT_EQ(hidx_lookup(&d->index, &other), nullptr);
}

TEST_F(EntityListTest, ABlockThatInsertsItselfIsAddedAndDeletedWithoutRecursion) {
  TkHandle self = add_block("SELF", 0xB00);
  TkList* list = tk_block_entity_list(d, &self);
  ASSERT_NE(list, nullptr);
  static TkEntityHeader h;
  static TkEntityData data;
  for (uint64_t handle : {0xB01, 0xB02}) {
    make(TK_INSERT, handle, &h, &data);
    tk_data_put(&data, TK_INSERT_BLOCK, self);
    ASSERT_EQ(tk_add_entity(d, list, &h, &data), 1);
  }
  EXPECT_EQ(references_of(d, self), (std::vector<uint64_t>{0xB01, 0xB02}));
  ASSERT_EQ(tk_delete_block(d, &self), 1);
  for (uint64_t handle : {0xB01, 0xB02}) {
    TkHandle th = H(handle);
    EXPECT_EQ(hidx_lookup(&d->index, &th), nullptr);
  }
}

}  // namespace

namespace {

TEST_F(EntityListTest, AFailedReplaceLeavesTheOldEntityInItsPlace) {
  TkHandle block = add_block("A", 0xC00);
  TkList* paper = &d->paper_entities;
  static TkEntityHeader h;
  static TkEntityData data;
  for (uint64_t handle : {0xC01, 0xC02, 0xC03}) {
    make(TK_VIEWPORT, handle, &h, &data);
    tk_data_put<uint16_t>(&data, TK_VIEWPORT_NUMBER, uint16_t(handle - 0xC00));
    ASSERT_EQ(tk_add_entity(d, paper, &h, &data), 1);
  }
  const std::vector<uint64_t> order = {0xC01, 0xC02, 0xC03};
  TkHandle middle = H(0xC02);
  for (long fail = 0; fail < 10; ++fail) {
    SCOPED_TRACE("allocation " + std::to_string(fail));
    make(TK_INSERT, 0xC02, &h, &data);
    tk_data_put(&data, TK_INSERT_BLOCK, block);
    fail_allocation(fail);
    int16_t ok = tk_replace_entity(d, paper, &middle, &h, &data);
    fail_allocation(-1);
    if (ok) break;
    EXPECT_EQ(handles_in(paper), order);
    static TkEntityHeader got;
    static TkEntityData back;
    ASSERT_EQ(tk_get_entity_by_handle(d, paper, &middle, &got, &back), 1);
    EXPECT_EQ(got.kind, TK_VIEWPORT);
    EXPECT_EQ(viewport_order(d), (std::vector<uint64_t>{0xC01, 0xC02, 0xC03}));
    EXPECT_TRUE(references_of(d, block).empty());
  }
  // Once it went through: the INSERT stands in the middle, its viewport entry is gone.
  EXPECT_EQ(handles_in(paper), order);
  EXPECT_EQ(viewport_order(d), (std::vector<uint64_t>{0xC01, 0xC03}));
  EXPECT_EQ(references_of(d, block), std::vector<uint64_t>{0xC02});
}

}  // namespace
