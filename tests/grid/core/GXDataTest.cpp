// The cell store and the grid's collections: storing and reading styles by cell, row and column,
// inserting, removing and moving rows and columns at the edges, key shifting and block moves.
#include "GXCollMap.h"
#include "GXData.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

CGXStyle ValueStyle(LPCTSTR psz) {
  CGXStyle s;
  s.SetValue(psz);
  return s;
}

CString ValueAt(const CGXData& data, ROWCOL nRow, ROWCOL nCol, int nType = 0) {
  CGXStyle s;
  if (!data.GetStyleRowCol(nRow, nCol, s, CGXStyle::modeCopy, nType))
    return "-";
  return s.GetValue();
}

TEST(Data, StoringACellGrowsTheCountsAndOnlyThatRow) {
  CGXData data;
  CGXStyle s = ValueStyle("x");
  data.StoreStyleRowCol(10, 3, &s, CGXStyle::modeCopy, 0);
  EXPECT_EQ(data.GetRowCount(), 10u);
  EXPECT_EQ(data.GetColCount(), 3u);
  ASSERT_NE(data.m_cells.GetRow(10), nullptr);
  EXPECT_EQ(data.m_cells.GetRow(10)->GetSize(), 4);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(data.m_cells.GetRow(i), nullptr);
  EXPECT_STREQ(ValueAt(data, 10, 3), "x");
}

TEST(Data, RemovingOrRemovingAttributesOfNothing) {
  CGXData data;
  data.StoreStyleRowCol(50, 50, nullptr, CGXStyle::modeCopy, 0);
  EXPECT_EQ(data.GetRowCount(), 50u);
  EXPECT_EQ(data.GetColCount(), 50u);
  EXPECT_EQ(data.m_cells.GetSize(), 0);
  CGXStyle s = ValueStyle("x");
  data.StoreStyleRowCol(5, 5, &s, CGXStyle::modeRemove, 0);
  EXPECT_EQ(data.GetStoredStyle(5, 5, 0), nullptr);
}

TEST(Data, RowColumnAndTableStyles) {
  CGXData data;
  CGXStyle row = ValueStyle("row"), col = ValueStyle("col");
  data.StoreStyleRowCol(3, 0, &row, CGXStyle::modeCopy, -1);
  data.StoreStyleRowCol(0, 4, &col, CGXStyle::modeCopy, -1);
  EXPECT_STREQ(ValueAt(data, 3, 0, -1), "row");
  EXPECT_STREQ(ValueAt(data, 0, 4, -1), "col");
  EXPECT_STREQ(ValueAt(data, 3, 4, 0), "-");
  data.StoreStyleRowCol(0, 4, nullptr, CGXStyle::modeCopy, -1);
  EXPECT_STREQ(ValueAt(data, 0, 4, -1), "-");
  // Merging into a stored style.
  CGXStyle align;
  align.SetHAlign(2);
  data.StoreStyleRowCol(3, 0, &align, CGXStyle::modeOverride, -1);
  EXPECT_EQ(data.GetStoredStyle(3, 0, -1)->GetHAlign(), 2u);
  EXPECT_STREQ(data.GetStoredStyle(3, 0, -1)->GetValue(), "row");
}

struct RemoveCase {
  const char* name;
  ROWCOL nFrom, nTo;
  ROWCOL nCountAfter;
  std::set<ROWCOL> kept;  // rows that still hold their value afterwards, by their new number
};

TEST(Data, RemovingRowsAtTheEdges) {
  const RemoveCase cases[] = {
      {"past the end", 5, 100, 4, {1, 2, 3, 4}},
      {"the last row", 8, 8, 7, {1, 2, 3, 4, 5, 6, 7}},
      {"the first rows", 1, 2, 6, {1, 2, 3, 4, 5, 6}},
      {"beyond the count", 9, 12, 8, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"all of them", 1, 8, 0, {}},
  };
  for (const RemoveCase& c : cases) {
    CGXData data;
    for (ROWCOL r = 1; r <= 8; ++r) {
      CString s;
      s.Format("%u", (unsigned)r);
      CGXStyle style = ValueStyle(s);
      data.StoreStyleRowCol(r, 1, &style, CGXStyle::modeCopy, 0);
      data.StoreStyleRowCol(r, 0, &style, CGXStyle::modeCopy, -1);
    }
    data.RemoveRows(c.nFrom, c.nTo);
    EXPECT_EQ(data.GetRowCount(), c.nCountAfter) << c.name;
    for (ROWCOL r = 1; r <= 8; ++r) {
      bool bHas = data.GetStoredStyle(r, 1, 0) != nullptr;
      EXPECT_EQ(bHas, c.kept.count(r) == 1) << c.name << " row " << r;
    }
  }
}

TEST(Data, RemovingColumnsPastTheEnd) {
  CGXData data;
  CGXStyle s = ValueStyle("x");
  data.StoreStyleRowCol(2, 8, &s, CGXStyle::modeCopy, 0);
  data.StoreStyleRowCol(2, 4, &s, CGXStyle::modeCopy, 0);
  data.RemoveCols(5, 100);
  EXPECT_EQ(data.GetColCount(), 4u);
  EXPECT_NE(data.GetStoredStyle(2, 4, 0), nullptr);
  EXPECT_EQ(data.GetStoredStyle(2, 8, 0), nullptr);
}

