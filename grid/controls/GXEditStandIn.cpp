// The stand-in cell control.
#include "GXEditStandIn.h"

#include "GXControlFactory.h"

void CGXEditStandIn::Init(ROWCOL nRow, ROWCOL nCol) {
  const BOOL bOther = !IsInit(nRow, nCol);
  CGXControl::Init(nRow, nCol);
  if (bOther) {
    m_bActive = FALSE;
    m_bModified = FALSE;
    m_sText = m_pGrid->GetValueRowCol(nRow, nCol);
  }
}

void CGXEditStandIn::SetActive(BOOL bActive) {
  if (bActive && !m_bActive && !m_bModified && IsInit())
    m_sText = m_pGrid->GetValueRowCol(m_nRow, m_nCol);
  m_bActive = bActive;
}

BOOL CGXEditStandIn::GetCurrentText(CString& s) {
  s = m_sText;
  return TRUE;
}

BOOL CGXEditStandIn::Store() {
  if (!IsInit())
    return FALSE;
  ++m_nStores;
  const CString sOld = m_pGrid->GetValueRowCol(m_nRow, m_nCol);
  return sOld == m_sText || m_pGrid->SetValueRange(CGXCellRange(m_nRow, m_nCol, m_nRow, m_nCol), m_sText);
}

BOOL CGXEditStandIn::OnCancelEditing() {
  const BOOL bHad = m_bModified;
  m_bModified = FALSE;
  if (IsInit())
    m_sText = m_pGrid->GetValueRowCol(m_nRow, m_nCol);
  return bHad;
}

BOOL CGXEditStandIn::OnGridChar(UINT nChar, UINT nRepeat, UINT nFlags) {
  (void)nRepeat;
  (void)nFlags;
  if (!IsInit())
    return FALSE;
  if (nChar == 8) {
    if (!m_bActive)
      return FALSE;
    if (!m_sText.IsEmpty())
      m_sText = m_sText.Left(m_sText.GetLength() - 1);
    m_bModified = TRUE;
    return TRUE;
  }
  if (nChar < 0x20 || nChar == 0x7F)
    return FALSE;
  if (!m_bActive) {
    // Typing into a cell replaces its text, as in a spreadsheet.
    if (m_pGrid->IsReadOnly() || !m_pGrid->OnStartEditing(m_nRow, m_nCol))
      return FALSE;
    m_bActive = TRUE;
    m_sText.Empty();
  }
  const char c = (char)nChar;
  m_sText += CString(&c, 1);
  m_bModified = TRUE;
  return TRUE;
}

void CGXEditStandIn::Draw(CGXGridSurface& surface, const CRect& rect, ROWCOL nRow, ROWCOL nCol,
                          const CGXStyle& style) {
  CString s;
  if (IsActive() && IsInit(nRow, nCol))
    GetCurrentText(s);
  else
    s = CGXControl::GetControlText(nRow, nCol, style);
  m_pGrid->DrawCellText(surface, rect, s, style);
}

namespace {

CGXControl* CreateStandIn(UINT nID, CGXGridCore* pGrid) {
  (void)nID;
  return new CGXEditStandIn(pGrid);
}

}  // namespace

void GXInstallControlStandIns() { GXSetCreateControlProc(&CreateStandIn); }
