// Sphere, cylinders, cones and plane.
#include "sat/AnalyticSurfaces.h"

#include <cmath>
#include <iostream>

#include "sat/Line.h"
#include "sat/OldStyleIntersect.h"
#include "sat/RootSolvers.h"
#include "sat/Tolerance.h"

namespace {

bool usable(double size) { return size >= vorgaTolerances().zero && std::isfinite(size); }

// A half angle must open the cone and stay short of a plane.
bool usableHalfAngle(double angle) {
  const double zero = vorgaTolerances().zero;
  return angle >= zero && angle <= vorga::kHalfPi - zero;
}

// The implicit quadric x^T Q x + 2 b . x + c with Q symmetric, in the ten-coefficient order.
void quadricCoefficients(const double q[3][3], const c_Point& o, double constant, double out[10]) {
  // Centred at o: (x - o)^T Q (x - o) + constant.
  const double p[3] = {o.x, o.y, o.z};
  out[0] = q[0][0];
  out[1] = q[1][1];
  out[2] = q[2][2];
  out[3] = 2 * q[0][1];
  out[4] = 2 * q[1][2];
  out[5] = 2 * q[2][0];
  double qp[3], pqp = 0;
  for (int i = 0; i < 3; ++i) {
    qp[i] = q[i][0] * p[0] + q[i][1] * p[1] + q[i][2] * p[2];
    pqp += p[i] * qp[i];
  }
  out[6] = -2 * qp[0];
  out[7] = -2 * qp[1];
  out[8] = -2 * qp[2];
  out[9] = pqp + constant;
}

void cylinderCoefficients(const c_Point& origin, const c_Vector& w, double r, double out[10]) {
  const double a[3] = {w.dx, w.dy, w.dz};
  double q[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) q[i][j] = (i == j ? 1.0 : 0.0) - a[i] * a[j];
  quadricCoefficients(q, origin, -r * r, out);
}

c_Point onEllipse(const c_Point& origin, const c_Vector& u, const c_Vector& v, double a, double b,
                  double t) {
  return origin + (a * std::cos(t)) * u + (b * std::sin(t)) * v;
}

// The angles t where the view direction grazes a surface, as solutions of
// p cos t + q sin t = s written in tan(t / 2); at most two.
int grazingAngles(double p, double q, double s, double angles[2]) {
  AngleRoot roots[kMaxAngleRoots];
  int n = solveHalfAngleQuadratic(-p - s, 2 * q, p - s, roots);
  if (n < 0) n = 0;
  if (n > 2) n = 2;
  for (int i = 0; i < n; ++i) angles[i] = roots[i].angle;
  return n;
}

void printFramed(std::ostream& os, const char* name, const c_FramedQuadric& s) {
  os << name << "( " << s.origin() << " , " << s.u() << " , " << s.v() << " , " << s.w();
}

}  // namespace

c_Sphere::c_Sphere() : centre_(0, 0, 0), radius_(1.0) {}

c_Sphere::c_Sphere(const c_Point& centre, double radius) : centre_(centre), radius_(radius) {
  if (!usable(radius_)) radius_ = 1.0;
}

int c_Sphere::silhouettes(const c_Vector& view, c_Curve** out) const {
  if (!out) return 0;
  out[0] = new c_Circle(centre_, view, radius_);
  return 1;
}

void c_Sphere::makeOldStyleEntity(OldStyleEntityRef& ref) const {
  OsSphere image{};
  copyTo(centre_, image.centre);
  image.radius = radius_;
  makeOldStyleSphere(image, ref);
}

c_Vector c_Sphere::normalAt(const c_Point& p) const {
  c_Vector n = p - centre_;
  n.normalize();
  return n;
}

int c_Sphere::algebraicCoefficients(double out[10]) const {
  out[0] = out[1] = out[2] = 1;
  out[3] = out[4] = out[5] = 0;
  out[6] = -2 * centre_.x;
  out[7] = -2 * centre_.y;
  out[8] = -2 * centre_.z;
  out[9] =
      centre_.x * centre_.x + centre_.y * centre_.y + centre_.z * centre_.z - radius_ * radius_;
  return 1;
}

