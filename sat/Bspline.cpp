// B-spline basis functions (the triangular scheme of Cox and de Boor) and the rational quadratic
// parameter.
#include "sat/Bspline.h"

#include <cmath>
#include <vector>

namespace {

// Division that gives 0 for a zero denominator: a zero knot span contributes nothing.
double quotient(double a, double b) { return b == 0 ? 0.0 : a / b; }

}  // namespace

int findKnotSpan(int n, int k, double u, const float* knots) {
  if (!knots || k < 1 || n < k - 1 || !std::isfinite(u)) return -1;
  if (std::fabs(u - knots[n + 1]) < 1e-6) return n;
  for (int i = k - 1; i <= n; ++i)
    if (u >= knots[i] - 1e-6 && u < knots[i + 1] - 1e-6) return i;
  return -1;
}

int basisFunctions(double u, int n, int k, const float* knots, float* basis) {
  int i = findKnotSpan(n, k, u, knots);
  if (i < 0 || !basis) return -1;
  double local[32];
  std::vector<double> heap;
  double* scratch = local;
  if (3 * k > 32) {
    heap.resize(size_t(3) * k);
    scratch = heap.data();
  }
  double* left = scratch;
  double* right = scratch + k;
  double* value = scratch + 2 * k;
  value[0] = 1.0;
  for (int j = 1; j < k; ++j) {
    left[j] = u - knots[i + 1 - j];
    right[j] = knots[i + j] - u;
    double saved = 0.0;
    for (int r = 0; r < j; ++r) {
      double temp = quotient(value[r], right[r + 1] + left[j - r]);
      value[r] = saved + right[r + 1] * temp;
      saved = left[j - r] * temp;
    }
    value[j] = saved;
  }
  for (int j = 0; j < k; ++j) basis[j] = float(value[j]);
  return i;
}

int basisFunctionDerivatives(double u, int n, int m, int k, const float* knots, float**& table) {
  int i = findKnotSpan(n, k, u, knots);
  if (i < 0) return -1;
  if (m > k - 1) m = k - 1;
  if (m < 0) m = 0;
  const size_t kk = size_t(k);
  std::vector<double> ndu(kk * kk), a(2 * kk), left(kk), right(kk);
  auto N = [&](int row, int col) -> double& { return ndu[size_t(row) * kk + size_t(col)]; };
  auto A = [&](int row, int col) -> double& { return a[size_t(row) * kk + size_t(col)]; };
  N(0, 0) = 1.0;
  for (int j = 1; j < k; ++j) {
    left[j] = u - knots[i + 1 - j];
    right[j] = knots[i + j] - u;
    double saved = 0.0;
    for (int r = 0; r < j; ++r) {
      N(j, r) = right[r + 1] + left[j - r];
      double temp = quotient(N(r, j - 1), N(j, r));
      N(r, j) = saved + right[r + 1] * temp;
      saved = left[j - r] * temp;
    }
    N(j, j) = saved;
  }
  table = allocRows(k, k);
  for (int j = 0; j < k; ++j) table[0][j] = float(N(j, k - 1));
  for (int r = 0; r < k; ++r) {
    int s1 = 0, s2 = 1;
    A(0, 0) = 1.0;
    for (int d = 1; d <= m; ++d) {
      double value = 0.0;
      int rk = r - d, pk = k - 1 - d;
      if (r >= d) {
        A(s2, 0) = quotient(A(s1, 0), N(pk + 1, rk));
        value = A(s2, 0) * N(rk, pk);
      }
      int j1 = rk >= -1 ? 1 : -rk;
      int j2 = r - 1 <= pk ? d - 1 : k - 1 - r;
      for (int j = j1; j <= j2; ++j) {
        A(s2, j) = quotient(A(s1, j) - A(s1, j - 1), N(pk + 1, rk + j));
        value += A(s2, j) * N(rk + j, pk);
      }
      if (r <= pk) {
        A(s2, d) = quotient(-A(s1, d - 1), N(pk + 1, r));
        value += A(s2, d) * N(r, pk);
      }
      table[d][r] = float(value);
      int t = s1;
      s1 = s2;
      s2 = t;
    }
  }
  double factor = k - 1;
  for (int d = 1; d <= m; ++d) {
    for (int j = 0; j < k; ++j) table[d][j] = float(table[d][j] * factor);
    factor *= k - 1 - d;
  }
  return i;
}

double rationalQuadraticParameter(const c_Point& x, const float cp[3][4],
                                  const c_Vector& direction) {
  c_Vector d[3];
  double w[3];
  for (int i = 0; i < 3; ++i) {
    w[i] = cp[i][3];
    c_Point p(cp[i]);
    d[i] = w[i] * (p - x);
  }
  c_Vector a2 = d[0] - 2.0 * d[1] + d[2];
  c_Vector a1 = 2.0 * (d[1] - d[0]);
  c_Vector a0 = d[0];
  c_Vector m = c_Vector::cross(direction, a2);
  double den = c_Vector::dot(a1, m);
  if (den == 0 || !std::isfinite(den)) return -1.0;
  return -c_Vector::dot(a0, m) / den;
}
