// The grid's undo feature: it makes the undo and redo commands (GXCommand.h), files them in the undo
// and redo lists of the grid's parameter object (so grids sharing a parameter object share their
// history), groups them into transactions, runs undo, redo and rollback, puts the current cell back,
// names the Edit menu's Undo and Redo items and saves the contents of rows and columns about to be
// removed. The engine reaches it through its undo-feature pointer; null means no undo.
// Not for: the engine operations that decide what to record.
#ifndef GRID_CORE_GXCOMMANDFACTORY_H
#define GRID_CORE_GXCOMMANDFACTORY_H

#include "GXCommand.h"

class CGXLongOperation;

// A menu item as the Undo and Redo updates see it: the caller fills the input part, the update fills
// the text (when the item belongs to a menu) and the enabled state.
struct GXMENUITEMSTATE {
  UINT nID = 0;
  BOOL bMenu = FALSE;      // the item belongs to a menu (its text may be set)
  CString sMenuText;       // the item's current text in the menu (empty: none)
  CString sText;           // out: the new text
  BOOL bEnabled = FALSE;   // out
};

class CGXAbstractCommandFactory {
 public:
  virtual ~CGXAbstractCommandFactory() = default;

  virtual CGXCommand* CreateBlockCmd(LPCTSTR pszDescription) = 0;
  virtual CGXCommand* CreateSetRowHeightCmd(ROWCOL nFrom, ROWCOL nTo, LONG* pOld) = 0;
  virtual CGXCommand* CreateHideRowsCmd(ROWCOL nFrom, ROWCOL nTo, BYTE* pOld) = 0;
  virtual CGXCommand* CreateSetDefaultRowHeightCmd(int nOld) = 0;
  virtual CGXCommand* CreateSetColWidthCmd(ROWCOL nFrom, ROWCOL nTo, LONG* pOld) = 0;
  virtual CGXCommand* CreateHideColsCmd(ROWCOL nFrom, ROWCOL nTo, BYTE* pOld) = 0;
  virtual CGXCommand* CreateSetDefaultColWidthCmd(int nOld) = 0;
  virtual CGXCommand* CreateMoveRowsCmd(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) = 0;
  virtual CGXCommand* CreateMoveColsCmd(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) = 0;
  virtual CGXCommand* CreateRemoveRowsCmd(ROWCOL nFrom, ROWCOL nTo) = 0;
  virtual CGXCommand* CreateRemoveColsCmd(ROWCOL nFrom, ROWCOL nTo) = 0;
  virtual CGXCommand* CreateInsertRowsCmd(ROWCOL nAt, ROWCOL nCount, const CGXRemovedCells& saved) = 0;
  virtual CGXCommand* CreateInsertColsCmd(ROWCOL nAt, ROWCOL nCount, const CGXRemovedCells& saved) = 0;
  virtual CGXCommand* CreateSetCoveredCellsCmd(ROWCOL nRow, ROWCOL nCol, ROWCOL nToRow, ROWCOL nToCol) = 0;
  virtual CGXCommand* CreateSetStyleRangeCmd(const CGXCellRange& range, int nType, CObArray* pStyles) = 0;
  virtual CGXCommand* CreateSetFrozenRowsCmd(ROWCOL nFrozen, ROWCOL nHeader) = 0;
  virtual CGXCommand* CreateSetFrozenColsCmd(ROWCOL nFrozen, ROWCOL nHeader) = 0;
  virtual CGXCommand* CreateChangeStylesMapCmd(const CGXStylesMap& map) = 0;
  virtual CGXCommand* CreateChangePropertiesCmd(const CGXProperties& properties) = 0;
  virtual CGXCommand* CreateChangeBaseStyleCmd(WORD nId, const CGXStyle& style, LPCTSTR pszName) = 0;

  virtual BOOL EnableDataUndo(CGXGridCore* pGrid, BOOL bEnable) = 0;
  virtual CObject* CreateDataUndoInfo(CGXGridCore* pGrid) = 0;
  virtual BOOL ApplyDataUndoInfo(CGXGridCore* pGrid, CObject* pInfo, BOOL bUndo, int nPhase) = 0;
  virtual void DiscardDataUndoInfo(CGXGridCore* pGrid) = 0;
  virtual BOOL ExecuteCommand(CGXCommand* pCmd, CGXGridCore* pGrid, int nMode) = 0;
  virtual void AddCommand(CGXGridCore* pGrid, CGXCommand* pCmd, int nMode) = 0;
  virtual void RemoveCommand(CGXGridCore* pGrid, int nMode) = 0;
  virtual BOOL Undo(CGXGridCore* pGrid) = 0;
  virtual BOOL Redo(CGXGridCore* pGrid) = 0;
  virtual void BeginTrans(CGXGridCore* pGrid, LPCTSTR pszText) = 0;
  virtual void CommitTrans(CGXGridCore* pGrid) = 0;
  virtual void Rollback(CGXGridCore* pGrid) = 0;
  virtual void SetCurrentCellAfterCommand(CGXGridCore* pGrid, ROWCOL nRow, ROWCOL nCol, BOOL bShow) = 0;
  virtual BOOL UpdateUndoMenuItem(CGXGridCore* pGrid, GXMENUITEMSTATE* pItem) = 0;
  virtual BOOL UpdateRedoMenuItem(CGXGridCore* pGrid, GXMENUITEMSTATE* pItem) = 0;
  virtual BOOL SaveRemovedRowCells(CGXGridCore* pGrid, ROWCOL nFirst, ROWCOL nCount, ROWCOL nColCount,
                                   CObArray** ppCellStyles, CObArray** ppRowStyles, CGXLongOperation& op) = 0;
  virtual BOOL SaveRemovedColCells(CGXGridCore* pGrid, ROWCOL nFirst, ROWCOL nCount, ROWCOL nRowCount,
                                   CObArray** ppCellStyles, CObArray** ppColStyles, CGXLongOperation& op) = 0;
};

