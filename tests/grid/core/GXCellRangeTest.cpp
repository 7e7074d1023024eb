// Cell ranges and range lists: normalising, intersection and union, spans, following row and
// column changes, copying and the stored form.
#include "GXCellRange.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

CGXCellRange Cells(ROWCOL t, ROWCOL l, ROWCOL b, ROWCOL r) { return CGXCellRange().SetCells(t, l, b, r); }
CGXCellRange Rows(ROWCOL f, ROWCOL l) { return CGXCellRange().SetRows(f, l); }
CGXCellRange Cols(ROWCOL f, ROWCOL l) { return CGXCellRange().SetCols(f, l); }
CGXCellRange Table() { return CGXCellRange().SetTable(); }

TEST(CellRange, SettersNormaliseTheirCorners) {
  CGXCellRange r = Cells(5, 7, 2, 3);
  EXPECT_EQ(r, Cells(2, 3, 5, 7));
  EXPECT_TRUE(r.IsValid());
  EXPECT_EQ(Rows(9, 4).top, 4u);
  EXPECT_EQ(Rows(9, 4).left, 0u);
  EXPECT_EQ(Cols(9, 4).right, 9u);
  EXPECT_EQ(Cols(9, 4).bottom, 0u);
}

TEST(CellRange, AFreshRangeHoldsNothing) {
  CGXCellRange r;
  EXPECT_FALSE(r.IsValid());
  EXPECT_FALSE(r.IsCellInRange(0, 0));
  CGXCellRange fromNull(static_cast<const CGXCellRange*>(nullptr));
  EXPECT_EQ(fromNull, r);
}

TEST(CellRange, CellInRangeByKind) {
  CGXCellRange table = Cells(1, 1, 2, 2);
  table.SetTable();
  EXPECT_TRUE(table.IsCellInRange(1000, 1000));
  EXPECT_TRUE(Rows(2, 4).IsCellInRange(3, 99));
  EXPECT_FALSE(Rows(2, 4).IsCellInRange(5, 1));
  EXPECT_TRUE(Cols(2, 4).IsCellInRange(99, 2));
  EXPECT_FALSE(Cells(2, 2, 3, 3).IsCellInRange(2, 4));
}

TEST(CellRange, ExpandToCells) {
  EXPECT_EQ(Rows(2, 3).ExpandToCells(1, 1, 10, 20), Cells(2, 1, 3, 20));
  EXPECT_EQ(Cols(2, 3).ExpandToCells(1, 1, 10, 20), Cells(1, 2, 10, 3));
  EXPECT_EQ(Table().ExpandToCells(1, 1, 10, 20), Cells(1, 1, 10, 20));
  EXPECT_EQ(Cells(4, 4, 5, 5).ExpandToCells(1, 1, 10, 20), Cells(4, 4, 5, 5));
}

struct SetCase {
  const char* name;
  CGXCellRange a, b;
  bool valid;
  CGXCellRange expected;
};

TEST(CellRange, Intersection) {
  const SetCase cases[] = {
      {"rows with columns", Rows(2, 4), Cols(3, 6), true, Cells(2, 3, 4, 6)},
      {"columns with rows", Cols(3, 6), Rows(2, 4), true, Cells(2, 3, 4, 6)},
      {"table with rows", Table(), Rows(2, 4), true, Rows(2, 4)},
      {"rows with table", Rows(2, 4), Table(), true, Rows(2, 4)},
      {"disjoint cells", Cells(1, 1, 2, 2), Cells(3, 3, 4, 4), false, CGXCellRange()},
      {"overlapping cells", Cells(1, 1, 5, 5), Cells(3, 2, 8, 4), true, Cells(3, 2, 5, 4)},
      {"columns with cells", Cols(2, 4), Cells(1, 3, 9, 9), true, Cells(1, 3, 9, 4)},
      {"rows with rows", Rows(1, 5), Rows(4, 9), true, Rows(4, 5)},
      {"disjoint rows", Rows(1, 2), Rows(4, 9), false, CGXCellRange()},
  };
  for (const SetCase& c : cases) {
    CGXCellRange r;
    EXPECT_EQ(r.IntersectRanges(c.a, c.b) != 0, c.valid) << c.name;
    if (c.valid) {
      EXPECT_EQ(r, c.expected) << c.name;
    }
  }
}

