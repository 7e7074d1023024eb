// Snapping over gathered geometry: nothing gathered, the first stored point winning a tie,
// polyline vertices, crossings inside the search rectangle only, parallel segments.
#include <gtest/gtest.h>

#include "vector/model/DwgSnap.h"
#include "app/model/PlainHelpers.h"

namespace {

TEST(DwgSnap, NothingGatheredGivesThePointBack) {
  DwgSnapGeometry g;
  CPoint p;
  EXPECT_FALSE(SnapToNearestPoint(g, 7, 9, &p));
  EXPECT_EQ(p, CPoint(7, 9));
  EXPECT_EQ(SnapToNearestSegment(g, 7, 9, CRect(0, 0, 100, 100)), CPoint(7, 9));
}

TEST(DwgSnap, NearestPointFirstStoredWinsATie) {
  DwgSnapGeometry g;
  g.points = {CPoint(10, 0), CPoint(0, 10), CPoint(-10, 0), CPoint(50, 50)};
  g.polygons = {{CPoint(0, -10), CPoint(3, 4)}};
  CPoint p;
  // (10,0), (0,10), (-10,0) and (0,-10) are all 10 away from the origin... but (3,4) is 5.
  ASSERT_TRUE(SnapToNearestPoint(g, 0, 0, &p));
  EXPECT_EQ(p, CPoint(3, 4));
  g.polygons.clear();
  ASSERT_TRUE(SnapToNearestPoint(g, 0, 0, &p));
  EXPECT_EQ(p, CPoint(10, 0));
  // Far coordinates do not overflow the squared distance.
  g.points = {CPoint(2000000000, 2000000000), CPoint(-2000000000, -2000000000)};
  ASSERT_TRUE(SnapToNearestPoint(g, -1999999999, -1999999999, &p));
  EXPECT_EQ(p, CPoint(-2000000000, -2000000000));
}

TEST(DwgSnap, CrossingInsideTheSearchRectangle) {
  DwgSnapGeometry g;
  // A cross at (50, 50) from two lines, and a chain crossing the first line at (20, 50).
  g.points = {CPoint(0, 50), CPoint(100, 50), CPoint(50, 0), CPoint(50, 100)};
  g.polygons = {{CPoint(20, 0), CPoint(20, 100)}};
  EXPECT_EQ(SnapToNearestSegment(g, 48, 47, CRect(40, 40, 60, 60)), CPoint(50, 50));
  EXPECT_EQ(SnapToNearestSegment(g, 22, 52, CRect(10, 40, 30, 60)), CPoint(20, 50));
  // The lines through two segments cross outside the rectangle: no snap.
  g.points = {CPoint(0, 0), CPoint(10, 0), CPoint(100, -5), CPoint(100, 5)};
  g.polygons.clear();
  EXPECT_EQ(SnapToNearestSegment(g, 5, 1, CRect(0, -2, 20, 2)), CPoint(5, 1));
  // A segment whose box misses the rectangle is no candidate, though its line crosses inside.
  g.points = {CPoint(0, 0), CPoint(10, 0), CPoint(5, 20), CPoint(5, 30)};
  EXPECT_EQ(SnapToNearestSegment(g, 5, 1, CRect(0, -2, 20, 2)), CPoint(5, 1));
}

TEST(DwgSnap, ParallelSegmentsGiveTheFirstSegmentsSecondEnd) {
  EXPECT_EQ(IntersectLines(CPoint(0, 0), CPoint(10, 0), CPoint(0, 5), CPoint(10, 5)), CPoint(10, 0));
  EXPECT_EQ(IntersectLines(CPoint(0, 0), CPoint(0, 0), CPoint(0, 5), CPoint(10, 5)), CPoint(0, 0));
  DwgSnapGeometry g;
  g.points = {CPoint(0, 0), CPoint(10, 0), CPoint(0, 1), CPoint(10, 1)};
  EXPECT_EQ(SnapToNearestSegment(g, 3, 3, CRect(0, -5, 20, 5)), CPoint(10, 0));
  EXPECT_EQ(SnapToNearestSegment(g, 3, 3, CRect(0, -5, 10, 5)), CPoint(3, 3));  // right edge outside
}

}  // namespace
