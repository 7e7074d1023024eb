// Fuzzing the geometry library's numerics with arbitrary numbers: the root solvers, the pairwise
// intersection routines, the B-spline basis, the NURBS tessellation and inversion, and the
// elliptic arc. Nothing may crash or hang; no reported root or angle may be NaN, every count
// stays within its bound, and with finite, moderate inputs no intersection point is NaN.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sat/AnalyticSurfaces.h"
#include "sat/Bspline.h"
#include "sat/Ellipse.h"
#include "sat/Intersection.h"
#include "sat/Line.h"
#include "sat/NURBSCurve.h"
#include "sat/OldStyleIntersect.h"
#include "sat/RootSolvers.h"

namespace {

// Numbers from the input: in raw mode any double (NaN, infinities, huge), else a moderate value
// on a grid of 1/256 in [-128, 128] so that exact touches and coincidences come up.
struct Reader {
  const uint8_t* data;
  size_t size;
  bool raw;

  double next() {
    if (raw) {
      double d = 0;
      if (size >= 8) {
        std::memcpy(&d, data, 8);
        data += 8;
        size -= 8;
      }
      return d;
    }
    int16_t v = 0;
    if (size >= 2) {
      std::memcpy(&v, data, 2);
      data += 2;
      size -= 2;
    }
    return v / 256.0;
  }
  int small(int limit) {
    if (size == 0) return 0;
    int v = data[0] % limit;
    ++data;
    --size;
    return v;
  }
  void fill(double* out, int n) {
    for (int i = 0; i < n; ++i) out[i] = next();
  }
};

// Names the broken promise before the abort, so that a crash report says which one.
#define check(condition)                                                           \
  do {                                                                             \
    if (!(condition)) {                                                            \
      std::fprintf(stderr, "geometry_fuzz: %s (line %d)\n", #condition, __LINE__); \
      std::abort();                                                                \
    }                                                                              \
  } while (0)

void checkList(const IntersectionList& list, bool finiteInput) {
  check(list.count <= kMaxIntersectionRecords);
  if (!finiteInput) return;
  for (uint32_t i = 0; i < list.count; ++i)
    if (list.records[i].kind == kOsPoint)
      for (double c : list.records[i].g.point) check(!std::isnan(c));
}

void normalize(double v[3]) {
  double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (len > 0 && std::isfinite(len))
    for (int i = 0; i < 3; ++i) v[i] /= len;
}

void frame(double u[3], double v[3], double w[3]) {
  normalize(w);
  // u across w, v = w x u
  double t[3] = {u[0], u[1], u[2]};
  double d = t[0] * w[0] + t[1] * w[1] + t[2] * w[2];
  for (int i = 0; i < 3; ++i) u[i] = t[i] - d * w[i];
  normalize(u);
  v[0] = w[1] * u[2] - w[2] * u[1];
  v[1] = w[2] * u[0] - w[0] * u[2];
  v[2] = w[0] * u[1] - w[1] * u[0];
}

void solvers(Reader& in) {
  double c[kMaxPolynomialDegree + 3];
  int degree = in.small(23);
  in.fill(c, degree + 1);
  PolynomialRoot roots[kMaxPolynomialRoots];
  int n = solvePolynomial(c, degree, roots);
  check(n <= kMaxPolynomialRoots);
  for (int i = 0; i < n; ++i) check(!std::isnan(roots[i].root) && roots[i].multiplicity >= 1);

  double q[3], r[2];
  in.fill(q, 3);
  int doubled = 0;
  n = solveQuadratic(q[0], q[1], q[2], r, &doubled);
  check(n <= 2);
  for (int i = 0; i < n; ++i) check(!std::isnan(r[i]));

  AngleRoot angles[kMaxAngleRoots];
  n = solveHalfAngleQuadratic(q[0], q[1], q[2], angles);
  check(n <= 4);
  for (int i = 0; i < n; ++i)
    check(std::isfinite(angles[i].angle) && std::fabs(angles[i].angle) <= 3.1416);
  double quartic[5];
  in.fill(quartic, 5);
  n = in.small(2) ? solveHalfAngleQuartic(quartic, angles)
                  : solveHalfAngleEvenQuartic(quartic, angles);
  check(n <= kMaxAngleRoots);
  for (int i = 0; i < n; ++i) check(std::isfinite(angles[i].angle));
}

void pairwise(Reader& in) {
  double g[40];
  in.fill(g, 40);
  bool finite = !in.raw;
  OsLine line{};
  std::memcpy(line.point, g, 24);
  std::memcpy(line.direction, g + 3, 24);
  normalize(line.direction);
  OsCircle circle{};
  std::memcpy(circle.centre, g + 6, 24);
  std::memcpy(circle.u, g + 9, 24);
  std::memcpy(circle.w, g + 12, 24);
  frame(circle.u, circle.v, circle.w);
  circle.radius = std::fabs(g[15]);
  OsEllipse ellipse{};
  std::memcpy(ellipse.centre, g + 16, 24);
  std::memcpy(ellipse.u, circle.u, 24);
  std::memcpy(ellipse.v, circle.v, 24);
  std::memcpy(ellipse.w, circle.w, 24);
  ellipse.a = std::fabs(g[19]) + std::fabs(g[20]);
  ellipse.b = std::fabs(g[20]);
  OsPlane plane{};
  std::memcpy(plane.point, g + 21, 24);
  std::memcpy(plane.normal, g + 24, 24);
  normalize(plane.normal);
  OsCylinder cylinder{};
  std::memcpy(cylinder.origin, g + 27, 24);
  std::memcpy(cylinder.u, g + 9, 24);
  std::memcpy(cylinder.w, g + 30, 24);
  frame(cylinder.u, cylinder.v, cylinder.w);
  cylinder.radius = std::fabs(g[33]);
  OsSphere sphere{};
  std::memcpy(sphere.centre, g + 34, 24);
  sphere.radius = std::fabs(g[37]);
  OsCone cone{};
  std::memcpy(cone.apex, g + 27, 24);
  std::memcpy(cone.u, cylinder.u, 24);
  std::memcpy(cone.v, cylinder.v, 24);
  std::memcpy(cone.w, cylinder.w, 24);
  cone.halfAngle = std::fmod(std::fabs(g[38]), 1.5) + 0.01;
  cone.tanHalfAngle = std::tan(cone.halfAngle);
  cone.cosHalfAngle = std::cos(cone.halfAngle);
  OsParabola parabola{};
  std::memcpy(parabola.vertex, ellipse.centre, 24);
  std::memcpy(parabola.u, circle.u, 24);
  std::memcpy(parabola.v, circle.v, 24);
  std::memcpy(parabola.w, circle.w, 24);
  parabola.focal = g[39];
  OsHyperbola hyperbola{};
  std::memcpy(hyperbola.centre, ellipse.centre, 24);
  std::memcpy(hyperbola.u, circle.u, 24);
  std::memcpy(hyperbola.v, circle.v, 24);
  std::memcpy(hyperbola.w, circle.w, 24);
  hyperbola.a = ellipse.a;
  hyperbola.b = ellipse.b;
  OsLine other{};
  std::memcpy(other.point, g + 16, 24);
  std::memcpy(other.direction, g + 24, 24);
  normalize(other.direction);
  OsCircle second = circle;
  std::memcpy(second.centre, g + 34, 24);
  second.radius = std::fabs(g[38]);

  IntersectionList out;
  const double axis[3] = {circle.w[0], circle.w[1], circle.w[2]};
  switch (in.small(24)) {
    case 0: intersectLinePlane(line, plane, out); break;
    case 1: intersectLineSphere(line, sphere, out); break;
    case 2: intersectLineCylinder(line, cylinder, out); break;
    case 3: intersectLineCone(line, cone, out); break;
    case 4: intersectLineLine(line, other, out); break;
    case 5: intersectLineCircle(line, circle, out); break;
    case 6: intersectLineEllipse(line, ellipse, out); break;
    case 7: intersectLineParabola(line, parabola, out); break;
    case 8: intersectLineHyperbola(line, hyperbola, out); break;
    case 9: intersectCircleCircle(circle, second, out); break;
    case 10: intersectCircleEllipse(circle, ellipse, out); break;
    case 11: intersectCircleParabola(circle, parabola, out); break;
    case 12: intersectCircleHyperbola(circle, hyperbola, out); break;
    case 13: intersectCirclePlane(circle, plane, out); break;
    case 14: intersectCircleCylinder(circle, cylinder, out); break;
    case 15: intersectCircleSphere(circle, sphere, out); break;
    case 16: intersectCircleCone(circle, cone, out); break;
    case 17: intersectPlaneCone(plane, cone, out); break;
    case 18: intersectPlaneCylinder(plane, cylinder, out); break;
    case 19: intersectPlaneSphere(plane, sphere, out); break;
    case 20: intersectLineTorus(line, circle.centre, axis, g[38], std::fabs(g[39]), out); break;
    case 21: coplanarCircleEllipse(circle, ellipse, out); break;
    case 22: coplanarCircleHyperbola(circle, hyperbola, out); break;
    default: {
      double n[3];
      coneNormalAt(cone, line.point, n);
      out.count = 0;
    }
  }
  checkList(out, finite);
}

void classes(Reader& in) {
  double g[16];
  in.fill(g, 16);
  c_Ellipse e(c_Point(g[0], g[1], g[2]), c_Vector(g[3], g[4], g[5]), c_Vector(g[6], g[7], g[8]),
              g[9], g[10]);
  c_EllipticArcNURBS arc(e, g[11], g[12]);
  arc.parameterOf(c_Point(g[13], g[14], g[15]));
  c_Line line(c_Point(g[13], g[14], g[15]), c_Vector(g[3], g[6], g[9]));
  c_Torus torus(c_Point(g[0], g[1], g[2]), c_Vector(g[3], g[4], g[5]), c_Vector(g[6], g[7], g[8]),
                g[11], g[12]);
  IntersectionResult r(line, torus);
  check(r.count() <= kMaxIntersectionRecords);
  c_EllCone cone(c_Point(g[0], g[1], g[2]), c_Vector(g[3], g[4], g[5]), c_Vector(g[6], g[7], g[8]),
                 g[11], g[12]);
  c_Curve* curves[2] = {};
  int n = cone.silhouettes(c_Vector(g[13], g[14], g[15]), curves);
  check(n >= 0 && n <= 2);
  for (int i = 0; i < n; ++i) delete curves[i];
}

void nurbs(Reader& in) {
  int order = in.small(6) + 1;
  int count = in.small(12) + 1;
  int knotCount = count + order;
  std::vector<float> knots(static_cast<size_t>(knotCount)), cp(static_cast<size_t>(count) * 4);
  for (float& k : knots) k = float(in.next());
  if (in.small(2)) std::sort(knots.begin(), knots.end());
  for (float& c : cp) c = float(in.next());
  RenderOutput out{};
  int points = 0;
  out.vertex = [](double, double, double, void* ctx) { ++*static_cast<int*>(ctx); };
  out.ctx = &points;
  out.pointsPerSpan = in.small(64) - 8;
  tessellate(&out, knotCount, knots.data(), 4, cp.data(), order);
  check(points <= (1 << 16) + 1);

  float basis[8];
  double u = in.next();
  basisFunctions(u, count - 1, order, knots.data(), basis);
  float** table = nullptr;
  if (basisFunctionDerivatives(u, count - 1, in.small(8), order, knots.data(), table) >= 0)
    freeRows(table);

  c_NURBSCurve curve(cp.data(), count, knots.data(), knotCount);
  curve.pointAt(u);
  curve.parameterOf(c_Point(in.next(), in.next(), in.next()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  Reader in{data + 2, size - 2, (data[0] & 0x80) != 0};
  switch (data[1] % 4) {
    case 0: solvers(in); break;
    case 1: pairwise(in); break;
    case 2: classes(in); break;
    default: nurbs(in); break;
  }
  return 0;
}
