// Undo and redo through the command factory on the engine without a window: every kind of command
// undoes and redoes its operation exactly (cells, styles, sizes, hidden and frozen rows and columns,
// covered cells, selection and the current cell), transactions nest, roll back and vanish when empty,
// a failing undo or removal leaves nothing half-done, a command that cannot be filed takes its change
// back, and the Edit menu's texts.
#include "GXCommandFactory.h"
#include "GXEditStandIn.h"
#include "GXGridCore.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

namespace {

std::string StyleText(const CGXStyle& s) {
  std::ostringstream o;
  o << std::hex << s.GetIncludeBits() << ':' << (LPCTSTR)s.GetValue();
  if (s.GetInclude(CGXStyle::gxInterior))
    o << ":i" << s.GetInterior().GetColor();
  return o.str();
}

// Everything an undo step must put back, as text, so that a difference shows where it lies.
std::string Snapshot(CGXGridCore& grid, bool bCurrentCell = true) {
  CGXGridParam* p = grid.GetParam();
  std::ostringstream o;
  const ROWCOL nRows = grid.GetRowCount(), nCols = grid.GetColCount();
  o << "size " << nRows << 'x' << nCols << " frozen " << grid.GetFrozenRows() << '/' << grid.GetHeaderRows()
    << ' ' << grid.GetFrozenCols() << '/' << grid.GetHeaderCols() << " default " << grid.GetDefaultRowHeight()
    << ',' << grid.GetDefaultColWidth() << '\n';
  for (ROWCOL r = 0; r <= nRows + 2; ++r) {
    LONG n = -1;
    o << "row " << r << ' ' << (p->m_rowHeights.Lookup(r, n) ? n : -1) << ' ' << grid.IsRowHidden(r);
    CGXStyle s;
    if (grid.GetStyleRowCol(r, 0, s, CGXStyle::modeCopy, -1))
      o << " style " << StyleText(s);
    o << '\n';
  }
  for (ROWCOL c = 0; c <= nCols + 2; ++c) {
    LONG n = -1;
    o << "col " << c << ' ' << (p->m_colWidths.Lookup(c, n) ? n : -1) << ' ' << grid.IsColHidden(c);
    CGXStyle s;
    if (c != 0 && grid.GetStyleRowCol(0, c, s, CGXStyle::modeCopy, -1))
      o << " style " << StyleText(s);
    o << '\n';
  }
  for (ROWCOL r = 0; r <= nRows; ++r)
    for (ROWCOL c = 0; c <= nCols; ++c) {
      CGXStyle s;
      if (grid.GetStyleRowCol(r, c, s, CGXStyle::modeCopy, 0))
        o << "cell " << r << ',' << c << ' ' << StyleText(s) << '\n';
    }
  for (POSITION pos = p->m_coveredCells.GetHeadPosition(); pos != nullptr;) {
    const CGXCellRange* r = p->m_coveredCells.GetRangeAt(pos);
    p->m_coveredCells.GetNext(pos);
    o << "covered " << r->top << ',' << r->left << ',' << r->bottom << ',' << r->right << '\n';
  }
  for (POSITION pos = p->m_selection.GetHeadPosition(); pos != nullptr;) {
    const CGXCellRange* r = p->m_selection.GetRangeAt(pos);
    p->m_selection.GetNext(pos);
    o << "selected " << r->top << ',' << r->left << ',' << r->bottom << ',' << r->right << '\n';
  }
  ROWCOL r = 0, c = 0;
  if (bCurrentCell && grid.GetActiveCell(r, c))
    o << "current " << r << ',' << c << '\n';
  o << "standard " << StyleText(grid.GetStandardStyle()) << '\n';
  const CGXProperties* pProps = p->GetProperties();
  o << "properties " << pProps->m_b3dHeader << pProps->m_bVerticalLines << pProps->m_bMarkRowHeader << '\n';
  return o.str();
}

// The first line in which two snapshots differ (empty when they are equal).
std::string Difference(const std::string& a, const std::string& b) {
  std::istringstream sa(a), sb(b);
  std::string la, lb;
  while (true) {
    const bool bA = (bool)std::getline(sa, la), bB = (bool)std::getline(sb, lb);
    if (!bA && !bB)
      return "";
    if (!bA || !bB || la != lb)
      return "[" + la + "] vs [" + lb + "]";
  }
}

class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GXInstallControlStandIns();
    grid.InitialSetUp();
    ASSERT_NE(grid.GetUndoFeature(), nullptr);
    CGXGridParam* p = grid.GetParam();
    // The starting layout is not part of the history.
    p->SetUndoEnabled(FALSE);
    ASSERT_TRUE(grid.SetRowCount(10));
    ASSERT_TRUE(grid.SetColCount(5));
    for (ROWCOL r = 1; r <= 10; ++r)
      for (ROWCOL c = 1; c <= 5; ++c) {
        CString s;
        s.Format("%lu.%lu", (unsigned long)r, (unsigned long)c);
        grid.SetValueRange(CGXCellRange(r, c, r, c), s);
      }
    CGXStyle green;
    green.SetInterior(0x00FF00u);
    grid.SetStyleRange(CGXCellRange().SetRows(3, 3), green);
    grid.SetStyleRange(CGXCellRange().SetCols(2, 2), green);
    grid.SetRowHeight(3, 3, 40);
    grid.SetColWidth(3, 3, 120);
    grid.HideRows(9, 9);
    grid.SelectRange(CGXCellRange(10, 5, 10, 5));
    ASSERT_TRUE(grid.ChangeCurrentCell(1, 1));
    p->SetUndoEnabled(TRUE);
    ASSERT_TRUE(p->GetUndoList().IsEmpty());
  }
  CObList& UndoList() { return grid.GetParam()->GetUndoList(); }
  CObList& RedoList() { return grid.GetParam()->GetRedoList(); }
  CGXGridCore grid;
};

