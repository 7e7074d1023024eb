// The grid engine's frame, counts and origin, geometry, styles and values, scrolling, and the structural
// operations. The current cell, keys and mouse are in GXGridCoreCell.cpp, drawing in GXGridCoreDraw.cpp.
#include "GXGridCore.h"

#include "GXControlFactory.h"
#include "GXFreezeMenuHelperImp.h"
#include "GXGridState.h"

#include <algorithm>
#include <cstdlib>
#include <new>

// --- frame ------------------------------------------------------------------------------------------

CGXGridCore::CGXGridCore(void* pGridWnd, void* pDocument, BOOL bFlag) : m_pGridWnd(pGridWnd), m_pDocument(pDocument) {
  (void)bFlag;
  if (CGXAbstractControlFactory* pFactory = GXGetAppState()->m_pControlFactory)
    pFactory->AttachGridFeatures(this);
}

CGXGridCore::~CGXGridCore() {
  FreeObjects();
  SetUndoFeature(nullptr);
  delete m_pFreezeMenuHelperImp;
  GXGetAppState()->UnregisterGrid(this);
}

void CGXGridCore::FreeObjects() {
  for (auto& entry : m_controls)
    delete entry.second;
  m_controls.clear();
  m_pCurrentControl = nullptr;
  m_pDefaultControl = nullptr;
  if (m_bOwnParam)
    delete m_pParam;
  m_pParam = nullptr;
  m_bOwnParam = FALSE;
  m_composer.SetParam(nullptr);
  m_bActiveCell = FALSE;
}

void CGXGridCore::AttachParam(CGXGridParam* pParam, BOOL bOwned) {
  if (pParam == nullptr) {
    pParam = new CGXGridParam;
    bOwned = TRUE;
  }
  if (pParam == m_pParam) {
    m_bOwnParam = bOwned;
    return;
  }
  if (m_bOwnParam)
    delete m_pParam;
  m_pParam = pParam;
  m_bOwnParam = bOwned;
  m_composer.SetParam(m_pParam);
}

void CGXGridCore::InitialSetUp() {
  GX_GRID_STATE* pState = GXGetAppState();
  if (m_pParam == nullptr)
    AttachParam(new CGXGridParam, TRUE);
  pState->RegisterGridForData(m_pParam, this);
  if (m_pParam->GetProperties() == nullptr)
    m_pParam->SetProperties(new CGXProperties, TRUE);
  pState->RegisterGridForData(m_pParam->GetProperties(), this);
  if (m_pParam->GetStylesMap() == nullptr) {
    CGXStylesMap* pMap = new CGXStylesMap(RUNTIME_CLASS(CGXStyle));
    pMap->CreateStandardStyles();
    m_pParam->SetStylesMap(pMap, TRUE);
  }
  pState->RegisterGridForData(m_pParam->GetStylesMap(), this);
  if (m_pParam->GetData() == nullptr) {
    CGXData* pData = new CGXData;
    m_pParam->SetData(pData, TRUE);
    pData->InitParam(m_pParam);
  }
  pState->RegisterGridForData(m_pParam->GetData(), this);
  m_composer.SetParam(m_pParam);
  m_pParam->m_bInitialized = TRUE;
  m_nZoom = (int)m_pParam->m_nPercent;
  if (m_nZoom <= 0)
    m_nZoom = 100;
  ComputeDefaultSizes();
  m_bInitDone = TRUE;
  m_nTopRow = std::max(m_nTopRow, GetFrozenRows() + 1);
  m_nLeftCol = std::max(m_nLeftCol, GetFrozenCols() + 1);
  if (m_pParam->m_bRestoreCurrentCell && m_pParam->m_nCurrentRow <= GetRowCount() &&
      m_pParam->m_nCurrentCol <= GetColCount())
    SetActiveCellState(TRUE, m_pParam->m_nCurrentRow, m_pParam->m_nCurrentCol);
  ResetVisibleCache();
  UpdateScrollState(TRUE, FALSE);
}

void CGXGridCore::GetGridRect(CRect& rect) const {
  if (m_bGridRectSet)
    rect = m_rectGrid;
  else
    WndGetClientRect(rect);
  if (rect.right < rect.left || rect.bottom < rect.top)
    rect.SetRectEmpty();
}

void CGXGridCore::SetGridRect(BOOL bSet, const CRect& rect) {
  m_bGridRectSet = bSet;
  m_rectGrid = rect;
  ResetVisibleCache();
}

BOOL CGXGridCore::SetReadOnly(BOOL bReadOnly) {
  if (m_pParam != nullptr)
    m_pParam->m_bReadOnly = bReadOnly;
  return TRUE;
}

// --- the window without a window --------------------------------------------------------------------

void CGXGridCore::WndInvalidateRect(const CRect* pRect, BOOL bErase) {
  (void)pRect;
  (void)bErase;
  ++m_nInvalidations;
}

void CGXGridCore::WndScrollWindow(int dx, int dy, const CRect& rect) {
  (void)dx;
  (void)dy;
  WndInvalidateRect(&rect, TRUE);
}

void CGXGridCore::WndSetScrollRange(int nBar, int nMin, int nMax, UINT nPage, BOOL bRedraw) {
  (void)bRedraw;
  HeadlessScrollBar& bar = m_headlessScroll[nBar == GX_SBVERT];
  bar.nMin = nMin;
  bar.nMax = nMax;
  bar.nPage = nPage;
}

void CGXGridCore::WndSetScrollPos(int nBar, int nPos, BOOL bRedraw) {
  (void)bRedraw;
  m_headlessScroll[nBar == GX_SBVERT].nPos = nPos;
}

void CGXGridCore::WndShowScrollBar(int nBar, BOOL bShow) {
  if (nBar == GX_SBBOTH || nBar == GX_SBHORZ)
    m_headlessScroll[0].bShown = bShow;
  if (nBar == GX_SBBOTH || nBar == GX_SBVERT)
    m_headlessScroll[1].bShown = bShow;
}

int CGXGridCore::WndMessageBox(LPCTSTR pszText) {
  m_sLastMessageBox = pszText;
  return 1;
}

BOOL CGXGridCore::WndIsKeyDown(UINT nVirtKey) const {
  switch (nVirtKey) {
    case GX_VK_SHIFT:
      return (m_nHeadlessKeys & GX_MK_SHIFT) != 0;
    case GX_VK_CONTROL:
      return (m_nHeadlessKeys & GX_MK_CONTROL) != 0;
    case GX_VK_MENU:
      return (m_nHeadlessKeys & 0x10000) != 0;
    default:
      return FALSE;
  }
}

// --- counts, frozen rows and columns, origin --------------------------------------------------------

ROWCOL CGXGridCore::GetRowCount() const {
  return m_pParam != nullptr && m_pParam->GetData() != nullptr ? m_pParam->GetData()->GetRowCount() : 0;
}

ROWCOL CGXGridCore::GetColCount() const {
  return m_pParam != nullptr && m_pParam->GetData() != nullptr ? m_pParam->GetData()->GetColCount() : 0;
}

BOOL CGXGridCore::SetRowCount(ROWCOL nRows, UINT flags) {
  const ROWCOL nOld = GetRowCount();
  if (nRows < nOld)
    return RemoveRows(nRows + 1, nOld, flags);
  if (nRows > nOld)
    return InsertRows(nOld + 1, nRows - nOld, flags);
  return TRUE;
}

BOOL CGXGridCore::SetColCount(ROWCOL nCols, UINT flags) {
  const ROWCOL nOld = GetColCount();
  if (nCols < nOld)
    return RemoveCols(nCols + 1, nOld, flags);
  if (nCols > nOld)
    return InsertCols(nOld + 1, nCols - nOld, flags);
  return TRUE;
}

BOOL CGXGridCore::StoreRowCount(ROWCOL nRows) {
  if (m_pParam == nullptr || m_pParam->GetData() == nullptr || (m_pParam->m_bLockReadOnly && IsReadOnly()))
    return FALSE;
  if (!m_pParam->GetData()->SetRowCount(nRows))
    return FALSE;
  SetModified(TRUE);
  return TRUE;
}

BOOL CGXGridCore::StoreColCount(ROWCOL nCols) {
  if (m_pParam == nullptr || m_pParam->GetData() == nullptr || (m_pParam->m_bLockReadOnly && IsReadOnly()))
    return FALSE;
  if (!m_pParam->GetData()->SetColCount(nCols))
    return FALSE;
  SetModified(TRUE);
  return TRUE;
}

ROWCOL CGXGridCore::GetFrozenRows() const { return m_pParam != nullptr ? m_pParam->m_nFrozenRows : 0; }
ROWCOL CGXGridCore::GetFrozenCols() const { return m_pParam != nullptr ? m_pParam->m_nFrozenCols : 0; }

BOOL CGXGridCore::StoreFrozenRows(ROWCOL nFrozen, ROWCOL nHeader) {
  if (m_pParam == nullptr || (m_pParam->m_bLockReadOnly && IsReadOnly()))
    return FALSE;
  m_pParam->m_nFrozenRows = nFrozen;
  m_pParam->m_nHeaderRows = nHeader;
  SetModified(TRUE);
  return TRUE;
}

BOOL CGXGridCore::StoreFrozenCols(ROWCOL nFrozen, ROWCOL nHeader) {
  if (m_pParam == nullptr || (m_pParam->m_bLockReadOnly && IsReadOnly()))
    return FALSE;
  m_pParam->m_nFrozenCols = nFrozen;
  m_pParam->m_nHeaderCols = nHeader;
  SetModified(TRUE);
  return TRUE;
}

BOOL CGXGridCore::SetFrozenRows(ROWCOL nFrozen, ROWCOL nHeader, UINT flags, int nCmdMode) {
  const ROWCOL nOldFrozen = GetFrozenRows(), nOldHeader = GetHeaderRows();
  if (!StoreFrozenRows(nFrozen, nHeader))
    return FALSE;
  m_nTopRow = std::max(m_nTopRow, nFrozen + 1);
  ResetVisibleCache();
  if (m_pParam != nullptr && !m_pParam->m_bLockUpdate)
    Redraw(flags);
  if (IsRecordingUndo(nCmdMode))
    RecordCommand(m_pUndoImp->CreateSetFrozenRowsCmd(nOldFrozen, nOldHeader), nCmdMode, 0, 0);
  return TRUE;
}

BOOL CGXGridCore::SetFrozenCols(ROWCOL nFrozen, ROWCOL nHeader, UINT flags, int nCmdMode) {
  const ROWCOL nOldFrozen = GetFrozenCols(), nOldHeader = GetHeaderCols();
  if (!StoreFrozenCols(nFrozen, nHeader))
    return FALSE;
  m_nLeftCol = std::max(m_nLeftCol, nFrozen + 1);
  ResetVisibleCache();
  if (m_pParam != nullptr && !m_pParam->m_bLockUpdate)
    Redraw(flags);
  if (IsRecordingUndo(nCmdMode))
    RecordCommand(m_pUndoImp->CreateSetFrozenColsCmd(nOldFrozen, nOldHeader), nCmdMode, 0, 0);
  return TRUE;
}

void CGXGridCore::SetTopRow(ROWCOL nRow, UINT flags) {
  nRow = std::min(nRow, GetRowCount());
  if (nRow == 0)
    nRow = 1;
  ResetVisibleCache();
  nRow = std::max(nRow, GetFrozenRows() + 1);
  if (flags & (GX_UPDATENOW | GX_SMART)) {
    ScrollToTopRow(nRow);
    if (flags & GX_UPDATENOW)
      WndUpdateWindow();
    return;
  }
  if (!OnTopRowChanging(nRow))
    return;
  m_nTopRow = nRow;
  if (flags & GX_INVALIDATE) {
    UpdateScrollState(FALSE, FALSE);
    CRect r = GetGridRect();
    WndInvalidateRect(&r, TRUE);
  }
}

void CGXGridCore::SetLeftCol(ROWCOL nCol, UINT flags) {
  nCol = std::min(nCol, GetColCount());
  if (nCol == 0)
    nCol = 1;
  ResetVisibleCache();
  nCol = std::max(nCol, GetFrozenCols() + 1);
  if (flags & (GX_UPDATENOW | GX_SMART)) {
    ScrollToLeftCol(nCol);
    if (flags & GX_UPDATENOW)
      WndUpdateWindow();
    return;
  }
  if (!OnLeftColChanging(nCol))
    return;
  m_nLeftCol = nCol;
  if (flags & GX_INVALIDATE) {
    UpdateScrollState(FALSE, FALSE);
    CRect r = GetGridRect();
    WndInvalidateRect(&r, TRUE);
  }
}

