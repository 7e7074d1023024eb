// The curve, point and surface records of a SAT text and the subtypes that carry spline data:
// each wraps an object of the geometry library (c_Line, c_Ellipse, c_NURBSCurve, c_Point, the
// analytic surfaces, c_Torus, c_NURBSSurface) and answers the questions the topology and the
// renderer ask of it.
//
// Not for: the topology (AcisTopology.h) or drawing (GL_Renderer.h).
#ifndef SAT_ACISGEOMETRY_H
#define SAT_ACISGEOMETRY_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sat/AcisEntity.h"
#include "sat/AnalyticSurfaces.h"
#include "sat/Ellipse.h"
#include "sat/Line.h"
#include "sat/NURBSCurve.h"
#include "sat/NURBSSurface.h"
#include "sat/SatParser.h"

// A parameter interval: two ends, each bounded with a value or unbounded.
struct SatInterval {
  bool bounded[2] = {false, false};
  double value[2] = {0, 0};
  // Two tokens: a word beginning with "F" (or the digit 1 that early versions write) marks a
  // bounded end followed by its value; any other word an unbounded one.
  void read(satParser& parser);
};

class acis_Curve : public acis_Entity {
 public:
  acis_Curve(satParser& parser, bool withAttribute) : acis_Entity(parser, withAttribute) {}
  // The plane that holds the curve; only an ellipse has one.
  virtual bool supportingPlane(c_Plane& plane) const;
  virtual bool isOnCurve(const c_Point& p) const;
  virtual const c_Curve* geometry() const { return nullptr; }
  virtual double parameterOf(const c_Point& p) const;
  virtual bool isStraight() const { return false; }
  virtual bool isParameterInRange(double t, double t0, double t1, bool forward) const;
  virtual c_Vector tangentAt(const c_Point& p) const;
  const char* typeName() const override { return "-curve"; }
  const SatInterval& interval() const { return interval_; }

 protected:
  void readInterval(satParser& parser);
  SatInterval interval_;
};

class acis_Straight : public acis_Curve {
 public:
  acis_Straight(satParser& parser, bool withAttribute);
  const c_Curve* geometry() const override { return &line_; }
  bool isStraight() const override { return true; }
  c_Vector tangentAt(const c_Point& p) const override;
  const char* typeName() const override { return "straight"; }
  const c_Line& line() const { return line_; }

 private:
  c_Line line_;
};

class acis_Ellipse : public acis_Curve {
 public:
  acis_Ellipse(satParser& parser, bool withAttribute);
  bool supportingPlane(c_Plane& plane) const override;
  const c_Curve* geometry() const override { return &ellipse_; }
  c_Vector tangentAt(const c_Point& p) const override;
  const char* typeName() const override { return "ellipse"; }
  const c_Ellipse& ellipse() const { return ellipse_; }

 private:
  c_Ellipse ellipse_;
};

class acis_Surface;

// An intersection-curve subtype: the spline of the curve when the text carries it in full, the
// surfaces it lies on and its parameter-space curves, or the parameters of its summary form.
class acis_int_cur : public SatSubtype {
 public:
  explicit acis_int_cur(const char* name);
  ~acis_int_cur() override;
  const char* typeName() const override { return "int_cur"; }
  static acis_int_cur* read(satParser& parser, const char* name);

  bool isOnCurve(const c_Point& p) const;
  double parameterOf(const c_Point& p) const;
  c_Vector tangentAt(const c_Point& p) const;
  bool isParameterInRange(double t, double t0, double t1, bool forward) const;
  bool surfaceWithPcurve(const c_NURBSCurve*& pcurve, const acis_Surface*& surface) const;
  const std::vector<double>& summary() const { return summary_; }
  const c_NURBSCurve* curve() const { return curve_.get(); }

 private:
  acis_Surface* readSurface(satParser& parser, bool& ok);
  std::string name_;
  std::unique_ptr<c_NURBSCurve> curve_;
  std::unique_ptr<acis_Surface> surface1_, surface2_;
  std::unique_ptr<c_NURBSCurve> pcurve1_, pcurve2_;
  std::vector<double> summary_;
};

class acis_Intcurve : public acis_Curve {
 public:
  acis_Intcurve(satParser& parser, bool withAttribute);
  bool isOnCurve(const c_Point& p) const override;
  const c_Curve* geometry() const override;
  double parameterOf(const c_Point& p) const override;
  bool isParameterInRange(double t, double t0, double t1, bool forward) const override;
  c_Vector tangentAt(const c_Point& p) const override;
  const char* typeName() const override { return "intcurve"; }

