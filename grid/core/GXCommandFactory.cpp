// The command factory: making, filing and running undo and redo commands, transactions, the Edit menu's
// Undo and Redo items and the contents saved of rows and columns about to be removed.
#include "GXCommandFactory.h"

#include "GXGridCore.h"
#include "GXGridState.h"
#include "GXLongOperationImp.h"

#include <algorithm>
#include <new>

namespace {

// The text shown when a reverse command cannot be filed and the change is taken back.
const UINT kNotRecordedTextId = 21500;

const char kTooLargeText[] = "Operation is too large for the undo buffer. Do you want to continue?";

}  // namespace

// --- creators -------------------------------------------------------------------------------------------

CGXCommand* CGXCommandFactory::CreateBlockCmd(LPCTSTR pszDescription) {
  return new (std::nothrow) CGXBlockCmd(pszDescription);
}
CGXCommand* CGXCommandFactory::CreateSetRowHeightCmd(ROWCOL nFrom, ROWCOL nTo, LONG* pOld) {
  return new (std::nothrow) CGXSetRowHeightCmd(nFrom, nTo, pOld);
}
CGXCommand* CGXCommandFactory::CreateHideRowsCmd(ROWCOL nFrom, ROWCOL nTo, BYTE* pOld) {
  return new (std::nothrow) CGXHideRowsCmd(nFrom, nTo, pOld);
}
CGXCommand* CGXCommandFactory::CreateSetDefaultRowHeightCmd(int nOld) {
  return new (std::nothrow) CGXSetDefaultRowHeightCmd(nOld);
}
CGXCommand* CGXCommandFactory::CreateSetColWidthCmd(ROWCOL nFrom, ROWCOL nTo, LONG* pOld) {
  return new (std::nothrow) CGXSetColWidthCmd(nFrom, nTo, pOld);
}
CGXCommand* CGXCommandFactory::CreateHideColsCmd(ROWCOL nFrom, ROWCOL nTo, BYTE* pOld) {
  return new (std::nothrow) CGXHideColsCmd(nFrom, nTo, pOld);
}
CGXCommand* CGXCommandFactory::CreateSetDefaultColWidthCmd(int nOld) {
  return new (std::nothrow) CGXSetDefaultColWidthCmd(nOld);
}
CGXCommand* CGXCommandFactory::CreateMoveRowsCmd(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) {
  return new (std::nothrow) CGXMoveRowsCmd(nFrom, nTo, nDest);
}
CGXCommand* CGXCommandFactory::CreateMoveColsCmd(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) {
  return new (std::nothrow) CGXMoveColsCmd(nFrom, nTo, nDest);
}
CGXCommand* CGXCommandFactory::CreateRemoveRowsCmd(ROWCOL nFrom, ROWCOL nTo) {
  return new (std::nothrow) CGXRemoveRowsCmd(nFrom, nTo);
}
CGXCommand* CGXCommandFactory::CreateRemoveColsCmd(ROWCOL nFrom, ROWCOL nTo) {
  return new (std::nothrow) CGXRemoveColsCmd(nFrom, nTo);
}
CGXCommand* CGXCommandFactory::CreateInsertRowsCmd(ROWCOL nAt, ROWCOL nCount, const CGXRemovedCells& saved) {
  return new (std::nothrow) CGXInsertRowsCmd(nAt, nCount, saved);
}
CGXCommand* CGXCommandFactory::CreateInsertColsCmd(ROWCOL nAt, ROWCOL nCount, const CGXRemovedCells& saved) {
  return new (std::nothrow) CGXInsertColsCmd(nAt, nCount, saved);
}
CGXCommand* CGXCommandFactory::CreateSetCoveredCellsCmd(ROWCOL nRow, ROWCOL nCol, ROWCOL nToRow, ROWCOL nToCol) {
  return new (std::nothrow) CGXSetCoveredCellsCmd(nRow, nCol, nToRow, nToCol);
}
CGXCommand* CGXCommandFactory::CreateSetStyleRangeCmd(const CGXCellRange& range, int nType, CObArray* pStyles) {
  return new (std::nothrow) CGXSetStyleRangeCmd(range, nType, pStyles);
}
CGXCommand* CGXCommandFactory::CreateSetFrozenRowsCmd(ROWCOL nFrozen, ROWCOL nHeader) {
  return new (std::nothrow) CGXSetFrozenRowsCmd(nFrozen, nHeader);
}
CGXCommand* CGXCommandFactory::CreateSetFrozenColsCmd(ROWCOL nFrozen, ROWCOL nHeader) {
  return new (std::nothrow) CGXSetFrozenColsCmd(nFrozen, nHeader);
}
CGXCommand* CGXCommandFactory::CreateChangeStylesMapCmd(const CGXStylesMap& map) {
  CGXStylesMap* pCopy = new (std::nothrow) CGXStylesMap(map);
  CGXCommand* pCmd = pCopy != nullptr ? new (std::nothrow) CGXChangeStylesMapCmd(pCopy) : nullptr;
  if (pCmd == nullptr)
    delete pCopy;
  return pCmd;
}
CGXCommand* CGXCommandFactory::CreateChangePropertiesCmd(const CGXProperties& properties) {
  CGXProperties* pCopy = new (std::nothrow) CGXProperties;
  if (pCopy != nullptr)
    *pCopy = properties;
  CGXCommand* pCmd = pCopy != nullptr ? new (std::nothrow) CGXChangePropertiesCmd(pCopy) : nullptr;
  if (pCmd == nullptr)
    delete pCopy;
  return pCmd;
}
CGXCommand* CGXCommandFactory::CreateChangeBaseStyleCmd(WORD nId, const CGXStyle& style, LPCTSTR pszName) {
  CGXStyle* pCopy = style.Clone();
  CGXCommand* pCmd = new (std::nothrow) CGXChangeBaseStyleCmd(nId, pCopy, pszName);
  if (pCmd == nullptr)
    delete pCopy;
  return pCmd;
}