void c_Sphere::print(std::ostream& os) const {
  os << name() << "( " << centre_ << " , " << radius_ << " )";
}

c_Cylinder::c_Cylinder() : radius_(1.0) {}

c_Cylinder::c_Cylinder(const c_Point& origin, const c_Vector& u, const c_Vector& w, double radius)
    : c_FramedQuadric(origin, u, w), radius_(radius) {
  if (!usable(radius_)) radius_ = 1.0;
}

int c_Cylinder::silhouettes(const c_Vector& view, c_Curve** out) const {
  if (!out) return 0;
  c_Vector side = c_Vector::cross(view, w_);
  if (side.normalize() < vorgaTolerances().zero) {
    w_.perpendicular(side);
    side.normalize();
  }
  out[0] = new c_Line(origin_ + radius_ * side, w_);
  out[1] = new c_Line(origin_ - radius_ * side, w_);
  return 2;
}

int c_Cylinder::rulings(int n, c_Curve** out) const {
  if (!out || n < 1) return 0;
  for (int i = 0; i < n; ++i) {
    double t = i * vorga::kTwoPi / n;
    out[i] = new c_Line(onEllipse(origin_, u_, v_, radius_, radius_, t), w_);
  }
  return n;
}

void c_Cylinder::makeOldStyleEntity(OldStyleEntityRef& ref) const {
  OsCylinder image{};
  copyTo(origin_, image.origin);
  copyTo(u_, image.u);
  copyTo(v_, image.v);
  copyTo(w_, image.w);
  image.radius = radius_;
  makeOldStyleCylinder(image, ref);
}

c_Vector c_Cylinder::normalAt(const c_Point& p) const {
  c_Vector d = p - origin_;
  c_Vector n = d - c_Vector::dot(d, w_) * w_;
  n.normalize();
  return n;
}

int c_Cylinder::algebraicCoefficients(double out[10]) const {
  cylinderCoefficients(origin_, w_, radius_, out);
  return 1;
}

void c_Cylinder::print(std::ostream& os) const {
  printFramed(os, name(), *this);
  os << " , " << radius_ << " )";
}

c_EllCylinder::c_EllCylinder() : a_(2.0), b_(1.0) {}

c_EllCylinder::c_EllCylinder(const c_Point& origin, const c_Vector& u, const c_Vector& w, double a,
                             double b)
    : c_FramedQuadric(origin, u, w), a_(a), b_(b) {
  if (!usable(a_) || !usable(b_) || a_ < b_) {
    a_ = 2.0;
    b_ = 1.0;
  }
}

// The surface normal at angle t is along b cos t u + a sin t v; it is across the view V where
// b (u . V) cos t + a (v . V) sin t = 0.
int c_EllCylinder::silhouettes(const c_Vector& view, c_Curve** out) const {
  if (!out) return 0;
  double angles[2];
  int n = grazingAngles(b_ * c_Vector::dot(u_, view), a_ * c_Vector::dot(v_, view), 0, angles);
  if (n == 0) angles[0] = 0;  // viewed along the axis: the ends of the major axis
  if (n < 2) angles[1] = angles[0] + vorga::kPi;
  for (int i = 0; i < 2; ++i)
    out[i] = new c_Line(onEllipse(origin_, u_, v_, a_, b_, angles[i]), w_);
  return 2;
}

int c_EllCylinder::rulings(int n, c_Curve** out) const {
  if (!out || n < 1) return 0;
  for (int i = 0; i < n; ++i)
    out[i] = new c_Line(onEllipse(origin_, u_, v_, a_, b_, i * vorga::kTwoPi / n), w_);
  return n;
}

