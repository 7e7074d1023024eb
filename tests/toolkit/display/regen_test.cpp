// Regeneration through the recording callback block: what a drawing's entities send to the
// display, segment clipping, chord counts, linetype dashes, fills, polylines and block
// expansion (self-inserting blocks included).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "display_support.h"

namespace {

using display_test::calls;
using display_test::DisplayTest;
using display_test::of;
using display_test::strokes;

constexpr double kPi = 3.14159265358979323846;

TEST_F(DisplayTest, LineReachesTheDeviceAsMoveAndLine) {
  add_line(10, 20, 50, 20);
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_EQ(s.size(), 1u);
  ASSERT_EQ(s[0].size(), 2u);
  EXPECT_EQ(s[0][0], std::make_pair(100, 200));
  EXPECT_EQ(s[0][1], std::make_pair(500, 200));
  EXPECT_TRUE(d->display->extents_drawn);
}

TEST_F(DisplayTest, ProgressStartsAtZeroAndEndsAtHundred) {
  tk_set_progress_callback(display_test::on_progress);
  for (int i = 0; i < 40; ++i) add_line(1, i, 2, i);
  ASSERT_EQ(regen(), 1);
  auto p = of(5);
  ASSERT_GE(p.size(), 2u);
  EXPECT_EQ(p.front().a, 0);
  EXPECT_EQ(p.back().a, 100);
  for (size_t i = 1; i + 1 < p.size(); ++i) {
    EXPECT_EQ(p[i].a % 5, 0);
    EXPECT_GT(p[i].a, p[i - 1].a);
  }
}

TEST_F(DisplayTest, NothingVisibleLeavesExtentsUnset) {
  ASSERT_EQ(regen(), 1);
  EXPECT_TRUE(calls.empty());
  EXPECT_FALSE(d->display->extents_drawn);
  EXPECT_EQ(d->display->drawn[0], 1e300);
}

// Construction lines widen no extents beside other entities, but a drawing of nothing else is
// shown around their base points; each is drawn across the whole view.
TEST_F(DisplayTest, ConstructionLinesAloneGiveTheExtents) {
  for (uint16_t kind : {uint16_t(TK_XLINE), uint16_t(TK_RAY)}) {
    TearDown();
    SetUp();
    start(kind);
    put3(0, 40, 30);
    put3(24, 1, 0);
    add();
    ASSERT_EQ(regen(), 1);
    EXPECT_TRUE(d->display->extents_drawn) << kind;
    // A unit's square about the base point, so the view has a width and a height.
    EXPECT_NEAR(d->display->drawn[0], 390, 1) << kind;
    EXPECT_NEAR(d->display->drawn[1], 290, 1) << kind;
    EXPECT_NEAR(d->display->drawn[2], 410, 1) << kind;
    EXPECT_NEAR(d->display->drawn[3], 310, 1) << kind;
    auto s = strokes();
    ASSERT_EQ(s.size(), 1u) << kind;
    EXPECT_EQ(s[0].back().first, 1000) << kind;
    EXPECT_EQ(s[0].front().first, kind == TK_XLINE ? 0 : 400) << kind;

    add_line(10, 20, 50, 20);
    d->display->extents_drawn = 0;
    ASSERT_EQ(regen(), 1);
    EXPECT_NEAR(d->display->drawn[0], 100, 1) << kind;
    EXPECT_NEAR(d->display->drawn[2], 500, 1) << kind;
  }
}

TEST_F(DisplayTest, FailsWithoutDisplayState) {
  tk_display_close(d);
  EXPECT_EQ(regen_drawing(d), 0);
  ASSERT_EQ(tk_display_open(d, nullptr, 1000, 1000, nullptr), 1);
}

TEST_F(DisplayTest, SegmentsOutsideTheViewportSendNothing) {
  add_line(-50, 10, -10, 90);   // left of the view
  add_line(10, 120, 90, 150);   // above it
  ASSERT_EQ(regen(), 1);
  EXPECT_TRUE(strokes().empty());
}

TEST_F(DisplayTest, JoinedChordsShareOneMove) {
  add_circle(50, 50, 20);
  ASSERT_EQ(regen(), 1);
  EXPECT_EQ(of(0).size(), 1u);
  EXPECT_EQ(of(1).size(), 40u);
}

struct ArcCase {
  double start, end, radius;
  int32_t chords;
};

class ArcChords : public DisplayTest, public ::testing::WithParamInterface<ArcCase> {};

TEST_P(ArcChords, CountFollowsTheResolution) {
  const ArcCase& c = GetParam();
  start(TK_ARC);
  put3(0, 50, 50);
  put(24, c.radius);
  put(32, c.start);
  put(40, c.end);
  add();
  ASSERT_EQ(regen(), 1);
  EXPECT_EQ(int32_t(of(1).size()), c.chords);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ArcChords,
    ::testing::Values(ArcCase{0, kPi / 2, 10, 10},          // quarter: 10 chords
                      ArcCase{0, 2 * kPi - 1e-9, 40, 40},  // whole turn, any radius: 40
                      ArcCase{0, 0.05, 30, 2},              // tiny sweep: never below 2
                      ArcCase{3 * kPi / 2, kPi / 2, 10, 20}  // across angle 0: counter-clockwise
                      ));

TEST(ArcSegments, AdaptiveCountFromTheRadius) {
  tk_regen.arc_resolution_scale = 1.0;
  EXPECT_EQ(regen_arc_segments(2 * kPi, 0.0, 0), 4);   // radius 0: 4 chords
  EXPECT_EQ(regen_circle_segments(1e9), 64);           // capped at 64
  EXPECT_EQ(regen_circle_segments(1.0) % 4, 0);
  EXPECT_EQ(regen_arc_segments(2 * kPi, 5.0, 10), 40);
}

struct ClipCase {
  double p1[2], p2[2];
  int16_t kept;
  double q1[2], q2[2];
};

TEST(CohenSutherland, Table) {
  const double rect[4] = {0, 0, 10, 10};
  const ClipCase cases[] = {
      {{1, 1}, {9, 9}, 1, {1, 1}, {9, 9}},        // inside
      {{-5, 1}, {-1, 9}, 0, {}, {}},               // both left
      {{1, 11}, {9, 12}, 0, {}, {}},               // both above
      {{-5, 5}, {15, 5}, 1, {0, 5}, {10, 5}},      // across, cut at both sides
      {{5, -5}, {5, 15}, 1, {5, 0}, {5, 10}},      // across vertically
      {{-5, 5}, {5, 15}, 1, {-0.0, 10}, {-0.0, 10}},  // touches the corner only
      {{5, 5}, {15, 15}, 1, {5, 5}, {10, 10}},     // leaves through the corner
      {{-3, 8}, {4, 15}, 0, {}, {}},               // passes the corner outside
  };
  for (const ClipCase& c : cases) {
    double a[2] = {c.p1[0], c.p1[1]}, b[2] = {c.p2[0], c.p2[1]};
    int16_t kept = clip_segment_to_rect(a, b, rect);
    EXPECT_EQ(kept, c.kept) << c.p1[0] << "," << c.p1[1] << " " << c.p2[0] << "," << c.p2[1];
    if (kept && c.kept) {
      EXPECT_NEAR(a[0], c.q1[0], 1e-9);
      EXPECT_NEAR(a[1], c.q1[1], 1e-9);
      EXPECT_NEAR(b[0], c.q2[0], 1e-9);
      EXPECT_NEAR(b[1], c.q2[1], 1e-9);
    }
  }
}

TEST_F(DisplayTest, ConcaveClipBoundaryKeepsInsidePiecesOnly) {
  // A U-shaped boundary: the horizontal line crosses both arms and the gap between them.
  const double u[8][3] = {{10, 10, 0}, {90, 10, 0}, {90, 90, 0}, {70, 90, 0},
                          {70, 30, 0}, {30, 30, 0}, {30, 90, 0}, {10, 90, 0}};
  ASSERT_EQ(tk_clip_push_polygon(d->display, &u[0][0], 8, nullptr), 1);
  add_line(0, 50, 100, 50);
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].front(), std::make_pair(100, 500));
  EXPECT_EQ(s[0].back(), std::make_pair(300, 500));
  EXPECT_EQ(s[1].front(), std::make_pair(700, 500));
  EXPECT_EQ(s[1].back(), std::make_pair(900, 500));
  tk_clip_pop_polygon(d->display);
  ASSERT_EQ(regen(), 1);
  EXPECT_EQ(strokes().size(), 1u);
}

