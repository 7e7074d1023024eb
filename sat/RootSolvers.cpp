// Polynomial and half-angle root solvers.
//
// The polynomial solver works on the monic form and finds the roots between the critical points,
// which it gets by solving the derivative the same way (recursively down to a quadratic): between
// two neighbouring critical points p is monotonic, so one sign change means one root, and the
// tails left of the first and right of the last critical point hold at most one root each. A
// critical point where p vanishes is a multiple root. Newton's iteration does the finding; each
// search falls back to bisection over a sign change when Newton does not land inside its interval,
// and gives up (no root) when there is no sign change to bisect.
#include "sat/RootSolvers.h"

#include <algorithm>
#include <cmath>

#include "sat/Geometry.h"

namespace {

struct SolverTolerance {
  double coefficient;  // a coefficient below it counts as zero
  double value;        // a value of the polynomial below it counts as zero
};

constexpr int kNewtonSteps = 200;
constexpr int kTailSteps = 200;
constexpr int kBracketPasses = 6;  // 63 Newton starts before bisection takes over
constexpr int kBisectionSteps = 200;

double valueAt(const double* c, int n, double x) {
  double v = c[n];
  for (int i = n - 1; i >= 0; --i) v = v * x + c[i];
  return v;
}

bool oppositeSigns(double a, double b) { return (a < 0 && b > 0) || (a > 0 && b < 0); }

// Bisection over [a, b] where p(a) and p(b) have opposite signs, down to the resolution of doubles.
double bisect(const double* c, int n, double a, double b) {
  double pa = valueAt(c, n, a);
  double mid = 0.5 * (a + b);
  for (int i = 0; i < kBisectionSteps; ++i) {
    mid = 0.5 * (a + b);
    if (mid <= a || mid >= b) break;
    double pm = valueAt(c, n, mid);
    if (pm == 0) break;
    if (oppositeSigns(pa, pm)) {
      b = mid;
    } else {
      a = mid;
      pa = pm;
    }
  }
  return mid;
}

// The tail beyond a critical point x0 where no root was found at x0: first Newton from points
// stepping away (as long as Newton comes back towards x0), then, if that never lands on the
// right side, doubling steps until p changes sign and bisection. False when neither finds a root.
bool tailRoot(const double* c, int n, double x0, double p0, int side, double* root) {
  double s = std::fabs(x0) >= 1.0 ? 0.1 * std::fabs(x0) : 2.0;
  s *= side;
  double x = x0 + s;
  double px = valueAt(c, n, x);
  bool towardsZero = (p0 > 0 && px < p0) || (p0 < 0 && px > p0);
  if (!towardsZero) return false;
  for (int i = 0; i < kTailSteps; ++i) {
    double r = solvePolynomialNewton(c, n, x);
    x += s;
    if (!std::isfinite(r)) break;
    if ((side < 0 && r <= x0) || (side > 0 && r >= x0)) {
      if (std::fabs(valueAt(c, n, r)) <= std::fabs(p0) * 1e-6) {
        *root = r;
        return true;
      }
      break;
    }
  }
  double step = s;
  for (int i = 0; i < 2100; ++i) {
    double far = x0 + step;
    if (!std::isfinite(far)) return false;
    if (oppositeSigns(p0, valueAt(c, n, far))) {
      *root = side < 0 ? bisect(c, n, far, x0) : bisect(c, n, x0, far);
      return true;
    }
    step *= 2;
  }
  return false;
}

// The one root inside (a, b), where p changes sign: Newton from a + (b - a) t with t = 1/2, then
// 1/4, 3/4, then 1/8, 3/8, 5/8, 7/8 ..., for a bounded number of passes; then bisection.
double bracketedRoot(const double* c, int n, double a, double b) {
  double width = b - a;
  double first = 0.5, spacing = 1.0;
  for (int pass = 0; pass < kBracketPasses; ++pass) {
    for (double t = first; t < 1.0; t += spacing) {
      double r = solvePolynomialNewton(c, n, a + width * t);
      if (r > a && r < b) return r;
    }
    first *= 0.5;
    spacing *= 0.5;
    if (width * spacing <= std::fabs(a) * 1e-15) break;
  }
  return bisect(c, n, a, b);
}

void addRoot(PolynomialRoot* roots, int* count, double r, int multiplicity) {
  if (*count >= kMaxPolynomialRoots || !std::isfinite(r)) return;
  roots[*count].root = r;
  roots[*count].multiplicity = multiplicity;
  ++*count;
}

// p[0..n] monic. Returns the number of roots written or a negative code.
int solveMonic(const double* pin, int n, SolverTolerance tol, PolynomialRoot* roots) {
  int zeroRoots = 0;
  while (zeroRoots < n && std::fabs(pin[zeroRoots]) < tol.coefficient) ++zeroRoots;
  const double* p = pin + zeroRoots;
  const int d = n - zeroRoots;
  int count = 0;

  if (d == 1 || d == 2) {
    double r[2];
    int doubled = 0;
    int k = solveQuadratic(d == 2 ? p[2] : 0.0, p[1], p[0], r, &doubled);
    if (k < 0 && zeroRoots == 0) return k;
    for (int i = 0; i < k; ++i) addRoot(roots, &count, r[i], doubled ? 2 : 1);
  } else if (d > 2) {
    double q[kMaxPolynomialDegree];
    double m = 1.0;
    for (int i = 1; i < d; ++i) {
      q[i - 1] = i * p[i] / d;
      m = std::max(m, std::fabs(q[i - 1]));
    }
    q[d - 1] = 1.0;
    PolynomialRoot critical[kMaxPolynomialRoots];
    int k = solveMonic(q, d - 1, SolverTolerance{m * 1e-6, m * 1e-13}, critical);
    if (k <= 0) {
      double r = solvePolynomialNewton(p, d, 0.0);
      double pr = valueAt(p, d, r);
      if (std::isfinite(pr) && std::fabs(pr) > tol.value) {
        // Newton wandered: p is monotonic, so bracket the sign change around 0 and bisect.
        double p0 = valueAt(p, d, 0.0);
        if (p0 == 0) {
          r = 0.0;
        } else if (!tailRoot(p, d, 0.0, p0, -1, &r) && !tailRoot(p, d, 0.0, p0, 1, &r)) {
          r = NAN;
        }
      }
      addRoot(roots, &count, r, 1);
    } else {
      double x1 = critical[0].root;
      double p1 = valueAt(p, d, x1);
      bool previousWasRoot = false;
      if (std::fabs(p1) < tol.value) {
        addRoot(roots, &count, x1, critical[0].multiplicity + 1);
        previousWasRoot = true;
      } else {
        double r;
        if (tailRoot(p, d, x1, p1, -1, &r)) addRoot(roots, &count, r, 1);
      }
      for (int j = 1; j < k; ++j) {
        double a = critical[j - 1].root, b = critical[j].root;
        double pa = valueAt(p, d, a), pb = valueAt(p, d, b);
        bool skipInterval = previousWasRoot;
        previousWasRoot = false;
        if (std::fabs(pb) < tol.value) {
          addRoot(roots, &count, b, critical[j].multiplicity + 1);
          previousWasRoot = true;
        } else if (!skipInterval && oppositeSigns(pa, pb)) {
          addRoot(roots, &count, bracketedRoot(p, d, a, b), 1);
        }
      }
      if (!previousWasRoot) {
        double xk = critical[k - 1].root;
        double r;
        if (tailRoot(p, d, xk, valueAt(p, d, xk), 1, &r)) addRoot(roots, &count, r, 1);
      }
    }
  }

  if (zeroRoots > 0 && count < kMaxPolynomialRoots) {
    int at = 0;
    while (at < count && roots[at].root < 0) ++at;
    for (int i = count; i > at; --i) roots[i] = roots[i - 1];
    roots[at].root = 0.0;
    roots[at].multiplicity = zeroRoots;
    ++count;
  }
  std::sort(roots, roots + count,
            [](const PolynomialRoot& x, const PolynomialRoot& y) { return x.root < y.root; });
  return count;
}

void addAngle(double t, double offset, int multiplicity, AngleRoot* angles, int* count) {
  if (!std::isfinite(t)) return;
  double theta;
  if (std::fabs(t + 1.0) < 1e-5)
    theta = offset - vorga::kHalfPi;
  else if (std::fabs(t - 1.0) < 1e-5)
    theta = offset + vorga::kHalfPi;
  else if (t < -1.0 || t > 1.0)
    return;
  else
    theta = 2.0 * std::atan(t) + offset;
  if (theta > vorga::kPi) theta -= vorga::kTwoPi;
  for (int i = 0; i < *count; ++i)
    if (std::fabs(angles[i].angle - theta) < 1e-5) return;
  if (*count >= kMaxAngleRoots) return;
  angles[*count].angle = theta;
  angles[*count].multiplicity = multiplicity;
  ++*count;
}

int solveHalfAngleQuarticWith(double c[5], AngleRoot* angles) {
  int count = 0;
  for (int pass = 0; pass < 2; ++pass) {
    PolynomialRoot roots[kMaxPolynomialRoots];
    int k = solvePolynomial(c, 4, roots);
    for (int i = 0; i < k; ++i)
      addAngle(roots[i].root, pass == 0 ? 0.0 : vorga::kPi, roots[i].multiplicity, angles, &count);
    if (pass == 0) {
      // The same equation in u = -1/t, whose roots in [-1, 1] are the angles of the other
      // half-turn: t^i becomes (-1)^i u^(4 - i) after multiplying by u^4.
      double next[5] = {c[4], -c[3], c[2], -c[1], c[0]};
      for (int i = 0; i < 5; ++i) c[i] = next[i];
    }
  }
  return count;
}

}  // namespace