int c_EllCylinder::intersect(const c_Curve& curve, IntersectionList& result) const {
  if (!sameClassName(curve.name(), "c_Line")) return c_Surface::intersect(curve, result);
  result.count = 0;
  const c_Line& line = static_cast<const c_Line&>(curve);
  c_Vector q = line.point() - origin_, d = line.direction();
  double px = c_Vector::dot(q, u_) / a_, py = c_Vector::dot(q, v_) / b_;
  double dx = c_Vector::dot(d, u_) / a_, dy = c_Vector::dot(d, v_) / b_;
  double c0 = px * px + py * py - 1;
  double roots[2];
  int doubled = 0;
  int n = solveQuadratic(dx * dx + dy * dy, 2 * (px * dx + py * dy), c0, roots, &doubled);
  if (n == kRootsDegenerate) return std::fabs(c0) < 1e-7 ? 2 : 1;  // along the axis
  if (n <= 0) return 1;
  for (int i = 0; i < n; ++i) {
    double p[3];
    copyTo(line.pointAt(roots[i]), p);
    appendPoint(result, p, doubled);
  }
  return 2;
}

int c_EllCylinder::algebraicCoefficients(double out[10]) const {
  std::cout << "*** Warning (c_EllCylinder::algebraicCoefficients): "
            << "returning cylinder algebraic coefficients.\n";
  cylinderCoefficients(origin_, w_, a_, out);
  return 1;
}

void c_EllCylinder::print(std::ostream& os) const {
  printFramed(os, name(), *this);
  os << " , " << a_ << " , " << b_ << " )";
}

c_Cone::c_Cone() : halfAngle_(vorga::kPi / 4) {}

c_Cone::c_Cone(const c_Point& apex, const c_Vector& u, const c_Vector& w, double halfAngle)
    : c_FramedQuadric(apex, u, w), halfAngle_(halfAngle) {
  if (!usableHalfAngle(halfAngle_)) halfAngle_ = vorga::kPi / 4;
}

// Along the ruling at angle t the normal is across the view V where
// (u . V) cos t + (v . V) sin t = tan(half angle) (w . V).
int c_Cone::silhouettes(const c_Vector& view, c_Curve** out) const {
  if (!out) return 0;
  const double t = std::tan(halfAngle_);
  double angles[2];
  int n = grazingAngles(c_Vector::dot(u_, view), c_Vector::dot(v_, view),
                        t * c_Vector::dot(w_, view), angles);
  for (int i = 0; i < n; ++i)
    out[i] = new c_Line(origin_, w_ + t * (std::cos(angles[i]) * u_ + std::sin(angles[i]) * v_));
  return n;
}

int c_Cone::rulings(int n, c_Curve** out) const {
  if (!out || n < 1) return 0;
  const double t = std::tan(halfAngle_);
  for (int i = 0; i < n; ++i) {
    double a = i * vorga::kTwoPi / n;
    out[i] = new c_Line(origin_, w_ + t * (std::cos(a) * u_ + std::sin(a) * v_));
  }
  return n;
}

void c_Cone::makeOldStyleEntity(OldStyleEntityRef& ref) const {
  OsCone image{};
  copyTo(origin_, image.apex);
  copyTo(u_, image.u);
  copyTo(v_, image.v);
  copyTo(w_, image.w);
  image.halfAngle = halfAngle_;
  image.tanHalfAngle = std::tan(halfAngle_);
  image.cosHalfAngle = std::cos(halfAngle_);
  makeOldStyleCone(image, ref);
}

c_Vector c_Cone::normalAt(const c_Point& p) const {
  OldStyleEntityRef ref;
  makeOldStyleEntity(ref);
  double at[3], normal[3] = {0, 0, 0};
  copyTo(p, at);
  coneNormalAt(*static_cast<const OsCone*>(ref.entity->record), at, normal);
  releaseOldStyleEntity(ref.entity);
  c_Vector n(normal);
  n.normalize();
  return n;
}

int c_Cone::algebraicCoefficients(double out[10]) const {
  const double a[3] = {w_.dx, w_.dy, w_.dz};
  const double c2 = std::cos(halfAngle_) * std::cos(halfAngle_);
  double q[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) q[i][j] = a[i] * a[j] - (i == j ? c2 : 0.0);
  quadricCoefficients(q, origin_, 0.0, out);
  return 1;
}