TEST(CellRange, Union) {
  const SetCase cases[] = {
      {"rows and columns", Rows(2, 4), Cols(3, 6), true, Table()},
      {"cells and rows", Cells(1, 1, 2, 2), Rows(5, 6), true, Rows(1, 6)},
      {"cells and columns", Cells(1, 1, 2, 2), Cols(5, 6), true, Cols(1, 6)},
      {"cells and cells", Cells(1, 4, 2, 5), Cells(6, 1, 7, 2), true, Cells(1, 1, 7, 5)},
  };
  for (const SetCase& c : cases) {
    CGXCellRange r;
    EXPECT_TRUE(r.UnionRanges(c.a, c.b)) << c.name;
    if (c.expected.IsTable()) {
      EXPECT_TRUE(r.IsTable()) << c.name;
    } else {
      EXPECT_EQ(r, c.expected) << c.name;
    }
  }
}

std::vector<CGXCellRange> Contents(const CGXRangeList& list) {
  std::vector<CGXCellRange> v;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    v.push_back(*list.GetRangeAt(pos));
    list.GetNext(pos);
  }
  return v;
}

TEST(RangeList, CopyKeepsTheOrderAndDropsInvalidRanges) {
  CGXRangeList list;
  list.AddRange(Cells(1, 1, 1, 1));
  list.AddRange(CGXCellRange());
  list.AddRange(Cells(2, 2, 2, 2));
  list.AddRange(Cells(3, 3, 3, 3));
  CGXRangeList copy;
  copy.AddRange(Rows(9, 9));
  copy = list;
  std::vector<CGXCellRange> expected = {Cells(1, 1, 1, 1), Cells(2, 2, 2, 2), Cells(3, 3, 3, 3)};
  EXPECT_EQ(Contents(copy), expected);
  copy = copy;
  EXPECT_EQ(Contents(copy), expected);
}

TEST(RangeList, Lookups) {
  CGXRangeList list;
  POSITION first = list.AddRange(Cells(1, 1, 3, 3));
  list.AddRange(Cells(2, 2, 5, 5));
  EXPECT_EQ(list.FindRange(2, 2), first);
  EXPECT_TRUE(list.IsCellInList(2, 2, first));
  EXPECT_FALSE(list.IsCellInList(1, 1, first));
  EXPECT_EQ(list.FindRange(9, 9), nullptr);
  EXPECT_TRUE(list.IsColTouched(4));
  EXPECT_FALSE(list.IsColTouched(6));
  list.AddRange(Rows(8, 8));
  EXPECT_TRUE(list.IsColTouched(600));
  EXPECT_FALSE(list.IsRowTouched(7));
  EXPECT_TRUE(list.IsRowTouched(8));
}

TEST(RangeList, SpansMergeTouchingAndOverlapping) {
  CGXRangeList list;
  list.AddRange(Cells(1, 3, 1, 4));
  list.AddRange(Cells(1, 1, 1, 2));
  list.AddRange(Cells(1, 8, 1, 9));
  list.AddRange(Cells(1, 7, 1, 8));
  CDWordArray firsts, lasts;
  EXPECT_TRUE(list.GetColSpans(20, firsts, lasts, TRUE));
  ASSERT_EQ(firsts.GetSize(), 2);
  EXPECT_EQ(firsts[0], 1u);
  EXPECT_EQ(lasts[0], 4u);
  EXPECT_EQ(firsts[1], 7u);
  EXPECT_EQ(lasts[1], 9u);
  // Without `all` only whole columns and the table count; rows and the table reach the count.
  EXPECT_FALSE(list.GetColSpans(20, firsts, lasts, FALSE));
  list.AddRange(Cols(12, 13));
  EXPECT_TRUE(list.GetColSpans(20, firsts, lasts, FALSE));
  ASSERT_EQ(firsts.GetSize(), 1);
  EXPECT_EQ(firsts[0], 12u);
  list.AddRange(Rows(2, 2));
  EXPECT_TRUE(list.GetColSpans(20, firsts, lasts, TRUE));
  EXPECT_EQ(lasts[firsts.GetSize() - 1], 20u);
}

