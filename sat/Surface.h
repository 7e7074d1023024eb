// The roots of the geometry library's surfaces: the abstract c_Surface, the quadric bases
// (c_Quadric with its implicit coefficients, c_FramedQuadric with an origin and a right-handed
// frame u, v, w, w the axis) and the torus.
//
// Silhouettes and rulings are new curve objects written into the caller's array, which the
// caller deletes; intersect answers the status of an intersection query (2 computed, 1 not
// computed or nothing found, 0 from the base, which computes nothing).
#ifndef SAT_SURFACE_H
#define SAT_SURFACE_H

#include <iosfwd>

#include "sat/Curve.h"
#include "sat/Geometry.h"
#include "sat/OldStyle.h"

class c_Surface {
 public:
  virtual ~c_Surface() = default;
  // Curves along which the surface turns away from the view direction; at most 2.
  virtual int silhouettes(const c_Vector& view, c_Curve** out) const;
  // n lines on the surface at equal angles about its axis; out must hold n.
  virtual int rulings(int n, c_Curve** out) const;
  virtual int intersect(const c_Curve& curve, IntersectionList& result) const;
  virtual void makeOldStyleEntity(OldStyleEntityRef& ref) const;
  virtual c_Vector normalAt(const c_Point& p) const;
  virtual const char* name() const = 0;
};

class c_Quadric : public c_Surface {
 public:
  // The ten coefficients of the implicit quadric: x^2, y^2, z^2, xy, yz, zx, x, y, z and the
  // constant. 1 when written, 0 when the class has none.
  virtual int algebraicCoefficients(double out[10]) const = 0;
  virtual void print(std::ostream& os) const = 0;
};

class c_FramedQuadric : public c_Quadric {
 public:
  c_FramedQuadric();  // origin at 0, u = (0,0,-1), v = (0,1,0), w = (1,0,0)
  c_FramedQuadric(const c_Point& origin, const c_Vector& u, const c_Vector& w);
  c_FramedQuadric(const c_Point& origin, const c_Vector& w);

  c_Point origin() const { return origin_; }
  c_Vector u() const { return u_; }
  c_Vector v() const { return v_; }
  c_Vector w() const { return w_; }

 protected:
  c_Point origin_;
  c_Vector u_, v_, w_;
};

class c_Torus : public c_Surface {
 public:
  c_Torus();  // centre at 0, the default frame, R = 2, r = 1
  c_Torus(const c_Torus&) = default;
  // A minor radius below 1e-6 becomes 1.0; a major radius then below the minor one becomes
  // 1.05 times the minor one.
  c_Torus(const c_Point& centre, const c_Vector& u, const c_Vector& w, double majorRadius,
          double minorRadius);

  // A line meets the torus in up to four points; a circle is not cut (status 1).
  int intersect(const c_Curve& curve, IntersectionList& result) const override;
  int intersectCircle(const c_Curve& circle, IntersectionList& result) const;
  const char* name() const override { return "c_Torus"; }
  virtual void print(std::ostream& os) const;

  c_Point centre() const { return centre_; }
  c_Vector axis() const { return w_; }
  double majorRadius() const { return major_; }
  double minorRadius() const { return minor_; }

 private:
  c_Point centre_;
  c_Vector u_, v_, w_;
  double major_, minor_;
};

#endif
