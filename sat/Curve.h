// The roots of the geometry library's curves: the abstract c_Curve, the planar conic base
// c_Conic (a centre and a right-handed frame u, v, w with w the plane's normal) and the circle.
// Also the angular range test and the conic tessellation that circles and ellipses share.
//
// Class names ("c_Circle", "c_Ellipse", "c_Line", "c_NURBSCurve") are compared byte for byte to
// tell two curves of one class and to choose intersection methods.
#ifndef SAT_CURVE_H
#define SAT_CURVE_H

#include <cstdint>
#include <iosfwd>

#include "sat/Geometry.h"
#include "sat/OldStyle.h"

class c_Curve {
 public:
  virtual ~c_Curve() = default;
  virtual void print(std::ostream& os) const = 0;
  virtual bool isClosed() const { return false; }
  virtual bool isOnCurve(const c_Point& p) const = 0;
  virtual double parameterOf(const c_Point& p) const = 0;
  virtual c_Point pointAt(double t) const = 0;
  // The curve as an old-style entity for the intersection kernel; none in the base.
  virtual void makeOldStyleEntity(OldStyleEntityRef& ref) const;
  // low <= t <= high in the base, whatever the direction.
  virtual bool isParameterInRange(double t, double low, double high, int direction) const;
  // A query over a parameter interval that no curve of the library answers: 0.
  virtual int intervalQuery(double low, double high) const;
  // Of the same class (by name) in the base.
  virtual bool isSameAs(const c_Curve& other) const;
  virtual const char* name() const = 0;
};

bool sameClassName(const char* a, const char* b);

// An optional range of a conic's tessellation: start and end angles; absent when present is 0.
struct ConicRange {
  int32_t present;
  double start;
  double end;
};

class c_Conic : public c_Curve {
 public:
  c_Conic();  // centre at the origin, u = (0,0,-1), v = (0,1,0), w = (1,0,0)
  c_Conic(const c_Conic& other) = default;
  c_Conic& operator=(const c_Conic&) = default;
  c_Conic(const c_Point& centre, const c_Vector& u, const c_Vector& w);  // frame from u and w
  c_Conic(const c_Point& centre, const c_Vector& w);                     // frame from w alone
  ~c_Conic() override = default;

  c_Point centre() const { return centre_; }
  c_Vector u() const { return u_; }
  c_Vector v() const { return v_; }
  c_Vector w() const { return w_; }

 protected:
  // Points centre + a cos(theta) u + b sin(theta) v over the range (or the whole turn) into out,
  // spaced so that no chord strays more than chordTolerance from the curve; direction 1 is
  // clockwise. Returns the count (2 to maxCount; 0 when maxCount < 1 or out is null).
  int tessellateConic(double a, double b, double chordTolerance, c_Point* out, int maxCount,
                      int direction, const ConicRange* range) const;
  // Whether p lies in the plane of the conic within the zero tolerance.
  bool inPlane(const c_Point& p) const;

  c_Point centre_;
  c_Vector u_, v_, w_;
};

class c_Circle : public c_Conic {
 public:
  c_Circle() : radius_(1.0) {}
  c_Circle(const c_Point& centre, const c_Vector& w, double radius);  // radius below 1e-6: 1.0
  ~c_Circle() override = default;

  void print(std::ostream& os) const override;
  bool isClosed() const override { return true; }
  bool isOnCurve(const c_Point& p) const override;
  double parameterOf(const c_Point& p) const override;  // in (-pi, pi]
  c_Point pointAt(double t) const override;
  void makeOldStyleEntity(OldStyleEntityRef& ref) const override;
  bool isParameterInRange(double t, double low, double high, int direction) const override;
  bool isSameAs(const c_Curve& other) const override;
  const char* name() const override { return "c_Circle"; }
  virtual int tessellate(double chordTolerance, c_Point* out, int maxCount, int direction,
                         const ConicRange* range) const;

  double radius() const { return radius_; }

 private:
  double radius_;
};

// The angular range test of circles and ellipses (angles in (-pi, pi]): a range whose ends are
// within the angular tolerance is the whole turn; direction non-zero runs counter-clockwise from
// a to b, zero clockwise.
bool isAngleInRange(double t, double a, double b, int direction);

// An angle brought into [-pi, pi]; a non-finite angle comes back as 0.
double normalizeAngle(double angle);

#endif