namespace {

// The shift between a visible index past the frozen part and its row (column).
ROWCOL OriginShift(ROWCOL nOrigin, ROWCOL nFrozen) { return nOrigin >= nFrozen + 2 ? nOrigin - nFrozen : 1; }

}  // namespace

ROWCOL CGXGridCore::GetRow(ROWCOL nIndex) const {
  const ROWCOL f = GetFrozenRows();
  if (nIndex > f && nIndex != (ROWCOL)-1)
    return nIndex + OriginShift(m_nTopRow, f) - 1;
  return nIndex;
}

ROWCOL CGXGridCore::GetCol(ROWCOL nIndex) const {
  const ROWCOL f = GetFrozenCols();
  if (nIndex > f && nIndex != (ROWCOL)-1)
    return nIndex + OriginShift(m_nLeftCol, f) - 1;
  return nIndex;
}

ROWCOL CGXGridCore::RowToVisibleIndex(ROWCOL nRow) const {
  const ROWCOL f = GetFrozenRows();
  if (nRow > f && nRow < m_nTopRow)
    return 0;
  if (nRow > f && nRow != (ROWCOL)-1)
    return nRow - OriginShift(m_nTopRow, f) + 1;
  return nRow;
}

ROWCOL CGXGridCore::ColToVisibleIndex(ROWCOL nCol) const {
  const ROWCOL f = GetFrozenCols();
  if (nCol > f && nCol < m_nLeftCol)
    return 0;
  if (nCol > f && nCol != (ROWCOL)-1)
    return nCol - OriginShift(m_nLeftCol, f) + 1;
  return nCol;
}

// --- row heights and column widths ------------------------------------------------------------------

int CGXGridCore::StoredToPixels(LONG nStored, int nUnit) const {
  const LONG nPer = 1000 / std::max(1, nUnit);
  return nPer > 0 ? (int)(nStored / nPer) : (int)nStored;
}

LONG CGXGridCore::PixelsToStored(int nPixels, int nUnit) const {
  const LONG nPer = 1000 / std::max(1, nUnit);
  return std::max<LONG>(1, nPer) * nPixels;
}

BOOL CGXGridCore::IsRowHidden(ROWCOL nRow) const {
  return m_pParam != nullptr && nRow < (ROWCOL)m_pParam->m_hiddenRows.GetSize() && m_pParam->m_hiddenRows[(int)nRow];
}

BOOL CGXGridCore::IsColHidden(ROWCOL nCol) const {
  return m_pParam != nullptr && nCol < (ROWCOL)m_pParam->m_hiddenCols.GetSize() && m_pParam->m_hiddenCols[(int)nCol];
}

namespace {

BOOL SetHidden(CByteArray& array, ROWCOL nFrom, ROWCOL nTo, BOOL bHide) {
  if (nTo < nFrom)
    nTo = nFrom;
  if (nTo >= 0x7FFFFFF0)
    return FALSE;
  if (bHide && (int)nTo >= array.GetSize())
    array.SetSize((int)nTo + 1);
  for (ROWCOL n = nFrom; n <= nTo && (int)n < array.GetSize(); ++n)
    array[(int)n] = bHide ? 1 : 0;
  return TRUE;
}

}  // namespace

BOOL CGXGridCore::HideRows(ROWCOL nFrom, ROWCOL nTo, BOOL bHide, UINT flags) {
  return HideRowsEx(nFrom, nTo, bHide, nullptr, flags, gxDo);
}

BOOL CGXGridCore::HideCols(ROWCOL nFrom, ROWCOL nTo, BOOL bHide, UINT flags) {
  return HideColsEx(nFrom, nTo, bHide, nullptr, flags, gxDo);
}

namespace {

// The size of a per-row (per-column) array that undo saves; 0 when the span is beyond what undo keeps.
size_t UndoSpan(ROWCOL nFrom, ROWCOL nTo) {
  const ROWCOL n = nTo - nFrom + 1;
  return nTo < nFrom || n == 0 || n > 0x100000 ? 0 : (size_t)n;
}

}  // namespace

BOOL CGXGridCore::HideRowsEx(ROWCOL nFrom, ROWCOL nTo, BOOL bHide, const BYTE* pHidden, UINT flags, int nCmdMode) {
  if (m_pParam == nullptr)
    return FALSE;
  nTo = std::max(nFrom, nTo);
  const size_t nSpan = IsRecordingUndo(nCmdMode) ? UndoSpan(nFrom, nTo) : 0;
  BYTE* pOld = nSpan != 0 ? new (std::nothrow) BYTE[nSpan] : nullptr;
  for (size_t i = 0; pOld != nullptr && i < nSpan; ++i)
    pOld[i] = IsRowHidden(nFrom + (ROWCOL)i) ? 1 : 0;
  BOOL bDone = TRUE;
  if (pHidden == nullptr) {
    bDone = SetHidden(m_pParam->m_hiddenRows, nFrom, nTo, bHide);
  } else {
    for (ROWCOL n = nFrom; bDone && n <= nTo; ++n)
      bDone = SetHidden(m_pParam->m_hiddenRows, n, n, pHidden[n - nFrom]);
  }
  if (!bDone) {
    delete[] pOld;
    return FALSE;
  }
  OnRowHeightsChanged(nFrom, nTo, flags);
  if (pOld != nullptr) {
    CGXCommand* pCmd = m_pUndoImp->CreateHideRowsCmd(nFrom, nTo, pOld);
    if (pCmd == nullptr)
      delete[] pOld;
    RecordCommand(pCmd, nCmdMode, nFrom, m_nLeftCol);
  }
  return TRUE;
}

BOOL CGXGridCore::HideColsEx(ROWCOL nFrom, ROWCOL nTo, BOOL bHide, const BYTE* pHidden, UINT flags, int nCmdMode) {
  if (m_pParam == nullptr)
    return FALSE;
  nTo = std::max(nFrom, nTo);
  const size_t nSpan = IsRecordingUndo(nCmdMode) ? UndoSpan(nFrom, nTo) : 0;
  BYTE* pOld = nSpan != 0 ? new (std::nothrow) BYTE[nSpan] : nullptr;
  for (size_t i = 0; pOld != nullptr && i < nSpan; ++i)
    pOld[i] = IsColHidden(nFrom + (ROWCOL)i) ? 1 : 0;
  BOOL bDone = TRUE;
  if (pHidden == nullptr) {
    bDone = SetHidden(m_pParam->m_hiddenCols, nFrom, nTo, bHide);
  } else {
    for (ROWCOL n = nFrom; bDone && n <= nTo; ++n)
      bDone = SetHidden(m_pParam->m_hiddenCols, n, n, pHidden[n - nFrom]);
  }
  if (!bDone) {
    delete[] pOld;
    return FALSE;
  }
  OnColWidthsChanged(nFrom, nTo, flags);
  if (pOld != nullptr) {
    CGXCommand* pCmd = m_pUndoImp->CreateHideColsCmd(nFrom, nTo, pOld);
    if (pCmd == nullptr)
      delete[] pOld;
    RecordCommand(pCmd, nCmdMode, m_nTopRow, nFrom);
  }
  return TRUE;
}

int CGXGridCore::GetRowHeight(ROWCOL nRow) const {
  if (m_pParam == nullptr || IsRowHidden(nRow))
    return 0;
  LONG nStored;
  if (m_pParam->m_rowHeights.Lookup(nRow, nStored))
    return StoredToPixels(nStored, GetFontHeight());
  return GetDefaultRowHeight();
}

int CGXGridCore::GetColWidth(ROWCOL nCol) const {
  if (m_pParam == nullptr || IsColHidden(nCol))
    return 0;
  LONG nStored;
  if (m_pParam->m_colWidths.Lookup(nCol, nStored))
    return StoredToPixels(nStored, GetFontWidth());
  return GetDefaultColWidth();
}

int CGXGridCore::GetDefaultRowHeight() const {
  return m_pParam != nullptr ? StoredToPixels(m_pParam->m_nDefaultRowHeight, GetFontHeight()) : 0;
}

int CGXGridCore::GetDefaultColWidth() const {
  return m_pParam != nullptr ? StoredToPixels(m_pParam->m_nDefaultColWidth, GetFontWidth()) : 0;
}

BOOL CGXGridCore::StoreRowHeight(ROWCOL nRow, int nHeight) {
  if (m_pParam == nullptr)
    return FALSE;
  if (nHeight < 0)
    m_pParam->m_rowHeights.RemoveKey(nRow);
  else
    m_pParam->m_rowHeights.SetAt(nRow, PixelsToStored(nHeight, GetFontHeight()));
  ResetVisibleCache();
  return TRUE;
}

BOOL CGXGridCore::StoreColWidth(ROWCOL nCol, int nWidth) {
  if (m_pParam == nullptr)
    return FALSE;
  if (nWidth < 0)
    m_pParam->m_colWidths.RemoveKey(nCol);
  else
    m_pParam->m_colWidths.SetAt(nCol, PixelsToStored(nWidth, GetFontWidth()));
  ResetVisibleCache();
  return TRUE;
}

BOOL CGXGridCore::StoreDefaultRowHeight(int nHeight) {
  if (m_pParam == nullptr || nHeight <= 0)
    return FALSE;
  m_pParam->m_nDefaultRowHeight = PixelsToStored(nHeight, GetFontHeight());
  ResetVisibleCache();
  return TRUE;
}

BOOL CGXGridCore::StoreDefaultColWidth(int nWidth) {
  if (m_pParam == nullptr || nWidth <= 0)
    return FALSE;
  m_pParam->m_nDefaultColWidth = PixelsToStored(nWidth, GetFontWidth());
  ResetVisibleCache();
  return TRUE;
}

BOOL CGXGridCore::SetRowHeight(ROWCOL nFrom, ROWCOL nTo, int nHeight, UINT flags) {
  return SetRowHeights(nFrom, nTo, nHeight, nullptr, flags, gxDo);
}

BOOL CGXGridCore::SetColWidth(ROWCOL nFrom, ROWCOL nTo, int nWidth, UINT flags) {
  return SetColWidths(nFrom, nTo, nWidth, nullptr, flags, gxDo);
}

namespace {

// The sizes of from..to as the map stores them (-1: none), for undo; null when the span is too large
// or memory runs out.
LONG* SaveStoredSizes(const CGXMapDWordToLong& map, ROWCOL nFrom, ROWCOL nTo) {
  const size_t nSpan = UndoSpan(nFrom, nTo);
  LONG* pOld = nSpan != 0 ? new (std::nothrow) LONG[nSpan] : nullptr;
  for (size_t i = 0; pOld != nullptr && i < nSpan; ++i) {
    LONG n = -1;
    pOld[i] = map.Lookup(nFrom + (DWORD)i, n) ? n : -1;
  }
  return pOld;
}

void RestoreStoredSizes(CGXMapDWordToLong& map, ROWCOL nFrom, ROWCOL nTo, const LONG* pStored) {
  for (ROWCOL n = nFrom;; ++n) {
    if (pStored[n - nFrom] < 0)
      map.RemoveKey(n);
    else
      map.SetAt(n, pStored[n - nFrom]);
    if (n == nTo)
      break;
  }
}

}  // namespace

BOOL CGXGridCore::SetRowHeights(ROWCOL nFrom, ROWCOL nTo, int nHeight, const LONG* pStored, UINT flags,
                                int nCmdMode) {
  if (m_pParam == nullptr)
    return FALSE;
  if (nTo == 0 || nTo < nFrom)
    nTo = nFrom;
  LONG* pOld = IsRecordingUndo(nCmdMode) ? SaveStoredSizes(m_pParam->m_rowHeights, nFrom, nTo) : nullptr;
  BOOL bChanged = FALSE;
  if (pStored != nullptr) {
    RestoreStoredSizes(m_pParam->m_rowHeights, nFrom, nTo, pStored);
    ResetVisibleCache();
    bChanged = TRUE;
  } else {
    for (ROWCOL n = nFrom;; ++n) {
      bChanged |= StoreRowHeight(n, nHeight);
      if (n == nTo)
        break;
    }
  }
  if (!bChanged) {
    delete[] pOld;
    return FALSE;
  }
  OnRowHeightsChanged(nFrom, nTo, flags);
  if (pOld != nullptr) {
    CGXCommand* pCmd = m_pUndoImp->CreateSetRowHeightCmd(nFrom, nTo, pOld);
    if (pCmd == nullptr)
      delete[] pOld;
    RecordCommand(pCmd, nCmdMode, nFrom, m_nLeftCol);
  }
  return TRUE;
}

