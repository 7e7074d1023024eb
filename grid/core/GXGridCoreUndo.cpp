// The engine's undo and redo operations and its freeze-menu commands: each passes its call to the grid's
// feature (the command factory, GXCommandFactory.h; the freeze menu, GXFreezeMenuHelperImp.h) and does
// nothing, or answers FALSE, without one.
// Not for: what the operations record (their own code) or the factory's behaviour.
#include "GXGridCore.h"

#include "GXFreezeMenuHelperImp.h"

void CGXGridCore::SetUndoFeature(CGXAbstractCommandFactory* pUndo) {
  if (pUndo == m_pUndoImp)
    return;
  if (m_bOwnUndoImp)
    delete m_pUndoImp;
  m_pUndoImp = pUndo;
  m_bOwnUndoImp = FALSE;
}

void CGXGridCore::AttachCommandFactory() {
  if (m_pUndoImp != nullptr)
    return;
  m_pUndoImp = new CGXCommandFactory;
  m_bOwnUndoImp = TRUE;
}

void CGXGridCore::RecordCommand(CGXCommand* pCmd, int nCmdMode, ROWCOL nRow, ROWCOL nCol) {
  if (pCmd == nullptr || m_pUndoImp == nullptr) {
    delete pCmd;
    return;
  }
  m_pUndoImp->AddCommand(this, pCmd, nCmdMode);
  if ((nCmdMode == gxUndo || nCmdMode == gxRedo) && nRow != 0 && nCol != 0)
    m_pUndoImp->SetCurrentCellAfterCommand(this, nRow, nCol, FALSE);
}

BOOL CGXGridCore::Undo() { return m_pUndoImp != nullptr && m_pUndoImp->Undo(this); }

BOOL CGXGridCore::Redo() { return m_pUndoImp != nullptr && m_pUndoImp->Redo(this); }

void CGXGridCore::BeginTrans(LPCTSTR pszText) {
  if (m_pUndoImp != nullptr)
    m_pUndoImp->BeginTrans(this, pszText);
}

void CGXGridCore::CommitTrans() {
  if (m_pUndoImp != nullptr)
    m_pUndoImp->CommitTrans(this);
}

void CGXGridCore::Rollback() {
  if (m_pUndoImp != nullptr)
    m_pUndoImp->Rollback(this);
}

void CGXGridCore::AddCommand(CGXCommand* pCmd, int nCmdMode) {
  if (m_pUndoImp != nullptr)
    m_pUndoImp->AddCommand(this, pCmd, nCmdMode);
  else
    delete pCmd;
}

void CGXGridCore::RemoveCommand(int nCmdMode) {
  if (m_pUndoImp != nullptr)
    m_pUndoImp->RemoveCommand(this, nCmdMode);
}

BOOL CGXGridCore::ExecuteCommand(CGXCommand* pCmd, int nCmdMode) {
  return m_pUndoImp != nullptr && m_pUndoImp->ExecuteCommand(pCmd, this, nCmdMode);
}

void CGXGridCore::SetCurrentCellAfterCommand(ROWCOL nRow, ROWCOL nCol, BOOL bShow) {
  if (m_pUndoImp != nullptr)
    m_pUndoImp->SetCurrentCellAfterCommand(this, nRow, nCol, bShow);
}

BOOL CGXGridCore::UpdateUndoMenuItem(GXMENUITEMSTATE* pItem) {
  if (m_pUndoImp != nullptr)
    return m_pUndoImp->UpdateUndoMenuItem(this, pItem);
  if (pItem != nullptr)
    pItem->bEnabled = FALSE;
  return FALSE;
}

BOOL CGXGridCore::UpdateRedoMenuItem(GXMENUITEMSTATE* pItem) {
  if (m_pUndoImp != nullptr)
    return m_pUndoImp->UpdateRedoMenuItem(this, pItem);
  if (pItem != nullptr)
    pItem->bEnabled = FALSE;
  return FALSE;
}

// --- the freeze menu ------------------------------------------------------------------------------------

void CGXGridCore::AttachFreezeMenuHelperImp() {
  if (m_pFreezeMenuHelperImp == nullptr)
    m_pFreezeMenuHelperImp = new CGXGridFreezeMenuHelperImp;
}

BOOL CGXGridCore::CanFreezeCols() { return m_pFreezeMenuHelperImp != nullptr && m_pFreezeMenuHelperImp->CanFreezeCols(this); }
BOOL CGXGridCore::CanUnfreezeCols() {
  return m_pFreezeMenuHelperImp != nullptr && m_pFreezeMenuHelperImp->CanUnfreezeCols(this);
}
BOOL CGXGridCore::CanFreezeRows() { return m_pFreezeMenuHelperImp != nullptr && m_pFreezeMenuHelperImp->CanFreezeRows(this); }
BOOL CGXGridCore::CanUnfreezeRows() {
  return m_pFreezeMenuHelperImp != nullptr && m_pFreezeMenuHelperImp->CanUnfreezeRows(this);
}

void CGXGridCore::FreezeCols() {
  if (m_pFreezeMenuHelperImp != nullptr)
    m_pFreezeMenuHelperImp->FreezeCols(this);
}

void CGXGridCore::UnfreezeCols() {
  if (m_pFreezeMenuHelperImp != nullptr)
    m_pFreezeMenuHelperImp->UnfreezeCols(this);
}

void CGXGridCore::FreezeRows() {
  if (m_pFreezeMenuHelperImp != nullptr)
    m_pFreezeMenuHelperImp->FreezeRows(this);
}

void CGXGridCore::UnfreezeRows() {
  if (m_pFreezeMenuHelperImp != nullptr)
    m_pFreezeMenuHelperImp->UnfreezeRows(this);
}