// --- the data object's undo info ------------------------------------------------------------------------

BOOL CGXCommandFactory::EnableDataUndo(CGXGridCore* pGrid, BOOL bEnable) {
  CGXGridParam* pParam = pGrid->GetParam();
  return pParam != nullptr && pParam->GetData() != nullptr && pParam->GetData()->EnableUndoInfo(bEnable);
}

CObject* CGXCommandFactory::CreateDataUndoInfo(CGXGridCore* pGrid) {
  CGXGridParam* pParam = pGrid->GetParam();
  return pParam != nullptr && pParam->GetData() != nullptr ? pParam->GetData()->GetUndoInfo() : nullptr;
}

BOOL CGXCommandFactory::ApplyDataUndoInfo(CGXGridCore* pGrid, CObject* pInfo, BOOL bUndo, int nPhase) {
  CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr || pParam->GetData() == nullptr || pInfo == nullptr)
    return FALSE;
  return pParam->GetData()->ApplyUndoInfo(pInfo, bUndo, nPhase);
}

void CGXCommandFactory::DiscardDataUndoInfo(CGXGridCore* pGrid) { delete CreateDataUndoInfo(pGrid); }

// --- the lists ------------------------------------------------------------------------------------------

CObList& CGXCommandFactory::ListOfMode(CGXGridParam* pParam, int nMode) {
  return nMode == gxDo || nMode == gxRedo ? pParam->GetUndoList() : pParam->GetRedoList();
}

