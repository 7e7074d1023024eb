// The geometry a drawing pass gathers for snapping, in device coordinates of the fitted drawing
// (y down), and the two snap questions over it: the nearest stored point, and the point where two
// stored segments cross inside a search rectangle.
// Not for: gathering (the text hook fills it while the toolkit draws).
#pragma once

#include <vector>

#include "Point.h"
#include "Rect.h"

struct DwgSnapGeometry {
  std::vector<CPoint> points;                  // end points of visible lines, in pairs
  std::vector<std::vector<CPoint>> polygons;  // vertex chains of visible polylines

  void Clear() {
    points.clear();
    polygons.clear();
  }
};

// The stored point nearest to (x, y) (the first one met wins a tie), or false with (x, y).
bool SnapToNearestPoint(const DwgSnapGeometry& geometry, int x, int y, CPoint* out);
// The first crossing, in the order the segments were stored, of two segments near the search
// rectangle that lies inside it; (x, y) when there is none.
CPoint SnapToNearestSegment(const DwgSnapGeometry& geometry, int x, int y, const RECT& search);