BOOL CGXGridCore::SetColWidths(ROWCOL nFrom, ROWCOL nTo, int nWidth, const LONG* pStored, UINT flags,
                               int nCmdMode) {
  if (m_pParam == nullptr)
    return FALSE;
  if (nTo == 0 || nTo < nFrom)
    nTo = nFrom;
  LONG* pOld = IsRecordingUndo(nCmdMode) ? SaveStoredSizes(m_pParam->m_colWidths, nFrom, nTo) : nullptr;
  BOOL bChanged = FALSE;
  if (pStored != nullptr) {
    RestoreStoredSizes(m_pParam->m_colWidths, nFrom, nTo, pStored);
    ResetVisibleCache();
    bChanged = TRUE;
  } else {
    for (ROWCOL n = nFrom;; ++n) {
      bChanged |= StoreColWidth(n, nWidth);
      if (n == nTo)
        break;
    }
  }
  if (!bChanged) {
    delete[] pOld;
    return FALSE;
  }
  OnColWidthsChanged(nFrom, nTo, flags);
  if (pOld != nullptr) {
    CGXCommand* pCmd = m_pUndoImp->CreateSetColWidthCmd(nFrom, nTo, pOld);
    if (pCmd == nullptr)
      delete[] pOld;
    RecordCommand(pCmd, nCmdMode, m_nTopRow, nFrom);
  }
  return TRUE;
}

BOOL CGXGridCore::SetDefaultRowHeight(int nHeight, UINT flags, int nCmdMode) {
  const int nOld = GetDefaultRowHeight();
  if (!StoreDefaultRowHeight(nHeight))
    return FALSE;
  OnRowHeightsChanged(1, GetRowCount(), flags);
  if (IsRecordingUndo(nCmdMode))
    RecordCommand(m_pUndoImp->CreateSetDefaultRowHeightCmd(nOld), nCmdMode, 0, 0);
  return TRUE;
}

BOOL CGXGridCore::SetDefaultColWidth(int nWidth, UINT flags, int nCmdMode) {
  const int nOld = GetDefaultColWidth();
  if (!StoreDefaultColWidth(nWidth))
    return FALSE;
  OnColWidthsChanged(1, GetColCount(), flags);
  if (IsRecordingUndo(nCmdMode))
    RecordCommand(m_pUndoImp->CreateSetDefaultColWidthCmd(nOld), nCmdMode, 0, 0);
  return TRUE;
}

void CGXGridCore::OnRowHeightsChanged(ROWCOL nFrom, ROWCOL nTo, UINT flags) {
  ResetVisibleCache();
  if (GetRowHeight(nFrom) == 0 && m_bActiveCell && m_nCurrentRow >= nFrom && m_nCurrentRow <= nTo)
    FlushCurrentCellEdit(TRUE);
  if (m_pParam != nullptr && !m_pParam->m_bLockUpdate)
    Redraw(flags);
}

void CGXGridCore::OnColWidthsChanged(ROWCOL nFrom, ROWCOL nTo, UINT flags) {
  ResetVisibleCache();
  if (GetColWidth(nFrom) == 0 && m_bActiveCell && m_nCurrentCol >= nFrom && m_nCurrentCol <= nTo)
    FlushCurrentCellEdit(TRUE);
  if (m_pParam != nullptr && !m_pParam->m_bLockUpdate)
    Redraw(flags);
}

void CGXGridCore::ComputeDefaultSizes() {
  const CGXStyle* pStandard = m_composer.GetStandardStyle();
  const CGXFont* pFont =
      pStandard != nullptr && pStandard->GetInclude(CGXStyle::gxFont) ? &pStandard->GetFont() : nullptr;
  CGXTextMeasurer* pMeasurer = pFont != nullptr ? WndGetMeasurer(pFont) : nullptr;
  if (pMeasurer != nullptr) {
    const GXTEXTMETRICS tm = pMeasurer->GetTextMetrics();
    m_nDefaultCharHeight = std::max(1, tm.nHeight + tm.nExternalLeading);
    const int nWidth = tm.bVariablePitch ? tm.nAveCharWidth * 3 / 2 : tm.nAveCharWidth;
    m_nDefaultCharWidth = std::max(1, nWidth);
  } else {
    const int nZoom = GetZoom();
    m_nDefaultCharHeight = std::max(1, 15 * nZoom / 100);
    m_nDefaultCharWidth = std::max(1, 10 * nZoom / 100);
  }
  ResetVisibleCache();
}

BOOL CGXGridCore::SetZoom(int nPercent, UINT flags) {
  if (nPercent < 1 || nPercent > 1000)
    return FALSE;
  const int nOld = GetZoom();
  m_nZoom = nPercent;
  if (m_pParam != nullptr)
    m_pParam->m_nPercent = (DWORD)nPercent;
  ComputeDefaultSizes();
  if (m_pParam != nullptr && !m_pParam->m_bLockUpdate && nOld != GetZoom())
    Redraw(flags);
  return TRUE;
}

int CGXGridCore::GetZoom() const {
  if (m_bPrinting || m_pParam == nullptr || m_pParam->m_bNoZoom)
    return 100;
  return m_nZoom;
}

// --- geometry ---------------------------------------------------------------------------------------

LONG CGXGridCore::SumRowHeights(ROWCOL nFrom, ROWCOL nTo, LONG nLimit) const {
  LONG nSum = 0;
  for (ROWCOL n = nFrom; n <= nTo; ++n) {
    if (nLimit > 0 && nSum > nLimit)
      break;
    nSum += GetRowHeight(n);
    if (n == (ROWCOL)-1)
      break;
  }
  return nSum;
}

LONG CGXGridCore::SumColWidths(ROWCOL nFrom, ROWCOL nTo, LONG nLimit) const {
  LONG nSum = 0;
  for (ROWCOL n = nFrom; n <= nTo; ++n) {
    if (nLimit > 0 && nSum > nLimit)
      break;
    nSum += GetColWidth(n);
    if (n == (ROWCOL)-1)
      break;
  }
  return nSum;
}

LONG CGXGridCore::SumClientRowHeights(ROWCOL nFrom, ROWCOL nTo, LONG nLimit) const {
  LONG nSum = 0;
  for (ROWCOL n = nFrom; n <= nTo; ++n) {
    if (nLimit > 0 && nSum > nLimit)
      break;
    nSum += GetRowHeight(GetRow(n));
  }
  return nSum;
}

LONG CGXGridCore::SumClientColWidths(ROWCOL nFrom, ROWCOL nTo, LONG nLimit) const {
  LONG nSum = 0;
  for (ROWCOL n = nFrom; n <= nTo; ++n) {
    if (nLimit > 0 && nSum > nLimit)
      break;
    nSum += GetColWidth(GetCol(n));
  }
  return nSum;
}

int CGXGridCore::CalcTopFromClientRow(ROWCOL nIndex) const {
  return GetGridRect().top + (nIndex == 0 ? 0 : (int)SumClientRowHeights(0, nIndex - 1));
}

int CGXGridCore::CalcLeftFromClientCol(ROWCOL nIndex) const {
  return GetGridRect().left + (nIndex == 0 ? 0 : (int)SumClientColWidths(0, nIndex - 1));
}

int CGXGridCore::CalcClientRowFromY(int y, int* pTop) const {
  const CRect grid = GetGridRect();
  const ROWCOL nCount = GetRowCount();
  int nEdge = grid.top;
  if (pTop != nullptr)
    *pTop = nEdge;
  if (y < grid.top)
    return 0;
  for (ROWCOL i = 0;; ++i) {
    const ROWCOL nRow = GetRow(i);
    if (nRow > nCount)
      return -1;
    const int h = GetRowHeight(nRow);
    if (nEdge + h > y) {
      if (pTop != nullptr)
        *pTop = nEdge;
      return (int)i;
    }
    nEdge += h;
  }
}

int CGXGridCore::CalcClientColFromX(int x, int* pLeft) const {
  const CRect grid = GetGridRect();
  const ROWCOL nCount = GetColCount();
  int nEdge = grid.left;
  if (pLeft != nullptr)
    *pLeft = nEdge;
  if (x < grid.left)
    return 0;
  for (ROWCOL i = 0;; ++i) {
    const ROWCOL nCol = GetCol(i);
    if (nCol > nCount)
      return -1;
    const int w = GetColWidth(nCol);
    if (nEdge + w > x) {
      if (pLeft != nullptr)
        *pLeft = nEdge;
      return (int)i;
    }
    nEdge += w;
  }
}

ROWCOL CGXGridCore::CalcBottomRowFromRect(const CRect& rect, BOOL* pPast) const {
  const CRect grid = GetGridRect();
  const ROWCOL nCount = GetRowCount();
  if (pPast != nullptr)
    *pPast = FALSE;
  int y = grid.top;
  for (ROWCOL i = 0;; ++i) {
    const ROWCOL nRow = GetRow(i);
    if (nRow > nCount)
      break;
    y += GetRowHeight(nRow);
    if (y >= rect.bottom)
      return nRow;
  }
  if (pPast != nullptr)
    *pPast = TRUE;
  return nCount;
}

ROWCOL CGXGridCore::CalcRightColFromRect(const CRect& rect, BOOL* pPast) const {
  const CRect grid = GetGridRect();
  const ROWCOL nCount = GetColCount();
  if (pPast != nullptr)
    *pPast = FALSE;
  int x = grid.left;
  for (ROWCOL i = 0;; ++i) {
    const ROWCOL nCol = GetCol(i);
    if (nCol > nCount)
      break;
    x += GetColWidth(nCol);
    if (x >= rect.right)
      return nCol;
  }
  if (pPast != nullptr)
    *pPast = TRUE;
  return nCount;
}

ROWCOL CGXGridCore::GetLastVisibleRow(BOOL* pPartial) const {
  const CRect grid = GetGridRect();
  BOOL bPast = FALSE;
  if (m_nLastVisibleRow == (ROWCOL)-1 || pPartial != nullptr)
    m_nLastVisibleRow = CalcBottomRowFromRect(grid, &bPast);
  if (pPartial != nullptr) {
    const CRect r = RangeToClientRect(m_nLastVisibleRow, 0, m_nLastVisibleRow, 0);
    *pPartial = !bPast && r.bottom > grid.bottom;
  }
  return m_nLastVisibleRow;
}

ROWCOL CGXGridCore::GetLastVisibleCol(BOOL* pPartial) const {
  const CRect grid = GetGridRect();
  BOOL bPast = FALSE;
  if (m_nLastVisibleCol == (ROWCOL)-1 || pPartial != nullptr)
    m_nLastVisibleCol = CalcRightColFromRect(grid, &bPast);
  if (pPartial != nullptr) {
    const CRect r = RangeToClientRect(0, m_nLastVisibleCol, 0, m_nLastVisibleCol);
    *pPartial = !bPast && r.right > grid.right;
  }
  return m_nLastVisibleCol;
}

CRect CGXGridCore::RangeToClientRect(ROWCOL nTop, ROWCOL nLeft, ROWCOL nBottom, ROWCOL nRight, BOOL bUnclipped) const {
  if (nTop > nBottom)
    std::swap(nTop, nBottom);
  if (nLeft > nRight)
    std::swap(nLeft, nRight);
  const ROWCOL fr = GetFrozenRows(), fc = GetFrozenCols();
  if ((nLeft > fc && nRight < m_nLeftCol) || (nTop > fr && nBottom < m_nTopRow))
    return CRect();
  ROWCOL l = (nLeft > fc && nLeft < m_nLeftCol) ? ColToVisibleIndex(m_nLeftCol) : ColToVisibleIndex(nLeft);
  ROWCOL t = (nTop > fr && nTop < m_nTopRow) ? RowToVisibleIndex(m_nTopRow) : RowToVisibleIndex(nTop);
  ROWCOL r = (nRight > fc && nRight < m_nLeftCol) ? fc : ColToVisibleIndex(nRight);
  ROWCOL b = (nBottom > fr && nBottom < m_nTopRow) ? fr : RowToVisibleIndex(nBottom);
  const CRect grid = GetGridRect();
  const LONG nMaxX = 2L * grid.right, nMaxY = 2L * grid.bottom;
  LONG x = grid.left, y = grid.top;
  ROWCOL i = 0;
  for (; i < l && (bUnclipped || x <= nMaxX); ++i)
    x += GetColWidth(GetCol(i));
  const LONG nLeftEdge = x;
  for (; i <= r && (bUnclipped || x <= nMaxX); ++i)
    x += GetColWidth(GetCol(i));
  for (i = 0; i < t && (bUnclipped || y <= nMaxY); ++i)
    y += GetRowHeight(GetRow(i));
  const LONG nTopEdge = y;
  for (; i <= b && (bUnclipped || y <= nMaxY); ++i)
    y += GetRowHeight(GetRow(i));
  return CRect((int)nLeftEdge, (int)nTopEdge, (int)x, (int)y);
}

