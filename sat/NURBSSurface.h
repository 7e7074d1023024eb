// The rational B-spline surface of the geometry library: a net of nu x nv homogeneous float
// control points (row after row) over two float knot vectors. It evaluates points only; it has
// no silhouettes, intersections or normals, so the renderer draws just the edges of its faces.
// Also the abstract base of the SAT reader's spline-surface data.
#ifndef SAT_NURBSSURFACE_H
#define SAT_NURBSSURFACE_H

#include <iosfwd>
#include <vector>

#include "sat/Surface.h"

class c_NURBSSurface : public c_Surface {
 public:
  // Copies every array whose size is positive; order in U = mu - nu, in V = mv - nv.
  c_NURBSSurface(const float* controlNet, int nu, int nv, const float* knotsU, int mu,
                 const float* knotsV, int mv);
  c_NURBSSurface(const c_NURBSSurface&) = delete;
  c_NURBSSurface& operator=(const c_NURBSSurface&) = delete;
  ~c_NURBSSurface() override;

  const char* name() const override { return "c_NURBSSurface"; }
  virtual void print(std::ostream& os) const;
  // Not available: says so on the standard output.
  virtual void getParametersOf(const c_Point& p) const;

  // The point at (u, v); false (out untouched) when either parameter lies outside its knot
  // vector or the net is unusable.
  bool pointAt(double u, double v, c_Point& out) const;

  int countU() const { return nu_; }
  int countV() const { return nv_; }

 private:
  float* net_;
  int nu_, nv_;
  float* knotsU_;
  int mu_;
  float* knotsV_;
  int mv_;
  mutable std::vector<float> workU_, workV_;
};

class SplineDataBase {
 public:
  virtual ~SplineDataBase() = default;
  virtual int kind() const = 0;
  virtual void print(std::ostream& os) const = 0;
};

#endif
