// The formula sheet: the grid's cell store over an engine sheet.
#include "GXFormulaSheet.h"

#include "EngineArchive.h"
#include "EngineCellRef.h"
#include "EngineErrors.h"
#include "EngineMove.h"
#include "EngineState.h"
#include "FormulaEval.h"
#include "FormulaParser.h"
#include "FormulaSheetEngine.h"

#include "GXGridCore.h"
#include "GXGridParam.h"
#include "GXGridState.h"
#include "GXStylesMap.h"

#include "Archive.h"
#include "Exception.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

IMPLEMENT_SERIAL(CGXFormulaSheet, CGXData, 0)

namespace {

// Value types of a grid style's value.
enum { kValueText = 0, kValueNumber = 1, kValueFormula = 2, kValueError = 3 };
// The string-table id of the constraint style's name.
const UINT kConstraintStyleNameId = 52780;

uint32_t ToEngineRow(ROWCOL nRow) { return nRow < 1 ? 1 : (uint32_t)nRow; }
uint32_t ToEngineCol(ROWCOL nCol) { return nCol < 1 ? 0 : (uint32_t)(nCol - 1); }

// Grid coordinates beyond the engine's limits are clamped for ranges only; single cells outside
// them are refused by the storing operations.
EngineCellRef ToEngineRange(ROWCOL nTop, ROWCOL nLeft, ROWCOL nBottom, ROWCOL nRight) {
  uint32_t r1 = std::min<uint32_t>(ToEngineRow(nTop), ENGINE_MAX_ROW);
  uint32_t r2 = std::min<uint32_t>(ToEngineRow(nBottom), ENGINE_MAX_ROW);
  uint32_t c1 = std::min<uint32_t>(ToEngineCol(nLeft), ENGINE_MAX_COL);
  uint32_t c2 = std::min<uint32_t>(ToEngineCol(nRight), ENGINE_MAX_COL);
  return MakeEngineRangeRef((int32_t)r1, (int32_t)c1, (int32_t)std::max(r1, r2), (int32_t)std::max(c1, c2), 0);
}

bool IsDateFormat(UINT nFormat) {
  return nFormat == 8 || nFormat == 9 || nFormat == 10 || nFormat == 11 || nFormat == 13 || nFormat == 18;
}

// The style a cell carries, or null when it has none or carries something else.
CGXStyle* StyleOf(const EngineCell* c) {
  if (c == nullptr || c->object == nullptr || !c->object->IsKindOf(RUNTIME_CLASS(CGXStyle)))
    return nullptr;
  return static_cast<CGXStyle*>(c->object);
}

// A number as typed: the number-formatting feature reads it when installed; without it a plain
// decimal number (sign, digits, point, exponent, surrounding blanks) is one.
bool ReadNumber(LPCTSTR psz, double& d) {
  if (CGXAbstractNumberFormattingImp* p = GXGetAppState()->m_pNumberFormattingImp)
    return p->ParseValue(psz, d) != FALSE;
  const char* s = psz;
  while (*s == ' ')
    ++s;
  bool digit = false;
  for (const char* q = s; *q != '\0'; ++q) {
    if (std::isdigit((unsigned char)*q))
      digit = true;
    else if (std::strchr("+-.eE ", *q) == nullptr)
      return false;
  }
  if (!digit)
    return false;
  char* end = nullptr;
  double v = std::strtod(s, &end);
  if (end == s)
    return false;
  while (*end == ' ')
    ++end;
  if (*end != '\0' || !std::isfinite(v))
    return false;
  d = v;
  return true;
}

}  // namespace

CGXFormulaSheet::CGXFormulaSheet() : m_nSheet(CreateEngineSheet(this)) {}

CGXFormulaSheet::~CGXFormulaSheet() {
  delete m_pUndoInfo;
  DestroyEngineSheet(m_nSheet);
}

EngineCell* CGXFormulaSheet::FindCell(ROWCOL nRow, ROWCOL nCol) const {
  uint32_t r = ToEngineRow(nRow), c = ToEngineCol(nCol);
  if (r > ENGINE_MAX_ROW || c > ENGINE_MAX_COL)
    return nullptr;
  return FindEngineCell(GetEngineSheet(m_nSheet), r, c);
}

// --- archive -----------------------------------------------------------------------------------

