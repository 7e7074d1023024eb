// Intersection queries: computed, coincident and failed results with their items, the pairs a
// class answers itself, and the kernel reached through the curve classes.
#include "sat/Intersection.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sat/Ellipse.h"
#include "sat/Line.h"

namespace {

TEST(IntersectionTest, CrossingCirclesGiveTwoPointItems) {
  c_Circle a(c_Point(0, 0, 0), c_Vector(0, 0, 1), 1), b(c_Point(1, 0, 0), c_Vector(0, 0, 1), 1);
  IntersectionResult r(a, b);
  ASSERT_EQ(r.status(), 2);
  ASSERT_EQ(r.count(), 2);
  for (int i = 0; i < 2; ++i) {
    IntersectionItem item = r.item(i);
    EXPECT_EQ(IntersectionResult::kind(item), kItemPoint);
    c_Point p;
    ASSERT_TRUE(IntersectionResult::point(item, p));
    EXPECT_TRUE(a.isOnCurve(p));
    EXPECT_TRUE(b.isOnCurve(p));
    EXPECT_NEAR(p.x, 0.5, 1e-12);
  }
  EXPECT_EQ(IntersectionResult::kind(r.item(-1)), kItemInvalid);
  EXPECT_EQ(IntersectionResult::kind(r.item(2)), kItemInvalid);
}

TEST(IntersectionTest, CoincidenceAndFailure) {
  c_Circle a(c_Point(0, 0, 0), c_Vector(0, 0, 1), 1);
  IntersectionResult same(a, c_Circle(c_Point(0, 0, 0), c_Vector(0, 0, -1), 1));
  ASSERT_EQ(same.status(), 2);
  ASSERT_EQ(same.count(), 1);
  EXPECT_EQ(IntersectionResult::kind(same.item(0)), kItemCoincide);
  EXPECT_EQ(IntersectionResult::kind(same.item(1)), kItemInvalid);
  EXPECT_EQ(IntersectionResult::kind(same.item(-1)), kItemInvalid);
  c_Point p(5, 5, 5);
  EXPECT_FALSE(IntersectionResult::point(same.item(0), p));
  EXPECT_EQ(p.x, 0);

  IntersectionResult skew(c_Line(c_Point(0, 0, 0), c_Vector(1, 0, 0)),
                          c_Line(c_Point(0, 0, 1), c_Vector(0, 1, 0)));
  EXPECT_EQ(skew.status(), 1);
  EXPECT_EQ(skew.count(), 0);
  for (int i = -1; i < 2; ++i) EXPECT_EQ(IntersectionResult::kind(skew.item(i)), kItemInvalid);

  // Ellipses have no curve-curve routine with each other.
  c_Ellipse e(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 2, 1);
  EXPECT_EQ(IntersectionResult(e, e).status(), 1);
}

TEST(IntersectionTest, CurvesReachTheKernelInEitherOrder) {
  c_Ellipse e(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 2, 1);
  c_Line l(c_Point(-5, 0, 0), c_Vector(1, 0, 0));
  IntersectionResult r(e, l);
  ASSERT_EQ(r.count(), 2);
  c_Point p, q;
  IntersectionResult::point(r.item(0), p);
  IntersectionResult::point(r.item(1), q);
  EXPECT_NEAR(std::fabs(p.x), 2, 1e-12);
  EXPECT_NEAR(p.x + q.x, 0, 1e-12);

  // Tangent lines of an ellipse meet where the rational quadratic arc puts its middle point.
  double t0 = 0, t1 = vorga::kHalfPi;
  c_Line a(e.pointAt(t0), e.tangentAt(t0)), b(e.pointAt(t1), e.tangentAt(t1));
  IntersectionResult corner(a, b);
  ASSERT_EQ(corner.count(), 1);
  IntersectionResult::point(corner.item(0), p);
  EXPECT_NEAR(p.x, 2, 1e-12);
  EXPECT_NEAR(p.y, 1, 1e-12);
}

TEST(IntersectionTest, LinesAndCirclesWithATorus) {
  c_Torus torus(c_Point(1, 1, 1), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 3, 1);
  IntersectionResult through(c_Line(c_Point(-9, 1, 1), c_Vector(1, 0, 0)), torus);
  ASSERT_EQ(through.status(), 2);
  ASSERT_EQ(through.count(), 4);
  const double want[] = {-3, -1, 3, 5};
  for (int i = 0; i < 4; ++i) {
    c_Point p;
    ASSERT_TRUE(IntersectionResult::point(through.item(i), p));
    EXPECT_NEAR(p.x, want[i], 1e-9);
  }
  IntersectionResult missing(c_Line(c_Point(1, 1, -9), c_Vector(0, 0, 1)), torus);
  EXPECT_EQ(missing.status(), 1);
  EXPECT_EQ(missing.count(), 0);
  IntersectionResult circle(c_Circle(c_Point(1, 1, 1), c_Vector(0, 0, 1), 3), torus);
  EXPECT_EQ(circle.status(), 1);
}

}  // namespace
