// The grid engine without a window: geometry with hidden, frozen and zoomed rows and columns, hit codes
// at the borders, scrolling arithmetic, the current cell and its edit (with the re-entry a message box
// causes), keys, mouse, inserting, removing and moving rows and columns, and painting onto a recording
// surface.
#include "GXEditStandIn.h"
#include "GXGridCore.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::pair<ROWCOL, ROWCOL> Cell(ROWCOL nRow, ROWCOL nCol) { return {nRow, nCol}; }

// Every character 7 pixels wide, lines 16 pixels.
class RecordingSurface : public CGXGridSurface {
 public:
  struct Fill {
    CRect rect;
    DWORD rgb;
  };
  struct Text {
    int x, y;
    std::string text;
  };
  CSize GetTextExtent(LPCTSTR, int nLength) override { return CSize(7 * nLength, 14); }
  GXTEXTMETRICS GetTextMetrics() override {
    GXTEXTMETRICS tm;
    tm.nHeight = 14;
    tm.nExternalLeading = 2;
    tm.nAscent = 11;
    tm.nAveCharWidth = 7;
    tm.nMaxCharWidth = 12;
    return tm;
  }
  void FillRect(const CRect& rect, DWORD rgb) override { fills.push_back({rect, rgb}); }
  void InvertRect(const CRect& rect) override { inverts.push_back(rect); }
  void DrawTextLine(int x, int y, LPCTSTR psz, int n, DWORD, const CRect&) override {
    texts.push_back({x, y, std::string(psz, (size_t)n)});
  }
  void SelectFont(const CGXFont&, int) override {}
  int CountText(const std::string& s) const {
    int n = 0;
    for (const Text& t : texts)
      n += t.text == s;
    return n;
  }
  std::vector<Fill> fills;
  std::vector<CRect> inverts;
  std::vector<Text> texts;
};

// A grid of 20 rows and 8 columns in a 640 by 480 window, with the stand-in cell control. Rows (the
// header row too) are 18 pixels high and columns 100 pixels wide (the standard font measured as 15 by
// 10).
class GridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GXInstallControlStandIns();
    grid.InitialSetUp();
    ASSERT_TRUE(grid.SetRowCount(20));
    ASSERT_TRUE(grid.SetColCount(8));
    // A new layout's headers are 1.4 characters high and 6 wide; these tests make them the size of the
    // other rows and columns.
    EXPECT_EQ(grid.GetRowHeight(0), 1400 / 66);
    EXPECT_EQ(grid.GetColWidth(0), 60);
    grid.StoreRowHeight(0, 18);
    grid.StoreColWidth(0, 100);
  }
  void Key(UINT nKey, UINT nMods = 0) {
    grid.m_nHeadlessKeys = nMods;
    grid.DispatchGridKeys(GX_WM_KEYDOWN, nKey, 1, 0);
    grid.m_nHeadlessKeys = 0;
  }
  void Type(const char* psz) {
    for (; *psz != 0; ++psz)
      grid.DispatchGridKeys(GX_WM_CHAR, (UINT)(unsigned char)*psz, 1, 0);
  }
  std::pair<ROWCOL, ROWCOL> Current() {
    ROWCOL r = 0, c = 0;
    if (!grid.GetActiveCell(r, c))
      return {0, 0};
    return {r, c};
  }
  CGXGridCore grid;
};

TEST_F(GridTest, SizesFollowTheStandardFontAndZoom) {
  EXPECT_EQ(grid.GetRowHeight(1), 1200 / (1000 / 15));
  EXPECT_EQ(grid.GetColWidth(1), 100);
  EXPECT_TRUE(grid.StoreRowHeight(3, 40));
  EXPECT_EQ(grid.GetRowHeight(3), 40);
  EXPECT_EQ(grid.GetParam()->m_rowHeights[3], 66 * 40);
  EXPECT_TRUE(grid.StoreRowHeight(3, -1));
  EXPECT_EQ(grid.GetRowHeight(3), 18);
  EXPECT_FALSE(grid.StoreDefaultRowHeight(0));
  EXPECT_EQ(grid.GetDefaultRowHeight(), 18);
  grid.StoreRowHeight(3, 40);
  ASSERT_TRUE(grid.SetZoom(200));
  EXPECT_EQ(grid.GetFontHeight(), 30);
  EXPECT_EQ(grid.GetRowHeight(3),
            66 * 40 / 33);  // the stored value follows the font
  EXPECT_EQ(grid.GetColWidth(1), 10000 / 50);
  grid.GetParam()->m_bNoZoom = TRUE;
  EXPECT_EQ(grid.GetZoom(), 100);
}

TEST_F(GridTest, VisibleIndexMappingWithFrozenRows) {
  ASSERT_TRUE(grid.SetFrozenRows(2));
  grid.SetTopRow(5, 0);
  EXPECT_EQ(grid.GetTopRow(), 5u);
  struct {
    ROWCOL index, row;
  } rows[] = {{0, 0}, {1, 1}, {2, 2}, {3, 5}, {4, 6}};
  for (auto& r : rows)
    EXPECT_EQ(grid.GetRow(r.index), r.row) << r.index;
  EXPECT_EQ(grid.RowToVisibleIndex(3), 0u);  // scrolled out
  EXPECT_EQ(grid.RowToVisibleIndex(4), 0u);
  EXPECT_EQ(grid.RowToVisibleIndex(6), 4u);
  EXPECT_EQ(grid.RowToVisibleIndex(2), 2u);
  grid.SetTopRow(1, 0);
  EXPECT_EQ(grid.GetTopRow(), 3u);  // never above the frozen rows
  grid.SetTopRow(0, 0);
  EXPECT_EQ(grid.GetTopRow(), 3u);
}

