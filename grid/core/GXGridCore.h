// The grid engine: everything a grid does, as virtual operations over its parameter object. It converts
// between window coordinates and cells (row heights, column widths, hidden, frozen and header rows and
// columns, zoom), scrolls, keeps the current cell and its edit, takes keys and mouse input, inserts,
// removes and moves rows and columns, and draws the cells onto a drawing surface. It knows its window
// only through the Wnd* operations, which the grid window (GXGridWnd.h) overrides; without a window they
// answer from the engine's own record, so the engine runs and is tested without a window system.
// Not for: the data model (GXGridParam.h and its parts) or the cell controls' behaviour.
#ifndef GRID_CORE_GXGRIDCORE_H
#define GRID_CORE_GXGRIDCORE_H

#include "GXCommandFactory.h"
#include "GXControl.h"
#include "GXGridParam.h"
#include "GXStyleComposer.h"
#include "GXTextLayout.h"

#include <map>
#include <vector>

class CGXAbstractGridFreezeMenuHelperImp;

class CGXGridCore;

// Where the engine draws: fills, inverted rectangles and text in the font selected last. The grid window
// draws through a device context; tests record the calls.
class CGXGridSurface : public CGXTextMeasurer {
 public:
  virtual void FillRect(const CRect& rect, DWORD rgb) = 0;
  virtual void InvertRect(const CRect& rect) = 0;
  virtual void DrawTextLine(int x, int y, LPCTSTR psz, int nLength, DWORD rgb, const CRect& clip) = 0;
  // Selects the font of a style scaled by the zoom percentage.
  virtual void SelectFont(const CGXFont& font, int nZoom) = 0;
};

// Window-system numbers the engine reads, so that the portable engine takes real messages.
enum : UINT {
  GX_WM_KEYDOWN = 0x100,
  GX_WM_KEYUP = 0x101,
  GX_WM_CHAR = 0x102,
  GX_WM_DEADCHAR = 0x103,
  GX_WM_SYSKEYDOWN = 0x104,
  GX_WM_SYSKEYUP = 0x105,
  GX_WM_SYSCHAR = 0x106,
  GX_VK_BACK = 0x08,
  GX_VK_TAB = 0x09,
  GX_VK_RETURN = 0x0D,
  GX_VK_SHIFT = 0x10,
  GX_VK_CONTROL = 0x11,
  GX_VK_MENU = 0x12,
  GX_VK_ESCAPE = 0x1B,
  GX_VK_PRIOR = 0x21,
  GX_VK_NEXT = 0x22,
  GX_VK_END = 0x23,
  GX_VK_HOME = 0x24,
  GX_VK_LEFT = 0x25,
  GX_VK_UP = 0x26,
  GX_VK_RIGHT = 0x27,
  GX_VK_DOWN = 0x28,
  GX_VK_INSERT = 0x2D,
  GX_VK_DELETE = 0x2E,
  GX_VK_F2 = 0x71,
  GX_SB_LINEUP = 0,
  GX_SB_LINEDOWN = 1,
  GX_SB_PAGEUP = 2,
  GX_SB_PAGEDOWN = 3,
  GX_SB_THUMBPOSITION = 4,
  GX_SB_THUMBTRACK = 5,
  GX_SB_TOP = 6,
  GX_SB_BOTTOM = 7,
  GX_SB_ENDSCROLL = 8,
  GX_MK_SHIFT = 0x04,
  GX_MK_CONTROL = 0x08
};

// Update flags of redraws and structural operations.
enum : UINT { GX_INVALIDATE = 1, GX_UPDATENOW = 2, GX_SMART = 4 };

// Hit codes.
enum {
  GX_NOHIT = 0,
  GX_VERTLINE = 1,
  GX_HORZLINE = 2,
  GX_CELLHIT = 3,
  GX_HEADERHIT = 4,
  GX_SELEDGEHIT = 5,
  GX_FILLHANDLEHIT = 6,
  GX_HIDDENCOLHIT = 7,
  GX_HIDDENROWHIT = 8
};

// Move directions of the current cell.
enum {
  GX_UP = 1,
  GX_LEFT = 2,
  GX_DOWN = 3,
  GX_RIGHT = 4,
  GX_PGDOWN = 5,
  GX_PGUP = 6,
  GX_TOPROW = 7,
  GX_BOTTOMROW = 8,
  GX_LEFTCOL = 9,
  GX_RIGHTCOL = 10,
  GX_TOPLEFT = 11,
  GX_BOTTOMRIGHT = 12
};

// Scroll-bar bars and modes.
enum { GX_SBHORZ = 0, GX_SBVERT = 1, GX_SBBOTH = 3 };
enum { GX_SBALWAYS = 1, GX_SBAUTOMATIC = 2, GX_SBDISABLE = 4, GX_SBPROPORTIONAL = 8 };

