// The stores of merged and floating cells: queuing delayed areas and marking their rows done,
// spans kept in both directions through row and column changes, and their stored forms.
#include "GXGridParam.h"
#include "GXSpanCellPool.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string RangeText(const CGXCellRange& r) {
  return std::to_string(r.top) + "," + std::to_string(r.left) + ".." + std::to_string(r.bottom) + "," +
         std::to_string(r.right);
}

std::string Span(const CGXSpanCellPool& pool, ROWCOL r, ROWCOL c) {
  CGXCellRange range;
  return pool.GetSpan(r, c, range) ? RangeText(range) : "-";
}

}  // namespace

TEST(DelayedRangePoolTest, QueuesAbsorbsAndReusesAreas) {
  CGXDelayedRangePool pool;
  pool.AddRange(CGXCellRange(1, 1, 5, 3));
  pool.AddRange(CGXCellRange(1, 1, 5, 3));
  ASSERT_EQ(pool.GetCount(), 1);  // the same area twice: one entry
  // Directly right of a pending entry without done rows: the entry widens.
  pool.AddRange(CGXCellRange(1, 4, 5, 6));
  ASSERT_EQ(pool.GetCount(), 1);
  EXPECT_EQ(RangeText(pool.GetAt(0)->m_range), "1,1..5,6");
  // A separate area goes in front.
  pool.AddRange(CGXCellRange(20, 1, 22, 2));
  ASSERT_EQ(pool.GetCount(), 2);
  EXPECT_EQ(RangeText(pool.GetAt(0)->m_range), "20,1..22,2");
  // An area that holds a pending entry clears it and takes its place.
  pool.AddRange(CGXCellRange(19, 1, 30, 9));
  ASSERT_EQ(pool.GetCount(), 2);
  EXPECT_EQ(RangeText(pool.GetAt(0)->m_range), "19,1..30,9");
  EXPECT_FALSE(pool.GetAt(0)->m_bDone);
}

TEST(DelayedRangePoolTest, MarkingRowsInPartsMakesAnEntryDone) {
  CGXDelayedRange e;
  e.m_range = CGXCellRange(3, 1, 10, 4);
  static const struct {
    ROWCOL first, last;
    BOOL changed;
    const char* spans;  // start-end pairs
    BOOL done;
  } kSteps[] = {
      {8, 9, TRUE, "8-9 ", FALSE},  {3, 4, TRUE, "3-4 8-9 ", FALSE}, {3, 3, FALSE, "3-4 8-9 ", FALSE},
      {5, 5, TRUE, "3-5 8-9 ", FALSE}, {7, 7, TRUE, "3-5 7-9 ", FALSE}, {6, 6, TRUE, "3-9 ", FALSE},
      {10, 12, TRUE, "3-12 ", TRUE},
  };
  for (const auto& s : kSteps) {
    EXPECT_EQ(e.MarkRowsDone(s.first, s.last), s.changed) << s.first;
    std::string spans;
    for (int i = 0; i < e.m_rowStarts.GetSize(); ++i)
      spans += std::to_string(e.m_rowStarts[i]) + "-" + std::to_string(e.m_rowEnds[i]) + " ";
    EXPECT_EQ(spans, s.spans) << s.first;
    EXPECT_EQ(e.m_bDone, s.done) << s.first;
  }
}

TEST(DelayedRangePoolTest, CollectingSplitsAtTheAreaAndRemovesDoneEntries) {
  CGXDelayedRangePool pool;
  pool.AddRange(CGXCellRange(1, 1, 4, 10));
  CDWordArray first, last;
  ASSERT_TRUE(pool.CollectPending(CGXCellRange(2, 3, 3, 5), first, last));
  ASSERT_EQ(first.GetSize(), 2);
  EXPECT_EQ(first[0], 3u);
  EXPECT_EQ(last[0], 5u);
  // The entry was cut at the area's columns: left part, right part and the middle (rows 2-3 done).
  ASSERT_EQ(pool.GetCount(), 3);
  EXPECT_EQ(RangeText(pool.GetAt(0)->m_range), "1,3..4,5");
  EXPECT_EQ(RangeText(pool.GetAt(1)->m_range), "1,1..4,2");
  EXPECT_EQ(RangeText(pool.GetAt(2)->m_range), "1,6..4,10");
  // Nothing left to do there now.
  EXPECT_FALSE(pool.CollectPending(CGXCellRange(2, 3, 3, 5), first, last));
  EXPECT_EQ(first[0], 0xFFFFFFFFu);
  ASSERT_TRUE(pool.CollectPending(CGXCellRange(1, 3, 4, 5), first, last));
  EXPECT_EQ(pool.GetCount(), 2);  // the middle entry is done and gone
}

