// Splines: control-point splines evaluated by de Boor, rational arcs, fit-point interpolation,
// and the refusals that keep damaged splines from overrunning or dividing by zero.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "display_support.h"

namespace {

using display_test::DisplayTest;

class SplineTest : public DisplayTest {
 protected:
  // A SPLINE record whose blob holds the knots, control points (with weights) and fit points.
  void make(int16_t degree, uint16_t flags, const std::vector<double>& knots,
            const std::vector<std::vector<double>>& controls,
            const std::vector<std::vector<double>>& fits) {
    start(TK_SPLINE);
    put<int16_t>(0, degree);
    put<uint16_t>(2, flags);
    put<int16_t>(4, int16_t(knots.size()));
    put<int16_t>(6, int16_t(controls.size()));
    put<uint16_t>(8, uint16_t(fits.size()));
    TkBlob* blob = blob_alloc(4096);
    TkBlob* w = blob_create(blob);
    for (double k : knots) blob_write(w, &k, 8);
    for (auto& c : controls) blob_write(w, c.data(), c.size() * 8);
    for (auto& f : fits) blob_write(w, f.data(), f.size() * 8);
    blob_close_write(w);
    put(TK_SPLINE_BLOB, blob);
  }
  std::vector<std::array<double, 3>> points(int32_t resolution = 10) {
    double (*p)[3] = nullptr;
    int32_t n = 0;
    EXPECT_EQ(spline_tessellate(d, &data, &p, &n, resolution), 1);
    std::vector<std::array<double, 3>> out;
    for (int32_t i = 0; i < n; ++i) out.push_back({p[i][0], p[i][1], p[i][2]});
    mem_free(p);
    tk_free_entity_blobs(d, &h, &data);
    return out;
  }
};

TEST_F(SplineTest, ClampedCubicHasExactEnds) {
  make(3, 0, {0, 0, 0, 0, 1, 1, 1, 1}, {{0, 0, 0}, {1, 2, 0}, {3, 2, 0}, {4, 0, 0}}, {});
  auto p = points();
  ASSERT_EQ(p.size(), 11u);  // 10 segments
  EXPECT_EQ(p.front()[0], 0.0);
  EXPECT_EQ(p.front()[1], 0.0);
  EXPECT_EQ(p.back()[0], 4.0);
  EXPECT_EQ(p.back()[1], 0.0);
  EXPECT_NEAR(p[5][0], 2.0, 1e-12);   // symmetric: the middle parameter is the middle point
  EXPECT_NEAR(p[5][1], 1.5, 1e-12);
}

TEST_F(SplineTest, RationalQuarterCircleStaysOnTheCircle) {
  const double w = std::sqrt(0.5);
  make(2, 4, {0, 0, 0, 1, 1, 1}, {{1, 0, 0, 1}, {1, 1, 0, w}, {0, 1, 0, 1}}, {});
  auto p = points();
  ASSERT_EQ(p.size(), 11u);
  for (auto& q : p) EXPECT_NEAR(std::hypot(q[0], q[1]), 1.0, 1e-12);
}

TEST_F(SplineTest, RepeatedInteriorKnotsAddNoSegments) {
  make(1, 0, {0, 0, 1, 1, 2, 2}, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 1, 0}}, {});
  // Spans of zero length between the repeated knots are skipped.
  EXPECT_EQ(points(4).size(), 9u);
}

TEST_F(SplineTest, TwoFitPointsGiveAStraightLine) {
  make(3, 0, {}, {}, {{0, 0, 0}, {6, 3, 0}, {6, 3, 0}});
  auto p = points();
  ASSERT_EQ(p.size(), 11u);
  for (auto& q : p) EXPECT_NEAR(q[1], q[0] / 2, 1e-12);
}

TEST_F(SplineTest, FitCurvePassesItsPoints) {
  make(3, 0, {}, {}, {{0, 0, 0}, {2, 3, 0}, {5, 1, 0}, {7, 4, 0}});
  auto p = points();
  ASSERT_EQ(p.size(), 31u);  // three intervals of 10
  EXPECT_NEAR(p[10][0], 2, 1e-9);
  EXPECT_NEAR(p[10][1], 3, 1e-9);
  EXPECT_NEAR(p[20][0], 5, 1e-9);
  EXPECT_NEAR(p[20][1], 1, 1e-9);
}

struct Refusal {
  const char* what;
  int16_t degree;
  std::vector<double> knots;
  std::vector<std::vector<double>> controls, fits;
  size_t points;  // what is drawn instead
};

TEST_F(SplineTest, DamagedSplinesAreRefused) {
  std::vector<double> many_knots(64, 0.0);
  std::vector<std::vector<double>> polygon = {{0, 0, 0}, {1, 0, 0}, {2, 1, 0}};
  const Refusal cases[] = {
      {"degree above 29", 30, many_knots, polygon, {}, 3},
      {"knots that do not fit", 2, {0, 1}, polygon, {}, 3},
      {"descending knots", 2, {0, 0, 0, 1, 0, 1}, polygon, {}, 3},
      {"one distinct fit point", 3, {}, {}, {{1, 1, 0}, {1, 1, 0}}, 0},
      {"no data at all", 3, {}, {}, {}, 0},
  };
  for (const Refusal& c : cases) {
    make(c.degree, 0, c.knots, c.controls, c.fits);
    EXPECT_EQ(points().size(), c.points) << c.what;
  }
  // Counts larger than the blob holds draw nothing.
  make(3, 0, {0, 0, 0, 0, 1, 1, 1, 1}, {{0, 0, 0}, {1, 2, 0}}, {});
  put<int16_t>(6, 4);
  EXPECT_TRUE(points().empty());
}

TEST_F(SplineTest, SplineEntityIsDrawnAsOneRun) {
  make(3, 0, {0, 0, 0, 0, 1, 1, 1, 1}, {{10, 10, 0}, {20, 30, 0}, {40, 30, 0}, {50, 10, 0}}, {});
  add();
  ASSERT_EQ(regen(), 1);
  EXPECT_EQ(display_test::of(0).size(), 1u);
  EXPECT_EQ(display_test::of(1).size(), 10u);
}

}  // namespace