class CGXGridCore {
 public:
  CGXGridCore(void* pGridWnd = nullptr, void* pDocument = nullptr, BOOL bFlag = FALSE);
  virtual ~CGXGridCore();
  CGXGridCore(const CGXGridCore&) = delete;
  CGXGridCore& operator=(const CGXGridCore&) = delete;

  // --- frame ----------------------------------------------------------------------------------------
  virtual void InitialSetUp();
  void AttachParam(CGXGridParam* pParam, BOOL bOwned = TRUE);
  CGXGridParam* GetParam() const { return m_pParam; }
  void FreeObjects();
  BOOL IsInitialized() const { return m_bInitDone; }
  // The area the grid draws into: the outside rectangle when one is set, else the client area.
  void GetGridRect(CRect& rect) const;
  CRect GetGridRect() const {
    CRect r;
    GetGridRect(r);
    return r;
  }
  void SetGridRect(BOOL bSet, const CRect& rect = CRect());
  BOOL IsReadOnly() const { return m_pParam != nullptr && m_pParam->m_bReadOnly; }
  BOOL SetReadOnly(BOOL bReadOnly);
  virtual void SetModified(BOOL bModified) { m_bModified = bModified; }
  // A borrowed undo feature (null: none); AttachCommandFactory makes an owned one.
  void SetUndoFeature(CGXAbstractCommandFactory* pUndo);
  CGXAbstractCommandFactory* GetUndoFeature() const { return m_pUndoImp; }

  // --- counts, frozen rows and columns, origin ------------------------------------------------------
  virtual ROWCOL GetRowCount() const;
  virtual ROWCOL GetColCount() const;
  virtual BOOL SetRowCount(ROWCOL nRows, UINT flags = GX_INVALIDATE);
  virtual BOOL SetColCount(ROWCOL nCols, UINT flags = GX_INVALIDATE);
  virtual BOOL StoreRowCount(ROWCOL nRows);
  virtual BOOL StoreColCount(ROWCOL nCols);
  virtual ROWCOL GetFrozenRows() const;
  virtual ROWCOL GetFrozenCols() const;
  virtual ROWCOL GetHeaderRows() const { return m_pParam != nullptr ? m_pParam->m_nHeaderRows : 0; }
  virtual ROWCOL GetHeaderCols() const { return m_pParam != nullptr ? m_pParam->m_nHeaderCols : 0; }
  virtual BOOL SetFrozenRows(ROWCOL nFrozen, ROWCOL nHeader = 0, UINT flags = GX_INVALIDATE, int nCmdMode = gxDo);
  virtual BOOL SetFrozenCols(ROWCOL nFrozen, ROWCOL nHeader = 0, UINT flags = GX_INVALIDATE, int nCmdMode = gxDo);
  virtual BOOL StoreFrozenRows(ROWCOL nFrozen, ROWCOL nHeader);
  virtual BOOL StoreFrozenCols(ROWCOL nFrozen, ROWCOL nHeader);
  ROWCOL GetTopRow() const { return m_nTopRow; }
  ROWCOL GetLeftCol() const { return m_nLeftCol; }
  virtual void SetTopRow(ROWCOL nRow, UINT flags = GX_INVALIDATE);
  virtual void SetLeftCol(ROWCOL nCol, UINT flags = GX_INVALIDATE);
  virtual BOOL OnTopRowChanging(ROWCOL nRow) {
    (void)nRow;
    return TRUE;
  }
  virtual BOOL OnLeftColChanging(ROWCOL nCol) {
    (void)nCol;
    return TRUE;
  }
  BOOL IsFrozenRow(ROWCOL nRow) const { return nRow != 0 && nRow <= GetFrozenRows(); }
  BOOL IsFrozenCol(ROWCOL nCol) const { return nCol != 0 && nCol <= GetFrozenCols(); }
  ROWCOL GetRow(ROWCOL nIndex) const;
  ROWCOL GetCol(ROWCOL nIndex) const;
  ROWCOL RowToVisibleIndex(ROWCOL nRow) const;
  ROWCOL ColToVisibleIndex(ROWCOL nCol) const;