CRect CGXGridCore::CalcRectFromRowCol(ROWCOL nRow, ROWCOL nCol) const {
  CGXCellRange range(nRow, nCol, nRow, nCol);
  GetCoveredCellsRange(nRow, nCol, range);
  return RangeToClientRect(range.top, range.left, range.bottom, range.right);
}

CRect CGXGridCore::GetRectBelowRow(ROWCOL nRow) const {
  CRect rect = GetGridRect();
  if (nRow == 0)
    rect.top += GetRowHeight(0);
  else
    rect.top = CalcTopFromClientRow(RowToVisibleIndex(nRow)) + GetRowHeight(nRow);
  return rect;
}

CRect CGXGridCore::GetRectRightOfCol(ROWCOL nCol) const {
  CRect rect = GetGridRect();
  if (nCol == 0)
    rect.left += GetColWidth(0);
  else
    rect.left = CalcLeftFromClientCol(ColToVisibleIndex(nCol)) + GetColWidth(nCol);
  return rect;
}

int CGXGridCore::HitTest(CPoint point, ROWCOL* pRow, ROWCOL* pCol, CRect* pRect) const {
  const CRect grid = GetGridRect();
  const BOOL bInside = grid.PtInRect(point);
  point.x = std::max(0, (int)point.x);
  point.y = std::max(0, (int)point.y);
  if (!bInside && !grid.PtInRect(point))
    return GX_NOHIT;
  const int t = m_nResizeZone;
  int nTop = 0, nLeft = 0;
  const int ri = CalcClientRowFromY(point.y, &nTop);
  const int ci = CalcClientColFromX(point.x, &nLeft);
  ROWCOL nRow = ri >= 0 ? GetRow((ROWCOL)ri) : (point.y > t / 2 + 1 ? GetRowCount() + 1 : 0);
  ROWCOL nCol = ci >= 0 ? GetCol((ROWCOL)ci) : (point.x > t / 2 + 1 ? GetColCount() + 1 : 0);
  CRect rect;
  if (ri >= 0 && ci >= 0)
    rect.SetRect(nLeft, nTop, nLeft + GetColWidth(nCol), nTop + GetRowHeight(nRow));
  const ROWCOL hr = GetHeaderRows(), hc = GetHeaderCols();
  int nHit = GX_NOHIT;
  const CGXGridParam* p = m_pParam;
  if (p != nullptr && ci >= 0 && p->IsColResizeAllowed(3) && ((ri >= 0 && nRow <= hr) || p->IsColResizeAllowed(4))) {
    const int nRight = nLeft + GetColWidth(nCol);
    if (nRight - point.x <= t / 2) {
      if (!(nCol <= hc && p->IsColResizeAllowed(8)))
        nHit = GX_VERTLINE;
    } else if (point.x - nLeft <= t / 2 && ci > 0) {
      ROWCOL nBefore = GetCol((ROWCOL)ci - 1);
      if (!(nBefore <= hc && p->IsColResizeAllowed(8))) {
        if (point.x - nLeft > t / 4 && GetColWidth(nBefore) == 0) {
          nHit = GX_HIDDENCOLHIT;
          nCol = nBefore;
        } else {
          ROWCOL i = (ROWCOL)ci - 1;
          while (i > 0 && GetColWidth(GetCol(i)) == 0)
            --i;
          nCol = GetCol(i);
          nHit = GX_VERTLINE;
          rect.right = nLeft;
          rect.left = nLeft - GetColWidth(nCol);
        }
      }
    }
  }
  if (nHit == GX_NOHIT && p != nullptr && ri >= 0 && p->IsRowResizeAllowed(3) &&
      ((ci >= 0 && nCol <= hc) || p->IsRowResizeAllowed(4))) {
    const int nBottom = nTop + GetRowHeight(nRow);
    if (nBottom - point.y <= t / 2) {
      if (!(nRow <= hr && p->IsRowResizeAllowed(8)))
        nHit = GX_HORZLINE;
    } else if (point.y - nTop <= t / 2 && ri > 0) {
      ROWCOL nBefore = GetRow((ROWCOL)ri - 1);
      if (!(nBefore <= hr && p->IsRowResizeAllowed(8))) {
        if (point.y - nTop > t / 4 && GetRowHeight(nBefore) == 0) {
          nHit = GX_HIDDENROWHIT;
          nRow = nBefore;
        } else {
          ROWCOL i = (ROWCOL)ri - 1;
          while (i > 0 && GetRowHeight(GetRow(i)) == 0)
            --i;
          nRow = GetRow(i);
          nHit = GX_HORZLINE;
          rect.bottom = nTop;
          rect.top = nTop - GetRowHeight(nRow);
        }
      }
    }
  }
  if (nHit == GX_NOHIT && ri >= 0 && ci >= 0)
    nHit = (nCol > hc && nRow > hr) ? GX_CELLHIT : GX_HEADERHIT;
  if (pRow != nullptr)
    *pRow = nRow;
  if (pCol != nullptr)
    *pCol = nCol;
  if (pRect != nullptr)
    *pRect = rect;
  return nHit;
}

// --- covered cells ----------------------------------------------------------------------------------

BOOL CGXGridCore::SetCoveredCellsRowCol(ROWCOL nTop, ROWCOL nLeft, ROWCOL nBottom, ROWCOL nRight, UINT flags,
                                        int nCmdMode) {
  if (m_pParam == nullptr || nBottom < nTop || nRight < nLeft)
    return FALSE;
  // The reverse puts back the span that held the top-left cell (or none).
  CGXCellRange old(nTop, nLeft, nTop, nLeft);
  GetCoveredCellsRange(nTop, nLeft, old);
  CGXRangeList& list = m_pParam->m_coveredCells;
  // A new covered area replaces the areas it meets.
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    POSITION cur = pos;
    CGXCellRange* p = list.GetRangeAt(pos);
    list.GetNext(pos);
    CGXCellRange cut;
    if (cut.IntersectRanges(*p, CGXCellRange(nTop, nLeft, nBottom, nRight)))
      list.DeleteAt(cur);
  }
  if (nBottom > nTop || nRight > nLeft)
    list.AddRange(CGXCellRange(nTop, nLeft, nBottom, nRight));
  RedrawRowCol(CGXCellRange(nTop, nLeft, nBottom, nRight), flags);
  if (IsRecordingUndo(nCmdMode))
    RecordCommand(m_pUndoImp->CreateSetCoveredCellsCmd(old.top, old.left, old.bottom, old.right), nCmdMode, nTop,
                  nLeft);
  return TRUE;
}

BOOL CGXGridCore::GetCoveredCellsRange(ROWCOL nRow, ROWCOL nCol, CGXCellRange& range) const {
  if (m_pParam == nullptr || m_pParam->m_coveredCells.IsEmpty())
    return FALSE;
  POSITION pos = m_pParam->m_coveredCells.FindRange(nRow, nCol);
  if (pos == nullptr)
    return FALSE;
  range = *m_pParam->m_coveredCells.GetRangeAt(pos);
  return TRUE;
}

// --- styles and values ------------------------------------------------------------------------------

BOOL CGXGridCore::ComposeStyleRowCol(ROWCOL nRow, ROWCOL nCol, CGXStyle& style) const {
  return m_composer.ComposeStyleRowCol(nRow, nCol, style, TRUE);
}

BOOL CGXGridCore::StoreStyleRowCol(ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle, int nMode, int nType) {
  if (m_pParam == nullptr || m_pParam->GetData() == nullptr || (m_pParam->m_bLockReadOnly && IsReadOnly()))
    return FALSE;
  return m_pParam->GetData()->StoreStyleRowCol(nRow, nCol, pStyle, nMode, nType);
}

BOOL CGXGridCore::SetStyleRange(const CGXCellRange& range, const CGXStyle& style, int nMode, UINT flags) {
  return SetStyleRangeEx(range, &style, nMode, 0, nullptr, flags, gxDo);
}

namespace {

// The cells (rows, columns, the table) a range stores styles in, in the order undo saves them; the
// walk ends early when fn answers FALSE.
template <class FN>
void ForEachStoredSlot(const CGXCellRange& range, FN fn) {
  if (range.IsTable()) {
    fn(0, 0, -1);
  } else if (range.IsRows()) {
    for (ROWCOL r = range.top; r <= range.bottom && fn(r, 0, -1); ++r)
      if (r == (ROWCOL)-1)
        break;
  } else if (range.IsCols()) {
    for (ROWCOL c = range.left; c <= range.right && fn(0, c, -1); ++c)
      if (c == (ROWCOL)-1)
        break;
  } else {
    for (ROWCOL r = range.top; r <= range.bottom; ++r) {
      for (ROWCOL c = range.left; c <= range.right; ++c) {
        if (!fn(r, c, 0))
          return;
        if (c == (ROWCOL)-1)
          break;
      }
      if (r == (ROWCOL)-1)
        break;
    }
  }
}

}  // namespace

BOOL CGXGridCore::SetStyleRangeEx(const CGXCellRange& rangeIn, const CGXStyle* pStyle, int nMode, int nType,
                                  const CObArray* pSaved, UINT flags, int nCmdMode) {
  if (m_pParam == nullptr || !rangeIn.IsValid() || (pStyle == nullptr && pSaved == nullptr))
    return FALSE;
  const CGXCellRange range = rangeIn;
  BOOL bRecord = IsRecordingUndo(nCmdMode);
  if (bRecord && range.IsCells() && !GXRangeFitsUndo(range.bottom - range.top + 1, range.right - range.left + 1)) {
    if (!WndAskOkCancel("Operation is too large for the undo buffer. Do you want to continue?"))
      return FALSE;
    bRecord = FALSE;
  }
  CObArray* pOld = nullptr;
  if (bRecord) {
    pOld = new CObArray;
    ForEachStoredSlot(range, [&](ROWCOL r, ROWCOL c, int nSlotType) {
      CGXStyle style;
      pOld->Add(GetStyleRowCol(r, c, style, CGXStyle::modeCopy, nSlotType) ? style.Clone() : nullptr);
      return TRUE;
    });
  }
  const BOOL bPrevDataUndo = m_pUndoImp != nullptr ? m_pUndoImp->EnableDataUndo(this, bRecord) : FALSE;
  BOOL bChanged = FALSE;
  int nIndex = 0;
  ForEachStoredSlot(range, [&](ROWCOL r, ROWCOL c, int nSlotType) {
    if (pStyle != nullptr) {
      // A cell takes the value as typed when SetValueRange stores it (value kind 1).
      bChanged |= StoreStyleRowCol(r, c, pStyle, nMode, nSlotType == 0 ? m_nStoreValueKind : nSlotType);
      return TRUE;
    }
    if (nIndex >= pSaved->GetSize())
      return FALSE;
    const CGXStyle* pOldStyle = static_cast<const CGXStyle*>(pSaved->GetAt(nIndex++));
    bChanged |= StoreStyleRowCol(r, c, pOldStyle, CGXStyle::modeCopy, nSlotType);
    return TRUE;
  });
  if (m_pUndoImp != nullptr)
    m_pUndoImp->EnableDataUndo(this, bPrevDataUndo);
  if (!bChanged) {
    GXFreeStyleArray(pOld);
    if (bRecord)
      m_pUndoImp->DiscardDataUndoInfo(this);
    return FALSE;
  }
  SetModified(TRUE);
  UpdateStyleRange(range, flags);
  RecalcAfterChange(flags);
  if (pOld != nullptr) {
    CGXCommand* pCmd = m_pUndoImp->CreateSetStyleRangeCmd(range, nType, pOld);
    if (pCmd == nullptr)
      GXFreeStyleArray(pOld);
    const BOOL bCells = range.IsCells();
    RecordCommand(pCmd, nCmdMode, bCells ? range.top : 0, bCells ? range.left : 0);
  }
  return TRUE;
}

void CGXGridCore::UpdateStyleRange(const CGXCellRange& range, UINT flags) {
  if (m_pParam != nullptr && !m_pParam->m_bLockUpdate && WndIsVisible())
    RedrawRowCol(range, flags);
}

BOOL CGXGridCore::GetStyleRowCol(ROWCOL nRow, ROWCOL nCol, CGXStyle& style, int nMode, int nType) const {
  return m_pParam != nullptr && m_pParam->GetData() != nullptr &&
         m_pParam->GetData()->GetStyleRowCol(nRow, nCol, style, nMode, nType);
}

