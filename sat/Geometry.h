// Points, vectors and 4x4 transforms: the value types every curve and surface class of the
// geometry library computes with, and the 2-D float work arrays of the B-spline routines.
//
// Not for: the toolkit's matrices (toolkit/core/matrix.h), which work on plain double arrays.
#ifndef SAT_GEOMETRY_H
#define SAT_GEOMETRY_H

#include <iosfwd>

class c_Vector;

class c_Point {
 public:
  c_Point() : x(0), y(0), z(0) {}
  c_Point(double px, double py, double pz) : x(px), y(py), z(pz) {}
  c_Point(const c_Point&) = default;
  c_Point& operator=(const c_Point&) = default;
  // From a homogeneous point (w*x, w*y, w*z, w); a weight not above the zero tolerance is not
  // divided by.
  explicit c_Point(const float homogeneous[4]);
  explicit c_Point(const c_Vector& v);
  virtual ~c_Point() = default;

  // 0, 1, 2 give x, y, z; -1 the homogeneous weight 1.0; anything else 0.0.
  double coordinate(int i) const;
  double squaredDistanceTo(const c_Point& p) const;
  double distanceTo(const c_Point& p) const;
  // Nearer than the point tolerance.
  bool equals(const c_Point& p) const;
  void toHomogeneous(double w, float out[4]) const;

  static double getTolerance();
  static void setTolerance(double t);  // a negative t is ignored

  double x, y, z;
};

class c_Vector {
 public:
  c_Vector() : dx(0), dy(0), dz(0) {}
  c_Vector(double x, double y, double z) : dx(x), dy(y), dz(z) {}
  c_Vector(const c_Vector&) = default;
  c_Vector& operator=(const c_Vector&) = default;
  explicit c_Vector(const c_Point& p) : dx(p.x), dy(p.y), dz(p.z) {}
  explicit c_Vector(const double v[3]) : dx(v[0]), dy(v[1]), dz(v[2]) {}
  virtual ~c_Vector() = default;

  double component(int i) const;  // 0, 1, 2; anything else 0.0
  static double dot(const c_Vector& a, const c_Vector& b);
  static c_Vector cross(const c_Vector& a, const c_Vector& b);
  double lengthSquared() const { return dx * dx + dy * dy + dz * dz; }
  double length() const;
  // Divides by the length when it exceeds the zero tolerance; returns the length it had.
  double normalize();
  double normalizedCopyInto(c_Vector& out) const;

  c_Vector& operator+=(const c_Vector& v);
  c_Vector operator-() const { return c_Vector(-dx, -dy, -dz); }

  // Components below the tolerance become 0, components within it of +-1 become exactly +-1.
  void snapToAxes(double tolerance);
  // A vector perpendicular to this one: the component of smallest magnitude set to 0, the other
  // two exchanged with one sign changed.
  void perpendicular(c_Vector& out) const;
  // Same or opposite direction within the parallel tolerance.
  bool isParallelTo(const c_Vector& other) const;
  // Makes (u, v, w) a right-handed orthonormal frame with w the main axis (see Geometry.cpp).
  static void makeFrame(c_Vector& u, c_Vector& v, c_Vector& w);

  double dx, dy, dz;
};

c_Vector operator+(const c_Vector& a, const c_Vector& b);
c_Vector operator-(const c_Vector& a, const c_Vector& b);
c_Vector operator*(double s, const c_Vector& v);
c_Vector operator/(const c_Vector& v, double s);
c_Vector operator-(const c_Point& a, const c_Point& b);
c_Point operator+(const c_Point& p, const c_Vector& v);
c_Point operator-(const c_Point& p, const c_Vector& v);

// Copies into the plain arrays of the old-style kernel's records.
inline void copyTo(const c_Point& p, double out[3]) {
  out[0] = p.x;
  out[1] = p.y;
  out[2] = p.z;
}
inline void copyTo(const c_Vector& v, double out[3]) {
  out[0] = v.dx;
  out[1] = v.dy;
  out[2] = v.dz;
}

// "(x,y,z)" without blanks, in the stream's number format; vectors print alike.
std::ostream& operator<<(std::ostream& os, const c_Point& p);
std::ostream& operator<<(std::ostream& os, const c_Vector& v);

class c_Mat4 {
 public:
  c_Mat4();  // the identity
  explicit c_Mat4(const double rowMajor[16]);
  c_Mat4(const c_Mat4&) = default;
  c_Mat4& operator=(const c_Mat4&) = default;
  virtual ~c_Mat4() = default;

  // The first three rows applied to (x, y, z, 1); the fourth row (the scale) is not divided by.
  c_Point transformPoint(const c_Point& p) const;
  // The upper-left 3x3 part; no translation.
  c_Vector transformVector(const c_Vector& v) const;
  c_Mat4 operator*(const c_Mat4& other) const;
  // The inverse; false (and out unchanged) for a singular transform.
  bool inverse(c_Mat4& out) const;

  static const c_Mat4& identity();
  static const c_Mat4& zero();

  double m[16];
};

// Static values shared by the library: the origin and the unit points, and the fall-back frame
// of makeFrame.
namespace vorga {
extern const c_Point kOrigin;
extern const c_Vector kMinusZ;
extern const c_Vector kUnitX;
extern const c_Vector kUnitY;
extern const c_Vector kUnitZ;
extern const c_Vector kZeroVector;
// atan2(0, -1) and its multiples, as constants so that they are ready before any static user.
constexpr double kPi = 3.14159265358979323846;
constexpr double kHalfPi = kPi / 2;
constexpr double kThreeHalvesPi = 3 * kPi / 2;
constexpr double kTwoPi = 2 * kPi;
}  // namespace vorga

// 2-D float work arrays: rows + 1 row pointers, the last one null. freeRows frees up to the null
// row and clears the caller's pointer; a null array is left alone.
float** allocRows(int rows, int columns);
void freeRows(float**& array);

#endif