  // --- row heights, column widths, geometry ---------------------------------------------------------
  virtual int GetRowHeight(ROWCOL nRow) const;
  virtual int GetColWidth(ROWCOL nCol) const;
  virtual int GetDefaultRowHeight() const;
  virtual int GetDefaultColWidth() const;
  virtual BOOL StoreRowHeight(ROWCOL nRow, int nHeight);
  virtual BOOL StoreColWidth(ROWCOL nCol, int nWidth);
  virtual BOOL StoreDefaultRowHeight(int nHeight);
  virtual BOOL StoreDefaultColWidth(int nWidth);
  virtual BOOL SetRowHeight(ROWCOL nFrom, ROWCOL nTo, int nHeight, UINT flags = GX_INVALIDATE);
  virtual BOOL SetColWidth(ROWCOL nFrom, ROWCOL nTo, int nWidth, UINT flags = GX_INVALIDATE);
  virtual BOOL SetDefaultRowHeight(int nHeight, UINT flags = GX_INVALIDATE, int nCmdMode = gxDo);
  virtual BOOL SetDefaultColWidth(int nWidth, UINT flags = GX_INVALIDATE, int nCmdMode = gxDo);
  // The recorded forms: every row (column) from..to gets nHeight pixels, or, with pStored, its own size
  // in the stored units (-1: the default).
  virtual BOOL SetRowHeights(ROWCOL nFrom, ROWCOL nTo, int nHeight, const LONG* pStored, UINT flags, int nCmdMode);
  virtual BOOL SetColWidths(ROWCOL nFrom, ROWCOL nTo, int nWidth, const LONG* pStored, UINT flags, int nCmdMode);
  virtual void OnRowHeightsChanged(ROWCOL nFrom, ROWCOL nTo, UINT flags);
  virtual void OnColWidthsChanged(ROWCOL nFrom, ROWCOL nTo, UINT flags);
  // The hide feature's answer, kept in the parameter object.
  virtual BOOL IsRowHidden(ROWCOL nRow) const;
  virtual BOOL IsColHidden(ROWCOL nCol) const;
  virtual BOOL HideRows(ROWCOL nFrom, ROWCOL nTo, BOOL bHide = TRUE, UINT flags = GX_INVALIDATE);
  virtual BOOL HideCols(ROWCOL nFrom, ROWCOL nTo, BOOL bHide = TRUE, UINT flags = GX_INVALIDATE);
  // The recorded forms: with pHidden each row (column) gets its own flag.
  virtual BOOL HideRowsEx(ROWCOL nFrom, ROWCOL nTo, BOOL bHide, const BYTE* pHidden, UINT flags, int nCmdMode);
  virtual BOOL HideColsEx(ROWCOL nFrom, ROWCOL nTo, BOOL bHide, const BYTE* pHidden, UINT flags, int nCmdMode);
  // The pixels of the standard font's character: height and average width (zoomed).
  virtual int GetFontHeight() const { return m_nDefaultCharHeight; }
  virtual int GetFontWidth() const { return m_nDefaultCharWidth; }
  void ComputeDefaultSizes();
  virtual BOOL SetZoom(int nPercent, UINT flags = GX_INVALIDATE);
  virtual int GetZoom() const;

  LONG SumRowHeights(ROWCOL nFrom, ROWCOL nTo, LONG nLimit = 0) const;
  LONG SumColWidths(ROWCOL nFrom, ROWCOL nTo, LONG nLimit = 0) const;
  LONG SumClientRowHeights(ROWCOL nFrom, ROWCOL nTo, LONG nLimit = 0) const;
  LONG SumClientColWidths(ROWCOL nFrom, ROWCOL nTo, LONG nLimit = 0) const;
  int CalcTopFromClientRow(ROWCOL nIndex) const;
  int CalcLeftFromClientCol(ROWCOL nIndex) const;
  // Client index under the coordinate (and its top or left edge); -1 past the last one.
  int CalcClientRowFromY(int y, int* pTop = nullptr) const;
  int CalcClientColFromX(int x, int* pLeft = nullptr) const;
  ROWCOL CalcBottomRowFromRect(const CRect& rect, BOOL* pPast = nullptr) const;
  ROWCOL CalcRightColFromRect(const CRect& rect, BOOL* pPast = nullptr) const;
  CRect RangeToClientRect(ROWCOL nTop, ROWCOL nLeft, ROWCOL nBottom, ROWCOL nRight, BOOL bUnclipped = FALSE) const;
  CRect CalcRectFromRowCol(ROWCOL nRow, ROWCOL nCol) const;
  CRect GetRectBelowRow(ROWCOL nRow) const;
  CRect GetRectRightOfCol(ROWCOL nCol) const;
  ROWCOL GetLastVisibleRow(BOOL* pPartial = nullptr) const;
  ROWCOL GetLastVisibleCol(BOOL* pPartial = nullptr) const;
  virtual int HitTest(CPoint point, ROWCOL* pRow = nullptr, ROWCOL* pCol = nullptr, CRect* pRect = nullptr) const;
  int GetResizeZone() const { return m_nResizeZone; }

  // --- covered cells (the covered-cells feature's store is the parameter object's list) -------------
  virtual BOOL SetCoveredCellsRowCol(ROWCOL nTop, ROWCOL nLeft, ROWCOL nBottom, ROWCOL nRight,
                                     UINT flags = GX_INVALIDATE, int nCmdMode = gxDo);
  virtual BOOL GetCoveredCellsRange(ROWCOL nRow, ROWCOL nCol, CGXCellRange& range) const;