void CGXFormulaSheet::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << (WORD)1;
    CGXData::Serialize(ar);
    SerializeEngineSheet(ar, m_nSheet);
    return;
  }
  WORD nSchema;
  ar >> nSchema;
  if (nSchema != 1)
    AfxThrowArchiveException(CArchiveException::badSchema, ar.m_strFileName);
  CGXData::Serialize(ar);
  delete m_pUndoInfo;
  m_pUndoInfo = nullptr;
  SerializeEngineSheet(ar, m_nSheet);
  // The settings went in through the engine's setters; the constraint style follows them.
  if (GetConstraintCheck())
    SetConstraintCheck(TRUE);
}

// --- the whole store ---------------------------------------------------------------------------

void CGXFormulaSheet::FreeAll() {
  CGXData::FreeAll();
  EmptyEngineSheet(GetEngineSheet(m_nSheet));
}

CGXData& CGXFormulaSheet::operator=(const CGXData& other) {
  if (&other == this)
    return *this;
  FreeAll();
  if (other.IsKindOf(RUNTIME_CLASS(CGXFormulaSheet))) {
    const auto& sheet = static_cast<const CGXFormulaSheet&>(other);
    CopyEngineSheet(m_nSheet, sheet.m_nSheet);
    SetConstraintCheck(sheet.GetConstraintCheck());
    CGXData::operator=(other);
    return *this;
  }
  CGXData::operator=(other);
  TakePlainCells();
  return *this;
}

// The cell styles of a plain store move into the engine: the value as typed, the rest of the
// style on the engine cell. The header column stays.
void CGXFormulaSheet::TakePlainCells() {
  for (int r = 1; r < m_cells.GetSize(); ++r) {
    CGXStylePtrArray* pRow = m_cells.GetRow(r);
    if (pRow == nullptr)
      continue;
    for (int c = 1; c < pRow->GetSize(); ++c) {
      CGXStyle* pStyle = pRow->GetStyle(c);
      if (pStyle == nullptr)
        continue;
      pRow->SetAt(c, nullptr);
      BOOL bStored = TRUE;
      if (pStyle->GetInclude(CGXStyle::gxValue)) {
        const CString& v = pStyle->GetValue();
        bStored = v.IsEmpty() ? SetTextValue((ROWCOL)r, (ROWCOL)c, v) : SetExpressionValue((ROWCOL)r, (ROWCOL)c, v);
        pStyle->SetIncludeValue(FALSE);
      }
      EngineCell* cell = bStored && !pStyle->IsEmpty() ? FindCell((ROWCOL)r, (ROWCOL)c) : nullptr;
      if (cell == nullptr && bStored && !pStyle->IsEmpty() && SetTextValue((ROWCOL)r, (ROWCOL)c, ""))
        cell = FindCell((ROWCOL)r, (ROWCOL)c);
      if (cell != nullptr && cell->object == nullptr)
        cell->object = pStyle;
      else
        delete pStyle;
    }
    pRow->SetSize(1);
    if (pRow->GetStyle(0) == nullptr) {
      delete pRow;
      m_cells.SetAt(r, nullptr);
    }
  }
}

void CGXFormulaSheet::InitParam(CObject* pParam) {
  if (pParam == nullptr || !pParam->IsKindOf(RUNTIME_CLASS(CGXGridParam)))
    return;
  auto* p = static_cast<CGXGridParam*>(pParam);
  p->m_bDirectCopyPaste = TRUE;
  p->m_bDirectCutPaste = TRUE;
  p->m_bDirectDragDrop = TRUE;
  p->m_nDirectOptions = 1;
}

// --- rows, columns and blocks ------------------------------------------------------------------

BOOL CGXFormulaSheet::InsertRows(ROWCOL nRow, ROWCOL nCount) {
  if (nCount > 0 && ToEngineRow(nRow) <= ENGINE_MAX_ROW) {
    InsertEngineRows(m_nSheet, ToEngineRow(nRow), (uint32_t)std::min<ROWCOL>(nCount, ENGINE_MAX_ROW));
    CollectUndoInfo(FALSE, FALSE);
  }
  return CGXData::InsertRows(nRow, nCount);
}

BOOL CGXFormulaSheet::InsertCols(ROWCOL nCol, ROWCOL nCount) {
  if (nCount > 0 && ToEngineCol(nCol) <= ENGINE_MAX_COL) {
    InsertEngineCols(m_nSheet, ToEngineCol(nCol), (uint32_t)std::min<ROWCOL>(nCount, ENGINE_MAX_COL + 1));
    CollectUndoInfo(FALSE, FALSE);
  }
  return CGXData::InsertCols(nCol, nCount);
}

