// The analytic surfaces of the geometry library that SAT faces lie on: sphere, circular and
// elliptic cylinder, circular and elliptic cone, and plane. The renderer asks them for their
// silhouettes along the view direction and their rulings; the old-style kernel receives them
// through makeOldStyleEntity.
//
// Every constructor ends by repairing its sizes: a value below the zero tolerance (or otherwise
// unusable) is replaced by the class's default.
#ifndef SAT_ANALYTICSURFACES_H
#define SAT_ANALYTICSURFACES_H

#include <iosfwd>

#include "sat/Surface.h"

class c_Sphere : public c_Quadric {
 public:
  c_Sphere();  // centre at the origin, radius 1
  c_Sphere(const c_Point& centre, double radius);

  int silhouettes(const c_Vector& view, c_Curve** out) const override;  // the outline circle
  void makeOldStyleEntity(OldStyleEntityRef& ref) const override;
  c_Vector normalAt(const c_Point& p) const override;
  const char* name() const override { return "c_Sphere"; }
  int algebraicCoefficients(double out[10]) const override;
  void print(std::ostream& os) const override;

  c_Point centre() const { return centre_; }
  double radius() const { return radius_; }

 private:
  c_Point centre_;
  double radius_;
};

class c_Cylinder : public c_FramedQuadric {
 public:
  c_Cylinder();  // radius 1
  c_Cylinder(const c_Point& origin, const c_Vector& u, const c_Vector& w, double radius);

  int silhouettes(const c_Vector& view, c_Curve** out) const override;
  int rulings(int n, c_Curve** out) const override;
  void makeOldStyleEntity(OldStyleEntityRef& ref) const override;
  c_Vector normalAt(const c_Point& p) const override;
  const char* name() const override { return "c_Cylinder"; }
  int algebraicCoefficients(double out[10]) const override;
  void print(std::ostream& os) const override;

  double radius() const { return radius_; }

 private:
  double radius_;
};

class c_EllCylinder : public c_FramedQuadric {
 public:
  c_EllCylinder();  // a = 2 along u, b = 1 along v
  // a or b below the zero tolerance, or a < b: a = 2 and b = 1.
  c_EllCylinder(const c_Point& origin, const c_Vector& u, const c_Vector& w, double a, double b);

  int silhouettes(const c_Vector& view, c_Curve** out) const override;
  int rulings(int n, c_Curve** out) const override;
  // A line: up to two points (status 2), status 2 without points when the line lies on the
  // surface, 1 when it misses. Other curves: the base.
  int intersect(const c_Curve& curve, IntersectionList& result) const override;
  const char* name() const override { return "c_EllCylinder"; }
  // The circular cylinder's of radius a, with a warning.
  int algebraicCoefficients(double out[10]) const override;
  void print(std::ostream& os) const override;

  double majorRadius() const { return a_; }
  double minorRadius() const { return b_; }

 private:
  double a_, b_;
};

class c_Cone : public c_FramedQuadric {
 public:
  c_Cone();  // half angle pi/4; the origin is the apex
  c_Cone(const c_Point& apex, const c_Vector& u, const c_Vector& w, double halfAngle);

  int silhouettes(const c_Vector& view, c_Curve** out) const override;
  int rulings(int n, c_Curve** out) const override;
  void makeOldStyleEntity(OldStyleEntityRef& ref) const override;
  c_Vector normalAt(const c_Point& p) const override;
  const char* name() const override { return "c_Cone"; }
  int algebraicCoefficients(double out[10]) const override;
  void print(std::ostream& os) const override;

  double halfAngle() const { return halfAngle_; }

 private:
  double halfAngle_;
};

// A cone whose cross-sections are ellipses: the half angle measured along u and the ratio k of
// the v semi-axis to the u semi-axis.
class c_EllCone : public c_FramedQuadric {
 public:
  c_EllCone();  // half angle pi/4, ratio 1
  c_EllCone(const c_Point& apex, const c_Vector& u, const c_Vector& w, double halfAngle,
            double ratio);

  int silhouettes(const c_Vector& view, c_Curve** out) const override;
  int rulings(int n, c_Curve** out) const override;
  // A right circular cone of the same half angle, with a warning.
  void makeOldStyleEntity(OldStyleEntityRef& ref) const override;
  c_Vector normalAt(const c_Point& p) const override;
  const char* name() const override { return "c_EllCone"; }
  // None (0), with a warning.
  int algebraicCoefficients(double out[10]) const override;
  void print(std::ostream& os) const override;

  double halfAngle() const { return halfAngle_; }
  double ratio() const { return ratio_; }

 private:
  double halfAngle_, ratio_;
};

class c_Plane : public c_Surface {
 public:
  c_Plane();  // through the origin, normal (0, 0, 1)
  // The normal is normalised; one shorter than the zero tolerance becomes (0, 0, 1).
  c_Plane(const c_Point& point, const c_Vector& normal);

  void makeOldStyleEntity(OldStyleEntityRef& ref) const override;
  c_Vector normalAt(const c_Point&) const override { return normal_; }
  const char* name() const override { return "c_Plane"; }
  virtual void print(std::ostream& os) const;

  c_Point point() const { return point_; }
  c_Vector normal() const { return normal_; }

 private:
  c_Point point_;
  c_Vector normal_;
};

#endif