TEST_F(GridTest, CoordinatesToRowsAndColumns) {
  grid.HideRows(3, 3);
  struct Case {
    int y;
    int index;
    int top;
  } cases[] = {
      {-5, 0, 0},       {0, 0, 0},   {17, 0, 0}, {18, 1, 18},  // a boundary belongs to the row below
      {36, 2, 36},      {54, 4, 54},                           // row 3 is hidden: no pixels
      {18 * 20, -1, 0},                                        // past the last row
  };
  for (const Case& c : cases) {
    int top = -99;
    EXPECT_EQ(grid.CalcClientRowFromY(c.y, &top), c.index) << c.y;
    if (c.index > 0) {
      EXPECT_EQ(top, c.top) << c.y;
    }
  }
  EXPECT_EQ(grid.CalcClientColFromX(899), 8);
  EXPECT_EQ(grid.CalcClientColFromX(900), -1);
  BOOL bPast = FALSE;
  EXPECT_EQ(grid.CalcRightColFromRect(CRect(0, 0, 2000, 10), &bPast), 8u);
  EXPECT_TRUE(bPast);
  EXPECT_EQ(grid.CalcBottomRowFromRect(CRect(0, 0, 10, 480), &bPast), 20u);
  EXPECT_TRUE(bPast);
  EXPECT_EQ(grid.CalcBottomRowFromRect(CRect(0, 0, 10, 100), &bPast),
            6u);  // row 3 has no pixels
  EXPECT_FALSE(bPast);
}

TEST_F(GridTest, RangeRectanglesWithScrolledAndFrozenParts) {
  grid.SetFrozenCols(1);
  grid.SetLeftCol(4, 0);
  // Columns 0 (header), 1 (frozen), then 4, 5...
  EXPECT_EQ(grid.RangeToClientRect(1, 4, 1, 4), CRect(200, 18, 300, 36));
  EXPECT_EQ(grid.RangeToClientRect(1, 2, 1, 3), CRect());  // wholly scrolled out
  // Starting scrolled out and ending visible: from the first scrolled column shown.
  EXPECT_EQ(grid.RangeToClientRect(1, 2, 1, 5), CRect(200, 18, 400, 36));
  EXPECT_EQ(grid.RangeToClientRect(1, 1, 2, 1), CRect(100, 18, 200, 54));
  EXPECT_EQ(grid.CalcRectFromRowCol(2, 4), CRect(200, 36, 300, 54));
  grid.SetCoveredCellsRowCol(2, 4, 3, 5);
  EXPECT_EQ(grid.CalcRectFromRowCol(3, 5), CRect(200, 36, 400, 72));
}

TEST_F(GridTest, HitCodesAtEveryBorder) {
  grid.HideCols(3, 3);  // column 4 now starts at x 300
  struct Case {
    CPoint pt;
    int hit;
    ROWCOL row, col;
  } cases[] = {
      {CPoint(150, 50), GX_CELLHIT, 2, 1},
      {CPoint(50, 45), GX_HEADERHIT, 2, 0},
      {CPoint(50, 50), GX_HORZLINE, 2, 0},  // 4 pixels above the border
      {CPoint(150, 9), GX_HEADERHIT, 0, 1},
      // Column borders in the header row, within half the resize zone.
      {CPoint(199, 5), GX_VERTLINE, 0, 1},
      {CPoint(196, 5), GX_VERTLINE, 0, 1},
      {CPoint(202, 5), GX_VERTLINE, 0, 1},  // the left edge belongs to the column before
      {CPoint(303, 5), GX_HIDDENCOLHIT, 0, 3},
      {CPoint(301, 5), GX_VERTLINE, 0, 2},  // too near the line: the visible column before
      {CPoint(195, 50), GX_CELLHIT, 2, 1},  // not in the header row: no column border
      // Row borders in the header column.
      {CPoint(50, 35), GX_HORZLINE, 1, 0},
      {CPoint(50, 38), GX_HORZLINE, 1, 0},
      {CPoint(150, 35), GX_CELLHIT, 1, 1},
      {CPoint(700, 10), GX_NOHIT, 0, 0},
  };
  for (const Case& c : cases) {
    ROWCOL r = 99, col = 99;
    EXPECT_EQ(grid.HitTest(c.pt, &r, &col), c.hit) << c.pt.x << "," << c.pt.y;
    if (c.hit != GX_NOHIT) {  // the out-parameters
      EXPECT_EQ(r, c.row) << c.pt.x << "," << c.pt.y;
      EXPECT_EQ(col, c.col) << c.pt.x << "," << c.pt.y;
    }
  }
  grid.HideRows(4, 4);
  ROWCOL r = 0;
  EXPECT_EQ(grid.HitTest(CPoint(50, 18 * 4 + 3), &r), GX_HIDDENROWHIT);
  EXPECT_EQ(r, 4u);
}