void c_Cone::print(std::ostream& os) const {
  printFramed(os, name(), *this);
  os << " , " << halfAngle_ << " )";
}

c_EllCone::c_EllCone() : halfAngle_(vorga::kPi / 4), ratio_(1.0) {}

c_EllCone::c_EllCone(const c_Point& apex, const c_Vector& u, const c_Vector& w, double halfAngle,
                     double ratio)
    : c_FramedQuadric(apex, u, w), halfAngle_(halfAngle), ratio_(ratio) {
  if (!usableHalfAngle(halfAngle_)) halfAngle_ = vorga::kPi / 4;
  if (!usable(ratio_)) ratio_ = 1.0;
}

// The ruling at angle t runs along w + T (cos t u + k sin t v), T = tan(half angle); the normal
// along it is k cos t u + sin t v - T k w, which is across the view V where
// (u . V) cos t + (v . V) sin t / k = T (w . V).
int c_EllCone::silhouettes(const c_Vector& view, c_Curve** out) const {
  if (!out) return 0;
  const double t = std::tan(halfAngle_), k = ratio_;
  double angles[2];
  int n = grazingAngles(c_Vector::dot(u_, view), c_Vector::dot(v_, view) / k,
                        t * c_Vector::dot(w_, view), angles);
  for (int i = 0; i < n; ++i)
    out[i] =
        new c_Line(origin_, w_ + t * (std::cos(angles[i]) * u_ + k * std::sin(angles[i]) * v_));
  return n;
}

int c_EllCone::rulings(int n, c_Curve** out) const {
  if (!out || n < 1) return 0;
  const double t = std::tan(halfAngle_);
  for (int i = 0; i < n; ++i) {
    double a = i * vorga::kTwoPi / n;
    out[i] = new c_Line(origin_, w_ + t * (std::cos(a) * u_ + ratio_ * std::sin(a) * v_));
  }
  return n;
}

void c_EllCone::makeOldStyleEntity(OldStyleEntityRef& ref) const {
  std::cerr << "*** Warning: c_EllCone::makeOldStyleEntity is generating "
            << "a right circular cone to pass to old vorga.\n";
  c_Cone(origin_, u_, w_, halfAngle_).makeOldStyleEntity(ref);
}

// The gradient of x^2 + (y / k)^2 - T^2 z^2 in the cone's frame.
c_Vector c_EllCone::normalAt(const c_Point& p) const {
  c_Vector d = p - origin_;
  const double t = std::tan(halfAngle_);
  double x = c_Vector::dot(d, u_), y = c_Vector::dot(d, v_), z = c_Vector::dot(d, w_);
  c_Vector n = x * u_ + (y / (ratio_ * ratio_)) * v_ - (t * t * z) * w_;
  n.normalize();
  return n;
}

int c_EllCone::algebraicCoefficients(double[10]) const {
  std::cerr << "*** Warning: c_EllCone::algebraicCoefficients "
            << "not yet implemented.\n";
  return 0;
}

void c_EllCone::print(std::ostream& os) const {
  printFramed(os, name(), *this);
  os << " , " << halfAngle_ << " , " << ratio_ << " )";
}

c_Plane::c_Plane() : point_(0, 0, 0), normal_(vorga::kUnitZ) {}

c_Plane::c_Plane(const c_Point& point, const c_Vector& normal) : point_(point), normal_(normal) {
  if (!(normal_.normalize() >= vorgaTolerances().zero)) normal_ = vorga::kUnitZ;
}

void c_Plane::makeOldStyleEntity(OldStyleEntityRef& ref) const {
  OsPlane image{};
  copyTo(point_, image.point);
  copyTo(normal_, image.normal);
  makeOldStylePlane(image, ref);
}

void c_Plane::print(std::ostream& os) const {
  os << name() << "( " << point_ << " , " << normal_ << " )";
}
