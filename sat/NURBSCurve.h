// The rational B-spline curve of the geometry library (homogeneous float control points
// (w x, w y, w z, w) and float knots; order = knot count - control point count), its point
// inversion, the tessellation that writes a curve to the renderer's output record, and the
// elliptic arc in NURBS form that the renderer draws ellipse edges with.
#ifndef SAT_NURBSCURVE_H
#define SAT_NURBSCURVE_H

#include <vector>

#include "sat/Curve.h"
#include "sat/Ellipse.h"
#include "sat/RenderOutput.h"

class c_NURBSCurve : public c_Curve {
 public:
  c_NURBSCurve();
  // Copies n homogeneous control points (4 n floats) and m knots. Negative counts count as 0.
  c_NURBSCurve(const float* controlPoints, int n, const float* knots, int m);
  c_NURBSCurve(const c_NURBSCurve&) = delete;
  c_NURBSCurve& operator=(const c_NURBSCurve&) = delete;
  ~c_NURBSCurve() override;

  void print(std::ostream& os) const override;
  bool isOnCurve(const c_Point& p) const override;
  double parameterOf(const c_Point& p) const override;
  // The point at t, t held within the parameter range; the origin for a curve without a usable
  // control net (fewer control points than its order).
  c_Point pointAt(double t) const override;
  bool isSameAs(const c_Curve&) const override { return false; }
  const char* name() const override { return "c_NURBSCurve"; }

  // For orders 0..k (k at most order - 1): the derivatives of the weighted coordinates and of
  // the weight at t. False without control points or outside the knot vector.
  bool evaluateDerivatives(double t, int k, c_Vector* derivatives, double* weights) const;
  // Newton inversion from the nearest of steps + 1 samples; 0 on the point, -3 at the foot of
  // the perpendicular, -5 when the step stalls (t set in all three), -1 no knots, -2 a vanishing
  // derivative, -4 a vanishing Newton denominator, -6 no convergence in 500 steps.
  int try_getParameterOf(const c_Point& p, int steps, double* t) const;

  bool controlPoint(int i, c_Point& out) const;  // Cartesian; false outside 0..n-1
  int controlPointCount() const { return n_; }
  int knotCount() const { return m_; }
  int order() const { return m_ - n_; }
  const float* controlPoints() const { return controlPoints_; }
  const float* knots() const { return knots_; }
  double firstParameter() const;  // the knot at order - 1, or 0
  double lastParameter() const;   // the knot at n, or 0

 protected:
  bool usable() const;
  void freeArrays();
  // Cartesian point, first and second derivative at t.
  bool derivativesAt(double t, c_Point& c, c_Vector& d1, c_Vector& d2) const;

  float* controlPoints_;
  int n_;
  float* knots_;
  int m_;
  mutable std::vector<float> work_;
};

// The intermediate base of the conics in NURBS form.
class c_NURBSConicBase : public c_NURBSCurve {
 public:
  ~c_NURBSConicBase() override = default;

 protected:
  c_NURBSConicBase() = default;
};

// An elliptic arc from angle a0 to a1 (a1 raised by whole turns until it exceeds a0; a sweep
// beyond one turn counts modulo a turn) as quadratic rational spans of at most a quarter turn.
// An arc whose construction fails holds no arrays and draws nothing.
class c_EllipticArcNURBS : public c_NURBSConicBase {
 public:
  c_EllipticArcNURBS(const c_Ellipse& ellipse, double startAngle, double endAngle);
  ~c_EllipticArcNURBS() override;

  // The knot-scale parameter of a point of the arc.
  double parameterOf(const c_Point& p) const override;

  int spanCount() const { return spans_; }
  double startAngle() const { return start_; }
  double endAngle() const { return end_; }

 private:
  double start_, end_, span_;
  int spans_;
  c_Ellipse* ellipse_;  // owned copy
};

// Writes the curve as one strip (begin(3), vertex per point, end) to the output record. The
// sweep runs from the first to the last knot in steps set by the output's points per span;
// nothing is drawn without knots, control points or a knot range, and the segment count is at
// least 1 and bounded, so the last point is always the point at the last knot.
void tessellate(const RenderOutput* output, int knotCount, const float* knots, int dimension,
                const float* controlPoints, int order);

#endif