CString CGXGridCore::ReadStoredCellValue(ROWCOL nRow, ROWCOL nCol) const {
  CGXStyle style;
  GetStyleRowCol(nRow, nCol, style, CGXStyle::modeOverride, 0);
  return style.GetValue();
}

std::vector<CGXStyle*> CGXGridCore::CopyStyleRange(const CGXCellRange& range) const {
  std::vector<CGXStyle*> styles;
  if (!GXRangeFitsUndo(range.bottom - range.top + 1, range.right - range.left + 1))
    return styles;
  for (ROWCOL r = range.top; r <= range.bottom; ++r)
    for (ROWCOL c = range.left; c <= range.right; ++c) {
      CGXStyle style;
      styles.push_back(GetStyleRowCol(r, c, style) ? style.Clone() : nullptr);
    }
  return styles;
}

// The reverse command copies the old contents before the change and is filed after it, so that a
// command that cannot be filed can still take the change back.
BOOL CGXGridCore::ChangeStylesMap(const CGXStylesMap& map, UINT flags, int nCmdMode) {
  if (m_pParam == nullptr || m_pParam->GetStylesMap() == nullptr || (m_pParam->m_bLockReadOnly && IsReadOnly()))
    return FALSE;
  CGXCommand* pCmd =
      IsRecordingUndo(nCmdMode) ? m_pUndoImp->CreateChangeStylesMapCmd(*m_pParam->GetStylesMap()) : nullptr;
  *m_pParam->GetStylesMap() = map;
  SetModified(TRUE);
  UpdateStylesMap(flags);
  RecordCommand(pCmd, nCmdMode, 0, 0);
  return TRUE;
}

BOOL CGXGridCore::ChangeProperties(const CGXProperties& properties, UINT flags, int nCmdMode) {
  if (m_pParam == nullptr || m_pParam->GetProperties() == nullptr || (m_pParam->m_bLockReadOnly && IsReadOnly()))
    return FALSE;
  CGXCommand* pCmd =
      IsRecordingUndo(nCmdMode) ? m_pUndoImp->CreateChangePropertiesCmd(*m_pParam->GetProperties()) : nullptr;
  *m_pParam->GetProperties() = properties;
  SetModified(TRUE);
  UpdateProperties(flags);
  RecordCommand(pCmd, nCmdMode, 0, 0);
  return TRUE;
}

void CGXGridCore::UpdateStylesMap(UINT flags) {
  m_composer.RefreshBaseStyles();
  ComputeDefaultSizes();
  Redraw(flags);
}

void CGXGridCore::UpdateProperties(UINT flags) { Redraw(flags); }

BOOL CGXGridCore::ChangeBaseStyle(WORD nId, const CGXStyle& style, int nMode, UINT flags, int nCmdMode) {
  if (m_pParam == nullptr || m_pParam->GetStylesMap() == nullptr || (m_pParam->m_bLockReadOnly && IsReadOnly()))
    return FALSE;
  CGXStyle* pBase = nullptr;
  if (!m_pParam->GetStylesMap()->LookupStyle(nId, pBase) || pBase == nullptr)
    return FALSE;
  CGXCommand* pCmd = nullptr;
  if (IsRecordingUndo(nCmdMode) && m_bInitDone) {
    UINT nResourceId = 0;
    LPCTSTR pszName = m_pParam->GetStylesMap()->GetStyleName(nId, nResourceId);
    pCmd = m_pUndoImp->CreateChangeBaseStyleCmd(nId, *pBase, pszName != nullptr ? pszName : "");
  }
  pBase->MergeStyle(style, nMode);
  SetModified(TRUE);
  UpdateBaseStyle(nId, flags);
  RecordCommand(pCmd, nCmdMode, 0, 0);
  return TRUE;
}

void CGXGridCore::UpdateBaseStyle(WORD nId, UINT flags) {
  (void)nId;
  if (!m_bInitDone)
    return;
  m_composer.RefreshBaseStyles();
  ComputeDefaultSizes();
  Redraw(flags);
}

const CGXStyle& CGXGridCore::GetBaseStyle(WORD nId) const {
  const CGXStyle* pStyle = nullptr;
  if (m_pParam == nullptr || m_pParam->GetStylesMap() == nullptr ||
      !m_pParam->GetStylesMap()->LookupStyle(nId, pStyle) || pStyle == nullptr)
    AfxThrowNotSupportedException();
  return *pStyle;
}

const CGXStyle& CGXGridCore::GetStandardStyle() const {
  if (m_pParam == nullptr || m_pParam->GetStylesMap() == nullptr)
    AfxThrowNotSupportedException();
  return GetBaseStyle(m_pParam->GetStylesMap()->m_nStandardStyleId);
}

void CGXGridCore::RegisterControl(UINT nId, CGXControl* pControl, BOOL bDefault) {
  auto it = m_controls.find(nId);
  if (it != m_controls.end() && it->second != pControl) {
    if (m_pCurrentControl == it->second)
      m_pCurrentControl = nullptr;
    delete it->second;
  }
  if (it != m_controls.end() && m_pDefaultControl == it->second)
    m_pDefaultControl = nullptr;
  m_controls[nId] = pControl;
  if (bDefault || m_pDefaultControl == nullptr)
    m_pDefaultControl = pControl;
}

BOOL CGXGridCore::SetValueRange(const CGXCellRange& range, LPCTSTR pszValue, UINT flags) {
  CGXStyle style;
  style.SetValue(pszValue);
  struct ValueKindScope {
    int& n;
    int nOld;
    ~ValueKindScope() { n = nOld; }
  } scope{m_nStoreValueKind, m_nStoreValueKind};
  m_nStoreValueKind = 1;
  return SetStyleRange(range, style, CGXStyle::modeOverride, flags);
}

CString CGXGridCore::GetValueRowCol(ROWCOL nRow, ROWCOL nCol) const { return m_composer.ReadCellValue(nRow, nCol); }

// --- redrawing --------------------------------------------------------------------------------------

void CGXGridCore::Redraw(UINT flags) {
  ResetVisibleCache();
  if (flags & (GX_INVALIDATE | GX_UPDATENOW | GX_SMART)) {
    UpdateScrollState(FALSE, FALSE);
    CRect r = GetGridRect();
    WndInvalidateRect(&r, TRUE);
    if (flags & GX_UPDATENOW)
      WndUpdateWindow();
  }
}

void CGXGridCore::RecalcAfterChange(UINT flags) {
  CGXData* pData = m_pParam != nullptr ? m_pParam->GetData() : nullptr;
  if (pData == nullptr)
    return;
  pData->Recalc(FALSE);
  if (m_pParam->m_bLockUpdate || !WndIsVisible() || GetRowCount() == 0 || GetColCount() == 0)
    return;
  // The frozen rows (columns) and the scrolled ones from the top row (left column) on.
  std::vector<ROWCOL> rows, cols;
  const ROWCOL nLastRow = std::min(GetLastVisibleRow(), GetRowCount());
  const ROWCOL nLastCol = std::min(GetLastVisibleCol(), GetColCount());
  for (ROWCOL r = 1; r <= GetFrozenRows() && r <= nLastRow; ++r)
    rows.push_back(r);
  for (ROWCOL r = std::max(m_nTopRow, GetFrozenRows() + 1); r <= nLastRow; ++r)
    rows.push_back(r);
  for (ROWCOL c = 1; c <= GetFrozenCols() && c <= nLastCol; ++c)
    cols.push_back(c);
  for (ROWCOL c = std::max(m_nLeftCol, GetFrozenCols() + 1); c <= nLastCol; ++c)
    cols.push_back(c);
  for (ROWCOL r : rows)
    for (ROWCOL c : cols)
      if (pData->GetUpdateFlag(r, c))
        RedrawRowCol(CGXCellRange(r, c, r, c), flags);
}

void CGXGridCore::RedrawRowCol(const CGXCellRange& rangeIn, UINT flags) {
  if (!(flags & (GX_INVALIDATE | GX_UPDATENOW | GX_SMART)))
    return;
  CGXCellRange range = rangeIn;
  const ROWCOL nRows = GetRowCount(), nCols = GetColCount();
  if (range.IsRows() || range.IsTable()) {
    range.left = 0;
    range.right = nCols;
  }
  if (range.IsCols() || range.IsTable()) {
    range.top = 0;
    range.bottom = nRows;
  }
  // Covered areas the range meets are drawn whole.
  if (m_pParam != nullptr) {
    for (POSITION pos = m_pParam->m_coveredCells.GetHeadPosition(); pos != nullptr;) {
      const CGXCellRange* p = m_pParam->m_coveredCells.GetRangeAt(pos);
      m_pParam->m_coveredCells.GetNext(pos);
      CGXCellRange cut;
      if (cut.IntersectRanges(*p, CGXCellRange(range.top, range.left, range.bottom, range.right)))
        range.ExpandToCells(p->top, p->left, p->bottom, p->right);
    }
  }
  CRect rect = RangeToClientRect(range.top, range.left, std::min(range.bottom, nRows), std::min(range.right, nCols));
  const CRect grid = GetGridRect();
  rect.IntersectRect(&rect, &grid);
  if (!rect.IsRectEmpty()) {
    WndInvalidateRect(&rect, FALSE);
    if (flags & GX_UPDATENOW)
      WndUpdateWindow();
  }
}

// --- scrolling --------------------------------------------------------------------------------------

ROWCOL CGXGridCore::CalcLastTopRow() const {
  const ROWCOL nCount = GetRowCount(), f = GetFrozenRows();
  if (nCount <= f + 1)
    return f + 1;
  const CRect grid = GetGridRect();
  const LONG nAvail = grid.Height() - SumRowHeights(0, f);
  ROWCOL r = nCount;
  LONG nSum = GetRowHeight(nCount);
  while (r > f + 1 && nSum + GetRowHeight(r - 1) <= nAvail) {
    --r;
    nSum += GetRowHeight(r);
  }
  return r;
}

ROWCOL CGXGridCore::CalcLastLeftCol() const {
  const ROWCOL nCount = GetColCount(), f = GetFrozenCols();
  if (nCount <= f + 1)
    return f + 1;
  const CRect grid = GetGridRect();
  const LONG nAvail = grid.Width() - SumColWidths(0, f);
  ROWCOL c = nCount;
  LONG nSum = GetColWidth(nCount);
  while (c > f + 1 && nSum + GetColWidth(c - 1) <= nAvail) {
    --c;
    nSum += GetColWidth(c);
  }
  return c;
}

BOOL CGXGridCore::ScrollToTopRow(ROWCOL nRow) {
  const ROWCOL f = GetFrozenRows();
  nRow = std::max(nRow, f + 1);
  nRow = std::min(nRow, std::max(CalcLastTopRow(), m_nTopRow));
  if (nRow == m_nTopRow || !OnTopRowChanging(nRow))
    return FALSE;
  ResetVisibleCache();
  const ROWCOL nOld = m_nTopRow;
  const LONG nDistance =
      nRow > nOld ? SumRowHeights(nOld, nRow - 1, 0x7FFFFFF) : SumRowHeights(nRow, nOld - 1, 0x7FFFFFF);
  CRect area = GetGridRect();
  area.top = std::min(area.bottom, area.top + (int)SumRowHeights(0, f));
  if (m_bActiveCell && m_pCurrentControl != nullptr && m_pCurrentControl->IsActive())
    m_pCurrentControl->HideWindowForUpdate();
  m_nTopRow = nRow;
  if (nDistance < area.Height())
    WndScrollWindow(0, nRow > nOld ? -(int)nDistance : (int)nDistance, area);
  else
    WndInvalidateRect(&area, TRUE);
  SetScrollPos(GX_SBVERT, nRow, TRUE);
  return TRUE;
}

BOOL CGXGridCore::ScrollToLeftCol(ROWCOL nCol) {
  const ROWCOL f = GetFrozenCols();
  nCol = std::max(nCol, f + 1);
  nCol = std::min(nCol, std::max(CalcLastLeftCol(), m_nLeftCol));
  if (nCol == m_nLeftCol || !OnLeftColChanging(nCol))
    return FALSE;
  ResetVisibleCache();
  const ROWCOL nOld = m_nLeftCol;
  const LONG nDistance =
      nCol > nOld ? SumColWidths(nOld, nCol - 1, 0x7FFFFFF) : SumColWidths(nCol, nOld - 1, 0x7FFFFFF);
  CRect area = GetGridRect();
  area.left = std::min(area.right, area.left + (int)SumColWidths(0, f));
  if (m_bActiveCell && m_pCurrentControl != nullptr && m_pCurrentControl->IsActive())
    m_pCurrentControl->HideWindowForUpdate();
  m_nLeftCol = nCol;
  if (nDistance < area.Width())
    WndScrollWindow(nCol > nOld ? -(int)nDistance : (int)nDistance, 0, area);
  else
    WndInvalidateRect(&area, TRUE);
  SetScrollPos(GX_SBHORZ, nCol, TRUE);
  return TRUE;
}

