// Curve base, conic base, circle, the angular range test and the conic tessellation.
#include "sat/Curve.h"

#include <cmath>
#include <cstring>
#include <ostream>

#include "sat/Tolerance.h"

bool sameClassName(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

void c_Curve::makeOldStyleEntity(OldStyleEntityRef& ref) const {
  ref.owner = 0;
  ref.entity = nullptr;
}

bool c_Curve::isParameterInRange(double t, double low, double high, int) const {
  return low <= t && t <= high;
}

int c_Curve::intervalQuery(double, double) const { return 0; }

bool c_Curve::isSameAs(const c_Curve& other) const { return sameClassName(name(), other.name()); }

c_Conic::c_Conic() : centre_(0, 0, 0), u_(vorga::kMinusZ), v_(vorga::kUnitY), w_(vorga::kUnitX) {}

c_Conic::c_Conic(const c_Point& centre, const c_Vector& u, const c_Vector& w)
    : centre_(centre), u_(u), v_(0, 0, 0), w_(w) {
  c_Vector::makeFrame(u_, v_, w_);
}

c_Conic::c_Conic(const c_Point& centre, const c_Vector& w)
    : centre_(centre), u_(0, 0, 0), v_(0, 0, 0), w_(w) {
  c_Vector::makeFrame(u_, v_, w_);
}

bool c_Conic::inPlane(const c_Point& p) const {
  return std::fabs(c_Vector::dot(p - centre_, w_)) < vorgaTolerances().zero;
}

double normalizeAngle(double angle) {
  if (!std::isfinite(angle)) return 0.0;
  if (std::fabs(angle) > 4 * vorga::kTwoPi) angle = std::remainder(angle, vorga::kTwoPi);
  while (angle < -vorga::kPi) angle += vorga::kTwoPi;
  while (angle > vorga::kPi) angle -= vorga::kTwoPi;
  return angle;
}

bool isAngleInRange(double t, double a, double b, int direction) {
  if (std::fabs(a - b) < vorgaTolerances().angular) return true;
  if (direction != 0) return a < b ? (a <= t && t <= b) : (t >= a || t <= b);
  return a >= b ? (b <= t && t <= a) : (t <= a || t >= b);
}

int c_Conic::tessellateConic(double a, double b, double e, c_Point* out, int maxCount,
                             int direction, const ConicRange* range) const {
  if (!out || maxCount < 1) return 0;
  const bool clockwise = direction == 1;
  double s = -vorga::kPi, f = -vorga::kPi;
  if (range && range->present != 0) {
    s = normalizeAngle(range->start);
    f = normalizeAngle(range->end);
  }
  if (std::fabs(f - s) < vorgaTolerances().angular) {
    f = clockwise ? s - vorga::kTwoPi : s + vorga::kTwoPi;
  } else if (!clockwise && f <= s) {
    f += vorga::kTwoPi;
  } else if (clockwise && f >= s) {
    f -= vorga::kTwoPi;
  }
  const double sweep = f - s;
  const double r = std::fmax(a, b);
  double step = vorga::kPi;
  if (e < r && e > 1e-6) step = 2 * std::acos(1 - e / r);
  double wanted = std::fabs(sweep) / step + 0.5;
  int n = wanted < maxCount ? int(wanted) + 1 : maxCount;
  if (n < 2) n = 2;
  if (n > maxCount) n = maxCount;
  if (n == 1) {
    out[0] = centre_ + (a * std::cos(s)) * u_ + (b * std::sin(s)) * v_;
    return 1;
  }
  double spacing = sweep / (n - 1);
  while (std::fabs(spacing) >= vorga::kPi && n < maxCount) {
    ++n;
    spacing = sweep / (n - 1);
  }
  for (int i = 0; i < n; ++i) {
    double theta = s + i * spacing;
    out[i] = centre_ + (a * std::cos(theta)) * u_ + (b * std::sin(theta)) * v_;
  }
  return n;
}

c_Circle::c_Circle(const c_Point& centre, const c_Vector& w, double radius)
    : c_Conic(centre, w), radius_(radius) {
  if (!(radius_ >= 1e-6) || !std::isfinite(radius_)) radius_ = 1.0;
}

void c_Circle::print(std::ostream& os) const {
  os << name() << "( C=" << centre_ << " , u=" << u_ << " , v=" << v_ << " , w=" << w_
     << " , r=" << radius_ << " )";
}

bool c_Circle::isOnCurve(const c_Point& p) const {
  return std::fabs(p.squaredDistanceTo(centre_) - radius_ * radius_) < vorgaTolerances().onCurve &&
         inPlane(p);
}

double c_Circle::parameterOf(const c_Point& p) const {
  c_Vector d = p - centre_;
  return std::atan2(c_Vector::dot(d, v_), c_Vector::dot(d, u_));
}

c_Point c_Circle::pointAt(double t) const {
  return centre_ + (radius_ * std::cos(t)) * u_ + (radius_ * std::sin(t)) * v_;
}

void c_Circle::makeOldStyleEntity(OldStyleEntityRef& ref) const {
  OsCircle image{};
  copyTo(centre_, image.centre);
  copyTo(u_, image.u);
  copyTo(v_, image.v);
  copyTo(w_, image.w);
  image.radius = radius_;
  makeOldStyleCircle(image, ref);
}

bool c_Circle::isParameterInRange(double t, double low, double high, int direction) const {
  return isAngleInRange(t, low, high, direction);
}

bool c_Circle::isSameAs(const c_Curve& other) const {
  if (!sameClassName(name(), other.name())) return false;
  const c_Circle& o = static_cast<const c_Circle&>(other);
  return centre_.equals(o.centre_) && 1 - c_Vector::dot(w_, o.w_) < vorgaTolerances().parallel &&
         std::fabs(radius_ - o.radius_) < 1e-6;
}

int c_Circle::tessellate(double chordTolerance, c_Point* out, int maxCount, int direction,
                         const ConicRange* range) const {
  return tessellateConic(radius_, radius_, chordTolerance, out, maxCount, direction, range);
}