BOOL CGXFormulaSheet::RemoveRows(ROWCOL nFromRow, ROWCOL nToRow) {
  if (nToRow >= nFromRow && ToEngineRow(nFromRow) <= ENGINE_MAX_ROW) {
    RemoveEngineRows(m_nSheet, ToEngineRow(nFromRow),
                     (uint32_t)std::min<ROWCOL>(nToRow - nFromRow + 1, ENGINE_MAX_ROW));
    CollectUndoInfo(FALSE, TRUE);
    CollectUndoInfo(FALSE, FALSE);
  }
  return CGXData::RemoveRows(nFromRow, nToRow);
}

BOOL CGXFormulaSheet::RemoveCols(ROWCOL nFromCol, ROWCOL nToCol) {
  if (nToCol >= nFromCol && ToEngineCol(nFromCol) <= ENGINE_MAX_COL) {
    RemoveEngineCols(m_nSheet, ToEngineCol(nFromCol),
                     (uint32_t)std::min<ROWCOL>(nToCol - nFromCol + 1, ENGINE_MAX_COL + 1));
    CollectUndoInfo(FALSE, TRUE);
    CollectUndoInfo(FALSE, FALSE);
  }
  return CGXData::RemoveCols(nFromCol, nToCol);
}

BOOL CGXFormulaSheet::MoveRows(ROWCOL nFromRow, ROWCOL nToRow, ROWCOL nDestRow) {
  if (nToRow >= nFromRow && ToEngineRow(nToRow) <= ENGINE_MAX_ROW && ToEngineRow(nDestRow) <= ENGINE_MAX_ROW) {
    MoveEngineRowsOrCols(m_nSheet, true, ToEngineRow(nFromRow), ToEngineRow(nToRow), ToEngineRow(nDestRow));
    CollectUndoInfo(FALSE, FALSE);
  }
  return CGXData::MoveRows(nFromRow, nToRow, nDestRow);
}

BOOL CGXFormulaSheet::MoveCols(ROWCOL nFromCol, ROWCOL nToCol, ROWCOL nDestCol) {
  if (nToCol >= nFromCol && ToEngineCol(nToCol) <= ENGINE_MAX_COL && ToEngineCol(nDestCol) <= ENGINE_MAX_COL) {
    MoveEngineRowsOrCols(m_nSheet, false, ToEngineCol(nFromCol), ToEngineCol(nToCol), ToEngineCol(nDestCol));
    CollectUndoInfo(FALSE, FALSE);
  }
  return CGXData::MoveCols(nFromCol, nToCol, nDestCol);
}

namespace {

// The engine block of a grid range (whole rows, columns or the table end at the counts) and the
// block of the same size at the destination, cut at the engine's last row and column.
struct Blocks {
  EngineCellRef source;
  EngineCellRef dest;
  uint32_t destRow;
  uint32_t destCol;
};

Blocks ToBlocks(CGXCellRange range, ROWCOL nDestRow, ROWCOL nDestCol, ROWCOL nRows, ROWCOL nCols) {
  range.ExpandToCells(1, 1, std::max<ROWCOL>(nRows, 1), std::max<ROWCOL>(nCols, 1));
  Blocks b;
  b.source = ToEngineRange(range.top, range.left, range.bottom, range.right);
  b.destRow = std::min<uint32_t>(ToEngineRow(nDestRow == 0 ? 1 : nDestRow), ENGINE_MAX_ROW);
  b.destCol = std::min<uint32_t>(ToEngineCol(nDestCol == 0 ? 1 : nDestCol), ENGINE_MAX_COL);
  uint32_t lastRow = std::min<uint64_t>((uint64_t)b.destRow + (b.source.LastRow() - b.source.FirstRow()), ENGINE_MAX_ROW);
  uint32_t lastCol = std::min<uint64_t>((uint64_t)b.destCol + (b.source.LastCol() - b.source.FirstCol()), ENGINE_MAX_COL);
  b.dest = MakeEngineRangeRef((int32_t)b.destRow, (int32_t)b.destCol, (int32_t)lastRow, (int32_t)lastCol, 0);
  return b;
}

}  // namespace

BOOL CGXFormulaSheet::CopyCells(CGXCellRange range, ROWCOL nDestRow, ROWCOL nDestCol) {
  if (!range.IsValid())
    return FALSE;
  Blocks b = ToBlocks(range, nDestRow, nDestCol, GetRowCount(), GetColCount());
  EngineSheet* s = GetEngineSheet(m_nSheet);
  int nOldMode = s->undoMode;
  s->undoMode = m_nUndoMode;
  try {
    CopyEngineCells(m_nSheet, b.source, b.destRow, b.destCol, 1);
  } catch (...) {
    s->undoMode = nOldMode;
    throw;
  }
  s->undoMode = nOldMode;
  MarkEngineRangeChanged(m_nSheet, b.dest);
  CollectUndoInfo(TRUE, FALSE);
  return TRUE;
}