BOOL CGXCommandFactory::ExecuteCommand(CGXCommand* pCmd, CGXGridCore* pGrid, int nMode) {
  CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr || pCmd == nullptr)
    return FALSE;
  // A command puts back what the user was allowed to change, so the read-only lock does not hold it.
  const BOOL bLock = pParam->m_bLockReadOnly;
  pParam->m_bLockReadOnly = FALSE;
  BOOL bResult = FALSE;
  try {
    if (pParam->GetData() != nullptr && pCmd->m_pDataUndoInfo != nullptr) {
      const BOOL bPrev = EnableDataUndo(pGrid, nMode != gxRollback);
      ApplyDataUndoInfo(pGrid, pCmd->m_pDataUndoInfo, TRUE, 0);
      EnableDataUndo(pGrid, bPrev);
    }
    bResult = pCmd->Execute(pGrid, nMode);
  } catch (...) {
    pParam->m_bLockReadOnly = bLock;
    throw;
  }
  pParam->m_bLockReadOnly = bLock;
  return bResult;
}

// A command that cannot be filed would leave its operation standing with nothing to undo it and nobody
// told: the operation is taken back through the command (recording nothing) and the user is told.
void CGXCommandFactory::AddCommand(CGXGridCore* pGrid, CGXCommand* pCmd, int nMode) {
  CGXGridParam* pParam = pGrid->GetParam();
  if (pCmd == nullptr)
    return;
  if (pParam == nullptr) {
    delete pCmd;
    return;
  }
  BOOL bFailed = FALSE;
  try {
    if (nMode == gxDo)
      pParam->ClearRedoList();
    if (pCmd->m_pDataUndoInfo == nullptr)
      pCmd->m_pDataUndoInfo = CreateDataUndoInfo(pGrid);
    CObList& list = ListOfMode(pParam, nMode);
    CObList* pTarget = &list;
    CGXBlockCmd* pBlock = nullptr;
    if ((pParam->m_nTransNesting > 0 || pGrid->m_bExecutingBlock) && !list.IsEmpty())
      pBlock = dynamic_cast<CGXBlockCmd*>(list.GetHead());
    if (pBlock != nullptr) {
      pTarget = &pBlock->m_subCommands;
    } else {
      while (list.GetCount() > (INT_PTR)pParam->m_nMaxUndo)
        delete list.RemoveTail();
    }
    ROWCOL nRow = 0, nCol = 0;
    pCmd->m_bCurrentCell = pGrid->GetActiveCell(nRow, nCol);
    pCmd->m_nRow = nRow;
    pCmd->m_nCol = nCol;
    pTarget->AddHead(pCmd);
  } catch (CException* e) {
    e->Delete();
    bFailed = TRUE;
  } catch (std::bad_alloc&) {
    bFailed = TRUE;
  }
  if (!bFailed)
    return;
  ExecuteCommand(pCmd, pGrid, gxRollback);
  delete pCmd;
  CString sText;
  if (!GXLoadString(kNotRecordedTextId, sText))
    sText = "There is not enough memory to record this change for undo. The change was taken back.";
  pGrid->WndMessageBox(sText);
}

void CGXCommandFactory::RemoveCommand(CGXGridCore* pGrid, int nMode) {
  CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr)
    return;
  CObList* pList = &ListOfMode(pParam, nMode);
  if ((pParam->m_nTransNesting > 0 || pGrid->m_bExecutingBlock) && !pList->IsEmpty())
    if (CGXBlockCmd* pBlock = dynamic_cast<CGXBlockCmd*>(pList->GetHead()))
      pList = &pBlock->m_subCommands;
  if (!pList->IsEmpty())
    delete pList->RemoveHead();
}

namespace {

// Runs the newest command of a list in a mode; it is deleted when it succeeds and put back otherwise.
BOOL RunNewest(CGXCommandFactory* pFactory, CGXGridCore* pGrid, CObList& list, int nMode, CGXCommand** ppDone) {
  CGXCommand* pCmd = static_cast<CGXCommand*>(list.RemoveHead());
  BOOL bResult = FALSE;
  try {
    bResult = pFactory->ExecuteCommand(pCmd, pGrid, nMode);
  } catch (...) {
    list.AddHead(pCmd);
    throw;
  }
  if (!bResult) {
    list.AddHead(pCmd);
    return FALSE;
  }
  *ppDone = pCmd;
  return TRUE;
}

}  // namespace