BOOL CGXGridCore::DoScroll(int nDirection, ROWCOL nCount) {
  ResetVisibleCache();
  BOOL bScrolled = FALSE;
  switch (nDirection) {
    case GX_UP: {
      const ROWCOL f = GetFrozenRows();
      ROWCOL r = m_nTopRow;
      // Hidden rows are passed over and not counted.
      while (nCount > 0 && r > f + 1) {
        --r;
        if (GetRowHeight(r) > 0)
          --nCount;
      }
      bScrolled = ScrollToTopRow(r);
      break;
    }
    case GX_DOWN: {
      const ROWCOL nLast = CalcLastTopRow();
      ROWCOL r = m_nTopRow;
      while (nCount > 0 && r < nLast) {
        if (GetRowHeight(r) > 0)
          --nCount;
        ++r;
      }
      while (r < nLast && GetRowHeight(r) == 0)
        ++r;
      bScrolled = ScrollToTopRow(r);
      break;
    }
    case GX_LEFT: {
      const ROWCOL f = GetFrozenCols();
      ROWCOL c = m_nLeftCol;
      while (nCount > 0 && c > f + 1) {
        --c;
        if (GetColWidth(c) > 0)
          --nCount;
      }
      bScrolled = ScrollToLeftCol(c);
      break;
    }
    case GX_RIGHT: {
      const ROWCOL nLast = CalcLastLeftCol();
      ROWCOL c = m_nLeftCol;
      while (nCount > 0 && c < nLast) {
        if (GetColWidth(c) > 0)
          --nCount;
        ++c;
      }
      while (c < nLast && GetColWidth(c) == 0)
        ++c;
      bScrolled = ScrollToLeftCol(c);
      break;
    }
    default:
      break;
  }
  if (bScrolled)
    WndUpdateWindow();
  return bScrolled;
}

BOOL CGXGridCore::ScrollCellInView(ROWCOL nRow, ROWCOL nCol, UINT flags) {
  if (!m_bInitDone)
    return FALSE;
  const CRect grid = GetGridRect();
  const ROWCOL fr = GetFrozenRows(), fc = GetFrozenCols();
  CGXCellRange covered;
  if (GetCoveredCellsRange(nRow, nCol, covered)) {
    if (covered.bottom > fr && nRow <= fr)
      nRow = fr + 1;
    if (covered.right > fc && nCol <= fc)
      nCol = fc + 1;
  }
  BOOL bScrolled = FALSE;
  if (nRow > fr && nRow <= GetRowCount()) {
    if (nRow < m_nTopRow) {
      bScrolled |= ScrollToTopRow(nRow);
    } else {
      BOOL bPartial = FALSE;
      const ROWCOL nLast = GetLastVisibleRow(&bPartial);
      if (nRow > nLast || (nRow == nLast && bPartial)) {
        const LONG nAvail = grid.Height() - SumRowHeights(0, fr);
        ROWCOL r = nRow;
        LONG nSum = GetRowHeight(nRow);
        while (r > fr + 1 && r > 2 && nSum + GetRowHeight(r - 1) <= nAvail) {
          --r;
          nSum += GetRowHeight(r);
        }
        bScrolled |= ScrollToTopRow(r);
      }
    }
  }
  if (nCol > fc && nCol <= GetColCount()) {
    if (nCol < m_nLeftCol) {
      bScrolled |= ScrollToLeftCol(nCol);
    } else {
      BOOL bPartial = FALSE;
      const ROWCOL nLast = GetLastVisibleCol(&bPartial);
      if (nCol > nLast || (nCol == nLast && bPartial)) {
        const LONG nAvail = grid.Width() - SumColWidths(0, fc);
        ROWCOL c = nCol;
        LONG nSum = GetColWidth(nCol);
        while (c > fc + 1 && c > 2 && nSum + GetColWidth(c - 1) <= nAvail) {
          --c;
          nSum += GetColWidth(c);
        }
        bScrolled |= ScrollToLeftCol(c);
      }
    }
  }
  if (flags & (GX_UPDATENOW | GX_SMART))
    WndUpdateWindow();
  return bScrolled;
}

int CGXGridCore::GetScrollBarMode(int nBar) const {
  if (nBar == GX_SBVERT)
    return m_nVScrollMode;
  if (nBar == GX_SBHORZ)
    return m_nHScrollMode;
  return 0;
}

void CGXGridCore::SetScrollBarMode(int nBar, int nMode, BOOL bUpdate) {
  if (nBar == GX_SBVERT || nBar == GX_SBBOTH)
    m_nVScrollMode = nMode;
  if (nBar == GX_SBHORZ || nBar == GX_SBBOTH)
    m_nHScrollMode = nMode;
  if (!bUpdate)
    return;
  if (nMode == 0)
    WndShowScrollBar(nBar, FALSE);
  else if (nMode & GX_SBALWAYS)
    WndShowScrollBar(nBar, TRUE);
  else if (nMode & GX_SBAUTOMATIC)
    UpdateScrollState(TRUE, FALSE);
}

void CGXGridCore::SetScrollRange(int nBar, int nMin, ROWCOL nMax, BOOL bRedraw) {
  if (GetScrollBarMode(nBar) == 0)
    return;
  const ROWCOL nFactor = nMax / 32767 + 1;
  (nBar == GX_SBVERT ? m_nVScrollFactor : m_nHScrollFactor) = nFactor;
  int nScaledMax = (int)(nMax / nFactor);
  int nScaledMin = nMin;
  if (nScaledMax < nScaledMin)
    nScaledMin = nScaledMax;
  WndSetScrollRange(nBar, nScaledMin, nScaledMax, 0, bRedraw);
}

int CGXGridCore::SetScrollPos(int nBar, ROWCOL nPos, BOOL bRedraw) {
  if (GetScrollBarMode(nBar) == 0)
    return 0;
  const ROWCOL nFactor = GetScrollFactor(nBar);
  const int nOld = WndGetScrollPos(nBar);
  WndSetScrollPos(nBar, (int)((nPos < nFactor ? 0 : nPos) / nFactor), bRedraw);
  return nOld * (int)nFactor;
}

ROWCOL CGXGridCore::GetScrollPos(int nBar) const { return (ROWCOL)WndGetScrollPos(nBar) * GetScrollFactor(nBar); }

void CGXGridCore::UpdateScrollState(BOOL bRedrawNow, BOOL bOnlyIfCountsChanged) {
  (void)bOnlyIfCountsChanged;
  if (!m_bInitDone || m_bInUpdateScroll || m_nLockScroll != 0 || m_pParam == nullptr || m_pParam->m_bLockUpdate)
    return;
  if (m_nVScrollMode == 0 && m_nHScrollMode == 0)
    return;
  CRect client;
  WndGetClientRect(client);
  if (client.IsRectEmpty())
    return;
  ResetVisibleCache();
  m_bInUpdateScroll = TRUE;
  const ROWCOL fr = GetFrozenRows() + 1, fc = GetFrozenCols() + 1;
  struct Bar {
    int nBar;
    int nMode;
    ROWCOL nFirst, nLast, nPos;
  } bars[2] = {{GX_SBVERT, m_nVScrollMode & ~GX_SBPROPORTIONAL, fr, CalcLastTopRow(), m_nTopRow},
               {GX_SBHORZ, m_nHScrollMode & ~GX_SBPROPORTIONAL, fc, CalcLastLeftCol(), m_nLeftCol}};
  for (const Bar& b : bars) {
    if (b.nMode == 0) {
      WndShowScrollBar(b.nBar, FALSE);
      continue;
    }
    SetScrollRange(b.nBar, (int)b.nFirst, b.nLast, b.nMode == GX_SBDISABLE);
    SetScrollPos(b.nBar, b.nPos, b.nMode == GX_SBDISABLE);
    if (b.nMode & GX_SBALWAYS)
      WndShowScrollBar(b.nBar, TRUE);
    else if (b.nMode & GX_SBAUTOMATIC)
      WndShowScrollBar(b.nBar, !(b.nPos == b.nFirst && b.nLast <= b.nFirst));
  }
  if (!bRedrawNow)
    WndUpdateWindow();
  m_bInUpdateScroll = FALSE;
}

BOOL CGXGridCore::HandleVerticalScroll(UINT nCode, UINT nPos) {
  if (!m_bInitDone)
    return FALSE;
  const ROWCOL nCount = GetRowCount(), f = GetFrozenRows();
  if (nCount == 0 || nCount <= f + 1)
    return TRUE;
  const CRect grid = GetGridRect();
  switch (nCode) {
    case GX_SB_LINEUP:
      DoScroll(GX_UP, 1);
      break;
    case GX_SB_LINEDOWN:
      DoScroll(GX_DOWN, 1);
      break;
    case GX_SB_PAGEUP: {
      const LONG nAvail = grid.Height() - SumRowHeights(0, f);
      ROWCOL n = 0;
      LONG nSum = 0;
      for (ROWCOL r = m_nTopRow; r > f + 1;) {
        --r;
        nSum += GetRowHeight(r);
        if (nSum > nAvail)
          break;
        ++n;
      }
      DoScroll(GX_UP, std::max<ROWCOL>(n, 1));
      break;
    }
    case GX_SB_PAGEDOWN: {
      const ROWCOL nBottom = CalcBottomRowFromRect(grid);
      if (nBottom >= m_nTopRow)
        ScrollToTopRow(std::max(nBottom, m_nTopRow + 1));
      break;
    }
    case GX_SB_THUMBTRACK:
      if (!m_bThumbTrack)
        break;
      [[fallthrough]];
    case GX_SB_THUMBPOSITION: {
      const ROWCOL fr = f + 1;
      const ROWCOL nRow = (std::max<ROWCOL>(nPos, fr) - fr) * m_nVScrollFactor + fr;
      ScrollToTopRow(nRow);
      break;
    }
    case GX_SB_TOP:
      ScrollToTopRow(1);
      break;
    case GX_SB_BOTTOM:
      ScrollToTopRow(nCount);
      break;
    default:
      break;
  }
  return TRUE;
}

BOOL CGXGridCore::HandleHorizontalScroll(UINT nCode, UINT nPos) {
  if (!m_bInitDone)
    return FALSE;
  const ROWCOL nCount = GetColCount(), f = GetFrozenCols();
  if (nCount == 0 || nCount <= f + 1)
    return TRUE;
  const CRect grid = GetGridRect();
  switch (nCode) {
    case GX_SB_LINEUP:
      DoScroll(GX_LEFT, 1);
      break;
    case GX_SB_LINEDOWN:
      DoScroll(GX_RIGHT, 1);
      break;
    case GX_SB_PAGEUP: {
      const LONG nAvail = grid.Width() - SumColWidths(0, f);
      ROWCOL n = 0;
      LONG nSum = 0;
      for (ROWCOL c = m_nLeftCol; c > f + 1;) {
        --c;
        nSum += GetColWidth(c);
        if (nSum > nAvail)
          break;
        ++n;
      }
      DoScroll(GX_LEFT, std::max<ROWCOL>(n, 1));
      break;
    }
    case GX_SB_PAGEDOWN: {
      const ROWCOL nRight = CalcRightColFromRect(grid);
      if (nRight >= m_nLeftCol)
        ScrollToLeftCol(std::max(nRight, m_nLeftCol + 1));
      break;
    }
    case GX_SB_THUMBTRACK:
      if (!m_bThumbTrack)
        break;
      [[fallthrough]];
    case GX_SB_THUMBPOSITION: {
      const ROWCOL fc = f + 1;
      ScrollToLeftCol((std::max<ROWCOL>(nPos, fc) - fc) * m_nHScrollFactor + fc);
      break;
    }
    case GX_SB_TOP:
      ScrollToLeftCol(1);
      break;
    case GX_SB_BOTTOM:
      ScrollToLeftCol(nCount);
      break;
    default:
      break;
  }
  return TRUE;
}

// --- inserting, removing and moving -----------------------------------------------------------------

