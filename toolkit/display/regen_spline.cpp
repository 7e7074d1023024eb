// Spline evaluation: the stored knots and control points (weighted when rational) evaluated with
// de Boor's algorithm at a fixed number of steps per knot interval, or fit points turned into a
// cubic's control points by interpolation first. Counts from the file are checked against the
// data blob; a degree above 29 or a knot vector that does not fit the control points is drawn
// as its control polygon, and a fit spline of fewer than two distinct points is not drawn.
#include <cmath>
#include <cstring>
#include <vector>

#include "toolkit/core/blob.h"
#include "toolkit/core/mem.h"
#include "toolkit/display/regen.h"

namespace {

constexpr int kMaxDegree = 29;

struct Ctl {
  double p[3];
  double w;
};

bool read_doubles(TkBlob* reader, double* out, size_t n) {
  return reader && blob_read(reader, out, n * sizeof(double)) == 1;
}

// De Boor at t in span k (U[k] <= t < U[k+1]) of degree p over control points P.
void de_boor(int k, int p, double t, const std::vector<double>& U, const std::vector<Ctl>& P,
             bool rational, double out[3]) {
  Ctl d[kMaxDegree + 1];
  for (int j = 0; j <= p; ++j) {
    d[j] = P[size_t(j + k - p)];
    if (rational)
      for (double& c : d[j].p) c *= d[j].w;
    else
      d[j].w = 1;
  }
  for (int r = 1; r <= p; ++r)
    for (int j = p; j >= r; --j) {
      double lo = U[size_t(j + k - p)], hi = U[size_t(j + 1 + k - r)];
      double a = hi != lo ? (t - lo) / (hi - lo) : 0.0;
      for (int c = 0; c < 3; ++c) d[j].p[c] = (1 - a) * d[j - 1].p[c] + a * d[j].p[c];
      d[j].w = (1 - a) * d[j - 1].w + a * d[j].w;
    }
  for (int c = 0; c < 3; ++c) out[c] = d[p].w != 0 ? d[p].p[c] / d[p].w : d[p].p[c];
}

void evaluate(int p, const std::vector<double>& U, const std::vector<Ctl>& P, bool rational,
              int32_t s, std::vector<double>& out) {
  int n = int(P.size()) - 1;
  for (int k = p; k <= n; ++k) {
    double a = U[size_t(k)], b = U[size_t(k + 1)];
    if (!(b > a)) continue;
    for (int j = out.empty() ? 0 : 1; j <= s; ++j) {
      double t = j == s ? b : a + (b - a) * j / s;
      // The last point of an interval is evaluated in it, from the left.
      double q[3];
      de_boor(k, p, t, U, P, rational, q);
      out.insert(out.end(), q, q + 3);
    }
  }
}

// Cubic B-spline basis value N(j, 3) at u over the knots (Cox-de Boor).
double basis(const std::vector<double>& U, int j, double u) {
  double N[4];
  int last = int(U.size()) - 1;
  for (int i = 0; i < 4; ++i) {
    double a = U[size_t(j + i)], b = U[size_t(j + i + 1)];
    bool in = (u >= a && u < b) || (u == U[size_t(last)] && b == u && a < b);
    N[i] = in ? 1.0 : 0.0;
  }
  for (int r = 1; r <= 3; ++r)
    for (int i = 0; i + r < 4; ++i) {
      double l = 0, rr = 0;
      double d1 = U[size_t(j + i + r)] - U[size_t(j + i)];
      double d2 = U[size_t(j + i + r + 1)] - U[size_t(j + i + 1)];
      if (d1 > 0) l = (u - U[size_t(j + i)]) / d1 * N[i];
      if (d2 > 0) rr = (U[size_t(j + i + r + 1)] - u) / d2 * N[i + 1];
      N[i] = l + rr;
    }
  return N[0];
}

// Control points and knots of the cubic through the fit points; false when the points do not
// make a curve (fewer than two distinct points, or a singular system).
bool fit_to_control(std::vector<Ctl>& F, std::vector<double>& U, std::vector<Ctl>& P) {
  std::vector<Ctl> pts;
  for (const Ctl& f : F)
    if (pts.empty() || std::memcmp(pts.back().p, f.p, sizeof f.p) != 0) pts.push_back(f);
  int n = int(pts.size()) - 1;
  if (n < 1) return false;
  std::vector<double> u(size_t(n) + 1, 0.0);
  for (int i = 1; i <= n; ++i) {
    double d = 0;
    for (int c = 0; c < 3; ++c) d += (pts[i].p[c] - pts[i - 1].p[c]) * (pts[i].p[c] - pts[i - 1].p[c]);
    u[size_t(i)] = u[size_t(i - 1)] + std::sqrt(d);
  }
  if (!(u[size_t(n)] > 0) || !std::isfinite(u[size_t(n)])) return false;
  U.assign(4, u[0]);
  for (int i = 1; i < n; ++i) U.push_back(u[size_t(i)]);
  U.insert(U.end(), 4, u[size_t(n)]);
  P.assign(size_t(n) + 3, Ctl{{0, 0, 0}, 1});
  P[0] = pts[0];
  P[size_t(n) + 2] = pts[size_t(n)];
  if (n == 1) {
    for (int c = 0; c < 3; ++c) {
      P[1].p[c] = (2 * pts[0].p[c] + pts[1].p[c]) / 3;
      P[2].p[c] = (pts[0].p[c] + 2 * pts[1].p[c]) / 3;
    }
    return true;
  }
  auto end_condition = [](const Ctl& a, const Ctl& m, const Ctl& b, double r, Ctl& out,
                          double factor) {
    double s = 1 - r;
    for (int c = 0; c < 3; ++c) {
      double M = (m.p[c] - r * r * a.p[c] - s * s * b.p[c]) / (2 * r * s);
      out.p[c] = a.p[c] + factor * (M - a.p[c]);
    }
  };
  {
    double l1 = u[1] - u[0], l2 = u[2] - u[1];
    double r = l2 / (l1 + l2);
    end_condition(pts[0], pts[1], pts[2], r, P[1], 2 * (1 - r) / 3);
    double e1 = u[size_t(n)] - u[size_t(n - 1)], e2 = u[size_t(n)] - u[size_t(n - 2)];
    double re = e1 / e2;
    end_condition(pts[size_t(n)], pts[size_t(n - 1)], pts[size_t(n - 2)], 1 - re, P[size_t(n) + 1],
                  2 * re / 3);
  }
  // Rows i = 1 .. n-1: N_i P_i + N_{i+1} P_{i+1} + N_{i+2} P_{i+2} = F_i; unknowns P_2 .. P_n.
  int m = n - 1;
  const size_t rows = size_t(m);
  std::vector<double> a(rows), b(rows), c(rows);
  std::vector<Ctl> rhs(rows);
  for (int i = 1; i <= n - 1; ++i) {
    double ui = u[size_t(i)];
    a[size_t(i - 1)] = basis(U, i, ui);
    b[size_t(i - 1)] = basis(U, i + 1, ui);
    c[size_t(i - 1)] = basis(U, i + 2, ui);
    rhs[size_t(i - 1)] = pts[size_t(i)];
  }
  for (int cc = 0; cc < 3; ++cc) {
    rhs[0].p[cc] -= a[0] * P[1].p[cc];
    rhs[size_t(m - 1)].p[cc] -= c[size_t(m - 1)] * P[size_t(n) + 1].p[cc];
  }
  // Thomas algorithm: unknown x_k = P_{k+2}; row k: a_k x_{k-1} + b_k x_k + c_k x_{k+1}.
  for (int k = 1; k < m; ++k) {
    if (b[size_t(k - 1)] == 0) return false;
    double f = a[size_t(k)] / b[size_t(k - 1)];
    b[size_t(k)] -= f * c[size_t(k - 1)];
    for (int cc = 0; cc < 3; ++cc) rhs[size_t(k)].p[cc] -= f * rhs[size_t(k - 1)].p[cc];
  }
  for (int k = m - 1; k >= 0; --k) {
    if (b[size_t(k)] == 0) return false;
    for (int cc = 0; cc < 3; ++cc) {
      double v = rhs[size_t(k)].p[cc];
      if (k + 1 < m) v -= c[size_t(k)] * P[size_t(k) + 3].p[cc];
      P[size_t(k) + 2].p[cc] = v / b[size_t(k)];
    }
  }
  return true;
}

// Knots and control points to points: de Boor over every knot interval, or the control
// polygon when the knots do not fit the control points.
void control_points(int p, bool rational, const std::vector<double>& U, const std::vector<Ctl>& P,
                    int32_t s, std::vector<double>& out) {
  const int controls = int(P.size()), knots = int(U.size());
  if (controls < 2) return;
  bool valid = p >= 1 && p <= kMaxDegree && controls > p && knots == controls + p + 1;
  for (size_t i = 1; valid && i < U.size(); ++i) valid = U[i] >= U[i - 1];
  if (valid) {
    evaluate(p, U, P, rational, s, out);
  } else {
    for (const Ctl& c : P) out.insert(out.end(), c.p, c.p + 3);
  }
}

}  // namespace

