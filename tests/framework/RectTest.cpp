// CPoint, CSize and CRect: the operators and operations as tables.
#include "Framework.h"

#include <gtest/gtest.h>

namespace {

::testing::AssertionResult RectIs(const CRect& r, int l, int t, int rt, int b) {
  if (r.left == l && r.top == t && r.right == rt && r.bottom == b)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << r.left << "," << r.top << "," << r.right << ","
                                       << r.bottom << ") instead of (" << l << "," << t << "," << rt
                                       << "," << b << ")";
}

TEST(RectTest, PointAndSizeArithmetic) {
  CPoint p(3, 4);
  CSize s(10, 20);
  EXPECT_TRUE(p + s == CPoint(13, 24));
  EXPECT_TRUE(p - s == CPoint(-7, -16));
  EXPECT_TRUE(CPoint(13, 24) - p == CSize(10, 20));
  EXPECT_TRUE(-p == CPoint(-3, -4));
  EXPECT_TRUE(s + p == CPoint(13, 24));
  EXPECT_TRUE(s + CSize(1, 1) == CSize(11, 21));
  p += s;
  EXPECT_TRUE(p == CPoint(13, 24));
  p -= CPoint(13, 24);
  EXPECT_TRUE(p == CPoint(0, 0));
  p.Offset(2, -2);
  EXPECT_TRUE(p != CPoint(0, 0));
  EXPECT_EQ(sizeof(CPoint), sizeof(POINT));
  EXPECT_EQ(sizeof(CRect), sizeof(RECT));
}

TEST(RectTest, SizesAndCorners) {
  CRect r(10, 20, 110, 70);
  EXPECT_EQ(r.Width(), 100);
  EXPECT_EQ(r.Height(), 50);
  EXPECT_TRUE(r.Size() == CSize(100, 50));
  EXPECT_TRUE(r.TopLeft() == CPoint(10, 20));
  EXPECT_TRUE(r.BottomRight() == CPoint(110, 70));
  EXPECT_TRUE(r.CenterPoint() == CPoint(60, 45));
  r.TopLeft() = CPoint(0, 0);
  EXPECT_TRUE(RectIs(r, 0, 0, 110, 70));
  EXPECT_TRUE(RectIs(CRect(CPoint(1, 2), CSize(3, 4)), 1, 2, 4, 6));
  EXPECT_TRUE(RectIs(CRect(CPoint(1, 2), CPoint(3, 4)), 1, 2, 3, 4));
  EXPECT_TRUE(CRect(-5, -5, -1, -1).CenterPoint() == CPoint(-3, -3));
}

struct PtCase {
  int x, y;
  bool in;
};

TEST(RectTest, PtInRectIncludesTopLeftOnly) {
  CRect r(0, 0, 10, 5);
  const PtCase cases[] = {{0, 0, true},   {9, 4, true},   {10, 4, false}, {9, 5, false},
                          {-1, 0, false}, {5, -1, false}, {5, 2, true}};
  for (const PtCase& c : cases)
    EXPECT_EQ(!!r.PtInRect(CPoint(c.x, c.y)), c.in) << c.x << "," << c.y;
}

struct EmptyCase {
  CRect r;
  bool empty;
  bool null;
};

TEST(RectTest, EmptyAndNull) {
  const EmptyCase cases[] = {
      {CRect(0, 0, 0, 0), true, true},     {CRect(0, 0, 1, 1), false, false},
      {CRect(5, 5, 5, 10), true, false},   {CRect(5, 5, 10, 5), true, false},
      {CRect(10, 10, 5, 20), true, false}, {CRect(-3, -3, -2, -2), false, false},
  };
  for (const EmptyCase& c : cases) {
    EXPECT_EQ(!!c.r.IsRectEmpty(), c.empty) << c.r.left << "," << c.r.top;
    EXPECT_EQ(!!c.r.IsRectNull(), c.null) << c.r.left << "," << c.r.top;
  }
}

TEST(RectTest, NormalizeRect) {
  CRect r(10, 20, 0, 5);
  r.NormalizeRect();
  EXPECT_TRUE(RectIs(r, 0, 5, 10, 20));
  CRect s(0, 20, 10, 5);
  s.NormalizeRect();
  EXPECT_TRUE(RectIs(s, 0, 5, 10, 20));
}

struct SetOpCase {
  CRect a, b;
  bool intersects;
  CRect inter;
  bool unites;
  CRect uni;
};

TEST(RectTest, IntersectAndUnion) {
  const SetOpCase cases[] = {
      // overlapping
      {CRect(0, 0, 10, 10), CRect(5, 5, 15, 15), true, CRect(5, 5, 10, 10), true, CRect(0, 0, 15, 15)},
      // one inside the other
      {CRect(0, 0, 10, 10), CRect(2, 2, 4, 4), true, CRect(2, 2, 4, 4), true, CRect(0, 0, 10, 10)},
      // touching edges do not overlap
      {CRect(0, 0, 10, 10), CRect(10, 0, 20, 10), false, CRect(), true, CRect(0, 0, 20, 10)},
      // apart
      {CRect(0, 0, 1, 1), CRect(5, 5, 6, 6), false, CRect(), true, CRect(0, 0, 6, 6)},
      // an empty one counts for nothing in a union
      {CRect(3, 3, 3, 8), CRect(5, 5, 6, 6), false, CRect(), true, CRect(5, 5, 6, 6)},
      {CRect(5, 5, 6, 6), CRect(), false, CRect(), true, CRect(5, 5, 6, 6)},
      {CRect(), CRect(1, 1, 1, 1), false, CRect(), false, CRect()},
  };
  for (const SetOpCase& c : cases) {
    CRect i(99, 99, 99, 99), u(99, 99, 99, 99);
    EXPECT_EQ(!!i.IntersectRect(&c.a, &c.b), c.intersects);
    EXPECT_TRUE(i == c.inter);
    EXPECT_EQ(!!u.UnionRect(&c.a, &c.b), c.unites);
    EXPECT_TRUE(u == c.uni);
    EXPECT_TRUE((c.a & c.b) == c.inter);
    EXPECT_TRUE((c.a | c.b) == c.uni);
  }
}

TEST(RectTest, InflateOffsetAndOperators) {
  CRect r(10, 10, 20, 20);
  r.InflateRect(2, 3);
  EXPECT_TRUE(RectIs(r, 8, 7, 22, 23));
  r.DeflateRect(2, 3);
  EXPECT_TRUE(RectIs(r, 10, 10, 20, 20));
  r.InflateRect(CRect(1, 2, 3, 4));
  EXPECT_TRUE(RectIs(r, 9, 8, 23, 24));
  r.DeflateRect(1, 2, 3, 4);
  r.OffsetRect(5, -5);
  EXPECT_TRUE(RectIs(r, 15, 5, 25, 15));
  r.OffsetRect(CPoint(-5, 5));
  EXPECT_TRUE(RectIs(r, 10, 10, 20, 20));
  EXPECT_TRUE(RectIs(r + CPoint(1, 2), 11, 12, 21, 22));
  EXPECT_TRUE(RectIs(r - CPoint(1, 2), 9, 8, 19, 18));
  EXPECT_TRUE(RectIs(r + CSize(1, 2), 11, 12, 21, 22));
  EXPECT_TRUE(RectIs(r - CSize(1, 2), 9, 8, 19, 18));
  const CRect border(1, 1, 1, 1);
  EXPECT_TRUE(RectIs(r + &border, 9, 9, 21, 21));
  EXPECT_TRUE(RectIs(r - &border, 11, 11, 19, 19));
  r += CPoint(1, 1);
  r -= CSize(1, 1);
  EXPECT_TRUE(RectIs(r, 10, 10, 20, 20));
  r &= CRect(15, 15, 30, 30);
  EXPECT_TRUE(RectIs(r, 15, 15, 20, 20));
  r |= CRect(0, 0, 1, 1);
  EXPECT_TRUE(RectIs(r, 0, 0, 20, 20));
  RECT plain = {1, 2, 3, 4};
  CRect fromPlain(plain);
  LPRECT lp = fromPlain;
  EXPECT_EQ(lp->right, 3);
  EXPECT_TRUE(fromPlain == plain);
}

}  // namespace
