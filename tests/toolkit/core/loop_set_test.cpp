// Loop sets: point containment (edges, holes, vertices at the point's height), the clipper
// wrappers and copying.
#include "toolkit/core/loop_set.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core_support.h"

namespace {

class LoopSet : public ::testing::Test {
 protected:
  void SetUp() override { core_test::use_counting_allocator(); }
  void TearDown() override {
    EXPECT_EQ(core_test::counts.live, 0);
    tk_set_host_layer(nullptr);
  }
};

// A 10 x 10 square with a 4 x 4 hole in its middle.
TkLoopSet* square_with_hole() {
  const int32_t counts[2] = {4, 4};
  TkLoopSet* set = loop_set_alloc(2, counts);
  const TkClipVertex outer[4] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  const TkClipVertex inner[4] = {{3, 3}, {7, 3}, {7, 7}, {3, 7}};
  for (int i = 0; i < 4; ++i) {
    set->contours[0].vertices[i] = outer[i];
    set->contours[1].vertices[i] = inner[i];
  }
  set->holes[1] = 1;
  return set;
}

TEST_F(LoopSet, ContainsPoint) {
  TkLoopSet* set = square_with_hole();
  struct Case {
    const char* name;
    double x, y;
    int16_t inside;
  } cases[] = {
      {"between outer loop and hole", 1, 5, 1},
      {"inside the hole: +1 - 1", 5, 5, 0},
      {"outside everything", 11, 5, 0},
      {"on the outer edge", 0, 5, 1},
      {"on the hole's edge counts for the hole too", 3, 5, 0},
      {"at the height of two vertices", -1, 0, 0},
      {"level with a vertex, inside", 5, 0.0000001, 1},
      {"within the tolerance of an edge", 10.0005, 5, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(loop_set_contains_point(c.x, c.y, set, 0.001), c.inside) << c.name;

  // A diamond whose left and right vertices lie at the point's height: each is counted once.
  const double diamond[8] = {5, 0, 10, 5, 5, 10, 0, 5};
  TkLoopSet* d = loop_set_from_points(diamond, 4);
  double p[2] = {-1, 5};
  EXPECT_EQ(polygon_contains_point(p, 4, loop_set_points(d, 0), 1e-9), 0);
  p[0] = 5;
  EXPECT_EQ(polygon_contains_point(p, 4, loop_set_points(d, 0), 1e-9), 1);
  EXPECT_EQ(polygon_contains_point(p, 0, loop_set_points(d, 0), 1e-9), 0) << "no loop";
  loop_set_free(d);
  loop_set_free(set);
}

TEST_F(LoopSet, IntersectCopyAndStrips) {
  TkLoopSet* ring = square_with_hole();
  const double band[8] = {-5, 4, 15, 4, 15, 6, -5, 6};
  TkLoopSet* b = loop_set_from_points(band, 4);
  TkLoopSet* both = nullptr;
  EXPECT_EQ(loop_set_intersect(ring, b, &both), 2) << "the band is cut in two by the hole";
  EXPECT_EQ(loop_set_contains_point(2, 5, both, 1e-9), 1);
  EXPECT_EQ(loop_set_contains_point(5, 5, both, 1e-9), 0);
  EXPECT_EQ(loop_set_contains_point(2, 8, both, 1e-9), 0);

  TkLoopSet* copy = loop_set_copy(both);
  ASSERT_EQ(loop_set_count(copy), 2);
  for (int32_t i = 0; i < 2; ++i) {
    ASSERT_EQ(loop_set_vertex_count(copy, i), loop_set_vertex_count(both, i));
    EXPECT_NE(loop_set_points(copy, i), loop_set_points(both, i)) << "deep copy";
  }
  EXPECT_EQ(loop_set_vertex_count(copy, 2), 0);
  EXPECT_EQ(loop_set_points(copy, -1), nullptr);

  TkTriStrip strips;
  int32_t n = loop_set_clip_to_strips(ring, b, &strips);
  ASSERT_GT(n, 0);
  double area = 0;
  for (int32_t i = 0; i < n; ++i) {
    const TkClipVertex* v = strips_points(&strips, i);
    for (int32_t k = 0; k + 2 < strips_vertex_count(&strips, i); ++k)
      area += std::fabs((v[k + 1].x - v[k].x) * (v[k + 2].y - v[k].y) -
                        (v[k + 2].x - v[k].x) * (v[k + 1].y - v[k].y)) / 2;
  }
  EXPECT_NEAR(area, (10 - 4) * 2, 1e-9) << "the band within the square, less the hole";
  strips_free(&strips);
  ASSERT_GT(loop_set_to_strips(ring, &strips), 0);
  strips_free(&strips);

  loop_set_free(copy);
  loop_set_free(both);
  loop_set_free(b);
  loop_set_free(ring);
}

TEST_F(LoopSet, RunningOutOfMemoryGivesNoSet) {
  const double pts[6] = {0, 0, 1, 0, 0, 1};
  for (long fail = 0; fail < 3; ++fail) {
    core_test::use_counting_allocator(fail);
    EXPECT_EQ(loop_set_from_points(pts, 3), nullptr) << fail;
  }
  core_test::use_counting_allocator();
  TkLoopSet* a = loop_set_from_points(pts, 3);
  for (long fail = 0; fail < 3; ++fail) {
    core_test::counts.fail_at = core_test::counts.calls + fail;
    TkLoopSet* out = reinterpret_cast<TkLoopSet*>(1);
    EXPECT_EQ(loop_set_intersect(a, a, &out), -1) << fail;
    EXPECT_EQ(out, nullptr);
  }
  core_test::counts.fail_at = -1;
  loop_set_free(a);
}

}  // namespace
