// The undo and redo commands: what each saves, the engine operation each calls with it, and the block
// that runs several as one step.
#include "GXCommand.h"

#include "GXGridCore.h"
#include "GXGridState.h"
#include "GXLongOperationImp.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CGXCommand, CObject)
IMPLEMENT_DYNAMIC(CGXBlockCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXSetRowHeightCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXSetColWidthCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXHideRowsCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXHideColsCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXSetDefaultRowHeightCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXSetDefaultColWidthCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXMoveRowsCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXMoveColsCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXRemoveRowsCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXRemoveColsCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXInsertRowsCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXInsertColsCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXSetCoveredCellsCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXSetStyleRangeCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXSetFrozenRowsCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXSetFrozenColsCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXChangeStylesMapCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXChangePropertiesCmd, CGXCommand)
IMPLEMENT_DYNAMIC(CGXChangeBaseStyleCmd, CGXCommand)

// Every command hands the engine this update flag.
static const UINT kCommandFlags = GX_UPDATENOW;

CGXCommand::~CGXCommand() { delete m_pDataUndoInfo; }

void CGXCommand::Serialize(CArchive& ar) { (void)ar; }

CString CGXCommand::LoadDescription(CString& sSlot, UINT nId) {
  if (sSlot.IsEmpty() && !GXLoadString(nId, sSlot))
    sSlot = " ";
  return sSlot;
}

void GXFreeStyleArray(CObArray* pArray) {
  if (pArray == nullptr)
    return;
  for (int i = 0; i < pArray->GetSize(); ++i) {
    CObject* p = pArray->GetAt(i);
    if (CObList* pList = dynamic_cast<CObList*>(p)) {
      for (POSITION pos = pList->GetHeadPosition(); pos != nullptr;)
        delete pList->GetNext(pos);
      pList->RemoveAll();
    }
    delete p;
  }
  pArray->RemoveAll();
  delete pArray;
}

#define GX_COMMAND_TEXT(class_name, id)                 \
  CString class_name::GetDescription() const {          \
    static CString s_sText;                             \
    return LoadDescription(s_sText, id);                \
  }

GX_COMMAND_TEXT(CGXSetRowHeightCmd, 20158)
GX_COMMAND_TEXT(CGXSetColWidthCmd, 20159)
GX_COMMAND_TEXT(CGXHideRowsCmd, 20170)
GX_COMMAND_TEXT(CGXHideColsCmd, 20171)
GX_COMMAND_TEXT(CGXSetDefaultRowHeightCmd, 20160)
GX_COMMAND_TEXT(CGXSetDefaultColWidthCmd, 20161)
GX_COMMAND_TEXT(CGXMoveRowsCmd, 20162)
GX_COMMAND_TEXT(CGXMoveColsCmd, 20163)
GX_COMMAND_TEXT(CGXRemoveRowsCmd, 20164)
GX_COMMAND_TEXT(CGXRemoveColsCmd, 20165)
GX_COMMAND_TEXT(CGXInsertRowsCmd, 20145)
GX_COMMAND_TEXT(CGXInsertColsCmd, 20146)
GX_COMMAND_TEXT(CGXSetCoveredCellsCmd, 20166)
GX_COMMAND_TEXT(CGXSetStyleRangeCmd, 20167)
GX_COMMAND_TEXT(CGXSetFrozenRowsCmd, 20169)
GX_COMMAND_TEXT(CGXSetFrozenColsCmd, 20168)
GX_COMMAND_TEXT(CGXChangeStylesMapCmd, 20185)
GX_COMMAND_TEXT(CGXChangePropertiesCmd, 20186)

BOOL CGXSetRowHeightCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->SetRowHeights(m_nFrom, m_nTo, 0, m_pOld, kCommandFlags, nMode);
}

BOOL CGXSetColWidthCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->SetColWidths(m_nFrom, m_nTo, 0, m_pOld, kCommandFlags, nMode);
}

BOOL CGXHideRowsCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->HideRowsEx(m_nFrom, m_nTo, 0, m_pOld, kCommandFlags, nMode);
}

BOOL CGXHideColsCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->HideColsEx(m_nFrom, m_nTo, 0, m_pOld, kCommandFlags, nMode);
}

BOOL CGXSetDefaultRowHeightCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->SetDefaultRowHeight(m_nOld, kCommandFlags, nMode);
}

BOOL CGXSetDefaultColWidthCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->SetDefaultColWidth(m_nOld, kCommandFlags, nMode);
}

BOOL CGXMoveRowsCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->MoveRows(m_nFrom, m_nTo, m_nDest, kCommandFlags, nMode);
}

BOOL CGXMoveColsCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->MoveCols(m_nFrom, m_nTo, m_nDest, kCommandFlags, nMode);
}

BOOL CGXRemoveRowsCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->RemoveRows(m_nFrom, m_nTo, kCommandFlags, nMode);
}

BOOL CGXRemoveColsCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->RemoveCols(m_nFrom, m_nTo, kCommandFlags, nMode);
}

CGXInsertRowsCmd::~CGXInsertRowsCmd() {
  delete[] m_saved.pSizes;
  GXFreeStyleArray(m_saved.pCellStyles);
  GXFreeStyleArray(m_saved.pLineStyles);
}

BOOL CGXInsertRowsCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->InsertRows(m_nAt, m_nCount, kCommandFlags, nMode, &m_saved);
}

