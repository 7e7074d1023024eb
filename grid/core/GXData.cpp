// The cell store: storing and reading styles by cell, row and column, and inserting, removing
// and moving whole rows and columns.
#include "GXData.h"

#include "GXGridState.h"

#include <algorithm>

namespace {

// The largest index the store grows an array to (the arrays are indexed by int).
const ROWCOL kMaxIndex = 0x7FFFFFFE;

int ToIndex(ROWCOL n) {
  if (n > kMaxIndex)
    AfxThrowMemoryException();
  return (int)n;
}

}  // namespace

IMPLEMENT_SERIAL(CGXData, CObject, 0)

CGXData::CGXData() : m_pAppState(GXGetAppState()) {}

CGXData::~CGXData() {
  FreeAll();
}

void CGXData::Serialize(CArchive& ar) {
  if (CGXAbstractGridDocSerializeImp* p = GXGetAppState()->m_pGridDocSerializeImp)
    p->SerializeData(this, ar);
}

void CGXData::FreeAll() {
  m_cells.DeleteAll();
  m_rowStyles.DeleteAll();
  m_colStyles.DeleteAll();
}

CGXData& CGXData::operator=(const CGXData& other) {
  if (&other == this)
    return *this;
  m_cells = other.m_cells;
  m_rowStyles = other.m_rowStyles;
  m_colStyles = other.m_colStyles;
  m_nRows = other.m_nRows;
  m_nCols = other.m_nCols;
  return *this;
}

void CGXData::InitParam(CObject*) {}
ROWCOL CGXData::GetRowCount() const { return m_nRows; }
ROWCOL CGXData::GetColCount() const { return m_nCols; }

BOOL CGXData::SetRowCount(ROWCOL nRows) {
  if (nRows < m_nRows)
    RemoveRows(nRows + 1, m_nRows);
  else if (nRows > m_nRows)
    InsertRows(m_nRows + 1, nRows - m_nRows);
  return TRUE;
}

BOOL CGXData::SetColCount(ROWCOL nCols) {
  if (nCols < m_nCols)
    RemoveCols(nCols + 1, m_nCols);
  else if (nCols > m_nCols)
    InsertCols(m_nCols + 1, nCols - m_nCols);
  return TRUE;
}

BOOL CGXData::InsertRows(ROWCOL nRow, ROWCOL nCount) {
  // Arrays that end before the position have nothing to shift.
  if (nCount > 0) {
    if ((int64_t)nRow < m_rowStyles.GetSize())
      m_rowStyles.InsertAt(ToIndex(nRow), nullptr, ToIndex(nCount));
    if ((int64_t)nRow < m_cells.GetSize())
      m_cells.InsertAt(ToIndex(nRow), nullptr, ToIndex(nCount));
  }
  m_nRows += nCount;
  return TRUE;
}

BOOL CGXData::InsertCols(ROWCOL nCol, ROWCOL nCount) {
  if (nCount > 0) {
    if ((int64_t)nCol < m_colStyles.GetSize())
      m_colStyles.InsertAt(ToIndex(nCol), nullptr, ToIndex(nCount));
    for (int i = 0; i < m_cells.GetSize(); ++i) {
      CGXStylePtrArray* pRow = m_cells.GetRow(i);
      if (pRow != nullptr && (int64_t)nCol < pRow->GetSize())
        pRow->InsertAt(ToIndex(nCol), nullptr, ToIndex(nCount));
    }
  }
  m_nCols += nCount;
  return TRUE;
}

BOOL CGXData::RemoveRows(ROWCOL nFromRow, ROWCOL nToRow) {
  if (nFromRow > m_nRows || nToRow < nFromRow)
    return TRUE;
  // Only the rows that exist are removed, and the count drops by them alone.
  ROWCOL nLast = std::min(nToRow, m_nRows);
  ROWCOL n = nLast - nFromRow + 1;
  int nFrom = ToIndex(std::min<ROWCOL>(nFromRow, kMaxIndex));
  m_rowStyles.RemoveRange(nFrom, ToIndex(n));
  m_cells.RemoveRange(nFrom, ToIndex(n));
  m_nRows -= std::min(n, m_nRows);
  return TRUE;
}