TEST_F(GridTest, ScrollBarsScaleLargeGrids) {
  ASSERT_TRUE(grid.SetRowCount(100000));
  grid.UpdateScrollState();
  EXPECT_EQ(grid.GetScrollFactor(GX_SBVERT), 4u);
  EXPECT_EQ(grid.m_headlessScroll[1].nMax, (int)(grid.CalcLastTopRow() / 4));
  grid.SetScrollPos(GX_SBVERT, 3, FALSE);
  EXPECT_EQ(grid.m_headlessScroll[1].nPos, 0);
  grid.HandleVerticalScroll(GX_SB_THUMBPOSITION, 1000);
  EXPECT_EQ(grid.GetTopRow(), (1000u - 1) * 4 + 1);
  EXPECT_EQ(grid.GetScrollPos(GX_SBVERT), grid.GetTopRow() / 4 * 4);
  grid.HandleVerticalScroll(GX_SB_BOTTOM, 0);
  EXPECT_EQ(grid.GetTopRow(), grid.CalcLastTopRow());
  grid.HandleVerticalScroll(GX_SB_TOP, 0);
  EXPECT_EQ(grid.GetTopRow(), 1u);
}

TEST_F(GridTest, ScrollingByLinesAndPages) {
  grid.HandleVerticalScroll(GX_SB_LINEDOWN, 0);
  EXPECT_EQ(grid.GetTopRow(), 1u);  // every row fits: nothing to scroll
  ASSERT_TRUE(grid.SetRowCount(200));
  grid.HandleVerticalScroll(GX_SB_LINEDOWN, 0);
  EXPECT_EQ(grid.GetTopRow(), 2u);
  grid.HandleVerticalScroll(GX_SB_LINEUP, 0);
  EXPECT_EQ(grid.GetTopRow(), 1u);
  grid.HandleVerticalScroll(GX_SB_PAGEDOWN, 0);
  EXPECT_EQ(grid.GetTopRow(),
            26u);  // the row cut by the bottom edge becomes the top row
  grid.HandleVerticalScroll(GX_SB_PAGEUP, 0);
  EXPECT_EQ(grid.GetTopRow(), 1u);
  // Hidden rows are passed over and not counted.
  grid.HideRows(3, 4);
  EXPECT_TRUE(grid.DoScroll(GX_DOWN, 2));
  EXPECT_EQ(grid.GetTopRow(), 5u);
  EXPECT_TRUE(grid.DoScroll(GX_UP, 1));
  EXPECT_EQ(grid.GetTopRow(), 2u);
  EXPECT_FALSE(grid.DoScroll(GX_UP, 5) && grid.GetTopRow() != 1u);
  EXPECT_FALSE(grid.DoScroll(GX_UP, 1));  // already at the first row
  // A grid whose rows all fit hides its vertical bar in automatic mode.
  ASSERT_TRUE(grid.SetRowCount(5));
  grid.UpdateScrollState();
  EXPECT_FALSE(grid.m_headlessScroll[1].bShown);
  grid.SetScrollBarMode(GX_SBBOTH, 0);
  EXPECT_FALSE(grid.m_headlessScroll[0].bShown);
}

TEST_F(GridTest, ScrollCellIntoView) {
  ASSERT_TRUE(grid.SetRowCount(100));
  EXPECT_TRUE(grid.ScrollCellInView(50, 1));
  EXPECT_EQ(grid.GetTopRow(),
            26u);  // row 50 is the last one wholly in the window
  EXPECT_LE(grid.CalcRectFromRowCol(50, 1).bottom, 480);
  EXPECT_GT(grid.CalcRectFromRowCol(51, 1).bottom, 480);
  EXPECT_FALSE(grid.ScrollCellInView(40, 1));
  EXPECT_TRUE(grid.ScrollCellInView(3, 1));
  EXPECT_EQ(grid.GetTopRow(), 3u);
  EXPECT_TRUE(grid.ScrollCellInView(1, 8));
  EXPECT_GT(grid.GetLeftCol(), 1u);
}

TEST_F(GridTest, CurrentCellRules) {
  EXPECT_TRUE(grid.ChangeCurrentCell(2, 3));
  EXPECT_EQ(Current(), Cell(2u, 3u));
  EXPECT_FALSE(grid.ChangeCurrentCell(21, 3));  // outside: nothing changes
  EXPECT_EQ(Current(), Cell(2u, 3u));
  CGXStyle disabled;
  disabled.SetEnabled(FALSE);
  grid.SetStyleRange(CGXCellRange(4, 3, 4, 3), disabled);
  EXPECT_FALSE(grid.ChangeCurrentCell(4, 3));
  // Arrows skip disabled cells and hidden rows.
  grid.HideRows(3, 3);
  Key(GX_VK_DOWN);
  EXPECT_EQ(Current(), Cell(5u, 3u));
  // A covered area is entered at its top-left cell.
  grid.SetCoveredCellsRowCol(7, 2, 8, 4);
  EXPECT_TRUE(grid.ChangeCurrentCell(8, 3));
  EXPECT_EQ(Current(), Cell(7u, 2u));
  // The counts shrinking below the current cell clear it.
  grid.GetParam()->GetData()->SetRowCount(6);
  EXPECT_EQ(Current(), Cell(0u, 0u));
}

