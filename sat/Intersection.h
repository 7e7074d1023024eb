// IntersectionResult: one intersection query between two objects of the geometry library,
// answered item by item. Apart from the pairs a class answers itself (a line with an elliptic
// cylinder, a line or circle with a torus), both objects become old-style entities for the
// query, the kernel's dispatch fills the result list, and the entities are released.
//
// Status: 1 not computed (the pair has no routine, or nothing was found), 2 computed. A
// computed result without entries is one item saying that the objects coincide.
#ifndef SAT_INTERSECTION_H
#define SAT_INTERSECTION_H

#include <cstdint>

#include "sat/Curve.h"
#include "sat/OldStyle.h"
#include "sat/Surface.h"

struct IntersectionItem {
  bool coincide;
  const IntersectionRecord* record;  // null for the coincidence item and an invalid item
};

enum IntersectionItemKind {
  kItemInvalid = 0,
  kItemCoincide = 1,
  kItemPoint = 2,
  kItemCurve = 3,
};

class IntersectionResult {
 public:
  IntersectionResult(const c_Curve& a, const c_Curve& b);
  IntersectionResult(const c_Curve& curve, const c_Surface& surface);

  int status() const { return status_; }
  int count() const;
  IntersectionItem item(int i) const;
  static int kind(const IntersectionItem& item);
  // The point of a point item; the origin and false for any other.
  static bool point(const IntersectionItem& item, c_Point& out);

 private:
  int32_t status_;
  IntersectionList list_;
};

#endif
