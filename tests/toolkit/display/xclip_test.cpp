// Clipped block insertions: a SPATIAL_FILTER reached through the insertion's extension
// dictionary cuts what the block draws to its boundary (two corners or a polygon), unless its
// clipping is off or its plane is seen edge-on; the frame is drawn when XCLIPFRAME is on; the
// boundary is popped after the insertion; damaged records clip nothing and crash nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display_support.h"
#include "toolkit/display/xclip.h"

namespace {

using display_test::DisplayTest;
using display_test::filter_record;
using display_test::of;
using display_test::strokes;

class XclipTest : public DisplayTest {
 protected:
  TkHandle add_block(const char* name) {
    TkBlockRecord b;
    tk_init_block_record(&b);
    std::strcpy(b.name, name);
    EXPECT_EQ(tk_next_handle(d, nullptr, 0, &b.handle), 1);
    EXPECT_EQ(tk_add_block(d, &b), 1);
    return b.handle;
  }
  void add_clipped_insert(const TkHandle& block, double x, double y, const TkHandle& xdict) {
    start(TK_INSERT);
    put3(8, x, y);
    put(TK_INSERT_BLOCK, block);
    h.xdictionary = xdict;
    add();
  }
};

TEST_F(XclipTest, InsertionIsCutToItsFilter) {
  const double up[3] = {0, 0, 1}, side[3] = {1, 0, 0};
  struct Case {
    const char* name;
    std::vector<double> xy;
    int16_t count;
    int16_t clipping;
    const double* normal;
    int xclipframe;
    std::pair<int32_t, int32_t> span;  // device x of the block's horizontal line
    size_t frame_lines;
  } cases[] = {
      {"two corners", {0, 0, 10, 10}, 2, 1, up, 0, {200, 300}, 0},
      {"polygon", {2, 0, 8, 0, 8, 10, 2, 10}, 4, 1, up, 0, {220, 280}, 0},
      {"clipping off", {0, 0, 10, 10}, 2, 0, up, 0, {150, 350}, 0},
      {"plane seen edge-on", {0, 0, 10, 10}, 2, 1, side, 0, {150, 350}, 0},
      {"framed", {0, 0, 10, 10}, 2, 1, up, 1, {200, 300}, 4},
      {"more points counted than stored", {0, 0, 10, 10}, 40, 1, up, 0, {150, 350}, 0},
      {"one point", {0, 0}, 1, 1, up, 0, {150, 350}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tk_close_drawing(d);
    d = tk_new_drawing(nullptr, nullptr, 0, 0);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(tk_display_open(d, nullptr, 1000, 1000, nullptr), 1);
    set_view(50, 50, 100);
    d->display->xclipframe = uint8_t(c.xclipframe);
    TkHandle b = add_block("CLIPPED");
    add_line(-5, 5, 15, 5, tk_block_entity_list(d, &b));
    add_clipped_insert(b, 20, 20, display_test::add_filter(d, filter_record(c.xy, c.count, c.clipping, c.normal)));
    add_line(0, 90, 100, 90);  // after the insertion: the boundary is gone
    ASSERT_EQ(regen(), 1);
    auto s = strokes();
    ASSERT_EQ(s.size(), c.frame_lines ? 3u : 2u);
    const auto& line = s[c.frame_lines ? 1 : 0];
    EXPECT_EQ(line.front().first, c.span.first);
    EXPECT_EQ(line.back().first, c.span.second);
    if (c.frame_lines) {
      EXPECT_EQ(s[0].size(), c.frame_lines + 1) << "a closed frame";
    }
    EXPECT_EQ(s.back().front(), std::make_pair(0, 900));
    EXPECT_EQ(s.back().back(), std::make_pair(1000, 900));
    EXPECT_EQ(d->display->filters, nullptr);
  }
}

TEST(XclipBoundary, DamagedRecordsGiveNoBoundary) {
  const double up[3] = {0, 0, 1};
  std::vector<uint8_t> good = filter_record({0, 0, 4, 0, 2, 3}, 3, 1, up);
  EXPECT_EQ(vport_build_boundary(good.data(), good.size()).size(), 9u);
  std::vector<uint8_t> rect = filter_record({1, 2, 3, 4}, 2, 1, up);
  std::vector<double> corners = vport_build_boundary(rect.data(), rect.size());
  ASSERT_EQ(corners.size(), 12u);
  EXPECT_EQ(corners[3], 3.0);  // (x2, y1)
  EXPECT_EQ(corners[4], 2.0);
  for (size_t cut : {size_t(0), size_t(10), good.size() - 1, good.size() - 16}) {
    EXPECT_TRUE(vport_build_boundary(good.data(), cut).empty()) << cut;
  }
  EXPECT_TRUE(vport_build_boundary(nullptr, 0).empty());
}

}  // namespace
