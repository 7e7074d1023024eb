// Point lists: editing, bounds, areas of both windings, closed lengths and the archive layout.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <vector>

#include "Archive.h"
#include "Exception.h"
#include "MemFile.h"
#include "PointArray.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Store(const std::function<void(CArchive&)>& fn) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    fn(ar);
    ar.Close();
  }
  Bytes bytes((size_t)file.GetLength());
  file.SeekToBegin();
  file.Read(bytes.data(), (UINT)bytes.size());
  return bytes;
}

void Load(Bytes bytes, const std::function<void(CArchive&)>& fn) {
  CMemFile file(bytes.data(), (UINT)bytes.size());
  CArchive ar(&file, CArchive::load);
  fn(ar);
  ar.Close();
}

CPolygon Make(std::initializer_list<POINT> points) {
  CPolygon p;
  for (const POINT& pt : points) p.Add(pt.x, pt.y);
  return p;
}

struct AreaCase {
  const char* name;
  std::vector<POINT> points;
  double area;
  double length;
};

const double kRoot2 = std::sqrt(2.0);

const AreaCase kAreaCases[] = {
    {"square clockwise", {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 100.0,
     // first to last (0,0)-(0,10): sqrt(1 + 81); then (0,10)-(10,10): sqrt(81 + 1);
     // (10,10)-(10,0): sqrt(1 + 121); (10,0)-(0,0): sqrt(121 + 1)
     2 * std::sqrt(82.0) + 2 * std::sqrt(122.0)},
    {"square anticlockwise", {{0, 10}, {10, 10}, {10, 0}, {0, 0}}, 100.0,
     2 * std::sqrt(82.0) + 2 * std::sqrt(122.0)},
    {"triangle", {{0, 0}, {4, 0}, {0, 3}}, 6.0,
     std::sqrt(1.0 + 4.0) + std::sqrt(9.0 + 16.0) + std::sqrt(25.0 + 1.0)},
    {"single point", {{5, 7}}, 0.0, kRoot2},
    {"empty", {}, 0.0, 0.0},
    {"far from the origin", {{2000000000, 2000000000}, {2000000010, 2000000000},
                             {2000000010, 2000000010}, {2000000000, 2000000010}}, 100.0,
     2 * std::sqrt(82.0) + 2 * std::sqrt(122.0)},
};

class AreaTest : public ::testing::TestWithParam<AreaCase> {};

TEST_P(AreaTest, RawAreaAndLength) {
  const AreaCase& c = GetParam();
  CPolygon p;
  for (const POINT& pt : c.points) p.Add(pt.x, pt.y);
  EXPECT_DOUBLE_EQ(c.area, p.GetRawArea());
  EXPECT_NEAR(c.length, p.GetRawLength(), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Cases, AreaTest, ::testing::ValuesIn(kAreaCases),
                         [](const ::testing::TestParamInfo<AreaCase>& i) {
                           std::string s = i.param.name;
                           for (char& ch : s)
                             if (ch == ' ') ch = '_';
                           return s;
                         });

TEST(Polygon, EditingIgnoresIndexesOutsideTheList) {
  CPolygon p = Make({{1, 2}, {3, 4}});
  p.RemoveAt(-1);
  p.RemoveAt(2);
  p.SetAtGrow(-1, 9, 9);
  ASSERT_EQ(2, p.GetSize());
  EXPECT_EQ(CPoint(0, 0), p.GetAt(-1));
  EXPECT_EQ(CPoint(0, 0), p.GetAt(2));
  p.SetAtGrow(4, 7, 8);  // grows with zero points between
  ASSERT_EQ(5, p.GetSize());
  EXPECT_EQ(CPoint(0, 0), p.GetAt(3));
  EXPECT_EQ(CPoint(7, 8), p.GetAt(4));
  p.RemoveAt(0);
  EXPECT_EQ(CPoint(3, 4), p.GetAt(0));
  EXPECT_EQ(4, p.GetSize());
  CPolygon copy(p);
  p.RemoveAll();
  EXPECT_EQ(0, p.GetSize());
  EXPECT_EQ(4, copy.GetSize());
  EXPECT_EQ(CPoint(7, 8), copy.GetAt(3));
  p = copy;
  EXPECT_EQ(4, p.GetSize());
}

TEST(Polygon, AddRectAndBounds) {
  CPolygon p;
  EXPECT_EQ(CRect(INT_MAX, INT_MAX, INT_MIN, INT_MIN), p.GetBounds());
  p.AddRect(1, 2, 30, 40);
  const POINT corners[] = {{1, 2}, {30, 2}, {30, 40}, {1, 40}};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(CPoint(corners[i]), p.GetAt(i));
  p.Add(-5, 100);
  EXPECT_EQ(CRect(-5, 2, 30, 100), p.GetBounds());
  EXPECT_DOUBLE_EQ(29.0 * 38.0, Make({{1, 2}, {30, 2}, {30, 40}, {1, 40}}).GetRawArea());
}

TEST(PolyPolygon, MembersValuesBoundsAndLengths) {
  CPolyPolygon pp;
  EXPECT_EQ(CRect(INT_MAX, INT_MAX, INT_MIN, INT_MIN), pp.GetBounds());
  EXPECT_EQ(0.0, pp.GetRawArea());
  CPolygon outer;
  outer.AddRect(0, 0, 100, 100);
  pp.Add(outer, 0);
  EXPECT_DOUBLE_EQ(10000.0, pp.GetRawArea());  // one member: exactly its own area
  CPolygon inner;
  inner.AddRect(-10, 20, 60, 200);
  pp.Add(inner, CPolyPolygon::combineDifference);
  EXPECT_EQ(2u, pp.GetValue(1));
  EXPECT_EQ(0u, pp.GetValue(2));
  EXPECT_EQ(0u, pp.GetValue(-1));
  EXPECT_EQ(CRect(-10, 0, 100, 200), pp.GetBounds());
  EXPECT_DOUBLE_EQ(outer.GetRawLength() + inner.GetRawLength(), pp.GetRawLength());
  outer.Add(5, 5);  // members are copies
  EXPECT_EQ(4, pp.GetAt(0).GetSize());
}

// Golden bytes: a WORD count below 0xFFFF, then x and y of each point as little-endian LONGs.
TEST(PolygonArchive, SmallCountIsAWord) {
  CPolygon p = Make({{1, -2}, {0x01020304, 5}});
  Bytes bytes = Store([&](CArchive& ar) { p.Serialize(ar); });
  const Bytes expected = {2, 0, 1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1, 5, 0, 0, 0};
  EXPECT_EQ(expected, bytes);
}

// Past 65,535 points the count is the WORD 0xFFFF followed by a DWORD.
TEST(PolygonArchive, LargeCountsEscapeToADword) {
  for (int count : {65534, 65535, 70000}) {
    CPolygon p;
    for (int i = 0; i < count; ++i) p.Add(i, -i);
    Bytes bytes = Store([&](CArchive& ar) { p.Serialize(ar); });
    size_t head = count < 0xFFFF ? 2 : 6;
    ASSERT_EQ(head + 8u * (size_t)count, bytes.size()) << count;
    if (count < 0xFFFF) {
      EXPECT_EQ(count, bytes[0] | bytes[1] << 8);
    } else {
      EXPECT_EQ(0xFF, bytes[0]);
      EXPECT_EQ(0xFF, bytes[1]);
      EXPECT_EQ((uint32_t)count,
                (uint32_t)(bytes[2] | bytes[3] << 8 | bytes[4] << 16 | (uint32_t)bytes[5] << 24));
    }
    CPolygon back;
    back.Add(99, 99);  // loading replaces what was there
    Load(bytes, [&](CArchive& ar) { back.Serialize(ar); });
    ASSERT_EQ(count, back.GetSize());
    EXPECT_EQ(CPoint(count - 1, 1 - count), back.GetAt(count - 1));
  }
}

TEST(PolyPolygonArchive, PolygonsThenCombineValues) {
  CPolyPolygon pp;
  pp.Add(Make({{1, 2}}), 0);
  pp.Add(Make({}), 2);
  Bytes bytes = Store([&](CArchive& ar) { pp.Serialize(ar); });
  const Bytes expected = {2, 0,                          // two polygons
                          1, 0, 1, 0, 0, 0, 2, 0, 0, 0,  // one point
                          0, 0,                          // no point
                          2, 0, 0, 0, 0, 0, 2, 0, 0, 0}; // two combine values
  EXPECT_EQ(expected, bytes);
  CPolyPolygon back;
  Load(bytes, [&](CArchive& ar) { back.Serialize(ar); });
  ASSERT_EQ(2, back.GetSize());
  EXPECT_EQ(CPoint(1, 2), back.GetAt(0).GetAt(0));
  EXPECT_EQ(2u, back.GetValue(1));
}

// Cut-short and lying archives fail with the archive's end-of-file error, having allocated no
// more than the bytes present justify.
TEST(PolygonArchive, TruncatedInputThrowsEndOfFile) {
  const Bytes cases[] = {
      {},
      {2, 0, 1, 0, 0, 0},                // one and a half points of two
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},  // two billion points announced, none there
      {0xFF, 0xFF, 1, 0},                // the DWORD count cut short
  };
  for (const Bytes& bytes : cases) {
    CPolygon p;
    try {
      Load(bytes, [&](CArchive& ar) { p.Serialize(ar); });
      ADD_FAILURE() << "no exception for " << bytes.size() << " bytes";
    } catch (CArchiveException* e) {
      EXPECT_EQ(CArchiveException::endOfFile, e->m_cause);
      e->Delete();
    }
  }
  CPolyPolygon pp;
  try {
    Load({0xFE, 0xFF, 0, 0, 0, 0}, [&](CArchive& ar) { pp.Serialize(ar); });
    ADD_FAILURE() << "no exception";
  } catch (CArchiveException* e) {
    EXPECT_EQ(CArchiveException::endOfFile, e->m_cause);
    e->Delete();
  }
}

}  // namespace

