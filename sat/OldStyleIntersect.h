// The pairwise intersection routines of the old-style kernel: each takes the records of two
// old-style entities and fills an IntersectionList with points (kind 6) or, for plane sections of
// surfaces, with the section curves. A curve is first cut with the plane of the other object and
// the problem solved within one plane, where conics meet through the root solvers.
//
// Tolerances are absolute and fixed: 1e-7 for lengths and distances, 1e-8 for cosines, 1e-5 where
// a routine says so. Results (see OldStyle.h): 0 a result, possibly empty; 1 nothing found;
// -1 and -2 one circle inside the other (-2 when the first is the larger); -3 a circle in a plane
// parallel to the other plane; -4 a circle inside a sphere; -5 a line parallel to a cylinder's
// axis, inside it; -6 parallel distinct lines; -7 a line parallel to a plane, off it; -8
// parallel planes. The inputs are never changed.
#ifndef SAT_OLDSTYLEINTERSECT_H
#define SAT_OLDSTYLEINTERSECT_H

#include "sat/OldStyle.h"

// Curve with surface.
int intersectLinePlane(const OsLine& line, const OsPlane& plane, IntersectionList& out);
int intersectLineSphere(const OsLine& line, const OsSphere& sphere, IntersectionList& out);
int intersectLineCylinder(const OsLine& line, const OsCylinder& cylinder, IntersectionList& out);
int intersectLineCone(const OsLine& line, const OsCone& cone, IntersectionList& out);
int intersectCirclePlane(const OsCircle& circle, const OsPlane& plane, IntersectionList& out);
int intersectCircleCylinder(const OsCircle& circle, const OsCylinder& cylinder,
                            IntersectionList& out);
int intersectCircleSphere(const OsCircle& circle, const OsSphere& sphere, IntersectionList& out);
int intersectCircleCone(const OsCircle& circle, const OsCone& cone, IntersectionList& out);

// Curve with curve (the curve of the smaller kind code first).
int intersectLineLine(const OsLine& a, const OsLine& b, IntersectionList& out);
int intersectLineCircle(const OsLine& line, const OsCircle& circle, IntersectionList& out);
int intersectLineEllipse(const OsLine& line, const OsEllipse& ellipse, IntersectionList& out);
int intersectLineParabola(const OsLine& line, const OsParabola& parabola, IntersectionList& out);
int intersectLineHyperbola(const OsLine& line, const OsHyperbola& hyperbola, IntersectionList& out);
int intersectCircleCircle(const OsCircle& a, const OsCircle& b, IntersectionList& out);
int intersectCircleEllipse(const OsCircle& circle, const OsEllipse& ellipse, IntersectionList& out);
int intersectCircleParabola(const OsCircle& circle, const OsParabola& parabola,
                            IntersectionList& out);
int intersectCircleHyperbola(const OsCircle& circle, const OsHyperbola& hyperbola,
                             IntersectionList& out);

// The same pairs when both lie in one plane (the callers above make sure they do).
int coplanarLineLine(const OsLine& a, const OsLine& b, IntersectionList& out);
int coplanarCircleLine(const OsCircle& circle, const OsLine& line, IntersectionList& out);
int coplanarCircleCircle(const OsCircle& a, const OsCircle& b, IntersectionList& out);
int coplanarCircleEllipse(const OsCircle& circle, const OsEllipse& ellipse, IntersectionList& out);
int coplanarCircleParabola(const OsCircle& circle, const OsParabola& parabola,
                           IntersectionList& out);
int coplanarCircleHyperbola(const OsCircle& circle, const OsHyperbola& hyperbola,
                            IntersectionList& out);

// Plane sections of surfaces: section curves (or a touching point).
int intersectPlanePlane(const OsPlane& a, const OsPlane& b, IntersectionList& out);
int intersectPlaneSphere(const OsPlane& plane, const OsSphere& sphere, IntersectionList& out);
int intersectPlaneCylinder(const OsPlane& plane, const OsCylinder& cylinder, IntersectionList& out);
int intersectPlaneCone(const OsPlane& plane, const OsCone& cone, IntersectionList& out);

// A line with a torus (centre, axis w, major radius R, minor radius r): up to four points, the
// roots of a quartic in the line's parameter; touching points are flagged. 0 with points, 1
// when the line misses.
int intersectLineTorus(const OsLine& line, const double centre[3], const double axis[3],
                       double majorRadius, double minorRadius, IntersectionList& out);

// Cone coordinates of a point: its height along the axis (returned) and its angle about it.
double coneCoordinates(const OsCone& cone, const double p[3], double* angle);
// The unit normal of the cone at p: 2 on the nappe ahead of the apex, 1 behind it, and -1 with
// the cone's u axis at the apex height.
int coneNormalAt(const OsCone& cone, const double p[3], double normal[3]);

#endif
