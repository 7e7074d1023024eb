// NURBS curve: evaluation, point inversion, tessellation and the elliptic arc in NURBS form.
#include "sat/NURBSCurve.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iostream>

#include "sat/Bspline.h"
#include "sat/Intersection.h"
#include "sat/Line.h"
#include "sat/Tolerance.h"

namespace {

// Copies of T4 and T2 at their start-up values: the inversion converges to these whatever the
// renderer's quality level.
constexpr double kInversionParallel = 1e-6;
constexpr double kInversionStep = 1e-6;
constexpr int kInversionSteps = 500;

// Far more points than a screen can show; keeps a hostile points-per-span value from hanging.
constexpr int64_t kMaxSegments = 1 << 16;

}  // namespace

c_NURBSCurve::c_NURBSCurve() : controlPoints_(nullptr), n_(0), knots_(nullptr), m_(0) {}

c_NURBSCurve::c_NURBSCurve(const float* controlPoints, int n, const float* knots, int m)
    : controlPoints_(nullptr),
      n_(n > 0 && controlPoints ? n : 0),
      knots_(nullptr),
      m_(m > 0 && knots ? m : 0) {
  if (n_ > 0) {
    controlPoints_ = new float[size_t(n_) * 4];
    std::memcpy(controlPoints_, controlPoints, sizeof(float) * 4 * size_t(n_));
  }
  if (m_ > 0) {
    knots_ = new float[size_t(m_)];
    std::memcpy(knots_, knots, sizeof(float) * size_t(m_));
  }
  if (order() > 0) work_.resize(size_t(order()));
}

c_NURBSCurve::~c_NURBSCurve() { freeArrays(); }

void c_NURBSCurve::freeArrays() {
  delete[] controlPoints_;
  delete[] knots_;
  controlPoints_ = nullptr;
  knots_ = nullptr;
  n_ = 0;
  m_ = 0;
  work_.clear();
}

bool c_NURBSCurve::usable() const {
  return controlPoints_ && knots_ && order() >= 1 && n_ >= order();
}

double c_NURBSCurve::firstParameter() const {
  if (!knots_ || m_ == 0) return 0.0;
  int i = order() - 1;
  return i >= 0 && i < m_ ? knots_[i] : 0.0;
}

double c_NURBSCurve::lastParameter() const {
  if (!knots_ || m_ == 0) return 0.0;
  return n_ >= 0 && n_ < m_ ? knots_[n_] : 0.0;
}

void c_NURBSCurve::print(std::ostream& os) const {
  os << "This is a NURBS curve with " << n_ << " control points and " << m_ << " knots\n";
}

bool c_NURBSCurve::controlPoint(int i, c_Point& out) const {
  if (!controlPoints_ || i < 0 || i >= n_) return false;
  out = c_Point(controlPoints_ + 4 * size_t(i));
  return true;
}

c_Point c_NURBSCurve::pointAt(double t) const {
  if (!usable()) return c_Point(0, 0, 0);
  const int k = order();
  double first = firstParameter(), last = lastParameter();
  if (t < first) t = first;
  if (t > last) t = last;
  work_.resize(size_t(k));
  int span = basisFunctions(t, n_ - 1, k, knots_, work_.data());
  if (span < 0) return c_Point(0, 0, 0);
  double sum[4] = {0, 0, 0, 0};
  for (int j = 0; j < k; ++j) {
    const float* cp = controlPoints_ + 4 * size_t(span - k + 1 + j);
    for (int c = 0; c < 4; ++c) sum[c] += work_[size_t(j)] * double(cp[c]);
  }
  if (std::fabs(sum[3]) > vorgaTolerances().zero)
    return c_Point(sum[0] / sum[3], sum[1] / sum[3], sum[2] / sum[3]);
  return c_Point(sum[0], sum[1], sum[2]);
}

