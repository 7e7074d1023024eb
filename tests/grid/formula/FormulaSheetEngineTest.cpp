// The formula sheet's work on its engine sheet: typed formulas and their messages, expressions,
// copies of a sheet, sorting, and undo records of engine cells.
#include "EngineTestSupport.h"

#include "ArchiveTestSupport.h"
#include "EngineArchive.h"
#include "EngineMove.h"
#include "FormulaSheetEngine.h"

#include "Exception.h"

#include <cstdlib>
#include <string>

using FormulaSheetEngine = EngineSheetTest;

TEST_F(FormulaSheetEngine, TypedFormulaOrItsMessage) {
  EXPECT_TRUE(EngineSetFormula(m_sheet, 1, 0, "=2*3"));
  EXPECT_EQ(Show("A1"), "6");
  ASSERT_TRUE(EngineSetFormula(m_sheet, 2, 0, "=A1+1"));
  EXPECT_TRUE(Cell("A2")->Is(ENGINE_FLAG_CURRENT)) << "a formula with references is evaluated at once";
  EXPECT_FALSE(EngineSetFormula(m_sheet, 3, 1, "not a formula"));
  EXPECT_EQ(Cell("B3"), nullptr);
  EXPECT_EQ(m_s->messagePending, 1);
  EXPECT_FALSE(EngineSetFormula(m_sheet, 3, 1, "=1+"));
  EXPECT_EQ(m_s->messagePending, 0);
  EXPECT_STREQ(m_s->message, "Cell B3: ERROR: expected to find an operand here (Pos 3)");
  EXPECT_EQ(Cell("B3"), nullptr) << "the text is not stored";
}

TEST_F(FormulaSheetEngine, ComputedExpressions) {
  Put("A1", "4");
  static const struct {
    const char* text;
    bool ok;
    const char* shown;
  } kCases[] = {{"=1+2", true, "3"}, {"=A1*A1", true, "16"}, {"=0.1+0.2", true, "0.3"}, {"=NA()", true, "#N/A"},
                {"=\"a\"&\"b\"", true, "ab"}, {"=1/0", false, "Error!"}, {"=A1..B2", false, "Error!"},
                {"=1+", false, ""}};
  for (const auto& c : kCases) {
    CString out;
    EXPECT_EQ(ComputeEngineExpression(m_sheet, c.text, &out), c.ok) << c.text;
    EXPECT_EQ(std::string(out), c.shown) << c.text;
  }
}

TEST_F(FormulaSheetEngine, CopyOfASheetOwnsItsNames) {
  SetEngineIterationLimit(m_s, 7);
  ASSERT_TRUE(DefineEngineName(m_sheet, "Base", Ref("A1")));
  Put("A1", "5");
  ASSERT_TRUE(Put("B1", "=Base*2"));
  ASSERT_TRUE(StoreNotAvailableCell(m_sheet, 2, 0));
  int copy = CreateEngineSheet();
  CopyEngineSheet(copy, m_sheet);
  DestroyEngineSheet(m_sheet);
  m_sheet = CreateEngineSheet();  // the fixture frees this one
  m_s = GetEngineSheet(m_sheet);
  EngineSheet* c = GetEngineSheet(copy);
  EXPECT_EQ(c->iterationLimit, 7);
  EXPECT_EQ(std::string(EngineCellEditText(copy, FindEngineCell(c, 1, 1))), "=Base*2");
  EXPECT_EQ(std::string(EngineCellDisplayText(copy, FindEngineCell(c, 1, 1))), "10");
  EXPECT_EQ(std::string(EngineCellDisplayText(copy, FindEngineCell(c, 2, 0))), "#N/A");
  StoreNumberCell(copy, 3, 0, 8);
  ASSERT_TRUE(DefineEngineName(copy, "Base", MakeEngineCellRef(3, 0, 0)));
  RecalculateSheet(copy, true);
  EXPECT_EQ(std::string(EngineCellDisplayText(copy, FindEngineCell(c, 1, 1))), "16");
  DestroyEngineSheet(copy);
}