TEST(DelayedRangePoolTest, StoredFormRoundTripAndDamage) {
  CGXDelayedRangePool pool;
  pool.AddRange(CGXCellRange(1, 1, 4, 2));
  pool.GetAt(0)->MarkRowsDone(2, 3);
  Bytes bytes = Store([&](CArchive& ar) { ar.WriteObject(&pool); });
  std::unique_ptr<CObject> p(ReadObjectFromBytes(bytes.data(), (UINT)bytes.size(), RUNTIME_CLASS(CGXDelayedRangePool)));
  ASSERT_NE(p, nullptr);
  auto* loaded = static_cast<CGXDelayedRangePool*>(p.get());
  ASSERT_EQ(loaded->GetCount(), 1);
  EXPECT_EQ(RangeText(loaded->GetAt(0)->m_range), "1,1..4,2");
  ASSERT_EQ(loaded->GetAt(0)->m_rowStarts.GetSize(), 1);
  EXPECT_EQ(loaded->GetAt(0)->m_rowEnds[0], 3u);
  // Every cut fails cleanly.
  for (size_t n = 0; n < bytes.size(); ++n)
    EXPECT_EQ(ReadObjectFromBytes(bytes.data(), (UINT)n, RUNTIME_CLASS(CGXDelayedRangePool)), nullptr) << n;
}

TEST(SpanCellPoolTest, SpansInBothDirections) {
  CGXSpanCellPool pool;
  ASSERT_TRUE(pool.SetSpan(2, 3, 4, 5, TRUE));
  static const struct {
    ROWCOL r, c;
    const char* span;
  } kCells[] = {{2, 3, "2,3..4,5"}, {3, 4, "2,3..4,5"}, {4, 5, "2,3..4,5"}, {1, 3, "-"}, {2, 6, "-"}, {5, 3, "-"}};
  for (const auto& k : kCells)
    EXPECT_EQ(Span(pool, k.r, k.c), k.span) << k.r << "," << k.c;
  EXPECT_FALSE(pool.SetSpan(2, 3, 4, 5, TRUE));  // nothing new
  ASSERT_TRUE(pool.SetSpan(2, 3, 4, 5, FALSE));
  EXPECT_EQ(Span(pool, 2, 3), "-");
  EXPECT_EQ(Span(pool, 4, 5), "-");
  // A one-column span lives only in the column direction.
  ASSERT_TRUE(pool.SetSpan(7, 2, 9, 2, TRUE));
  EXPECT_EQ(Span(pool, 7, 2), "7,2..9,2");
  EXPECT_EQ(pool.m_rowStore.GetArray(7), nullptr);
  EXPECT_FALSE(pool.SetSpan(1, 1, 0x80000000u, 2, TRUE));
  CGXCellRange r;
  EXPECT_FALSE(pool.GetSpan(0x80000000u, 1, r));
}

TEST(SpanCellPoolTest, RowAndColumnChangesMoveSpans) {
  CGXSpanCellPool pool;
  ASSERT_TRUE(pool.SetSpan(3, 2, 4, 3, TRUE));
  const int nRowStoreSize = pool.m_rowStore.GetSize();
  ASSERT_TRUE(pool.InsertRows(10, 2));  // beyond the row store: nothing there changes
  EXPECT_EQ(pool.m_rowStore.GetSize(), nRowStoreSize);
  ASSERT_TRUE(pool.InsertRows(1, 2));
  EXPECT_EQ(Span(pool, 5, 2), "5,2..6,3");
  EXPECT_EQ(Span(pool, 3, 2), "-");
  ASSERT_TRUE(pool.InsertCols(1, 1));
  EXPECT_EQ(Span(pool, 5, 3), "5,3..6,4");
  ASSERT_TRUE(pool.RemoveRows(1, 2));
  EXPECT_EQ(Span(pool, 3, 3), "3,3..4,4");
  ASSERT_TRUE(pool.RemoveCols(1, 1));
  EXPECT_EQ(Span(pool, 3, 2), "3,2..4,3");
  EXPECT_FALSE(pool.InsertRows(0x7FFFFFFF, 1));
}