struct OperationCase {
  const char* name;
  std::function<BOOL(CGXGridCore&)> run;
};

CGXStyle Red() {
  CGXStyle s;
  s.SetInterior(0x0000FFu);
  return s;
}

const OperationCase kOperations[] = {
    {"row heights", [](CGXGridCore& g) { return g.SetRowHeight(2, 4, 30); }},
    {"column widths", [](CGXGridCore& g) { return g.SetColWidth(1, 3, 77); }},
    {"hide rows", [](CGXGridCore& g) { return g.HideRows(3, 4); }},
    {"show a hidden row", [](CGXGridCore& g) { return g.HideRows(8, 9, FALSE); }},
    {"hide columns", [](CGXGridCore& g) { return g.HideCols(2, 2); }},
    {"default row height", [](CGXGridCore& g) { return g.SetDefaultRowHeight(25); }},
    {"default column width", [](CGXGridCore& g) { return g.SetDefaultColWidth(90); }},
    {"move rows down", [](CGXGridCore& g) { return g.MoveRows(2, 3, 6); }},
    {"move rows up", [](CGXGridCore& g) { return g.MoveRows(6, 8, 2); }},
    {"move columns", [](CGXGridCore& g) { return g.MoveCols(1, 1, 4); }},
    {"insert rows", [](CGXGridCore& g) { return g.InsertRows(3, 2); }},
    {"insert columns", [](CGXGridCore& g) { return g.InsertCols(2, 1); }},
    {"remove rows", [](CGXGridCore& g) { return g.RemoveRows(2, 4); }},
    {"remove columns", [](CGXGridCore& g) { return g.RemoveCols(2, 3); }},
    {"cover cells", [](CGXGridCore& g) { return g.SetCoveredCellsRowCol(2, 2, 3, 3); }},
    {"cell values", [](CGXGridCore& g) { return g.SetValueRange(CGXCellRange(1, 1, 2, 5), "new"); }},
    {"row styles", [](CGXGridCore& g) { return g.SetStyleRange(CGXCellRange().SetRows(3, 5), Red()); }},
    {"column styles", [](CGXGridCore& g) { return g.SetStyleRange(CGXCellRange().SetCols(2, 3), Red()); }},
    {"table style", [](CGXGridCore& g) { return g.SetStyleRange(CGXCellRange().SetTable(), Red()); }},
    {"frozen rows", [](CGXGridCore& g) { return g.SetFrozenRows(2, 1); }},
    {"frozen columns", [](CGXGridCore& g) { return g.SetFrozenCols(1, 0); }},
    {"styles map",
     [](CGXGridCore& g) {
       CGXStylesMap map(*g.GetParam()->GetStylesMap());
       CGXStyle* pStandard = nullptr;
       map.LookupStyle(map.m_nStandardStyleId, pStandard);
       pStandard->SetInterior(0x123456u);
       return g.ChangeStylesMap(map);
     }},
    {"properties",
     [](CGXGridCore& g) {
       CGXProperties props;
       props = *g.GetParam()->GetProperties();
       props.m_b3dHeader = !props.m_b3dHeader;
       props.m_bMarkRowHeader = !props.m_bMarkRowHeader;
       return g.ChangeProperties(props);
     }},
    {"base style",
     [](CGXGridCore& g) { return g.ChangeBaseStyle(g.GetParam()->GetStylesMap()->m_nStandardStyleId, Red()); }},
};

