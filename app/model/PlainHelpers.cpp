// Shared helpers that need nothing of the window system.
#include "PlainHelpers.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Strictly between a and b, in either order.
bool Between(long long v, long long a, long long b) { return (a < v && v < b) || (b < v && v < a); }

}  // namespace

int PointOnLine(int x1, int y1, int x2, int y2, int x3, int y3) {
  // 64-bit products: document units reach 10,000,000, whose squares do not fit in 32 bits.
  long long dx = static_cast<long long>(x2) - x1;
  long long dy = static_cast<long long>(y2) - y1;
  long long cross = dx * (static_cast<long long>(y3) - y1) - (static_cast<long long>(x3) - x1) * dy;
  long long adx = dx < 0 ? -dx : dx;
  long long ady = dy < 0 ? -dy : dy;
  if ((cross < 0 ? -cross : cross) >= (adx > ady ? adx : ady)) return 0;
  if (Between(x1, x2, x3) || Between(y1, y2, y3)) return 1;
  if (Between(x2, x1, x3) || Between(y2, y1, y3)) return 3;
  return 2;
}

double GetAngle(CPoint from, CPoint to) {
  if (from == to) return 0.0;
  double a = std::atan2(static_cast<double>(to.y) - from.y, static_cast<double>(to.x) - from.x);
  if (a < 0) a += kTwoPi;
  // atan2 just below zero plus the rounded turn can land on the turn itself.
  return a >= kTwoPi ? 0.0 : a;
}

CPoint PointAtAngle(CPoint centre, double angle, double distance) {
  return CPoint(static_cast<int>(centre.x + std::cos(angle) * distance),
                static_cast<int>(centre.y + std::sin(angle) * distance + 0.5));
}

double PointDistance(CPoint a, CPoint b) {
  return std::hypot(static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y);
}

double AngleDifference(double a, double b) {
  double d = std::fabs(a - b);
  return d > kPi ? kTwoPi - d : d;
}

CPoint IntersectLines(CPoint p1, CPoint p2, CPoint q1, CPoint q2) {
  const double kParallel = 0.0001;
  double between = AngleDifference(GetAngle(p1, p2), GetAngle(q1, q2));
  if (p1 == p2 || q1 == q2 || between < kParallel || kPi - between < kParallel) return p2;
  // p1 + t (p2 - p1) on the second line.
  const double dx1 = static_cast<double>(p2.x) - p1.x, dy1 = static_cast<double>(p2.y) - p1.y;
  const double dx2 = static_cast<double>(q2.x) - q1.x, dy2 = static_cast<double>(q2.y) - q1.y;
  const double t = ((q1.x - static_cast<double>(p1.x)) * dy2 - (q1.y - static_cast<double>(p1.y)) * dx2) /
                   (dx1 * dy2 - dy1 * dx2);
  const double x = std::floor(p1.x + t * dx1 + 0.5), y = std::floor(p1.y + t * dy1 + 0.5);
  // Lines just past the parallel limit can cross far beyond any integer point.
  if (std::fabs(x) > 2e9 || std::fabs(y) > 2e9) return p2;
  return CPoint(static_cast<int>(x), static_cast<int>(y));
}

int CountLines(const char* text) {
  int n = 1;
  if (!text) return n;
  for (const char* p = text; *p; ++p)
    if (*p == '\n') ++n;
  return n;
}

std::vector<CString> SplitFileList(const char* commandLine) {
  std::vector<CString> pieces;
  if (!commandLine || !*commandLine) return pieces;
  const char* p = commandLine;
  for (;;) {
    const char* semi = strchr(p, ';');
    if (!semi) {
      pieces.emplace_back(p);
      break;
    }
    pieces.emplace_back(p, static_cast<int>(semi - p));
    p = semi + 1;
  }
  return pieces;
}