BOOL CGXData::RemoveCols(ROWCOL nFromCol, ROWCOL nToCol) {
  if (nFromCol > m_nCols || nToCol < nFromCol)
    return TRUE;
  ROWCOL nLast = std::min(nToCol, m_nCols);
  ROWCOL n = nLast - nFromCol + 1;
  int nFrom = ToIndex(std::min<ROWCOL>(nFromCol, kMaxIndex));
  m_colStyles.RemoveRange(nFrom, ToIndex(n));
  for (int i = 0; i < m_cells.GetSize(); ++i)
    if (CGXStylePtrArray* pRow = m_cells.GetRow(i))
      pRow->RemoveRange(nFrom, ToIndex(n));
  m_nCols -= std::min(n, m_nCols);
  return TRUE;
}

BOOL CGXData::MoveRows(ROWCOL nFromRow, ROWCOL nToRow, ROWCOL nDestRow) {
  if (nToRow < nFromRow)
    return TRUE;
  int nCount = ToIndex(nToRow - nFromRow + 1);
  m_rowStyles.MoveRange(ToIndex(nFromRow), nCount, ToIndex(nDestRow));
  m_cells.MoveRange(ToIndex(nFromRow), nCount, ToIndex(nDestRow));
  return TRUE;
}

BOOL CGXData::MoveCols(ROWCOL nFromCol, ROWCOL nToCol, ROWCOL nDestCol) {
  if (nToCol < nFromCol)
    return TRUE;
  int nCount = ToIndex(nToCol - nFromCol + 1);
  m_colStyles.MoveRange(ToIndex(nFromCol), nCount, ToIndex(nDestCol));
  for (int i = 0; i < m_cells.GetSize(); ++i)
    if (CGXStylePtrArray* pRow = m_cells.GetRow(i))
      pRow->MoveRange(ToIndex(nFromCol), nCount, ToIndex(nDestCol));
  return TRUE;
}

// The copy-and-move feature of cells is not part of this library: without it nothing is copied.
BOOL CGXData::CopyCells(CGXCellRange, ROWCOL, ROWCOL) { return FALSE; }
BOOL CGXData::MoveCells(CGXCellRange, ROWCOL, ROWCOL, CObject**, int, int) { return FALSE; }
BOOL CGXData::SortRows(void*, void*) { return FALSE; }
BOOL CGXData::SortCols(void*, void*) { return FALSE; }

