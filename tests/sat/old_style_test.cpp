// The old-style kernel: record pools and their reuse, the type-pair dispatch, the result list,
// and the pairwise routines against closed forms (points, tangent flags and result codes), with
// random lines against random surfaces checked on both objects.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "sat/Geometry.h"
#include "sat/OldStyle.h"
#include "sat/OldStyleIntersect.h"

namespace {

const double kSqrt2 = std::sqrt(2.0);

OsLine line(double px, double py, double pz, double dx, double dy, double dz) {
  double len = std::sqrt(dx * dx + dy * dy + dz * dz);
  OsLine l{};
  l.point[0] = px, l.point[1] = py, l.point[2] = pz;
  l.direction[0] = dx / len, l.direction[1] = dy / len, l.direction[2] = dz / len;
  return l;
}

OsPlane plane(double px, double py, double pz, double nx, double ny, double nz) {
  double len = std::sqrt(nx * nx + ny * ny + nz * nz);
  OsPlane p{};
  p.point[0] = px, p.point[1] = py, p.point[2] = pz;
  p.normal[0] = nx / len, p.normal[1] = ny / len, p.normal[2] = nz / len;
  return p;
}

void setFrame(double c[3], double u[3], double v[3], double w[3], const double centre[3],
              int normalAxis) {
  // Frames along the coordinate axes: normal z gives (x, y, z); y gives (z, x, y); x gives (y, z,
  // x).
  const double axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  int iu = (normalAxis + 1) % 3, iv = (normalAxis + 2) % 3;
  for (int i = 0; i < 3; ++i) {
    c[i] = centre[i];
    u[i] = axes[iu][i];
    v[i] = axes[iv][i];
    w[i] = axes[normalAxis][i];
  }
}

OsCircle circle(double cx, double cy, double cz, double r, int normalAxis = 2) {
  OsCircle c{};
  const double centre[3] = {cx, cy, cz};
  setFrame(c.centre, c.u, c.v, c.w, centre, normalAxis);
  c.radius = r;
  return c;
}

OsEllipse ellipse(double a, double b) {
  OsEllipse e{};
  const double centre[3] = {0, 0, 0};
  setFrame(e.centre, e.u, e.v, e.w, centre, 2);
  e.a = a, e.b = b;
  return e;
}

OsHyperbola hyperbola(double a, double b) {
  OsHyperbola h{};
  const double centre[3] = {0, 0, 0};
  setFrame(h.centre, h.u, h.v, h.w, centre, 2);
  h.a = a, h.b = b;
  return h;
}

OsParabola parabola(double f) {
  OsParabola p{};
  const double centre[3] = {0, 0, 0};
  setFrame(p.vertex, p.u, p.v, p.w, centre, 2);
  p.focal = f;
  return p;
}

OsCylinder cylinder(double ox, double oy, double r) {
  OsCylinder c{};
  const double origin[3] = {ox, oy, 0};
  setFrame(c.origin, c.u, c.v, c.w, origin, 2);
  c.radius = r;
  return c;
}

OsSphere sphere(double cx, double cy, double cz, double r) {
  OsSphere s{};
  s.centre[0] = cx, s.centre[1] = cy, s.centre[2] = cz;
  s.radius = r;
  return s;
}

OsCone cone(double halfAngle) {
  OsCone c{};
  const double apex[3] = {0, 0, 0};
  setFrame(c.apex, c.u, c.v, c.w, apex, 2);
  c.halfAngle = halfAngle;
  c.tanHalfAngle = std::tan(halfAngle);
  c.cosHalfAngle = std::cos(halfAngle);
  return c;
}

struct P {
  double x, y, z;
  int tangent;
};

struct RoutineCase {
  const char* name;
  std::function<int(IntersectionList&)> run;
  int result;
  std::vector<P> points;  // in any order
};

void expectPoints(const IntersectionList& list, const std::vector<P>& want) {
  ASSERT_EQ(list.count, want.size());
  std::vector<bool> used(want.size(), false);
  for (uint32_t i = 0; i < list.count; ++i) {
    const IntersectionRecord& r = list.records[i];
    ASSERT_EQ(r.kind, uint32_t(kOsPoint)) << "record " << i;
    bool found = false;
    for (size_t k = 0; k < want.size() && !found; ++k) {
      if (used[k]) continue;
      double d =
          std::hypot(r.g.point[0] - want[k].x, r.g.point[1] - want[k].y, r.g.point[2] - want[k].z);
      if (d < 1e-9) {
        used[k] = true;
        found = true;
        EXPECT_EQ(r.tangent, want[k].tangent) << "record " << i;
      }
    }
    EXPECT_TRUE(found) << "unexpected point " << r.g.point[0] << " " << r.g.point[1] << " "
                       << r.g.point[2];
  }
}

TEST(OldStyleTest, PairwiseRoutinesAgainstClosedForms) {
  const double h = std::sqrt(0.75), s53 = std::sqrt(5.0 / 3), s712 = std::sqrt(7.0 / 12);
  const RoutineCase cases[] = {
      {"line along a plane's normal",
       [](auto& o) {
         return intersectLinePlane(line(0, 0, 0, 0, 0, 1), plane(0, 0, 5, 0, 0, 1), o);
       },
       0,
       {{0, 0, 5, 0}}},
      {"line in the plane",
       [](auto& o) {
         return intersectLinePlane(line(0, 0, 5, 1, 0, 0), plane(0, 0, 5, 0, 0, 1), o);
       },
       0,
       {}},
      {"line parallel off the plane",
       [](auto& o) {
         return intersectLinePlane(line(0, 0, 6, 1, 0, 0), plane(0, 0, 5, 0, 0, 1), o);
       },
       -7,
       {}},
      {"line through a sphere",
       [](auto& o) { return intersectLineSphere(line(-5, 0, 0, 1, 0, 0), sphere(1, 0, 0, 2), o); },
       0,
       {{-1, 0, 0, 0}, {3, 0, 0, 0}}},
      {"line touching a sphere",
       [](auto& o) { return intersectLineSphere(line(-5, 2, 0, 1, 0, 0), sphere(0, 0, 0, 2), o); },
       0,
       {{0, 2, 0, 1}}},
      {"line missing a sphere",
       [](auto& o) { return intersectLineSphere(line(-5, 3, 0, 1, 0, 0), sphere(0, 0, 0, 2), o); },
       1,
       {}},
      {"line across a cylinder",
       [](auto& o) { return intersectLineCylinder(line(-5, 0, 3, 1, 0, 0), cylinder(0, 0, 2), o); },
       0,
       {{-2, 0, 3, 0}, {2, 0, 3, 0}}},
      {"line touching a cylinder",
       [](auto& o) { return intersectLineCylinder(line(-5, 2, 0, 1, 0, 0), cylinder(0, 0, 2), o); },
       0,
       {{0, 2, 0, 1}}},
      {"line on a cylinder",
       [](auto& o) { return intersectLineCylinder(line(2, 0, 0, 0, 0, 1), cylinder(0, 0, 2), o); },
       0,
       {}},
      {"axis-parallel line outside",
       [](auto& o) { return intersectLineCylinder(line(3, 0, 0, 0, 0, 1), cylinder(0, 0, 2), o); },
       1,
       {}},
      {"axis-parallel line inside",
       [](auto& o) { return intersectLineCylinder(line(1, 0, 0, 0, 0, 1), cylinder(0, 0, 2), o); },
       -5,
       {}},
      {"line across both nappes of a cone",
       [](auto& o) { return intersectLineCone(line(1, 0, -5, 0, 0, 1), cone(vorga::kPi / 4), o); },
       0,
       {{1, 0, -1, 0}, {1, 0, 1, 0}}},
      {"crossing lines",
       [](auto& o) {
         return intersectLineLine(line(0, 0, 1, 1, 0, 0), line(2, -3, 1, 0, 1, 0), o);
       },
       0,
       {{2, 0, 1, 0}}},
      {"skew lines",
       [](auto& o) { return intersectLineLine(line(0, 0, 0, 1, 0, 0), line(0, 0, 1, 0, 1, 0), o); },
       1,
       {}},
      {"parallel lines",
       [](auto& o) {
         return intersectLineLine(line(0, 0, 0, 1, 0, 0), line(0, 1, 0, -1, 0, 0), o);
       },
       -6,
       {}},
      {"the same line",
       [](auto& o) { return intersectLineLine(line(0, 0, 0, 1, 0, 0), line(4, 0, 0, 1, 0, 0), o); },
       0,
       {}},
      {"line through a circle's rim",
       [](auto& o) { return intersectLineCircle(line(1, 0, 5, 0, 0, 1), circle(0, 0, 0, 1), o); },
       0,
       {{1, 0, 0, 0}}},
      {"line through a circle's inside",
       [](auto& o) { return intersectLineCircle(line(0.5, 0, 5, 0, 0, 1), circle(0, 0, 0, 1), o); },
       1,
       {}},
      {"line in a circle's plane",
       [](auto& o) { return intersectLineCircle(line(-3, 0, 0, 1, 0, 0), circle(0, 0, 0, 1), o); },
       0,
       {{-1, 0, 0, 0}, {1, 0, 0, 0}}},
      {"line in an ellipse's plane",
       [](auto& o) { return intersectLineEllipse(line(-3, 0, 0, 1, 0, 0), ellipse(2, 1), o); },
       0,
       {{-2, 0, 0, 0}, {2, 0, 0, 0}}},
      {"line touching an ellipse",
       [](auto& o) { return intersectLineEllipse(line(-3, 1, 0, 1, 0, 0), ellipse(2, 1), o); },
       0,
       {{0, 1, 0, 1}}},
      {"line through an ellipse's rim",
       [](auto& o) { return intersectLineEllipse(line(0, 1, 4, 0, 0, 1), ellipse(2, 1), o); },
       0,
       {{0, 1, 0, 0}}},
      {"line across a parabola",
       [](auto& o) { return intersectLineParabola(line(-5, 1, 0, 1, 0, 0), parabola(1), o); },
       0,
       {{-2, 1, 0, 0}, {2, 1, 0, 0}}},
      {"line along a parabola's axis",
       [](auto& o) { return intersectLineParabola(line(2, -5, 0, 0, 1, 0), parabola(1), o); },
       0,
       {{2, 1, 0, 0}}},
      {"line across a hyperbola",
       [](auto& o) { return intersectLineHyperbola(line(-5, 0, 0, 1, 0, 0), hyperbola(1, 1), o); },
       0,
       {{-1, 0, 0, 0}, {1, 0, 0, 0}}},
      {"line between a hyperbola's branches",
       [](auto& o) { return intersectLineHyperbola(line(0, -5, 0, 0, 1, 0), hyperbola(1, 1), o); },
       1,
       {}},
      {"circles touching",
       [](auto& o) { return intersectCircleCircle(circle(0, 0, 0, 1), circle(2, 0, 0, 1), o); },
       0,
       {{1, 0, 0, 1}}},
      {"circles crossing",
       [h](auto& o) { return intersectCircleCircle(circle(0, 0, 0, 1), circle(1, 0, 0, 1), o); },
       0,
       {{0.5, h, 0, 0}, {0.5, -h, 0, 0}}},
      {"circles apart",
       [](auto& o) { return intersectCircleCircle(circle(0, 0, 0, 1), circle(3, 0, 0, 1), o); },
       1,
       {}},
      {"circle inside a larger one",
       [](auto& o) { return intersectCircleCircle(circle(0, 0, 0, 1), circle(0, 0, 0, 2), o); },
       -1,
       {}},
      {"larger circle around a smaller one",
       [](auto& o) { return intersectCircleCircle(circle(0, 0, 0, 2), circle(0, 0, 0, 1), o); },
       -2,
       {}},
      {"the same circle",
       [](auto& o) { return intersectCircleCircle(circle(0, 0, 0, 1), circle(0, 0, 0, 1), o); },
       0,
       {}},
      {"circles in crossing planes",
       [](auto& o) {
         return intersectCircleCircle(circle(0, 0, 0, 1), circle(0, 0, 0.5, std::sqrt(1.25), 1), o);
       },
       0,
       {{1, 0, 0, 0}, {-1, 0, 0, 0}}},
      {"circles in parallel planes",
       [](auto& o) { return intersectCircleCircle(circle(0, 0, 0, 1), circle(0, 0, 1, 1), o); },
       1,
       {}},
      {"circle across a plane",
       [h](auto& o) {
         return intersectCirclePlane(circle(0, 0, 0, 1), plane(0.5, 0, 0, 1, 0, 0), o);
       },
       0,
       {{0.5, h, 0, 0}, {0.5, -h, 0, 0}}},
      {"circle touching a plane",
       [](auto& o) { return intersectCirclePlane(circle(0, 0, 0, 1), plane(1, 0, 0, 1, 0, 0), o); },
       0,
       {{1, 0, 0, 1}}},
      {"circle in a parallel plane",
       [](auto& o) { return intersectCirclePlane(circle(0, 0, 0, 1), plane(0, 0, 1, 0, 0, 1), o); },
       -3,
       {}},
      {"circle in the plane",
       [](auto& o) {
         return intersectCirclePlane(circle(0, 0, 0, 1), plane(3, 3, 0, 0, 0, -1), o);
       },
       0,
       {}},
      {"circle across a sphere",
       [h](auto& o) { return intersectCircleSphere(circle(0, 0, 0, 1), sphere(1, 0, 0, 1), o); },
       0,
       {{0.5, h, 0, 0}, {0.5, -h, 0, 0}}},
      {"circle on a sphere",
       [](auto& o) {
         return intersectCircleSphere(circle(0, 0, 0, 1), sphere(0, 0, 1, kSqrt2), o);
       },
       0,
       {}},
      {"circle inside a sphere",
       [](auto& o) { return intersectCircleSphere(circle(0, 0, 0, 1), sphere(0, 0, 0, 2), o); },
       -4,
       {}},
      {"circle across a cylinder",
       [h](auto& o) { return intersectCircleCylinder(circle(1, 0, 0, 1), cylinder(0, 0, 1), o); },
       0,
       {{0.5, h, 0, 0}, {0.5, -h, 0, 0}}},
      {"circle on a cylinder",
       [](auto& o) { return intersectCircleCylinder(circle(0, 0, 4, 1), cylinder(0, 0, 1), o); },
       0,
       {}},
      {"circle across a cone",
       [h](auto& o) { return intersectCircleCone(circle(1, 0, 1, 1), cone(vorga::kPi / 4), o); },
       0,
       {{0.5, h, 1, 0}, {0.5, -h, 1, 0}}},
      {"circle on a cone",
       [](auto& o) { return intersectCircleCone(circle(0, 0, 1, 1), cone(vorga::kPi / 4), o); },
       0,
       {}},
      {"circle crossing an ellipse four times",
       [=](auto& o) { return intersectCircleEllipse(circle(0, 0, 0, 1.5), ellipse(2, 1), o); },
       0,
       {{s53, s712, 0, 0}, {-s53, s712, 0, 0}, {s53, -s712, 0, 0}, {-s53, -s712, 0, 0}}},
      {"circle touching an ellipse",
       [](auto& o) { return intersectCircleEllipse(circle(0, 0, 0, 1), ellipse(2, 1), o); },
       0,
       {{0, 1, 0, 1}, {0, -1, 0, 1}}},
      {"circle through an ellipse's plane",
       [](auto& o) { return intersectCircleEllipse(circle(2.5, 0, 0, 0.5, 1), ellipse(2, 1), o); },
       0,
       {{2, 0, 0, 0}}},
      {"circle across a hyperbola",
       [](auto& o) {
         return intersectCircleHyperbola(circle(0, 0, 0, kSqrt2), hyperbola(1, 1), o);
       },
       0,
       {{std::sqrt(1.5), std::sqrt(0.5), 0, 0},
        {-std::sqrt(1.5), std::sqrt(0.5), 0, 0},
        {std::sqrt(1.5), -std::sqrt(0.5), 0, 0},
        {-std::sqrt(1.5), -std::sqrt(0.5), 0, 0}}},
      {"circle across a parabola",
       [](auto& o) {
         return intersectCircleParabola(circle(0, 0, 0, std::sqrt(5.0)), parabola(1), o);
       },
       0,
       {{2, 1, 0, 0}, {-2, 1, 0, 0}}},
      {"line through a torus's hole",
       [](auto& o) {
         const double c[3] = {0, 0, 0}, w[3] = {0, 0, 1};
         return intersectLineTorus(line(-9, 0, 0, 1, 0, 0), c, w, 2, 1, o);
       },
       0,
       {{-3, 0, 0, 0}, {-1, 0, 0, 0}, {1, 0, 0, 0}, {3, 0, 0, 0}}},
      {"line touching a torus's top",
       [](auto& o) {
         const double c[3] = {0, 0, 0}, w[3] = {0, 0, 1};
         return intersectLineTorus(line(-9, 0, 1, 1, 0, 0), c, w, 2, 1, o);
       },
       0,
       {{-2, 0, 1, 1}, {2, 0, 1, 1}}},
      {"line touching the hole and crossing",
       [](auto& o) {
         const double c[3] = {0, 0, 0}, w[3] = {0, 0, 1};
         return intersectLineTorus(line(-9, 1, 0, 1, 0, 0), c, w, 2, 1, o);
       },
       0,
       {{-std::sqrt(8.0), 1, 0, 0}, {0, 1, 0, 1}, {std::sqrt(8.0), 1, 0, 0}}},
      {"line through the tube",
       [](auto& o) {
         const double c[3] = {0, 0, 0}, w[3] = {0, 0, 1};
         return intersectLineTorus(line(2, 0, -9, 0, 0, 1), c, w, 2, 1, o);
       },
       0,
       {{2, 0, -1, 0}, {2, 0, 1, 0}}},
      {"line touching the outside",
       [](auto& o) {
         const double c[3] = {0, 0, 0}, w[3] = {0, 0, 1};
         return intersectLineTorus(line(-9, 3, 0, 1, 0, 0), c, w, 2, 1, o);
       },
       0,
       {{0, 3, 0, 1}}},
      {"line along the axis",
       [](auto& o) {
         const double c[3] = {0, 0, 0}, w[3] = {0, 0, 1};
         return intersectLineTorus(line(0, 0, -9, 0, 0, 1), c, w, 2, 1, o);
       },
       1,
       {}},
      {"line far away",
       [](auto& o) {
         const double c[3] = {0, 0, 0}, w[3] = {0, 0, 1};
         return intersectLineTorus(line(0, 50, 0, 1, 0, 0), c, w, 2, 1, o);
       },
       1,
       {}},
  };
  for (const RoutineCase& c : cases) {
    SCOPED_TRACE(c.name);
    IntersectionList list;
    list.count = 7;  // every routine starts its list afresh
    EXPECT_EQ(c.run(list), c.result);
    expectPoints(list, c.points);
  }
}

TEST(OldStyleTest, PlaneSectionsGiveTheirCurves) {
  IntersectionList out;
  EXPECT_EQ(intersectPlanePlane(plane(0, 0, 0, 0, 0, 1), plane(0, 0, 3, 0, 0, -1), out), -8);
  ASSERT_EQ(intersectPlanePlane(plane(0, 0, 1, 0, 0, 1), plane(2, 0, 0, 1, 0, 0), out), 0);
  ASSERT_EQ(out.count, 1u);
  EXPECT_EQ(out.records[0].kind, uint32_t(kOsLine));
  EXPECT_NEAR(out.records[0].g.line.point[0], 2, 1e-15);
  EXPECT_NEAR(out.records[0].g.line.point[2], 1, 1e-15);
  EXPECT_NEAR(std::fabs(out.records[0].g.line.direction[1]), 1, 1e-15);

  ASSERT_EQ(intersectPlaneSphere(plane(0, 0, 1, 0, 0, 1), sphere(0, 0, 0, 2), out), 0);
  ASSERT_EQ(out.records[0].kind, uint32_t(kOsCircle));
  EXPECT_NEAR(out.records[0].g.circle.radius, std::sqrt(3.0), 1e-15);
  EXPECT_NEAR(out.records[0].g.circle.centre[2], 1, 1e-15);
  EXPECT_EQ(intersectPlaneSphere(plane(0, 0, 3, 0, 0, 1), sphere(0, 0, 0, 2), out), 1);

  // A plane at 60 degrees to a cylinder's axis cuts an ellipse of radii r / cos 60 and r.
  ASSERT_EQ(intersectPlaneCylinder(plane(0, 0, 0, std::sin(vorga::kPi / 3), 0, 0.5),
                                   cylinder(0, 0, 1), out),
            0);
  ASSERT_EQ(out.records[0].kind, uint32_t(kOsEllipse));
  EXPECT_NEAR(out.records[0].g.ellipse.a, 2, 1e-12);
  EXPECT_NEAR(out.records[0].g.ellipse.b, 1, 1e-12);
  ASSERT_EQ(intersectPlaneCylinder(plane(0.5, 0, 0, 1, 0, 0), cylinder(0, 0, 1), out), 0);
  ASSERT_EQ(out.count, 2u);
  EXPECT_EQ(out.records[1].kind, uint32_t(kOsLine));

  const OsCone c = cone(vorga::kPi / 6);
  ASSERT_EQ(intersectPlaneCone(plane(0, 0, 2, 0, 0, 1), c, out), 0);
  ASSERT_EQ(out.records[0].kind, uint32_t(kOsCircle));
  EXPECT_NEAR(out.records[0].g.circle.radius, 2 * std::tan(vorga::kPi / 6), 1e-12);
  // Normal at 60 degrees from the axis: cos(60) = sin(30), parallel to a generating line.
  ASSERT_EQ(intersectPlaneCone(plane(0, 0, 2, std::sin(vorga::kPi / 3), 0, 0.5), c, out), 0);
  EXPECT_EQ(out.records[0].kind, uint32_t(kOsParabola));
  ASSERT_EQ(intersectPlaneCone(plane(0, 0, 2, 1, 0, 0.01), c, out), 0);
  EXPECT_EQ(out.records[0].kind, uint32_t(kOsHyperbola));
  ASSERT_EQ(intersectPlaneCone(plane(0, 0, 2, 0.1, 0, 1), c, out), 0);
  EXPECT_EQ(out.records[0].kind, uint32_t(kOsEllipse));
  ASSERT_EQ(intersectPlaneCone(plane(0, 0, 0, 1, 0, 0), c, out), 0);  // through the apex
  EXPECT_EQ(out.count, 2u);
  EXPECT_EQ(out.records[0].kind, uint32_t(kOsLine));
}

// Points of each section curve lie on the cone: ((x - apex) . w)^2 = cos^2 |x - apex|^2.
TEST(OldStyleTest, ConeSectionsLieOnTheCone) {
  const OsCone c = cone(0.4);
  std::mt19937 random(3);
  std::uniform_real_distribution<double> any(-1, 1);
  for (int i = 0; i < 300; ++i) {
    OsPlane p =
        plane(any(random), any(random), 2 * any(random), any(random), any(random), any(random));
    IntersectionList out;
    if (intersectPlaneCone(p, c, out) != 0) continue;
    for (uint32_t k = 0; k < out.count; ++k) {
      const IntersectionRecord& r = out.records[k];
      std::vector<std::array<double, 3>> samples;
      for (double t = -1; t <= 1; t += 0.25) {
        std::array<double, 3> x{};
        for (int j = 0; j < 3; ++j) {
          switch (r.kind) {
            case kOsEllipse:
              x[j] = r.g.ellipse.centre[j] + r.g.ellipse.a * std::cos(3 * t) * r.g.ellipse.u[j] +
                     r.g.ellipse.b * std::sin(3 * t) * r.g.ellipse.v[j];
              break;
            case kOsHyperbola:
              x[j] = r.g.hyperbola.centre[j] + r.g.hyperbola.a / std::cos(t) * r.g.hyperbola.u[j] +
                     r.g.hyperbola.b * std::tan(t) * r.g.hyperbola.v[j];
              break;
            case kOsParabola:
              x[j] = r.g.parabola.vertex[j] + 2 * r.g.parabola.focal * t * r.g.parabola.u[j] +
                     r.g.parabola.focal * t * t * r.g.parabola.v[j];
              break;
            case kOsCircle:
              x[j] = r.g.circle.centre[j] + r.g.circle.radius * (std::cos(3 * t) * r.g.circle.u[j] +
                                                                 std::sin(3 * t) * r.g.circle.v[j]);
              break;
            case kOsLine: x[j] = r.g.line.point[j] + t * r.g.line.direction[j]; break;
            default: x[j] = r.g.point[j];
          }
        }
        samples.push_back(x);
      }
      for (const auto& x : samples) {
        double along = x[2], all = x[0] * x[0] + x[1] * x[1] + x[2] * x[2];
        double cos2 = std::cos(0.4) * std::cos(0.4);
        EXPECT_NEAR(along * along, cos2 * all, 1e-9 * (1 + all))
            << "kind " << r.kind << " case " << i;
        double inPlane = (x[0] - p.point[0]) * p.normal[0] + (x[1] - p.point[1]) * p.normal[1] +
                         (x[2] - p.point[2]) * p.normal[2];
        EXPECT_NEAR(inPlane, 0, 1e-9 * (1 + std::sqrt(all)));
      }
    }
  }
}

TEST(OldStyleTest, ConeNormals) {
  const OsCone c = cone(vorga::kPi / 4);
  double n[3];
  const double ahead[3] = {1, 0, 1}, behind[3] = {0, 2, -2}, apex[3] = {0, 0, 0};
  EXPECT_EQ(coneNormalAt(c, ahead, n), 2);
  EXPECT_NEAR(n[0], 1 / kSqrt2, 1e-12);
  EXPECT_NEAR(n[2], -1 / kSqrt2, 1e-12);
  EXPECT_EQ(coneNormalAt(c, behind, n), 1);
  EXPECT_NEAR(n[1], 1 / kSqrt2, 1e-12);
  EXPECT_NEAR(n[2], 1 / kSqrt2, 1e-12);
  EXPECT_EQ(coneNormalAt(c, apex, n), -1);
  EXPECT_EQ(n[0], 1);
  double angle;
  EXPECT_NEAR(coneCoordinates(c, behind, &angle), -2, 1e-15);
  EXPECT_NEAR(angle, -vorga::kPi / 2, 1e-12);  // reversed behind the apex
}

// Random lines against a sphere, a cylinder, a cone and a torus: every point found lies on both.
TEST(OldStyleTest, RandomIntersectionPointsLieOnBothObjects) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> any(-3, 3);
  const OsSphere s = sphere(0.5, -0.2, 0.1, 1.7);
  const OsCylinder cyl = cylinder(0.3, 0.1, 1.2);
  const OsCone co = cone(0.5);
  const double centre[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
  int hits = 0;
  for (int i = 0; i < 2000; ++i) {
    OsLine l = line(any(random), any(random), any(random), any(random), any(random), any(random));
    auto onLine = [&](const double* p) {
      double q[3], t = 0;
      for (int j = 0; j < 3; ++j) t += (p[j] - l.point[j]) * l.direction[j];
      for (int j = 0; j < 3; ++j) q[j] = l.point[j] + t * l.direction[j] - p[j];
      return std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]);
    };
    IntersectionList out;
    if (intersectLineSphere(l, s, out) == 0)
      for (uint32_t k = 0; k < out.count; ++k, ++hits) {
        const double* p = out.records[k].g.point;
        EXPECT_NEAR(std::hypot(p[0] - 0.5, p[1] + 0.2, p[2] - 0.1), 1.7, 1e-6);
        EXPECT_LT(onLine(p), 1e-9);
      }
    if (intersectLineCylinder(l, cyl, out) == 0)
      for (uint32_t k = 0; k < out.count; ++k, ++hits) {
        const double* p = out.records[k].g.point;
        EXPECT_NEAR(std::hypot(p[0] - 0.3, p[1] - 0.1), 1.2, 1e-6);
        EXPECT_LT(onLine(p), 1e-9);
      }
    if (intersectLineCone(l, co, out) == 0)
      for (uint32_t k = 0; k < out.count; ++k, ++hits) {
        const double* p = out.records[k].g.point;
        EXPECT_NEAR(std::hypot(p[0], p[1]), std::fabs(p[2]) * std::tan(0.5), 1e-6);
        EXPECT_LT(onLine(p), 1e-9);
      }
    if (intersectLineTorus(l, centre, axis, 2, 0.7, out) == 0)
      for (uint32_t k = 0; k < out.count; ++k, ++hits) {
        const double* p = out.records[k].g.point;
        EXPECT_NEAR(std::hypot(std::hypot(p[0], p[1]) - 2, p[2]), 0.7, 1e-6);
        EXPECT_LT(onLine(p), 1e-9);
      }
  }
  EXPECT_GT(hits, 2000);
}

