// Leaders through the recording callback block: the arrowhead of each built-in kind at the first
// vertex and where the line then starts, no arrowhead on a first segment shorter than two arrow
// sizes, the hook line, a spline path, and the user's arrow block inserted at the tip.
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "display_support.h"
#include "toolkit/core/dim_lookup.h"

namespace {

using namespace display_test;

using Stroke = std::vector<std::pair<int32_t, int32_t>>;

class LeaderTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    d->header->fillmode = 1;
    // Arrows of size 5 (half size 2.5) under the first dimension style.
    tk_dimstyle_rewind(d);
    ASSERT_EQ(tk_dimstyle_next(d, &style), 1);
    style.dimasz = 5;
    style.dimscale = 1;
    ASSERT_EQ(tk_dimstyle_put(d, &style), 1);
  }
  void fresh() {
    TearDown();
    SetUp();
  }
  void add_leader(const std::vector<std::array<double, 3>>& pts, uint8_t arrow = 1,
                  uint8_t spline = 0, uint8_t hook = 0) {
    start(TK_LEADER);
    put<uint16_t>(0, uint16_t(pts.size()));
    put<uint8_t>(2, spline);
    put<uint8_t>(3, arrow);
    put<uint8_t>(4, 0);
    put<uint8_t>(5, hook);
    put3(56, 1, 0, 0);
    put<TkHandle>(TK_LEADER_DIMSTYLE, style.handle);
    TkBlob* b = blob_alloc(TK_BLOB_CHUNK_SIZE);
    TkBlob* w = blob_create(b);
    for (const auto& p : pts) blob_write(w, p.data(), sizeof(double) * 3);
    blob_close_write(w);
    put<TkBlob*>(TK_LEADER_BLOB, b);
    add();
  }
  // A block of the name holding one line, as an arrow block.
  TkHandle add_arrow_block(const char* name) {
    TkBlockRecord b;
    tk_init_block_record(&b);
    std::strcpy(b.name, name);
    EXPECT_EQ(tk_next_handle(d, nullptr, 0, &b.handle), 1);
    EXPECT_EQ(tk_add_block(d, &b), 1);
    add_line(0, 0, -1, 0, tk_block_entity_list(d, &b.handle));
    return b.handle;
  }
  void use_arrow(const TkHandle& block) {
    style.dimblk = block;
    ASSERT_EQ(tk_dimstyle_put(d, &style), 1);
  }
  TkDimStyleRecord style{};
};

// Each built-in arrow at the tip (10, 50) of a leader to (80, 50): its strokes, whether it is
// filled, and where the leader's own line starts.
TEST_F(LeaderTest, BuiltInArrowsAndWhereTheLineStarts) {
  const struct {
    const char* name;  // of the arrow block; "" the default
    size_t strokes;    // the arrow's and the line's, joined where the pen need not move; 0 any
    bool filled;
    int32_t line_start;  // device x of the leader line's start
  } cases[] = {
      {"", 2, true, 150},         {"_CLOSED", 2, false, 150}, {"_OPEN", 2, false, 100},
      {"_OPEN90", 2, false, 100}, {"_OBLIQUE", 1, false, 100}, {"_DOT", 0, true, 125},
      {"_ORIGIN", 2, false, 125}, {"_NONE", 1, false, 100},
  };
  for (const auto& c : cases) {
    fresh();
    if (c.name[0]) use_arrow(add_arrow_block(c.name));
    add_leader({{{10, 50, 0}}, {{80, 50, 0}}});
    ASSERT_EQ(regen(), 1);
    auto s = strokes();
    if (c.strokes) {
      ASSERT_EQ(s.size(), c.strokes) << c.name;
    }
    ASSERT_FALSE(s.empty()) << c.name;
    const Stroke& line = s.back();
    ASSERT_GE(line.size(), 2u);
    EXPECT_EQ(line[line.size() - 2], std::make_pair(c.line_start, 500)) << c.name;
    EXPECT_EQ(line.back(), std::make_pair(800, 500)) << c.name;
    EXPECT_EQ(!of(2).empty(), c.filled) << c.name;
  }
}

// A first segment shorter than two arrow sizes gets no arrowhead; a hook line bends one arrow
// size before the last vertex, along the horizontal direction.
TEST_F(LeaderTest, ShortFirstSegmentAndHookLine) {
  add_leader({{{10, 50, 0}}, {{18, 50, 0}}});
  ASSERT_EQ(regen(), 1);
  ASSERT_EQ(strokes().size(), 1u);
  EXPECT_EQ(strokes()[0].front().first, 100);

  fresh();
  add_leader({{{10, 10, 0}}, {{50, 50, 0}}, {{80, 50, 0}}}, 0, 0, 1);
  // (The hook direction byte, clear: the bend lies back along the horizontal direction.)
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_EQ(s.size(), 1u);
  // (10,10) to (50,50), then to the hook point (75, 50) one arrow size before (80, 50), then on.
  const Stroke want = {{100, 100}, {500, 500}, {750, 500}, {800, 500}};
  EXPECT_EQ(s[0], want);
}

// The user's arrow block is inserted at the tip, turned to point back along the first segment
// and scaled by the arrow size; the line starts half an arrow size in.
TEST_F(LeaderTest, UserArrowBlockAtTheTip) {
  use_arrow(add_arrow_block("MYARROW"));
  add_leader({{{10, 50, 0}}, {{80, 50, 0}}});
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_EQ(s.size(), 2u);
  // The block's line from (0, 0) to (-1, 0) turned by 180 degrees and scaled by 5.
  EXPECT_EQ(s[0], (Stroke{{100, 500}, {150, 500}}));
  EXPECT_EQ(s[1].front().first, 125);
}

// A spline leader of four vertices is drawn as a curve through them; of three, straight.
TEST_F(LeaderTest, SplinePathThroughTheVertices) {
  add_leader({{{10, 10, 0}}, {{30, 40, 0}}, {{60, 40, 0}}, {{80, 10, 0}}}, 0, 1);
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_EQ(s.size(), 1u);
  EXPECT_GT(s[0].size(), 8u);
  EXPECT_EQ(s[0].front(), std::make_pair(100, 100));
  EXPECT_EQ(s[0].back(), std::make_pair(800, 100));

  fresh();
  add_leader({{{10, 10, 0}}, {{30, 40, 0}}, {{60, 40, 0}}}, 0, 1);
  ASSERT_EQ(regen(), 1);
  ASSERT_EQ(strokes().size(), 1u);
  EXPECT_EQ(strokes()[0].size(), 3u);
}

}  // namespace