BOOL CGXFormulaSheet::MoveCells(CGXCellRange range, ROWCOL nDestRow, ROWCOL nDestCol, CObject** ppUndoInfo, int, int) {
  if (!range.IsValid())
    return FALSE;
  Blocks b = ToBlocks(range, nDestRow, nDestCol, GetRowCount(), GetColCount());
  EngineSheet* s = GetEngineSheet(m_nSheet);
  CObject* pGiven = ppUndoInfo != nullptr ? *ppUndoInfo : nullptr;
  if (pGiven != nullptr && pGiven->IsKindOf(RUNTIME_CLASS(CGXUndoEngineCellsInfo)))
    RestoreSavedEngineCells(m_nSheet, static_cast<CGXUndoEngineCellsInfo*>(pGiven)->m_undoCells);
  int nOldMode = s->undoMode;
  s->undoMode = m_nUndoMode;
  try {
    ShiftEngineCells(m_nSheet, b.source, b.destRow, b.destCol, 0);
  } catch (...) {
    s->undoMode = nOldMode;
    throw;
  }
  s->undoMode = nOldMode;
  if (m_nUndoMode != 0 && !s->saved.empty()) {
    CGXUndoEngineCellsInfo* pRecord = nullptr;
    if (pGiven != nullptr && pGiven->IsKindOf(RUNTIME_CLASS(CGXUndoEngineCellsInfo)))
      pRecord = static_cast<CGXUndoEngineCellsInfo*>(pGiven);
    if (pRecord == nullptr && ppUndoInfo != nullptr && pGiven == nullptr) {
      pRecord = new CGXUndoEngineCellsInfo;
      *ppUndoInfo = pRecord;
    }
    if (pRecord != nullptr) {
      pRecord->m_undoCells.insert(pRecord->m_undoCells.begin(), s->saved.begin(), s->saved.end());
      s->saved.clear();
      s->undoFlag = 0;
    } else {
      CollectUndoInfo(FALSE, FALSE);
    }
  }
  MarkEngineRangeChanged(m_nSheet, b.source);
  MarkEngineRangeChanged(m_nSheet, b.dest);
  int nOldAll = s->recalcAll;
  s->recalcAll = 1;
  try {
    RecalculateSheet(m_nSheet);
  } catch (...) {
    s->recalcAll = nOldAll;
    throw;
  }
  s->recalcAll = nOldAll;
  return TRUE;
}

BOOL CGXFormulaSheet::SortRows(void* pRange, void* pOrder) {
  if (pRange == nullptr || pOrder == nullptr)
    return FALSE;
  const CGXCellRange& range = *static_cast<const CGXCellRange*>(pRange);
  const CDWordArray& order = *static_cast<const CDWordArray*>(pOrder);
  if (order.GetSize() == 0 || !range.IsValid())
    return FALSE;
  ROWCOL nTop = range.IsCols() || range.IsTable() ? 1 : range.top;
  std::vector<int> newOrder;
  for (int i = 0; i < order.GetSize(); i++)
    newOrder.push_back(order[i] > 0x7FFFFFFF ? -1 : (int)order[i]);
  CGXCellRange cells = range;
  cells.ExpandToCells(1, 1, std::max<ROWCOL>(GetRowCount(), 1), std::max<ROWCOL>(GetColCount(), 1));
  EngineCellRef block = ToEngineRange(nTop, cells.left, nTop + (ROWCOL)order.GetSize() - 1, cells.right);
  if (!SortEngineCells(m_nSheet, block, true, range.IsRows() || range.IsTable(), newOrder))
    return FALSE;
  CGXData::SortRows(pRange, pOrder);
  return TRUE;
}

BOOL CGXFormulaSheet::SortCols(void* pRange, void* pOrder) {
  if (pRange == nullptr || pOrder == nullptr)
    return FALSE;
  const CGXCellRange& range = *static_cast<const CGXCellRange*>(pRange);
  const CDWordArray& order = *static_cast<const CDWordArray*>(pOrder);
  if (order.GetSize() == 0 || !range.IsValid())
    return FALSE;
  ROWCOL nLeft = range.IsRows() || range.IsTable() ? 1 : range.left;
  std::vector<int> newOrder;
  for (int i = 0; i < order.GetSize(); i++)
    newOrder.push_back(order[i] > 0x7FFFFFFF ? -1 : (int)order[i]);
  CGXCellRange cells = range;
  cells.ExpandToCells(1, 1, std::max<ROWCOL>(GetRowCount(), 1), std::max<ROWCOL>(GetColCount(), 1));
  EngineCellRef block = ToEngineRange(cells.top, nLeft, cells.bottom, nLeft + (ROWCOL)order.GetSize() - 1);
  if (!SortEngineCells(m_nSheet, block, false, range.IsCols() || range.IsTable(), newOrder))
    return FALSE;
  CGXData::SortCols(pRange, pOrder);
  return TRUE;
}