  // --- styles and values ----------------------------------------------------------------------------
  BOOL ComposeStyleRowCol(ROWCOL nRow, ROWCOL nCol, CGXStyle& style) const;
  virtual BOOL SetStyleRange(const CGXCellRange& range, const CGXStyle& style, int nMode = CGXStyle::modeOverride,
                             UINT flags = GX_INVALIDATE);
  // The recorded form: pStyle merged with nMode into every cell (row, column) of the range, or, without
  // it, the saved styles put back, one per cell row by row (null: nothing stored).
  virtual BOOL SetStyleRangeEx(const CGXCellRange& range, const CGXStyle* pStyle, int nMode, int nType,
                               const CObArray* pSaved, UINT flags, int nCmdMode);
  // Stores a value as typed: the data object gets it with value kind 1, so that it reads a number
  // (or, in a formula sheet, a formula) where there is one.
  virtual BOOL SetValueRange(const CGXCellRange& range, LPCTSTR pszValue, UINT flags = GX_INVALIDATE);
  virtual CString GetValueRowCol(ROWCOL nRow, ROWCOL nCol) const;
  // Store layer of the style operations: FALSE under the read-only lock.
  virtual BOOL StoreStyleRowCol(ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle, int nMode, int nType = 0);
  // The stored style of a cell, row (column 0), column (row 0) or the table merged into style.
  BOOL GetStyleRowCol(ROWCOL nRow, ROWCOL nCol, CGXStyle& style, int nMode = CGXStyle::modeCopy, int nType = 0) const;
  // The value as the data object stores it (no row, column or base style).
  CString ReadStoredCellValue(ROWCOL nRow, ROWCOL nCol) const;
  // The stored styles of every cell of a range, row by row (null where nothing is stored); the caller
  // deletes them.
  std::vector<CGXStyle*> CopyStyleRange(const CGXCellRange& range) const;
  virtual void UpdateStyleRange(const CGXCellRange& range, UINT flags);
  // Copies a styles map or properties into the parameter object's (recorded for undo) and redraws.
  virtual BOOL ChangeStylesMap(const CGXStylesMap& map, UINT flags = GX_INVALIDATE, int nCmdMode = gxDo);
  virtual BOOL ChangeProperties(const CGXProperties& properties, UINT flags = GX_INVALIDATE, int nCmdMode = gxDo);
  virtual void UpdateStylesMap(UINT flags);
  virtual void UpdateProperties(UINT flags);
  // Merges a style into a base style and redraws with the sizes it gives.
  virtual BOOL ChangeBaseStyle(WORD nId, const CGXStyle& style, int nMode = CGXStyle::modeOverride,
                               UINT flags = GX_INVALIDATE, int nCmdMode = gxDo);
  virtual void UpdateBaseStyle(WORD nId, UINT flags);
  // The base style of an id; the not-supported exception when the styles map lacks it.
  const CGXStyle& GetBaseStyle(WORD nId) const;
  const CGXStyle& GetStandardStyle() const;
  // Replaces the control of an id (the old one is deleted); the default control is the one for id 0.
  void RegisterControl(UINT nId, CGXControl* pControl, BOOL bDefault = FALSE);

  // --- drawing --------------------------------------------------------------------------------------
  virtual void Redraw(UINT flags = GX_INVALIDATE);
  virtual void RedrawRowCol(const CGXCellRange& range, UINT flags = GX_INVALIDATE);
  // Lets the data object recalculate after a change and redraws the visible cells whose values the
  // recalculation changed (a plain data object reports none).
  virtual void RecalcAfterChange(UINT flags);
  // Draws every cell of the grid rectangle that meets the clip rectangle.
  virtual void OnGridDraw(CGXGridSurface& surface, const CRect& clip);
  virtual void DrawCell(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol, const CGXStyle& style);
  // The static text of a cell (value, alignment, wrap, overflow) into its inner rectangle.
  virtual void DrawCellText(CGXGridSurface& surface, const CRect& rect, const CString& sText, const CGXStyle& style);
  virtual CString GetHeaderText(ROWCOL nRow, ROWCOL nCol) const;

  // --- scrolling ------------------------------------------------------------------------------------
  virtual BOOL ScrollCellInView(ROWCOL nRow, ROWCOL nCol, UINT flags = GX_UPDATENOW);
  virtual BOOL DoScroll(int nDirection, ROWCOL nCount);
  BOOL ScrollGridBy(int nDirection, ROWCOL nCount) { return DoScroll(nDirection, nCount); }
  virtual void UpdateScrollState(BOOL bRedrawNow = TRUE, BOOL bOnlyIfCountsChanged = FALSE);
  virtual void SetScrollBarMode(int nBar, int nMode, BOOL bUpdate = TRUE);
  int GetScrollBarMode(int nBar) const;
  // The bar's range and position in rows or columns; the bar itself holds them divided by the bar's
  // factor, so that any number of rows fits its 16-bit range.
  void SetScrollRange(int nBar, int nMin, ROWCOL nMax, BOOL bRedraw);
  int SetScrollPos(int nBar, ROWCOL nPos, BOOL bRedraw);
  ROWCOL GetScrollPos(int nBar) const;
  ROWCOL GetScrollFactor(int nBar) const { return nBar == GX_SBVERT ? m_nVScrollFactor : m_nHScrollFactor; }
  virtual BOOL HandleVerticalScroll(UINT nCode, UINT nPos);
  virtual BOOL HandleHorizontalScroll(UINT nCode, UINT nPos);
  ROWCOL CalcLastTopRow() const;
  ROWCOL CalcLastLeftCol() const;
  // Scrolls so that the row (column) becomes the top row (left column), within the scrollable rows; TRUE
  // when the origin moved.
  BOOL ScrollToTopRow(ROWCOL nRow);
  BOOL ScrollToLeftCol(ROWCOL nCol);