BOOL CGXCommandFactory::Undo(CGXGridCore* pGrid) {
  CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr)
    return FALSE;
  // An edit in progress is what Undo takes back first.
  CGXControl* pControl = pGrid->GetActiveCellControl();
  if (pControl != nullptr && pControl->IsActive()) {
    const BOOL bModified = pControl->GetModify();
    if (!pGrid->CommitCurrentCell(FALSE))
      return FALSE;
    if (bModified)
      return TRUE;
  }
  CObList& list = pParam->GetUndoList();
  if (list.IsEmpty())
    return FALSE;
  CGXCommand* pDone = nullptr;
  const BOOL bResult = RunNewest(this, pGrid, list, gxUndo, &pDone);
  delete pDone;
  pGrid->Redraw(GX_INVALIDATE);
  pGrid->UpdateScrollState(FALSE, FALSE);
  return bResult;
}

BOOL CGXCommandFactory::Redo(CGXGridCore* pGrid) {
  CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr)
    return FALSE;
  CGXControl* pControl = pGrid->GetActiveCellControl();
  if (pControl != nullptr && pControl->IsActive() && !pGrid->CommitCurrentCell(FALSE))
    return FALSE;
  CObList& list = pParam->GetRedoList();
  if (list.IsEmpty())
    return FALSE;
  CGXCommand* pDone = nullptr;
  const BOOL bResult = RunNewest(this, pGrid, list, gxRedo, &pDone);
  if (pDone != nullptr && pDone->m_bCurrentCell)
    pGrid->ChangeCurrentCell(pDone->m_nRow, pDone->m_nCol, 0x0A);
  delete pDone;
  pGrid->Redraw(GX_INVALIDATE);
  pGrid->UpdateScrollState(FALSE, FALSE);
  return bResult;
}

// --- transactions ---------------------------------------------------------------------------------------

void CGXCommandFactory::BeginTrans(CGXGridCore* pGrid, LPCTSTR pszText) {
  CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr || !pParam->IsUndoEnabled())
    return;
  if (pParam->m_nTransNesting > 0) {
    ++pParam->m_nTransNesting;
    return;
  }
  pGrid->m_sTransText = pszText != nullptr ? pszText : "";
  CGXCommand* pBlock = CreateBlockCmd(pszText);
  if (pBlock == nullptr)
    AfxThrowMemoryException();
  ROWCOL nRow = 0, nCol = 0;
  pBlock->m_bCurrentCell = pGrid->GetActiveCell(nRow, nCol);
  pBlock->m_nRow = nRow;
  pBlock->m_nCol = nCol;
  try {
    pParam->GetUndoList().AddHead(pBlock);
  } catch (...) {
    delete pBlock;
    throw;
  }
  pParam->m_nTransNesting = 1;
}

void CGXCommandFactory::CommitTrans(CGXGridCore* pGrid) {
  CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr || pParam->m_nTransNesting <= 0 || !pParam->IsUndoEnabled())
    return;
  if (--pParam->m_nTransNesting > 0)
    return;
  CObList& list = pParam->GetUndoList();
  if (list.IsEmpty())
    return;
  CGXBlockCmd* pBlock = dynamic_cast<CGXBlockCmd*>(list.GetHead());
  if (pBlock != nullptr && pBlock->m_subCommands.IsEmpty()) {
    delete list.RemoveHead();
  } else if (list.GetCount() > (INT_PTR)pParam->m_nMaxUndo) {
    delete list.RemoveTail();
  }
}

void CGXCommandFactory::Rollback(CGXGridCore* pGrid) {
  CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr || pParam->m_nTransNesting <= 0 || !pParam->IsUndoEnabled())
    return;
  if (--pParam->m_nTransNesting > 0)
    return;
  pParam->m_nTransNesting = 0;
  CObList& list = pParam->GetUndoList();
  if (list.IsEmpty())
    return;
  CGXCommand* pBlock = static_cast<CGXCommand*>(list.RemoveHead());
  try {
    ExecuteCommand(pBlock, pGrid, gxRollback);
  } catch (...) {
    delete pBlock;
    throw;
  }
  delete pBlock;
  pGrid->Redraw(GX_INVALIDATE);
}

