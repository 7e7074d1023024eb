// The freeze menu commands. Rows and columns share one logic; a freeze and an unfreeze each run in one
// undo transaction under the redraw lock, and the unfreeze moves back exactly the block the freeze
// moved (first .. first + count - 1).
#include "GXFreezeMenuHelperImp.h"

#include "GXGridCore.h"
#include "GXGridState.h"

namespace {

// Restores the redraw lock and closes the transaction also when the work throws.
class FreezeBracket {
 public:
  FreezeBracket(CGXGridCore* pGrid, LPCTSTR pszText) : m_pGrid(pGrid), m_bOldLock(pGrid->GetParam()->m_bLockUpdate) {
    m_pGrid->BeginTrans(pszText);
    m_pGrid->GetParam()->m_bLockUpdate = TRUE;
  }
  ~FreezeBracket() {
    m_pGrid->GetParam()->m_bLockUpdate = m_bOldLock;
    m_pGrid->Redraw(GX_UPDATENOW);
    m_pGrid->CommitTrans();
  }
  FreezeBracket(const FreezeBracket&) = delete;
  FreezeBracket& operator=(const FreezeBracket&) = delete;

 private:
  CGXGridCore* m_pGrid;
  BOOL m_bOldLock;
};

}  // namespace

int CGXGridFreezeMenuHelperImp::CanFreeze(CGXGridCore* pGrid, bool bRows) {
  CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr || (bRows ? pGrid->GetFrozenRows() : pGrid->GetFrozenCols()) > 0)
    return 0;
  CDWordArray firsts, lasts;
  if (bRows)
    pParam->m_selection.GetRowSpans(pGrid->GetRowCount(), firsts, lasts, FALSE);
  else
    pParam->m_selection.GetColSpans(pGrid->GetColCount(), firsts, lasts, FALSE);
  return firsts.GetSize() == 1 ? 1 : 0;
}

void CGXGridFreezeMenuHelperImp::Freeze(CGXGridCore* pGrid, bool bRows) {
  if (!CanFreeze(pGrid, bRows))
    return;
  CGXGridParam* pParam = pGrid->GetParam();
  CDWordArray firsts, lasts;
  if (bRows)
    pParam->m_selection.GetRowSpans(pGrid->GetRowCount(), firsts, lasts, FALSE);
  else
    pParam->m_selection.GetColSpans(pGrid->GetColCount(), firsts, lasts, FALSE);
  GX_GRID_STATE* pState = GXGetAppState();
  FreezeBracket bracket(pGrid, pState->m_sText[bRows ? gxTextFreezeRows : gxTextFreezeCols]);
  pGrid->ClearSelection(0);
  const ROWCOL nHeader = bRows ? pGrid->GetHeaderRows() : pGrid->GetHeaderCols();
  ROWCOL nFirst = firsts[0];
  const ROWCOL nLast = lasts[0];
  if (nFirst < nHeader + 1)
    nFirst = nHeader + 1;
  if (nLast < nFirst)
    return;
  const ROWCOL nCount = nLast - nFirst + 1;
  if (bRows) {
    if (nFirst > nHeader + 1)
      pGrid->MoveRows(nFirst, nLast, nHeader + 1, GX_UPDATENOW);
    pParam->m_nFreezeFirstRow = nHeader + 1;
    pParam->m_nFreezeRowCount = nCount;
    pParam->m_nFreezeFormerRow = nFirst;
    pGrid->SetFrozenRows(nCount, 0, GX_UPDATENOW);
  } else {
    if (nFirst != 1)
      pGrid->MoveCols(nFirst, nLast, 1, GX_UPDATENOW);
    pParam->m_nFreezeFirstCol = nHeader + 1;
    pParam->m_nFreezeColCount = nCount;
    pParam->m_nFreezeFormerCol = nFirst;
    pGrid->SetFrozenCols(nCount, 0, GX_UPDATENOW);
  }
}

void CGXGridFreezeMenuHelperImp::Unfreeze(CGXGridCore* pGrid, bool bRows) {
  CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr || (bRows ? pGrid->GetFrozenRows() : pGrid->GetFrozenCols()) == 0)
    return;
  GX_GRID_STATE* pState = GXGetAppState();
  FreezeBracket bracket(pGrid, pState->m_sText[bRows ? gxTextFreezeRows : gxTextFreezeCols]);
  const ROWCOL nFirst = bRows ? pParam->m_nFreezeFirstRow : pParam->m_nFreezeFirstCol;
  const ROWCOL nCount = bRows ? pParam->m_nFreezeRowCount : pParam->m_nFreezeColCount;
  const ROWCOL nFormer = bRows ? pParam->m_nFreezeFormerRow : pParam->m_nFreezeFormerCol;
  if (bRows) {
    pGrid->SetFrozenRows(0, 0, GX_UPDATENOW);
    if (nCount > 0 && nFirst != nFormer)
      pGrid->MoveRows(nFirst, nFirst + nCount - 1, nFormer, GX_UPDATENOW);
  } else {
    if (nCount > 0 && nFirst != nFormer)
      pGrid->MoveCols(nFirst, nFirst + nCount - 1, nFormer, GX_UPDATENOW);
    pGrid->SetFrozenCols(0, 0, GX_UPDATENOW);
  }
}

int CGXGridFreezeMenuHelperImp::CanFreezeCols(CGXGridCore* pGrid) { return CanFreeze(pGrid, false); }
int CGXGridFreezeMenuHelperImp::CanFreezeRows(CGXGridCore* pGrid) { return CanFreeze(pGrid, true); }
int CGXGridFreezeMenuHelperImp::CanUnfreezeCols(CGXGridCore* pGrid) {
  return pGrid->GetParam() != nullptr && pGrid->GetFrozenCols() > 0 ? 1 : 0;
}
int CGXGridFreezeMenuHelperImp::CanUnfreezeRows(CGXGridCore* pGrid) {
  return pGrid->GetParam() != nullptr && pGrid->GetFrozenRows() > 0 ? 1 : 0;
}
void CGXGridFreezeMenuHelperImp::FreezeCols(CGXGridCore* pGrid) { Freeze(pGrid, false); }
void CGXGridFreezeMenuHelperImp::FreezeRows(CGXGridCore* pGrid) { Freeze(pGrid, true); }
void CGXGridFreezeMenuHelperImp::UnfreezeCols(CGXGridCore* pGrid) { Unfreeze(pGrid, false); }
void CGXGridFreezeMenuHelperImp::UnfreezeRows(CGXGridCore* pGrid) { Unfreeze(pGrid, true); }