TEST_F(GridTest, KeyboardNavigation) {
  ASSERT_TRUE(grid.SetRowCount(100));
  struct Case {
    UINT key, mods;
    ROWCOL row, col;
  } cases[] = {
      {GX_VK_UP, 0, 9, 5},
      {GX_VK_DOWN, 0, 11, 5},
      {GX_VK_LEFT, 0, 10, 4},
      {GX_VK_RIGHT, 0, 10, 6},
      {GX_VK_UP, GX_MK_CONTROL, 1, 5},
      {GX_VK_DOWN, GX_MK_CONTROL, 100, 5},
      {GX_VK_LEFT, GX_MK_CONTROL, 10, 1},
      {GX_VK_RIGHT, GX_MK_CONTROL, 10, 8},
      {GX_VK_HOME, GX_MK_CONTROL, 1, 1},
      {GX_VK_END, GX_MK_CONTROL, 100, 8},
      {GX_VK_HOME, 0, 10, 5},  // not handled without Ctrl
      {GX_VK_TAB, 0, 10, 6},
      {GX_VK_TAB, GX_MK_SHIFT, 10, 4},
      {GX_VK_RETURN, 0, 10, 6},            // the direction after Enter is right
      {GX_VK_RETURN, GX_MK_SHIFT, 10, 5},  // not handled
  };
  for (const Case& c : cases) {
    grid.SetTopRow(1, 0);
    ASSERT_TRUE(grid.ChangeCurrentCell(10, 5));
    Key(c.key, c.mods);
    EXPECT_EQ(Current(), Cell(c.row, c.col)) << "key " << c.key << " mods " << c.mods;
  }
  ASSERT_TRUE(grid.ChangeCurrentCell(10, 5));
  Key(GX_VK_NEXT);
  EXPECT_EQ(grid.GetTopRow(), 26u);
  EXPECT_EQ(Current(), Cell(35u, 5u));  // moved with the page
  Key(GX_VK_PRIOR);
  EXPECT_EQ(grid.GetTopRow(), 1u);
  EXPECT_EQ(Current(), Cell(10u, 5u));
  // The current cell stays visible when the arrows leave the window.
  ASSERT_TRUE(grid.ChangeCurrentCell(25, 5));
  Key(GX_VK_DOWN);
  Key(GX_VK_DOWN);
  EXPECT_GE(grid.GetLastVisibleRow(), 27u);
  EXPECT_EQ(grid.HandleGetDlgCode(0) & 0x83u, 0x83u);
}

TEST_F(GridTest, TypingEditsAndEnterStores) {
  ASSERT_TRUE(grid.ChangeCurrentCell(3, 3));
  Type("ab");
  ASSERT_NE(grid.GetActiveCellControl(), nullptr);
  EXPECT_TRUE(grid.IsActiveCellControlEditing());
  EXPECT_STREQ(grid.GetValueRowCol(3, 3), "");
  Key(GX_VK_RETURN);
  EXPECT_STREQ(grid.GetValueRowCol(3, 3), "ab");
  EXPECT_EQ(Current(), Cell(3u, 4u));
  // Escape throws the typed text away.
  Type("zz");
  Key(GX_VK_ESCAPE);
  EXPECT_FALSE(grid.IsActiveCellControlEditing());
  EXPECT_STREQ(grid.GetValueRowCol(3, 4), "");
  // F2 edits the text that is there; Backspace takes a character back; an arrow stores.
  ASSERT_TRUE(grid.ChangeCurrentCell(3, 3));
  Key(GX_VK_F2);
  EXPECT_TRUE(grid.IsActiveCellControlEditing());
  grid.DispatchGridKeys(GX_WM_CHAR, 8, 1, 0);
  Type("c");
  Key(GX_VK_DOWN);
  EXPECT_STREQ(grid.GetValueRowCol(3, 3), "ac");
  EXPECT_EQ(Current(), Cell(4u, 3u));
  // A read-only grid does not start editing.
  grid.SetReadOnly(TRUE);
  Type("q");
  EXPECT_FALSE(grid.IsActiveCellControlEditing());
}

// A grid whose validation fails once with a message, and which, while the message box is up, receives
// what a message loop would deliver then: keys, a click elsewhere, a focus change.
class ReentrantGrid : public CGXGridCore {
 public:
  BOOL OnValidateCell(ROWCOL, ROWCOL) override {
    ++nValidations;
    if (nFailures > 0) {
      --nFailures;
      SetWarningText("Not a valid value");
      return FALSE;
    }
    return TRUE;
  }
  int WndMessageBox(LPCTSTR psz) override {
    ++nBoxes;
    reentered.push_back(DispatchGridKeys(GX_WM_KEYDOWN, GX_VK_RETURN, 1, 0));
    reentered.push_back(DispatchGridKeys(GX_WM_CHAR, 'x', 1, 0));
    reentered.push_back(ChangeCurrentCell(1, 1));
    reentered.push_back(CommitCurrentCell());
    HandleKillFocus(FALSE);
    return CGXGridCore::WndMessageBox(psz);
  }
  BOOL SetStyleRange(const CGXCellRange& range, const CGXStyle& style, int nMode, UINT flags) override {
    // Storing runs a nested commit, as a focus change during the store would.
    reentered.push_back(CommitCurrentCell());
    return CGXGridCore::SetStyleRange(range, style, nMode, flags);
  }
  int nFailures = 1, nValidations = 0, nBoxes = 0;
  std::vector<BOOL> reentered;
};