void CGXCommandFactory::SetCurrentCellAfterCommand(CGXGridCore* pGrid, ROWCOL nRow, ROWCOL nCol, BOOL bShow) {
  if (pGrid->m_bExecutingBlock) {
    pGrid->m_bPendingCurrentCell = TRUE;
    pGrid->m_bPendingShow = bShow;
    pGrid->m_nPendingRow = nRow;
    pGrid->m_nPendingCol = nCol;
    return;
  }
  if (bShow && !pGrid->IsCurrentCell(nRow, nCol))
    pGrid->ChangeCurrentCell(nRow, nCol, 0x0A);
  else
    pGrid->ScrollCellInView(nRow, nCol, GX_UPDATENOW);
  pGrid->WndUpdateWindow();
}

// --- the Edit menu --------------------------------------------------------------------------------------

CString CGXCommandFactory::MenuTemplate(const GXMENUITEMSTATE& item, LPCTSTR pszDefault) const {
  CString sResource;
  if (GXLoadString(item.nID, sResource)) {
    const int nFirst = sResource.Find('\n');
    const int nSecond = nFirst >= 0 ? sResource.Find('\n', nFirst + 1) : -1;
    if (nSecond >= 0)
      return sResource.Mid(nSecond + 1);
  }
  if (!item.sMenuText.IsEmpty())
    return item.sMenuText.Left(255);
  return pszDefault;
}

BOOL CGXCommandFactory::UpdateUndoMenuItem(CGXGridCore* pGrid, GXMENUITEMSTATE* pItem) {
  CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr) {
    if (pItem != nullptr)
      pItem->bEnabled = FALSE;
    return FALSE;
  }
  CGXControl* pControl = pGrid->GetActiveCellControl();
  const BOOL bModified = pControl != nullptr && pControl->IsActive() && pControl->GetModify();
  const CObList& list = pParam->GetUndoList();
  const BOOL bEnabled = bModified || !list.IsEmpty();
  if (pItem != nullptr && pItem->bMenu) {
    if (pGrid->m_sUndoTemplate.IsEmpty())
      pGrid->m_sUndoTemplate = MenuTemplate(*pItem, "Undo %1");
    CString s1;
    if (bModified) {
      s1 = GXGetAppState()->m_sText[gxTextCurrentCell];
      if (s1.IsEmpty())
        s1 = "Current Cell";
    } else if (!list.IsEmpty()) {
      s1 = static_cast<const CGXCommand*>(list.GetHead())->GetDescription();
    }
    pItem->sText = pGrid->m_sUndoTemplate;
    pItem->sText.Replace("%1", s1);
  }
  if (pItem != nullptr)
    pItem->bEnabled = bEnabled;
  return bEnabled;
}

BOOL CGXCommandFactory::UpdateRedoMenuItem(CGXGridCore* pGrid, GXMENUITEMSTATE* pItem) {
  CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr) {
    if (pItem != nullptr)
      pItem->bEnabled = FALSE;
    return FALSE;
  }
  const CObList& list = pParam->GetRedoList();
  const BOOL bEnabled = !list.IsEmpty();
  if (pItem != nullptr && pItem->bMenu) {
    if (pGrid->m_sRedoTemplate.IsEmpty())
      pGrid->m_sRedoTemplate = MenuTemplate(*pItem, "Redo %1");
    CString s1;
    if (!list.IsEmpty())
      s1 = static_cast<const CGXCommand*>(list.GetHead())->GetDescription();
    pItem->sText = pGrid->m_sRedoTemplate;
    pItem->sText.Replace("%1", s1);
  }
  if (pItem != nullptr)
    pItem->bEnabled = bEnabled;
  return bEnabled;
}

