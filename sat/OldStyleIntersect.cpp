// Pairwise intersection routines of the old-style kernel (see OldStyleIntersect.h for results).
//
// The order of tests in every routine: parallel or degenerate configurations first, each with
// its tolerance, then the general case. A tangency (a double root, a vanishing discriminant or a
// geometric touch) is the only source of the tangent flag. Where a curve is first cut with a
// plane and the candidates are then tested on the other curve, failing candidates leave no
// record.
#include "sat/OldStyleIntersect.h"

#include <cmath>
#include <utility>

#include "sat/Geometry.h"
#include "sat/RootSolvers.h"

namespace {

struct V {
  double x, y, z;
};

V load(const double p[3]) { return V{p[0], p[1], p[2]}; }
void store(const V& v, double out[3]) {
  out[0] = v.x;
  out[1] = v.y;
  out[2] = v.z;
}
V operator+(V a, V b) { return V{a.x + b.x, a.y + b.y, a.z + b.z}; }
V operator-(V a, V b) { return V{a.x - b.x, a.y - b.y, a.z - b.z}; }
V operator*(double s, V a) { return V{s * a.x, s * a.y, s * a.z}; }
double dot(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V cross(V a, V b) { return V{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(V a) { return std::sqrt(dot(a, a)); }
double distance(V a, V b) { return length(a - b); }

// A vector not longer than 1e-7 is left unchanged and 0 returned.
double normalizeInPlace(V& v) {
  double len = length(v);
  if (len > 1e-7)
    v = (1.0 / len) * v;
  else
    return 0.0;
  return len;
}

V normalized(V v) {
  normalizeInPlace(v);
  return v;
}

// Unit vector across v: the component of smallest magnitude zeroed, the other two exchanged
// with one sign changed.
V perpendicular(V v) {
  double ax = std::fabs(v.x), ay = std::fabs(v.y), az = std::fabs(v.z);
  V p = az <= ax && az <= ay ? V{-v.y, v.x, 0} : ax <= ay ? V{0, -v.z, v.y} : V{v.z, 0, -v.x};
  return normalized(p);
}

// A right-handed frame (u, v, w) with w the given direction; false for a direction too short.
bool frameFrom(V direction, V& u, V& v, V& w) {
  w = direction;
  if (normalizeInPlace(w) == 0) return false;
  u = perpendicular(w);
  v = normalized(cross(w, u));
  return true;
}

bool pointsEqual(V a, V b) { return dot(a - b, a - b) < 1e-14; }

bool pointInPlane(V p, V planePoint, V normal) {
  V d = p - planePoint;
  if (length(d) <= 1e-7) return true;
  normalizeInPlace(d);
  return std::fabs(dot(d, normalized(normal))) < 1e-8;
}

double distanceToLine(V p, V linePoint, V direction) {
  V q = p - linePoint;
  return length(q - dot(q, direction) * direction);
}

bool pointOnCircle(V p, const OsCircle& c) {
  V centre = load(c.centre);
  if (!pointInPlane(p, centre, load(c.w))) return false;
  V d = p - centre;
  if (normalizeInPlace(d) == 0) return c.radius <= 1e-7;
  return pointsEqual(centre + c.radius * d, p);
}

bool pointOnEllipse(V p, const OsEllipse& e) {
  V c = load(e.centre), u = load(e.u);
  double f = std::sqrt(std::fmax(e.a * e.a - e.b * e.b, 0.0));
  double sum = distance(p, c + f * u) + distance(p, c - f * u);
  return std::fabs(sum - 2 * e.a) < 1e-7 && pointInPlane(p, c, load(e.w));
}

bool pointOnHyperbola(V p, const OsHyperbola& h) {
  V c = load(h.centre), u = load(h.u);
  double f = std::sqrt(h.a * h.a + h.b * h.b);
  double difference = std::fabs(distance(p, c + f * u) - distance(p, c - f * u));
  return std::fabs(difference - 2 * h.a) < 1e-7 && pointInPlane(p, c, load(h.w));
}

// Its distance from the focus equals its distance from the guide line f behind the vertex.
bool pointOnParabola(V p, const OsParabola& q) {
  V vertex = load(q.vertex), axis = load(q.v);
  double toFocus = distance(p, vertex + q.focal * axis);
  double toGuide = std::fabs(dot(p - vertex, axis) + q.focal);
  return std::fabs(toFocus - toGuide) < 1e-7 && pointInPlane(p, vertex, load(q.w));
}

void addPoint(IntersectionList& out, V p, int tangent) {
  double a[3];
  store(p, a);
  appendPoint(out, a, tangent);
}

V pointOf(const IntersectionRecord& r) { return load(r.g.point); }

int linePlane(V p, V d, V planePoint, V normal, IntersectionList& out) {
  out.count = 0;
  double dn = dot(d, normal);
  double w = dot(planePoint - p, normal);
  if (std::fabs(dn) < 1e-8) return std::fabs(w) >= 1e-7 ? -7 : 0;
  addPoint(out, p + (w / dn) * d, 0);
  return 0;
}

int lineSphere(V p, V d, V centre, double r, IntersectionList& out) {
  out.count = 0;
  V foot = p + dot(centre - p, d) * d;
  double h2 = r * r - dot(centre - foot, centre - foot);
  if (std::fabs(h2) < 2e-6) {
    addPoint(out, foot, 1);
    return 0;
  }
  if (!(h2 >= 0)) return 1;
  double h = std::sqrt(h2);
  addPoint(out, foot - h * d, 0);
  addPoint(out, foot + h * d, 0);
  return 0;
}

OsPlane planeOf(const double point[3], const double normal[3]) {
  OsPlane p{};
  for (int i = 0; i < 3; ++i) {
    p.point[i] = point[i];
    p.normal[i] = normal[i];
  }
  return p;
}

// Frame of the plane a conic lies in, for the quadratics of the coplanar routines.
struct InPlane {
  double px, py, dx, dy;  // the line's point and direction in the conic's (u, v) coordinates
};
InPlane inPlane(const OsLine& line, const double centre[3], const double u[3], const double v[3]) {
  V q = load(line.point) - load(centre), d = load(line.direction);
  return InPlane{dot(q, load(u)), dot(q, load(v)), dot(d, load(u)), dot(d, load(v))};
}

// Points of the line at the real roots of a t^2 + b t + c; 1 when there are none.
int linePointsAtRoots(const OsLine& line, double a, double b, double c, IntersectionList& out) {
  out.count = 0;
  double roots[2];
  int doubled = 0;
  int n = solveQuadratic(a, b, c, roots, &doubled);
  if (n <= 0) return 1;
  V p = load(line.point), d = load(line.direction);
  for (int i = 0; i < n; ++i) addPoint(out, p + roots[i] * d, doubled);
  return 0;
}

int coplanarLineEllipse(const OsLine& line, const OsEllipse& e, IntersectionList& out) {
  InPlane l = inPlane(line, e.centre, e.u, e.v);
  double a2 = e.a * e.a, b2 = e.b * e.b;
  return linePointsAtRoots(line, l.dx * l.dx / a2 + l.dy * l.dy / b2,
                           2 * (l.px * l.dx / a2 + l.py * l.dy / b2),
                           l.px * l.px / a2 + l.py * l.py / b2 - 1, out);
}

int coplanarLineHyperbola(const OsLine& line, const OsHyperbola& h, IntersectionList& out) {
  InPlane l = inPlane(line, h.centre, h.u, h.v);
  double a2 = h.a * h.a, b2 = h.b * h.b;
  return linePointsAtRoots(line, l.dx * l.dx / a2 - l.dy * l.dy / b2,
                           2 * (l.px * l.dx / a2 - l.py * l.dy / b2),
                           l.px * l.px / a2 - l.py * l.py / b2 - 1, out);
}

int coplanarLineParabola(const OsLine& line, const OsParabola& q, IntersectionList& out) {
  out.count = 0;
  V vertex = load(q.vertex), u = load(q.u), v = load(q.v), d = load(line.direction);
  double f = q.focal;
  auto at = [&](double t) { return vertex + (2 * f * t) * u + (f * t * t) * v; };
  if (std::fabs(1 - std::fabs(dot(d, v))) < 1e-8) {
    if (f == 0) return 1;
    addPoint(out, at(dot(load(line.point) - vertex, u) / (2 * f)), 0);
    return 0;
  }
  // The parabola's points on the line: (point(t) - P) . m = 0, m across the line in the plane.
  V m = cross(load(q.w), d);
  double roots[2];
  int doubled = 0;
  int n = solveQuadratic(f * dot(v, m), 2 * f * dot(u, m), dot(vertex - load(line.point), m), roots,
                         &doubled);
  if (n <= 0) return 1;
  for (int i = 0; i < n; ++i) addPoint(out, at(roots[i]), doubled);
  return 0;
}

template <typename Curve>
int lineWithPlanarCurve(const OsLine& line, const Curve& curve, const double centre[3],
                        IntersectionList& out,
                        int (*coplanar)(const OsLine&, const Curve&, IntersectionList&),
                        bool (*onCurve)(V, const Curve&)) {
  IntersectionList cut;
  int r = linePlane(load(line.point), load(line.direction), load(centre), load(curve.w), cut);
  out.count = 0;
  if (r != 0) return 1;
  if (cut.count == 0) return coplanar(line, curve, out);
  if (!onCurve(pointOf(cut.records[0]), curve)) return 1;
  copyIntersectionList(out, cut);
  return 0;
}

int curveAngles(const double centre[3], const double u[3], const double v[3], double a, double b,
                bool hyperbola, const AngleRoot* angles, int n, IntersectionList& out) {
  out.count = 0;
  for (int i = 0; i < n; ++i) {
    double t = angles[i].angle;
    double cu, cv;
    if (hyperbola) {
      if (std::fabs(std::cos(t)) < 1e-12) continue;  // the point at infinity
      cu = a / std::cos(t);
      cv = b * std::tan(t);
    } else {
      cu = a * std::cos(t);
      cv = b * std::sin(t);
    }
    addPoint(out, load(centre) + cu * load(u) + cv * load(v), angles[i].multiplicity >= 2);
  }
  return out.count > 0 ? 0 : 1;
}

}  // namespace

int intersectLinePlane(const OsLine& line, const OsPlane& plane, IntersectionList& out) {
  return linePlane(load(line.point), load(line.direction), load(plane.point), load(plane.normal),
                   out);
}

int intersectLineSphere(const OsLine& line, const OsSphere& sphere, IntersectionList& out) {
  return lineSphere(load(line.point), load(line.direction), load(sphere.centre), sphere.radius,
                    out);
}

int intersectLineCylinder(const OsLine& line, const OsCylinder& cyl, IntersectionList& out) {
  out.count = 0;
  V p = load(line.point), d = load(line.direction), o = load(cyl.origin), w = load(cyl.w);
  double r = cyl.radius;
  double c = dot(d, w);
  if (1 - std::fabs(c) < 1e-8) {
    double e = distanceToLine(o, p, d);
    if (std::fabs(e - r) < 1e-7) return 0;
    return e > r ? 1 : -5;
  }
  V q = p - o;
  double a2 = 1 - c * c;
  double a1 = 2 * (dot(q, d) - c * dot(q, w));
  double a0 = dot(q, q) - dot(q, w) * dot(q, w) - r * r;
  double disc = a1 * a1 - 4 * a2 * a0;
  if (std::fabs(disc) < 2e-6) {
    addPoint(out, p + (-a1 / (2 * a2)) * d, 1);
    return 0;
  }
  if (!(disc >= 0)) return 1;
  double s = std::sqrt(disc);
  addPoint(out, p + ((-s - a1) / (2 * a2)) * d, 0);
  addPoint(out, p + ((s - a1) / (2 * a2)) * d, 0);
  return 0;
}

int intersectLineCone(const OsLine& line, const OsCone& cone, IntersectionList& out) {
  out.count = 0;
  V p = load(line.point), d = load(line.direction), w = load(cone.w);
  V q = p - load(cone.apex);
  double k = cone.cosHalfAngle * cone.cosHalfAngle;
  double dw = dot(d, w), qw = dot(q, w);
  double a2 = dw * dw - k;
  double a1 = 2 * (qw * dw - k * dot(q, d));
  double a0 = qw * qw - k * dot(q, q);
  if (std::fabs(a2) < 1e-8) {
    if (std::fabs(a1) < 1e-7) return 0;
    addPoint(out, p + (-a0 / a1) * d, 0);
    return 0;
  }
  double disc = a1 * a1 - 4 * a2 * a0;
  if (std::fabs(disc) < 2e-6 * std::fmax(a1 * a1, 4 * a2 * a0)) {
    addPoint(out, p + (-a1 / (2 * a2)) * d, 1);
    return 0;
  }
  if (!(disc >= 0)) return 1;
  double s = std::sqrt(disc);
  double t1 = (-s - a1) / (2 * a2), t2 = (s - a1) / (2 * a2);
  if (t1 > t2) std::swap(t1, t2);
  addPoint(out, p + t1 * d, 0);
  addPoint(out, p + t2 * d, 0);
  return 0;
}

int coplanarLineLine(const OsLine& a, const OsLine& b, IntersectionList& out) {
  out.count = 0;
  V p1 = load(a.point), d1 = load(a.direction), d2 = load(b.direction);
  V q = load(b.point) - p1;
  V c = cross(d1, d2);
  double c2 = dot(c, c);
  if (c2 < 1e-8) {
    V qn = q;
    if (normalizeInPlace(qn) > 1e-7 && 1 - std::fabs(dot(qn, d2)) >= 1e-8) return -6;
    return 0;
  }
  addPoint(out, p1 + (dot(cross(q, d2), c) / c2) * d1, 0);
  return 0;
}

int intersectLineLine(const OsLine& a, const OsLine& b, IntersectionList& out) {
  out.count = 0;
  V c = cross(load(a.direction), load(b.direction));
  if (length(c) > 1e-7 && !pointInPlane(load(b.point), load(a.point), c)) return 1;
  return coplanarLineLine(a, b, out);
}

int coplanarCircleLine(const OsCircle& circle, const OsLine& line, IntersectionList& out) {
  return lineSphere(load(line.point), load(line.direction), load(circle.centre), circle.radius,
                    out);
}

int intersectLineCircle(const OsLine& line, const OsCircle& circle, IntersectionList& out) {
  out.count = 0;
  V p = load(line.point), d = load(line.direction), c = load(circle.centre), w = load(circle.w);
  if (std::fabs(dot(d, w)) >= 1e-5) {
    IntersectionList cut;
    linePlane(p, d, c, w, cut);
    if (cut.count == 1 && pointOnCircle(pointOf(cut.records[0]), circle)) {
      copyIntersectionList(out, cut);
      return 0;
    }
    return 1;
  }
  if (std::fabs(dot(p - c, w)) < 1e-5) return coplanarCircleLine(circle, line, out);
  return 1;
}

int intersectLineEllipse(const OsLine& line, const OsEllipse& e, IntersectionList& out) {
  return lineWithPlanarCurve<OsEllipse>(line, e, e.centre, out, coplanarLineEllipse,
                                        pointOnEllipse);
}

int intersectLineParabola(const OsLine& line, const OsParabola& q, IntersectionList& out) {
  return lineWithPlanarCurve<OsParabola>(line, q, q.vertex, out, coplanarLineParabola,
                                         pointOnParabola);
}

int intersectLineHyperbola(const OsLine& line, const OsHyperbola& h, IntersectionList& out) {
  return lineWithPlanarCurve<OsHyperbola>(line, h, h.centre, out, coplanarLineHyperbola,
                                          pointOnHyperbola);
}

int coplanarCircleCircle(const OsCircle& a, const OsCircle& b, IntersectionList& out) {
  out.count = 0;
  V c1 = load(a.centre), c2 = load(b.centre);
  double r1 = a.radius, r2 = b.radius;
  V dir = c2 - c1;
  double d = length(dir);
  if (d < 1e-7) {
    if (std::fabs(r1 - r2) < 1e-7) return 0;
    dir = load(a.u);
  } else {
    dir = (1.0 / d) * dir;
  }
  if (std::fabs(d - (r1 + r2)) < 1e-7 || std::fabs(d - std::fabs(r1 - r2)) < 1e-7) {
    addPoint(out, r1 <= r2 ? c2 - r2 * dir : c1 + r1 * dir, 1);
    return 0;
  }
  if (d > r1 + r2) return 1;
  if (d < std::fabs(r1 - r2)) return r1 > r2 ? -2 : -1;
  if (!(d > 0) || !(r1 > 0)) return 1;
  double cosA = (r1 * r1 + d * d - r2 * r2) / (2 * r1 * d);
  V m = c1 + (r1 * cosA) * dir;
  double h = r1 * std::sqrt(std::fmax(0.0, 1 - cosA * cosA));
  V across = normalized(cross(load(a.w), dir));
  addPoint(out, m + h * across, 0);
  addPoint(out, m - h * across, 0);
  return 0;
}

int intersectPlanePlane(const OsPlane& a, const OsPlane& b, IntersectionList& out) {
  out.count = 0;
  V n1 = load(a.normal), n2 = load(b.normal);
  V dir = cross(n1, n2);
  double len2 = dot(dir, dir);
  if (std::sqrt(len2) < 1e-8) return -8;
  double d1 = dot(n1, load(a.point)), d2 = dot(n2, load(b.point));
  V p = (1.0 / len2) * (d1 * cross(n2, dir) + d2 * cross(dir, n1));
  OsLine line{};
  store(p, line.point);
  store((1.0 / std::sqrt(len2)) * dir, line.direction);
  appendLine(out, line, 0);
  return 0;
}

int intersectCircleCircle(const OsCircle& a, const OsCircle& b, IntersectionList& out) {
  out.count = 0;
  if (1 - std::fabs(dot(load(a.w), load(b.w))) < 1e-8) {
    if (pointInPlane(load(b.centre), load(a.centre), load(a.w)))
      return coplanarCircleCircle(a, b, out);
    return 1;
  }
  IntersectionList cut, onFirst;
  if (intersectPlanePlane(planeOf(a.centre, a.w), planeOf(b.centre, b.w), cut) != 0 ||
      cut.count != 1)
    return 1;
  if (intersectLineCircle(cut.records[0].g.line, a, onFirst) != 0) return 1;
  for (uint32_t i = 0; i < onFirst.count; ++i)
    if (pointOnCircle(pointOf(onFirst.records[i]), b))
      addPoint(out, pointOf(onFirst.records[i]), onFirst.records[i].tangent);
  return out.count > 0 ? 0 : 1;
}

int intersectCirclePlane(const OsCircle& circle, const OsPlane& plane, IntersectionList& out) {
  out.count = 0;
  V c = load(circle.centre), w = load(circle.w), q = load(plane.point), n = load(plane.normal);
  if (1 - std::fabs(dot(w, n)) < 1e-8) return pointInPlane(c, q, n) ? 0 : -3;
  V e = normalized(cross(w, n));
  V towards = normalized(cross(w, e));
  IntersectionList cut;
  if (linePlane(c, towards, q, n, cut) != 0 || cut.count != 1) return 1;
  V foot = pointOf(cut.records[0]);
  double d = distance(c, foot), r = circle.radius;
  if (std::fabs(d - r) < 1e-7) {
    addPoint(out, foot, 1);
    return 0;
  }
  if (d > r) return 1;
  double h = std::sqrt(r * r - d * d);
  addPoint(out, foot - h * e, 0);
  addPoint(out, foot + h * e, 0);
  return 0;
}

int coplanarCircleEllipse(const OsCircle& circle, const OsEllipse& e, IntersectionList& out) {
  V g = load(e.centre) - load(circle.centre);
  double big = dot(g, g), gu = dot(g, load(e.u)), gv = dot(g, load(e.v));
  double a = e.a, b = e.b, rho = circle.radius;
  double c[5] = {big + a * a - rho * rho + 2 * a * gu, 4 * b * gv,
                 2 * (big - a * a + 2 * b * b - rho * rho), 4 * b * gv,
                 big + a * a - rho * rho - 2 * a * gu};
  AngleRoot angles[kMaxAngleRoots];
  int n = solveHalfAngleQuartic(c, angles);
  return curveAngles(e.centre, e.u, e.v, a, b, false, angles, n, out);
}

int coplanarCircleHyperbola(const OsCircle& circle, const OsHyperbola& h, IntersectionList& out) {
  V g = load(h.centre) - load(circle.centre);
  double big = dot(g, g), gu = dot(g, load(h.u)), gv = dot(g, load(h.v));
  double a = h.a, b = h.b, rho = circle.radius;
  double c[5] = {big + a * a - rho * rho + 2 * a * gu, 4 * b * gv,
                 2 * (a * a + 2 * b * b + rho * rho - big), -4 * b * gv,
                 big + a * a - rho * rho - 2 * a * gu};
  AngleRoot angles[kMaxAngleRoots];
  int n = solveHalfAngleEvenQuartic(c, angles);
  return curveAngles(h.centre, h.u, h.v, a, b, true, angles, n, out);
}

int coplanarCircleParabola(const OsCircle& circle, const OsParabola& q, IntersectionList& out) {
  out.count = 0;
  V vertex = load(q.vertex), u = load(q.u), v = load(q.v);
  V g = vertex - load(circle.centre);
  double f = q.focal, rho = circle.radius;
  double c[5] = {dot(g, g) - rho * rho, 4 * f * dot(g, u), 2 * f * dot(g, v) + 4 * f * f, 0, f * f};
  PolynomialRoot roots[kMaxPolynomialRoots];
  int n = solvePolynomial(c, 4, roots);
  for (int i = 0; i < n; ++i) {
    double t = roots[i].root;
    addPoint(out, vertex + (2 * f * t) * u + (f * t * t) * v, roots[i].multiplicity >= 2);
  }
  return out.count > 0 ? 0 : 1;
}

namespace {

template <typename Curve>
int circleWithPlanarCurve(const OsCircle& circle, const Curve& curve, const double centre[3],
                          IntersectionList& out,
                          int (*coplanar)(const OsCircle&, const Curve&, IntersectionList&),
                          bool (*onCurve)(V, const Curve&)) {
  IntersectionList cut;
  int r = intersectCirclePlane(circle, planeOf(centre, curve.w), cut);
  out.count = 0;
  if (r != 0) return 1;
  if (cut.count == 0) return coplanar(circle, curve, out);
  for (uint32_t i = 0; i < cut.count; ++i)
    if (onCurve(pointOf(cut.records[i]), curve))
      addPoint(out, pointOf(cut.records[i]), cut.count == 1);
  return out.count > 0 ? 0 : 1;
}

// The circle against each curve of a plane section of a surface, in the circle's plane.
int circleWithSections(const OsCircle& circle, const IntersectionList& sections,
                       IntersectionList& out) {
  out.count = 0;
  for (uint32_t i = 0; i < sections.count; ++i) {
    const IntersectionRecord& s = sections.records[i];
    IntersectionList part;
    part.count = 0;
    int r;
    switch (s.kind) {
      case kOsLine: r = coplanarCircleLine(circle, s.g.line, part); break;
      case kOsCircle: r = coplanarCircleCircle(circle, s.g.circle, part); break;
      case kOsEllipse: r = coplanarCircleEllipse(circle, s.g.ellipse, part); break;
      case kOsParabola: r = coplanarCircleParabola(circle, s.g.parabola, part); break;
      case kOsHyperbola: r = coplanarCircleHyperbola(circle, s.g.hyperbola, part); break;
      default: continue;  // a touching point of the section
    }
    if (r != 0) continue;
    if (part.count == 0) {  // the circle is that section curve
      out.count = 0;
      return 0;
    }
    mergeIntersectionLists(out, part);
  }
  return out.count > 0 ? 0 : 1;
}

}  // namespace

int intersectCircleEllipse(const OsCircle& circle, const OsEllipse& e, IntersectionList& out) {
  return circleWithPlanarCurve<OsEllipse>(circle, e, e.centre, out, coplanarCircleEllipse,
                                          pointOnEllipse);
}

int intersectCircleParabola(const OsCircle& circle, const OsParabola& q, IntersectionList& out) {
  return circleWithPlanarCurve<OsParabola>(circle, q, q.vertex, out, coplanarCircleParabola,
                                           pointOnParabola);
}

int intersectCircleHyperbola(const OsCircle& circle, const OsHyperbola& h, IntersectionList& out) {
  return circleWithPlanarCurve<OsHyperbola>(circle, h, h.centre, out, coplanarCircleHyperbola,
                                            pointOnHyperbola);
}

int intersectCircleCylinder(const OsCircle& circle, const OsCylinder& cyl, IntersectionList& out) {
  IntersectionList sections;
  out.count = 0;
  if (intersectPlaneCylinder(planeOf(circle.centre, circle.w), cyl, sections) != 0) return 1;
  return circleWithSections(circle, sections, out);
}

int intersectCircleCone(const OsCircle& circle, const OsCone& cone, IntersectionList& out) {
  IntersectionList sections;
  out.count = 0;
  if (intersectPlaneCone(planeOf(circle.centre, circle.w), cone, sections) != 0) return 1;
  return circleWithSections(circle, sections, out);
}

int intersectCircleSphere(const OsCircle& circle, const OsSphere& sphere, IntersectionList& out) {
  IntersectionList section;
  out.count = 0;
  if (intersectPlaneSphere(planeOf(circle.centre, circle.w), sphere, section) != 0 ||
      section.count != 1)
    return 1;
  const IntersectionRecord& s = section.records[0];
  if (s.kind == kOsPoint) {
    if (!pointOnCircle(pointOf(s), circle)) return 1;
    addPoint(out, pointOf(s), 1);
    return 0;
  }
  IntersectionList part;
  int r = coplanarCircleCircle(circle, s.g.circle, part);
  if (r == 0) {
    copyIntersectionList(out, part);
    return 0;
  }
  return r == -1 ? -4 : 1;
}

int intersectPlaneSphere(const OsPlane& plane, const OsSphere& sphere, IntersectionList& out) {
  out.count = 0;
  V n = load(plane.normal), c = load(sphere.centre);
  double s = dot(c - load(plane.point), n);
  double h = std::fabs(s), r = sphere.radius;
  V foot = c - s * n;
  if (std::fabs(h - r) < 1e-7) {
    addPoint(out, foot, 1);
    return 0;
  }
  if (!(h <= r)) return 1;
  OsCircle circle{};
  V u, v, w;
  if (!frameFrom(n, u, v, w)) return 1;
  store(foot, circle.centre);
  store(u, circle.u);
  store(v, circle.v);
  store(w, circle.w);
  circle.radius = std::sqrt(r * r - h * h);
  appendCircle(out, circle, 0);
  return 0;
}

int intersectPlaneCylinder(const OsPlane& plane, const OsCylinder& cyl, IntersectionList& out) {
  out.count = 0;
  V n = load(plane.normal), q = load(plane.point), o = load(cyl.origin), w = load(cyl.w);
  double r = cyl.radius;
  double c = dot(n, w);
  if (std::fabs(c) < 1e-8) {
    double s = dot(o - q, n);
    double e = std::fabs(s);
    V foot = o - s * n;
    OsLine line{};
    store(w, line.direction);
    if (std::fabs(e - r) < 1e-7) {
      store(foot, line.point);
      appendLine(out, line, 1);
      return 0;
    }
    if (e > r) return 1;
    V across = normalized(cross(n, w));
    double h = std::sqrt(r * r - e * e);
    store(foot + h * across, line.point);
    appendLine(out, line, 0);
    store(foot - h * across, line.point);
    appendLine(out, line, 0);
    return 0;
  }
  V centre = o + (dot(q - o, n) / c) * w;
  if (1 - std::fabs(c) < 1e-8) {
    OsCircle circle{};
    store(centre, circle.centre);
    for (int i = 0; i < 3; ++i) {
      circle.u[i] = cyl.u[i];
      circle.v[i] = cyl.v[i];
      circle.w[i] = cyl.w[i];
    }
    circle.radius = r;
    appendCircle(out, circle, 0);
    return 0;
  }
  OsEllipse e{};
  V major = normalized(w - c * n);
  store(centre, e.centre);
  store(major, e.u);
  store(normalized(cross(n, major)), e.v);
  store(normalized(n), e.w);
  e.a = r / std::fabs(c);
  e.b = r;
  appendEllipse(out, e, 0);
  return 0;
}

// Sections of the double cone; h is the plane's offset from the apex along the plane's normal,
// turned to point along the axis.
int intersectPlaneCone(const OsPlane& plane, const OsCone& cone, IntersectionList& out) {
  out.count = 0;
  V n = normalized(load(plane.normal)), q = load(plane.point), apex = load(cone.apex);
  V w = normalized(load(cone.w));
  double alpha = cone.halfAngle, s = std::sin(alpha), c = std::cos(alpha);
  if (pointInPlane(apex, q, n)) {
    double m = dot(n, w);
    V e1 = w - m * n;
    double rest = s * s - m * m;
    OsLine line{};
    store(apex, line.point);
    if (normalizeInPlace(e1) == 0 || rest < -1e-8) {
      addPoint(out, apex, 0);
      return 0;
    }
    V e2 = normalized(cross(n, e1));
    if (std::fabs(rest) < 1e-8) {
      store(e1, line.direction);
      appendLine(out, line, 1);
      return 0;
    }
    double k = std::sqrt(rest) / c;
    store(normalized(e1 + k * e2), line.direction);
    appendLine(out, line, 0);
    store(normalized(e1 - k * e2), line.direction);
    appendLine(out, line, 0);
    return 0;
  }
  if (1 - std::fabs(dot(n, w)) < 1e-8) {
    double h = dot(q - apex, n) / dot(w, n);
    OsCircle circle{};
    store(apex + h * w, circle.centre);
    for (int i = 0; i < 3; ++i) {
      circle.u[i] = cone.u[i];
      circle.v[i] = cone.v[i];
      circle.w[i] = cone.w[i];
    }
    circle.radius = std::fabs(h) * std::tan(alpha);
    appendCircle(out, circle, 0);
    return 0;
  }
  double k = dot(n, w);
  if (k < 0) {
    n = -1.0 * n;
    k = -k;
  }
  double h = dot(q - apex, n);
  V a = normalized(w - k * n);
  if (std::fabs(k - s) < 1e-8) {
    OsParabola p{};
    store(apex + h * n + (h * std::tan(vorga::kHalfPi - 2 * alpha)) * a, p.vertex);
    store(normalized(cross(a, n)), p.u);
    store(a, p.v);
    store(n, p.w);
    p.focal = h * k / (2 * std::sqrt(1 - k * k));
    appendParabola(out, p, 0);
    return 0;
  }
  double d = k * k - s * s;
  double t = h / d;
  V centre = apex + t * (k * w - (s * s) * n);
  double first = std::fabs(t) * c * s, second = std::fabs(h) * s / std::sqrt(std::fabs(d));
  if (k < s) {
    OsHyperbola hy{};
    store(centre, hy.centre);
    store(a, hy.u);
    store(normalized(cross(n, a)), hy.v);
    store(n, hy.w);
    hy.a = first;
    hy.b = second;
    appendHyperbola(out, hy, 0);
  } else {
    OsEllipse e{};
    store(centre, e.centre);
    store(a, e.u);
    store(normalized(cross(n, a)), e.v);
    store(n, e.w);
    e.a = first;
    e.b = second;
    appendEllipse(out, e, 0);
  }
  return 0;
}

double coneCoordinates(const OsCone& cone, const double p[3], double* angle) {
  V d = load(p) - load(cone.apex), w = load(cone.w);
  double h = dot(d, w);
  V radial = d - h * w;
  double a = 0;
  if (dot(radial, radial) >= 1e-14) {
    radial = normalized(radial);
    if (h < 0) radial = -1.0 * radial;
    a = std::atan2(dot(radial, load(cone.v)), dot(radial, load(cone.u)));
  }
  if (angle) *angle = a;
  return h;
}

int coneNormalAt(const OsCone& cone, const double p[3], double normal[3]) {
  double h = coneCoordinates(cone, p, nullptr);
  if (std::fabs(h) < 1e-7 || !(std::fabs(cone.cosHalfAngle) > 0)) {
    for (int i = 0; i < 3; ++i) normal[i] = cone.u[i];
    return -1;
  }
  double c2 = cone.cosHalfAngle * cone.cosHalfAngle;
  V onAxis = load(cone.apex) + (h / c2) * load(cone.w);
  store(normalized(load(p) - onAxis), normal);
  return h <= 0 ? 1 : 2;
}

int intersectLineTorus(const OsLine& line, const double centre[3], const double axis[3],
                       double majorRadius, double minorRadius, IntersectionList& out) {
  out.count = 0;
  V d = load(line.direction), w = load(axis), c = load(centre);
  double big = majorRadius, small = minorRadius;
  if (normalizeInPlace(d) == 0 || normalizeInPlace(w) == 0 || !(big > 0) || !(small > 0) ||
      !std::isfinite(big + small))
    return 1;
  // Measured from the line's point nearest the centre and in units of R + r, the quartic's
  // coefficients stay of order one, so none is mistaken for a negligible one.
  V p = load(line.point);
  V foot = p + dot(c - p, d) * d;
  double scale = big + small;
  if (!(distance(foot, c) <= scale * (1 + 1e-9))) return 1;
  V q = (1.0 / scale) * (foot - c);
  double R = big / scale, r = small / scale;
  double qq = dot(q, q), qd = dot(q, d), qw = dot(q, w), dw = dot(d, w);
  double b = qq + R * R - r * r;
  double coefficients[5] = {b * b - 4 * R * R * (qq - qw * qw),
                            4 * qd * b - 8 * R * R * (qd - qw * dw),
                            4 * qd * qd + 2 * b - 4 * R * R * (1 - dw * dw), 4 * qd, 1};
  PolynomialRoot roots[kMaxPolynomialRoots];
  int n = solvePolynomial(coefficients, 4, roots);
  for (int i = 0; i < n; ++i)
    addPoint(out, foot + (roots[i].root * scale) * d, roots[i].multiplicity >= 2);
  return out.count > 0 ? 0 : 1;
}