TEST_F(DisplayTest, StackedClipBoundariesKeepTheirIntersection) {
  const double left[4][3] = {{10, 10, 0}, {60, 10, 0}, {60, 90, 0}, {10, 90, 0}};
  const double right[4][3] = {{40, 10, 0}, {90, 10, 0}, {90, 90, 0}, {40, 90, 0}};
  add_line(0, 50, 100, 50);
  auto span = [&]() {
    EXPECT_EQ(regen(), 1);
    auto s = strokes();
    return s.size() == 1 ? std::make_pair(s[0].front().first, s[0].back().first)
                         : std::make_pair(-1, -1);
  };
  ASSERT_EQ(tk_clip_push_polygon(d->display, &left[0][0], 4, nullptr), 1);
  EXPECT_EQ(span(), std::make_pair(100, 600));
  ASSERT_EQ(tk_clip_push_polygon(d->display, &right[0][0], 4, nullptr), 1);
  EXPECT_EQ(span(), std::make_pair(400, 600)) << "inside both";
  tk_clip_pop_polygon(d->display);
  EXPECT_EQ(span(), std::make_pair(100, 600)) << "popping restores the boundary beneath";
  tk_clip_pop_polygon(d->display);
  EXPECT_EQ(span(), std::make_pair(0, 1000));
}

