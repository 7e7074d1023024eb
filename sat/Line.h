// The straight line of the geometry library: a point and a unit direction.
#ifndef SAT_LINE_H
#define SAT_LINE_H

#include "sat/Curve.h"

class c_Line : public c_Curve {
 public:
  c_Line();  // through the origin along (0, 0, 1)
  // The direction is normalised; one shorter than the zero tolerance becomes (0, 0, 1).
  c_Line(const c_Point& point, const c_Vector& direction);
  ~c_Line() override = default;

  void print(std::ostream& os) const override;
  bool isOnCurve(const c_Point& p) const override;
  double parameterOf(const c_Point& p) const override;  // signed distance along the direction
  c_Point pointAt(double t) const override;
  void makeOldStyleEntity(OldStyleEntityRef& ref) const override;
  bool isSameAs(const c_Curve& other) const override;
  const char* name() const override { return "c_Line"; }

  c_Point point() const { return point_; }
  c_Vector direction() const { return direction_; }

 private:
  c_Point point_;
  c_Vector direction_;
};

#endif
