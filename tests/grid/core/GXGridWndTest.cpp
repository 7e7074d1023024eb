// A real grid window under Wine: built from a layout made in the test, painted into a memory bitmap and
// checked at the pixels that matter (headers, grid lines, frozen rows, the selection, a spanned cell, an
// interior colour), driven by keyboard and mouse messages, editing and storing a cell, scrolling, and
// inserting, removing and moving rows and columns with the display following.
#include <windows.h>

#include "GXDrawingWin.h"
#include "GXEditStandIn.h"
#include "GXGridWnd.h"
#include "GXLongOperationImp.h"

#include "GridTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::pair<ROWCOL, ROWCOL> Cell(ROWCOL nRow, ROWCOL nCol) { return {nRow, nCol}; }

// A window the size of the grid's client area painted into a 32-bit bitmap.
class Picture {
 public:
  Picture(CGXGridWnd& grid, int w, int h) : m_w(w), m_h(h) {
    HDC hScreen = ::GetDC(nullptr);
    m_hDC = ::CreateCompatibleDC(hScreen);
    ::ReleaseDC(nullptr, hScreen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* pBits = nullptr;
    m_hBitmap = ::CreateDIBSection(m_hDC, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    m_pBits = static_cast<const DWORD*>(pBits);
    m_hOld = ::SelectObject(m_hDC, m_hBitmap);
    grid.DrawGrid(m_hDC, CRect(0, 0, w, h));
    ::GdiFlush();
  }
  ~Picture() {
    ::SelectObject(m_hDC, m_hOld);
    ::DeleteObject(m_hBitmap);
    ::DeleteDC(m_hDC);
  }
  // As a COLORREF (red low).
  COLORREF At(int x, int y) const {
    const DWORD p = m_pBits[(size_t)y * (size_t)m_w + (size_t)x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

 private:
  int m_w, m_h;
  HDC m_hDC;
  HBITMAP m_hBitmap;
  HGDIOBJ m_hOld;
  const DWORD* m_pBits = nullptr;
};

class GridWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GXInstallControlStandIns();
    m_hParent = ::CreateWindowExA(0, "STATIC", "grid test", WS_POPUP | WS_VISIBLE, 0, 0, 700, 500, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(m_hParent, nullptr);
    grid = std::make_unique<CGXGridWnd>();
    grid->m_bQuietMessages = TRUE;
    ASSERT_TRUE(grid->CreateEx(0, "GXWND", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, 0, 0, 640, 480,
                               m_hParent, reinterpret_cast<HMENU>(21100)));
    grid->SetUpGrid();
    ASSERT_TRUE(grid->SetRowCount(60));
    ASSERT_TRUE(grid->SetColCount(12));
    ::SetFocus(grid->m_hWnd);
    Pump();
  }
  void TearDown() override {
    if (grid != nullptr && grid->m_hWnd != nullptr)
      grid->DestroyWindow();
    grid.reset();
    ::DestroyWindow(m_hParent);
  }
  static void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  // Keys by messages; the modifier states are set in the thread's keyboard state, where the grid reads
  // them.
  void Key(UINT vk, BOOL bCtrl = FALSE, BOOL bShift = FALSE) {
    BYTE state[256];
    ::GetKeyboardState(state);
    BYTE saved[256];
    memcpy(saved, state, sizeof state);
    state[VK_CONTROL] = bCtrl ? 0x80 : 0;
    state[VK_SHIFT] = bShift ? 0x80 : 0;
    ::SetKeyboardState(state);
    grid->SendMessage(WM_KEYDOWN, vk, 1);
    grid->SendMessage(WM_KEYUP, vk, 0xC0000001);
    ::SetKeyboardState(saved);
  }
  void Type(const char* psz) {
    for (; *psz != 0; ++psz)
      grid->SendMessage(WM_CHAR, (WPARAM)(unsigned char)*psz, 1);
  }
  LPARAM At(CPoint pt) { return MAKELPARAM(pt.x, pt.y); }
  CPoint Inside(ROWCOL r, ROWCOL c) {
    CRect rect = grid->CalcRectFromRowCol(r, c);
    return CPoint(rect.left + rect.Width() / 2, rect.top + rect.Height() / 2);
  }
  std::pair<ROWCOL, ROWCOL> Current() {
    ROWCOL r = 0, c = 0;
    if (!grid->GetActiveCell(r, c))
      return {0, 0};
    return {r, c};
  }
  HWND m_hParent = nullptr;
  std::unique_ptr<CGXGridWnd> grid;
};

TEST_F(GridWindowTest, SetUpFromTheWindowStylesAndALayout) {
  EXPECT_EQ(grid->GetScrollBarMode(GX_SBVERT), 10);
  EXPECT_EQ(grid->GetScrollBarMode(GX_SBHORZ), 10);
  EXPECT_TRUE(grid->IsInitialized());
  // Sizes follow the standard font as the window measures it.
  EXPECT_GT(grid->GetFontHeight(), 5);
  EXPECT_EQ(grid->GetRowHeight(1), (int)(1200 / (1000 / grid->GetFontHeight())));
  EXPECT_TRUE(::IsWindowVisible(grid->m_hWnd));
  EXPECT_EQ(grid->SendMessage(WM_GETDLGCODE) & 0x83, 0x83);
}

TEST_F(GridWindowTest, PaintsHeadersGridLinesFrozenRowsSelectionAndSpans) {
  CGXStyle red;
  red.SetInterior(RGB(255, 0, 0));
  grid->SetStyleRange(CGXCellRange(9, 4, 9, 4), red);
  grid->SetCoveredCellsRowCol(5, 2, 6, 3);
  grid->SelectRange(CGXCellRange(3, 2, 3, 2));
  Picture pic(*grid, 640, 480);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE), window = ::GetSysColor(COLOR_WINDOW);
  // The top-left header is plain button face inside its 3-D edge.
  const CRect corner = grid->CalcRectFromRowCol(0, 0);
  EXPECT_EQ(pic.At(corner.left + 5, corner.top + 4), face);
  // A data cell's interior, and its grid line on the right.
  const CRect cell = grid->CalcRectFromRowCol(8, 2);
  EXPECT_EQ(pic.At(cell.left + 3, cell.top + 3), window);
  EXPECT_NE(pic.At(cell.right - 1, cell.top + 3), window);
  // The interior colour of a style.
  const CRect redCell = grid->CalcRectFromRowCol(9, 4);
  EXPECT_EQ(pic.At(redCell.left + 3, redCell.top + 3), RGB(255, 0, 0));
  // The selected cell is inverted.
  const CRect sel = grid->CalcRectFromRowCol(3, 2);
  EXPECT_EQ(pic.At(sel.left + 3, sel.top + 3), (~window) & 0xFFFFFF);
  // Inside the spanned cell no grid line parts columns 2 and 3 or rows 5 and 6.
  const CRect span = grid->CalcRectFromRowCol(5, 2);
  const CRect col2 = grid->RangeToClientRect(5, 2, 5, 2);
  EXPECT_EQ(span, grid->RangeToClientRect(5, 2, 6, 3));
  EXPECT_EQ(pic.At(col2.right - 1, col2.top + 3), window);
  EXPECT_EQ(pic.At(col2.left + 3, col2.bottom - 1), window);
  EXPECT_NE(pic.At(col2.right - 1, grid->CalcRectFromRowCol(8, 2).top + 3), window);
}

// The whole picture of a small grid without texts, pixel by pixel, against the layout it must show: 3-D
// headers, grid lines, the line under a frozen row, an inverted selection, a spanned cell without inner
// lines, and the area beyond the last row and column.
TEST(GridPicture, EveryPixelFollowsTheLayout) {
  GXInstallControlStandIns();
  HWND hParent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 420, 220, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
  CGXGridWnd grid;
  ASSERT_TRUE(grid.CreateEx(0, "GXWND", "", WS_CHILD | WS_VISIBLE, 0, 0, 400, 200, hParent, nullptr));
  grid.SetUpGrid();
  grid.GetParam()->m_bNumberedColHeaders = FALSE;
  grid.GetParam()->m_bNumberedRowHeaders = FALSE;
  ASSERT_TRUE(grid.SetRowCount(5));
  ASSERT_TRUE(grid.SetColCount(4));
  const int heights[] = {20, 25, 30, 25, 25, 30}, widths[] = {40, 70, 60, 80, 50};
  for (ROWCOL r = 0; r <= 5; ++r)
    grid.StoreRowHeight(r, heights[r]);
  for (ROWCOL c = 0; c <= 4; ++c)
    grid.StoreColWidth(c, widths[c]);
  ASSERT_TRUE(grid.SetFrozenRows(1));
  grid.SetCoveredCellsRowCol(3, 2, 4, 3);
  grid.SelectRange(CGXCellRange(2, 1, 2, 2));
  Picture pic(grid, 400, 200);

  const COLORREF face = ::GetSysColor(COLOR_BTNFACE), light = ::GetSysColor(COLOR_BTNHIGHLIGHT),
                 shadow = ::GetSysColor(COLOR_BTNSHADOW), window = ::GetSysColor(COLOR_WINDOW);
  const CGXProperties* pProps = grid.GetParam()->GetProperties();
  const COLORREF line = GXResolveColor(pProps->GetColor(0)) & 0xFFFFFF;
  const COLORREF frozen = GXResolveColor(pProps->GetColor(1)) & 0xFFFFFF;
  const COLORREF beyond = GXResolveColor(pProps->GetColor(4)) & 0xFFFFFF;
  auto edgeOf = [](const int* sizes, int n) {
    int e = 0;
    for (int i = 0; i < n; ++i)
      e += sizes[i];
    return e;
  };
  const int nRight = edgeOf(widths, 5), nBottom = edgeOf(heights, 6);
  auto indexAt = [](const int* sizes, int count, int v) {
    for (int i = 0, e = 0; i < count; ++i) {
      if (v < e + sizes[i])
        return i;
      e += sizes[i];
    }
    return -1;
  };
  int nWrong = 0;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 400; ++x) {
      COLORREF want;
      const int c = indexAt(widths, 5, x), r = indexAt(heights, 6, y);
      if (c < 0 || r < 0) {
        want = beyond;
      } else {
        int left = edgeOf(widths, c), top = edgeOf(heights, r);
        int right = left + widths[c], bottom = top + heights[r];
        if (r == 0 || c == 0) {
          if (y == bottom - 1 || x == right - 1)
            want = shadow;
          else if (y == top || x == left)
            want = light;
          else
            want = face;
        } else {
          if (r >= 3 && r <= 4 && c >= 2 && c <= 3) {  // the spanned cell
            left = edgeOf(widths, 2);
            top = edgeOf(heights, 3);
            right = edgeOf(widths, 4);
            bottom = edgeOf(heights, 5);
          }
          want = (x == right - 1 || y == bottom - 1) ? line : window;
          if (r == 2 && (c == 1 || c == 2))  // selected
            want = (~want) & 0xFFFFFF;
        }
        if (y == edgeOf(heights, 2) - 1 && x < nRight)  // under the frozen row
          want = frozen;
      }
      if (y >= nBottom && x < nRight)
        want = beyond;
      if (pic.At(x, y) != want && ++nWrong <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << pic.At(x, y) << " not " << want;
    }
  }
  EXPECT_EQ(nWrong, 0);
  grid.DestroyWindow();
  ::DestroyWindow(hParent);
}

TEST_F(GridWindowTest, FrozenRowsStayWhileTheRestScrolls) {
  ASSERT_TRUE(grid->SetFrozenRows(1));
  grid->SetValueRange(CGXCellRange(1, 1, 1, 1), "frozen");
  CGXStyle blue;
  blue.SetInterior(RGB(0, 0, 255));
  grid->SetStyleRange(CGXCellRange(1, 1, 1, 1), blue);
  grid->SendMessage(WM_VSCROLL, SB_PAGEDOWN);
  EXPECT_GT(grid->GetTopRow(), 2u);
  EXPECT_EQ(grid->CGXGridCore::GetScrollPos(GX_SBVERT), grid->GetTopRow());
  Picture pic(*grid, 640, 480);
  const CRect frozen = grid->CalcRectFromRowCol(1, 1);
  EXPECT_EQ(frozen.top, grid->GetRowHeight(0));
  EXPECT_EQ(pic.At(frozen.right - 4, frozen.top + 3), RGB(0, 0, 255));  // right of the text
  // The line that ends the frozen rows, in the frozen-lines colour.
  const COLORREF frozenLine = GXResolveColor(grid->GetParam()->GetProperties()->GetColor(1)) & 0xFFFFFF;
  EXPECT_EQ(pic.At(frozen.left + 20, frozen.bottom - 1), frozenLine);
  // The row below the frozen one is the top row.
  EXPECT_EQ(grid->GetRow(2), grid->GetTopRow());
  grid->SendMessage(WM_VSCROLL, SB_TOP);
  EXPECT_EQ(grid->GetTopRow(), 2u);
}

TEST_F(GridWindowTest, KeyboardNavigation) {
  ASSERT_TRUE(grid->ChangeCurrentCell(10, 5));
  struct Case {
    UINT vk;
    BOOL ctrl, shift;
    ROWCOL row, col;
  } cases[] = {
      {VK_DOWN, FALSE, FALSE, 11, 5},  {VK_UP, FALSE, FALSE, 10, 5},  {VK_RIGHT, FALSE, FALSE, 10, 6},
      {VK_LEFT, FALSE, FALSE, 10, 5},  {VK_TAB, FALSE, FALSE, 10, 6}, {VK_TAB, FALSE, TRUE, 10, 5},
      {VK_END, TRUE, FALSE, 60, 12},   {VK_HOME, TRUE, FALSE, 1, 1},  {VK_DOWN, TRUE, FALSE, 60, 1},
      {VK_RIGHT, TRUE, FALSE, 60, 12}, {VK_UP, TRUE, FALSE, 1, 12},   {VK_LEFT, TRUE, FALSE, 1, 1},
      {VK_HOME, FALSE, FALSE, 1, 1},
  };
  for (const Case& c : cases) {
    Key(c.vk, c.ctrl, c.shift);
    EXPECT_EQ(Current(), Cell(c.row, c.col)) << "key " << c.vk << " ctrl " << c.ctrl;
  }
  Key(VK_NEXT);
  EXPECT_GT(Current().first, 1u);
  EXPECT_GT(grid->GetTopRow(), 1u);
  Key(VK_PRIOR);
  EXPECT_EQ(grid->GetTopRow(), 1u);
  EXPECT_EQ(Current(), Cell(1u, 1u));
  // Keys moving past the window scroll the current cell into view.
  ASSERT_TRUE(grid->ChangeCurrentCell(1, 1));
  for (int i = 0; i < 40; ++i)
    Key(VK_DOWN);
  EXPECT_EQ(Current().first, 41u);
  EXPECT_GE(grid->GetLastVisibleRow(), 41u);
  EXPECT_GT(grid->GetTopRow(), 1u);
}

TEST_F(GridWindowTest, EditingAndStoringOnEnter) {
  ASSERT_TRUE(grid->ChangeCurrentCell(4, 2));
  Type("hello");
  EXPECT_TRUE(grid->IsActiveCellControlEditing());
  Key(VK_RETURN);
  EXPECT_STREQ(grid->GetValueRowCol(4, 2), "hello");
  EXPECT_EQ(Current(), Cell(4u, 3u));
  // F2 edits, Escape throws the edit away.
  Key(VK_LEFT);
  Key(VK_F2);
  EXPECT_TRUE(grid->IsActiveCellControlEditing());
  Type("!");
  Key(VK_ESCAPE);
  EXPECT_STREQ(grid->GetValueRowCol(4, 2), "hello");
  // A cell that is left by the mouse stores too.
  Type("x");
  grid->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(Inside(7, 7)));
  grid->SendMessage(WM_LBUTTONUP, 0, At(Inside(7, 7)));
  EXPECT_STREQ(grid->GetValueRowCol(4, 2), "x");
  EXPECT_EQ(Current(), Cell(7u, 7u));
}

