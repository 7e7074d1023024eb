// Surface base, quadric bases and the torus.
#include "sat/Surface.h"

#include <cmath>
#include <iostream>

#include "sat/OldStyleIntersect.h"

int c_Surface::silhouettes(const c_Vector&, c_Curve**) const { return 0; }

int c_Surface::rulings(int, c_Curve**) const { return 0; }

int c_Surface::intersect(const c_Curve&, IntersectionList& result) const {
  std::cout << "c_Surface::intersect called.\n";
  result.count = 0;
  return 0;
}

void c_Surface::makeOldStyleEntity(OldStyleEntityRef& ref) const {
  ref.owner = 0;
  ref.entity = nullptr;
}

c_Vector c_Surface::normalAt(const c_Point&) const { return vorga::kZeroVector; }

c_FramedQuadric::c_FramedQuadric()
    : origin_(0, 0, 0), u_(vorga::kMinusZ), v_(vorga::kUnitY), w_(vorga::kUnitX) {}

c_FramedQuadric::c_FramedQuadric(const c_Point& origin, const c_Vector& u, const c_Vector& w)
    : origin_(origin), u_(u), v_(0, 0, 0), w_(w) {
  c_Vector::makeFrame(u_, v_, w_);
}

c_FramedQuadric::c_FramedQuadric(const c_Point& origin, const c_Vector& w)
    : origin_(origin), u_(0, 0, 0), v_(0, 0, 0), w_(w) {
  c_Vector::makeFrame(u_, v_, w_);
}

c_Torus::c_Torus()
    : centre_(0, 0, 0),
      u_(vorga::kMinusZ),
      v_(vorga::kUnitY),
      w_(vorga::kUnitX),
      major_(2.0),
      minor_(1.0) {}

c_Torus::c_Torus(const c_Point& centre, const c_Vector& u, const c_Vector& w, double majorRadius,
                 double minorRadius)
    : centre_(centre), u_(u), v_(0, 0, 0), w_(w), major_(majorRadius), minor_(minorRadius) {
  c_Vector::makeFrame(u_, v_, w_);
  if (!(minor_ >= 1e-6) || !std::isfinite(minor_)) minor_ = 1.0;
  if (!(major_ >= minor_) || !std::isfinite(major_)) major_ = minor_ * 1.05;
}

int c_Torus::intersect(const c_Curve& curve, IntersectionList& result) const {
  result.count = 0;
  if (!sameClassName(curve.name(), "c_Line")) return intersectCircle(curve, result);
  OldStyleEntityRef ref;
  curve.makeOldStyleEntity(ref);
  int status = 1;
  if (ref.entity && ref.entity->kind == kOsLine) {
    double centre[3], axis[3];
    copyTo(centre_, centre);
    copyTo(w_, axis);
    if (intersectLineTorus(*static_cast<const OsLine*>(ref.entity->record), centre, axis, major_,
                           minor_, result) == 0)
      status = 2;
  }
  releaseOldStyleEntity(ref.entity);
  return status;
}

int c_Torus::intersectCircle(const c_Curve&, IntersectionList& result) const {
  result.count = 0;
  return 1;
}

void c_Torus::print(std::ostream& os) const {
  os << name() << "( " << centre_ << " , " << u_ << " , " << v_ << " , " << w_ << " , " << major_
     << " , " << minor_ << " )";
}
