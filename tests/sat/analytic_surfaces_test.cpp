// Analytic surfaces: size repairs, silhouettes along which the normal is across the view, the
// rulings, implicit coefficients that vanish on the surface, the warnings of the elliptic
// classes, and intersections with lines and circles through IntersectionResult, whose points lie
// on both objects.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "sat/AnalyticSurfaces.h"
#include "sat/Ellipse.h"
#include "sat/Intersection.h"
#include "sat/Line.h"

namespace {

const double kPi = vorga::kPi;

using Curves = std::vector<std::unique_ptr<c_Curve>>;

Curves take(c_Curve** raw, int n) {
  Curves out;
  for (int i = 0; i < n; ++i) out.emplace_back(raw[i]);
  return out;
}

double implicitAt(const double c[10], const c_Point& p) {
  return c[0] * p.x * p.x + c[1] * p.y * p.y + c[2] * p.z * p.z + c[3] * p.x * p.y +
         c[4] * p.y * p.z + c[5] * p.z * p.x + c[6] * p.x + c[7] * p.y + c[8] * p.z + c[9];
}

TEST(AnalyticSurfacesTest, SizesAreRepaired) {
  EXPECT_EQ(c_Sphere(c_Point(1, 1, 1), 0).radius(), 1.0);
  EXPECT_EQ(c_Cylinder(c_Point(), c_Vector(1, 0, 0), c_Vector(0, 0, 1), -2).radius(), 1.0);
  c_EllCylinder swapped(c_Point(), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 1, 2);
  EXPECT_EQ(swapped.majorRadius(), 2);
  EXPECT_EQ(swapped.minorRadius(), 1);
  EXPECT_EQ(c_Cone(c_Point(), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 0).halfAngle(), kPi / 4);
  EXPECT_EQ(c_Cone(c_Point(), c_Vector(1, 0, 0), c_Vector(0, 0, 1), kPi / 2).halfAngle(), kPi / 4);
  EXPECT_EQ(c_EllCone(c_Point(), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 0.3, 0).ratio(), 1.0);
  c_Plane flat(c_Point(1, 2, 3), c_Vector(0, 0, 0));
  EXPECT_EQ(flat.normal().dz, 1);
  EXPECT_NEAR(c_Plane(c_Point(), c_Vector(0, 3, 4)).normal().dy, 0.6, 1e-15);
}

TEST(AnalyticSurfacesTest, CylinderRulingsAndSilhouettes) {
  c_Cylinder cyl(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 1);
  c_Curve* raw[8];
  Curves rulings = take(raw, cyl.rulings(4, raw));
  ASSERT_EQ(rulings.size(), 4u);
  const c_Point through[] = {c_Point(1, 0, 0), c_Point(0, 1, 0), c_Point(-1, 0, 0),
                             c_Point(0, -1, 0)};
  for (int i = 0; i < 4; ++i) {
    ASSERT_STREQ(rulings[size_t(i)]->name(), "c_Line");
    const c_Line& l = static_cast<const c_Line&>(*rulings[size_t(i)]);
    EXPECT_TRUE(l.isOnCurve(through[i])) << i;
    EXPECT_NEAR(std::fabs(l.direction().dz), 1, 1e-15);
  }
  EXPECT_EQ(cyl.rulings(0, raw), 0);
  Curves along = take(raw, cyl.silhouettes(c_Vector(0, 0, 1), raw));  // viewed along the axis
  EXPECT_EQ(along.size(), 2u);
  Curves side = take(raw, cyl.silhouettes(c_Vector(1, 0, 0), raw));
  ASSERT_EQ(side.size(), 2u);
  EXPECT_NEAR(std::fabs(static_cast<c_Line&>(*side[0]).point().y), 1, 1e-15);
}

// Along each silhouette the surface normal is across the view direction.
TEST(AnalyticSurfacesTest, SilhouettesGrazeTheView) {
  std::vector<std::unique_ptr<c_Surface>> surfaces;
  surfaces.emplace_back(new c_Cylinder(c_Point(1, 2, 3), c_Vector(1, 1, 0), c_Vector(0, 1, 1), 2));
  surfaces.emplace_back(
      new c_EllCylinder(c_Point(1, 2, 3), c_Vector(1, 1, 0), c_Vector(0, 1, 1), 3, 1));
  surfaces.emplace_back(new c_Cone(c_Point(1, 2, 3), c_Vector(1, 1, 0), c_Vector(0, 1, 1), 0.4));
  surfaces.emplace_back(
      new c_EllCone(c_Point(1, 2, 3), c_Vector(1, 1, 0), c_Vector(0, 1, 1), 0.4, 2.5));
  std::mt19937 random(4);
  std::uniform_real_distribution<double> any(-1, 1);
  for (int i = 0; i < 200; ++i) {
    c_Vector view(any(random), any(random), any(random));
    view.normalize();
    for (const auto& s : surfaces) {
      c_Curve* raw[2];
      Curves lines = take(raw, s->silhouettes(view, raw));
      if (sameClassName(s->name(), "c_Cylinder") || sameClassName(s->name(), "c_EllCylinder")) {
        EXPECT_EQ(lines.size(), 2u) << s->name();
      }
      for (const auto& c : lines) {
        c_Point p = c->pointAt(1.7);
        c_Vector n = s->normalAt(p);
        if (n.length() == 0) {  // the elliptic cylinder has no normal of its own: use the gradient
          const c_EllCylinder& e = static_cast<const c_EllCylinder&>(*s);
          c_Vector d = p - e.origin();
          double x = c_Vector::dot(d, e.u()), y = c_Vector::dot(d, e.v());
          n = (x / 9) * e.u() + y * e.v();
          n.normalize();
        }
        EXPECT_NEAR(c_Vector::dot(n, view), 0, 1e-9) << s->name() << " view " << view;
      }
    }
  }
}

TEST(AnalyticSurfacesTest, ImplicitCoefficientsVanishOnTheSurface) {
  c_Sphere sphere(c_Point(1, -2, 0.5), 3);
  c_Cylinder cylinder(c_Point(1, 2, 3), c_Vector(1, 1, 0), c_Vector(0, 1, 1), 2);
  c_Cone cone(c_Point(1, 2, 3), c_Vector(1, 1, 0), c_Vector(0, 1, 1), 0.4);
  double c[10];
  ASSERT_EQ(sphere.algebraicCoefficients(c), 1);
  EXPECT_EQ(c[0], 1);
  EXPECT_EQ(c[6], -2);
  EXPECT_NEAR(c[9], 1 + 4 + 0.25 - 9, 1e-15);
  std::mt19937 random(8);
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  for (int i = 0; i < 100; ++i) {
    double a = angle(random), b = angle(random) / 2;
    c_Point onSphere = sphere.centre() + c_Vector(3 * std::cos(a) * std::cos(b),
                                                  3 * std::sin(a) * std::cos(b), 3 * std::sin(b));
    EXPECT_NEAR(implicitAt(c, onSphere), 0, 1e-12);
    EXPECT_NEAR(sphere.normalAt(onSphere).length(), 1, 1e-12);
  }
  ASSERT_EQ(cylinder.algebraicCoefficients(c), 1);
  c_Curve* raw[16];
  for (const auto& l : take(raw, cylinder.rulings(16, raw)))
    for (double t : {-2.0, 0.0, 3.5}) {
      c_Point p = l->pointAt(t);
      EXPECT_NEAR(implicitAt(c, p), 0, 1e-12);
      EXPECT_NEAR(c_Vector::dot(cylinder.normalAt(p), cylinder.w()), 0, 1e-12);
    }
  ASSERT_EQ(cone.algebraicCoefficients(c), 1);
  for (const auto& l : take(raw, cone.rulings(16, raw)))
    for (double t : {-2.0, 0.5, 3.5}) {
      c_Point p = l->pointAt(t);
      EXPECT_NEAR(implicitAt(c, p), 0, 1e-12);
      // The cone's normal is across its rulings.
      c_Vector along = static_cast<c_Line&>(*l).direction();
      EXPECT_NEAR(c_Vector::dot(cone.normalAt(p), along), 0, 1e-9);
    }
}

TEST(AnalyticSurfacesTest, EllipticClassesWarn) {
  c_EllCylinder ec;
  double c[10];
  testing::internal::CaptureStdout();
  EXPECT_EQ(ec.algebraicCoefficients(c), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "*** Warning (c_EllCylinder::algebraicCoefficients): returning cylinder algebraic "
            "coefficients.\n");
  c_EllCone cone;
  testing::internal::CaptureStderr();
  EXPECT_EQ(cone.algebraicCoefficients(c), 0);
  OldStyleEntityRef ref;
  cone.makeOldStyleEntity(ref);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "*** Warning: c_EllCone::algebraicCoefficients not yet implemented.\n"
            "*** Warning: c_EllCone::makeOldStyleEntity is generating a right circular cone to "
            "pass to old vorga.\n");
  ASSERT_NE(ref.entity, nullptr);
  EXPECT_EQ(ref.entity->kind, kOsCone);
  EXPECT_EQ(static_cast<OsCone*>(ref.entity->record)->halfAngle, kPi / 4);
  releaseOldStyleEntity(ref.entity);
  ec.makeOldStyleEntity(ref);
  EXPECT_EQ(ref.entity, nullptr);  // the kernel has no elliptic cylinder