void evaluatePolynomial(const double* c, int n, double x, double* value, double* slope) {
  double v = 0, s = 0;
  for (int i = n; i >= 0; --i) {
    s = s * x + v;
    v = v * x + c[i];
  }
  if (value) *value = v;
  if (slope) *slope = s;
}

double solvePolynomialNewton(const double* c, int n, double start) {
  const double stepTolerance = std::fabs(start) >= 1e-5 ? std::fabs(start) * 1e-12 : 1e-12;
  double x = start;
  for (int i = 0; i < kNewtonSteps; ++i) {
    double v, s;
    evaluatePolynomial(c, n, x, &v, &s);
    if (v == 0 || s == 0) break;
    double next = x - v / s;
    if (!std::isfinite(next)) break;
    double previous = x;
    x = next;
    if (std::fabs(previous - x) <= stepTolerance) break;
  }
  return x;
}

int solvePolynomial(const double* c, int n, PolynomialRoot* roots) {
  if (!c || !roots || n < 0) return kRootsDegenerate;
  double m = 0;
  for (int i = 0; i <= n; ++i) {
    if (!std::isfinite(c[i])) return kRootsDegenerate;
    m = std::max(m, std::fabs(c[i]));
  }
  if (!(m > 0)) return kRootsDegenerate;
  const double coefficientTolerance = m * 1e-6;
  while (n >= 0 && std::fabs(c[n]) < coefficientTolerance) --n;
  if (n < 1) return kRootsDegenerate;
  if (n > kMaxPolynomialDegree) return kRootsDegreeTooHigh;
  double p[kMaxPolynomialDegree + 1];
  m = 1.0;
  for (int i = 0; i < n; ++i) {
    p[i] = c[i] / c[n];
    m = std::max(m, std::fabs(p[i]));
  }
  p[n] = 1.0;
  return solveMonic(p, n, SolverTolerance{m * 1e-6, m * 1e-13}, roots);
}