  // --- current cell and edit mode -------------------------------------------------------------------
  BOOL GetActiveCell(ROWCOL& nRow, ROWCOL& nCol) const;
  BOOL IsCurrentCell(ROWCOL nRow, ROWCOL nCol) const;
  void SetActiveCellState(BOOL bActive, ROWCOL nRow, ROWCOL nCol);
  virtual CGXControl* GetCellControl(ROWCOL nRow, ROWCOL nCol);
  // The control registered for a composed style's control id (created on first use).
  CGXControl* GetRegisteredControl(const CGXStyle& style);
  CGXControl* GetActiveCellControl();
  BOOL IsActiveCellControlEditing();
  virtual BOOL ChangeCurrentCell(ROWCOL nRow, ROWCOL nCol, UINT flags = 0x0A);
  virtual BOOL CommitCurrentCell(BOOL bStore = TRUE, UINT flags = 0x0A, BOOL bNotify = TRUE);
  virtual BOOL CanChangeCurrentCell(int nMode, ROWCOL nRow, ROWCOL nCol);
  virtual BOOL FindEnterableCell(int nDirection, ROWCOL& nRow, ROWCOL& nCol);
  virtual BOOL StepCurrentCell(int nDirection, ROWCOL nCount = 1, BOOL bSelect = TRUE);
  virtual BOOL StepCurrentCellOrSelect(int nDirection, ROWCOL nCount = 1);
  virtual void FlushCurrentCellEdit(BOOL bValidate);
  void SetWarningText(LPCTSTR psz) { m_sWarningText = psz != nullptr ? psz : ""; }
  virtual void ShowPendingWarning();
  BOOL IsChangingCurrentCell() const { return m_bChangingCell; }
  // The record check of a dialog before it closes: with bSkip 0, validates an edit in progress and keeps
  // the cell when it fails.
  virtual BOOL CheckCurrentCellValid(BOOL bSkip);
  // Record navigation: 0 first, 1 previous, 2 next, 3 last row; 4 row n below the header rows.
  virtual void MoveToRecord(int nKind, ROWCOL n);
  // The cursor for a point: the library's cursor id and the system cursor that stands in when the program
  // lacks it (0, 0: the window's own cursor).
  virtual void GetHitCursor(CPoint point, UINT& nCursorId, UINT& nSystemCursor) const;
  // Hooks an application grid overrides.
  virtual BOOL OnStartEditing(ROWCOL nRow, ROWCOL nCol) {
    (void)nRow;
    (void)nCol;
    return TRUE;
  }
  virtual BOOL OnValidateCell(ROWCOL nRow, ROWCOL nCol) {
    (void)nRow;
    (void)nCol;
    return TRUE;
  }
  virtual BOOL OnCancelEditing(ROWCOL nRow, ROWCOL nCol) {
    (void)nRow;
    (void)nCol;
    return TRUE;
  }
  virtual void OnEndEditing(ROWCOL nRow, ROWCOL nCol) {
    (void)nRow;
    (void)nCol;
  }
  // Hooks the cell controls call: a cell's text changed, an edit was thrown away, the current cell
  // moved on (TRUE redraws the old one), Delete on a cell, a cell became current, mouse clicks (button 0
  // left, 1 middle, 2 right) and moves over a cell, and a click of a button inside a cell.
  virtual void OnModifyCell(ROWCOL nRow, ROWCOL nCol) { (void)nRow, (void)nCol; }
  virtual void OnCanceledEditing(ROWCOL nRow, ROWCOL nCol) { (void)nRow, (void)nCol; }
  virtual BOOL OnLeftCell(ROWCOL nRow, ROWCOL nCol, ROWCOL nNewRow, ROWCOL nNewCol) {
    (void)nRow, (void)nCol, (void)nNewRow, (void)nNewCol;
    return TRUE;
  }
  virtual BOOL OnDeleteCell(ROWCOL nRow, ROWCOL nCol) { return (void)nRow, (void)nCol, TRUE; }
  virtual void OnInitCurrentCell(ROWCOL nRow, ROWCOL nCol) { (void)nRow, (void)nCol; }
  virtual BOOL OnClickedRowCol(int nButton, BOOL bDouble, ROWCOL nRow, ROWCOL nCol, UINT nFlags, CPoint pt) {
    return (void)nButton, (void)bDouble, (void)nRow, (void)nCol, (void)nFlags, (void)pt, FALSE;
  }
  virtual BOOL OnMouseMoveOverRowCol(ROWCOL nRow, ROWCOL nCol, UINT nFlags, CPoint pt) {
    return (void)nRow, (void)nCol, (void)nFlags, (void)pt, FALSE;
  }
  virtual BOOL OnClickedButtonRowCol(ROWCOL nRow, ROWCOL nCol) { return (void)nRow, (void)nCol, FALSE; }
  virtual void RequestGridDimension(ROWCOL nRows, ROWCOL nCols) {
    (void)nRows;
    (void)nCols;
  }