TEST(SpanCellPoolTest, StoredFormSkipsEmptyEntries) {
  CGXSpanCellPool pool;
  ASSERT_TRUE(pool.SetSpan(2, 1, 2, 2, TRUE));  // one row, two columns: row direction only
  Bytes bytes = Store([&](CArchive& ar) { pool.Serialize(ar); });
  ByteString expected;
  expected.Le(1, 2).Le(3, 4);                                   // row store: 3 entries
  expected.Le(2, 4).Le(3, 2).Le(0xFFFFFFFF, 4).Le(1, 4).Le(1, 4);  // row 2: -1, 1, 1
  expected.Le(0xFFFFFFFF, 4);
  expected.Le(1, 2).Le(0, 4).Le(0xFFFFFFFF, 4);  // column store: empty
  EXPECT_EQ(bytes, expected.bytes);
  CGXSpanCellPool loaded;
  Load(bytes, [&](CArchive& ar) { loaded.Serialize(ar); });
  EXPECT_EQ(Span(loaded, 2, 1), "2,1..2,2");
  EXPECT_EQ(loaded.m_rowStore.GetSize(), 3);
  EXPECT_EQ(loaded.m_rowStore.GetArray(0), nullptr);

  static const struct {
    size_t offset;
    std::vector<uint8_t> bytes;
    int cause;
  } kDamage[] = {
      {0, {2, 0}, CArchiveException::badSchema},                    // version
      {2, {0, 0, 0, 2}, CArchiveException::generic},                // 33 million entries
      {6, {3, 0, 0, 0}, CArchiveException::generic},                // index past the count
  };
  for (const auto& d : kDamage) {
    Bytes bad = bytes;
    std::copy(d.bytes.begin(), d.bytes.end(), bad.begin() + (long)d.offset);
    CGXSpanCellPool target;
    try {
      Load(bad, [&](CArchive& ar) { target.Serialize(ar); });
      ADD_FAILURE() << d.offset;
    } catch (CArchiveException* e) {
      EXPECT_EQ(e->m_cause, d.cause) << d.offset;
      e->Delete();
    }
  }
}

TEST(SpanCellPoolTest, ParameterObjectKeepsItsSpanStores) {
  CGXGridParam param;
  auto* pSpans = new CGXSpanCellPool;
  pSpans->SetSpan(2, 2, 3, 3, TRUE);
  param.m_pSpan[CGXGridParam::spanMergeRows] = pSpans;
  auto* pDelayed = new CGXDelayedRangePool;
  pDelayed->AddRange(CGXCellRange(1, 1, 2, 2));
  param.m_pSpan[CGXGridParam::spanFloatDelayed] = pDelayed;
  Bytes bytes = Store([&](CArchive& ar) { ar.WriteObject(&param); });
  std::unique_ptr<CObject> p(ReadObjectFromBytes(bytes.data(), (UINT)bytes.size(), RUNTIME_CLASS(CGXGridParam)));
  ASSERT_NE(p, nullptr);
  auto* loaded = static_cast<CGXGridParam*>(p.get());
  ASSERT_NE(loaded->m_pSpan[CGXGridParam::spanMergeRows], nullptr);
  EXPECT_EQ(Span(*static_cast<CGXSpanCellPool*>(loaded->m_pSpan[CGXGridParam::spanMergeRows]), 2, 2), "2,2..3,3");
  ASSERT_NE(loaded->m_pSpan[CGXGridParam::spanFloatDelayed], nullptr);
  EXPECT_EQ(static_cast<CGXDelayedRangePool*>(loaded->m_pSpan[CGXGridParam::spanFloatDelayed])->GetCount(), 1);
  EXPECT_EQ(loaded->m_pSpan[CGXGridParam::spanFloat], nullptr);
}

TEST(SpanCellPoolTest, StartUpInstallsThePoolFeaturesOnce) {
  GX_GRID_STATE* pState = GXGetAppState();
  ASSERT_NE(pState->m_pSpanCellPoolImp, nullptr);
  ASSERT_NE(pState->m_pDelayedRangePoolImp, nullptr);
  CGXAbstractFeature* pBefore = pState->m_pSpanCellPoolImp;
  InstallSpanCellPoolImp();
  EXPECT_EQ(pState->m_pSpanCellPoolImp, pBefore);
  auto* pImp = static_cast<CGXAbstractSpanCellPoolImp*>(pState->m_pSpanCellPoolImp);
  CGXSpanCellPool source;
  source.SetSpan(1, 1, 2, 2, TRUE);
  std::unique_ptr<CGXSpanCellPool> copy(pImp->CreateCopy(&source));
  EXPECT_EQ(Span(*copy, 2, 2), "1,1..2,2");
  pImp->InsertRows(copy.get(), 1, 1);
  EXPECT_EQ(Span(*copy, 3, 2), "2,1..3,2");
  pImp->InsertRows(nullptr, 1, 1);  // no pool: nothing
  EXPECT_EQ(Span(source, 2, 2), "1,1..2,2");
}