namespace {

void InsertHidden(CByteArray& array, ROWCOL nAt, ROWCOL nCount) {
  if ((int)nAt < array.GetSize())
    array.InsertAt((int)nAt, (BYTE)0, (int)nCount);
}

void RemoveHidden(CByteArray& array, ROWCOL nFrom, ROWCOL nTo) {
  if ((int)nFrom < array.GetSize())
    array.RemoveAt((int)nFrom, (int)std::min<ROWCOL>(nTo - nFrom + 1, (ROWCOL)array.GetSize() - nFrom));
}

void MoveHidden(CByteArray& array, ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) {
  const ROWCOL n = nTo - nFrom + 1;
  const ROWCOL nEnd = std::max(nTo, nDest + n - 1) + 1;
  if (nEnd > 0x7FFFFFF0 || (nFrom >= (ROWCOL)array.GetSize() && nDest >= (ROWCOL)array.GetSize()))
    return;
  if ((ROWCOL)array.GetSize() < nEnd)
    array.SetSize((int)nEnd);
  CByteArray old;
  old.Copy(array);
  for (ROWCOL i = std::min(nFrom, nDest); i < nEnd; ++i) {
    ROWCOL j = i;
    if (i >= nFrom && i <= nTo)
      j = i - nFrom + nDest;
    else if (nDest > nFrom && i > nTo && i < nDest + n)
      j = i - n;
    else if (nDest < nFrom && i >= nDest && i < nFrom)
      j = i + n;
    array[(int)j] = old[(int)i];
  }
}

}  // namespace

BOOL CGXGridCore::StoreInsertRows(ROWCOL nAt, ROWCOL nCount) {
  if (m_pParam == nullptr || m_pParam->GetData() == nullptr || (m_pParam->m_bLockReadOnly && IsReadOnly()))
    return FALSE;
  if (!m_pParam->GetData()->InsertRows(nAt, nCount))
    return FALSE;
  SetModified(TRUE);
  InsertHidden(m_pParam->m_hiddenRows, nAt, nCount);
  m_pParam->m_rowHeights.InsertKeys(nAt, nCount);
  m_pParam->m_selection.InsertRows(nAt, nCount);
  m_pParam->m_coveredCells.InsertRows(nAt, nCount);
  m_pParam->SyncCoveredCellPool();
  return TRUE;
}

BOOL CGXGridCore::StoreInsertCols(ROWCOL nAt, ROWCOL nCount) {
  if (m_pParam == nullptr || m_pParam->GetData() == nullptr || (m_pParam->m_bLockReadOnly && IsReadOnly()))
    return FALSE;
  if (!m_pParam->GetData()->InsertCols(nAt, nCount))
    return FALSE;
  SetModified(TRUE);
  InsertHidden(m_pParam->m_hiddenCols, nAt, nCount);
  m_pParam->m_colWidths.InsertKeys(nAt, nCount);
  m_pParam->m_selection.InsertCols(nAt, nCount);
  m_pParam->m_coveredCells.InsertCols(nAt, nCount);
  m_pParam->SyncCoveredCellPool();
  return TRUE;
}

BOOL CGXGridCore::StoreRemoveRows(ROWCOL nFrom, ROWCOL nTo) {
  if (m_pParam == nullptr || m_pParam->GetData() == nullptr || (m_pParam->m_bLockReadOnly && IsReadOnly()))
    return FALSE;
  if (!m_pParam->GetData()->RemoveRows(nFrom, nTo))
    return FALSE;
  SetModified(TRUE);
  RemoveHidden(m_pParam->m_hiddenRows, nFrom, nTo);
  m_pParam->m_rowHeights.RemoveKeys(nFrom, nTo);
  const ROWCOL nCount = GetRowCount();
  m_pParam->m_selection.RemoveRows(nFrom, nTo, nCount);
  m_pParam->m_coveredCells.RemoveRows(nFrom, nTo, nCount);
  m_pParam->SyncCoveredCellPool();
  return TRUE;
}

BOOL CGXGridCore::StoreRemoveCols(ROWCOL nFrom, ROWCOL nTo) {
  if (m_pParam == nullptr || m_pParam->GetData() == nullptr || (m_pParam->m_bLockReadOnly && IsReadOnly()))
    return FALSE;
  if (!m_pParam->GetData()->RemoveCols(nFrom, nTo))
    return FALSE;
  SetModified(TRUE);
  RemoveHidden(m_pParam->m_hiddenCols, nFrom, nTo);
  m_pParam->m_colWidths.RemoveKeys(nFrom, nTo);
  const ROWCOL nCount = GetColCount();
  m_pParam->m_selection.RemoveCols(nFrom, nTo, nCount);
  m_pParam->m_coveredCells.RemoveCols(nFrom, nTo, nCount);
  m_pParam->SyncCoveredCellPool();
  return TRUE;
}

BOOL CGXGridCore::StoreMoveRows(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) {
  if (nFrom == nDest || m_pParam == nullptr || m_pParam->GetData() == nullptr ||
      (m_pParam->m_bLockReadOnly && IsReadOnly()))
    return FALSE;
  if (!m_pParam->GetData()->MoveRows(nFrom, nTo, nDest))
    return FALSE;
  SetModified(TRUE);
  MoveHidden(m_pParam->m_hiddenRows, nFrom, nTo, nDest);
  m_pParam->m_rowHeights.MoveKeys(nFrom, nTo, nDest);
  const ROWCOL nCount = GetRowCount();
  m_pParam->m_selection.MoveRows(nFrom, nTo, nDest, nCount);
  m_pParam->m_coveredCells.MoveRows(nFrom, nTo, nDest, nCount);
  m_pParam->SyncCoveredCellPool();
  return TRUE;
}

BOOL CGXGridCore::StoreMoveCols(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) {
  if (nFrom == nDest || m_pParam == nullptr || m_pParam->GetData() == nullptr ||
      (m_pParam->m_bLockReadOnly && IsReadOnly()))
    return FALSE;
  if (!m_pParam->GetData()->MoveCols(nFrom, nTo, nDest))
    return FALSE;
  SetModified(TRUE);
  MoveHidden(m_pParam->m_hiddenCols, nFrom, nTo, nDest);
  m_pParam->m_colWidths.MoveKeys(nFrom, nTo, nDest);
  const ROWCOL nCount = GetColCount();
  m_pParam->m_selection.MoveCols(nFrom, nTo, nDest, nCount);
  m_pParam->m_coveredCells.MoveCols(nFrom, nTo, nDest, nCount);
  m_pParam->SyncCoveredCellPool();
  return TRUE;
}

BOOL CGXGridCore::InsertRows(ROWCOL nAt, ROWCOL nCount, UINT flags, int nCmdMode, const CGXRemovedCells* pSaved) {
  if (m_pParam == nullptr || nCount == 0 || !CommitCurrentCell())
    return FALSE;
  CGXLongOperation op;
  op.SetStatusText(GXGetAppState()->m_sText[gxTextInsertRows], FALSE);
  const BOOL bRecord = IsRecordingUndo(nCmdMode);
  CObject* pInfo = nullptr;
  if (pSaved != nullptr && pSaved->pCellStyles != nullptr &&
      pSaved->pCellStyles->GetSize() > (int)(nCount * pSaved->nOtherCount))
    pInfo = pSaved->pCellStyles->GetAt((int)(nCount * pSaved->nOtherCount));
  if (pInfo != nullptr && m_pUndoImp != nullptr)
    m_pUndoImp->ApplyDataUndoInfo(this, pInfo, nCmdMode != gxRollback, 1);
  const BOOL bPrevDataUndo = m_pUndoImp != nullptr ? m_pUndoImp->EnableDataUndo(this, bRecord) : FALSE;
  const BOOL bStored = StoreInsertRows(nAt, nCount);
  if (m_pUndoImp != nullptr)
    m_pUndoImp->EnableDataUndo(this, bPrevDataUndo);
  if (!bStored) {
    if (bRecord)
      m_pUndoImp->DiscardDataUndoInfo(this);
    return FALSE;
  }
  if (pInfo != nullptr && m_pUndoImp != nullptr)
    m_pUndoImp->ApplyDataUndoInfo(this, pInfo, nCmdMode != gxRollback, 0);
  if (pSaved != nullptr) {
    if (pSaved->pSizes != nullptr)
      RestoreStoredSizes(m_pParam->m_rowHeights, nAt, nAt + nCount - 1, pSaved->pSizes);
    for (ROWCOL i = 0; pSaved->pCellStyles != nullptr && i < nCount; ++i)
      for (ROWCOL j = 0; j < pSaved->nOtherCount; ++j) {
        const int nIndex = (int)(i * pSaved->nOtherCount + j);
        if (nIndex < pSaved->pCellStyles->GetSize() && pSaved->pCellStyles->GetAt(nIndex) != nullptr)
          StoreStyleRowCol(nAt + i, j, static_cast<CGXStyle*>(pSaved->pCellStyles->GetAt(nIndex)), CGXStyle::modeCopy, 0);
      }
    for (ROWCOL i = 0; pSaved->pLineStyles != nullptr && i < nCount && (int)i < pSaved->pLineStyles->GetSize(); ++i)
      if (pSaved->pLineStyles->GetAt((int)i) != nullptr)
        StoreStyleRowCol(nAt + i, 0, static_cast<CGXStyle*>(pSaved->pLineStyles->GetAt((int)i)), CGXStyle::modeCopy, -1);
  }
  UpdateInsertRows(nAt, nCount, flags);
  if (bRecord)
    RecordCommand(m_pUndoImp->CreateRemoveRowsCmd(nAt, nAt + nCount - 1), nCmdMode, nAt, m_nLeftCol);
  return TRUE;
}

BOOL CGXGridCore::InsertCols(ROWCOL nAt, ROWCOL nCount, UINT flags, int nCmdMode, const CGXRemovedCells* pSaved) {
  if (m_pParam == nullptr || nCount == 0 || !CommitCurrentCell())
    return FALSE;
  CGXLongOperation op;
  op.SetStatusText(GXGetAppState()->m_sText[gxTextInsertCols], FALSE);
  const BOOL bRecord = IsRecordingUndo(nCmdMode);
  CObject* pInfo = nullptr;
  if (pSaved != nullptr && pSaved->pCellStyles != nullptr &&
      pSaved->pCellStyles->GetSize() > (int)(nCount * pSaved->nOtherCount))
    pInfo = pSaved->pCellStyles->GetAt((int)(nCount * pSaved->nOtherCount));
  if (pInfo != nullptr && m_pUndoImp != nullptr)
    m_pUndoImp->ApplyDataUndoInfo(this, pInfo, nCmdMode != gxRollback, 1);
  const BOOL bPrevDataUndo = m_pUndoImp != nullptr ? m_pUndoImp->EnableDataUndo(this, bRecord) : FALSE;
  const BOOL bStored = StoreInsertCols(nAt, nCount);
  if (m_pUndoImp != nullptr)
    m_pUndoImp->EnableDataUndo(this, bPrevDataUndo);
  if (!bStored) {
    if (bRecord)
      m_pUndoImp->DiscardDataUndoInfo(this);
    return FALSE;
  }
  if (pInfo != nullptr && m_pUndoImp != nullptr)
    m_pUndoImp->ApplyDataUndoInfo(this, pInfo, nCmdMode != gxRollback, 0);
  if (pSaved != nullptr) {
    if (pSaved->pSizes != nullptr)
      RestoreStoredSizes(m_pParam->m_colWidths, nAt, nAt + nCount - 1, pSaved->pSizes);
    for (ROWCOL i = 0; pSaved->pCellStyles != nullptr && i < nCount; ++i)
      for (ROWCOL j = 0; j < pSaved->nOtherCount; ++j) {
        const int nIndex = (int)(i * pSaved->nOtherCount + j);
        if (nIndex < pSaved->pCellStyles->GetSize() && pSaved->pCellStyles->GetAt(nIndex) != nullptr)
          StoreStyleRowCol(j, nAt + i, static_cast<CGXStyle*>(pSaved->pCellStyles->GetAt(nIndex)), CGXStyle::modeCopy, 0);
      }
    for (ROWCOL i = 0; pSaved->pLineStyles != nullptr && i < nCount && (int)i < pSaved->pLineStyles->GetSize(); ++i)
      if (pSaved->pLineStyles->GetAt((int)i) != nullptr)
        StoreStyleRowCol(0, nAt + i, static_cast<CGXStyle*>(pSaved->pLineStyles->GetAt((int)i)), CGXStyle::modeCopy, -1);
  }
  UpdateInsertCols(nAt, nCount, flags);
  if (bRecord)
    RecordCommand(m_pUndoImp->CreateRemoveColsCmd(nAt, nAt + nCount - 1), nCmdMode, m_nTopRow, nAt);
  return TRUE;
}

