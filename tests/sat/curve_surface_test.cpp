// Curve and surface bases, the circle and the torus: construction repairs, the angular range
// test, the conic tessellation's point counts and closure, and the torus cut by a line.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "sat/Curve.h"
#include "sat/Surface.h"
#include "sat/Tolerance.h"

namespace {

const double kPi = vorga::kPi;

TEST(CurveSurfaceTest, CircleConstructionAndQueries) {
  c_Circle zero(c_Point(1, 2, 3), c_Vector(0, 0, 1), 0);
  EXPECT_EQ(zero.radius(), 1.0);

  c_Circle c(c_Point(1, 0, 0), c_Vector(0, 0, 2), 2);
  c_Vector u = c.u(), v = c.v(), w = c.w();
  EXPECT_NEAR(c_Vector::dot(u, v), 0, 1e-15);
  EXPECT_NEAR((c_Vector::cross(u, v) - w).length(), 0, 1e-15);
  EXPECT_NEAR(w.dz, 1, 1e-15);
  for (double t : {-3.0, -1.0, 0.0, 0.5, 2.0, kPi}) {
    c_Point p = c.pointAt(t);
    EXPECT_TRUE(c.isOnCurve(p)) << t;
    EXPECT_NEAR(c.parameterOf(p), t, 1e-12) << t;
  }
  EXPECT_FALSE(c.isOnCurve(c_Point(1, 0, 2)));
  EXPECT_FALSE(c.isOnCurve(c_Point(3, 0, 0.01)));
  EXPECT_TRUE(c.isClosed());

  std::ostringstream os;
  c_Circle(c_Point(0, 0, 0), c_Vector(0, 0, 1), 1.5).print(os);
  EXPECT_EQ(os.str().rfind("c_Circle( C=(0,0,0) , u=", 0), 0u);
  EXPECT_NE(os.str().find(" , w=(0,0,1) , r=1.5 )"), std::string::npos);

  OldStyleEntityRef ref;
  c.makeOldStyleEntity(ref);
  ASSERT_NE(ref.entity, nullptr);
  EXPECT_EQ(ref.entity->kind, kOsCircle);
  EXPECT_EQ(static_cast<OsCircle*>(ref.entity->record)->radius, 2);
  releaseOldStyleEntity(ref.entity);
}

TEST(CurveSurfaceTest, SameCircleNeedsTheSameClassCentreNormalAndRadius) {
  c_Circle a(c_Point(0, 0, 0), c_Vector(0, 0, 1), 1);
  EXPECT_TRUE(a.isSameAs(c_Circle(c_Point(0, 0, 1e-8), c_Vector(0, 0, 3), 1 + 1e-7)));
  EXPECT_FALSE(a.isSameAs(c_Circle(c_Point(0, 0, 0), c_Vector(0, 0, -1), 1)));
  EXPECT_FALSE(a.isSameAs(c_Circle(c_Point(0, 0, 0), c_Vector(0, 0, 1), 1.001)));
  EXPECT_FALSE(a.isSameAs(c_Circle(c_Point(0.1, 0, 0), c_Vector(0, 0, 1), 1)));
}

TEST(CurveSurfaceTest, AngularRangeTest) {
  struct Case {
    double t, a, b;
    int direction;
    bool inside;
  };
  const Case cases[] = {
      {3.0, 2.5, -2.5, 1, true},                               // counter-clockwise through pi
      {0.0, 2.5, -2.5, 1, false}, {3.0, 2.5, -2.5, 0, false},  // clockwise the other way round
      {0.0, 2.5, -2.5, 0, true},  {0.5, 0.0, 1.0, 1, true},    {1.5, 0.0, 1.0, 1, false},
      {-1.0, 1.0, 0.5, 1, true},                                // wraps
      {0.7, 1.0, 0.5, 0, true},   {2.0, 1.0, 1.0005, 1, true},  // ends within the angular
                                                                // tolerance: the whole turn
  };
  c_Circle c;
  for (const Case& k : cases)
    EXPECT_EQ(c.isParameterInRange(k.t, k.a, k.b, k.direction), k.inside)
        << k.t << " in " << k.a << ".." << k.b << " direction " << k.direction;
  EXPECT_TRUE(isAngleInRange(0.3, 0.0, 1.0, 1));
  EXPECT_NEAR(normalizeAngle(3 * kPi / 2), -kPi / 2, 1e-15);
  EXPECT_NEAR(normalizeAngle(-5 * kPi / 2), -kPi / 2, 1e-14);
  EXPECT_EQ(normalizeAngle(INFINITY), 0.0);
}

TEST(CurveSurfaceTest, ConicTessellation) {
  c_Circle c(c_Point(0, 0, 0), c_Vector(0, 0, 1), 1);
  std::vector<c_Point> out(200);
  struct Case {
    const char* name;
    double tolerance;
    int maxCount;
    int direction;
    ConicRange range;
    int count;
  };
  const Case cases[] = {
      {"full circle at 0.01", 0.01, 200, 0, {0, 0, 0}, 23},
      {"capped", 0.01, 10, 0, {0, 0, 0}, 10},
      {"half circle, two points allowed", 1.0, 2, 0, {1, 0, kPi}, 2},
      {"half circle, spacing below pi", 1.0, 5, 0, {1, 0, kPi}, 3},
      {"equal ends: whole turn", 0.01, 200, 0, {1, 1.0, 1.0}, 23},
      {"chord tolerance beyond the radius", 5.0, 200, 0, {0, 0, 0}, 4},
      {"no room", 0.01, 0, 0, {0, 0, 0}, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    int n = c.tessellate(k.tolerance, out.data(), k.maxCount, k.direction, &k.range);
    ASSERT_EQ(n, k.count);
    for (int i = 0; i < n; ++i) EXPECT_TRUE(c.isOnCurve(out[size_t(i)])) << i;
  }
  // A whole turn closes on its first point; clockwise runs the other way.
  int n = c.tessellate(0.01, out.data(), 200, 0, nullptr);
  EXPECT_NEAR(out[0].distanceTo(out[size_t(n - 1)]), 0, 1e-12);
  EXPECT_NEAR(out[0].distanceTo(c.pointAt(-kPi)), 0, 1e-15);
  EXPECT_LT(c.parameterOf(out[1]), -kPi / 2);  // counter-clockwise from -pi
  c.tessellate(0.01, out.data(), 200, 1, nullptr);
  EXPECT_GT(c.parameterOf(out[1]), kPi / 2);
  ConicRange quarter{1, 0, kPi / 2};
  n = c.tessellate(0.01, out.data(), 200, 0, &quarter);
  EXPECT_NEAR(out[0].distanceTo(c.pointAt(0)), 0, 1e-15);
  EXPECT_NEAR(out[size_t(n - 1)].distanceTo(c.pointAt(kPi / 2)), 0, 1e-15);
  n = c.tessellate(0.01, out.data(), 200, 1, &quarter);  // clockwise: the long way round
  EXPECT_EQ(n, 18);
  EXPECT_NEAR(out[size_t(n - 1)].distanceTo(c.pointAt(kPi / 2)), 0, 1e-15);
  EXPECT_LT(c.parameterOf(out[1]), 0);
}

TEST(CurveSurfaceTest, TorusRepairsAndLineCuts) {
  c_Torus small(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 0.5, 1.0);
  EXPECT_EQ(small.majorRadius(), 1.05);
  c_Torus thin(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 0.5, 0);
  EXPECT_EQ(thin.minorRadius(), 1.0);
  EXPECT_EQ(thin.majorRadius(), 1.05);
  c_Torus standard;
  EXPECT_EQ(standard.majorRadius(), 2.0);
  EXPECT_STREQ(standard.name(), "c_Torus");

  std::ostringstream os;
  standard.print(os);
  EXPECT_EQ(os.str(), "c_Torus( (0,0,0) , (0,0,-1) , (0,1,0) , (1,0,0) , 2 , 1 )");

  OldStyleEntityRef ref;
  standard.makeOldStyleEntity(ref);
  EXPECT_EQ(ref.entity, nullptr);

  IntersectionList list;
  c_Circle circle(c_Point(0, 0, 0), c_Vector(1, 0, 0), 2);
  EXPECT_EQ(standard.intersect(circle, list), 1);
  EXPECT_EQ(list.count, 0u);
  EXPECT_EQ(standard.normalAt(c_Point(3, 0, 0)).length(), 0.0);
}

TEST(CurveSurfaceTest, BaseSurfaceComputesNothing) {
  struct Plain : c_Surface {
    const char* name() const override { return "plain"; }
  } plain;
  c_Curve* curves[2] = {};
  EXPECT_EQ(plain.silhouettes(c_Vector(0, 0, 1), curves), 0);
  EXPECT_EQ(plain.rulings(4, curves), 0);
  IntersectionList list;
  list.count = 3;
  testing::internal::CaptureStdout();
  EXPECT_EQ(plain.intersect(c_Circle(), list), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "c_Surface::intersect called.\n");
  EXPECT_EQ(list.count, 0u);
}

}  // namespace