TEST(OldStyleTest, PoolsReuseRecords) {
  OldStyleEntityRef ref;
  makeOldStyleLine(line(1, 2, 3, 0, 0, 1), ref);
  ASSERT_NE(ref.entity, nullptr);
  EXPECT_EQ(ref.entity->kind, kOsLine);
  EXPECT_EQ(ref.owner, 0u);
  OsLine* record = static_cast<OsLine*>(ref.entity->record);
  EXPECT_EQ(record->h.free, 0u);
  EXPECT_EQ(record->h.link, ref.entity);
  EXPECT_EQ(record->point[1], 2);

  const int before = oldStylePoolSize(kOsLine);
  releaseOldStyleEntity(ref.entity);
  EXPECT_EQ(oldStylePoolSize(kOsLine), before + 1);
  EXPECT_EQ(record->h.free, 1u);

  // A second release of a record already on its list leaves the list as it is.
  OldStyleEntity* stale = new OldStyleEntity{kOsLine, 0, record};
  releaseOldStyleEntity(stale);
  EXPECT_EQ(oldStylePoolSize(kOsLine), before + 1);

  OldStyleEntityRef again;
  makeOldStyleLine(line(4, 5, 6, 1, 0, 0), again);
  EXPECT_EQ(again.entity->record, record);  // taken from the list
  EXPECT_EQ(record->h.free, 0u);
  EXPECT_EQ(record->point[0], 4);
  EXPECT_EQ(oldStylePoolSize(kOsLine), before);
  releaseOldStyleEntity(again.entity);
  releaseOldStyleEntity(nullptr);

  const double p[3] = {1, 2, 3};
  OldStyleEntityRef point;
  makeOldStylePoint(p, point);
  EXPECT_EQ(point.entity->kind, kOsPoint);
  releaseOldStyleEntity(point.entity);
}

