// Shared helpers of the application that need nothing of the window system: a point against a
// line, plane geometry of integer points, counting lines of a text, and splitting the command
// line into file names. The ones that
// need the system (regions, windows, volumes, folders, open documents) are in app/Helpers.h.
#pragma once

#include <vector>

#include "Point.h"
#include "Str.h"

// The full turn and the half turn as the drawing code has always taken them.
const double kTwoPi = 6.283185308;
const double kPi = 3.141592654;

// Point 3 against the line through points 1 and 2, in integers: 0 off the line (the cross
// product is at least the larger of |x2 - x1| and |y2 - y1|), 1 before point 1, 3 beyond
// point 2, 2 between the two.
int PointOnLine(int x1, int y1, int x2, int y2, int x3, int y3);

// The angle of the direction from one point to the other, in [0, kTwoPi) radians measured
// from the x axis towards the y axis; 0 when the points coincide.
double GetAngle(CPoint from, CPoint to);
// The point at that angle and distance from the centre: x cut towards zero, y rounded by
// adding 0.5.
CPoint PointAtAngle(CPoint centre, double angle, double distance);
double PointDistance(CPoint a, CPoint b);
// The smaller difference of two angles: |a - b|, or kTwoPi - |a - b| when that is above kPi.
double AngleDifference(double a, double b);
// Where the line through p1 and p2 meets the line through q1 and q2, rounded to the nearest
// point; p2 when the lines are parallel within 0.0001 radians (or either is a single point).
CPoint IntersectLines(CPoint p1, CPoint p2, CPoint q1, CPoint q2);

// Line feeds + 1; 1 for an empty text.
int CountLines(const char* text);

// The pieces of the raw command line between ";" from left to right, untrimmed; empty pieces
// are kept (they name no file and are skipped by the caller like any other missing file).
std::vector<CString> SplitFileList(const char* commandLine);
