// Points, vectors and transforms: homogeneous points, tolerances, frames, and transforms composed
// with their inverses.
#include "sat/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "sat/Tolerance.h"

namespace {

TEST(GeometryTest, PointCoordinatesAndHomogeneousForm) {
  c_Point p(1, 2, 3);
  EXPECT_EQ(p.coordinate(0), 1);
  EXPECT_EQ(p.coordinate(2), 3);
  EXPECT_EQ(p.coordinate(-1), 1.0);
  EXPECT_EQ(p.coordinate(3), 0.0);

  const float weighted[4] = {2, 4, 6, 2};
  c_Point a(weighted);
  EXPECT_EQ(a.x, 1);
  EXPECT_EQ(a.y, 2);
  EXPECT_EQ(a.z, 3);
  const float zeroWeight[4] = {2, 4, 6, 0};
  c_Point b(zeroWeight);
  EXPECT_EQ(b.x, 2);
  EXPECT_EQ(b.z, 6);

  float h[4];
  p.toHomogeneous(2, h);
  EXPECT_EQ(h[0], 2);
  EXPECT_EQ(h[2], 6);
  EXPECT_EQ(h[3], 2);

  std::ostringstream os;
  os << c_Point(1, -2.5, 0);
  EXPECT_EQ(os.str(), "(1,-2.5,0)");
}

TEST(GeometryTest, PointToleranceDecidesEquality) {
  const double saved = c_Point::getTolerance();
  c_Point::setTolerance(0.007);
  EXPECT_TRUE(c_Point(0, 0, 0).equals(c_Point(0.006, 0, 0)));
  EXPECT_FALSE(c_Point(0, 0, 0).equals(c_Point(0.007, 0, 0)));
  c_Point::setTolerance(-1);
  EXPECT_EQ(c_Point::getTolerance(), 0.007);
  c_Point::setTolerance(saved);
}

TEST(GeometryTest, QualityLevelsSetTheTolerancesTogether) {
  struct Case {
    int level;
    VorgaTolerances want;
  };
  const Case cases[] = {
      {5, {0.001, 1e-6, 1e-5, 1e-6, 0.007}},
      {10, {0.006, 0.05, 0.09, 0.0625, 0.025}},
      {1, {1e-5, 1e-8, 1e-7, 1e-8, 7e-5}},
      {0, {0.001, 1e-6, 1e-5, 1e-6, 0.007}},  // out of range: level 5
  };
  for (const Case& c : cases) {
    setQualityTolerances(c.level);
    const VorgaTolerances& t = vorgaTolerances();
    EXPECT_NEAR(t.angular, c.want.angular, 1e-15) << c.level;
    EXPECT_NEAR(t.zero, c.want.zero, 1e-15) << c.level;
    EXPECT_NEAR(t.onCurve, c.want.onCurve, 1e-15) << c.level;
    EXPECT_NEAR(t.parallel, c.want.parallel, 1e-15) << c.level;
    EXPECT_NEAR(t.point, c.want.point, 1e-15) << c.level;
  }
  setQualityTolerances(5);
  setPointTolerance(1e-6);
}

TEST(GeometryTest, VectorNormalisingAndSnapping) {
  c_Vector tiny(0, 0, 1e-7);
  EXPECT_EQ(tiny.normalize(), 1e-7);
  EXPECT_EQ(tiny.dz, 1e-7);

  c_Vector v(3, 0, 4);
  c_Vector unit;
  EXPECT_EQ(v.normalizedCopyInto(unit), 5);
  EXPECT_NEAR(unit.dx, 0.6, 1e-15);
  EXPECT_EQ(v.dx, 3);

  c_Vector s(1e-9, -0.9999999, 0.5);
  s.snapToAxes(1e-6);
  EXPECT_EQ(s.dx, 0.0);
  EXPECT_EQ(s.dy, -1.0);
  EXPECT_EQ(s.dz, 0.5);

  EXPECT_TRUE(c_Vector(1, 0, 0).isParallelTo(c_Vector(-2, 0, 0)));
  EXPECT_FALSE(c_Vector(1, 0, 0).isParallelTo(c_Vector(1, 0.01, 0)));
  EXPECT_FALSE(c_Vector(0, 0, 0).isParallelTo(c_Vector(1, 0, 0)));
}

TEST(GeometryTest, FramesAreRightHandedAndOrthonormal) {
  struct Case {
    c_Vector u, w;
  };
  const Case cases[] = {
      {c_Vector(1, 0, 0), c_Vector(0, 0, 1)},  // already a frame
      {c_Vector(1, 1, 0), c_Vector(0, 0, 5)},  // u not across w
      {c_Vector(0, 0, 2), c_Vector(0, 0, 1)},  // u parallel to w
      {c_Vector(0, 0, 0), c_Vector(1, 2, 3)},  // no u at all
      {c_Vector(3, -1, 2), c_Vector(-1, 4, 0.5)},
  };
  for (const Case& c : cases) {
    c_Vector u = c.u, v, w = c.w;
    c_Vector::makeFrame(u, v, w);
    EXPECT_NEAR(u.length(), 1, 1e-12);
    EXPECT_NEAR(v.length(), 1, 1e-12);
    EXPECT_NEAR(w.length(), 1, 1e-12);
    EXPECT_NEAR(c_Vector::dot(u, w), 0, 1e-12);
    c_Vector cross = c_Vector::cross(u, v);
    EXPECT_NEAR((cross - w).length(), 0, 1e-12);
  }
  c_Vector u(1, 0, 0), v, w(0, 0, 1e-9);
  c_Vector::makeFrame(u, v, w);
  EXPECT_EQ(u.dz, -1);
  EXPECT_EQ(v.dy, 1);
  EXPECT_EQ(w.dx, 1);

  for (const c_Vector& a : {c_Vector(1, 2, 3), c_Vector(0, 0, 1), c_Vector(-5, 0.1, 0)}) {
    c_Vector p;
    a.perpendicular(p);
    EXPECT_EQ(c_Vector::dot(a, p), 0);
    EXPECT_GT(p.length(), 0);
  }
}

c_Mat4 rotation(c_Vector axis, double angle, c_Vector shift) {
  axis.normalize();
  double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
  double x = axis.dx, y = axis.dy, z = axis.dz;
  const double rows[16] = {t * x * x + c,
                           t * x * y - s * z,
                           t * x * z + s * y,
                           shift.dx,
                           t * x * y + s * z,
                           t * y * y + c,
                           t * y * z - s * x,
                           shift.dy,
                           t * x * z - s * y,
                           t * y * z + s * x,
                           t * z * z + c,
                           shift.dz,
                           0,
                           0,
                           0,
                           1};
  return c_Mat4(rows);
}

TEST(GeometryTest, TransformsComposeWithTheirInverseToTheIdentity) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> any(-10, 10);
  for (int i = 0; i < 50; ++i) {
    c_Mat4 m = rotation(c_Vector(any(random), any(random), any(random)), any(random),
                        c_Vector(any(random), any(random), any(random)));
    c_Mat4 inverse;
    ASSERT_TRUE(m.inverse(inverse));
    c_Mat4 product = m * inverse;
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(product.m[k], c_Mat4::identity().m[k], 1e-12);
    c_Point p(any(random), any(random), any(random));
    c_Point back = inverse.transformPoint(m.transformPoint(p));
    EXPECT_NEAR(back.distanceTo(p), 0, 1e-12);
  }
  c_Mat4 singular(c_Mat4::zero());
  c_Mat4 out;
  EXPECT_FALSE(singular.inverse(out));

  c_Mat4 quarter = rotation(c_Vector(0, 0, 1), vorga::kHalfPi, c_Vector(5, 0, 0));
  c_Point p = quarter.transformPoint(c_Point(1, 0, 0));
  EXPECT_NEAR(p.x, 5, 1e-15);
  EXPECT_NEAR(p.y, 1, 1e-15);
  c_Vector d = quarter.transformVector(c_Vector(1, 0, 0));
  EXPECT_NEAR(d.dx, 0, 1e-15);
  EXPECT_NEAR(d.dy, 1, 1e-15);
}

TEST(GeometryTest, WorkArraysEndInANullRow) {
  float** rows = allocRows(3, 4);
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(rows[3], nullptr);
  rows[2][3] = 1.5f;
  freeRows(rows);
  EXPECT_EQ(rows, nullptr);
  freeRows(rows);  // a null array is left alone
}

}  // namespace