TEST_F(FormulaSheetEngine, SortingMovesCellsAndSingleRowReferences) {
  Put("A1", "3");
  Put("A2", "1");
  Put("A3", "2");
  Put("B1", "c");
  Put("B2", "a");
  Put("B3", "b");
  ASSERT_TRUE(Put("D5", "=A3*10"));
  ASSERT_TRUE(Put("D6", "=SUM(A1..A3)"));
  SetEngineRecalcAll(m_s, 1);
  // New row 1 is old row 2, new row 2 old row 3, new row 3 old row 1.
  ASSERT_TRUE(SortEngineCells(m_sheet, Ref("A1..B3"), true, false, {1, 2, 0}));
  RecalculateSheet(m_sheet);
  EXPECT_EQ(Show("A1"), "1");
  EXPECT_EQ(Show("A3"), "3");
  EXPECT_EQ(Show("B1"), "a");
  EXPECT_EQ(Show("B3"), "c");
  EXPECT_EQ(Edit("D5"), "=A2*10");
  EXPECT_EQ(Show("D5"), "20");
  EXPECT_EQ(Edit("D6"), "=SUM(A1..A3)");
  static const std::vector<int> kBad[] = {{0, 1}, {0, 1, 1}, {0, 1, 3}, {-1, 0, 1}};
  for (const auto& order : kBad)
    EXPECT_FALSE(SortEngineCells(m_sheet, Ref("A1..B3"), true, false, order));
  // Columns sort alike.
  ASSERT_TRUE(SortEngineCells(m_sheet, Ref("A1..B3"), false, false, {1, 0}));
  EXPECT_EQ(Show("A1"), "a");
  EXPECT_EQ(Show("B1"), "1");
}

// Removing a row with undo collection on, then the grid's undo: the row comes back and the
// engine restores the removed cells, which the formulas see again.
TEST_F(FormulaSheetEngine, UndoRestoresRemovedCells) {
  Put("A1", "1");
  Put("A2", "20");
  Put("A3", "300");
  ASSERT_TRUE(Put("B5", "=SUM(A1..A3)"));
  SetEngineRecalcAll(m_s, 1);
  m_s->undoMode = 1;
  RemoveEngineRows(m_sheet, 2, 1);
  CGXUndoEngineCellsInfo* pending = nullptr;
  CollectEngineUndoInfo(m_sheet, pending, 1, true, false);
  ASSERT_NE(pending, nullptr);
  EXPECT_EQ(pending->m_undoCells.size(), 1u);
  EXPECT_TRUE(m_s->saved.empty());
  EXPECT_EQ(Show("B4"), "301");
  // The grid's undo inserts the row again, then hands the record back.
  InsertEngineRows(m_sheet, 2, 1);
  EXPECT_TRUE(ApplyEngineUndoInfo(m_sheet, pending, 0, false));
  RecalculateSheet(m_sheet);
  EXPECT_EQ(Show("A2"), "20");
  EXPECT_EQ(Edit("B5"), "=SUM(A1..A3)");
  EXPECT_EQ(Show("B5"), "321");
  EXPECT_TRUE(pending->m_undoCells.empty());
  delete pending;
  // Only an engine undo record is replayed.
  CMemoryException notARecord;
  EXPECT_FALSE(ApplyEngineUndoInfo(m_sheet, &notARecord, 0, false));
  EXPECT_FALSE(ApplyEngineUndoInfo(m_sheet, nullptr, 0, false));
}

TEST_F(FormulaSheetEngine, ReplayWithUndoOnKeepsWhatItReplaces) {
  Put("A1", "1");
  m_s->undoMode = 1;
  CopyEngineCells(m_sheet, Ref("A1"), 1, 1, 1);  // B1 = 1
  Put("B1", "2");
  CGXUndoEngineCellsInfo record;
  EngineCell* saved = CopyEngineCell(Cell("A1"), &m_s->pools[0]);
  saved->col = 1;  // a saved B1 holding 1
  record.m_undoCells.push_back(saved);
  EXPECT_TRUE(ApplyEngineUndoInfo(m_sheet, &record, 1, false));
  EXPECT_EQ(Show("B1"), "1");
  ASSERT_EQ(record.m_undoCells.size(), 1u);  // the replaced B1 (2), for the redo
  EXPECT_EQ(record.m_undoCells[0]->value.number, 2);
}

// Deleting a name turns the formulas naming it into plain references; undoing the deletion
// brings back the name and the formulas as they were written.
TEST_F(FormulaSheetEngine, DeletedNameComesBackWithItsFormulas) {
  Put("A1", "2");
  Put("A2", "3");
  CGXUndoEngineCellsInfo* record = nullptr;
  ASSERT_TRUE(EngineSetRangeName(m_sheet, "Pair", Ref("A1..A2"), record));
  ASSERT_TRUE(Put("B1", "=SUM(Pair)"));
  EXPECT_FALSE(EngineDeleteRangeName(m_sheet, "Nothing", record, true));
  EXPECT_EQ(record, nullptr);
  ASSERT_TRUE(EngineDeleteRangeName(m_sheet, "pair", record, true));
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(FindEngineName(m_sheet, "Pair"), nullptr);
  EXPECT_EQ(Edit("B1"), "=SUM(A1..A2)");
  EXPECT_EQ(Show("B1"), "5");
  EXPECT_TRUE(EngineSetRangeName(m_sheet, nullptr, EngineCellRef{}, record));
  EXPECT_NE(FindEngineName(m_sheet, "Pair"), nullptr);
  EXPECT_EQ(Edit("B1"), "=SUM(Pair)");
  EXPECT_EQ(Show("B1"), "5");
  delete record;
  // Without collecting, nothing is kept.
  CGXUndoEngineCellsInfo* none = nullptr;
  ASSERT_TRUE(EngineDeleteRangeName(m_sheet, "Pair", none, false));
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(Edit("B1"), "=SUM(A1..A2)");
}