TEST(GridReentry, AValueIsStoredOnceAndNeverLost) {
  GXInstallControlStandIns();
  ReentrantGrid grid;
  grid.InitialSetUp();
  ASSERT_TRUE(grid.SetRowCount(5));
  ASSERT_TRUE(grid.SetColCount(5));
  ASSERT_TRUE(grid.ChangeCurrentCell(2, 2));
  for (const char* p = "42"; *p != 0; ++p)
    grid.DispatchGridKeys(GX_WM_CHAR, (UINT)*p, 1, 0);
  auto* pControl = dynamic_cast<CGXEditStandIn*>(grid.GetActiveCellControl());
  ASSERT_NE(pControl, nullptr);
  // The first attempt fails validation: one message, the text and edit mode stay, nothing stored.
  EXPECT_FALSE(grid.ChangeCurrentCell(3, 3));
  EXPECT_EQ(grid.nBoxes, 1);
  EXPECT_EQ(grid.m_sLastMessageBox, CString("Not a valid value"));
  // Every re-entry during the message box was refused or swallowed without effect.
  ASSERT_EQ(grid.reentered.size(), 4u);
  EXPECT_TRUE(grid.reentered[0]);   // the key was swallowed
  EXPECT_TRUE(grid.reentered[1]);   // the character too
  EXPECT_FALSE(grid.reentered[2]);  // no second change
  EXPECT_FALSE(grid.reentered[3]);  // no nested commit
  ROWCOL r, c;
  ASSERT_TRUE(grid.GetActiveCell(r, c));
  EXPECT_EQ(r, 2u);
  EXPECT_EQ(c, 2u);
  CString s;
  pControl->GetCurrentText(s);
  EXPECT_STREQ(s, "42");
  EXPECT_TRUE(pControl->IsActive());
  EXPECT_TRUE(pControl->GetModify());
  EXPECT_EQ(pControl->m_nStores, 0);
  EXPECT_STREQ(grid.GetValueRowCol(2, 2), "");
  // The next attempt validates again and stores once, though the store itself re-enters.
  grid.reentered.clear();
  EXPECT_TRUE(grid.ChangeCurrentCell(3, 3));
  EXPECT_EQ(grid.nValidations, 2);
  EXPECT_EQ(pControl->m_nStores, 1);
  EXPECT_STREQ(grid.GetValueRowCol(2, 2), "42");
  ASSERT_EQ(grid.reentered.size(), 1u);
  EXPECT_FALSE(grid.reentered[0]);
}

TEST_F(GridTest, MouseClicksDragsHeadersAndResizing) {
  // A click makes the cell current; a drag selects from it.
  EXPECT_TRUE(grid.HandleLeftButtonDown(0, CPoint(150, 50)));
  EXPECT_EQ(Current(), Cell(2u, 1u));
  grid.HandleMouseMove(0, CPoint(350, 100));
  grid.HandleLeftButtonUp(0, CPoint(350, 100));
  CGXRangeList& sel = grid.GetParam()->m_selection;
  ASSERT_EQ(sel.GetCount(), 1);
  EXPECT_EQ(*sel.GetRangeAt(sel.GetHeadPosition()), CGXCellRange(2, 1, 5, 3));
  // A column header selects the column; Shift extends it.
  grid.HandleLeftButtonDown(0, CPoint(450, 5));
  grid.HandleLeftButtonUp(0, CPoint(450, 5));
  ASSERT_EQ(sel.GetCount(), 1);
  EXPECT_TRUE(sel.GetRangeAt(sel.GetHeadPosition())->IsCols());
  grid.HandleLeftButtonDown(GX_MK_SHIFT, CPoint(650 - 100, 5));
  grid.HandleLeftButtonUp(GX_MK_SHIFT, CPoint(550, 5));
  EXPECT_EQ(sel.GetRangeAt(sel.GetHeadPosition())->left, 4u);
  EXPECT_EQ(sel.GetRangeAt(sel.GetHeadPosition())->right, 5u);
  // A row header selects the row.
  grid.HandleLeftButtonDown(0, CPoint(50, 60));
  grid.HandleLeftButtonUp(0, CPoint(50, 60));
  EXPECT_TRUE(sel.GetRangeAt(sel.GetHeadPosition())->IsRows());
  EXPECT_EQ(sel.GetRangeAt(sel.GetHeadPosition())->top, 3u);
  // Dragging a column border in the header sets the width.
  grid.HandleLeftButtonDown(0, CPoint(199, 5));
  EXPECT_TRUE(grid.WndHasCapture());
  grid.HandleMouseMove(0, CPoint(240, 5));
  grid.HandleLeftButtonUp(0, CPoint(240, 5));
  EXPECT_FALSE(grid.WndHasCapture());
  EXPECT_EQ(grid.GetColWidth(1), 140);
  // A click on the current cell starts editing it.
  grid.HandleLeftButtonDown(0, CPoint(300, 100));
  grid.HandleLeftButtonUp(0, CPoint(300, 100));
  EXPECT_FALSE(grid.IsActiveCellControlEditing());
  grid.HandleLeftButtonDown(0, CPoint(300, 100));
  EXPECT_TRUE(grid.IsActiveCellControlEditing());
}