int solveQuadratic(double a, double b, double c, double roots[2], int* doubleRoot) {
  if (doubleRoot) *doubleRoot = 0;
  if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c)) return kRootsDegenerate;
  double m = std::max(std::fabs(a), std::max(std::fabs(b), std::fabs(c)));
  if (!(m > 0)) return kRootsDegenerate;
  // Worked on the coefficients divided by the largest, which neither overflow nor underflow
  // and have the same roots; the tolerances (1e-6 of the largest for a coefficient, 1e-8 of it
  // for the discriminant) scale with them.
  a /= m;
  b /= m;
  c /= m;
  const double coefficientTolerance = 1e-6;
  const double discriminantTolerance = 1e-8 / m;
  if (std::fabs(a) < coefficientTolerance) {
    if (std::fabs(b) < coefficientTolerance) return kRootsDegenerate;
    roots[0] = -c / b;
    return 1;
  }
  double d = b * b - 4 * a * c;
  if (std::fabs(d) < discriminantTolerance) {
    roots[0] = -b / (2 * a);
    if (doubleRoot) *doubleRoot = 1;
    return 1;
  }
  if (d < 0) return kRootsNoRealRoot;
  double s = std::sqrt(d);
  double r1 = (-b - s) / (2 * a), r2 = (s - b) / (2 * a);
  roots[0] = std::min(r1, r2);
  roots[1] = std::max(r1, r2);
  return 2;
}