// --- cell styles -------------------------------------------------------------------------------

BOOL CGXFormulaSheet::StoreStyleRowCol(ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle, int nMode, int nType) {
  if (nRow == 0 || nCol == 0 || nType < 0)
    return CGXData::StoreStyleRowCol(nRow, nCol, pStyle, nMode, nType);
  EngineSheet* s = GetEngineSheet(m_nSheet);
  EngineCell* cell = FindCell(nRow, nCol);
  if (pStyle == nullptr) {
    if (cell != nullptr)
      DeleteEngineCell(s, cell);
    return TRUE;
  }
  const DWORD nValueBit = 1u << CGXStyle::gxValue;
  const BOOL bHasValue = pStyle->GetInclude(CGXStyle::gxValue);
  const BOOL bValueOnly = (pStyle->GetIncludeBits() & 0x3FFFFFF & ~nValueBit) == 0;
  switch (nMode) {
    case CGXStyle::modeCopy:
      if (pStyle->IsEmpty()) {
        if (cell != nullptr)
          DeleteEngineCell(s, cell);
        return TRUE;
      }
      if (bValueOnly && cell != nullptr) {
        delete DetachEngineObject(cell);
      }
      break;
    case CGXStyle::modeRemove:
      if (cell == nullptr)
        return TRUE;
      if (bHasValue) {
        if (cell->object == nullptr) {
          DeleteEngineCell(s, cell);
          return TRUE;
        }
        SetTextValue(nRow, nCol, "");
      }
      break;
    case CGXStyle::modeDelete:
      if (cell != nullptr)
        DeleteEngineCell(s, cell);
      return TRUE;
    default:
      break;
  }
  BOOL bResult = TRUE;
  if (nMode != CGXStyle::modeRemove && bHasValue) {
    const CString& v = pStyle->GetValue();
    if (pStyle->GetValueType() == kValueNumber)
      bResult = SetNumberValue(nRow, nCol, std::atof(v));
    else if (v.IsEmpty() || nType != 1)
      bResult = SetTextValue(nRow, nCol, v);
    else
      bResult = SetExpressionValue(nRow, nCol, v);
  }
  if (bValueOnly)
    return bResult;
  cell = FindCell(nRow, nCol);
  if (cell == nullptr) {
    if (!SetTextValue(nRow, nCol, ""))
      return FALSE;
    cell = FindCell(nRow, nCol);
  }
  if (CGXStyle* pAttached = StyleOf(cell)) {
    pAttached->MergeStyle(*pStyle, nMode);
  } else if (nMode != CGXStyle::modeRemove) {
    delete DetachEngineObject(cell);
    cell->object = pStyle->Clone();
  }
  return TRUE;
}

BOOL CGXFormulaSheet::GetStyleRowCol(ROWCOL nRow, ROWCOL nCol, CGXStyle& style, int nMode, int nType) const {
  if (nRow == 0 || nCol == 0 || nType < 0)
    return CGXData::GetStyleRowCol(nRow, nCol, style, nMode, nType);
  EngineCell* cell = FindCell(nRow, nCol);
  if (cell == nullptr)
    return FALSE;
  if (const CGXStyle* pAttached = StyleOf(cell))
    style.MergeStyle(*pAttached, nMode);
  else if (nMode == CGXStyle::modeCopy)
    style = CGXStyle();
  // Reading a value may evaluate the formula behind it.
  auto* self = const_cast<CGXFormulaSheet*>(this);
  if (nType == 1) {
    style.SetValue(EngineCellEditText(m_nSheet, cell));
    style.SetValueType(kValueFormula);
  } else {
    style.SetValue(EngineCellDisplayText(m_nSheet, cell));
    uint32_t t = cell->ValueType();
    style.SetValueType(t == ENGINE_VALUE_NUMBER ? kValueNumber : t == ENGINE_VALUE_ERROR ? kValueError : kValueText);
  }
  if (GetEngineSheet(m_nSheet)->constraintCheck && cell->Is(ENGINE_FLAG_VIOLATED)) {
    self->RegisterConstraintStyle();
    CGXGridCore* pGrid = GetFirstGrid();
    CGXStylesMap* pMap = pGrid != nullptr && pGrid->GetParam() != nullptr ? pGrid->GetParam()->GetStylesMap() : nullptr;
    const CGXStyle* pViolation = nullptr;
    if (pMap != nullptr && m_nConstraintStyleId != 0 && pMap->LookupStyle(m_nConstraintStyleId, pViolation) &&
        pViolation != nullptr)
      style.MergeStyle(*pViolation, CGXStyle::modeOverride);
    cell->Set(ENGINE_FLAG_CHANGED, true);
  }
  return TRUE;
}