TEST_F(GridTest, InsertRemoveAndMoveKeepTheCurrentCellHeightsAndSelection) {
  for (ROWCOL r = 1; r <= 20; ++r) {
    CString s;
    s.Format("r%lu", (unsigned long)r);
    grid.SetValueRange(CGXCellRange(r, 1, r, 1), s);
  }
  grid.StoreRowHeight(10, 40);
  grid.SelectRange(CGXCellRange(8, 1, 12, 2));
  ASSERT_TRUE(grid.ChangeCurrentCell(5, 2));
  ASSERT_TRUE(grid.InsertRows(3, 2));
  EXPECT_EQ(grid.GetRowCount(), 22u);
  EXPECT_EQ(Current(), Cell(7u, 2u));
  EXPECT_EQ(grid.GetRowHeight(12), 40);
  EXPECT_STREQ(grid.GetValueRowCol(5, 1), "r3");
  ASSERT_TRUE(grid.InsertRows(20, 1));  // after the current cell: it stays
  EXPECT_EQ(Current(), Cell(7u, 2u));
  ASSERT_TRUE(grid.RemoveRows(1, 1));
  EXPECT_EQ(Current(), Cell(6u, 2u));
  CGXRangeList& sel = grid.GetParam()->m_selection;
  EXPECT_EQ(sel.GetRangeAt(sel.GetHeadPosition())->top, 9u);
  // A selection that spans the removal shrinks by the overlap.
  ASSERT_TRUE(grid.RemoveRows(10, 11));
  EXPECT_EQ(*sel.GetRangeAt(sel.GetHeadPosition()), CGXCellRange(9, 1, 11, 2));
  // Removing the current cell's row leaves no current cell.
  ASSERT_TRUE(grid.RemoveRows(6, 6));
  EXPECT_EQ(Current(), Cell(0u, 0u));
  // Moving rows carries the values, the heights and the current cell.
  ASSERT_TRUE(grid.ChangeCurrentCell(2, 1));
  const CString sTwo = grid.GetValueRowCol(2, 1), sThree = grid.GetValueRowCol(3, 1);
  ASSERT_TRUE(grid.MoveRows(2, 3, 6));
  EXPECT_STREQ(grid.GetValueRowCol(6, 1), sTwo);
  EXPECT_STREQ(grid.GetValueRowCol(7, 1), sThree);
  EXPECT_EQ(Current(), Cell(6u, 1u));
  ASSERT_TRUE(grid.MoveCols(1, 1, 3));
  EXPECT_STREQ(grid.GetValueRowCol(6, 3), sTwo);
  EXPECT_EQ(Current(), Cell(6u, 3u));
  ASSERT_TRUE(grid.InsertCols(1, 1));
  EXPECT_EQ(Current(), Cell(6u, 4u));
  ASSERT_TRUE(grid.RemoveCols(1, 2));
  EXPECT_EQ(Current(), Cell(6u, 2u));
  EXPECT_TRUE(grid.SetRowCount(grid.GetRowCount()));
}

TEST_F(GridTest, ARemovalWithAPendingEditStoresItFirst) {
  ASSERT_TRUE(grid.ChangeCurrentCell(5, 1));
  Type("x");
  ASSERT_TRUE(grid.RemoveRows(1, 1));
  EXPECT_STREQ(grid.GetValueRowCol(4, 1), "x");
}

class RefusingData : public CGXData {
 public:
  BOOL RemoveRows(ROWCOL, ROWCOL) override { return FALSE; }
  BOOL RemoveCols(ROWCOL, ROWCOL) override { return FALSE; }
};

TEST(GridRemoval, AFailedStoreReportsFailureAndRollsItsTransactionBack) {
  CGXGridCore grid;
  CGXGridParam* pParam = new CGXGridParam;
  RefusingData* pData = new RefusingData;
  pParam->SetData(pData, TRUE);
  pData->InitParam(pParam);
  grid.AttachParam(pParam, TRUE);
  grid.InitialSetUp();
  pData->SetRowCount(10);
  pData->SetColCount(4);
  ASSERT_NE(grid.GetUndoFeature(), nullptr);
  EXPECT_FALSE(grid.RemoveRows(2, 3));
  EXPECT_EQ(grid.GetRowCount(), 10u);
  EXPECT_TRUE(pParam->GetUndoList().IsEmpty());
  EXPECT_EQ(pParam->m_nTransNesting, 0);
  EXPECT_FALSE(grid.RemoveCols(1, 1));
  EXPECT_TRUE(pParam->GetUndoList().IsEmpty());
  EXPECT_EQ(pParam->m_nTransNesting, 0);
}

TEST(GridRemoval, ASuccessfulRemovalRecordsAndCommits) {
  CGXGridCore grid;
  grid.InitialSetUp();
  ASSERT_TRUE(grid.SetRowCount(10));
  grid.GetParam()->ClearUndoList();
  EXPECT_TRUE(grid.RemoveRows(2, 3));
  EXPECT_EQ(grid.GetRowCount(), 8u);
  CObList& list = grid.GetParam()->GetUndoList();
  ASSERT_EQ(list.GetCount(), 1);
  CGXBlockCmd* pBlock = dynamic_cast<CGXBlockCmd*>(list.GetHead());
  ASSERT_NE(pBlock, nullptr);
  EXPECT_STREQ(pBlock->GetDescription(), "Removing rows ...");
  ASSERT_EQ(pBlock->m_subCommands.GetCount(), 1);
  EXPECT_NE(dynamic_cast<CGXInsertRowsCmd*>(pBlock->m_subCommands.GetHead()), nullptr);
  EXPECT_EQ(grid.GetParam()->m_nTransNesting, 0);
}