int solveHalfAngleQuadratic(double a, double b, double c, AngleRoot* angles) {
  if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c)) return -3;  // nothing usable
  double m = std::max(std::fabs(a), std::max(std::fabs(b), std::fabs(c)));
  // On the coefficients divided by the largest, as in solveQuadratic.
  if (m > 0) {
    a /= m;
    b /= m;
    c /= m;
  }
  const double coefficientTolerance = m > 0 ? 1e-6 : 0.0;
  const double discriminantTolerance = m > 0 ? 1e-8 / m : 0.0;
  const double d = b * b - 4 * a * c;
  const double root = d > discriminantTolerance ? std::sqrt(d) : 0.0;
  int count = 0, degenerate = 0;
  for (int pass = 0; pass < 2; ++pass) {
    double pa = pass == 0 ? a : c, pb = pass == 0 ? b : -b, pc = pass == 0 ? c : a;
    double offset = pass == 0 ? 0.0 : vorga::kPi;
    if (std::fabs(pa) >= coefficientTolerance && m > 0) {
      double s = 0.5 / pa;
      if (std::fabs(d) < discriminantTolerance) {
        addAngle(-s * pb, offset, 2, angles, &count);
      } else if (d >= 0) {
        addAngle((-pb - root) * s, offset, 1, angles, &count);
        addAngle((root - pb) * s, offset, 1, angles, &count);
      }
    } else if (std::fabs(pb) >= coefficientTolerance && m > 0) {
      addAngle(-pc / pb, offset, 1, angles, &count);
    } else {
      bool constant = std::fabs(pc) >= coefficientTolerance && m > 0;
      degenerate += pass == 0 ? (constant ? -4 : -1) : (constant ? -8 : -2);
    }
  }
  // A half-turn whose equation is identically zero is solved by every angle, which no list can
  // hold; one whose equation is a non-zero constant merely has no angle, and the angles of the
  // other half-turn stand.
  bool identicallyZero = degenerate == -1 || degenerate == -2 || degenerate == -3 ||
                         degenerate == -6 || degenerate == -9;
  if (degenerate != 0 && (identicallyZero || count == 0)) return degenerate;
  if (count == 2 && angles[0].angle > angles[1].angle) std::swap(angles[0], angles[1]);
  return count;
}

int solveHalfAngleQuartic(double c[5], AngleRoot* angles) {
  return solveHalfAngleQuarticWith(c, angles);
}

int solveHalfAngleEvenQuartic(double c[5], AngleRoot* angles) {
  return solveHalfAngleQuarticWith(c, angles);
}
