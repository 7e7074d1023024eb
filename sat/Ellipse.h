// The ellipse of the geometry library: a conic with the major radius a along u and the minor
// radius b along v, a >= b.
#ifndef SAT_ELLIPSE_H
#define SAT_ELLIPSE_H

#include "sat/Curve.h"

class c_Ellipse : public c_Conic {
 public:
  c_Ellipse();  // the conic's default frame, a = 1.5, b = 1
  c_Ellipse(const c_Ellipse& other) = default;
  // Radii below the zero tolerance become 1.5 and 1; when a < b the two are exchanged and the
  // frame turns (u and v exchanged, w reversed) so that it stays right-handed.
  c_Ellipse(const c_Conic& conic, double a, double b);
  c_Ellipse(const c_Point& centre, const c_Vector& u, const c_Vector& w, double a, double b);
  ~c_Ellipse() override = default;

  void print(std::ostream& os) const override;
  bool isClosed() const override { return true; }
  bool isOnCurve(const c_Point& p) const override;
  double parameterOf(const c_Point& p) const override;  // in (-pi, pi]
  c_Point pointAt(double t) const override;
  void makeOldStyleEntity(OldStyleEntityRef& ref) const override;
  bool isParameterInRange(double t, double low, double high, int direction) const override;
  bool isSameAs(const c_Curve& other) const override;
  const char* name() const override { return "c_Ellipse"; }
  virtual int tessellate(double chordTolerance, c_Point* out, int maxCount, int direction,
                         const ConicRange* range) const;

  double majorRadius() const { return a_; }
  double minorRadius() const { return b_; }
  void foci(c_Point& f1, c_Point& f2) const;
  c_Vector tangentAt(double t) const;  // unit

 private:
  void normalizeRadii();

  double a_, b_;
};

#endif
