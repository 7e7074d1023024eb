// The process-wide tolerances of the geometry library, all in this one place.
//
// The curve and surface classes compare against five values that the solid renderer tunes from
// its drawing quality level (1 coarse .. 10 fine, 5 the default):
//   angular  (T1)  equality of silhouette parameters; the angular range test and the step of the
//                  conic tessellation
//   zero     (T2)  the general zero: a homogeneous weight, a vector length or a radius below it
//                  counts as zero
//   onCurve  (T3)  the circle's on-curve test
//   parallel (T4)  the parallel test of vectors and the NURBS point inversion
//   point          equality of two points (c_Point::equals)
// Only setQualityTolerances and c_Point::setTolerance change them, and only the renderer (or a
// test) calls those; no geometry routine changes them for another. Before any call T1 to T4 hold
// their level-5 values and the point tolerance 1e-6. The root solvers and the old-style kernel use
// fixed tolerances of their own, scaled per call from their coefficients, and keep no state between
// calls.
//
// Not for: the toolkit's own tolerances (toolkit/core).
#ifndef SAT_TOLERANCE_H
#define SAT_TOLERANCE_H

struct VorgaTolerances {
  double angular;
  double zero;
  double onCurve;
  double parallel;
  double point;
};

// The current values; valid for the life of the process.
const VorgaTolerances& vorgaTolerances();

// Sets all five from a quality level by linear interpolation between the anchors at levels 1, 5
// and 10. A level outside 1..10 is taken as 5.
void setQualityTolerances(int level);

// Sets the point tolerance alone; a negative or non-finite value is ignored.
void setPointTolerance(double tolerance);

#endif
