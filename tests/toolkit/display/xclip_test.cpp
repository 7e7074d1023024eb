// Clipped block insertions: a SPATIAL_FILTER reached through the insertion's extension
// dictionary cuts what the block draws to its boundary (two corners or a polygon), unless its
// clipping is off or its plane is seen edge-on; the frame is drawn when XCLIPFRAME is on; the
// boundary is popped after the insertion; damaged records clip nothing and crash nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "display_support.h"
#include "toolkit/core/blob.h"
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

// Fills inside a clipped insertion are cut to the boundary like its lines: a filled SOLID and a
// wide polyline reaching past a polygon filter leave nothing outside it.
TEST_F(XclipTest, FillsAreCutToTheFilter) {
  const double up[3] = {0, 0, 1};
  d->header->fillmode = 1;
  TkHandle b = add_block("CLIPPED");
  TkList* block = tk_block_entity_list(d, &b);
  start(TK_SOLID);
  put3(0, -5, 0);
  put3(24, 15, 0);
  put3(48, -5, 4);
  put3(72, 15, 4);
  add(block);
  ASSERT_NE(tk_class_lwpolyline(d), 0);
  TkBlob* blob = blob_alloc(4096);
  TkBlob* w = blob_create(blob);
  const double pts[2][2] = {{-5, 8}, {15, 8}};
  for (auto& p : pts) blob_write(w, p, sizeof p);
  blob_close_write(w);
  start(tk_class_lwpolyline(d));
  put<uint16_t>(TK_LWPOLYLINE_FLAGS, TK_LWPL_CONSTANT_WIDTH);
  put<uint32_t>(TK_LWPOLYLINE_COUNT, 2);
  put<double>(TK_LWPOLYLINE_WIDTH, 2.0);
  put(TK_LWPOLYLINE_VERTICES, blob);
  add(block);
  // A triangle boundary (2, -1), (8, -1), (8, 11) in block units: concave cuts are its business.
  add_clipped_insert(b, 20, 20,
                     display_test::add_filter(d, filter_record({2, -1, 8, -1, 8, 11}, 3, 1, up)));
  start(TK_SOLID);  // outside the insertion: not cut
  put3(0, 60, 60);
  put3(24, 70, 60);
  put3(48, 60, 70);
  put3(72, 70, 70);
  add();
  ASSERT_EQ(regen(), 1);
  auto fills = of(2);
  ASSERT_GE(fills.size(), 3u);
  int32_t lo_x = 1 << 30, hi_x = -(1 << 30);
  for (size_t k = 0; k + 1 < fills.size(); ++k) {
    for (size_t i = 0; i + 1 < fills[k].pts.size(); i += 2) {
      int32_t x = fills[k].pts[i], y = fills[k].pts[i + 1];
      lo_x = std::min(lo_x, x);
      hi_x = std::max(hi_x, x);
      // Left of the boundary's slanted side (220, 190)-(280, 310) nothing may lie.
      EXPECT_GE((x - 220) * 120 - (y - 190) * 60, -2 * 134) << x << "," << y;
    }
  }
  EXPECT_GE(lo_x, 219);
  EXPECT_LE(hi_x, 281);
  EXPECT_EQ(fills.back().pts, (std::vector<int32_t>{600, 600, 700, 600, 700, 700, 600, 700}));
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