TEST(OldStyleTest, DispatchOrdersPairsAndRefusesOthers) {
  OldStyleEntityRef l, c, pl, e;
  makeOldStyleLine(line(-3, 0, 0, 1, 0, 0), l);
  makeOldStyleCircle(circle(0, 0, 0, 1), c);
  makeOldStylePlane(plane(0, 0, 0, 0, 0, 1), pl);
  makeOldStyleEllipse(ellipse(2, 1), e);

  IntersectionList list;
  EXPECT_EQ(intersectByTypePair(c.entity, l.entity, list), 0);  // the line goes first
  expectPoints(list, {{-1, 0, 0, 0}, {1, 0, 0, 0}});
  EXPECT_EQ(intersectByTypePair(e.entity, e.entity, list), 1);

  list.count = 5;
  EXPECT_EQ(intersectCurveSurfaceByTypePair(pl.entity, l.entity, list), 1);
  EXPECT_EQ(intersectCurveSurfaceByTypePair(e.entity, pl.entity, list), 1);
  EXPECT_EQ(intersectCurveSurfaceByTypePair(l.entity, nullptr, list), 1);
  EXPECT_EQ(list.count, 5u);
  EXPECT_EQ(intersectCurveSurfaceByTypePair(c.entity, pl.entity, list), 0);  // circle in the plane
  EXPECT_EQ(list.count, 0u);

  for (OldStyleEntityRef* r : {&l, &c, &pl, &e}) releaseOldStyleEntity(r->entity);
}

TEST(OldStyleTest, MergeKeepsAtMostEightRecords) {
  IntersectionList target, from;
  target.count = 0;
  from.count = 0;
  for (int i = 0; i < 6; ++i) {
    const double p[3] = {double(i), 0, 0};
    appendPoint(target, p, 0);
  }
  for (int i = 0; i < 5; ++i) {
    const double p[3] = {double(10 + i), 0, 0};
    appendPoint(from, p, 1);
  }
  mergeIntersectionLists(target, from);
  ASSERT_EQ(target.count, 8u);
  EXPECT_EQ(target.records[7].g.point[0], 11);
  EXPECT_EQ(target.records[7].tangent, 1);
  const double p[3] = {99, 0, 0};
  appendPoint(target, p, 0);  // full: dropped
  EXPECT_EQ(target.count, 8u);

  IntersectionList copy;
  copyIntersectionList(copy, from);
  ASSERT_EQ(copy.count, 5u);
  EXPECT_EQ(copy.records[4].g.point[0], 14);
}

}  // namespace