TEST_F(GridWindowTest, MouseClickDragHeadersAndColumnResize) {
  grid->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(Inside(3, 2)));
  EXPECT_EQ(Current(), Cell(3u, 2u));
  grid->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(Inside(6, 4)));
  grid->SendMessage(WM_LBUTTONUP, 0, At(Inside(6, 4)));
  CGXRangeList& sel = grid->GetParam()->m_selection;
  ASSERT_EQ(sel.GetCount(), 1);
  EXPECT_EQ(*sel.GetRangeAt(sel.GetHeadPosition()), CGXCellRange(3, 2, 6, 4));
  // A column header selects its column.
  grid->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(Inside(0, 3)));
  grid->SendMessage(WM_LBUTTONUP, 0, At(Inside(0, 3)));
  ASSERT_EQ(sel.GetCount(), 1);
  EXPECT_TRUE(sel.GetRangeAt(sel.GetHeadPosition())->IsCols());
  // A row header selects its row.
  grid->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(Inside(5, 0)));
  grid->SendMessage(WM_LBUTTONUP, 0, At(Inside(5, 0)));
  EXPECT_TRUE(sel.GetRangeAt(sel.GetHeadPosition())->IsRows());
  // Dragging the border of column 2 in the header row.
  const CRect head = grid->CalcRectFromRowCol(0, 2);
  const int nOld = grid->GetColWidth(2);
  grid->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(CPoint(head.right - 1, head.top + 3)));
  EXPECT_EQ(::GetCapture(), grid->m_hWnd);
  grid->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(CPoint(head.right + 30, head.top + 3)));
  grid->SendMessage(WM_LBUTTONUP, 0, At(CPoint(head.right + 30, head.top + 3)));
  EXPECT_NE(::GetCapture(), grid->m_hWnd);
  EXPECT_NEAR(grid->GetColWidth(2), nOld + 30, 2);
  EXPECT_EQ(grid->CalcRectFromRowCol(0, 3).left, grid->CalcRectFromRowCol(0, 2).right);
}

