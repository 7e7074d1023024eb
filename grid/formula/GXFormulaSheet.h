// The cell store of a grid whose cells live in the formula engine: entered text becomes a number,
// a text or a compiled formula of its engine sheet, the grid reads display and edit texts back,
// each cell's style rides on its engine cell, and inserting, removing, moving, copying and sorting
// rows, columns and cells move the engine cells with their references. It saves and loads the
// whole sheet through an archive and collects the engine's undo information.
// Grid rows are engine rows (row 0 folds onto row 1); grid column c is engine column c - 1 (column
// 0 folds onto column 0). Header cells and whole-row or whole-column styles stay in the plain
// store.
// Not for: the engine itself (EngineState.h and its neighbours) or the grid's drawing.
#ifndef GRID_FORMULA_GXFORMULASHEET_H
#define GRID_FORMULA_GXFORMULASHEET_H

#include "FormulaSheetEngine.h"

#include "GXData.h"

#include <cstdint>

struct CompiledFormula;
struct EngineCell;

class CGXFormulaSheet : public CGXData {
  DECLARE_SERIAL(CGXFormulaSheet)

 public:
  CGXFormulaSheet();
  ~CGXFormulaSheet() override;
  CGXFormulaSheet(const CGXFormulaSheet&) = delete;

  // Schema WORD 1, the plain store's part, then the engine sheet. Any other schema on loading
  // throws the archive exception with badSchema.
  void Serialize(CArchive& ar) override;
  void FreeAll() override;
  CGXData& operator=(const CGXData& other) override;
  // Copies the engine sheet too (never shares it).
  CGXFormulaSheet& operator=(const CGXFormulaSheet& other) {
    operator=(static_cast<const CGXData&>(other));
    return *this;
  }
  // Turns on the parameter object's direct copy and move switches.
  void InitParam(CObject* pParam) override;
  BOOL InsertRows(ROWCOL nRow, ROWCOL nCount) override;
  BOOL InsertCols(ROWCOL nCol, ROWCOL nCount) override;
  BOOL RemoveRows(ROWCOL nFromRow, ROWCOL nToRow) override;
  BOOL RemoveCols(ROWCOL nFromCol, ROWCOL nToCol) override;
  BOOL MoveRows(ROWCOL nFromRow, ROWCOL nToRow, ROWCOL nDestRow) override;
  BOOL MoveCols(ROWCOL nFromCol, ROWCOL nToCol, ROWCOL nDestCol) override;
  BOOL CopyCells(CGXCellRange range, ROWCOL nDestRow, ROWCOL nDestCol) override;
  // ppUndoInfo may be null; a CGXUndoEngineCellsInfo found there is replayed first.
  BOOL MoveCells(CGXCellRange range, ROWCOL nDestRow, ROWCOL nDestCol, CObject** ppUndoInfo, int a, int b) override;
  // A cell's value goes into the engine: type 1 interprets the text (SetExpressionValue), a value
  // marked as a number is a number, anything else is text.
  BOOL StoreStyleRowCol(ROWCOL nRow, ROWCOL nCol, const CGXStyle* pStyle, int nMode, int nType) override;
  // Type 1 gives the edit text (the formula) with the formula value type, any other the display
  // text with the value type of the value.
  BOOL GetStyleRowCol(ROWCOL nRow, ROWCOL nCol, CGXStyle& style, int nMode, int nType) const override;
  // pRange: the const CGXCellRange* sorted; pOrder: the const CDWordArray* whose element i is the
  // old offset of the new i-th row (column) from the range's top (left).
  BOOL SortRows(void* pRange, void* pOrder) override;
  BOOL SortCols(void* pRange, void* pOrder) override;
  BOOL GetUpdateFlag(ROWCOL nRow, ROWCOL nCol) override { return IsCellChanged(nRow, nCol); }
  void SetUpdateFlag(ROWCOL nRow, ROWCOL nCol, BOOL bFlag) override { SetCellChanged(nRow, nCol, bFlag); }
  void AddRecalcRange(const CGXCellRange& range) override { MarkRangeChanged(range); }
  void Recalc(BOOL bForce) override;
  void ResetError() override;
  BOOL GetError(CString& sError) override { return GetLastError(sError); }
  CObject* GetUndoInfo() override { return DetachUndoInfo(); }
  // (record, engine undo mode, redo)
  BOOL ApplyUndoInfo(CObject* pInfo, BOOL nMode, int bRedo) override;
  BOOL EnableUndoInfo(BOOL nMode) override { return SetUndoMode(nMode); }