BOOL CGXData::StoreStyleRowCol(ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle, int nMode, int nType) {
  m_nRows = std::max(m_nRows, nRow);
  m_nCols = std::max(m_nCols, nCol);
  if (nType == -1) {
    CGXStylePtrArray& array = nRow != 0 ? m_rowStyles : m_colStyles;
    int nIndex = ToIndex(nRow != 0 ? nRow : nCol);
    CGXStyle* pStored = array.GetStyle(nIndex);
    if (pStyle != nullptr) {
      if (pStored != nullptr) {
        pStored->MergeStyle(*pStyle, nMode);
      } else if (nMode != CGXStyle::modeRemove) {
        CGXStyle* pClone = pStyle->Clone();
        try {
          array.SetAtGrow(nIndex, pClone);
        } catch (...) {
          delete pClone;
          throw;
        }
      }
    } else if (pStored != nullptr) {
      delete pStored;
      array.SetAt(nIndex, nullptr);
    }
    return TRUE;
  }

  int nRowIndex = ToIndex(nRow), nColIndex = ToIndex(nCol);
  if (pStyle == nullptr) {
    CGXStylePtrArray* pRow = m_cells.GetRow(nRowIndex);
    if (pRow != nullptr && nColIndex < pRow->GetSize()) {
      delete pRow->GetStyle(nColIndex);
      pRow->SetAt(nColIndex, nullptr);
    }
    return TRUE;
  }
  if (m_cells.GetSize() < nRowIndex + 1)
    m_cells.SetSize(ToIndex(m_nRows) + 1);
  CGXStylePtrArray* pRow = m_cells.GetRow(nRowIndex);
  if (pRow == nullptr) {
    pRow = new CGXStylePtrArray;
    m_cells.SetAt(nRowIndex, pRow);
  }
  CGXStyle* pStored = nullptr;
  if (pRow->GetSize() < nColIndex + 1)
    pRow->SetSize(ToIndex(m_nCols) + 1);
  else
    pStored = pRow->GetStyle(nColIndex);

  BOOL bNumber = FALSE;
  CGXAbstractNumberFormattingImp* pNumbers = m_pAppState->m_pNumberFormattingImp;
  if (pNumbers != nullptr && nMode != CGXStyle::modeRemove && nType == 1 && pStyle->GetInclude(CGXStyle::gxValue) &&
      pStyle->GetValueType() != CGXStyle::valueNumber) {
    double d;
    bNumber = pNumbers->ParseValue(pStyle->GetValue(), d);
  }
  if (pStored != nullptr) {
    pStored->MergeStyle(*pStyle, nMode);
    if (bNumber)
      pStored->SetValueType(CGXStyle::valueNumber);
    return TRUE;
  }
  if (nMode == CGXStyle::modeRemove)
    return TRUE;
  CGXStyle* pClone = pStyle->Clone();
  if (bNumber)
    pClone->SetValueType(CGXStyle::valueNumber);
  pRow->SetAt(nColIndex, pClone);
  return TRUE;
}

const CGXStyle* CGXData::GetStoredStyle(ROWCOL nRow, ROWCOL nCol, int nType) const {
  if (nRow > kMaxIndex || nCol > kMaxIndex)
    return nullptr;
  if (nType == -1)
    return nRow != 0 ? m_rowStyles.GetStyle((int)nRow) : m_colStyles.GetStyle((int)nCol);
  const CGXStylePtrArray* pRow = m_cells.GetRow((int)nRow);
  return pRow != nullptr ? pRow->GetStyle((int)nCol) : nullptr;
}

BOOL CGXData::GetStyleRowCol(ROWCOL nRow, ROWCOL nCol, CGXStyle& style, int nMode, int nType) const {
  if (nRow > m_nRows || nCol > m_nCols)
    return FALSE;
  const CGXStyle* pStored = GetStoredStyle(nRow, nCol, nType);
  if (pStored == nullptr)
    return FALSE;
  if (nMode == CGXStyle::modeCopy)
    style = *pStored;
  else
    style.MergeStyle(*pStored, nMode);
  return TRUE;
}

BOOL CGXData::GetUpdateFlag(ROWCOL, ROWCOL) {
  m_scratch1.SetIncludeValue(FALSE);
  return FALSE;
}
void CGXData::SetUpdateFlag(ROWCOL, ROWCOL, BOOL) {}
void CGXData::AddRecalcRange(const CGXCellRange&) {}
void CGXData::Recalc(BOOL) {}
void CGXData::ResetError() {}
BOOL CGXData::GetError(CString&) { return FALSE; }
CObject* CGXData::GetUndoInfo() { return nullptr; }
BOOL CGXData::ApplyUndoInfo(CObject*, BOOL, int) { return FALSE; }
BOOL CGXData::EnableUndoInfo(BOOL) { return FALSE; }
BOOL CGXData::ApplyOldRange(void*, void*, void*) { return FALSE; }
BOOL CGXData::IsCellRecalced(ROWCOL, ROWCOL) { return FALSE; }
BOOL CGXData::MergeUndoInfo(void*, void*, void*) { return FALSE; }

CGXGridCore* CGXData::GetFirstGrid() const {
  return m_pAppState->GetFirstGridOfData(this);
}