  std::ostringstream os;
  c_Sphere(c_Point(1, 2, 3), 4).print(os);
  os << "|";
  c_Plane(c_Point(0, 0, 1), c_Vector(0, 0, 1)).print(os);
  EXPECT_EQ(os.str(), "c_Sphere( (1,2,3) , 4 )|c_Plane( (0,0,1) , (0,0,1) )");
}

TEST(AnalyticSurfacesTest, IntersectionsThroughTheClasses) {
  struct Case {
    const char* name;
    std::unique_ptr<c_Curve> curve;
    std::unique_ptr<c_Surface> surface;
    int status, count;
  };
  Case cases[] = {
      {"line and plane", std::make_unique<c_Line>(c_Point(0, 0, 0), c_Vector(0, 0, 1)),
       std::make_unique<c_Plane>(c_Point(0, 0, 5), c_Vector(0, 0, 1)), 2, 1},
      {"line in the plane", std::make_unique<c_Line>(c_Point(0, 0, 5), c_Vector(1, 0, 0)),
       std::make_unique<c_Plane>(c_Point(0, 0, 5), c_Vector(0, 0, 1)), 2, 1},
      {"line and sphere", std::make_unique<c_Line>(c_Point(-5, 0, 0), c_Vector(1, 0, 0)),
       std::make_unique<c_Sphere>(c_Point(0, 0, 0), 2), 2, 2},
      {"line and cylinder", std::make_unique<c_Line>(c_Point(-5, 0, 0), c_Vector(1, 0, 0)),
       std::make_unique<c_Cylinder>(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 1), 2,
       2},
      {"line and cone", std::make_unique<c_Line>(c_Point(1, 0, -5), c_Vector(0, 0, 1)),
       std::make_unique<c_Cone>(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), kPi / 4), 2,
       2},
      {"line and elliptic cylinder", std::make_unique<c_Line>(c_Point(-5, 0, 0), c_Vector(1, 0, 0)),
       std::make_unique<c_EllCylinder>(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 3,
                                       1),
       2, 2},
      {"line on an elliptic cylinder",
       std::make_unique<c_Line>(c_Point(3, 0, 0), c_Vector(0, 0, 1)),
       std::make_unique<c_EllCylinder>(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 3,
                                       1),
       2, 1},
      {"line inside an elliptic cylinder",
       std::make_unique<c_Line>(c_Point(1, 0, 0), c_Vector(0, 0, 1)),
       std::make_unique<c_EllCylinder>(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 3,
                                       1),
       1, 0},
      {"line missing an elliptic cylinder",
       std::make_unique<c_Line>(c_Point(-5, 2, 0), c_Vector(1, 0, 0)),
       std::make_unique<c_EllCylinder>(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 3,
                                       1),
       1, 0},
      {"circle and plane", std::make_unique<c_Circle>(c_Point(0, 0, 0), c_Vector(0, 0, 1), 1),
       std::make_unique<c_Plane>(c_Point(0.5, 0, 0), c_Vector(1, 0, 0)), 2, 2},
      {"circle and sphere", std::make_unique<c_Circle>(c_Point(0, 0, 0), c_Vector(0, 0, 1), 1),
       std::make_unique<c_Sphere>(c_Point(1, 0, 0), 1), 2, 2},
      {"ellipse and plane: no routine", std::make_unique<c_Ellipse>(), std::make_unique<c_Plane>(),
       1, 0},
      {"circle and elliptic cylinder: no old-style form", std::make_unique<c_Circle>(),
       std::make_unique<c_EllCylinder>(), 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IntersectionResult r(*c.curve, *c.surface);
    EXPECT_EQ(r.status(), c.status);
    ASSERT_EQ(r.count(), c.count);
    for (int i = 0; i < r.count(); ++i) {
      c_Point p;
      if (!IntersectionResult::point(r.item(i), p)) continue;
      EXPECT_TRUE(c.curve->isOnCurve(p));
    }
  }
}