  BOOL IsCellChanged(ROWCOL nRow, ROWCOL nCol);
  void SetCellChanged(ROWCOL nRow, ROWCOL nCol, BOOL bOn);
  void MarkRangeChanged(const CGXCellRange& range);
  BOOL GetLastError(CString& sText);
  CObject* DetachUndoInfo();
  int SetUndoMode(int nMode);

  // Range names, in grid coordinates. With an undo record SetRangeName puts back what
  // DeleteRangeName saved into it instead of defining the name.
  BOOL SetRangeName(LPCTSTR pszName, const CGXCellRange& range, CObject* pUndoInfo = nullptr);
  BOOL GetRangeName(LPCTSTR pszName, CGXCellRange& range);
  BOOL DeleteRangeName(LPCTSTR pszName, CObject** ppUndoInfo = nullptr, BOOL bCollect = FALSE);

  // Storing by kind. SetFormula refuses text that does not begin with "="; a formula that does not
  // compile is not stored and leaves "Cell A1: ERROR: ... (Pos n)" as the last error.
  BOOL SetFormula(ROWCOL nRow, ROWCOL nCol, LPCTSTR pszText);
  BOOL SetTextValue(ROWCOL nRow, ROWCOL nCol, LPCTSTR pszText);
  BOOL SetNumberValue(ROWCOL nRow, ROWCOL nCol, double d);
  // Text as typed: a number, "#N/A" (any case), "'" before a text, "=" before a formula, or text.
  BOOL SetExpressionValue(ROWCOL nRow, ROWCOL nCol, LPCTSTR pszText);
  BOOL SetNumberFormat(ROWCOL nRow, ROWCOL nCol, UINT nFormat, UINT nPlaces);
  // 0 when the cell's style sets no number format.
  UINT GetNumberFormat(ROWCOL nRow, ROWCOL nCol, UINT* pPlaces = nullptr);
  // The number (0 for any other value); always returns 0.
  int GetNumberValue(ROWCOL nRow, ROWCOL nCol, double& d);
  CString GetValueTextAt(ROWCOL nRow, ROWCOL nCol);
  CString GetEditTextAt(ROWCOL nRow, ROWCOL nCol);
  // An expression evaluated outside any cell: TRUE with its display text, or FALSE with the error
  // message (or the display text of an error value).
  BOOL ComputeExpression(CString& sResult, LPCTSTR pszFormula);
  BOOL CompileFormula(LPCTSTR pszText, CompiledFormula* pCompiled);
  BOOL EvaluateCompiled(CString& sText, const CompiledFormula* pCompiled);

  // The engine sheet's settings; the setters refuse values out of range.
  BOOL SetIterationLimit(int n);
  int GetIterationLimit() const;
  BOOL SetBlanksAreZero(BOOL b);
  BOOL GetBlanksAreZero() const;
  BOOL SetManualRecalc(BOOL b);
  BOOL GetManualRecalc() const;
  BOOL SetRecalcAllFormulas(BOOL b);
  BOOL GetRecalcAllFormulas() const;
  // Turning checking on registers the "Constraint Violation" base style (red interior) in the
  // styles map of the first grid that shows the sheet.
  BOOL SetConstraintCheck(BOOL b);
  BOOL GetConstraintCheck() const;

  // Moves what the engine saved for undo into the pending record (collect: its redo side).
  void CollectUndoInfo(BOOL bRecalc, BOOL bCollect);

  int GetEngineSheetNumber() const { return m_nSheet; }
  // The engine cell that holds a grid cell, or null.
  EngineCell* FindCell(ROWCOL nRow, ROWCOL nCol) const;

  WORD m_nConstraintStyleId = 0;
  int m_nSheet;
  int m_nUndoMode = 0;
  CGXUndoEngineCellsInfo* m_pUndoInfo = nullptr;  // owned

 private:
  void RegisterConstraintStyle();
  void TakePlainCells();
};

#endif  // GRID_FORMULA_GXFORMULASHEET_H