bool c_NURBSCurve::evaluateDerivatives(double t, int k, c_Vector* derivatives,
                                       double* weights) const {
  if (!usable() || !derivatives || !weights) return false;
  const int order = this->order();
  if (k > order - 1) k = order - 1;
  if (k < 0) k = 0;
  float** table = nullptr;
  int span = basisFunctionDerivatives(t, n_ - 1, k, order, knots_, table);
  if (span < 0) return false;
  for (int d = 0; d <= k; ++d) {
    double sum[4] = {0, 0, 0, 0};
    for (int j = 0; j < order; ++j) {
      const float* cp = controlPoints_ + 4 * size_t(span - order + 1 + j);
      for (int c = 0; c < 4; ++c) sum[c] += table[d][j] * double(cp[c]);
    }
    derivatives[d] = c_Vector(sum[0], sum[1], sum[2]);
    weights[d] = sum[3];
  }
  freeRows(table);
  return true;
}

bool c_NURBSCurve::derivativesAt(double t, c_Point& c, c_Vector& d1, c_Vector& d2) const {
  c_Vector a[3];
  double w[3] = {0, 0, 0};
  if (!evaluateDerivatives(t, 2, a, w)) return false;
  if (order() < 3) a[2] = c_Vector(0, 0, 0), w[2] = 0;
  if (order() < 2) a[1] = c_Vector(0, 0, 0), w[1] = 0;
  if (!(std::fabs(w[0]) > vorgaTolerances().zero)) return false;
  c_Vector c0 = a[0] / w[0];
  d1 = (a[1] - w[1] * c0) / w[0];
  d2 = (a[2] - 2 * w[1] * d1 - w[2] * c0) / w[0];
  c = c_Point(c0);
  return true;
}

int c_NURBSCurve::try_getParameterOf(const c_Point& p, int steps, double* tOut) const {
  if (!knots_ || m_ == 0) return -1;
  if (!usable()) return -1;
  const double first = firstParameter(), last = lastParameter();
  if (steps < 1) steps = 1;
  double t = first, best = -1;
  for (int i = 0; i <= steps; ++i) {
    double s = first + (last - first) * i / steps;
    double d = pointAt(s).squaredDistanceTo(p);
    if (best < 0 || d < best) {
      best = d;
      t = s;
    }
  }
  c_Point a, b;
  const bool closed = controlPoint(0, a) && controlPoint(n_ - 1, b) && a.equals(b);
  for (int iteration = 0; iteration < kInversionSteps; ++iteration) {
    *tOut = t;
    c_Point c;
    c_Vector d1, d2;
    if (!derivativesAt(t, c, d1, d2)) return -2;
    if (c.equals(p)) return 0;
    c_Vector d = c - p;
    double speed = d1.length(), away = d.length();
    if (speed * away < kInversionParallel) return -2;
    double along = c_Vector::dot(d1, d);
    if (std::fabs(along) / (speed * away) <= 1e-6) return -3;
    double denominator = c_Vector::dot(d2, d) + speed * speed;
    if (std::fabs(denominator) < kInversionParallel || !std::isfinite(denominator)) return -4;
    double next = t - along / denominator;
    if (!std::isfinite(next)) return -4;
    if (next < first) next = closed ? last - (first - next) : first;
    if (next > last) next = closed ? next - last + first : last;
    next = std::min(std::max(next, first), last);  // a step beyond a whole turn
    if (std::fabs(next - t) * speed <= kInversionStep) {
      *tOut = next;
      return -5;
    }
    t = next;
  }
  *tOut = t;
  return -6;
}

double c_NURBSCurve::parameterOf(const c_Point& p) const {
  const double last = lastParameter();
  const double b = last < 1.0 ? 1.0 : std::floor(last + 1.0);
  double t = 0;
  int code = try_getParameterOf(p, 50, &t);
  if (code == -6) code = try_getParameterOf(p, 105, &t);
  if (code == -6) code = try_getParameterOf(p, 160, &t);
  switch (code) {
    case 0:
    case -3:
    case -5: return t;
    case -1: return 10 * b;
    case -2: return 20 * b;
    case -4: return 30 * b;
    case -6: return 50 * b;
    default:
      std::cout << "Undefined return code from try_getParameterOf: " << code << "\n";
      return 40 * b;
  }
}

