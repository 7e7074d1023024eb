// Points, vectors and 4x4 transforms of the geometry library.
#include "sat/Geometry.h"

#include <cmath>
#include <cstring>
#include <ostream>
#include <utility>

#include "sat/Tolerance.h"

namespace vorga {
const c_Point kOrigin(0, 0, 0);
const c_Vector kMinusZ(0, 0, -1);
const c_Vector kUnitX(1, 0, 0);
const c_Vector kUnitY(0, 1, 0);
const c_Vector kUnitZ(0, 0, 1);
const c_Vector kZeroVector(0, 0, 0);
}  // namespace vorga

c_Point::c_Point(const float h[4]) : x(h[0]), y(h[1]), z(h[2]) {
  double w = h[3];
  if (std::fabs(w) > vorgaTolerances().zero) {
    x /= w;
    y /= w;
    z /= w;
  }
}

c_Point::c_Point(const c_Vector& v) : x(v.dx), y(v.dy), z(v.dz) {}

double c_Point::coordinate(int i) const {
  switch (i) {
    case 0: return x;
    case 1: return y;
    case 2: return z;
    case -1: return 1.0;
    default: return 0.0;
  }
}

double c_Point::squaredDistanceTo(const c_Point& p) const {
  double a = x - p.x, b = y - p.y, c = z - p.z;
  return a * a + b * b + c * c;
}

double c_Point::distanceTo(const c_Point& p) const { return std::sqrt(squaredDistanceTo(p)); }

bool c_Point::equals(const c_Point& p) const { return distanceTo(p) < vorgaTolerances().point; }

void c_Point::toHomogeneous(double w, float out[4]) const {
  out[0] = float(w * x);
  out[1] = float(w * y);
  out[2] = float(w * z);
  out[3] = float(w);
}

double c_Point::getTolerance() { return vorgaTolerances().point; }

void c_Point::setTolerance(double t) { setPointTolerance(t); }

double c_Vector::component(int i) const {
  switch (i) {
    case 0: return dx;
    case 1: return dy;
    case 2: return dz;
    default: return 0.0;
  }
}

double c_Vector::dot(const c_Vector& a, const c_Vector& b) {
  return a.dx * b.dx + a.dy * b.dy + a.dz * b.dz;
}

c_Vector c_Vector::cross(const c_Vector& a, const c_Vector& b) {
  return c_Vector(a.dy * b.dz - a.dz * b.dy, a.dz * b.dx - a.dx * b.dz, a.dx * b.dy - a.dy * b.dx);
}

double c_Vector::length() const { return std::sqrt(lengthSquared()); }

double c_Vector::normalize() {
  double len = length();
  if (len > vorgaTolerances().zero) {
    dx /= len;
    dy /= len;
    dz /= len;
  }
  return len;
}

double c_Vector::normalizedCopyInto(c_Vector& out) const {
  out = *this;
  return out.normalize();
}

c_Vector& c_Vector::operator+=(const c_Vector& v) {
  dx += v.dx;
  dy += v.dy;
  dz += v.dz;
  return *this;
}

void c_Vector::snapToAxes(double tolerance) {
  double* c[3] = {&dx, &dy, &dz};
  for (double* p : c) {
    double a = std::fabs(*p);
    if (a < tolerance)
      *p = 0.0;
    else if (std::fabs(a - 1.0) < tolerance)
      *p = *p < 0 ? -1.0 : 1.0;
  }
}

void c_Vector::perpendicular(c_Vector& out) const {
  double ax = std::fabs(dx), ay = std::fabs(dy), az = std::fabs(dz);
  if (az <= ax && az <= ay)
    out = c_Vector(-dy, dx, 0);
  else if (ax <= ay)
    out = c_Vector(0, -dz, dy);
  else
    out = c_Vector(dz, 0, -dx);
}

bool c_Vector::isParallelTo(const c_Vector& other) const {
  c_Vector a, b;
  normalizedCopyInto(a);
  other.normalizedCopyInto(b);
  return 1.0 - std::fabs(dot(a, b)) < vorgaTolerances().parallel;
}

// w shorter than the zero tolerance gives the fixed frame (0,0,-1), (0,1,0), (1,0,0). Otherwise w
// is normalised, u loses its part along w (a u parallel to w is replaced by a perpendicular of w)
// and is normalised, and v = w x u.
void c_Vector::makeFrame(c_Vector& u, c_Vector& v, c_Vector& w) {
  const double zero = vorgaTolerances().zero;
  if (w.length() < zero) {
    u = vorga::kMinusZ;
    v = vorga::kUnitY;
    w = vorga::kUnitX;
    return;
  }
  w.normalize();
  c_Vector across = u - dot(u, w) * w;
  if (across.length() < zero) w.perpendicular(across);
  across.normalize();
  u = across;
  v = cross(w, u);
  v.normalize();
}

