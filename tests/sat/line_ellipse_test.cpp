// Lines and ellipses: construction repairs, parameters and points both ways, sameness at the
// library's tolerances, and their old-style forms.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "sat/Ellipse.h"
#include "sat/Line.h"

namespace {

const double kPi = vorga::kPi;

TEST(LineEllipseTest, Lines) {
  c_Line degenerate(c_Point(1, 2, 3), c_Vector(0, 0, 0));
  EXPECT_EQ(degenerate.direction().dz, 1);
  c_Line l(c_Point(1, 0, 0), c_Vector(0, 3, 4));
  EXPECT_NEAR(l.direction().length(), 1, 1e-15);
  EXPECT_NEAR(l.parameterOf(c_Point(1, 3, 4)), 5, 1e-15);
  EXPECT_TRUE(l.isOnCurve(l.pointAt(-7.5)));
  EXPECT_FALSE(l.isOnCurve(c_Point(1.1, 3, 4)));
  EXPECT_FALSE(l.isClosed());
  EXPECT_TRUE(l.isParameterInRange(1, 0, 2, 0));
  EXPECT_FALSE(l.isParameterInRange(3, 0, 2, 1));

  EXPECT_TRUE(l.isSameAs(c_Line(c_Point(1, 6, 8), c_Vector(0, -3, -4))));
  EXPECT_FALSE(l.isSameAs(c_Line(c_Point(1, 6, 8.5), c_Vector(0, 3, 4))));
  EXPECT_FALSE(l.isSameAs(c_Line(c_Point(1, 0, 0), c_Vector(0, 3, 4.1))));

  std::ostringstream os;
  c_Line(c_Point(1, 2, 3), c_Vector(1, 0, 0)).print(os);
  EXPECT_EQ(os.str(), "c_Line( (1,2,3) , (1,0,0) )");

  OldStyleEntityRef ref;
  l.makeOldStyleEntity(ref);
  ASSERT_NE(ref.entity, nullptr);
  EXPECT_EQ(ref.entity->kind, kOsLine);
  EXPECT_NEAR(static_cast<OsLine*>(ref.entity->record)->direction[2], 0.8, 1e-15);
  releaseOldStyleEntity(ref.entity);
}

TEST(LineEllipseTest, EllipseRadiiAreRepairedAndOrdered) {
  c_Ellipse e(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 1, 2);
  EXPECT_EQ(e.majorRadius(), 2);
  EXPECT_EQ(e.minorRadius(), 1);
  EXPECT_NEAR(e.u().dy, 1, 1e-15);   // the old v
  EXPECT_NEAR(e.v().dx, 1, 1e-15);   // the old u
  EXPECT_NEAR(e.w().dz, -1, 1e-15);  // reversed
  EXPECT_NEAR((c_Vector::cross(e.u(), e.v()) - e.w()).length(), 0, 1e-15);

  c_Ellipse zero(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 0, 0);
  EXPECT_EQ(zero.majorRadius(), 1.5);
  EXPECT_EQ(zero.minorRadius(), 1.0);
  c_Ellipse standard;
  EXPECT_EQ(standard.majorRadius(), 1.5);
  EXPECT_TRUE(standard.isClosed());
}

TEST(LineEllipseTest, EllipseParametersAndPoints) {
  c_Ellipse e(c_Point(1, 2, 3), c_Vector(1, 1, 0), c_Vector(0, 0, 1), 3, 2);
  const c_Point o = e.centre();
  EXPECT_NEAR(e.parameterOf(o + 3.0 * e.u()), 0, 1e-15);
  EXPECT_NEAR(e.parameterOf(o + 2.0 * e.v()), kPi / 2, 1e-15);
  EXPECT_EQ(e.parameterOf(o - 3.0 * e.u()), kPi);
  std::mt19937 random(2);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  for (int i = 0; i < 200; ++i) {
    double t = angle(random);
    c_Point p = e.pointAt(t);
    EXPECT_TRUE(e.isOnCurve(p));
    EXPECT_NEAR(e.parameterOf(p), t, 1e-12);
    c_Vector tangent = e.tangentAt(t);
    c_Vector chord = e.pointAt(t + 1e-6) - e.pointAt(t - 1e-6);
    chord.normalize();
    EXPECT_NEAR(c_Vector::dot(tangent, chord), 1, 1e-9);
  }
  EXPECT_FALSE(e.isOnCurve(o + 3.1 * e.u()));
  EXPECT_FALSE(e.isOnCurve(o + 3.0 * e.u() + 0.01 * e.w()));
  c_Point f1, f2;
  e.foci(f1, f2);
  EXPECT_NEAR(f1.distanceTo(o), std::sqrt(5.0), 1e-15);
}

TEST(LineEllipseTest, SameEllipseAtTheDefaultTolerances) {
  c_Ellipse e(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 3, 2);
  EXPECT_TRUE(e.isSameAs(
      c_Ellipse(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 3 + 1e-7, 2 - 1e-7)));
  EXPECT_FALSE(
      e.isSameAs(c_Ellipse(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 3.001, 2)));
  EXPECT_FALSE(
      e.isSameAs(c_Ellipse(c_Point(0, 0, 0), c_Vector(1, 0.1, 0), c_Vector(0, 0, 1), 3, 2)));
  EXPECT_FALSE(e.isSameAs(c_Line()));
  c_Circle circle(c_Point(0, 0, 0), c_Vector(0, 0, 1), 2);
  c_Ellipse round(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 2, 2);
  EXPECT_FALSE(circle.isSameAs(round));  // the class names differ

  std::ostringstream os;
  c_Ellipse(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 3, 2).print(os);
  EXPECT_EQ(os.str(), "c_Ellipse( (0,0,0) , (1,0,0) , (0,1,0) , (0,0,1) , 3 , 2 )");

  OldStyleEntityRef ref;
  e.makeOldStyleEntity(ref);
  ASSERT_NE(ref.entity, nullptr);
  EXPECT_EQ(ref.entity->kind, kOsEllipse);
  EXPECT_EQ(static_cast<OsEllipse*>(ref.entity->record)->b, 2);
  releaseOldStyleEntity(ref.entity);

  std::vector<c_Point> points(100);
  int n = e.tessellate(0.01, points.data(), 100, 0, nullptr);
  ASSERT_GT(n, 2);
  for (int i = 0; i < n; ++i) EXPECT_TRUE(e.isOnCurve(points[size_t(i)]));
  EXPECT_TRUE(e.isParameterInRange(3.0, 2.5, -2.5, 1));
}

}  // namespace