TEST(SegmentIntersect, CollinearOverlapGivesTwoPoints) {
  const double a[2] = {0, 0}, b[2] = {10, 0}, c[2] = {5, 0}, d[2] = {15, 0};
  double out[4];
  EXPECT_EQ(clip_segment_intersect(a, b, c, d, out), 2);
  const double e[2] = {5, -5}, f[2] = {5, 5};
  EXPECT_EQ(clip_segment_intersect(a, b, e, f, out), 1);
  EXPECT_DOUBLE_EQ(out[0], 5);
  const double g[2] = {20, -5}, k[2] = {20, 5};
  EXPECT_EQ(clip_segment_intersect(a, b, g, k, out), 0);
}

TEST_F(DisplayTest, DashedLineIsCentredOnItsLength) {
  // Pattern: dash 2, gap 1 (length 3). A line of 10 holds 3 patterns and 1 over: the first dash
  // is (2 + 1) / 2 = 1.5 long and the line ends with a solid stretch of the same length.
  TkHandle dashed = add_linetype("DASHED", {2.0, -1.0});
  start(TK_LINE);
  put3(0, 10, 50);
  put3(24, 20, 50);
  h.linetype = dashed;
  add();
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  // Dashes: [10, 11.5], [12.5, 14.5], [15.5, 17.5], [18.5, 20] in drawing units.
  ASSERT_EQ(s.size(), 4u);
  const int expect[4][2] = {{100, 115}, {125, 145}, {155, 175}, {185, 200}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(s[i].front().first, expect[i][0]) << i;
    EXPECT_EQ(s[i].back().first, expect[i][1]) << i;
  }
}

TEST_F(DisplayTest, PatternFinerThanThresholdIsDrawnSolid) {
  // Mean element 0.1 drawing units = 1 device unit, under the threshold of 2.
  TkHandle fine = add_linetype("FINE", {0.1, -0.1});
  start(TK_LINE);
  put3(0, 10, 50);
  put3(24, 90, 50);
  h.linetype = fine;
  add();
  ASSERT_EQ(regen(), 1);
  EXPECT_EQ(strokes().size(), 1u);
}

TEST_F(DisplayTest, DashContinuesAcrossChordsOfOneArc) {
  TkHandle dashed = add_linetype("DASHED", {4.0, -4.0});
  start(TK_CIRCLE);
  put3(0, 50, 50);
  put(24, 30.0);
  h.linetype = dashed;
  add();
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  // The circumference (188.5) gets a whole number of patterns; dashes span several chords, so
  // there are far fewer strokes than chords and every stroke is longer than one chord piece.
  EXPECT_GT(s.size(), 10u);
  EXPECT_LT(s.size(), 40u);
}

TEST_F(DisplayTest, ColourIsSentOnlyWhenItChanges) {
  calls.clear();
  regen_set_color(d, -1);
  for (int16_t c : {1, 1, 3, 3, 1}) regen_set_color(d, c);
  auto col = of(4);
  ASSERT_EQ(col.size(), 3u);
  EXPECT_EQ(col[0].a, 1);
  EXPECT_EQ(col[1].a, 3);
  EXPECT_EQ(col[2].a, 1);
  regen_set_color(d, -1);
  regen_set_color(d, 1);
  EXPECT_EQ(of(4).size(), 4u);
}