TEST_F(GridTest, PaintingHeadersFrozenLinesSpansSelectionAndCurrentCell) {
  grid.SetFrozenRows(1);
  grid.SetValueRange(CGXCellRange(2, 2, 2, 2), "spanned");
  grid.SetValueRange(CGXCellRange(3, 2, 3, 2), "hidden under the span");
  grid.SetCoveredCellsRowCol(2, 2, 3, 3);
  grid.SelectRange(CGXCellRange(5, 1, 5, 2));
  ASSERT_TRUE(grid.ChangeCurrentCell(6, 1));
  RecordingSurface s;
  grid.OnGridDraw(s, grid.GetGridRect());
  // Headers: column letters and row numbers.
  EXPECT_EQ(s.CountText("A"), 1);
  EXPECT_EQ(s.CountText("F"), 1);
  EXPECT_EQ(s.CountText("G"), 0);  // right of the window
  EXPECT_EQ(s.CountText("20"), 1);
  // The spanned cell is drawn once over its whole area, the covered cell's own value not at all.
  EXPECT_EQ(s.CountText("spanned"), 1);
  EXPECT_EQ(s.CountText("hidden under the span"), 0);
  const CRect span = grid.RangeToClientRect(2, 2, 3, 3);
  bool bSpanFill = false;
  for (const auto& f : s.fills)
    bSpanFill |= f.rect == CRect(span.left, span.top, span.right - 1, span.bottom - 1);
  EXPECT_TRUE(bSpanFill);
  // The selection is inverted cell by cell; the current cell gets its frame.
  EXPECT_TRUE(std::find(s.inverts.begin(), s.inverts.end(), grid.CalcRectFromRowCol(5, 1)) != s.inverts.end());
  EXPECT_TRUE(std::find(s.inverts.begin(), s.inverts.end(), grid.CalcRectFromRowCol(5, 2)) != s.inverts.end());
  const CRect cur = grid.CalcRectFromRowCol(6, 1);
  EXPECT_TRUE(std::find(s.inverts.begin(), s.inverts.end(), CRect(cur.left, cur.top, cur.right, cur.top + 2)) !=
              s.inverts.end());
  // The frozen rows end with a line across the grid.
  const int y = 2 * 18 - 1;
  bool bFrozenLine = false;
  for (const auto& f : s.fills)
    bFrozenLine |= f.rect.top == y && f.rect.bottom == y + 1 && f.rect.left == 0;
  EXPECT_TRUE(bFrozenLine);
  // Scrolled, the frozen row stays and the span keeps out of it.
  grid.SetTopRow(3, 0);
  RecordingSurface s2;
  grid.OnGridDraw(s2, grid.GetGridRect());
  EXPECT_EQ(s2.CountText("1"), 1);
  EXPECT_EQ(s2.CountText("2"), 0);
  EXPECT_EQ(s2.CountText("spanned"), 1);
}

TEST_F(GridTest, PaintingOnlyTheClipArea) {
  RecordingSurface s;
  grid.OnGridDraw(s, CRect(0, 0, 100, 18));
  EXPECT_EQ(s.texts.size(), 0u);  // the top-left header has no text
  EXPECT_FALSE(s.fills.empty());
  for (const auto& f : s.fills)
    EXPECT_TRUE(f.rect.left < 100 || f.rect.top >= 18 * 21 || f.rect.left >= 900) << f.rect.left;
}

}  // namespace