void regen_spline_points(int degree, bool rational, const std::vector<double>& knots,
                         const std::vector<double>& xyzw, int32_t resolution,
                         std::vector<double>& out) {
  std::vector<Ctl> P(xyzw.size() / 4);
  for (size_t i = 0; i < P.size(); ++i) {
    std::memcpy(P[i].p, &xyzw[4 * i], sizeof P[i].p);
    P[i].w = rational ? xyzw[4 * i + 3] : 1.0;
  }
  control_points(degree, rational, knots, P, resolution < 1 ? 10 : resolution, out);
}

void regen_fit_points(const std::vector<double>& fit, int32_t resolution, std::vector<double>& out) {
  std::vector<Ctl> F(fit.size() / 3);
  for (size_t i = 0; i < F.size(); ++i) {
    std::memcpy(F[i].p, &fit[3 * i], sizeof F[i].p);
    F[i].w = 1;
  }
  std::vector<double> FU;
  std::vector<Ctl> FP;
  if (!fit_to_control(F, FU, FP)) return;
  evaluate(3, FU, FP, false, resolution < 1 ? 10 : resolution, out);
}

int16_t spline_tessellate(TkDrawing* /*drawing*/, const TkEntityData* data, double (**points)[3],
                          int32_t* count, int32_t resolution) {
  *points = nullptr;
  *count = 0;
  int p = tk_data_get<int16_t>(data, 0);
  uint16_t flags = tk_data_get<uint16_t>(data, 2);
  int knots = tk_data_get<int16_t>(data, 4);
  int controls = tk_data_get<int16_t>(data, 6);
  int fits = tk_data_get<uint16_t>(data, 8);
  bool rational = (flags & 4) != 0;
  int32_t s = resolution < 1 ? 10 : resolution;
  TkBlob* blob = tk_data_blob(data, TK_SPLINE_BLOB);
  if (knots < 0 || controls < 0) return 1;
  std::vector<double> U(static_cast<size_t>(knots));
  std::vector<Ctl> P(static_cast<size_t>(controls)), F(static_cast<size_t>(fits));
  TkBlob* reader = blob ? blob_open_read(blob) : nullptr;
  bool ok = reader || (knots == 0 && controls == 0 && fits == 0);
  if (ok && knots) ok = read_doubles(reader, U.data(), U.size());
  for (Ctl& c : P) {
    if (!ok) break;
    ok = read_doubles(reader, c.p, 3);
    c.w = 1;
    if (ok && rational) ok = read_doubles(reader, &c.w, 1);
  }
  for (Ctl& f : F) {
    if (!ok) break;
    ok = read_doubles(reader, f.p, 3);
  }
  if (reader) blob_close(reader);
  if (!ok) return 1;  // the counts promise more than the data holds: nothing to draw
  std::vector<double> out;
  bool from_control = controls > 0 || knots > 0 || fits == 0;
  if (!from_control) {
    std::vector<double> FU;
    std::vector<Ctl> FP;
    if (!fit_to_control(F, FU, FP)) return 1;
    evaluate(3, FU, FP, false, s, out);
  } else {
    control_points(p, rational, U, P, s, out);
  }
  if (out.size() < 6) return 1;
  auto* buffer = static_cast<double(*)[3]>(mem_alloc(out.size() * sizeof(double)));
  if (!buffer) return tk_fail_alloc(29);
  std::memcpy(buffer, out.data(), out.size() * sizeof(double));
  *points = buffer;
  *count = int32_t(out.size() / 3);
  return 1;
}