c_Vector operator+(const c_Vector& a, const c_Vector& b) {
  return c_Vector(a.dx + b.dx, a.dy + b.dy, a.dz + b.dz);
}
c_Vector operator-(const c_Vector& a, const c_Vector& b) {
  return c_Vector(a.dx - b.dx, a.dy - b.dy, a.dz - b.dz);
}
c_Vector operator*(double s, const c_Vector& v) { return c_Vector(s * v.dx, s * v.dy, s * v.dz); }
c_Vector operator/(const c_Vector& v, double s) { return c_Vector(v.dx / s, v.dy / s, v.dz / s); }
c_Vector operator-(const c_Point& a, const c_Point& b) {
  return c_Vector(a.x - b.x, a.y - b.y, a.z - b.z);
}
c_Point operator+(const c_Point& p, const c_Vector& v) {
  return c_Point(p.x + v.dx, p.y + v.dy, p.z + v.dz);
}
c_Point operator-(const c_Point& p, const c_Vector& v) {
  return c_Point(p.x - v.dx, p.y - v.dy, p.z - v.dz);
}

std::ostream& operator<<(std::ostream& os, const c_Point& p) {
  return os << "(" << p.x << "," << p.y << "," << p.z << ")";
}
std::ostream& operator<<(std::ostream& os, const c_Vector& v) {
  return os << "(" << v.dx << "," << v.dy << "," << v.dz << ")";
}

const c_Mat4& c_Mat4::identity() {
  static const double kRows[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  static const c_Mat4 kIdentity(kRows);
  return kIdentity;
}

const c_Mat4& c_Mat4::zero() {
  static const double kRows[16] = {};
  static const c_Mat4 kZero(kRows);
  return kZero;
}

c_Mat4::c_Mat4() { std::memcpy(m, identity().m, sizeof m); }

c_Mat4::c_Mat4(const double rowMajor[16]) { std::memcpy(m, rowMajor, sizeof m); }

c_Point c_Mat4::transformPoint(const c_Point& p) const {
  return c_Point(m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3],
                 m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
                 m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]);
}

c_Vector c_Mat4::transformVector(const c_Vector& v) const {
  return c_Vector(m[0] * v.dx + m[1] * v.dy + m[2] * v.dz, m[4] * v.dx + m[5] * v.dy + m[6] * v.dz,
                  m[8] * v.dx + m[9] * v.dy + m[10] * v.dz);
}

c_Mat4 c_Mat4::operator*(const c_Mat4& o) const {
  c_Mat4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += m[i * 4 + k] * o.m[k * 4 + j];
      r.m[i * 4 + j] = s;
    }
  return r;
}

// Gauss-Jordan elimination with partial pivoting on [M | I].
bool c_Mat4::inverse(c_Mat4& out) const {
  double a[4][8];
  double scale = 0;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      a[i][j] = m[i * 4 + j];
      a[i][j + 4] = i == j ? 1.0 : 0.0;
      scale = std::fmax(scale, std::fabs(m[i * 4 + j]));
    }
  if (!(scale > 0) || !std::isfinite(scale)) return false;
  for (int c = 0; c < 4; ++c) {
    int pivot = c;
    for (int r = c + 1; r < 4; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
    if (std::fabs(a[pivot][c]) <= scale * 1e-14) return false;
    if (pivot != c)
      for (int j = 0; j < 8; ++j) std::swap(a[c][j], a[pivot][j]);
    double d = a[c][c];
    for (int j = 0; j < 8; ++j) a[c][j] /= d;
    for (int r = 0; r < 4; ++r) {
      if (r == c) continue;
      double f = a[r][c];
      if (f == 0) continue;
      for (int j = 0; j < 8; ++j) a[r][j] -= f * a[c][j];
    }
  }
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) out.m[i * 4 + j] = a[i][j + 4];
  return true;
}

float** allocRows(int rows, int columns) {
  if (rows < 0) rows = 0;
  if (columns < 0) columns = 0;
  float** array = new float*[size_t(rows) + 1];
  for (int i = 0; i < rows; ++i) array[i] = new float[size_t(columns)]();
  array[rows] = nullptr;
  return array;
}

void freeRows(float**& array) {
  if (!array) return;
  for (float** row = array; *row; ++row) delete[] * row;
  delete[] array;
  array = nullptr;
}
