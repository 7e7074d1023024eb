// NURBS surface evaluation.
#include "sat/NURBSSurface.h"

#include <cmath>
#include <cstring>
#include <iostream>

#include "sat/Bspline.h"
#include "sat/Tolerance.h"

namespace {

float* copyOf(const float* from, size_t count) {
  if (!from || count == 0) return nullptr;
  float* to = new float[count];
  std::memcpy(to, from, sizeof(float) * count);
  return to;
}

}  // namespace

c_NURBSSurface::c_NURBSSurface(const float* controlNet, int nu, int nv, const float* knotsU, int mu,
                               const float* knotsV, int mv)
    : net_(nullptr),
      nu_(nu > 0 ? nu : 0),
      nv_(nv > 0 ? nv : 0),
      knotsU_(nullptr),
      mu_(mu > 0 ? mu : 0),
      knotsV_(nullptr),
      mv_(mv > 0 ? mv : 0) {
  net_ = copyOf(controlNet, size_t(nu_) * size_t(nv_) * 4);
  knotsU_ = copyOf(knotsU, size_t(mu_));
  knotsV_ = copyOf(knotsV, size_t(mv_));
  if (!net_) nu_ = nv_ = 0;
  if (!knotsU_) mu_ = 0;
  if (!knotsV_) mv_ = 0;
  if (mu_ > nu_) workU_.resize(size_t(mu_ - nu_));
  if (mv_ > nv_) workV_.resize(size_t(mv_ - nv_));
}

c_NURBSSurface::~c_NURBSSurface() {
  delete[] net_;
  delete[] knotsU_;
  delete[] knotsV_;
  nu_ = nv_ = mu_ = mv_ = 0;
}

void c_NURBSSurface::print(std::ostream& os) const {
  os << "Vorga NURBS surface with " << nu_ << " control points in U and " << nv_
     << " control points in V.\n";
}

void c_NURBSSurface::getParametersOf(const c_Point&) const {
  std::cout << "**** IMPLEMENT c_NURBSSurface::getParametersOf!!! ****\n";
}

bool c_NURBSSurface::pointAt(double u, double v, c_Point& out) const {
  const int ku = mu_ - nu_, kv = mv_ - nv_;
  if (!net_ || !knotsU_ || !knotsV_ || ku < 1 || kv < 1 || nu_ < ku || nv_ < kv) return false;
  int su = basisFunctions(u, nu_ - 1, ku, knotsU_, workU_.data());
  int sv = basisFunctions(v, nv_ - 1, kv, knotsV_, workV_.data());
  if (su < 0 || sv < 0) return false;
  double sum[4] = {0, 0, 0, 0};
  for (int i = 0; i < ku; ++i) {
    int row = su - ku + 1 + i;
    for (int j = 0; j < kv; ++j) {
      int column = sv - kv + 1 + j;
      const float* cp = net_ + 4 * (size_t(row) * size_t(nv_) + size_t(column));
      double b = double(workU_[size_t(i)]) * workV_[size_t(j)];
      for (int c = 0; c < 4; ++c) sum[c] += b * cp[c];
    }
  }
  if (std::fabs(sum[3]) > vorgaTolerances().zero)
    out = c_Point(sum[0] / sum[3], sum[1] / sum[3], sum[2] / sum[3]);
  else
    out = c_Point(sum[0], sum[1], sum[2]);
  return true;
}
