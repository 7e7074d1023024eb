// B-spline basis functions over single-precision knot vectors (arithmetic in double, results
// stored back as floats), and the parameter of a point on a rational quadratic segment.
//
// n is the index of the last control point and k the order (degree k - 1), so the knot vector
// holds n + k + 1 floats. A knot difference of zero (a knot repeated within the support of a
// span) gives 0 for the term that would divide by it, the usual convention, never NaN.
#ifndef SAT_BSPLINE_H
#define SAT_BSPLINE_H

#include "sat/Geometry.h"

// The span i with U[i] <= u < U[i + 1] (each within 1e-6), searched from k - 1 to n; n when u is
// the knot U[n + 1]; -1 when u lies outside.
int findKnotSpan(int n, int k, double u, const float* knots);

// The k non-zero basis functions at u into basis[k]; the span, or -1 (basis untouched).
int basisFunctions(double u, int n, int k, const float* knots, float* basis);

// The basis functions and their derivatives up to order m (at most k - 1): a new k x k table
// (allocRows; the caller frees it with freeRows), row d the d-th derivatives. The span, or -1
// (table untouched).
int basisFunctionDerivatives(double u, int n, int m, int k, const float* knots, float**& table);

// The parameter t in [0, 1] of x on the rational quadratic Bezier segment with the homogeneous
// control points (w x, w y, w z, w), found in the plane across direction; -1 when the segment
// is degenerate along it.
double rationalQuadraticParameter(const c_Point& x, const float controlPoints[3][4],
                                  const c_Vector& direction);

#endif
