// Real roots of polynomials of degree at most 20, and angles on a full turn that satisfy a
// quadratic or quartic in the half-angle tangent t = tan(theta / 2). The intersection routines of
// the old-style kernel and the quadric surfaces reduce their problems to these.
//
// Tolerances are relative: each call scales its own from the largest coefficient (a coefficient
// below 1e-6 of it counts as zero, a polynomial value below 1e-13 of it as a root) and hands them
// down its recursion explicitly, so no call changes them for another. Every search is bounded; a
// search that does not converge reports no root, and no reported root or angle is NaN.
//
// Not for: complex roots.
#ifndef SAT_ROOTSOLVERS_H
#define SAT_ROOTSOLVERS_H

#include <cstdint>

enum { kMaxPolynomialDegree = 20, kMaxPolynomialRoots = 20, kMaxAngleRoots = 8 };

struct PolynomialRoot {
  double root;
  int32_t multiplicity;
};

struct AngleRoot {
  double angle;  // radians in (-pi, pi]
  int32_t multiplicity;
};

// Results of the solvers besides a count of roots.
enum {
  kRootsDegenerate = -1,  // constant or zero polynomial, or a linear part with a zero slope
  kRootsNoRealRoot = -2,  // a quadratic with no real root
  kRootsDegreeTooHigh = -3
};

// Horner: the polynomial c[0] + c[1] x + ... + c[n] x^n and its derivative at x.
void evaluatePolynomial(const double* c, int n, double x, double* value, double* slope);

// The distinct real roots of c[0..n] (ascending coefficients) in ascending order, each with its
// multiplicity, into roots[kMaxPolynomialRoots]; returns their number or a negative code.
int solvePolynomial(const double* c, int n, PolynomialRoot* roots);

// Newton's iteration from start (at most 200 steps); returns the last iterate.
double solvePolynomialNewton(const double* c, int n, double start);

// Real roots of a x^2 + b x + c in ascending order; doubleRoot is set to 1 for a double root.
int solveQuadratic(double a, double b, double c, double roots[2], int* doubleRoot);

// Angles for which a t^2 + b t + c = 0 with t = tan(theta / 2), over the whole turn; at most 4.
// Returns the count, or a negative sum of -4/-1 (first half-turn) and -8/-2 (second) when the
// equation degenerates to a constant there: -1/-2 for zero (every angle of that half-turn solves
// it), -4/-8 for a non-zero constant (none does). A -4/-8 half-turn gives way to the angles of
// the other half-turn when that one has any.
int solveHalfAngleQuadratic(double a, double b, double c, AngleRoot* angles);

// Angles for which c[0] + c[1] t + ... + c[4] t^4 = 0 with t = tan(theta / 2); at most 8. The
// first is meant for quartics with c[3] = c[1], the second for c[3] = -c[1]; both solve any
// quartic. Both overwrite c with the coefficients of the second half-turn.
int solveHalfAngleQuartic(double c[5], AngleRoot* angles);
int solveHalfAngleEvenQuartic(double c[5], AngleRoot* angles);

#endif