class CommandRoundTrip : public CommandTest, public ::testing::WithParamInterface<OperationCase> {};

// The redo puts the current cell back where the step was undone, so that cell is compared only for the
// undo.
TEST_P(CommandRoundTrip, UndoRedoUndo) {
  const OperationCase& op = GetParam();
  const std::string before = Snapshot(grid);
  const std::string beforeElsewhere = Snapshot(grid, false);
  ASSERT_TRUE(op.run(grid));
  const std::string after = Snapshot(grid, false);
  ASSERT_NE(Difference(before, Snapshot(grid)), "");
  ASSERT_EQ(UndoList().GetCount(), 1);
  EXPECT_TRUE(grid.Undo());
  EXPECT_EQ(Difference(Snapshot(grid), before), "");
  EXPECT_TRUE(UndoList().IsEmpty());
  ASSERT_EQ(RedoList().GetCount(), 1);
  EXPECT_TRUE(grid.Redo());
  EXPECT_EQ(Difference(Snapshot(grid, false), after), "");
  EXPECT_TRUE(RedoList().IsEmpty());
  EXPECT_TRUE(grid.Undo());
  EXPECT_EQ(Difference(Snapshot(grid, false), beforeElsewhere), "");
}

INSTANTIATE_TEST_SUITE_P(EveryKind, CommandRoundTrip, ::testing::ValuesIn(kOperations),
                         [](const ::testing::TestParamInfo<OperationCase>& info) {
                           std::string s = info.param.name;
                           for (char& ch : s)
                             if (ch == ' ')
                               ch = '_';
                           return s;
                         });

TEST_F(CommandTest, InsertingAndRemovingAlternateTheirCommands) {
  ASSERT_TRUE(grid.InsertRows(4, 2));
  EXPECT_NE(dynamic_cast<CGXRemoveRowsCmd*>(UndoList().GetHead()), nullptr);
  ASSERT_TRUE(grid.Undo());
  EXPECT_EQ(grid.GetRowCount(), 10u);
  EXPECT_NE(dynamic_cast<CGXInsertRowsCmd*>(RedoList().GetHead()), nullptr);
  ASSERT_TRUE(grid.Redo());
  EXPECT_EQ(grid.GetRowCount(), 12u);
  EXPECT_NE(dynamic_cast<CGXRemoveRowsCmd*>(UndoList().GetHead()), nullptr);
}

TEST_F(CommandTest, NestedTransactionsAreOneStep) {
  const std::string before = Snapshot(grid);
  grid.BeginTrans("Outer");
  grid.SetValueRange(CGXCellRange(2, 2, 2, 2), "a");
  grid.BeginTrans("Inner");
  grid.SetRowHeight(5, 5, 33);
  grid.CommitTrans();
  EXPECT_EQ(grid.GetParam()->m_nTransNesting, 1);
  grid.RemoveRows(6, 6);
  grid.CommitTrans();
  const std::string after = Snapshot(grid);
  ASSERT_EQ(UndoList().GetCount(), 1);
  CGXBlockCmd* pBlock = dynamic_cast<CGXBlockCmd*>(UndoList().GetHead());
  ASSERT_NE(pBlock, nullptr);
  EXPECT_EQ(pBlock->m_subCommands.GetCount(), 3);
  GXMENUITEMSTATE item;
  item.bMenu = TRUE;
  EXPECT_TRUE(grid.UpdateUndoMenuItem(&item));
  EXPECT_STREQ(item.sText, "Undo Outer");
  EXPECT_TRUE(grid.Undo());
  EXPECT_EQ(Difference(Snapshot(grid), before), "");
  ASSERT_EQ(RedoList().GetCount(), 1);
  EXPECT_NE(dynamic_cast<CGXBlockCmd*>(RedoList().GetHead()), nullptr);
  EXPECT_TRUE(grid.Redo());
  EXPECT_EQ(Difference(Snapshot(grid), after), "");
  EXPECT_TRUE(grid.Undo());
  EXPECT_EQ(Difference(Snapshot(grid), before), "");
}

