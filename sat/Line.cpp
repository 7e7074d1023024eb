// The straight line.
#include "sat/Line.h"

#include <ostream>

#include "sat/Tolerance.h"

c_Line::c_Line() : point_(0, 0, 0), direction_(vorga::kUnitZ) {}

c_Line::c_Line(const c_Point& point, const c_Vector& direction)
    : point_(point), direction_(direction) {
  if (!(direction_.normalize() >= vorgaTolerances().zero)) direction_ = vorga::kUnitZ;
}

void c_Line::print(std::ostream& os) const {
  os << name() << "( " << point_ << " , " << direction_ << " )";
}

bool c_Line::isOnCurve(const c_Point& p) const {
  return (point_ + parameterOf(p) * direction_).equals(p);
}

double c_Line::parameterOf(const c_Point& p) const { return c_Vector::dot(p - point_, direction_); }

c_Point c_Line::pointAt(double t) const { return point_ + t * direction_; }

void c_Line::makeOldStyleEntity(OldStyleEntityRef& ref) const {
  OsLine image{};
  copyTo(point_, image.point);
  copyTo(direction_, image.direction);
  makeOldStyleLine(image, ref);
}

bool c_Line::isSameAs(const c_Curve& other) const {
  if (!sameClassName(name(), other.name())) return false;
  const c_Line& o = static_cast<const c_Line&>(other);
  return isOnCurve(o.point_) && direction_.isParallelTo(o.direction_);
}