  enum DrawingRange { kRange = 0, kWholeCurve = 1, kPointList = 2, kNothing = 3 };
  int32_t drawingRange(const acis_Entity* startVertex, const acis_Entity* endVertex, double& t0,
                       double& t1) const;
  bool pointAtParameter(double t, c_Point& point) const;
  // The point list runs through every summary parameter with ten points between neighbours.
  // One list is walked at a time (its state is shared by all intcurves).
  void startPointList() const;
  bool nextPoint(c_Point& point) const;
  const acis_int_cur* subtype() const { return subtype_; }

 private:
  const acis_int_cur* subtype_ = nullptr;  // owned by the parser's subtype table
};

// "pcurve": read so that the records after it stay in step; kept only as data.
class acis_Pcurve : public acis_Curve {
 public:
  acis_Pcurve(satParser& parser, bool withAttribute);
  const char* typeName() const override { return "pcurve"; }

 private:
  const acis_int_cur* subtype_ = nullptr;
  double offsets_[2] = {0, 0};
};

class acis_Point : public acis_Entity {
 public:
  explicit acis_Point(satParser& parser);
  const char* typeName() const override { return "point"; }
  const c_Point& point() const { return point_; }

 private:
  c_Point point_;
};

class acis_Surface : public acis_Entity {
 public:
  acis_Surface(satParser& parser, bool withAttribute) : acis_Entity(parser, withAttribute) {}
  virtual const c_Surface* geometry() const { return nullptr; }
  virtual bool getPointAt(double u, double v, c_Point& p) const;
  virtual const c_NURBSSurface* nurbsSurface() const { return nullptr; }
  virtual c_Vector normalAt(const c_Point& p) const;
  const char* typeName() const override { return "-surface"; }
  int32_t sense() const { return sense_; }

 protected:
  void readSenseAndIntervals(satParser& parser);
  int32_t sense_ = 3;
  SatInterval u_, v_;
};

class acis_Plane : public acis_Surface {
 public:
  acis_Plane(satParser& parser, bool withAttribute);
  const c_Surface* geometry() const override { return &plane_; }
  c_Vector normalAt(const c_Point& p) const override { return plane_.normalAt(p); }
  const char* typeName() const override { return "plane"; }

 private:
  c_Plane plane_;
  c_Vector uDirection_;
};

class acis_Sphere : public acis_Surface {
 public:
  acis_Sphere(satParser& parser, bool withAttribute);
  const c_Surface* geometry() const override { return &sphere_; }
  c_Vector normalAt(const c_Point& p) const override { return sphere_.normalAt(p); }
  const char* typeName() const override { return "sphere"; }

 private:
  c_Sphere sphere_;
  c_Vector uOrigin_, pole_;
};

class acis_Torus : public acis_Surface {
 public:
  acis_Torus(satParser& parser, bool withAttribute);
  const char* typeName() const override { return "torus"; }
  const c_Torus& torus() const { return torus_; }

 private:
  c_Torus torus_;
};

class acis_Cone : public acis_Surface {
 public:
  acis_Cone(satParser& parser, bool withAttribute);
  const c_Surface* geometry() const override;
  c_Vector normalAt(const c_Point& p) const override;
  const char* typeName() const override { return "cone"; }
  const acis_Ellipse& base() const { return *base_; }

 private:
  std::unique_ptr<acis_Ellipse> base_;
  double sine_ = 0, cosine_ = 1, scale_ = 1;
  std::unique_ptr<c_Surface> cone_;   // a cone or cylinder
  std::unique_ptr<c_Plane> plane_;    // a flat cone
};

// A spline-surface subtype: the NURBS surface when the text carries it in full.
class acis_spl_sur : public SatSubtype {
 public:
  explicit acis_spl_sur(const char* name) : name_(name) {}
  const char* typeName() const override { return "spl_sur"; }
  static acis_spl_sur* read(satParser& parser, const char* name);
  const c_NURBSSurface* surface() const { return surface_.get(); }

 private:
  std::string name_;
  std::unique_ptr<c_NURBSSurface> surface_;
};

class acis_Spline : public acis_Surface {
 public:
  acis_Spline(satParser& parser, bool withAttribute);
  bool getPointAt(double u, double v, c_Point& p) const override;
  const c_NURBSSurface* nurbsSurface() const override;
  const char* typeName() const override { return "spline"; }

 private:
  const acis_spl_sur* subtype_ = nullptr;  // owned by the parser's subtype table
};

// One B-spline curve of dimension 2 or 3 in the form of the text; null for "nullbs" or a
// malformed one.
c_NURBSCurve* readBsCurve(satParser& parser, int32_t dimension);
c_NURBSSurface* readBsSurface(satParser& parser);
// One law, read and dropped.
void readLaw(satParser& parser);

// The curve or surface record for a record name, or null when the name is another's.
acis_Entity* makeGeometryRecord(satParser& parser, const char* name);

#endif
