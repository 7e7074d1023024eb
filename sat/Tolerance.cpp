// The geometry library's shared tolerances and their quality-level table.
#include "sat/Tolerance.h"

#include <cmath>

namespace {

VorgaTolerances current = {0.001, 1e-6, 1e-5, 1e-6, 1e-6};

struct Anchor {
  double level1, level5, level10;
};

double interpolate(const Anchor& a, int level) {
  double x1 = 1, y1 = a.level1, x2 = 5, y2 = a.level5;
  if (level > 5) {
    x1 = 5;
    y1 = a.level5;
    x2 = 10;
    y2 = a.level10;
  }
  double slope = (y2 - y1) / (x2 - x1);
  return slope * level + (y1 - slope * x1);
}

}  // namespace

const VorgaTolerances& vorgaTolerances() { return current; }

void setQualityTolerances(int level) {
  if (level < 1 || level > 10) level = 5;
  static const Anchor kAngular = {1e-5, 0.001, 0.006};
  static const Anchor kZero = {1e-8, 1e-6, 0.05};
  static const Anchor kOnCurve = {1e-7, 1e-5, 0.09};
  static const Anchor kParallel = {1e-8, 1e-6, 0.0625};
  static const Anchor kPoint = {7e-5, 0.007, 0.025};
  current.angular = interpolate(kAngular, level);
  current.zero = interpolate(kZero, level);
  current.onCurve = interpolate(kOnCurve, level);
  current.parallel = interpolate(kParallel, level);
  current.point = interpolate(kPoint, level);
}

void setPointTolerance(double tolerance) {
  if (tolerance >= 0 && std::isfinite(tolerance)) current.point = tolerance;
}