// --- saving removed rows and columns --------------------------------------------------------------------

BOOL CGXCommandFactory::SaveRemovedRowCells(CGXGridCore* pGrid, ROWCOL nFirst, ROWCOL nCount, ROWCOL nColCount,
                                            CObArray** ppCellStyles, CObArray** ppRowStyles, CGXLongOperation& op) {
  return SaveRemovedCells(pGrid, TRUE, nFirst, nCount, nColCount, ppCellStyles, ppRowStyles, op);
}

BOOL CGXCommandFactory::SaveRemovedColCells(CGXGridCore* pGrid, ROWCOL nFirst, ROWCOL nCount, ROWCOL nRowCount,
                                            CObArray** ppCellStyles, CObArray** ppColStyles, CGXLongOperation& op) {
  return SaveRemovedCells(pGrid, FALSE, nFirst, nCount, nRowCount, ppCellStyles, ppColStyles, op);
}

BOOL CGXCommandFactory::SaveRemovedCells(CGXGridCore* pGrid, BOOL bRows, ROWCOL nFirst, ROWCOL nCount,
                                         ROWCOL nOtherCount, CObArray** ppCellStyles, CObArray** ppLineStyles,
                                         CGXLongOperation& op) {
  *ppCellStyles = nullptr;
  *ppLineStyles = nullptr;
  CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr)
    return TRUE;
  const BOOL bLines = (pParam->m_nUndoSaveFlags & 1) != 0;
  const BOOL bCells = (pParam->m_nUndoSaveFlags & 2) != 0;
  const unsigned long long nCells = (unsigned long long)nCount * nOtherCount;
  const unsigned long long nLineWork = bLines ? nCount : 0;
  GX_LONGOP_STATE* pLong = GXGetLongOperationState();
  auto progress = [&](unsigned long long nDone) {
    if (pLong->nTextLevelLimit == -1 || pLong->nLevel - 1 <= pLong->nTextLevelLimit)
      pLong->nPercent = (int)std::min<unsigned long long>(100, nDone * 100 / std::max<unsigned long long>(1, nCells + nLineWork));
    BOOL bAbort = FALSE;
    if (op.CheckAbort(&bAbort) && bAbort)
      AfxThrowUserException();
  };
  if (bCells) {
    if (nCells >= 0x7FFFFFFF || nCount > 0x7FFF || nOtherCount > 0x7FFF)
      return pGrid->WndAskOkCancel(kTooLargeText);
    *ppCellStyles = new CObArray;
    (*ppCellStyles)->SetSize((INT_PTR)nCells);
    for (ROWCOL i = 0; i < nCount; ++i)
      for (ROWCOL j = 0; j < nOtherCount; ++j) {
        CGXStyle style;
        const ROWCOL nRow = bRows ? nFirst + i : j, nCol = bRows ? j : nFirst + i;
        const INT_PTR nIndex = (INT_PTR)(i * nOtherCount + j);
        if (pGrid->GetStyleRowCol(nRow, nCol, style, CGXStyle::modeCopy, 0))
          (*ppCellStyles)->SetAt(nIndex, style.Clone());
        progress((unsigned long long)nIndex);
      }
  }
  if (bLines) {
    if (nCount >= 0x8000)
      return pGrid->WndAskOkCancel(kTooLargeText);
    *ppLineStyles = new CObArray;
    (*ppLineStyles)->SetSize((INT_PTR)nCount);
    for (ROWCOL i = 0; i < nCount; ++i) {
      CGXStyle style;
      if (pGrid->GetStyleRowCol(bRows ? nFirst + i : 0, bRows ? 0 : nFirst + i, style, CGXStyle::modeCopy, -1))
        (*ppLineStyles)->SetAt((INT_PTR)i, style.Clone());
      progress(nCells + i);
    }
  }
  return TRUE;
}
