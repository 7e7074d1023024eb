// Composing a cell's effective style, and the column letters.
#include "GXStyleComposer.h"

#include "GXGridState.h"

#include <cstdlib>

CString GXColumnLetters(ROWCOL nCol) {
  CString s;
  uint64_t n = nCol;
  do {
    n -= 1;
    s = CString((TCHAR)('A' + (int)(n % 26))) + s;
    n /= 26;
  } while (n != 0);
  return s;
}

BOOL GXRangeFitsUndo(ROWCOL nRows, ROWCOL nCols) {
  return nRows < 32768 && nCols < 32768 && (uint64_t)nRows * nCols < 0x7FFFFFFF;
}

void CGXStyleComposer::RefreshBaseStyles() {
  m_pStandard = m_pColHeader = m_pRowHeader = nullptr;
  const CGXStylesMap* pMap = m_pParam != nullptr ? m_pParam->GetStylesMap() : nullptr;
  if (pMap == nullptr)
    return;
  pMap->LookupStyle(pMap->m_nStandardStyleId, m_pStandard);
  pMap->LookupStyle(pMap->m_nColHeaderStyleId, m_pColHeader);
  pMap->LookupStyle(pMap->m_nRowHeaderStyleId, m_pRowHeader);
}

BOOL CGXStyleComposer::GetStyleRowCol(ROWCOL nRow, ROWCOL nCol, CGXStyle& style, int nMode, int nType) const {
  const CGXData* pData = m_pParam != nullptr ? m_pParam->GetData() : nullptr;
  return pData != nullptr && pData->GetStyleRowCol(nRow, nCol, style, nMode, nType);
}

namespace {

// The value of a style read as a number; FALSE when it is none.
BOOL ValueAsNumber(const CString& sValue, double& d) {
  if (CGXAbstractNumberFormattingImp* p = GXGetAppState()->m_pNumberFormattingImp)
    return p->ParseValue(sValue, d);
  const char* psz = sValue;
  char* pEnd;
  d = std::strtod(psz, &pEnd);
  return pEnd != psz;
}

}  // namespace

BOOL CGXStyleComposer::ComposeStyleRowCol(ROWCOL nRow, ROWCOL nCol, CGXStyle& style, BOOL bWithStandard) const {
  if (m_pParam == nullptr)
    return FALSE;
  const ROWCOL r = m_pParam->m_nHeaderRows, c = m_pParam->m_nHeaderCols;
  style.Free();
  GetStyleRowCol(nRow, nCol, style, CGXStyle::modeCopy, 0);
  if (m_bValueOnly && style.GetInclude(CGXStyle::gxValue))
    return TRUE;
  // The cell wins over its row, the row over its column, the column over the table.
  if (nCol > c)
    GetStyleRowCol(nRow, 0, style, CGXStyle::modeAddMissing, -1);
  if (nRow > r) {
    GetStyleRowCol(0, nCol, style, CGXStyle::modeAddMissing, -1);
    if (nCol > c)
      GetStyleRowCol(0, 0, style, CGXStyle::modeAddMissing, -1);
  }
  if (const CGXStylesMap* pMap = m_pParam->GetStylesMap())
    style.LoadBaseStyles(*pMap);
  if (nRow <= r && m_pColHeader != nullptr)
    style.MergeStyle(*m_pColHeader, CGXStyle::modeAddMissing);
  if (nCol <= c && m_pRowHeader != nullptr)
    style.MergeStyle(*m_pRowHeader, CGXStyle::modeAddMissing);
  if ((nRow == 0 || nCol == 0) && !style.GetInclude(CGXStyle::gxValue)) {
    if (nRow == 0 && nCol > 0 && m_pParam->m_bNumberedColHeaders)
      style.SetValue(GXColumnLetters(nCol));
    else if (nCol == 0 && nRow > 0 && m_pParam->m_bNumberedRowHeaders)
      style.SetValueUnsigned(nRow);
  }
  if (bWithStandard && m_pStandard != nullptr)
    style.MergeStyle(*m_pStandard, CGXStyle::modeAddMissing);
  if (m_pParam->m_bMarking && m_pParam->m_bCutMarking && m_pParam->m_markedRanges.IsCellInList(nRow, nCol)) {
    CGXInteriorFill fill;
    fill.SetPattern(17);
    fill.SetColor(0xC0C0C0);
    style.SetInterior(fill);
  }
  if (m_bCurrentCell && nRow == m_nCurrentRow && nCol == m_nCurrentCol && style.GetInclude(CGXStyle::gxControl) &&
      m_pfnControlActive != nullptr && m_pfnControlActive(m_pControlContext, style.GetControl(), nRow, nCol))
    return TRUE;
  double d;
  if (style.GetInclude(CGXStyle::gxValue) && style.HasUserAttribute(GX_IDS_UA_NEGATIVECOLOR) &&
      ValueAsNumber(style.GetValue(), d) && d < 0.0)
    style.SetTextColor(style.GetCustomAttr(GX_IDS_UA_NEGATIVECOLOR).GetDWordValue());
  return TRUE;
}

CString CGXStyleComposer::ReadCellValue(ROWCOL nRow, ROWCOL nCol) const {
  CGXStyle style;
  m_bValueOnly = TRUE;
  ComposeStyleRowCol(nRow, nCol, style, TRUE);
  m_bValueOnly = FALSE;
  return style.GetValue();
}