TEST(Data, SetRowCountAndInsertAndMove) {
  CGXData data;
  data.SetRowCount(8);
  data.SetColCount(3);
  CGXStyle a = ValueStyle("a"), b = ValueStyle("b");
  data.StoreStyleRowCol(2, 1, &a, CGXStyle::modeCopy, 0);
  data.StoreStyleRowCol(5, 1, &b, CGXStyle::modeCopy, 0);
  data.InsertRows(3, 2);
  EXPECT_EQ(data.GetRowCount(), 10u);
  EXPECT_STREQ(ValueAt(data, 7, 1), "b");
  data.InsertCols(1, 1);
  EXPECT_STREQ(ValueAt(data, 7, 2), "b");
  data.MoveRows(7, 7, 1);
  EXPECT_STREQ(ValueAt(data, 1, 2), "b");
  EXPECT_STREQ(ValueAt(data, 3, 2), "a");
  data.SetRowCount(0);
  EXPECT_EQ(data.GetRowCount(), 0u);
  EXPECT_EQ(data.GetStoredStyle(1, 2, 0), nullptr);
}

TEST(Data, AssignmentIsDeep) {
  CGXData data;
  CGXStyle s = ValueStyle("x");
  data.StoreStyleRowCol(2, 2, &s, CGXStyle::modeCopy, 0);
  CGXData copy;
  copy = data;
  data.StoreStyleRowCol(2, 2, nullptr, CGXStyle::modeCopy, 0);
  EXPECT_STREQ(ValueAt(copy, 2, 2), "x");
  EXPECT_EQ(copy.GetRowCount(), 2u);
}

std::set<DWORD> Keys(const CGXMapDWordToLong& map) {
  std::set<DWORD> keys;
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    DWORD k;
    LONG v;
    map.GetNextAssoc(pos, k, v);
    keys.insert(k);
  }
  return keys;
}

TEST(Collections, KeysFollowRows) {
  CGXMapDWordToLong map;
  for (DWORD k : {2, 4, 7})
    map[k] = (LONG)k * 10;
  CGXMapDWordToLong removed;
  removed = map;
  removed.RemoveKeys(3, 5);
  EXPECT_EQ(Keys(removed), (std::set<DWORD>{2, 4}));
  LONG v = 0;
  EXPECT_TRUE(removed.Lookup(4, v));
  EXPECT_EQ(v, 70);
  map.InsertKeys(4, 2);
  EXPECT_EQ(Keys(map), (std::set<DWORD>{2, 6, 9}));

  CGXMapDWordToLong moved;
  for (DWORD k = 2; k <= 7; ++k)
    moved[k] = (LONG)k;
  moved.MoveKeys(2, 3, 6);
  std::map<DWORD, LONG> expected = {{6, 2}, {7, 3}, {2, 4}, {3, 5}, {4, 6}, {5, 7}};
  for (auto& e : expected) {
    EXPECT_TRUE(moved.Lookup(e.first, v));
    EXPECT_EQ(v, e.second) << e.first;
  }
  moved.MoveKeys(5, 6, 5);
  EXPECT_TRUE(moved.Lookup(5, v));
  EXPECT_EQ(v, 7);
}

TEST(Collections, MapStoredForm) {
  CGXCollMapDWordToLong map;
  map[0x10] = -1;
  Bytes bytes = Store([&](CArchive& ar) { map.Serialize(ar); });
  EXPECT_EQ(bytes, ByteString().Le(1, 2).Le(0x10, 4).Le(0xFFFFFFFF, 4).bytes);
  CGXCollMapDWordToLong empty;
  Load(ByteString().Le(0, 2).bytes, [&](CArchive& ar) { empty.Serialize(ar); });
  EXPECT_EQ(empty.GetCount(), 0);
  CGXCollMapDWordToLong big;
  for (DWORD k = 0; k < 0x10000; ++k)
    big[k] = 1;
  try {
    Store([&](CArchive& ar) { big.Serialize(ar); });
    FAIL() << "65536 entries were stored under a 16-bit count";
  } catch (CArchiveException* e) {
    e->Delete();
  }
}

TEST(Collections, StyleArrayBlocks) {
  CGXStylePtrArray array;
  array.SetSize(3);
  array.SetAt(1, ValueStyle("1").Clone());
  array.MoveRange(10, 2, 20);
  EXPECT_EQ(array.GetSize(), 3);
  array.MoveRange(1, 1, 5);
  EXPECT_EQ(array.GetStyle(1), nullptr);
  ASSERT_NE(array.GetStyle(5), nullptr);
  EXPECT_STREQ(array.GetStyle(5)->GetValue(), "1");
  CGXStylePtrArray copy;
  copy = array;
  array.RemoveRange(5, 100);
  EXPECT_EQ(array.GetStyle(5), nullptr);
  ASSERT_NE(copy.GetStyle(5), nullptr);
}

}  // namespace