TEST_F(DisplayTest, SolidIsFilledOrOutlinedByFillmode) {
  start(TK_SOLID);
  put3(0, 10, 10);
  put3(24, 40, 10);
  put3(48, 10, 40);
  put3(72, 40, 40);
  add();
  d->header->fillmode = 1;
  ASSERT_EQ(regen(), 1);
  auto fills = of(2);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].pts.size(), 8u);
  d->header->fillmode = 0;
  ASSERT_EQ(regen(), 1);
  EXPECT_TRUE(of(2).empty());
  EXPECT_EQ(of(1).size(), 4u);
}

TEST_F(DisplayTest, FillOnOneLineIsNotSent) {
  start(TK_SOLID);
  put3(0, 10, 10);
  put3(24, 40, 10);
  put3(48, 10, 10);
  put3(72, 40, 10);
  add();
  d->header->fillmode = 1;
  ASSERT_EQ(regen(), 1);
  EXPECT_TRUE(of(2).empty());
}

TEST(PolygonWindow, LongOutlinesNeverOverrunTheBuffers) {
  // A star of 400 points crossing the window many times: the clipped outline needs more room
  // than a fixed buffer of 20 points, and must still come out whole.
  std::vector<double> pts;
  for (int i = 0; i < 400; ++i) {
    double a = 2 * kPi * i / 400, r = (i % 2) ? 100 : 30;
    pts.push_back(50 + r * std::cos(a));
    pts.push_back(50 + r * std::sin(a));
  }
  const double window[4] = {0, 0, 100, 100};
  std::vector<int32_t> out(2 * (400 * 2 + 8));
  int32_t n = 0;
  ASSERT_EQ(clip_polygon_to_window(400, pts.data(), window, &n, out.data()), 1);
  EXPECT_GT(n, 20);
  for (int32_t i = 0; i < n; ++i) {
    EXPECT_GE(out[2 * i], 0);
    EXPECT_LE(out[2 * i], 100);
  }
  // Wholly right of the window: rejected at once.
  const double right[6] = {200, 0, 300, 0, 250, 50};
  EXPECT_EQ(clip_polygon_to_window(3, right, window, &n, out.data()), 0);
  EXPECT_EQ(n, 0);
}

TEST(GrowBuffer, StepsOf1024) {
  core_test::use_counting_allocator();
  TkGrowBuffer b{nullptr, 0};
  ASSERT_NE(grow_buffer(&b, 1), nullptr);
  EXPECT_EQ(b.capacity, 1024u);
  uint8_t* same = b.data;
  EXPECT_EQ(grow_buffer(&b, 1000), same);
  b.data[0] = 42;
  ASSERT_NE(grow_buffer_keep(&b, 1025), nullptr);
  EXPECT_EQ(b.capacity, 2048u);
  EXPECT_EQ(b.data[0], 42);
  mem_free(b.data);
  tk_set_host_layer(nullptr);
}

TEST_F(DisplayTest, WideLightweightPolylineIsFilled) {
  ASSERT_NE(tk_class_lwpolyline(d), 0);
  d->header->fillmode = 1;
  TkBlob* blob = blob_alloc(4096);
  TkBlob* w = blob_create(blob);
  const double pts[3][2] = {{10, 10}, {50, 10}, {50, 50}};
  for (auto& p : pts) blob_write(w, p, sizeof p);
  blob_close_write(w);
  start(tk_class_lwpolyline(d));
  put<uint16_t>(TK_LWPOLYLINE_FLAGS, TK_LWPL_CONSTANT_WIDTH);
  put<uint32_t>(TK_LWPOLYLINE_COUNT, 3);
  put<double>(TK_LWPOLYLINE_WIDTH, 4.0);
  put(TK_LWPOLYLINE_VERTICES, blob);
  add();
  ASSERT_EQ(regen(), 1);
  auto f = of(2);
  ASSERT_EQ(f.size(), 2u);
  // The 90 degree corner is mitred: the outer corner of both quads is (52, 8) -> (520, 80).
  auto has = [](const display_test::Call& c, int32_t x, int32_t y) {
    for (size_t i = 0; i + 1 < c.pts.size(); i += 2)
      if (std::abs(c.pts[i] - x) <= 1 && std::abs(c.pts[i + 1] - y) <= 1) return true;
    return false;
  };
  EXPECT_TRUE(has(f[0], 520, 80));
  EXPECT_TRUE(has(f[1], 520, 80));
}