TEST_F(CommandTest, OnlyTheOutermostRollbackRunsTheTransactionBack) {
  const std::string before = Snapshot(grid);
  grid.BeginTrans("Outer");
  grid.SetValueRange(CGXCellRange(2, 2, 2, 2), "a");
  grid.BeginTrans(nullptr);
  grid.InsertCols(1, 2);
  grid.Rollback();
  const std::string inner = Snapshot(grid);
  EXPECT_NE(inner, before);  // the inner level undoes nothing
  grid.Rollback();
  EXPECT_EQ(Difference(Snapshot(grid), before), "");
  EXPECT_TRUE(UndoList().IsEmpty());
  EXPECT_TRUE(RedoList().IsEmpty());
  EXPECT_EQ(grid.GetParam()->m_nTransNesting, 0);
}

TEST_F(CommandTest, EmptyAndSwitchedOffTransactionsLeaveNoEntry) {
  grid.BeginTrans("Nothing");
  grid.CommitTrans();
  EXPECT_TRUE(UndoList().IsEmpty());
  grid.GetParam()->SetUndoEnabled(FALSE);
  grid.BeginTrans("Off");
  EXPECT_EQ(grid.GetParam()->m_nTransNesting, 0);
  grid.SetValueRange(CGXCellRange(1, 1, 1, 1), "x");
  grid.CommitTrans();
  grid.Rollback();
  EXPECT_TRUE(UndoList().IsEmpty());
  EXPECT_STREQ(grid.GetValueRowCol(1, 1), "x");
}

TEST_F(CommandTest, ANewOperationEmptiesTheRedoListAndTheUndoListIsBounded) {
  grid.SetValueRange(CGXCellRange(1, 1, 1, 1), "x");
  ASSERT_TRUE(grid.Undo());
  EXPECT_EQ(RedoList().GetCount(), 1);
  grid.SetValueRange(CGXCellRange(1, 2, 1, 2), "y");
  EXPECT_TRUE(RedoList().IsEmpty());
  EXPECT_FALSE(grid.Redo());
  grid.GetParam()->m_nMaxUndo = 3;
  for (int i = 0; i < 10; ++i)
    grid.SetRowHeight(2, 2, 20 + i);
  EXPECT_EQ(UndoList().GetCount(), 4);
  // The newest steps are the ones kept.
  ASSERT_TRUE(grid.Undo());
  EXPECT_EQ(grid.GetRowHeight(2), 28);
}

// The data refuses inserts on request, so that undoing a removal fails.
class SwitchableData : public CGXData {
 public:
  BOOL InsertRows(ROWCOL nRow, ROWCOL nCount) override {
    return m_bRefuseInserts ? FALSE : CGXData::InsertRows(nRow, nCount);
  }
  CObject* GetUndoInfo() override {
    if (m_nThrowOnUndoInfo > 0 && --m_nThrowOnUndoInfo == 0)
      AfxThrowMemoryException();
    return nullptr;
  }
  BOOL m_bRefuseInserts = FALSE;
  int m_nThrowOnUndoInfo = 0;
};

class FailingCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CGXGridParam* pParam = new CGXGridParam;
    pData = new SwitchableData;
    pParam->SetData(pData, TRUE);
    pData->InitParam(pParam);
    grid.AttachParam(pParam, TRUE);
    grid.InitialSetUp();
    pParam->SetUndoEnabled(FALSE);
    grid.SetRowCount(10);
    grid.SetColCount(3);
    grid.SetValueRange(CGXCellRange(4, 1, 4, 1), "four");
    pParam->SetUndoEnabled(TRUE);
  }
  CGXGridCore grid;
  SwitchableData* pData = nullptr;
};