// A removal whose store fails reports the failure and takes back the undo transaction it opened, so the
// undo list never holds a step that did nothing.
BOOL CGXGridCore::RemoveRows(ROWCOL nFrom, ROWCOL nTo, UINT flags, int nCmdMode) {
  if (m_pParam == nullptr || nTo < nFrom || !CommitCurrentCell())
    return FALSE;
  CGXLongOperation op;
  op.SetStatusText(GXGetAppState()->m_sText[gxTextGenUndo], FALSE);
  const BOOL bRecord = IsRecordingUndo(nCmdMode);
  const ROWCOL nCount = nTo - nFrom + 1;
  CGXRemovedCells saved;
  if (bRecord) {
    saved.nOtherCount = GetColCount() + 1;
    try {
      if (!m_pUndoImp->SaveRemovedRowCells(this, nFrom, nCount, saved.nOtherCount, &saved.pCellStyles,
                                           &saved.pLineStyles, op)) {
        GXFreeStyleArray(saved.pCellStyles);
        GXFreeStyleArray(saved.pLineStyles);
        return FALSE;
      }
    } catch (CUserException* e) {
      // The user stopped the saving: the removal is abandoned.
      e->Delete();
      GXFreeStyleArray(saved.pCellStyles);
      GXFreeStyleArray(saved.pLineStyles);
      return FALSE;
    }
    saved.pSizes = SaveStoredSizes(m_pParam->m_rowHeights, nFrom, nTo);
  }
  if (nCmdMode == gxDo)
    BeginTrans(GXGetAppState()->m_sText[gxTextRemovingRows]);
  const BOOL bPrevDataUndo = m_pUndoImp != nullptr ? m_pUndoImp->EnableDataUndo(this, bRecord) : FALSE;
  const BOOL bStored = StoreRemoveRows(nFrom, nTo);
  if (m_pUndoImp != nullptr)
    m_pUndoImp->EnableDataUndo(this, bPrevDataUndo);
  if (!bStored) {
    delete[] saved.pSizes;
    GXFreeStyleArray(saved.pCellStyles);
    GXFreeStyleArray(saved.pLineStyles);
    if (bRecord)
      m_pUndoImp->DiscardDataUndoInfo(this);
    if (nCmdMode == gxDo)
      Rollback();
    return FALSE;
  }
  UpdateRemoveRows(nFrom, nTo, flags);
  if (bRecord) {
    // The data object's undo info rides behind the saved cells.
    if (CObject* pInfo = m_pUndoImp->CreateDataUndoInfo(this)) {
      if (saved.pCellStyles != nullptr) {
        saved.pCellStyles->SetSize((int)(nCount * saved.nOtherCount) + 1);
        saved.pCellStyles->SetAt((int)(nCount * saved.nOtherCount), pInfo);
      } else {
        delete pInfo;
      }
    }
    CGXCommand* pCmd = m_pUndoImp->CreateInsertRowsCmd(nFrom, nCount, saved);
    if (pCmd == nullptr) {
      delete[] saved.pSizes;
      GXFreeStyleArray(saved.pCellStyles);
      GXFreeStyleArray(saved.pLineStyles);
    }
    RecordCommand(pCmd, nCmdMode, nFrom, m_nLeftCol);
  }
  if (nCmdMode == gxDo)
    CommitTrans();
  return TRUE;
}

BOOL CGXGridCore::RemoveCols(ROWCOL nFrom, ROWCOL nTo, UINT flags, int nCmdMode) {
  if (m_pParam == nullptr || nTo < nFrom || !CommitCurrentCell())
    return FALSE;
  CGXLongOperation op;
  op.SetStatusText(GXGetAppState()->m_sText[gxTextGenUndo], FALSE);
  const BOOL bRecord = IsRecordingUndo(nCmdMode);
  const ROWCOL nCount = nTo - nFrom + 1;
  CGXRemovedCells saved;
  if (bRecord) {
    saved.nOtherCount = GetRowCount() + 1;
    try {
      if (!m_pUndoImp->SaveRemovedColCells(this, nFrom, nCount, saved.nOtherCount, &saved.pCellStyles,
                                           &saved.pLineStyles, op)) {
        GXFreeStyleArray(saved.pCellStyles);
        GXFreeStyleArray(saved.pLineStyles);
        return FALSE;
      }
    } catch (CUserException* e) {
      // The user stopped the saving: the removal is abandoned.
      e->Delete();
      GXFreeStyleArray(saved.pCellStyles);
      GXFreeStyleArray(saved.pLineStyles);
      return FALSE;
    }
    saved.pSizes = SaveStoredSizes(m_pParam->m_colWidths, nFrom, nTo);
  }
  if (nCmdMode == gxDo)
    BeginTrans(GXGetAppState()->m_sText[gxTextRemovingCols]);
  const BOOL bPrevDataUndo = m_pUndoImp != nullptr ? m_pUndoImp->EnableDataUndo(this, bRecord) : FALSE;
  const BOOL bStored = StoreRemoveCols(nFrom, nTo);
  if (m_pUndoImp != nullptr)
    m_pUndoImp->EnableDataUndo(this, bPrevDataUndo);
  if (!bStored) {
    delete[] saved.pSizes;
    GXFreeStyleArray(saved.pCellStyles);
    GXFreeStyleArray(saved.pLineStyles);
    if (bRecord)
      m_pUndoImp->DiscardDataUndoInfo(this);
    if (nCmdMode == gxDo)
      Rollback();
    return FALSE;
  }
  UpdateRemoveCols(nFrom, nTo, flags);
  if (bRecord) {
    // The data object's undo info rides behind the saved cells.
    if (CObject* pInfo = m_pUndoImp->CreateDataUndoInfo(this)) {
      if (saved.pCellStyles != nullptr) {
        saved.pCellStyles->SetSize((int)(nCount * saved.nOtherCount) + 1);
        saved.pCellStyles->SetAt((int)(nCount * saved.nOtherCount), pInfo);
      } else {
        delete pInfo;
      }
    }
    CGXCommand* pCmd = m_pUndoImp->CreateInsertColsCmd(nFrom, nCount, saved);
    if (pCmd == nullptr) {
      delete[] saved.pSizes;
      GXFreeStyleArray(saved.pCellStyles);
      GXFreeStyleArray(saved.pLineStyles);
    }
    RecordCommand(pCmd, nCmdMode, m_nTopRow, nFrom);
  }
  if (nCmdMode == gxDo)
    CommitTrans();
  return TRUE;
}

BOOL CGXGridCore::MoveRows(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest, UINT flags, int nCmdMode) {
  if (m_pParam == nullptr || nTo < nFrom || !CommitCurrentCell())
    return FALSE;
  CGXLongOperation op;
  op.SetStatusText(GXGetAppState()->m_sText[gxTextMoveRows], FALSE);
  if (!StoreMoveRows(nFrom, nTo, nDest))
    return FALSE;
  UpdateMoveRows(nFrom, nTo, nDest, flags);
  if (IsRecordingUndo(nCmdMode))
    RecordCommand(m_pUndoImp->CreateMoveRowsCmd(nDest, nDest + (nTo - nFrom), nFrom), nCmdMode, nDest, m_nLeftCol);
  return TRUE;
}

BOOL CGXGridCore::MoveCols(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest, UINT flags, int nCmdMode) {
  if (m_pParam == nullptr || nTo < nFrom || !CommitCurrentCell())
    return FALSE;
  CGXLongOperation op;
  op.SetStatusText(GXGetAppState()->m_sText[gxTextMoveCols], FALSE);
  if (!StoreMoveCols(nFrom, nTo, nDest))
    return FALSE;
  UpdateMoveCols(nFrom, nTo, nDest, flags);
  if (IsRecordingUndo(nCmdMode))
    RecordCommand(m_pUndoImp->CreateMoveColsCmd(nDest, nDest + (nTo - nFrom), nFrom), nCmdMode, m_nTopRow, nDest);
  return TRUE;
}

void CGXGridCore::UpdateInsertRows(ROWCOL nAt, ROWCOL nCount, UINT flags) {
  ResetVisibleCache();
  if (m_bActiveCell && m_nCurrentRow >= nAt) {
    m_nCurrentRow += nCount;
    m_pParam->m_nCurrentRow = m_nCurrentRow;
    if (m_pCurrentControl != nullptr)
      m_pCurrentControl->Init(m_nCurrentRow, m_nCurrentCol);
  }
  if (m_nTopRow == GetFrozenRows())
    ++m_nTopRow;
  if (!m_pParam->m_bLockUpdate)
    Redraw(flags);
}

void CGXGridCore::UpdateInsertCols(ROWCOL nAt, ROWCOL nCount, UINT flags) {
  ResetVisibleCache();
  if (m_bActiveCell && m_nCurrentCol >= nAt) {
    m_nCurrentCol += nCount;
    m_pParam->m_nCurrentCol = m_nCurrentCol;
    if (m_pCurrentControl != nullptr)
      m_pCurrentControl->Init(m_nCurrentRow, m_nCurrentCol);
  }
  if (m_nLeftCol == GetFrozenCols())
    ++m_nLeftCol;
  if (!m_pParam->m_bLockUpdate)
    Redraw(flags);
}

void CGXGridCore::UpdateRemoveRows(ROWCOL nFrom, ROWCOL nTo, UINT flags) {
  ResetVisibleCache();
  if (m_bActiveCell && m_nCurrentRow >= nFrom) {
    if (m_nCurrentRow <= nTo) {
      SetActiveCellState(FALSE, 0, 0);
      if (m_pCurrentControl != nullptr)
        m_pCurrentControl->Reset();
    } else {
      m_nCurrentRow -= nTo - nFrom + 1;
      m_pParam->m_nCurrentRow = m_nCurrentRow;
      if (m_pCurrentControl != nullptr)
        m_pCurrentControl->Init(m_nCurrentRow, m_nCurrentCol);
    }
  }
  m_nTopRow = std::max(std::min(m_nTopRow, std::max<ROWCOL>(GetRowCount(), 1)), GetFrozenRows() + 1);
  if (!m_pParam->m_bLockUpdate)
    Redraw(flags);
}

void CGXGridCore::UpdateRemoveCols(ROWCOL nFrom, ROWCOL nTo, UINT flags) {
  ResetVisibleCache();
  if (m_bActiveCell && m_nCurrentCol >= nFrom) {
    if (m_nCurrentCol <= nTo) {
      SetActiveCellState(FALSE, 0, 0);
      if (m_pCurrentControl != nullptr)
        m_pCurrentControl->Reset();
    } else {
      m_nCurrentCol -= nTo - nFrom + 1;
      m_pParam->m_nCurrentCol = m_nCurrentCol;
      if (m_pCurrentControl != nullptr)
        m_pCurrentControl->Init(m_nCurrentRow, m_nCurrentCol);
    }
  }
  m_nLeftCol = std::max(std::min(m_nLeftCol, std::max<ROWCOL>(GetColCount(), 1)), GetFrozenCols() + 1);
  if (!m_pParam->m_bLockUpdate)
    Redraw(flags);
}

namespace {

// Where a row of a moved block, or one shifted by it, lands.
ROWCOL MovedRow(ROWCOL i, ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) {
  const ROWCOL n = nTo - nFrom + 1;
  if (i >= nFrom && i <= nTo)
    return i - nFrom + nDest;
  if (nDest > nFrom && i > nTo && i < nDest + n)
    return i - n;
  if (nDest < nFrom && i >= nDest && i < nFrom)
    return i + n;
  return i;
}

}  // namespace

void CGXGridCore::UpdateMoveRows(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest, UINT flags) {
  ResetVisibleCache();
  if (m_bActiveCell) {
    m_nCurrentRow = MovedRow(m_nCurrentRow, nFrom, nTo, nDest);
    m_pParam->m_nCurrentRow = m_nCurrentRow;
    if (m_pCurrentControl != nullptr)
      m_pCurrentControl->Init(m_nCurrentRow, m_nCurrentCol);
  }
  if (!m_pParam->m_bLockUpdate)
    Redraw(flags);
}

void CGXGridCore::UpdateMoveCols(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest, UINT flags) {
  ResetVisibleCache();
  if (m_bActiveCell) {
    m_nCurrentCol = MovedRow(m_nCurrentCol, nFrom, nTo, nDest);
    m_pParam->m_nCurrentCol = m_nCurrentCol;
    if (m_pCurrentControl != nullptr)
      m_pCurrentControl->Init(m_nCurrentRow, m_nCurrentCol);
  }
  if (!m_pParam->m_bLockUpdate)
    Redraw(flags);
}