bool c_NURBSCurve::isOnCurve(const c_Point& p) const {
  double t = parameterOf(p);
  if (t < firstParameter() || t > lastParameter()) return false;
  return pointAt(t).equals(p);
}

c_EllipticArcNURBS::c_EllipticArcNURBS(const c_Ellipse& ellipse, double a0, double a1)
    : start_(a0), end_(a1), span_(0), spans_(0), ellipse_(new c_Ellipse(ellipse)) {
  const double turn = vorga::kTwoPi;
  if (!std::isfinite(a0) || !std::isfinite(a1)) return;
  if (!(a1 > a0)) a1 += turn * std::ceil((a0 - a1) / turn);
  // Angles so large that a turn is below their resolution never rise above the start.
  for (int i = 0; i < 2 && !(a1 > a0); ++i) a1 += turn;
  if (!(a1 > a0)) return;
  double sweep = a1 - a0;
  if (sweep > turn * (1 + 1e-12)) {
    sweep = std::fmod(sweep, turn);
    if (sweep <= 1e-12) sweep = turn;
  }
  end_ = a0 + sweep;
  spans_ = sweep <= vorga::kHalfPi          ? 1
           : sweep <= vorga::kPi            ? 2
           : sweep <= vorga::kThreeHalvesPi ? 3
                                            : 4;
  span_ = sweep / spans_;

  const int n = 2 * spans_ + 1, m = 2 * spans_ + 4;
  controlPoints_ = new float[size_t(n) * 4];
  knots_ = new float[size_t(m)];
  n_ = n;
  m_ = m;
  work_.resize(3);
  const double weight = std::cos(span_ / 2);
  for (int j = 0; j < spans_; ++j) {
    double ts = a0 + j * span_, te = ts + span_;
    c_Point ps = ellipse.pointAt(ts), pe = ellipse.pointAt(te);
    IntersectionResult corner(c_Line(ps, ellipse.tangentAt(ts)), c_Line(pe, ellipse.tangentAt(te)));
    c_Point middle;
    if (corner.count() != 1 || !IntersectionResult::point(corner.item(0), middle)) {
      freeArrays();
      return;
    }
    ps.toHomogeneous(1.0, controlPoints_ + 8 * size_t(j));
    middle.toHomogeneous(weight, controlPoints_ + 8 * size_t(j) + 4);
    pe.toHomogeneous(1.0, controlPoints_ + 8 * size_t(j) + 8);
  }
  const float step = 1.0f / float(spans_);
  float knot = 0.0f;
  int k = 0;
  knots_[k++] = 0.0f;
  knots_[k++] = 0.0f;
  knots_[k++] = 0.0f;
  for (int i = 1; i < spans_; ++i) {
    knot += step;
    knots_[k++] = knot;
    knots_[k++] = knot;
  }
  knot += step;
  knots_[k++] = knot;
  knots_[k++] = knot;
  knots_[k++] = knot;
}

c_EllipticArcNURBS::~c_EllipticArcNURBS() { delete ellipse_; }

// The ellipse's angle of the point past the start angle picks the span (each full span angle one
// knot step); within the span the rational quadratic segment gives the fraction.
double c_EllipticArcNURBS::parameterOf(const c_Point& p) const {
  if (!usable() || spans_ < 1 || !(span_ > 0)) return c_NURBSCurve::parameterOf(p);
  double angle = ellipse_->parameterOf(p) - start_;
  if (!std::isfinite(angle)) return c_NURBSCurve::parameterOf(p);
  angle = std::fmod(angle, vorga::kTwoPi);
  if (angle < 0) angle += vorga::kTwoPi;
  double whole = std::floor(angle / span_);
  int j = whole < spans_ - 1 ? int(whole) : spans_ - 1;
  float segment[3][4];
  std::memcpy(segment, controlPoints_ + 8 * size_t(j), sizeof segment);
  double fraction = rationalQuadraticParameter(p, segment, ellipse_->w());
  if (!(fraction >= 0 && fraction <= 1))
    fraction = std::min(std::max((angle - j * span_) / span_, 0.0), 1.0);
  return (j + fraction) / spans_;
}