TEST_F(GridWindowTest, DragBelowTheWindowScrollsByTimer) {
  grid->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(Inside(3, 2)));
  grid->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(CPoint(150, 600)));
  EXPECT_TRUE(grid->IsAutoScrolling());
  // The timer runs through the message loop; waited for generously.
  for (int i = 0; i < 500 && grid->GetTopRow() < 4; ++i) {
    Pump();
    ::Sleep(10);
  }
  EXPECT_GE(grid->GetTopRow(), 4u);
  grid->SendMessage(WM_LBUTTONUP, 0, At(CPoint(150, 600)));
  EXPECT_FALSE(grid->IsAutoScrolling());
  const ROWCOL nTop = grid->GetTopRow();
  Pump();
  EXPECT_EQ(grid->GetTopRow(), nTop);
}

TEST_F(GridWindowTest, InsertRemoveAndMoveWithTheDisplayFollowing) {
  for (ROWCOL r = 1; r <= 6; ++r) {
    CString s;
    s.Format("v%lu", (unsigned long)r);
    grid->SetValueRange(CGXCellRange(r, 1, r, 1), s);
  }
  ASSERT_TRUE(grid->ChangeCurrentCell(4, 1));
  Pump();
  ::ValidateRect(grid->m_hWnd, nullptr);
  ASSERT_TRUE(grid->InsertRows(2, 1));
  RECT r;
  EXPECT_TRUE(::GetUpdateRect(grid->m_hWnd, &r, FALSE));
  Pump();
  EXPECT_EQ(grid->GetRowCount(), 61u);
  EXPECT_STREQ(grid->GetValueRowCol(3, 1), "v2");
  EXPECT_EQ(Current(), Cell(5u, 1u));
  ASSERT_TRUE(grid->RemoveRows(1, 2));
  EXPECT_STREQ(grid->GetValueRowCol(1, 1), "v2");
  EXPECT_EQ(Current(), Cell(3u, 1u));
  ASSERT_TRUE(grid->MoveRows(1, 1, 4));
  EXPECT_STREQ(grid->GetValueRowCol(4, 1), "v2");
  EXPECT_EQ(Current(), Cell(2u, 1u));
  ASSERT_TRUE(grid->InsertCols(1, 2));
  EXPECT_STREQ(grid->GetValueRowCol(4, 3), "v2");
  ASSERT_TRUE(grid->RemoveCols(1, 1));
  ASSERT_TRUE(grid->MoveCols(2, 2, 5));
  EXPECT_STREQ(grid->GetValueRowCol(4, 5), "v2");
  EXPECT_EQ(grid->GetColCount(), 13u);
  // The painted grid shows the new count of columns in its headers' extent.
  Pump();
  EXPECT_FALSE(::GetUpdateRect(grid->m_hWnd, &r, FALSE));
}

