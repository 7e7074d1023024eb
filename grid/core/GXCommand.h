// The grid's undo and redo commands: each holds what it takes to reverse one grid operation and, when
// executed, calls that engine operation again with the saved values. The operation, running in undo or
// redo mode, records the command that reverses it in turn, so undo and redo are symmetric. Commands are
// made, filed and executed only by the command factory (GXCommandFactory.h), which also declares the
// abstract factory the engine reaches.
// Not for: deciding what an operation saves (the engine's operations do) or the undo lists (the
// parameter object keeps them).
#ifndef GRID_CORE_GXCOMMAND_H
#define GRID_CORE_GXCOMMAND_H

#include "GXGridParam.h"

class CGXGridCore;

// The mode of every undoable engine operation and of CGXCommand::Execute.
enum CommandMode {
  gxDo = 0,        // a user or program operation: recorded for undo, the redo list is emptied
  gxRollback = 1,  // an open transaction is run back: nothing is recorded
  gxUndo = 2,      // an undo step: the reverse command goes to the redo list
  gxRedo = 3       // a redo step: the reverse command goes to the undo list
};

class CGXCommand : public CObject {
  DECLARE_DYNAMIC(CGXCommand)

 public:
  CGXCommand() = default;
  ~CGXCommand() override;
  void Serialize(CArchive& ar) override;  // commands are never stored
  virtual BOOL Execute(CGXGridCore* pGrid, int nMode) = 0;
  // The menu text: the user's action this command reverses.
  virtual CString GetDescription() const = 0;

  ROWCOL m_nRow = 0;
  ROWCOL m_nCol = 0;
  BOOL m_bCurrentCell = FALSE;
  CObject* m_pDataUndoInfo = nullptr;  // owned

 protected:
  // The text of a string id, loaded once into the class's slot; a single blank when it is missing.
  static CString LoadDescription(CString& sSlot, UINT nId);
};

// Several commands run as one step: an undo transaction, or the reverse commands one block records
// while it is undone or redone.
class CGXBlockCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXBlockCmd)

 public:
  explicit CGXBlockCmd(LPCTSTR pszDescription);
  ~CGXBlockCmd() override;
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override { return m_sDescription; }

  CObList m_subCommands;  // owned, newest first
  CString m_sDescription;
};

// Old row heights or column widths in the parameter object's stored units (-1: none stored).
class CGXSetRowHeightCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXSetRowHeightCmd)

 public:
  CGXSetRowHeightCmd(ROWCOL nFrom, ROWCOL nTo, LONG* pOld) : m_nFrom(nFrom), m_nTo(nTo), m_pOld(pOld) {}
  ~CGXSetRowHeightCmd() override { delete[] m_pOld; }
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  ROWCOL m_nFrom, m_nTo;
  LONG* m_pOld;  // owned
};

class CGXSetColWidthCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXSetColWidthCmd)

 public:
  CGXSetColWidthCmd(ROWCOL nFrom, ROWCOL nTo, LONG* pOld) : m_nFrom(nFrom), m_nTo(nTo), m_pOld(pOld) {}
  ~CGXSetColWidthCmd() override { delete[] m_pOld; }
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  ROWCOL m_nFrom, m_nTo;
  LONG* m_pOld;  // owned
};

class CGXHideRowsCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXHideRowsCmd)

 public:
  CGXHideRowsCmd(ROWCOL nFrom, ROWCOL nTo, BYTE* pOld) : m_nFrom(nFrom), m_nTo(nTo), m_pOld(pOld) {}
  ~CGXHideRowsCmd() override { delete[] m_pOld; }
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  ROWCOL m_nFrom, m_nTo;
  BYTE* m_pOld;  // owned
};

class CGXHideColsCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXHideColsCmd)

 public:
  CGXHideColsCmd(ROWCOL nFrom, ROWCOL nTo, BYTE* pOld) : m_nFrom(nFrom), m_nTo(nTo), m_pOld(pOld) {}
  ~CGXHideColsCmd() override { delete[] m_pOld; }
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  ROWCOL m_nFrom, m_nTo;
  BYTE* m_pOld;  // owned
};

class CGXSetDefaultRowHeightCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXSetDefaultRowHeightCmd)

 public:
  explicit CGXSetDefaultRowHeightCmd(int nOld) : m_nOld(nOld) {}
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  int m_nOld;
};

class CGXSetDefaultColWidthCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXSetDefaultColWidthCmd)

 public:
  explicit CGXSetDefaultColWidthCmd(int nOld) : m_nOld(nOld) {}
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  int m_nOld;
};

class CGXMoveRowsCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXMoveRowsCmd)

 public:
  CGXMoveRowsCmd(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) : m_nFrom(nFrom), m_nTo(nTo), m_nDest(nDest) {}
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  ROWCOL m_nFrom, m_nTo, m_nDest;
};

class CGXMoveColsCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXMoveColsCmd)

 public:
  CGXMoveColsCmd(ROWCOL nFrom, ROWCOL nTo, ROWCOL nDest) : m_nFrom(nFrom), m_nTo(nTo), m_nDest(nDest) {}
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  ROWCOL m_nFrom, m_nTo, m_nDest;
};

class CGXRemoveRowsCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXRemoveRowsCmd)

 public:
  CGXRemoveRowsCmd(ROWCOL nFrom, ROWCOL nTo) : m_nFrom(nFrom), m_nTo(nTo) {}
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  ROWCOL m_nFrom, m_nTo;
};

class CGXRemoveColsCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXRemoveColsCmd)

 public:
  CGXRemoveColsCmd(ROWCOL nFrom, ROWCOL nTo) : m_nFrom(nFrom), m_nTo(nTo) {}
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  ROWCOL m_nFrom, m_nTo;
};

// Frees an array of styles (and the data object's undo info that may stand behind the last cell).
void GXFreeStyleArray(CObArray* pArray);

// What the removal of rows (columns) saved so that they can be inserted again: their sizes in stored
// units (-1: none), the stored styles of their cells row by row (null where none; the entry behind the
// last cell may hold the data object's undo info) and of the whole rows (columns). Any part may be null.
struct CGXRemovedCells {
  LONG* pSizes = nullptr;
  CObArray* pCellStyles = nullptr;
  CObArray* pLineStyles = nullptr;
  ROWCOL nOtherCount = 0;  // columns (rows) of the saved cells
};

class CGXInsertRowsCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXInsertRowsCmd)

 public:
  CGXInsertRowsCmd(ROWCOL nAt, ROWCOL nCount, const CGXRemovedCells& saved)
      : m_nAt(nAt), m_nCount(nCount), m_saved(saved) {}
  ~CGXInsertRowsCmd() override;
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  ROWCOL m_nAt, m_nCount;
  CGXRemovedCells m_saved;  // owned
};

class CGXInsertColsCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXInsertColsCmd)

 public:
  CGXInsertColsCmd(ROWCOL nAt, ROWCOL nCount, const CGXRemovedCells& saved)
      : m_nAt(nAt), m_nCount(nCount), m_saved(saved) {}
  ~CGXInsertColsCmd() override;
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  ROWCOL m_nAt, m_nCount;
  CGXRemovedCells m_saved;  // owned
};

class CGXSetCoveredCellsCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXSetCoveredCellsCmd)

 public:
  CGXSetCoveredCellsCmd(ROWCOL nRow, ROWCOL nCol, ROWCOL nToRow, ROWCOL nToCol)
      : m_nRow0(nRow), m_nCol0(nCol), m_nToRow(nToRow), m_nToCol(nToCol) {}
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  ROWCOL m_nRow0, m_nCol0, m_nToRow, m_nToCol;
};

class CGXSetStyleRangeCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXSetStyleRangeCmd)

 public:
  CGXSetStyleRangeCmd(const CGXCellRange& range, int nType, CObArray* pStyles)
      : m_range(range), m_nType(nType), m_pStyles(pStyles) {}
  ~CGXSetStyleRangeCmd() override { GXFreeStyleArray(m_pStyles); }
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  CGXCellRange m_range;
  int m_nType;
  CObArray* m_pStyles;  // owned
};

class CGXSetFrozenRowsCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXSetFrozenRowsCmd)

 public:
  CGXSetFrozenRowsCmd(ROWCOL nFrozen, ROWCOL nHeader) : m_nFrozen(nFrozen), m_nHeader(nHeader) {}
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  ROWCOL m_nFrozen, m_nHeader;
};

class CGXSetFrozenColsCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXSetFrozenColsCmd)

 public:
  CGXSetFrozenColsCmd(ROWCOL nFrozen, ROWCOL nHeader) : m_nFrozen(nFrozen), m_nHeader(nHeader) {}
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  ROWCOL m_nFrozen, m_nHeader;
};

class CGXChangeStylesMapCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXChangeStylesMapCmd)

 public:
  explicit CGXChangeStylesMapCmd(CGXStylesMap* pOld) : m_pOld(pOld) {}
  ~CGXChangeStylesMapCmd() override { delete m_pOld; }
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  CGXStylesMap* m_pOld;  // owned
};

class CGXChangePropertiesCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXChangePropertiesCmd)

 public:
  explicit CGXChangePropertiesCmd(CGXProperties* pOld) : m_pOld(pOld) {}
  ~CGXChangePropertiesCmd() override { delete m_pOld; }
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override;
  CGXProperties* m_pOld;  // owned
};

class CGXChangeBaseStyleCmd : public CGXCommand {
  DECLARE_DYNAMIC(CGXChangeBaseStyleCmd)

 public:
  CGXChangeBaseStyleCmd(WORD nId, CGXStyle* pOld, LPCTSTR pszName) : m_pOld(pOld), m_sName(pszName), m_nId(nId) {}
  ~CGXChangeBaseStyleCmd() override { delete m_pOld; }
  BOOL Execute(CGXGridCore* pGrid, int nMode) override;
  CString GetDescription() const override { return m_sName; }
  CGXStyle* m_pOld;  // owned
  CString m_sName;
  WORD m_nId;
};

#endif  // GRID_CORE_GXCOMMAND_H