TEST_F(FailingCommandTest, AFailingUndoStaysAndLeavesNoReverseBlock) {
  grid.BeginTrans("Two steps");
  grid.SetValueRange(CGXCellRange(1, 1, 1, 1), "x");
  ASSERT_TRUE(grid.RemoveRows(4, 5));
  grid.CommitTrans();
  pData->m_bRefuseInserts = TRUE;
  const std::string before = Snapshot(grid);
  // The newest sub-command (re-inserting the rows) fails: the older one does not run.
  EXPECT_FALSE(grid.Undo());
  EXPECT_EQ(Difference(Snapshot(grid), before), "");
  EXPECT_EQ(grid.GetParam()->GetUndoList().GetCount(), 1);
  EXPECT_TRUE(grid.GetParam()->GetRedoList().IsEmpty());
  pData->m_bRefuseInserts = FALSE;
  EXPECT_TRUE(grid.Undo());
  EXPECT_STREQ(grid.GetValueRowCol(4, 1), "four");
  EXPECT_STREQ(grid.GetValueRowCol(1, 1), "");
}

TEST_F(FailingCommandTest, ACommandThatCannotBeFiledTakesItsChangeBackAndSaysSo) {
  const int nOld = grid.GetRowHeight(2);
  pData->m_nThrowOnUndoInfo = 1;
  grid.SetRowHeight(2, 2, nOld + 17);
  EXPECT_EQ(grid.GetRowHeight(2), nOld);
  EXPECT_TRUE(grid.GetParam()->GetUndoList().IsEmpty());
  EXPECT_NE(grid.m_sLastMessageBox.Find("undo"), -1);
  // The next change is recorded as usual.
  grid.SetRowHeight(2, 2, nOld + 17);
  EXPECT_EQ(grid.GetParam()->GetUndoList().GetCount(), 1);
}

TEST_F(CommandTest, UndoFirstThrowsAwayAnEditInProgress) {
  grid.SetValueRange(CGXCellRange(2, 2, 2, 2), "stored");
  ASSERT_TRUE(grid.ChangeCurrentCell(2, 2));
  grid.DispatchGridKeys(GX_WM_CHAR, 'q', 1, 0);
  GXMENUITEMSTATE item;
  item.bMenu = TRUE;
  EXPECT_TRUE(grid.UpdateUndoMenuItem(&item));
  EXPECT_STREQ(item.sText, "Undo Current Cell");
  const INT_PTR nCount = UndoList().GetCount();
  EXPECT_TRUE(grid.Undo());
  EXPECT_EQ(UndoList().GetCount(), nCount);
  EXPECT_STREQ(grid.GetValueRowCol(2, 2), "stored");
  // Ctrl+Z then takes back the stored value.
  grid.DispatchGridKeys(GX_WM_CHAR, 0x1A, 1, 0);
  EXPECT_STREQ(grid.GetValueRowCol(2, 2), "2.2");
  grid.DispatchGridKeys(GX_WM_CHAR, 0x12, 1, 0);
  EXPECT_STREQ(grid.GetValueRowCol(2, 2), "stored");
}

TEST_F(CommandTest, MenuTexts) {
  struct Case {
    UINT nID;
    const char* pszMenuText;
    const char* pszExpected;
  } cases[] = {
      {0, "&Undo %1\tCtrl+Z", "&Undo Insert Rows\tCtrl+Z"},
      {0, "", "Undo Insert Rows"},
      {20158, "Ignored %1", "Ignored Insert Rows"},  // a string without two line breaks
  };
  ASSERT_TRUE(grid.InsertRows(2, 1));
  for (const Case& c : cases) {
    grid.m_sUndoTemplate.Empty();
    GXMENUITEMSTATE item;
    item.nID = c.nID;
    item.bMenu = TRUE;
    item.sMenuText = c.pszMenuText;
    EXPECT_TRUE(grid.UpdateUndoMenuItem(&item));
    EXPECT_TRUE(item.bEnabled);
    EXPECT_STREQ(item.sText, c.pszExpected);
  }
  GXMENUITEMSTATE redo;
  redo.bMenu = TRUE;
  EXPECT_FALSE(grid.UpdateRedoMenuItem(&redo));
  EXPECT_STREQ(redo.sText, "Redo ");
  ASSERT_TRUE(grid.RemoveRows(2, 2));
  grid.m_sUndoTemplate.Empty();
  GXMENUITEMSTATE item;
  item.bMenu = TRUE;
  grid.UpdateUndoMenuItem(&item);
  EXPECT_STREQ(item.sText, "Undo Removing rows ...");
}