// Random lines through IntersectionResult: each point lies on the line and on the surface.
TEST(AnalyticSurfacesTest, RandomIntersectionPointsLieOnBoth) {
  c_Sphere sphere(c_Point(0.2, 0.1, -0.3), 1.5);
  c_Cylinder cylinder(c_Point(0, 0, 0), c_Vector(1, 0, 1), c_Vector(0, 1, 1), 1.2);
  c_EllCylinder ellipse(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 2, 0.7);
  c_Torus torus(c_Point(0, 0, 0), c_Vector(1, 0, 0), c_Vector(0, 0, 1), 1.5, 0.5);
  double sc[10], cc[10];
  sphere.algebraicCoefficients(sc);
  cylinder.algebraicCoefficients(cc);
  std::mt19937 random(12);
  std::uniform_real_distribution<double> any(-2, 2);
  int hits = 0;
  for (int i = 0; i < 1000; ++i) {
    c_Line line(c_Point(any(random), any(random), any(random)),
                c_Vector(any(random), any(random), any(random)));
    struct Check {
      const c_Surface* s;
      std::function<double(const c_Point&)> residual;
    };
    const Check checks[] = {
        {&sphere, [&](const c_Point& p) { return implicitAt(sc, p); }},
        {&cylinder, [&](const c_Point& p) { return implicitAt(cc, p); }},
        {&ellipse, [](const c_Point& p) { return p.x * p.x / 4 + p.y * p.y / 0.49 - 1; }},
        {&torus,
         [](const c_Point& p) { return std::hypot(std::hypot(p.x, p.y) - 1.5, p.z) - 0.5; }},
    };
    for (const Check& c : checks) {
      IntersectionResult r(line, *c.s);
      if (r.status() != 2) continue;
      for (int k = 0; k < r.count(); ++k) {
        c_Point p;
        if (!IntersectionResult::point(r.item(k), p)) continue;
        ++hits;
        EXPECT_NEAR(c.residual(p), 0, 1e-6) << c.s->name();
        EXPECT_LT(line.pointAt(line.parameterOf(p)).distanceTo(p), 1e-9);
      }
    }
  }
  EXPECT_GT(hits, 1000);
}

}  // namespace