// A removal long enough to give feedback pumps the thread's messages, takes ESC from the queue and stops
// with the grid as it was; then the same removal is undone and redone by Ctrl+Z and Ctrl+R.
TEST_F(GridWindowTest, ALongRemovalStopsOnEscapeAndUndoRedoByKeys) {
  GX_LONGOP_STATE* p = GXGetLongOperationState();
  const DWORD nOldDelay = p->nFirstDelay;
  const BOOL bOldAsk = p->bAskBeforeAbort;
  p->nFirstDelay = 0;
  p->bAskBeforeAbort = FALSE;
  grid->SetValueRange(CGXCellRange(10, 1, 10, 1), "keep");
  grid->GetParam()->ClearUndoList();
  Pump();
  const UINT nProbe = WM_USER + 77;
  ::PostMessageA(m_hParent, nProbe, 0, 0);
  ::PostMessageA(grid->m_hWnd, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_FALSE(grid->RemoveRows(5, 40));
  EXPECT_EQ(grid->GetRowCount(), 60u);
  EXPECT_STREQ(grid->GetValueRowCol(10, 1), "keep");
  EXPECT_TRUE(grid->GetParam()->GetUndoList().IsEmpty());
  MSG msg;
  EXPECT_FALSE(::PeekMessageA(&msg, grid->m_hWnd, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
  EXPECT_FALSE(::PeekMessageA(&msg, m_hParent, nProbe, nProbe, PM_NOREMOVE));
  EXPECT_EQ(p->nLevel, 0);
  EXPECT_FALSE(p->bWaitCursor);

  EXPECT_TRUE(grid->RemoveRows(5, 40));
  EXPECT_EQ(grid->GetRowCount(), 24u);
  grid->SendMessage(WM_CHAR, 0x1A, 1);
  EXPECT_EQ(grid->GetRowCount(), 60u);
  EXPECT_STREQ(grid->GetValueRowCol(10, 1), "keep");
  grid->SendMessage(WM_CHAR, 0x12, 1);
  EXPECT_EQ(grid->GetRowCount(), 24u);
  p->nFirstDelay = nOldDelay;
  p->bAskBeforeAbort = bOldAsk;
}

TEST_F(GridWindowTest, ScrollBarsFollowTheGrid) {
  ASSERT_TRUE(grid->SetRowCount(100000));
  grid->UpdateScrollState();
  EXPECT_EQ(grid->GetScrollFactor(GX_SBVERT), 4u);
  int nMin = 0, nMax = 0;
  ::GetScrollRange(grid->m_hWnd, SB_VERT, &nMin, &nMax);
  EXPECT_EQ(nMax, (int)(grid->CalcLastTopRow() / 4));
  grid->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1000));
  EXPECT_EQ(grid->GetTopRow(), 999u * 4 + 1);
  EXPECT_EQ(::GetScrollPos(grid->m_hWnd, SB_VERT), (int)(grid->GetTopRow() / 4));
  grid->SendMessage(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(grid->GetTopRow(), 999u * 4 + 2);
  grid->SendMessage(WM_HSCROLL, SB_LINEDOWN);
  EXPECT_EQ(grid->GetLeftCol(), 2u);
  // Painting the scrolled grid works through the window's own paint message.
  grid->Invalidate();
  Pump();
  RECT r;
  EXPECT_FALSE(::GetUpdateRect(grid->m_hWnd, &r, FALSE));
}

TEST_F(GridWindowTest, RecordMessagesAndTheRecordCheck) {
  grid->SendMessage(WM_USER + 931, 4, 5);
  EXPECT_EQ(Current(), Cell(5, 1));
  grid->SendMessage(WM_USER + 931, 2, 0);
  EXPECT_EQ(Current(), Cell(6, 1));
  grid->SendMessage(WM_USER + 931, 3, 0);
  EXPECT_EQ(Current(), Cell(60, 1));
  // The record check passes without an edit in progress.
  EXPECT_EQ(grid->SendMessage(WM_USER + 914, 0), 0);
  Type("q");
  EXPECT_EQ(grid->SendMessage(WM_USER + 914, 0), 0);
  EXPECT_EQ(grid->SendMessage(WM_USER + 912), (LRESULT)grid->GetParam()->m_nOptionWord);
}

TEST(GridCustomControl, AWindowOfTheGridClassGetsASelfDeletingGrid) {
  HWND hWnd = ::CreateWindowA("CGXGridWnd", "", WS_POPUP | WS_VISIBLE | WS_VSCROLL, 0, 0, 300, 200, nullptr, nullptr,
                              ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(hWnd, nullptr);
  CGXGridWnd* pGrid = dynamic_cast<CGXGridWnd*>(CWnd::FromHandlePermanent(hWnd));
  ASSERT_NE(pGrid, nullptr);
  EXPECT_TRUE(pGrid->m_bAutoDelete);
  EXPECT_TRUE(pGrid->IsInitialized());
  EXPECT_EQ(pGrid->GetScrollBarMode(GX_SBVERT), 10);
  EXPECT_EQ(pGrid->GetScrollBarMode(GX_SBHORZ), 0);
  ::UpdateWindow(hWnd);
  ::DestroyWindow(hWnd);
  EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
}

// A 2 by 2 bitmap of 4 bits a pixel behind a header of the given size: colour 0 light grey (a button
// colour), colour 1 an ordinary colour; the top row is 0 1, the bottom row 1 0.
std::vector<BYTE> PackedBitmap(DWORD nHeaderSize) {
  std::vector<BYTE> b(nHeaderSize + 16 * 4 + 2 * 4, 0);
  BITMAPINFOHEADER h{};
  h.biSize = nHeaderSize;
  h.biWidth = 2;
  h.biHeight = -2;
  h.biPlanes = 1;
  h.biBitCount = 4;
  h.biCompression = BI_RGB;
  memcpy(b.data(), &h, sizeof h);
  BYTE* pTable = b.data() + nHeaderSize;
  pTable[0] = pTable[1] = pTable[2] = 0xC0;
  pTable[4] = 0x56;  // blue, green, red
  pTable[5] = 0x34;
  pTable[6] = 0x12;
  BYTE* pBits = pTable + 16 * 4;
  pBits[0] = 0x01;
  pBits[4] = 0x10;
  return b;
}

COLORREF PixelOf(HBITMAP hBitmap, int x, int y) {
  HDC hDC = ::CreateCompatibleDC(nullptr);
  HGDIOBJ hOld = ::SelectObject(hDC, hBitmap);
  const COLORREF c = ::GetPixel(hDC, x, y);
  ::SelectObject(hDC, hOld);
  ::DeleteDC(hDC);
  return c;
}

TEST(GridDrawing, SystemColouredBitmapsReadTheHeaderTheyHave) {
  for (DWORD nHeader : {40u, 108u, 124u}) {
    std::vector<BYTE> b = PackedBitmap(nHeader);
    HBITMAP h = GXCreateSysColorBitmap(b.data(), (DWORD)b.size());
    ASSERT_NE(h, nullptr) << nHeader;
    EXPECT_EQ(PixelOf(h, 0, 0), ::GetSysColor(COLOR_BTNFACE)) << nHeader;
    EXPECT_EQ(PixelOf(h, 1, 0), RGB(0x12, 0x34, 0x56)) << nHeader;
    EXPECT_EQ(PixelOf(h, 0, 1), RGB(0x12, 0x34, 0x56)) << nHeader;
    ::DeleteObject(h);
    // Cut short, the bytes are refused.
    EXPECT_EQ(GXCreateSysColorBitmap(b.data(), (DWORD)b.size() - 1), nullptr) << nHeader;
  }
  HBITMAP h = nullptr;
  EXPECT_FALSE(LoadSysColorBitmap(h, MAKEINTRESOURCEA(21199)));
}

TEST(GridDrawing, PatternsAndEdges) {
  EXPECT_EQ(GXGetPatternBitmap(-1), nullptr);
  EXPECT_EQ(GXGetPatternBitmap(41), nullptr);
  ASSERT_NE(GXGetPatternBitmap(1), nullptr);
  EXPECT_EQ(GXGetPatternBitmap(1), GXGetPatternBitmap(1));
  // Pattern 1 is a checkerboard: its first row is 0x55.
  EXPECT_NE(PixelOf(GXGetPatternBitmap(1), 0, 0), PixelOf(GXGetPatternBitmap(1), 1, 0));
  // An edge rectangle with the adjust flag still draws its sides.
  HDC hScreen = ::GetDC(nullptr);
  HDC hDC = ::CreateCompatibleDC(hScreen);
  HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, 40, 40);
  ::ReleaseDC(nullptr, hScreen);
  HGDIOBJ hOld = ::SelectObject(hDC, hBitmap);
  FillSolidRectXY(hDC, 0, 0, 40, 40, RGB(1, 2, 3));
  EXPECT_EQ(::GetPixel(hDC, 20, 20), RGB(1, 2, 3));
  EXPECT_TRUE(DrawEdgeRect(hDC, 5, 5, 35, 35, EDGE_SUNKEN, TRUE));
  EXPECT_NE(::GetPixel(hDC, 5, 20), RGB(1, 2, 3));
  EXPECT_NE(::GetPixel(hDC, 34, 20), RGB(1, 2, 3));
  EXPECT_NE(::GetPixel(hDC, 20, 5), RGB(1, 2, 3));
  // A packed system colour is filled in the system's colour.
  FillSolidRectXY(hDC, 0, 0, 4, 4, 0xFEu << 24);
  EXPECT_EQ(::GetPixel(hDC, 1, 1), ::GetSysColor(0));
  ::SelectObject(hDC, hOld);
  ::DeleteObject(hBitmap);
  ::DeleteDC(hDC);
}

}  // namespace
