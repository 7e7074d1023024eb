// Dimension arrowhead blocks: which names build which geometry, a block of the name already in
// the drawing, a build that fails part way, and the queue of arrow names a DXF load leaves.
#include <cstring>
#include <string>
#include <vector>

#include "display_support.h"
#include "toolkit/core/load_complete.h"
#include "toolkit/display/regen_kinds.h"

namespace {

using namespace display_test;
using entity_test::same;

class ArrowBlockTest : public DisplayTest {
 protected:
  // The kinds of the block's entities between its BLOCK and ENDBLK.
  std::vector<uint16_t> kinds_of(const TkHandle& block) {
    std::vector<uint16_t> out;
    TkList* list = tk_block_entity_list(d, &block);
    if (!list || !entity_list_rewind(list)) return out;
    TkEntityHeader eh;
    while (entity_list_next(list, &eh, &data)) out.push_back(eh.kind);
    return out;
  }
  int32_t blocks_named(const char* name) {
    int32_t n = 0;
    for (const TkLink* l = list_first(&d->blocks); l; l = l->next)
      n += std::strcmp(static_cast<const TkBlockRecord*>(tk_link_data(l))->name, name) == 0;
    return n;
  }
};

TEST_F(ArrowBlockTest, NamesAndTheirGeometry) {
  const struct {
    const char* name;
    int16_t result;
    std::vector<uint16_t> kinds;
  } cases[] = {
      {"_OPEN30", 1, {TK_BLOCK, TK_LINE, TK_LINE, TK_LINE, TK_ENDBLK}},
      {"OPEN30", 1, {TK_BLOCK, TK_LINE, TK_LINE, TK_LINE, TK_ENDBLK}},
      {"open30", 0, {}},
      {"", 0, {}},
      {"_NONE", 1, {TK_BLOCK, TK_ENDBLK}},
      {"_DOT", 1, {TK_BLOCK, TK_POLYLINE, TK_VERTEX, TK_VERTEX, TK_SEQEND, TK_LINE, TK_ENDBLK}},
      {"BOXFILLED", 1, {TK_BLOCK, TK_SOLID, TK_LINE, TK_ENDBLK}},
      {"_INTEGRAL", 1, {TK_BLOCK, TK_ARC, TK_ARC, TK_ENDBLK}},
      {"_ORIGIN", 1, {TK_BLOCK, TK_CIRCLE, TK_LINE, TK_ENDBLK}},
      {"_MYARROW", 0, {}},
  };
  for (const auto& c : cases) {
    TkHandle handle = H(0x1234);
    EXPECT_EQ(arrow_block_create(d, c.name, &handle), c.result) << c.name;
    if (!c.result) {
      EXPECT_TRUE(tk_handle_is_null(&handle)) << c.name;
      if (c.name[0]) {
        EXPECT_EQ(blocks_named(c.name), 0) << c.name;
      }
      continue;
    }
    TkBlockRecord record;
    ASSERT_EQ(tk_block_get(d, &handle, &record), 1) << c.name;
    EXPECT_STREQ(record.name, c.name);
    EXPECT_EQ(kinds_of(handle), c.kinds) << c.name;
  }
}

// The arrowhead drawn at unit size: the open 30-degree arrow's three lines meet at the tip.
TEST_F(ArrowBlockTest, BlockDrawsItsArrowhead) {
  TkHandle block{};
  ASSERT_EQ(arrow_block_create(d, "_OPEN30", &block), 1);
  start(TK_INSERT);
  put<TkHandle>(TK_INSERT_BLOCK, block);
  put3(8, 50, 50);
  put(32, 20.0);
  put(40, 20.0);
  put(48, 20.0);
  add();
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_FALSE(s.empty());
  int32_t min_x = 1000, max_x = 0;
  for (auto& st : s)
    for (auto& p : st) {
      min_x = std::min(min_x, p.first);
      max_x = std::max(max_x, p.first);
    }
  EXPECT_EQ(max_x, 500);  // the tip at the insertion point
  EXPECT_EQ(min_x, 300);  // one arrow size back
}

// A block of that name in the drawing is the arrowhead; no second one is added.
TEST_F(ArrowBlockTest, BlockOfTheNameIsUsed) {
  TkBlockRecord b;
  tk_init_block_record(&b);
  std::strcpy(b.name, "_CLOSED");
  ASSERT_EQ(tk_next_handle(d, nullptr, 0, &b.handle), 1);
  ASSERT_EQ(tk_add_block(d, &b), 1);
  TkHandle handle{};
  ASSERT_EQ(arrow_block_create(d, "_CLOSED", &handle), 1);
  EXPECT_TRUE(same(handle, b.handle));
  EXPECT_EQ(blocks_named("_CLOSED"), 1);
}

// Memory running out at any step of the build leaves no block of the name behind.
TEST_F(ArrowBlockTest, FailedBuildLeavesNothing) {
  for (long k = 0; k < 200; ++k) {
    core_test::counts.fail_at = core_test::counts.calls + k;
    TkHandle handle{};
    int16_t ok = arrow_block_create(d, "_BOXBLANK", &handle);
    core_test::counts.fail_at = -1;
    if (ok) {
      EXPECT_EQ(blocks_named("_BOXBLANK"), 1);
      EXPECT_EQ(kinds_of(handle).size(), 7u);
      return;
    }
    EXPECT_EQ(blocks_named("_BOXBLANK"), 0) << k;
  }
  FAIL() << "the build never succeeded";
}

// A queued name for DIMBLK1 of a style updates that style's DIMBLK1 only; a queued name of a
// block the drawing holds by then takes that block.
TEST_F(ArrowBlockTest, QueuedNamesResolved) {
  TkDimStyleRecord style;
  tk_dimstyle_rewind(d);
  ASSERT_EQ(tk_dimstyle_next(d, &style), 1);
  const TkHandle before = style.dimblk;
  TkBlockRecord user;
  tk_init_block_record(&user);
  std::strcpy(user.name, "MYARROW");
  ASSERT_EQ(tk_next_handle(d, nullptr, 0, &user.handle), 1);
  ASSERT_EQ(tk_add_block(d, &user), 1);
  ASSERT_EQ(name_ref_queue(d, &style.handle, "_DOT", 6), 1);
  ASSERT_EQ(name_ref_queue(d, &style.handle, "MYARROW", 7), 1);
  ASSERT_EQ(name_ref_queue(d, &style.handle, "NOSUCH", 5), 1);
  arrow_blocks_resolve(d);
  EXPECT_EQ(d->arrow_names, nullptr);
  ASSERT_EQ(tk_dimstyle_get(d, &style.handle, &style), 1);
  EXPECT_TRUE(same(style.dimblk, before));
  TkBlockRecord dot;
  ASSERT_EQ(tk_block_get(d, &style.dimblk1, &dot), 1);
  EXPECT_STREQ(dot.name, "_DOT");
  EXPECT_TRUE(same(style.dimblk2, user.handle));
}

}  // namespace
