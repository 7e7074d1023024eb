// The polygon clipper: the four operations on small squares with known areas, the edge cases of
// coincident edges, holes and horizontal runs, the area identity on random polygons, triangle
// strips covering the same area, and memory running out at every allocation of one call.
#include "toolkit/core/polygon_clip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core_support.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Polygons held by the test; the clipper only reads them.
struct Shape {
  std::vector<std::vector<TkClipVertex>> loops;
  std::vector<int32_t> holes;
  std::vector<TkClipContour> contours;
  TkClipPolygon polygon{0, nullptr, nullptr};

  Shape& add(std::vector<TkClipVertex> loop, int32_t hole = 0) {
    loops.push_back(std::move(loop));
    holes.push_back(hole);
    contours.clear();
    for (auto& l : loops) contours.push_back(TkClipContour{int32_t(l.size()), l.data()});
    polygon = TkClipPolygon{int32_t(loops.size()), holes.data(), contours.data()};
    return *this;
  }
  const TkClipPolygon* get() const { return &polygon; }
};

std::vector<TkClipVertex> rect(double x0, double y0, double x1, double y1) {
  return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

double loop_area(const TkClipVertex* v, int32_t n) {
  double a = 0;
  for (int32_t i = 0, j = n - 1; i < n; j = i++) a += v[j].x * v[i].y - v[i].x * v[j].y;
  return std::fabs(a) / 2;
}

// Outer loops count, holes subtract.
double area(const TkClipPolygon& p) {
  double total = 0;
  for (int32_t i = 0; i < p.count; ++i) {
    double a = loop_area(p.contours[i].vertices, p.contours[i].count);
    total += p.holes[i] ? -a : a;
  }
  return total;
}

double strip_area(const TkTriStrip& s) {
  double total = 0;
  for (int32_t i = 0; i < s.count; ++i)
    for (int32_t k = 0; k + 2 < s.strips[i].count; ++k) total += loop_area(&s.strips[i].vertices[k], 3);
  return total;
}

struct Clipped {
  TkClipPolygon p{0, nullptr, nullptr};
  ~Clipped() { clip_free_polygon(&p); }
};

class PolygonClip : public ::testing::Test {
 protected:
  void SetUp() override { core_test::use_counting_allocator(); }
  void TearDown() override {
    EXPECT_EQ(core_test::counts.live, 0) << "every working record and result freed";
    tk_set_host_layer(nullptr);
  }
};

TEST_F(PolygonClip, OperationsOnSquares) {
  Shape a, b, shared, disjoint, empty;
  a.add(rect(0, 0, 2, 2));
  b.add(rect(1, 1, 3, 3));
  shared.add(rect(2, 0, 4, 2));
  disjoint.add(rect(5, 5, 6, 6));
  struct Case {
    const char* name;
    ClipOp op;
    const Shape* subject;
    const Shape* clip;
    double area;
    int32_t contours;
  } cases[] = {
      {"difference", CLIP_DIFFERENCE, &a, &b, 3, 1},
      {"intersection", CLIP_INTERSECTION, &a, &b, 1, 1},
      {"xor", CLIP_XOR, &a, &b, 6, 2},
      {"union", CLIP_UNION, &a, &b, 7, 1},
      {"union of squares sharing an edge is one contour", CLIP_UNION, &a, &shared, 8, 1},
      {"intersection of squares sharing an edge has no area", CLIP_INTERSECTION, &a, &shared, 0, 0},
      {"disjoint intersection", CLIP_INTERSECTION, &a, &disjoint, 0, 0},
      {"disjoint union keeps both", CLIP_UNION, &a, &disjoint, 5, 2},
      {"difference of disjoint keeps the subject", CLIP_DIFFERENCE, &a, &disjoint, 4, 1},
      {"difference with an empty clip", CLIP_DIFFERENCE, &a, &empty, 4, 1},
      {"intersection with an empty clip", CLIP_INTERSECTION, &a, &empty, 0, 0},
      {"union with an empty subject", CLIP_UNION, &empty, &b, 4, 1},
      {"difference of an empty subject", CLIP_DIFFERENCE, &empty, &b, 0, 0},
      {"both empty", CLIP_XOR, &empty, &empty, 0, 0},
  };
  for (const Case& c : cases) {
    Clipped r;
    ASSERT_EQ(polygon_clip(c.op, c.subject->get(), c.clip->get(), &r.p), 1) << c.name;
    EXPECT_NEAR(area(r.p), c.area, 1e-9) << c.name;
    EXPECT_EQ(r.p.count, c.contours) << c.name;
    for (int32_t i = 0; i < r.p.count; ++i) EXPECT_GE(r.p.contours[i].count, 3) << c.name;
  }
}

TEST_F(PolygonClip, HolesAndHorizontalRuns) {
  Shape outer, inner, with_hole, runs;
  outer.add(rect(0, 0, 4, 4));
  inner.add(rect(1, 1, 3, 3));
  with_hole.add(rect(0, 0, 4, 4)).add(rect(1, 1, 3, 3), 1);
  // A rectangle whose bottom and top are split into collinear pieces.
  runs.add({{0, 0}, {1, 0}, {2, 0}, {4, 0}, {4, 2}, {3, 2}, {1, 2}, {0, 2}});

  Clipped ring;
  ASSERT_EQ(polygon_clip(CLIP_DIFFERENCE, outer.get(), inner.get(), &ring.p), 1);
  ASSERT_EQ(ring.p.count, 2);
  EXPECT_NEAR(area(ring.p), 12, 1e-9);
  EXPECT_EQ((ring.p.holes[0] != 0) + (ring.p.holes[1] != 0), 1) << "the inner contour is a hole";
  for (int32_t i = 0; i < 2; ++i)
    EXPECT_EQ(ring.p.holes[i] != 0, loop_area(ring.p.contours[i].vertices, 4) == 4);

  Clipped filled;  // the hole of the subject is filled by the clip again
  ASSERT_EQ(polygon_clip(CLIP_UNION, with_hole.get(), inner.get(), &filled.p), 1);
  EXPECT_NEAR(area(filled.p), 16, 1e-9);
  EXPECT_EQ(filled.p.count, 1);

  Clipped cut;
  ASSERT_EQ(polygon_clip(CLIP_INTERSECTION, runs.get(), outer.get(), &cut.p), 1);
  ASSERT_EQ(cut.p.count, 1);
  EXPECT_EQ(cut.p.contours[0].count, 4) << "collinear vertices of the runs are gone";
  EXPECT_NEAR(area(cut.p), 8, 1e-9);
}

TEST_F(PolygonClip, ResultMayBeAnInput) {
  TkClipPolygon subject{0, nullptr, nullptr};
  Shape a, b;
  a.add(rect(0, 0, 2, 2));
  b.add(rect(1, 0, 3, 2));
  ASSERT_EQ(polygon_clip(CLIP_UNION, a.get(), b.get(), &subject), 1);  // owned by the clipper
  ASSERT_EQ(polygon_clip(CLIP_INTERSECTION, &subject, b.get(), &subject), 1);
  EXPECT_NEAR(area(subject), 4, 1e-9);
  clip_free_polygon(&subject);
  EXPECT_EQ(subject.count, 0);
  EXPECT_EQ(subject.contours, nullptr);
}

// Random star-shaped polygons (simple, but of any orientation and with many crossings between
// the two): area(A or B) + area(A and B) = area(A) + area(B), and A minus B, B minus A and
// A and B add up to the union; the strips of each result cover its area.
TEST_F(PolygonClip, AreaIdentityOnRandomPolygons) {
  std::mt19937 rng(1234);
  std::uniform_real_distribution<double> radius(1.0, 10.0), centre(-3.0, 3.0);
  for (int round = 0; round < 200; ++round) {
    Shape a, b;
    for (Shape* s : {&a, &b}) {
      int n = 3 + int(rng() % 12);
      double cx = centre(rng), cy = centre(rng);
      std::vector<TkClipVertex> loop;
      bool clockwise = rng() % 2;
      for (int i = 0; i < n; ++i) {
        double t = 2 * kPi * i / n * (clockwise ? -1 : 1);
        double r = radius(rng);
        loop.push_back({cx + r * std::cos(t), cy + r * std::sin(t)});
      }
      s->add(loop);
    }
    double aa = loop_area(a.loops[0].data(), int32_t(a.loops[0].size()));
    double ab = loop_area(b.loops[0].data(), int32_t(b.loops[0].size()));
    double got[4];
    for (int op = 0; op < 4; ++op) {
      Clipped r;
      ASSERT_EQ(polygon_clip(ClipOp(op), a.get(), b.get(), &r.p), 1);
      got[op] = area(r.p);
      TkTriStrip strips{0, nullptr};
      ASSERT_EQ(tristrip_clip(ClipOp(op), a.get(), b.get(), &strips), 1);
      EXPECT_NEAR(strip_area(strips), got[op], 1e-6 * (aa + ab)) << "round " << round << " op " << op;
      for (int32_t i = 0; i < strips.count; ++i) EXPECT_GE(strips.strips[i].count, 3);
      clip_free_tristrip(&strips);
    }
    double tol = 1e-7 * (aa + ab);
    EXPECT_NEAR(got[CLIP_UNION] + got[CLIP_INTERSECTION], aa + ab, tol) << "round " << round;
    EXPECT_NEAR(got[CLIP_XOR], got[CLIP_UNION] - got[CLIP_INTERSECTION], tol) << "round " << round;
    EXPECT_NEAR(got[CLIP_DIFFERENCE], aa - got[CLIP_INTERSECTION], tol) << "round " << round;
  }
}

TEST_F(PolygonClip, StripsOfOneSet) {
  Shape ring;
  ring.add(rect(0, 0, 4, 4)).add(rect(1, 1, 3, 3), 1);
  TkTriStrip strips{0, nullptr};
  ASSERT_EQ(clip_polygon_to_tristrip(ring.get(), &strips), 1);
  EXPECT_NEAR(strip_area(strips), 12, 1e-9) << "the hole stays empty";
  clip_free_tristrip(&strips);
  EXPECT_EQ(strips.count, 0);
}

TEST_F(PolygonClip, RunningOutOfMemoryIsReported) {
  Shape a, b;
  a.add(rect(0, 0, 2, 2));
  b.add(rect(1, 1, 3, 3));
  for (long fail = 0;; ++fail) {
    core_test::use_counting_allocator(fail);
    Clipped r;
    int16_t ok = polygon_clip(CLIP_XOR, a.get(), b.get(), &r.p);
    if (ok) {
      EXPECT_NEAR(area(r.p), 6, 1e-9);
      break;
    }
    EXPECT_EQ(r.p.count, 0) << "failure at allocation " << fail << " leaves the result empty";
    ASSERT_LT(fail, 1000);
  }
  for (long fail = 0;; ++fail) {
    core_test::use_counting_allocator(fail);
    TkTriStrip s{0, nullptr};
    int16_t ok = tristrip_clip(CLIP_UNION, a.get(), b.get(), &s);
    double got = strip_area(s);
    clip_free_tristrip(&s);
    if (ok) {
      EXPECT_NEAR(got, 7, 1e-9);
      break;
    }
    ASSERT_LT(fail, 1000);
  }
}

TEST_F(PolygonClip, HostileCoordinatesEndCleanly) {
  const double inf = INFINITY, nan = NAN;
  Shape bad, huge, square, degenerate;
  bad.add({{0, 0}, {nan, 1}, {inf, 2}, {1, inf}, {2, 0}});
  huge.add({{-1e308, -1e308}, {1e308, -1e308}, {1e308, 1e308}, {-1e308, 1e308}});
  degenerate.add({{0, 0}, {1, 1}}).add({{3, 3}});
  square.add(rect(0, 0, 1, 1));
  for (const Shape* s : {&bad, &huge, &degenerate}) {
    for (int op = 0; op < 4; ++op) {
      Clipped r;
      EXPECT_EQ(polygon_clip(ClipOp(op), s->get(), square.get(), &r.p), 1);
      TkTriStrip strips{0, nullptr};
      EXPECT_EQ(tristrip_clip(ClipOp(op), square.get(), s->get(), &strips), 1);
      clip_free_tristrip(&strips);
    }
  }
}

}  // namespace