namespace {

// The rational basis of the tessellation at t: order-1 functions on every knot interval raised
// by Cox-de Boor, a zero function contributing nothing; the last function is 1 at the last knot.
void rationalBasis(double t, int n, int k, const float* knots, const double* weights, double* basis,
                   double* scratch) {
  const int intervals = n + k - 1;
  for (int i = 0; i < intervals; ++i) scratch[i] = knots[i] <= t && t < knots[i + 1] ? 1.0 : 0.0;
  for (int q = 2; q <= k; ++q) {
    for (int i = 0; i + q <= intervals; ++i) {
      double value = 0;
      if (scratch[i] != 0) {
        double span = double(knots[i + q - 1]) - knots[i];
        if (span != 0) value += (t - knots[i]) * scratch[i] / span;
      }
      if (scratch[i + 1] != 0) {
        double span = double(knots[i + q]) - knots[i + 1];
        if (span != 0) value += (knots[i + q] - t) * scratch[i + 1] / span;
      }
      scratch[i] = value;
    }
  }
  if (t == knots[n + k - 1]) scratch[n - 1] = 1.0;
  double sum = 0;
  for (int i = 0; i < n; ++i) sum += scratch[i] * weights[i];
  for (int i = 0; i < n; ++i) basis[i] = sum != 0 ? scratch[i] * weights[i] / sum : 0.0;
}

}  // namespace

void tessellate(const RenderOutput* output, int knotCount, const float* knots, int dimension,
                const float* controlPoints, int order) {
  if (!output || !knots || !controlPoints || knotCount <= 0 || dimension != 4 || order < 1) return;
  const int n = knotCount - order;
  if (n < 1) return;
  const double first = knots[0], last = knots[knotCount - 1];
  if (!std::isfinite(first) || !std::isfinite(last) || !(last > first)) return;

  const int64_t perSpan = output->pointsPerSpan;
  int64_t segments;
  if (order == 3 && perSpan > 0)
    segments = perSpan * (n - 1) / 2;
  else if (order >= 4 && perSpan != 0)
    segments = perSpan * (n - 1);
  else
    segments = int64_t(n - 1) * order;
  segments = std::max<int64_t>(1, std::min(segments, kMaxSegments));

  const size_t count = static_cast<size_t>(n);
  std::vector<double> points(count * 3), weights(count), basis(count),
      scratch(static_cast<size_t>(knotCount));
  const double zero = vorgaTolerances().zero;
  for (int i = 0; i < n; ++i) {
    const float* cp = controlPoints + 4 * size_t(i);
    double w = cp[3];
    double divisor = std::fabs(w) > zero ? w : 1.0;
    for (int c = 0; c < 3; ++c) points[size_t(i) * 3 + size_t(c)] = cp[c] / divisor;
    weights[size_t(i)] = w;
  }

  if (output->begin) output->begin(3, output->ctx);
  const double step = (last - first) / double(segments);
  for (int64_t s = 0; s <= segments; ++s) {
    double t = s == segments ? last : first + double(s) * step;
    rationalBasis(t, n, order, knots, weights.data(), basis.data(), scratch.data());
    double x = 0, y = 0, z = 0;
    for (int i = 0; i < n; ++i) {
      double r = basis[size_t(i)];
      if (r == 0) continue;
      x += r * points[size_t(i) * 3];
      y += r * points[size_t(i) * 3 + 1];
      z += r * points[size_t(i) * 3 + 2];
    }
    if (output->vertex) output->vertex(x, y, z, output->ctx);
  }
  if (output->end) output->end(output->ctx);
}