// Wide polyline corners and bulges: a sharp corner shows an open notch instead of a long mitre
// spike, and the widths of a half circle are cut to its diameter. (A right angle is mitred:
// WideLightweightPolylineIsFilled.)
TEST_F(DisplayTest, WidePolylineNotchesAndBulgeWidths) {
  struct Vertex {
    double x, y, bulge, width;
  };
  struct Case {
    const char* name;
    std::vector<Vertex> vertices;
    bool from_centre;  // measure the distance from (cx, cy); else how far right of cx
    double cx, cy;
    double reach;  // the farthest fill point, device units, within 2
  } cases[] = {
      // Turning back by about 166 degrees at (50, 10): a mitre would reach some 80 units right
      // of the corner; the notch ends both segments at their own ends, about 0.5 units right.
      {"sharp corner notched", {{10, 10, 0, 4}, {50, 10, 0, 4}, {10, 20, 0, 4}}, false, 500, 0,
       4.85},
      // A half circle of radius 10 around (20, 50) with widths of 30 drawn 20 wide: nothing
      // lies further than 20 from the centre.
      {"half circle widths cut to the diameter", {{10, 50, 1, 30}, {30, 50, 0, 30}}, true, 200,
       500, 200},
  };
  ASSERT_NE(tk_class_lwpolyline(d), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tk_close_drawing(d);
    d = tk_new_drawing(nullptr, nullptr, 0, 0);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(tk_display_open(d, nullptr, 1000, 1000, nullptr), 1);
    set_view(50, 50, 100);
    d->header->fillmode = 1;
    TkBlob* blob = blob_alloc(4096);
    TkBlob* w = blob_create(blob);
    for (const Vertex& v : c.vertices) {
      const double rec[5] = {v.x, v.y, v.bulge, v.width, v.width};
      blob_write(w, rec, sizeof rec);
    }
    blob_close_write(w);
    start(tk_class_lwpolyline(d));
    put<uint16_t>(TK_LWPOLYLINE_FLAGS, TK_LWPL_BULGES | TK_LWPL_WIDTHS);
    put<uint32_t>(TK_LWPOLYLINE_COUNT, uint32_t(c.vertices.size()));
    put(TK_LWPOLYLINE_VERTICES, blob);
    add();
    ASSERT_EQ(regen(), 1);
    auto f = of(2);
    ASSERT_FALSE(f.empty());
    double reach = -1e9;
    for (const auto& call : f)
      for (size_t i = 0; i + 1 < call.pts.size(); i += 2)
        reach = std::max(reach, c.from_centre
                                    ? std::hypot(call.pts[i] - c.cx, call.pts[i + 1] - c.cy)
                                    : call.pts[i] - c.cx);
    EXPECT_NEAR(reach, c.reach, 2);
  }
}

// Block helpers: a block with the given entities, inserted at the origin.
class BlockTest : public DisplayTest {
 protected:
  TkHandle add_block(const char* name) {
    TkBlockRecord b;
    tk_init_block_record(&b);
    std::strcpy(b.name, name);
    EXPECT_EQ(tk_next_handle(d, nullptr, 0, &b.handle), 1);
    EXPECT_EQ(tk_add_block(d, &b), 1);
    return b.handle;
  }
  void add_insert(const TkHandle& block, TkList* list, double x, double y) {
    start(TK_INSERT);
    put3(8, x, y);
    put(TK_INSERT_BLOCK, block);
    add(list);
  }
};

TEST_F(BlockTest, InsertDrawsTheBlockAtItsPlace) {
  TkHandle b = add_block("B");
  add_line(0, 0, 10, 0, tk_block_entity_list(d, &b));
  add_insert(b, model(), 20, 30);
  add_insert(b, model(), 50, 60);
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].front(), std::make_pair(200, 300));
  EXPECT_EQ(s[1].back(), std::make_pair(600, 600));
}