CGXInsertColsCmd::~CGXInsertColsCmd() {
  delete[] m_saved.pSizes;
  GXFreeStyleArray(m_saved.pCellStyles);
  GXFreeStyleArray(m_saved.pLineStyles);
}

BOOL CGXInsertColsCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->InsertCols(m_nAt, m_nCount, kCommandFlags, nMode, &m_saved);
}

BOOL CGXSetCoveredCellsCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->SetCoveredCellsRowCol(m_nRow0, m_nCol0, m_nToRow, m_nToCol, kCommandFlags, nMode);
}

BOOL CGXSetStyleRangeCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->SetStyleRangeEx(m_range, nullptr, CGXStyle::modeCopy, m_nType, m_pStyles, kCommandFlags, nMode);
}

BOOL CGXSetFrozenRowsCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->SetFrozenRows(m_nFrozen, m_nHeader, kCommandFlags, nMode);
}

BOOL CGXSetFrozenColsCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return pGrid->SetFrozenCols(m_nFrozen, m_nHeader, kCommandFlags, nMode);
}

BOOL CGXChangeStylesMapCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return m_pOld != nullptr && pGrid->ChangeStylesMap(*m_pOld, kCommandFlags, nMode);
}

BOOL CGXChangePropertiesCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return m_pOld != nullptr && pGrid->ChangeProperties(*m_pOld, kCommandFlags, nMode);
}

BOOL CGXChangeBaseStyleCmd::Execute(CGXGridCore* pGrid, int nMode) {
  return m_pOld != nullptr && pGrid->ChangeBaseStyle(m_nId, *m_pOld, CGXStyle::modeCopy, kCommandFlags, nMode);
}

// --- the block ----------------------------------------------------------------------------------------

CGXBlockCmd::CGXBlockCmd(LPCTSTR pszDescription) : m_sDescription(pszDescription != nullptr ? pszDescription : "Block") {}

CGXBlockCmd::~CGXBlockCmd() {
  for (POSITION pos = m_subCommands.GetHeadPosition(); pos != nullptr;)
    delete m_subCommands.GetNext(pos);
  m_subCommands.RemoveAll();
}

BOOL CGXBlockCmd::Execute(CGXGridCore* pGrid, int nMode) {
  CGXGridParam* pParam = pGrid->GetParam();
  if (pParam == nullptr)
    return FALSE;
  CGXLongOperation op;
  CString sText = m_sDescription;
  if (nMode == gxUndo || nMode == gxRedo) {
    sText = GXGetAppState()->m_sText[nMode == gxUndo ? gxTextUndoing : gxTextRedoing];
    sText.Replace("%1", m_sDescription);
  }
  op.SetStatusText(sText, TRUE);

  // The reverse commands the sub-commands record go into a new block at the head of the other list.
  CGXBlockCmd* pReverse = nullptr;
  CObList* pTarget = nullptr;
  if (nMode == gxUndo || nMode == gxRedo) {
    pReverse = new CGXBlockCmd(m_sDescription);
    pTarget = nMode == gxUndo ? &pParam->GetRedoList() : &pParam->GetUndoList();
    pTarget->AddHead(pReverse);
  }
  const BOOL bWasExecuting = pGrid->m_bExecutingBlock;
  pGrid->m_bExecutingBlock = TRUE;
  pGrid->m_bPendingCurrentCell = FALSE;

  const int nCount = (int)m_subCommands.GetCount();
  const BOOL bOldLock = pParam->m_bLockUpdate;
  GX_LONGOP_STATE* pLong = GXGetLongOperationState();
  if (nCount > 1) {
    pParam->m_bLockUpdate = TRUE;
    const int nLimit = pLong->nLevel - 1;
    if (pLong->nTextLevelLimit == -1 || pLong->nTextLevelLimit > nLimit)
      pLong->nTextLevelLimit = nLimit;
  }
  BOOL bResult = TRUE;
  int nDone = 0;
  try {
    for (POSITION pos = m_subCommands.GetHeadPosition(); pos != nullptr && bResult;) {
      CGXCommand* pCmd = static_cast<CGXCommand*>(m_subCommands.GetNext(pos));
      bResult = pGrid->ExecuteCommand(pCmd, nMode);
      nDone += 100;
      if (pLong->nTextLevelLimit == -1 || pLong->nLevel - 1 <= pLong->nTextLevelLimit)
        pLong->nPercent = std::min(100, nDone / nCount);
      op.ShowProgress();
    }
  } catch (...) {
    pParam->m_bLockUpdate = bOldLock;
    pGrid->m_bExecutingBlock = bWasExecuting;
    throw;
  }
  if (nCount > 1) {
    pParam->m_bLockUpdate = bOldLock;
    pGrid->Redraw(GX_UPDATENOW);
  }
  if (pReverse != nullptr && !bResult) {
    POSITION pos = pTarget->Find(pReverse);
    if (pos != nullptr)
      pTarget->RemoveAt(pos);
    delete pReverse;
  }
  pGrid->m_bExecutingBlock = bWasExecuting;
  if (!pGrid->m_bExecutingBlock && pGrid->m_bPendingCurrentCell) {
    pGrid->m_bPendingCurrentCell = FALSE;
    pGrid->SetCurrentCellAfterCommand(pGrid->m_nPendingRow, pGrid->m_nPendingCol, pGrid->m_bPendingShow);
  }
  return bResult;
}
