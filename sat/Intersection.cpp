// Intersection queries between curves, and between curves and surfaces.
#include "sat/Intersection.h"

IntersectionResult::IntersectionResult(const c_Curve& a, const c_Curve& b) : status_(1) {
  list_.count = 0;
  OldStyleEntityRef ea, eb;
  a.makeOldStyleEntity(ea);
  b.makeOldStyleEntity(eb);
  if (intersectByTypePair(ea.entity, eb.entity, list_) == 0) status_ = 2;
  releaseOldStyleEntity(ea.entity);
  releaseOldStyleEntity(eb.entity);
}

IntersectionResult::IntersectionResult(const c_Curve& curve, const c_Surface& surface)
    : status_(1) {
  list_.count = 0;
  const bool line = sameClassName(curve.name(), "c_Line");
  if ((line && sameClassName(surface.name(), "c_EllCylinder")) ||
      ((line || sameClassName(curve.name(), "c_Circle")) &&
       sameClassName(surface.name(), "c_Torus"))) {
    status_ = surface.intersect(curve, list_);
    return;
  }
  OldStyleEntityRef ec, es;
  curve.makeOldStyleEntity(ec);
  surface.makeOldStyleEntity(es);
  if (intersectCurveSurfaceByTypePair(ec.entity, es.entity, list_) == 0) status_ = 2;
  releaseOldStyleEntity(ec.entity);
  releaseOldStyleEntity(es.entity);
}

int IntersectionResult::count() const {
  if (status_ != 2) return 0;
  return list_.count == 0 ? 1 : int(list_.count);
}

IntersectionItem IntersectionResult::item(int i) const {
  if (status_ != 2) return IntersectionItem{false, nullptr};
  if (list_.count == 0) return IntersectionItem{i == 0, nullptr};
  if (i < 0 || i >= int(list_.count)) return IntersectionItem{false, nullptr};
  return IntersectionItem{false, &list_.records[i]};
}

int IntersectionResult::kind(const IntersectionItem& item) {
  if (item.coincide) return kItemCoincide;
  if (!item.record) return kItemInvalid;
  switch (item.record->kind) {
    case kOsPoint: return kItemPoint;
    case kOsLine:
    case kOsCircle:
    case kOsEllipse: return kItemCurve;
    default: return kItemInvalid;
  }
}

bool IntersectionResult::point(const IntersectionItem& item, c_Point& out) {
  if (item.record && item.record->kind == kOsPoint) {
    out = c_Point(item.record->g.point[0], item.record->g.point[1], item.record->g.point[2]);
    return true;
  }
  out = c_Point(0, 0, 0);
  return false;
}