TEST_F(BlockTest, SelfInsertingBlocksAreNotExpandedAgain) {
  // A inserts itself beside a line; B and C insert each other.
  TkHandle a = add_block("A");
  TkHandle b = add_block("B");
  TkHandle c = add_block("C");
  add_line(0, 0, 1, 0, tk_block_entity_list(d, &a));
  add_insert(a, tk_block_entity_list(d, &a), 5, 5);
  add_line(0, 0, 1, 0, tk_block_entity_list(d, &b));
  add_insert(c, tk_block_entity_list(d, &b), 2, 0);
  add_line(0, 0, 1, 0, tk_block_entity_list(d, &c));
  add_insert(b, tk_block_entity_list(d, &c), 2, 0);
  add_insert(a, model(), 10, 10);
  add_insert(b, model(), 10, 50);
  ASSERT_EQ(regen(), 1);
  // A's line once; B's line and C's line once each.
  EXPECT_EQ(strokes().size(), 3u);
  EXPECT_GE(tk_regen.cycles_refused, 1u);
}

TEST_F(BlockTest, ArrayInsertRepeatsTheBlock) {
  TkHandle b = add_block("CELL");
  add_line(0, 0, 1, 0, tk_block_entity_list(d, &b));
  start(TK_INSERT);
  put3(8, 10, 10);
  put(TK_INSERT_BLOCK, b);
  put<int16_t>(82, 3);   // columns
  put<int16_t>(80, 2);   // rows
  put<double>(72, 5.0);  // column spacing
  put<double>(64, 7.0);  // row spacing
  add();
  ASSERT_EQ(regen(), 1);
  auto s = strokes();
  ASSERT_EQ(s.size(), 6u);
  EXPECT_EQ(s.back().front(), std::make_pair(200, 170));
}

// What an entity of a block on layer "0" shows is the inserting layer's: its colour, and its
// off and frozen state; an attribute on "0" follows its insertion's layer and colour.
class LayerZeroTest : public BlockTest {
 protected:
  TkHandle add_layer(const char* name, int16_t colour, uint8_t flags = 0) {
    TkLayerRecord l;
    tk_init_layer_record(d, &l);
    std::strcpy(l.name, name);
    l.color = colour;
    l.flags = flags;
    EXPECT_EQ(tk_next_handle(d, nullptr, 0, &l.handle), 1);
    EXPECT_EQ(tk_layer_add(d, &l), 1);
    return l.handle;
  }
  static void on_begin(const TkEntityHeader* header, const TkEntityData*, int16_t colour,
                       const TkLinetypeRecord*, const void*, TkUserData) {
    begun.push_back({header->kind, colour});
  }
  static inline std::vector<std::pair<uint16_t, int16_t>> begun;
  int16_t colour_of(uint16_t kind) const {
    for (auto& b : begun)
      if (b.first == kind) return b.second;
    return -1000;
  }
};

