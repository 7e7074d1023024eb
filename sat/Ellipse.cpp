// The ellipse.
#include "sat/Ellipse.h"

#include <cmath>
#include <ostream>
#include <utility>

#include "sat/Tolerance.h"

c_Ellipse::c_Ellipse() : a_(1.5), b_(1.0) {}

c_Ellipse::c_Ellipse(const c_Conic& conic, double a, double b) : c_Conic(conic), a_(a), b_(b) {
  normalizeRadii();
}

c_Ellipse::c_Ellipse(const c_Point& centre, const c_Vector& u, const c_Vector& w, double a,
                     double b)
    : c_Conic(centre, u, w), a_(a), b_(b) {
  normalizeRadii();
}

void c_Ellipse::normalizeRadii() {
  const double zero = vorgaTolerances().zero;
  if (!(a_ >= zero) || !std::isfinite(a_)) a_ = 1.5;
  if (!(b_ >= zero) || !std::isfinite(b_)) b_ = 1.0;
  if (a_ < b_) {
    std::swap(a_, b_);
    std::swap(u_, v_);
    w_ = -w_;
  }
}

void c_Ellipse::print(std::ostream& os) const {
  os << name() << "( " << centre_ << " , " << u_ << " , " << v_ << " , " << w_ << " , " << a_
     << " , " << b_ << " )";
}

void c_Ellipse::foci(c_Point& f1, c_Point& f2) const {
  double f = std::sqrt(std::fmax(a_ * a_ - b_ * b_, 0.0));
  f1 = centre_ + f * u_;
  f2 = centre_ - f * u_;
}

bool c_Ellipse::isOnCurve(const c_Point& p) const {
  c_Point f1, f2;
  foci(f1, f2);
  return std::fabs(p.distanceTo(f1) + p.distanceTo(f2) - 2 * a_) < vorgaTolerances().zero &&
         inPlane(p);
}

double c_Ellipse::parameterOf(const c_Point& p) const {
  c_Vector d = p - centre_;
  return std::atan2(c_Vector::dot(d, v_) / b_, c_Vector::dot(d, u_) / a_);
}

c_Point c_Ellipse::pointAt(double t) const {
  return centre_ + (a_ * std::cos(t)) * u_ + (b_ * std::sin(t)) * v_;
}

c_Vector c_Ellipse::tangentAt(double t) const {
  c_Vector d = (-a_ * std::sin(t)) * u_ + (b_ * std::cos(t)) * v_;
  d.normalize();
  return d;
}

void c_Ellipse::makeOldStyleEntity(OldStyleEntityRef& ref) const {
  OsEllipse image{};
  copyTo(centre_, image.centre);
  copyTo(u_, image.u);
  copyTo(v_, image.v);
  copyTo(w_, image.w);
  image.a = a_;
  image.b = b_;
  makeOldStyleEllipse(image, ref);
}

bool c_Ellipse::isParameterInRange(double t, double low, double high, int direction) const {
  return isAngleInRange(t, low, high, direction);
}

bool c_Ellipse::isSameAs(const c_Curve& other) const {
  if (!sameClassName(name(), other.name())) return false;
  const c_Ellipse& o = static_cast<const c_Ellipse&>(other);
  const double zero = vorgaTolerances().zero;
  return centre_.equals(o.centre_) && u_.isParallelTo(o.u_) && v_.isParallelTo(o.v_) &&
         std::fabs(a_ - o.a_) < zero && std::fabs(b_ - o.b_) < zero;
}

int c_Ellipse::tessellate(double chordTolerance, c_Point* out, int maxCount, int direction,
                          const ConicRange* range) const {
  return tessellateConic(a_, b_, chordTolerance, out, maxCount, direction, range);
}