  // --- keyboard and focus ---------------------------------------------------------------------------
  virtual BOOL DispatchGridKeys(UINT nMessage, UINT nKey, UINT nRepeat, UINT nFlags);
  virtual BOOL HandleKeyDown(UINT nKey, UINT nRepeat, UINT nFlags);
  virtual BOOL HandleChar(UINT nChar, UINT nRepeat, UINT nFlags);
  virtual BOOL HandleSysKeyDown(UINT nKey, UINT nRepeat, UINT nFlags);
  UINT HandleGetDlgCode(UINT nDefault) const { return nDefault | 0x83; }
  virtual BOOL ActivateGrid(BOOL bActivate);
  virtual void HandleSetFocus();
  virtual void HandleKillFocus(BOOL bToChild);
  virtual BOOL HandleSize(UINT nType, int cx, int cy);
  virtual BOOL HandleCancelMode();

  // --- mouse ----------------------------------------------------------------------------------------
  virtual BOOL HandleLeftButtonDown(UINT nFlags, CPoint point);
  virtual BOOL HandleMouseMove(UINT nFlags, CPoint point);
  virtual BOOL HandleLeftButtonUp(UINT nFlags, CPoint point);
  virtual BOOL HandleLeftButtonDblClk(UINT nFlags, CPoint point);
  // Auto-scrolling while a drag leaves the window: timer 992 every 10 ms, with one tick posted at
  // once; FALSE (and inactive) when the timer cannot be set.
  BOOL StartAutoScroll(BOOL bCapture, int nDirection, int nSpeed = 1);
  void StopAutoScroll();
  BOOL IsAutoScrolling() const { return m_bAutoScroll; }
  virtual BOOL HandleTimer(UINT_PTR nId);
  // The selection (the parameter object's list; its last range is the current one).
  virtual void ClearSelection(UINT flags = GX_INVALIDATE);
  virtual void SelectRange(const CGXCellRange& range, BOOL bSelect = TRUE, UINT flags = GX_INVALIDATE);
  BOOL IsCellInSelection(ROWCOL nRow, ROWCOL nCol) const;

  // --- inserting, removing and moving rows and columns ----------------------------------------------
  // pSaved: what a removal saved, put back into the inserted rows (columns).
  virtual BOOL InsertRows(ROWCOL nAt, ROWCOL nCount, UINT flags = GX_INVALIDATE, int nCmdMode = gxDo,
                          const CGXRemovedCells* pSaved = nullptr);
  virtual BOOL InsertCols(ROWCOL nAt, ROWCOL nCount, UINT flags = GX_INVALIDATE, int nCmdMode = gxDo,
                          const CGXRemovedCells* pSaved = nullptr);
  virtual BOOL RemoveRows(ROWCOL nFrom, ROWCOL nTo, UINT flags = GX_INVALIDATE, int nCmdMode = gxDo);
  virtual BOOL RemoveCols(ROWCOL nFrom, ROWCOL nTo, UINT flags = GX_INVALIDATE, int nCmdMode = gxDo);
  virtual BOOL MoveRows(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest, UINT flags = GX_INVALIDATE, int nCmdMode = gxDo);
  virtual BOOL MoveCols(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest, UINT flags = GX_INVALIDATE, int nCmdMode = gxDo);