// --- recalculation -----------------------------------------------------------------------------

BOOL CGXFormulaSheet::IsCellChanged(ROWCOL nRow, ROWCOL nCol) {
  EngineCell* c = FindCell(nRow, nCol);
  if (c == nullptr)
    return FALSE;
  if (c->Kind() == ENGINE_CELL_FORMULA_REFS)
    return !c->Is(ENGINE_FLAG_CURRENT) || c->Is(ENGINE_FLAG_CHANGED);
  return c->Is(ENGINE_FLAG_CHANGED);
}

void CGXFormulaSheet::SetCellChanged(ROWCOL nRow, ROWCOL nCol, BOOL bOn) {
  if (EngineCell* c = FindCell(nRow, nCol))
    c->Set(ENGINE_FLAG_CHANGED, bOn != FALSE);
}

void CGXFormulaSheet::MarkRangeChanged(const CGXCellRange& range) {
  if (!range.IsValid())
    return;
  CGXCellRange cells = range;
  cells.ExpandToCells(1, 1, std::max<ROWCOL>(GetRowCount(), 1), std::max<ROWCOL>(GetColCount(), 1));
  MarkEngineRangeChanged(m_nSheet, ToEngineRange(cells.top, cells.left, cells.bottom, cells.right));
}

void CGXFormulaSheet::Recalc(BOOL bForce) {
  EngineSheet* s = GetEngineSheet(m_nSheet);
  int nBatch = BeginCellBatch(s, ENGINE_POOL_ALL);
  try {
    RecalculateSheet(m_nSheet, bForce != FALSE);
  } catch (...) {
    EndCellBatch(s, nBatch);
    throw;
  }
  EndCellBatch(s, nBatch);
}

void CGXFormulaSheet::ResetError() {
  GetEngineSheet(m_nSheet)->messagePending = 1;
}

BOOL CGXFormulaSheet::GetLastError(CString& sText) {
  EngineSheet* s = GetEngineSheet(m_nSheet);
  if (s->messagePending != 0)
    return FALSE;
  sText = s->message;
  return TRUE;
}

// --- undo --------------------------------------------------------------------------------------

CObject* CGXFormulaSheet::DetachUndoInfo() {
  CObject* p = m_pUndoInfo;
  m_pUndoInfo = nullptr;
  return p;
}

BOOL CGXFormulaSheet::ApplyUndoInfo(CObject* pInfo, BOOL nMode, int bRedo) {
  return ApplyEngineUndoInfo(m_nSheet, pInfo, nMode, bRedo != 0);
}

int CGXFormulaSheet::SetUndoMode(int nMode) {
  int nOld = m_nUndoMode;
  m_nUndoMode = nMode;
  return nOld;
}

void CGXFormulaSheet::CollectUndoInfo(BOOL bRecalc, BOOL bCollect) {
  CollectEngineUndoInfo(m_nSheet, m_pUndoInfo, m_nUndoMode, bRecalc != FALSE, bCollect != FALSE);
}

// --- names -------------------------------------------------------------------------------------

BOOL CGXFormulaSheet::SetRangeName(LPCTSTR pszName, const CGXCellRange& range, CObject* pUndoInfo) {
  CGXUndoEngineCellsInfo* pRecord = nullptr;
  if (pUndoInfo != nullptr) {
    if (!pUndoInfo->IsKindOf(RUNTIME_CLASS(CGXUndoEngineCellsInfo)))
      return FALSE;
    pRecord = static_cast<CGXUndoEngineCellsInfo*>(pUndoInfo);
  } else if (pszName == nullptr || !range.IsValid()) {
    return FALSE;
  }
  EngineCellRef r = ToEngineRange(range.top, range.left, range.bottom, range.right);
  return EngineSetRangeName(m_nSheet, pszName != nullptr ? pszName : "", r, pRecord);
}