namespace {

TEST_F(GridTest, StylesOfRangesBaseStylesAndHeaders) {
  ASSERT_TRUE(grid.SetColCount(28));
  EXPECT_STREQ(grid.GetHeaderText(0, 26), "Z");
  EXPECT_STREQ(grid.GetHeaderText(0, 28), "AB");
  EXPECT_STREQ(grid.GetHeaderText(12, 0), "12");
  // A base style changed shows in every cell that does not say otherwise.
  CGXStyle red;
  red.SetInterior(0x0000FFu);
  const WORD nStandard = grid.GetParam()->GetStylesMap()->m_nStandardStyleId;
  ASSERT_TRUE(grid.ChangeBaseStyle(nStandard, red));
  CGXStyle composed;
  grid.ComposeStyleRowCol(5, 5, composed);
  EXPECT_EQ(composed.GetInterior().GetColor() & 0xFFFFFF, (DWORD)0x0000FFu);
  EXPECT_EQ(grid.GetStandardStyle().GetInterior().GetColor() & 0xFFFFFF, (DWORD)0x0000FFu);
  bool bThrown = false;
  try {
    grid.GetBaseStyle(9999);
  } catch (CNotSupportedException* e) {
    bThrown = true;
    e->Delete();
  }
  EXPECT_TRUE(bThrown);
  // Stored styles of a range, and the stored value apart from the composed one.
  grid.SetValueRange(CGXCellRange(2, 2, 2, 2), "x");
  CGXStyle rowStyle;
  rowStyle.SetValue("row");
  grid.SetStyleRange(CGXCellRange().SetRows(3, 3), rowStyle);
  EXPECT_STREQ(grid.GetValueRowCol(3, 4), "row");
  EXPECT_STREQ(grid.ReadStoredCellValue(3, 4), "");
  std::vector<CGXStyle*> styles = grid.CopyStyleRange(CGXCellRange(2, 2, 3, 2));
  ASSERT_EQ(styles.size(), 2u);
  ASSERT_NE(styles[0], nullptr);
  EXPECT_STREQ(styles[0]->GetValue(), "x");
  EXPECT_EQ(styles[1], nullptr);
  for (CGXStyle* p : styles)
    delete p;
}

TEST_F(GridTest, ARangeTooLargeForUndoAsksFirst) {
  ASSERT_TRUE(grid.SetRowCount(40000));
  CObList& list = grid.GetParam()->GetUndoList();
  grid.GetParam()->ClearUndoList();
  grid.m_bHeadlessAnswerOk = FALSE;
  EXPECT_FALSE(grid.SetValueRange(CGXCellRange(1, 1, 40000, 1), "v"));
  EXPECT_NE(grid.m_sLastMessageBox.Find("too large for the undo buffer"), -1);
  EXPECT_STREQ(grid.GetValueRowCol(1, 1), "");
  grid.m_bHeadlessAnswerOk = TRUE;
  EXPECT_TRUE(grid.SetValueRange(CGXCellRange(1, 1, 40000, 1), "v"));
  EXPECT_STREQ(grid.GetValueRowCol(40000, 1), "v");
  EXPECT_TRUE(list.IsEmpty());  // nothing was saved for undo
  EXPECT_TRUE(grid.SetValueRange(CGXCellRange(1, 2, 2, 2), "w"));
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_NE(dynamic_cast<CGXSetStyleRangeCmd*>(list.GetHead()), nullptr);
}

}  // namespace

namespace {

TEST_F(GridTest, CursorsByHitCode) {
  grid.HideCols(3, 3);
  struct Case {
    CPoint pt;
    UINT id, system;
  } cases[] = {
      {CPoint(199, 5), 20190, 32644},  // column border in the header row
      {CPoint(50, 35), 20191, 32645},  // row border in the header column
      {CPoint(303, 5), 20192, 32644},  // a hidden column can be shown
      {CPoint(50, 45), 20196, 0},      // a row header selects the row
      {CPoint(150, 9), 20195, 0},      // a column header selects the column
      {CPoint(150, 45), 0, 0},         // a cell: the window's cursor
  };
  for (const Case& c : cases) {
    UINT id = 1, sys = 1;
    grid.GetHitCursor(c.pt, id, sys);
    EXPECT_EQ(id, c.id) << c.pt.x << "," << c.pt.y;
    EXPECT_EQ(sys, c.system) << c.pt.x << "," << c.pt.y;
  }
  // A selected row's header shows the arrow for dragging it.
  grid.SelectRange(CGXCellRange().SetRows(2, 2));
  UINT id = 1, sys = 1;
  grid.GetHitCursor(CPoint(50, 45), id, sys);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(sys, 32512u);
}

TEST_F(GridTest, RecordNavigationAndCheck) {
  grid.MoveToRecord(4, 7);
  EXPECT_EQ(Current(), Cell(7, 1));
  grid.MoveToRecord(1, 0);
  EXPECT_EQ(Current(), Cell(6, 1));
  grid.MoveToRecord(0, 0);
  EXPECT_EQ(Current(), Cell(1, 1));
  grid.MoveToRecord(4, 500);
  EXPECT_EQ(Current(), Cell(20, 1));
  EXPECT_TRUE(grid.CheckCurrentCellValid(FALSE));
}

}  // namespace

namespace {

TEST_F(GridTest, DraggingBeyondTheWindowScrollsAndExtendsTheSelection) {
  ASSERT_TRUE(grid.SetRowCount(100));
  grid.HandleLeftButtonDown(0, CPoint(150, 50));
  grid.HandleMouseMove(0, CPoint(150, 600));
  EXPECT_TRUE(grid.IsAutoScrolling());
  EXPECT_TRUE(grid.m_bHeadlessTimer);
  for (int i = 0; i < 5; ++i)
    EXPECT_TRUE(grid.HandleTimer(992));
  EXPECT_EQ(grid.GetTopRow(), 6u);
  CGXRangeList& sel = grid.GetParam()->m_selection;
  ASSERT_FALSE(sel.IsEmpty());
  EXPECT_EQ(sel.GetRangeAt(sel.GetTailPosition())->bottom, grid.GetLastVisibleRow());
  // Back inside the window the scrolling stops; releasing the button ends it all.
  grid.HandleMouseMove(0, CPoint(150, 300));
  EXPECT_FALSE(grid.IsAutoScrolling());
  grid.HandleMouseMove(0, CPoint(150, 700));
  grid.HandleLeftButtonUp(0, CPoint(150, 700));
  EXPECT_FALSE(grid.IsAutoScrolling());
  EXPECT_FALSE(grid.m_bHeadlessTimer);
  EXPECT_FALSE(grid.HandleTimer(992));
}

}  // namespace