  // --- undo and redo: forwarded to the undo feature (nothing, or FALSE, without it) -----------------
  void AttachCommandFactory();
  virtual BOOL Undo();
  virtual BOOL Redo();
  virtual void BeginTrans(LPCTSTR pszText);
  virtual void CommitTrans();
  virtual void Rollback();
  virtual void AddCommand(CGXCommand* pCmd, int nCmdMode);
  virtual void RemoveCommand(int nCmdMode);
  virtual BOOL ExecuteCommand(CGXCommand* pCmd, int nCmdMode);
  virtual void SetCurrentCellAfterCommand(ROWCOL nRow, ROWCOL nCol, BOOL bShow);
  virtual BOOL UpdateUndoMenuItem(GXMENUITEMSTATE* pItem);
  virtual BOOL UpdateRedoMenuItem(GXMENUITEMSTATE* pItem);
  // --- the freeze menu: forwarded to its feature (nothing, or FALSE, without it) --------------------
  void AttachFreezeMenuHelperImp();
  virtual BOOL CanFreezeCols();
  virtual BOOL CanUnfreezeCols();
  virtual void FreezeCols();
  virtual void UnfreezeCols();
  virtual BOOL CanFreezeRows();
  virtual BOOL CanUnfreezeRows();
  virtual void FreezeRows();
  virtual void UnfreezeRows();
  // Whether an operation running in this mode records its reverse command.
  BOOL IsRecordingUndo(int nCmdMode) const {
    return m_pUndoImp != nullptr && nCmdMode != gxRollback && m_pParam != nullptr && m_pParam->IsUndoEnabled();
  }
  // The undo state of this grid that the factory keeps here (the lists are the parameter object's).
  BOOL m_bExecutingBlock = FALSE;
  BOOL m_bPendingCurrentCell = FALSE;
  BOOL m_bPendingShow = FALSE;
  ROWCOL m_nPendingRow = 0;
  ROWCOL m_nPendingCol = 0;
  CString m_sTransText;
  CString m_sUndoTemplate;
  CString m_sRedoTemplate;
  virtual BOOL StoreInsertRows(ROWCOL nAt, ROWCOL nCount);
  virtual BOOL StoreInsertCols(ROWCOL nAt, ROWCOL nCount);
  virtual BOOL StoreRemoveRows(ROWCOL nFrom, ROWCOL nTo);
  virtual BOOL StoreRemoveCols(ROWCOL nFrom, ROWCOL nTo);
  virtual BOOL StoreMoveRows(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest);
  virtual BOOL StoreMoveCols(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest);
  virtual void UpdateInsertRows(ROWCOL nAt, ROWCOL nCount, UINT flags);
  virtual void UpdateInsertCols(ROWCOL nAt, ROWCOL nCount, UINT flags);
  virtual void UpdateRemoveRows(ROWCOL nFrom, ROWCOL nTo, UINT flags);
  virtual void UpdateRemoveCols(ROWCOL nFrom, ROWCOL nTo, UINT flags);
  virtual void UpdateMoveRows(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest, UINT flags);
  virtual void UpdateMoveCols(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest, UINT flags);

  // --- the window, as the engine sees it ---------------------------------------------------------
  // Without a window the engine answers from its own record (client rectangle, scroll bars, focus, key
  // states, invalidations), which is how it is driven in tests.
  virtual void WndGetClientRect(CRect& rect) const { rect = m_rectHeadlessClient; }
  virtual BOOL WndIsVisible() const { return TRUE; }
  virtual void WndInvalidateRect(const CRect* pRect, BOOL bErase);
  virtual void WndUpdateWindow() {}
  virtual void WndScrollWindow(int dx, int dy, const CRect& rect);
  virtual void WndSetScrollRange(int nBar, int nMin, int nMax, UINT nPage, BOOL bRedraw);
  virtual void WndSetScrollPos(int nBar, int nPos, BOOL bRedraw);
  virtual int WndGetScrollPos(int nBar) const { return m_headlessScroll[nBar == GX_SBVERT].nPos; }
  virtual void WndShowScrollBar(int nBar, BOOL bShow);
  virtual void WndSetFocus() { m_bHeadlessFocus = TRUE; }
  virtual void WndDrainKeyboardMessages() {}
  virtual int WndMessageBox(LPCTSTR pszText);
  // A question with OK and Cancel; TRUE for OK.
  virtual BOOL WndAskOkCancel(LPCTSTR pszText) {
    m_sLastMessageBox = pszText;
    return m_bHeadlessAnswerOk;
  }
  // Whether the key (GX_VK_SHIFT, GX_VK_CONTROL, GX_VK_MENU) is down now.
  virtual BOOL WndIsKeyDown(UINT nVirtKey) const;
  virtual BOOL WndSetTimer(UINT nId, UINT nMilliseconds) {
    (void)nId;
    (void)nMilliseconds;
    m_bHeadlessTimer = TRUE;
    return TRUE;
  }
  virtual void WndKillTimer(UINT nId) {
    (void)nId;
    m_bHeadlessTimer = FALSE;
  }
  virtual BOOL WndPostTimer(UINT nId) {
    (void)nId;
    return TRUE;
  }
  virtual void WndSetCapture(BOOL bCapture) { m_bHeadlessCapture = bCapture; }
  virtual BOOL WndHasCapture() const { return m_bHeadlessCapture; }
  // A measurer for the standard font outside a paint; null measures nothing (15 by 10 pixels).
  virtual CGXTextMeasurer* WndGetMeasurer(const CGXFont* pFont) {
    (void)pFont;
    return m_pMeasurer;
  }