// A saved formula whose name is gone by the time it is put back (deleted without keeping it)
// comes back with the lost reference, never with a name entry that no longer exists.
TEST_F(FormulaSheetEngine, RestoredFormulaWhoseNameIsGoneLosesTheReference) {
  Put("A1", "2");
  ASSERT_TRUE(DefineEngineName(m_sheet, "Two", Ref("A1")));
  ASSERT_TRUE(Put("B2", "=Two*5"));
  ASSERT_TRUE(Put("C2", "=A1*5"));
  m_s->undoMode = 1;
  RemoveEngineRows(m_sheet, 2, 1);
  CGXUndoEngineCellsInfo* pending = nullptr;
  CollectEngineUndoInfo(m_sheet, pending, 1, false, false);
  ASSERT_NE(pending, nullptr);
  m_s->undoMode = 0;
  CGXUndoEngineCellsInfo* none = nullptr;
  ASSERT_TRUE(EngineDeleteRangeName(m_sheet, "Two", none, false));
  InsertEngineRows(m_sheet, 2, 1);
  EXPECT_TRUE(ApplyEngineUndoInfo(m_sheet, pending, 0, false));
  delete pending;
  RecalculateSheet(m_sheet);
  EXPECT_EQ(Edit("B2"), "=??*5");
  EXPECT_EQ(ErrorOf("B2"), 89);
  EXPECT_EQ(Edit("C2"), "=A1*5");
  EXPECT_EQ(Show("C2"), "10");
}

namespace {
int g_allocsLeft = 0;
void* FailingAlloc(size_t n) {
  if (g_allocsLeft-- <= 0)
    return nullptr;
  return std::malloc(n);
}
}  // namespace

// The heap refusing at any point of the bulk operations ends them with the framework's memory
// exception (never another exception, a crash or a damaged store), and the sheet goes on working.
TEST_F(FormulaSheetEngine, RefusedAllocationsInBulkOperationsRaiseMemoryException) {
  // Each budget lets one more allocation through, until the whole sequence runs.
  for (int budget = 0;; budget++) {
    ASSERT_LT(budget, 1000);
    TearDown();
    SetUp();
    Put("A1", "1");
    Put("A2", "a text longer than eight bytes");
    ASSERT_TRUE(DefineEngineName(m_sheet, "Top", Ref("A1")));
    ASSERT_TRUE(Put("B1", "=Top+1"));
    ASSERT_TRUE(Put("B2", "=SUM(A1..A3)//sum"));
    ASSERT_TRUE(Put("B3", "=A2&\"!\""));
    m_s->undoMode = 1;
    int copy = CreateEngineSheet();
    CGXUndoEngineCellsInfo* pending = nullptr;
    CGXUndoEngineCellsInfo* nameRecord = nullptr;
    g_allocsLeft = budget;
    EngineSetAllocator(FailingAlloc);
    bool thrown = false;
    try {
      CopyEngineCells(m_sheet, Ref("A1..B3"), 5, 0);
      RemoveEngineRows(m_sheet, 2, 1);
      CollectEngineUndoInfo(m_sheet, pending, 1, true, false);
      CopyEngineSheet(copy, m_sheet);
      Bytes stored = Store([&](CArchive& ar) { SerializeEngineSheet(ar, m_sheet); });
      Load(stored, [&](CArchive& ar) { SerializeEngineSheet(ar, copy); });
      EngineDeleteRangeName(m_sheet, "Top", nameRecord, true);
      SortEngineCells(m_sheet, Ref("A1..B6"), true, true, {5, 4, 3, 2, 1, 0});
      StoreTextCell(m_sheet, 9, 9, "another text longer than eight bytes");
      InsertEngineCols(m_sheet, 0, 1);
    } catch (CMemoryException* e) {
      thrown = true;
      e->Delete();
    }
    EngineSetAllocator(nullptr);
    if (budget == 0) {
      EXPECT_TRUE(thrown);
    }
    if (pending != nullptr) {
      EXPECT_TRUE(ApplyEngineUndoInfo(m_sheet, pending, 0, false)) << budget;
    }
    delete pending;
    delete nameRecord;
    DestroyEngineSheet(copy);
    RecalculateSheet(m_sheet, true);
    ASSERT_TRUE(Put("Z1", "=1+2")) << budget;
    EXPECT_EQ(Show("Z1"), "3") << budget;
    if (!thrown)
      break;
  }
}