TEST_F(LayerZeroTest, BlockEntitiesOnLayerZeroTakeTheInsertingLayer) {
  struct Case {
    const char* name;
    const char* insert_layer;  // of the outer insertion; nested: through an inner one on "0"
    bool nested;
    size_t strokes;
    int16_t line_colour;  // the resolved colour of the block's line; -1000 when not reached
  } cases[] = {
      {"on layer 0", "0", false, 1, 7},
      {"on a red layer", "RED", false, 1, 1},
      {"on an off layer", "OFF", false, 0, -3},
      {"on a frozen layer", "ICE", false, 0, -1000},
      {"through an inner insertion on 0", "RED", true, 1, 1},
      {"inner insertion on 0 of an off layer", "OFF", true, 0, -3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tk_close_drawing(d);
    d = tk_new_drawing(nullptr, nullptr, 0, 0);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(tk_display_open(d, nullptr, 1000, 1000, nullptr), 1);
    set_view(50, 50, 100);
    std::map<std::string, TkHandle> layers;
    ASSERT_EQ(tk_layer_find(d, "0", &layers["0"]), 1);
    layers["RED"] = add_layer("RED", 1);
    layers["OFF"] = add_layer("OFF", -3);
    layers["ICE"] = add_layer("ICE", 2, TK_LAYER_FROZEN);
    TkHandle inner = add_block("INNER");
    add_line(0, 0, 10, 0, tk_block_entity_list(d, &inner));
    TkHandle outer = inner;
    if (c.nested) {
      outer = add_block("OUTER");
      add_insert(inner, tk_block_entity_list(d, &outer), 0, 0);
    }
    start(TK_INSERT);
    put3(8, 20, 20);
    put(TK_INSERT_BLOCK, outer);
    h.layer = layers[c.insert_layer];
    add();
    add_line(0, 90, 10, 90);  // on "0" in model space, after the insertion: its own colour
    begun.clear();
    tk_display_callbacks->entity_begin = on_begin;
    ASSERT_EQ(regen(), 1);
    tk_display_callbacks->entity_begin = nullptr;
    auto s = strokes();
    ASSERT_EQ(s.size(), c.strokes + 1);
    EXPECT_EQ(s.back().front(), std::make_pair(0, 900));
    ASSERT_FALSE(begun.empty());
    EXPECT_EQ(begun.back(), (std::pair<uint16_t, int16_t>{TK_LINE, 7}));
    int16_t line_colour = -1000;
    for (size_t i = 0; i + 1 < begun.size(); ++i)
      if (begun[i].first == TK_LINE) line_colour = begun[i].second;
    EXPECT_EQ(line_colour, c.line_colour);
    if (c.strokes) {
      auto col = of(4);
      ASSERT_FALSE(col.empty());
      EXPECT_EQ(col.front().a, c.line_colour);
    }
  }
}

TEST_F(LayerZeroTest, AttributeOnLayerZeroFollowsItsInsertion) {
  TkHandle red = add_layer("RED", 1);
  TkHandle b = add_block("TAG");
  add_line(0, 0, 10, 0, tk_block_entity_list(d, &b));
  start(TK_INSERT);
  put3(8, 20, 20);
  put(TK_INSERT_BLOCK, b);
  put<int16_t>(0, 1);  // attributes follow
  h.layer = red;
  h.colour = 3;
  add();
  struct Attr {
    int16_t colour;
    int16_t shown;
  } attrs[] = {{256, 3}, {0, 3}, {5, 5}};
  for (const Attr& a : attrs) {
    start(TK_ATTRIB);
    h.colour = a.colour;
    add();
  }
  start(TK_SEQEND);
  add();
  begun.clear();
  tk_display_callbacks->entity_begin = on_begin;
  ASSERT_EQ(regen(), 1);
  tk_display_callbacks->entity_begin = nullptr;
  std::vector<int16_t> shown;
  for (auto& e : begun)
    if (e.first == TK_ATTRIB) shown.push_back(e.second);
  ASSERT_EQ(shown.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(shown[i], attrs[i].shown) << i;
  // The block's by-layer line on "0" shows the inserting layer's colour, not the insertion's.
  EXPECT_EQ(colour_of(TK_LINE), 1);
}

// An array of 30,000 x 30,000 cells of an empty block draws nothing but must still end: each
// cell counts toward the poll slot, which may stop the walk, and the cells drawn are bounded.
TEST_F(BlockTest, HugeArrayOfAnEmptyBlockEnds) {
  TkHandle b = add_block("EMPTY");
  start(TK_INSERT);
  put(TK_INSERT_BLOCK, b);
  put<int16_t>(82, 30000);
  put<int16_t>(80, 30000);
  add();
  static int polls;
  polls = 0;
  tk_set_poll_callback([](TkUserData) {
    if (++polls >= 50) regen_continue = 0;
  });
  ASSERT_EQ(regen(), 1);
  tk_set_poll_callback(nullptr);
  EXPECT_EQ(polls, 50);
}

TEST_F(DisplayTest, PolyfaceVertexNumbersOutOfRangeAreIgnored) {
  const double base[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  regen_begin_pass(d);
  TkPlineVertex v[3] = {};
  v[0].point[0] = 10;
  v[1].point[0] = 20;
  v[2].point[1] = 20;
  const int16_t faces[2][4] = {{1, 2, 3, 0}, {1, 2, 300, -32768}};
  double m[1][16];
  std::memcpy(m[0], d->display->viewports[0].matrix, sizeof m[0]);
  calls.clear();
  regen_polyface(d, v, 3, faces, 2, base, m, nullptr);
  // The first face's three edges; of the second only the edge 1-2.
  EXPECT_EQ(of(1).size(), 4u);
}

}  // namespace