BOOL CGXFormulaSheet::GetRangeName(LPCTSTR pszName, CGXCellRange& range) {
  EngineCellRef r{};
  if (pszName == nullptr || FindEngineName(m_nSheet, pszName, &r) == nullptr)
    return FALSE;
  range.SetCells(r.FirstRow(), r.FirstCol() + 1, r.LastRow(), r.LastCol() + 1);
  return TRUE;
}

BOOL CGXFormulaSheet::DeleteRangeName(LPCTSTR pszName, CObject** ppUndoInfo, BOOL bCollect) {
  if (pszName == nullptr)
    return FALSE;
  CGXUndoEngineCellsInfo* pRecord = nullptr;
  if (ppUndoInfo != nullptr && *ppUndoInfo != nullptr) {
    if (!(*ppUndoInfo)->IsKindOf(RUNTIME_CLASS(CGXUndoEngineCellsInfo)))
      return FALSE;
    pRecord = static_cast<CGXUndoEngineCellsInfo*>(*ppUndoInfo);
  }
  bool bKeep = bCollect && ppUndoInfo != nullptr;
  BOOL bExisted = EngineDeleteRangeName(m_nSheet, pszName, pRecord, bKeep);
  if (bKeep)
    *ppUndoInfo = pRecord;
  return bExisted;
}

// --- storing and reading values ----------------------------------------------------------------

BOOL CGXFormulaSheet::SetFormula(ROWCOL nRow, ROWCOL nCol, LPCTSTR pszText) {
  if (pszText == nullptr || pszText[0] != '=')
    return FALSE;
  if (!EngineSetFormula(m_nSheet, ToEngineRow(nRow), ToEngineCol(nCol), pszText))
    return FALSE;
  CollectUndoInfo(FALSE, FALSE);
  return TRUE;
}

BOOL CGXFormulaSheet::SetTextValue(ROWCOL nRow, ROWCOL nCol, LPCTSTR pszText) {
  return StoreTextCell(m_nSheet, ToEngineRow(nRow), ToEngineCol(nCol), pszText);
}

BOOL CGXFormulaSheet::SetNumberValue(ROWCOL nRow, ROWCOL nCol, double d) {
  return StoreNumberCell(m_nSheet, ToEngineRow(nRow), ToEngineCol(nCol), d);
}

BOOL CGXFormulaSheet::SetExpressionValue(ROWCOL nRow, ROWCOL nCol, LPCTSTR pszText) {
  if (pszText == nullptr || pszText[0] == '\0')
    return SetTextValue(nRow, nCol, "");
  double d;
  if (ReadNumber(pszText, d)) {
    if (!SetNumberValue(nRow, nCol, d))
      return FALSE;
    if (IsDateFormat(GetNumberFormat(nRow, nCol)))
      SetNumberFormat(nRow, nCol, 3, 15);
    return TRUE;
  }
  // The not-available constant is stored as such, so that it never depends on a function.
  if (std::strlen(pszText) == 4 && std::toupper((unsigned char)pszText[1]) == 'N' && pszText[0] == '#' &&
      pszText[2] == '/' && std::toupper((unsigned char)pszText[3]) == 'A')
    return StoreNotAvailableCell(m_nSheet, ToEngineRow(nRow), ToEngineCol(nCol));
  if (pszText[0] == '\'')
    return SetTextValue(nRow, nCol, pszText + 1);
  if (pszText[0] == '=')
    return SetFormula(nRow, nCol, pszText);
  return SetTextValue(nRow, nCol, pszText);
}

BOOL CGXFormulaSheet::SetNumberFormat(ROWCOL nRow, ROWCOL nCol, UINT nFormat, UINT nPlaces) {
  EngineCell* cell = FindCell(nRow, nCol);
  if (cell == nullptr) {
    if (!SetTextValue(nRow, nCol, ""))
      return FALSE;
    cell = FindCell(nRow, nCol);
  }
  CGXStyle style;
  style.SetNumberFormat(nFormat);
  style.SetDecimalPlaces(nPlaces);
  if (CGXStyle* pAttached = StyleOf(cell)) {
    pAttached->MergeStyle(style, CGXStyle::modeOverride);
  } else {
    delete DetachEngineObject(cell);
    cell->object = style.Clone();
  }
  return TRUE;
}

UINT CGXFormulaSheet::GetNumberFormat(ROWCOL nRow, ROWCOL nCol, UINT* pPlaces) {
  const CGXStyle* pStyle = StyleOf(FindCell(nRow, nCol));
  if (pStyle == nullptr || !pStyle->GetInclude(CGXStyle::gxFormat))
    return 0;
  if (pPlaces != nullptr)
    *pPlaces = pStyle->GetDecimalPlaces();
  return pStyle->GetNumberFormat();
}