namespace {

struct CombineCase {
  const char* name;
  RECT second;
  UINT value;
  double area;
};

// An outer square of 1000 x 1000 units with a second square combined into it; the grid is 0.1
// unit, so the counts are exact up to the edges' half cells.
const CombineCase kCombineCases[] = {
    {"hole", {250, 250, 750, 750}, CPolyPolygon::combineDifference, 1000000.0 - 250000.0},
    {"disjoint union", {1500, 0, 2000, 500}, CPolyPolygon::combineUnion, 1000000.0 + 250000.0},
    {"overlapping union", {500, 500, 1500, 1500}, CPolyPolygon::combineUnion, 2000000.0 - 250000.0},
    {"cut across the edge", {500, -500, 1500, 500}, CPolyPolygon::combineDifference, 750000.0},
    {"other values leave it out", {250, 250, 750, 750}, 7, 1000000.0},
};

class CombineTest : public ::testing::TestWithParam<CombineCase> {};

TEST_P(CombineTest, AreaOnTheGrid) {
  const CombineCase& c = GetParam();
  CPolyPolygon pp;
  CPolygon outer;
  outer.AddRect(0, 0, 1000, 1000);
  pp.Add(outer, 0);
  CPolygon second;
  second.AddRect(c.second.left, c.second.top, c.second.right, c.second.bottom);
  pp.Add(second, c.value);
  EXPECT_NEAR(c.area, pp.GetRawArea(), c.area * 0.002);
}

INSTANTIATE_TEST_SUITE_P(Cases, CombineTest, ::testing::ValuesIn(kCombineCases),
                         [](const ::testing::TestParamInfo<CombineCase>& i) {
                           std::string s = i.param.name;
                           for (char& ch : s)
                             if (ch == ' ') ch = '_';
                           return s;
                         });

TEST(PolyPolygon, DegenerateMembersMeasureNothing) {
  CPolyPolygon pp;
  CPolygon point;
  point.Add(5, 5);
  pp.Add(point, 0);
  pp.Add(point, CPolyPolygon::combineUnion);
  EXPECT_EQ(0.0, pp.GetRawArea());  // all points alike: no grid
  CPolyPolygon line;
  CPolygon seg;
  seg.Add(0, 0);
  seg.Add(100, 0);
  line.Add(seg, 0);
  line.Add(seg, CPolyPolygon::combineUnion);
  EXPECT_EQ(0.0, line.GetRawArea());
}

}  // namespace
