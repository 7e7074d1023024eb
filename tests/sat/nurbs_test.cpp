// NURBS curves and surfaces: evaluation and inversion, the tessellation's segment counts, end
// points and degenerate sweeps, knot insertion leaving a curve unchanged, elliptic arcs in NURBS
// form, and the bilinear patch.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <vector>

#include "sat/NURBSCurve.h"
#include "sat/NURBSSurface.h"

namespace {

const double kPi = vorga::kPi;

struct Recorder {
  std::vector<c_Point> points;
  int begins = 0, ends = 0, mode = 0;

  RenderOutput output(int pointsPerSpan) {
    RenderOutput o{};
    o.begin = [](int32_t mode, void* ctx) {
      auto* r = static_cast<Recorder*>(ctx);
      ++r->begins;
      r->mode = mode;
    };
    o.end = [](void* ctx) { ++static_cast<Recorder*>(ctx)->ends; };
    o.vertex = [](double x, double y, double z, void* ctx) {
      static_cast<Recorder*>(ctx)->points.push_back(c_Point(x, y, z));
    };
    o.ctx = this;
    o.pointsPerSpan = pointsPerSpan;
    return o;
  }
};

// A cubic with seven control points, weights not all 1, and a clamped knot vector.
struct Cubic {
  std::vector<float> cp;
  std::vector<float> knots = {0, 0, 0, 0, 1, 2, 3, 4, 4, 4, 4};
  Cubic() {
    const float xyzw[7][4] = {{0, 0, 0, 1},    {1, 2, 0, 1}, {2, -1, 1, 2}, {3, 3, 0, 1},
                              {4, 0, 2, 0.5f}, {5, 1, 0, 1}, {6, -2, 1, 1}};
    for (const auto& p : xyzw)
      for (int c = 0; c < 4; ++c) cp.push_back(c < 3 ? p[c] * p[3] : p[3]);
  }
  c_NURBSCurve make() const { return c_NURBSCurve(cp.data(), 7, knots.data(), 11); }
};

TEST(NurbsTest, QuarterCircleStaysOnTheCircle) {
  const float w = float(std::sqrt(0.5));
  const float cp[] = {1, 0, 0, 1, w, w, 0, w, 0, 1, 0, 1};
  const float knots[] = {0, 0, 0, 1, 1, 1};
  for (int perSpan : {0, 1, 5, 64}) {
    Recorder r;
    RenderOutput out = r.output(perSpan);
    tessellate(&out, 6, knots, 4, cp, 3);
    ASSERT_GE(r.points.size(), 2u);
    // The weight is a float, cos(pi/4) to 1.7e-8: the conic it gives is a circle to a few 1e-9.
    for (const c_Point& p : r.points) EXPECT_NEAR(std::hypot(p.x, p.y), 1.0, 1e-8) << perSpan;
    EXPECT_EQ(r.points.front().x, 1);
    EXPECT_EQ(r.points.back().y, 1);
  }
  c_NURBSCurve curve(cp, 3, knots, 6);
  for (double t = 0; t <= 1; t += 0.05)
    EXPECT_NEAR(curve.pointAt(t).distanceTo(c_Point(0, 0, 0)), 1, 1e-8);
}

TEST(NurbsTest, TessellationCountsAndEnds) {
  struct Case {
    const char* name;
    int controlPoints, order, perSpan;
    size_t points;
  };
  const Case cases[] = {
      {"cubic, no points per span", 4, 4, 0, 13},
      {"cubic, 8 per span", 4, 4, 8, 25},
      {"quadratic, 5 per span", 3, 3, 5, 6},
      {"cubic, negative points per span", 4, 4, -3, 2},
      {"one control point", 1, 1, 0, 2},
      {"cubic with 13 points, 10 per span", 13, 4, 10, 121},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<float> cp, knots;
    for (int i = 0; i < c.controlPoints; ++i) {
      const float p[4] = {float(i), float(i * i % 5), 0, 1};
      cp.insert(cp.end(), p, p + 4);
    }
    for (int i = 0; i < c.order; ++i) knots.push_back(0);
    for (int i = 1; i < c.controlPoints - c.order + 1; ++i) knots.push_back(float(i));
    for (int i = 0; i < c.order; ++i) knots.push_back(float(c.controlPoints - c.order + 1));
    Recorder r;
    RenderOutput out = r.output(c.perSpan);
    tessellate(&out, int(knots.size()), knots.data(), 4, cp.data(), c.order);
    EXPECT_EQ(r.points.size(), c.points);
    EXPECT_EQ(r.begins, 1);
    EXPECT_EQ(r.mode, 3);
    EXPECT_EQ(r.ends, 1);
    // A clamped curve starts and ends exactly on its end control points.
    EXPECT_EQ(r.points.front().x, cp[0]);
    EXPECT_EQ(r.points.back().x, cp[cp.size() - 4]);
    EXPECT_EQ(r.points.back().y, cp[cp.size() - 3]);
  }
}

TEST(NurbsTest, DegenerateSweepsDrawNothingOrTheEnds) {
  const float cp[] = {0, 0, 0, 1, 1, 0, 0, 1, 2, 0, 0, 1, 3, 0, 0, 1};
  const float flat[] = {1, 1, 1, 1, 1, 1, 1, 1};
  Recorder r;
  RenderOutput out = r.output(8);
  tessellate(&out, 8, flat, 4, cp, 4);  // first knot equal to the last
  EXPECT_EQ(r.begins, 0);
  tessellate(&out, 0, flat, 4, cp, 4);
  tessellate(&out, 3, flat, 4, cp, 4);  // fewer knots than the order
  const float bad[] = {0, 0, 0, 0, NAN, 1, 1, 1};
  tessellate(&out, 8, bad, 4, cp, 4);
  EXPECT_EQ(r.begins, 1);  // only the one with a finite range was drawn
  for (const c_Point& p : r.points) EXPECT_TRUE(std::isfinite(p.x));
  tessellate(nullptr, 8, flat, 4, cp, 4);
  // A huge points-per-span value is bounded.
  Recorder many;
  RenderOutput lots = many.output(2000000000);
  const float knots[] = {0, 0, 0, 0, 1, 1, 1, 1};
  tessellate(&lots, 8, knots, 4, cp, 4);
  EXPECT_EQ(many.points.size(), size_t(1 << 16) + 1);
}

// Boehm's knot insertion on the homogeneous control points.
void insertKnot(std::vector<float>& cp, std::vector<float>& knots, int order, float u) {
  const int n = int(cp.size() / 4);
  int k = order - 1;
  while (k + 1 < int(knots.size()) && !(u < knots[size_t(k + 1)])) ++k;
  std::vector<float> out;
  for (int i = 0; i <= n; ++i) {
    for (int c = 0; c < 4; ++c) {
      double value;
      if (i <= k - order + 1) {
        value = cp[size_t(i) * 4 + size_t(c)];
      } else if (i > k) {
        value = cp[size_t(i - 1) * 4 + size_t(c)];
      } else {
        double a = (u - knots[size_t(i)]) / (knots[size_t(i + order - 1)] - knots[size_t(i)]);
        value = (1 - a) * cp[size_t(i - 1) * 4 + size_t(c)] + a * cp[size_t(i) * 4 + size_t(c)];
      }
      out.push_back(float(value));
    }
  }
  cp = out;
  knots.insert(knots.begin() + k + 1, u);
}

TEST(NurbsTest, KnotInsertionLeavesTheCurveUnchanged) {
  Cubic cubic;
  c_NURBSCurve before = cubic.make();
  std::vector<float> cp = cubic.cp, knots = cubic.knots;
  for (float u : {0.5f, 2.0f, 2.25f, 3.75f}) insertKnot(cp, knots, 4, u);
  c_NURBSCurve after(cp.data(), int(cp.size() / 4), knots.data(), int(knots.size()));
  EXPECT_EQ(after.order(), 4);
  for (double t = 0; t <= 4; t += 0.0625)
    EXPECT_NEAR(before.pointAt(t).distanceTo(after.pointAt(t)), 0, 1e-5) << t;

  Recorder a, b;
  RenderOutput outA = a.output(0), outB = b.output(0);
  tessellate(&outA, 11, cubic.knots.data(), 4, cubic.cp.data(), 4);
  tessellate(&outB, int(knots.size()), knots.data(), 4, cp.data(), 4);
  // Both sweeps run over 0..4; compare the shared parameters of their strips.
  EXPECT_NEAR(a.points.back().distanceTo(b.points.back()), 0, 1e-5);
  for (const c_Point& p : b.points)
    EXPECT_NEAR(before.pointAt(before.parameterOf(p)).distanceTo(p), 0, 1e-4);
}

TEST(NurbsTest, EvaluationAndInversion) {
  Cubic cubic;
  c_NURBSCurve curve = cubic.make();
  EXPECT_EQ(curve.controlPointCount(), 7);
  EXPECT_EQ(curve.knotCount(), 11);
  EXPECT_EQ(curve.firstParameter(), 0);
  EXPECT_EQ(curve.lastParameter(), 4);
  c_Point p;
  ASSERT_TRUE(curve.controlPoint(2, p));
  EXPECT_EQ(p.y, -1);
  EXPECT_FALSE(curve.controlPoint(7, p));
  EXPECT_EQ(curve.pointAt(0).distanceTo(c_Point(0, 0, 0)), 0);
  EXPECT_NEAR(curve.pointAt(4).distanceTo(c_Point(6, -2, 1)), 0, 1e-6);

  std::mt19937 random(9);
  std::uniform_real_distribution<double> any(0.05, 3.95);
  for (int i = 0; i < 100; ++i) {
    double t = any(random);
    c_Point on = curve.pointAt(t);
    EXPECT_NEAR(curve.parameterOf(on), t, 1e-4) << t;
    EXPECT_TRUE(curve.isOnCurve(on)) << t;
    c_Vector d[2];
    double w[2];
    ASSERT_TRUE(curve.evaluateDerivatives(t, 1, d, w));
    EXPECT_NEAR(d[0].dx / w[0], on.x, 1e-5);
  }
  EXPECT_FALSE(curve.isOnCurve(c_Point(3, 10, 0)));

  std::ostringstream os;
  curve.print(os);
  EXPECT_EQ(os.str(), "This is a NURBS curve with 7 control points and 11 knots\n");
  EXPECT_FALSE(curve.isSameAs(curve));
  EXPECT_STREQ(curve.name(), "c_NURBSCurve");
}

TEST(NurbsTest, InversionFailuresAreOutOfRange) {
  c_NURBSCurve empty;
  EXPECT_EQ(empty.parameterOf(c_Point(1, 1, 1)), 10.0);
  EXPECT_EQ(empty.pointAt(0.5).x, 0);
  EXPECT_FALSE(empty.isOnCurve(c_Point(0, 0, 0)));

  // Every control point the same: no derivative anywhere, a failure scaled to 3 (last 2.5).
  std::vector<float> cp;
  for (int i = 0; i < 6; ++i) cp.insert(cp.end(), {1, 1, 1, 1});
  const float knots[] = {0, 0, 0, 0, 1, 2, 2.5f, 2.5f, 2.5f, 2.5f};
  c_NURBSCurve point(cp.data(), 6, knots, 10);
  double t = point.parameterOf(c_Point(5, 5, 5));
  EXPECT_EQ(std::fmod(t, 3.0), 0.0);
  EXPECT_GT(t, 2.5);
}

TEST(NurbsTest, EllipticArcs) {
  c_Ellipse e(c_Point(1, 2, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 3, 2);
  struct Case {
    double a0, a1;
    int spans, controlPoints, knots;
  };
  const Case cases[] = {
      {0, kPi / 2, 1, 3, 6},  {0, kPi, 2, 5, 8}, {0.5, 0.5 + 4, 3, 7, 10},
      {0, 2 * kPi, 4, 9, 12}, {1, 1, 4, 9, 12},  // equal ends: the whole ellipse
      {2, 1, 4, 9, 12},                          // end below start: raised by a turn
      {0, 7 * kPi, 2, 5, 8},                     // beyond a turn: modulo a turn
  };
  for (const Case& c : cases) {
    c_EllipticArcNURBS arc(e, c.a0, c.a1);
    EXPECT_EQ(arc.spanCount(), c.spans) << c.a0 << " " << c.a1;
    EXPECT_EQ(arc.controlPointCount(), c.controlPoints);
    EXPECT_EQ(arc.knotCount(), c.knots);
    EXPECT_EQ(arc.order(), 3);
    EXPECT_STREQ(arc.name(), "c_NURBSCurve");
    Recorder r;
    RenderOutput out = r.output(8);
    tessellate(&out, arc.knotCount(), arc.knots(), 4, arc.controlPoints(), arc.order());
    ASSERT_GT(r.points.size(), 2u);
    for (const c_Point& p : r.points) {
      c_Point f1, f2;
      e.foci(f1, f2);
      EXPECT_NEAR(p.distanceTo(f1) + p.distanceTo(f2), 6, 1e-5);
    }
    EXPECT_NEAR(r.points.front().distanceTo(e.pointAt(c.a0)), 0, 1e-5);
    EXPECT_NEAR(arc.parameterOf(e.pointAt(c.a0)), 0, 1e-5);
  }
  c_EllipticArcNURBS quarter(e, 0, kPi / 2);
  EXPECT_NEAR(quarter.knots()[5], 1, 0);
  double previous = -1;
  for (double a = 0; a <= kPi / 2 + 1e-12; a += kPi / 16) {
    double t = quarter.parameterOf(e.pointAt(a));
    EXPECT_GT(t, previous);
    EXPECT_NEAR(quarter.pointAt(t).distanceTo(e.pointAt(a)), 0, 1e-5);
    previous = t;
  }
  c_EllipticArcNURBS broken(e, NAN, 1);
  EXPECT_EQ(broken.knotCount(), 0);
  // A turn below the resolution of the start angle cannot raise the end above it.
  c_EllipticArcNURBS huge(e, 1e200, 0);
  EXPECT_EQ(huge.knotCount(), 0);
  EXPECT_EQ(huge.parameterOf(e.pointAt(0)), 10.0);
  Recorder r;
  RenderOutput out = r.output(8);
  tessellate(&out, broken.knotCount(), broken.knots(), 4, broken.controlPoints(), 3);
  EXPECT_EQ(r.begins, 0);
}

TEST(NurbsTest, BilinearPatch) {
  const float net[] = {0, 0, 0, 1, 0, 2, 1, 1, 4, 0, 3, 1, 4, 2, 5, 1};
  const float knots[] = {0, 0, 1, 1};
  c_NURBSSurface s(net, 2, 2, knots, 4, knots, 4);
  c_Point p;
  ASSERT_TRUE(s.pointAt(0.5, 0.5, p));
  EXPECT_NEAR(p.x, 2, 1e-6);
  EXPECT_NEAR(p.y, 1, 1e-6);
  EXPECT_NEAR(p.z, 2.25, 1e-6);
  ASSERT_TRUE(s.pointAt(1, 0, p));
  EXPECT_EQ(p.x, 4);
  c_Point untouched(9, 9, 9);
  EXPECT_FALSE(s.pointAt(1.5, 0.5, untouched));
  EXPECT_EQ(untouched.x, 9);
  EXPECT_STREQ(s.name(), "c_NURBSSurface");
  EXPECT_EQ(s.normalAt(p).length(), 0);
  c_Curve* curves[2];
  EXPECT_EQ(s.silhouettes(c_Vector(0, 0, 1), curves), 0);

  c_NURBSSurface empty(net, 2, 2, knots, 0, knots, 4);
  EXPECT_FALSE(empty.pointAt(0.5, 0.5, p));
  std::ostringstream os;
  empty.print(os);
  EXPECT_EQ(os.str(),
            "Vorga NURBS surface with 2 control points in U and 2 control points in V.\n");
  testing::internal::CaptureStdout();
  empty.getParametersOf(p);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "**** IMPLEMENT c_NURBSSurface::getParametersOf!!! ****\n");
}

}  // namespace