TEST_F(CommandTest, FreezingColumnsMovesThemToTheEdgeAndBackInOneStepEach) {
  grid.ClearSelection();
  grid.SelectRange(CGXCellRange(1, 1, 1, 1));
  grid.SelectRange(CGXCellRange().SetCols(2, 2));
  grid.SelectRange(CGXCellRange().SetCols(4, 4));
  EXPECT_FALSE(grid.CanFreezeCols());  // two spans
  grid.ClearSelection();
  // Undo does not bring the selection back, which the freeze cleared.
  const std::string before = Snapshot(grid, false);
  grid.SelectRange(CGXCellRange().SetCols(3, 5));
  ASSERT_TRUE(grid.CanFreezeCols());
  grid.FreezeCols();
  EXPECT_EQ(grid.GetFrozenCols(), 3u);
  EXPECT_STREQ(grid.GetValueRowCol(2, 1), "2.3");
  EXPECT_STREQ(grid.GetValueRowCol(2, 3), "2.5");
  EXPECT_TRUE(grid.GetParam()->m_selection.IsEmpty());
  EXPECT_EQ(UndoList().GetCount(), 1);
  EXPECT_FALSE(grid.CanFreezeCols());
  ASSERT_TRUE(grid.CanUnfreezeCols());
  grid.UnfreezeCols();
  EXPECT_EQ(grid.GetFrozenCols(), 0u);
  EXPECT_STREQ(grid.GetValueRowCol(2, 3), "2.3");
  EXPECT_STREQ(grid.GetValueRowCol(2, 5), "2.5");
  EXPECT_EQ(UndoList().GetCount(), 2);
  ASSERT_TRUE(grid.Undo());
  EXPECT_EQ(grid.GetFrozenCols(), 3u);
  EXPECT_STREQ(grid.GetValueRowCol(2, 1), "2.3");
  ASSERT_TRUE(grid.Undo());
  EXPECT_EQ(Difference(Snapshot(grid, false), before), "");
}

// With a header row the frozen block starts below it, and the whole block goes back.
TEST_F(CommandTest, UnfreezingRowsBelowAHeaderRowMovesTheWholeBlockBack) {
  ASSERT_TRUE(grid.SetFrozenRows(0, 1));
  grid.GetParam()->ClearUndoList();
  grid.ClearSelection();
  grid.SelectRange(CGXCellRange().SetRows(5, 6));
  ASSERT_TRUE(grid.CanFreezeRows());
  grid.FreezeRows();
  EXPECT_EQ(grid.GetFrozenRows(), 2u);
  EXPECT_STREQ(grid.GetValueRowCol(2, 1), "5.1");
  EXPECT_STREQ(grid.GetValueRowCol(3, 1), "6.1");
  grid.UnfreezeRows();
  EXPECT_EQ(grid.GetFrozenRows(), 0u);
  for (ROWCOL r = 2; r <= 7; ++r) {
    CString s;
    s.Format("%lu.1", (unsigned long)r);
    EXPECT_STREQ(grid.GetValueRowCol(r, 1), s) << r;
  }
  EXPECT_EQ(UndoList().GetCount(), 2);  // one step each
}

TEST(CommandWithoutFactory, NothingIsRecordedAndUndoFails) {
  CGXGridCore grid;
  grid.InitialSetUp();
  grid.SetUndoFeature(nullptr);
  ASSERT_TRUE(grid.SetRowCount(5));
  grid.SetValueRange(CGXCellRange(1, 1, 1, 1), "x");
  EXPECT_FALSE(grid.Undo());
  EXPECT_TRUE(grid.GetParam()->GetUndoList().IsEmpty());
  GXMENUITEMSTATE item;
  EXPECT_FALSE(grid.UpdateUndoMenuItem(&item));
}

TEST(CommandBlock, FallsBackToItsDefaultDescription) {
  CGXBlockCmd block(nullptr);
  EXPECT_STREQ(block.GetDescription(), "Block");
#ifndef _WIN32
  CGXSetCoveredCellsCmd cmd(1, 1, 1, 1);
  EXPECT_STREQ(cmd.GetDescription(), " ");  // the native test table lacks its string
#endif
}

}  // namespace