class CGXCommandFactory : public CGXAbstractCommandFactory {
 public:
  CGXCommand* CreateBlockCmd(LPCTSTR pszDescription) override;
  CGXCommand* CreateSetRowHeightCmd(ROWCOL nFrom, ROWCOL nTo, LONG* pOld) override;
  CGXCommand* CreateHideRowsCmd(ROWCOL nFrom, ROWCOL nTo, BYTE* pOld) override;
  CGXCommand* CreateSetDefaultRowHeightCmd(int nOld) override;
  CGXCommand* CreateSetColWidthCmd(ROWCOL nFrom, ROWCOL nTo, LONG* pOld) override;
  CGXCommand* CreateHideColsCmd(ROWCOL nFrom, ROWCOL nTo, BYTE* pOld) override;
  CGXCommand* CreateSetDefaultColWidthCmd(int nOld) override;
  CGXCommand* CreateMoveRowsCmd(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) override;
  CGXCommand* CreateMoveColsCmd(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) override;
  CGXCommand* CreateRemoveRowsCmd(ROWCOL nFrom, ROWCOL nTo) override;
  CGXCommand* CreateRemoveColsCmd(ROWCOL nFrom, ROWCOL nTo) override;
  CGXCommand* CreateInsertRowsCmd(ROWCOL nAt, ROWCOL nCount, const CGXRemovedCells& saved) override;
  CGXCommand* CreateInsertColsCmd(ROWCOL nAt, ROWCOL nCount, const CGXRemovedCells& saved) override;
  CGXCommand* CreateSetCoveredCellsCmd(ROWCOL nRow, ROWCOL nCol, ROWCOL nToRow, ROWCOL nToCol) override;
  CGXCommand* CreateSetStyleRangeCmd(const CGXCellRange& range, int nType, CObArray* pStyles) override;
  CGXCommand* CreateSetFrozenRowsCmd(ROWCOL nFrozen, ROWCOL nHeader) override;
  CGXCommand* CreateSetFrozenColsCmd(ROWCOL nFrozen, ROWCOL nHeader) override;
  CGXCommand* CreateChangeStylesMapCmd(const CGXStylesMap& map) override;
  CGXCommand* CreateChangePropertiesCmd(const CGXProperties& properties) override;
  CGXCommand* CreateChangeBaseStyleCmd(WORD nId, const CGXStyle& style, LPCTSTR pszName) override;

  BOOL EnableDataUndo(CGXGridCore* pGrid, BOOL bEnable) override;
  CObject* CreateDataUndoInfo(CGXGridCore* pGrid) override;
  BOOL ApplyDataUndoInfo(CGXGridCore* pGrid, CObject* pInfo, BOOL bUndo, int nPhase) override;
  void DiscardDataUndoInfo(CGXGridCore* pGrid) override;
  BOOL ExecuteCommand(CGXCommand* pCmd, CGXGridCore* pGrid, int nMode) override;
  void AddCommand(CGXGridCore* pGrid, CGXCommand* pCmd, int nMode) override;
  void RemoveCommand(CGXGridCore* pGrid, int nMode) override;
  BOOL Undo(CGXGridCore* pGrid) override;
  BOOL Redo(CGXGridCore* pGrid) override;
  void BeginTrans(CGXGridCore* pGrid, LPCTSTR pszText) override;
  void CommitTrans(CGXGridCore* pGrid) override;
  void Rollback(CGXGridCore* pGrid) override;
  void SetCurrentCellAfterCommand(CGXGridCore* pGrid, ROWCOL nRow, ROWCOL nCol, BOOL bShow) override;
  BOOL UpdateUndoMenuItem(CGXGridCore* pGrid, GXMENUITEMSTATE* pItem) override;
  BOOL UpdateRedoMenuItem(CGXGridCore* pGrid, GXMENUITEMSTATE* pItem) override;
  BOOL SaveRemovedRowCells(CGXGridCore* pGrid, ROWCOL nFirst, ROWCOL nCount, ROWCOL nColCount,
                           CObArray** ppCellStyles, CObArray** ppRowStyles, CGXLongOperation& op) override;
  BOOL SaveRemovedColCells(CGXGridCore* pGrid, ROWCOL nFirst, ROWCOL nCount, ROWCOL nRowCount,
                           CObArray** ppCellStyles, CObArray** ppColStyles, CGXLongOperation& op) override;

 private:
  BOOL SaveRemovedCells(CGXGridCore* pGrid, BOOL bRows, ROWCOL nFirst, ROWCOL nCount, ROWCOL nOtherCount,
                        CObArray** ppCellStyles, CObArray** ppLineStyles, CGXLongOperation& op);
  // The list a mode files into (the undo list for Do and Redo, else the redo list).
  static CObList& ListOfMode(CGXGridParam* pParam, int nMode);
  CString MenuTemplate(const GXMENUITEMSTATE& item, LPCTSTR pszDefault) const;
};

#endif  // GRID_CORE_GXCOMMANDFACTORY_H