int CGXFormulaSheet::GetNumberValue(ROWCOL nRow, ROWCOL nCol, double& d) {
  d = 0;
  EngineCell* c = FindCell(nRow, nCol);
  if (c == nullptr)
    return 0;
  if (c->Kind() == ENGINE_CELL_FORMULA_REFS && !c->Is(ENGINE_FLAG_CURRENT))
    EvaluateCell(m_nSheet, c);
  if (c->ValueType() == ENGINE_VALUE_NUMBER)
    d = c->value.number;
  return 0;
}

CString CGXFormulaSheet::GetValueTextAt(ROWCOL nRow, ROWCOL nCol) {
  return EngineCellDisplayText(m_nSheet, FindCell(nRow, nCol));
}

CString CGXFormulaSheet::GetEditTextAt(ROWCOL nRow, ROWCOL nCol) {
  return EngineCellEditText(m_nSheet, FindCell(nRow, nCol));
}

BOOL CGXFormulaSheet::ComputeExpression(CString& sResult, LPCTSTR pszFormula) {
  ResetError();
  return ComputeEngineExpression(m_nSheet, pszFormula != nullptr ? pszFormula : "", &sResult);
}

BOOL CGXFormulaSheet::CompileFormula(LPCTSTR pszText, CompiledFormula* pCompiled) {
  return pszText != nullptr && pCompiled != nullptr && ParseFormula(m_nSheet, pszText, pCompiled);
}

BOOL CGXFormulaSheet::EvaluateCompiled(CString& sText, const CompiledFormula* pCompiled) {
  if (pCompiled == nullptr)
    return FALSE;
  EngineValue v = EvaluateFormulaAt(m_nSheet, 0, 0, pCompiled, pCompiled->expression);
  if (v.kind == VALUE_RANGE)
    v = EngineValue::Error(ENGINE_ERR_RESULT_IS_RANGE);
  EngineCell scratch{};
  SetCellValue(&scratch, v);
  sText = EngineCellDisplayText(m_nSheet, &scratch);
  EngineClearValue(&scratch);
  return v.kind != VALUE_ERROR;
}

// --- settings ----------------------------------------------------------------------------------

BOOL CGXFormulaSheet::SetIterationLimit(int n) { return SetEngineIterationLimit(GetEngineSheet(m_nSheet), n); }
int CGXFormulaSheet::GetIterationLimit() const { return GetEngineSheet(m_nSheet)->iterationLimit; }
BOOL CGXFormulaSheet::SetBlanksAreZero(BOOL b) { return SetEngineBlanksAreZero(GetEngineSheet(m_nSheet), b); }
BOOL CGXFormulaSheet::GetBlanksAreZero() const { return GetEngineSheet(m_nSheet)->blanksAreZero; }
BOOL CGXFormulaSheet::SetManualRecalc(BOOL b) { return SetEngineManualRecalc(GetEngineSheet(m_nSheet), b); }
BOOL CGXFormulaSheet::GetManualRecalc() const { return GetEngineSheet(m_nSheet)->manualRecalc; }
BOOL CGXFormulaSheet::SetRecalcAllFormulas(BOOL b) { return SetEngineRecalcAll(GetEngineSheet(m_nSheet), b); }
BOOL CGXFormulaSheet::GetRecalcAllFormulas() const { return GetEngineSheet(m_nSheet)->recalcAll; }
BOOL CGXFormulaSheet::GetConstraintCheck() const { return GetEngineSheet(m_nSheet)->constraintCheck; }

BOOL CGXFormulaSheet::SetConstraintCheck(BOOL b) {
  if (b)
    RegisterConstraintStyle();
  return SetEngineConstraintCheck(GetEngineSheet(m_nSheet), b);
}

void CGXFormulaSheet::RegisterConstraintStyle() {
  CGXGridCore* pGrid = GetFirstGrid();
  CGXStylesMap* pMap = pGrid != nullptr && pGrid->GetParam() != nullptr ? pGrid->GetParam()->GetStylesMap() : nullptr;
  if (pMap == nullptr)
    return;
  CString sName;
  if (!GXLoadString(kConstraintStyleNameId, sName) || sName.IsEmpty())
    sName = "Constraint Violation";
  WORD nId = 0;
  if (pMap->LookupBaseStyleId(sName, nId)) {
    m_nConstraintStyleId = nId;
    return;
  }
  CGXStyle style;
  style.SetInterior((DWORD)0x0000FF);  // red
  m_nConstraintStyleId = pMap->RegisterStyle(sName, style);
}