TEST(RangeList, FollowsInsertedRemovedAndMovedRows) {
  CGXRangeList list;
  list.AddRange(Rows(3, 6));
  list.AddRange(Rows(5, 6));
  list.AddRange(Rows(1, 2));
  list.InsertRows(5, 2);
  EXPECT_EQ(Contents(list), (std::vector<CGXCellRange>{Rows(3, 8), Rows(7, 8), Rows(1, 2)}));

  CGXRangeList removed;
  removed.AddRange(Rows(3, 4));
  removed.AddRange(Rows(2, 8));
  removed.AddRange(Cols(3, 5));
  removed.RemoveRows(3, 5, 20);
  std::vector<CGXCellRange> v = Contents(removed);
  EXPECT_FALSE(v[0].IsValid());
  EXPECT_EQ(v[1], Rows(2, 5));
  EXPECT_EQ(v[2], Cols(3, 5));
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    removed.Serialize(ar);
  }
  EXPECT_EQ(removed.GetCount(), 2);
  EXPECT_EQ(file.GetLength(), 2u + 4u + 2u * 18u);

  CGXRangeList moved;
  moved.AddRange(Rows(2, 3));
  moved.AddRange(Rows(5, 5));
  moved.AddRange(Rows(9, 9));
  moved.MoveRows(2, 3, 6, 100);  // rows 2..3 move to begin at row 6; rows 4..7 move up by two
  EXPECT_EQ(Contents(moved), (std::vector<CGXCellRange>{Rows(6, 7), Rows(3, 3), Rows(9, 9)}));
  // And back, with six rows left: the range of row 9 now lies beyond them and holds nothing
  // (its bottom is limited to the count, its top is not).
  moved.MoveRows(6, 7, 2, 6);
  v = Contents(moved);
  EXPECT_EQ(v[0], Rows(2, 3));
  EXPECT_EQ(v[1], Rows(5, 5));
  EXPECT_FALSE(v[2].IsValid());
}

TEST(RangeList, StoredForm) {
  CGXRangeList list;
  list.AddRange(Cells(1, 2, 3, 4));
  list.AddRange(Rows(7, 8));
  Bytes bytes = Store([&](CArchive& ar) { list.Serialize(ar); });
  Bytes expected = ByteString()
                       .Le(1, 2).Le(2, 4)
                       .Le(1, 4).Le(2, 4).Le(3, 4).Le(4, 4).B({0, 1})
                       .Le(7, 4).Le(0, 4).Le(8, 4).Le(0, 4).B({1, 1})
                       .bytes;
  EXPECT_EQ(bytes, expected);
  CGXRangeList loaded;
  EXPECT_EQ(Load(bytes, [&](CArchive& ar) { loaded.Serialize(ar); }), 0u);
  EXPECT_EQ(Contents(loaded), Contents(list));
}

TEST(RangeList, RefusesAnotherSchemaAndTruncation) {
  Bytes schema2 = ByteString().Le(2, 2).Le(0, 4).bytes;
  CGXRangeList list;
  try {
    Load(schema2, [&](CArchive& ar) { list.Serialize(ar); });
    FAIL() << "schema 2 was read";
  } catch (CArchiveException* e) {
    EXPECT_EQ(e->m_cause, CArchiveException::badSchema);
    e->Delete();
  }
  Bytes truncated = ByteString().Le(1, 2).Le(3, 4).Le(1, 4).Le(2, 4).bytes;
  try {
    Load(truncated, [&](CArchive& ar) { list.Serialize(ar); });
    FAIL() << "a truncated list was read";
  } catch (CArchiveException* e) {
    EXPECT_EQ(e->m_cause, CArchiveException::endOfFile);
    e->Delete();
  }
}

}  // namespace