  struct HeadlessScrollBar {
    int nMin = 0, nMax = 0, nPos = 0;
    UINT nPage = 0;
    BOOL bShown = TRUE;
  };
  CRect m_rectHeadlessClient{0, 0, 640, 480};
  HeadlessScrollBar m_headlessScroll[2];
  BOOL m_bHeadlessFocus = FALSE;
  BOOL m_bHeadlessCapture = FALSE;
  BOOL m_bHeadlessTimer = FALSE;
  UINT m_nHeadlessKeys = 0;  // GX_MK_SHIFT | GX_MK_CONTROL, and 0x10000 for Alt
  int m_nInvalidations = 0;
  CString m_sLastMessageBox;
  BOOL m_bHeadlessAnswerOk = TRUE;
  CGXTextMeasurer* m_pMeasurer = nullptr;  // not owned

 protected:
  CGXStyleComposer& Composer() const { return m_composer; }
  void ResetVisibleCache() const {
    m_nLastVisibleRow = (ROWCOL)-1;
    m_nLastVisibleCol = (ROWCOL)-1;
  }
  int StoredToPixels(LONG nStored, int nUnit) const;
  LONG PixelsToStored(int nPixels, int nUnit) const;
  void DrawCurrentCellFrame(CGXGridSurface& surface, const CRect& rectCell);
  BOOL LeaveCell(CGXControl* pOld, ROWCOL nOldRow, ROWCOL nOldCol);

  void* m_pGridWnd;
  void* m_pDocument;
  CGXGridParam* m_pParam = nullptr;
  BOOL m_bOwnParam = FALSE;
  BOOL m_bInitDone = FALSE;
  BOOL m_bModified = FALSE;
  CGXAbstractCommandFactory* m_pUndoImp = nullptr;
  BOOL m_bOwnUndoImp = FALSE;
  CGXAbstractGridFreezeMenuHelperImp* m_pFreezeMenuHelperImp = nullptr;  // owned
  // Files a reverse command made by an operation in nCmdMode (null: out of memory, nothing filed) and, for
  // undo and redo, brings the cell into view.
  void RecordCommand(CGXCommand* pCmd, int nCmdMode, ROWCOL nRow, ROWCOL nCol);
  mutable CGXStyleComposer m_composer;
  BOOL m_bGridRectSet = FALSE;
  CRect m_rectGrid;

  ROWCOL m_nTopRow = 1;
  ROWCOL m_nLeftCol = 1;
  mutable ROWCOL m_nLastVisibleRow = (ROWCOL)-1;
  mutable ROWCOL m_nLastVisibleCol = (ROWCOL)-1;
  int m_nDefaultCharHeight = 15;
  int m_nDefaultCharWidth = 10;
  int m_nZoom = 100;
  int m_nResizeZone = 8;
  BOOL m_bPrinting = FALSE;

  // Scrolling.
  int m_nVScrollMode = GX_SBAUTOMATIC;
  int m_nHScrollMode = GX_SBAUTOMATIC;
  ROWCOL m_nVScrollFactor = 1;
  ROWCOL m_nHScrollFactor = 1;
  BOOL m_bInUpdateScroll = FALSE;
  int m_nLockScroll = 0;
  BOOL m_bThumbTrack = TRUE;

  // Current cell.
  ROWCOL m_nCurrentRow = 0;
  ROWCOL m_nCurrentCol = 0;
  BOOL m_bActiveCell = FALSE;
  CGXControl* m_pCurrentControl = nullptr;  // one of m_controls
  CString m_sWarningText;
  BOOL m_bChangingCell = FALSE;  // a leave/validate step runs
  BOOL m_bFocusLost = FALSE;
  BOOL m_bCancelled = FALSE;
  BOOL m_bValidationFailed = FALSE;
  BOOL m_bHasFocus = FALSE;
  BOOL m_bKeepEdit = FALSE;
  BOOL m_bMoving = FALSE;
  std::map<UINT, CGXControl*> m_controls;   // owned, by control id
  CGXControl* m_pDefaultControl = nullptr;  // one of m_controls

  // Mouse.
  enum { mouseNone, mouseSelecting, mouseResizeCol, mouseResizeRow, mouseControl };
  int m_nMouseState = mouseNone;
  ROWCOL m_nAnchorRow = 0;
  ROWCOL m_nAnchorCol = 0;
  ROWCOL m_nResizeIndex = 0;
  CPoint m_ptLastMouse;
  BOOL m_bAutoScroll = FALSE;
  int m_nAutoScrollDirection = 0;
  int m_nAutoScrollSpeed = 1;
  int m_nResizeStart = 0;

  // Drawing.
  int m_nDrawDepth = 0;

  // The value kind that SetStyleRange hands the data object with each cell.
  int m_nStoreValueKind = 0;
};

#endif  // GRID_CORE_GXGRIDCORE_H
